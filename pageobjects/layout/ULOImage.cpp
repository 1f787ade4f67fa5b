#include "pageobjects/layout/ULOImage.h"

#include "core/UGeometryUtil.h"
#include "imaging/PixelKernel.h"
#include "imaging/UGraphicsUtil.h"
#include "imaging/UJPEGImage.h"
#include "imaging/URotateBitmap.h"
#include "pageobjects/engine/UDOUtils.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/layout/UDisplayCopy.h"
#include "pageobjects/layout/ULOLine.h"
#include "platform/Canvas.h"
#include "platform/Clipboard.h"
#include "platform/Exception.h"
#include "platform/Metafile.h"

#include <QPolygon>
#include <algorithm>

namespace {

// Every pixel of the composite takes the frame's nearest pixel (the frame is stretched pixel for
// pixel, never averaged, so its key colours stay exact): $F0F0F0 leaves the picture, $607090
// cuts a hole, any other colour covers the picture.
void OverlayFrame(TBitmap& composite, TGraphic& frame) {
    std::unique_ptr<TBitmap> source = MakeDisplayCopy(frame, frame.Width(), frame.Height(), clNone);
    if (!source)
        return;
    const TPixelView f = ReadPixelViewOf(*source);
    const TPixelView c = PixelViewOf(composite);
    if (f.Empty() || c.Empty() || c.BytesPerPixel != 4)
        return;
    const TColor key = kPictureTransparentColor, hole = kFrameHoleColor;
    ParallelBands(c.Height, 8, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            const uint8_t* frow = f.Row(int(int64_t(y) * f.Height / c.Height));
            uint8_t* out = c.Row(y);
            for (int x = 0; x < c.Width; ++x, out += 4) {
                const uint8_t* p = frow + int64_t(x) * f.Width / c.Width * 4;
                const TColor colour = RGB(p[2], p[1], p[0]);
                if (colour == key)
                    continue;
                if (colour == hole) {
                    out[0] = out[1] = out[2] = 255;
                    out[3] = 0;
                    continue;
                }
                out[0] = p[0];
                out[1] = p[1];
                out[2] = p[2];
                out[3] = 255;
            }
        }
    });
    composite.Changed();
}

// Opaque copies paint fastest as plain RGB, the others premultiplied. An opaque 32-bit copy is
// painted from the bitmap's own memory (the view keeps it alive): a second copy of every picture on
// a page would double what a page printed at 600 dpi holds.
QImage PaintableImage(const TBitmap& bitmap) {
    if (bitmap.BitCount() == 32) {
        const QImage view = bitmap.Pixels().ConstView();
        bool opaque = view.format() == QImage::Format_RGB32;
        const int width = view.width(), height = view.height();
        for (int y = 0; opaque && y < height; ++y) {
            const QRgb* row = reinterpret_cast<const QRgb*>(view.constScanLine(y));
            for (int x = 0; x < width; ++x)
                if (qAlpha(row[x]) != 255) {
                    opaque = false;
                    break;
                }
        }
        if (opaque)
            return view;
    }
    const QImage image = AlphaImage(bitmap);
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(row[x]) != 255)
                return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
    return image.convertToFormat(QImage::Format_RGB32);
}

// An 8-bit grey image of an image's colours (for frames used as alpha maps).
QImage GreyLevels(const TBitmap& bitmap) {
    return AlphaImage(bitmap)
        .convertToFormat(QImage::Format_RGB32)
        .convertToFormat(QImage::Format_Grayscale8);
}

} // namespace

void TurnedCorners(const TRect& r, TRotator& rotator, TPoint (&corners)[4]) {
    corners[0] = TPoint(r.Left, r.Top);
    corners[1] = TPoint(r.Right, r.Top);
    corners[2] = TPoint(r.Right, r.Bottom);
    corners[3] = TPoint(r.Left, r.Bottom);
    if (rotator.Angle() != 0)
        for (TPoint& p : corners)
            rotator.TransformPoint(p);
}

