// Pixel tests of the canvas layer: each case draws into a small image and compares the pixels
// with a pattern worked out by hand ('#' = the drawn colour, '.' = the background).

#include "platform/Canvas.h"
#include "platform/Bitmap.h"
#include "platform/PixelBuffer.h"

#include "tests/TestSupport.h"

#include <QPainter>
#include <QPicture>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <climits>
#include <cmath>
#include <gtest/gtest.h>

namespace {

QImage WhiteImage(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// Rows of '#' (black) and '.' (white); any other colour shows as '?'.
QString Pattern(const QImage& image, const QRect& area = QRect()) {
    const QRect r = area.isNull() ? image.rect() : area;
    QString out;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb c = image.pixel(x, y) & 0xFFFFFF;
            out += c == 0 ? QLatin1Char('#') : c == 0xFFFFFF ? QLatin1Char('.') : QLatin1Char('?');
        }
        out += QLatin1Char('\n');
    }
    return out;
}

QString Rows(std::initializer_list<const char*> rows) {
    QString out;
    for (const char* row : rows)
        out += QLatin1String(row) + QLatin1Char('\n');
    return out;
}

QRgb Pixel(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xFFFFFF;
}

void BlackPen(TCanvas& canvas) {
    canvas.Pen().Color = clBlack;
    canvas.Pen().Width = 1;
}

void BlackBrush(TCanvas& canvas) {
    canvas.Brush().Color = clBlack;
    canvas.Brush().Style = bsSolid;
}

} // namespace

TEST(CanvasShapes, FillRectCoversLeftTopButNotRightBottom) {
    QImage image = WhiteImage(6, 5);
    {
        TCanvas canvas(&image);
        BlackBrush(canvas);
        canvas.FillRect(Rect(1, 1, 4, 3));
    }
    EXPECT_EQ(Pattern(image), Rows({"......", ".###..", ".###..", "......", "......"}));
}

TEST(CanvasShapes, RectangleDrawsOutlineOnItsOwnEdgesAndFillsInside) {
    QImage image = WhiteImage(7, 6);
    {
        TCanvas canvas(&image);
        BlackPen(canvas);
        canvas.Brush().Color = clRed;
        canvas.Rectangle(1, 1, 6, 5);
    }
    EXPECT_EQ(Pattern(image), Rows({".......", ".#####.", ".#???#.", ".#???#.", ".#####.", "......."}));
    EXPECT_EQ(Pixel(image, 2, 2), 0xFF0000u);
}

TEST(CanvasShapes, RectangleWithoutPenEndsOnePixelShort) {
    QImage image = WhiteImage(6, 5);
    {
        TCanvas canvas(&image);
        canvas.Pen().Style = psClear;
        BlackBrush(canvas);
        canvas.Rectangle(1, 1, 5, 4);
    }
    EXPECT_EQ(Pattern(image), Rows({"......", ".###..", ".###..", "......", "......"}));
}

TEST(CanvasShapes, LineToLeavesOutItsLastPointAndMovesThePen) {
    QImage image = WhiteImage(6, 3);
    {
        TCanvas canvas(&image);
        BlackPen(canvas);
        canvas.MoveTo(0, 1);
        canvas.LineTo(4, 1);
        EXPECT_EQ(canvas.PenPos(), Point(4, 1));
    }
    EXPECT_EQ(Pattern(image), Rows({"......", "####..", "......"}));
}

TEST(CanvasShapes, XorOutlineDrawnTwiceLeavesNoTrace) {
    QImage image = WhiteImage(8, 8);
    image.setPixel(3, 3, qRgb(0x12, 0x34, 0x56));
    const QImage before = image.copy();
    {
        TCanvas canvas(&image);
        canvas.Pen().Mode = pmXor;
        canvas.Pen().Color = clWhite;
        canvas.Brush().Style = bsClear;
        canvas.Rectangle(1, 1, 7, 7);
        EXPECT_EQ(canvas.Painter()->device(), &image);
        EXPECT_EQ(Pixel(image, 1, 1), 0u);
        canvas.Rectangle(1, 1, 7, 7);
        canvas.MoveTo(0, 3);
        canvas.LineTo(7, 3);
        canvas.MoveTo(0, 3);
        canvas.LineTo(7, 3);
    }
    EXPECT_EQ(image, before);
}

TEST(CanvasShapes, PenModesCombineWithTheDestination) {
    // Pen bits 0xCC against destination bits 0xAA in every channel.
    struct Case {
        TPenMode mode;
        uint8_t expected;
    };
    const Case cases[] = {{pmCopy, 0xCC},  {pmXor, 0x66},    {pmNot, 0x55},     {pmMerge, 0xEE},
                          {pmMask, 0x88},  {pmNotXor, 0x99}, {pmNotCopy, 0x33}, {pmBlack, 0x00},
                          {pmWhite, 0xFF}, {pmNop, 0xAA}};
    for (const Case& c : cases) {
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(qRgb(0xAA, 0xAA, 0xAA));
        {
            TCanvas canvas(&image);
            canvas.Pen().Mode = c.mode;
            canvas.Pen().Style = psClear;
            canvas.Brush().Color = RGB(0xCC, 0xCC, 0xCC);
            canvas.Rectangle(0, 0, 4, 4);
        }
        EXPECT_EQ(Pixel(image, 1, 1), 0x010101u * c.expected) << "pen mode " << c.mode;
    }
}

TEST(CanvasShapes, PolygonFillsInsideWithTheFillMode) {
    // A five-pointed star drawn as one polygon: the centre is inside with WINDING only.
    const TPoint star[] = {Point(10, 0), Point(16, 19), Point(0, 7), Point(20, 7), Point(4, 19)};
    for (int mode : {ALTERNATE, WINDING}) {
        QImage image = WhiteImage(21, 21);
        {
            TCanvas canvas(&image);
            canvas.Pen().Style = psClear;
            BlackBrush(canvas);
            canvas.SetPolyFillMode(mode);
            canvas.Polygon(star, 5);
        }
        EXPECT_EQ(Pixel(image, 10, 10), mode == WINDING ? 0u : 0xFFFFFFu);
        EXPECT_EQ(Pixel(image, 10, 3), 0u);
        EXPECT_EQ(Pixel(image, 0, 20), 0xFFFFFFu);
    }
}

