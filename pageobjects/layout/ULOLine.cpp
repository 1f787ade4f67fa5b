#include "pageobjects/layout/ULOLine.h"

#include "core/UGeometryUtil.h"
#include "core/USupportUtil.h"
#include "imaging/UCanvas.h"
#include "pageobjects/engine/UArcGeometry.h"
#include "pageobjects/engine/UDOUtils.h"
#include "pageobjects/engine/UUniversalGhost.h"
#include "platform/Bitmap.h"
#include "platform/Canvas.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>

TRect HeldExtent(int64_t left, int64_t top, int64_t right, int64_t bottom) {
    const auto hold = [](int64_t& from, int64_t& to) {
        from = std::clamp<int64_t>(from, INT_MIN, INT_MAX);
        to = std::clamp<int64_t>(to, from, std::min<int64_t>(from + INT_MAX, INT_MAX));
    };
    hold(left, right);
    hold(top, bottom);
    return TRect(int(left), int(top), int(right), int(bottom));
}

TRect PathRegionBounds(TCanvas& canvas) {
    // The path's own bounds, not its rasterised region: the extent is asked on every change of a
    // line, and a long line's region would be millions of pixels for the same answer.
    const QPainterPath path = canvas.DevicePath();
    canvas.AbortPath();
    const QRectF b = path.boundingRect();
    if (path.isEmpty() || b.isEmpty())
        return TRect();
    // Edges rounded as the rasteriser takes pixels: those whose centres lie inside.
    const auto edge = [](qreal v) {
        return int64_t(std::clamp<qreal>(std::floor(v + 0.5), INT64_MIN / 2, INT64_MAX / 2));
    };
    return HeldExtent(edge(b.left()), edge(b.top()), edge(b.right()), edge(b.bottom()));
}

// ---- TLOLine

TLOLine::TLOLine(TComponent* owner) : TLabelObject(owner), lineColor_(std::make_unique<TColorSpec>()) {
    Listener()->AddBroadcaster(lineColor_.get());
}

TLOLine::~TLOLine() = default;

void TLOLine::DeclareProperties(TPropertyBuilder<TLOLine>& p) {
    p.Integer("StartX", &TLOLine::StartX, &TLOLine::SetStartX);
    p.Integer("StartY", &TLOLine::StartY, &TLOLine::SetStartY);
    p.Integer("EndX", &TLOLine::EndX, &TLOLine::SetEndX);
    p.Integer("EndY", &TLOLine::EndY, &TLOLine::SetEndY);
    p.Object("LineColor", &TLOLine::LineColor);
    p.Integer("LineWidth", &TLOLine::LineWidth, &TLOLine::SetLineWidth);
    // Derived from the end points: storing it would turn them again on loading.
    p.Integer("Angle", &TLOLine::Angle, &TLOLine::SetAngle).Stored(false);
}

void TLOLine::StorePoint(TPoint& point, const TPoint& value) {
    if (point == value)
        return;
    point = value;
    CenterRotator();
    UpdateBounds();
    Changed();
    Invalidate();
}

void TLOLine::CenterRotator() {
    // 64 bits: the sum of two stored coordinates may leave the int range.
    rotator_.Center =
        TPoint(int((int64_t(start_.X) + end_.X + 1) / 2), int((int64_t(start_.Y) + end_.Y + 1) / 2));
}

void TLOLine::SetStartPoint(const TPoint& p) {
    StorePoint(start_, p);
}

void TLOLine::SetEndPoint(const TPoint& p) {
    StorePoint(end_, p);
}

void TLOLine::SetLineWidth(int value) {
    if (value == lineWidth_)
        return;
    lineWidth_ = value;
    Changed();
    UpdateBounds();
    Invalidate();
}

int TLOLine::Angle() const {
    const long double dx = (long double)end_.X - start_.X;
    const long double dy = (long double)end_.Y - start_.Y;
    return int(RoundHalfAwayFromZero(std::atan2(dy, dx) * 180 / std::numbers::pi_v<long double>));
}

