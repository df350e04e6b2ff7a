#include "host/ui/bitmap.h"

#include "host/object/class_registry.h"

#include <system_error>

namespace hearth {

namespace fs = std::filesystem;

fs::path bitmap_path(std::string_view name, const fs::path& base)
{
    std::string text(name);
    for (char& c : text)
        if (c == '\\')
            c = '/';
    fs::path path(text);
    return path.is_absolute() ? path : base / path;
}

fs::path bitmap_path(std::string_view name) { return bitmap_path(name, fs::current_path()); }

std::optional<fs::path> find_bitmap(std::string_view name, const fs::path& base)
{
    if (name.empty())
        return std::nullopt;
    fs::path wanted = bitmap_path(name, base);
    std::error_code error;
    if (fs::is_regular_file(wanted, error))
        return wanted;
    // Walk the relative part component by component, matching each without case.
    std::string text(name);
    for (char& c : text)
        if (c == '\\')
            c = '/';
    fs::path relative(text);
    fs::path found = relative.is_absolute() ? relative.root_path() : base;
    for (const fs::path& part : relative.relative_path()) {
        if (part.empty() || part == ".")
            continue;
        if (fs::exists(found / part, error)) {
            found /= part;
            continue;
        }
        const std::string lower = lower_name(part.string());
        bool matched = false;
        for (const fs::directory_entry& entry : fs::directory_iterator(found, error)) {
            if (lower_name(entry.path().filename().string()) == lower) {
                found = entry.path();
                matched = true;
                break;
            }
        }
        if (!matched)
            return std::nullopt;
    }
    if (!fs::is_regular_file(found, error))
        return std::nullopt;
    return found;
}

std::optional<fs::path> find_bitmap(std::string_view name) { return find_bitmap(name, fs::current_path()); }

} // namespace hearth
