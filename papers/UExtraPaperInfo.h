#pragma once
// Information a paper's own classes do not hold, kept per paper name in the extension tables of
// the paper database: maker, purpose and corner size ("ExtraInfos"), the paper's own images per
// face ("PaperImages") and album settings ("ExtraAlbumInfo"). A table is indexed by paper name
// when it is attached to its storage, and each info read when first asked for, so that looking
// every paper up stays linear and opening reads no more than the names.

#include "pageobjects/engine/UDrawSite.h"
#include "platform/Component.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <unordered_map>
#include <vector>

class TDocStorage;
class TPapersV2;
class TStream;
class TStringList;

class TExtraPaperInfo : public TComponent {
    QUORLANE_CLASS(TExtraPaperInfo, TComponent)

public:
    using TComponent::TComponent;
    static void DeclareProperties(TPropertyBuilder<TExtraPaperInfo>& p);
    void Assign(const TPersistent* source) override;

    QString PaperName;

    // An empty info is not stored.
    virtual bool IsEmpty() const = 0;
    // True when both write the same bytes (nullptr compares as nothing written).
    virtual bool IsEqual(const TExtraPaperInfo* other) const;
};

class TExPaperInfo : public TExtraPaperInfo {
    QUORLANE_CLASS(TExPaperInfo, TExtraPaperInfo)

public:
    using TExtraPaperInfo::TExtraPaperInfo;
    static void DeclareProperties(TPropertyBuilder<TExPaperInfo>& p);
    void Assign(const TPersistent* source) override;
    bool IsEmpty() const override;

    QString Purpose;
    QString Company;
    int RoundSize = 0;
};

// The paper's own images: one list of page objects per face.
class TImagePaperInfo : public TExtraPaperInfo {
    QUORLANE_CLASS(TImagePaperInfo, TExtraPaperInfo)

public:
    explicit TImagePaperInfo(TComponent* owner);
    ~TImagePaperInfo() override;
    static void DeclareProperties(TPropertyBuilder<TImagePaperInfo>& p);
    // Deep copy: every list goes through a stream.
    void Assign(const TPersistent* source) override;
    bool IsEmpty() const override;
    bool IsEqual(const TExtraPaperInfo* other) const override;

    bool SeparatelyDesign = true;
    int LabelCount = 0;

    int ImageListCount() const { return int(lists_.size()); }
    // Frees every list with its objects.
    void ClearImages();
    // Frees what list holds and fills it with copies of list index's objects.
    void GetImageObjects(int index, TOwnedDOList& list) const;
    // Clears list and fills it with list index's own objects (still the info's).
    void GetImageObjectRefs(int index, TDOList& list) const;
    // Moves list index's objects into list; list index stays, empty.
    void TakeImageObjects(int index, TOwnedDOList& list);
    // Adds empty lists up to index and moves list's objects into list index.
    void SetImageObjects(int index, TOwnedDOList& list);
    // The lists one after the other, as stored.
    void SaveImagesToStream(TStream& stream) const;

private:
    std::vector<TOwnedDOList> lists_;
};

class TExAlbumInfo : public TExtraPaperInfo {
    QUORLANE_CLASS(TExAlbumInfo, TExtraPaperInfo)

public:
    using TExtraPaperInfo::TExtraPaperInfo;
    static void DeclareProperties(TPropertyBuilder<TExAlbumInfo>& p);
    void Assign(const TPersistent* source) override;
    bool IsEmpty() const override;

    int LeftMargin() const { return leftMargin_; }
    // Negative values are ignored.
    void SetLeftMargin(int value);
    bool CanReverse = false;
    bool LabelFixed = false;
    QString PhotoSize;
    QString PaperMemo;
    bool FullPaint = false;

private:
    int leftMargin_ = 0;
};

class TTrackInfo : public TCollectionItem {
    QUORLANE_CLASS(TTrackInfo, TCollectionItem)

public:
    using TCollectionItem::TCollectionItem;
    static void DeclareProperties(TPropertyBuilder<TTrackInfo>& p);
    void Assign(const TPersistent* source) override;
    QString Title;
    QString Artist;
    QString Time;
    QString Album;
};

class TTracks : public TCollection {
    QUORLANE_CLASS(TTracks, TCollection)

public:
    TTracks() : TCollection(TTrackInfo::StaticClass()) {}
    explicit TTracks(TPersistent* owner) : TCollection(TTrackInfo::StaticClass(), owner) {}
};

// Album titles and tracks: nothing makes one, but streams that name it can be read.
class TAlbumInfo : public TComponent {
    QUORLANE_CLASS(TAlbumInfo, TComponent)

public:
    explicit TAlbumInfo(TComponent* owner);
    ~TAlbumInfo() override;
    static void DeclareProperties(TPropertyBuilder<TAlbumInfo>& p);
    QString Title;
    QString Artist;
    int TrackCount() const { return tracks_->Count(); }
    TTracks* Tracks() const { return tracks_.get(); }

private:
    std::unique_ptr<TTracks> tracks_;
};

// One extension table of the paper database.
class TExtraInfoBase {
public:
    explicit TExtraInfoBase(const QString& name) : name_(name) {}
    virtual ~TExtraInfoBase();
    TExtraInfoBase(const TExtraInfoBase&) = delete;
    TExtraInfoBase& operator=(const TExtraInfoBase&) = delete;

