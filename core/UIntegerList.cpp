#include "core/UIntegerList.h"

TIntegerList::TIntegerList(int count) : items_(static_cast<size_t>(count > 0 ? count : 0), 0) {}

void TIntegerList::CheckIndex(int index) const {
    if (index < 0 || index >= Count())
        throw EIntegerList(QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(index));
}

void TIntegerList::Changed() {
    if (OnChange)
        OnChange(this);
}

int32_t TIntegerList::Get(int index) const {
    CheckIndex(index);
    return items_[static_cast<size_t>(index)];
}

void TIntegerList::Put(int index, int32_t value) {
    CheckIndex(index);
    int32_t& item = items_[static_cast<size_t>(index)];
    if (item == value)
        return;
    item = value;
    Changed();
}

void TIntegerList::Assign(const TPersistent* source) {
    const auto* other = dynamic_cast<const TIntegerList*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    if (other->Count() != Count())
        throw EIntegerList(QStringLiteral("Count of Values is mismatch."));
    if (other->items_ == items_)
        return;
    items_ = other->items_;
    Changed();
}
