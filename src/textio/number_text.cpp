#include "textio/number_text.hpp"

#include <charconv>
#include <cmath>
#include <limits>
#include <new>
#include <string_view>

namespace {

bool is_decimal_digit(char c) { return c >= '0' && c <= '9'; }

bool is_hex_digit(char c) { return is_decimal_digit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

// isspace() is locale-dependent; the decimal reader skips exactly these.
bool is_white_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Bytes that can stand in a number: digits, exponent and hexadecimal letters,
// the letters of inf and nan with nan's parenthesised group, point and signs.
bool may_continue_number(char c) {
    return is_decimal_digit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '.' || c == '+' ||
           c == '-' || c == '(' || c == ')' || c == '_';
}

int digit_value(char c) {
    if (is_decimal_digit(c)) return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return c - 'a' + 10;
}

// "&H1F", "&O17", "&B101" and "&17": digits in a 64-bit accumulator that
// wraps, then taken as a signed value, so sixteen F digits read as -1.
double read_radix_integer(std::string_view text) {
    unsigned radix = 8;
    std::size_t first_digit = 1;
    switch (text[1]) {
        case 'H':
        case 'h':
            radix = 16;
            first_digit = 2;
            break;
        case 'O':
        case 'o':
            radix = 8;
            first_digit = 2;
            break;
        case 'B':
        case 'b':
            radix = 2;
            first_digit = 2;
            break;
        default: break;
    }
    std::uint64_t accumulator = 0;
    for (std::size_t i = first_digit; i < text.size(); ++i) {
        const char c = text[i];
        if (!is_hex_digit(c)) break;
        const unsigned value = static_cast<unsigned>(digit_value(c));
        if (value >= radix) break;
        accumulator = accumulator * radix + value;
    }
    return static_cast<double>(static_cast<std::int64_t>(accumulator));
}

// The length of the hexadecimal number after "0x": digits with an optional
// point, then "p", one optional sign and decimal digits. The library's own
// reader takes "p+-5" as an exponent, so it gets only this span.
std::size_t hex_number_length(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && is_hex_digit(text[at])) ++at;
    if (at < text.size() && text[at] == '.') {
        ++at;
        while (at < text.size() && is_hex_digit(text[at])) ++at;
    }
    if (at < text.size() && (text[at] == 'p' || text[at] == 'P')) {
        std::size_t exponent = at + 1;
        if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) ++exponent;
        if (exponent < text.size() && is_decimal_digit(text[exponent])) {
            while (exponent < text.size() && is_decimal_digit(text[exponent])) ++exponent;
            at = exponent;
        }
    }
    return at;
}

// from_chars leaves the value alone when it overflows or underflows; which of
// the two happened follows from the rough size of the number: the position of
// its leading digit plus its exponent. The two limits lie hundreds of powers
// apart, so the estimate need not be precise.
double out_of_range_value(std::string_view number, bool hexadecimal) {
    const int digit_weight = hexadecimal ? 4 : 1;
    const char exponent_letter = hexadecimal ? 'p' : 'e';
    long long scale = 0;
    bool seen_nonzero = false;
    bool in_fraction = false;
    std::size_t i = 0;
    for (; i < number.size(); ++i) {
        const char c = number[i];
        if (c == '.') {
            in_fraction = true;
            continue;
        }
        if ((c | 0x20) == exponent_letter) break;
        if (!seen_nonzero && c != '0') seen_nonzero = true;
        if (!in_fraction && seen_nonzero) scale += digit_weight;
        if (in_fraction && !seen_nonzero) scale -= digit_weight;
    }
    long long exponent = 0;
    bool negative_exponent = false;
    if (++i < number.size() && (number[i] == '+' || number[i] == '-')) negative_exponent = number[i++] == '-';
    for (; i < number.size() && is_decimal_digit(number[i]); ++i) {
        if (exponent < 1000000000) exponent = exponent * 10 + (number[i] - '0');
    }
    scale += negative_exponent ? -exponent : exponent;
    return scale > 0 ? std::numeric_limits<double>::infinity() : 0.0;
}

// White space, an optional sign, then the longest decimal, hexadecimal,
// inf or nan prefix, correctly rounded. from_chars ignores the locale, so a
// comma never acts as the decimal separator.
double read_decimal(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && is_white_space(text[at])) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    const std::string_view rest = text.substr(at);
    // from_chars takes a minus sign of its own; a second sign is no number.
    if (!rest.empty() && rest[0] == '-') return 0.0;

    double value = 0.0;
    const bool hexadecimal = rest.size() > 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X') &&
                             (is_hex_digit(rest[2]) || (rest[2] == '.' && rest.size() > 3 && is_hex_digit(rest[3])));
    const std::string_view number = hexadecimal ? rest.substr(2, hex_number_length(rest.substr(2))) : rest;
    const auto format = hexadecimal ? std::chars_format::hex : std::chars_format::general;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value, format);
    if (result.ec == std::errc::result_out_of_range) {
        value = out_of_range_value(number.substr(0, static_cast<std::size_t>(result.ptr - number.data())), hexadecimal);
    } else if (result.ec != std::errc()) {
        return 0.0;  // no number after the sign
    }
    return negative ? -value : value;
}

}  // namespace

double parse_number(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size() && text[start] == ' ') ++start;
    const std::string_view rest = text.substr(start);
    if (rest.empty()) return 0.0;
    if (rest.size() >= 2) {
        if (rest[0] == '&') return read_radix_integer(rest);
        if (rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) return 0.0;
    }

    // D and d act as exponent letters through a working copy that turns them
    // into E and e. The copy needs to hold only the part that can still form
    // a number, and none is needed without those letters: a long colour line
    // is never held twice.
    std::size_t end = 0;
    while (end < rest.size() && is_white_space(rest[end])) ++end;
    while (end < rest.size() && may_continue_number(rest[end])) ++end;
    const std::string_view number = rest.substr(0, end);
    if (number.find_first_of("Dd") == std::string_view::npos) return read_decimal(number);
    try {
        String working(number);
        for (char& c : working) {
            if (c == 'D') c = 'E';
            if (c == 'd') c = 'e';
        }
        return read_decimal(working);
    } catch (const std::bad_alloc&) {
        return 0.0;
    }
}

std::int32_t round_to_integer(double x) {
    constexpr std::int32_t out_of_range = std::numeric_limits<std::int32_t>::min();
    if (std::isnan(x)) return out_of_range;
    // Halves go to the even neighbour, whatever rounding mode is in force:
    // x - floor(x) is exact for every binary64 value.
    double rounded = std::floor(x);
    const double fraction = x - rounded;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(rounded, 2.0) != 0.0)) rounded += 1.0;
    if (rounded < -2147483648.0 || rounded > 2147483647.0) return out_of_range;
    return static_cast<std::int32_t>(rounded);
}

String format_decimal(std::int32_t n) {
    char digits[16];
    const auto result = std::to_chars(digits, digits + sizeof digits, n);
    try {
        return String(digits, result.ptr);
    } catch (const std::bad_alloc&) {
        return String();
    }
}

String format_hex(std::int32_t n) {
    static constexpr char hex_digits[] = "0123456789ABCDEF";
    std::uint32_t pattern = static_cast<std::uint32_t>(n);
    char digits[8];
    char* first = digits + sizeof digits;
    do {
        *--first = hex_digits[pattern & 0xF];
        pattern >>= 4;
    } while (pattern != 0);
    try {
        return String(first, digits + sizeof digits);
    } catch (const std::bad_alloc&) {
        return String();
    }
}
