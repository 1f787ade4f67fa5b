#include "imaging/UImageUtil.h"

#include "platform/Bitmap.h"
#include "platform/Exception.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <type_traits>
#include <vector>

// Hot loops are compiled for the baseline processor and for AVX2 (wide integer blocks also for
// AVX-512), and the best one is chosen when the program starts; the loops are plain C++ that the
// compiler vectorises, so every clone computes exactly the same integers and floats. Float loops
// never get the AVX-512 clone: its instruction set brings fused multiply-add, which rounds once
// where the plain version rounds twice.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_ADDRESS__)
#define KERNEL_CLONES __attribute__((target_clones("avx2", "default")))
// Wide blocks (the blur's columns) gain from 16 lanes; the narrow row blocks lose.
#define WIDE_KERNEL_CLONES __attribute__((target_clones("arch=x86-64-v4", "avx2", "default")))
#else
#define KERNEL_CLONES
#define WIDE_KERNEL_CLONES
#endif
#define KERNEL_INLINE inline __attribute__((always_inline))

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
    // Box: output pixel j sums taps source pixels from first[j] with weights[j * taps + t].
    int taps = 0;
    uint32_t inv = 0;
    std::vector<int32_t> first, weights;
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
            taps = std::min(int(step >> 16) + 2, sw);
            first.resize(dw);
            weights.assign(size_t(dw) * taps, 0);
            int pos = 0, carry = 256;
            for (int j = 0; j < dw; ++j) {
                const int64_t end = (j + 1) * step;
                const int e = int(end >> 16), f = int((end >> 8) & 0xFF);
                // A span that ends exactly at the row's end gives the pixel after it weight 0:
                // leave it out so that no tap reads past the row.
                const int last = e < sw ? e : sw - 1;
                first[j] = std::min(pos, sw - taps > 0 ? sw - taps : 0);
                const int shift = pos - first[j];
                int32_t* w = &weights[size_t(j) * taps];
                w[shift] = carry;
                for (int q = pos + 1; q < e && q <= last; ++q)
                    w[q - first[j]] = 256;
                if (e <= last && e > pos)
                    w[e - first[j]] = f;
                carry = 256 - f;
                pos = e;
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

template <int C>
KERNEL_INLINE void BoxColumns(const ColumnPlan& plan, const uint8_t* __restrict in, int32_t* __restrict out) {
    const int taps = plan.taps;
    for (int j = 0; j < plan.dw; ++j) {
        const uint8_t* p = in + size_t(plan.first[j]) * C;
        const int32_t* w = &plan.weights[size_t(j) * taps];
        uint32_t sum[C] = {};
        for (int t = 0; t < taps; ++t)
            for (int ch = 0; ch < C; ++ch)
                sum[ch] += uint32_t(w[t]) * p[t * C + ch];
        for (int ch = 0; ch < C; ++ch)
            out[j * C + ch] = int32_t((sum[ch] * plan.inv) >> 24);
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

// A local copy of the coefficients for the steady-state loops (so the compiler knows the stores
// cannot change them), with the 16.16 feedback weights split into high and low halves: the
// rounded product (d y + 32768) >> 16 is then d yh + dh yl + ((dl yl + 32768) >> 16) with
// y = yh 65536 + yl, all in 32-bit lanes. That is exact while |d yh| stays below 2^31: the
// weights are below 2^20 and, for byte input and radii up to 50, the accumulators below 2^26.
template <typename V>
struct SteadyCoefficients {
    DericheCoefficients<V> k;
    explicit SteadyCoefficients(const DericheCoefficients<V>& coefficients) : k(coefficients) {}
    V Feedback(int n, V y) const { return k.Feedback(n, y); }
};

template <>
struct SteadyCoefficients<int32_t> {
    DericheCoefficients<int32_t> k;
    int32_t high[5], low[5];
    explicit SteadyCoefficients(const DericheCoefficients<int32_t>& coefficients) : k(coefficients) {
        for (int n = 0; n < 5; ++n) {
            high[n] = k.d[n] >> 16;
            low[n] = k.d[n] & 0xFFFF;
        }
    }
    int32_t Feedback(int n, int32_t y) const {
        const int32_t yh = y >> 16, yl = y & 0xFFFF;
        return k.d[n] * yh + high[n] * yl + int32_t((uint32_t(low[n]) * uint32_t(yl) + 32768u) >> 16);
    }
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

KERNEL_CLONES void FilterBlockFixed(const DericheCoefficients<int32_t>& k, uint8_t* base, ptrdiff_t posStride,
                                    int length, int width, int32_t* forward, int32_t* history,
                                    uint8_t* xHistory) {
    FilterBlock(k, base, posStride, length, width, forward, history, xHistory);
}
KERNEL_CLONES void FilterBlockFloat(const DericheCoefficients<double>& k, uint8_t* base, ptrdiff_t posStride,
                                    int length, int width, double* forward, double* history,
                                    uint8_t* xHistory) {
    FilterBlock(k, base, posStride, length, width, forward, history, xHistory);
}
WIDE_KERNEL_CLONES void FilterWideBlockFixed(const DericheCoefficients<int32_t>& k, uint8_t* base,
                                             ptrdiff_t posStride, int length, int width, int32_t* forward,
                                             int32_t* history, uint8_t* xHistory) {
    FilterBlock(k, base, posStride, length, width, forward, history, xHistory);
}
// Not the 16-lane clone: its instruction set has fused multiply-add, which would round the float
// filter differently from the plain version.
KERNEL_CLONES void FilterWideBlockFloat(const DericheCoefficients<double>& k, uint8_t* base,
                                        ptrdiff_t posStride, int length, int width, double* forward,
                                        double* history, uint8_t* xHistory) {
    FilterBlock(k, base, posStride, length, width, forward, history, xHistory);
}

template <typename V>
struct BlockBuffers {
    std::vector<V> forward, history;
    std::vector<uint8_t> xHistory;
    BlockBuffers(int length, int width)
        : forward(size_t(length) * width), history(size_t(5) * width), xHistory(size_t(6) * width) {}
    void Filter(const DericheCoefficients<V>& k, uint8_t* base, ptrdiff_t posStride, int length, int width,
                bool wide) {
        if constexpr (std::is_same_v<V, int32_t>)
            (wide ? FilterWideBlockFixed : FilterBlockFixed)(k, base, posStride, length, width,
                                                             forward.data(), history.data(), xHistory.data());
        else
            (wide ? FilterWideBlockFloat : FilterBlockFloat)(k, base, posStride, length, width,
                                                             forward.data(), history.data(), xHistory.data());
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
            buffers.Filter(k, strip.data(), width, h, width, true);
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
            buffers.Filter(k, turned.data(), width, w, rows * c, true);
            for (int row = 0; row < rows; ++row)
                TurnRow(turned.data() + row * c, width, view.Row(top + row) + size_t(r.Left) * c, w, c,
                        false);
        }
    });
}

template <typename V>
void Blur(const TPixelView& view, const TRect& r, long double radiusX, long double radiusY) {
    if (radiusY >= 1.0L)
        BlurColumns(view, r, DericheCoefficients<V>(radiusY));
    if (radiusX >= 1.0L) {
        // The coefficients depend on |radius| + 1 only.
        if (radiusY >= 1.0L && std::fabs(radiusX) == std::fabs(radiusY))
            BlurRows(view, r, DericheCoefficients<V>(radiusY));
        else
            BlurRows(view, r, DericheCoefficients<V>(radiusX));
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
