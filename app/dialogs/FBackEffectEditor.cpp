#include "app/dialogs/FBackEffectEditor.h"

#include "app/UEffectPreview.h"
#include "app/dialogs/FEffectStyleBrowser.h"
#include "controls/Exspined.h"
#include "controls/FColorGrid.h"
#include "controls/UBroadcastCatcher.h"
#include "controls/UImagePanel.h"
#include "imaging/UImageData.h"
#include "imaging/USafetyBitmap.h"
#include "platform/Picture.h"

#include <QAction>
#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

namespace {

constexpr int kEffectRange = 100;
constexpr QSize kSwatchSize(17, 15);

struct TBlurItem {
    const char* Caption;
    int Count;
};
// In the order of the radio group.
constexpr TBlurItem kBlurItems[] = {{"ソフト強", 10},   {"ソフト中", 5},    {"ソフト弱", 1},   {"なし", 0},
                                    {"シャープ弱", -1}, {"シャープ中", -3}, {"シャープ強", -6}};

// A track bar and its spin edit with "%" in one row of grid.
void AddEffectRow(QGridLayout* grid, int row, const QString& caption, QSlider*& bar, TExSpinEdit*& edit,
                  const QString& barName, const QString& editName, QWidget* parent) {
    auto* label = new QLabel(caption, parent);
    bar = new QSlider(Qt::Horizontal, parent);
    bar->setObjectName(barName);
    bar->setRange(-kEffectRange, kEffectRange);
    bar->setTickPosition(QSlider::TicksBelow);
    bar->setTickInterval(kEffectRange / 5);
    edit = new TExSpinEdit(parent);
    edit->setObjectName(editName);
    edit->SetMinValue(-kEffectRange);
    edit->SetMaxValue(kEffectRange);
    edit->SetValue(0);
    label->setBuddy(edit);
    grid->addWidget(label, row, 0);
    grid->addWidget(bar, row, 1);
    grid->addWidget(edit, row, 2);
    grid->addWidget(new QLabel(QStringLiteral("%"), parent), row, 3);
}

} // namespace

int& TfrmBackEffectEditor::RememberedMode() {
    static int mode = smStyle;
    return mode;
}

int TfrmBackEffectEditor::BlurItemOfCount(int count) {
    if (count >= 6)
        return 0;
    if (count >= 2)
        return 1;
    if (count == 1)
        return 2;
    if (count == 0)
        return 3;
    if (count == -1)
        return 4;
    if (count >= -3)
        return 5;
    return 6;
}

int TfrmBackEffectEditor::BlurCountOfItem(int item) {
    return item >= 0 && item < int(std::size(kBlurItems)) ? kBlurItems[item].Count : 0;
}

