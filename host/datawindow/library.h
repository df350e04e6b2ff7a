#pragma once
// The application's object folders: DataWindow objects are found by name (without case) as
// <name>.srd files in a list of folders searched in order.

#include "host/datawindow/object.h"
#include "host/value/result.h"

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace hearth::dw {

class ObjectLibrary {
public:
    ObjectLibrary() = default;
    explicit ObjectLibrary(std::vector<std::filesystem::path> search_path) : m_search_path(std::move(search_path)) {}

    void set_search_path(std::vector<std::filesystem::path> search_path) { m_search_path = std::move(search_path); }
    const std::vector<std::filesystem::path>& search_path() const { return m_search_path; }

    // The source file of object `name`, first folder first; nullopt when no folder has it.
    std::optional<std::filesystem::path> find(std::string_view name) const;

    // Loads and parses object `name`. Fails with "object not found: <name>" or with the
    // parser's located message.
    Result<ObjectDefinition> load(std::string_view name) const;

    // Loads and parses one source file; the object takes the file's stem as its name.
    static Result<ObjectDefinition> load_file(const std::filesystem::path& file);

private:
    std::vector<std::filesystem::path> m_search_path;
};

} // namespace hearth::dw
