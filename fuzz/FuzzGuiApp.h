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

// Under libFuzzer the application outlives Qt's statics at exit, and part of fontconfig's
// configuration, parsed once when the first text asks for the font list, is then unreachable: a
// bounded loss, not any input's (the replay, which frees the application, sees none). The quick
// unwinder stops inside fontconfig, so the library is named rather than its caller.
extern "C" __attribute__((used)) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

// The replay ends the application while its thread still runs, so its font caches are freed.
extern "C" void QuorlaneFuzzFinish() {
    delete FuzzGuiApp();
    FuzzGuiApp() = nullptr;
}
