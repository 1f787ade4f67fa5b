#include "platform/Icon.h"

#include "platform/ByteOrder.h"
#include "platform/Exception.h"
#include "platform/Picture.h"
#include "platform/Stream.h"

#include <algorithm>
#include <cstring>

namespace {

// Icons are small; a larger claim is damage, and the bound keeps every size computation small.
constexpr int64_t kMaxIconSide = 1024;
constexpr int kDirHeader = 6;
constexpr int kDirEntry = 16;

[[noreturn]] void InvalidIcon() {
    throw EInvalidGraphic(QStringLiteral("Icon image is not valid"));
}

bool IsPng(const uchar* p, int64_t n) {
    return n >= 8 && std::memcmp(p, "\x89PNG\r\n\x1a\n", 8) == 0;
}

QImage DecodePng(const uchar* p, int64_t n) {
    // Width and height from the IHDR chunk, checked before the decoder allocates anything.
    if (n < 24 || std::memcmp(p + 12, "IHDR", 4) != 0)
        InvalidIcon();
    const uint32_t w = qFromBigEndian<uint32_t>(p + 16);
    const uint32_t h = qFromBigEndian<uint32_t>(p + 20);
    if (w == 0 || h == 0 || w > kMaxIconSide || h > kMaxIconSide)
        InvalidIcon();
    QImage image = QImage::fromData(p, static_cast<int>(n), "PNG");
    if (image.isNull())
        InvalidIcon();
    return image.convertToFormat(QImage::Format_ARGB32);
}

// A device-independent bitmap of twice the icon's height: colour rows, then the AND mask rows,
// both bottom-up.
QImage DecodeDib(const uchar* p, int64_t n) {
    if (n < 40)
        InvalidIcon();
    const int64_t headerSize = GetLE32(p);
    const int64_t w = GetLEInt32(p + 4);
    const int64_t doubleHeight = GetLEInt32(p + 8);
    const int bpp = GetLE16(p + 14);
    const uint32_t compression = GetLE32(p + 16);
    const int64_t clrUsed = GetLE32(p + 32);
    if (headerSize < 40 || headerSize > n || w < 1 || w > kMaxIconSide || doubleHeight < 2 ||
        doubleHeight > 2 * kMaxIconSide || compression != 0)
        InvalidIcon();
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32)
        InvalidIcon();
    const int64_t h = doubleHeight / 2;
    const int64_t maxColors = bpp <= 8 ? (int64_t(1) << bpp) : 0;
    const int64_t colors = bpp <= 8 ? (clrUsed != 0 ? clrUsed : maxColors) : 0;
    if (colors > maxColors)
        InvalidIcon();
    const int64_t tableOffset = headerSize;
    const int64_t xorOffset = tableOffset + 4 * colors;
    const int64_t xorStride = (w * bpp + 31) / 32 * 4;
    const int64_t andStride = (w + 31) / 32 * 4;
    if (xorOffset > n || xorStride * h > n - xorOffset)
        InvalidIcon();
    const int64_t andOffset = xorOffset + xorStride * h;
    // Some 32-bit icons leave the mask out; their alpha channel is the mask.
    const bool hasMask = andStride * h <= n - andOffset;
    if (!hasMask && bpp != 32)
        InvalidIcon();

    bool useAlpha = false;
    if (bpp == 32) {
        for (int64_t y = 0; y < h && !useAlpha; ++y) {
            const uchar* row = p + xorOffset + y * xorStride;
            for (int64_t x = 0; x < w; ++x)
                if (row[4 * x + 3] != 0) {
                    useAlpha = true;
                    break;
                }
        }
    }

    QImage image(int(w), int(h), QImage::Format_ARGB32);
    for (int64_t r = 0; r < h; ++r) {
        const uchar* src = p + xorOffset + r * xorStride;
        const uchar* mask = hasMask ? p + andOffset + r * andStride : nullptr;
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(int(h - 1 - r)));
        for (int64_t x = 0; x < w; ++x) {
            QRgb c = 0;
            if (bpp <= 8) {
                const int perByte = 8 / bpp;
                const int shift = (perByte - 1 - int(x % perByte)) * bpp;
                const int64_t index = (src[x / perByte] >> shift) & ((1 << bpp) - 1);
                if (index < colors) {
                    const uchar* q = p + tableOffset + 4 * index;
                    c = qRgb(q[2], q[1], q[0]);
                } else {
                    c = qRgb(0, 0, 0);
                }
            } else {
                const uchar* q = src + x * (bpp / 8);
                c = qRgba(q[2], q[1], q[0], bpp == 32 && useAlpha ? q[3] : 255);
            }
            if (!useAlpha && mask && (mask[x / 8] & (0x80 >> (x % 8))))
                c = 0;
            out[x] = c;
        }
    }
    return image;
}

