#include "imaging/UGREffector.h"

#include "core/UPhasedProgress.h"
#include "platform/Bitmap.h"

#include <QProgressBar>
#include <gtest/gtest.h>

#include <array>
#include <vector>

// Expected pixels below were worked out from the formulas by hand (small cases) or with a separate
// script following them step by step (the normalisation cases).

namespace {

using Px = std::array<int, 3>; // blue, green, red

std::unique_ptr<TBitmap> Make(const std::vector<std::vector<Px>>& rows, TPixelFormat format = pf24bit,
                              uint8_t fourth = 0) {
    const int h = int(rows.size());
    const int w = int(rows[0].size());
    auto b = std::make_unique<TBitmap>(w, h, format);
    const int bpp = format == pf32bit ? 4 : 3;
    for (int y = 0; y < h; ++y) {
        uint8_t* line = b->ScanLine(y);
        for (int x = 0; x < w; ++x) {
            for (int c = 0; c < 3; ++c)
                line[bpp * x + c] = uint8_t(rows[size_t(y)][size_t(x)][size_t(c)]);
            if (bpp == 4)
                line[bpp * x + 3] = uint8_t(fourth + x + 10 * y);
        }
    }
    b->Changed();
    return b;
}

std::unique_ptr<TBitmap> Grey(const std::vector<std::vector<int>>& rows, TPixelFormat format = pf24bit) {
    std::vector<std::vector<Px>> px;
    for (const auto& r : rows) {
        px.emplace_back();
        for (int v : r)
            px.back().push_back({v, v, v});
    }
    return Make(px, format);
}

Px At(const TBitmap& b, int x, int y) {
    const uint8_t* p = b.ScanLine(y) + x * (b.BitCount() / 8);
    return {p[0], p[1], p[2]};
}

std::vector<int> GreyRow(const TBitmap& b, int y) {
    std::vector<int> row;
    for (int x = 0; x < b.Width(); ++x) {
        const Px p = At(b, x, y);
        EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]) << "pixel " << x << " is not grey";
        row.push_back(p[0]);
    }
    return row;
}

template <class E>
void Apply(E& effector, TBitmap& source, TBitmap& dest, const TRect& rect,
           TPhasedProgressBase* progress = nullptr) {
    effector.SetSource(&source);
    effector.SetDest(&dest);
    effector.SetSourceRect(rect);
    effector.SetProgress(progress);
    effector.Execute();
}

TRect Whole(const TBitmap& b) {
    return Rect(0, 0, b.Width(), b.Height());
}

// Records the phases and steps an effector reports.
class RecordingProgress : public TPhasedProgressBase {
public:
    std::vector<int32_t> phaseMaxima;
    int steps = 0;
    int maxLevel = 0;
    void BeginPhase(int32_t min, int32_t max) override {
        phaseMaxima.push_back(max);
        TPhasedProgressBase::BeginPhase(min, max);
        maxLevel = std::max(maxLevel, Level());
    }

protected:
    void ShowPosition(int32_t) override { ++steps; }
    void ShowRange(int32_t, int32_t, int32_t) override {}
};

} // namespace

TEST(GREffector, BoxBlurGoldenRows) {
    auto src = Grey({{0, 0, 255, 0, 0}});
    TBitmap dest;
    TGREffectBlur blur;
    for (auto [count, expected] : std::vector<std::pair<int, std::vector<int>>>{{0, {0, 85, 85, 85, 0}},
                                                                                {1, {0, 85, 85, 85, 0}},
                                                                                {2, {28, 57, 85, 57, 28}},
                                                                                {3, {38, 57, 66, 57, 38}}}) {
        SCOPED_TRACE(count);
        blur.SetCount(count);
        Apply(blur, *src, dest, Whole(*src));
        EXPECT_EQ(dest.PixelFormat(), pf24bit);
        EXPECT_EQ(GreyRow(dest, 0), expected);
    }

    // A lone bright pixel in the middle of 3 x 3: every output sees it once: 255 / 9 = 28.3.
    auto square = Grey({{0, 0, 0}, {0, 255, 0}, {0, 0, 0}});
    blur.SetCount(1);
    Apply(blur, *square, dest, Whole(*square));
    for (int y = 0; y < 3; ++y)
        EXPECT_EQ(GreyRow(dest, y), (std::vector<int>{28, 28, 28}));

    // One pixel blurs to itself: nine times the pixel divided by nine.
    auto one = Make({{{10, 127, 254}}});
    Apply(blur, *one, dest, Whole(*one));
    EXPECT_EQ(At(dest, 0, 0), (Px{10, 127, 254}));
}

