// The photo-file browser at 1280 x 800, thumbnail size 80, on a folder of 1,000 photos of 4000 x 3000:
// the time from listing until every visible cell shows its thumbnail with an empty thumbnail cache
// (cold) and with the cache filled (warm), and the longest stretch the UI thread was busy meanwhile
// and while paging through all 1,000 at ten pages a second with the cache empty (which fills it). Cold runs
// with two loader workers (two cores) and is compared with "vipsthumbnail -s 200" on the same visible files
// in two processes, when that program is installed.

#include "app/DMain.h"
#include "app/dialogs/FImageBrowser.h"
#include "app/dialogs/FPhotoFileBrowser.h"
#include "app/dialogs/UThumbGrid.h"
#include "bench/BenchFrame.h"
#include "bench/BenchSupport.h"
#include "core/UAppFrame.h"
#include "imaging/UImageCache.h"
#include "imaging/UImageLoadThread.h"
#include "imaging/UImagePack.h"
#include "platform/Settings.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <set>
#include <unistd.h>

namespace {

constexpr int kPhotoCount = 1000;
// Distinct pictures; the other names are hard links to them (each is still a file of its own name).
constexpr int kDistinctPhotos = 8;
constexpr int kPhotoWidth = 4000;
constexpr int kPhotoHeight = 3000;
constexpr int kBrowserWidth = 1280;
constexpr int kBrowserHeight = 800;
constexpr int kThumbSize = 80;
constexpr int kWorkers = 2;
constexpr int kScrollIntervalMs = 100;

void EnsureApplication() {
    // The plain dispatcher reports waking and waiting around each pass of the loop.
    qputenv("QT_NO_GLIB", "1");
    if (!StartOffscreenApplication())
        return;
    // Settings and the folder history of a frame of the bench's own, never the user's.
    const TBenchFrame bench = StartBenchFrame(QStringLiteral("Software\\PhotoBench"));
    TAppFrame& frame = bench.frame;
    frame.Macro().SetValue(QStringLiteral("UserPhotoHistory"),
                           QStringLiteral("Software\\PhotoBench\\History"));
    frame.Macro().SetValue(QStringLiteral("ImageFileExtentions"), QStringLiteral(".jpg;.jpeg;.png"));
    frame.Macro().SetValue(QStringLiteral("exeDir"), bench.folder);
}

QString PhotoName(int i) {
    return QStringLiteral("IMG_%1.jpg").arg(i, 4, 10, QLatin1Char('0'));
}

// Made once per machine and kept: smooth gradients with detail, as camera pictures compress.
QString PhotoFolder() {
    static const QString folder = [] {
        const QString dir = QDir::tempPath() + QStringLiteral("/quorlane-photobench-%1").arg(getuid());
        QDir().mkpath(dir);
        if (QFile::exists(dir + u'/' + PhotoName(kPhotoCount - 1)))
            return dir;
        for (int k = 0; k < kDistinctPhotos; ++k) {
            QImage image(kPhotoWidth, kPhotoHeight, QImage::Format_RGB32);
            for (int y = 0; y < kPhotoHeight; ++y) {
                auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = 0; x < kPhotoWidth; ++x)
                    row[x] = qRgb((x * 255 / kPhotoWidth + k * 31) & 255, (y * 255 / kPhotoHeight) ^ (k * 17),
                                  ((x ^ y) >> 3 & 63) + k * 20);
            }
            QPainter painter(&image);
            painter.setFont(QFont(QStringLiteral("Sans"), 200));
            painter.drawText(image.rect(), Qt::AlignCenter, QString::number(k));
            painter.end();
            image.save(dir + u'/' + PhotoName(k), "JPEG", 88);
        }
        for (int i = kDistinctPhotos; i < kPhotoCount; ++i) {
            const QString source = dir + u'/' + PhotoName(i % kDistinctPhotos);
            const QString target = dir + u'/' + PhotoName(i);
            QFile::remove(target);
            if (::link(QFile::encodeName(source).constData(), QFile::encodeName(target).constData()) != 0)
                QFile::copy(source, target);
        }
        return dir;
    }();
    return folder;
}

// The longest stretch between the UI thread waking and waiting again.
class BusyWatch {
public:
    BusyWatch() {
        clock_.start();
        auto* dispatcher = QAbstractEventDispatcher::instance();
        awake_ = QObject::connect(dispatcher, &QAbstractEventDispatcher::awake,
                                  [this] { awakeAt_ = clock_.nsecsElapsed(); });
        block_ = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, [this] {
            if (awakeAt_ >= 0)
                longestMs = std::max(longestMs, double(clock_.nsecsElapsed() - awakeAt_) / 1e6);
            awakeAt_ = -1;
        });
    }
    ~BusyWatch() {
        QObject::disconnect(awake_);
        QObject::disconnect(block_);
    }
    double longestMs = 0;

private:
    QElapsedTimer clock_;
    qint64 awakeAt_ = -1;
    QMetaObject::Connection awake_, block_;
};

std::vector<int> VisiblePositions(TThumbGrid& grid) {
    std::vector<int> visible;
    for (int i = 0; i < grid.Count(); ++i)
        if (grid.ItemRect(i).intersects(grid.viewport()->rect()))
            visible.push_back(i);
    return visible;
}

