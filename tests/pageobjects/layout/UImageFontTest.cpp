#include "pageobjects/layout/UImageFont.h"

#include "LayoutTestSupport.h"
#include "core/UAppFrame.h"
#include "imaging/UImagePack.h"
#include "platform/StringList.h"
#include "tests/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class ImageFontTest : public ::testing::Test {
protected:
    void Use(std::unique_ptr<TCustomImagePack> glyphs) {
        pack = std::move(glyphs);
        SetImageFontPackProvider([this] { return pack.get(); });
    }
    void TearDown() override {
        SetImageFontPackProvider(nullptr);
        FreeImageFontPack();
    }

    std::unique_ptr<TCustomImagePack> pack;
};

int Index(int fontNo, char ch) {
    TImageFont font;
    font.SetFontNo(fontNo);
    return font.GlyphIndex(static_cast<unsigned char>(ch));
}

} // namespace

TEST_F(ImageFontTest, GlyphsAreNumberedByFontAndCharacterModuloThePack) {
    Use(MakeGlyphPack(128, 10, 10));
    EXPECT_EQ(Index(2, 'A'), 64);
    EXPECT_EQ(Index(2, '?'), 127);
    EXPECT_EQ(Index(1, '0'), 52);
    EXPECT_EQ(Index(1, ' '), -1);
    Use(MakeGlyphPack(100, 10, 10));
    EXPECT_EQ(Index(2, 'A'), 64);
    EXPECT_EQ(Index(2, '?'), 27);
    // Font numbers far out do not overflow; those of 0 or less name no glyph.
    EXPECT_EQ(Index(0x7FFFFFFF, 'A'), int((int64_t(0x7FFFFFFE) * 64) % 100));
    EXPECT_EQ(Index(0, 'z'), -1);
    EXPECT_EQ(Index(-3, 'A'), -1);
    // An empty pack makes every character a gap.
    Use(MakeGlyphPack(0, 10, 10));
    EXPECT_EQ(Index(1, 'A'), -1);
}

TEST_F(ImageFontTest, SizesKeepTheGlyphProportionsAndGapsAreAThirdOfTheHeight) {
    Use(MakeGlyphPack(64, 20, 40, {1}));
    TImageFont font;
    font.SetFontNo(1);
    font.SetHeight(160);
    TSize size;
    font.GetCharSize('A', size);
    EXPECT_EQ(size, (TSize{80, 160}));
    font.GetCharSize(' ', size);
    EXPECT_EQ(size, (TSize{53, 160}));
    // A glyph picture of no size is a gap, not a division by zero.
    font.GetCharSize('B', size);
    EXPECT_EQ(size, (TSize{53, 160}));
    // A negative height gives no negative width.
    font.SetHeight(-30);
    font.GetCharSize('A', size);
    EXPECT_EQ(size.cx, 0);
    font.GetCharSize('!', size);
    EXPECT_EQ(size.cx, 0);
    font.SetFontNo(0);
    font.SetHeight(30);
    font.GetCharSize('A', size);
    EXPECT_EQ(size, (TSize{10, 30}));
}

TEST_F(ImageFontTest, TheFolderPackListsEveryFileSortedWithoutRegardToCase) {
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/bin/Glyphs/Deco");
    for (const char* name : {"b.bmp", "A.bmp", "sub/C.bmp", "a2.bmp", "Sub2/a.bmp"}) {
        const QString path = folder + QLatin1Char('/') + QString::fromLatin1(name);
        QDir().mkpath(QFileInfo(path).path());
        TestSupport::WriteFile(path, "BM");
    }
    const QStringList expected{folder + QStringLiteral("/A.bmp"), folder + QStringLiteral("/a2.bmp"),
                               folder + QStringLiteral("/b.bmp"), folder + QStringLiteral("/sub/C.bmp"),
                               folder + QStringLiteral("/Sub2/a.bmp")};
    TStringList files;
    ListImageFontFiles(folder, files);
    EXPECT_EQ(files.ToQStringList(), expected);

    // Without an application frame there is no folder to look in.
    FreeImageFontPack();
    EXPECT_EQ(ImageFontPack().GetCount(), 0);
    // The folder macro is a text of the system, its folders separated by "\".
    FreeImageFontPack();
    TAppFrame frame(nullptr);
    frame.Macro().SetValue(QStringLiteral("ExeDir"), dir.path() + QStringLiteral("/bin/"));
    frame.Macro().SetValue(QStringLiteral("ImageFontFolder"), QStringLiteral("glyphs\\deco"));
    auto* glyphs = dynamic_cast<TFileImagePack*>(&ImageFontPack());
    ASSERT_NE(glyphs, nullptr);
    EXPECT_EQ(glyphs->FileList().ToQStringList(), expected);
    EXPECT_EQ(glyphs->CacheLimit(), 64);
    EXPECT_TRUE(glyphs->Transparent());
    EXPECT_EQ(glyphs->TransparentColor(), TColor(0xF0F0F0));
}
