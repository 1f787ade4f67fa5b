#pragma once
// The four margins (left, top, right, bottom) a panel keeps between its client area and the
// controls it aligns.

#include "core/UIntegerList.h"
#include "platform/Rect.h"

class TAlignOffset : public TIntegerList {
    QUORLANE_CLASS(TAlignOffset, TIntegerList)

public:
    static constexpr int kCount = 4;

    TAlignOffset() : TIntegerList(kCount) {}
    static void DeclareProperties(TPropertyBuilder<TAlignOffset>& p);

    int Left() const { return Get(0); }
    void SetLeft(int value) { Put(0, value); }
    int Top() const { return Get(1); }
    void SetTop(int value) { Put(1, value); }
    int Right() const { return Get(2); }
    void SetRight(int value) { Put(2, value); }
    int Bottom() const { return Get(3); }
    void SetBottom(int value) { Put(3, value); }

    // r with left and top moved in by Left and Top, right and bottom by Right and Bottom.
    TRect Apply(const TRect& r) const;
};
