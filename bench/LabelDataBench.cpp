// Documents: a 50-sheet album with four 3000 x 2000 JPEG photos a sheet, beside a plain copy of its
// file. Opening it (the file and the first face's objects), saving it unchanged, and the first save
// (every face packed and previewed) with one worker and with every core.
// OpenPhotoPage: an A4 page of 20 album photos, each a different 12-megapixel JPEG (95 MB of JPEG
// bytes in one page), opened as the editor shows it; peak memory of the open against 200 MB. Run
// it in a process of its own (--benchmark_filter=OpenPhotoPage) for a peak of its own.

#include "bench/BenchSupport.h"
#include "imaging/UJPEGImage.h"
#include "imaging/UPictureEX.h"
#include "imaging/UZLIB.h"
#include "pageobjects/engine/UDrawSiteAction.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "pageobjects/layout/ULOCreator.h"
#include "pageobjects/layout/ULOImage.h"
#include "papers/ULabelData.h"
#include "papers/UPaperInfo.h"
#include "platform/ClassRegistry.h"
#include "platform/Picture.h"
#include "platform/Stream.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QThreadPool>
#include <benchmark/benchmark.h>
#include <vector>

namespace {

constexpr int kSheets = 50;
constexpr int kPhotosPerSheet = 4;
// Distinct photos, taken in turn: the four of a sheet always differ.
constexpr int kPhotoCount = 8;

void EnsureApplication() {
    if (!StartOffscreenApplication())
        return;
    RegisterEngineClasses();
    RegisterLabelDataClasses();
    RegisterClass(TLOImage::StaticClass());
    RegisterLayoutObjects();
    RegisterPictureClasses();
}

// 3000 x 2000 photos: smooth colour fields, as JPEG files' bytes.
const std::vector<QByteArray>& Photos() {
    static const std::vector<QByteArray> photos = [] {
        std::vector<QByteArray> out;
        for (int n = 0; n < kPhotoCount; ++n) {
            QImage image(3000, 2000, QImage::Format_RGB32);
            for (int y = 0; y < image.height(); ++y) {
                auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = 0; x < image.width(); ++x)
                    row[x] =
                        qRgb((x / 12 + n * 37) & 255, (y / 8 + n * 11) & 255, ((x + y) / 20 + n * 5) & 255);
            }
            QBuffer buffer;
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "JPEG", 90);
            out.push_back(buffer.data());
        }
        return out;
    }();
    return photos;
}

// The album built in memory: each sheet an A4 page of four photos.
std::unique_ptr<TLabelData> MakeAlbum() {
    auto doc = std::make_unique<TLabelData>(nullptr);
    TMatrixPaperInfo paper(nullptr);
    paper.SetWidth(2100);
    paper.SetHeight(2970);
    for (int s = 0; s < kSheets; ++s) {
        if (s < doc->GetSheetCount())
            doc->SetCurrentSheetNo(s);
        else
            doc->AddSheet();
        doc->SetPaperInfo(paper);
        TOwnedDOList objects;
        for (int i = 0; i < kPhotosPerSheet; ++i) {
            auto image = std::make_unique<TLOImage>(nullptr);
            image->SetLogRect(Bounds(100 + (i % 2) * 980, 100 + (i / 2) * 1400, 900, 600));
            TJPEGGraphic jpeg;
            jpeg.SetData(Photos()[size_t((s + i) % kPhotoCount)]);
            image->ImageData()->Picture()->SetGraphic(&jpeg);
            objects.Add(std::move(image));
        }
        TDOList view;
        objects.ListObjects(view);
        doc->StoreLabelObjects(0, view);
    }
    doc->SetCurrentSheetNo(0);
    return doc;
}

QTemporaryDir& Folder() {
    static QTemporaryDir dir;
    return dir;
}

// The album saved once: the file the other benchmarks open and copy.
const QString& AlbumFile() {
    static const QString file = [] {
        EnsureApplication();
        const QString name = Folder().filePath(QStringLiteral("album.qld"));
        MakeAlbum()->SaveToFile(name);
        return name;
    }();
    return file;
}

