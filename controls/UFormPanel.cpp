#include "controls/UFormPanel.h"

#include <QAction>
#include <QResizeEvent>

TFormPanel::TFormPanel(QWidget* parent) : QWidget(parent), alignOffset_(std::make_unique<TAlignOffset>()) {
    alignOffset_->OnChange = [this](TObject*) { Realign(); };
    // The hosted form covers the panel; erasing first would only flicker.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

TFormPanel::~TFormPanel() {
    SetForm(nullptr);
}

void TFormPanel::SetForm(QWidget* form) {
    if (QWidget* old = form_) {
        form_ = nullptr;
        old->hide();
        for (QAction* action : old->findChildren<QAction*>())
            action->setEnabled(false);
        for (QAction* action : old->actions())
            action->setEnabled(false);
        old->close();
        // Undocked so it no longer takes part in this panel's layout, freed once its own handlers
        // (perhaps the very click that asked for the new form) have returned.
        old->setParent(nullptr);
        old->deleteLater();
    }
    form_ = form;
    if (!form)
        return;
    form->setParent(this, Qt::Widget);
    // The panel does not erase, so the form paints its whole area: else where it draws no control
    // the previous form's pixels would stay.
    form->setAutoFillBackground(true);
    Realign();
    form->show();
}

void TFormPanel::SetBaseControl(QWidget* control) {
    if (baseControl_ == control)
        return;
    baseControl_ = control;
    Realign();
}

void TFormPanel::Realign() {
    const TRect client = TRect::FromQRect(rect());
    if (baseControl_)
        baseControl_->setGeometry(client.ToQRect());
    if (form_)
        form_->setGeometry(alignOffset_->Apply(client).ToQRect());
}

void TFormPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Realign();
}

int HelpContextOf(const QWidget* widget) {
    for (const QWidget* at = widget; at != nullptr; at = at->parentWidget()) {
        if (const int context = at->property("HelpContext").toInt())
            return context;
        for (const QObject* child : at->children()) {
            const auto* panel = qobject_cast<const TFormPanel*>(child);
            if (panel && panel->TrapHelp() && panel->Form())
                if (const int context = panel->Form()->property("HelpContext").toInt())
                    return context;
        }
        if (at->isWindow())
            break;
    }
    return 0;
}
