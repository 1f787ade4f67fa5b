#include "app/dialogs/FSelectFrame.h"

#include "app/dialogs/FFrameBrowser.h"
#include "app/dialogs/FImageBrowser.h"
#include "app/dialogs/UThumbGrid.h"
#include "controls/UFormPanel.h"
#include "core/UAppUtil.h"

#include <QAction>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

TfrmSelectFrame::TfrmSelectFrame(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSelectFrame"));
    setWindowTitle(QStringLiteral("フレームの選択"));
    setProperty("HelpContext", kHelpContext);
    auto* layout = new QVBoxLayout(this);
    pnlBase = new QWidget(this);
    pnlBase->setObjectName(QStringLiteral("pnlBase"));
    auto* baseLayout = new QVBoxLayout(pnlBase);
    baseLayout->setContentsMargins(0, 0, 0, 0);
    FormPanel1 = new TFormPanel(pnlBase);
    FormPanel1->setObjectName(QStringLiteral("FormPanel1"));
    baseLayout->addWidget(FormPanel1);
    layout->addWidget(pnlBase, 1);

    auto* buttons = new QHBoxLayout;
    actOK = new QAction(QStringLiteral("OK"), this);
    actOK->setObjectName(QStringLiteral("actOK"));
    btnOk = new QPushButton(QStringLiteral("OK"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnClear = new QPushButton(QStringLiteral("フレームなし"), this);
    btnClear->setObjectName(QStringLiteral("btnClear"));
    pnlHelp = new QWidget(this);
    pnlHelp->setObjectName(QStringLiteral("pnlHelp"));
    auto* helpLayout = new QHBoxLayout(pnlHelp);
    helpLayout->setContentsMargins(0, 0, 0, 0);
    btnHelp = new QPushButton(QStringLiteral("ヘルプ"), pnlHelp);
    btnHelp->setObjectName(QStringLiteral("btnHelp"));
    btnHelp->setToolTip(QStringLiteral("この項目のヘルプを呼び出します"));
    helpLayout->addWidget(btnHelp);
    pnlHelp->hide();
    buttons->addWidget(btnClear);
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    buttons->addWidget(pnlHelp);
    layout->addLayout(buttons);
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    layout->addWidget(StatusBar1);

    browser_ = new TfrmFrameBrowser(FormPanel1);
    FormPanel1->SetForm(browser_);
    browser_->SetDblClickAction(actOK);

    connect(btnOk, &QPushButton::clicked, actOK, &QAction::trigger);
    connect(actOK, &QAction::triggered, this, [this] {
        if (actOK->isEnabled() && browser_->HasSelection())
            accept();
    });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnClear, &QPushButton::clicked, this, [this] {
        // OK without a frame: the caller removes the photo's frame.
        cleared_ = true;
        accept();
    });
    connect(browser_->Browser()->Grid(), &TThumbGrid::selectionChanged, this,
            &TfrmSelectFrame::UpdateActions);
    UpdateActions();
    SetupForm(this);
}

TfrmSelectFrame::~TfrmSelectFrame() = default;

void TfrmSelectFrame::UpdateActions() {
    const bool selected = browser_->HasSelection();
    actOK->setEnabled(selected);
    btnOk->setEnabled(selected);
}

QString TfrmSelectFrame::GetFrameFile() const {
    return cleared_ ? QString() : browser_->GetFrameFile();
}

QString TfrmSelectFrame::GetShadowFile() const {
    return browser_->GetShadowFile();
}

bool TfrmSelectFrame::IsAlphaFrame() const {
    return browser_->IsAlphaFrame();
}
