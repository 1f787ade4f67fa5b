#include "app/FLayout.h"
#include "app/FAMIllust.h"
#include "app/FAMPhoto.h"
#include "app/FAMText.h"
#include "app/FModeBar.h"
#include "app/FPages.h"
#include "app/UEditFormBars.h"
#include "app/ULayoutGuides.h"
#include "app/ULayoutRules.h"
#include "app/UAlbumFunc.h"
#include "app/UEditModePanel.h"
#include "app/UPanelPicture.h"
#include "app/dialogs/FAlign.h"
#include "app/dialogs/FAutoImgNorm.h"
#include "app/dialogs/FCoverPicture.h"
#include "app/dialogs/FGrid.h"
#include "app/dialogs/FLocation.h"
#include "app/dialogs/FPhotoSize.h"
#include "app/dialogs/FPositionProperty.h"
#include "app/dialogs/FWaiting.h"

#include "controls/Exscrbox.h"
#include "controls/Ruler.h"
#include "controls/UExButtons.h"
#include "controls/UFormPanel.h"
#include "controls/UModalPopup.h"
#include "controls/UTabbedPanel.h"
#include "core/UAppFrame.h"
#include "core/UAppUtil.h"
#include "core/UGlobalNotify.h"
#include "core/UInterfaces.h"
#include "core/UPhasedProgress.h"
#include "core/UGeometryUtil.h"
#include "core/USupportUtil.h"
#include "imaging/UJPEGImage.h"
#include "imaging/UPictureEX.h"
#include "imaging/UPictureUtil.h"
#include "pageobjects/engine/UAction.h"
#include "pageobjects/engine/UDOAction.h"
#include "pageobjects/engine/UDOFunc.h"
#include "pageobjects/engine/UDOUtils.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/engine/UExtraDSA.h"
#include "pageobjects/engine/UGhost.h"
#include "pageobjects/engine/UGrid.h"
#include "pageobjects/engine/UGuide.h"
#include "pageobjects/engine/ULabelObject.h"
#include "pageobjects/engine/UMoveGhost.h"
#include "pageobjects/engine/UStandardDSA.h"
#include "pageobjects/engine/UUniversalGhost.h"
#include "pageobjects/layout/UAINPicList.h"
#include "pageobjects/layout/UAlignUtil.h"
#include "pageobjects/layout/UDOGroup.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "pageobjects/layout/ULOBackImage.h"
#include "pageobjects/layout/ULOCreator.h"
#include "pageobjects/layout/ULOImage.h"
#include "pageobjects/layout/ULOText.h"
#include "pageobjects/layout/ULOWizardText.h"
#include "pageobjects/layout/USimpleText.h"
#include "papers/UBackImageFit.h"
#include "papers/UExtraPaperInfo.h"
#include "papers/UPaperImages.h"
#include "papers/UPaperInfo.h"
#include "platform/Application.h"
#include "platform/Clipboard.h"
#include "platform/Component.h"
#include "platform/DialogService.h"
#include "platform/IntMath.h"
#include "platform/IntMath.h"
#include "platform/Picture.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QtMath>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>
#include <utility>
#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>

namespace {

constexpr int kTenthsPerMm = 10;
constexpr int kRulerThickness = 24;
constexpr int kNudgeStep = 10;

bool IsArrowKey(int key) {
    return key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
}

// A nudge burst lasts while an arrow key repeats: its release, another key, a click or the focus
// leaving ends it.
bool IsNudgeBurstEnd(QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyRelease: {
        auto* key = static_cast<QKeyEvent*>(event);
        return !key->isAutoRepeat() && IsArrowKey(key->key());
    }
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:
        return !IsArrowKey(static_cast<QKeyEvent*>(event)->key());
    case QEvent::MouseButtonPress:
    case QEvent::FocusOut:
    case QEvent::Hide:
        return true;
    default:
        return false;
    }
}
constexpr int kFineNudgeStep = 1;
// The move steps about the page centre, in degrees.
constexpr int kStep60Angle = 6;
constexpr int kStep12Angle = 30;
constexpr int kStep8Angle = 45;
// A photo turned to suit its frame.
constexpr int kPhotoFitAngle = -1;
constexpr int kPagePanelMargin = 4;
constexpr int kPageLabelWidth = 64;

} // namespace

int LastLayoutScale = 0;

// ---- form

TfrmLayout::TfrmLayout(IAppHost* host, QWidget* parent)
    : QWidget(parent ? parent : host ? host->HostWindow() : nullptr), host_(host), components_(std::make_unique<TComponent>(nullptr)) {
    setObjectName(QStringLiteral("frmLayout"));
    setProperty("HelpContext", 5010);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    // The menu buttons follow once the commands exist (MakeMenus).
    bars_ = std::make_unique<TEditFormBars>(this, host_, column);
    tbTools = new QToolBar(this);
    tbTools->setObjectName(QStringLiteral("tbTools"));
    tbTools->setToolButtonStyle(Qt::ToolButtonTextOnly);
    column->addWidget(tbTools);
    auto* pagePanel = new QHBoxLayout;
    pagePanel->setContentsMargins(kPagePanelMargin, 0, kPagePanelMargin, 0);
    lblPage = new QLabel(this);
    lblPage->setObjectName(QStringLiteral("lblPage"));
    lblPage->setMinimumWidth(kPageLabelWidth);
    pagePanel->addWidget(lblPage);
    framePages1 = new TframePages(this);
    pagePanel->addWidget(framePages1, 1);
    tbView = new QToolBar(this);
    tbView->setObjectName(QStringLiteral("tbView"));
    tbView->setToolButtonStyle(Qt::ToolButtonTextOnly);
    pagePanel->addWidget(tbView);
    column->addLayout(pagePanel);

    auto* grid = new QGridLayout;
    grid->setSpacing(0);
    rulerTop = new TRuler(this);
    rulerTop->setFixedHeight(kRulerThickness);
    rulerLeft = new TRuler(this);
    rulerLeft->SetKind(rkVertical);
    rulerLeft->setFixedWidth(kRulerThickness);
    ScrollBox1 = new TExScrollBox(this);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    DrawSite1 = new TDrawSite(components_.get());
    DrawSite1->setObjectName(QStringLiteral("DrawSite1"));
    // The page is laid out in tenths of a millimetre.
    DrawSite1->Scaler().SetUnitDPI(kLayoutUnitsPerInch);
    ScrollBox1->SetBaseControl(DrawSite1);
    ScrollBox1->OnAdjustBaseControl = [this](TObject*) { SiteAdjusted(); };
    auto* corner = new QWidget(this);
    corner->setFixedSize(kRulerThickness, kRulerThickness);
    grid->addWidget(corner, 0, 0);
    grid->addWidget(rulerTop, 0, 1);
    grid->addWidget(rulerLeft, 1, 0);
    grid->addWidget(ScrollBox1, 1, 1);
    grid->addWidget(MakeEditModeSide(), 0, 2, 2, 1);
    column->addLayout(grid, 1);

    DrawSite1->installEventFilter(this);
    ScrollBox1->viewport()->installEventFilter(this);
    // Files dropped on the page reach the main window; where they are dropped is seen here.
    if (host_ != nullptr && (dropWindow_ = host_->HostWindow()) != nullptr)
        dropWindow_->installEventFilter(this);
    DrawSite1->setMouseTracking(true);
    MakeActions();
    MakeAlbumActions(pagePanel);
    MakeToolWindowActions();
    MakePasteActions();
    MakeMoveModeActions();
    guides_ = std::make_unique<TLayoutGuides>(this, DrawSite1, rulerTop, rulerLeft);
    DrawSite1->OnMouseUp = [this](TObject*, TMouseButton button, TShiftState, int, int) {
        if (guides_->GuideIndex() >= 0)
            guides_->EndGuideDrag();
        else if (button == mbLeft)
            ShowTextPanelForClickedText();
    };
    MakeMenus();
    MakeToolBar();
    UndoList().Clear();
    UndoList().SetAllowRepeat(false);
    ShowEditMode(emPhoto);
    if (LastLayoutScale != 0)
        SetZoom(LastLayoutScale);
}

void TfrmLayout::MakeMoveModeActions() {
    const auto mode = [this](const char* name, const QString& caption, auto run) {
        auto* action = new QAction(caption, this);
        action->setObjectName(QLatin1String(name));
        action->setCheckable(true);
        connect(action, &QAction::triggered, this, [this, run] {
            run(MoveGhostOptions());
            UpdateMoveModes();
        });
        addAction(action);
        return action;
    };
    actFreeMove =
        mode("actFreeMove", QStringLiteral("自由移動"), [](TMoveGhostOptions& m) { m.CircumMove = false; });
    actCircumMove =
        mode("actCircumMove", QStringLiteral("円周・直径上"), [](TMoveGhostOptions& m) { m.CircumMove = true; });
    actParallelMove = mode("actParallelMove", QStringLiteral("水平・垂直方向のみ"),
                           [](TMoveGhostOptions& m) { m.ParallelMove = !m.ParallelMove; });
    actCircumRotate = mode("actCircumRotate", QStringLiteral("オブジェクトの回転もする"),
                           [](TMoveGhostOptions& m) { m.CircumRotate = !m.CircumRotate; });
    actCircumPhased = mode("actCircumPhased", QStringLiteral("ステップ単位で移動"),
                           [](TMoveGhostOptions& m) { m.CircumPhased = !m.CircumPhased; });
    act60Phase = mode("act60Phase", QStringLiteral("６０ステップ（６度）"),
                      [](TMoveGhostOptions& m) { m.StepAngle = kStep60Angle; });
    act12Phase = mode("act12Phase", QStringLiteral("１２ステップ（３０度）"),
                      [](TMoveGhostOptions& m) { m.StepAngle = kStep12Angle; });
    act8Phase = mode("act8Phase", QStringLiteral("８ステップ（４５度）"),
                     [](TMoveGhostOptions& m) { m.StepAngle = kStep8Angle; });
    actToggleMoveMode = new QAction(this);
    actToggleMoveMode->setObjectName(QStringLiteral("actToggleMoveMode"));
    connect(actToggleMoveMode, &QAction::triggered, this,
            [this] { (MoveGhostOptions().CircumMove ? actFreeMove : actCircumMove)->trigger(); });
    UpdateMoveModes();
}

void TfrmLayout::UpdateMoveModes() {
    const TMoveGhostOptions& mode = MoveGhostOptions();
    actFreeMove->setChecked(!mode.CircumMove);
    actCircumMove->setChecked(mode.CircumMove);
    actParallelMove->setChecked(mode.ParallelMove);
    actCircumRotate->setChecked(mode.CircumRotate);
    actCircumPhased->setChecked(mode.CircumPhased);
    act60Phase->setChecked(mode.StepAngle == kStep60Angle);
    act12Phase->setChecked(mode.StepAngle == kStep12Angle);
    act8Phase->setChecked(mode.StepAngle == kStep8Angle);
    actToggleMoveMode->setText(RemoveMenuMarks((mode.CircumMove ? actCircumMove : actFreeMove)->text()));
}

void TfrmLayout::MarkMoveModeMenu() {
    // What a drag does while keys are held: Shift flips the parallel or the step move, the
    // snap-off keys give the mode that is not chosen.
    const QString shift = ModifierMarkText(ssShift);
    const QString other = ModifierMarkText(SnapOffModifier());
    const bool circum = MoveGhostOptions().CircumMove;
    actParallelMove->setText(MarkedCaption(QStringLiteral("水平・垂直方向のみ"), shift));
    actCircumPhased->setText(MarkedCaption(QStringLiteral("ステップ単位で移動"), shift));
    actFreeMove->setText(MarkedCaption(QStringLiteral("自由移動"), circum ? other : QString()));
    actCircumMove->setText(MarkedCaption(QStringLiteral("円周・直径上"), circum ? QString() : other));
}

