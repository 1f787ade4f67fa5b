#include "platform/Icon.h"
#include "platform/Canvas.h"
#include "platform/Exception.h"
#include "platform/Stream.h"

#include <QBuffer>
#include <gtest/gtest.h>

namespace {

// An icon file around the given images; each image's directory entry names w x h and bits.
struct Entry {
    int w, h, bits;
    QByteArray image;
};

QByteArray IconFile(const std::vector<Entry>& entries) {
    TMemoryStream s;
    s.WriteUInt16(0);
    s.WriteUInt16(1);
    s.WriteUInt16(uint16_t(entries.size()));
    uint32_t offset = uint32_t(6 + 16 * entries.size());
    for (const Entry& e : entries) {
        s.WriteByte(uint8_t(e.w));
        s.WriteByte(uint8_t(e.h));
        s.WriteByte(0);
        s.WriteByte(0);
        s.WriteUInt16(1);
        s.WriteUInt16(uint16_t(e.bits));
        s.WriteUInt32(uint32_t(e.image.size()));
        s.WriteUInt32(offset);
        offset += uint32_t(e.image.size());
    }
    for (const Entry& e : entries)
        s.WriteBytes(e.image);
    return s.Data();
}

QByteArray DibHeader(int w, int h, int bits, int colors = 0) {
    TMemoryStream s;
    s.WriteUInt32(40);
    s.WriteInt32(w);
    s.WriteInt32(2 * h);
    s.WriteUInt16(1);
    s.WriteUInt16(uint16_t(bits));
    for (int i = 0; i < 4; ++i)
        s.WriteUInt32(0);
    s.WriteUInt32(uint32_t(colors));
    s.WriteUInt32(0);
    return s.Data();
}

// 2 x 2, 32 bits (B, G, R, A) with alpha, rows bottom-up: the bottom row is blue at half alpha
// and clear, the top row red (opaque) and green at half alpha. The AND mask is all zero.
QByteArray AlphaImage() {
    QByteArray d = DibHeader(2, 2, 32);
    d += QByteArray::fromHex("ff000080 00000000");
    d += QByteArray::fromHex("0000ffff 00ff0080");
    d += QByteArray(8, '\0');
    return d;
}

} // namespace

TEST(Icon, ThirtyTwoBitImageKeepsItsAlphaAndRowOrder) {
    TIcon icon;
    TMemoryStream s(IconFile({{2, 2, 32, AlphaImage()}}));
    icon.LoadFromStream(s);
    ASSERT_EQ(icon.Width(), 2);
    const QImage& im = icon.Image();
    EXPECT_EQ(im.pixel(0, 0), qRgba(255, 0, 0, 255));
    EXPECT_EQ(im.pixel(1, 0), qRgba(0, 255, 0, 128));
    EXPECT_EQ(im.pixel(0, 1), qRgba(0, 0, 255, 128));
    EXPECT_EQ(qAlpha(im.pixel(1, 1)), 0);
}

TEST(Icon, MaskMakesPixelsOfPalettedIconsTransparent) {
    // 1 bit, 3 wide: table black, white; top row 1,0,1; bottom row 0,1,0; mask clears the
    // top-right pixel only.
    QByteArray d = DibHeader(3, 2, 1, 2);
    d += QByteArray::fromHex("00000000 ffffff00");
    d += QByteArray::fromHex("40000000"); // bottom row: 0 1 0
    d += QByteArray::fromHex("a0000000"); // top row: 1 0 1
    d += QByteArray::fromHex("00000000"); // mask bottom
    d += QByteArray::fromHex("20000000"); // mask top: x = 2 transparent
    TIcon icon;
    TMemoryStream s(IconFile({{3, 2, 1, d}}));
    icon.LoadFromStream(s);
    const QImage& im = icon.Image();
    EXPECT_EQ(im.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(im.pixel(1, 0), qRgb(0, 0, 0));
    EXPECT_EQ(qAlpha(im.pixel(2, 0)), 0);
    EXPECT_EQ(im.pixel(1, 1), qRgb(255, 255, 255));
}

TEST(Icon, LargestImageIsDrawnAndReadingStopsAtTheFileEnd) {
    QImage png(4, 4, QImage::Format_ARGB32);
    png.fill(qRgba(10, 20, 30, 255));
    QByteArray pngBytes;
    QBuffer buffer(&pngBytes);
    buffer.open(QIODevice::WriteOnly);
    png.save(&buffer, "PNG");
    const QByteArray file = IconFile({{2, 2, 32, AlphaImage()}, {4, 4, 32, pngBytes}});
    TMemoryStream s(file + QByteArray("after"));
    TIcon icon;
    icon.LoadFromStream(s);
    EXPECT_EQ(icon.Width(), 4);
    EXPECT_EQ(icon.Image().pixel(3, 3), qRgb(10, 20, 30));
    EXPECT_EQ(s.ReadBytes(5), QByteArray("after"));
    EXPECT_EQ(icon.Data(), file);

    // The stored form round-trips the bytes.
    TMemoryStream stored;
    icon.WriteData(stored);
    stored.SetPosition(0);
    TIcon back;
    back.ReadData(stored);
    EXPECT_EQ(back.Data(), file);
}

TEST(Icon, BareIconImageIsWrappedIntoAFile) {
    TIcon icon;
    icon.LoadFromIconImage(AlphaImage());
    EXPECT_EQ(icon.Width(), 2);
    EXPECT_EQ(icon.Image().pixel(0, 0), qRgba(255, 0, 0, 255));
}

TEST(Icon, DamagedIconsAreRefused) {
    const QByteArray good = IconFile({{2, 2, 32, AlphaImage()}});
    auto load = [](const QByteArray& bytes) {
        TIcon icon;
        TMemoryStream s(bytes);
        icon.LoadFromStream(s);
    };
    EXPECT_NO_THROW(load(good));
    QByteArray bad = good;
    bad[18] = char(0x7f); // image offset far beyond the file
    EXPECT_THROW(load(bad), EInvalidGraphic);
    EXPECT_THROW(load(good.left(30)), EInvalidGraphic);
    EXPECT_THROW(load(QByteArray::fromHex("000001000000")), EInvalidGraphic);
    // An 8-bit image without its mask rows.
    QByteArray d = DibHeader(1, 1, 8, 1) + QByteArray::fromHex("00000000") + QByteArray::fromHex("00000000");
    EXPECT_THROW(load(IconFile({{1, 1, 8, d}})), EInvalidGraphic);
    // A width of 100000 in the bitmap header.
    QByteArray wide = AlphaImage();
    wide[6] = char(0x01);
    try {
        load(IconFile({{2, 2, 32, wide}}));
        ADD_FAILURE() << "a huge width must be refused";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Icon image is not valid"));
    }
}

TEST(Icon, DrawsTransparentPixelsAsTheBackground) {
    TIcon icon;
    icon.LoadFromIconImage(AlphaImage());
    QImage target(2, 2, QImage::Format_RGB32);
    target.fill(qRgb(255, 255, 255));
    {
        TCanvas canvas(&target);
        canvas.StretchDraw(TRect(0, 0, 2, 2), icon);
    }
    EXPECT_EQ(target.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(target.pixel(1, 1), qRgb(255, 255, 255));
}
