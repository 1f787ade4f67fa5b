// Bringing pictures in: a Photo CD pack's Base size (768 x 512) decoded and turned; the Photo CD
// window from its showing to its first sample; and the automatic adjustment window over 12-megapixel
// JPEG files: its three uncorrected rows, three corrected previews, and キャンセル while corrections
// run; a 300-dpi colour page from the scanner into a panel. The window figures also report the
// longest the event loop went without a turn ("max_stall_ms"), measured by a zero timer.

#include "BenchSupport.h"
#include "app/dialogs/FAutoImgNorm.h"
#include "app/dialogs/FEnvironment.h"
#include "app/dialogs/FPhotoCD.h"
#include "app/dialogs/FTwain.h"
#include "controls/UImagePanel.h"
#include "imaging/UAutoAdjustFilter.h"
#include "imaging/UImageData.h"
#include "imaging/UImageFilter.h"
#include "imaging/UImgNormalize.h"
#include "imaging/UPCDAccess.h"
#include "imaging/UPictureEX.h"
#include "imaging/UPictureUtil.h"
#include "imaging/UTwain.h"
#include "imaging/USafetyBitmap.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/layout/UAINPicList.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "platform/Bitmap.h"
#include "platform/Picture.h"
#include "platform/Scanner.h"
#include "platform/ScannerWindow.h"
#include "platform/Settings.h"
#include "tests/imaging/PCDBuilder.h"

#include <QElapsedTimer>
#include <QComboBox>
#include <QImage>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <algorithm>
#include <memory>

namespace {

constexpr int kBaseResolution = 3;
constexpr int kFormatRGB = 11;
constexpr int kTurnLeft = 4;

QTemporaryDir& Folder() {
    static QTemporaryDir folder;
    return folder;
}

void Start() {
    // Settings of its own (the scanner window keeps its choices there), never the user's; the
    // scanner is SANE's test backend configured from the tests' folder only.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(Folder().path()));
    qputenv("SANE_CONFIG_DIR", QUORLANE_SANE_CONFIG);
    Scanner::SetHelperProgram(QStringLiteral(QUORLANE_SCAN_HELPER));
    if (!StartOffscreenApplication())
        return;
    SettingsStore::SetFileName(Folder().filePath(QStringLiteral("registry.ini")));
    RegisterPictureClasses();
}

// A Photo CD pack of smooth colour ramps.
const QString& PhotoCDFile() {
    static const QString path = [] {
        const QString name = Folder().filePath(QStringLiteral("ramps.pcd"));
        WritePCDFile(
            name, MakePCDFile([](int, int x, int y) {
                return PCDSample{uint8_t((x + y) & 0xFF), uint8_t(100 + x % 50), uint8_t(150 - y % 50)};
            }));
        return name;
    }();
    return path;
}

// Twelve-megapixel photos (4000 x 3000), each a differently lit, low-contrast scene, saved as JPEG.
const QStringList& PhotoFiles() {
    static const QStringList files = [] {
        QStringList names;
        for (int i = 0; i < 6; ++i) {
            QImage image(4000, 3000, QImage::Format_RGB32);
            for (int y = 0; y < image.height(); ++y) {
                auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = 0; x < image.width(); ++x)
                    line[x] = qRgb(80 + (x / 40 + i * 7) % 60, 90 + (y / 30) % 50, 70 + ((x + y) / 50) % 70);
            }
            names << Folder().filePath(QStringLiteral("photo%1.jpg").arg(i));
            image.save(names.back(), "JPG", 90);
        }
        return names;
    }();
    return files;
}

// Watches the event loop: the longest time between two turns while it runs.
class TStallWatch {
public:
    TStallWatch() {
        QObject::connect(&timer_, &QTimer::timeout,
                         [this] { longest_ = std::max(longest_, clock_.restart()); });
        clock_.start();
        timer_.start(0);
    }
    double LongestMs() const { return double(longest_); }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 longest_ = 0;
};

