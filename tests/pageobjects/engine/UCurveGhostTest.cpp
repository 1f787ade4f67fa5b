#include "pageobjects/engine/UCurveGhost.h"

#include "GhostTestObjects.h"
#include "core/UGeometryUtil.h"
#include "pageobjects/engine/UAction.h"
#include "pageobjects/engine/UArcGeometry.h"
#include "pageobjects/engine/UGhost.h"
#include "pageobjects/engine/ULabelObject.h"
#include "pageobjects/engine/ULineGhost.h"
#include "pageobjects/engine/URectGhost.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

struct TCurvePoints {
    TPoint S, B, E;
};

TCurvePoints PointsOf(IDOCurve* curve) {
    TCurvePoints c;
    curve->GetStartPoint(c.S);
    curve->GetBulgePoint(c.B);
    curve->GetEndPoint(c.E);
    return c;
}

double Distance(const TPoint& a, const TPoint& b) {
    return std::hypot(double(a.X - b.X), double(a.Y - b.Y));
}

} // namespace

using CurveGhostTest = GhostTest;

TEST_F(CurveGhostTest, HandlesOnTheEndsAndTheBulge) {
    TGhostCurve* curve = AddCurve(TPoint(100, 150), TPoint(150, 100), TPoint(200, 150));
    ASSERT_NE(PivotOf(curve, 12), nullptr);
    ASSERT_EQ(Pivots(curve).size(), 3u);
    EXPECT_NE(dynamic_cast<TLabelPivot*>(PivotOf(curve, 10)), nullptr);
    EXPECT_EQ(PivotOf(curve, 10)->BoundsRect(), TRect(97, 147, 103, 153));
    EXPECT_EQ(PivotOf(curve, 11)->BoundsRect(), TRect(197, 147, 203, 153));
    TPivot* bulge = PivotOf(curve, 12);
    EXPECT_NE(dynamic_cast<TBulgePivot*>(bulge), nullptr);
    EXPECT_EQ(bulge->Cursor(), crSizeNS);
    EXPECT_FALSE(bulge->IsInverted());
    EXPECT_EQ(bulge->BoundsRect(), TRect(147, 97, 153, 103));
}

TEST_F(CurveGhostTest, EndsMoveSymmetricallyUnlessShift) {
    TGhostCurve* curve = AddCurve(TPoint(100, 150), TPoint(150, 100), TPoint(200, 150));
    DragHandle(curve, 10, {TPoint(70, 150)});
    TCurvePoints c = PointsOf(curve);
    EXPECT_EQ(c.S, TPoint(70, 150));
    EXPECT_EQ(c.E, TPoint(230, 150));
    EXPECT_EQ(c.B, TPoint(150, 100));
    EXPECT_EQ(UndoList().UndoCaption(), QStringLiteral("移動・サイズ変更"));

    DragHandle(curve, 10, {TPoint(40, 150)}, Qt::ShiftModifier);
    c = PointsOf(curve);
    EXPECT_EQ(c.S, TPoint(40, 150));
    EXPECT_EQ(c.E, TPoint(230, 150));

    // Across the chord the move is kept, along it reversed.
    DragHandle(curve, 11, {TPoint(250, 160)});
    c = PointsOf(curve);
    EXPECT_EQ(c.E, TPoint(250, 160));
    EXPECT_EQ(c.S, TPoint(20, 160));
    EXPECT_EQ(c.B, TPoint(150, 100));

    // A vertical chord: dragging the top end up moves the bottom end down.
    TGhostCurve* upright = AddCurve(TPoint(300, 50), TPoint(250, 150), TPoint(300, 250));
    DragHandle(upright, 10, {TPoint(300, 30)});
    c = PointsOf(upright);
    EXPECT_EQ(c.S, TPoint(300, 30));
    EXPECT_EQ(c.E, TPoint(300, 270));
}

