#include "imaging/UGIFImage.h"
#include "platform/Exception.h"
#include "platform/Stream.h"
#include "tests/TestSupport.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

using TestSupport::Hex;

namespace {

int Append(GifFileType* gif, const GifByteType* data, int n) {
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(data), n);
    return n;
}

// A GIF of 4 colours (black, red, green, blue) with the given frames; rows are written in the
// order given, so an interlaced frame gets its rows in pass order from the caller.
struct Frame {
    int left, top, width, height;
    bool interlace;
    std::vector<std::vector<uint8_t>> rows;
};

QByteArray MakeGif(int sw, int sh, const std::vector<Frame>& frames) {
    GifColorType colors[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    ColorMapObject* map = GifMakeMapObject(4, colors);
    QByteArray out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, Append, &error);
    EGifPutScreenDesc(gif, sw, sh, 2, 0, map);
    for (const Frame& f : frames) {
        EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlace, nullptr);
        for (auto row : f.rows)
            EGifPutLine(gif, row.data(), f.width);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

} // namespace

TEST(GIFImage, HandBuiltOnePixelFileDecodes) {
    // Colour 0 black, colour 1 white; the LZW data 44 01 is the codes clear, 0, end of 3 bits.
    const QByteArray plain = QByteArray("GIF89a") + Hex("0100 0100 80 00 00  000000 ffffff") +
                             Hex("2c 0000 0000 0100 0100 00  02 02 4401 00  3b");
    TGIFImage gif;
    gif.SetData(plain);
    ASSERT_EQ(gif.Width(), 1);
    EXPECT_EQ(gif.Image().pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_FALSE(gif.Transparent());
    // The same with a graphic control block naming colour 0 transparent.
    const QByteArray clear = QByteArray("GIF89a") + Hex("0100 0100 80 00 00  000000 ffffff") +
                             Hex("21f9 04 01 0000 00 00") +
                             Hex("2c 0000 0000 0100 0100 00  02 02 4401 00  3b");
    gif.SetData(clear);
    EXPECT_EQ(qAlpha(gif.Image().pixel(0, 0)), 0);
    EXPECT_TRUE(gif.Transparent());
}

TEST(GIFImage, FirstFrameOnItsScreenIsTheStill) {
    const Frame first{1, 1, 2, 2, false, {{1, 2}, {3, 1}}};
    const Frame second{0, 0, 4, 4, false, {{2, 2, 2, 2}, {2, 2, 2, 2}, {2, 2, 2, 2}, {2, 2, 2, 2}}};
    TGIFImage gif;
    gif.SetData(MakeGif(4, 4, {first, second}));
    const QImage& im = gif.Image();
    ASSERT_EQ(im.size(), QSize(4, 4));
    EXPECT_EQ(im.pixel(1, 1), qRgb(255, 0, 0));
    EXPECT_EQ(im.pixel(2, 1), qRgb(0, 255, 0));
    EXPECT_EQ(im.pixel(1, 2), qRgb(0, 0, 255));
    EXPECT_EQ(qAlpha(im.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(im.pixel(3, 3)), 0);
}

TEST(GIFImage, InterlacedRowsLandInTheirPlaces) {
    // Eight rows, row r in colour r % 4, stored in the four passes' order: 0, 4 | 2, 6 | 1, 3, 5, 7.
    Frame f{0, 0, 1, 8, true, {}};
    for (int r : {0, 4, 2, 6, 1, 3, 5, 7})
        f.rows.push_back({uint8_t(r % 4)});
    TGIFImage gif;
    gif.SetData(MakeGif(1, 8, {f}));
    const QRgb expected[4] = {qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};
    for (int y = 0; y < 8; ++y)
        EXPECT_EQ(gif.Image().pixel(0, y), expected[y % 4]) << y;
}

TEST(GIFImage, EncodedImageKeepsFewColoursAndTransparency) {
    QImage image(4, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(12, 34, 56, 255));
    image.setPixel(1, 0, qRgba(200, 100, 0, 255));
    image.setPixel(2, 0, qRgba(0, 0, 0, 0));
    image.setPixel(3, 0, qRgba(12, 34, 56, 255));
    TGIFImage gif;
    gif.SetImage(image);
    ASSERT_TRUE(gif.Data().startsWith("GIF89a"));
    TGIFImage back;
    TMemoryStream s;
    gif.WriteData(s);
    s.SetPosition(0);
    back.ReadData(s);
    EXPECT_EQ(back.Image().pixel(0, 0), qRgb(12, 34, 56));
    EXPECT_EQ(back.Image().pixel(1, 0), qRgb(200, 100, 0));
    EXPECT_EQ(qAlpha(back.Image().pixel(2, 0)), 0);
    EXPECT_EQ(back.Data(), gif.Data());
}

TEST(GIFImage, DamagedFilesAreRefused) {
    TGIFImage gif;
    const QByteArray good = MakeGif(2, 2, {Frame{0, 0, 2, 2, false, {{1, 2}, {3, 0}}}});
    EXPECT_THROW(gif.SetData("GIF89a"), EInvalidGraphic);
    EXPECT_THROW(gif.SetData(good.left(good.size() - 8)), EInvalidGraphic);
    // No image at all: header, screen and trailer only.
    EXPECT_THROW(gif.SetData(QByteArray("GIF89a") + Hex("0100 0100 00 00 00 3b")), EInvalidGraphic);
    // A frame without any colour map.
    EXPECT_THROW(gif.SetData(QByteArray("GIF89a") +
                             Hex("0100 0100 00 00 00  2c 0000 0000 0100 0100 00 02 02 4401 00 3b")),
                 EInvalidGraphic);
    // A screen of 65535 x 65535 claimed by a few bytes.
    EXPECT_THROW(gif.SetData(QByteArray("GIF89a") + Hex("ffff ffff 80 00 00 000000 ffffff") +
                             Hex("2c 0000 0000 ffff ffff 00 02 02 4401 00 3b")),
                 EInvalidGraphic);
    EXPECT_TRUE(gif.Empty());
}
