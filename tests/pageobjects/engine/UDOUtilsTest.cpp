#include "pageobjects/engine/UDOUtils.h"

#include "EngineTestObjects.h"
#include "platform/Bitmap.h"

#include <climits>
#include <gtest/gtest.h>

namespace {

class DOUtilsTest : public ::testing::Test {
protected:
    void SetUp() override { ResetEngineGlobals(); }

    // An unplaced rectangle of the list's own.
    TTestRect* Make(const TRect& r) {
        auto* object = new TTestRect(nullptr);
        object->SetLogRect(r);
        owned.emplace_back(object);
        list.Add(object);
        return object;
    }

    TDOList list;
    std::vector<std::unique_ptr<TTestRect>> owned;
};

} // namespace

TEST_F(DOUtilsTest, KeepsCentresTenUnitsInside) {
    TTestRect* outside = Make(TRect(985, 100, 1005, 120)); // centre x 995: 5 inside the edge
    TTestRect* overhang = Make(TRect(-40, -40, 60, 60));   // centre (10, 10): inside the inset page
    TTestRect* above = Make(TRect(100, -100, 120, -80));
    KeepObjectsInRect(list, TRect(0, 0, 1000, 500));
    EXPECT_EQ(outside->LogRect(), TRect(980, 100, 1000, 120));
    EXPECT_EQ(overhang->LogRect(), TRect(-40, -40, 60, 60));
    EXPECT_EQ(above->LogRect(), TRect(100, 0, 120, 20));
    EXPECT_EQ(GetKeepInsideOffset(TRect(-3, -3, 0, 0), TRect(0, 0, 100, 100)), TPoint(11, 11));
    // At the end of the int range the way back is as far as an int reaches, without overflow.
    EXPECT_EQ(GetKeepInsideOffset(TRect(-2147483647, 0, -2147483643, 20), TRect(0, 0, 100, 100)).X, INT_MAX);
}

TEST_F(DOUtilsTest, RescalesObjectsWithThePage) {
    TTestRect* r = Make(TRect(100, 50, 300, 150));
    RescaleObjects(list, TRect(0, 0, 1000, 500), TRect(0, 0, 1000, 500));
    EXPECT_EQ(r->LogRect(), TRect(100, 50, 300, 150));
    RescaleObjects(list, TRect(0, 0, 1000, 500), TRect(0, 0, 500, 1000));
    EXPECT_EQ(r->LogRect(), TRect(50, 100, 150, 300));
    RescaleObjects(list, TRect(0, 0, 500, 1000), TRect(100, 100, 600, 1100));
    EXPECT_EQ(r->LogRect(), TRect(150, 200, 250, 400));
}

TEST_F(DOUtilsTest, DefaultPictureSizeIsAt180PixelsAnInch) {
    TBitmap photo(90, 54);
    EXPECT_EQ(GetDefaultGraphicSize(photo), TSize(127, 76));
    TBitmap tiny(10, 10);
    EXPECT_EQ(GetDefaultGraphicSize(tiny), TSize(30, 30));
}

TEST_F(DOUtilsTest, NewObjectsFitThePageAndLandInTheMiddle) {
    TDrawSite site(nullptr);
    site.Scaler().SetUnitDPI(96);
    site.SetLogWidth(400);
    site.SetLogHeight(200);
    TTestRect* big = Make(TRect(0, 0, 1000, 100));
    FitNewObject(big, &site);
    EXPECT_EQ(big->LogRect(), TRect(0, 50, 400, 150)) << "cut to the page width, centred";
    TTestRect* small = Make(TRect(0, 0, 40, 20));
    FitNewObject(small, &site);
    EXPECT_EQ(small->LogRect(), TRect(180, 90, 220, 110));

    // On the site, each next one steps past the one already there instead of hiding it; at the
    // page's edge the steps stop.
    const auto fitted = [&site] {
        auto owned = std::make_unique<TTestRect>(nullptr);
        owned->SetLogRect(TRect(0, 0, 40, 20));
        TDrawObject* object = site.AdoptObject(std::move(owned));
        FitNewObject(object, &site);
        return static_cast<TTestRect*>(object)->LogRect();
    };
    EXPECT_EQ(fitted(), TRect(180, 90, 220, 110));
    EXPECT_EQ(fitted(), TRect(230, 140, 270, 160));
    EXPECT_EQ(fitted(), TRect(230, 140, 270, 160));
}

