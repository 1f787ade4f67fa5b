// The main window's file commands on their own: a page of ten large JPEG photos read from its file
// and exported as a picture at 100 %, the template road (a three-photo page loaded from its file,
// put on a face: rescaled, fields filled, stored), and 500 user papers with their records backed up
// to a new file and merged back into a fresh store. Run on one core (taskset -c 0), Release. Targets:
//   export of the photo page          < 250 ms
//   template road                     < 20 ms
//   500 user papers exported          < 300 ms, imported < 400 ms

#include "app/FMain.h"
#include "app/dialogs/FTemplate2.h"
#include "bench/BenchSupport.h"
#include "imaging/UPictureEX.h"
#include "pageobjects/engine/UDrawObject.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "pageobjects/layout/ULOCreator.h"
#include "pageobjects/layout/ULOText.h"
#include "papers/UExtraPaperInfo.h"
#include "papers/ULabelData.h"
#include "papers/UMaterialCatalog.h"
#include "papers/UPaperInfo.h"
#include "papers/UPapers.h"
#include "platform/Bitmap.h"
#include "platform/Stream.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

const QTemporaryDir& Folder() {
    static const QTemporaryDir dir;
    return dir;
}

void Setup() {
    if (StartOffscreenApplication()) {
        RegisterPaperDatabaseClasses();
        RegisterLabelDataClasses();
        RegisterLayoutObjects();
    }
}

std::unique_ptr<TMatrixPaperInfo> OneFacePaper(const QString& name, int width, int height) {
    auto paper = std::make_unique<TMatrixPaperInfo>(nullptr);
    paper->PaperName = name;
    paper->SetWidth(width);
    paper->SetHeight(height);
    paper->FaceCountX = paper->FaceCountY = 1;
    paper->FaceWidth = width;
    paper->FaceHeight = height;
    return paper;
}

// A photo-like JPEG file: a gradient with a pattern, so it does not compress to nothing.
QString WriteJpeg(const QString& name, int width, int height, int seed) {
    const QString file = Folder().filePath(name);
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = qRgb((x * 255 / width + seed * 20) & 0xFF, y * 255 / height, ((x ^ y) + seed) & 0xFF);
    }
    image.save(file, "JPG", 85);
    return file;
}

// A document of one page on paper: photos in the given rectangles (pictures from files) and texts.
QString WriteDocument(const QString& name, const TPaperInfo& paper, const std::vector<TRect>& photos,
                      const QStringList& pictures, int texts) {
    TLabelData document(nullptr);
    document.SetPaperInfo(paper);
    TOwnedDOList objects;
    for (size_t i = 0; i < photos.size(); ++i) {
        auto photo = std::make_unique<TLOAlbumPhoto>(nullptr);
        photo->SetLogRect(photos[i]);
        TPictureEx picture;
        picture.LoadFromFile(pictures[int(i) % pictures.size()]);
        photo->SetPhotoPicture(&picture);
        objects.Add(std::move(photo));
    }
    for (int i = 0; i < texts; ++i) {
        auto text = std::make_unique<TLOText>(nullptr);
        text->SetLogRect(TRect(100, 100 + i * 200, 1000, 250 + i * 200));
        text->SetFieldNo(i + 1);
        objects.Add(std::move(text));
    }
    TDOList view;
    objects.ListObjects(view);
    document.StoreLabelObjects(0, view);
    const QString file = Folder().filePath(name);
    document.SaveToFile(file);
    return file;
}