TfrmBackEffectEditor::TfrmBackEffectEditor(QWidget* parent)
    : QWidget(parent), previewThread_(std::make_unique<TEffectPreviewThread>()) {
    setObjectName(QStringLiteral("frmBackEffectEditor"));
    setProperty("HelpContext", kHelpContext);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    rgSetMode = new QGroupBox(QStringLiteral("指定方法"), this);
    rgSetMode->setObjectName(QStringLiteral("rgSetMode"));
    grpSetMode = new QButtonGroup(this);
    auto* modeLayout = new QHBoxLayout(rgSetMode);
    const QString modes[] = {QStringLiteral("スタイルから選択"), QStringLiteral("詳細指定")};
    for (int i = 0; i < 2; ++i) {
        auto* button = new QRadioButton(modes[i], rgSetMode);
        grpSetMode->addButton(button, i);
        modeLayout->addWidget(button);
    }
    modeLayout->addStretch();
    layout->addWidget(rgSetMode);

    pnlStyle = new QWidget(this);
    pnlStyle->setObjectName(QStringLiteral("pnlStyle"));
    auto* styleLayout = new QVBoxLayout(pnlStyle);
    styleLayout->setContentsMargins(0, 0, 0, 0);
    styleBrowser_ = new TfrmEffectStyleBrowser(pnlStyle);
    styleLayout->addWidget(styleBrowser_);
    layout->addWidget(pnlStyle, 1);

    pnlDetail = new QWidget(this);
    pnlDetail->setObjectName(QStringLiteral("pnlDetail"));
    auto* detailLayout = new QHBoxLayout(pnlDetail);
    detailLayout->setContentsMargins(0, 0, 0, 0);
    auto* controls = new QVBoxLayout;
    auto* grid = new QGridLayout;
    AddEffectRow(grid, 0, QStringLiteral("明るさ"), tbBrightness, seBrightness,
                 QStringLiteral("tbBrightness"), QStringLiteral("seBrightness"), pnlDetail);
    AddEffectRow(grid, 1, QStringLiteral("コントラスト"), tbContrast, seContrast,
                 QStringLiteral("tbContrast"), QStringLiteral("seContrast"), pnlDetail);
    controls->addLayout(grid);

    rgBlur = new QGroupBox(QStringLiteral("フォーカス"), pnlDetail);
    rgBlur->setObjectName(QStringLiteral("rgBlur"));
    rgBlur->setToolTip(QStringLiteral("フォーカスの度合いを指定してください"));
    grpBlur = new QButtonGroup(this);
    auto* blurLayout = new QGridLayout(rgBlur);
    for (int i = 0; i < int(std::size(kBlurItems)); ++i) {
        auto* button = new QRadioButton(QString::fromUtf8(kBlurItems[i].Caption), rgBlur);
        grpBlur->addButton(button, i);
        blurLayout->addWidget(button, i % 4, i / 4);
    }
    controls->addWidget(rgBlur);

    gbMonoTone = new QGroupBox(QStringLiteral("単色効果"), pnlDetail);
    gbMonoTone->setObjectName(QStringLiteral("gbMonoTone"));
    auto* toneLayout = new QHBoxLayout(gbMonoTone);
    auto* tones = new QButtonGroup(this);
    const auto addTone = [&](QRadioButton*& button, const char* name, const QString& caption) {
        button = new QRadioButton(caption, gbMonoTone);
        button->setObjectName(QString::fromLatin1(name));
        tones->addButton(button);
        toneLayout->addWidget(button);
    };
    addTone(rbMTNone, "rbMTNone", QStringLiteral("なし"));
    addTone(rbMTWhite, "rbMTWhite", QStringLiteral("白黒"));
    addTone(rbMTSepia, "rbMTSepia", QStringLiteral("セピア"));
    addTone(rbMTNoneColors, "rbMTNoneColors", QStringLiteral("指定色"));
    btnMTColor = new QPushButton(QStringLiteral("色"), gbMonoTone);
    btnMTColor->setObjectName(QStringLiteral("btnMTColor"));
    btnMTColor->setToolTip(QStringLiteral("単色効果に使う色を設定します"));
    btnMTColor->setIconSize(kSwatchSize);
    btnMTColor->setEnabled(false);
    toneLayout->addWidget(btnMTColor);
    toneLayout->addStretch();
    rbMTNone->setChecked(true);
    controls->addWidget(gbMonoTone);
    controls->addStretch();
    detailLayout->addLayout(controls, 1);

    auto* previewLayout = new QVBoxLayout;
    lblEffect = new QLabel(QStringLiteral("元絵"), pnlDetail);
    lblEffect->setObjectName(QStringLiteral("lblEffect"));
    ipEffect = new TImagePanel(pnlDetail);
    ipEffect->setObjectName(QStringLiteral("ipEffect"));
    ipEffect->setMinimumSize(160, 160);
    previewLayout->addWidget(lblEffect);
    previewLayout->addWidget(ipEffect, 1);
    detailLayout->addLayout(previewLayout, 1);
    layout->addWidget(pnlDetail, 1);

    actClickStyle = new QAction(this);
    actClickStyle->setObjectName(QStringLiteral("actClickStyle"));
    actDoubleClickStyle = new QAction(this);
    actDoubleClickStyle->setObjectName(QStringLiteral("actDoubleClickStyle"));
    connect(actClickStyle, &QAction::triggered, this, &TfrmBackEffectEditor::ClickStyle);
    connect(actDoubleClickStyle, &QAction::triggered, this, &TfrmBackEffectEditor::DoubleClickStyle);
    styleBrowser_->SetClickAction(actClickStyle);
    styleBrowser_->SetDblClickAction(actDoubleClickStyle);

    BroadcastCatcher1 = new TBroadcastCatcher(this);
    BroadcastCatcher1->setObjectName(QStringLiteral("BroadcastCatcher1"));
    BroadcastCatcher1->SetGUID(QStringLiteral("{1153AE63-523C-11D3-AD37-00500463098A}"));
    BroadcastCatcher1->OnCatch = [this](TObject*) { DataChanged(); };
    // A new picture needs a new preview source; the change broadcast that follows asks for it.
    PictureCatcher = new TBroadcastCatcher(this);
    PictureCatcher->setObjectName(QStringLiteral("PictureCatcher"));
    PictureCatcher->SetGUID(GUID_ImageDataPictureChanged.ToString());
    PictureCatcher->OnCatch = [this](TObject*) { sourceOutOfDate_ = true; };

    connect(grpSetMode, &QButtonGroup::idClicked, this, &TfrmBackEffectEditor::SetSetMode);
    connect(tbBrightness, &QSlider::valueChanged, this, [this](int value) {
        if (!showing_)
            seBrightness->SetValue(value);
    });
    connect(tbContrast, &QSlider::valueChanged, this, [this](int value) {
        if (!showing_)
            seContrast->SetValue(value);
    });
    seBrightness->OnChange = [this](TObject*) { BrightnessEdited(); };
    seContrast->OnChange = [this](TObject*) { ContrastEdited(); };
    connect(grpBlur, &QButtonGroup::idClicked, this, [this](int item) {
        if (!showing_ && data_ != nullptr)
            data_->BlurFilter()->SetBlurCount(BlurCountOfItem(item));
    });
    connect(tones, &QButtonGroup::buttonClicked, this, &TfrmBackEffectEditor::TintClicked);
    connect(btnMTColor, &QPushButton::clicked, this, &TfrmBackEffectEditor::ColorButtonClicked);
    connect(previewThread_.get(), &TEffectPreviewThread::PreviewReady, this,
            &TfrmBackEffectEditor::PreviewReady, Qt::QueuedConnection);

    ShowCustomColor();
    SetSetMode(RememberedMode());
}

