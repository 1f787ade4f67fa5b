#include "imaging/UGraphicsUtil.h"

#include "core/UGeometryUtil.h"
#include "core/USupportUtil.h"
#include "imaging/UCanvas.h"
#include "platform/Canvas.h"
#include "platform/Picture.h"

#include <algorithm>
#include <mutex>

namespace {

TJPEGGraphic* AsJPEG(TGraphic* graphic) {
    return dynamic_cast<TJPEGGraphic*>(graphic);
}

void SetScale(TGraphic* graphic, int width, int height, bool fast) {
    TJPEGGraphic* jpeg = AsJPEG(graphic);
    if (!jpeg)
        return;
    jpeg->SetScale(JPEGScaleForSize(jpeg->ImageWidth(), jpeg->ImageHeight(), width, height));
    jpeg->SetPerformance(fast ? jpBestSpeed : jpBestQuality);
    jpeg->SetSmoothing(!fast);
}

TCanvas* GraphicCanvas(TGraphic* graphic) {
    if (auto* bitmap = dynamic_cast<TBitmap*>(graphic))
        return &bitmap->Canvas();
    if (TJPEGGraphic* jpeg = AsJPEG(graphic))
        return &jpeg->Bitmap().Canvas();
    return nullptr;
}

// Holds both locks for one draw; the target canvas is locked first and released last.
class DrawLocks {
public:
    DrawLocks(TCanvas& canvas, TGraphic* graphic) : canvas_(canvas) {
        canvas_.Lock();
        try {
            source_ = GraphicCanvas(graphic);
            if (source_)
                source_->Lock();
        } catch (...) {
            canvas_.Unlock();
            throw;
        }
    }
    ~DrawLocks() {
        if (source_)
            source_->Unlock();
        canvas_.Unlock();
    }
    DrawLocks(const DrawLocks&) = delete;
    DrawLocks& operator=(const DrawLocks&) = delete;

private:
    TCanvas& canvas_;
    TCanvas* source_ = nullptr;
};

std::mutex rendererLock;
TCanvasAreaRenderer areaRenderer;

void FillBitmap(TBitmap& bitmap, TColor color) {
    TCanvas& canvas = bitmap.Canvas();
    canvas.Brush().Color = color;
    canvas.Brush().Style = bsSolid;
    canvas.FillRect(TRect(0, 0, bitmap.Width(), bitmap.Height()));
}

} // namespace

TJPEGScale JPEGScaleForSize(int pictureWidth, int pictureHeight, int width, int height) {
    const TRect fitted = FitSizeInner(TRect(0, 0, pictureWidth, pictureHeight), width, height);
    const int64_t fittedLong = std::max(fitted.Width(), fitted.Height());
    const int64_t pictureLong = std::max(pictureWidth, pictureHeight);
    if (pictureLong > 8 * fittedLong)
        return jsEighth;
    if (pictureLong > 4 * fittedLong)
        return jsQuarter;
    if (pictureLong > 2 * fittedLong)
        return jsHalf;
    return jsFullSize;
}

void SetJPEGScaleForSize(TGraphic* graphic, int width, int height) {
    SetScale(graphic, width, height, false);
}

void SetJPEGFastScaleForSize(TGraphic* graphic, int width, int height) {
    SetScale(graphic, width, height, true);
}

void LockGraphicCanvas(TGraphic* graphic) {
    if (TCanvas* canvas = GraphicCanvas(graphic))
        canvas->Lock();
}

void UnlockGraphicCanvas(TGraphic* graphic) {
    if (TCanvas* canvas = GraphicCanvas(graphic))
        canvas->Unlock();
}

void StretchDrawLocked(TCanvas& canvas, const TRect& rect, TGraphic* graphic) {
    if (!graphic)
        return;
    DrawLocks locks(canvas, graphic);
    canvas.StretchDraw(rect, *graphic);
}

void DrawGraphicLocked(TCanvas& canvas, int x, int y, TGraphic* graphic) {
    if (!graphic)
        return;
    DrawLocks locks(canvas, graphic);
    canvas.Draw(x, y, *graphic);
}

