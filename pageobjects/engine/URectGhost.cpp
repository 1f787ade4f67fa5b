#include "pageobjects/engine/URectGhost.h"

#include "core/UGeometryUtil.h"
#include "pageobjects/engine/UDOUtils.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/engine/ULineGhost.h"
#include "pageobjects/engine/UMoveGhost.h"
#include "pageobjects/engine/UStroke.h"
#include "pageobjects/engine/UTransformer.h"
#include "platform/Canvas.h"

#include <QCursor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cstdlib>
#include <utility>

namespace {

constexpr TCursor kHandleCursors[8] = {crSizeNWSE, crSizeWE,   crSizeNESW, crSizeNS,
                                       crSizeNS,   crSizeNESW, crSizeWE,   crSizeNWSE};

TPoint HandlePoint(const TRect& r, int index) {
    const int mx = int((int64_t(r.Left) + r.Right) / 2);
    const int my = int((int64_t(r.Top) + r.Bottom) / 2);
    switch (index) {
    case 0:
        return TPoint(r.Left, r.Top);
    case 1:
        return TPoint(r.Left, my);
    case 2:
        return TPoint(r.Left, r.Bottom);
    case 3:
        return TPoint(mx, r.Top);
    case 4:
        return TPoint(mx, r.Bottom);
    case 5:
        return TPoint(r.Right, r.Top);
    case 6:
        return TPoint(r.Right, my);
    default:
        return TPoint(r.Right, r.Bottom);
    }
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
    return index >= 0 && index < 8 ? kHandleCursors[index] : crDefault;
}

std::array<TPoint, 8> RectHandlePoints(TDrawObject* object, const TRect& r) {
    std::array<TPoint, 8> points;
    for (int i = 0; i < 8; ++i)
        points[size_t(i)] = HandlePoint(r, i);
    if (TIntf<IDORotate> rotate = ObjectSupports<IDORotate>(object)) {
        TStroke stroke;
        for (const TPoint& p : points)
            stroke.AddPoint(p.X, p.Y, 0);
        TRotator rotator;
        rotator.SetAngle(rotate->GetAngle());
        rotator.Center = RectCenter(r);
        rotator.TransformStroke(stroke);
        for (int i = 0; i < 8; ++i)
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
    if (Index < 0 || Index > 7)
        return;
    const TRect tr = TargetRect;
    TIntf<IDORotate> targetRotate = ObjectSupports<IDORotate>(Target());
    TIntf<IDORotate> cloneRotate = ObjectSupports<IDORotate>(Ghost());

    // 1. Snap the dragged handle where it lies on the page.
    TPoint d = delta;
    if (d != TPoint(0, 0)) {
        TPoint h = HandlePoint(tr, Index);
        if (targetRotate && targetRotate->GetAngle() != 0)
            h = Turned(h, RectCenter(tr), targetRotate->GetAngle());
        const TPoint p = SnapPoint(this, TPoint(h.X + d.X, h.Y + d.Y));
        d = TPoint(p.X - h.X, p.Y - h.Y);
    }
    // 2. The minimum size, in the object's proportions when it keeps them.
    MinWidth = MinHeight = (shift & ssCtrl) != 0 ? 0 : 20;
    const bool keep = KeepsAspect(shift);
    if (keep) {
        const int h = MulDiv(MinWidth, tr.Height(), tr.Width());
        if (h > MinHeight)
            MinHeight = h;
        else
            MinWidth = MulDiv(MinHeight, tr.Width(), tr.Height());
    }
    // 3. From here on the drag is in the object's own frame.
    const int angle = cloneRotate ? cloneRotate->GetAngle() : 0;
    if (cloneRotate)
        d = Turned(d, TPoint(0, 0), -angle);
    // 4. The dragged side or corner.
    TRect& n = NewRect;
    n = tr;
    auto widen = [&] {
        const int k = MulDiv(Abs(n.Height()), tr.Width(), tr.Height());
        n.Left -= k;
        n.Right += k;
    };
    auto heighten = [&] {
        const int k = MulDiv(Abs(n.Width()), tr.Height(), tr.Width());
        n.Top -= k;
        n.Bottom += k;
    };
    switch (Index) {
    case 0:
        n.Left = tr.Left + d.X;
        n.Top = tr.Top + d.Y;
        break;
    case 1:
        n.Left = tr.Left + d.X;
        if (keep)
            heighten();
        break;
    case 2:
        n.Left = tr.Left + d.X;
        n.Bottom = tr.Bottom + d.Y;
        break;
    case 3:
        n.Top = tr.Top + d.Y;
        if (keep)
            widen();
        break;
    case 4:
        n.Bottom = tr.Bottom + d.Y;
        if (keep)
            widen();
        break;
    case 5:
        n.Right = tr.Right + d.X;
        n.Top = tr.Top + d.Y;
        break;
    case 6:
        n.Right = tr.Right + d.X;
        if (keep)
            heighten();
        break;
    default:
        n.Right = tr.Right + d.X;
        n.Bottom = tr.Bottom + d.Y;
        break;
    }
    // 5. Proportions: the largest rect of the target's shape inside, turned the way the drag
    // turned it, with the side or corner opposite the handle where it was.
    if (keep) {
        TRect fit = FitRectInner(tr, NormalizeRect(n));
        if (n.Left > n.Right)
            std::swap(fit.Left, fit.Right);
        if (n.Top > n.Bottom)
            std::swap(fit.Top, fit.Bottom);
        TPoint shiftBy;
        switch (Index) {
        case 0:
            shiftBy = TPoint(tr.Right - fit.Right, tr.Bottom - fit.Bottom);
            break;
        case 1:
            shiftBy = TPoint(tr.Right - fit.Right, 0);
            break;
        case 2:
            shiftBy = TPoint(tr.Right - fit.Right, tr.Top - fit.Top);
            break;
        case 3:
            shiftBy = TPoint(0, tr.Bottom - fit.Bottom);
            break;
        case 4:
            shiftBy = TPoint(0, tr.Top - fit.Top);
            break;
        case 5:
            shiftBy = TPoint(tr.Left - fit.Left, tr.Bottom - fit.Bottom);
            break;
        case 6:
            shiftBy = TPoint(tr.Left - fit.Left, 0);
            break;
        default:
            shiftBy = TPoint(tr.Left - fit.Left, tr.Top - fit.Top);
            break;
        }
        OffsetRect(fit, shiftBy.X, shiftBy.Y);
        n = fit;
    }
    // 6. The minimum size grows away from the fixed side (a narrower inverted rect comes the
    // right way round here).
    if (Abs(n.Right - n.Left) < MinWidth) {
        if (Index <= 2) {
            n.Left = n.Right - MinWidth;
        } else if (Index >= 5) {
            n.Right = n.Left + MinWidth;
        } else {
            n.Left = int((int64_t(n.Left) + n.Right - MinWidth) / 2);
            n.Right = n.Left + MinWidth;
        }
    }
    if (Abs(n.Bottom - n.Top) < MinHeight) {
        if (Index == 0 || Index == 3 || Index == 5) {
            n.Top = n.Bottom - MinHeight;
        } else if (Index == 2 || Index == 4 || Index == 7) {
            n.Bottom = n.Top + MinHeight;
        } else {
            n.Top = int((int64_t(n.Top) + n.Bottom - MinHeight) / 2);
            n.Bottom = n.Top + MinHeight;
        }
    }
    // 7. The clone takes the new rect, its centre turned back onto the page.
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
    if (cloneRotate && cloneRotate->GetAngle() != 0) {
        const TPoint c = Turned(RectCenter(r), RectCenter(tr), cloneRotate->GetAngle());
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

void TRectCreateGhost::Start(const TPoint& p) {
    TRectGhost::Start(p);
    BeginCreate(7);
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
    const std::array<TPoint, 8> points = RectHandlePoints(object, RectPropsBounds(object));
    for (int i : {2, 5}) {
        if (ObjectSupports<IDORotate>(object))
            site->PlacePivot(new TRotatePivot(object, crRotate, 8), points[size_t(i)]);
        else
            site->PlacePivot(new TLabelPivot(object, crSizeNESW, i), points[size_t(i)]);
    }
    for (int i : {0, 1, 3, 4, 6, 7})
        site->PlacePivot(new TLabelPivot(object, RectHandleCursor(i), i), points[size_t(i)]);
    return true;
}

bool TDORectGhostDesigner::MakeGhost(TDrawObject* object, int handle) {
    if (!ObjectSupports<IDORectProps>(object))
        return false;
    if (handle == -2)
        AddGhost(std::make_unique<TRectCreateGhost>(object, handle));
    else if (handle == -1)
        AddGhost(std::make_unique<TMoveGhost>(object, handle));
    else if (handle >= 0 && handle <= 7)
        AddGhost(std::make_unique<TRectGhost>(object, handle));
    else if (handle == 8)
        AddGhost(std::make_unique<TRotateGhost>(object, handle));
    return true;
}
