#include "papers/faces/UFaceInfo.h"

#include "core/UGeometryUtil.h"
#include "pageobjects/engine/UArcGeometry.h"
#include "platform/Canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// Half the length of each arm of the centre cross.
constexpr int kCrossArm = 50;

// Nearest integer, halves to the even one.
int RoundEven(double value) {
    return int(std::nearbyint(value));
}

// Grows r by d on every side (shrinks for negative d) without overflowing.
TRect Grown(const TRect& r, int d) {
    return TRect(ClampToInt32(int64_t(r.Left) - d), ClampToInt32(int64_t(r.Top) - d),
                 ClampToInt32(int64_t(r.Right) + d), ClampToInt32(int64_t(r.Bottom) + d));
}

TRect Moved(const TRect& r, const TPoint& d) {
    return TRect(ClampToInt32(int64_t(r.Left) + d.X), ClampToInt32(int64_t(r.Top) + d.Y),
                 ClampToInt32(int64_t(r.Right) + d.X), ClampToInt32(int64_t(r.Bottom) + d.Y));
}

// The points of the three-point arc from a through m to b, in that order, with its ends set
// exactly to a and b.
std::vector<TPoint> ArcPoints(const TPoint& a, const TPoint& m, const TPoint& b) {
    TCanvas recorder;
    recorder.BeginPath();
    DrawThreePointArc(recorder, a, m, b);
    recorder.EndPath();
    std::vector<TPoint> points;
    std::vector<uint8_t> types;
    recorder.GetPath(points, types);
    if (points.size() < 2)
        return {a, b};
    auto distance = [](const TPoint& p, const TPoint& q) {
        return std::abs(int64_t(p.X) - q.X) + std::abs(int64_t(p.Y) - q.Y);
    };
    if (distance(points.front(), b) < distance(points.front(), a))
        std::reverse(points.begin(), points.end());
    points.front() = a;
    points.back() = b;
    return points;
}

// The region of the pixels whose centres a fill of the path covers: with the shapes drawn one
// unit larger to the right and bottom, a shape on r covers exactly the pixels inside r.
QRegion ShapeRegion(TFaceShape shape, const TRect& r, int cornerWidth, int cornerHeight) {
    if (r.IsEmpty())
        return QRegion();
    if (shape == fsRect || int(shape) < 0 || int(shape) >= kFaceShapeCount)
        return QRegion(r.ToQRect());
    TCanvas scratch;
    scratch.BeginPath();
    switch (shape) {
    case fsDoughnut:
    case fsEllipse:
        scratch.Ellipse(r.Left, r.Top, r.Right + 1, r.Bottom + 1);
        break;
    case fsRoundRect:
    case fsRectCD:
        scratch.RoundRect(r.Left, r.Top, r.Right + 1, r.Bottom + 1, cornerWidth, cornerHeight);
        break;
    default:
        scratch.Polygon(GetBarrelPoints(r));
        break;
    }
    scratch.EndPath();
    return scratch.PathToRegion();
}

TFaceShape HoleAsFaceShape(TCenterShape shape) {
    return shape == csBarrel ? fsBarrelCD : fsEllipse;
}

void DrawBarrel(TCanvas& canvas, const TRect& r) {
    const std::vector<TPoint> points = GetBarrelPoints(r);
    if (points.empty())
        return;
    canvas.BeginPath();
    canvas.Polygon(points);
    canvas.EndPath();
    canvas.StrokeAndFillPath();
}

} // namespace

const QStringList& FaceShapeIdents() {
    static const QStringList idents{"fsRect",      "fsDoughnut", "fsEllipse",
                                    "fsRoundRect", "fsRectCD",   "fsBarrelCD"};
    return idents;
}

const QStringList& CenterShapeIdents() {
    static const QStringList idents{"csEllipse", "csBarrel"};
    return idents;
}

