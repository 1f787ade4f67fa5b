#pragma once
// The storage classes every file of the system is kept in: storages of a compound file addressed by
// "\"-separated paths from the file's root, streams usable wherever a TStream is, name lists that keep
// the order of a storage's elements in a stream of their own, and the temporary working copy that
// documents are edited in.
//
// Lifetimes: a root owns none of the objects opened under it; every TDocStorage, TDocStream and name
// list is freed by its user before the root. Storages opened under one root share the interfaces of
// the storages they have in common (an element of the file is open at most once), each holding its
// own reference, so freeing one never invalidates another.

#include "platform/CompoundFile.h"
#include "platform/Stream.h"
#include "platform/StringList.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

// The file-open mode that creates (replacing what is there).
constexpr uint16_t ModeCreate = 0xFFFF;

// The structured-storage flags of a file-open mode (access part, share part in the high nibble, or
// ModeCreate). Access part 3 and share parts above $40 have none: EOleSysError STG_E_INVALIDFLAG.
uint32_t StorageFlags(uint16_t mode);

class TRootStorage;

class TDocStorage : public TObject {
public:
    // Opens the storage at path (resolved against parent's Name) below parent's root, creating the
    // missing storages along it when createIfMissing is set. Raises EOleSysError with the platform's
    // code when a storage cannot be opened (STG_E_FILENOTFOUND when it is not there).
    TDocStorage(TDocStorage* parent, const QString& path, bool createIfMissing);
    ~TDocStorage() override;
    TDocStorage(const TDocStorage&) = delete;
    TDocStorage& operator=(const TDocStorage&) = delete;

    // The full path from the root ("" for the root).
    const QString& Name() const { return name_; }
    TRootStorage* Root() const { return root_; }
    // The storages from the root down to this one.
    const std::vector<CompoundStoragePtr>& Chain() const { return chain_; }
    const CompoundStoragePtr& Storage() const;

    // True when the stream opens for reading; any failure (missing, open elsewhere) gives false.
    bool StreamExists(const QString& path);
    // True when every storage along path opens for reading.
    bool StorageExists(const QString& path);
    // Destroys a stream or storage (with everything in it); false when it, or the storage holding it,
    // is not there.
    bool DeleteElement(const QString& path);
    // Moves (or renames, within one storage) an element; both paths are relative to this storage.
    void MoveElement(const QString& fromPath, const QString& toPath);
    // Appends the names of the sub-storages / streams in the file's order.
    void GetStorageNames(TStrings& strings);
    void GetStreamNames(TStrings& strings);
    // Copies everything in this storage into dest's storage.
    void CopyTo(TDocStorage& dest);

protected:
    friend class TRootStorage;
    // The root's own object: no parent, the storage is set by the root.
    TDocStorage() = default;
    // Opens fullPath from the root, reusing storages that are already open under it; returns the
    // platform's code of the first failure.
    HRESULT OpenPath(const QString& fullPath, uint32_t flags, bool createIfMissing,
                     std::vector<CompoundStoragePtr>& chain) const;

    QString name_;
    TRootStorage* root_ = nullptr;
    std::vector<CompoundStoragePtr> chain_;
};

class TRootStorage : public TDocStorage {
public:
    // storage may be null (set later by a descendant); mode is a file-open mode.
    TRootStorage(CompoundStoragePtr storage, uint16_t mode);
    ~TRootStorage() override;

    // Every storage open under this root, in the order they were opened.
    const std::vector<TDocStorage*>& OpenStorages() const { return openStorages_; }
    // The structured-storage flags sub-storages are opened with.
    uint32_t Mode() const { return mode_; }
    bool Writable() const { return (mode_ & (STGM_WRITE | STGM_READWRITE)) != 0; }

    // True when the file's contents changed since the last clean mark, or when it was marked modified.
    // Changes are counted, not timed, so a change in the same clock tick as the mark is not missed.
    bool GetModified();
    // False commits and marks clean; true makes the root read as modified until the next false.
    void SetModified(bool value);

protected:
    void SetStorage(CompoundStoragePtr storage);

private:
    friend class TDocStorage;
    std::vector<TDocStorage*> openStorages_;
    uint32_t mode_;
    uint64_t savedCount_ = 0;
    bool markedModified_ = false;
};

