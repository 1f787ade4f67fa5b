#include "pageobjects/engine/UDSOperation.h"

#include "pageobjects/engine/UAction.h"
#include "pageobjects/engine/UDOAction.h"
#include "platform/ClassRegistry.h"

TDSOperation::TDSOperation(TComponent* owner) : TComponent(owner), undoList_(&::UndoList()) {
    RegisterEngineClasses();
}

void TDSOperation::DeclareProperties(TPropertyBuilder<TDSOperation>& p) {
    DeclareCommandProperties(p, [&] {
        p.Enumeration("ActionType", &TDSOperation::ActionType, &TDSOperation::SetActionType,
                      {"atNone", "atDelete", "atAdd", "atChange"}, QStringLiteral("TDSOActionType"))
            .Default(otNone);
    });
}

void TDSOperation::SetUndoList(TActionList* list) {
    undoList_ = list != nullptr ? list : &::UndoList();
}

void TDSOperation::MakeList(TDrawSite* site) {
    ListTargets(site);
    if (OnMakeList)
        OnMakeList(this);
}

bool TDSOperation::CanExecute(TDrawSite* site) {
    MakeList(site);
    return CountAllows();
}

void TDSOperation::Execute(TDrawSite* site) {
    if (!OnExecute && !OnEachObject)
        return;
    if (!CanExecute(site))
        return;
    RunGrouped(*undoList_, [&] {
        if (OnExecute)
            OnExecute(this);
        if (!OnEachObject)
            return;
        ForEachTarget([&](TDrawObject* object) {
            RecordStep(*undoList_, site, object, true, [&] { OnEachObject(this, object); });
        });
    });
}
