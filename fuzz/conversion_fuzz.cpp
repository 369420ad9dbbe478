// The whole conversion from arbitrary palette bytes, with the console
// captured in a file. Whatever the bytes, the closing message is the one the
// model's magic line and colour count call for, the palette file is left as it
// was, a rejection leaves an empty array file and no echo, and a conversion
// echoes one line per colour and leaves the array text that the echo and the
// row rule give: one line for 16 colours; for 256, 13 lines holding 17, eleven
// times 20 and 19 entries, each full line ending in a comma, two blanks and
// CR LF.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "driver/run.hpp"
#include "fuzz_support.hpp"
#include "textio/files.hpp"
#include "textio/number_text.hpp"

using fuzz::check_entry;

namespace {

std::string palette_path;
std::string array_path;
std::string echo_path;

std::int32_t integer_of(const std::string& text) { return round_to_integer(parse_number(text)); }

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    FUZZ_CHECK(start == text.size(), "text does not end with CR LF");
    return lines;
}

// Counts "0x" after the array head, whose base name may hold those bytes.
std::size_t count_entries(const std::string& line) {
    const std::size_t head = line.find("_pal[] = { ");
    std::size_t entries = 0;
    for (std::size_t at = line.find("0x", head == std::string::npos ? 0 : head); at != std::string::npos;
         at = line.find("0x", at + 2))
        ++entries;
    return entries;
}

// "R G B -> 0xH": the three integers as the model's fields give them, and
// the entry in upper-case hexadecimal without leading zeros.
std::string check_echo_line(const std::string& echo, const std::string& colour_line) {
    const std::vector<std::string> fields = fuzz::model_fields(colour_line);
    const std::int32_t red = integer_of(fields[0]);
    const std::int32_t green = integer_of(fields[1]);
    const std::int32_t blue = integer_of(fields[2]);
    const std::string head = std::to_string(red) + " " + std::to_string(green) + " " + std::to_string(blue) + " -> 0x";
    FUZZ_CHECK(echo.compare(0, head.size(), head) == 0, "echo line does not show the colour's integers");
    const std::string hex = echo.substr(head.size());
    FUZZ_CHECK(!hex.empty() && hex.size() <= 4, "entry has no digits or more than four");
    FUZZ_CHECK(hex == "0" || hex[0] != '0', "entry has a leading zero");
    for (char c : hex) FUZZ_CHECK((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'), "entry is not upper-case hex");
    check_entry(red, green, blue, static_cast<std::int32_t>(std::strtol(hex.c_str(), nullptr, 16)));
    return hex;
}

void check_layout(const std::string& array_text, std::size_t count) {
    const std::vector<std::string> lines = split_lines(array_text);
    const std::vector<std::size_t> per_line = count == 16 ? std::vector<std::size_t>{16} : [] {
        std::vector<std::size_t> rows{17};
        rows.insert(rows.end(), 11, 20);
        rows.push_back(19);
        return rows;
    }();
    FUZZ_CHECK(lines.size() == per_line.size(), "array file has the wrong number of lines");
    for (std::size_t i = 0; i < lines.size(); ++i) {
        FUZZ_CHECK(count_entries(lines[i]) == per_line[i], "a line of the array file holds the wrong entries");
        const bool last = i + 1 == lines.size();
        const std::string end = last ? " };" : ",  ";
        FUZZ_CHECK(
            lines[i].size() >= end.size() && lines[i].compare(lines[i].size() - end.size(), end.size(), end) == 0,
            "a line of the array file ends wrongly");
        if (i > 0) FUZZ_CHECK(lines[i].compare(0, 2, "0x") == 0, "a row does not start with 0x");
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const std::string& directory = fuzz::scratch_directory();
    FUZZ_CHECK(directory.find('\\') == std::string::npos, "scratch directory with a backslash");
    palette_path = directory + "/fz.pal";
    array_path = directory + "/fz.yuv";
    echo_path = directory + "/echo";
    // The console is standard output: send it to a file that each run reads.
    const int echo = ::open(echo_path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    if (echo < 0 || ::dup2(echo, STDOUT_FILENO) < 0) std::abort();
    ::close(echo);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    file_close_all();
    const std::string palette(reinterpret_cast<const char*>(data), size);
    fuzz::write_bytes(palette_path, data, size);
    ::unlink(array_path.c_str());
    FUZZ_CHECK(::ftruncate(STDOUT_FILENO, 0) == 0 && ::lseek(STDOUT_FILENO, 0, SEEK_SET) == 0,
               "cannot reset the captured console");

    const String message = convert_palette(palette_path);

    FUZZ_CHECK(file_free_number() == 1, "a file is still open after the run");
    FUZZ_CHECK(fuzz::read_bytes(palette_path) == palette, "the palette file changed");
    const std::string echo = fuzz::read_bytes(echo_path);
    const std::string array_text = fuzz::read_bytes(array_path);
    FUZZ_CHECK(::access(array_path.c_str(), F_OK) == 0, "no array file");

    const std::vector<std::string> lines = fuzz::model_lines(palette);
    auto line_at = [&](std::size_t i) { return i < lines.size() ? lines[i] : std::string(); };
    const std::int32_t count = integer_of(line_at(2));
    if (fuzz::model_trim(line_at(0)) != "JASC-PAL" || (count != 16 && count != 256)) {
        FUZZ_CHECK(
            message == (fuzz::model_trim(line_at(0)) != "JASC-PAL" ? header_rejected_message : count_rejected_message),
            "wrong rejection message");
        FUZZ_CHECK(echo.empty(), "a rejected palette was echoed");
        FUZZ_CHECK(array_text.empty(), "a rejection left text in the array file");
        return 0;
    }

    FUZZ_CHECK(message == success_message, "a valid header did not convert");
    const std::vector<std::string> echo_lines = split_lines(echo);
    FUZZ_CHECK(echo_lines.size() == static_cast<std::size_t>(count), "not one echo line per colour");
    // Rows break after entries 17, 37, 57...: the head takes three of twenty slots.
    std::string expected = "const u16 " + palette_path.substr(0, palette_path.find('.')) + "_pal[] = { ";
    for (std::int32_t i = 1; i <= count; ++i) {
        const std::size_t at = static_cast<std::size_t>(i - 1);
        expected += "0x" + check_echo_line(echo_lines[at], line_at(3 + at));
        if (i < count) expected += ", ";
        if (i % 20 == 17) expected += " \r\n";
    }
    expected += " };\r\n";
    FUZZ_CHECK(array_text == expected, "array text differs from the echoed entries");
    check_layout(array_text, static_cast<std::size_t>(count));
    return 0;
}
