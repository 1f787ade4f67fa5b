#include "papers/UMaterialCatalog.h"

#include "core/UAppFrame.h"
#include "papers/ULabelData.h"
#include "platform/ClassRegistry.h"
#include "platform/Cp932.h"
#include "tests/pageobjects/engine/EngineTestObjects.h"
#include "tests/papers/PapersTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class NoVolumes : public TAppEnvironment {
public:
    QStringList Volumes() override { return {}; }
};

// A program folder holding the content, found by the frame's content search.
class CatalogTest : public ::testing::Test {
protected:
    CatalogTest() {
        frame.SetEnvironment(std::make_shared<NoVolumes>());
        frame.Macro().SetValue(QStringLiteral("ExeDir"), dir.path() + QLatin1Char('/'));
    }

    QString Write(const QString& relative, const QString& text) {
        const QString path = dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(Cp932::Encode(text));
        return path;
    }

    QTemporaryDir dir;
    TAppFrame frame{nullptr};
};

} // namespace

TEST_F(CatalogTest, PhotoSizesReadInFileOrderWithNonNumbersAsZero) {
    const TPhotoSizeInfo sizes(Write(
        QStringLiteral("AlbumPht.Dat"),
        QStringLiteral("[Photo Size]\r\nL判=890,1270\r\n2L判=1270,x\r\nL判=1,1\r\n[Other]\r\nA=1,2\r\n")));
    ASSERT_TRUE(sizes.Loaded());
    EXPECT_EQ(sizes.GetNames(), (QStringList{QStringLiteral("L判"), QStringLiteral("2L判")}));
    TPhotoSize size;
    ASSERT_TRUE(sizes.GetItem(0, size));
    EXPECT_EQ(size.Width, 890);
    EXPECT_EQ(size.Height, 1270);
    ASSERT_TRUE(sizes.GetItem(1, size));
    EXPECT_EQ(size.Height, 0);
    EXPECT_FALSE(sizes.GetItem(2, size));

    EXPECT_FALSE(
        TPhotoSizeInfo(Write(QStringLiteral("none.dat"), QStringLiteral("[Other]\nA=1,2\n"))).Loaded());
    const TPhotoSizeInfo missing(dir.filePath(QStringLiteral("missing.dat")));
    EXPECT_FALSE(missing.Loaded());
    EXPECT_FALSE(missing.ErrorText().isEmpty());
}

TEST_F(CatalogTest, ShadeGenresSkipBadEntriesAndFindTheirFiles) {
    Write(QStringLiteral("Data/Figure/Round/r1.bmp"), QString());
    Write(QStringLiteral("Data/Figure/Star/s1.bmp"), QString());
    const QString catalog =
        Write(QStringLiteral("Data/Figure/Figure.dat"),
              QStringLiteral("[丸]\nFolder=Data\\Figure\\Round\nFile1=t1.bmp,p1.bmp,b1.bmp\n"
                             "File2=t2.bmp\nFile3=,p3.bmp\nFile4=a,b,c,d\n"
                             "File5=..\\x.bmp\nOther=t9.bmp\n"
                             "[星]\nFolder=Data\\Figure\\Star\nAlphaFrame=1\n"));
    EXPECT_EQ(FindCatalogFile(QStringLiteral("Data\\Figure\\Figure.dat")), catalog);
    const TShadeList list(catalog);
    ASSERT_EQ(list.GetCount(), 2);
    const TShadeInfo* round = list.GetInfo(0);
    EXPECT_FALSE(round->AlphaFrame);
    EXPECT_TRUE(list.GetInfo(1)->AlphaFrame);
    ASSERT_EQ(round->GetCount(), 2);
    TShadeItem item;
    ASSERT_TRUE(round->GetItem(1, item));
    EXPECT_EQ(item.Thumbnail, u"t2.bmp");
    EXPECT_TRUE(item.Shade.isEmpty());

    int genre = -1;
    EXPECT_TRUE(list.FindGenre(dir.filePath(QStringLiteral("Data/Figure/Star/s1.bmp")), genre));
    EXPECT_EQ(genre, 1);
    genre = 0;
    EXPECT_FALSE(list.FindGenre(dir.filePath(QStringLiteral("Data/Figure/Star/s1.bmp")), genre));
    EXPECT_EQ(FindCatalogFolder(QStringLiteral("Data\\Figure\\Round")),
              dir.filePath(QStringLiteral("Data/Figure/Round/")));
    EXPECT_EQ(FindCatalogFolder(QStringLiteral("Data\\Figure\\None")), u"");
}

