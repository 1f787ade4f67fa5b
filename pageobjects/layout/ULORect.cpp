#include "pageobjects/layout/ULORect.h"

#include "core/UGeometryUtil.h"
#include "imaging/UCanvas.h"
#include "pageobjects/engine/UDOUtils.h"
#include "pageobjects/layout/ULOLine.h"
#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/ComponentReader.h"

#include <algorithm>

namespace {

// The pen that outlines frames: square ends and mitred joins keep a rectangle's corners square.
TPen FramePen(TColor color, int width) {
    return TPen{color, width, psSolid, pmCopy, Qt::SquareCap, Qt::MiterJoin};
}

// The scaled side of a turned shape; a bounding side of 0 keeps the side (MulDiv would give -1).
int ScaledSide(int side, int wanted, int bounding) {
    return bounding == 0 ? side : MulDiv(side, wanted, bounding);
}

// Device pixels between a rect's solid inside and its mapped edges: where an edge falls between
// pixels, path filling and rounding may each take the pixel either way.
constexpr int kInteriorMargin = 2;

} // namespace

TLORect::TLORect(TComponent* owner)
    : TLORectBase(owner), frameColor_(std::make_unique<TColorSpec>()),
      fillColor_(std::make_unique<TColorSpec>()) {
    Listener()->AddBroadcaster(frameColor_.get());
    Listener()->AddBroadcaster(fillColor_.get());
}

TLORect::~TLORect() = default;

void TLORect::DeclareProperties(TPropertyBuilder<TLORect>& p) {
    p.Integer("FrameWidth", &TLORect::FrameWidth, &TLORect::SetFrameWidth);
    p.Object("FrameColor", &TLORect::FrameColor);
    p.Object("FillColor", &TLORect::FillColor);
    p.Boolean("FillInside", &TLORect::FillInside, &TLORect::SetFillInside);
    p.Integer("Angle", &TLORect::Angle, &TLORect::SetAngle);
    p.Boolean("RoundRect", &TLORect::RoundRect, &TLORect::SetRoundRect);
}

void TLORect::DefineProperties(TFiler& filer) {
    TLORectBase::DefineProperties(filer);
    // Older pages stored the corner style as "Round"; it is read and written back as RoundRect.
    filer.DefineProperty(
        QStringLiteral("Round"), [this](TReader& reader) { SetRoundRect(reader.ReadBoolean()); }, {}, false);
}

void TLORect::Restroke() {
    strokeBuilt_ = false;
    stroke_.Clear();
}

const TStroke& TLORect::Stroke() {
    if (!strokeBuilt_) {
        BuildStroke(stroke_);
        strokeBuilt_ = true;
    }
    return stroke_;
}

void TLORect::BuildStroke(TStroke& stroke) {
    const TRect r = LogBounds();
    if (roundRect_)
        stroke.MakeRoundRect(r, std::min(r.Width(), r.Height()) / 3);
    else
        stroke.MakeRect(r);
    rotator_.TransformStroke(stroke);
}

void TLORect::SetFrameWidth(int value) {
    if (value == frameWidth_)
        return;
    frameWidth_ = value;
    UpdateBounds();
    Invalidate();
    Changed();
}

void TLORect::SetFillInside(bool value) {
    if (value == fillInside_)
        return;
    fillInside_ = value;
    Invalidate();
    Changed();
}

void TLORect::SetRoundRect(bool value) {
    if (value == roundRect_)
        return;
    roundRect_ = value;
    Restroke();
    Invalidate();
    Changed();
}

void TLORect::SetAngle(int value) {
    if (value == Angle())
        return;
    rotator_.SetAngle(value);
    Restroke();
    Changed();
    Invalidate();
    UpdateBounds();
}

void TLORect::SetLogRect(const TRect& r) {
    // The centre and outline first: the base recomputes the bounds from them.
    rotator_.Center = RectCenter(NormalizeRect(r));
    Restroke();
    TLORectBase::SetLogRect(r);
    UpdateBounds();
}

