#include "papers/UPapers.h"

#include "core/UDocStorage.h"
#include "platform/ClassRegistry.h"
#include "platform/ComponentReader.h"
#include "platform/ComponentResource.h"
#include "platform/ComponentWriter.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

const QString kExtraInfosTable = QStringLiteral("ExtraInfos");
const QString kPaperImagesTable = QStringLiteral("PaperImages");
const QString kExtraAlbumInfoTable = QStringLiteral("ExtraAlbumInfo");

namespace {

const QString kPapersStorage = QStringLiteral("Papers");
const QString kPurposeListStream = QStringLiteral("PurposeList\\PurposeList");
const QString kUpdateInfoStream = QStringLiteral("UpdateInfo\\UpdateInfo");
const QString kCompanyList = QStringLiteral("CompanyList");
const QString kGroupList = QStringLiteral("GroupList");
const QString kGlobalInfo = QStringLiteral("GlobalInfo\\");

// The first byte of a component-resource header.
constexpr uint8_t kResourceHeaderMark = 0xFF;

std::unique_ptr<TPaperInfo> ClonePaper(const TPaperInfo& paper) {
    return std::unique_ptr<TPaperInfo>(static_cast<TPaperInfo*>(CloneComponent(&paper, nullptr)));
}

// A plain component stream, or one behind a component-resource header.
std::unique_ptr<TPaperInfo> ReadPaper(TStream& stream) {
    uint8_t first = 0;
    if (stream.Read(&first, 1) == 1 && first == kResourceHeaderMark) {
        stream.SetPosition(0);
        ReadResHeader(stream);
    } else {
        stream.SetPosition(0);
    }
    return ReadComponentAs<TPaperInfo>(stream);
}

} // namespace

// ---- TPaperUpdate

void TPaperUpdate::DeclareProperties(TPropertyBuilder<TPaperUpdate>& p) {
    p.Integer("PPRNo", &TPaperUpdate::PPRNo, &TPaperUpdate::PPRNo);
    p.Float("LastUpdate", &TPaperUpdate::LastUpdate, &TPaperUpdate::LastUpdate, TFloatType::DateTime);
}

void TPaperUpdate::Assign(const TPersistent* source) {
    if (auto* update = dynamic_cast<const TPaperUpdate*>(source)) {
        PPRNo = update->PPRNo;
        LastUpdate = update->LastUpdate;
        return;
    }
    TComponent::Assign(source);
}

// ---- TPapers

TPapers::TPapers(const QString& fileName, bool readOnly) : readOnly_(readOnly), saveFile_(fileName) {
    Open(fileName);
}

TPapers::TPapers(const QString& sourceFile, const QString& saveFile) : readOnly_(false), saveFile_(saveFile) {
    Open(sourceFile);
}

TPapers::~TPapers() {
    try {
        if (!readOnly_ && Modified())
            Save();
    } catch (...) {
        // Nothing may leave a destructor; the file stays as it was.
    }
    papersStorage_.reset();
}

void TPapers::Open(const QString& sourceFile) {
    RegisterPaperDatabaseClasses();
    if (QFileInfo::exists(sourceFile)) {
        // Readers share the file: the installed database is read by every running copy at once.
        root_ = std::make_unique<TFileStorage>(sourceFile, fmOpenRead | fmShareDenyWrite);
    } else {
        auto fresh = std::make_unique<TTemporaryStorage>();
        working_ = fresh.get();
        root_ = std::move(fresh);
    }
    LoadPurposes();
    if (!root_->StorageExists(kPapersStorage))
        WritableRoot();
    papersStorage_ = std::make_unique<TDocStorage>(root_.get(), kPapersStorage, HasWorkingCopy());
    LoadPapers();
    // Opening alone never rewrites the file.
    if (HasWorkingCopy())
        root_->SetModified(false);
}

TRootStorage& TPapers::WritableRoot() {
    if (working_ != nullptr)
        return *root_;
    // The copy is made in full first, so a failure leaves everything as it was.
    auto copy = std::make_unique<TTemporaryStorage>();
    root_->CopyTo(*copy);
    copy->SetModified(false);
    DetachStorages();
    papersStorage_.reset();
    working_ = copy.get();
    root_ = std::move(copy);
    papersStorage_ = std::make_unique<TDocStorage>(root_.get(), kPapersStorage, true);
    AttachStorages();
    return *root_;
}

