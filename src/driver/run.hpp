// The run sequence: from the argument tail to the closing message.
#pragma once

#include "textio/strings.hpp"

inline const String no_input_message = "No input file specified";
inline const String header_rejected_message = "Only JASC-PAL is supported";
inline const String count_rejected_message = "Only 16 or 256 color palettes are supported";
inline const String success_message = "TONEMILL conversion was successful";
inline const String same_file_message = "Array file would overwrite the palette file";
inline const String not_written_message = "Array file could not be written";

struct RunPaths {
    String palette_path;
    String base_name;
    String array_path;
};

// The palette path trimmed and unquoted, its base name (after the last
// backslash, before the first dot) and the array path (the palette path less
// its last four characters, then ".yuv").
RunPaths derive_paths(const String& tail);

// Opens both files, converts the palette and closes everything again.
// Gives the closing message; the console echo is written along the way.
String convert_palette(const String& tail);

// Prints the message with a line end, closes what is still open and ends the
// process with status 0.
[[noreturn]] void finish_run(const String& message);
