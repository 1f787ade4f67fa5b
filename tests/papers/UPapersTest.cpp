#include "papers/UPapers.h"

#include "core/UDocStorage.h"
#include "platform/CompoundFile.h"
#include "platform/ComponentWriter.h"
#include "tests/TestSupport.h"
#include "tests/papers/PapersTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <QTemporaryDir>

namespace {

class PapersTest : public ::testing::Test {
protected:
    QString Path(const QString& name) const { return dir_.filePath(name); }
    QTemporaryDir dir_;
};

QStringList StreamNames(TPapers& papers) {
    QStringList names;
    for (int i = 0; i < papers.GetCount(); ++i)
        names.append(papers.GetStreamName(i));
    return names;
}

std::unique_ptr<TMatrixPaperInfo> SystemPaper(const QString& name, int cols) {
    auto paper = MakeGridPaper(name, cols, 1);
    paper->ReadOnly = true;
    return paper;
}

void PutCompany(TPapersV2& db, const QString& paper, const QString& company) {
    TExPaperInfo info(nullptr);
    info.PaperName = paper;
    info.Company = company;
    db.PutExtraInfo(kExtraInfosTable, info);
}

QString CompanyOf(TPapersV2& db, const QString& paper) {
    auto info = db.GetExtraInfo(kExtraInfosTable, paper);
    return info ? static_cast<TExPaperInfo*>(info.get())->Company : QStringLiteral("(none)");
}

void SetPPRNo(TPapersV2& db, int number) {
    TPaperUpdate update(nullptr);
    update.PPRNo = number;
    db.SetUpdateInfo(update);
}

// The installed database of one pattern (7) and the next (8): "B" changes, "C" is new, and a
// system paper "Mine" arrives named like a user paper.
void WriteInstalled(const QString& file, int pattern) {
    QFile::remove(file);
    TPapersV2 db(file, false);
    db.AddStandardExtraInfoBases();
    db.AddOrReplace(*SystemPaper("A", 1));
    db.AddOrReplace(*SystemPaper("B", pattern == 7 ? 1 : 2));
    if (pattern == 8) {
        db.AddOrReplace(*SystemPaper("C", 1));
        db.AddOrReplace(*SystemPaper("Mine", 3));
        PutCompany(db, "Mine", "maker");
    }
    SetPPRNo(db, pattern);
}

// A user's copy of pattern 7 holding the user's "Mine" (with a record) and "Other".
void WriteUserCopy(const QString& installed, const QString& user) {
    WriteInstalled(installed, 7);
    auto db = TPapersV2::OpenSystem(installed, user);
    db->AddOrReplace(*MakeGridPaper("Mine", 1, 1));
    PutCompany(*db, "Mine", "mine");
    db->AddOrReplace(*MakeGridPaper("Other", 1, 1));
    db->Save();
}

void ExpectMergedPapers(TPapersV2& db) {
    EXPECT_EQ(db.GetCount(), 6);
    EXPECT_EQ(db.GetUpdateInfo().PPRNo, 8);
    ASSERT_GE(db.IndexOf("B"), 0);
    EXPECT_EQ(db.GetPaper(db.IndexOf("B"))->GetFaceCount(), 2) << "the newer system paper";
    ASSERT_GE(db.IndexOf("Mine"), 0);
    EXPECT_TRUE(db.GetPaper(db.IndexOf("Mine"))->ReadOnly);
    EXPECT_EQ(CompanyOf(db, "Mine"), "maker");
    ASSERT_GE(db.IndexOf("Mine$"), 0) << "the user's paper moved out of the way";
    EXPECT_FALSE(db.GetPaper(db.IndexOf("Mine$"))->ReadOnly);
    EXPECT_EQ(CompanyOf(db, "Mine$"), "mine") << "its record with it";
    EXPECT_GE(db.IndexOf("Other"), 0);
    EXPECT_GE(db.IndexOf("C"), 0);
}

const char* const kMergerInstalled = "QUORLANE_MERGER_INSTALLED";
const char* const kMergerUser = "QUORLANE_MERGER_USER";
const char* const kMergerStep = "QUORLANE_MERGER_STEP";

// A start that merges a newer installed database and stops in its save until it is killed.
int MergeAndStop() {
    const auto stopAt = SaveCopyStep(qEnvironmentVariableIntValue(kMergerStep));
    SetSaveCopyStepHook([stopAt](SaveCopyStep step) {
        if (step != stopAt)
            return;
        std::printf("stopped\n");
        std::fflush(stdout);
        QThread::sleep(60); // until the test kills it
    });
    TPapersV2::OpenSystem(qEnvironmentVariable(kMergerInstalled), qEnvironmentVariable(kMergerUser));
    return 0;
}
const bool kMergerRegistered = TestSupport::RegisterChild("merger", &MergeAndStop);

} // namespace

