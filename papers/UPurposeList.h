#pragma once
// The purposes (uses) a face can be meant for, such as a disc label or a case tray, and the
// one process-wide validator that may rename old purpose IDs and drop unwanted ones.

#include "papers/faces/UFaceInfo.h"
#include "platform/Component.h"

#include <QString>
#include <memory>

class TPurposeList;
class TStream;
class TStringList;

class TPurposeInfo : public TCollectionItem {
    QUORLANE_CLASS(TPurposeInfo, TCollectionItem)

public:
    using TCollectionItem::TCollectionItem;
    static void DeclareProperties(TPropertyBuilder<TPurposeInfo>& p);
    void Assign(const TPersistent* source) override;

    QString ID;
    QString DisplayName;
    // The shapes a face of this purpose may have.
    TFaceShapes ShapeMask = 0;

    // ID, or the current ID for an old one when a validator is registered.
    static QString NormalizeID(const QString& id);
};

// Checks purposes; at most one is registered for the whole process.
class TPurposeValidator {
public:
    virtual ~TPurposeValidator() = default;
    virtual bool IsObsolete(const QString& id) = 0;
    // name arrives holding id and may be replaced by the current ID.
    virtual void Normalize(const QString& id, QString& name) = 0;
    // Removes the items the validator rejects.
    virtual void Clean(TPurposeList& list) = 0;

    // nullptr unregisters. The validator stays its registrant's.
    static void SetValidator(TPurposeValidator* validator);
    static TPurposeValidator* Validator();
};

class TPurposeList : public TCollection {
    QUORLANE_CLASS(TPurposeList, TCollection)

public:
    TPurposeList() : TCollection(TPurposeInfo::StaticClass()) {}
    explicit TPurposeList(TPersistent* owner) : TCollection(TPurposeInfo::StaticClass(), owner) {}

    TPurposeInfo* GetItem(int index) const { return static_cast<TPurposeInfo*>(Items(index)); }
    // Compared without regard to case, from the last item back; -1 when none.
    int IndexOfID(const QString& id) const;
    // Appends a copy of item unless its ID is known; true when appended.
    bool AddUnique(const TPurposeInfo& item);
    // AddUnique of every source item, then Validate; true when any was added.
    bool Merge(const TPurposeList& source);
    void Assign(const TPersistent* source) override;
    void Validate();
    void GetDisplayNames(TStringList& strings) const;
    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream);
    // "CD", "CDCover", "CDCaseTray", "MOSquare" and the empty purpose.
    void SetDefaults();
};

// The component a purpose list is streamed in.
class TPLStreamer : public TComponent {
    QUORLANE_CLASS(TPLStreamer, TComponent)

public:
    explicit TPLStreamer(TComponent* owner);
    // Streams list, which stays the caller's.
    TPLStreamer(TComponent* owner, TPurposeList* list) : TComponent(owner), list_(list) {}
    ~TPLStreamer() override;
    static void DeclareProperties(TPropertyBuilder<TPLStreamer>& p);
    TPurposeList* List() const { return list_; }

private:
    std::unique_ptr<TPurposeList> own_;
    TPurposeList* list_;
};
