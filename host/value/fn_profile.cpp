// ProfileString and ProfileInt: reading settings files of [section] and key=value lines.

#include "host/value/encoding.h"
#include "host/value/fn_args.h"
#include "host/value/functions.h"
#include "host/value/utf8.h"

#include <fstream>
#include <iterator>
#include <optional>

namespace hearth::fn {

namespace {

std::string_view trim_blanks(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

// The file's text as UTF-8, or nullopt when it cannot be read. A UTF-16LE file is told by
// its byte order mark, a UTF-8 file by its mark or by being valid UTF-8.
// Any other file is read as the ANSI code page, GBK (undocumented).
std::optional<std::string> read_settings_text(std::string_view path)
{
    std::ifstream file(std::string(path), std::ios::binary);
    if (!file)
        return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    auto data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    if (bytes.size() >= 2 && data[0] == 0xFF && data[1] == 0xFE)
        return decode_text(data + 2, bytes.size() - 2, Encoding::Utf16LE);
    if (bytes.size() >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF)
        return bytes.substr(3);
    if (utf8::is_valid(bytes))
        return bytes;
    return decode_text(data, bytes.size(), Encoding::Ansi);
}

// The value of key in section: the first such key in the first matching section that has
// it; nullopt when file, section or key is missing.
std::optional<std::string> find_value(std::string_view path, std::string_view section, std::string_view key)
{
    auto text = read_settings_text(path);
    if (!text)
        return std::nullopt;
    std::string_view rest = *text;
    bool in_section = false;
    while (!rest.empty()) {
        std::size_t end = rest.find('\n');
        std::string_view line = trim_blanks(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            std::size_t close = line.find(']');
            in_section = close != std::string_view::npos && utf8::equals_ignoring_ascii_case(trim_blanks(line.substr(1, close - 1)), section);
            continue;
        }
        if (!in_section)
            continue;
        std::size_t equals = line.find('=');
        if (equals == std::string_view::npos || !utf8::equals_ignoring_ascii_case(trim_blanks(line.substr(0, equals)), key))
            continue;
        std::string_view value = trim_blanks(line.substr(equals + 1));
        // A value written in matching quotes loses them, as the system's reader does.
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        return std::string(value);
    }
    return std::nullopt;
}

constexpr long max_profile_characters = 4096;

} // namespace

std::string detail::profile_string(std::string_view file, std::string_view section, std::string_view key, std::string_view default_value)
{
    auto value = find_value(file, section, key);
    std::string result = value ? std::move(*value) : std::string(default_value);
    if (utf8::length(result) > max_profile_characters)
        result.resize(utf8::offset(result, max_profile_characters));
    return result;
}

int detail::profile_int(std::string_view file, std::string_view section, std::string_view key, int default_value)
{
    auto value = find_value(file, section, key);
    if (!value)
        return default_value;
    // Only a whole integer counts; "12abc", "1.5" or a number beyond an integer give the default.
    std::string_view text = *value;
    std::size_t i = (!text.empty() && (text[0] == '-' || text[0] == '+')) ? 1 : 0;
    if (i == text.size())
        return default_value;
    long number = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return default_value;
        number = number * 10 + (text[i] - '0');
        if (number > 32768)
            return default_value;
    }
    if (text[0] == '-')
        number = -number;
    if (number < -32768 || number > 32767)
        return default_value;
    return int(number);
}

Value profile_string(const Value& file, const Value& section, const Value& key, const Value& default_value)
{
    if (args::any_null({&file, &section, &key, &default_value}))
        return Value::null_of(Type::String);
    return Value(detail::profile_string(args::text(file, "ProfileString", 1), args::text(section, "ProfileString", 2),
                                args::text(key, "ProfileString", 3), args::text(default_value, "ProfileString", 4)));
}

Value profile_int(const Value& file, const Value& section, const Value& key, const Value& default_value)
{
    if (args::any_null({&file, &section, &key, &default_value}))
        return Value::null_of(Type::Integer);
    long fallback = args::count(default_value, "ProfileInt", 4);
    int result = detail::profile_int(args::text(file, "ProfileInt", 1), args::text(section, "ProfileInt", 2),
                             args::text(key, "ProfileInt", 3), int(std::int16_t(fallback)));
    return Value::integer(std::int16_t(result));
}

} // namespace hearth::fn
