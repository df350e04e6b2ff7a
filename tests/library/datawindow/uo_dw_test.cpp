// uo_dw: registration, design-time look, input cleaning in itemchanged, AcceptText on focus
// loss, and the click that clears selected cells.

#include "dw_fixture.h"

#include "host/datawindow/row_store.h"
#include "host/value/functions.h"

using namespace hearth;
using namespace hearth::test;

namespace {

// Geometry of d_person_list: header 80 high, detail rows 80 high; column x positions.
constexpr std::int32_t header_height = 80;
constexpr std::int32_t row_height = 80;
std::int32_t row_y(long row) { return header_height + static_cast<std::int32_t>(row - 1) * row_height + 40; }

struct ColumnSpot {
    const char* name;
    std::int32_t x;
};
constexpr ColumnSpot columns[] = {{"personno", 100}, {"name", 300},        {"age", 600},       {"address", 800},
                                  {"memo", 1100},    {"FamilyNAME", 1400}, {"othername", 1600}};

std::int32_t column_x(std::string_view name)
{
    for (const ColumnSpot& c : columns)
        if (c.name == name)
            return c.x;
    ADD_FAILURE() << "no column " << name;
    return 0;
}

const std::vector<std::string> two_people
    = {"P001\told\t30\tstreet\tnote\tLi\tx", "P002\tWang\t41\troad\tmemo\tZhao\ty"};

using UoDw = DwTest;

TEST_F(UoDw, RegistersItsScriptsAsTheHostNumbersThem)
{
    const ClassInfo* cls = registry.find("uo_dw");
    ASSERT_NE(cls, nullptr);
    ASSERT_EQ(cls->ancestor(), registry.find("datawindow"));
    ASSERT_EQ(cls->groups().size(), 1u);
    EXPECT_EQ(cls->groups()[0].id, own_group);
    std::vector<std::pair<int, std::string>> scripts;
    for (const auto& s : cls->groups()[0].scripts)
        scripts.emplace_back(s.slot, s.name);
    const std::vector<std::pair<int, std::string>> expected
        = {{50, "losefocus"}, {0, "create"}, {1, "destroy"}, {47, "itemchanged"}, {36, "clicked"}};
    EXPECT_EQ(scripts, expected);
}

TEST_F(UoDw, DesignTimeProperties)
{
    auto& dw = make<uo_dw>("uo_dw", "d_person_list");
    EXPECT_EQ(dw.width, 686);
    EXPECT_EQ(dw.height, 400);
    EXPECT_EQ(dw.title, "none");
    EXPECT_TRUE(dw.livescroll);
    EXPECT_EQ(dw.borderstyle, BorderStyle::Lowered);
    EXPECT_EQ(static_cast<int>(dw.borderstyle), 5);
}

// The user clicks a cell of row 1, types, and presses Tab: what is stored.
TEST_F(UoDw, TypedValuesAreCleanedBeforeTheyAreStored)
{
    struct Case {
        const char* column;
        const char* typed;
        const char* stored;
    };
    const Case cases[] = {
        // single-line, no "name": trimmed only
        {"address", "  12  Long Road  ", "12  Long Road"},
        {"personno", " P9 ", "P9"},
        // multi-line, no "name": kept as typed
        {"memo", "  keep  these  blanks ", "  keep  these  blanks "},
        // single-line name column: trimmed, then every blank removed; the second write decides
        {"name", "  Zhang  San  ", "ZhangSan"},
        // upper-case NAME in the column name counts too
        {"FamilyNAME", " Ou Yang ", "OuYang"},
        // multi-line name column: blanks removed by the second write only
        {"othername", " a b c ", "abc"},
        // only the blank character goes; tabs stay
        {"name", "Zhang\tSan", "Zhang\tSan"},
        // nothing to clean
        {"name", "ZhangSan", "ZhangSan"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.column) + " <" + c.typed + ">");
        auto& dw = make<uo_dw>("uo_dw", "d_person_list");
        load(dw, two_people);
        desktop.mouse_down(dw.ref(), column_x(c.column), row_y(1));
        desktop.mouse_up(dw.ref(), column_x(c.column), row_y(1));
        ASSERT_EQ(dw.get_column_name(), lower_name(c.column));
        ASSERT_EQ(desktop.type_text(c.typed), 1);
        desktop.key_down(key_tab);
        EXPECT_FALSE(dw.has_pending_edit());
        EXPECT_EQ(dw.get_item_string(1, c.column).as_string(), c.stored);
        EXPECT_EQ(error_codes(), std::vector<int>());
    }
}

TEST_F(UoDw, NumberColumnsKeepTheHostsOwnConversion)
{
    // The trimmed text cannot be written into a long column (SetItem answers -1); the host
    // then stores the edit as a number, and no runtime error is raised.
    auto& dw = make<uo_dw>("uo_dw", "d_person_list");
    load(dw, two_people);
    desktop.mouse_down(dw.ref(), column_x("age"), row_y(2));
    ASSERT_EQ(desktop.type_text("57"), 1);
    desktop.key_down(key_tab);
    EXPECT_EQ(fn::to_string(dw.get_item_number(2, "age")).as_string(), "57");
    EXPECT_EQ(error_codes(), std::vector<int>());
}

