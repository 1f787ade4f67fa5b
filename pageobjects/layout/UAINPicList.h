#pragma once
// The photo lists of the automatic image-adjust window that hold album photos: the selected photos
// of the page in hand, and every photo of a document, whose pictures wait in temporary files while
// the window is open.

#include "imaging/UImgNormalize.h"

#include <QRandomGenerator>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class TDOList;
class TLabelSheets;
class TLOAlbumPhoto;
class TPhasedProgressBase;

// The album photos of a list of a page's objects (indexes are positions in that list).
class TAINObjectList : public TImgNormalizeCallBackClass {
public:
    TAINObjectList();
    ~TAINObjectList() override;

    // Borrowed; every object listed must be an album photo.
    void SetList(const TDOList* list) { list_ = list; }

    void SetFilterNo(int index, int filterNo) override;
    int GetFilterNo(int index) override;
    int GetCount() override;
    // The photo with its own adjustments, before any automatic correction.
    TPicture* GetSourcePicture(int index) override;
    TPicture* GetResultPicture(int index) override;
    TImageData* GetImageData(int index) override;
    // The photo's own image data at the display limit: GetSourcePicture's picture is its filtered one.
    TImageData* GetSourceImageData(int index, int& sizeLimit) override;

private:
    TLOAlbumPhoto& Photo(int index) const;

    const TDOList* list_ = nullptr;
    std::unique_ptr<TPictureEx> work_;
};

// Every album photo with a picture on face 0 of a document's sheets. Each entry keeps its photo
// without its pictures (they wait in two temporary files, deleted with the entry) and where it
// came from, so that changed corrections can be written back sheet by sheet.
class TAINPicList : public TImgNormalizeCallBackClass {
public:
    TAINPicList();
    ~TAINPicList() override;
    TAINPicList(const TAINPicList&) = delete;
    TAINPicList& operator=(const TAINPicList&) = delete;

    // Reads the photos of every sheet (sheets 0 and 1 left out with skipFirstTwo), processing
    // pending events after each. False when the list was freed meanwhile (its owner's window
    // closed): the caller then touches neither the list nor the progress. False too when aborted
    // answers true after a sheet: the list is then empty (its files gone) and the sheet current at
    // the start is current again.
    bool LoadPhotos(TLabelSheets* document, TPhasedProgressBase* progress, bool skipFirstTwo,
                    const std::function<bool()>& aborted = {});
    // Writes the corrections of the changed photos into their sheets, each sheet once for a run of
    // its entries.
    void SaveFilterNos(TPhasedProgressBase* progress);
    // Removes randomly chosen entries (uniform over those left) until at most maxCount remain.
    void ReduceRandomly(int maxCount, QRandomGenerator& random);

    void SetFilterNo(int index, int filterNo) override;
    int GetFilterNo(int index) override;
    int GetCount() override { return int(entries_.size()); }
    TPicture* GetSourcePicture(int index) override;
    TPicture* GetResultPicture(int index) override;
    TImageData* GetImageData(int index) override;

    // Where entry index came from, and whether its correction changed (tests look).
    int SheetOf(int index) const { return entries_.at(size_t(index))->sheet; }
    int ObjectIndexOf(int index) const { return entries_.at(size_t(index))->objectIndex; }
    bool Changed(int index) const { return entries_.at(size_t(index))->changed; }
    QString DrawnFile(int index) const { return entries_.at(size_t(index))->drawnFile; }
    QString ResultFile(int index) const { return entries_.at(size_t(index))->resultFile; }

private:
    struct TEntry {
        TEntry() = default;
        TEntry(const TEntry&) = delete;
        TEntry& operator=(const TEntry&) = delete;
        ~TEntry();

        std::unique_ptr<TLOAlbumPhoto> photo;
        int sheet = 0;
        int objectIndex = 0;
        bool changed = false;
        QString drawnFile;
        QString resultFile;
    };
    void LoadSheet(int sheet);
    TPicture* LoadFile(const QString& fileName);

    TLabelSheets* document_ = nullptr;
    std::vector<std::unique_ptr<TEntry>> entries_;
    std::unique_ptr<TPictureEx> work_;
    // Expires with the list, for a load that processes events.
    std::shared_ptr<const bool> alive_ = std::make_shared<const bool>(true);
};
