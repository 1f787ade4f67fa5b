#include "platform/InstanceLock.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>
#include <map>

namespace {

// A mutex name may hold characters that cannot be in a file name ("Global\" prefixes, slashes).
QString FileNameFor(const QString& name) {
    QString safe = name;
    for (QChar& c : safe) {
        if (c == u'/' || c == u'\\' || c == u'\0')
            c = u'_';
    }
    return safe + QStringLiteral(".lock");
}

std::map<QString, std::unique_ptr<TInstanceLock>>& ProcessLocks() {
    static std::map<QString, std::unique_ptr<TInstanceLock>> locks;
    return locks;
}

} // namespace

TInstanceLock::TInstanceLock(const QString& name, const QString& folder) {
    const QString dir = folder.isEmpty() ? DefaultFolder() : folder;
    fileName_ = QDir(dir).filePath(FileNameFor(name));
    lock_ = std::make_unique<QLockFile>(fileName_);
    // Only a dead owner makes a lock stale: a long-running instance keeps it however old it is (the
    // lock file is also held with a file lock, so no age can take it from a live process).
    lock_->setStaleLockTime(0);
}

TInstanceLock::~TInstanceLock() {
    Release();
}

bool TInstanceLock::TryAcquire() {
    if (held_)
        return true;
    QDir().mkpath(QFileInfo(fileName_).absolutePath());
    held_ = lock_->tryLock(0);
    if (!held_ && lock_->error() == QLockFile::LockFailedError) {
        // A lock file that names no process (cut short by a crash while it was written) is stale too.
        // Removing it succeeds only when no live process holds the file's own lock.
        qint64 pid = 0;
        QString host;
        QString app;
        if (!lock_->getLockInfo(&pid, &host, &app) && lock_->removeStaleLockFile())
            held_ = lock_->tryLock(0);
    }
    return held_;
}

void TInstanceLock::Release() {
    if (held_)
        lock_->unlock();
    held_ = false;
}

QString TInstanceLock::DefaultFolder() {
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
}

bool TInstanceLock::AcquireForProcess(const QString& name, const QString& folder) {
    auto lock = std::make_unique<TInstanceLock>(name, folder);
    auto& locks = ProcessLocks();
    if (locks.count(lock->FileName()))
        return true;
    if (!lock->TryAcquire())
        return false;
    const QString key = lock->FileName();
    locks.emplace(key, std::move(lock));
    return true;
}