TEST(CanvasShapes, EllipseAndPieStayInsideTheirBox) {
    QImage image = WhiteImage(20, 20);
    {
        TCanvas canvas(&image);
        BlackPen(canvas);
        BlackBrush(canvas);
        canvas.Ellipse(2, 2, 18, 18);
    }
    EXPECT_EQ(Pixel(image, 10, 10), 0u);
    EXPECT_EQ(Pixel(image, 2, 2), 0xFFFFFFu);
    EXPECT_EQ(Pixel(image, 18, 10), 0xFFFFFFu);
    EXPECT_EQ(Pixel(image, 2, 10), 0u);

    // A quarter pie from the right (3 o'clock) counter-clockwise to the top.
    QImage pie = WhiteImage(20, 20);
    {
        TCanvas canvas(&pie);
        canvas.Pen().Style = psClear;
        BlackBrush(canvas);
        canvas.Pie(0, 0, 20, 20, 20, 10, 10, 0);
    }
    EXPECT_EQ(Pixel(pie, 14, 5), 0u);
    EXPECT_EQ(Pixel(pie, 5, 5), 0xFFFFFFu);
    EXPECT_EQ(Pixel(pie, 14, 14), 0xFFFFFFu);
}

TEST(CanvasMapping, WindowOriginShiftsDrawing) {
    QImage image = WhiteImage(6, 4);
    {
        TCanvas canvas(&image);
        BlackBrush(canvas);
        EXPECT_EQ(canvas.SetWindowOrg(100, 50), Point(0, 0));
        canvas.FillRect(Rect(101, 51, 103, 52));
        EXPECT_EQ(canvas.LPtoDP(Point(100, 50)), Point(0, 0));
        EXPECT_EQ(canvas.DPtoLP(Point(2, 3)), Point(102, 53));
    }
    EXPECT_EQ(Pattern(image), Rows({"......", ".##...", "......", "......"}));
}

TEST(CanvasMapping, AnisotropicExtentsScaleAndRound) {
    QImage image = WhiteImage(12, 12);
    TCanvas canvas(&image);
    EXPECT_FALSE(canvas.SetWindowExt(10, 10)); // MM_TEXT has fixed extents
    EXPECT_EQ(canvas.SetMapMode(MM_ANISOTROPIC), MM_TEXT);
    ASSERT_TRUE(canvas.SetWindowExt(254, 254));
    ASSERT_TRUE(canvas.SetViewportExt(96, 48));
    canvas.SetViewportOrg(2, 1);
    // 10 units (1 mm) are 3.78 pixels across, 1.89 down.
    EXPECT_EQ(canvas.LPtoDP(Point(10, 10)), Point(2 + 4, 1 + 2));
    EXPECT_EQ(canvas.LPtoDP(Point(-10, -10)), Point(2 - 4, 1 - 2));
    EXPECT_EQ(canvas.DPtoLP(Point(6, 3)), Point(11, 11));
    BlackBrush(canvas);
    canvas.FillRect(Rect(0, 0, 20, 20));
    canvas.FreeHandle();
    EXPECT_EQ(Pattern(image, QRect(0, 0, 12, 6)), Rows({"............", "..########..", "..########..",
                                                        "..########..", "..########..", "............"}));
}

TEST(CanvasMapping, IsotropicKeepsTheSmallerScale) {
    QImage image = WhiteImage(4, 4);
    TCanvas canvas(&image);
    canvas.SetMapMode(MM_ISOTROPIC);
    canvas.SetWindowExt(100, 100);
    canvas.SetViewportExt(200, -50);
    EXPECT_EQ(canvas.ViewportExt(), TSize(50, -50));
    EXPECT_EQ(canvas.LPtoDP(Point(10, 10)), Point(5, -5));
}

TEST(CanvasMapping, MetricModeTurnsTheYAxisUp) {
    QImage image = WhiteImage(4, 4);
    TCanvas canvas(&image);
    canvas.SetPixelsPerInch(254);
    canvas.SetMapMode(MM_LOMETRIC);
    EXPECT_EQ(canvas.LPtoDP(Point(100, 100)), Point(100, -100));
    canvas.SetMapMode(MM_TEXT);
    EXPECT_EQ(canvas.LPtoDP(Point(100, 100)), Point(100, 100));
}

TEST(CanvasMapping, PenWidthFollowsTheMappingAndZeroIsOnePixel) {
    // A 600-dpi page mapped in tenths of a millimetre: a 1 mm pen is 24 pixels wide.
    QImage image = WhiteImage(100, 60);
    image.setDotsPerMeterX(23622);
    image.setDotsPerMeterY(23622);
    {
        TCanvas canvas(&image);
        EXPECT_EQ(canvas.PixelsPerInch(), 600);
        canvas.SetMapMode(MM_ANISOTROPIC);
        canvas.SetWindowExt(254, 254);
        canvas.SetViewportExt(canvas.PixelsPerInch(), canvas.PixelsPerInch());
        canvas.Pen().Width = 10;
        canvas.Pen().Cap = Qt::FlatCap;
        canvas.MoveTo(0, 10);
        canvas.LineTo(30, 10);
        canvas.Pen().Width = 0;
        canvas.MoveTo(0, 20);
        canvas.LineTo(30, 20);
    }
    int thick = 0;
    for (int y = 0; y < 40; ++y)
        thick += Pixel(image, 30, y) == 0 ? 1 : 0;
    EXPECT_EQ(thick, 24);
    int thin = 0;
    for (int y = 40; y < 60; ++y)
        thin += Pixel(image, 30, y) == 0 ? 1 : 0;
    EXPECT_EQ(thin, 1);
}

