#include "imaging/UImageUtil.h"

#include "platform/Bitmap.h"
#include "platform/Exception.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <functional>
#include <limits>
#include <memory>
#include <type_traits>
#include <vector>

// Hot loops (KERNEL_CLONES) are compiled for the baseline processor and for AVX2 (the fixed-point blur also
// for AVX-512, with a choice of its own), and the best one is chosen when the program starts; the loops are
// plain C++ that the compiler vectorises, so every clone computes exactly the same integers and floats. Float
// loops never get the AVX-512 clone: its instruction set brings fused multiply-add, which rounds once where
// the plain version rounds twice.

namespace {

// ---------------------------------------------------------------------------------------------
// Resampling

uint8_t StoreByte(int32_t v) {
    if (v < 0)
        return 0;
    v = (v + 128) >> 8;
    return uint8_t(v > 255 ? 255 : v);
}

// Rows first .. first + view.Height - 1 of a destination `height` rows tall, held in view.
struct DestRows {
    TPixelView view;
    int first = 0;
    int height = 0;
    uint8_t* Row(int j) const { return view.Row(j - first); }
    int Width() const { return view.Width; }
};

// Runs body(begin, end) over the rows the view holds, in destination row numbers.
void ForBands(const DestRows& dest, int minBand, const std::function<void(int, int)>& body) {
    ParallelBands(dest.view.Height, minBand,
                  [&](int begin, int end) { body(dest.first + begin, dest.first + end); });
}

template <int C>
void NearestRow(uint8_t* __restrict out, const uint8_t* __restrict in, const int32_t* offsets, int width) {
    for (int x = 0; x < width; ++x)
        std::memcpy(out + x * C, in + offsets[x], C);
}

void ResampleNearest(const DestRows& dest, const TPixelView& source) {
    const int sw = source.Width, sh = source.Height, dw = dest.Width(), dh = dest.height;
    const int c = source.BytesPerPixel;
    std::vector<int32_t> offsets(dw);
    for (int x = 0; x < dw; ++x)
        offsets[x] = int32_t((int64_t(x) * sw + sw / 2) / dw) * c;
    auto rowOf = [&](int y) { return int((int64_t(y) * sh + sh / 2) / dh); };
    ForBands(dest, std::max(1, 65536 / std::max(1, dw)), [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            if (y > begin && rowOf(y) == rowOf(y - 1)) {
                std::memcpy(dest.Row(y), dest.Row(y - 1), size_t(dw) * c);
                continue;
            }
            const uint8_t* in = source.Row(rowOf(y));
            switch (c) {
            case 1:
                NearestRow<1>(dest.Row(y), in, offsets.data(), dw);
                break;
            case 3:
                NearestRow<3>(dest.Row(y), in, offsets.data(), dw);
                break;
            default:
                NearestRow<4>(dest.Row(y), in, offsets.data(), dw);
                break;
            }
        }
    });
}

// How one source row becomes one row of horizontally resampled values (byte units, int32).
struct ColumnPlan {
    enum Mode { Copy, Box, Linear, Cubic } mode = Copy;
    int sw = 0, dw = 0, c = 0;
    // Box: output pixel j ends fraction[j] / 256 into source pixel boundary[j] (a span that ends
    // at the row's end ends all of the way into the last pixel, so nothing is read past the row).
    uint32_t inv = 0;
    std::vector<int32_t> boundary;
    std::vector<uint32_t> fraction;
    // Interpolation: output pixel i samples around source pixel k[i] at fraction t[i].
    std::vector<int32_t> k, t;

    ColumnPlan(int sourceWidth, int destWidth, int channels, TResampleKind kind)
        : sw(sourceWidth), dw(destWidth), c(channels) {
        if (dw == sw)
            return;
        if (dw < sw) {
            mode = Box;
            const int64_t step = (int64_t(sw) << 16) / dw;
            inv = uint32_t((int64_t(dw) << 16) / sw);
            boundary.resize(dw);
            fraction.resize(dw);
            for (int j = 0; j < dw; ++j) {
                const int64_t end = (j + 1) * step;
                const int e = int(end >> 16);
                boundary[j] = std::min(e, sw - 1);
                fraction[j] = e < sw ? uint32_t((end >> 8) & 0xFF) : 256;
            }
            return;
        }
        mode = kind == rkLinear ? Linear : Cubic;
        const int64_t step = (int64_t(sw) << 16) / dw;
        k.resize(dw);
        t.resize(dw);
        for (int i = 0; i < dw; ++i) {
            const int64_t x = i * step - 32768;
            k[i] = int32_t(((i * step + 0x18000) >> 16) - 2);
            t[i] = int32_t(x - int64_t(k[i]) * 65536);
        }
    }
};

// The box weights (a fraction of the first pixel, 256 for the whole ones, a fraction of the last)
// sum as the difference of two running sums taken at the box's fractional ends: 256 times the
// whole pixels before an end plus its fraction of the pixel there. One pass along the row keeps
// the running sums of all channels in one vector, so the work does not grow with the shrink. The
// integers equal those of weighing each tap (modulo 2^32, as the stored values always were).
using ChannelSums = uint32_t __attribute__((vector_size(16)));

// The channels of pixel x in the low lanes of 16-bit sums. A 3-byte pixel followed by another in
// the row is read as 4 bytes: the last lane then holds a byte of the next pixel, which no result uses.
using ShortSums = uint16_t __attribute__((vector_size(16)));

template <int C>
KERNEL_INLINE ShortSums PixelAt(const uint8_t* __restrict row, int x, bool followed) {
    const uint8_t* p = row + size_t(x) * C;
    if (C == 1 || (C == 3 && !followed))
        return ShortSums{p[0], uint16_t(C > 1 ? p[1] : 0), uint16_t(C > 2 ? p[2] : 0), 0, 0, 0, 0, 0};
    uint32_t word;
    std::memcpy(&word, p, 4);
#if defined(__SSE2__)
    return ShortSums(_mm_unpacklo_epi8(_mm_cvtsi32_si128(int(word)), _mm_setzero_si128()));
#else
    return ShortSums{uint16_t(word & 0xFF), uint16_t((word >> 8) & 0xFF), uint16_t((word >> 16) & 0xFF),
                     uint16_t(word >> 24), 0, 0, 0, 0};
#endif
}

KERNEL_INLINE ChannelSums Widen(ShortSums v) {
#if defined(__SSE2__)
    return ChannelSums(_mm_unpacklo_epi16(__m128i(v), _mm_setzero_si128()));
#else
    return ChannelSums{v[0], v[1], v[2], v[3]};
#endif
}

template <int C>
KERNEL_INLINE void BoxColumns(const ColumnPlan& plan, const uint8_t* __restrict in, int32_t* __restrict out) {
    const int32_t* boundary = plan.boundary.data();
    const uint32_t* fraction = plan.fraction.data();
    const int last = plan.sw - 1;
    ChannelSums whole = {}, before = {};
    int x = 0;
    for (int j = 0; j < plan.dw; ++j) {
        const int e = boundary[j];
        // Whole pixels are summed in 16 bits, which hold 257 of them, and widened once a run.
        while (x < e) {
            const int runEnd = std::min(e, x + 257);
            ShortSums run = {};
            for (; x < runEnd; ++x) // every pixel before a boundary has another after it
                run += PixelAt<C>(in, x, true);
            whole += Widen(run);
        }
        const ChannelSums end = whole * 256 + Widen(PixelAt<C>(in, e, e < last)) * fraction[j];
        const ChannelSums value = ((end - before) * plan.inv) >> 24;
        for (int ch = 0; ch < C; ++ch)
            out[j * C + ch] = int32_t(value[ch]);
        before = end;
    }
}

