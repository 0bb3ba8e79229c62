#pragma once
// UTF-8, the program's text inside: one decoder for every place that reads, counts or cuts it.
// A malformed byte decodes to U+FFFD and counts as one character, so nothing is ever skipped.

#include <cstddef>
#include <string>
#include <string_view>

namespace zivron::utf8 {

inline constexpr char32_t kReplacement = 0xFFFD;

// The character at s[i], advancing i past it (one byte for a malformed sequence).
char32_t Next(std::string_view s, std::size_t& i);

void Append(std::string& out, char32_t cp);

// True when every byte belongs to a well-formed character.
bool Valid(std::string_view s);

// The number of characters.
std::size_t Length(std::string_view s);

// The first n characters, never half a character.
std::string_view Prefix(std::string_view s, std::size_t n);

// UTF-16 code units, characters past the basic plane as surrogate pairs.
std::u16string ToUtf16(std::string_view s);

}  // namespace zivron::utf8