TEST(CanvasWorld, WorldTransformComesBeforeTheMappingAndScalesPens) {
    QImage image = WhiteImage(12, 12);
    TCanvas canvas(&image);
    canvas.SetWindowOrg(-1, -1);
    // Twice the size, then moved by (2, 0): logical (0, 0) lands on device (3, 1).
    ASSERT_TRUE(canvas.SetWorldTransform(QTransform(2, 0, 0, 2, 2, 0)));
    EXPECT_EQ(canvas.LPtoDP(Point(0, 0)), Point(3, 1));
    EXPECT_EQ(canvas.DPtoLP(Point(7, 5)), Point(2, 2));
    BlackBrush(canvas);
    canvas.FillRect(Rect(0, 0, 2, 1));
    // Singular and non-finite transforms are refused and change nothing.
    EXPECT_FALSE(canvas.SetWorldTransform(QTransform(1, 2, 2, 4, 0, 0)));
    EXPECT_FALSE(canvas.ModifyWorldTransform(QTransform(std::nan(""), 0, 0, 1, 0, 0), MWT_LEFTMULTIPLY));
    EXPECT_EQ(canvas.WorldTransform(), QTransform(2, 0, 0, 2, 2, 0));
    // Saved with the state; a one-unit pen is two pixels wide under it (wide pens sit half a pixel on).
    canvas.SaveDC();
    ASSERT_TRUE(canvas.ModifyWorldTransform(QTransform(), MWT_IDENTITY));
    EXPECT_EQ(canvas.LPtoDP(Point(0, 0)), Point(1, 1));
    canvas.RestoreDC(-1);
    canvas.Pen().Cap = Qt::FlatCap;
    canvas.MoveTo(0, 4);
    canvas.LineTo(4, 4);
    canvas.FreeHandle();
    EXPECT_EQ(Pattern(image, QRect(0, 0, 12, 12)),
              Rows({"............", "...####.....", "...####.....", "............", "............",
                    "............", "............", "............", "............", "....########",
                    "....########", "............"}));
}

TEST(CanvasWorld, QuarterTurnTurnsRectanglesAndText) {
    QImage image = WhiteImage(20, 20);
    TCanvas canvas(&image);
    BlackBrush(canvas);
    canvas.Pen().Style = psClear;
    // A quarter turn clockwise about (10, 10): a wide bar becomes a tall one.
    QTransform turn;
    turn.translate(10, 10);
    turn.rotate(90);
    ASSERT_TRUE(canvas.SetWorldTransform(turn));
    canvas.FillRect(Rect(0, -1, 8, 1));
    canvas.FreeHandle();
    int inColumn = 0, outside = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const bool black = Pixel(image, x, y) == 0;
            if (x >= 9 && x <= 10 && y >= 10 && y < 18)
                inColumn += black ? 1 : 0;
            else
                outside += black ? 1 : 0;
        }
    EXPECT_EQ(inColumn, 16);
    EXPECT_EQ(outside, 0);
    EXPECT_NEAR(canvas.DeviceFont().pixelSize(), 12, 0);
    canvas.SetWorldTransform(QTransform::fromScale(2, 2));
    EXPECT_EQ(canvas.DeviceFont().pixelSize(), 24);
}

TEST(CanvasClipping, IntersectAndExcludeLimitDrawing) {
    QImage image = WhiteImage(8, 4);
    {
        TCanvas canvas(&image);
        EXPECT_EQ(canvas.IntersectClipRect(Rect(1, 0, 7, 3)), SIMPLEREGION);
        EXPECT_EQ(canvas.ExcludeClipRect(Rect(3, 1, 5, 2)), COMPLEXREGION);
        BlackBrush(canvas);
        canvas.FillRect(Rect(0, 0, 8, 4));
        EXPECT_FALSE(canvas.RectVisible(Rect(3, 1, 5, 2)));
        EXPECT_TRUE(canvas.RectVisible(Rect(0, 0, 2, 2)));
        EXPECT_FALSE(canvas.PtVisible(7, 0));
        TRect box;
        canvas.GetClipBox(box);
        EXPECT_EQ(box, Rect(1, 0, 7, 3));
    }
    EXPECT_EQ(Pattern(image), Rows({".######.", ".##..##.", ".######.", "........"}));
}

TEST(CanvasClipping, ClipRegionIsInDevicePixelsAndNoneMeansUnclipped) {
    QImage image = WhiteImage(6, 3);
    TCanvas canvas(&image);
    QRegion region;
    EXPECT_EQ(canvas.GetClipRgn(region), 0);
    canvas.SetWindowOrg(10, 0);
    canvas.IntersectClipRect(Rect(11, 0, 13, 3));
    ASSERT_EQ(canvas.GetClipRgn(region), 1);
    EXPECT_EQ(region, QRegion(1, 0, 2, 3));
    // Changing the mapping later does not move the clip.
    canvas.SetWindowOrg(0, 0);
    BlackBrush(canvas);
    canvas.FillRect(Rect(0, 0, 6, 1));
    // An empty region clips everything; no region clips nothing.
    const QRegion empty;
    canvas.SelectClipRgn(&empty);
    canvas.FillRect(Rect(0, 1, 6, 2));
    canvas.SelectClipRgn(nullptr);
    EXPECT_FALSE(canvas.HasClipRegion());
    canvas.FillRect(Rect(0, 2, 6, 3));
    canvas.FreeHandle();
    EXPECT_EQ(Pattern(image), Rows({".##...", "......", "######"}));
}

TEST(CanvasClipping, ClipPathClipsToTheFigure) {
    QImage image = WhiteImage(10, 10);
    {
        TCanvas canvas(&image);
        canvas.BeginPath();
        const TPoint triangle[] = {Point(0, 0), Point(10, 0), Point(0, 10)};
        canvas.Polygon(triangle, 3);
        canvas.EndPath();
        ASSERT_TRUE(canvas.SelectClipPath(RGN_COPY));
        BlackBrush(canvas);
        canvas.FillRect(Rect(0, 0, 10, 10));
    }
    EXPECT_EQ(Pixel(image, 1, 1), 0u);
    EXPECT_EQ(Pixel(image, 8, 8), 0xFFFFFFu);
    EXPECT_EQ(Pixel(image, 8, 0), 0u);
    EXPECT_EQ(Pixel(image, 9, 1), 0xFFFFFFu);
}

