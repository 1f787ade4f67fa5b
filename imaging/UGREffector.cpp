#include "imaging/UGREffector.h"

#include "core/UPhasedProgress.h"
#include "imaging/PixelKernel.h"
#include "platform/Bitmap.h"
#include "platform/PixelBuffer.h"

#include <QProgressBar> // completes the progress header's pointer type
#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace {

constexpr int kRowsPerStep = 64;

// Rows of an input: the first byte of the area's first pixel in row 0, and the row distance.
struct TInput {
    const uint8_t* Bits = nullptr;
    ptrdiff_t Stride = 0;
    const uint8_t* Row(int y) const { return Bits + ptrdiff_t(y) * Stride; }
};

TInput InputOf(const PixelBuffer& pixels, const TRect& area, int bpp) {
    TInput in;
    in.Bits = pixels.ConstScanLine(area.Top) + ptrdiff_t(area.Left) * bpp;
    in.Stride = pixels.Stride();
    return in;
}

TInput InputOf(const TPixelView& view) {
    return TInput{view.Bits, view.Stride};
}

// Runs body over all rows: in bands on the kernel threads, and, with a progress, in slices of 64
// rows with a step after each slice (one step per row 0, 64, 128... as the bar expects).
void ForRows(int height, TPhasedProgressBase* progress, const std::function<void(int, int)>& body) {
    if (progress == nullptr) {
        ParallelBands(height, 16, body);
        return;
    }
    for (int top = 0; top < height; top += kRowsPerStep) {
        const int count = std::min(kRowsPerStep, height - top);
        ParallelBands(count, 16, [&](int begin, int end) { body(top + begin, top + end); });
        progress->StepIt();
    }
}

void Step(TPhasedProgressBase* progress) {
    if (progress)
        progress->StepIt();
}

// Opens a phase on construction and closes it again, also when a pass raises.
class TPhase {
public:
    TPhase(TPhasedProgressBase* progress, int32_t max) : progress_(progress) {
        if (progress_)
            progress_->BeginPhase(0, max);
    }
    ~TPhase() {
        if (progress_)
            progress_->EndPhase();
    }
    TPhase(const TPhase&) = delete;
    TPhase& operator=(const TPhase&) = delete;

private:
    TPhasedProgressBase* progress_;
};

// Every channel through one table; the fourth byte carried.
void MapChannels(const TInput& in, const TPixelView& out, const std::array<uint8_t, 256>& table,
                 TPhasedProgressBase* progress) {
    const int bpp = out.BytesPerPixel;
    ForRows(out.Height, progress, [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            const uint8_t* s = in.Row(y);
            uint8_t* d = out.Row(y);
            for (int x = 0; x < out.Width; ++x, s += bpp, d += bpp) {
                d[0] = table[s[0]];
                d[1] = table[s[1]];
                d[2] = table[s[2]];
                if (bpp == 4)
                    d[3] = s[3];
            }
        }
    });
}

// s / 9 rounded half up, for sums of nine bytes.
const std::array<uint8_t, 2304>& DivisionTable() {
    static const std::array<uint8_t, 2304> table = [] {
        std::array<uint8_t, 2304> t{};
        for (int s = 0; s < 2304; ++s)
            t[size_t(s)] = uint8_t(std::min(255, (2 * s + 9) / 18));
        return t;
    }();
    return table;
}

// Horizontal sums of one row: each pixel with its left and right neighbour, an edge pixel counted
// again in place of the neighbour it lacks.
template <int Bpp>
void HorizontalSumsOf(const uint8_t* row, int width, uint32_t* sums) {
    if (width == 1) {
        for (int c = 0; c < 3; ++c)
            sums[c] = 3u * row[c];
        return;
    }
    for (int c = 0; c < 3; ++c)
        sums[c] = 2u * row[c] + row[Bpp + c];
    for (int x = 1; x + 1 < width; ++x) {
        const uint8_t* p = row + ptrdiff_t(x) * Bpp;
        uint32_t* out = sums + 3 * x;
        for (int c = 0; c < 3; ++c)
            out[c] = uint32_t(p[c - Bpp]) + p[c] + p[c + Bpp];
    }
    const uint8_t* last = row + ptrdiff_t(width - 1) * Bpp;
    for (int c = 0; c < 3; ++c)
        sums[3 * (width - 1) + c] = uint32_t(last[c - Bpp]) + 2u * last[c];
}

