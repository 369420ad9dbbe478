// parse_number over arbitrary bytes, checked against a second reading of the
// same text: the radix forms by their digit rules and everything else by the
// C library's strtod in the "C" locale, which rounds correctly on glibc. Then
// round_to_integer against nearbyint, and both formatters against printf.
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "fuzz_support.hpp"
#include "textio/number_text.hpp"

namespace {

double expected_radix(const std::string& text) {
    // text starts with "&"; the letter after it picks the radix or, when it
    // is none of H, O and B, is the first octal digit.
    unsigned radix = 8;
    std::size_t at = 1;
    switch (text[1]) {
        case 'H':
        case 'h':
            radix = 16;
            at = 2;
            break;
        case 'O':
        case 'o': at = 2; break;
        case 'B':
        case 'b':
            radix = 2;
            at = 2;
            break;
        default: break;
    }
    std::uint64_t value = 0;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else
            break;
        if (digit >= radix) break;
        value = value * radix + digit;  // wraps modulo 2^64
    }
    return static_cast<double>(static_cast<std::int64_t>(value));
}

double expected_number(const std::string& text) {
    std::size_t start = 0;
    while (start < text.size() && text[start] == ' ') ++start;
    std::string rest = text.substr(start);
    if (rest.empty()) return 0.0;
    if (rest.size() >= 2 && rest[0] == '&') return expected_radix(rest);
    if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) return 0.0;
    for (char& c : rest) {
        if (c == 'D') c = 'E';
        if (c == 'd') c = 'e';
    }
    // strtod stops at a zero byte, and so does every number form.
    return std::strtod(rest.c_str(), nullptr);
}

bool same_value(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    return std::memcmp(&a, &b, sizeof a) == 0;  // tells -0 from +0
}

std::int32_t expected_rounding(double x) {
    if (!std::isfinite(x)) return std::numeric_limits<std::int32_t>::min();
    const double n = std::nearbyint(x);  // to nearest, halves to even
    if (n < -2147483648.0 || n > 2147483647.0) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const double value = parse_number(text);
    const double expected = expected_number(text);
    if (!same_value(value, expected)) {
        std::fprintf(stderr, "parse_number gave %a, strtod reading gives %a\n", value, expected);
        FUZZ_CHECK(false, "parse_number differs from the second reading");
    }

    const std::int32_t rounded = round_to_integer(value);
    FUZZ_CHECK(rounded == expected_rounding(value), "round_to_integer differs from nearbyint");

    char digits[16];
    std::snprintf(digits, sizeof digits, "%d", static_cast<int>(rounded));
    FUZZ_CHECK(format_decimal(rounded) == digits, "format_decimal differs from printf");
    std::snprintf(digits, sizeof digits, "%X", static_cast<unsigned>(rounded));
    FUZZ_CHECK(format_hex(rounded) == digits, "format_hex differs from printf");
    return 0;
}
