#include "app/UAlbumFunc.h"

#include "app/dialogs/FCoverTemplate.h"
#include "app/dialogs/FWaiting.h"
#include "controls/UModalPopup.h"
#include "core/UAppFrame.h"
#include "core/UAppUtil.h"
#include "core/UGeometryUtil.h"
#include "core/UInterfaces.h"
#include "core/UPhasedProgress.h"
#include "core/USupportUtil.h"
#include "pageobjects/engine/UDOInterface.h"
#include "pageobjects/engine/UDOUtils.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/layout/UAINPicList.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "papers/UExtraPaperInfo.h"
#include "papers/ULabelData.h"
#include "papers/UPaperInfo.h"
#include "platform/Stream.h"

#include <QCoreApplication>
#include <QPointer>
#include <QPushButton>
#include <algorithm>
#include <optional>
#include <unordered_set>

namespace {

// Pages are laid out on the layout paper's one face.
constexpr int kPageFace = 0;

void ProcessMessages(const TAlbumFuncContext& context) {
    if (context.ProcessMessages)
        context.ProcessMessages();
    else
        QCoreApplication::processEvents();
}

bool Aborted(const TAlbumFuncContext& context) {
    const auto* waiting = qobject_cast<const TWaitingBase*>(context.Popup);
    return waiting != nullptr && waiting->AbortRequested();
}

TLOAlbumPhoto* FirstSelectedPhoto(TDrawSite& site) {
    TDOList selected;
    site.ListObjects(selected, true);
    for (TDrawObject* object : selected)
        if (auto* photo = dynamic_cast<TLOAlbumPhoto*>(object))
            return photo;
    return nullptr;
}

// The frame after `after` in a page's reading order (the first for nullptr).
TLOAlbumPhoto* NextIn(const std::vector<TLOAlbumPhoto*>& order, TLOAlbumPhoto* after) {
    if (after == nullptr)
        return order.empty() ? nullptr : order.front();
    const auto at = std::find(order.begin(), order.end(), after);
    return at == order.end() || at + 1 == order.end() ? nullptr : *(at + 1);
}

// The pages an insert changed, as they were stored before it touched them, so that a failed
// insert can put every one of them back byte for byte.
class TPageJournal {
public:
    explicit TPageJournal(TLabelData& document)
        : document_(document), start_(document.CurrentSheetNo()), sheets_(document.GetSheetCount()),
          modified_(document.Modified()) {}

    // Remembers the current sheet's stored page the first time it is seen.
    void Keep() {
        const int sheet = document_.CurrentSheetNo();
        if (std::any_of(pages_.begin(), pages_.end(), [sheet](const TPage& p) { return p.sheet == sheet; }))
            return;
        TPage page{sheet, std::nullopt, document_.FaceInit, document_.FaceModified};
        if (std::unique_ptr<TStream> stream = document_.OpenLabelStream(kPageFace, false, false))
            page.bytes = stream->ReadBytes(stream->GetSize());
        pages_.push_back(std::move(page));
    }
    // Every remembered page written back, appended sheets gone, the starting sheet current.
    void Restore() {
        while (document_.GetSheetCount() > sheets_)
            document_.DeleteSheet(document_.GetSheetCount() - 1);
        for (const TPage& page : pages_) {
            document_.SetCurrentSheetNo(page.sheet);
            std::unique_ptr<TStream> stream = document_.OpenLabelStream(kPageFace, true, false);
            if (stream && page.bytes)
                stream->WriteBytes(*page.bytes);
            stream.reset();
            document_.DeletePreview(kPageFace);
            document_.FaceInit = page.faceInit;
            document_.FaceModified = page.faceModified;
        }
        document_.SetCurrentSheetNo(start_);
        document_.SetModified(modified_);
    }

private:
    struct TPage {
        int sheet;
        std::optional<QByteArray> bytes;
        bool faceInit;
        bool faceModified;
    };
    TLabelData& document_;
    const int start_;
    const int sheets_;
    const bool modified_;
    std::vector<TPage> pages_;
};

// Opens a progress phase and closes it on every way out.
class TProgressPhase {
public:
    TProgressPhase(TPhasedProgressBase* progress, int min, int max) : progress_(progress) {
        if (progress_)
            progress_->BeginPhase(min, max);
    }
    ~TProgressPhase() {
        if (progress_)
            progress_->EndPhase();
    }
    TProgressPhase(const TProgressPhase&) = delete;
    TProgressPhase& operator=(const TProgressPhase&) = delete;
    void SetPosition(int position) {
        if (progress_)
            progress_->SetPosition(position);
    }
    void StepIt() {
        if (progress_)
            progress_->StepIt();
    }

private:
    TPhasedProgressBase* progress_;
};

} // namespace

