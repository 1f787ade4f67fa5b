#include "imaging/UGraphicsUtil.h"

#include "core/USupportUtil.h"
#include "imaging/UJPEGImage.h"
#include "platform/Canvas.h"
#include "platform/Picture.h"

#include <gtest/gtest.h>

#include <QImage>

namespace {

std::unique_ptr<TJPEGGraphic> MakeJPEG(int width, int height) {
    TBitmap bitmap(width, height, pf24bit);
    for (int y = 0; y < height; ++y)
        for (int i = 0; i < width * 3; ++i)
            bitmap.ScanLine(y)[i] = uint8_t((i + y) & 0xFF);
    auto jpeg = std::make_unique<TJPEGGraphic>();
    jpeg->Assign(bitmap);
    jpeg->Compress();
    auto loaded = std::make_unique<TJPEGGraphic>();
    loaded->SetData(jpeg->Data());
    return loaded;
}

void Fill(TBitmap& bitmap, TColor color) {
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) {
            uint8_t* p = bitmap.ScanLine(y) + x * 3;
            p[0] = uint8_t(GetBValue(color)), p[1] = uint8_t(GetGValue(color)),
            p[2] = uint8_t(GetRValue(color));
        }
    bitmap.Changed();
}

} // namespace

TEST(JPEGScaleTest, StrictlyLargerThanTheMultipleDecodesSmaller) {
    EXPECT_EQ(JPEGScaleForSize(4000, 3000, 400, 300), jsEighth);     // 4000 > 3200
    EXPECT_EQ(JPEGScaleForSize(4000, 3000, 600, 450), jsQuarter);    // 4000 > 2400, not > 4800
    EXPECT_EQ(JPEGScaleForSize(4000, 3000, 2000, 1500), jsFullSize); // 4000 is not > 4000
    EXPECT_EQ(JPEGScaleForSize(4000, 3000, 1900, 3000), jsHalf);     // fitted 1900 x 1425
    EXPECT_EQ(JPEGScaleForSize(3000, 4000, 300, 400), jsEighth);     // the longer side may be the height
}

TEST(JPEGScaleTest, JPEGsTakeTheScaleAndQualityOtherGraphicsNothing) {
    auto jpeg = MakeJPEG(800, 600);
    SetJPEGScaleForSize(jpeg.get(), 80, 60);
    EXPECT_EQ(jpeg->Scale(), jsEighth);
    EXPECT_EQ(jpeg->Performance(), jpBestQuality);
    EXPECT_TRUE(jpeg->Smoothing());
    SetJPEGFastScaleForSize(jpeg.get(), 150, 150);
    EXPECT_EQ(jpeg->Scale(), jsQuarter);
    EXPECT_EQ(jpeg->Performance(), jpBestSpeed);
    EXPECT_FALSE(jpeg->Smoothing());
    TBitmap bitmap(800, 600);
    SetJPEGScaleForSize(&bitmap, 80, 60);
    EXPECT_EQ(bitmap.Width(), 800);
    SetJPEGScaleForSize(nullptr, 80, 60);
}

TEST(LockedDrawTest, BothCanvasesAreUnlockedAfterwards) {
    TBitmap target(20, 20), source(10, 10);
    Fill(source, clRed);
    StretchDrawLocked(target.Canvas(), TRect(0, 0, 20, 20), &source);
    DrawGraphicLocked(target.Canvas(), 5, 5, &source);
    EXPECT_TRUE(target.Canvas().TryLock());
    target.Canvas().Unlock();
    EXPECT_TRUE(source.Canvas().TryLock());
    source.Canvas().Unlock();
    EXPECT_EQ(target.GetPixel(19, 19), clRed);
}

TEST(ThumbnailTest, TransparentWhiteShowsTheBackColour) {
    auto bitmap = std::make_unique<TBitmap>(8, 8, pf24bit);
    Fill(*bitmap, clWhite);
    for (int y = 0; y < 8; ++y) // a blue left half
        for (int x = 0; x < 4; ++x)
            bitmap->ScanLine(y)[x * 3] = 255, bitmap->ScanLine(y)[x * 3 + 1] = 0,
                                    bitmap->ScanLine(y)[x * 3 + 2] = 0;
    TPicture picture;
    picture.TakeGraphic(std::move(bitmap));
    TBitmap thumbnail(4, 4, pf24bit);
    DrawPictureThumbnail(&picture, &thumbnail, clWhite, true, clYellow);
    EXPECT_EQ(thumbnail.GetPixel(0, 0), clBlue);
    EXPECT_EQ(thumbnail.GetPixel(3, 3), clYellow);
    // Without a transparent colour the white stays white.
    TBitmap plain(4, 4, pf24bit);
    DrawPictureThumbnail(&picture, &plain, -1, true, clYellow);
    EXPECT_EQ(plain.GetPixel(3, 3), clWhite);
    TBitmap none(4, 4, pf24bit);
    DrawPictureThumbnail(nullptr, &none, clNone, true, clYellow);
}

