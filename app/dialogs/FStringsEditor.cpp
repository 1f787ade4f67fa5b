#include "app/dialogs/FStringsEditor.h"

#include "app/dialogs/FEditPaperLists.h"
#include "core/UAppFrame.h"
#include "core/UAppUtil.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

TfrmStringsEditor::TfrmStringsEditor(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmStringsEditor"));
    setWindowTitle(QStringLiteral("文字列の編集"));
    resize(480, 520);
    auto* layout = new QVBoxLayout(this);
    Memo = new QPlainTextEdit(this);
    Memo->setObjectName(QStringLiteral("Memo"));
    Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(Memo, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons);
    connect(btnOK, &QPushButton::clicked, this, &TfrmStringsEditor::OkClicked);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    SetupForm(this);
}

void TfrmStringsEditor::SetLines(const TStringList& lines) {
    Memo->clear();
    Memo->setPlainText(lines.ToQStringList().join(QLatin1Char('\n')));
}

TStringList TfrmStringsEditor::Lines() const {
    return MemoLines(*Memo, true);
}

void TfrmStringsEditor::OkClicked() {
    if (OnCheck) {
        const QString refusal = OnCheck(Lines());
        if (!refusal.isEmpty()) {
            AppShowMessage(refusal);
            return;
        }
    }
    accept();
}

void TfrmStringsEditor::showEvent(QShowEvent* event) {
    if (const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    QDialog::showEvent(event);
}
