#include "imaging/URectGrad.h"

#include "imaging/UImageUtil.h"
#include "platform/Canvas.h"

#include <gtest/gtest.h>

#include <QImage>

namespace {

TColor TemplatePixel(int x, int y) {
    const uint8_t* p = GradTemplate().ScanLine(y) + x * 3;
    return RGB(p[2], p[1], p[0]);
}

} // namespace

TEST(GradDirTest, DirectionsAndAnglesMapBothWays) {
    EXPECT_EQ(GradKindAngleToDir(rgkSimple, 30), rgdLeftToRight);
    EXPECT_EQ(GradKindAngleToDir(rgkSimple, 45), rgdRightTopToLeftBottom);
    EXPECT_EQ(GradKindAngleToDir(rgkSimple, 180), rgdBottomToTop);
    EXPECT_EQ(GradKindAngleToDir(rgkBoxToRim, 45), rgdCenterToRim);
    EXPECT_EQ(GradKindAngleToDir(rgkBoxToCenter, 0), rgdRimToCenter);
    EXPECT_EQ(GradKindAngleToDir(rgkCircleToRim, 90), rgdLeftToRight);
    EXPECT_EQ(GradDirToAngle(8), 0);
    EXPECT_EQ(GradDirToAngle(rgdLeftToRight), 270);
    EXPECT_EQ(GradDirToAngle(rgdLeftBottomToRightTop), 225);
    EXPECT_EQ(GradDirToAngle(0x85), 45); // the low seven bits
}

TEST(GradFillTest, AnglesAreNormalisedAndColoursGrowTheList) {
    TGradFillAngled fill;
    fill.SetAngle(-90);
    EXPECT_EQ(fill.Angle, 270);
    fill.SetAngle(360);
    EXPECT_EQ(fill.Angle, 360);
    fill.SetAngle(725);
    EXPECT_EQ(fill.Angle, 5);
    fill.SetColor(3, clRed);
    EXPECT_EQ(fill.Count, 4);
    EXPECT_EQ(fill.Colors.size(), 5u);
    EXPECT_EQ(fill.Colors[3], clRed);
    fill.SetColor(300, clBlue); // grows, but only 256 colours are stored
    EXPECT_EQ(fill.Count, 301);
    EXPECT_NE(fill.Colors[300], clBlue);
    fill.SetColorCount(-1);
    EXPECT_EQ(fill.Count, 301);
    TGradFillCone cone;
    cone.SetAngle(90);
    EXPECT_EQ(cone.AngleOffset, 6434); // round(pi / 2 x 4096)
}

TEST(GradFillTest, ColourTableMixesNeighboursAndReverses) {
    TGradFillAngled fill;
    fill.SetColor(0, clBlack);
    fill.SetColor(1, clWhite);
    fill.BuildColorTable();
    EXPECT_EQ(fill.ColorTable[0][0], 0);
    EXPECT_EQ(fill.ColorTable[512][1], 127);  // 255 x 0.5, truncated
    EXPECT_EQ(fill.ColorTable[1023][2], 254); // 255 x 1023 / 1024
    fill.Reversed = true;
    fill.BuildColorTable();
    EXPECT_EQ(fill.ColorTable[0][0], 254);
    EXPECT_EQ(fill.ColorTable[1023][0], 0);
}

TEST(GradFillTest, AngledMapsRunFromEdgeToEdge) {
    TGradFillAngled fill;
    fill.SetAngle(270);
    fill.BuildIndexMap();
    for (int y = 0; y < 128; y += 9) {
        EXPECT_EQ(fill.IndexMap[y][0], 0);
        EXPECT_EQ(fill.IndexMap[y][64], 516); // 64 x trunc(2^26 / 127) / 65536
        EXPECT_EQ(fill.IndexMap[y][127], 1023);
    }
    fill.SetAngle(0);
    fill.BuildIndexMap();
    EXPECT_EQ(fill.IndexMap[0][50], 0);
    EXPECT_EQ(fill.IndexMap[127][50], 1023);
    fill.SetAngle(45);
    fill.BuildIndexMap();
    EXPECT_EQ(fill.IndexMap[0][127], 0);
    EXPECT_EQ(fill.IndexMap[127][0], 1023);
    fill.SetAngle(90);
    fill.BuildIndexMap();
    EXPECT_EQ(fill.IndexMap[60][127], 0);
    EXPECT_EQ(fill.IndexMap[60][0], 1023);
}

TEST(GradFillTest, DiamondMapsPeakOnATurnedSquare) {
    TGradFillDiamond fill;
    fill.SetAngle(0);
    fill.BuildIndexMap();
    for (int i = 0; i < 128; i += 7) {
        EXPECT_EQ(fill.IndexMap[0][i], 1023);
        EXPECT_EQ(fill.IndexMap[127][i], 1023);
        EXPECT_EQ(fill.IndexMap[i][0], 1023);
        EXPECT_EQ(fill.IndexMap[i][127], 1023);
    }
    EXPECT_EQ(fill.IndexMap[63][63], 8);
    EXPECT_EQ(fill.IndexMap[64][64], 8);
    fill.SetAngle(45);
    fill.BuildIndexMap();
    EXPECT_EQ(fill.IndexMap[0][0], 1023);
    EXPECT_EQ(fill.IndexMap[127][127], 1023);
    EXPECT_NEAR(fill.IndexMap[0][64], 512, 12);
    EXPECT_NEAR(fill.IndexMap[64][127], 512, 12);
}

