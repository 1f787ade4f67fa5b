#include "pageobjects/layout/UDisplayCopy.h"
#include "platform/IntMath.h"

#include "imaging/PixelKernel.h"
#include "imaging/UJPEGImage.h"
#include "platform/Bitmap.h"
#include "platform/Canvas.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

// Rows of the destination a kernel band takes at least (a band re-reads no source rows).
constexpr int kMinBandRows = 8;

// Exact division of 32-bit sums by one box size through a multiplication (a division instruction
// for every channel of every pixel was most of the shrink's time): with m = ceil(2^64 / d), the
// high 64 bits of m * n are n / d for every 32-bit n and every d from 2 on.
struct TDivider {
    explicit TDivider(uint32_t d) : one(d == 1), m(d > 1 ? UINT64_MAX / d + 1 : 0) {}
    uint32_t operator()(uint32_t n) const {
        return one ? n : uint32_t((static_cast<unsigned __int128>(m) * n) >> 64);
    }
    bool one;
    uint64_t m;
};

} // namespace

std::unique_ptr<TBitmap> MakeDisplayCopy(TGraphic& graphic, int w, int h, TColor keyColor) {
    if (graphic.Empty())
        return nullptr;
    TBitmap source;
    auto* bitmap = dynamic_cast<TBitmap*>(&graphic);
    if (auto* jpeg = dynamic_cast<TJPEGGraphic*>(&graphic); jpeg != nullptr && bitmap == nullptr) {
        // The decoded pixels themselves (shared, not copied): drawing them onto a bitmap of their
        // own size would hold a second full-size copy while the copy shrinks.
        bitmap = &jpeg->Bitmap();
        if (bitmap->BitCount() != 24)
            bitmap = nullptr;
    }
    if (bitmap != nullptr && (bitmap->BitCount() == 24 || bitmap->BitCount() == 32)) {
        source.Assign(*bitmap);
    } else if (bitmap != nullptr) {
        source.SetPixels(bitmap->Pixels().Converted(24));
    } else {
        source.SetPixelFormat(pf24bit);
        source.SetSize(graphic.Width(), graphic.Height());
        source.Canvas().Draw(0, 0, graphic);
        source.Canvas().FreeHandle();
    }
    const TPixelView src = ReadPixelViewOf(source);
    if (src.Empty())
        return nullptr;
    const int dw = std::clamp(w, 1, src.Width), dh = std::clamp(h, 1, src.Height);
    auto dest = std::make_unique<TBitmap>(dw, dh, pf32bit);
    const TPixelView dst = PixelViewOf(*dest);
    const int bpp = src.BytesPerPixel;
    const bool keyed = keyColor != clNone;
    const uint8_t kb = GetBValue(keyColor), kg = GetGValue(keyColor), kr = GetRValue(keyColor);
    // The destination column of every source column.
    std::vector<int> column(size_t(src.Width));
    for (int x = 0; x < dw; ++x) {
        const int left = int(int64_t(x) * src.Width / dw), right = int(int64_t(x + 1) * src.Width / dw);
        for (int sx = left; sx < right; ++sx)
            column[size_t(sx)] = x;
    }
    // Without a key colour every pixel counts: each destination pixel is its box's plain mean.
    // Source rows are summed per column first, then the columns of each box; the sums, and so the
    // pixels, are those of the keyed loop below. A box of at most 2^32 / 255 pixels keeps its
    // sums in 32 bits.
    const int64_t tallest = src.Height / dh + 1, widest = src.Width / dw + 1;
    if (!keyed && tallest * widest <= int64_t(UINT32_MAX / 255)) {
        std::vector<int> edge(size_t(dw) + 1); // each box's first source column; the last ends the row
        for (int x = 0; x <= dw; ++x)
            edge[size_t(x)] = int(int64_t(x) * src.Width / dw);
        ParallelBands(dh, kMinBandRows, [&](int begin, int end) {
            std::vector<uint32_t> sums(size_t(src.Width) * 3);
            for (int y = begin; y < end; ++y) {
                std::fill(sums.begin(), sums.end(), 0u);
                const int top = int(int64_t(y) * src.Height / dh), bottom = int(int64_t(y + 1) * src.Height / dh);
                for (int sy = top; sy < bottom; ++sy) {
                    const uint8_t* p = src.Row(sy);
                    uint32_t* s = sums.data();
                    if (bpp == 3) {
                        for (size_t i = 0, n = size_t(src.Width) * 3; i < n; ++i)
                            s[i] += p[i];
                    } else {
                        for (int sx = 0; sx < src.Width; ++sx, p += bpp, s += 3) {
                            s[0] += p[0];
                            s[1] += p[1];
                            s[2] += p[2];
                        }
                    }
                }
                // A box is one of two widths: its divider is one of two.
                const uint32_t rows = uint32_t(bottom - top), narrow = uint32_t(src.Width / dw);
                const TDivider byNarrow(narrow * rows), byWide((narrow + 1) * rows);
                uint8_t* out = dst.Row(y);
                for (int x = 0; x < dw; ++x, out += 4) {
                    const int left = edge[size_t(x)], right = edge[size_t(x) + 1];
                    uint32_t b = 0, g = 0, r = 0;
                    for (const uint32_t* s = &sums[size_t(left) * 3]; s < &sums[size_t(right) * 3]; s += 3) {
                        b += s[0];
                        g += s[1];
                        r += s[2];
                    }
                    const TDivider& by = uint32_t(right - left) == narrow ? byNarrow : byWide;
                    out[0] = uint8_t(by(b));
                    out[1] = uint8_t(by(g));
                    out[2] = uint8_t(by(r));
                    out[3] = 255;
                }
            }
        });
        dest->Changed();
        return dest;
    }
    ParallelBands(dh, kMinBandRows, [&](int begin, int end) {
        // Per destination column: blue, green, red sums of the kept pixels, their count, all pixels.
        std::vector<int64_t> acc(size_t(dw) * 5);
        for (int y = begin; y < end; ++y) {
            std::fill(acc.begin(), acc.end(), 0);
            const int top = int(int64_t(y) * src.Height / dh), bottom = int(int64_t(y + 1) * src.Height / dh);
            for (int sy = top; sy < bottom; ++sy) {
                const uint8_t* p = src.Row(sy);
                for (int sx = 0; sx < src.Width; ++sx, p += bpp) {
                    int64_t* a = &acc[size_t(column[size_t(sx)]) * 5];
                    ++a[4];
                    if (keyed && p[0] == kb && p[1] == kg && p[2] == kr)
                        continue;
                    a[0] += p[0];
                    a[1] += p[1];
                    a[2] += p[2];
                    ++a[3];
                }
            }
            uint8_t* out = dst.Row(y);
            for (int x = 0; x < dw; ++x, out += 4) {
                const int64_t* a = &acc[size_t(x) * 5];
                if (a[3] == 0 || a[3] * 2 < a[4]) {
                    out[0] = out[1] = out[2] = 255;
                    out[3] = 0;
                    continue;
                }
                out[0] = uint8_t(a[0] / a[3]);
                out[1] = uint8_t(a[1] / a[3]);
                out[2] = uint8_t(a[2] / a[3]);
                out[3] = 255;
            }
        }
    });
    dest->Changed();
    return dest;
}