QString NoPhotoFrameMessage() {
    return QStringLiteral("写真枠の無いページでは実行できません");
}

QString NoPhotoMessage() {
    return QStringLiteral("写真が一枚も設定されていません");
}

// ---- reading order

bool AlbumFunc_IsBefore(TLOAlbumPhoto* a, TLOAlbumPhoto* b) {
    const TRect ra = a->LogBounds();
    const TRect rb = b->LogBounds();
    const TPoint ca = RectCenter(ra);
    const TPoint cb = RectCenter(rb);
    if (cb.X > ca.X)
        return ra.Top <= cb.Y;
    if (cb.X < ca.X)
        return rb.Top >= ca.Y;
    return ca.Y < cb.Y;
}

bool AlbumFunc_IsEmptyPhoto(const TLOAlbumPhoto* photo) {
    return IsPictureEmpty(photo->GetPhotoPicture());
}

TLOAlbumPhoto* AlbumFunc_NextPhotoInReadingOrder(const TDOList& list, TLOAlbumPhoto* after, bool emptyOnly) {
    TLOAlbumPhoto* best = nullptr;
    for (TDrawObject* object : list) {
        auto* photo = dynamic_cast<TLOAlbumPhoto*>(object);
        if (photo == nullptr || photo == after || (emptyOnly && !AlbumFunc_IsEmptyPhoto(photo)))
            continue;
        if (after != nullptr && !AlbumFunc_IsBefore(after, photo))
            continue;
        if (best == nullptr || AlbumFunc_IsBefore(photo, best))
            best = photo;
    }
    return best;
}

std::vector<TLOAlbumPhoto*> AlbumFunc_PhotosInReadingOrder(const TDOList& list) {
    std::vector<TLOAlbumPhoto*> order;
    std::unordered_set<TLOAlbumPhoto*> seen;
    // The order is not transitive, so the walk may come back to a frame: it ends there.
    for (TLOAlbumPhoto* photo = AlbumFunc_NextPhotoInReadingOrder(list, nullptr, false);
         photo != nullptr && seen.insert(photo).second;
         photo = AlbumFunc_NextPhotoInReadingOrder(list, photo, false))
        order.push_back(photo);
    for (TDrawObject* object : list)
        if (auto* photo = dynamic_cast<TLOAlbumPhoto*>(object); photo != nullptr && seen.insert(photo).second)
            order.push_back(photo);
    return order;
}

std::vector<TLOAlbumPhoto*> AlbumFunc_SitePhotosInReadingOrder(TDrawSite& site) {
    TDOList all;
    site.ListObjects(all, false);
    return AlbumFunc_PhotosInReadingOrder(all);
}

// ---- copying photos between frames

namespace {

void CopyPhoto(TLOAlbumPhoto* src, TLOAlbumPhoto* dst, bool keepLock) {
    const TRect bounds = dst->LogBounds();
    const bool movable = dst->Movable();
    const bool selected = dst->Selected();
    dst->Assign(src);
    dst->SetLogRect(bounds);
    // The selection stays with the frame the user chose, not with the photo.
    dst->SetSelected(selected);
    dst->SetMovable(keepLock ? movable : src->Movable());
}

void SwapPhotos(TLOAlbumPhoto* a, TLOAlbumPhoto* b, bool keepLock) {
    TLOAlbumPhoto temporary(nullptr);
    temporary.SetLogRect(a->LogBounds());
    CopyPhoto(a, &temporary, false);
    CopyPhoto(b, a, keepLock);
    CopyPhoto(&temporary, b, keepLock);
}

} // namespace

void AlbumFunc_CopyPhotoKeepFrame(TLOAlbumPhoto* src, TLOAlbumPhoto* dst) {
    CopyPhoto(src, dst, true);
}

void AlbumFunc_CopyPhotoContent(TLOAlbumPhoto* src, TLOAlbumPhoto* dst) {
    CopyPhoto(src, dst, false);
}

