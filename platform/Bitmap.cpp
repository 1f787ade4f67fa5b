#include "platform/Bitmap.h"

#include "platform/Canvas.h"
#include "platform/Dib.h"
#include "platform/Exception.h"
#include "platform/Stream.h"

#include <cstring>

// The canvas of a bitmap. 24- and 32-bit pixels and 8-bit grey ramps are painted in place
// through a view; other formats are painted on a 32-bit copy that is written back (to the
// nearest table colour) before anyone reads the pixels.
class TBitmapCanvas : public TCanvas {
public:
    explicit TBitmapCanvas(TBitmap& bitmap)
        : TCanvas(static_cast<QPaintDevice*>(nullptr), dkImage), bitmap_(bitmap) {
        OnChange = [this](TObject*) { bitmap_.Changed(); };
    }
    ~TBitmapCanvas() override { FreeHandle(); }

    QImage* TargetImage() override {
        ValidateDevice();
        if (image_.isNull())
            AcquireDevice();
        return image_.isNull() ? nullptr : &image_;
    }
    TSize DeviceSize() const override { return TSize(bitmap_.Width(), bitmap_.Height()); }

    bool InShadow() const { return shadow_; }

protected:
    QPaintDevice* AcquireDevice() override {
        if (image_.isNull()) {
            image_ = bitmap_.CanvasImage();
            memory_ = bitmap_.pixels_.MemoryId();
            shadow_ = image_.format() == QImage::Format_RGB32 && bitmap_.BitCount() != 32;
        }
        return image_.isNull() ? nullptr : &image_;
    }
    void ReleaseDevice() override {
        if (shadow_ && !image_.isNull())
            bitmap_.pixels_ = PixelBuffer::FromImageWithTable(image_, bitmap_.pixels_);
        image_ = QImage();
        memory_ = nullptr;
        shadow_ = false;
    }
    void ValidateDevice() override {
        // The bitmap's memory was replaced or is now shared: draw into its own copy instead.
        if (!image_.isNull() && !shadow_ &&
            (bitmap_.pixels_.MemoryId() != memory_ || bitmap_.pixels_.IsShared())) {
            if (HandleAllocated())
                FreeHandle();
            else
                ReleaseDevice();
        }
    }

private:
    TBitmap& bitmap_;
    QImage image_;
    const void* memory_ = nullptr;
    bool shadow_ = false;
};

namespace {

const std::vector<TRGBQuad> kBlackWhite{0x000000, 0xFFFFFF};

// One-bit pixels of the same colours whose 0 bits are black and 1 bits white (other colours go to
// the nearer of the two), as a monochrome device bitmap holds them.
PixelBuffer BlackAndWhite(const PixelBuffer& pixels) {
    if (pixels.BitCount() == 1 && pixels.ColorTable() == kBlackWhite)
        return pixels;
    if (pixels.Width() == 0 || pixels.Height() == 0) {
        PixelBuffer empty(pixels.Width(), pixels.Height(), 1);
        empty.SetColorTable(kBlackWhite);
        return empty;
    }
    return PixelBuffer::FromImage(pixels.ToImage(), 1);
}

} // namespace

int PixelFormatBitCount(TPixelFormat format) {
    switch (format) {
    case pf1bit:
        return 1;
    case pf4bit:
        return 4;
    case pf8bit:
        return 8;
    case pf32bit:
        return 32;
    default:
        return 24;
    }
}

TPixelFormat BitCountPixelFormat(int bitCount) {
    switch (bitCount) {
    case 1:
        return pf1bit;
    case 4:
        return pf4bit;
    case 8:
        return pf8bit;
    case 32:
        return pf32bit;
    default:
        return pf24bit;
    }
}

TBitmap::TBitmap() : pixels_(0, 0, 24) {}

TBitmap::TBitmap(int width, int height, TPixelFormat format) : pixels_(0, 0, 24) {
    format_ = BitCountPixelFormat(PixelFormatBitCount(format));
    SetSize(width, height);
}

TBitmap::~TBitmap() {
    canvas_.reset();
}

void TBitmap::ReleaseCanvas() const {
    if (canvas_)
        canvas_->FreeHandle();
}

const PixelBuffer& TBitmap::Pixels() const {
    if (canvas_ && canvas_->InShadow())
        ReleaseCanvas();
    return pixels_;
}

QImage TBitmap::CanvasImage() {
    if (Empty())
        return QImage();
    const int bits = pixels_.BitCount();
    if (bits == 24 || bits == 32 || (bits == 8 && pixels_.HasGrayTable()))
        return pixels_.View();
    return pixels_.ToImage();
}