TEST_F(DOUtilsTest, ReversesLists) {
    TTestRect* a = Make(TRect());
    TTestRect* b = Make(TRect());
    TTestRect* c = Make(TRect());
    ReverseList(list);
    EXPECT_EQ(list[0], c);
    EXPECT_EQ(list[1], b);
    EXPECT_EQ(list[2], a);
}

TEST_F(DOUtilsTest, DrawsObjectsOverAFaceAndFillsOutsideTheShape) {
    TTestFace face;
    face.Outer = TRect(1000, 1000, 1254, 1254); // one inch square
    face.Round = true;
    TOwnedDOList clones;
    auto full = std::make_unique<TTestRect>(nullptr);
    full->SetLogRect(TRect(0, 0, 254, 254));
    full->SetFillColor(clBlue);
    clones.Add(std::move(full));
    TBitmap bitmap;
    bitmap.Canvas().Brush().Color = clYellow;
    DrawObjectsToBitmap(face, std::move(clones), bitmap, 100);
    ASSERT_EQ(bitmap.Width(), 96);
    ASSERT_EQ(bitmap.Height(), 96);
    EXPECT_EQ(bitmap.GetPixel(12, 48), clBlue) << "inside the ring";
    EXPECT_EQ(bitmap.GetPixel(48, 48), clYellow) << "the centre hole";
    EXPECT_EQ(bitmap.GetPixel(1, 1), clYellow) << "outside the round face";

    TOwnedDOList again;
    auto half = std::make_unique<TTestRect>(nullptr);
    half->SetLogRect(TRect(0, 0, 254, 254));
    half->SetFillColor(clBlue);
    again.Add(std::move(half));
    TBitmap thumb;
    MakeObjectsThumbnail(face, std::move(again), thumb, 48, 24, -1);
    EXPECT_EQ(thumb.Width(), 24);
    EXPECT_EQ(thumb.Height(), 24);
    EXPECT_EQ(thumb.GetPixel(3, 12), clBlue);
    EXPECT_EQ(thumb.GetPixel(12, 12), clWhite) << "the hole, in the thumbnail's own brush";
}

TEST_F(DOUtilsTest, DrawsObjectsThatShareAName) {
    // Objects read from a stored page carry their stored names, which need not be unique.
    TTestFace face;
    face.Outer = TRect(0, 0, 254, 254);
    TOwnedDOList clones;
    for (const TRect& r : {TRect(0, 0, 127, 254), TRect(127, 0, 254, 254)}) {
        auto object = std::make_unique<TTestRect>(nullptr);
        object->SetName(QStringLiteral("Shape1"));
        object->SetLogRect(r);
        object->SetFillColor(clBlue);
        clones.Add(std::move(object));
    }
    TBitmap bitmap;
    bitmap.Canvas().Brush().Color = clYellow;
    DrawObjectsToBitmap(face, std::move(clones), bitmap, 100);
    ASSERT_EQ(bitmap.Width(), 96);
    EXPECT_EQ(bitmap.GetPixel(10, 48), clBlue);
    EXPECT_EQ(bitmap.GetPixel(86, 48), clBlue);
}

TEST_F(DOUtilsTest, LineWidthsAreAtLeastTwoPixels) {
    TDrawSite site(nullptr);
    site.Scaler().SetUnitDPI(254);
    site.SetLogWidth(1000);
    site.SetLogHeight(1000);
    TTestRect* r = AddRect(site, TRect(0, 0, 10, 10));
    EXPECT_EQ(GetMinLineWidth(r, 1), 5) << "2 pixels are 5.3 units";
    EXPECT_EQ(GetMinLineWidth(r, 8), 8);
    TTestRect loose(nullptr);
    EXPECT_EQ(GetMinLineWidth(&loose, 1), 1);

    TBitmap probe;
    PrepareHitTestCanvas(r, probe, TPoint(50, 60), 4);
    EXPECT_EQ(probe.Width(), 1);
    EXPECT_EQ(probe.Canvas().WindowOrg(), TPoint(50, 60));
    EXPECT_EQ(probe.Canvas().Pen().Width, 7);
    EXPECT_EQ(probe.Canvas().Pen().Style, psInsideFrame);
}
