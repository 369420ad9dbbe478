#include "driver/array_writer.hpp"

#include "test_files.hpp"

namespace {

using ArrayWriter = ScratchDirectory;

// Writes an array of n entries, each holding its own position, to number 1.
void write_positions(std::int32_t n, const String& base_name) {
    std::int32_t row_counter = row_counter_start;
    begin_array(1, base_name);
    for (std::int32_t i = 1; i <= n; ++i) add_entry(1, i, i, n, row_counter);
    end_array(1);
    file_close(1);
}

TEST_F(ArrayWriter, SixteenEntriesMakeOneLine) {
    file_open(path("sky.yuv"), FileMode::output, 1);
    write_positions(16, "sky");
    EXPECT_EQ(
        "const u16 sky_pal[] = { 0x1, 0x2, 0x3, 0x4, 0x5, 0x6, 0x7, 0x8, 0x9, 0xA, 0xB, 0xC, 0xD, 0xE, 0xF, "
        "0x10 };\r\n",
        bytes_of("sky.yuv"));
}

TEST_F(ArrayWriter, TwoHundredFiftySixEntriesMakeThirteenRows) {
    file_open(path("sky.yuv"), FileMode::output, 1);
    write_positions(256, "");
    // Built here from the row rule: breaks after entries 17, 37, ..., 237.
    std::string expected = "const u16 _pal[] = { ";
    for (int i = 1; i <= 256; ++i) {
        static const char digits[] = "0123456789ABCDEF";
        std::string hex;
        for (int v = i; v != 0; v >>= 4) hex.insert(hex.begin(), digits[v & 0xF]);
        expected += "0x" + hex;
        if (i < 256) expected += ", ";
        if (i >= 17 && (i - 17) % 20 == 0 && i <= 237) expected += " \r\n";
    }
    expected += " };\r\n";
    const std::string actual = bytes_of("sky.yuv");
    EXPECT_EQ(expected, actual);

    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = actual.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(actual.substr(start, end - start));
    }
    ASSERT_EQ(13u, lines.size());
    EXPECT_EQ("0x11,  ", lines[0].substr(lines[0].size() - 7));
    EXPECT_EQ("0x12, ", lines[1].substr(0, 6));
    EXPECT_EQ("0xFF, 0x100 };", lines[12].substr(lines[12].size() - 14));
}

TEST_F(ArrayWriter, NothingReachesAClosedArrayFile) {
    std::int32_t row_counter = row_counter_start;
    begin_array(1, "sky");
    add_entry(1, 0x88, 1, 16, row_counter);
    end_array(1);
    EXPECT_EQ(4, row_counter);
    EXPECT_FALSE(exists("sky.yuv"));
}

}  // namespace
