#include "papers/UPapers.h"

#include "core/UAppUtil.h"
#include "core/UDocStorage.h"
#include "platform/ClassRegistry.h"
#include "platform/ComponentReader.h"
#include "platform/ComponentResource.h"
#include "platform/ComponentWriter.h"
#include "platform/PropertyRegistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>

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
const QString kGlobalInfoStorage = QStringLiteral("GlobalInfo");

// The first byte of a component-resource header.
constexpr uint8_t kResourceHeaderMark = 0xFF;

// A paper that could not be read, as the user knows it: its name where that could still be read,
// else its place in the paper list. The reader's own words (and the stream) are only a detail.
QString RefusalText(const QString& paperName, int place, const QString& cause, const QString& stream,
                    const QString& detail) {
    const QString paper = paperName.isEmpty() ? QStringLiteral("%1番目の用紙").arg(place)
                                              : QStringLiteral("用紙「%1」").arg(paperName);
    return QStringLiteral("%1: %2(詳細: %3 %4)").arg(paper, cause, stream, detail);
}

const QString kDamagedCause = QStringLiteral("データが壊れています");
const QString kImpossibleCause = QStringLiteral("用紙の大きさか面の配置があり得ない値です");

// The paper name among the top-level values a failed peek walked before the damage.
QString SalvagedName(const std::vector<TPeekedProperty>& properties) {
    QString name;
    for (const TPeekedProperty& property : properties)
        if (PeekedNameIs(property.Name, QLatin1StringView("PaperName")) && PeekedText(property, name))
            return name;
    return QString();
}

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

// A grid paper's whole-number fields by their stored names.
struct GridField {
    QLatin1StringView name;
    int TMatrixPaperInfo::*field;
};
const GridField kGridFields[] = {
    {QLatin1StringView("TopOffset"), &TMatrixPaperInfo::TopOffset},
    {QLatin1StringView("LeftOffset"), &TMatrixPaperInfo::LeftOffset},
    {QLatin1StringView("BottomMargin"), &TMatrixPaperInfo::BottomMargin},
    {QLatin1StringView("RightMargin"), &TMatrixPaperInfo::RightMargin},
    {QLatin1StringView("FaceWidth"), &TMatrixPaperInfo::FaceWidth},
    {QLatin1StringView("FaceHeight"), &TMatrixPaperInfo::FaceHeight},
    {QLatin1StringView("FaceCountX"), &TMatrixPaperInfo::FaceCountX},
    {QLatin1StringView("FaceCountY"), &TMatrixPaperInfo::FaceCountY},
    {QLatin1StringView("FaceMargin"), &TMatrixPaperInfo::FaceMargin},
    {QLatin1StringView("RoundSize"), &TMatrixPaperInfo::RoundSize},
    {QLatin1StringView("CutCenterWidth"), &TMatrixPaperInfo::CutCenterWidth},
    {QLatin1StringView("CutCenterHeight"), &TMatrixPaperInfo::CutCenterHeight},
};

bool IsListOrNothing(const TPeekedProperty& property) {
    return property.Type == TValueType::vaCollection || property.Type == TValueType::vaNil;
}

bool PeekedIdent(const TPeekedProperty& property, const QStringList& idents, int& index) {
    if (property.Type != TValueType::vaIdent)
        return false;
    index = IndexOfIdent(idents, QString::fromLatin1(property.Bytes));
    return index >= 0;
}

bool ReadGridValue(const TPeekedProperty& property, TMatrixPaperInfo& grid) {
    int32_t number = 0;
    int ident = 0;
    for (const GridField& field : kGridFields)
        if (PeekedNameIs(property.Name, field.name)) {
            if (!PeekedInteger(property, number))
                return false;
            grid.*field.field = number;
            return true;
        }
    if (PeekedNameIs(property.Name, QLatin1StringView("FaceShape"))) {
        if (!PeekedIdent(property, FaceShapeIdents(), ident))
            return false;
        grid.FaceShape = TFaceShape(ident);
        return true;
    }
    if (PeekedNameIs(property.Name, QLatin1StringView("CenterShape"))) {
        if (!PeekedIdent(property, CenterShapeIdents(), ident))
            return false;
        grid.CenterShape = TCenterShape(ident);
        return true;
    }
    if (PeekedNameIs(property.Name, QLatin1StringView("FacePurpose")))
        return PeekedText(property, grid.FacePurpose);
    if (PeekedNameIs(property.Name, QLatin1StringView("CutCenter"))) {
        if (!PeekedInteger(property, number))
            return false;
        // Older files wrote 0 for the default hole.
        grid.CutCenterWidth = grid.CutCenterHeight = number == 0 ? kDefaultCutCenterSize : number;
        return true;
    }
    return false;
}

