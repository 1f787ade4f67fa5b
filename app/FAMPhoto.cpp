#include "app/FAMPhoto.h"

#include "app/UPanelAngle.h"
#include "app/UPanelPicture.h"
#include "app/dialogs/FAutoImgNorm.h"
#include "app/dialogs/FColorAdjuster.h"
#include "app/dialogs/FImageBrowser.h"
#include "app/dialogs/FPhotoFileBrowser.h"
#include "app/dialogs/FSelectFrame.h"
#include "controls/UColGrid.h"
#include "controls/UFormPanel.h"
#include "controls/UImagePanel.h"
#include "controls/UNotePanel.h"
#include "controls/UTabbedPanel.h"
#include "core/UAppFrame.h"
#include "core/UAppUtil.h"
#include "core/USupportUtil.h"
#include "imaging/UImageData.h"
#include "imaging/UPictureEX.h"
#include "imaging/USafetyBitmap.h"
#include "pageobjects/engine/UDrawObject.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/layout/UAINPicList.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "platform/Canvas.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <array>

namespace {

TLOAlbumPhoto* AlbumPhoto(TDrawObject* object) {
    return dynamic_cast<TLOAlbumPhoto*>(object);
}

constexpr int kShadowGridCols = 8;
constexpr int kShadowGridRows = 2;
// Sixteen greys from black in steps of $101010.
constexpr uint32_t kShadowGreyStep = 0x101010;

// The rotation list, index by index.
constexpr std::array<int, 5> kPhotoAngles = {0, -1, 90, 270, 180};
constexpr int kAutoTurnIndex = 1;
const char* const kPhotoAngleTexts[] = {"回転しない", "枠に合わせて自動回転", "右に90゜回転", "左に90゜回転",
                                        "180゜回転"};

// The date lines: parts joined by a quoted separator, the apostrophe quoted as well, so that the
// formatter takes them as literal text.
QStringList MakeDateFormats() {
    const QString hyphen = QStringLiteral("\"-\"");
    const QString slash = QStringLiteral("\"/\"");
    const QString space = QStringLiteral("\" \"");
    QStringList lines;
    const auto join = [](const QStringList& parts, const QString& separator) {
        return parts.join(separator);
    };
    for (const QString& separator : {hyphen, slash, space}) {
        lines << join({QStringLiteral("yyyy"), QStringLiteral("mm"), QStringLiteral("dd")}, separator);
        lines << join({QStringLiteral("yy"), QStringLiteral("mm"), QStringLiteral("dd")}, separator);
        lines << join({QStringLiteral("yy"), QStringLiteral("m"), QStringLiteral("d")}, separator);
        lines << QStringLiteral("\"'\"") +
                     join({QStringLiteral("yy"), QStringLiteral("mm"), QStringLiteral("dd")}, separator);
    }
    for (const QString& separator : {hyphen, slash, space})
        lines << join({QStringLiteral("mm"), QStringLiteral("dd"), QStringLiteral("yy")}, separator);
    return lines;
}

QGroupBox* Group(QWidget* parent, const QString& caption, QLayout*& layout, bool grid = false) {
    auto* box = new QGroupBox(caption, parent);
    if (grid)
        layout = new QGridLayout(box);
    else
        layout = new QVBoxLayout(box);
    return box;
}

template <class W>
W* Named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

TDateTime FileDate(const QString& fileName) {
    const QDateTime modified = QFileInfo(fileName).lastModified();
    if (!modified.isValid())
        return 0;
    const QDate d = modified.date();
    const QTime t = modified.time();
    return DateTimeFromParts(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second());
}

std::unique_ptr<TPictureEx> CopyOf(const TPicture* picture) {
    auto copy = std::make_unique<TPictureEx>();
    copy->Assign(picture);
    return copy;
}

} // namespace

// What the frame window chose: no frame, or a frame picture with its kind and shadow.
struct TfrmAMPhoto::TFrameChoice {
    bool Clear = false;
    bool Alpha = false;
    std::unique_ptr<TPictureEx> Frame;
    std::unique_ptr<TPictureEx> Shadow;
};

const QStringList& TfrmAMPhoto::DateFormats() {
    static const QStringList formats = MakeDateFormats();
    return formats;
}

int TfrmAMPhoto::PhotoAngleOfIndex(int index) {
    if (index < 0 || index >= int(kPhotoAngles.size()))
        return 0;
    return kPhotoAngles[size_t(index)];
}

int TfrmAMPhoto::IndexOfPhotoAngle(int angle) {
    for (size_t i = 0; i < kPhotoAngles.size(); ++i)
        if (kPhotoAngles[i] == angle)
            return int(i);
    return kAutoTurnIndex;
}

