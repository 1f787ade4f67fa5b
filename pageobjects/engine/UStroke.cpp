#include "pageobjects/engine/UStroke.h"

#include "platform/Canvas.h"
#include "platform/IntMath.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

int Mid(int a, int b) {
    return int((int64_t(a) + b) / 2);
}

// Splitting halves a segment at each level; 17 levels bring any segment of up to about a million
// units under 8. Deeper levels only matter for coordinates no page has, and there they would cost
// memory without end.
constexpr int kMaxSplitDepth = 17;

void SplitSegment(const TPoint& a, const TPoint& b, std::vector<TPoint>& out, int depth = 0) {
    if ((std::abs(int64_t(b.X) - a.X) < 8 && std::abs(int64_t(b.Y) - a.Y) < 8) || depth >= kMaxSplitDepth) {
        out.push_back(b);
        return;
    }
    const TPoint m(Mid(a.X, b.X), Mid(a.Y, b.Y));
    SplitSegment(a, m, out, depth + 1);
    SplitSegment(m, b, out, depth + 1);
}

} // namespace

void TStroke::SetCount(int n) {
    const size_t count = size_t(std::max(n, 0));
    points_.resize(count);
    types_.resize(count);
}

void TStroke::Clear() {
    points_.clear();
    types_.clear();
}

void TStroke::AddPoint(int x, int y, uint8_t type) {
    points_.emplace_back(x, y);
    types_.push_back(type);
}

void TStroke::AddPath(const TCanvas& canvas) {
    std::vector<TPoint> points;
    std::vector<uint8_t> types;
    canvas.GetPath(points, types);
    const size_t n = std::min(points.size(), types.size());
    points_.insert(points_.end(), points.begin(), points.begin() + ptrdiff_t(n));
    types_.insert(types_.end(), types.begin(), types.begin() + ptrdiff_t(n));
}

TRect TStroke::GetBounds() const {
    if (points_.empty())
        return TRect();
    TRect r(points_[0].X, points_[0].Y, points_[0].X, points_[0].Y);
    for (const TPoint& p : points_) {
        r.Left = std::min(r.Left, p.X);
        r.Top = std::min(r.Top, p.Y);
        r.Right = std::max(r.Right, p.X);
        r.Bottom = std::max(r.Bottom, p.Y);
    }
    return r;
}

void TStroke::Assign(const TPersistent* source) {
    if (const auto* other = dynamic_cast<const TStroke*>(source)) {
        points_ = other->points_;
        types_ = other->types_;
        return;
    }
    TPersistent::Assign(source);
}

void TStroke::DrawTo(TCanvas& canvas) const {
    const int n = GetCount();
    if (n == 0) {
        canvas.MoveTo(0, 0);
        canvas.LineTo(0, 0);
        canvas.CloseFigure();
        return;
    }
    TPoint start = points_[0];
    int i = 0;
    while (i < n) {
        switch (types_[size_t(i)]) {
        case ptStrokeLineTo: {
            int j = i;
            while (j < n && types_[size_t(j)] == ptStrokeLineTo)
                ++j;
            // One polyline from the current position, which then moves to its last point; inside a
            // path bracket line-tos keep the figure open for a later close.
            if (canvas.InPathBracket()) {
                for (int k = i; k < j; ++k)
                    canvas.LineTo(points_[size_t(k)].X, points_[size_t(k)].Y);
            } else {
                std::vector<TPoint> run;
                run.reserve(size_t(j - i + 1));
                run.push_back(canvas.PenPos());
                run.insert(run.end(), points_.begin() + i, points_.begin() + j);
                canvas.Polyline(run);
                canvas.MoveTo(run.back().X, run.back().Y);
            }
            i = j;
            break;
        }
        case ptStrokeLineToClose:
            canvas.LineTo(points_[size_t(i)].X, points_[size_t(i)].Y);
            canvas.LineTo(start.X, start.Y);
            canvas.CloseFigure();
            ++i;
            break;
        case ptStrokeBezierTo:
            // A triple cut short by the end of the stroke is not drawn.
            if (i + 2 >= n) {
                canvas.CloseFigure();
                return;
            }
            canvas.PolyBezierTo(&points_[size_t(i)], 3);
            if (types_[size_t(i + 2)] == ptStrokeBezierToClose) {
                canvas.LineTo(start.X, start.Y);
                canvas.CloseFigure();
            }
            i += 3;
            break;
        case ptStrokeMoveTo:
            start = points_[size_t(i)];
            canvas.MoveTo(start.X, start.Y);
            ++i;
            break;
        default:
            canvas.CloseFigure();
            return;
        }
    }
}

void TStroke::SelectPath(TCanvas& canvas) const {
    canvas.BeginPath();
    DrawTo(canvas);
    canvas.EndPath();
}

void TStroke::MakeRect(const TRect& r) {
    Clear();
    AddPoint(r.Left, r.Top, ptStrokeMoveTo);
    AddPoint(r.Right, r.Top, ptStrokeLineTo);
    AddPoint(r.Right, r.Bottom, ptStrokeLineTo);
    AddPoint(r.Left, r.Bottom, ptStrokeLineToClose);
}

