#include "controls/UModalPopup.h"

#include "core/UGlobalNotify.h"

#include <QApplication>
#include <QGuiApplication>

TModalPopup::TModalPopup(const TFormMaker& formClass, QWidget* owner, TCursor cursor)
    : savedActive_(QApplication::activeWindow()) {
    QGuiApplication::setOverrideCursor(CursorForId(cursor));
    MuteGlobalIdle();
    try {
        form_ = formClass(owner);
        if (!form_)
            return;
        if (owner)
            form_->setParent(owner, form_->windowFlags() | Qt::Window);
        form_->setWindowModality(Qt::ApplicationModal);
        form_->show();
        form_->raise();
        // Painted now: the caller's work starts before the event loop runs again.
        form_->repaint();
    } catch (...) {
        UnmuteGlobalIdle();
        QGuiApplication::restoreOverrideCursor();
        throw;
    }
}

TModalPopup::~TModalPopup() {
    delete form_.data();
    if (savedActive_)
        savedActive_->activateWindow();
    UnmuteGlobalIdle();
    QGuiApplication::restoreOverrideCursor();
}
