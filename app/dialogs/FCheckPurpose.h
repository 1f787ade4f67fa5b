#pragma once
// The purpose check: every paper face whose purpose ID the paper database's list does not hold,
// one line each ("paper:[ID]"). The loop lets the window work between batches of papers, so the
// progress moves and "中断" stops it.

#include "platform/StringList.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class TPapersV2;

class TfrmCheckPurpose : public QDialog {
    Q_OBJECT

public:
    // Papers checked between two looks at the window's events.
    static constexpr int kPapersPerBatch = 50;

    explicit TfrmCheckPurpose(QWidget* parent = nullptr);

    QLabel* lblInfo;
    QPlainTextEdit* Memo;
    QProgressBar* ProgressBar;
    QPushButton* btnCheck;
    QPushButton* btnAbort;
    QPushButton* btnClose;

    // The store checked and the IDs of its purpose list.
    void SetPapers(TPapersV2* papers);
    void Check();
    void Abort() { abortRequested_ = true; }
    bool Checking() const { return checking_; }

protected:
    void reject() override;

private:
    TPapersV2* papers_ = nullptr;
    TStringList ids_;
    QString paperName_;
    bool abortRequested_ = false;
    bool checking_ = false;
};
