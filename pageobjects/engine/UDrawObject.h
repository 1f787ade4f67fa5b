#pragma once
// The base of every page object: a windowless child of a draw site whose geometry lives in
// logical units of the page and is converted to pixels through the site's scaler. It carries
// selection, movability, a layer group that keeps z-order bands, free-form Appendix strings,
// change notification (IBroadcaster, delegated to its change notifier), painting through the
// page's mapping with alpha blending when the object asks for it, and a visible error state
// when its screen painting fails.

#include "core/UBroadcaster.h"
#include "pageobjects/engine/UDOInterface.h"
#include "platform/GraphicControl.h"
#include "platform/StringList.h"

#include <functional>
#include <memory>

class TBitmap;
class TCanvas;
class TDrawSite;

// Event identifiers broadcast by draw objects (the sender is the object).
inline constexpr TGUID GUID_SelectionChanged = GUIDLiteral("{B423E361-44C6-11D3-AD13-00500463098A}");
inline constexpr TGUID GUID_MovableChanged = GUIDLiteral("{B45F6E91-458A-11D3-AD15-00500463098A}");
inline constexpr TGUID GUID_DontPrintChanged = GUIDLiteral("{B45F6E92-458A-11D3-AD15-00500463098A}");

struct IDOLogRect : virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{B7EC5AD0-94E5-11D1-A1DF-0060976E9510}");
    virtual void GetLogRect(TRect& r) = 0;

protected:
    ~IDOLogRect() = default;
};

struct IDORectProps : virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{CF484151-74BF-11D1-A181-0060976E9510}");
    virtual int GetLeft() = 0;
    virtual void SetLeft(int value) = 0;
    virtual int GetTop() = 0;
    virtual void SetTop(int value) = 0;
    virtual int GetWidth() = 0;
    virtual void SetWidth(int value) = 0;
    virtual int GetHeight() = 0;
    virtual void SetHeight(int value) = 0;
    virtual bool KeepAspectRatio() = 0;

protected:
    ~IDORectProps() = default;
};

// What ghosts draw: the object itself and its outline path.
struct IDOGhostPaint : virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{4B303A51-7027-11D1-A16E-0060976E9510}");
    virtual void PaintTo(TCanvas& canvas) = 0;
    virtual void DrawOutline(TCanvas& canvas) = 0;

protected:
    ~IDOGhostPaint() = default;
};

struct IDOBlend : virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{D90DA153-766D-432A-B181-4694F94ABED2}");
    virtual void SetBlendShade(bool value) = 0;
    virtual bool GetBlendShade() = 0;
    virtual void SetBlendRatio(int value) = 0;
    virtual int GetBlendRatio() = 0;

protected:
    ~IDOBlend() = default;
};

// Handle indexes: what MakeGhost is asked for and what each handle (pivot) carries.
enum TGhostHandle : int {
    ghCreate = -2, // draw a new object from the press point
    ghMove = -1,   // move the whole object (every selected object at once)
    // The eight handles of a rectangle, corners and middles of its edges.
    ghTopLeft = 0,
    ghLeftMiddle = 1,
    ghBottomLeft = 2,
    ghTopMiddle = 3,
    ghBottomMiddle = 4,
    ghTopRight = 5,
    ghRightMiddle = 6,
    ghBottomRight = 7,
    ghRotate = 8,
    // The ends of a line.
    ghLineStart = 0,
    ghLineEnd = 1,
    // The ends and the bulge of a curve (also the bulge handle of bent text).
    ghCurveStart = 10,
    ghCurveEnd = 11,
    ghBulge = 12,
};
constexpr int kRectHandleCount = 8;

// A reference that becomes null when its object is destroyed: undo entries and ghosts hold
// objects and sites this way, so they never reach one that is gone.
template <class T>
class TWeakRef {
public:
    TWeakRef() = default;
    TWeakRef(T* object)
        : object_(object), token_(object ? object->LifeToken() : std::weak_ptr<const void>()) {}
    T* get() const { return token_.expired() ? nullptr : object_; }
    T* operator->() const { return get(); }
    explicit operator bool() const { return get() != nullptr; }

private:
    T* object_ = nullptr;
    std::weak_ptr<const void> token_;
};

