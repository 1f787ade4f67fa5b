#include "platform/CrashSafety.h"

#include "platform/CompoundFile.h"
#include "tests/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <csignal>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

HRESULT CodeOf(const std::function<void()>& op) {
    try {
        op();
    } catch (const EOleSysError& e) {
        return e.ErrorCode();
    }
    return S_OK;
}

// The id of a process that has ended.
qint64 DeadProcessId() {
    QProcess process;
    process.start(QStringLiteral("true"), {});
    process.waitForStarted();
    const qint64 pid = process.processId();
    process.waitForFinished();
    return pid;
}

QStringList Names(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

struct FolderSyncFailing {
    FolderSyncFunction previous = SetFolderSync([](const QString&) { return false; });
    ~FolderSyncFailing() { SetFolderSync(previous); }
};

} // namespace

TEST(CrashSafety, OwnedTempFilesOfEndedProcessesGoOthersStay) {
    QTemporaryDir dir;
    const QString mine = CreateOwnedTempFile(dir.path(), ".doc.qdoc.");
    const QString name = QFileInfo(mine).fileName();
    ASSERT_TRUE(name.startsWith(QStringLiteral(".doc.qdoc.%1-").arg(::getpid()))) << name.toStdString();
    EXPECT_EQ(QFileInfo(mine).permissions() & 0x0077, QFileDevice::Permissions());
    // The same name with another owner: <pid>-<machine>-<random>.tmp.
    const QStringList tag = name.mid(10).split(u'-');
    ASSERT_EQ(tag.size(), 3);
    const QString dead = QString::number(DeadProcessId());
    const auto make = [&](const QString& fileName) {
        TestSupport::WriteFile(dir.filePath(fileName), "x");
        return fileName;
    };
    const QString stale = make(".doc.qdoc." + dead + "-" + tag[1] + "-a1B2c3.tmp");
    const QString otherDoc = make(".other.qdoc." + dead + "-" + tag[1] + "-a1B2c3.tmp");
    const QString otherMachine = make(".doc.qdoc." + dead + "-0000beef-a1B2c3.tmp");
    const QString parent = make(".doc.qdoc." + QString::number(::getppid()) + "-" + tag[1] + "-a1B2c3.tmp");
    const QString notOurs = make(".doc.qdoc.x" + dead + "-" + tag[1] + "-a1B2c3.tmp");
    const QString held = make(".doc.qdoc." + dead + "-" + tag[1] + "-zzzzzz.tmp");
    const int fd = ::open(QFile::encodeName(dir.filePath(held)).constData(), O_RDONLY);
    ASSERT_EQ(::flock(fd, LOCK_SH), 0);

    EXPECT_EQ(RemoveStaleOwnedFiles(dir.path(), ".doc.qdoc."), 1);
    QStringList left{name, otherDoc, otherMachine, parent, notOurs, held};
    left.sort();
    EXPECT_EQ(Names(dir.path()), left);
    // A whole folder: every stale temporary of a save, of whatever document.
    ::close(fd);
    EXPECT_EQ(RemoveStaleOwnedFiles(dir.path(), "."), 2);
    EXPECT_FALSE(QFile::exists(dir.filePath(held)));
    EXPECT_TRUE(QFile::exists(mine));
    EXPECT_FALSE(QFile::exists(dir.filePath(stale)));

    // A name too long for the file system is cut short, and found again the same way.
    const QString longPrefix = "." + QString(300, u'長') + ".";
    const QString cut = CreateOwnedTempFile(dir.path(), longPrefix);
    EXPECT_LE(QFile::encodeName(QFileInfo(cut).fileName()).size(), 255);
    EXPECT_EQ(CodeOf([&] { CreateOwnedTempFile(dir.filePath("missing"), "."); }), STG_E_FILENOTFOUND);
}

TEST(CrashSafety, AMarkIsLiveWhileItsWriterHoldsItAndStaleAfter) {
    QTemporaryDir dir;
    const QString file = dir.filePath("store.dat");
    EXPECT_EQ(ChangeMark::Check(file), ChangeMark::State::None);
    {
        ChangeMark mark(file);
        mark.Set();
        EXPECT_TRUE(QFile::exists(file + ".changing"));
        EXPECT_EQ(ChangeMark::Check(file), ChangeMark::State::Live);
        EXPECT_FALSE(ChangeMark::RemoveStale(file));
        ChangeMark second(file);
        EXPECT_EQ(CodeOf([&] { second.Set(); }), STG_E_LOCKVIOLATION);
    }
    // Its writer went without clearing it.
    EXPECT_EQ(ChangeMark::Check(file), ChangeMark::State::Stale);
    {
        ChangeMark mark(file);
        mark.Set(); // taken over
        EXPECT_EQ(ChangeMark::Check(file), ChangeMark::State::Live);
        EXPECT_TRUE(mark.Clear());
        EXPECT_EQ(ChangeMark::Check(file), ChangeMark::State::None);
    }
    {
        // A mark that cannot be made durable is not made; a stale one taken over stays.
        FolderSyncFailing failing;
        ChangeMark mark(file);
        EXPECT_EQ(CodeOf([&] { mark.Set(); }), STG_E_WRITEFAULT);
        EXPECT_EQ(ChangeMark::Check(file), ChangeMark::State::None);
        TestSupport::WriteFile(file + ".changing", "");
        EXPECT_EQ(CodeOf([&] { mark.Set(); }), STG_E_WRITEFAULT);
        EXPECT_EQ(ChangeMark::Check(file), ChangeMark::State::Stale);
    }
    EXPECT_TRUE(ChangeMark::RemoveStale(file));
    EXPECT_EQ(ChangeMark::Check(file), ChangeMark::State::None);
}

