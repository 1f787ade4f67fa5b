#include "pageobjects/engine/UDrawSiteAction.h"

#include "pageobjects/engine/UAction.h"
#include "pageobjects/engine/UDOAction.h"
#include "pageobjects/engine/UGrid.h"
#include "pageobjects/engine/UGuide.h"
#include "pageobjects/engine/ULORectBase.h"
#include "platform/ClassRegistry.h"

void RegisterEngineClasses() {
    for (const TMetaClass* meta : {&TDrawObject::StaticClass(), &TLabelObject::StaticClass(),
                                   &TLORectBase::StaticClass(), &TDrawSite::StaticClass(),
                                   &TScaler::StaticClass(), &TGrid::StaticClass(), &TGuide::StaticClass()}) {
        if (!IsClassRegistered(*meta) && GetClass(meta->Name()) == nullptr)
            RegisterClass(*meta);
    }
}

// ---- TDrawSiteActionBase

TDrawSiteActionBase::TDrawSiteActionBase(TComponent* owner) : TCustomAction(owner) {
    RegisterEngineClasses();
}

TDrawSiteActionBase::~TDrawSiteActionBase() = default;

void TDrawSiteActionBase::DeclareProperties(TPropertyBuilder<TDrawSiteActionBase>& p) {
    p.Boolean("MultiSelect", &TDrawSiteActionBase::MultiSelect, &TDrawSiteActionBase::SetMultiSelect)
        .Default(true);
    p.Boolean("SelectedOnly", &TDrawSiteActionBase::SelectedOnly, &TDrawSiteActionBase::SetSelectedOnly)
        .Default(true);
    p.Boolean("FromFront", &TDrawSiteActionBase::FromFront, &TDrawSiteActionBase::SetFromFront)
        .Default(false);
    p.String("TargetClassName", &TDrawSiteActionBase::TargetClassName,
             &TDrawSiteActionBase::SetTargetClassName);
    p.Boolean("TargetClassOnly", &TDrawSiteActionBase::TargetClassOnly,
              &TDrawSiteActionBase::SetTargetClassOnly)
        .Default(false);
    p.Enumeration("ActionType", &TDrawSiteActionBase::ActionType, &TDrawSiteActionBase::SetActionType,
                  {"atNone", "atDelete", "atAdd", "atChange", "atLayer"}, QStringLiteral("TDSAUndoType"))
        .Default(atNone);
    p.String("ActionString", &TDrawSiteActionBase::ActionString, &TDrawSiteActionBase::SetActionString);
}

bool TDrawSiteActionBase::HandlesTarget(QObject* target) {
    return dynamic_cast<TDrawSite*>(target) != nullptr;
}

void TDrawSiteActionBase::UpdateTarget(QObject* target) {
    if (auto* site = dynamic_cast<TDrawSite*>(target))
        SetEnabled(CanExecute(site));
}

void TDrawSiteActionBase::ExecuteTarget(QObject* target) {
    if (auto* site = dynamic_cast<TDrawSite*>(target))
        ExecuteOn(site);
}

void TDrawSiteActionBase::ExecuteOn(TDrawSite* site) {
    if (site == nullptr || !CanExecute(site))
        return;
    if (actionString_.isEmpty()) {
        Run(site);
        return;
    }
    UndoList().BeginGroup(actionString_);
    try {
        Run(site);
    } catch (...) {
        UndoList().EndGroup();
        throw;
    }
    UndoList().EndGroup();
}

void TDrawSiteActionBase::MakeList(TDrawSite* site) {
    list_.Clear();
    if (site == nullptr)
        return;
    site->ListObjects(list_, selectedOnly_);
    if (targetClassName_.isEmpty())
        return;
    const TMetaClass* meta = GetClass(targetClassName_);
    if (meta == nullptr)
        return;
    for (int i = list_.Count() - 1; i >= 0; --i) {
        if (list_[i]->InheritsFrom(*meta))
            continue;
        if (targetClassOnly_) {
            list_.Clear();
            return;
        }
        list_.Delete(i);
    }
}

bool TDrawSiteActionBase::CanExecute(TDrawSite* site) {
    MakeList(site);
    if (selectedOnly_ && !multiSelect_)
        return list_.Count() == 1;
    return list_.Count() >= 1;
}

void TDrawSiteActionBase::ExecuteFirst(TDrawSite*) {}

void TDrawSiteActionBase::EachObject(TDrawSite*, TDrawObject*) {}

void TDrawSiteActionBase::Run(TDrawSite* site) {
    ExecuteFirst(site);
    // A step may change the list (a paste adds, a cut removes); walk a copy.
    std::vector<TDrawObject*> targets(list_.begin(), list_.end());
    if (fromFront_) {
        for (TDrawObject* object : targets)
            Step(site, object);
    } else {
        for (auto it = targets.rbegin(); it != targets.rend(); ++it)
            Step(site, *it);
    }
}

void TDrawSiteActionBase::Step(TDrawSite* site, TDrawObject* object) {
    TActionList& undo = UndoList();
    switch (actionType_) {
    case atDelete: {
        const bool recorded = undo.Enabled();
        undo.Add(std::make_unique<TDODelAction>(object));
        EachObject(site, object);
        // Without an undo record nobody keeps an object taken off its site.
        if (!recorded && object->Parent() == nullptr)
            delete object;
        break;
    }
    case atAdd:
        EachObject(site, object);
        undo.Add(std::make_unique<TDOAddAction>(object));
        break;
    case atChange: {
        auto action = std::make_unique<TDOChangeAction>(object);
        EachObject(site, object);
        TDOChangeAction::EndChange(std::move(action), undo);
        break;
    }
    case atLayer: {
        auto action = std::make_unique<TDOLayerAction>(site);
        EachObject(site, object);
        TDOLayerAction::EndLayer(std::move(action), undo);
        break;
    }
    case atNone:
        EachObject(site, object);
        break;
    }
}

void TDrawSiteActionBase::FilterTargets(const std::function<bool(TDrawObject*)>& keep) {
    for (int i = list_.Count() - 1; i >= 0; --i)
        if (!keep(list_[i]))
            list_.Delete(i);
}

// ---- TDrawSiteAction

TDrawSiteAction::TDrawSiteAction(TComponent* owner) : TDrawSiteActionBase(owner) {}

void TDrawSiteAction::MakeList(TDrawSite* site) {
    TDrawSiteActionBase::MakeList(site);
    if (OnMakeList)
        OnMakeList(this);
}

void TDrawSiteAction::ExecuteFirst(TDrawSite*) {
    if (OnExecuteFirst)
        OnExecuteFirst(this);
}

void TDrawSiteAction::EachObject(TDrawSite*, TDrawObject* object) {
    if (OnEachObject)
        OnEachObject(this, object);
}

void TDrawSiteAction::Run(TDrawSite* site) {
    if (!OnExecuteFirst && !OnEachObject)
        return;
    TDrawSiteActionBase::Run(site);
}
