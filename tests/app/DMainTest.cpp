// The start-up: what stops it, what it makes, and what it leaves for the first idle moment.

#include "app/DMain.h"
#include "app/FMain.h"
#include "app/dialogs/FAbout.h"
#include "imaging/UImageCache.h"
#include "papers/UPapers.h"
#include "papers/UPurposeList.h"
#include "platform/Settings.h"
#include "tests/app/AppTestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

using DataMainTest = AppFixture;

const QString kSettingsKey = QStringLiteral("Software\\Ovandrexa\\Quorlane\\1.0\\Settings");

void MakeReadOnly(const QString& path) {
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
}

TEST_F(DataMainTest, StartsWithTheSharedDataAndTheMainWindow) {
    TdataMain& d = Start();
    ASSERT_TRUE(d.Started());
    ASSERT_NE(d.MainForm(), nullptr);
    EXPECT_EQ(environment->lockName, QStringLiteral("Quorlane.1.0.Skarvane.Japan"));
    ASSERT_NE(d.Papers(), nullptr);
    EXPECT_GT(d.Papers()->GetCount(), 0);
    EXPECT_TRUE(d.ImageCache()->IsOpen());
    // The product database is written on the first run, in the user's folder.
    EXPECT_TRUE(QFileInfo::exists(UserFolder() + QStringLiteral("/quorlane.cdb")));
    EXPECT_EQ(d.MainForm()->windowTitle(), QStringLiteral("Quorlane"));
    d.MainForm()->UpdateCaption();
    EXPECT_EQ(d.MainForm()->windowTitle(), QStringLiteral("Quorlane - 新規作成"));
    EXPECT_NE(TPurposeValidator::Validator(), nullptr);
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(DataMainTest, FailedChecksAndMissingFilesStopBeforeTheMainWindow) {
    environment->instanceFree = false;
    dialogs.answers = {mrOk};
    EXPECT_FALSE(Start().Started());
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("Quorlaneは、すでに実行中です"));
    EXPECT_EQ(data->Splash(), nullptr) << "nothing further is made";
    data.reset();

    environment->instanceFree = true;
    QFile::remove(ExeDir() + QStringLiteral("/AlbumShd.dat"));
    dialogs.answers = {mrOk};
    EXPECT_FALSE(Start().Started());
    EXPECT_EQ(data->MainForm(), nullptr);
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[1].text, FileNotOpenedMessage(QStringLiteral("AlbumShd.dat")));
    EXPECT_EQ(dialogs.boxes[1].text,
              QStringLiteral("アプリケーションに必要なファイル「AlbumShd.dat」が開けませんでした"));
}

TEST_F(DataMainTest, OnlyTheUsersPaperCopyMustBeWritable) {
    // A read-only shadow picture and installed database are fine.
    MakeReadOnly(ExeDir() + QStringLiteral("/AlbumShd.dat"));
    MakeReadOnly(ExeDir() + QStringLiteral("/quorlane.ppr"));
    EXPECT_TRUE(Start().Started());
    data.reset();

    // The copy the database writes to is not.
    QDir().mkpath(UserFolder());
    const QString copy = UserFolder() + QStringLiteral("/quorlane.ppr");
    ASSERT_TRUE(QFile::copy(ExeDir() + QStringLiteral("/quorlane.ppr"), copy));
    MakeReadOnly(copy);
    dialogs.answers = {mrOk};
    EXPECT_FALSE(Start().Started());
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text,
              QStringLiteral("実行に必要なファイル「quorlane.ppr」が読み取り専用になっています"));
}

TEST_F(DataMainTest, CacheLimitFollowsTheSettings) {
    SettingsStore::WriteBool(kSettingsKey, QStringLiteral("CacheEnabl"), false);
    SettingsStore::WriteInteger(kSettingsKey, QStringLiteral("CacheLimit"), 20);
    Start();
    EXPECT_EQ(data->ImageCache()->LimitMB(), 0);
    SettingsStore::WriteBool(kSettingsKey, QStringLiteral("CacheEnabl"), true);
    data->ApplyCacheLimit();
    EXPECT_EQ(data->ImageCache()->LimitMB(), 20);
    SettingsStore::WriteInteger(kSettingsKey, QStringLiteral("CacheLimit"), 0);
    data->ApplyCacheLimit();
    EXPECT_EQ(data->ImageCache()->LimitMB(), TImageCacheStorage::kUnlimited);
}

TEST_F(DataMainTest, FirstIdleRunsOnceAndASplashClosesOnceIdle) {
    Start({QStringLiteral("/no/such/file.qld")});
    ASSERT_TRUE(data->Started());
    QPointer<TfrmAbout> splash = data->Splash();
    ASSERT_TRUE(splash);
    EXPECT_EQ(splash->Mode(), TfrmAbout::kModeSplash);
    RunUntilIdleHandled();
    EXPECT_TRUE(data->IdleHandled());
    // A missing file is no document to open: nothing was asked.
    EXPECT_TRUE(dialogs.boxes.empty());
    ASSERT_TRUE(splash) << "the splash stays until its time is up";
    splash->RequestClose();
    EXPECT_TRUE(splash->isVisible()) << "a splash closes only when next idle";
    RunLoopUntil([&] { return !splash; });
    EXPECT_FALSE(splash);
    EXPECT_TRUE(data->MainForm()->isEnabled());
}

TEST(PurposeValidatorTest, FoldsOldPurposes) {
    TCDLabelPurposeValidator validator;
    QString name;
    validator.Normalize(QStringLiteral("FD"), name);
    EXPECT_EQ(name, QStringLiteral("MOSquare"));
    validator.Normalize(QStringLiteral("CDCase"), name);
    EXPECT_EQ(name, QStringLiteral("CDCaseTray"));
    validator.Normalize(QStringLiteral("CDLabel"), name);
    EXPECT_EQ(name, QStringLiteral("CDLabel"));
    TPurposeList list;
    for (const char* id : {"MO", "CDLabel", "CDCase"}) {
        TPurposeInfo item(nullptr);
        item.ID = QString::fromLatin1(id);
        list.AddUnique(item);
    }
    validator.Clean(list);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.GetItem(0)->ID, QStringLiteral("CDLabel"));
}

} // namespace
