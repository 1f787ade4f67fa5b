#include "imaging/UMaskedImage.h"
#include "platform/Bitmap.h"
#include "platform/Canvas.h"

#include <gtest/gtest.h>

namespace {

bool MaskBit(const TBitmap& mask, int x, int y) {
    return (mask.Pixels().ConstScanLine(y)[x >> 3] & (0x80 >> (x & 7))) != 0;
}

// Two pixels, red then blue, prepared with blue as the key.
struct RedThenBlue {
    TBitmap source{2, 1, pf24bit};
    TMaskedImageNT masked;
    RedThenBlue() {
        source.Canvas().FillSolid(TRect(0, 0, 1, 1), clRed);
        source.Canvas().FillSolid(TRect(1, 0, 2, 1), clBlue);
        masked.Invalidate();
        masked.Prepare(source, clBlue);
    }
};

} // namespace

TEST(MaskedImage, RightmostColumnOf24BitRowsIsMarked) {
    // 17 wide: rows of 51 bytes, so the key's last pixel ends a row; the mask needs 4 bytes a row.
    TBitmap source(17, 2, pf24bit);
    source.Canvas().FillSolid(TRect(0, 0, 17, 2), clWhite);
    source.Canvas().FillSolid(TRect(16, 0, 17, 2), RGB(1, 2, 3));
    TBitmap mask;
    TMaskedImage::CreateMask(source, mask, RGB(1, 2, 3));
    ASSERT_EQ(mask.BitCount(), 1);
    EXPECT_EQ(mask.Pixels().Stride(), 4);
    for (int y = 0; y < 2; ++y) {
        EXPECT_EQ(mask.Pixels().ConstScanLine(y)[0], 0);
        EXPECT_EQ(mask.Pixels().ConstScanLine(y)[2], 0x80);
    }
}

TEST(MaskedImage, ThirtyTwoBitKeyIgnoresTheFourthByteAndTheColoursTopByte) {
    TBitmap source(3, 1, pf32bit);
    uint8_t* row = source.ScanLine(0);
    const uint8_t px[12] = {0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x7F, 0xFE, 0x00, 0xFF, 0x00};
    std::copy(px, px + 12, row);
    source.Changed();
    TBitmap mask;
    TMaskedImage::CreateMask(source, mask, TColor(0x02FF00FF));
    EXPECT_TRUE(MaskBit(mask, 0, 0));
    EXPECT_TRUE(MaskBit(mask, 1, 0));
    EXPECT_FALSE(MaskBit(mask, 2, 0));
}

TEST(MaskedImage, EightBitKeyNeedsAnExactPaletteEntry) {
    TBitmap source(2, 1, pf8bit);
    std::vector<TRGBQuad> table(256, 0);
    table[5] = 0x102030;
    table[6] = 0x102031;
    source.SetColorTable(table);
    source.ScanLine(0)[0] = 5;
    source.ScanLine(0)[1] = 6;
    source.Changed();
    TBitmap mask;
    TMaskedImage::CreateMask(source, mask, RGB(0x10, 0x20, 0x30));
    EXPECT_TRUE(MaskBit(mask, 0, 0));
    EXPECT_FALSE(MaskBit(mask, 1, 0));
    // No entry is exactly the colour: nothing is transparent.
    TMaskedImage::CreateMask(source, mask, RGB(0x10, 0x20, 0x32));
    EXPECT_FALSE(MaskBit(mask, 0, 0));
    EXPECT_FALSE(MaskBit(mask, 1, 0));
    EXPECT_EQ(mask.Width(), 2);
}

TEST(MaskedImage, OtherFormatsCompareThroughThePixelColour) {
    TBitmap source(9, 1, pf4bit);
    std::vector<TRGBQuad> table(16, 0);
    table[3] = 0xFF0000; // red
    source.SetColorTable(table);
    source.ScanLine(0)[4] = 0x30; // the ninth pixel (x = 8, high nibble) is entry 3
    source.Changed();
    TBitmap mask;
    TMaskedImage::CreateMask(source, mask, clRed);
    for (int x = 0; x < 9; ++x)
        EXPECT_EQ(MaskBit(mask, x, 0), x == 8) << x;
}

TEST(MaskedImage, PreparedImageIsWhiteWhereTransparentAndFlagsFollowChanges) {
    RedThenBlue page;
    auto& [source, masked] = page;
    EXPECT_FALSE(masked.MaskDirty());
    EXPECT_FALSE(masked.ImageDirty());
    EXPECT_EQ(masked.Image().GetPixel(0, 0), clRed);
    EXPECT_EQ(masked.Image().GetPixel(1, 0), clWhite);

    // A mask set from outside is taken as it is; the image is rebuilt from it.
    TBitmap mask(2, 1, pf1bit);
    mask.ScanLine(0)[0] = 0x80;
    mask.Changed();
    masked.SetMask(mask);
    EXPECT_FALSE(masked.MaskDirty());
    EXPECT_TRUE(masked.ImageDirty());
    masked.Prepare(source, clBlue);
    EXPECT_EQ(masked.Image().GetPixel(0, 0), clWhite);
    EXPECT_EQ(masked.Image().GetPixel(1, 0), clBlue);
    TBitmap copy;
    masked.GetMask(copy);
    EXPECT_TRUE(MaskBit(copy, 0, 0));

    // Another key colour rebuilds the mask even with clean flags.
    RedThenBlue other;
    other.masked.Prepare(other.source, clRed);
    EXPECT_EQ(other.masked.Image().GetPixel(0, 0), clWhite);
    EXPECT_EQ(other.masked.Image().GetPixel(1, 0), clBlue);
}

TEST(MaskedImage, MasksStayDeviceMasksAndAPictureGivenAsOneIsReadByColour) {
    RedThenBlue page;
    auto& [source, masked] = page;
    TBitmap taken;
    masked.GetMask(taken);
    EXPECT_EQ(taken.HandleType(), bmDDB);
    // A one-bit picture whose table is white-then-black: its white pixel (bit 0) is the hole.
    TBitmap given(2, 1, pf1bit);
    given.SetColorTable({0xFFFFFF, 0x000000});
    given.ScanLine(0)[0] = 0x40;
    given.Changed();
    masked.SetMask(given);
    masked.Prepare(source, clBlue);
    EXPECT_EQ(masked.Image().GetPixel(0, 0), clWhite);
    EXPECT_EQ(masked.Image().GetPixel(1, 0), clBlue);
}
