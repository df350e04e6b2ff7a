// String functions: Left, Right, Mid, Pos, LastPos, Len, Trim, Lower, Upper, Replace,
// Space, Fill. Positions and counts are in characters (code points, host/value/utf8.h).

#include "host/value/fn_args.h"
#include "host/value/functions.h"
#include "host/value/utf8.h"

#include <algorithm>
#include <limits>

namespace hearth::fn {

namespace {

Value null_string() { return Value::null_of(Type::String); }
Value null_long() { return Value::null_of(Type::Long); }
Value long_value(long number) { return Value(std::int32_t(number)); }

// Whether `search` occurs in `text` at byte i.
bool occurs_at(std::string_view text, std::size_t i, std::string_view search)
{
    return text.size() - i >= search.size() && text.compare(i, search.size(), search) == 0;
}

bool is_blank(char32_t c, TrimMode mode)
{
    if (c == U' ')
        return true;
    if (mode == TrimMode::Spaces)
        return false;
    return c == U'\t' || c == U'\n' || c == U'\r' || c == U'\v' || c == U'\f' || c == 0xA0 || c == 0x3000;
}

// Case pairs kept small on purpose: the records hold Chinese text, ASCII codes and the odd
// Latin-1 or full-width letter; a full Unicode table would be dead weight here.
char32_t to_upper(char32_t c)
{
    if (c >= U'a' && c <= U'z')
        return c - 0x20;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) // Latin-1 letters, not the division sign
        return c - 0x20;
    if (c >= 0xFF41 && c <= 0xFF5A) // full-width a..z
        return c - 0x20;
    return c;
}

char32_t to_lower(char32_t c)
{
    if (c >= U'A' && c <= U'Z')
        return c + 0x20;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) // Latin-1 letters, not the multiplication sign
        return c + 0x20;
    if (c >= 0xFF21 && c <= 0xFF3A) // full-width A..Z
        return c + 0x20;
    return c;
}

template <class Map> std::string map_case(std::string_view text, Map map)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        std::size_t start = i;
        if (!utf8::is_valid_at(text, i)) {
            out += text[i++]; // an invalid byte is kept as it is
            continue;
        }
        char32_t c = utf8::decode(text, i);
        char32_t mapped = map(c);
        if (mapped == c)
            out.append(text.substr(start, i - start));
        else
            utf8::append(out, mapped);
    }
    return out;
}

} // namespace

