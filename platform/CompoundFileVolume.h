#pragma once
// The sectors, allocation tables and directory of one compound file (the published structured-storage
// format, versions 3 and 4), loaded from a LockBytes and written back in place. The storage and stream
// objects of CompoundFile.h work through this class; nothing else should need it.
//
// Every file is treated as hostile while it is loaded: sector ids are bounded by the file, every chain
// (FAT, mini FAT, DIFAT, directory, streams) is walked once and may claim each sector only once (a
// stream's chain only as far as its size needs), the directory trees may reach each entry only once,
// names are unique per storage and stream sizes must fit their chains. What passes is consistent, so
// the writer can trust it afterwards.

#include "platform/Guid.h"
#include "platform/LockBytes.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <set>
#include <vector>

namespace Cfb {

constexpr uint32_t MaxRegSect = 0xFFFFFFFAu;
constexpr uint32_t DifSect = 0xFFFFFFFCu;
constexpr uint32_t FatSect = 0xFFFFFFFDu;
constexpr uint32_t EndOfChain = 0xFFFFFFFEu;
constexpr uint32_t FreeSect = 0xFFFFFFFFu;
constexpr uint32_t NoStream = 0xFFFFFFFFu;
constexpr uint32_t MaxRegSid = 0xFFFFFFFAu;

constexpr uint32_t MiniSectorSize = 64;
constexpr uint64_t MiniStreamCutoff = 4096;
constexpr uint32_t DirEntrySize = 128;
constexpr uint32_t HeaderDifatSlots = 109;
constexpr int MaxNameLength = 31;
// Streams of a version 3 file are at most 2 GB.
constexpr uint64_t MaxStreamSizeV3 = 0x80000000ull;

enum class EntryType : uint8_t { Unallocated = 0, Storage = 1, Stream = 2, Root = 5 };

// The order of siblings in the file: shorter names first, then code unit by code unit upper-cased.
int CompareNames(const QString& a, const QString& b);
// At most 31 UTF-16 units, not empty, none of "/ \ : !".
bool IsValidName(const QString& name);
// Now as a file time (100-ns ticks since 1601-01-01 UTC).
uint64_t FileTimeNow();

struct DirEntry {
    QString name;
    EntryType type = EntryType::Unallocated;
    uint8_t color = 1; // 0 red, 1 black
    uint32_t left = NoStream;
    uint32_t right = NoStream;
    uint32_t child = NoStream;
    TGUID clsid;
    uint32_t stateBits = 0;
    uint64_t ctime = 0;
    uint64_t mtime = 0;
    uint32_t start = EndOfChain;
    uint64_t size = 0;
    // Not stored: the storage holding the entry and, for storages, their elements in file order.
    uint32_t parent = NoStream;
    std::vector<uint32_t> children;

    bool IsStorage() const { return type == EntryType::Storage || type == EntryType::Root; }
};

// Where one stream's bytes are: in the mini stream or in regular sectors, and its chain of units.
struct StreamCursor {
    uint32_t id = NoStream;
    bool mini = true;
    std::vector<uint32_t> chain;
};

class Volume {
public:
    // Reads and checks a file; raises EOleSysError (STG_E_FILEALREADYEXISTS when it is no compound
    // file, STG_E_INVALIDHEADER, STG_E_DOCFILECORRUPT with what is damaged).
    static std::unique_ptr<Volume> Load(std::unique_ptr<LockBytes> bytes);
    // Formats an empty version 3 file with only the root entry.
    static std::unique_ptr<Volume> Create(std::unique_ptr<LockBytes> bytes);
    // Writes what is pending; failures here are lost, so callers commit first when they care.
    ~Volume();
    Volume(const Volume&) = delete;
    Volume& operator=(const Volume&) = delete;

    bool Writable() const { return writable_; }
    uint16_t MajorVersion() const { return major_; }
    uint32_t SectorSize() const { return sectorSize_; }
    LockBytes& Bytes() { return *bytes_; }

    const DirEntry& Entry(uint32_t id) const { return entries_[id]; }
    uint32_t EntryCount() const { return static_cast<uint32_t>(entries_.size()); }
    // The element of a storage with that name (compared as the file orders names), or NoStream.
    uint32_t FindChild(uint32_t storage, const QString& name) const;
    // True when id is ancestor or lies below it.
    bool Contains(uint32_t ancestor, uint32_t id) const;
    // id and everything below it, id first.
    std::vector<uint32_t> Subtree(uint32_t id) const;

    // Structural changes; each raises STG_E_ACCESSDENIED on a read-only file.
    uint32_t AddChild(uint32_t storage, const QString& name, EntryType type);
    void Destroy(uint32_t id);
    void Move(uint32_t id, uint32_t newParent, const QString& newName);
    void SetClass(uint32_t id, const TGUID& clsid);
    void SetStateBits(uint32_t id, uint32_t bits, uint32_t mask);
    void SetTimes(uint32_t id, uint64_t ctime, uint64_t mtime);

