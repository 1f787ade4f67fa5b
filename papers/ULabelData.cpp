#include "papers/ULabelData.h"

#include "core/UDocStorage.h"
#include "core/UPhasedProgress.h"
#include "imaging/UPNGImage.h"
#include "imaging/UPictureEX.h"
#include "imaging/UZLIB.h"
#include "pageobjects/engine/UDOUtils.h"
#include "pageobjects/engine/UGrid.h"
#include "pageobjects/engine/UGuide.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "pageobjects/layout/ULOBackImage.h"
#include "pageobjects/layout/ULODate.h"
#include "papers/UBackImageFit.h"
#include "papers/UExtraPaperInfo.h"
#include "papers/UPaperImages.h"
#include "papers/UPaperInfo.h"
#include "papers/UProductDB.h"
#include "platform/Bitmap.h"
#include "platform/ClassRegistry.h"
#include "platform/ComponentReader.h"
#include "platform/ComponentResource.h"
#include "platform/Picture.h"

#include <QDateTime>
#include <QFileInfo>
#include <QScopeGuard>
#include <QThreadPool>
#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>

namespace {

const QString kDataInfoStream = QStringLiteral("DataInfo");
const QString kSheetsStorage = QStringLiteral("Sheets");
const QString kSheetListStream = QStringLiteral("Sheets\\NameList");
const QString kInfoStream = QStringLiteral("Info");
const QString kPaperInfoStream = QStringLiteral("PaperInfo");
const QString kPaperExtraInfoStream = QStringLiteral("PaperExtraInfo");
const QString kPaperImageInfoStream = QStringLiteral("PaperImageInfo");
const QString kPaperImagesStorage = QStringLiteral("PaperImages");
const QString kPaperExtraAlbumStream = QStringLiteral("PaperExtraAlbum");
const QString kFaceListStream = QStringLiteral("NameList");
const QString kPreviewListStream = QStringLiteral("Preview");
const QString kFaceResName = QStringLiteral("LabelData");
const QString kProductInfoName = QStringLiteral("ProductInfo");
const QString kCreatorInfoEName = QStringLiteral("CreatorInfoE");
const QString kCreatorInfoJName = QStringLiteral("CreatorInfoJ");

constexpr int kNewGridSize = 100;
constexpr int kNewSheetCount = 3;
// The sheet-name search gives up here and takes this number's name even when it is in use.
constexpr int kLastSheetNameNumber = 1001;
// Previews fit within this many pixels each way.
constexpr int kPreviewMaxSize = 360;
// Backgrounds of previews are fitted in the paper's own units, tenths of a millimetre.
constexpr int kPaperUnitsPerInch = 254;

QByteArray ResourceBytes(const QString& resName, TComponent* component) {
    TMemoryStream stream;
    WriteComponentRes(stream, resName, component);
    return stream.Data();
}

// The stream's bytes when it exists, a null array when it does not.
QByteArray ReadIfExists(TDocStorage& storage, const QString& path) {
    if (!storage.StreamExists(path))
        return QByteArray();
    QByteArray bytes = ReadElementBytes(&storage, path);
    if (bytes.isNull())
        bytes = QByteArray("");
    return bytes;
}

template <class T>
std::unique_ptr<T> ReadResAs(const QByteArray& bytes) {
    TMemoryStream stream(bytes);
    std::unique_ptr<TComponent> component = ReadComponentRes(stream);
    if (dynamic_cast<T*>(component.get()) == nullptr)
        throw EReadError(QStringLiteral("Invalid stream format"));
    return std::unique_ptr<T>(static_cast<T*>(component.release()));
}

// A page's plain white background is what an empty page shows: it is not stored.
bool IsPlainWhiteBackground(const TDrawObject* object) {
    const auto* background = dynamic_cast<const TLOBackImage*>(object);
    return background != nullptr && background->IsPlainWhite();
}

// A page's component read straight from its stream: a packed page is inflated as it is read, so
// that its unpacked bytes are never held whole beside the objects made from them (a page of photos
// holds their JPEG files).
std::unique_ptr<TComponent> ReadPageComponent(TStream& stream) {
    int32_t size = 0;
    if (!ReadZLIBHeader(stream, size)) {
        TMemoryStream bytes(stream.ReadBytes(stream.GetSize()));
        return ReadComponentRes(bytes);
    }
    TZLIBInflateStream content(stream, size);
    std::unique_ptr<TComponent> read = ReadComponentRes(content);
    // What follows the objects must inflate too, as when the page was unpacked whole first.
    content.Finish();
    return read;
}

bool IsPacked(TStream& stream) {
    int32_t size = 0;
    const int64_t pos = stream.GetPosition();
    const bool packed = ReadZLIBHeader(stream, size);
    stream.SetPosition(pos);
    return packed;
}

// The cause a user is told for a failure to open the file itself.
QString OpenFaultCause(TOpenFault fault) {
    switch (fault) {
    case TOpenFault::Missing:
        return QStringLiteral("ファイルが見つかりません");
    case TOpenFault::Folder:
        return QStringLiteral("フォルダーです");
    case TOpenFault::Permission:
        return QStringLiteral("ファイルを読み取る権限がありません");
    case TOpenFault::InUse:
        return QStringLiteral("ほかのプログラムが変更中です");
    case TOpenFault::NotCompoundFile:
        return QStringLiteral("複合ファイルではありません");
    case TOpenFault::DamagedFile:
        return QStringLiteral("ファイルが壊れています");
    case TOpenFault::DamagedPart:
        return QStringLiteral("文書の一部が読めません");
    case TOpenFault::Other:
        break;
    }
    return QStringLiteral("ファイルを読み込めません");
}

} // namespace

