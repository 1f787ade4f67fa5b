#include "pageobjects/layout/USimpleText.h"

#include "LayoutTestSupport.h"
#include "pageobjects/engine/UStroke.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

// One logical unit a pixel: the layout's 0.1 mm units drawn at 254 dpi.
QImage Draw(TSimpleText& text, const TRect& rect, int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    TCanvas canvas(&image);
    canvas.SetPixelsPerInch(kLayoutUnitsPerInch);
    canvas.Brush().Style = bsClear;
    text.Draw(canvas, rect);
    canvas.FreeHandle();
    return image;
}

// The bounds of the non-white pixels (exclusive right and bottom); empty when none.
TRect Ink(const QImage& image, const TRect& area = TRect(0, 0, 1 << 20, 1 << 20)) {
    TRect r(INT_MAX, INT_MAX, INT_MIN, INT_MIN);
    for (int y = std::max(0, area.Top); y < std::min(image.height(), area.Bottom); ++y)
        for (int x = std::max(0, area.Left); x < std::min(image.width(), area.Right); ++x)
            if (qGray(image.pixel(x, y)) < 160) {
                r.Left = std::min(r.Left, x);
                r.Top = std::min(r.Top, y);
                r.Right = std::max(r.Right, x + 1);
                r.Bottom = std::max(r.Bottom, y + 1);
            }
    return r.Left == INT_MAX ? TRect() : r;
}

void Save(const QImage& image, const char* name) {
    if (qEnvironmentVariableIsSet("QUORLANE_TEST_IMAGES"))
        image.save(QString::fromLatin1("/tmp/%1.png").arg(QLatin1String(name)));
}

void SetLines(TSimpleText& text, const QStringList& lines, const QString& face, int points) {
    TStringList list(lines);
    text.SetText(list);
    text.Font()->SetName(face);
    text.Font()->SetSize(points);
}

} // namespace

TEST(SimpleTextLayout, LinesStackByPitchAndNeverWrap) {
    TSimpleText text;
    SetLines(text, {QStringLiteral("ABC"), QStringLiteral("DEF"), QStringLiteral("GHI")},
             QStringLiteral("ＭＳ ゴシック"), 24);
    text.SetLineSpacing(20);
    const int h = text.GetLineHeight();
    // The line is the face's Windows ascent plus descent, a little more than the em.
    EXPECT_GE(h, 24 * 254 / 72);
    EXPECT_LE(h, 24 * 254 / 72 * 5 / 4);
    TRect r;
    text.GetTextRect(TRect(0, 0, 400, 100), false, r);
    EXPECT_EQ(r.Bottom - r.Top, 3 * h + 40);

    // A 40-character line centred in a rect holding about 20 overflows both sides alike.
    TSimpleText wide;
    SetLines(wide, {QString(40, QChar(u'あ'))}, QStringLiteral("ＭＳ ゴシック"), 24);
    wide.SetAlign(amCenter);
    const TRect box(1000, 0, 1000 + 20 * 85, 100);
    wide.GetTextRect(box, false, r);
    EXPECT_NEAR(box.Left - r.Left, r.Right - box.Right, 1);
    EXPECT_GT(r.Right - r.Left, 39 * 84);
}

TEST(SimpleTextLayout, PlaceholderConversionsAndFeed) {
    TSimpleText text;
    text.Font()->SetName(QStringLiteral("ＭＳ ゴシック"));
    TRect empty;
    text.GetTextRect(TRect(0, 0, 2000, 100), true, empty);
    SetSimpleTextEmptyText(QStringLiteral("ああ"));
    TRect shorter;
    text.GetTextRect(TRect(0, 0, 2000, 100), true, shorter);
    // The same line count with another placeholder is measured again.
    EXPECT_LT(shorter.Right - shorter.Left, empty.Right - empty.Left);
    SetSimpleTextEmptyText(QStringLiteral("未入力項目"));

    SetLines(text, {QStringLiteral("12-１２")}, QStringLiteral("ＭＳ ゴシック"), 12);
    text.SetMinusExc(true);
    EXPECT_EQ(text.GetDisplayLines()[0], QStringLiteral("12-１２"));
    text.SetNumToKnj(true);
    EXPECT_EQ(text.GetDisplayLines()[0], QStringLiteral("12-一二"));
    text.SetHanToZen(true);
    EXPECT_EQ(text.GetDisplayLines()[0], QStringLiteral("一二-一二"));

    TSimpleText feed;
    SetLines(feed, {QStringLiteral("AB"), QStringLiteral("AB")}, QStringLiteral("ＭＳ ゴシック"), 24);
    TRect plain;
    feed.GetTextRect(TRect(0, 0, 1000, 400), false, plain);
    feed.SetFeedAngle(45);
    TRect fed;
    feed.GetTextRect(TRect(0, 0, 1000, 400), false, fed);
    EXPECT_EQ(fed.Left, plain.Left);
    EXPECT_NEAR(fed.Right - plain.Right, 0.7071 * feed.GetLineHeight(), 1.5);
}