TLOAlbumPhoto* TfrmAMPhoto::DefaultPhoto() {
    static const std::unique_ptr<TLOAlbumPhoto> photo = [] {
        auto made = std::make_unique<TLOAlbumPhoto>(nullptr);
        made->SetMovable(true);
        return made;
    }();
    return photo.get();
}

TfrmAMPhoto::TfrmAMPhoto(QWidget* owner)
    : TEditModePanelBase(owner, "frmAMPhoto"), picture_(std::make_unique<TPanelPicture>()) {
    notePanel1 = AddTabbedPages({QStringLiteral("写真"), QStringLiteral("TWAIN"), QStringLiteral("フレーム"),
                                 QStringLiteral("調整"), QStringLiteral("機能")},
                                "notePanel1");
    TabbedPanel1->SetSelectedColor(kTabSelectedColor);
    TabbedPanel1->SetUnSelectedColor(kTabUnSelectedColor);
    BuildPages();

    auto* buttons = new QGridLayout;
    btnSetPhoto = Named(new QPushButton(QStringLiteral("写真差換え"), this), "btnSetPhoto");
    btnSetPhotoMulti = Named(new QPushButton(QStringLiteral("一括貼込"), this), "btnSetPhotoMulti");
    btnPasteImage = Named(new QPushButton(QStringLiteral("写真枠追加"), this), "btnPasteImage");
    btnPhotoClear = Named(new QPushButton(QStringLiteral("削除"), this), "btnPhotoClear");
    buttons->addWidget(btnSetPhoto, 0, 0);
    buttons->addWidget(btnSetPhotoMulti, 0, 1);
    buttons->addWidget(btnPasteImage, 1, 0);
    buttons->addWidget(btnPhotoClear, 1, 1);
    PanelLayout()->addLayout(buttons);
    for (QPushButton* button : {btnSetPhoto, btnSetPhotoMulti, btnPasteImage, btnPhotoClear})
        button->setEnabled(false);

    CreateClickActions();
    browser_->SetDblClickAction(actDoubleClick);

    StartOnPage(pgPhoto);

    connect(actSingleClick, &QAction::triggered, this, [this] {
        if (!HasPhotoSource())
            return;
        // The file is read before the editor opens its undo group; a bad one is named there.
        if (TabbedPanel1->TabIndex() == pgPhoto && SourcePicture(true) == nullptr)
            return;
        Request(opSetPhoto);
    });
    connect(btnSetPhoto, &QPushButton::clicked, actSingleClick, &QAction::trigger);
    const auto paste = [this] {
        if (!HasPhotoSource() || (TabbedPanel1->TabIndex() == pgPhoto && SourcePicture(true) == nullptr))
            return;
        operation_ = opSetPhoto;
        RequestInsert();
    };
    // Not through the button: its enabled state waits for the idle after the photo was chosen.
    connect(actDoubleClick, &QAction::triggered, this, [this, paste] {
        if (!HasPhotoSource())
            return;
        if (singlePhoto_) {
            if (actSingleClick->isEnabled())
                actSingleClick->trigger();
        } else {
            paste();
        }
    });
    connect(btnPasteImage, &QPushButton::clicked, this, paste);
    connect(btnPhotoClear, &QPushButton::clicked, this, [this] { Request(opClearPhoto); });
    connect(btnSetPhotoMulti, &QPushButton::clicked, this, [this] {
        if (HasPhotoSource() && actPhotoSetMulti_ != nullptr)
            actPhotoSetMulti_->trigger();
    });
}

TfrmAMPhoto::~TfrmAMPhoto() = default;

void TfrmAMPhoto::BuildPages() {
    TFormPanel* host = nullptr;
    pnlPhoto = NewFormPage("pnlPhoto", host);
    browser_ = new TfrmPhotoFileBrowser(host);
    browser_->SetMultiSelect(true);
    host->SetForm(browser_);
    browser_->FormPaint();
    pnlTwain = NewTwainPage(ipTwain, btnTwain);

    BuildFramePage();
    BuildSetupPage();
    BuildFunctionPage();
    notePanel1->AddPage(pnlPhoto);
    notePanel1->AddPage(pnlTwain);
    // The control pages are taller than the side panel of a small window.
    for (QWidget* page : {pnlFrame, pnlSetup, pnlFunction})
        notePanel1->AddScrollingPage(page);
}