// Faces are deflated on the worker threads while the next ones are read, and written back in the
// order they were read, so a save writes what a serial pack would. Only a few faces a worker are
// held at a time.
class TFacePackQueue {
public:
    using TWriteBack = std::function<void(int sheet, int entry, const QByteArray& packed)>;
    explicit TFacePackQueue(TWriteBack writeBack)
        : writeBack_(std::move(writeBack)),
          limit_(kFacesPerWorker * std::max(1, QThreadPool::globalInstance()->maxThreadCount())) {}
    TFacePackQueue(const TFacePackQueue&) = delete;
    TFacePackQueue& operator=(const TFacePackQueue&) = delete;
    // A failed save leaves no worker behind on its bytes.
    ~TFacePackQueue() {
        for (Job& job : jobs_)
            job.packed.wait();
    }

    void Add(int sheet, int entry, QByteArray plain) {
        while (int(jobs_.size()) >= limit_)
            WriteOldest();
        auto promise = std::make_shared<std::promise<QByteArray>>();
        jobs_.push_back({sheet, entry, promise->get_future()});
        QThreadPool::globalInstance()->start([promise, plain = std::move(plain)] {
            try {
                TMemoryStream source(plain);
                TMemoryStream packed;
                ZLIBCompressStream(source, packed, TCompressionLevel::clMax);
                promise->set_value(packed.Data());
            } catch (...) {
                promise->set_exception(std::current_exception());
            }
        });
    }
    void Finish() {
        while (!jobs_.empty())
            WriteOldest();
    }

private:
    static constexpr int kFacesPerWorker = 2;
    struct Job {
        int sheet;
        int entry;
        std::future<QByteArray> packed;
    };
    void WriteOldest() {
        Job& job = jobs_.front();
        const QByteArray packed = job.packed.get();
        const int sheet = job.sheet;
        const int entry = job.entry;
        jobs_.pop_front();
        writeBack_(sheet, entry, packed);
    }

    TWriteBack writeBack_;
    int limit_;
    std::deque<Job> jobs_;
};

// ---- TDataInfo

TDataInfo::TDataInfo(TComponent* owner) : TComponent(owner), commonGrid_(std::make_unique<TGrid>()) {
    commonGrid_->SetSize(kNewGridSize);
}

TDataInfo::~TDataInfo() = default;

void TDataInfo::DeclareProperties(TPropertyBuilder<TDataInfo>& p) {
    using D = TDataInfo;
    p.String("DataName", &D::DataName, &D::DataName);
    p.Integer("CurrentSheetNo", &D::CurrentSheetNo, &D::CurrentSheetNo);
    p.Float("LastPrint", &D::LastPrint, &D::LastPrint, TFloatType::DateTime);
    p.Float("LastSave", &D::LastSave, &D::LastSave, TFloatType::DateTime);
    p.Boolean("SheetMode", &D::SheetMode, &D::SheetMode);
    p.Enumeration("FaceSides", &D::FaceSides, &D::FaceSides, QStringList{"fsFront", "fsBack", "fsBoth"},
                  "TFaceSides");
    p.Boolean("FrontCover", &D::FrontCover, &D::FrontCover);
    p.Boolean("BackCover", &D::BackCover, &D::BackCover);
    p.Object("CommonGrid", &D::CommonGrid);
}

void TDataInfo::GetChildren(const TGetChildProc& proc, TComponent*) {
    for (const QString& name : {kProductInfoName, kCreatorInfoEName, kCreatorInfoJName})
        if (TProductInfo* child = Child(name))
            proc(child);
}

TProductInfo* TDataInfo::Child(const QString& name) const {
    return dynamic_cast<TProductInfo*>(FindComponent(name));
}

// ---- TLDObjects

void TLDObjects::GetChildren(const TGetChildProc& proc, TComponent*) {
    if (Objects == nullptr)
        return;
    for (int i = Objects->Count() - 1; i >= 0; --i)
        if (!IsPlainWhiteBackground(Objects->Items(i)))
            proc(Objects->Items(i));
}

// ---- TLabelData

TLabelData::TLabelData(TComponent* owner, TProductDB* products)
    : TComponent(owner), storage_(std::make_unique<TTemporaryStorage>()),
      productInfo_(std::make_unique<TProductInfo>(nullptr)),
      creatorInfoE_(std::make_unique<TProductInfo>(nullptr)),
      creatorInfoJ_(std::make_unique<TProductInfo>(nullptr)),
      layoutPaper_(std::make_unique<TMatrixPaperInfo>(nullptr)),
      paper_(std::make_unique<TMatrixPaperInfo>(nullptr)), commonGrid_(std::make_unique<TGrid>()),
      grid_(std::make_unique<TGrid>()), guide_(std::make_unique<TGuide>()) {
    sheets_ = std::make_unique<TDocStorageList>(storage_.get(), kSheetListStream);
    commonGrid_->SetSize(kNewGridSize);
    grid_->SetSize(kNewGridSize);
    creatorInfoE_->MakeCreatorFields();
    creatorInfoJ_->MakeCreatorFields();
    // Without a database the creators are no records of any: no identity of their own, so that
    // saving a document twice writes the same bytes.
    creatorInfoE_->SetGUID(TGUID{});
    creatorInfoJ_->SetGUID(TGUID{});
    if (products != nullptr) {
        if (products->GetProductCount() > 0)
            products->LoadProduct(0, *productInfo_);
        products->LoadCreatorE(*creatorInfoE_);
        products->LoadCreatorJ(*creatorInfoJ_);
    }
    LastPrint = LastSave = OpenTime = NowDateTime();
    SetPaperInfo(*paper_);
    AddSheet();
    for (int i = 1; i < kNewSheetCount; ++i) {
        TMatrixPaperInfo fresh(nullptr);
        ChangePaperInfo(fresh);
        AddSheet();
    }
    SetCurrentSheetNo(0);
    FaceInit = false;
    FaceSides = fsFront;
    modified_ = false;
    extraInfo_ = std::make_unique<TExPaperInfo>(nullptr);
    imageInfo_ = std::make_unique<TImagePaperInfo>(nullptr);
    albumInfo_ = std::make_unique<TExAlbumInfo>(nullptr);
}

TLabelData::~TLabelData() {
    // The lists are stored in the working storage and go before it.
    sheets_.reset();
}

