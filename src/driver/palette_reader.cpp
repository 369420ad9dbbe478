#include "driver/palette_reader.hpp"

#include <string_view>
#include <utility>

#include "textio/files.hpp"
#include "textio/number_text.hpp"

namespace {

const String magic_line = "JASC-PAL";

std::int32_t read_integer(std::string_view text) { return round_to_integer(parse_number(text)); }

// The text up to and including the first blank gives the value (none when
// there is no blank); line keeps the rest, trimmed, so several blanks act as
// one and a missing field moves the later ones forward. The field is read
// where it stands, so a long line is never copied.
std::int32_t take_field(String& line) {
    const std::int32_t blank = str_find(1, line, " ");
    const std::int32_t value = read_integer(std::string_view(line).substr(0, static_cast<std::size_t>(blank)));
    line = str_trim(str_right(std::move(line), str_len(line) - blank));
    return value;
}

}  // namespace

std::int32_t read_palette_header(std::int32_t palette_number, String& line) {
    file_read_line(palette_number, line);
    if (!str_equal(str_trim(line), magic_line)) return header_rejected;
    file_read_line(palette_number, line);  // the version line says nothing we use
    file_read_line(palette_number, line);
    const std::int32_t count = read_integer(line);
    return count == 16 || count == 256 ? count : count_rejected;
}

Colour read_palette_colour(std::int32_t palette_number, String& line) {
    file_read_line(palette_number, line);
    Colour colour;
    colour.red = take_field(line);
    colour.green = take_field(line);
    colour.blue = read_integer(line);
    return colour;
}