TEST(ThumbnailTest, JPEGsAreDecodedSmallAndStretched) {
    TPicture picture;
    picture.TakeGraphic(MakeJPEG(640, 480));
    TBitmap thumbnail(40, 30, pf24bit);
    DrawPictureThumbnail(&picture, &thumbnail, clNone, true, clWhite);
    auto* jpeg = dynamic_cast<TJPEGGraphic*>(picture.Graphic());
    ASSERT_NE(jpeg, nullptr);
    EXPECT_EQ(jpeg->Scale(), jsEighth);
    EXPECT_EQ(jpeg->Width(), 80);
    // The pattern's mean brightness survives the reduction.
    EXPECT_NE(thumbnail.GetPixel(20, 15), clWhite);
    TJPEGGraphic out;
    MakeJPEGThumbnail(&picture, &out, 32, 24, clNone, clWhite, true);
    EXPECT_EQ(out.ImageWidth(), 32);
    EXPECT_EQ(out.ImageHeight(), 24);
}

TEST(CanvasAreaBitmapTest, AreasOutsideTheClipGiveEmptyBitmaps) {
    QImage image(100, 100, QImage::Format_RGB32);
    TCanvas canvas(&image);
    canvas.IntersectClipRect(TRect(0, 0, 50, 50));
    auto outside = CreateCanvasAreaBitmap(canvas, TRect(70, 70, 90, 90), pf24bit, nullptr, false, 5);
    EXPECT_EQ(outside->Width(), 0);
    EXPECT_EQ(outside->Height(), 0);
    auto margin = CreateCanvasAreaBitmap(canvas, TRect(40, 40, 90, 90), pf24bit, nullptr, false, 5);
    EXPECT_EQ(margin->Width(), 15); // clip 0..50 enlarged by 5
}

TEST(CanvasAreaBitmapTest, TenthMillimetreCanvasMapsTheAreaCornerToPixelZero) {
    QImage image(400, 400, QImage::Format_RGB32);
    image.fill(Qt::white);
    TCanvas canvas(&image);
    canvas.SetMapMode(MM_ANISOTROPIC);
    canvas.SetWindowExt(254, 254);
    canvas.SetViewportExt(96, 96);
    const TRect rect(200, 300, 300, 400);
    auto bitmap = CreateCanvasAreaBitmap(canvas, rect, pf24bit, nullptr, false, 5);
    const TRect device = canvas.LPtoDP(rect);
    EXPECT_EQ(bitmap->Width(), device.Width());
    EXPECT_EQ(bitmap->Height(), device.Height());
    EXPECT_NEAR(bitmap->Width(), 38, 1);
    TCanvas& area = bitmap->Canvas();
    area.Brush().Color = clRed;
    area.FillRect(TRect(200, 300, 210, 310));
    EXPECT_EQ(bitmap->GetPixel(0, 0), clRed);
    EXPECT_NE(bitmap->GetPixel(6, 6), clRed);
}

TEST(CanvasAreaBitmapTest, ContentsAreCopiedFromImagesAndRenderedForPrinters) {
    QImage image(60, 40, QImage::Format_RGB32);
    image.fill(Qt::white);
    TCanvas canvas(&image);
    canvas.Brush().Color = clGreen;
    canvas.FillRect(TRect(10, 10, 20, 20));
    auto copied = CreateCanvasAreaBitmap(canvas, TRect(5, 5, 25, 25), pf24bit, nullptr, true, 0);
    EXPECT_EQ(copied->GetPixel(0, 0), clWhite);
    EXPECT_EQ(copied->GetPixel(5, 5), clGreen);
    EXPECT_EQ(copied->GetPixel(14, 14), clGreen);

    QImage paper(60, 40, QImage::Format_RGB32);
    paper.fill(Qt::black);
    TCanvas printer(&paper, TCanvas::dkPrinter);
    auto blank = CreateCanvasAreaBitmap(printer, TRect(5, 5, 25, 25), pf24bit, nullptr, true, 0);
    EXPECT_EQ(blank->GetPixel(3, 3), clWhite); // never read back from the device
    TRect seen;
    SetCanvasAreaRenderer([&](TCanvas&, TBitmap& bitmap, const TRect& area) {
        seen = area;
        bitmap.Canvas().Brush().Color = clBlue;
        bitmap.Canvas().FillRect(TRect(5, 5, 6, 6));
    });
    auto rendered = CreateCanvasAreaBitmap(printer, TRect(5, 5, 25, 25), pf24bit, nullptr, true, 0);
    SetCanvasAreaRenderer(nullptr);
    EXPECT_EQ(seen, TRect(5, 5, 25, 25));
    EXPECT_EQ(rendered->GetPixel(0, 0), clBlue);
    EXPECT_EQ(rendered->GetPixel(1, 1), clWhite);
}

TEST(CanvasAreaBitmapTest, AlphaMapsTakeThePalette) {
    QImage image(20, 20, QImage::Format_RGB32);
    TCanvas canvas(&image);
    auto palette = std::make_shared<TPalette>();
    for (int i = 0; i < 256; ++i)
        palette->Entries.push_back(TPaletteEntry{uint8_t(i), uint8_t(i), uint8_t(i), 0});
    palette->Entries[1] = TPaletteEntry{10, 20, 30, 0};
    auto bitmap = CreateCanvasAreaBitmap(canvas, TRect(0, 0, 10, 10), pf8bit, palette, false, 5);
    EXPECT_EQ(bitmap->PixelFormat(), pf8bit);
    ASSERT_EQ(bitmap->ColorTable().size(), 256u);
    EXPECT_EQ(bitmap->ColorTable()[1], 0x0A141Eu);
    EXPECT_EQ(bitmap->Canvas().Font().PixelsPerInch, canvas.Font().PixelsPerInch);
}
