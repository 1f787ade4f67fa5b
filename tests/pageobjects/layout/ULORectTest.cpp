#include "pageobjects/layout/ULORect.h"

#include "LayoutTestSupport.h"
#include "imaging/UColorFill.h"
#include "platform/Canvas.h"

#include <QRegion>
#include <functional>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace {

class RectTest : public ::testing::Test {
protected:
    void SetUp() override { RegisterLayoutTestClasses(); }
};

template <class T>
void Shape(T& shape, const TRect& r, int frame, TColor frameColor, bool fill = false,
           TColor fillColor = clBlue) {
    shape.SetLogRect(r);
    shape.SetFrameWidth(frame);
    shape.FrameColor()->SetColor(frameColor);
    shape.SetFillInside(fill);
    shape.FillColor()->SetColor(fillColor);
}

int CountRun(const QImage& image, int y, int x0, int x1, TColor color) {
    int n = 0;
    for (int x = x0; x < x1; ++x)
        n += Pixel(image, x, y) == color;
    return n;
}

} // namespace

TEST_F(RectTest, FrameIsABandCentredOnTheEdge) {
    TLORect rect(nullptr);
    EXPECT_EQ(rect.FrameWidth(), 10);
    EXPECT_FALSE(rect.FillInside());
    Shape(rect, TRect(20, 20, 120, 70), 10, clRed);
    EXPECT_EQ(rect.LogRect(), TRect(15, 15, 125, 75));
    QImage image = RenderObjects({&rect}, 150, 100);
    EXPECT_EQ(Pixel(image, 14, 40), clWhite);
    EXPECT_EQ(Pixel(image, 15, 40), clRed);
    EXPECT_EQ(Pixel(image, 24, 40), clRed);
    EXPECT_EQ(Pixel(image, 25, 40), clWhite); // no fill asked for
    EXPECT_FALSE(rect.HitTest(TPoint(70, 45)));
    EXPECT_TRUE(rect.HitTest(TPoint(21, 45)));

    rect.SetFillInside(true);
    image = RenderObjects({&rect}, 150, 100);
    EXPECT_EQ(Pixel(image, 70, 45), clBlue);
    EXPECT_TRUE(rect.HitTest(TPoint(70, 45)));
    // Without a frame only the fill shows.
    rect.SetFrameWidth(0);
    image = RenderObjects({&rect}, 150, 100);
    EXPECT_EQ(Pixel(image, 21, 40), clBlue);
    EXPECT_EQ(Pixel(image, 19, 40), clWhite);
}

TEST_F(RectTest, NarrowRectIsNeverFilledAndEmptyPaintsNothing) {
    TLORect narrow(nullptr), empty(nullptr);
    Shape(narrow, TRect(20, 20, 30, 80), 10, clRed, true);
    Shape(empty, TRect(60, 20, 60, 80), 10, clRed, true);
    const QImage image = RenderObjects({&narrow, &empty}, 100, 100);
    EXPECT_EQ(CountRun(image, 50, 0, 100, clBlue), 0);
    EXPECT_EQ(CountRun(image, 50, 50, 100, clRed), 0);
}

TEST_F(RectTest, EnclosingSizeTakesTheFrameOffOrScalesATurnedRect) {
    TLORect rect(nullptr);
    Shape(rect, TRect(0, 0, 50, 50), 20, clRed);
    rect.SetEnclosingSize(220, 120);
    EXPECT_EQ(rect.LogWidth(), 200);
    EXPECT_EQ(rect.LogHeight(), 100);
    rect.SetAngle(90);
    const TRect before = rect.LogRect();
    // Turned, each side scales by the wanted over the bounding size of the same axis.
    rect.SetEnclosingSize(before.Width() / 2, before.Height());
    EXPECT_EQ(rect.LogWidth(), 100);
    EXPECT_EQ(rect.LogHeight(), 100);
    // A turned rect without extent keeps its sides instead of taking MulDiv's -1.
    TLORect dot(nullptr);
    Shape(dot, TRect(10, 10, 10, 10), 0, clRed);
    dot.SetAngle(30);
    ASSERT_TRUE(dot.LogRect().IsEmpty());
    dot.SetEnclosingSize(40, 40);
    EXPECT_EQ(dot.LogBounds(), TRect(10, 10, 10, 10));
}

