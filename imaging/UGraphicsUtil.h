#pragma once
// Drawing pictures of any registered format into bitmaps and onto canvases: the reduced JPEG
// decoding scale for a display size, drawing with both canvases locked (so that the UI thread and
// the thumbnail loader can share bitmaps), thumbnails as bitmaps and as JPEGs, and off-screen
// bitmaps that stand for a rectangle of a canvas in its own coordinates. Free functions, no state
// (but for the printer renderer below, which the printing code installs).

#include "imaging/UJPEGImage.h"
#include "platform/Bitmap.h"
#include "platform/Color.h"
#include "platform/Palette.h"
#include "platform/Rect.h"

#include <functional>
#include <memory>

class TCanvas;
class TGraphic;
class TPicture;

// The scale for showing a picture of pictureWidth x pictureHeight in a width x height box: one
// eighth when its longer side is above 8 times the longer side of the fitted size, one quarter
// above 4 times, one half above 2 times, else full size.
TJPEGScale JPEGScaleForSize(int pictureWidth, int pictureHeight, int width, int height);
// A JPEG graphic gets that scale and best quality with smoothing (the fast variant: best speed,
// no smoothing); any other graphic is left alone.
void SetJPEGScaleForSize(TGraphic* graphic, int width, int height);
void SetJPEGFastScaleForSize(TGraphic* graphic, int width, int height);

// Lock or unlock the canvas of a bitmap or of a JPEG's decoded bitmap (decoding it); other
// graphics have nothing to lock.
void LockGraphicCanvas(TGraphic* graphic);
void UnlockGraphicCanvas(TGraphic* graphic);
// Lock the canvas, then the graphic's canvas; draw; unlock in reverse order, also on exceptions.
void StretchDrawLocked(TCanvas& canvas, const TRect& rect, TGraphic* graphic);
void DrawGraphicLocked(TCanvas& canvas, int x, int y, TGraphic* graphic);

// Renders the picture into dest at dest's size: bitmaps are box-shrunk, other graphics stretched.
// transparentColor clNone: none; -1 turns the picture's transparency off; another colour makes the
// picture transparent with it, its transparent pixels showing backColor.
void DrawPictureThumbnail(TPicture* picture, TBitmap* dest, TColor transparentColor, bool useJPEGScale,
                          TColor backColor);
// The same thumbnail at width x height, compressed into jpeg.
void MakeJPEGThumbnail(TPicture* picture, TJPEGGraphic* jpeg, int width, int height, TColor transparentColor,
                       TColor backColor, bool useJPEGScale);

// Draws, into bitmap, what lies on a printer page beneath area (logical units of canvas; the
// bitmap's canvas already maps them). Printers cannot be read back, so a printing code that wants
// area bitmaps with their contents installs one; without it they start white, like paper.
using TCanvasAreaRenderer = std::function<void(TCanvas& canvas, TBitmap& bitmap, const TRect& area)>;
void SetCanvasAreaRenderer(TCanvasAreaRenderer renderer);

// A new bitmap for the part of rect (logical) inside the canvas's clip box enlarged by margin, in
// the given pixel format (with a copy of palette when one is given), whose canvas draws in the same
// logical coordinates as canvas. copyContents starts it with the pixels beneath. Empty (0 x 0) when
// nothing of rect can be seen.
std::unique_ptr<TBitmap> CreateCanvasAreaBitmap(TCanvas& canvas, const TRect& rect, TPixelFormat format,
                                                const TPaletteRef& palette, bool copyContents, int margin);