void HorizontalSums(const uint8_t* row, int width, int bpp, uint32_t* sums) {
    if (bpp == 4)
        HorizontalSumsOf<4>(row, width, sums);
    else
        HorizontalSumsOf<3>(row, width, sums);
}

// One pass of the 3 x 3 box blur from in to out (both of out's size).
void BlurPass(const TInput& in, const TPixelView& out, TPhasedProgressBase* progress) {
    const int w = out.Width;
    const int h = out.Height;
    const int bpp = out.BytesPerPixel;
    const auto& div = DivisionTable();
    ForRows(h, progress, [&](int begin, int end) {
        // Three rolling rows of sums: above, this one, below.
        std::vector<uint32_t> buffers(size_t(w) * 9);
        uint32_t* rows[3] = {buffers.data(), buffers.data() + 3 * size_t(w), buffers.data() + 6 * size_t(w)};
        HorizontalSums(in.Row(std::max(0, begin - 1)), w, bpp, rows[0]);
        HorizontalSums(in.Row(begin), w, bpp, rows[1]);
        for (int y = begin; y < end; ++y) {
            HorizontalSums(in.Row(std::min(h - 1, y + 1)), w, bpp, rows[2]);
            const uint8_t* s = in.Row(y);
            uint8_t* d = out.Row(y);
            for (int x = 0; x < w; ++x, s += bpp, d += bpp) {
                for (int c = 0; c < 3; ++c) {
                    const size_t i = size_t(3 * x + c);
                    d[c] = div[rows[0][i] + rows[1][i] + rows[2][i]];
                }
                if (bpp == 4)
                    d[3] = s[3];
            }
            std::rotate(rows, rows + 1, rows + 3);
        }
    });
}

// The 12-bit luminance and chrominance of a pixel with the 2 x 2 ordered dither of (x, y).
struct TYCC {
    int32_t Y, Cb, Cr;
};

// Every numerator is at least 19048 for bytes, so the shifts truncate as the divisions would.
inline TYCC ToYCC(const uint8_t* p, int x, int y) {
    const int32_t b = p[0], g = p[1], r = p[2];
    const int32_t dx = x & 1, dy = y & 1;
    return {(19595 * r + 38470 * g + 7471 * b + 19235 * dx + 9798 * dy) >> 12,
            (-11059 * r - 21709 * g + 32768 * b + 8388608 - 10855 * dx + 16384 * dy) >> 12,
            (32768 * r - 27439 * g - 5329 * b + 8388608 + 16384 * dx - 13720 * dy) >> 12};
}

// (v / 65536 truncated toward zero) clamped to a byte. A negative v clamps to 0 either way, so the
// arithmetic shift (which rounds down) gives the same byte.
inline uint8_t ClampShift16(int32_t v) {
    v >>= 16;
    return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
}

inline uint8_t ClampByte(int32_t v) {
    return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
}

// Round half to even, the class library's rounding, of num / den for num >= 0, den > 0.
int64_t RoundDiv(int64_t num, int64_t den) {
    int64_t q = num / den;
    const int64_t twice = 2 * (num % den);
    if (twice > den || (twice == den && (q & 1) != 0))
        ++q;
    return q;
}

void Merge(TGREffectAutoNormalize::TStatistics& into, const TGREffectAutoNormalize::TStatistics& later) {
    for (size_t i = 0; i < into.Histogram.size(); ++i) {
        into.Histogram[i] += later.Histogram[i];
        into.PlainLevels[i] |= later.PlainLevels[i];
    }
    // Ties keep the earlier pixel: the first pixel with the extreme value counts.
    if (later.MinY < into.MinY) {
        into.MinY = later.MinY;
        into.MinCb = later.MinCb;
        into.MinCr = later.MinCr;
    }
    if (later.MaxY > into.MaxY) {
        into.MaxY = later.MaxY;
        into.MaxCb = later.MaxCb;
        into.MaxCr = later.MaxCr;
    }
}

} // namespace

