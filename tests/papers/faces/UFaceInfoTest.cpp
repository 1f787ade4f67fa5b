#include "papers/faces/UFaceInfo.h"

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "tests/pageobjects/engine/EngineTestObjects.h"

#include <gtest/gtest.h>

#include <QImage>
#include <cmath>

namespace {

TFaceInfo MakeFace(TFaceShape shape, const TRect& r, int margin = 0) {
    TFaceInfo face;
    face.FaceShape = shape;
    face.Rect = r;
    face.FaceMargin = margin;
    return face;
}

// Draws the face black on white (shape filled, hole filled white) at one pixel per unit.
QImage DrawFilled(const TFaceInfo& face, int width, int height) {
    TBitmap bitmap(width, height);
    TCanvas& canvas = bitmap.Canvas();
    canvas.Pen().Style = psClear;
    canvas.Brush().Color = clBlack;
    face.DrawFaceShape(canvas, face.GetOuterRect());
    if (face.HasCenterHole()) {
        canvas.Brush().Color = clWhite;
        face.DrawHoleShape(canvas, face.GetPrintHoleRect());
    }
    canvas.FreeHandle();
    return bitmap.Canvas().TargetImage()->copy();
}

// Pixels where the region and the drawing disagree although the drawing agrees with the region
// nowhere in the pixel's 3 x 3 neighbourhood: a disagreement of more than one pixel.
int FarMismatches(const QRegion& region, const QImage& drawn) {
    auto black = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < drawn.width() && y < drawn.height() && qGray(drawn.pixel(x, y)) < 128;
    };
    int far = 0;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x) {
            const bool inside = region.contains(QPoint(x, y));
            if (inside == black(x, y))
                continue;
            bool near = false;
            for (int dy = -1; dy <= 1 && !near; ++dy)
                for (int dx = -1; dx <= 1 && !near; ++dx)
                    near = black(x + dx, y + dy) == inside;
            far += near ? 0 : 1;
        }
    return far;
}

} // namespace

TEST(FaceInfo, DerivedRectsCentreTheHoleAndApplyTheMargin) {
    TFaceInfo face = MakeFace(fsDoughnut, TRect(100, 200, 1271, 1371), 15);
    EXPECT_EQ(face.GetOuterRect(), TRect(85, 185, 1286, 1386));
    // (1171 - 410) div 2 = 380.
    EXPECT_EQ(face.GetHoleRect(), TRect(480, 580, 890, 990));
    EXPECT_EQ(face.GetPrintHoleRect(), TRect(495, 595, 875, 975));
    face.SetOuterRect(TRect(0, 0, 1000, 500));
    EXPECT_EQ(face.Rect, TRect(15, 15, 985, 485));
    face.SetCutCenterSize(220);
    EXPECT_EQ(face.CutCenterWidth, 220);
    EXPECT_EQ(face.CutCenterHeight, 220);
    // A hole wider than an odd face truncates toward zero: (-1 - 4) / 2 = -2.
    TFaceInfo narrow = MakeFace(fsRectCD, TRect(0, 0, -1, 10));
    narrow.CutCenterWidth = 4;
    EXPECT_EQ(narrow.GetHoleRect().Left, -2);

    EXPECT_TRUE(MakeFace(fsRectCD, {}).HasCenterHole());
    EXPECT_TRUE(MakeFace(fsBarrelCD, {}).HasCenterHole());
    EXPECT_FALSE(MakeFace(fsEllipse, {}).HasCenterHole());
    EXPECT_TRUE(MakeFace(fsRectCD, {}).HasRoundCorner());
    EXPECT_FALSE(MakeFace(fsDoughnut, {}).HasRoundCorner());

    TFaceInfo copy;
    face.CenterShape = csBarrel;
    face.FacePurpose = QStringLiteral("CD");
    copy.Assign(&face);
    EXPECT_EQ(copy.Rect, face.Rect);
    EXPECT_EQ(copy.CenterShape, csBarrel);
    EXPECT_EQ(copy.FacePurpose, QStringLiteral("CD"));
    EXPECT_EQ(copy.FaceMargin, 15);
}

