#include "imaging/URotateBitmap.h"

#include "imaging/USafetyBitmap.h"
#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Exception.h"
#include "tests/imaging/KernelTestImage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

// Every pixel tells where it came from: blue = x, green = y, red = 77.
void Coordinates(TBitmap& bitmap) {
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) {
            uint8_t* p = bitmap.ScanLine(y) + x * 3;
            p[0] = uint8_t(x), p[1] = uint8_t(y), p[2] = 77;
        }
}

TColor PixelAt(TBitmap& bitmap, int x, int y) {
    const uint8_t* p = bitmap.ScanLine(y) + x * 3;
    return RGB(p[2], p[1], p[0]);
}

} // namespace

TEST(RotatePointTest, TurnsClockwiseOnThePageAndRoundsHalvesAway) {
    EXPECT_EQ(RotatePoint(TPoint(10, 0), TPoint(0, 0), 90), TPoint(0, 10));
    EXPECT_EQ(RotatePoint(TPoint(10, 0), TPoint(0, 0), -90), TPoint(0, -10));
    EXPECT_EQ(RotatePoint(TPoint(13, 5), TPoint(3, 5), 180), TPoint(-7, 5));
    EXPECT_EQ(RotatePoint(TPoint(1, 0), TPoint(0, 0), 45), TPoint(1, 1)); // 0.707 each
    EXPECT_EQ(RotatePoint(TPoint(-1, 0), TPoint(0, 0), 45), TPoint(-1, -1));
    EXPECT_EQ(RotatePoint(TPoint(3, 0), TPoint(0, 0), 30), TPoint(3, 2));    // 2.598, 1.5 rounds up
    EXPECT_EQ(RotatePoint(TPoint(-3, 0), TPoint(0, 0), 30), TPoint(-3, -2)); // -1.5 rounds down
}

TEST(RotateBitmapTest, AngleZeroAtTheSourceSizeCopiesExactly) {
    for (TPixelFormat format : {pf8bit, pf24bit, pf32bit}) {
        TBitmap source(13, 7, format), dest(2, 2, pf24bit);
        std::mt19937 random{unsigned(format)};
        const int bytes = format == pf8bit ? 1 : format == pf24bit ? 3 : 4;
        for (int y = 0; y < 7; ++y)
            for (int i = 0; i < 13 * bytes; ++i)
                source.ScanLine(y)[i] = uint8_t(random());
        RotateBitmap(&source, &dest, 0, clRed, TPoint(13, 7));
        EXPECT_EQ(dest.PixelFormat(), format);
        ASSERT_EQ(dest.Width(), 13);
        ASSERT_EQ(dest.Height(), 7);
        for (int y = 0; y < 7; ++y)
            for (int i = 0; i < 13 * bytes; ++i)
                ASSERT_EQ(dest.ScanLine(y)[i], source.ScanLine(y)[i]) << i << "," << y;
    }
}

TEST(RotateBitmapTest, QuarterTurnGivesTheBoundingBoxAndMovesEveryPixel) {
    TBitmap source(100, 50), dest;
    Coordinates(source);
    RotateBitmap(&source, &dest, 90, clWhite, TPoint(100, 50));
    ASSERT_EQ(dest.Width(), 50);
    ASSERT_EQ(dest.Height(), 100);
    // Clockwise with y downward: source (x, y) lands on (49 - y, x).
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(PixelAt(dest, 49 - y, x), PixelAt(source, x, y)) << x << "," << y;
}

