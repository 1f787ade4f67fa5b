#include "imaging/UPCDAccess.h"

#include "imaging/UPaletteUtil.h"
#include "platform/Bitmap.h"
#include "platform/Dib.h"
#include "platform/Picture.h"
#include "platform/Stream.h"

#include <QByteArray>
#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

constexpr int64_t kSignatureOffset = 0x800;
constexpr char kImagePackSignature[] = "PCD_IPI";
constexpr char kOverviewSignature[] = "PCD_OPA";
constexpr int64_t kSignatureSize = 7;
constexpr int64_t kRotationOffset = 0xE02;
constexpr uint8_t kRotationBits = 0x03;

struct PackPlace {
    int64_t offset;
    int width;
    int height;
};
// Index = resolution; 0 (Base/64) is never stored uncompressed.
constexpr std::array<PackPlace, 4> kPacks = {{{0, 0, 0}, {0x2000, 192, 128}, {0xB800, 384, 256}, {0x30000, 768, 512}}};

int64_t PackSize(int resolution) {
    return int64_t(kPacks[resolution].width) * kPacks[resolution].height * 3 / 2;
}

bool IsStoredResolution(int resolution) {
    return resolution >= kPCDBase16 && resolution <= kPCDBase;
}

bool IsKnownFormat(int format) {
    return format == kPCDFormatGray || format == kPCDFormatRGB || format == kPCDFormatHalftone;
}

// PhotoYCC to 8-bit RGB: the published matrix, whose range reaches 346 for full luma, scaled by
// 255/346. Tables hold each term in 16.16 fixed point so a pixel is four lookups and three adds.
constexpr double kYccScale = 255.0 / 346.0;
constexpr int kFixedShift = 16;
constexpr int kFixedHalf = 1 << (kFixedShift - 1);

struct YccTables {
    int32_t luma[256];
    int32_t redC2[256];
    int32_t greenC1[256];
    int32_t greenC2[256];
    int32_t blueC1[256];
    YccTables() {
        const double one = double(1 << kFixedShift) * kYccScale;
        for (int i = 0; i < 256; ++i) {
            const double c1 = i - 156.0;
            const double c2 = i - 137.0;
            luma[i] = int32_t(1.3584 * i * one);
            redC2[i] = int32_t(1.8215 * c2 * one);
            greenC1[i] = int32_t(-0.4302726 * c1 * one);
            greenC2[i] = int32_t(-0.9271435 * c2 * one);
            blueC1[i] = int32_t(2.2179 * c1 * one);
        }
    }
};

const YccTables& Tables() {
    static const YccTables tables;
    return tables;
}

uint8_t ClampFixed(int32_t v) {
    return uint8_t(std::clamp((v + kFixedHalf) >> kFixedShift, 0, 255));
}

// A half-width, half-height chroma plane brought to full size: samples sit on even pixels, odd
// pixels average their neighbours (rounded), and the last row and column repeat.
std::vector<uint8_t> UpsampleChroma(const std::vector<uint8_t>& half, int w, int h) {
    const int hw = w / 2;
    const int hh = h / 2;
    std::vector<uint8_t> full(size_t(w) * h);
    for (int y = 0; y < h; ++y) {
        const int y0 = y / 2;
        const int y1 = (y & 1) && y0 + 1 < hh ? y0 + 1 : y0;
        const uint8_t* a = &half[size_t(y0) * hw];
        const uint8_t* b = &half[size_t(y1) * hw];
        uint8_t* out = &full[size_t(y) * w];
        for (int x = 0; x < w; ++x) {
            const int x0 = x / 2;
            const int x1 = (x & 1) && x0 + 1 < hw ? x0 + 1 : x0;
            if (x0 == x1 && y0 == y1)
                out[x] = a[x0];
            else if (y0 == y1)
                out[x] = uint8_t((a[x0] + a[x1] + 1) >> 1);
            else if (x0 == x1)
                out[x] = uint8_t((a[x0] + b[x0] + 1) >> 1);
            else
                out[x] = uint8_t((a[x0] + a[x1] + b[x0] + b[x1] + 2) >> 2);
        }
    }
    return full;
}

