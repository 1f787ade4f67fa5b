#pragma once
// Several page objects held as one: moved, resized, painted, hit-tested and stored as a unit,
// and split back into its members. The members keep their own kinds; they are owned by the
// group, are not on the draw site, and use the site's logical coordinates.

#include "pageobjects/engine/ULabelObject.h"

#include <vector>

class TDOList;

class TDOGroup : public TLabelObject,
                 public virtual IDOEncloseBounds,
                 public virtual IDORectProps,
                 public virtual IDOGhostPaint {
    QUORLANE_CLASS(TDOGroup, TLabelObject)

public:
    explicit TDOGroup(TComponent* owner) : TLabelObject(owner) {}

    // The draw objects among the owned components, in component order.
    std::vector<TDrawObject*> MemberList() const;
    int MemberCount() const;
    TDrawObject* Members(int index) const;
    // Copies of the listed objects, last entry first, become members (a site's list runs from
    // the topmost down, so the members keep the page's order). The listed objects stay where
    // they are: the caller takes them off the site.
    void AddObjects(const TDOList& list);
    // Copies of the members, in member order, go onto the group's site just above the group (where
    // their layer band allows), selected, each recorded as an undoable addition; the group stays for
    // the caller to remove, so they take its place in the stacking order.
    void Ungroup();

    // IDOEncloseBounds, IDORectProps, IDOGhostPaint
    void MoveBy(int dx, int dy) override;
    void SetEnclosingSize(int w, int h) override;
    // The union of the members' rects; without members r is left as it was.
    void GetLogRect(TRect& r) override;
    int GetLeft() override { return LogRect().Left; }
    void SetLeft(int value) override;
    int GetTop() override { return LogRect().Top; }
    void SetTop(int value) override;
    int GetWidth() override { return LogRect().Width(); }
    void SetWidth(int value) override { SetEnclosingSize(value, GetHeight()); }
    int GetHeight() override { return LogRect().Height(); }
    void SetHeight(int value) override { SetEnclosingSize(GetWidth(), value); }
    bool KeepAspectRatio() override { return false; }
    void PaintTo(TCanvas& canvas) override { TLabelObject::PaintTo(canvas); }
    void DrawOutline(TCanvas& canvas) override;

    bool HitTest(const TPoint& p) override;
    // The label object's settings; from another group, copies of its members replace ours.
    void Assign(const TPersistent* source) override;

    // Streaming: members are written as children and read back owned by the group, with no
    // parent control.
    void GetChildren(const TGetChildProc& proc, TComponent* root) override;
    TComponent* GetChildOwner() override { return this; }
    TComponent* GetChildParent() override { return nullptr; }

protected:
    void Paint() override;
    bool GetInterface(const TGUID& iid, void** obj) override;

private:
    void MembersChanged();
};