// The paper a stream holds from its top-level values alone, its purposes and free faces left
// for the whole read: opening a store of thousands of papers reads no more. nullptr when the
// stream holds anything this does not know (a resource header, another class, a value of another
// kind, an older property), for the component reader to judge.
std::unique_ptr<TPaperInfo> ReadOutline(const QByteArray& bytes, std::vector<TPeekedProperty>& properties) {
    QByteArrayView className;
    if (bytes.isEmpty() || uint8_t(bytes[0]) == kResourceHeaderMark ||
        !PeekComponent(bytes, className, properties))
        return nullptr;
    std::unique_ptr<TPaperInfo> paper;
    TMatrixPaperInfo* grid = nullptr;
    if (className == QByteArrayView("TMatrixPaperInfo")) {
        auto matrix = std::make_unique<TMatrixPaperInfo>(nullptr);
        grid = matrix.get();
        paper = std::move(matrix);
    } else if (className == QByteArrayView("TFreePaperInfo")) {
        paper = std::make_unique<TFreePaperInfo>(nullptr);
    } else {
        return nullptr;
    }
    for (const TPeekedProperty& property : properties) {
        const QByteArrayView name = property.Name;
        int32_t number = 0;
        bool known = true;
        if (PeekedNameIs(name, QLatin1StringView("PaperName")))
            known = PeekedText(property, paper->PaperName);
        else if (PeekedNameIs(name, QLatin1StringView("GroupName")))
            known = PeekedText(property, paper->GroupName);
        else if (PeekedNameIs(name, QLatin1StringView("ReadOnly")))
            known = PeekedBoolean(property, paper->ReadOnly);
        else if (PeekedNameIs(name, QLatin1StringView("Landscape")))
            known = PeekedBoolean(property, paper->Landscape);
        else if (PeekedNameIs(name, QLatin1StringView("Width")) && (known = PeekedInteger(property, number)))
            paper->SetWidth(number);
        else if (PeekedNameIs(name, QLatin1StringView("Height")) && (known = PeekedInteger(property, number)))
            paper->SetHeight(number);
        else if (PeekedNameIs(name, QLatin1StringView("PurposeList")))
            known = IsListOrNothing(property);
        else if (grid == nullptr)
            known = PeekedNameIs(name, QLatin1StringView("Faces")) && IsListOrNothing(property);
        else
            known = ReadGridValue(property, *grid);
        if (!known)
            return nullptr;
    }
    return paper;
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

TPapers::TPapers(const TPapers& other, int) : readOnly_(other.readOnly_), saveFile_(other.saveFile_) {
    auto copy = std::make_unique<TTemporaryStorage>();
    other.root_->CopyTo(*copy);
    working_ = copy.get();
    root_ = std::move(copy);
    LoadPurposes();
    papersStorage_ = std::make_unique<TDocStorage>(root_.get(), kPapersStorage, true);
    papers_ = other.papers_;
    refusedStreams_ = other.refusedStreams_;
    refused_ = other.refused_;
    root_->SetModified(false);
}

void TPapers::SwapStore(TPapers& other) {
    // Storages keep pointing at their own roots: the objects themselves do not move.
    std::swap(root_, other.root_);
    std::swap(working_, other.working_);
    std::swap(papersStorage_, other.papersStorage_);
    std::swap(papers_, other.papers_);
    std::swap(purposeList_, other.purposeList_);
    std::swap(refusedStreams_, other.refusedStreams_);
    std::swap(refused_, other.refused_);
    std::swap(nameIndex_, other.nameIndex_);
    std::swap(indexValid_, other.indexValid_);
    std::swap(highestNumber_, other.highestNumber_);
    std::swap(highestValid_, other.highestValid_);
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
        problems_.append(QStringLiteral("用途一覧: %1(詳細: %2)").arg(kDamagedCause, e.Message()));
        purposeList_->SetDefaults();
    }
}

