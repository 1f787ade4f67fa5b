#pragma once
// Papers: a sheet of a given size with printable faces on it. TMatrixPaperInfo lays equal faces
// out as a grid, TFreePaperInfo holds individually placed faces. Papers are components, stored
// with the component streaming in the paper database and in documents. Lengths are tenths of a
// millimetre; face geometry is asked for in portrait position and turned for landscape papers.

#include "papers/UPurposeList.h"
#include "papers/faces/UFaceInfo.h"
#include "platform/Component.h"
#include "platform/Rect.h"

#include <QString>
#include <memory>
#include <vector>

// Limits of a sound paper: anything beyond is taken for damage (10 m, and more faces than any
// sheet carries).
constexpr int kMaxPaperLength = 100000;
constexpr int kMaxPaperFaces = 10000;

class TPaperInfo : public TComponent {
    QUORLANE_CLASS(TPaperInfo, TComponent)

public:
    explicit TPaperInfo(TComponent* owner);
    ~TPaperInfo() override;
    static void DeclareProperties(TPropertyBuilder<TPaperInfo>& p);
    void Assign(const TPersistent* source) override;

    // The sides as used: swapped when Landscape is set.
    int Width() const { return Landscape ? storedHeight_ : storedWidth_; }
    int Height() const { return Landscape ? storedWidth_ : storedHeight_; }
    void SetWidth(int value);
    void SetHeight(int value);
    int StoredWidth() const { return storedWidth_; }
    int StoredHeight() const { return storedHeight_; }

    QString PaperName;
    QString GroupName;
    bool ReadOnly = false;
    bool Landscape = false;
    TPurposeList* PurposeList() const { return purposeList_.get(); }
    // Set by the paper database while it writes the paper: only then are purposes stored.
    bool StorePurposeList = false;

    // Face accessors, in portrait coordinates; index runs from 0 to GetFaceCount() - 1.
    virtual int GetFaceCount() const = 0;
    virtual TFaceShape GetFaceShape(int index) const = 0;
    // The face's purpose ID, normalised.
    virtual QString GetFacePurpose(int index) const = 0;
    virtual TRect GetFaceRect(int index) const = 0;
    virtual int GetFaceMargin(int index) const = 0;
    virtual TSize GetCutCenterSize(int index) const = 0;
    virtual int GetRoundSize(int index) const = 0;
    virtual TCenterShape GetCenterShape(int index) const = 0;

    // The face grown by its margin, turned for landscape.
    TRect GetFaceOuterRect(int index) const;
    // The face (not grown), turned for landscape with the hole's sides swapped.
    void GetFaceInfo(int index, TFaceInfo& face) const;
    // Portrait to landscape position.
    TRect TurnRect(const TRect& r) const;
    // The first face whose outer rect is not wholly on the paper; -1 when all are.
    int FindFaceOutsidePaper() const;
    // Every such face, in face order.
    std::vector<int> FacesOutsidePaper() const;
    // The first face whose region meets those of the faces before it; -1 when none does. earlier,
    // when given, receives the first of those faces it meets (-1 when none).
    int FindOverlappingFace(int* earlier = nullptr) const;
    // False (with a reason) for a paper whose sizes or face count lie beyond the limits above,
    // which only damage gives.
    virtual bool IsSound(QString* reason = nullptr) const;

protected:
    // True when the length is within the limits of a sound paper.
    static bool SoundLength(int64_t value) { return value >= -kMaxPaperLength && value <= kMaxPaperLength; }

private:
    int storedWidth_ = 0;
    int storedHeight_ = 0;
    std::unique_ptr<TPurposeList> purposeList_;
};

class TMatrixPaperInfo : public TPaperInfo {
    QUORLANE_CLASS(TMatrixPaperInfo, TPaperInfo)

public:
    explicit TMatrixPaperInfo(TComponent* owner);
    static void DeclareProperties(TPropertyBuilder<TMatrixPaperInfo>& p);
    void Assign(const TPersistent* source) override;
    void DefineProperties(TFiler& filer) override;

