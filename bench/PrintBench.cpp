// Printing to PDF, as the print site draws a page: through the print pages onto the PDF printer,
// with 254-dpi bands ("Banding" 1) and with 600-dpi bands (2).
// - PrintPages: A4 pages of 2 x 5 photo labels, each label a picture object holding a 3000 x 2000
//   JPEG (distinct photos, 40 of them in turn, or one photo on every label as a label sheet has),
//   decoded through one decode cache for the job as the print site keeps it. Pages per second,
//   peak memory and the PDF's size, with their targets (at least 1 page/s at 600 dpi; 100 pages
//   under 400 MB).
// - LabelJob: 10 pages of business-card labels (text, frame, small photo) by each print method: 0
//   draws straight into the PDF (vector text), 1 and 2 band; the PDF's size beside the time.
//   The bands' photo parts go to the PDF as JPEG images, the rest of each band lossless, as the
//   print site sends them.
// - QtBandsAlone: Qt writing the same number of finished bands alone, whole and lossless (what
//   every page cost before photo parts went apart), a different picture on every page (Qt stores
//   an image it has seen once only once).
// Run one benchmark per process (--benchmark_filter) to read its own peak memory.

#include "bench/BenchSupport.h"
#include "imaging/UCanvas.h"
#include "imaging/UJPEGImage.h"
#include "imaging/UPictureEX.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/layout/ULOImage.h"
#include "pageobjects/layout/ULORect.h"
#include "pageobjects/layout/ULOText.h"
#include "papers/printing/UPrintPage.h"
#include "papers/printing/UPrintSite.h"
#include "platform/Canvas.h"
#include "platform/Printer.h"
#include "platform/StringList.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

constexpr int PhotosPerPage = 10;
constexpr int A4Width = 2100; // 0.1 mm
constexpr int A4Height = 2970;

void EnsureApplication() {
    StartOffscreenApplication();
}

// 3000 x 2000 photos, each different: smooth colour fields with fine noise, as JPEG.
const QStringList& Photos(int count) {
    static QTemporaryDir dir;
    static QStringList files;
    while (files.size() < count) {
        const int n = int(files.size());
        const QString file = dir.filePath(QStringLiteral("photo%1.jpg").arg(n));
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(NoisyPhotoJpeg(3000, 2000, n)) <= 0)
            break;
        files.append(file);
    }
    return files;
}

constexpr int DistinctPhotos = 40;

// A site that prepares a band's objects side by side and tells the page what each object drew, as
// the print site does (photo parts of a band go to the PDF as JPEG images of their own).
class TBandSite : public TDrawSite {
public:
    TBandSite() : TDrawSite(nullptr) { SetPrepareInParallel(true); }
    TStretchPrintPage* Page = nullptr;

protected:
    void DrawObject(TDrawObject* object) override {
        TDrawSite::DrawObject(object);
        if (Page)
            Page->ObjectDrawn(*object);
    }
};

// A picture object of a photo file's JPEG bytes, read when the object is made: the print site loads
// a face's objects from the document's storage file, so a page's photo bytes live only while that
// page's objects do.
std::unique_ptr<TLOImage> PhotoObject(const QString& file, const TRect& rect) {
    QByteArray data;
    QFile in(file);
    if (in.open(QIODevice::ReadOnly))
        data = in.readAll();
    auto image = std::make_unique<TLOImage>(nullptr);
    TJPEGImage jpeg;
    jpeg.SetData(data);
    image->ImageData()->Picture()->SetGraphic(&jpeg);
    image->SetLogRect(rect);
    return image;
}

void PrintPages(benchmark::State& state) {
    EnsureApplication();
    const int pages = int(state.range(0));
    const int resolution = int(state.range(1));
    const bool samePhoto = state.range(2) != 0;
    const QStringList& photos = Photos(samePhoto ? 1 : DistinctPhotos);
    QTemporaryDir out;
    SetPrinterBackend(nullptr);
    Printer().SetPrinter(TPrinter::PdfPrinterName, {}, {}, {});
    Printer().SetOutputFileName(out.filePath("bench.pdf"));
    qint64 bytes = 0;
    for (auto _ : state) {
        TJPEGDecodeCache decodes(PrintDecodeBudget);
        Printer().BeginDoc();
        TCanvas& canvas = Printer().Canvas();
        for (int page = 0; page < pages; ++page) {
            if (page > 0)
                Printer().NewPage();
            // Each page's objects are loaded afresh, as the print site loads a face's.
            TBandSite site;
            site.SetBorder(false);
            site.Scaler().SetUnitDPI(254);
            site.SetLogWidth(A4Width);
            site.SetLogHeight(A4Height);
            for (int i = 0; i < PhotosPerPage; ++i)
                site.AdoptObject(PhotoObject(photos[(page * PhotosPerPage + i) % photos.size()],
                                             Bounds(100 + (i % 2) * 960, 100 + (i / 2) * 550, 900, 500)));
            const TRect rect = site.Scaler().LogRectToDev(canvas, TRect(0, 0, A4Width, A4Height));
            TStretchPrintPage bands(canvas, resolution, true, TPoint(), rect);
            site.Page = &bands;
            while (bands.NextBand())
                site.DrawTo(bands.GetCanvas(), TPoint(), 100);
        }
        Printer().EndDoc();
        bytes = QFile(out.filePath("bench.pdf")).size();
    }
    state.counters["pages/s"] =
        benchmark::Counter(double(pages) * state.iterations(), benchmark::Counter::kIsRate);
    if (resolution == 600)
        ReportTarget(state, "pages/s", 1);
    ReportPeakMemory(state, 400);
    state.counters["PDF_MB"] = double(bytes) / (1024 * 1024);
}

