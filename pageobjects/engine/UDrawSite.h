#pragma once
// The editing and rendering surface of one page: a widget that holds the page's draw objects
// as its windowless children in drawing order, keeps the page size in logical units, maps
// logical units to pixels through its scaler, routes mouse and key input to selection, handles
// and ghosts, re-broadcasts every change of its objects, and renders the page onto any other
// canvas (printers, previews, bitmaps) through the same object code (DrawTo).
//
// Painting: the page (background, OnPaint and the objects) is kept in tiles of what was shown,
// each re-rendered only where objects changed; handles, ghosts, OnPaintAfter and the border are
// drawn over them in every paint, so a drag repaints only that overlay and leaves no trails.
// The tiles least recently shown go once they exceed a few views' worth, so the cache stays
// bounded however far the page is zoomed.
//
// Ownership of page objects: a site owns the objects on it as their component owner. An object
// the caller owns comes onto a site through AdoptObject; one taken off a site leaves its owner
// through ReleaseFromOwner; both hand it over as std::unique_ptr. TDOList is the ordered list of
// object pointers that every operation on a set of objects uses (selections, targets, views): it
// never frees what it lists. TOwnedDOList owns its objects: what a stored list or the clipboard
// hands over, until a site takes the objects; what it still holds goes with it.

#include "core/UBroadcaster.h"
#include "pageobjects/engine/UDrawObject.h"
#include "pageobjects/engine/UScaler.h"
#include "platform/GraphicControl.h"

#include <QImage>
#include <QRegion>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

class TStream;
class TPivot;

QUORLANE_EXCEPTION(EDOListError, EReadError)

class TDOList : public TObject {
public:
    // The most objects a stored list may claim: far beyond any page, small enough that a
    // damaged count cannot make the reader allocate without end.
    static constexpr int32_t kMaxStoredObjects = 100000;

    TDOList() = default;
    TDOList(const TDOList&) = delete;
    TDOList& operator=(const TDOList&) = delete;

    int Count() const { return int(items_.size()); }
    TDrawObject* Items(int index) const;
    TDrawObject* GetItem(int index) const { return Items(index); }
    void SetItem(int index, TDrawObject* object);
    TDrawObject* operator[](int index) const { return Items(index); }
    int Add(TDrawObject* object);
    void Insert(int index, TDrawObject* object);
    void Delete(int index);
    // Index it had, -1 when absent.
    int Remove(TDrawObject* object);
    int IndexOf(const TDrawObject* object) const;
    void Exchange(int a, int b);
    void Clear() { items_.clear(); }
    bool IsEmpty() const { return items_.empty(); }
    std::vector<TDrawObject*>::const_iterator begin() const { return items_.begin(); }
    std::vector<TDrawObject*>::const_iterator end() const { return items_.end(); }

    // A 4-byte little-endian count, then each object as a stored component ("TPF0" form).
    void SaveToStream(TStream& stream) const;
    // Puts clones of the listed objects on the clipboard in the stored form (nothing for an
    // empty list).
    void CopyToClipboard(unsigned format) const;

private:
    std::vector<TDrawObject*> items_;
};

// A list that owns its objects (stored lists read, clipboard contents, pastes): its destructor
// frees what it still holds; Take hands one object over, TakeAll every one.
class TOwnedDOList {
public:
    TOwnedDOList() = default;
    TOwnedDOList(TOwnedDOList&&) = default;
    TOwnedDOList& operator=(TOwnedDOList&&) = default;
    ~TOwnedDOList();

    int Count() const { return int(items_.size()); }
    bool IsEmpty() const { return items_.empty(); }
    TDrawObject* Items(int index) const;
    TDrawObject* operator[](int index) const { return Items(index); }
    void Add(std::unique_ptr<TDrawObject> object);
    // The object leaves the list and goes to the caller (nullptr when the list does not hold it).
    std::unique_ptr<TDrawObject> Take(TDrawObject* object);
    // Every object, in list order; the list is empty afterwards.
    std::vector<std::unique_ptr<TDrawObject>> TakeAll();
    // Frees every object (the list's FreeObjects).
    void FreeObjects();
    void Clear() { FreeObjects(); }
    // The objects as a list of pointers for the operations on sets of objects.
    void ListObjects(TDOList& list) const;

    // Frees what the list holds and reads a stored list: the count is checked against the data,
    // only registered, concrete draw-object classes are created (other stored components are
    // passed over unread), and damaged or truncated data raises EReadError with nothing leaked
    // and the list left empty.
    void LoadFromStream(TStream& stream);
    // A 4-byte little-endian count, then each object as a stored component.
    void SaveToStream(TStream& stream) const;
    // Reads objects of that clipboard format; without such data the list stays as it was.
    void LoadFromClipboard(unsigned format);

private:
    std::vector<std::unique_ptr<TDrawObject>> items_;
};