namespace detail {

// A result longer than the runtime's strings fails with "" (the runtime's error value for
// Space, Fill and Replace).
constexpr bool too_long(std::size_t bytes) { return bytes > max_string_length; }

std::string left(std::string_view text, long count)
{
    // A count <= 0 gives "" (undocumented).
    if (count <= 0)
        return {};
    return std::string(text.substr(0, utf8::offset(text, count)));
}

std::string right(std::string_view text, long count)
{
    // A count <= 0 gives "" (undocumented).
    if (count <= 0)
        return {};
    long length = utf8::length(text);
    if (count >= length)
        return std::string(text);
    return std::string(text.substr(utf8::offset(text, length - count)));
}

std::string mid(std::string_view text, long start, long length)
{
    // Start <= 0 gives "", and so does a length <= 0 (undocumented).
    if (start <= 0 || length <= 0)
        return {};
    std::size_t begin = utf8::offset(text, start - 1);
    std::string_view rest = text.substr(begin);
    return std::string(rest.substr(0, utf8::offset(rest, length)));
}

long pos(std::string_view text, std::string_view search, long start)
{
    // An empty search text is never found: 0 (undocumented).
    if (search.empty() || start < 1)
        return 0;
    std::size_t i = utf8::offset(text, start - 1);
    if (i >= text.size())
        return 0; // start past the end
    // Walk character starts, so a match never begins inside a character.
    for (long position = start; i < text.size(); i = utf8::next(text, i), ++position) {
        if (occurs_at(text, i, search))
            return position;
    }
    return 0;
}

long last_pos(std::string_view text, std::string_view search, long search_length)
{
    // Undocumented: an empty search text is never found, as in pos; a negative search length finds nothing.
    if (search.empty() || search_length <= 0)
        return 0;
    std::string_view window = text.substr(0, utf8::offset(text, search_length));
    long found = 0;
    long position = 1;
    for (std::size_t i = 0; i < window.size(); i = utf8::next(window, i), ++position) {
        if (occurs_at(window, i, search))
            found = position;
    }
    return found;
}

long len(std::string_view text) { return utf8::length(text); }

std::string trim(std::string_view text, TrimSide side, TrimMode mode)
{
    bool leading = side != TrimSide::Trailing;
    bool trailing = side != TrimSide::Leading;
    std::size_t begin = 0;
    std::size_t end = text.size();
    if (leading) {
        while (begin < end) {
            std::size_t i = begin;
            if (!utf8::is_valid_at(text, i) || !is_blank(utf8::decode(text, i), mode))
                break;
            begin = i;
        }
    }
    if (trailing) {
        // Walk forward from begin, remembering where the last non-blank character ends.
        std::size_t last_end = begin;
        for (std::size_t i = begin; i < end;) {
            std::size_t after = i;
            bool blank = utf8::is_valid_at(text, i) && is_blank(utf8::decode(text, after), mode);
            if (!blank) {
                after = utf8::next(text, i);
                last_end = after;
            }
            i = after;
        }
        end = last_end;
    }
    return std::string(text.substr(begin, end - begin));
}

std::string lower(std::string_view text) { return map_case(text, to_lower); }
std::string upper(std::string_view text) { return map_case(text, to_upper); }

std::string replace(std::string_view text, long start, long count, std::string_view with)
{
    // Undocumented: start < 1 or count < 0 gives "" (the runtime's failure value).
    if (start < 1 || count < 0)
        return {};
    std::size_t begin = utf8::offset(text, start - 1);
    std::string_view rest = text.substr(begin);
    std::size_t end = begin + utf8::offset(rest, count);
    if (too_long(text.size() - (end - begin) + with.size()))
        return {};
    std::string out;
    out.reserve(text.size() + with.size());
    out.append(text.substr(0, begin));
    out.append(with);
    out.append(text.substr(end));
    return out;
}

std::string fill(std::string_view chars, long count)
{
    // Fill("", n) has nothing to repeat: "".
    if (count <= 0 || chars.empty() || too_long(std::size_t(count)))
        return {};
    long per_copy = utf8::length(chars);
    std::string_view tail = chars.substr(0, utf8::offset(chars, count % per_copy));
    std::size_t bytes = std::size_t(count / per_copy) * chars.size() + tail.size();
    if (too_long(bytes))
        return {};
    std::string out;
    out.reserve(bytes);
    for (long copies = count / per_copy; copies > 0; --copies)
        out.append(chars);
    out.append(tail);
    return out;
}

std::string word_cap(std::string_view text)
{
    // Kept simple: a word is a run of letters and digits, so "o'neil" gives "O'Neil".
    std::string out;
    out.reserve(text.size());
    bool in_word = false;
    for (std::size_t i = 0; i < text.size();) {
        if (!utf8::is_valid_at(text, i)) {
            out += text[i++];
            in_word = false;
            continue;
        }
        char32_t c = utf8::decode(text, i);
        utf8::append(out, in_word ? to_lower(c) : to_upper(c));
        in_word = to_upper(c) != to_lower(c) || (c >= U'0' && c <= U'9');
    }
    return out;
}

long asc(std::string_view text)
{
    if (text.empty())
        return 0;
    std::size_t i = 0;
    return long(utf8::decode(text, i));
}

} // namespace detail

