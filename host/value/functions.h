#pragma once
// The runtime's global functions (Left, Mid, Pos, String, Long, Date ...) as hearth::fn.
//
// Every function has a Value form that behaves as the script sees it: a null argument gives
// a null result of the function's result type, positions are 1-based and count characters
// (code points, see host/value/utf8.h), and a bad count or position gives the runtime's
// empty answer instead of failing. An argument of the wrong kind (a date where a number is
// needed) is a caller's mistake that the script compiler would reject; it raises 25015.
//
// Most functions also have a plain form over std::string_view and long for the library's own
// C++ code; both forms share one implementation. The plain forms take any text type
// (std::string, std::string_view, const char*) through the Text concept, so a call with a
// string literal never competes with the Value form.

#include "host/value/encoding.h"
#include "host/value/value.h"
#include "host/value/value_array.h"

#include <concepts>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace hearth::fn {

template <class T>
concept Text = std::convertible_to<const T&, std::string_view> && !std::same_as<std::remove_cvref_t<T>, Value>;

enum class TrimMode : std::uint8_t {
    Spaces,        // only U+0020, as the runtime's Trim: tabs and line breaks stay
    AllWhitespace, // the removeall form: also tab, CR, LF, VT, FF, no-break and ideographic space
};

enum class TrimSide : std::uint8_t { Leading, Trailing, Both };

namespace detail {
std::string left(std::string_view text, long count);
std::string right(std::string_view text, long count);
std::string mid(std::string_view text, long start, long length);
long pos(std::string_view text, std::string_view search, long start);
long last_pos(std::string_view text, std::string_view search, long search_length);
long len(std::string_view text);
std::string trim(std::string_view text, TrimSide side, TrimMode mode);
std::string lower(std::string_view text);
std::string upper(std::string_view text);
std::string replace(std::string_view text, long start, long count, std::string_view with);
std::string fill(std::string_view chars, long count);
std::int16_t to_integer(std::string_view text);
std::int32_t to_long(std::string_view text);
Decimal to_dec(std::string_view text);
double to_double(std::string_view text);
float to_real(std::string_view text);
bool is_number(std::string_view text);
Date to_date(std::string_view text);
Time to_time(std::string_view text);
Value format(const Value& data, std::string_view mask);
std::string word_cap(std::string_view text);
long asc(std::string_view text);
bool is_date(std::string_view text);
bool is_time(std::string_view text);
Blob blob_mid(const Blob& bytes, long start, long length);
std::string profile_string(std::string_view file, std::string_view section, std::string_view key,
                           std::string_view default_value);
int profile_int(std::string_view file, std::string_view section, std::string_view key, int default_value);
} // namespace detail

// ---- strings (fn_strings.cpp) ----------------------------------------------------------

// The first n characters; the whole text when n >= Len, "" when n <= 0.
Value left(const Value& text, const Value& count);
template <Text S> std::string left(const S& text, long count) { return detail::left(text, count); }

// The last n characters; the whole text when n >= Len, "" when n <= 0.
Value right(const Value& text, const Value& count);
template <Text S> std::string right(const S& text, long count) { return detail::right(text, count); }

// length characters from start (1-based); the rest when length is omitted or too long;
// "" when start is past the end, start <= 0 or length <= 0.
Value mid(const Value& text, const Value& start);
Value mid(const Value& text, const Value& start, const Value& length);
template <Text S> std::string mid(const S& text, long start)
{
    return detail::mid(text, start, std::numeric_limits<long>::max());
}
template <Text S> std::string mid(const S& text, long start, long length) { return detail::mid(text, start, length); }

// Position of the first `search` at or after start (case-sensitive); 0 when not found,
// when start lies outside the text, or when search is "".
Value pos(const Value& text, const Value& search);
Value pos(const Value& text, const Value& search, const Value& start);
template <Text S, Text T> long pos(const S& text, const T& search, long start = 1)
{
    return detail::pos(text, search, start);
}

