#include "pageobjects/layout/UDOGroup.h"

#include "LayoutTestSupport.h"
#include "pageobjects/engine/UAction.h"
#include "pageobjects/layout/ULOImage.h"
#include "pageobjects/layout/ULORect.h"

#include <gtest/gtest.h>

namespace {

class GroupTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterLayoutTestClasses();
        UndoList().Clear();
    }
    void TearDown() override { UndoList().Clear(); }

    TLOImage* AddImage(TComponent* owner, const TRect& r, int tag) {
        auto* image = new TLOImage(owner);
        image->SetLogRect(r);
        image->SetTag(tag);
        if (auto* site = dynamic_cast<TDrawSite*>(owner))
            site->AddObject(image);
        return image;
    }
};

std::vector<int> Tags(const std::vector<TDrawObject*>& objects) {
    std::vector<int> tags;
    for (TDrawObject* o : objects)
        tags.push_back(int(o->Tag()));
    return tags;
}

} // namespace

TEST_F(GroupTest, GroupAndUngroupKeepTheOrderAndRecordEachAddition) {
    auto site = MakeSite(1000, 1000);
    for (int i = 1; i <= 3; ++i)
        AddImage(site.get(), Bounds(100 * i, 100, 50, 50), i);
    TDOList list;
    site->ListObjects(list, false);
    auto* group = new TDOGroup(site.get());
    group->AddObjects(list);
    EXPECT_EQ(Tags(group->MemberList()), (std::vector<int>{1, 2, 3}));
    for (TDrawObject* o : list)
        delete o;
    site->AddObject(group);
    EXPECT_EQ(group->LogRect(), TRect(100, 100, 350, 150));
    EXPECT_EQ(site->ObjectAt(TPoint(120, 120)), group);
    // Between two members' shapes nothing is hit.
    EXPECT_FALSE(group->HitTest(TPoint(170, 120)));

    // The members take the group's place: what lay above it stays above them.
    AddImage(site.get(), Bounds(120, 120, 50, 50), 9);
    group->Ungroup();
    delete group;
    TDOList after;
    site->ListObjects(after, false);
    std::vector<TDrawObject*> objects(after.begin(), after.end());
    std::reverse(objects.begin(), objects.end());
    EXPECT_EQ(Tags(objects), (std::vector<int>{1, 2, 3, 9}));
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(objects[size_t(i)]->Selected());
    EXPECT_EQ(UndoList().Count(), 3);
    UndoList().Undo();
    EXPECT_EQ(site->DrawObjectCount(), 3);
    // Done again, the member goes back to its place below the object above.
    UndoList().Redo();
    TDOList redone;
    site->ListObjects(redone, false);
    EXPECT_EQ(redone[0]->Tag(), 9);
}

TEST_F(GroupTest, WidthRescalesMembersAndTheirGap) {
    TDOGroup group(nullptr);
    AddImage(&group, TRect(0, 0, 100, 50), 1);
    AddImage(&group, TRect(150, 0, 250, 50), 2);
    EXPECT_EQ(group.GetWidth(), 250);
    group.SetWidth(500);
    EXPECT_EQ(group.Members(0)->LogRect(), TRect(0, 0, 200, 50));
    EXPECT_EQ(group.Members(1)->LogRect(), TRect(300, 0, 500, 50));
    group.SetLeft(10);
    EXPECT_EQ(group.Members(1)->LogRect(), TRect(310, 0, 510, 50));
}

TEST_F(GroupTest, StoredGroupsReadBackWithTheirMembersNestedOrNot) {
    TDOGroup group(nullptr);
    AddImage(&group, TRect(0, 0, 100, 50), 1);
    auto* inner = new TDOGroup(&group);
    auto* rect = new TLORect(inner);
    rect->SetLogRect(TRect(5, 5, 40, 40));
    rect->SetTag(7);
    AddImage(&group, TRect(150, 0, 250, 50), 2);
    const QByteArray bytes = Store(&group);
    std::unique_ptr<TComponent> back = Load(bytes);
    auto* loaded = dynamic_cast<TDOGroup*>(back.get());
    ASSERT_NE(loaded, nullptr);
    ASSERT_EQ(loaded->MemberCount(), 3);
    EXPECT_EQ(loaded->Members(0)->Tag(), 1);
    auto* nested = dynamic_cast<TDOGroup*>(loaded->Members(1));
    ASSERT_NE(nested, nullptr);
    EXPECT_EQ(nested->Owner(), loaded);
    ASSERT_EQ(nested->MemberCount(), 1);
    EXPECT_EQ(nested->Members(0)->Owner(), nested);
    EXPECT_EQ(nested->Members(0)->Tag(), 7);
    EXPECT_EQ(nested->Members(0)->Parent(), nullptr);
    EXPECT_EQ(Store(loaded), bytes);

    // A copy (as ghosts make) carries copies of the members.
    TDOGroup copy(nullptr);
    copy.Assign(loaded);
    EXPECT_EQ(copy.MemberCount(), 3);
    EXPECT_EQ(Store(&copy), bytes);
}