void TLabelData::DeclareProperties(TPropertyBuilder<TLabelData>& p) {
    using L = TLabelData;
    p.Object("Grid", &L::Grid);
    p.Object("Guide", &L::Guide);
    p.Integer("CurrentLabelNo", &L::CurrentLabelNo, &L::CurrentLabelNo);
    p.Boolean("SeparatelyDesign", &L::SeparatelyDesign, &L::SeparatelyDesign);
    p.String("SheetName", &L::SheetName, &L::SetSheetName);
    p.Boolean("FaceInit", &L::FaceInit, &L::FaceInit);
    p.Boolean("FaceModified", &L::FaceModified, &L::FaceModified);
}

void TLabelData::SetSheetName(const QString& value) {
    if (value == sheetName_)
        return;
    sheetName_ = value;
    modified_ = true;
}

// ---- sheets

int TLabelData::GetSheetCount() const {
    return sheets_->Count();
}

std::unique_ptr<TDocStorage> TLabelData::OpenSheetStorage() {
    return sheets_->OpenStorage(currentSheetNo_, true);
}

void TLabelData::StoreCurrentSheet() {
    if (currentSheetNo_ < 0)
        return;
    std::unique_ptr<TDocStorage> sheet = OpenSheetStorage();
    WriteElementBytes(sheet.get(), kInfoStream, ResourceBytes(kInfoStream, this));
    WriteElementBytes(sheet.get(), kPaperInfoStream, ResourceBytes(kPaperInfoStream, paper_.get()));
    if (extraInfo_ != nullptr && !extraInfo_->IsEmpty())
        WriteElementBytes(sheet.get(), kPaperExtraInfoStream,
                          ResourceBytes(kPaperExtraInfoStream, extraInfo_.get()));
    else
        sheet->DeleteElement(kPaperExtraInfoStream);
    if (imageInfo_ != nullptr && !imageInfo_->IsEmpty()) {
        WriteElementBytes(sheet.get(), kPaperImageInfoStream,
                          ResourceBytes(kPaperImageInfoStream, imageInfo_.get()));
        sheet->DeleteElement(kPaperImagesStorage);
        TDocStorage images(sheet.get(), kPaperImagesStorage, true);
        for (int i = 0; i < imageInfo_->ImageListCount(); ++i) {
            TOwnedDOList list;
            imageInfo_->GetImageObjects(i, list);
            TMemoryStream stream;
            list.SaveToStream(stream);
            WriteElementBytes(&images, ElementNameOf(uint32_t(i + 1)), stream.Data());
        }
    } else {
        sheet->DeleteElement(kPaperImageInfoStream);
        sheet->DeleteElement(kPaperImagesStorage);
    }
    if (albumInfo_ != nullptr && !albumInfo_->IsEmpty())
        WriteElementBytes(sheet.get(), kPaperExtraAlbumStream,
                          ResourceBytes(kPaperExtraAlbumStream, albumInfo_.get()));
    else
        sheet->DeleteElement(kPaperExtraAlbumStream);
}

void TLabelData::LoadCurrentSheet() {
    if (currentSheetNo_ < 0)
        return;
    const bool savedModified = modified_;
    const auto restore = qScopeGuard([&] { modified_ = savedModified; });
    std::unique_ptr<TDocStorage> sheet = OpenSheetStorage();
    const QString sheetLabel = QStringLiteral("シート%1").arg(currentSheetNo_ + 1);
    QStringList unread;

    const QByteArray info = ReadIfExists(*sheet, kInfoStream);
    if (!info.isNull()) {
        // A damaged stream may stop half way: the properties read so far are put back.
        TGrid grid;
        grid.Assign(grid_.get());
        TGuide guide;
        guide.Assign(guide_.get());
        const int labelNo = CurrentLabelNo;
        const bool separately = SeparatelyDesign;
        const QString name = sheetName_;
        const bool faceInit = FaceInit;
        const bool faceModified = FaceModified;
        try {
            TMemoryStream stream(info);
            ReadComponentRes(stream, *this);
        } catch (const Exception&) {
            grid_->Assign(&grid);
            guide_->Assign(&guide);
            CurrentLabelNo = labelNo;
            SeparatelyDesign = separately;
            sheetName_ = name;
            FaceInit = faceInit;
            FaceModified = faceModified;
            unread.append(kInfoStream);
        }
        // Components a damaged stream may have named as children are not the document's.
        DestroyComponents();
    }
    CurrentLabelNo = std::max(0, CurrentLabelNo);

    const QByteArray paper = ReadIfExists(*sheet, kPaperInfoStream);
    if (!paper.isNull()) {
        try {
            std::unique_ptr<TPaperInfo> read = ReadResAs<TPaperInfo>(paper);
            if (!read->IsSound())
                throw EReadError(QStringLiteral("Invalid stream format"));
            SetPaperInfo(*read);
        } catch (const Exception&) {
            unread.append(kPaperInfoStream);
        }
    }
    if (CurrentLabelNo >= std::max(1, layoutPaper_->GetFaceCount()))
        CurrentLabelNo = 0;

    const QByteArray extra = ReadIfExists(*sheet, kPaperExtraInfoStream);
    try {
        if (extra.isNull())
            extraInfo_ = std::make_unique<TExPaperInfo>(nullptr);
        else
            extraInfo_ = ReadResAs<TExPaperInfo>(extra);
    } catch (const Exception&) {
        extraInfo_ = std::make_unique<TExPaperInfo>(nullptr);
        unread.append(kPaperExtraInfoStream);
    }

    const QByteArray images = ReadIfExists(*sheet, kPaperImageInfoStream);
    try {
        if (images.isNull()) {
            imageInfo_ = std::make_unique<TImagePaperInfo>(nullptr);
        } else {
            std::unique_ptr<TImagePaperInfo> read = ReadResAs<TImagePaperInfo>(images);
            if (sheet->StorageExists(kPaperImagesStorage)) {
                TDocStorage folder(sheet.get(), kPaperImagesStorage, false);
                TStringList streams;
                folder.GetStreamNames(streams);
                QStringList names = streams.ToQStringList();
                std::sort(names.begin(), names.end());
                for (int i = 0; i < names.size(); ++i) {
                    TMemoryStream stream(ReadElementBytes(&folder, names[i]));
                    TOwnedDOList list;
                    list.LoadFromStream(stream);
                    read->SetImageObjects(i, list);
                }
            }
            imageInfo_ = std::move(read);
        }
    } catch (const Exception&) {
        imageInfo_ = std::make_unique<TImagePaperInfo>(nullptr);
        unread.append(kPaperImageInfoStream);
    }

    const QByteArray album = ReadIfExists(*sheet, kPaperExtraAlbumStream);
    try {
        if (album.isNull())
            albumInfo_ = std::make_unique<TExAlbumInfo>(nullptr);
        else
            albumInfo_ = ReadResAs<TExAlbumInfo>(album);
    } catch (const Exception&) {
        albumInfo_ = std::make_unique<TExAlbumInfo>(nullptr);
        unread.append(kPaperExtraAlbumStream);
    }
    if (!unread.isEmpty())
        loadWarnings_.append(QStringLiteral("%1: %2").arg(sheetLabel, unread.join(QStringLiteral(", "))));
}

