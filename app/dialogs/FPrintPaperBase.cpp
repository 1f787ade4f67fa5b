#include "app/dialogs/FPrintPaperBase.h"

#include "app/FModeBar.h"
#include "app/dialogs/FPrintPaperPanel.h"
#include "controls/UFormPanel.h"
#include "imaging/UImagePack.h"

#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

TfrmPrintPaperBase::TfrmPrintPaperBase(TfrmMain* main) : QWidget(main) {
    setObjectName(QStringLiteral("frmPrintPaperBase"));
    setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    tbMenu = new QToolBar(this);
    tbMenu->setObjectName(QStringLiteral("tbMenu"));
    const auto menuButton = [this](const char* name, const QString& text, QMenu* menu) {
        auto* button = new QToolButton(tbMenu);
        button->setObjectName(QString::fromLatin1(name));
        button->setText(text);
        button->setMenu(menu);
        button->setPopupMode(QToolButton::InstantPopup);
        tbMenu->addWidget(button);
        return button;
    };
    btnFileMenu = menuButton("btnFileMenu", QStringLiteral("ファイル(&F)"), main->popupFile);
    btnHelpMenu = menuButton("btnHelpMenu", QStringLiteral("ヘルプ(&H)"), main->popupHelp);
    layout->addWidget(tbMenu);
    frameModeBar1 = new TframeModeBarEx(this);
    layout->addWidget(frameModeBar1);
    frameModeBar1->DisableSteps();
    for (int step = TframeModeBarEx::kStepStart; step <= TframeModeBarEx::kStepSaveTo; ++step)
        frameModeBar1->SetStepEnabled(step, true);
    frameModeBar1->SetCurrentStep(TframeModeBarEx::kStepPrintSheet);
    FormPanel1 = new TFormPanel(this);
    FormPanel1->setObjectName(QStringLiteral("FormPanel1"));
    layout->addWidget(FormPanel1, 1);
    panel_ = new TfrmPrintPaperPanel(main->Document(), this);
    FormPanel1->SetForm(panel_);
}

void TfrmPrintPaperBase::DetachDocument() {
    panel_->MarkDocumentGone();
}

void TfrmPrintPaperBase::RefreshPreview() {
    panel_->CustomImagePack1->Refresh();
}

void RegisterPrintMode() {
    RegisterModeForm(mkPrint, [](TfrmMain* main) { return new TfrmPrintPaperBase(main); });
}