TEST_F(PapersTest, ANewDatabaseStartsWithDefaults) {
    TPapersV2 papers(Path("new.ppr"), false);
    EXPECT_EQ(papers.GetCount(), 0);
    EXPECT_EQ(papers.PurposeList().Count(), 5);
    EXPECT_EQ(papers.GetUpdateInfo().PPRNo, 0);
    EXPECT_EQ(papers.GetUpdateInfo().LastUpdate, 0.0);
    EXPECT_EQ(papers.GetCompanyList().Count(), 0);
    EXPECT_EQ(papers.GetGroupList().Count(), 0);
    EXPECT_FALSE(papers.Modified()) << "opening alone changes nothing";
    EXPECT_TRUE(papers.OpenWarning().isEmpty());
}

TEST_F(PapersTest, AddReplaceRenumberAndReopen) {
    const QString file = Path("papers.ppr");
    {
        TPapersV2 papers(file, false);
        for (const char* name : {"one", "two", "three"})
            papers.AddOrReplace(*MakeGridPaper(name, 2, 5));
        EXPECT_EQ(StreamNames(papers), QStringList({"$00000001", "$00000002", "$00000003"}));

        auto landscape = MakeGridPaper("two", 3, 3);
        landscape->Landscape = true;
        papers.AddOrReplace(*landscape);
        EXPECT_TRUE(landscape->Landscape) << "the caller's paper keeps its position";
        EXPECT_FALSE(landscape->StorePurposeList);
        EXPECT_EQ(papers.IndexOf("two"), 1) << "replaced in place";
        EXPECT_EQ(papers.GetStreamName(1), "$00000002");
        EXPECT_EQ(papers.GetPaper(1)->GetFaceCount(), 9);
        EXPECT_TRUE(papers.GetPaper(1)->Landscape);

        TStringList bad(QStringList{"three", "nobody", "one"});
        EXPECT_THROW(papers.Renumber(bad), EPaperDatabase);
        EXPECT_EQ(StreamNames(papers), QStringList({"$00000001", "$00000002", "$00000003"}))
            << "names are all checked before any paper is renamed";
        TStringList twice(QStringList{"one", "one", "two"});
        EXPECT_THROW(papers.Renumber(twice), EPaperDatabase);

        TStringList order(QStringList{"three", "two", "one"});
        papers.Renumber(order);
        EXPECT_EQ(papers.GetPaper(0)->PaperName, "three");
        EXPECT_EQ(StreamNames(papers), QStringList({"$00000004", "$00000005", "$00000006"}));
        papers.GetCompanyList().Add(QStringLiteral("メーカー"));
        EXPECT_TRUE(papers.Modified());
    }
    // Closing wrote the file back.
    TPapersV2 again(file, true);
    ASSERT_EQ(again.GetCount(), 3);
    EXPECT_EQ(again.GetPaper(0)->PaperName, "three");
    const TPaperInfo* two = again.GetPaper(1);
    EXPECT_FALSE(two->Landscape) << "stored in portrait position";
    EXPECT_EQ(two->StoredWidth(), 2100);
    EXPECT_EQ(two->PurposeList()->Count(), 5) << "purposes stored with the paper";
    EXPECT_EQ(again.GetCompanyList().Count(), 1);
    TStringList groups;
    again.GetGroupNames(groups);
    EXPECT_EQ(groups.Count(), 1);
    again.Delete(0);
    EXPECT_EQ(again.GetCount(), 2);
    EXPECT_THROW(again.Save(), EPaperDatabase) << "read-only";
}