KERNEL_CLONES void BoxColumns1(const ColumnPlan& plan, const uint8_t* in, int32_t* out) {
    BoxColumns<1>(plan, in, out);
}
KERNEL_CLONES void BoxColumns3(const ColumnPlan& plan, const uint8_t* in, int32_t* out) {
    BoxColumns<3>(plan, in, out);
}
KERNEL_CLONES void BoxColumns4(const ColumnPlan& plan, const uint8_t* in, int32_t* out) {
    BoxColumns<4>(plan, in, out);
}

void ResampleColumns(const ColumnPlan& plan, const uint8_t* in, int32_t* out) {
    const int c = plan.c, sw = plan.sw;
    switch (plan.mode) {
    case ColumnPlan::Copy:
        for (int i = 0; i < sw * c; ++i)
            out[i] = in[i];
        return;
    case ColumnPlan::Box:
        if (c == 1)
            BoxColumns1(plan, in, out);
        else if (c == 3)
            BoxColumns3(plan, in, out);
        else
            BoxColumns4(plan, in, out);
        return;
    case ColumnPlan::Linear:
    case ColumnPlan::Cubic:
        break;
    }
    // Pixels left of 0 and right of sw - 1 repeat the edge pixels.
    auto at = [&](int x, int ch) -> int32_t { return in[std::clamp(x, 0, sw - 1) * c + ch]; };
    for (int i = 0; i < plan.dw; ++i) {
        const int k = plan.k[i];
        const int32_t t = plan.t[i];
        const bool inside = k >= 1 && k + 2 < sw;
        const uint8_t* p = inside ? in + (k - 1) * c : in; // no pointer before the row
        for (int ch = 0; ch < c; ++ch) {
            if (plan.mode == ColumnPlan::Linear) {
                const int32_t p1 = inside ? p[c + ch] : at(k, ch),
                              p2 = inside ? p[2 * c + ch] : at(k + 1, ch);
                out[i * c + ch] = p1 + ((p2 - p1) * t + 32768) / 65536;
            } else {
                int32_t p0, p1, p2, p3;
                if (inside) {
                    p0 = p[ch], p1 = p[c + ch], p2 = p[2 * c + ch], p3 = p[3 * c + ch];
                } else {
                    p0 = at(k - 1, ch), p1 = at(k, ch), p2 = at(k + 1, ch), p3 = at(k + 2, ch);
                }
                const int32_t a = ((p3 - p0 + 3 * (p1 - p2)) * t + 32768) / 65536;
                const int32_t b = ((a + 2 * p0 - 5 * p1 + 4 * p2 - p3) * t + 32768) / 65536;
                const int32_t cc = ((b + p2 - p0) * t + 32768) / 65536;
                out[i * c + ch] = (cc + 2 * p1) / 2;
            }
        }
    }
}

// A small cache of horizontally resampled rows for one band of output rows.
class RowCache {
public:
    RowCache(const ColumnPlan& plan, const TPixelView& source, int count)
        : plan_(plan), source_(source), values_(size_t(plan.dw) * plan.c), rows_(count, -1),
          buffers_(count, std::vector<int32_t>(values_)) {}

    // The resampled values of source row y (clamped into the source).
    const int32_t* Row(int y) {
        y = std::clamp(y, 0, source_.Height - 1);
        for (size_t s = 0; s < rows_.size(); ++s)
            if (rows_[s] == y)
                return buffers_[s].data();
        // Rows are asked for in increasing order: replace the lowest.
        size_t slot = size_t(std::min_element(rows_.begin(), rows_.end()) - rows_.begin());
        rows_[slot] = y;
        ResampleColumns(plan_, source_.Row(y), buffers_[slot].data());
        return buffers_[slot].data();
    }
    size_t Values() const { return values_; }

private:
    const ColumnPlan& plan_;
    TPixelView source_;
    size_t values_;
    std::vector<int> rows_;
    std::vector<std::vector<int32_t>> buffers_;
};

KERNEL_CLONES void StoreRowSame(uint8_t* __restrict out, const int32_t* __restrict h, size_t n) {
    for (size_t i = 0; i < n; ++i)
        out[i] = StoreByte(h[i] * 256);
}

template <typename Acc>
KERNEL_INLINE void BoxFirst(Acc* __restrict acc, const int32_t* __restrict h, size_t n, int32_t weight) {
    for (size_t i = 0; i < n; ++i)
        acc[i] = (Acc(h[i]) * weight) / 256;
}
template <typename Acc>
KERNEL_INLINE void BoxAdd(Acc* __restrict acc, const int32_t* __restrict h, size_t n) {
    for (size_t i = 0; i < n; ++i)
        acc[i] += Acc(h[i]) * 256;
}
template <typename Acc>
KERNEL_INLINE void BoxLast(uint8_t* __restrict out, const Acc* __restrict acc, const int32_t* __restrict h,
                           size_t n, int32_t weight, Acc inv) {
    for (size_t i = 0; i < n; ++i) {
        Acc a = ((Acc(h[i]) * weight) / 256 + acc[i]) / 256;
        out[i] = StoreByte(int32_t((a * inv) / 256));
    }
}

KERNEL_CLONES void BoxFirst32(int32_t* acc, const int32_t* h, size_t n, int32_t w) {
    BoxFirst(acc, h, n, w);
}
KERNEL_CLONES void BoxAdd32(int32_t* acc, const int32_t* h, size_t n) {
    BoxAdd(acc, h, n);
}
KERNEL_CLONES void BoxLast32(uint8_t* out, const int32_t* acc, const int32_t* h, size_t n, int32_t w,
                             int32_t inv) {
    BoxLast(out, acc, h, n, w, inv);
}
KERNEL_CLONES void BoxFirst64(int64_t* acc, const int32_t* h, size_t n, int32_t w) {
    BoxFirst(acc, h, n, w);
}
KERNEL_CLONES void BoxAdd64(int64_t* acc, const int32_t* h, size_t n) {
    BoxAdd(acc, h, n);
}
KERNEL_CLONES void BoxLast64(uint8_t* out, const int64_t* acc, const int32_t* h, size_t n, int32_t w,
                             int64_t inv) {
    BoxLast(out, acc, h, n, w, inv);
}

template <typename Acc>
void ShrinkRows(const DestRows& dest, const TPixelView& source, const ColumnPlan& plan, int begin, int end) {
    const int64_t step = (int64_t(source.Height) << 16) / dest.height;
    const Acc inv = Acc((int64_t(dest.height) << 16) / source.Height);
    RowCache cache(plan, source, 2);
    const size_t n = cache.Values();
    std::vector<Acc> acc(n);
    for (int j = begin; j < end; ++j) {
        const int64_t s = j * step, e = s + step;
        const int32_t* h = cache.Row(int(s >> 16));
        const int32_t firstWeight = int32_t(65536 - (s & 0xFFFF));
        if constexpr (sizeof(Acc) == 4)
            BoxFirst32(acc.data(), h, n, firstWeight);
        else
            BoxFirst64(acc.data(), h, n, firstWeight);
        for (int row = int(s >> 16) + 1; row < int(e >> 16); ++row) {
            if constexpr (sizeof(Acc) == 4)
                BoxAdd32(acc.data(), cache.Row(row), n);
            else
                BoxAdd64(acc.data(), cache.Row(row), n);
        }
        const int32_t lastWeight = int32_t(e & 0xFFFF);
        // A zero weight needs no row (and the row may lie past the bottom).
        const int32_t* last = lastWeight ? cache.Row(int(e >> 16)) : h;
        if constexpr (sizeof(Acc) == 4)
            BoxLast32(dest.Row(j), acc.data(), last, n, lastWeight, inv);
        else
            BoxLast64(dest.Row(j), acc.data(), last, n, lastWeight, inv);
    }
}

