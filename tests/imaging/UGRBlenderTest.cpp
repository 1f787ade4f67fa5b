#include "imaging/UGRBlender.h"

#include "imaging/PixelKernel.h"
#include "platform/Bitmap.h"
#include "tests/imaging/KernelTestImage.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>

namespace {

std::unique_ptr<TBitmap> Filled(int width, int height, TPixelFormat format, uint8_t value) {
    auto bitmap = std::make_unique<TBitmap>(width, height, format);
    const int bytes = format == pf8bit ? 1 : format == pf24bit ? 3 : 4;
    for (int y = 0; y < height; ++y)
        std::fill_n(bitmap->ScanLine(y), width * bytes, value);
    return bitmap;
}

struct Scene {
    std::unique_ptr<TBitmap> dest, source, alpha;
    TGRBlendAlphaMapRatio blender;

    Scene(TPixelFormat format, uint8_t page, uint8_t ink, uint8_t weight, int size = 4)
        : dest(Filled(size, size, format, page)), source(Filled(size, size, format, ink)),
          alpha(Filled(size, size, pf8bit, weight)) {
        blender.Dest = dest.get();
        blender.Source = source.get();
        blender.AlphaMap = alpha.get();
        blender.DestRect = blender.SourceRect = blender.AlphaRect = TRect(0, 0, size, size);
    }
    uint8_t At(int x, int y, int c = 0) {
        return dest->ScanLine(y)[x * (dest->PixelFormat() == pf32bit ? 4 : 3) + c];
    }
};

} // namespace

TEST(BlendDeltaTableTest, HoldsTheTruncatedScaledDifference) {
    EXPECT_EQ(BlendDeltaTable[128][255 + 255], 128);
    EXPECT_EQ(BlendDeltaTable[128][0], 0x80);        // -128
    EXPECT_EQ(BlendDeltaTable[100][-7 + 255], 0xFE); // -700 / 255 = -2.7, truncated to -2
    EXPECT_EQ(BlendDeltaTable[100][7 + 255], 2);
    for (int d = -255; d <= 255; ++d) {
        EXPECT_EQ(BlendDeltaTable[0][d + 255], 0);
        EXPECT_EQ(BlendDeltaTable[255][d + 255], uint8_t(d));
    }
}

TEST(BlendTest, FastBlendMatchesTheTableForEveryWeightAndDifference) {
    // Row a: weight a; column x: difference x - 255, over two page values per difference.
    KernelTestImage dest(511, 256, 3), source(511, 256, 3), alpha(511, 256, 1);
    for (int a = 0; a < 256; ++a)
        for (int x = 0; x < 511; ++x) {
            const int d = x - 255;
            alpha.At(x, a) = uint8_t(a);
            const int pages[3] = {d < 0 ? 255 : 0, d < 0 ? -d : 255 - d, (255 - d) / 2};
            for (int c = 0; c < 3; ++c) {
                dest.At(x, a, c) = uint8_t(pages[c]);
                source.At(x, a, c) = uint8_t(pages[c] + d);
            }
        }
    uint8_t weights[256];
    BlendWeights(100, weights);
    KernelTestImage reference(dest);
    EXPECT_TRUE(BlendAlphaPixels(dest.view, source.view, alpha.view, weights));
    Reference::BlendAlphaPixels(reference.view, source.view, alpha.view, weights);
    EXPECT_EQ(dest.Pixels(), reference.Pixels());
    for (int a = 0; a < 256; ++a)
        for (int x = 0; x < 511; ++x)
            for (int c = 0; c < 3; ++c) {
                const int d = x - 255;
                const int page = source.At(x, a, c) - d;
                ASSERT_EQ(dest.At(x, a, c), page + d * a / 255) << a << " " << d;
            }
}

