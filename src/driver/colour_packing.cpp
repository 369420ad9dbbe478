#include "driver/colour_packing.hpp"

#include "driver/extended_float.hpp"
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
    // Evaluated in software rather than in long double, so that the entries
    // do not depend on an x87 unit, its control word or the compiler.
    // The coefficients are the binary64 values nearest the decimals, widened;
    // converted once because the conversion costs as much as a product.
    static const Extended y_red = extended_from_double(0.299);
    static const Extended y_green = extended_from_double(0.587);
    static const Extended y_blue = extended_from_double(0.114);
    static const Extended u_red = extended_from_double(-0.1686);
    static const Extended u_green = extended_from_double(0.3311);
    static const Extended u_blue = extended_from_double(0.4997);
    static const Extended v_red = extended_from_double(0.4998);
    static const Extended v_green = extended_from_double(0.4185);
    static const Extended v_blue = extended_from_double(0.0813);
    static const Extended offset = extended_from_double(128.0);

    const Extended r = extended_from_float(static_cast<float>(red));
    const Extended g = extended_from_float(static_cast<float>(green));
    const Extended b = extended_from_float(static_cast<float>(blue));
    const auto times = extended_multiply;
    const Extended y = extended_add(extended_add(times(r, y_red), times(g, y_green)), times(b, y_blue));
    const Extended u =
        extended_add(extended_add(extended_subtract(times(r, u_red), times(g, u_green)), times(b, u_blue)), offset);
    const Extended v = extended_add(
        extended_subtract(extended_subtract(times(r, v_red), times(g, v_green)), times(b, v_blue)), offset);
    return {extended_to_float(y), extended_to_float(u), extended_to_float(v)};
}

std::int32_t pack_colour(std::int32_t red, std::int32_t green, std::int32_t blue) {
    const Yuv yuv = colour_to_yuv(red, green, blue);
    const std::int32_t y = clamp_and_round(yuv.y);
    const std::int32_t u = reduce_chroma(clamp_and_round(yuv.u));
    const std::int32_t v = reduce_chroma(clamp_and_round(yuv.v));
    return y * 256 + u * 16 + v;
}