TRect CornersBounds(const TPoint (&corners)[4]) {
    int64_t l = corners[0].X, t = corners[0].Y, r = l, b = t;
    for (const TPoint& p : corners) {
        l = std::min<int64_t>(l, p.X);
        t = std::min<int64_t>(t, p.Y);
        r = std::max<int64_t>(r, p.X);
        b = std::max<int64_t>(b, p.Y);
    }
    return HeldExtent(l, t, r, b);
}

bool InTurnedRect(const TRect& r, TRotator& rotator, const TPoint& p) {
    if (rotator.Angle() == 0)
        return r.Contains(p);
    TPoint c[4];
    TurnedCorners(r, rotator, c);
    QPolygon polygon;
    for (const TPoint& q : c)
        polygon << QPoint(q.X, q.Y);
    return polygon.containsPoint(QPoint(p.X, p.Y), Qt::OddEvenFill);
}

int ScaledEnclosingSide(int side, int wanted, int bounding) {
    return bounding == 0 ? side : MulDiv(side, wanted, bounding);
}

TRect TurnedBounds(const TRect& r, TRotator& rotator) {
    TPoint c[4];
    TurnedCorners(r, rotator, c);
    return CornersBounds(c);
}

void DrawTurnedOutline(TCanvas& canvas, const TRect& r, TRotator& rotator) {
    TPoint c[4];
    TurnedCorners(r, rotator, c);
    canvas.Polygon(c, 4);
}

TSize TurnedEnclosingSize(int angle, TSize side, TSize wanted, const TRect& extent) {
    if (angle == 0)
        return wanted;
    return TSize(ScaledEnclosingSide(side.cx, wanted.cx, extent.Width()),
                 ScaledEnclosingSide(side.cy, wanted.cy, extent.Height()));
}

// ---- TLOImage

TLOImage::TLOImage(TComponent* owner)
    : TLORectBase(owner), imageData_(std::make_unique<TImageData>()),
      framePicture_(std::make_unique<TPictureEx>()) {
    Listener()->AddBroadcaster(imageData_.get());
    Listener()->AddBroadcaster(framePicture_.get());
}

TLOImage::~TLOImage() = default;

void TLOImage::DeclareProperties(TPropertyBuilder<TLOImage>& p) {
    p.Object("ImageData", &TLOImage::ImageData);
    p.Object("FramePicture", &TLOImage::FramePicture).TypeName(QStringLiteral("TPicture"));
    p.Boolean("AlphaFrame", &TLOImage::AlphaFrame, &TLOImage::SetAlphaFrame).Default(false);
    p.Integer("Angle", &TLOImage::Angle, &TLOImage::SetAngle);
    p.Enumeration("ImageSource", &TLOImage::ImageSource, &TLOImage::SetImageSource,
                  {QStringLiteral("isFile"), QStringLiteral("isOnePoint"), QStringLiteral("isTwain"),
                   QStringLiteral("isPlugin")},
                  QStringLiteral("TImageSource"));
    p.Object("Picture", &TLOImage::Picture).TypeName(QStringLiteral("TPicture")).Stored(false);
}

TPictureEx* TLOImage::Picture() {
    pictureTouched_ = true;
    return imageData_->Picture();
}

void TLOImage::SetPicture(const TPicture* value) {
    pictureTouched_ = true;
    imageData_->SetPicture(value);
}

void TLOImage::SetAlphaFrame(bool value) {
    if (value == alphaFrame_)
        return;
    alphaFrame_ = value;
    DropCache();
    Changed();
    Invalidate();
}

void TLOImage::SetAngle(int value) {
    if (value == Angle())
        return;
    rotator_.SetAngle(value);
    DropCache();
    Changed();
    Invalidate();
    UpdateBounds();
}

void TLOImage::DropCache() {
    shown_.reset();
    shownImage_ = QImage();
    shownSize_ = TSize();
}

void TLOImage::SetLogRect(const TRect& r) {
    const TRect n = NormalizeRect(r);
    if (n.Width() != LogWidth() || n.Height() != LogHeight())
        DropCache();
    rotator_.Center = RectCenter(n);
    TLORectBase::SetLogRect(n);
    UpdateBounds();
}

void TLOImage::SetEnclosingSize(int w, int h) {
    const TSize size = TurnedEnclosingSize(Angle(), TSize(LogWidth(), LogHeight()), TSize(w, h), LogRect());
    SetLogWidth(size.cx);
    SetLogHeight(size.cy);
}

