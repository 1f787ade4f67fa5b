#include "app/dialogs/FURLEdit.h"

#include "core/UAppUtil.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

bool IsUpdaterURL(const QString& text) {
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

TfrmURLEdit::TfrmURLEdit(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmURLEdit"));
    setWindowTitle(QStringLiteral("用紙情報アップデートファイルのURLの変更"));
    resize(480, 110);
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    lblURL = new QLabel(QStringLiteral("URL:"), this);
    lblURL->setObjectName(QStringLiteral("lblURL"));
    edtURL = new QLineEdit(this);
    edtURL->setObjectName(QStringLiteral("edtURL"));
    lblURL->setBuddy(edtURL);
    row->addWidget(lblURL);
    row->addWidget(edtURL, 1);
    layout->addLayout(row);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons);
    connect(edtURL, &QLineEdit::textChanged, this, [this](const QString& text) {
        url_ = text.trimmed();
        btnOK->setEnabled(IsUpdaterURL(text));
    });
    connect(btnOK, &QPushButton::clicked, this, [this] {
        if (IsUpdaterURL(url_))
            accept();
    });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    btnOK->setEnabled(false);
    SetupForm(this);
}

void TfrmURLEdit::SetURL(const QString& url) {
    url_ = url;
    edtURL->setText(url);
    btnOK->setEnabled(IsUpdaterURL(url));
}