void TfrmAMPhoto::BuildFramePage() {
    pnlFrame = NewPage("pnlFrame");
    auto* page = new QVBoxLayout(pnlFrame);
    QLayout* frameLayout = nullptr;
    page->addWidget(Group(pnlFrame, QStringLiteral("フレーム"), frameLayout));
    auto* frameBox = static_cast<QWidget*>(frameLayout->parent());
    btnFrame = Named(new QPushButton(QStringLiteral("フレーム選択"), frameBox), "btnFrame");
    imgPnlFrame = Named(new TImagePanel(frameBox), "imgPnlFrame");
    imgPnlFrame->setMinimumHeight(64);
    frameLayout->addWidget(btnFrame);
    frameLayout->addWidget(imgPnlFrame);
    QLayout* ratioLayout = nullptr;
    frameLayout->addWidget(Group(frameBox, QStringLiteral("縦横比"), ratioLayout));
    auto* ratioBox = static_cast<QWidget*>(ratioLayout->parent());
    rbFitFrame = Named(new QRadioButton(QStringLiteral("フレーム優先"), ratioBox), "rbFitFrame");
    rbFitPhoto = Named(new QRadioButton(QStringLiteral("写真優先"), ratioBox), "rbFitPhoto");
    rbFitFrame->setChecked(true);
    ratioLayout->addWidget(rbFitFrame);
    ratioLayout->addWidget(rbFitPhoto);

    QLayout* shadowLayout = nullptr;
    page->addWidget(Group(pnlFrame, QStringLiteral("影"), shadowLayout, true));
    auto* shadowBox = static_cast<QWidget*>(shadowLayout->parent());
    auto* shadowGrid = static_cast<QGridLayout*>(shadowLayout);
    cbShadow = Named(new QCheckBox(QStringLiteral("影を付ける"), shadowBox), "cbShadow");
    cbShadowShade = Named(new QCheckBox(QStringLiteral("影をぼかす"), shadowBox), "cbShadowShade");
    lblShadowSize = new QLabel(QStringLiteral("影の大きさ"), shadowBox);
    edShadowSize = Named(new QLineEdit(shadowBox), "edShadowSize");
    udShadowSize = Named(new QSpinBox(shadowBox), "udShadowSize");
    udShadowSize->setRange(0, kMaxShadowSize);
    udShadowSize->setValue(TLOAlbumPhoto::kDefaultShadowOffset);
    edShadowSize->setText(QString::number(udShadowSize->value()));
    lblShadowColor = new QLabel(QStringLiteral("影色"), shadowBox);
    cgShadowColor = Named(new TColGrid(shadowBox), "cgShadowColor");
    cgShadowColor->SetColCount(kShadowGridCols);
    cgShadowColor->SetRowCount(kShadowGridRows);
    QStringList greys;
    for (uint32_t i = 0; i < kShadowGridCols * kShadowGridRows; ++i)
        greys << QStringLiteral("$%1").arg(i * kShadowGreyStep, 8, 16, QLatin1Char('0')).toUpper();
    cgShadowColor->SetColorList(greys);
    cgShadowColor->SetUseOtherColor(false);
    cgShadowColor->SetUseTransparent(false);
    cgShadowColor->SetDefaultColor(clBlack);
    cgShadowColor->setMinimumHeight(40);
    shadowGrid->addWidget(cbShadow, 0, 0, 1, 3);
    shadowGrid->addWidget(cbShadowShade, 1, 0, 1, 3);
    shadowGrid->addWidget(lblShadowSize, 2, 0);
    shadowGrid->addWidget(edShadowSize, 2, 1);
    shadowGrid->addWidget(udShadowSize, 2, 2);
    shadowGrid->addWidget(new QLabel(QStringLiteral("%"), shadowBox), 2, 3);
    shadowGrid->addWidget(lblShadowColor, 3, 0, 1, 4);
    shadowGrid->addWidget(cgShadowColor, 4, 0, 1, 4);
    page->addStretch(1);

    connect(btnFrame, &QPushButton::clicked, this, [this] { FrameSelect(); });
    for (QRadioButton* fit : {rbFitFrame, rbFitPhoto})
        connect(fit, &QRadioButton::clicked, this, [this] { Request(opFrameFit); });
    for (QCheckBox* box : {cbShadow, cbShadowShade})
        connect(box, &QCheckBox::clicked, this, [this] {
            UpdateShadowEnabled();
            Request(opShadow);
        });
    cgShadowColor->OnChangeColor = [this](TObject*, TColor, bool) { Request(opShadow); };
    LinkEditUpDown(edShadowSize, udShadowSize, 0, kMaxShadowSize, [this] { Request(opShadow); });
}