void TLOImage::GetLogRect(TRect& r) {
    r = TurnedBounds(LogBounds(), rotator_);
}

bool TLOImage::HitTest(const TPoint& p) {
    return InTurnedRect(LogBounds(), rotator_, p);
}

void TLOImage::DrawOutline(TCanvas& canvas) {
    DrawTurnedOutline(canvas, LogBounds(), rotator_);
}

void TLOImage::AdjustSizeToPicture() {
    TPictureEx* filtered = imageData_->GetFilteredPicture();
    if (filtered == nullptr || filtered->Graphic() == nullptr || filtered->Graphic()->Empty())
        return;
    const TSize natural = GetDefaultGraphicSize(*filtered->Graphic());
    TRect r(0, 0, natural.cx, natural.cy);
    if (IsOnSite() && !LogBounds().IsEmpty()) {
        const TRect square = FitRectOuter(TRect(0, 0, 1, 1), LogBounds());
        r = FitRectInner(r, square);
    }
    SetLogRect(Bounds(LogLeft(), LogTop(), r.Width(), r.Height()));
}

void TLOImage::PasteBitmap() {
    const uint16_t format = Clipboard::HasFormat(CF_DIB) ? CF_DIB : CF_BITMAP;
    imageData_->Picture()->LoadFromClipboardFormat(format, Clipboard::GetData(format));
}

void TLOImage::PasteMetafile() {
    // The enhanced form first, as it keeps more of the drawing than its Windows-metafile counterpart.
    const uint16_t format = Clipboard::HasFormat(CF_ENHMETAFILE) ? CF_ENHMETAFILE : CF_METAFILEPICT;
    const QByteArray data = Clipboard::GetData(format);
    // Nothing offered is no picture: refused like damaged data rather than pasted as an empty object.
    if (data.isEmpty())
        throw EInvalidGraphic(QStringLiteral("メタファイルが不正です"));
    imageData_->Picture()->LoadFromClipboardFormat(format, data);
}

TSize TLOImage::WorkSize(TCanvas& canvas) {
    TPictureEx* filtered = imageData_->GetFilteredPicture();
    const TSize device = DeviceSizeOf(canvas, LogBounds());
    if (filtered == nullptr)
        return device;
    return TSize(std::clamp(device.cx, 1, std::max(filtered->Width(), 1)),
                 std::clamp(device.cy, 1, std::max(filtered->Height(), 1)));
}

const TBitmap* TLOImage::ShownPicture(const TSize& workSize) {
    if (shown_ && shownSize_ == workSize)
        return shown_.get();
    if (busy_ || imageData_->IsEmpty())
        return nullptr;
    busy_ = true;
    struct Clear {
        bool& flag;
        ~Clear() { flag = false; }
    } clear{busy_};
    TPictureEx* filtered = imageData_->GetFilteredPicture();
    if (filtered == nullptr || filtered->Graphic() == nullptr)
        return nullptr;
    const TColor key = imageData_->UsesTransparentColor() ? imageData_->TransparentColor() : clNone;
    std::unique_ptr<TBitmap> composite;
    if (auto* jpeg = dynamic_cast<TJPEGGraphic*>(filtered->Graphic()); jpeg && !jpeg->Decoded()) {
        // An untouched JPEG is decoded at the smallest scale that still covers the work size; a
        // copy, so the filtered picture keeps its own size and its bytes stay shared.
        TJPEGGraphic scaled;
        scaled.Assign(*jpeg);
        SetJPEGScaleForSize(&scaled, workSize.cx, workSize.cy);
        composite = MakeDisplayCopy(scaled, workSize.cx, workSize.cy, key);
    } else {
        composite = MakeDisplayCopy(*filtered->Graphic(), workSize.cx, workSize.cy, key);
    }
    if (!composite)
        return nullptr;
    ++copiesBuilt_;
    TGraphic* frame = framePicture_->Graphic();
    if (frame != nullptr && !frame->Empty() && !alphaFrame_)
        OverlayFrame(*composite, *frame);
    if (Angle() != 0) {
        // The largest rect of the object's proportions inside the composite, turned; the corners
        // outside the turned rect stay transparent.
        const TRect target = FitRectInner(TRect(0, 0, LogWidth(), LogHeight()),
                                          TRect(0, 0, composite->Width(), composite->Height()));
        auto turned = std::make_unique<TBitmap>();
        RotateBitmap(composite.get(), turned.get(), Angle(), clWhite,
                     TPoint(std::max(target.Width(), 1), std::max(target.Height(), 1)));
        composite = std::move(turned);
    }
    shownImage_ = PaintableImage(*composite);
    shown_ = std::move(composite);
    shownSize_ = workSize;
    return shown_.get();
}

