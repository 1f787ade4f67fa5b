#include "papers/UPaperInfo.h"

#include "core/UGeometryUtil.h"
#include "platform/ClassRegistry.h"
#include "platform/ComponentReader.h"
#include "platform/ComponentWriter.h"

#include <QRegion>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

// The hole as a filer property of its own when it is square and not the default size.
void DefineCutCenter(TFiler& filer, int& width, int& height) {
    filer.DefineProperty(
        QStringLiteral("CutCenter"),
        [&width, &height](TReader& reader) {
            int value = reader.ReadInteger();
            // Older files wrote 0 for the default hole.
            if (value == 0)
                value = kDefaultCutCenterSize;
            width = value;
            height = value;
        },
        [&width](TWriter& writer) { writer.WriteInteger(width); },
        width == height && width != kDefaultCutCenterSize);
}

// Older files stored one face type in place of shape and purpose; it is read, never written.
void DefineFaceType(TFiler& filer, TFaceShape& shape, QString& purpose) {
    filer.DefineProperty(
        QStringLiteral("FaceType"),
        [&shape, &purpose](TReader& reader) {
            TFaceInfo face;
            face.FaceShape = shape;
            face.FacePurpose = purpose;
            face.SetLegacyFaceType(reader.ReadInteger());
            shape = face.FaceShape;
            purpose = face.FacePurpose;
        },
        nullptr, false);
}

bool Fail(QString* reason, const QString& text) {
    if (reason != nullptr)
        *reason = text;
    return false;
}

} // namespace

// ---- TPaperInfo

TPaperInfo::TPaperInfo(TComponent* owner)
    : TComponent(owner), purposeList_(std::make_unique<TPurposeList>(this)) {}

TPaperInfo::~TPaperInfo() = default;

void TPaperInfo::DeclareProperties(TPropertyBuilder<TPaperInfo>& p) {
    // Landscape comes first so that reading Width and Height reaches the stored sides.
    p.Boolean("Landscape", &TPaperInfo::Landscape, &TPaperInfo::Landscape);
    p.Integer("Width", &TPaperInfo::Width, &TPaperInfo::SetWidth);
    p.Integer("Height", &TPaperInfo::Height, &TPaperInfo::SetHeight);
    p.String("PaperName", &TPaperInfo::PaperName, &TPaperInfo::PaperName);
    p.String("GroupName", &TPaperInfo::GroupName, &TPaperInfo::GroupName);
    p.Boolean("ReadOnly", &TPaperInfo::ReadOnly, &TPaperInfo::ReadOnly);
    p.Collection("PurposeList", &TPaperInfo::PurposeList).Stored([](TPaperInfo& paper) {
        return paper.StorePurposeList;
    });
}

void TPaperInfo::SetWidth(int value) {
    (Landscape ? storedHeight_ : storedWidth_) = value;
}

void TPaperInfo::SetHeight(int value) {
    (Landscape ? storedWidth_ : storedHeight_) = value;
}

void TPaperInfo::Assign(const TPersistent* source) {
    auto* paper = dynamic_cast<const TPaperInfo*>(source);
    if (paper == nullptr) {
        TComponent::Assign(source);
        return;
    }
    storedWidth_ = paper->storedWidth_;
    storedHeight_ = paper->storedHeight_;
    PaperName = paper->PaperName;
    GroupName = paper->GroupName;
    ReadOnly = paper->ReadOnly;
    Landscape = paper->Landscape;
    purposeList_->Assign(paper->purposeList_.get());
}

TRect TPaperInfo::TurnRect(const TRect& r) const {
    const int64_t w = storedWidth_;
    return TRect(r.Top, ClampToInt32(w - r.Right), r.Bottom, ClampToInt32(w - r.Left));
}

TRect TPaperInfo::GetFaceOuterRect(int index) const {
    TFaceInfo face;
    face.Rect = GetFaceRect(index);
    face.FaceMargin = GetFaceMargin(index);
    const TRect outer = face.GetOuterRect();
    return Landscape ? TurnRect(outer) : outer;
}