void TfrmLayout::MakeMenus() {
    const auto menu = [this](const char* name, const QString& title) {
        auto* m = new QMenu(title, this);
        m->setObjectName(QLatin1String(name));
        connect(m, &QMenu::aboutToShow, this, [this] { UpdateActions(); });
        return m;
    };
    popupEdit = menu("popupEdit", QStringLiteral("編集(&E)"));
    popupEdit->addActions({DSAUndo1, DSARedo1});
    popupEdit->addSeparator();
    popupEdit->addActions({DSAQueryCut1, DSACopy1, DSAPaste1});
    popupEdit->addMenu(mnuPasteSpecial);
    popupEdit->addSeparator();
    popupEdit->addActions({DSAQueryClear1, DSASelectAll1});
    popupEdit->addSeparator();
    popupEdit->addAction(actTextEntry);

    popupPage = menu("popupPage", QStringLiteral("ページ(&P)"));
    popupPage->addActions({actPageAdd, actPageDelete});
    popupPage->addSeparator();
    popupPage->addActions({actPhotoInsert, actPhotoDelete, actPhotoSetMulti, actPhotoAdjustAll});
    popupPage->addSeparator();
    popupPage->addActions({actCoverFront, actCoverBack, actCoverPhoto});

    QMenu* rotate = menu("mnuRotate", QStringLiteral("回転(&T)"));
    rotate->addActions({DSARotate90, DSARotate270, DSARotate180});
    popupLocation = menu("popupLocation", QStringLiteral("位置(&L)"));
    popupLocation->addActions({actPosition, actAlign, actOrder});
    popupLocation->addSeparator();
    popupLocation->addActions({actGroup, actUngroup});
    popupLocation->addMenu(rotate);
    popupLocation->addSeparator();
    popupLocation->addActions({DSABringToFront1, DSASendToBack1});

    popupMoveMode = menu("popupMoveMode", QStringLiteral("移動方法(&M)"));
    popupMoveMode->addActions({actFreeMove, actCircumMove});
    popupMoveMode->addSeparator();
    popupMoveMode->addActions({actParallelMove, actCircumRotate, actCircumPhased});
    popupMoveMode->addSeparator();
    popupMoveMode->addActions({act60Phase, act12Phase, act8Phase});
    connect(popupMoveMode, &QMenu::aboutToShow, this, [this] { MarkMoveModeMenu(); });
    QMenu* lock = menu("mnuObjectLock", QStringLiteral("オブジェクト固定(&L)"));
    lock->addActions({DSALock1, DSAUnlock1});
    QMenu* print = menu("mnuObjectPrint", QStringLiteral("オブジェクト印刷禁止(&P)"));
    print->addActions({DSADontPrint1, DSADoPrint1});
    popupSetting = menu("popupSetting", QStringLiteral("設定(&D)"));
    // Snapping to the grid goes with the grid button; its menu item stays out.
    popupSetting->addAction(actGrid);
    popupSetting->addAction(guides_->actGuideBar);
    popupSetting->addSeparator();
    popupSetting->addMenu(popupMoveMode);
    popupSetting->addMenu(lock)->setVisible(false);
    popupSetting->addMenu(print)->setVisible(false);

    popupView = menu("popupView", QStringLiteral("表示(&V)"));
    auto* zoomGroup = new QActionGroup(this);
    for (QAction* action : zoomActions) {
        action->setCheckable(true);
        zoomGroup->addAction(action);
        popupView->addAction(action);
    }
    actAutoScale->setCheckable(true);
    actAutoScale->setChecked(autoScale_);
    zoomGroup->addAction(actAutoScale);
    popupView->addAction(actAutoScale);

    popupText = menu("popupText", QStringLiteral("文字(&S)"));
    popupText->addActions({actText, actDate, actDecoString});
    popupText->addSeparator();
    popupText->addActions({DSAHorzText1, DSAVertText1});
    popupFigure = menu("popupFigure", QStringLiteral("図形(&R)"));
    popupFigure->addActions({actLine, actArc, actRect, actCircle, actDecoLine, actAlphaMask});
    popupImage = menu("popupImage", QStringLiteral("画像(&I)"));
    popupImage->addActions({actOnePoint, actTwain, actImageFile, actBackground, actJANCode});

    QMenu* photoLock = menu("mnuPhotoLock", QStringLiteral("写真枠の移動(&M)"));
    photoLock->addActions({DSAPhotoLock, DSAPhotoUnlock});
    QMenu* photoRotate = menu("mnuPhotoRotate", QStringLiteral("写真の回転(&T)"));
    photoRotate->addActions(
        {DSAPhotoRotate00, DSAPhotoRotateAuto, DSAPhotoRotate90, DSAPhotoRotate270, DSAPhotoRotate180});
    QMenu* photoSize = menu("mnuPhotoSize", QStringLiteral("写真サイズ"));
    // Same size stays out of the menu (a hidden action would be disabled too).
    photoSize->addActions(
        {actChangeDefPhotoSize, actRegistDefPhotoSize, actDetailsPhotoSize, actPhotoFullSize});
    popupObject = menu("popupObject", QString());
    connect(popupObject, &QMenu::aboutToShow, this, [this] { UpdateRegistCaption(); });
    popupObject->addActions({DSAQueryCut1, DSACopy1, DSAPaste1});
    popupObject->addMenu(mnuPasteSpecial);
    popupObject->addAction(DSAQueryClear1);
    popupObject->addSeparator();
    popupObject->addMenu(photoLock);
    popupObject->addMenu(photoSize);
    popupObject->addMenu(photoRotate);
    popupObject->addSeparator();
    popupObject->addActions({actOrder, actPosition});
    popupObject->addSeparator();
    popupObject->addActions({DSABringToFront1, DSASendToBack1});
    // The object's own edit window or panel, as a double-click opens it; hidden as the menu has it.
    auto* property = new QAction(QStringLiteral("プロパティ(&R)"), popupObject);
    property->setObjectName(QStringLiteral("mnuProperty"));
    property->setVisible(false);
    connect(property, &QAction::triggered, this, [this] {
        DSAEditProperty1->UpdateTarget(DrawSite1);
        if (DSAEditProperty1->isEnabled())
            DSAEditProperty1->ExecuteTarget(DrawSite1);
        else
            actModeBackGround->trigger();
    });
    popupObject->addAction(property);

    if (host_ == nullptr)
        return;
    popupView->addSeparator();
    popupView->addAction(host_->Action(haSheet));
    // Without the file and help menus the user could leave the editor, save or quit only by shortcut.
    bars_->AddMenus({{"btnEditMenu", popupEdit},
                     {"btnPageMenu", popupPage},
                     {"btnTextMenu", popupText},
                     {"btnFigureMenu", popupFigure},
                     {"btnImageMenu", popupImage},
                     {"btnLocationMenu", popupLocation},
                     {"btnSettingMenu", popupSetting},
                     {"btnViewMenu", popupView}});
}

void TfrmLayout::MakeToolBar() {
    const auto button = [](QToolBar* bar, const QString& name, QAction* action, const QString& text) {
        auto* b = new QToolButton(bar);
        b->setObjectName(name);
        b->setDefaultAction(action);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        // The button shows a short caption; the action keeps its menu caption.
        b->setText(text.isEmpty() ? RemoveMenuMarks(action->text()) : text);
        connect(action, &QAction::changed, b,
                [b, action, text] { b->setText(text.isEmpty() ? RemoveMenuMarks(action->text()) : text); });
        bar->addWidget(b);
        return b;
    };
    actSelectTool->setCheckable(true);
    actSelectTool->setChecked(true);
    btnSelect = button(tbTools, QStringLiteral("btnSelect"), actSelectTool, {});
    tbTools->addSeparator();
    for (QAction* tool : {actText, actDate, actLine, actRect, actCircle, actAlbumPhoto, actBackground})
        button(tbTools, QStringLiteral("btn") + tool->objectName().mid(3), tool, {});
    tbTools->addSeparator();
    button(tbTools, QStringLiteral("btnBringToFront"), DSABringToFront1, QStringLiteral("前面"));
    button(tbTools, QStringLiteral("btnSendToBack"), DSASendToBack1, QStringLiteral("背面"));
    button(tbTools, QStringLiteral("btnObjectDelete"), DSAQueryClear1, QStringLiteral("削除"));
    // The actions name the step ("移動の取り消し"); the buttons keep one width and the tip names it.
    button(tbTools, QStringLiteral("btnUndo"), DSAUndo1, QStringLiteral("取り消し"));
    button(tbTools, QStringLiteral("btnRedo"), DSARedo1, QStringLiteral("やり直し"));

    button(tbView, QStringLiteral("btnMinimize"), actReduce, {});
    button(tbView, QStringLiteral("btnMaximize"), actMagnify, {});
    button(tbView, QStringLiteral("btnAutoScale"), actAutoScale, QStringLiteral("自動"));
    tbView->addSeparator();
    tbView->addWidget(guides_->btnGrid);
    tbView->addSeparator();
    QToolButton* moveMode = button(tbView, QStringLiteral("btnMoveMode"), actToggleMoveMode, {});
    // As wide as its wider caption, so switching the mode does not shift the bar.
    int widest = 0;
    for (QAction* mode : {actFreeMove, actCircumMove}) {
        moveMode->setText(RemoveMenuMarks(mode->text()));
        widest = std::max(widest, moveMode->sizeHint().width());
    }
    moveMode->setText(RemoveMenuMarks(actToggleMoveMode->text()));
    moveMode->setMinimumWidth(widest);
}

void TfrmLayout::UpdateActions() {
    if (!document_)
        return;
    for (QAction* action : actions())
        if (auto* siteAction = dynamic_cast<TDrawSiteActionBase*>(action))
            siteAction->UpdateTarget(DrawSite1);
    actGroup->setEnabled(CanGroup());
    actUngroup->setEnabled(CanUngroup());
    actPageAdd->setEnabled(PageAddEnabled(document_->CurrentSheetNo()));
    actPageDelete->setEnabled(PageDeleteEnabled(document_->GetSheetCount(), document_->CurrentSheetNo(),
                                                document_->FrontCover, document_->BackCover));
    UpdateAlbumActions();
    UpdateArrangeActions();
    UpdateMoveModes();
}

void TfrmLayout::SetupStatusBar() {
    // The texts themselves at their widest, so that no digit is cut off; the last panel takes the rest.
    bars_->ShowStatusPanels({MouseStatusText(TPoint(-9999, -9999)),
                                  PositionStatusText(TRect(-9999, -9999, 9999, 9999)),
                                  QStringLiteral("固定しない"), QStringLiteral("印刷しない"),
                                  QStringLiteral("999%"), QString()});
}

void TfrmLayout::UpdateStatusText(bool keepMouseText) {
    if (!document_)
        return;
    if (bars_->HasStatusPanels()) {
        if (!keepMouseText)
            bars_->SetStatusText(0, MouseStatusText(DrawSite1->DevToLog(TPoint(mouse_.x(), mouse_.y()))));
        TDOList selected;
        DrawSite1->ListObjects(selected, true);
        QString position;
        for (TDrawObject* object : selected)
            if (TIntf<IDORectProps> props = Supports<IDORectProps>(static_cast<TObject*>(object))) {
                TRect r(props->GetLeft(), props->GetTop(), props->GetLeft() + props->GetWidth(),
                        props->GetTop() + props->GetHeight());
                if (TIntf<IDORotate> turn = Supports<IDORotate>(static_cast<TObject*>(object)))
                    r = TurnedExtent(r, turn->GetAngle());
                position = PositionStatusText(r);
                break;
            }
        bars_->SetStatusText(1, position);
        auto* first = selected.IsEmpty() ? nullptr : dynamic_cast<TLabelObject*>(selected[0]);
        bars_->SetStatusText(2, first && !first->Movable() ? QStringLiteral("固定") : QString());
        bars_->SetStatusText(3, first && first->DontPrint() ? QStringLiteral("印刷しない") : QString());
        bars_->SetStatusText(4, ScaleStatusText(Scale()));
    }
    UpdatePageLabel();
}

void TfrmLayout::Idle() {
    if (!document_)
        return;
    DrawSite1->UpdatePivots();
    UpdateStatusText(false);
    UpdateActions();
    const bool placing = GhostList().Count() != 0;
    // Set only when it differs: setting it again would undo the hand shown over an object.
    if (!placing && DrawSite1->Cursor() != crDefault)
        DrawSite1->SetCursor(crDefault);
    actSelectTool->setChecked(!placing);
}

bool TfrmLayout::CanSelectPage(int) const {
    return true;
}

QAction* TfrmLayout::MakeTool(const char* name, const QString& caption, const QString& kindName,
                              std::function<void()> run) {
    auto* action = new QAction(caption, this);
    action->setObjectName(QLatin1String(name));
    action->setData(kindName);
    if (run)
        connect(action, &QAction::triggered, this, std::move(run));
    else
        connect(action, &QAction::triggered, this, [this, kindName] { RunTool(kindName); });
    addAction(action);
    return action;
}

