#include "app/dialogs/FWaitPrintJob.h"

#include "app/dialogs/UFocusRing.h"
#include "platform/DialogService.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kPreviewSize = 160;

} // namespace

TfrmWaitPrintJob::TfrmWaitPrintJob(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmWaitPrintJob"));
    setWindowTitle(QStringLiteral("用紙の確認"));
    lblMessage = new QLabel(
        QStringLiteral(
            "印刷を開始します。\n\n左図のように用紙をプリンタに\nセットし、\"印刷\"ボタンを押して\n"
            "ください。\n\n※プリンタドライバで180度回転\n印刷を指定した場合は、用紙\n"
            "を逆向きに挿入します。"),
        this);
    lblMessage->setObjectName(QStringLiteral("lblMessage"));
    auto* panel = new QGroupBox(this);
    auto* caption = new QLabel(QStringLiteral("プリンタ挿入方向"), panel);
    imArrow = new QLabel(panel);
    imArrow->setObjectName(QStringLiteral("imArrow"));
    imArrow->setText(QStringLiteral("↓"));
    imArrow->setAlignment(Qt::AlignCenter);
    imPreview = new QLabel(panel);
    imPreview->setObjectName(QStringLiteral("imPreview"));
    imPreview->setFixedSize(kPreviewSize, kPreviewSize);
    imPreview->setAlignment(Qt::AlignCenter);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->addWidget(caption);
    panelLayout->addWidget(imArrow);
    panelLayout->addWidget(imPreview);
    btnPrint = new QPushButton(QStringLiteral("印刷"), this);
    btnPrint->setObjectName(QStringLiteral("btnPrint"));
    btnPrint->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnPrint, &QPushButton::clicked, this, [this] { done(mrOk); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { done(mrAbort); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnPrint);
    buttons->addWidget(btnCancel);
    auto* top = new QHBoxLayout;
    top->addWidget(panel);
    top->addWidget(lblMessage);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    ShowButtonFocus(this);
}

void TfrmWaitPrintJob::SetPicture(const QImage& picture) {
    imPreview->setPixmap(
        QPixmap::fromImage(picture).scaled(imPreview->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void TfrmWaitPrintJob::reject() {
    done(mrAbort);
}
