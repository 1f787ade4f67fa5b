#include "controls/UComCtrlsEx.h"

#include <QAction>

void TToolButtonEx::SetAction(QAction* action) {
    disconnect(changed_);
    disconnect(clicked_);
    action_ = action;
    if (!action)
        return;
    changed_ = connect(action, &QAction::changed, this, &TToolButtonEx::ActionChanged);
    clicked_ = connect(this, &QToolButton::clicked, action, &QAction::trigger);
    ActionChanged();
}

void TToolButtonEx::ActionChanged() {
    if (!action_)
        return;
    setEnabled(action_->isEnabled());
    setCheckable(action_->isCheckable());
    setChecked(action_->isChecked());
    setVisible(action_->isVisible());
    if (text().isEmpty())
        setText(action_->text());
    if (icon().isNull())
        setIcon(action_->icon());
    if (toolTip().isEmpty())
        setToolTip(action_->toolTip());
}
