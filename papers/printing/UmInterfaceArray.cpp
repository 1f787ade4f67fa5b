#include "papers/printing/UmInterfaceArray.h"

#include <cstdint>

namespace {

const QString IndexErrorText = QStringLiteral("リストのインデックスが範囲を超えています (%1)");
const QString SortedErrorText = QStringLiteral("ソートされる文字列リストに対しては許されない動作です");
const QString DuplicateErrorText = QStringLiteral("文字列リストは重複を許しません");

} // namespace

bool TInterfaceArray::GetInterface(const TGUID& iid, void** obj) {
    return Offer<ImInterfaceArray>(this, iid, obj) || TAutoFreeInterface::GetInterface(iid, obj);
}

void TInterfaceArray::CheckIndex(int index) const {
    if (index < 0 || index >= int(items_.size()))
        throw EListError(IndexErrorText.arg(index));
}

void TInterfaceArray::CheckUnsorted() const {
    if (sorted_)
        throw EListError(SortedErrorText);
}

TIntf<IUnknownEx> TInterfaceArray::GetItem(int index) {
    CheckIndex(index);
    return items_[size_t(index)];
}

int TInterfaceArray::CompareItems(ImComparator* comparator, IUnknownEx* a, IUnknownEx* b) {
    if (comparator)
        return comparator->Compare(a, b);
    // Without a comparator items order by address, as a signed 32-bit difference.
    return int32_t(uint32_t(reinterpret_cast<uintptr_t>(a) - reinterpret_cast<uintptr_t>(b)));
}

void TInterfaceArray::SetSorted(bool sorted) {
    if (sorted && !sorted_)
        Sort(nullptr);
    sorted_ = sorted;
}

void TInterfaceArray::SetCount(int count) {
    CheckUnsorted();
    if (count < 0)
        throw EListError(IndexErrorText.arg(count));
    // Released from the last one down.
    while (int(items_.size()) > count)
        items_.pop_back();
    items_.resize(size_t(count));
}

void TInterfaceArray::SetItem(int index, const TIntf<IUnknownEx>& item) {
    CheckUnsorted();
    CheckIndex(index);
    items_[size_t(index)] = item;
}

void TInterfaceArray::Delete(int index) {
    CheckIndex(index);
    items_.erase(items_.begin() + index);
}

void TInterfaceArray::Move(int curIndex, int newIndex) {
    if (curIndex == newIndex)
        return;
    CheckUnsorted();
    CheckIndex(curIndex);
    CheckIndex(newIndex);
    TIntf<IUnknownEx> item = items_[size_t(curIndex)];
    items_.erase(items_.begin() + curIndex);
    items_.insert(items_.begin() + newIndex, item);
}

int TInterfaceArray::FindInsertIndex(IUnknownEx* item, bool& found) {
    found = false;
    int lo = 0;
    int hi = int(items_.size()) - 1;
    while (lo <= hi) {
        const int mid = (lo + hi) / 2;
        const int c = CompareItems(comparator_.get(), items_[size_t(mid)].get(), item);
        if (c < 0) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
            if (c == 0)
                found = true;
        }
    }
    return lo;
}

int TInterfaceArray::IndexOf(IUnknownEx* item) {
    if (sorted_) {
        bool found = false;
        const int index = FindInsertIndex(item, found);
        return found ? index : -1;
    }
    for (size_t i = 0; i < items_.size(); ++i)
        if (CompareItems(comparator_.get(), items_[i].get(), item) == 0)
            return int(i);
    return -1;
}

int TInterfaceArray::Add(const TIntf<IUnknownEx>& item) {
    if (!sorted_) {
        items_.push_back(item);
        return int(items_.size()) - 1;
    }
    bool found = false;
    const int index = FindInsertIndex(item.get(), found);
    if (found)
        throw EListError(DuplicateErrorText);
    items_.insert(items_.begin() + index, item);
    return index;
}

void TInterfaceArray::Insert(int index, const TIntf<IUnknownEx>& item) {
    CheckUnsorted();
    if (index < 0 || index > int(items_.size()))
        throw EListError(IndexErrorText.arg(index));
    items_.insert(items_.begin() + index, item);
}

void TInterfaceArray::Sort(ImComparator* comparator) {
    if (items_.size() < 2 || sorted_)
        return;
    QuickSortItems(comparator ? comparator : comparator_.get(), 0, int(items_.size()) - 1);
}

void TInterfaceArray::QuickSortItems(ImComparator* comparator, int left, int right) {
    while (left < right) {
        int i = left;
        int j = right;
        int pivot = (left + right) / 2;
        do {
            while (CompareItems(comparator, items_[size_t(i)].get(), items_[size_t(pivot)].get()) < 0)
                ++i;
            while (CompareItems(comparator, items_[size_t(j)].get(), items_[size_t(pivot)].get()) > 0)
                --j;
            if (i <= j) {
                std::swap(items_[size_t(i)], items_[size_t(j)]);
                if (pivot == i)
                    pivot = j;
                else if (pivot == j)
                    pivot = i;
                ++i;
                --j;
            }
        } while (i <= j);
        if (left < j)
            QuickSortItems(comparator, left, j);
        left = i;
    }
}

int TInterfaceArray::Find(ImItemFinder* finder) {
    int result = -1;
    int lo = 0;
    int hi = int(items_.size()) - 1;
    while (lo <= hi) {
        const int mid = (lo + hi) / 2;
        const int c = finder->Compare(items_[size_t(mid)].get());
        if (c < 0) {
            lo = mid + 1;
        } else {
            if (c == 0)
                result = mid;
            hi = mid - 1;
        }
    }
    return result;
}

int TInterfaceArray::FindFirst(ImItemFinder* finder) {
    for (size_t i = 0; i < items_.size(); ++i)
        if (finder->Compare(items_[i].get()) == 0)
            return int(i);
    return -1;
}

TIntf<ImInterfaceArray> CreateInterfaceArray() {
    return TIntf<ImInterfaceArray>(new TInterfaceArray);
}
