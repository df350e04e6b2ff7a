// Focus, handles, Send, keys to the focused control, Tab order, and edits committed with
// itemchanged.

#include "ui_fixture.h"

namespace hearth::test {
namespace {

class FocusKeys : public UiTest {
protected:
    FocusKeys()
    {
        EXPECT_EQ(desktop.open(window, "t_window"), 1);
        auto* w = Ref<t_window>(window).get();
        dw_ref = w->dw_1;
        dw = Ref<t_dw>(dw_ref).get();
        EXPECT_EQ(dw->set_dataobject("d_grid"), 1);
        dw->insert_row(0);
        dw->insert_row(0);
        dw->set_row(1);
        dw->set_column("code");
        journal().clear();
    }

    // Where the DataWindow's cursor stands: "row:column".
    std::string cell() const { return std::to_string(dw->get_row()) + ":" + dw->get_column_name(); }

    ObjectRef window;
    ObjectRef dw_ref;
    t_dw* dw = nullptr;
};

TEST_F(FocusKeys, SetFocusRaisesLoseFocusOnTheControlLeft)
{
    auto* w = Ref<t_window>(window).get();
    EXPECT_EQ(desktop.set_focus(w->dw_1), 1);
    EXPECT_EQ(desktop.set_focus(w->dw_1), 1); // already there: nothing raised
    EXPECT_EQ(Ref<t_dw>(w->dw_2).get()->set_focus(), 1);
    EXPECT_TRUE(desktop.focus().same_as(w->dw_2));
    // A static text cannot take the focus; hidden and disabled controls neither.
    EXPECT_EQ(desktop.set_focus(w->st_1), -1);
    Ref<t_dw>(w->dw_1).get()->enabled = false;
    EXPECT_EQ(desktop.set_focus(w->dw_1), -1);
    Ref<t_dw>(w->dw_1).get()->enabled = true;
    Ref<t_dw>(w->dw_1).get()->visible = false;
    EXPECT_EQ(desktop.set_focus(w->dw_1), -1);
    EXPECT_EQ(desktop.set_focus(ObjectRef()), -1);
    EXPECT_TRUE(desktop.focus().same_as(w->dw_2));
    const std::vector<Received> expected {{"losefocus", {}}};
    EXPECT_EQ(journal(), expected);
}

TEST_F(FocusKeys, HandlesMapToObjects)
{
    auto* w = Ref<t_window>(window).get();
    const std::int32_t h1 = desktop.handle(w->dw_1);
    const std::int32_t h2 = desktop.handle(w->dw_2);
    EXPECT_NE(h1, 0);
    EXPECT_NE(h1, h2);
    EXPECT_EQ(desktop.handle(w->dw_1), h1);
    EXPECT_EQ(desktop.handle(ObjectRef()), 0);
    EXPECT_TRUE(desktop.object_of_handle(h2).same_as(w->dw_2));
    EXPECT_FALSE(desktop.object_of_handle(12345).is_valid());
    EXPECT_EQ(desktop.send(12345, wm_keydown, key_tab, 0), -1);
    ASSERT_EQ(desktop.sent_messages().size(), 1u);
    EXPECT_EQ(desktop.sent_messages()[0].handle, 12345);
}

TEST_F(FocusKeys, SendTabMovesByTabSequence)
{
    // d_grid: code 10, amount 20, name 30, memo 40; fixed has 0 and is skipped.
    const std::int32_t h = desktop.handle(dw_ref);
    const std::vector<std::string> expected {"1:amount", "1:name", "1:memo", "2:code",
                                             "2:amount", "2:name", "2:memo", "2:code"}; // wraps on the last row
    for (const std::string& want : expected) {
        EXPECT_EQ(desktop.send(h, wm_keydown, key_tab, 0), 0);
        EXPECT_EQ(cell(), want);
    }
    // Every Tab also reached ue_dwnkey; the row change raised rowfocuschanged once.
    EXPECT_EQ(std::count(journal().begin(), journal().end(), Received {"ue_dwnkey", {"9", "0"}}), 8);
    EXPECT_EQ(std::count(journal().begin(), journal().end(), Received {"rowfocuschanged", {"2"}}), 1);
}

TEST_F(FocusKeys, ShiftTabMovesBackwards)
{
    ASSERT_EQ(desktop.set_focus(dw_ref), 1);
    dw->set_row(2);
    dw->set_column("amount");
    const std::vector<std::string> expected {"2:code", "1:memo", "1:name", "1:amount", "1:code", "1:memo"};
    for (const std::string& want : expected) {
        desktop.key_down(key_tab, key_shift);
        EXPECT_EQ(cell(), want);
    }
}

TEST_F(FocusKeys, TabSkipsFieldsMadeInvisibleOrReadOnlyByModify)
{
    ASSERT_EQ(dw->modify("amount.visible=0 name.tabsequence=0"), "");
    desktop.send(desktop.handle(dw_ref), wm_keydown, key_tab, 0);
    EXPECT_EQ(cell(), "1:memo");
}

TEST_F(FocusKeys, KeysGoToTheFocusedControl)
{
    desktop.key_down(key_enter, key_ctrl); // nothing has the focus yet
    EXPECT_TRUE(journal().empty());
    ASSERT_EQ(desktop.set_focus(dw_ref), 1);
    desktop.key_down(key_enter, key_ctrl);
    desktop.key_down(65);
    const std::vector<Received> expected {
        {"ue_dwnkey", {"13", "2"}}, {"ue_processenter", {}}, {"ue_dwnkey", {"65", "0"}}};
    EXPECT_EQ(journal(), expected);
    EXPECT_EQ(cell(), "1:code"); // neither key moves the cursor
}

TEST_F(FocusKeys, TabOnAWindowControlMovesToTheNextByTabOrder)
{
    // The tab control takes the focus; Tab from it goes to the next control by taborder.
    auto* w = Ref<t_window>(window).get();
    Ref<t_dw>(w->dw_1).get()->taborder = 20;
    Ref<t_dw>(w->dw_2).get()->taborder = 10;
    Ref<Tab>(w->tab_1).get()->taborder = 30;
    ASSERT_EQ(desktop.set_focus(w->tab_1), 1);
    desktop.key_down(key_tab);
    EXPECT_TRUE(desktop.focus().same_as(w->dw_2)); // wrapped to the first
    ASSERT_EQ(desktop.set_focus(w->tab_1), 1);
    desktop.key_down(key_tab, key_shift);
    EXPECT_TRUE(desktop.focus().same_as(w->dw_1));
}

TEST_F(FocusKeys, TypedTextIsCommittedThroughItemChanged)
{
    struct Case {
        std::string typed;
        std::int32_t answer; // what itemchanged returns
        bool trim_in_script; // the script SetItems Trim(data) first
        ScriptWrite policy;
        std::string stored;     // code of row 1 afterwards
        std::string cell_after; // where Tab left the cursor
        bool itemchanged_raised;
    };
    const Case cases[] = {
        {"A1", 0, false, ScriptWrite::Kept, "A1", "1:amount", true},
        {"A2", 1, false, ScriptWrite::Kept, "", "1:code", true},       // rejected, focus stays
        {"A3", 2, false, ScriptWrite::Kept, "", "1:amount", true},     // rejected, focus moves
        {"  A4 ", 0, true, ScriptWrite::Kept, "A4", "1:amount", true}, // the script's value stands
        {"  A5 ", 0, true, ScriptWrite::Overwritten, "  A5 ", "1:amount", true},
        {"  A6 ", 2, true, ScriptWrite::Overwritten, "A6", "1:amount", true},
    };
    for (const Case& c : cases) {
        dw->set_item(1, "code", Value(""));
        dw->set_row(1);
        dw->set_column("code");
        dw->itemchanged_answer = c.answer;
        dw->trim_in_itemchanged = c.trim_in_script;
        dw->script_write = c.policy;
        ASSERT_EQ(desktop.set_focus(dw_ref), 1);
        journal().clear();
        EXPECT_EQ(desktop.type_text(c.typed), 1);
        EXPECT_EQ(dw->get_text(), c.typed);
        desktop.key_down(key_tab);
        EXPECT_EQ(dw->get_item_string(1, "code"), Value(c.stored)) << c.typed;
        EXPECT_EQ(cell(), c.cell_after) << c.typed;
        ASSERT_FALSE(journal().empty());
        const Received changed {"itemchanged", {"1", "obj:code/detail", c.typed}};
        EXPECT_EQ(journal()[1], changed) << c.typed; // after ue_dwnkey
        EXPECT_EQ(dw->has_pending_edit(), c.answer == 1) << c.typed;
    }
}

TEST_F(FocusKeys, TextTheColumnCannotHoldRaisesNoItemChanged)
{
    ASSERT_EQ(desktop.set_focus(dw_ref), 1);
    dw->set_column("amount");
    EXPECT_EQ(desktop.type_text("12x"), 1);
    desktop.key_down(key_tab);
    EXPECT_EQ(cell(), "1:amount");
    EXPECT_TRUE(dw->has_pending_edit());
    EXPECT_EQ(dw->accept_text(), -1);
    EXPECT_EQ(desktop.type_text("125"), 1);
    EXPECT_EQ(dw->accept_text(), 1);
    EXPECT_EQ(dw->get_item_number(1, "amount"), Value(125.0));
    const std::vector<Received> expected {{"ue_dwnkey", {"9", "0"}},
                                          {"itemchanged", {"1", "obj:amount/detail", "125"}}};
    EXPECT_EQ(journal(), expected);
}

TEST_F(FocusKeys, EnterAcceptsTheEdit)
{
    ASSERT_EQ(desktop.set_focus(dw_ref), 1);
    desktop.type_text("Z9");
    desktop.key_down(key_enter);
    EXPECT_EQ(dw->get_item_string(1, "code"), Value("Z9"));
    EXPECT_EQ(cell(), "1:code");
    EXPECT_FALSE(dw->has_pending_edit());
}

// The Enter event (pbm_dwnprocessenter) comes after the key event; answering 1 keeps the
// DataWindow from accepting the edit.
TEST_F(FocusKeys, EnterEventAnswering1KeepsTheEdit)
{
    ASSERT_EQ(desktop.set_focus(dw_ref), 1);
    for (const std::int32_t answer : {1, 0}) {
        journal().clear();
        dw->enter_answer = answer;
        desktop.type_text("Z9");
        desktop.key_down(key_enter);
        EXPECT_EQ(journal().at(1), (Received {"ue_processenter", {}}));
        EXPECT_EQ(dw->has_pending_edit(), answer == 1);
    }
    EXPECT_EQ(dw->get_item_string(1, "code"), Value("Z9"));
}

TEST_F(FocusKeys, EnterInAMultiLineEditStartsANewLine)
{
    // d_grid: memo's edit has a vertical scroll bar (several lines), code's has none.
    ASSERT_EQ(desktop.set_focus(dw_ref), 1);
    dw->set_item(1, "memo", Value("old"));
    dw->set_column("memo");
    desktop.key_down(key_enter); // nothing typed: the line break goes after the item's text
    EXPECT_EQ(dw->get_text(), "old\r\n");
    desktop.type_text("first");
    desktop.key_down(key_enter);
    EXPECT_EQ(dw->get_text(), "first\r\n");
    EXPECT_EQ(cell(), "1:memo");
    EXPECT_EQ(dw->get_item_string(1, "memo"), Value("old"));
    desktop.type_text("first\r\nsecond");
    desktop.key_down(key_enter, key_ctrl); // Ctrl+Enter accepts
    EXPECT_FALSE(dw->has_pending_edit());
    EXPECT_EQ(dw->get_item_string(1, "memo"), Value("first\r\nsecond"));
    // Without the scroll bar the column's edit has one line, and Enter accepts.
    ASSERT_EQ(dw->modify("memo.edit.vscrollbar=no"), "");
    desktop.type_text("one");
    desktop.key_down(key_enter);
    EXPECT_EQ(dw->get_item_string(1, "memo"), Value("one"));
    EXPECT_EQ(
        std::count_if(journal().begin(), journal().end(), [](const Received& r) { return r.event == "itemchanged"; }),
        2);
}

TEST_F(FocusKeys, TheEditEndsUnstoredWhenItsItemGoes)
{
    // Typed empty text is stored as an empty string.
    dw->set_item(1, "code", Value("K"));
    ASSERT_EQ(dw->set_text(""), 1);
    EXPECT_EQ(dw->accept_text(), 1);
    EXPECT_EQ(dw->get_item_string(1, "code"), Value(""));
    journal().clear();

    ASSERT_EQ(dw->set_text("typed"), 1);
    EXPECT_EQ(dw->set_column("name"), 1);
    EXPECT_FALSE(dw->has_pending_edit());
    EXPECT_EQ(dw->get_text(), "");
    EXPECT_EQ(dw->accept_text(), 1);
    ASSERT_EQ(dw->set_text("typed"), 1);
    EXPECT_EQ(dw->reset(), 1);
    EXPECT_FALSE(dw->has_pending_edit());
    dw->insert_row(0);
    dw->set_column("code");
    ASSERT_EQ(dw->set_text("typed"), 1);
    EXPECT_EQ(dw->set_dataobject("d_grid"), 1);
    EXPECT_FALSE(dw->has_pending_edit());
    // No itemchanged for an edit that ended unstored.
    EXPECT_EQ(
        std::count_if(journal().begin(), journal().end(), [](const Received& r) { return r.event == "itemchanged"; }),
        0);
}

TEST_F(FocusKeys, UpdateAcceptsThePendingEditFirst)
{
    Transaction tx("sqlca");
    tx.set_database(":memory:");
    ASSERT_EQ(tx.connect(), 0) << tx.sql_err_text();
    ASSERT_EQ(tx.execute_immediate("CREATE TABLE t (code TEXT PRIMARY KEY, name TEXT, amount INTEGER, memo TEXT, "
                                   "fixed TEXT)"),
              0);
    auto stored = [&] {
        std::string codes;
        tx.query("SELECT name FROM t ORDER BY name", {}, [&](const sql::ResultRow& row) {
            codes += std::string(row.text(0)) + ";";
            return RowAction::Continue;
        });
        return codes;
    };
    // Row 1 is still New!: only the accepted edit makes it a row to insert.
    dw->set_column("name");
    ASSERT_EQ(dw->set_text("K1"), 1);
    EXPECT_EQ(dw->update(tx, dw::AcceptFirst::No), 1);
    EXPECT_EQ(stored(), "");
    EXPECT_TRUE(dw->has_pending_edit());
    EXPECT_EQ(dw->update(tx), 1) << tx.sql_err_text();
    EXPECT_EQ(stored(), "K1;");
    EXPECT_FALSE(dw->has_pending_edit());
    // A value the column cannot hold: -1, nothing sent, the edit stays.
    dw->set_row(2);
    ASSERT_EQ(dw->set_item(2, "name", Value("K2")), 1);
    dw->set_column("amount");
    ASSERT_EQ(dw->set_text("12x"), 1);
    EXPECT_EQ(dw->update(tx), -1);
    EXPECT_EQ(stored(), "K1;");
    EXPECT_TRUE(dw->has_pending_edit());
    // A DataStore has no edit to accept.
    Ref<DataStore> store = runtime.create("datastore");
    ASSERT_EQ(store.get()->set_dataobject("d_grid"), 1);
    store.get()->insert_row(0);
    ASSERT_EQ(store.get()->set_item(1, "name", Value("D1")), 1);
    EXPECT_EQ(store.get()->update(tx), 1) << tx.sql_err_text();
    EXPECT_EQ(stored(), "D1;K1;");
}

TEST_F(FocusKeys, TypingNeedsAFocusedDataWindowWithACell)
{
    EXPECT_EQ(desktop.type_text("x"), -1); // nothing has the focus
    Ref<t_dw> empty = runtime.create("t_dw");
    ASSERT_EQ(desktop.set_focus(empty), 1);
    EXPECT_EQ(desktop.type_text("x"), -1);    // no object, no cell
    EXPECT_EQ(empty.get()->accept_text(), 1); // nothing pending
}

} // namespace
} // namespace hearth::test
