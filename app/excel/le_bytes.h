#pragma once
// Little-endian fields appended to a byte string, as the Office binary formats store them.

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>

namespace hearth::excel {

static_assert(std::endian::native == std::endian::little, "the fields are copied in the host's byte order");

template <class T> void append_le(std::string& out, T value)
{
    char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    out.append(bytes, sizeof(T));
}

inline void append_u8(std::string& out, std::uint8_t value) { out += static_cast<char>(value); }
inline void append_u16(std::string& out, std::uint16_t value) { append_le(out, value); }
inline void append_u32(std::string& out, std::uint32_t value) { append_le(out, value); }
inline void append_f64(std::string& out, double value) { append_le(out, value); }

// Overwrites a field written earlier.
inline void put_u32(std::string& out, std::size_t at, std::uint32_t value) { std::memcpy(out.data() + at, &value, 4); }

} // namespace hearth::excel
