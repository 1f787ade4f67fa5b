#include "imaging/URotateBitmap.h"

#include "imaging/USafetyBitmap.h"
#include "platform/Bitmap.h"
#include "platform/Exception.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

struct Edge {
    long double x = 0, u = 0, v = 0, dx = 0, du = 0, dv = 0;

    // Sets up the edge from a to b at the centre of scanline y.
    void Start(const TScanVertex& a, const TScanVertex& b, int y) {
        const long double dy = b.Y - a.Y;
        const long double d = std::fabs(dy) < 1e-5L ? 1.0L : 1.0L / dy;
        const long double f = y + 0.5L - a.Y;
        dx = (b.X - a.X) * d;
        du = (b.U - a.U) * d;
        dv = (b.V - a.V) * d;
        x = a.X + dx * f;
        u = a.U + du * f;
        v = a.V + dv * f;
    }
    void Step() {
        x += dx;
        u += du;
        v += dv;
    }
};

int64_t Fixed(long double value) {
    // Far outside any source the value only needs to stay far outside.
    const long double limit = 4.0e18L;
    return int64_t(std::clamp(value * 65536.0L, -limit, limit));
}

void AddSpan(std::vector<TScanSpan>& spans, int y, const Edge* left, const Edge* right, int width,
             int sourceWidth) {
    if (left->x > right->x)
        std::swap(left, right);
    const long double lx = std::ceil(left->x - 0.5L), rx = std::floor(right->x - 0.5L);
    if (lx > width - 1 || rx < 0 || lx > rx)
        return;
    TScanSpan span;
    span.Y = y;
    span.X0 = int(std::max(lx, 0.0L));
    span.X1 = int(std::min(rx, (long double)(width - 1)));
    const long double wide = right->x - left->x;
    const long double rec = std::fabs(wide) < 1e-5L ? 1.0L : 1.0L / wide;
    const long double du = (right->u - left->u) * rec, dv = (right->v - left->v) * rec;
    const long double f = span.X0 + 0.5L - left->x;
    span.U = Fixed(left->u + du * f);
    span.V = Fixed(left->v + dv * f);
    span.DU = Fixed(du);
    span.DV = Fixed(dv);
    span.U = std::clamp<int64_t>(span.U, 0, int64_t(sourceWidth) * 65536 - 1);
    spans.push_back(span);
}

template <int C>
void CopySpan(uint8_t* __restrict out, const TPixelView& source, const TScanSpan& s) {
    const int64_t maxU = int64_t(source.Width - 1), maxV = int64_t(source.Height - 1);
    int64_t u = s.U, v = s.V;
    for (int x = s.X0; x <= s.X1; ++x, u += s.DU, v += s.DV) {
        // Once clamped at 0, flooring and truncating agree.
        const int64_t col = std::clamp<int64_t>(u >> 16, 0, maxU);
        const int64_t row = std::clamp<int64_t>(v >> 16, 0, maxV);
        std::memcpy(out + size_t(x) * C, source.Row(int(row)) + col * C, C);
    }
}

} // namespace

std::vector<TScanSpan> ScanConvexPolygon(const std::vector<TScanVertex>& vertices, int width, int height,
                                         int sourceWidth) {
    std::vector<TScanSpan> spans;
    const int n = int(vertices.size());
    if (n < 3 || width < 1 || height < 1 || sourceWidth < 1)
        return spans;
    // Positions far beyond any bitmap (or not numbers at all) cannot be scanned in int rows.
    for (const TScanVertex& v : vertices)
        if (!(std::fabs(v.X) < 1.0e9L) || !(std::fabs(v.Y) < 1.0e9L))
            return spans;
    int top = 0;
    for (int i = 1; i < n; ++i)
        if (vertices[i].Y < vertices[top].Y)
            top = i;
    const long double startY = std::ceil(vertices[top].Y - 0.5L);
    if (startY > height)
        return spans;
    int y = int(startY);
    int li = top, ri = top, remaining = n;
    long long ly = y - 1, ry = y - 1;
    Edge left, right;
    while (remaining > 0) {
        while (ly <= y && remaining > 0) {
            --remaining;
            const int i = li - 1 < 0 ? n - 1 : li - 1;
            left.Start(vertices[li], vertices[i], y);
            ly = (long long)std::floor(vertices[i].Y + 0.5L);
            li = i;
        }
        while (ry <= y && remaining > 0) {
            --remaining;
            const int i = ri + 1 >= n ? 0 : ri + 1;
            right.Start(vertices[ri], vertices[i], y);
            ry = (long long)std::floor(vertices[i].Y + 0.5L);
            ri = i;
        }
        while (y < ly && y < ry) {
            if (y >= 0 && y <= height - 1)
                AddSpan(spans, y, &left, &right, width, sourceWidth);
            if (y >= height)
                return spans; // every later scanline lies below the window
            ++y;
            left.Step();
            right.Step();
        }
    }
    return spans;
}

