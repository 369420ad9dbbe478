// Reads a JASC-PAL palette file line by line: the header, then one colour
// per call. Beyond the magic line and the colour count nothing is rejected.
#pragma once

#include <cstdint>

#include "textio/strings.hpp"

// Outcomes of read_palette_header besides an accepted count.
inline constexpr std::int32_t header_rejected = -1;
inline constexpr std::int32_t count_rejected = -2;

struct Colour {
    std::int32_t red = 0;
    std::int32_t green = 0;
    std::int32_t blue = 0;
};

// Reads the magic line, the version line and the count line into line.
// Gives 16 or 256, header_rejected or count_rejected.
std::int32_t read_palette_header(std::int32_t palette_number, String& line);

// Reads the next line into line and splits it at single blanks into red,
// green and blue; a missing field moves the later ones forward.
Colour read_palette_colour(std::int32_t palette_number, String& line);
