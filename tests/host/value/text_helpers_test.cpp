// The host's one set of ASCII, calendar and text-file helpers.
#include "host/value/ascii.h"
#include "host/value/calendar.h"
#include "host/value/files.h"
#include "host/value/utf8.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>

using namespace hearth;
using namespace std::string_literals;

TEST(Ascii, FoldsOnlyAsciiLettersAndLeavesOtherBytesAlone)
{
    EXPECT_EQ(ascii::to_lower("Name张三ÀZ"), "name张三Àz");
    EXPECT_EQ(ascii::to_upper("name张三àz"), "NAME张三àZ");
    struct Case {
        std::string_view a, b;
        int order; // icompare's sign; 0 means iequals
    };
    const Case cases[] = {
        {"DataWindow", "datawindow", 0},
        {"张三", "张三", 0},
        {"\xC3\x89", "\xC3\xA9", -1}, // É and é: bytes of 0x80 and above are never folded
        {"\xFF", "\xDF", 1},          // the bytes a plain char's tolower would get wrong
        {"abc", "ABD", -1},
        {"ab", "AB ", -1},
        {"[", "a", -1}, // '[' sorts before the letters as their lower case
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ascii::iequals(c.a, c.b), c.order == 0) << c.a << " " << c.b;
        EXPECT_EQ(ascii::icompare(c.a, c.b), c.order) << c.a << " " << c.b;
        EXPECT_EQ(ascii::icompare(c.b, c.a), -c.order) << c.a << " " << c.b;
    }
    EXPECT_TRUE(ascii::istarts_with("Release 12", "RELEASE"));
    EXPECT_FALSE(ascii::istarts_with("Rel", "release"));
    EXPECT_FALSE(ascii::istarts_with("张三",
                                     "\xE5"
                                     "\x85"));
}

TEST(Ascii, TrimsTheGivenCharactersAtTheEnds)
{
    EXPECT_EQ(ascii::trim(" \t\r\n 12 3 \v\f"), "12 3");
    EXPECT_EQ(ascii::trim(" \t 张三\u3000 \t", ascii::blanks), "张三\u3000"); // only ASCII is trimmed
    EXPECT_EQ(ascii::trim_blanks("\t a \n"), "a \n");
    EXPECT_EQ(ascii::trim_start("  a  "), "a  ");
    EXPECT_EQ(ascii::trim_end("  a  ", " "), "  a");
    EXPECT_EQ(ascii::trim("   "), "");
    EXPECT_EQ(ascii::trim_end(""), "");
}

TEST(Calendar, LeapYearsAndMonthLengths)
{
    const std::pair<int, bool> years[] = {{2024, true}, {2023, false}, {1900, false}, {2000, true}};
    for (auto [year, leap] : years)
        EXPECT_EQ(is_leap_year(year), leap) << year;
    EXPECT_EQ(days_in_month(2024, 2), 29);
    EXPECT_EQ(days_in_month(2100, 2), 28);
    EXPECT_EQ(days_in_month(2023, 4), 30);
    EXPECT_EQ(days_in_month(2023, 12), 31);
    EXPECT_TRUE(is_valid_date(2000, 2, 29));
    const std::tuple<int, int, int> invalid[]
        = {{1900, 2, 29}, {2023, 13, 1}, {2023, 0, 1}, {2023, 4, 31}, {0, 1, 1}, {2023, 1, 0}};
    for (auto [y, m, d] : invalid)
        EXPECT_FALSE(is_valid_date(y, m, d)) << y << "-" << m << "-" << d;
}

