#include "pageobjects/engine/UArcGeometry.h"

#include "platform/Canvas.h"

#include <QImage>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

namespace {

constexpr long double kPi = std::numbers::pi_v<long double>;

long double Degrees(long double d) {
    return d * kPi / 180;
}

struct TRecorded {
    std::vector<TPoint> Points;
    std::vector<uint8_t> Types;
};

// What a drawing routine leaves as a path on a canvas with the identity mapping.
TRecorded Record(const std::function<void(TCanvas&)>& draw, int penWidth = 1) {
    QImage image(10, 10, QImage::Format_RGB32);
    TCanvas canvas(&image);
    canvas.Pen().Width = penWidth;
    canvas.BeginPath();
    draw(canvas);
    canvas.EndPath();
    EXPECT_EQ(canvas.Pen().Width, penWidth);
    TRecorded r;
    canvas.GetPath(r.Points, r.Types);
    return r;
}

TArcInfo Arc(int cx, int cy, int radius, long double startDeg, long double endDeg) {
    TArcInfo a;
    a.Centre = TPoint(cx, cy);
    a.Radius = radius;
    a.StartAngle = Degrees(startDeg);
    a.EndAngle = Degrees(endDeg);
    return a;
}

double Distance(const TPoint& p, const TPoint& c) {
    return std::hypot(double(p.X - c.X), double(p.Y - c.Y));
}

} // namespace

TEST(ArcGeometry, CircleAndArcThroughThreePoints) {
    TPoint c;
    // Centre (50, 26.67) relative to the first point: radius 56.67, centre rounded to (50, 27).
    EXPECT_NEAR(double(CircleThrough3Points(c, TPoint(0, 0), TPoint(50, -30), TPoint(100, 0))), 56.6666667,
                1e-6);
    EXPECT_EQ(c, TPoint(50, 27));
    // Collinear: the integer mean, radius to the middle point.
    EXPECT_NEAR(double(CircleThrough3Points(c, TPoint(0, 0), TPoint(10, 10), TPoint(-4, -4))), 11.3137085,
                1e-6);
    EXPECT_EQ(c, TPoint(2, 2));

    TArcInfo arc;
    MakeArcFromThreePoints(arc, TPoint(0, 0), TPoint(50, -30), TPoint(100, 0));
    EXPECT_EQ(arc.Centre, TPoint(50, 27));
    EXPECT_EQ(arc.Radius, 57);
    EXPECT_NEAR(double(arc.StartAngle), 3.636725917058197, 1e-12);
    EXPECT_NEAR(double(arc.EndAngle), 5.788052043711182, 1e-12);

    MakeArcFromThreePoints(arc, TPoint(5, 5), TPoint(5, 5), TPoint(5, 5));
    EXPECT_EQ(arc.Centre, TPoint(5, 5));
    EXPECT_EQ(arc.Radius, 0);
    EXPECT_EQ(arc.StartAngle, 0);
    EXPECT_EQ(arc.EndAngle, 0);
}

TEST(ArcGeometry, SignedBulges) {
    EXPECT_EQ(GetArcBulge(TPoint(0, 0), TPoint(50, -30), TPoint(100, 0)), 29);
    EXPECT_EQ(GetArcBulge(TPoint(0, 0), TPoint(50, 30), TPoint(100, 0)), -29);
    // Centre (100, 216), radius 238.27: 22.27 truncated.
    EXPECT_EQ(GetArcBulge(TPoint(0, 0), TPoint(100, -22), TPoint(200, 0)), 22);
    // More than a half circle: the centre lies on the bulge's side.
    EXPECT_EQ(GetArcBulge(TPoint(0, 0), TPoint(50, -80), TPoint(100, 0)), 79);
    EXPECT_EQ(GetArcBulge(TPoint(0, 0), TPoint(30, 30), TPoint(90, 90)), 0);
    EXPECT_EQ(GetArcBulge(TPoint(7, 7), TPoint(7, 7), TPoint(7, 7)), 0);

    EXPECT_EQ(PointOrientation(TPoint(0, 0), TPoint(100, 0), TPoint(50, -1)), 1);
    EXPECT_EQ(PointOrientation(TPoint(0, 0), TPoint(100, 0), TPoint(50, 1)), -1);
    EXPECT_EQ(PointOrientation(TPoint(0, 0), TPoint(100, 0), TPoint(150, 0)), 0);
}

