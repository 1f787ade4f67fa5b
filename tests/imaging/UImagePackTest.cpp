#include "imaging/UImagePack.h"

#include "imaging/UPictureEX.h"
#include "imaging/USafetyBitmap.h"
#include "platform/ComponentResource.h"
#include "platform/Metafile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void Touch(const QString& path, const QByteArray& bytes = QByteArray()) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray SmallBitmapFile(int w, int h) {
    TSafetyBitmap bitmap(w, h, pf24bit);
    TMemoryStream s;
    bitmap.SaveToStream(s);
    return s.Data();
}

bool IsErrorMark(const TPicture& picture) {
    const auto* m = dynamic_cast<const TMetafile*>(picture.Graphic());
    const auto* mark = dynamic_cast<const TMetafile*>(ImagePackErrorMark().Graphic());
    return m && mark && m->Data() == mark->Data();
}

} // namespace

TEST(ImagePackTest, MatrixCellsAndBadCounts) {
    TMatrixImagePack pack(nullptr);
    TSafetyBitmap bitmap(100, 50, pf24bit);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 100; ++x)
            bitmap.ScanLine(y)[x * 3] = uint8_t(x);
    pack.Image()->SetGraphic(&bitmap);
    pack.SetCountCol(4);
    pack.SetCountRow(2);
    EXPECT_EQ(pack.GetCount(), 8);
    TRect r;
    pack.GetImageRect(5, r);
    EXPECT_EQ(r, TRect(25, 25, 50, 50));
    pack.GetImageRect(8, r);
    EXPECT_TRUE(r.Width() == 0 && r.Height() == 0);
    TPictureEx cell;
    EXPECT_TRUE(pack.GetImageSafe(cell, 5));
    ASSERT_EQ(cell.Width(), 25);
    auto* cellBitmap = dynamic_cast<TBitmap*>(cell.Graphic());
    ASSERT_NE(cellBitmap, nullptr);
    EXPECT_EQ(cellBitmap->ScanLine(0)[0], 25);
    EXPECT_THROW(pack.SetCount(3), EImagePack);
    EXPECT_THROW(pack.SetWidth(0, 3), EImagePack);

    for (auto [cols, rows] : {std::pair{0, 2}, std::pair{-3, -1}, std::pair{4, 0}}) {
        pack.SetCountCol(cols);
        pack.SetCountRow(rows);
        EXPECT_EQ(pack.GetCount(), 0);
        pack.GetImageRect(0, r);
        EXPECT_EQ(r, TRect(0, 0, 0, 0));
        TPictureEx none;
        EXPECT_TRUE(pack.GetImageSafe(none, 0));
        EXPECT_EQ(none.Graphic(), nullptr);
    }
}

TEST(ImagePackTest, KeyedCellsSeeThroughTheirBottomLeftColourOnly) {
    TMatrixImagePack pack(nullptr);
    TSafetyBitmap bitmap(8, 4, pf24bit);
    bitmap.Canvas().FillSolid(TRect(0, 0, 8, 4), clWhite);
    bitmap.Canvas().FillSolid(TRect(5, 1, 6, 2), clRed);
    bitmap.Canvas().FillSolid(TRect(6, 2, 7, 3), RGB(255, 255, 254));
    pack.Image()->SetGraphic(&bitmap);
    pack.SetCountCol(2);
    const QImage cell = KeyedPackCellImage(&pack, 1);
    ASSERT_EQ(cell.size(), QSize(4, 4));
    EXPECT_EQ(qAlpha(cell.pixel(0, 3)), 0);
    EXPECT_EQ(qAlpha(cell.pixel(3, 0)), 0);
    EXPECT_EQ(cell.pixel(1, 1), qRgb(255, 0, 0));
    EXPECT_EQ(cell.pixel(2, 2), qRgb(255, 255, 254)) << "a near-white is not the key";
    EXPECT_TRUE(KeyedPackCellImage(&pack, 2).isNull());
    EXPECT_TRUE(KeyedPackCellImage(nullptr, 0).isNull());
}

TEST(ImagePackTest, CacheDropsTheLeastRecentlyUsed) {
    TCustomImagePack pack(nullptr);
    EXPECT_EQ(pack.GetCount(), 0);
    int loads = 0;
    pack.OnGetCount = [](TObject*, int& count) { count = 10; };
    pack.OnGetImage = [&](TObject*, TPictureEx& picture, int index) {
        ++loads;
        if (index == 9)
            throw EImagePack("broken");
        TSafetyBitmap b(index + 1, 1);
        picture.SetGraphic(&b);
    };
    pack.SetCacheLimit(2);
    TPictureEx p;
    for (int i : {1, 2, 1, 3})
        pack.GetImage(p, i);
    EXPECT_EQ(pack.CachedIndexes(), (std::vector<int>{1, 3}));
    EXPECT_EQ(loads, 3);
    EXPECT_EQ(p.Width(), 4);
    // A failed load is cached as the error mark and not retried.
    EXPECT_TRUE(pack.GetImageSafe(p, 9));
    EXPECT_TRUE(IsErrorMark(p));
    pack.GetImage(p, 9);
    EXPECT_EQ(loads, 4);
    pack.SetCacheLimit(0);
    EXPECT_EQ(pack.CacheLimit(), 1);
    EXPECT_EQ(pack.CachedCount(), 1);
}

