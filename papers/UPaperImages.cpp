#include "papers/UPaperImages.h"

#include "core/UGeometryUtil.h"
#include "core/UInterfaces.h"
#include "pageobjects/engine/UDOInterface.h"
#include "pageobjects/engine/UDrawObject.h"
#include "pageobjects/engine/UDrawSite.h"
#include "papers/UExtraPaperInfo.h"
#include "papers/ULabelData.h"
#include "papers/UPaperInfo.h"

#include <algorithm>
#include <vector>

namespace {

const char kScrambleKey[] = "KestrolYandewq";
constexpr int kScrambleKeyLength = sizeof(kScrambleKey) - 1;

TIntf<IDOEncloseBounds> BoundsOf(TDrawObject* object) {
    return Supports<IDOEncloseBounds>(static_cast<TObject*>(object));
}

void MakePaperImage(TDrawObject* object) {
    object->SetSelectable(false);
    object->SetEnabled(false);
}

// Restores the landscape flag however the work ends.
class TLandscapeSaver {
public:
    TLandscapeSaver(TPaperInfo& paper, bool value) : paper_(paper), saved_(paper.Landscape) {
        paper.Landscape = value;
    }
    ~TLandscapeSaver() { paper_.Landscape = saved_; }
    TLandscapeSaver(const TLandscapeSaver&) = delete;
    TLandscapeSaver& operator=(const TLandscapeSaver&) = delete;

private:
    TPaperInfo& paper_;
    bool saved_;
};

} // namespace

bool IsFaceSideMatch(int mode, bool reversed, int faceIndex) {
    if (mode == 1)
        return true;
    if (mode != 2)
        return false;
    if (faceIndex == 0)
        return reversed;
    if (faceIndex == 1)
        return !reversed;
    if (faceIndex < 2)
        return false;
    return (faceIndex % 2 == 1) != reversed;
}

void LoadPaperImages(const QString& fileName, TImagePaperInfo& imageInfo) {
    TLabelData doc(nullptr);
    doc.LoadFromFile(fileName);
    const int faces = doc.GetPaperInfo()->GetFaceCount();
    // Every page is read before the images change, so a damaged one leaves them as they were.
    std::vector<TOwnedDOList> lists(size_t(std::max(faces, 0)));
    for (int i = 0; i < faces; ++i) {
        doc.LoadLabelObjects(i, lists[size_t(i)]);
        TDOList objects;
        lists[size_t(i)].ListObjects(objects);
        for (TDrawObject* object : objects) {
            object->SetLayerGroup(kPaperImageLayerGroup);
            object->SetCursor(crDefault);
            MakePaperImage(object);
        }
    }
    imageInfo.ClearImages();
    imageInfo.SeparatelyDesign = doc.SeparatelyDesign;
    imageInfo.LabelCount = faces;
    for (int i = 0; i < faces; ++i)
        imageInfo.SetImageObjects(i, lists[size_t(i)]);
}

void PlacePaperImagesOnSite(TDrawSite& site, TLabelData& labelData, const TImagePaperInfo& imageInfo) {
    site.DestroyComponents();
    TOwnedDOList owned;
    imageInfo.GetImageObjects(labelData.CurrentLabelNo, owned);
    TDOList objects;
    owned.ListObjects(objects);
    if (labelData.GetPaperInfo()->Landscape)
        FlipObjectsForLandscape(objects, *labelData.GetPaperInfo(), labelData.CurrentLabelNo, true);
    for (std::unique_ptr<TDrawObject>& object : owned.TakeAll()) {
        TDrawObject* placed = site.AdoptObject(std::move(object));
        if (placed->LayerGroup() == kPaperImageLayerGroup)
            MakePaperImage(placed);
    }
}

void ApplyPaperImagesToFaces(TDrawSite& site, const TPaperInfo& paper, TImagePaperInfo& imageInfo,
                             bool offsetToFace, bool copyObjects) {
    TOwnedDOList all;
    auto& turnable = const_cast<TPaperInfo&>(paper);
    for (int i = 0; i < paper.GetFaceCount(); ++i) {
        TOwnedDOList owned;
        if (copyObjects)
            imageInfo.GetImageObjects(i, owned);
        else
            imageInfo.TakeImageObjects(i, owned);
        TDOList objects;
        owned.ListObjects(objects);
        const TRect outer = paper.GetFaceOuterRect(i);
        for (TDrawObject* object : objects) {
            if (offsetToFace)
                if (TIntf<IDOEncloseBounds> bounds = BoundsOf(object))
                    bounds->MoveBy(outer.Left, outer.Top);
            MakePaperImage(object);
        }
        if (paper.Landscape)
            FlipObjectsForLandscape(objects, turnable, i, false);
        for (std::unique_ptr<TDrawObject>& object : owned.TakeAll())
            all.Add(std::move(object));
    }
    for (std::unique_ptr<TDrawObject>& object : all.TakeAll())
        site.AdoptObject(std::move(object));
}

void RemovePaperImageMarks(TDrawSite& site) {
    TDOList objects;
    site.ListObjects(objects, false);
    for (TDrawObject* object : objects)
        if (object->LayerGroup() == kPaperImageLayerGroup) {
            object->SetLayerGroup(0);
            object->PlaceByLayerGroup();
        }
}

