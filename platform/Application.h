#pragma once
// The class library's application object: its title and help file, bringing it to the front, and the
// one place where an exception that escaped an event handler ends up. Qt lets an exception unwind
// through its event loop only at the cost of undefined behaviour, so every event boundary of the system
// catches and hands the exception to TApplication::HandleException instead.

#include "platform/Object.h"

#include <QApplication>
#include <QString>
#include <exception>
#include <functional>

class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);

    // Delivers the event; an exception of its handler goes to HandleException and the event counts
    // as not handled.
    bool notify(QObject* receiver, QEvent* event) override;

    using TExceptionEvent = std::function<void(TObject* sender, const std::exception& e)>;
    // Who shows unhandled exceptions (the application frame takes this over).
    static void SetOnException(TExceptionEvent handler);
    static bool HasOnException();
    // Shows e through OnException, else as a plain message box. Never throws: a failing handler is
    // logged and dropped.
    static void HandleException(TObject* sender, const std::exception& e) noexcept;
    // Runs f and routes whatever it throws to HandleException; true when f finished normally.
    static bool Guard(TObject* sender, const std::function<void()>& f) noexcept;

    static QString Title();
    static void SetTitle(const QString& title);
    static QString HelpFile();
    static void SetHelpFile(const QString& fileName);
    // Raises and activates the active (or first visible) top-level window.
    static void BringToFront();
    // The application's main window (null until one is set, and once it is destroyed).
    static QWidget* MainForm();
    static void SetMainForm(QWidget* form);
};
