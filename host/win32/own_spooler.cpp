// The user's own spooler: printers kept in a tab-separated file in the user's config folder.
//
//   default <TAB> name
//   printer <TAB> name <TAB> driver <TAB> port <TAB> comment <TAB> location <TAB> attributes
//           <TAB> status <TAB> papers (comma-separated DMPAPER codes) <TAB> device mode (hex, or
//           empty for the default one of the first paper)

#include "host/value/files.h"
#include "host/win32/spooler.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <cstring>

namespace hearth::win32 {

namespace {

constexpr std::string_view file_name = "printers.tsv";
constexpr std::size_t max_name_bytes = 220;

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            return parts;
        start = end + 1;
    }
}

template <class T> std::optional<T> number(std::string_view text)
{
    T value {};
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::string hex(const DevMode& dm)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&dm);
    std::string out;
    for (std::size_t i = 0; i < sizeof dm; ++i)
        out += fmt::format("{:02x}", bytes[i]);
    return out;
}

std::optional<DevMode> devmode_of_hex(std::string_view text)
{
    if (text.size() != 2 * sizeof(DevMode))
        return std::nullopt;
    DevMode dm {};
    auto* bytes = reinterpret_cast<std::uint8_t*>(&dm);
    for (std::size_t i = 0; i < sizeof dm; ++i) {
        auto byte = std::uint8_t {};
        auto [end, error] = std::from_chars(text.data() + 2 * i, text.data() + 2 * i + 2, byte, 16);
        if (error != std::errc() || end != text.data() + 2 * i + 2)
            return std::nullopt;
        bytes[i] = byte;
    }
    return dm;
}

bool plain_field(std::string_view text) { return text.find_first_of("\t\r\n") == std::string_view::npos; }

} // namespace

OwnSpooler::OwnSpooler(std::filesystem::path folder) : m_file(std::move(folder) / file_name) {}

Result<OwnSpooler::State> OwnSpooler::load() const
{
    State state;
    std::error_code ec;
    if (!std::filesystem::exists(m_file, ec))
        return state;
    auto text = read_file_bytes(m_file);
    if (!text)
        return Result<State>::failure(text.error());
    int line_number = 0;
    for (std::string_view line : split(*text, '\n')) {
        ++line_number;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line.front() == '#')
            continue;
        const std::vector<std::string_view> f = split(line, '\t');
        auto bad = [&] {
            return Result<State>::failure(fmt::format("{} line {}: unreadable", m_file.string(), line_number));
        };
        if (f[0] == "default" && f.size() == 2) {
            state.default_name = std::string(f[1]);
            continue;
        }
        if (f[0] != "printer" || f.size() != 10)
            return bad();
        Printer p;
        p.name = f[1];
        p.driver = f[2];
        p.port = f[3];
        p.comment = f[4];
        p.location = f[5];
        auto attributes = number<std::uint32_t>(f[6]);
        auto status = number<std::uint32_t>(f[7]);
        // A printer written by hand may leave its device mode out: it gets the default one.
        auto devmode = f[9].empty() ? std::optional<DevMode>(DevMode {}) : devmode_of_hex(f[9]);
        if (!attributes || !status || !devmode)
            return bad();
        p.attributes = *attributes & ~printer_attribute_default;
        p.status = *status;
        p.devmode = *devmode;
        if (!f[8].empty())
            for (std::string_view code : split(f[8], ',')) {
                auto paper = number<std::int16_t>(code);
                if (!paper)
                    return bad();
                p.papers.push_back(*paper);
            }
        if (f[9].empty())
            p.devmode = default_devmode(p.name, p.papers.empty() ? dmpaper_a4 : p.papers.front());
        state.printers.push_back(std::move(p));
    }
    return state;
}

Result<void> OwnSpooler::save(const State& state) const
{
    std::string text = "# Hearth's own printers (see host/win32/own_spooler.cpp)\n";
    if (!state.default_name.empty())
        text += fmt::format("default\t{}\n", state.default_name);
    for (const Printer& p : state.printers) {
        std::string papers;
        for (std::int16_t code : p.papers)
            papers += (papers.empty() ? "" : ",") + std::to_string(code);
        text += fmt::format("printer\t{}\t{}\t{}\t{}\t{}\t{}\t{}\t{}\t{}\n", p.name, p.driver, p.port, p.comment,
                            p.location, p.attributes & ~printer_attribute_default, p.status, papers, hex(p.devmode));
    }
    std::error_code ec;
    std::filesystem::create_directories(m_file.parent_path(), ec);
    return write_file_atomically(m_file, text);
}

Result<std::vector<Printer>> OwnSpooler::printers()
{
    auto state = load();
    if (!state)
        return Result<std::vector<Printer>>::failure(state.error());
    for (Printer& p : state->printers)
        if (p.name == state->default_name)
            p.attributes |= printer_attribute_default;
    return std::move(state->printers);
}

std::string OwnSpooler::default_printer()
{
    auto state = load();
    if (!state)
        return {};
    // A default that names no printer any more is no default.
    for (const Printer& p : state->printers)
        if (p.name == state->default_name)
            return p.name;
    return {};
}

Result<void> OwnSpooler::set_default(std::string_view name)
{
    auto state = load();
    if (!state)
        return state;
    if (std::none_of(state->printers.begin(), state->printers.end(), [&](const Printer& p) { return p.name == name; }))
        return Result<void>::failure(fmt::format("no printer named {}", name));
    state->default_name = std::string(name);
    return save(*state);
}

Result<void> OwnSpooler::set_devmode(std::string_view name, const DevMode& devmode)
{
    auto state = load();
    if (!state)
        return state;
    for (Printer& p : state->printers)
        if (p.name == name) {
            p.devmode = devmode;
            return save(*state);
        }
    return Result<void>::failure(fmt::format("no printer named {}", name));
}

Result<void> OwnSpooler::add_printer(const Printer& printer)
{
    if (printer.name.empty() || printer.name.size() > max_name_bytes || printer.name.find(',') != std::string::npos
        || !plain_field(printer.name))
        return Result<void>::failure(fmt::format("invalid printer name '{}'", printer.name));
    for (const std::string* text : {&printer.driver, &printer.port, &printer.comment, &printer.location})
        if (!plain_field(*text))
            return Result<void>::failure(fmt::format("printer {}: a text holds a tab or a line break", printer.name));
    auto state = load();
    if (!state)
        return state;
    auto it = std::find_if(state->printers.begin(), state->printers.end(),
                           [&](const Printer& p) { return p.name == printer.name; });
    if (it != state->printers.end())
        *it = printer;
    else
        state->printers.push_back(printer);
    return save(*state);
}

Result<void> OwnSpooler::set_status(std::string_view name, std::uint32_t status)
{
    auto state = load();
    if (!state)
        return state;
    for (Printer& p : state->printers)
        if (p.name == name) {
            p.status = status;
            return save(*state);
        }
    return Result<void>::failure(fmt::format("no printer named {}", name));
}

} // namespace hearth::win32