TEST_F(CurveGhostTest, TheBulgeStaysWithinTheVisibleArea) {
    TGhostCurve* curve = AddCurve(TPoint(100, 150), TPoint(150, 100), TPoint(200, 150));
    const TRect limit = site.GetLogClientRect();
    const int m = std::min(limit.Width(), limit.Height());
    DragHandle(curve, 12, {TPoint(150, 40), TPoint(150, -400)});
    TCurvePoints c = PointsOf(curve);
    EXPECT_EQ(c.B, TPoint(150, 150 - m));
    EXPECT_EQ(c.S, TPoint(100, 150));
    EXPECT_EQ(c.E, TPoint(200, 150));
    // Within the limit the bulge point follows the mouse, snapped.
    curve->SetCurve(TPoint(100, 150), TPoint(150, 100), TPoint(200, 150));
    SnapToGrid(10);
    DragHandle(curve, 12, {TPoint(148, 72)});
    EXPECT_EQ(PointsOf(curve).B, TPoint(150, 70));
}

TEST_F(CurveGhostTest, SmallBulgesStraightenAText) {
    auto* text = Add<TGhostText>(TRect(100, 130, 200, 170));
    text->SetCurve(TPoint(100, 150), TPoint(150, 150), TPoint(200, 150));
    DragHandle(text, 12, {TPoint(150, 120)});
    EXPECT_EQ(PointsOf(text).B, TPoint(150, 150));
    EXPECT_FALSE(text->Straighten());
    DragHandle(text, 12, {TPoint(150, 60)});
    EXPECT_EQ(PointsOf(text).B, TPoint(150, 60));
    // Moving about the centre the flag stays off: small bulges are kept.
    MoveGhostOptions().CircumMove = true;
    text->SetCurve(TPoint(150, 40), TPoint(200, 38), TPoint(250, 40));
    DragHandle(text, 12, {TPoint(200, 40)});
    EXPECT_NE(GetArcBulge(PointsOf(text).S, PointsOf(text).B, PointsOf(text).E), 0);
}

TEST_F(CurveGhostTest, MovingAboutTheCentreLaysTheCurveOnACircle) {
    MoveGhostOptions().CircumMove = true;
    SnapToGrid(7);
    const TPoint o = RectCenter(site.GetLogClientRect());
    ASSERT_EQ(o, TPoint(200, 150));
    // An arc of radius 72.5 and half length 55.2.
    TGhostCurve* curve = AddCurve(TPoint(150, 100), TPoint(200, 80), TPoint(250, 100));
    DragHandle(curve, 12, {TPoint(200, 30)});
    TCurvePoints c = PointsOf(curve);
    EXPECT_EQ(c.B, TPoint(200, 30)) << "not snapped";
    EXPECT_NEAR(Distance(c.S, o), 120, 1);
    EXPECT_NEAR(Distance(c.E, o), 120, 1);
    EXPECT_LT(c.S.X, 200);
    EXPECT_GT(c.E.X, 200);
    EXPECT_EQ(c.S.Y, c.E.Y);
    // 2 x 120 x sin(55.2 / 120)
    EXPECT_NEAR(Distance(c.S, c.E), 106.6, 2);

    // Closer than 50 to the centre: radius 50.
    DragHandle(curve, 12, {TPoint(200, 140)});
    c = PointsOf(curve);
    EXPECT_NEAR(Distance(c.S, o), 50, 1);
    EXPECT_NEAR(Distance(c.E, o), 50, 1);

    // Alt bends freely between the ends.
    curve->SetCurve(TPoint(150, 100), TPoint(200, 80), TPoint(250, 100));
    DragHandle(curve, 12, {TPoint(203, 58)}, Qt::AltModifier);
    c = PointsOf(curve);
    EXPECT_EQ(c.S, TPoint(150, 100));
    EXPECT_EQ(c.E, TPoint(250, 100));
    EXPECT_EQ(c.B, TPoint(203, 56)) << "snapped";

    // Shift+Alt switches for one drag.
    MoveGhostOptions().CircumMove = false;
    DragHandle(curve, 12, {TPoint(200, 30)}, Qt::ShiftModifier | Qt::AltModifier);
    EXPECT_NEAR(Distance(PointsOf(curve).S, o), 120, 1);
}

