#include "core/UGeometryUtil.h"

#include <algorithm>

namespace {

TRect EmptyAt(const TRect& src) {
    return Bounds(src.Left, src.Top, 0, 0);
}

// Sizes are taken in 64 bits: a width of a rectangle whose edges lie far apart does not fit in 32.
int64_t Width64(const TRect& r) {
    return int64_t(r.Right) - r.Left;
}
int64_t Height64(const TRect& r) {
    return int64_t(r.Bottom) - r.Top;
}

TRect BoundsClamped(const TRect& src, int64_t w, int64_t h) {
    return TRect(src.Left, src.Top, ClampToInt32(src.Left + w), ClampToInt32(src.Top + h));
}

} // namespace

int RectWidth(const TRect& r) {
    return static_cast<int>(Width64(r));
}

int RectHeight(const TRect& r) {
    return static_cast<int>(Height64(r));
}

TPoint RectCenter(const TRect& r) {
    return TPoint(static_cast<int>((int64_t(r.Left) + r.Right) / 2),
                  static_cast<int>((int64_t(r.Top) + r.Bottom) / 2));
}

TRect CenterRectAt(const TRect& r, const TPoint& p) {
    const TPoint c = RectCenter(r);
    TRect result = r;
    OffsetRect(result, p.X - c.X, p.Y - c.Y);
    return result;
}

TRect FitSizeInner(const TRect& src, int maxWidth, int maxHeight) {
    const int64_t sw = Width64(src), sh = Height64(src);
    if (sw <= 0 || sh <= 0 || maxWidth <= 0 || maxHeight <= 0)
        return EmptyAt(src);
    const int64_t w = MulDiv64(sw, maxHeight, sh);
    if (w > maxWidth)
        return BoundsClamped(src, maxWidth, MulDiv64(sh, maxWidth, sw));
    return BoundsClamped(src, w, maxHeight);
}

TRect FitSizeOuter(const TRect& src, int minWidth, int minHeight) {
    const int64_t sw = Width64(src), sh = Height64(src);
    if (sw <= 0 || sh <= 0 || minWidth <= 0 || minHeight <= 0)
        return EmptyAt(src);
    const int64_t w = MulDiv64(minHeight, sw, sh);
    if (w < minWidth)
        return BoundsClamped(src, minWidth, MulDiv64(minWidth, sh, sw));
    return BoundsClamped(src, w, minHeight);
}

TRect FitRectInner(const TRect& src, const TRect& target) {
    return CenterRectAt(FitSizeInner(src, RectWidth(target), RectHeight(target)), RectCenter(target));
}

TRect FitRectOuter(const TRect& src, const TRect& target) {
    return CenterRectAt(FitSizeOuter(src, RectWidth(target), RectHeight(target)), RectCenter(target));
}

TRect ScaleRect(const TRect& r, const TSize& from, const TSize& to) {
    if (from.cx <= 0 || from.cy <= 0)
        return TRect();
    auto x = [&](int v) { return ClampToInt32(MulDiv64(v, to.cx, from.cx)); };
    auto y = [&](int v) { return ClampToInt32(MulDiv64(v, to.cy, from.cy)); };
    return TRect(x(r.Left), y(r.Top), x(r.Right), y(r.Bottom));
}

bool IsRectInside(const TRect& a, const TRect& b) {
    TRect r;
    IntersectRect(r, a, b);
    return r == a;
}

bool IsRectDegenerate(const TRect& r) {
    return r.Right == r.Left || r.Bottom == r.Top;
}

TPoint AddPoint(const TPoint& p, const TPoint& q) {
    return TPoint(p.X + q.X, p.Y + q.Y);
}

TPoint ClampPointToRect(const TPoint& p, const TRect& r) {
    TPoint result = p;
    if (r.Left > p.X)
        result.X = r.Left;
    if (r.Right < p.X)
        result.X = r.Right;
    if (r.Top > p.Y)
        result.Y = r.Top;
    if (r.Bottom < p.Y)
        result.Y = r.Bottom;
    return result;
}
