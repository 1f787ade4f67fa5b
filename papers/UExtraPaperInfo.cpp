#include "papers/UExtraPaperInfo.h"

#include "core/UDocStorage.h"
#include "pageobjects/engine/UDrawSite.h"
#include "papers/UPapers.h"
#include "platform/ClassRegistry.h"
#include "platform/ComponentReader.h"
#include "platform/ComponentWriter.h"
#include "platform/StringList.h"

#include <QHash>
#include <algorithm>

namespace {

const QString kImageInfoStream = QStringLiteral("ImageInfo");

QString DuplicateMessage(const QString& paperName) {
    return QStringLiteral("用紙情報更新エラー(%1)").arg(paperName);
}

std::unique_ptr<TExtraPaperInfo> CloneInfo(const TExtraPaperInfo& info) {
    return std::unique_ptr<TExtraPaperInfo>(static_cast<TExtraPaperInfo*>(CloneComponent(&info, nullptr)));
}

// Reads one info component; nullptr when the stream holds another kind of component.
std::unique_ptr<TExtraPaperInfo> ReadInfo(TDocStorage* storage, const QString& path) {
    TMemoryStream stream(ReadElementBytes(storage, path));
    std::unique_ptr<TComponent> component = ReadComponent(stream);
    if (dynamic_cast<TExtraPaperInfo*>(component.get()) == nullptr)
        return nullptr;
    return std::unique_ptr<TExtraPaperInfo>(static_cast<TExtraPaperInfo*>(component.release()));
}

// The paper an info stream is for, from its top-level values alone; false when that cannot be
// told without reading it (another class, a name of another kind), or it is no info.
bool PeekPaperName(const QByteArray& bytes, std::vector<TPeekedProperty>& properties,
                   QHash<QByteArray, bool>& infoClasses, QString& paperName) {
    QByteArrayView className;
    if (!PeekComponent(bytes, className, properties))
        return false;
    auto known = infoClasses.constFind(className.toByteArray());
    if (known == infoClasses.cend()) {
        const TMetaClass* meta = GetClass(QString::fromLatin1(className));
        known = infoClasses.insert(className.toByteArray(),
                                   meta != nullptr && meta->IsComponentClass() && !meta->IsAbstract() &&
                                       meta->InheritsFrom(TExtraPaperInfo::StaticClass()));
    }
    if (!known.value())
        return false;
    paperName.clear();
    for (const TPeekedProperty& property : properties)
        if (PeekedNameIs(property.Name, QLatin1StringView("PaperName")) && !PeekedText(property, paperName))
            return false;
    return true;
}

void WriteInfo(TDocStorage* storage, const QString& path, const TExtraPaperInfo& info) {
    WriteElementBytes(storage, path, ComponentBytes(&info));
}

} // namespace

// ---- element access

QByteArray ReadElementBytes(TDocStorage* storage, const QString& path) {
    // A stream of the storage itself needs no stream object (papers are read by the thousand).
    if (!path.contains(QLatin1Char('\\')))
        return storage->Storage()->ReadStreamBytes(path);
    TDocStream stream(storage, 0, path);
    return stream.ReadBytes(stream.GetSize());
}

void WriteElementBytes(TDocStorage* storage, const QString& path, const QByteArray& bytes) {
    TDocStream stream(storage, ModeCreate, path);
    stream.WriteBytes(bytes);
}

QByteArray ComponentBytes(const TComponent* component) {
    TMemoryStream stream;
    if (component != nullptr)
        TWriter(stream).WriteRootComponent(const_cast<TComponent*>(component));
    return stream.Data();
}

// ---- names

QString ElementNameOf(uint32_t number) {
    return QStringLiteral("$%1").arg(number, 8, 16, QLatin1Char('0')).toUpper();
}

uint32_t ElementNumberOf(const QString& name) {
    if (name.size() != 9 || name[0] != QLatin1Char('$'))
        return 0;
    // The names this system writes, without making a string of the digits.
    uint32_t number = 0;
    bool plain = true;
    for (qsizetype i = 1; i < 9 && plain; ++i) {
        const char16_t c = name[i].unicode();
        const int digit = c >= u'0' && c <= u'9'   ? c - u'0'
                          : c >= u'A' && c <= u'F' ? c - u'A' + 10
                          : c >= u'a' && c <= u'f' ? c - u'a' + 10
                                                   : -1;
        plain = digit >= 0;
        number = number << 4 | uint32_t(digit);
    }
    if (plain)
        return number;
    bool ok = false;
    const uint32_t parsed = name.mid(1).toUInt(&ok, 16);
    return ok ? parsed : 0;
}

