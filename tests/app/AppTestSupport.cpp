#include "tests/app/AppTestSupport.h"

#include "app/FLayout.h"
#include "app/FMain.h"
#include "app/dialogs/FAbout.h"
#include "core/UPathUtil.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPointer>
#include <QStandardPaths>
#include <QTimer>

// Qt's fontconfig font engine keeps a fallback pattern it matched (here for a digit followed by a
// kanji in a text box) past the end of the process; it is not ours to free. The library has no frame
// pointers, so the report's stack ends inside it and only the library can be named.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

AppFixture::AppFixture() {
    QFile::copy(QStringLiteral(QUORLANE_SYSTEM_PAPERS), exeDir_.filePath(QStringLiteral("quorlane.ppr")));
    QFile::copy(QStringLiteral(QUORLANE_EXE_DIR "/AlbumShd.dat"),
                exeDir_.filePath(QStringLiteral("AlbumShd.dat")));
    // Each test starts as a first run.
    QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Quorlane"))
        .removeRecursively();
}

AppFixture::~AppFixture() {
    data.reset();
}

QString AppFixture::UserFolder() const {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Quorlane/1.0");
}

TdataMain& AppFixture::Start(const QStringList& arguments) {
    TDataMainOptions options;
    options.Environment = environment;
    options.Arguments = arguments;
    const QString dir = IncludeBackslash(exeDir_.path());
    options.Macros = {{QStringLiteral("ExeDir"), dir},
                      {QStringLiteral("exeDir"), dir},
                      {QStringLiteral("ExeNameNoExt"), dir + QStringLiteral("quorlane")}};
    data = std::make_unique<TdataMain>(nullptr, options);
    return *data;
}

void RunLoopUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    // A real loop: idle work runs only when the loop is about to wait.
    while (!done() && timer.elapsed() < timeoutMs) {
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

void AppFixture::RunUntilIdleHandled() {
    RunLoopUntil([this] { return !data || data->IdleHandled(); });
}

TfrmMain* AppFixture::StartMainWindow(const std::function<void()>& beforeIdle) {
    Start();
    if (beforeIdle)
        beforeIdle();
    RunUntilIdleHandled();
    if (QPointer<TfrmAbout> splash = data->Splash()) {
        splash->RequestClose();
        RunLoopUntil([&] { return !splash; });
    }
    return data->MainForm();
}

TfrmLayout* OpenLayoutEditor(TfrmMain* main) {
    main->actNew->trigger();
    main->actLayout->trigger();
    return qobject_cast<TfrmLayout*>(main->HostedForm());
}

void WhenModal(const std::function<void(QWidget*)>& act, int tries) {
    constexpr int kRetryMs = 10;
    QTimer::singleShot(tries == 300 ? 0 : kRetryMs, [act, tries] {
        if (QWidget* window = QApplication::activeModalWidget())
            act(window);
        else if (tries > 0)
            WhenModal(act, tries - 1);
    });
}
