// quorlane-scan: the program's scanner helper. It loads SANE and makes every SANE call the program
// asks for over the socket it was started with (fd 0), one call at a time, answering each. SANE's
// backends stop their reader thread by asynchronous cancellation, which can leave the allocator's or
// the C library's locale lock held; a backend may also crash or never return. All of that ends with
// this process, which the program then ends or replaces, never with the program.
//
// Two threads: the main thread makes the SANE calls; a listener reads the requests, so a cancel
// reaches the device while a call is blocked in it (SANE allows sane_cancel from another thread).

#include "platform/ScanProtocol.h"

#include <sane/sane.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <dlfcn.h>
#include <fcntl.h>
#include <mutex>
#include <signal.h>
#include <string>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace scanpipe;

namespace {

struct SaneApi {
    decltype(&sane_init) init = nullptr;
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

SaneApi api;
int channel = -1;
std::mutex sendLock;

// The open device, and whether a call reading a page may be cancelled now.
SANE_Handle handle = nullptr;
std::string openDevice;
std::mutex cancelLock;
bool reading = false;
bool cancelPending = false;

struct Request {
    uint8_t kind;
    std::string body;
};
std::mutex queueLock;
std::condition_variable queueWake;
std::deque<Request> queue;

// A program that no longer listens needs no helper.
void Send(const std::string& message) {
    std::lock_guard guard(sendLock);
    size_t done = 0;
    while (done < message.size()) {
        const ssize_t n = send(channel, message.data() + done, message.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            _exit(0);
        done += size_t(n);
    }
}

bool ReceiveExact(char* buffer, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = recv(channel, buffer + done, size - done, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

void Listen() {
    for (;;) {
        char head[4];
        if (!ReceiveExact(head, sizeof head))
            _exit(0);
        const uint32_t length = MessageLength(head);
        if (length == 0 || length > kMaxMessage)
            _exit(2);
        std::string body(length, '\0');
        if (!ReceiveExact(body.data(), length))
            _exit(0);
        const uint8_t kind = uint8_t(body[0]);
        if (kind == kCancel) {
            std::lock_guard guard(cancelLock);
            if (reading && handle != nullptr)
                api.cancel(handle);
            else
                cancelPending = true;
            continue;
        }
        {
            std::lock_guard guard(queueLock);
            queue.push_back({kind, body.substr(1)});
        }
        queueWake.notify_one();
    }
}

Request Next() {
    std::unique_lock guard(queueLock);
    queueWake.wait(guard, [] { return !queue.empty(); });
    Request request = std::move(queue.front());
    queue.pop_front();
    return request;
}

template <class F>
bool Resolve(void* library, const char* name, F& target) {
    target = reinterpret_cast<F>(dlsym(library, name));
    return target != nullptr;
}

// Loads and starts SANE; the reason when it cannot.
std::string StartSane() {
    void* library = dlopen("libsane.so.1", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* why = dlerror();
        return why != nullptr ? why : "libsane.so.1 cannot be loaded";
    }
    const bool complete = Resolve(library, "sane_init", api.init) &&
                          Resolve(library, "sane_get_devices", api.getDevices) &&
                          Resolve(library, "sane_open", api.open) && Resolve(library, "sane_close", api.close) &&
                          Resolve(library, "sane_get_option_descriptor", api.getOption) &&
                          Resolve(library, "sane_control_option", api.control) &&
                          Resolve(library, "sane_get_parameters", api.getParameters) &&
                          Resolve(library, "sane_start", api.start) && Resolve(library, "sane_read", api.read) &&
                          Resolve(library, "sane_cancel", api.cancel);
    if (!complete)
        return "libsane.so.1 lacks an entry point";
    SANE_Int version = 0;
    if (api.init(&version, nullptr) != SANE_STATUS_GOOD)
        return "sane_init failed";
    return {};
}

void CloseDevice() {
    if (handle != nullptr) {
        api.cancel(handle);
        api.close(handle);
    }
    handle = nullptr;
    openDevice.clear();
}

SANE_Status Open(const std::string& device) {
    if (handle != nullptr && openDevice == device)
        return SANE_STATUS_GOOD;
    CloseDevice();
    SANE_Handle opened = nullptr;
    const SANE_Status status = api.open(device.c_str(), &opened);
    if (status != SANE_STATUS_GOOD || opened == nullptr)
        return status != SANE_STATUS_GOOD ? status : SANE_STATUS_INVAL;
    handle = opened;
    openDevice = device;
    return SANE_STATUS_GOOD;
}

// A number as a SANE word of the option's type, within what the type holds.
SANE_Word Word(const std::string& text, bool fixed) {
    double v = std::strtod(text.c_str(), nullptr);
    if (!std::isfinite(v))
        v = 0;
    if (fixed)
        return SANE_Word(std::clamp(v, -32767.0, 32767.0) * 65536.0);
    return SANE_Word(std::clamp(v, double(INT_MIN), double(INT_MAX)));
}

SANE_Int OptionCount() {
    SANE_Int count = 0;
    if (api.control(handle, 0, SANE_ACTION_GET_VALUE, &count, nullptr) != SANE_STATUS_GOOD)
        return 0;
    return std::clamp<SANE_Int>(count, 0, 100000);
}

// Sets one option by name; an option the device lacks, or inactive, or a refused value is passed over.
void SetOption(const std::string& name, const std::string& text) {
    const SANE_Int count = OptionCount();
    for (SANE_Int i = 1; i < count; ++i) {
        const SANE_Option_Descriptor* desc = api.getOption(handle, i);
        if (desc == nullptr || desc->name == nullptr || name != desc->name)
            continue;
        if (!SANE_OPTION_IS_ACTIVE(desc->cap) || !SANE_OPTION_IS_SETTABLE(desc->cap))
            return;
        SANE_Int info = 0;
        switch (desc->type) {
        case SANE_TYPE_BOOL: {
            SANE_Word value = text == "true" || text == "1" ? SANE_TRUE : SANE_FALSE;
            api.control(handle, i, SANE_ACTION_SET_VALUE, &value, &info);
            return;
        }
        case SANE_TYPE_INT:
        case SANE_TYPE_FIXED: {
            if (desc->size != SANE_Int(sizeof(SANE_Word)))
                return;
            SANE_Word value = Word(text, desc->type == SANE_TYPE_FIXED);
            api.control(handle, i, SANE_ACTION_SET_VALUE, &value, &info);
            return;
        }
        case SANE_TYPE_STRING: {
            if (desc->size <= 0 || desc->size > SANE_Int(kMaxText))
                return;
            std::string value = text;
            value.resize(size_t(desc->size), '\0');
            value[size_t(desc->size) - 1] = '\0';
            api.control(handle, i, SANE_ACTION_SET_VALUE, value.data(), &info);
            return;
        }
        default:
            return;
        }
    }
}

// Opens the device of a Describe or Prepare request and sets its settings; the SANE status.
SANE_Status OpenAndSet(const std::string& body) {
    Reader in(body.data(), body.size());
    const std::string device(in.Text());
    std::vector<std::pair<std::string, std::string>> settings;
    const uint32_t count = in.Count(kMaxSettings, 8);
    for (uint32_t i = 0; i < count && !in.Failed(); ++i) {
        std::string name(in.Text());
        std::string value(in.Text());
        settings.emplace_back(std::move(name), std::move(value));
    }
    if (in.Failed())
        return SANE_STATUS_INVAL;
    const SANE_Status opened = Open(device);
    if (opened != SANE_STATUS_GOOD)
        return opened;
    for (const auto& [name, value] : settings)
        SetOption(name, value);
    return SANE_STATUS_GOOD;
}

struct Described {
    std::string name;
    uint8_t flags = 0;
    std::string currentText;
    double currentNumber = 0;
    std::vector<std::string> choices;
    std::vector<double> values;
    double min = 0, max = 0, quant = 0;
};

// The settable single-valued options of the open device as a settings window offers them.
std::vector<Described> Options() {
    std::vector<Described> found;
    const SANE_Int count = OptionCount();
    for (SANE_Int i = 1; i < count && found.size() < kMaxOptions; ++i) {
        const SANE_Option_Descriptor* desc = api.getOption(handle, i);
        if (desc == nullptr || desc->name == nullptr || desc->name[0] == '\0' || !SANE_OPTION_IS_SETTABLE(desc->cap) ||
            desc->size <= 0 || desc->size > SANE_Int(kMaxText))
            continue;
        const bool fixed = desc->type == SANE_TYPE_FIXED;
        const bool numeric = desc->type == SANE_TYPE_INT || fixed;
        // Vectors (gamma tables) are no settings a window offers.
        if ((numeric && desc->size != SANE_Int(sizeof(SANE_Word))) || (!numeric && desc->type != SANE_TYPE_STRING))
            continue;
        auto number = [fixed](SANE_Word w) { return fixed ? SANE_UNFIX(w) : double(w); };
        const bool active = SANE_OPTION_IS_ACTIVE(desc->cap);
        Described option;
        option.name = desc->name;
        option.flags = uint8_t((active ? kActive : 0) | (numeric ? kNumeric : 0));
        if (numeric) {
            if (desc->constraint_type == SANE_CONSTRAINT_RANGE && desc->constraint.range != nullptr) {
                option.flags |= kRange;
                option.min = number(desc->constraint.range->min);
                option.max = number(desc->constraint.range->max);
                option.quant = number(desc->constraint.range->quant);
            } else if (desc->constraint_type == SANE_CONSTRAINT_WORD_LIST && desc->constraint.word_list) {
                const SANE_Word* list = desc->constraint.word_list;
                for (SANE_Int k = 1; k <= list[0] && k <= SANE_Int(kMaxChoices); ++k)
                    option.values.push_back(number(list[k]));
            }
            SANE_Word value = 0;
            if (active && api.control(handle, i, SANE_ACTION_GET_VALUE, &value, nullptr) == SANE_STATUS_GOOD) {
                option.flags |= kHasCurrent;
                option.currentNumber = number(value);
            }
        } else {
            if (desc->constraint_type == SANE_CONSTRAINT_STRING_LIST && desc->constraint.string_list)
                for (const SANE_String_Const* s = desc->constraint.string_list;
                     *s != nullptr && option.choices.size() < kMaxChoices; ++s)
                    option.choices.emplace_back(*s);
            std::string value(size_t(desc->size), '\0');
            if (active && api.control(handle, i, SANE_ACTION_GET_VALUE, value.data(), nullptr) == SANE_STATUS_GOOD) {
                option.flags |= kHasCurrent;
                option.currentText = value.c_str();
            }
        }
        found.push_back(std::move(option));
    }
    return found;
}

std::string Describe(const std::string& body) {
    const SANE_Status status = OpenAndSet(body);
    const std::vector<Described> options = status == SANE_STATUS_GOOD ? Options() : std::vector<Described>{};
    Writer out(kDescribe);
    out.I32(status).U32(uint32_t(options.size()));
    for (const Described& option : options) {
        out.Text(option.name).U8(option.flags).Text(option.currentText).F64(option.currentNumber);
        out.U32(uint32_t(option.choices.size()));
        for (const std::string& choice : option.choices)
            out.Text(choice);
        out.U32(uint32_t(option.values.size()));
        for (double v : option.values)
            out.F64(v);
        out.F64(option.min).F64(option.max).F64(option.quant);
    }
    return out.Finish();
}

std::string List(const std::string& body) {
    Reader in(body.data(), body.size());
    const bool localOnly = in.U8() != 0;
    const SANE_Device** list = nullptr;
    Writer out(kList);
    const SANE_Status status = api.getDevices(&list, localOnly ? SANE_TRUE : SANE_FALSE);
    out.I32(status);
    std::vector<const SANE_Device*> devices;
    if (status == SANE_STATUS_GOOD && list != nullptr)
        for (const SANE_Device** d = list; *d != nullptr && devices.size() < kMaxDevices; ++d)
            devices.push_back(*d);
    out.U32(uint32_t(devices.size()));
    auto text = [](const char* s) { return std::string_view(s != nullptr ? s : ""); };
    for (const SANE_Device* d : devices)
        out.Text(text(d->name)).Text(text(d->vendor)).Text(text(d->model)).Text(text(d->type));
    return out.Finish();
}

// Marks a page call as cancellable for its length; a cancel that came between calls ends it at once.
class Reading {
public:
    Reading() {
        std::lock_guard guard(cancelLock);
        reading = true;
        cancelled = cancelPending;
        cancelPending = false;
    }
    ~Reading() {
        std::lock_guard guard(cancelLock);
        reading = false;
    }
    bool cancelled;
};

SANE_Status Cancelled() {
    if (handle != nullptr)
        api.cancel(handle);
    return SANE_STATUS_CANCELLED;
}

std::string Status(Kind kind, SANE_Status status) {
    return Writer(kind).I32(status).Finish();
}

} // namespace

int main() {
    // Anything the program left open is not the helper's; the socket moves off standard input and
    // backends that print to standard output write to standard error instead.
    const int socketFd = fcntl(0, F_DUPFD_CLOEXEC, 100);
    if (socketFd < 0)
        return 2;
    close_range(3, 99, 0);
    close_range(uint32_t(socketFd) + 1, ~0U, 0);
    channel = socketFd;
    const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null >= 0)
        dup2(null, 0);
    dup2(2, 1);
    // Ends with the program even when a lock held by a backend keeps the listener from seeing it go.
    prctl(PR_SET_PDEATHSIG, SIGKILL);

    const std::string failure = StartSane();
    Send(Writer(kHello).U8(failure.empty() ? 1 : 0).Text(failure).Finish());
    if (!failure.empty())
        _exit(0);
    std::thread(Listen).detach();

    static char buffer[kMaxReadBytes];
    for (;;) {
        const Request request = Next();
        switch (request.kind) {
        case kList:
            Send(List(request.body));
            break;
        case kDescribe:
            Send(Describe(request.body));
            break;
        case kPrepare: {
            {
                // A cancel of the page before is no cancel of this one.
                std::lock_guard guard(cancelLock);
                cancelPending = false;
            }
            Send(Status(kPrepare, OpenAndSet(request.body)));
            break;
        }
        case kStart: {
            Reading call;
            const SANE_Status status =
                handle == nullptr ? SANE_STATUS_INVAL : call.cancelled ? Cancelled() : api.start(handle);
            Send(Status(kStart, status));
            break;
        }
        case kParameters: {
            SANE_Parameters p{};
            Reading call;
            const SANE_Status status =
                handle == nullptr ? SANE_STATUS_INVAL : call.cancelled ? Cancelled() : api.getParameters(handle, &p);
            Send(Writer(kParameters)
                     .I32(status)
                     .I32(p.format)
                     .I32(p.bytes_per_line)
                     .I32(p.pixels_per_line)
                     .I32(p.lines)
                     .I32(p.depth)
                     .U8(p.last_frame ? 1 : 0)
                     .Finish());
            break;
        }
        case kRead: {
            Reader in(request.body.data(), request.body.size());
            const SANE_Int most = std::clamp<SANE_Int>(in.I32(), 1, SANE_Int(kMaxReadBytes));
            SANE_Int got = 0;
            SANE_Status status;
            {
                Reading call;
                status = handle == nullptr ? SANE_STATUS_INVAL
                         : call.cancelled  ? Cancelled()
                                           : api.read(handle, reinterpret_cast<SANE_Byte*>(buffer), most, &got);
            }
            got = status == SANE_STATUS_GOOD ? std::clamp<SANE_Int>(got, 0, most) : 0;
            Send(Writer(kRead).I32(status).Bytes(buffer, size_t(got)).Finish());
            break;
        }
        case kQuit:
            // SANE is not exited: the process ends anyway, and a backend's exit is one more call that
            // could hang.
            CloseDevice();
            _exit(0);
        default:
            _exit(2);
        }
    }
}