// Index into the halftone palette's leading 6 x 6 x 6 cube.
uint8_t HalftoneIndex(uint8_t r, uint8_t g, uint8_t b) {
    const auto step = [](uint8_t v) { return (v + 25) / 51; };
    return uint8_t(step(r) * 36 + step(g) * 6 + step(b));
}

std::vector<TRGBQuad> HalftoneTable() {
    std::vector<TRGBQuad> table(256, 0);
    std::vector<TRGBQuad> made(256);
    const int count = CopyPaletteToColorTable(CreateHalftonePalette(), made.data());
    std::copy_n(made.begin(), count, table.begin());
    return table;
}

const QString kResolutionGetError = QStringLiteral("cannot get Resolution from PCD(%1)");
const QString kResolutionSetError = QStringLiteral("cannot set Resolution from PCD(%1)");
const QString kResolutionSupportError = QStringLiteral("cannot support specified Resolution(%1)");
const QString kFormatGetError = QStringLiteral("cannot get Format from PCD(%1)");
const QString kFormatSetError = QStringLiteral("cannot set Format from PCD(%1)");
const QString kTransformGetError = QStringLiteral("cannot get Transform from PCD(%1)");
const QString kTransformSetError = QStringLiteral("cannot set Transform to PCD(%1)");

} // namespace

int PCDImageWidth(int resolution) {
    return IsStoredResolution(resolution) ? kPacks[resolution].width : 0;
}

int PCDImageHeight(int resolution) {
    return IsStoredResolution(resolution) ? kPacks[resolution].height : 0;
}

int16_t ParsePCDHeader(const uint8_t* header, int64_t headerSize, int64_t fileSize, TPCDHeader& out) {
    out = TPCDHeader();
    if (headerSize >= kSignatureSize && std::memcmp(header, kOverviewSignature, kSignatureSize) == 0)
        return kPCDOverview;
    if (headerSize <= kSignatureOffset || headerSize - kSignatureOffset < kSignatureSize ||
        std::memcmp(header + kSignatureOffset, kImagePackSignature, kSignatureSize) != 0)
        return kPCDNotPhotoCD;
    if (headerSize <= kRotationOffset)
        return kPCDNoImage;
    for (int r = kPCDBase16; r <= kPCDBase; ++r)
        if (fileSize >= kPacks[r].offset && PackSize(r) <= fileSize - kPacks[r].offset)
            out.resolutionMask |= 1u << r;
    if (out.resolutionMask == 0)
        return kPCDNoImage;
    // The stored turn that makes the picture upright.
    static constexpr int kRotationTransforms[4] = {0, kPCDTurnLeft, kPCDFlipVertical | kPCDFlipHorizontal,
                                                   kPCDTurnLeft | kPCDFlipVertical | kPCDFlipHorizontal};
    out.transform = kRotationTransforms[header[kRotationOffset] & kRotationBits];
    return kPCDOk;
}

