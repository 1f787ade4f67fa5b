#include "pageobjects/layout/ULOBackImage.h"

#include "core/UGeometryUtil.h"
#include "imaging/UCanvas.h"
#include "imaging/UGRBlender.h"
#include "imaging/UGraphicsUtil.h"
#include "pageobjects/layout/UDisplayCopy.h"
#include "platform/Bitmap.h"
#include "platform/Canvas.h"

#include <algorithm>

namespace {

// The blend works on the visible part of the fill enlarged by this many units, so that the
// edges of a scrolled area match.
constexpr int kBlendMargin = 5;

} // namespace

TLOBackImage::TLOBackImage(TComponent* owner)
    : TLORectBase(owner), fillColor_(std::make_unique<TColorSpec>()),
      frameColor_(std::make_unique<TColorSpec>()), blendColor_(std::make_unique<TColorSpec>()),
      blendPicture_(std::make_unique<TPictureEx>()) {
    SetLayerGroup(kBackgroundLayerGroup);
    for (IBroadcaster* b : std::initializer_list<IBroadcaster*>{fillColor_.get(), frameColor_.get(),
                                                                blendColor_.get(), blendPicture_.get()})
        Listener()->AddBroadcaster(b);
}

TLOBackImage::~TLOBackImage() = default;

void TLOBackImage::DeclareProperties(TPropertyBuilder<TLOBackImage>& p) {
    p.Object("FillColor", &TLOBackImage::FillColor);
    p.Object("FrameColor", &TLOBackImage::FrameColor);
    p.Integer("FrameWidth", &TLOBackImage::FrameWidth, &TLOBackImage::SetFrameWidth).Default(0);
    p.Object("BlendColor", &TLOBackImage::BlendColor);
    p.Object("BlendPicture", &TLOBackImage::BlendPicture);
    p.Integer("BlendRatio", &TLOBackImage::BlendRatio, &TLOBackImage::SetBlendRatio)
        .Default(100)
        .Reposition();
    p.Object("Image", &TLOBackImage::Image).TypeName(QStringLiteral("TPicture")).Stored(false);
}

void TLOBackImage::SetFrameWidth(int value) {
    if (value == frameWidth_)
        return;
    frameWidth_ = value;
    Changed();
}

void TLOBackImage::SetBlendRatio(int value) {
    if (value == blendRatio_)
        return;
    blendRatio_ = value;
    Invalidate();
    Changed();
}

TPicture* TLOBackImage::Image() {
    fillColor_->SetKind(cskBitmap);
    return fillColor_->ImageData()->Picture();
}

bool TLOBackImage::IsPlainWhite() const {
    return frameWidth_ == 0 && fillColor_->Kind() == cskSolid && ColorToRGB(fillColor_->Color()) == clWhite &&
           (blendPicture_->Graphic() == nullptr || blendPicture_->Graphic()->Empty());
}

void TLOBackImage::SetFaceInfo(const TFaceInfo& value) {
    faceInfo_.Assign(&value);
    Changed();
    Invalidate();
}

void TLOBackImage::SetEnclosingSize(int w, int h) {
    SetLogWidth(w);
    SetLogHeight(h);
}

void TLOBackImage::DrawOutline(TCanvas& canvas) {
    canvas.Rectangle(LogBounds());
}

void TLOBackImage::Paint() {
    TCanvas* canvas = GetDrawCanvas();
    const TRect logical = LogBounds();
    if (canvas == nullptr || logical.IsEmpty())
        return;
    // The face moved so that its outer rect starts at the object's top-left.
    const TRect outer = faceInfo_.GetOuterRect();
    const TPoint offset(logical.Left - outer.Left, logical.Top - outer.Top);
    // A picture fill that is not tiled covers the face with its clip's proportions; a clip
    // without area gives nothing to fill with.
    TRect fillRect = logical;
    if (fillColor_->Kind() == cskBitmap && !fillColor_->Tile()) {
        const TRect clip = fillColor_->ImageData()->ClipFilter()->ClipRect();
        fillRect = clip.IsEmpty() ? TRect() : FitRectOuter(clip, logical);
    }
    TIntf<IUnknownEx> state;
    SaveCanvasState(*canvas, true, state);
    const QRegion shape = faceInfo_.CreateRegion(*canvas, false, offset);
    canvas->ExtSelectClipRgn(&shape, RGN_AND);
    if (frameWidth_ != 0) {
        frameColor_->FillRect(*canvas, logical);
        TFaceInfo inner(faceInfo_);
        inner.FaceMargin = ClampToInt32(int64_t(inner.FaceMargin) - frameWidth_);
        const QRegion innerShape = inner.CreateRegion(*canvas, false, offset);
        canvas->ExtSelectClipRgn(&innerShape, RGN_AND);
    }
    if (!fillRect.IsEmpty()) {
        if (blendPicture_->Graphic() == nullptr || blendPicture_->Graphic()->Empty())
            Fill(*canvas, fillRect);
        else
            PaintBlend(*canvas, fillRect);
    }
    if (faceInfo_.HasCenterHole()) {
        TFaceInfo moved(faceInfo_);
        OffsetRect(moved.Rect, offset.X, offset.Y);
        canvas->Pen().Style = psClear;
        canvas->Brush() = TBrush{clWhite, bsSolid};
        moved.DrawCenterHole(*canvas, false);
    }
}

