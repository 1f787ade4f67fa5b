#include "pageobjects/layout/UAlignUtil.h"

#include "core/UGeometryUtil.h"

#include <algorithm>
#include <climits>

void AlignItems(const std::vector<TCharABC>& items, int width, int spacing, int mode,
                std::vector<int32_t>& positions, TAlignExtent& extent) {
    const size_t n = items.size();
    positions.assign(n, 0);
    if (mode == amJustify)
        spacing = 0;
    std::vector<int64_t> natural(n);
    int64_t pos = 0;
    int64_t minInk = 0;
    int64_t maxInk = 0;
    for (size_t i = 0; i < n; ++i) {
        natural[i] = pos;
        const int64_t inkStart = pos + items[i].A;
        const int64_t inkEnd = inkStart + items[i].B;
        if (i == 0 || inkStart < minInk)
            minInk = inkStart;
        if (i == 0 || inkEnd > maxInk)
            maxInk = inkEnd;
        pos = inkEnd + items[i].C + spacing;
    }
    if (mode == amJustify) {
        const int64_t free = int64_t(width) - (maxInk - minInk);
        int64_t p = -minInk;
        int64_t shareBefore = 0;
        for (size_t i = 0; i < n; ++i) {
            positions[i] = ClampToInt32(p);
            if (i + 1 < n) {
                const int64_t share = int64_t(i + 1) * free / int64_t(n - 1);
                p += int64_t(items[i].A) + items[i].B + items[i].C + (share - shareBefore);
                shareBefore = share;
            }
        }
        extent.Left = 0;
        extent.Right = width;
        return;
    }
    int64_t offset = -minInk;
    if (mode == amCenter)
        offset = (int64_t(width) - maxInk - minInk) / 2;
    else if (mode == amRight)
        offset = int64_t(width) - maxInk;
    for (size_t i = 0; i < n; ++i)
        positions[i] = ClampToInt32(natural[i] + offset);
    extent.Left = ClampToInt32(minInk + offset);
    extent.Right = ClampToInt32(maxInk + offset);
}

void AlignSizes(const std::vector<int32_t>& sizes, int width, int spacing, int mode,
                std::vector<int32_t>& positions) {
    std::vector<TCharABC> items(sizes.size());
    for (size_t i = 0; i < sizes.size(); ++i)
        items[i].B = sizes[i];
    TAlignExtent extent;
    AlignItems(items, width, spacing, mode, positions, extent);
}

namespace {

enum class Edge { Left, Right, Top, Bottom };

// The edge of the region met by each row (or column) of rect's span, the innermost one winning.
void AlignRectInRgn(const QRegion& region, const TRect& rect, TRect& result, Edge edge) {
    result = rect;
    if (region.isEmpty())
        return;
    const QRect box = region.boundingRect();
    const bool rows = edge == Edge::Left || edge == Edge::Right;
    // Only the lines of the span that the region's box crosses can meet it.
    const int64_t from = std::max<int64_t>(rows ? rect.Top : rect.Left, rows ? box.top() : box.left());
    const int64_t to = std::min<int64_t>(rows ? rect.Bottom : rect.Right,
                                         rows ? int64_t(box.bottom()) + 1 : int64_t(box.right()) + 1);
    bool found = false;
    int64_t best = 0;
    for (int64_t line = from; line < to; ++line) {
        bool hit = false;
        int64_t lineEdge = 0;
        for (const QRect& r : region) {
            const bool covers =
                rows ? (line >= r.top() && line <= r.bottom()) : (line >= r.left() && line <= r.right());
            if (!covers)
                continue;
            int64_t e = 0;
            switch (edge) {
            case Edge::Left:
                e = r.left();
                break;
            case Edge::Right:
                e = int64_t(r.right()) + 1;
                break;
            case Edge::Top:
                e = r.top();
                break;
            case Edge::Bottom:
                e = int64_t(r.bottom()) + 1;
                break;
            }
            const bool outer = edge == Edge::Left || edge == Edge::Top;
            if (!hit || (outer ? e < lineEdge : e > lineEdge))
                lineEdge = e;
            hit = true;
        }
        if (!hit)
            continue;
        const bool inner = edge == Edge::Left || edge == Edge::Top;
        if (!found || (inner ? lineEdge > best : lineEdge < best))
            best = lineEdge;
        found = true;
    }
    if (!found)
        return;
    switch (edge) {
    case Edge::Left:
        OffsetRect(result, ClampToInt32(best - rect.Left), 0);
        break;
    case Edge::Right:
        OffsetRect(result, ClampToInt32(best - rect.Right), 0);
        break;
    case Edge::Top:
        OffsetRect(result, 0, ClampToInt32(best - rect.Top));
        break;
    case Edge::Bottom:
        OffsetRect(result, 0, ClampToInt32(best - rect.Bottom));
        break;
    }
}

} // namespace

void AlignRectLeftInRgn(const QRegion& region, const TRect& rect, TRect& result) {
    AlignRectInRgn(region, rect, result, Edge::Left);
}
void AlignRectRightInRgn(const QRegion& region, const TRect& rect, TRect& result) {
    AlignRectInRgn(region, rect, result, Edge::Right);
}
void AlignRectTopInRgn(const QRegion& region, const TRect& rect, TRect& result) {
    AlignRectInRgn(region, rect, result, Edge::Top);
}
void AlignRectBottomInRgn(const QRegion& region, const TRect& rect, TRect& result) {
    AlignRectInRgn(region, rect, result, Edge::Bottom);
}