TEST(GREffector, BlurReadsOnlyItsRectangleAndCarriesTheFourthByte) {
    // Edge pixels of the rectangle stand in for their neighbours: the 200s outside never count.
    auto src = Grey({{200, 100, 250, 40, 200}, {200, 100, 250, 40, 200}}, pf32bit);
    TBitmap dest;
    TGREffectBlur blur;
    blur.SetCount(2);
    Apply(blur, *src, dest, Rect(1, 1, 4, 2));
    ASSERT_EQ(dest.Width(), 3);
    ASSERT_EQ(dest.Height(), 1);
    EXPECT_EQ(dest.PixelFormat(), pf32bit);
    // Pass 1: sums 450, 390, 330 (x3) -> 150, 130, 110; pass 2: 430, 390, 350 -> 143, 130, 117.
    EXPECT_EQ(GreyRow(dest, 0), (std::vector<int>{143, 130, 117}));
    for (int x = 0; x < 3; ++x)
        EXPECT_EQ(dest.ScanLine(0)[4 * x + 3], src->ScanLine(1)[4 * (x + 1) + 3]);

    // A rectangle reaching outside the source is clipped to it.
    Apply(blur, *src, dest, Rect(-5, -5, 50, 1));
    EXPECT_EQ(dest.Width(), 5);
    EXPECT_EQ(dest.Height(), 1);
}

TEST(GREffector, UnsharpMaskIsTwiceTheSourceLessTheBlur) {
    auto src = Grey({{100, 100, 200, 100, 100}}, pf32bit);
    TBitmap dest;
    TGREffectUnsharpMask sharpen;
    sharpen.SetAmount(1);
    Apply(sharpen, *src, dest, Whole(*src));
    // Blur: 100, 133, 133, 133, 100.
    EXPECT_EQ(GreyRow(dest, 0), (std::vector<int>{100, 67, 255, 67, 100}));
    EXPECT_EQ(dest.ScanLine(0)[4 * 2 + 3], src->ScanLine(0)[4 * 2 + 3]);

    // Amount 2 blurs twice (28, 57, 85, 57, 28, as above), so only the peak stays.
    auto flatEnds = Grey({{0, 0, 255, 0, 0}});
    sharpen.SetAmount(2);
    Apply(sharpen, *flatEnds, dest, Whole(*flatEnds));
    EXPECT_EQ(GreyRow(dest, 0), (std::vector<int>{0, 0, 255, 0, 0}));
    // 1.4 rounds to one pass, 2.5 to two (half to even), 3.5 to four.
    auto ramp = Grey({{0, 40, 80, 120, 160, 200, 240}});
    TBitmap once, twice;
    TGREffectBlur blur;
    blur.SetCount(1);
    Apply(blur, *ramp, once, Whole(*ramp));
    sharpen.SetAmount(1.4L);
    Apply(sharpen, *ramp, dest, Whole(*ramp));
    std::vector<int> expected;
    for (int x = 0; x < 7; ++x)
        expected.push_back(std::clamp(2 * 40 * x - GreyRow(once, 0)[size_t(x)], 0, 255));
    EXPECT_EQ(GreyRow(dest, 0), expected);
}