std::string char_of(long code)
{
    if (code <= 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return {};
    std::string out;
    utf8::append(out, char32_t(code));
    return out;
}

std::optional<MatchPattern> MatchPattern::compile(std::string_view pattern)
{
    if (pattern.empty())
        return std::nullopt; // nothing to look for
    MatchPattern compiled;
    std::size_t i = 0;
    if (!pattern.empty() && pattern[0] == '^') {
        compiled.m_at_start = true;
        ++i;
    }
    if (pattern.size() > i && pattern.back() == '$' && (pattern.size() < 2 || pattern[pattern.size() - 2] != '\\')) {
        compiled.m_at_end = true;
        pattern.remove_suffix(1);
    }
    bool last_repeatable = false;
    while (i < pattern.size()) {
        char c = pattern[i];
        if (c == '*' || c == '+' || c == '?') {
            if (!last_repeatable)
                return std::nullopt;
            Item& last = compiled.m_items.back();
            if (c == '+') // X+ is X X*
                compiled.m_items.push_back(Item(last));
            compiled.m_items.back().repeat = c == '?' ? Item::Repeat::Optional : Item::Repeat::Star;
            last_repeatable = false;
            ++i;
            continue;
        }
        Item item;
        if (c == '.') {
            item.kind = Item::Kind::Any;
            ++i;
        } else if (c == '[') {
            item.kind = Item::Kind::Set;
            ++i;
            if (i < pattern.size() && pattern[i] == '^') {
                item.negated = true;
                ++i;
            }
            item.first_range = std::uint32_t(compiled.m_ranges.size());
            bool first = true;
            for (;;) {
                if (i >= pattern.size())
                    return std::nullopt; // no closing ']'
                if (pattern[i] == ']' && !first)
                    break;
                first = false;
                if (pattern[i] == '\\' && ++i >= pattern.size())
                    return std::nullopt;
                char32_t low = utf8::decode(pattern, i);
                char32_t high = low;
                if (i + 1 < pattern.size() && pattern[i] == '-' && pattern[i + 1] != ']') {
                    ++i;
                    if (pattern[i] == '\\' && ++i >= pattern.size())
                        return std::nullopt;
                    high = utf8::decode(pattern, i);
                }
                compiled.m_ranges.emplace_back(low, high);
            }
            ++i; // the ']'
            item.end_range = std::uint32_t(compiled.m_ranges.size());
        } else {
            if (c == '\\' && ++i >= pattern.size())
                return std::nullopt;
            item.code = utf8::decode(pattern, i);
        }
        compiled.m_items.push_back(item);
        last_repeatable = true;
    }
    return compiled;
}

bool MatchPattern::item_matches(const Item& item, char32_t c) const
{
    switch (item.kind) {
    case Item::Kind::Char: return c == item.code;
    case Item::Kind::Any: return true;
    case Item::Kind::Set: break;
    }
    bool inside = false;
    for (std::uint32_t r = item.first_range; r < item.end_range && !inside; ++r)
        inside = c >= m_ranges[r].first && c <= m_ranges[r].second;
    return inside != item.negated;
}

// Adds the states reachable by skipping items that may repeat zero times.
void MatchPattern::close(std::vector<std::uint8_t>& states) const
{
    for (std::size_t k = 0; k < m_items.size(); ++k)
        if (states[k] && m_items[k].repeat != Item::Repeat::One)
            states[k + 1] = 1;
}

bool MatchPattern::matches(std::string_view text) const
{
    // The items as a state machine run over all its states at once: state k means "the
    // first k items have matched"; the last state means a match.
    std::size_t done = m_items.size();
    m_states.assign(done + 1, 0);
    m_states[0] = 1;
    close(m_states);
    for (std::size_t i = 0;;) {
        if (m_states[done] && !m_at_end)
            return true;
        if (i >= text.size())
            return m_states[done] != 0;
        char32_t c = utf8::decode(text, i);
        m_next.assign(done + 1, 0);
        m_next[0] = !m_at_start; // unanchored: a match may start at any character
        for (std::size_t k = 0; k < done; ++k) {
            if (!m_states[k] || !item_matches(m_items[k], c))
                continue;
            m_next[m_items[k].repeat == Item::Repeat::Star ? k : k + 1] = 1;
        }
        close(m_next);
        m_states.swap(m_next);
    }
}

bool match(std::string_view text, std::string_view pattern)
{
    auto compiled = MatchPattern::compile(pattern);
    return compiled && compiled->matches(text);
}

namespace ansi {

namespace {

std::string bytes_of(std::string_view text)
{
    std::string out;
    append_encoded(out, text, Encoding::Ansi);
    return out;
}

std::string text_of(std::string_view bytes)
{
    return decode_text(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), Encoding::Ansi);
}

} // namespace

long len(std::string_view text) { return long(bytes_of(text).size()); }

std::string left(std::string_view text, long count)
{
    return count <= 0 ? std::string() : text_of(std::string_view(bytes_of(text)).substr(0, std::size_t(count)));
}

std::string right(std::string_view text, long count)
{
    std::string bytes = bytes_of(text);
    if (count <= 0)
        return {};
    std::size_t n = std::min(bytes.size(), std::size_t(count));
    return text_of(std::string_view(bytes).substr(bytes.size() - n));
}

std::string mid(std::string_view text, long start, long length)
{
    std::string bytes = bytes_of(text);
    if (start <= 0 || length <= 0 || std::size_t(start) > bytes.size())
        return {};
    return text_of(std::string_view(bytes).substr(std::size_t(start - 1), std::size_t(length)));
}

long pos(std::string_view text, std::string_view search, long start)
{
    std::string bytes = bytes_of(text), wanted = bytes_of(search);
    if (wanted.empty() || start < 1 || std::size_t(start) > bytes.size())
        return 0;
    std::size_t found = bytes.find(wanted, std::size_t(start - 1));
    return found == std::string::npos ? 0 : long(found + 1);
}

std::string replace(std::string_view text, long start, long count, std::string_view with)
{
    std::string bytes = bytes_of(text);
    if (start < 1 || count < 0)
        return {};
    std::size_t at = std::min(bytes.size(), std::size_t(start - 1));
    bytes.replace(at, std::min(bytes.size() - at, std::size_t(count)), bytes_of(with));
    return text_of(bytes);
}

std::string fill(std::string_view chars, long count)
{
    std::string unit = bytes_of(chars);
    if (count <= 0 || unit.empty() || detail::too_long(std::size_t(count)))
        return {};
    std::string bytes;
    while (bytes.size() < std::size_t(count))
        bytes += unit;
    bytes.resize(std::size_t(count));
    return text_of(bytes);
}

long asc(std::string_view text)
{
    // A double-byte character gives its two bytes as one number, lead byte high.
    std::string bytes = bytes_of(detail::left(text, 1));
    long code = 0;
    for (unsigned char b : bytes)
        code = code * 256 + b;
    return code;
}

std::string char_of(long code)
{
    if (code <= 0 || code > 0xFFFF)
        return {};
    std::string bytes;
    if (code > 0xFF)
        bytes += char(code >> 8);
    bytes += char(code & 0xFF);
    return text_of(bytes);
}

} // namespace ansi