void TPapers::LoadPurposes() {
    purposeList_ = std::make_unique<TPurposeList>();
    if (!root_->StreamExists(kPurposeListStream)) {
        purposeList_->SetDefaults();
        return;
    }
    try {
        TDocStream stream(root_.get(), 0, kPurposeListStream);
        purposeList_->LoadFromStream(stream);
    } catch (const Exception& e) {
        problems_.append(QStringLiteral("PurposeList: %1").arg(e.Message()));
        purposeList_->SetDefaults();
    }
}

void TPapers::LoadPapers() {
    TStringList names;
    papersStorage_->GetStreamNames(names);
    for (int i = 0; i < names.Count(); ++i) {
        const QString& name = names[i];
        std::unique_ptr<TPaperInfo> paper;
        QString reason;
        try {
            TMemoryStream stream(ReadElementBytes(papersStorage_.get(), name));
            paper = ReadPaper(stream);
            if (!paper->IsSound(&reason))
                reason = QStringLiteral("%1: %2").arg(paper->PaperName, reason);
            else
                paper->PurposeList()->Merge(*purposeList_);
        } catch (const Exception& e) {
            reason = e.Message();
        }
        if (!reason.isEmpty()) {
            refusedStreams_.append(name);
            refused_.append(QStringLiteral("%1 (%2)").arg(name, reason));
            continue;
        }
        papers_.push_back(Entry{name, std::move(paper)});
    }
    SortEntries();
}

void TPapers::SortEntries() {
    std::stable_sort(papers_.begin(), papers_.end(),
                     [](const Entry& a, const Entry& b) { return a.stream < b.stream; });
}

QStringList TPapers::AllStreamNames() const {
    QStringList names = refusedStreams_;
    for (const Entry& e : papers_)
        names.append(e.stream);
    return names;
}

TPaperInfo* TPapers::GetPaper(int index) const {
    if (index < 0 || index >= GetCount())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return papers_[size_t(index)].paper.get();
}

QString TPapers::GetStreamName(int index) const {
    GetPaper(index);
    return papers_[size_t(index)].stream;
}

int TPapers::IndexOf(const QString& paperName) const {
    for (int i = 0; i < GetCount(); ++i)
        if (papers_[size_t(i)].paper->PaperName == paperName)
            return i;
    return -1;
}

void TPapers::GetGroupNames(TStringList& strings) const {
    for (const Entry& e : papers_) {
        const QString& group = e.paper->GroupName;
        bool known = false;
        for (int i = 0; i < strings.Count() && !known; ++i)
            known = strings[i].compare(group, Qt::CaseInsensitive) == 0;
        if (!known)
            strings.Add(group);
    }
}

void TPapers::Delete(int index) {
    GetPaper(index);
    WritableRoot();
    papersStorage_->DeleteElement(papers_[size_t(index)].stream);
    papers_.erase(papers_.begin() + index);
}

void TPapers::AddOrReplace(const TPaperInfo& paper) {
    WritableRoot();
    if (purposeList_->Merge(*paper.PurposeList()))
        WritePurposeList();
    const int index = IndexOf(paper.PaperName);
    const QString stream =
        index >= 0 ? papers_[size_t(index)].stream : ElementNameOf(NextElementNumber(AllStreamNames()));
    std::unique_ptr<TPaperInfo> copy = ClonePaper(paper);
    // Stored in portrait position with its purposes.
    copy->Landscape = false;
    copy->StorePurposeList = true;
    WriteElementBytes(papersStorage_.get(), stream, ComponentBytes(copy.get()));
    copy->Landscape = paper.Landscape;
    copy->StorePurposeList = false;
    if (index >= 0) {
        papers_[size_t(index)].paper = std::move(copy);
    } else {
        papers_.push_back(Entry{stream, std::move(copy)});
        SortEntries();
    }
}

void TPapers::Renumber(const TStringList& order) {
    // Every name is checked before anything is renamed, so a bad order changes nothing.
    const int count = GetCount();
    if (order.Count() < count)
        throw EPaperDatabase(QStringLiteral("Bad paper name"));
    std::vector<int> targets;
    std::vector<bool> taken(size_t(count), false);
    for (int i = 0; i < count; ++i) {
        const int index = IndexOf(order[i]);
        if (index < 0 || taken[size_t(index)])
            throw EPaperDatabase(QStringLiteral("Bad paper name"));
        taken[size_t(index)] = true;
        targets.push_back(index);
    }
    uint32_t next = NextElementNumber(AllStreamNames());
    if (uint64_t(next) + uint64_t(count) > UINT32_MAX)
        throw EPaperDatabase(QStringLiteral("Bad paper name"));
    WritableRoot();
    for (int index : targets) {
        Entry& entry = papers_[size_t(index)];
        const QString name = ElementNameOf(next++);
        papersStorage_->MoveElement(entry.stream, name);
        entry.stream = name;
    }
    SortEntries();
}

