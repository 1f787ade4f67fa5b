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

void BlendAlphaPixels(const TPixelView& dest, const TPixelView& source, const TPixelView& alpha,
                      const uint8_t (&weights)[256]) {
    if (dest.BytesPerPixel != source.BytesPerPixel) {
        Reference::BlendAlphaPixels(dest, source, alpha, weights);
        return;
    }
    ParallelBands(dest.Height, std::max(1, 32768 / std::max(1, dest.Width)), [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            if (dest.BytesPerPixel == 3)
                BlendRow<3>(dest.Row(y), source.Row(y), alpha.Row(y), dest.Width, weights);
            else
                BlendRow<4>(dest.Row(y), source.Row(y), alpha.Row(y), dest.Width, weights);
        }
    });
}

bool MapBlendRects(const TRect& bounds1, const TRect& bounds2, const TRect& r1, const TRect& r2, TRect& c1,
                   TRect& c2, bool& scaled) {
    scaled = false;
    if (!IntersectRectChecked(c1, bounds1, r1))
        return false;
    if (r1.Width() != r2.Width() || r1.Height() != r2.Height()) {
        scaled = true;
        c2 = r2;
        return true;
    }
    const TRect moved(r2.Left + (c1.Left - r1.Left), r2.Top + (c1.Top - r1.Top),
                      r2.Right + (c1.Right - r1.Right), r2.Bottom + (c1.Bottom - r1.Bottom));
    if (!IntersectRectChecked(c2, bounds2, moved))
        return false;
    c1 = TRect(c1.Left + (c2.Left - moved.Left), c1.Top + (c2.Top - moved.Top),
               c1.Right + (c2.Right - moved.Right), c1.Bottom + (c2.Bottom - moved.Bottom));
    return !c1.IsEmpty();
}

bool TGRBlender::CanBlend() {
    return IsBlendFormat(Dest) && Source && Source->PixelFormat() == Dest->PixelFormat();
}

bool TGRBlendAlphaMapRatio::CanBlend() {
    return TGRBlender::CanBlend() && AlphaMap && AlphaMap->PixelFormat() == pf8bit;
}

void TGRBlendAlphaMapRatio::Blend() {
    if (!CanBlend())
        return;
    TRect inside;
    if (!IntersectRectChecked(inside, AlphaRect, BoundsOf(*AlphaMap)) || inside != AlphaRect)
        return;
    TRect alphaArea, destByAlpha, sourceArea, destArea;
    bool alphaScaled = false, sourceScaled = false;
    if (!MapBlendRects(BoundsOf(*AlphaMap), BoundsOf(*Dest), AlphaRect, DestRect, alphaArea, destByAlpha,
                       alphaScaled) ||
        !MapBlendRects(BoundsOf(*Source), BoundsOf(*Dest), SourceRect, DestRect, sourceArea, destArea,
                       sourceScaled))
        return;
    if (alphaScaled || sourceScaled)
        return;
    // Each clipping trims the destination on its own; blend where both kept it, moving the alpha
    // and source areas with it so that the three stay aligned pixel for pixel.
    TRect area;
    if (!IntersectRectChecked(area, destByAlpha, destArea))
        return;
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
    BlendAlphaPixels(dest, source, alpha, weights);
    Dest->Changed();
}
