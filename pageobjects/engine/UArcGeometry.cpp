#include "pageobjects/engine/UArcGeometry.h"

#include "platform/Canvas.h"
#include "platform/IntMath.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace {

constexpr long double kPi = std::numbers::pi_v<long double>;
constexpr long double kTwoPi = 2 * kPi;

// Into [0, 2pi); fmod keeps a wild angle from looping.
long double NormalizeAngle(long double a) {
    if (!std::isfinite(a))
        return 0;
    a = std::fmod(a, kTwoPi);
    if (a < 0)
        a += kTwoPi;
    return a >= kTwoPi ? 0 : a;
}

long double AngleOf(long double dx, long double dy) {
    long double a = std::atan2(dy, dx);
    while (a < 0)
        a += kTwoPi;
    return a;
}

TPoint TruncPointOnArc(const TArcInfo& arc, long double angle, long double radius) {
    return TPoint(TruncClamped(std::trunc(std::cos(angle) * radius) + arc.Centre.X),
                  TruncClamped(std::trunc(std::sin(angle) * radius) + arc.Centre.Y));
}

struct TRealPoint {
    long double X = 0;
    long double Y = 0;
};

TRealPoint ParabolaPoint(const TPoint& p0, const TPoint& p1, const TPoint& p2, long double t) {
    auto axis = [t](long double a, long double b, long double c) {
        return a + t * (4 * b - 3 * a - c) + t * t * 2 * (a + c - 2 * b);
    };
    return {axis(p0.X, p1.X, p2.X), axis(p0.Y, p1.Y, p2.Y)};
}

// The two points beside a, at the pen's half width across the direction from a to b.
void ThickSegmentOffsets(const TRealPoint& a, const TRealPoint& b, long double h, TPoint& left,
                         TPoint& right) {
    const long double dx = b.X - a.X, dy = b.Y - a.Y;
    const long double l = std::hypot(dx, dy);
    if (l <= 0.01L) {
        left = right = TPoint(TruncClamped(a.X), TruncClamped(a.Y));
        return;
    }
    const long double f = (h + 0.5L) / l;
    left = TPoint(TruncClamped(a.X + dy * f), TruncClamped(a.Y - dx * f));
    right = TPoint(TruncClamped(a.X - dy * f), TruncClamped(a.Y + dx * f));
}

int MeanAxis(int a, int b) {
    return int((int64_t(a) + b + 1) / 2);
}
TPoint MeanPoint(const TPoint& a, const TPoint& b) {
    return TPoint(MeanAxis(a.X, b.X), MeanAxis(a.Y, b.Y));
}

// The half width of a thick curve and the pen set to hairline while its outline is traced.
class TThickPen {
public:
    explicit TThickPen(TCanvas& canvas) : canvas_(canvas), width_(canvas.Pen().Width) {
        canvas_.Pen().Width = 0;
    }
    ~TThickPen() { canvas_.Pen().Width = width_; }
    TThickPen(const TThickPen&) = delete;
    TThickPen& operator=(const TThickPen&) = delete;
    int Width() const { return width_; }
    // Rounded up in 64 bits: a stored width at the top of the int range must not wrap.
    int Half() const { return int(std::max<int64_t>((int64_t(width_) + 1) / 2, 1)); }

private:
    TCanvas& canvas_;
    int width_;
};

// The arc through the three points running through p1: built from p2 back to p0 when the
// points turn the other way, since an arc always runs with increasing angle.
TArcInfo ArcThroughMiddle(const TPoint& p0, const TPoint& p1, const TPoint& p2, int bulge) {
    TArcInfo arc;
    if (bulge < 0)
        MakeArcFromThreePoints(arc, p2, p1, p0);
    else
        MakeArcFromThreePoints(arc, p0, p1, p2);
    return arc;
}

bool DrawsAsArc(const TArcInfo& arc, int bulge) {
    return std::abs(int64_t(bulge)) >= kMinArcBulge && arc.Radius >= 1 && arc.Radius < kMaxArcRadius;
}

} // namespace

