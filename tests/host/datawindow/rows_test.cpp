// Rows and buffers: InsertRow, DeleteRow, RowsCopy/Move/Discard, Reset, statuses,
// current row and its focus callback, selection.
#include "test_support.h"

#include "host/value/runtime_error.h"

using namespace hearth;
using namespace hearth::dw;
using namespace hearth::dw::test;

namespace {

std::vector<std::string> keys(Engine& engine, Buffer buffer = Buffer::Primary)
{
    std::vector<std::string> out;
    for (long row = 1; row <= engine.count(buffer); ++row) {
        Value value = engine.get_item(row, "rprno", buffer);
        out.push_back(value.is_null() ? "null" : value.as_string());
    }
    return out;
}

} // namespace

TEST(Rows, InsertRowAppendsWithZeroAndInsertsBeforeARow)
{
    auto engine = retrieved_persons();
    EXPECT_EQ(engine->insert_row(0), 4);
    EXPECT_EQ(engine->insert_row(1), 1);
    EXPECT_EQ(engine->insert_row(5), 5); // before the last row
    EXPECT_EQ(engine->row_count(), 6);
    EXPECT_EQ(keys(*engine), (std::vector<std::string> {"null", "R1001", "R1002", "R0999", "null", "null"}));
    EXPECT_EQ(engine->insert_row(-1), -1);
    EXPECT_EQ(engine->insert_row(7), -1); // only 0 appends
}

TEST(Rows, InsertedRowIsNewWithInitialValuesUntilAnItemIsSet)
{
    auto engine = retrieved_persons();
    long row = engine->insert_row(0);
    EXPECT_EQ(engine->get_item_status(row, 0), ItemStatus::New);
    EXPECT_EQ(engine->get_item(row, "personnum"), Value(1));
    EXPECT_EQ(engine->get_item(row, "issave"), Value("0"));
    EXPECT_TRUE(engine->get_item(row, "name").is_null());
    EXPECT_EQ(engine->modified_count(), 0);
    EXPECT_EQ(engine->set_item(row, "name", Value("New")), 1);
    EXPECT_EQ(engine->get_item_status(row, 0), ItemStatus::NewModified);
    EXPECT_EQ(engine->get_item_status(row, 2), ItemStatus::DataModified);
    EXPECT_EQ(engine->get_item_status(row, 1), ItemStatus::NotModified);
    EXPECT_EQ(engine->modified_count(), 1);
}

TEST(Rows, InsertRowKeepsTheCurrentRowOnItsRecord)
{
    auto engine = retrieved_persons();
    ASSERT_EQ(engine->set_row(2), 1);
    engine->insert_row(0);
    EXPECT_EQ(engine->get_row(), 2);
    engine->insert_row(1); // rows shift down; the current record follows
    EXPECT_EQ(engine->get_row(), 3);
    EXPECT_EQ(engine->get_item(3, "rprno"), Value("R1002"));
}

TEST(Rows, DeleteRowMovesToTheDeleteBufferAndZeroMeansTheCurrentRow)
{
    auto engine = retrieved_persons();
    ASSERT_EQ(engine->set_row(2), 1);
    EXPECT_EQ(engine->delete_row(0), 1);
    EXPECT_EQ(keys(*engine), (std::vector<std::string> {"R1001", "R0999"}));
    EXPECT_EQ(keys(*engine, Buffer::Delete), (std::vector<std::string> {"R1002"}));
    EXPECT_EQ(engine->deleted_count(), 1);
    EXPECT_EQ(engine->get_row(), 2);
    EXPECT_EQ(engine->delete_row(3), -1);
    EXPECT_EQ(engine->delete_row(-1), -1);
    EXPECT_EQ(engine->delete_row(2), 1);
    EXPECT_EQ(engine->get_row(), 1); // the last row went, the current row moves up
}

TEST(Rows, DeleteRowOfAnObjectWithoutUpdateTableDiscardsTheRow)
{
    auto engine = retrieved_persons();
    ASSERT_EQ(engine->modify("DataWindow.Table.UpdateTable=''"), "");
    EXPECT_EQ(engine->delete_row(1), 1);
    EXPECT_EQ(engine->deleted_count(), 0);
    EXPECT_EQ(engine->row_count(), 2);
}

