#include "platform/Scanner.h"

#include "platform/Dib.h"
#include "platform/ScanChannel.h"

#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <deque>
#include <mutex>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <sane/sane.h>

extern char** environ;

namespace {

constexpr int kReadChunk = 64 * 1024;
static_assert(kReadChunk <= int(scanpipe::kMaxReadBytes));
constexpr int64_t kMaxReserve = 64 * 1024 * 1024;
// The pause after a read without data: with kMaxEmptyScanReads, about 30 s without a byte end a page.
constexpr int kEmptyReadPauseMs = 10;
// How long an ended helper may take to be gone before it is waited for later.
constexpr int kReapMs = 2000;

using Clock = ScanChannel::Clock;

QString CrashedMessage() {
    return QStringLiteral("スキャナのドライバが異常終了しました。\n"
                          "スキャナの電源と接続を確かめてから、もう一度お試しください");
}

QString SilentMessage() {
    return QStringLiteral("スキャナのドライバが応答しません。\n"
                          "スキャナの電源と接続を確かめてから、もう一度お試しください");
}

QString CannotStartMessage() {
    return QStringLiteral("スキャナのドライバを起動できません");
}

uint8_t HighByte16(const char* sample) {
    // SANE's 16-bit samples are in the machine's byte order.
    uint16_t value;
    std::memcpy(&value, sample, 2);
    return uint8_t(value >> 8);
}

// Sample x of a row of depth 8 or 16.
uint8_t Sample(const char* row, int depth, int64_t x) {
    return depth == 16 ? HighByte16(row + 2 * x) : uint8_t(row[x]);
}

std::mutex helperLock;

QString& HelperPath() {
    // The running executable's folder, as the program's data is found.
    static QString path = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(u'/', 0, -2) +
                          QStringLiteral("/quorlane-scan");
    return path;
}

} // namespace

struct Scanner::Impl {
    // Set by the callers' threads, read by the scanner thread.
    std::mutex settingsLock;
    ScanTimeouts timeouts;

