#include "driver/array_writer.hpp"

#include "textio/files.hpp"
#include "textio/number_text.hpp"

namespace {

// The head counts as three entries, so rows break after entries 17, 37, 57...
constexpr std::int32_t last_slot_of_row = 19;

}  // namespace

void begin_array(std::int32_t array_number, const String& base_name) {
    file_write(array_number, str_concat(str_concat("const u16 ", base_name), "_pal[] = { "), LineEnd::without);
}

void echo_colour(const Colour& colour, std::int32_t entry) {
    // The whole line in one piece: one console write per colour.
    String line = format_decimal(colour.red);
    str_append(line, " ");
    str_append(line, format_decimal(colour.green));
    str_append(line, " ");
    str_append(line, format_decimal(colour.blue));
    str_append(line, " -> 0x");
    str_append(line, format_hex(entry));
    file_write(console, line, LineEnd::with);
}

void add_entry(std::int32_t array_number, std::int32_t entry, std::int32_t i, std::int32_t n,
               std::int32_t& row_counter) {
    String text = str_concat("0x", format_hex(entry));
    if (i < n) str_append(text, ", ");
    file_write(array_number, text, LineEnd::without);
    ++row_counter;
    if (row_counter > last_slot_of_row) {
        row_counter = 0;
        file_write(array_number, " ", LineEnd::with);
    }
}

void end_array(std::int32_t array_number) { file_write(array_number, " };", LineEnd::with); }
