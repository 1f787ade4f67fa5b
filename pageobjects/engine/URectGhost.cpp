#include "pageobjects/engine/URectGhost.h"

#include "core/UGeometryUtil.h"
#include "pageobjects/engine/UDOUtils.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/engine/ULineGhost.h"
#include "pageobjects/engine/UMoveGhost.h"
#include "pageobjects/engine/UStroke.h"
#include "pageobjects/engine/UTransformer.h"
#include "platform/Angle.h"
#include "platform/Canvas.h"

#include <QCursor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cstdlib>
#include <utility>

namespace {

constexpr TCursor kHandleCursors[kRectHandleCount] = {crSizeNWSE, crSizeWE,   crSizeNESW, crSizeNS,
                                                      crSizeNS,   crSizeNESW, crSizeWE,   crSizeNWSE};
// Below this size a resize stops unless Ctrl is held.
constexpr int kMinResize = 20;

// Which edges of the rect a handle drags.
bool DragsLeft(int index) {
    return index == ghTopLeft || index == ghLeftMiddle || index == ghBottomLeft;
}
bool DragsRight(int index) {
    return index == ghTopRight || index == ghRightMiddle || index == ghBottomRight;
}
bool DragsTop(int index) {
    return index == ghTopLeft || index == ghTopMiddle || index == ghTopRight;
}
bool DragsBottom(int index) {
    return index == ghBottomLeft || index == ghBottomMiddle || index == ghBottomRight;
}

TPoint HandlePoint(const TRect& r, int index) {
    const int mx = int((int64_t(r.Left) + r.Right) / 2);
    const int my = int((int64_t(r.Top) + r.Bottom) / 2);
    return TPoint(DragsLeft(index)    ? r.Left
                  : DragsRight(index) ? r.Right
                                      : mx,
                  DragsTop(index)      ? r.Top
                  : DragsBottom(index) ? r.Bottom
                                       : my);
}

TPoint Turned(const TPoint& p, const TPoint& centre, int angle) {
    TRotator rotator;
    rotator.SetAngle(angle);
    rotator.Center = centre;
    TPoint q = p;
    rotator.TransformPoint(q);
    return q;
}

int Abs(int v) {
    return int(std::llabs(int64_t(v)));
}

} // namespace

void LoadRotateCursor() {
    // A three-quarter circle ending in an arrowhead, black with a white rim so that it shows on
    // any page; the hot spot is its centre.
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath arc;
        arc.arcMoveTo(QRectF(7, 7, 18, 18), 90);
        arc.arcTo(QRectF(7, 7, 18, 18), 90, 270);
        QPainterPath head;
        head.moveTo(16, 1);
        head.lineTo(23, 7);
        head.lineTo(15, 12);
        head.closeSubpath();
        for (const auto& [colour, width] :
             {std::pair(QColor(Qt::white), 5.0), std::pair(QColor(Qt::black), 2.5)}) {
            p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(Qt::NoBrush);
            p.drawPath(arc);
            p.setBrush(colour);
            p.drawPath(head);
        }
    }
    RegisterCursor(crRotate, QCursor(QPixmap::fromImage(image), 16, 16));
}

TCursor RectHandleCursor(int index) {
    return index >= 0 && index < kRectHandleCount ? kHandleCursors[index] : crDefault;
}

std::array<TPoint, kRectHandleCount> RectHandlePoints(TDrawObject* object, const TRect& r) {
    std::array<TPoint, kRectHandleCount> points;
    for (int i = 0; i < kRectHandleCount; ++i)
        points[size_t(i)] = HandlePoint(r, i);
    if (TIntf<IDORotate> rotate = ObjectSupports<IDORotate>(object)) {
        TStroke stroke;
        for (const TPoint& p : points)
            stroke.AddPoint(p.X, p.Y, 0);
        TRotator rotator;
        rotator.SetAngle(rotate->GetAngle());
        rotator.Center = RectCenter(r);
        rotator.TransformStroke(stroke);
        for (int i = 0; i < kRectHandleCount; ++i)
            points[size_t(i)] = stroke.GetPoint(i);
    }
    return points;
}

TRect RectPropsBounds(TDrawObject* object) {
    TIntf<IDORectProps> props = ObjectSupports<IDORectProps>(object);
    return props ? Bounds(props->GetLeft(), props->GetTop(), props->GetWidth(), props->GetHeight()) : TRect();
}

// ---- TRectGhost

TRectGhost::TRectGhost(TDrawObject* object, int index) : TUniversalGhost(object, index) {
    Caption = QStringLiteral("サイズ変更");
    TargetRect = RectPropsBounds(object);
    NewRect = TargetRect;
}

