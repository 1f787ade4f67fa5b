#include "platform/CompoundFileVolume.h"

#include "platform/ByteOrder.h"
#include "platform/StorageError.h"

#include <QDateTime>
#include <algorithm>
#include <cstring>

namespace Cfb {

namespace {

constexpr uint8_t Signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr uint16_t MinorVersion = 0x003E;
// Data is moved between streams and files in blocks of this size.
constexpr size_t CopyBlock = 1 << 20;

// Where the header's fields lie (the first 512 bytes; a version-4 header sector is padded with zeros).
namespace HeaderAt {
constexpr int MinorVersion = 24;
constexpr int MajorVersion = 26;
constexpr int ByteOrder = 28;
constexpr int SectorShift = 30;
constexpr int MiniSectorShift = 32;
constexpr int DirSectorCount = 40;
constexpr int FatSectorCount = 44;
constexpr int FirstDirSector = 48;
constexpr int MiniStreamCutoff = 56;
constexpr int FirstMiniFatSector = 60;
constexpr int MiniFatSectorCount = 64;
constexpr int FirstDifatSector = 68;
constexpr int DifatSectorCount = 72;
constexpr int Difat = 76; // the first HeaderDifatSlots FAT sector numbers
} // namespace HeaderAt
constexpr int HeaderSize = 512;
constexpr uint16_t ByteOrderMark = 0xFFFE;
constexpr uint16_t MiniSectorShift = 6;

// Where a directory entry's fields lie.
namespace EntryAt {
constexpr int NameLength = 64;
constexpr int Left = 68;
constexpr int Right = 72;
constexpr int Child = 76;
constexpr int Clsid = 80;
constexpr int StateBits = 96;
constexpr int CreationTime = 100;
constexpr int ModifiedTime = 108;
constexpr int StartSector = 116;
constexpr int Size = 120;
} // namespace EntryAt

uint64_t DivUp(uint64_t value, uint64_t unit) {
    return value / unit + (value % unit != 0 ? 1 : 0);
}

} // namespace

// Upper case as QChar::toUpper gives it; ASCII (every generated name) without the table lookup,
// since name comparisons run on every open.
char16_t UpperName(char16_t c) {
    if (c < 0x80)
        return c >= u'a' && c <= u'z' ? char16_t(c - (u'a' - u'A')) : c;
    return QChar::toUpper(c);
}

int CompareNames(const QString& a, const QString& b) {
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    const QChar* pa = a.constData();
    const QChar* pb = b.constData();
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (pa[i] == pb[i])
            continue;
        const char16_t ca = UpperName(pa[i].unicode());
        const char16_t cb = UpperName(pb[i].unicode());
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return 0;
}

bool IsValidName(const QString& name) {
    if (name.isEmpty() || name.size() > MaxNameLength)
        return false;
    for (QChar c : name) {
        // The stored name ends at its first NUL: one inside would not read back.
        if (c == u'/' || c == u'\\' || c == u':' || c == u'!' || c == u'\0')
            return false;
    }
    return true;
}

uint64_t FileTimeNow() {
    // Files generated at build time carry the time the build asks for (SOURCE_DATE_EPOCH, seconds
    // since 1970), so that two builds give the same bytes.
    int64_t ms = QDateTime::currentMSecsSinceEpoch();
    bool fixed = false;
    const qint64 epoch = qEnvironmentVariableIntValue("SOURCE_DATE_EPOCH", &fixed);
    if (fixed && epoch >= 0 && epoch < (int64_t(1) << 40))
        ms = epoch * 1000;
    // 11644473600 seconds lie between 1601-01-01 and 1970-01-01.
    return static_cast<uint64_t>(ms + 11644473600000LL) * 10000u;
}

Volume::Volume(std::unique_ptr<LockBytes> bytes) : bytes_(std::move(bytes)), writable_(bytes_->Writable()) {}

Volume::~Volume() {
    // A file that failed to load is never written: its tables are half read.
    if (!ready_)
        return;
    try {
        Flush(false);
        // Only a file closed whole ends a change; after a failed flush a mark of it stays.
        bytes_->FinishChanges();
    } catch (...) {
        // Nothing may leave a destructor; a caller that needs to know commits first.
    }
}

// ---------------------------------------------------------------------------------------------------
// Loading

void Volume::Corrupt(const char* /*what: the damaged part, named at the call*/) const {
    // A user is told that the file is damaged; which of its tables is means nothing to them.
    ThrowStorageError(STG_E_DOCFILECORRUPT, QString());
}

void Volume::ReadSector(uint32_t id, void* buffer) {
    const uint64_t offset = (static_cast<uint64_t>(id) + 1) << sectorShift_;
    const size_t got = bytes_->ReadAt(offset, buffer, sectorSize_);
    // The last sector may be cut short by writers that do not pad the file.
    if (got < sectorSize_)
        std::memset(static_cast<uint8_t*>(buffer) + got, 0, sectorSize_ - got);
}

std::unique_ptr<Volume> Volume::Load(std::unique_ptr<LockBytes> bytes) {
    std::unique_ptr<Volume> v(new Volume(std::move(bytes)));
    v->LoadHeaderAndTables();
    v->LoadDirectory();
    v->CheckStreams();
    v->ready_ = true;
    return v;
}

std::vector<uint32_t> Volume::WalkLoadedChain(uint32_t start, std::vector<uint8_t>& owned, uint32_t limit,
                                              const std::vector<uint32_t>& table, const char* what,
                                              uint64_t units) const {
    std::vector<uint32_t> chain;
    uint32_t id = start;
    while (id != EndOfChain && chain.size() < units) {
        // Each sector may be claimed once: a second claim is a loop or two chains sharing a sector.
        if (id >= limit || id >= table.size() || owned[id])
            Corrupt(what);
        owned[id] = 1;
        chain.push_back(id);
        if (chain.size() == units)
            break; // what the link says after the last unit the stream needs is not the stream's
        id = table[id];
        if (id > MaxRegSect && id != EndOfChain)
            Corrupt(what);
    }
    return chain;
}

void Volume::LoadHeaderAndTables() {
    const uint64_t fileSize = bytes_->Size();
    uint8_t h[HeaderSize];
    if (fileSize < sizeof h || bytes_->ReadAt(0, h, sizeof h) != sizeof h ||
        std::memcmp(h, Signature, 8) != 0)
        // The code a compound-file reader gives a file that is no compound file; its general text
        // ("already exists ...") would mislead the reader of a damaged or foreign file.
        throw EOleSysError(QStringLiteral("複合ファイルの形式ではありません（壊れているか、別の種類のファイルです）。"),
                           STG_E_FILEALREADYEXISTS);
    major_ = GetLE16(h + HeaderAt::MajorVersion);
    if (GetLE16(h + HeaderAt::ByteOrder) != ByteOrderMark)
        ThrowStorageError(STG_E_INVALIDHEADER, QStringLiteral("byte order"));
    if (major_ == 3 && GetLE16(h + HeaderAt::SectorShift) == 9)
        sectorShift_ = 9;
    else if (major_ == 4 && GetLE16(h + HeaderAt::SectorShift) == 12)
        sectorShift_ = 12;
    else
        ThrowStorageError(STG_E_INVALIDHEADER, QStringLiteral("version or sector size"));
    if (GetLE16(h + HeaderAt::MiniSectorShift) != MiniSectorShift ||
        GetLE32(h + HeaderAt::MiniStreamCutoff) != MiniStreamCutoff)
        ThrowStorageError(STG_E_INVALIDHEADER, QStringLiteral("mini sector size or cut-off"));
    sectorSize_ = 1u << sectorShift_;
    idsPerSector_ = sectorSize_ / 4;
    if (fileSize < sectorSize_)
        Corrupt("file shorter than its header");

    // Sectors that exist in the file, the last one possibly cut short.
    const uint64_t sectorsInFile =
        std::min<uint64_t>(DivUp(fileSize - sectorSize_, sectorSize_), static_cast<uint64_t>(MaxRegSect) + 1);
    const uint32_t limit = static_cast<uint32_t>(sectorsInFile);
    const uint32_t fatCount = GetLE32(h + HeaderAt::FatSectorCount);
    if (fatCount == 0 || fatCount > limit)
        Corrupt("FAT sector count");

    std::vector<uint8_t> owned(limit, 0);
    fatSectors_.reserve(fatCount);
    for (uint32_t i = 0; i < HeaderDifatSlots && fatSectors_.size() < fatCount; ++i)
        fatSectors_.push_back(GetLE32(h + HeaderAt::Difat + 4 * i));
    // The DIFAT chain is walked for as many sectors as the header counts, each inside the file and
    // visited once, and must end there and hold the FAT sectors the header counts: a loop, a chain
    // running on or a count that disagrees is damage like any other broken chain. Without DIFAT
    // sectors its start is not looked at, as other readers do.
    const uint32_t difatCount = GetLE32(h + HeaderAt::DifatSectorCount);
    const uint64_t difatNeeded = DivUp(fatCount - fatSectors_.size(), idsPerSector_ - 1);
    if (difatCount != difatNeeded)
        Corrupt("DIFAT sector count");
    std::vector<uint8_t> sector(sectorSize_);
    uint32_t next = GetLE32(h + HeaderAt::FirstDifatSector);
    for (uint32_t s = 0; s < difatCount; ++s) {
        if (next >= limit || owned[next])
            Corrupt("DIFAT chain");
        owned[next] = 1;
        difatSectors_.push_back(next);
        ReadSector(next, sector.data());
        for (uint32_t i = 0; i + 1 < idsPerSector_ && fatSectors_.size() < fatCount; ++i)
            fatSectors_.push_back(GetLE32(sector.data() + 4 * i));
        next = GetLE32(sector.data() + 4 * (idsPerSector_ - 1));
    }
    if (difatCount != 0 && next != EndOfChain && next != FreeSect)
        Corrupt("DIFAT chain");
    for (uint32_t id : fatSectors_) {
        if (id >= limit || owned[id])
            Corrupt("FAT sector list");
        owned[id] = 1;
    }

    fat_.resize(static_cast<size_t>(fatCount) * idsPerSector_);
    fatDirty_.assign(fatCount, 0);
    for (uint32_t i = 0; i < fatCount; ++i) {
        ReadSector(fatSectors_[i], sector.data());
        for (uint32_t j = 0; j < idsPerSector_; ++j)
            fat_[static_cast<size_t>(i) * idsPerSector_ + j] = GetLE32(sector.data() + 4 * j);
    }
    // The tables' own sectors must read as taken, or the allocator would hand them out.
    for (uint32_t id : fatSectors_) {
        if (id >= fat_.size())
            Corrupt("FAT does not cover its own sectors");
        if (fat_[id] != FatSect)
            SetFat(id, FatSect);
    }
    for (uint32_t id : difatSectors_) {
        if (id >= fat_.size())
            Corrupt("FAT does not cover the DIFAT");
        if (fat_[id] != DifSect)
            SetFat(id, DifSect);
    }
    // Claims past the end of the file belong to no chain (chains are bounded by the file below);
    // dropping them keeps a damaged table from growing the file on the next write.
    for (size_t i = limit; i < fat_.size(); ++i) {
        if (fat_[i] != FreeSect && fat_[i] != FatSect && fat_[i] != DifSect)
            SetFat(static_cast<uint32_t>(i), FreeSect);
    }

    const uint32_t chainLimit = static_cast<uint32_t>(std::min<size_t>(limit, fat_.size()));
    dirChain_ =
        WalkLoadedChain(GetLE32(h + HeaderAt::FirstDirSector), owned, chainLimit, fat_, "directory chain");
    if (dirChain_.empty())
        Corrupt("no directory");
    const uint32_t miniFatStart = GetLE32(h + HeaderAt::FirstMiniFatSector);
    if (miniFatStart != EndOfChain && miniFatStart != FreeSect)
        miniFatChain_ = WalkLoadedChain(miniFatStart, owned, chainLimit, fat_, "mini FAT chain");
    miniFat_.resize(miniFatChain_.size() * idsPerSector_);
    miniFatDirty_.assign(miniFatChain_.size(), 0);
    for (size_t i = 0; i < miniFatChain_.size(); ++i) {
        ReadSector(miniFatChain_[i], sector.data());
        for (uint32_t j = 0; j < idsPerSector_; ++j)
            miniFat_[i * idsPerSector_ + j] = GetLE32(sector.data() + 4 * j);
    }

    // Keep the ownership map for the stream chains checked after the directory.
    entries_.clear();
    dirDirty_.assign(dirChain_.size(), 0);
    ownedScratch_ = std::move(owned);
    chainLimit_ = chainLimit;
}

void Volume::ParseEntry(const uint8_t* p, DirEntry& e) const {
    const uint16_t nameBytes = GetLE16(p + EntryAt::NameLength);
    e.type = static_cast<EntryType>(p[66]);
    e.color = p[67];
    e.left = GetLE32(p + EntryAt::Left);
    e.right = GetLE32(p + EntryAt::Right);
    e.child = GetLE32(p + EntryAt::Child);
    e.clsid.D1 = GetLE32(p + EntryAt::Clsid);
    e.clsid.D2 = GetLE16(p + EntryAt::Clsid + 4);
    e.clsid.D3 = GetLE16(p + EntryAt::Clsid + 6);
    std::memcpy(e.clsid.D4.data(), p + EntryAt::Clsid + 8, 8);
    e.stateBits = GetLE32(p + EntryAt::StateBits);
    e.ctime = GetLE64(p + EntryAt::CreationTime);
    e.mtime = GetLE64(p + EntryAt::ModifiedTime);
    e.start = GetLE32(p + EntryAt::StartSector);
    e.size = GetLE64(p + EntryAt::Size);
    // Old writers left the high half of the size unset in version 3 files.
    if (major_ == 3)
        e.size &= 0xFFFFFFFFu;
    const int units = std::min<int>(nameBytes / 2, 32);
    char16_t name[32];
    int length = 0;
    while (length < units && (name[length] = GetLE16(p + 2 * length)) != 0)
        ++length;
    e.name = QString(reinterpret_cast<const QChar*>(name), length);
}

void Volume::LoadDirectory() {
    const uint32_t perSector = sectorSize_ / DirEntrySize;
    const uint64_t count = static_cast<uint64_t>(dirChain_.size()) * perSector;
    if (count > MaxRegSid)
        Corrupt("directory too large");
    entries_.resize(static_cast<size_t>(count));
    std::vector<uint8_t> sector(sectorSize_);
    for (size_t s = 0; s < dirChain_.size(); ++s) {
        ReadSector(dirChain_[s], sector.data());
        for (uint32_t k = 0; k < perSector; ++k) {
            DirEntry& e = entries_[s * perSector + k];
            ParseEntry(sector.data() + k * DirEntrySize, e);
            if (e.type != EntryType::Unallocated && e.type != EntryType::Storage &&
                e.type != EntryType::Stream && e.type != EntryType::Root)
                Corrupt("directory entry type");
        }
    }
    if (entries_[0].type != EntryType::Root)
        Corrupt("no root entry");

    // Walk every storage's sibling tree in order, without recursion: each entry may be reached once,
    // which rules out loops, shared subtrees and a second root.
    std::vector<uint8_t> reached(entries_.size(), 0);
    reached[0] = 1;
    std::vector<uint32_t> storages{0};
    std::vector<uint32_t> stack;
    while (!storages.empty()) {
        const uint32_t s = storages.back();
        storages.pop_back();
        std::vector<uint32_t> kids;
        uint32_t cur = entries_[s].child;
        stack.clear();
        while (cur != NoStream || !stack.empty()) {
            while (cur != NoStream) {
                if (cur >= entries_.size() || reached[cur])
                    Corrupt("directory tree");
                const EntryType t = entries_[cur].type;
                if (t != EntryType::Storage && t != EntryType::Stream)
                    Corrupt("directory tree entry type");
                reached[cur] = 1;
                stack.push_back(cur);
                cur = entries_[cur].left;
            }
            cur = stack.back();
            stack.pop_back();
            kids.push_back(cur);
            cur = entries_[cur].right;
        }
        // A sound tree gives its names in order already; only a damaged one is sorted.
        const auto byName = [this](uint32_t a, uint32_t b) {
            return CompareNames(entries_[a].name, entries_[b].name) < 0;
        };
        if (!std::is_sorted(kids.begin(), kids.end(), byName))
            std::stable_sort(kids.begin(), kids.end(), byName);
        for (size_t i = 0; i < kids.size(); ++i) {
            if (i > 0 && CompareNames(entries_[kids[i - 1]].name, entries_[kids[i]].name) == 0)
                Corrupt("two elements of one name");
            entries_[kids[i]].parent = s;
            if (entries_[kids[i]].type == EntryType::Storage)
                storages.push_back(kids[i]);
        }
        entries_[s].children = std::move(kids);
    }
    // Entries no tree reaches are left alone: they keep their sectors and are never reused.
    freeEntries_ = 0;
    for (size_t i = 1; i < entries_.size(); ++i) {
        if (entries_[i].type == EntryType::Unallocated)
            ++freeEntries_;
        if (!reached[i] && entries_[i].type == EntryType::Root)
            Corrupt("second root entry");
        if (reached[i] && entries_[i].type == EntryType::Storage) {
            entries_[i].start = 0;
            entries_[i].size = 0;
        }
    }
    reachedScratch_ = std::move(reached);
}

std::vector<uint32_t> Volume::ClaimStreamChain(uint32_t start, uint64_t size, bool mini,
                                               std::vector<uint8_t>& owned, const char* what) {
    const uint64_t units = DivUp(size, mini ? MiniSectorSize : sectorSize_);
    auto chain = mini ? WalkLoadedChain(start, owned, miniLimit_, miniFat_, what, units)
                      : WalkLoadedChain(start, owned, chainLimit_, fat_, what, units);
    if (chain.size() < units)
        Corrupt(mini ? "stream longer than its mini chain" : "stream longer than its chain");
    // Some writers let a chain run on past what its stream needs, into other streams' sectors;
    // ending it here keeps later growth from linking into them.
    if (mini && miniFat_[chain.back()] != EndOfChain)
        SetMiniFat(chain.back(), EndOfChain);
    else if (!mini && fat_[chain.back()] != EndOfChain)
        SetFat(chain.back(), EndOfChain);
    return chain;
}

void Volume::CheckStreams() {
    std::vector<uint8_t>& owned = ownedScratch_;
    DirEntry& root = entries_[0];
    if (major_ == 3 && root.size > MaxStreamSizeV3)
        Corrupt("mini stream size");
    if (root.size > 0)
        miniStreamChain_ = ClaimStreamChain(root.start, root.size, false, owned, "mini stream chain");
    else
        root.start = EndOfChain;
    const uint64_t miniCount = std::min<uint64_t>(DivUp(root.size, MiniSectorSize), miniFat_.size());
    const uint32_t miniLimit = static_cast<uint32_t>(miniCount);
    miniLimit_ = miniLimit;

    std::vector<uint8_t> miniOwned(miniLimit, 0);
    for (size_t i = 1; i < entries_.size(); ++i) {
        DirEntry& e = entries_[i];
        if (!reachedScratch_[i] || e.type != EntryType::Stream)
            continue;
        if (major_ == 3 && e.size > MaxStreamSizeV3)
            Corrupt("stream size");
        if (e.size == 0) {
            e.start = EndOfChain;
            continue;
        }
        if (e.size < MiniStreamCutoff)
            ClaimStreamChain(e.start, e.size, true, miniOwned, "mini stream chain");
        else
            ClaimStreamChain(e.start, e.size, false, owned, "stream chain");
    }

    // Free space is counted once the stream chains are ended: a stream's last sector may have been
    // marked free by the writer that let its chain run on.
    highWater_ = static_cast<uint32_t>(fat_.size());
    while (highWater_ > 0 && fat_[highWater_ - 1] == FreeSect)
        --highWater_;
    freeBelow_ = static_cast<uint32_t>(std::count(fat_.begin(), fat_.begin() + highWater_, FreeSect));
    freeHint_ = 0;
    // Mini FAT entries past the mini stream belong to nothing (chains are bounded by it).
    for (size_t i = miniLimit; i < miniFat_.size(); ++i) {
        if (miniFat_[i] != FreeSect)
            SetMiniFat(static_cast<uint32_t>(i), FreeSect);
    }
    miniHighWater_ = miniLimit;
    miniFreeBelow_ =
        static_cast<uint32_t>(std::count(miniFat_.begin(), miniFat_.begin() + miniLimit, FreeSect));
    miniFreeHint_ = 0;
    ownedScratch_ = {};
    reachedScratch_ = {};
    changeCount_ = 0;
    flushedCount_ = 0;
    // Repaired table marks of a writable file go out with the next flush.
    anyDirty_ = anyDirty_ && writable_;
}

std::unique_ptr<Volume> Volume::Create(std::unique_ptr<LockBytes> bytes) {
    std::unique_ptr<Volume> v(new Volume(std::move(bytes)));
    v->CheckWritable();
    v->bytes_->SetSize(0);
    uint32_t start = EndOfChain;
    v->AllocateSectorLinked(v->dirChain_, &start);
    const uint32_t perSector = v->sectorSize_ / DirEntrySize;
    v->entries_.resize(perSector);
    v->dirDirty_.assign(1, 1);
    DirEntry& root = v->entries_[0];
    root.name = QStringLiteral("Root Entry");
    root.type = EntryType::Root;
    root.color = 1;
    root.mtime = FileTimeNow();
    v->freeEntryHint_ = 1;
    v->freeEntries_ = perSector - 1;
    v->headerDirty_ = true;
    v->anyDirty_ = true;
    v->ready_ = true;
    v->Flush(false);
    return v;
}

// ---------------------------------------------------------------------------------------------------
// Directory

uint32_t Volume::FindChild(uint32_t storage, const QString& name) const {
    const auto& kids = entries_[storage].children;
    auto it = std::lower_bound(kids.begin(), kids.end(), name, [this](uint32_t id, const QString& n) {
        return CompareNames(entries_[id].name, n) < 0;
    });
    if (it != kids.end() && CompareNames(entries_[*it].name, name) == 0)
        return *it;
    return NoStream;
}

bool Volume::Contains(uint32_t ancestor, uint32_t id) const {
    // Parents were set from a checked tree, so this ends within the directory's size.
    for (size_t steps = 0; id != NoStream && steps <= entries_.size(); ++steps) {
        if (id == ancestor)
            return true;
        id = entries_[id].parent;
    }
    return false;
}

std::vector<uint32_t> Volume::Subtree(uint32_t id) const {
    std::vector<uint32_t> out{id};
    for (size_t i = 0; i < out.size(); ++i) {
        const DirEntry& e = entries_[out[i]];
        if (e.IsStorage())
            out.insert(out.end(), e.children.begin(), e.children.end());
    }
    return out;
}

void Volume::CheckWritable() const {
    if (!writable_)
        ThrowStorageError(STG_E_ACCESSDENIED);
}

void Volume::MarkEntry(uint32_t id) {
    dirDirty_[id / (sectorSize_ / DirEntrySize)] = 1;
    anyDirty_ = true;
}

void Volume::InsertChild(uint32_t storage, uint32_t id) {
    auto& kids = entries_[storage].children;
    const QString& name = entries_[id].name;
    auto it = std::lower_bound(kids.begin(), kids.end(), name, [this](uint32_t k, const QString& n) {
        return CompareNames(entries_[k].name, n) < 0;
    });
    kids.insert(it, id);
    entries_[id].parent = storage;
    treeDirty_.insert(storage);
    anyDirty_ = true;
}

void Volume::RemoveChild(uint32_t storage, uint32_t id) {
    auto& kids = entries_[storage].children;
    kids.erase(std::remove(kids.begin(), kids.end(), id), kids.end());
    treeDirty_.insert(storage);
    anyDirty_ = true;
}

uint32_t Volume::AllocateEntry() {
    for (uint32_t i = freeEntryHint_; freeEntries_ > 0 && i < entries_.size(); ++i) {
        if (entries_[i].type == EntryType::Unallocated) {
            freeEntryHint_ = i + 1;
            --freeEntries_;
            return i;
        }
    }
    if (entries_.size() + sectorSize_ / DirEntrySize > MaxRegSid)
        ThrowStorageError(STG_E_DOCFILETOOLARGE);
    uint32_t start = dirChain_.front();
    AllocateSectorLinked(dirChain_, &start);
    const uint32_t first = static_cast<uint32_t>(entries_.size());
    entries_.resize(entries_.size() + sectorSize_ / DirEntrySize);
    dirDirty_.push_back(1);
    headerDirty_ = true; // version 4 headers count directory sectors
    freeEntryHint_ = first + 1;
    freeEntries_ += sectorSize_ / DirEntrySize - 1;
    return first;
}

uint32_t Volume::AddChild(uint32_t storage, const QString& name, EntryType type) {
    CheckWritable();
    if (!IsValidName(name))
        ThrowStorageError(STG_E_INVALIDNAME, name);
    if (FindChild(storage, name) != NoStream)
        ThrowStorageError(STG_E_FILEALREADYEXISTS, name);
    const uint32_t id = AllocateEntry();
    DirEntry& e = entries_[id];
    e = DirEntry();
    e.name = name;
    e.type = type;
    if (type == EntryType::Storage) {
        e.ctime = FileTimeNow();
        e.mtime = e.ctime;
        e.start = 0;
    }
    InsertChild(storage, id);
    MarkEntry(id);
    ++changeCount_;
    return id;
}

std::vector<uint32_t> Volume::ChainOf(uint32_t start, bool mini) const {
    const std::vector<uint32_t>& table = mini ? miniFat_ : fat_;
    std::vector<uint32_t> chain;
    uint32_t id = start;
    while (id < table.size() && chain.size() <= table.size()) {
        chain.push_back(id);
        id = table[id];
    }
    return chain;
}

void Volume::Destroy(uint32_t id) {
    CheckWritable();
    if (id == 0 || id >= entries_.size() || entries_[id].type == EntryType::Unallocated)
        ThrowStorageError(STG_E_INVALIDPARAMETER);
    RemoveChild(entries_[id].parent, id);
    for (uint32_t victim : Subtree(id)) {
        DirEntry& e = entries_[victim];
        if (e.type == EntryType::Stream && e.size > 0) {
            const bool mini = e.size < MiniStreamCutoff;
            for (uint32_t s : ChainOf(e.start, mini)) {
                if (mini)
                    FreeMiniSector(s);
                else
                    FreeSector(s);
            }
        }
        treeDirty_.erase(victim);
        e = DirEntry();
        MarkEntry(victim);
        freeEntryHint_ = std::min(freeEntryHint_, victim);
        ++freeEntries_;
    }
    ++changeCount_;
}

void Volume::Move(uint32_t id, uint32_t newParent, const QString& newName) {
    CheckWritable();
    if (!IsValidName(newName))
        ThrowStorageError(STG_E_INVALIDNAME, newName);
    if (id == 0 || Contains(id, newParent))
        ThrowStorageError(STG_E_ACCESSDENIED, newName);
    const uint32_t existing = FindChild(newParent, newName);
    if (existing != NoStream && existing != id)
        ThrowStorageError(STG_E_FILEALREADYEXISTS, newName);
    RemoveChild(entries_[id].parent, id);
    entries_[id].name = newName;
    InsertChild(newParent, id);
    MarkEntry(id);
    ++changeCount_;
}

void Volume::SetClass(uint32_t id, const TGUID& clsid) {
    CheckWritable();
    if (entries_[id].clsid != clsid) {
        entries_[id].clsid = clsid;
        MarkEntry(id);
        ++changeCount_;
    }
}

void Volume::SetStateBits(uint32_t id, uint32_t bits, uint32_t mask) {
    CheckWritable();
    const uint32_t value = (entries_[id].stateBits & ~mask) | (bits & mask);
    if (value != entries_[id].stateBits) {
        entries_[id].stateBits = value;
        MarkEntry(id);
        ++changeCount_;
    }
}

void Volume::SetTimes(uint32_t id, uint64_t ctime, uint64_t mtime) {
    CheckWritable();
    DirEntry& e = entries_[id];
    // Streams and the root's creation time stay zero, as the format asks.
    if (e.type == EntryType::Stream)
        return;
    if (e.type == EntryType::Storage && ctime != 0)
        e.ctime = ctime;
    if (mtime != 0)
        e.mtime = mtime;
    MarkEntry(id);
    ++changeCount_;
}

// ---------------------------------------------------------------------------------------------------
// Allocation

void Volume::SetFat(uint32_t index, uint32_t value) {
    fat_[index] = value;
    fatDirty_[index / idsPerSector_] = 1;
    anyDirty_ = true;
}

void Volume::SetMiniFat(uint32_t index, uint32_t value) {
    miniFat_[index] = value;
    miniFatDirty_[index / idsPerSector_] = 1;
    anyDirty_ = true;
}

void Volume::AddFatSector() {
    const uint32_t id = highWater_;
    if (id >= MaxRegSect)
        ThrowStorageError(STG_E_DOCFILETOOLARGE);
    fat_.resize(fat_.size() + idsPerSector_, FreeSect);
    fatDirty_.push_back(1);
    fatSectors_.push_back(id);
    // The mark may fall in an older FAT sector that nothing else dirties: SetFat sees it written.
    SetFat(id, FatSect);
    ++highWater_;
    const size_t listed = HeaderDifatSlots + difatSectors_.size() * (idsPerSector_ - 1);
    if (fatSectors_.size() > listed) {
        const uint32_t difat = highWater_++;
        SetFat(difat, DifSect);
        difatSectors_.push_back(difat);
    }
    difatDirty_ = true;
    headerDirty_ = true;
    anyDirty_ = true;
}

std::vector<uint32_t> Volume::AllocateSectors(uint32_t count) {
    std::vector<uint32_t> out;
    out.reserve(count);
    // Reuse freed sectors first, lowest first.
    for (uint32_t i = freeHint_; freeBelow_ > 0 && out.size() < count && i < highWater_; ++i) {
        if (fat_[i] == FreeSect) {
            SetFat(i, EndOfChain);
            --freeBelow_;
            out.push_back(i);
            freeHint_ = i + 1;
        }
    }
    const uint64_t rest = count - out.size();
    if (rest == 0)
        return out;
    if (rest > MaxRegSect - highWater_)
        ThrowStorageError(STG_E_DOCFILETOOLARGE);
    // Grow the FAT before taking the run, so the new data sectors lie in one piece.
    while (highWater_ + rest > fat_.size())
        AddFatSector();
    if (highWater_ + rest > MaxRegSect)
        ThrowStorageError(STG_E_DOCFILETOOLARGE);
    for (uint64_t i = 0; i < rest; ++i) {
        const uint32_t id = highWater_++;
        SetFat(id, EndOfChain);
        out.push_back(id);
    }
    return out;
}

uint32_t Volume::AllocateSectorLinked(std::vector<uint32_t>& chain, uint32_t* start) {
    const uint32_t id = AllocateSectors(1).front();
    if (chain.empty())
        *start = id;
    else
        SetFat(chain.back(), id);
    SetFat(id, EndOfChain);
    chain.push_back(id);
    headerDirty_ = true;
    return id;
}

void Volume::FreeSector(uint32_t id) {
    if (id >= highWater_ || fat_[id] == FreeSect)
        return;
    SetFat(id, FreeSect);
    ++freeBelow_;
    freeHint_ = std::min(freeHint_, id);
}

void Volume::FreeMiniSector(uint32_t id) {
    if (id >= miniHighWater_ || miniFat_[id] == FreeSect)
        return;
    SetMiniFat(id, FreeSect);
    ++miniFreeBelow_;
    miniFreeHint_ = std::min(miniFreeHint_, id);
}

std::vector<uint32_t> Volume::AllocateMiniSectors(uint32_t count) {
    std::vector<uint32_t> out;
    out.reserve(count);
    for (uint32_t i = miniFreeHint_; miniFreeBelow_ > 0 && out.size() < count && i < miniHighWater_; ++i) {
        if (miniFat_[i] == FreeSect) {
            SetMiniFat(i, EndOfChain);
            --miniFreeBelow_;
            out.push_back(i);
            miniFreeHint_ = i + 1;
        }
    }
    const uint32_t rest = count - static_cast<uint32_t>(out.size());
    if (rest == 0)
        return out;
    const uint64_t end = static_cast<uint64_t>(miniHighWater_) + rest;
    if (end * MiniSectorSize > MaxStreamSizeV3)
        ThrowStorageError(STG_E_DOCFILETOOLARGE);
    uint32_t miniFatStart = miniFatChain_.empty() ? EndOfChain : miniFatChain_.front();
    while (end > miniFat_.size()) {
        AllocateSectorLinked(miniFatChain_, &miniFatStart);
        miniFat_.resize(miniFat_.size() + idsPerSector_, FreeSect);
        miniFatDirty_.push_back(1);
    }
    DirEntry& root = entries_[0];
    const uint32_t perSector = sectorSize_ / MiniSectorSize;
    while (end > static_cast<uint64_t>(miniStreamChain_.size()) * perSector)
        AllocateSectorLinked(miniStreamChain_, &entries_[0].start);
    for (uint32_t i = 0; i < rest; ++i) {
        const uint32_t id = miniHighWater_++;
        SetMiniFat(id, EndOfChain);
        out.push_back(id);
    }
    root.size = static_cast<uint64_t>(miniHighWater_) * MiniSectorSize;
    MarkEntry(0);
    return out;
}

// ---------------------------------------------------------------------------------------------------
// Stream data

StreamCursor Volume::OpenCursor(uint32_t id) const {
    StreamCursor c;
    c.id = id;
    const DirEntry& e = entries_[id];
    c.mini = e.size < MiniStreamCutoff;
    if (e.size > 0)
        c.chain = ChainOf(e.start, c.mini);
    return c;
}

uint64_t Volume::UnitOffset(bool mini, uint32_t id) const {
    if (!mini)
        return (static_cast<uint64_t>(id) + 1) << sectorShift_;
    const uint32_t perSector = sectorSize_ / MiniSectorSize;
    const uint32_t sector = miniStreamChain_[id / perSector];
    return ((static_cast<uint64_t>(sector) + 1) << sectorShift_) + (id % perSector) * MiniSectorSize;
}

template <typename Fn>
void Volume::ForEachRun(const StreamCursor& cursor, uint64_t pos, size_t count, Fn&& fn) const {
    // Neighbouring units that are neighbours in the file too are read or written in one call.
    const uint64_t unit = cursor.mini ? MiniSectorSize : sectorSize_;
    size_t index = static_cast<size_t>(pos / unit);
    uint64_t within = pos % unit;
    size_t done = 0;
    uint64_t runOffset = 0;
    size_t runStart = 0;
    size_t runLength = 0;
    while (done < count) {
        const uint64_t offset = UnitOffset(cursor.mini, cursor.chain[index]) + within;
        const size_t length = static_cast<size_t>(std::min<uint64_t>(unit - within, count - done));
        if (runLength > 0 && runOffset + runLength == offset && runLength < (64u << 20)) {
            runLength += length;
        } else {
            if (runLength > 0)
                fn(runOffset, runStart, runLength);
            runOffset = offset;
            runStart = done;
            runLength = length;
        }
        done += length;
        within = 0;
        ++index;
    }
    if (runLength > 0)
        fn(runOffset, runStart, runLength);
}

size_t Volume::ReadWhole(uint32_t id, void* buffer) {
    const DirEntry& e = entries_[id];
    const bool mini = e.size < MiniStreamCutoff;
    const std::vector<uint32_t>& table = mini ? miniFat_ : fat_;
    const uint64_t unit = mini ? MiniSectorSize : sectorSize_;
    auto* out = static_cast<uint8_t*>(buffer);
    // The chain was checked against the size when the file was loaded and is kept so by every
    // change; it is followed here without a list of its own, neighbouring units read at once.
    uint64_t done = 0;
    uint64_t runOffset = 0;
    uint64_t runStart = 0;
    uint64_t runLength = 0;
    const auto flush = [&] {
        const size_t got = bytes_->ReadAt(runOffset, out + runStart, static_cast<size_t>(runLength));
        if (got < runLength)
            std::memset(out + runStart + got, 0, static_cast<size_t>(runLength - got));
    };
    for (uint32_t at = e.start; done < e.size; at = table[at]) {
        if (at >= table.size() || (mini && at / (sectorSize_ / MiniSectorSize) >= miniStreamChain_.size()))
            Corrupt("stream longer than its chain");
        const uint64_t offset = UnitOffset(mini, at);
        const uint64_t length = std::min<uint64_t>(unit, e.size - done);
        if (runLength > 0 && runOffset + runLength == offset) {
            runLength += length;
        } else {
            if (runLength > 0)
                flush();
            runOffset = offset;
            runStart = done;
            runLength = length;
        }
        done += length;
    }
    if (runLength > 0)
        flush();
    return static_cast<size_t>(e.size);
}

size_t Volume::Read(const StreamCursor& cursor, uint64_t pos, void* buffer, size_t count) {
    const uint64_t size = entries_[cursor.id].size;
    if (pos >= size || count == 0)
        return 0;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(count, size - pos));
    auto* out = static_cast<uint8_t*>(buffer);
    ForEachRun(cursor, pos, n, [&](uint64_t offset, size_t at, size_t length) {
        const size_t got = bytes_->ReadAt(offset, out + at, length);
        if (got < length)
            std::memset(out + at + got, 0, length - got);
    });
    return n;
}

