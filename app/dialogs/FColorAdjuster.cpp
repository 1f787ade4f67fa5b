#include "app/dialogs/FColorAdjuster.h"

#include "app/dialogs/FBackEffectEditor.h"
#include "controls/UBroadcastCatcher.h"
#include "controls/UFormPanel.h"
#include "core/UAppUtil.h"
#include "imaging/UImageData.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

TfrmColorAdjuster::TfrmColorAdjuster(QWidget* parent)
    : QDialog(parent), imageData_(std::make_unique<TImageData>()) {
    setObjectName(QStringLiteral("frmColorAdjuster"));
    setWindowTitle(QStringLiteral("イメージの画質調整"));
    setProperty("HelpContext", kHelpContext);
    setMinimumSize(kMinWidth, kMinHeight);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    auto* layout = new QVBoxLayout(this);

    PanelEx1 = new QWidget(this);
    PanelEx1->setObjectName(QStringLiteral("PanelEx1"));
    auto* panelLayout = new QVBoxLayout(PanelEx1);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    pnlPreview = new QWidget(PanelEx1);
    pnlPreview->setObjectName(QStringLiteral("pnlPreview"));
    auto* previewLayout = new QHBoxLayout(pnlPreview);
    previewLayout->setContentsMargins(0, 0, 0, 0);
    lblPreview = new QLabel(QStringLiteral("プレビュー"), pnlPreview);
    previewLayout->addWidget(lblPreview);
    pnlPreview->hide();
    panelLayout->addWidget(pnlPreview);
    FormPanel1 = new TFormPanel(PanelEx1);
    FormPanel1->setObjectName(QStringLiteral("FormPanel1"));
    panelLayout->addWidget(FormPanel1, 1);
    layout->addWidget(PanelEx1, 1);

    auto* buttons = new QHBoxLayout;
    btnOk = new QPushButton(QStringLiteral("OK"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    pnlHelp = new QWidget(this);
    pnlHelp->setObjectName(QStringLiteral("pnlHelp"));
    auto* helpLayout = new QHBoxLayout(pnlHelp);
    helpLayout->setContentsMargins(0, 0, 0, 0);
    btnHelp = new QPushButton(QStringLiteral("ヘルプ"), pnlHelp);
    btnHelp->setObjectName(QStringLiteral("btnHelp"));
    btnHelp->setToolTip(QStringLiteral("この項目のヘルプを呼び出します"));
    helpLayout->addWidget(btnHelp);
    pnlHelp->hide();
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    buttons->addWidget(pnlHelp);
    layout->addLayout(buttons);
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    layout->addWidget(StatusBar1);

    actDoubleClick = new QAction(this);
    actDoubleClick->setObjectName(QStringLiteral("actDoubleClick"));
    connect(actDoubleClick, &QAction::triggered, this, &QDialog::accept);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    editor_ = new TfrmBackEffectEditor(this);
    editor_->SetDblClickAction(actDoubleClick);
    FormPanel1->SetForm(editor_);
    editor_->SetImageData(imageData_.get());

    // The hosted editor repaints on its own; the window only keeps listening to the copy.
    BroadcastCatcher1 = new TBroadcastCatcher(this);
    BroadcastCatcher1->setObjectName(QStringLiteral("BroadcastCatcher1"));
    BroadcastCatcher1->SetGUID(QStringLiteral("{1153AE63-523C-11D3-AD37-00500463098A}"));
    BroadcastCatcher1->Subscribe(imageData_.get());
    SetupForm(this);
}

TfrmColorAdjuster::~TfrmColorAdjuster() {
    // The editor and the catcher leave the image data before the image data goes.
    delete editor_;
    delete BroadcastCatcher1;
}

void TfrmColorAdjuster::SetImageData(const TImageData* imageData) {
    if (imageData != nullptr)
        imageData_->Assign(imageData);
}
