#include "platform/Cp932.h"

#include <cerrno>
#include <iconv.h>
#include <mutex>
#include <vector>

namespace {

// iconv descriptors carry conversion state; one per direction and thread keeps them safe.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (cd_ != reinterpret_cast<iconv_t>(-1))
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    iconv_t Handle() const { return cd_; }
    bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    void Reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

private:
    iconv_t cd_;
};

Converter& ToCp932() {
    thread_local Converter c("CP932", "UTF-16LE");
    return c;
}

Converter& FromCp932() {
    thread_local Converter c("UTF-16LE", "CP932");
    return c;
}

// Converts one UTF-16 code point (1 or 2 units) into CP932; false when it has no form.
bool EncodeUnits(Converter& conv, const char16_t* units, size_t count, QByteArray& out) {
    char buffer[16];
    char* in = const_cast<char*>(reinterpret_cast<const char*>(units));
    size_t inLeft = count * 2;
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    conv.Reset();
    if (iconv(conv.Handle(), &in, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) || inLeft != 0)
        return false;
    out.append(buffer, static_cast<qsizetype>(outPtr - buffer));
    return true;
}

} // namespace

namespace Cp932 {

bool IsLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

QByteArray Encode(const QString& text, bool* lossless) {
    if (lossless)
        *lossless = true;
    QByteArray out;
    out.reserve(text.size() * 2);
    Converter& conv = ToCp932();
    const char16_t* units = reinterpret_cast<const char16_t*>(text.utf16());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n;) {
        const char16_t u = units[i];
        if (u < 0x80) {
            out.append(static_cast<char>(u));
            ++i;
            continue;
        }
        size_t len = 1;
        if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(units[i + 1]))
            len = 2;
        if (!conv.Valid() || !EncodeUnits(conv, units + i, len, out)) {
            out.append('?');
            if (lossless)
                *lossless = false;
        }
        i += static_cast<qsizetype>(len);
    }
    return out;
}

QString Decode(const char* bytes, qsizetype length) {
    QString out;
    out.reserve(length);
    Converter& conv = FromCp932();
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes);
    for (qsizetype i = 0; i < length;) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            out.append(QChar(b));
            ++i;
            continue;
        }
        size_t len = (IsLeadByte(b) && i + 1 < length) ? 2 : 1;
        char16_t buffer[4];
        char* in = const_cast<char*>(reinterpret_cast<const char*>(p + i));
        size_t inLeft = len;
        char* outPtr = reinterpret_cast<char*>(buffer);
        size_t outLeft = sizeof buffer;
        bool ok = conv.Valid();
        if (ok) {
            conv.Reset();
            ok = iconv(conv.Handle(), &in, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1) &&
                 inLeft == 0;
        }
        if (ok) {
            out.append(QStringView(buffer, (reinterpret_cast<char16_t*>(outPtr) - buffer)));
        } else {
            out.append(QChar(0xFFFD));
            // A byte that cannot be the second of a pair (a line end, a quote) starts the next
            // character; only a real trail byte goes down with its broken lead byte.
            const unsigned char next = len == 2 ? p[i + 1] : 0;
            if (len == 2 && (next < 0x40 || next == 0x7F || next > 0xFC))
                len = 1;
        }
        i += static_cast<qsizetype>(len);
    }
    return out;
}

QString Decode(const QByteArray& bytes) {
    return Decode(bytes.constData(), bytes.size());
}

bool CanEncode(const QString& text) {
    bool lossless = true;
    Encode(text, &lossless);
    return lossless;
}

} // namespace Cp932
