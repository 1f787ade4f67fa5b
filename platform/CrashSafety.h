#pragma once
// What keeps files sound when the program is killed or the power fails:
// - syncing a folder, so that a rename or a new file in it survives a power cut;
// - temporary files whose names carry their owner (process id, machine, a random part), so that what
//   a process that is gone left behind can be found and removed, and nothing of a running one is;
// - the mark of a file changed in place: "<file>.changing" beside it, from the first change until
//   the change is on disk. A mark left by a writer that is gone means the file holds a half-made
//   change and is not to be trusted. The writer holds a file lock on its mark while it lives, so a
//   mark is told live or stale without guessing from process ids. The file itself (its header, which
//   other readers check) is never touched for this.

#include <QString>
#include <functional>

// Makes the entries of a folder (a rename, a new or removed file) durable. False when the folder
// cannot be opened or synced.
bool SyncFolder(const QString& folder);
// Replaces what SyncFolder does (tests make it fail); an empty function restores the real one.
// Returns the function in place before.
using FolderSyncFunction = std::function<bool(const QString& folder)>;
FolderSyncFunction SetFolderSync(FolderSyncFunction sync);

// ---- Temporary files that name their owner: <prefix><pid>-<machine>-<random>.tmp

// Creates a new empty file (mode 0600) in folder, named for this process; returns its full path.
// A prefix too long for a file name is cut short (the same way for RemoveStaleOwnedFiles). Raises
// EOleSysError when the file cannot be made.
QString CreateOwnedTempFile(const QString& folder, const QString& prefix);
// Removes the files of folder named by CreateOwnedTempFile with prefix (or with a longer prefix that
// ends in ".": prefix "." finds the temporaries of every document's save) whose owner no longer runs
// on this machine and which nobody holds open with a lock. Files of other machines, and of processes
// that run, stay. Returns how many went.
int RemoveStaleOwnedFiles(const QString& folder, const QString& prefix);

// ---- The mark of a file being changed in place

class ChangeMark {
public:
    enum class State { None, Live, Stale };

    explicit ChangeMark(const QString& fileName);
    // A mark still set stays on disk: the change did not finish.
    ~ChangeMark();
    ChangeMark(const ChangeMark&) = delete;
    ChangeMark& operator=(const ChangeMark&) = delete;

    // Marks the file before its first change; the mark is on disk when this returns. A stale mark is
    // taken over. Raises EOleSysError: STG_E_LOCKVIOLATION while another writer holds the mark, or the
    // code of the failure when the mark cannot be made durable (then no mark is left).
    void Set();
    // Removes the mark once the change is durable. False when the mark could not be removed (it then
    // reads as stale later: the file is distrusted, never trusted wrongly).
    bool Clear();
    bool IsSet() const { return fd_ >= 0; }

    static QString MarkName(const QString& fileName);
    // None: no mark; Live: a writer holds it now; Stale: its writer is gone (or it cannot be read).
    static State Check(const QString& fileName);
    // Removes a stale mark; false when a live writer holds it.
    static bool RemoveStale(const QString& fileName);

private:
    QString fileName_;
    int fd_ = -1;
};