TEST(CrashSafety, CompoundFilesChangedInPlaceAreMarkedUntilDurable) {
    QTemporaryDir dir;
    const QString file = dir.filePath("store.cfb");
    const uint32_t readWrite = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
    const auto write = [](CompoundStorage& root, const char* name, const QByteArray& bytes) {
        root.CreateStream(QString::fromLatin1(name), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE)
            ->Write(bytes.constData(), uint64_t(bytes.size()));
    };
    {
        // Created: the new empty file is made durable at once; a write marks it until the commit,
        // which is durable whatever it asks.
        CompoundStoragePtr root = StgCreateDocfile(file, STGM_CREATE | readWrite, true);
        EXPECT_EQ(ChangeMark::Check(file), ChangeMark::State::None);
        write(*root, "A", "first");
        EXPECT_EQ(ChangeMark::Check(file), ChangeMark::State::Live);
        root->Commit();
        EXPECT_EQ(ChangeMark::Check(file), ChangeMark::State::None);
    }
    {
        // Opened: unmarked until the first write; a clean close makes the change durable and unmarks.
        CompoundStoragePtr root = StgOpenStorage(file, readWrite, true);
        EXPECT_EQ(ChangeMark::Check(file), ChangeMark::State::None);
        write(*root, "B", "second");
        EXPECT_EQ(ChangeMark::Check(file), ChangeMark::State::Live);
        // Others are kept out while it lives, also readers that share the file.
        EXPECT_EQ(CodeOf([&] { StgOpenStorage(file, STGM_READ | STGM_SHARE_DENY_NONE); }),
                  STG_E_LOCKVIOLATION);
    }
    EXPECT_EQ(ChangeMark::Check(file), ChangeMark::State::None);
    {
        FolderSyncFailing failing;
        CompoundStoragePtr root = StgOpenStorage(file, readWrite, true);
        EXPECT_EQ(CodeOf([&] { write(*root, "C", "third"); }), STG_E_WRITEFAULT);
        EXPECT_EQ(ChangeMark::Check(file), ChangeMark::State::None);
    }
    CompoundStoragePtr read = StgOpenStorage(file, STGM_READ | STGM_SHARE_EXCLUSIVE);
    EXPECT_EQ(read->EnumElements().size(), 2u);
    read.reset();

    // A stale mark: the file is not to be trusted, whoever opens it; creating the file anew ends it.
    TestSupport::WriteFile(file + ".changing", "");
    EXPECT_EQ(CodeOf([&] { StgOpenStorage(file, STGM_READ | STGM_SHARE_EXCLUSIVE); }), STG_E_DOCFILECORRUPT);
    EXPECT_EQ(CodeOf([&] { StgOpenStorage(file, readWrite, true); }), STG_E_DOCFILECORRUPT);
    StgCreateDocfile(file, STGM_CREATE | readWrite);
    EXPECT_EQ(ChangeMark::Check(file), ChangeMark::State::None);
    EXPECT_NO_THROW(StgOpenStorage(file, STGM_READ | STGM_SHARE_EXCLUSIVE));
}

TEST(CrashSafety, AStoreKilledAfterACommitOpensAndOneKilledMidChangeIsRefused) {
    QTemporaryDir dir;
    const QString file = dir.filePath("store.cfb");
    const uint32_t readWrite = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
    StgCreateDocfile(file, STGM_CREATE | readWrite, true)->Commit();
    // A child process changes the store, commits or not, and is killed holding it open.
    const auto killedWhileOpen = [&](const char* name, bool commit) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            CompoundStoragePtr root = StgOpenStorage(file, readWrite, true);
            for (int round = 0; round < 2; ++round) {
                root->CreateStream(QString::fromLatin1(name) + QString::number(round), STGM_CREATE | readWrite)
                    ->Write(name, 4);
                if (commit)
                    root->Commit();
            }
            ::raise(SIGKILL);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    };
    ASSERT_TRUE(killedWhileOpen("done", true));
    EXPECT_EQ(ChangeMark::Check(file), ChangeMark::State::None);
    EXPECT_EQ(StgOpenStorage(file, STGM_READ | STGM_SHARE_EXCLUSIVE)->EnumElements().size(), 2u);
    ASSERT_TRUE(killedWhileOpen("half", false));
    EXPECT_EQ(ChangeMark::Check(file), ChangeMark::State::Stale);
    EXPECT_EQ(CodeOf([&] { StgOpenStorage(file, STGM_READ | STGM_SHARE_EXCLUSIVE); }), STG_E_DOCFILECORRUPT);
}
