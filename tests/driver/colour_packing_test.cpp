#include "driver/colour_packing.hpp"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace {

TEST(PackColour, WorkedColours) {
    // Luma and chroma after their rounding to single precision, to three decimals.
    const struct {
        std::int32_t red, green, blue;
        double y, u, v;
        std::int32_t entry;
    } cases[] = {
        {0, 0, 0, 0, 128, 128, 0x0088},
        {255, 255, 255, 255, 128, 128, 0xFF88},
        {128, 128, 128, 128, 128, 128, 0x8088},
        {0, 255, 0, 149.685, 43.569, 21.282, 0x9631},
        {255, 255, 0, 225.930, 0.576, 148.732, 0xE209},
        {0, 255, 255, 178.755, 170.993, 0.551, 0xB3B0},
        {255, 0, 255, 105.315, 212.430, 234.717, 0x69DF},
        {128, 0, 0, 38.272, 106.419, 191.974, 0x267C},
        {0, 0, 128, 14.592, 191.962, 117.594, 0x0FC7},
        {200, 100, 50, 124.200, 86.155, 182.045, 0x7C5B},
        {0, 0, 238, 27.132, 246.929, 108.651, 0x1BF7},
        {-100, 0, 0, -29.900, 144.860, 78.020, 0x0095},
        {255, 255, -255, 196.860, -126.847, 169.463, 0xC50B},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.red << ' ' << c.green << ' ' << c.blue);
        const Yuv yuv = colour_to_yuv(c.red, c.green, c.blue);
        EXPECT_NEAR(c.y, yuv.y, 0.0005);
        EXPECT_NEAR(c.u, yuv.u, 0.0005);
        EXPECT_NEAR(c.v, yuv.v, 0.0005);
        EXPECT_EQ(c.entry, pack_colour(c.red, c.green, c.blue));
    }
}

TEST(PackColour, GreyRampKeepsChromaAtTheMiddle) {
    for (std::int32_t x = 0; x <= 255; ++x) EXPECT_EQ(x * 256 + 0x88, pack_colour(x, x, x)) << x;
}

TEST(PackColour, ComponentsOutsideTheByteRange) {
    EXPECT_EQ(0xFF88, pack_colour(300, 300, 300));
    EXPECT_EQ(0x0088, pack_colour(-5, -5, -5));
    const std::int32_t extremes[] = {std::numeric_limits<std::int32_t>::min(), -16777217, 16777217,
                                     std::numeric_limits<std::int32_t>::max()};
    for (std::int32_t r : extremes) {
        for (std::int32_t g : extremes) {
            for (std::int32_t b : extremes) {
                const std::int32_t entry = pack_colour(r, g, b);
                EXPECT_GE(entry, 0);
                EXPECT_LE(entry, 0xFFFF);
            }
        }
    }
}

TEST(PackColour, ChromaSaturatesInItsFourBits) {
    const struct {
        std::int32_t red, green, blue;
        std::int32_t entry;
    } cases[] = {
        {255, 0, 0, 0x4C5F},  // V 255.449 clamps to 255
        {0, 0, 255, 0x1DF7},  // U 255.423 clamps to 255
        {0, 0, 240, 0x1BF7},  // U 247.928 rounds to 248
        {0, 0, 238, 0x1BF7},  // U 247 still fits: 15
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.entry, pack_colour(c.red, c.green, c.blue)) << c.red << ' ' << c.green << ' ' << c.blue;
    }
}

// Evaluations that a plausible implementation falls into. Each case below
// must give its right entry from pack_colour and a wrong one from the fault it
// is there to catch, which shows that the case would catch that fault.

// Long double holds every intermediate exactly, so leaving out the rounding to
// single precision really leaves it out.
using Rounding = std::int32_t (*)(long double);
std::int32_t round_half_even(long double x) { return static_cast<std::int32_t>(std::nearbyint(x)); }
std::int32_t round_half_away(long double x) { return static_cast<std::int32_t>(std::round(x)); }