template <class A>
A* TfrmLayout::MakeSiteAction(const char* name, const QString& caption, const QString& shortcut,
                              const QString& undoCaption) {
    auto* action = new A(components_.get());
    action->SetName(QLatin1String(name));
    action->SetCaption(caption);
    if (!shortcut.isEmpty())
        action->SetShortCut(shortcut);
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    action->SetActionString(undoCaption);
    addAction(action);
    return action;
}

void TfrmLayout::MakeActions() {
    actSelectTool = new QAction(QStringLiteral("選択"), this);
    actSelectTool->setObjectName(QStringLiteral("actSelectTool"));
    actSelectTool->setStatusTip(QStringLiteral("オブジェクトを選択できる通常のモードにします"));
    connect(actSelectTool, &QAction::triggered, this, [this] {
        GhostList().ClearGhosts();
        actSelectTool->setChecked(true);
    });
    addAction(actSelectTool);
    actText = MakeTool("actText", QStringLiteral("文字(&T)..."), QStringLiteral("TLOText"));
    actDate = MakeTool("actDate", QStringLiteral("日付・時間(&D)..."), QStringLiteral("TLODate"));
    actLine = MakeTool("actLine", QStringLiteral("直線(&L)"), QStringLiteral("TLOLine"));
    actArc = MakeTool("actArc", QStringLiteral("円弧(&A)"), QStringLiteral("TLOCurve"));
    actRect = MakeTool("actRect", QStringLiteral("四角(&R)"), QStringLiteral("TLORect"));
    actCircle = MakeTool("actCircle", QStringLiteral("円(&E)"), QStringLiteral("TLOCircle"));
    // A new picture object without a picture is not placed: these two open what brings one.
    actOnePoint = MakeTool("actOnePoint", QStringLiteral("イラスト(&O)..."), QStringLiteral("TLOOnePoint"),
                           [this] { ShowIllustrations(); });
    actTwain = MakeTool("actTwain", QStringLiteral("TWAIN取り込み(&T)..."), QStringLiteral("TLOTwain"));
    actImageFile = MakeTool("actImageFile", QStringLiteral("イメージファイル(&F)..."),
                            QStringLiteral("TLOAlbumIllust"), [this] { InsertPictureFromDialog(); });
    actAlbumPhoto = MakeTool("actAlbumPhoto", QStringLiteral("写真(&P)"), QStringLiteral("TLOAlbumPhoto"));
    actJANCode = MakeTool("actJANCode", QStringLiteral("JANコード(&J)..."), QStringLiteral("TLOJANCode"));
    actDecoLine = MakeTool("actDecoLine", QStringLiteral("飾り罫線(&D)..."), QStringLiteral("TLODecoLine"));
    actDecoString = MakeTool("actDecoString", QStringLiteral("飾り文字(&I)..."), QStringLiteral("TLODecoString"));
    actAlphaMask = MakeTool("actAlphaMask", QStringLiteral("図形(&A)"), QStringLiteral("TLOAlphaMask"));
    actBackground = new QAction(QStringLiteral("用紙柄(&B)..."), this);
    actBackground->setObjectName(QStringLiteral("actBackground"));
    connect(actBackground, &QAction::triggered, this, [this] { BackgroundTool(); });
    addAction(actBackground);
    DSASeparateText = MakeSiteAction<TDrawSiteAction>("DSASeparateText", QStringLiteral("文字列の分割"), {},
                                                      QStringLiteral("文字列の分割"));
    auto* separate = static_cast<TDrawSiteAction*>(DSASeparateText);
    separate->OnMakeList = [this](TObject*) {
        TDOList& targets = DSASeparateText->Targets();
        for (int i = targets.Count() - 1; i >= 0; --i) {
            auto* text = dynamic_cast<TLOText*>(targets[i]);
            if (text == nullptr || text->Text()->Count() < 2)
                targets.Delete(i);
        }
    };
    separate->OnExecuteFirst = [this](TObject*) { DrawSite1->SelectAll(false); };
    separate->OnEachObject = [this](TObject*, TDrawObject* object) {
        SeparateText(static_cast<TLOText*>(object));
    };

    DSACopy1 =
        MakeSiteAction<TDSACopy>("DSACopy1", QStringLiteral("コピー(&C)"), QStringLiteral("Ctrl+C"), {});
    DSAPaste1 = MakeSiteAction<TDSAPaste>("DSAPaste1", QStringLiteral("貼り付け(&P)"),
                                          QStringLiteral("Ctrl+V"), QStringLiteral("貼り付け"));
    auto* cut = MakeSiteAction<TDSAQueryCut>("DSAQueryCut1", QStringLiteral("切り取り(&T)"),
                                             QStringLiteral("Ctrl+X"), QStringLiteral("切り取り"));
    cut->OnQuery = [this](TObject*) { return ConfirmFixedPhotoDelete(); };
    DSAQueryCut1 = cut;
    DSAQueryClear1 = MakeSiteAction<TDSAQueryClear>("DSAQueryClear1", QStringLiteral("クリア"),
                                                    QStringLiteral("Del"), QStringLiteral("クリア"));
    DSAQueryClear1->OnQuery = [this](TObject*) { return ConfirmFixedPhotoDelete(); };
    DSABringToFront1 = MakeSiteAction<TDSABringToFront>("DSABringToFront1", QStringLiteral("前面に移動(&W)"),
                                                        QStringLiteral("Ctrl+F"), QStringLiteral("最前面"));
    DSASendToBack1 = MakeSiteAction<TDSASendToBack>("DSASendToBack1", QStringLiteral("背面に移動(&K)"),
                                                    QStringLiteral("Ctrl+B"), QStringLiteral("最背面"));
    DSASendToBack1->SetFromFront(true);
    DSASelectAll1 = MakeSiteAction<TDSASelectAll>("DSASelectAll1", QStringLiteral("すべて選択(&A)"),
                                                  QStringLiteral("Ctrl+A"), {});
    DSASelectAll1->SetSelectedOnly(false);
    DSAUndo1 = MakeSiteAction<TDSAUndo>("DSAUndo1", QStringLiteral("取り消し"), QStringLiteral("Ctrl+Z"),
                                        QStringLiteral("取り消し"));
    DSARedo1 = MakeSiteAction<TDSARedo>("DSARedo1", QStringLiteral("やり直し"),
                                        QStringLiteral("Shift+Ctrl+Z"), QStringLiteral("やり直し"));
    DSAClear1 =
        MakeSiteAction<TDSAClear>("DSAClear1", QStringLiteral("クリア"), {}, QStringLiteral("クリア"));
    DSALock1 = MakeSiteAction<TDSALock>("DSALock1", QStringLiteral("固定する(&O)"), {},
                                        QStringLiteral("オブジェクト固定"));
    DSAUnlock1 = MakeSiteAction<TDSAUnlock>("DSAUnlock1", QStringLiteral("固定しない(&U)"), {},
                                            QStringLiteral("オブジェクト固定解除"));
    DSAPhotoLock = MakeSiteAction<TDSALock>("DSAPhotoLock", QStringLiteral("固定する(&O)"), {},
                                            QStringLiteral("設定変更"));
    DSAPhotoLock->SetTargetClassName(QStringLiteral("TLOAlbumPhoto"));
    DSAPhotoUnlock = MakeSiteAction<TDSAUnlock>("DSAPhotoUnlock", QStringLiteral("移動可能(&U)"), {},
                                                QStringLiteral("設定変更"));
    DSAPhotoUnlock->SetTargetClassName(QStringLiteral("TLOAlbumPhoto"));
    DSAEditProperty1 = MakeSiteAction<TDSAEditProperty>("DSAEditProperty1", QStringLiteral("プロパティ(&O)"), {},
                                                        QStringLiteral("設定変更"));
    DSADontPrint1 = MakeSiteAction<TDSADontPrint>("DSADontPrint1", QStringLiteral("印刷禁止にする(&N)"), {},
                                                  QStringLiteral("設定変更"));
    DSADoPrint1 = MakeSiteAction<TDSADoPrint>("DSADoPrint1", QStringLiteral("印刷禁止にしない(&I)"), {},
                                              QStringLiteral("設定変更"));
    DSAVertText1 = MakeSiteAction<TDSAVertText>("DSAVertText1", QStringLiteral("縦書き(&V)"), {},
                                                QStringLiteral("設定変更"));
    DSAHorzText1 = MakeSiteAction<TDSAHorzText>("DSAHorzText1", QStringLiteral("横書き(&H)"), {},
                                                QStringLiteral("設定変更"));
    const auto turn = [this](const char* name, const QString& caption, int angle) {
        auto* action = MakeSiteAction<TDSAOffsetAngle>(name, caption, {}, QStringLiteral("設定変更"));
        action->SetOffsetAngle(angle);
        return action;
    };
    DSARotate90 = turn("DSARotate90", QStringLiteral("右に90ﾟ(&I)"), 90);
    DSARotate180 = turn("DSARotate180", QStringLiteral("180ﾟ(&O)"), 180);
    DSARotate270 = turn("DSARotate270", QStringLiteral("左に90ﾟ(&E)"), 270);
    const auto photoTurn = [this](const char* name, const QString& caption, int angle) {
        auto* action = MakeSiteAction<TDSAPhotoRotate>(name, caption, {}, QStringLiteral("設定変更"));
        action->SetTargetClassName(QStringLiteral("TLOAlbumPhoto"));
        action->SetPhotoAngle(angle);
        return action;
    };
    DSAPhotoRotateAuto =
        photoTurn("DSAPhotoRotateAuto", QStringLiteral("枠に合わせて自動回転(&A)"), kPhotoFitAngle);
    DSAPhotoRotate00 = photoTurn("DSAPhotoRotate00", QStringLiteral("回転しない(&Z)"), 0);
    DSAPhotoRotate90 = photoTurn("DSAPhotoRotate90", QStringLiteral("右に90ﾟ回転(&I)"), 90);
    DSAPhotoRotate180 = photoTurn("DSAPhotoRotate180", QStringLiteral("180ﾟ回転(&O)"), 180);
    DSAPhotoRotate270 = photoTurn("DSAPhotoRotate270", QStringLiteral("左に90ﾟ回転(&E)"), 270);

    const auto command = [this](const char* name, const QString& caption, const QString& shortcut, auto run) {
        auto* action = new QAction(caption, this);
        action->setObjectName(QLatin1String(name));
        if (!shortcut.isEmpty()) {
            action->setShortcut(QKeySequence(shortcut, QKeySequence::PortableText));
            action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        }
        connect(action, &QAction::triggered, this, run);
        addAction(action);
        return action;
    };
    actGroup = command("actGroup", QStringLiteral("グループ化(&G)"), QStringLiteral("Ctrl+G"), [this] {
        if (CanGroup())
            GroupSelection();
    });
    actUngroup =
        command("actUngroup", QStringLiteral("グループ化解除(&N)"), QStringLiteral("Ctrl+U"), [this] {
            if (CanUngroup())
                UngroupSelection();
        });
    // The keyboard's way into the text panel's memo, shown in the edit menu.
    actTextEntry = command("actTextEntry", QStringLiteral("文字の入力(&W)"), QStringLiteral("F2"), [this] { EnterTextMemo(); });
    actPageAdd = command("actPageAdd", QStringLiteral("ページ挿入(&I)"), {}, [this] { AddPage(); });
    actPageDelete = command("actPageDelete", QStringLiteral("ページ削除(&D)"), {}, [this] { DeletePage(); });

    for (const int step : LayoutZoomSteps()) {
        auto* action = new QAction(QStringLiteral("%1%").arg(step), this);
        action->setObjectName(QStringLiteral("act%1").arg(step));
        connect(action, &QAction::triggered, this, [this, step] { SetZoom(step); });
        zoomActions.push_back(action);
    }
    actAutoScale = new QAction(QStringLiteral("自動(&A)"), this);
    connect(actAutoScale, &QAction::triggered, this, [this] { SetAutoScale(); });
    actMagnify = new QAction(QStringLiteral("拡大"), this);
    connect(actMagnify, &QAction::triggered, this, [this] { Magnify(); });
    actReduce = new QAction(QStringLiteral("縮小"), this);
    connect(actReduce, &QAction::triggered, this, [this] { Reduce(); });
}

