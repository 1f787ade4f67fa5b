#pragma once
// The editable combo box of the text panel (font name and size): a picked item replaces the edit
// part's text as one undoable edit and fires one change.

#include "platform/Object.h"

#include <QComboBox>

class TComboBoxEx : public QComboBox, public TObject {
    Q_OBJECT

public:
    explicit TComboBoxEx(QWidget* parent = nullptr);

    TNotifyEvent OnClick;
    TNotifyEvent OnChange;

private:
    void Picked(int index);

    QString lastText_;
    QString previousText_;
    bool picking_ = false;
};
