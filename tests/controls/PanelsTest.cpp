#include "controls/PaintPanel.h"
#include "controls/UFillImageBevel.h"
#include "controls/UShrinkPanel.h"
#include "tests/controls/ControlsTestSupport.h"

#include <QCoreApplication>
#include <QDialog>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace ControlsTest;

TEST(PanelsTest, PaintPanelPaintsThroughItsEventOrBrushAndKeepsMargins) {
    TPaintPanel panel;
    panel.resize(40, 30);
    panel.Brush().SetColor(clTeal);
    EXPECT_EQ(PixelAt(Grab(panel), 20, 15), clTeal);
    panel.OnPaint = [&](TObject*) {
        panel.Canvas()->Brush().Color = clMaroon;
        panel.Canvas()->FillRect(TRect(0, 0, 10, 10));
    };
    const QImage painted = Grab(panel);
    EXPECT_EQ(PixelAt(painted, 5, 5), clMaroon);

    auto* layout = new QVBoxLayout(&panel);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* child = new QWidget;
    layout->addWidget(child);
    auto* base = new QWidget(&panel);
    panel.SetBaseControl(base);
    panel.AlignOffset().SetLeft(3);
    panel.AlignOffset().SetBottom(4);
    panel.show();
    layout->activate();
    EXPECT_EQ(child->geometry(), QRect(3, 0, 37, 26));
    EXPECT_EQ(base->geometry(), QRect(0, 0, 40, 30));
}

TEST(PanelsTest, BevelBandsAreExact) {
    TFillImageBevel bevel;
    bevel.resize(20, 20);
    bevel.Brush().SetColor(clWhite);
    bevel.HighlightBrush().SetColor(clRed);
    bevel.BorderBrush().SetColor(clLime);
    bevel.ShadowBrush().SetColor(clBlue);
    bevel.SetBevelWidth(2);
    bevel.SetBorderWidth(1);
    bevel.SetBevelInner(bvLowered);
    const QImage image = Grab(bevel);
    const std::vector<TColor> left = {clRed, clRed, clLime, clBlue, clBlue, clWhite};
    const std::vector<TColor> right = {clBlue, clBlue, clLime, clRed, clRed, clWhite};
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(PixelAt(image, k, 10), left[size_t(k)]) << k;
        EXPECT_EQ(PixelAt(image, 10, k), left[size_t(k)]) << k;
        EXPECT_EQ(PixelAt(image, 19 - k, 10), right[size_t(k)]) << k;
        EXPECT_EQ(PixelAt(image, 10, 19 - k), right[size_t(k)]) << k;
    }
    bevel.SetBevelOuter(bvLowered);
    EXPECT_EQ(PixelAt(Grab(bevel), 0, 10), clBlue);
}

TEST(PanelsTest, ShrinkPanelCollapsesToItsHeaderAndComesBack) {
    QDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    auto* panel = new TShrinkPanel;
    panel->SetCaption(QStringLiteral("文字の設定"));
    panel->SetBorderWidth(2);
    layout->addWidget(panel);
    layout->addStretch();
    dialog.resize(200, 300);
    dialog.show();
    panel->resize(panel->width(), 100);
    const int header = panel->HeaderHeight();
    EXPECT_EQ(panel->contentsMargins().top(), header + 2);

    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(panel, &press);
    QCoreApplication::sendEvent(panel, &release);
    EXPECT_TRUE(panel->Shrinked());
    EXPECT_EQ(panel->height(), header + 4);
    // A panel made in code has stored no expanded height: it returns to the one it had.
    panel->SetShrinked(false);
    EXPECT_EQ(panel->height(), 100);

    auto pack = MakePack({clRed, clBlue}, 30, 40);
    panel->SetHeaderImagePack(pack.get());
    panel->SetImageIndexExpanded(0);
    panel->SetImageIndexShrinked(1);
    EXPECT_EQ(panel->HeaderHeight(), std::max(40, header));
    EXPECT_EQ(PixelAt(Grab(*panel), 10, 10), clRed);
    panel->SetShrinked(true);
    const QImage shrunk = Grab(*panel);
    EXPECT_EQ(shrunk.height(), panel->HeaderHeight() + 4);
    EXPECT_EQ(PixelAt(shrunk, 10, 10), clBlue);
}