void Volume::WriteRaw(StreamCursor& cursor, uint64_t pos, const void* buffer, size_t count) {
    const auto* in = static_cast<const uint8_t*>(buffer);
    ForEachRun(cursor, pos, count,
               [&](uint64_t offset, size_t at, size_t length) { bytes_->WriteAt(offset, in + at, length); });
}

void Volume::ZeroRange(StreamCursor& cursor, uint64_t from, uint64_t to) {
    static const std::vector<uint8_t> zeros(CopyBlock, 0);
    while (from < to) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(to - from, zeros.size()));
        WriteRaw(cursor, from, zeros.data(), n);
        from += n;
    }
}

void Volume::SetUnitCount(StreamCursor& cursor, size_t units) {
    DirEntry& e = entries_[cursor.id];
    auto& chain = cursor.chain;
    if (units < chain.size()) {
        for (size_t i = units; i < chain.size(); ++i) {
            if (cursor.mini)
                FreeMiniSector(chain[i]);
            else
                FreeSector(chain[i]);
        }
        chain.resize(units);
        if (units == 0)
            e.start = EndOfChain;
        else if (cursor.mini)
            SetMiniFat(chain.back(), EndOfChain);
        else
            SetFat(chain.back(), EndOfChain);
    } else if (units > chain.size()) {
        const uint64_t more = units - chain.size();
        if (more > MaxRegSect)
            ThrowStorageError(STG_E_DOCFILETOOLARGE);
        const auto fresh = cursor.mini ? AllocateMiniSectors(static_cast<uint32_t>(more))
                                       : AllocateSectors(static_cast<uint32_t>(more));
        for (uint32_t id : fresh) {
            if (chain.empty())
                entries_[cursor.id].start = id;
            else if (cursor.mini)
                SetMiniFat(chain.back(), id);
            else
                SetFat(chain.back(), id);
            chain.push_back(id);
        }
        if (cursor.mini)
            SetMiniFat(chain.back(), EndOfChain);
        else
            SetFat(chain.back(), EndOfChain);
    }
    MarkEntry(cursor.id);
}