TEST(BlendTest, FastEqualsReferenceOnAwkwardSizesAndRatios) {
    unsigned seed = 40;
    for (int c : {3, 4})
        for (int w : {1, 2, 7, 33, 301}) // the last over more than one run of pixels a row
            for (int h : {1, 3, 16})
                for (int ratio : {0, 1, 37, 99, 100}) {
                    KernelTestImage dest(w, h, c), source(w, h, c), alpha(w, h, 1);
                    dest.Noise(seed), source.Noise(seed + 1), alpha.Noise(seed + 2, seed % 2 == 0);
                    seed += 3;
                    uint8_t weights[256];
                    BlendWeights(ratio, weights);
                    KernelTestImage reference(dest);
                    BlendAlphaPixels(dest.view, source.view, alpha.view, weights);
                    Reference::BlendAlphaPixels(reference.view, source.view, alpha.view, weights);
                    ASSERT_EQ(dest.Pixels(), reference.Pixels()) << c << " " << w << "x" << h << " " << ratio;
                    EXPECT_TRUE(dest.PaddingIntact());
                }
}

TEST(BlendTest, WeightsScaleByTheRatioRoundedAndClamped) {
    uint8_t weights[256];
    BlendWeights(50, weights);
    EXPECT_EQ(weights[1], 1); // 0.5 rounds up
    EXPECT_EQ(weights[3], 2); // 1.5
    EXPECT_EQ(weights[255], 128);
    BlendWeights(150, weights);
    EXPECT_EQ(weights[200], 200);
    BlendWeights(-5, weights);
    EXPECT_EQ(weights[255], 0);
}

TEST(BlendTest, AlphaAndRatioWeighTheSourceOverThePage) {
    Scene full(pf24bit, 10, 250, 255);
    EXPECT_TRUE(full.blender.Blend());
    EXPECT_EQ(full.At(2, 2), 250);
    Scene none(pf24bit, 10, 250, 0);
    EXPECT_TRUE(none.blender.Blend());
    EXPECT_EQ(none.At(2, 2), 10);
    Scene half(pf24bit, 0, 255, 128);
    EXPECT_TRUE(half.blender.Blend());
    EXPECT_EQ(half.At(1, 3, 2), 128);
    Scene down(pf24bit, 255, 0, 128);
    EXPECT_TRUE(down.blender.Blend());
    EXPECT_EQ(down.At(0, 0, 1), 127); // the difference is truncated toward the page
    Scene over(pf24bit, 10, 250, 255);
    over.blender.Ratio = 150;
    EXPECT_TRUE(over.blender.Blend());
    EXPECT_EQ(over.At(3, 3), 250);
    Scene under(pf24bit, 10, 250, 255);
    under.blender.Ratio = -5;
    EXPECT_TRUE(under.blender.Blend());
    EXPECT_EQ(under.At(3, 3), 10);
}

TEST(BlendTest, ThirtyTwoBitPagesKeepTheirFourthByte) {
    Scene scene(pf32bit, 33, 200, 255);
    EXPECT_TRUE(scene.blender.Blend());
    EXPECT_EQ(scene.At(1, 1, 0), 200);
    EXPECT_EQ(scene.At(1, 1, 2), 200);
    EXPECT_EQ(scene.At(1, 1, 3), 33);
}

TEST(BlendTest, ADestRectHalfOutsideBlendsTheVisibleHalfFromMatchingParts) {
    Scene scene(pf24bit, 0, 0, 255, 4);
    // Source column x holds 10 * (x + 1); alpha 255 only in its left half.
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            std::fill_n(scene.source->ScanLine(y) + x * 3, 3, uint8_t(10 * (x + 1)));
            scene.alpha->ScanLine(y)[x] = x < 2 ? 255 : 0;
        }
    scene.blender.DestRect = TRect(-2, 1, 2, 5);
    EXPECT_TRUE(scene.blender.Blend());
    // Dest columns 0 and 1 take source columns 2 and 3 with alpha columns 2 and 3 (zero).
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(scene.At(x, 2), 0);
    scene.blender.DestRect = TRect(2, -1, 6, 3);
    EXPECT_TRUE(scene.blender.Blend());
    EXPECT_EQ(scene.At(2, 0), 10);
    EXPECT_EQ(scene.At(3, 2), 20);
    EXPECT_EQ(scene.At(1, 0), 0);
    EXPECT_EQ(scene.At(2, 3), 0);
}