TEST(Calendar, IsoTextReadsExactOrLooseAndWritesOneForm)
{
    struct Case {
        std::string_view text;
        IsoForm form;
        std::optional<DateTime> stamp;
    };
    const DateTime morning {{2024, 3, 1}, {9, 5, 0, 0}};
    const Case cases[] = {
        {"2024-03-01 09:05", IsoForm::Exact, morning},
        {"2024-03-01T09:05:00", IsoForm::Exact, morning},
        {"2024/3/1 9:05", IsoForm::Loose, morning},
        {"2024.03.01", IsoForm::Loose, DateTime {{2024, 3, 1}, {}}},
        {"2024/3/1 9:05", IsoForm::Exact, std::nullopt},
        {"2024-03/01", IsoForm::Loose, std::nullopt},
        {"2024-02-30", IsoForm::Loose, std::nullopt},
        {"2024-03-01 24:00", IsoForm::Exact, std::nullopt},
        {"2024-03-01 09:05:00.", IsoForm::Exact, std::nullopt},
        {"2024-03-01 09:05 ", IsoForm::Exact, std::nullopt},
        {"24-03-01", IsoForm::Loose, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parse_iso_datetime(c.text, c.form), c.stamp) << c.text;
    EXPECT_EQ(parse_iso_time("23:59:59.1234567", IsoForm::Exact), (Time {23, 59, 59, 123456}));
    EXPECT_EQ(parse_iso_date("2024-03-01 09:05", IsoForm::Exact), std::nullopt);
    std::string_view rest = "2024-03-01+08";
    EXPECT_EQ(read_iso_date(rest, IsoForm::Exact), (Date {2024, 3, 1}));
    EXPECT_EQ(rest, "+08");
    EXPECT_EQ(iso_text(DateTime {{5, 1, 2}, {3, 4, 5, 60}}), "0005-01-02 03:04:05.000060");
    EXPECT_EQ(iso_text(Time {13, 0, 9, 0}), "13:00:09");
    EXPECT_EQ(iso_text(Date {2024, 12, 31}), "2024-12-31");
}

TEST(TextFile, AByteOrderMarkDecidesThenUtf8ThenGbk)
{
    struct Case {
        std::string bytes;
        std::string text;
    };
    const Case cases[] = {
        {"R1001\t\xE5\xBC\xA0\xE4\xB8\x89\r\n", "R1001\t张三\r\n"}, // UTF-8 without a mark
        {"\xEF\xBB\xBF\xE5\xBC\xA0", "张"},
        {"\xD5\xC5\xC8\xFD", "张三"}, // GBK, as SaveAs writes by default
        {"\xFF\xFE\x20\x5F\x09\x00"s, "张\t"},
        {"\xFE\xFF\x5F\x20\x00\x41"s, "张A"},
        {"\xFF\xFE"
         "a\0\0\0b\0"s,
         "a\0b"s}, // a NUL is kept in a file
        {"a\xFF"
         "b",
         "a\xEF\xBF\xBD"
         "b"}, // neither UTF-8 nor GBK
        {"", ""},
    };
    for (const Case& c : cases) {
        auto text = decode_text_file(c.bytes);
        ASSERT_TRUE(text) << c.text;
        EXPECT_EQ(*text, c.text);
        EXPECT_TRUE(utf8::is_valid(*text));
    }
    auto lone = decode_text_file(std::string("\xFF\xFE\x00\xD8", 4));
    EXPECT_EQ(lone ? "" : lone.error(), "invalid UTF-16 text");
}

TEST(TextFile, AtomicWritesReplaceTheFileWholeOrNotAtAll)
{
    const auto dir = std::filesystem::temp_directory_path() / "hearth_atomic_write";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir / "taken" / "inside");
    EXPECT_TRUE(write_file_atomically(dir / "a.ini", "[x]\r\n"));
    EXPECT_TRUE(write_file_atomically(dir / "a.ini", "[y]\r\n"));
    EXPECT_EQ(*read_text_file(dir / "a.ini"), "[y]\r\n");
    auto refused = write_file_atomically(dir / "taken", "z");
    EXPECT_NE(refused ? "" : refused.error(), "");
    EXPECT_FALSE(write_file_atomically(dir / "missing" / "a.ini", "z"));
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir))
        ++entries;
    EXPECT_EQ(entries, 2u); // a.ini and taken: no temporary file left behind
    EXPECT_EQ(read_text_file(dir / "none.ini").error(), (dir / "none.ini").string() + ": cannot be read");
    std::filesystem::remove_all(dir);
}
