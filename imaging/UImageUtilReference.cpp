#include "imaging/UImageUtilReference.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace Reference {

namespace {

uint8_t StoreValue(int64_t v) {
    if (v < 0)
        return 0;
    return uint8_t(std::min<int64_t>((v + 128) >> 8, 255));
}

void ResampleNearest(const TPixelView& dest, const TPixelView& source) {
    const int sw = source.Width, sh = source.Height, dw = dest.Width, dh = dest.Height;
    const int c = source.BytesPerPixel;
    std::vector<int> columnBytes(size_t(dw) * c);
    for (int x = 0; x < dw; ++x) {
        int xs = int((int64_t(x) * sw + sw / 2) / dw);
        for (int ch = 0; ch < c; ++ch)
            columnBytes[size_t(x) * c + ch] = xs * c + ch;
    }
    std::vector<int> rows(dh);
    for (int y = 0; y < dh; ++y)
        rows[y] = int((int64_t(y) * sh + sh / 2) / dh);
    for (int y = 0; y < dh; ++y) {
        const uint8_t* in = source.Row(rows[y]);
        uint8_t* out = dest.Row(y);
        for (size_t i = 0; i < columnBytes.size(); ++i)
            out[i] = in[columnBytes[i]];
    }
}

// The filtered resampler: a ring of four horizontally resampled rows, a widened source row with
// two extra pixels at each end, an output row in 1/256 byte units.
class Filtered {
public:
    Filtered(const TPixelView& dest, const TPixelView& source, TResampleKind kind)
        : dest_(dest), source_(source), kind_(kind), sw_(source.Width), sh_(source.Height), dw_(dest.Width),
          dh_(dest.Height), c_(source.BytesPerPixel) {
        for (auto& row : ring_)
            row.assign(size_t(dw_) * c_, 0);
        sourceRow_.assign(size_t(sw_ + 4) * c_, 0);
        outRow_.assign(size_t(dw_) * c_, 0);
    }

    void Run() {
        if (dh_ == sh_)
            SameHeight();
        else if (dh_ < sh_)
            ShrinkRows();
        else
            EnlargeRows();
    }

private:
    // Source value of pixel x (-2 .. sw+1) and channel ch.
    int32_t P(int x, int ch) const { return sourceRow_[size_t(x + 2) * c_ + ch]; }

    void LoadRow(int y) {
        std::rotate(ring_.begin(), ring_.begin() + 1, ring_.end());
        y = std::clamp(y, 0, sh_ - 1);
        const uint8_t* in = source_.Row(y);
        for (int x = 0; x < sw_; ++x)
            for (int ch = 0; ch < c_; ++ch)
                sourceRow_[size_t(x + 2) * c_ + ch] = in[x * c_ + ch];
        for (int ch = 0; ch < c_; ++ch) {
            sourceRow_[size_t(0) * c_ + ch] = sourceRow_[size_t(1) * c_ + ch] = in[ch];
            sourceRow_[size_t(sw_ + 2) * c_ + ch] = sourceRow_[size_t(sw_ + 3) * c_ + ch] =
                in[(sw_ - 1) * c_ + ch];
        }
        std::vector<int32_t>& out = ring_[3];
        if (dw_ == sw_) {
            for (int x = 0; x < sw_; ++x)
                for (int ch = 0; ch < c_; ++ch)
                    out[size_t(x) * c_ + ch] = P(x, ch);
        } else if (dw_ < sw_) {
            ShrinkColumns(out);
        } else {
            EnlargeColumns(out);
        }
    }

    void ShrinkColumns(std::vector<int32_t>& out) const {
        const int64_t step = (int64_t(sw_) << 16) / dw_;
        const uint64_t inv = uint64_t((int64_t(dw_) << 16) / sw_);
        for (int ch = 0; ch < c_; ++ch) {
            int pos = 0;
            int64_t carry = 256;
            for (int j = 0; j < dw_; ++j) {
                int64_t end = (j + 1) * step;
                int e = int(end >> 16);
                int64_t f = (end >> 8) & 0xFF;
                int64_t sum = carry * P(pos, ch);
                for (int k = pos + 1; k < e; ++k)
                    sum += 256 * P(k, ch);
                sum += f * P(e, ch);
                out[size_t(j) * c_ + ch] = int32_t((uint64_t(sum) * inv) >> 24);
                carry = 256 - f;
                pos = e;
            }
        }
    }

