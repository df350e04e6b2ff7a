// Text items share one arena per column: edits, copies within the column and dropped loads
// must leave every other item as it was.
#include "host/datawindow/row_store.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace hearth::dw;

namespace {

void expect_items(const ColumnValues& column, const std::vector<std::string>& expected)
{
    ASSERT_EQ(column.size(), expected.size());
    for (Slot slot = 0; slot < expected.size(); ++slot)
        EXPECT_EQ(column.string(slot), expected[slot]) << "slot " << slot;
}

TEST(RowStoreText, EditsAndCopiesKeepTheOtherItems)
{
    ColumnValues column(Storage::String);
    std::vector<std::string> expected = {"alpha", "be", "", "居民12345", "delta"};
    for (const std::string& text : expected)
        column.append_string(text);

    struct Edit {
        Slot slot;
        int from; // copy this slot's item, or -1 to set `text`
        std::string text;
    };
    const Edit edits[] = {
        {1, -1, "b"}, // shorter: written in place
        {1, -1, "a longer text than before"},
        {2, 3, ""}, // longer, from an item of the same column
        {3, 1, ""}, // longer again, the arena grows under the source
        {0, 0, ""}, // onto itself
        {4, -1, ""},
    };
    for (const Edit& edit : edits) {
        if (edit.from < 0) {
            column.set_string(edit.slot, edit.text);
            expected[edit.slot] = edit.text;
        } else {
            column.copy_item(edit.slot, column, Slot(edit.from));
            expected[edit.slot] = expected[std::size_t(edit.from)];
        }
        expect_items(column, expected);
    }

    column.set_null(3);
    EXPECT_TRUE(column.is_null(3));
    expected[3].clear();
    expect_items(column, expected);
    column.copy_item(0, column, 3); // a null copies as null
    EXPECT_TRUE(column.is_null(0));
    column.set_string(3, "back");
    EXPECT_FALSE(column.is_null(3));
    expected[0].clear();
    expected[3] = "back";
    expect_items(column, expected);
}

TEST(RowStoreText, RewritingItemsManyTimesKeepsThemIntact)
{
    // Enough growth that the dead text is dropped from the arena many times over.
    ColumnValues column(Storage::String);
    std::vector<std::string> expected;
    for (int i = 0; i < 50; ++i) {
        expected.push_back("item " + std::to_string(i));
        column.append_string(expected.back());
    }
    for (int round = 0; round < 200; ++round) {
        const Slot slot = Slot(round * 7 % 50);
        expected[slot] = std::string(std::size_t(round % 40), char('a' + round % 26)) + std::to_string(round);
        column.set_string(slot, expected[slot]);
    }
    expect_items(column, expected);
}

TEST(RowStoreText, DroppedLoadLeavesEarlierRows)
{
    TableColumn name;
    name.name = "name";
    name.type = ColumnType {ColumnKind::Char, 20};
    RowStore rows({name});
    rows.column(0).append_string("kept");
    rows.add_appended(1, ItemStatus::NotModified);
    rows.column(0).append_string("dropped");
    rows.column(0).append_null();
    rows.drop_appended();
    rows.column(0).append_string("next");
    EXPECT_EQ(rows.add_appended(1, ItemStatus::NotModified), 1u);
    expect_items(rows.column(0), {"kept", "next"});
}

} // namespace
