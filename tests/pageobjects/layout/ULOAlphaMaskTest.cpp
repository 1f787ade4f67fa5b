#include "pageobjects/layout/ULOAlphaMask.h"

#include "LayoutTestSupport.h"
#include "imaging/USafetyBitmap.h"
#include "pageobjects/engine/UDrawSite.h"

#include <gtest/gtest.h>

namespace {

class AlphaMaskTest : public ::testing::Test {
protected:
    void SetUp() override { RegisterLayoutTestClasses(); }

    // A red mask over r whose picture is a white square of side on black (inset on each side).
    void Prepare(TLOAlphaMask& mask, const TRect& r, int side, int inset = 0) {
        mask.SetLogRect(r);
        mask.FillColor()->SetColor(clRed);
        TSafetyBitmap picture(side + 2 * inset, side + 2 * inset, pf24bit);
        picture.Canvas().FillSolid(TRect(0, 0, picture.Width(), picture.Height()), clBlack);
        picture.Canvas().FillSolid(TRect(inset, inset, inset + side, inset + side), clWhite);
        picture.Canvas().FreeHandle();
        mask.Picture()->SetGraphic(&picture);
    }
};

} // namespace

TEST_F(AlphaMaskTest, EmptyMaskPaintsItsBoxPlainly) {
    TLOAlphaMask mask(nullptr);
    mask.SetLogRect(TRect(10, 10, 60, 40));
    mask.FillColor()->SetColor(clBlue);
    EXPECT_FALSE(mask.NeedsBlend());
    TBitmap map(100, 100, pf8bit);
    map.Canvas().FillSolid(TRect(0, 0, 100, 100), clBlack);
    mask.DrawAlphaMap(map);
    EXPECT_EQ(map.ScanLine(20)[20], 0);
    const QImage out = RenderObjects({&mask}, 100, 100);
    EXPECT_EQ(Pixel(out, 20, 20), clBlue);
    mask.SetBlendRatio(50);
    EXPECT_TRUE(mask.NeedsBlend());
}

TEST_F(AlphaMaskTest, ShadeSoftensTheEdgeInsideTheRect) {
    TLOAlphaMask mask(nullptr);
    Prepare(mask, TRect(0, 0, 240, 240), 100);
    mask.SetShadeSize(10);
    EXPECT_TRUE(mask.NeedsBlend());
    const QImage out = RenderObjects({&mask}, 240, 240);
    EXPECT_EQ(Pixel(out, 120, 120), clRed);
    EXPECT_TRUE(Near(Pixel(out, 2, 120), clWhite, 8));
    // The picture's edge (10 of 120 map pixels, 20 units in) is half way.
    const TColor edge = Pixel(out, 20, 120);
    EXPECT_EQ(GetRValue(edge), 255);
    EXPECT_GT(GetGValue(edge), 60);
    EXPECT_LT(GetGValue(edge), 200);
    EXPECT_EQ(mask.MapsBuilt(), 1);

    mask.SetShadeSize(-5);
    EXPECT_EQ(mask.EffectiveShadeSize(), 0);
    mask.SetShadeSize(1 << 30);
    EXPECT_EQ(mask.EffectiveShadeSize(), TLOAlphaMask::kMaxShadeSize);
    EXPECT_EQ(mask.ShadeSize(), 1 << 30);
}

TEST_F(AlphaMaskTest, TurnedMapLeavesTheBoxCornersTransparent) {
    TLOAlphaMask mask(nullptr);
    Prepare(mask, TRect(50, 50, 150, 150), 100);
    mask.SetAngle(45);
    const TRect box = mask.LogRect();
    EXPECT_NEAR(box.Left, 29, 1);
    EXPECT_NEAR(box.Right, 171, 1);
    const QImage out = RenderObjects({&mask}, 200, 200);
    EXPECT_EQ(Pixel(out, 100, 100), clRed);
    EXPECT_EQ(Pixel(out, 100, 35), clRed);
    EXPECT_EQ(Pixel(out, 35, 35), clWhite);
    EXPECT_EQ(Pixel(out, 165, 165), clWhite);
    EXPECT_FALSE(mask.HitTest(TPoint(35, 35)));
}

TEST_F(AlphaMaskTest, StoredFormRoundTrips) {
    TLOAlphaMask mask(nullptr);
    Prepare(mask, TRect(1, 2, 81, 52), 4, 2);
    mask.SetAngle(12);
    mask.SetShadeSize(7);
    const QByteArray bytes = Store(&mask);
    std::unique_ptr<TComponent> back = Load(bytes);
    auto* loaded = dynamic_cast<TLOAlphaMask*>(back.get());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->ShadeSize(), 7);
    EXPECT_EQ(loaded->Angle(), 12);
    EXPECT_EQ(loaded->Picture()->Width(), 8);
    EXPECT_EQ(Store(loaded), bytes);
}

TEST_F(AlphaMaskTest, ATurnedMaskZoomedInCostsNoMoreThanItsPicture) {
    TDrawSite site(nullptr);
    site.Scaler().SetUnitDPI(site.Canvas().PixelsPerInch());
    site.SetLogWidth(200);
    site.SetLogHeight(200);
    site.SetColor(clWhite);
    site.SetBorder(false);
    auto owned = std::make_unique<TLOAlphaMask>(nullptr);
    Prepare(*owned, TRect(50, 50, 150, 150), 20);
    owned->SetAngle(30);
    auto* mask = static_cast<TLOAlphaMask*>(site.AdoptObject(std::move(owned)));
    site.Scaler().SetScale(800);
    const QImage centre = site.PageImage(TRect(760, 760, 840, 840));
    EXPECT_EQ(Pixel(centre, 40, 40), clRed);
    // The 20-pixel picture turned: about 28 pixels a side, not the object's 1100 on the screen.
    EXPECT_LE(mask->MapSize().width(), 40);
    EXPECT_LE(mask->MapSize().height(), 40);
}
