#pragma once
// The Exif block of a JPEG file (its first APP1 segment that starts with "Exif") and the tags of
// its image file directories. Photos come from anywhere, so every count, offset and type
// taken from the block is checked against the block: a damaged entry reads as an absent tag.

#include "platform/Stream.h"

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

class TPicture;

// Directory numbers of the queries.
enum : int {
    EXIF_IFD0 = 0,    // main image
    EXIF_IFD1 = 1,    // thumbnail: IFD0's next directory
    EXIF_EXIFIFD = 2, // tag 34665 of IFD0
    EXIF_INTEROP = 3, // tag 40965 of the Exif directory
};

// Tags the system reads.
constexpr uint16_t EXIFTAG_DateTime = 306;
constexpr uint16_t EXIFTAG_ExifIFD = 34665;
constexpr uint16_t EXIFTAG_ExifVersion = 36864;
constexpr uint16_t EXIFTAG_InteropIFD = 40965;

struct TExifRational {
    int32_t Numerator = 0;
    int32_t Denominator = 1;
    friend bool operator==(const TExifRational&, const TExifRational&) = default;
};

class TExifReader {
public:
    TExifReader() = default;
    TExifReader(const TExifReader&) = delete;
    TExifReader& operator=(const TExifReader&) = delete;

    // Errors opening or reading the file pass to the caller.
    void LoadFromFile(const QString& fileName);
    // A JPEG picture is read through its file bytes; any other graphic leaves the reader empty.
    void LoadFromPicture(TPicture* picture);
    // From the stream's position: a JPEG's markers up to its first APP1 segment that is an Exif
    // block. A stream that ends inside a segment raises the stream's read error.
    void LoadFromStream(TStream& stream);

    bool HasExif() const { return !data_.Data().isEmpty(); }
    // The payload of the Exif APP1 segment ("Exif", two zero bytes, the TIFF structure).
    const QByteArray& Data() const { return data_.Data(); }
    bool LittleEndian() const { return littleEndian_; }
    uint32_t Ifd0Offset() const { return ifd0Offset_; }

    // The directory exists and holds a readable entry with the tag.
    bool HasTag(int ifd, uint16_t tag) const;
    // The first value of an integer-typed tag in the low bytes of the result (signed types are not
    // sign-extended); 0 for any other tag.
    int32_t GetInteger(int ifd, uint16_t tag) const;
    // Every pair of a rational-typed tag; empty for any other tag.
    void GetRationals(int ifd, uint16_t tag, std::vector<TExifRational>& values) const;
    // The first pair; 0/1 when there is none.
    void GetRational(int ifd, uint16_t tag, TExifRational& value) const;
    // Text: up to the first zero byte (ASCII), every byte (UNDEFINED), the number (integer types),
    // "n/d" (rational types); empty for an absent tag or another type.
    void GetText(int ifd, uint16_t tag, QString& text) const;

    // The ExifVersion text as a number ("0220" -> 220); 0 without one.
    int ExifVersion() const;

private:
    struct Entry {
        uint16_t type = 0;
        uint32_t count = 0;
        int64_t valuePos = 0; // offset in data_ of the first value
        int size = 0;         // bytes of one value
    };

    void Clear();
    // Offset in data_ of the directory at a TIFF offset, or -1 unless its entries lie in the block.
    int64_t DirectoryAt(uint32_t tiffOffset) const;
    // Finds the four directories once the header is read.
    void LocateDirectories();
    // Offset in data_ of a directory's entry count, or -1 when the directory does not exist.
    int64_t FindIfd(int ifd) const;
    bool FindTag(int ifd, uint16_t tag, Entry& entry) const;
    bool LocateEntry(int64_t ifdPos, uint16_t tag, Entry& entry) const;
    // A number of 1, 2 or 4 bytes in the block's byte order; pos is checked by the caller.
    uint32_t ReadNumber(int64_t pos, int size) const;
    bool Fits(int64_t pos, int64_t size) const;

    TMemoryStream data_;
    bool littleEndian_ = false;
    uint32_t ifd0Offset_ = 0;
    std::array<int64_t, 4> ifdPos_{-1, -1, -1, -1}; // by directory number
};
