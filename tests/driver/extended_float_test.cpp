// The software extended precision, first on hand-made rounding cases, then
// against the x87 unit's own 64-bit-significand arithmetic as the oracle:
// random single operations, the colour formulas on random 32-bit components
// and on every colour of the 0..255 cube. Without an x87 unit, the cube is
// checked against a wider long double, which is exact for those colours.
//
// The random part is short by default. For a long run by hand:
//   TONEMILL_DIFFERENTIAL_TRIPLES=100000000 build-x/tests/tonemill_tests
//       --gtest_filter='ExtendedDifferential.*'
// runs that many random triples and that many random operations of each kind;
// TONEMILL_DIFFERENTIAL_SEED picks another random sequence.
#include "driver/extended_float.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <random>
#include <string>

#include "driver/colour_packing.hpp"

namespace {

// integer × 2^exponent, normalised as the operations return it.
Extended value(std::uint64_t integer, std::int32_t exponent, bool negative = false) {
    if (integer == 0) return {negative, 0, 0};
    const int shift = std::countl_zero(integer);
    return {negative, exponent - shift, integer << shift};
}

std::string text(Extended x) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%c0x%016llx p%d", x.negative ? '-' : '+',
                  static_cast<unsigned long long>(x.significand), static_cast<int>(x.exponent));
    return buffer;
}

// Zeros compare by sign alone; their exponent means nothing.
std::string canonical_text(Extended x) {
    if (x.significand == 0) x.exponent = 0;
    return text(x);
}

std::uint32_t bits(float x) { return std::bit_cast<std::uint32_t>(x); }

constexpr std::uint64_t two_to(int n) { return std::uint64_t{1} << n; }

TEST(Extended, RoundsEachOperationToNearestWithTiesToEven) {
    enum Operation { add, subtract, multiply };
    struct Case {
        const char* about;
        Operation operation;
        Extended a;
        Extended b;
        Extended expected;
    };
    // Expected values from exact integer arithmetic: the results lie in
    // [2^64, 2^65), where the 64-bit values are the even integers, or are exact.
    const Case cases[] = {
        {"2^64 + 1 is a tie, kept even below", add, value(1, 64), value(1, 0), value(1, 64)},
        {"2^64 + 3 is a tie, rounded up to even", add, value(1, 64), value(3, 0), value(two_to(62) + 1, 2)},
        {"a bit 64 places down breaks the tie", add, value(1, 64), value(two_to(62) + 1, -62),
         value(two_to(63) + 1, 1)},
        {"a bit that falls off keeps the difference below the tie", subtract, value(1, 64), value(two_to(63) + 1, -64),
         value(~std::uint64_t{0}, 0)},
        {"the same through a negative addend", add, value(1, 64), value(two_to(63) + 1, -64, true),
         value(~std::uint64_t{0}, 0)},
        {"cancellation down to the last bit is exact", subtract, value(two_to(63) + 1, 0), value(1, 63), value(1, 0)},
        {"negative minus positive adds magnitudes", subtract, value(3, 0, true), value(5, 0), value(1, 3, true)},
        {"(2^32+1)^2 is a tie, kept even below", multiply, value(two_to(32) + 1, 0), value(two_to(32) + 1, 0),
         value(two_to(63) + two_to(32), 1)},
        {"(2^32+1)(2^32+3) is a tie, rounded up to even", multiply, value(two_to(32) + 1, 0), value(two_to(32) + 3, 0),
         value(two_to(63) + two_to(33) + 2, 1)},
        {"a product rounding up carries into the next power of two", multiply, value(~std::uint64_t{0} - 1, 0),
         value(two_to(63) + 1, 0), value(1, 127)},
        {"signs of a product", multiply, value(3, -2, true), value(5, 7), value(15, 5, true)},
        {"x - x is +0", subtract, value(7, 3, true), value(7, 3, true), value(0, 0)},
        {"-x + x is +0", add, value(7, 3, true), value(7, 3), value(0, 0)},
        {"-0 + -0 is -0", add, value(0, 0, true), value(0, 0, true), value(0, 0, true)},
        {"-0 - +0 is -0", subtract, value(0, 0, true), value(0, 0), value(0, 0, true)},
        {"+0 + -0 is +0", add, value(0, 0), value(0, 0, true), value(0, 0)},
        {"x + 0 is x", add, value(9, -4, true), value(0, 0), value(9, -4, true)},
        {"a zero product keeps the sign of the operands", multiply, value(0, 0), value(5, 0, true), value(0, 0, true)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.about);
        const Extended result = c.operation == add        ? extended_add(c.a, c.b)
                                : c.operation == subtract ? extended_subtract(c.a, c.b)
                                                          : extended_multiply(c.a, c.b);
        EXPECT_EQ(canonical_text(c.expected), canonical_text(result));
    }
}