void TfrmAMPhoto::BuildSetupPage() {
    pnlSetup = NewPage("pnlSetup");
    auto* page = new QVBoxLayout(pnlSetup);
    QLayout* qualityLayout = nullptr;
    page->addWidget(Group(pnlSetup, QStringLiteral("画質"), qualityLayout));
    auto* qualityBox = static_cast<QWidget*>(qualityLayout->parent());
    btnColorAdjust = Named(new QPushButton(QStringLiteral("色調補正"), qualityBox), "btnColorAdjust");
    btnAutoAdjust = Named(new QPushButton(QStringLiteral("自動画質調整"), qualityBox), "btnAutoAdjust");
    btnAutoAdjust->setEnabled(false);
    qualityLayout->addWidget(btnColorAdjust);
    qualityLayout->addWidget(btnAutoAdjust);

    QLayout* showLayout = nullptr;
    page->addWidget(Group(pnlSetup, QStringLiteral("表示方法"), showLayout));
    auto* showBox = static_cast<QWidget*>(showLayout->parent());
    showLayout->addWidget(new QLabel(QStringLiteral("写真の回転"), showBox));
    cmbPhotoRatate = Named(new QComboBox(showBox), "cmbPhotoRatate");
    for (const char* text : kPhotoAngleTexts)
        cmbPhotoRatate->addItem(QString::fromUtf8(text));
    showLayout->addWidget(cmbPhotoRatate);
    cbMovable = Named(new QCheckBox(QStringLiteral("枠を移動可能にする"), showBox), "cbMovable");
    cbMovable->setChecked(true);
    cbDispDate = Named(new QCheckBox(QStringLiteral("日付を表示する"), showBox), "cbDispDate");
    lblDateStyle = Named(new QLabel(QStringLiteral("日付の書式"), showBox), "lblDateStyle");
    cmbDateStyle = Named(new QComboBox(showBox), "cmbDateStyle");
    showLayout->addWidget(cbMovable);
    showLayout->addWidget(cbDispDate);
    showLayout->addWidget(lblDateStyle);
    showLayout->addWidget(cmbDateStyle);
    FillDateStyles();

    QLayout* placeLayout = nullptr;
    page->addWidget(Group(pnlSetup, QStringLiteral("写真の配置"), placeLayout));
    auto* placeBox = static_cast<QWidget*>(placeLayout->parent());
    rbFitInner = Named(new QRadioButton(QStringLiteral("枠の内側にフィット"), placeBox), "rbFitInner");
    rbFitOuter = Named(new QRadioButton(QStringLiteral("枠の外側にフィット"), placeBox), "rbFitOuter");
    rbFitInner->setChecked(true);
    placeLayout->addWidget(rbFitInner);
    placeLayout->addWidget(rbFitOuter);
    page->addStretch(1);

    connect(btnColorAdjust, &QPushButton::clicked, this, [this] { ColorAdjust(); });
    connect(btnAutoAdjust, &QPushButton::clicked, this, [this] { AutoAdjust(); });
    connect(cmbPhotoRatate, &QComboBox::currentIndexChanged, this, [this] { Request(opPhotoAngle); });
    connect(cbMovable, &QCheckBox::clicked, this, [this] { Request(opMovable); });
    connect(cbDispDate, &QCheckBox::clicked, this, [this] {
        const bool on = cbDispDate->isEnabled() && cbDispDate->isChecked();
        cmbDateStyle->setEnabled(on);
        lblDateStyle->setEnabled(on);
        Request(opDate);
    });
    connect(cmbDateStyle, &QComboBox::currentIndexChanged, this, [this] { Request(opDate); });
    for (QRadioButton* fit : {rbFitInner, rbFitOuter})
        connect(fit, &QRadioButton::clicked, this, [this] { Request(opFitOuter); });
}

void TfrmAMPhoto::BuildFunctionPage() {
    pnlFunction = NewPage("pnlFunction");
    auto* page = new QVBoxLayout(pnlFunction);
    QLayout* functionLayout = nullptr;
    page->addWidget(Group(pnlFunction, QStringLiteral("編集機能"), functionLayout));
    auto* box = static_cast<QWidget*>(functionLayout->parent());
    btnPhotoInsert = Named(new QPushButton(QStringLiteral("写真枠挿入+順送り"), box), "btnPhotoInsert");
    btnPhotoDelete = Named(new QPushButton(QStringLiteral("写真枠削除+詰め"), box), "btnPhotoDelete");
    btnAdjustAll = Named(new QPushButton(QStringLiteral("一括自動調整"), box), "btnAdjustAll");
    btnCoverPhoto = Named(new QPushButton(QStringLiteral("表紙写真作成"), box), "btnCoverPhoto");
    const std::pair<QPushButton*, QAction * TfrmAMPhoto::*> runs[] = {
        {btnPhotoInsert, &TfrmAMPhoto::actPhotoInsert_},
        {btnPhotoDelete, &TfrmAMPhoto::actPhotoDelete_},
        {btnAdjustAll, &TfrmAMPhoto::actPhotoAdjustAll_},
        {btnCoverPhoto, &TfrmAMPhoto::actCoverPhoto_},
    };
    for (const auto& [button, member] : runs) {
        functionLayout->addWidget(button);
        button->setEnabled(false);
        // A copy: not every compiler lets a lambda capture a structured binding.
        QAction* TfrmAMPhoto::*action = member;
        connect(button, &QPushButton::clicked, this, [this, action] {
            if (QAction* run = this->*action; run != nullptr && run->isEnabled())
                run->trigger();
        });
    }
    page->addStretch(1);
}

