// The bitmap class and the bitmap file form it reads and writes.

#include "platform/Bitmap.h"
#include "platform/ByteOrder.h"
#include "platform/Canvas.h"
#include "platform/Dib.h"
#include "platform/Exception.h"
#include "platform/Stream.h"

#include "tests/TestSupport.h"

#include <gtest/gtest.h>

using TestSupport::Hex;

namespace {

// 2x2, 24 bits: red, green on top; blue, white below. Rows bottom-up, each padded to 8 bytes.
const char* const kGolden24 = "42 4D 46 00 00 00 00 00 00 00 36 00 00 00"
                              "28 00 00 00 02 00 00 00 02 00 00 00 01 00 18 00 00 00 00 00 10 00 00 00"
                              "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
                              "FF 00 00 FF FF FF 00 00"
                              "00 00 FF 00 FF 00 00 00";

PixelBuffer Golden24Pixels() {
    PixelBuffer pixels(2, 2, 24);
    uint8_t* top = pixels.ScanLine(0);
    top[2] = 0xFF; // red
    top[4] = 0xFF; // green
    uint8_t* bottom = pixels.ScanLine(1);
    bottom[0] = 0xFF; // blue
    bottom[3] = bottom[4] = bottom[5] = 0xFF;
    return pixels;
}

PixelBuffer Read(const QByteArray& bytes) {
    TMemoryStream stream(bytes);
    return ReadBitmapFile(stream);
}

void ExpectInvalid(const QByteArray& bytes, const char* what) {
    try {
        Read(bytes);
        ADD_FAILURE() << what << ": accepted";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("ビットマップイメージが不正です")) << what;
    }
}

} // namespace

TEST(BitmapFile, WritesTheGoldenBytes) {
    TBitmap bitmap;
    bitmap.SetPixels(Golden24Pixels());
    TMemoryStream stream;
    bitmap.SaveToStream(stream);
    EXPECT_EQ(stream.Data(), Hex(kGolden24));
}

TEST(BitmapFile, BothRowOrdersReadToTheSamePixels) {
    QByteArray topDown = Hex(kGolden24);
    PutLE32(topDown.data() + 22, uint32_t(-2));
    // Swap the two rows.
    const QByteArray rows = topDown.mid(54);
    topDown = topDown.left(54) + rows.mid(8) + rows.left(8);
    const PixelBuffer a = Read(Hex(kGolden24));
    const PixelBuffer b = Read(topDown);
    EXPECT_TRUE(a == Golden24Pixels());
    EXPECT_TRUE(b == Golden24Pixels());
}

TEST(BitmapFile, EveryBitDepthRoundTrips) {
    for (int bits : {1, 4, 8, 24, 32}) {
        PixelBuffer pixels(13, 5, bits);
        if (bits <= 8) {
            std::vector<TRGBQuad> table;
            for (int i = 0; i < (1 << bits); ++i)
                table.push_back(TRGBQuad(i * 0x010203) & 0xFFFFFF);
            pixels.SetColorTable(table);
        }
        const int used = int((int64_t(13) * bits + 7) / 8);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < used; ++x)
                pixels.ScanLine(y)[x] = uint8_t(x * 37 + y * 11);
        if (bits == 32) {
            for (int y = 0; y < 5; ++y)
                for (int x = 0; x < 13; ++x)
                    pixels.ScanLine(y)[4 * x + 3] = 0;
        }
        const QByteArray file = EncodeBitmapFile(pixels);
        const PixelBuffer back = Read(file);
        EXPECT_TRUE(back == pixels) << bits;
        EXPECT_EQ(EncodeBitmapFile(back), file) << bits;
    }
}

