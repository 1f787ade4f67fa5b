// Box shrink of photo-sized bitmaps into thumbnails: it should cost one pass over the source bytes
// whatever the destination size.

#include "core/USupportUtil.h"
#include "platform/PixelBuffer.h"

#include <benchmark/benchmark.h>

namespace {

void BM_ShrinkPixels(benchmark::State& state) {
    const int width = 3000, height = 2000;
    PixelBuffer source(width, height, 24);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = source.ScanLine(y);
        for (int i = 0; i < width * 3; ++i)
            row[i] = static_cast<uint8_t>(i * 7 + y);
    }
    const int side = static_cast<int>(state.range(0));
    for (auto _ : state) {
        PixelBuffer thumbnail(side, side * 2 / 3, 24);
        ShrinkPixels(source, thumbnail);
        benchmark::DoNotOptimize(thumbnail.ConstBits());
    }
    state.SetBytesProcessed(state.iterations() * int64_t(source.ByteCount()));
}
BENCHMARK(BM_ShrinkPixels)
    ->Arg(96)
    ->Arg(480)
    ->Arg(1500)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

} // namespace
