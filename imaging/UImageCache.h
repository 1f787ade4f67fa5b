#pragma once
// The thumbnail cache: one compound file of thumbnails keyed by their source file's path, each entry
// remembering the source's size and last-write time so that a changed file is made anew. The cache
// has a limit in megabytes: entries are written only below it, and a lower limit purges entries and
// compacts the file.
//
// A cache is a convenience, never a reason to fail: a file that does not open as a cache, or breaks
// in use, is set aside as "<file>.damaged" and started afresh; a damaged entry is deleted and reads
// as a miss; a cache that cannot be written stores nothing. The file is marked while it is changed in
// place and each entry is committed without waiting for the disk: a cache whose writer died
// mid-change opens as damaged and is set aside, losing only thumbnails that are made again. Every operation
// holds the cache's lock, so loaders on worker threads and the UI thread share one cache (the compound-file
// engine serves one thread at a time).

#include "platform/Component.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <mutex>

class TFileStorage;
class TPicture;
class TPictureEx;
class TStream;

// 100-ns ticks since 1601-01-01 UTC of a file's last write (st_mtim), and the low 32 bits of its size;
// false when the file cannot be looked at.
bool GetFileStamp(const QString& fileName, uint32_t& size, int64_t& time);

class TImageCacheItem : public TComponent {
    QUORLANE_CLASS(TImageCacheItem, TComponent)

public:
    explicit TImageCacheItem(TComponent* owner = nullptr);
    ~TImageCacheItem() override;
    static void DeclareProperties(TPropertyBuilder<TImageCacheItem>& p);

    TPictureEx* Picture() const { return picture_.get(); }
    void SetPicture(TPicture* value);
    uint32_t Size() const { return size_; }
    void SetSize(uint32_t value) { size_ = value; }
    int64_t Time() const { return time_; }
    void SetTime(int64_t value) { time_ = value; }

    // The picture is not empty and the file's size and write time are the ones recorded.
    bool IsValidFor(const QString& fileName) const;
    // Clears the picture and records the file's size and time; false (fields kept) when the file
    // cannot be looked at.
    bool SetSourceFile(const QString& fileName);

    // The entry stream: flag (0; above 0 an empty entry), size, time, then the picture's stored form.
    // Reading raises on damaged data and leaves the item as it was.
    void ReadEntry(TStream& stream);
    void WriteEntry(TStream& stream) const;

private:
    int64_t SizeAsInt64() const { return size_; }
    void SetSizeFromInt64(int64_t value) { size_ = uint32_t(value); }

    std::unique_ptr<TPictureEx> picture_;
    uint32_t size_ = 0;
    int64_t time_ = 0;
};

// The element path an entry of fileName is kept under: one storage per folder, one stream for the
// file. Names compare without regard to case inside the file and may not hold ":", "!", "/" or "\",
// so upper-case letters and those characters are escaped with "?", and an element longer than 31
// units becomes a prefix, a marker and a 64-bit hash of the whole element. Names of up to 31
// escaped units never share a key; longer ones share one only when their prefixes and hashes collide.
// Empty for a path too deep to keep.
QString ImageCacheKey(const QString& fileName);
// The key a cache made on Windows used for a bare file name (":" as "?Drive", "!" as "*").
QString LegacyImageCacheKey(const QString& fileName);
// $XDG_CACHE_HOME/Quorlane/ImageCache.ic, its folder made (private) when missing.
QString DefaultImageCacheFile();

class TImageCacheStorage {
public:
    static constexpr int32_t kUnlimited = 0x7FFFFFFF;
    static constexpr int64_t kBytesPerMB = 0x100000;

    TImageCacheStorage();
    ~TImageCacheStorage();
    TImageCacheStorage(const TImageCacheStorage&) = delete;
    TImageCacheStorage& operator=(const TImageCacheStorage&) = delete;

    // Opens (read-only: shared for reading; else opened or created for writing). A read-only cache
    // that does not open answers nothing; a writable one that is not a sound cache is set aside and
    // made anew; one that cannot be made stores nothing. Never raises.
    void Open(const QString& fileName, bool readOnly);
    void Close();
    // Empties a writable cache: closes, deletes and makes the file anew, all under the cache's lock,
    // so loader threads reading through this object meanwhile only find no entry.
    void Clear();
    bool IsOpen() const;
    QString FileName() const;
    bool ReadOnly() const;
    int32_t LimitMB() const;

    // Reads the entry of fileName into item; false (item as it was) when there is none or it is
    // damaged (a damaged entry of a writable cache is deleted).
    bool LoadItem(const QString& fileName, TImageCacheItem& item);
    // Stores item under fileName while the file is below the limit; false when nothing was stored.
    bool SaveItem(const QString& fileName, const TImageCacheItem& item);
    // Sets the limit; a writable cache larger than it loses entries (in the file's order, depth
    // first) until the excess is gone, and is compacted.
    void Shrink(int32_t limitMB);

private:
    void OpenLocked();
    void SetAsideLocked();
    bool PurgeAndCompactLocked(int64_t excess);
    int64_t FileSizeLocked() const;

    mutable std::mutex lock_;
    std::unique_ptr<TFileStorage> storage_;
    QString fileName_;
    bool readOnly_ = false;
    int32_t limitMB_ = kUnlimited;
};