class TDrawObject : public TGraphicControl,
                    public virtual IBroadcaster,
                    public virtual IChangeNotify,
                    public virtual IDOLogRect {
    QUORLANE_CLASS(TDrawObject, TGraphicControl)

public:
    explicit TDrawObject(TComponent* owner);
    ~TDrawObject() override;

    static void DeclareProperties(TPropertyBuilder<TDrawObject>& p);

    // --- interfaces (not reference-counted: the owner frees the object)
    HRESULT QueryInterface(const TGUID& iid, void** obj) override;
    int32_t AddRef() override;
    int32_t Release() override;
    void Broadcast(TObject* sender, const TGUID& eventID) override;
    void AddListener(IListener* listener) override;
    void RemoveListener(IListener* listener) override;
    void BeginUpdate() override;
    void EndUpdate() override;
    // Signals a change through the change notifier (at once outside an update bracket).
    void Changed() override;
    IBroadcaster* AsBroadcaster() { return this; }

    // --- state
    bool Border() const { return border_; }
    void SetBorder(bool value);
    bool Selected() const { return selected_; }
    // Unselectable objects stay unselected; otherwise stores the value (also when unchanged)
    // and broadcasts GUID_SelectionChanged.
    virtual void SetSelected(bool value);
    bool Movable() const { return movable_; }
    virtual void SetMovable(bool value);
    bool Selectable() const { return selectable_; }
    void SetSelectable(bool value);
    int LayerGroup() const { return layerGroup_; }
    void SetLayerGroup(int value) { layerGroup_ = value; }
    TStringList* Appendix() const { return appendix_.get(); }
    // Assigns the lines only when they differ.
    void SetAppendix(const TStringList& value);
    bool PaintFailed() const { return paintFailed_; }
    bool Dropping() const { return dropping_; }
    void SetDropping(bool value) { dropping_ = value; }

    TNotifyEvent OnModify;

    // --- geometry and painting
    virtual bool NeedsBlend();
    // Paints through blending when NeedsBlend, else plainly (Paint).
    virtual void PaintContent();
    // Draws the object's 8-bit alpha map (255 opaque, 0 transparent) in logical units on the
    // mask's canvas; the base makes everything opaque.
    virtual void DrawAlphaMap(TBitmap& mask);
    // A 24-bit bitmap of the object painted over the device area of its logical rect on the
    // draw canvas, with the draw canvas's mapping.
    virtual std::unique_ptr<TBitmap> CreateImage();
    virtual void HandleNotify(TObject* sender, const TGUID& eventID);
    // Whether the logical point lies on the object.
    virtual bool HitTest(const TPoint& p) = 0;
    void GetLogRect(TRect& r) override = 0;
    TRect LogRect() {
        TRect r;
        GetLogRect(r);
        return r;
    }
    virtual void MakePivots() = 0;
    // Makes the drag ghost of a handle (TGhostHandle: ghMove moves the whole object, ghCreate
    // draws it).
    virtual void MakeGhost(int handle) = 0;
    // Renders the object onto a canvas already mapped in logical units (printing, previews,
    // ghosts).
    virtual void PaintTo(TCanvas& canvas);
    // After a paint onto canvas: a device rectangle of it that the paint covered entirely with a
    // photograph's own pixels (a picture that was stored lossy to begin with), opaque and turned
    // by nothing, so that a print may store that part at a photograph's quality. False (the base)
    // for everything else, text and line art above all.
    virtual bool PhotoInterior(TCanvas& canvas, TRect& deviceRect);
    // Before a paint onto canvas: the slow part of it (decoding and shrinking a picture), as work
    // another thread may do while other objects' work runs, but none of this object's; empty (the
    // base) when there is none or it is done. The paint then finds it made.
    virtual std::function<void()> PaintPreparation(TCanvas& canvas);

    void Assign(const TPersistent* source) override;

    TDrawSite* Site() const;
    bool IsOnSite() const { return Site() != nullptr; }
    // Asks the site to recompute the pixel bounds from GetLogRect.
    void UpdateBounds();
    // The canvas of a running PaintTo, else the object's own.
    TCanvas* GetDrawCanvas() const;
    // Z-order changes that keep LayerGroup bands.
    void BringToFrontInLayer();
    void SendToBackInLayer();
    // Puts the object where its LayerGroup belongs (just below the first object of a higher
    // group).
    void PlaceByLayerGroup() { BringToFrontInLayer(); }

    bool HitTestControl(int x, int y) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;

    // The screen paint: error display, border, page mapping, PaintContent.
    void PaintMessage() override;

    std::weak_ptr<const void> LifeToken() const { return alive_; }

protected:
    void AssignTo(TPersistent* dest) const override;
    // The blended paint; false when the canvas cannot take it (the plain paint then runs).
    bool BlendPaint(int ratio);
    // A device rectangle of the canvas inside the object where its paint is one opaque colour
    // and its alpha map full, so that a blend there mixes that colour into the pixels in place;
    // false (the base) when the object has none.
    virtual bool SolidInterior(TCanvas& canvas, TRect& deviceRect, TColor& color);
    // Called on every change of the notifier or Appendix: marks the site modified, fires OnModify.
    void DoChange();

private:
    // The blend of one device area of the canvas, band by band: the object painted over a copy
    // of what lies beneath (or alone, on devices without readable pixels) and mixed in by its map.
    bool BlendArea(TCanvas& canvas, const TRect& dev, int ratio, const uint8_t (&weights)[256]);

    std::unique_ptr<TChangeNotify> notify_;
    bool border_ = false;
    bool selected_ = false;
    bool paintFailed_ = false;
    bool movable_ = true;
    bool selectable_ = true;
    TCanvas* paintTarget_ = nullptr;
    int layerGroup_ = 0;
    std::unique_ptr<TListener> listener_;
    bool dropping_ = false;
    std::unique_ptr<TStringList> appendix_;
    std::atomic<int32_t> refCount_{0};
    std::shared_ptr<const bool> alive_ = std::make_shared<const bool>(true);

protected:
    // Interfaces the object offers; derived classes add theirs and end with the inherited call.
    virtual bool GetInterface(const TGUID& iid, void** obj);
    template <class I, class Self>
    static bool Offer(Self* self, const TGUID& iid, void** obj) {
        return OfferInterface<I>(self, iid, obj);
    }
    TListener* Listener() const { return listener_.get(); }
};

// A new object of the object's class (its virtual constructor, no owner) assigned from it; the
// caller owns it. Ghosts, undo entries, drag copies and the clipboard all copy objects this way.
std::unique_ptr<TDrawObject> CloneDrawObject(const TDrawObject* object);