TEST_F(RectTest, RoundCornersAreAThirdOfTheShorterSide) {
    TLORect rect(nullptr);
    Shape(rect, TRect(0, 0, 300, 120), 4, clRed);
    rect.SetRoundRect(true);
    const TStroke& s = rect.Stroke();
    // Corners of 40 x 40: the straight edges start 20 from each corner.
    int cornerEnds = 0;
    for (const TPoint& p : s.Points())
        cornerEnds += p == TPoint(20, 0) || p == TPoint(0, 20) || p == TPoint(280, 120);
    EXPECT_EQ(cornerEnds, 4);
    const QImage image = RenderObjects({&rect}, 320, 140);
    EXPECT_EQ(Pixel(image, 1, 1), clWhite);
    EXPECT_EQ(Pixel(image, 150, 1), clRed);
}

TEST_F(RectTest, FramesAreTwoDevicePixelsAtLeastOnACoarseSite) {
    auto site = MakeSite(1200, 700);
    auto* rect = new TLORect(site.get());
    auto* circle = new TLOCircle(site.get());
    Shape(*rect, TRect(100, 100, 1100, 300), 1, clRed);
    Shape(*circle, TRect(100, 400, 1100, 650), 1, clGreen);
    site->AddObject(rect);
    site->AddObject(circle);
    // 25.4 dpi: one device pixel is ten units.
    const QImage image = RenderSite(*site, 25);
    EXPECT_GE(CountRun(image, 20, 5, 15, clRed), 2);
    EXPECT_GE(CountRun(image, 52, 5, 15, clGreen), 2);
}

TEST_F(RectTest, TurnedFrameFollowsTheAngle) {
    TLORect rect(nullptr);
    Shape(rect, TRect(50, 90, 150, 110), 6, clRed, true, clBlue);
    rect.SetAngle(90);
    EXPECT_EQ(rect.LogRect(), TRect(87, 47, 113, 153));
    const QImage image = RenderObjects({&rect}, 200, 200);
    EXPECT_EQ(Pixel(image, 100, 60), clBlue);
    EXPECT_EQ(Pixel(image, 60, 100), clWhite);
    EXPECT_EQ(Pixel(image, 90, 100), clRed);
    EXPECT_TRUE(rect.HitTest(TPoint(100, 140)));
    EXPECT_FALSE(rect.HitTest(TPoint(140, 100)));
}

TEST_F(RectTest, StoredFormRoundTripsAndReadsTheOlderRound) {
    TLOCircle circle(nullptr);
    Shape(circle, TRect(-3, 4, 250, 90), 7, RGB(9, 8, 7), true, RGB(1, 2, 3));
    circle.SetAngle(33);
    circle.SetRoundRect(true);
    const QByteArray bytes = Store(&circle);
    std::unique_ptr<TComponent> back = Load(bytes);
    auto* loaded = dynamic_cast<TLOCircle*>(back.get());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->LogBounds(), TRect(-3, 4, 250, 90));
    EXPECT_EQ(loaded->Angle(), 33);
    EXPECT_EQ(loaded->FillColor()->Color(), RGB(1, 2, 3));
    EXPECT_EQ(Store(loaded), bytes);

    TLORect rect(nullptr);
    QByteArray old = Store(&rect);
    const QByteArray current = QByteArray("\x09RoundRect\x08", 11);
    ASSERT_TRUE(old.contains(current));
    old.replace(current, QByteArray("\x05Round\x09", 7));
    back = Load(old);
    auto* legacy = dynamic_cast<TLORect*>(back.get());
    ASSERT_NE(legacy, nullptr);
    EXPECT_TRUE(legacy->RoundRect());
    const QByteArray rewritten = Store(legacy);
    EXPECT_TRUE(rewritten.contains(QByteArray("\x09RoundRect\x09", 11)));
    EXPECT_FALSE(rewritten.contains(QByteArray("\x05Round\x09", 7)));
}

