#include "app/dialogs/FSelectFrame.h"

#include "app/dialogs/FFrameBrowser.h"
#include "app/dialogs/FImageBrowser.h"
#include "app/dialogs/UHostDialog.h"
#include "app/dialogs/UThumbGrid.h"
#include "controls/UFormPanel.h"
#include "core/UAppUtil.h"

#include <QAction>
#include <QHBoxLayout>
#include <QPushButton>

TfrmSelectFrame::TfrmSelectFrame(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSelectFrame"));
    setWindowTitle(QStringLiteral("フレームの選択"));
    setProperty("HelpContext", kHelpContext);
    const THostDialogFrame frame = BuildHostDialogFrame(this, QStringLiteral("pnlBase"));
    pnlBase = frame.Base;
    FormPanel1 = frame.FormPanel;
    btnOk = frame.Ok;
    btnCancel = frame.Cancel;
    pnlHelp = frame.HelpPanel;
    btnHelp = frame.Help;
    StatusBar1 = frame.StatusBar;
    btnClear = new QPushButton(QStringLiteral("フレームなし"), this);
    btnClear->setObjectName(QStringLiteral("btnClear"));
    frame.Buttons->insertWidget(0, btnClear);
    actOK = new QAction(QStringLiteral("OK"), this);
    actOK->setObjectName(QStringLiteral("actOK"));

    browser_ = new TfrmFrameBrowser(FormPanel1);
    FormPanel1->SetForm(browser_);
    browser_->SetDblClickAction(actOK);

    connect(btnOk, &QPushButton::clicked, actOK, &QAction::trigger);
    connect(actOK, &QAction::triggered, this, [this] {
        if (actOK->isEnabled() && browser_->HasSelection())
            accept();
    });
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
