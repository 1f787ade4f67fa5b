#include "pageobjects/engine/UUniversalGhost.h"

#include "GhostTestObjects.h"
#include "pageobjects/engine/UAction.h"
#include "pageobjects/engine/UGrid.h"
#include "pageobjects/engine/UGuide.h"

#include <gtest/gtest.h>
#include <map>

namespace {

// Moves its clone by the drag.
class TShiftingGhost : public TUniversalGhost {
public:
    using TUniversalGhost::TUniversalGhost;
    void Move(TShiftState, const TPoint& delta) override {
        const TRect r = Target()->LogRect();
        static_cast<TLORectBase*>(Ghost())->SetLogRect(
            Bounds(r.Left + delta.X, r.Top + delta.Y, r.Width(), r.Height()));
    }
};

// A hook answering fixed offsets per point.
void HookAnswering(const std::map<std::pair<int, int>, TPoint>& answers) {
    SnapHook() = [answers](TObject*, const TPoint& p, TPoint& offset) {
        const auto it = answers.find({p.X, p.Y});
        if (it != answers.end())
            offset = it->second;
    };
}

} // namespace

using UniversalGhostTest = GhostTest;

TEST_F(UniversalGhostTest, SnapOffsetsTakeTheNearestPerAxisEarlierFirst) {
    TPoint offset;
    GetSnapOffset(nullptr, {TPoint(1, 1)}, offset);
    EXPECT_EQ(offset, TPoint(kNoSnap, kNoSnap)) << "no hook, no snap";

    HookAnswering({{{1, 1}, TPoint(5, -3)}, {{2, 2}, TPoint(-5, 3)}, {{3, 3}, TPoint(kNoSnap, 2)}});
    GetSnapOffset(nullptr, {TPoint(1, 1), TPoint(2, 2), TPoint(3, 3)}, offset);
    EXPECT_EQ(offset, TPoint(5, 2));
    GetSnapOffset(nullptr, {TPoint(2, 2), TPoint(1, 1)}, offset);
    EXPECT_EQ(offset, TPoint(-5, 3));
    GetSnapOffset(nullptr, {}, offset);
    EXPECT_EQ(offset, TPoint(kNoSnap, kNoSnap));

    // Only the axis that snaps moves.
    EXPECT_EQ(SnapPoint(nullptr, TPoint(3, 3)), TPoint(3, 5));
    EXPECT_EQ(SnapPoint(nullptr, TPoint(9, 9)), TPoint(9, 9));
}

TEST_F(UniversalGhostTest, EditorRulePrefersNearerGuidesAndStopsForTheModifier) {
    TGrid grid;
    grid.SetSize(50);
    grid.SetEnabled(true);
    TGuide guides;
    guides.SetEnabled(true);
    guides.SetPos(0, TPoint(104, 0));
    guides.SetPos(1, TPoint(0, 75));
    // Grid (-10, -10); the vertical guide 6 away replaces X; the horizontal one is 15 away, past
    // the tolerance of 10 pixels (10 units here).
    EXPECT_EQ(EditorSnapOffset(site, TPoint(110, 60), 0, &guides, &grid), TPoint(-6, -10));
    EXPECT_EQ(EditorSnapOffset(site, TPoint(110, 60), 0, nullptr, &grid), TPoint(-10, -10));
    EXPECT_EQ(EditorSnapOffset(site, TPoint(110, 70), 0, &guides, nullptr), TPoint(-6, 5));
    grid.SetEnabled(false);
    EXPECT_EQ(EditorSnapOffset(site, TPoint(300, 200), 0, &guides, &grid), TPoint(kNoSnap, kNoSnap));

    grid.SetEnabled(true);
    EXPECT_EQ(EditorSnapOffset(site, TPoint(110, 60), ssAlt, &guides, &grid), TPoint(0, 0));
    EXPECT_EQ(EditorSnapOffset(site, TPoint(110, 60), ssAlt | ssShift, &guides, &grid), TPoint(0, 0));
    // The window manager may own Alt+drag; another modifier can take its place.
    SetSnapOffModifier(ssCtrl);
    EXPECT_EQ(EditorSnapOffset(site, TPoint(110, 60), ssAlt, &guides, &grid), TPoint(-6, -10));
    EXPECT_EQ(EditorSnapOffset(site, TPoint(110, 60), ssCtrl, &guides, &grid), TPoint(0, 0));
}

TEST_F(UniversalGhostTest, DropHandsTheCloneToTheTargetAsOneChange) {
    TGhostBox* box = Add<TGhostBox>(TRect(100, 100, 150, 140));
    auto ghost = std::make_unique<TShiftingGhost>(box, -1);
    TShiftingGhost* g = ghost.get();
    g->Caption = QStringLiteral("移動");
    ASSERT_NE(g->Ghost(), nullptr);
    EXPECT_NE(g->Ghost(), box);
    EXPECT_EQ(g->Ghost()->Owner(), nullptr);
    AddGhost(std::move(ghost));
    GhostList().Start(&site, site.GetLogClientRect(), TPoint(120, 120), 0);
    EXPECT_EQ(g->StartPoint, TPoint(120, 120));
    GhostList().DragTo(0, TPoint(130, 125));
    EXPECT_EQ(box->LogRect(), TRect(100, 100, 150, 140)) << "the target waits for the drop";
    EXPECT_EQ(g->Ghost()->LogRect(), TRect(110, 105, 160, 145));
    GhostList().Drop();
    EXPECT_EQ(box->LogRect(), TRect(110, 105, 160, 145));
    ASSERT_EQ(UndoList().Count(), 1);
    EXPECT_EQ(UndoList().UndoCaption(), QStringLiteral("移動"));
    UndoList().Undo();
    EXPECT_EQ(box->LogRect(), TRect(100, 100, 150, 140));

    // Without a caption the change is made but not recorded.
    UndoList().Clear();
    AddGhost(std::make_unique<TShiftingGhost>(box, -1));
    GhostList().Start(&site, site.GetLogClientRect(), TPoint(120, 120), 0);
    GhostList().DragTo(0, TPoint(121, 121));
    GhostList().Drop();
    EXPECT_EQ(box->LogRect(), TRect(101, 101, 151, 141));
    EXPECT_EQ(UndoList().Count(), 0);
}

TEST_F(UniversalGhostTest, ClickOrCancelChangesNothing) {
    TGhostBox* box = Add<TGhostBox>(TRect(100, 100, 150, 140));
    Drag(TPoint(120, 120), {});
    EXPECT_EQ(box->LogRect(), TRect(100, 100, 150, 140));
    EXPECT_EQ(UndoList().Count(), 0);
    EXPECT_TRUE(GhostList().IsEmpty());

    SendPress(&site, QPoint(120, 120));
    SendMove(&site, QPoint(160, 170));
    ASSERT_EQ(GhostList().Count(), 1);
    site.CancelMode();
    EXPECT_TRUE(GhostList().IsEmpty());
    SendRelease(&site, QPoint(160, 170));
    EXPECT_EQ(box->LogRect(), TRect(100, 100, 150, 140));
    EXPECT_EQ(UndoList().Count(), 0);
}
