#pragma once
// Structured storage on Linux: storages (folders) and streams (byte sequences) inside one compound
// file of the published format. Stands in for the platform's storage and stream interfaces: the same
// operations, flags and result codes, in direct mode (every change goes straight to the file; Commit
// writes the tables and the header).
//
// Objects are shared pointers: an object stays valid as long as someone holds it, and the file stays
// open until its last object is released. Within one file an element is open at most once at a time
// (a second open fails with STG_E_ACCESSDENIED). Destroying an element invalidates its open objects:
// they fail with STG_E_REVERTED from then on. Failures raise EOleSysError with the platform's code.
// One thread at a time per file.

#include "platform/Guid.h"
#include "platform/LockBytes.h"
#include "platform/StorageError.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// Open flags of the platform (STGM_*).
constexpr uint32_t STGM_READ = 0x00000000;
constexpr uint32_t STGM_WRITE = 0x00000001;
constexpr uint32_t STGM_READWRITE = 0x00000002;
constexpr uint32_t STGM_SHARE_EXCLUSIVE = 0x00000010;
constexpr uint32_t STGM_SHARE_DENY_WRITE = 0x00000020;
constexpr uint32_t STGM_SHARE_DENY_READ = 0x00000030;
constexpr uint32_t STGM_SHARE_DENY_NONE = 0x00000040;
constexpr uint32_t STGM_CREATE = 0x00001000;
constexpr uint32_t STGM_DELETEONRELEASE = 0x04000000;

// Element kinds reported by Stat and EnumElements.
constexpr uint32_t STGTY_STORAGE = 1;
constexpr uint32_t STGTY_STREAM = 2;

// MoveElementTo: move (the source goes away) or copy.
constexpr uint32_t STGMOVE_MOVE = 0;
constexpr uint32_t STGMOVE_COPY = 1;

struct STATSTG {
    QString name;
    uint32_t type = 0;
    uint64_t size = 0;
    uint64_t mtime = 0; // file times: 100-ns ticks since 1601-01-01 UTC
    uint64_t ctime = 0;
    uint32_t mode = 0;
    TGUID clsid;
    uint32_t stateBits = 0;
};

class CompoundStorage;
class CompoundStream;
using CompoundStoragePtr = std::shared_ptr<CompoundStorage>;
using CompoundStreamPtr = std::shared_ptr<CompoundStream>;

namespace Cfb {
struct SharedFile;
enum class EntryType : uint8_t;
} // namespace Cfb

// Creates a compound file (version 3). With STGM_CREATE an existing file is replaced (only once it
// is locked for us); without it an existing file fails with STG_E_FILEALREADYEXISTS. With
// markChanges the file carries the mark of a change in place (FileLockBytes) until it is committed
// (a commit of a marked file is always durable) or closed cleanly, and again from its next change.
CompoundStoragePtr StgCreateDocfile(const QString& fileName, uint32_t flags, bool markChanges = false);
// Opens a compound file (version 3 or 4). A file that is not one fails with STG_E_FILEALREADYEXISTS,
// a damaged one, or one whose change in place was cut short, with STG_E_DOCFILECORRUPT or
// STG_E_INVALIDHEADER. With markChanges a writable file is marked from its first change.
// Both raise EStorageOpenError, which names the file and tells the kind of failure (TOpenFault).
CompoundStoragePtr StgOpenStorage(const QString& fileName, uint32_t flags, bool markChanges = false);
CompoundStoragePtr StgCreateDocfileOnLockBytes(std::unique_ptr<LockBytes> bytes, uint32_t flags);
CompoundStoragePtr StgOpenStorageOnLockBytes(std::unique_ptr<LockBytes> bytes, uint32_t flags);
// Writes a copy of source to fileName without ever truncating an existing file: the copy goes to a
// temporary file in the same folder (".<name>.<owner>.tmp", see CreateOwnedTempFile), is flushed to
// disk, given the old file's permissions and renamed over it; then the folder is synced. Temporaries
// that earlier saves of the same document left behind (their process gone) are removed first. A
// failure before the rename leaves the old file as it was and removes the temporary file. A failed
// folder sync raises STG_E_WRITEFAULT too: the new file is in place but may not survive a power cut.
void StgSaveCopyAs(CompoundStorage& source, const QString& fileName);

// The steps of StgSaveCopyAs, each reached once it is done.
enum class SaveCopyStep { TemporaryWritten, TemporarySynced, Renamed };
using SaveCopyStepHook = std::function<void(SaveCopyStep)>;
// Called at each step of StgSaveCopyAs (tests stop a saving process there); returns the hook that
// was in place.
SaveCopyStepHook SetSaveCopyStepHook(SaveCopyStepHook hook);

