#include "driver/colour_packing.hpp"

#include <gtest/gtest.h>

TEST(PackColour, Placeholder) { EXPECT_EQ(0x88, pack_colour(0, 0, 0)); }
