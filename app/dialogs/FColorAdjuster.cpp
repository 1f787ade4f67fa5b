#include "app/dialogs/FColorAdjuster.h"

#include "app/dialogs/FBackEffectEditor.h"
#include "app/dialogs/UHostDialog.h"
#include "controls/UBroadcastCatcher.h"
#include "controls/UFormPanel.h"
#include "core/UAppUtil.h"
#include "imaging/UImageData.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

TfrmColorAdjuster::TfrmColorAdjuster(QWidget* parent)
    : QDialog(parent), imageData_(std::make_unique<TImageData>()) {
    setObjectName(QStringLiteral("frmColorAdjuster"));
    setWindowTitle(QStringLiteral("イメージの画質調整"));
    setProperty("HelpContext", kHelpContext);
    setMinimumSize(kMinWidth, kMinHeight);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    const THostDialogFrame frame = BuildHostDialogFrame(this, QStringLiteral("PanelEx1"));
    PanelEx1 = frame.Base;
    FormPanel1 = frame.FormPanel;
    btnOk = frame.Ok;
    btnCancel = frame.Cancel;
    pnlHelp = frame.HelpPanel;
    btnHelp = frame.Help;
    StatusBar1 = frame.StatusBar;
    pnlPreview = new QWidget(PanelEx1);
    pnlPreview->setObjectName(QStringLiteral("pnlPreview"));
    auto* previewLayout = new QHBoxLayout(pnlPreview);
    previewLayout->setContentsMargins(0, 0, 0, 0);
    lblPreview = new QLabel(QStringLiteral("プレビュー"), pnlPreview);
    previewLayout->addWidget(lblPreview);
    pnlPreview->hide();
    frame.BaseLayout->insertWidget(0, pnlPreview);

    actDoubleClick = new QAction(this);
    actDoubleClick->setObjectName(QStringLiteral("actDoubleClick"));
    connect(actDoubleClick, &QAction::triggered, this, &QDialog::accept);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);

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
