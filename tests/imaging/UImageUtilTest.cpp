#include "imaging/UImageUtil.h"

#include "imaging/UImageUtilReference.h"
#include "platform/Bitmap.h"
#include "platform/Exception.h"
#include "tests/imaging/KernelTestImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

std::vector<uint8_t> Resampled(const KernelTestImage& source, int width, int height, TResampleKind kind,
                               bool reference) {
    KernelTestImage dest(width, height, source.view.BytesPerPixel);
    dest.Noise(99);
    if (reference)
        Reference::ResamplePixels(dest.view, source.view, kind);
    else
        ResamplePixels(dest.view, source.view, kind);
    EXPECT_TRUE(dest.PaddingIntact());
    return dest.Pixels();
}

KernelTestImage Row(const std::vector<uint8_t>& values) {
    KernelTestImage image(int(values.size()), 1, 1);
    for (size_t i = 0; i < values.size(); ++i)
        image.At(int(i), 0) = values[i];
    return image;
}

KernelTestImage Column(const std::vector<uint8_t>& values) {
    KernelTestImage image(1, int(values.size()), 1);
    for (size_t i = 0; i < values.size(); ++i)
        image.At(0, int(i)) = values[i];
    return image;
}

using Bytes = std::vector<uint8_t>;

// Both versions, so that a golden value pins the reference and the fast path alike.
void ExpectResampled(const KernelTestImage& source, int width, int height, TResampleKind kind,
                     const Bytes& expected) {
    EXPECT_EQ(Resampled(source, width, height, kind, true), expected);
    EXPECT_EQ(Resampled(source, width, height, kind, false), expected);
}

} // namespace

TEST(ResampleTest, ShrinkingThreePixelsToTwoWeighsBoxesByOverlap) {
    // Box weights 1 and 1/2, then 1/2 and 1, normalised by inv = 43690 and truncated.
    ExpectResampled(Row({10, 20, 30}), 2, 1, rkLinear, {13, 26});
    ExpectResampled(Row({10, 20, 30}), 2, 1, rkCubic, {13, 26});
    // Down the rows the 16-bit weights and the rounding of the store give 27 for the second.
    ExpectResampled(Column({10, 20, 30}), 1, 2, rkLinear, {13, 27});
}

TEST(ResampleTest, EqualSizesCopyWithEveryKind) {
    for (int c : {1, 3, 4}) {
        KernelTestImage source(7, 5, c);
        source.Noise(unsigned(c));
        for (TResampleKind kind : {rkNearest, rkLinear, rkCubic}) {
            EXPECT_EQ(Resampled(source, 7, 5, kind, true), source.Pixels());
            EXPECT_EQ(Resampled(source, 7, 5, kind, false), source.Pixels());
        }
    }
}

TEST(ResampleTest, EnlargingInterpolatesFromHalfAPixelBefore) {
    // Linear: the first outputs sample before pixel 0 and take its value exactly.
    ExpectResampled(Row({0, 0, 255, 255}), 8, 1, rkLinear, {0, 0, 0, 0, 128, 255, 255, 255});
    ExpectResampled(Row({40, 200}), 4, 1, rkLinear, {40, 40, 120, 200});
    ExpectResampled(Row({40, 200}), 5, 1, rkLinear, {40, 40, 88, 152, 200});
    ExpectResampled(Column({0, 255}), 1, 5, rkLinear, {0, 0, 76, 178, 255});
    ExpectResampled(Column({0, 255}), 1, 5, rkCubic, {0, 0, 65, 189, 255});
}

TEST(ResampleTest, CubicOvershootAtAHardEdgeIsClampedWhenStored) {
    // Working values -15 and 271 beside the edge; the bytes stored are 0 and 255.
    ExpectResampled(Row({0, 0, 255, 255}), 8, 1, rkCubic, {0, 0, 0, 0, 128, 255, 255, 255});
    ExpectResampled(Column({0, 0, 255, 255}), 1, 8, rkCubic, {0, 0, 0, 0, 128, 255, 255, 255});
}

