#pragma once
// Integer points, sizes and rectangles with exclusive right and bottom edges, as the
// page geometry of the whole system assumes. Converted to Qt types only where drawing.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <cstdint>

struct TPoint {
    int X = 0;
    int Y = 0;
    constexpr TPoint() = default;
    constexpr TPoint(int x, int y) : X(x), Y(y) {}
    friend constexpr bool operator==(const TPoint&, const TPoint&) = default;
    QPoint ToQPoint() const { return QPoint(X, Y); }
    static TPoint FromQPoint(const QPoint& p) { return TPoint(p.x(), p.y()); }
};

struct TSize {
    int cx = 0;
    int cy = 0;
    constexpr TSize() = default;
    constexpr TSize(int w, int h) : cx(w), cy(h) {}
    friend constexpr bool operator==(const TSize&, const TSize&) = default;
};

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    constexpr TRect() = default;
    constexpr TRect(int l, int t, int r, int b) : Left(l), Top(t), Right(r), Bottom(b) {}
    constexpr TRect(const TPoint& topLeft, const TPoint& bottomRight)
        : Left(topLeft.X), Top(topLeft.Y), Right(bottomRight.X), Bottom(bottomRight.Y) {}

    friend constexpr bool operator==(const TRect&, const TRect&) = default;

    constexpr int Width() const { return Right - Left; }
    constexpr int Height() const { return Bottom - Top; }
    constexpr TPoint TopLeft() const { return TPoint(Left, Top); }
    constexpr TPoint BottomRight() const { return TPoint(Right, Bottom); }
    // Empty as the graphics layer sees it: no pixel inside.
    constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    constexpr bool Contains(const TPoint& p) const {
        return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom;
    }

    QRect ToQRect() const { return QRect(Left, Top, Right - Left, Bottom - Top); }
    static TRect FromQRect(const QRect& r) {
        return TRect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
    }
};

constexpr TPoint Point(int x, int y) {
    return TPoint(x, y);
}
constexpr TRect Rect(int left, int top, int right, int bottom) {
    return TRect(left, top, right, bottom);
}
constexpr TRect Bounds(int left, int top, int width, int height) {
    return TRect(left, top, left + width, top + height);
}

// Graphics-layer rectangle operations: an empty result is the all-zero rectangle.
bool IsRectEmpty(const TRect& r);
bool PtInRect(const TRect& r, const TPoint& p);
bool IntersectRect(TRect& dst, const TRect& a, const TRect& b);
bool UnionRect(TRect& dst, const TRect& a, const TRect& b);
void OffsetRect(TRect& r, int dx, int dy);
void InflateRect(TRect& r, int dx, int dy);
// Left <= Right and Top <= Bottom afterwards.
TRect NormalizeRect(const TRect& r);
