// The paper wizard's pages: the finish checks on grids of round faces, a field change on the grid
// page refitted and repainted into a grab, the free page with 100 faces (opened; a field change, a
// drag step and 写真枠追加, each painted into a grab), page 1 opened over the shipped papers, and
// a finished paper stored and saved into a store of 500 papers.

#include "app/dialogs/FEditPaper10.h"
#include "app/dialogs/FEditPaper30.h"
#include "app/dialogs/FEditPaper40.h"
#include "bench/BenchSupport.h"
#include "controls/Exspined.h"
#include "pageobjects/engine/UDrawSite.h"
#include "papers/UPaperInfo.h"
#include "papers/UExtraPaperInfo.h"
#include "papers/UPapers.h"

#include <QMouseEvent>
#include <QTemporaryDir>


namespace {

std::unique_ptr<TMatrixPaperInfo> RoundGrid(int count) {
    auto paper = std::make_unique<TMatrixPaperInfo>(nullptr);
    paper->SetWidth(10000);
    paper->SetHeight(10000);
    paper->FaceCountX = paper->FaceCountY = count;
    paper->FaceWidth = paper->FaceHeight = 9000 / count;
    paper->LeftOffset = paper->TopOffset = 100;
    paper->RightMargin = paper->BottomMargin = 1000 / count;
    paper->FaceShape = fsEllipse;
    return paper;
}

// The shipped papers, read only: the purposes and photo sizes the pages list.
TPapersV2& Store() {
    static std::unique_ptr<TPapersV2> papers =
        std::make_unique<TPapersV2>(QStringLiteral(QUORLANE_SYSTEM_PAPERS), true);
    return *papers;
}

void Setup() {
    if (StartOffscreenApplication())
        RegisterPaperClasses();
}

void BM_FinishChecksRoundGrid(benchmark::State& state) {
    Setup();
    auto paper = RoundGrid(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(CheckPaperFaces(*paper));
    ReportTarget(state, "ms", state.range(0) == 10 ? 5 : 200);
}
BENCHMARK(BM_FinishChecksRoundGrid)->Arg(10)->Arg(99)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_GridFieldChangeRepaint(benchmark::State& state) {
    Setup();
    auto paper = RoundGrid(10);
    paper->FaceMargin = 20;
    TfrmEditPaper30 page;
    page.resize(1000, 700);
    page.Setup(*paper, Store());
    page.show();
    QApplication::processEvents();
    int width = paper->FaceWidth;
    for (auto _ : state) {
        width = width == paper->FaceWidth ? paper->FaceWidth - 10 : paper->FaceWidth;
        page.seFaceWidth->SetValue(width);
        benchmark::DoNotOptimize(page.DrawSite->grab());
    }
    ReportTarget(state, "ms", 16);
}
BENCHMARK(BM_GridFieldChangeRepaint)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

TFreePaperInfo& HundredFaces() {
    static const std::unique_ptr<TFreePaperInfo> paper = [] {
        auto p = std::make_unique<TFreePaperInfo>(nullptr);
        p->SetWidth(10000);
        p->SetHeight(10000);
        for (int i = 0; i < 100; ++i) {
            TFaceItem* item = p->Faces()->Add();
            const int x = (i % 10) * 1000, y = (i / 10) * 1000;
            item->Rect = TRect(x + 50, y + 50, x + 950, y + 950);
            item->FaceShape = fsEllipse;
        }
        return p;
    }();
    return *paper;
}

void BM_FreePageStep(benchmark::State& state) {
    Setup();
    TfrmEditPaper40 page;
    page.resize(1000, 700);
    page.Setup(HundredFaces(), Store());
    page.show();
    QApplication::processEvents();
    page.SelectAndShow(0);
    const QPoint centre = page.DrawSite->LogToDev(TPoint(500, 500)).ToQPoint();
    if (state.range(0) == 1) {
        QMouseEvent press(QEvent::MouseButtonPress, centre, page.DrawSite->mapToGlobal(centre), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(page.DrawSite, &press);
    }
    int step = 0;
    for (auto _ : state) {
        ++step;
        switch (state.range(0)) {
        case 0: // a field change
            page.seLeft->SetValue(step % 2 ? 60 : 50);
            break;
        case 1: { // a drag step
            const QPoint to = centre + QPoint(step % 2 ? 3 : 0, 0);
            QMouseEvent move(QEvent::MouseMove, to, page.DrawSite->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                             Qt::NoModifier);
            QApplication::sendEvent(page.DrawSite, &move);
            break;
        }
        default: // 写真枠追加, the added face deleted again outside the timing
            page.AddFace();
            break;
        }
        benchmark::DoNotOptimize(page.DrawSite->grab());
        if (state.range(0) == 2) {
            state.PauseTiming();
            page.DeleteFace();
            state.ResumeTiming();
        }
    }
    ReportTarget(state, "ms", 16);
}
BENCHMARK(BM_FreePageStep)->ArgName("field0_drag1_add2")->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_PageOneOpensOverTheShippedPapers(benchmark::State& state) {
    Setup();
    TPapersV2& papers = Store();
    const TPaperInfo* paper = papers.GetPaper(0);
    for (auto _ : state) {
        TfrmEditPaper10 page;
        page.Setup(*paper, papers, true);
        page.show();
        benchmark::DoNotOptimize(page.grab());
    }
    ReportTarget(state, "ms", 150);
}
BENCHMARK(BM_PageOneOpensOverTheShippedPapers)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// What 完了 does to the store: the paper and its three records stored, then the store saved
// (atomic), in a store of 500 papers. The paper list's rebuild is not part of it.
void BM_FinishedPaperStoredAndSaved500(benchmark::State& state) {
    Setup();
    static const QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("user.ppr"));
    QFile::remove(file);
    TPapersV2 papers(file, false);
    papers.AddStandardExtraInfoBases();
    auto paper = RoundGrid(10);
    for (int i = 0; i < 500; ++i) {
        paper->PaperName = QStringLiteral("用紙%1").arg(i);
        papers.AddOrReplace(*paper);
    }
    papers.Save();
    int serial = 0;
    for (auto _ : state) {
        paper->PaperName = QStringLiteral("ユーザー用紙%1").arg(++serial % 2);
        papers.AddOrReplace(*paper);
        TExPaperInfo extra(nullptr);
        extra.PaperName = paper->PaperName;
        extra.Company = QStringLiteral("自作");
        papers.PutExtraInfo(QStringLiteral("ExtraInfos"), extra);
        TExAlbumInfo album(nullptr);
        album.PaperName = paper->PaperName;
        papers.PutExtraInfo(QStringLiteral("ExtraAlbumInfo"), album);
        papers.Save();
    }
    ReportTarget(state, "ms", 200);
}
BENCHMARK(BM_FinishedPaperStoredAndSaved500)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_FreePageOpens100Faces(benchmark::State& state) {
    Setup();
    TFreePaperInfo paper(nullptr);
    paper.SetWidth(10000);
    paper.SetHeight(10000);
    for (int i = 0; i < 100; ++i) {
        TFaceItem* item = paper.Faces()->Add();
        const int x = (i % 10) * 1000, y = (i / 10) * 1000;
        item->Rect = TRect(x + 50, y + 50, x + 950, y + 950);
        item->FaceShape = fsEllipse;
    }
    for (auto _ : state) {
        TfrmEditPaper40 page;
        page.resize(1000, 700);
        page.Setup(paper, Store());
        page.show();
        benchmark::DoNotOptimize(page.DrawSite->grab());
    }
    ReportTarget(state, "ms", 100);
}
BENCHMARK(BM_FreePageOpens100Faces)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

} // namespace
