// Bringing pictures in: a Photo CD pack's Base size (768 x 512) decoded and turned; the Photo CD
// window from its showing to its first sample; and the automatic adjustment window over 12-megapixel
// JPEG files: its three uncorrected rows, three corrected previews, and キャンセル while corrections
// run. The window figures also report the longest the event loop went without a turn
// ("max_stall_ms"), measured by a zero timer.

#include "BenchSupport.h"
#include "app/dialogs/FAutoImgNorm.h"
#include "app/dialogs/FPhotoCD.h"
#include "controls/UImagePanel.h"
#include "imaging/UImgNormalize.h"
#include "imaging/UPCDAccess.h"
#include "imaging/UPictureEX.h"
#include "imaging/UPictureUtil.h"
#include "imaging/USafetyBitmap.h"
#include "platform/Bitmap.h"
#include "platform/Picture.h"
#include "tests/imaging/PCDBuilder.h"

#include <QElapsedTimer>
#include <QImage>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
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
    if (StartOffscreenApplication())
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
    for (auto _ : state) {
        TfrmAutoImgNorm dialog;
        dialog.SetSource(&list);
        TStallWatch watch;
        dialog.show();
        RunUntil([&] { return RowsShown(dialog.imSrc); });
        stall = std::max(stall, watch.LongestMs());
    }
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
        auto dialog = std::make_unique<TfrmAutoImgNorm>();
        dialog->SetSource(&list);
        dialog->show();
        RunUntil([&] { return dialog->PreviewsPending() == 0; });
        state.ResumeTiming();
        TStallWatch watch;
        for (int row = 0; row < TfrmAutoImgNorm::kRows; ++row)
            dialog->ChooseFilter(row, TfrmAutoImgNorm::fnOwn);
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

// キャンセル while three corrections are on their way: from the click until the window is gone.
static void BM_AdjustWindowCancelDuringCorrections(benchmark::State& state) {
    Start();
    TAINPicFileList list;
    list.SetFileNames(PhotoFiles());
    for (auto _ : state) {
        state.PauseTiming();
        auto dialog = std::make_unique<TfrmAutoImgNorm>();
        dialog->SetSource(&list);
        dialog->show();
        RunUntil([&] { return dialog->PreviewsPending() == 0; });
        for (int row = 0; row < TfrmAutoImgNorm::kRows; ++row)
            dialog->ChooseFilter(row, TfrmAutoImgNorm::fnOwn);
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
