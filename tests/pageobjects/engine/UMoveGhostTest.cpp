#include "pageobjects/engine/UMoveGhost.h"

#include "GhostTestObjects.h"
#include "core/UGeometryUtil.h"
#include "pageobjects/engine/UAction.h"
#include "pageobjects/engine/UGhost.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <cmath>
#include <gtest/gtest.h>

using MoveGhostTest = GhostTest;

TEST(MoveGhostGeometry, PhasedTurnsLandOnTheNearestStep) {
    int angle = 0;
    // Centre (72, 69) about the origin lies at 43.78 degrees: step 30 lands at 30 degrees,
    // turning by -13.78 (-14 whole degrees); the centre goes to (86.37, 49.86), truncated.
    TRect r = CircularMoveRect(TRect(62, 59, 82, 79), TPoint(0, 0), 0, 30, angle);
    EXPECT_EQ(angle, -14);
    EXPECT_EQ(RectCenter(r), TPoint(86, 49));
    // At 46.22 degrees it lands at 60.
    r = CircularMoveRect(TRect(59, 62, 79, 82), TPoint(0, 0), 0, 30, angle);
    EXPECT_EQ(angle, 14);
    EXPECT_EQ(RectCenter(r), TPoint(49, 86));
    // Below the x axis the steps run the other way: -43.78 to -30.
    r = CircularMoveRect(TRect(62, -79, 82, -59), TPoint(0, 0), 0, 30, angle);
    EXPECT_EQ(angle, 14);
    // A free turn of a quarter.
    r = CircularMoveRect(TRect(90, -10, 110, 10), TPoint(0, 0), std::acos(-1.0L) / 2, 0, angle);
    EXPECT_EQ(angle, 90);
    EXPECT_EQ(r, TRect(-10, 90, 10, 110));

    EXPECT_EQ(CentreTurn(TRect(90, -10, 110, 10), TRect(-10, 90, 10, 110), TPoint(0, 0)), 90);
    EXPECT_EQ(CentreTurn(TRect(90, -10, 110, 10), TRect(-110, -10, -90, 10), TPoint(0, 0)), 180);
}

TEST(MoveGhostGeometry, RadialOrAroundTheCentre) {
    long double dr = 0, da = 0;
    EXPECT_TRUE(IsRadialMove(TPoint(0, 0), TPoint(100, 0), TPoint(140, 1), dr, da));
    EXPECT_NEAR(double(dr), 40.0, 0.01);
    EXPECT_FALSE(IsRadialMove(TPoint(0, 0), TPoint(100, 0), TPoint(99, 20), dr, da));
    EXPECT_NEAR(double(da), std::atan2(20.0, 99.0), 1e-12);
    EXPECT_EQ(RadialMoveRect(TRect(90, -10, 110, 10), TPoint(0, 0), 40.0036L), TRect(130, -10, 150, 10));
    EXPECT_EQ(RadialMoveRect(TRect(-10, 90, 10, 110), TPoint(0, 0), -30), TRect(-10, 60, 10, 80));
}

TEST_F(MoveGhostTest, FreeMoveSnapsTheNearestCorner) {
    TGhostBox* box = Add<TGhostBox>(TRect(100, 100, 150, 140));
    SnapToGrid(20);
    // (113, 107, 163, 147): the bottom-right corner is 3 from the grid across, every corner 7 down.
    Drag(TPoint(120, 120), {TPoint(125, 122), TPoint(133, 127)});
    EXPECT_EQ(box->LogRect(), TRect(110, 100, 160, 140));
    ASSERT_EQ(UndoList().Count(), 1);
    EXPECT_EQ(UndoList().UndoCaption(), QStringLiteral("移動"));
    UndoList().Undo();
    EXPECT_EQ(box->LogRect(), TRect(100, 100, 150, 140));
}

TEST_F(MoveGhostTest, ShiftHoldsTheMoveToOneAxis) {
    TGhostBox* box = Add<TGhostBox>(TRect(100, 100, 150, 140));
    Drag(TPoint(120, 120), {TPoint(150, 130)}, Qt::ShiftModifier);
    EXPECT_EQ(box->LogRect(), TRect(130, 100, 180, 140));
    Drag(TPoint(140, 120), {TPoint(150, 150)}, Qt::ShiftModifier);
    EXPECT_EQ(box->LogRect(), TRect(130, 130, 180, 170));
    // Equal both ways counts as vertical.
    Drag(TPoint(140, 150), {TPoint(160, 170)}, Qt::ShiftModifier);
    EXPECT_EQ(box->LogRect(), TRect(130, 150, 180, 190));
    // With the parallel option set, Shift frees the move again.
    MoveGhostOptions().ParallelMove = true;
    Drag(TPoint(140, 160), {TPoint(150, 165)}, Qt::ShiftModifier);
    EXPECT_EQ(box->LogRect(), TRect(140, 155, 190, 195));
}