void RunUntil(const std::function<bool()>& done, int timeoutMs = 30000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

bool RowsShown(const std::array<TImagePanel*, TfrmAutoImgNorm::kRows>& row) {
    for (TImagePanel* panel : row)
        if (panel->Picture().Graphic() == nullptr)
            return false;
    return true;
}

// The window opened on the list and shown until shown() holds: the event loop's longest stall meanwhile.
double LongestStallOpening(TImgNormalizeCallBackClass* list, const std::function<bool(TfrmAutoImgNorm&)>& shown) {
    TfrmAutoImgNorm dialog;
    dialog.SetSource(list);
    TStallWatch watch;
    dialog.show();
    RunUntil([&] { return shown(dialog); });
    return watch.LongestMs();
}

// The window opened on the list with its first previews in.
std::unique_ptr<TfrmAutoImgNorm> OpenWithPreviews(TImgNormalizeCallBackClass* list) {
    auto dialog = std::make_unique<TfrmAutoImgNorm>();
    dialog->SetSource(list);
    dialog->show();
    RunUntil([&] { return dialog->PreviewsPending() == 0; });
    return dialog;
}

void CorrectEveryRow(TfrmAutoImgNorm& dialog) {
    for (int row = 0; row < TfrmAutoImgNorm::kRows; ++row)
        dialog.ChooseFilter(row, TfrmAutoImgNorm::fnOwn);
}

} // namespace

static void BM_PhotoCDBaseDecodedAndTurned(benchmark::State& state) {
    Start();
    TPCDAccess access;
    access.Open(PhotoCDFile());
    for (auto _ : state) {
        access.SetResolution(kBaseResolution);
        access.SetFormat(kFormatRGB);
        access.SetTransform(kTurnLeft);
        TSafetyBitmap bitmap;
        access.LoadBitmap(bitmap);
        benchmark::DoNotOptimize(bitmap.Width());
        access.SetTransform(0);
    }
    ReportTarget(state, "ms", 10);
}
BENCHMARK(BM_PhotoCDBaseDecodedAndTurned)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

static void BM_PhotoCDWindowFirstSample(benchmark::State& state) {
    Start();
    for (auto _ : state) {
        TfrmPhotoCD dialog;
        dialog.SetFileName(PhotoCDFile());
        dialog.show();
        RunUntil([&] { return dialog.ipnlView->Picture().Graphic() != nullptr; });
        benchmark::DoNotOptimize(dialog.ipnlView->Picture().Width());
    }
    ReportTarget(state, "ms", 150);
}
BENCHMARK(BM_PhotoCDWindowFirstSample)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

static void BM_AdjustWindowUncorrectedRows(benchmark::State& state) {
    Start();
    TAINPicFileList list;
    list.SetFileNames(PhotoFiles());
    double stall = 0;
    for (auto _ : state)
        stall = std::max(stall, LongestStallOpening(&list, [](TfrmAutoImgNorm& d) { return RowsShown(d.imSrc); }));
    state.counters["max_stall_ms"] = stall;
    ReportTarget(state, "ms", 300);
    ReportTarget(state, "max_stall_ms", 100);
}
BENCHMARK(BM_AdjustWindowUncorrectedRows)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

// The file list writes nothing back, so every photo starts uncorrected; all three visible ones are
// then corrected at once.
static void BM_AdjustWindowThreeCorrectedPreviews(benchmark::State& state) {
    Start();
    TAINPicFileList list;
    list.SetFileNames(PhotoFiles());
    double stall = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<TfrmAutoImgNorm> dialog = OpenWithPreviews(&list);
        state.ResumeTiming();
        TStallWatch watch;
        CorrectEveryRow(*dialog);
        RunUntil([&] { return dialog->PreviewsPending() == 0 && RowsShown(dialog->imDst); });
        stall = std::max(stall, watch.LongestMs());
        state.PauseTiming();
        dialog.reset();
        state.ResumeTiming();
    }
    state.counters["max_stall_ms"] = stall;
    ReportTarget(state, "ms", 2000);
    ReportTarget(state, "max_stall_ms", 100);
}
BENCHMARK(BM_AdjustWindowThreeCorrectedPreviews)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(3);

// The photo panel's 自動画質調整 on one 12-megapixel page photo with a clip, a brightness and a blur,
// at the program's display limit or (no_limit:1) none: from opening until both previews are shown,
// and the event loop's longest stall meanwhile (drawing the photo with its filters is the worker's).
static void BM_AdjustWindowPagePhoto(benchmark::State& state) {
    Start();
    SetImageDispLimitSize(state.range(0) != 0 ? 0 : GetImageDispLimitSize());
    TLOAlbumPhoto photo(nullptr);
    {
        TPictureEx picture;
        LoadPictureFile(nullptr, &picture, PhotoFiles().front());
        photo.SetPhotoPicture(&picture);
    }
    photo.PhotoImageObj()->ClipFilter()->SetClipRect(TRect(400, 300, 3600, 2700));
    photo.PhotoImageObj()->LightFilter()->SetBrightness(20);
    photo.PhotoImageObj()->BlurFilter()->SetBlurCount(3);
    photo.NormalizeFilter()->SetFilterNo(TfrmAutoImgNorm::fnOwn);
    TDOList listed;
    listed.Add(&photo);
    TAINObjectList list;
    list.SetList(&listed);
    double stall = 0;
    for (auto _ : state)
        stall = std::max(stall,
                         LongestStallOpening(&list, [](TfrmAutoImgNorm& d) { return d.PreviewsPending() == 0; }));
    state.counters["max_stall_ms"] = stall;
    ReportTarget(state, "max_stall_ms", 100);
}
BENCHMARK(BM_AdjustWindowPagePhoto)
    ->ArgName("no_limit")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

