#pragma once
// Page objects shaped as (possibly turned) rectangles are edited through the rectangle designer:
// eight resize handles and, on objects that turn, two rotate handles. Resizing works in the
// object's own unturned frame, can keep the object's proportions, keeps a minimum size and keeps
// the opposite edge or corner in place. Handle indexes: ghTopLeft to ghBottomRight, ghRotate,
// ghMove, ghCreate (TGhostHandle).

#include "pageobjects/engine/UDOFunc.h"
#include "pageobjects/engine/ULabelObject.h"
#include "pageobjects/engine/UUniversalGhost.h"

#include <array>

// The cursor of the rotate handles (a custom cursor of the application).
constexpr TCursor crRotate = 3;
// Draws the rotate cursor and registers it as crRotate; once, before the designers are made.
void LoadRotateCursor();

// The handle points 0 to 7 of the object's rect r (halves truncated toward zero), turned about
// the centre of r by the object's angle when it can turn.
std::array<TPoint, kRectHandleCount> RectHandlePoints(TDrawObject* object, const TRect& r);
// The resize cursor of handle 0 to 7 (the cursors do not follow the object's turn).
TCursor RectHandleCursor(int index);
// The object's rect through IDORectProps: Bounds(Left, Top, Width, Height).
TRect RectPropsBounds(TDrawObject* object);

class TRectGhost : public TUniversalGhost {
public:
    // Caption "サイズ変更"; NewRect and TargetRect take the target's rect.
    TRectGhost(TDrawObject* object, int index);

    // The rect being built for the clone, in the object's unturned frame; inverted while a
    // handle is dragged across the opposite side.
    TRect NewRect;
    // The smallest extents allowed in this move.
    int MinWidth = 0;
    int MinHeight = 0;
    // The target's rect when the drag began.
    TRect TargetRect;

    void Move(TShiftState shift, const TPoint& delta) override;
    // The target's own choice to keep proportions, Shift inverting it; never for a rect without
    // area.
    bool KeepsAspect(TShiftState shift);

private:
    // The steps of Move, in order.
    TPoint SnappedDelta(const TPoint& delta);
    void SetMinimumSize(TShiftState shift, bool keep);
    TRect DraggedRect(const TPoint& d, bool keep) const;
    TRect ProportionalRect(const TRect& n) const;
    void HoldMinimumSize(TRect& n) const;
    void ApplyToClone(const TRect& n, int angle);
};

// Draws a new object that the tool created on the site, still invisible, by dragging its
// bottom-right corner out from the press point (at least 20 x 20 unless Ctrl is held).
class TRectCreateGhost : public TRectGhost {
public:
    // Holds the new object until the drop hands it to the site.
    TRectCreateGhost(TDrawObject* object, int index);
    void Start(const TPoint& p) override;
    void Drop(TShiftState shift) override;
};

// A rotate handle: a green disc with a white rim (the plain handle for a fixed object).
class TRotatePivot : public TPivot {
    QUORLANE_CLASS(TRotatePivot, TPivot)

public:
    explicit TRotatePivot(TComponent* owner);
    TRotatePivot(TDrawObject* object, TCursor cursor, int index);
    bool IsInverted() override { return false; }

protected:
    void Paint() override;
};

class TDORectGhostDesigner : public TDODesigner {
public:
    bool MakePivots(TDrawObject* object) override;
    bool MakeGhost(TDrawObject* object, int handle) override;
};
