#include "platform/IntMath.h"

#include <climits>
#include <cmath>
#include <gtest/gtest.h>

TEST(IntMath, MulDivRoundsHalvesAwayFromZeroAndAnswersMinusOneWhenItCannot) {
    EXPECT_EQ(MulDiv(5, 3, 2), 8);
    EXPECT_EQ(MulDiv(-5, 3, 2), -8);
    EXPECT_EQ(MulDiv(5, 3, -2), -8);
    EXPECT_EQ(MulDiv(-5, -3, -2), -8);
    EXPECT_EQ(MulDiv(7, 1, 3), 2);
    EXPECT_EQ(MulDiv(8, 1, 3), 3);
    EXPECT_EQ(MulDiv(-8, 1, 3), -3);
    EXPECT_EQ(MulDiv(INT_MAX, INT_MAX, INT_MAX), INT_MAX);
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
    EXPECT_EQ(MulDiv(INT_MAX, 2, 1), -1);
}

TEST(IntMath, WideMulDivKeepsTheProductAndHoldsTheResult) {
    // The product passes 64 bits; the quotient does not.
    EXPECT_EQ(MulDiv64(INT64_MAX, 6, 4), INT64_MAX);
    EXPECT_EQ(MulDiv64(int64_t(1) << 62, 8, 16), int64_t(1) << 61);
    EXPECT_EQ(MulDiv64(-5, 3, 2), -8);
    EXPECT_EQ(MulDiv64(INT64_MIN, 2, 1), INT64_MIN);
    EXPECT_EQ(MulDiv64(7, 9, 0), 0);
    EXPECT_EQ(ClampToInt32(MulDiv64(INT_MAX, 3, 2)), INT_MAX);
    EXPECT_EQ(ClampToInt32(int64_t(INT_MIN) - 1), INT_MIN);
}

TEST(IntMath, FloatRoundingsHoldTheIntRangeAndMapNaNToZero) {
    EXPECT_EQ(RoundAwayClamped(2.5L), 3);
    EXPECT_EQ(RoundAwayClamped(-2.5L), -3);
    EXPECT_EQ(RoundEvenClamped(2.5L), 2);
    EXPECT_EQ(RoundEvenClamped(-3.5L), -4);
    EXPECT_EQ(TruncClamped(-2.9L), -2);
    EXPECT_EQ(RoundAway(-0.5L), -1.0L);
    for (int (*f)(long double) : {TruncClamped, RoundAwayClamped, RoundEvenClamped}) {
        EXPECT_EQ(f(1e30L), INT_MAX);
        EXPECT_EQ(f(-1e30L), INT_MIN);
        EXPECT_EQ(f(INFINITY), INT_MAX);
        EXPECT_EQ(f(NAN), 0);
    }
}
