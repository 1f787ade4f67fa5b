#pragma once
// Routines that work on lists of draw objects through their interfaces: keeping objects on the
// page, rescaling them with the page, sizing and placing new objects, rendering objects into a
// bitmap or a thumbnail, and the pen set-up for pixel hit tests. All in logical units.

#include "platform/Rect.h"

#include <QRegion>

class TBitmap;
class TCanvas;
class TDOList;
class TOwnedDOList;
class TDrawObject;
class TDrawSite;
class TGraphic;

// What the page renderers here need of a face of a paper (the paper code provides faces).
class TFaceGeometry {
public:
    virtual ~TFaceGeometry() = default;
    // The face rectangle grown by its margin, in logical units.
    virtual TRect GetOuterRect() const = 0;
    // The face's shape over the outer rect moved by offset, with the centre hole cut out when
    // withHole, as a region in device pixels of canvas under its current mapping.
    virtual QRegion CreateRegion(TCanvas& canvas, bool withHole, const TPoint& offset) const = 0;
};

// The offset that brings the centre of r at least 10 units inside limit.
TPoint GetKeepInsideOffset(const TRect& r, const TRect& limit);
// Moves each object (through IDOEncloseBounds) so that its centre lies at least 10 units inside
// r; the object itself may still overhang.
void KeepObjectsInRect(const TDOList& list, const TRect& r);
// Maps each object's bounds from one page rect onto another (position and size).
void RescaleObjects(const TDOList& list, const TRect& oldRect, const TRect& newRect);
// A picture's pixels taken at 180 per inch, in tenths of a millimetre, at least 30 each way.
TSize GetDefaultGraphicSize(const TGraphic& graphic);
// Sizes a new object to fit the page (keeping proportions where the object asks for that) and
// centres it in the visible part of the site, stepped down and right past objects already there.
void FitNewObject(TDrawObject* object, TDrawSite* site);
void ReverseList(TDOList& list);
// Renders the objects over a face into bitmap (24 bits, the face's outer size at scale) and
// fills what lies outside the face's shape with the bitmap canvas's brush. The temporary site that
// renders the objects takes them over and frees them: hand over clones.
void DrawObjectsToBitmap(const TFaceGeometry& face, TOwnedDOList list, TBitmap& bitmap, int scale);
// The objects over a face as a thumbnail within maxWidth x maxHeight: rendered at 100 percent,
// or with quality (not -1) at that oversampling of the final size, then resampled (cubic).
void MakeObjectsThumbnail(const TFaceGeometry& face, TOwnedDOList list, TBitmap& dest, int maxWidth,
                          int maxHeight, int quality);
// On a site the larger of width and two device pixels in logical units; off a site width.
int GetMinLineWidth(TDrawObject* object, int width);
// Makes bitmap 1 x 1 pixel with its window origin at p and a black inside-frame pen of
// lineWidth plus one device pixel: a shape drawn on it covers the pixel exactly when it passes
// within the pen's reach of p.
void PrepareHitTestCanvas(TDrawObject* object, TBitmap& bitmap, const TPoint& p, int lineWidth);
