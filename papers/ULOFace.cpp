#include "papers/ULOFace.h"

#include "pageobjects/engine/UGhost.h"
#include "pageobjects/engine/UMoveGhost.h"
#include "papers/UPaperInfo.h"
#include "platform/Canvas.h"
#include "platform/ClassRegistry.h"

#include <QWidget>
#include <algorithm>

namespace {

// Caption points at 100 percent: divided by the scale so the caption keeps its screen size.
constexpr int kCaptionSizeAtScale = 1200;
constexpr TColor kCaptionColor = 0xFF0000;
// Page units per inch of the paper site: tenths of a millimetre.
constexpr int kPaperSiteUnitDPI = 254;

} // namespace

// ---- TLOFace

TLOFace::TLOFace(TComponent* owner) : TLORectBase(owner) {}

void TLOFace::SetFaceInfo(const TFaceInfo& info) {
    if (Fixed())
        return;
    faceInfo_ = info;
    TLORectBase::SetLogRect(faceInfo_.GetOuterRect());
    Invalidate();
}

void TLOFace::SetSelected(bool value) {
    if (value == Selected())
        return;
    TLORectBase::SetSelected(value);
    if (value && singleSelect_ && Site() != nullptr) {
        for (int i = 0; i < CountFaces(*Site()); ++i) {
            TLOFace* face = GetFace(*Site(), i);
            if (face != this)
                face->SetSelected(false);
        }
    }
    Invalidate();
}

void TLOFace::SetSingleSelect(bool value) {
    if (value == singleSelect_)
        return;
    singleSelect_ = value;
    Invalidate();
}

void TLOFace::SetShowCaption(bool value) {
    if (value == showCaption_)
        return;
    showCaption_ = value;
    Invalidate();
}

void TLOFace::SetFaceColor(TColor value) {
    if (value == faceColor_)
        return;
    faceColor_ = value;
    Invalidate();
}

int TLOFace::GetFaceIndex() const {
    TDrawSite* site = Site();
    if (site == nullptr)
        return -1;
    for (int i = 0; i < CountFaces(*site); ++i)
        if (GetFace(*site, i) == this)
            return i;
    return -1;
}

void TLOFace::Paint() {
    TCanvas& canvas = *GetDrawCanvas();
    canvas.Brush() = TBrush{Selected() ? faceColor_ : clWhite, bsSolid};
    canvas.Pen() = TPen{clBlack, 1, psSolid, pmCopy};
    faceInfo_.DrawOutline(canvas, false, false);
    if (faceInfo_.FaceMargin != 0) {
        canvas.Pen() = TPen{clBlack, 0, psDot, pmCopy};
        faceInfo_.DrawInnerOutline(canvas, false);
    }
    if (showCaption_)
        DrawCaption(canvas);
}

void TLOFace::DrawCaption(TCanvas& canvas) {
    const int scale = Site() != nullptr ? Site()->ActiveScaler().Scale() : 100;
    canvas.Font().Color = kCaptionColor;
    canvas.Font().SetSize(kCaptionSizeAtScale / std::max(1, scale));
    canvas.SetBkMode(TRANSPARENT);
    canvas.TextOut(LogLeft(), LogTop(),
                   QStringLiteral("%1 [%2]").arg(GetFaceIndex()).arg(faceInfo_.FacePurpose));
}

void TLOFace::DrawOutline(TCanvas& canvas) {
    const int saved = canvas.SaveDC();
    faceInfo_.DrawOutline(canvas, false, false);
    canvas.RestoreDC(saved);
}

bool TLOFace::HitTest(const TPoint& p) {
    return faceInfo_.CreateRegion(nullptr, true).contains(QPoint(p.X, p.Y));
}

void TLOFace::SetEnclosingSize(int w, int h) {
    SetLogRect(TRect(LogLeft(), LogTop(), LogLeft() + w, LogTop() + h));
}

void TLOFace::SetLogRect(const TRect& r) {
    if (Fixed())
        return;
    TLORectBase::SetLogRect(r);
    faceInfo_.SetOuterRect(LogBounds());
}

void TLOFace::MakePivots() {
    if (Editable)
        TLORectBase::MakePivots();
}

void TLOFace::MakeGhost(int handle) {
    if (handle == ghMove)
        GhostList().Add(std::make_unique<TSimpleMoveGhost>(this, handle));
    else
        TLORectBase::MakeGhost(handle);
}

void TLOFace::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    const bool was = Selected();
    if (button == mbLeft)
        SetSelected(singleSelect_ ? true : !was);
    TGraphicControl::MouseDown(button, shift, x, y);
    // The site's press without an object: the face has chosen its selection itself, which the
    // site's own rule (select the pressed object, deselect the rest) would undo.
    if ((shift & ssDouble) == 0)
        if (TDrawSite* site = Site())
            site->ObjectMouseDown(button, shift, nullptr, ghMove, x + Left(), y + Top());
    if (Selected() != was && OnSelectionChange)
        OnSelectionChange(this);
}

void TLOFace::AssignTo(TPersistent* dest) const {
    TLORectBase::AssignTo(dest);
    if (auto* face = dynamic_cast<TLOFace*>(dest)) {
        face->faceInfo_ = faceInfo_;
        face->singleSelect_ = singleSelect_;
        face->Editable = Editable;
    }
}

