#include "controls/Exscrbox.h"

#include <QScrollBar>
#include <gtest/gtest.h>

namespace {

struct Box {
    TExScrollBox box;
    QWidget* base = new QWidget;
    Box(int w, int h) {
        box.setFrameShape(QFrame::NoFrame);
        box.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        box.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        box.resize(300, 200);
        box.show();
        base->resize(w, h);
        box.SetBaseControl(base);
    }
};

} // namespace

TEST(ExScrollBoxTest, PlacementRule) {
    EXPECT_EQ(ScrollBoxPlace(200, 100, 10, 7), 50);
    EXPECT_EQ(ScrollBoxPlace(200, 180, 10, 5), 5); // exactly client - 2 edges: at the edge
    EXPECT_EQ(ScrollBoxPlace(200, 179, 10, 5), 10);
    EXPECT_EQ(ScrollBoxRange(300, 600, 10), 320);
    EXPECT_EQ(ScrollBoxRange(300, 100, 10), 0);
}

TEST(ExScrollBoxTest, CentresSmallAndScrollsLargeBaseControls) {
    Box small(100, 50);
    EXPECT_EQ(small.base->parentWidget(), small.box.viewport());
    EXPECT_EQ(small.base->pos(), QPoint(100, 75));
    EXPECT_EQ(small.box.horizontalScrollBar()->maximum(), 0);

    Box large(600, 400);
    int adjusts = 0;
    large.box.OnAdjustBaseControl = [&](TObject*) { ++adjusts; };
    EXPECT_EQ(large.base->pos(), QPoint(10, 10));
    EXPECT_EQ(large.box.horizontalScrollBar()->maximum(), 320);
    large.box.horizontalScrollBar()->setValue(100);
    EXPECT_EQ(large.base->x(), -90);
    EXPECT_GE(adjusts, 1);
    large.box.SetEdge(20);
    EXPECT_EQ(large.box.horizontalScrollBar()->maximum(), 340);
}

TEST(ExScrollBoxTest, ZoomKeepsTheCentredPointAndRefusesNonPositiveScales) {
    Box b(400, 300);
    b.box.horizontalScrollBar()->setValue(60);
    b.box.verticalScrollBar()->setValue(60);
    ASSERT_EQ(b.base->pos(), QPoint(-50, -50)); // the view's centre (150, 100) is the base's (200, 150)
    EXPECT_TRUE(b.box.SetScale(200));
    EXPECT_EQ(b.base->size(), QSize(800, 600));
    EXPECT_EQ(b.base->x() + 400, 150);
    EXPECT_EQ(b.base->y() + 300, 100);
    EXPECT_TRUE(b.box.SetScale(200));
    EXPECT_FALSE(b.box.SetScale(0));
    EXPECT_FALSE(b.box.SetScale(-5));
    EXPECT_EQ(b.box.Scale(), 200);
    EXPECT_TRUE(b.box.SetScale(100));
    EXPECT_EQ(b.base->size(), QSize(400, 300));
    EXPECT_EQ(b.base->x() + 200, 150);
}
