#include "pageobjects/engine/UTransformer.h"

#include "pageobjects/engine/UStroke.h"

#include <gtest/gtest.h>

namespace {

TPoint Turned(int angle, const TPoint& centre, TPoint p) {
    TRotator r;
    r.SetAngle(angle);
    r.Center = centre;
    r.TransformPoint(p);
    return p;
}

} // namespace

TEST(Rotator, PositiveAnglesTurnClockwiseOnThePage) {
    EXPECT_EQ(Turned(90, TPoint(0, 0), TPoint(10, 0)), TPoint(0, 10));
    EXPECT_EQ(Turned(-90, TPoint(0, 0), TPoint(10, 0)), TPoint(0, -10));
    EXPECT_EQ(Turned(180, TPoint(5, 5), TPoint(10, 5)), TPoint(0, 5));
    EXPECT_EQ(Turned(360, TPoint(7, -3), TPoint(100, 40)), TPoint(100, 40));
    // 30 degrees of (100, 0): (86.60, 50.0) rounds half away from zero.
    EXPECT_EQ(Turned(30, TPoint(0, 0), TPoint(100, 0)), TPoint(87, 50));
    EXPECT_EQ(Turned(30, TPoint(0, 0), TPoint(-100, 0)), TPoint(-87, -50));
    // 45 degrees of (10, 0) about (20, 20): d = (-10, -20) -> (7.07, -21.21) -> (7, -21) + centre.
    EXPECT_EQ(Turned(45, TPoint(20, 20), TPoint(10, 0)), TPoint(27, -1));
}

TEST(Rotator, TurnsEveryPointOfAStrokeAndKeepsTypes) {
    TStroke s;
    s.MakeRect(Rect(0, 0, 10, 20));
    TRotator r;
    r.SetAngle(90);
    r.Center = TPoint(5, 10);
    r.TransformStroke(s);
    EXPECT_EQ(s.GetPoint(0), TPoint(15, 5));
    EXPECT_EQ(s.GetPoint(1), TPoint(15, 15));
    EXPECT_EQ(s.GetPoint(2), TPoint(-5, 15));
    EXPECT_EQ(s.GetPoint(3), TPoint(-5, 5));
    EXPECT_EQ(s.GetPointType(0), 6);
    EXPECT_EQ(s.GetPointType(3), 3);

    TRotator copy;
    copy.Assign(&r);
    EXPECT_EQ(copy.Angle(), 90);
    EXPECT_EQ(copy.Center, TPoint(5, 10));
    TPoint p(5, 0);
    copy.TransformPoint(p);
    EXPECT_EQ(p, TPoint(15, 10));
}

TEST(Rotator, FarPointsStayInsideTheIntRange) {
    TPoint p(2000000000, 2000000000);
    TRotator r;
    r.SetAngle(45);
    r.TransformPoint(p);
    EXPECT_EQ(p.X, 0);
    EXPECT_EQ(p.Y, 2147483647);
}
