#pragma once
// Integer arithmetic of page and device coordinates, each with one rule for results beyond the
// int range: the platform's MulDiv answers -1, everything else is held at the nearest end of the
// range (a degenerate drag or a wild stored value must not wrap round), and NaN becomes 0.

#include <cstdint>

// a x b / c in 64 bits, rounded to the nearest integer with halves away from zero; -1 when c is 0
// or the result does not fit in 32 bits, as the platform function of that name answers.
int MulDiv(int a, int b, int c);
// a x b / c with the product in 128 bits, rounded to the nearest with halves away from zero, held
// inside the int64 range; 0 when c is 0 (nothing to scale by gives empty geometry).
int64_t MulDiv64(int64_t a, int64_t b, int64_t c);

// v held inside the int range, for sums and products worked out in 64 bits.
int ClampToInt32(int64_t v);
// x truncated toward zero, rounded half away from zero, or rounded half to even, held inside the
// int range; NaN gives 0.
int TruncClamped(long double x);
int RoundAwayClamped(long double x);
int RoundEvenClamped(long double x);
// x rounded half away from zero, kept in floating point.
long double RoundAway(long double x);