void TPapers::LoadPapers() {
    std::vector<TPeekedProperty> properties;
    struct Refusal {
        QString stream, name, cause, detail;
    };
    std::vector<Refusal> refusals;
    papersStorage_->Storage()->ReadStreams([&](const QString& name, const QByteArray& bytes) {
        std::unique_ptr<TPaperInfo> paper;
        bool whole = false;
        QString reason;
        properties.clear();
        try {
            paper = ReadOutline(bytes, properties);
            if (paper == nullptr) {
                TMemoryStream stream(bytes);
                paper = ReadPaper(stream);
                whole = true;
            }
            if (!paper->IsSound(&reason))
                refusals.push_back({name, paper->PaperName, kImpossibleCause, reason});
            else if (whole)
                paper->PurposeList()->Merge(*purposeList_);
        } catch (const Exception& e) {
            reason = e.Message();
            refusals.push_back({name, SalvagedName(properties), kDamagedCause, reason});
        }
        if (!refusals.empty() && refusals.back().stream == name) {
            refusedStreams_.append(name);
            return;
        }
        papers_.push_back(Entry{name, std::move(paper), whole});
    });
    SortEntries();
    if (refusals.empty())
        return;
    // A paper's place in the list is its stream's among all of them, the damaged ones too.
    QStringList order = AllStreamNames();
    order.sort();
    std::sort(refusals.begin(), refusals.end(),
              [](const Refusal& a, const Refusal& b) { return a.stream < b.stream; });
    for (const Refusal& r : refusals)
        refused_.append(RefusalText(r.name, int(order.indexOf(r.stream)) + 1, r.cause, r.stream, r.detail));
}

