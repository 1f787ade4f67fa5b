#include "pageobjects/layout/UAlignUtil.h"

#include <gtest/gtest.h>

TEST(AlignUtil, ModesPlaceTheInkExtent) {
    const std::vector<TCharABC> items{{2, 6, 2}, {1, 8, 1}, {0, 10, 0}};
    std::vector<int32_t> pos;
    TAlignExtent e;
    AlignItems(items, 100, 5, amLeft, pos, e);
    EXPECT_EQ(pos, (std::vector<int32_t>{-2, 13, 28}));
    EXPECT_EQ(e.Left, 0);
    EXPECT_EQ(e.Right, 38);
    AlignItems(items, 100, 5, amRight, pos, e);
    EXPECT_EQ(e.Right, 100);
    EXPECT_EQ(pos[0], 60);
    // Odd free length: (101 - 40 - 2) / 2 truncates.
    AlignItems(items, 101, 5, amCenter, pos, e);
    EXPECT_EQ(pos[0], 29);
    EXPECT_EQ(e.Left, 31);
}

TEST(AlignUtil, JustifySpreadsTheFreeLengthWithoutDrift) {
    const std::vector<int32_t> sizes{10, 10, 10, 10};
    std::vector<int32_t> pos;
    AlignSizes(sizes, 100, 99, amJustify, pos);
    EXPECT_EQ(pos, (std::vector<int32_t>{0, 30, 60, 90}));
    AlignSizes({10}, 100, 0, amJustify, pos);
    EXPECT_EQ(pos, (std::vector<int32_t>{0}));
    AlignSizes({7, 7, 7}, 100, 0, amJustify, pos);
    EXPECT_EQ(pos.back() + 7, 100);
    // Hostile widths stay in range.
    AlignSizes({INT32_MAX, INT32_MAX, INT32_MAX}, INT32_MIN, INT32_MAX, amCenter, pos);
    EXPECT_EQ(pos.size(), 3u);
}

TEST(AlignUtil, RectMovesAgainstTheRegionsEdge) {
    QRegion region(QRect(0, 0, 100, 50));
    region += QRect(20, 50, 60, 50);
    TRect r;
    AlignRectLeftInRgn(region, TRect(50, 60, 70, 80), r);
    EXPECT_EQ(r, TRect(20, 60, 40, 80));
    AlignRectRightInRgn(region, TRect(0, 40, 10, 60), r);
    EXPECT_EQ(r, TRect(70, 40, 80, 60));
    AlignRectBottomInRgn(region, TRect(0, 0, 10, 10), r);
    EXPECT_EQ(r, TRect(0, 40, 10, 50));
    AlignRectTopInRgn(QRegion(), TRect(1, 2, 3, 4), r);
    EXPECT_EQ(r, TRect(1, 2, 3, 4));
    AlignRectTopInRgn(region, TRect(500, 2, 503, 4), r);
    EXPECT_EQ(r, TRect(500, 2, 503, 4));
}