void PointOnArc(const TArcInfo& arc, long double angle, long double radius, TPoint& p) {
    p = TPoint(TruncClamped(RoundAway(std::cos(angle) * radius) + arc.Centre.X),
               TruncClamped(RoundAway(std::sin(angle) * radius) + arc.Centre.Y));
}

long double CircleThrough3Points(TPoint& c, const TPoint& p1, const TPoint& p2, const TPoint& p3) {
    const long double ax = (long double)p2.X - p1.X, ay = (long double)p2.Y - p1.Y;
    const long double bx = (long double)p3.X - p1.X, by = (long double)p3.Y - p1.Y;
    const long double d = ax * by - bx * ay;
    if (std::fabs(d) < 0.1L) {
        c = TPoint(int((int64_t(p1.X) + p2.X + p3.X) / 3), int((int64_t(p1.Y) + p2.Y + p3.Y) / 3));
        return std::hypot((long double)p2.X - c.X, (long double)p2.Y - c.Y);
    }
    const long double f = 0.5L / d;
    const long double a = ax * ax + ay * ay;
    const long double b = bx * bx + by * by;
    const long double cx = (a * by - b * ay) * f;
    const long double cy = (ax * b - bx * a) * f;
    c = TPoint(TruncClamped(RoundAway(cx) + p1.X), TruncClamped(RoundAway(cy) + p1.Y));
    return std::hypot(cx, cy);
}

void MakeArcFromThreePoints(TArcInfo& arc, const TPoint& p1, const TPoint& p2, const TPoint& p3) {
    TPoint c;
    const long double r = RoundAway(CircleThrough3Points(c, p1, p2, p3));
    arc.Centre = c;
    if (r >= 1) {
        arc.Radius = TruncClamped(r);
        arc.StartAngle = AngleOf((long double)p1.X - c.X, (long double)p1.Y - c.Y);
        arc.EndAngle = AngleOf((long double)p3.X - c.X, (long double)p3.Y - c.Y);
    } else {
        arc.Radius = 0;
        arc.StartAngle = 0;
        arc.EndAngle = 0;
    }
}

void GetArcPoints(TPoint& startP, TPoint& midP, TPoint& endP, const TArcInfo& arc) {
    PointOnArc(arc, arc.StartAngle, arc.Radius, startP);
    PointOnArc(arc, arc.EndAngle, arc.Radius, endP);
    long double m = (arc.StartAngle + arc.EndAngle) / 2;
    if (arc.EndAngle < arc.StartAngle) {
        m += kPi;
        if (m >= kTwoPi)
            m -= kTwoPi;
    }
    PointOnArc(arc, m, arc.Radius, midP);
}

void GetArcBounds(const TArcInfo& arc, TRect& r) {
    TPoint s, m, e;
    GetArcPoints(s, m, e, arc);
    r = TRect(std::min(s.X, e.X), std::min(s.Y, e.Y), std::max(s.X, e.X), std::max(s.Y, e.Y));
    auto quadrant = [](long double angle) {
        const long double q = std::trunc(angle / kPi * 2);
        if (q < 0)
            return 3;
        if (q > 3)
            return 0;
        return int(q);
    };
    // The circle's extreme point where quadrant q begins: right, bottom, left, top.
    auto extend = [&](int q) {
        const int64_t cx = arc.Centre.X, cy = arc.Centre.Y, rad = arc.Radius;
        TPoint p;
        switch (q) {
        case 0:
            p = TPoint(TruncClamped(cx + rad), int(cy));
            break;
        case 1:
            p = TPoint(int(cx), TruncClamped(cy + rad));
            break;
        case 2:
            p = TPoint(TruncClamped(cx - rad), int(cy));
            break;
        default:
            p = TPoint(int(cx), TruncClamped(cy - rad));
            break;
        }
        r.Left = std::min(r.Left, p.X);
        r.Top = std::min(r.Top, p.Y);
        r.Right = std::max(r.Right, p.X);
        r.Bottom = std::max(r.Bottom, p.Y);
    };
    const int qs = quadrant(arc.StartAngle);
    const int qe = quadrant(arc.EndAngle);
    if (qs == qe) {
        if (arc.EndAngle < arc.StartAngle)
            for (int q = 0; q < 4; ++q)
                extend(q);
        return;
    }
    int q = qs;
    do {
        q = (q + 1) % 4;
        extend(q);
    } while (q != qe);
}