TEST(Rows, OriginalValuesStayForUpdateWhileCurrentValuesChange)
{
    auto engine = retrieved_persons();
    EXPECT_EQ(engine->get_item_status(1, 0), ItemStatus::NotModified);
    EXPECT_EQ(engine->set_item(1, "name", Value("王五")), 1);
    EXPECT_EQ(engine->set_item(1, "name", Value("赵六")), 1);
    EXPECT_EQ(engine->get_item(1, "name"), Value("赵六"));
    EXPECT_EQ(engine->get_item(1, "name", Buffer::Primary, true), Value("张三"));
    EXPECT_EQ(engine->get_item(1, "rprno", Buffer::Primary, true), Value("R1001"));
    EXPECT_EQ(engine->get_item_status(1, 0), ItemStatus::DataModified);
    EXPECT_TRUE(engine->is_item_modified(1, 2));
    EXPECT_FALSE(engine->is_item_modified(1, 1));
    // The original survives a move to Delete! (DELETE ... WHERE uses it).
    engine->delete_row(1);
    EXPECT_EQ(engine->get_item(1, "name", Buffer::Delete, true), Value("张三"));
    EXPECT_EQ(engine->reset_update(), 1);
    EXPECT_EQ(engine->deleted_count(), 0);
}

TEST(Rows, ResetUpdateClearsFlagsButNewRowsStayNew)
{
    auto engine = retrieved_persons();
    engine->set_item(1, "personnum", Value(7));
    long fresh = engine->insert_row(0);
    long filled = engine->insert_row(0);
    engine->set_item(filled, "rprno", Value("R2000"));
    EXPECT_EQ(engine->get_next_modified(0, Buffer::Primary), 1);
    EXPECT_EQ(engine->get_next_modified(1, Buffer::Primary), filled);
    EXPECT_EQ(engine->reset_update(), 1);
    EXPECT_EQ(engine->get_item_status(1, 0), ItemStatus::NotModified);
    EXPECT_EQ(engine->get_item_status(fresh, 0), ItemStatus::New);
    EXPECT_EQ(engine->get_item_status(filled, 0), ItemStatus::NotModified);
    EXPECT_FALSE(engine->is_item_modified(1, 3));
    EXPECT_EQ(engine->get_item(1, "personnum", Buffer::Primary, true), Value(7));
    EXPECT_EQ(engine->get_next_modified(0, Buffer::Primary), 0);
}

TEST(Rows, SetItemStatusFollowsTheRuntimesTable)
{
    struct Case {
        ItemStatus from;
        ItemStatus to;
        int result;
        ItemStatus becomes;
    };
    const Case cases[] = {
        {ItemStatus::New, ItemStatus::NewModified, 1, ItemStatus::NewModified},
        {ItemStatus::New, ItemStatus::DataModified, 1, ItemStatus::DataModified},
        {ItemStatus::New, ItemStatus::NotModified, 1, ItemStatus::New},
        {ItemStatus::NewModified, ItemStatus::New, -1, ItemStatus::NewModified},
        {ItemStatus::NewModified, ItemStatus::DataModified, 1, ItemStatus::DataModified},
        {ItemStatus::NewModified, ItemStatus::NotModified, 1, ItemStatus::New},
        {ItemStatus::DataModified, ItemStatus::New, 1, ItemStatus::NewModified},
        {ItemStatus::DataModified, ItemStatus::NewModified, 1, ItemStatus::NewModified},
        {ItemStatus::DataModified, ItemStatus::NotModified, 1, ItemStatus::NotModified},
        {ItemStatus::NotModified, ItemStatus::New, 1, ItemStatus::New},
        {ItemStatus::NotModified, ItemStatus::NewModified, 1, ItemStatus::NewModified},
        {ItemStatus::NotModified, ItemStatus::DataModified, 1, ItemStatus::DataModified},
    };
    for (const Case& c : cases) {
        auto engine = retrieved_persons();
        // Bring row 1 into the starting status through real operations.
        switch (c.from) {
        case ItemStatus::New: engine->insert_row(1); break;
        case ItemStatus::NewModified:
            engine->insert_row(1);
            engine->set_item(1, 1, Value("X"));
            break;
        case ItemStatus::DataModified: engine->set_item(1, 2, Value("X")); break;
        case ItemStatus::NotModified: break;
        }
        ASSERT_EQ(engine->get_item_status(1, 0), c.from);
        SCOPED_TRACE(static_cast<int>(c.from) * 10 + static_cast<int>(c.to));
        EXPECT_EQ(engine->set_item_status(1, 0, Buffer::Primary, c.to), c.result);
        EXPECT_EQ(engine->get_item_status(1, 0), c.becomes);
        if (c.result == 1) {
            EXPECT_FALSE(engine->is_item_modified(1, 2)); // a row status change resets the columns
        }
    }
}

TEST(Rows, ItemStatusOfAColumnIsOnlyModifiedOrNot)
{
    auto engine = retrieved_persons();
    EXPECT_EQ(engine->set_item_status(1, 3, Buffer::Primary, ItemStatus::DataModified), 1);
    EXPECT_EQ(engine->get_item_status(1, 0), ItemStatus::DataModified);
    EXPECT_EQ(engine->set_item_status(1, 3, Buffer::Primary, ItemStatus::New), -1);
    EXPECT_EQ(engine->set_item_status(1, 3, Buffer::Primary, ItemStatus::NotModified), 1);
    EXPECT_FALSE(engine->is_item_modified(1, 3));
    EXPECT_EQ(engine->set_item_status(9, 0, Buffer::Primary, ItemStatus::New), -1);
    EXPECT_EQ(engine->set_item_status(1, 9, Buffer::Primary, ItemStatus::NotModified), -1);
}