void TPapers::SetPurposeList(const TPurposeList& list) {
    purposeList_->Assign(&list);
    WritePurposeList();
}

void TPapers::WritePurposeList() {
    TDocStream stream(&WritableRoot(), ModeCreate, kPurposeListStream);
    purposeList_->SaveToStream(stream);
}

bool TPapers::Modified() const {
    return working_ != nullptr && working_->GetModified();
}

void TPapers::Save() {
    if (readOnly_)
        throw EPaperDatabase(QStringLiteral("用紙データは読み取り専用です(%1)").arg(saveFile_));
    try {
        WritableRoot();
        QDir().mkpath(QFileInfo(saveFile_).absolutePath());
        working_->SaveToFile(saveFile_);
        working_->SetModified(false);
    } catch (const Exception& e) {
        throw EPaperDatabase(
            QStringLiteral("用紙データを保存できませんでした(%1): %2").arg(saveFile_, e.Message()));
    }
}

QString TPapers::OpenWarning() const {
    if (refused_.isEmpty() && problems_.isEmpty())
        return QString();
    QStringList lines{QStringLiteral("用紙データの一部が壊れているため読み込めませんでした。")};
    lines += refused_;
    lines += problems_;
    return lines.join(QLatin1Char('\n'));
}

// ---- TPapersV2

TPapersV2::TPapersV2(const QString& fileName, bool readOnly) : TPapers(fileName, readOnly) {
    Opened();
}

TPapersV2::TPapersV2(const QString& sourceFile, const QString& saveFile) : TPapers(sourceFile, saveFile) {
    Opened();
}

void TPapersV2::Opened() {
    GetUpdateInfo();
    GetGroupList();
    GetCompanyList();
    if (HasWorkingCopy())
        Root().SetModified(false);
}

void TPapersV2::DetachStorages() {
    for (Table& table : tables_)
        table.storage.reset();
}

void TPapersV2::AttachStorages() {
    for (Table& table : tables_) {
        table.storage = std::make_unique<TDocStorage>(&Root(), table.base->Name(), true);
        table.base->SetStorage(table.storage.get());
    }
}

TPapersV2::~TPapersV2() {
    try {
        if (!ReadOnly() && Modified())
            Save();
    } catch (...) {
        // As the base: never from a destructor.
    }
    companies_.OnChange = nullptr;
    groups_.OnChange = nullptr;
    // Each table before its storage.
    for (Table& table : tables_) {
        table.base.reset();
        table.storage.reset();
    }
}

int TPapersV2::ReadPPRNo(const QString& fileName) {
    try {
        RegisterPaperDatabaseClasses();
        TFileStorage file(fileName, 0);
        TDocStream stream(&file, 0, kUpdateInfoStream);
        return ReadComponentAs<TPaperUpdate>(stream)->PPRNo;
    } catch (const Exception&) {
        return -1;
    }
}

std::unique_ptr<TPapersV2> TPapersV2::OpenSystem(const QString& installedFile, const QString& userFile) {
    const int user = QFileInfo::exists(userFile) ? ReadPPRNo(userFile) : -1;
    if (user >= 0 && user >= ReadPPRNo(installedFile))
        return std::make_unique<TPapersV2>(userFile, userFile);
    return std::make_unique<TPapersV2>(installedFile, userFile);
}

void TPapersV2::Delete(int index) {
    const QString name = GetPaper(index)->PaperName;
    WritableRoot();
    for (Table& table : tables_)
        table.base->Delete(name);
    TPapers::Delete(index);
}

void TPapersV2::AddExtraInfoBase(std::unique_ptr<TExtraInfoBase> base) {
    if (!Root().StorageExists(base->Name()))
        WritableRoot();
    auto storage = std::make_unique<TDocStorage>(&Root(), base->Name(), HasWorkingCopy());
    base->SetStorage(storage.get());
    for (const QString& problem : base->Problems())
        AddProblem(problem);
    for (Table& table : tables_)
        if (table.base->Name().compare(base->Name(), Qt::CaseInsensitive) == 0) {
            table.base = std::move(base);
            table.storage = std::move(storage);
            return;
        }
    tables_.push_back(Table{std::move(storage), std::move(base)});
}

