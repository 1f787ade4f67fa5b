#include "core/UDocStorage.h"

#include "core/UBroadcaster.h"
#include "core/UPathUtil.h"
#include "platform/CrashSafety.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <algorithm>
#include <cerrno>
#include <limits>
#include <sys/stat.h>

namespace {

constexpr uint32_t CreateFlags = STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE; // $1012
constexpr uint32_t ReadFlags = STGM_READ | STGM_SHARE_EXCLUSIVE;
const QString kWorkingCopyPrefix = QStringLiteral("mtf");

QStringList Elements(const QString& path) {
    return path.split(ElementDelim, Qt::SkipEmptyParts);
}

// Splits at the last "\": the storage part and the element's own name.
void SplitLast(const QString& path, QString& dir, QString& name) {
    const qsizetype at = path.lastIndexOf(ElementDelim);
    dir = at < 0 ? QString() : path.left(at);
    name = at < 0 ? path : path.mid(at + 1);
}

} // namespace

uint32_t StorageFlags(uint16_t mode) {
    if (mode == ModeCreate)
        return CreateFlags;
    const uint32_t access = mode & 0x0F;
    const uint32_t share = mode & 0xF0;
    if (access > 2 || share > 0x40 || (mode & 0xFF00) != 0)
        ThrowStorageError(STG_E_INVALIDFLAG, QStringLiteral("mode $%1").arg(mode, 4, 16, QLatin1Char('0')));
    return access | (share == 0 ? STGM_SHARE_EXCLUSIVE : share);
}

// ---------------------------------------------------------------------------------------------------
// TDocStorage

TDocStorage::TDocStorage(TDocStorage* parent, const QString& path, bool createIfMissing) {
    if (!parent)
        return;
    root_ = parent->root_;
    if (!root_)
        ThrowStorageError(STG_E_INVALIDHANDLE, path);
    name_ = ResolvePath(path, parent->name_);
    const HRESULT hr = OpenPath(name_, root_->Mode(), createIfMissing, chain_);
    if (Failed(hr))
        ThrowStorageError(hr, name_);
    root_->openStorages_.push_back(this);
}

TDocStorage::~TDocStorage() {
    if (root_ && root_ != this) {
        auto& open = root_->openStorages_;
        open.erase(std::remove(open.begin(), open.end(), this), open.end());
    }
}

const CompoundStoragePtr& TDocStorage::Storage() const {
    static const CompoundStoragePtr none;
    return chain_.empty() ? none : chain_.back();
}

HRESULT TDocStorage::OpenPath(const QString& fullPath, uint32_t flags, bool createIfMissing,
                              std::vector<CompoundStoragePtr>& chain) const {
    chain.clear();
    if (!root_)
        return STG_E_INVALIDHANDLE;
    const CompoundStoragePtr& top = root_->Storage();
    if (!top)
        return STG_E_INVALIDHANDLE;
    chain.push_back(top);
    QStringList path = Elements(fullPath);

    // An element that is already open is shared, never opened twice: take the open storage that has
    // the longest run of leading elements in common (the earliest on a tie).
    int best = 0;
    const TDocStorage* from = nullptr;
    for (const TDocStorage* open : root_->openStorages_) {
        const QStringList theirs = Elements(open->name_);
        int n = 0;
        while (n < path.size() && n < theirs.size() && path[n].compare(theirs[n], Qt::CaseInsensitive) == 0)
            ++n;
        n = std::min<int>(n, static_cast<int>(open->chain_.size()) - 1);
        if (n > best) {
            best = n;
            from = open;
        }
    }
    if (from) {
        chain.insert(chain.end(), from->chain_.begin() + 1, from->chain_.begin() + 1 + best);
        path = path.mid(best);
    }

    bool creating = false;
    for (const QString& element : path) {
        try {
            CompoundStoragePtr next;
            if (creating)
                next = chain.back()->CreateStorage(element, CreateFlags);
            else if (flags & STGM_CREATE)
                next = chain.back()->CreateStorage(element, flags);
            else
                next = chain.back()->OpenStorage(element, flags);
            chain.push_back(std::move(next));
        } catch (const EOleSysError& e) {
            if (!(createIfMissing && !creating && e.ErrorCode() == STG_E_FILENOTFOUND))
                return e.ErrorCode();
            creating = true;
            try {
                chain.push_back(chain.back()->CreateStorage(element, CreateFlags));
            } catch (const EOleSysError& again) {
                return again.ErrorCode();
            }
        }
    }
    return S_OK;
}

