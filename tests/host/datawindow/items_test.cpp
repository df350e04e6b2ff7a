// Items: GetItemX checked against the column type, SetItem conversions, computed fields,
// ImportString/ImportFile, AcceptText and the current column.
#include "test_support.h"

#include "host/value/runtime_error.h"

#include <fstream>
#include <unistd.h>

using namespace hearth;
using namespace hearth::dw;
using namespace hearth::dw::test;

namespace {

enum class Get { String, Number, Decimal, Date, DateTime, Time };

Value get(Engine& engine, Get kind, long row, ColumnRef column)
{
    switch (kind) {
    case Get::String: return engine.get_item_string(row, column);
    case Get::Number: return engine.get_item_number(row, column);
    case Get::Decimal: return engine.get_item_decimal(row, column);
    case Get::Date: return engine.get_item_date(row, column);
    case Get::DateTime: return engine.get_item_datetime(row, column);
    case Get::Time: return engine.get_item_time(row, column);
    }
    return {};
}

// The message of the RuntimeError a call raises, or "" when it raises none.
template <class F> std::string raised(F&& call)
{
    try {
        call();
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.code(), ErrorCode::CallFailed);
        return error.what();
    }
    return {};
}

} // namespace

TEST(Items, GetItemReadsEachColumnTypeThroughTheMatchingCall)
{
    auto engine = retrieved_persons();
    struct Case {
        Get kind;
        long row;
        ColumnRef column;
        Value expected;
    };
    const Case cases[] = {
        {Get::String, 1, "rprno", Value("R1001")},
        {Get::String, 1, "NAME", Value("张三")},
        {Get::String, 2, 2, Value("Li Si")},
        {Get::Number, 1, "personnum", Value(3.0)},
        {Get::Number, 2, "amount", Value(-30.0)},
        {Get::Decimal, 1, "amount", Value(*Decimal::parse("1200.50"))},
        {Get::Decimal, 1, "personnum", Value(Decimal(3))},
        {Get::Date, 1, "birthday", Value(Date {1960, 5, 1})},
        {Get::DateTime, 1, "birthday", Value(DateTime {Date {1960, 5, 1}, Time {}})},
        {Get::Date, 3, "birthday", Value::null_of(Type::Date)},
        {Get::Number, 1, "c_double", Value(6.0)},
        {Get::String, 2, "c_label", Value("LI SI/R1002")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.column.text());
        EXPECT_EQ(get(*engine, c.kind, c.row, c.column), c.expected);
    }
    EXPECT_EQ(engine->get_item(1, "personnum"), Value(3));
    EXPECT_EQ(engine->get_item(1, "amount").as_decimal().to_string(), "1200.50");
}

