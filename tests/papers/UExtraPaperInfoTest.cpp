#include "papers/UExtraPaperInfo.h"

#include "core/UDocStorage.h"
#include "papers/UPapers.h"
#include "platform/ComponentWriter.h"
#include "tests/pageobjects/engine/EngineTestObjects.h"
#include "tests/papers/PapersTestSupport.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace {

class ExtraInfoTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterTestClasses();
        papers_ = std::make_unique<TPapersV2>(dir_.filePath("extra.ppr"), false);
        papers_->AddStandardExtraInfoBases();
    }
    static std::unique_ptr<TExPaperInfo> Info(const QString& paper, const QString& company, int round = 0) {
        auto info = std::make_unique<TExPaperInfo>(nullptr);
        info->PaperName = paper;
        info->Company = company;
        info->RoundSize = round;
        return info;
    }
    QStringList Streams(const QString& table) {
        TDocStorage storage(&papers_->Root(), table, false);
        TStringList names;
        storage.GetStreamNames(names);
        return names.ToQStringList();
    }
    QTemporaryDir dir_;
    std::unique_ptr<TPapersV2> papers_;
};

TExPaperInfo* AsEx(const std::unique_ptr<TExtraPaperInfo>& info) {
    return dynamic_cast<TExPaperInfo*>(info.get());
}

} // namespace

TEST_F(ExtraInfoTest, StoringReplacesRemovesAndNumbersAboveTheHighest) {
    papers_->PutExtraInfo(kExtraInfosTable, *Info("a", "A社"));
    papers_->PutExtraInfo(kExtraInfosTable, *Info("b", "B社"));
    papers_->PutExtraInfo(kExtraInfosTable, *Info("a", "C社"));
    EXPECT_EQ(Streams(kExtraInfosTable), QStringList({"$00000002", "$00000003"}));
    EXPECT_EQ(AsEx(papers_->GetExtraInfo(kExtraInfosTable, "a"))->Company, "C社");
    papers_->PutExtraInfo(kExtraInfosTable, *Info("a", ""));
    EXPECT_EQ(papers_->GetExtraInfo(kExtraInfosTable, "a"), nullptr) << "an empty info removes";
    EXPECT_EQ(Streams(kExtraInfosTable), QStringList({"$00000002"}));
    EXPECT_EQ(papers_->GetExtraInfo(kExtraInfosTable, ""), nullptr);
    EXPECT_EQ(papers_->GetExtraInfo("NoTable", "b"), nullptr);
    papers_->PutExtraInfo(kExtraInfosTable, *Info("", "nameless"));
    EXPECT_EQ(Streams(kExtraInfosTable).size(), 1);

    // Deleting a paper takes its information along.
    papers_->AddOrReplace(*MakeGridPaper("b", 1, 1));
    papers_->Delete(0);
    EXPECT_TRUE(Streams(kExtraInfosTable).isEmpty());
}

TEST_F(ExtraInfoTest, ASecondEntryForAPaperIsReportedOnceAndDroppedOnTheNextStore) {
    TDocStorage table(&papers_->Root(), kExtraInfosTable, true);
    for (const char* name : {"$00000001", "$00000002", "$00000003"}) {
        auto info = Info("dup", QString::fromLatin1(name));
        TDocStream out(&table, ModeCreate, name);
        TWriter(out).WriteRootComponent(info.get());
    }
    auto base = std::make_unique<TExInfoBase>(kExtraInfosTable);
    base->SetStorage(&table);
    EXPECT_EQ(base->Problems(), QStringList({"用紙情報更新エラー(dup)"}));
    EXPECT_EQ(AsEx(base->GetInfo("dup"))->Company, "$00000001") << "the first answers";
    EXPECT_EQ(base->GetCount(), 3);
    base->Store(*Info("dup", "new"));
    TStringList names;
    table.GetStreamNames(names);
    EXPECT_EQ(names.ToQStringList(), QStringList({"$00000001"})) << "all three gone, numbered afresh";
    EXPECT_EQ(AsEx(base->GetInfo("dup"))->Company, "new");
}

