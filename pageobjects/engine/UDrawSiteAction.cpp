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

// ---- TDSCommand

void TDSCommand::ListTargets(TDrawSite* site) {
    list_.Clear();
    if (site == nullptr)
        return;
    site->ListObjects(list_, selectedOnly_);
    const TMetaClass* meta = targetClassName_.isEmpty() ? nullptr : GetClass(targetClassName_);
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

bool TDSCommand::CountAllows() const {
    if (selectedOnly_ && !multiSelect_)
        return list_.Count() == 1;
    return list_.Count() >= 1;
}

void TDSCommand::RunGrouped(TActionList& undo, const std::function<void()>& body) const {
    if (actionString_.isEmpty()) {
        body();
        return;
    }
    undo.BeginGroup(actionString_);
    try {
        body();
    } catch (...) {
        undo.EndGroup();
        throw;
    }
    undo.EndGroup();
}

void TDSCommand::ForEachTarget(const std::function<void(TDrawObject*)>& step) const {
    const std::vector<TDrawObject*> targets(list_.begin(), list_.end());
    if (fromFront_) {
        for (TDrawObject* object : targets)
            step(object);
    } else {
        for (auto it = targets.rbegin(); it != targets.rend(); ++it)
            step(*it);
    }
}

void TDSCommand::RecordStep(TActionList& undo, TDrawSite* site, TDrawObject* object, bool addFirst,
                            const std::function<void()>& work) const {
    switch (actionType_) {
    case atDelete: {
        auto action = std::make_unique<TDODelAction>(object);
        work();
        // Without an undo record the action frees the object it took over at once.
        action->HoldTakenOff();
        undo.Add(std::move(action));
        break;
    }
    case atAdd:
        if (addFirst)
            undo.Add(std::make_unique<TDOAddAction>(object));
        work();
        if (!addFirst)
            undo.Add(std::make_unique<TDOAddAction>(object));
        break;
    case atChange: {
        auto action = std::make_unique<TDOChangeAction>(object);
        work();
        TDOChangeAction::EndChange(std::move(action), undo);
        break;
    }
    case atLayer: {
        auto action = std::make_unique<TDOLayerAction>(site);
        work();
        TDOLayerAction::EndLayer(std::move(action), undo);
        break;
    }
    case atNone:
        work();
        break;
    }
}

void TDSCommand::FilterTargets(const std::function<bool(TDrawObject*)>& keep) {
    for (int i = list_.Count() - 1; i >= 0; --i)
        if (!keep(list_[i]))
            list_.Delete(i);
}

// ---- TDrawSiteActionBase

TDrawSiteActionBase::TDrawSiteActionBase(TComponent* owner) : TCustomAction(owner) {
    RegisterEngineClasses();
}

TDrawSiteActionBase::~TDrawSiteActionBase() = default;

void TDrawSiteActionBase::DeclareProperties(TPropertyBuilder<TDrawSiteActionBase>& p) {
    DeclareCommandProperties(p, [&] {
        p.Enumeration("ActionType", &TDrawSiteActionBase::ActionType, &TDrawSiteActionBase::SetActionType,
                      {"atNone", "atDelete", "atAdd", "atChange", "atLayer"}, QStringLiteral("TDSAUndoType"))
            .Default(atNone);
    });
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
    if (site != nullptr && CanExecute(site))
        RunInGroup(site);
}

void TDrawSiteActionBase::RunInGroup(TDrawSite* site) {
    RunGrouped(UndoList(), [&] { Run(site); });
}

void TDrawSiteActionBase::MakeList(TDrawSite* site) {
    ListTargets(site);
}

bool TDrawSiteActionBase::CanExecute(TDrawSite* site) {
    MakeList(site);
    return CountAllows();
}

void TDrawSiteActionBase::ExecuteFirst(TDrawSite*) {}

void TDrawSiteActionBase::EachObject(TDrawSite*, TDrawObject*) {}

void TDrawSiteActionBase::Run(TDrawSite* site) {
    ExecuteFirst(site);
    ForEachTarget([&](TDrawObject* object) {
        RecordStep(UndoList(), site, object, false, [&] { EachObject(site, object); });
    });
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