void TPapersV2::AddStandardExtraInfoBases() {
    AddExtraInfoBase(std::make_unique<TExInfoBase>(kExtraInfosTable));
    AddExtraInfoBase(std::make_unique<TImageInfoBase>(kPaperImagesTable));
    AddExtraInfoBase(std::make_unique<TExInfoBase>(kExtraAlbumInfoTable));
}

TExtraInfoBase* TPapersV2::FindExtraInfoBase(const QString& name) const {
    for (const Table& table : tables_)
        if (table.base->Name().compare(name, Qt::CaseInsensitive) == 0)
            return table.base.get();
    return nullptr;
}

std::unique_ptr<TExtraPaperInfo> TPapersV2::GetExtraInfo(const QString& baseName,
                                                         const QString& paperName) const {
    TExtraInfoBase* base = FindExtraInfoBase(baseName);
    if (paperName.isEmpty() || base == nullptr)
        return nullptr;
    return base->GetInfo(paperName);
}

void TPapersV2::PutExtraInfo(const QString& baseName, const TExtraPaperInfo& info) {
    TExtraInfoBase* base = FindExtraInfoBase(baseName);
    if (info.PaperName.isEmpty() || base == nullptr)
        return;
    WritableRoot();
    base->Store(info);
}

TPaperUpdate& TPapersV2::GetUpdateInfo() {
    if (update_)
        return *update_;
    if (Root().StreamExists(kUpdateInfoStream)) {
        try {
            TDocStream stream(&Root(), 0, kUpdateInfoStream);
            update_ = ReadComponentAs<TPaperUpdate>(stream);
            return *update_;
        } catch (const Exception& e) {
            AddProblem(QStringLiteral("UpdateInfo: %1").arg(e.Message()));
            update_ = std::make_unique<TPaperUpdate>(nullptr);
            return *update_;
        }
    }
    update_ = std::make_unique<TPaperUpdate>(nullptr);
    TDocStream stream(&WritableRoot(), ModeCreate, kUpdateInfoStream);
    TWriter(stream).WriteRootComponent(update_.get());
    return *update_;
}

void TPapersV2::SetUpdateInfo(const TPaperUpdate& update) {
    TPaperUpdate& cached = GetUpdateInfo();
    cached.Assign(&update);
    TDocStream stream(&WritableRoot(), ModeCreate, kUpdateInfoStream);
    TWriter(stream).WriteRootComponent(&cached);
}

void TPapersV2::LoadList(TStringList& list, const QString& name) {
    const QString path = name + QLatin1Char('\\') + name;
    if (Root().StreamExists(path)) {
        try {
            TDocStream stream(&Root(), 0, path);
            list.LoadFromStream(stream);
        } catch (const Exception& e) {
            AddProblem(QStringLiteral("%1: %2").arg(name, e.Message()));
            list.Clear();
        }
    } else {
        WriteList(list, name);
    }
    list.OnChange = [this, &list, name](TObject*) { WriteList(list, name); };
}

void TPapersV2::WriteList(const TStringList& list, const QString& name) {
    TDocStream stream(&WritableRoot(), ModeCreate, name + QLatin1Char('\\') + name);
    list.SaveToStream(stream);
}

TStringList& TPapersV2::GetCompanyList() {
    if (!companiesLoaded_) {
        companiesLoaded_ = true;
        LoadList(companies_, kCompanyList);
    }
    return companies_;
}

TStringList& TPapersV2::GetGroupList() {
    if (!groupsLoaded_) {
        groupsLoaded_ = true;
        LoadList(groups_, kGroupList);
    }
    return groups_;
}

void TPapersV2::LoadGlobalInfo(const QString& name, TStringList& strings) {
    const QString path = kGlobalInfo + name;
    if (!Root().StreamExists(path))
        return;
    TDocStream stream(&Root(), 0, path);
    strings.LoadFromStream(stream);
}

void TPapersV2::SaveGlobalInfo(const QString& name, const TStringList& strings) {
    TDocStream stream(&WritableRoot(), ModeCreate, kGlobalInfo + name);
    strings.SaveToStream(stream);
}

void RegisterPaperDatabaseClasses() {
    RegisterPaperClasses();
    RegisterExtraInfoClasses();
    RegisterClass(TPaperUpdate::StaticClass());
}
