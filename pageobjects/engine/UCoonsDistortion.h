#pragma once
// Bends a rectangle onto four boundary curves, the way text is warped into arcs, waves and
// bulges: a point's relative place in the source rectangle is mapped through a bilinearly
// blended Coons patch whose sides are polylines with optionally rounded nodes, and the result is
// placed in the destination rectangle. The owner stores the distortion as the binary property
// "Data" (points as 10-byte extended floats, so stored shapes come back bit for bit).

#include "pageobjects/engine/UTransformer.h"
#include "platform/Guid.h"

#include <array>
#include <cstdint>
#include <vector>

class TStream;

// A point relative to the destination rect: (0, 0) its top-left, (1, 1) its bottom-right.
struct TCoonsPoint {
    long double X = 0;
    long double Y = 0;
    friend bool operator==(const TCoonsPoint&, const TCoonsPoint&) = default;
};

class TCoonsDistortion : public TTransformer {
    QUORLANE_CLASS(TCoonsDistortion, TTransformer)

public:
    // The sides, in stored order. Directions: top and bottom run left to right, right and left
    // top to bottom; the four corners are shared by the two sides meeting there.
    enum TSide { cdTop = 0, cdRight = 1, cdBottom = 2, cdLeft = 3 };

    // A new identity, empty rects and four empty curves.
    TCoonsDistortion();

    const TGUID& Identity() const { return identity_; }

    int GetCount(int side) const;
    // For n >= 0 and different from the count: resizes the curve (new points at (0, 0)), clears
    // all its smooth flags and marks the distortion changed.
    void SetCount(int side, int n);
    int GetTopCount() const { return GetCount(cdTop); }
    int GetRightCount() const { return GetCount(cdRight); }
    int GetBottomCount() const { return GetCount(cdBottom); }
    int GetLeftCount() const { return GetCount(cdLeft); }
    void SetTopCount(int n) { SetCount(cdTop, n); }
    void SetRightCount(int n) { SetCount(cdRight, n); }
    void SetBottomCount(int n) { SetCount(cdBottom, n); }
    void SetLeftCount(int n) { SetCount(cdLeft, n); }

    // Reading past either end of a curve continues around the ring of sides, away from the
    // shared corner (top index -1 is left point 1, top index count is right point 1, ...).
    TCoonsPoint GetPoint(int side, int i) const;
    // Outside the curve nothing happens. A first or last point also moves the corner it shares
    // with the neighbouring side.
    void SetPoint(int side, int i, const TCoonsPoint& p);
    TCoonsPoint GetTopPoint(int i) const { return GetPoint(cdTop, i); }
    TCoonsPoint GetRightPoint(int i) const { return GetPoint(cdRight, i); }
    TCoonsPoint GetBottomPoint(int i) const { return GetPoint(cdBottom, i); }
    TCoonsPoint GetLeftPoint(int i) const { return GetPoint(cdLeft, i); }
    void SetTopPoint(int i, const TCoonsPoint& p) { SetPoint(cdTop, i, p); }
    void SetRightPoint(int i, const TCoonsPoint& p) { SetPoint(cdRight, i, p); }
    void SetBottomPoint(int i, const TCoonsPoint& p) { SetPoint(cdBottom, i, p); }
    void SetLeftPoint(int i, const TCoonsPoint& p) { SetPoint(cdLeft, i, p); }

    // 0 is a corner node (the curve runs straight through it), anything else a smooth node. 0
    // outside the curve; writing outside does nothing.
    uint8_t GetFlag(int side, int i) const;
    void SetFlag(int side, int i, uint8_t value);
    uint8_t GetTopFlag(int i) const { return GetFlag(cdTop, i); }
    uint8_t GetRightFlag(int i) const { return GetFlag(cdRight, i); }
    uint8_t GetBottomFlag(int i) const { return GetFlag(cdBottom, i); }
    uint8_t GetLeftFlag(int i) const { return GetFlag(cdLeft, i); }

    // The parameter at the end of segment i, i.e. the place of node i + 1 along the curve (0 to
    // 1 over the curve): -1 gives 0; below it the distance into the neighbouring side, negated;
    // count - 1 and beyond 1 plus the distance into the next side.
    long double GetParam(int side, int i);

    const TRect& SourceRect() const { return source_.Rect; }
    const TRect& DestRect() const { return dest_.Rect; }
    void SetSourceRect(const TRect& r);
    void SetDestRect(const TRect& r);

    // All four curves have no points.
    bool IsEmpty() const;
    // Every curve has at least two points (one point makes no edge) and neither rect has an empty
    // side; only then are points mapped.
    bool IsActive() const;
    bool Dirty() const { return dirty_; }

    // Moves every point toward its place on the straight unit square: 100 keeps the curves, 0
    // makes the patch the plain rectangle.
    void BlendCurves(int percent);

    // The point of a side's curve at parameter u (0 to 1), relative to the destination rect.
    TCoonsPoint CurvePoint(int side, long double u);

    // Nothing unless active: the point's relative place in the source rect through the patch,
    // scaled into the destination rect, rounded to nearest.
    void TransformPoint(TPoint& p) override;

    void Assign(const TPersistent* source) override;
    void DefineProperties(TFiler& filer) override;

    // The "Data" form: identity, four 32-bit counts (top, right, bottom, left), every curve's
    // points as pairs of 10-byte extended floats, then every curve's flags, one byte a point.
    void WriteData(TStream& stream) const;
    // Reads that form; counts that are negative or claim more points than the data holds raise
    // EReadError and leave the distortion as it was.
    void ReadData(TStream& stream);

private:
    struct TCurve {
        std::vector<TCoonsPoint> Points;
        std::vector<long double> Params;
        std::vector<uint8_t> Flags;
    };
    struct TRectCache {
        TRect Rect;
        long double Width = 0;
        long double Height = 0;
        long double RecipWidth = 0;
        long double RecipHeight = 0;
    };

    static TRectCache MakeCache(const TRect& r);
    void Prepare();
    // The node place k of a side, continued into the neighbouring sides beyond the ends.
    long double NodePlace(int side, int k) const;
    // How far along the neighbouring side (from the shared corner) its k-th point lies.
    long double NeighbourDistance(int side, bool atStart, int k) const;

    TGUID identity_;
    std::array<TCurve, 4> curves_;
    TRectCache source_;
    TRectCache dest_;
    bool dirty_ = true;
    TCoonsPoint topLeft_, topRight_, bottomRight_, bottomLeft_;
    bool propagating_ = false;
};
