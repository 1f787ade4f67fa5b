#include "pageobjects/layout/ULOText.h"

#include "LayoutTestSupport.h"
#include "platform/Bitmap.h"
#include "platform/ClassRegistry.h"
#include "tests/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPageSize>
#include <QPdfWriter>
#include <functional>
#include <gtest/gtest.h>

namespace {

void RegisterText() {
    RegisterLayoutTestClasses();
    if (GetClass(QStringLiteral("TLOText")) == nullptr)
        RegisterClass(TLOText::StaticClass());
}

std::unique_ptr<TLOText> MakeText(const QString& line, const TRect& r, int points = 24) {
    auto text = std::make_unique<TLOText>(nullptr);
    TStringList lines({line});
    text->Engine().SetText(lines);
    text->Font()->SetName(QStringLiteral("ＭＳ ゴシック"));
    text->Font()->SetSize(points);
    text->SetLogRect(r);
    return text;
}

// Ink bounds of the pixels darker than the threshold.
TRect Ink(const QImage& image, int threshold = 160) {
    TRect r(INT_MAX, INT_MAX, INT_MIN, INT_MIN);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < threshold) {
                r.Left = std::min(r.Left, x);
                r.Top = std::min(r.Top, y);
                r.Right = std::max(r.Right, x + 1);
                r.Bottom = std::max(r.Bottom, y + 1);
            }
    return r.Left == INT_MAX ? TRect() : r;
}

void Look(const QImage& image, const char* name) {
    if (qEnvironmentVariableIsSet("QUORLANE_TEST_IMAGES"))
        TestSupport::SavePicture(image, QLatin1String(name));
}

int CountColour(const QImage& image, TColor colour, int tolerance) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += Near(Pixel(image, x, y), colour, tolerance);
    return n;
}

} // namespace

TEST(LOTextStorage, StoredFormFollowsTheTable) {
    RegisterText();
    auto text = MakeText(QStringLiteral("ＭＳ"), TRect(10, 20, 410, 120));
    text->SetShadow(3);
    QByteArray bytes = Store(text.get());
    EXPECT_TRUE(bytes.contains("Shadow"));
    EXPECT_FALSE(bytes.contains("ShadowOffsetX"));
    EXPECT_TRUE(bytes.contains("DistortionRatio"));
    EXPECT_FALSE(bytes.contains("DiagonalAlign"));
    EXPECT_TRUE(bytes.contains("SHIFTJIS_CHARSET") || bytes.contains("DEFAULT_CHARSET"));
    EXPECT_TRUE(bytes.contains("Font.Size"));
    EXPECT_FALSE(bytes.contains("Font.Height"));
    text->SetShadowOffsetX(5);
    text->SetShadowOffsetY(5);
    bytes = Store(text.get());
    EXPECT_TRUE(bytes.contains("ShadowOffsetX"));
    EXPECT_FALSE(bytes.contains("\x06Shadow\x02"));
    EXPECT_EQ(text->Shadow(), TLOText::kCustomShadow);

    // Store, load, store again: the same bytes, the stored face name unchanged.
    text->Font()->SetName(QStringLiteral("ＭＳ 明朝"));
    text->SetAngle(-90);
    EXPECT_EQ(text->Angle(), 270);
    text->SetAngle(-400);
    EXPECT_EQ(text->Angle(), 320);
    text->SetBulge(40);
    text->Engine().SetFeedAngle(45);
    const QByteArray first = Store(text.get());
    auto loaded = Load(first);
    auto* back = dynamic_cast<TLOText*>(loaded.get());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Font()->Name(), QStringLiteral("ＭＳ 明朝"));
    EXPECT_EQ(back->Font()->Size(), 24);
    EXPECT_EQ(back->Angle(), 320);
    EXPECT_EQ(Store(back), first);

    // Golden bytes (a vertical two-line text turned 30 degrees with shadow 6 and an outline of 5,
    // its first line "縦書き" tab "ABC" in CP932): read and written back byte for byte.
    const QByteArray golden =
        TestSupport::ReadFile(TestSupport::SourcePath("tests/pageobjects/layout/data/lotext.bin"));
    ASSERT_FALSE(golden.isEmpty());
    auto goldenObject = Load(golden);
    EXPECT_EQ(Store(goldenObject.get()), golden);
}

