// The pixel kernels on a photo-sized picture: 6000 x 4000, 24 bits. Each benchmark runs at one
// thread (/1) and at one thread per processor (/0). bench/compare runs the same operations with
// libvips on the same picture and prints the ratios.
//
// QUORLANE_BENCH_IMAGE names a binary PPM (P6) to use instead of the generated picture;
// QUORLANE_BENCH_JPEG a JPEG file for the thumbnail benchmark.

#include "imaging/PixelKernel.h"
#include "imaging/UGRBlender.h"
#include "imaging/UGraphicsUtil.h"
#include "imaging/UImageUtil.h"
#include "imaging/UJPEGImage.h"
#include "imaging/URectGrad.h"
#include "imaging/URotateBitmap.h"
#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Picture.h"

#include <QImage>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

namespace {

constexpr int kWidth = 6000, kHeight = 4000;

bool ReadPpm(const char* path, TBitmap& bitmap) {
    FILE* file = std::fopen(path, "rb");
    if (!file)
        return false;
    int width = 0, height = 0, maxValue = 0;
    const bool ok = std::fscanf(file, "P6 %d %d %d", &width, &height, &maxValue) == 3 && maxValue == 255 &&
                    width > 0 && height > 0 && width <= 32767 && height <= 32767 && std::fgetc(file) != EOF;
    if (ok) {
        bitmap.SetPixelFormat(pf24bit);
        bitmap.SetSize(width, height);
        std::vector<uint8_t> row(size_t(width) * 3);
        for (int y = 0; y < height; ++y) {
            if (std::fread(row.data(), 1, row.size(), file) != row.size())
                break;
            uint8_t* out = bitmap.ScanLine(y);
            for (int x = 0; x < width; ++x) // PPM is R, G, B; bitmaps are B, G, R
                out[x * 3] = row[x * 3 + 2], out[x * 3 + 1] = row[x * 3 + 1], out[x * 3 + 2] = row[x * 3];
        }
    }
    std::fclose(file);
    return ok;
}

// Smooth gradients with noise and a few hard edges, like a photo with text on it.
void Generate(TBitmap& bitmap, int width, int height) {
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(width, height);
    std::mt19937 random(1);
    for (int y = 0; y < height; ++y) {
        uint8_t* out = bitmap.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            const int noise = int(random() % 32);
            const bool edge = ((x / 97) + (y / 61)) % 7 == 0;
            out[x * 3] = uint8_t(edge ? 255 : (x * 200 / width + noise));
            out[x * 3 + 1] = uint8_t(edge ? 0 : (y * 200 / height + noise));
            out[x * 3 + 2] = uint8_t(((x + y) * 100 / (width + height)) + noise);
        }
    }
}

const TBitmap& Photo() {
    static const std::unique_ptr<TBitmap> photo = [] {
        auto bitmap = std::make_unique<TBitmap>();
        const char* path = std::getenv("QUORLANE_BENCH_IMAGE");
        if (!path || !ReadPpm(path, *bitmap))
            Generate(*bitmap, kWidth, kHeight);
        return bitmap;
    }();
    return *photo;
}

std::unique_ptr<TBitmap> PhotoCopy() {
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(Photo());
    copy->ScanLine(0); // own pixels before timing
    return copy;
}

void Threads(benchmark::State& state) {
    SetKernelThreadCount(int(state.range(0)));
}

void BM_ResampleDown(benchmark::State& state) {
    Threads(state);
    auto source = PhotoCopy();
    TBitmap dest(1600, 1067, pf24bit);
    for (auto _ : state)
        ResampleBitmap(&dest, source.get(), rkLinear);
}

void ResampleUp(benchmark::State& state, TResampleKind kind) {
    Threads(state);
    TBitmap source(128, 128, pf24bit), dest(1000, 1000, pf24bit);
    for (int y = 0; y < 128; ++y)
        std::memcpy(source.ScanLine(y), Photo().ScanLine(y), 128 * 3);
    for (auto _ : state)
        ResampleBitmap(&dest, &source, kind);
}
void BM_ResampleUpLinear(benchmark::State& state) {
    ResampleUp(state, rkLinear);
}
void BM_ResampleUpCubic(benchmark::State& state) {
    ResampleUp(state, rkCubic);
}