TEST(GREffector, BrightnessContrastTables) {
    auto t = TGREffectBrightnessContrast::BuildTable(100, 0);
    for (int v : t)
        ASSERT_EQ(v, 255);
    t = TGREffectBrightnessContrast::BuildTable(0, 100);
    EXPECT_EQ(t[127], 0);
    EXPECT_EQ(t[128], 255);
    EXPECT_EQ(t[0], 0);
    // Brightness is added before the threshold: 0.2 + 77/255 = 0.502 >= 0.5.
    t = TGREffectBrightnessContrast::BuildTable(20, 100);
    EXPECT_EQ(t[76], 0);
    EXPECT_EQ(t[77], 255);
    // Brightness 20: i + 51 (+0.5 truncated).
    t = TGREffectBrightnessContrast::BuildTable(20, 0);
    EXPECT_EQ(t[0], 51);
    EXPECT_EQ(t[100], 151);
    EXPECT_EQ(t[250], 255);
    // Contrast -50: i / 2 + 64.25.
    t = TGREffectBrightnessContrast::BuildTable(0, -50);
    EXPECT_EQ(t[0], 64);
    EXPECT_EQ(t[100], 114);
    EXPECT_EQ(t[255], 191);
    // Contrast 25: (4i - 510) / 3 + 128.
    t = TGREffectBrightnessContrast::BuildTable(0, 25);
    EXPECT_EQ(t[30], 0);
    EXPECT_EQ(t[100], 91);
    EXPECT_EQ(t[200], 224);
    // Out-of-range settings are clamped to -100..100.
    EXPECT_EQ(TGREffectBrightnessContrast::BuildTable(-500, 900),
              TGREffectBrightnessContrast::BuildTable(-100, 100));

    auto src = Make({{{0, 100, 250}, {30, 200, 100}}}, pf32bit, 7);
    TBitmap dest;
    TGREffectBrightnessContrast bc;
    bc.SetContrast(25);
    Apply(bc, *src, dest, Whole(*src));
    EXPECT_EQ(At(dest, 0, 0), (Px{0, 91, 255}));
    EXPECT_EQ(At(dest, 1, 0), (Px{0, 224, 91}));
    EXPECT_EQ(dest.ScanLine(0)[3], 7);
    EXPECT_EQ(dest.ScanLine(0)[7], 8);
}

TEST(GREffector, MonoToneFollowsTheHueOfTheReference) {
    // Pure red: hue 0, saturation 1; below half lightness red is 2L, green and blue 0.
    auto red = TGREffectMonoTone::BuildTable(RGB(255, 0, 0));
    EXPECT_EQ(red[100], RGB(200, 0, 0));
    EXPECT_EQ(red[50], RGB(100, 0, 0));
    EXPECT_EQ(red[0], RGB(0, 0, 0));
    // Pure blue: hue 240.
    EXPECT_EQ(TGREffectMonoTone::BuildTable(RGB(0, 0, 255))[100], RGB(0, 0, 200));
    // Orange (hue 30.12): green is 200 x 30.12 / 60 = 100.4.
    EXPECT_EQ(TGREffectMonoTone::BuildTable(RGB(255, 128, 0))[100], RGB(200, 100, 0));
    // Grey: no saturation, every channel the lightness.
    auto grey = TGREffectMonoTone::BuildTable(RGB(128, 128, 128));
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(grey[size_t(i)], RGB(i, i, i));

    // Luminance (77 R + 150 G + 29 B) div 256: (200, 100, 50) -> 124.
    auto src = Make({{{50, 100, 200}, {100, 100, 100}}});
    TBitmap dest;
    TGREffectMonoTone mono;
    mono.SetRefColor(RGB(128, 128, 128));
    Apply(mono, *src, dest, Whole(*src));
    EXPECT_EQ(At(dest, 0, 0), (Px{124, 124, 124}));
    mono.SetRefColor(RGB(255, 0, 0));
    Apply(mono, *src, dest, Whole(*src));
    EXPECT_EQ(At(dest, 1, 0), (Px{0, 0, 200}));
}

