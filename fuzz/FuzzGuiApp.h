#pragma once
// The offscreen GUI application of the fuzz targets that draw (fonts and recorded pictures need one).
// Include from the target's one source file: it also defines the target's QuorlaneFuzzFinish.

#include <QGuiApplication>

// Left alive at exit under libFuzzer: destroyed by exit handlers after Qt's own statics, it would
// crash or leak Qt's font caches; the replay frees it through QuorlaneFuzzFinish.
inline QGuiApplication*& FuzzGuiApp() {
    static QGuiApplication* app = nullptr;
    return app;
}

// Starts the application named name once; later calls do nothing.
inline void StartFuzzGuiApp(const char* name) {
    if (FuzzGuiApp() != nullptr)
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QByteArray storedName;
    storedName = name;
    static int argc = 1;
    static char* argv[] = {storedName.data(), nullptr};
    FuzzGuiApp() = new QGuiApplication(argc, argv);
}

// The replay ends the application while its thread still runs, so its font caches are freed.
extern "C" void QuorlaneFuzzFinish() {
    delete FuzzGuiApp();
    FuzzGuiApp() = nullptr;
}