// Start of the last `search` lying wholly inside the first search_length characters (the
// whole text when omitted); 0 when not found, when search_length <= 0 or search is "".
Value last_pos(const Value& text, const Value& search);
Value last_pos(const Value& text, const Value& search, const Value& search_length);
template <Text S, Text T> long last_pos(const S& text, const T& search)
{
    return detail::last_pos(text, search, std::numeric_limits<long>::max());
}
template <Text S, Text T> long last_pos(const S& text, const T& search, long search_length)
{
    return detail::last_pos(text, search, search_length);
}

// Characters of a string, bytes of a blob.
Value len(const Value& text_or_blob);
template <Text S> long len(const S& text) { return detail::len(text); }

// Strips leading and trailing blanks (only U+0020 unless remove_all is true).
Value trim(const Value& text);
Value trim(const Value& text, const Value& remove_all);
Value left_trim(const Value& text);
Value left_trim(const Value& text, const Value& remove_all);
Value right_trim(const Value& text);
Value right_trim(const Value& text, const Value& remove_all);
template <Text S> std::string trim(const S& text, TrimMode mode = TrimMode::Spaces)
{
    return detail::trim(text, TrimSide::Both, mode);
}
template <Text S> std::string left_trim(const S& text, TrimMode mode = TrimMode::Spaces)
{
    return detail::trim(text, TrimSide::Leading, mode);
}
template <Text S> std::string right_trim(const S& text, TrimMode mode = TrimMode::Spaces)
{
    return detail::trim(text, TrimSide::Trailing, mode);
}

// Case-mapped copies: ASCII, Latin-1 and full-width Latin letters; other characters (CJK
// among them) are copied unchanged.
Value lower(const Value& text);
Value upper(const Value& text);
template <Text S> std::string lower(const S& text) { return detail::lower(text); }
template <Text S> std::string upper(const S& text) { return detail::upper(text); }

// text with `count` characters from start replaced by `with`: start past the end appends,
// count 0 inserts before start, fewer than count characters left replaces to the end;
// "" when start < 1 or count < 0.
Value replace(const Value& text, const Value& start, const Value& count, const Value& with);
template <Text S, Text T> std::string replace(const S& text, long start, long count, const T& with)
{
    return detail::replace(text, start, count, with);
}

// n blanks; "" when n <= 0.
Value space(const Value& count);
std::string space(long count);

// chars repeated and cut to exactly n characters; "" when n <= 0 or chars is "".
Value fill(const Value& chars, const Value& count);
template <Text S> std::string fill(const S& chars, long count) { return detail::fill(chars, count); }

// Each word with its first letter in upper case and the rest in lower case; a word is a run
// of letters and digits (WordCap("boston, MASSACHUSETTS") is "Boston, Massachusetts").
template <Text S> std::string word_cap(const S& text) { return detail::word_cap(text); }

// The code of the first character; 0 for "".
template <Text S> long asc(const S& text) { return detail::asc(text); }
// The character with that code; "" for a code that names no character (0, negatives,
// surrogates, beyond U+10FFFF).
std::string char_of(long code);

// A pattern of Match: ^ and $ anchor at the start and end, . is any character, [abc],
// [a-z] and [^...] are sets, * + ? repeat the item before them, \ takes the next character
// as it is. Compiled once, matched many times; matching runs in time linear in the text.
class MatchPattern {
public:
    // nullopt for a bad pattern ("", an unclosed set, a repeat with nothing to repeat, a
    // trailing backslash).
    static std::optional<MatchPattern> compile(std::string_view pattern);
    // Whether the pattern occurs in text (the whole text when anchored at both ends).
    bool matches(std::string_view text) const;

private:
    struct Item {
        enum class Kind : std::uint8_t { Char, Any, Set } kind = Kind::Char;
        enum class Repeat : std::uint8_t { One, Star, Optional } repeat = Repeat::One;
        bool negated = false;
        char32_t code = 0;
        std::uint32_t first_range = 0, end_range = 0; // a set's ranges in m_ranges
    };
    bool item_matches(const Item& item, char32_t c) const;
    void close(std::vector<std::uint8_t>& states) const;