bool TRectGhost::KeepsAspect(TShiftState shift) {
    TIntf<IDORectProps> props = ObjectSupports<IDORectProps>(Target());
    bool keep = props && props->KeepAspectRatio();
    if ((shift & ssShift) != 0)
        keep = !keep;
    return keep && TargetRect.Width() != 0 && TargetRect.Height() != 0;
}

void TRectGhost::Move(TShiftState shift, const TPoint& delta) {
    if (Index < ghTopLeft || Index > ghBottomRight)
        return;
    TIntf<IDORotate> cloneRotate = ObjectSupports<IDORotate>(Ghost());
    // 1. Snap the dragged handle where it lies on the page.
    TPoint d = SnappedDelta(delta);
    // 2. The minimum size, in the object's proportions when it keeps them.
    const bool keep = KeepsAspect(shift);
    SetMinimumSize(shift, keep);
    // 3. From here on the drag is in the object's own frame.
    if (cloneRotate)
        d = Turned(d, TPoint(0, 0), -AngleWithinTurn(cloneRotate->GetAngle(), 360));
    // 4. The dragged side or corner.
    NewRect = DraggedRect(d, keep);
    // 5. Proportions: the largest rect of the target's shape inside, with the side or corner
    // opposite the handle where it was.
    if (keep)
        NewRect = ProportionalRect(NewRect);
    // 6. The minimum size grows away from the fixed side.
    HoldMinimumSize(NewRect);
    // 7. The clone takes the new rect, its centre turned back onto the page.
    ApplyToClone(NewRect, cloneRotate ? cloneRotate->GetAngle() : 0);
}

TPoint TRectGhost::SnappedDelta(const TPoint& delta) {
    if (delta == TPoint(0, 0))
        return delta;
    TPoint h = HandlePoint(TargetRect, Index);
    if (TIntf<IDORotate> rotate = ObjectSupports<IDORotate>(Target()); rotate && rotate->GetAngle() != 0)
        h = Turned(h, RectCenter(TargetRect), rotate->GetAngle());
    const TPoint p = SnapPoint(this, TPoint(h.X + delta.X, h.Y + delta.Y));
    return TPoint(p.X - h.X, p.Y - h.Y);
}

void TRectGhost::SetMinimumSize(TShiftState shift, bool keep) {
    const TRect& tr = TargetRect;
    MinWidth = MinHeight = (shift & ssCtrl) != 0 ? 0 : kMinResize;
    if (!keep)
        return;
    const int h = MulDiv(MinWidth, tr.Height(), tr.Width());
    if (h > MinHeight)
        MinHeight = h;
    else
        MinWidth = MulDiv(MinHeight, tr.Width(), tr.Height());
}

TRect TRectGhost::DraggedRect(const TPoint& d, bool keep) const {
    const TRect& tr = TargetRect;
    TRect n = tr;
    if (DragsLeft(Index))
        n.Left = tr.Left + d.X;
    if (DragsRight(Index))
        n.Right = tr.Right + d.X;
    if (DragsTop(Index))
        n.Top = tr.Top + d.Y;
    if (DragsBottom(Index))
        n.Bottom = tr.Bottom + d.Y;
    if (!keep)
        return n;
    // A middle handle drags one edge; the other extent follows about the centre line.
    if (Index == ghLeftMiddle || Index == ghRightMiddle) {
        const int k = MulDiv(Abs(n.Width()), tr.Height(), tr.Width());
        n.Top -= k;
        n.Bottom += k;
    } else if (Index == ghTopMiddle || Index == ghBottomMiddle) {
        const int k = MulDiv(Abs(n.Height()), tr.Width(), tr.Height());
        n.Left -= k;
        n.Right += k;
    }
    return n;
}

TRect TRectGhost::ProportionalRect(const TRect& n) const {
    const TRect& tr = TargetRect;
    // Turned the way the drag turned the rect.
    TRect fit = FitRectInner(tr, NormalizeRect(n));
    if (n.Left > n.Right)
        std::swap(fit.Left, fit.Right);
    if (n.Top > n.Bottom)
        std::swap(fit.Top, fit.Bottom);
    const int dx = DragsLeft(Index) ? tr.Right - fit.Right : DragsRight(Index) ? tr.Left - fit.Left : 0;
    const int dy = DragsTop(Index) ? tr.Bottom - fit.Bottom : DragsBottom(Index) ? tr.Top - fit.Top : 0;
    OffsetRect(fit, dx, dy);
    return fit;
}

