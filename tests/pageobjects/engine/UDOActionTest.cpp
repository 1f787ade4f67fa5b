#include "pageobjects/engine/UDOAction.h"

#include "EngineTestObjects.h"
#include "pageobjects/engine/UDrawSite.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

class DOActionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetEngineGlobals();
        site = std::make_unique<TDrawSite>(nullptr);
        site->Scaler().SetUnitDPI(96);
        site->SetLogWidth(400);
        site->SetLogHeight(200);
    }

    std::vector<TDrawObject*> Order() const {
        TDOList list;
        site->ListObjects(list, false);
        return std::vector<TDrawObject*>(list.begin(), list.end());
    }

    TActionList undo;
    std::unique_ptr<TDrawSite> site;
};

using Objects = std::vector<TDrawObject*>;

} // namespace

TEST_F(DOActionTest, ChangeIsRecordedOnlyWhenTheObjectAnnouncedOne) {
    TTestRect* r = AddRect(*site, TRect(10, 10, 50, 50), clBlue);
    TDOChangeAction::EndChange(std::make_unique<TDOChangeAction>(r), undo);
    EXPECT_EQ(undo.Count(), 0) << "nothing changed";

    auto forced = std::make_unique<TDOChangeAction>(r);
    forced->Force = true;
    TDOChangeAction::EndChange(std::move(forced), undo);
    EXPECT_EQ(undo.Count(), 1);

    auto action = std::make_unique<TDOChangeAction>(r);
    r->SetFillColor(clGreen);
    r->SetLogRect(TRect(100, 100, 150, 120));
    TDOChangeAction::EndChange(std::move(action), undo);
    ASSERT_EQ(undo.Count(), 2);

    undo.Undo();
    EXPECT_EQ(r->FillColor(), clBlue);
    EXPECT_EQ(r->LogRect(), TRect(10, 10, 50, 50));
    EXPECT_TRUE(r->Selected());
    undo.Redo();
    EXPECT_EQ(r->FillColor(), clGreen);
    EXPECT_EQ(r->LogRect(), TRect(100, 100, 150, 120));
}

TEST_F(DOActionTest, ChangeOfAnObjectTakenOffItsSiteIsDiscarded) {
    TTestRect* r = AddRect(*site, TRect(10, 10, 50, 50));
    auto action = std::make_unique<TDOChangeAction>(r);
    r->SetFillColor(clGreen);
    r->SetParent(nullptr);
    TDOChangeAction::EndChange(std::move(action), undo);
    EXPECT_EQ(undo.Count(), 0);
}

TEST_F(DOActionTest, EntriesForDestroyedObjectsDoNothing) {
    TTestRect* r = AddRect(*site, TRect(10, 10, 50, 50), clBlue);
    auto action = std::make_unique<TDOChangeAction>(r);
    r->SetFillColor(clGreen);
    TDOChangeAction::EndChange(std::move(action), undo);
    TTestRect* other = AddRect(*site, TRect(60, 10, 90, 50));
    undo.Add(std::make_unique<TDOAddAction>(other));
    delete r;
    delete other;
    EXPECT_TRUE(undo.CanUndo());
    undo.Undo();
    undo.Undo();
    undo.Redo();
    undo.Redo();
    EXPECT_EQ(site->DrawObjectCount(), 0);

    // The site itself may go first as well.
    TTestRect* last = AddRect(*site, TRect(10, 10, 50, 50));
    undo.Add(std::make_unique<TDOAddAction>(last));
    site.reset();
    undo.Undo();
    undo.Redo();
    undo.Clear();
}

TEST_F(DOActionTest, DeleteAndUndoPutTheObjectBackInItsPlace) {
    TTestRect* a = AddRect(*site, TRect(10, 10, 50, 50));
    TTestRect* b = AddRect(*site, TRect(20, 20, 60, 60));
    TTestRect* c = AddRect(*site, TRect(30, 30, 70, 70));
    undo.Add(std::make_unique<TDODelAction>(b));
    b->SetParent(nullptr);
    EXPECT_EQ(Order(), (Objects{c, a}));
    undo.Undo();
    EXPECT_EQ(Order(), (Objects{c, b, a}));
    EXPECT_TRUE(b->Selected());
    EXPECT_EQ(b->BoundsRect(), TRect(20, 20, 61, 61));
    undo.Redo();
    EXPECT_EQ(Order(), (Objects{c, a}));
    EXPECT_EQ(b->Parent(), nullptr);
    EXPECT_EQ(b->Owner(), nullptr) << "off its site the object is the action's, not the site's";
    // The action holds the object off its site and frees it with itself, also after the site.
    int destroyed = 0;
    TListener watch([&](TObject*, const TGUID& id) { destroyed += id == GUID_BroadcasterDestroyed; });
    watch.AddBroadcaster(b->AsBroadcaster());
    site.reset();
    EXPECT_EQ(destroyed, 0);
    undo.Clear();
    EXPECT_EQ(destroyed, 1);
}

TEST_F(DOActionTest, AddedObjectsGoAndComeBack) {
    TTestRect* a = AddRect(*site, TRect(10, 10, 50, 50));
    TTestRect* b = AddRect(*site, TRect(20, 20, 60, 60));
    undo.Add(std::make_unique<TDOAddAction>(b));
    undo.Undo();
    EXPECT_EQ(Order(), (Objects{a}));
    undo.Redo();
    EXPECT_EQ(Order(), (Objects{b, a}));
    undo.Clear();
    EXPECT_EQ(Order(), (Objects{b, a})) << "an object on its site stays when the action goes";
}

TEST_F(DOActionTest, LayerActionRestoresTheOrderAndSelection) {
    TTestRect* a = AddRect(*site, TRect(10, 10, 50, 50));
    TTestRect* b = AddRect(*site, TRect(20, 20, 60, 60));
    TTestRect* c = AddRect(*site, TRect(30, 30, 70, 70));
    a->SetSelected(true);
    auto action = std::make_unique<TDOLayerAction>(site.get());
    a->BringToFrontInLayer();
    TDOLayerAction::EndLayer(std::move(action), undo);
    EXPECT_EQ(Order(), (Objects{a, c, b}));
    site->SelectAll(false);
    undo.Undo();
    EXPECT_EQ(Order(), (Objects{c, b, a}));
    EXPECT_TRUE(a->Selected());
    undo.Redo();
    EXPECT_EQ(Order(), (Objects{a, c, b}));
}
