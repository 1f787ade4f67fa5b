#include "pageobjects/engine/ULineGhost.h"

#include "core/UGeometryUtil.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/engine/ULabelObject.h"
#include "pageobjects/engine/UMoveGhost.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

// ---- TLineGhost

TLineGhost::TLineGhost(TDrawObject* object, int index) : TUniversalGhost(object, index) {
    Caption = QStringLiteral("移動・サイズ変更");
}

void TLineGhost::Move(TShiftState shift, const TPoint& delta) {
    TIntf<IDOLine> targetLine = ObjectSupports<IDOLine>(Target());
    TIntf<IDOLine> cloneLine = ObjectSupports<IDOLine>(Ghost());
    if (!targetLine || !cloneLine || (Index != ghLineStart && Index != ghLineEnd))
        return;
    TPoint start, end;
    targetLine->GetStartPoint(start);
    targetLine->GetEndPoint(end);
    const bool dragsStart = Index == ghLineStart;
    auto set = [&](const TPoint& p) {
        if (dragsStart)
            cloneLine->SetStartPoint(p);
        else
            cloneLine->SetEndPoint(p);
    };
    const TPoint& from = dragsStart ? start : end;
    TPoint p(from.X + delta.X, from.Y + delta.Y);
    if (delta != TPoint(0, 0))
        p = SnapPoint(this, p);
    set(p);
    if ((shift & ssShift) == 0)
        return;
    TPoint cs, ce;
    cloneLine->GetStartPoint(cs);
    cloneLine->GetEndPoint(ce);
    const int64_t dx = int64_t(ce.X) - cs.X;
    const int64_t dy = int64_t(ce.Y) - cs.Y;
    const TPoint& other = dragsStart ? end : start;
    if (dx != 0 && std::llabs(dy) < std::llabs(dx))
        p.Y = other.Y;
    else
        p.X = other.X;
    set(p);
}

// ---- TLineCreateGhost

TLineCreateGhost::TLineCreateGhost(TDrawObject* object, int index) : TLineGhost(object, index) {
    HoldCreated();
}

void TLineCreateGhost::Start(const TPoint& p) {
    TLineGhost::Start(p);
    BeginCreate(ghLineEnd);
    CollapseEnds<IDOLine>(p);
}

void TLineCreateGhost::Drop(TShiftState shift) {
    // Dragged back onto the press point: a line without length is not made.
    if (Target() == nullptr || !HasLength<IDOLine>(Ghost()))
        return;
    TLineGhost::Drop(shift);
    AddCreated();
}

// ---- TRotateGhost

TRotateGhost::TRotateGhost(TDrawObject* object, int index) : TUniversalGhost(object, index) {
    Caption = QStringLiteral("回転");
}

void TRotateGhost::Move(TShiftState shift, const TPoint& delta) {
    TIntf<IDOEncloseBounds> cloneBounds = ObjectSupports<IDOEncloseBounds>(Ghost());
    TIntf<IDORotate> targetRotate = ObjectSupports<IDORotate>(Target());
    TIntf<IDORotate> cloneRotate = ObjectSupports<IDORotate>(Ghost());
    if (!cloneBounds || !targetRotate || !cloneRotate)
        return;
    TRect r;
    cloneBounds->GetLogRect(r);
    const TPoint c = RectCenter(r);
    const long double a0 = std::atan2((long double)StartPoint.Y - c.Y, (long double)StartPoint.X - c.X);
    const long double a1 =
        std::atan2((long double)StartPoint.Y + delta.Y - c.Y, (long double)StartPoint.X + delta.X - c.X);
    // The turn the short way round: a drag across the far side of the centre would otherwise add
    // a whole turn (the same orientation, but a surprising angle).
    constexpr long double kPi = std::numbers::pi_v<long double>;
    long double turn = a1 - a0;
    if (turn > kPi)
        turn -= 2 * kPi;
    else if (turn <= -kPi)
        turn += 2 * kPi;
    // The sum is formed in 64 bits: a stored angle may lie anywhere in the int range, and the
    // result is held inside it (on a multiple of 45 when stepping).
    int64_t angle = int64_t(RoundEvenClamped(turn * 180 / kPi)) + targetRotate->GetAngle();
    int64_t low = INT32_MIN, high = INT32_MAX;
    if ((shift & ssShift) != 0) {
        angle = angle < 0 ? ((angle - 22) / 45) * 45 : ((angle + 22) / 45) * 45;
        high = (high / 45) * 45;
        low = -high;
    }
    cloneRotate->SetAngle(int(std::clamp(angle, low, high)));
}

// ---- TDOLineGhostDesigner

bool TDOLineGhostDesigner::MakePivots(TDrawObject* object) {
    TIntf<IDOLine> line = ObjectSupports<IDOLine>(object);
    auto* site = object != nullptr ? dynamic_cast<TDrawSite*>(object->Parent()) : nullptr;
    if (!line || site == nullptr)
        return false;
    TPoint start, end;
    line->GetStartPoint(start);
    line->GetEndPoint(end);
    site->PlacePivot(new TLabelPivot(object, crSizeWE, ghLineStart), start);
    site->PlacePivot(new TLabelPivot(object, crSizeWE, ghLineEnd), end);
    return true;
}

bool TDOLineGhostDesigner::MakeGhost(TDrawObject* object, int handle) {
    if (!ObjectSupports<IDOLine>(object))
        return false;
    switch (handle) {
    case ghCreate:
        AddGhost(std::make_unique<TLineCreateGhost>(object, handle));
        break;
    case ghMove:
        AddGhost(std::make_unique<TMoveGhost>(object, handle));
        break;
    case ghLineStart:
    case ghLineEnd:
        AddGhost(std::make_unique<TLineGhost>(object, handle));
        break;
    default:
        break;
    }
    return true;
}
