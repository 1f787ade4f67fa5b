#include "platform/Settings.h"

#include "platform/Exception.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSettings>
#include <QStandardPaths>
#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

namespace {

QMutex& FileNameLock() {
    static QMutex lock;
    return lock;
}

QString& OverrideFileName() {
    static QString name;
    return name;
}

// Integers are kept as decimal text and Booleans as 0/1, like registry DWORDs read back.
bool ParseInt(const QString& text, int& value) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (ok)
        value = v;
    return ok;
}

// The settings hold a proxy password: the file is the user's alone (0600, its folder 0700), made so
// before the first value is written, as the writer keeps the permissions of the file it replaces.
void MakePrivate(const QString& fileName) {
    const QFileInfo info(fileName);
    const QString folder = info.absolutePath();
    // Our own folder, or one made here; never a folder the file was merely pointed into.
    const bool made = !QFileInfo::exists(folder) && QDir().mkpath(folder);
    if (made || QFileInfo(folder).fileName() == QLatin1String("Quorlane"))
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (info.exists())
        return;
    const int fd = ::open(QFile::encodeName(fileName).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0)
        ::close(fd);
}

class Store {
public:
    explicit Store(const QString& key) : settings_(SettingsStore::FileName(), QSettings::IniFormat) {
        const QString group = SettingsStore::GroupPath(key);
        if (!group.isEmpty())
            settings_.beginGroup(group);
    }
    QSettings& operator*() { return settings_; }
    QSettings* operator->() { return &settings_; }
    void Flush() {
        MakePrivate(settings_.fileName());
        settings_.sync();
        // One made by an earlier version may still be readable by others.
        QFile::setPermissions(settings_.fileName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        if (settings_.status() != QSettings::NoError)
            throw Exception(QStringLiteral("設定を保存できません: %1").arg(settings_.fileName()));
    }

private:
    QSettings settings_;
};

} // namespace

QString SettingsStore::FileName() {
    QMutexLocker locker(&FileNameLock());
    if (!OverrideFileName().isEmpty())
        return OverrideFileName();
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return dir + QStringLiteral("/Quorlane/registry.ini");
}

void SettingsStore::SetFileName(const QString& fileName) {
    QMutexLocker locker(&FileNameLock());
    OverrideFileName() = fileName;
}

QString SettingsStore::GroupPath(const QString& key) {
    QStringList parts =
        QString(key).replace(QLatin1Char('\\'), QLatin1Char('/')).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    return parts.join(QLatin1Char('/'));
}

bool SettingsStore::KeyExists(const QString& key) {
    const QString group = GroupPath(key);
    if (group.isEmpty())
        return true;
    // A key exists when it holds values or sub-keys; its parent then lists it.
    const qsizetype slash = group.lastIndexOf(QLatin1Char('/'));
    Store parent(slash < 0 ? QString() : group.left(slash));
    return parent->childGroups().contains(slash < 0 ? group : group.mid(slash + 1));
}

bool SettingsStore::ValueExists(const QString& key, const QString& name) {
    Store s(key);
    return s->childKeys().contains(name);
}

QStringList SettingsStore::ValueNames(const QString& key) {
    Store s(key);
    return s->childKeys();
}

QStringList SettingsStore::SubKeyNames(const QString& key) {
    Store s(key);
    return s->childGroups();
}

QString SettingsStore::ReadString(const QString& key, const QString& name, const QString& defaultValue) {
    Store s(key);
    if (!s->childKeys().contains(name))
        return defaultValue;
    return s->value(name).toString();
}

int SettingsStore::ReadInteger(const QString& key, const QString& name, int defaultValue) {
    Store s(key);
    if (!s->childKeys().contains(name))
        return defaultValue;
    int value = defaultValue;
    return ParseInt(s->value(name).toString(), value) ? value : defaultValue;
}

bool SettingsStore::ReadBool(const QString& key, const QString& name, bool defaultValue) {
    Store s(key);
    if (!s->childKeys().contains(name))
        return defaultValue;
    const QString text = s->value(name).toString().trimmed();
    int value = 0;
    if (ParseInt(text, value))
        return value != 0;
    if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    return defaultValue;
}

void SettingsStore::WriteString(const QString& key, const QString& name, const QString& value) {
    Store s(key);
    s->setValue(name, value);
    s.Flush();
}

void SettingsStore::WriteInteger(const QString& key, const QString& name, int value) {
    WriteString(key, name, QString::number(value));
}

void SettingsStore::WriteBool(const QString& key, const QString& name, bool value) {
    WriteString(key, name, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void SettingsStore::ReplaceKey(const QString& key, const QStringList& names, const QStringList& values) {
    Store s(QString{});
    const QString group = GroupPath(key);
    // The root is never cleared as a whole.
    if (!group.isEmpty())
        s->remove(group);
    s->beginGroup(group);
    for (qsizetype i = 0; i < std::min(names.size(), values.size()); ++i)
        s->setValue(names[i], values[i]);
    s->endGroup();
    s.Flush();
}

bool SettingsStore::DeleteValue(const QString& key, const QString& name) {
    Store s(key);
    if (!s->childKeys().contains(name))
        return false;
    s->remove(name);
    s.Flush();
    return true;
}

bool SettingsStore::DeleteKey(const QString& key) {
    if (!KeyExists(key))
        return false;
    Store s(QString{});
    s->remove(GroupPath(key));
    s.Flush();
    return true;
}
