#pragma once
// The tool bar of the editors and bases, and its button that keeps its own caption, icon and hint
// when an action is linked: only what the button left unset comes from the action. (Qt's own
// default action would overwrite them.)

#include <QPointer>
#include <QToolBar>
#include <QToolButton>

class QAction;

// Qt matches mnemonics only with Alt held, so the bar needs nothing of its own.
class TToolBarEx : public QToolBar {
    Q_OBJECT

public:
    using QToolBar::QToolBar;
};

class TToolButtonEx : public QToolButton {
    Q_OBJECT

public:
    using QToolButton::QToolButton;

    QAction* Action() const { return action_; }
    // Clicks trigger the action; enabled, checked and visible follow it; caption, icon and hint
    // are taken from it only where the button has none.
    void SetAction(QAction* action);

private:
    void ActionChanged();
    QPointer<QAction> action_;
    QMetaObject::Connection changed_;
    QMetaObject::Connection clicked_;
};