std::int32_t clamp_round(long double x, Rounding round) { return round(x > 255 ? 255 : (x < 0 ? 0 : x)); }

template <typename Real>
std::int32_t pack_with(Real y, Real u, Real v, bool to_single, Rounding round, bool saturate) {
    const auto stored = [&](Real x) {
        return to_single ? static_cast<long double>(static_cast<float>(x)) : static_cast<long double>(x);
    };
    const auto reduce = [&](std::int32_t c) { return saturate && c >= 248 ? 15 : (c + 8) >> 4; };
    return clamp_round(stored(y), round) * 256 + reduce(clamp_round(stored(u), round)) * 16 +
           reduce(clamp_round(stored(v), round));
}

template <typename Real>
std::int32_t evaluate_in(std::int32_t red, std::int32_t green, std::int32_t blue, bool to_single, Rounding round,
                         bool saturate) {
    const Real r = static_cast<float>(red);
    const Real g = static_cast<float>(green);
    const Real b = static_cast<float>(blue);
    const auto k = [](double c) { return static_cast<Real>(c); };
    const Real y = (r * k(0.299) + g * k(0.587)) + b * k(0.114);
    const Real u = ((r * k(-0.1686) - g * k(0.3311)) + b * k(0.4997)) + k(128);
    const Real v = ((r * k(0.4998) - g * k(0.4185)) - b * k(0.0813)) + k(128);
    return pack_with(y, u, v, to_single, round, saturate);
}

std::int32_t fused_double(std::int32_t red, std::int32_t green, std::int32_t blue) {
    const double r = static_cast<float>(red);
    const double g = static_cast<float>(green);
    const double b = static_cast<float>(blue);
    const double y = std::fma(b, 0.114, std::fma(r, 0.299, g * 0.587));
    const double u = std::fma(b, 0.4997, std::fma(r, -0.1686, -(g * 0.3311))) + 128;
    const double v = std::fma(-b, 0.0813, std::fma(r, 0.4998, -(g * 0.4185))) + 128;
    return pack_with(y, u, v, true, round_half_even, true);
}

// x87 extended on x86-64, binary128 on aarch64: either holds every product
// and sum of the small cases exactly.
using Extended = long double;
static_assert(std::numeric_limits<Extended>::digits >= 64);

TEST(PackColour, CasesThatCatchFaultyEvaluations) {
    const struct {
        const char* fault;
        std::int32_t red, green, blue;
        std::int32_t entry;
        std::int32_t faulty_entry;
    } cases[] = {
        {"halves rounded away from zero", 1, 13, 5, 0x0888,
         evaluate_in<Extended>(1, 13, 5, true, round_half_away, true)},
        {"no rounding to single precision", 1, 37, 13, 0x1887,
         evaluate_in<Extended>(1, 37, 13, false, round_half_even, true)},
        {"no rounding to single precision", 14, 156, 103, 0x6C84,
         evaluate_in<Extended>(14, 156, 103, false, round_half_even, true)},
        {"sums in single precision", 14, 156, 103, 0x6C84,
         evaluate_in<float>(14, 156, 103, true, round_half_even, true)},
        {"chroma 16 spilling into the next field", 255, 0, 0, 0x4C5F,
         evaluate_in<Extended>(255, 0, 0, true, round_half_even, false)},
        // Large cancelling components leave a luma of about 0.5 whose last
        // bits only a 64-bit significand keeps: rounded to 53 bits the sum
        // lands one single-precision step above 0.5, which rounds up.
        {"sums in double precision", 846173184, -431020928, 30730, 0x00FF,
         evaluate_in<double>(846173184, -431020928, 30730, true, round_half_even, true)},
        {"a fused multiply-add", 913577408, -465345280, -17238, 0x00FF, fused_double(913577408, -465345280, -17238)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        EXPECT_EQ(c.entry, pack_colour(c.red, c.green, c.blue));
        EXPECT_NE(c.entry, c.faulty_entry);
    }
}

}  // namespace
