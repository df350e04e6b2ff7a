// ProfileString and ProfileInt: reading settings files of [section] and key=value lines.

#include "host/value/ascii.h"
#include "host/value/files.h"
#include "host/value/fn_args.h"
#include "host/value/functions.h"
#include "host/value/utf8.h"

#include <optional>

namespace hearth::fn {

namespace {

// Blanks, tabs and the CR of a CR LF line end around a line, a name or a value.
constexpr std::string_view line_blanks = " \t\r";

// The value of key in section: the first such key in the first matching section that has
// it; nullopt when file, section or key is missing. The file is read as every text file is
// (host/value/files.h): byte-order mark, else UTF-8, else GBK.
std::optional<std::string> find_value(std::string_view path, std::string_view section, std::string_view key)
{
    auto text = read_text_file(std::filesystem::path(std::string(path)));
    if (!text)
        return std::nullopt;
    std::string_view rest = *text;
    bool in_section = false;
    while (!rest.empty()) {
        std::size_t end = rest.find('\n');
        std::string_view line = ascii::trim(rest.substr(0, end), line_blanks);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            std::size_t close = line.find(']');
            in_section = close != std::string_view::npos
                && ascii::iequals(ascii::trim(line.substr(1, close - 1), line_blanks), section);
            continue;
        }
        if (!in_section)
            continue;
        std::size_t equals = line.find('=');
        if (equals == std::string_view::npos || !ascii::iequals(ascii::trim(line.substr(0, equals), line_blanks), key))
            continue;
        std::string_view value = ascii::trim(line.substr(equals + 1), line_blanks);
        // A value written in matching quotes loses them, as the system's reader does.
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        return std::string(value);
    }
    return std::nullopt;
}

constexpr long max_profile_characters = 4096;

} // namespace

std::string detail::profile_string(std::string_view file, std::string_view section, std::string_view key,
                                   std::string_view default_value)
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
                                        args::text(key, "ProfileString", 3),
                                        args::text(default_value, "ProfileString", 4)));
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