    // The scanner thread's: the helper running, if any, and the device it opened.
    pid_t helper = -1;
    QString helperDevice;
    std::unique_ptr<ScanChannel> channel;
    // Helpers killed that had not gone yet.
    std::vector<pid_t> unreaped;
    // The page being read: a cancel asked for, and passed on to the helper.
    std::atomic<bool> cancelRequested{false};
    bool cancelSent = false;
    int wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);

    std::mutex lock;
    std::condition_variable wake;
    std::deque<std::function<void()>> tasks;
    bool stopping = false;
    std::thread thread;

    Impl() {
        thread = std::thread([this] { Run(); });
    }
    ~Impl() {
        Post([this] { EndHelper(true); });
        {
            std::lock_guard guard(lock);
            stopping = true;
        }
        wake.notify_all();
        thread.join();
        if (wakeFd >= 0)
            close(wakeFd);
    }

    void Run() {
        for (;;) {
            std::function<void()> task;
            {
                std::unique_lock guard(lock);
                wake.wait(guard, [this] { return stopping || !tasks.empty(); });
                if (tasks.empty())
                    return;
                task = std::move(tasks.front());
                tasks.pop_front();
            }
            task();
        }
    }

    void Post(std::function<void()> task) {
        {
            std::lock_guard guard(lock);
            tasks.push_back(std::move(task));
        }
        wake.notify_all();
    }

    template <class R>
    std::future<R> Call(std::function<R()> work) {
        auto task = std::make_shared<std::packaged_task<R()>>(std::move(work));
        std::future<R> result = task->get_future();
        Post([task] { (*task)(); });
        return result;
    }

    ScanTimeouts Timeouts() {
        std::lock_guard guard(settingsLock);
        return timeouts;
    }

    // ---- the helper's life, on the scanner thread

    // Waits up to ms for pid to be gone; true when it was reaped.
    static bool Reap(pid_t pid, int ms) {
        const auto until = Clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            int status = 0;
            const pid_t done = waitpid(pid, &status, WNOHANG);
            if (done == pid || (done < 0 && errno == ECHILD))
                return true;
            if (Clock::now() >= until)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    // Ends the helper: asked to close the device and go when gracefully, else (or when it does not
    // go within the end limit) killed.
    void EndHelper(bool gracefully) {
        std::erase_if(unreaped, [](pid_t pid) { return Reap(pid, 0); });
        if (helper < 0)
            return;
        const int endMs = Timeouts().endMs;
        bool gone = false;
        if (gracefully && channel->Send(scanpipe::Request(scanpipe::kQuit),
                                        Clock::now() + std::chrono::milliseconds(endMs)))
            gone = Reap(helper, endMs);
        if (!gone) {
            kill(helper, SIGKILL);
            if (!Reap(helper, kReapMs))
                unreaped.push_back(helper);
        }
        helper = -1;
        helperDevice.clear();
        channel.reset();
    }

    // Another device than the one open is opened by another helper: closing the open one would be a
    // cancel in the helper that goes on.
    void ForDevice(const QString& device) {
        if (helper >= 0 && !helperDevice.isEmpty() && helperDevice != device)
            EndHelper(true);
    }

    // Starts the helper unless it runs and waits for its hello; EScannerMissing when it cannot start
    // SANE.
    void EnsureHelper() {
        if (helper >= 0)
            return;
        const QString program = Scanner::HelperProgram();
        int ends[2];
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
            throw EScannerMissing(QStringLiteral("socketpair: %1").arg(QString::fromLocal8Bit(strerror(errno))));
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ends[1], 0);
        // The helper starts with default signal handling and nothing blocked, whatever this thread has.
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t none, defaults;
        sigemptyset(&none);
        sigemptyset(&defaults);
        for (int signal : {SIGPIPE, SIGTERM, SIGINT, SIGHUP, SIGCHLD})
            sigaddset(&defaults, signal);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setsigdefault(&attributes, &defaults);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        const QByteArray path = program.toLocal8Bit();
        char* argv[] = {const_cast<char*>(path.constData()), nullptr};
        pid_t pid = -1;
        const int spawned = posix_spawn(&pid, path.constData(), &actions, &attributes, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        close(ends[1]);
        if (spawned != 0) {
            close(ends[0]);
            throw EScannerMissing(QStringLiteral("%1: %2").arg(program, QString::fromLocal8Bit(strerror(spawned))));
        }
        helper = pid;
        channel = std::make_unique<ScanChannel>(ends[0], wakeFd);
        std::string hello;
        const auto outcome = channel->Receive(scanpipe::kHello, hello,
                                              Clock::now() + std::chrono::milliseconds(Timeouts().answerMs));
        scanpipe::Reader in(hello.data(), hello.size());
        const bool started = in.U8() != 0;
        const QString why = QString::fromUtf8(in.Text());
        if (outcome != ScanChannel::Outcome::Answered || in.Failed() || !started) {
            EndHelper(false);
            throw EScannerMissing(started || why.isEmpty() ? program + QStringLiteral(": no answer") : why);
        }
    }

    // One request and its reply. A helper that fails is ended, and failure says why: a cancelled page
    // leaves it empty. Calls of a page (cancellable) pass a cancel on to the helper and end it when it
    // does not answer within the end limit.
    bool Exchange(const std::string& request, uint8_t kind, std::string& reply, bool cancellable, QString& failure) {
        const ScanTimeouts limits = Timeouts();
        auto deadline = Clock::now() + std::chrono::milliseconds(limits.answerMs);
        const auto passCancel = [&](Clock::time_point& until) {
            if (!cancellable || !cancelRequested || cancelSent)
                return;
            cancelSent = true;
            const auto end = Clock::now() + std::chrono::milliseconds(limits.endMs);
            channel->Send(scanpipe::Request(scanpipe::kCancel), end);
            until = std::min(until, end);
        };
        passCancel(deadline);
        ScanChannel::Outcome outcome = ScanChannel::Outcome::Closed;
        if (channel->Send(request, deadline))
            outcome = channel->Receive(kind, reply, deadline, passCancel);
        if (outcome == ScanChannel::Outcome::Answered)
            return true;
        EndHelper(false);
        failure = cancellable && cancelSent                       ? QString()
                  : outcome == ScanChannel::Outcome::TimedOut ? SilentMessage()
                                                                : CrashedMessage();
        return false;
    }

    // A reply whose fields are not what its kind holds: the helper is ended.
    [[noreturn]] void Garbled() {
        EndHelper(false);
        throw EScannerFailed(CrashedMessage());
    }

    // ---- the calls

    std::vector<ScanDevice> Devices(bool localOnly) {
        EnsureHelper();
        std::string reply;
        QString failure;
        if (!Exchange(scanpipe::ListRequest(localOnly), scanpipe::kList, reply, false, failure))
            throw EScannerFailed(failure);
        std::vector<ScanDevice> devices;
        if (!scanpipe::ReadDevices(reply, devices))
            Garbled();
        return devices;
    }

    ScanDeviceInfo Describe(const QString& device, const ScanOptions& options) {
        ForDevice(device);
        EnsureHelper();
        helperDevice = device;
        std::string reply;
        QString failure;
        if (!Exchange(scanpipe::DeviceRequest(scanpipe::kDescribe, device, options), scanpipe::kDescribe, reply,
                      false, failure))
            throw EScannerFailed(failure);
        ScanDeviceInfo info;
        if (!scanpipe::ReadDeviceInfo(reply, info))
            Garbled();
        return info;
    }

    ScanResult Scan(const QString& device, const ScanOptions& options) {
        cancelRequested = false;
        cancelSent = false;
        ScanResult failed;
        failed.status = kScanIOError;
        try {
            ForDevice(device);
            EnsureHelper();
            helperDevice = device;
        } catch (const EScannerMissing&) {
            failed.message = CannotStartMessage();
            return failed;
        }
        std::string reply;
        int opened = kScanGood;
        if (!Exchange(scanpipe::DeviceRequest(scanpipe::kPrepare, device, options), scanpipe::kPrepare, reply, false,
                      failed.message))
            return failed;
        if (!scanpipe::ReadStatus(reply, opened)) {
            EndHelper(false);
            failed.message = CrashedMessage();
            return failed;
        }
        if (opened != kScanGood) {
            failed.status = opened;
            failed.message.clear();
            return failed;
        }
        HelperSource source(*this);
        ScanResult result = Scanner::ReadPage(source);
        if (!source.failure.isEmpty() && !result.cancelled) {
            result.status = kScanIOError;
            result.message = source.failure;
        }
        // A failed or cancelled page has been cancelled by the backend: the helper goes, after the
        // result was handed over. An empty feeder keeps the device.
        if (result.pixels.IsNull() && result.status != kScanNoDocs)
            Post([this] { EndHelper(true); });
        return result;
    }

    // The open device as the page reader asks it, through the helper.
    class HelperSource final : public Scanner::Source {
    public:
        explicit HelperSource(Impl& impl) : impl_(impl) {}
        int Start() override { return Status(scanpipe::kStart); }
        int Parameters(Scanner::Frame& frame, bool& lastFrame) override {
            std::string reply;
            int status = kScanIOError;
            if (!Ask(scanpipe::Request(scanpipe::kParameters), scanpipe::kParameters, reply))
                return kScanIOError;
            if (!scanpipe::ReadParameters(reply, status, frame, lastFrame))
                return Garbled();
            return status;
        }
        int Read(char* buffer, int max, int& got) override {
            got = 0;
            std::string reply;
            int status = kScanIOError;
            if (!Ask(scanpipe::ReadRequest(max), scanpipe::kRead, reply))
                return kScanIOError;
            if (!scanpipe::ReadChunk(reply, max, status, buffer, got))
                return Garbled();
            return status;
        }
        bool Cancelled() const override { return impl_.cancelRequested; }
        // A backend in non-blocking use answers at once without data; the next read waits a little.
        void Idle() override { std::this_thread::sleep_for(std::chrono::milliseconds(kEmptyReadPauseMs)); }

        // Why the helper failed; empty while it answers.
        QString failure;

    private:
        bool Ask(const std::string& request, uint8_t kind, std::string& reply) {
            if (impl_.helper < 0) {
                failure = CrashedMessage();
                return false;
            }
            return impl_.Exchange(request, kind, reply, true, failure);
        }
        int Status(scanpipe::Kind kind) {
            std::string reply;
            int status = kScanIOError;
            if (!Ask(scanpipe::Request(kind), kind, reply))
                return kScanIOError;
            if (!scanpipe::ReadStatus(reply, status))
                return Garbled();
            return status;
        }
        int Garbled() {
            impl_.EndHelper(false);
            failure = CrashedMessage();
            return kScanIOError;
        }
        Impl& impl_;
    };
};

