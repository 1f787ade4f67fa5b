#include "pageobjects/engine/UGhost.h"

#include "pageobjects/engine/UAction.h"
#include "pageobjects/engine/UDrawObject.h"
#include "pageobjects/engine/UDrawSite.h"

#include <algorithm>

// ---- TGhost

void TGhost::Start(const TPoint&) {}

void TGhost::DrawOnSite() {
    if (Site == nullptr)
        return;
    TCanvas* canvas = Site->GetDrawCanvas();
    if (canvas == nullptr)
        return;
    Site->ActiveScaler().PrepareCanvas(*canvas);
    canvas->Pen() = GhostList().Pen();
    canvas->Brush() = GhostList().Brush();
    Draw();
}

// ---- TGhostList

TGhostList::TGhostList() {
    brush_.Style = bsClear;
    pen_.Mode = pmXor;
    pen_.Style = psDot;
    pen_.Width = 0;
    pen_.Color = clWhite;
}

TGhostList::~TGhostList() {
    ghosts_.clear();
}

void TGhostList::Add(std::unique_ptr<TGhost> ghost) {
    if (ghost)
        ghosts_.push_back(std::move(ghost));
}

void TGhostList::Start(TDrawSite* site, const TRect& limitRect, const TPoint& p, TShiftState shift) {
    site_ = site;
    if (site != nullptr)
        site->repaint();
    moved_ = false;
    lastPoint_ = p;
    lastShift_ = shift & (ssShift | ssAlt | ssCtrl);
    startPoint_ = p;
    for (const auto& ghost : ghosts_) {
        ghost->LimitRect = limitRect;
        ghost->Site = site;
        ghost->Start(p);
    }
    active_ = true;
    DrawGhosts();
}

void TGhostList::DragTo(TShiftState shift, const TPoint& p) {
    if (!active_)
        return;
    const TShiftState reduced = shift & (ssShift | ssAlt | ssCtrl);
    if (reduced == lastShift_ && p == lastPoint_)
        return;
    moved_ = true;
    lastPoint_ = p;
    lastShift_ = reduced;
    const TPoint delta(p.X - startPoint_.X, p.Y - startPoint_.Y);
    for (const auto& ghost : ghosts_)
        ghost->Move(shift, delta);
    DrawGhosts();
}

void TGhostList::Drop() {
    if (active_) {
        active_ = false;
        DrawGhosts();
        if (moved_) {
            // A ghost may add objects or ghosts while it drops; walk a stable list.
            std::vector<TGhost*> ghosts;
            for (const auto& g : ghosts_)
                ghosts.push_back(g.get());
            // The changes of one drag are one step to undo: a drag of many objects is neither
            // undone object by object nor cut short by the list's limit.
            const bool grouped = ghosts.size() > 1;
            if (grouped)
                UndoList().BeginGroup(QString());
            try {
                for (TGhost* ghost : ghosts)
                    ghost->Drop(lastShift_);
            } catch (...) {
                if (grouped)
                    UndoList().EndGroup();
                FreeGhosts();
                throw;
            }
            if (grouped)
                UndoList().EndGroup();
        }
    }
    FreeGhosts();
}

void TGhostList::ClearGhosts() {
    if (active_) {
        active_ = false;
        DrawGhosts();
    }
    FreeGhosts();
}

void TGhostList::FreeGhosts() {
    const bool had = !ghosts_.empty();
    std::vector<std::unique_ptr<TGhost>> gone = std::move(ghosts_);
    ghosts_.clear();
    gone.clear();
    active_ = false;
    if (site_ != nullptr)
        site_->InvalidateOverlay();
    site_ = nullptr;
    if (had && OnClear) {
        const TNotifyEvent onClear = OnClear;
        onClear(this);
    }
}

void TGhostList::DrawGhosts() {
    if (site_ != nullptr)
        site_->InvalidateOverlay();
}

void TGhostList::PaintGhosts(TDrawSite* site) {
    if (!active_ || site == nullptr || site != site_)
        return;
    for (const auto& ghost : ghosts_)
        if (ghost->Site == site)
            ghost->DrawOnSite();
}

bool TGhostList::IsSelectGhost() const {
    return ghosts_.size() == 1 && dynamic_cast<const TSelectGhost*>(ghosts_.front().get()) != nullptr;
}

TGhostList& GhostList() {
    static TGhostList list;
    return list;
}

void AddGhost(std::unique_ptr<TGhost> ghost) {
    GhostList().Add(std::move(ghost));
}

// ---- TSelectGhost

void TSelectGhost::Start(const TPoint& p) {
    StartPoint = p;
    CurrentPoint = p;
}

void TSelectGhost::Move(TShiftState, const TPoint& delta) {
    CurrentPoint.X = std::clamp(StartPoint.X + delta.X, std::min(LimitRect.Left, LimitRect.Right),
                                std::max(LimitRect.Left, LimitRect.Right));
    CurrentPoint.Y = std::clamp(StartPoint.Y + delta.Y, std::min(LimitRect.Top, LimitRect.Bottom),
                                std::max(LimitRect.Top, LimitRect.Bottom));
}

void TSelectGhost::Draw() {
    if (TCanvas* canvas = Site != nullptr ? Site->GetDrawCanvas() : nullptr)
        canvas->Rectangle(StartPoint.X, StartPoint.Y, CurrentPoint.X, CurrentPoint.Y);
}

void TSelectGhost::Drop(TShiftState) {
    if (Site == nullptr)
        return;
    TRect r = NormalizeRect(TRect(Site->LogToDev(StartPoint), Site->LogToDev(CurrentPoint)));
    ++r.Right;
    ++r.Bottom;
    Site->SelectInRect(r);
}

// ---- TPivot

TPivot::TPivot(TComponent* owner) : TGraphicControl(owner) {}

TPivot::TPivot(TDrawObject* object, TCursor cursor, int index)
    : TGraphicControl(object), Index(index), object_(object) {
    SetCursor(object != nullptr && !object->Movable() ? crDefault : cursor);
}

bool TPivot::IsInverted() {
    return object_ == nullptr || object_->Movable();
}

bool TPivot::HitTestControl(int x, int y) {
    if (!GhostList().IsEmpty())
        return false;
    return TGraphicControl::HitTestControl(x, y);
}

void TPivot::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseDown(button, shift, x, y);
    if (auto* site = dynamic_cast<TDrawSite*>(Parent()))
        site->ObjectMouseDown(button, 0, object_, Index, x + Left(), y + Top());
}

void TPivot::Paint() {
    TCanvas* canvas = Canvas();
    if (canvas == nullptr)
        return;
    if (object_ != nullptr && !object_->Movable()) {
        canvas->Pen() = TPen{clBlack, 1, psSolid, pmCopy};
        canvas->Brush() = TBrush{clWhite, bsSolid};
        canvas->Rectangle(0, 0, Width(), Height());
    } else {
        canvas->InvertRect(TRect(0, 0, Width(), Height()));
    }
}

void TPivot::PaintSolid(const TPen& pen, const TBrush& brush, bool round) {
    if (object_ != nullptr && !object_->Movable()) {
        TPivot::Paint();
        return;
    }
    TCanvas* canvas = Canvas();
    if (canvas == nullptr)
        return;
    canvas->Pen() = pen;
    canvas->Brush() = brush;
    if (round)
        canvas->Ellipse(0, 0, Width(), Height());
    else
        canvas->Rectangle(0, 0, Width(), Height());
}