TEST_F(ExtraInfoTest, InfoEqualityEmptinessAndAlbumMargins) {
    auto a = Info("p", "A", 30);
    auto b = Info("p", "A", 30);
    EXPECT_TRUE(a->IsEqual(b.get()));
    b->RoundSize = 31;
    EXPECT_FALSE(a->IsEqual(b.get()));
    EXPECT_FALSE(a->IsEqual(nullptr));
    EXPECT_TRUE(Info("p", "")->IsEmpty());

    TExAlbumInfo album(nullptr);
    EXPECT_TRUE(album.IsEmpty());
    album.SetLeftMargin(40);
    album.SetLeftMargin(-5);
    EXPECT_EQ(album.LeftMargin(), 40);
    EXPECT_FALSE(album.IsEmpty());
}

TEST_F(ExtraInfoTest, PaperImagesStoreTheirObjectListsPerFace) {
    TImagePaperInfo info(nullptr);
    info.PaperName = "card";
    info.LabelCount = 4;
    TOwnedDOList one;
    auto rect = std::make_unique<TTestRect>(nullptr);
    rect->SetLogRect(TRect(10, 20, 110, 220));
    rect->SetFillColor(clBlue);
    one.Add(std::move(rect));
    info.SetImageObjects(0, one);
    EXPECT_TRUE(one.IsEmpty()) << "the info took the objects";
    TOwnedDOList later;
    later.Add(std::make_unique<TTestRect>(nullptr));
    info.SetImageObjects(3, later);
    ASSERT_EQ(info.ImageListCount(), 4);
    TDOList refs;
    info.GetImageObjectRefs(1, refs);
    EXPECT_TRUE(refs.IsEmpty());
    EXPECT_FALSE(info.IsEmpty());

    papers_->PutExtraInfo(kPaperImagesTable, info);
    std::unique_ptr<TExtraPaperInfo> back = papers_->GetExtraInfo(kPaperImagesTable, "card");
    auto* images = dynamic_cast<TImagePaperInfo*>(back.get());
    ASSERT_NE(images, nullptr);
    EXPECT_EQ(images->LabelCount, 4);
    EXPECT_EQ(images->ImageListCount(), 4);
    EXPECT_TRUE(images->IsEqual(&info));
    TOwnedDOList copies;
    images->GetImageObjects(0, copies);
    ASSERT_EQ(copies.Count(), 1);
    EXPECT_EQ(static_cast<TTestRect*>(copies[0])->LogRect(), TRect(10, 20, 110, 220));

    TImagePaperInfo copy(nullptr);
    copy.Assign(images);
    EXPECT_TRUE(copy.IsEqual(&info));
    TDOList moved;
    copy.GetImageObjectRefs(3, moved);
    static_cast<TTestRect*>(moved[0])->SetFillColor(clGreen);
    EXPECT_FALSE(copy.IsEqual(&info)) << "a deep copy: the original's objects are untouched";

    // Reopened, the table is indexed again from the sub-storages.
    papers_.reset();
    TPapersV2 again(dir_.filePath("extra.ppr"), true);
    again.AddStandardExtraInfoBases();
    EXPECT_NE(again.GetExtraInfo(kPaperImagesTable, "card"), nullptr);
    EXPECT_EQ(again.FindExtraInfoBase(kPaperImagesTable)->GetCount(), 1);
}

TEST_F(ExtraInfoTest, CompanyListsFollowTheDatabaseThenThePapers) {
    papers_->GetCompanyList().Add("Z社");
    for (const char* name : {"p1", "p2", "p3", "p4"})
        papers_->AddOrReplace(*MakeGridPaper(name, 1, 1));
    auto info = Info("p1", "B社");
    info->Purpose = "CD";
    papers_->PutExtraInfo(kExtraInfosTable, *info);
    papers_->PutExtraInfo(kExtraInfosTable, *Info("p3", "Z社"));
    TStringList companies;
    TStringList purposes;
    GetCompanyAndPurposeLists(*papers_, companies, purposes);
    EXPECT_EQ(companies.ToQStringList(), QStringList({"Z社", "B社", "未設定"}));
    EXPECT_EQ(purposes.ToQStringList(), QStringList({"CD", ""}));
}