TEST_F(MoveGhostTest, ModifierChangesReRunTheGhostWithoutMoving) {
    TGhostBox* box = Add<TGhostBox>(TRect(100, 100, 150, 140));
    SendPress(&site, QPoint(120, 120));
    SendMove(&site, QPoint(150, 130));
    auto* ghost = dynamic_cast<TMoveGhost*>(GhostList().Ghosts(0));
    ASSERT_NE(ghost, nullptr);
    EXPECT_EQ(ghost->Ghost()->LogRect(), TRect(130, 110, 180, 150));
    QKeyEvent shiftDown(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier);
    QCoreApplication::sendEvent(&site, &shiftDown);
    EXPECT_EQ(ghost->Ghost()->LogRect(), TRect(130, 100, 180, 140));
    QKeyEvent shiftUp(QEvent::KeyRelease, Qt::Key_Shift, Qt::NoModifier);
    QCoreApplication::sendEvent(&site, &shiftUp);
    EXPECT_EQ(ghost->Ghost()->LogRect(), TRect(130, 110, 180, 150));
    // Ctrl changes nothing in the outline.
    QKeyEvent ctrlDown(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
    QCoreApplication::sendEvent(&site, &ctrlDown);
    EXPECT_EQ(ghost->Ghost()->LogRect(), TRect(130, 110, 180, 150));
    SendRelease(&site, QPoint(150, 130));
    EXPECT_EQ(box->LogRect(), TRect(130, 110, 180, 150));
}

TEST_F(MoveGhostTest, TheCentreStaysTenUnitsInsideTheVisibleArea) {
    TGhostBox* box = Add<TGhostBox>(TRect(100, 100, 150, 140));
    const TRect limit = site.GetLogClientRect();
    Drag(TPoint(120, 120), {TPoint(700, 900)});
    EXPECT_EQ(RectCenter(box->LogRect()), TPoint(limit.Right - 10, limit.Bottom - 10));
    Drag(RectCenter(box->LogRect()), {TPoint(-500, -500)});
    EXPECT_EQ(RectCenter(box->LogRect()), TPoint(10, 10));
}

TEST_F(MoveGhostTest, CircumferentialMovesInPhases) {
    MoveGhostOptions().CircumMove = true;
    MoveGhostOptions().CircumPhased = true;
    MoveGhostOptions().CircumRotate = true;
    // Centre (272, 219): 43.78 degrees about the page centre (200, 150).
    TGhostBox* box = Add<TGhostBox>(TRect(262, 209, 282, 229));
    Drag(TPoint(272, 219), {TPoint(271, 220)});
    EXPECT_EQ(box->LogRect(), TRect(276, 189, 296, 209));
    EXPECT_EQ(box->GetAngle(), -14);

    TGhostBox* other = Add<TGhostBox>(TRect(259, 242, 279, 262));
    other->SetAngle(5);
    // Centre (269, 252): 55.96 degrees, nudged to 56.5 and landing on 60.
    Drag(TPoint(269, 252), {TPoint(268, 253)});
    EXPECT_EQ(other->GetAngle(), 9);
    const TPoint c = RectCenter(other->LogRect());
    EXPECT_NEAR(std::atan2(c.Y - 150.0, c.X - 200.0) * 180 / std::acos(-1.0), 60.0, 1.0);

    // Without CircumRotate the object only slides.
    MoveGhostOptions().CircumRotate = false;
    // Centre at 180 degrees, dragged on to -150.6, landing on -150.
    TGhostBox* third = Add<TGhostBox>(TRect(30, 140, 50, 160));
    Drag(TPoint(40, 150), {TPoint(40, 60)});
    EXPECT_EQ(third->GetAngle(), 0);
    const TPoint t = RectCenter(third->LogRect());
    EXPECT_NEAR(std::atan2(t.Y - 150.0, t.X - 200.0) * 180 / std::acos(-1.0), -150.0, 0.5);
    EXPECT_NEAR(std::hypot(t.X - 200.0, t.Y - 150.0), 160.0, 1.0);
}

TEST_F(MoveGhostTest, PullingOutwardKeepsTheAngleAboutTheCentre) {
    MoveGhostOptions().CircumMove = true;
    TGhostBox* box = Add<TGhostBox>(TRect(290, 140, 310, 160));
    Drag(TPoint(300, 150), {TPoint(340, 151)});
    EXPECT_EQ(box->LogRect(), TRect(330, 140, 350, 160));
    EXPECT_EQ(box->GetAngle(), 0);
}

TEST_F(MoveGhostTest, ModifiersSwitchTheModeForOneDrag) {
    MoveGhostOptions().CircumMove = true;
    TGhostBox* box = Add<TGhostBox>(TRect(290, 140, 310, 160));
    // Alt alone: a plain free move.
    Drag(TPoint(300, 150), {TPoint(300, 180)}, Qt::AltModifier);
    EXPECT_EQ(box->LogRect(), TRect(290, 170, 310, 190));
    // Shift+Alt: free instead of circumferential.
    Drag(TPoint(300, 180), {TPoint(310, 180)}, Qt::ShiftModifier | Qt::AltModifier);
    EXPECT_EQ(box->LogRect(), TRect(300, 170, 320, 190));
    // And the other way round.
    MoveGhostOptions().CircumMove = false;
    MoveGhostOptions().CircumRotate = true;
    box->SetLogRect(TRect(290, 140, 310, 160));
    Drag(TPoint(300, 150), {TPoint(200, 250)}, Qt::ShiftModifier | Qt::AltModifier);
    EXPECT_EQ(box->LogRect(), TRect(190, 240, 210, 260));
    EXPECT_EQ(box->GetAngle(), 90);
}

TEST_F(MoveGhostTest, TheSnapOffKeyIsTheKeyOfTheFreeMove) {
    MoveGhostOptions().CircumMove = true;
    MoveGhostOptions().CircumPhased = true;
    TMoveGhost ghost(Add<TGhostBox>(TRect(290, 140, 310, 160)), 0);
    TMoveGhostOptions mode;
    SetSnapOffModifier(ssCtrl);
    ghost.GetMode(mode, ssAlt);
    EXPECT_TRUE(mode.CircumMove && mode.CircumPhased);
    ghost.GetMode(mode, ssCtrl);
    EXPECT_FALSE(mode.CircumMove || mode.CircumPhased);
    ghost.GetMode(mode, ssCtrl | ssShift);
    EXPECT_FALSE(mode.CircumMove);
    ghost.GetMode(mode, ssShift);
    EXPECT_TRUE(mode.CircumMove);
    EXPECT_FALSE(mode.CircumPhased);
    // With no snap-off key no key frees the move.
    SetSnapOffModifier(0);
    ghost.GetMode(mode, ssAlt | ssCtrl);
    EXPECT_TRUE(mode.CircumMove && mode.CircumPhased);
}

TEST_F(MoveGhostTest, FreeRotateTurnsByTheAngleTravelledAboutTheCentre) {
    MoveGhostOptions().FreeRotate = true;
    TGhostBox* box = Add<TGhostBox>(TRect(290, 140, 310, 160));
    Drag(TPoint(300, 150), {TPoint(200, 250)});
    EXPECT_EQ(box->LogRect(), TRect(190, 240, 210, 260));
    EXPECT_EQ(box->GetAngle(), 90);
}

TEST_F(MoveGhostTest, TurningInPlaceIsRecorded) {
    MoveGhostOptions().CircumMove = true;
    MoveGhostOptions().CircumRotate = true;
    // Centred on the page centre: travelling about it only turns the object.
    TGhostBox* box = Add<TGhostBox>(TRect(180, 130, 220, 170));
    Drag(TPoint(200, 150), {TPoint(200, 250)});
    EXPECT_EQ(box->LogRect(), TRect(180, 130, 220, 170));
    EXPECT_EQ(box->GetAngle(), 90);
    ASSERT_EQ(UndoList().Count(), 1);
    UndoList().Undo();
    EXPECT_EQ(box->GetAngle(), 0);
}

TEST_F(MoveGhostTest, TextsTurnAboutTheirOrigin) {
    MoveGhostOptions().FreeRotate = true;
    auto* text = Add<TGhostText>(TRect(290, 140, 310, 160));
    text->SetAngle(10);
    Drag(TPoint(300, 150), {TPoint(200, 250)});
    EXPECT_EQ(text->RotatedAroundOrigin, 100);
    EXPECT_EQ(text->GetAngle(), 100);
}

TEST_F(MoveGhostTest, CtrlAtReleaseDropsACopy) {
    TGhostBox* box = Add<TGhostBox>(TRect(100, 100, 150, 140));
    box->SetAngle(30);
    const int before = site.DrawObjectCount();
    SendPress(&site, QPoint(120, 120));
    SendMove(&site, QPoint(170, 140));
    SendRelease(&site, QPoint(170, 140), Qt::LeftButton, Qt::ControlModifier);
    ASSERT_EQ(site.DrawObjectCount(), before + 1);
    EXPECT_EQ(box->LogRect(), TRect(100, 100, 150, 140));
    EXPECT_FALSE(box->Selected());
    TDOList selected;
    site.ListObjects(selected, true);
    ASSERT_EQ(selected.Count(), 1);
    auto* copy = dynamic_cast<TGhostBox*>(selected[0]);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->LogRect(), TRect(150, 120, 200, 160));
    EXPECT_EQ(copy->GetAngle(), 30);
    EXPECT_EQ(copy->Owner(), &site);
    EXPECT_EQ(UndoList().UndoCaption(), QStringLiteral("ドラッグコピー"));
    UndoList().Undo();
    EXPECT_EQ(site.DrawObjectCount(), before);
}

