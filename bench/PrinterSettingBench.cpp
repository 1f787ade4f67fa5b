// The printer set-up over queues' drivers, on the fake print system with an Epson PM-A920
// (ESC/P-R) and a Canon PIXMA iP4300 (Gutenprint) queue. Their PPDs are the real drivers' when
// printer-driver-escpr and printer-driver-gutenprint are installed, else the test fixtures.
// - ReadPpd: one PPD read into a driver description (targets 5 ms PM-A920, 10 ms iP4300).
// - DialogFirstPaint: the set-up made, set up for a photo paper and painted with the Epson page
//   (200 ms).
// - SwitchPrinters: choosing the other queue, Epson to Canon and back (120 ms).
// - EpsonPaperType: another paper type on the Epson page, applied and shown again (25 ms).
// - ApplyPaperToPrinter: a photo paper's sheet and type set on the PM-A920 (15 ms).
// - UnchangedPpd: a queue's capabilities asked again of a private cupsd (tests/PrivateCupsd) with
//   an unchanged PPD: the server answers 304 and the driver is not read again (3 ms; beside it the
//   same with the PPD fetched and read every time). Needs cupsd and the drivers, else skipped.
// - PhotoJob: ten A4 pages of four photos to the PM-A920 queue, with bands at 254 dpi (the default)
//   and at the printer's own resolution; the second argument is the resolution the queue's job is
//   drawn at: 600 as now, 1200 as Qt states (what every such job was drawn at before). The PDF's
//   size beside the time.

#include "app/dialogs/FEpsonPrinterSetting.h"
#include "app/dialogs/FPrinterSetting.h"
#include "bench/BenchSupport.h"
#include "imaging/UJPEGImage.h"
#include "imaging/UPictureEX.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/layout/ULOImage.h"
#include "papers/UPaperInfo.h"
#include "papers/printing/UPrintPage.h"
#include "papers/printing/UPrintSite.h"
#include "papers/printing/UmPaperPrintSetting.h"
#include "platform/Canvas.h"
#include "platform/Printer.h"
#include "tests/FakePrinterBackend.h"
#include "tests/PrivateCupsd.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

const QTemporaryDir& Folder() {
    static QTemporaryDir dir;
    return dir;
}

// The real driver's PPD from its driver program, else the fixture of the same printer.
QString PpdFile(const char* program, const char* uri, const char* fixture) {
    const QString file = Folder().filePath(QString::fromLatin1(fixture));
    if (QFile::exists(file))
        return file;
    QProcess driver;
    driver.start(QStringLiteral("/usr/lib/cups/driver/") + QLatin1String(program),
                 {QStringLiteral("cat"), QString::fromLatin1(uri)});
    QByteArray ppd;
    if (driver.waitForFinished(30000) && driver.exitCode() == 0)
        ppd = driver.readAllStandardOutput();
    if (!ppd.startsWith("*PPD-Adobe")) {
        QFile own(QStringLiteral(QUORLANE_SOURCE_DIR "/tests/data/ppd/") + QLatin1String(fixture));
        if (own.open(QIODevice::ReadOnly))
            ppd = own.readAll();
    }
    QFile out(file);
    if (out.open(QIODevice::WriteOnly))
        out.write(ppd);
    return file;
}

QString Pma920() {
    return PpdFile("escpr", "escpr:0/cups/model/epson-inkjet-printer-escpr/Epson-PM-A920-epson-escpr-en.ppd",
                   "EscprPhoto.ppd");
}
QString Ip4300() {
    return PpdFile("gutenprint.5.3", "gutenprint.5.3://bjc-PIXMA-iP4300/expert", "GutenprintCanonA.ppd");
}

FakePrinterBackend* InstallQueues() {
    StartOffscreenApplication();
    FakePrinterBackend* backend = FakePrinterBackend::Install();
    backend->queues["PMA920"] = FakePrinterBackend::PpdQueue(Pma920());
    backend->queues["IP4300"] = FakePrinterBackend::PpdQueue(Ip4300());
    backend->defaultQueue = "PMA920";
    Printer().Refresh();
    Printer().SetPrinter(QStringLiteral("PMA920"), {}, {}, {});
    return backend;
}

