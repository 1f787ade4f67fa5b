#pragma once
// Display copies of pictures: a page object paints a large picture into a small device area
// many times, so it keeps the picture resampled to the device pixels its rectangle covers and
// paints that instead. Copies are box means (never enlarged), 32-bit with an alpha byte, so a
// transparent colour becomes real transparency instead of being averaged into its neighbours.

#include "platform/Color.h"
#include "platform/Rect.h"

#include <QImage>
#include <cstdint>
#include <memory>
#include <vector>

class TBitmap;
class TCanvas;
class TGraphic;

// The graphic box-shrunk to w x h pixels (each side held to the graphic's own, at least 1) as a
// 32-bit bitmap of B, G, R, A bytes. With keyColor (not clNone) pixels of that colour stay out of
// every mean, and a pixel whose block is key for half or more is transparent (white, alpha 0);
// every other pixel is opaque. Other graphics than bitmaps are first drawn on white at their own
// size. Null for an empty graphic. Rows are made on every kernel thread.
std::unique_ptr<TBitmap> MakeDisplayCopy(TGraphic& graphic, int w, int h, TColor keyColor);
// The size of a logical rectangle in device pixels of the canvas (each side at least 1).
TSize DeviceSizeOf(TCanvas& canvas, const TRect& r);
// A 32-bit bitmap of MakeDisplayCopy's form as an image with alpha (shares nothing).
QImage AlphaImage(const TBitmap& bitmap);
// The colour table of 8-bit grey bitmaps (index i is grey level i).
std::vector<uint32_t> GreyColorTable();
// The alpha bytes of such a bitmap as an 8-bit grey image (255 opaque).
QImage AlphaMapImage(const TBitmap& bitmap);