TEST(ResampleTest, OnePixelWideSourceEnlargesToConstantRows) {
    KernelTestImage source(1, 3, 3);
    source.Noise(5);
    const Bytes out = Resampled(source, 9, 3, rkCubic, false);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 9; ++x)
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(out[size_t(y) * 27 + x * 3 + c], source.At(0, y, c));
}

TEST(ResampleTest, NearestPicksTheCentredSourcePixel) {
    // xs = (x * SW + SW div 2) div DW.
    ExpectResampled(Row({1, 2, 3, 4, 5}), 3, 1, rkNearest, {1, 3, 5});
    ExpectResampled(Row({1, 2}), 5, 1, rkNearest, {1, 1, 2, 2, 2});
    ExpectResampled(Column({7, 8, 9}), 1, 2, rkNearest, {7, 9});
}

TEST(ResampleTest, FastEqualsReferenceOnAwkwardSizes) {
    const int sides[] = {1, 2, 3, 5, 8, 13, 31};
    unsigned seed = 1;
    for (int c : {1, 3, 4})
        for (int sw : sides)
            for (int sh : sides) {
                KernelTestImage source(sw, sh, c);
                source.Noise(seed, seed % 3 == 0);
                for (int dw : {1, 4, 7, 29, 64})
                    for (int dh : {1, 6, 17, 40}) {
                        const TResampleKind kind = TResampleKind(seed++ % 3);
                        ASSERT_EQ(Resampled(source, dw, dh, kind, false),
                                  Resampled(source, dw, dh, kind, true))
                            << c << " " << sw << "x" << sh << " -> " << dw << "x" << dh << " kind "
                            << int(kind);
                    }
            }
}

TEST(ResampleTest, SpansOfHundredsOfWhitePixelsShrinkToWhite) {
    // Whole pixels are summed in 16 bits: a span longer than 257 of them must not wrap.
    for (int c : {1, 3, 4}) {
        KernelTestImage source(1201, 2, c);
        source.Fill(255);
        EXPECT_EQ(Resampled(source, 2, 1, rkLinear, false), Resampled(source, 2, 1, rkLinear, true)) << c;
        source.Noise(c, false);
        EXPECT_EQ(Resampled(source, 3, 1, rkLinear, false), Resampled(source, 3, 1, rkLinear, true)) << c;
    }
}

TEST(ResampleTest, FastEqualsReferenceOnOneThreadAndMany) {
    KernelTestImage source(203, 157, 3);
    source.Noise(11, true);
    for (TResampleKind kind : {rkNearest, rkLinear, rkCubic})
        for (auto size : {std::pair{61, 47}, std::pair{500, 389}, std::pair{203, 401}, std::pair{640, 33}}) {
            const Bytes expected = Resampled(source, size.first, size.second, kind, true);
            SetKernelThreadCount(1);
            EXPECT_EQ(Resampled(source, size.first, size.second, kind, false), expected);
            SetKernelThreadCount(7);
            EXPECT_EQ(Resampled(source, size.first, size.second, kind, false), expected);
            SetKernelThreadCount(0);
        }
}

TEST(ResampleTest, LargeResultsSplitAcrossThreadsEqualTheReference) {
    // Large enough that the work is split into bands on several threads.
    KernelTestImage source(1500, 1100, 3);
    source.Noise(12, true);
    SetKernelThreadCount(6);
    for (TResampleKind kind : {rkLinear, rkCubic}) {
        EXPECT_EQ(Resampled(source, 610, 470, kind, false), Resampled(source, 610, 470, kind, true));
        EXPECT_EQ(Resampled(source, 1700, 1300, kind, false), Resampled(source, 1700, 1300, kind, true));
    }
    SetKernelThreadCount(0);
}

