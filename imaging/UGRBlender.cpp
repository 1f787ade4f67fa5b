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

// Each byte moved toward its source byte by its own weight: the table's cell as arithmetic. For
// |d| x a = p (0..65025), p div 255 is (p + 1 + (p >> 8)) >> 8, checked against the table for
// every cell by the tests; weight 0 keeps the byte and 255 takes the source's. Sixteen bytes at
// a time in 16-bit lanes, written as vectors so that every build level vectorises it.
typedef uint8_t Byte16 __attribute__((vector_size(16)));
typedef uint16_t UInt16x16 __attribute__((vector_size(32)));

inline uint8_t MixByte(uint16_t o, uint16_t s, uint16_t a) {
    const uint16_t magnitude = s > o ? uint16_t(s - o) : uint16_t(o - s);
    const uint16_t p = uint16_t(magnitude * a);
    const uint16_t q = uint16_t(uint16_t(p + 1 + (p >> 8)) >> 8);
    return uint8_t(s > o ? o + q : o - q);
}

KERNEL_CLONES void MixBytes(uint8_t* __restrict out, const uint8_t* __restrict in,
                            const uint8_t* __restrict byteWeights, int count) {
    int i = 0;
    for (; i + 16 <= count; i += 16) {
        Byte16 o8, s8, a8;
        std::memcpy(&o8, out + i, sizeof o8);
        std::memcpy(&s8, in + i, sizeof s8);
        std::memcpy(&a8, byteWeights + i, sizeof a8);
        const UInt16x16 o = __builtin_convertvector(o8, UInt16x16);
        const UInt16x16 s = __builtin_convertvector(s8, UInt16x16);
        const UInt16x16 a = __builtin_convertvector(a8, UInt16x16);
        const auto rising = s > o;
        const UInt16x16 p = (rising ? s - o : o - s) * a;
        const UInt16x16 q = (p + 1 + (p >> 8)) >> 8;
        const Byte16 mixed = __builtin_convertvector(rising ? o + q : o - q, Byte16);
        std::memcpy(out + i, &mixed, sizeof mixed);
    }
    for (; i < count; ++i)
        out[i] = MixByte(out[i], in[i], byteWeights[i]);
}

// Pixels at a time: this many pixels' byte weights are spread out on the stack.
constexpr int kBlendChunkPixels = 256;

// The first three bytes of each pixel blend by the pixel's weight; a fourth stays as it is.
template <int C>
void BlendRow(uint8_t* out, const uint8_t* in, const uint8_t* alpha, int width,
              const uint8_t (&weights)[256]) {
    uint8_t byteWeights[kBlendChunkPixels * C];
    for (int x0 = 0; x0 < width; x0 += kBlendChunkPixels) {
        const int n = std::min(kBlendChunkPixels, width - x0);
        for (int x = 0; x < n; ++x) {
            const uint8_t a = weights[alpha[x0 + x]];
            byteWeights[x * C] = byteWeights[x * C + 1] = byteWeights[x * C + 2] = a;
            if constexpr (C == 4)
                byteWeights[x * C + 3] = 0;
        }
        MixBytes(out + x0 * C, in + x0 * C, byteWeights, n * C);
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