TEST(LOTextStorage, OlderFormsConvertWhenLoaded) {
    RegisterText();
    // DiagonalAlign 2, no Version, a bulge, two lines, outline without width.
    auto text = MakeText(QStringLiteral("ABC"), TRect(0, 0, 600, 200));
    text->Text()->Add(QStringLiteral("DEF"));
    text->SetCharSpacing(7);
    text->SetOutline(true);
    text->SetBulge(30);
    QByteArray bytes = Store(text.get());
    // Take Version out and put DiagonalAlign in, as older pages were written.
    const QByteArray version = QByteArray("\x07Version\x02\x01", 10);
    ASSERT_TRUE(bytes.contains(version));
    bytes.replace(version, QByteArray("\x0d"
                                      "DiagonalAlign\x02\x02",
                                      16));
    auto loaded = Load(bytes);
    auto* old = dynamic_cast<TLOText*>(loaded.get());
    ASSERT_NE(old, nullptr);
    EXPECT_EQ(old->FeedAngle(), -45);
    EXPECT_EQ(old->Text()->Count(), 1);
    EXPECT_EQ(old->CharSpacing(), 0);
    EXPECT_EQ(old->Align(), amCenter);
    EXPECT_EQ(old->OutLineWidth(), 1);
}

TEST(LOTextGeometry, VerticalTransposesAndExtentHoldsShadowAndOutline) {
    auto text = MakeText(QStringLiteral("文字"), TRect(100, 100, 500, 200));
    text->SetVertical(true);
    EXPECT_EQ(text->LogBounds(), TRect(250, -50, 350, 350));
    text->SetVertical(false);
    text->SetOutLineWidth(10);
    text->SetShadow(8);
    TRect r;
    text->GetLogRect(r);
    const TPoint off = text->ShadowOffset();
    EXPECT_GT(off.X, 0);
    EXPECT_EQ(r, TRect(90, 90, 510 + std::max(0, off.X - 10), 210 + std::max(0, off.Y - 10)));
    // An extent side of 0 keeps that side (turned a quarter, the rect's height is the extent's
    // width); the other side scales.
    text->SetAngle(90);
    text->SetLogRect(TRect(0, 0, 0, 100));
    text->SetOutLineWidth(0);
    text->SetShadow(0);
    text->SetEnclosingSize(50, 60);
    EXPECT_EQ(text->LogWidth(), 0);
    EXPECT_EQ(text->LogHeight(), 100);
    // A bulge too small for an arc: straight turned text for hit tests.
    auto flat = MakeText(QStringLiteral("A"), TRect(0, 0, 0, 0));
    flat->SetBulge(500);
    EXPECT_FALSE(flat->HitTest(TPoint(5, 5)));
}

TEST(LOTextPaint, ShadowOutlineGradationAndAlphaMap) {
    const TRect rect(20, 20, 400, 130);
    auto text = MakeText(QStringLiteral("ABC"), rect, 36);
    text->TextColor()->SetColor(clBlack);
    text->SetShadow(8);
    text->ShadowColor()->SetColor(clRed);
    const QImage shadowed = RenderObjects({text.get()}, 480, 200);
    Look(shadowed, "lotext-shadow");
    const TRect black = Ink(shadowed, 60);
    EXPECT_GT(CountColour(shadowed, clRed, 40), 50);

    text->SetShadow(0);
    text->SetOutline(true);
    text->SetOutLineWidth(10);
    text->OutlineColor()->SetColor(clBlue);
    const QImage outlined = RenderObjects({text.get()}, 480, 200);
    Look(outlined, "lotext-outline");
    const TRect rim = Ink(outlined, 250);
    // The rim lies outside the glyphs by the outline width.
    EXPECT_LE(rim.Left, black.Left - 8);
    EXPECT_GT(CountColour(outlined, clBlue, 40), 200);

    text->SetOutline(false);
    text->TextColor()->SetKind(cskGradation);
    text->TextColor()->SetGradColNum(2);
    text->TextColor()->SetGradColor(0, clRed);
    text->TextColor()->SetGradColor(1, clBlue);
    const QImage graded = RenderObjects({text.get()}, 480, 200);
    Look(graded, "lotext-gradation");
    // Only the glyphs are filled: outside the black text's ink nothing is painted.
    const TRect g = Ink(graded, 250);
    EXPECT_GE(g.Left, black.Left - 2);
    EXPECT_LE(g.Right, black.Right + 2);

    text->TextColor()->SetKind(cskSolid);
    TBitmap mask;
    mask.SetPixelFormat(pf8bit);
    mask.SetSize(480, 200);
    mask.Canvas().FillSolid(TRect(0, 0, 480, 200), clBlack);
    text->DrawAlphaMap(mask);
    int white = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 480; ++x)
            white += mask.GetPixel(x, y) == clWhite;
    EXPECT_GT(white, 200);
}

