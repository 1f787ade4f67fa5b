#pragma once
// Receives files dropped onto a window: the watched window accepts drags that carry local files, and
// a drop fills Files and fires OnDrop.

#include "core/UMessageHook.h"
#include "platform/StringList.h"

class TDropFile : public TGetMessageHook {
    QUORLANE_CLASS(TDropFile, TGetMessageHook)

public:
    explicit TDropFile(TComponent* owner);
    ~TDropFile() override;
    static void DeclareProperties(TPropertyBuilder<TDropFile>& p);

    // Take only the first dropped file.
    bool OneFileOnly = false;
    // A dropped folder stands for every file below it (names beginning with "." skipped).
    bool ExpandFolder = false;
    TNotifyEvent OnDrop;

    // The paths of the last drop.
    const TStringList& Files() const { return files_; }
    // How many files the last drop carried, whether or not all were taken.
    int DroppedCount() const { return droppedCount_; }

    // Turns dropping off for the old window and on for the new one.
    void SetWindow(QWidget* window) override;

protected:
    void Dispatch(tagMSG& message) override;

private:
    void Drop(const QStringList& paths);

    TStringList files_;
    int droppedCount_ = 0;
};
