#pragma once
// The window that shows and sets a paper database's update record: its pattern number and the
// time of its last update (as "yyyy/mm/dd hh:nn:ss", read back by the update's date parser).

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class TExSpinEdit;
class TPapersV2;

class TfrmPaperUpdateInfo : public QDialog {
    Q_OBJECT

public:
    explicit TfrmPaperUpdateInfo(QWidget* parent = nullptr);

    QLabel* lblPPRNo;
    TExSpinEdit* sePPRNo;
    QLabel* lblLastUpdate;
    QLineEdit* edtLastUpdate;
    QPushButton* btnOK;
    QPushButton* btnCancel;

    // Shows the record of papers, which OK writes (and saves at once).
    void SetPapers(TPapersV2* papers);

private:
    void OkClicked();

    TPapersV2* papers_ = nullptr;
};