TSize DeviceSizeOf(TCanvas& canvas, const TRect& r) {
    // Measured from the window origin, so that the size does not change with where the canvas is
    // moved to: each tile of a page sees an object at one size and its cached copies stay.
    const TPoint o = canvas.WindowOrg();
    const TRect at(o.X, o.Y, ClampToInt32(int64_t(o.X) + (int64_t(r.Right) - r.Left)),
                   ClampToInt32(int64_t(o.Y) + (int64_t(r.Bottom) - r.Top)));
    const TRect d = NormalizeRect(canvas.LPtoDP(at));
    return TSize(std::max(d.Width(), 1), std::max(d.Height(), 1));
}

QImage AlphaImage(const TBitmap& bitmap) {
    const TPixelView v = ReadPixelViewOf(bitmap);
    if (v.Empty() || v.BytesPerPixel != 4)
        return QImage();
    return QImage(v.Bits, v.Width, v.Height, v.Stride, QImage::Format_ARGB32).copy();
}

std::vector<uint32_t> GreyColorTable() {
    std::vector<uint32_t> table(256);
    for (uint32_t i = 0; i < 256; ++i)
        table[i] = i * 0x010101u;
    return table;
}

QImage AlphaMapImage(const TBitmap& bitmap) {
    const TPixelView v = ReadPixelViewOf(bitmap);
    if (v.Empty() || v.BytesPerPixel != 4)
        return QImage();
    QImage map(v.Width, v.Height, QImage::Format_Grayscale8);
    for (int y = 0; y < v.Height; ++y) {
        const uint8_t* p = v.Row(y);
        uchar* out = map.scanLine(y);
        for (int x = 0; x < v.Width; ++x)
            out[x] = p[x * 4 + 3];
    }
    return map;
}
