#include "pageobjects/engine/UCoonsDistortion.h"

#include "platform/Exception.h"
#include "platform/Filer.h"
#include "platform/Stream.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// Where a curve continues beyond one of its ends: the neighbouring side, and whether that side
// runs away from the shared corner (its point k is k steps from the corner) or toward it (its
// point count - 1 - k is).
struct TLink {
    int Side;
    bool FromEnd;
};
// [side][0 = before the first point, 1 = after the last point]
constexpr TLink kLinks[4][2] = {
    {{TCoonsDistortion::cdLeft, false}, {TCoonsDistortion::cdRight, false}}, // top
    {{TCoonsDistortion::cdTop, true}, {TCoonsDistortion::cdBottom, true}},   // right
    {{TCoonsDistortion::cdLeft, true}, {TCoonsDistortion::cdRight, true}},   // bottom
    {{TCoonsDistortion::cdTop, false}, {TCoonsDistortion::cdBottom, false}}, // left
};

bool ValidSide(int side) {
    return side >= 0 && side < 4;
}

// round(v) + offset, to nearest (halves to even), held inside the int range. rint rounds in the
// default mode without saving the floating-point environment, which nearbyint does at some cost
// per point.
int PlaceRounded(long double v, int offset) {
    const long double r = std::rint(v) + offset;
    if (!(r > INT_MIN))
        return INT_MIN;
    if (!(r < INT_MAX))
        return INT_MAX;
    return int(r);
}

// The stored form of a coordinate is the x87 80-bit extended value; where long double is that
// format the bytes are copied unchanged, so a stored distortion is written back bit for bit.
constexpr bool kLongDoubleIsExtended =
    std::numeric_limits<long double>::digits == 64 && std::numeric_limits<long double>::max_exponent == 16384;

void WriteExtended(TStream& stream, long double value) {
    uint8_t bytes[10];
    if constexpr (kLongDoubleIsExtended)
        std::memcpy(bytes, &value, 10);
    else
        DoubleToExtended(double(value), bytes);
    stream.WriteBuffer(bytes, 10);
}

long double ReadExtended(TStream& stream) {
    uint8_t bytes[10];
    stream.ReadBuffer(bytes, 10);
    if constexpr (kLongDoubleIsExtended) {
        long double value = 0;
        std::memcpy(&value, bytes, 10);
        return value;
    } else {
        return ExtendedToDouble(bytes);
    }
}

void WriteGuid(TStream& stream, const TGUID& g) {
    stream.WriteUInt32(g.D1);
    stream.WriteUInt16(g.D2);
    stream.WriteUInt16(g.D3);
    stream.WriteBuffer(g.D4.data(), 8);
}

TGUID ReadGuid(TStream& stream) {
    TGUID g;
    g.D1 = stream.ReadUInt32();
    g.D2 = stream.ReadUInt16();
    g.D3 = stream.ReadUInt16();
    stream.ReadBuffer(g.D4.data(), 8);
    return g;
}

TCoonsPoint Lerp(const TCoonsPoint& a, const TCoonsPoint& b, long double f) {
    return {a.X + (b.X - a.X) * f, a.Y + (b.Y - a.Y) * f};
}

TCoonsPoint Middle(const TCoonsPoint& a, const TCoonsPoint& b) {
    return {(a.X + b.X) / 2, (a.Y + b.Y) / 2};
}

} // namespace

TCoonsDistortion::TCoonsDistortion() : identity_(TGUID::Create()) {}

int TCoonsDistortion::GetCount(int side) const {
    return ValidSide(side) ? int(curves_[size_t(side)].Points.size()) : 0;
}

void TCoonsDistortion::SetCount(int side, int n) {
    if (!ValidSide(side) || n < 0 || n == GetCount(side))
        return;
    TCurve& c = curves_[size_t(side)];
    c.Points.resize(size_t(n));
    c.Params.assign(size_t(n), 0);
    c.Flags.assign(size_t(n), 0);
    dirty_ = true;
}