TEST(Extended, ConvertsExactlyFromBinary32AndBinary64) {
    EXPECT_EQ(text(value(3, -2)), text(extended_from_double(0.75)));
    EXPECT_EQ(text(value(0x1FFFFFFFFFFFFF, -52, true)), text(extended_from_double(-(2.0 - 0x1p-52))));
    EXPECT_EQ(text(value(1, -1074)), text(extended_from_double(std::numeric_limits<double>::denorm_min())));
    EXPECT_EQ(text(value(0xFFFFFF, 104)), text(extended_from_float(std::numeric_limits<float>::max())));
    EXPECT_EQ(text(value(1, -149, true)), text(extended_from_float(-std::numeric_limits<float>::denorm_min())));
    EXPECT_EQ(text(value(0, 0, true)), canonical_text(extended_from_float(-0.0f)));
}

TEST(Extended, RoundsOnceToSinglePrecision) {
    struct Case {
        const char* about;
        Extended x;
        float expected;
    };
    const Case cases[] = {
        {"2^24 + 1 is a tie, kept even below", value(two_to(24) + 1, 0), 16777216.0f},
        {"2^24 + 3 is a tie, rounded up to even", value(two_to(24) + 3, 0), 16777220.0f},
        {"a low bit breaks the tie", value((two_to(24) + 1) * two_to(30) + 1, -30), 16777218.0f},
        {"rounding up carries into the next power of two", value(two_to(25) - 1, 0), 33554432.0f},
        {"negative values round by magnitude", value(two_to(24) + 3, 0, true), -16777220.0f},
        {"the nearest single to 0.1", extended_from_double(0.1), 0.1f},
        {"-0 stays -0", value(0, 0, true), -0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.about);
        EXPECT_EQ(bits(c.expected), bits(extended_to_float(c.x)));
    }
}

// ---------------------------------------------------------------------------
// Differential tests against the x87 unit, whose long double carries a 64-bit
// significand and whose precision control is at 64 bits on Linux by default.

constexpr bool has_x87_oracle = std::numeric_limits<long double>::digits == 64;

std::uint64_t environment_count(const char* name, std::uint64_t fallback) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0') return fallback;
    return std::strtoull(text, nullptr, 10);
}

#ifdef NDEBUG
constexpr bool optimised_build = true;
#else
constexpr bool optimised_build = false;
#endif

bool long_run() { return std::getenv("TONEMILL_DIFFERENTIAL_TRIPLES") != nullptr; }

// About a second in a Release build; debug and sanitizer builds run some ten
// times slower and take a tenth.
std::uint64_t random_count() {
    return environment_count("TONEMILL_DIFFERENTIAL_TRIPLES", optimised_build ? 300000 : 30000);
}

std::mt19937_64 seeded_generator() {
    const std::uint64_t seed = environment_count("TONEMILL_DIFFERENTIAL_SEED", 20240611);
    std::printf("differential seed %llu, %llu random cases of each kind\n", static_cast<unsigned long long>(seed),
                static_cast<unsigned long long>(random_count()));
    return std::mt19937_64(seed);
}

long double to_long_double(Extended x) {
    const long double magnitude = std::ldexp(static_cast<long double>(x.significand), x.exponent);
    return x.negative ? -magnitude : magnitude;
}

Extended from_long_double(long double x) {
    const bool negative = std::signbit(x);
    if (x == 0) return {negative, 0, 0};
    int exponent = 0;
    const long double fraction = std::frexp(std::fabs(x), &exponent);
    return {negative, exponent - 64, static_cast<std::uint64_t>(std::ldexp(fraction, 64))};
}

