// What the scenarios of the toolbar's dialogs cannot reach: filter values that would break a
// quoted literal, previews longer than a page, and a damaged or shared settings file.

#include "app/w_filter.h"
#include "app/w_print_preview.h"
#include "app/w_setshow.h"
#include "host/datawindow/object.h"
#include "host/object/runtime.h"
#include "host/ui/desktop.h"
#include "host/ui/register.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using namespace hearth;

class DialogsTest : public ::testing::Test {
protected:
    DialogsTest() { EXPECT_TRUE(register_ui_classes(registry)); }

    // d_ge_rpr with one row per host name.
    void households(const std::vector<std::string>& names)
    {
        ASSERT_EQ(rows.set_dataobject("d_ge_rpr"), 1) << rows.load_error();
        for (const std::string& name : names)
            rows.set_item(rows.insert_row(0), "hostname", Value(name));
    }

    ClassRegistry registry;
    Runtime runtime {registry};
    Desktop desktop {runtime, dw::ObjectLibrary({fs::path(HEARTH_SOURCE_DIR) / "app/objects"})};
    DataStore rows;
};

TEST_F(DialogsTest, FilterValuesStayValues)
{
    const std::vector<std::string> hostile {"O'Brien", "a~'b", "x' or '1'='1", "~", "end~", "tab\there", "\"q\""};
    households(hostile);
    for (const std::string& value : hostile) {
        auto expression = filter_expression("hostname", "户主姓名", "char(40)", "=", value);
        ASSERT_TRUE(expression) << expression.error();
        ASSERT_EQ(rows.set_filter(*expression), 1) << *expression;
        ASSERT_EQ(rows.filter(), 1);
        ASSERT_EQ(rows.row_count(), 1) << *expression;
        EXPECT_EQ(rows.get_item_string(1, "hostname").as_string(), value);
        // Contains and like quote the same way.
        for (const char* op : {"contains", "LIKE"}) {
            expression = filter_expression("hostname", "户主姓名", "char(40)", op, value);
            ASSERT_TRUE(expression);
            EXPECT_EQ(rows.set_filter(*expression), 1) << *expression;
        }
    }
    // Numbers and dates are checked before they reach the expression.
    EXPECT_EQ(filter_expression("personnum", "人数", "long", ">=", "3 or 1=1").error(), "「人数」要填数字。");
    EXPECT_EQ(*filter_expression("personnum", "人数", "long", ">=", " 3 "), "personnum >= 3");
    EXPECT_FALSE(filter_expression("regdate", "登记日期", "date", "<", "2020-13-01"));
    EXPECT_EQ(*filter_expression("regdate", "登记日期", "date", "<", "2020-12-01"),
              "date(regdate) < date('2020-12-01')");
    EXPECT_FALSE(filter_expression("hostname", "户主姓名", "char(40)", "; drop", "x"));
}

// A list as d_ge_rpr draws it (header 80, detail 88, margins 96 top and bottom) with `rows`
// rows, a summary band of `summary` and the print settings `print`.
long pages_of(long rows, long summary, const std::string& print = {})
{
    const std::string source
        = "release 10;\ndatawindow(units=0 processing=1 print.margin.top=96 print.margin.bottom=96 " + print
        + ")\nheader(height=80)\nsummary(height=" + std::to_string(summary)
        + ")\nfooter(height=0)\ndetail(height=88)\ntable(column=(type=char(10) name=a dbname=\"a\"))\n";
    auto object = dw::ObjectDefinition::parse(source, "pages.srd");
    EXPECT_TRUE(object) << object.error();
    DataStore list;
    if (!object || list.set_dataobject(std::move(*object)) != 1)
        return -1;
    for (long i = 0; i < rows; ++i)
        list.insert_row(0);
    return preview_page_count(list);
}

TEST_F(DialogsTest, PreviewCountsPagesOfItsPaper)
{
    // An A4 page upright holds (4490 - 192 - 80) / 88 = 47 rows, on its side
    // (3174 - 192 - 80) / 88 = 32; A3 upright (6349 - 272) / 88 = 69.
    EXPECT_EQ(pages_of(0, 0), 1); // an empty list still prints its header
    EXPECT_EQ(pages_of(47, 0), 1);
    EXPECT_EQ(pages_of(48, 0), 2);
    EXPECT_EQ(pages_of(32, 0, "print.orientation=1"), 1);
    EXPECT_EQ(pages_of(33, 0, "print.orientation=1"), 2);
    EXPECT_EQ(pages_of(69, 0, "print.paper.size=8"), 1);
    EXPECT_EQ(pages_of(70, 0, "print.paper.size=8"), 2);
    // The summary follows the last row, on a page of its own when the last page is full.
    EXPECT_EQ(pages_of(48, 600), 2);
    EXPECT_EQ(pages_of(47 + 41, 600), 2);
    EXPECT_EQ(pages_of(47 + 42, 600), 3);
}

TEST_F(DialogsTest, SettingsFileKeepsOtherUsersAndSkipsDamage)
{
    const fs::path folder = fs::temp_directory_path() / ("hearth_dialogs_" + std::to_string(::getpid()));
    fs::remove_all(folder);
    ColumnSettings settings(folder / "hearth" / "column_settings.tsv");
    ASSERT_TRUE(settings.keep("u1", "d_ge_rpr", {{"hostname", "户主", true}, {"rprno", "户号", false}}));
    ASSERT_TRUE(settings.keep("u2", "d_ge_rpr", {{"rprno", "编号", true}}));
    std::ofstream(folder / "hearth" / "column_settings.tsv", std::ios::app) << "u1\td_ge_rpr\tbroken\n";
    ASSERT_TRUE(settings.keep("u1", "D_GE_RPR", {{"hostname", "户主", true}, {"rprno", "户号", false}}));

    const auto kept = settings.of("u1", "d_ge_rpr");
    ASSERT_TRUE(kept);
    ASSERT_EQ(kept->size(), 2u);
    EXPECT_EQ((*kept)[0].title, "户主");
    EXPECT_FALSE((*kept)[1].visible);
    EXPECT_EQ(settings.of("u2", "d_ge_rpr")->at(0).title, "编号");
    EXPECT_FALSE(settings.keep("u1", "d_ge_rpr", {{"hostname", "two\tcells", true}}));
    EXPECT_EQ(settings.of("u1", "d_ge_rpr")->at(0).title, "户主");

    // Applied to a grid: the kept order, titles and visibility; columns not named follow.
    households({"赵"});
    settings.apply(rows, "u1");
    const std::vector<ShownColumn> shown = shown_columns(rows);
    ASSERT_GE(shown.size(), 3u);
    EXPECT_EQ(shown[0].name, "hostname");
    EXPECT_EQ(shown[1].name, "rprno");
    EXPECT_FALSE(shown[1].visible);
    EXPECT_EQ(shown[2].name, "rprtype");
    EXPECT_EQ(rows.describe("hostname_t.text"), "户主");
    fs::remove_all(folder);
}

} // namespace
