#pragma once
// The ghost that changes a page object by dragging: it works on a clone of its target, shows the
// clone's outline while the button is held, and on release hands the clone's state to the target
// as one undoable change. The move, line, rotate, rectangle and curve ghosts build on it.
//
// Snapping: ghosts ask the global snap hook for the offset that brings a dragged point onto the
// grid or a guide. The layout editor fills the hook while its window is active (the rule it
// follows is EditorSnapOffset below); without a hook nothing snaps.

#include "pageobjects/engine/UDrawObject.h"
#include "pageobjects/engine/UGhost.h"
// The ghosts turn their extended-precision geometry into page coordinates with its clamped roundings.
#include "platform/IntMath.h"

#include <QString>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

class TGrid;
class TGuide;

// The snap method: for the logical point p the offset to add (either coordinate kNoSnap when that
// axis does not snap). sender is the asking ghost.
using TSnapHook = std::function<void(TObject* sender, const TPoint& p, TPoint& offset)>;

// The one hook of the process; empty by default (UI thread only).
TSnapHook& SnapHook();

// What the active editor does to every object a designer creates (its panel's settings, its
// menu), before the object's property dialog opens; empty when no editor is active.
using TObjectCreatedHook = std::function<void(TDrawObject* object)>;
TObjectCreatedHook& ObjectCreatedHook();

// What the active editor does to an object once it lies where the user put it: a new one handed
// to the site (drawn, inserted, pasted, copied by a drag) and one moved or resized by a drag or its
// property dialog. Empty when no editor is active.
using TObjectPlacedHook = std::function<void(TDrawObject* object)>;
TObjectPlacedHook& ObjectPlacedHook();
// Calls the hook, if any, for object.
void ObjectPlaced(TDrawObject* object);

// The smallest offset over all points, per axis (strictly smaller wins, so on equal distances the
// earlier point counts); kNoSnap in an axis where nothing snaps, and in both without a hook.
void GetSnapOffset(TObject* sender, const std::vector<TPoint>& points, TPoint& offset);
// p moved by its own snap offset; an axis without one stays.
void SnapPoint(TObject* sender, const TPoint& p, TPoint& q);
TPoint SnapPoint(TObject* sender, const TPoint& p);

// The modifier that turns snapping off while it is held: Alt. Many Linux window managers take
// Alt+drag for moving windows, so the application may choose another one here.
TShiftState SnapOffModifier();
void SetSnapOffModifier(TShiftState modifiers);

// The layout editor's snap rule, for its hook: (0, 0) while the snap-off modifier is held in
// liveShift; otherwise the grid's offset of p, each axis replaced by the guides' offset when that
// is strictly nearer. The guides snap within 10 pixels of the site, taken in logical units.
// Either source may be absent.
TPoint EditorSnapOffset(const TDrawSite& site, const TPoint& p, TShiftState liveShift, const TGuide* guides,
                        const TGrid* grid);

class TUniversalGhost : public TGhost {
public:
    // The clone is a new instance of the target's class (no owner) assigned from the target.
    TUniversalGhost(TDrawObject* object, int index);
    ~TUniversalGhost() override;

    // The clone every step of the drag changes.
    TDrawObject* Ghost() const { return ghost_.get(); }
    // The object being changed (null once it was destroyed elsewhere).
    TDrawObject* Target() const { return target_.get(); }
    // For the ghosts that draw a new object: true once the new object was handed to the site.
    bool Committed() const { return committed_; }

    // The logical point where the drag started.
    TPoint StartPoint;
    // The handle dragged (TGhostHandle): ghMove, ghCreate or a handle of the object.
    int Index = 0;
    // The caption of the undo action recorded on drop; empty records none.
    QString Caption;

    void Start(const TPoint& p) override;
    // The clone's outline, when it can draw one.
    void Draw() override;
    // The target takes the clone's state, recorded as a change action under Caption.
    void Drop(TShiftState shift) override;

protected:
    // For the ghosts that draw a new object: the drag works on handle index with nothing else
    // selected, and the drop records no change (AddCreated records the new object instead).
    void BeginCreate(int index);
    // Puts both ends of the target's and the clone's line (or curve) I on p, snapped.
    template <class I>
    void CollapseEnds(const TPoint& p);
    // For the ghosts that draw a new object (made for it while it waits, hidden, on the site): the
    // ghost owns the object until AddCreated hands it to the site, so a drag that is cancelled or
    // never moves frees it with the ghost.
    void HoldCreated();
    // The one hand-over of a new object: the site takes it, and it is selected, shown and
    // recorded as "追加".
    void AddCreated();

private:
    std::unique_ptr<TDrawObject> ghost_;
    std::unique_ptr<TDrawObject> created_;
    bool committed_ = false;
    TWeakRef<TDrawObject> target_;
};

// The interface I of a draw object, or null (also for a null object).
template <class I>
TIntf<I> ObjectSupports(TDrawObject* object) {
    return object != nullptr ? Supports<I>(static_cast<TObject*>(object)) : TIntf<I>();
}

template <class I>
void TUniversalGhost::CollapseEnds(const TPoint& p) {
    const TPoint q = SnapPoint(this, p);
    for (TDrawObject* object : {Target(), Ghost()}) {
        if (TIntf<I> line = ObjectSupports<I>(object)) {
            line->SetStartPoint(q);
            line->SetEndPoint(q);
        }
    }
}

// Whether the line (or curve) I of object has ends apart; false without one.
template <class I>
bool HasLength(TDrawObject* object) {
    TIntf<I> line = ObjectSupports<I>(object);
    if (!line)
        return false;
    TPoint s, e;
    line->GetStartPoint(s);
    line->GetEndPoint(e);
    return s != e;
}
