#include "app/ULayoutGuides.h"
#include "app/ULayoutRules.h"

#include "controls/Ruler.h"
#include "core/UAppFrame.h"
#include "core/UGeometryUtil.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/engine/UGhost.h"
#include "pageobjects/engine/UGrid.h"
#include "pageobjects/engine/UGuide.h"
#include "papers/ULabelData.h"
#include "papers/faces/UFaceInfo.h"
#include "platform/GraphicControl.h"

#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace {

// Guides are hit within this many screen pixels, whatever the zoom.
constexpr int kGuideHitPixels = 2;
// The dots of an unlined grid: blue.
constexpr TColor kGridDotColor = 0xFF0000;
constexpr TColor kGridLineColor = 0xC0C0C0;
constexpr TColor kGuideColor = 0xFF0000;
constexpr TColor kMarginColor = 0x808080;
const QColor kGuideLineColor(0, 0, 255);
const QColor kRulerMarkerColor(255, 0, 0);

// A line of one colour, a pixel thick: the ruler markers and the guide being dragged. It takes no
// mouse input, so the press under it reaches the ruler or the site.
class TLineShape : public QWidget {
public:
    TLineShape(QWidget* parent, const QColor& color) : QWidget(parent), color_(color) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), color_); }

private:
    QColor color_;
};

} // namespace

TLayoutGuides::TLayoutGuides(QWidget* owner, TDrawSite* site, TRuler* top, TRuler* left)
    : QObject(nullptr), owner_(owner), site_(site), rulerTop_(top), rulerLeft_(left) {
    actSnapToGrid = new QAction(QStringLiteral("グリッドに吸着(&R)"), owner);
    actSnapToGrid->setObjectName(QStringLiteral("actSnapToGrid"));
    actSnapToGrid->setCheckable(true);
    connect(actSnapToGrid, &QAction::triggered, this, [this] {
        if (document_)
            document_->Grid()->SetEnabled(!document_->Grid()->Enabled());
        SyncControls();
    });
    owner->addAction(actSnapToGrid);
    actGuideBar = new QAction(QStringLiteral("ガイドバーに吸着(&B)"), owner);
    actGuideBar->setObjectName(QStringLiteral("actGuideBar"));
    actGuideBar->setCheckable(true);
    connect(actGuideBar, &QAction::triggered, this, [this] { ToggleGuideBar(); });
    owner->addAction(actGuideBar);
    btnGrid = new QToolButton(owner);
    btnGrid->setObjectName(QStringLiteral("btnGrid"));
    btnGrid->setText(QStringLiteral("グリッド"));
    btnGrid->setToolTip(QStringLiteral("グリットを表示します"));
    btnGrid->setCheckable(true);
    connect(btnGrid, &QToolButton::clicked, this, [this](bool down) {
        if (!document_)
            return;
        TGrid& grid = *document_->Grid();
        if (down != grid.Visible()) {
            grid.SetVisible(down);
            grid.SetEnabled(down);
        }
        SyncControls();
        site_->InvalidateOverlay();
    });
    shpTop = new TLineShape(rulerTop_, kRulerMarkerColor);
    shpTop->setObjectName(QStringLiteral("shpTop"));
    shpLeft = new TLineShape(rulerLeft_, kRulerMarkerColor);
    shpLeft->setObjectName(QStringLiteral("shpLeft"));
    for (TRuler* ruler : {rulerTop_, rulerLeft_}) {
        ruler->installEventFilter(this);
    }
    shpTop->hide();
    shpLeft->hide();
    // After the site's own handling: a press that began a rubber band may take a guide, and the
    // cursor over a guide replaces the site's.
    site_->OnPaintAfter = [this](TObject*) { Paint(); };
    site_->OnMouseDown = [this](TObject*, TMouseButton button, TShiftState, int x, int y) {
        if (button == mbLeft)
            SiteMouseDown(x, y);
    };
    site_->OnMouseMove = [this](TObject*, TShiftState shift, int x, int y) { SiteMouseMove(shift, x, y); };
    // A drag ends when the user turns to another window.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* focus) {
        if (guideIndex_ >= 0 && focus != owner_->window()->windowHandle())
            CancelGuideDrag();
    });
}

TLayoutGuides::~TLayoutGuides() {
    // The widgets going after this change the focus window: no drag to end by then.
    disconnect(qApp, nullptr, this, nullptr);
    rulerTop_->removeEventFilter(this);
    rulerLeft_->removeEventFilter(this);
    FreeGuideDrag();
    site_->OnPaintAfter = nullptr;
    site_->OnMouseDown = nullptr;
    site_->OnMouseMove = nullptr;
}

void TLayoutGuides::SetDocument(TLabelData* document, const TFaceInfo* face) {
    document_ = document;
    face_ = face;
}

