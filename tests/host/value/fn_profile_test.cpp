#include "host/value/functions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace hearth;

namespace {

class ProfileFile : public ::testing::Test {
protected:
    std::string write(const std::string& name, const std::string& bytes)
    {
        std::filesystem::path path = m_dir / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }
    void SetUp() override
    {
        m_dir = std::filesystem::temp_directory_path() / ("hearth_profile_" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::filesystem::path m_dir;
};

const std::string settings = "; settings of the records application\r\n"
                             "[Database]\r\n"
                             "DBMS = SQLite\r\n"
                             "ServerName=\r\n"
                             "Port=5432\r\n"
                             "Bad=12abc\r\n"
                             "Big=70000\r\n"
                             "Quoted=\"  padded  \"\r\n"
                             "[界面]\r\n"
                             "标题=社区居民信息管理\r\n"
                             "[database]\r\n"
                             "DBMS=second section is not read\r\n"
                             "Extra=found in a later section of the same name\r\n";

std::string utf16le_with_mark(std::string_view utf8)
{
    Blob bytes = encode_text(utf8, Encoding::Utf16LE);
    return std::string("\xFF\xFE") + std::string(bytes.begin(), bytes.end());
}

} // namespace

TEST_F(ProfileFile, ReadsValuesCaseInsensitivelyWithDefaultsForMissingOnes)
{
    const std::string file = write("app.ini", settings);
    struct Case {
        const char* section;
        const char* key;
        const char* expected;
    };
    const Case cases[] = {
        {"Database", "DBMS", "SQLite"},
        {"DATABASE", "dbms", "SQLite"}, // case-insensitive names
        {"Database", "ServerName", ""}, // present and empty: not the default
        {"Database", "Quoted", "  padded  "},
        {"Database", "Missing", "default"},
        {"Nowhere", "DBMS", "default"},
        {"界面", "标题", "社区居民信息管理"},
        {"Database", "Extra", "found in a later section of the same name"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fn::profile_string(file, c.section, c.key, "default"), c.expected) << c.section << "/" << c.key;
    EXPECT_EQ(fn::profile_string(m_dir.string() + "/none.ini", "Database", "DBMS", "default"), "default");
    EXPECT_EQ(fn::profile_string(Value(file), Value("database"), Value("port"), Value("")), Value("5432"));
}

TEST_F(ProfileFile, IntegersFallBackToTheDefault)
{
    const std::string file = write("app.ini", settings);
    EXPECT_EQ(fn::profile_int(file, "Database", "Port", 0), 5432);
    EXPECT_EQ(fn::profile_int(file, "Database", "Bad", 7), 7); // not an integer
    EXPECT_EQ(fn::profile_int(file, "Database", "Big", 7), 7); // beyond an integer
    EXPECT_EQ(fn::profile_int(file, "Database", "ServerName", 7), 7);
    EXPECT_EQ(fn::profile_int(file, "Database", "Missing", -3), -3);
    EXPECT_EQ(fn::profile_int(Value(file), Value("Database"), Value("Port"), Value(0)), Value::integer(5432));
}

TEST_F(ProfileFile, ReadsUtf8Utf16AndGbkFiles)
{
    const std::string utf8_bom = write("bom.ini", "\xEF\xBB\xBF[界面]\n标题=社区\n");
    const std::string utf16 = write("wide.ini", utf16le_with_mark("[界面]\r\n标题=社区\r\n"));
    Blob gbk = encode_text("[界面]\r\n标题=社区\r\n", Encoding::Ansi);
    const std::string ansi = write("ansi.ini", std::string(gbk.begin(), gbk.end()));
    for (const auto& file : {utf8_bom, utf16, ansi})
        EXPECT_EQ(fn::profile_string(file, "界面", "标题", "?"), "社区") << file;
}

TEST_F(ProfileFile, LongValuesAreCutTo4096Characters)
{
    const std::string file = write("long.ini", "[s]\nk=" + std::string(5000, 'x') + "\n");
    EXPECT_EQ(fn::profile_string(file, "s", "k", "").size(), 4096u);
}

TEST_F(ProfileFile, NullArgumentsGiveNull)
{
    const Value n = Value::null_of(Type::String);
    EXPECT_EQ(fn::profile_string(n, Value("s"), Value("k"), Value("d")), Value::null_of(Type::String));
    EXPECT_EQ(fn::profile_string(Value("f"), Value("s"), Value("k"), n), Value::null_of(Type::String));
    EXPECT_EQ(fn::profile_int(Value("f"), n, Value("k"), Value(1)), Value::null_of(Type::Integer));
}
