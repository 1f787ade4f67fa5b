#include "papers/UPurposeList.h"

#include "platform/ComponentReader.h"
#include "platform/ComponentWriter.h"
#include "platform/StringList.h"

namespace {

TPurposeValidator* gValidator = nullptr;

} // namespace

void TPurposeInfo::DeclareProperties(TPropertyBuilder<TPurposeInfo>& p) {
    p.String("ID", &TPurposeInfo::ID, &TPurposeInfo::ID);
    p.String("DisplayName", &TPurposeInfo::DisplayName, &TPurposeInfo::DisplayName);
    p.Set("ShapeMask", &TPurposeInfo::ShapeMask, &TPurposeInfo::ShapeMask, FaceShapeIdents(), "TFaceShapes");
}

void TPurposeInfo::Assign(const TPersistent* source) {
    if (auto* info = dynamic_cast<const TPurposeInfo*>(source)) {
        ID = info->ID;
        DisplayName = info->DisplayName;
        ShapeMask = info->ShapeMask;
        return;
    }
    TCollectionItem::Assign(source);
}

QString TPurposeInfo::NormalizeID(const QString& id) {
    QString result = id;
    if (gValidator != nullptr)
        gValidator->Normalize(id, result);
    return result;
}

void TPurposeValidator::SetValidator(TPurposeValidator* validator) {
    gValidator = validator;
}

TPurposeValidator* TPurposeValidator::Validator() {
    return gValidator;
}

int TPurposeList::IndexOfID(const QString& id) const {
    for (int i = Count() - 1; i >= 0; --i)
        if (GetItem(i)->ID.compare(id, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

bool TPurposeList::AddUnique(const TPurposeInfo& item) {
    if (IndexOfID(item.ID) >= 0)
        return false;
    Add()->Assign(&item);
    return true;
}

bool TPurposeList::Merge(const TPurposeList& source) {
    bool added = false;
    // Counted first: merging a list into itself must not see its own new items.
    const int count = source.Count();
    for (int i = 0; i < count; ++i)
        added = AddUnique(*source.GetItem(i)) || added;
    Validate();
    return added;
}

void TPurposeList::Assign(const TPersistent* source) {
    TCollection::Assign(source);
    Validate();
}

void TPurposeList::Validate() {
    if (gValidator != nullptr)
        gValidator->Clean(*this);
}

void TPurposeList::GetDisplayNames(TStringList& strings) const {
    for (int i = 0; i < Count(); ++i)
        strings.Add(GetItem(i)->DisplayName);
}

void TPurposeList::LoadFromStream(TStream& stream) {
    TPLStreamer streamer(nullptr, this);
    ReadComponent(stream, streamer);
    Validate();
}

void TPurposeList::SaveToStream(TStream& stream) {
    TPLStreamer streamer(nullptr, this);
    TWriter(stream).WriteRootComponent(&streamer);
}

void TPurposeList::SetDefaults() {
    struct Default {
        const char* id;
        TFaceShapes mask;
    };
    static const Default defaults[] = {
        {"CD", FaceShapeBit(fsDoughnut) | FaceShapeBit(fsEllipse)},
        {"CDCover", FaceShapeBit(fsRect) | FaceShapeBit(fsRoundRect)},
        {"CDCaseTray", FaceShapeBit(fsRect) | FaceShapeBit(fsRoundRect)},
        {"MOSquare", FaceShapeBit(fsRect) | FaceShapeBit(fsRoundRect)},
        {"", 0},
    };
    BeginUpdate();
    Clear();
    for (const Default& d : defaults) {
        auto* item = static_cast<TPurposeInfo*>(Add());
        item->ID = QString::fromLatin1(d.id);
        item->DisplayName = item->ID;
        item->ShapeMask = d.mask;
    }
    EndUpdate();
}

TPLStreamer::TPLStreamer(TComponent* owner)
    : TComponent(owner), own_(std::make_unique<TPurposeList>()), list_(own_.get()) {}

TPLStreamer::~TPLStreamer() = default;

void TPLStreamer::DeclareProperties(TPropertyBuilder<TPLStreamer>& p) {
    p.Collection("List", &TPLStreamer::List);
}
