#pragma once
// Undo actions for draw objects: a change of one object (clones before and after), an object
// added to or deleted from a site, and a change of z-order. Every action holds its objects and
// site through weak references: when one of them is destroyed elsewhere, the step that needs it
// does nothing.

#include "core/UBroadcaster.h"
#include "pageobjects/engine/UAction.h"
#include "pageobjects/engine/UDrawObject.h"

#include <memory>
#include <vector>

class TDrawSite;

class TDOChangeAction : public TActionBase {
public:
    // Takes the object's state before the change (a clone of its class, assigned from it).
    explicit TDOChangeAction(TDrawObject* object);
    ~TDOChangeAction() override;

    // Completes the change: when the object is still on a parent and announced a change (or
    // Force is set), the after state is taken and the action goes to list; otherwise the
    // action is discarded. Either way the caller gives up the action.
    static void EndChange(std::unique_ptr<TDOChangeAction> action, TActionList& list);

    // Keeps the action even without a change notice (for changes that are not announced).
    bool Force = false;
    TDrawObject* Object() const { return object_.get(); }

    void Redo() override;
    void Undo() override;

private:
    void Notify(TObject* sender, const TGUID& eventID);

    bool changed_ = false;
    std::unique_ptr<TDrawObject> before_;
    std::unique_ptr<TDrawObject> after_;
    TWeakRef<TDrawObject> object_;
    std::unique_ptr<TListener> listener_;
};

class TDOAddDelAction : public TActionBase {
public:
    // The object, its site and the site's objects (topmost first) as they are now.
    explicit TDOAddDelAction(TDrawObject* object);
    // Frees the object when the action holds it off the site.
    ~TDOAddDelAction() override;

    TDrawObject* Object() const { return object_.get(); }
    TDrawSite* Site() const { return site_.get(); }
    // The object was taken off its site by someone else (a delete command's step): the action
    // holds it from now on. Nothing while it is still on a parent.
    void HoldTakenOff();

protected:
    // Changed, then off the site; the action now owns the object.
    void TakeOff();
    // Back on the site (which owns it again), selected, in the z-order of the snapshot.
    void PutBack();

    bool offSite_ = false;

private:
    // The object while it is off its site.
    std::unique_ptr<TDrawObject> held_;
    TWeakRef<TDrawObject> object_;
    TWeakRef<TDrawSite> site_;
    std::vector<TWeakRef<TDrawObject>> snapshot_;
};

// Recorded after an object was added.
class TDOAddAction : public TDOAddDelAction {
public:
    explicit TDOAddAction(TDrawObject* object) : TDOAddDelAction(object) {}
    void Undo() override { TakeOff(); }
    void Redo() override { PutBack(); }
};

// Recorded before an object is deleted; the caller then takes it off the site.
class TDODelAction : public TDOAddDelAction {
public:
    explicit TDODelAction(TDrawObject* object);
    void Undo() override { PutBack(); }
    void Redo() override { TakeOff(); }
};

class TDOLayerAction : public TActionBase {
public:
    // The site's order before the change.
    explicit TDOLayerAction(TDrawSite* site);
    // Takes the order after the change and the selection, and goes to list.
    static void EndLayer(std::unique_ptr<TDOLayerAction> action, TActionList& list);

    void Undo() override { Restore(before_); }
    void Redo() override { Restore(after_); }

private:
    void Restore(const std::vector<TWeakRef<TDrawObject>>& order);

    std::vector<TWeakRef<TDrawObject>> before_;
    std::vector<TWeakRef<TDrawObject>> after_;
    std::vector<TWeakRef<TDrawObject>> selected_;
    TWeakRef<TDrawSite> site_;
};