void TLOLine::SetAngle(int value) {
    const int current = Angle();
    if (IsLoading() || value == current)
        return;
    TRotator turn;
    turn.Center = rotator_.Center;
    turn.SetAngle(int((int64_t(value) - current) % 360));
    TPoint s = start_, e = end_;
    turn.TransformPoint(s);
    turn.TransformPoint(e);
    SetStartPoint(s);
    SetEndPoint(e);
}

void TLOLine::MoveBy(int dx, int dy) {
    const TPoint s(TruncClamped((long double)start_.X + dx), TruncClamped((long double)start_.Y + dy));
    const TPoint e(TruncClamped((long double)end_.X + dx), TruncClamped((long double)end_.Y + dy));
    SetStartPoint(s);
    SetEndPoint(e);
}

void TLOLine::SetEnclosingSize(int w, int h) {
    TPoint s = start_, e = end_;
    if (e.X > s.X)
        e.X = TruncClamped((long double)s.X + w - lineWidth_);
    else
        s.X = TruncClamped((long double)e.X + w - lineWidth_);
    if (e.Y > s.Y)
        e.Y = TruncClamped((long double)s.Y + h - lineWidth_);
    else
        s.Y = TruncClamped((long double)e.Y + h - lineWidth_);
    SetStartPoint(s);
    SetEndPoint(e);
}

void TLOLine::SelectStrokePen(TCanvas& canvas) const {
    canvas.Pen() = TPen{clBlack, lineWidth_, psSolid, pmCopy, Qt::RoundCap, Qt::MiterJoin};
}

void TLOLine::AddFigure(TCanvas& canvas) const {
    canvas.MoveTo(start_.X, start_.Y);
    canvas.LineTo(end_.X, end_.Y);
}

void TLOLine::GetLogRect(TRect& r) {
    TCanvas scratch;
    SelectStrokePen(scratch);
    scratch.BeginPath();
    AddFigure(scratch);
    scratch.EndPath();
    scratch.WidenPath();
    r = PathRegionBounds(scratch);
}

void TLOLine::Paint() {
    TCanvas* canvas = GetDrawCanvas();
    if (canvas == nullptr)
        return;
    TIntf<IUnknownEx> state;
    SaveCanvasState(*canvas, true, state);
    SelectStrokePen(*canvas);
    canvas->SetPolyFillMode(WINDING);
    canvas->BeginPath();
    AddFigure(*canvas);
    canvas->EndPath();
    canvas->WidenPath();
    if (!canvas->SelectClipPath(RGN_AND))
        return;
    TRect clip, area;
    canvas->GetClipBox(clip);
    UnionRect(area, clip, LogRect());
    lineColor_->FillRect(*canvas, area);
}

bool TLOLine::HitTest(const TPoint& p) {
    TBitmap bitmap;
    PrepareHitTestCanvas(this, bitmap, p, lineWidth_);
    TCanvas& canvas = bitmap.Canvas();
    canvas.Pen().Cap = Qt::RoundCap;
    canvas.Pen().Join = Qt::MiterJoin;
    AddFigure(canvas);
    return bitmap.GetPixel(0, 0) == clBlack;
}

void TLOLine::DrawAlphaMap(TBitmap& mask) {
    TCanvas& canvas = mask.Canvas();
    canvas.Pen() = TPen{clWhite, lineWidth_, psSolid, pmCopy};
    canvas.Brush() = TBrush{clWhite, bsSolid};
    AddFigure(canvas);
}

void TLOLine::DrawOutline(TCanvas& canvas) {
    AddFigure(canvas);
}

