// Object sources as other applications export them (test data d_field_*.srd), and the
// messages that tell what went wrong in a source, a sort, a filter or an import.
#include "host/datawindow/value_text.h"
#include "host/value/utf8.h"
#include "test_support.h"

#include <fmt/format.h>

using namespace hearth;
using namespace hearth::dw;
using namespace hearth::dw::test;

namespace {

// What Syntax writes parses back to an object that writes the same.
void expect_syntax_round_trip(const Engine& engine)
{
    std::string syntax = engine.object().syntax();
    auto reparsed = ObjectDefinition::parse(syntax, "syntax.srd");
    ASSERT_TRUE(reparsed.ok()) << reparsed.error();
    EXPECT_EQ(reparsed->syntax(), syntax);
}

std::string column_texts(const Engine& engine, int column)
{
    std::string out;
    for (long row = 1; row <= engine.row_count(); ++row) {
        Value value = engine.get_item(row, column);
        out += value.is_null() ? std::string("null") : item_text(value);
        out += '|';
    }
    return out;
}

} // namespace

TEST(FieldSources, ReleaseWithADecimalPointAndUnknownAttributesAreKept)
{
    auto engine = engine_for("d_field_release");
    ASSERT_TRUE(engine->has_object());
    std::string syntax = engine->object().syntax();
    EXPECT_EQ(syntax.rfind("release 10.5;\n", 0), 0u) << syntax;
    // Unknown attributes of every kind come back as written: on the object, a band, a
    // column, the table, a control, and unknown items, with nested lists.
    for (const char* kept : {"richtext.margin=(10, 20, (30, 40))", "height.autosize=yes", "tooltip.text=(\"a\", \"b\")",
                             "storage.hint=(page, 4)", "pointer=arrow!(cross)", "tooltip.delay.initial=0",
                             "tree(indent=64 ", "import.xml()", "export.pdf(method=0 "})
        EXPECT_NE(syntax.find(kept), std::string::npos) << kept;
    EXPECT_EQ(engine->describe("DataWindow.Table.Select code_t.Text"),
              "PBSELECT( VERSION(400) TABLE(NAME=\"t\" ) COLUMN(NAME=\"t.code\") COLUMN(NAME=\"t.qty\"))\nCode");
    expect_syntax_round_trip(*engine);
}

TEST(FieldSources, StoredRowsFillPrimaryAndAreWrittenBack)
{
    auto engine = engine_for("d_field_rows");
    ASSERT_EQ(engine->row_count(), 4);
    EXPECT_EQ(column_texts(*engine, 1), "02|10|20|null|");
    EXPECT_EQ(column_texts(*engine, 2), "户主|配偶||子女 \"小\"|");
    EXPECT_EQ(column_texts(*engine, 3), "1.50|null|-0.25|3.00|");
    EXPECT_EQ(column_texts(*engine, 4), "1999-12-31|null|2001-01-02|null|"); // the cut last row ends in null
    EXPECT_EQ(engine->get_item_status(1, 0), ItemStatus::NotModified);
    EXPECT_EQ(engine->modified_count(), 0);
    std::string syntax = engine->object().syntax();
    EXPECT_NE(syntax.find("data(\"02\", \"户主\", 1.50, \"1999-12-31\", \"10\", \"配偶\", null, null, "),
              std::string::npos)
        << syntax;
    expect_syntax_round_trip(*engine);

    // The smallest stored section, one null row, and a value that does not fit its column.
    auto one = ObjectDefinition::parse("table(column=(type=long name=n)) data(null )", "one.srd");
    ASSERT_TRUE(one.ok()) << one.error();
    ASSERT_EQ(one->data_rows.size(), 1u);
    EXPECT_TRUE(one->data_rows[0][0].is_null());
    auto bad = ObjectDefinition::parse("table(column=(type=long name=n))\ndata(1, 2, x3, )", "bad.srd");
    ASSERT_FALSE(bad.ok());
    EXPECT_EQ(bad.error(), "bad.srd: line 2, column 12: row 3: 'x3' does not fit column n (long)");
}

