#pragma once
// The words the program and its scanner helper (quorlane-scan) exchange over their socket. Every SANE
// call runs in the helper: a backend that crashes, hangs or is left holding a lock by its own reader
// thread takes only the helper with it, never the program.
//
// A message is a 32-bit little-endian length, then that many bytes: a kind byte and its fields.
// Numbers are little-endian (32-bit integers, 64-bit IEEE doubles); a text is a 32-bit length and
// its UTF-8 bytes. Plain C++ only: the helper loads no Qt.

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace scanpipe {

// What a message is. Requests go to the helper; each but Cancel and Quit is answered by one reply of
// the same kind. Hello is the helper's first word, unasked.
enum Kind : uint8_t {
    kHello = 'H',      // reply: u8 started; text why not
    kList = 'L',       // u8 local only -> i32 status; u32 count; per device 4 texts (name vendor model type)
    kDescribe = 'D',   // text device; settings -> i32 status; u32 count; per option (see below)
    kPrepare = 'S',    // text device; settings -> i32 status (the device open, the settings set)
    kStart = 'T',      // -> i32 status
    kParameters = 'P', // -> i32 status; i32 format, bytes per line, pixels per line, lines, depth; u8 last
    kRead = 'R',       // i32 most -> i32 status; text bytes
    kCancel = 'X',     // no reply: the call in progress ends as cancelled
    kQuit = 'Q',       // no reply: the helper closes the device and ends (no call follows a cancel)
};
// Settings: u32 count; per setting 2 texts (SANE option name, value).
// An option described: text name; u8 flags (kActive, kNumeric, kRange, kHasCurrent); text current
// (a string option's value); f64 current (a number's); u32 count of texts to choose; u32 count of
// numbers to choose, each f64; f64 min, max, quant.
enum OptionFlags : uint8_t { kActive = 1, kNumeric = 2, kRange = 4, kHasCurrent = 8 };

// Bounds both sides keep: anything beyond them is a broken peer.
constexpr uint32_t kMaxMessage = 4u << 20;
constexpr uint32_t kMaxReadBytes = 64u * 1024;
constexpr uint32_t kMaxText = 4096;
constexpr uint32_t kMaxDevices = 256;
constexpr uint32_t kMaxOptions = 512;
constexpr uint32_t kMaxChoices = 1024;
constexpr uint32_t kMaxSettings = 64;

// One message being built; Finish gives its bytes with the length before them.
class Writer {
public:
    explicit Writer(Kind kind) : bytes_(4, '\0') { U8(kind); }
    Writer& U8(uint8_t v) {
        bytes_.push_back(char(v));
        return *this;
    }
    Writer& U32(uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes_.push_back(char(v >> (8 * i)));
        return *this;
    }
    Writer& I32(int32_t v) { return U32(uint32_t(v)); }
    Writer& F64(double v) {
        uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        for (int i = 0; i < 8; ++i)
            bytes_.push_back(char(bits >> (8 * i)));
        return *this;
    }
    // A text longer than kMaxText is cut (a SANE string never is that long).
    Writer& Text(std::string_view text) {
        const size_t n = text.size() > kMaxText ? kMaxText : text.size();
        U32(uint32_t(n));
        bytes_.append(text.data(), n);
        return *this;
    }
    // Bytes beyond kMaxReadBytes are not sent.
    Writer& Bytes(const char* data, size_t n) {
        if (n > kMaxReadBytes)
            n = kMaxReadBytes;
        U32(uint32_t(n));
        bytes_.append(data, n);
        return *this;
    }
    const std::string& Finish() {
        const uint32_t n = uint32_t(bytes_.size() - 4);
        for (int i = 0; i < 4; ++i)
            bytes_[size_t(i)] = char(n >> (8 * i));
        return bytes_;
    }

private:
    std::string bytes_;
};

// Reads the fields of one message body; a field beyond the body, or beyond its bound, sets failed
// and reads as zero or empty from then on.
class Reader {
public:
    Reader(const char* data, size_t size) : p_(reinterpret_cast<const uint8_t*>(data)), left_(size) {}
    bool Failed() const { return failed_; }
    bool AtEnd() const { return left_ == 0; }
    uint8_t U8() {
        if (!Need(1))
            return 0;
        --left_;
        return *p_++;
    }
    uint32_t U32() {
        if (!Need(4))
            return 0;
        const uint32_t v = uint32_t(p_[0]) | uint32_t(p_[1]) << 8 | uint32_t(p_[2]) << 16 | uint32_t(p_[3]) << 24;
        p_ += 4;
        left_ -= 4;
        return v;
    }
    int32_t I32() { return int32_t(U32()); }
    double F64() {
        if (!Need(8))
            return 0;
        uint64_t bits = 0;
        for (int i = 0; i < 8; ++i)
            bits |= uint64_t(p_[i]) << (8 * i);
        p_ += 8;
        left_ -= 8;
        double v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    // A count of items, each at least minBytes long, of at most most: more than the body can hold
    // or than the bound fails.
    uint32_t Count(uint32_t most, size_t minBytes) {
        const uint32_t n = U32();
        if (n > most || (minBytes > 0 && n > left_ / minBytes)) {
            Fail();
            return 0;
        }
        return n;
    }
    std::string_view Text(uint32_t most = kMaxText) {
        const uint32_t n = U32();
        if (n > most || !Need(n))
            return {};
        const std::string_view text(reinterpret_cast<const char*>(p_), n);
        p_ += n;
        left_ -= n;
        return text;
    }
    void Fail() {
        failed_ = true;
        left_ = 0;
    }

private:
    bool Need(size_t n) {
        if (failed_ || n > left_) {
            Fail();
            return false;
        }
        return true;
    }
    const uint8_t* p_;
    size_t left_;
    bool failed_ = false;
};

// The length a message's first four bytes give.
inline uint32_t MessageLength(const char* head) {
    const auto* p = reinterpret_cast<const uint8_t*>(head);
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

} // namespace scanpipe