TEST(CanvasState, SaveAndRestoreBringBackMappingClipAndAttributes) {
    QImage image = WhiteImage(6, 2);
    TCanvas canvas(&image);
    canvas.SetTextColor(clRed);
    const int level = canvas.SaveDC();
    EXPECT_EQ(level, 1);
    canvas.SetWindowOrg(-2, 0);
    canvas.IntersectClipRect(Rect(-2, 0, -1, 2));
    canvas.SetTextColor(clBlue);
    EXPECT_EQ(canvas.SaveDC(), 2);
    canvas.SetWindowOrg(50, 50);
    EXPECT_TRUE(canvas.RestoreDC(-1));
    EXPECT_EQ(canvas.WindowOrg(), Point(-2, 0));
    EXPECT_TRUE(canvas.RestoreDC(level));
    EXPECT_EQ(canvas.SavedLevel(), 0);
    EXPECT_FALSE(canvas.RestoreDC(1));
    EXPECT_EQ(canvas.WindowOrg(), Point(0, 0));
    EXPECT_FALSE(canvas.HasClipRegion());
    EXPECT_EQ(canvas.TextColor(), clRed);
    BlackBrush(canvas);
    canvas.FillRect(Rect(0, 0, 6, 2));
    canvas.FreeHandle();
    EXPECT_EQ(Pattern(image), Rows({"######", "######"}));
}

TEST(CanvasState, StateSurvivesTheHandleBeingFreed) {
    QImage image = WhiteImage(4, 1);
    TCanvas canvas(&image);
    canvas.IntersectClipRect(Rect(1, 0, 3, 1));
    BlackBrush(canvas);
    canvas.FillRect(Rect(0, 0, 1, 1));
    canvas.FreeHandle();
    EXPECT_FALSE(canvas.HandleAllocated());
    canvas.FillRect(Rect(0, 0, 4, 1));
    canvas.FreeHandle();
    EXPECT_EQ(Pattern(image), Rows({".##."}));
}

TEST(CanvasPaths, RectanglePathReadsBackAsOneClosedFigure) {
    QImage image = WhiteImage(4, 4);
    TCanvas canvas(&image);
    canvas.SetWindowOrg(10, 10);
    canvas.BeginPath();
    canvas.Rectangle(10, 10, 13, 14);
    canvas.MoveTo(10, 10);
    canvas.LineTo(12, 12);
    canvas.EndPath();
    std::vector<TPoint> points;
    std::vector<uint8_t> types;
    ASSERT_EQ(canvas.GetPath(points, types), 6);
    EXPECT_EQ(points, (std::vector<TPoint>{Point(10, 10), Point(12, 10), Point(12, 13), Point(10, 13),
                                           Point(10, 10), Point(12, 12)}));
    EXPECT_EQ(types, (std::vector<uint8_t>{PT_MOVETO, PT_LINETO, PT_LINETO, PT_LINETO | PT_CLOSEFIGURE,
                                           PT_MOVETO, PT_LINETO}));
    // Nothing was drawn while the bracket was open.
    EXPECT_EQ(Pattern(image), Rows({"....", "....", "....", "...."}));
}

TEST(CanvasPaths, FillPathAndPathToRegionCoverTheSamePixels) {
    const TPoint figure[] = {Point(1, 1), Point(9, 2), Point(5, 9)};
    QImage filled = WhiteImage(10, 10);
    QRegion region;
    {
        TCanvas canvas(&filled);
        BlackBrush(canvas);
        canvas.BeginPath();
        canvas.Polygon(figure, 3);
        canvas.EndPath();
        canvas.FillPath();
        EXPECT_FALSE(canvas.HasPath());
        canvas.BeginPath();
        canvas.Polygon(figure, 3);
        canvas.EndPath();
        region = canvas.PathToRegion();
    }
    QImage fromRegion = WhiteImage(10, 10);
    {
        TCanvas canvas(&fromRegion);
        BlackBrush(canvas);
        canvas.FillRegion(region);
    }
    EXPECT_FALSE(region.isEmpty());
    EXPECT_EQ(filled, fromRegion);
}

TEST(CanvasPaths, ClipPathRegionsKeepTheFillsPixelsInBandsOfRepeatedRows) {
    // A U: rows of two runs, then rows of one; twice the same rows after a gap.
    const TPoint u[] = {Point(1, 1), Point(4, 1),  Point(4, 5),  Point(7, 5),
                        Point(7, 1), Point(10, 1), Point(10, 8), Point(1, 8)};
    const TPoint bar[] = {Point(2, 10), Point(9, 10), Point(9, 13), Point(2, 13)};
    QImage filled = WhiteImage(12, 14), fromRegion = WhiteImage(12, 14);
    QRegion region;
    {
        TCanvas canvas(&filled);
        BlackBrush(canvas);
        for (int pass = 0; pass < 2; ++pass) {
            canvas.BeginPath();
            canvas.Polygon(u, 8);
            canvas.Polygon(bar, 4);
            canvas.EndPath();
            if (pass == 0)
                canvas.FillPath();
            else
                region = canvas.PathToRegion();
        }
    }
    {
        TCanvas canvas(&fromRegion);
        BlackBrush(canvas);
        canvas.FillRegion(region);
    }
    EXPECT_EQ(Pattern(filled), Pattern(fromRegion));
    // Each run of like rows is one band: two rects above the U's floor, one for it, one for the bar.
    EXPECT_EQ(region.rectCount(), 4);
}

TEST(CanvasPaths, RectangleClipInsideOrAcrossTheClipCoversWhatItsFillCovers) {
    // Corners off the pixel grid (0.378 pixels a unit), clips wholly inside the rectangle and
    // across its edges: clipping by the rectangle and filling it give the same pixels.
    for (int left : {20, 23, 27})
        for (const QRect clip : {QRect(10, 10, 20, 20), QRect(2, 3, 40, 12), QRect(0, 0, 48, 48)}) {
            QImage clipped = WhiteImage(48, 48), filled = WhiteImage(48, 48);
            for (QImage* image : {&clipped, &filled}) {
                TCanvas canvas(image);
                canvas.SetMapMode(MM_ANISOTROPIC);
                canvas.SetWindowExt(254, 254);
                canvas.SetViewportExt(96, 96);
                const QRegion deviceClip(clip);
                canvas.SelectClipRgn(&deviceClip);
                BlackBrush(canvas);
                const TPoint corners[] = {Point(left, 17), Point(left + 83, 17), Point(left + 83, 101),
                                          Point(left, 101)};
                canvas.BeginPath();
                canvas.Polygon(corners, 4);
                canvas.EndPath();
                if (image == &filled) {
                    canvas.FillPath();
                } else {
                    ASSERT_TRUE(canvas.SelectClipPath(RGN_AND));
                    canvas.FillRect(Rect(0, 0, 200, 200));
                }
            }
            EXPECT_EQ(Pattern(clipped), Pattern(filled)) << left << " " << clip.x() << "," << clip.y();
        }
}