TEST(FieldSources, TwoColumnsWithOneNameLoadAndAreReachedByNumber)
{
    auto engine = engine_for("d_field_dup");
    ASSERT_EQ(engine->column_count(), 3u);
    ASSERT_EQ(engine->import_file(data_dir() / "d_field_dup.txt"), 2);
    // The name reaches the first column; #n each of them.
    EXPECT_EQ(engine->get_item_string(2, "code").as_string(), "A2");
    EXPECT_EQ(engine->get_item_string(2, 3).as_string(), "second");
    EXPECT_EQ(engine->describe("code.dbName #3.dbName #3.Name #1.X #3.X"), "t.code\nt.code2\ncode\n9\n230");
    auto found = engine->find("code = 'A1' and #3 = 'first'", 1, 2);
    EXPECT_EQ(found, 1);
    expect_syntax_round_trip(*engine);
}

// Every message names what failed and where, quotes a short excerpt and is valid UTF-8.
TEST(Messages, SayWhatFailedAndWhereBriefly)
{
    const std::string long_name(200'000, 'x');
    const std::string bad_bytes = "\xe6\x88\xb7\xff\xfe";

    // A designed sort that does not compile is named as written.
    auto sorted = ObjectDefinition::parse("table(column=(type=long name=n)\n sort=\"n A, nosuch D\")", "s.srd");
    ASSERT_TRUE(sorted.ok());
    Engine engine;
    auto assigned = engine.set_object(std::move(*sorted));
    ASSERT_FALSE(assigned.ok());
    EXPECT_EQ(assigned.error(),
              "line 2, column 7: sort=\"n A, nosuch D\": sort key 2 'nosuch': Expression is not "
              "valid: 'nosuch' is not a column or computed field at column 1");

    auto persons = engine_for("d_person");
    struct Case {
        std::string what;
        std::string message;
        std::string expected_start;
    };
    auto failure = [](const Result<void>& result) { return result ? std::string("ok") : result.error(); };
    std::vector<Case> cases = {
        {"sort", failure(persons->set_sort_checked("name A, #9 D")),
         "bad sort criteria 'name A, #9 D': sort key 2: '#9' is not a column of the table"},
        {"filter", failure(persons->set_filter_checked("personnum > 1 and")),
         "bad filter expression 'personnum > 1 and': Expression is not valid: unexpected 'end of expression' at "
         "column 18"},
        {"long filter", failure(persons->set_filter_checked(long_name + " = 1")),
         "bad filter expression '" + std::string(60, 'x') + "...': Expression is not valid: '" + std::string(60, 'x')
             + "...' is not a column or computed field at column 1"},
        {"import", persons->import_string_checked("R1\tname\t3\nR2\tname\t" + bad_bytes + "\n").error,
         "line 2, field 3: '户\uFFFD\uFFFD' does not fit column personnum (long)"},
        {"import range", persons->import_string_checked("R1\n", 3).error,
         "no rows: the text has 1 lines, the import starts at line 3"},
        {"parser", error_text(ObjectDefinition::parse("datawindow() x" + bad_bytes + " ", "p.srd")),
         "p.srd: line 1, column 19: expected '(' after 'x户\uFFFD\uFFFD'"},
        {"parser keyword", error_text(ObjectDefinition::parse(long_name + bad_bytes, "k.srd")),
         "k.srd: line 1, column 200004: expected '(' after '" + std::string(60, 'x') + "...'"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.message.substr(0, c.expected_start.size()), c.expected_start) << c.what;
        EXPECT_LT(c.message.size(), 300u) << c.what;
        EXPECT_TRUE(utf8::is_valid(c.message)) << c.what;
    }
    EXPECT_EQ(persons->import_string("R1\tname\tx\n"), -4); // the documented code stays
}