    std::vector<Item> m_items;
    std::vector<std::pair<char32_t, char32_t>> m_ranges;
    bool m_at_start = false, m_at_end = false;
    mutable std::vector<std::uint8_t> m_states, m_next; // reused between calls
};
// Match(text, pattern): false for a bad pattern.
bool match(std::string_view text, std::string_view pattern);

// Byte forms (LenA, LeftA, MidA, PosA, RightA, ReplaceA, FillA, AscA, CharA): counts and
// positions are bytes of the ANSI code page (GBK), where a Chinese character takes two. A
// cut through a character leaves U+FFFD for its half.
namespace ansi {
long len(std::string_view text);
std::string left(std::string_view text, long count);
std::string right(std::string_view text, long count);
std::string mid(std::string_view text, long start, long length);
long pos(std::string_view text, std::string_view search, long start);
std::string replace(std::string_view text, long start, long count, std::string_view with);
std::string fill(std::string_view chars, long count);
long asc(std::string_view text);
std::string char_of(long code);
} // namespace ansi

// ---- conversions (fn_convert.cpp) -------------------------------------------------------

// Numeric value of text; 0 for text that is not a number as a whole ("12abc" -> 0).
// A blob argument converts the text it holds (UTF-16LE). A numeric argument converts as an
// assignment to the result type does.
Value to_integer(const Value& data);
Value to_long(const Value& data);
Value to_dec(const Value& data);
Value to_double(const Value& data);
Value to_real(const Value& data);
template <Text S> std::int16_t to_integer(const S& text) { return detail::to_integer(text); }
template <Text S> std::int32_t to_long(const S& text) { return detail::to_long(text); }
template <Text S> Decimal to_dec(const S& text) { return detail::to_dec(text); }
template <Text S> double to_double(const S& text) { return detail::to_double(text); }
template <Text S> float to_real(const S& text) { return detail::to_real(text); }

// low + 65536 * high, both taken as unsigned 16-bit words; a long.
Value long_from_words(const Value& low, const Value& high);

// Whether text is a valid number ("32.65" true, "A16" false).
Value is_number(const Value& text);
template <Text S> bool is_number(const S& text) { return detail::is_number(text); }

// The text form of data without a mask: numbers in their shortest form without grouping,
// decimals with their own places ("3.50"), dates yyyy-mm-dd, times hh:mm:ss, datetimes
// "<date> <time>", booleans "true"/"false", blobs decoded from UTF-16LE. Null gives null.
Value to_string(const Value& data);
// With a mask: numbers by a numeric mask of up to four sections positive;negative;zero;null
// ('#' optional digit, '0' forced digit, ',' grouping, '.' point, '%' percent, other text
// copied; [General], [Currency]); dates and times by d dd ddd dddd m mm mmm mmmm yy yyyy
// h hh m mm s ss f..ffffff am/pm ([ShortDate], [LongDate], [Time], [General]); strings by
// '@' for each next character. A second section of a date, time or string mask (the fourth
// of a numeric one) is shown for a null value; without it null gives null. A mask that
// does not fit the data gives "".
Value to_string(const Value& data, const Value& mask);
template <Text S> Value to_string(const Value& data, const S& mask) { return detail::format(data, mask); }
template <std::integral I>
requires(!std::same_as<I, bool>) std::string to_string(I number) { return std::to_string(number); }
std::string to_string(double number);
std::string to_string(const Decimal& number);
std::string to_string(Date date);
std::string to_string(Time time);
std::string to_string(DateTime stamp);

// ---- dates and times (fn_dates.cpp) -----------------------------------------------------

