#include "pageobjects/engine/UScaler.h"

#include "platform/Canvas.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

// A canvas of a given resolution with nothing to draw on.
struct DpiCanvas {
    explicit DpiCanvas(int dpi) { canvas.SetPixelsPerInch(dpi); }
    TCanvas canvas;
};

// One unit a tenth of a millimetre.
struct PageScaler : TScaler {
    explicit PageScaler(int scale = 100) {
        SetUnitDPI(254);
        SetScale(scale);
    }
};

} // namespace

TEST(Scaler, ConvertsTenthsOfMillimetresToScreenPixels) {
    DpiCanvas c(96);
    const PageScaler s;
    // 2100 x 2970 units at 96/254: 793.7 and 1122.5 pixels, rounded to nearest.
    EXPECT_EQ(s.LogToDev(c.canvas, TPoint(2100, 2970)), TPoint(794, 1123));
    EXPECT_EQ(s.LogToDev(c.canvas, TPoint(-2100, 0)), TPoint(-794, 0));
    // And back: 794 x 254 / 96 = 2100.9 -> 2101.
    EXPECT_EQ(s.DevToLog(c.canvas, TPoint(794, 96)), TPoint(2101, 254));
    const PageScaler zoomed(200);
    EXPECT_EQ(zoomed.LogToDev(c.canvas, TPoint(254, 127)), TPoint(192, 96));
}

TEST(Scaler, RectangleEdgesRoundOutward) {
    DpiCanvas c(96);
    const PageScaler s;
    EXPECT_EQ(s.LogRectToDev(c.canvas, TRect(0, 0, 1, 1)), TRect(0, 0, 1, 1));
    EXPECT_EQ(s.LogRectToDev(c.canvas, TRect(0, 0, 2100, 2970)), TRect(0, 0, 794, 1123));
    // 10 x 96 / 254 = 3.78: the left edge truncates to 3, the right (20 -> 7.56) rounds up to 8.
    EXPECT_EQ(s.LogRectToDev(c.canvas, TRect(10, 10, 20, 20)), TRect(3, 3, 8, 8));
    // Negative coordinates grow outward as well: -10 -> -3.78 -> -4.
    EXPECT_EQ(s.LogRectToDev(c.canvas, TRect(-10, -10, -5, -5)), TRect(-4, -4, -1, -1));
}

TEST(Scaler, RectangleConversionDoesNotOverflowAtPrinterResolution) {
    // A 1200 dpi printer at 400 percent: 30000 units x 480000 is beyond 32 bits.
    DpiCanvas c(1200);
    const PageScaler s(400);
    const TRect r = s.LogRectToDev(c.canvas, TRect(0, 0, 30000, 29700));
    EXPECT_EQ(r, TRect(0, 0, 566930, 561260));
}

TEST(Scaler, PrepareCanvasReducesTheExtents) {
    QImage image(100, 100, QImage::Format_RGB32);
    TCanvas canvas(&image);
    canvas.SetPixelsPerInch(96);
    const PageScaler s;
    s.PrepareCanvas(canvas);
    EXPECT_EQ(canvas.MapMode(), MM_ANISOTROPIC);
    EXPECT_EQ(canvas.WindowExt(), TSize(127, 127));
    EXPECT_EQ(canvas.ViewportExt(), TSize(48, 48));
    EXPECT_EQ(canvas.ViewportOrg(), TPoint(0, 0));
    EXPECT_EQ(canvas.LPtoDP(TPoint(254, 254)), TPoint(96, 96));
}

TEST(Scaler, PrepareCanvasKeepsAnOffsetAlreadyApplied) {
    QImage image(100, 100, QImage::Format_RGB32);
    TCanvas canvas(&image);
    canvas.SetPixelsPerInch(96);
    canvas.SetWindowOrg(-10, -20); // logical (0, 0) at device (10, 20)
    canvas.SetViewportOrg(5, 5);
    PageScaler().PrepareCanvas(canvas);
    EXPECT_EQ(canvas.WindowOrg(), TPoint(0, 0));
    EXPECT_EQ(canvas.ViewportOrg(), TPoint(15, 25));
    EXPECT_EQ(canvas.LPtoDP(TPoint(0, 0)), TPoint(15, 25));
}

TEST(Scaler, PrepareCanvasKeepsTheFontPointSize) {
    TCanvas canvas;
    canvas.SetPixelsPerInch(96);
    canvas.Font().PixelsPerInch = 96;
    canvas.Font().SetSize(12);
    PageScaler().PrepareCanvas(canvas);
    EXPECT_EQ(canvas.Font().PixelsPerInch, 254);
    EXPECT_EQ(canvas.Font().Size(), 12);
    EXPECT_EQ(canvas.Font().Height, -42); // 12 pt at 254 units an inch
}

TEST(Scaler, ChangesFireOnChangeOnlyWhenValuesChange) {
    TScaler s;
    int fired = 0;
    s.OnChange = [&](TObject*) { ++fired; };
    s.SetScale(100);
    EXPECT_EQ(fired, 0);
    s.SetScale(150);
    s.SetUnitDPI(254);
    s.SetUnitDPI(254);
    EXPECT_EQ(fired, 2);

    TScaler same;
    same.SetScale(150);
    same.SetUnitDPI(254);
    s.Assign(&same);
    EXPECT_EQ(fired, 3) << "assigning equal values still tells once";
    same.SetScale(75);
    s.Assign(&same);
    EXPECT_EQ(fired, 4);
    EXPECT_EQ(s.Scale(), 75);
    EXPECT_EQ(s.UnitDPI(), 254);
}

TEST(Scaler, ZeroScaleGivesEmptyGeometryInsteadOfDividingByZero) {
    DpiCanvas c(96);
    PageScaler s;
    s.SetScale(0);
    EXPECT_EQ(s.LogToDev(c.canvas, TPoint(100, 100)), TPoint(0, 0));
    EXPECT_EQ(s.DevToLog(c.canvas, TPoint(100, 100)), TPoint(0, 0));
    EXPECT_EQ(s.LogRectToDev(c.canvas, TRect(0, 0, 100, 100)), TRect());
}

TEST(Scaler, ExtremeScalesClampInsteadOfOverflowing) {
    // A damaged page may carry any scale; a point near the limits times a printer resolution times
    // that scale is far beyond 64 bits, and the result is held at the edge of the 32-bit range.
    DpiCanvas c(1200);
    const PageScaler s(INT32_MAX);
    EXPECT_EQ(s.LogToDev(c.canvas, TPoint(INT32_MAX, INT32_MIN)), TPoint(INT32_MAX, INT32_MIN));
    EXPECT_EQ(s.LogRectToDev(c.canvas, TRect(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX)),
              TRect(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX));
    PageScaler tiny(1);
    tiny.SetUnitDPI(INT32_MAX);
    // Back from device the factor is INT32_MAX x 100 / 1200: INT32_MAX times that is beyond 32 bits
    // and clamps; -1 times it is -178956970.58, which rounds away from zero.
    EXPECT_EQ(tiny.DevToLog(c.canvas, TPoint(INT32_MAX, -1)), TPoint(INT32_MAX, -178956971));
}
