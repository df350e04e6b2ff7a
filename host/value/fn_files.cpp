// ChangeDirectory.

#include "host/value/functions.h"

#include <filesystem>
#include <system_error>

namespace hearth::fn {

int change_directory(std::string_view directory)
{
    if (directory.empty())
        return -1;
    std::error_code failed;
    std::filesystem::current_path(std::filesystem::path(std::string(directory)), failed);
    return failed ? -1 : 1;
}

} // namespace hearth::fn