QImage DecodeIconFile(const QByteArray& data) {
    const auto* p = reinterpret_cast<const uchar*>(data.constData());
    const int64_t n = data.size();
    if (n < kDirHeader || GetLE16(p) != 0 || (GetLE16(p + 2) != 1 && GetLE16(p + 2) != 2))
        InvalidIcon();
    const int64_t count = GetLE16(p + 4);
    if (count == 0 || count * kDirEntry > n - kDirHeader)
        InvalidIcon();
    int64_t best = -1;
    int64_t bestArea = -1;
    int bestBits = -1;
    for (int64_t i = 0; i < count; ++i) {
        const uchar* e = p + kDirHeader + i * kDirEntry;
        const int64_t w = e[0] == 0 ? 256 : e[0];
        const int64_t h = e[1] == 0 ? 256 : e[1];
        const int bits = GetLE16(e + 6);
        const int64_t size = GetLE32(e + 8);
        const int64_t offset = GetLE32(e + 12);
        if (offset > n || size > n - offset || size == 0)
            InvalidIcon();
        if (w * h > bestArea || (w * h == bestArea && bits > bestBits)) {
            best = i;
            bestArea = w * h;
            bestBits = bits;
        }
    }
    const uchar* e = p + kDirHeader + best * kDirEntry;
    const uchar* image = p + GetLE32(e + 12);
    const int64_t size = GetLE32(e + 8);
    return IsPng(image, size) ? DecodePng(image, size) : DecodeDib(image, size);
}

} // namespace

TIcon::TIcon() = default;
TIcon::~TIcon() = default;

void TIcon::Assign(const TGraphic& source) {
    if (const auto* icon = dynamic_cast<const TIcon*>(&source)) {
        data_ = icon->data_;
        image_ = icon->image_;
        Changed();
        return;
    }
    TGraphic::Assign(source);
}

void TIcon::Draw(TCanvas& canvas, const TRect& rect) {
    StretchDrawImage(canvas, rect, image_);
}

void TIcon::SetData(const QByteArray& data) {
    QImage image = data.isEmpty() ? QImage() : DecodeIconFile(data);
    data_ = data;
    image_ = image;
    Changed();
}

void TIcon::LoadFromStream(TStream& stream) {
    const int64_t start = stream.GetPosition();
    uchar header[kDirHeader];
    if (stream.Read(header, kDirHeader) != kDirHeader)
        InvalidIcon();
    const int64_t count = GetLE16(header + 4);
    if (count * kDirEntry > stream.Remaining())
        InvalidIcon();
    const QByteArray entries = stream.ReadBytes(count * kDirEntry);
    // The file ends with the last of its images.
    int64_t end = kDirHeader + count * kDirEntry;
    for (int64_t i = 0; i < count; ++i) {
        const auto* e = reinterpret_cast<const uchar*>(entries.constData()) + i * kDirEntry;
        end = std::max(end, int64_t(GetLE32(e + 12)) + int64_t(GetLE32(e + 8)));
    }
    stream.SetPosition(start);
    if (end > stream.Remaining())
        InvalidIcon();
    SetData(stream.ReadBytes(end));
}

void TIcon::SaveToStream(TStream& stream) {
    stream.WriteBytes(data_);
}

void TIcon::ReadData(TStream& stream) {
    SetData(ReadGraphicBlock(stream));
}

void TIcon::WriteData(TStream& stream) {
    WriteGraphicBlock(stream, data_);
}

void TIcon::LoadFromIconImage(const QByteArray& image) {
    const auto* p = reinterpret_cast<const uchar*>(image.constData());
    int w = 0, h = 0, bits = 32;
    if (IsPng(p, image.size()) && image.size() >= 24) {
        w = qFromBigEndian<uint16_t>(p + 18);
        h = qFromBigEndian<uint16_t>(p + 22);
    } else if (image.size() >= 40) {
        w = GetLEInt32(p + 4);
        h = GetLEInt32(p + 8) / 2;
        bits = GetLE16(p + 14);
    }
    TMemoryStream file;
    file.WriteUInt16(0);
    file.WriteUInt16(1);
    file.WriteUInt16(1);
    file.WriteByte(uint8_t(w >= 256 ? 0 : std::max(w, 0)));
    file.WriteByte(uint8_t(h >= 256 ? 0 : std::max(h, 0)));
    file.WriteByte(0);
    file.WriteByte(0);
    file.WriteUInt16(1);
    file.WriteUInt16(uint16_t(bits));
    file.WriteUInt32(uint32_t(image.size()));
    file.WriteUInt32(kDirHeader + kDirEntry);
    file.WriteBytes(image);
    SetData(file.Data());
}