void TLOBackImage::Fill(TCanvas& canvas, const TRect& fillRect) {
    TImageData* data = fillColor_->ImageData();
    if (fillColor_->Kind() != cskBitmap || fillColor_->Tile()) {
        fillColor_->FillRect(canvas, fillRect);
        return;
    }
    TPictureEx* filtered = data->GetFilteredPicture();
    TGraphic* graphic = filtered != nullptr ? filtered->Graphic() : nullptr;
    if (graphic == nullptr || graphic->Empty())
        return;
    const TSize device = DeviceSizeOf(canvas, fillRect);
    const TSize size(std::min(device.cx, std::max(graphic->Width(), 1)),
                     std::min(device.cy, std::max(graphic->Height(), 1)));
    if (fillCopy_.isNull() || fillCopySize_ != size) {
        const TColor key = data->UsesTransparentColor() ? data->TransparentColor() : clNone;
        std::unique_ptr<TBitmap> copy = MakeDisplayCopy(*graphic, size.cx, size.cy, key);
        fillCopy_ = copy ? AlphaImage(*copy) : QImage();
        fillCopySize_ = size;
        ++copiesBuilt_;
    }
    if (!fillCopy_.isNull())
        canvas.DrawImage(fillRect, fillCopy_);
}

void TLOBackImage::PaintBlend(TCanvas& canvas, const TRect& fillRect) {
    TRect clip, area;
    canvas.GetClipBox(clip);
    InflateRect(clip, kBlendMargin, kBlendMargin);
    if (!IntersectRect(area, fillRect, clip))
        return;
    std::unique_ptr<TBitmap> source = CreateCanvasAreaBitmap(canvas, area, pf24bit, {}, false, 0);
    std::unique_ptr<TBitmap> dest = CreateCanvasAreaBitmap(canvas, area, pf24bit, {}, false, 0);
    if (!source || !dest || source->Empty())
        return;
    const int w = source->Width(), h = source->Height();
    // Both area bitmaps map the same logical units; where they lie on the canvas follows.
    const TRect back = NormalizeRect(source->Canvas().DPtoLP(TRect(0, 0, w, h)));
    blendColor_->FillRect(source->Canvas(), area);
    Fill(dest->Canvas(), fillRect);

    // The blend picture as grey levels over the fill rect, kept at the device size it covers but
    // never above the picture's own size: zoomed in, it is stretched like the fill.
    const TSize device = DeviceSizeOf(canvas, fillRect);
    TGraphic* blend = blendPicture_->Graphic();
    const TSize size(std::min(device.cx, std::max(blend->Width(), 1)),
                     std::min(device.cy, std::max(blend->Height(), 1)));
    if (blendMap_.isNull() || blendMapSize_ != size) {
        std::unique_ptr<TBitmap> copy = MakeDisplayCopy(*blend, size.cx, size.cy, clNone);
        blendMap_ = copy ? AlphaImage(*copy).convertToFormat(QImage::Format_Grayscale8) : QImage();
        blendMapSize_ = size;
    }
    TBitmap map(w, h, pf8bit);
    map.SetColorTable(GreyColorTable());
    {
        TCanvas& mc = map.Canvas();
        mc.FillSolid(TRect(0, 0, w, h), clBlack);
        TCoordMap mapping;
        mapping.Capture(source->Canvas());
        mapping.Apply(mc);
        mc.DrawImage(fillRect, blendMap_);
        mc.FreeHandle();
    }
    TGRBlendAlphaMapRatio blender;
    blender.Dest = dest.get();
    blender.DestRect = TRect(0, 0, w, h);
    blender.Source = source.get();
    blender.SourceRect = TRect(0, 0, w, h);
    blender.AlphaMap = &map;
    blender.AlphaRect = TRect(0, 0, w, h);
    blender.Ratio = blendRatio_;
    blender.Blend();
    canvas.StretchPixels(back, dest->Pixels(), TRect(0, 0, w, h), cmSrcCopy);
}

void TLOBackImage::AssignTo(TPersistent* dest) const {
    TLORectBase::AssignTo(dest);
    auto* target = dynamic_cast<TLOBackImage*>(dest);
    if (target == nullptr)
        return;
    target->SetFillColor(*fillColor_);
    target->SetFrameColor(*frameColor_);
    target->SetFrameWidth(frameWidth_);
    target->SetBlendColor(*blendColor_);
    target->SetBlendPicture(blendPicture_.get());
    target->SetBlendRatio(blendRatio_);
    target->faceInfo_.Assign(&faceInfo_);
}

bool TLOBackImage::GetInterface(const TGUID& iid, void** obj) {
    return Offer<IDOFaceInfo>(this, iid, obj) || TLORectBase::GetInterface(iid, obj);
}

void TLOBackImage::HandleNotify(TObject* sender, const TGUID& eventID) {
    if (eventID != GUID_Changed)
        return;
    if (sender == static_cast<TObject*>(blendPicture_.get()))
        blendMap_ = QImage();
    if (sender == static_cast<TObject*>(fillColor_.get()))
        fillCopy_ = QImage();
    if (sender == static_cast<TObject*>(fillColor_.get()) ||
        sender == static_cast<TObject*>(frameColor_.get()) ||
        sender == static_cast<TObject*>(blendColor_.get()) ||
        sender == static_cast<TObject*>(blendPicture_.get())) {
        Invalidate();
        Changed();
    }
}
