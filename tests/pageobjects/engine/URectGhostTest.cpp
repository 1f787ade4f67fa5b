#include "pageobjects/engine/URectGhost.h"

#include "GhostTestObjects.h"
#include "pageobjects/engine/UAction.h"
#include "pageobjects/engine/UGhost.h"
#include "pageobjects/engine/ULineGhost.h"

#include <map>

#include <QCursor>
#include <gtest/gtest.h>

using RectGhostTest = GhostTest;

namespace {

// Where each handle is expected, by index.
std::map<int, TRect> PivotBounds(const std::vector<TPivot*>& pivots) {
    std::map<int, TRect> result;
    for (TPivot* pivot : pivots)
        if (pivot->Index != 8)
            result[pivot->Index] = pivot->BoundsRect();
    return result;
}

TRect Square(const TPoint& c, int size) {
    return Bounds(c.X - size / 2, c.Y - size / 2, size, size);
}

} // namespace

TEST_F(RectGhostTest, EightHandlesAndRoundRotateHandles) {
    TGhostPlainBox* plain = Add<TGhostPlainBox>(TRect(100, 100, 201, 161));
    ASSERT_NE(PivotOf(plain, 0), nullptr);
    std::vector<TPivot*> pivots = Pivots(plain);
    ASSERT_EQ(pivots.size(), 8u);
    const std::map<int, TRect> expected = {
        {0, Square(TPoint(100, 100), 6)}, {1, Square(TPoint(100, 130), 6)}, {2, Square(TPoint(100, 161), 6)},
        {3, Square(TPoint(150, 100), 6)}, {4, Square(TPoint(150, 161), 6)}, {5, Square(TPoint(201, 100), 6)},
        {6, Square(TPoint(201, 130), 6)}, {7, Square(TPoint(201, 161), 6)}};
    EXPECT_EQ(PivotBounds(pivots), expected);
    EXPECT_EQ(PivotOf(plain, 2)->Cursor(), crSizeNESW);
    EXPECT_EQ(PivotOf(plain, 0)->Cursor(), crSizeNWSE);
    EXPECT_EQ(PivotOf(plain, 4)->Cursor(), crSizeNS);
    plain->SetSelected(false);

    // A turnable object: the corners 2 and 5 carry green round rotate handles, the handles
    // follow the turn (here 90 degrees about (150, 125)), their cursors do not.
    TGhostBox* box = Add<TGhostBox>(TRect(100, 100, 200, 150));
    box->SetAngle(90);
    ASSERT_NE(PivotOf(box, 0), nullptr);
    pivots = Pivots(box);
    ASSERT_EQ(pivots.size(), 8u);
    int rotate = 0;
    for (TPivot* pivot : pivots) {
        if (pivot->Index != 8)
            continue;
        ++rotate;
        EXPECT_NE(dynamic_cast<TRotatePivot*>(pivot), nullptr);
        EXPECT_EQ(pivot->Cursor(), crRotate);
        EXPECT_EQ(pivot->Size, 6);
    }
    EXPECT_EQ(rotate, 2);
    EXPECT_EQ(PivotOf(box, 0)->BoundsRect(), Square(TPoint(175, 75), 6));
    EXPECT_EQ(PivotOf(box, 7)->BoundsRect(), Square(TPoint(125, 175), 6));
    EXPECT_EQ(PivotOf(box, 7)->Cursor(), crSizeNWSE);
    EXPECT_EQ(CursorForId(crRotate).shape(), Qt::BitmapCursor);
}

TEST_F(RectGhostTest, CornersFlipAcrossTheOppositeCorner) {
    TGhostBox* box = Add<TGhostBox>(TRect(100, 100, 200, 160));
    DragHandle(box, 7, {TPoint(150, 120), TPoint(60, 40)});
    EXPECT_EQ(box->LogRect(), TRect(60, 40, 100, 100));
    EXPECT_EQ(UndoList().UndoCaption(), QStringLiteral("サイズ変更"));
    UndoList().Undo();
    EXPECT_EQ(box->LogRect(), TRect(100, 100, 200, 160));
}

TEST_F(RectGhostTest, SizesStopAtTwentyUnlessCtrl) {
    TGhostBox* box = Add<TGhostBox>(TRect(100, 100, 200, 160));
    DragHandle(box, 6, {TPoint(110, 130)});
    EXPECT_EQ(box->LogRect(), TRect(100, 100, 120, 160));
    DragHandle(box, 3, {TPoint(110, 155)});
    EXPECT_EQ(box->LogRect(), TRect(100, 140, 120, 160));
    box->SetLogRect(TRect(100, 100, 200, 160));
    DragHandle(box, 6, {TPoint(110, 130)}, Qt::ControlModifier);
    EXPECT_EQ(box->LogRect(), TRect(100, 100, 110, 160));
    // Inverted but narrower than the minimum: back the right way round from the fixed side.
    box->SetLogRect(TRect(100, 100, 200, 160));
    DragHandle(box, 0, {TPoint(210, 110)});
    EXPECT_EQ(box->LogRect(), TRect(180, 110, 200, 160));
}