TEST(CanvasPaths, ClipByAPathOfManyFiguresCoversWhatItsFillCoversWithinTheClip) {
    // Rings over the whole image and a figure round them all, under both fill rules; the clip
    // meets a few of them, so the figures away from it are left out of the clip path's region.
    for (const int rule : {ALTERNATE, WINDING}) {
        QImage clipped = WhiteImage(60, 60), filled = WhiteImage(60, 60);
        for (QImage* image : {&clipped, &filled}) {
            TCanvas canvas(image);
            canvas.SetMapMode(MM_ANISOTROPIC);
            canvas.SetWindowExt(10, 10);
            canvas.SetViewportExt(7, 7);
            canvas.SetPolyFillMode(rule);
            const QRegion clip(QRect(22, 19, 13, 17));
            canvas.SelectClipRgn(&clip);
            BlackBrush(canvas);
            canvas.BeginPath();
            const TPoint around[] = {Point(3, 3), Point(83, 5), Point(81, 84), Point(5, 82), Point(40, 40)};
            canvas.Polygon(around, 5);
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x) {
                    const int l = 2 + x * 10, t = 2 + y * 10;
                    const TPoint outer[] = {Point(l, t), Point(l + 8, t), Point(l + 8, t + 8),
                                            Point(l, t + 8), Point(l + 4, t + 3)};
                    const TPoint inner[] = {Point(l + 2, t + 2), Point(l + 6, t + 2), Point(l + 6, t + 6),
                                            Point(l + 2, t + 6), Point(l + 3, t + 4)};
                    canvas.Polygon(outer, 5);
                    canvas.Polygon(inner, 5);
                }
            canvas.EndPath();
            if (image == &filled) {
                canvas.FillPath();
            } else {
                ASSERT_TRUE(canvas.SelectClipPath(RGN_AND));
                canvas.FillRect(Rect(0, 0, 100, 100));
            }
        }
        EXPECT_EQ(Pattern(clipped), Pattern(filled)) << rule;
        EXPECT_NE(Pattern(filled, QRect(22, 19, 13, 17)), Pattern(WhiteImage(13, 17)));
    }
}

TEST(CanvasClipping, WidePenReachesIntoTheClipFromAPathOutsideIt) {
    // A sharp mitred turn whose points all lie left of the clip: its tip still reaches in, and
    // drawing with the clip paints what the unclipped stroke paints there.
    const TPoint turn[] = {Point(0, 4), Point(14, 10), Point(0, 16)};
    const QRect clip(17, 0, 10, 20);
    QImage clipped = WhiteImage(28, 20), whole = WhiteImage(28, 20);
    for (QImage* image : {&clipped, &whole}) {
        TCanvas canvas(image);
        canvas.Pen() = TPen{clBlack, 4, psSolid, pmCopy, Qt::FlatCap, Qt::MiterJoin};
        if (image == &clipped) {
            const QRegion region(clip);
            canvas.SelectClipRgn(&region);
        }
        canvas.Polyline(turn, 3);
    }
    EXPECT_NE(Pattern(whole, clip), Pattern(WhiteImage(28, 20), clip));
    EXPECT_EQ(Pattern(clipped, clip), Pattern(whole, clip));
}

TEST(CanvasCoverage, GivesWhatTheSameDrawingPaintsOnTheCanvasItTakesItsMappingFrom) {
    // Wide round-ended strokes and a framed ellipse under a scaling mapping with a moved origin;
    // the coverage is taken over a part of the canvas away from its corner.
    const auto draw = [](TCanvas& c) {
        c.MoveTo(10, 10);
        c.LineTo(70, 24);
        const TPoint curve[] = {Point(80, 60), Point(20, 70), Point(12, 40)};
        c.PolyBezierTo(curve, 3);
        c.Ellipse(30, 30, 75, 62);
    };
    QImage drawn = WhiteImage(60, 50), fromCoverage = WhiteImage(60, 50);
    const QRect area(4, 2, 50, 44);
    QRegion covered;
    {
        TCanvas canvas(&drawn);
        canvas.SetMapMode(MM_ANISOTROPIC);
        canvas.SetWindowExt(10, 10);
        canvas.SetViewportExt(7, 7);
        canvas.SetViewportOrg(-3, 2);
        canvas.Pen() = TPen{clBlack, 6, psSolid, pmCopy};
        canvas.Brush().Style = bsClear;
        draw(canvas);
        TCoverageCanvas coverage(canvas, area);
        EXPECT_EQ(coverage.Pen().Width, 6);
        coverage.Brush().Style = bsClear;
        draw(coverage);
        covered = coverage.Coverage();
    }
    {
        TCanvas canvas(&fromCoverage);
        BlackBrush(canvas);
        canvas.FillRegion(covered);
    }
    EXPECT_GT(covered.rectCount(), 10);
    EXPECT_TRUE(area.contains(covered.boundingRect()));
    EXPECT_EQ(Pattern(fromCoverage, area), Pattern(drawn, area));
}

TEST(CanvasPaths, WidenedLineBecomesItsOutline) {
    QImage image = WhiteImage(4, 4);
    TCanvas canvas(&image);
    canvas.Pen().Width = 4;
    canvas.Pen().Cap = Qt::FlatCap;
    canvas.BeginPath();
    canvas.MoveTo(0, 10);
    canvas.LineTo(20, 10);
    canvas.EndPath();
    canvas.WidenPath();
    const QRectF bounds = canvas.DevicePath().boundingRect();
    EXPECT_DOUBLE_EQ(bounds.top(), 8.0);
    EXPECT_DOUBLE_EQ(bounds.bottom(), 12.0);
    EXPECT_DOUBLE_EQ(bounds.width(), 20.0);
}