// ---- colour conversions

void RGBToHSL(long double r, long double g, long double b, long double& h, long double& s, long double& l) {
    const long double mx = std::max({r, g, b});
    const long double mn = std::min({r, g, b});
    l = (mx + mn) / 2;
    if (mx == mn) {
        s = 0;
        h = 0;
        return;
    }
    const long double d = mx - mn;
    s = l <= 0.5L ? d / (mx + mn) : d / (2 - mx - mn);
    if (mx == r)
        h = (g - b) / d;
    else if (mx == g)
        h = (b - r) / d + 2;
    else
        h = (r - g) / d + 4;
    h *= 60;
    while (h < 0)
        h += 360;
    while (h >= 360)
        h -= 360;
}

void HSLToRGB(long double h, long double s, long double l, long double& r, long double& g, long double& b) {
    if (s == 0) {
        r = g = b = l;
        return;
    }
    const long double m2 = l <= 0.5L ? l * (1 + s) : l + s - l * s;
    const long double m1 = 2 * l - m2;
    auto channel = [m1, m2](long double hue) {
        while (hue < 0)
            hue += 360;
        while (hue > 360)
            hue -= 360;
        if (hue < 60)
            return m1 + (m2 - m1) * hue / 60;
        if (hue < 180)
            return m2;
        if (hue < 240)
            return m1 + (m2 - m1) * (240 - hue) / 60;
        return m1;
    };
    r = channel(h + 120);
    g = channel(h);
    b = channel(h - 120);
}

// ---- common frame

bool TGREffector::Prepare(TRect& area, PixelBuffer& input) {
    if (source_ == nullptr || dest_ == nullptr)
        return false;
    const int bits = source_->BitCount();
    if (bits != 24 && bits != 32)
        return false;
    // Only the part of the rectangle inside the source can be read.
    area = rect_;
    area.Left = std::max(area.Left, 0);
    area.Top = std::max(area.Top, 0);
    area.Right = std::min(area.Right, source_->Width());
    area.Bottom = std::min(area.Bottom, source_->Height());
    const int w = std::max(0, area.Right - area.Left);
    const int h = std::max(0, area.Bottom - area.Top);
    // Taken before dest is replaced: source and dest may be one bitmap.
    input = source_->Pixels();
    // Every pixel of dest is written, so pixels of the right shape that no one shares are reused.
    const PixelBuffer& current = dest_->Pixels();
    if (current.IsNull() || current.Width() != w || current.Height() != h || current.BitCount() != bits ||
        current.IsShared())
        dest_->SetPixels(PixelBuffer(w, h, bits));
    return w > 0 && h > 0;
}

// ---- mono-tone

std::array<TColor, 256> TGREffectMonoTone::BuildTable(TColor refColor) {
    const TColor rgb = ColorToRGB(refColor);
    long double h, s, l;
    RGBToHSL(GetRValue(rgb) / 255.0L, GetGValue(rgb) / 255.0L, GetBValue(rgb) / 255.0L, h, s, l);
    std::array<TColor, 256> table{};
    for (int i = 0; i < 256; ++i) {
        long double r, g, b;
        HSLToRGB(h, s, i / 255.0L, r, g, b);
        table[size_t(i)] = RGB(int(r * 255), int(g * 255), int(b * 255));
    }
    return table;
}

