#include "host/datawindow/library.h"
#include "host/datawindow/text_util.h"
#include "host/value/files.h"

#include <fmt/format.h>

namespace hearth::dw {

std::optional<std::filesystem::path> ObjectLibrary::find(std::string_view name) const
{
    if (name.empty() || name.find_first_of("/\\") != std::string_view::npos)
        return std::nullopt;
    for (const auto& folder : m_search_path) {
        std::error_code ec;
        std::filesystem::directory_iterator it(folder, ec);
        if (ec)
            continue;
        // Directory order is arbitrary: pick the first match by name so the result is stable.
        std::optional<std::filesystem::path> found;
        for (const auto& entry : it) {
            const auto& path = entry.path();
            if (!iequals(path.extension().string(), ".srd") || !iequals(path.stem().string(), name))
                continue;
            if (!entry.is_regular_file(ec))
                continue;
            if (!found || path.filename() < found->filename())
                found = path;
        }
        if (found)
            return found;
    }
    return std::nullopt;
}

Result<ObjectDefinition> ObjectLibrary::load(std::string_view name) const
{
    auto path = find(name);
    if (!path)
        return Result<ObjectDefinition>::failure(fmt::format("object not found: {}", name));
    return load_file(*path);
}

Result<ObjectDefinition> ObjectLibrary::load_file(const std::filesystem::path& file)
{
    auto text = read_text_file(file);
    if (!text)
        return Result<ObjectDefinition>::failure(text.error());
    auto object = ObjectDefinition::parse(*text, file.filename().string());
    if (object)
        object->name = file.stem().string();
    return object;
}

} // namespace hearth::dw