TEST(CanvasText, FontSizeAndHeightConvertAtTheFontResolution) {
    TFont font;
    font.PixelsPerInch = 96;
    font.SetSize(9);
    EXPECT_EQ(font.Height, -12);
    font.PixelsPerInch = 600;
    EXPECT_EQ(font.Size(), 1);
    font.SetSize(9);
    EXPECT_EQ(font.Height, -75);
    EXPECT_EQ(font.Size(), 9);
}

TEST(CanvasText, TextOutDrawsInsideItsExtentAndAdvancesThePen) {
    QImage image = WhiteImage(120, 40);
    TCanvas canvas(&image);
    canvas.Font().Height = -20;
    canvas.Font().Color = clBlack;
    canvas.Brush().Style = bsClear;
    const TSize extent = canvas.TextExtent(QStringLiteral("HHHH"));
    EXPECT_GT(extent.cx, 20);
    EXPECT_GE(extent.cy, 20);
    canvas.TextOut(10, 5, QStringLiteral("HHHH"));
    EXPECT_EQ(canvas.PenPos(), Point(10 + extent.cx, 5));
    canvas.FreeHandle();
    int inside = 0;
    int outside = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (Pixel(image, x, y) == 0xFFFFFFu)
                continue;
            const bool in = x >= 10 && x < 10 + extent.cx && y >= 5 && y < 5 + extent.cy;
            (in ? inside : outside)++;
        }
    }
    EXPECT_GT(inside, 20);
    EXPECT_EQ(outside, 0);
}

TEST(CanvasText, ClippedTextPaintsWhatTheWholeTextPaintsInsideTheClip) {
    // Turned text under narrow clips across it: each cuts through some glyphs or grazes their
    // edges and leaves the others wholly outside.
    const auto draw = [](QImage& image, const QRect* clip) {
        TCanvas canvas(&image);
        canvas.Font().Height = -24;
        canvas.Font().Orientation = 150;
        canvas.Font().Color = clBlack;
        canvas.Brush().Style = bsClear;
        if (clip != nullptr) {
            const QRegion region(*clip);
            canvas.SelectClipRgn(&region);
        }
        canvas.TextOut(4, 40, QStringLiteral("Wg漢字My"));
    };
    QImage whole = WhiteImage(120, 70);
    draw(whole, nullptr);
    EXPECT_NE(whole, WhiteImage(120, 70));
    for (int x = 0; x < 120; x += 3) {
        const QRect clip(x, 0, 3, 70);
        QImage clipped = WhiteImage(120, 70);
        draw(clipped, &clip);
        ASSERT_EQ(clipped.copy(clip), whole.copy(clip)) << x;
    }
}

TEST(CanvasText, AnEscapementBeyondATurnTurnsByItsRemainder) {
    // INT_MIN tenths of a degree (as a file may give) are 596,523 turns and 84.8 degrees clockwise.
    const auto draw = [](int orientation) {
        QImage image = WhiteImage(64, 64);
        TCanvas canvas(&image);
        canvas.Font().Height = -12;
        canvas.Font().Orientation = orientation;
        canvas.Font().Color = clBlack;
        canvas.Brush().Style = bsClear;
        canvas.TextOut(32, 32, QStringLiteral("ーー"));
        canvas.FreeHandle();
        return image;
    };
    const QImage wild = draw(INT_MIN);
    EXPECT_EQ(wild, draw(-848));
    // Clockwise, the run goes down the page from where it starts.
    int top = 64, bottom = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            if (Pixel(wild, x, y) != 0xFFFFFFu) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    EXPECT_GE(top, 28);
    EXPECT_GE(bottom, 48);
}

TEST(CanvasText, OpaqueTextFillsItsCellWithTheBrush) {
    QImage image = WhiteImage(60, 30);
    TCanvas canvas(&image);
    canvas.Font().Height = -12;
    canvas.Brush().Color = clBlue;
    canvas.TextOut(2, 2, QStringLiteral("i"));
    canvas.FreeHandle();
    EXPECT_EQ(Pixel(image, 2, 2), 0x0000FFu);
    EXPECT_EQ(Pixel(image, 50, 25), 0xFFFFFFu);
}

namespace {

// Destination bits 0xAA, source bits 0xCC and brush bits 0xF0 in every channel: then the
// result of any raster operation is the operation code's index byte.
QRgb RunCopyMode(TCopyMode mode) {
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(qRgb(0xAA, 0xAA, 0xAA));
    QImage source(2, 2, QImage::Format_RGB32);
    source.fill(qRgb(0xCC, 0xCC, 0xCC));
    TCanvas canvas(&image);
    canvas.Brush().Color = RGB(0xF0, 0xF0, 0xF0);
    canvas.StretchBlt(Rect(0, 0, 4, 4), source, Rect(0, 0, 2, 2), mode);
    canvas.FreeHandle();
    return Pixel(image, 2, 2);
}

} // namespace

TEST(CanvasRasterOps, EveryCopyModeGivesItsTruthTable) {
    for (TCopyMode mode :
         {cmSrcCopy, cmSrcAnd, cmSrcPaint, cmSrcInvert, cmMergePaint, cmNotSrcCopy, cmSrcErase, cmNotSrcErase,
          cmDstInvert, cmBlackness, cmWhiteness, cmPatCopy, cmPatInvert, cmMergeCopy, cmPatPaint}) {
        const uint32_t index = (uint32_t(mode) >> 16) & 0xFF;
        EXPECT_EQ(RunCopyMode(mode), 0x010101u * index) << std::hex << "copy mode " << mode;
    }
}

TEST(CanvasRasterOps, MonochromeSourcesTakeTextAndBackgroundColours) {
    PixelBuffer mono(2, 1, 1);
    mono.SetColorTable({0x000000, 0xFFFFFF});
    mono.ScanLine(0)[0] = 0x40; // pixel 0 clear, pixel 1 set
    QImage image = WhiteImage(2, 1);
    TCanvas canvas(&image);
    canvas.SetTextColor(clRed);
    canvas.SetBkColor(clLime);
    canvas.StretchPixels(Rect(0, 0, 2, 1), mono, Rect(0, 0, 2, 1), cmSrcCopy);
    canvas.FreeHandle();
    EXPECT_EQ(Pixel(image, 0, 0), 0xFF0000u);
    EXPECT_EQ(Pixel(image, 1, 0), 0x00FF00u);
}

