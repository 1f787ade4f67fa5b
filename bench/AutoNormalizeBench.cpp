// Automatic normalisation of a 6000 x 4000 photo (24 megapixels, as cameras take them): two
// passes of table lookups over the picture and the sharpening blur. It should stay well under a
// second with all processors and scale with the thread count.

#include "imaging/PixelKernel.h"
#include "imaging/UGREffector.h"
#include "platform/Bitmap.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>

namespace {

// A dim, low-contrast photo-like picture: smooth gradients with sensor noise, so the histogram
// has room to stretch.
TBitmap& Photo() {
    static TBitmap* photo = [] {
        auto* made = new TBitmap(6000, 4000, pf24bit);
        TBitmap& b = *made;
        std::mt19937 random(42);
        std::uniform_int_distribution<int> noise(-6, 6);
        for (int y = 0; y < b.Height(); ++y) {
            uint8_t* row = b.ScanLine(y);
            for (int x = 0; x < b.Width(); ++x) {
                const int base = 40 + (x / 60 + y / 50) % 90;
                row[3 * x] = uint8_t(base + 10 + noise(random));
                row[3 * x + 1] = uint8_t(base + (x * y / 4000) % 40 + noise(random));
                row[3 * x + 2] = uint8_t(base + 20 + noise(random));
            }
        }
        b.Changed();
        return made;
    }();
    return *photo;
}

void BM_AutoNormalize(benchmark::State& state) {
    SetKernelThreadCount(int(state.range(0)));
    TBitmap& source = Photo();
    TBitmap dest;
    TGREffectAutoNormalize effect;
    effect.SetSource(&source);
    effect.SetDest(&dest);
    effect.SetSourceRect(Rect(0, 0, source.Width(), source.Height()));
    for (auto _ : state) {
        effect.Execute();
        benchmark::DoNotOptimize(dest.ScanLine(0));
    }
    state.SetItemsProcessed(state.iterations() * int64_t(source.Width()) * source.Height());
    SetKernelThreadCount(0);
}
BENCHMARK(BM_AutoNormalize)
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

} // namespace
