#include "pageobjects/layout/ULOAlbumPhoto.h"

#include "LayoutTestSupport.h"
#include "imaging/UImagePack.h"
#include "imaging/UPictureEX.h"
#include "imaging/USafetyBitmap.h"
#include "pageobjects/engine/UDrawSite.h"
#include "platform/Canvas.h"
#include "platform/Stream.h"

#include <QBuffer>
#include <QStringList>
#include <climits>
#include <gtest/gtest.h>

namespace {

class AlbumPhotoTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterLayoutTestClasses();
        SetImageDispLimitSize(0);
        SetImagePrintLimitSize(0);
        SetPhotoDateImagePack(nullptr);
    }
    void TearDown() override { SetPhotoDateImagePack(nullptr); }
};

// A w x h bitmap: fill, with the rect r painted in inner.
std::unique_ptr<TSafetyBitmap> MakeBitmap(int w, int h, TColor fill, const TRect& r = TRect(),
                                          TColor inner = 0) {
    auto b = std::make_unique<TSafetyBitmap>(w, h, pf24bit);
    b->Canvas().FillSolid(TRect(0, 0, w, h), fill);
    if (!r.IsEmpty())
        b->Canvas().FillSolid(r, inner);
    b->Canvas().FreeHandle();
    return b;
}

TGraphic* Prepared(TLOAlbumPhoto& photo) {
    EXPECT_TRUE(photo.PreparePicture());
    return photo.PhotoImage()->ImageData()->Picture()->Graphic();
}

TColor At(TGraphic* graphic, int x, int y) {
    auto* bitmap = dynamic_cast<TBitmap*>(graphic);
    return bitmap ? bitmap->GetPixel(x, y) : TColor(clNone);
}

// The bounding box of the pixels that are not white.
TRect InkBounds(TGraphic* graphic) {
    auto* bitmap = dynamic_cast<TBitmap*>(graphic);
    TRect box(INT_MAX, INT_MAX, INT_MIN, INT_MIN);
    for (int y = 0; y < bitmap->Height(); ++y)
        for (int x = 0; x < bitmap->Width(); ++x)
            if (bitmap->GetPixel(x, y) != clWhite)
                box = TRect(std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x + 1),
                            std::max(box.Bottom, y + 1));
    return box;
}

// A JPEG whose first directory holds one DateTime text.
std::unique_ptr<TJPEGImage> ExifJpeg(int w, int h, const QByteArray& date) {
    TSafetyBitmap bitmap(w, h, pf24bit);
    bitmap.Canvas().FillSolid(TRect(0, 0, w, h), clWhite);
    bitmap.Canvas().FreeHandle();
    TJPEGImage plain;
    plain.Assign(bitmap);
    plain.Compress();
    QByteArray text = date;
    text.append('\0');
    QByteArray tiff("II*\0\x08\0\0\0", 8);
    tiff.append(QByteArray("\x01\0\x32\x01\x02\0", 6));
    tiff.append(char(text.size())).append(QByteArray(3, 0));
    tiff.append(QByteArray("\x1A\0\0\0", 4)).append(QByteArray(4, 0)).append(text);
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment("\xFF\xE1", 2);
    segment.append(char((payload.size() + 2) >> 8)).append(char((payload.size() + 2) & 0xFF)).append(payload);
    QByteArray data = plain.Data();
    data.insert(2, segment);
    auto jpeg = std::make_unique<TJPEGImage>();
    TMemoryStream stream(data);
    jpeg->LoadFromStream(stream);
    return jpeg;
}

// Fourteen 10 x 10 cells, cell i a solid blue of level 10 i + 50.
std::unique_ptr<TMatrixImagePack> GlyphPack() {
    auto pack = std::make_unique<TMatrixImagePack>(nullptr);
    TSafetyBitmap strip(140, 10, pf24bit);
    for (int i = 0; i < 14; ++i)
        strip.Canvas().FillSolid(TRect(i * 10, 0, i * 10 + 10, 10), RGB(0, 0, 10 * i + 50));
    strip.Canvas().FreeHandle();
    TPictureEx picture;
    picture.SetGraphic(&strip);
    pack->SetImage(&picture);
    pack->SetCountCol(14);
    return pack;
}

