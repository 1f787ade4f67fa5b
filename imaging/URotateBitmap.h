#pragma once
// Turning pictures by any angle: the source bitmap is mapped as a texture onto the quadrilateral
// that the turned rectangle covers. A convex-polygon scan converter walks the quadrilateral
// scanline by scanline and every destination pixel takes the nearest source pixel.

#include "imaging/PixelKernel.h"
#include "platform/Color.h"
#include "platform/Rect.h"

#include <cstdint>
#include <vector>

class TBitmap;
class TSafetyBitmap;

// A vertex of the scan converter: screen position and the source position it maps to.
struct TScanVertex {
    long double X = 0, Y = 0, U = 0, V = 0;
};

// One scanline's run: pixels X0..X1 (inclusive) of row Y take the source pixel at (U, V) in 16.16,
// stepping by (DU, DV) a pixel. U at X0 is already held inside the source's columns.
struct TScanSpan {
    int Y = 0, X0 = 0, X1 = 0;
    int64_t U = 0, V = 0, DU = 0, DV = 0;
};

// Scan converts a convex polygon (vertices in order; fewer than 3 draw nothing) into the window
// of rows and columns 0..width-1, 0..height-1. sourceWidth bounds the starting U of each span.
std::vector<TScanSpan> ScanConvexPolygon(const std::vector<TScanVertex>& vertices, int width, int height,
                                         int sourceWidth);

// Copies the spans' pixels; every fetch is held inside the source. Views of equal bytes a pixel.
void MapSpans(const TPixelView& dest, const TPixelView& source, const std::vector<TScanSpan>& spans);
namespace Reference {
void MapSpans(const TPixelView& dest, const TPixelView& source, const std::vector<TScanSpan>& spans);
}

// Maps sourceRect's corners (left, top), (right, top), (right, bottom), (left, bottom) onto
// p[0..3]. dest becomes the bounding box of the points (returned in bounds) in source's pixel
// format and palette, filled with backColor, the quadrilateral mapped into it. Nothing happens
// for a source that is not 8, 24 or 32 bits a pixel. A source side above 32767 pixels (beyond the
// 16.16 positions) raises EInvalidGraphic, and so does a bounding box beyond a bitmap's size.
void MapBitmapToQuad(TBitmap* dest, TRect& bounds, const TPoint (&p)[4], TBitmap* source,
                     const TRect& sourceRect, TColor backColor);

// Source scaled to size and turned by angle degrees (clockwise on the page, y downward) about its
// top-left corner; dest becomes the turned rectangle's bounding box over backColor.
void RotateBitmap(TBitmap* source, TBitmap* dest, int angle, TColor backColor, const TPoint& size);

// RotateBitmap onto white; a transparent source has its mask (made 24-bit) turned the same way
// onto white, so that dest, made transparent with the turned mask, stays transparent outside the
// turned rectangle.
void RotateSafetyBitmap(TSafetyBitmap* source, TSafetyBitmap* dest, int angle, const TPoint& size);

// A point turned about centre by angle degrees, rounded half away from zero, as the page
// objects' rotator does.
TPoint RotatePoint(const TPoint& p, const TPoint& centre, int angle);