KERNEL_CLONES void LinearRows(uint8_t* __restrict out, const int32_t* __restrict r1,
                              const int32_t* __restrict r2, size_t n, int32_t t) {
    const int32_t s = 65536 - t;
    for (size_t i = 0; i < n; ++i)
        out[i] = StoreByte((r1[i] * s + r2[i] * t) / 256);
}

KERNEL_CLONES void CubicRows(uint8_t* __restrict out, const int32_t* __restrict r0,
                             const int32_t* __restrict r1, const int32_t* __restrict r2,
                             const int32_t* __restrict r3, size_t n, const int32_t* w) {
    const int32_t w0 = w[0], w1 = w[1], w2 = w[2], w3 = w[3];
    for (size_t i = 0; i < n; ++i)
        out[i] = StoreByte((r0[i] * w0 + r1[i] * w1 + r2[i] * w2 + r3[i] * w3) / 256);
}

void EnlargeRows(const DestRows& dest, const TPixelView& source, const ColumnPlan& plan, TResampleKind kind,
                 int begin, int end) {
    const int64_t step = (int64_t(source.Height) << 16) / dest.height;
    RowCache cache(plan, source, 4);
    const size_t n = cache.Values();
    for (int i = begin; i < end; ++i) {
        const int64_t y = i * step - 32768;
        const int k = int(y >> 16);
        const int32_t t = int32_t(y - int64_t(k) * 65536);
        if (kind == rkLinear) {
            const int32_t* r1 = cache.Row(k);
            const int32_t* r2 = cache.Row(k + 1);
            LinearRows(dest.Row(i), r1, r2, n, t);
        } else {
            const int32_t t8 = t / 256, u = t8 - 256;
            const int32_t w[4] = {(-t8 * u * u) / 512, (((3 * t8 * t8) / 256 - 2 * t8 - 512) * u) / 2,
                                  (((3 * t8 * t8) / 256 - 4 * t8 - 256) * (-t8)) / 2, (t8 * t8 * u) / 512};
            const int32_t* r0 = cache.Row(k - 1);
            const int32_t* r1 = cache.Row(k);
            const int32_t* r2 = cache.Row(k + 1);
            const int32_t* r3 = cache.Row(k + 2);
            CubicRows(dest.Row(i), r0, r1, r2, r3, n, w);
        }
    }
}

void ResampleFiltered(const DestRows& dest, const TPixelView& source, TResampleKind kind) {
    const ColumnPlan plan(source.Width, dest.Width(), source.BytesPerPixel, kind);
    const int sh = source.Height, dh = dest.height;
    // Enough rows a band that the rows shared by two bands are a small part of its work.
    // A band is worth a thread from about a million values of work: its output values and the
    // source values it resamples across for them.
    const int64_t rowWork = int64_t(dest.Width()) * plan.c + int64_t(source.Width) * plan.c * sh / dh + 1;
    // Below a few million in all, starting threads (and waiting for a busy system to run them)
    // costs more than it saves.
    const int minBand = rowWork * dh < (int64_t(4) << 20)
                            ? dh
                            : int(std::clamp<int64_t>((int64_t(1) << 20) / rowWork, 8, 4096));
    if (dh == sh) {
        ForBands(dest, minBand, [&](int begin, int end) {
            std::vector<int32_t> h(size_t(dest.Width()) * plan.c);
            for (int y = begin; y < end; ++y) {
                ResampleColumns(plan, source.Row(y), h.data());
                StoreRowSame(dest.Row(y), h.data(), h.size());
            }
        });
    } else if (dh < sh) {
        // 32-bit sums hold a span of rows unless cubic overshoot meets a very tall span.
        const int64_t spanRows = (((int64_t(sh) << 16) / dh) >> 16) + 2;
        const int64_t largest = plan.mode == ColumnPlan::Cubic ? 512 : 255;
        const bool narrow = largest * 256 * spanRows < std::numeric_limits<int32_t>::max();
        ForBands(dest, minBand, [&](int begin, int end) {
            if (narrow)
                ShrinkRows<int32_t>(dest, source, plan, begin, end);
            else
                ShrinkRows<int64_t>(dest, source, plan, begin, end);
        });
    } else {
        ForBands(dest, minBand,
                 [&](int begin, int end) { EnlargeRows(dest, source, plan, kind, begin, end); });
    }
}

// ---------------------------------------------------------------------------------------------
// Recursive Gaussian blur

// A local copy of the coefficients for the steady-state loops of the floating-point filter, so
// that the compiler knows the stores cannot change them.
template <typename V>
struct SteadyCoefficients {
    DericheCoefficients<V> k;
    explicit SteadyCoefficients(const DericheCoefficients<V>& coefficients) : k(coefficients) {}
    V Feedback(int n, V y) const { return k.Feedback(n, y); }
};

// One position of many lines in the steady state (four earlier positions on hand). The
// coefficients are copied into locals so that the compiler knows the stores cannot change them.
template <typename V>
KERNEL_INLINE void ForwardRow(const DericheCoefficients<V>& k, const uint8_t* __restrict a0,
                              const uint8_t* __restrict a1, const uint8_t* __restrict a2,
                              const uint8_t* __restrict a3, const V* __restrict y1, const V* __restrict y2,
                              const V* __restrict y3, const V* __restrict y4, V* __restrict y, int width) {
    const SteadyCoefficients<V> c(k);
    for (int b = 0; b < width; ++b) {
        V acc = c.k.ForwardInput(0, a0[b]) - c.k.Feedback(0, V(0));
        acc += c.k.ForwardInput(1, a1[b]) - c.Feedback(1, y1[b]);
        acc += c.k.ForwardInput(2, a2[b]) - c.Feedback(2, y2[b]);
        acc += c.k.ForwardInput(3, a3[b]) - c.Feedback(3, y3[b]);
        acc += V(0) - c.Feedback(4, y4[b]); // n[4] is 0: that input term is 0 too
        y[b] = acc;
    }
}

template <typename V>
KERNEL_INLINE void
BackwardRow(const DericheCoefficients<V>& k, uint8_t* __restrict xj, const uint8_t* __restrict b1,
            const uint8_t* __restrict b2, const uint8_t* __restrict b3, const uint8_t* __restrict b4,
            const V* __restrict m1, const V* __restrict m2, const V* __restrict m3, const V* __restrict m4,
            const V* __restrict f, V* __restrict y, uint8_t* __restrict xsave, int width) {
    const SteadyCoefficients<V> c(k);
    for (int b = 0; b < width; ++b) {
        const uint8_t xv = xj[b];
        // m[0] and d[0] are 0, so the first term is 0 and the sum starts with the second.
        V acc = c.k.BackwardInput(1, b1[b]) - c.Feedback(1, m1[b]);
        acc += c.k.BackwardInput(2, b2[b]) - c.Feedback(2, m2[b]);
        acc += c.k.BackwardInput(3, b3[b]) - c.Feedback(3, m3[b]);
        acc += c.k.BackwardInput(4, b4[b]) - c.Feedback(4, m4[b]);
        y[b] = acc;
        xsave[b] = xv;
        xj[b] = c.k.Combine(f[b], acc);
    }
}

