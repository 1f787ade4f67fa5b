#include "controls/Shadow.h"
#include "controls/UImageEx.h"
#include "controls/UImagePanel.h"
#include "controls/ULabelEx.h"
#include "controls/UNotePanel.h"
#include "controls/UPanelEx.h"
#include "controls/UShadowPanel.h"
#include "controls/UTabbedPanel.h"
#include "imaging/USafetyBitmap.h"
#include "platform/Picture.h"
#include "tests/controls/ControlsTestSupport.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <gtest/gtest.h>

using namespace ControlsTest;

namespace {

void Press(QWidget& w, QPoint p) {
    QMouseEvent event(QEvent::MouseButtonPress, p, w.mapToGlobal(p), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &event);
}

} // namespace

TEST(TabbedPanelTest, LayoutSlotsAndRegion) {
    const std::vector<TRect> rects = TabLayout(100, 20, 3, 5, 5);
    ASSERT_EQ(rects.size(), 3u);
    EXPECT_EQ(rects[0], TRect(5, 2, 35, 22));
    EXPECT_EQ(rects[2], TRect(65, 2, 95, 22));
    EXPECT_EQ(TabSlots(3, {true, false}), (std::vector<int>{0, -1, 1}));
    const QRegion region = TabRegion(rects, {0, -1, 1}, 2, 100, 20);
    EXPECT_TRUE(region.contains(QPoint(40, 0)));  // the selected tab rises to the top
    EXPECT_FALSE(region.contains(QPoint(10, 1))); // the others start 2 down
    EXPECT_TRUE(region.contains(QPoint(10, 2)));
    EXPECT_FALSE(region.contains(QPoint(70, 10))); // the last slot is free
    EXPECT_TRUE(region.contains(QPoint(99, 19)));  // the bottom line
    EXPECT_FALSE(region.contains(QPoint(2, 10)));
}

TEST(TabbedPanelTest, HiddenTabClicksAndPainting) {
    TTabbedPanel tabs;
    tabs.resize(90, 24);
    tabs.Brush().SetColor(clWhite);
    tabs.SetUnSelectedColor(clSilver);
    tabs.SetSelectedColor(clYellow);
    tabs.SetTabs({QStringLiteral("写真"), QStringLiteral("文字"), QStringLiteral("図形|線")});
    tabs.SetTabVisible(1, false);
    EXPECT_EQ(tabs.TabRect(2), TRect(30, 2, 60, 26));
    tabs.SetTabIndex(2);
    QImage image = Grab(tabs);
    EXPECT_EQ(PixelAt(image, 3, 10), clSilver);
    EXPECT_EQ(PixelAt(image, 33, 1), clYellow);
    EXPECT_EQ(PixelAt(image, 30, 10), clBlack); // the face's outline
    EXPECT_EQ(PixelAt(image, 75, 23), clBlack); // the bottom line under the free slot
    EXPECT_EQ(tabs.mask(), TabRegion(TabLayout(90, 24, 3, 0, 0), {0, -1, 1}, 2, 90, 24));

    int changes = 0;
    tabs.OnChange = [&](TObject*) { ++changes; };
    Press(tabs, QPoint(45, 10));
    EXPECT_EQ(changes, 0); // already selected
    Press(tabs, QPoint(75, 10));
    EXPECT_EQ(changes, 0); // free slot
    Press(tabs, QPoint(10, 10));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(tabs.TabIndex(), 0);
    tabs.SetTabIndex(-1);
    EXPECT_EQ(PixelAt(Grab(tabs), 45, 10), clSilver);

    TTabbedPanel empty;
    empty.show();
    empty.resize(50, 10);
    EXPECT_EQ(empty.mask(), QRegion(0, 9, 50, 1));
}

TEST(NotePanelTest, PagesLieOverThePanel) {
    QWidget parent;
    auto* note = new TNotePanel(&parent);
    note->setGeometry(10, 20, 100, 50);
    auto* a = new QWidget(&parent);
    auto* b = new QWidget(&parent);
    note->AddPage(a);
    note->AddPage(b);
    parent.show();
    EXPECT_TRUE(a->isVisible());
    EXPECT_FALSE(b->isVisible());
    EXPECT_EQ(a->geometry(), QRect(10, 20, 100, 50));
    note->SetPageIndex(1);
    EXPECT_FALSE(a->isVisible());
    EXPECT_EQ(b->geometry(), QRect(10, 20, 100, 50));
    note->setGeometry(0, 0, 60, 30);
    EXPECT_EQ(b->geometry(), QRect(0, 0, 60, 30));
}