TEST(CanvasRasterOps, StretchPicksNearestPixelsAndNegativeWidthMirrors) {
    QImage source(2, 1, QImage::Format_RGB32);
    source.setPixel(0, 0, qRgb(0, 0, 0));
    source.setPixel(1, 0, qRgb(255, 255, 255));
    QImage image = WhiteImage(4, 2);
    TCanvas canvas(&image);
    canvas.SetStretchBltMode(COLORONCOLOR);
    canvas.StretchBlt(Rect(0, 0, 4, 1), source, Rect(0, 0, 2, 1), cmSrcCopy);
    canvas.StretchBlt(Rect(4, 1, 0, 2), source, Rect(0, 0, 2, 1), cmSrcCopy);
    canvas.FreeHandle();
    EXPECT_EQ(Pattern(image), Rows({"##..", "..##"}));
}

// A source reaching past its picture draws the picture's part in its share of the destination (mirrored
// sources too) and leaves the rest; a reach of the whole int range from a 4 x 1 picture allocates nothing.
TEST(CanvasRasterOps, ASourceBeyondThePictureIsCutWithItsDestination) {
    QImage source(4, 1, QImage::Format_RGB32);
    source.fill(qRgb(0, 0, 0));
    source.setPixel(0, 0, qRgb(255, 0, 0));
    QImage image = WhiteImage(16, 3);
    TCanvas canvas(&image);
    canvas.SetStretchBltMode(COLORONCOLOR);
    canvas.StretchBlt(Rect(0, 0, 16, 1), source, Rect(0, 0, 8, 1), cmSrcCopy);
    canvas.StretchBlt(Rect(0, 1, 16, 2), source, Rect(8, 0, 0, 1), cmSrcCopy);
    canvas.StretchBlt(Rect(0, 2, 16, 3), source, Rect(INT_MIN, 0, INT_MAX, 1), cmSrcCopy);
    canvas.FreeHandle();
    EXPECT_EQ(Pattern(image), Rows({"??######........", "........######??", "................"}));
    EXPECT_EQ(Pixel(image, 0, 0), 0xFF0000u);
    EXPECT_EQ(Pixel(image, 15, 1), 0xFF0000u);

    TRect from(-2, 0, 6, 1), to(0, 0, 80, 10);
    ASSERT_TRUE(TCanvas::CutSourceToPicture(QSize(4, 1), from, to));
    EXPECT_EQ(from, TRect(0, 0, 4, 1));
    EXPECT_EQ(to, TRect(20, 0, 60, 10));
    from = TRect(5, 0, 9, 1);
    EXPECT_FALSE(TCanvas::CutSourceToPicture(QSize(4, 1), from, to));
}

TEST(CanvasRasterOps, MaskedDrawingOnAnImageKeepsTheBackground) {
    // The two-pass mask draw: the mask (white = transparent) with MERGEPAINT, then the image
    // whose transparent pixels are white with SRCAND.
    QImage mask(2, 1, QImage::Format_RGB32);
    mask.setPixel(0, 0, qRgb(0, 0, 0));
    mask.setPixel(1, 0, qRgb(255, 255, 255));
    QImage picture(2, 1, QImage::Format_RGB32);
    picture.setPixel(0, 0, qRgb(0, 0, 255));
    picture.setPixel(1, 0, qRgb(255, 255, 255));
    QImage image(2, 1, QImage::Format_RGB32);
    image.fill(qRgb(255, 0, 0));
    TCanvas canvas(&image);
    canvas.StretchBlt(Rect(0, 0, 2, 1), mask, Rect(0, 0, 2, 1), cmMergePaint);
    canvas.StretchBlt(Rect(0, 0, 2, 1), picture, Rect(0, 0, 2, 1), cmSrcAnd);
    canvas.FreeHandle();
    EXPECT_EQ(Pixel(image, 0, 0), 0x0000FFu);
    EXPECT_EQ(Pixel(image, 1, 0), 0xFF0000u);
}

TEST(CanvasRasterOps, CopyRectReadsAnotherCanvasWithTheCopyMode) {
    QImage source = WhiteImage(4, 1);
    source.setPixel(1, 0, qRgb(0, 0, 0));
    QImage image(4, 1, QImage::Format_RGB32);
    image.fill(qRgb(0, 0, 0));
    TCanvas from(&source);
    TCanvas to(&image);
    to.SetCopyMode(cmSrcInvert);
    to.CopyRect(Rect(0, 0, 4, 1), from, Rect(0, 0, 4, 1));
    to.FreeHandle();
    EXPECT_EQ(Pattern(image), Rows({".#.."}));
}

TEST(CanvasPrinter, MaskedDrawingIsComposedIntoOneImageOnAPdf) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString pdf = folder.filePath(QStringLiteral("masked.pdf"));
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setResolution(72);
        printer.setPageSize(QPageSize(QPageSize::A6));
        printer.setFullPage(true);
        TCanvas canvas(&printer);
        EXPECT_TRUE(canvas.IsPrinter());
        EXPECT_EQ(canvas.PixelsPerInch(), 72);
        // Red background, then a 2x2 picture whose right column is transparent, stretched to
        // 100x100 points.
        canvas.Brush().Color = clRed;
        canvas.FillRect(Rect(0, 0, 200, 200));
        QImage mask(2, 2, QImage::Format_RGB32);
        mask.fill(Qt::white);
        mask.setPixel(0, 0, qRgb(0, 0, 0));
        mask.setPixel(0, 1, qRgb(0, 0, 0));
        QImage picture(2, 2, QImage::Format_RGB32);
        picture.fill(Qt::white);
        picture.setPixel(0, 0, qRgb(0, 0, 255));
        picture.setPixel(0, 1, qRgb(0, 128, 0));
        canvas.StretchBlt(Rect(50, 50, 150, 150), mask, Rect(0, 0, 2, 2), cmMergePaint);
        canvas.StretchBlt(Rect(50, 50, 150, 150), picture, Rect(0, 0, 2, 2), cmSrcAnd);
        // A 10-point line through the lower part with a geometric pen.
        canvas.Pen().Width = 10;
        canvas.Pen().Color = clBlack;
        canvas.Pen().Cap = Qt::FlatCap;
        canvas.MoveTo(0, 180);
        canvas.LineTo(200, 180);
    }
    REQUIRE_CHECKER(TestSupport::HasPdftoppm(), "pdftoppm");
    const QImage page = TestSupport::RasterisePdf(pdf, 72);
    ASSERT_FALSE(page.isNull()) << "pdftoppm failed";
    // Red background, the picture's opaque left column (blue over green), the background through
    // its transparent right column, and the line.
    QImage expected(page.size(), QImage::Format_RGB32);
    expected.fill(Qt::white);
    {
        QPainter p(&expected);
        p.fillRect(0, 0, 200, 200, QColor(255, 0, 0));
        p.fillRect(50, 50, 50, 50, QColor(0, 0, 255));
        p.fillRect(50, 100, 50, 50, QColor(0, 128, 0));
        p.fillRect(0, 175, 200, 10, QColor(0, 0, 0));
    }
    // Flat fills and a picture the PDF holds without loss come back exact inside the shapes.
    EXPECT_TRUE(TestSupport::ImagesMatch(page, expected, 0, {.SkipEdges = true}));
}

