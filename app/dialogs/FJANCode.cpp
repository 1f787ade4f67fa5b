#include "app/dialogs/FJANCode.h"

#include "core/UAppFrame.h"
#include "pageobjects/layout/ULOJANCode.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QLineEdit>

namespace {

constexpr int kLongLength = 13;
constexpr int kShortLength = 8;
// Room for typed spaces and hyphens between the digits.
constexpr int kMaxTyped = 32;

bool AllAsciiDigits(const QString& s) {
    for (QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

} // namespace

TJANCodeInput CheckJANCodeInput(const QString& typed) {
    TJANCodeInput result;
    // Full-width digits become ASCII; spaces and hyphens only group the digits.
    QString code = typed.normalized(QString::NormalizationForm_KC);
    code.remove(QLatin1Char(' '));
    code.remove(QLatin1Char('-'));
    if (code.isEmpty()) {
        result.Message = QStringLiteral("JANコードの数字を入力してください。");
        return result;
    }
    if (!AllAsciiDigits(code)) {
        result.Message = QStringLiteral("JANコードには数字だけを入力してください。");
        return result;
    }
    if (code.size() == kLongLength - 1 || code.size() == kShortLength - 1) {
        const int check = JANCheckDigit(code);
        result.Valid = true;
        result.Code = code + QChar(u'0' + check);
        result.Message = QStringLiteral("チェックデジット %1 を付けて %2 にします。").arg(check).arg(result.Code);
        return result;
    }
    if (code.size() != kLongLength && code.size() != kShortLength) {
        result.Message = QStringLiteral("JANコードは13桁（短縮タイプは8桁）です。入力は%1桁です。").arg(code.size());
        return result;
    }
    const int check = JANCheckDigit(code.left(code.size() - 1));
    if (!IsValidJANCheckDigit(code)) {
        result.Message =
            QStringLiteral("チェックデジット（最後の桁）が正しくありません。%1 のチェックデジットは %2 です。"
                           "このままではバーコードとして読み取れないため、印刷されません。")
                .arg(code.left(code.size() - 1))
                .arg(check);
        return result;
    }
    result.Valid = true;
    result.Code = code;
    result.Message = QStringLiteral("正しいJANコードです。");
    return result;
}

TfrmJANCode::TfrmJANCode(QWidget* parent) : TToolWindow(parent) {
    setObjectName(QStringLiteral("frmJANCode"));
    setWindowTitle(QStringLiteral("JANコード"));
    auto* content = new QGridLayout;
    auto* label = new QLabel(QStringLiteral("JANコード(&C)"), this);
    edtJANCode = new QLineEdit(this);
    edtJANCode->setObjectName(QStringLiteral("edtJANCode"));
    edtJANCode->setMaxLength(kMaxTyped);
    edtJANCode->setMinimumWidth(edtJANCode->fontMetrics().horizontalAdvance(QStringLiteral("0")) * 24);
    label->setBuddy(edtJANCode);
    content->addWidget(label, 0, 0);
    content->addWidget(edtJANCode, 0, 1);
    lblCheck = new QLabel(this);
    lblCheck->setObjectName(QStringLiteral("lblCheck"));
    lblCheck->setWordWrap(true);
    // Two lines of the longest reason, so the window does not jump while typing.
    lblCheck->setMinimumHeight(lblCheck->fontMetrics().lineSpacing() * 3);
    lblCheck->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    content->addWidget(lblCheck, 1, 0, 1, 2);
    cbShowNumber = new QCheckBox(QStringLiteral("数字を表示する(&N)"), this);
    cbShowNumber->setObjectName(QStringLiteral("cbShowNumber"));
    cbShowFrame = new QCheckBox(QStringLiteral("枠を表示する(&F)"), this);
    cbShowFrame->setObjectName(QStringLiteral("cbShowFrame"));
    content->addWidget(cbShowNumber, 2, 0, 1, 2);
    content->addWidget(cbShowFrame, 3, 0, 1, 2);
    content->setColumnStretch(1, 1);
    AcceptWhen([this] { return CanAccept(); });
    connect(edtJANCode, &QLineEdit::textChanged, this, [this] { ShowCheck(); });
    Finish(content);
    ShowCheck();
}

TfrmJANCode::~TfrmJANCode() = default;

void TfrmJANCode::LoadFrom(const TLOJANCode& code) {
    edtJANCode->setText(code.JANCode());
    cbShowNumber->setChecked(code.ShowNumber());
    cbShowFrame->setChecked(code.ShowFrame());
    edtJANCode->selectAll();
}

void TfrmJANCode::SaveTo(TLOJANCode& code) const {
    const TJANCodeInput input = CheckJANCodeInput(edtJANCode->text());
    if (input.Valid)
        code.SetJANCode(input.Code);
    code.SetShowNumber(cbShowNumber->isChecked());
    code.SetShowFrame(cbShowFrame->isChecked());
}

void TfrmJANCode::ShowCheck() {
    const QString typed = edtJANCode->text();
    lblCheck->setText(typed.isEmpty() ? QString() : CheckJANCodeInput(typed).Message);
}

bool TfrmJANCode::CanAccept() {
    const TJANCodeInput input = CheckJANCodeInput(edtJANCode->text());
    if (!input.Valid) {
        AppMessageBox(input.Message, {bkOK}, 0, 0);
        edtJANCode->setFocus();
        return false;
    }
    return true;
}
