#pragma once
// Pixel routines on whole bitmaps: resampling into another size, the recursive Gaussian blur of a
// rectangle, and the checked rectangle intersection they clip with. All run on scan lines in
// integer (16.16 fixed point) or double-precision arithmetic that does not depend on the display,
// on 8-, 24- and 32-bit pixels, every byte a channel of its own. The plain versions that define
// the results are in UImageUtilReference; the ones here give the same bytes, faster.

#include "imaging/PixelKernel.h"
#include "platform/Rect.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

class TBitmap;

enum TResampleKind : uint8_t { rkNearest = 0, rkLinear = 1, rkCubic = 2 };

// Largest width or height the 16.16 arithmetic of the resampler can take.
constexpr int kMaxResampleSide = 32767;

// Resizes all of source into dest's current size; dest takes source's pixel format (its size and
// palette are kept). Nothing happens for a missing bitmap, a side below 1 or a source that is not
// 8, 24 or 32 bits a pixel. A side above kMaxResampleSide raises EInvalidGraphic.
void ResampleBitmap(TBitmap* dest, TBitmap* source, TResampleKind kind);
// The same on raw views of equal bytes per pixel (1, 3 or 4; other views are left alone) and
// sides 1..kMaxResampleSide.
void ResamplePixels(const TPixelView& dest, const TPixelView& source, TResampleKind kind);

// Rows firstRow .. firstRow + rows.Height - 1 of the same resampling into a destination
// rows.Width x destHeight, so that a large destination can be made a band of rows at a time.
void ResampleRows(const TPixelView& rows, int firstRow, int destHeight, const TPixelView& source,
                  TResampleKind kind);

// r = a intersected with b; false when a or b is empty or the intersection is.
bool IntersectRectChecked(TRect& r, const TRect& a, const TRect& b);

// Blurs the part of rect inside the bitmap in place, radiusX along rows and radiusY along
// columns (pixels; below 1.0 skips that direction). 16.16 fixed point up to a radius of 50,
// double-precision floating point above (single precision lets the filter drift far from the
// picture's values from a radius of about 100 on longer lines). Radii beyond kMaxBlurRadius blur as
// that radius: even double precision no longer holds a uniform area uniform beyond it.
void GaussianBlurRect(TBitmap* bitmap, const TRect& rect, long double radiusX, long double radiusY);
// The fixed-point filter, also for small radii when the other is above 50; radii above 50,
// which 16.16 weights cannot hold, still take the floating-point filter.
void GaussianBlurRectFixed(TBitmap* bitmap, const TRect& rect, long double radiusX, long double radiusY);
// The same on a raw view of 1, 3 or 4 bytes a pixel (others are left alone); rect is clipped to it.
void GaussianBlurPixels(const TPixelView& view, const TRect& rect, long double radiusX, long double radiusY);

// Lines the fixed-point blur filters side by side: 16 (AVX-512), 8 (AVX2) or 4 (the portable
// vectors). The widest the processor runs is the default; SetBlurVectorLanes picks a narrower one
// (or the widest again for 0), so that each can be checked against the reference, and returns the
// width now used.
int BlurVectorLanes();
int SetBlurVectorLanes(int lanes);

// Largest radius the floating-point filter computes faithfully.
constexpr long double kMaxBlurRadius = 10000.0L;

// Sigma of the Gaussian that falls to 1/255 of its peak at |radius| + 1 pixels.
long double BlurSigma(long double radius);

// Deriche's fourth-order recursive Gaussian for one radius: causal input weights n, feedback d,
// anticausal input weights m, and the feedback a constant border contributes (bn, bm), held as
// 16.16 integers (Value = int32_t) or floats (Value = double for the blur; float kept for
// comparison). A radius beyond kMaxBlurRadius gives the coefficients of kMaxBlurRadius.
template <typename Value>
struct DericheCoefficients {
    Value n[5], d[5], m[5], bn[5], bm[5];

    explicit DericheCoefficients(long double radius);

    // The terms of one filter step, in the arithmetic of Value.
    Value ForwardInput(int k, uint8_t x) const { return n[k] * Value(x); }
    Value BackwardInput(int k, uint8_t x) const { return m[k] * Value(x); }
    Value ForwardBorder(int k, uint8_t x) const { return (n[k] - bn[k]) * Value(x); }
    Value BackwardBorder(int k, uint8_t x) const { return (m[k] - bm[k]) * Value(x); }
    Value Feedback(int k, Value y) const;
    // The output byte from the two accumulators.
    uint8_t Combine(Value forward, Value backward) const;
};

template <>
inline int32_t DericheCoefficients<int32_t>::Feedback(int k, int32_t y) const {
    return int32_t((int64_t(d[k]) * y + 32768) >> 16);
}
template <>
inline float DericheCoefficients<float>::Feedback(int k, float y) const {
    return d[k] * y;
}
template <>
inline double DericheCoefficients<double>::Feedback(int k, double y) const {
    return d[k] * y;
}
template <>
inline uint8_t DericheCoefficients<int32_t>::Combine(int32_t forward, int32_t backward) const {
    int32_t v = (forward + backward + 32768) / 65536;
    return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
}
template <>
inline uint8_t DericheCoefficients<float>::Combine(float forward, float backward) const {
    const float sum = std::min(std::max(forward + backward, 0.0f), 255.0f);
    return uint8_t(int32_t(sum)); // truncation toward zero
}
template <>
inline uint8_t DericheCoefficients<double>::Combine(double forward, double backward) const {
    const double sum = std::min(std::max(forward + backward, 0.0), 255.0);
    return uint8_t(int32_t(sum)); // truncation toward zero
}
