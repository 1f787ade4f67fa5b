#include "pageobjects/engine/ULineGhost.h"

#include "GhostTestObjects.h"
#include "pageobjects/engine/UAction.h"
#include "pageobjects/engine/UGhost.h"
#include "pageobjects/engine/ULabelObject.h"
#include "pageobjects/engine/URectGhost.h"

#include <cmath>
#include <gtest/gtest.h>

using LineGhostTest = GhostTest;

namespace {

TPoint StartOf(TGhostLine* line) {
    TPoint p;
    line->GetStartPoint(p);
    return p;
}

TPoint EndOf(TGhostLine* line) {
    TPoint p;
    line->GetEndPoint(p);
    return p;
}

// The point 1000 units from centre in the direction of from turned by degrees: far enough that
// whole units do not blur the angle.
TPoint TurnedFar(const TPoint& centre, const TPoint& from, double degrees) {
    const double a = std::atan2(from.Y - centre.Y, from.X - centre.X) + degrees * std::acos(-1.0) / 180;
    return TPoint(centre.X + int(std::lround(1000 * std::cos(a))),
                  centre.Y + int(std::lround(1000 * std::sin(a))));
}

} // namespace

TEST_F(LineGhostTest, HandlesSitOnTheEnds) {
    TGhostLine* line = AddLine(TPoint(100, 100), TPoint(200, 150));
    ASSERT_NE(PivotOf(line, 0), nullptr);
    const std::vector<TPivot*> pivots = Pivots(line);
    ASSERT_EQ(pivots.size(), 2u);
    for (TPivot* pivot : pivots) {
        EXPECT_NE(dynamic_cast<TLabelPivot*>(pivot), nullptr);
        EXPECT_EQ(pivot->Cursor(), crSizeWE);
    }
    EXPECT_EQ(PivotOf(line, 0)->BoundsRect(), TRect(97, 97, 103, 103));
    EXPECT_EQ(PivotOf(line, 1)->BoundsRect(), TRect(197, 147, 203, 153));
}

TEST_F(LineGhostTest, DraggingAnEndSnapsAndRecords) {
    TGhostLine* line = AddLine(TPoint(100, 100), TPoint(200, 150));
    SnapToGrid(10);
    DragHandle(line, 0, {TPoint(80, 80), TPoint(53, 47)});
    EXPECT_EQ(StartOf(line), TPoint(50, 50));
    EXPECT_EQ(EndOf(line), TPoint(200, 150));
    EXPECT_EQ(UndoList().UndoCaption(), QStringLiteral("移動・サイズ変更"));
}

TEST_F(LineGhostTest, ShiftMakesTheLineHorizontalOrVertical) {
    TGhostLine* line = AddLine(TPoint(100, 100), TPoint(200, 150));
    DragHandle(line, 1, {TPoint(130, 110)}, Qt::ShiftModifier);
    EXPECT_EQ(EndOf(line), TPoint(130, 100));
    DragHandle(line, 1, {TPoint(110, 130)}, Qt::ShiftModifier);
    EXPECT_EQ(EndOf(line), TPoint(100, 130));
    DragHandle(line, 1, {TPoint(120, 120)}, Qt::ShiftModifier);
    EXPECT_EQ(EndOf(line), TPoint(100, 120));
    // The start end, against the end point (100, 120).
    DragHandle(line, 0, {TPoint(60, 110)}, Qt::ShiftModifier);
    EXPECT_EQ(StartOf(line), TPoint(60, 120));
    EXPECT_EQ(UndoList().Count(), 4);
}

TEST_F(LineGhostTest, NewLinesFollowTheMouseFromThePress) {
    auto* line = new TGhostLine(&site);
    line->Hide();
    site.AddObject(line);
    line->MakeGhost(-2);
    ASSERT_NE(dynamic_cast<TLineCreateGhost*>(GhostList().Ghosts(0)), nullptr);
    Drag(TPoint(50, 60), {TPoint(90, 70), TPoint(150, 80)});
    EXPECT_TRUE(line->Visible());
    EXPECT_TRUE(line->Selected());
    EXPECT_EQ(StartOf(line), TPoint(50, 60));
    EXPECT_EQ(EndOf(line), TPoint(150, 80));
    ASSERT_EQ(UndoList().Count(), 1);
    EXPECT_EQ(UndoList().UndoCaption(), QStringLiteral("追加"));
    UndoList().Undo();
    EXPECT_EQ(site.DrawObjectCount(), 0);
}

TEST_F(LineGhostTest, ALineWithoutLengthIsNotMade) {
    auto* clicked = new TGhostLine(&site);
    clicked->Hide();
    site.AddObject(clicked);
    const TWeakRef<TDrawObject> first(clicked);
    clicked->MakeGhost(-2);
    Drag(TPoint(50, 60), {});
    EXPECT_EQ(first.get(), nullptr);

    auto* back = new TGhostLine(&site);
    back->Hide();
    site.AddObject(back);
    const TWeakRef<TDrawObject> second(back);
    back->MakeGhost(-2);
    Drag(TPoint(50, 60), {TPoint(90, 90), TPoint(50, 60)});
    EXPECT_EQ(second.get(), nullptr);
    EXPECT_EQ(site.DrawObjectCount(), 0);
    EXPECT_EQ(UndoList().Count(), 0);
}

TEST_F(LineGhostTest, RotationStepsAndAddsUp) {
    TGhostBox* box = Add<TGhostBox>(TRect(100, 100, 200, 160));
    const TPoint centre(150, 130);
    // Drags a rotate handle about the centre by the given degrees.
    auto turn = [&](double degrees, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        TPivot* pivot = PivotOf(box, 8);
        ASSERT_NE(pivot, nullptr);
        EXPECT_NE(dynamic_cast<TRotatePivot*>(pivot), nullptr);
        const TPoint from(pivot->Left() + pivot->Size / 2, pivot->Top() + pivot->Size / 2);
        DragHandle(box, 8, {TurnedFar(centre, from, degrees)}, mods);
    };
    turn(30);
    EXPECT_EQ(box->GetAngle(), 30);
    EXPECT_EQ(UndoList().UndoCaption(), QStringLiteral("回転"));
    turn(30);
    EXPECT_EQ(box->GetAngle(), 60);

    for (const auto& [degrees, expected] : {std::pair(100, 90), std::pair(112, 90), std::pair(113, 135),
                                            std::pair(-22, 0), std::pair(-23, -45), std::pair(22, 0)}) {
        box->SetAngle(0);
        turn(degrees, Qt::ShiftModifier);
        EXPECT_EQ(box->GetAngle(), expected) << degrees;
    }
    // A stored angle at the end of the range: the sum is held there instead of wrapping round.
    box->SetAngle(INT32_MAX - 10);
    turn(30);
    EXPECT_EQ(box->GetAngle(), INT32_MAX);
    box->SetAngle(INT32_MIN + 10);
    turn(-30, Qt::ShiftModifier);
    EXPECT_EQ(box->GetAngle() % 45, 0);
    EXPECT_LT(box->GetAngle(), INT32_MIN + 45);
}