bool TfrmLayout::ConfirmFixedPhotoDelete() {
    TDOList selected;
    DrawSite1->ListObjects(selected, true);
    const bool fixedFrame = std::any_of(selected.begin(), selected.end(), [](TDrawObject* object) {
        return dynamic_cast<TLOAlbumPhoto*>(object) != nullptr && !object->Movable();
    });
    if (!fixedFrame)
        return true;
    return AppMessageBox(FixedPhotoDeleteQuestion(), {bkOK, bkCancel}, 0, 1) == mrOk;
}

bool TfrmLayout::RunTool(const QString& kindName) {
    if (!document_)
        return false;
    created_ = nullptr;
    const bool made = DesignerList().DoCommand(DrawSite1, kindName);
    if (made)
        KeepClearOfBindingStrip(created_);
    created_ = nullptr;
    if (!made)
        return false;
    // The panel takes the new selection at once: what is typed before the next idle goes into the
    // object just made, not into the one selected before it.
    EditPanelIdle();
    // A new text is made to be typed: the keys go to the memo, its text selected so that what is
    // typed replaces it. The page view, which has them after a click on the page, ignores typing.
    auto* panel = dynamic_cast<TfrmAMText*>(EditPanel());
    if (panel != nullptr && kindName == QLatin1String("TLOText") &&
        panel->SelectionKind() == TfrmAMText::skOneText)
        panel->EnterMemo(true);
    return true;
}

void TfrmLayout::KeepClearOfBindingStrip(TDrawObject* object) {
    // Only an object placed at once: one the user is still placing goes where the user puts it.
    if (object == nullptr || !object->Visible() || !document_ || dynamic_cast<TLOBackImage*>(object) != nullptr)
        return;
    const TExAlbumInfo* album = document_->GetPaperExtraAlbum();
    TIntf<IDOEncloseBounds> bounds = Supports<IDOEncloseBounds>(static_cast<TObject*>(object));
    if (album == nullptr || album->LeftMargin() <= 0 || !bounds)
        return;
    // The part of the page a photo may take: the printed area less the strip the page binds on.
    const TRect area = GetBackImageRect(*document_, DrawSite1->Scaler().UnitDPI());
    TRect r;
    bounds->GetLogRect(r);
    if (r.Width() > area.Width() || r.Height() > area.Height()) {
        // Too large for what is left: made smaller, its proportions kept.
        const TRect fitted = FitRectInner(r, area);
        object->Invalidate();
        bounds->SetEnclosingSize(fitted.Width(), fitted.Height());
        bounds->GetLogRect(r);
    }
    const auto shift = [](int low, int high, int areaLow, int areaHigh) {
        if (high > areaHigh)
            return std::max(areaHigh - high, areaLow - low);
        return low < areaLow ? areaLow - low : 0;
    };
    const int dx = shift(r.Left, r.Right, area.Left, area.Right);
    const int dy = shift(r.Top, r.Bottom, area.Top, area.Bottom);
    if (dx != 0 || dy != 0) {
        object->Invalidate();
        bounds->MoveBy(dx, dy);
        object->Invalidate();
        DrawSite1->UpdatePivots();
    }
}

bool TfrmLayout::InsertPicture(const QString& fileName) {
    if (!document_)
        return false;
    // Dropped on a photo frame: the photo goes into it, as a double-click in the photo browser puts it.
    const std::optional<QPoint> dropped = std::exchange(dropPoint_, std::nullopt);
    if (TLOAlbumPhoto* frame = dropped ? DropFrameAt(*dropped) : nullptr)
        return DropPhotoInto(frame, fileName);
    TPictureEx picture;
    if (!LoadPictureFile(this, &picture, fileName) || IsPictureEmpty(&picture))
        return false;
    // Placed all the same (its bytes are kept whole), but the user is told why part of it is grey.
    if (PictureFileDamaged(fileName))
        TellDamagedPicture(fileName);
    std::unique_ptr<TDrawObject> object;
    if (dynamic_cast<const TJPEGGraphic*>(picture.Graphic()) != nullptr) {
        auto photo = std::make_unique<TLOAlbumPhoto>(nullptr);
        photo->SetImageSource(isFile);
        photo->SetPhotoPicture(&picture);
        photo->AdjustSizeToPicture();
        object = std::move(photo);
    } else {
        auto illust = std::make_unique<TLOAlbumIllust>(nullptr);
        illust->SetPicture(&picture);
        illust->AdjustSizeToPicture();
        object = std::move(illust);
    }
    DrawSite1->setFocus();
    TDrawObject* inserted = object.get();
    if (!InsertCreatedObject(DrawSite1, std::move(object), false, false))
        return false;
    KeepClearOfBindingStrip(inserted);
    return true;
}

bool TfrmLayout::InsertPictureFromDialog() {
    if (!document_)
        return false;
    TFileDialogRequest request;
    request.Filter = TPicture::GraphicFilter();
    QStringList chosen;
    if (!DialogService::Instance().OpenFile(request, chosen) || chosen.isEmpty() || chosen.first().isEmpty())
        return false;
    dropPoint_.reset();
    // A file that cannot be read is named in the message the loader raises; nothing is placed.
    bool placed = false;
    TApplication::Guard(nullptr, [&] { placed = InsertPicture(chosen.first()); });
    return placed;
}

void TfrmLayout::ShowIllustrations() {
    if (!document_)
        return;
    actModeIllust->trigger();
    if (auto* panel = dynamic_cast<TfrmAMIllust*>(EditPanel());
        panel != nullptr && panel->TabbedPanel1->TabIndex() != TfrmAMIllust::pgIllustFile)
        panel->SetPage(TfrmAMIllust::pgIllustFile);
}

TLOAlbumPhoto* TfrmLayout::DropFrameAt(const QPoint& point) const {
    if (!document_ || !DrawSite1->rect().contains(point))
        return nullptr;
    TDrawObject* object = DrawSite1->ObjectAt(DrawSite1->DevToLog(TPoint(point.x(), point.y())));
    return object != nullptr && object->Selectable() ? dynamic_cast<TLOAlbumPhoto*>(object) : nullptr;
}

bool TfrmLayout::DropPhotoInto(TLOAlbumPhoto* frame, const QString& fileName) {
    TPictureEx picture;
    if (frame == nullptr || !LoadPictureFile(this, &picture, fileName) || IsPictureEmpty(&picture))
        return false;
    if (PictureFileDamaged(fileName))
        TellDamagedPicture(fileName);
    DrawSite1->setFocus();
    DrawSite1->SelectAll(false);
    frame->SetSelected(true);
    auto action = std::make_unique<TDOChangeAction>(frame);
    action->SetCaption(QStringLiteral("設定変更"));
    PutPhotoFile(frame, &picture, fileName);
    TDOChangeAction::EndChange(std::move(action), UndoList());
    DrawSite1->UpdatePivots();
    return true;
}

void TfrmLayout::ObjectCreated(TDrawObject* object) {
    created_ = object;
    // The panel prepares it and gives it the selected object's style.
    PanelObjectCreated(*DrawSite1, EditPanel(), object);
    if (auto* background = dynamic_cast<TLOBackImage*>(object); document_ && background != nullptr) {
        // Its face gives its shape, as a loaded page's background gets it; without one it would
        // draw nothing until the page is loaded again.
        background->SetFaceInfo(faceInfo_);
        TDOList list;
        list.Add(object);
        FitBackImagesToPrintArea(*document_, list, kLayoutUnitsPerInch);
    }
}

void TfrmLayout::ObjectPlaced(TDrawObject* object) {
    if (auto* photo = dynamic_cast<TLOAlbumPhoto*>(object); photo != nullptr && document_ &&
                                                            object->Site() == DrawSite1)
        document_->GiveFaceShape(*photo);
}

void TfrmLayout::BackgroundTool() {
    if (!document_)
        return;
    TDOList all;
    DrawSite1->ListObjects(all, false);
    const bool hasBackground = std::any_of(all.begin(), all.end(), [](TDrawObject* object) {
        return dynamic_cast<TLOBackImage*>(object) != nullptr;
    });
    if (!hasBackground) {
        RunTool(QStringLiteral("TLOBackImage"));
        return;
    }
    // A page has one background: the background panel's settings go into the one there.
    QWidget* panel = EditPanel();
    if (panel == nullptr || EditModeOf(panel) != emBackGround) {
        actModeBackGround->trigger();
        return;
    }
    BackPropertyForced = true;
    try {
        ApplyPanelProperties(panel);
    } catch (...) {
        BackPropertyForced = false;
        throw;
    }
    BackPropertyForced = false;
}

void TfrmLayout::SeparateText(TLOText* source) {
    const int lines = source->Text()->Count();
    TRect bounds;
    source->GetTextBounds(bounds);
    const auto half = [](int64_t a, int64_t b) { return int((a + b) / 2); };
    OffsetRect(bounds, DrawSite1->LogWidth() / 2 - half(bounds.Left, bounds.Right),
               DrawSite1->LogHeight() / 2 - half(bounds.Top, bounds.Bottom));
    const int lineHeight = bounds.Height() / lines;
    const int columnWidth = bounds.Width() / lines;
    const bool vertical = source->Vertical();
    TRect line = bounds;
    // Vertical lines run from the right.
    if (vertical)
        line.Left = line.Right - columnWidth;
    else
        line.Bottom = line.Top + lineHeight;
    for (int i = 0; i < lines; ++i) {
        auto text = std::make_unique<TLOWizardText>(nullptr);
        text->SetVerticalValue(vertical);
        text->SetOutline(source->Outline());
        text->OutlineColor()->Assign(source->OutlineColor());
        text->SetOutLineWidth(source->OutLineWidth());
        text->SetShadow(source->Shadow());
        text->ShadowColor()->Assign(source->ShadowColor());
        text->SetHanToZen(source->HanToZen());
        text->SetNumToKnj(source->NumToKnj());
        text->SetMinusExc(source->MinusExc());
        text->SetBulge(source->Bulge());
        text->Text()->Add(source->Text()->Strings(i));
        text->SetLogRect(line);
        OffsetRect(line, vertical ? -columnWidth : 0, vertical ? 0 : lineHeight);
        ObjectCreated(text.get());
        text->SetCursor(crHandPoint);
        TDrawObject* added = DrawSite1->AdoptObject(std::move(text));
        UndoList().Add(std::make_unique<TDOAddAction>(added));
        added->SetSelected(true);
    }
    DrawSite1->UpdatePivots();
    MoveGhostOptions().CircumMove = false;
    MoveGhostOptions().ParallelMove = false;
}

bool TfrmLayout::CanGroup() const {
    TDOList selected;
    DrawSite1->ListObjects(selected, true);
    return selected.Count() >= 2;
}

namespace {

// A new group goes where its topmost member lay, not on top of the page, so that an object that lay
// above every member is not covered by it; it stays within its own layer's band.
void PlaceAtTopmostMember(TDrawSite& site, TDrawObject* group, const TDOList& members) {
    int place = 0;
    for (TDrawObject* member : members)
        place = std::max(place, site.IndexOfControl(member) + 1);
    for (int i = 0; i < place; ++i)
        if (auto* other = dynamic_cast<TDrawObject*>(site.Controls(i));
            other != nullptr && other != group && other->LayerGroup() > group->LayerGroup()) {
            place = i;
            break;
        }
    if (place < site.IndexOfControl(group))
        site.SetChildOrder(group, place);
}

} // namespace

void TfrmLayout::GroupSelection() {
    TDOList targets;
    DrawSite1->ListObjects(targets, true);
    if (targets.Count() < 2)
        return;
    DrawSite1->ClearPivots();
    UndoList().BeginGroup(QStringLiteral("グループ化"));
    try {
        auto owned = std::make_unique<TDOGroup>(nullptr);
        owned->AddObjects(targets);
        owned->SetCursor(crHandPoint);
        TDrawObject* group = DrawSite1->AdoptObject(std::move(owned));
        PlaceAtTopmostMember(*DrawSite1, group, targets);
        UndoList().Add(std::make_unique<TDOAddAction>(group));
        // The originals leave the page as one deletion, so that undo brings them back.
        DSAClear1->ExecuteOn(DrawSite1);
        group->SetSelected(true);
    } catch (...) {
        UndoList().EndGroup();
        throw;
    }
    UndoList().EndGroup();
    DrawSite1->UpdatePivots();
}

bool TfrmLayout::CanUngroup() const {
    TDOList selected;
    DrawSite1->ListObjects(selected, true);
    return std::any_of(selected.begin(), selected.end(),
                       [](TDrawObject* object) { return dynamic_cast<TDOGroup*>(object) != nullptr; });
}