void TPapers::ReadWhole(Entry& entry) const {
    entry.whole = true;
    std::unique_ptr<TPaperInfo> paper;
    QString reason;
    QString cause = kImpossibleCause;
    try {
        TMemoryStream stream(ReadElementBytes(papersStorage_.get(), entry.stream));
        paper = ReadPaper(stream);
        paper->IsSound(&reason);
    } catch (const Exception& e) {
        reason = e.Message();
        cause = kDamagedCause;
        paper.reset();
    }
    if (paper != nullptr && reason.isEmpty()) {
        paper->PurposeList()->Merge(*purposeList_);
        if (paper->PaperName != entry.paper->PaperName)
            indexValid_ = false;
        entry.paper = std::move(paper);
        return;
    }
    // Listed by its name since the store was opened, so that is how the user knows it.
    QStringList order = AllStreamNames();
    order.sort();
    refused_.append(RefusalText(entry.paper->PaperName, int(order.indexOf(entry.stream)) + 1, cause,
                                entry.stream, reason));
    entry.damaged = true;
    indexValid_ = false;
    // Its name and sheet without faces: nothing is placed on what could not be read.
    const TPaperInfo& outline = *entry.paper;
    std::unique_ptr<TPaperInfo> blank(static_cast<TPaperInfo*>(outline.NewInstance(nullptr)));
    blank->PaperName = outline.PaperName;
    blank->GroupName = outline.GroupName;
    blank->ReadOnly = outline.ReadOnly;
    blank->SetWidth(outline.StoredWidth());
    blank->SetHeight(outline.StoredHeight());
    entry.paper = std::move(blank);
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

const TPaperInfo& TPapers::PeekPaper(int index) const {
    if (index < 0 || index >= GetCount())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return *papers_[size_t(index)].paper;
}

TPaperInfo* TPapers::GetPaper(int index) const {
    PeekPaper(index);
    Entry& entry = papers_[size_t(index)];
    if (!entry.whole)
        ReadWhole(entry);
    return entry.paper.get();
}

bool TPapers::IsDamaged(int index) const {
    GetPaper(index);
    return papers_[size_t(index)].damaged;
}

QString TPapers::GetStreamName(int index) const {
    PeekPaper(index);
    return papers_[size_t(index)].stream;
}

int TPapers::IndexOf(const QString& paperName) const {
    if (!indexValid_) {
        nameIndex_.clear();
        nameIndex_.reserve(GetCount());
        QStringList twice;
        // Backwards, so that the first paper of a name is the one kept.
        for (int i = GetCount() - 1; i >= 0; --i) {
            const QString& name = papers_[size_t(i)].paper->PaperName;
            if (nameIndex_.contains(name))
                twice.append(name);
            nameIndex_.insert(name, i);
        }
        // A name held twice (a paper found damaged, and the one stored in its place): the first
        // sound one answers, which takes reading them whole; names are rarely held twice.
        for (const QString& name : twice)
            for (int i = 0; i < GetCount(); ++i) {
                Entry& entry = papers_[size_t(i)];
                if (entry.paper->PaperName != name)
                    continue;
                if (!entry.whole)
                    ReadWhole(entry);
                if (!entry.damaged) {
                    nameIndex_.insert(name, i);
                    break;
                }
            }
        indexValid_ = true;
    }
    const auto found = nameIndex_.constFind(paperName);
    return found == nameIndex_.cend() ? -1 : found.value();
}

uint32_t TPapers::NextStreamNumber() const {
    if (!highestValid_) {
        highestNumber_ = 0;
        for (const QString& name : refusedStreams_)
            highestNumber_ = std::max(highestNumber_, ElementNumberOf(name));
        for (const Entry& e : papers_)
            highestNumber_ = std::max(highestNumber_, ElementNumberOf(e.stream));
        highestValid_ = true;
    }
    // A damaged file may hold the last number: the slow search for a free one then.
    if (highestNumber_ == UINT32_MAX)
        return NextElementNumber(AllStreamNames());
    return highestNumber_ + 1;
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
    PeekPaper(index);
    WritableRoot();
    const QString stream = papers_[size_t(index)].stream;
    papersStorage_->DeleteElement(stream);
    papers_.erase(papers_.begin() + index);
    indexValid_ = false;
    if (ElementNumberOf(stream) == highestNumber_)
        highestValid_ = false;
}

void TPapers::AddOrReplace(const TPaperInfo& paper) {
    Store(ClonePaper(paper));
}

void TPapers::Store(std::unique_ptr<TPaperInfo> copy) {
    WritableRoot();
    if (purposeList_->Merge(*copy->PurposeList()))
        WritePurposeList();
    int index = IndexOf(copy->PaperName);
    while (index >= 0 && papers_[size_t(index)].damaged) {
        // A paper found damaged keeps its stream as it is in the file: the new one is added.
        refusedStreams_.append(papers_[size_t(index)].stream);
        papers_.erase(papers_.begin() + index);
        indexValid_ = false;
        index = IndexOf(copy->PaperName);
    }
    const uint32_t number = index >= 0 ? 0 : NextStreamNumber();
    const QString stream = index >= 0 ? papers_[size_t(index)].stream : ElementNameOf(number);
    // Stored in portrait position with its purposes.
    const bool landscape = copy->Landscape;
    copy->Landscape = false;
    copy->StorePurposeList = true;
    WriteElementBytes(papersStorage_.get(), stream, ComponentBytes(copy.get()));
    copy->Landscape = landscape;
    copy->StorePurposeList = false;
    if (index >= 0) {
        papers_[size_t(index)] = Entry{stream, std::move(copy)};
        return;
    }
    const QString name = copy->PaperName;
    highestNumber_ = std::max(highestNumber_, number);
    if (papers_.empty() || papers_.back().stream < stream) {
        // The usual case: the new number is the highest, so the paper goes last.
        papers_.push_back(Entry{stream, std::move(copy)});
        if (indexValid_)
            nameIndex_.insert(name, GetCount() - 1);
    } else {
        const auto at = std::upper_bound(papers_.begin(), papers_.end(), stream,
                                         [](const QString& s, const Entry& e) { return s < e.stream; });
        papers_.insert(at, Entry{stream, std::move(copy)});
        indexValid_ = false;
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
    indexValid_ = false;
    highestValid_ = false;
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
    WriteFile();
}

void TPapers::WriteFile() {
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

QStringList TPapers::UnreadParts() const {
    return refused_ + problems_;
}

QString TPapers::OpenWarning() const {
    const QStringList parts = UnreadParts();
    if (parts.isEmpty())
        return QString();
    return (QStringList{QStringLiteral("用紙データの一部が壊れているため読み込めませんでした。")} + parts)
        .join(QLatin1Char('\n'));
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

namespace {

// "<file>.damaged", or with a number when that is taken: a damaged copy is never overwritten.
QString FreeAsideName(const QString& fileName) {
    QString aside = fileName + QStringLiteral(".damaged");
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
        aside = fileName + QStringLiteral(".damaged%1").arg(n);
    return aside;
}

// Moves a file or folder out of the way; the new name, empty when it could not be moved.
QString SetAside(const QString& fileName) {
    const QString aside = FreeAsideName(fileName);
    if (std::rename(QFile::encodeName(fileName).constData(), QFile::encodeName(aside).constData()) != 0)
        return QString();
    return aside;
}

// Keeps a copy of a file beside it before it is replaced.
QString CopyAside(const QString& fileName) {
    const QString aside = FreeAsideName(fileName);
    return QFile::copy(fileName, aside) ? aside : QString();
}

// The names of the user's list not yet in the installed one, added after them.
void AddMissing(TStringList& list, const TStringList& more) {
    QStringList added;
    for (int i = 0; i < more.Count(); ++i)
        if (list.IndexOf(more[i]) < 0 && !added.contains(more[i]))
            added.append(more[i]);
    if (added.isEmpty())
        return;
    TStringList merged;
    merged.Assign(list);
    for (const QString& name : added)
        merged.Add(name);
    list.Assign(merged);
}

// What of the user's copy could not be read, named with the file; its bytes stay in the file, so
// the next save keeps them. Empty when all was read.
QString UnreadPartsNotice(const TPapers& papers, const QString& fileName) {
    const QStringList parts = papers.UnreadParts();
    if (parts.isEmpty())
        return QString();
    return QStringLiteral("ユーザー用紙データ「%1」の次の部分は壊れているため読み込めませんでした。\n"
                          "壊れた部分はファイルにそのまま残します。\n%2")
        .arg(fileName, parts.join(QLatin1Char('\n')));
}

} // namespace

std::unique_ptr<TPapersV2> TPapersV2::OpenSystem(const QString& installedFile, const QString& userFile) {
    const QFileInfo userInfo(userFile);
    QString notice;
    if (userInfo.exists() || userInfo.isSymLink()) {
        std::unique_ptr<TPapersV2> user;
        try {
            user = std::make_unique<TPapersV2>(userFile, userFile);
            user->AddStandardExtraInfoBases();
        } catch (const Exception& e) {
            if (user)
                user->SetReadOnly(true); // what was read of it is never written over it
            user.reset();
            const QString aside = SetAside(userFile);
            if (aside.isEmpty()) {
                // Never written over: the store is used without a copy of the user's.
                auto installed = std::make_unique<TPapersV2>(installedFile, true);
                installed->AddStandardExtraInfoBases();
                installed->startNotice_ =
                    QStringLiteral("ユーザー用紙データ「%1」が壊れているため読み込めませんでした。\n"
                                   "ファイルを移動できないため、用紙の変更は保存されません。\n%2")
                        .arg(userFile, e.Message());
                return installed;
            }
            notice = QStringLiteral("ユーザー用紙データが壊れているため読み込めませんでした。\n"
                                    "壊れたファイルは「%1」として残し、インストールされた用紙データで始めます。\n%2")
                         .arg(aside, e.Message());
        }
        if (user) {
            const int installedNo = ReadPPRNo(installedFile);
            if (user->GetUpdateInfo().PPRNo >= installedNo) {
                user->startNotice_ = UnreadPartsNotice(*user, userFile);
                return user;
            }
            // A newer installed database: its papers, with the user's own merged in. The user's
            // copy is replaced only by the finished save, so a start cut short merges again.
            std::unique_ptr<TPapersV2> merged;
            try {
                merged = std::make_unique<TPapersV2>(installedFile, userFile);
                merged->SetReadOnly(true); // until all is in
                merged->AddStandardExtraInfoBases();
                merged->MergeUpdate(*user, true, nullptr, false);
                if (merged->PurposeList().Merge(user->PurposeList()))
                    merged->SetPurposeList(merged->PurposeList());
                AddMissing(merged->GetCompanyList(), user->GetCompanyList());
                AddMissing(merged->GetGroupList(), user->GetGroupList());
                merged->SetReadOnly(false);
            } catch (const Exception& e) {
                // The user's papers as they were rather than none.
                user->startNotice_ =
                    QStringLiteral("新しい用紙データを取り込めませんでした。\n%1").arg(e.Message());
                return user;
            }
            user->SetReadOnly(true);
            if (!user->RefusedPapers().isEmpty()) {
                // Papers that could not be read are not carried over: the old copy stays beside.
                const QString kept = CopyAside(userFile);
                merged->startNotice_ =
                    QStringLiteral("読み込めなかったユーザー用紙があるため、以前のユーザー用紙データを「%1」として残しました。")
                        .arg(kept.isEmpty() ? userFile : kept);
                if (kept.isEmpty())
                    merged->SetReadOnly(true);
            }
            user.reset();
            if (!merged->ReadOnly()) {
                try {
                    merged->Save();
                } catch (const Exception& e) {
                    // Kept modified: the next save tries again; until then the old copy stands.
                    merged->startNotice_ = e.Message();
                }
            }
            return merged;
        }
    }
    auto installed = std::make_unique<TPapersV2>(installedFile, userFile);
    installed->AddStandardExtraInfoBases();
    installed->startNotice_ = notice;
    return installed;
}

void TPapersV2::Delete(int index) {
    const QString name = PeekPaper(index).PaperName;
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

// ---- Merging another store

struct TPapersV2::Incoming {
    std::unique_ptr<TPaperInfo> paper;
    // Table name and the paper's record in it.
    std::vector<std::pair<QString, std::unique_ptr<TExtraPaperInfo>>> records;
};

TPapersV2::TPapersV2(const TPapersV2& live, int) : TPapers(live, 0) {
    // A scratch copy is never written back by itself: only a finished merge is saved.
    SetReadOnly(true);
    Opened();
    for (const Table& table : live.tables_)
        AddExtraInfoBase(table.base->CreateEmpty());
    Root().SetModified(false);
}

void TPapersV2::MergeUpdate(TPapersV2& source, bool takeUserPapers, const ProgressEvent& onProgress,
                            bool isUpdate) {
    Merge(source, takeUserPapers, onProgress, isUpdate, false);
}

void TPapersV2::ApplyUpdate(TPapersV2& source, const ProgressEvent& onProgress) {
    Merge(source, false, onProgress, true, true);
}

void TPapersV2::Merge(TPapersV2& source, bool takeUserPapers, const ProgressEvent& onProgress, bool isUpdate,
                      bool save) {
    if (&source == this)
        return;
    // Everything of source is read before anything changes.
    std::vector<Incoming> incoming;
    for (int i = 0; i < source.GetCount(); ++i) {
        if (!(source.PeekPaper(i).ReadOnly ? isUpdate : takeUserPapers))
            continue;
        const TPaperInfo* paper = source.GetPaper(i);
        // What cannot be read is not taken; source names it in its RefusedPapers.
        if (source.IsDamaged(i))
            continue;
        Incoming in;
        in.paper = ClonePaper(*paper);
        for (const Table& table : source.tables_) {
            if (FindExtraInfoBase(table.base->Name()) == nullptr)
                continue;
            if (std::unique_ptr<TExtraPaperInfo> info = table.base->GetInfo(paper->PaperName))
                in.records.emplace_back(table.base->Name(), std::move(info));
        }
        incoming.push_back(std::move(in));
    }
    // A store still read in place holds its file: let go of it before the merge is saved over it.
    if (save && !ReadOnly())
        WritableRoot();
    TPapersV2 scratch(*this, 0);
    scratch.MergeInto(incoming, source, onProgress, isUpdate);
    // On disk before it is in use: a failed save leaves both the file and this store as they were.
    if (save && !ReadOnly())
        scratch.WriteFile();
    SwapStore(scratch);
    // Listeners see the new papers while the old ones (now the scratch's) still live.
    std::erase_if(listeners_, [](const auto& listener) { return listener.expired(); });
    for (const auto& weak : std::vector(listeners_))
        if (const std::shared_ptr<ChangeListener> listener = weak.lock(); listener && *listener)
            (*listener)();
}

void TPapersV2::MergeInto(std::vector<Incoming>& incoming, TPapersV2& source, const ProgressEvent& onProgress,
                          bool isUpdate) {
    const int count = int(incoming.size());
    for (int i = 0; i < count; ++i) {
        if (onProgress)
            onProgress(i + 1, count);
        Incoming& in = incoming[size_t(i)];
        TPaperInfo& paper = *in.paper;
        const int held = IndexOf(paper.PaperName);
        if (held >= 0) {
            const bool heldSystem = PeekPaper(held).ReadOnly;
            if (heldSystem && !paper.ReadOnly)
                paper.PaperName = FreeDollarName(paper.PaperName);
            else if (!heldSystem && paper.ReadOnly && !IsDamaged(held))
                MoveUserPaperAside(held); // a damaged one stays in the file as it is
        }
        const QString name = paper.PaperName;
        Store(std::move(in.paper));
        for (auto& [table, info] : in.records) {
            info->PaperName = name;
            FindExtraInfoBase(table)->Store(*info);
        }
    }
    if (isUpdate) {
        TPaperUpdate update(nullptr);
        update.Assign(&GetUpdateInfo());
        update.LastUpdate = NowDateTime();
        update.PPRNo = source.GetUpdateInfo().PPRNo;
        SetUpdateInfo(update);
        GetCompanyList().Assign(source.GetCompanyList());
        GetGroupList().Assign(source.GetGroupList());
        if (source.Root().StorageExists(kGlobalInfoStorage)) {
            WritableRoot().DeleteElement(kGlobalInfoStorage);
            TDocStorage from(&source.Root(), kGlobalInfoStorage, false);
            TDocStorage to(&WritableRoot(), kGlobalInfoStorage, true);
            from.CopyTo(to);
        }
    }
    Root().SetModified(true);
}

QString TPapersV2::FreeDollarName(QString name) const {
    do
        name += QLatin1Char('$');
    while (IndexOf(name) >= 0);
    return name;
}

void TPapersV2::MoveUserPaperAside(int index) {
    std::unique_ptr<TPaperInfo> moved = ClonePaper(*GetPaper(index));
    const QString old = moved->PaperName;
    moved->PaperName = FreeDollarName(old);
    for (Table& table : tables_) {
        if (std::unique_ptr<TExtraPaperInfo> info = table.base->GetInfo(old)) {
            info->PaperName = moved->PaperName;
            table.base->Store(*info);
            table.base->Delete(old);
        }
    }
    Store(std::move(moved));
}

namespace {

void SwapListContents(TStringList& a, TStringList& b) {
    TNotifyEvent changeA = std::exchange(a.OnChange, nullptr);
    TNotifyEvent changeB = std::exchange(b.OnChange, nullptr);
    TStringList held;
    held.Assign(a);
    a.Assign(b);
    b.Assign(held);
    a.OnChange = std::move(changeA);
    b.OnChange = std::move(changeB);
}

} // namespace

void TPapersV2::SwapStore(TPapersV2& other) {
    TPapers::SwapStore(other);
    std::swap(tables_, other.tables_);
    std::swap(update_, other.update_);
    SwapListContents(companies_, other.companies_);
    SwapListContents(groups_, other.groups_);
}

void TPapersV2::AddChangeListener(const std::shared_ptr<ChangeListener>& listener) {
    std::erase_if(listeners_, [](const auto& held) { return held.expired(); });
    listeners_.push_back(listener);
}

void RegisterPaperDatabaseClasses() {
    RegisterPaperClasses();
    RegisterExtraInfoClasses();
    RegisterClass(TPaperUpdate::StaticClass());
}
