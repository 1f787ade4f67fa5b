#include "pageobjects/engine/UDOFunc.h"

#include "EngineTestObjects.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

class DesignerListTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetEngineGlobals();
        site.Scaler().SetUnitDPI(96);
        site.SetLogWidth(200);
        site.SetLogHeight(100);
    }
    TDrawSite site{nullptr};
};

// A designer that counts its own lifetime.
class TCountedDesigner : public TTestDesigner {
public:
    explicit TCountedDesigner(int& alive) : alive_(alive) { ++alive_; }
    ~TCountedDesigner() override { --alive_; }

private:
    int& alive_;
};

} // namespace

TEST_F(DesignerListTest, NewestDesignerIsAskedFirst) {
    TDODesignerList list;
    std::vector<int> asked;
    auto* older = new TTestDesigner;
    auto* newer = new TTestDesigner;
    older->onCommand = [&](TDrawSite*, const QString&) {
        asked.push_back(1);
        return true;
    };
    newer->onCommand = [&](TDrawSite*, const QString& command) {
        asked.push_back(2);
        return command == QStringLiteral("mine");
    };
    list.Add(static_cast<IDODesigner*>(older));
    list.Add(static_cast<IDODesigner*>(newer));
    EXPECT_TRUE(list.DoCommand(&site, QStringLiteral("other")));
    EXPECT_EQ(asked, (std::vector<int>{2, 1}));
    asked.clear();
    EXPECT_TRUE(list.DoCommand(&site, QStringLiteral("mine")));
    EXPECT_EQ(asked, (std::vector<int>{2}));
}

TEST_F(DesignerListTest, EditObjectAnswersTheInvertedFlag) {
    TDODesignerList list;
    TTestRect* r = AddRect(site, TRect(10, 10, 20, 20));
    EXPECT_FALSE(list.EditObject(r)) << "no designer handles it";

    auto* editor = new TTestDesigner;
    list.Add(static_cast<IDODesigner*>(editor));
    editor->onEdit = [](TDrawObject* object, bool& flag) {
        flag = object->Parent() != nullptr;
        return true;
    };
    EXPECT_FALSE(list.EditObject(r)) << "a placed object";
    TTestRect fresh(nullptr);
    EXPECT_TRUE(list.EditObject(&fresh)) << "a new object not yet placed";
}

TEST_F(DesignerListTest, CreatesThroughTheFirstDesignerThatCan) {
    TDODesignerList list;
    auto* maker = new TTestDesigner;
    list.Add(static_cast<IDODesigner*>(maker));
    list.Add(static_cast<IDODesigner*>(new TTestDesigner));
    EXPECT_EQ(list.CreateObject(QStringLiteral("TTestRect")), nullptr);
    EXPECT_FALSE(list.MakePivots(nullptr));
    EXPECT_FALSE(list.MakeGhost(nullptr, -1));
}

TEST_F(DesignerListTest, ReleasesDesignersOfAnUnloadedModuleAndAtTheEnd) {
    int alive = 0;
    int module = 0;
    {
        TDODesignerList list;
        list.Add(static_cast<IDODesigner*>(new TCountedDesigner(alive)));
        list.Add(static_cast<IDODesigner*>(new TCountedDesigner(alive)), &module);
        list.Add(static_cast<IDODesigner*>(new TCountedDesigner(alive)), &module);
        EXPECT_EQ(alive, 3);
        list.ModuleUnloaded(&module);
        EXPECT_EQ(alive, 1);
        EXPECT_EQ(list.Count(), 1);
    }
    EXPECT_EQ(alive, 0);
}

TEST_F(DesignerListTest, DoubleClickOpensTheEditorAndRefreshesTheHandles) {
    TScopedDesigner designer;
    TDrawObject* edited = nullptr;
    designer->onEdit = [&](TDrawObject* object, bool& flag) {
        edited = object;
        flag = false;
        return true;
    };
    TTestRect* r = AddRect(site, TRect(10, 10, 60, 60));
    int cleared = 0;
    site.OnClearGhost = [&](TObject* sender) {
        EXPECT_EQ(sender, static_cast<TObject*>(static_cast<TComponent*>(r)));
        ++cleared;
    };
    SendDoubleClick(&site, QPoint(30, 30));
    EXPECT_EQ(edited, r);
    EXPECT_EQ(cleared, 1);
}
