#include "app/FAMBackGround.h"

#include "app/UPanelPicture.h"

#include "app/dialogs/FBackFileBrowser.h"
#include "controls/UFormPanel.h"
#include "core/USupportUtil.h"
#include "imaging/UColorFill.h"
#include "imaging/UPictureEX.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/layout/ULOBackImage.h"

#include <QAction>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

TPicture* BackPicture(TLOBackImage* back) {
    return back->FillColor()->ImageData()->Picture();
}

} // namespace

TfrmAMBackGround::TfrmAMBackGround(QWidget* owner)
    : TEditModePanelBase(owner, "frmAMBackGround"), default_(std::make_unique<TLOBackImage>(nullptr)),
      picture_(std::make_unique<TPanelPicture>()) {
    fpnlBackImage = new TFormPanel(this);
    fpnlBackImage->setObjectName(QStringLiteral("fpnlBackImage"));
    PanelLayout()->addWidget(fpnlBackImage, 1);
    auto* buttons = new QHBoxLayout;
    btnPasteBackGround = AddPasteButton("btnPasteBackGround", buttons);
    btnDeleteBackGround = new QPushButton(QStringLiteral("削除 >>"), this);
    btnDeleteBackGround->setObjectName(QStringLiteral("btnDeleteBackGround"));
    btnDeleteBackGround->setCheckable(true);
    buttons->addStretch();
    buttons->addWidget(btnDeleteBackGround);
    PanelLayout()->addLayout(buttons);

    CreateClickActions();
    browser_ = EmbedBrowser<TfrmBackFileBrowser>(fpnlBackImage);

    connect(actSingleClick, &QAction::triggered, this, [this] {
        if (browser_->HasSelection() && CanApply() && SelectedPicture(true) != nullptr)
            RequestApply();
    });
    const auto paste = [this] {
        // The picture is read before the editor opens its undo group, so a file that cannot be read
        // is told about with nothing half done.
        if (CanInsert() && SelectedPicture(true) != nullptr)
            RequestInsert();
    };
    // The paste button is enabled by the idle after a selection; the tile double-clicked may have
    // been chosen by this very click, so the selection itself decides.
    connect(actDoubleClick, &QAction::triggered, this, [this, paste] {
        if (browser_->HasSelection())
            paste();
        else if (actSingleClick->isEnabled())
            actSingleClick->trigger();
    });
    connect(btnPasteBackGround, &QPushButton::clicked, this, paste);
    connect(btnDeleteBackGround, &QPushButton::toggled, this, [this](bool pressed) {
        if (!pressed)
            return;
        RequestApply();
        // Released even when no background took the removal.
        const QSignalBlocker blocker(btnDeleteBackGround);
        btnDeleteBackGround->setChecked(false);
    });
}

TfrmAMBackGround::~TfrmAMBackGround() = default;

const TPictureEx* TfrmAMBackGround::SelectedPicture(bool loud) {
    return picture_->Get(this, browser_->GetSelectedFileName(), loud);
}

void TfrmAMBackGround::ApplyChange(TDrawObject* object, bool replace) {
    auto* back = dynamic_cast<TLOBackImage*>(object);
    if (back == nullptr || !replace)
        return;
    TColorSpec* fill = back->FillColor();
    if (btnDeleteBackGround->isChecked()) {
        const QSignalBlocker blocker(btnDeleteBackGround);
        btnDeleteBackGround->setChecked(false);
        fill->SetKind(cskSolid);
        fill->ImageData()->Picture()->SetGraphic(nullptr);
        return;
    }
    // A background never becomes a picture kind without its picture.
    const TPictureEx* picture = SelectedPicture(false);
    if (picture == nullptr)
        return;
    fill->SetKind(cskBitmap);
    fill->ImageData()->Picture()->Assign(picture);
    fill->SetTile(browser_->IsTile());
    fill->SetTileShift(browser_->IsTileShift());
}

void TfrmAMBackGround::CopyStyle(TDrawObject* src, TDrawObject* dst) {
    auto* from = dynamic_cast<TLOBackImage*>(src);
    auto* to = dynamic_cast<TLOBackImage*>(dst);
    if (from && to)
        BackPicture(to)->Assign(BackPicture(from));
}

TDrawObject* TfrmAMBackGround::DefaultTarget() const {
    return default_.get();
}

void TfrmAMBackGround::InitNewObject(TDrawObject* object) {
    auto* back = dynamic_cast<TLOBackImage*>(object);
    ApplyChange(object, back != nullptr && IsPictureEmpty(BackPicture(back)));
}

void TfrmAMBackGround::IdleUpdate(TDrawSite* site) {
    const bool canPaste = browser_->HasSelection();
    if (btnPasteBackGround->isEnabled() != canPaste)
        btnPasteBackGround->setEnabled(canPaste);
    bool canDelete = false;
    if (site != nullptr) {
        TDOList all;
        site->ListObjects(all, false);
        for (TDrawObject* object : all)
            if (auto* back = dynamic_cast<TLOBackImage*>(object)) {
                canDelete = back->FillColor()->Kind() == cskBitmap;
                break;
            }
    }
    if (btnDeleteBackGround->isEnabled() != canDelete)
        btnDeleteBackGround->setEnabled(canDelete);
}
