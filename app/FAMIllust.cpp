#include "app/FAMIllust.h"

#include "app/UPanelAngle.h"
#include "app/UPanelPicture.h"
#include "app/dialogs/FIllustFileBrowser.h"
#include "app/dialogs/FImageBrowser.h"
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
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

TLOImage* PlainPicture(TDrawObject* object) {
    if (dynamic_cast<TLOAlbumPhoto*>(object) != nullptr)
        return nullptr;
    return dynamic_cast<TLOImage*>(object);
}

QWidget* EmbeddedPage(QWidget* parent, const char* name, QWidget*& content) {
    auto* page = new QWidget(parent);
    page->setObjectName(QLatin1String(name));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* panel = new TFormPanel(page);
    layout->addWidget(panel);
    content = panel;
    return page;
}

} // namespace

TfrmAMIllust::TfrmAMIllust(QWidget* owner)
    : QWidget(owner), default_(std::make_unique<TLOImage>(nullptr)),
      picture_(std::make_unique<TPanelPicture>()) {
    setObjectName(QStringLiteral("frmAMIllust"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    TabbedPanel1 = new TTabbedPanel(this);
    TabbedPanel1->setObjectName(QStringLiteral("TabbedPanel1"));
    TabbedPanel1->SetTabs({QStringLiteral("イラスト集"), QStringLiteral("ファイル"), QStringLiteral("TWAIN"),
                           QStringLiteral("設定")});
    TabbedPanel1->setMinimumHeight(24);
    layout->addWidget(TabbedPanel1);
    auto* pages = new QWidget(this);
    auto* pagesLayout = new QVBoxLayout(pages);
    pagesLayout->setContentsMargins(0, 0, 0, 0);
    notePanel = new TNotePanel(pages);
    notePanel->setObjectName(QStringLiteral("notePanel"));
    pagesLayout->addWidget(notePanel);
    layout->addWidget(pages, 1);

    QWidget* illustHost = nullptr;
    QWidget* userHost = nullptr;
    pnlIllustFile = EmbeddedPage(pages, "pnlIllustFile", illustHost);
    pnlUserFile = EmbeddedPage(pages, "pnlUserFile", userHost);

    pnlTwain = new QWidget(pages);
    pnlTwain->setObjectName(QStringLiteral("pnlTwain"));
    auto* twainLayout = new QVBoxLayout(pnlTwain);
    ipTwain = new TImagePanel(pnlTwain);
    ipTwain->setObjectName(QStringLiteral("ipTwain"));
    twainLayout->addWidget(ipTwain, 1);
    btnTwain = new QPushButton(QStringLiteral("取り込み"), pnlTwain);
    btnTwain->setObjectName(QStringLiteral("btnTwain"));
    btnTwain->setToolTip(QStringLiteral("ﾃﾞｼﾞｶﾒなどのTWAIN機器からｲﾒｰｼﾞを取込みます"));
    // Scanner acquisition is not available on this system yet.
    btnTwain->setEnabled(false);
    twainLayout->addWidget(btnTwain);

    pnlSetup = new QWidget(pages);
    pnlSetup->setObjectName(QStringLiteral("pnlSetup"));
    auto* setup = new QGridLayout(pnlSetup);
    setup->addWidget(new QLabel(QStringLiteral("回転"), pnlSetup), 0, 0, 1, 4);
    const TPanelAngle angle = MakePanelAngle(pnlSetup, setup, 1, kMaxAngle, [this] {
        if (!showing_ && apply_)
            apply_(this);
    });
    btnAngle00 = angle.btnAngle00;
    btnAngle90 = angle.btnAngle90;
    btnAngle180 = angle.btnAngle180;
    btnAngle270 = angle.btnAngle270;
    edAngle = angle.edAngle;
    udAngle = angle.udAngle;
    setup->setRowStretch(3, 1);

    for (QWidget* page : {pnlIllustFile, pnlUserFile, pnlTwain, pnlSetup})
        notePanel->AddPage(page);

    btnPasteImage = new QPushButton(QStringLiteral("≪  貼る"), this);
    btnPasteImage->setObjectName(QStringLiteral("btnPasteImage"));
    layout->addWidget(btnPasteImage);

    actSingleClick = new QAction(this);
    actSingleClick->setObjectName(QStringLiteral("actSingleClick"));
    actDoubleClick = new QAction(this);
    actDoubleClick->setObjectName(QStringLiteral("actDoubleClick"));
    illustBrowser_ = new TfrmIllustFileBrowser(illustHost);
    static_cast<TFormPanel*>(illustHost)->SetForm(illustBrowser_);
    illustBrowser_->SetDblClickAction(actDoubleClick);
    illustBrowser_->Browser()->ClickAction = actSingleClick;
    userBrowser_ = new TfrmUserFileBrowser(userHost);
    static_cast<TFormPanel*>(userHost)->SetForm(userBrowser_);
    userBrowser_->SetDblClickAction(actDoubleClick);
    userBrowser_->Browser()->ClickAction = actSingleClick;

    TabbedPanel1->SetTabIndex(pgIllustFile);
    TabbedPanel1->OnChange = [this](TObject*) { SetPage(TabbedPanel1->TabIndex()); };
    connect(actSingleClick, &QAction::triggered, this, [this] {
        if (HasSource() && apply_ && !showing_ && SourcePicture(true) != nullptr)
            apply_(this);
    });
    connect(actDoubleClick, &QAction::triggered, this, [this] {
        if (!HasSource())
            return;
        if (picturesOnly_) {
            if (actSingleClick->isEnabled())
                actSingleClick->trigger();
        } else {
            btnPasteImage->click();
        }
    });
    connect(btnPasteImage, &QPushButton::clicked, this, [this] {
        if (insert_ && SourcePicture(true) != nullptr)
            insert_(this);
    });
    SetRotationEnabled(false);
}

TfrmAMIllust::~TfrmAMIllust() = default;

void TfrmAMIllust::SetPage(int page) {
    illustBrowser_->Browser()->SelectAll(false);
    userBrowser_->Browser()->SelectAll(false);
    if (TabbedPanel1->TabIndex() != page)
        TabbedPanel1->SetTabIndex(page);
    notePanel->ShowPage(page);
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

void TfrmAMIllust::Apply(TDrawObject* object, bool replace) {
    TLOImage* image = PlainPicture(object);
    if (image == nullptr)
        return;
    if (replace)
        if (const TPictureEx* picture = SourcePicture(false)) {
            image->ImageData()->SetPicture(picture);
            if (!IsPictureEmpty(image->ImageData()->Picture())) {
                const bool onePoint = TabbedPanel1->TabIndex() == pgIllustFile;
                image->SetImageSource(onePoint ? isOnePoint : isFile);
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
    const QSignalBlocker upDown(udAngle);
    const QSignalBlocker edit(edAngle);
    udAngle->setValue(image->Angle());
    edAngle->setText(QString::number(udAngle->value()));
    showing_ = false;
}

void TfrmAMIllust::ApplyToObject(TDrawObject* object) {
    Apply(object, true);
}

void TfrmAMIllust::ApplyToDefault() {
    Apply(default_.get(), false);
}

void TfrmAMIllust::ShowDefault() {
    ShowObject(default_.get());
}

void TfrmAMIllust::InitNewObject(TDrawObject* object) {
    TLOImage* image = PlainPicture(object);
    Apply(object, image != nullptr && IsPictureEmpty(image->ImageData()->Picture()));
}

void TfrmAMIllust::IdleUpdate(TDrawSite* site) {
    btnPasteImage->setEnabled(HasSource());
    bool any = false;
    bool plainOnly = true;
    if (site != nullptr) {
        TDOList selected;
        site->ListObjects(selected, true);
        for (TDrawObject* object : selected) {
            any = true;
            plainOnly = plainOnly && PlainPicture(object) != nullptr;
        }
    }
    picturesOnly_ = any && plainOnly;
    SetRotationEnabled(picturesOnly_);
}

TPanelAngle TfrmAMIllust::AngleControls() const {
    return {btnAngle00, btnAngle90, btnAngle180, btnAngle270, edAngle, udAngle};
}
