#include "app/dialogs/FEditPaperLists.h"

#include "core/UAppUtil.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TStringList MemoLines(const QPlainTextEdit& memo, bool keepEmptyLines) {
    TStringList lines;
    lines.SetText(memo.toPlainText());
    for (int i = lines.Count() - 1; i >= 0; --i)
        if (lines[i].isEmpty() && (!keepEmptyLines || i == lines.Count() - 1))
            lines.Delete(i);
    return lines;
}

void SetMemoLines(QPlainTextEdit& memo, const TStringList& lines) {
    memo.clear();
    memo.setPlainText(lines.ToQStringList().join(QLatin1Char('\n')));
}

TLinesEditorParts BuildLinesEditor(QDialog* dialog, QVBoxLayout* layout) {
    TLinesEditorParts parts;
    parts.Memo = new QPlainTextEdit(dialog);
    parts.Memo->setObjectName(QStringLiteral("Memo"));
    parts.Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    parts.Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    parts.Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(parts.Memo, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    parts.Ok = new QPushButton(QStringLiteral("OK"), dialog);
    parts.Ok->setObjectName(QStringLiteral("btnOK"));
    parts.Cancel = new QPushButton(QStringLiteral("キャンセル"), dialog);
    parts.Cancel->setObjectName(QStringLiteral("btnCancel"));
    buttons->addWidget(parts.Ok);
    buttons->addWidget(parts.Cancel);
    layout->addLayout(buttons);
    QObject::connect(parts.Cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    return parts;
}

TPaperListEditor::TPaperListEditor(const QString& objectName, const QString& label, QWidget* parent)
    : QDialog(parent) {
    setObjectName(objectName);
    setWindowTitle(objectName);
    resize(320, 360);
    auto* layout = new QVBoxLayout(this);
    lblTitle = new QLabel(label, this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    layout->addWidget(lblTitle);
    const TLinesEditorParts parts = BuildLinesEditor(this, layout);
    Memo = parts.Memo;
    btnOK = parts.Ok;
    btnCancel = parts.Cancel;
    lblTitle->setBuddy(Memo);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    SetupForm(this);
}

void TPaperListEditor::SetLines(const TStringList& lines) {
    SetMemoLines(*Memo, lines);
}

TStringList TPaperListEditor::Lines() const {
    return MemoLines(*Memo, false);
}

TfrmEditPaperGroup::TfrmEditPaperGroup(QWidget* parent)
    : TPaperListEditor(QStringLiteral("frmEditPaperGroup"), QStringLiteral("グループ名"), parent) {}

TfrmEditPaperMaker::TfrmEditPaperMaker(QWidget* parent)
    : TPaperListEditor(QStringLiteral("frmEditPaperMaker"), QStringLiteral("メーカー名"), parent) {}

TfrmEditPhotoSize::TfrmEditPhotoSize(QWidget* parent)
    : TPaperListEditor(QStringLiteral("frmEditPhotoSize"), QStringLiteral("写真サイズ"), parent) {}
