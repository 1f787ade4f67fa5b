#pragma once
// The plain scalar versions of the resampling and blur kernels, kept beside the fast ones in
// UImageUtil as the statement of what they compute: the tests demand byte-equal results from
// both. Arguments are trusted here (the public routines check them first): views of the same
// bytes per pixel (1, 3 or 4), sides of 1 to 32767 pixels.

#include "imaging/PixelKernel.h"
#include "imaging/UImageUtil.h"

namespace Reference {

void ResamplePixels(const TPixelView& dest, const TPixelView& source, TResampleKind kind);

// Blurs rect (already inside the view, not empty) in place; a radius below 1 skips its direction.
void GaussianBlurPixels(const TPixelView& view, const TRect& rect, long double radiusX, long double radiusY);

} // namespace Reference