TEST(BlendTest, ASourceRectPastTheSourceKeepsAlphaAligned) {
    Scene scene(pf24bit, 0, 0, 0, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            std::fill_n(scene.source->ScanLine(y) + x * 3, 3, uint8_t(100 + x));
            scene.alpha->ScanLine(y)[x] = x == 2 ? 255 : 0;
        }
    // The source area starts one column left of the source: dest column 0 has no source pixel.
    scene.blender.SourceRect = TRect(-1, 0, 3, 4);
    EXPECT_TRUE(scene.blender.Blend());
    EXPECT_EQ(scene.At(0, 1), 0);
    EXPECT_EQ(scene.At(1, 1), 0);
    EXPECT_EQ(scene.At(2, 1), 101); // alpha column 2 over source column 1
    EXPECT_EQ(scene.At(3, 1), 0);
}

TEST(BlendTest, RefusalsLeaveThePageUnchanged) {
    Scene sized(pf24bit, 10, 250, 255);
    sized.blender.SourceRect = TRect(0, 0, 3, 4);
    EXPECT_FALSE(sized.blender.Blend());
    EXPECT_EQ(sized.At(0, 0), 10);
    Scene outside(pf24bit, 10, 250, 255);
    outside.blender.AlphaRect = TRect(1, 0, 5, 4);
    outside.blender.DestRect = outside.blender.SourceRect = TRect(0, 0, 4, 4);
    EXPECT_FALSE(outside.blender.Blend());
    EXPECT_EQ(outside.At(0, 0), 10);
    Scene mixed(pf24bit, 10, 250, 255);
    mixed.source->SetPixelFormat(pf32bit);
    EXPECT_FALSE(mixed.blender.CanBlend());
    EXPECT_FALSE(mixed.blender.Blend());
    EXPECT_EQ(mixed.At(0, 0), 10);
    Scene grey(pf24bit, 10, 250, 255);
    grey.alpha->SetPixelFormat(pf24bit);
    EXPECT_FALSE(grey.blender.CanBlend());
    Scene missed(pf24bit, 10, 250, 255);
    missed.blender.DestRect = TRect(4, 0, 8, 4);
    EXPECT_FALSE(missed.blender.Blend());
    EXPECT_EQ(missed.At(3, 0), 10);
}

TEST(BlendTest, RectanglesAtTheEndsOfTheIntegerRangeAreRefused) {
    // Widths and edge moves of such rectangles do not fit in an int.
    const int lo = std::numeric_limits<int>::min(), hi = std::numeric_limits<int>::max();
    Scene wideDest(pf24bit, 10, 250, 255);
    wideDest.blender.DestRect = TRect(lo, lo, hi, hi);
    EXPECT_FALSE(wideDest.blender.Blend());
    EXPECT_EQ(wideDest.At(0, 0), 10);
    Scene wideSource(pf24bit, 10, 250, 255);
    wideSource.blender.SourceRect = TRect(lo, lo, hi, hi);
    wideSource.blender.DestRect = TRect(lo, lo, hi, hi);
    EXPECT_FALSE(wideSource.blender.Blend());
    EXPECT_EQ(wideSource.At(0, 0), 10);
    Scene farSource(pf24bit, 10, 250, 255);
    farSource.blender.SourceRect = TRect(lo, lo, lo + 4, lo + 4);
    EXPECT_FALSE(farSource.blender.Blend());
    EXPECT_EQ(farSource.At(0, 0), 10);
}

TEST(BlendTest, ViewsOfOtherPixelSizesOrSmallerThanTheDestAreLeftAlone) {
    uint8_t weights[256];
    BlendWeights(100, weights);
    struct Case {
        int destBytes, sourceBytes, sourceWidth, alphaWidth;
    };
    for (const Case& c :
         {Case{1, 1, 6, 6}, Case{2, 3, 6, 6}, Case{3, 1, 6, 6}, Case{3, 3, 5, 6}, Case{4, 4, 6, 5}}) {
        KernelTestImage dest(6, 3, c.destBytes), source(c.sourceWidth, 3, c.sourceBytes),
            alpha(c.alphaWidth, 3, 1);
        dest.Noise(1);
        source.Noise(2);
        alpha.Noise(3);
        const std::vector<uint8_t> before = dest.Pixels();
        EXPECT_FALSE(BlendAlphaPixels(dest.view, source.view, alpha.view, weights));
        EXPECT_EQ(dest.Pixels(), before) << c.destBytes << " " << c.sourceBytes;
        EXPECT_TRUE(dest.PaddingIntact());
    }
}