void TLabelData::SetCurrentSheetNo(int index) {
    if (index == currentSheetNo_)
        return;
    if (index < 0 || index >= GetSheetCount())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    StoreCurrentSheet();
    currentSheetNo_ = index;
    LoadCurrentSheet();
}

void TLabelData::GetSheetNames(TStrings& list) {
    const int saved = currentSheetNo_;
    const auto restore = qScopeGuard([&] {
        if (saved >= 0 && saved < GetSheetCount())
            SetCurrentSheetNo(saved);
    });
    for (int i = 0; i < GetSheetCount(); ++i) {
        SetCurrentSheetNo(i);
        list.Add(sheetName_);
    }
}

QString TLabelData::MakeUniqueSheetName(const QString& nameFormat) {
    TStringList names;
    GetSheetNames(names);
    QString name;
    for (int n = 1; n <= kLastSheetNameNumber; ++n) {
        name = QString(nameFormat).replace(QStringLiteral("%d"), QString::number(n));
        bool used = false;
        for (int i = 0; i < names.Count() && !used; ++i)
            used = names[i].compare(name, Qt::CaseInsensitive) == 0;
        if (!used)
            break;
    }
    return name;
}

void TLabelData::AppendSheet(const QString& nameFormat) {
    const int index = sheets_->AddNewName();
    StoreCurrentSheet();
    // The new sheet takes over the in-memory state of the one that was current.
    currentSheetNo_ = index;
    SetSheetName(MakeUniqueSheetName(nameFormat));
    modified_ = true;
}

void TLabelData::AddSheet() {
    AppendSheet(QStringLiteral("新規シート%d"));
}

void TLabelData::CopySheet() {
    const QString format = sheetName_ + QStringLiteral("のコピー%d");
    const int old = currentSheetNo_;
    AppendSheet(format);
    if (old < 0)
        return;
    std::unique_ptr<TDocStorage> from = sheets_->OpenStorage(old, true);
    std::unique_ptr<TDocStorage> to = OpenSheetStorage();
    from->CopyTo(*to);
}

void TLabelData::DeleteSheet(int index) {
    if (index < 0 || index >= GetSheetCount())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    readAhead_.reset();
    if (index == currentSheetNo_) {
        sheets_->DeleteStorage(index);
        const int old = currentSheetNo_;
        currentSheetNo_ = -1;
        if (GetSheetCount() > 0) {
            currentSheetNo_ = std::min(old, GetSheetCount() - 1);
            LoadCurrentSheet();
        }
    } else {
        // Another sheet goes: the current one keeps what was not stored yet and stays current.
        StoreCurrentSheet();
        sheets_->DeleteStorage(index);
        if (index < currentSheetNo_)
            --currentSheetNo_;
    }
    modified_ = true;
}

void TLabelData::MoveSheet(int newIndex) {
    if (newIndex == currentSheetNo_ || currentSheetNo_ < 0)
        return;
    if (newIndex < 0 || newIndex >= GetSheetCount())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(newIndex));
    StoreCurrentSheet();
    sheets_->Move(currentSheetNo_, newIndex);
    currentSheetNo_ = newIndex;
    LoadCurrentSheet();
    modified_ = true;
}

// ---- papers

void TLabelData::SetPaperInfo(const TPaperInfo& paper) {
    std::unique_ptr<TPaperInfo> copy(static_cast<TPaperInfo*>(paper.NewInstance(nullptr)));
    copy->Assign(&paper);
    paper_ = std::move(copy);
    if (currentSheetNo_ >= 0) {
        // Pages are laid out on the layout paper's one face: a paper without faces of its own (the
        // default paper) must not take the page with it.
        const int keep = std::max(paper_->GetFaceCount(), 1);
        std::unique_ptr<TDocStorage> sheet = OpenSheetStorage();
        TDocStreamList faces(sheet.get(), kFaceListStream);
        while (faces.Count() > keep) {
            faces.DeleteStream(faces.Count() - 1);
            readAhead_.reset();
        }
    }
    auto layout = std::make_unique<TMatrixPaperInfo>(nullptr);
    layout->Landscape = false;
    layout->SetWidth(paper_->StoredWidth());
    layout->SetHeight(paper_->StoredHeight());
    layout->PaperName = paper_->PaperName;
    layout->GroupName = paper_->GroupName;
    layout->ReadOnly = paper_->ReadOnly;
    layout->PurposeList()->Assign(paper_->PurposeList());
    layout->FaceCountX = layout->FaceCountY = 1;
    layout->FaceWidth = paper_->StoredWidth();
    layout->FaceHeight = paper_->StoredHeight();
    layout->FaceShape = fsRect;
    layout->FaceMargin = 0;
    layout->RoundSize = 0;
    layout->Landscape = paper_->Landscape;
    layoutPaper_ = std::move(layout);
    modified_ = true;
}

