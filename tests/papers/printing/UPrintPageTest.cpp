#include "papers/printing/UPrintPage.h"

#include "core/UGeometryUtil.h"
#include "imaging/PixelKernel.h"
#include "imaging/UCanvas.h"
#include "platform/Canvas.h"
#include "tests/TestSupport.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

TEST(PrintPageBands, TablesShareTheHeightAndStayWithinTheBudget) {
    // 2,000 band pixels wide: 2,621 rows a band, so 6,000 rows are three equal bands.
    TBandTable table = TBandTable::Make(TRect(100, 50, 2100, 6050), 600, 600);
    ASSERT_EQ(table.Count, 3);
    EXPECT_EQ(MaxBandPixels / 2000, 2621);
    EXPECT_EQ(table.Band(1).Height, 2000);
    EXPECT_EQ(table.Band(1).Dest, TRect(100, 2050, 2100, 4050));
    EXPECT_EQ(table.Band(2).Dest.Bottom, 6050);
    EXPECT_EQ(TBandTable::Make(TRect(0, 0, 2000, 2000), 600, 600).Count, 1);

    // 254-dpi bands of a 600-dpi face: band pixels scaled, destinations in printer pixels.
    table = TBandTable::Make(TRect(0, 0, 6000, 14000), 254, 600);
    ASSERT_EQ(table.Count, 3);
    EXPECT_EQ(table.Band(0).Width, 2540);
    EXPECT_EQ(table.Band(0).Height + table.Band(1).Height + table.Band(2).Height, 5927);
    EXPECT_EQ(table.Band(0).Dest.Bottom, table.Band(1).Dest.Top);

    // Empty faces have no band; a face wider than the budget still gets bands of one row; extreme
    // rectangles do not overflow.
    EXPECT_EQ(TBandTable::Make(TRect(10, 10, 10, 500), 254, 600).Count, 0);
    table = TBandTable::Make(TRect(0, 0, 6000000, 3), 600, 600);
    ASSERT_EQ(table.Count, 3);
    EXPECT_EQ(table.Band(0).Height, 1);
    table = TBandTable::Make(TRect(-2000000000, -2000000000, 2000000000, 2000000000), 1, 600);
    ASSERT_GT(table.Count, 0);
    EXPECT_EQ(table.Band(table.Count - 1).Dest.Bottom, 2000000000);
    EXPECT_GE(table.Band(table.Count - 1).Height, 1);
}

// Draws a test picture in 0.1 mm through the canvas's resolution, as the site does.
void DrawScene(TCanvas& canvas) {
    const int dpi = GetCanvasPixelsPerInch(canvas);
    const auto d = [dpi](int tenths) { return MulDiv(tenths, dpi, 254); };
    canvas.Brush().Color = TColor(0x00C08040);
    canvas.Pen().Color = clBlack;
    canvas.Rectangle(d(20), d(20), d(900), d(640));
    canvas.Brush().Color = TColor(0x000000FF);
    canvas.Ellipse(d(300), d(100), d(1000), d(1000));
}

struct Target {
    explicit Target(int width, int height, int dpi)
        : image(width, height, QImage::Format_RGB32), canvas(&image) {
        image.fill(Qt::white);
        canvas.SetPixelsPerInch(dpi);
    }
    QImage image;
    TCanvas canvas;
};

int DrawPasses(TStretchPrintPage& page) {
    int passes = 0;
    while (page.NextBand()) {
        DrawScene(page.GetCanvas());
        ++passes;
    }
    return passes;
}

TEST(PrintPageBands, BandedEqualsDirectAtOneResolution) {
    const TRect face(0, 0, 2400, 2400);
    const TPoint origin(30, 10);
    Target direct(2500, 2500, 600);
    {
        TStretchPrintPage page(direct.canvas, 600, false, origin, face);
        ASSERT_EQ(DrawPasses(page), 1);
    }
    direct.canvas.FreeHandle();
    EXPECT_EQ(QColor(direct.image.pixel(30 + 100, 10 + 100)), QColor(0x40, 0x80, 0xC0));
    // On one thread, and on two (each band sent while the next is drawn): the same bands.
    for (const int threads : {1, 2}) {
        SetKernelThreadCount(threads);
        Target banded(2500, 2500, 600);
        {
            TStretchPrintPage page(banded.canvas, 600, true, origin, face);
            EXPECT_EQ(page.BandCount(), 2);
            EXPECT_EQ(DrawPasses(page), 2);
        }
        banded.canvas.FreeHandle();
        EXPECT_TRUE(TestSupport::ImagesMatch(banded.image, direct.image, 0)) << threads << " threads";
        EXPECT_EQ(banded.canvas.WindowOrg(), TPoint()); // the page put the mapping back
    }
    SetKernelThreadCount(0);
}

TEST(PrintPageBands, FinerBandsMeetWithoutSeams) {
    // 600-dpi bands on a 254-dpi target: the face is two bands, stretched down.
    Target target(1100, 1100, 254);
    const TRect face(50, 50, 1050, 1050);
    TStretchPrintPage page(target.canvas, 600, true, TPoint(), face);
    ASSERT_EQ(page.BandCount(), 2);
    while (page.NextBand()) {
        TCanvas& canvas = page.GetCanvas();
        canvas.Brush().Color = TColor(0x00FF0000);
        canvas.FillRect(TRect(0, 0, 3000, 3000)); // every band pixel, in band coordinates
    }
    target.canvas.FreeHandle();
    for (int y = 52; y < 1048; ++y)
        ASSERT_EQ(QColor(target.image.pixel(500, y)), QColor(0, 0, 0xFF)) << "row " << y;
    EXPECT_EQ(QColor(target.image.pixel(500, 1055)), QColor(Qt::white));
}

TEST(PrintPageBands, APageDroppedMidwayTransfersNothingMore) {
    Target target(2500, 2500, 600);
    {
        TStretchPrintPage page(target.canvas, 600, true, TPoint(), TRect(0, 0, 2400, 2400));
        ASSERT_TRUE(page.NextBand());
        DrawScene(page.GetCanvas());
        ASSERT_TRUE(page.NextBand()); // band 0 transferred, band 1 prepared
        DrawScene(page.GetCanvas());
    } // abandoned in the second band, as an abort or an exception leaves it
    target.canvas.FreeHandle();
    EXPECT_EQ(QColor(target.image.pixel(100, 100)), QColor(0x40, 0x80, 0xC0));
    EXPECT_EQ(QColor(target.image.pixel(100, 1500)), QColor(Qt::white));
}

} // namespace