TEST(GREffector, HslConversionsRoundTrip) {
    long double h, s, l;
    RGBToHSL(0, 1, 0, h, s, l);
    EXPECT_DOUBLE_EQ(double(h), 120);
    EXPECT_DOUBLE_EQ(double(s), 1);
    EXPECT_DOUBLE_EQ(double(l), 0.5);
    RGBToHSL(1, 0, 0.5L, h, s, l); // magenta side of red: negative hue brought to 330
    EXPECT_DOUBLE_EQ(double(h), 330);
    long double r, g, b;
    HSLToRGB(330, 1, 0.5L, r, g, b);
    EXPECT_NEAR(double(r), 1, 1e-12);
    EXPECT_NEAR(double(g), 0, 1e-12);
    EXPECT_NEAR(double(b), 0.5, 1e-12);
}

TEST(GREffector, OtherPixelFormatsAreLeftAlone) {
    TBitmap src(4, 4, pf8bit);
    TBitmap dest(2, 3, pf24bit);
    const void* before = dest.Pixels().MemoryId();
    TGREffectBlur blur;
    Apply(blur, src, dest, Whole(src));
    TGREffectAutoNormalize norm;
    Apply(norm, src, dest, Whole(src));
    EXPECT_EQ(dest.Width(), 2);
    EXPECT_EQ(dest.Height(), 3);
    EXPECT_EQ(dest.Pixels().MemoryId(), before);
}

TEST(GREffector, SourceAndDestMayBeOneBitmap) {
    auto b = Grey({{0, 0, 255, 0, 0}});
    TGREffectUnsharpMask sharpen;
    sharpen.SetAmount(1);
    auto mid = Grey({{100, 100, 200, 100, 100}});
    Apply(sharpen, *mid, *mid, Whole(*mid));
    EXPECT_EQ(GreyRow(*mid, 0), (std::vector<int>{100, 67, 255, 67, 100}));
    TGREffectBlur blur;
    blur.SetCount(2);
    Apply(blur, *b, *b, Whole(*b));
    EXPECT_EQ(GreyRow(*b, 0), (std::vector<int>{28, 57, 85, 57, 28}));
}

TEST(GREffector, ProgressPhasesAndSteps) {
    TBitmap src(3, 130, pf24bit);
    TBitmap dest;
    RecordingProgress progress;
    TGREffectBlur blur;
    blur.SetCount(3);
    Apply(blur, src, dest, Whole(src), &progress);
    // Three passes of rows 0, 64, 128.
    EXPECT_EQ(progress.phaseMaxima, (std::vector<int32_t>{3 * (130 / 64 + 1)}));
    EXPECT_EQ(progress.steps, 9);
    EXPECT_EQ(progress.Level(), 0);

    RecordingProgress p2;
    TGREffectAutoNormalize norm;
    Apply(norm, src, dest, Whole(src), &p2);
    // Own phase, then the sharpening's, then its blur's nested inside.
    EXPECT_EQ(p2.phaseMaxima, (std::vector<int32_t>{2 * 3 + 1, 130 / 64 + 2, 130 / 64 + 1}));
    EXPECT_EQ(p2.maxLevel, 3);
    // Statistics 3, table 1, correction 3; sharpening: blur 3, one step, combining 3.
    EXPECT_EQ(p2.steps, 3 + 1 + 3 + 3 + 1 + 3);
    EXPECT_EQ(p2.Level(), 0);
}