TEST(BitmapFile, SixteenBitRowsWidenToTwentyFour) {
    // 2x1, 5-5-5: pure red, pure blue.
    const QByteArray plain = Hex("42 4D 3A 00 00 00 00 00 00 00 36 00 00 00"
                                 "28 00 00 00 02 00 00 00 01 00 00 00 01 00 10 00 00 00 00 00 04 00 00 00"
                                 "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
                                 "00 7C 1F 00");
    const PixelBuffer a = Read(plain);
    EXPECT_EQ(a.BitCount(), 24);
    EXPECT_EQ(a.PixelRGB(0, 0), 0xFF0000u);
    EXPECT_EQ(a.PixelRGB(1, 0), 0x0000FFu);
    // 5-6-5 bit fields after a 40-byte header: mid green, full green.
    const QByteArray fields = Hex("42 4D 46 00 00 00 00 00 00 00 42 00 00 00"
                                  "28 00 00 00 02 00 00 00 01 00 00 00 01 00 10 00 03 00 00 00 04 00 00 00"
                                  "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
                                  "00 F8 00 00 E0 07 00 00 1F 00 00 00"
                                  "00 04 E0 07");
    const PixelBuffer b = Read(fields);
    EXPECT_EQ(b.PixelRGB(0, 0), 0x008200u); // 32 of 63 -> 130
    EXPECT_EQ(b.PixelRGB(1, 0), 0x00FF00u);
}

TEST(BitmapFile, CoreHeaderWithColourTriples) {
    // 1x1, 1 bit, 12-byte header, table of RGBTRIPLEs (black, yellow), pixel 1.
    const QByteArray core = Hex("42 4D 24 00 00 00 00 00 00 00 20 00 00 00"
                                "0C 00 00 00 01 00 01 00 01 00 01 00"
                                "00 00 00 00 FF FF"
                                "80 00 00 00");
    const PixelBuffer pixels = Read(core);
    EXPECT_EQ(pixels.BitCount(), 1);
    EXPECT_EQ(pixels.PixelRGB(0, 0), 0xFFFF00u);
}

TEST(BitmapFile, ValidPixelOffsetIsHonouredAndABadOneIgnored) {
    QByteArray gap = Hex(kGolden24);
    gap.insert(54, QByteArray(6, '\x77'));
    PutLE32(gap.data() + 10, 60);
    EXPECT_TRUE(Read(gap) == Golden24Pixels());
    QByteArray bogus = Hex(kGolden24);
    PutLE32(bogus.data() + 10, 0x7FFFFFF0);
    EXPECT_TRUE(Read(bogus) == Golden24Pixels());
    PutLE32(bogus.data() + 10, 3);
    EXPECT_TRUE(Read(bogus) == Golden24Pixels());
}

TEST(BitmapFile, DamagedFilesRaiseTheInvalidBitmapError) {
    const QByteArray good = Hex(kGolden24);
    ExpectInvalid(QByteArray(), "empty");
    ExpectInvalid(good.left(60), "short rows");
    ExpectInvalid(QByteArray("XM") + good.mid(2), "signature");
    QByteArray bad = good;
    PutLE32(bad.data() + 14, 200);
    ExpectInvalid(bad, "header size");
    bad = good;
    bad[26] = 2;
    ExpectInvalid(bad, "planes");
    bad = good;
    bad[28] = 7;
    ExpectInvalid(bad, "bit count");
    bad = good;
    PutLE32(bad.data() + 30, 1);
    ExpectInvalid(bad, "run-length compression");
    bad = good;
    PutLE32(bad.data() + 18, 0x7FFFFFFF);
    ExpectInvalid(bad, "huge width");
    bad = good;
    PutLE32(bad.data() + 22, 0x80000000u);
    ExpectInvalid(bad, "most negative height");
    bad = good;
    PutLE32(bad.data() + 18, 0);
    ExpectInvalid(bad, "zero width");
    bad = good;
    bad[28] = 8;
    PutLE32(bad.data() + 46, 300);
    ExpectInvalid(bad, "colour table beyond 256");
}

TEST(Bitmap, SizeChangesKeepThePixelsThatStayAndAddWhite) {
    TBitmap bitmap;
    bitmap.SetPixels(Golden24Pixels());
    bitmap.SetSize(3, 1);
    EXPECT_EQ(bitmap.GetPixel(0, 0), clRed);
    EXPECT_EQ(bitmap.GetPixel(1, 0), clLime);
    EXPECT_EQ(bitmap.GetPixel(2, 0), clWhite);
    EXPECT_EQ(bitmap.GetPixel(3, 0), clNone);
    EXPECT_THROW(bitmap.ScanLine(1), EInvalidGraphic);
    EXPECT_THROW(bitmap.ScanLine(-1), EInvalidGraphic);
}