void TStroke::MakeEllipse(const TRect& r) {
    const int cx = Mid(r.Left, r.Right);
    const int cy = Mid(r.Top, r.Bottom);
    const int kx = RoundAwayClamped((int64_t(r.Right) - r.Left) * kBezierCircle / 2);
    const int ky = RoundAwayClamped((int64_t(r.Bottom) - r.Top) * kBezierCircle / 2);
    Clear();
    AddPoint(r.Right, cy, ptStrokeMoveTo);
    AddPoint(r.Right, cy - ky, ptStrokeBezierTo);
    AddPoint(cx + kx, r.Top, ptStrokeBezierTo);
    AddPoint(cx, r.Top, ptStrokeBezierTo);
    AddPoint(cx - kx, r.Top, ptStrokeBezierTo);
    AddPoint(r.Left, cy - ky, ptStrokeBezierTo);
    AddPoint(r.Left, cy, ptStrokeBezierTo);
    AddPoint(r.Left, cy + ky, ptStrokeBezierTo);
    AddPoint(cx - kx, r.Bottom, ptStrokeBezierTo);
    AddPoint(cx, r.Bottom, ptStrokeBezierTo);
    AddPoint(cx + kx, r.Bottom, ptStrokeBezierTo);
    AddPoint(r.Right, cy + ky, ptStrokeBezierTo);
    AddPoint(r.Right, cy, ptStrokeBezierToClose);
}

void TStroke::MakeRoundRect(const TRect& r, int size) {
    const int h = size / 2;
    const int k = RoundAwayClamped(size * kBezierCircle / 2);
    const int l = r.Left, t = r.Top, rr = r.Right, b = r.Bottom;
    Clear();
    AddPoint(rr, t + h, ptStrokeMoveTo);
    AddPoint(rr, t + h - k, ptStrokeBezierTo);
    AddPoint(rr - h + k, t, ptStrokeBezierTo);
    AddPoint(rr - h, t, ptStrokeBezierTo);
    AddPoint(rr - h, t, ptStrokeLineTo);
    AddPoint(l + h, t, ptStrokeLineTo);
    AddPoint(l + h - k, t, ptStrokeBezierTo);
    AddPoint(l, t + h - k, ptStrokeBezierTo);
    AddPoint(l, t + h, ptStrokeBezierTo);
    AddPoint(l, t + h, ptStrokeLineTo);
    AddPoint(l, b - h, ptStrokeLineTo);
    AddPoint(l, b - h + k, ptStrokeBezierTo);
    AddPoint(l + h - k, b, ptStrokeBezierTo);
    AddPoint(l + h, b, ptStrokeBezierTo);
    AddPoint(l + h, b, ptStrokeLineTo);
    AddPoint(rr - h, b, ptStrokeLineTo);
    AddPoint(rr - h + k, b, ptStrokeBezierTo);
    AddPoint(rr, b - h + k, ptStrokeBezierTo);
    AddPoint(rr, b - h, ptStrokeBezierTo);
    AddPoint(rr, b - h, ptStrokeLineTo);
    AddPoint(rr, t + h, ptStrokeLineToClose);
}

void TStroke::SplitLines() {
    std::vector<TPoint> points;
    std::vector<uint8_t> types;
    points.reserve(points_.size());
    types.reserve(types_.size());
    TPoint previous;
    TPoint start;
    // Appends the pieces of a to b as line-tos.
    auto appendSplit = [&](const TPoint& a, const TPoint& b) {
        const size_t before = points.size();
        SplitSegment(a, b, points);
        types.resize(points.size(), ptStrokeLineTo);
        return points.size() - before;
    };
    const size_t n = types_.size();
    size_t i = 0;
    while (i < n) {
        const TPoint p = points_[i];
        const uint8_t type = types_[i];
        switch (type) {
        case ptStrokeMoveTo:
            start = p;
            previous = p;
            points.push_back(p);
            types.push_back(type);
            ++i;
            break;
        case ptStrokeLineTo:
            appendSplit(previous, p);
            previous = p;
            ++i;
            break;
        case ptStrokeLineToClose:
            appendSplit(previous, p);
            // The closing segment ends at the figure start, which the close flag reaches anyway.
            appendSplit(p, start);
            points.pop_back();
            types.pop_back();
            types.back() = ptStrokeLineToClose;
            previous = start;
            ++i;
            break;
        case ptStrokeBezierTo: {
            const size_t end = std::min(i + 3, n);
            for (size_t k = i; k < end; ++k) {
                points.push_back(points_[k]);
                types.push_back(types_[k]);
            }
            previous = points_[end - 1];
            i = end;
            break;
        }
        default:
            points.push_back(p);
            types.push_back(type);
            ++i;
            break;
        }
    }
    points_ = std::move(points);
    types_ = std::move(types);
}
