#pragma once
// The product database: free-form records of named text fields that documents carry with them,
// two creator records (the user's company and address) and the product records, each known by
// a GUID. One database lives from start-up to shutdown in its compound file, worked on in a
// temporary copy.

#include "platform/Component.h"
#include "platform/Exception.h"
#include "platform/Guid.h"
#include "platform/StringList.h"

#include <QString>
#include <memory>

class TDocStreamList;
class TTemporaryStorage;

QUORLANE_EXCEPTION(EProductDB, Exception)

class TProductItem : public TCollectionItem {
    QUORLANE_CLASS(TProductItem, TCollectionItem)

public:
    using TCollectionItem::TCollectionItem;
    static void DeclareProperties(TPropertyBuilder<TProductItem>& p);
    void Assign(const TPersistent* source) override;

    // The field's text lines.
    TStringList* Info() { return &info_; }
    const TStringList& InfoLines() const { return info_; }
    QString FieldName;

private:
    TStringList info_;
};

class TProductItemCollection : public TCollection {
    QUORLANE_CLASS(TProductItemCollection, TCollection)

public:
    TProductItemCollection() : TCollection(TProductItem::StaticClass()) {}
    explicit TProductItemCollection(TPersistent* owner) : TCollection(TProductItem::StaticClass(), owner) {}
    TProductItem* GetItem(int index) const { return static_cast<TProductItem*>(Items(index)); }
    TProductItem* Add() { return static_cast<TProductItem*>(TCollection::Add()); }
};

class TProductInfo : public TComponent {
    QUORLANE_CLASS(TProductInfo, TComponent)

public:
    // A new product record: a fresh GUID and the ten product fields.
    explicit TProductInfo(TComponent* owner);
    ~TProductInfo() override;
    static void DeclareProperties(TPropertyBuilder<TProductInfo>& p);
    void Assign(const TPersistent* source) override;
    void DefineProperties(TFiler& filer) override;

    TProductItemCollection* Items() const { return items_.get(); }
    const TGUID& GUID() const { return guid_; }
    void SetGUID(const TGUID& guid) { guid_ = guid; }
    // Replaces the fields by the eleven of a creator record.
    void MakeCreatorFields();

private:
    std::unique_ptr<TProductItemCollection> items_;
    TGUID guid_;
};

// The GUID as its 16 bytes lie in memory on the system the files come from (little-endian
// fields), and back.
QByteArray GuidToMemoryBytes(const TGUID& guid);
TGUID GuidFromMemoryBytes(const QByteArray& bytes);

class TProductDB : public TComponent {
    QUORLANE_CLASS(TProductDB, TComponent)

public:
    // Records before the first product: the two creators and three reserved ones.
    static constexpr int kFirstProduct = 5;

    explicit TProductDB(TComponent* owner);
    // Saves a modified database; a failure is swallowed here and leaves the file as it was.
    ~TProductDB() override;

    // "$(ProductDB)" until set; macros are expanded on opening.
    QString FileName = QStringLiteral("$(ProductDB)");
    // Reads the file, or starts the five first records when there is none.
    void Open();
    // Writes the file (replacing it only when complete); EProductDB when that fails.
    void Save();
    bool Modified() const { return modified_; }

    int GetProductCount() const;
    int GetRecordCount() const;
    void LoadProduct(int index, TProductInfo& target);
    void LoadCreatorE(TProductInfo& target);
    void LoadCreatorJ(TProductInfo& target);
    // Rewrites the record of info's GUID, or adds it.
    void StoreRecord(const TProductInfo& info);

private:
    void LoadRecord(int index, TProductInfo& target);
    void WriteRecord(int index, const TProductInfo& info);
    void AddRecord(const TProductInfo& info);
    void Close();

    std::unique_ptr<TTemporaryStorage> root_;
    std::unique_ptr<TDocStreamList> names_;
    QString expandedName_;
    bool modified_ = false;
};

void RegisterProductClasses();