// Significands whose low bits decide ties: plain random bits, long runs of
// ones or zeros, powers of two and their neighbours.
std::uint64_t awkward_significand(std::mt19937_64& random) {
    const std::uint64_t bits = random();
    const int shift = static_cast<int>(random() % 64);
    std::uint64_t s = 0;
    switch (random() % 6) {
        case 0: s = bits; break;
        case 1: s = ~std::uint64_t{0} << shift; break;
        case 2: s = (~std::uint64_t{0} >> shift) | (bits & (~std::uint64_t{0} << (63 - shift))); break;
        case 3: s = two_to(63) + (bits % 4); break;
        case 4: s = ~std::uint64_t{0} - (bits % 4); break;
        default: s = bits & (bits >> 7) & (bits >> 13); break;
    }
    return s | two_to(63);
}

// Pairs mostly a few exponent steps apart, or around the 63/64/128-place
// boundaries of the addition's alignment.
std::int32_t awkward_gap(std::mt19937_64& random) {
    static const std::int32_t gaps[] = {0, 0, 0, 1, 1, 2, 3, 40, 62, 63, 64, 65, 66, 126, 127, 128, 129, 200};
    const std::int32_t gap = gaps[random() % std::size(gaps)];
    return random() % 2 == 0 ? gap : -gap;
}

Extended awkward_value(std::mt19937_64& random, std::int32_t exponent) {
    if (random() % 64 == 0) return {random() % 2 == 0, 0, 0};
    return {random() % 2 == 0, exponent, awkward_significand(random)};
}

TEST(ExtendedDifferential, SingleOperationsMatchX87) {
    if (!has_x87_oracle) GTEST_SKIP() << "long double has no 64-bit significand here";
    std::mt19937_64 random = seeded_generator();
    const std::uint64_t count = random_count();
    std::uint64_t differences = 0;
    const auto compare = [&](const char* name, Extended a, Extended b, Extended mine, long double x87) {
        const std::string expected = canonical_text(from_long_double(x87));
        if (canonical_text(mine) == expected) return;
        if (++differences <= 10) {
            ADD_FAILURE() << name << " " << text(a) << ", " << text(b) << ": x87 " << expected << ", software "
                          << text(mine);
        }
    };
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::int32_t exponent = static_cast<std::int32_t>(random() % 200) - 100;
        const Extended a = awkward_value(random, exponent);
        const Extended b = awkward_value(random, exponent + awkward_gap(random));
        // A cancelling pair now and then: the same magnitude, or one step off.
        const Extended c = random() % 8 != 0 ? b : value(a.significand - random() % 2, a.exponent, !a.negative);
        const long double la = to_long_double(a);
        const long double lc = to_long_double(c);
        compare("add", a, c, extended_add(a, c), la + lc);
        compare("subtract", a, c, extended_subtract(a, c), la - lc);
        compare("multiply", a, b, extended_multiply(a, b), la * to_long_double(b));

        // Within the normal single-precision range.
        const Extended f = awkward_value(random, static_cast<std::int32_t>(random() % 200) - 163);
        if (bits(extended_to_float(f)) != bits(static_cast<float>(to_long_double(f))) && ++differences <= 10) {
            ADD_FAILURE() << "to float " << text(f);
        }
        // Random bit patterns, with the exponents of infinity and NaN cut down.
        std::uint32_t single_bits = static_cast<std::uint32_t>(random());
        if ((single_bits & 0x7F800000u) == 0x7F800000u) single_bits &= 0xBFFFFFFFu;
        std::uint64_t double_bits = random();
        if ((double_bits & 0x7FF0000000000000u) == 0x7FF0000000000000u) double_bits &= 0xBFFFFFFFFFFFFFFFu;
        const float single = std::bit_cast<float>(single_bits);
        const double binary64 = std::bit_cast<double>(double_bits);
        compare("from float", {}, {}, extended_from_float(single), single);
        compare("from double", {}, {}, extended_from_double(binary64), binary64);
    }
    EXPECT_EQ(0u, differences);
}

// The colour formulas in long double; the coefficients are the binary64
// constants widened, exactly as the tool takes them. With the x87 unit each
// product and each sum is rounded to 64 bits. With a wider long double, such as
// binary128 on 64-bit ARM, the results are right only where no rounding is
// needed in 64 bits, as for every component in 0..255.
Yuv long_double_colour_to_yuv(std::int32_t red, std::int32_t green, std::int32_t blue) {
    const auto widened = [](double coefficient) { return static_cast<long double>(coefficient); };
    const long double r = static_cast<float>(red);
    const long double g = static_cast<float>(green);
    const long double b = static_cast<float>(blue);
    const long double y = (r * widened(0.299) + g * widened(0.587)) + b * widened(0.114);
    const long double u = ((r * widened(-0.1686) - g * widened(0.3311)) + b * widened(0.4997)) + 128.0L;
    const long double v = ((r * widened(0.4998) - g * widened(0.4185)) - b * widened(0.0813)) + 128.0L;
    return {static_cast<float>(y), static_cast<float>(u), static_cast<float>(v)};
}