void TPaperInfo::GetFaceInfo(int index, TFaceInfo& face) const {
    face.FaceMargin = GetFaceMargin(index);
    face.Rect = GetFaceRect(index);
    face.FaceShape = GetFaceShape(index);
    face.FacePurpose = GetFacePurpose(index);
    face.CenterShape = GetCenterShape(index);
    face.RoundSize = GetRoundSize(index);
    const TSize hole = GetCutCenterSize(index);
    face.CutCenterWidth = hole.cx;
    face.CutCenterHeight = hole.cy;
    if (Landscape) {
        face.Rect = TurnRect(face.Rect);
        std::swap(face.CutCenterWidth, face.CutCenterHeight);
    }
}

int TPaperInfo::FindFaceOutsidePaper() const {
    const std::vector<int> outside = FacesOutsidePaper();
    return outside.empty() ? -1 : outside.front();
}

std::vector<int> TPaperInfo::FacesOutsidePaper() const {
    const TRect paper(0, 0, Width(), Height());
    std::vector<int> outside;
    for (int i = 0; i < GetFaceCount(); ++i) {
        const TRect outer = GetFaceOuterRect(i);
        TRect inside;
        if (!IntersectRect(inside, outer, paper) || inside != outer)
            outside.push_back(i);
    }
    return outside;
}

int TPaperInfo::FindOverlappingFace(int* earlier) const {
    // The answer of the union of the faces before each face: the first face that meets any earlier
    // face. Regions are made and compared only for faces whose outer rectangles (grown by a pixel,
    // since a drawn ellipse reaches its right and bottom edge) meet, found by a sweep over the faces
    // sorted by their left edge; a grid with gaps makes no region at all.
    const int count = GetFaceCount();
    if (earlier != nullptr)
        *earlier = -1;
    if (count < 2)
        return -1;
    struct Box {
        int64_t left, top, right, bottom;
        int index;
    };
    std::vector<Box> boxes;
    boxes.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        const TRect r = NormalizeRect(GetFaceOuterRect(i));
        boxes.push_back({int64_t(r.Left) - 1, int64_t(r.Top) - 1, int64_t(r.Right) + 1, int64_t(r.Bottom) + 1, i});
    }
    std::stable_sort(boxes.begin(), boxes.end(), [](const Box& a, const Box& b) { return a.left < b.left; });

    std::vector<std::optional<QRegion>> regions(static_cast<size_t>(count));
    const auto regionOf = [&](int index) -> const QRegion& {
        auto& slot = regions[size_t(index)];
        if (!slot) {
            TFaceInfo face;
            GetFaceInfo(index, face);
            slot = face.CreateRegion(nullptr, false);
        }
        return *slot;
    };
    int found = -1;
    int other = -1;
    // Faces whose right edge is still past the sweep's left edge.
    std::vector<const Box*> active;
    for (const Box& box : boxes) {
        std::erase_if(active, [&box](const Box* a) { return a->right <= box.left; });
        for (const Box* a : active) {
            if (a->top >= box.bottom || box.top >= a->bottom)
                continue;
            const int later = std::max(a->index, box.index);
            const int first = std::min(a->index, box.index);
            // Only a pair that could improve the answer is worth its regions.
            if (found >= 0 && (later > found || (later == found && first >= other)))
                continue;
            if (regionOf(first).intersects(regionOf(later))) {
                found = later;
                other = first;
            }
        }
        active.push_back(&box);
    }
    if (earlier != nullptr)
        *earlier = other;
    return found;
}

bool TPaperInfo::IsSound(QString* reason) const {
    if (storedWidth_ < 0 || storedWidth_ > kMaxPaperLength || storedHeight_ < 0 ||
        storedHeight_ > kMaxPaperLength)
        return Fail(reason, QStringLiteral("paper size %1 x %2").arg(storedWidth_).arg(storedHeight_));
    return true;
}

