#include "pageobjects/engine/UDrawObject.h"

#include "EngineTestObjects.h"
#include "pageobjects/engine/UDrawSite.h"
#include "platform/Application.h"
#include "tests/TestSupport.h"

#include <QImage>
#include <algorithm>
#include <climits>
#include <gtest/gtest.h>
#include <vector>

namespace {

// A site of 400 x 200 units where one unit is one pixel.
class DrawObjectTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetEngineGlobals();
        site.Scaler().SetUnitDPI(site.Canvas().PixelsPerInch());
        site.SetLogWidth(400);
        site.SetLogHeight(200);
        site.SetColor(clWhite);
        site.SetBorder(false);
    }
    void TearDown() override { TApplication::SetOnException(nullptr); }

    // Records every event the site relays.
    void Listen() {
        listener.OnNotify = [this](TObject*, const TGUID& id) { events.push_back(id); };
        site.AddListener(&listener);
    }

    TDrawSite site{nullptr};
    TListener listener;
    std::vector<TGUID> events;
};

int Count(const std::vector<TGUID>& events, const TGUID& id) {
    return int(std::count(events.begin(), events.end(), id));
}

} // namespace

TEST_F(DrawObjectTest, UnselectableObjectsStayUnselectedAndSilent) {
    TTestRect* r = AddRect(site, TRect(10, 10, 50, 50));
    Listen();
    r->SetSelectable(false);
    r->SetSelected(true);
    EXPECT_FALSE(r->Selected());
    EXPECT_EQ(Count(events, GUID_SelectionChanged), 0);

    r->SetSelectable(true);
    r->SetSelected(true);
    EXPECT_TRUE(r->Selected());
    events.clear();
    r->SetSelectable(false);
    EXPECT_FALSE(r->Selected()) << "becoming unselectable deselects";
    EXPECT_EQ(Count(events, GUID_SelectionChanged), 1);
}

TEST_F(DrawObjectTest, SelectingAgainStillAnnounces) {
    TTestRect* r = AddRect(site, TRect(10, 10, 50, 50));
    Listen();
    r->SetSelected(true);
    r->SetSelected(true);
    EXPECT_EQ(Count(events, GUID_SelectionChanged), 2);
}

TEST_F(DrawObjectTest, LabelFlagsAnnounceTheirOwnEventsAndAChange) {
    TTestRect* r = AddRect(site, TRect(10, 10, 50, 50));
    site.SetModified(false);
    Listen();
    r->SetMovable(false);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0], GUID_Changed) << "a label object reports the change first";
    EXPECT_EQ(events[1], GUID_MovableChanged);
    EXPECT_TRUE(site.Modified());
    events.clear();
    r->SetMovable(false);
    EXPECT_TRUE(events.empty());

    r->SetDontPrint(true);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0], GUID_DontPrintChanged);
    EXPECT_EQ(events[1], GUID_Changed);
}

TEST_F(DrawObjectTest, AppendixChangesMarkTheSiteModified) {
    TTestRect* r = AddRect(site, TRect(10, 10, 50, 50));
    site.SetModified(false);
    int modified = 0;
    r->OnModify = [&](TObject* sender) {
        EXPECT_EQ(sender, static_cast<TObject*>(static_cast<TComponent*>(r)));
        ++modified;
    };
    TStringList lines;
    lines.Add(QStringLiteral("note=1"));
    r->SetAppendix(lines);
    EXPECT_TRUE(site.Modified());
    EXPECT_EQ(modified, 1);
    r->SetAppendix(lines);
    EXPECT_EQ(modified, 1) << "equal lines are not assigned again";
}

TEST_F(DrawObjectTest, AssignmentSignalsOneChange) {
    TTestRect* a = AddRect(site, TRect(10, 10, 50, 50), clBlue);
    TTestRect b(nullptr);
    b.SetLogRect(TRect(100, 100, 180, 150));
    b.SetFillColor(clGreen);
    b.SetBlendRatio(40);
    b.SetAngle(30);
    Listen();
    a->Assign(&b);
    EXPECT_EQ(Count(events, GUID_Changed), 1);
    EXPECT_EQ(a->LogRect(), TRect(100, 100, 180, 150));
    EXPECT_EQ(a->FillColor(), clGreen);
    EXPECT_EQ(a->BlendRatio(), 40);
    EXPECT_EQ(a->Angle(), 30);
    EXPECT_EQ(a->BoundsRect(), TRect(100, 100, 181, 151)) << "bounds follow, one pixel larger";
}

