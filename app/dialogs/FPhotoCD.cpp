#include "app/dialogs/FPhotoCD.h"

#include "controls/UImagePanel.h"
#include "core/UAppFrame.h"
#include "core/UAppUtil.h"
#include "imaging/UPCDAccess.h"
#include "imaging/USafetyBitmap.h"
#include "platform/Picture.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// Remembered for the rest of the run.
int rememberedColor = 1;
int rememberedSize = 1;

constexpr int kFormats[] = {kPCDFormatGray, kPCDFormatHalftone, kPCDFormatRGB};
constexpr int kResolutions[] = {kPCDBase16, kPCDBase4, kPCDBase};
// しない, 90, 180, 270.
constexpr int kRotations[] = {0, kPCDTurnLeft | kPCDFlipVertical | kPCDFlipHorizontal,
                              kPCDFlipVertical | kPCDFlipHorizontal, kPCDTurnLeft};
constexpr int kRotate270 = 3;
constexpr int kSampleWidth = 300;
constexpr int kSampleHeight = 220;

QGroupBox* RadioGroup(QWidget* parent, const char* name, const QString& caption, const QStringList& items,
                      QButtonGroup*& buttons) {
    auto* box = new QGroupBox(caption, parent);
    box->setObjectName(QString::fromLatin1(name));
    auto* column = new QVBoxLayout(box);
    buttons = new QButtonGroup(box);
    for (int i = 0; i < items.size(); ++i) {
        auto* radio = new QRadioButton(items[i], box);
        buttons->addButton(radio, i);
        column->addWidget(radio);
    }
    return box;
}

} // namespace

TfrmPhotoCD::TfrmPhotoCD(QWidget* parent)
    : QDialog(parent), reader_(std::make_unique<TPCDAccess>()), result_(std::make_unique<TPicture>()) {
    setObjectName(QStringLiteral("frmPhotoCD"));
    setWindowTitle(QStringLiteral("PhotoCDイメージの設定"));
    rgColor = RadioGroup(this, "rgColor", QStringLiteral("色数"),
                         {QStringLiteral("256色グレースケール"), QStringLiteral("256色カラー"),
                          QStringLiteral("16M色フルカラー")},
                         colorButtons);
    rgSize = RadioGroup(this, "rgSize", QStringLiteral("サイズ"),
                        {QStringLiteral("小 192x128"), QStringLiteral("中 384x256"), QStringLiteral("大 768x512")},
                        sizeButtons);
    gbOption = new QGroupBox(QStringLiteral("オプション"), this);
    auto* options = new QGridLayout(gbOption);
    cmbRotate = new QComboBox(gbOption);
    cmbRotate->setObjectName(QStringLiteral("cmbRotate"));
    cmbRotate->addItems({QStringLiteral("しない"), QStringLiteral("90"), QStringLiteral("180"), QStringLiteral("270")});
    auto* rotateLabel = new QLabel(QStringLiteral("回転(&R)"), gbOption);
    rotateLabel->setBuddy(cmbRotate);
    cbVert = new QCheckBox(QStringLiteral("垂直反転(&V)"), gbOption);
    cbVert->setObjectName(QStringLiteral("cbVert"));
    cbHorz = new QCheckBox(QStringLiteral("水平反転(&H)"), gbOption);
    cbHorz->setObjectName(QStringLiteral("cbHorz"));
    options->addWidget(rotateLabel, 0, 0);
    options->addWidget(cmbRotate, 0, 1);
    options->addWidget(cbVert, 1, 0, 1, 2);
    options->addWidget(cbHorz, 2, 0, 1, 2);
    gbSample = new QGroupBox(QStringLiteral("サンプル"), this);
    auto* sample = new QVBoxLayout(gbSample);
    ipnlView = new TImagePanel(gbSample);
    ipnlView->setObjectName(QStringLiteral("ipnlView"));
    ipnlView->setMinimumSize(kSampleWidth, kSampleHeight);
    sample->addWidget(ipnlView);
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnOK->setEnabled(false);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));

    auto* choices = new QVBoxLayout;
    choices->addWidget(rgColor);
    choices->addWidget(rgSize);
    choices->addWidget(gbOption);
    choices->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* right = new QVBoxLayout;
    right->addWidget(gbSample, 1);
    right->addLayout(buttons);
    auto* whole = new QHBoxLayout(this);
    whole->addLayout(choices);
    whole->addLayout(right, 1);

    connect(colorButtons, &QButtonGroup::idClicked, this, [this] { MakeSample(); });
    connect(sizeButtons, &QButtonGroup::idClicked, this, [this] { MakeSample(); });
    connect(cmbRotate, &QComboBox::activated, this, [this] { MakeSample(); });
    connect(cbVert, &QCheckBox::clicked, this, [this] { MakeSample(); });
    connect(cbHorz, &QCheckBox::clicked, this, [this] { MakeSample(); });
    connect(btnOK, &QPushButton::clicked, this, [this] { OkClicked(); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    SetupForm(this);
}

TfrmPhotoCD::~TfrmPhotoCD() = default;

int TfrmPhotoCD::ChosenFormat() const {
    return kFormats[std::clamp(colorButtons->checkedId(), 0, 2)];
}

int TfrmPhotoCD::ChosenResolution() const {
    return kResolutions[std::clamp(sizeButtons->checkedId(), 0, 2)];
}

int TfrmPhotoCD::ChosenTransform() const {
    int transform = kRotations[std::clamp(cmbRotate->currentIndex(), 0, 3)];
    if (cbVert->isChecked())
        transform ^= kPCDFlipVertical;
    if (cbHorz->isChecked())
        transform ^= kPCDFlipHorizontal;
    return transform;
}

void TfrmPhotoCD::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!activated_) {
        activated_ = true;
        // After the window is on screen, so the message box has it as its owner.
        QTimer::singleShot(0, this, [this] { Activate(); });
    }
}

