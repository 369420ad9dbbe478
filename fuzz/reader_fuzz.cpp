// The line reader and the palette reader over arbitrary file bytes.
// Line reader: every line as the text-mode model gives it, then the empty
// string for ever, and the slot free again after closing. Palette reader: the
// header outcome agrees with the model's first and third lines, every colour
// comes from the model's single-blank fields, and every packed entry holds its
// luma and chroma within 16 bits.
#include <cstdint>
#include <string>
#include <vector>

#include "driver/colour_packing.hpp"
#include "driver/palette_reader.hpp"
#include "fuzz_support.hpp"
#include "textio/files.hpp"
#include "textio/number_text.hpp"

using fuzz::check_entry;
using fuzz::model_fields;
using fuzz::model_trim;

namespace {

std::int32_t integer_of(const std::string& text) { return round_to_integer(parse_number(text)); }

void check_lines(const std::string& path, const std::vector<std::string>& expected) {
    const std::int32_t number = file_free_number();
    FUZZ_CHECK(number == 1, "the file table is not empty");
    file_open(path, FileMode::input, number);
    FUZZ_CHECK(file_free_number() == 2, "the palette file did not open");
    String line = "left over";
    for (const std::string& want : expected) {
        file_read_line(number, line);
        FUZZ_CHECK(line == want, "a line differs from the text-mode model");
    }
    for (int i = 0; i < 2; ++i) {
        line = "left over";
        file_read_line(number, line);
        FUZZ_CHECK(line.empty(), "a read after the end of the data is not empty");
    }
    file_close(number);
    FUZZ_CHECK(file_free_number() == 1, "closing did not free the number");
}

void check_palette(const std::string& path, const std::vector<std::string>& lines) {
    auto line_at = [&](std::size_t i) { return i < lines.size() ? lines[i] : std::string(); };
    const std::int32_t number = file_free_number();
    file_open(path, FileMode::input, number);
    String line;
    const std::int32_t outcome = read_palette_header(number, line);

    const std::int32_t count = integer_of(line_at(2));
    if (model_trim(line_at(0)) != "JASC-PAL") {
        FUZZ_CHECK(outcome == header_rejected, "a wrong magic line was accepted");
    } else if (count != 16 && count != 256) {
        FUZZ_CHECK(outcome == count_rejected, "a wrong colour count was accepted");
    } else {
        FUZZ_CHECK(outcome == count, "the colour count differs from the third line");
        for (std::int32_t i = 0; i < count; ++i) {
            const Colour colour = read_palette_colour(number, line);
            const std::vector<std::string> fields = model_fields(line_at(3 + static_cast<std::size_t>(i)));
            FUZZ_CHECK(colour.red == integer_of(fields[0]), "red differs from the first field");
            FUZZ_CHECK(colour.green == integer_of(fields[1]), "green differs from the second field");
            FUZZ_CHECK(colour.blue == integer_of(fields[2]), "blue differs from the rest of the line");
            check_entry(colour.red, colour.green, colour.blue, pack_colour(colour.red, colour.green, colour.blue));
        }
    }
    file_close(number);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    file_close_all();
    const std::string path = fuzz::scratch_directory() + "/reader.pal";
    fuzz::write_bytes(path, data, size);
    const std::vector<std::string> lines = fuzz::model_lines(std::string(reinterpret_cast<const char*>(data), size));
    check_lines(path, lines);
    check_palette(path, lines);
    return 0;
}