// itemchanged raised directly on a retrieved row: which columns the script writes at all.
TEST_F(UoDw, ItemchangedWritesOnlyWhatItCleans)
{
    struct Case {
        const char* column;
        const char* data;
        bool written;
        const char* value; // the buffer afterwards
    };
    const Case cases[] = {
        {"memo", " x y ", false, "note"},    // multi-line, no "name": no SetItem
        {"othername", "Zhao", true, "Zhao"}, // name without blanks: still written once
        {"address", "road", true, "road"},   // single-line: the trimmed write
        {"name", " A B ", true, "AB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.column);
        auto& dw = make<uo_dw>("uo_dw", "d_person_list");
        load(dw, two_people);
        ObjectRef dwo = desktop.make_dwobject(c.column, "detail", "column");
        DispatchResult result = runtime.dispatch(dw.ref(), "itemchanged", {Value(1), Value(dwo), Value(c.data)});
        runtime.destroy(dwo);
        EXPECT_EQ(result.outcome, Outcome::Completed);
        const dw::Engine& engine = EngineAccess::engine(dw);
        EXPECT_EQ(engine.is_item_modified(1, engine.object().column_index(c.column) + 1), c.written);
        EXPECT_EQ(dw.get_item_string(1, c.column).as_string(), c.value);
    }
}

TEST_F(UoDw, ItemchangedFailures)
{
    auto& dw = make<uo_dw>("uo_dw", "d_person_list");
    load(dw, two_people);

    // Describe of a column the object does not have: a failed host call.
    ObjectRef dwo = desktop.make_dwobject("nosuchcolumn", "detail", "column");
    DispatchResult result = runtime.dispatch(dw.ref(), "itemchanged", {Value(1), Value(dwo), Value("x")});
    runtime.destroy(dwo);
    EXPECT_EQ(result.outcome, Outcome::Failed);
    EXPECT_TRUE(result.value.is_null());
    EXPECT_EQ(error_codes(), std::vector<int>({25015}));

    // A null dwo: 20502, then the script fails with 25015.
    runtime.clear_error_log();
    result = runtime.dispatch(dw.ref(), "itemchanged", {Value(1), Value::null_of(Type::Object), Value("x")});
    EXPECT_EQ(result.outcome, Outcome::Failed);
    EXPECT_EQ(error_codes(), std::vector<int>({20502, 25015}));

    // A row that does not exist: the first SetItem fails the script.
    runtime.clear_error_log();
    dwo = desktop.make_dwobject("address", "detail", "column");
    result = runtime.dispatch(dw.ref(), "itemchanged", {Value(9), Value(dwo), Value(" x ")});
    runtime.destroy(dwo);
    EXPECT_EQ(result.outcome, Outcome::Failed);
    EXPECT_EQ(error_codes(), std::vector<int>({25015}));
}

TEST_F(UoDw, LosingTheFocusAcceptsThePendingEdit)
{
    auto& first = make<uo_dw>("uo_dw", "d_person_list");
    auto& second = make<uo_dw>("uo_dw", "d_person_list");
    load(first, two_people);
    load(second, two_people);
    desktop.mouse_down(first.ref(), column_x("name"), row_y(2));
    ASSERT_EQ(desktop.type_text(" Li  Bai "), 1);
    ASSERT_TRUE(first.has_pending_edit());
    EXPECT_EQ(first.get_item_string(2, "name").as_string(), "Wang");

    // The user clicks into the other control: the edit is accepted and cleaned.
    desktop.mouse_down(second.ref(), column_x("address"), row_y(1));
    EXPECT_TRUE(desktop.focus().same_as(second.ref()));
    EXPECT_FALSE(first.has_pending_edit());
    EXPECT_EQ(first.get_item_string(2, "name").as_string(), "LiBai");

    // Nothing pending: losing the focus stores nothing.
    desktop.mouse_down(first.ref(), column_x("address"), row_y(1));
    EXPECT_EQ(second.get_item_string(1, "address").as_string(), "street");
    EXPECT_FALSE(EngineAccess::engine(second).is_item_modified(1, 4));
}

TEST_F(UoDw, ClickingClearsSelectedCellsButNotRowHighlights)
{
    const std::string nothing_selected = [&] {
        auto& fresh = make<uo_dw>("uo_dw", "d_person_list");
        return fresh.describe("DataWindow.Selected");
    }();
    struct Case {
        const char* where;
        std::int32_t x;
        std::int32_t y;
    };
    const Case cases[] = {
        {"background below the rows", 300, row_y(5)},
        {"a cell", column_x("address"), row_y(1)},
        {"the header", column_x("name"), 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        auto& dw = make<uo_dw>("uo_dw", "d_person_list");
        load(dw, two_people);
        dw.select_row(2, true);
        ASSERT_EQ(dw.modify("DataWindow.Selected='1/2/name/address'"), "");
        ASSERT_NE(dw.describe("DataWindow.Selected"), nothing_selected);
        desktop.mouse_down(dw.ref(), c.x, c.y);
        EXPECT_EQ(dw.describe("DataWindow.Selected"), nothing_selected);
        EXPECT_TRUE(dw.is_selected(2));
    }
}

} // namespace
