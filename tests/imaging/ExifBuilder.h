#pragma once
// Exif blocks and bare JPEG streams built byte by byte for tests of what reads them.

#include <QByteArray>
#include <cstdint>
#include <utility>
#include <vector>

// Builds Exif blocks: IFDs laid out one after the other behind the TIFF header, each followed by
// the values that do not fit in their entry. An entry may point to a later IFD by its number.
struct ExifEntry {
    uint16_t tag;
    uint16_t type;
    uint32_t count;
    QByteArray value; // already in the block's byte order
    int linkTo = -1;  // IFD number whose offset becomes the (LONG) value
};

class ExifBuilder {
public:
    explicit ExifBuilder(bool littleEndian) : le_(littleEndian) {}

    QByteArray U16(uint16_t v) const {
        QByteArray b(2, 0);
        b[le_ ? 0 : 1] = char(v & 0xFF);
        b[le_ ? 1 : 0] = char(v >> 8);
        return b;
    }
    QByteArray U32(uint32_t v) const {
        QByteArray b(4, 0);
        for (int i = 0; i < 4; ++i)
            b[le_ ? i : 3 - i] = char((v >> (8 * i)) & 0xFF);
        return b;
    }
    ExifEntry Short(uint16_t tag, uint16_t v) const { return {tag, 3, 1, U16(v) + QByteArray(2, 0)}; }
    ExifEntry Long(uint16_t tag, uint32_t v) const { return {tag, 4, 1, U32(v)}; }
    ExifEntry Ascii(uint16_t tag, const QByteArray& text) const {
        QByteArray v = text + QByteArray(1, 0);
        return {tag, 2, uint32_t(v.size()), v};
    }
    ExifEntry Rational(uint16_t tag, std::vector<std::pair<uint32_t, uint32_t>> pairs,
                       uint16_t type = 5) const {
        QByteArray v;
        for (auto [n, d] : pairs)
            v += U32(n) + U32(d);
        return {tag, type, uint32_t(pairs.size()), v};
    }
    ExifEntry Link(uint16_t tag, int ifd) const { return {tag, 4, 1, QByteArray(4, 0), ifd}; }

    // IFD i is followed by IFD i + 1 through its next link when chainNext[i] is set.
    void AddIfd(std::vector<ExifEntry> entries, bool chainToNext = false) {
        ifds_.push_back({std::move(entries), chainToNext});
    }

    // The TIFF structure (header and directories).
    QByteArray Tiff() const {
        std::vector<uint32_t> offsets;
        uint32_t pos = 8;
        for (const Ifd& ifd : ifds_) {
            offsets.push_back(pos);
            pos += 2 + 12 * uint32_t(ifd.entries.size()) + 4;
            for (const ExifEntry& e : ifd.entries)
                if (e.value.size() > 4)
                    pos += uint32_t(e.value.size() + (e.value.size() & 1));
        }
        QByteArray out = le_ ? QByteArray("II*\0", 4) : QByteArray("MM\0*", 4);
        out += U32(8);
        for (size_t i = 0; i < ifds_.size(); ++i) {
            const Ifd& ifd = ifds_[i];
            uint32_t data = offsets[i] + 2 + 12 * uint32_t(ifd.entries.size()) + 4;
            QByteArray extra;
            out += U16(uint16_t(ifd.entries.size()));
            for (const ExifEntry& e : ifd.entries) {
                out += U16(e.tag) + U16(e.type) + U32(e.count);
                if (e.linkTo >= 0) {
                    out += U32(offsets[size_t(e.linkTo)]);
                } else if (e.value.size() > 4) {
                    out += U32(data + uint32_t(extra.size()));
                    extra += e.value;
                    if (e.value.size() & 1)
                        extra += char(0);
                } else {
                    out += e.value + QByteArray(4 - int(e.value.size()), 0);
                }
            }
            out += U32(ifd.chainToNext && i + 1 < ifds_.size() ? offsets[i + 1] : 0);
            out += extra;
        }
        return out;
    }
    QByteArray Block() const { return QByteArray("Exif\0\0", 6) + Tiff(); }

private:
    struct Ifd {
        std::vector<ExifEntry> entries;
        bool chainToNext;
    };
    bool le_;
    std::vector<Ifd> ifds_;
};

inline QByteArray Segment(uint8_t marker, const QByteArray& payload) {
    QByteArray s;
    s += char(0xFF);
    s += char(marker);
    const int length = int(payload.size()) + 2;
    s += char(length >> 8);
    s += char(length & 0xFF);
    return s + payload;
}

inline QByteArray Jpeg(const std::vector<QByteArray>& segments) {
    QByteArray j("\xFF\xD8", 2);
    for (const QByteArray& s : segments)
        j += s;
    return j + QByteArray("\xFF\xD9", 2);
}
