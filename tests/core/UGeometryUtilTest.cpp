#include "core/UGeometryUtil.h"

#include <climits>
#include <gtest/gtest.h>

TEST(GeometryUtil, CentreTruncatesTowardZero) {
    EXPECT_EQ(RectCenter(Rect(-3, -3, 0, 0)), Point(-1, -1));
    EXPECT_EQ(RectCenter(Rect(0, 0, 3, 5)), Point(1, 2));
    EXPECT_EQ(RectCenter(Rect(INT_MAX - 2, 0, INT_MAX, 2)), Point(INT_MAX - 1, 1));
    EXPECT_EQ(CenterRectAt(Rect(0, 0, 10, 4), Point(100, 50)), Rect(95, 48, 105, 52));
    EXPECT_EQ(RectWidth(Rect(-5, 2, 7, 9)), 12);
    EXPECT_EQ(RectHeight(Rect(-5, 2, 7, 9)), 7);
}

TEST(GeometryUtil, FitInnerAndOuterKeepProportions) {
    const TRect src = Rect(0, 0, 400, 300);
    const TRect box = Rect(0, 0, 100, 100);
    EXPECT_EQ(FitRectInner(src, box), Rect(0, 13, 100, 88));
    EXPECT_EQ(FitRectOuter(src, box), Rect(-16, 0, 117, 100));
    // Portrait source: the height limits.
    EXPECT_EQ(FitRectInner(Rect(0, 0, 300, 400), box), Rect(13, 0, 88, 100));
    EXPECT_EQ(FitSizeInner(Rect(10, 20, 410, 320), 200, 1000), Rect(10, 20, 210, 170));
    EXPECT_EQ(FitSizeOuter(Rect(10, 20, 410, 320), 200, 1000), Rect(10, 20, 1343, 1020));
    // Offset target: the fit is centred on its centre.
    EXPECT_EQ(FitRectInner(Rect(0, 0, 2, 1), Rect(100, 100, 140, 140)), Rect(100, 110, 140, 130));
}

TEST(GeometryUtil, FittingWithoutAreaGivesAnEmptyRectangle) {
    const TRect box = Rect(0, 0, 100, 80);
    for (const TRect& src : {Rect(0, 0, 0, 50), Rect(0, 0, 50, 0), Rect(5, 5, 0, 0)}) {
        const TRect inner = FitRectInner(src, box);
        const TRect outer = FitRectOuter(src, box);
        EXPECT_TRUE(inner.IsEmpty());
        EXPECT_TRUE(outer.IsEmpty());
        EXPECT_EQ(inner, Rect(50, 40, 50, 40));
        EXPECT_EQ(outer, Rect(50, 40, 50, 40));
    }
    EXPECT_EQ(FitRectInner(Rect(0, 0, 40, 30), Rect(10, 10, 10, 30)), Rect(10, 20, 10, 20));
    EXPECT_EQ(FitRectOuter(Rect(0, 0, 40, 30), Rect(10, 10, 30, 10)), Rect(20, 10, 20, 10));
    EXPECT_TRUE(FitSizeInner(Rect(0, 0, 40, 30), 0, 0).IsEmpty());
    EXPECT_TRUE(FitSizeOuter(Rect(0, 0, 40, 30), -5, 10).IsEmpty());
}

TEST(GeometryUtil, FittingExtremeProportionsStaysInRange) {
    const TRect r = FitRectInner(Rect(0, 0, 2000000000, 1), Rect(0, 0, 1000, 1000));
    EXPECT_EQ(RectWidth(r), 1000);
    EXPECT_EQ(RectHeight(r), 0);
    const TRect o = FitSizeOuter(Rect(0, 0, 2000000000, 1), 1000, 1000);
    EXPECT_EQ(o.Right, INT_MAX);
    EXPECT_EQ(o.Bottom, 1000);
}

TEST(GeometryUtil, ScalingFollowsEachAxisAndRounds) {
    // A clip on a 4000 x 3000 picture onto its 800 x 600 copy, and onto a squeezed one.
    EXPECT_EQ(ScaleRect(Rect(500, 0, 3500, 3000), TSize(4000, 3000), TSize(800, 600)),
              Rect(100, 0, 700, 600));
    EXPECT_EQ(ScaleRect(Rect(1, 2, 3, 5), TSize(4, 4), TSize(2, 8)), Rect(1, 4, 2, 10));
    EXPECT_EQ(ScaleRect(Rect(0, 0, 1, 1), TSize(1, 1), TSize(INT_MAX, 3)), Rect(0, 0, INT_MAX, 3));
    EXPECT_TRUE(ScaleRect(Rect(1, 1, 5, 5), TSize(0, 10), TSize(10, 10)).IsEmpty());
}

TEST(GeometryUtil, InsideDegenerateAndClamp) {
    const TRect r = Rect(10, 0, 20, 40);
    EXPECT_TRUE(IsRectInside(r, r));
    EXPECT_TRUE(IsRectInside(Rect(12, 1, 20, 40), r));
    EXPECT_FALSE(IsRectInside(Rect(9, 1, 20, 40), r));
    EXPECT_FALSE(IsRectInside(Rect(30, 1, 40, 4), r));
    EXPECT_TRUE(IsRectDegenerate(Rect(3, 1, 3, 9)));
    EXPECT_TRUE(IsRectDegenerate(Rect(1, 4, 9, 4)));
    EXPECT_FALSE(IsRectDegenerate(Rect(5, 5, 1, 1)));
    EXPECT_EQ(ClampPointToRect(Point(5, 50), r), Point(10, 40));
    EXPECT_EQ(ClampPointToRect(Point(25, -1), r), Point(20, 0));
    EXPECT_EQ(ClampPointToRect(Point(15, 20), r), Point(15, 20));
    EXPECT_EQ(AddPoint(Point(1, -2), Point(10, 20)), Point(11, 18));
}
