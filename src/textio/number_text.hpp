// Number text: the only way the tool reads a number from text or writes one.
// "." is the decimal separator whatever the user's locale says.
#pragma once

#include <cstdint>
#include <string_view>

#include "textio/strings.hpp"

// The value of the number at the start of text (after blanks): "&H", "&O",
// "&B" and "&" radix integers, or a decimal, hexadecimal-float, inf or nan
// form, correctly rounded. "D" and "d" act as exponent letters. Text that
// holds no number gives 0.
double parse_number(std::string_view text);

// x rounded to an integer, halves to even; -2147483648 for NaN, infinities
// and results outside the signed 32-bit range.
std::int32_t round_to_integer(double x);

// Decimal digits with a "-" for negative values, nothing else.
String format_decimal(std::int32_t n);

// The 32-bit pattern in upper-case hexadecimal without leading zeros.
String format_hex(std::int32_t n);
