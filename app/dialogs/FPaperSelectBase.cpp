#include "app/dialogs/FPaperSelectBase.h"

#include "app/USharedData.h"
#include "app/FModeBar.h"
#include "app/dialogs/FPaperSelectPanel.h"
#include "controls/UExButtons.h"
#include "controls/UFormPanel.h"
#include "core/UAppFrame.h"
#include "papers/UExtraPaperInfo.h"
#include "papers/ULabelData.h"
#include "papers/UPaperInfo.h"
#include "papers/UPapers.h"
#include "platform/Application.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// The sheet that receives the chosen paper.
constexpr int kPaperSheet = 2;

// Any page on any sheet and face: replacing the paper would drop or misplace it.
bool HoldsPages(TLabelData& document) {
    const int current = document.CurrentSheetNo();
    bool found = false;
    for (int sheet = 0; sheet < document.GetSheetCount() && !found; ++sheet) {
        document.SetCurrentSheetNo(sheet);
        const TPaperInfo* paper = document.GetPaperInfo();
        const int faces = paper ? paper->GetFaceCount() : 0;
        for (int face = 0; face < std::max(faces, 1) && !found; ++face)
            found = document.HasLabelData(face);
    }
    document.SetCurrentSheetNo(current);
    return found;
}

// The data module's paper database; null without one.
TPapersV2* PaperStore() {
    ISharedData* data = sharedData();
    return data ? data->Papers() : nullptr;
}

} // namespace

QString NoPaperStoreText() {
    return QStringLiteral("用紙情報が読み込まれていないため、用紙を選択できません");
}

TfrmPaperSelectBase::TfrmPaperSelectBase(IAppHost* host) : QWidget(host->HostWindow()), host_(host) {
    setObjectName(QStringLiteral("frmPaperSelectBase"));
    setProperty("HelpContext", 8006);
    setAutoFillBackground(true);
    const TModeFormColumn column =
        BuildModeFormColumn(this, host, TframeModeBarEx::kStepEdit, TframeModeBarEx::kStepPaper);
    tbMenu = column.tbMenu;
    frameModeBar1 = column.frameModeBar1;
    FormPanel1 = column.FormPanel1;
    mnuEditPaper = new QMenu(this);
    mnuEditPaper->setObjectName(QStringLiteral("mnuEditPaper"));
    mnuNewPaper = mnuEditPaper->addAction(QStringLiteral("新規用紙登録(&N)"));
    mnuEditPaper->addSeparator();
    mnuEditPaperItem = mnuEditPaper->addAction(QStringLiteral("用紙編集(&E)"));
    mnuDeletePaper = mnuEditPaper->addAction(QStringLiteral("用紙削除(&D)"));
    btnFileMenu = AddMenuButton(tbMenu, "btnFileMenu", QStringLiteral("ファイル(&F)"), host->FileMenu());
    btnEditMenu = AddMenuButton(tbMenu, "btnEditMenu", QStringLiteral("用紙編集(&E)"), mnuEditPaper);
    btnHelpMenu = AddMenuButton(tbMenu, "btnHelpMenu", QStringLiteral("ヘルプ(&H)"), host->HelpMenu());
    // The edit step goes on through the accepted paper, not straight to the editor.
    disconnect(frameModeBar1->btnEdit, &QAbstractButton::clicked, frameModeBar1, nullptr);
    connect(frameModeBar1->btnEdit, &QAbstractButton::clicked, this, [this] {
        bool done = false;
        TApplication::Guard(nullptr, [&] { done = ReturnUnchanged() || GoToLayout(); });
        if (!done)
            frameModeBar1->SetCurrentStep(TframeModeBarEx::kStepPaper);
    });

    actNext = new QAction(this);
    actNext->setObjectName(QStringLiteral("actNext"));
    connect(actNext, &QAction::triggered, this,
            [this] { TApplication::Guard(nullptr, [&] { GoToLayout(); }); });

    TPapersV2* papers = PaperStore();
    if (papers == nullptr) {
        // Nothing to choose from: the form says so, and neither the edit step nor the paper
        // commands go anywhere.
        auto* missing = new QLabel(NoPaperStoreText(), this);
        missing->setObjectName(QStringLiteral("lblNoPapers"));
        missing->setAlignment(Qt::AlignCenter);
        FormPanel1->SetForm(missing);
        frameModeBar1->SetStepEnabled(TframeModeBarEx::kStepEdit, false);
        mnuEditPaper->setEnabled(false);
        btnEditMenu->setEnabled(false);
        return;
    }
    panel_ = new TfrmPaperSelectPanel(*papers, this);
    FormPanel1->SetForm(panel_);
    panel_->NextAction = actNext;
    panel_->SetDocument(host->Document());
    const auto followOK = [this] {
        frameModeBar1->SetStepEnabled(TframeModeBarEx::kStepEdit, panel_->actOK->isEnabled());
    };
    connect(panel_->actOK, &QAction::changed, this, followOK);
    followOK();

    connect(mnuNewPaper, &QAction::triggered, panel_->btnNewPaper, &QPushButton::click);
    connect(mnuEditPaperItem, &QAction::triggered, panel_->btnEditPaper, &QPushButton::click);
    connect(mnuDeletePaper, &QAction::triggered, panel_->btnDeletePaper, &QPushButton::click);
    connect(mnuEditPaper, &QMenu::aboutToShow, this, [this] {
        mnuNewPaper->setEnabled(panel_->btnNewPaper->isEnabled());
        mnuEditPaperItem->setEnabled(panel_->btnEditPaper->isEnabled());
        mnuDeletePaper->setEnabled(panel_->btnDeletePaper->isEnabled());
    });
}

