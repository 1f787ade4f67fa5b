#include "app/dialogs/FAutoImgNorm.h"

#include "controls/UImagePanel.h"
#include "core/UAppUtil.h"
#include "core/UGeometryUtil.h"
#include "imaging/UAutoAdjustFilter.h"
#include "imaging/UGREffector.h"
#include "imaging/UGraphicsUtil.h"
#include "imaging/UImageData.h"
#include "imaging/UImagePack.h"
#include "imaging/UImageUtil.h"
#include "imaging/UImgNormalize.h"
#include "imaging/UPictureEX.h"
#include "imaging/USafetyBitmap.h"
#include "platform/Canvas.h"

#include <QAction>
#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyleOptionButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr int kCheckboxSize = 16;
constexpr int kRowHeight = 210;

const char* const kFilterCaptions[] = {"補整しない", "Quorlane補整", "ExifPrint補整"};
const char* const kFilterAllCaptions[] = {"すべて補整しない", "すべてQuorlane補整", "すべてExifPrint補整"};

QPixmap CheckboxPicture(QWidget* style, bool on) {
    QPixmap pixmap(kCheckboxSize, kCheckboxSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    QStyleOptionButton option;
    option.rect = pixmap.rect();
    option.state = QStyle::State_Enabled | (on ? QStyle::State_On : QStyle::State_Off);
    style->style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &painter, style);
    return pixmap;
}

// A 24-bit copy of picture at its own size, drawn on white.
void DrawWhole(TPicture* picture, TSafetyBitmap& bitmap) {
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(picture->Width(), picture->Height());
    bitmap.Canvas().FillSolid(TRect(0, 0, picture->Width(), picture->Height()), clWhite);
    DrawGraphicLocked(bitmap.Canvas(), 0, 0, picture->Graphic());
}

TRect PreviewRect(int width, int height) {
    return FitSizeInner(TRect(0, 0, std::max(width, 1), std::max(height, 1)), TfrmAutoImgNorm::kPreviewSize,
                        TfrmAutoImgNorm::kPreviewSize);
}

} // namespace

// ---- TAINPhasedProgress

TAINPhasedProgress::~TAINPhasedProgress() {
    if (busy_)
        QApplication::restoreOverrideCursor();
}

