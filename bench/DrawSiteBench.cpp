// The draw site's painting: a full A4 page of 60 objects rendered into the page image, a drag
// that repaints only the overlay over the cached page, and the page rendered at printer
// resolution with one half-transparent object (blended band by band).

#include "bench/BenchSupport.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/engine/ULORectBase.h"
#include "platform/Canvas.h"

#include <QApplication>
#include <QImage>
#include <benchmark/benchmark.h>

namespace {

class TBenchRect : public TLORectBase, public virtual IDOBlend {
    QUORLANE_CLASS(TBenchRect, TLORectBase)

public:
    explicit TBenchRect(TComponent* owner) : TLORectBase(owner) {}
    TColor Color = clRed;
    void SetEnclosingSize(int w, int h) override { SetLogRect(Bounds(LogLeft(), LogTop(), w, h)); }
    void DrawOutline(TCanvas& canvas) override { canvas.Rectangle(LogRect()); }
    void SetBlendShade(bool value) override { TLabelObject::SetBlendShade(value); }
    bool GetBlendShade() override { return BlendShade(); }
    void SetBlendRatio(int value) override { TLabelObject::SetBlendRatio(value); }
    int GetBlendRatio() override { return BlendRatio(); }

protected:
    void Paint() override {
        TCanvas* c = GetDrawCanvas();
        c->Brush() = TBrush{Color, bsSolid};
        c->Pen() = TPen{clBlack, 3, psSolid, pmCopy};
        c->Ellipse(LogRect());
    }
    bool GetInterface(const TGUID& iid, void** obj) override {
        return Offer<IDOBlend>(this, iid, obj) || TLORectBase::GetInterface(iid, obj);
    }
};

void EnsureApplication() {
    StartOffscreenApplication();
}

// An A4 page (tenths of a millimetre) with 60 objects in a grid, one of them half transparent.
TDrawSite& Page() {
    EnsureApplication();
    static TDrawSite* site = [] {
        auto* s = new TDrawSite(nullptr);
        s->Scaler().SetUnitDPI(254);
        s->SetLogWidth(2100);
        s->SetLogHeight(2970);
        for (int i = 0; i < 60; ++i) {
            auto* r = new TBenchRect(s);
            r->SetLogRect(Bounds(100 + (i % 6) * 320, 100 + (i / 6) * 280, 300, 260));
            r->Color = RGB(40 * (i % 6), 20 * (i / 6), 200);
            if (i == 20)
                r->SetBlendRatio(50);
            s->AddObject(r);
        }
        return s;
    }();
    return *site;
}

void BM_RenderWholePage(benchmark::State& state) {
    TDrawSite& site = Page();
    for (auto _ : state) {
        site.InvalidatePage();
        benchmark::DoNotOptimize(site.PageImage());
    }
}
BENCHMARK(BM_RenderWholePage)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_RepaintOverlayOnly(benchmark::State& state) {
    TDrawSite& site = Page();
    site.PageImage();
    QImage target(site.width(), site.height(), QImage::Format_RGB32);
    for (auto _ : state) {
        site.render(&target);
        benchmark::DoNotOptimize(target.bits());
    }
}
BENCHMARK(BM_RepaintOverlayOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_DrawToPrinterResolution(benchmark::State& state) {
    TDrawSite& site = Page();
    const int dpi = int(state.range(0));
    QImage image(2100 * dpi / 254 + 1, 2970 * dpi / 254 + 1, QImage::Format_RGB32);
    for (auto _ : state) {
        image.fill(Qt::white);
        TCanvas canvas(&image);
        canvas.SetPixelsPerInch(dpi);
        site.DrawTo(canvas, TPoint(0, 0), 100);
    }
}
BENCHMARK(BM_DrawToPrinterResolution)
    ->Arg(300)
    ->Arg(600)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

} // namespace
