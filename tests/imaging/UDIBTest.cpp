#include "imaging/UDIB.h"

#include "imaging/UZLIB.h"
#include "platform/ByteOrder.h"
#include "platform/Canvas.h"
#include "platform/Dib.h"
#include "platform/Exception.h"
#include "platform/Stream.h"

#include "tests/TestSupport.h"

#include <QFileInfo>
#include <cstring>
#include <gtest/gtest.h>

using TestSupport::Hex;

namespace {

// A bottom-up 24-bit file of w x h whose row y (from the top) is grey level y * 10.
QByteArray GreyRowsFile(int w, int h) {
    PixelBuffer pixels(w, h, 24);
    for (int y = 0; y < h; ++y)
        std::memset(pixels.ScanLine(y), y * 10, size_t(w) * 3);
    return EncodeBitmapFile(pixels);
}

// A stream that is neither a memory stream nor a container, reading from bytes.
class PlainStream : public TStream {
public:
    explicit PlainStream(const QByteArray& bytes) : memory_(bytes) {}
    int64_t Read(void* buffer, int64_t count) override { return memory_.Read(buffer, count); }
    int64_t Write(const void* buffer, int64_t count) override { return memory_.Write(buffer, count); }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override { return memory_.Seek(offset, origin); }
    int64_t GetSize() override { return memory_.GetSize(); }
    void SetSize(int64_t size) override { memory_.SetSize(size); }

private:
    TMemoryStream memory_;
};

// 1x1, 1 bit, pixel 1; table entries black and red; biClrUsed as given; bfOffBits 0 (unusable),
// so the rows are found right after the table.
QByteArray OneBitFile(uint32_t clrUsed) {
    QByteArray file = Hex("42 4D 00 00 00 00 00 00 00 00 00 00 00 00"
                          "28 00 00 00 01 00 00 00 01 00 00 00 01 00 01 00 00 00 00 00 00 00 00 00"
                          "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
    PutLE32(file.data() + 46, clrUsed);
    file += Hex("00 00 00 00");
    if (clrUsed != 1)
        file += Hex("00 00 FF 00");
    file += Hex("80 00 00 00");
    return file;
}

} // namespace

TEST(DIBQuantities, FollowTheHeaderRules) {
    EXPECT_EQ(DIBColorCount(1), 2);
    EXPECT_EQ(DIBColorCount(4), 16);
    EXPECT_EQ(DIBColorCount(8), 256);
    EXPECT_EQ(DIBColorCount(24), 0);
    QByteArray info = Hex("28 00 00 00 11 00 00 00 03 00 00 00 01 00 10 00 03 00 00 00 00 00 00 00"
                          "00 00 00 00 00 00 00 00 05 00 00 00 00 00 00 00");
    const auto* p = reinterpret_cast<const uint8_t*>(info.constData());
    // 16-bit bit fields: three masks after the header, whatever biClrUsed says.
    EXPECT_EQ(DIBInfoSize(p), 52);
    EXPECT_EQ(DIBNumColors(p), 5);
    EXPECT_EQ(DIBImageSize(p), 36 * 3); // biSizeImage 0: computed from the size
    EXPECT_EQ(DIBFileHeaderAndInfoSize(p), 66);
    const QByteArray core = Hex("0C 00 00 00 04 00 02 00 01 00 04 00");
    const auto* c = reinterpret_cast<const uint8_t*>(core.constData());
    EXPECT_EQ(DIBNumColors(c), 16);
    EXPECT_EQ(DIBInfoSize(c), 12 + 48);
    EXPECT_EQ(DIBImageSize(c), 8);
}

TEST(DIBQuantities, SignatureCheckNeedsBM) {
    const uint8_t good[] = {'B', 'M'};
    const uint8_t bad[] = {'M', 'B'};
    EXPECT_NO_THROW(CheckBitmapSignature(good, 2));
    EXPECT_THROW(CheckBitmapSignature(bad, 2), EInvalidGraphic);
    EXPECT_THROW(CheckBitmapSignature(good, 1), EInvalidGraphic);
}

TEST(BMPInfo, StartsAsA24BitHeaderAndConvertsCoreHeaders) {
    TBMPInfo info;
    EXPECT_EQ(info.Size(), 40);
    EXPECT_EQ(info.HeaderSize(), 40u);
    EXPECT_EQ(info.BitCount(), 24);
    const QByteArray core = Hex("0C 00 00 00 03 00 02 00 01 00 01 00  11 22 33  44 55 66");
    info.AssignHeader(reinterpret_cast<const uint8_t*>(core.constData()), core.size());
    EXPECT_EQ(info.Size(), 48);
    EXPECT_EQ(info.Width(), 3);
    EXPECT_EQ(info.Height(), 2);
    EXPECT_EQ(info.BitCount(), 1);
    const QByteArray table(reinterpret_cast<const char*>(info.ColorTable()), 8);
    EXPECT_EQ(table, Hex("11 22 33 00 44 55 66 00"));
    EXPECT_THROW(info.AssignHeader(reinterpret_cast<const uint8_t*>(core.constData()), core.size() - 1),
                 EInvalidGraphic);
}

TEST(DIB, ShortColourTableMovesTheRowsForward) {
    TDIB full;
    TMemoryStream a(OneBitFile(0));
    full.LoadFromStream(a);
    EXPECT_EQ(full.Info().Size(), 48);
    EXPECT_EQ(full.Pixels().PixelRGB(0, 0), 0xFF0000u);
    TDIB one;
    TMemoryStream b(OneBitFile(1));
    one.LoadFromStream(b);
    EXPECT_EQ(one.Info().Size(), 44);
    // Pixel index 1 past a one-entry table shows that entry rather than reading outside it.
    EXPECT_EQ(one.Pixels().PixelRGB(0, 0), 0x000000u);
    EXPECT_EQ(b.GetPosition(), b.GetSize());
}

TEST(DIB, MemoryStreamIsReadInPlaceAndLeftAfterTheFile) {
    const QByteArray file = GreyRowsFile(3, 4);
    TMemoryStream stream(Hex("AA BB CC") + file + Hex("DD EE"));
    stream.SetPosition(3);
    TDIB dib;
    dib.LoadFromStream(stream);
    EXPECT_EQ(stream.GetPosition(), 3 + file.size());
    EXPECT_EQ(dib.Width(), 3);
    EXPECT_EQ(dib.Height(), 4);
    EXPECT_EQ(dib.Pixels().PixelRGB(1, 3), 0x1E1E1Eu);
}

TEST(DIB, OtherStreamsStopAtTheEndOfATinyFile) {
    // A 1x1 core-header file of 32 bytes, followed by data that must stay unread.
    const QByteArray tiny = Hex("42 4D 20 00 00 00 00 00 00 00 1A 00 00 00"
                                "0C 00 00 00 01 00 01 00 01 00 18 00"
                                "01 02 03 00");
    PlainStream stream(tiny + Hex("11 22 33 44 55 66 77 88 99 00 11 22 33 44 55 66 77 88 99 00 11 22 33 44"));
    TDIB dib;
    dib.LoadFromStream(stream);
    EXPECT_EQ(stream.GetPosition(), tiny.size());
    EXPECT_EQ(dib.Pixels().PixelRGB(0, 0), 0x030201u);
    EXPECT_EQ(stream.ReadByte(), 0x11);
}

TEST(DIB, CompressedBitmapLoadsTheSamePixels) {
    const QByteArray file = GreyRowsFile(5, 3);
    TMemoryStream source(file);
    TMemoryStream packed;
    ZLIBCompressStream(source, packed, TCompressionLevel::clMax);
    packed.WriteBytes(Hex("01 02"));
    packed.SetPosition(0);
    TDIB plain;
    TMemoryStream plainStream(file);
    plain.LoadFromStream(plainStream);
    TDIB unpacked;
    unpacked.LoadFromStream(packed);
    EXPECT_TRUE(unpacked.Pixels() == plain.Pixels());
    EXPECT_EQ(packed.ReadByte(), 0x01);
}

TEST(DIB, BottomUpSourceRectanglesCountFromTheTop) {
    TDIB dib;
    TMemoryStream stream(GreyRowsFile(4, 20));
    dib.LoadFromStream(stream);
    QImage image(4, 10, QImage::Format_RGB32);
    image.fill(Qt::white);
    TCanvas canvas(&image);
    EXPECT_TRUE(dib.DrawDirect(canvas, Rect(0, 0, 4, 10), Rect(0, 0, 4, 10)));
    canvas.FreeHandle();
    EXPECT_EQ(image.pixel(0, 0) & 0xFFFFFF, 0x000000u);
    EXPECT_EQ(image.pixel(0, 9) & 0xFFFFFF, 0x5A5A5Au);
}

TEST(DIB, AssignSharesPixelsAndBitmapsShareBack) {
    TBitmap bitmap(3, 2);
    bitmap.Canvas().Brush().Color = clRed;
    bitmap.Canvas().FillRect(Rect(0, 0, 1, 1));
    TDIB dib;
    dib.LoadFromBitmap(bitmap);
    EXPECT_EQ(dib.Info().Height(), -2);
    EXPECT_EQ(dib.Pixels().ConstBits(), bitmap.Pixels().ConstBits());
    TDIB copy;
    copy.Assign(dib);
    EXPECT_EQ(copy.Holder(), dib.Holder());
    TBitmap back;
    copy.SaveToBitmap(back);
    EXPECT_TRUE(back.SharesImage(bitmap));
    EXPECT_EQ(back.GetPixel(0, 0), clRed);

    TDIB fromFile;
    TMemoryStream stream(GreyRowsFile(2, 2));
    fromFile.LoadFromStream(stream);
    fromFile.SaveToBitmap(back);
    EXPECT_EQ(back.Width(), 2);
    EXPECT_EQ(back.GetPixel(0, 1), 0x0A0A0A);
}

TEST(DIB, FailedLoadKeepsTheFormerBlock) {
    TDIB dib;
    TMemoryStream good(GreyRowsFile(2, 3));
    dib.LoadFromStream(good);
    TMemoryStream bad(GreyRowsFile(2, 3).left(40));
    EXPECT_THROW(dib.LoadFromStream(bad), EInvalidGraphic);
    EXPECT_EQ(dib.Height(), 3);
    EXPECT_EQ(dib.Pixels().PixelRGB(0, 2), 0x141414u);
}

TEST(DIB, EmptyBlockDrawsNothingAndSucceeds) {
    TDIB dib;
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(Qt::white);
    const QImage before = image;
    {
        TCanvas canvas(&image);
        EXPECT_TRUE(dib.DrawDirect(canvas, Rect(0, 0, 2, 2), Rect(0, 0, 2, 2)));
    }
    EXPECT_TRUE(dib.Empty());
    EXPECT_EQ(image, before);
}

TEST(DIB, DamagedFilesRaiseTheInvalidBitmapErrorOnly) {
    const QByteArray good = GreyRowsFile(3, 3);
    std::vector<QByteArray> damaged = {QByteArray(), QByteArray("B"), good.left(20),
                                       good.left(good.size() - 1)};
    QByteArray huge = good;
    PutLE32(huge.data() + 18, 0x40000000);
    damaged.push_back(huge);
    QByteArray rle = good;
    PutLE32(rle.data() + 30, 2);
    damaged.push_back(rle);
    QByteArray claimed = good;
    PutLE32(claimed.data() + 14 + 20, 0x7FFFFFFF); // biSizeImage of a non-RGB header
    PutLE32(claimed.data() + 30, 3);
    damaged.push_back(claimed);
    for (const QByteArray& bytes : damaged) {
        for (int kind = 0; kind < 2; ++kind) {
            TDIB dib;
            TMemoryStream memory(bytes);
            PlainStream plain(bytes);
            TStream& stream = kind == 0 ? static_cast<TStream&>(memory) : plain;
            try {
                dib.LoadFromStream(stream);
                ADD_FAILURE() << "accepted " << bytes.size() << " bytes";
            } catch (const EInvalidGraphic& e) {
                EXPECT_EQ(e.Message(), QStringLiteral("ビットマップイメージが不正です"));
            }
            EXPECT_TRUE(dib.Empty());
        }
    }
}

TEST(DIB, CorpusValidFilesLoadAndDamagedOnesFailWithAClearError) {
    const QStringList files =
        TestSupport::FilesIn(TestSupport::SourcePath(QStringLiteral("fuzz/bmp/corpus")));
    ASSERT_GE(files.size(), 40);
    for (const QString& path : files) {
        const bool valid = QFileInfo(path).fileName().startsWith(QLatin1String("valid_"));
        TDIB dib;
        TMemoryStream stream(TestSupport::ReadFile(path));
        try {
            dib.LoadFromStream(stream);
            EXPECT_TRUE(valid) << path.toStdString();
            EXPECT_FALSE(dib.Pixels().IsNull());
        } catch (const Exception& e) {
            EXPECT_FALSE(valid) << path.toStdString() << ": " << e.what();
            // Only a damaged container reports its own error; every damaged bitmap the same one.
            if (!QFileInfo(path).fileName().startsWith(QLatin1String("packed_"))) {
                EXPECT_EQ(e.Message(), QStringLiteral("ビットマップイメージが不正です"))
                    << path.toStdString();
            }
        }
    }
}
