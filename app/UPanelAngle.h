#pragma once
// The turn controls the picture and figure panels share: four buttons for the right angles, an edit
// and its up-down, kept in step as an edit and its buddy are.

#include <functional>

class QGridLayout;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QWidget;

struct TPanelAngle {
    QPushButton* btnAngle00 = nullptr;
    QPushButton* btnAngle90 = nullptr;
    QPushButton* btnAngle180 = nullptr;
    QPushButton* btnAngle270 = nullptr;
    QLineEdit* edAngle = nullptr;
    QSpinBox* udAngle = nullptr;

    void SetEnabled(bool value) const;
    // Shows angle in the up-down and the edit without their change signals (nothing is applied).
    void Show(int angle) const;
};

// Keeps an edit and its up-down in step: the up-down writes the edit, and typed text in min .. max
// moves the up-down (text that is no number reads as 0); onValue runs whenever they then agree.
void LinkEditUpDown(QLineEdit* edit, QSpinBox* upDown, int min, int max, std::function<void()> onValue);

// Lays the controls into rows row (buttons) and row + 1 (edit, up-down and "度") of grid. A button
// sets the up-down, the up-down writes the edit, and typed text in range moves the up-down;
// onAngle runs whenever the edit and the up-down then agree.
TPanelAngle MakePanelAngle(QWidget* parent, QGridLayout* grid, int row, int maxAngle,
                           std::function<void()> onAngle);
