// Extended-precision arithmetic in software: a 64-bit significand, each
// operation rounded to nearest with ties to even. The colour formulas use it so
// that every packed entry is the same on every CPU and compiler, whether or not
// the machine has an x87 unit and whatever its control word says.
//
// Domain: finite values only. There is no infinity and no NaN, and the
// exponent is a plain 32-bit integer with no overflow or underflow, so results
// are never subnormal either: an operation on representable values gives the
// exact result rounded to 64 significant bits. That is what an x87 unit in
// 64-bit precision gives for the colour formulas, whose operands are single-
// precision values of 32-bit integers and binary64 coefficients, and whose
// intermediate magnitudes stay far inside the x87 exponent range.
#pragma once

#include <cstdint>

// The value is (-1)^negative * significand * 2^exponent. A non-zero value has
// bit 63 of its significand set; zero has significand 0 and keeps its sign.
struct Extended {
    bool negative;
    std::int32_t exponent;
    std::uint64_t significand;
};

// Exact: a finite single-precision value fits in 64 bits. Not for infinity or
// NaN.
Extended extended_from_float(float value);

// Exact: a finite binary64 value fits in 64 bits. Not for infinity or NaN.
Extended extended_from_double(double value);

// a × b rounded to 64 significant bits, ties to even; the sign of a zero
// product is the exclusive or of the signs.
Extended extended_multiply(Extended a, Extended b);

// a + b rounded to 64 significant bits, ties to even; an exact cancellation
// gives +0, and -0 + -0 gives -0.
Extended extended_add(Extended a, Extended b);

// a - b, the same as a + (-b).
Extended extended_subtract(Extended a, Extended b);

// value rounded once to single precision, ties to even. Only for results in
// the normal single-precision range (2^-126 up to below 2^128 in magnitude) or
// zero: subnormal results and overflow to infinity are not handled, and the
// colour formulas never come near either.
float extended_to_float(Extended value);