// ---- face functions

int CountFaces(const TDrawSite& site) {
    int count = 0;
    for (int i = 0; i < site.ControlCount(); ++i)
        if (dynamic_cast<TLOFace*>(site.Controls(i)) != nullptr)
            ++count;
    return count;
}

TLOFace* GetFace(const TDrawSite& site, int index) {
    if (index < 0)
        return nullptr;
    for (int i = 0; i < site.ControlCount(); ++i)
        if (auto* face = dynamic_cast<TLOFace*>(site.Controls(i)))
            if (index-- == 0)
                return face;
    return nullptr;
}

TLOFace* GetSelectedFace(const TDrawSite& site) {
    for (int i = 0; i < site.ControlCount(); ++i)
        if (auto* face = dynamic_cast<TLOFace*>(site.Controls(i)); face != nullptr && face->Selected())
            return face;
    return nullptr;
}

void SelectFace(const TDrawSite& site, int index) {
    if (TLOFace* face = GetFace(site, index))
        face->SetSelected(true);
}

void CreateFaces(TDrawSite& site, const TPaperInfo& paper, bool singleSelect, bool editable,
                 const TMetaClass* faceClass) {
    const TMetaClass& meta = faceClass != nullptr ? *faceClass : TLOFace::StaticClass();
    TFaceInfo info;
    for (int i = 0; i < paper.GetFaceCount(); ++i) {
        auto* face = dynamic_cast<TLOFace*>(meta.CreateComponent(&site));
        if (face == nullptr)
            throw EComponentError(QStringLiteral("%1 is no face class").arg(meta.Name()));
        face->SetSingleSelect(singleSelect);
        face->Editable = editable;
        paper.GetFaceInfo(i, info);
        face->SetFaceInfo(info);
        site.AddObject(face);
    }
}

// ---- TPaperSite

TPaperSite::TPaperSite(TComponent* owner, QWidget* parentWidget) : TDrawSite(owner, parentWidget) {
    Scaler().SetUnitDPI(kPaperSiteUnitDPI);
}

TPaperSite::~TPaperSite() {
    if (paper_ != nullptr)
        paper_->RemoveFreeNotification(this);
}

void TPaperSite::SetPaperInfo(TPaperInfo* paper) {
    if (paper_ != paper) {
        if (paper_ != nullptr)
            paper_->RemoveFreeNotification(this);
        paper_ = paper;
        if (paper_ != nullptr)
            paper_->FreeNotification(this);
    }
    if (paper_ != nullptr) {
        SetLogWidth(paper_->Width());
        SetLogHeight(paper_->Height());
        const QWidget* parent = parentWidget();
        const QRect area = parent != nullptr ? parent->rect() : rect();
        const TRect r(area.left(), area.top(), area.left() + area.width(), area.top() + area.height());
        Scaler().SetScale(std::max(1, CalcFitScale(ToolCanvas(), r, true, true)));
        UpdateSize();
        // Rounding may leave the page a pixel too large for its parent: one percent less fits.
        if ((width() > area.width() || height() > area.height()) && Scaler().Scale() > 1) {
            Scaler().SetScale(Scaler().Scale() - 1);
            UpdateSize();
        }
        move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
    }
    RebuildFaces();
    update();
}

int TPaperSite::GetSelectedFaceIndex() const {
    TLOFace* face = GetSelectedFace(*this);
    return face != nullptr ? face->GetFaceIndex() : -1;
}

void TPaperSite::SetMultiSelect(bool value) {
    if (value == multiSelect_)
        return;
    multiSelect_ = value;
    RebuildFaces();
}

void TPaperSite::SetFaceColor(TColor value) {
    if (value == faceColor_)
        return;
    faceColor_ = value;
    for (int i = 0; i < CountFaces(*this); ++i)
        GetFace(*this, i)->SetFaceColor(value);
}

void TPaperSite::RebuildFaces() {
    ClearPivots();
    DestroyComponents();
    if (paper_ == nullptr)
        return;
    CreateFaces(*this, *paper_, !multiSelect_, true, FaceClass);
    for (int i = 0; i < CountFaces(*this); ++i) {
        TLOFace* face = GetFace(*this, i);
        face->OnSelectionChange = [this](TObject*) { clickPending_ = true; };
        face->SetFaceColor(faceColor_);
        face->SetShowCaption(DrawInfo);
    }
}

void TPaperSite::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TDrawSite::MouseDown(button, shift, x, y);
    // A paper site only selects: no drag follows a press.
    GhostList().ClearGhosts();
}

void TPaperSite::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TDrawSite::MouseUp(button, shift, x, y);
    const bool pending = clickPending_;
    clickPending_ = false;
    if (pending && OnFaceClick)
        OnFaceClick(this);
}

void TPaperSite::Notification(TComponent* component, TOperation operation) {
    TDrawSite::Notification(component, operation);
    if (operation == TOperation::opRemove && component == paper_)
        paper_ = nullptr;
}

void RegisterFaceClasses() {
    for (const TMetaClass* meta : {&TLOFace::StaticClass(), &TPaperSite::StaticClass()})
        if (!IsClassRegistered(*meta))
            RegisterClass(*meta);
}
