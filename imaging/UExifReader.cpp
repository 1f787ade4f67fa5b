#include "imaging/UExifReader.h"

#include "imaging/UJPEGImage.h"
#include "platform/Cp932.h"
#include "platform/Picture.h"

#include <cstring>

namespace {

constexpr uint8_t kMarkerSOI = 0xD8;
constexpr uint8_t kMarkerEOI = 0xD9;
constexpr uint8_t kMarkerAPP1 = 0xE1;
constexpr uint8_t kMarkerSOS = 0xDA;
constexpr uint8_t kFill = 0xFF;
// An APP1 segment is the Exif block only with this identifier; others (XMP) are skipped.
constexpr char kExifId[] = "Exif\0\0";
constexpr int64_t kExifIdSize = 6;
// Where the TIFF structure starts in the block: TIFF offsets count from here.
constexpr int64_t kTiffStart = 6;
constexpr int64_t kEntrySize = 12;

// Bytes of one value of a TIFF type; 0 for a type outside the table.
int TypeSize(uint16_t type) {
    switch (type) {
    case 1:
    case 2:
    case 6:
    case 7:
        return 1;
    case 3:
    case 8:
        return 2;
    case 4:
    case 9:
    case 11:
        return 4;
    case 5:
    case 10:
    case 12:
        return 8;
    default:
        return 0;
    }
}

bool IsIntegerType(uint16_t type) {
    return type == 1 || type == 3 || type == 4 || type == 6 || type == 8 || type == 9;
}
bool IsRationalType(uint16_t type) {
    return type == 5 || type == 10;
}
constexpr uint16_t kTypeAscii = 2;
constexpr uint16_t kTypeUndefined = 7;

struct Marker {
    uint8_t code = kMarkerEOI;
    int64_t payload = 0; // bytes after the length field; negative for a length below 2
};

Marker ReadMarker(TStream& stream) {
    Marker m;
    if (stream.ReadByte() != kFill)
        return m; // not a marker: the scan ends as at EOI
    // Any number of fill bytes may stand before a marker code.
    do
        m.code = stream.ReadByte();
    while (m.code == kFill);
    if (m.code != kMarkerSOI && m.code != kMarkerEOI) {
        const uint8_t hi = stream.ReadByte();
        const uint8_t lo = stream.ReadByte();
        m.payload = int64_t((hi << 8) | lo) - 2;
    }
    return m;
}

} // namespace

void TExifReader::Clear() {
    data_.Clear();
    littleEndian_ = false;
    ifd0Offset_ = 0;
    ifdPos_.fill(-1);
}

void TExifReader::LoadFromFile(const QString& fileName) {
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(stream);
}

void TExifReader::LoadFromPicture(TPicture* picture) {
    Clear();
    auto* jpeg = picture ? dynamic_cast<TJPEGGraphic*>(picture->Graphic()) : nullptr;
    if (jpeg == nullptr)
        return;
    TMemoryStream stream;
    jpeg->SaveToStream(stream);
    stream.SetPosition(0);
    LoadFromStream(stream);
}

void TExifReader::LoadFromStream(TStream& stream) {
    Clear();
    if (stream.GetSize() - stream.GetPosition() < 5)
        return;
    Marker m = ReadMarker(stream);
    if (m.code != kMarkerSOI)
        return;
    for (;;) {
        m = ReadMarker(stream);
        // A length below 2 cannot frame a segment: the rest is not a JPEG we can follow. The Exif
        // block stands before the image data.
        if (m.code == kMarkerEOI || m.code == kMarkerSOS || m.payload < 0)
            return;
        if (m.code == kMarkerAPP1 && m.payload >= kExifIdSize) {
            const int64_t start = stream.GetPosition();
            const bool exif = stream.ReadBytes(kExifIdSize) == QByteArray(kExifId, kExifIdSize);
            stream.SetPosition(start);
            if (exif)
                break;
        }
        if (m.payload > stream.GetSize() - stream.GetPosition())
            return; // a segment running past the end: nothing after it can be an Exif block
        stream.Seek(m.payload, TSeekOrigin::soCurrent);
    }
    // At most 65533 bytes: the 16-bit length bounds it. ReadBytes raises on a truncated segment.
    data_.SetData(stream.ReadBytes(m.payload));
    const QByteArray& d = data_.Data();
    bool ok = d.size() >= 14;
    if (ok) {
        if (std::memcmp(d.constData() + 6, "MM\0*", 4) == 0)
            littleEndian_ = false;
        else if (std::memcmp(d.constData() + 6, "II*\0", 4) == 0)
            littleEndian_ = true;
        else
            ok = false;
    }
    if (!ok) {
        Clear();
        return;
    }
    ifd0Offset_ = ReadNumber(10, 4);
    LocateDirectories();
}

bool TExifReader::Fits(int64_t pos, int64_t size) const {
    const int64_t limit = data_.Data().size();
    return pos >= 0 && size >= 0 && pos <= limit && size <= limit - pos;
}

uint32_t TExifReader::ReadNumber(int64_t pos, int size) const {
    const auto* p = reinterpret_cast<const uint8_t*>(data_.Data().constData()) + pos;
    uint32_t v = 0;
    for (int i = 0; i < size; ++i) {
        const int shift = littleEndian_ ? 8 * i : 8 * (size - 1 - i);
        v |= uint32_t(p[i]) << shift;
    }
    return v;
}

int64_t TExifReader::DirectoryAt(uint32_t tiffOffset) const {
    // Offset 0 is the TIFF header itself, never a directory.
    if (tiffOffset == 0)
        return -1;
    const int64_t pos = kTiffStart + int64_t(tiffOffset);
    // A count that runs past the block would read the bytes behind it as entries.
    if (!Fits(pos, 2) || !Fits(pos + 2, int64_t(ReadNumber(pos, 2)) * kEntrySize))
        return -1;
    return pos;
}

