// Byte strings with 1-based positions. Every helper gives a defined result
// for every argument; none reports an error.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Any bytes, zero bytes included; no character set, no case folding.
using String = std::string;

// The arguments joined with one blank between neighbours; empty for none.
String command_tail(const std::vector<String>& arguments);

// The number of bytes of s.
std::int32_t str_len(const String& s);

// The first n bytes of s; empty for n <= 0, the whole of s for n >= its length.
String str_left(const String& s, std::int32_t n);

// The last n bytes of s; empty for n <= 0, the whole of s for n >= its length.
String str_right(const String& s, std::int32_t n);

// s without leading blanks and without trailing blanks and zero bytes.
String str_trim(const String& s);

// The same two, cutting a string that is not needed any more in place, so a
// long palette line is never held twice.
String str_right(String&& s, std::int32_t n);
String str_trim(String&& s);

// The first position >= start where pattern occurs wholly inside s; 0 if none,
// if either string is empty, or if start lies outside s.
std::int32_t str_find(std::int32_t start, const String& s, const String& pattern);

// True when a and b hold the same bytes.
bool str_equal(const String& a, const String& b);

// The bytes of a followed by those of b.
String str_concat(const String& a, const String& b);

// s becomes s followed by t.
void str_append(String& s, const String& t);
