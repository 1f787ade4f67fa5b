#include "pageobjects/engine/UAction.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace {

// An action that writes what is done to it into a shared log.
class TLogAction : public TActionBase {
public:
    TLogAction(std::vector<std::string>& log, std::string name, uint8_t flags = afCanUndo | afCanRedo,
               int* alive = nullptr)
        : log_(log), name_(std::move(name)), alive_(alive) {
        SetFlags(flags);
        SetCaption(QString::fromStdString(name_));
        if (alive_)
            ++*alive_;
    }
    ~TLogAction() override {
        if (alive_)
            --*alive_;
    }
    void Repeat() override { log_.push_back("repeat " + name_); }
    void Redo() override { log_.push_back("redo " + name_); }
    void Undo() override { log_.push_back("undo " + name_); }

private:
    std::vector<std::string>& log_;
    std::string name_;
    int* alive_;
};

using Log = std::vector<std::string>;

} // namespace

TEST(ActionList, KeepsTheTenNewestActions) {
    Log log;
    int alive = 0;
    TActionList list;
    for (int i = 0; i < 11; ++i)
        list.Add(new TLogAction(log, std::to_string(i), afCanUndo | afCanRedo, &alive));
    EXPECT_EQ(list.Count(), 10);
    EXPECT_EQ(alive, 10) << "the oldest was freed";
    EXPECT_EQ(list.Index(), 9);
    EXPECT_EQ(list.UndoCaption(), QStringLiteral("10"));
    list.Undo();
    EXPECT_EQ(log, (Log{"undo 10"}));
    EXPECT_EQ(list.UndoCaption(), QStringLiteral("9"));
}

TEST(ActionList, RecordingAfterUndoDropsTheUndoneActions) {
    Log log;
    int alive = 0;
    TActionList list;
    list.SetAllowRepeat(false);
    for (const char* name : {"a", "b", "c"})
        list.Add(new TLogAction(log, name, afCanUndo | afCanRedo, &alive));
    list.Undo();
    list.Undo();
    EXPECT_TRUE(list.CanRedo());
    EXPECT_EQ(list.RedoCaption(), QStringLiteral("b"));
    list.Add(new TLogAction(log, "d", afCanUndo | afCanRedo, &alive));
    EXPECT_EQ(alive, 2);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_FALSE(list.CanRedo());
    EXPECT_EQ(list.UndoCaption(), QStringLiteral("d"));
    list.Undo();
    list.Undo();
    EXPECT_FALSE(list.CanUndo());
    EXPECT_EQ(list.Index(), -1);
    list.Redo();
    EXPECT_EQ(log, (Log{"undo c", "undo b", "undo d", "undo a", "redo a"}));
}

TEST(ActionList, RedoAtTheEndRepeatsTheLastAction) {
    Log log;
    TActionList list;
    list.Add(new TLogAction(log, "move", afCanUndo | afCanRedo | afCanRepeat));
    EXPECT_TRUE(list.CanRedo());
    EXPECT_EQ(list.RedoCaption(), QStringLiteral("move"));
    list.Redo();
    list.Redo();
    EXPECT_EQ(list.Index(), 0);
    EXPECT_EQ(log, (Log{"repeat move", "repeat move"}));
    list.SetAllowRepeat(false);
    EXPECT_FALSE(list.CanRedo());
    EXPECT_EQ(list.RedoCaption(), QString());

    TActionList other;
    other.Add(new TLogAction(log, "plain", afCanUndo | afCanRedo));
    EXPECT_FALSE(other.CanRedo()) << "an action that cannot repeat offers no redo at the end";
}

TEST(ActionList, GroupsTakeTheirMembersCapabilitiesAndFirstCaption) {
    Log log;
    TActionList list;
    list.BeginGroup(QString());
    list.Add(new TLogAction(log, "first", afCanUndo | afCanRedo | afCanRepeat));
    list.Add(new TLogAction(log, "second", afCanUndo | afCanRedo));
    EXPECT_EQ(list.Count(), 0) << "nothing recorded while the group is open";
    list.EndGroup();
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.UndoCaption(), QStringLiteral("first"));
    EXPECT_EQ(list.Actions(0)->Flags(), afCanUndo | afCanRedo);

    list.BeginGroup(QStringLiteral("移動"));
    list.Add(new TLogAction(log, "x", afCanUndo));
    list.EndGroup();
    EXPECT_EQ(list.UndoCaption(), QStringLiteral("移動"));
    EXPECT_FALSE(list.Actions(1)->CanRedo());
}

TEST(ActionList, GroupsUndoNewestFirstAndRedoInOrder) {
    Log log;
    TActionList list;
    list.SetAllowRepeat(false);
    list.BeginGroup(QStringLiteral("g"));
    for (const char* name : {"1", "2", "3"})
        list.Add(new TLogAction(log, name));
    list.EndGroup();
    list.Undo();
    list.Redo();
    EXPECT_EQ(log, (Log{"undo 3", "undo 2", "undo 1", "redo 1", "redo 2", "redo 3"}));
}

TEST(ActionList, NestedAndEmptyGroups) {
    Log log;
    TActionList list;
    list.BeginGroup(QStringLiteral("outer"));
    list.BeginGroup(QStringLiteral("empty"));
    EXPECT_EQ(list.GroupLevel(), 2);
    list.EndGroup();
    list.BeginGroup(QStringLiteral("inner"));
    list.Add(new TLogAction(log, "a"));
    list.EndGroup();
    list.EndGroup();
    ASSERT_EQ(list.Count(), 1);
    auto* outer = dynamic_cast<TActionGroup*>(list.Actions(0));
    ASSERT_NE(outer, nullptr);
    ASSERT_EQ(outer->MemberCount(), 1) << "the empty group recorded nothing";
    EXPECT_EQ(outer->Members(0)->Caption(), QStringLiteral("inner"));

    list.BeginGroup(QStringLiteral("nothing"));
    list.EndGroup();
    EXPECT_EQ(list.Count(), 1);
}

TEST(ActionList, EndingAGroupThatIsNotOpenFails) {
    TActionList list;
    try {
        list.EndGroup();
        FAIL() << "no exception";
    } catch (const EActionList& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("group level is invalid"));
    }
    EXPECT_EQ(list.Count(), 0);
}

TEST(ActionList, DisabledRecordingFreesActionsAtOnce) {
    Log log;
    int alive = 0;
    TActionList list;
    list.SetEnabled(false);
    list.Add(new TLogAction(log, "a", afCanUndo | afCanRedo, &alive));
    EXPECT_EQ(alive, 0);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(list.CanUndo());
    list.SetEnabled(true);
    list.Add(new TLogAction(log, "b", afCanUndo | afCanRedo, &alive));
    list.Clear();
    EXPECT_EQ(alive, 0);
    EXPECT_EQ(list.Index(), 0);
    EXPECT_FALSE(list.CanUndo());
}
