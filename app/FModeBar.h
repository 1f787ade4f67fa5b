#pragma once
// The step buttons at the top of the mode forms: the step bar leads through the work (start, paper,
// edit, print sheet, with save and exit beside them) and drives the main window's mode actions; the
// edit mode bar chooses one of the layout editor's five edit modes.

#include <QFrame>

class TExSpeedButton;

class TframeModeBarEx : public QFrame {
    Q_OBJECT

public:
    static constexpr int kStepStart = 0;
    static constexpr int kStepPaper = 1;
    static constexpr int kStepEdit = 2;
    static constexpr int kStepPrintSheet = 3;
    static constexpr int kStepSaveTo = 4;

    explicit TframeModeBarEx(QWidget* parent = nullptr);

    TExSpeedButton* btnStart;
    TExSpeedButton* btnPaper;
    TExSpeedButton* btnEdit;
    TExSpeedButton* btnPrintSheet;
    TExSpeedButton* btnSaveTo;
    TExSpeedButton* btnExit;

    // Steps 1 to 4 off.
    void DisableSteps();
    void SetStepEnabled(int step, bool enabled);
    // Pushes the step's button down and makes it the current step of every step bar.
    void SetCurrentStep(int step);
    TExSpeedButton* StepButton(int step) const;

    // The step shared by all step bars; -1 before any.
    static int CurrentStep();
    static void ResetCurrentStep();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void StepClicked(int step);
    bool glyphsSet_ = false;
};

class TframeEditModeBar : public QFrame {
    Q_OBJECT

public:
    explicit TframeEditModeBar(QWidget* parent = nullptr);

    TExSpeedButton* btnEditPhoto;
    TExSpeedButton* btnText;
    TExSpeedButton* btnIllust;
    TExSpeedButton* btnFigure;
    TExSpeedButton* btnBackground;

    void SetCurrentMode(int index);
    TExSpeedButton* ModeButton(int index) const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    bool glyphsSet_ = false;
};
