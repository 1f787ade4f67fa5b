#pragma once
// A general editor of a list of lines, centred on the screen.

#include "platform/StringList.h"

#include <QDialog>
#include <functional>

class QPlainTextEdit;
class QPushButton;

class TfrmStringsEditor : public QDialog {
    Q_OBJECT

public:
    explicit TfrmStringsEditor(QWidget* parent = nullptr);

    QPlainTextEdit* Memo;
    QPushButton* btnOK;
    QPushButton* btnCancel;

    void SetLines(const TStringList& lines);
    // The memo's lines; trailing empty lines are left out.
    TStringList Lines() const;
    // Asked on OK with Lines(): a message refuses them and keeps the window open with the text as
    // the user left it.
    std::function<QString(const TStringList&)> OnCheck;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OkClicked();
};