void TLOImage::Paint() {
    TCanvas* canvas = GetDrawCanvas();
    if (canvas == nullptr || LogBounds().IsEmpty() || imageData_->IsEmpty())
        return;
    // An upright, unframed metafile is played into the rectangle, as the system played it: only
    // what its records draw covers the page, and its text stays text in print.
    if (Angle() == 0 && (framePicture_->Graphic() == nullptr || framePicture_->Graphic()->Empty()))
        if (TPictureEx* filtered = imageData_->GetFilteredPicture();
            filtered != nullptr && dynamic_cast<TMetafile*>(filtered->Graphic()) != nullptr) {
            canvas->StretchDraw(LogRect(), *filtered->Graphic());
            return;
        }
    const TBitmap* shown = ShownPicture(WorkSize(*canvas));
    if (shown == nullptr)
        return;
    canvas->DrawImage(LogRect(), shownImage_);
}

bool TLOImage::NeedsBlend() {
    return !imageData_->IsEmpty() && BlendsWhenShown();
}

bool TLOImage::BlendsWhenShown() {
    const bool alphaFrame =
        alphaFrame_ && framePicture_->Graphic() != nullptr && !framePicture_->Graphic()->Empty();
    if (BlendRatio() == 100 && !BlendShade() && !alphaFrame)
        return false;
    return true;
}

std::function<void()> TLOImage::PaintPreparation(TCanvas& canvas) {
    // An untouched JPEG without a frame: what its copy is made of is this object's alone.
    TPictureEx* filtered = imageData_->IsEmpty() ? nullptr : imageData_->GetFilteredPicture();
    const auto* jpeg = filtered != nullptr ? dynamic_cast<TJPEGGraphic*>(filtered->Graphic()) : nullptr;
    const TGraphic* frame = framePicture_->Graphic();
    if (jpeg == nullptr || jpeg->Decoded() || (frame != nullptr && !frame->Empty()) || LogBounds().IsEmpty())
        return {};
    const TSize size = WorkSize(canvas);
    if (shown_ && shownSize_ == size)
        return {};
    return [this, size] {
        try {
            ShownPicture(size);
        } catch (...) {
            // The paint meets the same failure and shows it as it always does.
        }
    };
}

bool TLOImage::PhotoInterior(TCanvas& canvas, TRect& deviceRect) {
    TPictureEx* source = imageData_->Picture();
    return source != nullptr && dynamic_cast<TJPEGGraphic*>(source->Graphic()) != nullptr &&
           OpaqueInterior(canvas, deviceRect);
}

bool TLOImage::OpaqueInterior(TCanvas& canvas, TRect& deviceRect) {
    TGraphic* frame = framePicture_->Graphic();
    if (!shown_ || shownImage_.format() != QImage::Format_RGB32 || PaintFailed() || Angle() != 0 ||
        (frame != nullptr && !frame->Empty()) || imageData_->UsesTransparentColor() || NeedsBlend())
        return false;
    // The edge pixels may be partly covered: they stay with what lies around.
    const TRect dev = NormalizeRect(canvas.LPtoDP(LogBounds()));
    deviceRect = TRect(dev.Left + 1, dev.Top + 1, dev.Right - 1, dev.Bottom - 1);
    return !deviceRect.IsEmpty();
}