void AlbumFunc_SwapPhotosKeepLock(TLOAlbumPhoto* a, TLOAlbumPhoto* b) {
    SwapPhotos(a, b, true);
}

void AlbumFunc_SwapPhotos(TLOAlbumPhoto* a, TLOAlbumPhoto* b) {
    SwapPhotos(a, b, false);
}

// ---- pages

void AlbumFunc_MirrorPage(int index, TLabelData& document) {
    document.SetCurrentSheetNo(index);
    TOwnedDOList stored;
    document.LoadLabelObjects(kPageFace, stored);
    const TMatrixPaperInfo* paper = document.GetLayoutPaper();
    TDOList page;
    stored.ListObjects(page);
    for (TDrawObject* object : page) {
        TIntf<IDOEncloseBounds> enclose = Supports<IDOEncloseBounds>(static_cast<TObject*>(object));
        if (!enclose)
            continue;
        TRect r;
        enclose->GetLogRect(r);
        if (paper->Landscape)
            enclose->MoveBy(0, paper->Height() - r.Bottom - r.Top);
        else
            enclose->MoveBy(paper->Width() - r.Right - r.Left, 0);
    }
    // Read bottom-most first, written topmost first: the page keeps its order.
    ReverseList(page);
    document.StoreLabelObjects(kPageFace, page);
}

bool AlbumFunc_AppendFramedPage(TAlbumFuncContext& context) {
    TLabelData& document = *context.Document;
    int framed = -1;
    for (int sheet = document.GetSheetCount() - 1; sheet >= kFirstInnerSheet && framed < 0; --sheet) {
        document.SetCurrentSheetNo(sheet);
        TOwnedDOList stored;
        document.LoadLabelObjects(kPageFace, stored);
        for (int i = 0; i < stored.Count() && framed < 0; ++i)
            if (dynamic_cast<TLOAlbumPhoto*>(stored[i]) != nullptr)
                framed = sheet;
    }
    if (framed < 0)
        return false;
    document.AddSheet();
    document.FaceInit = true;
    context.LoadPage();
    context.CopyPageFrames(framed);
    context.Site->SetModified(true);
    return true;
}

bool AlbumFunc_InsertPhoto(TAlbumFuncContext& context) {
    TDrawSite& site = *context.Site;
    TLabelData& document = *context.Document;
    TLOAlbumPhoto* start = FirstSelectedPhoto(site);
    if (start == nullptr)
        return false;
    TPageJournal journal(document);
    journal.Keep();
    TLOAlbumPhoto carry(nullptr);
    AlbumFunc_CopyPhotoContent(start, &carry);
    start->SetPhotoPicture(nullptr);
    bool placed = false;
    bool aborted = false;
    QString failure;
    {
        TProgressPhase progress(context.Progress, 1, document.GetSheetCount() - 2);
        try {
            TLOAlbumPhoto* reference = start;
            std::vector<TLOAlbumPhoto*> order = AlbumFunc_SitePhotosInReadingOrder(site);
            while (!placed && !aborted) {
                TLOAlbumPhoto* next = NextIn(order, reference);
                if (next != nullptr && AlbumFunc_IsEmptyPhoto(next)) {
                    AlbumFunc_CopyPhotoContent(&carry, next);
                    site.SetModified(true);
                    placed = true;
                } else if (next != nullptr) {
                    AlbumFunc_SwapPhotos(&carry, next);
                    reference = next;
                    progress.SetPosition(document.CurrentSheetNo() - 1);
                    ProcessMessages(context);
                    aborted = Aborted(context);
                } else {
                    site.SetModified(true);
                    context.StorePage();
                    if (document.CurrentSheetNo() < document.GetSheetCount() - 1) {
                        document.SetCurrentSheetNo(document.CurrentSheetNo() + 1);
                        journal.Keep();
                        context.LoadPage();
                    } else if (!AlbumFunc_AppendFramedPage(context)) {
                        break;
                    }
                    reference = nullptr;
                    order = AlbumFunc_SitePhotosInReadingOrder(site);
                }
            }
        } catch (const Exception& e) {
            failure = e.Message();
        }
    }
    if (placed)
        return true;
    // The photo in the carry would be lost: every page goes back as it was.
    site.SetModified(false);
    journal.Restore();
    context.LoadPage();
    if (!aborted) {
        QString text = QStringLiteral("写真を挿入できませんでした。ページは元に戻しました");
        if (!failure.isEmpty())
            text += QStringLiteral("\n") + failure;
        AppMessageBox(text, {bkOK}, 0, 0);
    }
    return false;
}