bool TDocStorage::StreamExists(const QString& path) {
    try {
        QString dir, name;
        SplitLast(ResolvePath(path, name_), dir, name);
        std::vector<CompoundStoragePtr> chain;
        if (Failed(OpenPath(dir, ReadFlags, false, chain)))
            return false;
        chain.back()->OpenStream(name, ReadFlags);
        return true;
    } catch (const Exception&) {
        return false;
    }
}

bool TDocStorage::StorageExists(const QString& path) {
    try {
        std::vector<CompoundStoragePtr> chain;
        return Succeeded(OpenPath(ResolvePath(path, name_), ReadFlags, false, chain));
    } catch (const Exception&) {
        return false;
    }
}

bool TDocStorage::DeleteElement(const QString& path) {
    QString dir, name;
    SplitLast(path, dir, name);
    try {
        TDocStorage folder(this, dir, false);
        folder.Storage()->DestroyElement(name);
    } catch (const EOleSysError& e) {
        if (e.ErrorCode() == STG_E_FILENOTFOUND)
            return false;
        throw;
    }
    return true;
}

void TDocStorage::MoveElement(const QString& fromPath, const QString& toPath) {
    QString fromDir, fromName, toDir, toName;
    SplitLast(fromPath, fromDir, fromName);
    SplitLast(toPath, toDir, toName);
    TDocStorage source(this, fromDir, false);
    TDocStorage target(this, toDir, false);
    source.Storage()->MoveElementTo(fromName, *target.Storage(), toName, STGMOVE_MOVE);
}

void TDocStorage::GetStorageNames(TStrings& strings) {
    for (const STATSTG& st : Storage()->EnumElements()) {
        if (st.type == STGTY_STORAGE)
            strings.Add(st.name);
    }
}

void TDocStorage::GetStreamNames(TStrings& strings) {
    for (const STATSTG& st : Storage()->EnumElements()) {
        if (st.type == STGTY_STREAM)
            strings.Add(st.name);
    }
}

void TDocStorage::CopyTo(TDocStorage& dest) {
    Storage()->CopyTo(*dest.Storage());
}

// ---------------------------------------------------------------------------------------------------
// Roots

TRootStorage::TRootStorage(CompoundStoragePtr storage, uint16_t mode) : mode_(StorageFlags(mode)) {
    root_ = this;
    SetStorage(std::move(storage));
}

TRootStorage::~TRootStorage() {
    // Storages still open here outlive their root only by mistake; cut them loose, so that freeing them
    // later touches nothing that is gone (their own interfaces stay valid).
    for (TDocStorage* open : openStorages_)
        open->root_ = nullptr;
    openStorages_.clear();
    root_ = nullptr;
}

void TRootStorage::SetStorage(CompoundStoragePtr storage) {
    chain_.clear();
    if (storage)
        chain_.push_back(std::move(storage));
}

bool TRootStorage::GetModified() {
    const CompoundStoragePtr& storage = Storage();
    if (!storage)
        return markedModified_;
    try {
        storage->Commit();
    } catch (const EOleSysError&) {
        // A failed commit leaves the count as it is; the changes are still there to be saved.
    }
    return markedModified_ || storage->ChangeCount() != savedCount_;
}

