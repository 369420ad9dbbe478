#include "driver/run.hpp"

#include "driver/array_writer.hpp"
#include "driver/colour_packing.hpp"
#include "driver/palette_reader.hpp"
#include "platform/platform.hpp"
#include "textio/files.hpp"

namespace {

const String double_quote = "\"";

}  // namespace

RunPaths derive_paths(const String& tail) {
    RunPaths paths;
    paths.palette_path = str_trim(tail);
    // At most one quote comes off each end, the leading one first; the blanks
    // inside the quotes stay part of the path.
    if (str_equal(str_left(paths.palette_path, 1), double_quote)) {
        paths.palette_path = str_right(paths.palette_path, str_len(paths.palette_path) - 1);
    }
    if (str_equal(str_right(paths.palette_path, 1), double_quote)) {
        paths.palette_path = str_left(paths.palette_path, str_len(paths.palette_path) - 1);
    }

    // Only the backslash separates directories; a slash or colon is part of
    // the base name, which ends at its first dot.
    paths.base_name = paths.palette_path;
    for (std::int32_t at = str_find(1, paths.base_name, "\\"); at != 0; at = str_find(1, paths.base_name, "\\")) {
        paths.base_name = str_right(paths.base_name, str_len(paths.base_name) - at);
    }
    const std::int32_t dot = str_find(1, paths.base_name, ".");
    if (dot != 0) paths.base_name = str_left(paths.base_name, dot - 1);

    // The last four characters go whatever they are.
    paths.array_path = str_left(paths.palette_path, str_len(paths.palette_path) - 4);
    str_append(paths.array_path, ".yuv");
    return paths;
}

String convert_palette(const String& tail) {
    if (str_equal(tail, String())) return no_input_message;
    const RunPaths paths = derive_paths(tail);

    const std::int32_t palette_number = file_free_number();
    file_open(paths.palette_path, FileMode::input, palette_number);
    // Creating the array file would empty the palette before it is read.
    if (file_is_same(palette_number, paths.array_path)) {
        file_close(palette_number);
        return same_file_message;
    }
    // When the palette did not open, its number is still free and the array
    // file takes it: the header read below then finds the empty array file.
    const std::int32_t array_number = file_free_number();
    file_open(paths.array_path, FileMode::output, array_number);

    String line;
    const std::int32_t count = read_palette_header(palette_number, line);
    if (count == header_rejected || count == count_rejected) {
        file_close(palette_number);
        file_close(array_number);
        return count == header_rejected ? header_rejected_message : count_rejected_message;
    }

    std::int32_t row_counter = row_counter_start;
    begin_array(array_number, paths.base_name);
    for (std::int32_t i = 1; i <= count; ++i) {
        const Colour colour = read_palette_colour(palette_number, line);
        const std::int32_t entry = pack_colour(colour.red, colour.green, colour.blue);
        echo_colour(colour, entry);
        add_entry(array_number, entry, i, count, row_counter);
    }
    end_array(array_number);

    // A full disk or a device that refuses writes must not pass for success.
    const bool written = file_close(array_number);
    file_close(palette_number);
    return written ? success_message : not_written_message;
}

void finish_run(const String& message) {
    file_write(console, message, LineEnd::with);
    file_close_all();
    platform::exit_process(0);
}