Scanner& Scanner::Instance() {
    static Scanner scanner;
    return scanner;
}

Scanner::Scanner() : impl_(std::make_unique<Impl>()) {}

Scanner::~Scanner() = default;

void Scanner::SetHelperProgram(const QString& path) {
    std::lock_guard guard(helperLock);
    HelperPath() = path;
}

QString Scanner::HelperProgram() {
    std::lock_guard guard(helperLock);
    return HelperPath();
}

void Scanner::SetTimeouts(const ScanTimeouts& timeouts) {
    std::lock_guard guard(impl_->settingsLock);
    impl_->timeouts = timeouts;
}

void Scanner::Load() {
    if (loaded_)
        return;
    impl_->Call<void>([this] { impl_->EnsureHelper(); }).get();
    loaded_ = true;
}

std::future<std::vector<ScanDevice>> Scanner::ListDevices(bool localOnly) {
    return impl_->Call<std::vector<ScanDevice>>([this, localOnly] { return impl_->Devices(localOnly); });
}

std::future<ScanResult> Scanner::Scan(const QString& device, const ScanOptions& options) {
    return impl_->Call<ScanResult>([this, device, options] { return impl_->Scan(device, options); });
}

std::future<ScanDeviceInfo> Scanner::OpenDevice(const QString& device, const ScanOptions& options) {
    return impl_->Call<ScanDeviceInfo>([this, device, options] { return impl_->Describe(device, options); });
}

