// Bending a text outline through a Coons patch: a text object maps every point of its glyph
// outlines on each paint, so the cost per point matters. Smooth nodes take the quadratic path.

#include "pageobjects/engine/UCoonsDistortion.h"
#include "pageobjects/engine/UStroke.h"

#include <benchmark/benchmark.h>

namespace {

void MakeArch(TCoonsDistortion& d, int nodes, bool smooth) {
    d.SetTopCount(nodes);
    d.SetBottomCount(nodes);
    d.SetRightCount(2);
    d.SetLeftCount(2);
    for (int i = 0; i < nodes; ++i) {
        const long double u = (long double)i / (nodes - 1);
        d.SetTopPoint(i, {u, -0.3L * u * (1 - u)});
        d.SetBottomPoint(i, {u, 1});
        d.SetFlag(TCoonsDistortion::cdTop, i, smooth ? 1 : 0);
    }
    d.SetSourceRect(Rect(0, 0, 2000, 600));
    d.SetDestRect(Rect(100, 100, 2100, 700));
}

void BM_CoonsTransformStroke(benchmark::State& state) {
    TCoonsDistortion d;
    MakeArch(d, int(state.range(0)), state.range(1) != 0);
    TStroke source;
    for (int x = 0; x < 2000; x += 100) {
        TStroke glyph;
        glyph.MakeRoundRect(Rect(x, 0, x + 90, 600), 40);
        for (int i = 0; i < glyph.GetCount(); ++i)
            source.AddPoint(glyph.GetPoint(i).X, glyph.GetPoint(i).Y, glyph.GetPointType(i));
    }
    source.SplitLines();
    TStroke work;
    for (auto _ : state) {
        work.Assign(&source);
        d.TransformStroke(work);
        benchmark::DoNotOptimize(work.GetPoint(0));
    }
    state.SetItemsProcessed(state.iterations() * source.GetCount());
}
BENCHMARK(BM_CoonsTransformStroke)
    ->Args({5, 0})
    ->Args({5, 1})
    ->Args({33, 1})
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

} // namespace
