#include "imaging/USafetyBitmap.h"

#include "platform/Canvas.h"
#include "platform/Dib.h"
#include "platform/Picture.h"
#include "platform/Stream.h"

#include <mutex>
#include <optional>

namespace {

// Puts canvas attributes back however the drawing ends.
struct CanvasAttributes {
    TCanvas& canvas;
    TColor bk;
    TColor text;
    TCopyMode mode;
    explicit CanvasAttributes(TCanvas& c)
        : canvas(c), bk(c.SetBkColor(clWhite)), text(c.SetTextColor(clBlack)), mode(c.CopyMode()) {}
    ~CanvasAttributes() {
        canvas.SetCopyMode(mode);
        canvas.SetBkColor(bk);
        canvas.SetTextColor(text);
    }
};

struct FlagScope {
    bool& flag;
    explicit FlagScope(bool& f) : flag(f) { flag = true; }
    ~FlagScope() { flag = false; }
};

} // namespace

TSafetyBitmap::TSafetyBitmap() : masked_(std::make_unique<TMaskedImageNT>()) {}

TSafetyBitmap::TSafetyBitmap(int width, int height, TPixelFormat format)
    : TBitmap(width, height, format), masked_(std::make_unique<TMaskedImageNT>()) {}

TSafetyBitmap::~TSafetyBitmap() = default;

void TSafetyBitmap::Changed() {
    TBitmap::Changed();
    // The base constructor may report a change before the masked image exists.
    if (!assigning_ && masked_)
        masked_->Invalidate();
}

void TSafetyBitmap::Assign(const TGraphic& source) {
    if (&source == this)
        return;
    const auto* safety = dynamic_cast<const TSafetyBitmap*>(&source);
    std::optional<FlagScope> scope;
    if (safety)
        scope.emplace(assigning_);
    if (const auto* bitmap = dynamic_cast<const TBitmap*>(&source); bitmap && SharesImage(*bitmap)) {
        SetTransparent(bitmap->Transparent());
        SetTransparentMode(bitmap->TransparentMode());
        if (bitmap->TransparentMode() == tmFixed)
            SetTransparentColor(bitmap->TransparentColor());
        return;
    }
    TBitmap::Assign(source);
    if (safety)
        masked_->Assign(*safety->masked_);
}

bool TSafetyBitmap::Equals(const TGraphic* graphic) {
    if (const auto* bitmap = dynamic_cast<const TBitmap*>(graphic))
        return SharesImage(*bitmap);
    return TBitmap::Equals(graphic);
}

void TSafetyBitmap::Draw(TCanvas& canvas, const TRect& rect) {
    if (Empty())
        return;
    CanvasAttributes saved(canvas);
    if (Transparent()) {
        UpdateMask();
        masked_->Draw(canvas, rect);
    } else if (canvas.IsPrinter()) {
        DrawToPrinter(canvas, rect);
    } else {
        TBitmap::Draw(canvas, rect);
    }
}

void TSafetyBitmap::DrawToPrinter(TCanvas& canvas, const TRect& rect) {
    if (!HasCanvas()) {
        TBitmap::Draw(canvas, rect);
        return;
    }
    TCanvas& own = Canvas();
    own.Lock();
    try {
        TBitmap::Draw(canvas, rect);
    } catch (...) {
        own.Unlock();
        throw;
    }
    own.Unlock();
}

void TSafetyBitmap::UpdateMask() {
    if (Transparent())
        masked_->Prepare(*this, TransparentColor());
}

void TSafetyBitmap::GetMask(TBitmap& dest) {
    masked_->UpdateMask(*this, TransparentColor());
    masked_->GetMask(dest);
}

void TSafetyBitmap::SetMask(const TBitmap& mask) {
    masked_->SetMask(mask);
}

void TSafetyBitmap::LoadFromStream(TStream& stream) {
    int32_t size = 0;
    if (ReadZLIBHeader(stream, size)) {
        TMemoryStream file(ZLIBDecompressToBytes(stream, size));
        SetPixels(ReadBitmapFile(file));
        return;
    }
    SetPixels(ReadBitmapFile(stream));
}

void TSafetyBitmap::ReadData(TStream& stream) {
    const int32_t size = stream.ReadInt32();
    if (size < 0 || size > stream.Remaining())
        RaiseInvalidBitmap();
    const int64_t start = stream.GetPosition();
    if (size == 0) {
        Clear();
        return;
    }
    // Exactly the stored length: a damaged bitmap cannot read into what follows it.
    TSubStream window(stream, start, size);
    LoadFromStream(window);
    stream.SetPosition(start + size);
}

void TSafetyBitmap::LoadFromClipboardFormat(uint16_t format, const QByteArray& data) {
    if (format == CF_DIB && !data.startsWith("BM")) {
        // A packed bitmap has no file header; one that is zero but for its signature makes the
        // reader take the rows from right after the colour table (or the bit-field masks).
        TMemoryStream file;
        file.WriteBytes(QByteArray("BM") + QByteArray(12, '\0'));
        file.WriteBytes(data);
        file.SetPosition(0);
        LoadFromStream(file);
        return;
    }
    TMemoryStream file(data);
    LoadFromStream(file);
}

void TSafetyBitmap::SaveToCompressedStream(TStream& stream, TCompressionLevel level) {
    TMemoryStream file;
    SaveToStream(file);
    file.SetPosition(0);
    ZLIBCompressStream(file, stream, level);
}

void RegisterSafetyBitmap() {
    static std::once_flag once;
    std::call_once(once, [] {
        TPicture::RegisterFileFormat<TSafetyBitmap>(QStringLiteral("BMP"), QStringLiteral("Bitmaps"));
        TPicture::RegisterFileFormat<TSafetyBitmap>(QStringLiteral("CBM"),
                                                    QStringLiteral("Compressed Bitmaps"));
        TPicture::RegisterClipboardFormat(
            CF_DIB, QStringLiteral("TSafetyBitmap"),
            [] { return std::unique_ptr<TGraphic>(new TSafetyBitmap); },
            [](TGraphic& graphic, uint16_t format, const QByteArray& data) {
                static_cast<TSafetyBitmap&>(graphic).LoadFromClipboardFormat(format, data);
            });
    });
}
