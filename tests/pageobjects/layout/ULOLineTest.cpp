#include "pageobjects/layout/ULOLine.h"

#include "LayoutTestSupport.h"
#include "imaging/UCanvas.h"

#include <gtest/gtest.h>

namespace {

class LineTest : public ::testing::Test {
protected:
    void SetUp() override { RegisterLayoutTestClasses(); }
};

TLOLine* MakeLine(TLOLine* line, TPoint s, TPoint e, int width, TColor color) {
    line->SetStartPoint(s);
    line->SetEndPoint(e);
    line->SetLineWidth(width);
    line->LineColor()->SetColor(color);
    return line;
}

} // namespace

TEST_F(LineTest, AngleTurnsBothEndsAboutTheMiddle) {
    TLOLine line(nullptr);
    TLOCurve curve(nullptr);
    EXPECT_EQ(line.LineWidth(), 10);
    EXPECT_EQ(curve.Bulge(), 30);
    line.SetEndPoint(TPoint(100, 100));
    EXPECT_EQ(line.Angle(), 45);
    line.SetAngle(90);
    TPoint s, e;
    line.GetStartPoint(s);
    line.GetEndPoint(e);
    EXPECT_EQ(s, TPoint(50, -21));
    EXPECT_EQ(e, TPoint(50, 121));
    EXPECT_EQ(line.Angle(), 90);
}

TEST_F(LineTest, EnclosingSizeMovesTheFarEnd) {
    TLOLine line(nullptr);
    MakeLine(&line, TPoint(10, 10), TPoint(110, 40), 10, clBlack);
    line.SetEnclosingSize(200, 60);
    EXPECT_EQ(line.EndX(), 200);
    EXPECT_EQ(line.EndY(), 60);
    EXPECT_EQ(line.StartX(), 10);

    TLOCurve curve(nullptr);
    curve.SetBulge(0);
    MakeLine(&curve, TPoint(10, 50), TPoint(110, 50), 0, clBlack);
    curve.SetEnclosingSize(50, 40);
    EXPECT_EQ(curve.EndX(), 60);
    // A curve without extent: each span becomes 1 instead of vanishing.
    TLOCurve dot(nullptr);
    dot.SetBulge(0);
    MakeLine(&dot, TPoint(10, 50), TPoint(10, 50), 0, clBlack);
    ASSERT_TRUE(dot.LogRect().IsEmpty());
    dot.SetEnclosingSize(50, 40);
    EXPECT_EQ(dot.StartX(), 11);
    EXPECT_EQ(dot.StartY(), 51);
}

TEST_F(LineTest, LinePaintsItsStrokeAndHitsOnIt) {
    TLOLine line(nullptr);
    MakeLine(&line, TPoint(20, 50), TPoint(180, 50), 10, clRed);
    const TRect extent = line.LogRect();
    EXPECT_EQ(extent, TRect(15, 45, 185, 55));
    const QImage image = RenderObjects({&line}, 200, 100);
    EXPECT_EQ(Pixel(image, 100, 50), clRed);
    EXPECT_EQ(Pixel(image, 100, 46), clRed);
    EXPECT_EQ(Pixel(image, 100, 43), clWhite);
    EXPECT_EQ(Pixel(image, 17, 50), clRed); // round end beyond the start
    EXPECT_TRUE(line.HitTest(TPoint(100, 53)));
    EXPECT_FALSE(line.HitTest(TPoint(100, 60)));
}

TEST_F(LineTest, CurveBowsByItsBulgeAndDrawsSegmentsBelowTheArcLimit) {
    TLOCurve up(nullptr), down(nullptr), flat(nullptr);
    for (TLOCurve* c : {&up, &down, &flat})
        MakeLine(c, TPoint(20, 100), TPoint(180, 100), 4, clBlue);
    up.SetBulge(40);
    down.SetBulge(-40);
    flat.SetBulge(10);
    const QImage a = RenderObjects({&up}, 200, 200);
    const QImage b = RenderObjects({&down}, 200, 200);
    const QImage c = RenderObjects({&flat}, 200, 200);
    // Positive bulges rise above a left-to-right chord, negative ones fall below it.
    EXPECT_EQ(Pixel(a, 100, 60), clBlue);
    EXPECT_EQ(Pixel(a, 100, 140), clWhite);
    EXPECT_EQ(Pixel(b, 100, 140), clBlue);
    // A bulge of 10 is drawn as segments through the bulge point (no arc), still 10 off the chord.
    EXPECT_EQ(Pixel(c, 100, 90), clBlue);
    EXPECT_EQ(Pixel(c, 100, 100), clWhite);
    EXPECT_TRUE(up.HitTest(TPoint(100, 60)));
    EXPECT_FALSE(up.HitTest(TPoint(100, 100)));
    TPoint q;
    up.GetBulgePoint(q);
    EXPECT_EQ(q, TPoint(100, 60));
    up.SetBulgePoint(TPoint(100, 150));
    EXPECT_EQ(up.Bulge(), -50);
}

TEST_F(LineTest, StoredFormRoundTripsWithoutAngle) {
    TLOCurve curve(nullptr);
    MakeLine(&curve, TPoint(-5, 7), TPoint(300, 90), 23, RGB(1, 2, 3));
    curve.SetBulge(-77);
    curve.SetBlendRatio(40);
    const QByteArray bytes = Store(&curve);
    EXPECT_FALSE(bytes.contains("Angle"));
    std::unique_ptr<TComponent> back = Load(bytes);
    auto* loaded = dynamic_cast<TLOCurve*>(back.get());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->StartX(), -5);
    EXPECT_EQ(loaded->EndY(), 90);
    EXPECT_EQ(loaded->Bulge(), -77);
    EXPECT_EQ(loaded->LineColor()->Color(), RGB(1, 2, 3));
    EXPECT_EQ(Store(loaded), bytes);
}