TEST(ResampleTest, TallSpansOfCubicOvershootAreSummedWithoutOverflow) {
    // 32767 rows into one, the rows enlarged with cubic overshoot (-15, -14, 30, 127, 224, 270):
    // 270 x 256 x 32766 passes 2^31, so 32-bit sums would wrap; both versions sum in 64 bits.
    KernelTestImage source(2, 32767, 1);
    for (int y = 0; y < 32767; ++y)
        source.At(0, y) = 0, source.At(1, y) = 255;
    EXPECT_EQ(Resampled(source, 6, 1, rkCubic, false), Resampled(source, 6, 1, rkCubic, true));
    EXPECT_EQ(Resampled(source, 6, 1, rkCubic, false), (Bytes{0, 0, 30, 127, 224, 255}));
}

TEST(ResampleBitmapTest, TakesTheSourceFormatAndKeepsItsSize) {
    TBitmap source(4, 2, pf32bit), dest(9, 3, pf24bit);
    for (int y = 0; y < 2; ++y)
        std::fill_n(source.ScanLine(y), 16, uint8_t(90));
    ResampleBitmap(&dest, &source, rkLinear);
    EXPECT_EQ(dest.PixelFormat(), pf32bit);
    EXPECT_EQ(dest.Width(), 9);
    EXPECT_EQ(dest.Height(), 3);
    for (int y = 0; y < 3; ++y)
        for (int i = 0; i < 36; ++i)
            EXPECT_EQ(dest.ScanLine(y)[i], 90);
    // Box shrinking truncates: a constant 90 over 4 -> 3 columns sums 341/256 of a pixel
    // times inv = 49152, which is 89.9, stored as 89.
    TBitmap narrow(3, 2, pf32bit);
    ResampleBitmap(&narrow, &source, rkCubic);
    EXPECT_EQ(narrow.ScanLine(1)[0], 89);
}

TEST(ResampleBitmapTest, UnusableArgumentsLeaveDestUnchanged) {
    TBitmap dest(3, 3, pf24bit);
    dest.ScanLine(1)[4] = 77;
    TBitmap mono(8, 8, pf1bit), four(8, 8, pf4bit), empty;
    ResampleBitmap(&dest, &mono, rkCubic);
    ResampleBitmap(&dest, &four, rkNearest);
    ResampleBitmap(&dest, &empty, rkLinear);
    ResampleBitmap(&dest, nullptr, rkLinear);
    ResampleBitmap(nullptr, &mono, rkLinear);
    EXPECT_EQ(dest.PixelFormat(), pf24bit);
    EXPECT_EQ(dest.ScanLine(1)[4], 77);
}

TEST(ResampleBitmapTest, SidesBeyondFixedPointRangeAreRefused) {
    TBitmap source(32768, 1, pf8bit), dest(10, 1, pf8bit);
    EXPECT_THROW(ResampleBitmap(&dest, &source, rkLinear), EInvalidGraphic);
    TBitmap small(10, 1, pf8bit), wide(32768, 1, pf8bit);
    EXPECT_THROW(ResampleBitmap(&wide, &small, rkNearest), EInvalidGraphic);
    TBitmap limit(32767, 1, pf8bit);
    EXPECT_NO_THROW(ResampleBitmap(&dest, &limit, rkCubic));
    KernelTestImage wideRow(32768, 1, 1), shortRow(4, 1, 1);
    EXPECT_THROW(ResamplePixels(shortRow.view, wideRow.view, rkLinear), EInvalidGraphic);
    EXPECT_THROW(ResampleRows(shortRow.view, 0, 40000, shortRow.view, rkNearest), EInvalidGraphic);
}

TEST(IntersectRectCheckedTest, EmptyOperandsOrIntersectionFail) {
    TRect r;
    EXPECT_TRUE(IntersectRectChecked(r, TRect(0, 0, 10, 10), TRect(5, -5, 20, 6)));
    EXPECT_EQ(r, TRect(5, 0, 10, 6));
    EXPECT_FALSE(IntersectRectChecked(r, TRect(0, 0, 10, 10), TRect(10, 0, 20, 10)));
    EXPECT_FALSE(IntersectRectChecked(r, TRect(5, 5, 5, 10), TRect(0, 0, 10, 10)));
    EXPECT_FALSE(IntersectRectChecked(r, TRect(0, 0, 10, 10), TRect(8, 8, 2, 20)));
}