PixelBuffer DecodePCDImage(const uint8_t* pack, int64_t packSize, int resolution, int format, int transform) {
    if (!IsStoredResolution(resolution) || !IsKnownFormat(format) || transform < 0 || transform > 7 ||
        packSize < PackSize(resolution))
        return PixelBuffer();
    const int w = kPacks[resolution].width;
    const int h = kPacks[resolution].height;
    const int hw = w / 2;
    // Split the interleaved rows: per row pair Y, Y, C1 (half), C2 (half).
    std::vector<uint8_t> luma(size_t(w) * h);
    std::vector<uint8_t> c1(size_t(hw) * (h / 2));
    std::vector<uint8_t> c2(size_t(hw) * (h / 2));
    const uint8_t* p = pack;
    for (int pair = 0; pair < h / 2; ++pair) {
        std::memcpy(&luma[size_t(pair) * 2 * w], p, size_t(w) * 2);
        p += 2 * w;
        std::memcpy(&c1[size_t(pair) * hw], p, hw);
        p += hw;
        std::memcpy(&c2[size_t(pair) * hw], p, hw);
        p += hw;
    }
    const bool turn = transform & kPCDTurnLeft;
    const int outW = turn ? h : w;
    const int outH = turn ? w : h;
    const bool flipV = transform & kPCDFlipVertical;
    const bool flipH = transform & kPCDFlipHorizontal;
    const int bytesPerPixel = format == kPCDFormatRGB ? 3 : 1;
    PixelBuffer result(outW, outH, bytesPerPixel * 8);
    if (format == kPCDFormatHalftone)
        result.SetColorTable(HalftoneTable());
    // Where source pixel (x, y) lands: turning left sends it to (y, w - 1 - x).
    const auto place = [&](int x, int y) -> uint8_t* {
        int dx = turn ? y : x;
        int dy = turn ? w - 1 - x : y;
        if (flipV)
            dy = outH - 1 - dy;
        if (flipH)
            dx = outW - 1 - dx;
        return result.ScanLine(dy) + size_t(dx) * bytesPerPixel;
    };
    const YccTables& t = Tables();
    if (format == kPCDFormatGray) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                *place(x, y) = ClampFixed(t.luma[luma[size_t(y) * w + x]]);
        return result;
    }
    const std::vector<uint8_t> fullC1 = UpsampleChroma(c1, w, h);
    const std::vector<uint8_t> fullC2 = UpsampleChroma(c2, w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const size_t i = size_t(y) * w + x;
            const int32_t l = t.luma[luma[i]];
            const uint8_t r = ClampFixed(l + t.redC2[fullC2[i]]);
            const uint8_t g = ClampFixed(l + t.greenC1[fullC1[i]] + t.greenC2[fullC2[i]]);
            const uint8_t b = ClampFixed(l + t.blueC1[fullC1[i]]);
            uint8_t* out = place(x, y);
            if (format == kPCDFormatRGB) {
                out[0] = b;
                out[1] = g;
                out[2] = r;
            } else {
                *out = HalftoneIndex(r, g, b);
            }
        }
    }
    return result;
}

// ---- TPCDAccess

TPCDAccess::TPCDAccess() = default;

TPCDAccess::~TPCDAccess() {
    Close();
}

int16_t TPCDAccess::Result(int16_t code) {
    lastError_ = code;
    return code;
}

bool TPCDAccess::Open(const QString& fileName) {
    std::unique_ptr<TStream> stream;
    try {
        stream = std::make_unique<TFileStream>(fileName, fmOpenRead | fmShareDenyWrite);
    } catch (const Exception&) {
        Close();
        Result(kPCDCannotOpen);
        return false;
    }
    return OpenStream(std::move(stream));
}

bool TPCDAccess::OpenStream(std::unique_ptr<TStream> stream) {
    if (!Close())
        return false;
    if (!stream) {
        Result(kPCDCannotOpen);
        return false;
    }
    TPCDHeader header;
    try {
        stream->SetPosition(0);
        const int64_t size = stream->GetSize();
        const QByteArray head = stream->ReadBytes(std::min(size, kPCDHeaderBytes));
        if (Result(ParsePCDHeader(reinterpret_cast<const uint8_t*>(head.constData()), head.size(), size, header)) !=
            kPCDOk)
            return false;
    } catch (const Exception&) {
        Result(kPCDCannotOpen);
        return false;
    }
    stream_ = std::move(stream);
    resolutionMask_ = header.resolutionMask;
    resolution_ = kPCDNoResolution;
    for (int i = 0; i <= 8; ++i) {
        if (HasResolution(i)) {
            resolution_ = i;
            break;
        }
    }
    // Every screen here has more than 8 bits a pixel.
    format_ = kPCDFormatRGB;
    transform_ = header.transform;
    return true;
}

bool TPCDAccess::Close() {
    stream_.reset();
    resolutionMask_ = 0;
    Result(kPCDOk);
    return true;
}

bool TPCDAccess::HasResolution(int index) const {
    return index >= 0 && index < 32 && (resolutionMask_ >> index) & 1u;
}

int TPCDAccess::Resolution() {
    if (Result(IsOpen() ? kPCDOk : kPCDNotOpen) != kPCDOk)
        throw EPCDError(kResolutionGetError.arg(lastError_));
    return resolution_;
}

void TPCDAccess::SetResolution(int index) {
    if (!HasResolution(index))
        throw EPCDError(kResolutionSupportError.arg(index));
    if (Result(IsOpen() ? kPCDOk : kPCDNotOpen) != kPCDOk)
        throw EPCDError(kResolutionSetError.arg(lastError_));
    resolution_ = index;
}

