#include "imaging/UDIB.h"

#include "imaging/UZLIB.h"
#include "platform/ByteOrder.h"
#include "platform/Canvas.h"
#include "platform/Dib.h"
#include "platform/Exception.h"
#include "platform/Stream.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace {

bool IsCoreHeader(const uint8_t* info) {
    return GetLE32(info) == kBitmapCoreHeaderSize;
}

// Bit count times planes, as every quantity uses it.
int64_t HeaderBitCount(const uint8_t* info) {
    if (IsCoreHeader(info))
        return int64_t(GetLE16(info + 10)) * GetLE16(info + 8);
    return int64_t(GetLE16(info + 14)) * GetLE16(info + 12);
}

// Where a file's parts lie, measured before anything is copied.
struct FileLayout {
    int64_t infoSize = 0;
    int64_t pixelOffset = 0;
    int64_t imageSize = 0;
    int64_t FileSize() const { return pixelOffset + imageSize; }
};

// `ensure(n)` answers the file's first n bytes or raises the invalid-bitmap error; `available`
// is how many bytes the file may have at most.
FileLayout MeasureFile(const std::function<const uint8_t*(int64_t)>& ensure, int64_t available) {
    const uint8_t* p = ensure(2);
    CheckBitmapSignature(p, 2);
    p = ensure(kBitmapFileHeaderSize + 4);
    const uint32_t headerSize = GetLE32(p + kBitmapFileHeaderSize);
    if (headerSize != kBitmapCoreHeaderSize &&
        (headerSize < kBitmapInfoHeaderSize || headerSize > kMaxBitmapHeaderSize))
        RaiseInvalidBitmap();
    p = ensure(kBitmapFileHeaderSize + int64_t(headerSize));
    const DIBLayout layout = ParseDIBHeader(p + kBitmapFileHeaderSize, headerSize);
    FileLayout file;
    file.infoSize = DIBInfoSize(p + kBitmapFileHeaderSize);
    if (file.infoSize < layout.RequiredInfoSize())
        RaiseInvalidBitmap();
    if (file.infoSize > available - kBitmapFileHeaderSize)
        RaiseInvalidBitmap();
    p = ensure(kBitmapFileHeaderSize + file.infoSize);
    file.imageSize = DIBImageSize(p + kBitmapFileHeaderSize);
    // The rows must at least hold what the dimensions need.
    if (file.imageSize < layout.imageSize || file.imageSize > PixelBuffer::kMaxBytes)
        RaiseInvalidBitmap();
    // The file's own pixel offset wins when it points past the header and its masks and the rows
    // fit behind it; otherwise the rows follow the colour table directly.
    const int64_t offBits = GetLE32(p + 10);
    const int64_t minimumOffset = kBitmapFileHeaderSize + int64_t(headerSize) + layout.maskBytes;
    file.pixelOffset = kBitmapFileHeaderSize + file.infoSize;
    if (offBits >= minimumOffset && offBits <= available && file.imageSize <= available - offBits)
        file.pixelOffset = offBits;
    if (file.imageSize > available - file.pixelOffset)
        RaiseInvalidBitmap();
    ensure(file.FileSize());
    return file;
}

} // namespace

int DIBColorCount(int bitCount) {
    switch (bitCount) {
    case 1:
        return 2;
    case 4:
        return 16;
    case 8:
        return 256;
    default:
        return 0;
    }
}

int64_t DIBNumColors(const uint8_t* info) {
    const int64_t bits = HeaderBitCount(info);
    const int colors = bits <= 8 ? DIBColorCount(int(bits)) : 0;
    if (IsCoreHeader(info))
        return colors;
    const uint32_t used = GetLE32(info + 32);
    return used != 0 ? int64_t(used) : colors;
}

int64_t DIBInfoSize(const uint8_t* info) {
    if (IsCoreHeader(info))
        return kBitmapCoreHeaderSize + 3 * DIBNumColors(info);
    const int64_t headerSize = GetLE32(info);
    const uint32_t compression = GetLE32(info + 16);
    // Masks follow a 40-byte header; larger headers carry them inside.
    if (headerSize == kBitmapInfoHeaderSize && compression == BI_BITFIELDS)
        return headerSize + 12;
    if (headerSize == kBitmapInfoHeaderSize && compression == BI_ALPHABITFIELDS)
        return headerSize + 16;
    return headerSize + 4 * DIBNumColors(info);
}

int64_t DIBImageSize(const uint8_t* info) {
    int64_t width;
    int64_t height;
    if (IsCoreHeader(info)) {
        width = GetLE16(info + 4);
        height = GetLE16(info + 6);
    } else {
        if (GetLE32(info) == kBitmapInfoHeaderSize && GetLE32(info + 16) != BI_RGB && GetLE32(info + 20) != 0)
            return GetLE32(info + 20);
        width = int32_t(GetLE32(info + 4));
        height = std::abs(int64_t(int32_t(GetLE32(info + 8))));
    }
    return PixelBuffer::StrideFor(width, int(std::min<int64_t>(HeaderBitCount(info), 64))) * height;
}