// ---------------------------------------------------------------------------------------------

namespace {

std::vector<uint8_t> Blurred(const KernelTestImage& source, const TRect& rect, long double rx, long double ry,
                             bool reference) {
    KernelTestImage image(source);
    TRect r;
    if (reference) {
        if ((rx >= 1 || ry >= 1) &&
            IntersectRectChecked(r, rect, TRect(0, 0, image.view.Width, image.view.Height)))
            Reference::GaussianBlurPixels(image.view, r, rx, ry);
    } else {
        GaussianBlurPixels(image.view, rect, rx, ry);
    }
    EXPECT_TRUE(image.PaddingIntact());
    return image.Pixels();
}

} // namespace

TEST(GaussianBlurTest, CoefficientsFollowDerichesConstants) {
    // Worked out from the published constants at 40 digits, then rounded to 16.16.
    const DericheCoefficients<int32_t> r10(10.0L);
    EXPECT_EQ((std::vector<int32_t>(r10.n, r10.n + 5)), (std::vector<int32_t>{7913, -9227, 4876, -870, 0}));
    EXPECT_EQ((std::vector<int32_t>(r10.d, r10.d + 5)),
              (std::vector<int32_t>{0, -139048, 118664, -48200, 7850}));
    EXPECT_EQ((std::vector<int32_t>(r10.m, r10.m + 5)), (std::vector<int32_t>{0, 7561, -9451, 4950, -948}));
    EXPECT_EQ((std::vector<int32_t>(r10.bn, r10.bn + 5)),
              (std::vector<int32_t>{0, -77932, 66508, -27015, 4400}));
    EXPECT_EQ((std::vector<int32_t>(r10.bm, r10.bm + 5)),
              (std::vector<int32_t>{0, -61144, 52181, -21195, 3452}));
    const DericheCoefficients<int32_t> r2(-2.0L); // the sign of the radius does not matter
    EXPECT_EQ((std::vector<int32_t>(r2.n, r2.n + 5)), (std::vector<int32_t>{29013, 14706, 2049, 48, 0}));
    EXPECT_EQ((std::vector<int32_t>(r2.d, r2.d + 5)), (std::vector<int32_t>{0, -2199, 223, -80, 27}));
    EXPECT_NEAR(double(BlurSigma(10)), 3.3042529345523, 1e-12);
    const DericheCoefficients<float> f10(10.0L);
    EXPECT_NEAR(f10.d[1], -139048 / 65536.0, 1e-4);
}

TEST(GaussianBlurTest, RadiiBelowOneChangeNothing) {
    KernelTestImage image(9, 7, 3);
    image.Noise(3);
    EXPECT_EQ(Blurred(image, TRect(0, 0, 9, 7), 0.99L, 0.5L, false), image.Pixels());
    EXPECT_EQ(Blurred(image, TRect(0, 0, 9, 7), -4.0L, -1.0L, false), image.Pixels());
}

TEST(GaussianBlurTest, ARadiusBelowOneSkipsItsDirection) {
    for (long double rx : {0.5L, -5.0L}) {
        KernelTestImage image(9, 9, 1);
        image.At(4, 4) = 255;
        const std::vector<uint8_t> out = Blurred(image, TRect(0, 0, 9, 9), rx, 3.0L, false);
        int spread = 0;
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 9; ++x) {
                if (x != 4)
                    EXPECT_EQ(out[size_t(y) * 9 + x], 0) << x << "," << y;
                else
                    spread += out[size_t(y) * 9 + x] > 0;
            }
        EXPECT_GT(spread, 3);
    }
}

TEST(GaussianBlurTest, UniformAreasStayUniformUpToRounding) {
    for (int c : {1, 3, 4})
        for (long double radius : {1.0L, 4.5L, 20.0L, 50.0L, 75.0L}) {
            KernelTestImage image(23, 17, c);
            image.Fill(180);
            // Near radius 50 the feedback sum 1 + d1 + .. + d4 is tiny, so the rounding of each
            // 16.16 feedback product is amplified: the level may drift by 2.
            const int tolerance = radius == 50.0L ? 2 : 1;
            for (uint8_t v : Blurred(image, TRect(0, 0, 23, 17), radius, radius, false))
                EXPECT_NEAR(v, 180, tolerance) << c << " " << double(radius);
        }
}

