#include "pageobjects/layout/UAINPicList.h"

#include "core/UPhasedProgress.h"
#include "core/USupportUtil.h"
#include "imaging/UPictureEX.h"
#include "imaging/UTemporaryPicture.h"
#include "pageobjects/engine/UDOUtils.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "pageobjects/layout/ULabelSheets.h"

#include <QCoreApplication>
#include <QFile>

namespace {

// Album pages hold their photos on their one face.
constexpr int kPhotoFace = 0;
// The sheets an album's cover takes.
constexpr int kCoverSheets = 2;

} // namespace

// ---- TAINObjectList

TAINObjectList::TAINObjectList() : work_(std::make_unique<TPictureEx>()) {}

TAINObjectList::~TAINObjectList() = default;

TLOAlbumPhoto& TAINObjectList::Photo(int index) const {
    auto* photo = list_ != nullptr ? dynamic_cast<TLOAlbumPhoto*>(list_->Items(index)) : nullptr;
    if (photo == nullptr)
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return *photo;
}

void TAINObjectList::SetFilterNo(int index, int filterNo) {
    Photo(index).NormalizeFilter()->SetFilterNo(filterNo);
}

int TAINObjectList::GetFilterNo(int index) {
    return Photo(index).NormalizeFilter()->FilterNo();
}

int TAINObjectList::GetCount() {
    return list_ != nullptr ? list_->Count() : 0;
}

TPicture* TAINObjectList::GetSourcePicture(int index) {
    Photo(index).CopyPhotoPicture(true, false, *work_);
    return work_.get();
}

TPicture* TAINObjectList::GetResultPicture(int index) {
    return Photo(index).GetPhotoPicture();
}

TImageData* TAINObjectList::GetImageData(int index) {
    return Photo(index).PhotoImageObj();
}

TImageData* TAINObjectList::GetSourceImageData(int index, int& sizeLimit) {
    sizeLimit = ImageDispLimitSize();
    return Photo(index).PhotoImageObj();
}

// ---- TAINPicList

TAINPicList::TEntry::~TEntry() {
    if (!drawnFile.isEmpty())
        DeleteTempFile(drawnFile);
    if (!resultFile.isEmpty())
        DeleteTempFile(resultFile);
}

TAINPicList::TAINPicList() : work_(std::make_unique<TPictureEx>()) {}

TAINPicList::~TAINPicList() = default;

bool TAINPicList::LoadPhotos(TLabelSheets* document, TPhasedProgressBase* progress, bool skipFirstTwo,
                             const std::function<bool()>& aborted) {
    document_ = document;
    entries_.clear();
    if (document == nullptr)
        return true;
    const int sheets = document->GetSheetCount();
    const int start = document->CurrentSheetNo();
    if (progress != nullptr)
        progress->BeginPhase(1, sheets);
    const std::weak_ptr<const bool> alive = alive_;
    try {
        for (int sheet = skipFirstTwo ? kCoverSheets : 0; sheet < sheets; ++sheet) {
            LoadSheet(sheet);
            if (progress != nullptr)
                progress->StepIt();
            QCoreApplication::processEvents();
            if (alive.expired())
                return false;
            if (aborted && aborted()) {
                entries_.clear();
                document->SetCurrentSheetNo(start);
                if (progress != nullptr)
                    progress->EndPhase();
                return false;
            }
        }
    } catch (...) {
        if (progress != nullptr)
            progress->EndPhase();
        throw;
    }
    if (progress != nullptr)
        progress->EndPhase();
    return true;
}

