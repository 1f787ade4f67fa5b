#pragma once
// The numeric entry field of the property panels and the paper windows: an integer Value shown as a
// decimal number of ValueRatio units to one shown unit (ratio 10 shows tenths). The text is written
// and read with "." whatever the locale, only digits, signs and "." may be typed, and leaving the
// field brings a value outside MinValue..MaxValue back inside.

#include "platform/Object.h"

#include <QAbstractSpinBox>
#include <QLineEdit>

// Value as the field writes it at ratio (a ratio below 1 counts as 1).
QString SpinValueText(int value, int ratio);
// The text read at ratio, rounded half to even; false for text that is no number.
bool SpinTextValue(const QString& text, int ratio, int& value);

class TExSpinEdit : public QAbstractSpinBox, public TObject {
    Q_OBJECT

public:
    explicit TExSpinEdit(QWidget* parent = nullptr);

    int MinValue() const { return minValue_; }
    void SetMinValue(int value) { minValue_ = value; }
    int MaxValue() const { return maxValue_; }
    void SetMaxValue(int value) { maxValue_ = value; }
    int Increment() const { return increment_; }
    void SetIncrement(int value) { increment_ = value; }
    bool EditorEnabled() const { return editorEnabled_; }
    void SetEditorEnabled(bool value) { editorEnabled_ = value; }
    int ValueRatio() const { return valueRatio_; }
    void SetValueRatio(int value) { valueRatio_ = value; }
    // The text read; MinValue for text that is no number.
    int Value() const;
    // Held to MinValue..MaxValue (no limit when the two are equal) and written.
    void SetValue(int value);
    // Empty text, no number, or a value outside the limits.
    bool IsValidText() const;

    // The edit part (the window system's edit the field is).
    QLineEdit* Edit() const { return lineEdit(); }

    void UpClick();
    void DownClick();
    void stepBy(int steps) override;
    // Room for the longer of the two limits' texts beside the buttons (the base class knows no
    // range and would hint at an empty field).
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    TNotifyEvent OnChange;

protected:
    StepEnabled stepEnabled() const override;
    QValidator::State validate(QString& input, int& pos) const override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool ValidChar(QChar c) const;
    int Clamp(int value) const;

    int minValue_ = 0;
    int maxValue_ = 0;
    int increment_ = 1;
    bool editorEnabled_ = true;
    int valueRatio_ = 1;
};