    StreamCursor OpenCursor(uint32_t id) const;
    // Reads up to count bytes at pos (less at the end of the stream); returns the count read.
    size_t Read(const StreamCursor& cursor, uint64_t pos, void* buffer, size_t count);
    // Reads the whole of a stream (Entry(id).size bytes) into buffer; returns the count.
    size_t ReadWhole(uint32_t id, void* buffer);
    // Writes at pos, growing the stream; a gap before pos reads as zeros.
    void Write(StreamCursor& cursor, uint64_t pos, const void* buffer, size_t count);
    // Grows (zero-filled) or shrinks the stream.
    void Resize(StreamCursor& cursor, uint64_t newSize);

    // Writes every pending table, directory sector and the header; durable waits for the medium.
    void Flush(bool durable);
    // Counts every change of contents; the root's modification time follows it at each flush.
    uint64_t ChangeCount() const { return changeCount_; }

private:
    explicit Volume(std::unique_ptr<LockBytes> bytes);

    // Loading.
    [[noreturn]] void Corrupt(const char* what) const;
    void LoadHeaderAndTables();
    void LoadDirectory();
    void CheckStreams();
    // Claims the chain from start, at most units long; raises on a loop or a sector claimed before.
    std::vector<uint32_t> WalkLoadedChain(uint32_t start, std::vector<uint8_t>& owned, uint32_t limit,
                                          const std::vector<uint32_t>& table, const char* what,
                                          uint64_t units = UINT64_MAX) const;
    // Claims the units a stream of that size needs and ends its chain after them.
    std::vector<uint32_t> ClaimStreamChain(uint32_t start, uint64_t size, bool mini,
                                           std::vector<uint8_t>& owned, const char* what);
    void ReadSector(uint32_t id, void* buffer);
    void ParseEntry(const uint8_t* p, DirEntry& e) const;

    // Allocation.
    void CheckWritable() const;
    void SetFat(uint32_t index, uint32_t value);
    void SetMiniFat(uint32_t index, uint32_t value);
    void AddFatSector();
    std::vector<uint32_t> AllocateSectors(uint32_t count);
    std::vector<uint32_t> AllocateMiniSectors(uint32_t count);
    uint32_t AllocateSectorLinked(std::vector<uint32_t>& chain, uint32_t* start);
    void FreeSector(uint32_t id);
    void FreeMiniSector(uint32_t id);
    uint32_t AllocateEntry();
    void MarkEntry(uint32_t id);
    void InsertChild(uint32_t storage, uint32_t id);
    void RemoveChild(uint32_t storage, uint32_t id);
    std::vector<uint32_t> ChainOf(uint32_t start, bool mini) const;

    // Stream data.
    uint64_t UnitOffset(bool mini, uint32_t id) const;
    template <typename Fn>
    void ForEachRun(const StreamCursor& cursor, uint64_t pos, size_t count, Fn&& fn) const;
    void SetLength(StreamCursor& cursor, uint64_t newSize);
    void SetUnitCount(StreamCursor& cursor, size_t units);
    void ZeroRange(StreamCursor& cursor, uint64_t from, uint64_t to);
    void WriteRaw(StreamCursor& cursor, uint64_t pos, const void* buffer, size_t count);

    // Writing.
    void RebuildTree(uint32_t storage);
    void SerializeEntry(const DirEntry& e, uint8_t* p) const;
    void WriteHeader();

    std::unique_ptr<LockBytes> bytes_;
    bool writable_ = false;
    uint16_t major_ = 3;
    uint32_t sectorShift_ = 9;
    uint32_t sectorSize_ = 512;
    uint32_t idsPerSector_ = 128;

    std::vector<uint32_t> fat_;
    std::vector<uint32_t> fatSectors_;
    std::vector<uint32_t> difatSectors_;
    std::vector<uint8_t> fatDirty_;
    uint32_t highWater_ = 0; // sectors at or above are free and past the used part of the file
    uint32_t freeBelow_ = 0; // free sectors below highWater_
    uint32_t freeHint_ = 0;  // no free sector lies below this

    std::vector<uint32_t> miniFat_;
    std::vector<uint32_t> miniFatChain_;
    std::vector<uint8_t> miniFatDirty_;
    std::vector<uint32_t> miniStreamChain_;
    uint32_t miniHighWater_ = 0;
    uint32_t miniFreeBelow_ = 0;
    uint32_t miniFreeHint_ = 0;

    std::vector<DirEntry> entries_;
    std::vector<uint32_t> dirChain_;
    std::vector<uint8_t> dirDirty_;
    uint32_t freeEntryHint_ = 0; // no unallocated entry lies below this
    uint32_t freeEntries_ = 0;
    std::set<uint32_t> treeDirty_;

    bool ready_ = false;
    bool difatDirty_ = false;
    bool headerDirty_ = false;
    bool anyDirty_ = false;
    uint64_t changeCount_ = 0;
    uint64_t flushedCount_ = 0;

    // Used only while loading.
    std::vector<uint8_t> ownedScratch_;
    std::vector<uint8_t> reachedScratch_;
    uint32_t chainLimit_ = 0;
    uint32_t miniLimit_ = 0;
};

} // namespace Cfb