TEST(ArcGeometry, BulgePoints) {
    TPoint q;
    GetBulgePoint(TPoint(0, 0), TPoint(100, 0), 30, q);
    EXPECT_EQ(q, TPoint(50, -30));
    GetBulgePoint(TPoint(0, 0), TPoint(100, 0), 5000, q);
    EXPECT_EQ(q, TPoint(50, -4000));
    GetBulgePoint(TPoint(0, 0), TPoint(100, 0), -5000, q);
    EXPECT_EQ(q, TPoint(50, 4000));
    GetBulgePoint(TPoint(0, 0), TPoint(30, 40), 10, q);
    EXPECT_EQ(q, TPoint(23, 14));
    GetBulgePoint(TPoint(3, 4), TPoint(3, 4), 50, q);
    EXPECT_EQ(q, TPoint(3, 4));
    // Back through the circle: the same bulge within the rounding of the centre.
    GetBulgePoint(TPoint(0, 0), TPoint(200, 0), 40, q);
    EXPECT_NEAR(GetArcBulge(TPoint(0, 0), q, TPoint(200, 0)), 40, 1);
}

TEST(ArcGeometry, ArcsFromBulges) {
    TArcInfo arc;
    EXPECT_TRUE(GetBulgeArc(arc, TPoint(0, 0), TPoint(100, 0), 30));
    EXPECT_EQ(arc.Centre, TPoint(50, 26));
    EXPECT_EQ(arc.Radius, 56);
    EXPECT_NEAR(double(arc.StartAngle), 3.631549979843521, 1e-12);
    EXPECT_NEAR(double(arc.EndAngle), 5.793227980925858, 1e-12);

    // The mirror arc, angles exchanged so that it still runs with increasing angle.
    EXPECT_TRUE(GetBulgeArc(arc, TPoint(0, 0), TPoint(100, 0), -30));
    EXPECT_EQ(arc.Centre, TPoint(50, -26));
    EXPECT_NEAR(double(arc.StartAngle), 0.48995732625372834, 1e-12);
    EXPECT_NEAR(double(arc.EndAngle), 2.651635327336065, 1e-12);

    // More than a half circle: the centre is on the bulge's side.
    EXPECT_TRUE(GetBulgeArc(arc, TPoint(0, 0), TPoint(100, 0), 80));
    EXPECT_EQ(arc.Centre, TPoint(50, -24));
    EXPECT_EQ(arc.Radius, 55);

    EXPECT_TRUE(GetBulgeArc(arc, TPoint(0, 0), TPoint(100, 0), 0));
    EXPECT_EQ(arc.Centre, TPoint(50, 0));
    EXPECT_EQ(arc.Radius, 50);
    EXPECT_NEAR(double(arc.StartAngle), double(kPi), 1e-15);
    EXPECT_EQ(arc.EndAngle, 0);

    // Too short a chord: refused, and nothing in the record is left undefined.
    arc.Radius = 1234;
    EXPECT_FALSE(GetBulgeArc(arc, TPoint(10, 10), TPoint(10, 10), 30));
    EXPECT_EQ(arc.Radius, 0);
}

TEST(ArcGeometry, ArcPointsAndBounds) {
    TPoint s, m, e;
    GetArcPoints(s, m, e, Arc(0, 0, 100, 350, 10));
    EXPECT_EQ(s, TPoint(98, -17));
    EXPECT_EQ(m, TPoint(100, 0));
    EXPECT_EQ(e, TPoint(98, 17));
    TPoint p;
    PointOnArc(Arc(10, 20, 0, 0, 0), Degrees(45), 10, p);
    EXPECT_EQ(p, TPoint(17, 27));

    TRect r;
    // Through angle 0: the rightmost point of the circle.
    GetArcBounds(Arc(0, 0, 100, 350, 10), r);
    EXPECT_EQ(r, TRect(98, -17, 100, 17));
    GetArcBounds(Arc(0, 0, 100, 10, 170), r);
    EXPECT_EQ(r, TRect(-98, 17, 98, 100));
    GetArcBounds(Arc(0, 0, 100, 20, 10), r);
    EXPECT_EQ(r, TRect(-100, -100, 100, 100));
    GetArcBounds(Arc(0, 0, 100, 100, 80), r);
    EXPECT_EQ(r, TRect(-100, -100, 100, 98));
    GetArcBounds(Arc(0, 0, 100, 20, 60), r);
    EXPECT_EQ(r, TRect(50, 34, 94, 87));
}

TEST(ArcGeometry, ParabolaThroughThreePoints) {
    const TRecorded path =
        Record([](TCanvas& c) { DrawParabola(c, TPoint(0, 0), TPoint(50, -40), TPoint(100, 0)); });
    const std::vector<TPoint> expected = {{0, 0},    {13, -18}, {25, -30}, {38, -38}, {50, -40},
                                          {63, -38}, {75, -30}, {88, -18}, {100, 0}};
    EXPECT_EQ(path.Points, expected);
}