// A compound file on disk, opened (mode below ModeCreate) or created (ModeCreate, replacing a file).
//
// Changes in place are marked, so that one cut short (the program killed, the power gone) is never
// read as good data. A TFileStorage open for writing marks its file as being changed ("<file>.changing"
// beside it; the file's own header is not touched) before its first change, or at once when it creates
// the file, and clears the mark once the change is on disk: every Storage()->Commit of a marked file is
// durable (whatever it asks) and removes the mark, as does releasing the last object of the file after a
// clean flush; the next change marks it again. Owners that change a store in place:
// - open it with TFileStorage, commit where a change is whole (a store killed after a commit opens
//   with that change; one killed before it is refused), and release every object of the file when done;
// - treat EOleSysError STG_E_DOCFILECORRUPT from opening as damage, as for damage they can see: a file
//   whose mark was left by a writer that is gone raises it. Set the file aside with
//   SetAsideDamagedFile and start afresh (creating the file anew takes over what was left);
// - expect STG_E_LOCKVIOLATION while another process changes the file: that is no damage.
class TFileStorage : public TRootStorage {
public:
    TFileStorage(const QString& fileName, uint16_t mode);
};

// Moves a damaged store out of its owner's way, as "<file>.damaged" (replacing an older one; the file
// is removed when it cannot be renamed), together with the mark of its unfinished change.
void SetAsideDamagedFile(const QString& fileName);

// A working copy in a fresh temporary file, deleted when released. Working copies live in the
// application's private folder (WorkingCopyFolder), named "mtf" followed by their process's id, so
// that those of processes that are gone can be removed (RemoveStaleStorageFiles).
class TTemporaryStorage : public TRootStorage {
public:
    TTemporaryStorage();
    // Replaces the whole contents by a copy of a compound file. A missing or damaged file raises
    // before anything changes.
    void LoadFromFile(const QString& fileName);
    // Writes a copy of the whole contents to fileName (StgSaveCopyAs). An existing file is replaced
    // only once the copy is complete and on disk; a failure leaves it as it was. Any failure raises
    // and leaves Modified as it was, also a failed sync after the rename: then the new file is in
    // place but may not survive a power cut, and the message says so.
    void SaveToFile(const QString& fileName);

private:
    static CompoundStoragePtr NewTemporaryFile();
};

// The application's private folder of working copies ($XDG_CACHE_HOME/Quorlane/WorkingCopies, mode
// 0700), made when missing. Raises EOleSysError when it cannot be made.
QString WorkingCopyFolder();
// Removes what processes that are no longer running left behind: their working copies and paper-update
// files ("PPR", "PPZ"), and the temporaries of their unfinished saves in each of documentFolders (say
// the folders of the recently used documents). Files of running processes stay. For the application's start-up: never raises;
// answers how many files went.
int RemoveStaleStorageFiles(const QStringList& documentFolders);

class TDocStream : public TStream {
public:
    // Opens (mode below ModeCreate) or creates (ModeCreate: an existing stream is replaced, missing
    // storages on the path are created) the stream at path below storage.
    TDocStream(TDocStorage* storage, uint16_t mode, const QString& path);
    ~TDocStream() override;

    // A count of 0 or below transfers nothing and does not touch the file.
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t GetSize() override;
    void SetSize(int64_t newSize) override;

    const CompoundStreamPtr& Stream() const { return stream_; }
    // The storage holding the stream.
    TDocStorage& Folder() const { return *folder_; }

private:
    std::unique_ptr<TDocStorage> folder_;
    CompoundStreamPtr stream_;
};

// A list of element names kept in a stream: a 32-bit counter (the number of the next new name), then
// the names as CP932 lines ended by CR LF. Every change rewrites the stream.
class TDocNameList : public TStringList {
public:
    // Opens the list stream (read-only when the root is, read/write when it exists, created otherwise)
    // and loads it. The list's OnChange is its own: it writes the stream.
    TDocNameList(TDocStorage* storage, const QString& streamPath);
    ~TDocNameList() override;

    // Adds ListName followed by Counter in decimal and returns its index; names are never reused.
    int AddNewName();
    // The path of the element named at index.
    QString GetElementPath(int index) const;
    // Destroys the element named at index; the name stays in the list.
    bool DeleteElement(int index);

    int32_t Counter() const { return counter_; }
    const QString& ListName() const { return listName_; }
    bool Loading() const { return loading_; }
    TDocStream& ListStream() const { return *listStream_; }

protected:
    TDocStorage& Folder() const { return listStream_->Folder(); }

private:
    void Store();

    std::unique_ptr<TDocStream> listStream_;
    int32_t counter_ = 0;
    QString listName_;
    bool loading_ = false;
};

// Names of streams in the list stream's storage.
class TDocStreamList : public TDocNameList {
public:
    using TDocNameList::TDocNameList;
    std::unique_ptr<TDocStream> OpenStream(int index, uint16_t mode);
    // False for an index outside the list.
    bool StreamExists(int index);
    // Destroys the stream and deletes the item.
    void DeleteStream(int index);
};

// Names of sub-storages in the list stream's storage.
class TDocStorageList : public TDocNameList {
public:
    using TDocNameList::TDocNameList;
    std::unique_ptr<TDocStorage> OpenStorage(int index, bool createIfMissing);
    // Destroys the storage and deletes the item.
    void DeleteStorage(int index);
};