class CompoundStorage {
public:
    ~CompoundStorage();
    CompoundStorage(const CompoundStorage&) = delete;
    CompoundStorage& operator=(const CompoundStorage&) = delete;

    // With STGM_CREATE an existing element of the name is replaced (not when it is open).
    CompoundStreamPtr CreateStream(const QString& name, uint32_t flags);
    CompoundStreamPtr OpenStream(const QString& name, uint32_t flags);
    // The whole of a stream of this storage, read at once without an object of its own (for
    // readers of many small streams); fails as OpenStream for reading would.
    QByteArray ReadStreamBytes(const QString& name);
    // Every stream of this storage in the file's order, each read whole and handed to take with
    // its name (a stream open elsewhere as it is now). take must not change the file.
    void ReadStreams(const std::function<void(const QString& name, const QByteArray& bytes)>& take);
    CompoundStoragePtr CreateStorage(const QString& name, uint32_t flags);
    CompoundStoragePtr OpenStorage(const QString& name, uint32_t flags);

    // Copies every element into dest (possibly of another file): streams replace streams of the same
    // name, storages merge into storages of the same name. The class id and state bits go along.
    void CopyTo(CompoundStorage& dest);
    void MoveElementTo(const QString& name, CompoundStorage& dest, const QString& newName,
                       uint32_t moveFlags);
    void RenameElement(const QString& oldName, const QString& newName);
    void DestroyElement(const QString& name);
    // Elements in the file's order (shorter names first, then by upper-cased name).
    std::vector<STATSTG> EnumElements();
    STATSTG Stat();
    // Writes what is pending; durable waits until it is on the medium.
    void Commit(bool durable = false);
    void SetClass(const TGUID& clsid);
    void SetStateBits(uint32_t bits, uint32_t mask);
    // Zero leaves a time as it is.
    void SetElementTimes(const QString& name, uint64_t ctime, uint64_t mtime);

    bool Writable() const { return writable_; }
    // Counts every change of the file's contents through any of its objects.
    uint64_t ChangeCount() const;

private:
    friend struct Cfb::SharedFile;
    friend CompoundStoragePtr StgCreateDocfileOnLockBytes(std::unique_ptr<LockBytes>, uint32_t);
    friend CompoundStoragePtr StgOpenStorageOnLockBytes(std::unique_ptr<LockBytes>, uint32_t);
    CompoundStorage(std::shared_ptr<Cfb::SharedFile> file, uint32_t id, uint32_t flags);
    void Check() const;
    void CheckWrite() const;
    // The new child's entry, after replacing an existing one of that name when the flags allow it.
    uint32_t MakeChild(const QString& name, uint32_t flags, Cfb::EntryType type);
    // The entry of an existing child of the given type that this process has not opened yet.
    uint32_t FindChildToOpen(const QString& name, uint32_t flags, Cfb::EntryType type) const;

    std::shared_ptr<Cfb::SharedFile> file_;
    uint32_t id_;
    uint32_t flags_;
    bool writable_;
    bool reverted_ = false;
};

class CompoundStream {
public:
    ~CompoundStream();
    CompoundStream(const CompoundStream&) = delete;
    CompoundStream& operator=(const CompoundStream&) = delete;

    enum Origin { SeekSet = 0, SeekCur = 1, SeekEnd = 2 };

    // Returns the bytes transferred; Read returns fewer at the end of the stream.
    uint64_t Read(void* buffer, uint64_t count);
    uint64_t Write(const void* buffer, uint64_t count);
    // A position before the start fails with STG_E_INVALIDFUNCTION.
    uint64_t Seek(int64_t offset, int origin);
    void SetSize(uint64_t size);
    uint64_t Size() const;
    STATSTG Stat();
    void Commit(bool durable = false);
    // Copies count bytes from the current position into dest at its position.
    uint64_t CopyTo(CompoundStream& dest, uint64_t count);

private:
    friend class CompoundStorage;
    friend struct Cfb::SharedFile;
    CompoundStream(std::shared_ptr<Cfb::SharedFile> file, uint32_t id, uint32_t flags);
    void Check() const;

    std::shared_ptr<Cfb::SharedFile> file_;
    uint32_t id_;
    uint32_t flags_;
    uint64_t position_ = 0;
    bool reverted_ = false;
    struct CursorHolder;
    std::unique_ptr<CursorHolder> cursor_;
};