void BM_ExportPhotoPage(benchmark::State& state) {
    Setup();
    static const QString file = [] {
        QStringList pictures;
        for (int i = 0; i < 10; ++i)
            pictures << WriteJpeg(QStringLiteral("photo%1.jpg").arg(i), 4000, 3000, i);
        std::vector<TRect> rects;
        for (int i = 0; i < 10; ++i)
            rects.push_back(TRect(100 + (i % 2) * 1000, 100 + (i / 2) * 560, 1000 + (i % 2) * 1000,
                                  600 + (i / 2) * 560));
        return WriteDocument(QStringLiteral("album.qld"), *OneFacePaper(QStringLiteral("A4"), 2100, 2970),
                             rects, pictures, 0);
    }();
    for (auto _ : state) {
        TLabelData document(nullptr);
        document.LoadFromFile(file);
        TBitmap bitmap;
        DrawFacePicture(document, 0, bitmap);
        TMemoryStream bytes;
        bitmap.SaveToStream(bytes);
        benchmark::DoNotOptimize(bytes.GetSize());
    }
    ReportTarget(state, "ms", 250);
}
BENCHMARK(BM_ExportPhotoPage)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_TemplateRoad(benchmark::State& state) {
    Setup();
    static const QString file = [] {
        const QStringList pictures = {WriteJpeg(QStringLiteral("t1.jpg"), 640, 480, 1),
                                      WriteJpeg(QStringLiteral("t2.jpg"), 640, 480, 2),
                                      WriteJpeg(QStringLiteral("t3.jpg"), 640, 480, 3)};
        return WriteDocument(QStringLiteral("template.qlt"), *OneFacePaper(QStringLiteral("CD"), 1170, 1170),
                             {TRect(100, 100, 500, 400), TRect(600, 100, 1000, 400), TRect(300, 500, 900, 1000)},
                             pictures, 2);
    }();
    TLabelData target(nullptr);
    target.SetPaperInfo(*OneFacePaper(QStringLiteral("CD 1面"), 1180, 1180));
    for (auto _ : state) {
        TOwnedDOList objects;
        TRect face;
        if (!LoadTemplatePage(TTemplateInfo{file, 0, 0, false}, objects, face)) {
            state.SkipWithError("template page not read");
            break;
        }
        TDOList view;
        objects.ListObjects(view);
        benchmark::DoNotOptimize(ApplyTemplate(target, 0, view, face));
    }
    ReportTarget(state, "ms", 20);
}
BENCHMARK(BM_TemplateRoad)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// A store of 500 user papers, each with its three records.
const QString& UserStore() {
    static const QString file = [] {
        const QString path = Folder().filePath(QStringLiteral("user.ppr"));
        TPapersV2 papers(path, false);
        papers.AddStandardExtraInfoBases();
        for (int i = 0; i < 500; ++i) {
            auto paper = OneFacePaper(QStringLiteral("ユーザー用紙%1").arg(i), 2100, 2970);
            paper->FaceCountX = 2;
            paper->FaceCountY = 5;
            paper->FaceWidth = 910;
            paper->FaceHeight = 550;
            papers.AddOrReplace(*paper);
            TExPaperInfo extra(nullptr);
            extra.PaperName = paper->PaperName;
            extra.Company = QStringLiteral("自作");
            papers.PutExtraInfo(kExtraInfosTable, extra);
            TExAlbumInfo album(nullptr);
            album.PaperName = paper->PaperName;
            papers.PutExtraInfo(kExtraAlbumInfoTable, album);
        }
        papers.Save();
        return path;
    }();
    return file;
}

// What the file menu's backup does: a new store at the name, given the user papers, saved.
void BM_UserPapersExport500(benchmark::State& state) {
    Setup();
    TPapersV2 papers(UserStore(), true);
    papers.AddStandardExtraInfoBases();
    const QString backup = Folder().filePath(QStringLiteral("backup.ppb"));
    for (auto _ : state) {
        TPapersV2 target(QString(), backup);
        target.AddStandardExtraInfoBases();
        target.MergeUpdate(papers, true, {}, false);
        target.Save();
    }
    ReportTarget(state, "ms", 300);
}
BENCHMARK(BM_UserPapersExport500)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// What the import does: the backup read, merged into a fresh store, the store saved.
void BM_UserPapersImport500(benchmark::State& state) {
    Setup();
    const QString backup = Folder().filePath(QStringLiteral("import.ppb"));
    {
        TPapersV2 papers(UserStore(), true);
        papers.AddStandardExtraInfoBases();
        TPapersV2 target(QString(), backup);
        target.AddStandardExtraInfoBases();
        target.MergeUpdate(papers, true, {}, false);
        target.Save();
    }
    const QString store = Folder().filePath(QStringLiteral("fresh.ppr"));
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(store);
        auto target = std::make_unique<TPapersV2>(store, false);
        target->AddStandardExtraInfoBases();
        state.ResumeTiming();
        TPapersV2 source(backup, true);
        source.AddStandardExtraInfoBases();
        target->MergeUpdate(source, true, {}, false);
        target->Save();
        state.PauseTiming();
        target.reset();
        state.ResumeTiming();
    }
    ReportTarget(state, "ms", 400);
}
BENCHMARK(BM_UserPapersImport500)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

} // namespace