TEST(ImagePackTest, FilePackShowsMissingFilesAsTheErrorMarkOnce) {
    QTemporaryDir dir;
    TFileImagePack pack(nullptr);
    int updates = 0, changes = 0;
    TListener listener([&](TObject*, const TGUID& id) {
        updates += id == GUID_ImagePackUpdate;
        changes += id == GUID_ImagePackChanged;
    });
    pack.AddListener(&listener);
    pack.FileList().BeginUpdate();
    pack.FileList().Add(dir.filePath("a.bmp"));
    pack.FileList().Add(dir.filePath("b.bmp"));
    pack.FileList().EndUpdate();
    EXPECT_EQ(updates, 1);
    EXPECT_EQ(changes, 1);
    Touch(dir.filePath("b.bmp"), SmallBitmapFile(3, 2));
    TPictureEx p;
    pack.GetImage(p, 0);
    EXPECT_TRUE(IsErrorMark(p));
    Touch(dir.filePath("a.bmp"), SmallBitmapFile(5, 5));
    pack.GetImage(p, 0);
    EXPECT_TRUE(IsErrorMark(p)) << "the cached failure is kept until the cache is cleared";
    EXPECT_EQ(pack.Width(1), 3);
    pack.RemoveListener(&listener);
}

TEST(ImagePackTest, FilterByExtensionMatchesWholeExtensions) {
    TFileImagePack pack(nullptr);
    for (const char* name : {"/p/x.jpg", "/p/y.Bmp", "/p/z.png", "/p/x.PG", "/p/noext", "/p/a.jpg.txt"})
        pack.FileList().Add(name);
    pack.FilterByExtension(".JPG;.BMP");
    EXPECT_EQ(pack.FileList().ToQStringList(), QStringList({"/p/x.jpg", "/p/y.Bmp"}));
}

TEST(ImagePackTest, FolderMaskAndListFiles) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("Sub/Deep"));
    Touch(dir.filePath("b.jpg"));
    Touch(dir.filePath("A.jpg"));
    Touch(dir.filePath(".hidden.jpg"));
    Touch(dir.filePath("c.bmp"));
    Touch(dir.filePath("Sub/Deep/Photo.JPG"));
    TFolderImagePack pack(nullptr);
    int changes = 0;
    pack.OnChange = [&](TObject*) { ++changes; };
    pack.SetFileMask(dir.path() + "/*.jpg");
    EXPECT_EQ(pack.FileList().ToQStringList(), QStringList({dir.filePath("A.jpg"), dir.filePath("b.jpg")}));
    EXPECT_EQ(changes, 1);
    pack.SetFileMask(dir.path() + "/*.jpg");
    EXPECT_EQ(changes, 1);

    Touch(dir.filePath("list.txt"),
          "b.jpg\r\n  FOLDER = sub\\DEEP \r\nphoto.jpg\r\n;x.jpg\r\n\r\n[Group]\r\nfolder\r\n");
    pack.SetFileMask(dir.filePath("list.txt"));
    EXPECT_EQ(pack.FileList().ToQStringList(),
              QStringList({dir.filePath("b.jpg"), dir.filePath("Sub/Deep/Photo.JPG"), "[Group]"}));
}

TEST(ImagePackTest, PublishedPropertiesRoundTrip) {
    RegisterImagePacks();
    TFileImagePack pack(nullptr);
    pack.SetName("ipPhotos");
    pack.FileList().Add("/p/a.jpg");
    pack.FileList().Add("/p/写真.jpg");
    pack.SetCacheLimit(40);
    TMemoryStream first;
    WriteComponentRes(first, "ipPhotos", &pack);
    first.SetPosition(0);
    std::unique_ptr<TComponent> read = ReadComponentRes(first);
    auto* back = dynamic_cast<TFileImagePack*>(read.get());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->FileList().ToQStringList(), pack.FileList().ToQStringList());
    EXPECT_EQ(back->CacheLimit(), 40);
    TMemoryStream second;
    WriteComponentRes(second, "ipPhotos", back);
    EXPECT_EQ(second.Data(), first.Data());

    TMatrixImagePack matrix(nullptr);
    matrix.SetCountCol(3);
    TMemoryStream m;
    WriteComponentRes(m, "M", &matrix);
    m.SetPosition(0);
    std::unique_ptr<TComponent> readMatrix = ReadComponentRes(m);
    auto* matrixBack = dynamic_cast<TMatrixImagePack*>(readMatrix.get());
    ASSERT_NE(matrixBack, nullptr);
    EXPECT_EQ(matrixBack->CountCol(), 3);
    EXPECT_EQ(matrixBack->CountRow(), 1);
}