void MakeSingleFacePaper(const TPaperInfo& paper, TMatrixPaperInfo& target) {
    // Sides in portrait position, whatever the paper's position now.
    target.Landscape = false;
    target.SetWidth(paper.StoredWidth());
    target.SetHeight(paper.StoredHeight());
    target.PaperName = paper.PaperName;
    target.GroupName = paper.GroupName;
    target.LeftOffset = 0;
    target.TopOffset = 0;
    target.RightMargin = 0;
    target.BottomMargin = 0;
    target.FaceWidth = paper.StoredWidth();
    target.FaceHeight = paper.StoredHeight();
    target.FaceCountX = 1;
    target.FaceCountY = 1;
    target.FaceShape = fsRect;
    target.FaceMargin = 0;
    target.RoundSize = 0;
    target.Landscape = paper.Landscape;
}

void ComposePaperImages(TImagePaperInfo& imageInfo, TDrawSite& site, TPaperInfo& paper, bool mirror) {
    TMatrixPaperInfo single(nullptr);
    MakeSingleFacePaper(paper, single);
    if (mirror)
        MirrorPaperImages(single, imageInfo);
    ApplyPaperImagesToFaces(site, single, imageInfo, false, true);
    RemovePaperImageMarks(site);
}

void MirrorPaperFaces(TPaperInfo& paper) {
    const int64_t w = paper.Width();
    if (auto* free = dynamic_cast<TFreePaperInfo*>(&paper)) {
        for (int i = 0; i < free->Faces()->Count(); ++i) {
            TFaceItem* face = free->Faces()->GetItem(i);
            if (paper.Landscape)
                face->SetTop(ClampToInt32(w - (int64_t(face->Top()) + face->Height())));
            else
                face->SetLeft(ClampToInt32(w - (int64_t(face->Left()) + face->Width())));
        }
    } else if (auto* matrix = dynamic_cast<TMatrixPaperInfo*>(&paper)) {
        if (matrix->GetFaceCount() == 0)
            return;
        if (paper.Landscape) {
            const TRect r = paper.GetFaceOuterRect(matrix->GetFaceCount() - 1);
            matrix->TopOffset = ClampToInt32(w - (int64_t(r.Right) - matrix->FaceMargin));
        } else {
            const TRect r = paper.GetFaceOuterRect(matrix->FaceCountX - 1);
            matrix->LeftOffset = ClampToInt32(w - (int64_t(r.Right) - matrix->FaceMargin));
        }
    }
}

void MirrorPaperImages(TPaperInfo& paper, TImagePaperInfo& imageInfo) {
    TLandscapeSaver portrait(paper, false);
    for (int i = 0; i < paper.GetFaceCount(); ++i) {
        const TRect outer = paper.GetFaceOuterRect(i);
        TOwnedDOList objects;
        imageInfo.GetImageObjects(i, objects);
        for (int k = 0; k < objects.Count(); ++k)
            if (TIntf<IDOEncloseBounds> bounds = BoundsOf(objects[k])) {
                TRect r;
                bounds->GetLogRect(r);
                bounds->MoveBy(ClampToInt32(int64_t(outer.Width()) - r.Right - r.Left), 0);
            }
        imageInfo.SetImageObjects(i, objects);
    }
}

void FlipObjectsForLandscape(const TDOList& objects, TPaperInfo& paper, int faceIndex, bool moveToFace) {
    const TRect a = paper.GetFaceOuterRect(faceIndex);
    TRect b;
    {
        TLandscapeSaver toggled(paper, !paper.Landscape);
        b = paper.GetFaceOuterRect(faceIndex);
    }
    std::vector<TIntf<IDOEncloseBounds>> positioned;
    for (TDrawObject* object : objects)
        if (TIntf<IDOEncloseBounds> bounds = BoundsOf(object))
            positioned.push_back(bounds);
    if (moveToFace)
        for (auto& bounds : positioned)
            bounds->MoveBy(a.Left, a.Top);
    // Doubled coordinates (sums of both edges) keep the centre in integers.
    for (auto& bounds : positioned) {
        TRect r;
        bounds->GetLogRect(r);
        const int64_t sx = int64_t(r.Left) + r.Right;
        const int64_t sy = int64_t(r.Top) + r.Bottom;
        const int64_t px = sx - 2 * int64_t(a.Left) + 2 * int64_t(b.Left);
        const int64_t py = sy - 2 * int64_t(a.Top) + 2 * int64_t(b.Top);
        const int64_t dy = ((int64_t(a.Top) + a.Bottom) - (px - (int64_t(b.Left) + b.Right)) - sy + 1) / 2;
        const int64_t dx = (py - (int64_t(b.Top) + b.Bottom) + (int64_t(a.Left) + a.Right) - sx + 1) / 2;
        bounds->MoveBy(ClampToInt32(dx), ClampToInt32(dy));
    }
    for (TDrawObject* object : objects)
        if (TIntf<IDORotate> rotate = Supports<IDORotate>(static_cast<TObject*>(object)))
            rotate->SetAngle(int((int64_t(rotate->GetAngle()) - 90) % 360));
    if (moveToFace)
        for (auto& bounds : positioned)
            bounds->MoveBy(-a.Left, -a.Top);
}

QByteArray ScrambleSettingBytes(const QByteArray& bytes) {
    QByteArray result(bytes.size(), '\0');
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char key = kScrambleKey[i % kScrambleKeyLength];
        const char c = char(bytes[i] ^ key);
        // A zero byte would end the text; the key byte stands in, and scrambling it again gives
        // the plain byte back (which equalled the key byte).
        result[i] = c == 0 ? key : c;
    }
    return result;
}

QString ScrambleSettingText(const QString& text) {
    return QString::fromLatin1(ScrambleSettingBytes(text.toUtf8()).toBase64());
}

QString UnscrambleSettingText(const QString& stored) {
    return QString::fromUtf8(ScrambleSettingBytes(QByteArray::fromBase64(stored.toLatin1())));
}
