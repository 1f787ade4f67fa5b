#include "platform/FontMapper.h"

#include "platform/Canvas.h"
#include "platform/PersistentFont.h"

#include <QImage>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

TEST(FontMapper, StoredNamesMapToInstalledFaces) {
    FontMapper& m = FontMapper::Instance();
    EXPECT_EQ(m.FamilyFor(QStringLiteral("ＭＳ 明朝")), QStringLiteral("IPAMincho"));
    EXPECT_EQ(m.FamilyFor(QStringLiteral("@ＭＳ Ｐゴシック")), QStringLiteral("IPAPGothic"));
    EXPECT_EQ(m.FamilyFor(QStringLiteral("Arial")), QStringLiteral("Liberation Sans"));
    EXPECT_TRUE(m.FamilyFor(QStringLiteral("No Such Face 12")).isEmpty());
    EXPECT_EQ(m.CharsetOf(QStringLiteral("標準明朝")), SHIFTJIS_CHARSET);
    EXPECT_EQ(m.CharsetOf(QStringLiteral("Courier New")), ANSI_CHARSET);
    EXPECT_EQ(m.CharsetOf(QStringLiteral("No Such Face 12")), DEFAULT_CHARSET);
    EXPECT_TRUE(m.HorizontalFaceNames().contains(QStringLiteral("ＭＳ 明朝")));
    EXPECT_TRUE(m.VerticalFaceNames().contains(QStringLiteral("@ＭＳ 明朝")));
    EXPECT_FALSE(m.VerticalFaceNames().contains(QStringLiteral("@Arial")));
}

TEST(FontMapper, MetricsAreTheSameAtEveryResolution) {
    // Liberation Sans has Arial's advances: "A" is 1366 of 2048 units.
    QImage image(4, 4, QImage::Format_RGB32);
    TCanvas canvas(&image);
    canvas.Font().Name = QStringLiteral("Arial");
    canvas.Font().Height = -2048;
    int a = 0, b = 0, c = 0;
    ASSERT_TRUE(canvas.GetCharABCWidths(U'A', a, b, c));
    EXPECT_EQ(a + b + c, 1366);
    canvas.SetMapMode(MM_ANISOTROPIC);
    canvas.SetWindowExt(254, 254);
    canvas.SetViewportExt(600, 600);
    int a2 = 0, b2 = 0, c2 = 0;
    canvas.GetCharABCWidths(U'A', a2, b2, c2);
    EXPECT_EQ(a2 + b2 + c2, 1366);
    // A character the face lacks is measured as the glyph drawn: the first fallback face's.
    canvas.Font().Height = -100;
    ASSERT_TRUE(canvas.GetCharABCWidths(U'あ', a, b, c));
    canvas.Font().Name = QStringLiteral("ＭＳ Ｐゴシック");
    canvas.GetCharABCWidths(U'あ', a2, b2, c2);
    EXPECT_EQ(a + b + c, a2 + b2 + c2);
    EXPECT_EQ(b, b2);
    EXPECT_GT(b, 50);
    TOutlineTextMetrics m;
    ASSERT_TRUE(canvas.GetOutlineTextMetrics(m));
    EXPECT_EQ(m.EmHeight, 100);
    EXPECT_GT(m.Height, 100);
    EXPECT_GT(m.UnderscoreSize, 0);
    EXPECT_GT(m.StrikeoutPosition, 0);
}

TEST(FontMapper, VerticalFacesTakeVerticalForms) {
    FontMapper& m = FontMapper::Instance();
    const FontGlyph plain = m.Resolve(QStringLiteral("ＭＳ 明朝"), false, false, U'。');
    const FontGlyph vertical = m.Resolve(QStringLiteral("@ＭＳ 明朝"), false, false, U'。');
    EXPECT_FALSE(plain.Vertical);
    EXPECT_TRUE(vertical.Vertical);
    EXPECT_NE(plain.Glyph, vertical.Glyph);
    const FontGlyph latin = m.Resolve(QStringLiteral("@ＭＳ 明朝"), false, false, U'A');
    EXPECT_FALSE(latin.Vertical);
}

// Thumbnails are drawn on loader threads while the window paints and prints: text drawn on
// several threads at once, at more sizes than a thread keeps, draws every run.
TEST(FontMapper, TextDrawsOnSeveralThreadsAtOnce) {
    std::atomic<int> inked{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&inked, t] {
            for (int i = 0; i < 150; ++i) {
                QImage image(64, 64, QImage::Format_RGB32);
                image.fill(Qt::white);
                {
                    TCanvas canvas(&image);
                    canvas.Font().Name = QStringLiteral("ＭＳ ゴシック");
                    canvas.Font().Height = -(8 + (i * 7 + t * 3) % 90);
                    canvas.Brush().Style = bsClear;
                    canvas.TextOut(2, 2, QStringLiteral("Aあ"));
                }
                bool ink = false;
                for (int y = 0; y < 64 && !ink; ++y)
                    for (int x = 0; x < 64 && !ink; ++x)
                        ink = qGray(image.pixel(x, y)) < 128;
                inked += ink ? 1 : 0;
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(inked, 600);
}

TEST(PersistentFont, SizeAndHeightFollowTheResolution) {
    TPersistentFont font;
    int changes = 0;
    font.OnChange = [&](TObject*) { ++changes; };
    font.SetSize(24);
    EXPECT_EQ(font.Height(), -32);
    font.SetName(QStringLiteral("ＭＳ 明朝"));
    font.SetName(QStringLiteral("ＭＳ 明朝"));
    EXPECT_EQ(changes, 2);
    // An empty name would not be stored: the face is kept.
    font.SetName(QString());
    TFont value = font.Value();
    value.Name.clear();
    font.SetValue(value);
    EXPECT_EQ(font.Name(), QStringLiteral("ＭＳ 明朝"));
    EXPECT_EQ(changes, 2);
    TPersistentFont copy;
    copy.Assign(&font);
    EXPECT_EQ(copy.Value(), font.Value());
}