void TAINPicList::LoadSheet(int sheet) {
    document_->SetCurrentSheetNo(sheet);
    TOwnedDOList objects;
    document_->LoadLabelObjects(kPhotoFace, objects);
    // Positions are taken before any photo leaves the list.
    std::vector<TLOAlbumPhoto*> photos(size_t(objects.Count()), nullptr);
    for (int i = 0; i < objects.Count(); ++i)
        photos[size_t(i)] = dynamic_cast<TLOAlbumPhoto*>(objects.Items(i));
    for (int i = 0; i < int(photos.size()); ++i) {
        TLOAlbumPhoto* photo = photos[size_t(i)];
        if (photo == nullptr || IsPictureEmpty(photo->GetPhotoPicture()))
            continue;
        auto entry = std::make_unique<TEntry>();
        entry->sheet = sheet;
        entry->objectIndex = i;
        TPictureEx drawn;
        photo->CopyPhotoPicture(true, false, drawn);
        entry->drawnFile = SaveToTempFile(&drawn);
        entry->resultFile = SaveToTempFile(photo->GetPhotoPicture());
        // The pictures wait in their files: a document of many photos would not fit in memory.
        photo->SetPhotoPicture(nullptr);
        photo->SetFramePicture(nullptr);
        entry->photo.reset(static_cast<TLOAlbumPhoto*>(objects.Take(photo).release()));
        entries_.push_back(std::move(entry));
    }
}

void TAINPicList::SaveFilterNos(TPhasedProgressBase* progress) {
    if (document_ == nullptr)
        return;
    if (progress != nullptr)
        progress->BeginPhase(1, GetCount());
    int sheetInHand = -1;
    TOwnedDOList inHand;
    const auto storeInHand = [&] {
        if (sheetInHand < 0)
            return;
        TDOList list;
        inHand.ListObjects(list);
        ReverseList(list);
        document_->StoreLabelObjects(kPhotoFace, list);
        inHand.FreeObjects();
        sheetInHand = -1;
    };
    for (const std::unique_ptr<TEntry>& entry : entries_) {
        if (entry->changed) {
            if (entry->sheet != sheetInHand) {
                storeInHand();
                document_->SetCurrentSheetNo(entry->sheet);
                document_->LoadLabelObjects(kPhotoFace, inHand);
                sheetInHand = entry->sheet;
            }
            // A page changed behind the list's back keeps what it has.
            if (entry->objectIndex < inHand.Count())
                if (auto* photo = dynamic_cast<TLOAlbumPhoto*>(inHand.Items(entry->objectIndex)))
                    photo->NormalizeFilter()->SetFilterNo(entry->photo->NormalizeFilter()->FilterNo());
        }
        if (progress != nullptr)
            progress->StepIt();
    }
    storeInHand();
    if (progress != nullptr)
        progress->EndPhase();
}

void TAINPicList::ReduceRandomly(int maxCount, QRandomGenerator& random) {
    RemoveRandomly(GetCount(), maxCount, random,
                   [this](int index) { entries_.erase(entries_.begin() + std::ptrdiff_t(index)); });
}

void TAINPicList::SetFilterNo(int index, int filterNo) {
    TEntry& entry = *entries_.at(size_t(index));
    TAutoAdjustFilter* filter = entry.photo->NormalizeFilter();
    // Once changed, a photo stays to be written back even when asked again with its new number.
    entry.changed = entry.changed || filterNo != filter->FilterNo();
    filter->SetFilterNo(filterNo);
}

int TAINPicList::GetFilterNo(int index) {
    return entries_.at(size_t(index))->photo->NormalizeFilter()->FilterNo();
}

TPicture* TAINPicList::LoadFile(const QString& fileName) {
    LoadFromTempFile(work_.get(), fileName);
    return work_.get();
}

TPicture* TAINPicList::GetSourcePicture(int index) {
    const TEntry& entry = *entries_.at(size_t(index));
    if (QFile::exists(entry.drawnFile))
        return LoadFile(entry.drawnFile);
    return entry.photo->GetPhotoPicture();
}

TPicture* TAINPicList::GetResultPicture(int index) {
    const TEntry& entry = *entries_.at(size_t(index));
    if (QFile::exists(entry.resultFile))
        return LoadFile(entry.resultFile);
    return GetSourcePicture(index);
}

TImageData* TAINPicList::GetImageData(int index) {
    return entries_.at(size_t(index))->photo->PhotoImageObj();
}