int64_t DIBFileHeaderAndInfoSize(const uint8_t* info) {
    return DIBInfoSize(info) + kBitmapFileHeaderSize;
}

void CheckBitmapSignature(const uint8_t* data, int64_t size) {
    if (size < 2 || data[0] != 'B' || data[1] != 'M')
        RaiseInvalidBitmap();
}

// --- header block ---

TBMPInfo::TBMPInfo() {
    SetSize(kBitmapInfoHeaderSize);
    PutLE32(Data(), kBitmapInfoHeaderSize);
    PutLE16(Data() + 12, 1);
    PutLE16(Data() + 14, 24);
}

void TBMPInfo::SetSize(int64_t size) {
    block_ = QByteArray(qsizetype(std::max<int64_t>(size, 0)), '\0');
}

void TBMPInfo::Assign(const TBMPInfo& source) {
    block_ = source.block_;
}

void TBMPInfo::AssignHeader(const uint8_t* info, int64_t available) {
    if (available < 4)
        RaiseInvalidBitmap();
    const int64_t infoSize = DIBInfoSize(info);
    if (infoSize > available || infoSize < kBitmapCoreHeaderSize)
        RaiseInvalidBitmap();
    if (!IsCoreHeader(info)) {
        block_ = QByteArray(reinterpret_cast<const char*>(info), qsizetype(infoSize));
        return;
    }
    const int64_t colors = DIBNumColors(info);
    SetSize(kBitmapInfoHeaderSize + 4 * colors);
    uint8_t* out = Data();
    PutLE32(out, kBitmapInfoHeaderSize);
    PutLE32(out + 4, GetLE16(info + 4));
    PutLE32(out + 8, GetLE16(info + 6));
    PutLE16(out + 12, GetLE16(info + 8));
    PutLE16(out + 14, GetLE16(info + 10));
    for (int64_t i = 0; i < colors; ++i) {
        const uint8_t* triple = info + kBitmapCoreHeaderSize + 3 * i;
        uint8_t* quad = out + kBitmapInfoHeaderSize + 4 * i;
        quad[0] = triple[0];
        quad[1] = triple[1];
        quad[2] = triple[2];
        quad[3] = 0;
    }
}

uint8_t* TBMPInfo::ColorTable() {
    return Data() + HeaderSize();
}

uint32_t TBMPInfo::HeaderSize() const {
    return GetLE32(Data());
}
int32_t TBMPInfo::Width() const {
    return int32_t(GetLE32(Data() + 4));
}
int32_t TBMPInfo::Height() const {
    return int32_t(GetLE32(Data() + 8));
}
int TBMPInfo::BitCount() const {
    return GetLE16(Data() + 14);
}
uint32_t TBMPInfo::Compression() const {
    return GetLE32(Data() + 16);
}

// --- pixel holder ---

bool TBitsHolder::GetInterface(const TGUID& iid, void** obj) {
    return Offer<IBitsHolder>(this, iid, obj) || TAutoFreeInterface::GetInterface(iid, obj);
}

void TBitsHolder::SetBits(const QByteArray& rows) {
    rows_ = rows;
    pixels_ = PixelBuffer();
    decoded_ = false;
}

void TBitsHolder::SetPixels(const PixelBuffer& pixels) {
    rows_.clear();
    pixels_ = pixels;
    decoded_ = true;
}

const uint8_t* TBitsHolder::GetBits() {
    if (decoded_ && rows_.isEmpty())
        return pixels_.ConstBits();
    return reinterpret_cast<const uint8_t*>(rows_.constData());
}

int64_t TBitsHolder::GetSize() {
    return (decoded_ && rows_.isEmpty()) ? pixels_.ByteCount() : rows_.size();
}

PixelBuffer TBitsHolder::GetPixels(const TBMPInfo& info) {
    if (!decoded_) {
        pixels_ = DecodeDIB(info.Data(), info.Size(), reinterpret_cast<const uint8_t*>(rows_.constData()),
                            rows_.size());
        decoded_ = true;
    }
    return pixels_;
}

// --- TDIB ---

TDIB::TDIB() : info_(std::make_unique<TBMPInfo>()) {}

TDIB::~TDIB() = default;

int TDIB::Width() const {
    return info_->Width();
}

int TDIB::Height() const {
    return std::abs(info_->Height());
}

void TDIB::Assign(const TDIB& source) {
    if (&source == this)
        return;
    info_->Assign(*source.info_);
    holder_ = source.holder_;
    kept_.reset();
    if (source.kept_) {
        kept_ = std::make_unique<TBitmap>();
        kept_->Assign(*source.kept_);
    }
}