// ---- TMatrixPaperInfo

TMatrixPaperInfo::TMatrixPaperInfo(TComponent* owner) : TPaperInfo(owner) {}

void TMatrixPaperInfo::DeclareProperties(TPropertyBuilder<TMatrixPaperInfo>& p) {
    using M = TMatrixPaperInfo;
    p.Integer("TopOffset", &M::TopOffset, &M::TopOffset);
    p.Integer("LeftOffset", &M::LeftOffset, &M::LeftOffset);
    p.Integer("BottomMargin", &M::BottomMargin, &M::BottomMargin);
    p.Integer("RightMargin", &M::RightMargin, &M::RightMargin);
    p.Integer("FaceWidth", &M::FaceWidth, &M::FaceWidth);
    p.Integer("FaceHeight", &M::FaceHeight, &M::FaceHeight);
    p.Integer("FaceCountX", &M::FaceCountX, &M::FaceCountX);
    p.Integer("FaceCountY", &M::FaceCountY, &M::FaceCountY);
    p.Enumeration("FaceShape", &M::FaceShape, &M::FaceShape, FaceShapeIdents(), "TFaceShape");
    p.String("FacePurpose", &M::FacePurpose, &M::FacePurpose);
    p.Integer("FaceMargin", &M::FaceMargin, &M::FaceMargin);
    p.Integer("RoundSize", &M::RoundSize, &M::RoundSize).Default(kDefaultRoundSize);
    p.Enumeration("CenterShape", &M::CenterShape, &M::CenterShape, CenterShapeIdents(), "TCenterShape")
        .Default(csEllipse);
    auto holeDiffers = [](M& m) { return m.CutCenterWidth != m.CutCenterHeight; };
    p.Integer("CutCenterWidth", &M::CutCenterWidth, &M::CutCenterWidth)
        .Default(kDefaultCutCenterSize)
        .Stored(holeDiffers);
    p.Integer("CutCenterHeight", &M::CutCenterHeight, &M::CutCenterHeight)
        .Default(kDefaultCutCenterSize)
        .Stored(holeDiffers);
}

void TMatrixPaperInfo::DefineProperties(TFiler& filer) {
    TPaperInfo::DefineProperties(filer);
    DefineCutCenter(filer, CutCenterWidth, CutCenterHeight);
    DefineFaceType(filer, FaceShape, FacePurpose);
}

void TMatrixPaperInfo::Assign(const TPersistent* source) {
    TPaperInfo::Assign(source);
    if (auto* m = dynamic_cast<const TMatrixPaperInfo*>(source)) {
        LeftOffset = m->LeftOffset;
        TopOffset = m->TopOffset;
        RightMargin = m->RightMargin;
        BottomMargin = m->BottomMargin;
        FaceWidth = m->FaceWidth;
        FaceHeight = m->FaceHeight;
        FaceCountX = m->FaceCountX;
        FaceCountY = m->FaceCountY;
        FaceMargin = m->FaceMargin;
        FaceShape = m->FaceShape;
        FacePurpose = m->FacePurpose;
        CutCenterWidth = m->CutCenterWidth;
        CutCenterHeight = m->CutCenterHeight;
        RoundSize = m->RoundSize;
        CenterShape = m->CenterShape;
    }
}

int TMatrixPaperInfo::GetFaceCount() const {
    if (FaceCountX <= 0 || FaceCountY <= 0)
        return 0;
    return ClampToInt32(int64_t(FaceCountX) * FaceCountY);
}

QString TMatrixPaperInfo::GetFacePurpose(int) const {
    return TPurposeInfo::NormalizeID(FacePurpose);
}

