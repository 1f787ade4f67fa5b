#include "app/dialogs/FPaperUpdateInfo.h"

#include "app/USharedData.h"
#include "controls/Exspined.h"
#include "core/UAppUtil.h"
#include "papers/UPPRDownload.h"
#include "papers/UPapers.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmPaperUpdateInfo::TfrmPaperUpdateInfo(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmPaperUpdateInfo"));
    setWindowTitle(QStringLiteral("用紙の更新情報"));
    resize(330, 130);
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    lblPPRNo = new QLabel(QStringLiteral("パターン番号(&P)"), this);
    sePPRNo = new TExSpinEdit(this);
    sePPRNo->setObjectName(QStringLiteral("sePPRNo"));
    sePPRNo->SetMinValue(0);
    sePPRNo->SetMaxValue(99999999);
    lblPPRNo->setBuddy(sePPRNo);
    lblLastUpdate = new QLabel(QStringLiteral("最終更新時間(&T)"), this);
    edtLastUpdate = new QLineEdit(this);
    edtLastUpdate->setObjectName(QStringLiteral("edtLastUpdate"));
    lblLastUpdate->setBuddy(edtLastUpdate);
    grid->addWidget(lblPPRNo, 0, 0);
    grid->addWidget(sePPRNo, 0, 1);
    grid->addWidget(lblLastUpdate, 1, 0);
    grid->addWidget(edtLastUpdate, 1, 1);
    layout->addLayout(grid);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons);
    connect(btnOK, &QPushButton::clicked, this, [this] { OkClicked(); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    SetupForm(this);
}

void TfrmPaperUpdateInfo::SetPapers(TPapersV2* papers) {
    papers_ = papers;
    if (!papers)
        return;
    const TPaperUpdate& update = papers->GetUpdateInfo();
    sePPRNo->SetValue(update.PPRNo);
    edtLastUpdate->setText(update.LastUpdate > 0 ? FormatUpdateDate(update.LastUpdate) : QString());
}

void TfrmPaperUpdateInfo::OkClicked() {
    if (papers_) {
        TPaperUpdate update(nullptr);
        update.PPRNo = sePPRNo->Value();
        update.LastUpdate = ParseUpdateDate(edtLastUpdate->text());
        papers_->SetUpdateInfo(update);
        if (!SavePaperStore(*papers_))
            return;
    }
    accept();
}
