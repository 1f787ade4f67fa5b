#include "platform/LockBytes.h"

#include "platform/CrashSafety.h"
#include "platform/StorageError.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

FileLockBytes::FileLockBytes(const QString& fileName, bool writable, OpenKind kind, FileLock lock,
                             bool markChanges)
    : fileName_(fileName), writable_(writable) {
    const QByteArray path = QFile::encodeName(fileName);
    // Not blocking: a named pipe given as a file must be refused, not waited on.
    int flags = (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NONBLOCK;
    if (kind == OpenKind::CreateNew)
        flags |= O_CREAT | O_EXCL;
    else if (kind == OpenKind::CreateOrTruncate)
        flags |= O_CREAT; // truncated only once the lock is ours
    fd_ = ::open(path.constData(), flags, 0666);
    if (fd_ < 0)
        ThrowStorageErrno(errno, STG_E_FILENOTFOUND, fileName);
    try {
        struct stat st {};
        if (::fstat(fd_, &st) != 0)
            ThrowStorageErrno(errno, STG_E_READFAULT, fileName);
        if (S_ISDIR(st.st_mode))
            ThrowStorageError(STG_E_ACCESSDENIED, fileName + QStringLiteral(": a folder"));
        if (!S_ISREG(st.st_mode))
            ThrowStorageError(STG_E_FILEALREADYEXISTS, fileName + QStringLiteral(": not a regular file"));
        if (::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK) != 0)
            ThrowStorageErrno(errno, STG_E_READFAULT, fileName);
        if (lock != FileLock::None) {
            const int op = (lock == FileLock::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
            if (::flock(fd_, op) != 0)
                ThrowStorageErrno(errno, STG_E_LOCKVIOLATION, fileName);
            cacheable_ = true;
        }
        if (kind == OpenKind::OpenExisting) {
            // Checked once the file is ours: a writer that held it has finished or is gone.
            switch (ChangeMark::Check(fileName)) {
            case ChangeMark::State::None:
                break;
            case ChangeMark::State::Live:
                ThrowStorageError(STG_E_LOCKVIOLATION,
                                  fileName + QStringLiteral(": another program is changing it"));
            case ChangeMark::State::Stale:
                ThrowStorageError(STG_E_DOCFILECORRUPT,
                                  fileName + QStringLiteral(": a change to it was cut short"));
            }
        } else if (!markChanges && !ChangeMark::RemoveStale(fileName)) {
            // Replacing the contents ends what a stale mark spoke of; a live one is another writer's.
            ThrowStorageError(STG_E_LOCKVIOLATION,
                              fileName + QStringLiteral(": another program is changing it"));
        }
        if (markChanges && writable) {
            mark_ = std::make_unique<ChangeMark>(fileName);
            // Creating changes the file at once; an opened file is marked at its first write.
            if (kind != OpenKind::OpenExisting)
                mark_->Set();
        }
        if (kind == OpenKind::CreateOrTruncate && ::ftruncate(fd_, 0) != 0)
            ThrowStorageErrno(errno, STG_E_WRITEFAULT, fileName);
    } catch (...) {
        ::close(fd_);
        fd_ = -1;
        throw;
    }
}

FileLockBytes::~FileLockBytes() {
    if (fd_ >= 0) {
        if (deleteOnClose_)
            ::unlink(QFile::encodeName(fileName_).constData());
        ::close(fd_);
    }
}

void FileLockBytes::BeginChange() {
    if (!writable_)
        ThrowStorageError(STG_E_ACCESSDENIED, fileName_);
    if (mark_ && !mark_->IsSet())
        mark_->Set();
}

uint64_t FileLockBytes::Size() const {
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        return 0;
    return static_cast<uint64_t>(st.st_size);
}

size_t FileLockBytes::ReadFile(uint64_t offset, char* out, size_t count) {
    size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pread(fd_, out + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ThrowStorageErrno(errno, STG_E_READFAULT, fileName_);
        }
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    return done;
}

const FileLockBytes::CachedBlock& FileLockBytes::Block(uint64_t index) {
    if (const auto found = blockSlots_.find(index); found != blockSlots_.end())
        return blocks_[found->second];
    size_t slot = blocks_.size();
    if (slot < kCacheBlocks) {
        blocks_.emplace_back();
    } else {
        slot = nextSlot_;
        nextSlot_ = (nextSlot_ + 1) % kCacheBlocks;
        blockSlots_.erase(blocks_[slot].index);
    }
    CachedBlock& block = blocks_[slot];
    block.index = index;
    block.data.resize(kCacheBlock);
    try {
        block.data.resize(ReadFile(index * kCacheBlock, block.data.data(), kCacheBlock));
    } catch (...) {
        block.data.clear();
        blockSlots_.erase(index);
        throw;
    }
    blockSlots_[index] = slot;
    return block;
}

void FileLockBytes::WriteThrough(uint64_t offset, const char* in, size_t count) {
    const uint64_t end = offset + count;
    for (const auto& [index, slot] : blockSlots_) {
        CachedBlock& block = blocks_[slot];
        const uint64_t start = index * kCacheBlock;
        if (start >= end)
            continue;
        const size_t reach = static_cast<size_t>(std::min<uint64_t>(kCacheBlock, end - start));
        if (block.data.size() < reach)
            block.data.resize(reach, 0);
        if (start + kCacheBlock <= offset)
            continue;
        const size_t from = offset > start ? static_cast<size_t>(offset - start) : 0;
        std::memcpy(block.data.data() + from, in + (start + from - offset), reach - from);
    }
}

size_t FileLockBytes::ReadAt(uint64_t offset, void* buffer, size_t count) {
    auto* out = static_cast<char*>(buffer);
    if (!cacheable_ || count >= kCacheBlock)
        return ReadFile(offset, out, count);
    size_t done = 0;
    while (done < count) {
        const uint64_t at = offset + done;
        const CachedBlock& block = Block(at / kCacheBlock);
        const size_t within = static_cast<size_t>(at % kCacheBlock);
        if (within >= block.data.size())
            break; // past the end of the file
        const size_t n = std::min(count - done, block.data.size() - within);
        std::memcpy(out + done, block.data.data() + within, n);
        done += n;
        if (block.data.size() < kCacheBlock)
            break;
    }
    return done;
}

void FileLockBytes::WriteAt(uint64_t offset, const void* buffer, size_t count) {
    BeginChange();
    const auto* in = static_cast<const char*>(buffer);
    size_t done = 0;
    try {
        while (done < count) {
            const ssize_t n = ::pwrite(fd_, in + done, count - done, static_cast<off_t>(offset + done));
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                ThrowStorageErrno(errno, STG_E_WRITEFAULT, fileName_);
            }
            if (n == 0)
                ThrowStorageError(STG_E_MEDIUMFULL, fileName_);
            done += static_cast<size_t>(n);
        }
    } catch (...) {
        // What part reached the file is not known: the cache forgets it all.
        blocks_.clear();
        blockSlots_.clear();
        nextSlot_ = 0;
        throw;
    }
    WriteThrough(offset, in, count);
}

