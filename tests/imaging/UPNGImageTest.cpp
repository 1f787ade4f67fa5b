#include "imaging/UPNGImage.h"
#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Exception.h"
#include "platform/Stream.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace {

QImage Sample() {
    QImage image(3, 2, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(255, 0, 0, 255));
    image.setPixel(1, 0, qRgba(0, 255, 0, 128));
    image.setPixel(2, 0, qRgba(0, 0, 255, 0));
    image.setPixel(0, 1, qRgba(10, 20, 30, 255));
    image.setPixel(1, 1, qRgba(40, 50, 60, 255));
    image.setPixel(2, 1, qRgba(70, 80, 90, 255));
    return image;
}

QByteArray Chunk(const char* type, const QByteArray& body) {
    QByteArray c;
    const uint32_t n = uint32_t(body.size());
    c.append(char(n >> 24)).append(char(n >> 16)).append(char(n >> 8)).append(char(n));
    const QByteArray typed = QByteArray(type) + body;
    c.append(typed);
    const uint32_t crc =
        uint32_t(crc32(0, reinterpret_cast<const Bytef*>(typed.constData()), uInt(typed.size())));
    c.append(char(crc >> 24)).append(char(crc >> 16)).append(char(crc >> 8)).append(char(crc));
    return c;
}

} // namespace

TEST(PNGImage, ColoursAndAlphaRoundTripExactly) {
    TPNGImage png;
    png.SetImage(Sample());
    ASSERT_TRUE(png.Data().startsWith("\x89PNG\r\n\x1a\n"));
    EXPECT_TRUE(png.Transparent());
    TPNGImage back;
    back.SetData(png.Data());
    EXPECT_EQ(back.Image(), Sample());
    EXPECT_EQ(back.Width(), 3);
    EXPECT_EQ(back.Height(), 2);
}

TEST(PNGImage, GreyPicturesAreStoredAsGreyAndComeBackExactly) {
    QImage grey(256, 3, QImage::Format_ARGB32);
    for (int x = 0; x < 256; ++x)
        for (int y = 0; y < 3; ++y)
            grey.setPixel(x, y, qRgb(x, x, x));
    TPNGImage png;
    png.SetImage(grey);
    // The colour type byte of the header chunk: 0 is grey.
    EXPECT_EQ(png.Data().at(8 + 8 + 9), char(0));
    EXPECT_EQ(png.Image(), grey);
    // One pixel off grey makes the whole picture colour.
    grey.setPixel(5, 1, qRgb(5, 5, 6));
    png.SetImage(grey);
    EXPECT_EQ(png.Data().at(8 + 8 + 9), char(2));
    EXPECT_EQ(png.Image(), grey);
}

TEST(PNGImage, StoredFormKeepsTheBytesAndEndsAtItsLength) {
    TPNGImage png;
    png.SetImage(Sample());
    TMemoryStream s;
    png.WriteData(s);
    s.WriteBytes("next");
    s.SetPosition(0);
    EXPECT_EQ(s.ReadInt32(), png.Data().size());
    s.SetPosition(0);
    TPNGImage back;
    back.ReadData(s);
    EXPECT_EQ(back.Data(), png.Data());
    EXPECT_EQ(s.ReadBytes(4), QByteArray("next"));
}

TEST(PNGImage, AssignedBitmapIsOpaque) {
    TBitmap b(2, 2, pf24bit);
    b.Canvas().FillSolid(TRect(0, 0, 2, 2), RGB(1, 2, 3));
    TPNGImage png;
    png.Assign(b);
    EXPECT_FALSE(png.Transparent());
    EXPECT_EQ(png.Image().pixel(1, 1), qRgb(1, 2, 3));
}

TEST(PNGImage, DamagedOrHugeFilesAreRefusedAndTheFormerImageStays) {
    TPNGImage png;
    png.SetImage(Sample());
    const QByteArray good = png.Data();
    QByteArray bad = good;
    bad[20] = char(bad[20] ^ 0x40); // inside IHDR: its CRC no longer fits
    EXPECT_THROW(png.SetData(bad), EInvalidGraphic);
    EXPECT_THROW(png.SetData(good.left(good.size() / 2)), EInvalidGraphic);
    EXPECT_EQ(png.Data(), good);

    // 60000 x 60000 pixels claimed by a few bytes: refused before any pixel memory is taken.
    QByteArray ihdr;
    for (uint32_t v : {60000u, 60000u}) {
        ihdr.append(char(v >> 24)).append(char(v >> 16)).append(char(v >> 8)).append(char(v));
    }
    ihdr.append(char(8)).append(char(2)).append(char(0)).append(char(0)).append(char(0));
    const QByteArray huge = QByteArray("\x89PNG\r\n\x1a\n", 8) + Chunk("IHDR", ihdr) + Chunk("IEND", {});
    EXPECT_THROW(png.SetData(huge), EInvalidGraphic);
}

TEST(PNGImage, DrawsWithItsAlphaOverTheCanvas) {
    TPNGImage png;
    png.SetImage(Sample());
    QImage target(3, 2, QImage::Format_RGB32);
    target.fill(qRgb(255, 255, 255));
    {
        TCanvas canvas(&target);
        png.Draw(canvas, TRect(0, 0, 3, 2));
    }
    EXPECT_EQ(target.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(target.pixel(2, 0), qRgb(255, 255, 255)); // fully transparent
    EXPECT_NEAR(qRed(target.pixel(1, 0)), 127, 2);      // half over white
    EXPECT_EQ(qGreen(target.pixel(1, 0)), 255);
}