TCoonsPoint TCoonsDistortion::GetPoint(int side, int i) const {
    if (!ValidSide(side))
        return {};
    const int n = GetCount(side);
    if (i >= 0 && i < n)
        return curves_[size_t(side)].Points[size_t(i)];
    const bool atEnd = i >= 0;
    const int k = atEnd ? i - (n - 1) : -i;
    const TLink link = kLinks[side][atEnd ? 1 : 0];
    const int nn = GetCount(link.Side);
    if (nn == 0)
        return {};
    // One step into the neighbour is all the curves ever need; a step beyond it stays on it.
    const int j = std::clamp(link.FromEnd ? nn - 1 - k : k, 0, nn - 1);
    return curves_[size_t(link.Side)].Points[size_t(j)];
}

void TCoonsDistortion::SetPoint(int side, int i, const TCoonsPoint& p) {
    const int n = GetCount(side);
    if (i < 0 || i >= n)
        return;
    curves_[size_t(side)].Points[size_t(i)] = p;
    dirty_ = true;
    if (propagating_)
        return;
    propagating_ = true;
    for (int end = 0; end < 2; ++end) {
        if ((end == 0 && i != 0) || (end == 1 && i != n - 1))
            continue;
        const TLink link = kLinks[side][end];
        SetPoint(link.Side, link.FromEnd ? GetCount(link.Side) - 1 : 0, p);
    }
    propagating_ = false;
}

uint8_t TCoonsDistortion::GetFlag(int side, int i) const {
    if (i < 0 || i >= GetCount(side))
        return 0;
    return curves_[size_t(side)].Flags[size_t(i)];
}

void TCoonsDistortion::SetFlag(int side, int i, uint8_t value) {
    if (i < 0 || i >= GetCount(side))
        return;
    curves_[size_t(side)].Flags[size_t(i)] = value;
    dirty_ = true;
}

long double TCoonsDistortion::NeighbourDistance(int side, bool atStart, int k) const {
    const TLink link = kLinks[side][atStart ? 0 : 1];
    const int nn = GetCount(link.Side);
    if (nn < 2)
        return k;
    // Node places are even along a curve, so the distance from either end is the same share.
    return (long double)std::min(k, nn - 1) / (nn - 1);
}

long double TCoonsDistortion::NodePlace(int side, int k) const {
    const int n = GetCount(side);
    if (k <= 0)
        return k == 0 ? 0.0L : -NeighbourDistance(side, true, -k);
    if (k < n)
        return curves_[size_t(side)].Params[size_t(k - 1)];
    return 1.0L + NeighbourDistance(side, false, k - (n - 1));
}

long double TCoonsDistortion::GetParam(int side, int i) {
    if (!ValidSide(side))
        return 0;
    Prepare();
    return NodePlace(side, i + 1);
}

void TCoonsDistortion::Prepare() {
    if (!dirty_)
        return;
    for (TCurve& c : curves_) {
        const size_t n = c.Points.size();
        c.Params.assign(n, 0);
        if (n >= 2) {
            for (size_t i = 0; i + 2 < n; ++i)
                c.Params[i] = (long double)(i + 1) / (long double)(n - 1);
            c.Params[n - 2] = 1.0L;
        }
    }
    topLeft_ = GetPoint(cdTop, 0);
    topRight_ = GetPoint(cdRight, 0);
    bottomRight_ = GetPoint(cdBottom, GetCount(cdBottom) - 1);
    bottomLeft_ = GetPoint(cdLeft, GetCount(cdLeft) - 1);
    dirty_ = false;
}

TCoonsDistortion::TRectCache TCoonsDistortion::MakeCache(const TRect& r) {
    TRectCache c;
    c.Rect = r;
    c.Width = (long double)r.Right - r.Left;
    c.Height = (long double)r.Bottom - r.Top;
    c.RecipWidth = c.Width != 0 ? 1.0L / c.Width : 0.0L;
    c.RecipHeight = c.Height != 0 ? 1.0L / c.Height : 0.0L;
    return c;
}