void TBitmap::Changed() {
    TGraphic::Changed();
}

QImage TBitmap::ImageForPainting() {
    ReleaseCanvas();
    const QImage image = CanvasImage();
    return image.format() == QImage::Format_RGB32 && BitCount() != 32 ? QImage() : image;
}

TCanvas& TBitmap::Canvas() {
    if (!canvas_)
        canvas_ = std::make_unique<TBitmapCanvas>(*this);
    return *canvas_;
}

void TBitmap::Assign(const TGraphic& source) {
    if (&source == this)
        return;
    const auto* bitmap = dynamic_cast<const TBitmap*>(&source);
    if (!bitmap) {
        TGraphic::Assign(source);
        return;
    }
    ReleaseCanvas();
    pixels_ = bitmap->Pixels();
    width_ = bitmap->width_;
    height_ = bitmap->height_;
    format_ = bitmap->format_;
    deviceMonochrome_ = bitmap->deviceMonochrome_;
    transparentMode_ = bitmap->transparentMode_;
    transparentColor_ = bitmap->transparentColor_;
    // Transparent is the graphic's flag; set it without a second change report.
    if (Transparent() != bitmap->Transparent())
        TGraphic::SetTransparent(bitmap->Transparent());
    Changed();
}

void TBitmap::Draw(TCanvas& canvas, const TRect& rect) {
    if (Empty())
        return;
    const PixelBuffer& pixels = Pixels();
    const TRect source(0, 0, width_, height_);
    if (!Transparent()) {
        canvas.StretchPixels(rect, pixels, source, canvas.CopyMode(),
                             deviceMonochrome_ ? mcTextAndBackground : mcColorTable);
        return;
    }
    // Colour-keyed drawing: the key colour's pixels become fully transparent.
    const uint32_t key = ColorToRGBQuad(ColorToRGB(TransparentColor()));
    QImage image(width_, height_, QImage::Format_ARGB32);
    for (int y = 0; y < height_; ++y) {
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width_; ++x) {
            const uint32_t rgb = pixels.PixelRGB(x, y);
            out[x] = rgb == key ? 0 : (0xFF000000u | rgb);
        }
    }
    canvas.DrawImage(rect, image);
}

void TBitmap::SetSize(int width, int height) {
    if (width < 0)
        width = 0;
    if (height < 0)
        height = 0;
    if (width == width_ && height == height_)
        return;
    ReleaseCanvas();
    PixelBuffer resized(width, height, BitCount());
    if (BitCount() <= 8 && pixels_.BitCount() == BitCount() && !pixels_.ColorTable().empty())
        resized.SetColorTable(pixels_.ColorTable());
    // New pixels are white; then the part that stays is copied over.
    const int bits = BitCount();
    if (bits >= 24) {
        std::memset(resized.Bits(), 0xFF, size_t(resized.ByteCount()));
    } else {
        int white = 0;
        int best = -1;
        const auto& table = resized.ColorTable();
        for (int i = 0; i < int(table.size()); ++i) {
            const int sum = int((table[i] >> 16) & 0xFF) + int((table[i] >> 8) & 0xFF) + int(table[i] & 0xFF);
            if (sum > best) {
                best = sum;
                white = i;
            }
        }
        uint8_t fill = uint8_t(white);
        if (bits == 1)
            fill = white ? 0xFF : 0x00;
        else if (bits == 4)
            fill = uint8_t((white << 4) | white);
        std::memset(resized.Bits(), fill, size_t(resized.ByteCount()));
    }
    const int keepWidth = std::min(width, width_);
    const int keepHeight = std::min(height, height_);
    const int64_t keepBits = int64_t(keepWidth) * bits;
    for (int y = 0; y < keepHeight; ++y) {
        const uint8_t* in = pixels_.ConstScanLine(y);
        uint8_t* out = resized.ScanLine(y);
        std::memcpy(out, in, size_t(keepBits / 8));
        const int rest = int(keepBits % 8);
        if (rest != 0) {
            const uint8_t mask = uint8_t(0xFF << (8 - rest));
            out[keepBits / 8] = uint8_t((out[keepBits / 8] & ~mask) | (in[keepBits / 8] & mask));
        }
    }
    pixels_ = resized;
    width_ = width;
    height_ = height;
    Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
    const TPixelFormat normal = BitCountPixelFormat(PixelFormatBitCount(format));
    if (normal == format_) {
        // A pixel format asked for by name is a device-independent one, even one bit deep.
        if (deviceMonochrome_) {
            deviceMonochrome_ = false;
            Changed();
        }
        return;
    }
    ReleaseCanvas();
    deviceMonochrome_ = false;
    format_ = normal;
    pixels_ = pixels_.Converted(PixelFormatBitCount(normal));
    Changed();
}