    // The table's storage name.
    const QString& Name() const { return name_; }
    // A new table of the same kind and name, not yet attached.
    virtual std::unique_ptr<TExtraInfoBase> CreateEmpty() const = 0;
    // Attaches the table to its storage (borrowed; it outlives the table's use) and indexes it.
    virtual void SetStorage(TDocStorage* storage) = 0;
    virtual void Delete(const QString& paperName) = 0;
    // Replaces the paper's info; an empty info only removes it.
    virtual void Store(const TExtraPaperInfo& info) = 0;
    // A copy of the paper's info, or nullptr.
    virtual std::unique_ptr<TExtraPaperInfo> GetInfo(const QString& paperName) = 0;
    // The info of the index-th entry, or nullptr when it cannot be read.
    virtual std::unique_ptr<TExtraPaperInfo> Load(int index) = 0;
    // The table's own copy of the paper's info for reading, where the table keeps one (valid until
    // the table changes); nullptr otherwise.
    virtual const TExtraPaperInfo* PeekInfo(const QString&) const { return nullptr; }
    virtual int GetCount() const = 0;

    // What indexing found wrong ("用紙情報更新エラー(name)" for a paper stored twice, unreadable
    // entries), each once.
    const QStringList& Problems() const { return problems_; }

protected:
    // Also what reading an info found wrong when it was first asked for.
    mutable QStringList problems_;

private:
    QString name_;
};

// One stream per paper, each holding one info component.
class TExInfoBase : public TExtraInfoBase {
public:
    using TExtraInfoBase::TExtraInfoBase;
    ~TExInfoBase() override;
    std::unique_ptr<TExtraInfoBase> CreateEmpty() const override;
    void SetStorage(TDocStorage* storage) override;
    void Delete(const QString& paperName) override;
    void Store(const TExtraPaperInfo& info) override;
    std::unique_ptr<TExtraPaperInfo> GetInfo(const QString& paperName) override;
    std::unique_ptr<TExtraPaperInfo> Load(int index) override;
    int GetCount() const override { return int(streamNames_.size()); }
    const TExtraPaperInfo* PeekInfo(const QString& paperName) const override;
    // The paper's stream name, empty when it has none.
    QString FindStream(const QString& paperName) const;

private:
    struct Entry {
        QString stream;
        // Read when first asked for; nullptr then when it cannot be read (named in Problems).
        mutable std::unique_ptr<TExtraPaperInfo> info;
        mutable bool read = false;
        // Further streams found for the same paper: dropped when the paper is next stored.
        QStringList extra;
    };
    const TExtraPaperInfo* Info(const Entry& entry) const;
    void Remove(const QString& paperName);

    TDocStorage* storage_ = nullptr;
    QStringList streamNames_;
    // The highest stream number, kept as infos come and go.
    uint32_t highest_ = 0;
    bool highestValid_ = false;
    std::unordered_map<QString, Entry> cache_;
};

// One sub-storage per paper: the info in "ImageInfo" and each face's objects in a stream of its own.
class TImageInfoBase : public TExtraInfoBase {
public:
    using TExtraInfoBase::TExtraInfoBase;
    ~TImageInfoBase() override;
    std::unique_ptr<TExtraInfoBase> CreateEmpty() const override;
    void SetStorage(TDocStorage* storage) override;
    void Delete(const QString& paperName) override;
    void Store(const TExtraPaperInfo& info) override;
    std::unique_ptr<TExtraPaperInfo> GetInfo(const QString& paperName) override;
    std::unique_ptr<TExtraPaperInfo> Load(int index) override;
    int GetCount() const override { return int(storageNames_.size()); }

private:
    std::unique_ptr<TExtraPaperInfo> ReadEntry(const QString& storageName, bool withImages);
    void Remove(const QString& paperName);

    TDocStorage* storage_ = nullptr;
    QStringList storageNames_;
    // Paper name to its sub-storages, the first answering.
    std::unordered_map<QString, QStringList> index_;
};

// A whole stream of a storage read at once, and a stream written at once: component readers and
// writers move a few bytes at a time, which on the file itself would each be a system call.
QByteArray ReadElementBytes(TDocStorage* storage, const QString& path);
void WriteElementBytes(TDocStorage* storage, const QString& path, const QByteArray& bytes);
// A component's stored bytes.
QByteArray ComponentBytes(const TComponent* component);

// "$%.8x": a "$" and the number in eight upper-case hexadecimal digits.
QString ElementNameOf(uint32_t number);
// The number of such a name; 0 for any other name.
uint32_t ElementNumberOf(const QString& name);
// One more than the highest numbered name, or 1.
uint32_t NextElementNumber(const QStringList& names);

// The empty company or purpose, shown as not set.
QString NotSetText();

// companies: the database's company list, then each paper's company in paper order (a paper
// without information adds the not-set text once); purposes: each paper's purpose, once each.
void GetCompanyAndPurposeLists(TPapersV2& papers, TStringList& companies, TStringList& purposes);

// Makes the information classes known to the component reader.
void RegisterExtraInfoClasses();
