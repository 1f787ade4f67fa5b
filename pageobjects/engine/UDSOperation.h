#pragma once
// The draw-site command machinery as a plain component driven by events: the editor windows
// run it on their site for commands that are not menu actions.

#include "pageobjects/engine/UDrawSiteAction.h"

#include <functional>

class TActionList;

// The operation's undo kinds: those of the actions without the z-order one, stored under the
// same names.
enum TDSOActionType { otNone = atNone, otDelete = atDelete, otAdd = atAdd, otChange = atChange };

using TDSOEachObjectEvent = std::function<void(TObject* sender, TDrawObject* target)>;

class TDSOperation : public TComponent, public TDSCommand {
    QUORLANE_CLASS(TDSOperation, TComponent)

public:
    explicit TDSOperation(TComponent* owner);

    static void DeclareProperties(TPropertyBuilder<TDSOperation>& p);

    TDSOActionType ActionType() const { return TDSOActionType(TDSCommand::ActionType()); }
    void SetActionType(TDSOActionType value) { TDSCommand::SetActionType(TDSAUndoType(value)); }
    // The undo list it records into: the global one unless set.
    TActionList& UndoList() const { return *undoList_; }
    void SetUndoList(TActionList* list);

    // The site's (selected) objects, topmost first, filtered by class; then OnMakeList.
    void MakeList(TDrawSite* site);
    // Builds the list: exactly one target (single selection) or at least one.
    bool CanExecute(TDrawSite* site);
    // With OnExecute or OnEachObject: when the list allows, OnExecute and the per-object steps
    // (an add recorded before the event), inside the undo group ActionString.
    void Execute(TDrawSite* site);

    TNotifyEvent OnExecute;
    TNotifyEvent OnMakeList;
    TDSOEachObjectEvent OnEachObject;

private:
    TActionList* undoList_;
};
