#include "app/dialogs/FCoverTemplate.h"

#include "app/dialogs/FImageBrowser.h"
#include "app/dialogs/FTemplate2.h"
#include "app/dialogs/FTemplateBrowser.h"
#include "app/dialogs/UThumbGrid.h"
#include "controls/UFormPanel.h"
#include "core/UAppUtil.h"
#include "pageobjects/engine/UDrawSite.h"
#include "papers/ULabelData.h"
#include "papers/UPaperInfo.h"
#include "platform/DialogService.h"

#include <QAction>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

TfrmCoverTemplate::TfrmCoverTemplate(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmCoverTemplate"));
    setWindowTitle(QStringLiteral("表紙デザインの選択"));
    setProperty("HelpContext", kHelpContext);
    setMinimumSize(kMinWidth, kMinHeight);
    auto* layout = new QVBoxLayout(this);
    FormPanel1 = new TFormPanel(this);
    FormPanel1->setObjectName(QStringLiteral("FormPanel1"));
    layout->addWidget(FormPanel1, 1);
    auto* buttons = new QHBoxLayout;
    actOK = new QAction(QStringLiteral("OK"), this);
    actOK->setObjectName(QStringLiteral("actOK"));
    btnOk = new QPushButton(QStringLiteral("OK"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnDelete = new QPushButton(QStringLiteral("表紙削除"), this);
    btnDelete->setObjectName(QStringLiteral("btnDelete"));
    btnDelete->hide();
    pnlHelp = new QWidget(this);
    pnlHelp->setObjectName(QStringLiteral("pnlHelp"));
    auto* helpLayout = new QHBoxLayout(pnlHelp);
    helpLayout->setContentsMargins(0, 0, 0, 0);
    btnHelp = new QPushButton(QStringLiteral("ヘルプ"), pnlHelp);
    btnHelp->setObjectName(QStringLiteral("btnHelp"));
    helpLayout->addWidget(btnHelp);
    pnlHelp->hide();
    buttons->addWidget(btnDelete);
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    buttons->addWidget(pnlHelp);
    layout->addLayout(buttons);

    browser_ = new TfrmTemplateBrowser(FormPanel1);
    FormPanel1->SetForm(browser_);
    browser_->SetDblClickAction(actOK);
    const std::optional<TTemplateInfo>& last = LastTemplate();
    if (last && !last->FileName.isEmpty() && !last->WholeFile)
        browser_->SetInitialSelection(*last);

    connect(btnOk, &QPushButton::clicked, actOK, &QAction::trigger);
    connect(actOK, &QAction::triggered, this, [this] {
        if (browser_->HasSelection())
            accept();
    });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnDelete, &QPushButton::clicked, this, [this] { done(mrYes); });
    connect(browser_->Browser()->Grid(), &TThumbGrid::selectionChanged, this,
            &TfrmCoverTemplate::UpdateActions);
    UpdateActions();
    SetupForm(this);
}

TfrmCoverTemplate::~TfrmCoverTemplate() = default;

std::optional<TTemplateInfo>& TfrmCoverTemplate::LastTemplate() {
    static std::optional<TTemplateInfo> last;
    return last;
}

void TfrmCoverTemplate::UpdateActions() {
    const bool selected = browser_->HasSelection();
    actOK->setEnabled(selected);
    btnOk->setEnabled(selected);
}

void TfrmCoverTemplate::SetFaceInfo(const TFaceInfo& face) {
    browser_->SetFaceInfo(face);
    faceSet_ = true;
}

void TfrmCoverTemplate::ShowDeleteButton() {
    btnDelete->show();
}

bool TfrmCoverTemplate::GetSelection(TOwnedDOList& objects, TRect& faceRect) {
    const std::optional<TTemplateInfo> selected = browser_->SelectedTemplate();
    if (!selected)
        return false;
    LastTemplate() = *selected;
    return LoadTemplatePage(*selected, objects, faceRect);
}