TColor GlyphColor(char c) {
    return RGB(0, 0, 10 * int(std::strchr(kPhotoDateGlyphs, c) - kPhotoDateGlyphs) + 50);
}

} // namespace

TEST_F(AlbumPhotoTest, EveryPropertyRoundTripsByteForByteInOrder) {
    TLOAlbumPhoto photo(nullptr);
    photo.SetLogRect(TRect(10, 20, 210, 170));
    const auto picture = MakeBitmap(8, 6, clRed);
    const auto frame = MakeBitmap(4, 4, kPictureTransparentColor);
    photo.PhotoImageObj()->Picture()->SetGraphic(picture.get());
    photo.PhotoImageObj()->BlurFilter()->SetBlurCount(2);
    photo.PhotoImageObj()->SetTransparentColor(clBlue);
    photo.SetImageSource(isTwain);
    photo.SetAlphaFrame(true);
    photo.FramePicture()->SetGraphic(frame.get());
    photo.SetShadow(true);
    photo.SetShadowX(-7);
    photo.SetShadowY(400);
    photo.SetShadowColor(0x123456);
    photo.ShadowPicture()->SetGraphic(frame.get());
    photo.SetShadowShade(true);
    photo.SetFitOuter(true);
    photo.SetFrameFitPhoto(true);
    photo.SetDisplayDate(true);
    photo.SetDateFormat(QStringLiteral("yyyy/mm/dd"));
    photo.DateFont()->SetName(QStringLiteral("IPAGothic"));
    photo.NormalizeFilter()->SetFilterNo(TAutoAdjustFilter::afAutoNormalize);
    photo.SetPhotoAngle(-1);
    photo.SetPhotoDate(DateTimeFromParts(2001, 2, 3, 4, 5, 6));
    photo.SetAngle(15);
    photo.SetDontPrint(true);

    const QByteArray bytes = Store(&photo);
    const QStringList order = {"PhotoImageObj.Picture",
                               "PhotoImageObj.BlurFilter",
                               "ImageSource",
                               "AlphaFrame",
                               "FramePicture",
                               "Shadow",
                               "ShadowX",
                               "ShadowY",
                               "ShadowColor",
                               "ShadowPicture",
                               "ShadowShade",
                               "FitOuter",
                               "FrameFitPhoto",
                               "DisplayDate",
                               "DateFormat",
                               "DateFont.",
                               "NormalizeFilter.",
                               "PhotoAngle",
                               "PhotoDate",
                               "Angle"};
    qsizetype last = bytes.indexOf("Height");
    for (const QString& name : order) {
        const qsizetype at = bytes.indexOf(name.toLatin1(), last + 1);
        EXPECT_GT(at, last) << name.toStdString();
        last = at;
    }
    std::unique_ptr<TComponent> back = Load(bytes);
    auto* loaded = dynamic_cast<TLOAlbumPhoto*>(back.get());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->ShadowY(), 400);
    EXPECT_EQ(loaded->PhotoAngle(), -1);
    EXPECT_EQ(loaded->DateFont()->Color(), TLOAlbumPhoto::kDefaultDateColor);
    EXPECT_EQ(loaded->Shade()->Picture()->Width(), 4); // the shade mask follows ShadowShade
    EXPECT_EQ(Store(loaded), bytes);

    // Assignment carries the same state.
    TLOAlbumPhoto copy(nullptr);
    copy.Assign(loaded);
    EXPECT_EQ(Store(&copy), bytes);

    // A photo as made writes its booleans and offsets too: none has a stream default.
    TLOAlbumPhoto plain(nullptr);
    const QByteArray fresh = Store(&plain);
    for (const char* name :
         {"Shadow", "ShadowX", "FitOuter", "DisplayDate", "PhotoAngle", "Angle", "DateFont.Style"})
        EXPECT_TRUE(fresh.contains(name)) << name;
}