void Volume::SetLength(StreamCursor& cursor, uint64_t newSize) {
    CheckWritable();
    DirEntry& e = entries_[cursor.id];
    if (newSize > (major_ == 3 ? MaxStreamSizeV3 : (uint64_t(MaxRegSect) << sectorShift_)))
        ThrowStorageError(STG_E_DOCFILETOOLARGE);
    const uint64_t oldSize = e.size;
    const bool newMini = newSize < MiniStreamCutoff;
    if (oldSize > 0 && newSize > 0 && newMini != cursor.mini) {
        // Crossing the cut-off moves the bytes between the mini stream and regular sectors.
        const size_t keep = static_cast<size_t>(std::min(oldSize, newSize));
        std::vector<uint8_t> data(keep);
        Read(cursor, 0, data.data(), keep);
        SetUnitCount(cursor, 0);
        cursor.mini = newMini;
        SetUnitCount(cursor, static_cast<size_t>(DivUp(newSize, newMini ? MiniSectorSize : sectorSize_)));
        entries_[cursor.id].size = newSize;
        WriteRaw(cursor, 0, data.data(), keep);
        return;
    }
    if (newSize == 0) {
        SetUnitCount(cursor, 0);
        cursor.mini = true;
    } else {
        cursor.mini = newMini;
        SetUnitCount(cursor, static_cast<size_t>(DivUp(newSize, newMini ? MiniSectorSize : sectorSize_)));
    }
    entries_[cursor.id].size = newSize;
    MarkEntry(cursor.id);
}

