#pragma once
// The vector path of page objects: points with a type byte each, in the form of the graphics
// layer's paths (move-to, line-to, Bezier-to, close flag). Shapes build their outline as a
// stroke, transformers turn and bend it point by point, and it is replayed onto a canvas to
// draw, fill, clip or hit-test. Logical units of the page.

#include "platform/Component.h"
#include "platform/Rect.h"

#include <cstdint>
#include <vector>

class TCanvas;

// Point types. Bezier-to points come in triples (two control points, then the end point); only
// the third of a triple may carry the close flag.
enum : uint8_t {
    ptStrokeLineTo = 2,
    ptStrokeLineToClose = 3,
    ptStrokeBezierTo = 4,
    ptStrokeBezierToClose = 5,
    ptStrokeMoveTo = 6,
};

class TStroke : public TPersistent {
    QUORLANE_CLASS(TStroke, TPersistent)

public:
    TStroke() = default;

    int GetCount() const { return int(types_.size()); }
    // Resizes both buffers; new entries are (0, 0) with type 0.
    void SetCount(int n);
    void Clear();

    // Direct access to the i-th point and type (transformers write them in place); an index
    // outside the stroke raises std::out_of_range.
    TPoint& GetPoint(int i) { return points_.at(size_t(i)); }
    const TPoint& GetPoint(int i) const { return points_.at(size_t(i)); }
    uint8_t& GetPointType(int i) { return types_.at(size_t(i)); }
    uint8_t GetPointType(int i) const { return types_.at(size_t(i)); }
    const std::vector<TPoint>& Points() const { return points_; }
    const std::vector<uint8_t>& Types() const { return types_; }

    void AddPoint(int x, int y, uint8_t type);
    // Appends the canvas's current path, all its points and types as the canvas holds them.
    void AddPath(const TCanvas& canvas);
    // The smallest rect holding every point, right and bottom being the largest coordinates
    // themselves; (0, 0, 0, 0) without points.
    TRect GetBounds() const;

    void Assign(const TPersistent* source) override;

    // Replays the stroke on the canvas: figures of lines and Bezier curves, closed where a
    // point carries the close flag. An empty stroke still gives a degenerate figure at the
    // origin, so that callers filling or clipping by it get an empty but valid path.
    void DrawTo(TCanvas& canvas) const;
    // The stroke becomes the canvas's current path (for filling, stroking or clipping).
    void SelectPath(TCanvas& canvas) const;

    // Replace the stroke by one closed figure.
    void MakeRect(const TRect& r);
    // Four Bezier quarters, starting at the middle of the right side and running over the top.
    void MakeEllipse(const TRect& r);
    // Corners of size x size rounded by Bezier quarters; every edge is an explicit line-to, even
    // of length 0, so that transformers see the same point layout for every size.
    void MakeRoundRect(const TRect& r, int size);
    // Replaces every straight segment by pieces shorter than 8 units in both axes, so that a
    // distortion bends straight edges smoothly.
    void SplitLines();

    // The Bezier constant of a quarter circle.
    static constexpr long double kBezierCircle = 0.5522847L;

private:
    std::vector<TPoint> points_;
    std::vector<uint8_t> types_;
};
