#include "app/FStartMenu.h"

#include "app/FModeBar.h"
#include "app/UModeRegistry.h"
#include "controls/UBitmapButton.h"
#include "controls/UExButtons.h"
#include "controls/UFormPanel.h"
#include "controls/UImageEx.h"
#include "imaging/UImagePack.h"
#include "platform/Application.h"

#include <QAction>
#include <QHBoxLayout>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Faces of a big button in its pack: up, down, disabled, hot.
constexpr int kFaceCells = 4;
constexpr int kFaceDown = 1;
constexpr int kFaceDisabled = 2;
constexpr int kFaceHot = 3;
constexpr int kLogoWidth = 560;
constexpr int kLogoHeight = 160;
constexpr int kButtonWidth = 200;
constexpr int kButtonHeight = 64;

void SetFaces(TBitmapButton* button, TImagePack* pack, int first) {
    button->SetImagePack(pack);
    TButtonIndex& index = button->ImageIndex();
    index.SetUp(first);
    index.SetDown(first + kFaceDown);
    index.SetPush(first + kFaceDown);
    index.SetDisable(first + kFaceDisabled);
    index.SetHot(first + kFaceHot);
    index.SetDownHot(first + kFaceDown);
    button->setFixedSize(kButtonWidth, kButtonHeight);
}

} // namespace

// ---- inner form

TfrmStartMenu::TfrmStartMenu(QWidget* parent)
    : QWidget(parent), packs_(std::make_unique<TComponent>(nullptr)) {
    setObjectName(QStringLiteral("frmStartMenu"));
    // Hosted forms paint their own background: the form panel under them does not.
    setAutoFillBackground(true);
    TMatrixImagePack* logo = CreateResourcePack(packs_.get(), QStringLiteral("ipLogoStart"), 1);
    TMatrixImagePack* newFaces = CreateResourcePack(packs_.get(), QStringLiteral("mipNew"), kFaceCells);
    TMatrixImagePack* openExit =
        CreateResourcePack(packs_.get(), QStringLiteral("mipOpenExit"), 2 * kFaceCells);
    auto* layout = new QVBoxLayout(this);
    layout->addStretch(1);
    imgLogoStart = new TImageEx(this);
    imgLogoStart->setObjectName(QStringLiteral("imgLogoStart"));
    imgLogoStart->SetImagePack(logo);
    imgLogoStart->setFixedSize(kLogoWidth, kLogoHeight);
    layout->addWidget(imgLogoStart, 0, Qt::AlignHCenter);
    layout->addSpacing(24);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    btnNew = new TBitmapButton(this);
    btnNew->setObjectName(QStringLiteral("btnNew"));
    SetFaces(btnNew, newFaces, 0);
    btnOpen = new TBitmapButton(this);
    btnOpen->setObjectName(QStringLiteral("btnOpen"));
    SetFaces(btnOpen, openExit, 0);
    btnExit = new TBitmapButton(this);
    btnExit->setObjectName(QStringLiteral("btnExit"));
    SetFaces(btnExit, openExit, kFaceCells);
    for (TBitmapButton* button : {btnNew, btnOpen, btnExit}) {
        row->addWidget(button);
        row->addSpacing(16);
    }
    row->addStretch(1);
    layout->addLayout(row);
    layout->addStretch(2);
    connect(btnNew, &QAbstractButton::clicked, this, [this] {
        if (NewAction)
            NewAction->trigger();
    });
    connect(btnOpen, &QAbstractButton::clicked, this, [this] {
        if (OpenAction)
            OpenAction->trigger();
    });
    connect(btnExit, &QAbstractButton::clicked, this, [this] {
        if (ExitAction)
            ExitAction->trigger();
    });
}

TfrmStartMenu::~TfrmStartMenu() {
    // The controls let go of the packs before the packs go.
    for (TBitmapButton* button : {btnNew, btnOpen, btnExit})
        button->SetImagePack(nullptr);
    imgLogoStart->SetImagePack(nullptr);
}

// ---- base form

TfrmStartMenuBase::TfrmStartMenuBase(IAppHost* host) : QWidget(host->HostWindow()) {
    setObjectName(QStringLiteral("frmStartMenuBase"));
    setProperty("HelpContext", 5012);
    setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* top = new QWidget(this);
    top->setObjectName(QStringLiteral("pnlTop"));
    auto* topLayout = new QVBoxLayout(top);
    topLayout->setContentsMargins(0, 0, 0, 0);
    topLayout->setSpacing(0);
    tbMenu = new QToolBar(top);
    tbMenu->setObjectName(QStringLiteral("tbMenu"));
    btnFileMenu = AddMenuButton(tbMenu, "btnFileMenu", QStringLiteral("ファイル(&F)"), host->FileMenu());
    btnHelpMenu = AddMenuButton(tbMenu, "btnHelpMenu", QStringLiteral("ヘルプ(&H)"), host->HelpMenu());
    topLayout->addWidget(tbMenu);
    frameModeBar1 = new TframeModeBarEx(top, host);
    topLayout->addWidget(frameModeBar1);
    layout->addWidget(top);

    frameModeBar1->DisableSteps();
    frameModeBar1->SetStepEnabled(TframeModeBarEx::kStepStart, true);
    frameModeBar1->SetStepEnabled(TframeModeBarEx::kStepPaper, IsModeFormRegistered(mkPaper));
    frameModeBar1->SetCurrentStep(TframeModeBarEx::kStepStart);

    FormPanel1 = new TFormPanel(this);
    FormPanel1->setObjectName(QStringLiteral("FormPanel1"));
    layout->addWidget(FormPanel1, 1);

    actNew = new QAction(this);
    actNew->setObjectName(QStringLiteral("actNew"));
    actOpen = new QAction(this);
    actOpen->setObjectName(QStringLiteral("actOpen"));
    actExit = new QAction(this);
    actExit->setObjectName(QStringLiteral("actExit"));
    connect(actNew, &QAction::triggered, this, [this, host] {
        // A new document goes through paper selection; until that exists, straight to the editor.
        if (IsModeFormRegistered(mkPaper))
            frameModeBar1->btnPaper->click();
        else
            host->Action(haNew)->trigger();
    });
    connect(actOpen, &QAction::triggered, host->Action(haOpen), &QAction::trigger);
    connect(actExit, &QAction::triggered, host->Action(haExit), &QAction::trigger);
    actNew->setEnabled(host->Action(haNew)->isEnabled());

    inner_ = new TfrmStartMenu(this);
    FormPanel1->SetForm(inner_);
    inner_->NewAction = actNew;
    inner_->OpenAction = actOpen;
    inner_->ExitAction = actExit;
    inner_->btnNew->setEnabled(actNew->isEnabled());
}

