#include "platform/Dib.h"

#include "platform/ByteOrder.h"
#include "platform/Exception.h"
#include "platform/Stream.h"

#include <cstring>

namespace {

// A channel mask turned into shift and width, so a field scales to 8 bits exactly.
struct Field {
    int shift = 0;
    int bits = 0;
    uint32_t mask = 0;
    explicit Field(uint32_t m) : mask(m) {
        if (m == 0)
            return;
        while (((m >> shift) & 1) == 0)
            ++shift;
        while (shift + bits < 32 && ((m >> (shift + bits)) & 1) != 0)
            ++bits;
    }
    uint8_t Extract(uint32_t pixel) const {
        if (bits == 0)
            return 0;
        const uint64_t v = (pixel & mask) >> shift;
        const uint64_t max = (uint64_t(1) << bits) - 1;
        return uint8_t((v * 255 + max / 2) / max);
    }
};

} // namespace

QString InvalidBitmapMessage() {
    return QStringLiteral("ビットマップイメージが不正です");
}

void RaiseInvalidBitmap() {
    throw EInvalidGraphic(InvalidBitmapMessage());
}

DIBLayout ParseDIBHeader(const uint8_t* data, int64_t size) {
    DIBLayout layout;
    if (size < 4)
        RaiseInvalidBitmap();
    layout.headerSize = GetLE32(data);
    int planes = 0;
    if (layout.headerSize == kBitmapCoreHeaderSize) {
        if (size < kBitmapCoreHeaderSize)
            RaiseInvalidBitmap();
        layout.width = GetLE16(data + 4);
        layout.height = GetLE16(data + 6);
        planes = GetLE16(data + 8);
        layout.bitCount = GetLE16(data + 10);
        layout.colorEntrySize = 3;
        layout.colorCount = layout.bitCount <= 8 ? (1 << layout.bitCount) : 0;
    } else {
        if (layout.headerSize < kBitmapInfoHeaderSize || layout.headerSize > kMaxBitmapHeaderSize ||
            size < int64_t(layout.headerSize))
            RaiseInvalidBitmap();
        layout.width = int32_t(GetLE32(data + 4));
        const int32_t height = int32_t(GetLE32(data + 8));
        // The most negative height has no positive counterpart.
        if (height == INT32_MIN)
            RaiseInvalidBitmap();
        layout.topDown = height < 0;
        layout.height = height < 0 ? -height : height;
        planes = GetLE16(data + 12);
        layout.bitCount = GetLE16(data + 14);
        layout.compression = GetLE32(data + 16);
        layout.colorsUsed = GetLE32(data + 32);
        if (layout.compression == BI_BITFIELDS || layout.compression == BI_ALPHABITFIELDS) {
            if (layout.bitCount != 16 && layout.bitCount != 32)
                RaiseInvalidBitmap();
            const int count = layout.compression == BI_ALPHABITFIELDS ? 4 : 3;
            if (layout.headerSize >= uint32_t(40 + 4 * count)) {
                for (int i = 0; i < count; ++i)
                    layout.masks[i] = GetLE32(data + 40 + 4 * i);
            } else {
                // Masks follow a 40-byte header; read by the caller that holds them.
                layout.maskBytes = 4 * count;
            }
        } else if (layout.compression != BI_RGB) {
            // Run-length, JPEG and PNG rows are not decoded here.
            RaiseInvalidBitmap();
        }
        if (layout.bitCount <= 8) {
            const uint32_t full = 1u << layout.bitCount;
            // A table may be shorter than the bit count allows, never longer.
            if (layout.colorsUsed > full)
                RaiseInvalidBitmap();
            layout.colorCount = int(layout.colorsUsed != 0 ? layout.colorsUsed : full);
        } else {
            // Direct-colour bitmaps may carry an optimisation table; it is skipped, but bounded.
            if (layout.colorsUsed > 256)
                RaiseInvalidBitmap();
            layout.colorCount = int(layout.colorsUsed);
        }
    }
    if (planes != 1)
        RaiseInvalidBitmap();
    switch (layout.bitCount) {
    case 1:
    case 4:
    case 8:
    case 24:
        break;
    case 16:
    case 32:
        if (layout.headerSize == kBitmapCoreHeaderSize)
            RaiseInvalidBitmap();
        break;
    default:
        RaiseInvalidBitmap();
    }
    if (layout.width <= 0 || layout.height <= 0 || layout.width > PixelBuffer::kMaxDimension ||
        layout.height > PixelBuffer::kMaxDimension)
        RaiseInvalidBitmap();
    layout.stride = PixelBuffer::StrideFor(layout.width, layout.bitCount);
    layout.imageSize = layout.stride * layout.height;
    if (layout.imageSize > PixelBuffer::kMaxBytes)
        RaiseInvalidBitmap();
    return layout;
}

