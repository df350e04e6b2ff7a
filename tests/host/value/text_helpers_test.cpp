// The host's one set of ASCII, calendar and text-file helpers.
#include "host/value/ascii.h"
#include "host/value/calendar.h"
#include "host/value/files.h"
#include "host/value/utf8.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

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
    const auto dir = std::filesystem::temp_directory_path() / ("hearth_atomic_write_" + std::to_string(::getpid()));
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

namespace {

// A fresh folder of its own for each test that writes files.
struct ScratchDir {
    std::filesystem::path path = std::filesystem::temp_directory_path()
        / ("hearth_files_" + std::to_string(::getpid()) + "_"
           + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    ScratchDir() { std::filesystem::create_directories(path); }
    ~ScratchDir() { std::filesystem::remove_all(path); }
    std::size_t entries() const
    {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(path), {}));
    }
};

mode_t mode_of(const std::filesystem::path& file)
{
    struct stat st {};
    EXPECT_EQ(::stat(file.c_str(), &st), 0) << file;
    return st.st_mode & 07777;
}

} // namespace

// Only a regular file is replaced: a link stays a link and its file (even one that does not
// exist yet) gets the bytes, a FIFO takes them in place.
TEST(TextFile, AtomicWritesFollowLinksAndWriteFifosInPlace)
{
    ScratchDir dir;
    const auto real = dir.path / "real.csv", fifo = dir.path / "fifo";
    ASSERT_TRUE(write_file_atomically(real, "old"));
    std::filesystem::create_symlink("real.csv", dir.path / "link");
    std::filesystem::create_symlink("sub/new.csv", dir.path / "dangling");
    std::filesystem::create_directory(dir.path / "sub");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);

    EXPECT_TRUE(write_file_atomically(dir.path / "link", "via link"));
    EXPECT_TRUE(write_file_atomically(dir.path / "dangling", "created"));
    EXPECT_TRUE(write_file_atomically(fifo, "through the pipe"));
    for (const char* link : {"link", "dangling"})
        EXPECT_TRUE(std::filesystem::is_symlink(dir.path / link)) << link;
    EXPECT_EQ(*read_text_file(real), "via link");
    EXPECT_EQ(*read_text_file(dir.path / "sub" / "new.csv"), "created");
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    char got[64] = {};
    EXPECT_EQ(std::string(got, std::max<ssize_t>(::read(reader, got, sizeof got), 0)), "through the pipe");
    ::close(reader);
    EXPECT_EQ(dir.entries(), 5u); // no hidden file left next to any of them
}

TEST(TextFile, AtomicWritesKeepTheReplacedModeOrFollowTheUmask)
{
    ScratchDir dir;
    const auto private_file = dir.path / "private.csv";
    ASSERT_TRUE(write_file_atomically(private_file, "a"));
    std::filesystem::permissions(private_file,
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    const mode_t saved = ::umask(027);
    EXPECT_TRUE(write_file_atomically(private_file, "b"));
    EXPECT_TRUE(write_file_atomically(dir.path / "new.csv", "c"));
    ::umask(saved);
    EXPECT_EQ(mode_of(private_file), 0600u);
    EXPECT_EQ(mode_of(dir.path / "new.csv"), 0640u);
}

// A process killed in the middle of a write leaves neither a partial file nor a temporary one.
TEST(TextFile, AKilledAtomicWriteLeavesNothingBehind)
{
    ScratchDir dir;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        AtomicFileWriter writer(dir.path / "large.csv");
        if (writer.open() && writer.write(std::string(1 << 20, 'x')))
            ::kill(::getpid(), SIGKILL);
        ::_exit(1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_EQ(dir.entries(), 0u);
}