int PointOrientation(const TPoint& a, const TPoint& b, const TPoint& c) {
    const long double u = ((long double)b.X - a.X) * ((long double)c.Y - a.Y);
    const long double v = ((long double)b.Y - a.Y) * ((long double)c.X - a.X);
    if (u < v)
        return 1;
    return u == v ? 0 : -1;
}

void GetBulgePoint(const TPoint& p0, const TPoint& p2, int bulge, TPoint& q) {
    const long double b = std::clamp(bulge, -kMaxBulge, kMaxBulge);
    const long double dx = (long double)p2.X - p0.X, dy = (long double)p2.Y - p0.Y;
    const long double l = std::hypot(dx, dy);
    if (l > 0.1L) {
        const long double mx = p0.X + dx / 2, my = p0.Y + dy / 2;
        q = TPoint(TruncClamped(mx + dy * b / l), TruncClamped(my - dx * b / l));
    } else {
        q = p0;
    }
}

int GetArcBulge(const TPoint& p0, const TPoint& p1, const TPoint& p2) {
    const int o = PointOrientation(p0, p2, p1);
    if (o == 0)
        return 0;
    TPoint c;
    const long double r = CircleThrough3Points(c, p0, p1, p2);
    const long double mx = ((long double)p0.X + p2.X) / 2, my = ((long double)p0.Y + p2.Y) / 2;
    long double s = r - std::hypot(mx - c.X, my - c.Y);
    if (s < -1)
        return 0;
    // The centre on p1's side of the chord: the arc is more than a half circle.
    if (PointOrientation(p0, p2, c) == o)
        s = 2 * r - s;
    if (o < 0)
        s = -s;
    return TruncClamped(s);
}

bool GetBulgeArc(TArcInfo& arc, const TPoint& p0, const TPoint& p2, int bulge) {
    arc = TArcInfo();
    long double dx = (long double)p2.X - p0.X, dy = (long double)p2.Y - p0.Y;
    const long double l = std::hypot(dx, dy);
    const long double mx = p0.X + dx / 2, my = p0.Y + dy / 2;
    const long double h = std::fabs((long double)bulge);
    bool result = true;
    long double cx = mx, cy = my;
    if (h >= 1) {
        long double k;
        if (l >= 0.9L) {
            const long double rad = l * l / (8 * h) + h / 2;
            arc.Radius = TruncClamped(rad);
            k = -(rad - h) / l;
        } else {
            // Too short a chord for a circle; the caller must not draw this arc.
            result = false;
            k = l;
        }
        if (bulge < 0) {
            dx = -dx;
            dy = -dy;
        }
        cx = mx + dy * k;
        cy = my - dx * k;
    } else {
        arc.Radius = TruncClamped(l / 2);
    }
    arc.Centre = TPoint(TruncClamped(cx), TruncClamped(cy));
    arc.StartAngle = AngleOf(p0.X - cx, p0.Y - cy);
    arc.EndAngle = AngleOf(p2.X - cx, p2.Y - cy);
    if (bulge < 0)
        std::swap(arc.StartAngle, arc.EndAngle);
    return result;
}

void DrawArcPolyline(TCanvas& canvas, const TArcInfo& arc) {
    long double a = NormalizeAngle(arc.StartAngle);
    const long double b = NormalizeAngle(arc.EndAngle);
    if (b < a)
        a -= kTwoPi;
    const TPoint first = TruncPointOnArc(arc, a, arc.Radius);
    canvas.MoveTo(first.X, first.Y);
    const long double step = kTwoPi / 180;
    a += step;
    const long double last = b - step;
    while (a <= last) {
        const TPoint p = TruncPointOnArc(arc, a, arc.Radius);
        canvas.LineTo(p.X, p.Y);
        a += step;
    }
    const TPoint end = TruncPointOnArc(arc, arc.EndAngle, arc.Radius);
    canvas.LineTo(end.X, end.Y);
}