TEST(ImagePanelTest, PictureFitsWithEqualMargins) {
    EXPECT_EQ(ImagePanelRect(102, 102, true, 400, 300), TRect(1, 13, 101, 89));
    EXPECT_EQ(ImagePanelRect(100, 100, false, 300, 400), TRect(12, 0, 88, 100));
    EXPECT_EQ(ImagePanelRect(100, 100, false, 0, 400), TRect());
    EXPECT_EQ(ImagePanelJPEGScale(149, 100), 0);
    EXPECT_EQ(ImagePanelJPEGScale(150, 100), 1);
    EXPECT_EQ(ImagePanelJPEGScale(599, 100), 2);
    EXPECT_EQ(ImagePanelJPEGScale(600, 100), 3);

    TImagePanel panel;
    panel.resize(102, 102);
    panel.Brush().SetColor(clWhite);
    panel.SetBorderColor(clRed);
    QImage empty = Grab(panel);
    EXPECT_EQ(PixelAt(empty, 0, 50), clRed);
    EXPECT_EQ(PixelAt(empty, 50, 50), clWhite);
    TSafetyBitmap bitmap(400, 300, pf24bit);
    bitmap.Canvas().FillSolid(TRect(0, 0, 400, 300), clBlue);
    TPicture picture;
    picture.SetGraphic(&bitmap);
    panel.SetPicture(picture);
    EXPECT_EQ(panel.ImageRect(), TRect(1, 13, 101, 89));
    QImage shown = Grab(panel);
    EXPECT_EQ(PixelAt(shown, 50, 13), clBlue);
    EXPECT_EQ(PixelAt(shown, 50, 88), clBlue);
    EXPECT_EQ(PixelAt(shown, 50, 12), clWhite);
    EXPECT_EQ(PixelAt(shown, 50, 89), clWhite);
    EXPECT_EQ(PixelAt(shown, 101, 50), clRed);
}

TEST(ShadowPanelTest, ShadowRegionAndCaptions) {
    TShadowPanel panel;
    panel.resize(100, 40);
    panel.Brush().SetColor(clWhite);
    panel.SetShadowColor(clGray);
    EXPECT_FALSE(panel.mask().contains(QPoint(99, 0)));
    EXPECT_TRUE(panel.mask().contains(QPoint(99, 39)));
    QImage image = Grab(panel);
    EXPECT_EQ(PixelAt(image, 99, 39), clGray);
    EXPECT_EQ(PixelAt(image, 0, 20), clBlack);
    EXPECT_EQ(PixelAt(image, 50, 20), clWhite);
    panel.SetShadow(false);
    EXPECT_TRUE(panel.mask().isEmpty());

    panel.setFont(QFont(QStringLiteral("IPAGothic"), 10));
    panel.SetAlignment(taeLeftRight);
    panel.SetCaption(QStringLiteral("左\r\n右"));
    const QImage both = Grab(panel);
    int leftInk = 0, rightInk = 0;
    for (int y = 2; y < 38; ++y) {
        for (int x = 2; x < 30; ++x)
            leftInk += qGray(both.pixel(x, y)) < 128;
        for (int x = 70; x < 98; ++x)
            rightInk += qGray(both.pixel(x, y)) < 128;
    }
    EXPECT_GT(leftInk, 5);
    EXPECT_GT(rightInk, 5);

    QWidget parent, other;
    auto* target = new QWidget(&parent);
    target->setGeometry(10, 10, 20, 20);
    TShadow* shadow = new TShadow(&other);
    shadow->SetParentControl(target);
    EXPECT_EQ(shadow->parentWidget(), &parent);
    EXPECT_EQ(shadow->geometry(), QRect(10, 10, 25, 25));
}

TEST(PanelExAndImageExTest, BandsFillAndFittedCell) {
    TPanelEx panel;
    panel.resize(20, 20);
    panel.Brush().SetColor(clAqua);
    panel.HighlightBrush().SetColor(clRed);
    panel.ShadowBrush().SetColor(clBlue);
    QImage image = Grab(panel);
    EXPECT_EQ(PixelAt(image, 0, 10), clRed);
    EXPECT_EQ(PixelAt(image, 19, 10), clBlue);
    EXPECT_EQ(PixelAt(image, 10, 10), clAqua);

    auto pack = MakePack({clLime}, 10, 10);
    TImageEx imageEx;
    imageEx.resize(60, 20);
    imageEx.Brush().SetColor(clWhite);
    imageEx.SetImagePack(pack.get());
    QImage fitted = Grab(imageEx);
    EXPECT_EQ(PixelAt(fitted, 30, 10), clLime);
    EXPECT_EQ(PixelAt(fitted, 20, 0), clLime);
    EXPECT_EQ(PixelAt(fitted, 19, 10), clWhite);
    EXPECT_EQ(PixelAt(fitted, 40, 10), clWhite);
    imageEx.SetKeepRatio(false);
    EXPECT_EQ(PixelAt(Grab(imageEx), 2, 10), clLime);
    imageEx.SetAutoSize(true);
    EXPECT_EQ(imageEx.size(), QSize(10, 10));
}

TEST(LabelExTest, LinesFollowTheCaption) {
    TLabelEx label;
    label.SetLines({QStringLiteral("一行目"), QStringLiteral("二行目")});
    EXPECT_EQ(label.text(), QStringLiteral("一行目\n二行目"));
    label.setProperty("text", QStringLiteral("a\r\nb\nc"));
    EXPECT_EQ(label.Lines(), (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
    label.clear();
    EXPECT_TRUE(label.Lines().isEmpty());
}
