// Throughput of the conversion's inner steps: packing a colour, reading a
// number from text and reading a whole 256-colour palette.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <vector>

#include "driver/colour_packing.hpp"
#include "driver/palette_reader.hpp"
#include "textio/files.hpp"
#include "textio/number_text.hpp"

namespace {

// Walks the whole 0..255 cube in order, wrapping around, one colour per step.
void PackColourCube(benchmark::State& state) {
    std::uint32_t index = 0;
    for (auto _ : state) {
        const auto red = static_cast<std::int32_t>(index >> 16);
        const auto green = static_cast<std::int32_t>((index >> 8) & 0xFF);
        const auto blue = static_cast<std::int32_t>(index & 0xFF);
        benchmark::DoNotOptimize(pack_colour(red, green, blue));
        index = (index + 1) & 0xFFFFFF;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(PackColourCube);

// Any 32-bit components: the single-precision conversion rounds most of them,
// and the results clamp.
void PackColourRandom(benchmark::State& state) {
    std::mt19937 generator(20240611);
    std::vector<std::int32_t> components(3 * 4096);
    for (auto& c : components) c = static_cast<std::int32_t>(generator());
    std::size_t at = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(pack_colour(components[at], components[at + 1], components[at + 2]));
        at = (at + 3) % components.size();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(PackColourRandom);

// The forms a palette's count and colour fields take.
const char* const number_forms[] = {
    "255", "  17", "12.7", "-3", "1.6e1", "1D2", "&HFF", "&O377", "&B11111111", "\t0x1.8p1", "nan", "255 128 0",
};

void ParseNumber(benchmark::State& state) {
    const String text = number_forms[state.range(0)];
    state.SetLabel(text);
    for (auto _ : state) benchmark::DoNotOptimize(parse_number(text));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(ParseNumber)->DenseRange(0, std::size(number_forms) - 1);

// Open, header, 256 colour lines, close: what the run does to the palette.
void ReadPalette256(benchmark::State& state) {
    const auto path = std::filesystem::temp_directory_path() / "tonemill-bench-256.pal";
    {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        std::fputs("JASC-PAL\r\n0100\r\n256\r\n", file);
        for (int i = 0; i < 256; ++i) std::fprintf(file, "%d %d %d\r\n", i, (i * 7) % 256, 255 - i);
        std::fclose(file);
    }
    for (auto _ : state) {
        file_open(path.string(), FileMode::input, 1);
        String line;
        const std::int32_t count = read_palette_header(1, line);
        for (std::int32_t i = 0; i < count; ++i) benchmark::DoNotOptimize(read_palette_colour(1, line));
        file_close(1);
        if (count != 256) state.SkipWithError("the palette did not read as 256 colours");
    }
    state.SetItemsProcessed(256 * state.iterations());
    std::filesystem::remove(path);
}
BENCHMARK(ReadPalette256);

}  // namespace