void TGREffectMonoTone::Execute() {
    TRect area;
    PixelBuffer source;
    if (!Prepare(area, source))
        return;
    const TPixelView out = PixelViewOf(*Dest());
    const TInput in = InputOf(source, area, out.BytesPerPixel);
    TPhase phase(Progress(), out.Height / kRowsPerStep + 2);
    const std::array<TColor, 256> table = BuildTable(refColor_);
    Step(Progress());
    const int bpp = out.BytesPerPixel;
    ForRows(out.Height, Progress(), [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            const uint8_t* s = in.Row(y);
            uint8_t* d = out.Row(y);
            for (int x = 0; x < out.Width; ++x, s += bpp, d += bpp) {
                const TColor c = table[size_t((77 * s[2] + 150 * s[1] + 29 * s[0]) >> 8)];
                d[0] = uint8_t(GetBValue(c));
                d[1] = uint8_t(GetGValue(c));
                d[2] = uint8_t(GetRValue(c));
                if (bpp == 4)
                    d[3] = s[3];
            }
        }
    });
    Dest()->Changed();
}

// ---- brightness and contrast

std::array<uint8_t, 256> TGREffectBrightnessContrast::BuildTable(int32_t brightness, int32_t contrast) {
    const long double b = std::clamp(brightness / 100.0L, -1.0L, 1.0L);
    const long double c = std::clamp(contrast / 100.0L, -1.0L, 1.0L);
    std::array<uint8_t, 256> table{};
    for (int i = 0; i < 256; ++i) {
        long double v = i / 255.0L + b;
        if (c < 0)
            v = (v - 0.5L) * (c + 1) + 0.5L;
        else if (c == 1)
            v = v >= 0.5L ? 1 : 0;
        else
            v = (v - 0.5L) / (1 - c) + 0.5L;
        // Clamped before the conversion, so a steep contrast cannot overflow it.
        const long double scaled = std::clamp(v * 255 + 0.5L, 0.0L, 255.0L);
        table[size_t(i)] = uint8_t(std::trunc(scaled));
    }
    return table;
}

void TGREffectBrightnessContrast::Execute() {
    TRect area;
    PixelBuffer source;
    if (!Prepare(area, source))
        return;
    const TPixelView out = PixelViewOf(*Dest());
    TPhase phase(Progress(), out.Height / kRowsPerStep + 2);
    const std::array<uint8_t, 256> table = BuildTable(brightness_, contrast_);
    Step(Progress());
    MapChannels(InputOf(source, area, out.BytesPerPixel), out, table, Progress());
    Dest()->Changed();
}

// ---- box blur

void TGREffectBlur::Execute() {
    TRect area;
    PixelBuffer source;
    if (!Prepare(area, source))
        return;
    const TPixelView out = PixelViewOf(*Dest());
    const TInput first = InputOf(source, area, out.BytesPerPixel);
    const int stepsPerPass = out.Height / kRowsPerStep + 1;
    const int32_t passes = std::min(count_, kMaxPasses);
    if (passes < 2) {
        TPhase phase(Progress(), stepsPerPass);
        BlurPass(first, out, Progress());
        Dest()->Changed();
        return;
    }
    TPhase phase(Progress(), passes * stepsPerPass);
    TBitmap temp;
    temp.SetPixels(PixelBuffer(out.Width, out.Height, Dest()->BitCount()));
    const TPixelView work = PixelViewOf(temp);
    // Alternate so that the last pass lands in dest; later passes read the previous result.
    TPixelView target = passes % 2 == 0 ? work : out;
    TInput input = first;
    for (int32_t pass = 0; pass < passes; ++pass) {
        BlurPass(input, target, Progress());
        input = InputOf(target);
        target = target.Bits == work.Bits ? out : work;
    }
    Dest()->Changed();
}

// ---- unsharp mask

