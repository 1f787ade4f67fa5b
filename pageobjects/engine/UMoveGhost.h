#pragma once
// The ghost that moves a whole object (handle -1). Besides a free move it knows the moves that
// circular labels need: a move held to horizontal or vertical, and moves about the centre of the
// page in which the object slides along its circle or along its ray from the centre, optionally
// turning so that it keeps facing the centre, optionally in fixed angle steps. With Ctrl held at
// release it drops a copy instead. The simple variant only moves freely (face objects).

#include "pageobjects/engine/UUniversalGhost.h"

// The move options of the layout editor's commands.
struct TMoveGhostOptions {
    // Move about the page centre.
    bool CircumMove = false;
    // A free move keeps either X or Y of the object's position.
    bool ParallelMove = false;
    // A free move also turns the object by the angle its centre moved about the page centre.
    bool FreeRotate = false;
    // A move about the centre also turns the object by the angle it travelled.
    bool CircumRotate = false;
    // A move about the centre lands the object's centre on multiples of StepAngle.
    bool CircumPhased = false;
    // Degrees.
    int StepAngle = 30;
    friend bool operator==(const TMoveGhostOptions&, const TMoveGhostOptions&) = default;
};

// The one mode record of the process, read by every move ghost when it is made.
TMoveGhostOptions& MoveGhostOptions();

// An angle value meaning: no rotation.
constexpr int kNoRotation = 0x7FFFFFFF;

// What the ghosts need of a text object beyond the common interfaces: its turn about its
// rotation origin (a bent text keeps its place on its circle) and the straighten flag, set while
// the user drags its bulge, under which the text turns small bulges into none.
struct IDOTextGhost : virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{5D9DD316-FE10-4956-9BE8-A7A70D8EAE6B}");
    virtual void RotateAroundOrigin(int newAngle) = 0;
    virtual void SetStraighten(bool value) = 0;

protected:
    ~IDOTextGhost() = default;
};

// The geometry of moves about a centre (logical units, y downward, angles clockwise).
// The drag from start to now is along the ray from centre rather than around it: the arc it
// would travel at its new radius is strictly shorter than the change of radius. dr and da receive
// that change of radius and the angle travelled (radians).
bool IsRadialMove(const TPoint& centre, const TPoint& start, const TPoint& now, long double& dr,
                  long double& da);
// r moved by dr along the ray from centre through its centre.
TRect RadialMoveRect(const TRect& r, const TPoint& centre, long double dr);
// r turned about centre by da (radians), its centre landing on a multiple of step degrees (0 =
// free); angle receives the turn in whole degrees.
TRect CircularMoveRect(const TRect& r, const TPoint& centre, long double da, int step, int& angle);
// The whole degrees through which the centre of r moved about centre from r0.
int CentreTurn(const TRect& r0, const TRect& r, const TPoint& centre);

class TMoveGhost : public TUniversalGhost {
public:
    // Caption "移動"; Settings is a copy of the global mode (later changes do not reach a running
    // drag).
    TMoveGhost(TDrawObject* object, int index);

    TMoveGhostOptions Settings;
    // The mode the last outline was drawn with.
    TMoveGhostOptions DrawMode;

    // Also shows the circle and ray of the target's path about the page centre while moving
    // about it.
    void Draw() override;
    void Move(TShiftState shift, const TPoint& delta) override;
    // Nothing when the object neither moved nor turned; with Ctrl a moved copy is added and the
    // original stays.
    void Drop(TShiftState shift) override;

    // The settings as the modifiers change them: the snap-off key (Alt unless chosen otherwise)
    // alone a plain free move (turning as set), Shift with it switches between free and
    // circumferential, Shift toggles phasing (about the centre) or the parallel constraint (free).
    // Other keys change nothing here.
    virtual void GetMode(TMoveGhostOptions& mode, TShiftState shift);
    // Deselects the target and adds a copy of the clone to the site, recorded as "ドラッグコピー".
    virtual void DropCopy();
    // A new instance of the clone's class assigned from the clone.
    virtual std::unique_ptr<TDrawObject> MakeCopy();

protected:
    // (LogWidth div 2, LogHeight div 2) of the site.
    TPoint PageCentre() const;
};

// Only free moves, never a copy.
class TSimpleMoveGhost : public TMoveGhost {
public:
    using TMoveGhost::TMoveGhost;
    void Drop(TShiftState shift) override;
    void GetMode(TMoveGhostOptions& mode, TShiftState shift) override;
};