TEST(Bitmap, PixelFormatChangesConvertPixels) {
    TBitmap bitmap;
    bitmap.SetPixels(Golden24Pixels());
    bitmap.SetPixelFormat(pf32bit);
    EXPECT_EQ(bitmap.BitCount(), 32);
    EXPECT_EQ(bitmap.GetPixel(0, 1), clBlue);
    bitmap.SetPixelFormat(pf16bit);
    EXPECT_EQ(bitmap.PixelFormat(), pf24bit);
    bitmap.SetMonochrome(true);
    EXPECT_EQ(bitmap.ColorTable(), (std::vector<TRGBQuad>{0x000000, 0xFFFFFF}));
    EXPECT_EQ(bitmap.GetPixel(1, 1), clWhite);
    EXPECT_EQ(bitmap.GetPixel(0, 1), clBlack);
}

TEST(Bitmap, TransparentColourIsBottomLeftUntilFixed) {
    TBitmap bitmap;
    bitmap.SetPixels(Golden24Pixels());
    EXPECT_EQ(bitmap.TransparentMode(), tmAuto);
    EXPECT_EQ(bitmap.TransparentColor(), clBlue);
    bitmap.SetTransparentColor(0xF0F0F0);
    EXPECT_EQ(bitmap.TransparentMode(), tmFixed);
    EXPECT_EQ(bitmap.TransparentColor(), 0xF0F0F0);
    bitmap.SetTransparentMode(tmAuto);
    EXPECT_EQ(bitmap.TransparentColor(), clBlue);
}

TEST(Bitmap, AssignSharesAndDrawingAfterwardsTouchesOnlyOne) {
    TBitmap a(4, 4);
    a.Canvas().Brush().Color = clBlack;
    a.Canvas().FillRect(Rect(0, 0, 4, 4));
    TBitmap b;
    b.Assign(a);
    EXPECT_TRUE(b.SharesImage(a));
    EXPECT_TRUE(b.Equals(&a));
    a.Canvas().Brush().Color = clRed;
    a.Canvas().FillRect(Rect(0, 0, 2, 2));
    EXPECT_FALSE(b.SharesImage(a));
    EXPECT_EQ(a.GetPixel(0, 0), clRed);
    EXPECT_EQ(b.GetPixel(0, 0), clBlack);
    EXPECT_FALSE(b.Equals(&a));
}

TEST(Bitmap, CanvasDrawingReachesScanLinesAndReportsChanges) {
    TBitmap bitmap(3, 1);
    int changes = 0;
    bitmap.OnChange = [&](TObject*) { ++changes; };
    bitmap.Canvas().Brush().Color = RGB(1, 2, 3);
    bitmap.Canvas().FillRect(Rect(1, 0, 2, 1));
    EXPECT_EQ(bitmap.ScanLine(0)[3], 3);
    EXPECT_EQ(bitmap.ScanLine(0)[5], 1);
    EXPECT_GE(changes, 1);
    // Writing scan lines and drawing mix freely.
    bitmap.ScanLine(0)[0] = 0;
    bitmap.Canvas().SetPixel(2, 0, clBlack);
    EXPECT_EQ(bitmap.GetPixel(2, 0), clBlack);
    EXPECT_EQ(bitmap.ScanLine(0)[0], 0);
}

TEST(Bitmap, IndexedCanvasesLandOnTableColours) {
    TBitmap mono(10, 1, pf1bit);
    mono.SetColorTable({0x000000, 0xFFFFFF});
    mono.Canvas().Brush().Color = clWhite;
    mono.Canvas().FillRect(Rect(0, 0, 10, 1));
    mono.Canvas().Brush().Color = clBlack;
    mono.Canvas().FillRect(Rect(2, 0, 4, 1));
    EXPECT_EQ(mono.ScanLine(0)[0], 0xCF);
    EXPECT_EQ(mono.ScanLine(0)[1] & 0xC0, 0xC0);

    TBitmap indexed(2, 1, pf8bit);
    indexed.SetColorTable({0x000000, 0xFF0000, 0x0000FF});
    indexed.Canvas().Brush().Color = RGB(250, 10, 0);
    indexed.Canvas().FillRect(Rect(0, 0, 1, 1));
    EXPECT_EQ(indexed.ScanLine(0)[0], 1);
}