// The current date (a date) and time of day (a time).
Value today();
Value now();
// Parses "yyyy-mm-dd" (also with / or . and two-digit years); 1900-01-01 for bad text.
Value to_date(const Value& text);
template <Text S> Date to_date(const S& text) { return detail::to_date(text); }
// Parses "hh:mm[:ss[.ffffff]]" with an optional am/pm; 00:00:00 for bad text.
Value to_time(const Value& text);
template <Text S> Time to_time(const S& text) { return detail::to_time(text); }
// Whether Date (Time) reads text as a date (a time) rather than falling back.
template <Text S> bool is_date(const S& text) { return detail::is_date(text); }
template <Text S> bool is_time(const S& text) { return detail::is_time(text); }
// The date n days after date (before it for a negative n); nullopt past the calendar's
// years 1..9999.
std::optional<Date> relative_date(Date date, long days);
// The time n seconds after time (before it for a negative n), held within the day:
// 00:00:00 at the earliest, 23:59:59 at the latest.
Time relative_time(Time time, long seconds);
// Days from one date to another (negative when `to` comes first).
long days_after(Date from, Date to);
// Whole seconds from one time (or datetime) to another (negative when `to` comes first).
std::int64_t seconds_after(Time from, Time to);
std::int64_t seconds_after(DateTime from, DateTime to);
// 1 for Sunday up to 7 for Saturday.
int day_number(Date date);
// "Sunday" ... "Saturday".
std::string_view day_name(Date date);
// The date at 00:00:00, or the date at the given time.
Value to_datetime(const Value& date);
Value to_datetime(const Value& date, const Value& time);

// ---- blobs and colours (fn_blobs.cpp) ---------------------------------------------------

// The bytes of text in an encoding (UTF-16LE by default: Blob("abc") is 6 bytes; Ansi is GBK).
Value to_blob(const Value& text, Encoding encoding = Encoding::Utf16LE);
template <Text S> Blob to_blob(const S& text, Encoding encoding = Encoding::Utf16LE)
{
    return encode_text(std::string_view(text), encoding);
}
// The text a blob holds in an encoding (UTF-16LE by default), up to its first NUL character.
Value to_string_from_blob(const Value& bytes, Encoding encoding = Encoding::Utf16LE);
// length bytes from byte start (1-based); the rest when omitted or too long; an empty blob
// when start is past the end, start < 1 or length <= 0.
Value blob_mid(const Value& bytes, const Value& start);
Value blob_mid(const Value& bytes, const Value& start, const Value& length);
inline Blob blob_mid(const Blob& bytes, long start, long length) { return detail::blob_mid(bytes, start, length); }
// red + 256 * green + 65536 * blue; -1 when a component lies outside 0..255.
Value rgb(const Value& red, const Value& green, const Value& blue);
long rgb(long red, long green, long blue);

// ---- settings files (fn_profile.cpp) ----------------------------------------------------

// The value after "key=" in [section] of a settings file; default_value when the file, the
// section or the key is missing. Section and key names ignore ASCII case. Files may be
// UTF-8 (with or without a mark), UTF-16LE with its mark, or else GBK. At most 4096 characters.
Value profile_string(const Value& file, const Value& section, const Value& key, const Value& default_value);
template <Text F, Text S, Text K, Text D>
std::string profile_string(const F& file, const S& section, const K& key, const D& default_value)
{
    return detail::profile_string(file, section, key, default_value);
}
// The same value as an integer; default_value when missing or not a whole integer.
Value profile_int(const Value& file, const Value& section, const Value& key, const Value& default_value);
template <Text F, Text S, Text K> int profile_int(const F& file, const S& section, const K& key, int default_value)
{
    return detail::profile_int(file, section, key, default_value);
}

// ---- the file system (fn_files.cpp) -------------------------------------------------------

// ChangeDirectory(directory): makes it the current directory; 1, or -1 when it cannot be
// entered ("" included).
int change_directory(std::string_view directory);

// ---- arrays (value_array.cpp) ------------------------------------------------------------

// The upper (lower) bound of a dimension, 1 by default: a fixed array's declared bound, an
// unbounded array's highest subscript assigned so far (0 before any); -1 for a dimension
// the array does not have.
Value upper_bound(const ValueArray& array, const Value& dimension = Value(1));
Value lower_bound(const ValueArray& array, const Value& dimension = Value(1));

// ---- null (fn_convert.cpp) --------------------------------------------------------------

// True iff the value is null; never null itself.
bool is_null(const Value& value);
// Makes the variable null, keeping its type; returns 1.
int set_null(Value& variable);

} // namespace hearth::fn
