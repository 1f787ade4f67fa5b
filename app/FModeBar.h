#pragma once
// The step buttons at the top of the mode forms: the step bar leads through the work (start, paper,
// edit, print sheet, with save and exit beside them) and drives the main window's mode actions; the
// edit mode bar chooses one of the layout editor's five edit modes.

#include <QFrame>

class IAppHost;
class QMenu;
class QToolBar;
class QToolButton;
class TExSpeedButton;
class TFormPanel;

class TframeModeBarEx : public QFrame {
    Q_OBJECT

public:
    static constexpr int kStepStart = 0;
    static constexpr int kStepPaper = 1;
    static constexpr int kStepEdit = 2;
    static constexpr int kStepPrintSheet = 3;
    static constexpr int kStepSaveTo = 4;

    // The steps drive host's mode switch (none without a host).
    explicit TframeModeBarEx(QWidget* parent = nullptr, IAppHost* host = nullptr);

    TExSpeedButton* btnStart;
    TExSpeedButton* btnPaper;
    TExSpeedButton* btnEdit;
    TExSpeedButton* btnPrintSheet;
    TExSpeedButton* btnSaveTo;
    TExSpeedButton* btnExit;

    // Steps 1 to 4 off.
    void DisableSteps();
    void SetStepEnabled(int step, bool enabled);
    // The steps a document being edited offers: paper, edit and save, and print once its mode is there.
    void EnableEditingSteps();
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
    IAppHost* host_;
    bool glyphsSet_ = false;
};

// The column a step's mode form is built on: a menu tool bar, the step bar with the steps from the
// start to lastStep enabled and `current` the current one, and a form panel taking the rest.
struct TModeFormColumn {
    QToolBar* tbMenu = nullptr;
    TframeModeBarEx* frameModeBar1 = nullptr;
    TFormPanel* FormPanel1 = nullptr;
};
TModeFormColumn BuildModeFormColumn(QWidget* form, IAppHost* host, int lastStep, int current);
// A button of a menu tool bar that opens its menu at once.
QToolButton* AddMenuButton(QToolBar* bar, const char* name, const QString& text, QMenu* menu);

class TframeEditModeBar : public QFrame {
    Q_OBJECT

public:
    explicit TframeEditModeBar(QWidget* parent = nullptr, IAppHost* host = nullptr);

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
    IAppHost* host_;
    bool glyphsSet_ = false;
};