TEST_F(RectTest, ExtentFollowsEveryChangeOfShapeFrameAndZoom) {
    auto site = MakeSite(1200, 700);
    auto* rect = new TLORect(site.get());
    Shape(*rect, TRect(100, 100, 400, 300), 10, clRed);
    site->AddObject(rect);
    // What an object that never answered before gives for the same shape.
    const auto fresh = [&] {
        TLORect copy(nullptr);
        copy.Assign(rect);
        return copy.LogRect();
    };
    const TRect first = rect->LogRect();
    EXPECT_EQ(first, fresh());
    const std::vector<std::function<void()>> changes = {
        [&] { rect->MoveBy(35, -20); },   [&] { rect->SetLogWidth(180); },   [&] { rect->SetAngle(30); },
        [&] { rect->SetFrameWidth(40); }, [&] { rect->SetRoundRect(true); },
    };
    TRect before = first;
    for (size_t i = 0; i < changes.size(); ++i) {
        changes[i]();
        const TRect now = rect->LogRect();
        EXPECT_NE(now, before) << i;
        EXPECT_EQ(now, fresh()) << i;
        before = now;
    }
    // A thin frame is widened to two device pixels: zooming out widens the extent.
    rect->SetFrameWidth(1);
    const TRect near = rect->LogRect();
    site->Scaler().SetScale(25);
    const TRect far = rect->LogRect();
    EXPECT_LT(far.Left, near.Left);
    EXPECT_GT(far.Right, near.Right);
}

namespace {

// A rect that counts the solid insides it offers for blending in place, or offers none (and
// blends the general way: a copy of the page, the object painted over it, its alpha map).
class TProbedRect : public TLORect {
public:
    using TLORect::TLORect;
    bool general = false;
    int offered = 0;

protected:
    bool SolidInterior(TCanvas& canvas, TRect& deviceRect, TColor& color) override {
        if (general || !TLORect::SolidInterior(canvas, deviceRect, color))
            return false;
        ++offered;
        return true;
    }
};

// The rect blended over a busy page, drawn at num/den device pixels a unit from origin, within
// the clip.
QImage BlendedOverPattern(TLORect& rect, int num, int den, const TPoint& origin, const QRect& clip) {
    QImage image(320, 240, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb((x * 7) & 0xFF, (y * 5) & 0xFF, (x ^ y) & 0xFF));
    TCanvas canvas(&image);
    canvas.SetMapMode(MM_ANISOTROPIC);
    canvas.SetWindowExt(den, den);
    canvas.SetViewportExt(num, num);
    canvas.SetViewportOrg(origin.X, origin.Y);
    const QRegion region(clip);
    canvas.SelectClipRgn(&region);
    rect.PaintTo(canvas);
    canvas.FreeHandle();
    return image;
}

} // namespace

TEST_F(RectTest, SolidInsideBlendedInPlaceEqualsTheGeneralBlend) {
    TProbedRect fast(nullptr), general(nullptr);
    general.general = true;
    const auto shape = [&](TLORect& rect, int frame, int ratio) {
        Shape(rect, TRect(7, 5, 71, 53), frame, clBlue, true, RGB(200, 40, 90));
        rect.SetBlendRatio(ratio);
    };
    const QRect clips[] = {QRect(0, 0, 320, 240), QRect(31, 17, 150, 101)};
    for (int frame : {0, 3, 10})
        for (int ratio : {1, 50, 99})
            for (const auto& [num, den] :
                 {std::pair(1, 1), std::pair(3, 2), std::pair(37, 10), std::pair(4, 1)})
                for (const TPoint& origin : {TPoint(0, 0), TPoint(-13, 7)})
                    for (const QRect& clip : clips) {
                        shape(fast, frame, ratio);
                        shape(general, frame, ratio);
                        ASSERT_EQ(BlendedOverPattern(fast, num, den, origin, clip),
                                  BlendedOverPattern(general, num, den, origin, clip))
                            << frame << " frame, ratio " << ratio << ", scale " << num << "/" << den
                            << ", origin " << origin.X << "," << origin.Y << ", clip " << clip.x();
                    }
    EXPECT_EQ(fast.offered, 144);

    // Turned, round-cornered or not filled with one plain colour, the rect blends the general way.
    const int before = fast.offered;
    shape(fast, 10, 50);
    fast.SetAngle(10);
    BlendedOverPattern(fast, 1, 1, TPoint(0, 0), clips[0]);
    fast.SetAngle(0);
    fast.SetRoundRect(true);
    BlendedOverPattern(fast, 1, 1, TPoint(0, 0), clips[0]);
    fast.SetRoundRect(false);
    fast.FillColor()->SetKind(cskGradation);
    BlendedOverPattern(fast, 1, 1, TPoint(0, 0), clips[0]);
    EXPECT_EQ(fast.offered, before);
}
