// Feeds what the scanner helper could send to the program's end of its socket: the first byte picks
// the replies awaited in turn (list, describe, parameters, read, a status), the rest is the helper's
// byte stream, read by the program's own receiving code from a real socket whose far end then
// closes. Every reply is read within its bounds or refused; a crash, an allocation beyond the
// message bound, a count beyond its bound or more bytes than were asked for is a fault. The same
// bytes are also read as each kind's body directly.

#include "platform/ScanChannel.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const uint8_t kKinds[] = {scanpipe::kHello, scanpipe::kList, scanpipe::kDescribe,
                          scanpipe::kParameters, scanpipe::kRead, scanpipe::kStart};

void Decode(uint8_t kind, const std::string& body, int most) {
    int status = 0;
    switch (kind) {
    case scanpipe::kList: {
        std::vector<ScanDevice> devices;
        if (scanpipe::ReadDevices(body, devices) && devices.size() > scanpipe::kMaxDevices)
            std::abort();
        break;
    }
    case scanpipe::kDescribe: {
        ScanDeviceInfo info;
        if (scanpipe::ReadDeviceInfo(body, info)) {
            if (info.options.size() > scanpipe::kMaxOptions)
                std::abort();
            for (const ScanOptionInfo& option : info.options)
                if (option.choices.size() > qsizetype(scanpipe::kMaxChoices) ||
                    option.values.size() > scanpipe::kMaxChoices)
                    std::abort();
        }
        break;
    }
    case scanpipe::kParameters: {
        Scanner::Frame frame;
        bool last = false;
        scanpipe::ReadParameters(body, status, frame, last);
        break;
    }
    case scanpipe::kRead: {
        std::string buffer(size_t(std::max(most, 1)), '\0');
        int got = -1;
        if (scanpipe::ReadChunk(body, most, status, buffer.data(), got) && (got < 0 || got > most))
            std::abort();
        break;
    }
    default:
        scanpipe::ReadStatus(body, status);
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const uint8_t plan = data[0];
    const std::string stream(reinterpret_cast<const char*>(data + 1), size - 1);
    // A read asks for at most 1 to 64 KiB.
    const int most = 1 + int(plan & 0x0F) * 4096;
    for (uint8_t kind : kKinds)
        Decode(kind, stream, most);

    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return 0;
    fcntl(ends[1], F_SETFL, O_NONBLOCK);
    size_t sent = 0;
    while (sent < stream.size()) {
        const ssize_t n = send(ends[1], stream.data() + sent, stream.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            break;
        sent += size_t(n);
    }
    close(ends[1]);
    ScanChannel channel(ends[0]);
    const auto deadline = ScanChannel::Clock::now() + std::chrono::seconds(5);
    for (int i = 0; i < 16; ++i) {
        const uint8_t kind = kKinds[((plan >> 4) + size_t(i)) % std::size(kKinds)];
        std::string body;
        const ScanChannel::Outcome outcome = channel.Receive(kind, body, deadline);
        if (outcome == ScanChannel::Outcome::TimedOut)
            std::abort(); // the far end is closed: an end, never a wait
        if (outcome != ScanChannel::Outcome::Answered)
            break;
        if (body.size() >= scanpipe::kMaxMessage)
            std::abort();
        Decode(kind, body, most);
    }
    return 0;
}