bool VisibleShown(TThumbGrid& grid) {
    if (grid.PendingCount() > 0 || !grid.Loader() || !grid.Loader()->Idle())
        return false;
    const std::vector<int> cached = grid.CellPack().CachedIndexes();
    const std::set<int> have(cached.begin(), cached.end());
    for (int position : VisiblePositions(grid))
        if (!have.count(grid.ItemImageIndex(position)))
            return false;
    return true;
}

// Runs the event loop (blocking when idle, as the program's does) until done holds.
void LoopUntil(const std::function<bool()>& done) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(2);
    loop.exec();
}

struct TShowing {
    double seconds = 0;
    double longestBusyMs = 0;
    QStringList visibleFiles;
};

// Lists the folder in a new browser and waits until the visible cells show their thumbnails; with
// scroll, then pages through the whole list at ten pages a second and waits again.
TShowing ShowFolder(const QString& cacheFile, bool scroll) {
    TImageCacheStorage cache;
    cache.Open(cacheFile, false);
    TfrmPhotoFileBrowser browser;
    browser.FileImagePack()->OnFileLoad = [&cache](TObject*, const QString& fileName, TPicture& picture) {
        LoadPreviewImage(&cache, fileName, picture);
    };
    browser.Browser()->SetLoaderWorkers(kWorkers);
    browser.resize(kBrowserWidth, kBrowserHeight);
    browser.show();
    QCoreApplication::processEvents();
    TThumbGrid& grid = *browser.Browser()->Grid();
    TShowing showing;
    BusyWatch watch;
    QElapsedTimer clock;
    clock.start();
    browser.FillFromFolder(PhotoFolder());
    LoopUntil([&] { return VisibleShown(grid); });
    showing.seconds = double(clock.nsecsElapsed()) / 1e9;
    for (int position : VisiblePositions(grid))
        showing.visibleFiles << browser.GetFileName(grid.ItemImageIndex(position));
    if (scroll) {
        QTimer pager;
        QObject::connect(&pager, &QTimer::timeout, [&] {
            QScrollBar* bar = grid.verticalScrollBar();
            bar->setValue(std::min(bar->maximum(), bar->value() + bar->pageStep()));
        });
        pager.start(kScrollIntervalMs);
        LoopUntil([&] {
            return grid.verticalScrollBar()->value() == grid.verticalScrollBar()->maximum() &&
                   VisibleShown(grid);
        });
    }
    showing.longestBusyMs = watch.longestMs;
    return showing;
}

// vipsthumbnail -s 200 on the files in two processes at once; negative when it is not installed.
double VipsSeconds(const QStringList& files) {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("vipsthumbnail"));
    if (program.isEmpty())
        return -1;
    QTemporaryDir out;
    QElapsedTimer clock;
    clock.start();
    QProcess halves[2];
    for (int h = 0; h < 2; ++h) {
        QStringList args = {QStringLiteral("-s"), QStringLiteral("200"), QStringLiteral("-o"),
                            out.path() + QStringLiteral("/%s.jpg")};
        for (int i = h; i < files.size(); i += 2)
            args << files[i];
        halves[h].start(program, args);
    }
    for (QProcess& p : halves)
        p.waitForFinished(-1);
    return double(clock.nsecsElapsed()) / 1e9;
}

void BM_PhotoBrowserCold(benchmark::State& state) {
    EnsureApplication();
    PhotoFolder();
    double longest = 0, vips = 0, visible = 0;
    for (auto _ : state) {
        QTemporaryDir cacheDir;
        const TShowing showing = ShowFolder(cacheDir.filePath(QStringLiteral("ImageCache.ic")), false);
        state.SetIterationTime(showing.seconds);
        longest = std::max(longest, showing.longestBusyMs);
        visible = double(showing.visibleFiles.size());
        vips = VipsSeconds(showing.visibleFiles);
        if (vips > 0)
            state.counters["vips_s"] = vips;
        state.counters["ratio_to_vips"] = vips > 0 ? showing.seconds / vips : 0;
    }
    state.counters["visible"] = visible;
    state.counters["longest_ui_ms"] = longest;
}
BENCHMARK(BM_PhotoBrowserCold)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

void BM_PhotoBrowserWarmAndScroll(benchmark::State& state) {
    EnsureApplication();
    PhotoFolder();
    QTemporaryDir cacheDir;
    const QString cacheFile = cacheDir.filePath(QStringLiteral("ImageCache.ic"));
    // Paging through the whole folder with the cache empty makes every thumbnail once.
    const double longestScroll = ShowFolder(cacheFile, true).longestBusyMs;
    double longestWarm = 0;
    for (auto _ : state) {
        const TShowing warm = ShowFolder(cacheFile, false);
        state.SetIterationTime(warm.seconds);
        longestWarm = std::max(longestWarm, warm.longestBusyMs);
    }
    state.counters["longest_ui_ms"] = longestWarm;
    state.counters["longest_ui_scroll_ms"] = longestScroll;
}
BENCHMARK(BM_PhotoBrowserWarmAndScroll)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

} // namespace