void TAINPhasedProgress::BeginPhase(int32_t min, int32_t max) {
    TSTDPhasedProgress::BeginPhase(min, max);
    if (Level() >= 1 && !busy_) {
        busy_ = true;
        if (ProgressBar())
            ProgressBar()->show();
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
}

void TAINPhasedProgress::EndPhase() {
    TSTDPhasedProgress::EndPhase();
    if (Level() < 1 && busy_) {
        busy_ = false;
        if (ProgressBar())
            ProgressBar()->hide();
        QApplication::restoreOverrideCursor();
    }
}

// ---- TfrmAutoImgNorm

TfrmAutoImgNorm::TfrmAutoImgNorm(QWidget* parent)
    : QDialog(parent), CustomImagePackSrc(std::make_unique<TCustomImagePack>(nullptr)),
      CustomImagePackDst(std::make_unique<TCustomImagePack>(nullptr)) {
    setObjectName(QStringLiteral("frmAutoImgNorm"));
    setWindowTitle(QStringLiteral("イメージの自動調整"));
    lblHeader = new QLabel(QStringLiteral("選択されている写真の画質を自動調整します。"), this);
    lblHeader->setObjectName(QStringLiteral("lblHeader"));

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("元画像"), this), 0, 1, Qt::AlignHCenter);
    grid->addWidget(new QLabel(QStringLiteral("補整後画像"), this), 0, 3, Qt::AlignHCenter);
    pmFilter = new QMenu(this);
    pmFilter->setObjectName(QStringLiteral("pmFilter"));
    pmFilterAll = new QMenu(this);
    pmFilterAll->setObjectName(QStringLiteral("pmFilterAll"));
    for (int tag = 0; tag < 3; ++tag) {
        filterItems[tag] = pmFilter->addAction(QString::fromUtf8(kFilterCaptions[tag]));
        filterItems[tag]->setCheckable(true);
        connect(filterItems[tag], &QAction::triggered, this, [this, tag] { ChooseFilter(menuRow_, tag); });
        filterAllItems[tag] = pmFilterAll->addAction(QString::fromUtf8(kFilterAllCaptions[tag]));
        connect(filterAllItems[tag], &QAction::triggered, this, [this, tag] { ChooseFilterAll(tag); });
    }
    connect(pmFilter, &QMenu::aboutToShow, this, [this] { PrepareFilterMenu(); });
    mipCheckbox = {CheckboxPicture(this, false), CheckboxPicture(this, true)};
    for (int r = 0; r < kRows; ++r) {
        const auto name = [r](const char* prefix) { return QString::fromLatin1(prefix).arg(r); };
        lbNo[r] = new QLabel(this);
        lbNo[r]->setObjectName(name("lbNo%1"));
        imSrc[r] = new TImagePanel(this);
        imSrc[r]->setObjectName(name("imSrc%1"));
        imSrc[r]->setFixedSize(kPreviewSize + 4, kPreviewSize + 4);
        btnConv[r] = new QToolButton(this);
        btnConv[r]->setObjectName(name("btnConv%1"));
        btnConv[r]->setIcon(mipCheckbox[0]);
        lblConv[r] = new QLabel(QStringLiteral("Quorlane補正"), this);
        lblConv[r]->setObjectName(name("lblConv%1"));
        lblConv[r]->setMinimumWidth(100);
        imDst[r] = new TImagePanel(this);
        imDst[r]->setObjectName(name("imDst%1"));
        imDst[r]->setFixedSize(kPreviewSize + 4, kPreviewSize + 4);
        auto* choice = new QVBoxLayout;
        choice->addStretch(1);
        choice->addWidget(btnConv[r], 0, Qt::AlignHCenter);
        choice->addWidget(lblConv[r], 0, Qt::AlignHCenter);
        choice->addStretch(1);
        grid->addWidget(lbNo[r], r + 1, 0, Qt::AlignTop);
        grid->addWidget(imSrc[r], r + 1, 1);
        grid->addLayout(choice, r + 1, 2);
        grid->addWidget(imDst[r], r + 1, 3);
        grid->setRowMinimumHeight(r + 1, kRowHeight);
        connect(btnConv[r], &QToolButton::clicked, this, [this, r] { OpenFilterMenu(r); });
    }
    ScrollBar1 = new QScrollBar(Qt::Vertical, this);
    ScrollBar1->setObjectName(QStringLiteral("ScrollBar1"));
    ScrollBar1->setEnabled(false);
    grid->addWidget(ScrollBar1, 1, 4, kRows, 1);
    connect(ScrollBar1, &QScrollBar::valueChanged, this, [this] { ShowRows(); });

    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    BtnSetAll = new QPushButton(QStringLiteral("一括設定"), this);
    BtnSetAll->setObjectName(QStringLiteral("BtnSetAll"));
    btnClearAll = new QPushButton(QStringLiteral("すべて解除"), this);
    btnClearAll->setObjectName(QStringLiteral("btnClearAll"));
    btnClearAll->hide();
    btnSelectAll = new QPushButton(QStringLiteral("すべて選択"), this);
    btnSelectAll->setObjectName(QStringLiteral("btnSelectAll"));
    btnSelectAll->hide();
    connect(btnOK, &QPushButton::clicked, this, [this] { OkClicked(); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(BtnSetAll, &QPushButton::clicked, this,
            [this] { pmFilterAll->popup(BtnSetAll->mapToGlobal(QPoint(0, BtnSetAll->height()))); });
    connect(btnClearAll, &QPushButton::clicked, this, [this] { ChooseFilterAll(fnNone); });
    connect(btnSelectAll, &QPushButton::clicked, this, [this] {
        std::fill(numbers_.begin(), numbers_.end(), int(fnOwn));
        RefreshResults();
    });

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setFixedHeight(20);
    ProgressBar1 = new QProgressBar(StatusBar1);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setTextVisible(false);
    ProgressBar1->hide();
    progress_ = std::make_unique<TAINPhasedProgress>(ProgressBar1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BtnSetAll);
    buttons->addWidget(btnClearAll);
    buttons->addWidget(btnSelectAll);
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* whole = new QVBoxLayout(this);
    whole->addWidget(lblHeader);
    whole->addLayout(grid);
    whole->addLayout(buttons);
    whole->addWidget(StatusBar1);

    CustomImagePackSrc->OnGetImage = [this](TObject*, TPictureEx& picture, int index) {
        MakeSourcePreview(picture, index);
    };
    CustomImagePackDst->OnGetImage = [this](TObject*, TPictureEx& picture, int index) {
        MakeResultPreview(picture, index);
    };
    for (TCustomImagePack* pack : {CustomImagePackSrc.get(), CustomImagePackDst.get()})
        pack->OnGetCount = [this](TObject*, int& count) { count = count_; };
    SetupForm(this);
}

TfrmAutoImgNorm::~TfrmAutoImgNorm() = default;

void TfrmAutoImgNorm::SetSource(TImgNormalizeCallBackClass* source) {
    source_ = source;
    BtnSetAll->setVisible(source_ != nullptr && source_->GetCount() >= 2);
}

void TfrmAutoImgNorm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The bar lies in the status bar, which has its size only now.
    ProgressBar1->setGeometry(1, 3, StatusBar1->width() - 6, StatusBar1->height() - 3);
    if (!setUp_) {
        setUp_ = true;
        repaint();
        SetUp();
    }
}

