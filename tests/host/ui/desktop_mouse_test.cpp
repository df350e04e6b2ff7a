// Mouse gestures: hit testing by band and geometry, and the events they raise with their
// dwobject.

#include "ui_fixture.h"

namespace hearth::test {
namespace {

class Mouse : public UiTest {
protected:
    Mouse()
    {
        EXPECT_EQ(desktop.open(window, "t_window"), 1);
        dw_ref = Ref<t_window>(window).get()->dw_1;
        dw = Ref<t_dw>(dw_ref).get();
        EXPECT_EQ(dw->set_dataobject("d_grid"), 1);
        for (int i = 0; i < 3; ++i)
            dw->insert_row(0);
        journal().clear();
    }

    ObjectRef window;
    ObjectRef dw_ref;
    t_dw* dw = nullptr;
};

// d_grid: header 80, detail 100 per row, summary 40, footer 30.
TEST_F(Mouse, HitTestFindsBandRowAndObject)
{
    struct Case {
        std::int32_t x;
        std::int32_t y;
        long row;
        std::string name;
        std::string band;
        std::string type;
        int column;
    };
    const Case cases[] = {
        {15, 20, 0, "code_t", "header", "text", 0},
        {219, 20, 0, "datawindow", "header", "datawindow", 0}, // between two headers
        {220, 20, 0, "name_t", "header", "text", 0},           // left edge belongs to the object
        {1150, 79, 0, "datawindow", "header", "datawindow", 0},
        {15, 80, 1, "datawindow", "detail", "datawindow", 0}, // above the column's y of 8
        {15, 88, 1, "code", "detail", "column", 1},
        {15, 80 + 100 + 10, 2, "code", "detail", "column", 1},
        {600, 80 + 200 + 20, 3, "amount", "detail", "column", 3},
        {1050, 80 + 8, 1, "fixed", "detail", "column", 5},
        {15, 80 + 96, 1, "datawindow", "detail", "datawindow", 0}, // the line l_row is never hit
        {15, 380 + 5, 0, "datawindow", "summary", "datawindow", 0},
        {540, 380 + 10, 0, "t_total", "summary", "text", 0},
        {15, 420 + 5, 0, "t_end", "footer", "text", 0},
        {15, 2000, 0, "datawindow", "detail", "datawindow", 0}, // empty area below the bands
    };
    for (const Case& c : cases) {
        const DwHit hit = Desktop::hit_test(*dw, c.x, c.y);
        EXPECT_EQ(hit.row, c.row) << c.x << "," << c.y;
        EXPECT_EQ(hit.name, c.name) << c.x << "," << c.y;
        EXPECT_EQ(hit.band, c.band) << c.x << "," << c.y;
        EXPECT_EQ(hit.type, c.type) << c.x << "," << c.y;
        EXPECT_EQ(hit.column, c.column) << c.x << "," << c.y;
    }
}

TEST_F(Mouse, HitTestFollowsScrollingModifyAndRowCount)
{
    dw->first_row = 2;
    EXPECT_EQ(Desktop::hit_test(*dw, 15, 90).row, 2);
    EXPECT_EQ(Desktop::hit_test(*dw, 15, 290).band, "summary"); // two rows shown
    dw->first_row = 1;
    ASSERT_EQ(dw->modify("code.x=2000 datawindow.detail.height=50"), "");
    EXPECT_EQ(Desktop::hit_test(*dw, 15, 88).name, "datawindow");
    EXPECT_EQ(Desktop::hit_test(*dw, 2005, 88).name, "code");
    EXPECT_EQ(Desktop::hit_test(*dw, 2005, 80 + 50 + 8).row, 2);
    dw->reset();
    EXPECT_EQ(Desktop::hit_test(*dw, 15, 90).band, "summary");
    Ref<DataWindowControl> empty = runtime.create("datawindow");
    EXPECT_EQ(Desktop::hit_test(*empty.get(), 15, 10).name, "datawindow");
}

TEST_F(Mouse, HiddenObjectsAreNotHit)
{
    ASSERT_EQ(dw->set_dataobject("d_tool"), 1);
    EXPECT_EQ(Desktop::hit_test(*dw, 150, 20).name, "p_add");
    EXPECT_EQ(Desktop::hit_test(*dw, 150, 120).name, "t_add");
    EXPECT_EQ(Desktop::hit_test(*dw, 310, 20).name, "datawindow"); // p_hidden has visible=0
    EXPECT_EQ(Desktop::hit_test(*dw, 150, 8).name, "p_add");       // l_h1 lies on its top edge
    ASSERT_EQ(dw->modify("p_hidden.visible=1"), "");
    EXPECT_EQ(Desktop::hit_test(*dw, 310, 20).name, "p_hidden");
}

TEST_F(Mouse, PressRaisesClickedThenMovesToTheCell)
{
    desktop.mouse_down(dw_ref, 15, 190);
    const std::vector<Received> expected {{"clicked", {"15", "190", "2", "obj:code/detail"}},
                                          {"rowfocuschanged", {"2"}}};
    EXPECT_EQ(journal(), expected);
    EXPECT_TRUE(desktop.focus().same_as(dw_ref));
    EXPECT_EQ(dw->get_row(), 2);
    EXPECT_EQ(dw->get_column_name(), "code");
    EXPECT_EQ(dw->get_clicked_column(), 1);

    // A click on a header neither moves the row nor the column.
    journal().clear();
    desktop.mouse_down(dw_ref, 240, 20);
    const std::vector<Received> header {{"clicked", {"240", "20", "0", "obj:name_t/header"}}};
    EXPECT_EQ(journal(), header);
    EXPECT_EQ(dw->get_row(), 2);
    EXPECT_EQ(dw->get_clicked_column(), 0);

    // A click on a read-only column makes its row current but keeps the column.
    journal().clear();
    desktop.mouse_down(dw_ref, 1050, 290);
    EXPECT_EQ(dw->get_row(), 3);
    EXPECT_EQ(dw->get_column_name(), "code");
}

TEST_F(Mouse, ClickedReturningOneKeepsTheRow)
{
    runtime.assign_new_message();
    runtime.message_object()->return_value = 1; // clicked ends without RETURN: answers 1
    ASSERT_EQ(dw->get_row(), 1);
    desktop.mouse_down(dw_ref, 15, 290);
    EXPECT_EQ(dw->get_row(), 1);
    EXPECT_EQ(dw->get_column(), 0);
    const std::vector<Received> expected {{"clicked", {"15", "290", "3", "obj:code/detail"}}};
    EXPECT_EQ(journal(), expected);
}

TEST_F(Mouse, ClickOnAnotherCellCommitsTheEdit)
{
    desktop.mouse_down(dw_ref, 15, 90); // row 1, code
    ASSERT_EQ(desktop.type_text("K1"), 1);
    journal().clear();
    desktop.mouse_down(dw_ref, 15, 90); // the same cell: the edit stays pending
    EXPECT_TRUE(dw->has_pending_edit());
    desktop.mouse_down(dw_ref, 600, 190);
    EXPECT_EQ(dw->get_item_string(1, "code"), Value("K1"));
    EXPECT_EQ(dw->get_row(), 2);
    EXPECT_EQ(dw->get_column_name(), "amount");
    const std::vector<Received> expected {{"clicked", {"15", "90", "1", "obj:code/detail"}},
                                          {"clicked", {"600", "190", "2", "obj:amount/detail"}},
                                          {"itemchanged", {"1", "obj:code/detail", "K1"}},
                                          {"rowfocuschanged", {"2"}}};
    EXPECT_EQ(journal(), expected);
}

TEST_F(Mouse, ADoubleClickIsPressReleaseDoubleClickRelease)
{
    Ref<Picture> picture = runtime.create("t_picture");
    struct Case {
        ObjectRef target;
        std::int32_t x;
        std::int32_t y;
        std::vector<Received> events;
        long row_after;
        int clicked_column;
    };
    const std::vector<std::string> header {"240", "20", "0", "obj:name_t/header"};
    const std::vector<std::string> cell {"15", "190", "2", "obj:code/detail"};
    const Case cases[] = {
        {dw_ref,
         240,
         20,
         {{"clicked", header}, {"ue_dwnlbuttonup", header}, {"doubleclicked", header}, {"ue_dwnlbuttonup", header}},
         1,
         0},
        // The first press moves to the cell before doubleclicked runs.
        {dw_ref,
         15,
         190,
         {{"clicked", cell},
          {"rowfocuschanged", {"2"}},
          {"ue_dwnlbuttonup", cell},
          {"doubleclicked", cell},
          {"ue_dwnlbuttonup", cell}},
         2,
         1},
        {picture,
         5,
         6,
         {{"ue_lbuttondown", {"1", "5", "6"}}, {"ue_lbuttonup", {"0", "5", "6"}}, {"ue_lbuttonup", {"0", "5", "6"}}},
         2,
         1},
    };
    for (const Case& c : cases) {
        journal().clear();
        desktop.double_click(c.target, c.x, c.y);
        EXPECT_EQ(journal(), c.events) << c.x << "," << c.y;
        EXPECT_EQ(dw->get_row(), c.row_after);
        EXPECT_EQ(dw->get_clicked_column(), c.clicked_column);
    }
}

TEST_F(Mouse, OtherGesturesRaiseTheirEvents)
{
    desktop.right_down(dw_ref, 15, 190);
    desktop.mouse_up(dw_ref, 540, 390);
    desktop.mouse_move(dw_ref, 15, 2000, mouse_left_button);
    const std::vector<Received> expected {
        {"rbuttondown", {"15", "190", "2", "obj:code/detail"}},
        {"ue_dwnlbuttonup", {"540", "390", "0", "obj:t_total/summary"}},
        {"ue_mousemove", {"1", "15", "2000"}},
        {"ue_dwnmousemove", {"15", "2000", "0", "obj:datawindow/detail"}},
    };
    EXPECT_EQ(journal(), expected);
    EXPECT_EQ(dw->get_row(), 1); // none of these moves the row (1 since the first insert)
    EXPECT_EQ(dw->get_column(), 0);
    // The right button names the column under it for GetClickedColumn; over no column, none.
    EXPECT_EQ(dw->get_clicked_column(), 1);
    desktop.right_down(dw_ref, 15, 2000);
    EXPECT_EQ(dw->get_clicked_column(), 0);
}

TEST_F(Mouse, HiddenOrDisabledControlsGetNothing)
{
    dw->enabled = false;
    desktop.mouse_down(dw_ref, 15, 190);
    desktop.mouse_move(dw_ref, 15, 190);
    dw->enabled = true;
    dw->visible = false;
    desktop.double_click(dw_ref, 15, 190);
    desktop.mouse_down(ObjectRef(), 1, 1);
    EXPECT_TRUE(journal().empty());
}

TEST_F(Mouse, PictureButtonsAndWindowMoves)
{
    Ref<Picture> picture = runtime.create("t_picture");
    desktop.mouse_down(picture, 5, 6);
    desktop.mouse_up(picture, 7, 8);
    picture.get()->enabled = false;
    desktop.mouse_down(picture, 5, 6);
    desktop.move_window(window, 300, 40);
    const std::vector<Received> expected {
        {"ue_lbuttondown", {"1", "5", "6"}}, {"ue_lbuttonup", {"0", "7", "8"}}, {"ue_move", {"300", "40"}}};
    EXPECT_EQ(journal(), expected);
    EXPECT_EQ(Ref<Window>(window).get()->x, 300);
    EXPECT_EQ(Ref<Window>(window).get()->y, 40);
}

TEST_F(Mouse, ACommandButtonClicksWhenReleasedOverItself)
{
    Ref<CommandButton> button = runtime.create("t_button");
    button.get()->width = 60;
    button.get()->height = 20;
    EXPECT_EQ(desktop.click_button(button), 1);
    desktop.mouse_down(button, 5, 5);
    desktop.mouse_up(button, 70, 5); // dragged off before the release
    button.get()->enabled = false;
    EXPECT_EQ(desktop.click_button(button), -1);
    EXPECT_EQ(desktop.click_button(window), -1);
    const std::vector<Received> expected {{"clicked", {}}};
    EXPECT_EQ(journal(), expected);
}

TEST_F(Mouse, ClassesWithoutTheEventGetNothing)
{
    Ref<DataWindowControl> plain = runtime.create("datawindow");
    ASSERT_EQ(plain.get()->set_dataobject("d_grid"), 1);
    plain.get()->insert_row(0);
    desktop.mouse_move(plain, 15, 90);
    desktop.mouse_down(plain, 15, 90);
    EXPECT_EQ(plain.get()->get_row(), 1);
    EXPECT_TRUE(journal().empty());
    EXPECT_EQ(runtime.error_log().size(), 0u);
}

TEST_F(Mouse, PointerPositionRelativeToObjects)
{
    dw->x = 100;
    dw->y = 50;
    EXPECT_EQ(desktop.pointer_x(dw_ref), 0); // no gesture yet
    desktop.mouse_move(dw_ref, 15, 25);
    EXPECT_EQ(desktop.pointer_x(dw_ref), 15);
    EXPECT_EQ(desktop.pointer_y(dw_ref), 25);
    EXPECT_EQ(desktop.pointer_x(window), 115);
    EXPECT_EQ(desktop.pointer_y(window), 75);
    EXPECT_EQ(desktop.pointer_x(ObjectRef()), -1);
}

TEST_F(Mouse, TabClickSelectsThenRaisesClicked)
{
    ObjectRef tab = Ref<t_window>(window).get()->tab_1;
    desktop.click_tab(tab, 2);
    desktop.click_tab(tab, 9);
    const std::vector<Received> expected {{"selectionchanged", {"1", "2"}}};
    EXPECT_EQ(journal(), expected); // t_tab has no clicked script
    EXPECT_EQ(Ref<Tab>(tab).get()->selectedtab, 2);
}

} // namespace
} // namespace hearth::test
