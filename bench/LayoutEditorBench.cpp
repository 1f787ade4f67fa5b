// The layout editor's page at work: an A4 page of 100 objects (40 texts with shadow and outline,
// 39 rectangles and circles, a half-blended rectangle and 20 photos from 4000 x 3000 JPEGs) in a
// 1600 x 1000 view. Timed: one mouse move of a 10-object drag with its repaint (only the overlay:
// the tiles rendered are counted), a full repaint of the view at 400 %, and an A3 page at 800 %
// scrolled corner to corner, whose page cache and peak resident memory are reported.

#include "bench/BenchSupport.h"
#include "imaging/UPictureEX.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/engine/UGhost.h"
#include "pageobjects/engine/UTextGhost.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "pageobjects/layout/ULOCreator.h"
#include "pageobjects/layout/ULORect.h"
#include "pageobjects/layout/ULOText.h"
#include "platform/Picture.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QWidget>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

constexpr int kViewWidth = 1600;
constexpr int kViewHeight = 1000;
constexpr int kPhotoWidth = 4000; // 12 megapixels
constexpr int kPhotoHeight = 3000;
constexpr int kDraggedObjects = 10;

void EnsureApplication() {
    if (!StartOffscreenApplication())
        return;
    RegisterPictureClasses();
    RegisterLayoutObjects();
    RegisterGhostDesigners();
}

// A photo-like JPEG (gradients and stripes), written once.
QString PhotoFile(const QTemporaryDir& dir) {
    const QString path = dir.filePath(QStringLiteral("photo.jpg"));
    if (QFile::exists(path))
        return path;
    QImage image(kPhotoWidth, kPhotoHeight, QImage::Format_RGB32);
    for (int y = 0; y < kPhotoHeight; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kPhotoWidth; ++x)
            row[x] = qRgb(x * 255 / kPhotoWidth, y * 255 / kPhotoHeight, (x ^ y) & 0xFF);
    }
    image.save(path, "JPEG", 90);
    return path;
}

// The view the site is scrolled in, and the site on it.
struct TEditorView {
    std::unique_ptr<QWidget> view;
    TDrawSite* site = nullptr;
    std::vector<TDrawObject*> objects;

    void ScrollTo(int x, int y) { site->move(-x, -y); }
    void Show() {
        site->show();
        view->show();
        QCoreApplication::processEvents();
    }
    // What a paint of the whole view does.
    void Repaint() { site->repaint(QRect(-site->x(), -site->y(), kViewWidth, kViewHeight)); }
};

// The editor on an A4 or A3 page; shown (and so painted once) unless show is false.
std::unique_ptr<TEditorView> MakeEditor(int logWidth, int logHeight, bool show = true) {
    EnsureApplication();
    static QTemporaryDir folder;
    auto editor = std::make_unique<TEditorView>();
    editor->view = std::make_unique<QWidget>();
    editor->view->resize(kViewWidth, kViewHeight);
    editor->site = new TDrawSite(nullptr, editor->view.get());
    TDrawSite& site = *editor->site;
    site.Scaler().SetUnitDPI(254);
    site.SetColor(clWhite);
    site.SetLogWidth(logWidth);
    site.SetLogHeight(logHeight);
    const auto add = [&](std::unique_ptr<TDrawObject> object) {
        editor->objects.push_back(site.AdoptObject(std::move(object)));
    };
    TPicture photo;
    photo.LoadFromFile(PhotoFile(folder));
    for (int i = 0; i < 20; ++i) {
        auto frame = std::make_unique<TLOAlbumPhoto>(nullptr);
        frame->SetLogRect(Bounds(50 + (i % 4) * 500, 50 + (i / 4) * 560, 450, 300));
        frame->SetPhotoPicture(&photo);
        add(std::move(frame));
    }
    for (int i = 0; i < 40; ++i) {
        auto text = std::make_unique<TLOText>(nullptr);
        TStringList lines({QStringLiteral("夏休みの思い出 %1").arg(i)});
        text->Engine().SetText(lines);
        text->Font()->SetSize(12 + i % 20);
        text->SetLogRect(Bounds(60 + (i % 4) * 500, 370 + (i / 4) * 260, 420, 120));
        text->SetShadow(1 + i % 8);
        text->SetOutline(true);
        text->SetOutLineWidth(3);
        text->OutlineColor()->SetColor(clBlue);
        add(std::move(text));
    }
    for (int i = 0; i < 39; ++i) {
        std::unique_ptr<TLORect> shape =
            i % 2 ? std::make_unique<TLOCircle>(nullptr) : std::make_unique<TLORect>(nullptr);
        shape->SetLogRect(Bounds(30 + (i % 13) * 155, 2500 + (i / 13) * 150, 140, 130));
        shape->SetFillInside(true);
        shape->FillColor()->SetColor(RGB(i * 6, 200 - i * 4, 120));
        add(std::move(shape));
    }
    auto blended = std::make_unique<TLORect>(nullptr);
    blended->SetLogRect(Bounds(300, 300, 1500, 2000));
    blended->SetFillInside(true);
    blended->FillColor()->SetColor(clRed);
    blended->SetBlendRatio(50);
    add(std::move(blended));
    if (show)
        editor->Show();
    return editor;
}