TEST(GaussianBlurTest, FixedPointUpToFiftyFloatAbove) {
    KernelTestImage image(120, 90, 3);
    image.Noise(8);
    const auto fixed50 = Blurred(image, TRect(0, 0, 120, 90), 50.0L, 50.0L, false);
    const auto float50 = Blurred(image, TRect(0, 0, 120, 90), 50.01L, 50.01L, false);
    EXPECT_EQ(fixed50, Blurred(image, TRect(0, 0, 120, 90), 50.0L, 50.0L, true));
    EXPECT_EQ(float50, Blurred(image, TRect(0, 0, 120, 90), 50.01L, 50.01L, true));
    EXPECT_NE(fixed50, float50);
    int64_t total = 0;
    for (size_t i = 0; i < fixed50.size(); ++i) {
        ASSERT_NEAR(fixed50[i], float50[i], 4) << i;
        total += std::abs(int(fixed50[i]) - int(float50[i]));
    }
    EXPECT_LT(double(total) / double(fixed50.size()), 1.5);
}

TEST(GaussianBlurTest, OnlyTheRectangleInsideTheBitmapIsBlurredFromItsOwnPixels) {
    KernelTestImage a(30, 20, 3), b(30, 20, 3);
    a.Noise(1);
    b.Noise(2);
    // Same pixels inside (5, 4) .. (30, 20); different outside.
    for (int y = 4; y < 20; ++y)
        for (int x = 5; x < 30; ++x)
            for (int c = 0; c < 3; ++c)
                b.At(x, y, c) = a.At(x, y, c);
    const TRect rect(5, 4, 45, 33); // reaches past the right and bottom
    const auto outA = Blurred(a, rect, 6.0L, 6.0L, false);
    const auto outB = Blurred(b, rect, 6.0L, 6.0L, false);
    const auto before = a.Pixels();
    for (int y = 0; y < 20; ++y)
        for (int i = 0; i < 90; ++i) {
            const size_t at = size_t(y) * 90 + i;
            if (y >= 4 && i >= 15)
                EXPECT_EQ(outA[at], outB[at]);
            else
                EXPECT_EQ(outA[at], before[at]);
        }
    EXPECT_NE(outA, before);
    EXPECT_EQ(Blurred(a, TRect(30, 0, 40, 20), 6.0L, 6.0L, false), before); // no overlap
}

TEST(GaussianBlurTest, FastEqualsReferenceOnAwkwardSizes) {
    unsigned seed = 20;
    for (int c : {1, 3, 4})
        for (int w : {1, 2, 3, 4, 5, 6, 17, 70})
            for (int h : {1, 2, 4, 5, 9, 33}) {
                KernelTestImage image(w, h, c);
                image.Noise(seed, seed % 2 == 0);
                for (auto radii : {std::pair{1.0L, 1.0L}, std::pair{2.5L, 0.0L}, std::pair{0.0L, 7.0L},
                                   std::pair{10.0L, 3.0L}, std::pair{50.0L, 50.0L}, std::pair{64.0L, 2.0L}}) {
                    ++seed;
                    const TRect rect(w / 3, h / 4, w, h + 2);
                    ASSERT_EQ(Blurred(image, rect, radii.first, radii.second, false),
                              Blurred(image, rect, radii.first, radii.second, true))
                        << c << " " << w << "x" << h << " r " << double(radii.first) << ","
                        << double(radii.second);
                }
            }
}

