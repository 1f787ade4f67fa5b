#include "platform/Scanner.h"

#include "platform/Dib.h"
#include "platform/FloatingPoint.h"

#include <QLibrary>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

#include <sane/sane.h>

namespace {

constexpr int kReadChunk = 64 * 1024;
constexpr int64_t kMaxReserve = 64 * 1024 * 1024;
constexpr int kMaxStringOption = 4096;
// The pause after a read without data: with kMaxEmptyScanReads, about 30 s without a byte end a page.
constexpr int kEmptyReadPauseMs = 10;

struct SaneApi {
    decltype(&sane_init) init = nullptr;
    decltype(&sane_exit) exit = nullptr;
    decltype(&sane_get_devices) getDevices = nullptr;
    decltype(&sane_open) open = nullptr;
    decltype(&sane_close) close = nullptr;
    decltype(&sane_get_option_descriptor) getOption = nullptr;
    decltype(&sane_control_option) control = nullptr;
    decltype(&sane_get_parameters) getParameters = nullptr;
    decltype(&sane_start) start = nullptr;
    decltype(&sane_read) read = nullptr;
    decltype(&sane_cancel) cancel = nullptr;
};

template <class F>
bool Resolve(QLibrary& library, const char* name, F& target) {
    target = reinterpret_cast<F>(library.resolve(name));
    return target != nullptr;
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

// Backends start reader threads that set signal dispositions for the whole process (SIGTERM back
// to its default, which would end the program unasked instead of closing its window): what the
// program had is put back once each call is over.
class SignalKeeper {
public:
    SignalKeeper() {
        for (size_t i = 0; i < std::size(kKept); ++i)
            sigaction(kKept[i], nullptr, &saved_[i]);
    }
    ~SignalKeeper() {
        for (size_t i = 0; i < std::size(kKept); ++i)
            sigaction(kKept[i], &saved_[i], nullptr);
    }
    SignalKeeper(const SignalKeeper&) = delete;
    SignalKeeper& operator=(const SignalKeeper&) = delete;

private:
    static constexpr int kKept[] = {SIGTERM, SIGINT, SIGHUP, SIGPIPE};
    struct sigaction saved_[std::size(kKept)];
};

} // namespace

struct Scanner::Impl {
    QLibrary library;
    SaneApi api;
    bool started = false;
    SANE_Handle handle = nullptr;
    QString openDevice;
    std::atomic<SANE_Handle> scanning{nullptr};
    std::atomic<bool> cancelRequested{false};

    std::mutex lock;
    std::condition_variable wake;
    std::deque<std::function<void()>> tasks;
    bool stopping = false;
    std::thread thread;

    Impl() {
        thread = std::thread([this] { Run(); });
    }
    ~Impl() {
        // The device is closed, but SANE is not exited: its dll backend would unload the backends,
        // whose leftovers then show as leaks of no known module; the process is ending anyway.
        Post([this] { CloseHandle(); });
        {
            std::lock_guard guard(lock);
            stopping = true;
        }
        wake.notify_all();
        thread.join();
    }

