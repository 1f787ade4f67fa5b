#pragma once
// The per-user settings store that stands in for the registry: one INI file, where a
// registry key path ("Software\Maker\Product\Settings") is a group path and each value
// a name under it.

#include <QString>
#include <QStringList>

class SettingsStore {
public:
    // The file behind the store: "$XDG_CONFIG_HOME/Quorlane/registry.ini" unless set.
    static QString FileName();
    // Points the store at another file (tests, portable installs); empty restores the default.
    static void SetFileName(const QString& fileName);

    static bool KeyExists(const QString& key);
    static bool ValueExists(const QString& key, const QString& name);
    static QStringList ValueNames(const QString& key);
    static QStringList SubKeyNames(const QString& key);

    // Default when the key or the value is missing, or the value is not of the kind asked for.
    static QString ReadString(const QString& key, const QString& name, const QString& defaultValue = {});
    static int ReadInteger(const QString& key, const QString& name, int defaultValue = 0);
    static bool ReadBool(const QString& key, const QString& name, bool defaultValue = false);

    // Writing creates the key. Raises Exception when the file cannot be written.
    static void WriteString(const QString& key, const QString& name, const QString& value);
    static void WriteInteger(const QString& key, const QString& name, int value);
    static void WriteBool(const QString& key, const QString& name, bool value);

    // The key holds exactly these values (and no sub-keys) afterwards, written in one go.
    static void ReplaceKey(const QString& key, const QStringList& names, const QStringList& values);

    static bool DeleteValue(const QString& key, const QString& name);
    static bool DeleteKey(const QString& key);

    // "Software\A\B" -> "Software/A/B", without empty parts.
    static QString GroupPath(const QString& key);
};
