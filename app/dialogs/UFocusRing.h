#pragma once
// Focus cues: the control that has the keyboard focus shows a dotted ring, as the user works by keys.
// The application's style draws the ring for every control that asks the style for a focus frame
// (push buttons, lists, combo boxes, check and radio boxes, and the program's own painted controls),
// and the cues show in a window once its keys are used (Tab, arrows, Alt, letters), not only once
// Tab has moved the focus; a window opened from one that shows them shows them from the start.

class QApplication;
class QWidget;

// Makes the ring the application's: its style and the key watch that turns the cues on.
void InstallFocusCues(QApplication& app);

// Widens window's push buttons so the ring clears their captions, and rings them where the
// application's style does not.
void ShowButtonFocus(QWidget* window);