void TLabelData::ChangePaperInfo(const TPaperInfo& paper) {
    SetPaperInfo(paper);
    for (int i = 0; i < layoutPaper_->GetFaceCount(); ++i)
        DeletePreview(i);
}

void TLabelData::SetPaperExtraInfo(const TExPaperInfo* value) {
    extraInfo_ = std::make_unique<TExPaperInfo>(nullptr);
    if (value != nullptr)
        extraInfo_->Assign(value);
    modified_ = true;
}

void TLabelData::SetPaperImageInfo(const TImagePaperInfo* value) {
    imageInfo_ = std::make_unique<TImagePaperInfo>(nullptr);
    if (value != nullptr)
        imageInfo_->Assign(value);
    modified_ = true;
}

void TLabelData::SetPaperExtraAlbum(const TExAlbumInfo* value) {
    albumInfo_ = std::make_unique<TExAlbumInfo>(nullptr);
    if (value != nullptr)
        albumInfo_->Assign(value);
    modified_ = true;
}

bool TLabelData::IsLabelFixed() const {
    return albumInfo_ != nullptr && albumInfo_->LabelFixed;
}

// ---- faces

std::pair<QString, int> TLabelData::FaceKey(int entry) const {
    return {sheets_->Strings(currentSheetNo_), entry};
}

std::unique_ptr<TStream> TLabelData::OpenLabelStream(int index, bool forWrite, bool unpack) {
    if (currentSheetNo_ < 0 || index < 0)
        return nullptr;
    const int entry = MapFaceIndex(index);
    std::unique_ptr<TDocStorage> sheet = OpenSheetStorage();
    TDocStreamList faces(sheet.get(), kFaceListStream);
    if (forWrite) {
        readAhead_.reset();
        while (faces.Count() <= entry)
            faces.AddNewName();
        return faces.OpenStream(entry, ModeCreate);
    }
    if (!faces.StreamExists(entry))
        return nullptr;
    std::unique_ptr<TDocStream> stream = faces.OpenStream(entry, 0);
    int32_t size = 0;
    if (unpack && ReadZLIBHeader(*stream, size)) {
        if (size < 0)
            throw EDecompressionError(QStringLiteral("Invalid unpacked size"));
        return std::make_unique<TMemoryStream>(ZLIBDecompressToBytes(*stream, size));
    }
    stream->SetPosition(0);
    return stream;
}

bool TLabelData::HasLabelData(int index) {
    std::unique_ptr<TStream> stream = OpenLabelStream(index, false, false);
    return stream != nullptr && stream->GetSize() > 0;
}

void TLabelData::LoadLabelObjects(int index, TOwnedDOList& list) {
    std::unique_ptr<TComponent> read;
    if (readAhead_ && readAhead_->first == FaceKey(MapFaceIndex(index)))
        read = std::move(readAhead_->second);
    readAhead_.reset();
    if (read == nullptr)
        read = ReadLabelComponent(index);
    if (read != nullptr)
        PlaceLabelObjects(index, *read, list);
}

void TLabelData::ReadAheadLabelObjects(int index) {
    readAhead_.reset();
    if (std::unique_ptr<TComponent> read = ReadLabelComponent(index))
        readAhead_.emplace(FaceKey(MapFaceIndex(index)), std::move(read));
}

std::unique_ptr<TComponent> TLabelData::ReadLabelComponent(int index) {
    std::unique_ptr<TStream> stream;
    std::unique_ptr<TComponent> read;
    try {
        stream = OpenLabelStream(index, false, false);
        if (stream == nullptr || stream->GetSize() == 0)
            return nullptr;
        read = ReadPageComponent(*stream);
        stream.reset();
        if (dynamic_cast<TLDObjects*>(read.get()) == nullptr)
            throw EReadError(QStringLiteral("Invalid stream format"));
    } catch (const Exception&) {
        damagedFaces_.insert(FaceKey(MapFaceIndex(index)));
        throw;
    }
    damagedFaces_.erase(FaceKey(MapFaceIndex(index)));
    return read;
}

void TLabelData::PlaceLabelObjects(int index, TComponent& read, TOwnedDOList& list) {
    const bool onPaper = index < layoutPaper_->GetFaceCount();
    TFaceInfo face;
    if (onPaper)
        layoutPaper_->GetFaceInfo(index, face);
    const TRect outer = onPaper ? face.GetOuterRect() : TRect();
    TOwnedDOList loaded;
    while (read.ComponentCount() > 0) {
        std::unique_ptr<TComponent> child(read.Components(0));
        read.RemoveComponent(child.get());
        auto* object = dynamic_cast<TDrawObject*>(child.get());
        if (object == nullptr)
            continue;
        child.release();
        object->SetName(QString());
        // A date that follows the document shows the moment it names.
        if (auto* date = dynamic_cast<TLODate*>(object)) {
            switch (date->UpdateFlag()) {
            case dufOpen:
                date->SetDate(OpenTime);
                break;
            case dufPrint:
                date->SetDate(LastPrint);
                break;
            case dufSave:
                date->SetDate(LastSave);
                break;
            case dufNo:
                break;
            }
        }
        // A background fills the face it is loaded onto, whatever face it was stored with.
        if (auto* background = dynamic_cast<TLOBackImage*>(object); background != nullptr && onPaper) {
            background->SetFaceInfo(face);
            background->SetEnclosingSize(outer.Right - outer.Left, outer.Bottom - outer.Top);
        }
        // A photo frame on one of the paper's faces takes that face's shape, which is not stored
        // with it.
        if (auto* photo = dynamic_cast<TLOAlbumPhoto*>(object))
            GiveFaceShape(*photo);
        loaded.Add(std::unique_ptr<TDrawObject>(object));
    }
    TDOList view;
    loaded.ListObjects(view);
    // A paper without a size (the default one) has no inside to keep objects in.
    if (outer.Right > outer.Left && outer.Bottom > outer.Top) {
        KeepObjectsInRect(view, TRect(0, 0, outer.Right - outer.Left, outer.Bottom - outer.Top));
    }
    for (auto& object : loaded.TakeAll())
        list.Add(std::move(object));
}