TEST(LOTextPaint, OutlinedTextsKeptPixelsFollowEveryChangeAndEveryTile) {
    auto text = MakeText(QStringLiteral("AB"), TRect(20, 20, 300, 120), 36);
    text->SetOutline(true);
    text->SetOutLineWidth(4);
    text->OutlineColor()->SetColor(clBlue);
    text->TextColor()->SetColor(clRed);
    // The same text drawn by an object that never drew before.
    const auto fresh = [&] {
        TLOText copy(nullptr);
        copy.Assign(text.get());
        return RenderObjects({&copy}, 400, 200);
    };
    QImage before = RenderObjects({text.get()}, 400, 200);
    EXPECT_EQ(before, fresh());
    const std::vector<std::function<void()>> changes = {
        [&] { text->SetOutLineWidth(9); },
        [&] { text->Engine().SetText(TStringList({QStringLiteral("CD")})); },
        [&] { text->MoveBy(17, 9); },
        [&] { text->SetAngle(15); },
        [&] { text->Font()->SetSize(30); },
        [&] { text->OutlineColor()->SetColor(clGreen); },
    };
    for (size_t i = 0; i < changes.size(); ++i) {
        changes[i]();
        const QImage now = RenderObjects({text.get()}, 400, 200);
        EXPECT_NE(now, before) << i;
        EXPECT_EQ(now, fresh()) << i;
        before = now;
    }
    // On a site zoomed in, each tile of the page shows its part of the pixels kept for the text;
    // drawn in one piece by another text they are the same.
    auto site = MakeSite(1200, 700);
    site->Scaler().SetScale(250);
    site->AdoptObject(MakeText(QStringLiteral("夏休み"), TRect(150, 120, 900, 420), 48));
    auto* tiled = dynamic_cast<TLOText*>(site->Controls(0));
    ASSERT_NE(tiled, nullptr);
    tiled->SetOutline(true);
    tiled->SetOutLineWidth(6);
    tiled->OutlineColor()->SetColor(clBlue);
    const QImage page = site->PageImage();
    ASSERT_GT(site->PageTileCount(), 4);
    auto other = MakeSite(1200, 700);
    auto copy = std::make_unique<TLOText>(nullptr);
    copy->Assign(tiled);
    other->AdoptObject(std::move(copy));
    const QImage drawn = RenderSite(*other, 240);
    EXPECT_TRUE(TestSupport::ImagesMatch(page.copy(drawn.rect()), drawn, 0, {}));
}