TEST_F(CatalogTest, BackgroundSubGenresNeedTwoItems) {
    Write(QStringLiteral("Data/BackGrnd/Tile/a.bmp"), QString());
    Write(QStringLiteral("Data/BackGrnd/Plain/b.bmp"), QString());
    const TBackGroundList list(Write(
        QStringLiteral("Data/BackGrnd/BackGrnd.dat"),
        QStringLiteral(
            "[和紙,paper]\nCaption=和紙\nGenre=Data\\BackGrnd\\Plain\n"
            "SubGenre1=タイル,Data\\BackGrnd\\Tile,1,0\nSubGenre2=lonely\nSubGenre3=柄,Data\\BackGrnd\\X\n"
            "[Plain]\nGenre=Data\\BackGrnd\\Plain\n")));
    ASSERT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.SectionParts(0), (QStringList{QStringLiteral("和紙"), QStringLiteral("paper")}));
    const TBackGroundInfo* first = list.GetInfo(0);
    ASSERT_EQ(first->GetSubGenreCount(), 2);
    TBackGroundSubGenre sub;
    ASSERT_TRUE(first->GetSubGenre(0, sub));
    EXPECT_TRUE(sub.Tile);
    EXPECT_FALSE(sub.TileShift);
    ASSERT_TRUE(first->GetSubGenre(1, sub));
    EXPECT_FALSE(sub.Tile);

    int genre = -1, subGenre = 5;
    EXPECT_TRUE(list.FindFile(dir.filePath(QStringLiteral("Data/BackGrnd/Tile/a.bmp")), genre, subGenre));
    EXPECT_EQ(genre, 0);
    EXPECT_EQ(subGenre, 0);
    // A genre with sub-genres is not searched in its own folder; one without is (sub-genre -1).
    genre = -1;
    EXPECT_TRUE(list.FindFile(dir.filePath(QStringLiteral("Data/BackGrnd/Plain/b.bmp")), genre, subGenre));
    EXPECT_EQ(genre, 1);
    EXPECT_EQ(subGenre, -1);
}

TEST(MaterialCatalogTest, RectOrientationHasASquareBand) {
    EXPECT_EQ(GetRectOrientation(TRect(0, 0, 100, 95)), 0);
    EXPECT_EQ(GetRectOrientation(TRect(0, 0, 100, 90)), 1);
    EXPECT_EQ(GetRectOrientation(TRect(0, 0, 90, 100)), 2);
    EXPECT_EQ(GetRectOrientation(TRect(0, 0, 10, 0)), 1);
    TFaceInfo filter;
    filter.FacePurpose = QStringLiteral("CD");
    EXPECT_TRUE(PageMatchesFilter(nullptr, QStringLiteral("x"), TRect()));
    EXPECT_TRUE(PageMatchesFilter(&filter, QStringLiteral("CD"), TRect(0, 0, 10, 20)));
    EXPECT_FALSE(PageMatchesFilter(&filter, QStringLiteral("DVD"), TRect(0, 0, 10, 20)));
    filter.Rect = TRect(0, 0, 30, 10);
    EXPECT_FALSE(PageMatchesFilter(&filter, QStringLiteral("CD"), TRect(0, 0, 10, 20)));
}

