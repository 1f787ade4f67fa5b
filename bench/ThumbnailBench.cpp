// Thumbnails of a folder of camera photos, the way the preview browser makes them: a file pack whose
// file loading asks the thumbnail cache first and otherwise decodes the photo at a reduced JPEG scale
// and box-shrinks it onto a 200 x 200 white tile, all on the background loader's one worker. Cold
// starts from an empty cache; warm finds every thumbnail in it. A third run gives the loader one
// worker per processor.
//
// The photos (200 JPEGs of 4000 x 3000) are made once into $QUORLANE_BENCH_PHOTOS (a folder under
// /dev/shm or the temporary folder when it is not set) and kept there, so bench/compare can run
// vipsthumbnail on the same files.

#include "core/UGeometryUtil.h"
#include "imaging/UGraphicsUtil.h"
#include "imaging/UImageCache.h"
#include "imaging/UImageLoadThread.h"
#include "imaging/UImagePack.h"
#include "imaging/UJPEGImage.h"
#include "imaging/UPictureEX.h"
#include "imaging/USafetyBitmap.h"
#include "platform/Canvas.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QThread>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

constexpr int kPhotoCount = 200;
constexpr int kPhotoWidth = 4000;
constexpr int kPhotoHeight = 3000;
constexpr int kThumbSide = 200;

QString PhotoFolder() {
    const QByteArray env = qgetenv("QUORLANE_BENCH_PHOTOS");
    if (!env.isEmpty())
        return QString::fromLocal8Bit(env);
    const QString base =
        QFileInfo(QStringLiteral("/dev/shm")).isDir() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    return base + QStringLiteral("/quorlane-thumbnail-bench");
}

QStringList MakePhotos() {
    const QString folder = PhotoFolder();
    QDir().mkpath(folder);
    QStringList files;
    for (int i = 0; i < kPhotoCount; ++i) {
        const QString file = folder + QStringLiteral("/photo%1.jpg").arg(i, 3, 10, QLatin1Char('0'));
        files << file;
        if (QFileInfo::exists(file))
            continue;
        // Gradients with noise, different in every photo, so the coder sees photo-like detail.
        TBitmap bitmap(kPhotoWidth, kPhotoHeight, pf24bit);
        uint32_t seed = 0x9E3779B9u * uint32_t(i + 1);
        for (int y = 0; y < kPhotoHeight; ++y) {
            uint8_t* row = bitmap.ScanLine(y);
            for (int x = 0; x < kPhotoWidth; ++x) {
                seed = seed * 1664525u + 1013904223u;
                const int noise = int(seed >> 28);
                row[x * 3] = uint8_t((x * 200 / kPhotoWidth + i) + noise);
                row[x * 3 + 1] = uint8_t(y * 200 / kPhotoHeight + noise);
                row[x * 3 + 2] = uint8_t((x + y) * 100 / (kPhotoWidth + kPhotoHeight) + noise + i * 3);
            }
        }
        TJPEGGraphic jpeg;
        jpeg.SetCompressionQuality(90);
        jpeg.Assign(bitmap);
        jpeg.SaveToFile(file);
    }
    return files;
}

// The preview browser's file loading: the cache first, else a thumbnail made and stored.
void LoadPreview(TImageCacheStorage& cache, const QString& fileName, TPicture& picture) {
    TImageCacheItem item;
    if (cache.LoadItem(fileName, item) && item.IsValidFor(fileName)) {
        picture.Assign(item.Picture());
        return;
    }
    TPictureEx photo;
    photo.LoadFromFile(fileName);
    const TRect fitted = FitSizeInner(TRect(0, 0, photo.Width(), photo.Height()), kThumbSide, kThumbSide);
    TBitmap shrunk(fitted.Width(), fitted.Height(), pf24bit);
    DrawPictureThumbnail(&photo, &shrunk, clNone, true, clWhite);
    TSafetyBitmap tile(kThumbSide, kThumbSide, pf24bit);
    tile.Canvas().FillSolid(TRect(0, 0, kThumbSide, kThumbSide), clWhite);
    tile.Canvas().Draw((kThumbSide - fitted.Width()) / 2, (kThumbSide - fitted.Height()) / 2, shrunk);
    item.SetSourceFile(fileName);
    item.Picture()->SetGraphic(&tile);
    cache.SaveItem(fileName, item);
    picture.Assign(item.Picture());
}

void LoadAll(const QStringList& files, const QString& cacheFile, int workers = 1) {
    TImageCacheStorage cache;
    cache.Open(cacheFile, false);
    TFileImagePack pack(nullptr);
    pack.FileList().SetText(files.join(QStringLiteral("\n")));
    pack.OnFileLoad = [&cache](TObject*, const QString& fileName, TPicture& picture) {
        LoadPreview(cache, fileName, picture);
    };
    TImageLoadThread loader(nullptr, workers);
    loader.SetPack(&pack);
    for (int i = 0; i < files.size(); ++i)
        loader.Request(i);
    int taken = 0;
    TPictureEx picture;
    while (taken < files.size()) {
        if (loader.TakeLoaded(picture) >= 0)
            ++taken;
        else
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

QGuiApplication& App() {
    static int argc = 1;
    static char name[] = "bench_ThumbnailBench";
    static char* argv[] = {name, nullptr};
    // No window is shown: the bench runs without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(argc, argv);
    return app;
}

void BM_ThumbnailsCold(benchmark::State& state) {
    App();
    const QStringList files = MakePhotos();
    const QString cacheFile = PhotoFolder() + QStringLiteral("/cold.ic");
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(cacheFile);
        state.ResumeTiming();
        LoadAll(files, cacheFile);
    }
    state.counters["photos"] = files.size();
}
BENCHMARK(BM_ThumbnailsCold)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

// The same with one worker per processor (the cache still takes one entry at a time).
void BM_ThumbnailsColdAllProcessors(benchmark::State& state) {
    App();
    const QStringList files = MakePhotos();
    const QString cacheFile = PhotoFolder() + QStringLiteral("/parallel.ic");
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(cacheFile);
        state.ResumeTiming();
        LoadAll(files, cacheFile, QThread::idealThreadCount());
    }
    state.counters["photos"] = files.size();
}
BENCHMARK(BM_ThumbnailsColdAllProcessors)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

void BM_ThumbnailsWarm(benchmark::State& state) {
    App();
    const QStringList files = MakePhotos();
    const QString cacheFile = PhotoFolder() + QStringLiteral("/warm.ic");
    QFile::remove(cacheFile);
    LoadAll(files, cacheFile);
    for (auto _ : state)
        LoadAll(files, cacheFile);
    state.counters["photos"] = files.size();
}
BENCHMARK(BM_ThumbnailsWarm)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

} // namespace
