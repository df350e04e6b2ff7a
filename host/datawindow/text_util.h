#pragma once
// Small text helpers shared by the three languages of the engine (object sources,
// Describe/Modify, expressions): case-insensitive names, tilde escapes, file text decoding.

#include <optional>
#include <string>
#include <string_view>

namespace hearth::dw {

// ASCII case folding; names in the runtime are ASCII, Chinese text is left as it is.
char ascii_lower(char c);
std::string to_lower(std::string_view text);
bool iequals(std::string_view a, std::string_view b);
bool istarts_with(std::string_view text, std::string_view prefix);

// Resolves the tilde escapes of a quoted runtime string (~n ~r ~t ~v ~f ~b ~" ~' ~~ ~ddd
// ~hXX ~oOOO). A tilde before any other character stands for that character.
std::string unescape_tilde(std::string_view text);
// Writes text so that unescape_tilde gives it back inside the given quote character.
std::string escape_tilde(std::string_view text, char quote);

// The text of a file as UTF-8: a UTF-8 byte-order mark is dropped, UTF-16LE/BE text (with
// its mark) is converted. Returns nullopt for UTF-16 text with an unpaired surrogate.
std::optional<std::string> decode_file_text(std::string_view bytes);
// Appends the UTF-8 form of a code point.
void append_utf8(std::string& out, char32_t code_point);

// Blanks and tabs at the ends removed.
std::string_view trim_blanks(std::string_view text);

} // namespace hearth::dw
