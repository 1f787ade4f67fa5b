#include "imaging/UGRBlender.h"

#include "imaging/PixelKernel.h"
#include "imaging/UImageUtil.h"
#include "platform/Bitmap.h"

#include <algorithm>
#include <cstring>

namespace {

struct DeltaTable {
    uint8_t cells[256][511];
};

constexpr DeltaTable MakeDeltaTable() {
    DeltaTable table{};
    for (int a = 0; a < 256; ++a)
        for (int d = -255; d <= 255; ++d)
            table.cells[a][d + 255] = uint8_t((d * a) / 255); // two's complement of the truncated value
    return table;
}

// Worked out by the compiler: the table exists before any code runs and never changes.
constexpr DeltaTable deltaTable = MakeDeltaTable();

bool IsBlendFormat(const TBitmap* bitmap) {
    return bitmap && (bitmap->PixelFormat() == pf24bit || bitmap->PixelFormat() == pf32bit);
}

TRect BoundsOf(const TBitmap& bitmap) {
    return TRect(0, 0, bitmap.Width(), bitmap.Height());
}

TPixelView SubView(const TPixelView& view, const TRect& r) {
    TPixelView sub = view;
    sub.Bits = view.Row(r.Top) + size_t(r.Left) * view.BytesPerPixel;
    sub.Width = r.Width();
    sub.Height = r.Height();
    return sub;
}

// The table's cell for a weight and a difference, as arithmetic: for |d| x a = p (0..65025),
// p div 255 is (p + 1 + (p >> 8)) >> 8, checked against the table for every cell by the tests.
inline uint8_t Mix(uint8_t dest, uint8_t src, uint32_t a) {
    const int32_t d = int32_t(src) - int32_t(dest);
    const uint32_t p = uint32_t(d < 0 ? -d : d) * a;
    const int32_t q = int32_t((p + 1 + (p >> 8)) >> 8);
    return uint8_t(dest + (d < 0 ? -q : q));
}

template <int C>
void BlendRow(uint8_t* __restrict out, const uint8_t* __restrict in, const uint8_t* __restrict alpha,
              int width, const uint8_t (&weights)[256]) {
    for (int x = 0; x < width; ++x) {
        const uint32_t a = weights[alpha[x]];
        uint8_t* o = out + x * C;
        const uint8_t* s = in + x * C;
        if (a == 0)
            continue;
        if (a == 255) {
            o[0] = s[0], o[1] = s[1], o[2] = s[2];
            continue;
        }
        o[0] = Mix(o[0], s[0], a);
        o[1] = Mix(o[1], s[1], a);
        o[2] = Mix(o[2], s[2], a);
    }
}

} // namespace

const uint8_t (&BlendDeltaTable)[256][511] = deltaTable.cells;

void BlendWeights(int32_t ratio, uint8_t (&weights)[256]) {
    ratio = std::clamp(ratio, 0, 100);
    for (int a = 0; a < 256; ++a)
        weights[a] = uint8_t(std::min((a * ratio + 50) / 100, 255)); // MulDiv rounds halves up here
}

namespace Reference {

void BlendAlphaPixels(const TPixelView& dest, const TPixelView& source, const TPixelView& alpha,
                      const uint8_t (&weights)[256]) {
    const uint8_t* rows[256];
    for (int a = 0; a < 256; ++a)
        rows[a] = &BlendDeltaTable[weights[a]][0];
    for (int y = 0; y < dest.Height; ++y) {
        const uint8_t* a = alpha.Row(y);
        const uint8_t* s = source.Row(y);
        uint8_t* d = dest.Row(y);
        for (int x = 0; x < dest.Width; ++x) {
            const uint8_t* row = rows[a[x]];
            for (int c = 0; c < 3; ++c) {
                uint8_t& out = d[x * dest.BytesPerPixel + c];
                out = uint8_t(out + row[s[x * source.BytesPerPixel + c] - out + 255]);
            }
        }
    }
}

} // namespace Reference

bool BlendAlphaPixels(const TPixelView& dest, const TPixelView& source, const TPixelView& alpha,
                      const uint8_t (&weights)[256]) {
    // Views this blend cannot read or write whole are left alone rather than overrun.
    auto pixelSize = [](const TPixelView& v) { return v.BytesPerPixel == 3 || v.BytesPerPixel == 4; };
    if (dest.Empty() || !pixelSize(dest) || !pixelSize(source) || alpha.BytesPerPixel != 1 ||
        source.Width < dest.Width || source.Height < dest.Height || alpha.Width < dest.Width ||
        alpha.Height < dest.Height)
        return false;
    if (dest.BytesPerPixel != source.BytesPerPixel) {
        Reference::BlendAlphaPixels(dest, source, alpha, weights);
        return true;
    }
    ParallelBands(dest.Height, std::max(1, 32768 / std::max(1, dest.Width)), [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            if (dest.BytesPerPixel == 3)
                BlendRow<3>(dest.Row(y), source.Row(y), alpha.Row(y), dest.Width, weights);
            else
                BlendRow<4>(dest.Row(y), source.Row(y), alpha.Row(y), dest.Width, weights);
        }
    });
    return true;
}