TEST(GradFillTest, CircleAndConeMapsComeFromTheOctants) {
    EXPECT_EQ(GradDistTable().size(), 2080u);
    EXPECT_EQ(GradDistTable()[0], 367831); // hypot(63.5, 63.5) x 4096 = 367831.4
    EXPECT_EQ(GradAngleTable()[0], -9651); // atan2(-63.5, -63.5) x 4096 = -3/4 pi
    TGradFillCircle circle;
    circle.BuildIndexMap();
    EXPECT_EQ(circle.CornerDistance, 367831);
    EXPECT_EQ(circle.IndexMap[0][0], 1023);
    EXPECT_EQ(circle.IndexMap[127][0], 1023);
    EXPECT_EQ(circle.IndexMap[63][64], 8); // 2896 of 367831, times 1024, rounded
    EXPECT_EQ(circle.IndexMap[64][64], 8);
    EXPECT_EQ(circle.IndexMap[0][64], circle.IndexMap[64][0]);
    TGradFillCone cone;
    cone.SetAngle(0);
    cone.BuildIndexMap();
    // The seam lies straight above the centre: angles -12836 and 12836 beside it, 1 and 1023.
    EXPECT_EQ(cone.IndexMap[0][63], 1);
    EXPECT_EQ(cone.IndexMap[0][64], 1023);
    EXPECT_NEAR(cone.IndexMap[127][63], 512, 2);
    cone.SetAngle(180);
    cone.BuildIndexMap();
    EXPECT_NEAR(cone.IndexMap[0][63], 512, 2);
}

TEST(GradFillTest, ACountSetWithoutStorageIsNeverReadPast) {
    TGradFillCone cone;
    cone.Count = 5; // the field set directly, the storage left at one entry
    cone.BuildColorTable();
    EXPECT_EQ(cone.Colors.size(), 6u);
    TGradFillAngled empty;
    empty.BuildColorTable();
    EXPECT_EQ(empty.ColorTable[512][0], 0);
}

TEST(GradFillTest, ConesCloseTheirRingWithTheFirstColour) {
    TGradFillCone cone;
    cone.SetColor(0, clRed);
    cone.SetColor(1, clLime);
    cone.SetColor(2, clBlue);
    cone.BuildColorTable();
    EXPECT_EQ(cone.Count, 3);
    EXPECT_EQ(cone.ColorTable[0][0], 255);
    EXPECT_GE(cone.ColorTable[1023][0], 254); // back to red beside the seam
    EXPECT_LE(cone.ColorTable[1023][2], 1);
}

TEST(DrawGradationTest, ScreenCanvasesStretchTheTemplate) {
    TBitmap target(128, 128, pf24bit);
    const TColor colors[2] = {clRed, clBlue};
    DrawGradation(target.Canvas(), TRect(0, 0, 128, 128), colors, 2, rgkSimple, 270, false);
    EXPECT_EQ(target.GetPixel(0, 40), clRed);
    EXPECT_EQ(target.GetPixel(127, 40), RGB(1, 0, 254)); // 1023 / 1024 of the way
    for (int y = 0; y < 128; y += 13)
        for (int x = 0; x < 128; x += 11)
            ASSERT_EQ(target.GetPixel(x, y), TemplatePixel(x, y));
    // Inverting twice gives the page back.
    TBitmap page(64, 64, pf24bit);
    const TColor before = page.GetPixel(10, 10);
    DrawGradation(page.Canvas(), TRect(0, 0, 64, 64), colors, 2, rgkCircleToRim, 0, true);
    EXPECT_NE(page.GetPixel(10, 10), before);
    DrawGradation(page.Canvas(), TRect(0, 0, 64, 64), colors, 2, rgkCircleToRim, 0, true);
    EXPECT_EQ(page.GetPixel(10, 10), before);
    EXPECT_EQ(page.Canvas().CopyMode(), cmSrcCopy);
}

TEST(DrawGradationTest, ASingleColourFillsAndNoColourPaintsNothing) {
    TBitmap target(30, 20, pf24bit);
    const TColor one[1] = {clOlive};
    DrawGradation(target.Canvas(), TRect(0, 0, 30, 20), one, 1, rgkConeClockwise, 30, false);
    EXPECT_EQ(target.GetPixel(0, 0), clOlive);
    EXPECT_EQ(target.GetPixel(29, 19), clOlive);
    TBitmap blank(30, 20, pf24bit);
    DrawGradation(blank.Canvas(), TRect(0, 0, 30, 20), one, 0, rgkSimple, 0, false);
    EXPECT_EQ(blank.GetPixel(5, 5), clWhite);
}

TEST(DrawGradationTest, PrintersGetTheTemplateResampledInBands) {
    const int width = 300, height = 600; // three bands
    QImage paper(width + 10, height + 10, QImage::Format_RGB32);
    paper.fill(Qt::white);
    TCanvas printer(&paper, TCanvas::dkPrinter);
    const TColor colors[3] = {clRed, clYellow, clTeal};
    DrawGradation(printer, TRect(5, 5, 5 + width, 5 + height), colors, 3, rgkBoxToCenter, 30, false);
    printer.FreeHandle();
    TBitmap expected(width, height, pf24bit);
    ResampleBitmap(&expected, &GradTemplate(), rkLinear);
    for (int y = 0; y < height; y += 7)
        for (int x = 0; x < width; x += 5) {
            const QRgb got = paper.pixel(5 + x, 5 + y);
            ASSERT_EQ(RGB(qRed(got), qGreen(got), qBlue(got)), expected.GetPixel(x, y)) << x << "," << y;
        }
    EXPECT_EQ(paper.pixel(2, 2), qRgb(255, 255, 255));
}
