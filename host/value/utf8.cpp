#include "host/value/utf8.h"

#include <cassert>

namespace hearth::utf8 {

namespace {

// Length of the valid sequence starting at i, or 0 when the bytes there are not one
// (stray continuation byte, truncated sequence, overlong form, surrogate, beyond U+10FFFF).
std::size_t valid_sequence_length(std::string_view text, std::size_t i)
{
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char lead = byte(i);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    char32_t minimum = 0;
    char32_t code = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, minimum = 0x80, code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, minimum = 0x800, code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, minimum = 0x10000, code = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

std::size_t next(std::string_view text, std::size_t i)
{
    assert(i < text.size());
    std::size_t length = valid_sequence_length(text, i);
    return i + (length == 0 ? 1 : length);
}

long length(std::string_view text)
{
    long count = 0;
    for (std::size_t i = 0; i < text.size(); i = next(text, i))
        ++count;
    return count;
}

std::size_t offset(std::string_view text, long index)
{
    std::size_t i = 0;
    for (long k = 0; k < index && i < text.size(); ++k)
        i = next(text, i);
    return i;
}

char32_t decode(std::string_view text, std::size_t& i)
{
    assert(i < text.size());
    std::size_t length = valid_sequence_length(text, i);
    if (length == 0) {
        ++i;
        return 0xFFFD;
    }
    auto lead = static_cast<unsigned char>(text[i]);
    char32_t code = length == 1 ? lead : length == 2 ? (lead & 0x1F) : length == 3 ? (lead & 0x0F) : (lead & 0x07);
    for (std::size_t k = 1; k < length; ++k)
        code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    i += length;
    return code;
}

bool is_valid_at(std::string_view text, std::size_t i) { return valid_sequence_length(text, i) != 0; }

void append(std::string& out, char32_t code_point)
{
    if (code_point < 0x80) {
        out += char(code_point);
    } else if (code_point < 0x800) {
        out += char(0xC0 | (code_point >> 6));
        out += char(0x80 | (code_point & 0x3F));
    } else if (code_point < 0x10000) {
        out += char(0xE0 | (code_point >> 12));
        out += char(0x80 | ((code_point >> 6) & 0x3F));
        out += char(0x80 | (code_point & 0x3F));
    } else {
        out += char(0xF0 | (code_point >> 18));
        out += char(0x80 | ((code_point >> 12) & 0x3F));
        out += char(0x80 | ((code_point >> 6) & 0x3F));
        out += char(0x80 | (code_point & 0x3F));
    }
}

bool is_valid(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); i = next(text, i)) {
        if (!is_valid_at(text, i))
            return false;
    }
    return true;
}

} // namespace hearth::utf8
