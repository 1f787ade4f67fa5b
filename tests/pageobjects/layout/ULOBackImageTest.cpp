#include "pageobjects/layout/ULOBackImage.h"

#include "LayoutTestSupport.h"
#include "imaging/USafetyBitmap.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/layout/ULORect.h"

#include <gtest/gtest.h>

namespace {

class BackImageTest : public ::testing::Test {
protected:
    void SetUp() override { RegisterLayoutTestClasses(); }

    void Prepare(TLOBackImage& back, const TRect& r, TFaceShape shape) {
        back.SetLogRect(r);
        TFaceInfo face;
        face.Rect = TRect(0, 0, r.Width(), r.Height());
        face.FaceShape = shape;
        face.CutCenterWidth = face.CutCenterHeight = 60;
        back.SetFaceInfo(face);
        back.FillColor()->SetColor(clRed);
    }
};

} // namespace

TEST_F(BackImageTest, FillsTheFaceShapeWithAWhiteHole) {
    TLORect page(nullptr);
    page.SetLogRect(TRect(0, 0, 220, 220));
    page.SetFrameWidth(0);
    page.SetFillInside(true);
    page.FillColor()->SetColor(clGray);
    TLOBackImage back(nullptr);
    EXPECT_EQ(back.LayerGroup(), TLOBackImage::kBackgroundLayerGroup);
    EXPECT_TRUE(back.IsPlainWhite() == false); // black until the factory makes it white
    Prepare(back, TRect(10, 10, 210, 210), fsDoughnut);
    const QImage out = RenderObjects({&page, &back}, 220, 220);
    EXPECT_EQ(Pixel(out, 15, 15), clGray);
    EXPECT_EQ(Pixel(out, 110, 30), clRed);
    EXPECT_EQ(Pixel(out, 110, 110), clWhite);
    EXPECT_FALSE(back.HitTest(TPoint(110, 30)));
}

TEST_F(BackImageTest, FrameBandRunsInsideTheEdge) {
    TLOBackImage back(nullptr);
    Prepare(back, TRect(0, 0, 200, 100), fsRect);
    back.SetFrameWidth(20);
    back.FrameColor()->SetColor(clBlue);
    const QImage out = RenderObjects({&back}, 200, 100);
    EXPECT_EQ(Pixel(out, 5, 50), clBlue);
    EXPECT_EQ(Pixel(out, 19, 50), clBlue);
    EXPECT_EQ(Pixel(out, 21, 50), clRed);
    EXPECT_EQ(Pixel(out, 100, 95), clBlue);
}

TEST_F(BackImageTest, PictureFillCoversTheFaceWithoutDistortion) {
    TLOBackImage back(nullptr);
    Prepare(back, TRect(0, 0, 120, 120), fsRect);
    TSafetyBitmap picture(40, 30, pf24bit);
    picture.Canvas().FillSolid(TRect(0, 0, 40, 30), clRed);
    picture.Canvas().FillSolid(TRect(0, 0, 10, 30), clGreen);
    picture.Canvas().FillSolid(TRect(30, 0, 40, 30), clYellow);
    picture.Canvas().FreeHandle();
    back.FillColor()->SetBitmap(&picture);
    back.FillColor()->SetKind(cskBitmap);
    // 160 x 120 centred on the square: the picture's outer quarters are cut at the sides.
    const QImage out = RenderObjects({&back}, 120, 120);
    EXPECT_EQ(Pixel(out, 5, 60), clGreen);
    EXPECT_EQ(Pixel(out, 25, 60), clRed);
    EXPECT_EQ(Pixel(out, 115, 60), clYellow);
    // The picture is drawn from a display copy kept until the size or the fill changes.
    EXPECT_EQ(RenderObjects({&back}, 120, 120), out);
    EXPECT_EQ(back.CopiesBuilt(), 1);
    picture.Canvas().FillSolid(TRect(0, 0, 40, 30), clBlue);
    picture.Canvas().FreeHandle();
    back.FillColor()->SetBitmap(&picture);
    EXPECT_EQ(Pixel(RenderObjects({&back}, 120, 120), 5, 60), clBlue);
    EXPECT_EQ(back.CopiesBuilt(), 2);
}

TEST_F(BackImageTest, BlendPictureMixesTheBlendColourOverTheFill) {
    TLOBackImage back(nullptr);
    Prepare(back, TRect(0, 0, 100, 100), fsRect);
    TSafetyBitmap picture(10, 10, pf24bit);
    picture.Canvas().FillSolid(TRect(0, 0, 10, 10), clBlack);
    picture.Canvas().FillSolid(TRect(5, 0, 10, 10), clWhite);
    picture.Canvas().FreeHandle();
    back.BlendPicture()->SetGraphic(&picture);
    back.BlendColor()->SetColor(clBlue);
    back.SetBlendRatio(50);
    const QImage out = RenderObjects({&back}, 100, 100);
    EXPECT_EQ(Pixel(out, 20, 50), clRed);
    EXPECT_TRUE(Near(Pixel(out, 80, 50), RGB(128, 0, 128), 2));
}

TEST_F(BackImageTest, BlendRatioIsStoredOnceAfterTheBlendPicture) {
    TLOBackImage back(nullptr);
    Prepare(back, TRect(0, 0, 100, 100), fsRect);
    back.SetFrameWidth(7);
    back.SetBlendRatio(30);
    const QByteArray bytes = Store(&back);
    EXPECT_EQ(bytes.count("BlendRatio"), 1);
    EXPECT_GT(bytes.indexOf("BlendRatio"), bytes.indexOf("BlendColor"));
    std::unique_ptr<TComponent> loaded = Load(bytes);
    auto* again = dynamic_cast<TLOBackImage*>(loaded.get());
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->BlendRatio(), 30);
    EXPECT_EQ(again->FrameWidth(), 7);
    EXPECT_EQ(Store(again), bytes);
}

TEST_F(BackImageTest, ABlendPictureZoomedInIsKeptAtItsOwnSize) {
    TDrawSite site(nullptr);
    site.Scaler().SetUnitDPI(site.Canvas().PixelsPerInch());
    site.SetLogWidth(100);
    site.SetLogHeight(100);
    site.SetBorder(false);
    auto owned = std::make_unique<TLOBackImage>(nullptr);
    Prepare(*owned, TRect(0, 0, 100, 100), fsRect);
    TSafetyBitmap picture(10, 10, pf24bit);
    picture.Canvas().FillSolid(TRect(0, 0, 10, 10), clBlack);
    picture.Canvas().FillSolid(TRect(5, 0, 10, 10), clWhite);
    picture.Canvas().FreeHandle();
    owned->BlendPicture()->SetGraphic(&picture);
    owned->BlendColor()->SetColor(clBlue);
    owned->SetBlendRatio(50);
    auto* back = static_cast<TLOBackImage*>(site.AdoptObject(std::move(owned)));
    site.Scaler().SetScale(800);
    const QImage left = site.PageImage(TRect(100, 300, 200, 400));
    const QImage right = site.PageImage(TRect(600, 300, 700, 400));
    EXPECT_EQ(Pixel(left, 50, 50), clRed);
    EXPECT_TRUE(Near(Pixel(right, 50, 50), RGB(128, 0, 128), 2));
    EXPECT_EQ(back->BlendMapSize(), QSize(10, 10)) << "not the 800 x 800 pixels it covers";
}
