#pragma once
// Text encodings of blobs and files. In-memory text is UTF-8; the runtime's default for
// blobs is UTF-16LE, and its ANSI code page here is GBK (code page 936), the code page of
// the installations that keep these records.

#include "host/value/value.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hearth {

enum class Encoding : std::uint8_t {
    Ansi, // GBK
    Utf8,
    Utf16LE, // the runtime's default
    Utf16BE,
};

// The bytes of UTF-8 text in the encoding. A character that GBK cannot hold becomes '?';
// an invalid UTF-8 byte becomes U+FFFD (or '?' in GBK).
Blob encode_text(std::string_view text, Encoding encoding);
// The same bytes appended to a string (large exports, without a copy through a Blob).
void append_encoded(std::string& out, std::string_view text, Encoding encoding);
// UTF-8 text from bytes in the encoding. Bytes that do not decode become U+FFFD; an odd
// trailing byte of UTF-16 is dropped. Decoding stops at the first NUL character, as the
// runtime reads a blob that holds a zero-terminated string.
std::string decode_text(const std::uint8_t* bytes, std::size_t size, Encoding encoding);
inline std::string decode_text(const Blob& bytes, Encoding encoding)
{
    return decode_text(bytes.data(), bytes.size(), encoding);
}
// UTF-8 text from the body of a text file (after its byte-order mark) in the encoding. Unlike a
// blob, NUL is an ordinary character, and UTF-16 with an unpaired surrogate gives nullopt.
// Bytes of UTF-8 or GBK that do not decode become U+FFFD. See host/value/files.h for the
// rule that picks the encoding.
std::optional<std::string> decode_file_body(std::string_view bytes, Encoding encoding);

} // namespace hearth
