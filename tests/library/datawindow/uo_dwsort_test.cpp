// uo_dwnosort and uo_dwsort: the highlighted current row with its status text, and sorting
// on a header double-click.

#include "dw_fixture.h"

#include "host/value/functions.h"

#include <fmt/format.h>

using namespace hearth;
using namespace hearth::test;

namespace {

constexpr std::int32_t name_header_x = 300;
constexpr std::int32_t age_header_x = 600;
constexpr std::int32_t header_y = 30;
std::int32_t row_y(long row) { return 80 + static_cast<std::int32_t>(row - 1) * 80 + 40; }

std::vector<std::string> people(int count)
{
    std::vector<std::string> rows;
    for (int i = 1; i <= count; ++i) {
        // names out of order: n07, n14, n01, ...
        const int key = (i * 7) % count + 1;
        rows.push_back(fmt::format("P{:03}\tn{:02}\t{}\tstreet\tmemo\tfam\tother", i, key, 20 + (i % 5)));
    }
    return rows;
}

std::vector<std::string> column_values(DataWindowBase& dw, std::string_view column)
{
    std::vector<std::string> values;
    for (long row = 1; row <= dw.row_count(); ++row)
        values.push_back(dw.get_item_string(row, column).as_string());
    return values;
}

std::vector<long> selected_rows(DataWindowBase& dw)
{
    std::vector<long> rows;
    for (long row = 1; row <= dw.row_count(); ++row)
        if (dw.is_selected(row))
            rows.push_back(row);
    return rows;
}

using UoDwNoSort = DwTest;
using UoDwSort = DwTest;

TEST_F(UoDwNoSort, RegistrationFollowsTheClassTree)
{
    struct Case {
        const char* cls;
        const char* ancestor;
        std::vector<std::pair<int, std::string>> scripts;
    };
    const Case cases[] = {
        {"uo_dwnosort", "uo_dw", {{0, "create"}, {1, "destroy"}, {60, "rowfocuschanged"}}},
        {"uo_dwsort", "uo_dwnosort", {{0, "create"}, {1, "destroy"}, {40, "doubleclicked"}}},
        {"uo_dwform", "uo_dw", {{436, "ue_dwnkey"}, {0, "create"}, {1, "destroy"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cls);
        const ClassInfo* cls = registry.find(c.cls);
        ASSERT_NE(cls, nullptr);
        EXPECT_EQ(cls->ancestor(), registry.find(c.ancestor));
        ASSERT_EQ(cls->groups().size(), 1u);
        std::vector<std::pair<int, std::string>> scripts;
        for (const auto& s : cls->groups()[0].scripts)
            scripts.emplace_back(s.slot, s.name);
        EXPECT_EQ(scripts, c.scripts);
    }
    const SlotInfo* key = registry.find("uo_dwform")->slot(436);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->name, "ue_dwnkey");
}

TEST_F(UoDwNoSort, TheCurrentRowIsHighlightedAndItsPositionShown)
{
    open_main_window();
    auto& dw = make<uo_dwnosort>("uo_dwnosort", "d_person_list");
    load(dw, people(20));
    // The rows arrive as a retrieval: row 1 became current and was reported.
    EXPECT_EQ(status_texts(), std::vector<std::string>({"当前记录：1/20"}));
    status_texts().clear();
    dw.select_row(12, true);
    ASSERT_EQ(dw.set_row(3), 1);
    EXPECT_EQ(selected_rows(dw), std::vector<long>({3}));

    // The user clicks row 7.
    desktop.mouse_down(dw.ref(), 800, row_y(7));
    EXPECT_EQ(dw.get_row(), 7);
    EXPECT_EQ(selected_rows(dw), std::vector<long>({7}));
    EXPECT_EQ(status_texts(), std::vector<std::string>({"当前记录：3/20", "当前记录：7/20"}));
    EXPECT_EQ(error_codes(), std::vector<int>());
}

TEST_F(UoDwNoSort, WithoutAMainWindowTheStatusCallFails)
{
    auto& dw = make<uo_dwnosort>("uo_dwnosort", "d_person_list");
    load(dw, people(5));
    runtime.clear_error_log();
    dw.set_row(2);
    // The highlight is already set when the call through the null w_main fails.
    EXPECT_EQ(selected_rows(dw), std::vector<long>({2}));
    EXPECT_EQ(error_codes(), std::vector<int>({20502, 25015}));
    EXPECT_TRUE(status_texts().empty());

    // Reported handled, the call is skipped and the script completes.
    runtime.clear_error_log();
    runtime.set_error_hook([](const ErrorRecord&) { return ErrorHandling::Handled; });
    DispatchResult result = runtime.dispatch(dw.ref(), "rowfocuschanged", {Value(4)});
    EXPECT_EQ(result.outcome, Outcome::Completed);
    EXPECT_EQ(error_codes(), std::vector<int>({20502}));
    EXPECT_EQ(selected_rows(dw), std::vector<long>({4}));
}

TEST_F(UoDwSort, HeaderDoubleClicksToggleAscendingAndDescending)
{
    open_main_window();
    auto& dw = make<uo_dwsort>("uo_dwsort", "d_person_list");
    load(dw, people(6));
    dw.set_row(1);

    struct Step {
        const char* start; // criteria before the double-click ("" keeps what is there)
        std::int32_t x;
        const char* criteria;
        std::vector<std::string> first_names; // the first three names afterwards
    };
    const Step steps[] = {
        {"", name_header_x, "name A", {"n01", "n02", "n03"}},
        {"", name_header_x, "name D", {"n06", "n05", "n04"}},
        {"", name_header_x, "name A", {"n01", "n02", "n03"}},
        // another column first: ascending on the new one
        {"", age_header_x, "age A", {}},
        // sorted on two columns: the double-clicked column alone, ascending
        {"age A, name D", name_header_x, "name A", {"n01", "n02", "n03"}},
        {"name D", name_header_x, "name A", {"n01", "n02", "n03"}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.criteria);
        if (*step.start) {
            ASSERT_EQ(dw.set_sort(step.start), 1);
        }
        desktop.double_click(dw.ref(), step.x, header_y);
        EXPECT_EQ(dw.describe("DataWindow.Table.Sort"), step.criteria);
        if (!step.first_names.empty()) {
            const std::vector<std::string> names = column_values(dw, "name");
            EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 3), step.first_names);
        }
    }
    EXPECT_EQ(error_codes(), std::vector<int>());
}

