#pragma once
// Small text helpers shared by the three languages of the engine (object sources,
// Describe/Modify, expressions): case-insensitive names and tilde escapes.

#include "host/value/ascii.h"

#include <string>
#include <string_view>

namespace hearth::dw {

// Names in the runtime are ASCII; the host's one set of ASCII helpers, under the names the
// engine's files use.
using ascii::iequals;
using ascii::istarts_with;
using ascii::to_lower;
using ascii::trim_blanks;

// Resolves the tilde escapes of a quoted runtime string (~n ~r ~t ~v ~f ~b ~" ~' ~~ ~ddd
// ~hXX ~oOOO). A tilde before any other character stands for that character.
std::string unescape_tilde(std::string_view text);
// Writes text so that unescape_tilde gives it back inside the given quote character.
std::string escape_tilde(std::string_view text, char quote);

// Input quoted in a message: at most `max_chars` characters (a longer text is cut and ends
// in "..."), line breaks and tabs as blanks, bytes that are not UTF-8 and other control
// characters as U+FFFD: every message stays one short line of valid UTF-8 whatever it quotes.
std::string excerpt(std::string_view text, std::size_t max_chars = 60);

} // namespace hearth::dw
