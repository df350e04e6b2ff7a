// SaveAs: the five formats byte for byte on d_person, and the all-or-nothing file write.
#include "test_support.h"

#include "host/datawindow/saveas.h"
#include "host/datawindow/value_text.h"

#include <fmt/format.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

using namespace hearth;
using namespace hearth::dw;
using namespace hearth::dw::test;

namespace {

// d_person with issave = '0' kept: R1001, R0999 (name with a comma and quotes), R1003.
std::unique_ptr<Engine> exported_persons()
{
    auto engine = engine_for("d_person");
    EXPECT_EQ(engine->import_file(data_dir() / "d_person.txt"), 5);
    EXPECT_EQ(engine->set_item(3, "name", Value("wang, \"wu\"")), 1);
    EXPECT_EQ(engine->set_filter("issave = '0'"), 1);
    EXPECT_EQ(engine->filter(), 1);
    EXPECT_EQ(engine->row_count(), 3);
    return engine;
}

std::string bytes_of(const Engine& engine, SaveAsType type, ColumnHeadings headings, Encoding encoding = Encoding::Utf8)
{
    auto bytes = save_as_bytes(engine, type, headings, encoding);
    EXPECT_TRUE(bytes.ok()) << (bytes.ok() ? "" : bytes.error());
    return bytes.ok() ? *bytes : std::string();
}

std::string read_file(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

struct TempDir {
    std::filesystem::path path
        = std::filesystem::temp_directory_path() / ("hearth_dw_saveas_" + std::to_string(::getpid()) + "");
    TempDir()
    {
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::vector<std::string> entries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

constexpr const char* bom = "\xEF\xBB\xBF";

} // namespace

// The detail band's computed fields (c_double, c_label) follow the columns.
TEST(SaveAs, TextIsTabSeparatedWithOptionalColumnNames)
{
    auto engine = exported_persons();
    EXPECT_EQ(bytes_of(*engine, SaveAsType::Text, ColumnHeadings::On),
              std::string(bom)
                  + "rprno\tname\tpersonnum\tbirthday\tamount\thostrelation\tissave\tc_double\tc_label\r\n"
                    "R1001\t张三\t3\t1960-05-01\t1200.50\t02\t0\t6\t张三/R1001\r\n"
                    "R0999\twang, \"wu\"\t2\t\t0.00\t02\t0\t4\tWANG, \"WU\"/R0999\r\n"
                    "R1003\t\t4\t1990-01-02\t15.25\t\t0\t8\t\r\n");
    EXPECT_EQ(bytes_of(*engine, SaveAsType::Text, ColumnHeadings::Off).substr(3, 12), "R1001\t张三");
}

// A value that holds a tab or a line break, or starts with a quote, is quoted with inner quotes
// doubled and comes back whole through ImportFile; other values are written as they are.
TEST(SaveAs, TextQuotesWhatWouldSplitARowAndImportReadsItBack)
{
    auto engine = engine_for("d_person");
    const std::string names[] = {"a\tb", "two\r\nlines", "cr\ronly", "\"q\" first", "in \"x\""};
    for (const std::string& name : names)
        ASSERT_EQ(engine->set_item(engine->insert_row(0), "name", Value(name)), 1);
    const std::string text = bytes_of(*engine, SaveAsType::Text, ColumnHeadings::Off).substr(3);
    EXPECT_EQ(text,
              "\t\"a\tb\"\t1\t\t\t\t0\t2\t\r\n"
              "\t\"two\r\nlines\"\t1\t\t\t\t0\t2\t\r\n"
              "\t\"cr\ronly\"\t1\t\t\t\t0\t2\t\r\n"
              "\t\"\"\"q\"\" first\"\t1\t\t\t\t0\t2\t\r\n"
              "\tin \"x\"\t1\t\t\t\t0\t2\t\r\n");
    auto back = engine_for("d_person");
    ASSERT_EQ(back->import_string(text), 5);
    for (long row = 1; row <= 5; ++row)
        EXPECT_EQ(back->get_item(row, "name"), Value(names[row - 1])) << row;
    // A quote that does not close right before a tab or a line break quotes nothing.
    ASSERT_EQ(back->import_string("\t\"5 inch\n\t\"ab\"c\t7\n"), 2);
    EXPECT_EQ(back->get_item(6, "name"), Value("\"5 inch"));
    EXPECT_EQ(back->get_item(7, "name"), Value("\"ab\"c"));
}

// Dates and times in the fixed widths every export writes, fractions to the microsecond.
TEST(SaveAs, DatesAndTimesHaveFixedWidths)
{
    const struct {
        Value value;
        const char* text;
    } cases[] = {
        {Value(Date {7, 3, 9}), "0007-03-09"},
        {Value(Date {2024, 12, 31}), "2024-12-31"},
        {Value(Time {0, 0, 0, 0}), "00:00:00"},
        {Value(Time {23, 5, 9, 120}), "23:05:09.000120"},
        {Value(Time {8, 30, 0, 999999}), "08:30:00.999999"},
        {Value(DateTime {{1999, 1, 2}, {3, 4, 5, 60000}}), "1999-01-02 03:04:05.060000"},
        {Value(DateTime {{2000, 2, 29}, {}}), "2000-02-29 00:00:00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(item_text(c.value), c.text);
}

TEST(SaveAs, CsvQuotesOnlyWhatNeedsIt)
{
    auto engine = exported_persons();
    EXPECT_EQ(bytes_of(*engine, SaveAsType::CSV, ColumnHeadings::Off),
              std::string(bom)
                  + "R1001,张三,3,1960-05-01,1200.50,02,0,6,张三/R1001\r\n"
                    "R0999,\"wang, \"\"wu\"\"\",2,,0.00,02,0,4,\"WANG, \"\"WU\"\"/R0999\"\r\n"
                    "R1003,,4,1990-01-02,15.25,,0,8,\r\n");
}

TEST(SaveAs, TheDefaultEncodingIsGbk)
{
    auto engine = exported_persons();
    std::string text = bytes_of(*engine, SaveAsType::Text, ColumnHeadings::Off, Encoding::Ansi);
    EXPECT_EQ(text.substr(0, 11), "R1001\t\xD5\xC5\xC8\xFD\t"); // 张三 in GBK, no mark
}

TEST(SaveAs, HtmlTableHasAHeadingRowAndEscapedCells)
{
    auto engine = exported_persons();
    engine->set_item(1, "name", Value("<b>&"));
    EXPECT_EQ(bytes_of(*engine, SaveAsType::HTMLTable, ColumnHeadings::Off),
              std::string(bom)
                  + "<HTML>\r\n<HEAD>\r\n<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; "
                    "charset=utf-8\">\r\n</HEAD>\r\n<BODY>\r\n"
                    "<TABLE border=1 cellpadding=0 cellspacing=0>\r\n"
                    "<TR><TH>rprno</TH><TH>name</TH><TH>personnum</TH><TH>birthday</TH><TH>amount</"
                    "TH><TH>hostrelation</TH><TH>issave</TH></TR>\r\n"
                    "<TR><TD>R1001</TD><TD>&lt;b&gt;&amp;</TD><TD>3</TD><TD>1960-05-01</TD><TD>1200.50</TD><TD>02</"
                    "TD><TD>0</TD></TR>\r\n"
                    "<TR><TD>R0999</TD><TD>wang, "
                    "&quot;wu&quot;</TD><TD>2</TD><TD></TD><TD>0.00</TD><TD>02</TD><TD>0</TD></TR>\r\n"
                    "<TR><TD>R1003</TD><TD></TD><TD>4</TD><TD>1990-01-02</TD><TD>15.25</TD><TD></TD><TD>0</TD></TR>\r\n"
                    "</TABLE>\r\n</BODY>\r\n</HTML>\r\n");
    std::string gbk = bytes_of(*engine, SaveAsType::HTMLTable, ColumnHeadings::On, Encoding::Ansi);
    EXPECT_NE(gbk.find("charset=gbk"), std::string::npos);
}

TEST(SaveAs, SqlInsertQuotesStringsAndWritesNull)
{
    auto engine = exported_persons();
    engine->set_item(1, "name", Value("O'Brien"));
    std::string head
        = "INSERT INTO tc_ge_rpr ( rprno, name, personnum, birthday, amount, hostrelation, issave ) VALUES ( ";
    EXPECT_EQ(bytes_of(*engine, SaveAsType::SQLInsert, ColumnHeadings::Off),
              std::string(bom) + head + "'R1001', 'O''Brien', 3, '1960-05-01', 1200.50, '02', '0' );\r\n" + head
                  + "'R0999', 'wang, \"wu\"', 2, NULL, 0.00, '02', '0' );\r\n" + head
                  + "'R1003', NULL, 4, '1990-01-02', 15.25, NULL, '0' );\r\n");
    ASSERT_EQ(engine->modify("DataWindow.Table.UpdateTable=''"), "");
    auto refused = save_as_bytes(*engine, SaveAsType::SQLInsert, ColumnHeadings::Off);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error(), "the object names no update table");
}

// Names that are not plain are quoted identifiers, so no name adds text to the statements.
TEST(SaveAs, SqlInsertQuotesNamesThatAreNotPlain)
{
    const std::pair<std::string, std::string> tables[] = {
        {"dbo.persons", "dbo.persons"},
        {"居民", "居民"},
        {"t; DROP TABLE x; --", "\"t; DROP TABLE x; --\""},
        {"1st", "\"1st\""},
    };
    for (const auto& [update, written] : tables) {
        Engine engine;
        auto object = ObjectDefinition::parse(
            fmt::format("datawindow() table(column=(type=long name=n dbname=\"t.my col\") column=(type=long name=k)"
                        " update=\"{}\")",
                        update),
            "s.srd");
        ASSERT_TRUE(object.ok()) << update;
        ASSERT_TRUE(engine.set_object(std::move(*object)).ok());
        ASSERT_EQ(engine.import_string("1\t2\n"), 1);
        EXPECT_EQ(bytes_of(engine, SaveAsType::SQLInsert, ColumnHeadings::Off).substr(3),
                  "INSERT INTO " + written + " ( \"my col\", k ) VALUES ( 1, 2 );\r\n");
    }
}

TEST(SaveAs, DBase3HeaderFieldsAndRecords)
{
    auto engine = exported_persons();
    std::string dbf = bytes_of(*engine, SaveAsType::DBase3, ColumnHeadings::On);
    auto u8 = [&](std::size_t at) { return static_cast<unsigned char>(dbf[at]); };
    auto u16 = [&](std::size_t at) { return u8(at) | (u8(at + 1) << 8); };
    ASSERT_GT(dbf.size(), 32u);
    EXPECT_EQ(u8(0), 0x03);
    EXPECT_EQ(u16(4), 3); // records
    EXPECT_EQ(u16(8), 32 + 32 * 7 + 1);
    // C10 + C20 + N11 + D8 + N19.2 + C2 + C1 + flag byte
    EXPECT_EQ(u16(10), 1 + 10 + 20 + 11 + 8 + 19 + 2 + 1);
    EXPECT_EQ(u8(29), 0x7A); // GBK
    struct FieldCase {
        std::string name;
        char type;
        int width, decimals;
    };
    const FieldCase expected[] = {
        {"RPRNO", 'C', 10, 0},  {"NAME", 'C', 20, 0},      {"PERSONNUM", 'N', 11, 0}, {"BIRTHDAY", 'D', 8, 0},
        {"AMOUNT", 'N', 19, 2}, {"HOSTRELATI", 'C', 2, 0}, {"ISSAVE", 'C', 1, 0},
    };
    for (std::size_t f = 0; f < 7; ++f) {
        std::size_t at = 32 + 32 * f;
        SCOPED_TRACE(expected[f].name);
        EXPECT_EQ(std::string(dbf.data() + at, 11), expected[f].name + std::string(11 - expected[f].name.size(), '\0'));
        EXPECT_EQ(dbf[at + 11], expected[f].type);
        EXPECT_EQ(u8(at + 16), expected[f].width);
        EXPECT_EQ(u8(at + 17), expected[f].decimals);
    }
    std::size_t header = 32 + 32 * 7 + 1;
    EXPECT_EQ(u8(header - 1), 0x0D);
    std::string first = dbf.substr(header, 72);
    EXPECT_EQ(first,
              std::string(" R1001     \xD5\xC5\xC8\xFD") + std::string(16, ' ') + std::string(10, ' ') + "3"
                  + "19600501" + std::string(12, ' ') + "1200.50" + "02" + "0");
    std::string second = dbf.substr(header + 72, 72);
    EXPECT_EQ(second.substr(42, 8), std::string(8, ' ')); // null date
    EXPECT_EQ(dbf.size(), header + 3 * 72 + 1);
    EXPECT_EQ(dbf.back(), '\x1A');
}

TEST(SaveAs, DBase3NamesAreCutToTenCharactersAndMadeUnique)
{
    Engine engine;
    auto object = ObjectDefinition::parse(
        "datawindow() table(column=(type=char(3) name=household_no) column=(type=char(3) name=household_name)"
        " column=(type=long name=n) column=(type=datetime name=stamp) column=(type=decimal(2) name=big))",
        "n.srd");
    ASSERT_TRUE(object.ok());
    ASSERT_TRUE(engine.set_object(std::move(*object)).ok());
    ASSERT_EQ(engine.import_string("长长长长\t\t-2147483648\t2024-01-02 03:04:05\t123456789012345678.99"), 1);
    std::string dbf = bytes_of(engine, SaveAsType::DBase3, ColumnHeadings::On);
    EXPECT_EQ(std::string(dbf.data() + 32, 10), "HOUSEHOLD_");
    EXPECT_EQ(std::string(dbf.data() + 64, 10), "HOUSEHOL_1");
    EXPECT_EQ(static_cast<unsigned char>(dbf[32 + 16]), 8); // four Chinese characters take 8 bytes
    std::size_t header = 32 + 32 * 5 + 1;
    std::string record = dbf.substr(header, 1 + 8 + 3 + 11 + 19 + 19);
    EXPECT_EQ(record.substr(1, 8), "\xB3\xA4\xB3\xA4\xB3\xA4\xB3\xA4");
    EXPECT_EQ(record.substr(12, 11), "-2147483648");
    EXPECT_EQ(record.substr(23, 19), "2024-01-02 03:04:05");
    EXPECT_EQ(record.substr(42, 19), " 123456789012345679"); // fits N(19,0), not N(19,2)
}

// A number field has the most decimals that let every value of its column fit 19 characters;
// only a value whose integer part alone is too wide is written as stars.
TEST(SaveAs, DBase3NumbersThatFitAreNeverStars)
{
    Engine engine;
    auto object = ObjectDefinition::parse("datawindow() table(column=(type=decimal(16) name=fine)"
                                          " column=(type=number name=big) column=(type=decimal(2) name=huge))",
                                          "n.srd");
    ASSERT_TRUE(object.ok());
    ASSERT_TRUE(engine.set_object(std::move(*object)).ok());
    ASSERT_EQ(engine.import_string("1200.50\t10000000000000.25\t123456789012345678901\n-0.5\t1\t1.25\n"), 2);
    std::string dbf = bytes_of(engine, SaveAsType::DBase3, ColumnHeadings::On);
    const int decimals[] = {14, 4, 2};
    for (int f = 0; f < 3; ++f)
        EXPECT_EQ(static_cast<unsigned char>(dbf[32 + 32 * f + 17]), decimals[f]) << f;
    const std::size_t header = 32 + 32 * 3 + 1;
    EXPECT_EQ(dbf.substr(header, 1 + 3 * 19),
              " 1200.50000000000000"
              "10000000000000.2500"
                  + std::string(19, '*'));
    EXPECT_EQ(dbf.substr(header + 1 + 3 * 19, 1 + 3 * 19),
              "   -0.50000000000000" + std::string(13, ' ') + "1.0000" + std::string(15, ' ') + "1.25");
}

// What SaveAs writes as text, ImportFile reads back: in every encoding, with and without the
// heading line (skipped by starting at row 2). CSV, HTML, SQL and dBASE are export-only.
TEST(SaveAs, TextReadsBackThroughImportFileInEveryEncoding)
{
    TempDir dir;
    auto source = engine_for("d_person");
    ASSERT_EQ(source->import_file(data_dir() / "d_person.txt"), 5);
    const std::string expected = bytes_of(*source, SaveAsType::Text, ColumnHeadings::Off);
    ASSERT_NE(expected.find("张三"), std::string::npos);
    for (Encoding encoding : {Encoding::Ansi, Encoding::Utf8, Encoding::Utf16LE, Encoding::Utf16BE}) {
        for (ColumnHeadings headings : {ColumnHeadings::Off, ColumnHeadings::On}) {
            const std::filesystem::path file = dir.path / "persons.txt";
            ASSERT_EQ(save_as(*source, file, SaveAsType::Text, headings, encoding), 1);
            auto back = engine_for("d_person");
            EXPECT_EQ(back->import_file(file, headings == ColumnHeadings::On ? 2 : 1), 5);
            EXPECT_EQ(bytes_of(*back, SaveAsType::Text, ColumnHeadings::Off), expected)
                << "encoding " << int(encoding) << ", headings " << int(headings);
        }
    }
}

TEST(SaveAs, WritesThroughATemporaryFileAndNeverLeavesAPartOne)
{
    TempDir dir;
    auto engine = exported_persons();
    std::filesystem::path file = dir.path / "persons.txt";
    EXPECT_EQ(save_as(*engine, file, SaveAsType::Text, ColumnHeadings::Off), 1);
    EXPECT_EQ(dir.entries(), (std::vector<std::string> {"persons.txt"}));
    std::string first = read_file(file);
    EXPECT_EQ(first.substr(0, 5), "R1001");

    // A failing export leaves the existing file as it was and no temporary file behind.
    ASSERT_EQ(engine->modify("DataWindow.Table.UpdateTable=''"), "");
    EXPECT_EQ(save_as(*engine, file, SaveAsType::SQLInsert, ColumnHeadings::Off), -1);
    EXPECT_EQ(read_file(file), first);
    // The target is a folder: it can be neither replaced nor written.
    std::filesystem::create_directories(dir.path / "taken" / "inside");
    EXPECT_EQ(save_as(*engine, dir.path / "taken", SaveAsType::Text, ColumnHeadings::Off), -1);
    EXPECT_EQ(dir.entries(), (std::vector<std::string> {"persons.txt", "taken"}));
    // A folder that does not exist.
    EXPECT_EQ(save_as(*engine, dir.path / "missing" / "x.txt", SaveAsType::Text, ColumnHeadings::Off), -1);
    EXPECT_FALSE(std::filesystem::exists(dir.path / "missing"));
    // A new export replaces the old file whole.
    engine->set_filter("");
    engine->filter();
    EXPECT_EQ(save_as(*engine, file, SaveAsType::Text, ColumnHeadings::On), 1);
    EXPECT_EQ(read_file(file).substr(0, 6), "rprno\t");
    Engine empty;
    EXPECT_EQ(save_as(empty, file, SaveAsType::Text, ColumnHeadings::On), -1);
}

// A large export goes to the file a block of rows at a time: the file must hold exactly the
// bytes of the whole export, with one byte-order mark and no character cut at a block end.
TEST(SaveAs, LargeExportsAreWrittenInBlocksWithTheSameBytes)
{
    TempDir dir;
    auto engine = engine_for("d_person");
    std::string rows;
    for (int i = 0; i < 40000; ++i)
        rows += fmt::format("R{:05}\t居民{}号, \"甲\"\t{}\t1960-05-01\t{}.25\t02\t0\n", i, i, i % 9, i);
    ASSERT_EQ(engine->import_string(rows), 40000);
    for (auto [type, encoding] :
         {std::pair {SaveAsType::Text, Encoding::Utf16LE}, std::pair {SaveAsType::CSV, Encoding::Ansi},
          std::pair {SaveAsType::CSV, Encoding::Utf8}}) {
        const std::filesystem::path file = dir.path / "large.txt";
        ASSERT_EQ(save_as(*engine, file, type, ColumnHeadings::On, encoding), 1);
        const std::string whole = bytes_of(*engine, type, ColumnHeadings::On, encoding);
        EXPECT_GT(whole.size(), std::size_t(2) << 20);
        EXPECT_TRUE(read_file(file) == whole) << int(type) << " " << int(encoding);
    }
}
