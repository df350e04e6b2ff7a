#pragma once
// Bitmap files named as the scripts name them ("bmp\add.bmp"): relative names are found under
// the working directory, with either slash, and without regard to case when the exact name
// does not exist (the names come from a system whose file names ignore case).

#include <filesystem>
#include <optional>
#include <string_view>

namespace hearth {

// The path a bitmap name stands for under `base` (backslashes become separators); absolute
// names stay as they are. The file need not exist.
std::filesystem::path bitmap_path(std::string_view name, const std::filesystem::path& base);
std::filesystem::path bitmap_path(std::string_view name);

// The existing file a bitmap name refers to, under `base` (default: the working directory);
// nullopt for an empty name or when no such file exists.
std::optional<std::filesystem::path> find_bitmap(std::string_view name, const std::filesystem::path& base);
std::optional<std::filesystem::path> find_bitmap(std::string_view name);

} // namespace hearth
