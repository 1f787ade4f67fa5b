#include "pageobjects/engine/UMoveGhost.h"

#include "core/UGeometryUtil.h"
#include "pageobjects/engine/UAction.h"
#include "pageobjects/engine/UDOAction.h"
#include "pageobjects/engine/UDOUtils.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/engine/UGrid.h"
#include "pageobjects/engine/URectGhost.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace {

constexpr long double kPi = std::numbers::pi_v<long double>;

long double AngleOf(const TPoint& p) {
    return std::atan2((long double)p.Y, (long double)p.X);
}
long double Length(const TPoint& p) {
    return std::hypot((long double)p.X, (long double)p.Y);
}
TPoint Minus(const TPoint& a, const TPoint& b) {
    return TPoint(a.X - b.X, a.Y - b.Y);
}

// A move snaps the corners of the object's own rectangle, where its handles sit and where drawing
// and resizing it snap, rather than of its painted extent (a frame's outer band, widened at small
// zooms), which would leave the object itself off the grid. A turned object snaps its extent. False
// when the extent is the frame.
bool SnapFrame(TDrawObject* object, TRect& frame) {
    TIntf<IDORotate> rotate = ObjectSupports<IDORotate>(object);
    if (!ObjectSupports<IDORectProps>(object) || (rotate && rotate->GetAngle() % 360 != 0))
        return false;
    frame = RectPropsBounds(object);
    return true;
}

} // namespace

TMoveGhostOptions& MoveGhostOptions() {
    static TMoveGhostOptions mode;
    return mode;
}

bool IsRadialMove(const TPoint& centre, const TPoint& start, const TPoint& now, long double& dr,
                  long double& da) {
    const TPoint p1 = Minus(now, centre);
    const TPoint p0 = Minus(start, centre);
    dr = Length(p1) - Length(p0);
    da = AngleOf(p1) - AngleOf(p0);
    // p1 turned back by the angle travelled: the chord of the arc at the new radius.
    const long double c = std::cos(-da), s = std::sin(-da);
    const long double qx = p1.X * c - p1.Y * s, qy = p1.X * s + p1.Y * c;
    const long double chord = std::hypot(qx - p1.X, qy - p1.Y);
    return std::fabs(chord) < std::fabs(dr);
}

TRect RadialMoveRect(const TRect& r, const TPoint& centre, long double dr) {
    const long double a = AngleOf(Minus(RectCenter(r), centre));
    TRect result = r;
    OffsetRect(result, TruncClamped(dr * std::cos(a)), TruncClamped(dr * std::sin(a)));
    return result;
}

TRect CircularMoveRect(const TRect& r, const TPoint& centre, long double da, int step, int& angle) {
    const TPoint q0 = Minus(RectCenter(r), centre);
    const long double b0 = AngleOf(q0);
    long double b = b0 + da;
    if (step != 0) {
        // The absolute angle about the centre goes to the nearest multiple of the step, halves
        // away from zero.
        const long double s = b > 0 ? step * kPi / 180 : step * -kPi / 180;
        b = std::trunc((s / 2 + b) / s) * s;
    }
    angle = RoundAwayClamped((b - b0) * 180 / kPi);
    const long double c = std::cos(b - b0), s = std::sin(b - b0);
    const TPoint q(TruncClamped(q0.X * c - q0.Y * s), TruncClamped(q0.X * s + q0.Y * c));
    TRect result = r;
    OffsetRect(result, q.X - q0.X, q.Y - q0.Y);
    return result;
}

int CentreTurn(const TRect& r0, const TRect& r, const TPoint& centre) {
    const long double a = AngleOf(Minus(RectCenter(r), centre)) - AngleOf(Minus(RectCenter(r0), centre));
    return RoundAwayClamped(a * 180 / kPi);
}

// ---- TMoveGhost

TMoveGhost::TMoveGhost(TDrawObject* object, int index)
    : TUniversalGhost(object, index), Settings(MoveGhostOptions()), DrawMode(Settings) {
    Caption = QStringLiteral("移動");
}

