#pragma once
// A fixed number of integers with a change event: the base of the small lists of offsets and indices
// the controls keep (caption offsets, image indices). A descendant fixes the count and publishes the
// items under names of its own.

#include "platform/Component.h"

#include <cstdint>
#include <vector>

QUORLANE_EXCEPTION(EIntegerList, Exception)

class TIntegerList : public TPersistent {
    QUORLANE_CLASS(TIntegerList, TPersistent)

public:
    // count zero-filled items; the count never changes afterwards.
    explicit TIntegerList(int count);

    int Count() const { return static_cast<int>(items_.size()); }
    // EIntegerList outside 0..Count-1.
    int32_t Get(int index) const;
    // Stores value and calls OnChange when it differs from the stored one.
    void Put(int index, int32_t value);
    int32_t operator[](int index) const { return Get(index); }

    // From another integer list of the same count: copies and calls OnChange when the contents
    // differ. EIntegerList when the counts differ.
    void Assign(const TPersistent* source) override;

    TNotifyEvent OnChange;

private:
    void CheckIndex(int index) const;
    void Changed();

    std::vector<int32_t> items_;
};