TEST(RotateBitmapTest, ScalingToSizeTakesNearestPixels) {
    TBitmap source(4, 2), dest;
    Coordinates(source);
    RotateBitmap(&source, &dest, 0, clWhite, TPoint(8, 6));
    ASSERT_EQ(dest.Width(), 8);
    ASSERT_EQ(dest.Height(), 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(PixelAt(dest, x, y), RGB(77, y / 3, x / 2)) << x << "," << y;
}

TEST(RotateBitmapTest, FortyFiveDegreesLeavesCornersInTheBackColour) {
    TBitmap source(40, 40), dest;
    for (int y = 0; y < 40; ++y)
        std::fill_n(source.ScanLine(y), 120, uint8_t(9));
    RotateBitmap(&source, &dest, 45, RGB(10, 20, 30), TPoint(40, 40));
    ASSERT_EQ(dest.Width(), 56); // 2 x round(28.28)
    ASSERT_EQ(dest.Height(), 57);
    EXPECT_EQ(PixelAt(dest, 0, 0), RGB(10, 20, 30));
    EXPECT_EQ(PixelAt(dest, 55, 0), RGB(10, 20, 30));
    EXPECT_EQ(PixelAt(dest, 0, 56), RGB(10, 20, 30));
    EXPECT_EQ(PixelAt(dest, 55, 56), RGB(10, 20, 30));
    EXPECT_EQ(PixelAt(dest, 28, 28), RGB(9, 9, 9));
    EXPECT_EQ(PixelAt(dest, 28, 2), RGB(9, 9, 9));
}

TEST(RotateBitmapTest, SourcesOfOtherFormatsAreNotMapped) {
    for (TPixelFormat format : {pf1bit, pf4bit}) {
        TBitmap source(8, 8, format), dest(3, 3, pf24bit);
        dest.ScanLine(1)[1] = 42;
        RotateBitmap(&source, &dest, 30, clBlack, TPoint(8, 8));
        EXPECT_EQ(dest.Width(), 3);
        EXPECT_EQ(dest.PixelFormat(), pf24bit);
        EXPECT_EQ(dest.ScanLine(1)[1], 42);
    }
}

TEST(MapBitmapToQuadTest, DegenerateQuadsDrawNoPixels) {
    TBitmap source(10, 10), dest;
    for (int y = 0; y < 10; ++y)
        std::fill_n(source.ScanLine(y), 30, uint8_t(0));
    TRect bounds;
    const TPoint line[4] = {TPoint(5, 3), TPoint(25, 13), TPoint(45, 23), TPoint(15, 8)};
    MapBitmapToQuad(&dest, bounds, line, &source, TRect(0, 0, 10, 10), clWhite);
    EXPECT_EQ(bounds, TRect(5, 3, 45, 23));
    ASSERT_EQ(dest.Width(), 40);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(PixelAt(dest, x, y), clWhite);
    const TPoint flat[4] = {TPoint(0, 4), TPoint(9, 4), TPoint(3, 4), TPoint(1, 4)};
    MapBitmapToQuad(&dest, bounds, flat, &source, TRect(0, 0, 10, 10), clWhite);
    EXPECT_EQ(dest.Height(), 0);
}

TEST(MapBitmapToQuadTest, SourceRectsPastTheSourceFetchOnlyInsideIt) {
    TBitmap source(5, 4), dest;
    Coordinates(source);
    TRect bounds;
    const TPoint p[4] = {TPoint(0, 0), TPoint(30, 0), TPoint(30, 24), TPoint(0, 24)};
    MapBitmapToQuad(&dest, bounds, p, &source, TRect(-20, -20, 25, 24), clBlack);
    // Positions left of and above the source repeat its edge pixels.
    EXPECT_EQ(PixelAt(dest, 0, 0), RGB(77, 0, 0));
    EXPECT_EQ(PixelAt(dest, 29, 23), RGB(77, 3, 4));
    const TPoint mirrored[4] = {TPoint(30, 0), TPoint(0, 0), TPoint(0, 24), TPoint(30, 24)};
    MapBitmapToQuad(&dest, bounds, mirrored, &source, TRect(0, 0, 5, 4), clBlack);
    EXPECT_EQ(PixelAt(dest, 29, 0), RGB(77, 0, 0));
    EXPECT_EQ(PixelAt(dest, 0, 23), RGB(77, 3, 4));
}

TEST(MapBitmapToQuadTest, TooLargeSidesAreRefused) {
    TBitmap huge(32768, 1), dest;
    TRect bounds;
    const TPoint p[4] = {TPoint(0, 0), TPoint(10, 0), TPoint(10, 10), TPoint(0, 10)};
    EXPECT_THROW(MapBitmapToQuad(&dest, bounds, p, &huge, TRect(0, 0, 10, 1), clWhite), EInvalidGraphic);
    TBitmap small(4, 4);
    const TPoint far[4] = {TPoint(-2000000000, 0), TPoint(2000000000, 0), TPoint(10, 10), TPoint(0, 10)};
    EXPECT_THROW(MapBitmapToQuad(&dest, bounds, far, &small, TRect(0, 0, 4, 4), clWhite), EInvalidGraphic);
}

TEST(MapBitmapToQuadTest, TurningIntoItselfWorksFromACopy) {
    TBitmap bitmap(6, 3);
    Coordinates(bitmap);
    RotateBitmap(&bitmap, &bitmap, 180, clWhite, TPoint(6, 3));
    ASSERT_EQ(bitmap.Width(), 6);
    EXPECT_EQ(PixelAt(bitmap, 0, 0), RGB(77, 2, 5));
    EXPECT_EQ(PixelAt(bitmap, 5, 2), RGB(77, 0, 0));
}

TEST(MapSpansTest, FastEqualsReferenceOnRandomQuads) {
    std::mt19937 random(7);
    for (int round = 0; round < 150; ++round) {
        const int c = round % 3 == 0 ? 1 : round % 3 == 1 ? 3 : 4;
        const int sw = 1 + int(random() % 40), sh = 1 + int(random() % 30);
        KernelTestImage source(sw, sh, c);
        source.Noise(unsigned(round));
        const int angle = int(random() % 360);
        const int w = 1 + int(random() % 60), h = 1 + int(random() % 60);
        std::vector<TScanVertex> quad(4);
        const TPoint size(w, h);
        const TPoint corners[4] = {TPoint(0, 0), TPoint(w, 0), TPoint(w, h), TPoint(0, h)};
        const TPoint uv[4] = {TPoint(0, 0), TPoint(sw, 0), TPoint(sw, sh), TPoint(0, sh)};
        int left = 0, top = 0, right = 0, bottom = 0;
        TPoint turned[4];
        for (int k = 0; k < 4; ++k) {
            turned[k] = RotatePoint(corners[k], TPoint(0, 0), angle);
            left = std::min(left, turned[k].X), top = std::min(top, turned[k].Y);
            right = std::max(right, turned[k].X), bottom = std::max(bottom, turned[k].Y);
        }
        for (int k = 0; k < 4; ++k)
            quad[size_t(k)] = TScanVertex{(long double)(turned[k].X - left), (long double)(turned[k].Y - top),
                                          (long double)uv[k].X, (long double)uv[k].Y};
        if (right - left < 1 || bottom - top < 1)
            continue;
        KernelTestImage fast(right - left, bottom - top, c), reference(right - left, bottom - top, c);
        const auto spans = ScanConvexPolygon(quad, right - left, bottom - top, sw);
        SetKernelThreadCount(round % 2 ? 1 : 4);
        MapSpans(fast.view, source.view, spans);
        SetKernelThreadCount(0);
        Reference::MapSpans(reference.view, source.view, spans);
        ASSERT_EQ(fast.Pixels(), reference.Pixels()) << round;
        EXPECT_TRUE(fast.PaddingIntact());
        for (const TScanSpan& s : spans) {
            EXPECT_GE(s.X0, 0);
            EXPECT_LT(s.X1, right - left);
            EXPECT_GE(s.U, 0);
        }
    }
}

TEST(ScanConvexPolygonTest, FewerThanThreeVerticesOrEmptyWindowsGiveNoSpans) {
    std::vector<TScanVertex> two = {{0, 0, 0, 0}, {10, 10, 1, 1}};
    EXPECT_TRUE(ScanConvexPolygon(two, 20, 20, 5).empty());
    std::vector<TScanVertex> three = {{0, 0, 0, 0}, {10, 0, 1, 0}, {0, 10, 0, 1}};
    EXPECT_TRUE(ScanConvexPolygon(three, 0, 20, 5).empty());
    const auto spans = ScanConvexPolygon(three, 20, 20, 5);
    ASSERT_EQ(spans.size(), 10u); // rows 0..9 of the triangle
    EXPECT_EQ(spans[0].X0, 0);
    EXPECT_EQ(spans[0].X1, 9); // at y = 0.5 the hypotenuse is at x = 9.5
    EXPECT_EQ(spans[9].X1, 0);
}

TEST(RotateSafetyBitmapTest, TransparentPicturesStayTransparentOutsideTheTurnedRectangle) {
    TSafetyBitmap source(40, 40, pf24bit), dest;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            uint8_t* p = source.ScanLine(y) + x * 3;
            const bool key = x < 10 && y < 10; // a transparent corner of key colour
            p[0] = key ? 0xF0 : 200, p[1] = key ? 0xF0 : 0, p[2] = key ? 0xF0 : 0;
        }
    source.Changed();
    source.SetTransparentColor(0xF0F0F0);
    source.SetTransparent(true);
    RotateSafetyBitmap(&source, &dest, 45, TPoint(40, 40));
    ASSERT_EQ(dest.Width(), 56);
    EXPECT_TRUE(dest.Transparent());
    TBitmap page(56, 57, pf24bit);
    page.Canvas().Brush().Color = clLime;
    page.Canvas().FillRect(TRect(0, 0, 56, 57));
    dest.Draw(page.Canvas(), TRect(0, 0, 56, 57));
    EXPECT_EQ(page.GetPixel(2, 2), clLime);   // outside the turned rectangle
    EXPECT_EQ(page.GetPixel(53, 54), clLime); // likewise
    EXPECT_EQ(page.GetPixel(28, 40), RGB(0, 0, 200));
    EXPECT_EQ(page.GetPixel(28, 3), clLime); // the turned key-coloured corner

    TSafetyBitmap opaque(10, 10, pf24bit), turned;
    RotateSafetyBitmap(&opaque, &turned, 30, TPoint(10, 10));
    EXPECT_FALSE(turned.Transparent());
    EXPECT_EQ(turned.GetPixel(0, 0), clWhite);
}

TEST(ScanConvexPolygonTest, PositionsBeyondAnyBitmapGiveNoSpans) {
    std::vector<TScanVertex> far = {{0, -3.0e12L, 0, 0}, {10, 0, 1, 0}, {0, 10, 0, 1}};
    EXPECT_TRUE(ScanConvexPolygon(far, 20, 20, 5).empty());
    std::vector<TScanVertex> nan = {{0, 0, 0, 0}, {std::nanl(""), 0, 1, 0}, {0, 10, 0, 1}};
    EXPECT_TRUE(ScanConvexPolygon(nan, 20, 20, 5).empty());
}
