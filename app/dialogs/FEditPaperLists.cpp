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

TPaperListEditor::TPaperListEditor(const QString& objectName, const QString& label, QWidget* parent)
    : QDialog(parent) {
    setObjectName(objectName);
    setWindowTitle(objectName);
    resize(320, 360);
    auto* layout = new QVBoxLayout(this);
    lblTitle = new QLabel(label, this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    Memo = new QPlainTextEdit(this);
    Memo->setObjectName(QStringLiteral("Memo"));
    Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    lblTitle->setBuddy(Memo);
    layout->addWidget(lblTitle);
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
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    SetupForm(this);
}

void TPaperListEditor::SetLines(const TStringList& lines) {
    Memo->clear();
    Memo->setPlainText(lines.ToQStringList().join(QLatin1Char('\n')));
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
