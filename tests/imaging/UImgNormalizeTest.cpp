#include "imaging/UImgNormalize.h"

#include "imaging/USafetyBitmap.h"
#include "platform/Picture.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(PicFileListTest, FilesAreSortedShownAndNeverAdjusted) {
    QTemporaryDir dir;
    QStringList names;
    for (const char* name : {"b.bmp", "C.bmp", "a.bmp"}) {
        TSafetyBitmap bitmap(int(qstrlen(name)) + 3, 2, pf24bit);
        TPicture picture;
        picture.SetGraphic(&bitmap);
        names << dir.filePath(QString::fromLatin1(name));
        picture.SaveToFile(names.back());
    }
    TAINPicFileList list;
    list.SetFileNames(names);
    EXPECT_EQ(list.FileNames(),
              (QStringList{dir.filePath("a.bmp"), dir.filePath("b.bmp"), dir.filePath("C.bmp")}));
    ASSERT_EQ(list.GetCount(), 3);
    list.SetFilterNo(1, 2);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(list.GetFilterNo(i), 0);
        EXPECT_EQ(list.GetImageData(i), nullptr);
        EXPECT_EQ(list.GetSourcePicture(i)->Width(), 8);
        EXPECT_EQ(list.GetResultPicture(i), list.GetSourcePicture(i));
    }
}

TEST(PicFileListTest, ReducingRandomlyFollowsTheCallersGenerator) {
    QStringList names;
    for (int i = 0; i < 25; ++i)
        names << QStringLiteral("photo%1.jpg").arg(i, 2, 10, QLatin1Char('0'));
    TAINPicFileList first;
    TAINPicFileList second;
    first.SetFileNames(names);
    second.SetFileNames(names);
    QRandomGenerator a(7);
    QRandomGenerator b(7);
    first.ReduceRandomly(10, a);
    second.ReduceRandomly(10, b);
    EXPECT_EQ(first.GetCount(), 10);
    EXPECT_EQ(first.FileNames(), second.FileNames());
    for (const QString& name : first.FileNames())
        EXPECT_TRUE(names.contains(name));
    first.ReduceRandomly(20, a);
    EXPECT_EQ(first.GetCount(), 10);
    first.ReduceRandomly(-1, a);
    EXPECT_EQ(first.GetCount(), 0);
}