void TfrmLayout::UngroupSelection() {
    TDOList selected;
    DrawSite1->ListObjects(selected, true);
    DrawSite1->ClearPivots();
    UndoList().BeginGroup(QStringLiteral("グループ化解除"));
    try {
        for (TDrawObject* object : selected) {
            auto* group = dynamic_cast<TDOGroup*>(object);
            if (group == nullptr)
                continue;
            group->Ungroup();
            auto action = std::make_unique<TDODelAction>(group);
            group->Changed();
            group->SetParent(nullptr);
            action->HoldTakenOff();
            UndoList().Add(std::move(action));
        }
    } catch (...) {
        UndoList().EndGroup();
        throw;
    }
    UndoList().EndGroup();
    DrawSite1->UpdatePivots();
}

void TfrmLayout::NudgeSelection(int dx, int dy, bool fine) {
    const int step = fine ? kFineNudgeStep : kNudgeStep;
    TDOList selected;
    DrawSite1->ListObjects(selected, true);
    // Every selected object may be pulled back onto the page, so each one's state is kept.
    if (nudgeBurst_.empty())
        for (TDrawObject* object : selected)
            nudgeBurst_.push_back(std::make_unique<TDOChangeAction>(object));
    for (TDrawObject* object : selected) {
        if (!object->Movable())
            continue;
        if (TIntf<IDOEncloseBounds> bounds = Supports<IDOEncloseBounds>(static_cast<TObject*>(object)))
            bounds->MoveBy(dx * step, dy * step);
    }
    KeepObjectsInRect(selected, DrawSite1->GetLogClientRect());
    for (TDrawObject* object : selected)
        ObjectPlaced(object);
}

void TfrmLayout::EndNudgeBurst() {
    if (nudgeBurst_.empty())
        return;
    std::vector<std::unique_ptr<TDOChangeAction>> burst = std::move(nudgeBurst_);
    nudgeBurst_.clear();
    UndoList().BeginGroup(QStringLiteral("移動"));
    for (std::unique_ptr<TDOChangeAction>& action : burst)
        TDOChangeAction::EndChange(std::move(action), UndoList());
    UndoList().EndGroup();
}

void TfrmLayout::MoveObjectBy(TDrawObject* object, int dx, int dy) {
    TIntf<IDOEncloseBounds> bounds = Supports<IDOEncloseBounds>(static_cast<TObject*>(object));
    if (!bounds)
        return;
    auto action = std::make_unique<TDOChangeAction>(object);
    action->Force = true;
    bounds->MoveBy(dx, dy);
    ObjectPlaced(object);
    TDOChangeAction::EndChange(std::move(action), UndoList());
}

void TfrmLayout::AlignSelection(TOrderMode mode) {
    TDOList selected;
    DrawSite1->ListObjects(selected, true);
    std::vector<TDrawObject*> targets;
    std::vector<TRect> bounds;
    for (TDrawObject* object : selected) {
        if (dynamic_cast<TLabelObject*>(object) == nullptr)
            continue;
        TIntf<IDOEncloseBounds> enclose = Supports<IDOEncloseBounds>(static_cast<TObject*>(object));
        if (!enclose)
            continue;
        TRect r;
        enclose->GetLogRect(r);
        targets.push_back(object);
        bounds.push_back(r);
    }
    if (targets.size() < 2)
        return;
    const std::vector<TPoint> offsets = AlignOffsets(bounds, mode);
    UndoList().BeginGroup(QStringLiteral("位置揃え"));
    try {
        for (size_t i = 0; i < targets.size(); ++i) {
            if (offsets[i].X == 0 && offsets[i].Y == 0)
                continue;
            auto action = std::make_unique<TDOChangeAction>(targets[i]);
            Supports<IDOEncloseBounds>(static_cast<TObject*>(targets[i]))->MoveBy(offsets[i].X, offsets[i].Y);
            ObjectPlaced(targets[i]);
            TDOChangeAction::EndChange(std::move(action), UndoList());
        }
    } catch (...) {
        UndoList().EndGroup();
        throw;
    }
    UndoList().EndGroup();
}

void TfrmLayout::SnapPoint(const TPoint& p, TPoint& offset) {
    if (!document_) {
        offset = TPoint(kNoSnap, kNoSnap);
        return;
    }
    offset = EditorSnapOffset(*DrawSite1, p, ShiftStateFromQt(QGuiApplication::queryKeyboardModifiers(), {}),
                              document_->Guide(), document_->Grid());
}

void TfrmLayout::InstallHooks(bool install) {
    if (install) {
        SnapHook() = [this](TObject*, const TPoint& p, TPoint& offset) { SnapPoint(p, offset); };
        ObjectCreatedHook() = [this](TDrawObject* object) { ObjectCreated(object); };
        ObjectPlacedHook() = [this](TDrawObject* object) { ObjectPlaced(object); };
    } else {
        SnapHook() = nullptr;
        ObjectCreatedHook() = nullptr;
        ObjectPlacedHook() = nullptr;
    }
}

void TfrmLayout::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (bars_->frameModeBar1)
        bars_->frameModeBar1->SetCurrentStep(TframeModeBarEx::kStepEdit);
    InstallHooks(true);
    if (document_ && !bars_->HasStatusPanels())
        SetupStatusBar();
}

void TfrmLayout::hideEvent(QHideEvent* event) {
    // No other form's ghosts snap through a closed editor.
    GhostList().ClearGhosts();
    InstallHooks(false);
    // Another mode's form shows its own status.
    bars_->ReleaseStatusPanels();
    QWidget::hideEvent(event);
}

void TfrmLayout::closeEvent(QCloseEvent* event) {
    KeepZoomForNext();
    QWidget::closeEvent(event);
}

void TfrmLayout::KeepZoomForNext() {
    // A closed editor is freed later, perhaps after its data module went and took the run's zoom
    // with it: only the close leaves the zoom then.
    if (zoomKept_)
        return;
    zoomKept_ = true;
    LastLayoutScale = autoScale_ ? 0 : Scale();
}

void TfrmLayout::EscapeSelection() {
    const bool placing = GhostList().Count() != 0;
    // Esc ends a placement as the select tool does; without one it lets the selection go.
    actSelectTool->trigger();
    if (placing || DrawSite1 == nullptr)
        return;
    DrawSite1->SelectAll(false);
    DrawSite1->UpdatePivots();
    UpdateActions();
}