TEST(MaterialCatalogTest, ShortStyleDefineExpandsOnlyLiteralPlaceholders) {
    TIDHolder holder;
    EXPECT_TRUE(holder.AddEntry(QStringLiteral("ShortStyleDefine"), QStringLiteral("A%s,3,1,3,ID%s,4,10")));
    EXPECT_EQ(holder.Keys(),
              (QStringList{QStringLiteral("A001"), QStringLiteral("A002"), QStringLiteral("A003")}));
    EXPECT_EQ(holder.IDs(),
              (QStringList{QStringLiteral("ID0010"), QStringLiteral("ID0011"), QStringLiteral("ID0012")}));
    // Other format letters stay text; a key already present keeps its first ID.
    EXPECT_TRUE(holder.AddEntry(QStringLiteral("shortstyledefine"), QStringLiteral("B%d%n,1,1,1,%s%s,2,1")));
    EXPECT_EQ(holder.FindID(QStringLiteral("B%D%N")), u"01%S");
    EXPECT_TRUE(holder.AddEntry(QStringLiteral("a001"), QStringLiteral("other")));
    EXPECT_EQ(holder.FindID(QStringLiteral("A001")), u"ID0010");
    EXPECT_TRUE(holder.AddEntry(QStringLiteral("z"), QStringLiteral("q1")));
    EXPECT_EQ(holder.FindKey(QStringLiteral("Q1")), u"Z");

    const int before = holder.GetCount();
    for (const char* bad :
         {"A%s,17,1,3,I%s,4,1", "A%s,3,1,100000,I%s,4,1", "A%s,3,3,1,I%s,4,1", "A%s,3,1,3,I%s,4",
          "A%s,3,-1,3,I%s,4,1", "A%s,3,1,3,I%s,4,2147483647", "A%s,x,1,3,I%s,4,1"})
        EXPECT_FALSE(holder.AddEntry(QStringLiteral("ShortStyleDefine"), QString::fromLatin1(bad))) << bad;
    EXPECT_EQ(holder.GetCount(), before);
    // The bound is on pairs, whatever lines ask for them.
    TIDHolder small(2);
    EXPECT_FALSE(small.AddEntry(QStringLiteral("ShortStyleDefine"), QStringLiteral("A%s,3,1,3,ID%s,4,10")));
    EXPECT_TRUE(small.AddEntry(QStringLiteral("ShortStyleDefine"), QStringLiteral("A%s,3,1,2,ID%s,4,10")));
    EXPECT_FALSE(small.AddEntry(QStringLiteral("k"), QStringLiteral("v")));
    EXPECT_EQ(FormatPaddedNumber(7, 3), u"007");
    EXPECT_EQ(FormatPaddedNumber(1234, 2), u"1234");
}

TEST_F(CatalogTest, ImageIDsAreFoundByFolderEnding) {
    TImageIDList ids(
        Write(QStringLiteral("Data/Figure/Figure.ids"),
              QStringLiteral("[Data\\Figure\\Round]\nr1=F001\nShortStyleDefine=s%s,2,1,2,F1%s,2,0\n"
                             "[Data\\Figure\\Round]\nr1=dup\n"
                             "[Figure\\Round]\nr2=late\n"
                             "[Cover]\nCOVER1,2,0=C100\n")));
    ASSERT_EQ(ids.GetCount(), 3);
    const QString round = dir.filePath(QStringLiteral("Data/Figure/Round/"));
    // The last matching section decides, even when it lacks the key.
    EXPECT_EQ(ids.GetFileID(round + QStringLiteral("R2.bmp")), u"LATE");
    EXPECT_EQ(ids.GetFileID(round + QStringLiteral("r1.bmp")), u"");
    EXPECT_EQ(ids.GetFileID(dir.filePath(QStringLiteral("Data/Figure/XRound/r2.bmp"))), u"");
    EXPECT_EQ(ids.FindFileByID(QStringLiteral("f101")), QStringLiteral("Data/Figure/Round/S02"));
    EXPECT_EQ(ids.FindFileByID(QStringLiteral("none")), u"");
    TTemplateInfo page{dir.filePath(QStringLiteral("Data/Cover/cover1.qlt")), 2, 0, false};
    EXPECT_EQ(ids.GetTemplateID(page), u"C100");
    EXPECT_EQ(ids.GetHolder(3), nullptr);
}

