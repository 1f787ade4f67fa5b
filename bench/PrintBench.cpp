// Printing to PDF: 10 (and 20) A4 pages of 2 x 5 photo labels, each label a different 3000 x 2000
// JPEG, through the print pages onto the PDF printer, with 254-dpi bands ("Banding" 1) and with
// 600-dpi bands; and, as the floor, Qt writing the same number of finished bands alone. Reports
// pages per second and the process's peak memory (run one benchmark per process to read it).

#include "bench/BenchSupport.h"
#include "imaging/UCanvas.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/engine/ULORectBase.h"
#include "papers/printing/UPrintPage.h"
#include "platform/Canvas.h"
#include "platform/Printer.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <fstream>
#include <string>

namespace {

constexpr int PhotosPerPage = 10;
constexpr int A4Width = 2100; // 0.1 mm
constexpr int A4Height = 2970;

void EnsureApplication() {
    StartOffscreenApplication();
}

// A label's photo: the JPEG is read when painted, at the size it covers, as pictures are for print.
class TBenchPhoto : public TLORectBase {
    QUORLANE_CLASS(TBenchPhoto, TLORectBase)

public:
    explicit TBenchPhoto(TComponent* owner) : TLORectBase(owner) {}
    QString FileName;
    void SetEnclosingSize(int w, int h) override { SetLogRect(Bounds(LogLeft(), LogTop(), w, h)); }
    void DrawOutline(TCanvas& canvas) override { canvas.Rectangle(LogRect()); }

protected:
    void Paint() override {
        TCanvas* c = GetDrawCanvas();
        const TRect dest = LogRect();
        const TRect device = c->LPtoDP(dest);
        QImageReader reader(FileName);
        reader.setScaledSize(
            QSize(std::max(1, device.Right - device.Left), std::max(1, device.Bottom - device.Top)));
        const QImage image = reader.read();
        c->StretchBlt(dest, image, TRect(0, 0, image.width(), image.height()), cmSrcCopy);
    }
};

// 3000 x 2000 photos, each different: smooth colour fields with fine noise, as JPEG.
const QStringList& Photos(int count) {
    static QTemporaryDir dir;
    static QStringList files;
    while (files.size() < count) {
        const int n = int(files.size());
        QImage image(3000, 2000, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const int noise =
                    int((uint32_t(x * 73856093) ^ uint32_t(y * 19349663) ^ uint32_t(n * 83492791)) % 24);
                row[x] = qRgb((x / 12 + n * 37 + noise) & 255, (y / 8 + n * 11 + noise) & 255,
                              ((x + y) / 20 + noise) & 255);
            }
        }
        const QString file = dir.filePath(QStringLiteral("photo%1.jpg").arg(n));
        image.save(file, "JPEG", 90);
        files.append(file);
    }
    return files;
}

double PeakMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

void PrintPages(benchmark::State& state) {
    EnsureApplication();
    const int pages = int(state.range(0));
    const int resolution = int(state.range(1));
    const QStringList& photos = Photos(pages * PhotosPerPage);
    QTemporaryDir out;
    SetPrinterBackend(nullptr);
    Printer().SetPrinter(TPrinter::PdfPrinterName, {}, {}, {});
    Printer().SetOutputFileName(out.filePath("bench.pdf"));
    qint64 bytes = 0;
    for (auto _ : state) {
        Printer().BeginDoc();
        TCanvas& canvas = Printer().Canvas();
        for (int page = 0; page < pages; ++page) {
            if (page > 0)
                Printer().NewPage();
            TDrawSite site(nullptr);
            site.SetBorder(false);
            site.Scaler().SetUnitDPI(254);
            site.SetLogWidth(A4Width);
            site.SetLogHeight(A4Height);
            for (int i = 0; i < PhotosPerPage; ++i) {
                auto photo = std::make_unique<TBenchPhoto>(nullptr);
                photo->FileName = photos[page * PhotosPerPage + i];
                photo->SetLogRect(Bounds(100 + (i % 2) * 960, 100 + (i / 2) * 550, 900, 500));
                site.AdoptObject(std::move(photo));
            }
            const TRect rect = site.Scaler().LogRectToDev(canvas, TRect(0, 0, A4Width, A4Height));
            TStretchPrintPage bands(canvas, resolution, true, TPoint(), rect);
            while (bands.NextBand())
                site.DrawTo(bands.GetCanvas(), TPoint(), 100);
        }
        Printer().EndDoc();
        bytes = QFile(out.filePath("bench.pdf")).size();
    }
    state.counters["pages/s"] =
        benchmark::Counter(double(pages) * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["peak MB"] = PeakMegabytes();
    state.counters["PDF MB"] = double(bytes) / (1024 * 1024);
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
                painter.drawImage(QRect(d.Left, d.Top, d.Right - d.Left, d.Bottom - d.Top), bands[size_t(k)]);
            }
        }
    }
    state.counters["pages/s"] =
        benchmark::Counter(double(pages) * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["peak MB"] = PeakMegabytes();
}

} // namespace

BENCHMARK(PrintPages)
    ->Args({10, 254})
    ->Args({20, 254})
    ->Args({10, 600})
    ->Args({20, 600})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(QtBandsAlone)->Args({10, 254})->Args({10, 600})->Unit(benchmark::kMillisecond)->Iterations(1);