TPoint TMoveGhost::PageCentre() const {
    return Site != nullptr ? TPoint(Site->LogWidth() / 2, Site->LogHeight() / 2) : TPoint();
}

void TMoveGhost::GetMode(TMoveGhostOptions& mode, TShiftState shift) {
    mode = Settings;
    // The key that turns snapping off also gives the plain move, so one key means "free" throughout.
    const TShiftState off = SnapOffModifier();
    const bool offHeld = off != 0 && (shift & off) == off;
    const bool shiftHeld = (shift & ssShift & ~off) != 0;
    if (offHeld && shiftHeld) {
        mode.CircumMove = !mode.CircumMove;
    } else if (offHeld) {
        mode.CircumMove = false;
        mode.CircumPhased = false;
        mode.ParallelMove = false;
        mode.FreeRotate = false;
    } else if (shiftHeld) {
        if (mode.CircumMove)
            mode.CircumPhased = !mode.CircumPhased;
        else
            mode.ParallelMove = !mode.ParallelMove;
    }
}

void TMoveGhost::Move(TShiftState shift, const TPoint& delta) {
    TMoveGhostOptions mode;
    GetMode(mode, shift);
    int angle = kNoRotation;
    TIntf<IDOEncloseBounds> targetBounds = ObjectSupports<IDOEncloseBounds>(Target());
    TIntf<IDOEncloseBounds> cloneBounds = ObjectSupports<IDOEncloseBounds>(Ghost());
    if (!targetBounds || !cloneBounds)
        return;
    TRect r0;
    targetBounds->GetLogRect(r0);
    TRect r = r0;
    OffsetRect(r, delta.X, delta.Y);
    if (delta != TPoint(0, 0)) {
        TRect s = r0;
        SnapFrame(Target(), s);
        OffsetRect(s, delta.X, delta.Y);
        TPoint offset;
        GetSnapOffset(this,
                      {TPoint(s.Left, s.Top), TPoint(s.Right, s.Bottom), TPoint(s.Left, s.Bottom),
                       TPoint(s.Right, s.Top)},
                      offset);
        OffsetRect(r, offset.X == kNoSnap ? 0 : offset.X, offset.Y == kNoSnap ? 0 : offset.Y);
    }
    const TPoint centre = PageCentre();
    if (mode.CircumMove) {
        long double dr = 0, da = 0;
        const TPoint now(StartPoint.X + delta.X, StartPoint.Y + delta.Y);
        if (IsRadialMove(centre, StartPoint, now, dr, da))
            r = RadialMoveRect(r0, centre, dr);
        else
            r = CircularMoveRect(r0, centre, da, mode.CircumPhased ? mode.StepAngle : 0, angle);
        if (!mode.CircumRotate)
            angle = kNoRotation;
    } else if (mode.ParallelMove) {
        // The rect stays whole so that keeping it inside sees its true centre.
        if (std::llabs(int64_t(r.Left) - r0.Left) <= std::llabs(int64_t(r.Top) - r0.Top))
            OffsetRect(r, r0.Left - r.Left, 0);
        else
            OffsetRect(r, 0, r0.Top - r.Top);
    }
    const TPoint keep = GetKeepInsideOffset(r, LimitRect);
    OffsetRect(r, keep.X, keep.Y);
    if (!mode.CircumMove)
        angle = mode.FreeRotate ? CentreTurn(r0, r, centre) : kNoRotation;

    TIntf<IDORotate> targetRotate = ObjectSupports<IDORotate>(Target());
    TIntf<IDORotate> cloneRotate = ObjectSupports<IDORotate>(Ghost());
    if (targetRotate && cloneRotate)
        cloneRotate->SetAngle(targetRotate->GetAngle());
    TRect current;
    cloneBounds->GetLogRect(current);
    TPoint to(r.Left, r.Top);
    // The extent need not follow its object to the unit (its band is rounded where it lies): the
    // object's own rectangle is moved by the distance found.
    if (TRect from, clone; SnapFrame(Target(), from) && SnapFrame(Ghost(), clone)) {
        current = clone;
        to = TPoint(from.Left + (r.Left - r0.Left), from.Top + (r.Top - r0.Top));
    }
    cloneBounds->MoveBy(to.X - current.Left, to.Y - current.Top);
    if (targetRotate && cloneRotate && angle != kNoRotation) {
        const int turned = ClampToInt32(int64_t(targetRotate->GetAngle()) + angle);
        if (TIntf<IDOTextGhost> text = ObjectSupports<IDOTextGhost>(Ghost()))
            text->RotateAroundOrigin(turned);
        else
            cloneRotate->SetAngle(turned);
    }
}