TEST_F(AlbumPhotoTest, DisplayLimitShrinksBeforeTheFiltersAndPrintingKeepsFullSize) {
    SetImageDispLimitSize(800);
    auto site = MakeSite(2000, 2000);
    auto* photo = new TLOAlbumPhoto(site.get());
    site->AddObject(photo);
    photo->SetLogRect(TRect(0, 0, 1500, 1000));
    // A sharp edge at the middle; the blur spreads it by a few pixels of the picture it runs on.
    const auto picture = MakeBitmap(3000, 2000, clWhite, TRect(0, 0, 1500, 2000), clBlack);
    photo->PhotoImageObj()->Picture()->SetGraphic(picture.get());
    photo->PhotoImageObj()->BlurFilter()->SetBlurCount(1);
    TGraphic* shown = Prepared(*photo);
    ASSERT_EQ(shown->Width(), 800);
    ASSERT_EQ(shown->Height(), 533);
    // Blurred after shrinking: the edge is soft on the 800-pixel picture itself.
    const TColor edge = At(shown, 400, 266);
    EXPECT_NE(edge, clBlack);
    EXPECT_NE(edge, clWhite);

    TDOList list;
    list.Add(photo);
    PreparePhotosForPrint(list);
    shown = Prepared(*photo);
    EXPECT_EQ(shown->Width(), 3000);
    EXPECT_EQ(shown->Height(), 2000);
    EXPECT_TRUE(photo->Visible());

    auto* empty = new TLOAlbumPhoto(site.get());
    site->AddObject(empty);
    list.Add(empty);
    PreparePhotosForPrint(list);
    EXPECT_FALSE(empty->Visible());
    SetImagePrintLimitSize(1000);
    photo->DropPreparedPicture();
    EXPECT_EQ(Prepared(*photo)->Width(), 1000);
}

TEST_F(AlbumPhotoTest, AJPEGShownSmallerKeepsItsBytesAndPrintsFromThemAtFullSize) {
    SetImageDispLimitSize(100);
    auto site = MakeSite(2000, 2000);
    auto* photo = new TLOAlbumPhoto(site.get());
    site->AddObject(photo);
    photo->SetLogRect(TRect(0, 0, 1000, 750));
    // Left half red, right half blue; 640 wide is more than four times the limit.
    const auto halves = MakeBitmap(640, 480, clBlue, TRect(0, 0, 320, 480), clRed);
    TJPEGImage encoder;
    encoder.Assign(*halves);
    const QByteArray bytes = encoder.Data();
    // As read from a file: the bytes alone, nothing decoded yet.
    TJPEGImage jpeg;
    jpeg.SetData(bytes);
    photo->PhotoImageObj()->Picture()->SetGraphic(&jpeg);
    const QByteArray stored = Store(photo);

    TGraphic* shown = Prepared(*photo);
    ASSERT_EQ(shown->Width(), 100);
    ASSERT_EQ(shown->Height(), 75);
    const TColor left = At(shown, 20, 37), right = At(shown, 80, 37);
    EXPECT_GT(GetRValue(left), 200);
    EXPECT_LT(GetBValue(left), 60);
    EXPECT_GT(GetBValue(right), 200);
    EXPECT_LT(GetRValue(right), 60);
    // The photo itself is still the whole file at full size, stored as before.
    auto* kept = dynamic_cast<TJPEGGraphic*>(photo->PhotoImageObj()->Picture()->Graphic());
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->Data(), bytes);
    EXPECT_EQ(kept->Width(), 640);
    EXPECT_EQ(Store(photo), stored);

    TDOList list;
    list.Add(photo);
    PreparePhotosForPrint(list);
    shown = Prepared(*photo);
    EXPECT_EQ(shown->Width(), 640);
    EXPECT_EQ(shown->Height(), 480);
}