void TLayoutGuides::SyncControls() {
    const TGrid* grid = document_ ? document_->Grid() : nullptr;
    btnGrid->setChecked(grid && grid->Enabled());
    actSnapToGrid->setChecked(grid && grid->Enabled());
    const TGuide* guide = document_ ? document_->Guide() : nullptr;
    actGuideBar->setChecked(guide && guide->Enabled());
}

void TLayoutGuides::ToggleGuideBar() {
    if (!document_)
        return;
    TGuide& guide = *document_->Guide();
    guide.SetEnabled(!guide.Enabled());
    guide.SetVisible(guide.Enabled());
    if (guide.Enabled() && guide.IsEmpty()) {
        guide.SetPos(0, TPoint(0, site_->LogHeight() / 2));
        guide.SetPos(1, TPoint(site_->LogWidth() / 2, 0));
    }
    SyncControls();
    site_->InvalidateOverlay();
}

void TLayoutGuides::Paint() {
    // Copies of the page (prints, previews) show the objects alone.
    if (!document_ || !face_ || site_->IsPaintingCopy())
        return;
    TCanvas& canvas = *site_->GetDrawCanvas();
    const TRect page(0, 0, site_->LogWidth(), site_->LogHeight());
    canvas.Brush().Style = bsClear;
    canvas.Pen() = TPen{clWhite, 0, psSolid, pmXor};
    face_->DrawOutline(canvas, true, face_->HasCenterHole());

    // Only what can be seen: a fine grid at a high zoom would otherwise be millions of dots.
    const QRect shown = site_->visibleRegion().boundingRect();
    TRect clip;
    canvas.GetClipBox(clip);
    const TRect seen = NormalizeRect(TRect(site_->DevToLog(TPoint(shown.left(), shown.top())),
                                           site_->DevToLog(TPoint(shown.right() + 1, shown.bottom() + 1))));
    TRect area;
    IntersectRect(area, page, clip);
    IntersectRect(area, area, seen);
    const TGrid& grid = *document_->Grid();
    if (grid.Visible() && !IsRectEmpty(area)) {
        canvas.Pen() = grid.LineShape() ? TPen{kGridLineColor, 0, psDot, pmCopy}
                                        : TPen{kGridDotColor, 0, psSolid, pmCopy};
        // Started on a grid line, as the lines run from the page's origin.
        const auto floorTo = [size = grid.Size()](int v) { return int(v - ((v % size) + size) % size); };
        grid.Draw(canvas, TRect(floorTo(area.Left), floorTo(area.Top), area.Right + 1, area.Bottom + 1));
    }
    canvas.Pen() = TPen{kGuideColor, 0, psDot, pmCopy};
    document_->Guide()->Draw(canvas, page);
    canvas.Pen() = TPen{clBlack, 0, psSolid, pmCopy};
    canvas.Rectangle(page.Left, page.Top, page.Right, page.Bottom);
    if (face_->FaceMargin != 0) {
        canvas.Pen() = TPen{kMarginColor, 0, psDot, pmCopy};
        face_->DrawInnerOutline(canvas, true);
    }
}

TPoint TLayoutGuides::GuidePointFromMouse(TShiftState shift, int x, int y) const {
    const TPoint p = site_->DevToLog(TPoint(x, y));
    const bool fine = (shift & ssShift) != 0;
    return guideVertical_ ? TPoint(RoundGuideCoord(p.X, fine), 0) : TPoint(0, RoundGuideCoord(p.Y, fine));
}

void TLayoutGuides::BeginGuideDrag(int index) {
    if (!document_ || index < 0 || index >= document_->Guide()->Count())
        return;
    guideIndex_ = index;
    newGuide_ = false;
    guidePoint_ = document_->Guide()->GetPos(index);
    guideVertical_ = guidePoint_.X != 0;
    GhostList().ClearGhosts();
    site_->grabMouse();
    guideHint_ = std::make_unique<QLabel>(nullptr, Qt::ToolTip);
    guideHint_->setObjectName(QStringLiteral("GuideHint"));
    guideHint_->setForegroundRole(QPalette::ToolTipText);
    guideHint_->setBackgroundRole(QPalette::ToolTipBase);
    guideHint_->setAutoFillBackground(true);
    guideHint_->setMargin(2);
    guideHint_->setFont(owner_->font());
    guideLine_ = new TLineShape(site_, kGuideLineColor);
    guideLine_->setObjectName(QStringLiteral("GuideLine"));
    const TPoint at = site_->LogToDev(guidePoint_);
    if (guideVertical_)
        guideLine_->setGeometry(at.X, 0, 1, site_->height());
    else
        guideLine_->setGeometry(0, at.Y, site_->width(), 1);
    guideLine_->show();
    guideHint_->show();
}

void TLayoutGuides::UpdateGuideDrag(TShiftState shift, int x, int y) {
    if (guideIndex_ < 0 || !guideLine_)
        return;
    guidePoint_ = GuidePointFromMouse(shift, x, y);
    const TPoint at = site_->LogToDev(guidePoint_);
    if (guideVertical_)
        guideLine_->move(at.X, 0);
    else
        guideLine_->move(0, at.Y);
    guideHint_->setText(GuideHintText(guidePoint_, site_->LogWidth(), site_->LogHeight()));
    guideHint_->adjustSize();
    const QPoint mouse = site_->mapToGlobal(QPoint(x, y));
    guideHint_->move(mouse.x() - guideHint_->width() / 2, mouse.y() - guideHint_->height() - 2);
}

