#include "platform/Component.h"

#include <algorithm>

// ---- TPersistent

const TMetaClass& TPersistent::StaticClass() {
    // Plain persistent objects are never made by name, so the root has no constructor.
    static const TMetaClass meta("TPersistent", typeid(TPersistent), nullptr);
    return meta;
}

void TPersistent::CheckClassType() const {
    if (typeid(*this) != ClassType().TypeInfo())
        throw EComponentError(
            QStringLiteral("A class derived from %1 has no class description of its own").arg(ClassName()));
}

void TPersistent::Assign(const TPersistent* source) {
    if (source != nullptr) {
        source->AssignTo(this);
        return;
    }
    AssignError(source);
}

void TPersistent::AssignTo(TPersistent* dest) const {
    dest->AssignError(this);
}

void TPersistent::AssignError(const TPersistent* source) const {
    const QString from = source != nullptr ? source->ClassName() : QStringLiteral("nil");
    throw EConvertError(QStringLiteral("Cannot assign a %1 to a %2").arg(from, ClassName()));
}

void TPersistent::DefineProperties(TFiler&) {}

// ---- TComponent

bool IsValidIdent(const QString& ident) {
    if (ident.isEmpty())
        return false;
    for (qsizetype i = 0; i < ident.size(); ++i) {
        const QChar c = ident[i];
        const bool letter = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                            (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || c == QLatin1Char('_');
        const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
        if (!letter && !(digit && i > 0))
            return false;
    }
    return true;
}

void TComponent::DeclareProperties(TPropertyBuilder<TComponent>& p) {
    // The name goes in the component's header, never as a property.
    p.String("Name", &TComponent::Name, &TComponent::SetName).Stored(false);
    p.Integer("Tag", &TComponent::Tag, &TComponent::SetTag).Default(0);
}

TComponent::TComponent(TComponent* owner) {
    if (owner != nullptr)
        owner->InsertComponent(this);
}

TComponent::~TComponent() {
    state_ |= csDestroying;
    // Whoever asked to be told about this component forgets it now.
    while (!freeNotifies_.empty()) {
        TComponent* other = freeNotifies_.back();
        freeNotifies_.pop_back();
        auto& theirs = other->freeNotifies_;
        theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
        other->Notification(this, TOperation::opRemove);
    }
    DestroyComponents();
    if (owner_ != nullptr)
        owner_->RemoveComponent(this);
}

TComponent* TComponent::Components(int index) const {
    if (index < 0 || index >= ComponentCount())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return components_[static_cast<size_t>(index)];
}

int TComponent::ComponentIndex() const {
    if (owner_ == nullptr)
        return -1;
    const auto& list = owner_->components_;
    const auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

TComponent* TComponent::FindComponent(const QString& name) const {
    if (name.isEmpty())
        return nullptr;
    for (TComponent* c : components_) {
        if (c->name_.compare(name, Qt::CaseInsensitive) == 0)
            return c;
    }
    return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
    if (component == nullptr || component->owner_ == this)
        return;
    ValidateRename(component, QString(), component->name_);
    if (component->owner_ != nullptr)
        component->owner_->RemoveComponent(component);
    components_.push_back(component);
    component->owner_ = this;
    component->SetReference(true);
    Notification(component, TOperation::opInsert);
    for (TComponent* sibling : components_) {
        if (sibling != component)
            sibling->Notification(component, TOperation::opInsert);
    }
}

void TComponent::RemoveComponent(TComponent* component) {
    if (component == nullptr || component->owner_ != this)
        return;
    component->SetReference(false);
    // Owned components mostly go from the end (DestroyComponents), so search from there.
    const auto it = std::find(components_.rbegin(), components_.rend(), component);
    if (it != components_.rend())
        components_.erase(std::next(it).base());
    component->owner_ = nullptr;
    RemoveNotification(component);
}

void TComponent::RemoveNotification(TComponent* component) {
    if (IsDestroying())
        return;
    Notification(component, TOperation::opRemove);
    for (TComponent* sibling : components_)
        sibling->Notification(component, TOperation::opRemove);
}

void TComponent::DestroyComponents() {
    while (!components_.empty()) {
        TComponent* last = components_.back();
        // Detach first, so that the child's destructor does not search this list.
        RemoveComponent(last);
        delete last;
    }
}

void TComponent::ValidateRename(TComponent* component, const QString& currentName,
                                const QString& newName) const {
    if (newName.isEmpty() || newName.compare(currentName, Qt::CaseInsensitive) == 0)
        return;
    TComponent* existing = FindComponent(newName);
    if (existing != nullptr && existing != component)
        throw EComponentError(QStringLiteral("A component named %1 already exists").arg(newName));
}

void TComponent::SetName(const QString& name) {
    if (name_ == name)
        return;
    if (!name.isEmpty() && !IsValidIdent(name))
        throw EComponentError(QStringLiteral("'%1' is not a valid component name").arg(name));
    if (owner_ != nullptr)
        owner_->ValidateRename(this, name_, name);
    ChangeName(name);
}

void TComponent::ChangeName(const QString& name) {
    SetReference(false);
    name_ = name;
    SetReference(true);
}

void TComponent::SetReference(bool enable) {
    if (owner_ == nullptr || name_.isEmpty())
        return;
    const TFieldInfo* field = owner_->ClassType().FindField(name_);
    if (field == nullptr)
        return;
    if (enable) {
        field->Set(owner_, this);
    } else if (field->Get(owner_) == this) {
        field->Set(owner_, nullptr);
    }
}

void TComponent::Loaded() {
    state_ &= ~csLoading;
}

void TComponent::GetChildren(const TGetChildProc&, TComponent*) {}

void TComponent::SetParentComponent(TComponent*) {}

void TComponent::Notification(TComponent*, TOperation) {}

void TComponent::FreeNotification(TComponent* component) {
    if (component == nullptr || component == this)
        return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end())
        freeNotifies_.push_back(component);
    auto& theirs = component->freeNotifies_;
    if (std::find(theirs.begin(), theirs.end(), this) == theirs.end())
        theirs.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
    if (component == nullptr)
        return;
    freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), component),
                        freeNotifies_.end());
    auto& theirs = component->freeNotifies_;
    theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
}