// Filters `width` independent lines at once, all of the same length: value b at position i lies
// at base[i * posStride + b]. The forward pass keeps its accumulators for the whole block; the
// backward pass keeps the last four positions and writes the result in place.
template <typename V>
KERNEL_INLINE void FilterBlock(const DericheCoefficients<V>& k, uint8_t* base, ptrdiff_t posStride,
                               int length, int width, V* __restrict forward, V* __restrict history,
                               uint8_t* __restrict xHistory) {
    auto x = [&](int i) { return base + ptrdiff_t(i) * posStride; };
    auto fwd = [&](int i) { return forward + size_t(i) * width; };
    // Forward: the first positions see the border continued with position 0.
    const uint8_t* x0 = x(0);
    for (int i = 0; i < length && i < 4; ++i) {
        V* y = fwd(i);
        for (int b = 0; b < width; ++b) {
            V acc = 0;
            for (int n = 0; n <= i; ++n)
                acc += k.ForwardInput(n, x(i - n)[b]) - k.Feedback(n, n == 0 ? V(0) : fwd(i - n)[b]);
            for (int n = i + 1; n <= 4; ++n)
                acc += k.ForwardBorder(n, x0[b]);
            y[b] = acc;
        }
    }
    for (int i = 4; i < length; ++i)
        ForwardRow(k, x(i), x(i - 1), x(i - 2), x(i - 3), fwd(i - 1), fwd(i - 2), fwd(i - 3), fwd(i - 4),
                   fwd(i), width);
    // Backward: ym[q] holds y-[j+1+q] and xs[q] holds x[j+1+q]; the results overwrite x[j],
    // so the inputs still needed are kept aside. The first positions see the border continued
    // with the last position.
    const int last = length - 1;
    V* ym[4];
    uint8_t* xs[4];
    for (int q = 0; q < 4; ++q) {
        ym[q] = history + size_t(q) * width;
        xs[q] = xHistory + size_t(q) * width;
    }
    V* spare = history + size_t(4) * width;
    uint8_t* xspare = xHistory + size_t(4) * width;
    uint8_t* xl = xHistory + size_t(5) * width;
    std::memcpy(xl, x(last), size_t(width));
    for (int i = 0; i < length; ++i) {
        const int j = last - i;
        uint8_t* __restrict xj = x(j);
        V* __restrict y = spare;
        uint8_t* __restrict xsave = xspare;
        const V* __restrict f = fwd(j);
        if (i < 4) {
            for (int b = 0; b < width; ++b) {
                const uint8_t xv = xj[b];
                V acc = 0;
                for (int n = 0; n <= i; ++n)
                    acc += k.BackwardInput(n, n == 0 ? xv : xs[n - 1][b]) -
                           k.Feedback(n, n == 0 ? V(0) : ym[n - 1][b]);
                for (int n = i + 1; n <= 4; ++n)
                    acc += k.BackwardBorder(n, xl[b]);
                y[b] = acc;
                xsave[b] = xv;
                xj[b] = k.Combine(f[b], acc);
            }
        } else {
            BackwardRow(k, xj, xs[0], xs[1], xs[2], xs[3], ym[0], ym[1], ym[2], ym[3], f, y, xsave, width);
        }
        spare = ym[3];
        ym[3] = ym[2], ym[2] = ym[1], ym[1] = ym[0], ym[0] = y;
        xspare = xs[3];
        xs[3] = xs[2], xs[2] = xs[1], xs[1] = xs[0], xs[0] = xsave;
    }
}

// Not the AVX-512 clone: its instruction set has fused multiply-add, which would round the float
// filter differently from the plain version.
KERNEL_CLONES void FilterBlockFloat(const DericheCoefficients<double>& k, uint8_t* base, ptrdiff_t posStride,
                                    int length, int width, double* forward, double* history,
                                    uint8_t* xHistory) {
    FilterBlock(k, base, posStride, length, width, forward, history, xHistory);
}

template <typename V>
struct BlockBuffers {
    std::vector<V> forward, history;
    std::vector<uint8_t> xHistory;
    BlockBuffers(int length, int width)
        : forward(size_t(length) * width), history(size_t(5) * width), xHistory(size_t(6) * width) {}
    void Filter(const DericheCoefficients<V>& k, uint8_t* base, ptrdiff_t posStride, int length, int width) {
        FilterBlockFloat(k, base, posStride, length, width, forward.data(), history.data(), xHistory.data());
    }
};

// Columns: blocks of neighbouring byte columns, filtered straight in the bitmap rows.
template <typename V>
void BlurColumns(const TPixelView& view, const TRect& r, const DericheCoefficients<V>& k) {
    const int c = view.BytesPerPixel, h = r.Height();
    const int values = r.Width() * c;
    const int block = 64;
    const int blocks = (values + block - 1) / block;
    uint8_t* origin = view.Row(r.Top) + size_t(r.Left) * c;
    ParallelBands(blocks, std::max(1, 1048576 / (block * std::max(1, h))), [&](int begin, int end) {
        BlockBuffers<V> buffers(h, block);
        // The strip is filtered in a contiguous copy: the bitmap's rows are far apart, and
        // touching each of them once each way costs less than in both passes of the filter.
        std::vector<uint8_t> strip(size_t(h) * block);
        for (int blk = begin; blk < end; ++blk) {
            const int width = std::min(block, values - blk * block);
            uint8_t* column = origin + blk * block;
            for (int y = 0; y < h; ++y)
                std::memcpy(&strip[size_t(y) * width], column + ptrdiff_t(y) * view.Stride, size_t(width));
            buffers.Filter(k, strip.data(), width, h, width);
            for (int y = 0; y < h; ++y)
                std::memcpy(column + ptrdiff_t(y) * view.Stride, &strip[size_t(y) * width], size_t(width));
        }
    });
}

// Copies a row of pixels into a column of the turned block (position i at turned[i * width]),
// or back.
template <int C>
void TurnRowOf(uint8_t* __restrict turned, int width, uint8_t* __restrict row, int length, bool in) {
    if (in) {
        for (int i = 0; i < length; ++i)
            for (int ch = 0; ch < C; ++ch)
                turned[size_t(i) * width + ch] = row[i * C + ch];
    } else {
        for (int i = 0; i < length; ++i)
            for (int ch = 0; ch < C; ++ch)
                row[i * C + ch] = turned[size_t(i) * width + ch];
    }
}

void TurnRow(uint8_t* turned, int width, uint8_t* row, int length, int c, bool in) {
    switch (c) {
    case 1:
        TurnRowOf<1>(turned, width, row, length, in);
        break;
    case 3:
        TurnRowOf<3>(turned, width, row, length, in);
        break;
    default:
        TurnRowOf<4>(turned, width, row, length, in);
        break;
    }
}

// Rows: a band of rows is turned into columns (position-major), filtered like columns, and
// turned back.
template <typename V>
void BlurRows(const TPixelView& view, const TRect& r, const DericheCoefficients<V>& k) {
    const int c = view.BytesPerPixel, w = r.Width();
    const int band = c == 1 ? 64 : 32;
    const int bands = (r.Height() + band - 1) / band;
    ParallelBands(bands, std::max(1, 65536 / (band * c * std::max(1, w))), [&](int begin, int end) {
        const int width = band * c;
        BlockBuffers<V> buffers(w, width);
        std::vector<uint8_t> turned(size_t(w) * width);
        for (int bi = begin; bi < end; ++bi) {
            const int top = r.Top + bi * band;
            const int rows = std::min(band, r.Bottom - top);
            for (int row = 0; row < rows; ++row)
                TurnRow(turned.data() + row * c, width, view.Row(top + row) + size_t(r.Left) * c, w, c, true);
            buffers.Filter(k, turned.data(), width, w, rows * c);
            for (int row = 0; row < rows; ++row)
                TurnRow(turned.data() + row * c, width, view.Row(top + row) + size_t(r.Left) * c, w, c,
                        false);
        }
    });
}