TEST(FaceInfo, SquareBarrelIsACircleAndTallBarrelsKeepStraightSides) {
    const std::vector<TPoint> circle = GetBarrelPoints(TRect(0, 0, 1000, 1000));
    ASSERT_GT(circle.size(), 100u);
    EXPECT_EQ(circle.front(), TPoint(0, 500)) << "d = 0: both arcs start on the middle line";
    for (const TPoint& p : circle)
        EXPECT_NEAR(std::hypot(p.X - 500.0, p.Y - 500.0), 500.0, 1.5) << p.X << "," << p.Y;

    // w 600, h 1000: d = sqrt(500^2 - 300^2) = 400, arcs end at y 100 and 900.
    const std::vector<TPoint> tall = GetBarrelPoints(TRect(0, 0, 600, 1000));
    EXPECT_EQ(tall.front(), TPoint(0, 100));
    EXPECT_EQ(tall.back(), TPoint(0, 900));
    const auto right = std::find(tall.begin(), tall.end(), TPoint(600, 100));
    ASSERT_NE(right, tall.end());
    EXPECT_EQ(*(right + 1), TPoint(600, 900)) << "the right side is one straight line";
    for (const TPoint& p : tall) {
        EXPECT_GE(p.Y, 0);
        EXPECT_LE(p.Y, 1000);
        EXPECT_NEAR(std::hypot(p.X - 300.0, p.Y - 500.0), p.X == 0 || p.X == 600 ? 583.1 : 500.0,
                    583.1 - 500.0);
    }
    // Square barrels of odd side: cy = 50.5 rounds down to 50, cy = 51.5 up to 52.
    EXPECT_EQ(GetBarrelPoints(TRect(0, 0, 101, 101)).front(), TPoint(0, 50));
    EXPECT_EQ(GetBarrelPoints(TRect(0, 0, 103, 103)).front(), TPoint(0, 52));
    // Wide: the straight sides are top and bottom; d = sqrt(400^2 - 100^2) = 387.3.
    const std::vector<TPoint> wide = GetBarrelPoints(TRect(0, 0, 800, 200));
    EXPECT_EQ(wide.front(), TPoint(13, 200));
    EXPECT_EQ(wide.back(), TPoint(787, 200));
    EXPECT_TRUE(GetBarrelPoints(TRect(5, 5, 5, 50)).empty());
}

TEST(FaceInfo, RegionsMatchTheDrawnShapesWithinAPixel) {
    struct Case {
        TFaceShape shape;
        TCenterShape hole;
    };
    const Case cases[] = {{fsRect, csEllipse},      {fsDoughnut, csEllipse}, {fsEllipse, csEllipse},
                          {fsRoundRect, csEllipse}, {fsRectCD, csEllipse},   {fsRectCD, csBarrel},
                          {fsBarrelCD, csEllipse},  {fsBarrelCD, csBarrel}};
    for (const Case& c : cases) {
        TFaceInfo face = MakeFace(c.shape, TRect(12, 9, 172, 129), 6);
        face.CenterShape = c.hole;
        face.RoundSize = 40;
        face.SetCutCenterSize(60);
        const QImage drawn = DrawFilled(face, 190, 150);
        TBitmap bitmap(1, 1);
        const QRegion region = face.CreateRegion(&bitmap.Canvas(), true);
        EXPECT_EQ(FarMismatches(region, drawn), 0) << "shape " << int(c.shape) << " hole " << int(c.hole);
        // Inside and outside points that any shape of the table must give.
        EXPECT_TRUE(region.contains(QPoint(92, 30)));
        EXPECT_FALSE(region.contains(QPoint(5, 5)));
        EXPECT_EQ(region.contains(QPoint(92, 69)), !face.HasCenterHole()) << int(c.shape);
        EXPECT_TRUE(face.CreateRegion(&bitmap.Canvas(), false).contains(QPoint(92, 69)));
        // The region stays in the outer rect, right and bottom edges excluded.
        EXPECT_TRUE(QRect(6, 3, 172, 132).contains(region.boundingRect())) << int(c.shape);
    }
}

TEST(FaceInfo, FacesThatTouchDoNotOverlap) {
    for (TFaceShape shape : {fsRect, fsEllipse, fsRoundRect, fsBarrelCD}) {
        const QRegion a = MakeFace(shape, TRect(0, 0, 100, 100)).CreateRegion(nullptr, false);
        const QRegion b = MakeFace(shape, TRect(100, 0, 200, 100)).CreateRegion(nullptr, false);
        const QRegion c = MakeFace(shape, TRect(0, 100, 100, 200)).CreateRegion(nullptr, false);
        EXPECT_TRUE((a & b).isEmpty()) << int(shape);
        EXPECT_TRUE((a & c).isEmpty()) << int(shape);
    }
    EXPECT_EQ(MakeFace(fsRect, TRect(0, 0, 100, 50)).CreateRegion(nullptr, false), QRegion(0, 0, 100, 50));
}

TEST(FaceInfo, RegionsFollowTheCanvasMappingAndTheOffset) {
    // 254 units per inch on a 96 dpi canvas: 100 units are 37.8 pixels.
    TBitmap bitmap(1, 1);
    TCanvas& canvas = bitmap.Canvas();
    canvas.SetMapMode(MM_ANISOTROPIC);
    canvas.SetWindowExt(254, 254);
    canvas.SetViewportExt(96, 96);
    const TFaceInfo face = MakeFace(fsRect, TRect(100, 100, 354, 354), 0);
    const TFaceGeometry& geometry = face;
    EXPECT_EQ(geometry.CreateRegion(canvas, true, TPoint(-100, -100)), QRegion(0, 0, 96, 96));
    EXPECT_EQ(face.CreateRegion(&canvas, true).boundingRect(), QRect(38, 38, 96, 96));
}