TEST(GREffectAutoNormalize, LevelsAndToneCurve) {
    TGREffectAutoNormalize::TStatistics stats;
    stats.Histogram[500] = 10;
    stats.Histogram[1000] = 80;
    stats.Histogram[3000] = 10;
    const auto levels = TGREffectAutoNormalize::ComputeLevels(stats);
    EXPECT_EQ(levels.Low, 499);
    EXPECT_EQ(levels.Mid, 999);
    EXPECT_EQ(levels.High, 3000);

    TGREffectAutoNormalize::TCurve curve;
    TGREffectAutoNormalize::BuildToneCurve({100, 200, 300}, curve);
    EXPECT_EQ(curve[100], 0);
    EXPECT_EQ(curve[150], 1023); // 50 / 200 x 4095 = 1023.75
    EXPECT_EQ(curve[299], 4074);
    EXPECT_EQ(curve[300], 4095);
    // Middle below the centre: t = 1/3, g = 1 + sqrt(2/3) / 2, e = 1 / g; 0.5^e x 4095 = 2503.2.
    TGREffectAutoNormalize::BuildToneCurve({100, 150, 300}, curve);
    EXPECT_EQ(curve[200], 2503);
    // Middle above the centre: t = 1/3, g = 1 - (2/3)^2 / 2 = 7/9; 0.5^(9/7) x 4095 = 1679.6.
    TGREffectAutoNormalize::BuildToneCurve({100, 250, 300}, curve);
    EXPECT_EQ(curve[200], 1679);
    // low >= high: the identity.
    TGREffectAutoNormalize::BuildToneCurve({300, 300, 300}, curve);
    EXPECT_EQ(curve[1234], 1234);

    // Colour offsets only when the darkest Y is below 1024 and the brightest above 3072.
    TGREffectAutoNormalize::TCurve y, cb, cr;
    stats.LevelCount = 3;
    stats.MinY = 1500;
    stats.MaxY = 4000;
    stats.MinCb = stats.MaxCb = 100;
    TGREffectAutoNormalize::ComputeCorrectionTables(stats, y, cb, cr);
    EXPECT_EQ(cb[2000], 2000);
    stats.MinY = 1000;
    stats.MinCr = 3000;
    stats.MaxCr = 3001;
    TGREffectAutoNormalize::ComputeCorrectionTables(stats, y, cb, cr);
    EXPECT_EQ(cb[2000], 2000 + (1792 - 100) / 2);
    EXPECT_EQ(cr[2000], 2000 + (2304 - 3000) / 2);
    EXPECT_EQ(cb[4095], 4095);
    EXPECT_EQ(cr[0], 0);
}

