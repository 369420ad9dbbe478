#include "textio/strings.hpp"

#include <new>

namespace {

constexpr char blank = ' ';
constexpr char zero_byte = '\0';

// Every helper that makes a new string gives the empty string instead of
// failing when memory for it cannot be had.
template <typename Make>
String or_empty(Make make) {
    try {
        return make();
    } catch (const std::bad_alloc&) {
        return String();
    }
}

}  // namespace

String command_tail(const std::vector<String>& arguments) {
    return or_empty([&] {
        String tail;
        for (std::size_t i = 0; i < arguments.size(); ++i) {
            if (i > 0) tail += blank;
            tail += arguments[i];
        }
        return tail;
    });
}

std::int32_t str_len(const String& s) { return static_cast<std::int32_t>(s.size()); }

String str_left(const String& s, std::int32_t n) {
    if (n <= 0) return String();
    return or_empty([&] { return s.substr(0, static_cast<std::size_t>(n)); });
}

String str_right(const String& s, std::int32_t n) {
    if (n <= 0) return String();
    if (static_cast<std::size_t>(n) >= s.size()) return or_empty([&] { return s; });
    return or_empty([&] { return s.substr(s.size() - static_cast<std::size_t>(n)); });
}

String str_right(String&& s, std::int32_t n) {
    if (n <= 0) return String();
    if (static_cast<std::size_t>(n) < s.size()) s.erase(0, s.size() - static_cast<std::size_t>(n));
    return std::move(s);
}

namespace {

struct TrimBounds {
    std::size_t first;
    std::size_t end;
};

TrimBounds trim_bounds(const String& s) {
    std::size_t first = 0;
    while (first < s.size() && s[first] == blank) ++first;
    std::size_t end = s.size();
    while (end > first && (s[end - 1] == blank || s[end - 1] == zero_byte)) --end;
    return {first, end};
}

}  // namespace

String str_trim(const String& s) {
    const TrimBounds bounds = trim_bounds(s);
    return or_empty([&] { return s.substr(bounds.first, bounds.end - bounds.first); });
}

String str_trim(String&& s) {
    const TrimBounds bounds = trim_bounds(s);
    s.erase(bounds.end);
    s.erase(0, bounds.first);
    return std::move(s);
}

std::int32_t str_find(std::int32_t start, const String& s, const String& pattern) {
    if (s.empty() || pattern.empty() || start < 1 || start > str_len(s)) return 0;
    const std::size_t at = s.find(pattern, static_cast<std::size_t>(start) - 1);
    return at == String::npos ? 0 : static_cast<std::int32_t>(at) + 1;
}

bool str_equal(const String& a, const String& b) { return a == b; }

String str_concat(const String& a, const String& b) {
    return or_empty([&] { return a + b; });
}

void str_append(String& s, const String& t) {
    try {
        s += t;
    } catch (const std::bad_alloc&) {
        // s keeps its value: a path that cannot grow names no file we could open anyway.
    }
}