// Takes an object out of its component owner, if it has one: the caller owns it from then on.
std::unique_ptr<TDrawObject> ReleaseFromOwner(TDrawObject* object);

using TDrawToProgressEvent = std::function<void(TObject* sender, int index)>;

class TDrawSite : public TWinControl, public virtual IBroadcaster {
    QUORLANE_CLASS(TDrawSite, TWinControl)

public:
    explicit TDrawSite(TComponent* owner, QWidget* parentWidget = nullptr);
    ~TDrawSite() override;

    static void DeclareProperties(TPropertyBuilder<TDrawSite>& p);

    // --- IBroadcaster: the site re-broadcasts every event of its objects
    HRESULT QueryInterface(const TGUID& iid, void** obj) override;
    int32_t AddRef() override { return ++refCount_; }
    int32_t Release() override { return --refCount_; }
    void Broadcast(TObject* sender, const TGUID& eventID) override;
    void AddListener(IListener* listener) override;
    void RemoveListener(IListener* listener) override;
    IBroadcaster* AsBroadcaster() { return this; }

    // --- page and scale
    TScaler& Scaler() { return *scaler_; }
    const TScaler& Scaler() const { return *scaler_; }
    // Copies Scale and UnitDPI into the owned scaler.
    void SetScaler(const TScaler* value) { scaler_->Assign(value); }
    int LogWidth() const { return logWidth_; }
    void SetLogWidth(int value);
    int LogHeight() const { return logHeight_; }
    void SetLogHeight(int value);
    TCursor MoveCursor() const { return moveCursor_; }
    void SetMoveCursor(TCursor value) { moveCursor_ = value; }
    bool Border() const { return border_; }
    void SetBorder(bool value);
    bool Modified() const { return modified_; }
    // Marks the handles for rebuilding; a change of the flag fires OnModifyChanged.
    void SetModified(bool value);

    // --- objects
    // Parents the object to the site, sets its bounds, places it by its layer group, marks the
    // site modified. The object's owner stays as it was (use AdoptObject for one the caller owns).
    void AddObject(TDrawObject* object);
    // The one way an owned object comes onto the site (pastes, drops, creation, rendering of
    // lists): the site becomes its owner (a stored name the site already has is dropped: names in
    // stored lists need not be unique) and AddObject places it. Returns the object, now borrowed.
    TDrawObject* AdoptObject(std::unique_ptr<TDrawObject> object);
    // Appends the draw objects from the topmost down (only the selected ones when asked).
    void ListObjects(TDOList& list, bool selectedOnly) const;
    void SelectAll(bool value);
    // Selects every draw object whose pixel bounds lie wholly inside r (client pixels).
    void SelectInRect(const TRect& r);
    // The topmost draw object whose HitTest holds at the logical point, else nullptr.
    TDrawObject* ObjectAt(const TPoint& p) const;
    int DrawObjectCount() const;

    // --- conversions through the scaler for the current draw canvas
    TPoint DevToLog(const TPoint& p) const;
    TPoint LogToDev(const TPoint& p) const;
    TRect LogRectToDev(const TRect& r) const;
    TRect GetLogClientRect() const;
    void UpdateObjectBounds(TDrawObject* object);
    // The scaler conversions use: the site's own, or the one of a running DrawTo.
    const TScaler& ActiveScaler() const { return drawScaler_ ? *drawScaler_ : *scaler_; }

    // --- handles
    // Hides the visible handles and marks them for rebuilding; whether any was hidden.
    bool HidePivots();
    void ClearPivots();
    // Rebuilds the handles of the selected objects when they are marked and no press is under way.
    void UpdatePivots();
    // Places a handle centred on the logical point and parents it to the site.
    void PlacePivot(TPivot* pivot, const TPoint& p);

