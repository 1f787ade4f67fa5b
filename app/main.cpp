// The program: the application object, the data module that starts everything, the message loop.

#include "app/DMain.h"
#include "app/UAppWindows.h"
#include "app/dialogs/FMessage.h"
#include "app/dialogs/UFocusRing.h"
#include "platform/Application.h"

#include <QLibraryInfo>
#include <QSocketNotifier>
#include <QTranslator>
#include <QWidget>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char byte = 1;
    // Only async-signal-safe work here: the loop reads the byte and closes the main window.
    (void)!write(signalPipe[0], &byte, 1);
}

// SIGTERM and SIGINT close the main window as its close button does.
void WatchTermination(QObject* parent) {
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, parent);
    QObject::connect(notifier, &QSocketNotifier::activated, parent, [] {
        char byte = 0;
        (void)!read(signalPipe[1], &byte, 1);
        if (QWidget* main = TApplication::MainForm())
            main->close();
        else
            QCoreApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

// Qt's own windows (the file dialog, standard buttons) speak the program's language. Without the
// translation package they stay English, which costs nothing else.
void InstallQtTranslation(QCoreApplication& app) {
    auto* translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

} // namespace

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quorlane"));
    TApplication::setQuitOnLastWindowClosed(false);
    InstallQtTranslation(app);
    InstallFocusCues(app);
    TAppDialogService dialogs;
    DialogService::SetInstance(&dialogs);
    WatchTermination(&app);
    int status = 1;
    {
        TDataMainOptions options;
        options.Windows = MakeAppWindows();
        TdataMain data(nullptr, options);
        // A loop without a main window would never end: a start that stopped short ends here.
        if (data.Started() && TApplication::MainForm())
            status = app.exec();
    }
    DialogService::SetInstance(nullptr);
    return status;
}