TRect TMatrixPaperInfo::GetFaceRect(int index) const {
    if (FaceCountX <= 0)
        return TRect();
    const int64_t column = index % FaceCountX;
    const int64_t row = index / FaceCountX;
    const int64_t left = column * (int64_t(FaceWidth) + RightMargin) + LeftOffset;
    const int64_t top = row * (int64_t(FaceHeight) + BottomMargin) + TopOffset;
    return TRect(ClampToInt32(left), ClampToInt32(top), ClampToInt32(left + FaceWidth),
                 ClampToInt32(top + FaceHeight));
}

bool TMatrixPaperInfo::IsSound(QString* reason) const {
    if (!TPaperInfo::IsSound(reason))
        return false;
    for (int v : {LeftOffset, TopOffset, RightMargin, BottomMargin, FaceWidth, FaceHeight, FaceMargin,
                  CutCenterWidth, CutCenterHeight, RoundSize})
        if (!SoundLength(v))
            return Fail(reason, QStringLiteral("face length %1").arg(v));
    if (FaceCountX > 0 && FaceCountY > 0) {
        if (int64_t(FaceCountX) * FaceCountY > kMaxPaperFaces)
            return Fail(reason, QStringLiteral("%1 x %2 faces").arg(FaceCountX).arg(FaceCountY));
        // The far corner of the grid: the edges of the faces run linearly up to it.
        const int64_t right = (FaceCountX - 1) * (int64_t(FaceWidth) + RightMargin) + LeftOffset + FaceWidth;
        const int64_t bottom =
            (FaceCountY - 1) * (int64_t(FaceHeight) + BottomMargin) + TopOffset + FaceHeight;
        if (!SoundLength(right) || !SoundLength(bottom) || !SoundLength(right - FaceWidth) ||
            !SoundLength(bottom - FaceHeight))
            return Fail(reason, QStringLiteral("faces reaching %1, %2").arg(right).arg(bottom));
    }
    return true;
}

// ---- TFaceItem

void TFaceItem::DeclareProperties(TPropertyBuilder<TFaceItem>& p) {
    using F = TFaceItem;
    p.Integer("Left", &F::Left, &F::SetLeft);
    p.Integer("Top", &F::Top, &F::SetTop);
    p.Integer("Width", &F::Width, &F::SetWidth);
    p.Integer("Height", &F::Height, &F::SetHeight);
    p.Integer("FaceMargin", &F::FaceMargin, &F::FaceMargin);
    p.Enumeration("FaceShape", &F::FaceShape, &F::FaceShape, FaceShapeIdents(), "TFaceShape");
    p.String("FacePurpose", &F::FacePurpose, &F::FacePurpose);
    p.Integer("RoundSize", &F::RoundSize, &F::RoundSize).Default(kDefaultRoundSize);
    p.Enumeration("CenterShape", &F::CenterShape, &F::CenterShape, CenterShapeIdents(), "TCenterShape")
        .Default(csEllipse);
    auto holeDiffers = [](F& f) { return f.CutCenterWidth != f.CutCenterHeight; };
    p.Integer("CutCenterWidth", &F::CutCenterWidth, &F::CutCenterWidth)
        .Default(kDefaultCutCenterSize)
        .Stored(holeDiffers);
    p.Integer("CutCenterHeight", &F::CutCenterHeight, &F::CutCenterHeight)
        .Default(kDefaultCutCenterSize)
        .Stored(holeDiffers);
}

void TFaceItem::DefineProperties(TFiler& filer) {
    TCollectionItem::DefineProperties(filer);
    DefineFaceType(filer, FaceShape, FacePurpose);
    DefineCutCenter(filer, CutCenterWidth, CutCenterHeight);
}

void TFaceItem::Assign(const TPersistent* source) {
    if (auto* f = dynamic_cast<const TFaceItem*>(source)) {
        Rect = f->Rect;
        FaceMargin = f->FaceMargin;
        FaceShape = f->FaceShape;
        FacePurpose = f->FacePurpose;
        CutCenterWidth = f->CutCenterWidth;
        CutCenterHeight = f->CutCenterHeight;
        RoundSize = f->RoundSize;
        CenterShape = f->CenterShape;
        return;
    }
    TCollectionItem::Assign(source);
}