void Volume::Write(StreamCursor& cursor, uint64_t pos, const void* buffer, size_t count) {
    CheckWritable();
    if (count == 0)
        return;
    if (pos > UINT64_MAX - count)
        ThrowStorageError(STG_E_DOCFILETOOLARGE);
    const uint64_t oldSize = entries_[cursor.id].size;
    const uint64_t end = pos + count;
    if (end > oldSize) {
        SetLength(cursor, end);
        if (pos > oldSize)
            ZeroRange(cursor, oldSize, pos);
    }
    WriteRaw(cursor, pos, buffer, count);
    ++changeCount_;
}

void Volume::Resize(StreamCursor& cursor, uint64_t newSize) {
    CheckWritable();
    const uint64_t oldSize = entries_[cursor.id].size;
    if (newSize == oldSize)
        return;
    SetLength(cursor, newSize);
    // Freed sectors may hold old bytes; a grown stream reads as zeros.
    if (newSize > oldSize)
        ZeroRange(cursor, oldSize, newSize);
    ++changeCount_;
}

// ---------------------------------------------------------------------------------------------------
// Writing

void Volume::RebuildTree(uint32_t storage) {
    // A tree built by halving the sorted names has every level full except the last; making the
    // nodes of a partly filled last level red gives a valid red-black tree.
    const std::vector<uint32_t>& kids = entries_[storage].children;
    const size_t n = kids.size();
    int height = 0;
    while ((size_t(1) << height) - 1 < n)
        ++height;
    const bool full = (size_t(1) << height) - 1 == n;
    auto build = [&](auto&& self, size_t lo, size_t hi, int depth) -> uint32_t {
        if (lo >= hi)
            return NoStream;
        const size_t mid = lo + (hi - lo) / 2;
        const uint32_t id = kids[mid];
        const uint32_t left = self(self, lo, mid, depth + 1);
        const uint32_t right = self(self, mid + 1, hi, depth + 1);
        const uint8_t color = (!full && depth == height - 1) ? 0 : 1;
        DirEntry& e = entries_[id];
        if (e.left != left || e.right != right || e.color != color) {
            e.left = left;
            e.right = right;
            e.color = color;
            MarkEntry(id);
        }
        return id;
    };
    const uint32_t top = build(build, 0, n, 0);
    if (entries_[storage].child != top) {
        entries_[storage].child = top;
        MarkEntry(storage);
    }
}

