#include "app/dialogs/FPrintPaperBase.h"

#include "app/FMain.h"
#include "app/FModeBar.h"
#include "app/dialogs/FPrintPaperPanel.h"
#include "controls/UFormPanel.h"
#include "imaging/UImagePack.h"

TfrmPrintPaperBase::TfrmPrintPaperBase(TfrmMain* main) : QWidget(main) {
    setObjectName(QStringLiteral("frmPrintPaperBase"));
    setAutoFillBackground(true);
    const TModeFormColumn column =
        BuildModeFormColumn(this, TframeModeBarEx::kStepSaveTo, TframeModeBarEx::kStepPrintSheet);
    tbMenu = column.tbMenu;
    frameModeBar1 = column.frameModeBar1;
    FormPanel1 = column.FormPanel1;
    btnFileMenu = AddMenuButton(tbMenu, "btnFileMenu", QStringLiteral("ファイル(&F)"), main->popupFile);
    btnHelpMenu = AddMenuButton(tbMenu, "btnHelpMenu", QStringLiteral("ヘルプ(&H)"), main->popupHelp);
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
