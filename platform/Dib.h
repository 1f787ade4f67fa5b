#pragma once
// What the graphics layer's device-independent-bitmap services did (reading a header, turning
// DIB rows into pixels and back, the framework's bitmap file reader and writer), onto our
// top-down pixel buffer. Every size is checked in 64 bits against the bytes that are there;
// anything inconsistent raises EInvalidGraphic with the invalid-bitmap message.

#include "platform/PixelBuffer.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

class TStream;

// "ビットマップイメージが不正です": the message of every damaged bitmap.
QString InvalidBitmapMessage();
[[noreturn]] void RaiseInvalidBitmap();

constexpr uint32_t BI_RGB = 0;
constexpr uint32_t BI_RLE8 = 1;
constexpr uint32_t BI_RLE4 = 2;
constexpr uint32_t BI_BITFIELDS = 3;
constexpr uint32_t BI_ALPHABITFIELDS = 6;

constexpr int kBitmapFileHeaderSize = 14;
constexpr int kBitmapInfoHeaderSize = 40;
constexpr int kBitmapCoreHeaderSize = 12;
// Largest header read (BITMAPV5HEADER).
constexpr int kMaxBitmapHeaderSize = 124;

// A bitmap header as read, in one form for core and info headers.
struct DIBLayout {
    uint32_t headerSize = 0; // 12 for a core header, 40 and up for info headers
    int32_t width = 0;
    int32_t height = 0;   // |rows|
    bool topDown = false; // a negative stored height
    int bitCount = 0;
    uint32_t compression = BI_RGB;
    uint32_t colorsUsed = 0;          // biClrUsed as stored
    int colorCount = 0;               // table entries stored after the header (0 for direct colour)
    int colorEntrySize = 4;           // 3 for core headers (RGBTRIPLE)
    int maskBytes = 0;                // bit-field masks stored after the header
    uint32_t masks[4] = {0, 0, 0, 0}; // red, green, blue, alpha
    int64_t stride = 0;
    int64_t imageSize = 0; // stride * rows
    // Bytes from the header's start to the end of masks and colour table.
    int64_t InfoSize() const {
        return int64_t(headerSize) + maskBytes + int64_t(colorCount) * colorEntrySize;
    }
    // What decoding needs of it: direct-colour rows ignore an optional table.
    int64_t RequiredInfoSize() const {
        return int64_t(headerSize) + maskBytes + (bitCount <= 8 ? int64_t(colorCount) * colorEntrySize : 0);
    }
};

// Reads and checks a header (and for headers of 40 bytes and more, masks that live in it) from
// `size` bytes at `data`; masks and colour table after the header are not read here. Raises
// EInvalidGraphic for sizes, bit counts, compressions or dimensions that are not supported.
DIBLayout ParseDIBHeader(const uint8_t* data, int64_t size);

// Turns a header block (header, masks, colour table: `info`, `infoSize` bytes) and pixel rows
// (`bits`, `bitsSize` bytes) into a buffer of 1, 4, 8, 24 or 32 bits; 16-bit rows become 24-bit.
// Raises EInvalidGraphic when the rows are shorter than the header claims.
PixelBuffer DecodeDIB(const uint8_t* info, int64_t infoSize, const uint8_t* bits, int64_t bitsSize);

// A complete bitmap file: file header, 40-byte header, colour table, rows bottom-up.
QByteArray EncodeBitmapFile(const PixelBuffer& pixels);
// The 40-byte header, colour table and rows (a packed DIB, as the clipboard carries it).
QByteArray EncodePackedDIB(const PixelBuffer& pixels);

// Reads a bitmap file at the stream's position (the framework's reader): the pixel rows are
// taken from the file's pixel offset when it is valid, else right after the colour table. The
// stream is left after the rows.
PixelBuffer ReadBitmapFile(TStream& stream);
