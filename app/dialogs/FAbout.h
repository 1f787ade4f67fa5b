#pragma once
// The application's picture and version: the splash screen at start-up, the about box of the help
// menu, and a third presentation that fades the picture in and rolls the credits.

#include <QDialog>
#include <QPointer>
#include <memory>

class QLabel;
class QTimer;
class TGlobalNotify;
class TImageEx;
class TObject;
class TComponent;
class TStaffRoll;

class TfrmAbout : public QDialog {
    Q_OBJECT

public:
    static constexpr int kModeSplash = 0;
    static constexpr int kModeAbout = 1;
    static constexpr int kModeCredits = 2;

    explicit TfrmAbout(QWidget* parent = nullptr);
    ~TfrmAbout() override;

    TImageEx* ImageEx1;
    QLabel* lblVersion;
    TStaffRoll* StaffRoll1;
    QTimer* Timer1;
    TGlobalNotify* GlobalNotify1;

    int Mode() const { return mode_; }
    // Any mode but the about box runs the timer.
    void SetMode(int mode);
    // A click, a key or the splash timer: the about box and the credits close at once, the splash
    // once the application is next idle.
    void RequestClose();
    bool CloseWhenIdle() const { return closeWhenIdle_; }
    // While a splash: holds the main window (disabled, under the splash) until the splash closes.
    void GuardMainForm();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void TimerTick();
    void Idle(TObject* sender);
    void ActiveFormChange(TObject* sender);
    void FinishSplash();

    int mode_ = kModeAbout;
    bool closeWhenIdle_ = false;
    int fadeStep_ = 0;
    bool creditsStarted_ = false;
    bool splashFinished_ = false;
    QPointer<QWidget> guarded_;
    std::unique_ptr<TComponent> packs_;
};

// The credits the third presentation rolls.
QStringList AboutCredits();