PixelBuffer DecodeDIB(const uint8_t* info, int64_t infoSize, const uint8_t* bits, int64_t bitsSize) {
    DIBLayout layout = ParseDIBHeader(info, infoSize);
    if (layout.RequiredInfoSize() > infoSize)
        RaiseInvalidBitmap();
    if (layout.maskBytes > 0) {
        for (int i = 0; i < layout.maskBytes / 4; ++i)
            layout.masks[i] = GetLE32(info + layout.headerSize + 4 * i);
    }
    if (bits == nullptr || bitsSize < layout.imageSize)
        RaiseInvalidBitmap();
    const bool fields = layout.compression == BI_BITFIELDS || layout.compression == BI_ALPHABITFIELDS;
    if (layout.bitCount == 16 && !fields) {
        layout.masks[0] = 0x7C00;
        layout.masks[1] = 0x03E0;
        layout.masks[2] = 0x001F;
    }
    const int outBits = layout.bitCount == 16 ? 24 : layout.bitCount;
    PixelBuffer pixels(layout.width, layout.height, outBits);
    if (layout.bitCount <= 8) {
        // Indices past a short table show the first colour rather than reading outside it.
        std::vector<TRGBQuad> table;
        const int64_t tableStart = int64_t(layout.headerSize) + layout.maskBytes;
        const int entries = std::min(layout.colorCount, 1 << layout.bitCount);
        for (int i = 0; i < entries; ++i) {
            const uint8_t* e = info + tableStart + int64_t(i) * layout.colorEntrySize;
            table.push_back((uint32_t(e[2]) << 16) | (uint32_t(e[1]) << 8) | e[0]);
        }
        while (table.size() < (size_t(1) << layout.bitCount))
            table.push_back(table.empty() ? 0 : table.front());
        pixels.SetColorTable(table);
    }
    const Field red(layout.masks[0]);
    const Field green(layout.masks[1]);
    const Field blue(layout.masks[2]);
    const bool plain32 = layout.bitCount == 32 && !fields;
    for (int y = 0; y < layout.height; ++y) {
        const int sourceRow = layout.topDown ? y : layout.height - 1 - y;
        const uint8_t* in = bits + int64_t(sourceRow) * layout.stride;
        uint8_t* out = pixels.ScanLine(y);
        if (layout.bitCount == 16) {
            for (int x = 0; x < layout.width; ++x, out += 3) {
                const uint32_t v = GetLE16(in + 2 * x);
                out[0] = blue.Extract(v);
                out[1] = green.Extract(v);
                out[2] = red.Extract(v);
            }
        } else if (layout.bitCount == 32 && !plain32) {
            for (int x = 0; x < layout.width; ++x, out += 4) {
                const uint32_t v = GetLE32(in + 4 * x);
                out[0] = blue.Extract(v);
                out[1] = green.Extract(v);
                out[2] = red.Extract(v);
                out[3] = 0;
            }
        } else {
            std::memcpy(out, in, size_t(pixels.Stride()));
        }
    }
    return pixels;
}

