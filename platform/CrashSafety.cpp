#include "platform/CrashSafety.h"

#include "platform/StorageError.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSysInfo>
#include <cerrno>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// The longest file name (in bytes) the usual file systems take.
constexpr qsizetype kMaxNameBytes = 255;
constexpr int kMachineDigits = 8;
constexpr int kRandomLength = 6;
// "<pid>-<machine>-<random>.tmp" at its longest.
constexpr qsizetype kTagBytes = 10 + 1 + kMachineDigits + 1 + kRandomLength + 4;
constexpr int kCreateAttempts = 100;
const char kRandomAlphabet[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr int kRandomAlphabetSize = sizeof(kRandomAlphabet) - 1;

FolderSyncFunction& FolderSyncOverride() {
    static FolderSyncFunction sync;
    return sync;
}

// Tells this machine from others that share a folder (a network drive): their process ids mean
// nothing here.
const QString& MachineTag() {
    static const QString tag = [] {
        QByteArray id = QSysInfo::machineUniqueId();
        if (id.isEmpty())
            id = QSysInfo::machineHostName().toUtf8();
        return QString::fromLatin1(
            QCryptographicHash::hash(id, QCryptographicHash::Sha1).toHex().left(kMachineDigits));
    }();
    return tag;
}

// The prefix as it goes into names: cut by whole characters so that prefix and tag fit a file name.
QString NamePrefix(const QString& prefix) {
    QString p = prefix;
    while (!p.isEmpty() && QFile::encodeName(p).size() > kMaxNameBytes - kTagBytes)
        p.chop(p.size() >= 2 && p.back().isLowSurrogate() ? 2 : 1);
    return p;
}

const QRegularExpression& TagPattern() {
    static const QRegularExpression pattern(
        QStringLiteral("(?<!\\d)(\\d{1,10})-([0-9a-f]{8})-[0-9A-Za-z]{6}\\.tmp$"));
    return pattern;
}

// Answers true when it cannot tell: a file is removed only when its owner is surely gone.
bool ProcessRuns(qint64 pid) {
    if (pid <= 0 || pid > INT_MAX || pid == ::getpid())
        return true;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

} // namespace

bool SyncFolder(const QString& folder) {
    if (const FolderSyncFunction& sync = FolderSyncOverride())
        return sync(folder);
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

FolderSyncFunction SetFolderSync(FolderSyncFunction sync) {
    return std::exchange(FolderSyncOverride(), std::move(sync));
}

// ---------------------------------------------------------------------------------------------------
// Temporary files that name their owner

QString CreateOwnedTempFile(const QString& folder, const QString& prefix) {
    const QString base = QDir(folder).filePath(NamePrefix(prefix));
    const QString owner = QString::number(::getpid()) + u'-' + MachineTag() + u'-';
    QRandomGenerator* random = QRandomGenerator::system();
    int error = EEXIST;
    for (int attempt = 0; attempt < kCreateAttempts && error == EEXIST; ++attempt) {
        QString path = base + owner;
        for (int i = 0; i < kRandomLength; ++i)
            path += QLatin1Char(kRandomAlphabet[random->bounded(kRandomAlphabetSize)]);
        path += QStringLiteral(".tmp");
        const int fd =
            ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        error = errno;
    }
    ThrowStorageErrno(error, STG_E_ACCESSDENIED, base);
}

int RemoveStaleOwnedFiles(const QString& folder, const QString& prefix) {
    const QString p = NamePrefix(prefix);
    const QDir dir(folder);
    int removed = 0;
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden, QDir::Unsorted)) {
        // The tag follows the prefix directly, or after a "." (a save's temporary of any document).
        const QRegularExpressionMatch m = TagPattern().match(name);
        if (!m.hasMatch() || !name.startsWith(p) || m.capturedStart() < p.size() ||
            (m.capturedStart() > p.size() && name[m.capturedStart() - 1] != u'.'))
            continue;
        if (m.capturedView(2) != MachineTag() || ProcessRuns(m.capturedView(1).toLongLong()))
            continue;
        // A file someone holds with a lock is in use whatever its name says (a process id reused in
        // another process's namespace, a copy of the folder).
        const QByteArray path = QFile::encodeName(dir.filePath(name));
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::unlink(path.constData()) == 0)
            ++removed;
        ::close(fd);
    }
    return removed;
}

// ---------------------------------------------------------------------------------------------------
// ChangeMark

ChangeMark::ChangeMark(const QString& fileName) : fileName_(fileName) {}

ChangeMark::~ChangeMark() {
    if (fd_ >= 0)
        ::close(fd_);
}

QString ChangeMark::MarkName(const QString& fileName) {
    return fileName + QStringLiteral(".changing");
}

void ChangeMark::Set() {
    if (fd_ >= 0)
        return;
    const QString mark = MarkName(fileName_);
    const QByteArray path = QFile::encodeName(mark);
    bool created = true;
    int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0 && errno == EEXIST) {
        created = false;
        fd = ::open(path.constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    }
    if (fd < 0)
        ThrowStorageErrno(errno, STG_E_WRITEFAULT, mark);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK)
            ThrowStorageError(STG_E_LOCKVIOLATION,
                              fileName_ + QStringLiteral(": another program is changing it"));
        ThrowStorageErrno(error, STG_E_LOCKVIOLATION, mark);
    }
    // The mark must be on disk before any change is. A stale mark taken over stays whatever happens:
    // it still speaks of the file's unfinished change.
    if (!SyncFolder(QFileInfo(mark).absolutePath())) {
        if (created)
            ::unlink(path.constData());
        ::close(fd);
        ThrowStorageError(STG_E_WRITEFAULT,
                          mark + QStringLiteral(": the folder could not be written to disk"));
    }
    fd_ = fd;
}

bool ChangeMark::Clear() {
    if (fd_ < 0)
        return true;
    // Removed while still locked, so no one sees it unlocked in between and takes it for stale. The
    // removal need not be synced: should it be lost, the file is only distrusted.
    const bool removed = ::unlink(QFile::encodeName(MarkName(fileName_)).constData()) == 0 || errno == ENOENT;
    ::close(fd_);
    fd_ = -1;
    return removed;
}

ChangeMark::State ChangeMark::Check(const QString& fileName) {
    const QByteArray path = QFile::encodeName(MarkName(fileName));
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? State::None : State::Stale;
    const bool free = ::flock(fd, LOCK_SH | LOCK_NB) == 0;
    ::close(fd);
    return free ? State::Stale : State::Live;
}

bool ChangeMark::RemoveStale(const QString& fileName) {
    const QByteArray path = QFile::encodeName(MarkName(fileName));
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR;
    bool removed = false;
    if (::flock(fd, LOCK_SH | LOCK_NB) == 0)
        removed = ::unlink(path.constData()) == 0 || errno == ENOENT;
    ::close(fd);
    return removed;
}