void DrawPictureThumbnail(TPicture* picture, TBitmap* dest, TColor transparentColor, bool useJPEGScale,
                          TColor backColor) {
    if (!picture || !dest || !picture->Graphic() || picture->Graphic()->Empty() || dest->Width() < 1 ||
        dest->Height() < 1)
        return;
    TGraphic* graphic = picture->Graphic();
    if (useJPEGScale)
        SetJPEGFastScaleForSize(graphic, dest->Width(), dest->Height());
    auto* bitmap = dynamic_cast<TBitmap*>(graphic);
    if (!bitmap) {
        StretchDrawLocked(dest->Canvas(), TRect(0, 0, dest->Width(), dest->Height()), graphic);
        return;
    }
    if (transparentColor == clNone) {
        ShrinkGraphicTo(*bitmap, *dest);
        return;
    }
    SetPictureTransparent(picture, transparentColor, transparentColor != -1);
    TBitmap backed(bitmap->Width(), bitmap->Height(), pf24bit);
    FillBitmap(backed, backColor);
    DrawGraphicLocked(backed.Canvas(), 0, 0, bitmap);
    ShrinkGraphicTo(backed, *dest);
}

void MakeJPEGThumbnail(TPicture* picture, TJPEGGraphic* jpeg, int width, int height, TColor transparentColor,
                       TColor backColor, bool useJPEGScale) {
    if (!jpeg || width < 1 || height < 1)
        return;
    TBitmap thumbnail(width, height, pf24bit);
    DrawPictureThumbnail(picture, &thumbnail, transparentColor, useJPEGScale, backColor);
    jpeg->Assign(thumbnail);
    jpeg->Compress();
}

void SetCanvasAreaRenderer(TCanvasAreaRenderer renderer) {
    std::lock_guard<std::mutex> guard(rendererLock);
    areaRenderer = std::move(renderer);
}

std::unique_ptr<TBitmap> CreateCanvasAreaBitmap(TCanvas& canvas, const TRect& rect, TPixelFormat format,
                                                const TPaletteRef& palette, bool copyContents, int margin) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(format);
    TRect clip;
    canvas.GetClipBox(clip);
    InflateRect(clip, margin, margin);
    TRect area;
    if (!IntersectRect(area, rect, clip)) {
        bitmap->SetSize(0, 0);
        return bitmap;
    }
    const TRect device = NormalizeRect(canvas.LPtoDP(area));
    if (palette && format == pf8bit) {
        std::vector<TRGBQuad> table;
        for (const TPaletteEntry& e : palette->Entries)
            table.push_back((TRGBQuad(e.peRed) << 16) | (TRGBQuad(e.peGreen) << 8) | e.peBlue);
        if (table.size() > 256)
            table.resize(256);
        bitmap->SetColorTable(table);
    }
    bitmap->SetSize(device.Width(), device.Height());
    if (bitmap->Width() < 1 || bitmap->Height() < 1)
        return bitmap;

    TCoordMap map;
    map.Capture(canvas);
    map.SetOrigins(area.Left, area.Top, 0, 0);
    if (copyContents && !IsPrinterCanvas(canvas) && canvas.TargetImage()) {
        const int level = canvas.SaveDC();
        TCoordMap::ResetMapping(canvas);
        TCanvas& target = bitmap->Canvas();
        const TCopyMode mode = target.CopyMode();
        target.SetCopyMode(cmSrcCopy);
        target.CopyRect(TRect(0, 0, device.Width(), device.Height()), canvas, device);
        target.SetCopyMode(mode);
        canvas.RestoreDC(level);
    } else if (copyContents) {
        // No pixels to read back (printers, recorded pictures): paper white, or whatever the
        // printing code renders beneath.
        FillBitmap(*bitmap, clWhite);
        TCanvasAreaRenderer renderer;
        {
            std::lock_guard<std::mutex> guard(rendererLock);
            renderer = areaRenderer;
        }
        if (renderer) {
            map.Apply(bitmap->Canvas());
            renderer(canvas, *bitmap, area);
        }
    }
    map.Apply(bitmap->Canvas());
    bitmap->Canvas().Font().PixelsPerInch = canvas.Font().PixelsPerInch;
    return bitmap;
}