// ---------------------------------------------------------------------------------------------
// The 16.16 blur on lanes: many lines of equal length are filtered side by side, one line a lane
// of a vector, the recursion's state (four earlier inputs and outputs of every line) held in
// registers. The vertical pass filters strips of neighbouring byte columns; the horizontal pass
// turns bands of 16 rows into columns first. Vectors are the compiler's generic vectors, so one
// template serves 16 lanes (AVX-512), 8 (AVX2) and 4 (the baseline, also the portable build):
// every width computes the same integers as the reference.

typedef int32_t Int32x4 __attribute__((vector_size(16)));
typedef int32_t Int32x8 __attribute__((vector_size(32)));
typedef int32_t Int32x16 __attribute__((vector_size(64)));
typedef uint32_t UInt32x4 __attribute__((vector_size(16)));
typedef uint32_t UInt32x8 __attribute__((vector_size(32)));
typedef uint32_t UInt32x16 __attribute__((vector_size(64)));
typedef uint8_t Byte4 __attribute__((vector_size(4)));
typedef uint8_t Byte8 __attribute__((vector_size(8)));
typedef uint8_t Byte16 __attribute__((vector_size(16)));
typedef uint16_t UInt16x4 __attribute__((vector_size(8)));
typedef uint16_t UInt16x8 __attribute__((vector_size(16)));
typedef uint16_t UInt16x16 __attribute__((vector_size(32)));

template <int N>
struct LaneTypes;
template <>
struct LaneTypes<4> {
    using Int = Int32x4;
    using UInt = UInt32x4;
    using Bytes = Byte4;
    using Words = UInt16x4;
};
template <>
struct LaneTypes<8> {
    using Int = Int32x8;
    using UInt = UInt32x8;
    using Bytes = Byte8;
    using Words = UInt16x8;
};
template <>
struct LaneTypes<16> {
    using Int = Int32x16;
    using UInt = UInt32x16;
    using Bytes = Byte16;
    using Words = UInt16x16;
};

// Lines filtered side by side in one sweep of the widest variant; blocks are padded to it.
constexpr int kBlurLanes = 16;

// The coefficients with each 16.16 feedback weight split into high and low halves: the rounded
// product (d y + 32768) >> 16 is then d yh + dh yl + ((dl yl + 32768) >> 16) with
// y = yh 65536 + yl, all in 32-bit lanes (dl yl + 32768 below 2^32 as an unsigned number). That is
// exact while |d yh| stays below 2^31: the weights are below 2^20 and, for byte input and radii up
// to 50, the accumulators below 2^26. Small weights (below 2^15, all of them at small radii) need
// no split: d yh + ((d yl + 32768) >> 16) holds d yl in 32 bits, one product fewer.
struct SplitCoefficients {
    int32_t n[5], m[5], d[5], high[5];
    uint32_t low[5];
    int32_t forwardBorder[5], backwardBorder[5]; // n - bn and m - bm
    bool small = true;                           // every feedback weight below 2^15
    explicit SplitCoefficients(const DericheCoefficients<int32_t>& k) {
        for (int i = 0; i < 5; ++i) {
            n[i] = k.n[i], m[i] = k.m[i], d[i] = k.d[i];
            high[i] = k.d[i] >> 16;
            low[i] = uint32_t(k.d[i]) & 0xFFFF;
            forwardBorder[i] = k.n[i] - k.bn[i];
            backwardBorder[i] = k.m[i] - k.bm[i];
            small = small && k.d[i] > -kSmallWeight && k.d[i] < kSmallWeight;
        }
    }
    static constexpr int32_t kSmallWeight = 32768;
};

// Bytes widened to 32-bit lanes. GCC 12 turns a direct byte-to-int conversion into scalar code and
// a two-step one into six instructions; the x86 variants (whose functions are compiled for their
// instruction sets) take the one instruction meant for it.
template <typename V, typename W, typename B>
KERNEL_INLINE V WidenBytes(const uint8_t* at) {
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__)
    if constexpr (sizeof(V) == 64 || sizeof(V) == 32) {
        V v;
        asm("vpmovzxbd %1, %0" : "=v"(v) : "m"(*reinterpret_cast<const B*>(at)));
        return v;
    }
#endif
    B bytes;
    std::memcpy(&bytes, at, sizeof bytes);
    return __builtin_convertvector(__builtin_convertvector(bytes, W), V);
}

