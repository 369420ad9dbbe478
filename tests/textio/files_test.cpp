#include "textio/files.hpp"

#include <vector>

#include "test_files.hpp"

namespace {

using namespace std::string_literals;

using Files = ScratchDirectory;

// Every line that file_read_line gives until the data ends, plus one more read
// to show that the end gives the empty string again.
std::vector<String> lines_of(const std::string& path, int lines) {
    const std::int32_t number = file_free_number();
    file_open(path, FileMode::input, number);
    std::vector<String> result;
    String line = "unchanged";
    for (int i = 0; i < lines; ++i) {
        file_read_line(number, line);
        result.push_back(line);
    }
    file_close(number);
    return result;
}

TEST_F(Files, TextModeLineReading) {
    const struct {
        const char* about;
        String bytes;
        std::vector<String> lines;
    } cases[] = {
        {"CR LF", "JASC-PAL\r\n0100\r\n16\r\n", {"JASC-PAL", "0100", "16", "", ""}},
        {"LF", "JASC-PAL\n0100\n16\n", {"JASC-PAL", "0100", "16", "", ""}},
        {"lone CR inside", "0 0 0\r1 1 1\n", {"0 0 0\r1 1 1", ""}},
        {"CR CR LF", "abc\r\r\n", {"abc", ""}},
        {"CR CR CR LF", "abc\r\r\r\n", {"abc\r", ""}},
        {"no final line end", "64 64 64", {"64 64 64", ""}},
        {"final lone CR", "64 64 64\r", {"64 64 64", ""}},
        {"byte 26 ends the data",
         "JASC-PAL\r\n\x1a"
         "0100\r\n",
         {"JASC-PAL", "", ""}},
        {"byte 26 mid line",
         "ab\x1a"
         "cd\n",
         {"ab", ""}},
        {"CR before byte 26", "ab\r\x1a", {"ab", ""}},
        {"byte-order mark stays", "\xEF\xBB\xBFJASC-PAL\r\n", {"\xEF\xBB\xBFJASC-PAL", ""}},
        {"empty lines", "\r\n\n", {"", "", ""}},
        {"zero bytes stay", "a\0b\n"s, {"a\0b"s, ""}},
        {"empty file", "", {"", ""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.about);
        EXPECT_EQ(c.lines, lines_of(make_file("in.pal", c.bytes), static_cast<int>(c.lines.size())));
    }
}

TEST_F(Files, LinesOfAnyLengthAcrossBufferBoundaries) {
    const String long_line(2000, '7');
    EXPECT_EQ((std::vector<String>{long_line, "x"}), lines_of(make_file("a", long_line + "\r\nx"), 2));
    // A CR LF split between two 8192-byte reads is still one line end.
    for (std::size_t before : {8190u, 8191u, 8192u}) {
        SCOPED_TRACE(before);
        const String first(before, 'a');
        EXPECT_EQ((std::vector<String>{first, "b", ""}), lines_of(make_file("b", first + "\r\nb\r\n"), 3));
    }
    const String huge(100000, 'z');
    EXPECT_EQ((std::vector<String>{huge + "\r" + huge}), lines_of(make_file("c", huge + "\r" + huge + "\n"), 1));
}

TEST_F(Files, FreeNumbersAreTheLowestAndNotReserved) {
    EXPECT_EQ(1, file_free_number());
    EXPECT_EQ(1, file_free_number());
    file_open(make_file("a", "x"), FileMode::input, 1);
    EXPECT_EQ(2, file_free_number());
    file_open(path("missing"), FileMode::input, 2);
    EXPECT_EQ(2, file_free_number());  // a failed open leaves the number free
    file_open(path("out"), FileMode::output, 2);
    EXPECT_EQ(3, file_free_number());
    EXPECT_TRUE(file_close(1));
    EXPECT_EQ(1, file_free_number());
}

TEST_F(Files, OpeningTakenOrInvalidNumbersChangesNothing) {
    file_open(make_file("a", "first\n"), FileMode::input, 1);
    file_open(make_file("b", "second\n"), FileMode::input, 1);
    file_open(path("c"), FileMode::output, 0);
    file_open(path("d"), FileMode::output, 256);
    file_open(path("e"), FileMode::output, -1);
    String line;
    file_read_line(1, line);
    EXPECT_EQ("first", line);
    EXPECT_FALSE(exists("c") || exists("d") || exists("e"));
}

TEST_F(Files, AllSlotsOpenGivesNumberZero) {
    const std::string name = make_file("a", "x");
    for (std::int32_t number = 1; number <= file_slots; ++number) file_open(name, FileMode::input, number);
    EXPECT_EQ(0, file_free_number());
}

TEST_F(Files, OutputIsEmptiedAtOnceAndWrittenUnchanged) {
    make_file("out", "old contents");
    file_open(path("out"), FileMode::output, 1);
    EXPECT_EQ("", bytes_of("out"));
    file_write(1, "abc", LineEnd::without);
    file_write(1, "def", LineEnd::with);
    file_write(1, "", LineEnd::with);
    file_write(1, "\n\r\x1a\0"s, LineEnd::without);
    EXPECT_TRUE(file_close(1));
    EXPECT_EQ("abcdef\r\n\r\n\n\r\x1a\0"s, bytes_of("out"));
}

TEST_F(Files, BufferedOutputLargerThanTheBufferArrivesWhole) {
    file_open(path("out"), FileMode::output, 1);
    String expected;
    for (int i = 0; i < 3000; ++i) {
        file_write(1, "0xFF88, ", LineEnd::without);
        expected += "0xFF88, ";
    }
    file_close_all();  // as at process exit: the buffer reaches the file
    EXPECT_EQ(expected, bytes_of("out"));
}

TEST_F(Files, NumbersThatAreNotOpenSwallowEverything) {
    String line = "kept";
    file_read_line(7, line);
    file_read_line(0, line);
    file_read_line(300, line);
    EXPECT_EQ("kept", line);
    file_write(7, "lost", LineEnd::with);
    EXPECT_FALSE(file_close(7));
    file_open(path("out"), FileMode::output, 1);
    file_read_line(1, line);  // a slot open for output reads as empty
    EXPECT_EQ("", line);
    EXPECT_TRUE(file_close(1));
    EXPECT_FALSE(file_close(1));  // a second close does nothing
}

TEST_F(Files, MissingPaletteLeavesItsNumberToTheArrayFile) {
    const std::int32_t palette = file_free_number();
    file_open(path("missing.pal"), FileMode::input, palette);
    const std::int32_t array = file_free_number();
    file_open(path("missing.yuv"), FileMode::output, array);
    EXPECT_EQ(palette, array);
    String line = "x";
    file_read_line(palette, line);
    EXPECT_EQ("", line);
    file_close(palette);
    file_close(array);
    EXPECT_EQ("", bytes_of("missing.yuv"));
}

TEST_F(Files, DirectoriesAndUnnamedPathsFailToOpen) {
    std::filesystem::create_directory(path("dir"));
    file_open(path("dir"), FileMode::input, 1);
    file_open(path("dir"), FileMode::output, 2);
    file_open("", FileMode::input, 3);
    file_open(make_file("real", "x") + "\0.pal"s, FileMode::input, 4);
    EXPECT_EQ(1, file_free_number());
    EXPECT_FALSE(file_close(4));
}

TEST_F(Files, DataEndsAtTheLengthSeenWhenOpened) {
    const std::string name = make_file("grows", "one\n");
    file_open(name, FileMode::input, 1);
    std::ofstream(name, std::ios::binary | std::ios::app) << "two\n";
    String line;
    file_read_line(1, line);
    EXPECT_EQ("one", line);
    file_read_line(1, line);
    EXPECT_EQ("", line);
}

TEST_F(Files, SameFileIsFoundByIdentityNotByName) {
    const std::string name = make_file("sky.yuv", "JASC-PAL\n");
    file_open(name, FileMode::input, 1);
    EXPECT_TRUE(file_is_same(1, name));
    EXPECT_TRUE(file_is_same(1, path(".") + "/sky.yuv"));
    std::filesystem::create_hard_link(name, path("link.yuv"));
    EXPECT_TRUE(file_is_same(1, path("link.yuv")));
    EXPECT_FALSE(file_is_same(1, make_file("other.yuv", "JASC-PAL\n")));
    EXPECT_FALSE(file_is_same(1, path("missing.yuv")));
    EXPECT_FALSE(file_is_same(2, name));
}

}  // namespace
