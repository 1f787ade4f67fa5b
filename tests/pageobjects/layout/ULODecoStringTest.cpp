#include "pageobjects/layout/ULODecoString.h"

#include "LayoutTestSupport.h"
#include "imaging/UImagePack.h"

#include <gtest/gtest.h>

namespace {

class DecoStringTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterLayoutTestClasses();
        // 128 glyphs of 20 x 40: two image fonts.
        pack = MakeGlyphPack(128, 20, 40);
        SetImageFontPackProvider([this] { return pack.get(); });
    }
    void TearDown() override { SetImageFontPackProvider(nullptr); }

    std::unique_ptr<TCustomImagePack> pack;
};

// The glyph index of byte ch in font 2.
int Font2(char ch) {
    return 64 + int(std::strchr(kImageFontAlphabet, ch) - kImageFontAlphabet);
}

} // namespace

TEST_F(DecoStringTest, GlyphsTakeTheHeightAndGapsCountBytes) {
    TLODecoString deco(nullptr);
    deco.SetLogRect(TRect(0, 0, 300, 80));
    deco.SetFontNo(2);
    // 80 high: glyphs 40 wide; the space and each byte of the kanji are gaps of 80 div 3.
    deco.SetText(QStringLiteral("A 漢B"));
    const QImage out = RenderObjects({&deco}, 300, 80);
    EXPECT_EQ(Pixel(out, 1, 40), GlyphColor(Font2('A')));
    EXPECT_EQ(Pixel(out, 39, 79), GlyphColor(Font2('A')));
    EXPECT_EQ(Pixel(out, 41, 40), clWhite);
    EXPECT_EQ(Pixel(out, 40 + 3 * 26, 40), GlyphColor(Font2('B')));
    EXPECT_EQ(Pixel(out, 40 + 3 * 26 - 1, 40), clWhite);
    EXPECT_EQ(Pixel(out, 40 + 3 * 26 + 40, 40), clWhite);

    // Justified, the last glyph ends at the right edge.
    deco.SetAlign(3);
    const QImage justified = RenderObjects({&deco}, 300, 80);
    EXPECT_EQ(Pixel(justified, 1, 40), GlyphColor(Font2('A')));
    EXPECT_EQ(Pixel(justified, 299, 40), GlyphColor(Font2('B')));
    EXPECT_EQ(Pixel(justified, 260, 40), GlyphColor(Font2('B')));
    EXPECT_EQ(Pixel(justified, 259, 40), clWhite);
}

TEST_F(DecoStringTest, TurnedStringIsCachedUntilItChanges) {
    TLODecoString deco(nullptr);
    deco.SetLogRect(TRect(100, 100, 300, 180));
    deco.SetFontNo(1);
    deco.SetText(QStringLiteral("A"));
    deco.SetAngle(90);
    EXPECT_EQ(deco.LogRect(), TRect(160, 40, 240, 240));
    // The glyph's centre (120, 140) turns clockwise about (200, 140) to (200, 60); the rest of
    // the rectangle shows what lies below.
    QImage out = RenderObjects({&deco}, 400, 300);
    EXPECT_EQ(Pixel(out, 200, 60), GlyphColor(0));
    EXPECT_EQ(Pixel(out, 200, 200), clWhite);
    EXPECT_TRUE(deco.HitTest(TPoint(200, 60)));
    EXPECT_FALSE(deco.HitTest(TPoint(120, 140)));
    RenderObjects({&deco}, 400, 300);
    EXPECT_EQ(deco.TurnsBuilt(), 1);
    deco.SetFontNo(2);
    out = RenderObjects({&deco}, 400, 300);
    EXPECT_EQ(deco.TurnsBuilt(), 2);
    EXPECT_EQ(Pixel(out, 200, 60), GlyphColor(64));
    deco.SetAngle(-270);
    EXPECT_EQ(deco.Angle(), 90);
}

TEST_F(DecoStringTest, StoredFormRoundTripsInOrder) {
    TLODecoString deco(nullptr);
    deco.SetLogRect(TRect(5, 6, 405, 106));
    deco.SetText(QStringLiteral("Happy 2!"));
    deco.SetFontNo(3);
    deco.SetAlign(2);
    deco.SetAngle(30);
    const QByteArray bytes = Store(&deco);
    const qsizetype height = bytes.indexOf("\x06"
                                           "Height");
    const qsizetype text = bytes.indexOf("\x04"
                                         "Text");
    const qsizetype fontNo = bytes.indexOf("\x06"
                                           "FontNo");
    const qsizetype align = bytes.indexOf("\x05"
                                          "Align");
    const qsizetype angle = bytes.indexOf("\x05"
                                          "Angle");
    EXPECT_LT(height, text);
    EXPECT_LT(text, fontNo);
    EXPECT_LT(fontNo, align);
    EXPECT_LT(align, angle);

    auto back = Load(bytes);
    auto* loaded = dynamic_cast<TLODecoString*>(back.get());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->Text(), deco.Text());
    EXPECT_EQ(loaded->FontNo(), 3);
    EXPECT_EQ(loaded->Align(), 2);
    EXPECT_EQ(loaded->Angle(), 30);
    EXPECT_EQ(loaded->ImageFont().Height(), 100);
    EXPECT_EQ(Store(loaded), bytes);

    TLODecoString copy(nullptr);
    copy.Assign(loaded);
    EXPECT_EQ(Store(&copy), bytes);
}