void DrawParabola(TCanvas& canvas, const TPoint& p0, const TPoint& p1, const TPoint& p2) {
    canvas.MoveTo(p0.X, p0.Y);
    for (int i = 1; i < 8; ++i) {
        const TRealPoint q = ParabolaPoint(p0, p1, p2, i / 8.0L);
        canvas.LineTo(RoundAwayClamped(q.X), RoundAwayClamped(q.Y));
    }
    canvas.LineTo(p2.X, p2.Y);
}

void DrawThickArcOutline(TCanvas& canvas, const TArcInfo& arc) {
    const TThickPen pen(canvas);
    const int w = pen.Width();
    const int h = pen.Half();
    const long double start = NormalizeAngle(arc.StartAngle);
    const long double end = NormalizeAngle(arc.EndAngle);
    const long double first = end < start ? start - kTwoPi : start;
    const long double step = kTwoPi / (arc.Radius >= 500 ? 90 : 60);
    const long double outer = (long double)arc.Radius + h;
    const long double inner = (long double)arc.Radius + h - w;
    auto lineTo = [&](long double angle, long double radius) {
        const TPoint p = TruncPointOnArc(arc, angle, radius);
        canvas.LineTo(p.X, p.Y);
    };
    const TPoint begin = TruncPointOnArc(arc, first, (long double)arc.Radius - h);
    canvas.MoveTo(begin.X, begin.Y);
    lineTo(first, outer);
    for (long double a = first + step; a < end; a += step)
        lineTo(a, outer);
    lineTo(end, outer);
    lineTo(end, inner);
    for (long double a = end - step; a > first; a -= step)
        lineTo(a, inner);
    lineTo(first, inner);
}

void DrawThickParabolaOutline(TCanvas& canvas, const TPoint& p0, const TPoint& p1, const TPoint& p2) {
    const TThickPen pen(canvas);
    const long double h = pen.Half();
    TRealPoint q[9];
    for (int i = 0; i <= 8; ++i)
        q[i] = ParabolaPoint(p0, p1, p2, i / 8.0L);
    TPoint sideA[9], sideB[9];
    ThickSegmentOffsets(q[0], q[1], h, sideA[0], sideB[0]);
    // Seen from the far end the sides swap.
    ThickSegmentOffsets(q[8], q[7], h, sideB[8], sideA[8]);
    for (int i = 1; i < 8; ++i) {
        TPoint fwdA, fwdB, backA, backB;
        ThickSegmentOffsets(q[i], q[i + 1], h, fwdA, fwdB);
        ThickSegmentOffsets(q[i], q[i - 1], h, backA, backB);
        sideA[i] = MeanPoint(fwdA, backB);
        sideB[i] = MeanPoint(fwdB, backA);
    }
    canvas.MoveTo(sideB[0].X, sideB[0].Y);
    for (const TPoint& p : sideA)
        canvas.LineTo(p.X, p.Y);
    for (int i = 8; i >= 0; --i)
        canvas.LineTo(sideB[i].X, sideB[i].Y);
}

void DrawThreePointArc(TCanvas& canvas, const TPoint& p0, const TPoint& p1, const TPoint& p2) {
    const int bulge = GetArcBulge(p0, p1, p2);
    const TArcInfo arc = ArcThroughMiddle(p0, p1, p2, bulge);
    if (DrawsAsArc(arc, bulge))
        DrawArcPolyline(canvas, arc);
    else
        DrawParabola(canvas, p0, p1, p2);
}

void AddThreePointArcFigure(TCanvas& canvas, const TPoint& p0, const TPoint& p1, const TPoint& p2) {
    const int bulge = GetArcBulge(p0, p1, p2);
    const TArcInfo arc = ArcThroughMiddle(p0, p1, p2, bulge);
    if (DrawsAsArc(arc, bulge))
        DrawThickArcOutline(canvas, arc);
    else
        DrawThickParabolaOutline(canvas, p0, p1, p2);
    canvas.CloseFigure();
}