void Volume::SerializeEntry(const DirEntry& e, uint8_t* p) const {
    std::memset(p, 0, DirEntrySize);
    PutLE32(p + EntryAt::Left, e.type == EntryType::Unallocated ? NoStream : e.left);
    PutLE32(p + EntryAt::Right, e.type == EntryType::Unallocated ? NoStream : e.right);
    PutLE32(p + EntryAt::Child, e.type == EntryType::Unallocated ? NoStream : e.child);
    if (e.type == EntryType::Unallocated)
        return;
    const int units = static_cast<int>(std::min<qsizetype>(e.name.size(), MaxNameLength));
    for (int i = 0; i < units; ++i)
        PutLE16(p + 2 * i, e.name[i].unicode());
    PutLE16(p + EntryAt::NameLength, static_cast<uint16_t>((units + 1) * 2));
    p[66] = static_cast<uint8_t>(e.type);
    p[67] = e.color;
    PutLE32(p + EntryAt::Clsid, e.clsid.D1);
    PutLE16(p + EntryAt::Clsid + 4, e.clsid.D2);
    PutLE16(p + EntryAt::Clsid + 6, e.clsid.D3);
    std::memcpy(p + EntryAt::Clsid + 8, e.clsid.D4.data(), 8);
    PutLE32(p + EntryAt::StateBits, e.stateBits);
    PutLE64(p + EntryAt::CreationTime, e.type == EntryType::Storage ? e.ctime : 0);
    PutLE64(p + EntryAt::ModifiedTime, e.type == EntryType::Stream ? 0 : e.mtime);
    if (e.type == EntryType::Storage) {
        PutLE32(p + EntryAt::StartSector, 0);
        PutLE64(p + EntryAt::Size, 0);
    } else {
        PutLE32(p + EntryAt::StartSector, e.size == 0 ? EndOfChain : e.start);
        PutLE64(p + EntryAt::Size, e.size);
    }
}

