#pragma once
// Placing items along a length with spacing and one of four alignments (text characters,
// decorated-string glyphs), and moving a rectangle against an edge of a region.

#include "platform/Rect.h"

#include <QRegion>
#include <cstdint>
#include <vector>

// The measured width of one character: space before its ink, the ink, space after it.
struct TCharABC {
    int32_t A = 0;
    int32_t B = 0;
    int32_t C = 0;
    friend bool operator==(const TCharABC&, const TCharABC&) = default;
};

enum TAlignMode { amLeft = 0, amCenter = 1, amRight = 2, amJustify = 3 };

// The aligned ink extent along the line.
struct TAlignExtent {
    int32_t Left = 0;
    int32_t Right = 0;
};

// Positions of the items' cells for the mode (0 start, 1 centre, 2 end, 3 justify across width).
// Sums are formed in 64 bits and held to the int range, so hostile widths cannot overflow.
void AlignItems(const std::vector<TCharABC>& items, int width, int spacing, int mode,
                std::vector<int32_t>& positions, TAlignExtent& extent);
void AlignSizes(const std::vector<int32_t>& sizes, int width, int spacing, int mode,
                std::vector<int32_t>& positions);

// rect moved along one axis so that the named edge meets the region within rect's span; an
// empty region, or one that rect's span does not cross, leaves it as it is.
void AlignRectLeftInRgn(const QRegion& region, const TRect& rect, TRect& result);
void AlignRectRightInRgn(const QRegion& region, const TRect& rect, TRect& result);
void AlignRectTopInRgn(const QRegion& region, const TRect& rect, TRect& result);
void AlignRectBottomInRgn(const QRegion& region, const TRect& rect, TRect& result);