TEST(FaceInfo, DrawingRespectsMarginsHolesAndTheCross) {
    TFaceInfo face = MakeFace(fsDoughnut, TRect(20, 20, 120, 120), 10);
    face.SetCutCenterSize(40);
    TBitmap bitmap(140, 140);
    TCanvas& canvas = bitmap.Canvas();
    canvas.Brush().Style = bsClear;
    face.DrawOutline(canvas, false, true);
    face.DrawInnerOutline(canvas, false);
    canvas.FreeHandle();
    EXPECT_EQ(bitmap.GetPixel(10, 70), clBlack) << "outer ellipse at the bleed";
    EXPECT_EQ(bitmap.GetPixel(20, 70), clBlack) << "inner outline at the cut line";
    EXPECT_EQ(bitmap.GetPixel(60, 70), clBlack) << "printed hole: 40 less twice the margin";
    EXPECT_EQ(bitmap.GetPixel(50, 70), clBlack) << "unshrunk hole of the inner outline";
    EXPECT_EQ(bitmap.GetPixel(70, 30), clBlack) << "cross arm at 70, 20..120";
    EXPECT_EQ(bitmap.GetPixel(15, 70), clWhite);

    TBitmap relative(140, 140);
    relative.Canvas().Brush().Style = bsClear;
    face.DrawOutline(relative.Canvas(), true, false);
    face.DrawCenterHole(relative.Canvas(), true);
    relative.Canvas().FreeHandle();
    EXPECT_EQ(relative.GetPixel(0, 60), clBlack) << "moved by the outer rect's corner";
    EXPECT_EQ(relative.GetPixel(0, 10), clBlack) << "hole with its own corner at 0, 0";

    // Without a margin the inner outline draws nothing.
    TBitmap none(140, 140);
    MakeFace(fsRect, TRect(20, 20, 120, 120)).DrawInnerOutline(none.Canvas(), false);
    none.Canvas().FreeHandle();
    EXPECT_EQ(none.GetPixel(20, 70), clWhite);
}

TEST(FaceInfo, LegacyFaceTypesMapToShapeAndPurpose) {
    const struct {
        int type;
        TFaceShape shape;
        const char* purpose;
    } table[] = {{0, fsRect, ""},           {1, fsDoughnut, "CD"},   {2, fsRect, "CDCover"},
                 {3, fsRect, "CDCaseTray"}, {4, fsRect, "MOSquare"}, {5, fsRect, "MOSquare"},
                 {6, fsEllipse, ""},        {7, fsRoundRect, ""},    {8, fsBarrelCD, "kept"},
                 {-1, fsBarrelCD, "kept"}};
    for (const auto& row : table) {
        TFaceInfo face = MakeFace(fsBarrelCD, {});
        face.FacePurpose = QStringLiteral("kept");
        face.SetLegacyFaceType(row.type);
        EXPECT_EQ(face.FaceShape, row.shape) << row.type;
        EXPECT_EQ(face.FacePurpose, QString::fromLatin1(row.purpose)) << row.type;
    }
    EXPECT_EQ(TFaceInfo::GetShapeNames().split(',').size(), kFaceShapeCount);
}

TEST(FaceInfo, ObjectsDrawnOverADoughnutLeaveItsHoleAndOutsideInTheBrush) {
    RegisterTestClasses();
    // 254 units square at 96 dpi: 96 pixels; the hole 100 units (37.8 px) wide.
    TFaceInfo face = MakeFace(fsDoughnut, TRect(500, 500, 754, 754));
    face.SetCutCenterSize(100);
    TOwnedDOList objects;
    auto fill = std::make_unique<TTestRect>(nullptr);
    fill->SetLogRect(TRect(0, 0, 254, 254));
    fill->SetFillColor(clBlue);
    objects.Add(std::move(fill));
    TBitmap bitmap;
    bitmap.Canvas().Brush().Color = clYellow;
    DrawObjectsToBitmap(face, std::move(objects), bitmap, 100);
    ASSERT_EQ(bitmap.Width(), 96);
    EXPECT_EQ(bitmap.GetPixel(48, 48), clYellow) << "the hole";
    EXPECT_EQ(bitmap.GetPixel(2, 2), clYellow) << "outside the disc";
    EXPECT_EQ(bitmap.GetPixel(10, 48), clBlue) << "the ring";
    EXPECT_EQ(bitmap.GetPixel(48, 85), clBlue);
    TBitmap probe(1, 1);
    probe.Canvas().SetMapMode(MM_ANISOTROPIC);
    probe.Canvas().SetWindowExt(254, 254);
    probe.Canvas().SetViewportExt(96, 96);
    const QRegion region = face.CreateRegion(probe.Canvas(), true, TPoint(-500, -500));
    int mismatches = 0;
    for (int y = 0; y < 96; ++y)
        for (int x = 0; x < 96; ++x)
            mismatches += region.contains(QPoint(x, y)) != (bitmap.GetPixel(x, y) == clBlue);
    EXPECT_EQ(mismatches, 0) << "the fill follows the face's region exactly";
}
