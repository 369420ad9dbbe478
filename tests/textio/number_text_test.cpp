#include "textio/number_text.hpp"

#include <clocale>
#include <cmath>
#include <cstring>
#include <limits>

#include <gtest/gtest.h>

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr std::int32_t out_of_range = std::numeric_limits<std::int32_t>::min();

// Compares binary64 results bit for bit, so -0 and +0 differ and NaN equals NaN.
::testing::AssertionResult same_number(double expected, double actual) {
    if (std::isnan(expected) && std::isnan(actual)) return ::testing::AssertionSuccess();
    if (std::memcmp(&expected, &actual, sizeof expected) == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "expected " << expected << ", got " << actual;
}

struct ParseCase {
    const char* text;
    double number;
    std::int32_t integer;
};

const ParseCase parse_cases[] = {
    {"", 0, 0},
    {"   ", 0, 0},
    {"16", 16, 16},
    {"  256", 256, 256},
    {"255 ", 255, 255},
    {"\t16", 16, 16},
    {"+7", 7, 7},
    {"-0", -0.0, 0},
    {"12abc", 12, 12},
    {"1,5", 1, 1},
    {"1 2", 1, 1},
    {".5", 0.5, 0},
    {".", 0, 0},
    {"1.5", 1.5, 2},
    {"2.5", 2.5, 2},
    {"-2.5", -2.5, -2},
    {"255.5", 255.5, 256},
    {"1.6e1", 16, 16},
    {"1.6D1", 16, 16},
    {"1.6d1", 16, 16},
    {"1D2", 100, 100},
    {"4d", 4, 4},
    {"2e", 2, 2},
    {"2e+", 2, 2},
    {"e5", 0, 0},
    {"- 5", 0, 0},
    {"+-5", 0, 0},
    {"--5", 0, 0},
    {"&H10", 16, 16},
    {"&h1f", 31, 31},
    {" &HFF", 255, 255},
    {"\t&HFF", 0, 0},
    {"+&H10", 0, 0},
    {"&H 10", 0, 0},
    {"&O17", 15, 15},
    {"&o17", 15, 15},
    {"&17", 15, 15},
    {"&18", 1, 1},
    {"&9", 0, 0},
    {"&B101", 5, 5},
    {"&b101", 5, 5},
    {"&B2", 0, 0},
    {"&", 0, 0},
    {"&H", 0, 0},
    {"&HFFFFFFFF", 4294967295.0, out_of_range},
    {"&HFFFFFFFFFFFFFFFF", -1, -1},
    {"&H7FFFFFFFFFFFFFFF", 9223372036854775807.0, out_of_range},
    // Digits pushed past the 64th bit are lost from the top.
    {"&H100000000000000010", 16, 16},
    {"&B11111111111111111111111111111111111111111111111111111111111111111", -1, -1},
    // Ties to even when the 64-bit value does not fit binary64.
    {"&H20000000000001", 9007199254740992.0, out_of_range},
    {"&H0020000000000003", 9007199254740996.0, out_of_range},
    {"0x10", 0, 0},
    {" 0X10", 0, 0},
    {"-0x10", -16, -16},
    {"\t0x10", 16, 16},
    {"\t0x1.8p1", 3, 3},
    {"\t0x", 0, 0},
    {"\t0xg", 0, 0},
    {"\t0xinf", 0, 0},
    {"\t0x1p2000", inf, out_of_range},
    {"\t0x1p+-5", 1, 1},
    {"\t0x1p-+5", 1, 1},
    {"\t0x1p+-100558936898", 1, 1},
    {"\t0x1.8p", 1.5, 2},
    {"\t0x1p-2000", 0, 0},
    {"inf", inf, out_of_range},
    {"-Infinity", -inf, out_of_range},
    {"INFINITE", inf, out_of_range},
    {"nan", std::nan(""), out_of_range},
    {"NaN(1)", std::nan(""), out_of_range},
    {"1e400", inf, out_of_range},
    {"-1e400", -inf, out_of_range},
    {"1e-400", 0, 0},
    {"-1e-400", -0.0, 0},
    {"0.000001e310", 1e304, out_of_range},
    {"4.9406564584124654e-324", 4.9406564584124654e-324, 0},
    {"2147483647.4", 2147483647.4, 2147483647},
    {"2147483647.5", 2147483647.5, out_of_range},
    {"-2147483648.5", -2147483648.5, -2147483648},
    {"-2147483649.5", -2147483649.5, out_of_range},
    // Correctly rounded: halfway between two doubles, long digit strings.
    {"9007199254740993", 9007199254740992.0, out_of_range},
    {"9007199254740993.000000000000000000000000001", 9007199254740994.0, out_of_range},
    {"0.1000000000000000055511151231257827021181583404541015625", 0.1, 0},
};

TEST(ParseNumber, Forms) {
    for (const ParseCase& c : parse_cases) {
        SCOPED_TRACE(c.text);
        const double number = parse_number(c.text);
        EXPECT_TRUE(same_number(c.number, number));
        EXPECT_EQ(c.integer, round_to_integer(number));
    }
}

TEST(ParseNumber, IgnoresTheLocaleDecimalSeparator) {
    const char* comma_locale = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE", "German_Germany.1252"}) {
        if (std::setlocale(LC_ALL, name) != nullptr) {
            comma_locale = name;
            break;
        }
    }
    if (comma_locale == nullptr) GTEST_SKIP() << "no locale with a decimal comma is installed";
    EXPECT_TRUE(same_number(1, parse_number("1,5")));
    EXPECT_TRUE(same_number(1.5, parse_number("1.5")));
    EXPECT_TRUE(same_number(16, parse_number("1.6d1")));
    std::setlocale(LC_ALL, "C");
}

TEST(RoundToInteger, HalvesToEvenAndOutOfRange) {
    const struct {
        double x;
        std::int32_t integer;
    } cases[] = {
        {0.5, 0},
        {1.5, 2},
        {2.5, 2},
        {3.5, 4},
        {-2.5, -2},
        {-0.5, 0},
        {-1.5, -2},
        {0.49999999999999994, 0},
        {8.5, 8},
        {23.5, 24},
        {4503599627370495.5, out_of_range},
        {2147483646.5, 2147483646},
        {2147483647.0, 2147483647},
        {2147483648.0, out_of_range},
        {-2147483648.0, -2147483647 - 1},
        {-2147483649.0, out_of_range},
        {inf, out_of_range},
        {-inf, out_of_range},
        {std::nan(""), out_of_range},
        {1e300, out_of_range},
        {-0.0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.x);
        EXPECT_EQ(c.integer, round_to_integer(c.x));
    }
}

TEST(FormatNumbers, DecimalAndHexadecimal) {
    const struct {
        std::int32_t n;
        const char* decimal;
        const char* hex;
    } cases[] = {
        {0, "0", "0"},
        {10, "10", "A"},
        {255, "255", "FF"},
        {4096, "4096", "1000"},
        {65552, "65552", "10010"},
        {-1, "-1", "FFFFFFFF"},
        {-5, "-5", "FFFFFFFB"},
        {2147483647, "2147483647", "7FFFFFFF"},
        {out_of_range, "-2147483648", "80000000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.n);
        EXPECT_EQ(c.decimal, format_decimal(c.n));
        EXPECT_EQ(c.hex, format_hex(c.n));
    }
}

}  // namespace
