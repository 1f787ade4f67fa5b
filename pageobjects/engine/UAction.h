#pragma once
// The undo and redo list of the whole application: ghost drops, draw-site commands, property
// panels and the object factory record what they did as actions; the undo and redo commands
// walk the list. Actions of one command are gathered in a group under one caption.

#include "platform/Exception.h"
#include "platform/Object.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

QUORLANE_EXCEPTION(EActionList, Exception)

enum TActionFlag : uint8_t {
    afCanUndo = 1,
    afCanRedo = 2,
    afCanRepeat = 4,
};

class TActionBase : public TObject {
public:
    TActionBase() = default;
    ~TActionBase() override = default;
    TActionBase(const TActionBase&) = delete;
    TActionBase& operator=(const TActionBase&) = delete;

    uint8_t Flags() const { return flags_; }
    void SetFlags(uint8_t flags) { flags_ = flags; }
    bool CanUndo() const { return (flags_ & afCanUndo) != 0; }
    bool CanRedo() const { return (flags_ & afCanRedo) != 0; }
    bool CanRepeat() const { return (flags_ & afCanRepeat) != 0; }
    const QString& Caption() const { return caption_; }
    void SetCaption(const QString& caption) { caption_ = caption; }

    // Does the action again on the current state.
    virtual void Repeat() {}
    // Does the undone action again.
    virtual void Redo() {}
    virtual void Undo() {}

private:
    uint8_t flags_ = 0;
    QString caption_;
};

class TActionGroup : public TActionBase {
public:
    explicit TActionGroup(const QString& caption = QString(), TActionGroup* enclosing = nullptr);

    // The first member gives the group its flags (and its caption when it has none); the group
    // can then do only what every member can.
    void AddMember(std::unique_ptr<TActionBase> action);
    int MemberCount() const { return int(members_.size()); }
    TActionBase* Members(int index) const { return members_.at(size_t(index)).get(); }
    TActionGroup* Enclosing() const { return enclosing_; }

    void Repeat() override;
    void Redo() override;
    // Members are undone newest first, so each finds the state it left.
    void Undo() override;

private:
    std::vector<std::unique_ptr<TActionBase>> members_;
    TActionGroup* enclosing_;
};

class TActionList : public TObject {
public:
    static constexpr int kDefaultLimit = 10;

    TActionList() = default;
    ~TActionList() override;
    TActionList(const TActionList&) = delete;
    TActionList& operator=(const TActionList&) = delete;

    // Records an action (into the open group when there is one). Undone actions after the
    // current one are dropped first; beyond the limit the oldest goes. With recording off the
    // action is freed at once.
    void Add(std::unique_ptr<TActionBase> action);
    void Add(TActionBase* action) { Add(std::unique_ptr<TActionBase>(action)); }
    // Opens a group inside the current one.
    void BeginGroup(const QString& caption);
    // Closes the innermost group and records it when it has members. EActionList "group level
    // is invalid" without an open group.
    void EndGroup();
    int GroupLevel() const;

    bool CanUndo() const;
    bool CanRedo() const;
    void Undo();
    void Redo();
    QString UndoCaption() const;
    QString RedoCaption() const;
    void Clear();

    int Count() const { return int(actions_.size()); }
    TActionBase* Actions(int index) const { return actions_.at(size_t(index)).get(); }
    // The position of the last done action (-1 when every action is undone).
    int Index() const { return index_; }
    int Limit() const { return limit_; }
    void SetLimit(int value) { limit_ = value > 0 ? value : 1; }
    bool AllowRepeat() const { return allowRepeat_; }
    void SetAllowRepeat(bool value) { allowRepeat_ = value; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value) { enabled_ = value; }

private:
    bool RepeatPossible() const;

    std::vector<std::unique_ptr<TActionBase>> actions_;
    int index_ = 0;
    int limit_ = kDefaultLimit;
    bool allowRepeat_ = true;
    std::unique_ptr<TActionGroup> openGroup_;
    bool enabled_ = true;
};

// The one undo list of the process (UI thread only).
TActionList& UndoList();