// One filter sweep over N lines: value b of position i lies at base[i * posStride + b]; the
// results overwrite the inputs. forward holds length vectors.
template <int N, bool Small>
KERNEL_INLINE void FilterLanes(const SplitCoefficients& k, uint8_t* base, ptrdiff_t posStride, int length,
                               typename LaneTypes<N>::Int* __restrict forward) {
    using V = typename LaneTypes<N>::Int;
    using U = typename LaneTypes<N>::UInt;
    using B = typename LaneTypes<N>::Bytes;
    using W = typename LaneTypes<N>::Words;
    auto load = [&](int i) { return WidenBytes<V, W, B>(base + ptrdiff_t(i) * posStride); };
    // The rounded feedback product of weight q for an output split into (yh, yl).
    const int32_t d1 = k.d[1], d2 = k.d[2], d3 = k.d[3], d4 = k.d[4];
    const int32_t h1c = k.high[1], h2c = k.high[2], h3c = k.high[3], h4c = k.high[4];
    const uint32_t l1c = k.low[1], l2c = k.low[2], l3c = k.low[3], l4c = k.low[4];
    auto feedback = [](int32_t d, int32_t high, uint32_t low, V yh, V yl) -> V {
        if constexpr (Small)
            return d * yh + ((d * yl + 32768) >> 16);
        else
            return d * yh + high * yl + V((U(yl) * low + 32768u) >> 16);
    };
    auto feedbackAt = [&](int q, V yh, V yl) { return feedback(k.d[q], k.high[q], k.low[q], yh, yl); };

    // Forward. xs[q] and the split outputs (yh[q], yl[q]) are those q positions back.
    V xs[5] = {}, yh[5] = {}, yl[5] = {};
    const V first = load(0);
    auto push = [&](V x, V y) {
        for (int q = 4; q > 1; --q)
            xs[q] = xs[q - 1], yh[q] = yh[q - 1], yl[q] = yl[q - 1];
        xs[1] = x, yh[1] = y >> 16, yl[1] = y & 0xFFFF;
    };
    // The first positions see the line continued before its start by its first value.
    int i = 0;
    for (; i < length && i < 4; ++i) {
        const V x = load(i);
        V acc = k.n[0] * x;
        for (int q = 1; q <= i; ++q)
            acc += k.n[q] * xs[q] - feedbackAt(q, yh[q], yl[q]);
        for (int q = i + 1; q <= 4; ++q)
            acc += k.forwardBorder[q] * first;
        forward[i] = acc;
        push(x, acc);
    }
    // The steady state, four positions a round: each step writes its input and output over the
    // oldest ones, so the registers change roles instead of being copied along.
    {
        const int32_t n0 = k.n[0], n1 = k.n[1], n2 = k.n[2], n3 = k.n[3]; // n[4] is 0
        V x1 = xs[1], x2 = xs[2], x3 = xs[3], x4 = xs[4];
        V h1 = yh[1], h2 = yh[2], h3 = yh[3], h4 = yh[4];
        V l1 = yl[1], l2 = yl[2], l3 = yl[3], l4 = yl[4];
        auto step = [&](int at, V& xa, V& xb, V& xc, V& xd, V& ha, V& la, V& hb, V& lb, V& hc, V& lc, V& hd,
                        V& ld) __attribute__((always_inline)) {
            const V x = load(at);
            const V y = n0 * x + n1 * xa + n2 * xb + n3 * xc - feedback(d1, h1c, l1c, ha, la) -
                        feedback(d2, h2c, l2c, hb, lb) - feedback(d3, h3c, l3c, hc, lc) -
                        feedback(d4, h4c, l4c, hd, ld);
            forward[at] = y;
            xd = x, hd = y >> 16, ld = y & 0xFFFF;
        };
        for (; i + 4 <= length; i += 4) {
            step(i, x1, x2, x3, x4, h1, l1, h2, l2, h3, l3, h4, l4);
            step(i + 1, x4, x1, x2, x3, h4, l4, h1, l1, h2, l2, h3, l3);
            step(i + 2, x3, x4, x1, x2, h3, l3, h4, l4, h1, l1, h2, l2);
            step(i + 3, x2, x3, x4, x1, h2, l2, h3, l3, h4, l4, h1, l1);
        }
        for (; i < length; ++i) {
            step(i, x1, x2, x3, x4, h1, l1, h2, l2, h3, l3, h4, l4);
            std::swap(x1, x4), std::swap(x2, x4), std::swap(x3, x4);
            std::swap(h1, h4), std::swap(h2, h4), std::swap(h3, h4);
            std::swap(l1, l4), std::swap(l2, l4), std::swap(l3, l4);
        }
    }

    // Backward, writing the result of each position over its input (kept aside for the next four).
    const V zero = {}, top = zero + 255;
    auto store = [&](int j, V backward) {
        V v = (forward[j] + backward + 32768) >> 16; // below 0 both this and the truncation clamp to 0
        v = v < zero ? zero : v;
        v = v > top ? top : v;
        const B bytes = __builtin_convertvector(v, B);
        std::memcpy(base + ptrdiff_t(j) * posStride, &bytes, sizeof bytes);
    };
    const int last = length - 1;
    const V lastValue = load(last);
    for (int q = 0; q < 5; ++q)
        xs[q] = yh[q] = yl[q] = zero;
    // The first positions see the line continued past its end by its last value; m[0] is 0.
    for (i = 0; i < length && i < 4; ++i) {
        const int j = last - i;
        const V x = load(j);
        V acc = zero;
        for (int q = 1; q <= i; ++q)
            acc += k.m[q] * xs[q] - feedbackAt(q, yh[q], yl[q]);
        for (int q = i + 1; q <= 4; ++q)
            acc += k.backwardBorder[q] * lastValue;
        store(j, acc);
        push(x, acc);
    }
    const int32_t m1 = k.m[1], m2 = k.m[2], m3 = k.m[3], m4 = k.m[4];
    V x1 = xs[1], x2 = xs[2], x3 = xs[3], x4 = xs[4];
    V h1 = yh[1], h2 = yh[2], h3 = yh[3], h4 = yh[4];
    V l1 = yl[1], l2 = yl[2], l3 = yl[3], l4 = yl[4];
    auto step = [&](int at, V& xa, V& xb, V& xc, V& xd, V& ha, V& la, V& hb, V& lb, V& hc, V& lc, V& hd,
                    V& ld) __attribute__((always_inline)) {
        const int j = last - at;
        const V x = load(j);
        const V y = m1 * xa + m2 * xb + m3 * xc + m4 * xd - feedback(d1, h1c, l1c, ha, la) -
                    feedback(d2, h2c, l2c, hb, lb) - feedback(d3, h3c, l3c, hc, lc) -
                    feedback(d4, h4c, l4c, hd, ld);
        store(j, y);
        xd = x, hd = y >> 16, ld = y & 0xFFFF;
    };
    for (; i + 4 <= length; i += 4) {
        step(i, x1, x2, x3, x4, h1, l1, h2, l2, h3, l3, h4, l4);
        step(i + 1, x4, x1, x2, x3, h4, l4, h1, l1, h2, l2, h3, l3);
        step(i + 2, x3, x4, x1, x2, h3, l3, h4, l4, h1, l1, h2, l2);
        step(i + 3, x2, x3, x4, x1, h2, l2, h3, l3, h4, l4, h1, l1);
    }
    for (; i < length; ++i) {
        step(i, x1, x2, x3, x4, h1, l1, h2, l2, h3, l3, h4, l4);
        std::swap(x1, x4), std::swap(x2, x4), std::swap(x3, x4);
        std::swap(h1, h4), std::swap(h2, h4), std::swap(h3, h4);
        std::swap(l1, l4), std::swap(l2, l4), std::swap(l3, l4);
    }
}

// Filters `lanes` lines (a multiple of kBlurLanes) in sweeps of N. forward holds length x
// kBlurLanes values.
template <int N>
KERNEL_INLINE void FilterSweeps(const SplitCoefficients& k, uint8_t* base, ptrdiff_t posStride, int length,
                                int lanes, void* forward) {
    auto* values = static_cast<typename LaneTypes<N>::Int*>(forward);
    for (int s = 0; s < lanes; s += N) {
        if (k.small)
            FilterLanes<N, true>(k, base + s, posStride, length, values);
        else
            FilterLanes<N, false>(k, base + s, posStride, length, values);
    }
}

using SweepFunction = void (*)(const SplitCoefficients&, uint8_t*, ptrdiff_t, int, int, void*);

void FilterSweeps4(const SplitCoefficients& k, uint8_t* base, ptrdiff_t posStride, int length, int lanes,
                   void* forward) {
    FilterSweeps<4>(k, base, posStride, length, lanes, forward);
}

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__)
__attribute__((target("avx2"))) void FilterSweeps8(const SplitCoefficients& k, uint8_t* base,
                                                   ptrdiff_t posStride, int length, int lanes,
                                                   void* forward) {
    FilterSweeps<8>(k, base, posStride, length, lanes, forward);
}
__attribute__((target("arch=x86-64-v4"))) void FilterSweeps16(const SplitCoefficients& k, uint8_t* base,
                                                              ptrdiff_t posStride, int length, int lanes,
                                                              void* forward) {
    FilterSweeps<16>(k, base, posStride, length, lanes, forward);
}

int WidestBlurLanes() {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq"))
        return 16;
    return __builtin_cpu_supports("avx2") ? 8 : 4;
}
#else
int WidestBlurLanes() {
    return 4;
}
#endif

const int widestBlurLanes = WidestBlurLanes();
std::atomic<int> blurLanes{widestBlurLanes};

SweepFunction Sweeps() {
    switch (blurLanes.load(std::memory_order_relaxed)) {
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__)
    case 16:
        return FilterSweeps16;
    case 8:
        return FilterSweeps8;
#endif
    default:
        return FilterSweeps4;
    }
}

// Room for the forward values of one sweep, aligned for the widest vectors.
struct ForwardBuffer {
    static constexpr size_t kAlign = sizeof(Int32x16);
    std::vector<uint8_t> bytes;
    explicit ForwardBuffer(int length) : bytes(size_t(std::max(1, length)) * kAlign + kAlign) {}
    void* Data() {
        const uintptr_t at = reinterpret_cast<uintptr_t>(bytes.data());
        return bytes.data() + ((kAlign - at % kAlign) % kAlign);
    }
};

