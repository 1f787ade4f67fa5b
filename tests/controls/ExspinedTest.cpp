#include "controls/Exspined.h"
#include "controls/UComboBoxEx.h"

#include <QCoreApplication>
#include <QDialog>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

void Type(QWidget& w, Qt::Key key, const QString& text, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QCoreApplication::sendEvent(&w, &press);
}

} // namespace

TEST(ExSpinEditTest, FixedPointTextBothWays) {
    EXPECT_EQ(SpinValueText(15, 10), QStringLiteral("1.5"));
    EXPECT_EQ(SpinValueText(-15, 10), QStringLiteral("-1.5"));
    EXPECT_EQ(SpinValueText(-5, 10), QStringLiteral("-0.5"));
    EXPECT_EQ(SpinValueText(105, 100), QStringLiteral("1.05"));
    EXPECT_EQ(SpinValueText(7, 1), QStringLiteral("7"));
    EXPECT_EQ(SpinValueText(7, 0), QStringLiteral("7")); // a ratio below 1 counts as 1
    EXPECT_EQ(SpinValueText(INT32_MIN, 10), QStringLiteral("-214748364.8"));
    int v = 0;
    ASSERT_TRUE(SpinTextValue(QStringLiteral("2.5"), 10, v));
    EXPECT_EQ(v, 25);
    ASSERT_TRUE(SpinTextValue(QStringLiteral("-0.5"), 10, v));
    EXPECT_EQ(v, -5);
    ASSERT_TRUE(SpinTextValue(QStringLiteral("0.25"), 10, v));
    EXPECT_EQ(v, 2); // halves to even
    EXPECT_FALSE(SpinTextValue(QStringLiteral("abc"), 10, v));
    EXPECT_FALSE(SpinTextValue(QStringLiteral("1e300"), 10, v));
}

TEST(ExSpinEditTest, LimitsLocaleTypingAndExit) {
    QLocale::setDefault(QLocale(QLocale::German));
    QDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    auto* spin = new TExSpinEdit;
    layout->addWidget(spin);
    dialog.show();
    spin->SetValueRatio(10);
    spin->SetValue(15);
    EXPECT_EQ(spin->text(), QStringLiteral("1.5"));
    EXPECT_EQ(spin->Value(), 15);
    spin->SetValue(123456789); // equal limits: none
    EXPECT_EQ(spin->Value(), 123456789);
    spin->SetMinValue(-10);
    spin->SetMaxValue(100);
    spin->SetValue(150);
    EXPECT_EQ(spin->text(), QStringLiteral("10"));

    spin->Edit()->setText(QStringLiteral("abc"));
    EXPECT_EQ(spin->Value(), -10);
    EXPECT_FALSE(spin->IsValidText());
    QFocusEvent out(QEvent::FocusOut);
    QCoreApplication::sendEvent(spin, &out);
    EXPECT_EQ(spin->text(), QStringLiteral("abc"));

    spin->Edit()->setText(QStringLiteral("1"));
    spin->Edit()->setCursorPosition(1);
    Type(*spin, Qt::Key_A, QStringLiteral("a"));
    Type(*spin, Qt::Key_Comma, QStringLiteral(","));
    EXPECT_EQ(spin->text(), QStringLiteral("1"));
    Type(*spin, Qt::Key_5, QStringLiteral("5"));
    EXPECT_EQ(spin->text(), QStringLiteral("15"));
    QCoreApplication::sendEvent(spin, &out);
    EXPECT_EQ(spin->text(), QStringLiteral("10")); // 150 clamped on leaving

    Type(*spin, Qt::Key_Down, QString());
    EXPECT_EQ(spin->Value(), 99);
    spin->setReadOnly(true);
    Type(*spin, Qt::Key_Up, QString());
    EXPECT_EQ(spin->Value(), 99);
    spin->setReadOnly(false);
    spin->SetEditorEnabled(false);
    Type(*spin, Qt::Key_7, QStringLiteral("7"));
    EXPECT_EQ(spin->Value(), 99);
    QLocale::setDefault(QLocale::c());
}

TEST(ExSpinEditTest, ALaidOutFieldShowsItsWidestLimitWhole) {
    QDialog dialog;
    auto* layout = new QHBoxLayout(&dialog);
    auto* spin = new TExSpinEdit;
    layout->addWidget(spin, 0);
    layout->addStretch(1);
    spin->SetMinValue(-1000);
    spin->SetMaxValue(100);
    spin->SetValue(-1000);
    dialog.show();
    QCoreApplication::processEvents();
    const QLineEdit* edit = spin->Edit();
    EXPECT_GE(edit->width(), edit->fontMetrics().horizontalAdvance(QStringLiteral("-1000")));
}

TEST(ComboBoxExTest, PickIsOneUndoableChange) {
    QDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    auto* combo = new TComboBoxEx;
    layout->addWidget(combo);
    combo->addItems({QStringLiteral("IPAGothic"), QStringLiteral("IPAMincho")});
    dialog.show();
    combo->lineEdit()->setText(QStringLiteral("abc"));
    int changes = 0, clicks = 0;
    combo->OnChange = [&](TObject*) { ++changes; };
    combo->OnClick = [&](TObject*) { ++clicks; };
    combo->setCurrentIndex(1); // what the list does on a pick, before it reports it
    emit combo->activated(1);
    EXPECT_EQ(combo->currentText(), QStringLiteral("IPAMincho"));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(clicks, 1);
    Type(*combo->lineEdit(), Qt::Key_Z, QString(), Qt::ControlModifier);
    EXPECT_EQ(combo->lineEdit()->text(), QStringLiteral("abc"));
}