TEST(Bitmap, TransparentDrawLeavesTheKeyColourUnpainted) {
    TBitmap bitmap;
    bitmap.SetPixels(Golden24Pixels());
    bitmap.SetTransparent(true);
    bitmap.SetTransparentColor(clLime);
    QImage target(2, 2, QImage::Format_RGB32);
    target.fill(qRgb(9, 9, 9));
    {
        TCanvas canvas(&target);
        canvas.StretchDraw(Rect(0, 0, 2, 2), bitmap);
    }
    EXPECT_EQ(target.pixel(0, 0) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(target.pixel(1, 0) & 0xFFFFFF, 0x090909u);
    EXPECT_EQ(target.pixel(0, 1) & 0xFFFFFF, 0x0000FFu);
}

TEST(Bitmap, StoredDataFormReadsExactlyItsLength) {
    TBitmap bitmap;
    bitmap.SetPixels(Golden24Pixels());
    TMemoryStream stream;
    bitmap.WriteData(stream);
    stream.WriteUInt32(0xDEADBEEF);
    EXPECT_EQ(stream.GetSize(), 4 + 70 + 4);
    stream.SetPosition(0);
    TBitmap back;
    back.ReadData(stream);
    EXPECT_TRUE(back.Pixels() == bitmap.Pixels());
    EXPECT_EQ(stream.ReadUInt32(), 0xDEADBEEFu);

    // A length beyond the data, or a file shorter than its length says, fails cleanly.
    TMemoryStream claim(Hex("FF FF 00 00 42 4D"));
    EXPECT_THROW(back.ReadData(claim), EInvalidGraphic);
    QByteArray cut = Hex("20 00 00 00") + Hex(kGolden24).left(32) + Hex("AA BB CC DD");
    TMemoryStream shortFile(cut);
    EXPECT_THROW(back.ReadData(shortFile), EInvalidGraphic);
}

TEST(Bitmap, OneBitFilesDrawInTheirOwnColoursAndMasksInTheCanvasColours) {
    // White-then-black, and dark blue on cream; pixel 0 takes entry 0, pixel 1 entry 1.
    for (const std::vector<TRGBQuad>& table :
         {std::vector<TRGBQuad>{0xFFFFFF, 0x000000}, std::vector<TRGBQuad>{0xFFF8DC, 0x102060}}) {
        PixelBuffer bits(2, 1, 1);
        bits.SetColorTable(table);
        bits.ScanLine(0)[0] = 0x40;
        TMemoryStream file(EncodeBitmapFile(bits));
        TBitmap picture;
        picture.LoadFromStream(file);
        EXPECT_EQ(picture.HandleType(), bmDIB);
        const auto drawn = [&](TCopyMode mode) {
            QImage image(2, 1, QImage::Format_RGB32);
            image.fill(Qt::white);
            TCanvas canvas(&image);
            canvas.SetTextColor(clRed);
            canvas.SetBkColor(clLime);
            canvas.SetCopyMode(mode);
            canvas.Draw(0, 0, picture);
            canvas.FreeHandle();
            return std::vector<QRgb>{image.pixel(0, 0) & 0xFFFFFF, image.pixel(1, 0) & 0xFFFFFF};
        };
        EXPECT_EQ(drawn(cmSrcCopy), table) << std::hex << table[0];
        // Made a mask, it is black where the picture is dark and white where it is light, and
        // raster operations paint it in the text and background colours.
        picture.SetMonochrome(true);
        EXPECT_EQ(picture.HandleType(), bmDDB);
        EXPECT_EQ(picture.GetPixel(0, 0), clWhite);
        EXPECT_EQ(picture.GetPixel(1, 0), clBlack);
        EXPECT_EQ(drawn(cmSrcCopy), (std::vector<QRgb>{0x00FF00, 0xFF0000}));
        EXPECT_EQ(drawn(cmSrcAnd), (std::vector<QRgb>{0x00FF00, 0xFF0000}));
        // A pixel format asked for by name is device-independent again, in the same colours.
        picture.SetPixelFormat(pf1bit);
        EXPECT_EQ(picture.HandleType(), bmDIB);
        EXPECT_EQ(drawn(cmSrcCopy), (std::vector<QRgb>{0xFFFFFF, 0x000000}));
    }
}
