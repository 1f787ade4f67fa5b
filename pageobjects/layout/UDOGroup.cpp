#include "pageobjects/layout/UDOGroup.h"

#include "pageobjects/engine/UAction.h"
#include "pageobjects/engine/UDOAction.h"
#include "pageobjects/engine/UDOUtils.h"
#include "pageobjects/engine/UDrawSite.h"

#include <memory>
#include <vector>

std::vector<TDrawObject*> TDOGroup::MemberList() const {
    std::vector<TDrawObject*> members;
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* object = dynamic_cast<TDrawObject*>(Components(i)))
            members.push_back(object);
    return members;
}

int TDOGroup::MemberCount() const {
    return int(MemberList().size());
}

TDrawObject* TDOGroup::Members(int index) const {
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* object = dynamic_cast<TDrawObject*>(Components(i)); object != nullptr && index-- == 0)
            return object;
    return nullptr;
}

void TDOGroup::MembersChanged() {
    Changed();
    Invalidate();
    UpdateBounds();
}

void TDOGroup::AddObjects(const TDOList& list) {
    for (int i = list.Count() - 1; i >= 0; --i)
        CloneComponent(list.Items(i), this);
    MembersChanged();
}

void TDOGroup::Ungroup() {
    TDrawSite* site = Site();
    if (site == nullptr)
        return;
    // Not on top of the page: an object that lay above the group would be covered by its members.
    int place = site->IndexOfControl(this) + 1;
    for (TDrawObject* member : MemberList()) {
        auto* copy = static_cast<TDrawObject*>(CloneComponent(member, site));
        copy->SetSelected(true);
        site->AddObject(copy);
        if (place > 0 && copy->LayerGroup() == LayerGroup())
            site->SetChildOrder(copy, place++);
        // Recorded after the move, so that a redo puts it back at the same place.
        UndoList().Add(std::make_unique<TDOAddAction>(copy));
    }
}

void TDOGroup::MoveBy(int dx, int dy) {
    for (TDrawObject* member : MemberList())
        if (TIntf<IDOEncloseBounds> bounds = Supports<IDOEncloseBounds>(static_cast<TObject*>(member)))
            bounds->MoveBy(dx, dy);
    MembersChanged();
}

void TDOGroup::SetEnclosingSize(int w, int h) {
    const TRect r = LogRect();
    TDOList members;
    for (TDrawObject* member : MemberList())
        members.Add(member);
    RescaleObjects(members, r, TRect(r.Left, r.Top, r.Left + w, r.Top + h));
    MembersChanged();
}

void TDOGroup::GetLogRect(TRect& r) {
    bool first = true;
    for (TDrawObject* member : MemberList()) {
        const TRect m = member->LogRect();
        if (first)
            r = m;
        else
            UnionRect(r, r, m);
        first = false;
    }
}

void TDOGroup::SetLeft(int value) {
    MoveBy(value - GetLeft(), 0);
}

void TDOGroup::SetTop(int value) {
    MoveBy(0, value - GetTop());
}

void TDOGroup::DrawOutline(TCanvas& canvas) {
    for (TDrawObject* member : MemberList())
        if (TIntf<IDOGhostPaint> ghost = Supports<IDOGhostPaint>(static_cast<TObject*>(member)))
            ghost->DrawOutline(canvas);
}

void TDOGroup::Paint() {
    TCanvas* canvas = GetDrawCanvas();
    if (canvas == nullptr)
        return;
    for (TDrawObject* member : MemberList())
        member->PaintTo(*canvas);
}

bool TDOGroup::HitTest(const TPoint& p) {
    for (TDrawObject* member : MemberList())
        if (member->HitTest(p))
            return true;
    return false;
}

void TDOGroup::Assign(const TPersistent* source) {
    TLabelObject::Assign(source);
    const auto* group = dynamic_cast<const TDOGroup*>(source);
    if (group == nullptr || group == this)
        return;
    // Our members leave the group and are freed, last first.
    const std::vector<TDrawObject*> own = MemberList();
    for (auto it = own.rbegin(); it != own.rend(); ++it)
        ReleaseFromOwner(*it).reset();
    // AddObjects takes the list last entry first.
    const std::vector<TDrawObject*> theirs = group->MemberList();
    TDOList list;
    for (auto it = theirs.rbegin(); it != theirs.rend(); ++it)
        list.Add(*it);
    AddObjects(list);
}

void TDOGroup::GetChildren(const TGetChildProc& proc, TComponent*) {
    for (TDrawObject* member : MemberList())
        proc(member);
}

bool TDOGroup::GetInterface(const TGUID& iid, void** obj) {
    return Offer<IDOEncloseBounds>(this, iid, obj) || Offer<IDORectProps>(this, iid, obj) ||
           Offer<IDOGhostPaint>(this, iid, obj) || TLabelObject::GetInterface(iid, obj);
}