namespace Reference {

void MapSpans(const TPixelView& dest, const TPixelView& source, const std::vector<TScanSpan>& spans) {
    const int c = source.BytesPerPixel;
    for (const TScanSpan& s : spans) {
        int64_t u = s.U, v = s.V;
        for (int x = s.X0; x <= s.X1; ++x) {
            const int64_t col = std::clamp<int64_t>(u / 65536, 0, source.Width - 1);
            const int64_t row = std::clamp<int64_t>(v / 65536, 0, source.Height - 1);
            for (int b = 0; b < c; ++b)
                dest.Row(s.Y)[x * c + b] = source.Row(int(row))[col * c + b];
            u += s.DU;
            v += s.DV;
        }
    }
}

} // namespace Reference

void MapSpans(const TPixelView& dest, const TPixelView& source, const std::vector<TScanSpan>& spans) {
    ParallelBands(int(spans.size()), std::max(1, 16384 / std::max(1, dest.Width)), [&](int begin, int end) {
        for (int i = begin; i < end; ++i) {
            const TScanSpan& s = spans[size_t(i)];
            uint8_t* out = dest.Row(s.Y);
            switch (source.BytesPerPixel) {
            case 1:
                CopySpan<1>(out, source, s);
                break;
            case 2:
                CopySpan<2>(out, source, s);
                break;
            case 3:
                CopySpan<3>(out, source, s);
                break;
            default:
                CopySpan<4>(out, source, s);
                break;
            }
        }
    });
}

namespace {

void FillBackground(TBitmap& dest, TColor color) {
    const TPixelView view = PixelViewOf(dest);
    if (view.Empty())
        return;
    const TColor rgb = ColorToRGB(color);
    uint8_t pixel[4] = {uint8_t(GetBValue(rgb)), uint8_t(GetGValue(rgb)), uint8_t(GetRValue(rgb)), 0};
    if (view.BytesPerPixel == 1) {
        // The palette entry nearest the colour, as a solid brush on an indexed bitmap gives.
        const std::vector<TRGBQuad> table = dest.ColorTable();
        int best = 0;
        int64_t bestDistance = std::numeric_limits<int64_t>::max();
        for (size_t i = 0; i < table.size(); ++i) {
            const TColor entry = RGBQuadToColor(table[i]);
            const int64_t dr = GetRValue(entry) - GetRValue(rgb), dg = GetGValue(entry) - GetGValue(rgb),
                          db = GetBValue(entry) - GetBValue(rgb);
            const int64_t distance = dr * dr + dg * dg + db * db;
            if (distance < bestDistance)
                bestDistance = distance, best = int(i);
        }
        pixel[0] = uint8_t(best);
    }
    // One row by pixels, the others copied from it.
    uint8_t* first = view.Row(0);
    for (int x = 0; x < view.Width; ++x)
        std::memcpy(first + size_t(x) * view.BytesPerPixel, pixel, size_t(view.BytesPerPixel));
    const size_t bytes = size_t(view.Width) * view.BytesPerPixel;
    ParallelBands(view.Height - 1, std::max(1, int(262144 / std::max<size_t>(1, bytes))),
                  [&](int begin, int end) {
                      for (int y = begin + 1; y < end + 1; ++y)
                          std::memcpy(view.Row(y), first, bytes);
                  });
}

} // namespace

