// The array file's text and the console echo of each colour.
#pragma once

#include <cstdint>

#include "driver/palette_reader.hpp"
#include "textio/strings.hpp"

// The row counter's value at the start of a run: the array head takes three
// entry slots of the first row.
inline constexpr std::int32_t row_counter_start = 3;

// "const u16 ", the base name and "_pal[] = { ", without a line end.
void begin_array(std::int32_t array_number, const String& base_name);

// One console line: the three components, " -> 0x" and the entry.
void echo_colour(const Colour& colour, std::int32_t entry);

// Entry i of n: "0x" and its digits, ", " unless it is the last, and a row
// break when the row counter passes 19.
void add_entry(std::int32_t array_number, std::int32_t entry, std::int32_t i, std::int32_t n,
               std::int32_t& row_counter);

// " };" and a line end.
void end_array(std::int32_t array_number);