const QStringList& Table() {
    static const QStringList table{"[Epson.Paper.ID]", "PM写真用紙=272", "[Epson.Paper.0]",
                                   "写真用紙 L判=PM写真用紙", "[Canon.Paper.ID]", "光沢紙=2",
                                   "[Canon.Paper.0]", "写真用紙 L判=光沢紙"};
    return table;
}

std::unique_ptr<TMatrixPaperInfo> PhotoPaper() {
    auto paper = std::make_unique<TMatrixPaperInfo>(nullptr);
    paper->PaperName = QStringLiteral("写真用紙 L判");
    paper->SetWidth(890);
    paper->SetHeight(1270);
    return paper;
}

void ReadPpd(benchmark::State& state) {
    QFile file(state.range(0) == 0 ? Pma920() : Ip4300());
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadPpdDriver(bytes));
    state.counters["PPD_KB"] = double(bytes.size()) / 1024;
    ReportTarget(state, "ms", state.range(0) == 0 ? 5 : 10);
}

void DialogFirstPaint(benchmark::State& state) {
    InstallQueues();
    TIntf<ImPaperPrintSetting> setting = CreatePaperPrintSetting(Table(), 0);
    const auto paper = PhotoPaper();
    for (auto _ : state) {
        TfrmPrinterSetting dialog;
        dialog.Setup(setting.get(), paper.get(), 0, true);
        dialog.show();
        benchmark::DoNotOptimize(dialog.grab());
    }
    ReportTarget(state, "ms", 200);
    SetPrinterBackend(nullptr);
}

void SwitchPrinters(benchmark::State& state) {
    InstallQueues();
    TIntf<ImPaperPrintSetting> setting = CreatePaperPrintSetting(Table(), 0);
    const auto paper = PhotoPaper();
    TfrmPrinterSetting dialog;
    dialog.Setup(setting.get(), paper.get(), 0, true);
    dialog.show();
    bool canon = false;
    for (auto _ : state) {
        canon = !canon;
        dialog.cmbPrinter->setCurrentIndex(dialog.cmbPrinter->findText(canon ? "IP4300" : "PMA920"));
        emit dialog.cmbPrinter->activated(dialog.cmbPrinter->currentIndex());
        benchmark::DoNotOptimize(dialog.grab());
    }
    ReportTarget(state, "ms", 120);
    SetPrinterBackend(nullptr);
}

void EpsonPaperType(benchmark::State& state) {
    InstallQueues();
    TfrmPrinterSetting dialog;
    dialog.Setup(nullptr, nullptr, 0, true);
    dialog.show();
    QComboBox* types = dialog.frameEpson->cmbPaperType;
    int index = 0;
    for (auto _ : state) {
        index = (index + 1) % std::max(1, types->count());
        types->setCurrentIndex(index);
        benchmark::DoNotOptimize(dialog.grab());
    }
    state.counters["types"] = types->count();
    ReportTarget(state, "ms", 25);
    SetPrinterBackend(nullptr);
}

void ApplyPaperToPrinter(benchmark::State& state) {
    InstallQueues();
    TIntf<ImPaperPrintSetting> setting = CreatePaperPrintSetting(Table(), 0);
    const auto paper = PhotoPaper();
    TIntf<ImPrinterConfiguration> configuration = CreatePrinterConfiguration();
    for (auto _ : state)
        setting->ApplyPaperToPrinter(configuration.get(), *paper, QString());
    ReportTarget(state, "ms", 15);
    SetPrinterBackend(nullptr);
}