void TRootStorage::SetModified(bool value) {
    if (value) {
        markedModified_ = true;
        return;
    }
    markedModified_ = false;
    if (const CompoundStoragePtr& storage = Storage()) {
        try {
            storage->Commit();
        } catch (const EOleSysError&) {
        }
        savedCount_ = storage->ChangeCount();
    }
}

TFileStorage::TFileStorage(const QString& fileName, uint16_t mode)
    : TRootStorage(nullptr, mode == ModeCreate ? uint16_t(fmOpenReadWrite) : mode) {
    if (mode == ModeCreate)
        SetStorage(StgCreateDocfile(fileName, CreateFlags, true));
    else
        SetStorage(StgOpenStorage(fileName, StorageFlags(mode), true));
    SetModified(false);
}

void SetAsideDamagedFile(const QString& fileName) {
    const QString aside = fileName + QStringLiteral(".damaged");
    QFile::remove(aside);
    if (!QFile::rename(fileName, aside))
        QFile::remove(fileName);
    ChangeMark::RemoveStale(fileName);
}

TTemporaryStorage::TTemporaryStorage() : TRootStorage(nullptr, fmOpenReadWrite) {
    SetStorage(NewTemporaryFile());
    SetModified(false);
}

CompoundStoragePtr TTemporaryStorage::NewTemporaryFile() {
    const QString name = CreateOwnedTempFile(WorkingCopyFolder(), kWorkingCopyPrefix);
    try {
        return StgCreateDocfile(name, CreateFlags | STGM_DELETEONRELEASE);
    } catch (...) {
        QFile::remove(name);
        throw;
    }
}

void TTemporaryStorage::LoadFromFile(const QString& fileName) {
    // The copy is made in full before it replaces the working copy, so a failure changes nothing.
    TFileStorage file(fileName, fmOpenRead);
    CompoundStoragePtr fresh = NewTemporaryFile();
    file.Storage()->CopyTo(*fresh);
    SetStorage(std::move(fresh));
    SetModified(false);
}

void TTemporaryStorage::SaveToFile(const QString& fileName) {
    StgSaveCopyAs(*Storage(), fileName);
    SetModified(false);
}

QString WorkingCopyFolder() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (base.isEmpty())
        base = QDir::tempPath();
    // A fresh account may have no cache folder yet; the user's own folders come first.
    QDir().mkpath(base);
    // Working copies hold the user's documents: no one else may look in.
    QString folder = base;
    for (const QString& level : {QStringLiteral("Quorlane"), QStringLiteral("WorkingCopies")}) {
        folder = QDir(folder).filePath(level);
        if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST)
            ThrowStorageErrno(errno, STG_E_PATHNOTFOUND, folder);
    }
    if (::chmod(QFile::encodeName(folder).constData(), 0700) != 0)
        ThrowStorageErrno(errno, STG_E_ACCESSDENIED, folder);
    return folder;
}

int RemoveStaleStorageFiles(const QStringList& documentFolders) {
    int removed = 0;
    try {
        const QString folder = WorkingCopyFolder();
        removed += RemoveStaleOwnedFiles(folder, kWorkingCopyPrefix);
        // The paper update's downloaded and unpacked files.
        removed += RemoveStaleOwnedFiles(folder, QStringLiteral("PPR"));
        removed += RemoveStaleOwnedFiles(folder, QStringLiteral("PPZ"));
    } catch (const EOleSysError&) {
        // No folder of working copies, no leftovers in it; start-up goes on.
    }
    // Every save's temporary starts with "." (".<document>.<owner>.tmp").
    for (const QString& folder : documentFolders)
        removed += RemoveStaleOwnedFiles(folder, QStringLiteral("."));
    return removed;
}

// ---------------------------------------------------------------------------------------------------
// TDocStream

TDocStream::TDocStream(TDocStorage* storage, uint16_t mode, const QString& path) {
    QString dir, name;
    SplitLast(path, dir, name);
    folder_ = std::make_unique<TDocStorage>(storage, dir, mode == ModeCreate);
    if (mode == ModeCreate)
        stream_ = folder_->Storage()->CreateStream(name, CreateFlags);
    else
        stream_ = folder_->Storage()->OpenStream(name, StorageFlags(mode));
}

