#include "pageobjects/engine/UAction.h"

// ---- TActionGroup

TActionGroup::TActionGroup(const QString& caption, TActionGroup* enclosing) : enclosing_(enclosing) {
    SetCaption(caption);
}

void TActionGroup::AddMember(std::unique_ptr<TActionBase> action) {
    if (!action)
        return;
    if (members_.empty()) {
        SetFlags(action->Flags());
        if (Caption().isEmpty())
            SetCaption(action->Caption());
    }
    SetFlags(Flags() & action->Flags());
    members_.push_back(std::move(action));
}

void TActionGroup::Repeat() {
    for (const auto& member : members_)
        member->Repeat();
}

void TActionGroup::Redo() {
    for (const auto& member : members_)
        member->Redo();
}

void TActionGroup::Undo() {
    for (auto it = members_.rbegin(); it != members_.rend(); ++it)
        (*it)->Undo();
}

// ---- TActionList

TActionList::~TActionList() {
    // Open groups hold their enclosing groups' ownership chain through raw pointers.
    while (openGroup_) {
        std::unique_ptr<TActionGroup> group = std::move(openGroup_);
        openGroup_.reset(group->Enclosing());
    }
    Clear();
}

void TActionList::Add(std::unique_ptr<TActionBase> action) {
    if (!action)
        return;
    if (!enabled_)
        return;
    if (openGroup_) {
        openGroup_->AddMember(std::move(action));
        return;
    }
    while (Count() > index_ + 1)
        actions_.pop_back();
    actions_.push_back(std::move(action));
    index_ = Count() - 1;
    while (Count() > limit_) {
        actions_.erase(actions_.begin());
        --index_;
    }
}

void TActionList::BeginGroup(const QString& caption) {
    auto group = std::make_unique<TActionGroup>(caption, openGroup_.release());
    openGroup_ = std::move(group);
}

void TActionList::EndGroup() {
    if (!openGroup_)
        throw EActionList(QStringLiteral("group level is invalid"));
    std::unique_ptr<TActionGroup> closed = std::move(openGroup_);
    openGroup_.reset(closed->Enclosing());
    if (closed->MemberCount() > 0)
        Add(std::move(closed));
}

int TActionList::GroupLevel() const {
    int level = 0;
    for (const TActionGroup* g = openGroup_.get(); g != nullptr; g = g->Enclosing())
        ++level;
    return level;
}

bool TActionList::CanUndo() const {
    return index_ >= 0 && index_ < Count() && actions_[size_t(index_)]->CanUndo();
}

bool TActionList::RepeatPossible() const {
    return allowRepeat_ && Count() > 0 && index_ == Count() - 1;
}

bool TActionList::CanRedo() const {
    if (index_ + 1 < Count())
        return actions_[size_t(index_ + 1)]->CanRedo();
    if (RepeatPossible())
        return actions_[size_t(index_)]->CanRepeat();
    return false;
}

void TActionList::Undo() {
    if (!CanUndo())
        return;
    TActionBase* action = actions_[size_t(index_)].get();
    --index_;
    action->Undo();
}

void TActionList::Redo() {
    if (!CanRedo())
        return;
    if (index_ + 1 < Count()) {
        ++index_;
        actions_[size_t(index_)]->Redo();
    } else {
        actions_[size_t(index_)]->Repeat();
    }
}

QString TActionList::UndoCaption() const {
    if (index_ >= 0 && index_ < Count())
        return actions_[size_t(index_)]->Caption();
    return {};
}

QString TActionList::RedoCaption() const {
    if (index_ + 1 < Count())
        return actions_[size_t(index_ + 1)]->Caption();
    if (RepeatPossible())
        return actions_[size_t(index_)]->Caption();
    return {};
}

void TActionList::Clear() {
    index_ = 0;
    std::vector<std::unique_ptr<TActionBase>> gone = std::move(actions_);
    actions_.clear();
    for (auto& action : gone)
        action.reset();
}

TActionList& UndoList() {
    static TActionList list;
    return list;
}
