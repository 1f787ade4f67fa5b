#include "platform/InstanceLock.h"

#include "tests/TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

const QString kName = QStringLiteral("Quorlane.1.0.Skarvane.Japan");
const char* const kChildFolder = "QUORLANE_LOCK_TEST_FOLDER";
const char* const kChildMode = "QUORLANE_LOCK_TEST_MODE";

// Runs this test program again as a second instance, in the given mode, on the lock folder.
std::unique_ptr<QProcess> StartSecondInstance(const QString& folder, const char* mode) {
    QProcessEnvironment env;
    env.insert(QString::fromLatin1(kChildFolder), folder);
    env.insert(QString::fromLatin1(kChildMode), QString::fromLatin1(mode));
    return TestSupport::StartChild("instance-lock", env);
}

// The second instance: reports whether it got the lock, and in "hold" mode keeps it until killed.
int SecondInstance() {
    TInstanceLock lock(kName, qEnvironmentVariable(kChildFolder));
    const bool taken = lock.TryAcquire();
    const bool hold = qEnvironmentVariable(kChildMode) == QLatin1String("hold");
    std::printf("lock:%s\n", taken ? (hold ? "held" : "taken") : "busy");
    std::fflush(stdout);
    if (taken && hold)
        QThread::sleep(60); // until the test kills it
    return 0;
}
const bool kSecondInstanceRegistered = TestSupport::RegisterChild("instance-lock", &SecondInstance);

} // namespace

TEST(InstanceLock, ASecondProcessSeesTheLockOnlyWhileItsHolderLives) {
    QTemporaryDir dir;
    {
        TInstanceLock mine(kName, dir.path());
        ASSERT_TRUE(mine.TryAcquire());
        EXPECT_TRUE(mine.TryAcquire()); // asking again while holding it
        auto probe = StartSecondInstance(dir.path(), "probe");
        EXPECT_TRUE(TestSupport::WaitForLine(*probe, "lock:busy"));
        probe->waitForFinished(30000);
    }
    // Released: the second instance gets it, and holds it while it lives.
    auto holder = StartSecondInstance(dir.path(), "hold");
    ASSERT_TRUE(TestSupport::WaitForLine(*holder, "lock:held"));
    TInstanceLock mine(kName, dir.path());
    EXPECT_FALSE(mine.TryAcquire());
    // A holder that dies without cleaning up leaves its file behind; the lock is free all the same.
    holder->kill();
    holder->waitForFinished(30000);
    EXPECT_TRUE(QFile::exists(mine.FileName()));
    EXPECT_TRUE(mine.TryAcquire());
}

TEST(InstanceLock, ADamagedLockFileThatNobodyHoldsIsTakenOver) {
    QTemporaryDir dir;
    TInstanceLock lock(QStringLiteral("Global\\A/B"), dir.path());
    EXPECT_TRUE(lock.FileName().endsWith(QLatin1String("Global_A_B.lock")));
    TestSupport::WriteFile(lock.FileName(), "garbage without a process id");
    EXPECT_TRUE(lock.TryAcquire());
    lock.Release();
    EXPECT_FALSE(QFile::exists(lock.FileName()));
}

TEST(InstanceLock, AProcessKeepsItsLockForLifeAndMayAskAgain) {
    QTemporaryDir dir;
    EXPECT_TRUE(TInstanceLock::AcquireForProcess(QStringLiteral("life"), dir.path()));
    EXPECT_TRUE(TInstanceLock::AcquireForProcess(QStringLiteral("life"), dir.path()));
    TInstanceLock other(QStringLiteral("life"), dir.path());
    EXPECT_FALSE(other.TryAcquire());
}
