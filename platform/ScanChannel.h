#pragma once
// The program's end of the scanner helper's socket: requests out, replies in, each reply awaited
// within a deadline and read within bounds (its length, every count and text in it), so a helper
// that ends, hangs or sends garbage is told apart from one that answers. The replies' readers are
// public for the fuzz target.

#include "platform/ScanProtocol.h"
#include "platform/Scanner.h"

#include <chrono>
#include <functional>
#include <string>

class ScanChannel {
public:
    using Clock = std::chrono::steady_clock;
    enum class Outcome { Answered, Closed, Garbled, TimedOut };

    // Takes fd (made non-blocking); wakeFd, when given, is watched while waiting (an eventfd).
    explicit ScanChannel(int fd, int wakeFd = -1);
    ~ScanChannel();
    ScanChannel(const ScanChannel&) = delete;
    ScanChannel& operator=(const ScanChannel&) = delete;

    // The whole message by deadline; false when the helper has gone or does not take it.
    bool Send(const std::string& message, Clock::time_point deadline);
    // The next message, which must be of kind: its fields after the kind byte in body. onWake runs
    // whenever wakeFd is signalled and may bring the deadline forward.
    Outcome Receive(uint8_t kind, std::string& body, Clock::time_point deadline,
                    const std::function<void(Clock::time_point&)>& onWake = {});

private:
    bool Fill(char* buffer, size_t size, Clock::time_point& deadline,
              const std::function<void(Clock::time_point&)>& onWake, Outcome& outcome);
    int fd_;
    int wakeFd_;
};

namespace scanpipe {

// Readers of the replies' fields: false for a body that is not what its kind holds.
bool ReadStatus(const std::string& body, int& status);
bool ReadDevices(const std::string& body, std::vector<ScanDevice>& devices);
bool ReadDeviceInfo(const std::string& body, ScanDeviceInfo& info);
bool ReadParameters(const std::string& body, int& status, Scanner::Frame& frame, bool& lastFrame);
// At most most bytes into buffer.
bool ReadChunk(const std::string& body, int most, int& status, char* buffer, int& got);

// The requests the program sends.
std::string Request(Kind kind);
std::string ListRequest(bool localOnly);
std::string DeviceRequest(Kind kind, const QString& device, const ScanOptions& options);
std::string ReadRequest(int most);

} // namespace scanpipe
