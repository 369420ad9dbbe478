#include "driver/run.hpp"

#include <filesystem>

#include "test_files.hpp"

namespace {

TEST(DerivePaths, PaletteBaseAndArrayPaths) {
    const struct {
        const char* tail;
        const char* palette_path;
        const char* base_name;
        const char* array_path;
    } cases[] = {
        {"C:\\pals\\sky.pal", "C:\\pals\\sky.pal", "sky", "C:\\pals\\sky.yuv"},
        {"sky.pal", "sky.pal", "sky", "sky.yuv"},
        {"C:\\my.dir\\sky.night.pal", "C:\\my.dir\\sky.night.pal", "sky", "C:\\my.dir\\sky.night.yuv"},
        {".\\sky.pal", ".\\sky.pal", "sky", ".\\sky.yuv"},
        {"pals/sky.pal", "pals/sky.pal", "pals/sky", "pals/sky.yuv"},
        {"pals.old/sky.pal", "pals.old/sky.pal", "pals", "pals.old/sky.yuv"},
        {"./sky.pal", "./sky.pal", "", "./sky.yuv"},
        {"C:\\pals\\sky", "C:\\pals\\sky", "sky", "C:\\pals.yuv"},
        {"C:\\pals\\", "C:\\pals\\", "", "C:\\p.yuv"},
        {"abc", "abc", "abc", ".yuv"},
        {"C:\\pals\\sky.pal\"", "C:\\pals\\sky.pal", "sky", "C:\\pals\\sky.yuv"},
        {"  ", "", "", ".yuv"},
        {"  \"my sky.pal\"  ", "my sky.pal", "my sky", "my sky.yuv"},
        {"\" sky.pal \"", " sky.pal ", " sky", " sky..yuv"},
        {"\"\"sky.pal\"\"", "\"sky.pal\"", "\"sky", "\"sky..yuv"},
        {"my\"sky.pal", "my\"sky.pal", "my\"sky", "my\"sky.yuv"},
        {"\"", "", "", ".yuv"},
        {"-h", "-h", "-h", ".yuv"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tail);
        const RunPaths paths = derive_paths(c.tail);
        EXPECT_EQ(c.palette_path, paths.palette_path);
        EXPECT_EQ(c.base_name, paths.base_name);
        EXPECT_EQ(c.array_path, paths.array_path);
    }
}

using ConvertPalette = ScratchDirectory;

const char grey16[] =
    "JASC-PAL\r\n0100\r\n16\r\n0 0 0\r\n1 1 1\r\n2 2 2\r\n3 3 3\r\n4 4 4\r\n5 5 5\r\n6 6 6\r\n7 7 7\r\n"
    "8 8 8\r\n9 9 9\r\n10 10 10\r\n11 11 11\r\n12 12 12\r\n13 13 13\r\n14 14 14\r\n255 255 255\r\n";

TEST_F(ConvertPalette, ConvertsAndClosesBothFiles) {
    EXPECT_EQ(success_message, convert_palette(make_file("grey.pal", grey16)));
    EXPECT_EQ(1, file_free_number());
    EXPECT_EQ(
        "const u16 grey_pal[] = { 0x88, 0x188, 0x288, 0x388, 0x488, 0x588, 0x688, 0x788, 0x888, 0x988, 0xA88, "
        "0xB88, 0xC88, 0xD88, 0xE88, 0xFF88 };\r\n",
        bytes_of("grey.yuv"));
}

TEST_F(ConvertPalette, RejectionsLeaveAnEmptyArrayFile) {
    EXPECT_EQ(header_rejected_message, convert_palette(make_file("a.pal", "jasc-pal\r\n0100\r\n16\r\n")));
    EXPECT_EQ(count_rejected_message, convert_palette(make_file("b.pal", "JASC-PAL\r\n0100\r\n32\r\n")));
    EXPECT_EQ(header_rejected_message, convert_palette(path("missing.pal")));
    for (const char* name : {"a.yuv", "b.yuv", "missing.yuv"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(exists(name));
        EXPECT_EQ("", bytes_of(name));
    }
    EXPECT_EQ(1, file_free_number());
    EXPECT_EQ(no_input_message, convert_palette(""));
}

TEST_F(ConvertPalette, NeverEmptiesThePaletteItReads) {
    const std::string palette = make_file("sky.yuv", grey16);
    EXPECT_EQ(same_file_message, convert_palette(palette));
    // Where the platform makes symbolic links, the array path may reach the
    // palette through one.
    make_file("real.pal", grey16);
    std::error_code no_links;
    std::filesystem::create_symlink("real.pal", path("real.yuv"), no_links);
    if (!no_links) {
        EXPECT_EQ(same_file_message, convert_palette(path("real.pal")));
    }
    EXPECT_EQ(grey16, bytes_of("sky.yuv"));
    EXPECT_EQ(grey16, bytes_of("real.pal"));
    EXPECT_EQ(1, file_free_number());
}

TEST_F(ConvertPalette, AnArrayFileThatCannotBeWrittenIsNoSuccess) {
    std::filesystem::create_directory(path("sky.yuv"));
    EXPECT_EQ(not_written_message, convert_palette(make_file("sky.pal", grey16)));
    if (std::filesystem::exists("/dev/full")) {
        std::filesystem::create_symlink("/dev/full", path("full.yuv"));
        EXPECT_EQ(not_written_message, convert_palette(make_file("full.pal", grey16)));
    }
    EXPECT_EQ(1, file_free_number());
}

}  // namespace