void TLORect::SetEnclosingSize(int w, int h) {
    if (Angle() == 0) {
        SetLogWidth(w - frameWidth_);
        SetLogHeight(h - frameWidth_);
        return;
    }
    const TRect extent = LogRect();
    const int width = ScaledSide(LogWidth(), w, extent.Width());
    const int height = ScaledSide(LogHeight(), h, extent.Height());
    SetLogWidth(width);
    SetLogHeight(height);
}

void TLORect::GetLogRect(TRect& r) {
    // The painted band may be widened to two device pixels; the extent must hold it, or the
    // object's clip would cut it back.
    const TExtentKey key{LogBounds(), rotator_.Center, Angle(), roundRect_,
                         GetMinLineWidth(this, frameWidth_)};
    if (extent_ && extent_->first == key) {
        r = extent_->second;
        return;
    }
    TCanvas scratch;
    scratch.Pen() = FramePen(clBlack, key.PenWidth);
    Stroke().SelectPath(scratch);
    scratch.WidenPath();
    r = PathRegionBounds(scratch);
    extent_.emplace(key, r);
}

void TLORect::DrawOutline(TCanvas& canvas) {
    Stroke().DrawTo(canvas);
}

bool TLORect::ShowsFill() const {
    return fillInside_ && LogWidth() > frameWidth_ && LogHeight() > frameWidth_;
}

void TLORect::PaintFill(TCanvas& canvas, const TRect& extent) {
    TIntf<IUnknownEx> clip;
    SaveClipRegion(canvas, clip);
    Stroke().SelectPath(canvas);
    if (canvas.SelectClipPath(RGN_AND))
        fillColor_->FillRect(canvas, extent);
}

void TLORect::PaintWidenedFrame(TCanvas& canvas, const TRect& extent, int w, bool geometric) {
    TIntf<IUnknownEx> state;
    SaveCanvasState(canvas, true, state);
    canvas.Brush().Style = bsClear;
    canvas.Pen() = geometric ? FramePen(clBlack, w) : TPen{clBlack, w, psSolid, pmCopy};
    canvas.SetPolyFillMode(WINDING);
    Stroke().SelectPath(canvas);
    canvas.WidenPath();
    if (canvas.SelectClipPath(RGN_AND))
        frameColor_->FillRect(canvas, extent);
}

void TLORect::Paint() {
    TCanvas* canvas = GetDrawCanvas();
    // An empty rectangle has no outline to fill or frame (and gradations over it would divide
    // by its size).
    if (canvas == nullptr || LogBounds().IsEmpty())
        return;
    const TRect extent = LogRect();
    const int w = GetMinLineWidth(this, frameWidth_);
    if (ShowsFill())
        PaintFill(*canvas, extent);
    if (frameWidth_ <= 0)
        return;
    if (roundRect_) {
        PaintWidenedFrame(*canvas, extent, w, true);
        return;
    }
    // A band of width w centred on the rectangle's edge: the turned outer rect less the turned
    // inner one.
    const int64_t h = w / 2, rest = int64_t(w) - h;
    const TRect r = LogBounds();
    const TRect outer = HeldExtent(r.Left - h, r.Top - h, r.Right + rest, r.Bottom + rest);
    const int64_t il = r.Left + rest, it = r.Top + rest, ir = r.Right - h, ib = r.Bottom - h;
    const TRect inner = il < ir && it < ib ? HeldExtent(il, it, ir, ib) : TRect();
    TIntf<IUnknownEx> clip;
    SaveClipRegion(*canvas, clip);
    TStroke band;
    band.MakeRect(outer);
    rotator_.TransformStroke(band);
    band.SelectPath(*canvas);
    if (!canvas->SelectClipPath(RGN_AND))
        return;
    if (!inner.IsEmpty()) {
        band.MakeRect(inner);
        rotator_.TransformStroke(band);
        band.SelectPath(*canvas);
        canvas->SelectClipPath(RGN_DIFF);
    }
    frameColor_->FillRect(*canvas, extent);
}