TfrmBackEffectEditor::~TfrmBackEffectEditor() {
    RememberedMode() = SetMode();
    SetImageData(nullptr);
    // Stops the worker before the editor's members go.
    previewThread_.reset();
    delete colorGrid_;
}

int TfrmBackEffectEditor::SetMode() const {
    return grpSetMode->checkedId() == smDetail ? smDetail : smStyle;
}

void TfrmBackEffectEditor::SetSetMode(int mode) {
    mode = mode == smDetail ? smDetail : smStyle;
    grpSetMode->button(mode)->setChecked(true);
    pnlStyle->setVisible(mode == smStyle);
    pnlDetail->setVisible(mode == smDetail);
    if (data_ != nullptr)
        DataChanged();
}

void TfrmBackEffectEditor::SetImageData(TImageData* data) {
    if (data_ != nullptr) {
        BroadcastCatcher1->Unsubscribe(data_);
        PictureCatcher->Unsubscribe(data_);
    }
    data_ = data;
    source_.reset();
    sourceOutOfDate_ = true;
    if (data_ == nullptr)
        return;
    BroadcastCatcher1->Subscribe(data_);
    PictureCatcher->Subscribe(data_);
    DataChanged();
}

void TfrmBackEffectEditor::DataChanged() {
    if (data_ == nullptr || data_->IsEmpty())
        return;
    if (SetMode() == smDetail) {
        previewOutOfDate_ = true;
        ShowValues();
        if (isVisible())
            RequestPreview();
    } else if (!applyingStyle_) {
        styleBrowser_->SetImageData(data_);
    }
}

void TfrmBackEffectEditor::ShowValues() {
    showing_ = true;
    const TEffectStyle values = GetEffectStyle(*data_);
    grpBlur->button(BlurItemOfCount(values.Focus))->setChecked(true);
    const TColor tint = values.Color;
    if (rbMTNoneColors->isChecked() && (tint == kWhiteTint || tint == kSepiaTint)) {
        customColor_ = tint;
        ShowCustomColor();
    } else if (tint == clNone) {
        rbMTNone->setChecked(true);
    } else if (tint == kWhiteTint) {
        rbMTWhite->setChecked(true);
    } else if (tint == kSepiaTint) {
        rbMTSepia->setChecked(true);
    } else {
        customColor_ = tint;
        ShowCustomColor();
        rbMTNoneColors->setChecked(true);
    }
    btnMTColor->setEnabled(rbMTNoneColors->isChecked());
    tbBrightness->setValue(values.Brightness);
    seBrightness->SetValue(values.Brightness);
    tbContrast->setValue(values.Contrast);
    seContrast->SetValue(values.Contrast);
    showing_ = false;
}