void SendMouse(QWidget* w, QEvent::Type type, const QPoint& p, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(p), w->mapToGlobal(QPointF(p)),
                  type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

// One mouse move of a drag of ten selected objects and the repaint it asks for.
void BM_DragMoveRepaint(benchmark::State& state) {
    std::unique_ptr<TEditorView> editor = MakeEditor(2100, 2970);
    TDrawSite& site = *editor->site;
    site.Scaler().SetScale(200);
    editor->ScrollTo(0, 0);
    site.SelectAll(false);
    for (int i = 0; i < kDraggedObjects; ++i)
        editor->objects[size_t(i)]->SetSelected(true);
    site.UpdatePivots();
    editor->Repaint();
    const TRect first = editor->objects[0]->BoundsRect();
    const QPoint press(first.Left + first.Width() / 2, first.Top + first.Height() / 2);
    SendMouse(&site, QEvent::MouseButtonPress, press, Qt::LeftButton);
    const int64_t rendered = site.TilesRendered();
    int step = 0;
    for (auto _ : state) {
        ++step;
        SendMouse(&site, QEvent::MouseMove, press + QPoint(step % 200, step % 150), Qt::LeftButton);
        editor->Repaint();
    }
    state.counters["tiles_rendered_while_dragging"] = double(site.TilesRendered() - rendered);
    state.counters["ghosts"] = GhostList().Count();
    GhostList().ClearGhosts();
}
BENCHMARK(BM_DragMoveRepaint)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// The whole view painted anew at 400 % (every tile it shows rendered again).
void BM_FullRepaintAt400(benchmark::State& state) {
    std::unique_ptr<TEditorView> editor = MakeEditor(2100, 2970);
    TDrawSite& site = *editor->site;
    site.Scaler().SetScale(400);
    editor->ScrollTo(site.width() / 3, site.height() / 3);
    editor->Repaint();
    for (auto _ : state) {
        site.InvalidatePage();
        editor->Repaint();
    }
}
BENCHMARK(BM_FullRepaintAt400)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// The first paint of an A4 page at 100 % (20 album photos of 12 megapixels among the objects), from
// a fresh view: what the user waits for after opening a page, and the memory it takes.
void BM_FirstPaintAt100(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<TEditorView> editor = MakeEditor(2100, 2970, false);
        editor->site->Scaler().SetScale(100);
        state.ResumeTiming();
        editor->Show();
        editor->Repaint();
    }
    ReportTarget(state, "first_paint_ms", 300);
    ReportPeakMemory(state, 150);
}
BENCHMARK(BM_FirstPaintAt100)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(1);

// An A3 page at 800 % scrolled from corner to corner, a repaint per step.
void BM_ScrollA3At800(benchmark::State& state) {
    std::unique_ptr<TEditorView> editor = MakeEditor(2970, 4200);
    TDrawSite& site = *editor->site;
    site.Scaler().SetScale(800);
    constexpr int kSteps = 40;
    int64_t largest = 0;
    for (auto _ : state) {
        for (int i = 0; i <= kSteps; ++i) {
            editor->ScrollTo((site.width() - kViewWidth) * i / kSteps,
                             (site.height() - kViewHeight) * i / kSteps);
            editor->Repaint();
            largest = std::max(largest, site.PageCacheBytes());
        }
    }
    state.counters["page_pixels_MB"] = double(int64_t(site.width()) * site.height() * 4) / (1 << 20);
    state.counters["cache_peak_MB"] = double(largest) / (1 << 20);
    state.counters["cache_budget_MB"] = double(site.PageCacheBudgetBytes()) / (1 << 20);
    ReportPeakMemory(state, 200);
}
BENCHMARK(BM_ScrollA3At800)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->MeasureProcessCPUTime();

} // namespace