void TRectGhost::HoldMinimumSize(TRect& n) const {
    // A narrower inverted rect comes the right way round here.
    if (Abs(n.Right - n.Left) < MinWidth) {
        if (DragsLeft(Index)) {
            n.Left = n.Right - MinWidth;
        } else if (DragsRight(Index)) {
            n.Right = n.Left + MinWidth;
        } else {
            n.Left = int((int64_t(n.Left) + n.Right - MinWidth) / 2);
            n.Right = n.Left + MinWidth;
        }
    }
    if (Abs(n.Bottom - n.Top) < MinHeight) {
        if (DragsTop(Index)) {
            n.Top = n.Bottom - MinHeight;
        } else if (DragsBottom(Index)) {
            n.Bottom = n.Top + MinHeight;
        } else {
            n.Top = int((int64_t(n.Top) + n.Bottom - MinHeight) / 2);
            n.Bottom = n.Top + MinHeight;
        }
    }
}

void TRectGhost::ApplyToClone(const TRect& n, int angle) {
    TDrawObject* clone = Ghost();
    TDrawObject* target = Target();
    if (clone == nullptr || target == nullptr)
        return;
    clone->Assign(target);
    if (TIntf<IDOAutoSize> autoSize = ObjectSupports<IDOAutoSize>(clone))
        autoSize->SetAutoSize(false);
    TIntf<IDORectProps> props = ObjectSupports<IDORectProps>(clone);
    if (!props)
        return;
    TRect r = NormalizeRect(n);
    if (angle != 0) {
        const TPoint c = Turned(RectCenter(r), RectCenter(TargetRect), angle);
        const int w = r.Width(), h = r.Height();
        r = Bounds(c.X - w / 2, c.Y - h / 2, w, h);
    }
    const TPoint inside = GetKeepInsideOffset(r, LimitRect);
    OffsetRect(r, inside.X, inside.Y);
    props->SetLeft(r.Left);
    props->SetTop(r.Top);
    props->SetWidth(r.Width());
    props->SetHeight(r.Height());
}

// ---- TRectCreateGhost

TRectCreateGhost::TRectCreateGhost(TDrawObject* object, int index) : TRectGhost(object, index) {
    HoldCreated();
}

void TRectCreateGhost::Start(const TPoint& press) {
    TRectGhost::Start(press);
    BeginCreate(ghBottomRight);
    // The first corner snaps as the second will, so that a shape drawn with snapping on lies on the
    // grid as a whole.
    const TPoint p = SnapPoint(this, press);
    NewRect = TRect(p, p);
    if (TIntf<IDORectProps> props = ObjectSupports<IDORectProps>(Target())) {
        props->SetLeft(p.X);
        props->SetTop(p.Y);
        props->SetWidth(1);
        props->SetHeight(1);
    }
    // The new object grows from the press point.
    TargetRect = RectPropsBounds(Target());
}

void TRectCreateGhost::Drop(TShiftState shift) {
    if (Target() == nullptr)
        return;
    TRectGhost::Drop(shift);
    AddCreated();
}

// ---- TRotatePivot

TRotatePivot::TRotatePivot(TComponent* owner) : TPivot(owner) {
    Size = 6;
}

TRotatePivot::TRotatePivot(TDrawObject* object, TCursor cursor, int index) : TPivot(object, cursor, index) {
    Size = 6;
}

void TRotatePivot::Paint() {
    PaintSolid(TPen{clWhite, 0, psSolid, pmCopy}, TBrush{TColor(0x00FF00), bsSolid}, true);
}

// ---- TDORectGhostDesigner

bool TDORectGhostDesigner::MakePivots(TDrawObject* object) {
    if (!ObjectSupports<IDORectProps>(object))
        return false;
    auto* site = dynamic_cast<TDrawSite*>(object->Parent());
    if (site == nullptr)
        return false;
    const std::array<TPoint, kRectHandleCount> points = RectHandlePoints(object, RectPropsBounds(object));
    for (int i : {ghBottomLeft, ghTopRight}) {
        if (ObjectSupports<IDORotate>(object))
            site->PlacePivot(new TRotatePivot(object, crRotate, ghRotate), points[size_t(i)]);
        else
            site->PlacePivot(new TLabelPivot(object, crSizeNESW, i), points[size_t(i)]);
    }
    for (int i : {ghTopLeft, ghLeftMiddle, ghTopMiddle, ghBottomMiddle, ghRightMiddle, ghBottomRight})
        site->PlacePivot(new TLabelPivot(object, RectHandleCursor(i), i), points[size_t(i)]);
    return true;
}

bool TDORectGhostDesigner::MakeGhost(TDrawObject* object, int handle) {
    if (!ObjectSupports<IDORectProps>(object))
        return false;
    if (handle == ghCreate)
        AddGhost(std::make_unique<TRectCreateGhost>(object, handle));
    else if (handle == ghMove)
        AddGhost(std::make_unique<TMoveGhost>(object, handle));
    else if (handle >= ghTopLeft && handle <= ghBottomRight)
        AddGhost(std::make_unique<TRectGhost>(object, handle));
    else if (handle == ghRotate)
        AddGhost(std::make_unique<TRotateGhost>(object, handle));
    return true;
}
