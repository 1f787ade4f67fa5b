#include "imaging/UJPEGImage.h"
#include "platform/Bitmap.h"
#include "platform/Stream.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
#include <memory>

namespace {

// Blocks of 8x8 in flat colours survive JPEG almost exactly.
std::unique_ptr<TBitmap> Blocks(int w, int h) {
    auto bitmap = std::make_unique<TBitmap>(w, h, pf24bit);
    TBitmap& b = *bitmap;
    for (int y = 0; y < h; ++y) {
        uint8_t* row = b.ScanLine(y);
        for (int x = 0; x < w; ++x) {
            const bool a = ((x / 8) + (y / 8)) % 2 == 0;
            row[3 * x] = a ? 200 : 20;     // blue
            row[3 * x + 1] = a ? 40 : 180; // green
            row[3 * x + 2] = a ? 30 : 220; // red
        }
    }
    b.Changed();
    return bitmap;
}

QByteArray Jpeg(const std::unique_ptr<TBitmap>& b) {
    TJPEGGraphic j;
    j.Assign(*b);
    return j.Data();
}

void ExpectNear(const uint8_t* px, int b, int g, int r, int tolerance) {
    EXPECT_NEAR(px[0], b, tolerance);
    EXPECT_NEAR(px[1], g, tolerance);
    EXPECT_NEAR(px[2], r, tolerance);
}

// A CMYK JPEG written by libjpeg (which adds the Adobe marker: inks stored inverted).
QByteArray CmykJpeg(const uint8_t cmyk[4]) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = 8;
    c.image_height = 8;
    c.input_components = 4;
    c.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 100, TRUE);
    jpeg_start_compress(&c, TRUE);
    uint8_t row[32];
    for (int i = 0; i < 8; ++i)
        std::copy(cmyk, cmyk + 4, row + 4 * i);
    while (c.next_scanline < c.image_height) {
        JSAMPROW r = row;
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    QByteArray bytes(reinterpret_cast<const char*>(out), qsizetype(size));
    std::free(out);
    return bytes;
}

} // namespace

TEST(JPEGGraphic, AssignedBitmapCompressesAndDecodesToItsColours) {
    const QByteArray data = Jpeg(Blocks(32, 16));
    ASSERT_TRUE(data.startsWith("\xff\xd8"));
    TJPEGGraphic j;
    j.SetData(data);
    EXPECT_EQ(j.Width(), 32);
    EXPECT_EQ(j.Height(), 16);
    const TBitmap& b = j.Bitmap();
    ASSERT_EQ(b.BitCount(), 24);
    ExpectNear(b.ScanLine(3) + 3 * 3, 200, 40, 30, 6);
    ExpectNear(b.ScanLine(3) + 3 * 12, 20, 180, 220, 6);
}

TEST(JPEGGraphic, FileBytesSurviveLoadAndStoreUnchanged) {
    QByteArray data = Jpeg(Blocks(16, 16));
    // A comment segment right after SOI: re-encoding would drop it, keeping the bytes does not.
    data.insert(2, QByteArray("\xff\xfe\x00\x07hello", 9));
    TMemoryStream in(data);
    TJPEGGraphic j;
    j.LoadFromStream(in);
    j.Bitmap(); // decoding must not change what is stored
    TMemoryStream out;
    j.SaveToStream(out);
    EXPECT_EQ(out.Data(), data);

    TMemoryStream stored;
    j.WriteData(stored);
    stored.WriteBytes("tail");
    stored.SetPosition(0);
    TJPEGGraphic k;
    k.ReadData(stored);
    EXPECT_EQ(k.Data(), data);
    EXPECT_EQ(stored.ReadBytes(4), QByteArray("tail"));
}

TEST(JPEGGraphic, ScaledDecodingGivesTheReducedSize) {
    TJPEGGraphic j;
    j.SetData(Jpeg(Blocks(65, 49)));
    EXPECT_EQ(j.ImageWidth(), 65);
    j.SetScale(jsHalf);
    EXPECT_EQ(j.Width(), 33);
    EXPECT_EQ(j.Height(), 25);
    EXPECT_EQ(j.Bitmap().Width(), 33);
    j.SetScale(jsEighth);
    EXPECT_EQ(j.Width(), 9);
    EXPECT_EQ(j.Bitmap().Height(), 7);
    j.SetPerformance(jpBestSpeed);
    EXPECT_EQ(j.Bitmap().Width(), 9);
}

TEST(JPEGGraphic, GreyAndCmykFilesDecodeToTheirColours) {
    TJPEGGraphic j;
    j.SetData(Jpeg(Blocks(16, 16)));
    j.SetGrayscale(true);
    EXPECT_EQ(j.Bitmap().BitCount(), 8);

    // Inverted inks: (255, 0, 255, 255) is magenta without black.
    const uint8_t magenta[4] = {255, 0, 255, 255};
    TJPEGGraphic c;
    c.SetData(CmykJpeg(magenta));
    ASSERT_EQ(c.Bitmap().BitCount(), 24);
    ExpectNear(c.Bitmap().ScanLine(4) + 12, 255, 0, 255, 3);
}

TEST(JPEGGraphic, DamagedDataFailsCleanly) {
    TJPEGGraphic j;
    j.SetData(Jpeg(Blocks(8, 8)));
    try {
        j.SetData(QByteArray("\xff\xd8\xff\xdb\x00\x02garbage", 14));
        ADD_FAILURE() << "a damaged header must be refused";
    } catch (const EJPEG& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("JPEG error #")));
    }
    // The former picture is kept.
    EXPECT_EQ(j.Width(), 8);
    EXPECT_THROW(j.SetData("not a jpeg"), EInvalidGraphic);
    // A header claiming 60000 x 60000 pixels over a few bytes of data: the header reads, the
    // decoder refuses before taking memory for pixels it would only invent.
    QByteArray claim = Jpeg(Blocks(8, 8));
    const qsizetype sof = claim.indexOf("\xff\xc0");
    ASSERT_GT(sof, 0);
    claim[sof + 5] = claim[sof + 7] = char(0xEA);
    claim[sof + 6] = claim[sof + 8] = char(0x60);
    j.SetData(claim);
    EXPECT_EQ(j.Width(), 60000);
    EXPECT_THROW(j.Bitmap(), EJPEG);

    // A stored length beyond the data.
    TMemoryStream s;
    s.WriteInt32(1000);
    s.WriteBytes("\xff\xd8");
    s.SetPosition(0);
    EXPECT_THROW(j.ReadData(s), EReadError);
}

TEST(JPEGGraphic, EmptyJpegStoresALengthOfZero) {
    TJPEGGraphic j;
    EXPECT_TRUE(j.Empty());
    TMemoryStream s;
    j.WriteData(s);
    EXPECT_EQ(s.Data(), QByteArray(4, '\0'));
    s.SetPosition(0);
    TJPEGGraphic k;
    k.ReadData(s);
    EXPECT_TRUE(k.Empty());
}
