#include "app/dialogs/FStringsEditor.h"

#include "app/dialogs/FEditPaperLists.h"
#include "core/UAppFrame.h"
#include "core/UAppUtil.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

TfrmStringsEditor::TfrmStringsEditor(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmStringsEditor"));
    setWindowTitle(QStringLiteral("文字列の編集"));
    resize(480, 520);
    auto* layout = new QVBoxLayout(this);
    const TLinesEditorParts parts = BuildLinesEditor(this, layout);
    Memo = parts.Memo;
    btnOK = parts.Ok;
    btnCancel = parts.Cancel;
    connect(btnOK, &QPushButton::clicked, this, &TfrmStringsEditor::OkClicked);
    SetupForm(this);
}

void TfrmStringsEditor::SetLines(const TStringList& lines) {
    SetMemoLines(*Memo, lines);
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