void TfrmPaperSelectBase::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    if (!panel_)
        return;
    // The paper of the document the editor left, else of the new one.
    TLabelData* document = host_->LeftDocument() ? host_->LeftDocument() : host_->Document();
    panel_->SelectPaper(document ? document->GetPaperInfo() : nullptr);
    shownChoice_ = CurrentChoice();
    if (panel_->lvPaper->isEnabled())
        panel_->lvPaper->setFocus();
}

void TfrmPaperSelectBase::UpdatePanelButtons() {
    if (panel_)
        panel_->UpdateButtons();
}

void TfrmPaperSelectBase::ResetPapers() {
    if (panel_)
        panel_->actResetPapers->trigger();
}

bool TfrmPaperSelectBase::Fix() {
    // Checked before the save question: without the database the paper cannot be put in.
    TPapersV2* store = PaperStore();
    if (store == nullptr) {
        AppMessageBox(NoPaperStoreText(), {bkOK}, 0, 0);
        return false;
    }
    TPapersV2& papers = *store;
    std::unique_ptr<TPaperInfo> paper = panel_->CopySelectedPaper();
    if (!paper)
        return false;
    TLabelData* document = host_->Document();
    if (document && HoldsPages(*document)) {
        // The save question decides; a cancel keeps the document and the paper step.
        if (!host_->NewDocument())
            return false;
        document = host_->Document();
    }
    if (!document)
        return false;
    document->SetCurrentSheetNo(kPaperSheet);
    // The new paper's frames are made on the page's first visit, whatever the old paper's page did.
    document->FaceInit = false;
    document->FaceModified = false;
    document->ChangePaperInfo(*paper);
    document->SeparatelyDesign = panel_->DesignSeparately();
    const auto extra = papers.GetExtraInfo(QStringLiteral("ExtraInfos"), paper->PaperName);
    const auto images = papers.GetExtraInfo(QStringLiteral("PaperImages"), paper->PaperName);
    const auto album = papers.GetExtraInfo(QStringLiteral("ExtraAlbumInfo"), paper->PaperName);
    document->SetPaperExtraInfo(dynamic_cast<const TExPaperInfo*>(extra.get()));
    document->SetPaperImageInfo(dynamic_cast<const TImagePaperInfo*>(images.get()));
    document->SetPaperExtraAlbum(dynamic_cast<const TExAlbumInfo*>(album.get()));
    const TFaceSides sides[] = {fsFront, fsBack, fsBoth};
    document->FaceSides = sides[panel_->GetFaceSide()];
    document->SetModified(false);
    host_->Action(haPaperInfoToPrinter)->trigger();
    return true;
}

QString TfrmPaperSelectBase::CurrentChoice() const {
    if (!panel_)
        return {};
    const std::unique_ptr<TPaperInfo> paper = panel_->CopySelectedPaper();
    if (!paper)
        return {};
    return QStringLiteral("%1|%2|%3").arg(paper->PaperName).arg(paper->Landscape).arg(panel_->GetFaceSide());
}

bool TfrmPaperSelectBase::ReturnUnchanged() {
    // The edit step with the left document's paper as it was shown: nothing was chosen, so the
    // editor goes back to that document instead of a new one.
    if (!host_->LeftDocument() || CurrentChoice() != shownChoice_ || !host_->ReturnToLeftDocument())
        return false;
    host_->Action(haLayout)->trigger();
    return true;
}

bool TfrmPaperSelectBase::GoToLayout() {
    if (!panel_) {
        AppMessageBox(NoPaperStoreText(), {bkOK}, 0, 0);
        return false;
    }
    panel_->actFix->trigger();
    if (!panel_->Accepted() || !Fix())
        return false;
    host_->Action(haLayout)->trigger();
    return true;
}