    // --- rendering
    // The canvas of a running DrawTo, else the site's own.
    TCanvas* GetDrawCanvas();
    // Renders the page onto another canvas with its top-left at origin (device units of that
    // canvas) at scale percent. The site's own scale and state stay as they are.
    void DrawTo(TCanvas& canvas, const TPoint& origin, int scale);
    // The scale in percent at which the page fits r on canvas (the smaller of both when both
    // are asked); 100 when neither is.
    int CalcFitScale(TCanvas& canvas, const TRect& r, bool fitWidth, bool fitHeight) const;
    bool IsPaintingCopy() const { return paintingCopy_; }
    // DrawTo first prepares the objects it will paint on the canvas side by side on the kernels'
    // threads (print bands: a band's photos decoded at once, not one after another).
    void SetPrepareInParallel(bool value) { prepareInParallel_ = value; }
    // Recomputes the pixel size from the page size and scale and repositions every object.
    void UpdateSize();
    // Marks a client area of the page image for re-rendering.
    void InvalidatePage(const TRect& r);
    void InvalidatePage();
    // Repaints the overlay (handles, ghosts, after-paint) without re-rendering the page.
    void InvalidateOverlay();
    // The page image of a client area as the screen shows it without the overlay (its tiles
    // re-rendered where needed).
    QImage PageImage(const TRect& area);
    // The whole client area: for small sites (tests, thumbnails).
    QImage PageImage();
    // The page cache: square tiles of this many device pixels.
    static constexpr int kPageTileSize = 256;
    // Views' worth of tiles kept: scrolling back and forth within them renders nothing again.
    static constexpr int kPageCacheViews = 3;
    int PageTileCount() const { return int(tiles_.size()); }
    int64_t PageCacheBytes() const;
    // The most the cache keeps between paints, from the size of the view the site is shown in.
    int64_t PageCacheBudgetBytes() const;
    // Tiles rendered so far, whole or in part (a drag renders none).
    int64_t TilesRendered() const { return tilesRendered_; }

    // --- input
    // A press on an object (from the object, handle index -1, or from one of its handles).
    void ObjectMouseDown(TMouseButton button, TShiftState shift, TDrawObject* object, int handleIndex, int x,
                         int y);
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void Click() override;
    void KeyDown(int& key, TShiftState shift) override;
    void KeyUp(int& key, TShiftState shift) override;
    void CancelMode() override;

    // --- component
    void Loaded() override;
    void GetChildren(const TGetChildProc& proc, TComponent* root) override;
    void InvalidateControl(TGraphicControl* control, const TRect& r) override;

    std::weak_ptr<const void> LifeToken() const { return alive_; }

    TNotifyEvent OnScalerChanged;
    TNotifyEvent OnPaint;
    TNotifyEvent OnPaintAfter;
    TNotifyEvent OnClearGhost;
    TNotifyEvent OnModifyChanged;
    TDrawToProgressEvent OnDrawToProgress;

protected:
    virtual void PaintAfter();
    virtual void DoDrawToProgress(int index);
    // Renders one object during DrawTo (its PaintTo on the draw canvas).
    virtual void DrawObject(TDrawObject* object);
    // The background: fills the client area with Color (unless clNone), then OnPaint.
    virtual void Paint();

    void ControlListChange(TGraphicControl* control, bool inserting) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void HandleNotify(TObject* sender, const TGUID& eventID);
    void PrepareObjects(TCanvas& canvas);
    struct TPageTile {
        QRect Area; // client pixels
        QImage Image;
        QRegion Dirty;
        uint64_t LastUse = 0;
    };
    static uint64_t TileKey(int col, int row) { return (uint64_t(uint32_t(row)) << 32) | uint32_t(col); }
    // Brings every tile that region touches up to date, making missing ones.
    void RenderArea(const QRegion& region);
    void RenderTile(TPageTile& tile, const QRegion& area);
    // Calls f(tile) for each cached tile that meets r.
    template <class F>
    void ForTilesIn(const QRect& r, F f);
    int TileBudget() const;
    void TrimPageCache();
    void AutoScroll(int x, int y);
    void GhostsCleared(TObject* sender);

    std::unique_ptr<TScaler> scaler_;
    int logWidth_ = 0;
    int logHeight_ = 0;
    TCursor moveCursor_ = crDefault;
    bool modified_ = false;
    TCanvas* drawTarget_ = nullptr;
    std::unique_ptr<TScaler> drawScaler_;
    bool border_ = true;
    std::unique_ptr<TBroadcaster> broadcaster_;
    std::unique_ptr<TListener> listener_;
    TWeakRef<TDrawObject> pressed_;
    bool deselectOnClick_ = false;
    // A plain click on one of several selected objects keeps that one alone.
    bool soleOnClick_ = false;
    // Whether the ghosts of the current press moved; a press that makes no ghosts never moved,
    // whatever an earlier drag left in the ghost list.
    bool pressMoved_ = false;
    // Where the mouse last was (client pixels): key changes during a drag re-run the ghosts there.
    TPoint lastMouse_;
    bool pivotsDirty_ = false;
    bool paintingCopy_ = false;
    bool prepareInParallel_ = false;
    TPen pen_;
    std::unordered_map<uint64_t, TPageTile> tiles_;
    uint64_t tileClock_ = 0;
    int64_t tilesRendered_ = 0;
    std::atomic<int32_t> refCount_{0};
    std::shared_ptr<const bool> alive_ = std::make_shared<const bool>(true);
};
