#include "pageobjects/engine/UDSOperation.h"

#include "pageobjects/engine/UAction.h"
#include "pageobjects/engine/UDOAction.h"
#include "pageobjects/engine/UDrawSiteAction.h"
#include "platform/ClassRegistry.h"

TDSOperation::TDSOperation(TComponent* owner) : TComponent(owner), undoList_(&::UndoList()) {
    RegisterEngineClasses();
}

void TDSOperation::DeclareProperties(TPropertyBuilder<TDSOperation>& p) {
    p.Boolean("MultiSelect", &TDSOperation::MultiSelect, &TDSOperation::SetMultiSelect).Default(true);
    p.Boolean("SelectedOnly", &TDSOperation::SelectedOnly, &TDSOperation::SetSelectedOnly).Default(true);
    p.Boolean("FromFront", &TDSOperation::FromFront, &TDSOperation::SetFromFront).Default(false);
    p.String("TargetClassName", &TDSOperation::TargetClassName, &TDSOperation::SetTargetClassName);
    p.Boolean("TargetClassOnly", &TDSOperation::TargetClassOnly, &TDSOperation::SetTargetClassOnly)
        .Default(false);
    p.Enumeration("ActionType", &TDSOperation::ActionType, &TDSOperation::SetActionType,
                  {"atNone", "atDelete", "atAdd", "atChange"}, QStringLiteral("TDSOActionType"))
        .Default(otNone);
    p.String("ActionString", &TDSOperation::ActionString, &TDSOperation::SetActionString);
}

void TDSOperation::SetUndoList(TActionList* list) {
    undoList_ = list != nullptr ? list : &::UndoList();
}

void TDSOperation::MakeList(TDrawSite* site) {
    list_.Clear();
    if (site != nullptr) {
        site->ListObjects(list_, selectedOnly_);
        if (const TMetaClass* meta = targetClassName_.isEmpty() ? nullptr : GetClass(targetClassName_)) {
            for (int i = list_.Count() - 1; i >= 0; --i) {
                if (list_[i]->InheritsFrom(*meta))
                    continue;
                if (targetClassOnly_) {
                    list_.Clear();
                    break;
                }
                list_.Delete(i);
            }
        }
    }
    if (OnMakeList)
        OnMakeList(this);
}

bool TDSOperation::CanExecute(TDrawSite* site) {
    MakeList(site);
    if (selectedOnly_ && !multiSelect_)
        return list_.Count() == 1;
    return list_.Count() >= 1;
}

void TDSOperation::Execute(TDrawSite* site) {
    if (!OnExecute && !OnEachObject)
        return;
    if (!CanExecute(site))
        return;
    TActionList& undo = *undoList_;
    const bool grouped = !actionString_.isEmpty();
    if (grouped)
        undo.BeginGroup(actionString_);
    try {
        if (OnExecute)
            OnExecute(this);
        if (OnEachObject) {
            std::vector<TDrawObject*> targets(list_.begin(), list_.end());
            if (fromFront_) {
                for (TDrawObject* object : targets)
                    Step(object);
            } else {
                for (auto it = targets.rbegin(); it != targets.rend(); ++it)
                    Step(*it);
            }
        }
    } catch (...) {
        if (grouped)
            undo.EndGroup();
        throw;
    }
    if (grouped)
        undo.EndGroup();
}

void TDSOperation::Step(TDrawObject* object) {
    TActionList& undo = *undoList_;
    switch (actionType_) {
    case otDelete: {
        const bool recorded = undo.Enabled();
        undo.Add(std::make_unique<TDODelAction>(object));
        OnEachObject(this, object);
        if (!recorded && object->Parent() == nullptr)
            delete object;
        break;
    }
    case otAdd:
        undo.Add(std::make_unique<TDOAddAction>(object));
        OnEachObject(this, object);
        break;
    case otChange: {
        auto action = std::make_unique<TDOChangeAction>(object);
        OnEachObject(this, object);
        TDOChangeAction::EndChange(std::move(action), undo);
        break;
    }
    case otNone:
        OnEachObject(this, object);
        break;
    }
}