TEST_F(PapersTest, ListsAndUpdateRecordAreWrittenAtOnce) {
    TPapersV2 papers(Path("lists.ppr"), false);
    papers.GetCompanyList().Add(QStringLiteral("A社"));
    {
        TDocStream stream(&papers.Root(), 0, QStringLiteral("CompanyList\\CompanyList"));
        EXPECT_EQ(stream.ReadBytes(stream.GetSize()), QByteArray("A\x8e\xd0\r\n"));
    }
    TPaperUpdate update(nullptr);
    update.PPRNo = 42;
    papers.SetUpdateInfo(update);
    EXPECT_EQ(papers.GetUpdateInfo().PPRNo, 42);
    TStringList sizes(QStringList{"L", "2L"});
    papers.SaveGlobalInfo(QStringLiteral("PhotoSizeInfo"), sizes);
    TStringList back;
    papers.LoadGlobalInfo(QStringLiteral("PhotoSizeInfo"), back);
    EXPECT_EQ(back.ToQStringList(), QStringList({"L", "2L"}));
    TStringList untouched(QStringList{"kept"});
    papers.LoadGlobalInfo(QStringLiteral("Missing"), untouched);
    EXPECT_EQ(untouched.Count(), 1);
}

TEST_F(PapersTest, FailedSaveKeepsTheFileAndDamagedPapersAreLeftOutButKept) {
    const QString file = Path("kept.ppr");
    {
        TPapersV2 papers(file, false);
        papers.AddOrReplace(*MakeGridPaper("good", 1, 1));
        papers.AddOrReplace(*MakeGridPaper("huge", 1, 1));
        // A damaged paper: far more faces than any sheet, written past the database's checks.
        auto huge = MakeGridPaper("huge", 200, 200, 1, 1);
        TDocStream out(&papers.WritableRoot(), ModeCreate, QStringLiteral("Papers\\$00000002"));
        TWriter(out).WriteRootComponent(huge.get());
        TDocStream junk(&papers.WritableRoot(), ModeCreate, QStringLiteral("Papers\\$00000003"));
        junk.WriteBytes("TPF0 not a paper");
    }
    const QByteArray before = TestSupport::ReadFile(file);
    {
        auto papers = std::make_unique<TPapersV2>(file, false);
        EXPECT_EQ(papers->GetCount(), 1);
        EXPECT_EQ(papers->RefusedPapers().size(), 2);
        const QString warning = papers->OpenWarning();
        EXPECT_TRUE(warning.contains("huge")) << qPrintable(warning);
        EXPECT_TRUE(warning.contains("$00000003")) << qPrintable(warning);
        papers->AddOrReplace(*MakeGridPaper("new", 1, 1));
        EXPECT_EQ(papers->GetStreamName(1), "$00000004") << "numbers of left-out streams are not reused";

        // Someone holds the file exclusively: the save fails with a clear error.
        TFileStorage holder(file, 0x12);
        EXPECT_THROW(papers->Save(), EPaperDatabase);
        EXPECT_EQ(TestSupport::ReadFile(file), before);
        papers.reset();
        EXPECT_EQ(TestSupport::ReadFile(file), before) << "the destructor's save fails quietly";
    }
    TPapersV2 reopened(file, true);
    EXPECT_EQ(reopened.RefusedPapers().size(), 2) << "the damaged streams are still there";
}

