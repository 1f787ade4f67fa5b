#pragma once
// What every benchmark program starts with: a widget application on the offscreen platform.

#include <QApplication>

// Creates the application on the first call and says whether it did, so a program registers its
// classes and settings once. Environment a program wants Qt to read is set before the call.
inline bool StartOffscreenApplication() {
    static int argc = 1;
    static char name[] = "bench";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() != nullptr)
        return false;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(argc, argv);
    return true;
}
