#include "host/value/encoding.h"

#include "host/value/utf8.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <optional>

namespace hearth {

namespace {

void put_unit(std::string& out, std::uint16_t unit, Encoding encoding)
{
    if (encoding == Encoding::Utf16LE) {
        out += char(unit & 0xFF);
        out += char(unit >> 8);
    } else {
        out += char(unit >> 8);
        out += char(unit & 0xFF);
    }
}

void append_utf16(std::string& out, std::string_view text, Encoding encoding)
{
    out.reserve(out.size() + text.size() * 2);
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = utf8::decode(text, i);
        if (c >= 0x10000) {
            c -= 0x10000;
            put_unit(out, std::uint16_t(0xD800 | (c >> 10)), encoding);
            put_unit(out, std::uint16_t(0xDC00 | (c & 0x3FF)), encoding);
        } else {
            put_unit(out, std::uint16_t(c), encoding);
        }
    }
}

// UTF-16 to UTF-8. A blob stops at its first NUL and has an unpaired surrogate replaced by
// U+FFFD; a file keeps NULs and is refused (nullopt) for an unpaired surrogate.
enum class Utf16Source : std::uint8_t { Blob, File };

std::optional<std::string> decode_utf16(const std::uint8_t* bytes, std::size_t size, Encoding encoding,
                                        Utf16Source source)
{
    auto unit_at = [&](std::size_t i) -> std::uint16_t {
        return encoding == Encoding::Utf16LE ? std::uint16_t(bytes[i] | (bytes[i + 1] << 8))
                                             : std::uint16_t((bytes[i] << 8) | bytes[i + 1]);
    };
    std::string out;
    out.reserve(size);
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        std::uint16_t unit = unit_at(i);
        if (unit == 0 && source == Utf16Source::Blob)
            break;
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < size) {
            std::uint16_t low = unit_at(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                utf8::append(out, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        const bool surrogate = unit >= 0xD800 && unit <= 0xDFFF;
        if (surrogate && source == Utf16Source::File)
            return std::nullopt;
        utf8::append(out, surrogate ? char32_t(0xFFFD) : char32_t(unit));
    }
    return out;
}

// Valid UTF-8 from bytes meant as UTF-8: a byte that starts no valid sequence becomes U+FFFD.
std::string replace_invalid_utf8(std::string_view raw)
{
    std::string out;
    out.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size();)
        utf8::append(out, utf8::decode(raw, i));
    return out;
}

// One conversion through iconv. On a sequence that does not convert, writes `substitute`
// and skips one input byte, so bad input never stops or loops the conversion.
std::string convert_with_iconv(const char* to, const char* from, std::string_view input, std::string_view substitute)
{
    bool from_utf8 = std::string_view(from) == "UTF-8";
    iconv_t cd = iconv_open(to, from);
    if (cd == iconv_t(-1))
        // The C library lacks the code page: pass the bytes through, never as invalid UTF-8.
        return from_utf8 ? std::string(input) : replace_invalid_utf8(input);
    std::string out;
    char buffer[1024];
    char* in = const_cast<char*>(input.data());
    std::size_t in_left = input.size();
    while (in_left > 0) {
        char* out_ptr = buffer;
        std::size_t out_left = sizeof buffer;
        std::size_t result = iconv(cd, &in, &in_left, &out_ptr, &out_left);
        out.append(buffer, std::size_t(out_ptr - buffer));
        if (result == std::size_t(-1) && errno != E2BIG) {
            // EILSEQ or EINVAL (a truncated sequence at the end): substitute and skip one
            // character of UTF-8 input (a character GBK lacks) or one byte of GBK input.
            out.append(substitute);
            std::size_t skip = 1;
            if (from_utf8) {
                std::string_view rest(in, in_left);
                skip = utf8::next(rest, 0);
            }
            in += skip;
            in_left -= skip;
        }
    }
    iconv_close(cd);
    return out;
}

// UTF-8 to GBK. ASCII is the same in both; any other character is converted through iconv
// once and remembered for the process, so a large export calls iconv once per distinct
// character instead of once per text. An entry holds 0 until looked up, then bit 31, the
// length (1 or 2) in bits 16-17 and the bytes.
void append_gbk(std::string& out, std::string_view text)
{
    static std::atomic<std::uint32_t> known[0x10000];
    out.reserve(out.size() + text.size());
    for (std::size_t i = 0; i < text.size();) {
        // A run of ASCII is copied in one piece: most exported bytes are digits and separators.
        std::size_t end = i;
        for (std::uint64_t word; end + 8 <= text.size(); end += 8) { // eight bytes at a time
            std::memcpy(&word, text.data() + end, 8);
            if (word & 0x8080808080808080u)
                break;
        }
        while (end < text.size() && static_cast<unsigned char>(text[end]) < 0x80)
            ++end;
        if (end != i) {
            out.append(text.data() + i, end - i);
            i = end;
            continue;
        }
        const char32_t c = utf8::decode(text, i);
        if (c >= 0x10000) {
            out += '?'; // beyond the Basic Multilingual Plane: not in GBK
            continue;
        }
        std::uint32_t entry = known[c].load(std::memory_order_relaxed);
        if (entry == 0) {
            std::string one;
            utf8::append(one, c); // U+FFFD for a bad byte, which GBK lacks as well
            const std::string bytes = convert_with_iconv("GBK", "UTF-8", one, "?");
            if (bytes.empty() || bytes.size() > 2) {
                out += bytes; // not expected from GBK; kept out of the table
                continue;
            }
            entry = 0x80000000u | (std::uint32_t(bytes.size()) << 16) | std::uint8_t(bytes[0])
                | (bytes.size() > 1 ? std::uint32_t(std::uint8_t(bytes[1])) << 8 : 0u);
            known[c].store(entry, std::memory_order_relaxed); // every thread stores the same entry
        }
        out += char(entry & 0xFF);
        if (((entry >> 16) & 3) == 2)
            out += char((entry >> 8) & 0xFF);
    }
}

} // namespace

void append_encoded(std::string& out, std::string_view text, Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf8: out += text; break;
    case Encoding::Utf16LE:
    case Encoding::Utf16BE: append_utf16(out, text, encoding); break;
    case Encoding::Ansi: append_gbk(out, text); break;
    }
}

Blob encode_text(std::string_view text, Encoding encoding)
{
    std::string bytes;
    append_encoded(bytes, text, encoding);
    return Blob(bytes.begin(), bytes.end());
}

std::string decode_text(const std::uint8_t* bytes, std::size_t size, Encoding encoding)
{
    if (encoding == Encoding::Utf16LE || encoding == Encoding::Utf16BE)
        return *decode_utf16(bytes, size, encoding, Utf16Source::Blob);
    std::string_view raw(reinterpret_cast<const char*>(bytes), size);
    raw = raw.substr(0, raw.find('\0'));
    if (encoding == Encoding::Ansi)
        return convert_with_iconv("UTF-8", "GBK", raw, "\xEF\xBF\xBD");
    return replace_invalid_utf8(raw);
}

std::optional<std::string> decode_file_body(std::string_view bytes, Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf16LE:
    case Encoding::Utf16BE:
        return decode_utf16(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), encoding,
                            Utf16Source::File);
    case Encoding::Ansi: return convert_with_iconv("UTF-8", "GBK", bytes, "\xEF\xBF\xBD");
    case Encoding::Utf8: break;
    }
    return utf8::is_valid(bytes) ? std::string(bytes) : replace_invalid_utf8(bytes);
}

} // namespace hearth