TEST_F(PapersTest, TheInstalledFileIsNeverWritten) {
    const QString installed = Path("system.ppr");
    const QString user = Path("user/system.ppr");
    {
        TPapersV2 papers(installed, false);
        papers.AddOrReplace(*MakeGridPaper("system", 1, 1));
        TPaperUpdate update(nullptr);
        update.PPRNo = 7;
        papers.SetUpdateInfo(update);
    }
    const QByteArray installedBytes = TestSupport::ReadFile(installed);
    {
        std::unique_ptr<TPapersV2> papers = TPapersV2::OpenSystem(installed, user);
        EXPECT_EQ(papers->FileName(), user);
        papers->AddOrReplace(*MakeGridPaper("mine", 1, 1));
    }
    EXPECT_EQ(TestSupport::ReadFile(installed), installedBytes);
    ASSERT_TRUE(QFile::exists(user));
    EXPECT_EQ(TPapersV2::OpenSystem(installed, user)->GetCount(), 2) << "the user's copy, not older";

    EXPECT_EQ(TPapersV2::ReadPPRNo(Path("absent.ppr")), -1);
}

TEST_F(PapersTest, ANewerInstalledDatabaseKeepsTheUsersPapersAndIsSavedAtOnce) {
    const QString installed = Path("system.ppr");
    const QString user = Path("user/system.ppr");
    WriteUserCopy(installed, user);
    WriteInstalled(installed, 8);
    {
        auto db = TPapersV2::OpenSystem(installed, user);
        ExpectMergedPapers(*db);
        EXPECT_TRUE(db->StartNotice().isEmpty()) << qPrintable(db->StartNotice());
        EXPECT_FALSE(db->Modified()) << "saved at once";
    }
    TPapersV2 saved(user, true);
    saved.AddStandardExtraInfoBases();
    ExpectMergedPapers(saved);

    // An independent reader lists the six papers of the user's copy.
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import sys, olefile\n"
                                 "o = olefile.OleFileIO(sys.argv[1], raise_defects=olefile.DEFECT_INCORRECT)\n"
                                 "print(sum(1 for p in o.listdir() if p[0] == 'Papers'))\n"),
                  user});
    ASSERT_TRUE(python.waitForFinished(60000));
    ASSERT_EQ(python.exitCode(), 0) << python.readAllStandardError().constData();
    EXPECT_EQ(python.readAllStandardOutput().trimmed(), "6");

    // A second start takes the copy as it is.
    const QByteArray bytes = TestSupport::ReadFile(user);
    {
        auto again = TPapersV2::OpenSystem(installed, user);
        ExpectMergedPapers(*again);
        EXPECT_FALSE(again->Modified());
    }
    EXPECT_EQ(TestSupport::ReadFile(user), bytes);
}

TEST_F(PapersTest, AStartKilledWhileSavingTheMergeLeavesTheOldOrTheNewCopy) {
    const QString installed = Path("system.ppr");
    const QString folder = Path("user");
    const QString user = folder + QStringLiteral("/system.ppr");
    for (SaveCopyStep step : {SaveCopyStep::TemporaryWritten, SaveCopyStep::TemporarySynced, SaveCopyStep::Renamed}) {
        SCOPED_TRACE(int(step));
        QDir(folder).removeRecursively();
        WriteUserCopy(installed, user);
        WriteInstalled(installed, 8);
        QProcessEnvironment env;
        env.insert(QString::fromLatin1(kMergerInstalled), installed);
        env.insert(QString::fromLatin1(kMergerUser), user);
        env.insert(QString::fromLatin1(kMergerStep), QString::number(int(step)));
        auto child = TestSupport::StartChild("merger", env);
        ASSERT_TRUE(TestSupport::WaitForLine(*child, "stopped"));
        const QString pid = QString::number(child->processId());
        child->kill();
        child->waitForFinished();
        const int pattern = TPapersV2::ReadPPRNo(user);
        EXPECT_TRUE(pattern == 7 || pattern == 8) << pattern;

        // The next start: the sweep, then the store.
        RemoveStaleStorageFiles({folder});
        auto db = TPapersV2::OpenSystem(installed, user);
        ExpectMergedPapers(*db);
        EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot),
                  QStringList{"system.ppr"});
        for (const QString& name : QDir(WorkingCopyFolder()).entryList(QDir::Files))
            EXPECT_FALSE(name.contains(QStringLiteral("mtf%1-").arg(pid))) << qPrintable(name);
    }
}