void TCoonsDistortion::SetSourceRect(const TRect& r) {
    source_ = MakeCache(r);
    dirty_ = true;
}

void TCoonsDistortion::SetDestRect(const TRect& r) {
    dest_ = MakeCache(r);
    dirty_ = true;
}

bool TCoonsDistortion::IsEmpty() const {
    return std::all_of(curves_.begin(), curves_.end(), [](const TCurve& c) { return c.Points.empty(); });
}

bool TCoonsDistortion::IsActive() const {
    for (const TCurve& c : curves_)
        if (c.Points.size() < 2)
            return false;
    return dest_.Width != 0 && dest_.Height != 0 && source_.Width != 0 && source_.Height != 0;
}

void TCoonsDistortion::BlendCurves(int percent) {
    const long double r = percent / 100.0L;
    auto blend = [r](const TCoonsPoint& p, const TCoonsPoint& s) {
        return TCoonsPoint{s.X + (p.X - s.X) * r, s.Y + (p.Y - s.Y) * r};
    };
    auto share = [](int i, int n) { return n > 1 ? (long double)i / (n - 1) : 0.0L; };
    // Top and bottom move the corners too (through the shared-corner writes); right and left
    // then need only their inner points.
    for (int side : {cdTop, cdBottom}) {
        const int n = GetCount(side);
        const long double y = side == cdTop ? 0.0L : 1.0L;
        for (int i = 0; i < n; ++i)
            SetPoint(side, i, blend(GetPoint(side, i), {share(i, n), y}));
    }
    for (int side : {cdRight, cdLeft}) {
        const int n = GetCount(side);
        const long double x = side == cdRight ? 1.0L : 0.0L;
        for (int i = 1; i < n - 1; ++i)
            SetPoint(side, i, blend(GetPoint(side, i), {x, share(i, n)}));
    }
    dirty_ = true;
}

TCoonsPoint TCoonsDistortion::CurvePoint(int side, long double u) {
    const int n = GetCount(side);
    if (n == 0)
        return {};
    if (n == 1)
        return GetPoint(side, 0);
    Prepare();
    const TCurve& c = curves_[size_t(side)];
    // A two-point curve is a straight edge, whatever its flags say.
    if (n == 2)
        return Lerp(c.Points[0], c.Points[1], u);
    int i = 0;
    while (i < n - 2 && u > c.Params[size_t(i)])
        ++i;
    const long double p0 = NodePlace(side, i);
    const long double p1 = c.Params[size_t(i)];
    const int k = (p1 - u <= u - p0) ? i + 1 : i;
    if (c.Flags[size_t(k)] == 0) {
        if (p1 == p0)
            return Middle(c.Points[size_t(i)], c.Points[size_t(i + 1)]);
        return Lerp(c.Points[size_t(i)], c.Points[size_t(i + 1)], (u - p0) / (p1 - p0));
    }
    // A smooth node: a quadratic Bezier between the midpoints of its two segments.
    const TCoonsPoint before = GetPoint(side, k - 1);
    const TCoonsPoint node = c.Points[size_t(k)];
    const TCoonsPoint after = GetPoint(side, k + 1);
    const long double pb = NodePlace(side, k - 1);
    const long double pk = NodePlace(side, k);
    const long double pa = NodePlace(side, k + 1);
    if (pa == pb)
        return node;
    const TCoonsPoint m1 = Middle(before, node);
    const TCoonsPoint m2 = Middle(node, after);
    const long double s = (2 * u - pb - pk) / (pa - pb);
    const long double a = (1 - s) * (1 - s), b = 2 * s * (1 - s), d = s * s;
    return {a * m1.X + b * node.X + d * m2.X, a * m1.Y + b * node.Y + d * m2.Y};
}

