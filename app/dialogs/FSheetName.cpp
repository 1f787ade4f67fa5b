#include "app/dialogs/FSheetName.h"

#include "core/UAppFrame.h"
#include "core/UAppUtil.h"
#include "papers/ULabelData.h"
#include "platform/StringList.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr int kWidth = 330;
constexpr int kHeight = 120;
constexpr int kMargin = 12;
constexpr int kButtonWidth = 84;
constexpr int kButtonHeight = 28;

} // namespace

bool SheetNameTaken(const QStringList& names, const QString& name) {
    return names.contains(name);
}

TfrmSheetName::TfrmSheetName(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSheetName"));
    setWindowTitle(QStringLiteral("ラベルシート名の設定"));
    setFixedSize(kWidth, kHeight);
    lblSheetName = new QLabel(QStringLiteral("ラベルシート名を入力してください(&N)"), this);
    lblSheetName->setObjectName(QStringLiteral("lblSheetName"));
    lblSheetName->setGeometry(kMargin, kMargin, kWidth - 2 * kMargin, 18);
    edtSheetName = new QLineEdit(this);
    edtSheetName->setObjectName(QStringLiteral("edtSheetName"));
    edtSheetName->setMaxLength(kMaxNameLength);
    edtSheetName->setGeometry(kMargin, kMargin + 22, kWidth - 2 * kMargin, 22);
    lblSheetName->setBuddy(edtSheetName);
    const int buttonTop = kHeight - kMargin - kButtonHeight;
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setGeometry(kWidth - 2 * (kButtonWidth + kMargin), buttonTop, kButtonWidth, kButtonHeight);
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(kWidth - kButtonWidth - kMargin, buttonTop, kButtonWidth, kButtonHeight);
    connect(edtSheetName, &QLineEdit::textChanged, this,
            [this](const QString& text) { btnOK->setEnabled(!text.isEmpty()); });
    connect(btnOK, &QPushButton::clicked, this, [this] { OkClicked(); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    btnOK->setEnabled(false);
    SetupForm(this);
}

void TfrmSheetName::Setup(TLabelData* document) {
    document_ = document;
    edtSheetName->setText(document->SheetName());
    edtSheetName->selectAll();
}

void TfrmSheetName::OkClicked() {
    const QString name = edtSheetName->text();
    // Return reaches the default button even while the edit is empty.
    if (name.isEmpty() || !document_)
        return;
    TStringList names;
    document_->GetSheetNames(names);
    if (SheetNameTaken(names.ToQStringList(), name)) {
        AppMessageBox(QStringLiteral("指定されたシート名はすでに存在します"), {bkOK}, 0, 0);
        return;
    }
    document_->SetSheetName(name);
    accept();
}