TEST_F(PapersTest, DamagedUserPapersAreNamedAtStartAsTheUserKnowsThem) {
    const QString installed = Path("system.ppr");
    const QString user = Path("user/system.ppr");
    WriteUserCopy(installed, user);
    {
        TPapersV2 db(user, false);
        ASSERT_EQ(StreamNames(db), QStringList({"$00000001", "$00000002", "$00000003", "$00000004"}));
        ASSERT_EQ(db.PeekPaper(2).PaperName, "Mine");
        // "Mine": an unknown value tag for the value after its name. "Other": nothing readable at all.
        TDocStream mine(&db.WritableRoot(), 0x12, QStringLiteral("Papers\\$00000003"));
        QByteArray bytes = mine.ReadBytes(mine.GetSize());
        qsizetype at = bytes.indexOf("PaperName") + 9;
        ASSERT_GT(at, 9);
        at += 2 + uint8_t(bytes[at + 1]); // its tag, length and text
        at += 1 + uint8_t(bytes[at]);     // the next property's name
        ASSERT_LT(at, bytes.size());
        bytes[at] = char(79);
        mine.SetSize(0);
        mine.WriteBytes(bytes);
        TDocStream other(&db.WritableRoot(), 0x12, QStringLiteral("Papers\\$00000004"));
        other.SetSize(0);
        other.WriteBytes("TPF0\x05");
        db.Save();
    }
    auto db = TPapersV2::OpenSystem(installed, user);
    const QString notice = db->StartNotice();
    const QStringList lines = notice.split(QLatin1Char('\n'));
    EXPECT_TRUE(notice.contains(u"用紙「Mine」: データが壊れています(詳細: $00000003 String expected in component stream"))
        << qPrintable(notice);
    EXPECT_TRUE(notice.contains(u"4番目の用紙: データが壊れています(詳細: $00000004 ")) << qPrintable(notice);
    for (const QString& line : lines)
        EXPECT_FALSE(line.startsWith(QLatin1Char('$'))) << "a stream name means nothing to the user";
    EXPECT_EQ(db->GetCount(), 2);
}

TEST_F(PapersTest, ADamagedUserCopyIsSetAsideAndNeverOverwritten) {
    const QString installed = Path("system.ppr");
    WriteInstalled(installed, 8);
    const QString user = Path("user.ppr");
    WriteUserCopy(Path("old.ppr"), user);
    const QByteArray good = TestSupport::ReadFile(user);
    for (const char* kind : {"truncated", "garbage", "folder"}) {
        SCOPED_TRACE(kind);
        const QString copy = Path(QStringLiteral("%1/system.ppr").arg(kind));
        QDir().mkpath(QFileInfo(copy).absolutePath());
        const QByteArray bytes = QByteArray(kind) == "truncated" ? good.left(700)
                                 : QByteArray(kind) == "garbage" ? QByteArray(4096, '\x5a')
                                                                 : QByteArray();
        if (bytes.isEmpty())
            QDir().mkpath(copy);
        else
            TestSupport::WriteFile(copy, bytes);
        auto db = TPapersV2::OpenSystem(installed, copy);
        const QString aside = copy + QStringLiteral(".damaged");
        EXPECT_TRUE(db->StartNotice().contains(aside)) << qPrintable(db->StartNotice());
        EXPECT_EQ(db->GetCount(), 4) << "the installed papers";
        EXPECT_FALSE(QFileInfo::exists(copy));
        db->AddOrReplace(*MakeGridPaper("new", 1, 1));
        db->Save();
        EXPECT_TRUE(QFileInfo(copy).isFile());
        if (!bytes.isEmpty())
            EXPECT_EQ(TestSupport::ReadFile(aside), bytes) << "set aside as it was";
        else
            EXPECT_TRUE(QFileInfo(aside).isDir());
    }
    // A second damaged copy does not replace the first one set aside.
    const QString copy = Path("garbage/system.ppr");
    TestSupport::WriteFile(copy, "again");
    auto db = TPapersV2::OpenSystem(installed, copy);
    EXPECT_TRUE(db->StartNotice().contains(copy + QStringLiteral(".damaged2")));
    EXPECT_EQ(TestSupport::ReadFile(copy + QStringLiteral(".damaged")), QByteArray(4096, '\x5a'));
}

