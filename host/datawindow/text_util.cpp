#include "host/datawindow/text_util.h"

#include "host/value/utf8.h"

namespace hearth::dw {

char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

std::string to_lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = ascii_lower(c);
    return out;
}

bool iequals(std::string_view a, std::string_view b) { return utf8::equals_ignoring_ascii_case(a, b); }

bool istarts_with(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && iequals(text.substr(0, prefix.size()), prefix);
}

namespace {

int digit_value(char c, int base)
{
    int v = -1;
    if (c >= '0' && c <= '9')
        v = c - '0';
    else if (c >= 'a' && c <= 'f')
        v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        v = c - 'A' + 10;
    return v < base ? v : -1;
}

// Reads up to `count` digits of `base` at text[pos]; returns the number of digits read.
std::size_t read_digits(std::string_view text, std::size_t pos, int base, std::size_t count, int& value)
{
    std::size_t n = 0;
    value = 0;
    while (n < count && pos + n < text.size() && digit_value(text[pos + n], base) >= 0) {
        value = value * base + digit_value(text[pos + n], base);
        ++n;
    }
    return n;
}

} // namespace

std::string unescape_tilde(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '~' || i + 1 >= text.size()) {
            out += c;
            continue;
        }
        char e = text[++i];
        int value = 0;
        switch (e) {
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'v': out += '\v'; break;
        case 'f': out += '\f'; break;
        case 'b': out += '\b'; break;
        case 'h':
        case 'H':
            if (read_digits(text, i + 1, 16, 2, value) == 2) {
                out += char(value);
                i += 2;
            } else {
                out += e;
            }
            break;
        case 'o':
        case 'O':
            if (read_digits(text, i + 1, 8, 3, value) == 3 && value <= 255) {
                out += char(value);
                i += 3;
            } else {
                out += e;
            }
            break;
        default:
            if (e >= '0' && e <= '9' && read_digits(text, i, 10, 3, value) == 3 && value <= 255) {
                out += char(value);
                i += 2;
            } else {
                out += e; // ~" ~' ~~ and any other character stand for themselves
            }
        }
    }
    return out;
}

std::string escape_tilde(std::string_view text, char quote)
{
    std::string out;
    out.reserve(text.size() + 8);
    for (char c : text) {
        switch (c) {
        case '~': out += "~~"; break;
        case '\n': out += "~n"; break;
        case '\r': out += "~r"; break;
        case '\t': out += "~t"; break;
        default:
            if (c == quote)
                out += '~';
            out += c;
        }
    }
    return out;
}

void append_utf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

std::optional<std::string> decode_file_text(std::string_view bytes)
{
    auto has_prefix = [&](std::string_view mark) { return bytes.substr(0, mark.size()) == mark; };
    if (has_prefix("\xEF\xBB\xBF"))
        return std::string(bytes.substr(3));
    bool little = has_prefix("\xFF\xFE");
    bool big = has_prefix("\xFE\xFF");
    if (!little && !big)
        return std::string(bytes);
    std::string out;
    out.reserve(bytes.size());
    auto unit_at = [&](std::size_t i) -> char32_t {
        auto b0 = static_cast<unsigned char>(bytes[i]);
        auto b1 = static_cast<unsigned char>(bytes[i + 1]);
        return little ? char32_t(b0 | (b1 << 8)) : char32_t((b0 << 8) | b1);
    };
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        char32_t unit = unit_at(i);
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (i + 3 >= bytes.size())
                return std::nullopt;
            char32_t low = unit_at(i + 2);
            if (low < 0xDC00 || low > 0xDFFF)
                return std::nullopt;
            append_utf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
            i += 2;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            return std::nullopt;
        } else {
            append_utf8(out, unit);
        }
    }
    return out;
}

std::string_view trim_blanks(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

} // namespace hearth::dw