bool MapBlendRects(const TRect& bounds1, const TRect& bounds2, const TRect& r1, const TRect& r2, TRect& c1,
                   TRect& c2, bool& scaled) {
    scaled = false;
    if (!IntersectRectChecked(c1, bounds1, r1))
        return false;
    // Sizes and edge moves in 64 bits: rectangles reaching to the ends of the int range have
    // widths and moves that an int cannot hold.
    using L = int64_t;
    if (L(r1.Right) - r1.Left != L(r2.Right) - r2.Left || L(r1.Bottom) - r1.Top != L(r2.Bottom) - r2.Top) {
        scaled = true;
        c2 = r2;
        return true;
    }
    const L moved[4] = {L(r2.Left) + (L(c1.Left) - r1.Left), L(r2.Top) + (L(c1.Top) - r1.Top),
                        L(r2.Right) + (L(c1.Right) - r1.Right), L(r2.Bottom) + (L(c1.Bottom) - r1.Bottom)};
    const L b[4] = {bounds2.Left, bounds2.Top, bounds2.Right, bounds2.Bottom};
    const L clipped[4] = {std::max(moved[0], b[0]), std::max(moved[1], b[1]), std::min(moved[2], b[2]),
                          std::min(moved[3], b[3])};
    if (bounds2.IsEmpty() || clipped[0] >= clipped[2] || clipped[1] >= clipped[3])
        return false;
    c2 = TRect(int(clipped[0]), int(clipped[1]), int(clipped[2]), int(clipped[3]));
    // c1 shrinks by what c2 lost, so it stays inside its old self.
    c1 = TRect(int(c1.Left + (clipped[0] - moved[0])), int(c1.Top + (clipped[1] - moved[1])),
               int(c1.Right + (clipped[2] - moved[2])), int(c1.Bottom + (clipped[3] - moved[3])));
    return !c1.IsEmpty();
}

bool TGRBlender::CanBlend() {
    return IsBlendFormat(Dest) && Source && Source->PixelFormat() == Dest->PixelFormat();
}

bool TGRBlendAlphaMapRatio::CanBlend() {
    return TGRBlender::CanBlend() && AlphaMap && AlphaMap->PixelFormat() == pf8bit;
}

bool TGRBlendAlphaMapRatio::Blend() {
    if (!CanBlend())
        return false;
    TRect inside;
    if (!IntersectRectChecked(inside, AlphaRect, BoundsOf(*AlphaMap)) || inside != AlphaRect)
        return false;
    TRect alphaArea, destByAlpha, sourceArea, destArea;
    bool alphaScaled = false, sourceScaled = false;
    if (!MapBlendRects(BoundsOf(*AlphaMap), BoundsOf(*Dest), AlphaRect, DestRect, alphaArea, destByAlpha,
                       alphaScaled) ||
        !MapBlendRects(BoundsOf(*Source), BoundsOf(*Dest), SourceRect, DestRect, sourceArea, destArea,
                       sourceScaled))
        return false;
    if (alphaScaled || sourceScaled)
        return false;
    // Each clipping trims the destination on its own; blend where both kept it, moving the alpha
    // and source areas with it so that the three stay aligned pixel for pixel.
    TRect area;
    if (!IntersectRectChecked(area, destByAlpha, destArea))
        return false;
    alphaArea = Bounds(alphaArea.Left + area.Left - destByAlpha.Left,
                       alphaArea.Top + area.Top - destByAlpha.Top, area.Width(), area.Height());
    sourceArea = Bounds(sourceArea.Left + area.Left - destArea.Left, sourceArea.Top + area.Top - destArea.Top,
                        area.Width(), area.Height());
    destArea = area;
    uint8_t weights[256];
    BlendWeights(Ratio, weights);
    const TPixelView alpha = SubView(PixelViewOf(*AlphaMap), alphaArea);
    const TPixelView source = SubView(PixelViewOf(*Source), sourceArea);
    const TPixelView dest = SubView(PixelViewOf(*Dest), destArea);
    if (!BlendAlphaPixels(dest, source, alpha, weights))
        return false;
    Dest->Changed();
    return true;
}