TEST(GaussianBlurTest, FastEqualsReferenceOnOneThreadAndMany) {
    KernelTestImage image(301, 211, 3);
    image.Noise(4, true);
    for (long double radius : {2.0L, 10.0L, 60.0L}) {
        const auto expected = Blurred(image, TRect(3, 2, 300, 210), radius, radius, true);
        SetKernelThreadCount(1);
        EXPECT_EQ(Blurred(image, TRect(3, 2, 300, 210), radius, radius, false), expected);
        SetKernelThreadCount(5);
        EXPECT_EQ(Blurred(image, TRect(3, 2, 300, 210), radius, radius, false), expected);
        SetKernelThreadCount(0);
    }
}

TEST(GaussianBlurTest, EveryVectorWidthEqualsTheReference) {
    const int widest = SetBlurVectorLanes(0);
    EXPECT_TRUE(widest == 4 || widest == 8 || widest == 16) << widest;
    unsigned seed = 70;
    for (int lanes : {4, 8, 16}) {
        if (SetBlurVectorLanes(lanes) != lanes)
            continue; // not on this processor
        for (int c : {1, 3, 4})
            for (auto size : {std::pair{1, 1}, std::pair{3, 7}, std::pair{37, 19}, std::pair{70, 33}}) {
                KernelTestImage image(size.first, size.second, c);
                ++seed;
                image.Noise(seed, seed % 2 == 0);
                const TRect rect(1, 0, size.first, size.second);
                for (auto radii : {std::pair{1.0L, 1.0L}, std::pair{2.5L, 0.0L}, std::pair{0.0L, 7.0L},
                                   std::pair{10.0L, 3.0L}, std::pair{50.0L, 50.0L}})
                    ASSERT_EQ(Blurred(image, rect, radii.first, radii.second, false),
                              Blurred(image, rect, radii.first, radii.second, true))
                        << lanes << " lanes, " << c << " " << size.first << "x" << size.second << " r "
                        << double(radii.first) << "," << double(radii.second);
            }
    }
    EXPECT_EQ(SetBlurVectorLanes(0), widest);
}

TEST(GaussianBlurTest, WideImagesSplitColumnsAcrossThreads) {
    // Wide enough that the column strips are shared out to several threads.
    KernelTestImage image(2400, 300, 3);
    image.Noise(6, true);
    SetKernelThreadCount(4);
    for (long double radius : {3.0L, 55.0L})
        EXPECT_EQ(Blurred(image, TRect(0, 0, 2400, 300), radius, radius, false),
                  Blurred(image, TRect(0, 0, 2400, 300), radius, radius, true));
    SetKernelThreadCount(0);
}

TEST(GaussianBlurRectTest, BitmapsOfOtherFormatsAreLeftAlone) {
    TBitmap mono(16, 16, pf1bit);
    mono.ScanLine(3)[0] = 0x81;
    GaussianBlurRect(&mono, TRect(0, 0, 16, 16), 5, 5);
    EXPECT_EQ(mono.ScanLine(3)[0], 0x81);
    GaussianBlurRect(nullptr, TRect(0, 0, 16, 16), 5, 5);

    TBitmap grey(16, 16, pf8bit), fixed(16, 16, pf8bit);
    for (int y = 0; y < 16; ++y) // new bitmaps are white
        std::fill_n(grey.ScanLine(y), 16, 0), std::fill_n(fixed.ScanLine(y), 16, 0);
    grey.ScanLine(8)[8] = 255;
    fixed.ScanLine(8)[8] = 255;
    GaussianBlurRect(&grey, TRect(0, 0, 16, 16), 3, 3);
    GaussianBlurRectFixed(&fixed, TRect(0, 0, 16, 16), 3, 3);
    EXPECT_LT(grey.ScanLine(8)[8], 255);
    EXPECT_GT(grey.ScanLine(8)[9], 0);
    EXPECT_TRUE(grey.Pixels() == fixed.Pixels());
}