void FileLockBytes::SetSize(uint64_t size) {
    BeginChange();
    blocks_.clear();
    blockSlots_.clear();
    nextSlot_ = 0;
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0)
        ThrowStorageErrno(errno, STG_E_WRITEFAULT, fileName_);
}

void FileLockBytes::Flush(bool durable) {
    // The mark says a change is under way and not yet durable: a flush of a marked file (a commit)
    // ends that change, so it is made durable and the mark goes; the next change sets it again.
    // The file's own entry in its folder was made durable with the mark.
    const bool marked = mark_ && mark_->IsSet();
    if ((durable || marked) && writable_ && ::fsync(fd_) != 0)
        ThrowStorageErrno(errno, STG_E_WRITEFAULT, fileName_);
    if (marked)
        mark_->Clear();
}

void FileLockBytes::FinishChanges() {
    if (mark_ && mark_->IsSet())
        Flush(true);
}

size_t MemoryLockBytes::ReadAt(uint64_t offset, void* buffer, size_t count) {
    const uint64_t size = Size();
    if (offset >= size)
        return 0;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(count, size - offset));
    std::memcpy(buffer, data_.constData() + offset, n);
    return n;
}

void MemoryLockBytes::WriteAt(uint64_t offset, const void* buffer, size_t count) {
    if (!writable_)
        ThrowStorageError(STG_E_ACCESSDENIED);
    if (count > static_cast<uint64_t>(INT32_MAX) || offset > static_cast<uint64_t>(INT32_MAX) - count)
        ThrowStorageError(STG_E_MEDIUMFULL);
    if (offset > Size())
        SetSize(offset);
    if (offset + count > Size())
        data_.resize(static_cast<qsizetype>(offset + count));
    std::memcpy(data_.data() + offset, buffer, count);
}

void MemoryLockBytes::SetSize(uint64_t size) {
    if (!writable_)
        ThrowStorageError(STG_E_ACCESSDENIED);
    if (size > static_cast<uint64_t>(INT32_MAX))
        ThrowStorageError(STG_E_MEDIUMFULL);
    const qsizetype old = data_.size();
    data_.resize(static_cast<qsizetype>(size));
    if (data_.size() > old)
        std::memset(data_.data() + old, 0, static_cast<size_t>(data_.size() - old));
}