int TPCDAccess::Format() {
    if (Result(IsOpen() ? kPCDOk : kPCDNotOpen) != kPCDOk)
        throw EPCDError(kFormatGetError.arg(lastError_));
    return format_;
}

void TPCDAccess::SetFormat(int format) {
    if (Result(!IsOpen() ? kPCDNotOpen : IsKnownFormat(format) ? kPCDOk : kPCDBadArgument) != kPCDOk)
        throw EPCDError(kFormatSetError.arg(lastError_));
    format_ = format;
}

int TPCDAccess::Transform() {
    if (Result(IsOpen() ? kPCDOk : kPCDNotOpen) != kPCDOk)
        throw EPCDError(kTransformGetError.arg(lastError_));
    return transform_;
}

void TPCDAccess::SetTransform(int transform) {
    const bool known = transform >= 0 && transform <= 7;
    if (Result(!IsOpen() ? kPCDNotOpen : known ? kPCDOk : kPCDBadArgument) != kPCDOk)
        throw EPCDError(kTransformSetError.arg(lastError_));
    transform_ = transform;
}

PixelBuffer TPCDAccess::LoadPixels() {
    if (!IsOpen()) {
        Result(kPCDNotOpen);
        return PixelBuffer();
    }
    if (!IsStoredResolution(resolution_)) {
        Result(kPCDBadArgument);
        return PixelBuffer();
    }
    QByteArray pack;
    try {
        stream_->SetPosition(kPacks[resolution_].offset);
        pack = stream_->ReadBytes(PackSize(resolution_));
    } catch (const Exception&) {
        Result(kPCDReadError);
        return PixelBuffer();
    }
    // The file may have shrunk since it was opened.
    if (pack.size() < PackSize(resolution_)) {
        Result(kPCDReadError);
        return PixelBuffer();
    }
    PixelBuffer pixels = DecodePCDImage(reinterpret_cast<const uint8_t*>(pack.constData()), pack.size(), resolution_,
                                        format_, transform_);
    Result(pixels.IsNull() ? kPCDBadArgument : kPCDOk);
    return pixels;
}

bool TPCDAccess::SaveToStream(TStream& stream) {
    const PixelBuffer pixels = LoadPixels();
    if (pixels.IsNull())
        return false;
    stream.WriteBytes(EncodeBitmapFile(pixels));
    return true;
}

bool TPCDAccess::LoadBitmap(TBitmap& bitmap) {
    const PixelBuffer pixels = LoadPixels();
    if (pixels.IsNull())
        return false;
    bitmap.SetPixels(pixels);
    return true;
}

QString PCDOpenErrorMessage(const QString& fileName) {
    return QStringLiteral("%1をオープンできません").arg(fileName);
}

void LoadPCDFile(const QString& fileName, int resolution, TBitmap& bitmap) {
    TPCDAccess pcd;
    if (!pcd.Open(fileName))
        throw EPCDError(PCDOpenErrorMessage(fileName));
    if (pcd.HasResolution(resolution))
        pcd.SetResolution(resolution);
    if (!pcd.LoadBitmap(bitmap))
        throw EPCDError(PCDOpenErrorMessage(fileName));
}

// ---- TPCDBitmap

void TPCDBitmap::LoadFromStream(TStream& stream) {
    const auto* file = dynamic_cast<const TFileStream*>(&stream);
    const QString name = file ? file->FileName() : QStringLiteral("PCD");
    TPCDAccess access;
    if (!access.OpenStream(std::make_unique<TSubStream>(stream, 0, stream.GetSize())) || !access.LoadBitmap(*this))
        throw EPCDError(PCDOpenErrorMessage(name));
}

void TPCDBitmap::ReadData(TStream& stream) {
    // Stored as the bitmap it was decoded into.
    const QByteArray block = ReadGraphicBlock(stream);
    if (block.isEmpty()) {
        Clear();
        return;
    }
    TMemoryStream file(block);
    TSafetyBitmap::LoadFromStream(file);
}

void RegisterPCDBitmap() {
    static std::once_flag once;
    std::call_once(once, [] { TPicture::RegisterFileFormat<TPCDBitmap>(QStringLiteral("PCD"), QStringLiteral("PCD Bitmaps")); });
}