void TfrmPhotoCD::Activate() {
    colorButtons->button(rememberedColor)->setChecked(true);
    sizeButtons->button(rememberedSize)->setChecked(true);
    if (!reader_->IsOpen() && !reader_->Open(fileName_)) {
        AppMessageBox(PCDOpenErrorMessage(fileName_), {bkOK}, 0, 0);
        reject();
        return;
    }
    const int stored = reader_->Transform();
    cmbRotate->setCurrentIndex(stored & kPCDTurnLeft ? kRotate270 : 0);
    cbVert->setChecked(stored & kPCDFlipVertical);
    cbHorz->setChecked(stored & kPCDFlipHorizontal);
    MakeSample();
}

void TfrmPhotoCD::MakeSample() {
    if (!reader_->IsOpen())
        return;
    const int format = ChosenFormat();
    const int resolution = ChosenResolution();
    const int transform = ChosenTransform();
    if (hasSample_ && reader_->Resolution() == resolution && reader_->Format() == format &&
        reader_->Transform() == transform)
        return;
    try {
        // A size the file lacks keeps the one in hand.
        if (reader_->HasResolution(resolution))
            reader_->SetResolution(resolution);
        reader_->SetFormat(format);
        reader_->SetTransform(transform);
        TSafetyBitmap bitmap;
        if (!reader_->LoadBitmap(bitmap))
            throw EPCDError(PCDOpenErrorMessage(fileName_));
        TPicture picture;
        picture.SetGraphic(&bitmap);
        ipnlView->SetPicture(picture);
        hasSample_ = true;
    } catch (const EPCDError& e) {
        hasSample_ = false;
        ipnlView->SetPicture(TPicture());
        AppMessageBox(e.Message(), {bkOK}, 0, 0);
    }
    btnOK->setEnabled(hasSample_);
}

void TfrmPhotoCD::OkClicked() {
    if (!hasSample_)
        return;
    result_->Assign(&ipnlView->Picture());
    rememberedColor = colorButtons->checkedId();
    rememberedSize = sizeButtons->checkedId();
    accept();
}

bool PhotoCDLoader(QWidget* owner, const QString& fileName, TPicture& picture) {
    if (QThread::currentThread() != QApplication::instance()->thread()) {
        TSafetyBitmap bitmap;
        LoadPCDFile(fileName, kPCDBase4, bitmap);
        picture.SetGraphic(&bitmap);
        return true;
    }
    TfrmPhotoCD dialog(owner ? owner : QApplication::activeWindow());
    dialog.SetFileName(fileName);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    picture.Assign(&dialog.Result());
    return true;
}