int TFaceItem::Width() const {
    return ClampToInt32(int64_t(Rect.Right) - Rect.Left);
}

int TFaceItem::Height() const {
    return ClampToInt32(int64_t(Rect.Bottom) - Rect.Top);
}

void TFaceItem::SetLeft(int value) {
    const int64_t width = int64_t(Rect.Right) - Rect.Left;
    Rect.Left = value;
    Rect.Right = ClampToInt32(value + width);
}

void TFaceItem::SetTop(int value) {
    const int64_t height = int64_t(Rect.Bottom) - Rect.Top;
    Rect.Top = value;
    Rect.Bottom = ClampToInt32(value + height);
}

void TFaceItem::SetWidth(int value) {
    Rect.Right = ClampToInt32(int64_t(Rect.Left) + value);
}

void TFaceItem::SetHeight(int value) {
    Rect.Bottom = ClampToInt32(int64_t(Rect.Top) + value);
}

void TFaceItem::SetFromFaceInfo(const TFaceInfo& face) {
    FaceMargin = face.FaceMargin;
    Rect = face.Rect;
    FaceShape = face.FaceShape;
    FacePurpose = face.FacePurpose;
    CenterShape = face.CenterShape;
    CutCenterWidth = face.CutCenterWidth;
    CutCenterHeight = face.CutCenterHeight;
    RoundSize = face.RoundSize;
}

// ---- TFreePaperInfo

TFreePaperInfo::TFreePaperInfo(TComponent* owner)
    : TPaperInfo(owner), faces_(std::make_unique<TFaces>(this)) {}

TFreePaperInfo::~TFreePaperInfo() = default;

void TFreePaperInfo::DeclareProperties(TPropertyBuilder<TFreePaperInfo>& p) {
    p.Collection("Faces", &TFreePaperInfo::Faces);
}

void TFreePaperInfo::Assign(const TPersistent* source) {
    TPaperInfo::Assign(source);
    if (auto* f = dynamic_cast<const TFreePaperInfo*>(source))
        faces_->Assign(f->faces_.get());
}

QString TFreePaperInfo::GetFacePurpose(int index) const {
    return TPurposeInfo::NormalizeID(faces_->GetItem(index)->FacePurpose);
}

TSize TFreePaperInfo::GetCutCenterSize(int index) const {
    const TFaceItem* item = faces_->GetItem(index);
    return TSize(item->CutCenterWidth, item->CutCenterHeight);
}

bool TFreePaperInfo::IsSound(QString* reason) const {
    if (!TPaperInfo::IsSound(reason))
        return false;
    if (faces_->Count() > kMaxPaperFaces)
        return Fail(reason, QStringLiteral("%1 faces").arg(faces_->Count()));
    for (int i = 0; i < faces_->Count(); ++i) {
        const TFaceItem* f = faces_->GetItem(i);
        for (int64_t v : {int64_t(f->Rect.Left), int64_t(f->Rect.Top), int64_t(f->Rect.Right),
                          int64_t(f->Rect.Bottom), int64_t(f->Rect.Right) - f->Rect.Left,
                          int64_t(f->Rect.Bottom) - f->Rect.Top, int64_t(f->FaceMargin),
                          int64_t(f->CutCenterWidth), int64_t(f->CutCenterHeight), int64_t(f->RoundSize)})
            if (!SoundLength(v))
                return Fail(reason, QStringLiteral("face %1 length %2").arg(i + 1).arg(v));
    }
    return true;
}

void RegisterPaperClasses() {
    RegisterClasses(
        {&TMatrixPaperInfo::StaticClass(), &TFreePaperInfo::StaticClass(), &TPLStreamer::StaticClass()});
}
