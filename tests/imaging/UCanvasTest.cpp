#include "imaging/UCanvas.h"

#include <QPrinter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(CanvasSavers, ClipSaverRestoresNoClippingRatherThanAnEmptyRegion) {
    QImage image(4, 4, QImage::Format_RGB32);
    TCanvas canvas(&image);
    {
        TIntf<IUnknownEx> saver;
        SaveClipRegion(canvas, saver);
        canvas.IntersectClipRect(Rect(0, 0, 1, 1));
        EXPECT_TRUE(canvas.HasClipRegion());
    }
    EXPECT_FALSE(canvas.HasClipRegion());

    canvas.IntersectClipRect(Rect(1, 1, 3, 3));
    {
        TIntf<IUnknownEx> saver;
        SaveClipRegion(canvas, saver);
        const QRegion empty;
        canvas.SelectClipRgn(&empty);
        TIntf<IUnknownEx> second = saver; // the last reference restores, not the first
        saver.Reset();
        QRegion now;
        canvas.GetClipRgn(now);
        EXPECT_TRUE(now.isEmpty());
    }
    QRegion region;
    ASSERT_EQ(canvas.GetClipRgn(region), 1);
    EXPECT_EQ(region, QRegion(1, 1, 2, 2));
}

TEST(CanvasSavers, StateSaverPutsToolsAndSavedStateBack) {
    QImage image(4, 4, QImage::Format_RGB32);
    TCanvas canvas(&image);
    canvas.Pen().Color = clRed;
    canvas.Font().PixelsPerInch = 300;
    canvas.Font().Height = -50;
    canvas.SetCopyMode(cmSrcAnd);
    {
        TIntf<IUnknownEx> saver;
        SaveCanvasState(canvas, true, saver);
        canvas.Pen().Color = clBlue;
        canvas.Pen().Width = 7;
        canvas.Brush().Style = bsClear;
        canvas.Font().PixelsPerInch = 96;
        canvas.Font().Name = QStringLiteral("Other");
        canvas.SetCopyMode(cmSrcCopy);
        canvas.SetMapMode(MM_ANISOTROPIC);
        canvas.SetWindowOrg(5, 5);
    }
    EXPECT_EQ(canvas.Pen().Color, clRed);
    EXPECT_EQ(canvas.Pen().Width, 1);
    EXPECT_EQ(canvas.Brush().Style, bsSolid);
    EXPECT_EQ(canvas.Font().PixelsPerInch, 300);
    EXPECT_EQ(canvas.Font().Height, -50);
    EXPECT_EQ(canvas.CopyMode(), cmSrcAnd);
    EXPECT_EQ(canvas.MapMode(), MM_TEXT);
    EXPECT_EQ(canvas.WindowOrg(), Point(0, 0));
    EXPECT_EQ(canvas.SavedLevel(), 0);

    // Without saveDC the mapping stays as it was changed.
    {
        TIntf<IUnknownEx> saver;
        SaveCanvasState(canvas, false, saver);
        canvas.SetWindowOrg(3, 3);
    }
    EXPECT_EQ(canvas.WindowOrg(), Point(3, 3));
}

TEST(CoordMap, ApplyFoldsTheWindowOriginIntoTheViewportOrigin) {
    QImage image(4, 4, QImage::Format_RGB32);
    TCanvas canvas(&image);
    TCoordMap map;
    map.ViewportOrg = Point(7, 9);
    map.Apply(canvas);
    EXPECT_EQ(canvas.ViewportOrg(), Point(7, 9));
    map.SetOrigins(100, 50, 7, 9);
    map.Apply(canvas);
    EXPECT_EQ(canvas.WindowOrg(), Point(0, 0));
    EXPECT_EQ(canvas.ViewportOrg(), Point(7 - 100, 9 - 50));

    // Under a scale the window origin is converted with the new extents.
    canvas.SetMapMode(MM_ANISOTROPIC);
    canvas.SetWindowExt(10, 10);
    canvas.SetViewportExt(20, 30);
    canvas.SetWindowOrg(4, 2);
    canvas.SetViewportOrg(1, 1);
    TCoordMap captured;
    captured.Capture(canvas);
    EXPECT_EQ(captured.MapMode, MM_ANISOTROPIC);
    EXPECT_EQ(captured.WindowExt, TSize(10, 10));
    const TPoint before = canvas.LPtoDP(Point(10, 10));
    TCoordMap::ResetMapping(canvas);
    EXPECT_EQ(canvas.LPtoDP(Point(10, 10)), Point(10, 10));
    captured.Apply(canvas);
    EXPECT_EQ(canvas.WindowOrg(), Point(0, 0));
    EXPECT_EQ(canvas.ViewportOrg(), Point(1 - 8, 1 - 6));
    EXPECT_EQ(canvas.LPtoDP(Point(10, 10)), before);
}

TEST(MemoryCanvas, StandsForItsReferenceDevice) {
    TMemoryCanvas screen;
    EXPECT_FALSE(IsPrinterCanvas(screen));
    EXPECT_EQ(GetCanvasReferenceDC(screen), nullptr);

    QTemporaryDir folder;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(folder.filePath(QStringLiteral("ref.pdf")));
    printer.setResolution(600);
    TCanvas printerCanvas(&printer);
    TMemoryCanvas band;
    band.SetReferenceDC(&printerCanvas);
    EXPECT_TRUE(IsPrinterCanvas(band));
    EXPECT_EQ(GetCanvasReferenceDC(band), &printerCanvas);
    EXPECT_EQ(GetCanvasPixelsPerInch(band), 600);
    band.SetPixelsPerInchField(300);
    EXPECT_EQ(GetCanvasPixelsPerInch(band), 300);

    // Starting to draw gives the font the reference's resolution at the same point size.
    band.Font().PixelsPerInch = 96;
    band.Font().SetSize(9);
    TBitmap bitmap(8, 8);
    band.SelectBitmap(&bitmap);
    band.Brush().Color = clBlack;
    band.FillRect(Rect(0, 0, 2, 2));
    EXPECT_EQ(band.Font().PixelsPerInch, 600);
    EXPECT_EQ(band.Font().Size(), 9);
    EXPECT_EQ(band.Font().Height, -75);
    band.FreeHandle();
    printerCanvas.FreeHandle();
}

TEST(MemoryCanvas, DrawsIntoTheSelectedBitmapAlone) {
    TBitmap bitmap(4, 1);
    TBitmap copy;
    TMemoryCanvas canvas;
    canvas.SelectBitmap(&bitmap);
    EXPECT_TRUE(canvas.BitmapSelected());
    int changes = 0;
    bitmap.OnChange = [&](TObject*) { ++changes; };
    canvas.Brush().Color = clBlack;
    canvas.FillRect(Rect(0, 0, 1, 1));
    copy.Assign(bitmap);
    canvas.FillRect(Rect(1, 0, 2, 1));
    EXPECT_EQ(bitmap.GetPixel(1, 0), clBlack);
    EXPECT_EQ(copy.GetPixel(0, 0), clBlack);
    EXPECT_EQ(copy.GetPixel(1, 0), clWhite);
    EXPECT_GE(changes, 2);
    canvas.DeselectBitmap();
    EXPECT_FALSE(canvas.BitmapSelected());
    canvas.FillRect(Rect(2, 0, 3, 1));
    EXPECT_EQ(bitmap.GetPixel(2, 0), clWhite);
}
