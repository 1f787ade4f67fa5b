#include "imaging/UPictureUtil.h"

#include "imaging/UJPEGImage.h"
#include "imaging/UPictureEX.h"
#include "imaging/USafetyBitmap.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray JpegBytes(int w, int h, bool exif) {
    TSafetyBitmap bitmap(w, h, pf24bit);
    TJPEGGraphic jpeg;
    jpeg.Assign(bitmap);
    jpeg.Compress();
    QByteArray data = jpeg.Data();
    if (exif) {
        // APP1 "Exif" with a little-endian TIFF header and an empty first directory.
        const QByteArray payload = QByteArray("Exif\0\0II*\0\x08\0\0\0\0\0\0\0\0\0", 20);
        QByteArray segment("\xFF\xE1", 2);
        segment.append(char((payload.size() + 2) >> 8))
            .append(char((payload.size() + 2) & 0xFF))
            .append(payload);
        data.insert(2, segment);
    }
    return data;
}

} // namespace

TEST(PictureUtilTest, LoadedPicturesShrinkToTheLimitUnlessExif) {
    QTemporaryDir dir;
    const int saved = PictureSizeLimit.load();
    PictureSizeLimit = 1500;
    for (bool exif : {false, true}) {
        const QString file = dir.filePath(exif ? "exif.jpg" : "plain.jpg");
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(JpegBytes(2000, 1000, exif));
        f.close();
        TPictureEx picture;
        ASSERT_TRUE(LoadPictureFile(nullptr, &picture, file));
        EXPECT_EQ(IsExifPicture(&picture), exif);
        EXPECT_EQ(picture.Width(), exif ? 2000 : 1500);
        EXPECT_EQ(picture.Height(), exif ? 1000 : 750);
        EXPECT_EQ(picture.ImageID(), file);
    }
    PictureSizeLimit = saved;
    TPictureEx picture;
    EXPECT_THROW(LoadPictureFile(nullptr, &picture, dir.filePath("x.pcd")), Exception);
    SetPhotoCDLoader([](QWidget*, const QString&, TPicture&) { return false; });
    EXPECT_FALSE(LoadPictureFile(nullptr, &picture, dir.filePath("x.PCD")));
    SetPhotoCDLoader({});
}

TEST(PictureUtilTest, ColorSampleHasItsOutlineAndBackground) {
    auto sample = MakeColorSampleBitmap(clRed, 6, 4);
    EXPECT_EQ(sample->GetPixel(0, 0), clWhite);
    EXPECT_EQ(sample->GetPixel(1, 0), clGray);
    EXPECT_EQ(sample->GetPixel(5, 3), clGray);
    EXPECT_EQ(sample->GetPixel(3, 2), clRed);
    auto white = MakeColorSampleBitmap(clWhite, 6, 4);
    EXPECT_EQ(white->GetPixel(0, 2), clBlack);
    auto gray = MakeColorSampleBitmap(clGray, 6, 4);
    EXPECT_EQ(gray->GetPixel(1, 1), clSilver);
    EXPECT_EQ(gray->GetPixel(3, 2), clGray);
}