void TfrmBackEffectEditor::ShowCustomColor() {
    QPixmap swatch(kSwatchSize);
    swatch.fill(ToQColor(customColor_));
    QPainter painter(&swatch);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, kSwatchSize.width() - 1, kSwatchSize.height() - 1);
    painter.end();
    btnMTColor->setIcon(QIcon(swatch));
}

void TfrmBackEffectEditor::BrightnessEdited() {
    if (showing_ || !seBrightness->IsValidText())
        return;
    const int value = seBrightness->Value();
    showing_ = true;
    tbBrightness->setValue(value);
    showing_ = false;
    if (data_ != nullptr)
        data_->LightFilter()->SetBrightness(value);
}

void TfrmBackEffectEditor::ContrastEdited() {
    if (showing_ || !seContrast->IsValidText())
        return;
    const int value = seContrast->Value();
    showing_ = true;
    tbContrast->setValue(value);
    showing_ = false;
    if (data_ != nullptr)
        data_->LightFilter()->SetContrast(value);
}

void TfrmBackEffectEditor::TintClicked(QAbstractButton* button) {
    btnMTColor->setEnabled(rbMTNoneColors->isChecked());
    if (showing_ || data_ == nullptr)
        return;
    TColor tint = clNone;
    if (button == rbMTWhite)
        tint = kWhiteTint;
    else if (button == rbMTSepia)
        tint = kSepiaTint;
    else if (button == rbMTNoneColors)
        tint = customColor_;
    data_->MonotoneFilter()->SetRefColor(tint);
}

void TfrmBackEffectEditor::ColorButtonClicked() {
    if (colorGrid_ == nullptr) {
        colorGrid_ = new TfrmColorGrid(nullptr);
        colorGrid_->OnSelectColor = [this](TObject*) {
            btnMTColor->setDown(false);
            customColor_ = colorGrid_->DefaultColor();
            ShowCustomColor();
            if (data_ != nullptr)
                data_->MonotoneFilter()->SetRefColor(customColor_);
        };
        colorGrid_->OnCloseUp = [this](TObject*) { btnMTColor->setDown(false); };
    }
    colorGrid_->SetDefaultColor(customColor_);
    btnMTColor->setDown(true);
    colorGrid_->DropDown(btnMTColor);
}

void TfrmBackEffectEditor::ClickStyle() {
    if (applyingStyle_ || data_ == nullptr || !styleBrowser_->HasSelection())
        return;
    applyingStyle_ = true;
    try {
        ApplyEffectStyle(styleBrowser_->GetSelectedStyle(), *data_);
    } catch (...) {
        applyingStyle_ = false;
        throw;
    }
    applyingStyle_ = false;
}

void TfrmBackEffectEditor::DoubleClickStyle() {
    if (hostDblClick_ != nullptr && styleBrowser_->HasSelection())
        hostDblClick_->trigger();
}

void TfrmBackEffectEditor::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (previewOutOfDate_ && SetMode() == smDetail && data_ != nullptr && !data_->IsEmpty())
        RequestPreview();
}

void TfrmBackEffectEditor::RequestPreview() {
    if (data_ == nullptr || data_->IsEmpty())
        return;
    if (sourceOutOfDate_ || !source_ || source_->ClipRect != data_->ClipFilter()->ClipRect() ||
        source_->TransparentColor != data_->TransparentColor()) {
        source_ = TakeEffectSource(*data_, EffectPreviewSizeLimit());
        sourceOutOfDate_ = false;
    }
    requestedPreview_ = previewThread_->Request({source_, GetEffectStyle(*data_)});
    previewOutOfDate_ = false;
}

void TfrmBackEffectEditor::PreviewReady(const QImage& image, quint64 serial) {
    // An older build still in flight never covers a newer one already shown.
    if (serial <= shownPreview_)
        return;
    shownPreview_ = serial;
    previewImage_ = image;
    TPicture picture;
    if (!image.isNull()) {
        TSafetyBitmap bitmap;
        bitmap.SetPixels(PixelBuffer::FromImage(image, 24));
        const bool transparent = data_ != nullptr && data_->UsesTransparentColor();
        if (transparent) {
            bitmap.SetTransparentColor(data_->TransparentColor());
            bitmap.SetTransparent(true);
        }
        picture.SetGraphic(&bitmap);
        ipEffect->SetTransparent(transparent);
    }
    ipEffect->SetPicture(picture);
}
