// Filling an album: 100 photo files of 12 megapixels with Exif dates poured through the photo panel
// into the empty frames of 4-frame pages (25 pages in all, 24 of them added on the way) of an editor
// on screen, photos shown at the application's display limit, beside QImageReader decoding the same
// files to 800 pixels wide, the yardstick the fill is held to.

#include "app/FAMPhoto.h"
#include "app/FLayout.h"
#include "app/UAlbumFunc.h"
#include "app/UEditModePanel.h"
#include "app/dialogs/FImageBrowser.h"
#include "app/dialogs/FPhotoFileBrowser.h"
#include "bench/BenchFrame.h"
#include "bench/BenchSupport.h"
#include "core/UAppFrame.h"
#include "imaging/UPictureEX.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "pageobjects/layout/ULOCreator.h"
#include "papers/ULabelData.h"
#include "papers/UPaperInfo.h"
#include "platform/Settings.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

constexpr int kPhotoCount = 100;
constexpr int kPhotoWidth = 4000;
constexpr int kPhotoHeight = 3000;
constexpr int kPreviewWidth = 800;
// The application's display limit of photos unless the user changed it.
constexpr int kDisplayLimit = 800;

void EnsureApplication() {
    if (!StartOffscreenApplication())
        return;
    // Settings and folder histories of a frame of the bench's own, never the user's.
    const TBenchFrame bench = StartBenchFrame(QStringLiteral("Software\\AlbumBench"));
    TAppFrame& frame = bench.frame;
    for (const char* history : {"UserPhotoHistory", "UserImageHistory", "UserIllustHistory"})
        frame.Macro().SetValue(QLatin1String(history), QStringLiteral("Software\\AlbumBench\\History"));
    frame.Macro().SetValue(QStringLiteral("ImageFileExtentions"), QStringLiteral(".jpg;.jpeg;.png"));
    frame.Macro().SetValue(QStringLiteral("exeDir"), bench.folder);
    RegisterPictureClasses();
    RegisterLayoutObjects();
    RegisterLabelDataClasses();
    RegisterEditModePanel<TfrmAMPhoto>(emPhoto);
    SetImageDispLimitSize(kDisplayLimit);
}

// A photo-like JPEG (gradients and stripes).
QByteArray PhotoBytes() {
    QImage image(kPhotoWidth, kPhotoHeight, QImage::Format_RGB32);
    for (int y = 0; y < kPhotoHeight; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kPhotoWidth; ++x)
            row[x] = qRgb(x * 255 / kPhotoWidth, y * 255 / kPhotoHeight, (x ^ y) & 0xFF);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 90);
    return bytes;
}

// The JPEG with an Exif block holding one DateTime text, right after its start marker.
QByteArray WithExifDate(QByteArray jpeg, const QByteArray& date) {
    const QByteArray text = date + '\0';
    QByteArray tiff("II*\0\x08\0\0\0\x01\0\x32\x01\x02\0", 14);
    tiff.append(char(text.size())).append(QByteArray(3, 0));
    tiff.append(QByteArray("\x1A\0\0\0", 4)).append(QByteArray(4, 0)).append(text);
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment("\xFF\xE1", 2);
    segment.append(char((payload.size() + 2) >> 8)).append(char((payload.size() + 2) & 0xFF)).append(payload);
    jpeg.insert(2, segment);
    return jpeg;
}

// The photo folder, written once for the run.
const QTemporaryDir& PhotoFolder() {
    static QTemporaryDir dir;
    static bool written = false;
    if (!written) {
        const QByteArray jpeg = PhotoBytes();
        for (int i = 0; i < kPhotoCount; ++i) {
            QFile file(dir.filePath(QStringLiteral("p%1.jpg").arg(i, 3, 10, QLatin1Char('0'))));
            file.open(QIODevice::WriteOnly);
            file.write(WithExifDate(jpeg, QStringLiteral("2020:%1:%2 10:00:00")
                                              .arg(i / 28 + 1, 2, 10, QLatin1Char('0'))
                                              .arg(i % 28 + 1, 2, 10, QLatin1Char('0'))
                                              .toLatin1()));
        }
        written = true;
    }
    return dir;
}

// Four photo slots on A4.
void UseFourSlots(TLabelData& document) {
    TMatrixPaperInfo fourSlots(nullptr);
    fourSlots.SetWidth(2100);
    fourSlots.SetHeight(2970);
    fourSlots.LeftOffset = 200;
    fourSlots.TopOffset = 300;
    fourSlots.RightMargin = 100;
    fourSlots.BottomMargin = 100;
    fourSlots.FaceWidth = 800;
    fourSlots.FaceHeight = 1000;
    fourSlots.FaceCountX = 2;
    fourSlots.FaceCountY = 2;
    document.ChangePaperInfo(fourSlots);
}

void BM_FillAlbumFromFiles(benchmark::State& state) {
    EnsureApplication();
    const QString folder = PhotoFolder().path();
    int pages = 0;
    for (auto _ : state) {
        state.PauseTiming();
        TLabelData document(nullptr);
        document.SetCurrentSheetNo(2);
        UseFourSlots(document);
        // The first page gets its frames from the paper's slots when it is shown.
        document.FaceInit = false;
        TfrmLayout editor;
        editor.resize(1200, 900);
        editor.AttachDocument(&document);
        // On screen, so the events pumped between photos paint the page as the user sees it fill.
        editor.show();
        QCoreApplication::processEvents();
        auto* panel = dynamic_cast<TfrmAMPhoto*>(editor.EditPanel());
        if (panel == nullptr) {
            state.SkipWithError("no photo panel");
            return;
        }
        panel->PhotoBrowser()->FillFromFolder(folder);
        panel->PhotoBrowser()->Browser()->SelectAll(true);
        TAlbumFuncContext context = editor.MakeAlbumContext();
        state.ResumeTiming();
        const int placed = AlbumFunc_FillEmptyFrames(context);
        editor.CommitPage();
        state.PauseTiming();
        if (placed != kPhotoCount)
            state.SkipWithError("not every photo was placed");
        pages = document.GetSheetCount() - 2;
        state.ResumeTiming();
    }
    state.counters["pages"] = pages;
}
BENCHMARK(BM_FillAlbumFromFiles)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

void BM_QImageReaderTo800(benchmark::State& state) {
    EnsureApplication();
    const QString folder = PhotoFolder().path();
    for (auto _ : state) {
        for (int i = 0; i < kPhotoCount; ++i) {
            QImageReader reader(QStringLiteral("%1/p%2.jpg").arg(folder).arg(i, 3, 10, QLatin1Char('0')));
            const QSize size = reader.size();
            reader.setScaledSize(QSize(kPreviewWidth, size.height() * kPreviewWidth / size.width()));
            benchmark::DoNotOptimize(reader.read());
        }
    }
}
BENCHMARK(BM_QImageReaderTo800)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

} // namespace
