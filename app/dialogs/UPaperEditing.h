#pragma once
// What the paper selection and the paper wizard's pages share: the switch for the extended paper
// functions, the pages' modal results and button row, and the length edits.

class QBoxLayout;
class QDialog;
class QPushButton;
class QWidget;
class TExSpinEdit;

// The extended paper functions (adding, editing and deleting system papers) are on.
bool AdvancedPaperMode();
void SetAdvancedPaperMode(bool value);

// Modal results of the wizard's pages.
enum : int { kPageNext = 1, kPageCancel = 2, kPageBack = 7, kPageFinish = 10 };

struct TWizardButtons {
    QPushButton* Cancel;
    QPushButton* Back;
    QPushButton* Next;
    QPushButton* Finish;
};
// The foot of a page: "キャンセル", "< 戻る(&B)", "次へ >", "完了(&F)"; with withResults each
// ends the page with its result.
TWizardButtons MakeWizardButtons(QDialog* page, QBoxLayout* layout, bool withResults);
// A length of the paper windows: tenths of a millimetre shown in millimetres, a millimetre a step.
TExSpinEdit* MakeLengthEdit(QWidget* parent, const char* name, int minValue, int maxValue);
