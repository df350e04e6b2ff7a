#include "host/datawindow/text_util.h"

#include "host/value/utf8.h"

#include <algorithm>

namespace hearth::dw {

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
        // The stretch up to the next tilde goes over in one piece.
        const std::size_t tilde = std::min(text.find('~', i), text.size());
        out.append(text.substr(i, tilde - i));
        i = tilde;
        if (i >= text.size())
            break;
        if (i + 1 >= text.size()) {
            out += '~';
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

std::string excerpt(std::string_view text, std::size_t max_chars)
{
    std::string out;
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (count == max_chars)
            return out + "...";
        char32_t code = utf8::decode(text, i);
        bool blank = code == '\t' || code == '\n' || code == '\r';
        utf8::append(out, blank ? U' ' : (code < 0x20 || code == 0x7F) ? U'\uFFFD' : code);
        ++count;
    }
    return out;
}

} // namespace hearth::dw