TEST(GREffectAutoNormalize, GoldenSmallImages) {
    TGREffectAutoNormalize norm;
    TBitmap dest;
    // One pixel: one level, identity tables, an exact round trip through the 12-bit space.
    auto one = Make({{{50, 100, 200}}});
    Apply(norm, *one, dest, Whole(*one));
    EXPECT_EQ(At(dest, 0, 0), (Px{50, 100, 200}));

    // 6 x 4 with dark and bright extremes: levels (551, 2003, 4064), colour offsets -422, 181.
    std::vector<std::vector<Px>> rows;
    for (int yy = 0; yy < 4; ++yy) {
        rows.emplace_back();
        for (int x = 0; x < 6; ++x)
            rows.back().push_back(
                {(x * 40 + yy * 10) % 256, (x * 30 + yy * 50) % 256, (255 - x * 45 - yy * 20) & 255});
    }
    auto src = Make(rows, pf32bit, 3);
    Apply(norm, *src, dest, Whole(*src));
    const std::vector<std::vector<Px>> expected = {
        {{0, 0, 255}, {0, 7, 231}, {24, 41, 183}, {69, 74, 143}, {110, 104, 96}, {164, 146, 40}},
        {{0, 38, 255}, {0, 82, 210}, {46, 114, 162}, {88, 145, 120}, {128, 176, 47}, {183, 218, 0}},
        {{0, 94, 248}, {9, 136, 191}, {57, 165, 145}, {103, 227, 106}, {143, 255, 5}, {193, 255, 255}},
        {{0, 163, 224}, {28, 203, 165}, {73, 233, 120}, {121, 255, 82}, {84, 0, 0}, {210, 0, 255}}};
    for (int yy = 0; yy < 4; ++yy)
        for (int x = 0; x < 6; ++x) {
            EXPECT_EQ(At(dest, x, yy), expected[size_t(yy)][size_t(x)]) << x << "," << yy;
            EXPECT_EQ(dest.ScanLine(yy)[4 * x + 3], src->ScanLine(yy)[4 * x + 3]);
        }

    // 16 x 16: enough pixels that the top level comes down from 4063: levels (717, 2124, 3023),
    // offsets -143, 167.
    rows.clear();
    for (int yy = 0; yy < 16; ++yy) {
        rows.emplace_back();
        for (int x = 0; x < 16; ++x)
            rows.back().push_back(
                {(x * 13 + yy * 7) % 200 + 20, (x * x + yy * 11) % 230 + 10, (255 - x * 9 - yy * 5) & 255});
    }
    auto big = Make(rows);
    Apply(norm, *big, dest, Whole(*big));
    const std::vector<Px> row7 = {{61, 94, 249},   {78, 94, 237},   {91, 97, 227},   {106, 104, 221},
                                  {121, 113, 213}, {139, 127, 209}, {155, 141, 202}, {173, 161, 201},
                                  {193, 181, 197}, {215, 206, 197}, {237, 237, 195}, {255, 255, 214},
                                  {5, 255, 214},   {0, 0, 51},      {0, 7, 74},      {33, 68, 79}};
    const std::vector<Px> row15 = {{161, 227, 248}, {177, 228, 238}, {189, 230, 226}, {205, 238, 222},
                                   {221, 246, 212}, {237, 255, 209}, {255, 255, 204}, {255, 255, 201},
                                   {31, 255, 206},  {0, 0, 36},      {0, 0, 65},      {26, 35, 65},
                                   {49, 68, 64},    {72, 103, 67},   {95, 141, 68},   {131, 200, 76}};
    for (int x = 0; x < 16; ++x) {
        EXPECT_EQ(At(dest, x, 7), row7[size_t(x)]) << x;
        EXPECT_EQ(At(dest, x, 15), row15[size_t(x)]) << x;
    }
}

TEST(GREffectAutoNormalize, FlatColourKeepsItsTone) {
    // The dither spreads a flat colour over four 12-bit levels; it still counts as one level, so
    // the tone curve is not stretched and only the dither's +-1 and its sharpening remain.
    std::vector<std::vector<Px>> rows(40, std::vector<Px>(40, Px{60, 128, 190}));
    auto src = Make(rows);
    TBitmap dest;
    TGREffectAutoNormalize norm;
    Apply(norm, *src, dest, Whole(*src));
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            const Px p = At(dest, x, y);
            for (int c = 0; c < 3; ++c)
                ASSERT_NEAR(p[size_t(c)], rows[0][0][size_t(c)], 3) << x << "," << y;
        }
}

TEST(GREffector, BlurCountFromADocumentIsBounded) {
    // A stored count near the integer limit would otherwise run for ever (and overflow the phase).
    auto src = Grey({{0, 90, 255}, {30, 60, 200}});
    TBitmap capped, reference;
    RecordingProgress progress;
    TGREffectBlur blur;
    blur.SetCount(INT32_MAX);
    Apply(blur, *src, capped, Whole(*src), &progress);
    EXPECT_EQ(progress.phaseMaxima, (std::vector<int32_t>{TGREffectBlur::kMaxPasses * (2 / 64 + 1)}));
    blur.SetCount(TGREffectBlur::kMaxPasses);
    Apply(blur, *src, reference, Whole(*src));
    EXPECT_EQ(GreyRow(capped, 0), GreyRow(reference, 0));
    EXPECT_EQ(GreyRow(capped, 1), GreyRow(reference, 1));
}
