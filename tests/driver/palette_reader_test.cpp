#include "driver/palette_reader.hpp"

#include "test_files.hpp"

namespace {

using PaletteReader = ScratchDirectory;

TEST_F(PaletteReader, MagicLineAndColourCount) {
    const struct {
        const char* bytes;
        std::int32_t outcome;
    } cases[] = {
        {"JASC-PAL\r\n0100\r\n16\r\n", 16},
        {"JASC-PAL\n0100\n256\n", 256},
        {"  JASC-PAL  \n0100\n16\n", 16},
        {"jasc-pal\n0100\n16\n", header_rejected},
        {"JASC-PAL 0100\n0100\n16\n", header_rejected},
        {"\tJASC-PAL\n0100\n16\n", header_rejected},
        {"\xEF\xBB\xBFJASC-PAL\n0100\n16\n", header_rejected},
        {"", header_rejected},
        {"JASC-PAL\r0100\r16\r", header_rejected},
        {"JASC-PAL\n\n16\n", 16},
        {"JASC-PAL\n0100\n 16 \n", 16},
        {"JASC-PAL\n0100\n16 colours\n", 16},
        {"JASC-PAL\n0100\n15.5\n", 16},
        {"JASC-PAL\n0100\n16.5\n", 16},
        {"JASC-PAL\n0100\n&H10\n", 16},
        {"JASC-PAL\n0100\n&H100\n", 256},
        {"JASC-PAL\n0100\n1.6e1\n", 16},
        {"JASC-PAL\n0100\n0x10\n", count_rejected},
        {"JASC-PAL\n0100\n32\n", count_rejected},
        {"JASC-PAL\n0100\n0\n", count_rejected},
        {"JASC-PAL\n0100\n\n", count_rejected},
        {"JASC-PAL\n", count_rejected},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        file_open(make_file("p.pal", c.bytes), FileMode::input, 1);
        String line;
        EXPECT_EQ(c.outcome, read_palette_header(1, line));
        file_close(1);
    }
}

TEST_F(PaletteReader, ColourLinesSplitAtSingleBlanks) {
    const struct {
        const char* line;
        std::int32_t red, green, blue;
    } cases[] = {
        {"255 128 0", 255, 128, 0},
        {"255   128  0", 255, 128, 0},
        {"255 128 0 ", 255, 128, 0},
        {"255 128 0 99", 255, 128, 0},
        {"255 128", 255, 0, 128},
        {"255", 0, 0, 255},
        {" 255 128 0", 0, 255, 128},
        {"255\t128\t0", 0, 0, 255},
        {"255 128\t0", 255, 0, 128},
        {"\t255 128 0", 255, 128, 0},
        {"-5 300 1000", -5, 300, 1000},
        {"12.5 13.5 1e2", 12, 14, 100},
        {"&HFF &H80 &H40", 255, 128, 64},
        {"red green blue", 0, 0, 0},
        {"", 0, 0, 0},
        {"1e400 nan -1e400", -2147483647 - 1, -2147483647 - 1, -2147483647 - 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        file_open(make_file("p.pal", std::string(c.line) + "\r\n"), FileMode::input, 1);
        String line;
        const Colour colour = read_palette_colour(1, line);
        EXPECT_EQ(c.red, colour.red);
        EXPECT_EQ(c.green, colour.green);
        EXPECT_EQ(c.blue, colour.blue);
        file_close(1);
    }
}

TEST_F(PaletteReader, MissingLinesAreBlackAndLaterLinesAreNotRead) {
    file_open(make_file("p.pal", "JASC-PAL\n0100\n16\n1 2 3\n4 5 6\n"), FileMode::input, 1);
    String line;
    ASSERT_EQ(16, read_palette_header(1, line));
    EXPECT_EQ(2, read_palette_colour(1, line).green);
    EXPECT_EQ(6, read_palette_colour(1, line).blue);
    const Colour missing = read_palette_colour(1, line);
    EXPECT_EQ(0, missing.red + missing.green + missing.blue);
}

}  // namespace