TEST_F(RectGhostTest, ProportionsAreKeptWhereTheObjectAsks) {
    TGhostBox* image = Add<TGhostBox>(TRect(100, 100, 200, 150));
    image->SetKeepAspect(true);
    // The right edge pulled 40 out: the height follows about the middle line.
    DragHandle(image, 6, {TPoint(240, 125)});
    EXPECT_EQ(image->LogRect(), TRect(100, 90, 240, 160));
    // Shift frees it.
    image->SetLogRect(TRect(100, 100, 200, 150));
    DragHandle(image, 6, {TPoint(240, 125)}, Qt::ShiftModifier);
    EXPECT_EQ(image->LogRect(), TRect(100, 100, 240, 150));
    // A corner keeps the opposite corner and fits the proportions inside the dragged rect.
    image->SetLogRect(TRect(100, 100, 200, 150));
    DragHandle(image, 0, {TPoint(60, 90)});
    EXPECT_EQ(image->LogRect(), TRect(80, 90, 200, 150));

    // A text does not keep them, but with Shift it does.
    TGhostBox* text = Add<TGhostBox>(TRect(100, 200, 200, 250));
    DragHandle(text, 4, {TPoint(150, 270)}, Qt::ShiftModifier);
    EXPECT_EQ(text->LogRect(), TRect(80, 200, 220, 270));
}

TEST_F(RectGhostTest, TurnedObjectsKeepTheOppositeCornerOnThePage) {
    TGhostBox* box = Add<TGhostBox>(TRect(100, 100, 200, 150));
    box->SetAngle(90);
    box->SetAutoSize(true);
    // Handle 7 lies at (125, 175) on the page; dragging it by (10, 20) is (20, -10) in the
    // object's frame.
    DragHandle(box, 7, {TPoint(135, 195)});
    EXPECT_EQ(box->LogRect(), TRect(95, 115, 215, 155));
    EXPECT_EQ(box->GetAngle(), 90);
    EXPECT_FALSE(box->GetAutoSize()) << "a resized object stops fitting itself";
    EXPECT_EQ(RectHandlePoints(box, box->LogRect())[0], TPoint(175, 75));
}

TEST_F(RectGhostTest, NewObjectsGrowFromThePress) {
    auto* small = new TGhostBox(&site);
    small->Hide();
    site.AddObject(small);
    small->MakeGhost(-2);
    ASSERT_NE(dynamic_cast<TRectCreateGhost*>(GhostList().Ghosts(0)), nullptr);
    Drag(TPoint(50, 50), {TPoint(55, 58)});
    EXPECT_EQ(small->LogRect(), TRect(50, 50, 70, 70));
    EXPECT_TRUE(small->Visible());
    EXPECT_TRUE(small->Selected());
    EXPECT_EQ(UndoList().UndoCaption(), QStringLiteral("追加"));
    EXPECT_EQ(UndoList().Count(), 1);

    auto* large = new TGhostBox(&site);
    large->Hide();
    site.AddObject(large);
    large->MakeGhost(-2);
    Drag(TPoint(150, 50), {TPoint(250, 120)});
    EXPECT_EQ(large->LogRect(), TRect(150, 50, 251, 121));

    auto* clicked = new TGhostBox(&site);
    clicked->Hide();
    site.AddObject(clicked);
    const TWeakRef<TDrawObject> ref(clicked);
    clicked->MakeGhost(-2);
    Drag(TPoint(300, 50), {});
    EXPECT_EQ(ref.get(), nullptr);
    EXPECT_EQ(UndoList().Count(), 2);
}

TEST_F(RectGhostTest, DesignerMakesTheGhostOfEachHandle) {
    TGhostBox* box = Add<TGhostBox>(TRect(100, 100, 200, 150));
    auto* fresh = new TGhostBox(&site);
    fresh->Hide();
    site.AddObject(fresh);
    const TWeakRef<TDrawObject> freshRef(fresh);
    auto* designer = new TDORectGhostDesigner;
    designer->AddRef();
    EXPECT_TRUE(designer->MakeGhost(fresh, -2));
    for (int handle : {-1, 0, 7, 8, 9})
        EXPECT_TRUE(designer->MakeGhost(box, handle));
    ASSERT_EQ(GhostList().Count(), 5);
    EXPECT_NE(dynamic_cast<TRectCreateGhost*>(GhostList().Ghosts(0)), nullptr);
    EXPECT_NE(dynamic_cast<TMoveGhost*>(GhostList().Ghosts(1)), nullptr);
    EXPECT_NE(dynamic_cast<TRectGhost*>(GhostList().Ghosts(2)), nullptr);
    EXPECT_NE(dynamic_cast<TRectGhost*>(GhostList().Ghosts(3)), nullptr);
    EXPECT_NE(dynamic_cast<TRotateGhost*>(GhostList().Ghosts(4)), nullptr);
    GhostList().ClearGhosts();
    EXPECT_EQ(freshRef.get(), nullptr) << "a new object whose creation was cancelled goes with its ghost";
    TGhostLine* line = AddLine(TPoint(0, 0), TPoint(10, 10));
    EXPECT_FALSE(designer->MakeGhost(line, 0));
    EXPECT_FALSE(designer->MakePivots(line));
    designer->Release();
}
