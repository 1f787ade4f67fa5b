#include "controls/UComboBoxEx.h"

#include <QLineEdit>

TComboBoxEx::TComboBoxEx(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    QLineEdit* edit = lineEdit();
    // The list writes the picked item into the edit part before it reports the pick; the text
    // before that is kept so the pick can be made one undoable edit.
    connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (picking_)
            return;
        previousText_ = lastText_;
        lastText_ = text;
    });
    connect(edit, &QLineEdit::textEdited, this, [this] {
        if (OnChange)
            OnChange(this);
    });
    connect(this, &QComboBox::activated, this, &TComboBoxEx::Picked);
}

void TComboBoxEx::Picked(int index) {
    if (index < 0)
        return;
    QLineEdit* edit = lineEdit();
    const QString item = itemText(index);
    const QString before = lastText_ == item ? previousText_ : lastText_;
    picking_ = true;
    {
        const QSignalBlocker blocker(edit);
        edit->setText(before);
        edit->selectAll();
        edit->insert(item);
    }
    previousText_ = before;
    lastText_ = edit->text();
    picking_ = false;
    if (OnClick)
        OnClick(this);
    if (OnChange)
        OnChange(this);
}