TEST(LOTextPaint, RatioZeroDrawsTheDistortedTextUndistorted) {
    const TRect rect(20, 20, 400, 130);
    auto plain = MakeText(QStringLiteral("ABC"), rect, 36);
    plain->TextColor()->SetKind(cskGradation);
    plain->TextColor()->SetGradColNum(2);
    plain->TextColor()->SetGradColor(0, clBlack);
    plain->TextColor()->SetGradColor(1, clBlack);
    auto bent = MakeText(QStringLiteral("ABC"), rect, 36);
    bent->TextColor()->Assign(plain->TextColor());
    TCoonsDistortion d;
    d.SetCount(TCoonsDistortion::cdTop, 3);
    d.SetCount(TCoonsDistortion::cdRight, 2);
    d.SetCount(TCoonsDistortion::cdBottom, 2);
    d.SetCount(TCoonsDistortion::cdLeft, 2);
    d.SetTopPoint(0, {0, 0});
    d.SetTopPoint(1, {0.5L, -0.3L});
    d.SetTopPoint(2, {1, 0});
    d.SetRightPoint(0, {1, 0});
    d.SetRightPoint(1, {1, 1});
    d.SetBottomPoint(0, {0, 1});
    d.SetBottomPoint(1, {1, 1});
    d.SetLeftPoint(0, {0, 0});
    d.SetLeftPoint(1, {0, 1});
    bent->SetCoonsDistortion(d);
    ASSERT_TRUE(bent->IsCoonsDistorted());
    const QImage full = RenderObjects({bent.get()}, 480, 200);
    bent->SetDistortionRatio(0);
    const QImage none = RenderObjects({bent.get()}, 480, 200);
    const QImage straight = RenderObjects({plain.get()}, 480, 200);
    Look(full, "lotext-distorted");
    Look(none, "lotext-ratio0");
    // Undistorted, the text fills the rect's height as the plain text's ink does its lines; the
    // distorted one reaches higher in the middle.
    const TRect a = Ink(none);
    const TRect b = Ink(straight);
    EXPECT_NEAR(a.Left, rect.Left, 3);
    EXPECT_NEAR(a.Top, rect.Top, 15);
    EXPECT_NEAR(a.Bottom, rect.Bottom, 30);
    EXPECT_GT(a.Right - a.Left, (b.Right - b.Left) / 2);
    const TRect f = Ink(full);
    EXPECT_LT(f.Top, a.Top - 10);
}

TEST(LOTextPaint, ScreenAndPdfAgreeWithinADevicePixel) {
    REQUIRE_CHECKER(TestSupport::HasPdftoppm(), "pdftoppm");
    auto site = MakeSite(1000, 600);
    auto text = MakeText(QStringLiteral("縦書き。ーAB"), TRect(700, 50, 900, 560), 20);
    text->SetVertical(true);
    auto* vertical = static_cast<TLOText*>(site->AdoptObject(std::move(text)));
    auto line = MakeText(QStringLiteral("Quorlane 文字"), TRect(50, 100, 650, 200), 24);
    site->AdoptObject(std::move(line));
    ASSERT_NE(vertical, nullptr);
    const QImage screen = RenderSite(*site, 96);

    const QString pdf =
        QDir::temp().filePath(QStringLiteral("lotext-%1.pdf").arg(QCoreApplication::applicationPid()));
    {
        QPdfWriter writer(pdf);
        writer.setResolution(600);
        writer.setPageSize(QPageSize(QSizeF(100, 60), QPageSize::Millimeter));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        TCanvas canvas(&writer, TCanvas::dkPrinter);
        canvas.SetPixelsPerInch(600);
        site->DrawTo(canvas, TPoint(0, 0), 100);
        canvas.FreeHandle();
    }
    const QImage printed = TestSupport::RasterisePdf(pdf, 96);
    QFile::remove(pdf);
    ASSERT_FALSE(printed.isNull());
    Look(screen, "screen");
    Look(printed, "pdf");
    // Each object's ink at 96 dpi, from the screen and from the PDF, lies within a device pixel.
    for (const TRect area : {TRect(250, 2, 374, 222), TRect(2, 2, 248, 222)}) {
        const QImage a = screen.copy(area.Left, area.Top, area.Width(), area.Height());
        const QImage b = printed.copy(area.Left, area.Top, area.Width(), area.Height());
        const TRect ia = Ink(a);
        const TRect ib = Ink(b);
        ASSERT_FALSE(IsRectEmpty(ia));
        EXPECT_NEAR(ia.Left, ib.Left, 1);
        EXPECT_NEAR(ia.Top, ib.Top, 1);
        EXPECT_NEAR(ia.Right, ib.Right, 1);
        EXPECT_NEAR(ia.Bottom, ib.Bottom, 1);
    }
}
