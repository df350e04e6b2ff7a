#include "app/column_looks.h"

#include "host/value/files.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <system_error>

namespace hearth {

namespace {

namespace fs = std::filesystem;

constexpr std::array<std::string_view, 2> attributes {"Color", "Alignment"};

bool known_attribute(std::string_view attribute)
{
    return std::find(attributes.begin(), attributes.end(), attribute) != attributes.end();
}

// One line of the file: user, object, column, attribute, value.
struct LookLine {
    std::array<std::string, 4> key;
    std::int32_t value = 0;
};

std::optional<LookLine> parse_line(std::string_view text)
{
    LookLine line;
    for (std::string& field : line.key) {
        const std::size_t tab = text.find('\t');
        if (tab == std::string_view::npos)
            return std::nullopt;
        field = std::string(text.substr(0, tab));
        text.remove_prefix(tab + 1);
    }
    const auto [end, failed] = std::from_chars(text.data(), text.data() + text.size(), line.value);
    if (failed != std::errc() || end != text.data() + text.size() || !known_attribute(line.key[3]))
        return std::nullopt;
    return line;
}

// Every look in the file; none when it does not exist.
Result<std::vector<LookLine>> read_lines(const fs::path& file)
{
    std::error_code ec;
    if (!fs::exists(file, ec))
        return std::vector<LookLine> {};
    auto text = read_text_file(file);
    if (!text)
        return Result<std::vector<LookLine>>::failure(text.error());
    std::vector<LookLine> lines;
    std::string_view rest = *text;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        if (auto line = parse_line(rest.substr(0, end)))
            lines.push_back(std::move(*line));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    return lines;
}

bool plain_name(std::string_view name) { return name.find_first_of("\t\r\n") == std::string_view::npos; }

} // namespace

fs::path ColumnLooks::default_file()
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    fs::path folder;
    if (xdg && fs::path(xdg).is_absolute())
        folder = xdg;
    else if (const char* home = std::getenv("HOME"))
        folder = fs::path(home) / ".config";
    else
        folder = fs::temp_directory_path();
    return folder / "hearth" / "column_looks.tsv";
}

Result<std::vector<ColumnLook>> ColumnLooks::of(const std::string& userno, const std::string& dataobject) const
{
    auto lines = read_lines(m_file);
    if (!lines)
        return Result<std::vector<ColumnLook>>::failure(lines.error());
    std::vector<ColumnLook> looks;
    for (const LookLine& line : *lines)
        if (line.key[0] == userno && line.key[1] == dataobject)
            looks.push_back({line.key[2], line.key[3], line.value});
    return looks;
}

Result<void> ColumnLooks::set(const std::string& userno, const std::string& dataobject, const std::string& column,
                              const std::string& attribute, std::optional<std::int32_t> value)
{
    if (!plain_name(userno) || !plain_name(dataobject) || !plain_name(column) || !known_attribute(attribute))
        return Result<void>::failure(
            fmt::format("{}: cannot keep a look for {}.{}", m_file.string(), column, attribute));
    auto lines = read_lines(m_file);
    if (!lines)
        return Result<void>::failure(lines.error());
    const std::array<std::string, 4> key {userno, dataobject, column, attribute};
    std::erase_if(*lines, [&](const LookLine& line) { return line.key == key; });
    if (value)
        lines->push_back({key, *value});

    std::string text;
    for (const LookLine& line : *lines)
        text += fmt::format("{}\t{}\t{}\t{}\t{}\n", line.key[0], line.key[1], line.key[2], line.key[3], line.value);
    std::error_code ec;
    fs::create_directories(m_file.parent_path(), ec);
    if (ec)
        return Result<void>::failure(fmt::format("{}: {}", m_file.parent_path().string(), ec.message()));
    return write_file_atomically(m_file, text);
}

void ColumnLooks::apply(DataWindowBase& dw, const std::string& userno) const
{
    auto looks = of(userno, dw.dataobject());
    if (!looks)
        return;
    for (const ColumnLook& look : *looks)
        if (dw.describe(look.column + ".Type") == "column")
            dw.modify(fmt::format("{}.{}='{}'", look.column, look.attribute, look.value));
}

} // namespace hearth
