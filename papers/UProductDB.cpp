#include "papers/UProductDB.h"

#include "core/UAppFrame.h"
#include "core/UDocStorage.h"
#include "platform/ClassRegistry.h"
#include "platform/ComponentReader.h"
#include "platform/ComponentResource.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString kNameList = QStringLiteral("Infos\\NameList");
const QString kResourceName = QStringLiteral("ProductInfo");
constexpr int kGuidSize = 16;
// Records 0 and 1 are the creator records.
constexpr int kFirstCreatorRecords = 2;

const char* const kProductFields[] = {"メインタイトル", "サブタイトル", "担当者",    "コピーライト",
                                      "バージョン",     "日付",         "自由項目1", "自由項目2",
                                      "自由項目3",      "自由項目4"};
const char* const kCreatorFields[] = {"会社名", "部署名",       "TEL",       "FAX",       "郵便番号", "住所1",
                                      "住所2",  "ホームページ", "自由項目1", "自由項目2", "自由項目3"};

} // namespace

QByteArray GuidToMemoryBytes(const TGUID& guid) {
    QByteArray bytes(kGuidSize, '\0');
    auto* b = reinterpret_cast<uint8_t*>(bytes.data());
    for (int i = 0; i < 4; ++i)
        b[i] = uint8_t(guid.D1 >> (8 * i));
    b[4] = uint8_t(guid.D2);
    b[5] = uint8_t(guid.D2 >> 8);
    b[6] = uint8_t(guid.D3);
    b[7] = uint8_t(guid.D3 >> 8);
    for (int i = 0; i < 8; ++i)
        b[8 + i] = guid.D4[size_t(i)];
    return bytes;
}

TGUID GuidFromMemoryBytes(const QByteArray& bytes) {
    TGUID guid;
    if (bytes.size() != kGuidSize)
        return guid;
    auto* b = reinterpret_cast<const uint8_t*>(bytes.constData());
    guid.D1 = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    guid.D2 = uint16_t(b[4] | b[5] << 8);
    guid.D3 = uint16_t(b[6] | b[7] << 8);
    for (int i = 0; i < 8; ++i)
        guid.D4[size_t(i)] = b[8 + i];
    return guid;
}

// ---- TProductItem

void TProductItem::DeclareProperties(TPropertyBuilder<TProductItem>& p) {
    p.Strings("Info", &TProductItem::Info);
    p.String("FieldName", &TProductItem::FieldName, &TProductItem::FieldName);
}

void TProductItem::Assign(const TPersistent* source) {
    if (auto* item = dynamic_cast<const TProductItem*>(source)) {
        info_.Assign(item->info_);
        FieldName = item->FieldName;
        return;
    }
    TCollectionItem::Assign(source);
}

// ---- TProductInfo

TProductInfo::TProductInfo(TComponent* owner)
    : TComponent(owner), items_(std::make_unique<TProductItemCollection>(this)), guid_(TGUID::Create()) {
    for (const char* name : kProductFields)
        items_->Add()->FieldName = QString::fromUtf8(name);
}

TProductInfo::~TProductInfo() = default;

void TProductInfo::DeclareProperties(TPropertyBuilder<TProductInfo>& p) {
    p.Collection("Items", &TProductInfo::Items);
}

void TProductInfo::DefineProperties(TFiler& filer) {
    TComponent::DefineProperties(filer);
    filer.DefineBinaryProperty(
        QStringLiteral("GUID"),
        [this](TStream& stream) {
            if (stream.GetSize() != kGuidSize)
                throw EReadError(QStringLiteral("Invalid property value"));
            guid_ = GuidFromMemoryBytes(stream.ReadBytes(kGuidSize));
        },
        [this](TStream& stream) { stream.WriteBytes(GuidToMemoryBytes(guid_)); }, true);
}

void TProductInfo::Assign(const TPersistent* source) {
    if (auto* info = dynamic_cast<const TProductInfo*>(source)) {
        items_->Assign(info->items_.get());
        guid_ = info->guid_;
        return;
    }
    TComponent::Assign(source);
}

