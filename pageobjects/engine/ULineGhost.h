#pragma once
// Straight lines are edited through their two end points: the line designer places a handle on
// each end and makes the ghosts that drag an end (0 the start, 1 the end), move the line (-1) and
// draw a new one from the press point (-2). The rotate ghost turns an object about its centre;
// the rectangle designer makes it for the rotate handles.

#include "pageobjects/engine/UDOFunc.h"
#include "pageobjects/engine/UUniversalGhost.h"

class TLineGhost : public TUniversalGhost {
public:
    // Caption "移動・サイズ変更".
    TLineGhost(TDrawObject* object, int index);
    // The dragged end follows the mouse, snapped; with Shift the line is made horizontal (when
    // it runs more across than down) or vertical, through the other end.
    void Move(TShiftState shift, const TPoint& delta) override;
};

// Draws a new line that the tool created on the site, still invisible: the end follows the
// mouse from the press point. A line whose ends meet is not created.
class TLineCreateGhost : public TLineGhost {
public:
    // Holds the new line until the drop hands it to the site.
    TLineCreateGhost(TDrawObject* object, int index);
    void Start(const TPoint& p) override;
    void Drop(TShiftState shift) override;
};

class TRotateGhost : public TUniversalGhost {
public:
    // Caption "回転".
    TRotateGhost(TDrawObject* object, int index);
    // The angle the mouse travelled about the clone's centre, added to the target's angle; with
    // Shift in steps of 45 degrees.
    void Move(TShiftState shift, const TPoint& delta) override;
};

class TDOLineGhostDesigner : public TDODesigner {
public:
    bool MakePivots(TDrawObject* object) override;
    bool MakeGhost(TDrawObject* object, int handle) override;
};