TEST_F(AlbumPhotoTest, APageOfPhotosDrawnAtFullScaleDecodesNoJPEGAtFullSize) {
    // 2400 x 1600, eight times the 300 the limit asks: each slot's part covers it at 1/4.
    SetImageDispLimitSize(300);
    QImage gradient(2400, 1600, QImage::Format_RGB32);
    for (int y = 0; y < gradient.height(); ++y)
        for (int x = 0; x < gradient.width(); ++x)
            gradient.setPixel(x, y, qRgb(x / 10, y / 7, 128));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && gradient.save(&buffer, "JPEG", 90));

    auto site = MakeSite(2100, 2970);
    std::vector<TLOAlbumPhoto*> photos;
    for (int i = 0; i < 6; ++i) {
        auto* photo = new TLOAlbumPhoto(site.get());
        site->AddObject(photo);
        // Square slots clip the picture to its centre; the last one is the whole picture's shape.
        photo->SetFitOuter(i < 5);
        photo->SetLogRect(i < 5 ? Bounds(100 + (i % 2) * 1000, 100 + (i / 2) * 900, 800, 800)
                                : Bounds(100, 2500, 600, 400));
        TJPEGImage jpeg;
        jpeg.SetData(bytes);
        photo->PhotoImageObj()->Picture()->SetGraphic(&jpeg);
        photos.push_back(photo);
    }
    const TJPEGDecodeCounts before = JPEGDecodeCounts();
    // Asking whether a photo blends decodes nothing.
    for (TLOAlbumPhoto* photo : photos)
        EXPECT_FALSE(photo->NeedsBlend());
    EXPECT_EQ(JPEGDecodeCounts().Scale[jsQuarter], before.Scale[jsQuarter]);
    const QImage page = RenderSite(*site, 96);
    const TJPEGDecodeCounts after = JPEGDecodeCounts();
    EXPECT_EQ(after.Scale[jsFullSize], before.Scale[jsFullSize]);
    EXPECT_EQ(after.Scale[jsHalf], before.Scale[jsHalf]);
    EXPECT_EQ(after.Scale[jsQuarter] - before.Scale[jsQuarter], 6);
    // The clipped centre is what shows: the square slot's prepared picture is the limit's size,
    // and its left edge holds the colour of the picture's column 400.
    TGraphic* shown = Prepared(*photos[0]);
    ASSERT_EQ(shown->Width(), 300);
    ASSERT_EQ(shown->Height(), 300);
    EXPECT_TRUE(Near(At(shown, 0, 150), RGB(40, 800 / 7, 128), 12));
    EXPECT_TRUE(Near(At(shown, 299, 150), RGB(200, 800 / 7, 128), 12));
    EXPECT_EQ(Prepared(*photos[5])->Width(), 300);
}

TEST_F(AlbumPhotoTest, AutomaticTurnsFollowTheSlot) {
    TLOAlbumPhoto photo(nullptr);
    photo.SetPhotoAngle(-1);
    // The left quarter red: turned a quarter clockwise it becomes the top.
    const auto wide = MakeBitmap(400, 300, clBlue, TRect(0, 0, 100, 300), clRed);
    photo.PhotoImageObj()->Picture()->SetGraphic(wide.get());
    photo.SetLogRect(TRect(0, 0, 100, 150));
    EXPECT_EQ(photo.PhotoTurn(), 90);
    TGraphic* shown = Prepared(photo);
    EXPECT_EQ(shown->Width(), 300);
    EXPECT_EQ(shown->Height(), 400);
    EXPECT_EQ(At(shown, 150, 20), clRed);
    EXPECT_EQ(At(shown, 150, 380), clBlue);
    // The photo image stands in the slot with the turned picture's proportions.
    EXPECT_EQ(photo.PhotoImage()->LogBounds(), TRect(0, 9, 100, 142));
    // A changed filter of the photo shows: the prepared picture is built again.
    photo.PhotoImageObj()->LightFilter()->SetBrightness(20);
    EXPECT_TRUE(photo.PhotoImage()->ImageData()->IsEmpty());

    const auto tall = MakeBitmap(300, 400, clBlue);
    photo.PhotoImageObj()->Picture()->SetGraphic(tall.get());
    photo.SetLogRect(TRect(0, 0, 150, 100));
    EXPECT_EQ(photo.PhotoTurn(), 270);
    EXPECT_EQ(Prepared(photo)->Width(), 400);

    photo.SetLogRect(TRect(0, 0, 120, 120));
    EXPECT_EQ(photo.PhotoTurn(), 0);
    photo.SetPhotoAngle(180);
    EXPECT_EQ(photo.PhotoTurn(), 180);
}

