#pragma once
// Curves (curved lines and text bent along an arc) are three-point objects: a start point, an end
// point and a bulge point on the curve halfway between them. The curve designer places a handle
// on each end (10 the start, 11 the end) and a red round handle on the bulge point (12), and makes
// the ghosts that drag them, move the whole curve (-1) and draw a new curve from the press point
// (-2). Dragging an end moves both ends symmetrically about the middle unless Shift is held;
// dragging the bulge point bends the curve between fixed ends or, moving about the centre, lays
// the curve along a circle about the centre of the site area, keeping its length.

#include "pageobjects/engine/UDOFunc.h"
#include "pageobjects/engine/UUniversalGhost.h"

// Lays the curve S-B-E on the circle about o through p, keeping its length: S and E receive the
// new ends. A nearly straight curve keeps the chord's length; the radius is at least 50.
void LayCurveOnCircle(TPoint& s, TPoint& e, const TPoint& b, const TPoint& p, const TPoint& o);

class TCurveGhost : public TUniversalGhost {
public:
    // Caption "移動・サイズ変更".
    TCurveGhost(TDrawObject* object, int index);
    // Closes the clone's curve edit when the drag ended without a drop.
    ~TCurveGhost() override;

    // Opens the clone's curve edit.
    void Start(const TPoint& p) override;
    void Move(TShiftState shift, const TPoint& delta) override;
    // Closes the clone's curve edit, then the change is recorded.
    void Drop(TShiftState shift) override;

    // Only while a new curve is drawn.
    bool Creating = false;

protected:
    void EndEdit();
    bool editing_ = false;
};

// Draws a new curve that the tool created on the site, still invisible: the end point follows the
// mouse from the press point. A curve whose ends meet is not created.
class TCurveCreateGhost : public TCurveGhost {
public:
    // Holds the new curve until the drop hands it to the site.
    TCurveCreateGhost(TDrawObject* object, int index);
    void Start(const TPoint& p) override;
    void Drop(TShiftState shift) override;
};

// The bulge handle: a red disc with a white rim (the plain handle for a fixed object).
class TBulgePivot : public TPivot {
    QUORLANE_CLASS(TBulgePivot, TPivot)

public:
    explicit TBulgePivot(TComponent* owner);
    TBulgePivot(TDrawObject* object, TCursor cursor, int index);
    bool IsInverted() override { return false; }

protected:
    void Paint() override;
};

class TDOCurveGhostDesigner : public TDODesigner {
public:
    bool MakePivots(TDrawObject* object) override;
    // Only curves, and only their own handles, the move and the creation: other handles are left
    // to an older designer.
    bool MakeGhost(TDrawObject* object, int handle) override;
};
