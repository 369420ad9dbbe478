// Turns one palette colour into its packed 16-bit YUV entry, bit for bit the
// same on every platform and CPU.
#pragma once

#include <cstdint>

// Luma and chroma after their one rounding to single precision, before any
// clamping.
struct Yuv {
    float y;
    float u;
    float v;
};

// The three formulas over the components taken as single-precision values,
// each product and each sum rounded to a 64-bit significand.
Yuv colour_to_yuv(std::int32_t red, std::int32_t green, std::int32_t blue);

// Y in bits 15-8, U in bits 7-4, V in bits 3-0; chroma saturates at 15.
std::int32_t pack_colour(std::int32_t red, std::int32_t green, std::int32_t blue);