void TfrmAMPhoto::FillDateStyles() {
    const TDateTime today = NowDateTime();
    const QSignalBlocker blocker(cmbDateStyle);
    cmbDateStyle->clear();
    for (const QString& format : DateFormats())
        cmbDateStyle->addItem(FormatDateEx(format, today));
    cmbDateStyle->setCurrentIndex(0);
}

void TfrmAMPhoto::SetPage(int page) {
    browser_->Browser()->SelectAll(false);
    TEditModePanelBase::SetPage(page);
}

void TfrmAMPhoto::SetEditorActions(QAction* setMulti, QAction* adjustAll, QAction* insertFrame,
                                   QAction* deleteFrame, QAction* coverPhoto) {
    actPhotoSetMulti_ = setMulti;
    actPhotoAdjustAll_ = adjustAll;
    actPhotoInsert_ = insertFrame;
    actPhotoDelete_ = deleteFrame;
    actCoverPhoto_ = coverPhoto;
}

void TfrmAMPhoto::Request(TOperation operation) {
    operation_ = operation;
    RequestApply();
}

// ---- photo source

int TfrmAMPhoto::SelectedPhotoCount() const {
    return browser_->SelectedCount();
}

bool TfrmAMPhoto::HasPhotoSource() const {
    if (TabbedPanel1->TabIndex() == pgPhoto)
        return browser_->HasSelection();
    return !IsPictureEmpty(&ipTwain->Picture());
}

const TPictureEx* TfrmAMPhoto::SourcePicture(bool loud) {
    return picture_->Get(this, browser_->GetSelectedFileName(0), loud);
}

bool TfrmAMPhoto::LoadSelectedPhoto(TLOAlbumPhoto* photo, int index, bool loud) {
    if (photo == nullptr)
        return false;
    const QString fileName = browser_->GetSelectedFileName(index);
    return PutPhotoFile(photo, picture_->Get(this, fileName, loud), fileName);
}

bool PutPhotoFile(TLOAlbumPhoto* photo, const TPictureEx* picture, const QString& fileName) {
    if (photo == nullptr || picture == nullptr)
        return false;
    photo->SetPhotoPicture(picture);
    photo->SetImageSource(isFile);
    if (const TDateTime date = FileDate(fileName); date != 0)
        photo->SetPhotoDate(date);
    return !IsPictureEmpty(photo->GetPhotoPicture());
}

bool TfrmAMPhoto::SetPhotoFromSource(TLOAlbumPhoto* photo) {
    if (photo == nullptr)
        return false;
    if (TabbedPanel1->TabIndex() == pgPhoto)
        return LoadSelectedPhoto(photo, 0, false);
    if (IsPictureEmpty(&ipTwain->Picture()))
        return false;
    photo->SetPhotoPicture(&ipTwain->Picture());
    photo->SetImageSource(isTwain);
    return !IsPictureEmpty(photo->GetPhotoPicture());
}

void TfrmAMPhoto::PlacePicture(const TPicture* picture) {
    if (IsPictureEmpty(picture))
        return;
    held_ = CopyOf(picture);
    Request(opPlacePicture);
    // Never left for a later apply when nothing took it.
    held_.reset();
}

// ---- windows run from their buttons

TLOAlbumPhoto* TfrmAMPhoto::SinglePhoto() const {
    if (site_ == nullptr)
        return nullptr;
    TDOList selected;
    site_->ListObjects(selected, true);
    return selected.Count() == 1 ? AlbumPhoto(selected[0]) : nullptr;
}

void TfrmAMPhoto::FrameSelect() {
    if (SinglePhoto() == nullptr)
        return;
    TfrmSelectFrame dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    auto choice = std::make_unique<TFrameChoice>();
    const QString frameFile = dialog.GetFrameFile();
    if (frameFile.isEmpty()) {
        choice->Clear = true;
    } else {
        // A frame file gone since it was listed changes nothing.
        if (!QFileInfo::exists(frameFile))
            return;
        TPanelPicture frame;
        const TPictureEx* picture = frame.Get(this, frameFile, true);
        if (picture == nullptr)
            return;
        choice->Frame = CopyOf(picture);
        choice->Alpha = dialog.IsAlphaFrame();
        if (!choice->Alpha) {
            // Without a readable shadow file the photo has no shadow picture.
            const QString shadowFile = dialog.GetShadowFile();
            TPanelPicture shadow;
            if (QFileInfo::exists(shadowFile))
                if (const TPictureEx* shade = shadow.Get(this, shadowFile, false))
                    choice->Shadow = CopyOf(shade);
        }
    }
    frameChoice_ = std::move(choice);
    if (frameChoice_->Alpha && cbShadow->isChecked()) {
        const QSignalBlocker blocker(cbShadow);
        cbShadow->setChecked(false);
    }
    Request(opFrame);
    frameChoice_.reset();
    if (TLOAlbumPhoto* photo = SinglePhoto())
        RenderFramePreview(photo);
}

