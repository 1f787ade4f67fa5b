#include "platform/Cp932.h"

#include <array>
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

// Decoding goes through tables filled from iconv once, a row of trail bytes per lead byte when the
// lead is first met: the same characters iconv gives, without a conversion call per character.
// An entry of 0 means iconv refuses the sequence.
constexpr int kTrailFirst = 0x40;
constexpr int kTrailCount = 0xFC - 0x40 + 1;

char16_t DecodeWithIconv(Converter& conv, const unsigned char* bytes, size_t length) {
    if (!conv.Valid())
        return 0;
    conv.Reset();
    char16_t buffer[4];
    char* in = const_cast<char*>(reinterpret_cast<const char*>(bytes));
    size_t inLeft = length;
    char* outPtr = reinterpret_cast<char*>(buffer);
    size_t outLeft = sizeof buffer;
    if (iconv(conv.Handle(), &in, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) || inLeft != 0 ||
        reinterpret_cast<char16_t*>(outPtr) - buffer != 1)
        return 0;
    return buffer[0];
}

struct DecodeTables {
    std::array<char16_t, 128> single{};
    std::array<std::array<char16_t, kTrailCount>, 256> pairs{};
    std::array<std::once_flag, 256> rowsMade;

    DecodeTables() {
        Converter conv("UTF-16LE", "CP932");
        for (int b = 0x80; b <= 0xFF; ++b) {
            const unsigned char byte = static_cast<unsigned char>(b);
            single[size_t(b - 0x80)] = DecodeWithIconv(conv, &byte, 1);
        }
    }

    const std::array<char16_t, kTrailCount>& Row(unsigned char lead) {
        std::call_once(rowsMade[lead], [this, lead] {
            Converter conv("UTF-16LE", "CP932");
            for (int t = 0; t < kTrailCount; ++t) {
                const unsigned char pair[2] = {lead, static_cast<unsigned char>(kTrailFirst + t)};
                pairs[lead][size_t(t)] = DecodeWithIconv(conv, pair, 2);
            }
        });
        return pairs[lead];
    }
};

DecodeTables& Tables() {
    static DecodeTables tables;
    return tables;
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
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes);
    qsizetype i = 0;
    while (i < length && p[i] < 0x80)
        ++i;
    if (i == length)
        return QString::fromLatin1(bytes, length);
    QString out(length, Qt::Uninitialized);
    char16_t* dst = reinterpret_cast<char16_t*>(out.data());
    for (qsizetype k = 0; k < i; ++k)
        dst[k] = p[k];
    qsizetype n = i;
    DecodeTables& tables = Tables();
    while (i < length) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            dst[n++] = b;
            ++i;
            continue;
        }
        if (IsLeadByte(b) && i + 1 < length) {
            const unsigned char next = p[i + 1];
            const char16_t c = next >= kTrailFirst && next < kTrailFirst + kTrailCount
                                   ? tables.Row(b)[size_t(next - kTrailFirst)]
                                   : char16_t(0);
            if (c != 0) {
                dst[n++] = c;
                i += 2;
                continue;
            }
            dst[n++] = 0xFFFD;
            // A byte that cannot be the second of a pair (a line end, a quote) starts the next
            // character; only a real trail byte goes down with its broken lead byte.
            i += (next < 0x40 || next == 0x7F || next > 0xFC) ? 1 : 2;
            continue;
        }
        const char16_t c = IsLeadByte(b) ? char16_t(0) : tables.single[size_t(b - 0x80)];
        dst[n++] = c != 0 ? c : char16_t(0xFFFD);
        ++i;
    }
    out.truncate(n);
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