std::string space(long count)
{
    // A count <= 0 gives "" (undocumented).
    if (count <= 0 || detail::too_long(std::size_t(count)))
        return {};
    return std::string(std::size_t(count), ' ');
}

Value left(const Value& text, const Value& count)
{
    if (args::any_null({&text, &count}))
        return null_string();
    return detail::left(args::text(text, "Left", 1), args::count(count, "Left", 2));
}

Value right(const Value& text, const Value& count)
{
    if (args::any_null({&text, &count}))
        return null_string();
    return detail::right(args::text(text, "Right", 1), args::count(count, "Right", 2));
}

Value mid(const Value& text, const Value& start)
{
    if (args::any_null({&text, &start}))
        return null_string();
    return detail::mid(args::text(text, "Mid", 1), args::count(start, "Mid", 2), std::numeric_limits<long>::max());
}

Value mid(const Value& text, const Value& start, const Value& length)
{
    if (args::any_null({&text, &start, &length}))
        return null_string();
    return detail::mid(args::text(text, "Mid", 1), args::count(start, "Mid", 2), args::count(length, "Mid", 3));
}

Value pos(const Value& text, const Value& search)
{
    if (args::any_null({&text, &search}))
        return null_long();
    return long_value(detail::pos(args::text(text, "Pos", 1), args::text(search, "Pos", 2), 1));
}