    void EnlargeColumns(std::vector<int32_t>& out) const {
        const int64_t step = (int64_t(sw_) << 16) / dw_;
        for (int i = 0; i < dw_; ++i) {
            int64_t x = i * step - 32768;
            int k = int(((i * step + 0x18000) >> 16) - 2);
            int64_t t = x - int64_t(k) * 65536;
            for (int ch = 0; ch < c_; ++ch) {
                int64_t value;
                if (kind_ == rkLinear) {
                    int64_t p1 = P(k, ch), p2 = P(k + 1, ch);
                    value = p1 + ((p2 - p1) * t + 32768) / 65536;
                } else {
                    int64_t p0 = P(k - 1, ch), p1 = P(k, ch), p2 = P(k + 1, ch), p3 = P(k + 2, ch);
                    int64_t a = ((p3 - p0 + 3 * (p1 - p2)) * t + 32768) / 65536;
                    int64_t b = ((a + 2 * p0 - 5 * p1 + 4 * p2 - p3) * t + 32768) / 65536;
                    int64_t c = ((b + p2 - p0) * t + 32768) / 65536;
                    value = (c + 2 * p1) / 2;
                }
                out[size_t(i) * c_ + ch] = int32_t(value);
            }
        }
    }

    void StoreRow(int y) {
        uint8_t* out = dest_.Row(y);
        for (size_t i = 0; i < outRow_.size(); ++i)
            out[i] = StoreValue(outRow_[i]);
    }

    void SameHeight() {
        for (int y = 0; y < dh_; ++y) {
            LoadRow(y);
            for (size_t i = 0; i < outRow_.size(); ++i)
                outRow_[i] = int64_t(ring_[3][i]) * 256;
            StoreRow(y);
        }
    }

    void ShrinkRows() {
        const int64_t step = (int64_t(sh_) << 16) / dh_;
        const int64_t inv = (int64_t(dh_) << 16) / sh_;
        LoadRow(0);
        int loaded = 0;
        for (int j = 0; j < dh_; ++j) {
            int64_t s = j * step, e = s + step;
            for (size_t i = 0; i < outRow_.size(); ++i)
                outRow_[i] = (int64_t(ring_[3][i]) * (65536 - (s & 0xFFFF))) / 256;
            for (int row = int(s >> 16) + 1; row < int(e >> 16); ++row) {
                LoadRow(row);
                loaded = row;
                for (size_t i = 0; i < outRow_.size(); ++i)
                    outRow_[i] += int64_t(ring_[3][i]) * 256;
            }
            if (int(e >> 16) > loaded) {
                LoadRow(int(e >> 16));
                loaded = int(e >> 16);
            }
            for (size_t i = 0; i < outRow_.size(); ++i) {
                int64_t acc = ((int64_t(ring_[3][i]) * (e & 0xFFFF)) / 256 + outRow_[i]) / 256;
                outRow_[i] = (acc * inv) / 256;
            }
            StoreRow(j);
        }
    }

    void EnlargeRows() {
        const int64_t step = (int64_t(sh_) << 16) / dh_;
        int next = -2;
        for (int i = 0; i < dh_; ++i) {
            int64_t y = i * step - 32768;
            int k = int(y >> 16);
            while (next <= k + 2)
                LoadRow(next++);
            int64_t t = y - int64_t(k) * 65536;
            if (kind_ == rkLinear) {
                for (size_t v = 0; v < outRow_.size(); ++v)
                    outRow_[v] = (int64_t(ring_[1][v]) * (65536 - t) + int64_t(ring_[2][v]) * t) / 256;
            } else {
                int64_t t8 = t / 256, u = t8 - 256;
                int64_t w0 = (-t8 * u * u) / 512;
                int64_t w1 = (((3 * t8 * t8) / 256 - 2 * t8 - 512) * u) / 2;
                int64_t w2 = (((3 * t8 * t8) / 256 - 4 * t8 - 256) * (-t8)) / 2;
                int64_t w3 = (t8 * t8 * u) / 512;
                for (size_t v = 0; v < outRow_.size(); ++v)
                    outRow_[v] =
                        (ring_[0][v] * w0 + ring_[1][v] * w1 + ring_[2][v] * w2 + ring_[3][v] * w3) / 256;
            }
            StoreRow(i);
        }
    }