void Volume::WriteHeader() {
    std::vector<uint8_t> h(sectorSize_, 0);
    std::memcpy(h.data(), Signature, 8);
    PutLE16(h.data() + HeaderAt::MinorVersion, MinorVersion);
    PutLE16(h.data() + HeaderAt::MajorVersion, major_);
    PutLE16(h.data() + HeaderAt::ByteOrder, ByteOrderMark);
    PutLE16(h.data() + HeaderAt::SectorShift, static_cast<uint16_t>(sectorShift_));
    PutLE16(h.data() + HeaderAt::MiniSectorShift, MiniSectorShift);
    PutLE32(h.data() + HeaderAt::DirSectorCount, major_ == 4 ? static_cast<uint32_t>(dirChain_.size()) : 0);
    PutLE32(h.data() + HeaderAt::FatSectorCount, static_cast<uint32_t>(fatSectors_.size()));
    PutLE32(h.data() + HeaderAt::FirstDirSector, dirChain_.front());
    PutLE32(h.data() + HeaderAt::MiniStreamCutoff, static_cast<uint32_t>(MiniStreamCutoff));
    PutLE32(h.data() + HeaderAt::FirstMiniFatSector,
            miniFatChain_.empty() ? EndOfChain : miniFatChain_.front());
    PutLE32(h.data() + HeaderAt::MiniFatSectorCount, static_cast<uint32_t>(miniFatChain_.size()));
    PutLE32(h.data() + HeaderAt::FirstDifatSector,
            difatSectors_.empty() ? EndOfChain : difatSectors_.front());
    PutLE32(h.data() + HeaderAt::DifatSectorCount, static_cast<uint32_t>(difatSectors_.size()));
    for (uint32_t i = 0; i < HeaderDifatSlots; ++i)
        PutLE32(h.data() + HeaderAt::Difat + 4 * i, i < fatSectors_.size() ? fatSectors_[i] : FreeSect);
    bytes_->WriteAt(0, h.data(), h.size());
}