TEST(Rows, RowsCopyBetweenEnginesMakesNewModifiedCopies)
{
    auto source = retrieved_persons();
    auto target = retrieved_persons();
    EXPECT_EQ(source->rows_copy(2, 3, Buffer::Primary, *target, 2, Buffer::Primary), 1);
    EXPECT_EQ(keys(*target), (std::vector<std::string> {"R1001", "R1002", "R0999", "R1002", "R0999"}));
    EXPECT_EQ(target->get_item_status(2, 0), ItemStatus::NewModified);
    EXPECT_EQ(target->get_item_status(4, 0), ItemStatus::NotModified);
    EXPECT_EQ(source->row_count(), 3);
    // before beyond the end appends; end beyond the end stops at the last row
    EXPECT_EQ(source->rows_copy(3, 99, Buffer::Primary, *target, 100, Buffer::Primary), 1);
    EXPECT_EQ(target->get_item(6, "rprno"), Value("R0999"));
    EXPECT_EQ(target->row_count(), 6);
    // A copy is independent of its source.
    source->set_item(3, "name", Value("changed"));
    EXPECT_EQ(target->get_item(6, "name"), Value("wang wu"));
}

TEST(Rows, RowsCopyRefusesBadRowsAndUnlikeColumns)
{
    auto source = retrieved_persons();
    auto target = retrieved_persons();
    EXPECT_EQ(source->rows_copy(0, 1, Buffer::Primary, *target, 1, Buffer::Primary), -1);
    EXPECT_EQ(source->rows_copy(4, 4, Buffer::Primary, *target, 1, Buffer::Primary), -1);
    EXPECT_EQ(source->rows_copy(2, 1, Buffer::Primary, *target, 1, Buffer::Primary), -1);
    EXPECT_EQ(source->rows_copy(1, 1, Buffer::Primary, *target, 0, Buffer::Primary), -1);
    EXPECT_EQ(source->rows_copy(1, 1, Buffer::Delete, *target, 1, Buffer::Primary), -1);
    Engine other;
    auto object = ObjectDefinition::parse("datawindow() table(column=(type=long name=a))", "t.srd");
    ASSERT_TRUE(object.ok());
    ASSERT_TRUE(other.set_object(std::move(*object)).ok());
    EXPECT_EQ(source->rows_copy(1, 1, Buffer::Primary, other, 1, Buffer::Primary), -1);
    EXPECT_EQ(target->row_count(), 3);
}

TEST(Rows, RowsCopyWithinOneEngineAndIntoOtherBuffers)
{
    auto engine = retrieved_persons();
    EXPECT_EQ(engine->rows_copy(1, 3, Buffer::Primary, *engine, 1, Buffer::Primary), 1);
    EXPECT_EQ(keys(*engine), (std::vector<std::string> {"R1001", "R1002", "R0999", "R1001", "R1002", "R0999"}));
    EXPECT_EQ(engine->rows_copy(1, 1, Buffer::Primary, *engine, 1, Buffer::Filter), 1);
    EXPECT_EQ(engine->filtered_count(), 1);
    EXPECT_EQ(engine->get_item(1, "rprno", Buffer::Filter), Value("R1001"));
}

TEST(Rows, RowsMoveAndDiscard)
{
    auto source = retrieved_persons();
    auto target = retrieved_persons();
    EXPECT_EQ(source->rows_move(1, 2, Buffer::Primary, *target, 1, Buffer::Primary), 1);
    EXPECT_EQ(keys(*source), (std::vector<std::string> {"R0999"}));
    EXPECT_EQ(target->row_count(), 5);
    source->delete_row(1);
    EXPECT_EQ(source->rows_discard(1, 1, Buffer::Delete), 1);
    EXPECT_EQ(source->deleted_count(), 0);
    EXPECT_EQ(source->rows_discard(1, 1, Buffer::Delete), -1);
}

TEST(Rows, ResetEmptiesEveryBuffer)
{
    auto engine = retrieved_persons();
    engine->delete_row(1);
    engine->set_filter("personnum > 1");
    engine->filter();
    EXPECT_EQ(engine->reset(), 1);
    EXPECT_EQ(engine->row_count() + engine->deleted_count() + engine->filtered_count(), 0);
    EXPECT_EQ(engine->get_row(), 0);
    EXPECT_EQ(engine->insert_row(0), 1);
}

