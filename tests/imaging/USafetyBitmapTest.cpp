#include "imaging/USafetyBitmap.h"
#include "imaging/UZLIB.h"
#include "platform/Canvas.h"
#include "platform/Dib.h"
#include "platform/Picture.h"
#include "platform/Stream.h"
#include "tests/TestSupport.h"

#include <QPainter>
#include <QPrinter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using TestSupport::Hex;

namespace {

constexpr TColor kKey = RGB(255, 0, 255);

// 4 x 2: red, key, white, black / key, blue, key, green; transparent by the key colour.
const TColor kCells[2][4] = {{clRed, kKey, clWhite, clBlack}, {kKey, clBlue, kKey, clGreen}};

std::unique_ptr<TSafetyBitmap> Sample() {
    auto b = std::make_unique<TSafetyBitmap>(4, 2, pf24bit);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            b->Canvas().FillSolid(TRect(x, y, x + 1, y + 1), kCells[y][x]);
    b->SetTransparentColor(kKey);
    b->SetTransparent(true);
    return b;
}

QRgb Background(int x, int y) {
    return qRgb(x * 2 % 256, y * 3 % 256, 100);
}

} // namespace

TEST(SafetyBitmap, TransparentDrawOnAnImageKeepsTheBackgroundExactly) {
    auto bitmap = Sample();
    QImage target(80, 40, QImage::Format_RGB32);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 80; ++x)
            target.setPixel(x, y, Background(x, y));
    {
        TCanvas canvas(&target);
        canvas.SetBkColor(clYellow);
        canvas.SetTextColor(clAqua);
        bitmap->Draw(canvas, TRect(0, 0, 80, 40));
        // The canvas is given back as it was.
        EXPECT_EQ(canvas.CopyMode(), cmSrcCopy);
        EXPECT_EQ(canvas.BkColor(), clYellow);
        EXPECT_EQ(canvas.TextColor(), clAqua);
    }
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 80; ++x) {
            const TColor cell = kCells[y / 20][x / 20];
            const QRgb expected = cell == kKey ? Background(x, y) : ToQColor(cell).rgb();
            ASSERT_EQ(target.pixel(x, y), expected) << x << "," << y;
        }
    EXPECT_FALSE(bitmap->MaskedImage().MaskDirty());
    // Drawing into the bitmap marks mask and image for rebuilding.
    bitmap->Canvas().FillSolid(TRect(0, 0, 1, 1), kKey);
    EXPECT_TRUE(bitmap->MaskedImage().MaskDirty());
}

TEST(SafetyBitmap, TransparentDrawOnAPdfPrinterShowsTheBackgroundThroughTheKey) {
    QTemporaryDir folder;
    const QString pdf = folder.filePath(QStringLiteral("masked.pdf"));
    auto bitmap = Sample();
    TSafetyBitmap opaque(1, 1, pf24bit);
    opaque.Canvas().FillSolid(TRect(0, 0, 1, 1), clNavy);
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setResolution(72);
        printer.setPageSize(QPageSize(QPageSize::A6));
        printer.setFullPage(true);
        TCanvas canvas(&printer);
        ASSERT_TRUE(canvas.IsPrinter());
        canvas.FillSolid(TRect(0, 0, 100, 200), clYellow);
        canvas.FillSolid(TRect(100, 0, 200, 200), clAqua);
        bitmap->Draw(canvas, TRect(20, 20, 180, 100)); // cells of 40 x 40 points
        opaque.Draw(canvas, TRect(20, 120, 60, 160));
    }
    REQUIRE_CHECKER(TestSupport::HasPdftoppm(), "pdftoppm");
    const QImage page = TestSupport::RasterisePdf(pdf, 72);
    ASSERT_FALSE(page.isNull()) << "pdftoppm failed";
    QImage expected(page.size(), QImage::Format_RGB32);
    expected.fill(Qt::white);
    {
        QPainter p(&expected);
        p.fillRect(0, 0, 100, 200, QColor(255, 255, 0));
        p.fillRect(100, 0, 100, 200, QColor(0, 255, 255));
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 4; ++x)
                if (kCells[y][x] != kKey)
                    p.fillRect(20 + 40 * x, 20 + 40 * y, 40, 40, ToQColor(kCells[y][x]));
        p.fillRect(20, 120, 40, 40, QColor(0, 0, 128));
    }
    // The composed picture is stored without loss: exact inside the cells, edges aside.
    EXPECT_TRUE(TestSupport::ImagesMatch(page, expected, 0, {.SkipEdges = true}));
}