bool AlbumFunc_DeletePhoto(TAlbumFuncContext& context) {
    TDrawSite& site = *context.Site;
    TLabelData& document = *context.Document;
    TLOAlbumPhoto* start = FirstSelectedPhoto(site);
    if (start == nullptr)
        return false;
    TLOAlbumPhoto carry(nullptr);
    carry.SetMovable(false);
    std::vector<TLOAlbumPhoto*> order = AlbumFunc_SitePhotosInReadingOrder(site);
    for (auto at = std::find(order.begin(), order.end(), start); at + 1 < order.end(); ++at)
        AlbumFunc_CopyPhotoKeepFrame(*(at + 1), *at);
    site.SetModified(true);
    const int first = document.CurrentSheetNo();
    TProgressPhase progress(context.Progress, 1, document.GetSheetCount() - first);
    ProcessMessages(context);
    for (int sheet = document.GetSheetCount() - 1; sheet >= first; --sheet) {
        context.StorePage();
        document.SetCurrentSheetNo(sheet);
        progress.SetPosition(document.GetSheetCount() - document.CurrentSheetNo());
        ProcessMessages(context);
        context.LoadPage();
        order = AlbumFunc_SitePhotosInReadingOrder(site);
        // The carry passes over a page without frames to the page before it.
        if (order.empty())
            continue;
        if (sheet == first) {
            AlbumFunc_SwapPhotosKeepLock(order.back(), &carry);
        } else {
            for (auto at = order.rbegin(); at != order.rend(); ++at)
                AlbumFunc_SwapPhotosKeepLock(*at, &carry);
        }
        site.SetModified(true);
    }
    return true;
}

int AlbumFunc_FillEmptyFrames(TAlbumFuncContext& context) {
    TDrawSite& site = *context.Site;
    if (AlbumFunc_SitePhotosInReadingOrder(site).empty()) {
        AppMessageBox(NoPhotoFrameMessage(), {bkOK}, 0, 0);
        return 0;
    }
    const int count = context.SelectedPhotoCount ? context.SelectedPhotoCount() : 0;
    if (count <= 0 || !context.LoadSelectedPhoto)
        return 0;
    TProgressPhase progress(context.Progress, 1, count);
    auto* waiting = qobject_cast<TWaitingBase*>(context.Popup);
    int placed = 0;
    bool pageAdded = false;
    do {
        if (waiting)
            waiting->SetCounter(placed + 1, count);
        TDOList all;
        site.ListObjects(all, false);
        if (TLOAlbumPhoto* frame = AlbumFunc_NextPhotoInReadingOrder(all, nullptr, true)) {
            context.LoadSelectedPhoto(frame, placed);
            ++placed;
            pageAdded = false;
            if (auto* preview = qobject_cast<TfrmWaiting*>(context.Popup))
                preview->SetPicture(*frame->GetPhotoPicture());
            progress.StepIt();
            ProcessMessages(context);
        } else {
            const int sheets = context.Document->GetSheetCount();
            // A page added without an empty frame would be followed by another for ever.
            if (!pageAdded)
                context.AddPage();
            if (pageAdded || context.Document->GetSheetCount() == sheets) {
                AppMessageBox(NoPhotoFrameMessage(), {bkOK}, 0, 0);
                break;
            }
            pageAdded = true;
            ProcessMessages(context);
        }
    } while (!Aborted(context) && placed < count);
    return placed;
}

// ---- covers