TEST(Items, WrongTypeBadRowAndBadColumnRaiseACallFailure)
{
    auto engine = retrieved_persons();
    struct Case {
        Get kind;
        long row;
        ColumnRef column;
        std::string message;
    };
    const Case cases[] = {
        {Get::String, 1, "personnum",
         "Error calling function or event: GetItemString: DataWindow column type does not match GetItem type (column "
         "'personnum' is long)"},
        {Get::Number, 1, "name",
         "Error calling function or event: GetItemNumber: DataWindow column type does not match GetItem type (column "
         "'name' is char(20))"},
        {Get::Date, 1, 5,
         "Error calling function or event: GetItemDate: DataWindow column type does not match GetItem type (column 5 "
         "is decimal(2))"},
        {Get::Time, 1, "birthday",
         "Error calling function or event: GetItemTime: DataWindow column type does not match GetItem type (column "
         "'birthday' is date)"},
        {Get::String, 4, "name",
         "Error calling function or event: GetItemString: Invalid DataWindow row/column specified (row 4 of 3, column "
         "'name')"},
        {Get::String, 0, "name",
         "Error calling function or event: GetItemString: Invalid DataWindow row/column specified (row 0 of 3, column "
         "'name')"},
        {Get::String, 1, "nosuch",
         "Error calling function or event: GetItemString: Invalid DataWindow row/column specified (column 'nosuch' "
         "does not exist)"},
        {Get::Decimal, 1, 8,
         "Error calling function or event: GetItemDecimal: Invalid DataWindow row/column specified (column 8 does not "
         "exist)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(raised([&] { get(*engine, c.kind, c.row, c.column); }), c.message);
}

TEST(Items, SetItemConvertsWithinAKindAndRefusesOtherKinds)
{
    auto engine = retrieved_persons();
    EXPECT_EQ(engine->set_item(1, "personnum", Value(2.6)), 1);
    EXPECT_EQ(engine->get_item(1, "personnum"), Value(3)); // rounded, not truncated
    EXPECT_EQ(engine->set_item(1, "amount", Value(*Decimal::parse("1.005"))), 1);
    EXPECT_EQ(engine->get_item(1, "amount").as_decimal().to_string(), "1.01"); // decimal(2)
    EXPECT_EQ(engine->set_item(1, "birthday", Value(DateTime {Date {2000, 2, 29}, Time {10, 0, 0, 0}})), 1);
    EXPECT_EQ(engine->get_item(1, "birthday"), Value(Date {2000, 2, 29}));
    EXPECT_EQ(engine->set_item(1, "name", Value::null_of(Type::String)), 1);
    EXPECT_TRUE(engine->get_item(1, "name").is_null());
    EXPECT_EQ(engine->set_item(1, "name", Value()), 1);

    // A value of another kind is the runtime's -1, and nothing is written or marked.
    const Value name_before = engine->get_item(2, "name");
    EXPECT_EQ(engine->set_item(2, "personnum", Value("12")), -1);
    EXPECT_EQ(engine->set_item(2, "name", Value(5)), -1);
    EXPECT_EQ(engine->get_item(2, "name"), name_before);
    EXPECT_EQ(engine->get_item_status(2, 0), ItemStatus::NotModified);
    EXPECT_EQ(raised([&] { engine->set_item(9, "name", Value("x")); }),
              "Error calling function or event: SetItem: Invalid DataWindow row/column specified (row 9 of 3, column "
              "'name')");
    EXPECT_EQ(raised([&] { engine->set_item(1, "c_double", Value(1)); }),
              "Error calling function or event: SetItem: Invalid DataWindow row/column specified (column 'c_double' "
              "does not exist)");
}

TEST(Items, ImportStringLoadsTabSeparatedRowsAsNewModified)
{
    auto engine = engine_for("d_person");
    EXPECT_EQ(engine->import_string("A1\tOne\t1\r\nA2\t\t\t2020-02-02\t3.5\n"), 2);
    EXPECT_EQ(engine->get_item(1, "name"), Value("One"));
    EXPECT_TRUE(engine->get_item(2, "name").is_null()); // an empty field is null
    EXPECT_TRUE(engine->get_item(2, "personnum").is_null());
    EXPECT_EQ(engine->get_item(2, "birthday"), Value(Date {2020, 2, 2}));
    EXPECT_EQ(engine->get_item(2, "amount").as_decimal().to_string(), "3.50");
    EXPECT_TRUE(engine->get_item(1, "amount").is_null()); // missing trailing fields stay null
    EXPECT_EQ(engine->get_item_status(1, 0), ItemStatus::NewModified);
    // rows, text columns and the first target column chosen
    EXPECT_EQ(engine->import_string("x\t7\ny\t8\nz\t9", 2, 3, 2, 2, 3), 2);
    EXPECT_EQ(engine->row_count(), 4);
    EXPECT_EQ(engine->get_item(3, "personnum"), Value(8));
    EXPECT_TRUE(engine->get_item(3, "rprno").is_null());
}

TEST(Items, ImportStringFailuresLoadNothing)
{
    auto engine = engine_for("d_person");
    struct Case {
        std::string text;
        long start_row, end_row;
        int start_column, end_column, dw_start_column;
        long result;
    };
    const Case cases[] = {
        {"", 1, -1, 1, -1, 1, -1},
        {"a\nb", 3, -1, 1, -1, 1, -1},
        {"a", 0, -1, 1, -1, 1, -3},
        {"a", 2, 1, 1, -1, 1, -3},
        {"a", 1, -1, 0, -1, 1, -3},
        {"a", 1, -1, 1, -1, 8, -3},
        {"A1\tx\tnot a number", 1, -1, 1, -1, 1, -4},
        {"A1\tx\t1\t2020-13-01", 1, -1, 1, -1, 1, -4},
        {"A1\tx\t1\t\t1.2.3", 1, -1, 1, -1, 1, -4},
        {"A1\tx\t99999999999", 1, -1, 1, -1, 1, -4},
        {"ok\n\nA1\tx\tbad", 1, -1, 1, -1, 1, -4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(
            engine->import_string(c.text, c.start_row, c.end_row, c.start_column, c.end_column, c.dw_start_column),
            c.result);
        EXPECT_EQ(engine->row_count(), 0);
    }
}

TEST(Items, ImportFileReadsUtf8AndUtf16Text)
{
    auto engine = engine_for("d_person");
    EXPECT_EQ(engine->import_file(data_dir() / "d_person.txt"), 5);
    EXPECT_EQ(engine->get_item(1, "name"), Value("张三"));
    std::filesystem::path utf16
        = std::filesystem::temp_directory_path() / ("hearth_dw_import16_" + std::to_string(::getpid()) + ".txt");
    {
        std::ofstream out(utf16, std::ios::binary);
        out.write("\xFF\xFE"
                  "A\0"
                  "9\0"
                  "\t\0"
                  "\x8E\x5F"
                  "\r\0"
                  "\n\0",
                  14); // A9<TAB>徎 CR LF
    }
    EXPECT_EQ(engine->import_file(utf16), 1);
    EXPECT_EQ(engine->get_item(6, "name"), Value("\xE5\xBE\x8E"));
    std::filesystem::remove(utf16);
    EXPECT_EQ(engine->import_file(data_dir() / "no_such_file.txt"), -2);
}

TEST(Items, SetColumnMovesTheCurrentColumnByNameOrNumber)
{
    // The edit text of the current item is the control's (tests/host/ui).
    auto engine = retrieved_persons();
    EXPECT_EQ(engine->set_column("personnum"), 1);
    EXPECT_EQ(engine->get_column(), 3);
    EXPECT_EQ(engine->get_column_name(), "personnum");
    EXPECT_EQ(engine->set_column("nosuch"), -1);
    EXPECT_EQ(engine->set_column(9), -1);
    EXPECT_EQ(engine->get_column(), 3);
    EXPECT_EQ(engine->set_column(2), 1);
    EXPECT_EQ(engine->get_column_name(), "name");
}

TEST(Items, ClickedColumnAndRedrawAreKeptForTheControl)
{
    auto engine = retrieved_persons();
    EXPECT_EQ(engine->get_clicked_column(), 0);
    engine->set_clicked_column(2);
    EXPECT_EQ(engine->get_clicked_column(), 2);
    EXPECT_EQ(engine->set_redraw(false), 1);
    EXPECT_FALSE(engine->is_redraw_on());
    EXPECT_EQ(engine->set_redraw(true), 1);
    EXPECT_TRUE(engine->is_redraw_on());
}

TEST(Items, ObjectAttributesGoThroughTheSameStoreAsDescribeAndModify)
{
    auto engine = retrieved_persons();
    auto x1 = engine->get_attribute("l_1", "x1");
    ASSERT_TRUE(x1.ok());
    EXPECT_EQ(*x1, "0");
    ASSERT_TRUE(engine->set_attribute("l_1", "X1", "150").ok());
    EXPECT_EQ(engine->describe("l_1.x1"), "150");
    ASSERT_TRUE(engine->set_attribute("datawindow", "table.sort", "name D").ok());
    EXPECT_EQ(*engine->get_attribute("DataWindow", "Table.Sort"), "name D");
    EXPECT_EQ(*engine->get_attribute("name_t", "tag"), "?");
    EXPECT_EQ(engine->set_attribute("l_1", "visible", "yes").error(),
              "bad value for 'l_1.visible': 'yes' is not 0 or 1");
    EXPECT_EQ(engine->get_attribute("nosuch", "x").error(), "unknown object 'nosuch'");
    EXPECT_EQ(engine->get_attribute("l_1", "text").error(), "unknown property 'l_1.text'");
    // The same escapes are not applied here: the value is taken as it is.
    ASSERT_TRUE(engine->set_attribute("name_t", "text", "a~tb").ok());
    EXPECT_EQ(engine->describe("name_t.text"), "a~tb");
}

TEST(Library, ObjectsAreFoundByNameWithoutCaseAlongTheSearchPath)
{
    std::filesystem::path root
        = std::filesystem::temp_directory_path() / ("hearth_dw_library_" + std::to_string(::getpid()));
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root / "first");
    std::filesystem::create_directories(root / "second");
    auto write = [](const std::filesystem::path& path, const std::string& text) { std::ofstream(path) << text; };
    write(root / "first" / "D_Thing.SRD", "datawindow() table(column=(type=char(1) name=first))");
    write(root / "second" / "d_thing.srd", "datawindow() table(column=(type=char(1) name=second))");
    write(root / "second" / "d_other.srd", "datawindow() table(column=(type=char(1) name=x))");
    write(root / "second" / "d_broken.srd", "datawindow()\ntable(column=(type=char(1) name=x)\n");
    ObjectLibrary library({root / "missing", root / "first", root / "second"});
    auto thing = library.load("D_THING");
    ASSERT_TRUE(thing.ok());
    EXPECT_EQ(thing->columns[0].name, "first");
    EXPECT_EQ(thing->name, "D_Thing");
    EXPECT_TRUE(library.load("d_other").ok());
    EXPECT_EQ(library.load("d_none").error(), "object not found: d_none");
    EXPECT_EQ(library.load("../first/d_thing").error(), "object not found: ../first/d_thing");
    EXPECT_EQ(library.load("d_broken").error(), "d_broken.srd: line 2, column 6: missing ')' for this '('");
    std::filesystem::remove_all(root);
}

TEST(Library, SyntaxWritesASourceThatParsesToTheSameObject)
{
    auto engine = engine_for("d_person");
    ASSERT_EQ(engine->modify("name_t.Text='a ~\"quoted~\" ~~ text' amount.Color='0~tif(amount<0,255,0)'"), "");
    std::string syntax = engine->describe("DataWindow.Syntax");
    auto reparsed = ObjectDefinition::parse(syntax, "syntax.srd");
    ASSERT_TRUE(reparsed.ok()) << reparsed.error();
    EXPECT_EQ(reparsed->syntax(), engine->object().syntax());
    Engine copy;
    ASSERT_TRUE(copy.set_object(std::move(*reparsed)).ok());
    EXPECT_EQ(copy.describe("name_t.Text"), engine->describe("name_t.Text"));
    EXPECT_EQ(copy.describe("DataWindow.Table.Select"), engine->describe("DataWindow.Table.Select"));
}

TEST(Library, AnObjectWhoseDesignedSortOrFilterDoesNotCompileIsRefused)
{
    Engine engine;
    auto object = ObjectDefinition::parse("datawindow() table(column=(type=char(1) name=a) filter=\"b = 1\")", "f.srd");
    ASSERT_TRUE(object.ok());
    auto assigned = engine.set_object(std::move(*object));
    ASSERT_FALSE(assigned.ok());
    EXPECT_EQ(assigned.error(),
              "line 1, column 56: filter=\"b = 1\": Expression is not valid: 'b' is not a column or computed field at "
              "column 1");
    EXPECT_FALSE(engine.has_object());
}
