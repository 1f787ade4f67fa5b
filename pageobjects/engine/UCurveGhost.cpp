#include "pageobjects/engine/UCurveGhost.h"

#include "core/UGeometryUtil.h"
#include "pageobjects/engine/UArcGeometry.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/engine/ULabelObject.h"
#include "pageobjects/engine/UMoveGhost.h"
#include "pageobjects/engine/UTransformer.h"
#include "platform/Canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace {

constexpr long double kPi = std::numbers::pi_v<long double>;

TPoint Turned(const TPoint& p, int angle) {
    TRotator rotator;
    rotator.SetAngle(angle);
    TPoint q = p;
    rotator.TransformPoint(q);
    return q;
}

TPoint Plus(const TPoint& a, const TPoint& b) {
    return TPoint(a.X + b.X, a.Y + b.Y);
}

// Sets the text's straighten flag for the extent of one move.
class TStraightenScope {
public:
    TStraightenScope(TDrawObject* clone, bool value) : text_(ObjectSupports<IDOTextGhost>(clone)) {
        if (text_)
            text_->SetStraighten(value);
    }
    ~TStraightenScope() {
        if (text_)
            text_->SetStraighten(false);
    }
    TStraightenScope(const TStraightenScope&) = delete;
    TStraightenScope& operator=(const TStraightenScope&) = delete;

private:
    TIntf<IDOTextGhost> text_;
};

void SetCurve(IDOCurve& curve, const TPoint& s, const TPoint& e, const TPoint& b) {
    curve.SetStartPoint(s);
    curve.SetEndPoint(e);
    curve.SetBulgePoint(b);
}

} // namespace

void LayCurveOnCircle(TPoint& s, TPoint& e, const TPoint& b, const TPoint& p, const TPoint& o) {
    const int bulge = GetArcBulge(s, b, e);
    TArcInfo old;
    if (bulge < 1)
        MakeArcFromThreePoints(old, e, b, s);
    else
        MakeArcFromThreePoints(old, s, b, e);
    long double half;
    if (old.Radius < 1 || old.Radius >= kMaxArcRadius) {
        // Nearly straight: half the chord.
        half = std::hypot((long double)s.X - e.X, (long double)s.Y - e.Y) / 2;
    } else {
        long double end = old.EndAngle;
        while (end < old.StartAngle)
            end += 2 * kPi;
        half = old.Radius * (end - old.StartAngle) / 2;
    }
    const long double r = std::max(std::hypot((long double)p.X - o.X, (long double)p.Y - o.Y), 50.0L);
    const long double a = std::atan2((long double)p.Y - o.Y, (long double)p.X - o.X);
    TArcInfo laid;
    laid.Centre = o;
    laid.Radius = RoundAwayClamped(r);
    laid.StartAngle = a - half / r;
    laid.EndAngle = a + half / r;
    TPoint first, middle, last;
    GetArcPoints(first, middle, last, laid);
    if (bulge >= 1) {
        s = first;
        e = last;
    } else {
        s = last;
        e = first;
    }
}

// ---- TCurveGhost

TCurveGhost::TCurveGhost(TDrawObject* object, int index) : TUniversalGhost(object, index) {
    Caption = QStringLiteral("移動・サイズ変更");
}

TCurveGhost::~TCurveGhost() {
    EndEdit();
}

void TCurveGhost::EndEdit() {
    if (!editing_)
        return;
    editing_ = false;
    if (TIntf<IDOCurve> curve = ObjectSupports<IDOCurve>(Ghost()))
        curve->EndCurveEdit();
}

void TCurveGhost::Start(const TPoint& p) {
    if (TIntf<IDOCurve> curve = ObjectSupports<IDOCurve>(Ghost())) {
        curve->BeginCurveEdit();
        editing_ = true;
    }
    TUniversalGhost::Start(p);
}

void TCurveGhost::Drop(TShiftState shift) {
    EndEdit();
    TUniversalGhost::Drop(shift);
}

