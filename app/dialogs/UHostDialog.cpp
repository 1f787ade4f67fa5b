#include "app/dialogs/UHostDialog.h"

#include "controls/UFormPanel.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

THostDialogFrame BuildHostDialogFrame(QDialog* dialog, const QString& baseName) {
    THostDialogFrame frame;
    auto* layout = new QVBoxLayout(dialog);
    frame.Base = new QWidget(dialog);
    frame.Base->setObjectName(baseName);
    frame.BaseLayout = new QVBoxLayout(frame.Base);
    frame.BaseLayout->setContentsMargins(0, 0, 0, 0);
    frame.FormPanel = new TFormPanel(frame.Base);
    frame.FormPanel->setObjectName(QStringLiteral("FormPanel1"));
    frame.BaseLayout->addWidget(frame.FormPanel, 1);
    layout->addWidget(frame.Base, 1);

    frame.Buttons = new QHBoxLayout;
    frame.Ok = new QPushButton(QStringLiteral("OK"), dialog);
    frame.Ok->setObjectName(QStringLiteral("btnOk"));
    frame.Ok->setDefault(true);
    frame.Cancel = new QPushButton(QStringLiteral("キャンセル"), dialog);
    frame.Cancel->setObjectName(QStringLiteral("btnCancel"));
    QObject::connect(frame.Cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    frame.HelpPanel = new QWidget(dialog);
    frame.HelpPanel->setObjectName(QStringLiteral("pnlHelp"));
    auto* helpLayout = new QHBoxLayout(frame.HelpPanel);
    helpLayout->setContentsMargins(0, 0, 0, 0);
    frame.Help = new QPushButton(QStringLiteral("ヘルプ"), frame.HelpPanel);
    frame.Help->setObjectName(QStringLiteral("btnHelp"));
    frame.Help->setToolTip(QStringLiteral("この項目のヘルプを呼び出します"));
    helpLayout->addWidget(frame.Help);
    frame.HelpPanel->hide();
    frame.Buttons->addStretch();
    frame.Buttons->addWidget(frame.Ok);
    frame.Buttons->addWidget(frame.Cancel);
    frame.Buttons->addWidget(frame.HelpPanel);
    layout->addLayout(frame.Buttons);
    frame.StatusBar = new QStatusBar(dialog);
    frame.StatusBar->setObjectName(QStringLiteral("StatusBar1"));
    layout->addWidget(frame.StatusBar);
    return frame;
}
