#include "imaging/UCanvas.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace {

int ScreenPixelsPerInch() {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const int dpi = int(std::lround(screen->logicalDotsPerInchY()));
        if (dpi > 0)
            return dpi;
    }
    return 96;
}

// Puts a canvas's tools (and its saved state) back when the last reference goes.
class TCanvasSaver : public TAutoFreeInterface {
public:
    TCanvasSaver(TCanvas& canvas, bool saveDC)
        : canvas_(canvas), fontPixelsPerInch_(canvas.Font().PixelsPerInch) {
        tools_.CopyTools(canvas);
        if (saveDC)
            savedLevel_ = canvas.SaveDC();
    }
    ~TCanvasSaver() override {
        canvas_.Font().PixelsPerInch = fontPixelsPerInch_;
        canvas_.CopyTools(tools_);
        if (savedLevel_ != 0)
            canvas_.RestoreDC(savedLevel_);
    }

private:
    TCanvas& canvas_;
    TCanvas tools_;
    int fontPixelsPerInch_;
    int savedLevel_ = 0;
};

class TClipSaver : public TAutoFreeInterface {
public:
    explicit TClipSaver(TCanvas& canvas) : canvas_(canvas) {
        noClipRegion_ = canvas.GetClipRgn(region_) == 0;
    }
    ~TClipSaver() override { canvas_.SelectClipRgn(noClipRegion_ ? nullptr : &region_); }

private:
    TCanvas& canvas_;
    QRegion region_;
    bool noClipRegion_ = false;
};

class TBitmapCanvasProtector : public TAutoFreeInterface {};

} // namespace

// --- memory canvas ---

TMemoryCanvas::TMemoryCanvas() : TCanvas(static_cast<QPaintDevice*>(nullptr), dkImage) {
    OnChange = [this](TObject*) {
        if (bitmap_)
            bitmap_->Changed();
    };
}

TMemoryCanvas::~TMemoryCanvas() {
    FreeHandle();
}

void TMemoryCanvas::SetReferenceDC(TCanvas* reference) {
    if (reference == reference_)
        return;
    FreeHandle();
    reference_ = reference;
}

void TMemoryCanvas::SelectBitmap(TBitmap* bitmap) {
    if (bitmap == bitmap_)
        return;
    FreeHandle();
    ReleaseDevice();
    bitmap_ = bitmap;
}

int TMemoryCanvas::PixelsPerInch() const {
    if (pixelsPerInch_ > 0)
        return pixelsPerInch_;
    return reference_ ? reference_->PixelsPerInch() : ScreenPixelsPerInch();
}

bool TMemoryCanvas::IsPrinter() const {
    return reference_ && reference_->IsPrinter();
}

TSize TMemoryCanvas::DeviceSize() const {
    return bitmap_ ? TSize(bitmap_->Width(), bitmap_->Height()) : TSize();
}

QImage* TMemoryCanvas::TargetImage() {
    ValidateDevice();
    if (image_.isNull())
        AcquireDevice();
    return image_.isNull() ? nullptr : &image_;
}

QPaintDevice* TMemoryCanvas::AcquireDevice() {
    // Text is laid out for the device stood for: its resolution, the same point size.
    const int dpi = reference_ ? reference_->PixelsPerInch() : ScreenPixelsPerInch();
    if (Font().PixelsPerInch != dpi) {
        const int size = Font().Size();
        Font().PixelsPerInch = dpi;
        Font().SetSize(size);
    }
    if (!bitmap_)
        bitmap_ = CreateBitmap();
    if (!bitmap_)
        return nullptr;
    if (image_.isNull()) {
        image_ = bitmap_->ImageForPainting();
        memory_ = bitmap_->Pixels().MemoryId();
    }
    return image_.isNull() ? nullptr : &image_;
}

void TMemoryCanvas::ReleaseDevice() {
    image_ = QImage();
    memory_ = nullptr;
}

void TMemoryCanvas::ValidateDevice() {
    if (image_.isNull() || !bitmap_)
        return;
    if (bitmap_->Pixels().MemoryId() != memory_ || bitmap_->Pixels().IsShared()) {
        if (HandleAllocated())
            FreeHandle();
        ReleaseDevice();
    }
}

// --- device queries ---

TCanvas* GetCanvasReferenceDC(TCanvas& canvas) {
    if (auto* memory = dynamic_cast<TMemoryCanvas*>(&canvas))
        return memory->GetReferenceDC();
    return &canvas;
}

int GetCanvasPixelsPerInch(TCanvas& canvas) {
    return canvas.PixelsPerInch();
}

bool IsPrinterCanvas(TCanvas& canvas) {
    return canvas.IsPrinter();
}

void CopyCanvasTools(TCanvas& dest, const TCanvas& source) {
    dest.CopyTools(source);
}

// --- scoped savers ---

void SaveCanvasState(TCanvas& canvas, bool saveDC, TIntf<IUnknownEx>& saver) {
    saver = TIntf<IUnknownEx>(new TCanvasSaver(canvas, saveDC));
}

void SaveClipRegion(TCanvas& canvas, TIntf<IUnknownEx>& saver) {
    saver = TIntf<IUnknownEx>(new TClipSaver(canvas));
}

void ProtectBitmapCanvas(TIntf<IUnknownEx>& guard) {
    guard = TIntf<IUnknownEx>(new TBitmapCanvasProtector);
}

// --- coordinate maps ---

void TCoordMap::Capture(const TCanvas& canvas) {
    MapMode = canvas.MapMode();
    WindowExt = canvas.WindowExt();
    ViewportExt = canvas.ViewportExt();
    WindowOrg = canvas.WindowOrg();
    ViewportOrg = canvas.ViewportOrg();
}

void TCoordMap::ResetMapping(TCanvas& canvas) {
    canvas.SetMapMode(MM_TEXT);
    canvas.SetWindowOrg(0, 0);
    canvas.SetViewportOrg(0, 0);
}

void TCoordMap::SetOrigins(int windowX, int windowY, int viewportX, int viewportY) {
    WindowOrg = TPoint(windowX, windowY);
    ViewportOrg = TPoint(viewportX, viewportY);
}

void TCoordMap::Apply(TCanvas& canvas) const {
    canvas.SetMapMode(MapMode);
    canvas.SetWindowExt(WindowExt.cx, WindowExt.cy);
    canvas.SetViewportExt(ViewportExt.cx, ViewportExt.cy);
    canvas.SetWindowOrg(0, 0);
    TPoint p = WindowOrg;
    if (p != TPoint(0, 0)) {
        canvas.SetViewportOrg(0, 0);
        p = canvas.LPtoDP(p);
    }
    canvas.SetViewportOrg(ViewportOrg.X - p.X, ViewportOrg.Y - p.Y);
}
