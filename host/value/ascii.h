#pragma once
// ASCII case folding, case-insensitive comparison and trimming. Names, keywords and options
// in the runtime are ASCII; every byte of 0x80 and above (all of a Chinese text) is left as
// it is and compared exactly. The host folds names only here, never through the C library's
// tolower/toupper, which depend on the locale and are undefined for a negative plain char.
// (The script functions Upper and Lower, fn_strings.cpp, fold more letters on purpose.)

#include <cstddef>
#include <string>
#include <string_view>

namespace hearth::ascii {

constexpr char lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
constexpr char upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

// Copies with the ASCII letters folded.
std::string to_lower(std::string_view text);
std::string to_upper(std::string_view text);
void lower_in_place(std::string& text);

// Equal when only ASCII letters differ in case; every other byte must match exactly.
constexpr bool iequals(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

constexpr bool istarts_with(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && iequals(text.substr(0, prefix.size()), prefix);
}

// <0, 0, >0 as a byte comparison of the folded texts (bytes compared unsigned).
constexpr int icompare(std::string_view a, std::string_view b)
{
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (a[i] == b[i])
            continue;
        const auto x = static_cast<unsigned char>(lower(a[i]));
        const auto y = static_cast<unsigned char>(lower(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// Character sets for trimming.
inline constexpr std::string_view blanks = " \t";              // blank and tab
inline constexpr std::string_view white_space = " \t\n\v\f\r"; // what isspace() answers in the C locale

constexpr bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The text without the given characters at its ends (at its start, at its end).
constexpr std::string_view trim(std::string_view text, std::string_view chars = white_space)
{
    const std::size_t first = text.find_first_not_of(chars);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(chars) - first + 1);
}
constexpr std::string_view trim_start(std::string_view text, std::string_view chars = white_space)
{
    const std::size_t first = text.find_first_not_of(chars);
    return first == std::string_view::npos ? std::string_view() : text.substr(first);
}
constexpr std::string_view trim_end(std::string_view text, std::string_view chars = white_space)
{
    const std::size_t last = text.find_last_not_of(chars);
    return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}
// Blanks and tabs at the ends removed: how the engine's languages read a name or a list item.
constexpr std::string_view trim_blanks(std::string_view text) { return trim(text, blanks); }

} // namespace hearth::ascii
