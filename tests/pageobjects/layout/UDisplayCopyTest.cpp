#include "pageobjects/layout/UDisplayCopy.h"

#include "pageobjects/engine/UScaler.h"
#include "platform/Canvas.h"

#include <QImage>
#include <gtest/gtest.h>
#include <set>

TEST(DisplayCopy, AnObjectsDeviceSizeIsTheSameWhereverTheCanvasIsMoved) {
    // At 400 % a 450-unit side is 680.3 pixels: rounding each end on its own gave 680 or 681 by
    // position, and the copies cached per size were made again from tile to tile.
    QImage image(64, 64, QImage::Format_RGB32);
    TCanvas canvas(&image);
    canvas.SetPixelsPerInch(96);
    TScaler scaler;
    scaler.SetUnitDPI(254);
    scaler.SetScale(400);
    std::set<std::pair<int, int>> sizes;
    for (int shift = 0; shift < 512; shift += 37) {
        canvas.SaveDC();
        canvas.OffsetWindowOrg(shift, shift * 3);
        scaler.PrepareCanvas(canvas);
        for (int at = 0; at < 20; ++at) {
            canvas.SaveDC();
            canvas.OffsetWindowOrg(-at, -2 * at);
            const TSize size = DeviceSizeOf(canvas, Bounds(100 + at, 50 + 3 * at, 450, 300));
            sizes.emplace(size.cx, size.cy);
            canvas.RestoreDC(-1);
        }
        canvas.RestoreDC(-1);
    }
    ASSERT_EQ(sizes.size(), 1u);
    EXPECT_NEAR(sizes.begin()->first, 680, 1);
    EXPECT_NEAR(sizes.begin()->second, 454, 1);
    canvas.FreeHandle();
}