TEST(ArcGeometry, ArcPolylineInTwoDegreeSteps) {
    TRecorded path = Record([](TCanvas& c) { DrawArcPolyline(c, Arc(0, 0, 100, 0, 90)); });
    ASSERT_GE(path.Points.size(), 45u);
    EXPECT_LE(path.Points.size(), 46u);
    EXPECT_EQ(path.Points.front(), TPoint(100, 0));
    EXPECT_EQ(path.Points[1], TPoint(99, 3));
    EXPECT_EQ(path.Points.back(), TPoint(0, 100));
    for (const TPoint& p : path.Points)
        EXPECT_NEAR(Distance(p, TPoint(0, 0)), 100.0, 1.5);

    // From 350 to 10 degrees the polyline passes angle 0.
    path = Record([](TCanvas& c) { DrawArcPolyline(c, Arc(0, 0, 100, 350, 10)); });
    EXPECT_EQ(path.Points.front(), TPoint(98, -17));
    EXPECT_EQ(path.Points.back(), TPoint(98, 17));
    EXPECT_NE(std::find(path.Points.begin(), path.Points.end(), TPoint(100, 0)), path.Points.end());
    for (const TPoint& p : path.Points)
        EXPECT_GE(p.X, 98);
}

TEST(ArcGeometry, ThreePointCurvesChooseArcOrParabola) {
    auto draw = [](TPoint a, TPoint b, TPoint c) {
        return Record([=](TCanvas& canvas) { DrawThreePointArc(canvas, a, b, c); });
    };
    // A bend of 20 is a parabola (nine points), 22 a circular arc in 2-degree steps.
    EXPECT_EQ(draw(TPoint(0, 0), TPoint(100, -20), TPoint(200, 0)).Points.size(), 9u);
    const TRecorded arc = draw(TPoint(0, 0), TPoint(100, -22), TPoint(200, 0));
    EXPECT_GT(arc.Points.size(), 20u);
    for (const TPoint& p : arc.Points)
        EXPECT_NEAR(Distance(p, TPoint(100, 216)), 238.0, 1.5);
    // A radius of 8000 or more is drawn as a parabola however clear the bend.
    EXPECT_EQ(draw(TPoint(0, 0), TPoint(1000, -30), TPoint(2000, 0)).Points.size(), 9u);
    // Collinear points: the parabola runs along their line.
    const TRecorded straight = draw(TPoint(0, 0), TPoint(50, 50), TPoint(100, 100));
    ASSERT_EQ(straight.Points.size(), 9u);
    for (const TPoint& p : straight.Points)
        EXPECT_EQ(p.X, p.Y);
}

TEST(ArcGeometry, ArcsBendingBelowTheChordPassTheirMiddlePoint) {
    const TRecorded path =
        Record([](TCanvas& c) { DrawThreePointArc(c, TPoint(0, 0), TPoint(100, 40), TPoint(200, 0)); });
    ASSERT_GT(path.Points.size(), 20u);
    int deepest = 0;
    for (const TPoint& p : path.Points) {
        EXPECT_GE(p.Y, 0) << p.X;
        deepest = std::max(deepest, p.Y);
        EXPECT_NEAR(Distance(p, TPoint(100, -105)), 145.0, 1.5);
    }
    EXPECT_GE(deepest, 39);
    EXPECT_LE(deepest, 40);
}

TEST(ArcGeometry, ThickArcOutline) {
    const TRecorded path = Record(
        [](TCanvas& c) { AddThreePointArcFigure(c, TPoint(100, 0), TPoint(60, 80), TPoint(0, 100)); }, 10);
    // The three points lie on the circle of radius 100 about the origin; a quarter in 6-degree
    // steps, outer edge at 105, inner edge at 95, closed.
    ASSERT_GT(path.Points.size(), 30u);
    EXPECT_EQ(path.Points.front(), TPoint(95, 0));
    EXPECT_EQ(path.Points[1], TPoint(105, 0));
    EXPECT_EQ(path.Types.back() & PT_CLOSEFIGURE, PT_CLOSEFIGURE);
    EXPECT_NE(std::find(path.Points.begin(), path.Points.end(), TPoint(0, 105)), path.Points.end());
    EXPECT_NE(std::find(path.Points.begin(), path.Points.end(), TPoint(0, 95)), path.Points.end());
    for (const TPoint& p : path.Points) {
        const double d = Distance(p, TPoint(0, 0));
        EXPECT_TRUE(std::fabs(d - 105) < 1.5 || std::fabs(d - 95) < 1.5) << p.X << "," << p.Y;
    }
}

TEST(ArcGeometry, ThickParabolaOutline) {
    const TRecorded path = Record(
        [](TCanvas& c) { AddThreePointArcFigure(c, TPoint(0, 0), TPoint(80, 0), TPoint(160, 0)); }, 10);
    std::vector<TPoint> expected = {{0, 5}, {0, -5}};
    for (int i = 1; i < 8; ++i)
        expected.emplace_back(20 * i, -4);
    expected.emplace_back(160, -5);
    for (int i = 8; i >= 0; --i)
        expected.emplace_back(20 * i, 5);
    EXPECT_EQ(path.Points, expected);
    EXPECT_EQ(path.Types.back(), PT_LINETO | PT_CLOSEFIGURE);
}
