// The layout editor's form at work on an A4 page of 60 texts and rectangles in a 1600 x 1000 view,
// with a dotted 1 mm grid, four guides, the page frame and the margin outline drawn over the objects:
// a full repaint at 400 %, and one mouse move over the site (the ruler markers follow it) with a
// drag of ten selected objects and its repaint.

#include "app/FLayout.h"
#include "bench/BenchFrame.h"
#include "bench/BenchSupport.h"
#include "core/UAppFrame.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/engine/UGhost.h"
#include "pageobjects/engine/UGrid.h"
#include "pageobjects/engine/UGuide.h"
#include "pageobjects/engine/UTextGhost.h"
#include "pageobjects/layout/ULOCreator.h"
#include "pageobjects/layout/ULORect.h"
#include "pageobjects/layout/ULOText.h"
#include "papers/ULabelData.h"
#include "papers/UPaperInfo.h"
#include "platform/Settings.h"

#include <QApplication>
#include <QMouseEvent>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

constexpr int kViewWidth = 1600;
constexpr int kViewHeight = 1000;
constexpr int kDraggedObjects = 10;

void EnsureApplication() {
    if (!StartOffscreenApplication())
        return;
    StartBenchFrame(QStringLiteral("Software\\LayoutFormBench"));
    RegisterLayoutObjects();
    RegisterLabelDataClasses();
    RegisterGhostDesigners();
}

// One A4 face with a 3 mm margin.
void UseOneFace(TLabelData& document) {
    TMatrixPaperInfo paper(nullptr);
    paper.SetWidth(2100);
    paper.SetHeight(2970);
    paper.FaceWidth = 2100;
    paper.FaceHeight = 2970;
    paper.FaceCountX = 1;
    paper.FaceCountY = 1;
    paper.FaceMargin = 30;
    document.ChangePaperInfo(paper);
}

struct TFormView {
    TLabelData document{nullptr};
    std::unique_ptr<TfrmLayout> form;
    TDrawSite* site = nullptr;
    std::vector<TDrawObject*> objects;

    TFormView() {
        EnsureApplication();
        UseOneFace(document);
        TGrid& grid = *document.Grid();
        grid.SetSize(10);
        grid.SetVisible(true);
        TGuide& guide = *document.Guide();
        guide.SetPos(0, TPoint(0, 1485));
        guide.SetPos(1, TPoint(1050, 0));
        guide.SetPos(2, TPoint(0, 700));
        guide.SetPos(3, TPoint(400, 0));
        guide.SetVisible(true);
        form = std::make_unique<TfrmLayout>();
        form->resize(kViewWidth, kViewHeight);
        form->AttachDocument(&document);
        site = form->DrawSite1;
        for (int i = 0; i < 30; ++i) {
            auto text = std::make_unique<TLOText>(nullptr);
            TStringList lines({QStringLiteral("夏休みの思い出 %1").arg(i)});
            text->Engine().SetText(lines);
            text->Font()->SetSize(12 + i % 20);
            text->SetLogRect(Bounds(60 + (i % 4) * 500, 100 + (i / 4) * 300, 420, 120));
            objects.push_back(site->AdoptObject(std::move(text)));
            auto shape = std::make_unique<TLORect>(nullptr);
            shape->SetLogRect(Bounds(80 + (i % 4) * 500, 240 + (i / 4) * 300, 300, 120));
            shape->SetFillInside(true);
            shape->FillColor()->SetColor(RGB(i * 6, 200 - i * 4, 120));
            objects.push_back(site->AdoptObject(std::move(shape)));
        }
        form->show();
        QCoreApplication::processEvents();
    }
    ~TFormView() { GhostList().ClearGhosts(); }

    void ScrollTo(int x, int y) { site->move(-x, -y); }
    void Repaint() { site->repaint(QRect(-site->x(), -site->y(), kViewWidth, kViewHeight)); }
};

void SendMouse(QWidget* w, QEvent::Type type, const QPoint& p, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(p), w->mapToGlobal(QPointF(p)),
                  type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

// The whole view painted anew at 400 %, the grid's dots and the guides over the objects.
void BM_FormFullRepaintAt400(benchmark::State& state) {
    TFormView view;
    view.form->SetZoom(400);
    QCoreApplication::processEvents();
    view.ScrollTo(view.site->width() / 3, view.site->height() / 3);
    view.Repaint();
    for (auto _ : state) {
        view.site->InvalidatePage();
        view.Repaint();
    }
}
BENCHMARK(BM_FormFullRepaintAt400)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// One mouse move of a drag of ten selected objects at 200 % and the repaint it asks for.
void BM_FormDragMoveRepaint(benchmark::State& state) {
    TFormView view;
    view.form->SetZoom(200);
    QCoreApplication::processEvents();
    view.ScrollTo(0, 0);
    TDrawSite& site = *view.site;
    site.SelectAll(false);
    for (int i = 0; i < kDraggedObjects; ++i)
        view.objects[size_t(i)]->SetSelected(true);
    site.UpdatePivots();
    view.Repaint();
    const TRect first = view.objects[0]->BoundsRect();
    const QPoint press(first.Left + first.Width() / 2, first.Top + first.Height() / 2);
    SendMouse(&site, QEvent::MouseButtonPress, press, Qt::LeftButton);
    int step = 0;
    for (auto _ : state) {
        ++step;
        SendMouse(&site, QEvent::MouseMove, press + QPoint(step % 200, step % 150), Qt::LeftButton);
        view.Repaint();
    }
    state.counters["ghosts"] = GhostList().Count();
}
BENCHMARK(BM_FormDragMoveRepaint)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

} // namespace