TEST_F(MoveGhostTest, SimpleMoveNeitherCopiesNorTurns) {
    MoveGhostOptions().CircumMove = true;
    MoveGhostOptions().CircumRotate = true;
    MoveGhostOptions().FreeRotate = true;
    TGhostBox* box = Add<TGhostBox>(TRect(290, 140, 310, 160));
    box->SetSelected(true);
    AddGhost(std::make_unique<TSimpleMoveGhost>(box, -1));
    GhostList().Start(&site, site.GetLogClientRect(), TPoint(300, 150), 0);
    GhostList().DragTo(ssCtrl | ssShift | ssAlt, TPoint(200, 250));
    GhostList().Drop();
    EXPECT_EQ(site.DrawObjectCount(), 1);
    EXPECT_EQ(box->LogRect(), TRect(190, 240, 210, 260));
    EXPECT_EQ(box->GetAngle(), 0);
}

TEST_F(MoveGhostTest, OutlineAndPathAreDrawnWhileDragging) {
    MoveGhostOptions().CircumMove = true;
    Add<TGhostBox>(TRect(290, 140, 310, 160));
    SendPress(&site, QPoint(300, 150));
    SendMove(&site, QPoint(300, 160));
    auto* ghost = dynamic_cast<TMoveGhost*>(GhostList().Ghosts(0));
    ASSERT_NE(ghost, nullptr);
    const QImage shot = site.grab().toImage();
    EXPECT_TRUE(ghost->DrawMode.CircumMove);
    // The dashed ray from the page centre through the target runs along y = 150 to the right.
    int marked = 0;
    for (int x = 210; x < 280; ++x)
        marked += (shot.pixel(x, 150) & 0xFFFFFF) != 0xFFFFFF ? 1 : 0;
    EXPECT_GT(marked, 10);
    SendRelease(&site, QPoint(300, 160));
    EXPECT_TRUE(GhostList().IsEmpty());
}

TEST_F(MoveGhostTest, ADragOfManyObjectsIsOneStep) {
    std::vector<TGhostBox*> boxes;
    for (int i = 0; i < 12; ++i) {
        boxes.push_back(Add<TGhostBox>(TRect(10 + 30 * i, 100, 30 + 30 * i, 120)));
        boxes.back()->SetSelected(true);
    }
    Drag(TPoint(20, 110), {TPoint(20, 150)});
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(boxes[size_t(i)]->LogRect(), TRect(10 + 30 * i, 140, 30 + 30 * i, 160)) << i;
    ASSERT_EQ(UndoList().Count(), 1);
    EXPECT_EQ(UndoList().UndoCaption(), QStringLiteral("移動"));
    UndoList().Undo();
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(boxes[size_t(i)]->LogRect(), TRect(10 + 30 * i, 100, 30 + 30 * i, 120)) << i;
    UndoList().Redo();
    EXPECT_EQ(boxes[11]->LogRect(), TRect(340, 140, 360, 160));
}