void TProductInfo::MakeCreatorFields() {
    items_->Clear();
    for (const char* name : kCreatorFields)
        items_->Add()->FieldName = QString::fromUtf8(name);
}

// ---- TProductDB

TProductDB::TProductDB(TComponent* owner) : TComponent(owner) {}

TProductDB::~TProductDB() {
    try {
        if (modified_)
            Save();
    } catch (...) {
        // Never from a destructor; the file stays as it was.
    }
    Close();
}

void TProductDB::Close() {
    names_.reset();
    root_.reset();
}

void TProductDB::Open() {
    RegisterProductClasses();
    Close();
    expandedName_ = ExpandMacros(FileName);
    root_ = std::make_unique<TTemporaryStorage>();
    const bool exists = QFileInfo::exists(expandedName_);
    if (exists)
        root_->LoadFromFile(expandedName_);
    names_ = std::make_unique<TDocStreamList>(root_.get(), kNameList);
    // A new file gets its five first records; a damaged one that lacks some gets them too, so
    // that products never land in the creator or reserved places.
    const int before = GetRecordCount();
    while (GetRecordCount() < kFirstCreatorRecords) {
        TProductInfo creator(nullptr);
        creator.MakeCreatorFields();
        AddRecord(creator);
    }
    while (GetRecordCount() < kFirstProduct)
        AddRecord(TProductInfo(nullptr));
    modified_ = exists && GetRecordCount() != before;
}

void TProductDB::Save() {
    if (!root_)
        throw EProductDB(QStringLiteral("製品データが開かれていません"));
    try {
        QDir().mkpath(QFileInfo(expandedName_).absolutePath());
        root_->SaveToFile(expandedName_);
    } catch (const Exception& e) {
        throw EProductDB(
            QStringLiteral("製品データを保存できませんでした(%1): %2").arg(expandedName_, e.Message()));
    }
    modified_ = false;
}

int TProductDB::GetRecordCount() const {
    return names_ ? names_->Count() : 0;
}

int TProductDB::GetProductCount() const {
    return std::max(0, GetRecordCount() - kFirstProduct);
}

void TProductDB::LoadRecord(int index, TProductInfo& target) {
    if (!names_ || index < 0 || index >= names_->Count())
        throw EProductDB(QStringLiteral("List index out of bounds (%1)").arg(index));
    std::unique_ptr<TDocStream> stream = names_->OpenStream(index, 0);
    ReadComponentRes(*stream, target);
}

void TProductDB::LoadProduct(int index, TProductInfo& target) {
    if (index < 0 || index >= GetProductCount())
        throw EProductDB(QStringLiteral("List index out of bounds (%1)").arg(index));
    LoadRecord(index + kFirstProduct, target);
}

void TProductDB::LoadCreatorE(TProductInfo& target) {
    LoadRecord(0, target);
}

void TProductDB::LoadCreatorJ(TProductInfo& target) {
    LoadRecord(1, target);
}

void TProductDB::WriteRecord(int index, const TProductInfo& info) {
    std::unique_ptr<TDocStream> stream = names_->OpenStream(index, ModeCreate);
    WriteComponentRes(*stream, kResourceName, const_cast<TProductInfo*>(&info));
}

void TProductDB::AddRecord(const TProductInfo& info) {
    WriteRecord(names_->AddNewName(), info);
}

void TProductDB::StoreRecord(const TProductInfo& info) {
    if (!names_)
        throw EProductDB(QStringLiteral("製品データが開かれていません"));
    for (int i = 0; i < names_->Count(); ++i) {
        TProductInfo scratch(nullptr);
        try {
            LoadRecord(i, scratch);
        } catch (const Exception&) {
            // A record that cannot be read is no match; it stays as it is.
            continue;
        }
        if (scratch.GUID() == info.GUID()) {
            WriteRecord(i, info);
            modified_ = true;
            return;
        }
    }
    AddRecord(info);
    modified_ = true;
}

void RegisterProductClasses() {
    RegisterClass(TProductInfo::StaticClass());
}
