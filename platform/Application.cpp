#include "platform/Application.h"

#include "platform/DialogService.h"
#include "platform/Exception.h"

#include <QPointer>
#include <QWidget>
#include <QtGlobal>
#include <stdexcept>

namespace {

constexpr int kMaxNestedHandling = 3;

struct State {
    TApplication::TExceptionEvent onException;
    QString title;
    QString helpFile;
    QPointer<QWidget> mainForm;
    int handling = 0;
};

State& AppState() {
    static State state;
    return state;
}

QString MessageOf(const std::exception& e) {
    if (const auto* ours = dynamic_cast<const Exception*>(&e))
        return ours->Message();
    return QString::fromUtf8(e.what());
}

} // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        HandleException(nullptr, e);
    } catch (...) {
        HandleException(nullptr, std::runtime_error("unknown exception"));
    }
    return false;
}

void TApplication::SetOnException(TExceptionEvent handler) {
    AppState().onException = std::move(handler);
}

bool TApplication::HasOnException() {
    return static_cast<bool>(AppState().onException);
}

void TApplication::HandleException(TObject* sender, const std::exception& e) noexcept {
    State& state = AppState();
    // A message box runs a nested event loop where further handlers may fail; a few nested boxes are
    // fine, an endless chain of them is not.
    if (state.handling >= kMaxNestedHandling) {
        qWarning("exception while showing an exception: %s", e.what());
        return;
    }
    ++state.handling;
    try {
        if (state.onException)
            state.onException(sender, e);
        else
            DialogService::Instance().MessageBox(MessageOf(e), {bkOK}, 0, 0);
    } catch (const std::exception& inner) {
        qWarning("exception handler failed: %s (showing: %s)", inner.what(), e.what());
    } catch (...) {
        qWarning("exception handler failed (showing: %s)", e.what());
    }
    --state.handling;
}

bool TApplication::Guard(TObject* sender, const std::function<void()>& f) noexcept {
    try {
        f();
        return true;
    } catch (const std::exception& e) {
        HandleException(sender, e);
    } catch (...) {
        HandleException(sender, std::runtime_error("unknown exception"));
    }
    return false;
}

QString TApplication::Title() {
    return AppState().title;
}

void TApplication::SetTitle(const QString& title) {
    AppState().title = title;
}

QString TApplication::HelpFile() {
    return AppState().helpFile;
}

void TApplication::SetHelpFile(const QString& fileName) {
    AppState().helpFile = fileName;
}

void TApplication::BringToFront() {
    QWidget* window = QApplication::activeWindow();
    if (!window) {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->isVisible()) {
                window = w;
                break;
            }
        }
    }
    if (window) {
        window->raise();
        window->activateWindow();
    }
}

QWidget* TApplication::MainForm() {
    return AppState().mainForm.data();
}

void TApplication::SetMainForm(QWidget* form) {
    AppState().mainForm = form;
}
