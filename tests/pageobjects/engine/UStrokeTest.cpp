#include "pageobjects/engine/UStroke.h"

#include "platform/Canvas.h"

#include <QImage>
#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

using PointAndType = std::pair<TPoint, int>;

std::vector<PointAndType> Contents(const TStroke& s) {
    std::vector<PointAndType> out;
    for (int i = 0; i < s.GetCount(); ++i)
        out.emplace_back(s.GetPoint(i), s.GetPointType(i));
    return out;
}

// The path the stroke leaves on a canvas with the identity mapping.
std::vector<PointAndType> Replayed(const TStroke& s) {
    QImage image(200, 200, QImage::Format_RGB32);
    TCanvas canvas(&image);
    s.SelectPath(canvas);
    TStroke path;
    path.AddPath(canvas);
    return Contents(path);
}

} // namespace

TEST(Stroke, EllipseStartsRightAndRunsOverTheTop) {
    TStroke s;
    s.MakeEllipse(Rect(0, 0, 100, 60));
    const std::vector<PointAndType> expected = {{{100, 30}, 6}, {{100, 13}, 4}, {{78, 0}, 4},  {{50, 0}, 4},
                                                {{22, 0}, 4},   {{0, 13}, 4},   {{0, 30}, 4},  {{0, 47}, 4},
                                                {{22, 60}, 4},  {{50, 60}, 4},  {{78, 60}, 4}, {{100, 47}, 4},
                                                {{100, 30}, 5}};
    EXPECT_EQ(Contents(s), expected);
}

TEST(Stroke, RoundRectRepeatsCornerEndsAsLineStarts) {
    TStroke s;
    s.MakeRoundRect(Rect(0, 0, 100, 50), 20); // h = 10, k = round(5.52) = 6
    const std::vector<PointAndType> expected = {
        {{100, 10}, 6}, {{100, 4}, 4},  {{96, 0}, 4},  {{90, 0}, 4},  {{90, 0}, 2},  {{10, 0}, 2},
        {{4, 0}, 4},    {{0, 4}, 4},    {{0, 10}, 4},  {{0, 10}, 2},  {{0, 40}, 2},  {{0, 46}, 4},
        {{4, 50}, 4},   {{10, 50}, 4},  {{10, 50}, 2}, {{90, 50}, 2}, {{96, 50}, 4}, {{100, 46}, 4},
        {{100, 40}, 4}, {{100, 40}, 2}, {{100, 10}, 3}};
    EXPECT_EQ(Contents(s), expected);
}

TEST(Stroke, RectAndBounds) {
    TStroke s;
    EXPECT_EQ(s.GetBounds(), TRect(0, 0, 0, 0));
    s.AddPoint(5, 7, ptStrokeMoveTo);
    EXPECT_EQ(s.GetBounds(), TRect(5, 7, 5, 7));
    s.MakeRect(Rect(-3, 4, 20, 9));
    const std::vector<PointAndType> expected = {{{-3, 4}, 6}, {{20, 4}, 2}, {{20, 9}, 2}, {{-3, 9}, 3}};
    EXPECT_EQ(Contents(s), expected);
    EXPECT_EQ(s.GetBounds(), TRect(-3, 4, 20, 9));
}

TEST(Stroke, SplitLinesMakesPiecesUnderEightUnits) {
    TStroke s;
    s.AddPoint(0, 0, ptStrokeMoveTo);
    s.AddPoint(20, 0, ptStrokeLineTo);
    s.SplitLines();
    std::vector<PointAndType> expected = {{{0, 0}, 6}, {{5, 0}, 2}, {{10, 0}, 2}, {{15, 0}, 2}, {{20, 0}, 2}};
    EXPECT_EQ(Contents(s), expected);

    // Exactly 8 is split once more, 7 is not.
    TStroke eight;
    eight.AddPoint(0, 0, ptStrokeMoveTo);
    eight.AddPoint(0, 8, ptStrokeLineTo);
    eight.AddPoint(7, 8, ptStrokeLineTo);
    eight.SplitLines();
    expected = {{{0, 0}, 6}, {{0, 4}, 2}, {{0, 8}, 2}, {{7, 8}, 2}};
    EXPECT_EQ(Contents(eight), expected);

    // Midpoints truncate toward zero.
    TStroke negative;
    negative.AddPoint(0, 0, ptStrokeMoveTo);
    negative.AddPoint(-9, 0, ptStrokeLineTo);
    negative.SplitLines();
    expected = {{{0, 0}, 6}, {{-4, 0}, 2}, {{-9, 0}, 2}};
    EXPECT_EQ(Contents(negative), expected);
}