void Volume::Flush(bool durable) {
    if (!writable_)
        return;
    if (!anyDirty_ && changeCount_ == flushedCount_) {
        bytes_->Flush(durable);
        return;
    }
    for (uint32_t storage : treeDirty_)
        RebuildTree(storage);
    treeDirty_.clear();
    if (changeCount_ != flushedCount_) {
        entries_[0].mtime = FileTimeNow();
        MarkEntry(0);
    }

    std::vector<uint8_t> sector(sectorSize_);
    auto sectorOffset = [this](uint32_t id) { return (static_cast<uint64_t>(id) + 1) << sectorShift_; };
    const uint32_t perSector = sectorSize_ / DirEntrySize;
    for (size_t s = 0; s < dirChain_.size(); ++s) {
        if (!dirDirty_[s])
            continue;
        for (uint32_t k = 0; k < perSector; ++k)
            SerializeEntry(entries_[s * perSector + k], sector.data() + k * DirEntrySize);
        bytes_->WriteAt(sectorOffset(dirChain_[s]), sector.data(), sectorSize_);
        dirDirty_[s] = 0;
    }
    auto writeTable = [&](const std::vector<uint32_t>& table, const std::vector<uint32_t>& where,
                          std::vector<uint8_t>& dirty) {
        for (size_t s = 0; s < where.size(); ++s) {
            if (!dirty[s])
                continue;
            for (uint32_t k = 0; k < idsPerSector_; ++k)
                PutLE32(sector.data() + 4 * k, table[s * idsPerSector_ + k]);
            bytes_->WriteAt(sectorOffset(where[s]), sector.data(), sectorSize_);
            dirty[s] = 0;
        }
    };
    writeTable(miniFat_, miniFatChain_, miniFatDirty_);
    writeTable(fat_, fatSectors_, fatDirty_);
    if (difatDirty_) {
        size_t next = HeaderDifatSlots;
        for (size_t s = 0; s < difatSectors_.size(); ++s) {
            for (uint32_t k = 0; k + 1 < idsPerSector_; ++k, ++next)
                PutLE32(sector.data() + 4 * k, next < fatSectors_.size() ? fatSectors_[next] : FreeSect);
            PutLE32(sector.data() + 4 * (idsPerSector_ - 1),
                    s + 1 < difatSectors_.size() ? difatSectors_[s + 1] : EndOfChain);
            bytes_->WriteAt(sectorOffset(difatSectors_[s]), sector.data(), sectorSize_);
        }
        difatDirty_ = false;
    }
    // Every allocated sector must lie inside the file, also those not written yet.
    const uint64_t needed = sectorOffset(highWater_);
    if (bytes_->Size() < needed)
        bytes_->SetSize(needed);
    WriteHeader();
    headerDirty_ = false;
    anyDirty_ = false;
    flushedCount_ = changeCount_;
    bytes_->Flush(durable);
}

} // namespace Cfb