void TMoveGhost::Draw() {
    // The mode of the event the clone was last moved with, so that the path shown always fits the
    // outline.
    GetMode(DrawMode, GhostList().LastShift());
    TCanvas* canvas = Site != nullptr ? Site->GetDrawCanvas() : nullptr;
    TIntf<IDOEncloseBounds> targetBounds = ObjectSupports<IDOEncloseBounds>(Target());
    if (canvas != nullptr && DrawMode.CircumMove && targetBounds) {
        TRect r;
        targetBounds->GetLogRect(r);
        const TPoint c = PageCentre();
        const TPoint d = Minus(RectCenter(r), c);
        const int radius = RoundAwayClamped(Length(d));
        const long double a = AngleOf(d);
        const TPenStyle style = canvas->Pen().Style;
        canvas->Pen().Style = psDash;
        canvas->Ellipse(c.X - radius, c.Y - radius, c.X + radius, c.Y + radius);
        canvas->MoveTo(c.X, c.Y);
        // Twice the centre's x in both axes: long enough to leave the page.
        canvas->LineTo(c.X + RoundAwayClamped(std::cos(a) * 2 * c.X),
                       c.Y + RoundAwayClamped(std::sin(a) * 2 * c.X));
        canvas->Pen().Style = style;
    }
    TUniversalGhost::Draw();
}

void TMoveGhost::Drop(TShiftState shift) {
    TIntf<IDOEncloseBounds> targetBounds = ObjectSupports<IDOEncloseBounds>(Target());
    TIntf<IDOEncloseBounds> cloneBounds = ObjectSupports<IDOEncloseBounds>(Ghost());
    if (!targetBounds || !cloneBounds)
        return;
    TRect r0, r1;
    targetBounds->GetLogRect(r0);
    cloneBounds->GetLogRect(r1);
    // A move that only turned the object in place is a change too.
    TIntf<IDORotate> targetRotate = ObjectSupports<IDORotate>(Target());
    TIntf<IDORotate> cloneRotate = ObjectSupports<IDORotate>(Ghost());
    const bool turned = targetRotate && cloneRotate && targetRotate->GetAngle() != cloneRotate->GetAngle();
    if (r0.Left == r1.Left && r0.Top == r1.Top && !turned)
        return;
    if ((shift & ssCtrl) != 0)
        DropCopy();
    else
        TUniversalGhost::Drop(shift);
}

std::unique_ptr<TDrawObject> TMoveGhost::MakeCopy() {
    return CloneDrawObject(Ghost());
}

void TMoveGhost::DropCopy() {
    TDrawObject* target = Target();
    if (target == nullptr || Site == nullptr)
        return;
    target->SetSelected(false);
    TDrawObject* added = Site->AdoptObject(MakeCopy());
    if (added == nullptr)
        return;
    ObjectPlaced(added);
    auto action = std::make_unique<TDOAddAction>(added);
    action->SetCaption(QStringLiteral("ドラッグコピー"));
    UndoList().Add(std::move(action));
}

// ---- TSimpleMoveGhost

void TSimpleMoveGhost::Drop(TShiftState) {
    TMoveGhost::Drop(0);
}

void TSimpleMoveGhost::GetMode(TMoveGhostOptions& mode, TShiftState) {
    mode = Settings;
    mode.CircumMove = false;
    mode.ParallelMove = false;
    mode.FreeRotate = false;
    mode.CircumRotate = false;
}