TEST(SafetyBitmap, CompressedBitmapLoadsToTheSamePixels) {
    auto bitmap = Sample();
    TMemoryStream plain;
    bitmap->SaveToStream(plain);
    TMemoryStream packed;
    bitmap->SaveToCompressedStream(packed);
    ASSERT_TRUE(packed.Data().startsWith("ZLIBCompress\x1a"));
    packed.SetPosition(0);
    TSafetyBitmap back;
    back.LoadFromStream(packed);
    EXPECT_EQ(back.Pixels(), bitmap->Pixels());
    EXPECT_EQ(packed.GetPosition(), packed.GetSize());

    // Through files: the picture finds the bitmap class for both extensions.
    RegisterSafetyBitmap();
    QTemporaryDir dir;
    TestSupport::WriteFile(dir.filePath(QStringLiteral("a.cbm")), packed.Data());
    TestSupport::WriteFile(dir.filePath(QStringLiteral("a.bmp")), plain.Data());
    for (const char* name : {"a.cbm", "a.bmp"}) {
        TPicture picture;
        picture.LoadFromFile(dir.filePath(QString::fromLatin1(name)));
        auto* loaded = dynamic_cast<TSafetyBitmap*>(picture.Graphic());
        ASSERT_NE(loaded, nullptr) << name;
        EXPECT_EQ(loaded->Pixels(), bitmap->Pixels()) << name;
    }
}

TEST(SafetyBitmap, StoredDataIsReadThroughExactlyItsLength) {
    auto bitmap = Sample();
    TMemoryStream s;
    bitmap->WriteData(s);
    const int64_t stored = s.GetSize();
    s.WriteBytes("after");
    s.SetPosition(0);
    TSafetyBitmap back;
    back.ReadData(s);
    EXPECT_EQ(back.Pixels(), bitmap->Pixels());
    EXPECT_EQ(s.GetPosition(), stored);

    // A bitmap file cut short inside its stored length fails without touching what follows.
    TMemoryStream file;
    bitmap->SaveToStream(file);
    const QByteArray cut = file.Data().left(40);
    TMemoryStream damaged;
    damaged.WriteInt32(int32_t(cut.size()));
    damaged.WriteBytes(cut);
    damaged.WriteBytes(file.Data());
    damaged.SetPosition(0);
    try {
        back.ReadData(damaged);
        ADD_FAILURE() << "a cut bitmap must be refused";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("ビットマップイメージが不正です"));
    }
    TMemoryStream negative(Hex("ffffffff"));
    EXPECT_THROW(back.ReadData(negative), EInvalidGraphic);
}

TEST(SafetyBitmap, AssigningASharedImageCopiesOnlyTransparency) {
    auto a = Sample();
    TSafetyBitmap b;
    b.Assign(*a);
    EXPECT_TRUE(b.Equals(a.get()));
    EXPECT_TRUE(b.Transparent());
    b.UpdateMask();
    ASSERT_FALSE(b.MaskedImage().MaskDirty());

    a->SetTransparentColor(clBlack);
    b.Assign(*a);
    EXPECT_EQ(b.TransparentColor(), clBlack);
    EXPECT_FALSE(b.MaskedImage().MaskDirty());
    // The mask still follows the new colour when drawn.
    TBitmap mask;
    b.GetMask(mask);
    EXPECT_TRUE(mask.Pixels().ConstScanLine(0)[0] & 0x10);  // black at x = 3
    EXPECT_FALSE(mask.Pixels().ConstScanLine(0)[0] & 0x40); // the old key at x = 1

    // Equal pixels in separate images are not "equal" bitmaps.
    TSafetyBitmap c(4, 2, pf24bit);
    c.SetPixels(a->Pixels().Converted(32).Converted(24));
    EXPECT_FALSE(c.Equals(a.get()));
}

TEST(SafetyBitmap, ClipboardBitmapsWithoutFileHeaderLoad) {
    // A 16-bit bit-field bitmap, 2 x 1: the rows follow the three masks directly.
    TMemoryStream dib;
    dib.WriteUInt32(40);
    dib.WriteInt32(2);
    dib.WriteInt32(1);
    dib.WriteUInt16(1);
    dib.WriteUInt16(16);
    dib.WriteUInt32(3); // BI_BITFIELDS
    for (int i = 0; i < 5; ++i)
        dib.WriteUInt32(0);
    dib.WriteUInt32(0xF800);
    dib.WriteUInt32(0x07E0);
    dib.WriteUInt32(0x001F);
    dib.WriteUInt16(0xF800); // red
    dib.WriteUInt16(0x001F); // blue
    TSafetyBitmap b;
    b.LoadFromClipboardFormat(CF_DIB, dib.Data());
    ASSERT_EQ(b.Width(), 2);
    EXPECT_GE(GetRValue(b.GetPixel(0, 0)), 248);
    EXPECT_EQ(GetBValue(b.GetPixel(0, 0)), 0);
    EXPECT_GE(GetBValue(b.GetPixel(1, 0)), 248);
    EXPECT_EQ(GetRValue(b.GetPixel(1, 0)), 0);

    // A whole bitmap file is taken as it is.
    auto sample = Sample();
    b.LoadFromClipboardFormat(CF_DIB, EncodeBitmapFile(sample->Pixels()));
    EXPECT_EQ(b.Pixels(), sample->Pixels());
}
