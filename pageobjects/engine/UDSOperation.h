#pragma once
// The draw-site command machinery as a plain component driven by events: the editor windows
// run it on their site for commands that are not menu actions.

#include "pageobjects/engine/UDrawSite.h"

#include <functional>

class TActionList;

enum TDSOActionType { otNone, otDelete, otAdd, otChange };

using TDSOEachObjectEvent = std::function<void(TObject* sender, TDrawObject* target)>;

class TDSOperation : public TComponent {
    QUORLANE_CLASS(TDSOperation, TComponent)

public:
    explicit TDSOperation(TComponent* owner);

    static void DeclareProperties(TPropertyBuilder<TDSOperation>& p);

    bool MultiSelect() const { return multiSelect_; }
    void SetMultiSelect(bool value) { multiSelect_ = value; }
    bool SelectedOnly() const { return selectedOnly_; }
    void SetSelectedOnly(bool value) { selectedOnly_ = value; }
    bool FromFront() const { return fromFront_; }
    void SetFromFront(bool value) { fromFront_ = value; }
    const QString& TargetClassName() const { return targetClassName_; }
    void SetTargetClassName(const QString& value) { targetClassName_ = value; }
    bool TargetClassOnly() const { return targetClassOnly_; }
    void SetTargetClassOnly(bool value) { targetClassOnly_ = value; }
    TDSOActionType ActionType() const { return actionType_; }
    void SetActionType(TDSOActionType value) { actionType_ = value; }
    const QString& ActionString() const { return actionString_; }
    void SetActionString(const QString& value) { actionString_ = value; }
    // The undo list it records into: the global one unless set.
    TActionList& UndoList() const { return *undoList_; }
    void SetUndoList(TActionList* list);

    TDOList& Targets() { return list_; }

    // The site's (selected) objects, topmost first, filtered by class; then OnMakeList.
    void MakeList(TDrawSite* site);
    // Builds the list: exactly one target (single selection) or at least one.
    bool CanExecute(TDrawSite* site);
    // With OnExecute or OnEachObject: when the list allows, OnExecute and the per-object steps,
    // inside the undo group ActionString.
    void Execute(TDrawSite* site);

    TNotifyEvent OnExecute;
    TNotifyEvent OnMakeList;
    TDSOEachObjectEvent OnEachObject;

private:
    void Step(TDrawObject* object);

    bool multiSelect_ = true;
    bool selectedOnly_ = true;
    bool fromFront_ = false;
    QString targetClassName_;
    bool targetClassOnly_ = false;
    TDSOActionType actionType_ = otNone;
    QString actionString_;
    TDOList list_;
    TActionList* undoList_;
};