QByteArray EncodePackedDIB(const PixelBuffer& pixels) {
    QByteArray out;
    if (pixels.IsNull())
        return out;
    const int bitCount = pixels.BitCount();
    const auto& table = pixels.ColorTable();
    const uint32_t colors = bitCount <= 8 ? uint32_t(table.size()) : 0;
    const int64_t imageSize = int64_t(pixels.Stride()) * pixels.Height();
    out.reserve(qsizetype(kBitmapInfoHeaderSize + 4 * colors + imageSize));
    AppendLE32(out, kBitmapInfoHeaderSize);
    AppendLE32(out, uint32_t(pixels.Width()));
    AppendLE32(out, uint32_t(pixels.Height()));
    AppendLE16(out, 1);
    AppendLE16(out, uint16_t(bitCount));
    AppendLE32(out, BI_RGB);
    AppendLE32(out, uint32_t(imageSize));
    AppendLE32(out, 0);
    AppendLE32(out, 0);
    // A full table is stored as 0 ("as many as the bit count allows").
    AppendLE32(out, colors == (1u << (bitCount <= 8 ? bitCount : 0)) ? 0 : colors);
    AppendLE32(out, 0);
    for (uint32_t i = 0; i < colors; ++i)
        AppendLE32(out, table[i] & 0xFFFFFF);
    for (int y = pixels.Height() - 1; y >= 0; --y)
        out.append(reinterpret_cast<const char*>(pixels.ConstScanLine(y)), pixels.Stride());
    return out;
}

QByteArray EncodeBitmapFile(const PixelBuffer& pixels) {
    const QByteArray dib = EncodePackedDIB(pixels);
    if (dib.isEmpty())
        return dib;
    const uint32_t colors = pixels.BitCount() <= 8 ? uint32_t(pixels.ColorTable().size()) : 0;
    QByteArray out;
    out.reserve(kBitmapFileHeaderSize + dib.size());
    out.append("BM", 2);
    AppendLE32(out, uint32_t(kBitmapFileHeaderSize + dib.size()));
    AppendLE32(out, 0);
    AppendLE32(out, kBitmapFileHeaderSize + kBitmapInfoHeaderSize + 4 * colors);
    out.append(dib);
    return out;
}

PixelBuffer ReadBitmapFile(TStream& stream) {
    const int64_t start = stream.GetPosition();
    const int64_t available = stream.GetSize() - start;
    uint8_t fileHeader[kBitmapFileHeaderSize];
    if (available < kBitmapFileHeaderSize + 4 ||
        stream.Read(fileHeader, kBitmapFileHeaderSize) != kBitmapFileHeaderSize)
        RaiseInvalidBitmap();
    if (fileHeader[0] != 'B' || fileHeader[1] != 'M')
        RaiseInvalidBitmap();
    const uint32_t offBits = GetLE32(fileHeader + 10);
    uint8_t header[kMaxBitmapHeaderSize + 16] = {};
    stream.ReadBuffer(header, 4);
    const uint32_t headerSize = GetLE32(header);
    if (headerSize != kBitmapCoreHeaderSize &&
        (headerSize < kBitmapInfoHeaderSize || headerSize > kMaxBitmapHeaderSize))
        RaiseInvalidBitmap();
    if (int64_t(headerSize) > available - kBitmapFileHeaderSize)
        RaiseInvalidBitmap();
    stream.ReadBuffer(header + 4, headerSize - 4);
    const DIBLayout layout = ParseDIBHeader(header, headerSize);
    const int64_t infoSize = layout.InfoSize();
    if (infoSize > available - kBitmapFileHeaderSize)
        RaiseInvalidBitmap();
    QByteArray info(qsizetype(infoSize), Qt::Uninitialized);
    std::memcpy(info.data(), header, headerSize);
    stream.ReadBuffer(info.data() + headerSize, infoSize - headerSize);
    // The stored pixel offset wins when it points past the header and leaves room for the rows.
    int64_t pixelOffset = kBitmapFileHeaderSize + infoSize;
    const int64_t minimumOffset = kBitmapFileHeaderSize + int64_t(headerSize) + layout.maskBytes;
    if (offBits >= minimumOffset && int64_t(offBits) <= available && layout.imageSize <= available - offBits)
        pixelOffset = offBits;
    if (layout.imageSize > available - pixelOffset)
        RaiseInvalidBitmap();
    stream.SetPosition(start + pixelOffset);
    QByteArray bits(qsizetype(layout.imageSize), Qt::Uninitialized);
    stream.ReadBuffer(bits.data(), layout.imageSize);
    return DecodeDIB(reinterpret_cast<const uint8_t*>(info.constData()), infoSize,
                     reinterpret_cast<const uint8_t*>(bits.constData()), bits.size());
}