void TfrmAutoImgNorm::SetUp() {
    CustomImagePackSrc->ClearCache();
    CustomImagePackDst->ClearCache();
    if (source_ != nullptr && source_->GetCount() > 0) {
        count_ = source_->GetCount();
        numbers_.resize(size_t(count_));
        for (int i = 0; i < count_; ++i)
            numbers_[size_t(i)] = source_->GetFilterNo(i);
        for (TCustomImagePack* pack : {CustomImagePackSrc.get(), CustomImagePackDst.get()}) {
            pack->SetCacheLimit(std::min(count_ + 1, kMaxCachedPreviews));
            pack->Refresh();
        }
    }
    ScrollBar1->setEnabled(count_ > kRows);
    if (count_ > kRows) {
        ScrollBar1->setMaximum(count_ - kRows);
        ScrollBar1->setPageStep(kRows);
        ScrollBar1->setValue(0);
    }
    for (int r = 0; r < kRows; ++r) {
        const bool visible = r < count_;
        for (QWidget* control : {static_cast<QWidget*>(lbNo[r]), static_cast<QWidget*>(imSrc[r]),
                                 static_cast<QWidget*>(btnConv[r]), static_cast<QWidget*>(lblConv[r]),
                                 static_cast<QWidget*>(imDst[r])})
            control->setVisible(visible);
    }
    ShowRows();
}

void TfrmAutoImgNorm::ShowRows() {
    for (int r = 0; r < kRows; ++r)
        ShowRow(r);
}

void TfrmAutoImgNorm::ShowRow(int row) {
    const int index = ScrollBar1->value() + row;
    if (index >= count_)
        return;
    lbNo[row]->setText(QStringLiteral("No.%1").arg(index + 1));
    const int number = numbers_[size_t(index)];
    btnConv[row]->setIcon(mipCheckbox[number != fnNone ? 1 : 0]);
    lblConv[row]->setText(filterItems[std::clamp(number, 0, 2)]->text());
    TPicture picture;
    CustomImagePackSrc->GetImage(picture, index);
    imSrc[row]->SetPicture(picture);
    CustomImagePackDst->GetImage(picture, index);
    imDst[row]->SetPicture(picture);
}

bool TfrmAutoImgNorm::CanApplyNumber(int index, int number) {
    if (number == fnNone)
        return true;
    if (source_ == nullptr)
        return false;
    TPicture* picture = source_->GetResultPicture(index);
    if (number == fnOwn) {
        TAutoNormalizeFilter filter;
        return filter.CanApply(picture);
    }
    TBJExifNormalizeFilter filter;
    return number == fnExifPrint && filter.CanApply(picture);
}