TEST(Rows, CurrentRowAndTheFocusCallback)
{
    auto engine = engine_for("d_person");
    std::vector<long> focus;
    engine->set_row_focus_changed([&](long row) { focus.push_back(row); });
    EXPECT_EQ(engine->get_row(), 0);
    EXPECT_EQ(engine->set_row(1), -1);
    EXPECT_EQ(engine->scroll_to_row(1), -1);
    EXPECT_EQ(engine->import_file(data_dir() / "d_person.txt"), 5);
    EXPECT_EQ(engine->get_row(), 1); // rows arrived: the first becomes current
    EXPECT_EQ(engine->set_row(3), 1);
    EXPECT_EQ(engine->set_row(3), 1); // no change, no event
    EXPECT_EQ(engine->set_row(0), -1);
    EXPECT_EQ(engine->set_row(6), -1);
    EXPECT_EQ(engine->scroll_to_row(0), 1);
    EXPECT_EQ(engine->scroll_to_row(99), 5);
    EXPECT_EQ(engine->delete_row(0), 1); // the current (last) row goes
    EXPECT_EQ(engine->get_row(), 4);
    EXPECT_EQ(engine->set_row(2), 1);
    EXPECT_EQ(engine->delete_row(2), 1); // the current row is replaced by the next one
    EXPECT_EQ(engine->get_row(), 2);
    EXPECT_EQ(focus, (std::vector<long> {1, 3, 1, 5, 4, 2, 2}));
}

TEST(Rows, SelectRowHighlightsOneOrAllRows)
{
    auto engine = retrieved_persons();
    EXPECT_EQ(engine->select_row(2, SelectFlag::On), 1);
    EXPECT_TRUE(engine->is_selected(2));
    EXPECT_FALSE(engine->is_selected(1));
    EXPECT_EQ(engine->select_row(0, SelectFlag::On), 1);
    EXPECT_EQ(engine->get_selected_row(0), 1);
    EXPECT_EQ(engine->select_row(0, SelectFlag::Off), 1);
    EXPECT_EQ(engine->get_selected_row(0), 0);
    EXPECT_EQ(engine->select_row(4, SelectFlag::On), -1);
    EXPECT_EQ(engine->select_row(-1, SelectFlag::On), -1);
    EXPECT_FALSE(engine->is_selected(0));
    EXPECT_FALSE(engine->is_selected(4));
    // The highlight stays with its row through a sort.
    engine->select_row(1, SelectFlag::On); // R1001
    engine->set_sort("rprno A");
    engine->sort();
    EXPECT_TRUE(engine->is_selected(2));
    EXPECT_FALSE(engine->is_selected(1));
}

// SelectRow(0, false) clears rows however they were highlighted, and leaves a filtered-out
// row's highlight for when it comes back.
TEST(Rows, DeselectingAllClearsEveryHighlight)
{
    auto engine = retrieved_persons();
    for (long row : {1, 3, 1})
        engine->select_row(row, SelectFlag::On);
    engine->select_row(1, SelectFlag::Off);
    engine->select_row(1, SelectFlag::On);
    EXPECT_EQ(engine->select_row(0, SelectFlag::Off), 1);
    EXPECT_EQ(engine->get_selected_row(0), 0);
    engine->select_row(0, SelectFlag::On);
    engine->select_row(2, SelectFlag::Off);
    engine->select_row(0, SelectFlag::Off);
    EXPECT_EQ(engine->get_selected_row(0), 0);

    engine->select_row(1, SelectFlag::On); // R1001
    engine->select_row(2, SelectFlag::On);
    engine->set_filter("rprno <> 'R1001'");
    engine->filter();
    EXPECT_EQ(engine->select_row(0, SelectFlag::Off), 1);
    EXPECT_EQ(engine->get_selected_row(0), 0);
    engine->set_filter("");
    engine->filter();
    EXPECT_EQ(engine->get_selected_row(0), engine->find("rprno = 'R1001'", 1, engine->row_count()));
}

TEST(Rows, OperationsWithoutAnObjectAnswerAsTheRuntimeDoes)
{
    Engine engine;
    EXPECT_EQ(engine.insert_row(0), -1);
    EXPECT_EQ(engine.delete_row(0), -1);
    EXPECT_EQ(engine.select_row(1, SelectFlag::On), 1);
    EXPECT_EQ(engine.set_filter("1 = 1"), -1);
    EXPECT_EQ(engine.get_item_string(1, 1), Value(""));
    EXPECT_EQ(engine.get_item_number(1, 1), Value::null_of(Type::Double));
    EXPECT_EQ(engine.get_item_date(1, 1), Value::null_of(Type::Date));
    EXPECT_EQ(engine.row_count(), 0);
    EXPECT_EQ(engine.describe("DataWindow.Column.Count"), "!");
}