void TLayoutGuides::FreeGuideDrag() {
    guideIndex_ = -1;
    if (QWidget::mouseGrabber() == site_)
        site_->releaseMouse();
    guideHint_.reset();
    delete guideLine_;
    guideLine_ = nullptr;
}

void TLayoutGuides::EndGuideDrag() {
    if (guideIndex_ < 0)
        return;
    TGuide& guide = *document_->Guide();
    guide.SetPos(guideIndex_, guidePoint_);
    guide.SetEnabled(true);
    guide.RemoveOutside(TRect(0, 0, site_->LogWidth(), site_->LogHeight()));
    guide.SetVisible(guide.Enabled());
    FreeGuideDrag();
    SyncControls();
    site_->InvalidateOverlay();
}

void TLayoutGuides::CancelGuideDrag() {
    // A guide still on its way from the ruler gives its slot back rather than stay off the page,
    // saved with the sheet and counted as one of the ten.
    if (guideIndex_ >= 0 && newGuide_ && document_)
        document_->Guide()->SetPos(guideIndex_, TPoint(0, 0));
    FreeGuideDrag();
}

void TLayoutGuides::StartNewGuide(bool vertical) {
    if (!document_)
        return;
    TGuide& guide = *document_->Guide();
    const int slot = guide.FindFree();
    if (slot < 0) {
        AppMessageBox(QStringLiteral("ガイドは%1本までです").arg(guide.Count()), {bkOK}, 0, 0);
        return;
    }
    // Just outside the page until the drag places it.
    guide.SetPos(slot, vertical ? TPoint(-1, 0) : TPoint(0, -1));
    BeginGuideDrag(slot);
    newGuide_ = true;
}

bool TLayoutGuides::eventFilter(QObject* watched, QEvent* event) {
    if (watched != rulerTop_ && watched != rulerLeft_)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
            return false;
        // The horizontal ruler gives horizontal guides, pulled down onto the page.
        StartNewGuide(watched == rulerLeft_);
        return guideIndex_ >= 0;
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease: {
        if (guideIndex_ < 0)
            return false;
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint p = site_->mapFromGlobal(mouse->globalPosition().toPoint());
        if (event->type() == QEvent::MouseMove)
            SiteMouseMove(ShiftStateFromQt(mouse->modifiers(), mouse->buttons()), p.x(), p.y());
        else
            EndGuideDrag();
        return true;
    }
    default:
        return false;
    }
}

void TLayoutGuides::SiteMouseDown(int x, int y) {
    if (!document_ || guideIndex_ >= 0)
        return;
    // Only a press that began a rubber band, that is one on no object, may take a guide.
    if (GhostList().Count() != 1 || dynamic_cast<TSelectGhost*>(GhostList().Ghosts(0)) == nullptr)
        return;
    const TPoint p = site_->DevToLog(TPoint(x, y));
    const TPoint tolerance = site_->DevToLog(TPoint(kGuideHitPixels, kGuideHitPixels));
    const int hit = document_->Guide()->HitTest(p.X, p.Y, tolerance.X);
    if (hit >= 0)
        BeginGuideDrag(hit);
}

void TLayoutGuides::SiteMouseMove(TShiftState shift, int x, int y) {
    TrackRulerMarkers(x, y);
    if (guideIndex_ >= 0) {
        UpdateGuideDrag(shift, x, y);
        return;
    }
    if (!document_ || !GhostList().IsEmpty())
        return;
    const TPoint p = site_->DevToLog(TPoint(x, y));
    const TPoint tolerance = site_->DevToLog(TPoint(kGuideHitPixels, kGuideHitPixels));
    const int hit = document_->Guide()->HitTest(p.X, p.Y, tolerance.X);
    if (hit >= 0)
        site_->setCursor(CursorForId(document_->Guide()->GetPos(hit).X != 0 ? crSizeWE : crSizeNS));
}

void TLayoutGuides::TrackRulerMarkers(int x, int y) {
    TPoint p = site_->DevToLog(TPoint(x, y));
    p.X = std::clamp(p.X, 0, site_->LogWidth());
    p.Y = std::clamp(p.Y, 0, site_->LogHeight());
    const TPoint at = site_->LogToDev(p);
    const QPoint global = site_->mapToGlobal(QPoint(at.X, at.Y));
    shpTop->setGeometry(rulerTop_->mapFromGlobal(global).x(), 0, 1, rulerTop_->height());
    shpLeft->setGeometry(0, rulerLeft_->mapFromGlobal(global).y(), rulerLeft_->width(), 1);
    shpTop->show();
    shpLeft->show();
}