void BM_PlainCopy(benchmark::State& state) {
    const QString& album = AlbumFile();
    const QString copy = Folder().filePath(QStringLiteral("copy.qld"));
    for (auto _ : state) {
        QFile::remove(copy);
        if (!QFile::copy(album, copy))
            state.SkipWithError("copy failed");
    }
    state.counters["file MB"] = double(QFile(album).size()) / (1024 * 1024);
}
BENCHMARK(BM_PlainCopy)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_Open(benchmark::State& state) {
    const QString& album = AlbumFile();
    for (auto _ : state) {
        TLabelData doc(nullptr);
        doc.LoadFromFile(album);
        TOwnedDOList objects;
        doc.LoadLabelObjects(0, objects);
        benchmark::DoNotOptimize(objects.Count());
    }
}
BENCHMARK(BM_Open)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_SaveUnchanged(benchmark::State& state) {
    TLabelData doc(nullptr);
    doc.LoadFromFile(AlbumFile());
    const QString out = Folder().filePath(QStringLiteral("unchanged.qld"));
    for (auto _ : state)
        doc.SaveToFile(out);
}
BENCHMARK(BM_SaveUnchanged)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// Argument: worker threads (0: every core).
void BM_FirstSave(benchmark::State& state) {
    EnsureApplication();
    QThreadPool* pool = QThreadPool::globalInstance();
    const int cores = QThread::idealThreadCount();
    pool->setMaxThreadCount(state.range(0) == 0 ? cores : int(state.range(0)));
    const QString out = Folder().filePath(QStringLiteral("first.qld"));
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<TLabelData> doc = MakeAlbum();
        state.ResumeTiming();
        doc->SaveToFile(out);
        state.PauseTiming();
        doc.reset();
        state.ResumeTiming();
    }
    state.counters["workers"] = pool->maxThreadCount();
    pool->setMaxThreadCount(cores);
}
BENCHMARK(BM_FirstSave)
    ->Arg(1)
    ->Arg(0)
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

// The first save once every preview exists: the packing alone (and the copy out).
void BM_FirstSavePreviewed(benchmark::State& state) {
    EnsureApplication();
    QThreadPool* pool = QThreadPool::globalInstance();
    const int cores = QThread::idealThreadCount();
    pool->setMaxThreadCount(state.range(0) == 0 ? cores : int(state.range(0)));
    const QString out = Folder().filePath(QStringLiteral("previewed.qld"));
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<TLabelData> doc = MakeAlbum();
        for (int s = 0; s < doc->GetSheetCount(); ++s) {
            doc->SetCurrentSheetNo(s);
            doc->UpdatePreview(0);
        }
        doc->SetCurrentSheetNo(0);
        state.ResumeTiming();
        doc->SaveToFile(out);
        state.PauseTiming();
        doc.reset();
        state.ResumeTiming();
    }
    state.counters["workers"] = pool->maxThreadCount();
    pool->setMaxThreadCount(cores);
}
BENCHMARK(BM_FirstSavePreviewed)
    ->Arg(1)
    ->Arg(0)
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

constexpr int kPagePhotos = 20;

// The page saved once: 20 frames in rows of four on A4, each with its own 4000 x 3000 photo.
const QString& PhotoPageFile() {
    static const QString file = [] {
        EnsureApplication();
        TLabelData doc(nullptr);
        TMatrixPaperInfo paper(nullptr);
        paper.SetWidth(2100);
        paper.SetHeight(2970);
        doc.SetPaperInfo(paper);
        TOwnedDOList objects;
        for (int i = 0; i < kPagePhotos; ++i) {
            // Read from a file, as the photo panel reads one.
            const QString photo = Folder().filePath(QStringLiteral("photo%1.jpg").arg(i));
            QFile out(photo);
            if (!out.open(QIODevice::WriteOnly) || out.write(NoisyPhotoJpeg(4000, 3000, i)) <= 0)
                return QString();
            out.close();
            TPicture picture;
            picture.LoadFromFile(photo);
            QFile::remove(photo);
            auto frame = std::make_unique<TLOAlbumPhoto>(nullptr);
            frame->SetLogRect(Bounds(50 + (i % 4) * 500, 50 + (i / 4) * 560, 450, 300));
            frame->SetPhotoPicture(&picture);
            objects.Add(std::move(frame));
        }
        TDOList view;
        objects.ListObjects(view);
        doc.StoreLabelObjects(0, view);
        const QString name = Folder().filePath(QStringLiteral("photopage.qld"));
        doc.SaveToFile(name);
        return name;
    }();
    return file;
}

void BM_OpenPhotoPage(benchmark::State& state) {
    const QString& page = PhotoPageFile();
    if (page.isEmpty()) {
        state.SkipWithError("the page could not be made");
        return;
    }
    // The making of the page is not the open's.
    ResetPeakResidentMemory();
    const int64_t inflated = ZLIBInflatedBytes();
    int photos = 0;
    for (auto _ : state) {
        TLabelData doc(nullptr);
        doc.LoadFromFile(page);
        TOwnedDOList objects;
        doc.LoadLabelObjects(0, objects);
        photos = objects.Count();
    }
    if (photos != kPagePhotos)
        state.SkipWithError("the page did not read back");
    state.counters["file MB"] = double(QFile(page).size()) / (1024 * 1024);
    state.counters["unpacked MB"] = benchmark::Counter(double(ZLIBInflatedBytes() - inflated) / (1024 * 1024),
                                                       benchmark::Counter::kAvgIterations);
    ReportPeakMemory(state, 200);
}
BENCHMARK(BM_OpenPhotoPage)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

} // namespace