TDocStream::~TDocStream() {
    stream_.reset();
    folder_.reset();
}

int64_t TDocStream::Read(void* buffer, int64_t count) {
    if (count <= 0)
        return 0;
    return static_cast<int64_t>(stream_->Read(buffer, static_cast<uint64_t>(count)));
}

int64_t TDocStream::Write(const void* buffer, int64_t count) {
    if (count <= 0)
        return 0;
    return static_cast<int64_t>(stream_->Write(buffer, static_cast<uint64_t>(count)));
}

int64_t TDocStream::Seek(int64_t offset, TSeekOrigin origin) {
    const int how = origin == TSeekOrigin::soBeginning ? CompoundStream::SeekSet
                    : origin == TSeekOrigin::soCurrent ? CompoundStream::SeekCur
                                                       : CompoundStream::SeekEnd;
    return static_cast<int64_t>(stream_->Seek(offset, how));
}

int64_t TDocStream::GetSize() {
    return static_cast<int64_t>(stream_->Size());
}

void TDocStream::SetSize(int64_t newSize) {
    Seek(newSize, TSeekOrigin::soBeginning);
    stream_->SetSize(static_cast<uint64_t>(newSize));
}

// ---------------------------------------------------------------------------------------------------
// Name lists

TDocNameList::TDocNameList(TDocStorage* storage, const QString& streamPath) {
    QString dir;
    SplitLast(streamPath, dir, listName_);
    uint16_t mode = ModeCreate;
    if (!storage->Root()->Writable())
        mode = fmOpenRead;
    else if (storage->StreamExists(streamPath))
        mode = fmOpenReadWrite;
    listStream_ = std::make_unique<TDocStream>(storage, mode, streamPath);
    if (listStream_->GetSize() > 0) {
        loading_ = true;
        try {
            counter_ = listStream_->ReadInt32();
            LoadFromStream(*listStream_);
        } catch (...) {
            loading_ = false;
            throw;
        }
        loading_ = false;
    }
    OnChange = [this](TObject*) {
        if (!loading_)
            Store();
    };
}

TDocNameList::~TDocNameList() {
    OnChange = nullptr;
}

void TDocNameList::Store() {
    listStream_->SetSize(0);
    listStream_->WriteInt32(counter_);
    SaveToStream(*listStream_);
}

int TDocNameList::AddNewName() {
    // A damaged list may hold a counter at the end of its range (or below 0): going on would wrap
    // and hand out names again.
    if (counter_ < 0 || counter_ == std::numeric_limits<int32_t>::max())
        ThrowStorageError(STG_E_MEDIUMFULL, listName_);
    int index = -1;
    InUpdate(*this, [&] {
        index = Add(listName_ + QString::number(counter_));
        ++counter_;
    });
    return index;
}

QString TDocNameList::GetElementPath(int index) const {
    return JoinElementPath(Folder().Name(), Strings(index));
}

bool TDocNameList::DeleteElement(int index) {
    return Folder().DeleteElement(Strings(index));
}

std::unique_ptr<TDocStream> TDocStreamList::OpenStream(int index, uint16_t mode) {
    return std::make_unique<TDocStream>(&Folder(), mode, Strings(index));
}

bool TDocStreamList::StreamExists(int index) {
    if (index < 0 || index >= Count())
        return false;
    return Folder().StreamExists(Strings(index));
}

void TDocStreamList::DeleteStream(int index) {
    Folder().DeleteElement(Strings(index));
    Delete(index);
}

std::unique_ptr<TDocStorage> TDocStorageList::OpenStorage(int index, bool createIfMissing) {
    return std::make_unique<TDocStorage>(&Folder(), Strings(index), createIfMissing);
}

void TDocStorageList::DeleteStorage(int index) {
    Folder().DeleteElement(Strings(index));
    Delete(index);
}
