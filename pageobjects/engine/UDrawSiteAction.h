#pragma once
// Commands that act on the objects of the focused draw site: each builds a list of target
// objects, runs one step per object and records undo actions of a chosen kind, all inside one
// undo group named by ActionString.

#include "pageobjects/engine/UDrawSite.h"
#include "platform/CustomAction.h"

#include <functional>

enum TDSAUndoType { atNone, atDelete, atAdd, atChange, atLayer };

class TActionList;

// What every draw-site command shares, the menu actions and the operations alike: which objects
// it works on, the count rule that enables it, and running a step per target, each with the undo
// record of its kind, inside one undo group named by ActionString.
class TDSCommand {
public:
    bool MultiSelect() const { return multiSelect_; }
    void SetMultiSelect(bool value) { multiSelect_ = value; }
    bool SelectedOnly() const { return selectedOnly_; }
    void SetSelectedOnly(bool value) { selectedOnly_ = value; }
    // Topmost target first (else bottom-most first).
    bool FromFront() const { return fromFront_; }
    void SetFromFront(bool value) { fromFront_ = value; }
    // A registered class name: only objects of that class are targets (empty: any object).
    const QString& TargetClassName() const { return targetClassName_; }
    void SetTargetClassName(const QString& value) { targetClassName_ = value; }
    // With a class name: one object of another class empties the list.
    bool TargetClassOnly() const { return targetClassOnly_; }
    void SetTargetClassOnly(bool value) { targetClassOnly_ = value; }
    TDSAUndoType ActionType() const { return actionType_; }
    void SetActionType(TDSAUndoType value) { actionType_ = value; }
    // The caption of the undo group; empty records each object's action on its own.
    const QString& ActionString() const { return actionString_; }
    void SetActionString(const QString& value) { actionString_ = value; }

    TDOList& Targets() { return list_; }

    // The settings as published properties of command class C, in their stored order; C
    // declares its own ActionType where actionType is called.
    template <class C, class A>
    static void DeclareCommandProperties(TPropertyBuilder<C>& p, A actionType) {
        p.Boolean("MultiSelect", &C::MultiSelect, &C::SetMultiSelect).Default(true);
        p.Boolean("SelectedOnly", &C::SelectedOnly, &C::SetSelectedOnly).Default(true);
        p.Boolean("FromFront", &C::FromFront, &C::SetFromFront).Default(false);
        p.String("TargetClassName", &C::TargetClassName, &C::SetTargetClassName);
        p.Boolean("TargetClassOnly", &C::TargetClassOnly, &C::SetTargetClassOnly).Default(false);
        actionType();
        p.String("ActionString", &C::ActionString, &C::SetActionString);
    }

protected:
    // The site's (selected) objects, topmost first, filtered by class.
    void ListTargets(TDrawSite* site);
    // Exactly one target for a single selection, else at least one.
    bool CountAllows() const;
    // body inside the undo group ActionString of undo (no group without one); the group is
    // closed whatever happens.
    void RunGrouped(TActionList& undo, const std::function<void()>& body) const;
    // step for every target in FromFront order (over a copy: a step may change the list).
    void ForEachTarget(const std::function<void(TDrawObject*)>& step) const;
    // One target's step (work) with the undo record of ActionType: a delete record holds the
    // object once work took it off its site; addFirst records an add before the work.
    void RecordStep(TActionList& undo, TDrawSite* site, TDrawObject* object, bool addFirst,
                    const std::function<void()>& work) const;
    // Drops the targets for which keep answers false.
    void FilterTargets(const std::function<bool(TDrawObject*)>& keep);

private:
    bool multiSelect_ = true;
    bool selectedOnly_ = true;
    bool fromFront_ = false;
    QString targetClassName_;
    bool targetClassOnly_ = false;
    TDOList list_;
    TDSAUndoType actionType_ = atNone;
    QString actionString_;
};

class TDrawSiteActionBase : public TCustomAction, public TDSCommand {
    QUORLANE_CLASS(TDrawSiteActionBase, TCustomAction)

public:
    explicit TDrawSiteActionBase(TComponent* owner);
    ~TDrawSiteActionBase() override;

    static void DeclareProperties(TPropertyBuilder<TDrawSiteActionBase>& p);

    // The framework's target protocol: draw sites are handled.
    bool HandlesTarget(QObject* target) override;
    void UpdateTarget(QObject* target) override;
    void ExecuteTarget(QObject* target) override;

    // Builds the target list: the site's (selected) objects, topmost first, filtered by class.
    virtual void MakeList(TDrawSite* site);
    // Builds the list; then exactly one target (single selection) or at least one.
    virtual bool CanExecute(TDrawSite* site);
    virtual void ExecuteFirst(TDrawSite* site);
    virtual void EachObject(TDrawSite* site, TDrawObject* object);

    // Runs on a site when the action can execute there (inside the undo group).
    void ExecuteOn(TDrawSite* site);

protected:
    // ExecuteFirst, then the step of every target in FromFront order.
    virtual void Run(TDrawSite* site);
    // Run inside the undo group.
    void RunInGroup(TDrawSite* site);
};

using TDSAEachObjectEvent = std::function<void(TObject* sender, TDrawObject* target)>;

// A draw-site command whose work is done by its events.
class TDrawSiteAction : public TDrawSiteActionBase {
    QUORLANE_CLASS(TDrawSiteAction, TDrawSiteActionBase)

public:
    explicit TDrawSiteAction(TComponent* owner);

    void MakeList(TDrawSite* site) override;
    void ExecuteFirst(TDrawSite* site) override;
    void EachObject(TDrawSite* site, TDrawObject* object) override;

    TNotifyEvent OnMakeList;
    TNotifyEvent OnExecuteFirst;
    TDSAEachObjectEvent OnEachObject;

protected:
    // Nothing to do without OnExecuteFirst or OnEachObject.
    void Run(TDrawSite* site) override;
};

// Registers the engine's stream classes (the draw-object bases, the site, scaler, grid and
// guide) so that class names such as "TLabelObject" resolve; safe to call more than once.
void RegisterEngineClasses();
