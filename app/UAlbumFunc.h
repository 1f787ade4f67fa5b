#pragma once
// The album operations that work across the pages of a document: a page mirrored when it changes
// side of the paper, the reading order of photo frames, filling empty frames with many photos,
// inserting and deleting a photo so that every later photo moves a frame on or back across pages,
// the covers, and collecting the photos for the batch adjustment. The layout editor hands them a
// context of callbacks into itself, so they store, load and add pages without knowing the form.

#include <QString>
#include <functional>
#include <vector>

class QWidget;
class TAINPicList;
class TDOList;
class TDrawSite;
class TLabelData;
class TLOAlbumPhoto;
class TOwnedDOList;
class TPhasedProgressBase;
struct TRect;

struct TAlbumFuncContext {
    // The editor's site (it shows the current page) and the document; borrowed.
    TDrawSite* Site = nullptr;
    TLabelData* Document = nullptr;
    // The site's page into the document (only when the site is modified).
    std::function<void()> StorePage;
    // The current sheet's page onto the site.
    std::function<void()> LoadPage;
    // The editor's page insert: a page after the current one with its frames, emptied.
    std::function<void()> AddPage;
    // Commits, makes the sheet current, loads and repaints.
    std::function<void(int sheet)> GoToPage;
    // The emptied frames of a sheet onto the current page.
    std::function<void(int fromSheet)> CopyPageFrames;
    // The photo panel's browser: how many files are selected, and file index into a frame.
    std::function<int()> SelectedPhotoCount;
    std::function<void(TLOAlbumPhoto* photo, int index)> LoadSelectedPhoto;
    // Lets pending events run so that the progress and the abort button stay live (the
    // application's event loop when not set).
    std::function<void()> ProcessMessages;
    // Set by the caller before a long run; both may stay null.
    TPhasedProgressBase* Progress = nullptr;
    // The waiting popup's form (a TfrmWaiting shows the photo just placed; any waiting form
    // gives its counter and abort button).
    QWidget* Popup = nullptr;
};

// Messages of the album commands.
QString NoPhotoFrameMessage();
QString NoPhotoMessage();

// Reading order: frames read row by row, a frame belonging to the other's row when it starts at
// or above that frame's centre line, left to right within a row. Not a strict weak ordering (two
// frames may each come before the other): never sort with it.
bool AlbumFunc_IsBefore(TLOAlbumPhoto* a, TLOAlbumPhoto* b);
// The first frame in reading order among the list's frames that come after `after` (any frame for
// nullptr), only empty ones when emptyOnly; nullptr when none. One pass keeping the best
// candidate: a candidate replaces the best when it comes before it.
TLOAlbumPhoto* AlbumFunc_NextPhotoInReadingOrder(const TDOList& list, TLOAlbumPhoto* after, bool emptyOnly);
// Every frame of the list once, in the order repeated NextPhotoInReadingOrder gives; a frame the
// walk cannot reach (it comes back to a frame already read) follows in list order.
std::vector<TLOAlbumPhoto*> AlbumFunc_PhotosInReadingOrder(const TDOList& list);
// The site's photo frames in reading order.
std::vector<TLOAlbumPhoto*> AlbumFunc_SitePhotosInReadingOrder(TDrawSite& site);
bool AlbumFunc_IsEmptyPhoto(const TLOAlbumPhoto* photo);

// Moves the photo and its settings from src into dst; dst keeps its place, size, selection and
// lock (KeepFrame) or takes the lock from src (Content).
void AlbumFunc_CopyPhotoKeepFrame(TLOAlbumPhoto* src, TLOAlbumPhoto* dst);
void AlbumFunc_CopyPhotoContent(TLOAlbumPhoto* src, TLOAlbumPhoto* dst);
// Swaps the contents of two frames (through a temporary frame) with the copies above.
void AlbumFunc_SwapPhotosKeepLock(TLOAlbumPhoto* a, TLOAlbumPhoto* b);
void AlbumFunc_SwapPhotos(TLOAlbumPhoto* a, TLOAlbumPhoto* b);

// Sheet index (which becomes current) with every object of its first face mirrored across the
// layout paper: vertically on a landscape paper, else horizontally. Used after a page insert or
// delete in a two-sided album, where every later page changes side.
void AlbumFunc_MirrorPage(int index, TLabelData& document);

// The first selected frame's photo moves one frame on in reading order, and with it every photo up
// to the first empty frame, across pages; a page with the last sheet's frames is appended when the
// album is full. The editor commits the page first. When the carried photo cannot be placed (no
// page could be appended, a page could not be read, the user aborted) every page it changed is put
// back as it was stored, a page it appended goes, and a message says so (not for an abort): no
// photo is lost. False when nothing was changed.
bool AlbumFunc_InsertPhoto(TAlbumFuncContext& context);
// A page like the last sheet that holds photo frames, appended and shown (its frames emptied);
// false when no sheet holds a frame.
bool AlbumFunc_AppendFramedPage(TAlbumFuncContext& context);
// The first selected frame's photo goes; every later photo moves one frame back across pages, and
// the last frame of the album is left empty. Pages without frames are passed over. False without
// a selected frame.
bool AlbumFunc_DeletePhoto(TAlbumFuncContext& context);
// The photo panel's selected files into the empty frames in reading order, adding pages while
// files remain, until the popup reports an abort. A page without frames, or an added page without
// an empty frame, stops it with NoPhotoFrameMessage(). The number of files placed.
int AlbumFunc_FillEmptyFrames(TAlbumFuncContext& context);

// The cover-template window for the front (or back) cover: 0 cancelled, 1 cover applied, 2 cover
// removed. A template whose face has no area is refused with a message (0; the cover stays).
int AlbumFunc_ApplyCoverTemplate(bool front, TLabelData& document, QWidget* owner = nullptr);
// The cover sheet takes the current sheet's papers and the objects (topmost first), rescaled from
// the template's face onto the layout paper's face; the cover is in use and the current sheet stays
// current. False, with nothing changed, when the template's face has no area.
bool AlbumFunc_SetCover(bool front, TLabelData& document, const TDOList& objects, const TRect& templateFace);
// Takes away the front (or back) cover: its page and preview go and the cover is no longer used.
// The sheet that was current stays current, unless it was a cover: then the first page follows
// for the front cover and the last sheet for the back cover.
void AlbumFunc_ClearCover(bool front, TLabelData& document);

// Every photo with a picture (covers left out when skipCovers) into list, under a waiting popup
// over owner. False when the list went meanwhile, or when the user aborted in the popup (the list
// is then empty and the starting sheet current).
bool AlbumFunc_CollectPhotos(TAINPicList& list, TLabelData& document, QWidget* owner, bool skipCovers);
// The changed automatic corrections of the list written back into their pages, under a popup.
void AlbumFunc_SavePhotoFilters(TAINPicList& list, TLabelData& document, QWidget* owner);
