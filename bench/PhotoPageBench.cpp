// An album page: A4 with ten photos of 6000 x 4000 pixels (two turned, two framed, one with an
// alpha frame, one blended) over a picture background. The page is composed at 600 dpi from the
// display copies and, for comparison, with the copies rebuilt from the full pictures; the screen
// page image is rendered at 100 percent with warm copies. Building the copies is reported apart.

#include "bench/BenchSupport.h"
#include "imaging/USafetyBitmap.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/layout/ULOBackImage.h"
#include "pageobjects/layout/ULOImage.h"
#include "platform/Canvas.h"

#include <QApplication>
#include <QImage>
#include <benchmark/benchmark.h>
#include <chrono>
#include <vector>

namespace {

constexpr int kPrinterDpi = 600;

void EnsureApplication() {
    StartOffscreenApplication();
}

// A photo-like picture: a gradient with stripes (every pixel differs from its neighbours).
std::unique_ptr<TSafetyBitmap> MakePhoto(int w, int h) {
    auto b = std::make_unique<TSafetyBitmap>(w, h, pf24bit);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = b->ScanLine(y);
        for (int x = 0; x < w; ++x) {
            row[x * 3] = uint8_t(x * 255 / w);
            row[x * 3 + 1] = uint8_t(y * 255 / h);
            row[x * 3 + 2] = uint8_t((x ^ y) & 0xFF);
        }
    }
    b->Changed();
    return b;
}

std::unique_ptr<TSafetyBitmap> MakeFrame(int w, int h, TColor band, TColor centre) {
    auto f = std::make_unique<TSafetyBitmap>(w, h, pf24bit);
    f->Canvas().FillSolid(TRect(0, 0, w, h), band);
    f->Canvas().FillSolid(TRect(w / 10, h / 10, w - w / 10, h - h / 10), centre);
    f->Canvas().FreeHandle();
    return f;
}

struct TPage {
    TDrawSite* site = nullptr;
    std::vector<TLOImage*> images;
    double copyBuildSeconds = 0;
};

TPage& Page() {
    EnsureApplication();
    static TPage page = [] {
        TPage p;
        p.site = new TDrawSite(nullptr);
        p.site->Scaler().SetUnitDPI(254);
        p.site->SetLogWidth(2100);
        p.site->SetLogHeight(2970);
        auto* back = new TLOBackImage(p.site);
        back->SetLogRect(TRect(0, 0, 2100, 2970));
        TFaceInfo face;
        face.Rect = TRect(0, 0, 2100, 2970);
        back->SetFaceInfo(face);
        const std::unique_ptr<TSafetyBitmap> texture = MakePhoto(1500, 1000);
        back->FillColor()->SetBitmap(texture.get());
        back->FillColor()->SetKind(cskBitmap);
        p.site->AddObject(back);

        // One decoded photo shared by all ten pictures (copies share the pixels).
        const std::unique_ptr<TSafetyBitmap> photo = MakePhoto(6000, 4000);
        const std::unique_ptr<TSafetyBitmap> frame = MakeFrame(600, 400, clNavy, kPictureTransparentColor);
        const std::unique_ptr<TSafetyBitmap> fade = MakeFrame(600, 400, clBlack, clWhite);
        for (int i = 0; i < 10; ++i) {
            auto* image = new TLOImage(p.site);
            image->SetLogRect(Bounds(100 + (i % 2) * 980, 100 + (i / 2) * 560, 900, 600));
            image->ImageData()->Picture()->SetGraphic(photo.get());
            if (i == 1 || i == 2)
                image->SetAngle(i == 1 ? 12 : -30);
            if (i == 3 || i == 4)
                image->FramePicture()->SetGraphic(frame.get());
            if (i == 5) {
                image->FramePicture()->SetGraphic(fade.get());
                image->SetAlphaFrame(true);
            }
            if (i == 6)
                image->SetBlendRatio(60);
            p.site->AddObject(image);
            p.images.push_back(image);
        }
        return p;
    }();
    return page;
}

QImage PrinterPage() {
    const int w = 2100 * kPrinterDpi / 254, h = 2970 * kPrinterDpi / 254;
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

void Compose(TPage& page, QImage& image) {
    TCanvas canvas(&image);
    canvas.SetPixelsPerInch(kPrinterDpi);
    page.site->DrawTo(canvas, TPoint(0, 0), 100);
    canvas.FreeHandle();
}

// The page at 600 dpi once the display copies exist.
void BM_PhotoPageFromCopies(benchmark::State& state) {
    TPage& page = Page();
    QImage image = PrinterPage();
    const auto start = std::chrono::steady_clock::now();
    Compose(page, image); // builds the copies
    const double build = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    for (auto _ : state) {
        Compose(page, image);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["first_compose_with_copy_building_s"] = build;
}
BENCHMARK(BM_PhotoPageFromCopies)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// The same page with every copy made again from the full pictures.
void BM_PhotoPageFromFullPictures(benchmark::State& state) {
    TPage& page = Page();
    QImage image = PrinterPage();
    for (auto _ : state) {
        for (TLOImage* i : page.images)
            i->DropCache();
        Compose(page, image);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_PhotoPageFromFullPictures)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

// The draw site's page image at 100 percent with warm copies.
void BM_PhotoPageScreen(benchmark::State& state) {
    TPage& page = Page();
    page.site->Scaler().SetScale(100);
    page.site->PageImage();
    for (auto _ : state) {
        page.site->InvalidatePage();
        benchmark::DoNotOptimize(page.site->PageImage().constBits());
    }
}
BENCHMARK(BM_PhotoPageScreen)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

} // namespace