void TLOImage::DrawAlphaMap(TBitmap& mask) {
    if (LogBounds().IsEmpty() || imageData_->IsEmpty())
        return;
    TCanvas& canvas = mask.Canvas();
    TGraphic* frame = framePicture_->Graphic();
    const bool hasFrame = frame != nullptr && !frame->Empty();
    if (Angle() == 0 && !hasFrame && !imageData_->UsesTransparentColor()) {
        canvas.Brush() = TBrush{clWhite, bsSolid};
        canvas.FillRect(LogBounds());
        return;
    }
    const TBitmap* shown = ShownPicture(WorkSize(canvas));
    if (shown == nullptr)
        return;
    const TRect box = LogRect();
    const QImage alpha = AlphaMapImage(*shown);
    canvas.StretchBlt(box, alpha, TRect(0, 0, alpha.width(), alpha.height()), cmSrcCopy);
    if (alphaFrame_ && hasFrame) {
        // The frame's grey levels fade the picture: the frame at the picture's size fitted in
        // the rect, turned like it onto white.
        TPictureEx* filtered = imageData_->GetFilteredPicture();
        const TRect fit = FitRectInner(TRect(0, 0, filtered->Width(), filtered->Height()), LogBounds());
        const TSize size = DeviceSizeOf(canvas, fit);
        std::unique_ptr<TBitmap> grey = MakeDisplayCopy(*frame, std::min(size.cx, frame->Width()),
                                                        std::min(size.cy, frame->Height()), clNone);
        if (!grey)
            return;
        if (Angle() != 0) {
            auto turned = std::make_unique<TBitmap>();
            RotateBitmap(grey.get(), turned.get(), Angle(), clWhite, TPoint(grey->Width(), grey->Height()));
            grey = std::move(turned);
        }
        const QImage levels = GreyLevels(*grey);
        canvas.StretchBlt(box, levels, TRect(0, 0, levels.width(), levels.height()), cmSrcAnd);
    }
    canvas.SetCopyMode(cmSrcCopy);
}

void TLOImage::Loaded() {
    TLORectBase::Loaded();
    // Older illustrations stored the picture itself and meant $F0F0F0 as transparent.
    if (pictureTouched_ && imageSource_ == isOnePoint)
        imageData_->SetTransparentColor(kPictureTransparentColor);
}

void TLOImage::HandleNotify(TObject* sender, const TGUID& eventID) {
    if (!busy_ && eventID == GUID_Changed &&
        (sender == static_cast<TObject*>(imageData_.get()) ||
         sender == static_cast<TObject*>(framePicture_.get()))) {
        DropCache();
        Changed();
        Invalidate();
    }
    TLORectBase::HandleNotify(sender, eventID);
}

void TLOImage::AssignTo(TPersistent* dest) const {
    TLORectBase::AssignTo(dest);
    auto* target = dynamic_cast<TLOImage*>(dest);
    if (target == nullptr)
        return;
    target->SetImageData(imageData_.get());
    target->SetAngle(Angle());
    target->SetImageSource(imageSource_);
    target->SetFramePicture(framePicture_.get());
    target->SetAlphaFrame(alphaFrame_);
}

bool TLOImage::GetInterface(const TGUID& iid, void** obj) {
    return Offer<IDOBlend>(this, iid, obj) || Offer<IDORotate>(this, iid, obj) ||
           TLORectBase::GetInterface(iid, obj);
}

// ---- TLOWizardImage

void TLOWizardImage::DeclareProperties(TPropertyBuilder<TLOWizardImage>& p) {
    p.Boolean("wizInputEnable", &TLOWizardImage::WizInputEnable, &TLOWizardImage::SetWizInputEnableValue)
        .Default(false);
    p.String("wizInputCaption", &TLOWizardImage::WizInputCaption, &TLOWizardImage::SetWizInputCaptionValue);
}

void TLOWizardImage::AssignTo(TPersistent* dest) const {
    TLOImage::AssignTo(dest);
    if (auto* target = dynamic_cast<TLOWizardImage*>(dest)) {
        target->wizInputEnable_ = wizInputEnable_;
        target->wizInputCaption_ = wizInputCaption_;
    }
}

bool TLOWizardImage::GetInterface(const TGUID& iid, void** obj) {
    return Offer<IDOWizardInput>(this, iid, obj) || TLOImage::GetInterface(iid, obj);
}