void TDIB::LoadFromBitmap(const TBitmap& bitmap) {
    kept_.reset();
    const PixelBuffer& pixels = bitmap.Pixels();
    const auto& table = pixels.ColorTable();
    const int colors = bitmap.BitCount() <= 8 ? int(table.size()) : 0;
    info_->SetSize(kBitmapInfoHeaderSize + 4 * colors);
    uint8_t* header = info_->Data();
    PutLE32(header, kBitmapInfoHeaderSize);
    PutLE32(header + 4, uint32_t(bitmap.Width()));
    // Our rows run top-down.
    PutLE32(header + 8, uint32_t(-bitmap.Height()));
    PutLE16(header + 12, 1);
    PutLE16(header + 14, uint16_t(bitmap.BitCount()));
    PutLE32(header + 20, uint32_t(pixels.ByteCount()));
    PutLE32(header + 32, uint32_t(colors));
    PutLE32(header + 36, uint32_t(colors));
    for (int i = 0; i < colors; ++i)
        PutLE32(header + kBitmapInfoHeaderSize + 4 * i, table[size_t(i)] & 0xFFFFFF);
    auto* holder = new TBitsHolder;
    holder_ = TIntf<IBitsHolder>(holder);
    holder->SetPixels(pixels);
    kept_ = std::make_unique<TBitmap>();
    kept_->Assign(bitmap);
}

void TDIB::LoadFromStream(TStream& stream) {
    const int64_t start = stream.GetPosition();
    QByteArray owned;
    int32_t packedSize = 0;
    FileLayout layout;
    const uint8_t* file = nullptr;
    auto* memory = dynamic_cast<TMemoryStream*>(&stream);
    if (ReadZLIBHeader(stream, packedSize)) {
        // The whole inflated block is the file.
        owned = ZLIBDecompressToBytes(stream, packedSize);
        file = reinterpret_cast<const uint8_t*>(owned.constData());
        const int64_t size = owned.size();
        layout = MeasureFile(
            [&](int64_t need) {
                if (need > size)
                    RaiseInvalidBitmap();
                return file;
            },
            size);
    } else if (memory) {
        // In place: nothing is copied but the rows the holder keeps.
        const int64_t size = std::max<int64_t>(0, memory->GetSize() - start);
        file = reinterpret_cast<const uint8_t*>(memory->Memory()) + (size > 0 ? start : 0);
        layout = MeasureFile(
            [&](int64_t need) {
                if (need > size)
                    RaiseInvalidBitmap();
                return file;
            },
            size);
        stream.SetPosition(start + layout.FileSize());
    } else {
        // Any other stream is copied as far as the file goes: first up to 54 bytes, then what
        // the header says, never more than the stream has.
        const int64_t remaining = std::max<int64_t>(0, stream.GetSize() - start);
        auto ensure = [&](int64_t need) {
            if (need > remaining)
                RaiseInvalidBitmap();
            if (need > owned.size()) {
                const int64_t want = std::max(need, std::min<int64_t>(54, remaining)) - owned.size();
                const qsizetype old = owned.size();
                owned.resize(qsizetype(old + want));
                if (stream.Read(owned.data() + old, want) != want)
                    RaiseInvalidBitmap();
            }
            return reinterpret_cast<const uint8_t*>(owned.constData());
        };
        layout = MeasureFile(ensure, remaining);
        file = reinterpret_cast<const uint8_t*>(owned.constData());
        // A tiny file may have been over-read by the first 54-byte copy.
        if (owned.size() > layout.FileSize())
            stream.SetPosition(start + layout.FileSize());
    }
    auto info = std::make_unique<TBMPInfo>();
    info->AssignHeader(file + kBitmapFileHeaderSize, layout.infoSize);
    auto* holder = new TBitsHolder;
    TIntf<IBitsHolder> ref(holder);
    holder->SetBits(
        QByteArray(reinterpret_cast<const char*>(file + layout.pixelOffset), qsizetype(layout.imageSize)));
    // Decode now, so that damaged rows fail the load rather than a later draw.
    ref->GetPixels(*info);
    // Only a complete load replaces what the block held.
    kept_.reset();
    info_ = std::move(info);
    holder_ = std::move(ref);
}

PixelBuffer TDIB::Pixels() const {
    if (!holder_)
        return PixelBuffer();
    return holder_->GetPixels(*info_);
}

void TDIB::Draw(TCanvas& canvas, const TRect& destRect, const TRect& srcRect) {
    DrawDirect(canvas, destRect, srcRect);
}

bool TDIB::DrawDirect(TCanvas& canvas, const TRect& destRect, const TRect& srcRect) {
    if (!holder_)
        return true;
    if ((destRect.Width() == 0 && destRect.Height() == 0 && srcRect.Width() == 0 && srcRect.Height() == 0) ||
        !canvas.RectVisible(destRect))
        return true;
    PixelBuffer pixels;
    try {
        pixels = Pixels();
    } catch (const EInvalidGraphic&) {
        return false;
    }
    canvas.SetStretchBltMode(COLORONCOLOR);
    canvas.StretchPixels(destRect, pixels, srcRect, canvas.CopyMode(), mcColorTable);
    return true;
}

void TDIB::SaveToBitmap(TBitmap& bitmap) const {
    if (kept_) {
        bitmap.Assign(*kept_);
        return;
    }
    bitmap.SetPixels(Pixels());
}
