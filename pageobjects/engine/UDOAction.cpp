#include "pageobjects/engine/UDOAction.h"

#include "pageobjects/engine/UDrawSite.h"

namespace {

std::vector<TWeakRef<TDrawObject>> Snapshot(const TDrawSite* site, bool selectedOnly) {
    std::vector<TWeakRef<TDrawObject>> result;
    if (site == nullptr)
        return result;
    TDOList list;
    site->ListObjects(list, selectedOnly);
    for (TDrawObject* object : list)
        result.emplace_back(object);
    return result;
}

} // namespace

// ---- TDOChangeAction

TDOChangeAction::TDOChangeAction(TDrawObject* object)
    : before_(CloneDrawObject(object)), after_(CloneDrawObject(object)), object_(object),
      listener_(std::make_unique<TListener>()) {
    SetFlags(afCanUndo | afCanRedo);
    listener_->OnNotify = [this](TObject* sender, const TGUID& eventID) { Notify(sender, eventID); };
    listener_->AddBroadcaster(object->AsBroadcaster());
    if (before_)
        listener_->AddBroadcaster(before_->AsBroadcaster());
    if (after_)
        listener_->AddBroadcaster(after_->AsBroadcaster());
}

TDOChangeAction::~TDOChangeAction() {
    listener_.reset();
    before_.reset();
    after_.reset();
}

void TDOChangeAction::Notify(TObject* sender, const TGUID& eventID) {
    TDrawObject* object = object_.get();
    if (eventID == GUID_BroadcasterDestroyed) {
        // The clones belong to the action and go with it; the object may go elsewhere.
        if (sender == static_cast<TObject*>(static_cast<TComponent*>(object)))
            object_ = TWeakRef<TDrawObject>();
        return;
    }
    if (eventID == GUID_Changed && object != nullptr &&
        sender == static_cast<TObject*>(static_cast<TComponent*>(object)))
        changed_ = true;
}

void TDOChangeAction::EndChange(std::unique_ptr<TDOChangeAction> action, TActionList& list) {
    if (!action)
        return;
    TDrawObject* object = action->object_.get();
    if (object == nullptr || object->Parent() == nullptr || (!action->changed_ && !action->Force))
        return;
    if (action->after_)
        action->after_->Assign(object);
    list.Add(std::move(action));
}

void TDOChangeAction::Redo() {
    TDrawObject* object = object_.get();
    if (object == nullptr || !after_)
        return;
    object->Assign(after_.get());
    object->SetSelected(true);
}

void TDOChangeAction::Undo() {
    TDrawObject* object = object_.get();
    if (object == nullptr || !before_)
        return;
    object->Assign(before_.get());
    object->SetSelected(true);
}

// ---- TDOAddDelAction

TDOAddDelAction::TDOAddDelAction(TDrawObject* object)
    : object_(object), site_(object != nullptr ? object->Site() : nullptr),
      snapshot_(Snapshot(site_.get(), false)) {
    SetFlags(afCanUndo | afCanRedo);
}

TDOAddDelAction::~TDOAddDelAction() = default;

void TDOAddDelAction::HoldTakenOff() {
    TDrawObject* object = object_.get();
    if (object == nullptr || held_ || object->Parent() != nullptr)
        return;
    held_ = ReleaseFromOwner(object);
    offSite_ = true;
}

void TDOAddDelAction::TakeOff() {
    TDrawObject* object = object_.get();
    if (object == nullptr || offSite_)
        return;
    object->Changed();
    object->SetParent(nullptr);
    HoldTakenOff();
}

void TDOAddDelAction::PutBack() {
    TDrawObject* object = object_.get();
    TDrawSite* site = site_.get();
    if (object == nullptr || site == nullptr || !offSite_)
        return;
    if (held_)
        site->AdoptObject(std::move(held_));
    else
        site->AddObject(object);
    object->SetSelected(true);
    offSite_ = false;
    for (const TWeakRef<TDrawObject>& ref : snapshot_) {
        TDrawObject* o = ref.get();
        if (o != nullptr && o->Parent() == site)
            o->SendToBackInLayer();
    }
}

TDODelAction::TDODelAction(TDrawObject* object) : TDOAddDelAction(object) {
    offSite_ = true;
}

// ---- TDOLayerAction

TDOLayerAction::TDOLayerAction(TDrawSite* site) : before_(Snapshot(site, false)), site_(site) {
    SetFlags(afCanUndo | afCanRedo);
}

void TDOLayerAction::EndLayer(std::unique_ptr<TDOLayerAction> action, TActionList& list) {
    if (!action)
        return;
    action->after_ = Snapshot(action->site_.get(), false);
    action->selected_ = Snapshot(action->site_.get(), true);
    list.Add(std::move(action));
}

void TDOLayerAction::Restore(const std::vector<TWeakRef<TDrawObject>>& order) {
    TDrawSite* site = site_.get();
    if (site == nullptr)
        return;
    for (const TWeakRef<TDrawObject>& ref : order) {
        TDrawObject* o = ref.get();
        if (o != nullptr && o->Parent() == site)
            o->SendToBackInLayer();
    }
    for (const TWeakRef<TDrawObject>& ref : selected_)
        if (TDrawObject* o = ref.get())
            o->SetSelected(true);
}