std::future<void> Scanner::EndPages() {
    return CloseDevice();
}

std::future<void> Scanner::CloseDevice() {
    return impl_->Call<void>([this] { impl_->EndHelper(true); });
}

void Scanner::Cancel() {
    impl_->cancelRequested = true;
    const uint64_t one = 1;
    if (impl_->wakeFd >= 0 && write(impl_->wakeFd, &one, sizeof one) < 0) {
        // A full counter has a wake pending already.
    }
}

PixelBuffer Scanner::FramesToPixels(const std::vector<Frame>& frames) {
    if (frames.empty())
        RaiseInvalidBitmap();
    const Frame& first = frames.front();
    const int width = first.pixelsPerLine;
    const int depth = first.depth;
    const bool rgb = first.format == SANE_FRAME_RGB;
    const bool threePass = first.format == SANE_FRAME_RED || first.format == SANE_FRAME_GREEN ||
                           first.format == SANE_FRAME_BLUE;
    const int samples = rgb ? 3 : 1;
    if (width <= 0 || first.bytesPerLine <= 0 || !(depth == 1 || depth == 8 || depth == 16) ||
        (depth == 1 && (rgb || threePass)))
        RaiseInvalidBitmap();
    // Bytes a line's pixels need; the rest of bytesPerLine is padding.
    const int64_t needed = depth == 1 ? (int64_t(width) + 7) / 8 : int64_t(width) * samples * (depth / 8);
    if (needed > first.bytesPerLine)
        RaiseInvalidBitmap();
    const int64_t available = first.data.size() / first.bytesPerLine;
    const int64_t height = first.lines >= 0 ? std::min<int64_t>(first.lines, available) : available;
    if (height <= 0 || height > PixelBuffer::kMaxDimension || width > PixelBuffer::kMaxDimension)
        RaiseInvalidBitmap();
    for (const Frame& f : frames)
        if (f.pixelsPerLine != width || f.bytesPerLine != first.bytesPerLine || f.depth != depth ||
            f.data.size() / f.bytesPerLine < height)
            RaiseInvalidBitmap();
    const int h = int(height);
    if (depth == 1) {
        PixelBuffer pixels(width, h, 1);
        // SANE's 1 is black. A one-bit bitmap is drawn with black for its 0 bits whatever its colour
        // table says, so the bits are turned over under a black-then-white table.
        pixels.SetColorTable({0x000000, 0xFFFFFF});
        for (int y = 0; y < h; ++y) {
            const auto* in = reinterpret_cast<const uint8_t*>(first.data.constData() + int64_t(y) * first.bytesPerLine);
            uint8_t* out = pixels.ScanLine(y);
            for (int64_t i = 0; i < needed; ++i)
                out[i] = uint8_t(~in[i]);
        }
        return pixels;
    }
    if (!rgb && !threePass) {
        PixelBuffer pixels(width, h, 8);
        for (int y = 0; y < h; ++y) {
            const char* row = first.data.constData() + int64_t(y) * first.bytesPerLine;
            uint8_t* out = pixels.ScanLine(y);
            for (int x = 0; x < width; ++x)
                out[x] = Sample(row, depth, x);
        }
        return pixels;
    }
    PixelBuffer pixels(width, h, 24);
    if (rgb) {
        for (int y = 0; y < h; ++y) {
            const char* row = first.data.constData() + int64_t(y) * first.bytesPerLine;
            uint8_t* out = pixels.ScanLine(y);
            for (int x = 0; x < width; ++x) {
                out[3 * x + 2] = Sample(row, depth, 3 * int64_t(x));
                out[3 * x + 1] = Sample(row, depth, 3 * int64_t(x) + 1);
                out[3 * x] = Sample(row, depth, 3 * int64_t(x) + 2);
            }
        }
        return pixels;
    }
    for (const Frame& f : frames) {
        // BGR order in the buffer.
        const int channel = f.format == SANE_FRAME_RED ? 2 : f.format == SANE_FRAME_GREEN ? 1 :
                            f.format == SANE_FRAME_BLUE ? 0 : -1;
        if (channel < 0)
            RaiseInvalidBitmap();
        for (int y = 0; y < h; ++y) {
            const char* row = f.data.constData() + int64_t(y) * f.bytesPerLine;
            uint8_t* out = pixels.ScanLine(y);
            for (int x = 0; x < width; ++x)
                out[3 * x + channel] = Sample(row, depth, x);
        }
    }
    return pixels;
}

