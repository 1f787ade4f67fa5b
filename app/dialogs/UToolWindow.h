#pragma once
// What the layout editor's small modal tool windows share: OK, "キャンセル" and help buttons along
// the bottom, the standard form set-up, and spin edits holding lengths in tenths of a millimetre
// shown in millimetres.

#include "platform/DialogService.h"

#include <QDialog>
#include <QString>
#include <functional>
#include <vector>

class QBoxLayout;
class QLayout;
class QPainter;
class QPushButton;
class TBitBtn;
class TExSpinEdit;

class TToolWindow : public QDialog {
    Q_OBJECT

public:
    explicit TToolWindow(QWidget* parent);

    TBitBtn* btnOK;
    TBitBtn* btnCancel;
    QPushButton* btnHelp;

    // mrOk after OK, mrCancel (2) after Cancel, Esc or closing.
    TModalResult ShowModal();

protected:
    // Puts content above the button row and runs the form set-up; the last step of every constructor.
    void Finish(QLayout* content);
    // OK (and Enter in a spin edit) closes only when check passes; check tells the user why not.
    void AcceptWhen(std::function<bool()> check);
    // Enter in a spin edit presses OK (the edit itself refuses the key).
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// A length edit: min .. max and steps of 1 mm, in tenths of a millimetre.
TExSpinEdit* NewLengthEdit(QWidget* parent, const char* name, int minValue, int maxValue);
// The edit's value; 0 when its text is empty, unreadable or out of its range.
int ValidLength(const TExSpinEdit& edit);

class QAbstractButton;
class QGroupBox;
class QStackedWidget;

// A window choosing one of a few modes: a group of radio buttons, each carrying its mode in its
// "Tag" property, and a sample picture page per mode. The chosen mode is kept in an integer that
// outlives the window, so the next window opens with it.
class TModeToolWindow : public TToolWindow {
    Q_OBJECT

public:
    struct TModeItem {
        QString caption;
        QString hint;
        QString page;
    };
    using TSamplePainter = void (*)(QPainter& painter, const QRect& r, int mode);

    TModeToolWindow(QWidget* parent, int& keptMode, const QString& groupCaption,
                    const std::vector<TModeItem>& items, TSamplePainter painter);

    QGroupBox* grpModes;
    QStackedWidget* pages;
    // In mode order.
    std::vector<QAbstractButton*> modeButtons;

protected:
    void showEvent(QShowEvent* event) override;

    int& keptMode_;

private:
    void ShowMode(int mode);
};
