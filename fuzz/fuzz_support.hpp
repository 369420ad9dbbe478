// What the fuzz targets share: a property check that aborts with a message,
// a scratch directory, and plain models of the text rules that the targets
// compare the tool against. The models are written from the rules for line
// ends and fields, not from the tool's code.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "driver/colour_packing.hpp"

// A broken property is a finding: libFuzzer saves the input that caused it.
#define FUZZ_CHECK(condition, what)                                                           \
    do {                                                                                      \
        if (!(condition)) {                                                                   \
            std::fprintf(stderr, "property broken at %s:%d: %s\n", __FILE__, __LINE__, what); \
            std::abort();                                                                     \
        }                                                                                     \
    } while (false)

namespace fuzz {

// A directory of our own for the files a target writes; its name holds no dot
// and no backslash, so the base name of a palette in it is easy to predict.
inline const std::string& scratch_directory() {
    // Never destroyed: the exit handler that removes the directory runs after
    // the destructors of statics made before it was registered.
    static const std::string& directory = *new std::string([] {
        // Memory-backed when we can: on ext4, rewriting a file that was just
        // truncated waits for the disk and slows the fuzzing fourfold.
        const char* tmp = std::getenv("TMPDIR");
        const char* base = tmp != nullptr && *tmp != '\0' ? tmp : ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string pattern = std::string(base) + "/tonemill-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        std::atexit([] { std::filesystem::remove_all(scratch_directory()); });
        return pattern;
    }());
    return directory;
}

// A new file each time rather than a truncated one, for the same reason.
inline void write_bytes(const std::string& path, const std::uint8_t* data, std::size_t size) {
    ::unlink(path.c_str());
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    FUZZ_CHECK(fd >= 0, "cannot write a scratch file");
    while (size > 0) {
        const ssize_t put = ::write(fd, data, size);
        FUZZ_CHECK(put > 0, "cannot write a scratch file");
        data += put;
        size -= static_cast<std::size_t>(put);
    }
    ::close(fd);
}

inline std::string read_bytes(const std::string& path) {
    std::string bytes;
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return bytes;
    char buffer[65536];
    ssize_t got;
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0) bytes.append(buffer, static_cast<std::size_t>(got));
    ::close(fd);
    return bytes;
}

// The lines a text-mode reader delivers from raw file bytes: the data ends at
// the first byte 26; a line ends at LF. Text mode turns the CR of a CR LF pair
// into nothing and the reader removes one more CR before the LF, so a line
// that ended in LF loses up to two CRs; the last line, without LF, loses one.
// An empty last piece is no line at all.
inline std::vector<std::string> model_lines(const std::string& raw) {
    const std::string data = raw.substr(0, raw.find('\x1a'));
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < data.size()) {
        const std::size_t lf = data.find('\n', start);
        const bool ended = lf != std::string::npos;
        std::string line = data.substr(start, (ended ? lf : data.size()) - start);
        for (int cr = ended ? 2 : 1; cr > 0 && !line.empty() && line.back() == '\r'; --cr) line.pop_back();
        lines.push_back(line);
        start = ended ? lf + 1 : data.size();
    }
    return lines;
}

// Blanks off the front; blanks and zero bytes off the back.
inline std::string model_trim(const std::string& s) {
    std::size_t first = 0;
    while (first < s.size() && s[first] == ' ') ++first;
    std::size_t end = s.size();
    while (end > first && (s[end - 1] == ' ' || s[end - 1] == '\0')) --end;
    return s.substr(first, end - first);
}

// The three field texts of a colour line: red is the text up to and including
// the first blank (empty when there is none), the rest is trimmed; green the
// same on the rest; blue is the whole remainder.
inline std::vector<std::string> model_fields(std::string line) {
    std::vector<std::string> fields;
    for (int i = 0; i < 2; ++i) {
        const std::size_t blank = line.find(' ');
        if (blank == std::string::npos) {
            fields.emplace_back();
            line = model_trim(line);
        } else {
            fields.push_back(line.substr(0, blank + 1));
            line = model_trim(line.substr(blank + 1));
        }
    }
    fields.push_back(line);
    return fields;
}

inline std::int32_t model_round(float value) {
    // Clamped to 0..255 first, then to nearest with halves to even (the
    // default rounding mode of the process).
    if (value > 255.0f) value = 255.0f;
    if (value < 0.0f) value = 0.0f;
    return static_cast<std::int32_t>(std::nearbyint(value));
}

// The packed entry of a colour against its luma and chroma: the entry fits
// 16 bits, luma sits in the high byte, each chroma is reduced by (c + 8) >> 4
// and held at 15 so that it never spills into its neighbour, and a grey x x x
// gives x * 256 + 0x88 (luma x, both chroma values 128, reduced to 8).
inline void check_entry(std::int32_t red, std::int32_t green, std::int32_t blue, std::int32_t entry) {
    FUZZ_CHECK(entry >= 0 && entry <= 0xFFFF, "packed entry outside 0..0xFFFF");
    const Yuv yuv = colour_to_yuv(red, green, blue);
    FUZZ_CHECK(!std::isnan(yuv.y) && !std::isnan(yuv.u) && !std::isnan(yuv.v), "luma or chroma is NaN");
    const std::int32_t u4 = std::min((model_round(yuv.u) + 8) >> 4, 15);
    const std::int32_t v4 = std::min((model_round(yuv.v) + 8) >> 4, 15);
    FUZZ_CHECK(entry == (model_round(yuv.y) << 8 | u4 << 4 | v4), "entry does not hold its luma and chroma");
    if (red == green && green == blue && red >= 0 && red <= 255) {
        FUZZ_CHECK(entry == red * 256 + 0x88, "grey colour does not pack to x * 256 + 0x88");
    }
}

}  // namespace fuzz