uint32_t NextElementNumber(const QStringList& names) {
    uint32_t highest = 0;
    for (const QString& name : names)
        highest = std::max(highest, ElementNumberOf(name));
    // A damaged file may already hold the last number: wrap to a free one rather than overwrite.
    if (highest == UINT32_MAX) {
        for (uint32_t n = 1;; ++n)
            if (!names.contains(ElementNameOf(n)))
                return n;
    }
    return highest + 1;
}

QString NotSetText() {
    return QStringLiteral("未設定");
}

// ---- TExtraPaperInfo

void TExtraPaperInfo::DeclareProperties(TPropertyBuilder<TExtraPaperInfo>& p) {
    p.String("PaperName", &TExtraPaperInfo::PaperName, &TExtraPaperInfo::PaperName);
}

void TExtraPaperInfo::Assign(const TPersistent* source) {
    if (auto* info = dynamic_cast<const TExtraPaperInfo*>(source)) {
        PaperName = info->PaperName;
        return;
    }
    TComponent::Assign(source);
}

bool TExtraPaperInfo::IsEqual(const TExtraPaperInfo* other) const {
    return ComponentBytes(this) == ComponentBytes(other);
}

// ---- TExPaperInfo

void TExPaperInfo::DeclareProperties(TPropertyBuilder<TExPaperInfo>& p) {
    p.String("Purpose", &TExPaperInfo::Purpose, &TExPaperInfo::Purpose);
    p.String("Company", &TExPaperInfo::Company, &TExPaperInfo::Company);
    p.Integer("RoundSize", &TExPaperInfo::RoundSize, &TExPaperInfo::RoundSize).Default(0);
}

void TExPaperInfo::Assign(const TPersistent* source) {
    TExtraPaperInfo::Assign(source);
    if (auto* info = dynamic_cast<const TExPaperInfo*>(source)) {
        Purpose = info->Purpose;
        Company = info->Company;
        RoundSize = info->RoundSize;
    }
}

bool TExPaperInfo::IsEmpty() const {
    return Purpose.isEmpty() && Company.isEmpty() && RoundSize == 0;
}

// ---- TImagePaperInfo

TImagePaperInfo::TImagePaperInfo(TComponent* owner) : TExtraPaperInfo(owner) {}

TImagePaperInfo::~TImagePaperInfo() {
    ClearImages();
}

void TImagePaperInfo::DeclareProperties(TPropertyBuilder<TImagePaperInfo>& p) {
    p.Boolean("SeparatelyDesign", &TImagePaperInfo::SeparatelyDesign, &TImagePaperInfo::SeparatelyDesign)
        .Default(true);
    p.Integer("LabelCount", &TImagePaperInfo::LabelCount, &TImagePaperInfo::LabelCount).Default(0);
}

void TImagePaperInfo::Assign(const TPersistent* source) {
    TExtraPaperInfo::Assign(source);
    auto* info = dynamic_cast<const TImagePaperInfo*>(source);
    if (info == nullptr || info == this)
        return;
    SeparatelyDesign = info->SeparatelyDesign;
    LabelCount = info->LabelCount;
    ClearImages();
    lists_.resize(size_t(info->ImageListCount()));
    for (int i = 0; i < info->ImageListCount(); ++i)
        info->GetImageObjects(i, lists_[size_t(i)]);
}

bool TImagePaperInfo::IsEmpty() const {
    return std::all_of(lists_.begin(), lists_.end(), [](const auto& list) { return list.IsEmpty(); });
}

bool TImagePaperInfo::IsEqual(const TExtraPaperInfo* other) const {
    if (!TExtraPaperInfo::IsEqual(other))
        return false;
    auto* info = dynamic_cast<const TImagePaperInfo*>(other);
    TMemoryStream mine;
    TMemoryStream theirs;
    SaveImagesToStream(mine);
    if (info != nullptr)
        info->SaveImagesToStream(theirs);
    return mine.Data() == theirs.Data();
}

void TImagePaperInfo::ClearImages() {
    lists_.clear();
}

void TImagePaperInfo::GetImageObjects(int index, TOwnedDOList& list) const {
    list.FreeObjects();
    if (index < 0 || index >= ImageListCount())
        return;
    TMemoryStream stream;
    lists_[size_t(index)].SaveToStream(stream);
    stream.SetPosition(0);
    list.LoadFromStream(stream);
}

