// The pixel kernels on a photo-sized picture: 6000 x 4000, 24 bits. Each benchmark runs at one
// thread (/1) and at all threads (/0: QUORLANE_BENCH_THREADS, or one per processor); the count used
// is reported as the "kernel_threads" counter, and CPU time is that of the whole process. bench/compare
// runs the same operations with libvips on the same picture and prints the ratios.
//
// QUORLANE_BENCH_IMAGE names a binary PPM (P6, 8 bits) to use instead of the generated picture;
// one that cannot be read stops the program. QUORLANE_BENCH_JPEG names a JPEG file for the
// thumbnail benchmark.

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

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <thread>

namespace {

constexpr int kWidth = 6000, kHeight = 4000;

// One header number of a PPM: whitespace and comments ('#' to the end of the line) before it.
bool ReadPpmNumber(FILE* file, int& value) {
    int c = std::fgetc(file);
    while (c != EOF && (std::isspace(c) || c == '#')) {
        if (c == '#')
            while (c != EOF && c != '\n' && c != '\r')
                c = std::fgetc(file);
        c = std::fgetc(file);
    }
    value = 0;
    int digits = 0;
    for (; c != EOF && std::isdigit(c) && digits < 9; c = std::fgetc(file), ++digits)
        value = value * 10 + (c - '0');
    // The number ends in exactly one whitespace byte (after the last one the pixels start).
    return digits > 0 && c != EOF && std::isspace(c);
}

// Reads a binary PPM; an empty string when it worked, otherwise what is wrong with it.
std::string ReadPpm(const char* path, TBitmap& bitmap) {
    FILE* file = std::fopen(path, "rb");
    if (!file)
        return std::string("cannot be opened: ") + std::strerror(errno);
    std::unique_ptr<FILE, int (*)(FILE*)> closer(file, std::fclose);
    int width = 0, height = 0, maxValue = 0;
    if (std::fgetc(file) != 'P' || std::fgetc(file) != '6')
        return "is not a binary PPM (P6)";
    if (!ReadPpmNumber(file, width) || !ReadPpmNumber(file, height) || !ReadPpmNumber(file, maxValue))
        return "has an unreadable header";
    if (maxValue != 255)
        return "has " + std::to_string(maxValue) + " as largest value (only 255 is read)";
    if (width < 1 || height < 1 || width > 32767 || height > 32767)
        return "has an unusable size";
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(width, height);
    std::vector<uint8_t> row(size_t(width) * 3);
    for (int y = 0; y < height; ++y) {
        if (std::fread(row.data(), 1, row.size(), file) != row.size())
            return "ends at row " + std::to_string(y) + " of " + std::to_string(height);
        uint8_t* out = bitmap.ScanLine(y);
        for (int x = 0; x < width; ++x) // PPM is R, G, B; bitmaps are B, G, R
            out[x * 3] = row[x * 3 + 2], out[x * 3 + 1] = row[x * 3 + 1], out[x * 3 + 2] = row[x * 3];
    }
    return {};
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
        // Never a different picture from the one named: timing another would mislead.
        if (const char* path = std::getenv("QUORLANE_BENCH_IMAGE")) {
            const std::string problem = ReadPpm(path, *bitmap);
            if (!problem.empty()) {
                std::fprintf(stderr, "QUORLANE_BENCH_IMAGE %s %s\n", path, problem.c_str());
                std::exit(2);
            }
        } else {
            Generate(*bitmap, kWidth, kHeight);
        }
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

// The thread count of an argument: 1, or all (0).
int ThreadCount(int64_t argument) {
    if (argument != 0)
        return int(argument);
    if (const char* given = std::getenv("QUORLANE_BENCH_THREADS"))
        if (const int n = std::atoi(given); n > 0)
            return n;
    return int(std::max(1u, std::thread::hardware_concurrency()));
}

void Threads(benchmark::State& state) {
    const int threads = ThreadCount(state.range(0));
    SetKernelThreadCount(threads);
    state.counters["kernel_threads"] = threads;
}

// Shrinking box-averages whatever the kind: to exactly a quarter (every output pixel the mean of
// 4 x 4 source pixels) and to 26.7 % (spans of 3.75 pixels, fractional weights at both ends).
void ResampleDown(benchmark::State& state, int width, int height, TResampleKind kind) {
    Threads(state);
    auto source = PhotoCopy();
    TBitmap dest(width, height, pf24bit);
    for (auto _ : state)
        ResampleBitmap(&dest, source.get(), kind);
}
void BM_ResampleDown25Linear(benchmark::State& state) {
    ResampleDown(state, kWidth / 4, kHeight / 4, rkLinear);
}
void BM_ResampleDown25Cubic(benchmark::State& state) {
    ResampleDown(state, kWidth / 4, kHeight / 4, rkCubic);
}
void BM_ResampleDown267Linear(benchmark::State& state) {
    ResampleDown(state, 1600, 1067, rkLinear);
}
void BM_ResampleDown267Cubic(benchmark::State& state) {
    ResampleDown(state, 1600, 1067, rkCubic);
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

// Blends flat ink into the page through an alpha map made by mask(x, y).
template <typename Mask>
void BlendPage(benchmark::State& state, Mask mask) {
    Threads(state);
    auto page = PhotoCopy();
    const int w = page->Width(), h = page->Height();
    TBitmap ink(w, h, pf24bit), alpha(w, h, pf8bit);
    for (int y = 0; y < h; ++y) {
        std::memset(ink.ScanLine(y), 40, size_t(w) * 3);
        uint8_t* a = alpha.ScanLine(y);
        for (int x = 0; x < w; ++x)
            a[x] = mask(x, y);
    }
    TGRBlendAlphaMapRatio blender;
    blender.Dest = page.get();
    blender.Source = &ink;
    blender.AlphaMap = &alpha;
    blender.DestRect = blender.SourceRect = blender.AlphaRect = TRect(0, 0, w, h);
    for (auto _ : state)
        blender.Blend();
}
// ((x mod 1000) - 300) clamped: clear, ramps and solid areas; the clear and solid pixels (about
// half) take the blender's shortcuts.
void BM_BlendPage(benchmark::State& state) {
    BlendPage(state, [](int x, int) { return uint8_t(std::min(255, std::max(0, (x % 1000) - 300))); });
}
// 1 + ((x + 2 y) mod 254): never clear nor solid, so every pixel is mixed.
void BM_BlendPageSoft(benchmark::State& state) {
    BlendPage(state, [](int x, int y) { return uint8_t(1 + (x + 2 * y) % 254); });
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

#define KERNEL_BENCHMARK(name)                                                                               \
    BENCHMARK(name)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()

KERNEL_BENCHMARK(BM_ResampleDown25Linear);
KERNEL_BENCHMARK(BM_ResampleDown25Cubic);
KERNEL_BENCHMARK(BM_ResampleDown267Linear);
KERNEL_BENCHMARK(BM_ResampleDown267Cubic);
KERNEL_BENCHMARK(BM_ResampleUpLinear);
KERNEL_BENCHMARK(BM_ResampleUpCubic);
KERNEL_BENCHMARK(BM_Blur2);
KERNEL_BENCHMARK(BM_Blur10);
KERNEL_BENCHMARK(BM_Blur50);
KERNEL_BENCHMARK(BM_Rotate17);
KERNEL_BENCHMARK(BM_BlendPage);
KERNEL_BENCHMARK(BM_BlendPageSoft);
KERNEL_BENCHMARK(BM_JpegThumbnail);
KERNEL_BENCHMARK(BM_GradationPrinterPage);
