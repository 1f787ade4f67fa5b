#include "controls/UModalPopup.h"

#include "core/UGlobalNotify.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QWindow>

namespace {

// Long enough for a window manager to map the window, short against the work that follows.
constexpr int kExposeWaitMs = 300;
constexpr int kExposeSliceMs = 10;

} // namespace

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
        // The window system shows a new window only once it has mapped it, and a paint before that
        // goes nowhere: wait (briefly) for it, and let the other windows repaint what a closed menu
        // or dialog left, since the caller's work starts before the event loop runs again.
        QElapsedTimer clock;
        clock.start();
        while (form_ && clock.elapsed() < kExposeWaitMs) {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, kExposeSliceMs);
            if (QWindow* handle = form_ ? form_->windowHandle() : nullptr; handle && handle->isExposed())
                break;
        }
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (form_)
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
