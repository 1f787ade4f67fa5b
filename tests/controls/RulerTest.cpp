#include "controls/Ruler.h"
#include "tests/controls/ControlsTestSupport.h"

#include <gtest/gtest.h>

using namespace ControlsTest;

TEST(RulerTest, TicksFollowTheScale) {
    EXPECT_EQ(RulerPixel(10, 96, 100), 4);
    EXPECT_EQ(RulerPixel(10, 96, 50), 2);
    TRulerGeometry g;
    g.thickness = 20;
    g.printNum = false;
    g.scale = 50;
    g.lengthMm = 50;
    const auto none = [](int) { return 0; };
    const std::vector<TRulerTick> half = RulerTicks(g, none);
    int longTicks = 0;
    for (size_t k = 0; k < half.size(); ++k) {
        EXPECT_EQ(half[k].pos, RulerPixel(int(k) * 20, 96, 50));
        longTicks += half[k].longTick;
    }
    EXPECT_EQ(longTicks, 3);                             // 0, 20 and 40 mm
    EXPECT_EQ(half.back().pos, RulerPixel(500, 96, 50)); // the first tick reaching the end is the last

    g.scale = 100;
    g.lengthMm = 0;
    EXPECT_TRUE(RulerTicks(g, none).empty());
}

TEST(RulerTest, NumbersStayInsideTheRuler) {
    TRulerGeometry g;
    g.thickness = 20;
    g.textSize = 8;
    g.lengthMm = 20;
    const std::vector<TRulerTick> ticks = RulerTicks(g, [](int) { return 10; });
    std::vector<int> numbers;
    for (const TRulerTick& t : ticks)
        if (t.number >= 0)
            numbers.push_back(t.number);
    // 0 would start left of the ruler and 20 run past its end.
    EXPECT_EQ(numbers, std::vector<int>{10});
    EXPECT_TRUE(ticks[10].longTick);
    EXPECT_EQ(ticks[10].from, 8);     // from below the numbers
    EXPECT_EQ(ticks[5].from, 8);      // 100 % of the 12 pixels below the numbers
    EXPECT_EQ(ticks[1].from, 20 - 9); // 75 % of them

    g.vertical = true;
    const std::vector<TRulerTick> turned = RulerTicks(g, [](int) { return 10; });
    EXPECT_EQ(turned[10].numberPos, turned[10].pos + 5);
}

TEST(RulerTest, PaintsTicksAtFullAndHalfScale) {
    TRuler ruler;
    ruler.resize(120, 20);
    ruler.SetColor(clWhite);
    ruler.SetEndColor(clWhite);
    ruler.SetPrintNum(false);
    ruler.SetRulerLength(20);
    QImage full = Grab(ruler);
    EXPECT_FALSE(ruler.HasGradient());
    EXPECT_EQ(PixelAt(full, 4, 5), clBlack); // 1 mm tick from 5 down
    EXPECT_EQ(PixelAt(full, 4, 4), clWhite);
    EXPECT_EQ(PixelAt(full, 19, 0), clBlack); // 5 mm tick, full length
    EXPECT_EQ(PixelAt(full, 18, 10), clWhite);
    EXPECT_EQ(PixelAt(full, 37, 0), clBlack); // 10 mm: two pixels wide
    EXPECT_EQ(PixelAt(full, 38, 0), clBlack);
    EXPECT_EQ(PixelAt(full, 39, 10), clWhite);

    ruler.SetScale(50);
    QImage half = Grab(ruler);
    EXPECT_EQ(PixelAt(half, 4, 10), clBlack); // 2 mm
    EXPECT_EQ(PixelAt(half, 2, 10), clWhite); // no 1 mm tick
    EXPECT_EQ(PixelAt(half, 38, 0), clBlack); // 20 mm long tick at 37.8 -> 38
    EXPECT_EQ(PixelAt(half, 19, 2), clBlack); // 10 mm is no long tick at 2 mm steps, but a 5 mm one
    EXPECT_EQ(PixelAt(half, 18, 2), clWhite);

    ruler.SetRulerOffset(10);
    ruler.SetKind(rkVertical);
    ruler.resize(20, 120);
    QImage turned = Grab(ruler);
    EXPECT_EQ(PixelAt(turned, 10, 14), clBlack);
    EXPECT_EQ(PixelAt(turned, 10, 13), clWhite);
}

TEST(RulerTest, GradientIsRebuiltWhenEndColorChanges) {
    TRuler ruler;
    ruler.resize(256, 10);
    ruler.SetColor(clBlack);
    ruler.SetEndColor(clWhite);
    ruler.SetRulerLength(0);
    QImage image = Grab(ruler);
    EXPECT_TRUE(ruler.HasGradient());
    EXPECT_EQ(PixelAt(image, 128, 5), RGB(128, 128, 128));
    EXPECT_EQ(PixelAt(image, 200, 5), RGB(199, 199, 199));
    ruler.SetEndColor(clRed);
    EXPECT_FALSE(ruler.HasGradient());
    image = Grab(ruler);
    EXPECT_EQ(PixelAt(image, 200, 5), RGB(199, 0, 0));
}