void TfrmAMPhoto::ApplyFrame(TLOAlbumPhoto* photo) const {
    if (frameChoice_->Clear) {
        photo->SetFramePicture(nullptr);
        photo->FramePicture()->SetImageID(QString());
        photo->SetShadowPicture(nullptr);
        return;
    }
    photo->SetFramePicture(frameChoice_->Frame.get());
    photo->SetAlphaFrame(frameChoice_->Alpha);
    if (frameChoice_->Alpha) {
        // An alpha frame casts its own shadow.
        photo->SetShadow(false);
        photo->SetShadowPicture(nullptr);
    } else {
        photo->SetShadowPicture(frameChoice_->Shadow.get());
    }
}

void TfrmAMPhoto::ColorAdjust() {
    TLOAlbumPhoto* target = SinglePhoto();
    if (target == nullptr)
        return;
    if (IsPictureEmpty(target->GetPhotoPicture())) {
        AppShowMessage(QStringLiteral("写真が設定された写真枠を選択してください"));
        return;
    }
    if (!target->PhotoImageObj()->IsFilterable()) {
        AppShowMessage(QStringLiteral("この画像形式には対応していません"));
        return;
    }
    // The window adjusts the photo as its normalisation leaves it, reduced for display. The clip
    // (as the photo draws now) is scaled along, so the window shows the part the photo shows.
    target->PreparePicture();
    const TImageData* own = target->PhotoImageObj();
    TPictureEx normalized;
    target->CopyPhotoPicture(false, true, normalized);
    TImageData shown;
    shown.Assign(own);
    shown.SetResizedPicture(&normalized);
    TfrmColorAdjuster dialog(this);
    dialog.SetImageData(&shown);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // Only the filters come back: the photo keeps its own picture and its full-size clip.
    adjusted_ = std::make_unique<TImageData>();
    adjusted_->Assign(dialog.ImageData());
    adjusted_->SetPicture(own->Picture());
    adjusted_->SetClipFilter(own->ClipFilter());
    Request(opColorAdjust);
    adjusted_.reset();
}

void TfrmAMPhoto::AutoAdjust() {
    TLOAlbumPhoto* target = SinglePhoto();
    if (target == nullptr)
        return;
    if (IsPictureEmpty(target->GetPhotoPicture())) {
        AppShowMessage(QStringLiteral("写真が設定された写真枠を選択してください"));
        return;
    }
    // The window works on a copy, so only OK reaches the page, as one undo step.
    TOwnedDOList copy;
    copy.Add(CloneDrawObject(target));
    TDOList listed;
    copy.ListObjects(listed);
    TAINObjectList list;
    list.SetList(&listed);
    TfrmAutoImgNorm dialog(this);
    dialog.SetSource(&list);
    if (dialog.exec() != QDialog::Accepted)
        return;
    autoAdjustNo_ = list.GetFilterNo(0);
    Request(opAutoAdjust);
    autoAdjustNo_ = -1;
}

// ---- applying