TEST(CanvasPrinter, PrinterCanvasAtItsResolutionScalesPixelsPerInch) {
    QTemporaryDir folder;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(folder.filePath(QStringLiteral("dpi.pdf")));
    printer.setResolution(600);
    TCanvas canvas(&printer);
    EXPECT_EQ(canvas.PixelsPerInch(), 600);
    EXPECT_EQ(canvas.DeviceKind(), TCanvas::dkPrinter);
    QImage image(1, 1, QImage::Format_RGB32);
    TCanvas imageCanvas(&image);
    EXPECT_FALSE(imageCanvas.IsPrinter());
}

TEST(CanvasShapes, FrameInvertAndDashedLines) {
    QImage image = WhiteImage(6, 5);
    {
        TCanvas canvas(&image);
        BlackBrush(canvas);
        canvas.FrameRect(Rect(0, 0, 4, 4));
        canvas.InvertRect(Rect(1, 1, 3, 3));
        canvas.Pen().Style = psDot;
        canvas.MoveTo(0, 4);
        canvas.LineTo(6, 4);
    }
    EXPECT_EQ(Pattern(image), Rows({"####..", "####..", "####..", "####..", "###..."}));
}

TEST(CanvasShapes, ArcIsOnlyAnOutline) {
    QImage image = WhiteImage(20, 20);
    {
        TCanvas canvas(&image);
        BlackPen(canvas);
        BlackBrush(canvas);
        canvas.Arc(0, 0, 20, 20, 20, 10, 0, 10); // the upper half
    }
    EXPECT_EQ(Pixel(image, 10, 0), 0u);
    EXPECT_EQ(Pixel(image, 10, 5), 0xFFFFFFu);
    EXPECT_EQ(Pixel(image, 10, 19), 0xFFFFFFu);
}

TEST(CanvasText, DrawTextMeasuresAndAligns) {
    QImage image = WhiteImage(200, 40);
    TCanvas canvas(&image);
    canvas.Font().Height = -16;
    canvas.Font().Color = clBlack;
    canvas.Brush().Style = bsClear;
    TRect measured(10, 10, 10, 10);
    const int height = canvas.DrawText(QStringLiteral("WWW"), measured, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(measured.Left, 10);
    EXPECT_EQ(measured.Right - measured.Left, canvas.TextWidth(QStringLiteral("WWW")));
    EXPECT_EQ(measured.Bottom - measured.Top, height);
    // Right-aligned text in a box ends at the box's right edge.
    TRect box(0, 0, 200, 40);
    canvas.DrawText(QStringLiteral("WWW"), box, DT_RIGHT | DT_SINGLELINE | DT_VCENTER);
    canvas.FreeHandle();
    int leftmost = 200;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 200; ++x)
            if (Pixel(image, x, y) != 0xFFFFFFu)
                leftmost = std::min(leftmost, x);
    EXPECT_GT(leftmost, 200 - measured.Width() - 3);
}

TEST(CanvasDevices, RecordedPictureReplaysTheDrawing) {
    QPicture picture;
    {
        TCanvas canvas(&picture);
        EXPECT_EQ(canvas.DeviceKind(), TCanvas::dkPicture);
        BlackBrush(canvas);
        canvas.FillRect(Rect(1, 1, 3, 2));
        // Raster operations are composed before they are recorded, as on a printer.
        QImage mask(1, 1, QImage::Format_RGB32);
        mask.fill(Qt::white);
        canvas.StretchBlt(Rect(4, 0, 5, 1), mask, Rect(0, 0, 1, 1), cmMergePaint);
    }
    QImage image = WhiteImage(6, 3);
    image.setPixel(4, 0, qRgb(0, 0, 0));
    QPainter painter(&image);
    picture.play(&painter);
    painter.end();
    EXPECT_EQ(Pattern(image), Rows({"....#.", ".##...", "......"}));
}

TEST(CanvasDevices, ExternalPainterIsBorrowedAndGivenBackUnchanged) {
    QImage image = WhiteImage(4, 2);
    QPainter painter(&image);
    painter.translate(100, 100);
    painter.setCompositionMode(QPainter::CompositionMode_Plus);
    {
        TCanvas canvas(&painter);
        EXPECT_EQ(canvas.DeviceKind(), TCanvas::dkImage);
        BlackBrush(canvas);
        canvas.FillRect(Rect(0, 0, 2, 1));
    }
    EXPECT_EQ(painter.transform().dx(), 100.0);
    EXPECT_EQ(painter.compositionMode(), QPainter::CompositionMode_Plus);
    painter.end();
    EXPECT_EQ(Pattern(image), Rows({"##..", "...."}));
}

TEST(CanvasMapping, FarCoordinatesAndSizesHoldInsteadOfOverflowing) {
    TCanvas canvas;
    canvas.SetWindowOrg(-50, 50);
    EXPECT_EQ(canvas.LPtoDP(Point(INT32_MAX, INT32_MIN)), Point(INT32_MAX, INT32_MIN));
    TFont font;
    font.SetSize(INT32_MIN);
    EXPECT_EQ(font.Height, INT32_MAX);
    font.Height = INT32_MIN;
    EXPECT_EQ(font.Size(), 1610612736);
}
