#pragma once
// The byte array a compound file lives in: a file on disk or a block of memory. Stands in for the
// platform's lock-bytes objects, so the compound-file code reads and writes at offsets and knows
// nothing of descriptors, locks or buffers.

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

class ChangeMark;

class LockBytes {
public:
    virtual ~LockBytes() = default;

    virtual uint64_t Size() const = 0;
    // Reads up to count bytes at offset; returns how many were there (fewer only at the end).
    virtual size_t ReadAt(uint64_t offset, void* buffer, size_t count) = 0;
    // Writes count bytes at offset, growing the array when needed; raises EOleSysError on failure.
    virtual void WriteAt(uint64_t offset, const void* buffer, size_t count) = 0;
    virtual void SetSize(uint64_t size) = 0;
    // Pushes written bytes towards the medium; durable asks for them to reach it.
    virtual void Flush(bool durable) = 0;
    // Told by the owner that the bytes hold a consistent file and no write follows (it closes the file
    // cleanly): a file marked as being changed is made durable and unmarked.
    virtual void FinishChanges() {}
    virtual bool Writable() const = 0;
};

// How a file is shared with other openers (flock: advisory, honoured by every opener of ours).
enum class FileLock { None, Shared, Exclusive };

class FileLockBytes : public LockBytes {
public:
    enum class OpenKind { OpenExisting, CreateNew, CreateOrTruncate };
    // Raises EOleSysError with STG_E_FILENOTFOUND, STG_E_PATHNOTFOUND, STG_E_ACCESSDENIED,
    // STG_E_SHAREVIOLATION or STG_E_FILEALREADYEXISTS (CreateNew over an existing file).
    // An existing file that carries the mark of an unfinished change (see ChangeMark) fails with
    // STG_E_DOCFILECORRUPT, or STG_E_LOCKVIOLATION while its writer lives; creating a file removes a
    // stale mark. With markChanges a writable file is marked from its first write (at once when
    // created) until the next Flush, which is then durable whatever it was asked, or FinishChanges.
    FileLockBytes(const QString& fileName, bool writable, OpenKind kind, FileLock lock,
                  bool markChanges = false);
    ~FileLockBytes() override;
    FileLockBytes(const FileLockBytes&) = delete;
    FileLockBytes& operator=(const FileLockBytes&) = delete;

    uint64_t Size() const override;
    size_t ReadAt(uint64_t offset, void* buffer, size_t count) override;
    void WriteAt(uint64_t offset, const void* buffer, size_t count) override;
    void SetSize(uint64_t size) override;
    void Flush(bool durable) override;
    void FinishChanges() override;
    bool Writable() const override { return writable_; }

    const QString& FileName() const { return fileName_; }
    // Removes the file when this object is destroyed (temporary working copies).
    void SetDeleteOnClose(bool value) { deleteOnClose_ = value; }

private:
    void BeginChange();
    size_t ReadFile(uint64_t offset, char* out, size_t count);
    // Small reads are served from whole blocks of the file read once: a compound file is read a
    // sector or a directory entry at a time, and each would be a system call of its own. Only a
    // locked file is cached (no other opener of ours writes it); our own writes go into the cache.
    static constexpr size_t kCacheBlock = 64 * 1024;
    static constexpr size_t kCacheBlocks = 64;
    struct CachedBlock {
        uint64_t index = 0;
        std::vector<char> data;
    };
    const CachedBlock& Block(uint64_t index);
    // Our own write into the cached blocks it meets (a block that ended the file grows with zeros
    // up to it, as the file does).
    void WriteThrough(uint64_t offset, const char* in, size_t count);
    bool cacheable_ = false;
    std::vector<CachedBlock> blocks_;
    std::unordered_map<uint64_t, size_t> blockSlots_;
    size_t nextSlot_ = 0;

    QString fileName_;
    std::unique_ptr<ChangeMark> mark_;
    int fd_ = -1;
    bool writable_;
    bool deleteOnClose_ = false;
};

class MemoryLockBytes : public LockBytes {
public:
    MemoryLockBytes() = default;
    explicit MemoryLockBytes(const QByteArray& data, bool writable = true)
        : data_(data), writable_(writable) {}

    uint64_t Size() const override { return static_cast<uint64_t>(data_.size()); }
    size_t ReadAt(uint64_t offset, void* buffer, size_t count) override;
    void WriteAt(uint64_t offset, const void* buffer, size_t count) override;
    void SetSize(uint64_t size) override;
    void Flush(bool) override {}
    bool Writable() const override { return writable_; }

    const QByteArray& Data() const { return data_; }

private:
    QByteArray data_;
    bool writable_ = true;
};