void TfrmAMPhoto::ApplyOperation(TLOAlbumPhoto* photo, bool replace) {
    if (photo == nullptr)
        return;
    switch (operation_) {
    case opSetPhoto: {
        if (!replace)
            return;
        const bool newObject = !photo->IsOnSite();
        if (newObject)
            CopyStyle(DefaultPhoto(), photo);
        if (!SetPhotoFromSource(photo) || !newObject)
            return;
        if (singlePhoto_ && frameWidth_ > 0 && frameHeight_ > 0) {
            photo->SetLogRect(Bounds(photo->LogLeft(), photo->LogTop(), frameWidth_, frameHeight_));
        } else {
            photo->AdjustSizeToPicture();
        }
        return;
    }
    case opFrame:
        if (frameChoice_)
            ApplyFrame(photo);
        return;
    case opPhotoAngle:
        photo->SetPhotoAngleValue(PhotoAngleOfIndex(cmbPhotoRatate->currentIndex()));
        return;
    case opFrameFit:
        photo->SetFrameFitPhoto(rbFitPhoto->isChecked());
        return;
    case opColorAdjust:
        if (adjusted_)
            photo->SetPhotoImageObj(adjusted_.get());
        return;
    case opAutoAdjust:
        if (autoAdjustNo_ >= 0)
            photo->NormalizeFilter()->SetFilterNo(autoAdjustNo_);
        return;
    case opClearPhoto:
        if (replace)
            photo->SetPhotoPicture(nullptr);
        return;
    case opPlacePicture:
        if (replace && held_) {
            photo->SetPhotoPicture(held_.get());
            held_.reset();
        }
        return;
    case opShadow:
        photo->SetShadow(cbShadow->isChecked());
        photo->SetShadowShade(cbShadowShade->isChecked());
        photo->SetShadowColor(cgShadowColor->DefaultColor());
        photo->SetShadowX(udShadowSize->value());
        photo->SetShadowY(udShadowSize->value());
        return;
    case opFitOuter:
        photo->SetFitOuter(rbFitOuter->isChecked());
        return;
    case opDate: {
        photo->SetDisplayDate(cbDispDate->isChecked());
        const int line = cmbDateStyle->currentIndex();
        if (line >= 0 && line < DateFormats().size())
            photo->SetDateFormat(DateFormats()[line]);
        return;
    }
    case opMovable:
        photo->SetMovable(cbMovable->isChecked());
        return;
    default:
        return;
    }
}

void TfrmAMPhoto::CopyStyle(TDrawObject* src, TDrawObject* dst) {
    TLOAlbumPhoto* from = AlbumPhoto(src);
    TLOAlbumPhoto* to = AlbumPhoto(dst);
    if (from == nullptr || to == nullptr || from == to)
        return;
    // The photo, where it came from, its date and the frame's place are the object's own.
    const std::unique_ptr<TPictureEx> picture = CopyOf(to->GetPhotoPicture());
    const TImageSource source = to->ImageSource();
    const TDateTime date = to->PhotoDate();
    const TRect bounds = to->LogBounds();
    to->Assign(from);
    to->SetPhotoPicture(picture.get());
    to->SetImageSource(source);
    to->SetPhotoDate(date);
    to->SetLogRect(bounds);
}

void TfrmAMPhoto::ShowObject(TDrawObject* object) {
    TLOAlbumPhoto* photo = AlbumPhoto(object);
    if (photo == nullptr || showing_)
        return;
    showing_ = true;
    {
        const QSignalBlocker b1(rbFitOuter), b2(rbFitInner), b3(rbFitPhoto), b4(rbFitFrame), b5(cbShadow),
            b6(cbShadowShade), b7(udShadowSize), b8(edShadowSize), b9(cbMovable), b10(cbDispDate);
        rbFitOuter->setChecked(photo->FitOuter());
        rbFitInner->setChecked(!photo->FitOuter());
        rbFitPhoto->setChecked(photo->FrameFitPhoto());
        rbFitFrame->setChecked(!photo->FrameFitPhoto());
        cbShadow->setChecked(photo->Shadow());
        cbShadowShade->setChecked(photo->ShadowShade());
        cgShadowColor->SetDefaultColor(photo->ShadowColor());
        udShadowSize->setValue(photo->ShadowX() & 0xFFFF);
        edShadowSize->setText(QString::number(udShadowSize->value()));
        RenderFramePreview(photo);
        UpdateFrameEnabled(photo);
        cbMovable->setChecked(photo->Movable());
        cbDispDate->setChecked(photo->DisplayDate());
    }
    // A list the user has open keeps its choice.
    auto* combo = qobject_cast<QComboBox*>(QApplication::focusWidget());
    if (combo == nullptr || !combo->view()->isVisible()) {
        const QSignalBlocker b1(cmbDateStyle), b2(cmbPhotoRatate);
        const int line = DateFormats().indexOf(photo->DateFormat());
        cmbDateStyle->setCurrentIndex(line < 0 ? 0 : line);
        cmbPhotoRatate->setCurrentIndex(IndexOfPhotoAngle(photo->PhotoAngle()));
    }
    showing_ = false;
}

void TfrmAMPhoto::ApplyToObject(TDrawObject* object) {
    ApplyOperation(AlbumPhoto(object), true);
}

void TfrmAMPhoto::ApplyToDefault() {
    ApplyOperation(DefaultPhoto(), false);
}

void TfrmAMPhoto::ShowDefault() {
    ShowObject(DefaultPhoto());
}

void TfrmAMPhoto::InitNewObject(TDrawObject* object) {
    TLOAlbumPhoto* photo = AlbumPhoto(object);
    if (photo == nullptr)
        return;
    // The answer of a window belongs to the apply it was asked for, never to a new frame.
    if (operation_ == opFrame || operation_ == opColorAdjust || operation_ == opAutoAdjust)
        return;
    ApplyOperation(photo, IsPictureEmpty(photo->GetPhotoPicture()));
}