void TLabelData::GiveFaceShape(TLOAlbumPhoto& photo) {
    if (!paper_)
        return;
    // The face the frame covers most is the one it belongs to, however the user resized it.
    const TRect frame = NormalizeRect(photo.LogRect());
    int64_t most = 0;
    int owner = -1;
    for (int i = 0; i < paper_->GetFaceCount(); ++i) {
        TFaceInfo face;
        paper_->GetFaceInfo(i, face);
        const TRect outer = face.GetOuterRect();
        const int64_t width = int64_t(std::min(frame.Right, outer.Right)) - std::max(frame.Left, outer.Left);
        const int64_t height = int64_t(std::min(frame.Bottom, outer.Bottom)) - std::max(frame.Top, outer.Top);
        if (width > 0 && height > 0 && width * height > most) {
            most = width * height;
            owner = i;
        }
    }
    if (owner < 0) {
        photo.ClearFaceShape();
        return;
    }
    TFaceInfo face;
    paper_->GetFaceInfo(owner, face);
    photo.SetFaceShape(face);
}

void TLabelData::StoreLabelObjects(int index, const TDOList& list) {
    const bool empty = list.Count() == 0 || (list.Count() == 1 && IsPlainWhiteBackground(list.Items(0)));
    // A page that could not be read is not replaced by nothing: its bytes stay for a later repair.
    if (empty && currentSheetNo_ >= 0 && damagedFaces_.count(FaceKey(MapFaceIndex(index))) != 0)
        return;
    std::unique_ptr<TStream> stream = OpenLabelStream(index, true, false);
    if (stream != nullptr && !empty) {
        TLDObjects holder(nullptr);
        holder.Objects = &list;
        TMemoryStream bytes;
        WriteComponentRes(bytes, kFaceResName, &holder);
        stream->WriteBytes(bytes.Data());
    }
    if (currentSheetNo_ >= 0)
        damagedFaces_.erase(FaceKey(MapFaceIndex(index)));
    modified_ = true;
    DeletePreview(index);
}

void TLabelData::ClearLabel(int index) {
    if (currentSheetNo_ < 0 || index < 0)
        return;
    {
        std::unique_ptr<TDocStorage> sheet = OpenSheetStorage();
        TDocStreamList faces(sheet.get(), kFaceListStream);
        if (index < faces.Count())
            faces.DeleteElement(index);
    }
    readAhead_.reset();
    damagedFaces_.erase(FaceKey(index));
    DeletePreview(index);
    modified_ = true;
}

// ---- previews

std::unique_ptr<TStream> TLabelData::OpenPreviewStream(int index, bool forRead) {
    if (currentSheetNo_ < 0 || index < 0)
        return nullptr;
    const int entry = MapFaceIndex(index);
    std::unique_ptr<TDocStorage> sheet = OpenSheetStorage();
    TDocStreamList previews(sheet.get(), kPreviewListStream);
    if (forRead) {
        if (!previews.StreamExists(entry))
            return nullptr;
        return previews.OpenStream(entry, 0);
    }
    while (previews.Count() <= entry)
        previews.AddNewName();
    return previews.OpenStream(entry, ModeCreate);
}

bool TLabelData::HasPreview(int index) {
    std::unique_ptr<TStream> stream = OpenPreviewStream(index, true);
    return stream != nullptr && stream->GetSize() > 0;
}

void TLabelData::DeletePreview(int index) {
    if (currentSheetNo_ < 0 || index < 0)
        return;
    std::unique_ptr<TDocStorage> sheet = OpenSheetStorage();
    TDocStreamList previews(sheet.get(), kPreviewListStream);
    const int entry = MapFaceIndex(index);
    if (entry < previews.Count())
        previews.DeleteElement(entry);
}

void TLabelData::UpdatePreview(int index) {
    if (OpenPreviewStream(index, true) != nullptr)
        return;
    std::unique_ptr<TStream> stream = OpenPreviewStream(index, false);
    if (stream != nullptr)
        MakePreview(index, *stream);
}

void TLabelData::LoadShownObjects(int index, TOwnedDOList& objects, bool paperImages) {
    LoadLabelObjects(index, objects);
    for (int i = 0; i < objects.Count(); ++i)
        if (auto* photo = dynamic_cast<TLOAlbumPhoto*>(objects[i]);
            photo && photo->PhotoImageObj()->IsEmpty())
            photo->SetVisible(false);
    if (paperImages && imageInfo_ != nullptr && !imageInfo_->IsEmpty()) {
        TImagePaperInfo images(nullptr);
        images.Assign(imageInfo_.get());
        // The back of a sheet printed from the reverse side shows the paper's images mirrored.
        if (IsFaceSideMatch(int(FaceSides), layoutPaper_->Landscape, currentSheetNo_))
            MirrorPaperImages(*layoutPaper_, images);
        TOwnedDOList paperImageObjects;
        images.GetImageObjects(index, paperImageObjects);
        if (layoutPaper_->Landscape) {
            TDOList view;
            paperImageObjects.ListObjects(view);
            FlipObjectsForLandscape(view, *layoutPaper_, index, false);
        }
        for (auto& object : paperImageObjects.TakeAll())
            objects.Add(std::move(object));
    }
    if (objects.IsEmpty() || index >= layoutPaper_->GetFaceCount())
        return;
    TDOList view;
    objects.ListObjects(view);
    FitBackImagesToPrintArea(*this, view, kPaperUnitsPerInch);
}

void TLabelData::MakePreview(int index, TStream& stream) {
    TOwnedDOList objects;
    LoadShownObjects(index, objects, true);
    if (objects.IsEmpty() || index >= layoutPaper_->GetFaceCount())
        return;
    TFaceInfo face;
    layoutPaper_->GetFaceInfo(index, face);
    TBitmap bitmap;
    MakeObjectsThumbnail(face, std::move(objects), bitmap, kPreviewMaxSize, kPreviewMaxSize, -1);
    TPictureEx picture;
    TPNGImage png;
    png.Assign(bitmap);
    picture.SetGraphic(&png);
    TMemoryStream bytes;
    picture.SaveToStream(bytes);
    stream.WriteBytes(bytes.Data());
}

