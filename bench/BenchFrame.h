#pragma once
// The application frame of a benchmark program: settings under a registry key of the program's own,
// kept in a temporary folder for the process, never the user's.

#include "core/UAppFrame.h"
#include "platform/Settings.h"

#include <QTemporaryDir>

struct TBenchFrame {
    TAppFrame& frame;
    // The temporary folder the settings live in, with a closing slash.
    QString folder;
};

// Made on the first call; later calls give the same frame.
inline TBenchFrame StartBenchFrame(const QString& registryKey) {
    static QTemporaryDir settings;
    static const bool stored = [] {
        SettingsStore::SetFileName(settings.filePath(QStringLiteral("registry.ini")));
        return true;
    }();
    (void)stored;
    static TAppFrame frame(nullptr);
    frame.Macro().SetValue(QStringLiteral("SysRegistryKey"), registryKey);
    return {frame, settings.path() + u'/'};
}