TEST_F(DrawObjectTest, RectGeometryStaysNormalized) {
    TTestRect r(nullptr);
    r.SetLogRect(TRect(50, 40, 10, 20));
    EXPECT_EQ(r.LogRect(), TRect(10, 20, 50, 40));
    r.SetLogWidth(-30);
    EXPECT_EQ(r.LogRect(), TRect(-20, 20, 10, 40)) << "a negative width moves the left edge";
    r.SetLogLeft(0);
    EXPECT_EQ(r.LogRect(), TRect(0, 20, 30, 40));
    r.MoveBy(5, -5);
    EXPECT_EQ(r.LogRect(), TRect(5, 15, 35, 35));
    EXPECT_TRUE(r.HitTest(TPoint(5, 15)));
    EXPECT_FALSE(r.HitTest(TPoint(35, 20))) << "right edge excluded";
    // Stored geometry from outside: edges that would pass the int range stay at its end.
    r.SetLogTop(-0x75558000);
    r.SetLogHeight(-0x55FEEE90);
    EXPECT_EQ(r.LogRect(), TRect(5, INT_MIN, 35, -0x75558000));
    r.SetLogLeft(INT_MAX - 10);
    EXPECT_EQ(r.LogRect(), TRect(INT_MAX - 10, INT_MIN, INT_MAX, -0x75558000));
    r.SetLogRect(TRect(INT_MIN, 0, INT_MAX, 10));
    EXPECT_EQ(r.LogWidth(), INT_MAX) << "no wider than an int can say";
    r.MoveBy(INT_MIN, 0);
    EXPECT_EQ(r.LogLeft(), INT_MIN);
}

TEST_F(DrawObjectTest, InterfacesAreAnsweredByWhatTheObjectIs) {
    TTestRect r(nullptr);
    TObject* object = &r;
    EXPECT_TRUE(Supports<IDOEncloseBounds>(object));
    EXPECT_TRUE(Supports<IDORectProps>(object));
    EXPECT_TRUE(Supports<IDOGhostPaint>(object));
    EXPECT_TRUE(Supports<IDOLogRect>(object));
    EXPECT_TRUE(Supports<IDORotate>(object));
    EXPECT_FALSE(Supports<IDOLine>(object));
    EXPECT_FALSE(Supports<IDOVertical>(object));
    TIntf<IDORectProps> props = Supports<IDORectProps>(object);
    props->SetWidth(25);
    props->SetHeight(10);
    EXPECT_EQ(r.LogRect(), TRect(0, 0, 25, 10));
    EXPECT_FALSE(props->KeepAspectRatio());
}

TEST_F(DrawObjectTest, NewObjectsLandBelowHigherLayerGroups) {
    TTestRect* top = AddRect(site, TRect(0, 0, 10, 10), clRed, 10);
    TTestRect* low = AddRect(site, TRect(0, 0, 10, 10), clRed, 0);
    TTestRect* paper = AddRect(site, TRect(0, 0, 10, 10), clRed, -50);
    EXPECT_EQ(site.IndexOfControl(paper), 0);
    EXPECT_EQ(site.IndexOfControl(low), 1);
    EXPECT_EQ(site.IndexOfControl(top), 2);

    TTestRect* another = AddRect(site, TRect(0, 0, 10, 10), clRed, 0);
    EXPECT_EQ(site.IndexOfControl(another), 2);
    EXPECT_EQ(site.IndexOfControl(top), 3);
    another->SendToBackInLayer();
    EXPECT_EQ(site.IndexOfControl(another), 1) << "stays above the paper band";
    paper->BringToFrontInLayer();
    EXPECT_EQ(site.IndexOfControl(paper), 0) << "stays below the higher bands";
}

