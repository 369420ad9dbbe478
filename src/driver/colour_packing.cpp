#include "driver/colour_packing.hpp"

#include <limits>

#include "textio/number_text.hpp"

namespace {

// Each chroma field holds four bits; a rounded chroma of 248..255 would reduce
// to 16 and spill into the neighbouring field, so it stays at 15.
std::int32_t reduce_chroma(std::int32_t value) {
    const std::int32_t reduced = (value + 8) >> 4;
    return reduced > 15 ? 15 : reduced;
}

std::int32_t clamp_and_round(float value) {
    if (value > 255.0f) value = 255.0f;
    if (value < 0.0f) value = 0.0f;
    return round_to_integer(value);
}

}  // namespace

Yuv colour_to_yuv(std::int32_t red, std::int32_t green, std::int32_t blue) {
    static_assert(std::numeric_limits<long double>::digits == 64, "needs a 64-bit significand");
    // The coefficients are the binary64 values nearest the decimals, widened.
    const long double r = static_cast<float>(red);
    const long double g = static_cast<float>(green);
    const long double b = static_cast<float>(blue);
    const long double y = (r * static_cast<long double>(0.299) + g * static_cast<long double>(0.587)) +
                          b * static_cast<long double>(0.114);
    const long double u = ((r * static_cast<long double>(-0.1686) - g * static_cast<long double>(0.3311)) +
                           b * static_cast<long double>(0.4997)) +
                          128.0L;
    const long double v = ((r * static_cast<long double>(0.4998) - g * static_cast<long double>(0.4185)) -
                           b * static_cast<long double>(0.0813)) +
                          128.0L;
    return {static_cast<float>(y), static_cast<float>(u), static_cast<float>(v)};
}

std::int32_t pack_colour(std::int32_t red, std::int32_t green, std::int32_t blue) {
    const Yuv yuv = colour_to_yuv(red, green, blue);
    const std::int32_t y = clamp_and_round(yuv.y);
    const std::int32_t u = reduce_chroma(clamp_and_round(yuv.u));
    const std::int32_t v = reduce_chroma(clamp_and_round(yuv.v));
    return y * 256 + u * 16 + v;
}
