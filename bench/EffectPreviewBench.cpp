// The image effect editor's preview on an 800 x 533 photo carrying ソフト強 and セピア, measured as
// the worker makes it and the UI thread takes it into the preview panel's bitmap: a brightness step
// (only the light table runs again), a focus change and a tint change (the stages from there on),
// and the twelve shipped style thumbnails made from the browser's 200-pixel JPEG work picture.

#include "app/UEffectPreview.h"
#include "app/dialogs/FEffectStyleBrowser.h"
#include "app/dialogs/UThumbGrid.h"
#include "core/UGeometryUtil.h"
#include "imaging/UGraphicsUtil.h"
#include "imaging/UImageData.h"
#include "imaging/UJPEGImage.h"
#include "imaging/USafetyBitmap.h"
#include "platform/IniFile.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kPhotoWidth = 800;
constexpr int kPhotoHeight = 533;
constexpr TColor kSepia = 0x6680A0;

// A photo-like picture: smooth gradients with some texture.
void FillPhoto(TImageData& data) {
    TSafetyBitmap bitmap(kPhotoWidth, kPhotoHeight, pf24bit);
    for (int y = 0; y < kPhotoHeight; ++y) {
        uint8_t* line = bitmap.ScanLine(y);
        for (int x = 0; x < kPhotoWidth; ++x) {
            line[x * 3] = uint8_t(x * 255 / kPhotoWidth);
            line[x * 3 + 1] = uint8_t(y * 255 / kPhotoHeight);
            line[x * 3 + 2] = uint8_t((x * 31 + y * 17) % 97 + 100);
        }
    }
    data.Picture()->SetGraphic(&bitmap);
}

TEffectStyle SoftSepia(int brightness, int focus, TColor tint) {
    TEffectStyle style;
    style.Brightness = brightness;
    style.Focus = focus;
    style.Color = tint;
    return style;
}

// What the UI thread does with a preview: the panel's bitmap from the image.
void TakeIntoPanel(const QImage& image) {
    TSafetyBitmap bitmap;
    bitmap.SetPixels(PixelBuffer::FromImage(image, 24));
    benchmark::DoNotOptimize(bitmap.Width());
}

// Alternates between two settings after a first build of both.
void RunAlternating(benchmark::State& state, const TEffectStyle& a, const TEffectStyle& b) {
    TImageData data;
    FillPhoto(data);
    const auto source = TakeEffectSource(data, kDefaultPreviewLimit);
    TEffectPreviewBuilder builder;
    builder.Build({source, a});
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        TakeIntoPanel(EffectPreviewImage(builder.Build({source, flip ? b : a}), clNone));
    }
}

void BM_BrightnessStep(benchmark::State& state) {
    RunAlternating(state, SoftSepia(5, 10, kSepia), SoftSepia(6, 10, kSepia));
}

void BM_FocusChange(benchmark::State& state) {
    RunAlternating(state, SoftSepia(5, 10, kSepia), SoftSepia(5, 5, kSepia));
}

void BM_TintChange(benchmark::State& state) {
    RunAlternating(state, SoftSepia(5, 10, kSepia), SoftSepia(5, 10, 0xFFFFFF));
}

void BM_TwelveStyleThumbnails(benchmark::State& state) {
    const std::vector<TEffectStyle> styles =
        ReadEffectStyles(IniFile(QStringLiteral(QUORLANE_EFFECT_STYLES)));
    if (styles.size() != 12) {
        state.SkipWithError("the shipped styles were not read");
        return;
    }
    TImageData data;
    FillPhoto(data);
    const TRect fitted = FitRectInner(
        Rect(0, 0, kPhotoWidth, kPhotoHeight),
        Rect(0, 0, TfrmEffectStyleBrowser::kWorkPictureSize, TfrmEffectStyleBrowser::kWorkPictureSize));
    TPictureEx work;
    MakeJPEGThumbnail(data.Picture(), &work.ForceType<TJPEGGraphic>(), fitted.Width(), fitted.Height(),
                      clNone, clWhite, true);
    data.SetPicture(&work);
    const auto source = TakeEffectSource(data, 0);
    for (auto _ : state) {
        for (const TEffectStyle& style : styles) {
            TImageData thumb;
            source->LoadInto(thumb);
            ApplyEffectStyle(style, thumb);
            TPictureEx cell;
            RenderThumbnail(*thumb.GetFilteredPicture(), cell, 100, clNone);
            benchmark::DoNotOptimize(cell.Width());
        }
    }
}

} // namespace

BENCHMARK(BM_BrightnessStep)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(BM_FocusChange)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(BM_TintChange)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(BM_TwelveStyleThumbnails)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
