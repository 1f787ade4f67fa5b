#include "platform/Filer.h"

#include "platform/ByteOrder.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// m / 2^shift rounded to nearest, ties to even.
uint64_t RoundShiftRight(uint64_t m, int shift) {
    if (shift <= 0)
        return m;
    if (shift > 64)
        return 0;
    const uint64_t kept = shift == 64 ? 0 : m >> shift;
    const uint64_t rest = shift == 64 ? m : m & ((uint64_t(1) << shift) - 1);
    const uint64_t half = uint64_t(1) << (shift - 1);
    if (rest > half || (rest == half && (kept & 1u) != 0))
        return kept + 1;
    return kept;
}

} // namespace

void DoubleToExtended(double value, uint8_t out[10]) {
    const uint64_t bits = std::bit_cast<uint64_t>(value);
    const uint16_t sign = (bits >> 63) != 0 ? 0x8000 : 0;
    const int exp = static_cast<int>((bits >> 52) & 0x7FF);
    const uint64_t frac = bits & ((uint64_t(1) << 52) - 1);
    uint64_t mantissa = 0;
    uint16_t exponent = 0;
    if (exp == 0x7FF) {
        exponent = 0x7FFF;
        // Infinity keeps only the integer bit; a NaN keeps its payload and stays quiet/signalling.
        mantissa = (uint64_t(1) << 63) | (frac << 11);
    } else if (exp != 0) {
        exponent = static_cast<uint16_t>(exp - 1023 + 16383);
        mantissa = (uint64_t(1) << 63) | (frac << 11);
    } else if (frac != 0) {
        // A subnormal double is a normal extended: frac x 2^-1074 with the top bit moved up.
        const int top = 63 - std::countl_zero(frac);
        exponent = static_cast<uint16_t>(top - 1074 + 16383);
        mantissa = frac << (63 - top);
    }
    exponent |= sign;
    PutLE64(out, mantissa);
    PutLE16(out + 8, exponent);
}

double ExtendedToDouble(const uint8_t in[10]) {
    uint64_t mantissa = GetLE64(in);
    const uint16_t se = GetLE16(in + 8);
    const uint64_t sign = (se & 0x8000) != 0 ? uint64_t(1) << 63 : 0;
    const int exponent = se & 0x7FFF;
    const uint64_t infinity = uint64_t(0x7FF) << 52;
    if (exponent == 0x7FFF) {
        const uint64_t payload = mantissa & ~(uint64_t(1) << 63);
        if (payload == 0)
            return std::bit_cast<double>(sign | infinity);
        // Keep the top of the payload and make sure it stays a NaN.
        uint64_t frac = payload >> 11;
        if (frac == 0)
            frac = uint64_t(1) << 51;
        return std::bit_cast<double>(sign | infinity | frac);
    }
    if (mantissa == 0)
        return std::bit_cast<double>(sign);
    // value = mantissa x 2^e2; an exponent field of 0 means 2^-16382 like 1 does.
    const int e2 = (exponent == 0 ? 1 : exponent) - 16383 - 63;
    const int top = 63 - std::countl_zero(mantissa);
    const int unbiased = top + e2; // value = 1.xxx x 2^unbiased
    if (unbiased > 1023)
        return std::bit_cast<double>(sign | infinity);
    uint64_t raw = 0;
    if (unbiased >= -1022) {
        // 53 significant bits; a carry out of the rounding lifts the exponent by itself.
        const int shift = top - 52;
        const uint64_t rounded = shift >= 0 ? RoundShiftRight(mantissa, shift) : mantissa << -shift;
        raw = (static_cast<uint64_t>(unbiased + 1022) << 52) + rounded;
        if (raw >= infinity)
            raw = infinity;
    } else {
        // Subnormal: count in units of 2^-1074; rounding up may reach the smallest normal.
        const int shift = -(e2 + 1074);
        raw = shift >= 0 ? RoundShiftRight(mantissa, shift) : mantissa << -shift;
    }
    return std::bit_cast<double>(sign | raw);
}

float DoubleToSingle(double value) {
    constexpr double kMax = std::numeric_limits<float>::max();
    if (std::isnan(value) || std::fabs(value) <= kMax)
        return static_cast<float>(value);
    // Above the largest single, round to nearest still gives it up to half a unit beyond.
    constexpr double kHalfUlp = 0x1p103;
    if (std::fabs(value) < kMax + kHalfUlp)
        return static_cast<float>(std::copysign(kMax, value));
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    return value > 0 ? kInfinity : -kInfinity;
}

bool ExtendedToCurrency(const uint8_t in[10], TCurrency& out) {
    const uint64_t mantissa = GetLE64(in);
    const uint16_t se = GetLE16(in + 8);
    const int exponent = se & 0x7FFF;
    const bool negative = (se & 0x8000) != 0;
    if (exponent == 0x7FFF)
        return false;
    // value x 10000 = mantissa x 10000 x 2^e2, exactly (below 2^78), then rounded once.
    const int e2 = (exponent == 0 ? 1 : exponent) - 16383 - 63;
    const unsigned __int128 product = static_cast<unsigned __int128>(mantissa) * kCurrencyScale;
    unsigned __int128 scaled = 0;
    if (product == 0) {
        scaled = 0;
    } else if (e2 >= 0) {
        // A left shift beyond the 64-bit range is out of range whatever the bits.
        if (e2 > 63 || (product >> (64 - e2)) != 0)
            return false;
        scaled = product << e2;
    } else if (e2 > -80) {
        const int shift = -e2;
        const unsigned __int128 one = 1;
        const unsigned __int128 kept = product >> shift;
        const unsigned __int128 rest = product & ((one << shift) - 1);
        const unsigned __int128 half = one << (shift - 1);
        scaled = kept + ((rest > half || (rest == half && (kept & 1) != 0)) ? 1 : 0);
    } // else below a quarter of a ten-thousandth: 0
    const unsigned __int128 limit = static_cast<unsigned __int128>(INT64_MAX) + (negative ? 1 : 0);
    if (scaled > limit)
        return false;
    const uint64_t magnitude = static_cast<uint64_t>(scaled);
    out.Scaled = static_cast<int64_t>(negative ? uint64_t(0) - magnitude : magnitude);
    return true;
}

bool DoubleToCurrency(double value, TCurrency& out) {
    uint8_t extended[10];
    DoubleToExtended(value, extended);
    return ExtendedToCurrency(extended, out);
}