    TPixelView dest_, source_;
    TResampleKind kind_;
    int sw_, sh_, dw_, dh_, c_;
    std::array<std::vector<int32_t>, 4> ring_; // oldest first
    std::vector<int32_t> sourceRow_;
    std::vector<int64_t> outRow_;
};

// One line of the blur, per channel, in the coefficient set's arithmetic.
template <typename Value>
void FilterLine(const DericheCoefficients<Value>& k, const std::vector<uint8_t>& line, int length,
                int channels, std::vector<Value>& forward, std::vector<Value>& backward,
                std::vector<uint8_t>& result) {
    std::fill(forward.begin(), forward.end(), Value(0));
    std::fill(backward.begin(), backward.end(), Value(0));
    for (int ch = 0; ch < channels; ++ch) {
        auto x = [&](int i) { return line[size_t(i) * channels + ch]; };
        auto yp = [&](int i) -> Value& { return forward[size_t(i) * channels + ch]; };
        auto ym = [&](int i) -> Value& { return backward[size_t(i) * channels + ch]; };
        const uint8_t first = x(0), last = x(length - 1);
        for (int i = 0; i < length; ++i) {
            const int kk = std::min(i, 4);
            const int j = length - 1 - i;
            Value acc = 0;
            for (int n = 0; n <= kk; ++n)
                acc += k.ForwardInput(n, x(i - n)) - k.Feedback(n, yp(i - n));
            for (int n = kk + 1; n <= 4; ++n)
                acc += k.ForwardBorder(n, first);
            yp(i) = acc;
            acc = 0;
            for (int n = 0; n <= kk; ++n)
                acc += k.BackwardInput(n, x(j + n)) - k.Feedback(n, ym(j + n));
            for (int n = kk + 1; n <= 4; ++n)
                acc += k.BackwardBorder(n, last);
            ym(j) = acc;
        }
        for (int i = 0; i < length; ++i)
            result[size_t(i) * channels + ch] = k.Combine(yp(i), ym(i));
    }
}

template <typename Value>
void BlurDirection(const TPixelView& view, const TRect& r, const DericheCoefficients<Value>& k,
                   bool columns) {
    const int c = view.BytesPerPixel;
    const int w = r.Width(), h = r.Height();
    const int longest = std::max(w, h);
    std::vector<uint8_t> line(size_t(longest) * c), result(size_t(longest) * c);
    std::vector<Value> forward(size_t(longest) * c), backward(size_t(longest) * c);
    const int lines = columns ? w : h;
    const int length = columns ? h : w;
    for (int l = 0; l < lines; ++l) {
        auto at = [&](int i) {
            return columns ? view.Row(r.Top + i) + size_t(r.Left + l) * c
                           : view.Row(r.Top + l) + size_t(r.Left + i) * c;
        };
        for (int i = 0; i < length; ++i)
            std::copy_n(at(i), c, &line[size_t(i) * c]);
        FilterLine(k, line, length, c, forward, backward, result);
        for (int i = 0; i < length; ++i)
            std::copy_n(&result[size_t(i) * c], c, at(i));
    }
}

template <typename Value>
void Blur(const TPixelView& view, const TRect& rect, long double radiusX, long double radiusY) {
    if (radiusY >= 1.0L)
        BlurDirection(view, rect, DericheCoefficients<Value>(radiusY), true);
    if (radiusX >= 1.0L)
        BlurDirection(view, rect, DericheCoefficients<Value>(radiusX), false);
}

} // namespace

void ResamplePixels(const TPixelView& dest, const TPixelView& source, TResampleKind kind) {
    if (kind == rkNearest)
        ResampleNearest(dest, source);
    else
        Filtered(dest, source, kind).Run();
}

void GaussianBlurPixels(const TPixelView& view, const TRect& rect, long double radiusX, long double radiusY) {
    if (std::max(radiusX, radiusY) > 50.0L)
        Blur<double>(view, rect, radiusX, radiusY);
    else
        Blur<int32_t>(view, rect, radiusX, radiusY);
}

} // namespace Reference