void TBitmap::SetMonochrome(bool value) {
    if (!value) {
        if (Monochrome())
            SetPixelFormat(pf24bit);
        return;
    }
    if (deviceMonochrome_)
        return;
    ReleaseCanvas();
    pixels_ = BlackAndWhite(pixels_);
    format_ = pf1bit;
    deviceMonochrome_ = true;
    Changed();
}

uint8_t* TBitmap::ScanLine(int y) {
    if (y < 0 || y >= height_ || width_ == 0)
        throw EInvalidGraphic(QStringLiteral("Scan line index out of range"));
    Pixels();
    return pixels_.ScanLine(y);
}

const uint8_t* TBitmap::ScanLine(int y) const {
    if (y < 0 || y >= height_ || width_ == 0)
        throw EInvalidGraphic(QStringLiteral("Scan line index out of range"));
    return Pixels().ConstScanLine(y);
}

void TBitmap::SetPixels(const PixelBuffer& pixels) {
    ReleaseCanvas();
    pixels_ = pixels.IsNull() ? PixelBuffer(0, 0, 24) : pixels;
    if (deviceMonochrome_ && pixels_.BitCount() == 1)
        pixels_ = BlackAndWhite(pixels_);
    else
        deviceMonochrome_ = false;
    width_ = pixels_.Width();
    height_ = pixels_.Height();
    format_ = BitCountPixelFormat(pixels_.BitCount());
    Changed();
}

bool TBitmap::SharesImage(const TBitmap& other) const {
    return &other == this || pixels_.SharesWith(other.pixels_);
}

void TBitmap::SetColorTable(const std::vector<TRGBQuad>& table) {
    if (BitCount() > 8)
        return;
    ReleaseCanvas();
    pixels_.SetColorTable(table);
    deviceMonochrome_ = false;
    Changed();
}

TColor TBitmap::GetPixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return clNone;
    return RGBQuadToColor(Pixels().PixelRGB(x, y));
}

void TBitmap::SetTransparentMode(TTransparentMode mode) {
    if (mode == transparentMode_)
        return;
    transparentMode_ = mode;
    if (mode == tmAuto)
        transparentColor_ = clDefault;
    Changed();
}

TColor TBitmap::TransparentColor() const {
    if (transparentMode_ == tmFixed && transparentColor_ != clDefault)
        return transparentColor_;
    if (Empty())
        return clDefault;
    return GetPixel(0, height_ - 1);
}

void TBitmap::SetTransparentColor(TColor color) {
    if (color == transparentColor_ && transparentMode_ == tmFixed)
        return;
    transparentColor_ = color;
    transparentMode_ = color == clDefault ? tmAuto : tmFixed;
    Changed();
}

void TBitmap::LoadFromStream(TStream& stream) {
    PixelBuffer pixels = ReadBitmapFile(stream);
    deviceMonochrome_ = false;
    SetPixels(pixels);
}

void TBitmap::SaveToStream(TStream& stream) {
    if (Empty())
        return;
    stream.WriteBytes(EncodeBitmapFile(Pixels()));
}

void TBitmap::ReadData(TStream& stream) {
    const int32_t size = stream.ReadInt32();
    if (size < 0 || size > stream.Remaining())
        RaiseInvalidBitmap();
    const int64_t end = stream.GetPosition() + size;
    if (size == 0) {
        Clear();
        return;
    }
    // Exactly the stored length, so damaged data cannot read into what follows.
    TSubStream window(stream, stream.GetPosition(), size);
    LoadFromStream(window);
    stream.SetPosition(end);
}

void TBitmap::WriteData(TStream& stream) {
    const QByteArray file = Empty() ? QByteArray() : EncodeBitmapFile(Pixels());
    stream.WriteInt32(int32_t(file.size()));
    stream.WriteBytes(file);
}

bool TBitmap::Equals(const TGraphic* graphic) {
    const auto* bitmap = dynamic_cast<const TBitmap*>(graphic);
    if (!bitmap)
        return false;
    if (SharesImage(*bitmap))
        return true;
    return Empty() == bitmap->Empty() && Pixels() == bitmap->Pixels();
}

void TBitmap::Clear() {
    if (Empty() && pixels_.Width() == 0)
        return;
    ReleaseCanvas();
    pixels_ = PixelBuffer(0, 0, BitCount());
    width_ = 0;
    height_ = 0;
    Changed();
}
