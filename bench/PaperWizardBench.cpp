// The paper wizard's pages: the finish checks on grids of round faces, a field change on the grid
// page refitted and repainted into a grab, and the free page opened with 100 faces.

#include "app/dialogs/FEditPaper30.h"
#include "app/dialogs/FEditPaper40.h"
#include "bench/BenchSupport.h"
#include "controls/Exspined.h"
#include "pageobjects/engine/UDrawSite.h"
#include "papers/UPaperInfo.h"
#include "papers/UPapers.h"


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