namespace {

// A stored preview: a plain BMP file in older documents, else the picture holder's stored form.
void ReadPreview(TStream& stream, TPicture& picture) {
    QByteArray bytes = stream.ReadBytes(stream.GetSize());
    if (bytes.isEmpty())
        return;
    TPictureEx read;
    if (bytes.startsWith("BM")) {
        TBitmap bitmap;
        TMemoryStream memory(bytes);
        bitmap.LoadFromStream(memory);
        read.SetGraphic(&bitmap);
    } else {
        TMemoryStream memory(bytes);
        read.LoadFromStream(memory);
    }
    picture.Assign(&read);
}

} // namespace

void TLabelData::GetPreview(int index, TPicture& picture) {
    UpdatePreview(index);
    std::unique_ptr<TStream> stream = OpenPreviewStream(index, true);
    if (stream != nullptr)
        ReadPreview(*stream, picture);
}

bool TLabelData::LoadPreviewFromFile(TPicture& picture, const QString& fileName, int sheetIndex,
                                     int faceIndex) {
    TFileStorage file(fileName, 0);
    if (!file.StreamExists(kSheetListStream))
        return false;
    TDocStorageList sheets(&file, kSheetListStream);
    if (sheetIndex < 0 || sheetIndex >= sheets.Count() ||
        !file.StorageExists(sheets.GetElementPath(sheetIndex)))
        return false;
    std::unique_ptr<TDocStorage> sheet = sheets.OpenStorage(sheetIndex, false);
    if (!sheet->StreamExists(kPreviewListStream))
        return false;
    TDocStreamList previews(sheet.get(), kPreviewListStream);
    if (!previews.StreamExists(faceIndex))
        return false;
    std::unique_ptr<TDocStream> stream = previews.OpenStream(faceIndex, 0);
    if (stream->GetSize() == 0)
        return false;
    ReadPreview(*stream, picture);
    return true;
}

// ---- load and save

void TLabelData::ReadDataInfo(TTemporaryStorage& storage, QStringList& warnings, int sheetCount) {
    auto info = std::make_unique<TDataInfo>(nullptr);
    bool read = false;
    try {
        const QByteArray bytes = ReadIfExists(storage, kDataInfoStream);
        if (!bytes.isNull()) {
            TMemoryStream stream(bytes);
            ReadComponentRes(stream, *info);
            read = true;
        }
    } catch (const Exception&) {
        info = std::make_unique<TDataInfo>(nullptr);
    }
    if (!read)
        warnings.append(kDataInfoStream);
    DataName = info->DataName;
    currentSheetNo_ = std::clamp(info->CurrentSheetNo, 0, sheetCount - 1);
    if (TProductInfo* product = info->Child(kProductInfoName))
        productInfo_->Assign(product);
    LastPrint = info->LastPrint;
    LastSave = info->LastSave;
    OpenTime = NowDateTime();
    SheetMode = info->SheetMode;
    FaceSides = info->FaceSides;
    FrontCover = info->FrontCover;
    BackCover = info->BackCover;
    commonGrid_->Assign(info->CommonGrid());
}

ELabelDataOpen::ELabelDataOpen(const QString& fileName, TOpenFault fault, const QString& cause,
                               const QString& detail)
    : ELabelData(QStringLiteral("文書「%1」を開けません。%2").arg(fileName, cause) +
                 (detail.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(detail))),
      fileName_(fileName), fault_(fault), cause_(cause), detail_(detail) {}

void TLabelData::CheckDocumentKind(TDocStorage& storage, const QString& fileName) {
    // A sound compound file of another program holds neither part: it is another kind of file,
    // not a damaged document.
    if (!storage.StreamExists(kDataInfoStream) && !storage.StorageExists(kSheetsStorage))
        throw ELabelDataOpen(fileName, TOpenFault::NotCompoundFile, QStringLiteral("文書のファイルではありません"),
                             QString());
}

QStringList TLabelData::CheckSheetList(TDocStorage& storage, TDocStorageList& sheets, const QString& fileName) {
    // A list naming none of the file's sheets is damaged: opened, it would show empty sheets made up
    // in place of the real ones, and a save would write that over the file.
    const auto damaged = [&] {
        return ELabelDataOpen(fileName, TOpenFault::DamagedPart, QStringLiteral("シート一覧が壊れています"), QString());
    };
    TStringList held;
    TDocStorage(&storage, kSheetsStorage, false).GetStorageNames(held);
    QStringList unlisted = held.ToQStringList();
    QStringList warnings;
    for (int i = 0; i < sheets.Count(); ++i) {
        const QString name = sheets.Strings(i);
        if (name.isEmpty() || name.contains(QLatin1Char('\\')) || name == QLatin1String(".") ||
            name == QLatin1String(".."))
            throw damaged();
        const auto at = std::find_if(unlisted.begin(), unlisted.end(), [&](const QString& held) {
            return held.compare(name, Qt::CaseInsensitive) == 0; // as the file's names compare
        });
        if (at != unlisted.end())
            unlisted.erase(at);
        else if (!storage.StorageExists(kSheetsStorage + QLatin1Char('\\') + name))
            warnings.append(QStringLiteral("シート%1（シートがありません）").arg(i + 1));
    }
    if (warnings.size() == sheets.Count())
        throw damaged();
    // Sheets the list leaves out stay in the file; the document is only told, so it is not saved over.
    if (!unlisted.isEmpty())
        warnings.append(QStringLiteral("一覧にないシート（%1）").arg(unlisted.join(QStringLiteral(", "))));
    return warnings;
}

void TLabelData::ReadOtherSheets() {
    // Each sheet's own streams are read once on opening, so that damage anywhere is told (and the
    // file kept from being saved over) before a save could write defaults in their place.
    const int current = currentSheetNo_;
    for (int i = 0; i < GetSheetCount(); ++i) {
        if (i == current)
            continue;
        currentSheetNo_ = i;
        LoadCurrentSheet();
    }
    currentSheetNo_ = current;
}