// Vertical pass: strips of up to 128 neighbouring byte columns, copied into a contiguous block
// (the bitmap's rows are far apart) and filtered there.
void BlurColumnsFixed(const TPixelView& view, const TRect& r, const SplitCoefficients& k) {
    constexpr int kStrip = 8 * kBlurLanes;
    const int c = view.BytesPerPixel, h = r.Height();
    const int values = r.Width() * c;
    const int strips = (values + kStrip - 1) / kStrip;
    uint8_t* origin = view.Row(r.Top) + size_t(r.Left) * c;
    const SweepFunction sweeps = Sweeps();
    ParallelBands(strips, std::max(1, 1048576 / (kStrip * std::max(1, h))), [&](int begin, int end) {
        ForwardBuffer forward(h);
        std::vector<uint8_t> strip(size_t(h) * kStrip);
        for (int s = begin; s < end; ++s) {
            const int width = std::min(kStrip, values - s * kStrip);
            const int lanes = (width + kBlurLanes - 1) / kBlurLanes * kBlurLanes;
            uint8_t* column = origin + s * kStrip;
            if (width == kStrip) { // whole strips: copies of a constant size, one vector each
                for (int y = 0; y < h; ++y)
                    std::memcpy(&strip[size_t(y) * kStrip], column + ptrdiff_t(y) * view.Stride, kStrip);
            } else {
                for (int y = 0; y < h; ++y) {
                    uint8_t* line = &strip[size_t(y) * lanes];
                    std::memcpy(line, column + ptrdiff_t(y) * view.Stride, size_t(width));
                    std::memset(line + width, 0, size_t(lanes - width)); // lanes past the strip: ignored
                }
            }
            sweeps(k, strip.data(), lanes, h, lanes, forward.Data());
            if (width == kStrip) {
                for (int y = 0; y < h; ++y)
                    std::memcpy(column + ptrdiff_t(y) * view.Stride, &strip[size_t(y) * kStrip], kStrip);
            } else {
                for (int y = 0; y < h; ++y)
                    std::memcpy(column + ptrdiff_t(y) * view.Stride, &strip[size_t(y) * lanes],
                                size_t(width));
            }
        }
    });
}

// Turns 16 rows of `count` bytes (row q at rows[q], nullptr for a missing row, read as 0) into
// count columns of 16 (byte i of row q at turned[i * 16 + q]), or back.
void TurnBand(uint8_t* const* rows, uint8_t* turned, int count, bool in) {
    int i = 0;
#if defined(__SSE2__)
    // 16 x 16 blocks: four rounds of interleaving row q with row q + 8 transpose a block.
    for (; i + 16 <= count; i += 16) {
        __m128i v[16], w[16];
        for (int q = 0; q < 16; ++q)
            v[q] = in ? (rows[q] ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[q] + i))
                                 : _mm_setzero_si128())
                      : _mm_loadu_si128(reinterpret_cast<const __m128i*>(turned + size_t(i + q) * 16));
        for (int round = 0; round < 4; ++round) {
            for (int q = 0; q < 8; ++q) {
                w[2 * q] = _mm_unpacklo_epi8(v[q], v[q + 8]);
                w[2 * q + 1] = _mm_unpackhi_epi8(v[q], v[q + 8]);
            }
            std::copy(w, w + 16, v);
        }
        for (int q = 0; q < 16; ++q) {
            if (in)
                _mm_storeu_si128(reinterpret_cast<__m128i*>(turned + size_t(i + q) * 16), v[q]);
            else if (rows[q])
                _mm_storeu_si128(reinterpret_cast<__m128i*>(rows[q] + i), v[q]);
        }
    }
#endif
    for (; i < count; ++i)
        for (int q = 0; q < 16; ++q) {
            if (in)
                turned[size_t(i) * 16 + q] = rows[q] ? rows[q][i] : 0;
            else if (rows[q])
                rows[q][i] = turned[size_t(i) * 16 + q];
        }
}

// Horizontal pass: bands of 16 rows are turned into columns, so that byte i of every row of the
// band (channel i mod C of pixel i / C) lies at turned[i * 16 + row]; each channel is then a
// sweep of 16 lines with positions C x 16 bytes apart.
void BlurRowsFixed(const TPixelView& view, const TRect& r, const SplitCoefficients& k) {
    constexpr int kBand = kBlurLanes;
    const int c = view.BytesPerPixel, w = r.Width();
    const int count = w * c;
    const int bands = (r.Height() + kBand - 1) / kBand;
    const SweepFunction sweeps = Sweeps();
    ParallelBands(bands, std::max(1, 65536 / (kBand * std::max(1, count))), [&](int begin, int end) {
        ForwardBuffer forward(w);
        std::vector<uint8_t> turned(size_t(count) * kBand);
        uint8_t* rows[kBand];
        for (int b = begin; b < end; ++b) {
            const int top = r.Top + b * kBand;
            for (int q = 0; q < kBand; ++q)
                rows[q] = top + q < r.Bottom ? view.Row(top + q) + size_t(r.Left) * c : nullptr;
            TurnBand(rows, turned.data(), count, true);
            for (int ch = 0; ch < c; ++ch)
                sweeps(k, turned.data() + ch * kBand, ptrdiff_t(c) * kBand, w, kBand, forward.Data());
            TurnBand(rows, turned.data(), count, false);
        }
    });
}

template <typename V>
void Blur(const TPixelView& view, const TRect& r, long double radiusX, long double radiusY) {
    // The coefficients depend on |radius| + 1 only: the rows reuse the columns' set when equal.
    const bool same = radiusY >= 1.0L && std::fabs(radiusX) == std::fabs(radiusY);
    if constexpr (std::is_same_v<V, int32_t>) {
        const SplitCoefficients columns(DericheCoefficients<int32_t>(radiusY >= 1.0L ? radiusY : radiusX));
        if (radiusY >= 1.0L)
            BlurColumnsFixed(view, r, columns);
        if (radiusX >= 1.0L)
            BlurRowsFixed(view, r,
                          same || radiusY < 1.0L ? columns
                                                 : SplitCoefficients(DericheCoefficients<int32_t>(radiusX)));
    } else {
        if (radiusY >= 1.0L)
            BlurColumns(view, r, DericheCoefficients<V>(radiusY));
        if (radiusX >= 1.0L)
            BlurRows(view, r, DericheCoefficients<V>(same ? radiusY : radiusX));
    }
}
// Positions are 16.16 numbers in 32 bits: larger sides are refused rather than overflowed.
void CheckResampleSize(int width, int height) {
    if (width > kMaxResampleSide || height > kMaxResampleSide)
        throw EInvalidGraphic(
            QStringLiteral("A bitmap of %1 x %2 pixels is too large to resample (%3 pixels a side "
                           "at most)")
                .arg(width)
                .arg(height)
                .arg(kMaxResampleSide));
}

} // namespace

// ---------------------------------------------------------------------------------------------

int BlurVectorLanes() {
    return blurLanes.load();
}

int SetBlurVectorLanes(int lanes) {
    const int chosen = lanes >= 16 && widestBlurLanes >= 16 ? 16 : lanes >= 8 && widestBlurLanes >= 8 ? 8 : 4;
    blurLanes.store(lanes <= 0 ? widestBlurLanes : chosen);
    return blurLanes.load();
}

long double BlurSigma(long double radius) {
    const long double r = std::fabs(radius) + 1.0L;
    return std::sqrt(-(r * r) / (2.0L * std::log(1.0L / 255.0L)));
}

