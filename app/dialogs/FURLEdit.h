#pragma once
// The window that edits the address of the paper update's info file. OK is offered only for an
// http or https address with a host: anything else could never be fetched.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// True for an http or https URL with a host.
bool IsUpdaterURL(const QString& text);

class TfrmURLEdit : public QDialog {
    Q_OBJECT

public:
    explicit TfrmURLEdit(QWidget* parent = nullptr);

    QLabel* lblURL;
    QLineEdit* edtURL;
    QPushButton* btnOK;
    QPushButton* btnCancel;

    // The address edited: shown in the field, and every change of the field copied back.
    const QString& URL() const { return url_; }
    void SetURL(const QString& url);

private:
    QString url_;
};
