#pragma once
// Drag feedback and selection handles, as far as the draw site drives them: the ghost base,
// the one global ghost list (one drag at a time), the rubber-band selection ghost and the
// handle control. Ghosts are drawn by the site in its overlay after the page image, so that a
// drag repaints only the overlay and leaves no trace on the page; the list's pen is the
// exclusive-or outline pen. The ghosts that change objects build on these.

#include "platform/Canvas.h"
#include "platform/GraphicControl.h"
#include "platform/Rect.h"
#include "platform/ShiftState.h"

#include <memory>
#include <vector>

class TDrawObject;
class TDrawSite;

class TGhost : public TObject {
public:
    TGhost() = default;
    ~TGhost() override = default;

    // The area in which the ghost works (the site's logical client rect) and the site that shows
    // it; both set by the ghost list when the drag starts.
    TRect LimitRect;
    TDrawSite* Site = nullptr;

    // The drag starts at logical point p.
    virtual void Start(const TPoint& p);
    // Draws the ghost once on the site's draw canvas (prepared with the list's pen and brush).
    virtual void Draw() = 0;
    // The mouse is now at the start point + delta.
    virtual void Move(TShiftState shift, const TPoint& delta) = 0;
    // The button was released: apply the change.
    virtual void Drop(TShiftState shift) = 0;
    // Draws the ghost on its site, when the site can show it.
    void DrawOnSite();
};

class TGhostList : public TObject {
public:
    TGhostList();
    ~TGhostList() override;

    void Add(std::unique_ptr<TGhost> ghost);
    int Count() const { return int(ghosts_.size()); }
    TGhost* Ghosts(int index) const { return ghosts_.at(size_t(index)).get(); }
    bool IsEmpty() const { return ghosts_.empty(); }
    bool Active() const { return active_; }
    bool Moved() const { return moved_; }
    TPoint StartPoint() const { return startPoint_; }
    TPoint LastPoint() const { return lastPoint_; }
    TShiftState LastShift() const { return lastShift_; }
    TDrawSite* Site() const { return site_; }
    TPen& Pen() { return pen_; }
    TBrush& Brush() { return brush_; }

    // Starts the drag: pending paints are done, every ghost learns its site and limits and
    // starts at p, and the ghosts are shown.
    void Start(TDrawSite* site, const TRect& limitRect, const TPoint& p, TShiftState shift);
    // Moves every ghost to p (nothing when neither point nor modifiers changed).
    void DragTo(TShiftState shift, const TPoint& p);
    // Hides the ghosts and, when the mouse moved, lets each apply its change; then frees them.
    virtual void Drop();
    // Cancels: hides and frees the ghosts without applying anything.
    void ClearGhosts();
    void FreeGhosts();
    // Asks the site to show the ghosts' current state (the overlay is repainted).
    void DrawGhosts();
    // Draws every ghost on site's draw canvas; the site calls it from its overlay paint.
    void PaintGhosts(TDrawSite* site);
    // Exactly one ghost and it is a rubber band.
    bool IsSelectGhost() const;

    // Fired when ghosts that were held are freed.
    TNotifyEvent OnClear;

private:
    std::vector<std::unique_ptr<TGhost>> ghosts_;
    TDrawSite* site_ = nullptr;
    TPoint startPoint_;
    TPoint lastPoint_;
    TShiftState lastShift_ = 0;
    TPen pen_;
    TBrush brush_;
    bool active_ = false;
    bool moved_ = false;
};

// The one ghost list of the process (UI thread only).
TGhostList& GhostList();
void AddGhost(std::unique_ptr<TGhost> ghost);

// The rubber band of a selection drag.
class TSelectGhost : public TGhost {
public:
    void Start(const TPoint& p) override;
    void Draw() override;
    void Move(TShiftState shift, const TPoint& delta) override;
    // Selects every object whose pixel bounds lie wholly inside the band (one pixel added on the
    // right and bottom); the others keep their state.
    void Drop(TShiftState shift) override;

    TPoint StartPoint;
    TPoint CurrentPoint;
};

// A selection handle: a small square child control of the draw site; pressing it starts the
// ghost of its handle index on its object.
class TPivot : public TGraphicControl {
    QUORLANE_CLASS(TPivot, TGraphicControl)

public:
    explicit TPivot(TComponent* owner);
    // The object (also the owner), the cursor shown over it and its handle index.
    TPivot(TDrawObject* object, TCursor cursor, int index);

    int Index = 0;
    TDrawObject* DrawObject() const { return object_; }
    int Size = 5;

    // True when the square is drawn by inverting what lies beneath.
    virtual bool IsInverted();
    bool HitTestControl(int x, int y) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;

protected:
    void Paint() override;
    // For the handles drawn in colour: a movable object's handle filled with brush and framed
    // with pen, round or square; a fixed object's handle is the plain one.
    void PaintSolid(const TPen& pen, const TBrush& brush, bool round);

private:
    TDrawObject* object_ = nullptr;
};
