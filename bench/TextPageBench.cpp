// An A4 page of 200 text objects (80 vertical at 8 to 36 points; 20 turned, 10 bent, 10 outlined,
// 10 with a gradation, 5 distorted): laid out and painted the first time at 100 percent on a
// 96 dpi image, painted again warm, set against QPainter::drawText of the same lines, and written
// to a PDF at 600 dpi.

#include "bench/BenchSupport.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/layout/ULOText.h"
#include "platform/Canvas.h"

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <benchmark/benchmark.h>

namespace {

void EnsureApplication() {
    StartOffscreenApplication();
}

const QStringList kLines{QStringLiteral("ご結婚おめでとう"), QStringLiteral("Happy Birthday 2026"),
                         QStringLiteral("夏休みの思い出。"), QStringLiteral("ラベル ABC-123"),
                         QStringLiteral("運動会・ー「記録」")};

std::unique_ptr<TDrawSite> MakePage() {
    EnsureApplication();
    auto site = std::make_unique<TDrawSite>(nullptr);
    site->Scaler().SetUnitDPI(254);
    site->Canvas().SetPixelsPerInch(96);
    site->SetLogWidth(2100);
    site->SetLogHeight(2970);
    for (int i = 0; i < 200; ++i) {
        auto text = std::make_unique<TLOText>(nullptr);
        TStringList lines({kLines[i % kLines.size()]});
        text->Engine().SetText(lines);
        text->Font()->SetName(i % 2 ? QStringLiteral("ＭＳ 明朝") : QStringLiteral("ＭＳ Ｐゴシック"));
        text->Font()->SetSize(8 + (i * 7) % 29);
        const int col = i % 10;
        const int row = i / 10;
        text->SetLogRect(Bounds(20 + col * 208, 20 + row * 146, 200, 130));
        if (i < 80) {
            text->SetVertical(true);
        } else if (i < 100) {
            text->SetAngle(15 + i);
        } else if (i < 110) {
            text->SetBulge(40);
        } else if (i < 120) {
            text->SetOutline(true);
            text->SetOutLineWidth(4);
            text->OutlineColor()->SetColor(clBlue);
        } else if (i < 130) {
            text->TextColor()->SetKind(cskGradation);
            text->TextColor()->SetGradColNum(2);
            text->TextColor()->SetGradColor(0, clRed);
            text->TextColor()->SetGradColor(1, clBlue);
        } else if (i < 135) {
            TCoonsDistortion d;
            d.SetCount(TCoonsDistortion::cdTop, 3);
            d.SetCount(TCoonsDistortion::cdRight, 2);
            d.SetCount(TCoonsDistortion::cdBottom, 2);
            d.SetCount(TCoonsDistortion::cdLeft, 2);
            d.SetTopPoint(0, {0, 0});
            d.SetTopPoint(1, {0.5L, -0.3L});
            d.SetTopPoint(2, {1, 0});
            d.SetRightPoint(0, {1, 0});
            d.SetRightPoint(1, {1, 1});
            d.SetBottomPoint(0, {0, 1});
            d.SetBottomPoint(1, {1, 1});
            d.SetLeftPoint(0, {0, 0});
            d.SetLeftPoint(1, {0, 1});
            text->SetCoonsDistortion(d);
        }
        site->AdoptObject(std::move(text));
    }
    return site;
}

void Paint(TDrawSite& site, QImage& image) {
    image.fill(Qt::white);
    TCanvas canvas(&image);
    canvas.SetPixelsPerInch(96);
    site.DrawTo(canvas, TPoint(0, 0), 100);
}

void BM_LayoutAndFirstPaint(benchmark::State& state) {
    QImage image(794, 1123, QImage::Format_RGB32);
    for (auto _ : state) {
        state.PauseTiming();
        auto site = MakePage();
        state.ResumeTiming();
        Paint(*site, image);
    }
}
BENCHMARK(BM_LayoutAndFirstPaint)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_WarmRepaint(benchmark::State& state) {
    auto site = MakePage();
    QImage image(794, 1123, QImage::Format_RGB32);
    Paint(*site, image);
    for (auto _ : state)
        Paint(*site, image);
}
BENCHMARK(BM_WarmRepaint)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// The same 200 lines drawn by Qt alone, horizontally, as the yardstick of a repaint.
void BM_QPainterDrawText(benchmark::State& state) {
    EnsureApplication();
    QImage image(794, 1123, QImage::Format_RGB32);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter p(&image);
        for (int i = 0; i < 200; ++i) {
            QFont font(i % 2 ? QStringLiteral("IPAMincho") : QStringLiteral("IPAPGothic"));
            font.setPixelSize((8 + (i * 7) % 29) * 96 / 72);
            p.setFont(font);
            p.drawText(QPointF(2 + (i % 10) * 78.6, 20 + (i / 10) * 55.2), kLines[i % kLines.size()]);
        }
    }
}
BENCHMARK(BM_QPainterDrawText)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_Pdf600(benchmark::State& state) {
    auto site = MakePage();
    for (auto _ : state) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setResolution(600);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        TCanvas canvas(&writer, TCanvas::dkPrinter);
        canvas.SetPixelsPerInch(600);
        site->DrawTo(canvas, TPoint(0, 0), 100);
        canvas.FreeHandle();
        benchmark::DoNotOptimize(buffer.size());
    }
}
BENCHMARK(BM_Pdf600)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

} // namespace
