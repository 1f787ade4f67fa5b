#include "platform/CompoundFile.h"

#include "platform/CompoundFileVolume.h"
#include "platform/CrashSafety.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <utility>

namespace Cfb {

// What the objects of one file share: the volume and the register of open elements.
struct SharedFile {
    std::unique_ptr<Volume> volume;
    std::unordered_map<uint32_t, CompoundStorage*> storages;
    std::unordered_map<uint32_t, CompoundStream*> streams;

    bool IsOpen(uint32_t id) const { return storages.count(id) != 0 || streams.count(id) != 0; }

    // Objects on id and everything below it stop working: their elements are going away.
    void Revert(uint32_t id) {
        for (uint32_t victim : volume->Subtree(id)) {
            if (auto it = storages.find(victim); it != storages.end()) {
                it->second->reverted_ = true;
                storages.erase(it);
            }
            if (auto it = streams.find(victim); it != streams.end()) {
                it->second->reverted_ = true;
                streams.erase(it);
            }
        }
    }

    void DestroyElement(uint32_t id) {
        Revert(id);
        volume->Destroy(id);
    }
};

} // namespace Cfb

using Cfb::EntryType;
using Cfb::NoStream;

namespace {

constexpr uint32_t KnownFlags = 0x3 | 0x70 | STGM_CREATE | STGM_DELETEONRELEASE;

void CheckFlags(uint32_t flags) {
    if ((flags & ~KnownFlags) != 0 || (flags & 3) == 3 || (flags & 0x70) > STGM_SHARE_DENY_NONE)
        ThrowStorageError(STG_E_INVALIDFLAG);
}

bool WantsWrite(uint32_t flags) {
    return (flags & 3) != STGM_READ;
}

FileLock LockFor(uint32_t flags) {
    const uint32_t share = flags & 0x70;
    const bool write = WantsWrite(flags);
    if (share == STGM_SHARE_DENY_NONE)
        return write ? FileLock::Shared : FileLock::None;
    if (share == STGM_SHARE_DENY_WRITE)
        return write ? FileLock::Exclusive : FileLock::Shared;
    return FileLock::Exclusive; // exclusive, deny-read and the compatibility mode 0
}

STATSTG StatOf(const Cfb::DirEntry& e, uint32_t flags) {
    STATSTG s;
    s.name = e.name;
    s.type = e.type == EntryType::Stream ? STGTY_STREAM : STGTY_STORAGE;
    s.size = e.type == EntryType::Stream ? e.size : 0;
    s.mtime = e.mtime;
    s.ctime = e.ctime;
    s.mode = flags;
    s.clsid = e.clsid;
    s.stateBits = e.stateBits;
    return s;
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// Opening files

CompoundStoragePtr StgCreateDocfileOnLockBytes(std::unique_ptr<LockBytes> bytes, uint32_t flags) {
    CheckFlags(flags);
    if (!WantsWrite(flags))
        ThrowStorageError(STG_E_INVALIDFLAG);
    auto file = std::make_shared<Cfb::SharedFile>();
    file->volume = Cfb::Volume::Create(std::move(bytes));
    return CompoundStoragePtr(new CompoundStorage(file, 0, flags));
}

CompoundStoragePtr StgOpenStorageOnLockBytes(std::unique_ptr<LockBytes> bytes, uint32_t flags) {
    CheckFlags(flags);
    if ((flags & (STGM_CREATE | STGM_DELETEONRELEASE)) != 0)
        ThrowStorageError(STG_E_INVALIDFLAG);
    if (WantsWrite(flags) && !bytes->Writable())
        ThrowStorageError(STG_E_ACCESSDENIED);
    auto file = std::make_shared<Cfb::SharedFile>();
    file->volume = Cfb::Volume::Load(std::move(bytes));
    return CompoundStoragePtr(new CompoundStorage(file, 0, flags));
}

namespace {

// Raises what an open of fileName failed with as EStorageOpenError, naming the file (so a user's
// report says which one failed) and keeping the kind of failure for the message.
template <class F>
CompoundStoragePtr OpeningFile(const QString& fileName, F open) {
    try {
        return open();
    } catch (const EStorageOpenError&) {
        throw;
    } catch (const EOleSysError& e) {
        const QString message =
            e.Message().contains(fileName) ? e.Message() : e.Message() + QStringLiteral(": ") + fileName;
        throw EStorageOpenError(message, e.ErrorCode(), OpenFaultFor(e.ErrorCode(), fileName), fileName);
    }
}

} // namespace

CompoundStoragePtr StgCreateDocfile(const QString& fileName, uint32_t flags, bool markChanges) {
    CheckFlags(flags);
    if (!WantsWrite(flags))
        ThrowStorageError(STG_E_INVALIDFLAG, fileName);
    return OpeningFile(fileName, [&] {
        const auto kind = (flags & STGM_CREATE) ? FileLockBytes::OpenKind::CreateOrTruncate
                                                : FileLockBytes::OpenKind::CreateNew;
        auto bytes = std::make_unique<FileLockBytes>(fileName, true, kind, LockFor(flags), markChanges);
        if (flags & STGM_DELETEONRELEASE)
            bytes->SetDeleteOnClose(true);
        return StgCreateDocfileOnLockBytes(std::move(bytes), flags & ~(STGM_CREATE | STGM_DELETEONRELEASE));
    });
}

CompoundStoragePtr StgOpenStorage(const QString& fileName, uint32_t flags, bool markChanges) {
    CheckFlags(flags);
    if ((flags & (STGM_CREATE | STGM_DELETEONRELEASE)) != 0)
        ThrowStorageError(STG_E_INVALIDFLAG, fileName);
    return OpeningFile(fileName, [&] {
        auto bytes = std::make_unique<FileLockBytes>(fileName, WantsWrite(flags),
                                                     FileLockBytes::OpenKind::OpenExisting, LockFor(flags),
                                                     markChanges);
        return StgOpenStorageOnLockBytes(std::move(bytes), flags);
    });
}

namespace {

SaveCopyStepHook& StepHook() {
    static SaveCopyStepHook hook;
    return hook;
}

void Reached(SaveCopyStep step) {
    if (const SaveCopyStepHook& hook = StepHook())
        hook(step);
}

// The mode the saved file gets: the old file's, or what a new file would get.
mode_t ModeForSavedFile(const QByteArray& path) {
    struct stat st {};
    if (::stat(path.constData(), &st) == 0)
        return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Gives the copy the permissions the saved file must have, so that a document shared with others
// stays shared. File systems without permissions (FAT) refuse the change but show every file with
// one mode anyway: only a copy that would grant less than the old file is a failure.
void CopyPermissions(const QByteArray& copyPath, mode_t mode, const QString& fileName) {
    if (::chmod(copyPath.constData(), mode) == 0)
        return;
    const int error = errno;
    struct stat st {};
    if (::stat(copyPath.constData(), &st) == 0 && (st.st_mode & mode & 0777) == (mode & 0777))
        return;
    ThrowStorageError(STG_E_ACCESSDENIED, fileName +
                                              QStringLiteral(": the saved copy could not be given the file's "
                                                             "permissions: ") +
                                              QString::fromLocal8Bit(std::strerror(error)));
}

// Someone holding the file keeps it, as an open on the platform would. Whatever the file holds (a
// stale mark of a change cut short included) is replaced whole.
void ProbeNotHeld(const QString& fileName) {
    const int fd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        ThrowStorageErrno(errno, STG_E_ACCESSDENIED, fileName);
    const int locked = ::flock(fd, LOCK_EX | LOCK_NB);
    const int error = errno;
    ::close(fd);
    if (locked != 0)
        ThrowStorageErrno(error, STG_E_LOCKVIOLATION, fileName);
}

} // namespace

SaveCopyStepHook SetSaveCopyStepHook(SaveCopyStepHook hook) {
    return std::exchange(StepHook(), std::move(hook));
}

void StgSaveCopyAs(CompoundStorage& source, const QString& fileName) {
    const QFileInfo target(fileName);
    if (target.exists()) {
        if (!target.isFile() || !target.isWritable())
            ThrowStorageError(STG_E_ACCESSDENIED, fileName);
        ProbeNotHeld(fileName);
    }
    const QString folder = target.absolutePath();
    const QString prefix = QStringLiteral(".") + target.fileName() + QStringLiteral(".");
    RemoveStaleOwnedFiles(folder, prefix);
    const QString tempName = CreateOwnedTempFile(folder, prefix);
    const QByteArray tempPath = QFile::encodeName(tempName);
    const QByteArray finalPath = QFile::encodeName(target.absoluteFilePath());
    bool renamed = false;
    try {
        {
            auto copy = StgCreateDocfile(tempName, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE);
            source.CopyTo(*copy);
            copy->Commit(false);
            Reached(SaveCopyStep::TemporaryWritten);
            copy->Commit(true);
            Reached(SaveCopyStep::TemporarySynced);
        }
        CopyPermissions(tempPath, ModeForSavedFile(finalPath), fileName);
        if (::rename(tempPath.constData(), finalPath.constData()) != 0)
            ThrowStorageError(errno == EACCES || errno == EPERM ? STG_E_ACCESSDENIED : STG_E_WRITEFAULT,
                              fileName);
        renamed = true;
        Reached(SaveCopyStep::Renamed);
    } catch (...) {
        if (!renamed)
            QFile::remove(tempName);
        throw;
    }
    if (!SyncFolder(folder))
        ThrowStorageError(STG_E_WRITEFAULT,
                          fileName + QStringLiteral(": the file was saved, but its folder could "
                                                    "not be written to disk; the saved file may "
                                                    "be lost if the power fails"));
    // What a stale mark said of the old contents is void now that they are replaced.
    ChangeMark::RemoveStale(fileName);
}

// ---------------------------------------------------------------------------------------------------
// Storages

CompoundStorage::CompoundStorage(std::shared_ptr<Cfb::SharedFile> file, uint32_t id, uint32_t flags)
    : file_(std::move(file)), id_(id), flags_(flags),
      writable_(WantsWrite(flags) && file_->volume->Writable()) {
    file_->storages[id_] = this;
}

CompoundStorage::~CompoundStorage() {
    if (!reverted_)
        file_->storages.erase(id_);
}

void CompoundStorage::Check() const {
    if (reverted_)
        ThrowStorageError(STG_E_REVERTED);
}

void CompoundStorage::CheckWrite() const {
    Check();
    if (!writable_)
        ThrowStorageError(STG_E_ACCESSDENIED);
}

uint64_t CompoundStorage::ChangeCount() const {
    return file_->volume->ChangeCount();
}

uint32_t CompoundStorage::MakeChild(const QString& name, uint32_t flags, EntryType type) {
    CheckFlags(flags);
    CheckWrite();
    if (!WantsWrite(flags) || (flags & STGM_DELETEONRELEASE))
        ThrowStorageError(STG_E_INVALIDFLAG, name);
    Cfb::Volume& v = *file_->volume;
    const uint32_t existing = v.FindChild(id_, name);
    if (existing != NoStream) {
        if (!(flags & STGM_CREATE))
            ThrowStorageError(STG_E_FILEALREADYEXISTS, name);
        // Nothing below the element being replaced may still be open, whatever its type.
        for (uint32_t id : v.Subtree(existing)) {
            if (file_->IsOpen(id))
                ThrowStorageError(STG_E_ACCESSDENIED, name);
        }
        file_->DestroyElement(existing);
    }
    return v.AddChild(id_, name, type);
}

uint32_t CompoundStorage::FindChildToOpen(const QString& name, uint32_t flags, EntryType type) const {
    CheckFlags(flags);
    Check();
    if (flags & (STGM_CREATE | STGM_DELETEONRELEASE))
        ThrowStorageError(STG_E_INVALIDFLAG, name);
    if (WantsWrite(flags) && !writable_)
        ThrowStorageError(STG_E_ACCESSDENIED, name);
    const uint32_t id = file_->volume->FindChild(id_, name);
    if (id == NoStream || file_->volume->Entry(id).type != type)
        ThrowStorageError(STG_E_FILENOTFOUND, name);
    if (file_->IsOpen(id))
        ThrowStorageError(STG_E_ACCESSDENIED, name);
    return id;
}

CompoundStreamPtr CompoundStorage::CreateStream(const QString& name, uint32_t flags) {
    const uint32_t id = MakeChild(name, flags, EntryType::Stream);
    return CompoundStreamPtr(new CompoundStream(file_, id, flags & ~STGM_CREATE));
}

CompoundStreamPtr CompoundStorage::OpenStream(const QString& name, uint32_t flags) {
    const uint32_t id = FindChildToOpen(name, flags, EntryType::Stream);
    return CompoundStreamPtr(new CompoundStream(file_, id, flags));
}

QByteArray CompoundStorage::ReadStreamBytes(const QString& name) {
    const uint32_t id = FindChildToOpen(name, STGM_READ | STGM_SHARE_EXCLUSIVE, EntryType::Stream);
    Cfb::Volume& volume = *file_->volume;
    const uint64_t size = volume.Entry(id).size;
    if (size > uint64_t(std::numeric_limits<qsizetype>::max() / 2))
        ThrowStorageError(STG_E_INSUFFICIENTMEMORY, name);
    QByteArray bytes(static_cast<qsizetype>(size), Qt::Uninitialized);
    if (size > 0)
        volume.ReadWhole(id, bytes.data());
    return bytes;
}

void CompoundStorage::ReadStreams(const std::function<void(const QString& name, const QByteArray& bytes)>& take) {
    Check();
    Cfb::Volume& volume = *file_->volume;
    const std::vector<uint32_t> children = volume.Entry(id_).children;
    QByteArray bytes;
    for (uint32_t id : children) {
        const Cfb::DirEntry& entry = volume.Entry(id);
        if (entry.type != EntryType::Stream)
            continue;
        if (entry.size > uint64_t(std::numeric_limits<qsizetype>::max() / 2))
            ThrowStorageError(STG_E_INSUFFICIENTMEMORY, entry.name);
        bytes.resize(static_cast<qsizetype>(entry.size));
        if (entry.size > 0)
            volume.ReadWhole(id, bytes.data());
        take(entry.name, bytes);
    }
}

CompoundStoragePtr CompoundStorage::CreateStorage(const QString& name, uint32_t flags) {
    const uint32_t id = MakeChild(name, flags, EntryType::Storage);
    return CompoundStoragePtr(new CompoundStorage(file_, id, flags & ~STGM_CREATE));
}

CompoundStoragePtr CompoundStorage::OpenStorage(const QString& name, uint32_t flags) {
    const uint32_t id = FindChildToOpen(name, flags, EntryType::Storage);
    return CompoundStoragePtr(new CompoundStorage(file_, id, flags));
}

namespace {

// Copies the bytes of one stream into another, possibly of another file, in large blocks.
void CopyStreamData(Cfb::Volume& from, uint32_t fromId, Cfb::Volume& to, uint32_t toId) {
    const uint64_t size = from.Entry(fromId).size;
    if (size == 0)
        return;
    const Cfb::StreamCursor source = from.OpenCursor(fromId);
    Cfb::StreamCursor target = to.OpenCursor(toId);
    std::vector<uint8_t> block(static_cast<size_t>(std::min<uint64_t>(size, 1u << 20)));
    for (uint64_t pos = 0; pos < size;) {
        const size_t got = from.Read(source, pos, block.data(), block.size());
        if (got == 0)
            break;
        to.Write(target, pos, block.data(), got);
        pos += got;
    }
}

// Copies the elements of one storage into another, possibly of another file. Without recursion:
// nesting depth is whatever the file holds.
void CopyTree(Cfb::SharedFile& srcFile, uint32_t srcId, Cfb::SharedFile& dstFile, uint32_t dstId) {
    Cfb::Volume& src = *srcFile.volume;
    Cfb::Volume& dst = *dstFile.volume;
    const bool sameFile = &srcFile == &dstFile;
    if (sameFile && src.Contains(srcId, dstId))
        ThrowStorageError(STG_E_ACCESSDENIED);
    dst.SetClass(dstId, src.Entry(srcId).clsid);
    dst.SetStateBits(dstId, src.Entry(srcId).stateBits, 0xFFFFFFFFu);
    std::vector<std::pair<uint32_t, uint32_t>> work{{srcId, dstId}};
    while (!work.empty()) {
        const auto [from, to] = work.back();
        work.pop_back();
        const std::vector<uint32_t> kids = src.Entry(from).children;
        for (uint32_t child : kids) {
            const QString name = src.Entry(child).name;
            const bool isStorage = src.Entry(child).type == EntryType::Storage;
            uint32_t target = dst.FindChild(to, name);
            if (target != NoStream && (!isStorage || dst.Entry(target).type != EntryType::Storage)) {
                // Replacing what is being copied, or what holds it, would lose the source.
                if (sameFile && dst.Contains(target, child))
                    ThrowStorageError(STG_E_ACCESSDENIED, name);
                dstFile.DestroyElement(target);
                target = NoStream;
            }
            if (target == NoStream)
                target = dst.AddChild(to, name, isStorage ? EntryType::Storage : EntryType::Stream);
            dst.SetClass(target, src.Entry(child).clsid);
            dst.SetStateBits(target, src.Entry(child).stateBits, 0xFFFFFFFFu);
            if (isStorage)
                work.emplace_back(child, target);
            else
                CopyStreamData(src, child, dst, target);
        }
    }
}

} // namespace

void CompoundStorage::CopyTo(CompoundStorage& dest) {
    Check();
    dest.CheckWrite();
    CopyTree(*file_, id_, *dest.file_, dest.id_);
}

void CompoundStorage::MoveElementTo(const QString& name, CompoundStorage& dest, const QString& newName,
                                    uint32_t moveFlags) {
    Check();
    dest.CheckWrite();
    if (moveFlags != STGMOVE_MOVE && moveFlags != STGMOVE_COPY)
        ThrowStorageError(STG_E_INVALIDFLAG);
    if (moveFlags == STGMOVE_MOVE && !writable_)
        ThrowStorageError(STG_E_ACCESSDENIED, name);
    Cfb::Volume& src = *file_->volume;
    const uint32_t id = src.FindChild(id_, name);
    if (id == NoStream)
        ThrowStorageError(STG_E_FILENOTFOUND, name);
    if (!Cfb::IsValidName(newName))
        ThrowStorageError(STG_E_INVALIDNAME, newName);
    const bool sameFile = file_ == dest.file_;
    Cfb::Volume& dst = *dest.file_->volume;
    const uint32_t clash = dst.FindChild(dest.id_, newName);
    if (clash != NoStream && !(sameFile && moveFlags == STGMOVE_MOVE && clash == id))
        ThrowStorageError(STG_E_FILEALREADYEXISTS, newName);
    if (sameFile && moveFlags == STGMOVE_MOVE) {
        // Within one file a move only relinks the entry; open objects on it stay valid.
        src.Move(id, dest.id_, newName);
        return;
    }
    if (sameFile && src.Contains(id, dest.id_))
        ThrowStorageError(STG_E_ACCESSDENIED, name);
    const bool isStorage = src.Entry(id).type == EntryType::Storage;
    const uint32_t target =
        dst.AddChild(dest.id_, newName, isStorage ? EntryType::Storage : EntryType::Stream);
    if (isStorage)
        CopyTree(*file_, id, *dest.file_, target);
    else
        CopyStreamData(src, id, dst, target);
    if (moveFlags == STGMOVE_MOVE)
        file_->DestroyElement(id);
}

void CompoundStorage::RenameElement(const QString& oldName, const QString& newName) {
    CheckWrite();
    Cfb::Volume& v = *file_->volume;
    const uint32_t id = v.FindChild(id_, oldName);
    if (id == NoStream)
        ThrowStorageError(STG_E_FILENOTFOUND, oldName);
    v.Move(id, id_, newName);
}

void CompoundStorage::DestroyElement(const QString& name) {
    CheckWrite();
    const uint32_t id = file_->volume->FindChild(id_, name);
    if (id == NoStream)
        ThrowStorageError(STG_E_FILENOTFOUND, name);
    file_->DestroyElement(id);
}

std::vector<STATSTG> CompoundStorage::EnumElements() {
    Check();
    const Cfb::Volume& v = *file_->volume;
    std::vector<STATSTG> out;
    for (uint32_t id : v.Entry(id_).children)
        out.push_back(StatOf(v.Entry(id), 0));
    return out;
}

STATSTG CompoundStorage::Stat() {
    Check();
    return StatOf(file_->volume->Entry(id_), flags_);
}

void CompoundStorage::Commit(bool durable) {
    Check();
    file_->volume->Flush(durable);
}

void CompoundStorage::SetClass(const TGUID& clsid) {
    CheckWrite();
    file_->volume->SetClass(id_, clsid);
}

void CompoundStorage::SetStateBits(uint32_t bits, uint32_t mask) {
    CheckWrite();
    file_->volume->SetStateBits(id_, bits, mask);
}

void CompoundStorage::SetElementTimes(const QString& name, uint64_t ctime, uint64_t mtime) {
    CheckWrite();
    const uint32_t id = name.isEmpty() ? id_ : file_->volume->FindChild(id_, name);
    if (id == NoStream)
        ThrowStorageError(STG_E_FILENOTFOUND, name);
    file_->volume->SetTimes(id, ctime, mtime);
}

// ---------------------------------------------------------------------------------------------------
// Streams

struct CompoundStream::CursorHolder {
    Cfb::StreamCursor cursor;
};

CompoundStream::CompoundStream(std::shared_ptr<Cfb::SharedFile> file, uint32_t id, uint32_t flags)
    : file_(std::move(file)), id_(id), flags_(flags), cursor_(std::make_unique<CursorHolder>()) {
    cursor_->cursor = file_->volume->OpenCursor(id_);
    file_->streams[id_] = this;
}

CompoundStream::~CompoundStream() {
    if (!reverted_)
        file_->streams.erase(id_);
}

void CompoundStream::Check() const {
    if (reverted_)
        ThrowStorageError(STG_E_REVERTED);
}

uint64_t CompoundStream::Read(void* buffer, uint64_t count) {
    Check();
    if ((flags_ & 3) == STGM_WRITE)
        ThrowStorageError(STG_E_ACCESSDENIED);
    const size_t n = file_->volume->Read(cursor_->cursor, position_, buffer,
                                         static_cast<size_t>(std::min<uint64_t>(count, SIZE_MAX)));
    position_ += n;
    return n;
}

uint64_t CompoundStream::Write(const void* buffer, uint64_t count) {
    Check();
    if (!WantsWrite(flags_))
        ThrowStorageError(STG_E_ACCESSDENIED);
    file_->volume->Write(cursor_->cursor, position_, buffer, static_cast<size_t>(count));
    position_ += count;
    return count;
}

uint64_t CompoundStream::Seek(int64_t offset, int origin) {
    Check();
    int64_t base = 0;
    if (origin == SeekCur)
        base = static_cast<int64_t>(position_);
    else if (origin == SeekEnd)
        base = static_cast<int64_t>(Size());
    else if (origin != SeekSet)
        ThrowStorageError(STG_E_INVALIDFUNCTION);
    // base is never negative, so neither test can overflow (not even for INT64_MIN).
    if ((offset < 0 && base + offset < 0) || (offset > 0 && base > INT64_MAX - offset))
        ThrowStorageError(STG_E_INVALIDFUNCTION);
    position_ = static_cast<uint64_t>(base + offset);
    return position_;
}

void CompoundStream::SetSize(uint64_t size) {
    Check();
    if (!WantsWrite(flags_))
        ThrowStorageError(STG_E_ACCESSDENIED);
    file_->volume->Resize(cursor_->cursor, size);
}

uint64_t CompoundStream::Size() const {
    Check();
    return file_->volume->Entry(id_).size;
}

STATSTG CompoundStream::Stat() {
    Check();
    return StatOf(file_->volume->Entry(id_), flags_);
}

void CompoundStream::Commit(bool durable) {
    Check();
    file_->volume->Flush(durable);
}

uint64_t CompoundStream::CopyTo(CompoundStream& dest, uint64_t count) {
    std::vector<uint8_t> block(static_cast<size_t>(std::min<uint64_t>(count, 1u << 20)));
    uint64_t done = 0;
    while (done < count) {
        const uint64_t got = Read(block.data(), std::min<uint64_t>(block.size(), count - done));
        if (got == 0)
            break;
        dest.Write(block.data(), got);
        done += got;
    }
    return done;
}