    int LeftOffset = 0;
    int TopOffset = 0;
    // Gaps between columns and between rows.
    int RightMargin = 0;
    int BottomMargin = 0;
    int FaceWidth = 0;
    int FaceHeight = 0;
    int FaceCountX = 0;
    int FaceCountY = 0;
    int FaceMargin = 0;
    TFaceShape FaceShape = fsRect;
    QString FacePurpose;
    int CutCenterWidth = kDefaultCutCenterSize;
    int CutCenterHeight = kDefaultCutCenterSize;
    int RoundSize = kDefaultRoundSize;
    TCenterShape CenterShape = csEllipse;

    // No faces unless both counts are positive.
    int GetFaceCount() const override;
    TFaceShape GetFaceShape(int) const override { return FaceShape; }
    QString GetFacePurpose(int) const override;
    // Row by row, left to right.
    TRect GetFaceRect(int index) const override;
    int GetFaceMargin(int) const override { return FaceMargin; }
    TSize GetCutCenterSize(int) const override { return TSize(CutCenterWidth, CutCenterHeight); }
    int GetRoundSize(int) const override { return RoundSize; }
    TCenterShape GetCenterShape(int) const override { return CenterShape; }
    bool IsSound(QString* reason = nullptr) const override;
};

class TFaceItem : public TCollectionItem {
    QUORLANE_CLASS(TFaceItem, TCollectionItem)

public:
    using TCollectionItem::TCollectionItem;
    static void DeclareProperties(TPropertyBuilder<TFaceItem>& p);
    void Assign(const TPersistent* source) override;
    void DefineProperties(TFiler& filer) override;

    TRect Rect;
    int FaceMargin = 0;
    TFaceShape FaceShape = fsRect;
    QString FacePurpose;
    int CutCenterWidth = kDefaultCutCenterSize;
    int CutCenterHeight = kDefaultCutCenterSize;
    int RoundSize = kDefaultRoundSize;
    TCenterShape CenterShape = csEllipse;

    // Left and Top move the face; Width and Height size it from Left and Top.
    int Left() const { return Rect.Left; }
    int Top() const { return Rect.Top; }
    int Width() const;
    int Height() const;
    void SetLeft(int value);
    void SetTop(int value);
    void SetWidth(int value);
    void SetHeight(int value);

    void SetFromFaceInfo(const TFaceInfo& face);
};

class TFaces : public TCollection {
    QUORLANE_CLASS(TFaces, TCollection)

public:
    TFaces() : TCollection(TFaceItem::StaticClass()) {}
    explicit TFaces(TPersistent* owner) : TCollection(TFaceItem::StaticClass(), owner) {}
    TFaceItem* Add() { return static_cast<TFaceItem*>(TCollection::Add()); }
    TFaceItem* GetItem(int index) const { return static_cast<TFaceItem*>(Items(index)); }
};

class TFreePaperInfo : public TPaperInfo {
    QUORLANE_CLASS(TFreePaperInfo, TPaperInfo)

public:
    explicit TFreePaperInfo(TComponent* owner);
    ~TFreePaperInfo() override;
    static void DeclareProperties(TPropertyBuilder<TFreePaperInfo>& p);
    void Assign(const TPersistent* source) override;

    TFaces* Faces() const { return faces_.get(); }
    void SetFaces(const TFaces& faces) { faces_->Assign(&faces); }

    int GetFaceCount() const override { return faces_->Count(); }
    TFaceShape GetFaceShape(int index) const override { return faces_->GetItem(index)->FaceShape; }
    QString GetFacePurpose(int index) const override;
    TRect GetFaceRect(int index) const override { return faces_->GetItem(index)->Rect; }
    int GetFaceMargin(int index) const override { return faces_->GetItem(index)->FaceMargin; }
    TSize GetCutCenterSize(int index) const override;
    int GetRoundSize(int index) const override { return faces_->GetItem(index)->RoundSize; }
    TCenterShape GetCenterShape(int index) const override { return faces_->GetItem(index)->CenterShape; }
    bool IsSound(QString* reason = nullptr) const override;

private:
    std::unique_ptr<TFaces> faces_;
};

// Makes the paper classes known to the component reader (and the purpose streamer).
void RegisterPaperClasses();
