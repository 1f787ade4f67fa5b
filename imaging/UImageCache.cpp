#include "imaging/UImageCache.h"

#include "core/UDocStorage.h"
#include "core/UPathUtil.h"
#include "core/USupportUtil.h"
#include "imaging/UPictureEX.h"
#include "platform/CompoundFile.h"
#include "platform/Stream.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstdio>
#include <sys/stat.h>

namespace {

// Open modes of the cache file.
constexpr uint16_t kModeReadShared = 0x20; // read, deny write to others
constexpr uint16_t kModeReadWrite = 0x12;  // read/write, exclusive
constexpr uint16_t kModeEntryRead = 0x10;  // read, exclusive
constexpr int kMaxElementLength = 31;      // units of an element name
constexpr int kShortPrefixLength = 13;     // units kept of a shortened element
constexpr int kHashBytes = 8;              // 16 hex digits
constexpr int kMaxKeyDepth = 64;           // storages along a key; deeper paths are not kept
constexpr int64_t kFileTimeUnixOffset = 116444736000000000LL; // 1601 to 1970 in 100-ns ticks
constexpr QChar kEscape = u'?';

// Codes that say the file itself is not a sound compound file.
bool IsDamagedFileCode(HRESULT code) {
    return code == STG_E_DOCFILECORRUPT || code == STG_E_INVALIDHEADER || code == STG_E_FILEALREADYEXISTS ||
           code == STG_E_READFAULT || code == STG_E_SEEKERROR;
}

// One escaped unit per character whose case or meaning the file would lose: lower-case ASCII,
// digits and caseless characters stay; "?" starts every escape, so no escape can be mistaken for
// a plain character and no two escapes compare equal without regard to case.
void AppendEscaped(QString& out, QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'A' && u <= u'Z') {
        out += kEscape;
        out += QChar(u - u'A' + u'a');
    } else if (u == u'?') {
        out += QStringLiteral("??");
    } else if (u == u':') {
        out += QStringLiteral("?0");
    } else if (u == u'!') {
        out += QStringLiteral("?1");
    } else if (u == u'*') {
        out += QStringLiteral("?2");
    } else if (u == u'\\') {
        out += QStringLiteral("?3");
    } else if (u >= 0x80 && (QChar::toUpper(u) != u || QChar::toLower(u) != u)) {
        out += QStringLiteral("?4") + QStringLiteral("%1").arg(uint(u), 4, 16, QLatin1Char('0'));
    } else {
        out += c;
    }
}

// Length in units of the escape starting at pos of an escaped text.
int EscapeLength(const QString& escaped, qsizetype pos) {
    if (escaped[pos] != kEscape || pos + 1 >= escaped.size())
        return 1;
    return escaped[pos + 1] == u'4' ? 6 : 2;
}

QString EscapeElement(const QString& element) {
    QString escaped;
    for (QChar c : element)
        AppendEscaped(escaped, c);
    if (escaped.size() <= kMaxElementLength)
        return escaped;
    // Longer elements are shortened: a prefix cut between escapes, the marker "?~"
    // that no escaped text holds, and a hash of the whole element.
    QString prefix;
    qsizetype pos = 0;
    while (pos < escaped.size()) {
        const int length = EscapeLength(escaped, pos);
        if (prefix.size() + length > kShortPrefixLength)
            break;
        prefix += escaped.mid(pos, length);
        pos += length;
    }
    const QByteArray hash =
        QCryptographicHash::hash(element.toUtf8(), QCryptographicHash::Sha256).left(kHashBytes);
    return prefix + QStringLiteral("?~") + QString::fromLatin1(hash.toHex());
}

} // namespace

bool GetFileStamp(const QString& fileName, uint32_t& size, int64_t& time) {
    struct stat st {};
    if (fileName.isEmpty() || ::stat(QFile::encodeName(fileName).constData(), &st) != 0)
        return false;
    size = uint32_t(uint64_t(st.st_size));
    time = int64_t(st.st_mtim.tv_sec) * 10000000 + st.st_mtim.tv_nsec / 100 + kFileTimeUnixOffset;
    return true;
}

// ---- TImageCacheItem

TImageCacheItem::TImageCacheItem(TComponent* owner)
    : TComponent(owner), picture_(std::make_unique<TPictureEx>()) {}

TImageCacheItem::~TImageCacheItem() = default;

void TImageCacheItem::DeclareProperties(TPropertyBuilder<TImageCacheItem>& p) {
    p.Object("Picture", &TImageCacheItem::Picture);
    p.Int64("Size", &TImageCacheItem::SizeAsInt64, &TImageCacheItem::SetSizeFromInt64);
    p.Int64("Time", &TImageCacheItem::Time, &TImageCacheItem::SetTime);
}

void TImageCacheItem::SetPicture(TPicture* value) {
    picture_->Assign(value);
}

bool TImageCacheItem::IsValidFor(const QString& fileName) const {
    if (IsPictureEmpty(picture_.get()))
        return false;
    uint32_t size = 0;
    int64_t time = 0;
    return GetFileStamp(fileName, size, time) && size == size_ && time == time_;
}