TEST_F(AlbumPhotoTest, FitOuterShowsTheCentredPartFillingTheSlot) {
    TLOAlbumPhoto photo(nullptr);
    photo.SetLogRect(TRect(0, 0, 100, 100));
    photo.SetFitOuter(true);
    // 4:3, red in the centred square, blue at the sides.
    const auto picture = MakeBitmap(400, 300, clBlue, TRect(50, 0, 350, 300), clRed);
    photo.PhotoImageObj()->Picture()->SetGraphic(picture.get());
    TGraphic* shown = Prepared(photo);
    EXPECT_EQ(shown->Width(), 300);
    EXPECT_EQ(shown->Height(), 300);
    const QImage out = RenderObjects({&photo}, 100, 100);
    for (const TPoint& p : {TPoint(1, 1), TPoint(98, 50), TPoint(50, 98), TPoint(50, 50)})
        EXPECT_EQ(Pixel(out, p.X, p.Y), clRed) << p.X << "," << p.Y;
}

TEST_F(AlbumPhotoTest, ShadowMovesByThePercentOfTheLongerSideAndGrowsTheBounds) {
    TLOAlbumPhoto photo(nullptr);
    photo.SetLogRect(TRect(0, 0, 200, 100));
    const auto picture = MakeBitmap(200, 100, clRed);
    photo.PhotoImageObj()->Picture()->SetGraphic(picture.get());
    photo.SetShadowColor(clGreen);
    photo.SetShadow(true);
    EXPECT_EQ(photo.ShadowOffset(), TPoint(6, 6));
    EXPECT_EQ(photo.LogRect(), TRect(0, 0, 206, 106));
    EXPECT_TRUE(photo.NeedsBlend());
    const QImage out = RenderObjects({&photo}, 220, 120);
    EXPECT_EQ(Pixel(out, 100, 50), clRed);
    EXPECT_EQ(Pixel(out, 203, 50), clGreen);
    EXPECT_EQ(Pixel(out, 100, 103), clGreen);
    EXPECT_EQ(Pixel(out, 3, 103), clWhite); // the shadow's own shape, not the whole bounds
    EXPECT_EQ(Pixel(out, 203, 3), clWhite);

    // Offsets of any size are worked out without overflow and held in range.
    photo.SetLogRect(TRect(0, 0, 2000000000, 100));
    photo.SetShadowX(INT_MAX);
    photo.SetShadowY(INT_MIN);
    EXPECT_EQ(photo.ShadowOffset(), TPoint(INT_MAX, INT_MIN));
    const TRect bounds = photo.LogRect();
    EXPECT_EQ(bounds.Right, INT_MAX);
}

