#include "app/FAMIllust.h"

#include "app/UPanelAngle.h"
#include "app/UPanelPicture.h"
#include "app/dialogs/FIllustFileBrowser.h"
#include "app/dialogs/FImageBrowser.h"
#include "app/dialogs/FPluginImport.h"
#include "app/dialogs/FUserFileBrowser.h"
#include "controls/UFormPanel.h"
#include "controls/UImagePanel.h"
#include "controls/UNotePanel.h"
#include "controls/UTabbedPanel.h"
#include "core/USupportUtil.h"
#include "imaging/UImageData.h"
#include "imaging/UPictureEX.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "pageobjects/layout/ULOImage.h"

#include <QAction>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

namespace {

TLOImage* PlainPicture(TDrawObject* object) {
    if (dynamic_cast<TLOAlbumPhoto*>(object) != nullptr)
        return nullptr;
    return dynamic_cast<TLOImage*>(object);
}

} // namespace

TfrmAMIllust::TfrmAMIllust(QWidget* owner)
    : TEditModePanelBase(owner, "frmAMIllust"), default_(std::make_unique<TLOImage>(nullptr)),
      picture_(std::make_unique<TPanelPicture>()) {
    notePanel = AddTabbedPages({QStringLiteral("イラスト集"), QStringLiteral("ファイル"),
                                QStringLiteral("TWAIN"), QStringLiteral("設定")},
                               "notePanel");
    TFormPanel* illustHost = nullptr;
    TFormPanel* userHost = nullptr;
    pnlIllustFile = NewFormPage("pnlIllustFile", illustHost);
    pnlUserFile = NewFormPage("pnlUserFile", userHost);
    pnlTwain = NewTwainPage(ipTwain, btnTwain);

    pnlSetup = NewPage("pnlSetup");
    auto* setup = new QGridLayout(pnlSetup);
    setup->addWidget(new QLabel(QStringLiteral("回転"), pnlSetup), 0, 0, 1, 4);
    const TPanelAngle angle = MakePanelAngle(pnlSetup, setup, 1, kMaxAngle, [this] { RequestApply(); });
    btnAngle00 = angle.btnAngle00;
    btnAngle90 = angle.btnAngle90;
    btnAngle180 = angle.btnAngle180;
    btnAngle270 = angle.btnAngle270;
    edAngle = angle.edAngle;
    udAngle = angle.udAngle;
    setup->setRowStretch(3, 1);

    for (QWidget* page : {pnlIllustFile, pnlUserFile, pnlTwain, pnlSetup})
        notePanel->AddPage(page);

    btnPasteImage = AddPasteButton("btnPasteImage");

    CreateClickActions();
    illustBrowser_ = EmbedBrowser<TfrmIllustFileBrowser>(illustHost);
    userBrowser_ = EmbedBrowser<TfrmUserFileBrowser>(userHost);
    pluginImport_ = new TfrmPluginImprt(this);

    StartOnPage(pgIllustFile);
    // The scanner's page is a picture already; a file is loaded first (and named when it cannot be).
    const auto loaded = [this] {
        return TabbedPanel1->TabIndex() == pgTwain ? HasSource() : SourcePicture(true) != nullptr;
    };
    connect(actSingleClick, &QAction::triggered, this, [this, loaded] {
        if (HasSource() && CanApply() && loaded())
            RequestApply();
    });
    const auto paste = [this, loaded] {
        if (CanInsert() && loaded())
            RequestInsert();
    };
    // Not through the button: its enabled state waits for the idle after the tile was chosen.
    connect(actDoubleClick, &QAction::triggered, this, [this, paste] {
        if (!HasSource())
            return;
        if (picturesOnly_) {
            if (actSingleClick->isEnabled())
                actSingleClick->trigger();
        } else {
            paste();
        }
    });
    connect(btnPasteImage, &QPushButton::clicked, this, paste);
    SetRotationEnabled(false);
}

TfrmAMIllust::~TfrmAMIllust() = default;

void TfrmAMIllust::SetPage(int page) {
    illustBrowser_->Browser()->SelectAll(false);
    userBrowser_->Browser()->SelectAll(false);
    TEditModePanelBase::SetPage(page);
}

QString TfrmAMIllust::SourceFile() const {
    switch (TabbedPanel1->TabIndex()) {
    case pgIllustFile:
        return illustBrowser_->GetSelectedFileName();
    case pgUserFile:
        return userBrowser_->GetSelectedFileName();
    default:
        return {};
    }
}

bool TfrmAMIllust::HasSource() const {
    if (TabbedPanel1->TabIndex() == pgTwain)
        return !IsPictureEmpty(&ipTwain->Picture());
    return !SourceFile().isEmpty();
}

const TPictureEx* TfrmAMIllust::SourcePicture(bool loud) {
    return picture_->Get(this, SourceFile(), loud);
}

int TfrmAMIllust::InsertSource() const {
    if (TabbedPanel1->TabIndex() == pgIllustFile)
        return kInsertSourceOnePoint;
    if (TabbedPanel1->TabIndex() == pgTwain)
        return kInsertSourceTwain;
    return 0;
}

void TfrmAMIllust::SetRotationEnabled(bool value) {
    AngleControls().SetEnabled(value);
}

void TfrmAMIllust::ApplyChange(TDrawObject* object, bool replace) {
    TLOImage* image = PlainPicture(object);
    if (image == nullptr)
        return;
    const bool twain = TabbedPanel1->TabIndex() == pgTwain;
    if (replace)
        if (const TPicture* picture = twain ? &ipTwain->Picture() : SourcePicture(false)) {
            image->ImageData()->SetPicture(picture);
            if (!IsPictureEmpty(image->ImageData()->Picture())) {
                const bool onePoint = TabbedPanel1->TabIndex() == pgIllustFile;
                image->SetImageSource(onePoint ? isOnePoint : twain ? isTwain : isFile);
                if (onePoint)
                    image->ImageData()->SetTransparentColor(kOnePointTransparent);
                image->AdjustSizeToPicture();
            }
        }
    if (udAngle->isEnabled())
        image->SetAngle(udAngle->value());
}

void TfrmAMIllust::CopyStyle(TDrawObject* src, TDrawObject* dst) {
    TLOImage* from = PlainPicture(src);
    TLOImage* to = PlainPicture(dst);
    if (from && to)
        to->SetAngle(from->Angle());
}

void TfrmAMIllust::ShowObject(TDrawObject* object) {
    TLOImage* image = PlainPicture(object);
    if (image == nullptr || showing_)
        return;
    showing_ = true;
    AngleControls().Show(image->Angle());
    showing_ = false;
}

TDrawObject* TfrmAMIllust::DefaultTarget() const {
    return default_.get();
}

void TfrmAMIllust::InitNewObject(TDrawObject* object) {
    TLOImage* image = PlainPicture(object);
    // Only the panel's own paste places its picture: the scanner command scans anew even while the
    // scanner page still shows the last scan.
    ApplyChange(object, Inserting() && image != nullptr && IsPictureEmpty(image->ImageData()->Picture()));
}

void TfrmAMIllust::IdleUpdate(TDrawSite* site) {
    btnPasteImage->setEnabled(HasSource());
    picturesOnly_ = OnlySelected(site, [](TDrawObject* object) { return PlainPicture(object) != nullptr; });
    SetRotationEnabled(picturesOnly_);
}

TPanelAngle TfrmAMIllust::AngleControls() const {
    return {btnAngle00, btnAngle90, btnAngle180, btnAngle270, edAngle, udAngle};
}