void TGREffectUnsharpMask::Execute() {
    TRect area;
    PixelBuffer source;
    if (!Prepare(area, source))
        return;
    const int h = area.Bottom - area.Top;
    TPhase phase(Progress(), h / kRowsPerStep + 2);
    TBitmap original;
    original.SetPixels(source);
    TGREffectBlur blur;
    blur.SetSource(&original);
    blur.SetDest(Dest());
    blur.SetSourceRect(area);
    blur.SetProgress(Progress());
    // Rounded half to even, as the class library rounds: an amount below 1.5 blurs once.
    blur.SetCount(int32_t(std::clamp(std::nearbyint(amount_), 0.0L, (long double)TGREffectBlur::kMaxPasses)));
    blur.Execute();
    Step(Progress());
    const TPixelView out = PixelViewOf(*Dest());
    const TInput in = InputOf(source, area, out.BytesPerPixel);
    const int bpp = out.BytesPerPixel;
    ForRows(out.Height, Progress(), [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            const uint8_t* s = in.Row(y);
            uint8_t* d = out.Row(y);
            for (int x = 0; x < out.Width; ++x, s += bpp, d += bpp) {
                d[0] = ClampByte(2 * s[0] - d[0]);
                d[1] = ClampByte(2 * s[1] - d[1]);
                d[2] = ClampByte(2 * s[2] - d[2]);
            }
        }
    });
    Dest()->Changed();
}

// ---- automatic normalisation

TGREffectAutoNormalize::TLevels TGREffectAutoNormalize::ComputeLevels(const TStatistics& stats) {
    std::array<int64_t, 4096> cumulative{};
    int64_t sum = 0;
    for (size_t i = 0; i < cumulative.size(); ++i) {
        sum += stats.Histogram[i];
        cumulative[i] = sum;
    }
    const int64_t total = cumulative[4095];
    const int64_t lowCount = std::max<int64_t>(1, RoundDiv(total * 2, 100));
    const int64_t highCount = std::max<int64_t>(1, RoundDiv(total * 98, 100));
    TLevels levels;
    int level = 32;
    while (level < 4095 && cumulative[size_t(level)] < lowCount)
        ++level;
    levels.Low = std::max(0, level - 1);
    level = levels.Low;
    while (level < 4095 && cumulative[size_t(level)] < total / 2)
        ++level;
    levels.Mid = std::max(levels.Low, level - 1);
    level = 4095 - 32;
    while (level > 0 && cumulative[size_t(level)] > highCount)
        --level;
    levels.High = std::min(4095, level + 1);
    return levels;
}

void TGREffectAutoNormalize::BuildToneCurve(const TLevels& levels, TCurve& curve) {
    const int low = levels.Low;
    const int high = levels.High;
    if (low >= high) {
        for (size_t i = 0; i < curve.size(); ++i)
            curve[i] = uint16_t(i);
        return;
    }
    const int mid = levels.Mid;
    const int centre = (low + high) / 2;
    long double g = 1;
    if (mid < centre) {
        const long double t = (long double)(centre - mid) / (high - mid);
        g = 1 + std::sqrt(2 * t) / 2;
    } else if (mid > centre) {
        const long double t = (long double)(mid - centre) / (mid - low);
        g = 1 - (2 * t) * (2 * t) / 2;
    }
    const long double e = 1 / g;
    for (int i = 0; i < 4096; ++i) {
        if (i <= low) {
            curve[size_t(i)] = 0;
        } else if (i >= high) {
            curve[size_t(i)] = 4095;
        } else {
            long double v = std::pow((long double)(i - low) / (high - low), e) * 4095;
            // A middle level outside low..high (only from hand-made levels) could give no number.
            if (!(v >= 0))
                v = 0;
            curve[size_t(i)] = uint16_t(std::min<long double>(4095, std::trunc(v)));
        }
    }
}

void TGREffectAutoNormalize::ComputeCorrectionTables(const TStatistics& stats, TCurve& yTable,
                                                     TCurve& cbTable, TCurve& crTable) {
    for (size_t i = 0; i < yTable.size(); ++i)
        yTable[i] = cbTable[i] = crTable[i] = uint16_t(i);
    if (stats.LevelCount <= 1)
        return;
    BuildToneCurve(ComputeLevels(stats), yTable);
    if (stats.MinY < 1024 && stats.MaxY > 3072) {
        const int32_t cbOffset = (1792 - (stats.MaxCb + stats.MinCb) / 2) / 2;
        const int32_t crOffset = (2304 - (stats.MaxCr + stats.MinCr) / 2) / 2;
        for (int i = 0; i < 4096; ++i) {
            cbTable[size_t(i)] = uint16_t(std::clamp(i + cbOffset, 0, 4095));
            crTable[size_t(i)] = uint16_t(std::clamp(i + crOffset, 0, 4095));
        }
    }
}

