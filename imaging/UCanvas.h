#pragma once
// Small tools every renderer uses around a canvas: a memory canvas that stands for another
// device, the device queries (printer or not, pixels per inch), scoped savers that put a
// canvas's tools, saved state or clip region back when their last reference goes, and a snapshot
// of a canvas's coordinate mapping.

#include "core/UInterfaces.h"
#include "platform/Bitmap.h"
#include "platform/Canvas.h"

#include <QImage>
#include <memory>

// A canvas drawing into a selected bitmap while standing for another device (the reference
// canvas; none = the screen): it answers that device's resolution and kind, so what is drawn
// into the bitmap is laid out as it would be on the device.
class TMemoryCanvas : public TCanvas {
public:
    TMemoryCanvas();
    ~TMemoryCanvas() override;

    // The device this canvas stands for; null is the screen.
    TCanvas* GetReferenceDC() const { return reference_; }
    // A different reference ends the current drawing first.
    void SetReferenceDC(TCanvas* reference);
    // 0 = ask the reference device.
    int PixelsPerInchField() const { return pixelsPerInch_; }
    void SetPixelsPerInchField(int value) { pixelsPerInch_ = value; }

    // Draws into `bitmap` (not owned; 24- or 32-bit) from now on; null deselects.
    void SelectBitmap(TBitmap* bitmap);
    void DeselectBitmap() { SelectBitmap(nullptr); }
    bool BitmapSelected() const { return bitmap_ != nullptr; }
    TBitmap* SelectedBitmap() const { return bitmap_; }

    int PixelsPerInch() const override;
    bool IsPrinter() const override;
    TSize DeviceSize() const override;
    QImage* TargetImage() override;

protected:
    // The bitmap to select when drawing starts without one; none by default.
    virtual TBitmap* CreateBitmap() { return nullptr; }
    QPaintDevice* AcquireDevice() override;
    void ReleaseDevice() override;
    void ValidateDevice() override;

private:
    TCanvas* reference_ = nullptr;
    int pixelsPerInch_ = 0;
    TBitmap* bitmap_ = nullptr;
    QImage image_;
    const void* memory_ = nullptr;
};

// The device a canvas draws for: a memory canvas's reference (null = screen), else the canvas.
TCanvas* GetCanvasReferenceDC(TCanvas& canvas);
// Pixels per inch that text and mapping should use on the canvas.
int GetCanvasPixelsPerInch(TCanvas& canvas);
bool IsPrinterCanvas(TCanvas& canvas);
// Copies copy mode, font, pen and brush.
void CopyCanvasTools(TCanvas& dest, const TCanvas& source);

// Saves font resolution, tools and copy mode (and with saveDC the canvas's mapping, clip and
// attributes); releasing the saver puts them back.
void SaveCanvasState(TCanvas& canvas, bool saveDC, TIntf<IUnknownEx>& saver);
// Saves the clip region; releasing the saver selects it back (no region when there was none).
void SaveClipRegion(TCanvas& canvas, TIntf<IUnknownEx>& saver);

// A canvas's coordinate mapping, captured and applied again.
struct TCoordMap {
    int MapMode = MM_TEXT;
    TSize WindowExt{1, 1};
    TSize ViewportExt{1, 1};
    TPoint WindowOrg;
    TPoint ViewportOrg;

    void Capture(const TCanvas& canvas);
    // MM_TEXT with both origins at (0, 0).
    static void ResetMapping(TCanvas& canvas);
    void SetOrigins(int windowX, int windowY, int viewportX, int viewportY);
    // Sets mode and extents, and folds the window origin into the viewport origin, so the
    // canvas ends with window origin (0, 0).
    void Apply(TCanvas& canvas) const;
};

// Holds bitmap canvases' drawing state against the framework's idle clean-up. Our canvases keep
// their state themselves and never lose it, so a guard has nothing to switch off; it exists so
// that callers keep the shape they were written in.
void ProtectBitmapCanvas(TIntf<IUnknownEx>& guard);