bool TfrmLayout::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ScrollBox1->viewport() && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        EscapeSelection();
    if (watched == DrawSite1 && event->type() == QEvent::MouseMove)
        mouse_ = static_cast<QMouseEvent*>(event)->position().toPoint();
    if (watched == DrawSite1 && event->type() == QEvent::ContextMenu) {
        auto* menuEvent = static_cast<QContextMenuEvent*>(event);
        const QPoint at = menuEvent->pos();
        TDrawObject* object = DrawSite1->ObjectAt(DrawSite1->DevToLog(TPoint(at.x(), at.y())));
        if (object != nullptr && object->Selectable() && !object->Selected()) {
            DrawSite1->SelectAll(false);
            object->SetSelected(true);
            DrawSite1->UpdatePivots();
        }
        DrawSite1->setFocus();
        UpdateActions();
        (object != nullptr && object->Selectable() ? popupObject : popupEdit)->popup(menuEvent->globalPos());
        return true;
    }
    if (dropWindow_ != nullptr && watched == dropWindow_) {
        if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
            const QPoint at = static_cast<QDropEvent*>(event)->position().toPoint();
            dropPoint_ = DrawSite1->mapFromGlobal(dropWindow_->mapToGlobal(at));
        } else if (event->type() == QEvent::DragLeave || event->type() == QEvent::Drop) {
            dropPoint_.reset();
        }
        return QWidget::eventFilter(watched, event);
    }
    if (watched == DrawSite1 && IsNudgeBurstEnd(event))
        EndNudgeBurst();
    if (watched == DrawSite1 && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape) {
            EscapeSelection();
            return true;
        }
        const bool fine = (key->modifiers() & Qt::ShiftModifier) != 0;
        switch (key->key()) {
        case Qt::Key_Left:
            NudgeSelection(-1, 0, fine);
            return true;
        case Qt::Key_Right:
            NudgeSelection(1, 0, fine);
            return true;
        case Qt::Key_Up:
            NudgeSelection(0, -1, fine);
            return true;
        case Qt::Key_Down:
            NudgeSelection(0, 1, fine);
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

TfrmLayout::~TfrmLayout() {
    // Before the site and the rulers it works on.
    guides_.reset();
    PanelSaveDefaults(EditPanel());
    KeepZoomForNext();
    WriteSettingInteger(QStringLiteral("DefPhotoWidth"), DefPhotoWidth);
    WriteSettingInteger(QStringLiteral("DefPhotoHeight"), DefPhotoHeight);
    InstallHooks(false);
    // The panels live in the main window's status bar.
    bars_->ReleaseStatusPanels();
    if (GhostList().Site() == DrawSite1)
        GhostList().ClearGhosts();
    // The site's objects go before the form's widgets.
    delete DrawSite1;
    DrawSite1 = nullptr;
}

void TfrmLayout::AttachDocument(TLabelData* document) {
    document_ = document;
    guides_->SetDocument(document_, &faceInfo_);
    lastPageLabelSheet_ = -1;
    if (!document_)
        return;
    framePages1->OnPageSelect = [this](int sheet) { GoToPage(sheet); };
    framePages1->OnCanSelectPage = [this](int sheet) { return CanSelectPage(sheet); };
    framePages1->Attach(document_);
    LoadPage();
    SetupStatusBar();
    rulerTop->show();
    rulerLeft->show();
    DrawSite1->show();
    DrawSite1->setFocus();
}

void TfrmLayout::UpdateLogicalSize() {
    TRect outer = document_->GetLayoutPaper()->GetFaceOuterRect(document_->CurrentLabelNo);
    OffsetRect(outer, -outer.Left, -outer.Top);
    rulerTop->SetRulerLength(outer.Width() / kTenthsPerMm);
    rulerLeft->SetRulerLength(outer.Height() / kTenthsPerMm);
    DrawSite1->SetLogWidth(outer.Width());
    DrawSite1->SetLogHeight(outer.Height());
}

void TfrmLayout::PlacePaperImages() {
    if (const TImagePaperInfo* images = document_->GetPaperImageInfo()) {
        std::unique_ptr<TImagePaperInfo> clone(static_cast<TImagePaperInfo*>(images->NewInstance(nullptr)));
        clone->Assign(images);
        const TMatrixPaperInfo* layout = document_->GetLayoutPaper();
        if (IsBackSidePage(document_->FaceSides, layout->Landscape, document_->CurrentSheetNo()))
            MirrorPaperImages(*document_->GetLayoutPaper(), *clone);
        PlacePaperImagesOnSite(*DrawSite1, *document_, *clone);
    } else {
        DrawSite1->DestroyComponents();
    }
    DrawSite1->SetModified(false);
    UndoList().Clear();
}

void TfrmLayout::LoadPage() {
    if (!document_)
        return;
    GhostList().ClearGhosts();
    // The undo list holds the old page's objects: it goes before they do.
    UndoList().Clear();
    const TMatrixPaperInfo* layout = document_->GetLayoutPaper();
    if (document_->CurrentLabelNo < 0 || document_->CurrentLabelNo >= layout->GetFaceCount())
        document_->CurrentLabelNo = 0;
    layout->GetFaceInfo(document_->CurrentLabelNo, faceInfo_);
    UpdateLogicalSize();
    DrawSite1->DestroyComponents();
    PlacePaperImages();
    if (!document_->FaceInit) {
        CreatePhotoFrames();
        document_->FaceInit = true;
        document_->FaceModified = true;
    }
    TOwnedDOList stored;
    try {
        document_->LoadLabelObjects(document_->CurrentLabelNo, stored);
    } catch (const Exception&) {
        // A damaged page shows empty; the document keeps its bytes unless the user makes a new page.
        stored.Clear();
        if (host_)
            host_->ReportUnreadPart(QStringLiteral("シート%1のページ").arg(document_->CurrentSheetNo() + 1));
    }
    TDOList view;
    stored.ListObjects(view);
    FitBackImagesToPrintArea(*document_, view, DrawSite1->Scaler().UnitDPI());
    for (std::unique_ptr<TDrawObject>& object : stored.TakeAll())
        DrawSite1->AdoptObject(std::move(object));
    DrawSite1->SetModified(false);
    UndoList().Clear();
    if (TGuide* guide = document_->Guide())
        guide->RemoveOutside(TRect(0, 0, DrawSite1->LogWidth(), DrawSite1->LogHeight()));
    guides_->SyncControls();
    Relayout();
    UpdatePageLabel();
    UpdateAlbumActions();
    DrawSite1->InvalidatePage();
    DrawSite1->update();
    framePages1->Refresh();
}

void TfrmLayout::CreatePhotoFrames() {
    const TPaperInfo* chosen = document_->GetPaperInfo();
    std::unique_ptr<TPaperInfo> paper(static_cast<TPaperInfo*>(chosen->NewInstance(nullptr)));
    paper->Assign(chosen);
    if (IsBackSidePage(document_->FaceSides, paper->Landscape, document_->CurrentSheetNo())) {
        const bool landscape = paper->Landscape;
        paper->Landscape = false;
        MirrorPaperFaces(*paper);
        paper->Landscape = landscape;
    }
    const TExAlbumInfo* album = document_->GetPaperExtraAlbum();
    const bool fullPaint = album != nullptr && album->FullPaint;
    const bool fixed = document_->IsLabelFixed();
    // A paper's only face reaching across the sheet (a sheet without cuts, an album's free page beside
    // its binding edge) is the page itself, not a photo slot. Where the sheet holds more faces, each is
    // a slot however far it reaches: half sheets and strips are faces like any other.
    const bool oneFace = paper->GetFaceCount() == 1;
    for (int i = 0; i < paper->GetFaceCount(); ++i) {
        const TRect outer = paper->GetFaceOuterRect(i);
        if (!fullPaint && oneFace && (outer.Width() >= paper->Width() || outer.Height() >= paper->Height()))
            continue;
        auto photo = std::make_unique<TLOAlbumPhoto>(nullptr);
        photo->SetLogRect(outer);
        TFaceInfo face;
        paper->GetFaceInfo(i, face);
        photo->SetFaceShape(face);
        if (fullPaint)
            photo->SetFitOuter(true);
        photo->SetMovable(!fixed);
        DrawSite1->AdoptObject(std::move(photo));
    }
    DrawSite1->SetModified(false);
    UndoList().Clear();
}

void TfrmLayout::CopyPageFrames(int fromSheet) {
    const int current = document_->CurrentSheetNo();
    const int face = document_->CurrentLabelNo;
    TOwnedDOList stored;
    document_->SetCurrentSheetNo(fromSheet);
    try {
        document_->LoadLabelObjects(face, stored);
    } catch (...) {
        document_->SetCurrentSheetNo(current);
        throw;
    }
    document_->SetCurrentSheetNo(current);
    const TMatrixPaperInfo* layout = document_->GetLayoutPaper();
    const bool mirror = IsBackSidePage(document_->FaceSides, layout->Landscape, fromSheet) !=
                        IsBackSidePage(document_->FaceSides, layout->Landscape, current);
    TDOList kept;
    for (std::unique_ptr<TDrawObject>& object : stored.TakeAll()) {
        if (auto* photo = dynamic_cast<TLOAlbumPhoto*>(object.get())) {
            photo->SetPhotoPicture(nullptr);
            if (mirror) {
                TRect r = photo->LogRect();
                if (layout->Landscape)
                    OffsetRect(r, 0, layout->Height() - r.Top - r.Height() - r.Top);
                else
                    OffsetRect(r, layout->Width() - r.Left - r.Width() - r.Left, 0);
                photo->SetLogRect(r);
            }
        } else if (dynamic_cast<TLOBackImage*>(object.get()) == nullptr) {
            continue;
        }
        kept.Add(DrawSite1->AdoptObject(std::move(object)));
    }
    FitBackImagesToPrintArea(*document_, kept, DrawSite1->Scaler().UnitDPI());
    DrawSite1->SetModified(false);
    UndoList().Clear();
}

void TfrmLayout::AddPage() {
    // Never after a cover: the new sheet would take the back cover's slot.
    if (!document_ || !PageAddEnabled(document_->CurrentSheetNo()))
        return;
    TWatchCursor cursor;
    CommitPage();
    const int from = document_->CurrentSheetNo();
    document_->AddSheet();
    const int added = from + 1;
    if (document_->GetSheetCount() - 1 > added)
        document_->MoveSheet(added);
    document_->SetCurrentSheetNo(added);
    // The new page takes the frames of the page before it, not those of the paper's slots.
    document_->FaceInit = true;
    LoadPage();
    CopyPageFrames(from);
    if (document_->FaceSides == fsBoth) {
        for (int sheet = added + 1; sheet < document_->GetSheetCount(); ++sheet)
            AlbumFunc_MirrorPage(sheet, *document_);
        document_->SetCurrentSheetNo(added);
    }
    DrawSite1->SetModified(true);
    UpdatePageLabel();
    DrawSite1->InvalidatePage();
    DrawSite1->update();
}

bool TfrmLayout::ConfirmPageDelete() {
    TDOList all;
    DrawSite1->ListObjects(all, false);
    const bool holdsWork = std::any_of(all.begin(), all.end(), [](TDrawObject* object) {
        if (object->LayerGroup() == kPaperImageLayerGroup)
            return false;
        auto* photo = dynamic_cast<TLOAlbumPhoto*>(object);
        return photo == nullptr || !IsPictureEmpty(photo->GetPhotoPicture());
    });
    return !holdsWork || AppMessageBox(QStringLiteral("ページを削除してもよろしいですか？"), {bkOK, bkCancel},
                                       0, 1) == mrOk;
}

void TfrmLayout::DeletePage() {
    if (!document_ || !PageDeleteEnabled(document_->GetSheetCount(), document_->CurrentSheetNo(),
                                         document_->FrontCover, document_->BackCover))
        return;
    const int current = document_->CurrentSheetNo();
    if (current < kFirstInnerSheet) {
        if (AppMessageBox(QStringLiteral("表紙を削除してもよろしいですか？"), {bkOK, bkCancel}, 0, 1) != mrOk)
            return;
        AlbumFunc_ClearCover(current == kFrontCoverSheet, *document_);
    } else {
        if (!ConfirmPageDelete())
            return;
        TWatchCursor cursor;
        const bool wasLast = current == document_->GetSheetCount() - 1;
        // The page's undo steps refer to objects that are about to go.
        UndoList().Clear();
        document_->DeleteSheet(current);
        if (document_->FaceSides == fsBoth && !wasLast) {
            const int next = document_->CurrentSheetNo();
            for (int sheet = next; sheet < document_->GetSheetCount(); ++sheet)
                AlbumFunc_MirrorPage(sheet, *document_);
            document_->SetCurrentSheetNo(next);
        }
    }
    LoadPage();
}

void TfrmLayout::StorePage() {
    // A page whose frames were just made is written even unedited: leaving the editor goes through
    // here, not through CommitPage, and the frames would be lost while the page counts as made.
    if (!document_ || (!DrawSite1->Modified() && !document_->FaceModified))
        return;
    GhostList().ClearGhosts();
    TDOList all;
    DrawSite1->ListObjects(all, false);
    TDOList page;
    for (TDrawObject* object : all)
        if (object->LayerGroup() != kPaperImageLayerGroup)
            page.Add(object);
    UndoList().Clear();
    document_->FaceModified = false;
    document_->StoreLabelObjects(document_->CurrentLabelNo, page);
    DrawSite1->SetModified(false);
}

std::optional<bool> TfrmLayout::HasPageContent() const {
    TDOList all;
    DrawSite1->ListObjects(all, false);
    for (TDrawObject* object : all)
        if (object->LayerGroup() != kPaperImageLayerGroup)
            return true;
    return false;
}

void TfrmLayout::CommitPage() {
    if (!document_)
        return;
    if (document_->FaceModified)
        DrawSite1->SetModified(true);
    StorePage();
}

void TfrmLayout::ReloadPage() {
    CommitPage();
    LoadPage();
}

void TfrmLayout::GoToPage(int index) {
    if (!document_ || index < 0 || index >= document_->GetSheetCount())
        return;
    if (index == document_->CurrentSheetNo()) {
        framePages1->Refresh();
        return;
    }
    TWatchCursor cursor;
    CommitPage();
    document_->SetCurrentSheetNo(index);
    LoadPage();
}

bool TfrmLayout::IsModified() const {
    return DrawSite1->Modified();
}

void TfrmLayout::SetModified(bool value) {
    DrawSite1->SetModified(value);
}

void TfrmLayout::UpdatePageLabel() {
    // The count matters too: deleting a page in the middle keeps the current index.
    if (!document_ || (document_->CurrentSheetNo() == lastPageLabelSheet_ &&
                       document_->GetSheetCount() == lastPageLabelCount_))
        return;
    lastPageLabelSheet_ = document_->CurrentSheetNo();
    lastPageLabelCount_ = document_->GetSheetCount();
    lblPage->setText(PageLabelText(lastPageLabelSheet_, document_->GetSheetCount(), document_->FrontCover,
                                   document_->BackCover));
}

// ---- zoom

int TfrmLayout::Scale() const {
    return DrawSite1->Scaler().Scale();
}

void TfrmLayout::SetZoom(int scale) {
    autoScale_ = false;
    DrawSite1->Scaler().SetScale(scale);
    const std::vector<int>& steps = LayoutZoomSteps();
    for (size_t i = 0; i < steps.size(); ++i)
        zoomActions[i]->setChecked(steps[i] == scale);
    actAutoScale->setChecked(false);
    Relayout();
}

void TfrmLayout::SetAutoScale() {
    autoScale_ = true;
    actAutoScale->setChecked(true);
    Relayout();
}

void TfrmLayout::Magnify() {
    const int next = NextZoomStep(Scale(), true);
    if (next != Scale())
        SetZoom(next);
}

void TfrmLayout::Reduce() {
    const int next = NextZoomStep(Scale(), false);
    if (next != Scale())
        SetZoom(next);
}

void TfrmLayout::Relayout() {
    RelayoutSite(ScrollBox1, DrawSite1, autoScale_);
}

void TfrmLayout::SiteAdjusted() {
    const QPoint origin = DrawSite1->mapTo(this, QPoint(0, 0));
    rulerTop->SetRulerOffset(origin.x() - rulerTop->x());
    rulerLeft->SetRulerOffset(origin.y() - rulerLeft->y());
    rulerTop->SetScale(Scale());
    rulerLeft->SetScale(Scale());
}

void TfrmLayout::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        EscapeSelection();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // Enter leaves a field for the page, except in text that takes several lines.
        if (qobject_cast<QTextEdit*>(focusWidget()) == nullptr &&
            qobject_cast<QPlainTextEdit*>(focusWidget()) == nullptr) {
            DrawSite1->setFocus();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

void TfrmLayout::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (document_)
        Relayout();
}

// ---- edit modes

QWidget* TfrmLayout::MakeEditModeSide() {
    auto* side = new QWidget(this);
    auto* column = new QVBoxLayout(side);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    frameEditModeBar1 = new TframeEditModeBar(side, host_);
    column->addWidget(frameEditModeBar1);
    pnlPropertySheet = new TFormPanel(side);
    pnlPropertySheet->setObjectName(QStringLiteral("pnlPropertySheet"));
    column->addWidget(pnlPropertySheet, 1);
    // Takes the height a hidden panel leaves, so the mode buttons stay at the top.
    column->addStretch(0);
    for (int mode = 0; mode < emModeCount; ++mode) {
        auto* action = new QAction(frameEditModeBar1->ModeButton(mode)->Caption(), this);
        action->setObjectName(QString::fromLatin1(EditModeInfo(TEditMode(mode)).ModeAction));
        connect(action, &QAction::triggered, this, [this, mode] { ShowEditMode(mode); });
        addAction(action);
        connect(frameEditModeBar1->ModeButton(mode), &QToolButton::clicked, action, &QAction::trigger);
    }
    actModePhoto = ModeAction(emPhoto);
    actModeText = ModeAction(emText);
    actModeIllust = ModeAction(emIllust);
    actModeFigure = ModeAction(emFigure);
    actModeBackGround = ModeAction(emBackGround);
    DrawSite1->OnClearGhost = [this](TObject*) { PanelSelectionCleared(*DrawSite1, EditPanel()); };
    GlobalNotify1 = new TGlobalNotify(components_.get());
    GlobalNotify1->OnIdle = [this](TObject*) { GlobalNotify1Idle(); };
    return side;
}

QAction* TfrmLayout::ModeAction(int mode) const {
    if (mode < 0 || mode >= emModeCount)
        return nullptr;
    return findChild<QAction*>(QString::fromLatin1(EditModeInfo(TEditMode(mode)).ModeAction),
                               Qt::FindDirectChildrenOnly);
}

QWidget* TfrmLayout::EditPanel() const {
    return pnlPropertySheet->Form();
}

int TfrmLayout::EditModeOf(const QWidget* panel) {
    return ::EditModeOf(panel);
}

void TfrmLayout::ShowEditMode(int mode) {
    if (mode < 0 || mode >= emModeCount)
        return;
    frameEditModeBar1->SetCurrentMode(mode);
    QWidget* old = EditPanel();
    if (old != nullptr && ::EditModeOf(old) == mode)
        return;
    PanelSaveDefaults(old);
    QWidget* panel = CreateEditModePanel(TEditMode(mode), this);
    if (auto* apply = dynamic_cast<IEditModeApplyHook*>(panel))
        apply->SetApplyHandler([this](QWidget* sender) { ApplyPanelProperties(sender); });
    if (auto* insert = dynamic_cast<IEditModeInsertHook*>(panel))
        insert->SetInsertHandler([this](QWidget* sender) { InsertFromPanel(sender); });
    pnlPropertySheet->hide();
    pnlPropertySheet->SetForm(panel);
    // Without a panel for the mode the side panel stays empty.
    pnlPropertySheet->setVisible(panel != nullptr);
    if (panel == nullptr)
        return;
    PanelLoadDefaults(panel);
    if (auto* photo = dynamic_cast<TfrmAMPhoto*>(panel)) {
        // The photo panel's buttons run the editor's album actions.
        const auto action = [this](const char* name) {
            return findChild<QAction*>(QLatin1String(name), Qt::FindDirectChildrenOnly);
        };
        photo->SetEditorActions(action("actPhotoSetMulti"), action("actPhotoAdjustAll"),
                                action("actPhotoInsert"), action("actPhotoDelete"), action("actCoverPhoto"));
    }
    PanelSelectionCleared(*DrawSite1, panel);
    if (auto* editor = dynamic_cast<IEditModePanel*>(panel))
        editor->ShowDefault();
}

void TfrmLayout::EditObjectProperty(TObject* object) {
    if (QAction* action = ModeAction(EditModeForObject(dynamic_cast<TDrawObject*>(object))))
        action->trigger();
}

void TfrmLayout::ApplyPanelProperties(QWidget* sender) {
    ::ApplyPanelProperties(*DrawSite1, sender, BackPropertyForced);
}

void TfrmLayout::InsertFromPanel(QWidget* sender) {
    DrawSite1->setFocus();
    const QString name = InsertActionOf(TEditMode(::EditModeOf(sender)), sender);
    if (name.isEmpty())
        return;
    // The tool's kind itself: a menu command of the same name may open something else instead.
    if (auto* action = findChild<QAction*>(name, Qt::FindDirectChildrenOnly)) {
        if (const QString kindName = action->data().toString(); !kindName.isEmpty())
            RunTool(kindName);
        else
            action->trigger();
    }
}

void TfrmLayout::EditPanelIdle() {
    PanelIdle(*DrawSite1, EditPanel());
}

void TfrmLayout::GlobalNotify1Idle() {
    if (!isVisible() || QApplication::activeWindow() != window())
        return;
    Idle();
    EditPanelIdle();
    UpdateArrangeActions();
}

// ---- paste by format

void TfrmLayout::MakePasteActions() {
    mnuPasteSpecial = new QMenu(QStringLiteral("形式を指定して貼り付け(&S)"), this);
    mnuPasteSpecial->setObjectName(QStringLiteral("mnuPasteSpecial"));
    const auto make = [this](const char* name, const QString& caption, const QString& kindName) {
        auto* action = new QAction(caption, this);
        action->setObjectName(QLatin1String(name));
        // A clipboard the reader refuses gives its message, not an exception in the event loop.
        connect(action, &QAction::triggered, this,
                [this, kindName] { TApplication::Guard(nullptr, [&] { RunTool(kindName); }); });
        mnuPasteSpecial->addAction(action);
        return action;
    };
    actPasteText = make("actPasteText", QStringLiteral("文字列(&T)"), QStringLiteral("TLOTextPaste"));
    actPasteBitmap =
        make("actPasteBitmap", QStringLiteral("ビットマップ(&B)"), QStringLiteral("TLOBitmapPaste"));
    actPasteMetafile =
        make("actPasteMetafile", QStringLiteral("メタファイル(&M)"), QStringLiteral("TLOMetafilePaste"));
    actPasteOLEObject =
        make("actPasteOLEObject", QStringLiteral("OLEオブジェクト(&O)"), QStringLiteral("TLOOLEPaste"));
    connect(mnuPasteSpecial, &QMenu::aboutToShow, this, [this] { UpdatePasteActions(); });
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        connect(clipboard, &QClipboard::dataChanged, this, [this] { UpdatePasteActions(); });
    UpdatePasteActions();
}

void TfrmLayout::UpdatePasteActions() {
    actPasteText->setEnabled(Clipboard::HasText());
    actPasteBitmap->setEnabled(Clipboard::HasFormat(CF_BITMAP) || Clipboard::HasFormat(kClipboardDIB));
    actPasteMetafile->setEnabled(Clipboard::HasFormat(CF_ENHMETAFILE) || Clipboard::HasFormat(CF_METAFILEPICT));
    // There is no embedding service: the caption stays bare.
    actPasteOLEObject->setEnabled(false);
}

// ---- positioning and guide rules

// ---- tool windows

namespace {

// Runs change on each object, each change recorded, all in one undo step.
template <class T, class F>
void RecordChanges(const QString& caption, const std::vector<T*>& objects, F change) {
    UndoList().BeginGroup(caption);
    try {
        for (T* object : objects) {
            auto action = std::make_unique<TDOChangeAction>(object);
            change(object);
            TDOChangeAction::EndChange(std::move(action), UndoList());
        }
    } catch (...) {
        UndoList().EndGroup();
        throw;
    }
    UndoList().EndGroup();
}

TRect EncloseRect(TDrawObject* object) {
    TRect r;
    if (TIntf<IDOEncloseBounds> bounds = Supports<IDOEncloseBounds>(static_cast<TObject*>(object)))
        bounds->GetLogRect(r);
    return r;
}

const QString kPhotoSizeUndo = QStringLiteral("写真サイズ変更");

} // namespace

template <class T>
std::vector<T*> TfrmLayout::SelectedOf() const {
    TDOList selected;
    DrawSite1->ListObjects(selected, true);
    std::vector<T*> found;
    for (TDrawObject* object : selected)
        if (auto* t = dynamic_cast<T*>(object))
            found.push_back(t);
    return found;
}

void TfrmLayout::MakeToolWindowActions() {
    const auto make = [this](const char* name, const QString& caption, auto slot) {
        auto* action = new QAction(caption, this);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, slot);
        addAction(action);
        return action;
    };
    actGrid = make("actGrid", QStringLiteral("グリッド設定(&G)..."), [this] { ShowGridWindow(); });
    actOrder = make("actOrder", QStringLiteral("位置揃え(&O)..."), [this] { OrderSelection(); });
    actAlign = make("actAlign", QStringLiteral("位置合わせ(&A)..."), [this] { AdjustSelectionPosition(); });
    actPosition =
        make("actPosition", QStringLiteral("位置・サイズ(&Z)..."), [this] { EditPositionProperty(); });
    actSamePhotoSize =
        make("actSamePhotoSize", QStringLiteral("同じサイズに揃える(&E)"), [this] { SamePhotoSize(); });
    actChangeDefPhotoSize = make("actChangeDefPhotoSize", QStringLiteral("標準写真サイズに変更(&G)"),
                                 [this] { ChangeDefPhotoSize(); });
    actRegistDefPhotoSize = make("actRegistDefPhotoSize", QString(), [this] { RegistDefPhotoSize(); });
    actDetailsPhotoSize =
        make("actDetailsPhotoSize", QStringLiteral("数値で指定(&N)"), [this] { DetailsPhotoSize(); });
    actPhotoFullSize =
        make("actPhotoFullSize", QStringLiteral("全面に拡大(&F)"), [this] { PhotoFullSize(); });
    DefPhotoWidth = ReadSettingInteger(QStringLiteral("DefPhotoWidth"), 0);
    DefPhotoHeight = ReadSettingInteger(QStringLiteral("DefPhotoHeight"), 0);
    UpdateRegistCaption();
}

