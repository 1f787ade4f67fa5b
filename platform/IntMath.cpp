#include "platform/IntMath.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

__extension__ typedef __int128 TWide;

// n / c rounded half away from zero; c is not 0.
TWide RoundedQuotient(TWide n, TWide c) {
    const bool negative = (n < 0) != (c < 0);
    const TWide an = n < 0 ? -n : n;
    const TWide ac = c < 0 ? -c : c;
    const TWide q = (an + ac / 2) / ac;
    return negative ? -q : q;
}

int ClampedFloat(long double r) {
    if (r != r)
        return 0;
    if (!(r > INT_MIN))
        return INT_MIN;
    if (!(r < INT_MAX))
        return INT_MAX;
    return int(r);
}

} // namespace

int MulDiv(int a, int b, int c) {
    if (c == 0)
        return -1;
    const TWide q = RoundedQuotient(TWide(a) * b, c);
    return q < INT_MIN || q > INT_MAX ? -1 : int(q);
}

int64_t MulDiv64(int64_t a, int64_t b, int64_t c) {
    if (c == 0)
        return 0;
    const TWide q = RoundedQuotient(TWide(a) * b, c);
    return int64_t(std::clamp<TWide>(q, INT64_MIN, INT64_MAX));
}

int ClampToInt32(int64_t v) {
    return int(std::clamp<int64_t>(v, INT_MIN, INT_MAX));
}

long double RoundAway(long double x) {
    return x >= 0 ? std::trunc(x + 0.5L) : std::trunc(x - 0.5L);
}

int TruncClamped(long double x) {
    return ClampedFloat(std::trunc(x));
}

int RoundAwayClamped(long double x) {
    return ClampedFloat(RoundAway(x));
}

int RoundEvenClamped(long double x) {
    return ClampedFloat(std::nearbyint(x));
}