void Blur(benchmark::State& state, long double radius) {
    Threads(state);
    auto image = PhotoCopy();
    const TRect all(0, 0, image->Width(), image->Height());
    // The filter's cost does not depend on the pixels, so blurring the same picture again is fair.
    for (auto _ : state)
        GaussianBlurRect(image.get(), all, radius, radius);
}
void BM_Blur2(benchmark::State& state) {
    Blur(state, 2);
}
void BM_Blur10(benchmark::State& state) {
    Blur(state, 10);
}
void BM_Blur50(benchmark::State& state) {
    Blur(state, 50);
}

void BM_Rotate17(benchmark::State& state) {
    Threads(state);
    auto source = PhotoCopy();
    TBitmap dest;
    for (auto _ : state)
        RotateBitmap(source.get(), &dest, 17, clWhite, TPoint(source->Width(), source->Height()));
}

void BM_BlendPage(benchmark::State& state) {
    Threads(state);
    auto page = PhotoCopy();
    const int w = page->Width(), h = page->Height();
    TBitmap ink(w, h, pf24bit), alpha(w, h, pf8bit);
    for (int y = 0; y < h; ++y) {
        std::memset(ink.ScanLine(y), 40, size_t(w) * 3);
        uint8_t* a = alpha.ScanLine(y);
        for (int x = 0; x < w; ++x) // a soft mask: clear, ramps and solid areas
            a[x] = uint8_t(std::min(255, std::max(0, (x % 1000) - 300)));
    }
    auto scratch = PhotoCopy();
    TGRBlendAlphaMapRatio blender;
    blender.Dest = scratch.get();
    blender.Source = &ink;
    blender.AlphaMap = &alpha;
    blender.DestRect = blender.SourceRect = blender.AlphaRect = TRect(0, 0, w, h);
    for (auto _ : state)
        blender.Blend();
}

// The photo as a JPEG file (quality 90), written once when no file is given.
std::string JpegPath() {
    static const std::string path = [] {
        if (const char* given = std::getenv("QUORLANE_BENCH_JPEG"))
            return std::string(given);
        const std::string made = (std::filesystem::temp_directory_path() / "kernel-bench-photo.jpg").string();
        TJPEGGraphic jpeg;
        jpeg.Assign(Photo());
        jpeg.SetCompressionQuality(90);
        jpeg.SaveToFile(QString::fromStdString(made));
        return made;
    }();
    return path;
}

void BM_JpegThumbnail(benchmark::State& state) {
    Threads(state);
    const QString path = QString::fromStdString(JpegPath());
    for (auto _ : state) {
        TPicture picture;
        auto jpeg = std::make_unique<TJPEGGraphic>();
        jpeg->LoadFromFile(path);
        const int w = jpeg->ImageWidth(), h = jpeg->ImageHeight();
        picture.TakeGraphic(std::move(jpeg));
        TBitmap thumbnail(160, std::max(1, 160 * h / std::max(1, w)), pf24bit);
        DrawPictureThumbnail(&picture, &thumbnail, clNone, true, clWhite);
        benchmark::DoNotOptimize(thumbnail.ScanLine(0));
    }
}

// A circular gradation over a whole A4 page on a 300 dpi printer: the template resampled to the
// page, a band of rows at a time, and drawn.
void BM_GradationPrinterPage(benchmark::State& state) {
    Threads(state);
    QImage page(2480, 3508, QImage::Format_RGB32);
    TCanvas printer(&page, TCanvas::dkPrinter);
    const TColor colors[3] = {clNavy, clWhite, clOlive};
    for (auto _ : state)
        DrawGradation(printer, TRect(0, 0, 2480, 3508), colors, 3, rgkCircleToCenter, 0, false);
}

} // namespace

#define KERNEL_BENCHMARK(name) BENCHMARK(name)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()

KERNEL_BENCHMARK(BM_ResampleDown);
KERNEL_BENCHMARK(BM_ResampleUpLinear);
KERNEL_BENCHMARK(BM_ResampleUpCubic);
KERNEL_BENCHMARK(BM_Blur2);
KERNEL_BENCHMARK(BM_Blur10);
KERNEL_BENCHMARK(BM_Blur50);
KERNEL_BENCHMARK(BM_Rotate17);
KERNEL_BENCHMARK(BM_BlendPage);
KERNEL_BENCHMARK(BM_JpegThumbnail);
KERNEL_BENCHMARK(BM_GradationPrinterPage);