void TExifReader::LocateDirectories() {
    auto linkedBy = [this](int64_t parent, uint16_t tag) -> int64_t {
        Entry e;
        if (parent < 0 || !LocateEntry(parent, tag, e) || !IsIntegerType(e.type) || e.count == 0 ||
            e.size > 4)
            return -1;
        return DirectoryAt(ReadNumber(e.valuePos, e.size));
    };
    auto extent = [this](int64_t pos) { return 2 + int64_t(ReadNumber(pos, 2)) * kEntrySize; };
    // Each directory is found from those before it in this order; one that shares bytes with an
    // earlier one would answer with that one's tags under another number, so it does not exist.
    auto keep = [&](int ifd, int64_t pos) {
        for (int earlier = 0; earlier < ifd && pos >= 0; ++earlier) {
            const int64_t other = ifdPos_[size_t(earlier)];
            if (other >= 0 && pos < other + extent(other) && other < pos + extent(pos))
                pos = -1;
        }
        ifdPos_[size_t(ifd)] = pos;
    };
    const int64_t ifd0 = DirectoryAt(ifd0Offset_);
    keep(EXIF_IFD0, ifd0);
    int64_t ifd1 = -1;
    if (ifd0 >= 0) {
        const int64_t next = ifd0 + extent(ifd0);
        if (Fits(next, 4))
            ifd1 = DirectoryAt(ReadNumber(next, 4));
    }
    keep(EXIF_IFD1, ifd1);
    keep(EXIF_EXIFIFD, linkedBy(ifdPos_[EXIF_IFD0], EXIFTAG_ExifIFD));
    keep(EXIF_INTEROP, linkedBy(ifdPos_[EXIF_EXIFIFD], EXIFTAG_InteropIFD));
}

int64_t TExifReader::FindIfd(int ifd) const {
    if (ifd < 0 || size_t(ifd) >= ifdPos_.size())
        return -1;
    return ifdPos_[size_t(ifd)];
}

bool TExifReader::LocateEntry(int64_t ifdPos, uint16_t tag, Entry& entry) const {
    const int64_t count = ReadNumber(ifdPos, 2);
    for (int64_t i = 0; i < count; ++i) {
        const int64_t pos = ifdPos + 2 + i * kEntrySize;
        if (!Fits(pos, kEntrySize))
            return false; // the rest of the directory lies outside the block
        if (ReadNumber(pos, 2) != tag)
            continue;
        entry.type = uint16_t(ReadNumber(pos + 2, 2));
        entry.count = ReadNumber(pos + 4, 4);
        entry.size = TypeSize(entry.type);
        if (entry.size == 0)
            return false;
        const int64_t total = int64_t(entry.size) * int64_t(entry.count);
        entry.valuePos = total > 4 ? kTiffStart + int64_t(ReadNumber(pos + 8, 4)) : pos + 8;
        return Fits(entry.valuePos, total);
    }
    return false;
}

bool TExifReader::FindTag(int ifd, uint16_t tag, Entry& entry) const {
    const int64_t pos = FindIfd(ifd);
    return pos >= 0 && LocateEntry(pos, tag, entry);
}

bool TExifReader::HasTag(int ifd, uint16_t tag) const {
    Entry e;
    return FindTag(ifd, tag, e);
}

int32_t TExifReader::GetInteger(int ifd, uint16_t tag) const {
    Entry e;
    if (!FindTag(ifd, tag, e) || !IsIntegerType(e.type) || e.count == 0)
        return 0;
    return int32_t(ReadNumber(e.valuePos, e.size));
}

void TExifReader::GetRationals(int ifd, uint16_t tag, std::vector<TExifRational>& values) const {
    values.clear();
    Entry e;
    if (!FindTag(ifd, tag, e) || !IsRationalType(e.type))
        return;
    // The count was checked against the block, so the list is at most a block's worth.
    values.reserve(e.count);
    for (uint32_t i = 0; i < e.count; ++i) {
        const int64_t pos = e.valuePos + int64_t(i) * 8;
        values.push_back({int32_t(ReadNumber(pos, 4)), int32_t(ReadNumber(pos + 4, 4))});
    }
}

void TExifReader::GetRational(int ifd, uint16_t tag, TExifRational& value) const {
    value = TExifRational{};
    Entry e;
    if (!FindTag(ifd, tag, e) || !IsRationalType(e.type) || e.count == 0)
        return;
    value = {int32_t(ReadNumber(e.valuePos, 4)), int32_t(ReadNumber(e.valuePos + 4, 4))};
}

void TExifReader::GetText(int ifd, uint16_t tag, QString& text) const {
    text.clear();
    Entry e;
    if (!FindTag(ifd, tag, e))
        return;
    const char* bytes = data_.Data().constData() + e.valuePos;
    if (e.type == kTypeAscii) {
        const void* zero = std::memchr(bytes, 0, e.count);
        const qsizetype length = zero ? static_cast<const char*>(zero) - bytes : qsizetype(e.count);
        text = Cp932::Decode(bytes, length);
    } else if (e.type == kTypeUndefined) {
        text = QString::fromLatin1(bytes, qsizetype(e.count));
    } else if (IsIntegerType(e.type)) {
        text = QString::number(GetInteger(ifd, tag));
    } else if (IsRationalType(e.type)) {
        TExifRational r;
        GetRational(ifd, tag, r);
        text = QString::asprintf("%d/%d", r.Numerator, r.Denominator);
    }
}

int TExifReader::ExifVersion() const {
    QString text;
    GetText(EXIF_EXIFIFD, EXIFTAG_ExifVersion, text);
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return ok ? v : 0;
}
