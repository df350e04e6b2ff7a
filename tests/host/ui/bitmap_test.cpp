// Bitmap names as the scripts write them, found under the working directory.

#include "host/ui/bitmap.h"

#include <gtest/gtest.h>

#include <fstream>

namespace hearth::test {
namespace {

namespace fs = std::filesystem;

class BitmapFiles : public ::testing::Test {
protected:
    BitmapFiles()
    {
        base = fs::temp_directory_path() / ("hearth_ui_bitmaps_" + std::to_string(::getpid()));
        fs::create_directories(base / "bmp");
        std::ofstream(base / "bmp" / "add.bmp") << "BM";
        std::ofstream(base / "bmp" / "Del1.BMP") << "BM";
    }
    ~BitmapFiles() override { fs::remove_all(base); }
    fs::path base;
};

TEST_F(BitmapFiles, NamesResolveUnderTheBaseWithEitherSlash)
{
    EXPECT_EQ(bitmap_path("bmp\\add.bmp", base), base / "bmp/add.bmp");
    EXPECT_EQ(bitmap_path("bmp/add.bmp", base), base / "bmp/add.bmp");
    EXPECT_EQ(bitmap_path("/abs/x.bmp", base), fs::path("/abs/x.bmp"));

    struct Case {
        std::string_view name;
        std::optional<fs::path> found;
    };
    const Case cases[] = {
        {"bmp\\add.bmp", base / "bmp/add.bmp"},
        {"bmp/add.bmp", base / "bmp/add.bmp"},
        {"BMP\\ADD.bmp", base / "bmp/add.bmp"}, // case ignored when the exact name is missing
        {"bmp\\del1.bmp", base / "bmp/Del1.BMP"},
        {"bmp\\add2.bmp", std::nullopt}, // the disabled image does not exist
        {"bmp", std::nullopt},           // a folder is no bitmap
        {"", std::nullopt},
        {"nothere\\add.bmp", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(find_bitmap(c.name, base), c.found) << c.name;
}

TEST_F(BitmapFiles, DefaultBaseIsTheWorkingDirectory)
{
    const fs::path saved = fs::current_path();
    fs::current_path(base);
    EXPECT_EQ(find_bitmap("bmp\\add.bmp"), fs::current_path() / "bmp/add.bmp");
    EXPECT_EQ(bitmap_path("bmp\\x.bmp"), fs::current_path() / "bmp/x.bmp");
    fs::current_path(saved);
}

} // namespace
} // namespace hearth::test