void UnchangedPpd(benchmark::State& state) {
    StartOffscreenApplication();
    if (PrivateCupsd::Executable().isEmpty() || !PrivateCupsd::HasVendorDrivers()) {
        state.SkipWithError("cupsd, printer-driver-escpr or printer-driver-gutenprint is not installed");
        return;
    }
    PrivateCupsd cupsd;
    if (!cupsd.Start() || !cupsd.AddQueue(QStringLiteral("PMA920"),
                                          QStringLiteral("escpr:0/cups/model/epson-inkjet-printer-escpr/"
                                                         "Epson-PM-A920-epson-escpr-en.ppd"))) {
        state.SkipWithError("the private cupsd did not start");
        return;
    }
    const bool fresh = state.range(0) != 0;
    std::unique_ptr<TPrinterBackend> backend = CreateCupsPrinterBackend();
    backend->Queues();
    for (auto _ : state) {
        if (fresh) {
            state.PauseTiming();
            backend = CreateCupsPrinterBackend();
            backend->Queues();
            state.ResumeTiming();
        }
        benchmark::DoNotOptimize(backend->Capabilities(QStringLiteral("PMA920")));
    }
    if (!fresh)
        ReportTarget(state, "ms", 3);
}

// 3000 x 2000 photos, each different, as JPEG bytes.
QByteArray Photo(int n) {
    static std::map<int, QByteArray> photos;
    QByteArray& bytes = photos[n];
    if (bytes.isEmpty())
        bytes = NoisyPhotoJpeg(3000, 2000, n);
    return bytes;
}

void PhotoJob(benchmark::State& state) {
    constexpr int Pages = 10, PhotosPerPage = 4, A4Width = 2100, A4Height = 2970;
    const int bandResolution = int(state.range(0)); // 0: the printer's own
    const int drawnAt = int(state.range(1));
    FakePrinterBackend* backend = InstallQueues();
    // 1200: the queue's job drawn at what Qt states, as with the Photo quality of a Gutenprint Epson.
    TDriverOptions options;
    if (drawnAt > TPrinter::DefaultResolution) {
        backend->queues["R800"] = FakePrinterBackend::PpdQueue(QStringLiteral(QUORLANE_SOURCE_DIR "/tests/data/ppd/GutenprintEpson.ppd"));
        Printer().Refresh();
        SetDriverOption(options, QStringLiteral("StpQuality"), QStringLiteral("Photo"));
    }
    const QString queue = drawnAt > TPrinter::DefaultResolution ? QStringLiteral("R800") : QStringLiteral("PMA920");
    Printer().SetPrinter(queue, {}, {}, {}, options);
    qint64 bytes = 0;
    for (auto _ : state) {
        TJPEGDecodeCache decodes(PrintDecodeBudget);
        Printer().BeginDoc();
        TCanvas& canvas = Printer().Canvas();
        for (int page = 0; page < Pages; ++page) {
            if (page > 0)
                Printer().NewPage();
            TDrawSite site(nullptr);
            site.SetBorder(false);
            site.Scaler().SetUnitDPI(254);
            site.SetLogWidth(A4Width);
            site.SetLogHeight(A4Height);
            for (int i = 0; i < PhotosPerPage; ++i) {
                auto image = std::make_unique<TLOImage>(nullptr);
                TJPEGImage jpeg;
                jpeg.SetData(Photo(page * PhotosPerPage + i));
                image->ImageData()->Picture()->SetGraphic(&jpeg);
                image->SetLogRect(TRect(100 + (i % 2) * 960, 100 + (i / 2) * 1400, 1060 + (i % 2) * 960,
                                        1400 + (i / 2) * 1400));
                site.AdoptObject(std::move(image));
            }
            const TRect rect = site.Scaler().LogRectToDev(canvas, TRect(0, 0, A4Width, A4Height));
            TStretchPrintPage bands(canvas, bandResolution, true, TPoint(), rect);
            while (bands.NextBand())
                site.DrawTo(bands.GetCanvas(), TPoint(), 100);
        }
        Printer().EndDoc();
        bytes = backend->spool.empty() ? 0 : backend->spool.back().pdf.size();
        backend->spool.clear();
    }
    state.counters["dpi"] = Printer().Geometry().DpiX;
    state.counters["PDF_MB"] = double(bytes) / (1024 * 1024);
    ReportPeakMemory(state, 400);
    SetPrinterBackend(nullptr);
}

} // namespace

BENCHMARK(ReadPpd)->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(DialogFirstPaint)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(SwitchPrinters)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(EpsonPaperType)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(ApplyPaperToPrinter)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(UnchangedPpd)->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(PhotoJob)
    ->Args({254, 600})
    ->Args({254, 1200})
    ->Args({0, 600})
    ->Args({0, 1200})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
