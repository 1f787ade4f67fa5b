#pragma once
// Curved lines and bent text are described by three points (start, a point on the curve, end),
// or by the chord from start to end and a signed bulge: the distance of the curve's middle from
// the chord's midpoint. These stateless routines turn such a description into a circular arc,
// measure bulges and bounds, and draw the curve: as a circular arc when the bend is clear and
// the circle not huge, else as a parabola through the three points; thick curves can be
// outlined as closed figures for filling.
//
// Logical units with y growing downwards; angles are radians of atan2(dy, dx) in that system,
// so they grow clockwise on the page (0 right, pi/2 down, pi left, 3pi/2 up).

#include "platform/Rect.h"

class TCanvas;

struct TArcInfo {
    TPoint Centre;
    int32_t Radius = 0;
    // Both in [0, 2pi). The arc runs from StartAngle with increasing angle to EndAngle; when
    // EndAngle < StartAngle it passes angle 0.
    long double StartAngle = 0;
    long double EndAngle = 0;
};

// Bulges are held to this where a point is built from them.
constexpr int kMaxBulge = 4000;
// A curve is drawn as a circular arc only with at least this bulge and a smaller radius.
constexpr int kMinArcBulge = 21;
constexpr int kMaxArcRadius = 8000;

// (RoundHalfAwayFromZero(cos(angle) x radius) + Centre.x, likewise sin for y).
void PointOnArc(const TArcInfo& arc, long double angle, long double radius, TPoint& p);
// The circle through three points; for collinear points the centre is their integer mean and
// the radius its distance to p2.
long double CircleThrough3Points(TPoint& c, const TPoint& p1, const TPoint& p2, const TPoint& p3);
// The arc from p1 through p2 to p3 when the three run clockwise on the page (and its complement
// otherwise): centre and radius of the circle and the angles of p1 and p3. A radius below 1
// gives Radius 0 and both angles 0.
void MakeArcFromThreePoints(TArcInfo& arc, const TPoint& p1, const TPoint& p2, const TPoint& p3);
// The arc's start, middle and end points.
void GetArcPoints(TPoint& startP, TPoint& midP, TPoint& endP, const TArcInfo& arc);
// The bounds of the arc, (min x, min y, max x, max y): the end points and every extreme point
// of the circle that the arc passes.
void GetArcBounds(const TArcInfo& arc, TRect& r);

// 1 when C lies to the side of A->B where the page's cross product (B - A) x (C - A) is negative,
// -1 on the other side, 0 on the line.
int PointOrientation(const TPoint& a, const TPoint& b, const TPoint& c);
// The point at the given bulge (held to +-4000) from the chord's midpoint, perpendicular to the
// chord; p0 itself for a chord shorter than 0.1.
void GetBulgePoint(const TPoint& p0, const TPoint& p2, int bulge, TPoint& q);
// The signed bulge of the curve through p1: positive when p1 lies above a left-to-right chord on
// the page; 0 for collinear points. More than half the chord for more than a half circle.
int GetArcBulge(const TPoint& p0, const TPoint& p1, const TPoint& p2);
// The arc from p0 to p2 with the given bulge, running with increasing angle. False when the chord
// is too short (below 0.9) for an arc: the record is then filled but must not be drawn.
bool GetBulgeArc(TArcInfo& arc, const TPoint& p0, const TPoint& p2, int bulge);

// A polyline along the arc in steps of 2 degrees, with the canvas's pen.
void DrawArcPolyline(TCanvas& canvas, const TArcInfo& arc);
// The parabola through the three points (p1 at its middle), in 8 segments.
void DrawParabola(TCanvas& canvas, const TPoint& p0, const TPoint& p1, const TPoint& p2);
// The outline of the arc drawn with the pen's width, as a figure for filling.
void DrawThickArcOutline(TCanvas& canvas, const TArcInfo& arc);
void DrawThickParabolaOutline(TCanvas& canvas, const TPoint& p0, const TPoint& p1, const TPoint& p2);
// What objects call: a circular arc through the three points when the bulge is at least 21
// and the radius below 8000, else the parabola.
void DrawThreePointArc(TCanvas& canvas, const TPoint& p0, const TPoint& p1, const TPoint& p2);
// The same choice for a thick curve: its outline as a closed figure of the canvas's path (called
// between BeginPath and EndPath).
void AddThreePointArcFigure(TCanvas& canvas, const TPoint& p0, const TPoint& p1, const TPoint& p2);
