#include "controls/UFillImage.h"
#include "core/UAppUtil.h"
#include "imaging/UPictureEX.h"
#include "imaging/USafetyBitmap.h"
#include "tests/controls/ControlsTestSupport.h"

#include <QDialog>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace ControlsTest;

TEST(FillImageTest, TilesStartAtTheCornerAndCoverTheArea) {
    const std::vector<TRect> tiles = TileRects(TRect(0, 0, 25, 10), TSize(10, 4));
    ASSERT_EQ(tiles.size(), 9u);
    EXPECT_EQ(tiles.back(), TRect(20, 8, 30, 12));
    EXPECT_TRUE(TileRects(TRect(0, 0, 25, 10), TSize(0, 4)).empty());
    // A cell larger than the control is one tile, clipped.
    EXPECT_EQ(TileRects(TRect(0, 0, 5, 5), TSize(10, 10)).size(), 1u);
}

TEST(FillImageTest, TiledStretchedAndPlainBackgrounds) {
    // Cell 0 is white with a red top-left pixel, so the tiles show.
    TMatrixImagePack pack(nullptr);
    TSafetyBitmap bitmap(8, 4, pf24bit);
    bitmap.Canvas().FillSolid(TRect(0, 0, 8, 4), clWhite);
    bitmap.Canvas().FillSolid(TRect(0, 0, 1, 1), clRed);
    bitmap.Canvas().FillSolid(TRect(4, 0, 8, 4), clBlue);
    pack.Image()->SetGraphic(&bitmap);
    pack.SetCountCol(2);

    TFillImage fill;
    fill.resize(10, 10);
    fill.Brush().SetColor(clLime);
    EXPECT_EQ(PixelAt(Grab(fill), 5, 5), clLime);
    fill.SetImagePack(&pack);
    QImage tiled = Grab(fill);
    EXPECT_EQ(PixelAt(tiled, 0, 0), clRed);
    EXPECT_EQ(PixelAt(tiled, 4, 0), clRed);
    EXPECT_EQ(PixelAt(tiled, 8, 8), clRed);
    EXPECT_EQ(PixelAt(tiled, 1, 0), clWhite);
    EXPECT_EQ(PixelAt(tiled, 9, 9), clWhite);

    fill.SetImageIndex(1);
    fill.SetStretch(true);
    EXPECT_EQ(PixelAt(Grab(fill), 9, 9), clBlue);
    fill.SetImageIndex(2); // not in the pack: the brush
    EXPECT_EQ(PixelAt(Grab(fill), 5, 5), clLime);
}

TEST(FillImageTest, FormSetUpPutsTheFillImageUnderTheForm) {
    auto pack = MakePack({RGB(10, 20, 30)}, 4, 4);
    InstallFillImageMaker();
    SetFormBackgroundImagePack(pack.get());
    QDialog form;
    auto* layout = new QVBoxLayout(&form);
    layout->addWidget(new QWidget);
    SetupForm(&form);
    SetFormBackgroundImagePack(nullptr);
    form.show();
    auto* fill = form.findChild<TFillImage*>();
    ASSERT_NE(fill, nullptr);
    form.resize(120, 90);
    EXPECT_EQ(fill->geometry(), QRect(0, 0, 120, 90));
    EXPECT_EQ(PixelAt(Grab(form), 1, 1), RGB(10, 20, 30));
}
