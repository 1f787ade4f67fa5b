#pragma once
// The small windows shown in a modal popup while a long operation runs: a progress bar the operation
// drives, a counter, and an abort button whose confirmed press the operation reads. The user cannot
// close them.

#include <QCursor>
#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;
class TImagePanel;
class TPicture;
class TShadowPanel;

// What the two windows share: the abort question and the refused close.
class TWaitingBase : public QDialog {
    Q_OBJECT

public:
    explicit TWaitingBase(QWidget* parent);

    QProgressBar* ProgressBar1;
    QLabel* lblCounter;
    QPushButton* btnAbort;

    // The operation asks this between its steps.
    bool AbortRequested() const { return abort_; }
    // "%d/%d", shown.
    void SetCounter(int position, int count);
    // Escape: the abort question.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Esc and Enter ask too (the text window only while its abort button is enabled).
    virtual bool KeysAsk() const { return true; }
    void AskAbort();

    QCursor savedCursor_;

private:
    bool abort_ = false;
};

class TfrmWaitingText : public TWaitingBase {
    Q_OBJECT

public:
    explicit TfrmWaitingText(QWidget* parent = nullptr);

    QWidget* pbLarge;
    QWidget* pbSmall;
    QLabel* pnlMainMessage;

    void SetMessage(const QString& text);

protected:
    bool KeysAsk() const override;
};

class TfrmWaiting : public TWaitingBase {
    Q_OBJECT

public:
    explicit TfrmWaiting(QWidget* parent = nullptr);

    TShadowPanel* ShadowPanel1;
    QLabel* Label1;
    TImagePanel* imgPanel;

    void SetPicture(const TPicture& picture);
};

// "処理中です。少しお待ちください．．．"
QString WaitingCaption();