template <typename Value>
DericheCoefficients<Value>::DericheCoefficients(long double radius) {
    using L = long double;
    const L sigma = BlurSigma(std::min(std::fabs(radius), kMaxBlurRadius));
    const L a0 = 1.6803L, a1 = 3.735L, c0 = -0.6803L, c1 = -0.2598L;
    const L b0 = -1.783L, b1 = -1.723L, w0 = 0.6318L, w1 = 1.997L;
    const L pi = 3.141592653589793238462643383279502884L;
    const L kk = 1.0L / (sigma * std::sqrt(2.0L * pi));
    const L A0 = a0 * kk, A1 = a1 * kk, C0 = c0 * kk, C1 = c1 * kk;
    const L B0 = b0 / sigma, B1 = b1 / sigma, W0 = w0 / sigma, W1 = w1 / sigma;
    L N[5], D[5], M[5], BN[5], BM[5];
    N[0] = A0 + C0;
    N[1] = std::exp(B1) * (C1 * std::sin(W1) - (C0 + 2 * A0) * std::cos(W1)) +
           std::exp(B0) * (A1 * std::sin(W0) - (2 * C0 + A0) * std::cos(W0));
    N[2] = 2 * std::exp(B0 + B1) *
               ((A0 + C0) * std::cos(W1) * std::cos(W0) - A1 * std::cos(W1) * std::sin(W0) -
                C1 * std::cos(W0) * std::sin(W1)) +
           C0 * std::exp(2 * B0) + A0 * std::exp(2 * B1);
    N[3] = std::exp(B1 + 2 * B0) * (C1 * std::sin(W1) - C0 * std::cos(W1)) +
           std::exp(B0 + 2 * B1) * (A1 * std::sin(W0) - A0 * std::cos(W0));
    N[4] = 0;
    D[0] = 0;
    D[1] = -2 * std::exp(B1) * std::cos(W1) - 2 * std::exp(B0) * std::cos(W0);
    D[2] = 4 * std::cos(W1) * std::cos(W0) * std::exp(B0 + B1) + std::exp(2 * B1) + std::exp(2 * B0);
    D[3] = -2 * std::cos(W0) * std::exp(B0 + 2 * B1) - 2 * std::cos(W1) * std::exp(B1 + 2 * B0);
    D[4] = std::exp(2 * B0 + 2 * B1);
    M[0] = 0;
    for (int i = 1; i <= 4; ++i)
        M[i] = N[i] - D[i] * N[0];
    L sn = 0, sm = 0, sd = 0;
    for (int i = 0; i <= 4; ++i)
        sn += N[i], sm += M[i], sd += D[i];
    const L f = 1.0L / (1.0L + sd);
    for (int i = 0; i <= 4; ++i) {
        BN[i] = f * sn * D[i];
        BM[i] = f * sm * D[i];
    }
    auto store = [](L v) -> Value {
        if constexpr (std::is_floating_point_v<Value>)
            return Value(v);
        else
            return Value(std::lrint(v * 65536.0L));
    };
    for (int i = 0; i <= 4; ++i) {
        n[i] = store(N[i]);
        d[i] = store(D[i]);
        m[i] = store(M[i]);
        bn[i] = store(BN[i]);
        bm[i] = store(BM[i]);
    }
}

template struct DericheCoefficients<int32_t>;
template struct DericheCoefficients<float>;
template struct DericheCoefficients<double>;

void ResamplePixels(const TPixelView& dest, const TPixelView& source, TResampleKind kind) {
    ResampleRows(dest, 0, dest.Height, source, kind);
}

void ResampleRows(const TPixelView& rows, int firstRow, int destHeight, const TPixelView& source,
                  TResampleKind kind) {
    if (rows.Empty() || source.Empty() || destHeight < 1 || firstRow < 0 ||
        rows.Height > destHeight - firstRow)
        return;
    // Rows are written in the source's pixel size: any other size would write past them.
    if (rows.BytesPerPixel != source.BytesPerPixel ||
        (source.BytesPerPixel != 1 && source.BytesPerPixel != 3 && source.BytesPerPixel != 4))
        return;
    CheckResampleSize(source.Width, source.Height);
    CheckResampleSize(rows.Width, destHeight);
    const DestRows dest{rows, firstRow, destHeight};
    if (kind == rkNearest)
        ResampleNearest(dest, source);
    else
        ResampleFiltered(dest, source, kind);
}

void ResampleBitmap(TBitmap* dest, TBitmap* source, TResampleKind kind) {
    if (!dest || !source || dest == source)
        return;
    if (source->Width() < 1 || source->Height() < 1 || dest->Width() < 1 || dest->Height() < 1)
        return;
    const TPixelFormat format = source->PixelFormat();
    if (format != pf8bit && format != pf24bit && format != pf32bit)
        return;
    CheckResampleSize(source->Width(), source->Height());
    CheckResampleSize(dest->Width(), dest->Height());
    if (dest->PixelFormat() != format)
        dest->SetPixelFormat(format);
    const TPixelView in = ReadPixelViewOf(*source);
    const TPixelView out = PixelViewOf(*dest);
    ResamplePixels(out, in, kind);
    dest->Changed();
}

bool IntersectRectChecked(TRect& r, const TRect& a, const TRect& b) {
    r = TRect();
    if (a.IsEmpty() || b.IsEmpty())
        return false;
    r = TRect(std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
              std::min(a.Bottom, b.Bottom));
    return !r.IsEmpty();
}

void GaussianBlurPixels(const TPixelView& view, const TRect& rect, long double radiusX, long double radiusY) {
    if (view.Empty() || (radiusX < 1.0L && radiusY < 1.0L))
        return;
    // The row blocks are turned in pixels of 1, 3 or 4 bytes; other sizes would be read past.
    if (view.BytesPerPixel != 1 && view.BytesPerPixel != 3 && view.BytesPerPixel != 4)
        return;
    TRect r;
    if (!IntersectRectChecked(r, rect, TRect(0, 0, view.Width, view.Height)))
        return;
    if (std::max(radiusX, radiusY) > 50.0L)
        Blur<double>(view, r, radiusX, radiusY);
    else
        Blur<int32_t>(view, r, radiusX, radiusY);
}

namespace {

void BlurBitmap(TBitmap* bitmap, const TRect& rect, long double radiusX, long double radiusY,
                bool fixedOnly) {
    if (!bitmap || (radiusX < 1.0L && radiusY < 1.0L))
        return;
    TRect r;
    if (!IntersectRectChecked(r, rect, TRect(0, 0, bitmap->Width(), bitmap->Height())))
        return;
    const TPixelFormat format = bitmap->PixelFormat();
    if (format != pf8bit && format != pf24bit && format != pf32bit)
        return;
    const TPixelView view = PixelViewOf(*bitmap);
    // Above a radius of 50 the 16.16 feedback weights no longer hold the filter (above about
    // 150 it would even grow without bound): such radii always take the floating-point filter.
    if (fixedOnly && std::max(radiusX, radiusY) <= 50.0L)
        Blur<int32_t>(view, r, radiusX, radiusY);
    else
        GaussianBlurPixels(view, r, radiusX, radiusY);
    bitmap->Changed();
}

} // namespace

void GaussianBlurRect(TBitmap* bitmap, const TRect& rect, long double radiusX, long double radiusY) {
    BlurBitmap(bitmap, rect, radiusX, radiusY, false);
}

void GaussianBlurRectFixed(TBitmap* bitmap, const TRect& rect, long double radiusX, long double radiusY) {
    BlurBitmap(bitmap, rect, radiusX, radiusY, true);
}