TEST_F(PapersTest, MergeAndUpdateTakeTheirPapersAllOrNothing) {
    const QString file = Path("store.ppr");
    TPapersV2 store(file, false);
    store.AddStandardExtraInfoBases();
    store.AddOrReplace(*SystemPaper("S", 1));
    store.AddOrReplace(*MakeGridPaper("Clash", 1, 1));
    PutCompany(store, "Clash", "mine");
    store.Save();
    const QString streamOfS = store.GetStreamName(store.IndexOf("S"));

    // Importing user papers: only the source's user papers, one named like a system paper as "S$".
    TPapersV2 users(Path("users.ppr"), false);
    users.AddStandardExtraInfoBases();
    users.AddOrReplace(*MakeGridPaper("S", 4, 1));
    PutCompany(users, "S", "user S");
    users.AddOrReplace(*SystemPaper("X", 1));
    SetPPRNo(users, 99);
    std::vector<std::pair<int, int>> progress;
    store.MergeUpdate(users, true, [&](int i, int n) { progress.emplace_back(i, n); }, false);
    EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{1, 1}}));
    EXPECT_EQ(store.GetCount(), 3);
    EXPECT_LT(store.IndexOf("X"), 0) << "system papers only come by update";
    EXPECT_EQ(store.GetPaper(store.IndexOf("S"))->GetFaceCount(), 1);
    EXPECT_EQ(store.GetPaper(store.IndexOf("S$"))->GetFaceCount(), 4);
    EXPECT_EQ(CompanyOf(store, "S$"), "user S");
    EXPECT_EQ(store.GetUpdateInfo().PPRNo, 0) << "not an update";
    EXPECT_TRUE(store.Modified());
    store.Save();

    // An update: "S" replaced in place, "N" new, a system "Clash" moves the user's one aside, and the
    // lists come with it.
    TPapersV2 update(Path("update.ppr"), false);
    update.AddStandardExtraInfoBases();
    update.AddOrReplace(*SystemPaper("S", 3));
    update.AddOrReplace(*SystemPaper("N", 1));
    update.AddOrReplace(*SystemPaper("Clash", 2));
    PutCompany(update, "Clash", "theirs");
    update.AddOrReplace(*MakeGridPaper("theirs only", 1, 1));
    update.GetCompanyList().Add("maker");
    update.GetGroupList().Add("group");
    update.SaveGlobalInfo("PhotoSizeInfo", TStringList(QStringList{"L"}));
    SetPPRNo(update, 5);
    int seen = -1;
    auto listener = std::make_shared<TPapersV2::ChangeListener>([&] { seen = store.GetCount(); });
    store.AddChangeListener(listener);
    store.ApplyUpdate(update, nullptr);
    listener.reset();
    EXPECT_EQ(seen, 5) << "listeners see the new papers";
    EXPECT_FALSE(store.Modified()) << "saved before it was taken";
    EXPECT_EQ(store.GetStreamName(store.IndexOf("S")), streamOfS);
    EXPECT_EQ(store.GetPaper(store.IndexOf("S"))->GetFaceCount(), 3);
    EXPECT_TRUE(store.GetPaper(store.IndexOf("Clash"))->ReadOnly);
    EXPECT_EQ(CompanyOf(store, "Clash"), "theirs");
    EXPECT_EQ(CompanyOf(store, "Clash$"), "mine");
    EXPECT_LT(store.IndexOf("theirs only"), 0);
    EXPECT_EQ(store.GetCompanyList().ToQStringList(), QStringList{"maker"});
    EXPECT_EQ(store.GetGroupList().ToQStringList(), QStringList{"group"});
    TStringList sizes;
    store.LoadGlobalInfo("PhotoSizeInfo", sizes);
    EXPECT_EQ(sizes.ToQStringList(), QStringList{"L"});
    {
        TPapersV2 saved(file, true);
        saved.AddStandardExtraInfoBases();
        EXPECT_EQ(saved.GetCount(), 5);
        EXPECT_EQ(saved.GetUpdateInfo().PPRNo, 5);
        EXPECT_GT(saved.GetUpdateInfo().LastUpdate, 40000.0);
        EXPECT_EQ(CompanyOf(saved, "Clash$"), "mine");
    }

    // An update whose save fails changes neither the file nor the store.
    const QByteArray before = TestSupport::ReadFile(file);
    update.AddOrReplace(*SystemPaper("Z", 1));
    SetPPRNo(update, 6);
    {
        TFileStorage holder(file, 0x12);
        EXPECT_THROW(store.ApplyUpdate(update, nullptr), EPaperDatabase);
    }
    EXPECT_EQ(TestSupport::ReadFile(file), before);
    EXPECT_LT(store.IndexOf("Z"), 0);
    EXPECT_EQ(store.GetUpdateInfo().PPRNo, 5);
    EXPECT_FALSE(store.Modified());

    // A failed save of a change is told and tried again by the next save.
    store.Delete(store.IndexOf("N"));
    {
        TFileStorage holder(file, 0x12);
        try {
            store.Save();
            ADD_FAILURE() << "the held file was written";
        } catch (const EPaperDatabase& e) {
            EXPECT_TRUE(e.Message().startsWith(QStringLiteral("用紙データを保存できませんでした"))) << qPrintable(e.Message());
        }
        EXPECT_TRUE(store.Modified());
    }
    store.Save();
    EXPECT_EQ(TPapersV2(file, true).GetCount(), 4);

    // A store still read in place from its file takes an update over that file.
    TPapersV2 inPlace(file, false);
    inPlace.AddStandardExtraInfoBases();
    inPlace.ApplyUpdate(update, nullptr);
    EXPECT_EQ(TPapersV2(file, true).GetUpdateInfo().PPRNo, 6);
}