bool TImageCacheItem::SetSourceFile(const QString& fileName) {
    picture_->SetGraphic(nullptr);
    uint32_t size = 0;
    int64_t time = 0;
    if (!GetFileStamp(fileName, size, time))
        return false;
    size_ = size;
    time_ = time;
    return true;
}

void TImageCacheItem::ReadEntry(TStream& stream) {
    const int32_t flag = stream.ReadInt32();
    TPictureEx picture;
    uint32_t size = 0;
    int64_t time = 0;
    if (flag <= 0) {
        size = stream.ReadUInt32();
        time = int64_t(stream.ReadUInt64());
        picture.LoadFromStream(stream);
    }
    picture_->Assign(&picture);
    size_ = size;
    time_ = time;
}

void TImageCacheItem::WriteEntry(TStream& stream) const {
    stream.WriteInt32(0);
    stream.WriteUInt32(size_);
    stream.WriteUInt64(uint64_t(time_));
    picture_->SaveToStream(stream);
}

// ---- keys

QString ImageCacheKey(const QString& fileName) {
    const QStringList elements = fileName.split(PathDelim, Qt::SkipEmptyParts);
    if (elements.isEmpty() || elements.size() > kMaxKeyDepth)
        return QString();
    QStringList escaped;
    for (const QString& element : elements)
        escaped << EscapeElement(element);
    return escaped.join(ElementDelim);
}

QString LegacyImageCacheKey(const QString& fileName) {
    QString key = fileName;
    key.replace(u':', QStringLiteral("?Drive"));
    key.replace(u'!', u'*');
    return key;
}

QString DefaultImageCacheFile() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    const QString folder = JoinPath(base, QStringLiteral("Quorlane"));
    if (!QFileInfo::exists(folder) && QDir().mkpath(folder))
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return JoinPath(folder, QStringLiteral("ImageCache.ic"));
}

// ---- TImageCacheStorage

TImageCacheStorage::TImageCacheStorage() = default;

TImageCacheStorage::~TImageCacheStorage() {
    Close();
}

void TImageCacheStorage::Open(const QString& fileName, bool readOnly) {
    std::lock_guard<std::mutex> guard(lock_);
    fileName_ = fileName;
    readOnly_ = readOnly;
    storage_.reset();
    OpenLocked();
}

void TImageCacheStorage::OpenLocked() {
    storage_.reset();
    if (fileName_.isEmpty())
        return;
    if (readOnly_) {
        try {
            storage_ = std::make_unique<TFileStorage>(fileName_, kModeReadShared);
        } catch (const Exception&) {
        }
        return;
    }
    if (QFileInfo::exists(fileName_)) {
        try {
            storage_ = std::make_unique<TFileStorage>(fileName_, kModeReadWrite);
            return;
        } catch (const EOleSysError& e) {
            if (!IsDamagedFileCode(e.ErrorCode()))
                return; // locked or not ours to change: no cache this time
        } catch (const Exception&) {
            return;
        }
        SetAsideLocked();
        return;
    }
    try {
        storage_ = std::make_unique<TFileStorage>(fileName_, ModeCreate);
    } catch (const Exception&) {
    }
}

void TImageCacheStorage::SetAsideLocked() {
    storage_.reset();
    SetAsideDamagedFile(fileName_);
    if (QFileInfo::exists(fileName_))
        return;
    try {
        storage_ = std::make_unique<TFileStorage>(fileName_, ModeCreate);
    } catch (const Exception&) {
    }
}

void TImageCacheStorage::Close() {
    std::lock_guard<std::mutex> guard(lock_);
    storage_.reset();
}

void TImageCacheStorage::Clear() {
    std::lock_guard<std::mutex> guard(lock_);
    if (readOnly_ || fileName_.isEmpty())
        return;
    storage_.reset();
    QFile::remove(fileName_);
    OpenLocked();
}

bool TImageCacheStorage::IsOpen() const {
    std::lock_guard<std::mutex> guard(lock_);
    return storage_ != nullptr;
}

QString TImageCacheStorage::FileName() const {
    std::lock_guard<std::mutex> guard(lock_);
    return fileName_;
}

bool TImageCacheStorage::ReadOnly() const {
    std::lock_guard<std::mutex> guard(lock_);
    return readOnly_;
}

int32_t TImageCacheStorage::LimitMB() const {
    std::lock_guard<std::mutex> guard(lock_);
    return limitMB_;
}