ScanResult Scanner::ReadPage(Source& source, const ScanLimits& limits) {
    const auto failed = [&source](int status, const QString& message = {}) {
        ScanResult result;
        result.cancelled = source.Cancelled() || status == kScanCancelled;
        result.status = result.cancelled ? kScanCancelled : status;
        if (!result.cancelled)
            result.message = message;
        return result;
    };
    const QString tooLarge = QStringLiteral("スキャンする範囲が大きすぎます");
    std::vector<Frame> frames;
    // What the page's frames hold and what the one being read promised.
    int64_t total = 0;
    for (;;) {
        // Only a colour page in three passes has more than one frame.
        if (int(frames.size()) >= limits.frames)
            return failed(kScanInvalid, QStringLiteral("スキャナが1ページに送る画像の数が多すぎます"));
        const int started = source.Start();
        if (started == kScanNoDocs && !source.Cancelled()) {
            ScanResult none;
            none.status = kScanNoDocs;
            return none;
        }
        if (started != kScanGood || source.Cancelled())
            return failed(started);
        Frame frame;
        bool lastFrame = false;
        if (source.Parameters(frame, lastFrame) != kScanGood)
            return failed(kScanInvalid);
        const int64_t promised = frame.lines > 0 && frame.bytesPerLine > 0 ? int64_t(frame.bytesPerLine) * frame.lines : 0;
        if (promised > limits.bytes - total)
            return failed(kScanNoMem, tooLarge);
        // A stated size is only a promise: room for more is made as the data comes.
        frame.data.reserve(qsizetype(std::min<int64_t>(promised, kMaxReserve)));
        QByteArray chunk(kReadChunk, '\0');
        int status = kScanGood;
        int emptyReads = 0;
        for (;;) {
            int got = 0;
            status = source.Read(chunk.data(), kReadChunk, got);
            if (status != kScanGood)
                break;
            got = std::clamp(got, 0, kReadChunk);
            if (got == 0) {
                // A device that answers without data and never ends would keep the page for ever.
                if (++emptyReads >= limits.emptyReads) {
                    status = kScanIOError;
                    break;
                }
                if (source.Cancelled())
                    break;
                source.Idle();
                continue;
            }
            emptyReads = 0;
            if (int64_t(got) > limits.bytes - total - frame.data.size()) {
                status = kScanNoMem;
                break;
            }
            frame.data.append(chunk.constData(), got);
        }
        if (source.Cancelled())
            return failed(kScanCancelled);
        if (status == kScanNoMem)
            return failed(status, tooLarge);
        if (status == kScanIOError && emptyReads >= limits.emptyReads)
            return failed(status, QStringLiteral("スキャナから画像が届きません。\n"
                                                 "スキャナの電源と接続を確かめてください"));
        if (status != kScanEof)
            return failed(status);
        total += frame.data.size();
        frames.push_back(std::move(frame));
        if (lastFrame)
            break;
    }
    ScanResult result;
    try {
        result.pixels = FramesToPixels(frames);
    } catch (const Exception&) {
        return failed(kScanInvalid);
    }
    return result;
}