TEST_F(PapersTest, AnOpenedFileIsReadInPlaceUntilTheFirstChange) {
    const QString file = Path("inplace.ppr");
    {
        TPapersV2 db(file, false);
        db.AddStandardExtraInfoBases();
        db.AddOrReplace(*MakeGridPaper("a", 1, 1));
        TExPaperInfo info(nullptr);
        info.PaperName = "a";
        info.Company = "A社";
        db.PutExtraInfo(kExtraInfosTable, info);
    }
    const QByteArray before = TestSupport::ReadFile(file);
    TPapersV2 db(file, false);
    db.AddStandardExtraInfoBases();
    EXPECT_FALSE(db.Modified());
    // The first change makes the working copy; the tables follow it.
    db.AddOrReplace(*MakeGridPaper("b", 1, 1));
    EXPECT_TRUE(db.Modified());
    EXPECT_EQ(TestSupport::ReadFile(file), before) << "changes stay in the working copy";
    auto a = db.GetExtraInfo(kExtraInfosTable, "a");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(static_cast<TExPaperInfo*>(a.get())->Company, "A社");
    TExPaperInfo info(nullptr);
    info.PaperName = "b";
    info.Company = "B社";
    db.PutExtraInfo(kExtraInfosTable, info);
    db.Save();
    TPapersV2 again(file, true);
    again.AddStandardExtraInfoBases();
    EXPECT_EQ(again.GetCount(), 2);
    EXPECT_NE(again.GetExtraInfo(kExtraInfosTable, "b"), nullptr);
}