void TImagePaperInfo::GetImageObjectRefs(int index, TDOList& list) const {
    list.Clear();
    if (index >= 0 && index < ImageListCount())
        lists_[size_t(index)].ListObjects(list);
}

void TImagePaperInfo::TakeImageObjects(int index, TOwnedDOList& list) {
    list.FreeObjects();
    if (index < 0 || index >= ImageListCount())
        return;
    for (std::unique_ptr<TDrawObject>& object : lists_[size_t(index)].TakeAll())
        list.Add(std::move(object));
}

void TImagePaperInfo::SetImageObjects(int index, TOwnedDOList& list) {
    if (index < 0)
        return;
    if (ImageListCount() <= index)
        lists_.resize(size_t(index) + 1);
    TOwnedDOList& target = lists_[size_t(index)];
    target.FreeObjects();
    for (std::unique_ptr<TDrawObject>& object : list.TakeAll())
        target.Add(std::move(object));
}

void TImagePaperInfo::SaveImagesToStream(TStream& stream) const {
    for (const TOwnedDOList& list : lists_)
        list.SaveToStream(stream);
}

// ---- TExAlbumInfo

void TExAlbumInfo::DeclareProperties(TPropertyBuilder<TExAlbumInfo>& p) {
    using A = TExAlbumInfo;
    p.Integer("LeftMargin", &A::LeftMargin, &A::SetLeftMargin).Default(0);
    p.Boolean("CanReverse", &A::CanReverse, &A::CanReverse).Default(false);
    p.Boolean("LabelFixed", &A::LabelFixed, &A::LabelFixed).Default(false);
    p.String("PhotoSize", &A::PhotoSize, &A::PhotoSize);
    p.String("PaperMemo", &A::PaperMemo, &A::PaperMemo);
    p.Boolean("FullPaint", &A::FullPaint, &A::FullPaint).Default(false);
}

void TExAlbumInfo::SetLeftMargin(int value) {
    if (value >= 0)
        leftMargin_ = value;
}

void TExAlbumInfo::Assign(const TPersistent* source) {
    TExtraPaperInfo::Assign(source);
    if (auto* info = dynamic_cast<const TExAlbumInfo*>(source)) {
        leftMargin_ = info->leftMargin_;
        CanReverse = info->CanReverse;
        LabelFixed = info->LabelFixed;
        PhotoSize = info->PhotoSize;
        PaperMemo = info->PaperMemo;
        FullPaint = info->FullPaint;
    }
}

bool TExAlbumInfo::IsEmpty() const {
    return leftMargin_ == 0 && !CanReverse && !LabelFixed && PhotoSize.isEmpty() && PaperMemo.isEmpty() &&
           !FullPaint;
}

// ---- album tracks

void TTrackInfo::DeclareProperties(TPropertyBuilder<TTrackInfo>& p) {
    p.String("Title", &TTrackInfo::Title, &TTrackInfo::Title);
    p.String("Artist", &TTrackInfo::Artist, &TTrackInfo::Artist);
    p.String("Time", &TTrackInfo::Time, &TTrackInfo::Time);
    p.String("Album", &TTrackInfo::Album, &TTrackInfo::Album);
}

void TTrackInfo::Assign(const TPersistent* source) {
    if (auto* t = dynamic_cast<const TTrackInfo*>(source)) {
        Title = t->Title;
        Artist = t->Artist;
        Time = t->Time;
        Album = t->Album;
        return;
    }
    TCollectionItem::Assign(source);
}

TAlbumInfo::TAlbumInfo(TComponent* owner) : TComponent(owner), tracks_(std::make_unique<TTracks>(this)) {}

TAlbumInfo::~TAlbumInfo() = default;

void TAlbumInfo::DeclareProperties(TPropertyBuilder<TAlbumInfo>& p) {
    p.String("Title", &TAlbumInfo::Title, &TAlbumInfo::Title);
    p.String("Artist", &TAlbumInfo::Artist, &TAlbumInfo::Artist);
    p.Integer("TrackCount", &TAlbumInfo::TrackCount, nullptr);
    p.Collection("Tracks", &TAlbumInfo::Tracks);
}

// ---- TExInfoBase

TExtraInfoBase::~TExtraInfoBase() = default;

TExInfoBase::~TExInfoBase() = default;

std::unique_ptr<TExtraInfoBase> TExInfoBase::CreateEmpty() const {
    return std::make_unique<TExInfoBase>(Name());
}

