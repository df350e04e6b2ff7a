#pragma once
// UTF-8 walking for the string functions. Strings are UTF-8 in memory but the runtime's
// string functions count characters: here one character is one Unicode code point, so a
// character outside the BMP (a surrogate pair in UTF-16) counts as one, not two (the runtime leaves this open).
// Bytes that
// do not form a valid sequence count as one character each and are kept unchanged, so
// invalid text never crashes a function and survives a round trip through Mid or Replace.

#include <cstddef>
#include <string>
#include <string_view>

namespace hearth::utf8 {

// Byte index just after the character that starts at byte i (i < text.size()).
std::size_t next(std::string_view text, std::size_t i);
// Number of characters.
long length(std::string_view text);
// Byte offset of the character with 0-based index `index`; text.size() when past the end.
std::size_t offset(std::string_view text, long index);
// The code point at byte i, advancing i; an invalid byte gives U+FFFD and advances by one.
char32_t decode(std::string_view text, std::size_t& i);
// Whether the character at byte i is a valid sequence (and not U+FFFD from a bad byte).
bool is_valid_at(std::string_view text, std::size_t i);
// Appends the UTF-8 form of a code point.
void append(std::string& out, char32_t code_point);
// Whether the whole text is valid UTF-8.
bool is_valid(std::string_view text);

} // namespace hearth::utf8