void TCoonsDistortion::TransformPoint(TPoint& p) {
    if (!IsActive())
        return;
    Prepare();
    const long double u = ((long double)p.X - source_.Rect.Left) * source_.RecipWidth;
    const long double v = ((long double)p.Y - source_.Rect.Top) * source_.RecipHeight;
    const TCoonsPoint t = CurvePoint(cdTop, u);
    const TCoonsPoint b = CurvePoint(cdBottom, u);
    const TCoonsPoint l = CurvePoint(cdLeft, v);
    const TCoonsPoint r = CurvePoint(cdRight, v);
    auto patch = [&](long double TCoonsPoint::*axis) {
        const long double ruled = (1 - v) * (t.*axis) + v * (b.*axis) + (1 - u) * (l.*axis) + u * (r.*axis);
        const long double corners = (1 - u) * (1 - v) * (topLeft_.*axis) + u * (1 - v) * (topRight_.*axis) +
                                    u * v * (bottomRight_.*axis) + (1 - u) * v * (bottomLeft_.*axis);
        return ruled - corners;
    };
    const long double x = patch(&TCoonsPoint::X);
    const long double y = patch(&TCoonsPoint::Y);
    p.X = PlaceRounded(x * dest_.Width, dest_.Rect.Left);
    p.Y = PlaceRounded(y * dest_.Height, dest_.Rect.Top);
}

void TCoonsDistortion::Assign(const TPersistent* source) {
    if (const auto* other = dynamic_cast<const TCoonsDistortion*>(source)) {
        identity_ = other->identity_;
        curves_ = other->curves_;
        source_ = other->source_;
        dest_ = other->dest_;
        dirty_ = other->dirty_;
        topLeft_ = other->topLeft_;
        topRight_ = other->topRight_;
        bottomRight_ = other->bottomRight_;
        bottomLeft_ = other->bottomLeft_;
        return;
    }
    TTransformer::Assign(source);
}

void TCoonsDistortion::DefineProperties(TFiler& filer) {
    TTransformer::DefineProperties(filer);
    filer.DefineBinaryProperty(
        QStringLiteral("Data"), [this](TStream& s) { ReadData(s); }, [this](TStream& s) { WriteData(s); },
        true);
}

void TCoonsDistortion::WriteData(TStream& stream) const {
    WriteGuid(stream, identity_);
    for (const TCurve& c : curves_)
        stream.WriteInt32(int32_t(c.Points.size()));
    for (const TCurve& c : curves_) {
        for (const TCoonsPoint& p : c.Points) {
            WriteExtended(stream, p.X);
            WriteExtended(stream, p.Y);
        }
    }
    for (const TCurve& c : curves_)
        stream.WriteBuffer(c.Flags.data(), int64_t(c.Flags.size()));
}

void TCoonsDistortion::ReadData(TStream& stream) {
    const TGUID identity = ReadGuid(stream);
    std::array<int32_t, 4> counts{};
    int64_t total = 0;
    for (int32_t& n : counts) {
        n = stream.ReadInt32();
        if (n < 0)
            throw EReadError(QStringLiteral("Distortion data holds a negative point count"));
        total += n;
    }
    // 20 bytes of coordinates and one flag byte a point: no count may claim more than is there.
    if (total > stream.Remaining() / 21)
        throw EReadError(QStringLiteral("Distortion data is shorter than its point counts"));
    std::array<TCurve, 4> curves;
    for (size_t side = 0; side < 4; ++side) {
        curves[side].Points.resize(size_t(counts[side]));
        for (TCoonsPoint& p : curves[side].Points) {
            p.X = ReadExtended(stream);
            p.Y = ReadExtended(stream);
        }
    }
    for (size_t side = 0; side < 4; ++side) {
        curves[side].Flags.resize(size_t(counts[side]));
        stream.ReadBuffer(curves[side].Flags.data(), counts[side]);
        curves[side].Params.assign(size_t(counts[side]), 0);
    }
    identity_ = identity;
    curves_ = std::move(curves);
    dirty_ = true;
}