void TfrmLayout::UpdateRegistCaption() {
    actRegistDefPhotoSize->setText(RegistDefPhotoSizeCaption(DefPhotoWidth, DefPhotoHeight));
}

void TfrmLayout::UpdateArrangeActions() {
    if (!DrawSite1)
        return;
    const bool open = document_ != nullptr;
    const std::vector<TLabelObject*> objects = SelectedOf<TLabelObject>();
    const std::vector<TLOAlbumPhoto*> photos = SelectedOf<TLOAlbumPhoto>();
    actOrder->setEnabled(open && objects.size() >= 2);
    actAlign->setEnabled(open && !objects.empty());
    actPosition->setEnabled(open && objects.size() == 1 && SelectedOf<TDOGroup>().empty());
    actSamePhotoSize->setEnabled(open && photos.size() >= 2);
    actChangeDefPhotoSize->setEnabled(open && !photos.empty() && DefPhotoWidth >= 1 && DefPhotoHeight >= 1);
    actRegistDefPhotoSize->setEnabled(open && photos.size() == 1);
    actDetailsPhotoSize->setEnabled(open && !photos.empty());
    actPhotoFullSize->setEnabled(open && photos.size() == 1);
}

void TfrmLayout::ShowGridWindow() {
    if (!document_)
        return;
    TfrmGrid window(this);
    window.LoadGrid(*document_->Grid());
    if (window.ShowModal() != mrOk)
        return;
    window.StoreGrid(*document_->Grid());
    guides_->SyncControls();
    DrawSite1->InvalidateOverlay();
}

void TfrmLayout::OrderSelection() {
    if (!document_ || SelectedOf<TLabelObject>().size() < 2)
        return;
    TfrmAlign window(this);
    if (window.ShowModal() != mrOk)
        return;
    AlignSelection(TOrderMode(window.Mode()));
}

void TfrmLayout::AdjustSelectionPosition() {
    if (!document_ || SelectedOf<TLabelObject>().empty())
        return;
    TfrmLocation window(this);
    if (window.ShowModal() != mrOk)
        return;
    AdjustPosition(TAdjustPosMode(window.Mode()));
}

void TfrmLayout::AdjustPosition(TAdjustPosMode mode) {
    TRect outer = faceInfo_.GetOuterRect();
    // The face's outer shape in page coordinates.
    const QRegion face = faceInfo_.CreateRegion(nullptr, false).translated(-outer.Left, -outer.Top);
    const TPoint pageCentre(DrawSite1->LogWidth() / 2, DrawSite1->LogHeight() / 2);
    RecordChanges(QStringLiteral("設定変更"), SelectedOf<TLabelObject>(), [&](TLabelObject* object) {
        const TRect bounds = EncloseRect(object);
        if (mode == apPerpendicular || mode == apParallel) {
            if (TIntf<IDORotate> rotate = Supports<IDORotate>(static_cast<TObject*>(object))) {
                const TPoint centre(int((int64_t(bounds.Left) + bounds.Right) / 2),
                                    int((int64_t(bounds.Top) + bounds.Bottom) / 2));
                rotate->SetAngle(PageCentreAngle(centre, pageCentre, mode));
            }
            return;
        }
        const TPoint offset =
            AdjustPosOffset(face, bounds, mode, DrawSite1->LogWidth(), DrawSite1->LogHeight());
        if (offset.X != 0 || offset.Y != 0)
            if (TIntf<IDOEncloseBounds> enclose = Supports<IDOEncloseBounds>(static_cast<TObject*>(object)))
                enclose->MoveBy(offset.X, offset.Y);
    });
}

void TfrmLayout::EditPositionProperty() {
    const std::vector<TLabelObject*> objects = SelectedOf<TLabelObject>();
    if (!document_ || objects.size() != 1 || !SelectedOf<TDOGroup>().empty())
        return;
    TfrmPositionProperty window(this);
    window.LoadFrom(objects.front());
    if (window.ShowModal() != mrOk)
        return;
    RecordChanges(QStringLiteral("位置・サイズ変更"), objects,
                  [&](TLabelObject* object) { window.StoreTo(object); });
}