// キャンセル while three corrections are on their way: from the click until the window is gone.
static void BM_AdjustWindowCancelDuringCorrections(benchmark::State& state) {
    Start();
    TAINPicFileList list;
    list.SetFileNames(PhotoFiles());
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<TfrmAutoImgNorm> dialog = OpenWithPreviews(&list);
        CorrectEveryRow(*dialog);
        // Well into the first correction.
        RunUntil([] { return false; }, 150);
        state.ResumeTiming();
        dialog->btnCancel->click();
        dialog.reset();
    }
    ReportTarget(state, "ms", 200);
}
BENCHMARK(BM_AdjustWindowCancelDuringCorrections)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(5);

// A 300-dpi colour page of the test scanner's whole bed (200 x 200 mm: 2362 x 2362) through the
// acquisition window into a panel, shrunk to 1500. The figure is the time after the page's last
// byte: the window's run from スキャン until the panel holds the picture, less the scanner service's
// bare scan of the same page (the best of three, taken apart), so the backend's own work is not
// counted. "total_ms" and "scan_ms" are the two parts.
static void BM_ScannedPageIntoAPanel(benchmark::State& state) {
    Start();
    const QString device = QStringLiteral("test:0");
    const int savedLimit = PictureSizeLimit.exchange(1500);
    Scanner::Instance().Load();
    double scanMs = 1e9;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer clock;
        clock.start();
        const ScanResult page = Scanner::Instance()
                                    .Scan(device, ScanOptions{{{QStringLiteral("mode"), QStringLiteral("Color")},
                                                               {QStringLiteral("resolution"), QStringLiteral("300")},
                                                               {QStringLiteral("tl-x"), QStringLiteral("0")},
                                                               {QStringLiteral("tl-y"), QStringLiteral("0")},
                                                               {QStringLiteral("br-x"), QStringLiteral("200")},
                                                               {QStringLiteral("br-y"), QStringLiteral("200")}}})
                                    .get();
        scanMs = std::min(scanMs, clock.nsecsElapsed() / 1e6);
        Scanner::Instance().EndPages().get();
        if (page.pixels.Width() != 2362 || page.pixels.Height() != 2362) {
            state.SkipWithError("the test scanner gave no 2362 x 2362 page");
            return;
        }
    }
    Scanner::Instance().CloseDevice().get();
    TTwainManager::Instance().SetSourceIdentity(ScanDevice{device, {}, {}, {}});

    TImagePanel panel;
    double totalMs = 0;
    for (auto _ : state) {
        TfrmTwain acquisition;
        QElapsedTimer clock;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            TScannerWindow* window = TTwainManager::Instance().SourceWindow();
            if (window == nullptr || !window->isVisible() || clock.isValid())
                return;
            window->cmbMode->setCurrentIndex(window->cmbMode->findText(QStringLiteral("カラー")));
            window->cmbResolution->setCurrentIndex(window->cmbResolution->findText(QStringLiteral("300 dpi")));
            window->rbWholeBed->setChecked(true);
            clock.start();
            window->btnScan->click();
        });
        watch.start(5);
        acquisition.exec();
        panel.SetPicture(acquisition.Picture());
        const double total = clock.isValid() ? clock.nsecsElapsed() / 1e6 : 0;
        if (panel.Picture().Width() != 1500 || panel.Picture().Height() != 1500) {
            state.SkipWithError("the page did not come in shrunk to 1500 x 1500");
            break;
        }
        totalMs = total;
        state.SetIterationTime(std::max(0.0, total - scanMs) / 1000);
    }
    PictureSizeLimit = savedLimit;
    state.counters["total_ms"] = totalMs;
    state.counters["scan_ms"] = scanMs;
    ReportTarget(state, "ms", 500);
}
BENCHMARK(BM_ScannedPageIntoAPanel)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->MeasureProcessCPUTime()
    ->Iterations(5);
