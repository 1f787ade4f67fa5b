#pragma once
// The vocabulary of a paper's printable areas (faces): their shapes, the centre hole of disc
// labels, and TFaceInfo, one face flattened out of a paper, which draws its outline and gives
// the region it covers. Lengths are tenths of a millimetre. Regions exclude their right and
// bottom edges, so faces that only touch do not overlap.

#include "pageobjects/engine/UDOUtils.h"
#include "platform/Component.h"
#include "platform/Rect.h"

#include <QRegion>
#include <QString>
#include <cstdint>
#include <vector>

class TCanvas;

// Ordinals are stored in component streams: the order is fixed.
enum TFaceShape : int { fsRect, fsDoughnut, fsEllipse, fsRoundRect, fsRectCD, fsBarrelCD };
constexpr int kFaceShapeCount = 6;
// A set of TFaceShape: bit n stands for ordinal n.
using TFaceShapes = uint32_t;
constexpr TFaceShapes FaceShapeBit(TFaceShape shape) {
    return TFaceShapes(1) << int(shape);
}

enum TCenterShape : int { csEllipse, csBarrel };
constexpr int kCenterShapeCount = 2;

// Identifiers of the enumerations as the streams name them.
const QStringList& FaceShapeIdents();
const QStringList& CenterShapeIdents();

// Hole sides and corner size of a face nobody has set.
constexpr int kDefaultCutCenterSize = 410;
constexpr int kDefaultRoundSize = 100;

// The closed outline of the barrel in r: the part of r inside the circle about r's centre whose
// diameter is r's longer side. Two opposite sides stay straight, the other two are arcs through
// the middles of their sides, flattened into points. Empty for a rect without area.
std::vector<TPoint> GetBarrelPoints(const TRect& r);

class TFaceInfo : public TPersistent, public TFaceGeometry {
    QUORLANE_CLASS(TFaceInfo, TPersistent)

public:
    TFaceInfo() = default;
    // A face is plain data: copies take every field.
    TFaceInfo(const TFaceInfo& other) : TPersistent(), TFaceGeometry() { Assign(&other); }
    TFaceInfo& operator=(const TFaceInfo& other) {
        Assign(&other);
        return *this;
    }

    TRect Rect;
    int CutCenterWidth = kDefaultCutCenterSize;
    int CutCenterHeight = kDefaultCutCenterSize;
    TFaceShape FaceShape = fsRect;
    QString FacePurpose;
    // Bleed: how far printing reaches beyond the cut line (and into the hole).
    int FaceMargin = 0;
    TCenterShape CenterShape = csEllipse;
    // Width and height of the corner ellipse of round-cornered shapes.
    int RoundSize = kDefaultRoundSize;

    void Assign(const TPersistent* source) override;

    bool HasCenterHole() const;
    bool HasRoundCorner() const;

    // Rect grown by FaceMargin.
    TRect GetOuterRect() const override;
    // The hole centred in Rect.
    TRect GetHoleRect() const;
    // The hole shrunk by FaceMargin: what is printed of the hole.
    TRect GetPrintHoleRect() const;
    // Sets Rect so that the outer rect becomes r.
    void SetOuterRect(const TRect& r);
    void SetCutCenterSize(int size);

    // The face shape on the outer rect and the hole shape on the printed hole, with the
    // canvas's pen and brush. relative: moved so the outer rect starts at (0, 0). withCross: a
    // cross of 100 units at the centre of the last shape drawn.
    void DrawOutline(TCanvas& canvas, bool relative, bool withCross) const;
    // The cut line inside the bleed (and the unshrunk hole); nothing without a margin.
    void DrawInnerOutline(TCanvas& canvas, bool relative) const;
    // The printed hole alone; relative puts its own top-left at (0, 0).
    void DrawCenterHole(TCanvas& canvas, bool relative) const;
    void DrawFaceShape(TCanvas& canvas, const TRect& r) const;
    void DrawHoleShape(TCanvas& canvas, const TRect& r) const;

    // The face shape over the outer rect minus (withHole) the hole shape over the printed hole.
    // With a canvas the rects are mapped to its device pixels first, else the region is in
    // logical units.
    QRegion CreateRegion(TCanvas* canvas, bool withHole) const;
    // The same over the outer rect moved by offset, in the canvas's device pixels.
    QRegion CreateRegion(TCanvas& canvas, bool withHole, const TPoint& offset) const override;

    // The shapes' display names, comma-separated, in ordinal order.
    static QString GetShapeNames();
    // Shape and purpose from the face type of older paper streams; other values change nothing.
    void SetLegacyFaceType(int faceType);
};
