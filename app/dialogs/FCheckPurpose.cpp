#include "app/dialogs/FCheckPurpose.h"

#include "core/UAppUtil.h"
#include "papers/UPaperInfo.h"
#include "papers/UPapers.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

TfrmCheckPurpose::TfrmCheckPurpose(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmCheckPurpose"));
    setWindowTitle(QStringLiteral("使用用途IDのチェック"));
    resize(440, 360);
    auto* layout = new QVBoxLayout(this);
    lblInfo = new QLabel(QStringLiteral("情報"), this);
    lblInfo->setObjectName(QStringLiteral("lblInfo"));
    Memo = new QPlainTextEdit(this);
    Memo->setObjectName(QStringLiteral("Memo"));
    Memo->setReadOnly(true);
    Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setRange(0, 100);
    ProgressBar->hide();
    layout->addWidget(lblInfo);
    layout->addWidget(Memo, 1);
    layout->addWidget(ProgressBar);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnCheck = new QPushButton(QStringLiteral("チェック"), this);
    btnCheck->setObjectName(QStringLiteral("btnCheck"));
    btnCheck->setDefault(true);
    btnAbort = new QPushButton(QStringLiteral("中断"), this);
    btnAbort->setObjectName(QStringLiteral("btnAbort"));
    btnAbort->setEnabled(false);
    btnClose = new QPushButton(QStringLiteral("閉じる"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    for (QPushButton* button : {btnCheck, btnAbort, btnClose})
        buttons->addWidget(button);
    layout->addLayout(buttons);
    connect(btnCheck, &QPushButton::clicked, this, &TfrmCheckPurpose::Check);
    connect(btnAbort, &QPushButton::clicked, this, &TfrmCheckPurpose::Abort);
    connect(btnClose, &QPushButton::clicked, this, &TfrmCheckPurpose::reject);
    SetupForm(this);
}

void TfrmCheckPurpose::SetPapers(TPapersV2* papers) {
    papers_ = papers;
    ids_.Clear();
    if (!papers)
        return;
    const TPurposeList& list = papers->PurposeList();
    for (int i = 0; i < list.Count(); ++i)
        ids_.Add(list.GetItem(i)->ID);
}

void TfrmCheckPurpose::reject() {
    // The loop runs inside the window's events: closing stops it first.
    if (checking_) {
        abortRequested_ = true;
        return;
    }
    QDialog::reject();
}

void TfrmCheckPurpose::Check() {
    if (!papers_ || checking_)
        return;
    const QString info = lblInfo->text();
    abortRequested_ = false;
    checking_ = true;
    btnAbort->setEnabled(true);
    btnCheck->setEnabled(false);
    ProgressBar->show();
    Memo->clear();
    const int count = papers_->GetCount();
    ProgressBar->setMaximum(count);
    QStringList found;
    QString current;
    const auto check = [&](const QString& id) {
        const QString text = QStringLiteral("%1:[%2]").arg(paperName_, id);
        current = text;
        if (ids_.IndexOf(id) < 0)
            found.append(text);
    };
    for (int i = 0; i < count && !abortRequested_; ++i) {
        const TPaperInfo& outline = papers_->PeekPaper(i);
        paperName_ = outline.PaperName;
        if (const auto* matrix = dynamic_cast<const TMatrixPaperInfo*>(&outline)) {
            check(matrix->FacePurpose);
        } else if (const auto* free = dynamic_cast<const TFreePaperInfo*>(papers_->GetPaper(i))) {
            for (int f = 0; f < free->Faces()->Count(); ++f)
                check(free->Faces()->GetItem(f)->FacePurpose);
        }
        if ((i + 1) % kPapersPerBatch == 0 || i + 1 == count) {
            ProgressBar->setValue(i + 1);
            lblInfo->setText(current);
            for (const QString& line : found)
                Memo->appendPlainText(line);
            found.clear();
            QCoreApplication::processEvents();
        }
    }
    for (const QString& line : found)
        Memo->appendPlainText(line);
    lblInfo->setText(info);
    btnAbort->setEnabled(false);
    btnCheck->setEnabled(true);
    ProgressBar->hide();
    checking_ = false;
}