TEST(SimpleTextDrawing, HorizontalInkLiesInTheTextRect) {
    TSimpleText text;
    SetLines(text, {QStringLiteral("Quorlane 文字")}, QStringLiteral("ＭＳ Ｐゴシック"), 24);
    const TRect rect(20, 20, 700, 140);
    TRect tr;
    text.GetTextRect(rect, false, tr);
    const QImage image = Draw(text, rect, 760, 160);
    Save(image, "simpletext-horizontal");
    const TRect ink = Ink(image);
    // Glyph ink lies within the cells, a pixel of antialiasing allowed.
    EXPECT_GE(ink.Left, tr.Left - 1);
    EXPECT_LE(ink.Right, tr.Right + 1);
    EXPECT_GE(ink.Top, tr.Top);
    EXPECT_LE(ink.Bottom, tr.Bottom + 1);
    EXPECT_GT(ink.Right - ink.Left, (tr.Right - tr.Left) * 9 / 10);
}

TEST(SimpleTextDrawing, VerticalTextStandsUprightAndLatinLies) {
    TSimpleText text;
    SetLines(text, {QStringLiteral("日本。ーAB")}, QStringLiteral("ＭＳ 明朝"), 36);
    text.SetVertical(true);
    const TRect rect(20, 20, 220, 900);
    TRect tr;
    text.GetTextRect(rect, false, tr);
    const QImage image = Draw(text, rect, 240, 920);
    Save(image, "simpletext-vertical");
    const int h = text.GetLineHeight();
    EXPECT_EQ(tr.Right, rect.Right);
    EXPECT_EQ(tr.Right - tr.Left, h);
    const int cell = 36 * 254 / 72;
    const int x0 = tr.Right - h;
    // 。 sits in the upper right quarter of its cell (third character).
    const TRect maru = Ink(image, TRect(x0, tr.Top + 2 * cell, tr.Right, tr.Top + 3 * cell));
    ASSERT_FALSE(IsRectEmpty(maru));
    EXPECT_GT(maru.Left, x0 + h / 2);
    EXPECT_LT(maru.Bottom, tr.Top + 2 * cell + cell / 2);
    // ー is a vertical bar: taller than wide.
    const TRect bar = Ink(image, TRect(x0, tr.Top + 3 * cell, tr.Right, tr.Top + 4 * cell));
    ASSERT_FALSE(IsRectEmpty(bar));
    EXPECT_GT(bar.Bottom - bar.Top, 3 * (bar.Right - bar.Left));
    // "A" lies turned clockwise: its ink is wider across the line than along it is not required,
    // but it runs down the line: the two Latin letters take less than a full cell each.
    const TRect latin = Ink(image, TRect(x0, tr.Top + 4 * cell, tr.Right, tr.Bottom));
    ASSERT_FALSE(IsRectEmpty(latin));
    EXPECT_LT(latin.Bottom - latin.Top, 2 * cell);
}

TEST(SimpleTextDrawing, TurnedAndArcTextAndCapture) {
    TSimpleText text;
    SetLines(text, {QStringLiteral("ABCDEFGH")}, QStringLiteral("Arial"), 24);
    text.SetAngle(90);
    const TRect rect(100, 300, 700, 400);
    const QImage turned = Draw(text, rect, 800, 700);
    Save(turned, "simpletext-turned");
    const TRect ink = Ink(turned);
    // Turned a quarter about the rect's centre (400, 350): the line runs down the page.
    EXPECT_GT(ink.Bottom - ink.Top, 3 * (ink.Right - ink.Left));
    EXPECT_NEAR((ink.Left + ink.Right) / 2, 400, 50);
    // A wild stored angle turns the line and its glyphs by its remainder in a turn.
    text.SetAngle(INT_MIN);
    const TRect wild = Ink(Draw(text, rect, 800, 700));
    text.SetAngle(INT_MIN % 360);
    EXPECT_EQ(wild, Ink(Draw(text, rect, 800, 700)));

    text.SetAngle(0);
    text.SetBulge(150);
    text.SetAlign(amCenter);
    const QImage arc = Draw(text, rect, 800, 700);
    Save(arc, "simpletext-arc");
    const TRect arcInk = Ink(arc);
    // A positive bulge raises the middle of the line above its ends.
    const TRect middle = Ink(arc, TRect(380, 0, 420, 700));
    const TRect end = Ink(arc, TRect(arcInk.Left, 0, arcInk.Left + 40, 700));
    ASSERT_FALSE(IsRectEmpty(middle));
    ASSERT_FALSE(IsRectEmpty(end));
    EXPECT_LT(middle.Top + 60, end.Top);

    TStroke stroke;
    text.SetBulge(0);
    text.CaptureStroke(stroke, rect, true);
    ASSERT_GT(stroke.GetCount(), 50);
    TRect tr;
    text.GetTextRect(rect, false, tr);
    const TRect b = stroke.GetBounds();
    EXPECT_GE(b.Left, tr.Left - 2);
    EXPECT_LE(b.Right, tr.Right + 2);
    bool curves = false;
    for (uint8_t t : stroke.Types())
        curves = curves || (t & ~1) == ptStrokeBezierTo;
    EXPECT_TRUE(curves);
}