bool TImageCacheStorage::LoadItem(const QString& fileName, TImageCacheItem& item) {
    std::lock_guard<std::mutex> guard(lock_);
    if (!storage_)
        return false;
    QStringList keys{ImageCacheKey(fileName)};
    // Folder caches made elsewhere keep bare names as they were.
    if (readOnly_ && !fileName.contains(PathDelim))
        keys << LegacyImageCacheKey(fileName);
    for (const QString& key : keys) {
        if (key.isEmpty())
            continue;
        std::unique_ptr<TDocStream> stream;
        try {
            stream = std::make_unique<TDocStream>(storage_.get(), kModeEntryRead, key);
        } catch (const EOleSysError& e) {
            if (IsDamagedFileCode(e.ErrorCode())) {
                if (readOnly_)
                    storage_.reset();
                else
                    SetAsideLocked();
                return false;
            }
            continue;
        } catch (const Exception&) {
            continue;
        }
        try {
            item.ReadEntry(*stream);
            return true;
        } catch (const std::exception&) {
            stream.reset();
            if (!readOnly_) {
                try {
                    storage_->DeleteElement(key);
                    storage_->Storage()->Commit();
                } catch (const Exception&) {
                    SetAsideLocked();
                }
            }
            return false;
        }
    }
    return false;
}

int64_t TImageCacheStorage::FileSizeLocked() const {
    return QFileInfo(fileName_).size();
}

bool TImageCacheStorage::SaveItem(const QString& fileName, const TImageCacheItem& item) {
    std::lock_guard<std::mutex> guard(lock_);
    if (!storage_ || readOnly_ || FileSizeLocked() / kBytesPerMB >= limitMB_)
        return false;
    const QString key = ImageCacheKey(fileName);
    if (key.isEmpty())
        return false;
    // A file found broken while writing is set aside, and the entry goes into the fresh one.
    for (int attempt = 0; attempt < 2 && storage_; ++attempt) {
        try {
            {
                TDocStream stream(storage_.get(), ModeCreate, key);
                item.WriteEntry(stream);
            }
            storage_->Storage()->Commit();
            return true;
        } catch (const EOleSysError& e) {
            if (IsDamagedFileCode(e.ErrorCode())) {
                SetAsideLocked();
                continue;
            }
        } catch (const std::exception&) {
        }
        // Not written whole (disk full, say): nothing half-written stays behind.
        try {
            storage_->DeleteElement(key);
            storage_->Storage()->Commit();
        } catch (const Exception&) {
        }
        return false;
    }
    return false;
}

namespace {

// Deletes elements of storage until excess (bytes) has gone below zero: sub-storages first, each
// purged depth first and deleted when it was emptied, then streams. True when everything listed
// was processed (the storage is then empty).
bool Purge(CompoundStorage& storage, int64_t& excess, int depth) {
    if (excess <= 0)
        return false;
    const std::vector<STATSTG> elements = storage.EnumElements();
    bool all = true;
    for (const STATSTG& e : elements) {
        if (e.type != STGTY_STORAGE)
            continue;
        if (excess < 0) {
            all = false;
            break;
        }
        bool emptied = true;
        if (depth < kMaxKeyDepth) {
            CompoundStoragePtr sub = storage.OpenStorage(e.name, STGM_READWRITE | STGM_SHARE_EXCLUSIVE);
            emptied = Purge(*sub, excess, depth + 1);
        }
        if (emptied)
            storage.DestroyElement(e.name);
    }
    if (excess > 0) {
        for (const STATSTG& e : elements) {
            if (e.type != STGTY_STREAM)
                continue;
            if (excess < 0) {
                all = false;
                break;
            }
            excess -= int64_t(std::min<uint64_t>(e.size, uint64_t(INT64_MAX)));
            storage.DestroyElement(e.name);
        }
    } else {
        for (const STATSTG& e : elements)
            if (e.type == STGTY_STREAM)
                all = false;
    }
    return all;
}

} // namespace

bool TImageCacheStorage::PurgeAndCompactLocked(int64_t excess) {
    try {
        Purge(*storage_->Storage(), excess, 0);
        storage_->Storage()->Commit();
    } catch (const EOleSysError& e) {
        if (IsDamagedFileCode(e.ErrorCode()))
            SetAsideLocked();
        return false;
    } catch (const Exception&) {
        return false;
    }
    // Compaction writes a finished copy beside the cache and renames it over the cache only then,
    // so a failure on the way leaves the old file.
    const QString copyName = fileName_ + u'$';
    try {
        {
            CompoundStoragePtr copy =
                StgCreateDocfile(copyName, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE);
            storage_->Storage()->CopyTo(*copy);
            copy->Commit(true);
        }
        storage_.reset();
        if (std::rename(QFile::encodeName(copyName).constData(), QFile::encodeName(fileName_).constData()) !=
            0)
            QFile::remove(copyName);
    } catch (const Exception&) {
        QFile::remove(copyName);
        if (storage_)
            return false;
    }
    OpenLocked();
    return true;
}

void TImageCacheStorage::Shrink(int32_t limitMB) {
    std::lock_guard<std::mutex> guard(lock_);
    limitMB_ = limitMB;
    if (!storage_ || readOnly_)
        return;
    const int64_t excess = FileSizeLocked() - int64_t(limitMB) * kBytesPerMB;
    if (excess > 0)
        PurgeAndCompactLocked(excess);
}
