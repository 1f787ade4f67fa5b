#pragma once
// The scanner service, standing in for the TWAIN source manager: SANE's libsane.so.1, run in a helper
// process of our own (quorlane-scan, beside the program) started at first use, so the program runs
// without SANE and outlives a backend that crashes, never returns, or is left holding a lock by its
// own reader thread. Every answer from the helper is awaited within a time limit; a helper that ends,
// says what it must not or keeps silent is ended and replaced at the next call, and the caller is
// told in Japanese. One scanner thread talks to the helper; callers get futures. Cancel may come
// from any thread.
//
// A scan becomes pixels as a bitmap holds them: grey (1, 8 or 16 bits), colour (8 or 16 bits, in
// one pass or three), known or unknown line counts, padded lines. Lineart comes out black on white.

#include "platform/Exception.h"
#include "platform/PixelBuffer.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <utility>
#include <vector>

// The library or the helper cannot be loaded or started ("TWAINドライバが見つかりません" at the caller).
QUORLANE_EXCEPTION(EScannerMissing, Exception)
// The helper ended or stopped answering during a call; the message says so in Japanese.
QUORLANE_EXCEPTION(EScannerFailed, Exception)

struct ScanDevice {
    QString name; // what Scan takes, "test:0"
    QString vendor;
    QString model;
    QString type;
};

struct ScanOptions {
    // Values by SANE option name ("mode" "Color", "resolution" "300", "tl-x" "10.5", "preview"
    // "true"...), set in order; each is converted to the option's type. An option the device
    // lacks, or that is inactive, is passed over.
    std::vector<std::pair<QString, QString>> values;
};

// SANE status codes the callers tell apart.
enum : int {
    kScanGood = 0,
    kScanUnsupported = 1,
    kScanCancelled = 2,
    kScanDeviceBusy = 3,
    kScanInvalid = 4,
    kScanEof = 5,
    kScanJammed = 6,
    kScanNoDocs = 7,
    kScanCoverOpen = 8,
    kScanIOError = 9,
    kScanNoMem = 10,
};

struct ScanResult {
    // Null unless a page was delivered.
    PixelBuffer pixels;
    // kScanGood with pixels; kScanNoDocs when the feeder is empty; otherwise the failing status.
    int status = kScanGood;
    bool cancelled = false;
    // The device's own words for a failure (too large a scan).
    QString message;
};

// One option of an open device as a settings window offers it.
struct ScanOptionInfo {
    QString name; // SANE name: "mode", "resolution", "source", "tl-x"...
    bool active = true;
    bool numeric = false; // int or fixed; else a string
    // The value now, as ScanOptions takes it.
    QString current;
    // A string list, or numbers to choose from; neither for a range.
    QStringList choices;
    std::vector<double> values;
    // A range (numeric options without a list): min, max and step (0 for any).
    bool range = false;
    double min = 0;
    double max = 0;
    double quant = 0;
};

struct ScanDeviceInfo {
    // kScanGood when the device is open.
    int status = kScanGood;
    std::vector<ScanOptionInfo> options;
    const ScanOptionInfo* Find(const QString& name) const {
        for (const ScanOptionInfo& option : options)
            if (option.name == name)
                return &option;
        return nullptr;
    }
};

// Largest scan taken in, all frames of a page together (a larger one stops with a message rather
// than exhausting memory).
constexpr int64_t kMaxScanBytes = int64_t(1) << 30;
// Frames of one page: one, or a colour page in three passes.
constexpr int kMaxScanFrames = 3;
// Reads in a row that bring nothing before a page is given up (about 30 s on a device).
constexpr int kMaxEmptyScanReads = 3000;

// How long the helper may take: for any answer (a network backend lists its devices in seconds, a
// lamp warms up before the first line), and after a cancel or a request to end before it is ended.
struct ScanTimeouts {
    int answerMs = 120000;
    int endMs = 3000;
};

// The bounds of one page's reading.
struct ScanLimits {
    int64_t bytes = kMaxScanBytes;
    int frames = kMaxScanFrames;
    int emptyReads = kMaxEmptyScanReads;
};

class Scanner {
public:
    // The process's one scanner service.
    static Scanner& Instance();
    ~Scanner();
    Scanner(const Scanner&) = delete;
    Scanner& operator=(const Scanner&) = delete;

    // The helper program for the helpers started from now on; by default quorlane-scan beside the
    // running executable.
    static void SetHelperProgram(const QString& path);
    static QString HelperProgram();
    void SetTimeouts(const ScanTimeouts& timeouts);
    // Starts the helper and SANE in it; raises EScannerMissing when it cannot.
    void Load();
    bool IsLoaded() const { return loaded_; }
    // The devices SANE knows (local ones only when asked). The future raises EScannerFailed or
    // EScannerMissing when the helper fails.
    std::future<std::vector<ScanDevice>> ListDevices(bool localOnly);
    // Opens the device (closing another one open) and describes its options after the given
    // values were set (the values change which options are active and their ranges). Raises as
    // ListDevices.
    std::future<ScanDeviceInfo> OpenDevice(const QString& device, const ScanOptions& options = {});
    // Opens the device (keeping it open for the next page), sets the options and scans one page.
    // A failure closes the device and ends the helper; a helper that fails gives kScanIOError with
    // the reason as the message.
    std::future<ScanResult> Scan(const QString& device, const ScanOptions& options);
    // Ends the pages of the scan (a feeder's remaining pages are not taken) and closes the device.
    std::future<void> EndPages();
    // Closes the open device.
    // Both end the helper: a backend stops its reader thread by asynchronous cancellation, which can
    // leave the allocator's lock held, so no call follows a cancel or a close in the same helper.
    // The next call starts another, which reads SANE's configuration and the environment anew.
    std::future<void> CloseDevice();
    // From any thread: stops the scan in progress; whatever it ends with counts as a cancel.
    void Cancel();

    // Turns what SANE delivered into pixels (public for the fuzz target): frames of one page, each
    // with its parameters. Raises EInvalidGraphic for parameters that do not fit the data.
    struct Frame {
        int format = 0; // SANE_Frame
        int bytesPerLine = 0;
        int pixelsPerLine = 0;
        int lines = 0; // -1: unknown, taken from the data
        int depth = 0;
        QByteArray data;
    };
    static PixelBuffer FramesToPixels(const std::vector<Frame>& frames);

    // What a device delivers for one page, call by call: SANE's open device on the scanner thread,
    // a script in tests and fuzzing. Statuses are SANE's (kScanGood...).
    class Source {
    public:
        virtual ~Source() = default;
        // Starts the next frame.
        virtual int Start() = 0;
        // The frame's parameters (data left empty); lastFrame set when no frame follows.
        virtual int Parameters(Frame& frame, bool& lastFrame) = 0;
        // Up to max bytes into buffer; got is how many came.
        virtual int Read(char* buffer, int max, int& got) = 0;
        virtual bool Cancelled() const = 0;
        // Called after a read that brought nothing, before the next.
        virtual void Idle() {}
    };
    // Reads one page from source: its pixels, or why there are none (a page beyond limits ends with
    // the reason in the result's message).
    static ScanResult ReadPage(Source& source, const ScanLimits& limits = {});

private:
    Scanner();
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::atomic<bool> loaded_{false};
};
