#include "papers/UPapers.h"

#include "core/UDocStorage.h"
#include "platform/ComponentWriter.h"
#include "tests/TestSupport.h"
#include "tests/papers/PapersTestSupport.h"

#include <gtest/gtest.h>

#include <QFile>
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

    // A newer installed file wins over an older copy.
    {
        TPapersV2 papers(installed, false);
        TPaperUpdate update(nullptr);
        update.PPRNo = 8;
        papers.SetUpdateInfo(update);
    }
    EXPECT_EQ(TPapersV2::OpenSystem(installed, user)->GetCount(), 1);
    EXPECT_EQ(TPapersV2::ReadPPRNo(Path("absent.ppr")), -1);
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