TEST(Stroke, SplitLinesClosesOnTheLastPieceAndKeepsBeziers) {
    TStroke s;
    s.MakeRect(Rect(0, 0, 10, 10));
    s.AddPoint(50, 50, ptStrokeMoveTo);
    s.AddPoint(60, 40, ptStrokeBezierTo);
    s.AddPoint(70, 40, ptStrokeBezierTo);
    s.AddPoint(80, 50, ptStrokeBezierTo);
    s.AddPoint(80, 60, ptStrokeLineTo);
    s.SplitLines();
    const std::vector<PointAndType> expected = {{{0, 0}, 6},   {{5, 0}, 2},   {{10, 0}, 2},  {{10, 5}, 2},
                                                {{10, 10}, 2}, {{5, 10}, 2},  {{0, 10}, 2},  {{0, 5}, 3},
                                                {{50, 50}, 6}, {{60, 40}, 4}, {{70, 40}, 4}, {{80, 50}, 4},
                                                {{80, 55}, 2}, {{80, 60}, 2}};
    EXPECT_EQ(Contents(s), expected);
}

TEST(Stroke, SplitLinesStaysBoundedOnHugeSegments) {
    TStroke s;
    s.AddPoint(-2000000000, 0, ptStrokeMoveTo);
    s.AddPoint(2000000000, 0, ptStrokeLineTo);
    s.SplitLines();
    EXPECT_LE(s.GetCount(), (1 << 17) + 1);
    EXPECT_EQ(s.GetPoint(s.GetCount() - 1), TPoint(2000000000, 0));
}

TEST(Stroke, ReplayKeepsFiguresAndCloseFlags) {
    TStroke rect;
    rect.MakeRect(Rect(10, 10, 50, 30));
    std::vector<PointAndType> expected = {
        {{10, 10}, 6}, {{50, 10}, 2}, {{50, 30}, 2}, {{10, 30}, 2}, {{10, 10}, 3}};
    EXPECT_EQ(Replayed(rect), expected);

    TStroke ellipse;
    ellipse.MakeEllipse(Rect(0, 0, 100, 60));
    const std::vector<PointAndType> path = Replayed(ellipse);
    ASSERT_EQ(path.size(), 14u);
    EXPECT_EQ(path[0].second, 6);
    for (int i = 1; i <= 12; ++i)
        EXPECT_EQ(path[size_t(i)].second, 4) << i;
    EXPECT_EQ(path[13], PointAndType(TPoint(100, 30), 3));
}

TEST(Stroke, ReplayOfEmptyOrBrokenStrokes) {
    // An empty stroke still gives a figure, degenerate at the origin.
    std::vector<PointAndType> expected = {{{0, 0}, 6}, {{0, 0}, 3}};
    EXPECT_EQ(Replayed(TStroke()), expected);

    // A close flag where a triple should start ends the replay.
    TStroke broken;
    broken.AddPoint(5, 5, ptStrokeMoveTo);
    broken.AddPoint(20, 5, ptStrokeLineTo);
    broken.AddPoint(30, 5, ptStrokeBezierToClose);
    broken.AddPoint(40, 5, ptStrokeLineTo);
    expected = {{{5, 5}, 6}, {{20, 5}, 3}};
    EXPECT_EQ(Replayed(broken), expected);

    // A Bezier triple cut short is not read past the end.
    TStroke cut;
    cut.AddPoint(5, 5, ptStrokeMoveTo);
    cut.AddPoint(9, 9, ptStrokeBezierTo);
    cut.AddPoint(15, 5, ptStrokeBezierTo);
    expected = {{{5, 5}, 6}};
    EXPECT_EQ(Replayed(cut), expected);
}

TEST(Stroke, DrawingOutsideAPathFillsTheFigure) {
    QImage image(20, 20, QImage::Format_RGB32);
    image.fill(Qt::white);
    TCanvas canvas(&image);
    TStroke s;
    s.MakeRect(Rect(2, 2, 12, 12));
    s.SelectPath(canvas);
    canvas.Brush().Color = clBlack;
    canvas.FillPath();
    EXPECT_EQ(image.pixel(5, 5) & 0xFFFFFF, 0u);
    EXPECT_EQ(image.pixel(15, 15) & 0xFFFFFF, 0xFFFFFFu);

    // Lines drawn directly leave the pen at the last point of the run.
    TStroke open;
    open.AddPoint(1, 18, ptStrokeMoveTo);
    open.AddPoint(18, 18, ptStrokeLineTo);
    open.AddPoint(18, 15, ptStrokeLineTo);
    canvas.Pen().Color = clBlack;
    open.DrawTo(canvas);
    EXPECT_EQ(canvas.PenPos(), TPoint(18, 15));
    EXPECT_EQ(image.pixel(10, 18) & 0xFFFFFF, 0u);
}

TEST(Stroke, AssignCopiesBothBuffers) {
    TStroke a;
    a.MakeRect(Rect(1, 2, 3, 4));
    TStroke b;
    b.Assign(&a);
    EXPECT_EQ(Contents(b), Contents(a));
    a.GetPoint(0) = TPoint(9, 9);
    EXPECT_EQ(b.GetPoint(0), TPoint(1, 2));
    b.SetCount(2);
    EXPECT_EQ(b.GetCount(), 2);
    EXPECT_EQ(int(b.Types().size()), 2);
    EXPECT_THROW(b.GetPoint(2), std::out_of_range);
}