TEST_F(DrawObjectTest, ScreenPaintDrawsInLogicalUnits) {
    site.Scaler().SetUnitDPI(254);
    site.SetLogWidth(1000);
    site.SetLogHeight(500);
    AddRect(site, TRect(254, 127, 508, 254), clBlue);
    const QImage page = site.PageImage();
    ASSERT_EQ(page.size(), QSize(378, 189));
    EXPECT_EQ(PixelAt(page, 96, 48), clBlue);
    EXPECT_EQ(PixelAt(page, 191, 95), clBlue);
    EXPECT_EQ(PixelAt(page, 95, 48), clWhite);
    EXPECT_EQ(PixelAt(page, 192, 96), clWhite);
}

TEST_F(DrawObjectTest, FailedPaintShowsTheErrorFrameFromThenOn) {
    int reported = 0;
    TApplication::SetOnException([&](TObject*, const std::exception&) { ++reported; });
    TTestRect* r = AddRect(site, TRect(10, 10, 110, 60), clBlue);
    r->FailPaint = true;
    QImage page = site.PageImage();
    EXPECT_TRUE(r->PaintFailed());
    EXPECT_EQ(reported, 1);
    page = site.PageImage();
    EXPECT_EQ(PixelAt(page, 10, 10), clRed) << "the frame";
    EXPECT_EQ(PixelAt(page, 110, 60), clRed);

    r->FailPaint = false;
    const int paints = r->PaintCount;
    site.InvalidatePage();
    page = site.PageImage();
    EXPECT_EQ(r->PaintCount, paints) << "not painted again until recreated";
    EXPECT_EQ(reported, 1) << "shown once";
    EXPECT_EQ(PixelAt(page, 10, 10), clRed);
    if (PixelAt(page, 10, 10) != clRed)
        TestSupport::SavePicture(page, QStringLiteral("error-frame"));
}

TEST_F(DrawObjectTest, BlendRatioMixesWithThePageExactly) {
    TTestRect* plain = AddRect(site, TRect(10, 10, 50, 50), clRed);
    EXPECT_FALSE(plain->NeedsBlend());
    TTestRect* half = AddRect(site, TRect(60, 10, 100, 50), clRed);
    half->SetBlendRatio(50);
    EXPECT_TRUE(half->NeedsBlend());
    TTestRect* shaded = AddRect(site, TRect(110, 10, 150, 50), clRed);
    shaded->SetBlendShade(true);
    EXPECT_TRUE(shaded->NeedsBlend()) << "shade at ratio 100 still blends";

    const QImage page = site.PageImage();
    EXPECT_EQ(PixelAt(page, 30, 30), clRed);
    // Weight min(MulDiv(255, 50, 100), 255) = 128; 255 + trunc((0 - 255) x 128 / 255) = 127.
    EXPECT_EQ(PixelAt(page, 80, 30), RGB(255, 127, 127));
    EXPECT_EQ(PixelAt(page, 130, 30), clRed);
    EXPECT_EQ(PixelAt(page, 80, 55), clWhite) << "nothing outside the object";
}

TEST_F(DrawObjectTest, BlendingOverAnotherObjectMixesWithIt) {
    AddRect(site, TRect(0, 0, 100, 100), clBlue);
    TTestRect* half = AddRect(site, TRect(50, 50, 150, 150), clRed);
    half->SetBlendRatio(25);
    const QImage page = site.PageImage();
    // Weight MulDiv(255, 25, 100) = 64 over blue: red 0 + 255 x 64 / 255 = 64; blue 255 - 64 = 191.
    EXPECT_EQ(PixelAt(page, 75, 75), RGB(64, 0, 191));
    // Over white: green and blue 255 - 64.
    EXPECT_EQ(PixelAt(page, 120, 120), RGB(255, 191, 191));
}

TEST_F(DrawObjectTest, PaintToClipsToTheObjectAndSkipsDontPrintOnPrinters) {
    TTestRect* r = AddRect(site, TRect(10, 10, 30, 30), clBlue);
    QImage image(50, 50, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        TCanvas canvas(&image);
        r->PaintTo(canvas);
    }
    EXPECT_EQ(PixelAt(image, 10, 10), clBlue);
    EXPECT_EQ(PixelAt(image, 30, 30), clWhite);
    r->SetDontPrint(true);
    image.fill(Qt::white);
    {
        TCanvas canvas(&image);
        r->PaintTo(canvas);
    }
    EXPECT_EQ(PixelAt(image, 10, 10), clBlue) << "an image is not a printer";
}
