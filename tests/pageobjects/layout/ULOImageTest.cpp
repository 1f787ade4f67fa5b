#include "pageobjects/layout/ULOImage.h"

#include "LayoutTestSupport.h"
#include "imaging/PixelKernel.h"
#include "imaging/UJPEGImage.h"
#include "imaging/USafetyBitmap.h"
#include "pageobjects/layout/UDisplayCopy.h"
#include "pageobjects/layout/ULORect.h"
#include "platform/Canvas.h"

#include <QBuffer>
#include <gtest/gtest.h>

namespace {

class ImageTest : public ::testing::Test {
protected:
    void SetUp() override { RegisterLayoutTestClasses(); }
};

// A w x h bitmap filled with fill, and an inner rect (inset on every side) of inner.
std::unique_ptr<TSafetyBitmap> MakeBitmap(int w, int h, TColor fill, int inset = 0, TColor inner = clBlack) {
    auto b = std::make_unique<TSafetyBitmap>(w, h, pf24bit);
    b->Canvas().FillSolid(TRect(0, 0, w, h), fill);
    if (inset > 0)
        b->Canvas().FillSolid(TRect(inset, inset, w - inset, h - inset), inner);
    b->Canvas().FreeHandle();
    return b;
}

// A frame: $F0F0F0 centre, blue band, $607090 corners.
std::unique_ptr<TSafetyBitmap> MakeFrame() {
    std::unique_ptr<TSafetyBitmap> f = MakeBitmap(40, 40, clBlue, 8, kPictureTransparentColor);
    for (const TRect& c :
         {TRect(0, 0, 4, 4), TRect(36, 0, 40, 4), TRect(0, 36, 4, 40), TRect(36, 36, 40, 40)})
        f->Canvas().FillSolid(c, kFrameHoleColor);
    f->Canvas().FreeHandle();
    return f;
}

} // namespace

TEST_F(ImageTest, FrameOverlaysThePictureAndCutsHoles) {
    TLORect below(nullptr);
    below.SetLogRect(TRect(0, 0, 100, 100));
    below.SetFrameWidth(0);
    below.SetFillInside(true);
    below.FillColor()->SetColor(clGreen);
    TLOImage image(nullptr);
    image.SetLogRect(TRect(0, 0, 100, 100));
    const auto picture = MakeBitmap(40, 40, clRed);
    const auto frame = MakeFrame();
    image.ImageData()->Picture()->SetGraphic(picture.get());
    image.FramePicture()->SetGraphic(frame.get());
    const QImage out = RenderObjects({&below, &image}, 100, 100);
    EXPECT_EQ(Pixel(out, 50, 50), clRed);
    EXPECT_EQ(Pixel(out, 50, 5), clBlue);
    EXPECT_EQ(Pixel(out, 2, 2), clGreen);
    EXPECT_EQ(Pixel(out, 97, 97), clGreen);
    EXPECT_FALSE(image.NeedsBlend());

    // As an alpha frame it is not drawn; its grey levels become the alpha map.
    const auto fade = MakeBitmap(40, 40, clBlack, 8, clWhite);
    image.FramePicture()->SetGraphic(fade.get());
    image.SetAlphaFrame(true);
    EXPECT_TRUE(image.NeedsBlend());
    TBitmap mask(100, 100, pf8bit);
    image.DrawAlphaMap(mask);
    EXPECT_EQ(mask.ScanLine(50)[50], 255);
    EXPECT_EQ(mask.ScanLine(50)[5], 0);
    const QImage faded = RenderObjects({&image}, 100, 100);
    EXPECT_EQ(Pixel(faded, 50, 50), clRed);
    EXPECT_EQ(Pixel(faded, 5, 50), clWhite);
}

TEST_F(ImageTest, TurnedImageHitsAndBoundsFollowTheTurn) {
    TLOImage image(nullptr);
    image.SetLogRect(TRect(0, 0, 100, 50));
    image.SetAngle(30);
    const TRect b = image.LogRect();
    EXPECT_NEAR(b.Left, -6, 1);
    EXPECT_NEAR(b.Top, -22, 1);
    EXPECT_NEAR(b.Right, 106, 1);
    EXPECT_NEAR(b.Bottom, 72, 1);
    EXPECT_TRUE(image.HitTest(TPoint(50, 25)));
    EXPECT_FALSE(image.HitTest(TPoint(2, 2)));
    EXPECT_TRUE(image.HitTest(TPoint(60, 55)));

    const auto picture = MakeBitmap(100, 50, clRed);
    image.ImageData()->Picture()->SetGraphic(picture.get());
    const QImage out = RenderObjects({&image}, 120, 120);
    // The corners of the bounding box outside the turned picture show the page.
    EXPECT_EQ(Pixel(out, 1, 1), clWhite);
    EXPECT_EQ(Pixel(out, 50, 25), clRed);
    EXPECT_EQ(Pixel(out, 60, 55), clRed);
}