void TLOLine::AssignTo(TPersistent* dest) const {
    TLabelObject::AssignTo(dest);
    auto* target = dynamic_cast<TLOLine*>(dest);
    if (target == nullptr)
        return;
    target->SetStartPoint(start_);
    target->SetEndPoint(end_);
    target->SetLineColor(*lineColor_);
    target->SetLineWidth(lineWidth_);
    target->SetAngle(Angle());
}

bool TLOLine::GetInterface(const TGUID& iid, void** obj) {
    return Offer<IDOBlend>(this, iid, obj) || Offer<IDORotate>(this, iid, obj) ||
           Offer<IDOLine>(this, iid, obj) || Offer<IDOColor>(this, iid, obj) ||
           Offer<IDOGhostPaint>(this, iid, obj) || Offer<IDOEncloseBounds>(this, iid, obj) ||
           TLabelObject::GetInterface(iid, obj);
}

void TLOLine::HandleNotify(TObject* sender, const TGUID& eventID) {
    if (eventID == GUID_Changed && sender == lineColor_.get()) {
        Changed();
        Invalidate();
    }
    TLabelObject::HandleNotify(sender, eventID);
}

// ---- TLOCurve

TLOCurve::TLOCurve(TComponent* owner) : TLOLine(owner) {}

void TLOCurve::DeclareProperties(TPropertyBuilder<TLOCurve>& p) {
    p.Integer("Bulge", &TLOCurve::Bulge, &TLOCurve::SetBulge);
}

void TLOCurve::SetBulge(int value) {
    if (value == bulge_)
        return;
    bulge_ = value;
    Invalidate();
    UpdateBounds();
    Changed();
}

void TLOCurve::CenterRotator() {
    rotator_.Center = RectCenter(LogRect());
}

void TLOCurve::GetBulgePoint(TPoint& p) {
    ::GetBulgePoint(start_, end_, bulge_, p);
}

void TLOCurve::SetBulgePoint(const TPoint& p) {
    SetBulge(GetArcBulge(start_, p, end_));
    CenterRotator();
}

void TLOCurve::ArcPoints(TPoint& p0, TPoint& p1, TPoint& p2) const {
    ::GetBulgePoint(start_, end_, bulge_, p1);
    p0 = bulge_ >= 1 ? start_ : end_;
    p2 = bulge_ >= 1 ? end_ : start_;
}

void TLOCurve::AddFigure(TCanvas& canvas) const {
    TPoint p0, p1, p2;
    ArcPoints(p0, p1, p2);
    DrawThreePointArc(canvas, p0, p1, p2);
}

void TLOCurve::SelectStrokePen(TCanvas& canvas) const {
    canvas.Pen() = TPen{clBlack, LineWidth(), psSolid, pmCopy};
}

void TLOCurve::SetEnclosingSize(int w, int h) {
    const TRect extent = LogRect();
    // MulDiv answers -1 for an extent without width or height: the span then becomes 1.
    const int spanX = std::abs(MulDiv(TruncClamped((long double)start_.X - end_.X), w, extent.Width()));
    const int spanY = std::abs(MulDiv(TruncClamped((long double)start_.Y - end_.Y), h, extent.Height()));
    TPoint s = start_, e = end_;
    if (e.X <= s.X)
        s.X = TruncClamped((long double)e.X + spanX);
    else
        e.X = TruncClamped((long double)s.X + spanX);
    if (e.Y <= s.Y)
        s.Y = TruncClamped((long double)e.Y + spanY);
    else
        e.Y = TruncClamped((long double)s.Y + spanY);
    SetStartPoint(s);
    SetEndPoint(e);
}

void TLOCurve::AssignTo(TPersistent* dest) const {
    TLOLine::AssignTo(dest);
    if (auto* target = dynamic_cast<TLOCurve*>(dest))
        target->SetBulge(bulge_);
}

bool TLOCurve::GetInterface(const TGUID& iid, void** obj) {
    return Offer<IDOCurve>(this, iid, obj) || TLOLine::GetInterface(iid, obj);
}