void TfrmLayout::ResizePhotos(const std::vector<TLOAlbumPhoto*>& photos, int w, int h) {
    RecordChanges(kPhotoSizeUndo, photos, [&](TLOAlbumPhoto* photo) {
        photo->SetWidth(w);
        photo->SetHeight(h);
    });
}

void TfrmLayout::RegistDefPhotoSize() {
    const std::vector<TLOAlbumPhoto*> photos = SelectedOf<TLOAlbumPhoto>();
    if (photos.size() != 1)
        return;
    DefPhotoWidth = photos.front()->LogWidth();
    DefPhotoHeight = photos.front()->LogHeight();
    UpdateRegistCaption();
}

void TfrmLayout::ChangeDefPhotoSize() {
    if (DefPhotoWidth < 1 || DefPhotoHeight < 1)
        return;
    ResizePhotos(SelectedOf<TLOAlbumPhoto>(), DefPhotoWidth, DefPhotoHeight);
}

void TfrmLayout::SamePhotoSize() {
    std::vector<TLOAlbumPhoto*> photos = SelectedOf<TLOAlbumPhoto>();
    if (photos.size() < 2)
        return;
    const TLOAlbumPhoto* first = photos.front();
    const int w = first->LogWidth();
    const int h = first->LogHeight();
    photos.erase(photos.begin());
    ResizePhotos(photos, w, h);
}

void TfrmLayout::DetailsPhotoSize() {
    const std::vector<TLOAlbumPhoto*> photos = SelectedOf<TLOAlbumPhoto>();
    if (photos.empty())
        return;
    TfrmPhotoSize window(this);
    window.SetStandardSize(DefPhotoWidth, DefPhotoHeight);
    window.SetSize(photos.front()->LogWidth(), photos.front()->LogHeight());
    if (window.ShowModal() != mrOk)
        return;
    int w = 0;
    int h = 0;
    window.GetSize(w, h);
    if (w >= 1 && h >= 1)
        ResizePhotos(photos, w, h);
}

void TfrmLayout::PhotoFullSize() {
    const std::vector<TLOAlbumPhoto*> photos = SelectedOf<TLOAlbumPhoto>();
    if (photos.size() != 1)
        return;
    RecordChanges(kPhotoSizeUndo, photos, [this](TLOAlbumPhoto* photo) {
        photo->SetLogRect(TRect(0, 0, DrawSite1->LogWidth(), DrawSite1->LogHeight()));
        photo->SetFitOuter(true);
    });
}

// ---- the text panel for a clicked text

void TfrmLayout::EnterTextMemo() {
    if (EditModeOf(EditPanel()) != emText)
        actModeText->trigger();
    if (auto* panel = dynamic_cast<TfrmAMText*>(EditPanel()))
        panel->EnterMemo(false);
}

void TfrmLayout::ShowTextPanelForClickedText() {
    // A text the user picks alone is edited in the 文字 panel: bring it, as a double-click would.
    TDOList selected;
    DrawSite1->ListObjects(selected, true);
    if (selected.Count() != 1 || EditModeForObject(selected.Items(0)) != emText)
        return;
    if (EditModeOf(EditPanel()) != emText)
        EditObjectProperty(selected.Items(0));
}

// ---- album commands

void TfrmLayout::MakeAlbumActions(QHBoxLayout* pagePanel) {
    const auto command = [this](const char* name, const QString& caption, auto run) {
        auto* action = new QAction(caption, this);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, run);
        addAction(action);
        return action;
    };
    actPhotoInsert =
        command("actPhotoInsert", QStringLiteral("写真枠挿入+順送り"), [this] { PhotoInsert(); });
    actPhotoDelete = command("actPhotoDelete", QStringLiteral("写真枠削除+詰め"), [this] { PhotoDelete(); });
    actPhotoSetMulti = command("actPhotoSetMulti", QStringLiteral("一括貼込"), [this] { PhotoSetMulti(); });
    actPhotoAdjustAll =
        command("actPhotoAdjustAll", QStringLiteral("一括自動調整(&A)..."), [this] { PhotoAdjustAll(); });
    actCoverFront =
        command("actCoverFront", QStringLiteral("表表紙の作成(&F)..."), [this] { ApplyCover(true); });
    actCoverBack =
        command("actCoverBack", QStringLiteral("裏表紙の作成(&B)..."), [this] { ApplyCover(false); });
    actCoverPhoto =
        command("actCoverPhoto", QStringLiteral("表紙用写真の作成(&C)..."), [this] { CoverPhoto(); });
    const auto button = [this, pagePanel](const char* name, QAction* action) {
        auto* b = new QToolButton(this);
        b->setObjectName(QLatin1String(name));
        b->setDefaultAction(action);
        b->setText(RemoveMenuMarks(action->text()));
        connect(action, &QAction::changed, b, [b, action] { b->setText(RemoveMenuMarks(action->text())); });
        pagePanel->addWidget(b);
        return b;
    };
    btnFrontCover = button("btnFrontCover", actCoverFront);
    btnBackCover = button("btnBackCover", actCoverBack);
}

bool TfrmLayout::IsAlbumDocument() const {
    if (!document_)
        return false;
    // An album refill binds on a strip or is painted whole; a document that has a cover already
    // keeps its cover commands whatever its paper.
    if (document_->FrontCover || document_->BackCover)
        return true;
    const TExAlbumInfo* album = document_->GetPaperExtraAlbum();
    return album != nullptr && (album->LeftMargin() > 0 || album->FullPaint);
}

void TfrmLayout::UpdateAlbumActions() {
    // Covers belong to albums: a label sheet's editor does not offer them.
    const bool album = IsAlbumDocument();
    for (QAction* action : {actCoverFront, actCoverBack, actCoverPhoto})
        action->setVisible(album);
    btnFrontCover->setVisible(album);
    btnBackCover->setVisible(album);
    const bool inner = document_ && document_->CurrentSheetNo() >= kFirstInnerSheet;
    actPhotoInsert->setEnabled(inner);
    actPhotoDelete->setEnabled(inner);
    actPhotoSetMulti->setEnabled(inner && PhotoPanel() != nullptr);
    actPhotoAdjustAll->setEnabled(document_ != nullptr);
    actCoverFront->setEnabled(document_ != nullptr);
    actCoverBack->setEnabled(document_ != nullptr);
    const int sheet = document_ ? document_->CurrentSheetNo() : -1;
    const bool cover = document_ && ((sheet == kFrontCoverSheet && document_->FrontCover) ||
                                     (sheet == kBackCoverSheet && document_->BackCover));
    actCoverPhoto->setEnabled(cover && PhotoPanel() != nullptr && SelectedCoverFrame() != nullptr);
}

TfrmAMPhoto* TfrmLayout::PhotoPanel() const {
    return dynamic_cast<TfrmAMPhoto*>(EditPanel());
}

TLOAlbumPhoto* TfrmLayout::SelectedCoverFrame() const {
    TDOList selected;
    DrawSite1->ListObjects(selected, true);
    const auto photos = std::count_if(selected.begin(), selected.end(), [](TDrawObject* object) {
        return dynamic_cast<TLOAlbumPhoto*>(object) != nullptr;
    });
    if (photos != 1)
        return nullptr;
    for (TDrawObject* object : selected)
        if (auto* photo = dynamic_cast<TLOAlbumPhoto*>(object))
            return photo;
    return nullptr;
}

TAlbumFuncContext TfrmLayout::MakeAlbumContext() {
    TAlbumFuncContext context;
    context.Site = DrawSite1;
    context.Document = document_;
    context.StorePage = [this] { StorePage(); };
    context.LoadPage = [this] { LoadPage(); };
    context.AddPage = [this] { AddPage(); };
    context.GoToPage = [this](int sheet) { GoToPage(sheet); };
    context.CopyPageFrames = [this](int sheet) { CopyPageFrames(sheet); };
    context.ProcessMessages = [] { QApplication::processEvents(); };
    if (TfrmAMPhoto* photo = PhotoPanel()) {
        // The panel may go while events are processed.
        QPointer<TfrmAMPhoto> panel(photo);
        context.SelectedPhotoCount = [panel] { return panel ? panel->SelectedPhotoCount() : 0; };
        context.LoadSelectedPhoto = [panel](TLOAlbumPhoto* frame, int index) {
            if (panel)
                panel->LoadSelectedPhoto(frame, index);
        };
    }
    return context;
}

void TfrmLayout::RunAlbumFunction(const std::function<void(TAlbumFuncContext&)>& run, bool abortable) {
    if (!document_ || document_->CurrentSheetNo() < kFirstInnerSheet)
        return;
    CommitPage();
    GhostList().ClearGhosts();
    TModalPopup popup([](QWidget* owner) { return new TfrmWaiting(owner); }, this);
    auto* waiting = static_cast<TfrmWaiting*>(popup.Form());
    // A run that cannot be undone half way offers no abort.
    if (waiting && !abortable)
        waiting->btnAbort->hide();
    TSTDPhasedProgress progress(waiting ? waiting->ProgressBar1 : nullptr);
    TAlbumFuncContext context = MakeAlbumContext();
    context.Progress = &progress;
    context.Popup = waiting;
    run(context);
}

void TfrmLayout::PhotoInsert() {
    const int start = document_ ? document_->CurrentSheetNo() : -1;
    RunAlbumFunction([](TAlbumFuncContext& context) { AlbumFunc_InsertPhoto(context); }, true);
    GoToPage(start);
}

void TfrmLayout::PhotoDelete() {
    const int start = document_ ? document_->CurrentSheetNo() : -1;
    RunAlbumFunction([](TAlbumFuncContext& context) { AlbumFunc_DeletePhoto(context); }, false);
    GoToPage(start);
}

void TfrmLayout::PhotoSetMulti() {
    if (!document_)
        return;
    if (AlbumFunc_SitePhotosInReadingOrder(*DrawSite1).empty()) {
        AppMessageBox(NoPhotoFrameMessage(), {bkOK}, 0, 0);
        return;
    }
    RunAlbumFunction([](TAlbumFuncContext& context) { AlbumFunc_FillEmptyFrames(context); }, true);
}

void TfrmLayout::ApplyCover(bool front) {
    if (!document_)
        return;
    CommitPage();
    const int result = AlbumFunc_ApplyCoverTemplate(front, *document_, this);
    if (result == 1)
        document_->SetCurrentSheetNo(front ? kFrontCoverSheet : kBackCoverSheet);
    // The cover page is loaded afresh even when it was shown; after a removal the sheet the
    // cover left current is shown.
    if (result != 0)
        LoadPage();
}

void TfrmLayout::PhotoAdjustAll() {
    if (!document_)
        return;
    CommitPage();
    const int start = document_->CurrentSheetNo();
    TAINPicList list;
    QPointer<TfrmLayout> self(this);
    const bool collected = AlbumFunc_CollectPhotos(list, *document_, this, false);
    // The editor may have gone while the photos were collected.
    if (!self || !collected)
        return;
    bool saved = false;
    if (list.GetCount() == 0) {
        AppMessageBox(QStringLiteral("写真が一枚も設定されていません"), {bkOK}, 0, 0);
    } else {
        TfrmAutoImgNorm dialog(this);
        dialog.SetSource(&list);
        if (dialog.exec() == QDialog::Accepted && self) {
            AlbumFunc_SavePhotoFilters(list, *document_, this);
            saved = true;
        }
    }
    if (!self)
        return;
    if (saved || document_->CurrentSheetNo() != start) {
        document_->SetCurrentSheetNo(start);
        LoadPage();
    }
}

void TfrmLayout::CoverPhoto() {
    TLOAlbumPhoto* frame = SelectedCoverFrame();
    TfrmAMPhoto* panel = PhotoPanel();
    if (!document_ || frame == nullptr || panel == nullptr)
        return;
    CommitPage();
    const int start = document_->CurrentSheetNo();
    TfrmCoverPicture dialog(this);
    dialog.SetDocument(document_);
    dialog.SetPreview(*frame->GetPhotoPicture());
    const bool ok = dialog.exec() == QDialog::Accepted;
    document_->SetCurrentSheetNo(start);
    if (ok)
        panel->PlacePicture(&dialog.GetResult());
}