void TGREffectAutoNormalize::Execute() {
    TRect area;
    PixelBuffer source;
    if (!Prepare(area, source))
        return;
    const int w = area.Right - area.Left;
    const int h = area.Bottom - area.Top;
    const int bpp = source.BitCount() / 8;
    const TInput in = InputOf(source, area, bpp);
    TPhase phase(Progress(), 2 * (h / kRowsPerStep + 1) + 1);

    // Statistics: each band counts on its own; bands merge in row order.
    TStatistics stats;
    std::vector<std::pair<int, std::unique_ptr<TStatistics>>> parts;
    std::mutex partsLock;
    ForRows(h, Progress(), [&](int begin, int end) {
        auto part = std::make_unique<TStatistics>();
        TStatistics& s = *part;
        for (int y = begin; y < end; ++y) {
            const uint8_t* p = in.Row(y);
            for (int x = 0; x < w; ++x, p += bpp) {
                const int32_t plain = 19595 * p[2] + 38470 * p[1] + 7471 * p[0];
                const int32_t yy = (plain + 19235 * (x & 1) + 9798 * (y & 1)) / 4096;
                ++s.Histogram[size_t(yy)];
                s.PlainLevels[size_t(plain >> 12)] = 1;
                // Chrominance only matters at a new extreme.
                if (yy < s.MinY) {
                    const TYCC c = ToYCC(p, x, y);
                    s.MinY = c.Y;
                    s.MinCb = c.Cb;
                    s.MinCr = c.Cr;
                }
                if (yy > s.MaxY) {
                    const TYCC c = ToYCC(p, x, y);
                    s.MaxY = c.Y;
                    s.MaxCb = c.Cb;
                    s.MaxCr = c.Cr;
                }
            }
        }
        std::lock_guard<std::mutex> guard(partsLock);
        parts.emplace_back(begin, std::move(part));
    });
    std::sort(parts.begin(), parts.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& part : parts)
        Merge(stats, *part.second);
    stats.LevelCount = int32_t(std::count(stats.PlainLevels.begin(), stats.PlainLevels.end(), uint8_t(1)));

    TCurve yTable, cbTable, crTable;
    ComputeCorrectionTables(stats, yTable, cbTable, crTable);
    Step(Progress());

    TBitmap temp;
    temp.SetPixels(PixelBuffer(w, h, source.BitCount()));
    const TPixelView work = PixelViewOf(temp);
    ForRows(h, Progress(), [&](int begin, int end) {
        for (int y = begin; y < end; ++y) {
            const uint8_t* s = in.Row(y);
            uint8_t* d = work.Row(y);
            for (int x = 0; x < w; ++x, s += bpp, d += bpp) {
                const TYCC c = ToYCC(s, x, y);
                const int32_t yy = 4096 * yTable[size_t(c.Y)];
                const int32_t cb = cbTable[size_t(c.Cb)] - 2048;
                const int32_t cr = crTable[size_t(c.Cr)] - 2048;
                d[2] = ClampShift16(yy + 5743 * cr + 32768);
                d[1] = ClampShift16(yy - 1410 * cb - 2925 * cr + 32768);
                d[0] = ClampShift16(yy + 7258 * cb + 32768);
                if (bpp == 4)
                    d[3] = s[3];
            }
        }
    });
    temp.Changed();

    TGREffectUnsharpMask sharpen;
    sharpen.SetSource(&temp);
    sharpen.SetDest(Dest());
    sharpen.SetSourceRect(Rect(0, 0, w, h));
    sharpen.SetProgress(Progress());
    sharpen.SetAmount(1);
    sharpen.Execute();
}
