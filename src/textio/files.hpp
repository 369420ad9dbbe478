// The file table: numbers 1 to 255 name open files, 0 names the console.
// Operations on a number that is not open have small fixed effects and never
// fail loudly: reads leave the line alone, writes and closes do nothing.
#pragma once

#include <cstdint>

#include "textio/strings.hpp"

enum class FileMode { input, output };
enum class LineEnd { without, with };

inline constexpr std::int32_t console = 0;
inline constexpr std::int32_t file_slots = 255;

// The lowest free number from 1 to 255, or 0 when every slot is open.
// The number is not reserved until file_open succeeds.
std::int32_t file_free_number();

// Opens path under number. In input mode the data is the file's bytes up to
// its length at this moment, read in text mode: CR LF arrives as LF and a
// byte 26 ends the data. In output mode the file is created or emptied.
// A failed open, a number outside 1..255 or an open slot change nothing.
void file_open(const String& path, FileMode mode, std::int32_t number);

// Replaces line with the next line, without its line end. At the end of the
// data, or on a slot open for output, line becomes empty; on a number that is
// not open, line keeps its value.
void file_read_line(std::int32_t number, String& line);

// Writes text, then CR LF if asked. Number 0 is the console, written at once;
// a number that is not open swallows the write.
void file_write(std::int32_t number, const String& text, LineEnd line_end);

// Flushes and closes the file and frees its number. True only when the number
// was open and every byte written to it reached the file.
bool file_close(std::int32_t number);

// True when number names an open slot and path names that same file.
bool file_is_same(std::int32_t number, const String& path);

// Closes every open slot; runs at process exit and gives tests a fresh table.
void file_close_all();
