#include "app/FSheet.h"

#include "app/FLayout.h"
#include "app/FModeBar.h"
#include "app/UEditFormBars.h"
#include "app/dialogs/FSheetName.h"
#include "app/dialogs/FSheetPos.h"
#include "controls/Exscrbox.h"
#include "core/UAppFrame.h"
#include "core/UAppUtil.h"
#include "core/UInterfaces.h"
#include "pageobjects/engine/UAction.h"
#include "pageobjects/engine/UDOInterface.h"
#include "pageobjects/engine/UDOUtils.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/engine/UGhost.h"
#include "pageobjects/layout/USimpleText.h"
#include "papers/UExtraPaperInfo.h"
#include "papers/ULabelData.h"
#include "papers/UPaperImages.h"
#include "papers/UPaperInfo.h"
#include "platform/Application.h"
#include "platform/Canvas.h"
#include "platform/Clipboard.h"
#include "platform/Stream.h"
#include "platform/StringList.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdlib>

namespace {

constexpr TColor kHighlightColor = 0xC0C0C0;
constexpr TColor kSelectedPenColor = 0xFF0000;
// The selected face's outline, in device pixels.
constexpr int kSelectedPenPixels = 4;
constexpr int kLayoutButtonImage = 16;
// The zoom kept between instances; 0 stands for automatic.
int keptZoom = 0;

QString DeleteFaceQuestion() {
    return QStringLiteral("指定されたﾗﾍﾞﾙﾃﾞｰﾀを削除します。よろしいですか？");
}

bool AskYesNo(const QString& text) {
    return AppMessageBox(text, {bkYes, bkNo}, 0, 1) == mrYes;
}

// A tab shows a name as it is: "&" marks no mnemonic.
QString TabText(const QString& name) {
    QString text = name;
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

} // namespace

// ---- TLOFaceForSheet

TLOFaceForSheet::TLOFaceForSheet(TComponent* owner) : TLOFace(owner) {}

void TLOFaceForSheet::SetHighlight(int value) {
    if (value == highlight_)
        return;
    highlight_ = value;
    Invalidate();
}

void TLOFaceForSheet::Paint() {
    TCanvas& canvas = *GetDrawCanvas();
    TPen pen{clBlack, 0, psSolid, pmCopy};
    switch (highlight_) {
    case kCopyHighlight:
        canvas.Brush() = TBrush{kHighlightColor, bsDiagCross};
        break;
    case kMoveHighlight:
        canvas.Brush() = TBrush{kHighlightColor, bsCross};
        break;
    default:
        canvas.Brush() = TBrush{clWhite, bsClear};
        break;
    }
    const int selectedWidth = std::max(Site() != nullptr ? Site()->DevToLog(TPoint(kSelectedPenPixels, 0)).X -
                                                               Site()->DevToLog(TPoint(0, 0)).X
                                                         : kSelectedPenPixels,
                                       1);
    if (Selected())
        pen = TPen{kSelectedPenColor, selectedWidth, psInsideFrame, pmCopy};
    canvas.Pen() = pen;
    FaceInfo().DrawOutline(canvas, false, false);
    if (FaceInfo().FaceMargin != 0) {
        TPen dotted = pen;
        dotted.Style = psDot;
        dotted.Width = 0;
        canvas.Pen() = dotted;
        canvas.Brush() = TBrush{clWhite, bsClear};
        FaceInfo().DrawInnerOutline(canvas, false);
    }
    // The caption starts inside the selected outline's band, which would hide its top and left
    // (blue on blue), and stays there unselected so it does not jump on a click.
    const int saved = canvas.SaveDC();
    canvas.OffsetWindowOrg(-selectedWidth, -selectedWidth);
    DrawCaption(canvas);
    canvas.RestoreDC(saved);
}

// ---- TfrmSheet

TfrmSheet::TfrmSheet(IAppHost* host, QWidget* parent)
    : QWidget(parent ? parent : host ? host->HostWindow() : nullptr), host_(host), components_(std::make_unique<TComponent>(nullptr)) {
    setObjectName(QStringLiteral("frmSheet"));
    setProperty("HelpContext", 5011);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    bars_ = std::make_unique<TEditFormBars>(this, host_, column);
    if (host_ != nullptr) {
        tbCommand = new QToolBar(this);
        tbCommand->setObjectName(QStringLiteral("tbCommand"));
        tbCommand->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        column->addWidget(tbCommand);
    }
    TabSheet = new QTabBar(this);
    TabSheet->setObjectName(QStringLiteral("TabSheet"));
    TabSheet->setShape(QTabBar::RoundedSouth);
    TabSheet->setExpanding(false);
    ScrollBox1 = new TExScrollBox(this);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    column->addWidget(ScrollBox1, 1);
    column->addWidget(TabSheet);
    DrawSite1 = new TDrawSite(components_.get());
    DrawSite1->setObjectName(QStringLiteral("DrawSite1"));
    DrawSite1->Scaler().SetUnitDPI(kLayoutUnitsPerInch);
    DrawSite1->setFocusPolicy(Qt::StrongFocus);
    DrawSite1->setMouseTracking(true);
    ScrollBox1->SetBaseControl(DrawSite1);
    DrawSite1->installEventFilter(this);
    // The tab bar grows when the first tabs arrive and takes height from the scroll box without the form
    // changing size, so the fit follows the scroll box itself.
    ScrollBox1->installEventFilter(this);
    DrawSite1->OnMouseDown = [this](TObject*, TMouseButton button, TShiftState, int x, int y) {
        if (button == mbLeft)
            SiteMouseDown(x, y);
    };
    DrawSite1->OnMouseMove = [this](TObject*, TShiftState shift, int x, int y) {
        SiteMouseMove((shift & ssShift) != 0, x, y);
    };
    DrawSite1->OnMouseUp = [this](TObject*, TMouseButton button, TShiftState shift, int x, int y) {
        if (button == mbLeft)
            SiteMouseUp((shift & ssShift) != 0, x, y);
    };
    DrawSite1->OnKeyDown = [this](TObject*, int& key, TShiftState shift) {
        SiteKey(key, (shift & ssShift) != 0);
    };
    DrawSite1->OnKeyUp = [this](TObject*, int& key, TShiftState shift) {
        SiteKey(key, (shift & ssShift) != 0);
    };
    connect(TabSheet, &QTabBar::currentChanged, this, [this](int index) {
        if (syncingTabs_ || document_ == nullptr || index < 0 || index == document_->CurrentSheetNo())
            return;
        TApplication::Guard(nullptr, [&] {
            document_->SetCurrentSheetNo(index);
            Rebuild();
        });
    });

    MakeActions();
    MakeMenus();
    MakeCommandButtons();
    if (keptZoom != 0)
        SetZoom(keptZoom);
    else
        SetAutoScale();
    SetupForm(this);
    UndoList().Clear();
    UndoList().SetAllowRepeat(false);
}

TfrmSheet::~TfrmSheet() {
    KeepZoomForNext();
    if (GhostList().Site() == DrawSite1)
        GhostList().ClearGhosts();
    UndoList().Clear();
}

void TfrmSheet::MakeActions() {
    const auto command = [this](const char* name, const QString& caption, const QKeySequence& keys,
                                auto run) {
        auto* action = new QAction(caption, this);
        action->setObjectName(QLatin1String(name));
        if (!keys.isEmpty()) {
            action->setShortcut(keys);
            action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
            addAction(action);
        }
        connect(action, &QAction::triggered, this, [run] { TApplication::Guard(nullptr, run); });
        return action;
    };
    actCut = command("actCut", QStringLiteral("切り取り(&T)"), QKeySequence(Qt::CTRL | Qt::Key_X),
                     [this] { CutFace(); });
    actCopy = command("actCopy", QStringLiteral("コピー(&C)"), QKeySequence(Qt::CTRL | Qt::Key_C),
                      [this] { CopyFace(); });
    actPaste = command("actPaste", QStringLiteral("貼り付け(&P)"), QKeySequence(Qt::CTRL | Qt::Key_V),
                       [this] { PasteFace(); });
    actClear = command("actClear", QStringLiteral("クリア(&D)"), QKeySequence(Qt::Key_Delete),
                       [this] { ClearFace(); });
    // Face changes here are not recorded for undo.
    actUndo = new QAction(QStringLiteral("取り消し(&U)"), this);
    actUndo->setObjectName(QStringLiteral("actUndo"));
    actUndo->setEnabled(false);
    actRedo = new QAction(QStringLiteral("やり直し(&R)"), this);
    actRedo->setObjectName(QStringLiteral("actRedo"));
    actRedo->setEnabled(false);
    actAddSheet =
        command("actAddSheet", QStringLiteral("ラベルシートの追加(&A)"), {}, [this] { AddSheet(); });
    actDelSheet =
        command("actDelSheet", QStringLiteral("ラベルシートの削除(&D)..."), {}, [this] { DeleteSheet(); });
    actCopySheet =
        command("actCopySheet", QStringLiteral("ラベルシートの複写(&C)..."), {}, [this] { CopySheet(); });
    actMoveSheet =
        command("actMoveSheet", QStringLiteral("ラベルシートの移動(&M)..."), {}, [this] { MoveSheet(); });
    actSheetName =
        command("actSheetName", QStringLiteral("ラベルシートの名前(&N)..."), {}, [this] { RenameSheet(); });
    auto* zoomGroup = new QActionGroup(this);
    for (const int step : LayoutZoomSteps()) {
        auto* action = new QAction(QStringLiteral("%1%").arg(step), this);
        action->setObjectName(QStringLiteral("act%1").arg(step));
        action->setCheckable(true);
        connect(action, &QAction::triggered, this, [this, step] { SetZoom(step); });
        zoomGroup->addAction(action);
        zoomActions.push_back(action);
    }
    actAutoScale = new QAction(QStringLiteral("自動(&A)"), this);
    actAutoScale->setObjectName(QStringLiteral("actAutoScale"));
    actAutoScale->setCheckable(true);
    connect(actAutoScale, &QAction::triggered, this, [this] { SetAutoScale(); });
    zoomGroup->addAction(actAutoScale);
}

void TfrmSheet::MakeMenus() {
    const auto menu = [this](const char* name, const QString& title) {
        auto* m = new QMenu(title, this);
        m->setObjectName(QLatin1String(name));
        connect(m, &QMenu::aboutToShow, this, [this] { UpdateActions(); });
        return m;
    };
    popupEdit = menu("popupEdit", QStringLiteral("編集(&E)"));
    popupEdit->addActions({actUndo, actRedo});
    popupEdit->addSeparator();
    popupEdit->addActions({actCut, actCopy, actPaste, actClear});
    popupSheet = menu("popupSheet", QStringLiteral("ラベルシート(&S)"));
    popupSheet->addActions({actAddSheet, actDelSheet, actCopySheet, actMoveSheet, actSheetName});
    popupView = menu("popupView", QStringLiteral("表示(&V)"));
    for (QAction* action : zoomActions)
        popupView->addAction(action);
    popupView->addAction(actAutoScale);
    popupFace = menu("popupFace", QString());
    popupFace->addActions({actCut, actCopy, actPaste, actClear});

    if (host_ == nullptr)
        return;
    popupView->addSeparator();
    popupView->addActions({host_->Action(haSheet), host_->Action(haLayout)});
    bars_->AddMenus({{"btnEditMenu", popupEdit}, {"btnSheetMenu", popupSheet}, {"btnViewMenu", popupView}});
}

void TfrmSheet::MakeCommandButtons() {
    if (host_ == nullptr || tbCommand == nullptr)
        return;
    const auto button = [this](const char* name, QAction* action, const QString& text) {
        auto* b = new QToolButton(tbCommand);
        b->setObjectName(QLatin1String(name));
        b->setText(text);
        b->setToolTip(action->toolTip());
        connect(b, &QToolButton::clicked, action, &QAction::trigger);
        tbCommand->addWidget(b);
        return b;
    };
    const auto command = [this, &button](const char* name, THostAction which) {
        QAction* action = host_->Action(which);
        button(name, action, RemoveMenuMarks(action->text()));
    };
    command("btnStartMenu", haStartMenu);
    command("btnNew", haNew);
    command("btnOpen", haOpen);
    command("btnSave", haSave);
    command("btnPrint", haPrint);
    button("btnTemplate", host_->Action(haTemplate), QStringLiteral("ﾃﾝﾌﾟﾚｰﾄ"));
    tbCommand->addSeparator();
    btnLayout = button("btnLayout", host_->Action(haLayout), QStringLiteral("ラベル編集画面"));
    btnLayout->setToolTip(QStringLiteral("ラベル表示画面に切替えます"));
    const std::vector<QIcon>& icons = host_->CommandIcons();
    if (int(icons.size()) > kLayoutButtonImage)
        btnLayout->setIcon(icons[size_t(kLayoutButtonImage)]);
}

// ---- the view

void TfrmSheet::AttachDocument(TLabelData* document) {
    document_ = document;
    Rebuild();
}

void TfrmSheet::Rebuild() {
    UndoList().Clear();
    GhostList().ClearGhosts();
    hoverFace_ = -1;
    dragSource_ = -1;
    DrawSite1->ClearPivots();
    DrawSite1->DestroyComponents();
    if (document_ == nullptr)
        return;
    SyncTabs();
    const TMatrixPaperInfo* layout = document_->GetLayoutPaper();
    DrawSite1->SetLogWidth(layout->Width());
    DrawSite1->SetLogHeight(layout->Height());
    const int faces = layout->GetFaceCount();
    if (document_->CurrentLabelNo < 0 || document_->CurrentLabelNo >= std::max(faces, 1))
        document_->CurrentLabelNo = 0;
    for (int i = 0; i < faces; ++i)
        PlaceFaceContents(i);
    CreateFaces(*DrawSite1, *layout, true, false, &TLOFaceForSheet::StaticClass());
    for (int i = 0; i < faces; ++i) {
        TLOFace* face = GetFace(*DrawSite1, i);
        face->SetShowCaption(true);
        face->OnDblClick = [this, i](TObject*) { FaceDoubleClicked(i); };
    }
    if (DrawSite1->isEnabled())
        SelectFace(*DrawSite1, document_->CurrentLabelNo);
    DrawSite1->SetModified(false);
    Relayout();
    // The sheet window shows no status panels.
    bars_->ShowStatusPanels({});
    DrawSite1->InvalidatePage();
    DrawSite1->show();
    UpdateActions();
}

void TfrmSheet::PlaceFaceContents(int face) {
    TOwnedDOList objects;
    try {
        document_->LoadLabelObjects(face, objects);
    } catch (const Exception&) {
        // A face that cannot be read shows empty; its bytes stay in the document.
        objects.FreeObjects();
    }
    TMatrixPaperInfo* layout = document_->GetLayoutPaper();
    if (const TImagePaperInfo* images = document_->GetPaperImageInfo();
        images != nullptr && !images->IsEmpty()) {
        TImagePaperInfo shown(nullptr);
        shown.Assign(images);
        if (IsFaceSideMatch(int(document_->FaceSides), layout->Landscape, document_->CurrentSheetNo()))
            MirrorPaperImages(*layout, shown);
        TOwnedDOList paperImages;
        shown.GetImageObjects(face, paperImages);
        TDOList view;
        paperImages.ListObjects(view);
        if (layout->Landscape)
            FlipObjectsForLandscape(view, *layout, face, false);
        for (TDrawObject* object : view)
            object->SetLayerGroup(kPaperImageLayerGroup);
        for (auto& object : paperImages.TakeAll())
            objects.Add(std::move(object));
    }
    const TRect outer = layout->GetFaceOuterRect(face);
    for (auto& owned : objects.TakeAll()) {
        TDrawObject* object = DrawSite1->AdoptObject(std::move(owned));
        if (TIntf<IDOEncloseBounds> bounds = Supports<IDOEncloseBounds>(static_cast<TObject*>(object)))
            bounds->MoveBy(outer.Left, outer.Top);
        object->SetSelectable(false);
        object->SetEnabled(false);
    }
}

void TfrmSheet::SyncTabs() {
    if (document_ == nullptr)
        return;
    TStringList names;
    document_->GetSheetNames(names);
    syncingTabs_ = true;
    const QSignalBlocker blocker(TabSheet);
    for (int i = 0; i < names.Count(); ++i) {
        if (i < TabSheet->count())
            TabSheet->setTabText(i, TabText(names.Strings(i)));
        else
            TabSheet->addTab(TabText(names.Strings(i)));
    }
    while (TabSheet->count() > names.Count())
        TabSheet->removeTab(TabSheet->count() - 1);
    TabSheet->setCurrentIndex(document_->CurrentSheetNo());
    syncingTabs_ = false;
}

void TfrmSheet::closeEvent(QCloseEvent* event) {
    KeepZoomForNext();
    QWidget::closeEvent(event);
}

void TfrmSheet::KeepZoomForNext() {
    // A closed window is freed later, perhaps after the run's zoom went with the data module.
    if (zoomKept_)
        return;
    zoomKept_ = true;
    keptZoom = autoScale_ ? 0 : DrawSite1->Scaler().Scale();
}

void TfrmSheet::SetZoom(int scale) {
    autoScale_ = false;
    DrawSite1->Scaler().SetScale(scale);
    const std::vector<int>& steps = LayoutZoomSteps();
    for (size_t i = 0; i < steps.size(); ++i)
        zoomActions[i]->setChecked(steps[i] == scale);
    actAutoScale->setChecked(false);
    Relayout();
}

void TfrmSheet::SetAutoScale() {
    autoScale_ = true;
    actAutoScale->setChecked(true);
    Relayout();
}

void TfrmSheet::Relayout() {
    RelayoutSite(ScrollBox1, DrawSite1, autoScale_);
}

bool TfrmSheet::CurrentFaceHoldsData() {
    return document_ != nullptr && document_->CurrentLabelNo < document_->GetLayoutPaper()->GetFaceCount() &&
           document_->HasLabelData(document_->CurrentLabelNo);
}

bool TfrmSheet::CurrentFaceHasArea() const {
    return document_ != nullptr && document_->CurrentLabelNo < document_->GetLayoutPaper()->GetFaceCount() &&
           !document_->GetLayoutPaper()->GetFaceOuterRect(document_->CurrentLabelNo).IsEmpty();
}

void TfrmSheet::UpdateActions() {
    const bool holds = CurrentFaceHoldsData();
    actCopy->setEnabled(holds);
    actCut->setEnabled(holds);
    actClear->setEnabled(holds);
    actPaste->setEnabled(CurrentFaceHasArea() && Clipboard::HasFormat(SheetLabelFormat()));
    actAddSheet->setEnabled(document_ != nullptr);
    actCopySheet->setEnabled(document_ != nullptr && !OnUnusedCover());
    actSheetName->setEnabled(document_ != nullptr);
    actDelSheet->setEnabled(CanDeletePage());
    actMoveSheet->setEnabled(document_ != nullptr && document_->GetSheetCount() > kFirstInnerSheet + 1);
}

bool TfrmSheet::OnUnusedCover() const {
    const int sheet = document_->CurrentSheetNo();
    return (sheet == kFrontCoverSheet && !document_->FrontCover) ||
           (sheet == kBackCoverSheet && !document_->BackCover);
}

// Only a page goes, and never the last one: the cover slots keep their places.
bool TfrmSheet::CanDeletePage() const {
    return document_ != nullptr && document_->CurrentSheetNo() >= kFirstInnerSheet &&
           document_->GetSheetCount() > kFirstInnerSheet + 1;
}

// ---- faces

TLOFaceForSheet* TfrmSheet::Face(int index) const {
    return dynamic_cast<TLOFaceForSheet*>(GetFace(*DrawSite1, index));
}

int TfrmSheet::FaceAt(const QPoint& device) const {
    const TPoint p = DrawSite1->DevToLog(TPoint(device.x(), device.y()));
    for (int i = 0; i < CountFaces(*DrawSite1); ++i)
        if (GetFace(*DrawSite1, i)->HitTest(p))
            return i;
    return -1;
}

bool TfrmSheet::ConfirmFacePaste(const std::optional<TSheetLabelSize>& source, int target) {
    const TRect outer = document_->GetLayoutPaper()->GetFaceOuterRect(target);
    const QString question = FacePasteQuestion(
        FacePasteConditions(source, outer.Width(), outer.Height(), document_->HasLabelData(target)));
    return question.isEmpty() || AskYesNo(question);
}

void TfrmSheet::StoreFace(int index, TOwnedDOList& topmostFirst) {
    TDOList list;
    topmostFirst.ListObjects(list);
    document_->StoreLabelObjects(index, list);
}

bool TfrmSheet::DropFace(int source, int target, bool move) {
    const int faces = document_ != nullptr ? document_->GetLayoutPaper()->GetFaceCount() : 0;
    if (source < 0 || source >= faces || target < 0 || target >= faces || source == target ||
        !document_->HasLabelData(source))
        return false;
    const TRect outer = document_->GetLayoutPaper()->GetFaceOuterRect(source);
    if (!ConfirmFacePaste(TSheetLabelSize{uint32_t(outer.Width()), uint32_t(outer.Height())}, target))
        return false;
    TOwnedDOList stored;
    document_->LoadLabelObjects(source, stored);
    if (stored.IsEmpty())
        return false;
    // Stored order is bottom first; a face is written topmost first.
    TDOList topmostFirst;
    for (int i = stored.Count() - 1; i >= 0; --i)
        topmostFirst.Add(stored[i]);
    document_->StoreLabelObjects(target, topmostFirst);
    // A move clears its source only once the target holds the copy.
    if (move && document_->HasLabelData(target))
        document_->StoreLabelObjects(source, TDOList());
    Rebuild();
    return true;
}

bool TfrmSheet::CopyFace() {
    if (!CurrentFaceHoldsData())
        return false;
    const int face = document_->CurrentLabelNo;
    TOwnedDOList objects;
    document_->LoadLabelObjects(face, objects);
    if (objects.IsEmpty())
        return false;
    const TRect outer = document_->GetLayoutPaper()->GetFaceOuterRect(face);
    const QByteArray bytes = SheetLabelBytes(objects, outer.Width(), outer.Height());
    const unsigned format = SheetLabelFormat();
    Clipboard::SetData(format, bytes);
    UpdateActions();
    return Clipboard::HasFormat(format) && Clipboard::GetData(format) == bytes;
}

void TfrmSheet::CutFace() {
    if (!CurrentFaceHoldsData() || !AskYesNo(DeleteFaceQuestion()))
        return;
    // The face is cleared only once the clipboard holds its copy.
    if (!CopyFace())
        return;
    document_->StoreLabelObjects(document_->CurrentLabelNo, TDOList());
    Rebuild();
}

void TfrmSheet::ClearFace() {
    if (!CurrentFaceHoldsData() || !AskYesNo(DeleteFaceQuestion()))
        return;
    document_->StoreLabelObjects(document_->CurrentLabelNo, TDOList());
    Rebuild();
}

void TfrmSheet::PasteFace() {
    const unsigned format = SheetLabelFormat();
    if (document_ == nullptr || !Clipboard::HasFormat(format))
        return;
    const int target = document_->CurrentLabelNo;
    // Kept inside no area, every object would land on one spot of a page nobody sees.
    if (target < 0 || !CurrentFaceHasArea())
        return;
    TOwnedDOList objects;
    const std::optional<TSheetLabelSize> size = ReadSheetLabel(Clipboard::GetData(format), objects);
    if (objects.IsEmpty())
        return;
    TDOList view;
    objects.ListObjects(view);
    KeepObjectsInRect(view, TRect(0, 0, DrawSite1->LogWidth(), DrawSite1->LogHeight()));
    if (!ConfirmFacePaste(size, target))
        return;
    StoreFace(target, objects);
    Rebuild();
}

// ---- mouse and keys

void TfrmSheet::SiteMouseDown(int x, int y) {
    TLOFace* selected = GetSelectedFace(*DrawSite1);
    if (selected == nullptr)
        GhostList().ClearGhosts();
    else if (document_ != nullptr)
        document_->CurrentLabelNo = selected->GetFaceIndex();
    dragSource_ = FaceAt(QPoint(x, y));
}

void TfrmSheet::SetHover(int face, bool move) {
    if (TLOFaceForSheet* old = Face(hoverFace_))
        old->SetHighlight(TLOFaceForSheet::kNoHighlight);
    hoverFace_ = face;
    if (TLOFaceForSheet* now = Face(hoverFace_))
        now->SetHighlight(move ? TLOFaceForSheet::kMoveHighlight : TLOFaceForSheet::kCopyHighlight);
}

void TfrmSheet::ClearHover() {
    if (TLOFaceForSheet* old = Face(hoverFace_))
        old->SetHighlight(TLOFaceForSheet::kNoHighlight);
    hoverFace_ = -1;
}

void TfrmSheet::SiteMouseMove(bool shift, int x, int y) {
    if (!GhostList().Active() || dragSource_ < 0)
        return;
    const int face = FaceAt(QPoint(x, y));
    if (face != hoverFace_ && face != dragSource_)
        SetHover(face, shift);
}

void TfrmSheet::SiteMouseUp(bool shift, int x, int y) {
    const int source = dragSource_;
    dragSource_ = -1;
    if (source < 0 || hoverFace_ < 0)
        return;
    ClearHover();
    if (document_ == nullptr)
        return;
    const int target = FaceAt(QPoint(x, y));
    DropFace(document_->CurrentLabelNo, target, shift);
}

void TfrmSheet::SiteKey(int key, bool shift) {
    if (dragSource_ < 0)
        return;
    if (key == Qt::Key_Escape) {
        GhostList().ClearGhosts();
        ClearHover();
        dragSource_ = -1;
        return;
    }
    if (hoverFace_ >= 0)
        SetHover(hoverFace_, shift);
}

void TfrmSheet::FacePopup(const QPoint& device, const QPoint& global) {
    GhostList().ClearGhosts();
    const int face = FaceAt(device);
    if (face < 0 || document_ == nullptr)
        return;
    SelectFace(*DrawSite1, face);
    document_->CurrentLabelNo = face;
    UpdateActions();
    popupFace->popup(global);
}

void TfrmSheet::FaceDoubleClicked(int face) {
    if (document_ == nullptr)
        return;
    document_->CurrentLabelNo = face;
    if (host_)
        host_->Action(haLayout)->trigger();
}

bool TfrmSheet::eventFilter(QObject* watched, QEvent* event) {
    if (watched == DrawSite1 && event->type() == QEvent::ContextMenu) {
        auto* menuEvent = static_cast<QContextMenuEvent*>(event);
        FacePopup(menuEvent->pos(), menuEvent->globalPos());
        return true;
    }
    if (watched == ScrollBox1 && event->type() == QEvent::Resize && document_ != nullptr)
        Relayout();
    return QWidget::eventFilter(watched, event);
}

// ---- sheets

void TfrmSheet::AddSheet() {
    if (document_ == nullptr)
        return;
    // A new sheet takes the current one's paper, and a cover slot's may be none at all: added from
    // a cover, it is made like the last page, after which it goes.
    const int count = document_->GetSheetCount();
    if (document_->CurrentSheetNo() < kFirstInnerSheet && count > kFirstInnerSheet)
        document_->SetCurrentSheetNo(count - 1);
    document_->AddSheet();
    Rebuild();
}

void TfrmSheet::DeleteSheet() {
    if (!CanDeletePage())
        return;
    const QString question = QStringLiteral("「%1」を削除しますか？").arg(document_->SheetName());
    if (AppMessageBox(question, {bkOK, bkCancel}, 0, 1) != mrOk)
        return;
    document_->DeleteSheet(document_->CurrentSheetNo());
    Rebuild();
}

void TfrmSheet::CopySheet() {
    if (document_ == nullptr || OnUnusedCover())
        return;
    TfrmSheetPos dialog(this);
    dialog.setWindowTitle(QStringLiteral("ﾗﾍﾞﾙｼｰﾄの複写"));
    dialog.Setup(*document_, true);
    if (dialog.exec() != QDialog::Accepted)
        return;
    document_->CopySheet();
    dialog.Apply(*document_);
    Rebuild();
}

void TfrmSheet::MoveSheet() {
    if (document_ == nullptr || document_->GetSheetCount() <= kFirstInnerSheet + 1)
        return;
    TfrmSheetPos dialog(this);
    dialog.setWindowTitle(QStringLiteral("ﾗﾍﾞﾙｼｰﾄの移動"));
    dialog.Setup(*document_, false);
    if (dialog.exec() != QDialog::Accepted)
        return;
    dialog.Apply(*document_);
    SyncTabs();
}

void TfrmSheet::RenameSheet() {
    if (document_ == nullptr)
        return;
    TfrmSheetName dialog(this);
    dialog.Setup(document_);
    if (dialog.exec() == QDialog::Accepted)
        SyncTabs();
}

void ForgetSheetZoom() {
    keptZoom = 0;
}