    void Run() {
        // Backends do floating-point work of their own and expect exceptions masked.
        T8087ExceptionDisabler masked;
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
            SignalKeeper keep;
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

    // On the scanner thread.
    void Start() {
        if (started)
            return;
        library.setFileNameAndVersion(QStringLiteral("sane"), 1);
        if (!library.load())
            throw EScannerMissing(library.errorString());
        const bool complete = Resolve(library, "sane_init", api.init) && Resolve(library, "sane_exit", api.exit) &&
                              Resolve(library, "sane_get_devices", api.getDevices) &&
                              Resolve(library, "sane_open", api.open) && Resolve(library, "sane_close", api.close) &&
                              Resolve(library, "sane_get_option_descriptor", api.getOption) &&
                              Resolve(library, "sane_control_option", api.control) &&
                              Resolve(library, "sane_get_parameters", api.getParameters) &&
                              Resolve(library, "sane_start", api.start) && Resolve(library, "sane_read", api.read) &&
                              Resolve(library, "sane_cancel", api.cancel);
        if (!complete)
            throw EScannerMissing(QStringLiteral("libsane.so.1 lacks an entry point"));
        SANE_Int version = 0;
        if (api.init(&version, nullptr) != SANE_STATUS_GOOD)
            throw EScannerMissing(QStringLiteral("sane_init failed"));
        started = true;
    }

    void CloseHandle() {
        if (handle != nullptr) {
            api.cancel(handle);
            api.close(handle);
        }
        handle = nullptr;
        openDevice.clear();
    }

    std::vector<ScanDevice> Devices(bool localOnly) {
        Start();
        const SANE_Device** list = nullptr;
        std::vector<ScanDevice> devices;
        if (api.getDevices(&list, localOnly ? SANE_TRUE : SANE_FALSE) != SANE_STATUS_GOOD || list == nullptr)
            return devices;
        for (const SANE_Device** d = list; *d != nullptr; ++d)
            devices.push_back({QString::fromUtf8((*d)->name), QString::fromUtf8((*d)->vendor),
                               QString::fromUtf8((*d)->model), QString::fromUtf8((*d)->type)});
        return devices;
    }

    // Sets one option by name; false when the device has no such active, settable option or
    // refuses the value.
    bool SetOption(const QString& name, const QString& text) {
        const QByteArray wanted = name.toUtf8();
        SANE_Int count = 0;
        if (api.control(handle, 0, SANE_ACTION_GET_VALUE, &count, nullptr) != SANE_STATUS_GOOD)
            return false;
        for (SANE_Int i = 1; i < count; ++i) {
            const SANE_Option_Descriptor* desc = api.getOption(handle, i);
            if (desc == nullptr || desc->name == nullptr || wanted != desc->name)
                continue;
            if (!SANE_OPTION_IS_ACTIVE(desc->cap) || !SANE_OPTION_IS_SETTABLE(desc->cap))
                return false;
            SANE_Int info = 0;
            switch (desc->type) {
            case SANE_TYPE_BOOL: {
                SANE_Word value = text == QLatin1String("true") || text == QLatin1String("1") ? SANE_TRUE : SANE_FALSE;
                return api.control(handle, i, SANE_ACTION_SET_VALUE, &value, &info) == SANE_STATUS_GOOD;
            }
            case SANE_TYPE_INT: {
                SANE_Word value = SANE_Word(text.toDouble());
                return api.control(handle, i, SANE_ACTION_SET_VALUE, &value, &info) == SANE_STATUS_GOOD;
            }
            case SANE_TYPE_FIXED: {
                SANE_Word value = SANE_FIX(text.toDouble());
                return api.control(handle, i, SANE_ACTION_SET_VALUE, &value, &info) == SANE_STATUS_GOOD;
            }
            case SANE_TYPE_STRING: {
                if (desc->size <= 0 || desc->size > kMaxStringOption)
                    return false;
                QByteArray value = text.toUtf8();
                value.resize(desc->size, '\0');
                value[desc->size - 1] = '\0';
                return api.control(handle, i, SANE_ACTION_SET_VALUE, value.data(), &info) == SANE_STATUS_GOOD;
            }
            default:
                return false;
            }
        }
        return false;
    }

    // Opens device unless it is the one open; the SANE status.
    SANE_Status Open(const QString& device) {
        if (handle != nullptr && openDevice == device)
            return SANE_STATUS_GOOD;
        CloseHandle();
        const SANE_Status opened = api.open(device.toUtf8().constData(), &handle);
        if (opened != SANE_STATUS_GOOD) {
            handle = nullptr;
            return opened;
        }
        openDevice = device;
        return SANE_STATUS_GOOD;
    }

    ScanDeviceInfo Describe(const QString& device, const ScanOptions& options) {
        Start();
        ScanDeviceInfo info;
        info.status = int(Open(device));
        if (info.status != SANE_STATUS_GOOD)
            return info;
        for (const auto& [name, value] : options.values)
            SetOption(name, value);
        SANE_Int count = 0;
        if (api.control(handle, 0, SANE_ACTION_GET_VALUE, &count, nullptr) != SANE_STATUS_GOOD)
            return info;
        for (SANE_Int i = 1; i < count; ++i) {
            const SANE_Option_Descriptor* desc = api.getOption(handle, i);
            if (desc == nullptr || desc->name == nullptr || desc->name[0] == '\0' ||
                !SANE_OPTION_IS_SETTABLE(desc->cap) || desc->size <= 0 || desc->size > kMaxStringOption)
                continue;
            ScanOptionInfo option;
            option.name = QString::fromUtf8(desc->name);
            option.active = SANE_OPTION_IS_ACTIVE(desc->cap);
            const bool fixed = desc->type == SANE_TYPE_FIXED;
            auto number = [fixed](SANE_Word w) { return fixed ? SANE_UNFIX(w) : double(w); };
            if (desc->type == SANE_TYPE_INT || fixed) {
                // Vectors (gamma tables) are no settings a window offers.
                if (desc->size != int(sizeof(SANE_Word)))
                    continue;
                option.numeric = true;
                if (desc->constraint_type == SANE_CONSTRAINT_RANGE && desc->constraint.range != nullptr) {
                    option.range = true;
                    option.min = number(desc->constraint.range->min);
                    option.max = number(desc->constraint.range->max);
                    option.quant = number(desc->constraint.range->quant);
                } else if (desc->constraint_type == SANE_CONSTRAINT_WORD_LIST && desc->constraint.word_list) {
                    const SANE_Word* list = desc->constraint.word_list;
                    for (SANE_Int k = 1; k <= list[0] && k <= 1024; ++k)
                        option.values.push_back(number(list[k]));
                }
                SANE_Word value = 0;
                if (option.active && api.control(handle, i, SANE_ACTION_GET_VALUE, &value, nullptr) == SANE_STATUS_GOOD)
                    option.current = QString::number(number(value));
            } else if (desc->type == SANE_TYPE_STRING) {
                if (desc->constraint_type == SANE_CONSTRAINT_STRING_LIST && desc->constraint.string_list)
                    for (const SANE_String_Const* s = desc->constraint.string_list; *s != nullptr; ++s)
                        option.choices << QString::fromUtf8(*s);
                QByteArray value(desc->size, '\0');
                if (option.active &&
                    api.control(handle, i, SANE_ACTION_GET_VALUE, value.data(), nullptr) == SANE_STATUS_GOOD) {
                    value[desc->size - 1] = '\0';
                    option.current = QString::fromUtf8(value.constData());
                }
            } else {
                continue;
            }
            info.options.push_back(std::move(option));
        }
        return info;
    }

    ScanResult Scan(const QString& device, const ScanOptions& options) {
        Start();
        cancelRequested = false;
        if (const SANE_Status opened = Open(device); opened != SANE_STATUS_GOOD) {
            CloseHandle();
            ScanResult failed;
            failed.status = int(opened);
            return failed;
        }
        for (const auto& [name, value] : options.values)
            SetOption(name, value);
        SaneSource source(*this);
        scanning = handle;
        ScanResult result = Scanner::ReadPage(source);
        scanning = nullptr;
        // A failed page leaves the device closed; an empty feeder keeps it for the next batch.
        if (result.pixels.IsNull() && result.status != kScanNoDocs)
            CloseHandle();
        return result;
    }

    // The open device as the page reader asks it.
    class SaneSource final : public Scanner::Source {
    public:
        explicit SaneSource(Impl& impl) : impl_(impl) {}
        int Start() override { return int(impl_.api.start(impl_.handle)); }
        int Parameters(Scanner::Frame& frame, bool& lastFrame) override {
            SANE_Parameters p;
            const SANE_Status status = impl_.api.getParameters(impl_.handle, &p);
            if (status != SANE_STATUS_GOOD)
                return int(status);
            frame = {int(p.format), p.bytes_per_line, p.pixels_per_line, p.lines, p.depth, {}};
            lastFrame = p.last_frame != SANE_FALSE;
            return kScanGood;
        }
        int Read(char* buffer, int max, int& got) override {
            SANE_Int n = 0;
            const SANE_Status status = impl_.api.read(impl_.handle, reinterpret_cast<SANE_Byte*>(buffer), max, &n);
            got = n;
            return int(status);
        }
        bool Cancelled() const override { return impl_.cancelRequested; }
        // A backend in non-blocking use answers at once without data; the next read waits a little.
        void Idle() override { std::this_thread::sleep_for(std::chrono::milliseconds(kEmptyReadPauseMs)); }

    private:
        Impl& impl_;
    };
};

Scanner& Scanner::Instance() {
    static Scanner scanner;
    return scanner;
}

Scanner::Scanner() : impl_(std::make_unique<Impl>()) {}

Scanner::~Scanner() = default;

void Scanner::Load() {
    if (loaded_)
        return;
    impl_->Call<void>([this] { impl_->Start(); }).get();
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
    return impl_->Call<void>([this] {
        if (impl_->handle != nullptr)
            impl_->api.cancel(impl_->handle);
    });
}

std::future<void> Scanner::CloseDevice() {
    return impl_->Call<void>([this] { impl_->CloseHandle(); });
}

void Scanner::Cancel() {
    impl_->cancelRequested = true;
    if (SANE_Handle handle = impl_->scanning.load())
        impl_->api.cancel(handle);
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