bool AlbumFunc_SetCover(bool front, TLabelData& document, const TDOList& objects, const TRect& templateFace) {
    // A face without area cannot be scaled from.
    if (templateFace.Width() <= 0 || templateFace.Height() <= 0)
        return false;
    const int remembered = document.CurrentSheetNo();
    std::unique_ptr<TPaperInfo> paper(
        static_cast<TPaperInfo*>(document.GetPaperInfo()->NewInstance(nullptr)));
    paper->Assign(document.GetPaperInfo());
    TExPaperInfo extra(nullptr);
    if (document.GetPaperExtraInfo())
        extra.Assign(document.GetPaperExtraInfo());
    TImagePaperInfo images(nullptr);
    if (document.GetPaperImageInfo())
        images.Assign(document.GetPaperImageInfo());
    TExAlbumInfo album(nullptr);
    if (document.GetPaperExtraAlbum())
        album.Assign(document.GetPaperExtraAlbum());
    document.SetCurrentSheetNo(front ? kFrontCoverSheet : kBackCoverSheet);
    document.SetPaperInfo(*paper);
    document.SetPaperExtraInfo(&extra);
    document.SetPaperImageInfo(&images);
    document.SetPaperExtraAlbum(&album);
    TRect from = templateFace;
    OffsetRect(from, -from.Left, -from.Top);
    TRect to = document.GetLayoutPaper()->GetFaceOuterRect(kPageFace);
    OffsetRect(to, -to.Left, -to.Top);
    RescaleObjects(objects, from, to);
    document.StoreLabelObjects(kPageFace, objects);
    // The template is the cover's design: no frames from the paper's slots join it.
    document.FaceInit = true;
    document.FaceModified = false;
    (front ? document.FrontCover : document.BackCover) = true;
    document.SetCurrentSheetNo(remembered);
    return true;
}

int AlbumFunc_ApplyCoverTemplate(bool front, TLabelData& document, QWidget* owner) {
    TfrmCoverTemplate dialog(owner);
    TFaceInfo face;
    document.GetLayoutPaper()->GetFaceInfo(kPageFace, face);
    dialog.SetFaceInfo(face);
    if (front ? document.FrontCover : document.BackCover)
        dialog.ShowDeleteButton();
    const int result = dialog.exec();
    if (result == mrYes) {
        AlbumFunc_ClearCover(front, document);
        return 2;
    }
    if (result != QDialog::Accepted)
        return 0;
    TWatchCursor cursor;
    TOwnedDOList objects;
    TRect faceRect;
    if (!dialog.GetSelection(objects, faceRect))
        return 0;
    TDOList view;
    objects.ListObjects(view);
    if (!AlbumFunc_SetCover(front, document, view, faceRect)) {
        AppMessageBox(QStringLiteral("この表紙デザインは使用できません"), {bkOK}, 0, 0);
        return 0;
    }
    return 1;
}

void AlbumFunc_ClearCover(bool front, TLabelData& document) {
    const int remembered = document.CurrentSheetNo();
    document.SetCurrentSheetNo(front ? kFrontCoverSheet : kBackCoverSheet);
    document.ClearLabel(kPageFace);
    (front ? document.FrontCover : document.BackCover) = false;
    int next = remembered;
    if (remembered < kFirstInnerSheet)
        next =
            front ? std::min(kFirstInnerSheet, document.GetSheetCount() - 1) : document.GetSheetCount() - 1;
    document.SetCurrentSheetNo(next);
}

// ---- batch adjustment

namespace {

TfrmWaitingText* ShowWaitingText(TModalPopup& popup, const QString& message) {
    auto* waiting = static_cast<TfrmWaitingText*>(popup.Form());
    if (waiting)
        waiting->SetMessage(message);
    return waiting;
}

TModalPopup::TFormMaker WaitingTextMaker() {
    return [](QWidget* owner) { return new TfrmWaitingText(owner); };
}

} // namespace

bool AlbumFunc_CollectPhotos(TAINPicList& list, TLabelData& document, QWidget* owner, bool skipCovers) {
    TModalPopup popup(WaitingTextMaker(), owner);
    QPointer<TfrmWaitingText> waiting =
        ShowWaitingText(popup, QStringLiteral("設定されている写真を集めています"));
    if (waiting)
        waiting->btnAbort->setEnabled(true);
    TSTDPhasedProgress progress(waiting ? waiting->ProgressBar1 : nullptr);
    return list.LoadPhotos(&document, &progress, skipCovers,
                           [waiting] { return waiting && waiting->AbortRequested(); });
}

void AlbumFunc_SavePhotoFilters(TAINPicList& list, TLabelData&, QWidget* owner) {
    TModalPopup popup(WaitingTextMaker(), owner);
    TfrmWaitingText* waiting = ShowWaitingText(popup, QStringLiteral("変更された写真を保存しています"));
    TSTDPhasedProgress progress(waiting ? waiting->ProgressBar1 : nullptr);
    list.SaveFilterNos(&progress);
}