void TfrmAutoImgNorm::OpenFilterMenu(int row) {
    menuRow_ = row;
    pmFilter->popup(btnConv[row]->mapToGlobal(QPoint(0, btnConv[row]->height())));
}

void TfrmAutoImgNorm::PrepareFilterMenu() {
    const int index = ScrollBar1->value() + menuRow_;
    if (index >= count_)
        return;
    for (int tag = 0; tag < 3; ++tag) {
        filterItems[tag]->setChecked(numbers_[size_t(index)] == tag);
        filterItems[tag]->setEnabled(CanApplyNumber(index, tag));
    }
}

void TfrmAutoImgNorm::ChooseFilter(int row, int number) {
    const int index = ScrollBar1->value() + row;
    if (index < 0 || index >= count_ || row < 0 || row >= kRows)
        return;
    numbers_[size_t(index)] = number;
    TPictureEx result;
    MakeResultPreview(result, index);
    CustomImagePackDst->StoreCachedImage(result, index);
    ShowRow(row);
}

void TfrmAutoImgNorm::ChooseFilterAll(int number) {
    for (int i = 0; i < count_; ++i)
        if (number == fnNone || CanApplyNumber(i, number))
            numbers_[size_t(i)] = number;
    RefreshResults();
}

void TfrmAutoImgNorm::RefreshResults() {
    CustomImagePackDst->Refresh();
    ShowRows();
}

void TfrmAutoImgNorm::MakeSourcePreview(TPictureEx& picture, int index) {
    TPicture* source = source_->GetSourcePicture(index);
    const TRect size = PreviewRect(source->Width(), source->Height());
    TSafetyBitmap thumbnail(size.Width(), size.Height(), pf24bit);
    DrawPictureThumbnail(source, &thumbnail, clNone, true, clWhite);
    picture.SetGraphic(&thumbnail);
}

void TfrmAutoImgNorm::MakeResultPreview(TPictureEx& picture, int index) {
    const int number = numbers_[size_t(index)];
    if (number == fnNone) {
        CustomImagePackSrc->GetImage(picture, index);
        return;
    }
    TPictureEx copy;
    copy.Assign(source_->GetResultPicture(index));
    if (IsRectDegenerate(TRect(0, 0, copy.Width(), copy.Height()))) {
        picture.SetGraphic(nullptr);
        return;
    }
    TSafetyBitmap whole;
    DrawWhole(&copy, whole);
    TSafetyBitmap corrected;
    std::unique_ptr<TGREffector> effector;
    if (number == fnExifPrint) {
        auto exif = std::make_unique<TGREffectBJExifNormalize>();
        exif->SetJPEGPicture(&copy);
        effector = std::move(exif);
    } else {
        effector = std::make_unique<TGREffectAutoNormalize>();
    }
    effector->SetSource(&whole);
    effector->SetDest(&corrected);
    effector->SetSourceRect(TRect(0, 0, whole.Width(), whole.Height()));
    effector->SetProgress(progress_.get());
    effector->Execute();
    TPictureEx result;
    result.SetGraphic(&corrected);
    // The photo's own filters (clip, blur, light, tone) come after the correction.
    if (TImageData* own = source_->GetImageData(index)) {
        TImageData filtered;
        filtered.Assign(own);
        filtered.SetPicture(&result);
        result.Assign(filtered.GetFilteredPicture());
    }
    TSafetyBitmap full;
    DrawWhole(&result, full);
    const TRect size = PreviewRect(full.Width(), full.Height());
    TSafetyBitmap thumbnail(size.Width(), size.Height(), pf24bit);
    ResampleBitmap(&thumbnail, &full, rkLinear);
    picture.SetGraphic(&thumbnail);
}

void TfrmAutoImgNorm::OkClicked() {
    if (source_ != nullptr && count_ > 0) {
        progress_->BeginPhase(0, count_);
        for (int i = 0; i < count_; ++i) {
            source_->SetFilterNo(i, numbers_[size_t(i)]);
            progress_->StepIt();
        }
        progress_->EndPhase();
    }
    accept();
}