std::vector<TPoint> GetBarrelPoints(const TRect& r) {
    if (r.IsEmpty())
        return {};
    const double w = double(r.Right) - r.Left;
    const double h = double(r.Bottom) - r.Top;
    const double cx = (double(r.Left) + r.Right) / 2;
    const double cy = (double(r.Top) + r.Bottom) / 2;
    const double d = std::sqrt(std::abs((h / 2) * (h / 2) - (w / 2) * (w / 2)));
    std::vector<TPoint> first;
    std::vector<TPoint> second;
    if (h >= w) {
        const int y1 = RoundEven(cy - d);
        const int y2 = RoundEven(cy + d);
        const int mx = RoundEven(cx);
        first = ArcPoints(TPoint(r.Left, y1), TPoint(mx, r.Top), TPoint(r.Right, y1));
        second = ArcPoints(TPoint(r.Right, y2), TPoint(mx, r.Bottom), TPoint(r.Left, y2));
    } else {
        const int x1 = RoundEven(cx - d);
        const int x2 = RoundEven(cx + d);
        const int my = RoundEven(cy);
        first = ArcPoints(TPoint(x1, r.Bottom), TPoint(r.Left, my), TPoint(x1, r.Top));
        second = ArcPoints(TPoint(x2, r.Top), TPoint(r.Right, my), TPoint(x2, r.Bottom));
    }
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

void TFaceInfo::Assign(const TPersistent* source) {
    if (auto* face = dynamic_cast<const TFaceInfo*>(source)) {
        Rect = face->Rect;
        CutCenterWidth = face->CutCenterWidth;
        CutCenterHeight = face->CutCenterHeight;
        FaceShape = face->FaceShape;
        FacePurpose = face->FacePurpose;
        FaceMargin = face->FaceMargin;
        CenterShape = face->CenterShape;
        RoundSize = face->RoundSize;
        return;
    }
    TPersistent::Assign(source);
}

bool TFaceInfo::HasCenterHole() const {
    return FaceShape == fsDoughnut || FaceShape == fsRectCD || FaceShape == fsBarrelCD;
}

bool TFaceInfo::HasRoundCorner() const {
    return FaceShape == fsRoundRect || FaceShape == fsRectCD;
}

TRect TFaceInfo::GetOuterRect() const {
    return Grown(Rect, FaceMargin);
}

TRect TFaceInfo::GetHoleRect() const {
    const int64_t left = int64_t(Rect.Left) + (int64_t(Rect.Right) - Rect.Left - CutCenterWidth) / 2;
    const int64_t top = int64_t(Rect.Top) + (int64_t(Rect.Bottom) - Rect.Top - CutCenterHeight) / 2;
    return TRect(ClampToInt32(left), ClampToInt32(top), ClampToInt32(left + CutCenterWidth),
                 ClampToInt32(top + CutCenterHeight));
}

TRect TFaceInfo::GetPrintHoleRect() const {
    return Grown(GetHoleRect(), -FaceMargin);
}

void TFaceInfo::SetOuterRect(const TRect& r) {
    Rect = Grown(r, -FaceMargin);
}

void TFaceInfo::SetCutCenterSize(int size) {
    CutCenterWidth = size;
    CutCenterHeight = size;
}

void TFaceInfo::DrawFaceShape(TCanvas& canvas, const TRect& r) const {
    switch (FaceShape) {
    case fsRect:
        canvas.Rectangle(r);
        break;
    case fsDoughnut:
    case fsEllipse:
        canvas.Ellipse(r);
        break;
    case fsRoundRect:
    case fsRectCD:
        canvas.RoundRect(r.Left, r.Top, r.Right, r.Bottom, RoundSize, RoundSize);
        break;
    case fsBarrelCD:
        DrawBarrel(canvas, r);
        break;
    }
}

void TFaceInfo::DrawHoleShape(TCanvas& canvas, const TRect& r) const {
    if (CenterShape == csBarrel)
        DrawBarrel(canvas, r);
    else if (CenterShape == csEllipse)
        canvas.Ellipse(r);
}

void TFaceInfo::DrawOutline(TCanvas& canvas, bool relative, bool withCross) const {
    TRect outer = GetOuterRect();
    TRect hole = GetPrintHoleRect();
    if (relative) {
        const TPoint back(-outer.Left, -outer.Top);
        outer = Moved(outer, back);
        hole = Moved(hole, back);
    }
    DrawFaceShape(canvas, outer);
    TRect last = outer;
    if (HasCenterHole()) {
        DrawHoleShape(canvas, hole);
        last = hole;
    }
    if (withCross) {
        const TPoint c = RectCenter(last);
        canvas.MoveTo(c.X, c.Y - kCrossArm);
        canvas.LineTo(c.X, c.Y + kCrossArm);
        canvas.MoveTo(c.X - kCrossArm, c.Y);
        canvas.LineTo(c.X + kCrossArm, c.Y);
    }
}

void TFaceInfo::DrawInnerOutline(TCanvas& canvas, bool relative) const {
    if (FaceMargin == 0)
        return;
    TRect cut = Rect;
    TRect hole = GetHoleRect();
    if (relative) {
        const TRect outer = GetOuterRect();
        const TPoint back(-outer.Left, -outer.Top);
        cut = Moved(cut, back);
        hole = Moved(hole, back);
    }
    DrawFaceShape(canvas, cut);
    if (HasCenterHole())
        DrawHoleShape(canvas, hole);
}

void TFaceInfo::DrawCenterHole(TCanvas& canvas, bool relative) const {
    if (!HasCenterHole())
        return;
    TRect hole = GetPrintHoleRect();
    if (relative)
        hole = Moved(hole, TPoint(-hole.Left, -hole.Top));
    DrawHoleShape(canvas, hole);
}

QRegion TFaceInfo::CreateRegion(TCanvas* canvas, bool withHole) const {
    TRect outer = GetOuterRect();
    TRect hole = GetPrintHoleRect();
    int cornerWidth = RoundSize;
    int cornerHeight = RoundSize;
    if (canvas != nullptr) {
        outer = NormalizeRect(canvas->LPtoDP(outer));
        hole = NormalizeRect(canvas->LPtoDP(hole));
        const TPoint zero = canvas->LPtoDP(TPoint(0, 0));
        const TPoint corner = canvas->LPtoDP(TPoint(RoundSize, RoundSize));
        cornerWidth = corner.X - zero.X;
        cornerHeight = corner.Y - zero.Y;
    }
    QRegion region = ShapeRegion(FaceShape, outer, cornerWidth, cornerHeight);
    if (withHole && HasCenterHole())
        region -= ShapeRegion(HoleAsFaceShape(CenterShape), hole, 0, 0);
    return region;
}

QRegion TFaceInfo::CreateRegion(TCanvas& canvas, bool withHole, const TPoint& offset) const {
    TFaceInfo moved;
    moved.Assign(this);
    moved.Rect = Moved(Rect, offset);
    return moved.CreateRegion(&canvas, withHole);
}

QString TFaceInfo::GetShapeNames() {
    return QStringLiteral("角ラベル,CDラベル,丸ラベル,角丸ラベル,名刺CDラベル,樽CDラベル");
}

void TFaceInfo::SetLegacyFaceType(int faceType) {
    switch (faceType) {
    case 0:
        FaceShape = fsRect;
        FacePurpose.clear();
        break;
    case 1:
        FaceShape = fsDoughnut;
        FacePurpose = QStringLiteral("CD");
        break;
    case 2:
        FaceShape = fsRect;
        FacePurpose = QStringLiteral("CDCover");
        break;
    case 3:
        FaceShape = fsRect;
        FacePurpose = QStringLiteral("CDCaseTray");
        break;
    case 4:
    case 5:
        FaceShape = fsRect;
        FacePurpose = QStringLiteral("MOSquare");
        break;
    case 6:
        FaceShape = fsEllipse;
        FacePurpose.clear();
        break;
    case 7:
        FaceShape = fsRoundRect;
        FacePurpose.clear();
        break;
    default:
        break;
    }
}