TComponent* CloneComponent(const TComponent* source, TComponent* owner) {
    source->CheckClassType();
    TComponent* clone = source->NewInstance(owner);
    try {
        clone->Assign(source);
    } catch (...) {
        delete clone;
        throw;
    }
    return clone;
}

// ---- TCollection

const TMetaClass& TCollection::TCollectionItemClassOf() {
    return TCollectionItem::StaticClass();
}

TCollection::TCollection(const TMetaClass& itemClass, TPersistent* owner)
    : itemClass_(&itemClass), owner_(owner) {}

TCollection::~TCollection() {
    updateCount_ = 1; // no update calls while the items go
    while (!items_.empty())
        delete items_.back();
}

TCollectionItem* TCollection::Items(int index) const {
    if (index < 0 || index >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return items_[static_cast<size_t>(index)];
}

TCollectionItem* TCollection::Add() {
    TCollectionItem* item = itemClass_->CreateItem(this);
    // An item class whose constructor does not join the collection still ends up in it.
    if (item->collection_ != this)
        item->SetCollection(this);
    return item;
}

TCollectionItem* TCollection::Insert(int index) {
    TCollectionItem* item = Add();
    item->SetIndex(index);
    return item;
}

void TCollection::Delete(int index) {
    delete Items(index);
}

void TCollection::Clear() {
    if (items_.empty())
        return;
    BeginUpdate();
    while (!items_.empty())
        delete items_.back();
    EndUpdate();
}

TCollectionItem* TCollection::FindItemID(int id) const {
    for (TCollectionItem* item : items_) {
        if (item->id_ == id)
            return item;
    }
    return nullptr;
}

void TCollection::Assign(const TPersistent* source) {
    const auto* other = dynamic_cast<const TCollection*>(source);
    if (other == nullptr) {
        TPersistent::Assign(source);
        return;
    }
    if (other == this)
        return;
    InUpdate(*this, [&] {
        Clear();
        for (TCollectionItem* item : other->items_)
            Add()->Assign(item);
    });
}

void TCollection::BeginUpdate() {
    ++updateCount_;
}

void TCollection::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0)
        Changed();
}

void TCollection::Changed() {
    if (updateCount_ == 0)
        Update(nullptr);
}

void TCollection::Update(TCollectionItem* item) {
    if (OnUpdate)
        OnUpdate(this, item);
}

void TCollection::InsertItem(TCollectionItem* item) {
    items_.push_back(item);
    item->collection_ = this;
    item->id_ = nextId_++;
    Changed();
}

void TCollection::RemoveItem(TCollectionItem* item) {
    // Items mostly go from the end (Clear, the destructor), so search from there.
    const auto it = std::find(items_.rbegin(), items_.rend(), item);
    if (it != items_.rend())
        items_.erase(std::next(it).base());
    item->collection_ = nullptr;
    Changed();
}

// ---- TCollectionItem

TCollectionItem::TCollectionItem(TCollection* collection) {
    SetCollection(collection);
}

TCollectionItem::~TCollectionItem() {
    SetCollection(nullptr);
}

void TCollectionItem::SetCollection(TCollection* collection) {
    if (collection_ == collection)
        return;
    if (collection_ != nullptr)
        collection_->RemoveItem(this);
    if (collection != nullptr)
        collection->InsertItem(this);
}

int TCollectionItem::Index() const {
    if (collection_ == nullptr)
        return -1;
    const auto& list = collection_->items_;
    const auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TCollectionItem::SetIndex(int index) {
    const int current = Index();
    if (current < 0 || index == current)
        return;
    auto& list = collection_->items_;
    index = std::clamp(index, 0, static_cast<int>(list.size()) - 1);
    list.erase(list.begin() + current);
    list.insert(list.begin() + index, this);
    Changed(true);
}

QString TCollectionItem::DisplayName() const {
    return ClassName();
}

void TCollectionItem::Changed(bool allItems) {
    if (collection_ != nullptr && collection_->updateCount_ == 0)
        collection_->Update(allItems ? nullptr : this);
}
