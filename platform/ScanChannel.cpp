#include "platform/ScanChannel.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <cmath>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int MillisecondsUntil(ScanChannel::Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - ScanChannel::Clock::now());
    return int(std::clamp<int64_t>(left.count(), 0, INT_MAX));
}

QString Utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

} // namespace

ScanChannel::ScanChannel(int fd, int wakeFd) : fd_(fd), wakeFd_(wakeFd) {
    fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) | O_NONBLOCK);
}

ScanChannel::~ScanChannel() {
    close(fd_);
}

bool ScanChannel::Send(const std::string& message, Clock::time_point deadline) {
    size_t done = 0;
    while (done < message.size()) {
        const ssize_t n = send(fd_, message.data() + done, message.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            done += size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
            return false;
        pollfd out{fd_, POLLOUT, 0};
        const int wait = MillisecondsUntil(deadline);
        if (wait == 0 || (poll(&out, 1, wait) < 0 && errno != EINTR))
            return false;
    }
    return true;
}

bool ScanChannel::Fill(char* buffer, size_t size, Clock::time_point& deadline,
                       const std::function<void(Clock::time_point&)>& onWake, Outcome& outcome) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = recv(fd_, buffer + done, size - done, MSG_DONTWAIT);
        if (n > 0) {
            done += size_t(n);
            continue;
        }
        if (n == 0) {
            outcome = Outcome::Closed;
            return false;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            outcome = Outcome::Closed;
            return false;
        }
        for (;;) {
            const int wait = MillisecondsUntil(deadline);
            if (wait == 0) {
                outcome = Outcome::TimedOut;
                return false;
            }
            pollfd fds[2] = {{fd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
            const int ready = poll(fds, wakeFd_ >= 0 ? 2 : 1, wait);
            if (ready < 0 && errno != EINTR) {
                outcome = Outcome::Closed;
                return false;
            }
            if (ready > 0 && wakeFd_ >= 0 && (fds[1].revents & POLLIN)) {
                uint64_t count;
                while (read(wakeFd_, &count, sizeof count) > 0) {
                }
                if (onWake)
                    onWake(deadline);
            }
            if (ready > 0 && fds[0].revents != 0)
                break;
        }
    }
    return true;
}

ScanChannel::Outcome ScanChannel::Receive(uint8_t kind, std::string& body, Clock::time_point deadline,
                                          const std::function<void(Clock::time_point&)>& onWake) {
    Outcome outcome = Outcome::Answered;
    char head[4];
    if (!Fill(head, sizeof head, deadline, onWake, outcome))
        return outcome;
    const uint32_t length = scanpipe::MessageLength(head);
    if (length == 0 || length > scanpipe::kMaxMessage)
        return Outcome::Garbled;
    body.assign(length, '\0');
    if (!Fill(body.data(), length, deadline, onWake, outcome))
        return outcome;
    if (uint8_t(body[0]) != kind)
        return Outcome::Garbled;
    body.erase(0, 1);
    return Outcome::Answered;
}

namespace scanpipe {

bool ReadStatus(const std::string& body, int& status) {
    Reader in(body.data(), body.size());
    status = in.I32();
    return !in.Failed() && in.AtEnd();
}

bool ReadDevices(const std::string& body, std::vector<ScanDevice>& devices) {
    devices.clear();
    Reader in(body.data(), body.size());
    const int status = in.I32();
    const uint32_t count = in.Count(kMaxDevices, 16);
    for (uint32_t i = 0; i < count && !in.Failed(); ++i) {
        ScanDevice device;
        device.name = Utf8(in.Text());
        device.vendor = Utf8(in.Text());
        device.model = Utf8(in.Text());
        device.type = Utf8(in.Text());
        devices.push_back(std::move(device));
    }
    if (in.Failed() || !in.AtEnd()) {
        devices.clear();
        return false;
    }
    // A listing that failed lists nothing.
    if (status != kScanGood)
        devices.clear();
    return true;
}

bool ReadDeviceInfo(const std::string& body, ScanDeviceInfo& info) {
    info = {};
    Reader in(body.data(), body.size());
    info.status = in.I32();
    // The smallest option: empty texts, no choices.
    const uint32_t count = in.Count(kMaxOptions, 4 + 1 + 4 + 8 + 4 + 4 + 3 * 8);
    bool finite = true;
    const auto number = [&in, &finite] {
        const double v = in.F64();
        finite = finite && std::isfinite(v);
        return v;
    };
    for (uint32_t i = 0; i < count && !in.Failed() && finite; ++i) {
        ScanOptionInfo option;
        option.name = Utf8(in.Text());
        const uint8_t flags = in.U8();
        option.active = (flags & kActive) != 0;
        option.numeric = (flags & kNumeric) != 0;
        option.range = option.numeric && (flags & kRange) != 0;
        const QString text = Utf8(in.Text());
        const double value = number();
        if (flags & kHasCurrent)
            option.current = option.numeric ? QString::number(value) : text;
        const uint32_t choices = in.Count(kMaxChoices, 4);
        for (uint32_t k = 0; k < choices && !in.Failed(); ++k)
            option.choices << Utf8(in.Text());
        const uint32_t values = in.Count(kMaxChoices, 8);
        for (uint32_t k = 0; k < values && !in.Failed(); ++k)
            option.values.push_back(number());
        option.min = number();
        option.max = number();
        option.quant = number();
        info.options.push_back(std::move(option));
    }
    if (in.Failed() || !in.AtEnd() || !finite) {
        info = {};
        return false;
    }
    return true;
}

bool ReadParameters(const std::string& body, int& status, Scanner::Frame& frame, bool& lastFrame) {
    Reader in(body.data(), body.size());
    status = in.I32();
    frame = {};
    frame.format = in.I32();
    frame.bytesPerLine = in.I32();
    frame.pixelsPerLine = in.I32();
    frame.lines = in.I32();
    frame.depth = in.I32();
    lastFrame = in.U8() != 0;
    return !in.Failed() && in.AtEnd();
}

bool ReadChunk(const std::string& body, int most, int& status, char* buffer, int& got) {
    got = 0;
    Reader in(body.data(), body.size());
    status = in.I32();
    const std::string_view bytes = in.Text(uint32_t(std::clamp<int>(most, 0, int(kMaxReadBytes))));
    if (in.Failed() || !in.AtEnd())
        return false;
    if (!bytes.empty())
        std::memcpy(buffer, bytes.data(), bytes.size());
    got = int(bytes.size());
    return true;
}

std::string Request(Kind kind) {
    return Writer(kind).Finish();
}

std::string ListRequest(bool localOnly) {
    return Writer(kList).U8(localOnly ? 1 : 0).Finish();
}

std::string DeviceRequest(Kind kind, const QString& device, const ScanOptions& options) {
    Writer out(kind);
    out.Text(device.toStdString());
    const size_t count = std::min<size_t>(options.values.size(), kMaxSettings);
    out.U32(uint32_t(count));
    for (size_t i = 0; i < count; ++i)
        out.Text(options.values[i].first.toStdString()).Text(options.values[i].second.toStdString());
    return out.Finish();
}

std::string ReadRequest(int most) {
    return Writer(kRead).I32(most).Finish();
}

} // namespace scanpipe
