#include "controls/Exspined.h"

#include "platform/IntMath.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <algorithm>
#include <cmath>

namespace {

int Ratio(int ratio) {
    return ratio < 1 ? 1 : ratio;
}

} // namespace

QString SpinValueText(int value, int ratio) {
    ratio = Ratio(ratio);
    if (value % ratio == 0)
        return QString::number(value / ratio);
    const int64_t a = std::llabs(int64_t(value));
    const int digits = int(QString::number(ratio - 1).size());
    return (value < 0 ? QStringLiteral("-") : QString()) + QString::number(a / ratio) + QLatin1Char('.') +
           QString::number(a % ratio).rightJustified(digits, QLatin1Char('0'));
}

bool SpinTextValue(const QString& text, int ratio, int& value) {
    bool ok = false;
    const double number = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(number))
        return false;
    const double scaled = std::nearbyint(number * Ratio(ratio)); // the default rounding: halves to even
    if (scaled < double(INT32_MIN) || scaled > double(INT32_MAX))
        return false;
    value = int(scaled);
    return true;
}

TExSpinEdit::TExSpinEdit(QWidget* parent) : QAbstractSpinBox(parent) {
    lineEdit()->setText(QStringLiteral("0"));
    lineEdit()->installEventFilter(this);
    connect(lineEdit(), &QLineEdit::textChanged, this, [this] {
        if (OnChange)
            OnChange(this);
    });
}

int TExSpinEdit::Clamp(int value) const {
    if (minValue_ == maxValue_)
        return value;
    return std::max(minValue_, std::min(maxValue_, value));
}

int TExSpinEdit::Value() const {
    int value = 0;
    return SpinTextValue(text(), valueRatio_, value) ? value : minValue_;
}

void TExSpinEdit::SetValue(int value) {
    lineEdit()->setText(SpinValueText(Clamp(value), valueRatio_));
}

bool TExSpinEdit::IsValidText() const {
    int value = 0;
    if (text().isEmpty() || !SpinTextValue(text(), valueRatio_, value))
        return false;
    return Clamp(value) == value;
}

void TExSpinEdit::UpClick() {
    if (isReadOnly()) {
        QApplication::beep();
        return;
    }
    SetValue(ClampToInt32(int64_t(Value()) + increment_));
}

void TExSpinEdit::DownClick() {
    if (isReadOnly()) {
        QApplication::beep();
        return;
    }
    SetValue(ClampToInt32(int64_t(Value()) - increment_));
}

void TExSpinEdit::stepBy(int steps) {
    for (; steps > 0; --steps)
        UpClick();
    for (; steps < 0; ++steps)
        DownClick();
}

QAbstractSpinBox::StepEnabled TExSpinEdit::stepEnabled() const {
    return StepUpEnabled | StepDownEnabled;
}

// Typing is filtered key by key; whatever text results is left as the user typed it.
QValidator::State TExSpinEdit::validate(QString&, int&) const {
    return QValidator::Acceptable;
}

bool TExSpinEdit::ValidChar(QChar c) const {
    if (!editorEnabled_)
        return c.unicode() < 32 && c.unicode() != 8;
    if (c.unicode() < 32)
        return c.unicode() != 13;
    return c.isDigit() || c == QLatin1Char('+') || c == QLatin1Char('-') || c == QLatin1Char('.');
}

void TExSpinEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up) {
        UpClick();
        return;
    }
    if (event->key() == Qt::Key_Down) {
        DownClick();
        return;
    }
    if (event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut)) {
        if (!editorEnabled_ || isReadOnly())
            return;
        QAbstractSpinBox::keyPressEvent(event);
        return;
    }
    const QString text = event->text();
    if (!text.isEmpty() && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        for (QChar c : text) {
            if (!ValidChar(c)) {
                QApplication::beep();
                return;
            }
        }
    }
    QAbstractSpinBox::keyPressEvent(event);
}

bool TExSpinEdit::eventFilter(QObject* watched, QEvent* event) {
    return QAbstractSpinBox::eventFilter(watched, event);
}

void TExSpinEdit::focusOutEvent(QFocusEvent* event) {
    QAbstractSpinBox::focusOutEvent(event);
    int value = 0;
    if (SpinTextValue(text(), valueRatio_, value) && Clamp(value) != value)
        SetValue(value);
}

QSize TExSpinEdit::sizeHint() const {
    ensurePolished();
    const QFontMetrics metrics(font());
    int width = 0;
    for (int limit : {minValue_, maxValue_})
        width = std::max(width, metrics.horizontalAdvance(SpinValueText(limit, valueRatio_)));
    // A blank's worth of slack so the caret never pushes the first digit out of view.
    width += metrics.horizontalAdvance(QLatin1Char(' '));
    QStyleOptionSpinBox option;
    initStyleOption(&option);
    const QSize content(width, lineEdit()->sizeHint().height());
    return style()->sizeFromContents(QStyle::CT_SpinBox, &option, content, this);
}

QSize TExSpinEdit::minimumSizeHint() const {
    return sizeHint();
}
