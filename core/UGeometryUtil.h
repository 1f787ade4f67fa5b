#pragma once
// Fitting, covering, centring and clamping of integer rectangles and points. Image placement
// everywhere (photos in frames, thumbnails in cells, previews in boxes) goes through these.
// Rectangles have exclusive right and bottom edges; NormalizeRect is platform/Rect.h's, MulDiv and
// the clamps into the int range are platform/IntMath.h's.

#include "platform/IntMath.h"
#include "platform/Rect.h"

#include <cstdint>

int RectWidth(const TRect& r);
int RectHeight(const TRect& r);
// ((Left + Right) div 2, (Top + Bottom) div 2), each half truncated toward zero.
TPoint RectCenter(const TRect& r);
// r moved so that its RectCenter is p.
TRect CenterRectAt(const TRect& r, const TPoint& p);

// The largest size with src's proportions within maxWidth x maxHeight, at src's top-left corner.
// A source or bound without area gives an empty rectangle at src's top-left.
TRect FitSizeInner(const TRect& src, int maxWidth, int maxHeight);
// The smallest size with src's proportions that covers minWidth x minHeight, at src's top-left.
// A source or bound without area gives an empty rectangle at src's top-left.
TRect FitSizeOuter(const TRect& src, int minWidth, int minHeight);
// The largest rectangle of src's proportions inside target, centred on target's centre; empty (at
// that centre) when src or target has no area.
TRect FitRectInner(const TRect& src, const TRect& target);
// The smallest rectangle of src's proportions that covers target, centred on target's centre; empty
// (at that centre) when src or target has no area.
TRect FitRectOuter(const TRect& src, const TRect& target);

// r, given on an area of size from, on the same area at size to (a picture and a reduced copy of it):
// each axis scaled apart, rounded to the nearest. An area without width or height gives an empty
// rectangle at the origin.
TRect ScaleRect(const TRect& r, const TSize& from, const TSize& to);

// True when the intersection of a and b equals a.
bool IsRectInside(const TRect& a, const TRect& b);
// True when Right = Left or Bottom = Top.
bool IsRectDegenerate(const TRect& r);
TPoint AddPoint(const TPoint& p, const TPoint& q);
// Each coordinate replaced by the rectangle's edge it lies beyond (Right and Bottom included).
TPoint ClampPointToRect(const TPoint& p, const TRect& r);
