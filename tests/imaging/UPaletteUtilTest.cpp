#include "imaging/UPaletteUtil.h"

#include "platform/Stream.h"

#include "tests/TestSupport.h"

#include <gtest/gtest.h>

using TestSupport::Hex;

namespace {

// A palette file with two entries: red and green.
const char* const kTwoColours = "52 49 46 46 14 00 00 00 50 41 4C 20 64 61 74 61 0C 00 00 00"
                                "00 03 02 00 FF 00 00 00 00 FF 00 00";

} // namespace

TEST(PaletteFile, ReadsTheLogicalPalette) {
    TMemoryStream stream(Hex(kTwoColours));
    const TPaletteRef palette = LoadPaletteFromStream(stream);
    ASSERT_TRUE(palette);
    EXPECT_EQ(palette->Version, 0x300);
    ASSERT_EQ(palette->Count(), 2);
    EXPECT_EQ(palette->Entries[0], (TPaletteEntry{255, 0, 0, 0}));
    EXPECT_EQ(palette->Entries[1], (TPaletteEntry{0, 255, 0, 0}));
}

TEST(PaletteFile, RejectsWrongHeadersAndOversizedOrShortData) {
    QByteArray wrongForm = Hex(kTwoColours);
    wrongForm[8] = 'X';
    QByteArray oversized = Hex(kTwoColours);
    oversized[16] = char(0x05);
    oversized[17] = char(0x04); // 1029 bytes
    QByteArray tooManyEntries = Hex(kTwoColours);
    tooManyEntries[22] = 3;
    for (const QByteArray& bytes :
         {wrongForm, oversized, tooManyEntries, Hex(kTwoColours).left(30), QByteArray()}) {
        TMemoryStream stream(bytes);
        EXPECT_FALSE(LoadPaletteFromStream(stream));
    }
    EXPECT_FALSE(LoadPaletteResource(QStringLiteral("NoSuchPalette"), QStringLiteral("Palette")));
}

TEST(PaletteTables, ConvertBothWaysAndCapAt256) {
    const TRGBQuad table[] = {0x112233, 0xAABBCC};
    const TPaletteRef palette = CreatePaletteFromColorTable(table, 2);
    EXPECT_EQ(palette->Entries[0], (TPaletteEntry{0x11, 0x22, 0x33, 0}));
    TPalette big;
    big.Entries.assign(300, TPaletteEntry{1, 2, 3, 4});
    TRGBQuad out[256] = {};
    EXPECT_EQ(CopyPaletteToColorTable(std::make_shared<TPalette>(big), out), 256);
    EXPECT_EQ(out[255], 0x010203u);
    EXPECT_EQ(CopyPaletteToColorTable(nullptr, out), 0);
    EXPECT_EQ(CopyPaletteToColorTable(palette, out), 2);
    EXPECT_EQ(out[1], 0xAABBCCu);
}

TEST(PaletteLayout, BlackAndWhiteOnlyPutsBlackFirstWhiteLastAndFillers) {
    TPalette palette;
    palette.Entries = {TPaletteEntry{255, 255, 255, 0}, TPaletteEntry{0, 0, 0, 0}};
    FixPaletteSystemColors(palette, true);
    ASSERT_EQ(palette.Count(), 256);
    EXPECT_EQ(palette.Entries[0], (TPaletteEntry{0, 0, 0, 0}));
    EXPECT_EQ(palette.Entries[255], (TPaletteEntry{255, 255, 255, 0}));
    EXPECT_EQ(palette.Entries[1], (TPaletteEntry{0, 0, 1, 0}));
    EXPECT_EQ(palette.Entries[254], (TPaletteEntry{0, 0, 254, 0}));
}

TEST(PaletteLayout, SystemColoursSplitOverBothEndsAroundOwnColours) {
    TPalette palette;
    palette.Entries = {TPaletteEntry{10, 20, 30, 0}, TPaletteEntry{0, 0, 0, 0}, TPaletteEntry{10, 20, 30, 0}};
    FixPaletteEntries(palette, false, 24);
    ASSERT_EQ(palette.Count(), 24);
    const auto& system = SystemPaletteColors();
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(palette.Entries[size_t(i)], system[size_t(i)]);
        EXPECT_EQ(palette.Entries[size_t(14 + i)], system[size_t(10 + i)]);
    }
    EXPECT_EQ(palette.Entries[10], (TPaletteEntry{10, 20, 30, 0}));
    // Black is a system colour already; the duplicate is dropped; fillers follow.
    EXPECT_EQ(palette.Entries[11], (TPaletteEntry{0, 0, 1, 0}));
    EXPECT_EQ(palette.Entries[13], (TPaletteEntry{0, 0, 3, 0}));
}

TEST(SharedPalettes, DefaultAndGreyAreMadeOnce) {
    const TPaletteRef first = GetDefaultPalette();
    ASSERT_TRUE(first);
    EXPECT_EQ(first, GetDefaultPalette());
    EXPECT_EQ(first->Count(), 256);
    EXPECT_EQ(first->Entries[0], (TPaletteEntry{0, 0, 0, 0}));
    EXPECT_EQ(first->Entries[255], (TPaletteEntry{255, 255, 255, 0}));
    const TPaletteRef gray = GetGrayPalette();
    ASSERT_EQ(gray->Count(), 256);
    EXPECT_EQ(gray->Entries[77], (TPaletteEntry{77, 77, 77, 0}));
}