// Ten pages of business-card labels (2 x 5 a page: a name, a frame, a small photo) by print method:
// 0 draws directly, 1 bands at 254 ppi, 2 at the printer's 600.
void LabelJob(benchmark::State& state) {
    EnsureApplication();
    const int method = int(state.range(0));
    constexpr int pages = 10;
    const QStringList& photos = Photos(1);
    QTemporaryDir out;
    SetPrinterBackend(nullptr);
    Printer().SetPrinter(TPrinter::PdfPrinterName, {}, {}, {});
    Printer().SetOutputFileName(out.filePath("labels.pdf"));
    qint64 bytes = 0;
    for (auto _ : state) {
        TJPEGDecodeCache decodes(PrintDecodeBudget);
        Printer().BeginDoc();
        TCanvas& canvas = Printer().Canvas();
        for (int page = 0; page < pages; ++page) {
            if (page > 0)
                Printer().NewPage();
            TBandSite site;
            site.SetBorder(false);
            site.Scaler().SetUnitDPI(254);
            site.SetLogWidth(A4Width);
            site.SetLogHeight(A4Height);
            for (int i = 0; i < PhotosPerPage; ++i) {
                const int left = 100 + (i % 2) * 960, top = 100 + (i / 2) * 550;
                auto frame = std::make_unique<TLORect>(nullptr);
                frame->SetLogRect(Bounds(left, top, 900, 500));
                frame->SetFrameWidth(3);
                site.AdoptObject(std::move(frame));
                auto name = std::make_unique<TLOText>(nullptr);
                TStringList lines({QStringLiteral("山田 太郎 %1-%2").arg(page + 1).arg(i + 1)});
                name->Engine().SetText(lines);
                name->Font()->SetSize(14);
                name->SetLogRect(Bounds(left + 40, top + 60, 500, 100));
                site.AdoptObject(std::move(name));
                site.AdoptObject(PhotoObject(photos[0], Bounds(left + 580, top + 60, 280, 190)));
            }
            const TRect rect = site.Scaler().LogRectToDev(canvas, TRect(0, 0, A4Width, A4Height));
            TStretchPrintPage bands(canvas, method == 1 ? 254 : 0, method != 0, TPoint(), rect);
            site.Page = &bands;
            while (bands.NextBand())
                site.DrawTo(bands.GetCanvas(), TPoint(), 100);
        }
        Printer().EndDoc();
        bytes = QFile(out.filePath("labels.pdf")).size();
    }
    state.counters["pages/s"] =
        benchmark::Counter(double(pages) * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["PDF_MB"] = double(bytes) / (1024 * 1024);
}

// The floor: the same number of pages of finished bands, written by Qt alone.
void QtBandsAlone(benchmark::State& state) {
    EnsureApplication();
    const int pages = int(state.range(0));
    const int resolution = int(state.range(1));
    const TBandTable table = TBandTable::Make(TRect(0, 0, 4961, 7016), resolution, 600);
    std::vector<QImage> bands;
    for (int64_t k = 0; k < table.Count; ++k) {
        const TBandInfo band = table.Band(k);
        QImage image(band.Width, band.Height, QImage::Format_RGB888);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, qRgb((x / 3 + int(k) * 17) & 255, (y / 2) & 255, ((x ^ y) & 31) + 100));
        bands.push_back(image);
    }
    QTemporaryDir out;
    for (auto _ : state) {
        // A different picture on every page, as pages of different photos are: Qt writes an image
        // it has seen before only once.
        std::vector<QImage> pageBands = bands;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(out.filePath("floor.pdf"));
        printer.setResolution(600);
        printer.setFullPage(true);
        printer.setPageSize(QPageSize(QPageSize::A4));
        QPainter painter(&printer);
        for (int page = 0; page < pages; ++page) {
            if (page > 0)
                printer.newPage();
            for (int64_t k = 0; k < table.Count; ++k) {
                const TRect d = table.Band(k).Dest;
                QImage& band = pageBands[size_t(k)];
                band.setPixel(page % band.width(), 0, qRgb(page & 255, 0, 0));
                painter.setRenderHint(QPainter::LosslessImageRendering, true);
                painter.drawImage(QRect(d.Left, d.Top, d.Right - d.Left, d.Bottom - d.Top), band);
            }
        }
    }
    state.counters["pages/s"] =
        benchmark::Counter(double(pages) * state.iterations(), benchmark::Counter::kIsRate);
    ReportPeakMemory(state, 400);
}

} // namespace

BENCHMARK(PrintPages)
    ->Args({10, 254, 0})
    ->Args({10, 600, 0})
    ->Args({10, 600, 1})
    ->Args({30, 600, 0})
    ->Args({100, 600, 0})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(LabelJob)
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(QtBandsAlone)
    ->Args({10, 254})
    ->Args({10, 600})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