TEST_F(AlbumPhotoTest, TurnedPhotoIsHitWhereItIsDrawn) {
    TLOAlbumPhoto photo(nullptr);
    photo.SetLogRect(TRect(0, 0, 100, 50));
    photo.SetAngle(30);
    EXPECT_TRUE(photo.HitTest(TPoint(50, 25)));
    EXPECT_TRUE(photo.HitTest(TPoint(60, 55))); // outside the unturned rect
    EXPECT_FALSE(photo.HitTest(TPoint(2, 2)));  // inside it, outside the turned one
    EXPECT_EQ(photo.Shade()->Angle(), 30);
    // Empty, it shows its turned rect in grey.
    const QImage out = RenderObjects({&photo}, 120, 120);
    EXPECT_EQ(Pixel(out, 60, 50), RGB(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(Pixel(out, 2, 2), clWhite);
}

TEST(AlbumPhotoDateTest, ExifTextsParseOrFail) {
    TDateTime d = 0;
    ASSERT_TRUE(ParseExifDateTime(QStringLiteral("2002:07:15 10:20:30"), d));
    EXPECT_EQ(d, DateTimeFromParts(2002, 7, 15, 10, 20, 30));
    ASSERT_TRUE(ParseExifDateTime(QStringLiteral("　2002/7/5\t1:2:3"), d));
    EXPECT_EQ(d, DateTimeFromParts(2002, 7, 5, 1, 2, 3));
    for (const char* bad : {"", "    :  :     :  :  ", "2002:13:15 10:20:30", "2002:07:15 24:00:00",
                            "99999999999:07:15 10:20:30", "0000:00:00 00:00:00", "2002:02:30 10:20:30"})
        EXPECT_FALSE(ParseExifDateTime(QString::fromLatin1(bad), d)) << bad;
}

TEST_F(AlbumPhotoTest, GlyphDateStandsRightAlignedOnTheLongSide) {
    const auto pack = GlyphPack();
    SetPhotoDateImagePack(pack.get());
    TLOAlbumPhoto photo(nullptr);
    photo.SetLogRect(TRect(0, 0, 680, 340));
    photo.SetDisplayDate(true);
    photo.SetDateFormat(QStringLiteral("yy-m"));
    photo.SetPhotoDate(DateTimeFromParts(1999, 4, 1));
    const auto landscape = MakeBitmap(680, 340, clWhite);
    photo.PhotoImageObj()->Picture()->SetGraphic(landscape.get());
    // u = 10: row (10, 325)-(670, 335), glyphs 10 x 10, gaps 3; "99-4" starts at 670 - 40 - 9.
    TGraphic* shown = Prepared(photo);
    EXPECT_EQ(InkBounds(shown), TRect(621, 325, 670, 335));
    EXPECT_EQ(At(shown, 625, 330), GlyphColor('9'));
    EXPECT_EQ(At(shown, 633, 330), clWhite);
    EXPECT_EQ(At(shown, 652, 330), GlyphColor('-'));
    EXPECT_EQ(At(shown, 665, 330), GlyphColor('4'));

    // A portrait photo is stamped along its long side: the same row turned back a quarter.
    const auto portrait = MakeBitmap(340, 680, clWhite);
    photo.PhotoImageObj()->Picture()->SetGraphic(portrait.get());
    photo.SetLogRect(TRect(0, 0, 340, 680));
    shown = Prepared(photo);
    EXPECT_EQ(InkBounds(shown), TRect(5, 621, 15, 670));
    EXPECT_EQ(At(shown, 10, 665), GlyphColor('4'));

    // The Exif date wins over PhotoDate; one that does not parse gives way to it.
    photo.SetLogRect(TRect(0, 0, 680, 340));
    photo.PhotoImageObj()->Picture()->SetGraphic(ExifJpeg(680, 340, "2002:07:15 10:20:30").get());
    EXPECT_EQ(At(Prepared(photo), 665, 330), GlyphColor('7'));
    photo.PhotoImageObj()->Picture()->SetGraphic(ExifJpeg(680, 340, "2002:17:15 10:20:30").get());
    EXPECT_EQ(At(Prepared(photo), 665, 330), GlyphColor('4'));
}

TEST_F(AlbumPhotoTest, FontDateAndBadFormatsNeverFailThePaint) {
    TLOAlbumPhoto photo(nullptr);
    photo.SetLogRect(TRect(0, 0, 400, 300));
    photo.SetDisplayDate(true);
    photo.SetDateFormat(QStringLiteral("yyyy"));
    const auto picture = MakeBitmap(400, 300, clWhite);
    photo.PhotoImageObj()->Picture()->SetGraphic(picture.get());
    const TRect ink = InkBounds(Prepared(photo));
    // Lower right, its bottom half a text height above the picture's bottom.
    EXPECT_GT(ink.Left, 200);
    EXPECT_GT(ink.Top, 200);
    EXPECT_LT(ink.Bottom, 295);
    EXPECT_LT(ink.Right, 390);

    photo.SetDateFormat(QStringLiteral("$(NoSuchMonth) yyyy"));
    EXPECT_NO_THROW(RenderObjects({&photo}, 400, 300));
    EXPECT_EQ(InkBounds(Prepared(photo)).Left, INT_MAX); // nothing stamped
}
