#pragma once
// The base of page objects that occupy a stored logical rectangle (text, pictures, album
// photos, rectangles, masks, backgrounds, embedded objects): the rectangle, always normalized,
// published as Left, Top, Width and Height in logical units, and the rectangle interfaces.

#include "pageobjects/engine/ULabelObject.h"

class TLORectBase : public TLabelObject,
                    public virtual IDOEncloseBounds,
                    public virtual IDORectProps,
                    public virtual IDOGhostPaint {
    QUORLANE_CLASS(TLORectBase, TLabelObject)

public:
    explicit TLORectBase(TComponent* owner);

    static void DeclareProperties(TPropertyBuilder<TLORectBase>& p);

    // Logical geometry (the control's pixel bounds follow it on a site).
    int LogLeft() const { return rect_.Left; }
    int LogTop() const { return rect_.Top; }
    int LogWidth() const { return rect_.Width(); }
    int LogHeight() const { return rect_.Height(); }
    // The stored rectangle itself (GetLogRect may answer a turned object's bounds instead).
    const TRect& LogBounds() const { return rect_; }
    // Move keeping the size; nothing when unchanged.
    void SetLogLeft(int x);
    void SetLogTop(int y);
    // Keep Left/Top, set the far edge, normalize (a negative size moves the near edge).
    void SetLogWidth(int w);
    void SetLogHeight(int h);
    // Normalizes r; when it differs from the stored rect, stores it, updates the pixel bounds
    // and signals Changed.
    virtual void SetLogRect(const TRect& r);

    // The size of the bounding rect; each concrete object decides how (rotated objects scale).
    void SetEnclosingSize(int w, int h) override = 0;
    // The object's outline path, for ghosts.
    void DrawOutline(TCanvas& canvas) override = 0;
    // Whether resizing keeps the proportions (pictures, photos and embedded objects do).
    bool KeepAspectRatio() override { return false; }

    void GetLogRect(TRect& r) override { r = rect_; }
    // P inside the rect (right and bottom edges excluded).
    bool HitTest(const TPoint& p) override { return rect_.Contains(p); }
    void MoveBy(int dx, int dy) override;
    void PaintTo(TCanvas& canvas) override { TLabelObject::PaintTo(canvas); }

    // IDORectProps
    int GetLeft() override { return LogLeft(); }
    void SetLeft(int value) override { SetLogLeft(value); }
    int GetTop() override { return LogTop(); }
    void SetTop(int value) override { SetLogTop(value); }
    int GetWidth() override { return LogWidth(); }
    void SetWidth(int value) override { SetLogWidth(value); }
    int GetHeight() override { return LogHeight(); }
    void SetHeight(int value) override { SetLogHeight(value); }

protected:
    void AssignTo(TPersistent* dest) const override;
    bool GetInterface(const TGUID& iid, void** obj) override;

private:
    TRect rect_;
};