TEST_F(CatalogTest, TemplateScanListsMatchingPagesAndSkipsDamagedDocuments) {
    RegisterLabelDataClasses();
    RegisterTestClasses();
    const QString folder = dir.filePath(QStringLiteral("Data/Cover/Sea"));
    QDir().mkpath(folder);
    {
        TLabelData doc(nullptr);
        doc.SetPaperInfo(*MakeGridPaper(QStringLiteral("P"), 2, 1));
        TOwnedDOList objects;
        objects.Add(std::make_unique<TTestRect>(nullptr));
        TDOList view;
        objects.ListObjects(view);
        doc.StoreLabelObjects(1, view);
        doc.SaveToFile(folder + QStringLiteral("/a.QLT"));
    }
    Write(QStringLiteral("Data/Cover/Sea/broken.qld"), QStringLiteral("not a document"));
    Write(QStringLiteral("Data/Cover/Sea/notes.txt"), QStringLiteral("x"));

    TTemplateList list;
    list.Scan(folder, nullptr);
    ASSERT_EQ(list.GetCount(), 1);
    EXPECT_EQ(list.GetItem(0).FaceIndex, 1);
    EXPECT_FALSE(list.GetItem(0).WholeFile);

    TFaceInfo filter;
    filter.FacePurpose = QStringLiteral("*");
    filter.Rect = TRect(0, 0, 100, 300); // upright: the faces are wide
    list.Scan(folder + QStringLiteral("/*.qlt"), &filter);
    ASSERT_EQ(list.GetCount(), 1);
    EXPECT_TRUE(list.GetItem(0).WholeFile);
    filter.FacePurpose = QStringLiteral("CD");
    list.Scan(folder, &filter);
    EXPECT_EQ(list.GetCount(), 0);

    list.FilesOnly = true;
    list.Scan(folder, &filter);
    EXPECT_EQ(list.GetCount(), 2);

    Write(QStringLiteral("Data/Cover/Cover.dat"), QStringLiteral("[CD]\nDir=Sea, Sky\nName=海,空\n"));
    TTemplateGroup group;
    group.Open(QStringLiteral("Data\\Cover\\Cover.dat"));
    ASSERT_FALSE(group.NotFound());
    group.SetSection(QStringLiteral("cd"));
    QStringList names;
    group.GetNames(names);
    EXPECT_EQ(names, (QStringList{QStringLiteral("海"), QStringLiteral("空")}));
    QString found;
    ASSERT_TRUE(group.GetFolder(0, found));
    EXPECT_EQ(found, folder + QLatin1Char('/'));
    EXPECT_FALSE(group.GetFolder(2, found));
    group.Open(QStringLiteral("Data\\Cover\\None.dat"));
    EXPECT_TRUE(group.NotFound());
}

TEST_F(CatalogTest, ImageIDPairsAreBoundedAcrossSections) {
    TImageIDList ids(
        Write(QStringLiteral("big.ids"), QStringLiteral("[A]\nShortStyleDefine=K%s,6,1,99999,I%s,6,1\n"
                                                        "[B]\nx=1\ny=2\n[C]\nz=3\n")));
    // Asking for the last section loads those before it first: the bound falls on B whatever is asked.
    EXPECT_EQ(ids.FindFileByID(QStringLiteral("3")), u"");
    EXPECT_EQ(ids.GetHolder(1)->GetCount(), 1);
    EXPECT_EQ(ids.FindFileByID(QStringLiteral("1")), u"B/X");
}