void TExInfoBase::SetStorage(TDocStorage* storage) {
    storage_ = storage;
    streamNames_.clear();
    cache_.clear();
    problems_.clear();
    highestValid_ = false;
    QStringList reported;
    std::vector<TPeekedProperty> properties;
    QHash<QByteArray, bool> infoClasses;
    // Indexed by the paper's name alone; each info is read when first asked for.
    storage_->Storage()->ReadStreams([&](const QString& name, const QByteArray& bytes) {
        streamNames_.append(name);
        std::unique_ptr<TExtraPaperInfo> info;
        QString paperName;
        try {
            if (!PeekPaperName(bytes, properties, infoClasses, paperName)) {
                TMemoryStream stream(bytes);
                std::unique_ptr<TComponent> component = ReadComponent(stream);
                if (dynamic_cast<TExtraPaperInfo*>(component.get()) == nullptr)
                    return;
                info.reset(static_cast<TExtraPaperInfo*>(component.release()));
                paperName = info->PaperName;
            }
        } catch (const Exception& e) {
            problems_.append(QStringLiteral("%1\\%2: %3").arg(Name(), name, e.Message()));
            return;
        }
        auto found = cache_.find(paperName);
        if (found != cache_.end()) {
            found->second.extra.append(name);
            if (!reported.contains(paperName)) {
                reported.append(paperName);
                problems_.append(DuplicateMessage(paperName));
            }
            return;
        }
        const bool read = info != nullptr;
        cache_.emplace(paperName, Entry{name, std::move(info), read, {}});
    });
}

const TExtraPaperInfo* TExInfoBase::Info(const Entry& entry) const {
    if (!entry.read) {
        entry.read = true;
        try {
            entry.info = ReadInfo(storage_, entry.stream);
        } catch (const Exception& e) {
            problems_.append(QStringLiteral("%1\\%2: %3").arg(Name(), entry.stream, e.Message()));
        }
    }
    return entry.info.get();
}

QString TExInfoBase::FindStream(const QString& paperName) const {
    auto found = cache_.find(paperName);
    return found == cache_.end() ? QString() : found->second.stream;
}

void TExInfoBase::Remove(const QString& paperName) {
    auto found = cache_.find(paperName);
    if (found == cache_.end())
        return;
    QStringList streams = found->second.extra;
    streams.prepend(found->second.stream);
    for (const QString& stream : streams) {
        storage_->DeleteElement(stream);
        streamNames_.removeAll(stream);
        if (highestValid_ && ElementNumberOf(stream) == highest_)
            highestValid_ = false;
    }
    cache_.erase(found);
}

void TExInfoBase::Delete(const QString& paperName) {
    if (storage_ != nullptr)
        Remove(paperName);
}

void TExInfoBase::Store(const TExtraPaperInfo& info) {
    if (storage_ == nullptr)
        return;
    Remove(info.PaperName);
    if (info.IsEmpty())
        return;
    if (!highestValid_) {
        highest_ = 0;
        for (const QString& stream : streamNames_)
            highest_ = std::max(highest_, ElementNumberOf(stream));
        highestValid_ = true;
    }
    const uint32_t number = highest_ == UINT32_MAX ? NextElementNumber(streamNames_) : highest_ + 1;
    const QString name = ElementNameOf(number);
    WriteInfo(storage_, name, info);
    streamNames_.append(name);
    highest_ = std::max(highest_, number);
    cache_.emplace(info.PaperName, Entry{name, CloneInfo(info), true, {}});
}

std::unique_ptr<TExtraPaperInfo> TExInfoBase::GetInfo(const QString& paperName) {
    const TExtraPaperInfo* info = PeekInfo(paperName);
    return info == nullptr ? nullptr : CloneInfo(*info);
}

const TExtraPaperInfo* TExInfoBase::PeekInfo(const QString& paperName) const {
    auto found = cache_.find(paperName);
    return found == cache_.end() ? nullptr : Info(found->second);
}

std::unique_ptr<TExtraPaperInfo> TExInfoBase::Load(int index) {
    if (storage_ == nullptr || index < 0 || index >= GetCount() ||
        !storage_->StreamExists(streamNames_[index]))
        return nullptr;
    return ReadInfo(storage_, streamNames_[index]);
}

// ---- TImageInfoBase

TImageInfoBase::~TImageInfoBase() = default;

std::unique_ptr<TExtraInfoBase> TImageInfoBase::CreateEmpty() const {
    return std::make_unique<TImageInfoBase>(Name());
}

