#include "pageobjects/engine/UDOFunc.h"

#include "pageobjects/engine/UDrawSite.h"

#include <algorithm>

bool TDODesigner::DoCommand(TDrawSite*, const QString&) {
    return false;
}
TDrawObject* TDODesigner::CreateObject(const QString&) {
    return nullptr;
}
bool TDODesigner::EditObject(TDrawObject*, bool&) {
    return false;
}
bool TDODesigner::MakePivots(TDrawObject*) {
    return false;
}
bool TDODesigner::MakeGhost(TDrawObject*, int) {
    return false;
}

bool TDODesigner::GetInterface(const TGUID& iid, void** obj) {
    return Offer<IDODesigner>(this, iid, obj) || TAutoFreeInterface::GetInterface(iid, obj);
}

TDODesignerList::~TDODesignerList() {
    for (Item& item : items_)
        item.designer.Reset();
}

void TDODesignerList::Add(IUnknownEx* designer, const void* module) {
    if (designer == nullptr)
        return;
    items_.push_back(Item{TIntf<IUnknownEx>(designer), module});
}

void TDODesignerList::Remove(IUnknownEx* designer) {
    const auto it = std::find_if(items_.begin(), items_.end(),
                                 [designer](const Item& item) { return item.designer.get() == designer; });
    if (it != items_.end())
        items_.erase(it);
}

void TDODesignerList::Truncate(int count) {
    while (int(items_.size()) > std::max(count, 0))
        items_.pop_back();
}

std::vector<TIntf<IDODesigner>> TDODesignerList::NewestFirst() const {
    std::vector<TIntf<IDODesigner>> result;
    for (auto it = items_.rbegin(); it != items_.rend(); ++it)
        if (TIntf<IDODesigner> d = Supports<IDODesigner>(it->designer.get()))
            result.push_back(d);
    return result;
}

bool TDODesignerList::DoCommand(TDrawSite* site, const QString& command) {
    for (const TIntf<IDODesigner>& d : NewestFirst())
        if (d->DoCommand(site, command))
            return true;
    return false;
}

TDrawObject* TDODesignerList::CreateObject(const QString& className) {
    for (const TIntf<IDODesigner>& d : NewestFirst())
        if (TDrawObject* object = d->CreateObject(className))
            return object;
    return nullptr;
}

bool TDODesignerList::MakePivots(TDrawObject* object) {
    for (const TIntf<IDODesigner>& d : NewestFirst())
        if (d->MakePivots(object))
            return true;
    return false;
}

bool TDODesignerList::MakeGhost(TDrawObject* object, int handle) {
    for (const TIntf<IDODesigner>& d : NewestFirst())
        if (d->MakeGhost(object, handle))
            return true;
    return false;
}

bool TDODesignerList::EditObject(TDrawObject* object) {
    bool flag = true;
    const TWeakRef<TDrawObject> ref(object);
    for (const TIntf<IDODesigner>& d : NewestFirst()) {
        if (d->EditObject(object, flag)) {
            // An editor may have freed or re-parented the object.
            if (TDrawObject* alive = ref.get())
                if (TDrawSite* site = alive->Site())
                    site->UpdatePivots();
            break;
        }
    }
    return !flag;
}

void TDODesignerList::ModuleUnloaded(const void* module) {
    if (module == nullptr)
        return;
    for (size_t i = items_.size(); i-- > 0;)
        if (items_[i].module == module)
            items_.erase(items_.begin() + std::ptrdiff_t(i));
}

TDODesignerList& DesignerList() {
    static TDODesignerList list;
    return list;
}