void TCurveGhost::Move(TShiftState shift, const TPoint& delta) {
    bool circular = false;
    if (Index == ghBulge) {
        circular = MoveGhostOptions().CircumMove;
        const TShiftState keys = shift & (ssShift | ssAlt);
        if (keys == (ssShift | ssAlt))
            circular = !circular;
        else if (keys == ssAlt)
            circular = false;
    }
    const TStraightenScope straighten(Ghost(), !circular);
    TIntf<IDOCurve> target = ObjectSupports<IDOCurve>(Target());
    TIntf<IDOCurve> clone = ObjectSupports<IDOCurve>(Ghost());
    if (!target || !clone)
        return;
    TPoint s, e, b;
    target->GetStartPoint(s);
    target->GetEndPoint(e);
    target->GetBulgePoint(b);

    // The delta mirrored across the perpendicular of the chord: along the chord reversed, across
    // it kept, so that the other end moves the opposite way.
    const long double chord = std::atan2((long double)e.Y - s.Y, (long double)e.X - s.X);
    const int a = RoundEvenClamped(-chord * 180 / kPi);
    TPoint mirrored = Turned(delta, a);
    mirrored.X = -mirrored.X;
    mirrored = Turned(mirrored, -a);

    const bool moved = delta != TPoint(0, 0);
    const bool shifted = (shift & ssShift) != 0;
    switch (Index) {
    case ghCurveStart: {
        const TPoint p = moved ? SnapPoint(this, Plus(s, delta)) : s;
        if (shifted) {
            SetCurve(*clone, s, e, b);
            clone->SetStartPoint(p);
        } else {
            SetCurve(*clone, p, Plus(e, mirrored), b);
        }
        break;
    }
    case ghCurveEnd: {
        const TPoint p = moved ? SnapPoint(this, Plus(e, delta)) : e;
        clone->SetEndPoint(p);
        if (Creating)
            break;
        if (shifted) {
            SetCurve(*clone, s, e, b);
            clone->SetEndPoint(p);
        } else {
            clone->SetStartPoint(Plus(s, mirrored));
            clone->SetBulgePoint(b);
        }
        break;
    }
    case ghBulge: {
        TPoint p = Plus(b, delta);
        if (!circular) {
            if (moved)
                p = SnapPoint(this, p);
            TPoint cs, ce;
            clone->GetStartPoint(cs);
            clone->GetEndPoint(ce);
            // The bulge never exceeds the smaller side of the visible area.
            const int bulge = GetArcBulge(cs, p, ce);
            const int limit = std::min(LimitRect.Width(), LimitRect.Height());
            if (std::llabs(int64_t(bulge)) > limit)
                GetBulgePoint(cs, ce, bulge < 0 ? -limit : limit, p);
            SetCurve(*clone, s, e, p);
        } else {
            TPoint ns = s, ne = e;
            LayCurveOnCircle(ns, ne, b, p, RectCenter(LimitRect));
            SetCurve(*clone, ns, ne, p);
        }
        break;
    }
    default:
        break;
    }
}

// ---- TCurveCreateGhost

TCurveCreateGhost::TCurveCreateGhost(TDrawObject* object, int index) : TCurveGhost(object, index) {
    HoldCreated();
}

void TCurveCreateGhost::Start(const TPoint& p) {
    Creating = true;
    BeginCreate(ghCurveEnd);
    CollapseEnds<IDOCurve>(p);
    TUniversalGhost::Start(p);
}

void TCurveCreateGhost::Drop(TShiftState shift) {
    // Dragged back onto the press point: a curve without length is not made.
    if (Target() == nullptr || !HasLength<IDOCurve>(Ghost()))
        return;
    TCurveGhost::Drop(shift);
    AddCreated();
}

// ---- TBulgePivot

TBulgePivot::TBulgePivot(TComponent* owner) : TPivot(owner) {
    Size = 6;
}

TBulgePivot::TBulgePivot(TDrawObject* object, TCursor cursor, int index) : TPivot(object, cursor, index) {
    Size = 6;
}

void TBulgePivot::Paint() {
    PaintSolid(TPen{clWhite, 0, psSolid, pmCopy}, TBrush{TColor(0x0000FF), bsSolid}, true);
}

// ---- TDOCurveGhostDesigner

bool TDOCurveGhostDesigner::MakePivots(TDrawObject* object) {
    TIntf<IDOCurve> curve = ObjectSupports<IDOCurve>(object);
    auto* site = object != nullptr ? dynamic_cast<TDrawSite*>(object->Parent()) : nullptr;
    if (!curve || site == nullptr)
        return false;
    TPoint s, e, b;
    curve->GetStartPoint(s);
    curve->GetEndPoint(e);
    curve->GetBulgePoint(b);
    site->PlacePivot(new TLabelPivot(object, crSizeWE, ghCurveStart), s);
    site->PlacePivot(new TLabelPivot(object, crSizeWE, ghCurveEnd), e);
    site->PlacePivot(new TBulgePivot(object, crSizeNS, ghBulge), b);
    return true;
}

bool TDOCurveGhostDesigner::MakeGhost(TDrawObject* object, int handle) {
    if (!ObjectSupports<IDOCurve>(object))
        return false;
    switch (handle) {
    case ghCreate:
        AddGhost(std::make_unique<TCurveCreateGhost>(object, handle));
        return true;
    case ghMove:
        AddGhost(std::make_unique<TMoveGhost>(object, handle));
        return true;
    case ghCurveStart:
    case ghCurveEnd:
    case ghBulge:
        AddGhost(std::make_unique<TCurveGhost>(object, handle));
        return true;
    default:
        return false;
    }
}