TEST_F(ImageTest, DisplayCopiesShrinkWithTheirMaskAndAreKeptPerSize) {
    auto keyed = MakeBitmap(4, 2, clRed);
    keyed->Canvas().FillSolid(TRect(0, 0, 2, 2), kPictureTransparentColor);
    keyed->Canvas().FreeHandle();
    std::unique_ptr<TBitmap> copy = MakeDisplayCopy(*keyed, 2, 1, kPictureTransparentColor);
    const QImage c = AlphaImage(*copy);
    EXPECT_EQ(qAlpha(c.pixel(0, 0)), 0);
    EXPECT_EQ(c.pixel(1, 0), qRgba(255, 0, 0, 255));                // no key colour averaged in
    EXPECT_EQ(MakeDisplayCopy(*keyed, 40, 40, clNone)->Width(), 4); // never enlarged

    auto site = MakeSite(2000, 1000);
    auto* image = new TLOImage(site.get());
    image->SetLogRect(TRect(0, 0, 1000, 500));
    const auto picture = MakeBitmap(3000, 1500, clBlue, 100, clRed);
    image->ImageData()->Picture()->SetGraphic(picture.get());
    site->AddObject(image);
    const QImage first = RenderSite(*site, 96);
    const QImage second = RenderSite(*site, 96);
    EXPECT_EQ(image->CopiesBuilt(), 1);
    EXPECT_EQ(Pixel(second, 180, 90), clRed);
    EXPECT_EQ(Pixel(second, 1, 1), clBlue);
    RenderSite(*site, 300);
    EXPECT_EQ(image->CopiesBuilt(), 2);
}

TEST_F(ImageTest, StoredFormRoundTripsAndOlderIllustrationsTurnF0Transparent) {
    TLOAlbumIllust illust(nullptr);
    illust.SetLogRect(TRect(5, 6, 105, 56));
    const auto picture = MakeBitmap(8, 4, clRed);
    const auto frame = MakeFrame();
    illust.ImageData()->Picture()->SetGraphic(picture.get());
    illust.ImageData()->SetTransparentColor(clRed);
    illust.FramePicture()->SetGraphic(frame.get());
    illust.SetAlphaFrame(true);
    illust.SetAngle(-15);
    illust.SetImageSource(isOnePoint);
    illust.SetWizInputEnable(true);
    illust.SetWizInputCaption(QStringLiteral("写真"));
    const QByteArray bytes = Store(&illust);
    std::unique_ptr<TComponent> back = Load(bytes);
    auto* loaded = dynamic_cast<TLOAlbumIllust*>(back.get());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->Angle(), -15);
    EXPECT_EQ(loaded->ImageSource(), isOnePoint);
    EXPECT_EQ(loaded->WizInputCaption(), QStringLiteral("写真"));
    EXPECT_EQ(loaded->ImageData()->TransparentColor(), clRed); // a new one keeps its colour
    EXPECT_EQ(loaded->FramePicture()->Width(), 40);
    EXPECT_EQ(Store(loaded), bytes);

    // The older form stored the picture itself.
    QByteArray old = bytes;
    const QByteArray nested = QByteArray("\x16ImageData.Picture.Data");
    ASSERT_TRUE(old.contains(nested));
    old.replace(nested, QByteArray("\x0cPicture.Data"));
    back = Load(old);
    auto* legacy = dynamic_cast<TLOAlbumIllust*>(back.get());
    ASSERT_NE(legacy, nullptr);
    EXPECT_EQ(legacy->ImageData()->Picture()->Width(), 8);
    EXPECT_EQ(legacy->ImageData()->TransparentColor(), kPictureTransparentColor);
}

TEST_F(ImageTest, PicturesPreparedSideBySideAreDecodedOnceEachAndPaintAsOneByOne) {
    QByteArray photos[2];
    for (int n = 0; n < 2; ++n) {
        QImage picture(640, 480, QImage::Format_RGB32);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                picture.setPixel(x, y, qRgb((x / 3 + n * 90) & 255, (y / 2) & 255, (x ^ y) & 255));
        QBuffer buffer(&photos[n]);
        ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && picture.save(&buffer, "JPEG", 90));
    }
    // Six pictures of two photos: most threads find their photo being decoded by another.
    const auto makeSite = [&](std::vector<TLOImage*>& images) {
        std::unique_ptr<TDrawSite> site = MakeSite(2000, 1000);
        for (int i = 0; i < 6; ++i) {
            auto* image = new TLOImage(site.get());
            image->SetLogRect(Bounds(50 + (i % 3) * 650, 50 + (i / 3) * 480, 600, 400));
            TJPEGImage jpeg;
            jpeg.SetData(photos[i % 2]);
            image->ImageData()->Picture()->SetGraphic(&jpeg);
            site->AddObject(image);
            images.push_back(image);
        }
        return site;
    };
    std::vector<TLOImage*> plainImages, preparedImages;
    const std::unique_ptr<TDrawSite> plain = makeSite(plainImages);
    const QImage expected = RenderSite(*plain, 150);

    SetKernelThreadCount(4);
    const std::unique_ptr<TDrawSite> prepared = makeSite(preparedImages);
    prepared->SetPrepareInParallel(true);
    QImage page;
    int64_t decodes = 0, answered = 0;
    {
        TJPEGDecodeCache cache(64 << 20);
        const TJPEGDecodeCounts before = JPEGDecodeCounts();
        page = RenderSite(*prepared, 150);
        const TJPEGDecodeCounts after = JPEGDecodeCounts();
        for (int scale = 0; scale < 4; ++scale)
            decodes += after.Scale[scale] - before.Scale[scale];
        answered = after.FromCache - before.FromCache;
    }
    SetKernelThreadCount(0);
    EXPECT_EQ(decodes, 2);
    EXPECT_EQ(answered, 4);
    for (TLOImage* image : preparedImages)
        EXPECT_EQ(image->CopiesBuilt(), 1); // the paint used what was prepared
    EXPECT_EQ(page, expected);
    // Both photos drawn, each where its pictures are.
    EXPECT_NE(Pixel(page, 200, 140), clWhite);
    EXPECT_NE(Pixel(page, 200, 140), Pixel(page, 590, 140));
}
