#include "driver/extended_float.hpp"

#include <bit>
#include <cstdint>

namespace {

// GCC and Clang provide a 128-bit integer on 64-bit targets; __extension__
// keeps -Wpedantic quiet about it.
__extension__ typedef unsigned __int128 Wide;

constexpr std::uint64_t top_bit = std::uint64_t{1} << 63;

Extended make_zero(bool negative) { return {negative, 0, 0}; }

// An integer significand with its value times 2^exponent, shifted so that bit
// 63 is set. The significand must not be 0.
Extended normalise(bool negative, std::int32_t exponent, std::uint64_t significand) {
    const int shift = std::countl_zero(significand);
    return {negative, exponent - shift, significand << shift};
}

// A 128-bit value with bit 127 set, times 2^exponent, rounded to its top 64
// bits: to nearest, ties to even. A carry out of the top bit gives 2^63 one
// exponent higher, which is the rounded value exactly.
Extended round_wide(bool negative, std::int32_t exponent, Wide value) {
    std::uint64_t high = static_cast<std::uint64_t>(value >> 64);
    const std::uint64_t low = static_cast<std::uint64_t>(value);
    std::int32_t result_exponent = exponent + 64;
    if (low > top_bit || (low == top_bit && (high & 1) != 0)) {
        ++high;
        if (high == 0) {
            high = top_bit;
            ++result_exponent;
        }
    }
    return {negative, result_exponent, high};
}

int count_leading_zeros(Wide value) {
    const std::uint64_t high = static_cast<std::uint64_t>(value >> 64);
    if (high != 0) return std::countl_zero(high);
    return 64 + std::countl_zero(static_cast<std::uint64_t>(value));
}

// True when a's magnitude is below b's; both non-zero and normalised, so the
// exponent decides first.
bool magnitude_below(Extended a, Extended b) {
    if (a.exponent != b.exponent) return a.exponent < b.exponent;
    return a.significand < b.significand;
}

}  // namespace

Extended extended_from_float(float value) {
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(value);
    const bool negative = (bits >> 31) != 0;
    const std::int32_t biased = static_cast<std::int32_t>((bits >> 23) & 0xFF);
    std::uint64_t fraction = bits & 0x7FFFFF;
    if (biased == 0 && fraction == 0) return make_zero(negative);
    // A subnormal has no hidden bit and the exponent of the smallest normal.
    if (biased != 0) fraction |= 0x800000;
    const std::int32_t exponent = (biased == 0 ? 1 : biased) - 127 - 23;
    return normalise(negative, exponent, fraction);
}

Extended extended_from_double(double value) {
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
    const bool negative = (bits >> 63) != 0;
    const std::int32_t biased = static_cast<std::int32_t>((bits >> 52) & 0x7FF);
    std::uint64_t fraction = bits & 0xFFFFFFFFFFFFF;
    if (biased == 0 && fraction == 0) return make_zero(negative);
    if (biased != 0) fraction |= std::uint64_t{1} << 52;
    const std::int32_t exponent = (biased == 0 ? 1 : biased) - 1023 - 52;
    return normalise(negative, exponent, fraction);
}

Extended extended_multiply(Extended a, Extended b) {
    const bool negative = a.negative != b.negative;
    if (a.significand == 0 || b.significand == 0) return make_zero(negative);
    // Two significands in [2^63, 2^64) give an exact product in [2^126, 2^128):
    // at most one shift puts its top bit at 127.
    Wide product = static_cast<Wide>(a.significand) * b.significand;
    std::int32_t exponent = a.exponent + b.exponent;
    if ((product >> 127) == 0) {
        product <<= 1;
        --exponent;
    }
    return round_wide(negative, exponent, product);
}

Extended extended_add(Extended a, Extended b) {
    if (a.significand == 0 && b.significand == 0) return make_zero(a.negative && b.negative);
    if (a.significand == 0) return b;
    if (b.significand == 0) return a;
    const bool swap = magnitude_below(a, b);
    const Extended big = swap ? b : a;
    const Extended small = swap ? a : b;

    // The larger operand sits at bits 126..63, leaving bit 127 free for the
    // carry of an addition. The smaller one is shifted right by the exponent
    // gap: up to 63 places nothing falls off and the sum or difference is
    // exact. Past that, the result has its top bit at 125..127 and rounds at
    // bit 61 or higher; the bits that fell off are folded into bit 0
    // ("sticky"). That makes the result odd, so it is never a tie or a power
    // of two, and it rounds exactly as the true sum, which lies between the
    // same two neighbouring integers.
    const Wide big_wide = static_cast<Wide>(big.significand) << 63;
    const Wide small_full = static_cast<Wide>(small.significand) << 63;
    const std::int64_t gap = static_cast<std::int64_t>(big.exponent) - small.exponent;
    Wide small_wide = 1;
    if (gap < 64) {
        small_wide = small_full >> gap;
    } else if (gap < 128) {
        small_wide = small_full >> gap;
        if ((small_full & ((static_cast<Wide>(1) << gap) - 1)) != 0) small_wide |= 1;
    }

    const bool subtract = big.negative != small.negative;
    const Wide sum = subtract ? big_wide - small_wide : big_wide + small_wide;
    // Equal magnitudes of opposite sign cancel to +0 when rounding to nearest.
    if (sum == 0) return make_zero(false);
    // Only a cancellation can need a shift of more than one place, and then the
    // gap was 0 or 1 and the difference is exact, so shifting in zeros is right.
    const int shift = count_leading_zeros(sum);
    return round_wide(big.negative, big.exponent - 63 - shift, sum << shift);
}

Extended extended_subtract(Extended a, Extended b) {
    b.negative = !b.negative;
    return extended_add(a, b);
}

float extended_to_float(Extended value) {
    const std::uint32_t sign = value.negative ? 0x80000000u : 0u;
    if (value.significand == 0) return std::bit_cast<float>(sign);
    // Keep the top 24 bits and round on the 40 below them.
    std::uint64_t kept = value.significand >> 40;
    const std::uint64_t rest = value.significand & ((std::uint64_t{1} << 40) - 1);
    const std::uint64_t half = std::uint64_t{1} << 39;
    std::int32_t exponent = value.exponent + 40;
    if (rest > half || (rest == half && (kept & 1) != 0)) {
        ++kept;
        if (kept == (std::uint64_t{1} << 24)) {
            kept >>= 1;
            ++exponent;
        }
    }
    // kept is in [2^23, 2^24): the value is kept / 2^23 × 2^(exponent + 23).
    const std::uint32_t biased = static_cast<std::uint32_t>(exponent + 23 + 127);
    const std::uint32_t bits = sign | (biased << 23) | static_cast<std::uint32_t>(kept & 0x7FFFFF);
    return std::bit_cast<float>(bits);
}