void MapBitmapToQuad(TBitmap* dest, TRect& bounds, const TPoint (&p)[4], TBitmap* source,
                     const TRect& sourceRect, TColor backColor) {
    if (!dest || !source)
        return;
    const TPixelFormat format = source->PixelFormat();
    if (format != pf8bit && format != pf24bit && format != pf32bit)
        return;
    if (source->Width() > 32767 || source->Height() > 32767)
        throw EInvalidGraphic(
            QStringLiteral("A bitmap of %1 x %2 pixels is too large to turn (32767 pixels a side "
                           "at most)")
                .arg(source->Width())
                .arg(source->Height()));
    int64_t left = p[0].X, right = p[0].X, top = p[0].Y, bottom = p[0].Y;
    for (const TPoint& q : p) {
        left = std::min<int64_t>(left, q.X), right = std::max<int64_t>(right, q.X);
        top = std::min<int64_t>(top, q.Y), bottom = std::max<int64_t>(bottom, q.Y);
    }
    if (right - left > PixelBuffer::kMaxDimension || bottom - top > PixelBuffer::kMaxDimension)
        throw EInvalidGraphic(
            QStringLiteral("The turned picture would be %1 x %2 pixels, too large for a bitmap")
                .arg(right - left)
                .arg(bottom - top));
    bounds = TRect(int(left), int(top), int(right), int(bottom));
    // Work from a copy when the picture is turned into itself.
    TBitmap copy;
    TBitmap* from = source;
    if (source == dest) {
        copy.Assign(*source);
        from = &copy;
    }
    if (dest->PixelFormat() != format)
        dest->SetPixelFormat(format);
    if (format == pf8bit)
        dest->SetColorTable(from->ColorTable());
    dest->SetSize(int(right - left), int(bottom - top));
    FillBackground(*dest, backColor);
    if (from->Width() < 1 || from->Height() < 1 || dest->Width() < 1 || dest->Height() < 1) {
        dest->Changed();
        return;
    }
    const TPoint corners[4] = {sourceRect.TopLeft(), TPoint(sourceRect.Right, sourceRect.Top),
                               sourceRect.BottomRight(), TPoint(sourceRect.Left, sourceRect.Bottom)};
    std::vector<TScanVertex> vertices(4);
    for (int k = 0; k < 4; ++k)
        vertices[size_t(k)] = TScanVertex{(long double)(p[k].X - left), (long double)(p[k].Y - top),
                                          (long double)corners[k].X, (long double)corners[k].Y};
    const std::vector<TScanSpan> spans =
        ScanConvexPolygon(vertices, dest->Width(), dest->Height(), from->Width());
    const TPixelView in = ReadPixelViewOf(*from);
    MapSpans(PixelViewOf(*dest), in, spans);
    dest->Changed();
}

TPoint RotatePoint(const TPoint& p, const TPoint& centre, int angle) {
    const long double radians = (long double)angle * 3.141592653589793238462643383279502884L / 180.0L;
    const long double c = std::cos(radians), s = std::sin(radians);
    const long double dx = p.X - centre.X, dy = p.Y - centre.Y;
    return TPoint(int(std::llround(dx * c - dy * s)) + centre.X,
                  int(std::llround(dx * s + dy * c)) + centre.Y);
}

void RotateBitmap(TBitmap* source, TBitmap* dest, int angle, TColor backColor, const TPoint& size) {
    if (!source || !dest)
        return;
    const TPoint origin(0, 0);
    const TPoint p[4] = {
        RotatePoint(TPoint(0, 0), origin, angle), RotatePoint(TPoint(size.X, 0), origin, angle),
        RotatePoint(TPoint(size.X, size.Y), origin, angle), RotatePoint(TPoint(0, size.Y), origin, angle)};
    TRect bounds;
    MapBitmapToQuad(dest, bounds, p, source, TRect(0, 0, source->Width(), source->Height()), backColor);
}

void RotateSafetyBitmap(TSafetyBitmap* source, TSafetyBitmap* dest, int angle, const TPoint& size) {
    if (!source || !dest)
        return;
    if (!source->Transparent()) {
        RotateBitmap(source, dest, angle, clWhite, size);
        return;
    }
    TBitmap mask;
    source->GetMask(mask);
    const TColor transparentColor = source->TransparentColor();
    RotateBitmap(source, dest, angle, clWhite, size);
    mask.SetPixelFormat(pf24bit);
    TBitmap turnedMask;
    RotateBitmap(&mask, &turnedMask, angle, clWhite, size);
    dest->SetTransparentColor(transparentColor);
    dest->SetTransparent(true);
    dest->SetMask(turnedMask);
}