Value pos(const Value& text, const Value& search, const Value& start)
{
    if (args::any_null({&text, &search, &start}))
        return null_long();
    return long_value(
        detail::pos(args::text(text, "Pos", 1), args::text(search, "Pos", 2), args::count(start, "Pos", 3)));
}

Value last_pos(const Value& text, const Value& search)
{
    if (args::any_null({&text, &search}))
        return null_long();
    return long_value(detail::last_pos(args::text(text, "LastPos", 1), args::text(search, "LastPos", 2),
                                       std::numeric_limits<long>::max()));
}

Value last_pos(const Value& text, const Value& search, const Value& search_length)
{
    if (args::any_null({&text, &search, &search_length}))
        return null_long();
    return long_value(detail::last_pos(args::text(text, "LastPos", 1), args::text(search, "LastPos", 2),
                                       args::count(search_length, "LastPos", 3)));
}

Value len(const Value& text_or_blob)
{
    if (text_or_blob.is_null())
        return null_long();
    if (text_or_blob.type() == Type::Blob)
        return long_value(long(text_or_blob.as_blob().size()));
    return long_value(detail::len(args::text(text_or_blob, "Len", 1)));
}

namespace {

Value trim_value(const Value& text, const Value* remove_all, TrimSide side, std::string_view name)
{
    if (text.is_null() || (remove_all && remove_all->is_null()))
        return null_string();
    TrimMode mode = remove_all && args::flag(*remove_all, name, 2) ? TrimMode::AllWhitespace : TrimMode::Spaces;
    return detail::trim(args::text(text, name, 1), side, mode);
}

} // namespace

Value trim(const Value& text) { return trim_value(text, nullptr, TrimSide::Both, "Trim"); }
Value trim(const Value& text, const Value& remove_all) { return trim_value(text, &remove_all, TrimSide::Both, "Trim"); }
Value left_trim(const Value& text) { return trim_value(text, nullptr, TrimSide::Leading, "LeftTrim"); }
Value left_trim(const Value& text, const Value& remove_all)
{
    return trim_value(text, &remove_all, TrimSide::Leading, "LeftTrim");
}
Value right_trim(const Value& text) { return trim_value(text, nullptr, TrimSide::Trailing, "RightTrim"); }
Value right_trim(const Value& text, const Value& remove_all)
{
    return trim_value(text, &remove_all, TrimSide::Trailing, "RightTrim");
}

Value lower(const Value& text)
{
    if (text.is_null())
        return null_string();
    return detail::lower(args::text(text, "Lower", 1));
}

Value upper(const Value& text)
{
    if (text.is_null())
        return null_string();
    return detail::upper(args::text(text, "Upper", 1));
}

Value replace(const Value& text, const Value& start, const Value& count, const Value& with)
{
    if (args::any_null({&text, &start, &count, &with}))
        return null_string();
    return detail::replace(args::text(text, "Replace", 1), args::count(start, "Replace", 2),
                           args::count(count, "Replace", 3), args::text(with, "Replace", 4));
}

Value space(const Value& count)
{
    if (count.is_null())
        return null_string();
    return space(args::count(count, "Space", 1));
}

Value fill(const Value& chars, const Value& count)
{
    if (args::any_null({&chars, &count}))
        return null_string();
    return detail::fill(args::text(chars, "Fill", 1), args::count(count, "Fill", 2));
}

} // namespace hearth::fn