bool TLORect::HitTest(const TPoint& p) {
    TBitmap bitmap;
    PrepareHitTestCanvas(this, bitmap, p, frameWidth_);
    TCanvas& canvas = bitmap.Canvas();
    if (fillInside_ || frameWidth_ == 0) {
        canvas.Brush() = TBrush{clBlack, bsSolid};
        Stroke().SelectPath(canvas);
        canvas.StrokeAndFillPath();
    } else {
        Stroke().DrawTo(canvas);
    }
    return bitmap.GetPixel(0, 0) == clBlack;
}

void TLORect::DrawAlphaMap(TBitmap& mask) {
    TCanvas& canvas = mask.Canvas();
    canvas.Pen() = FramePen(clWhite, frameWidth_);
    canvas.Brush() = TBrush{clWhite, bsSolid};
    if (frameWidth_ > 0)
        Stroke().DrawTo(canvas);
    if (ShowsFill()) {
        TIntf<IUnknownEx> clip;
        SaveClipRegion(canvas, clip);
        Stroke().SelectPath(canvas);
        if (canvas.SelectClipPath(RGN_AND))
            canvas.FillRect(LogRect());
    }
}

bool TLORect::SolidInterior(TCanvas& canvas, TRect& deviceRect, TColor& color) {
    // Only an unturned rect with square corners is a rectangle on the device.
    if (Angle() != 0 || roundRect_ || !ShowsFill() || !fillColor_->IsExactSolidColor(canvas))
        return false;
    // Inside by the whole frame however wide it is drawn (its band and its alpha map's pen), and
    // by device pixels enough for however the edges fall between pixels.
    const int64_t frame = std::max({0, frameWidth_, GetMinLineWidth(this, frameWidth_)});
    const TRect r = LogBounds();
    if (int64_t(r.Right) - r.Left <= 2 * frame || int64_t(r.Bottom) - r.Top <= 2 * frame)
        return false;
    TRect inner = NormalizeRect(canvas.LPtoDP(
        TRect(int(r.Left + frame), int(r.Top + frame), int(r.Right - frame), int(r.Bottom - frame))));
    InflateRect(inner, -kInteriorMargin, -kInteriorMargin);
    if (inner.IsEmpty())
        return false;
    deviceRect = inner;
    color = fillColor_->Color();
    return true;
}

void TLORect::AssignTo(TPersistent* dest) const {
    TLORectBase::AssignTo(dest);
    auto* target = dynamic_cast<TLORect*>(dest);
    if (target == nullptr)
        return;
    target->SetFrameWidth(frameWidth_);
    target->SetFrameColor(*frameColor_);
    target->SetFillColor(*fillColor_);
    target->SetFillInside(fillInside_);
    target->SetAngle(Angle());
    target->SetRoundRect(roundRect_);
}

bool TLORect::GetInterface(const TGUID& iid, void** obj) {
    return Offer<IDOBlend>(this, iid, obj) || Offer<IDOFill>(this, iid, obj) ||
           Offer<IDOColor>(this, iid, obj) || Offer<IDORotate>(this, iid, obj) ||
           TLORectBase::GetInterface(iid, obj);
}

void TLORect::HandleNotify(TObject* sender, const TGUID& eventID) {
    if (eventID == GUID_Changed && (sender == frameColor_.get() || sender == fillColor_.get())) {
        Changed();
        Invalidate();
    }
    TLORectBase::HandleNotify(sender, eventID);
}

// ---- TLOCircle

void TLOCircle::BuildStroke(TStroke& stroke) {
    stroke.MakeEllipse(LogBounds());
    rotator_.TransformStroke(stroke);
}

bool TLOCircle::SolidInterior(TCanvas&, TRect&, TColor&) {
    return false;
}

void TLOCircle::Paint() {
    TCanvas* canvas = GetDrawCanvas();
    if (canvas == nullptr || LogBounds().IsEmpty())
        return;
    const TRect extent = LogRect();
    if (ShowsFill())
        PaintFill(*canvas, extent);
    // The rectangle's two-device-pixel minimum too: thinner circle frames vanished on screen.
    if (FrameWidth() > 0)
        PaintWidenedFrame(*canvas, extent, GetMinLineWidth(this, FrameWidth()), false);
}