// ---- showing and enabling

void TfrmAMPhoto::RenderFramePreview(TLOAlbumPhoto* photo) {
    const TPictureEx* frame = photo->FramePicture();
    if (frame->ImageID() == lastFrameID_)
        return;
    lastFrameID_ = frame->ImageID();
    if (IsPictureEmpty(frame)) {
        imgPnlFrame->SetPicture(TPicture());
        return;
    }
    TSafetyBitmap bitmap(frame->Width(), frame->Height(), pf24bit);
    TCanvas& canvas = bitmap.Canvas();
    if (photo->AlphaFrame()) {
        // The alpha mask's dark parts are what shows: inverted it reads as the frame.
        canvas.SetCopyMode(cmNotSrcCopy);
    } else {
        bitmap.SetTransparentColor(kFramePreviewTransparent);
        bitmap.SetTransparent(true);
    }
    canvas.Draw(0, 0, *frame->Graphic());
    TPicture shown;
    shown.SetGraphic(&bitmap);
    imgPnlFrame->SetPicture(shown);
}

void TfrmAMPhoto::UpdateShadowEnabled() {
    const bool on = cbShadow->isEnabled() && cbShadow->isChecked();
    for (QWidget* control : {static_cast<QWidget*>(cbShadowShade), static_cast<QWidget*>(lblShadowSize),
                             static_cast<QWidget*>(edShadowSize), static_cast<QWidget*>(udShadowSize),
                             static_cast<QWidget*>(lblShadowColor), static_cast<QWidget*>(cgShadowColor)})
        control->setEnabled(on);
}

void TfrmAMPhoto::UpdateFrameEnabled(TLOAlbumPhoto* first) {
    const bool framed = first != nullptr && !IsPictureEmpty(first->FramePicture());
    rbFitFrame->setEnabled(btnFrame->isEnabled() && framed);
    rbFitPhoto->setEnabled(rbFitFrame->isEnabled());
    cbShadow->setEnabled(first != nullptr && !first->HasAlphaFrame() && photosOnly_);
    UpdateShadowEnabled();
}

void TfrmAMPhoto::IdleUpdate(TDrawSite* site) {
    site_ = site;
    TDOList selected;
    if (site != nullptr)
        site->ListObjects(selected, true);
    TLOAlbumPhoto* first = nullptr;
    bool only = !selected.IsEmpty();
    for (TDrawObject* object : selected) {
        TLOAlbumPhoto* photo = AlbumPhoto(object);
        only = only && photo != nullptr;
        if (first == nullptr)
            first = photo;
    }
    photosOnly_ = only;
    singlePhoto_ = only && selected.Count() == 1;
    if (singlePhoto_) {
        frameWidth_ = first->LogWidth();
        frameHeight_ = first->LogHeight();
    }
    const bool source = HasPhotoSource();
    btnPasteImage->setEnabled(source);
    btnSetPhoto->setEnabled(singlePhoto_ && source);
    actSingleClick->setEnabled(btnSetPhoto->isEnabled());
    btnColorAdjust->setEnabled(singlePhoto_);
    btnAutoAdjust->setEnabled(singlePhoto_);
    btnFrame->setEnabled(singlePhoto_);
    for (QWidget* control : {static_cast<QWidget*>(btnPhotoClear), static_cast<QWidget*>(rbFitInner),
                             static_cast<QWidget*>(rbFitOuter), static_cast<QWidget*>(cmbPhotoRatate),
                             static_cast<QWidget*>(cbDispDate), static_cast<QWidget*>(cbMovable)})
        control->setEnabled(photosOnly_);
    const auto enabled = [](QAction* action) { return action != nullptr && action->isEnabled(); };
    btnPhotoInsert->setEnabled(singlePhoto_ && enabled(actPhotoInsert_));
    btnPhotoDelete->setEnabled(singlePhoto_ && enabled(actPhotoDelete_));
    btnAdjustAll->setEnabled(enabled(actPhotoAdjustAll_));
    btnCoverPhoto->setEnabled(enabled(actCoverPhoto_));
    // Shown only where the editor offers covers (albums).
    btnCoverPhoto->setVisible(actCoverPhoto_ == nullptr || actCoverPhoto_->isVisible());
    btnSetPhotoMulti->setEnabled(source && enabled(actPhotoSetMulti_) && TabbedPanel1->TabIndex() == pgPhoto);
    const bool dated = cbDispDate->isEnabled() && cbDispDate->isChecked();
    cmbDateStyle->setEnabled(dated);
    lblDateStyle->setEnabled(dated);
    UpdateFrameEnabled(photosOnly_ ? first : nullptr);
}