void TImageInfoBase::SetStorage(TDocStorage* storage) {
    storage_ = storage;
    index_.clear();
    problems_.clear();
    TStringList names;
    storage_->GetStorageNames(names);
    storageNames_ = names.ToQStringList();
    for (const QString& name : storageNames_) {
        std::unique_ptr<TExtraPaperInfo> info;
        try {
            info = ReadEntry(name, false);
        } catch (const Exception& e) {
            problems_.append(QStringLiteral("%1\\%2: %3").arg(Name(), name, e.Message()));
            continue;
        }
        if (info == nullptr)
            continue;
        QStringList& entries = index_[info->PaperName];
        if (entries.size() == 1)
            problems_.append(DuplicateMessage(info->PaperName));
        entries.append(name);
    }
}

std::unique_ptr<TExtraPaperInfo> TImageInfoBase::ReadEntry(const QString& storageName, bool withImages) {
    TDocStorage folder(storage_, storageName, false);
    std::unique_ptr<TExtraPaperInfo> info = ReadInfo(&folder, kImageInfoStream);
    auto* images = dynamic_cast<TImagePaperInfo*>(info.get());
    if (!withImages || images == nullptr)
        return info;
    TStringList streams;
    folder.GetStreamNames(streams);
    QStringList listNames = streams.ToQStringList();
    listNames.removeAll(kImageInfoStream);
    std::sort(listNames.begin(), listNames.end());
    for (int i = 0; i < listNames.size(); ++i) {
        TMemoryStream stream(ReadElementBytes(&folder, listNames[i]));
        TOwnedDOList list;
        list.LoadFromStream(stream);
        images->SetImageObjects(i, list);
    }
    return info;
}

void TImageInfoBase::Remove(const QString& paperName) {
    auto found = index_.find(paperName);
    if (found == index_.end())
        return;
    for (const QString& name : found->second) {
        storage_->DeleteElement(name);
        storageNames_.removeAll(name);
    }
    index_.erase(found);
}

void TImageInfoBase::Delete(const QString& paperName) {
    if (storage_ != nullptr)
        Remove(paperName);
}

void TImageInfoBase::Store(const TExtraPaperInfo& info) {
    if (storage_ == nullptr)
        return;
    Remove(info.PaperName);
    if (info.IsEmpty())
        return;
    const QString name = ElementNameOf(NextElementNumber(storageNames_));
    TDocStorage folder(storage_, name, true);
    WriteInfo(&folder, kImageInfoStream, info);
    if (auto* images = dynamic_cast<const TImagePaperInfo*>(&info)) {
        for (int i = 0; i < images->ImageListCount(); ++i) {
            TDOList list;
            images->GetImageObjectRefs(i, list);
            TMemoryStream stream;
            list.SaveToStream(stream);
            WriteElementBytes(&folder, ElementNameOf(uint32_t(i) + 1), stream.Data());
        }
    }
    storageNames_.append(name);
    index_[info.PaperName].append(name);
}

std::unique_ptr<TExtraPaperInfo> TImageInfoBase::GetInfo(const QString& paperName) {
    auto found = index_.find(paperName);
    if (found == index_.end() || found->second.isEmpty())
        return nullptr;
    return ReadEntry(found->second.first(), true);
}

std::unique_ptr<TExtraPaperInfo> TImageInfoBase::Load(int index) {
    if (storage_ == nullptr || index < 0 || index >= GetCount() ||
        !storage_->StorageExists(storageNames_[index]))
        return nullptr;
    return ReadEntry(storageNames_[index], true);
}

// ---- lists

void GetCompanyAndPurposeLists(TPapersV2& papers, TStringList& companies, TStringList& purposes) {
    companies.Assign(papers.GetCompanyList());
    bool notSetAdded = false;
    for (int i = 0; i < papers.GetCount(); ++i) {
        std::unique_ptr<TExtraPaperInfo> info =
            papers.GetExtraInfo(kExtraInfosTable, papers.PeekPaper(i).PaperName);
        auto* extra = dynamic_cast<TExPaperInfo*>(info.get());
        if (extra == nullptr) {
            if (!notSetAdded) {
                notSetAdded = true;
                if (companies.IndexOf(NotSetText()) < 0)
                    companies.Add(NotSetText());
            }
            continue;
        }
        if (companies.IndexOf(extra->Company) < 0)
            companies.Add(extra->Company);
        if (purposes.IndexOf(extra->Purpose) < 0)
            purposes.Add(extra->Purpose);
    }
}

void RegisterExtraInfoClasses() {
    RegisterClasses({&TExPaperInfo::StaticClass(), &TImagePaperInfo::StaticClass(),
                     &TExAlbumInfo::StaticClass(), &TAlbumInfo::StaticClass()});
}