TEST(GaussianBlurRectTest, FixedPointNeverRunsRadiiItsWeightsCannotHold) {
    // At radius 200 the rounded feedback weights put a pole outside the unit circle.
    TBitmap a(40, 40, pf24bit), b(40, 40, pf24bit);
    for (int y = 0; y < 40; ++y)
        for (int i = 0; i < 120; ++i)
            a.ScanLine(y)[i] = b.ScanLine(y)[i] = uint8_t((i * 7 + y * 13) & 0xFF);
    GaussianBlurRectFixed(&a, TRect(0, 0, 40, 40), 200, 200);
    GaussianBlurRect(&b, TRect(0, 0, 40, 40), 200, 200);
    EXPECT_TRUE(a.Pixels() == b.Pixels());
}

TEST(ResampleTest, RowBandsPieceTogetherTheWholeResult) {
    KernelTestImage source(37, 23, 3);
    source.Noise(31, true);
    for (TResampleKind kind : {rkNearest, rkLinear, rkCubic})
        for (auto size : {std::pair{90, 71}, std::pair{20, 9}, std::pair{37, 23}}) {
            const Bytes whole = Resampled(source, size.first, size.second, kind, true);
            for (int band : {1, 4, 13}) {
                Bytes pieced;
                for (int first = 0; first < size.second; first += band) {
                    KernelTestImage rows(size.first, std::min(band, size.second - first), 3);
                    ResampleRows(rows.view, first, size.second, source.view, kind);
                    const Bytes part = rows.Pixels();
                    pieced.insert(pieced.end(), part.begin(), part.end());
                }
                EXPECT_EQ(pieced, whole)
                    << int(kind) << " " << size.first << "x" << size.second << " band " << band;
            }
        }
    // A band reaching past the destination's last row is refused.
    KernelTestImage rows(90, 5, 3);
    rows.Fill(7);
    ResampleRows(rows.view, 70, 71, source.view, rkLinear);
    EXPECT_EQ(rows.At(0, 0), 7);
}

TEST(GaussianBlurTest, UniformLongLinesStayUniformAtLargeRadii) {
    // Long lines are where rounding in the recursive filter builds up; a radius far beyond what
    // the filter holds (a damaged stored shade size) blurs as the largest one it does.
    for (int value : {1, 100, 254})
        for (long double radius : {200.0L, 2000.0L, 1.0e6L})
            for (bool reference : {false, true}) {
                KernelTestImage image(3000, 3, 1);
                for (int y = 0; y < 3; ++y)
                    std::fill_n(image.view.Row(y), 3000, uint8_t(value));
                if (reference)
                    Reference::GaussianBlurPixels(image.view, TRect(0, 0, 3000, 3), radius, radius);
                else
                    GaussianBlurPixels(image.view, TRect(0, 0, 3000, 3), radius, radius);
                EXPECT_EQ(image.Pixels(), Bytes(3000 * 3, uint8_t(value)))
                    << value << " " << double(radius) << " " << reference;
            }
}

TEST(ResampleTest, ViewsOfDifferingOrUnhandledPixelSizesAreLeftAlone) {
    for (int sourceBytes : {1, 2, 3, 4})
        for (int destBytes : {1, 2, 3, 4}) {
            if (sourceBytes == destBytes && sourceBytes != 2)
                continue;
            KernelTestImage source(5, 4, sourceBytes), dest(7, 6, destBytes);
            source.Noise(3);
            dest.Noise(4);
            const Bytes before = dest.Pixels();
            for (TResampleKind kind : {rkNearest, rkLinear, rkCubic}) {
                ResamplePixels(dest.view, source.view, kind);
                EXPECT_EQ(dest.Pixels(), before) << sourceBytes << " " << destBytes << " " << int(kind);
                EXPECT_TRUE(dest.PaddingIntact());
            }
        }
}

TEST(GaussianBlurTest, ViewsOfUnhandledPixelSizesAreLeftAlone) {
    for (int bytes : {2, 5}) {
        KernelTestImage image(9, 7, bytes);
        image.Noise(6);
        const Bytes before = image.Pixels();
        for (long double radius : {3.0L, 60.0L}) {
            GaussianBlurPixels(image.view, TRect(0, 0, 9, 7), radius, radius);
            EXPECT_EQ(image.Pixels(), before) << bytes;
            EXPECT_TRUE(image.PaddingIntact());
        }
    }
}