void TLabelData::LoadFromFile(const QString& fileName) {
    auto storage = std::make_unique<TTemporaryStorage>();
    try {
        storage->LoadFromFile(fileName);
    } catch (const Exception& e) {
        const TOpenFault fault = OpenFaultOf(e, fileName);
        throw ELabelDataOpen(fileName, fault, OpenFaultCause(fault), e.Message());
    }
    const auto damagedPart = [&](const QString& cause, const QString& detail = QString()) {
        return ELabelDataOpen(fileName, TOpenFault::DamagedPart, cause, detail);
    };
    CheckDocumentKind(*storage, fileName);
    if (!storage->StreamExists(kSheetListStream))
        throw damagedPart(QStringLiteral("シート一覧がありません"));
    std::unique_ptr<TDocStorageList> sheets;
    try {
        sheets = std::make_unique<TDocStorageList>(storage.get(), kSheetListStream);
    } catch (const Exception& e) {
        throw damagedPart(QStringLiteral("シート一覧が読めません"), e.Message());
    }
    if (sheets->Count() == 0)
        throw damagedPart(QStringLiteral("シート一覧がありません"));
    const QStringList sheetWarnings = CheckSheetList(*storage, *sheets, fileName);
    // Every sheet must open as a storage (a missing one is made empty in the working copy), so that
    // nothing fails once the document has been replaced.
    for (int i = 0; i < sheets->Count(); ++i) {
        try {
            sheets->OpenStorage(i, true);
        } catch (const Exception& e) {
            throw damagedPart(QStringLiteral("シート「%1」が読めません").arg(sheets->Strings(i)), e.Message());
        }
    }

    // Nothing of the open document has changed so far; from here on only what is read is taken.
    sheets_.reset();
    storage_ = std::move(storage);
    sheets_ = std::move(sheets);
    damagedFaces_.clear();
    readAhead_.reset();
    QStringList warnings;
    loadWarnings_ = sheetWarnings;
    ReadDataInfo(*storage_, warnings, sheets_->Count());
    if (!warnings.isEmpty())
        loadWarnings_.append(warnings.join(QStringLiteral(", ")));
    ReadOtherSheets();
    LoadCurrentSheet();
    modified_ = false;
}

void TLabelData::WriteDataInfo() {
    TDataInfo info(nullptr);
    info.DataName = DataName;
    info.CurrentSheetNo = currentSheetNo_;
    const std::pair<const QString*, TProductInfo*> children[] = {{&kProductInfoName, productInfo_.get()},
                                                                 {&kCreatorInfoEName, creatorInfoE_.get()},
                                                                 {&kCreatorInfoJName, creatorInfoJ_.get()}};
    for (const auto& [name, source] : children) {
        auto* child = new TProductInfo(&info);
        child->Assign(source);
        child->SetName(*name);
    }
    info.LastPrint = LastPrint;
    info.LastSave = LastSave;
    info.SheetMode = SheetMode;
    info.FaceSides = FaceSides;
    info.FrontCover = FrontCover;
    info.BackCover = BackCover;
    info.CommonGrid()->Assign(commonGrid_.get());
    WriteElementBytes(storage_.get(), kDataInfoStream, ResourceBytes(kDataInfoStream, &info));
}

void TLabelData::PackFaces(TFacePackQueue& queue) {
    std::unique_ptr<TDocStorage> sheet = OpenSheetStorage();
    if (!sheet->StreamExists(kFaceListStream))
        return;
    TDocStreamList faces(sheet.get(), kFaceListStream);
    for (int i = 0; i < faces.Count(); ++i) {
        if (!faces.StreamExists(i))
            continue;
        std::unique_ptr<TDocStream> stream = faces.OpenStream(i, 0);
        if (stream->GetSize() == 0 || IsPacked(*stream))
            continue;
        queue.Add(currentSheetNo_, i, stream->ReadBytes(stream->GetSize()));
    }
}

void TLabelData::SaveToFile(const QString& fileName, TPhasedProgressBase* progress) {
    try {
        if (progress != nullptr)
            progress->BeginPhase(1, GetSheetCount() + 2);
        StoreCurrentSheet();
        if (progress != nullptr)
            progress->StepIt();
        WriteDataInfo();
        if (progress != nullptr)
            progress->StepIt();
        {
            const int saved = currentSheetNo_;
            const auto restore = qScopeGuard([&] {
                try {
                    SetCurrentSheetNo(saved);
                } catch (const Exception&) {
                    // The sheet was current before and its storage is there; nothing to tell.
                }
            });
            TFacePackQueue queue([this](int sheetNo, int entry, const QByteArray& packed) {
                std::unique_ptr<TDocStorage> sheet = sheets_->OpenStorage(sheetNo, true);
                TDocStreamList faces(sheet.get(), kFaceListStream);
                faces.OpenStream(entry, ModeCreate)->WriteBytes(packed);
            });
            for (int s = 0; s < GetSheetCount(); ++s) {
                SetCurrentSheetNo(s);
                for (int f = 0; f < layoutPaper_->GetFaceCount(); ++f) {
                    try {
                        UpdatePreview(f);
                    } catch (const Exception&) {
                        // A page that cannot be read has no preview; its bytes are saved as they are.
                    }
                }
                PackFaces(queue);
                if (progress != nullptr)
                    progress->StepIt();
            }
            queue.Finish();
        }
        storage_->SaveToFile(fileName);
    } catch (const Exception& e) {
        if (progress != nullptr)
            progress->EndPhase();
        throw ELabelData(QStringLiteral("文書「%1」を保存できません。%2").arg(fileName, e.Message()));
    }
    modified_ = false;
    if (progress != nullptr)
        progress->EndPhase();
}

void RegisterLabelDataClasses() {
    RegisterPaperClasses();
    RegisterExtraInfoClasses();
    RegisterProductClasses();
    RegisterClasses({&TLabelData::StaticClass(), &TDataInfo::StaticClass(), &TLDObjects::StaticClass()});
}
