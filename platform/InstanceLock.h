#pragma once
// Stands in for the named mutex that keeps a second instance of the application from running: a lock
// file in the user's runtime folder. The lock counts as held only while the process that took it is
// alive; a file left behind by a process that died is taken over.

#include <QString>
#include <memory>

class QLockFile;

class TInstanceLock {
public:
    // name: the mutex name ("Quorlane.1.0.Skarvane.Japan"); folder: where the lock file lives, by
    // default the user's runtime folder (the temporary folder when there is none).
    explicit TInstanceLock(const QString& name, const QString& folder = QString());
    ~TInstanceLock();
    TInstanceLock(const TInstanceLock&) = delete;
    TInstanceLock& operator=(const TInstanceLock&) = delete;

    // True when this object holds the lock now (taken at once or already held); false when a live
    // process holds it.
    bool TryAcquire();
    bool IsHeld() const { return held_; }
    void Release();
    const QString& FileName() const { return fileName_; }

    // The folder lock files go to by default.
    static QString DefaultFolder();
    // Takes the lock named name for the rest of the process's life; false when another live process
    // holds it. Asking again for a name this process holds answers true.
    static bool AcquireForProcess(const QString& name, const QString& folder = QString());

private:
    QString fileName_;
    std::unique_ptr<QLockFile> lock_;
    bool held_ = false;
};
