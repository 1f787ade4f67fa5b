#pragma once
// A list of counted interface references, kept in insertion order or sorted by a comparator, with
// binary and linear searches through finders. The printer forms are kept in one.

#include "core/UInterfaces.h"

#include <vector>

// Compares two items: negative, 0 or positive.
struct ImComparator : public virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{6A0C8E51-3B7D-4F0A-9C2E-1D5B7A3F9E01}");
    virtual int Compare(IUnknownEx* a, IUnknownEx* b) = 0;

protected:
    ~ImComparator() = default;
};

// Compares an item against a key of its own: negative, 0 (a match) or positive.
struct ImItemFinder : public virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{6A0C8E52-3B7D-4F0A-9C2E-1D5B7A3F9E01}");
    virtual int Compare(IUnknownEx* item) = 0;

protected:
    ~ImItemFinder() = default;
};

struct ImInterfaceArray : public virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{6A0C8E53-3B7D-4F0A-9C2E-1D5B7A3F9E01}");
    virtual TIntf<ImComparator> GetComparator() = 0;
    virtual bool GetSorted() = 0;
    virtual int GetCount() = 0;
    // Raise EListError for an index outside 0 to Count - 1.
    virtual TIntf<IUnknownEx> GetItem(int index) = 0;
    virtual void SetComparator(const TIntf<ImComparator>& comparator) = 0;
    // true sorts an unsorted array first.
    virtual void SetSorted(bool sorted) = 0;
    virtual void SetCount(int count) = 0;
    virtual void SetItem(int index, const TIntf<IUnknownEx>& item) = 0;
    virtual void Clear() = 0;
    virtual void Delete(int index) = 0;
    virtual void Move(int curIndex, int newIndex) = 0;
    // -1 when not found.
    virtual int IndexOf(IUnknownEx* item) = 0;
    // Appends, or inserts in order when sorted (an equal item raises); the index.
    virtual int Add(const TIntf<IUnknownEx>& item) = 0;
    virtual void Insert(int index, const TIntf<IUnknownEx>& item) = 0;
    // Sorts with comparator, or the array's own when null.
    virtual void Sort(ImComparator* comparator) = 0;
    // Binary search of a sorted array: the lowest matching index, or -1.
    virtual int Find(ImItemFinder* finder) = 0;
    // Linear search from the start: the first matching index, or -1.
    virtual int FindFirst(ImItemFinder* finder) = 0;

protected:
    ~ImInterfaceArray() = default;
};

class TInterfaceArray : public TAutoFreeInterface, public virtual ImInterfaceArray {
public:
    TIntf<ImComparator> GetComparator() override { return comparator_; }
    bool GetSorted() override { return sorted_; }
    int GetCount() override { return int(items_.size()); }
    TIntf<IUnknownEx> GetItem(int index) override;
    void SetComparator(const TIntf<ImComparator>& comparator) override { comparator_ = comparator; }
    void SetSorted(bool sorted) override;
    void SetCount(int count) override;
    void SetItem(int index, const TIntf<IUnknownEx>& item) override;
    void Clear() override { items_.clear(); }
    void Delete(int index) override;
    void Move(int curIndex, int newIndex) override;
    int IndexOf(IUnknownEx* item) override;
    int Add(const TIntf<IUnknownEx>& item) override;
    void Insert(int index, const TIntf<IUnknownEx>& item) override;
    void Sort(ImComparator* comparator) override;
    int Find(ImItemFinder* finder) override;
    int FindFirst(ImItemFinder* finder) override;

protected:
    bool GetInterface(const TGUID& iid, void** obj) override;

private:
    int CompareItems(ImComparator* comparator, IUnknownEx* a, IUnknownEx* b);
    // The insertion index of item; found tells whether an equal item exists.
    int FindInsertIndex(IUnknownEx* item, bool& found);
    void QuickSortItems(ImComparator* comparator, int left, int right);
    void CheckIndex(int index) const;
    void CheckUnsorted() const;

    std::vector<TIntf<IUnknownEx>> items_;
    TIntf<ImComparator> comparator_;
    bool sorted_ = false;
};

TIntf<ImInterfaceArray> CreateInterfaceArray();