TEST_F(UoDwSort, DoubleClicksThatDoNotSort)
{
    open_main_window();
    struct Case {
        const char* where;
        int rows;
        std::int32_t x;
        std::int32_t y;
    };
    const Case cases[] = {
        {"header of an empty list", 0, name_header_x, header_y},
        {"a detail row", 4, name_header_x, row_y(2)},
        {"the background below the rows", 4, name_header_x, row_y(7)},
        {"the header between the texts", 4, 215, header_y},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        auto& dw = make<uo_dwsort>("uo_dwsort", "d_person_list");
        load(dw, people(c.rows));
        if (c.rows > 0)
            dw.set_row(1);
        const std::vector<std::string> before = column_values(dw, "name");
        const std::string criteria = dw.describe("DataWindow.Table.Sort");
        desktop.double_click(dw.ref(), c.x, c.y);
        EXPECT_EQ(dw.describe("DataWindow.Table.Sort"), criteria);
        EXPECT_EQ(column_values(dw, "name"), before);
    }
    EXPECT_EQ(error_codes(), std::vector<int>());

    // Over no object the script ends with a bare RETURN: a null result.
    auto& dw = make<uo_dwsort>("uo_dwsort", "d_person_list");
    ObjectRef dwo = desktop.make_dwobject("datawindow", "detail", "datawindow");
    DispatchResult result
        = runtime.dispatch(dw.ref(), "doubleclicked", {Value::integer(1), Value::integer(1), Value(0), Value(dwo)});
    runtime.destroy(dwo);
    EXPECT_EQ(result.outcome, Outcome::Completed);
    EXPECT_TRUE(result.value.is_null());
}

TEST_F(UoDwSort, AHeaderWithoutTheSuffixFailsTheSort)
{
    open_main_window();
    auto& dw = make<uo_dwsort>("uo_dwsort", "d_person_list");
    load(dw, people(3));
    dw.set_row(1);
    // "hdr" gives the column "h", which SetSort refuses.
    desktop.double_click(dw.ref(), 700, header_y);
    EXPECT_EQ(error_codes(), std::vector<int>({25015}));
    EXPECT_EQ(dw.describe("DataWindow.Table.Sort"), "?");
}

} // namespace
