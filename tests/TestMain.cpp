// Every test program runs without a display and with settings, data and runtime folders of
// its own, so a test never touches the user's files.

#include "platform/Scanner.h"
#include "platform/Settings.h"
#include "tests/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// libcups's PPD cache, made when Qt's CUPS printer support marks a queue's PPD options, loses a few
// strings (and an option list) of each driver PPD with presets. It is not ours to free. Weak: a test
// program with suppressions of its own keeps them.
extern "C" __attribute__((weak, used)) const char* __lsan_default_suppressions() {
    return "leak:_ppdCacheCreateWithPPD\nleak:cupsAddOption\n";
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // A second process started by a test makes its folders inside its parent's, so that one the
    // test kills on purpose leaves nothing behind once the parent ends.
    const QByteArray parentHome = qgetenv("QUORLANE_TEST_HOME");
    QTemporaryDir home = parentHome.isEmpty()
                             ? QTemporaryDir()
                             : QTemporaryDir(QFile::decodeName(parentHome) + QStringLiteral("/child-XXXXXX"));
    if (!home.isValid())
        return 2;
    qputenv("QUORLANE_TEST_HOME", QFile::encodeName(home.path()));
    for (const char* var : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
        const QString dir = home.path() + QLatin1Char('/') + QString::fromLatin1(var);
        QDir().mkpath(dir);
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv(var, QFile::encodeName(dir));
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QuorlaneTests"));
    SettingsStore::SetFileName(home.path() + QStringLiteral("/registry.ini"));
    Scanner::SetHelperProgram(QStringLiteral(QUORLANE_SCAN_HELPER));
    if (const int child = TestSupport::RunChildIfAsked(); child >= 0)
        return child;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
