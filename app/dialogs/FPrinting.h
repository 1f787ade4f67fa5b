#pragma once
// The window shown while a print runs: a picture and the print's progress. Closing it aborts the
// printer's open job and stops the print before its next sheet; it stays up until the print returns.

#include <QDialog>
#include <functional>

class QLabel;
class QProgressBar;

class TfrmPrinting : public QDialog {
    Q_OBJECT

public:
    explicit TfrmPrinting(QWidget* parent = nullptr);

    QLabel* Image1;
    QProgressBar* ProgressBar1;
    // Called on a close request after the printer's job was aborted.
    std::function<void()> OnAbort;

    // Escape is a close request too.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void RequestAbort();
};

// "印刷中です。少しお待ちください．．．"
QString PrintingCaption();
