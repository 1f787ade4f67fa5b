#include "papers/UPapersUI.h"

#include "papers/UPapers.h"
#include "tests/papers/PapersTestSupport.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

TEST(PapersUI, EntriesCarryExtraTextsAndGenres) {
    QTemporaryDir dir;
    TPapersV2 papers(dir.filePath("ui.ppr"), false);
    papers.AddStandardExtraInfoBases();
    papers.GetCompanyList().Add("Z社");
    papers.GetGroupList().Add("名刺");
    const char* groups[] = {"ラベル", "名刺", "写真"};
    for (int i = 0; i < 3; ++i) {
        auto paper = MakeGridPaper(QStringLiteral("p%1").arg(i), 1, 1);
        paper->GroupName = QString::fromUtf8(groups[i]);
        paper->ReadOnly = i != 2;
        papers.AddOrReplace(*paper);
    }
    TExPaperInfo extra(nullptr);
    extra.PaperName = "p1";
    extra.Company = "B社";
    papers.PutExtraInfo(kExtraInfosTable, extra);
    TExAlbumInfo album(nullptr);
    album.PaperName = "p1";
    album.PhotoSize = "L";
    papers.PutExtraInfo(kExtraAlbumInfoTable, album);

    TPapersUI ui(papers);
    ASSERT_EQ(ui.GetCount(), 3);
    EXPECT_EQ(ui.GetItem(0).Company, "未設定");
    EXPECT_EQ(ui.GetItem(0).Purpose, "未設定");
    EXPECT_EQ(ui.GetItem(1).Company, "B社");
    EXPECT_EQ(ui.GetItem(1).PhotoSize, "L");
    EXPECT_TRUE(ui.GetItem(2).User);
    EXPECT_EQ(ui.GetItem(2).GenreIndex, 2147483647);

    ui.SetGenres(TStringList(QStringList{"アルバム", "定形"}),
                 TStringList(QStringList{"名刺=定形", "ラベル=写真"}));
    EXPECT_EQ(ui.GetItem(1).GenreIndex, 1);
    EXPECT_EQ(ui.GetItem(0).GenreIndex, -1) << "a genre not in the list gives the default";

    TStringList list;
    ui.GetCompanies(list, "すべて", "");
    EXPECT_EQ(list.ToQStringList(), QStringList({"すべて", "Z社", "未設定", "B社"}));
    ui.GetGroupsOfGenre(list, "", -1, "");
    EXPECT_EQ(list.ToQStringList(), QStringList({"ラベル"}));
    ui.GetGroups(list, "", "写真");
    EXPECT_EQ(list.ToQStringList(), QStringList({"名刺", "ラベル", "写真"}));
}

TEST(PapersUI, PlacingFirstAndLastAndOrdering) {
    TStringList list(QStringList{"a", "last", "b"});
    PlaceFirstAndLast(list, "a", "last");
    EXPECT_EQ(list.ToQStringList(), QStringList({"a", "a", "b", "last"}));
    TStringList only(QStringList{"x"});
    PlaceFirstAndLast(only, "first", "");
    EXPECT_EQ(only.ToQStringList(), QStringList({"first", "x"}));
    TStringList names(QStringList{"c", "z", "a"});
    OrderStringsBy(TStringList(QStringList{"a", "b", "c"}), names);
    EXPECT_EQ(names.ToQStringList(), QStringList({"a", "c", "z"}));
}