bool same_bits(Yuv a, Yuv b) { return bits(a.y) == bits(b.y) && bits(a.u) == bits(b.u) && bits(a.v) == bits(b.v); }

std::int32_t random_component(std::mt19937_64& random) {
    const std::uint64_t bits = random();
    const std::int32_t sign = (bits >> 63) != 0 ? -1 : 1;
    switch (random() % 5) {
        case 0: return static_cast<std::int32_t>(static_cast<std::uint32_t>(bits));
        case 1: return sign * static_cast<std::int32_t>(0x7FFFFFFF - bits % 65536);
        case 2: return sign * static_cast<std::int32_t>(two_to(24 + static_cast<int>(bits % 7)) + bits % 1024 - 512);
        case 3: return sign * static_cast<std::int32_t>((bits % 0x7FFFFFFF) | 0x40000000);
        default: return static_cast<std::int32_t>(bits % 2001) - 1000;
    }
}

// Components that make one formula's terms nearly cancel, so that its result
// is small beside its terms and every rounding of the terms shows in it.
bool cancelling_triple(std::mt19937_64& random, std::int32_t& red, std::int32_t& green, std::int32_t& blue) {
    static const double formulas[3][3] = {
        {0.299, 0.587, 0.114}, {-0.1686, -0.3311, 0.4997}, {0.4998, -0.4185, -0.0813}};
    const double* c = formulas[random() % 3];
    red = random_component(random);
    const double g = std::nearbyint(-static_cast<double>(red) * c[0] / c[1]) + static_cast<double>(random() % 7) - 3;
    if (std::fabs(g) > 2147483647.0) return false;
    green = static_cast<std::int32_t>(g);
    const double b = std::nearbyint(-(static_cast<float>(red) * c[0] + static_cast<float>(green) * c[1]) / c[2]) +
                     static_cast<double>(random() % 7) - 3;
    if (std::fabs(b) > 2147483647.0) return false;
    blue = static_cast<std::int32_t>(b);
    return true;
}

TEST(ExtendedDifferential, ColourFormulasMatchX87OnRandomComponents) {
    if (!has_x87_oracle) GTEST_SKIP() << "long double has no 64-bit significand here";
    std::mt19937_64 random = seeded_generator();
    const std::uint64_t count = random_count();
    std::uint64_t differences = 0;
    for (std::uint64_t i = 0; i < count; ++i) {
        std::int32_t red = 0;
        std::int32_t green = 0;
        std::int32_t blue = 0;
        if (random() % 4 == 0 || !cancelling_triple(random, red, green, blue)) {
            red = random_component(random);
            green = random_component(random);
            blue = random_component(random);
        }
        if (!same_bits(long_double_colour_to_yuv(red, green, blue), colour_to_yuv(red, green, blue)) &&
            ++differences <= 10) {
            ADD_FAILURE() << "components " << red << " " << green << " " << blue;
        }
    }
    EXPECT_EQ(0u, differences);
}

TEST(ExtendedDifferential, ColourFormulasMatchLongDoubleOnEveryColour) {
    if (std::numeric_limits<long double>::digits < 64) GTEST_SKIP() << "long double is narrower than 64 bits";
    // A long double without the x87 unit is computed in software (and in the
    // cross build under an emulator), and debug builds are slow: there the
    // default run takes every fifth level, 0 to 255; a long run takes all.
    const bool every_colour = (has_x87_oracle && optimised_build) || long_run();
    const std::int32_t step = every_colour ? 1 : 5;
    std::uint64_t differences = 0;
    for (std::int32_t red = 0; red < 256; red += step) {
        for (std::int32_t green = 0; green < 256; green += step) {
            for (std::int32_t blue = 0; blue < 256; blue += step) {
                if (!same_bits(long_double_colour_to_yuv(red, green, blue), colour_to_yuv(red, green, blue)) &&
                    ++differences <= 10) {
                    ADD_FAILURE() << "colour " << red << " " << green << " " << blue;
                }
            }
        }
    }
    EXPECT_EQ(0u, differences);
}

}  // namespace