TEST(CurveGhostGeometry, AStraightCurveLaidOnACircleKeepsItsChord) {
    TPoint s(150, 100), e(250, 100);
    LayCurveOnCircle(s, e, TPoint(200, 100), TPoint(200, 250), TPoint(200, 150));
    // Half length 50 on radius 100 about angle 90: from 61.35 to 118.65 degrees, laid from left
    // to right since the curve had no upward bulge.
    EXPECT_EQ(s, TPoint(152, 238));
    EXPECT_EQ(e, TPoint(248, 238));

    TPoint s2(150, 100), e2(250, 100);
    LayCurveOnCircle(s2, e2, TPoint(200, 80), TPoint(200, 30), TPoint(200, 150));
    EXPECT_EQ(s2.Y, e2.Y);
    EXPECT_EQ(s2.X + e2.X, 400);
}

TEST_F(CurveGhostTest, CurveEditsAreAlwaysClosed) {
    TGhostCurve* curve = AddCurve(TPoint(100, 150), TPoint(150, 100), TPoint(200, 150));
    DragHandle(curve, 11, {TPoint(220, 150)});
    EXPECT_EQ(TGhostCurve::EditsBegun, 1);
    EXPECT_EQ(TGhostCurve::OpenEdits, 0);

    // A click without a move.
    DragHandle(curve, 11, {});
    EXPECT_EQ(TGhostCurve::EditsBegun, 2);
    EXPECT_EQ(TGhostCurve::OpenEdits, 0);

    // A drag cancelled half way.
    TPivot* pivot = PivotOf(curve, 12);
    SendPress(&site, QPoint(pivot->Left() + 3, pivot->Top() + 3));
    SendMove(&site, QPoint(150, 60));
    EXPECT_EQ(TGhostCurve::OpenEdits, 1);
    site.CancelMode();
    EXPECT_EQ(TGhostCurve::OpenEdits, 0);
    SendRelease(&site, QPoint(150, 60));
    EXPECT_EQ(PointsOf(curve).B, TPoint(150, 100));
}

TEST_F(CurveGhostTest, NewCurvesAndTheirMistakes) {
    auto* curve = new TGhostCurve(&site);
    curve->Hide();
    site.AddObject(curve);
    curve->MakeGhost(-2);
    ASSERT_NE(dynamic_cast<TCurveCreateGhost*>(GhostList().Ghosts(0)), nullptr);
    Drag(TPoint(50, 50), {TPoint(90, 60), TPoint(120, 80)});
    EXPECT_TRUE(curve->Visible());
    EXPECT_TRUE(curve->Selected());
    EXPECT_EQ(PointsOf(curve).S, TPoint(50, 50));
    EXPECT_EQ(PointsOf(curve).E, TPoint(120, 80));
    EXPECT_EQ(UndoList().UndoCaption(), QStringLiteral("追加"));
    EXPECT_EQ(TGhostCurve::OpenEdits, 0);

    for (const std::vector<TPoint>& path :
         {std::vector<TPoint>{}, std::vector<TPoint>{TPoint(320, 90), TPoint(300, 50)}}) {
        auto* failed = new TGhostCurve(&site);
        failed->Hide();
        site.AddObject(failed);
        const TWeakRef<TDrawObject> ref(failed);
        failed->MakeGhost(-2);
        Drag(TPoint(300, 50), path);
        EXPECT_EQ(ref.get(), nullptr);
    }
    EXPECT_EQ(UndoList().Count(), 1);
}

TEST_F(CurveGhostTest, OtherHandlesAreLeftToTheRectangleDesigner) {
    auto* text = Add<TGhostText>(TRect(100, 130, 200, 170));
    text->SetCurve(TPoint(100, 150), TPoint(150, 150), TPoint(200, 150));
    ASSERT_TRUE(DesignerList().MakeGhost(text, 3));
    ASSERT_TRUE(DesignerList().MakeGhost(text, 12));
    ASSERT_TRUE(DesignerList().MakeGhost(text, -1));
    ASSERT_TRUE(DesignerList().MakeGhost(text, 8));
    ASSERT_EQ(GhostList().Count(), 4);
    EXPECT_NE(dynamic_cast<TRectGhost*>(GhostList().Ghosts(0)), nullptr);
    EXPECT_NE(dynamic_cast<TCurveGhost*>(GhostList().Ghosts(1)), nullptr);
    EXPECT_NE(dynamic_cast<TMoveGhost*>(GhostList().Ghosts(2)), nullptr);
    EXPECT_NE(dynamic_cast<TRotateGhost*>(GhostList().Ghosts(3)), nullptr);
    GhostList().ClearGhosts();
}
