#include "app/dialogs/FPhotoSize.h"

#include "app/ULayoutRules.h"
#include "controls/Exspined.h"
#include "papers/UMaterialCatalog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <utility>

namespace {

constexpr int kLeastExtent = 20;
constexpr int kMostExtent = 10000;

bool HasStandard(int width, int height) {
    return width >= 1 && height >= 1;
}

QString SizeText(int width, int height) {
    return QStringLiteral("-%1×%2").arg(FormatTenthsMm(width), FormatTenthsMm(height));
}

} // namespace

QString StandardPhotoSizeText(int width, int height) {
    return QStringLiteral("標準写真サイズ") + SizeText(width, height);
}

QString RegistDefPhotoSizeCaption(int width, int height) {
    return QStringLiteral("標準写真サイズ") + QStringLiteral("に登録") +
           (HasStandard(width, height) ? SizeText(width, height) : QStringLiteral("-未登録")) +
           QStringLiteral("(&D)");
}

TfrmPhotoSize::TfrmPhotoSize(QWidget* parent)
    : TToolWindow(parent),
      catalogue_(std::make_unique<TPhotoSizeInfo>(FindCatalogFile(QStringLiteral("AlbumPht.Dat")))) {
    setObjectName(QStringLiteral("frmPhotoSize"));
    setWindowTitle(QStringLiteral("写真サイズの設定"));
    auto* content = new QGridLayout;
    lstSize = new QListWidget(this);
    lstSize->setObjectName(QStringLiteral("lstSize"));
    lstSize->setMinimumWidth(220);
    content->addWidget(lstSize, 0, 0, 4, 1);
    esWidth = NewLengthEdit(this, "esWidth", kLeastExtent, kMostExtent);
    esHeight = NewLengthEdit(this, "esHeight", kLeastExtent, kMostExtent);
    const std::pair<const char*, TExSpinEdit*> rows[] = {{"幅(&W)", esWidth}, {"高さ(&H)", esHeight}};
    int row = 0;
    for (const auto& [caption, edit] : rows) {
        auto* label = new QLabel(QString::fromUtf8(caption), this);
        label->setBuddy(edit);
        content->addWidget(label, row, 1);
        content->addWidget(edit, row, 2);
        content->addWidget(new QLabel(QStringLiteral("mm"), this), row, 3);
        ++row;
    }
    cbPotrait = new QCheckBox(QStringLiteral("縦横を入れ替えて適用"), this);
    cbPotrait->setObjectName(QStringLiteral("cbPotrait"));
    content->addWidget(cbPotrait, 2, 1, 1, 3);
    content->setRowStretch(3, 1);
    connect(lstSize, &QListWidget::itemClicked, this, [this] { ApplyEntry(); });
    connect(cbPotrait, &QCheckBox::clicked, this, [this] { ApplyEntry(); });
    Finish(content);
    FillList();
}

TfrmPhotoSize::~TfrmPhotoSize() = default;

void TfrmPhotoSize::SetStandardSize(int width, int height) {
    standardWidth_ = width;
    standardHeight_ = height;
    FillList();
}

void TfrmPhotoSize::FillList() {
    lstSize->clear();
    if (HasStandard(standardWidth_, standardHeight_))
        lstSize->addItem(StandardPhotoSizeText(standardWidth_, standardHeight_));
    lstSize->addItems(catalogue_->GetNames());
}

void TfrmPhotoSize::SetSize(int width, int height) {
    esWidth->SetValue(width);
    esHeight->SetValue(height);
}

void TfrmPhotoSize::GetSize(int& width, int& height) const {
    width = ValidLength(*esWidth);
    height = ValidLength(*esHeight);
}

void TfrmPhotoSize::ApplyEntry() {
    int index = lstSize->currentRow();
    if (index < 0)
        return;
    int width = 0;
    int height = 0;
    if (HasStandard(standardWidth_, standardHeight_)) {
        if (index == 0) {
            width = standardWidth_;
            height = standardHeight_;
        }
        --index;
    }
    if (index >= 0) {
        TPhotoSize size;
        if (!catalogue_->GetItem(index, size))
            return;
        width = size.Width;
        height = size.Height;
    }
    if (cbPotrait->isChecked())
        std::swap(width, height);
    SetSize(width, height);
}
