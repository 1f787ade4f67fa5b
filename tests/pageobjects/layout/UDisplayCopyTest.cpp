#include "pageobjects/layout/UDisplayCopy.h"

#include "imaging/UJPEGImage.h"
#include "pageobjects/engine/UScaler.h"
#include "platform/Bitmap.h"
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

namespace {

// A reference: each destination pixel is the plain mean of its source box.
QImage BoxMeans(const QImage& source, int w, int h) {
    QImage out(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int x0 = x * source.width() / w, x1 = (x + 1) * source.width() / w;
            const int y0 = y * source.height() / h, y1 = (y + 1) * source.height() / h;
            int r = 0, g = 0, b = 0;
            for (int sy = y0; sy < y1; ++sy)
                for (int sx = x0; sx < x1; ++sx) {
                    const QRgb p = source.pixel(sx, sy);
                    r += qRed(p), g += qGreen(p), b += qBlue(p);
                }
            const int n = (x1 - x0) * (y1 - y0);
            out.setPixel(x, y, qRgb(r / n, g / n, b / n));
        }
    return out;
}

QImage CopyPixels(const TBitmap& copy) {
    return AlphaImage(copy).convertToFormat(QImage::Format_RGB32);
}

} // namespace

TEST(DisplayCopy, EachPixelIsItsBoxsMeanAtAnyRatioFromBitmapsAndJpegs) {
    QImage picture(301, 203, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb((x * 7 + y * 3) & 255, (x * y) & 255, 255 - ((x ^ y) & 255)));
    for (const int bits : {24, 32}) {
        TBitmap bitmap(picture.width(), picture.height(), bits == 24 ? pf24bit : pf32bit);
        bitmap.Canvas().DrawImage(TRect(0, 0, picture.width(), picture.height()), picture);
        bitmap.Canvas().FreeHandle();
        // Boxes of one width and of two, one pixel each, and a whole row in one box.
        for (const auto& [w, h] : {std::pair{100, 29}, {97, 40}, {301, 203}, {1, 203}, {301, 1}}) {
            const std::unique_ptr<TBitmap> copy = MakeDisplayCopy(bitmap, w, h, clNone);
            ASSERT_TRUE(copy);
            EXPECT_EQ(CopyPixels(*copy), BoxMeans(picture, w, h)) << bits << " bits to " << w << " x " << h;
        }
    }
    // A JPEG shrinks from its decoded pixels, as a bitmap of them does.
    TBitmap source(picture.width(), picture.height(), pf24bit);
    source.Canvas().DrawImage(TRect(0, 0, picture.width(), picture.height()), picture);
    source.Canvas().FreeHandle();
    TJPEGGraphic jpeg;
    jpeg.Assign(source);
    jpeg.SetData(jpeg.Data());
    TBitmap decoded;
    decoded.Assign(jpeg.Bitmap());
    const QImage decodedPixels = CopyPixels(*MakeDisplayCopy(decoded, 301, 203, clNone));
    EXPECT_EQ(CopyPixels(*MakeDisplayCopy(jpeg, 123, 45, clNone)), BoxMeans(decodedPixels, 123, 45));
}
