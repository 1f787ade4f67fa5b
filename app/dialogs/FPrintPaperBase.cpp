#include "app/dialogs/FPrintPaperBase.h"

#include "app/FModeBar.h"
#include "app/dialogs/FPrintPaperPanel.h"
#include "controls/UFormPanel.h"
#include "imaging/UImagePack.h"

#include <QAction>

TfrmPrintPaperBase::TfrmPrintPaperBase(IAppHost* host) : QWidget(host->HostWindow()) {
    setObjectName(QStringLiteral("frmPrintPaperBase"));
    setAutoFillBackground(true);
    const TModeFormColumn column =
        BuildModeFormColumn(this, host, TframeModeBarEx::kStepSaveTo, TframeModeBarEx::kStepPrintSheet);
    tbMenu = column.tbMenu;
    frameModeBar1 = column.frameModeBar1;
    FormPanel1 = column.FormPanel1;
    btnFileMenu = AddMenuButton(tbMenu, "btnFileMenu", QStringLiteral("ファイル(&F)"), host->FileMenu());
    btnHelpMenu = AddMenuButton(tbMenu, "btnHelpMenu", QStringLiteral("ヘルプ(&H)"), host->HelpMenu());
    panel_ = new TfrmPrintPaperPanel(host->Document(), this, host);
    FormPanel1->SetForm(panel_);
}

void TfrmPrintPaperBase::DetachDocument() {
    panel_->MarkDocumentGone();
}

void TfrmPrintPaperBase::RefreshPreview() {
    panel_->CustomImagePack1->Refresh();
}

void TfrmPrintPaperBase::OpenPrintDialog() {
    panel_->actPrintStart->trigger();
}