TEST_F(PapersTest, PapersAreReadWholeWhenFirstAskedForAndDamageFoundThenKeepsTheirBytes) {
    const QString file = Path("lazy.ppr");
    const auto streamBytes = [](TPapers& db, const QString& stream) {
        TDocStream in(&db.Root(), 0, QStringLiteral("Papers\\") + stream);
        return in.ReadBytes(in.GetSize());
    };
    {
        TPapersV2 db(file, false);
        db.AddStandardExtraInfoBases();
        auto grid = SystemPaper("grid", 3);
        grid->FaceShape = fsRoundRect;
        db.AddOrReplace(*grid);
        for (const QString name : {QStringLiteral("free"), QStringLiteral("broken")}) {
            TFreePaperInfo paper(nullptr);
            paper.PaperName = name;
            paper.GroupName = QStringLiteral("群");
            paper.SetWidth(2100);
            paper.SetHeight(2970);
            for (int i = 0; i < 2; ++i) {
                TFaceItem* face = paper.Faces()->Add();
                face->SetLeft(100 + 600 * i);
                face->SetTop(100);
                face->SetWidth(500);
                face->SetHeight(500);
                face->FaceShape = fsEllipse;
            }
            db.AddOrReplace(paper);
        }
        PutCompany(db, "broken", "maker");
        // Damage only reading the faces finds: an unknown face shape of the same length.
        TDocStream in(&db.WritableRoot(), 0x12, QStringLiteral("Papers\\$00000003"));
        QByteArray bytes = in.ReadBytes(in.GetSize());
        const qsizetype at = bytes.indexOf("fsEllipse");
        ASSERT_GT(at, 0);
        bytes.replace(at, 9, "fsEllipsX");
        in.SetSize(0);
        in.WriteBytes(bytes);
    }
    QByteArray damagedBytes;
    {
        TPapersV2 db(file, false);
        db.AddStandardExtraInfoBases();
        ASSERT_EQ(db.GetCount(), 3);
        EXPECT_TRUE(db.RefusedPapers().isEmpty());
        EXPECT_EQ(db.PeekPaper(2).PaperName, "broken");
        EXPECT_EQ(db.PeekPaper(2).GroupName, "群");
        EXPECT_EQ(db.PeekPaper(0).GetFaceCount(), 3) << "a grid is known from its own fields";
        EXPECT_EQ(db.PeekPaper(0).GetFaceShape(0), fsRoundRect);
        EXPECT_TRUE(db.PeekPaper(0).ReadOnly);
        EXPECT_EQ(db.GetPaper(1)->GetFaceCount(), 2);
        EXPECT_EQ(db.GetPaper(1)->GetFaceShape(1), fsEllipse);
        EXPECT_GT(db.GetPaper(0)->PurposeList()->Count(), 0) << "purposes come with the whole paper";

        const TPaperInfo* broken = db.GetPaper(2);
        EXPECT_EQ(broken->PaperName, "broken");
        EXPECT_EQ(broken->GetFaceCount(), 0) << "nothing is placed on a paper that could not be read";
        EXPECT_EQ(broken->StoredWidth(), 2100);
        ASSERT_EQ(db.RefusedPapers().size(), 1);
        EXPECT_TRUE(db.OpenWarning().contains("$00000003")) << qPrintable(db.OpenWarning());
        damagedBytes = streamBytes(db, "$00000003");

        // A paper stored in its place is a new one; the damaged stream stays as it is.
        db.AddOrReplace(*MakeGridPaper("broken", 2, 2));
        EXPECT_EQ(db.GetCount(), 3);
        EXPECT_EQ(db.GetStreamName(db.IndexOf("broken")), "$00000004");
        db.Save();
    }
    TPapersV2 db(file, true);
    db.AddStandardExtraInfoBases();
    EXPECT_EQ(db.GetCount(), 4) << "the damaged paper is listed until read again";
    const int index = db.IndexOf("broken");
    ASSERT_GE(index, 0);
    EXPECT_EQ(db.GetPaper(index)->GetFaceCount(), 4) << "the sound paper of the name answers";
    EXPECT_EQ(streamBytes(db, "$00000003"), damagedBytes);
    EXPECT_EQ(CompanyOf(db, "broken"), "maker");
}
