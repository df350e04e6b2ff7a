// uo_toolbar's commands: a press and a release on a button of the main window's toolbar run
// the button's command on the page in front. The deletion's own steps are a probe here, a
// descendant of uo_toolbar whose uf_* functions answer as a test tells them and record their
// calls, so that these tests see the command's order, its transactions and its failures.

#include "toolbar_fixture.h"

#include "host/ui/window.h"
#include "host/value/functions.h"

using namespace hearth;
using namespace hearth::test;

namespace {

// ---- The probe ---------------------------------------------------------------------------

class uo_toolbar_probe : public uo_toolbar {
public:
    Value confirm = Value::integer(0); // uf_confirmmessage's answer
    Value before = Value("");          // uf_delbefore's statement (null string: archive failed)
    Value after = Value::integer(0);   // uf_delafter's answer
    std::vector<std::string> calls;    // "uf_delphoto d_ge_rpr 3 R3" ...
};

uo_toolbar_probe& probe(ScriptCall& call) { return call.self<uo_toolbar_probe>(); }

std::string text(const Value& value) { return value.is_null() ? "<null>" : fn::to_string(value).as_string(); }

ScriptResult confirmmessage(ScriptCall& call)
{
    probe(call).calls.push_back("uf_confirmmessage");
    return probe(call).confirm;
}

ScriptResult delbefore(ScriptCall& call)
{
    probe(call).calls.push_back("uf_delbefore");
    call.arg(0) = Value("更新失败！");
    return probe(call).before;
}

// Removes the photos of the row's key (its first column) on photosqlca, and leaves the commit
// to the command.
ScriptResult delphoto(ScriptCall& call)
{
    const long row = call.arg_as<std::int32_t>(1).value_or(0);
    auto* now = Ref<uo_tabpg_datawindow>(Application::current()->globals().guo_tabpg_now).get();
    const Value key = now->dw_1.get()->get_item_string(row, 1);
    probe(call).calls.push_back("uf_delphoto " + text(call.arg(0)) + " " + std::to_string(row) + " " + text(key));
    Application::current()->globals().photosqlca.execute("DELETE FROM ts_photo WHERE photokey = :k",
                                                         {HostVar("k", key)});
    return Value::integer(0);
}

// Answers `after`; a text answer stops the script with a runtime error instead.
ScriptResult delafter(ScriptCall& call)
{
    probe(call).calls.push_back("uf_delafter " + text(call.arg(0)) + " " + text(call.arg(1)));
    if (probe(call).after.is_string())
        call.raise(ErrorCode::CallFailed, "uf_delafter");
    return probe(call).after;
}

ScriptResult updateother(ScriptCall& call)
{
    probe(call).calls.push_back("uf_updateother " + text(call.arg(0)) + " " + text(call.arg(1)));
    return no_return;
}

const ClassTable& probe_table()
{
    static const ClassTable table {"uo_toolbar_probe",
                                   "uo_toolbar",
                                   make_object<uo_toolbar_probe>,
                                   {},
                                   {{own_group,
                                     "",
                                     {},
                                     {{441, "uf_delphoto", delphoto},
                                      {443, "uf_delbefore", delbefore},
                                      {444, "uf_delafter", delafter},
                                      {445, "uf_confirmmessage", confirmmessage},
                                      {446, "uf_updateother", updateother},
                                      {0, "create", create_script},
                                      {1, "destroy", destroy_script}}}}};
    return table;
}

const ClassTable& probe_frame_table()
{
    static const ClassTable table {
        "w_main_probe", "window", frame_make(), {{"dw_tool", "uo_toolbar_probe", nullptr}}, frame_groups()};
    return table;
}

void register_probe(ClassRegistry& registry)
{
    EXPECT_EQ(error_text(registry.register_class(&probe_table)), "");
    EXPECT_EQ(error_text(registry.register_class(&probe_frame_table)), "");
}

// ---- Fixtures ------------------------------------------------------------------------------

using ToolbarCommands = ToolbarTest;

class ToolbarDelete : public ToolbarTest {
protected:
    ToolbarDelete() : ToolbarTest("w_main_probe", register_probe)
    {
        households();
        photo_sql("CREATE TABLE ts_photo (photokey varchar(20))");
        for (const char* key : {"R1", "R2", "R3", "P1", "P2", "P3"})
            photo_sql(std::string("INSERT INTO ts_photo VALUES ('") + key + "')");
    }

    uo_toolbar_probe& tool() { return dynamic_cast<uo_toolbar_probe&>(toolbar()); }
    long photos(std::string_view key)
    {
        return number(globals.photosqlca, "SELECT count(*) FROM ts_photo WHERE photokey = '" + std::string(key) + "'");
    }
};

// ---- Press and release ---------------------------------------------------------------------

TEST_F(ToolbarCommands, ACommandRunsOnlyWhenPressAndReleaseMeetOnOneButton)
{
    struct Case {
        const char* press;
        const char* release;
        std::vector<std::string> opened;
    };
    const Case cases[] = {
        {"p_help", "p_help", {"w_agent"}},
        {"t_help", "p_help", {"w_agent"}}, // the caption counts as its button
        {"p_add", "p_help", {}},
        {"p_help", "l_h1", {}}, // released on a line
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.press) + " -> " + c.release);
        windows.opened.clear();
        press(c.press);
        EXPECT_EQ(filename(*toolbar::button_of(c.press)), "bmp\\" + fn::mid(std::string(c.press), 3) + "1.bmp");
        release(c.release);
        EXPECT_EQ(windows.opened, c.opened);
        EXPECT_EQ(filename("p_add"), "bmp\\add.bmp");
        EXPECT_EQ(filename("p_help"), "bmp\\help.bmp");
        EXPECT_EQ(toolbar().is_clickedobject, "");
        EXPECT_EQ(toolbar().is_object, "");
    }
    // A disabled button cannot be pressed.
    run(toolbar().ref(), "uf_setenabled", {Value("p_help"), Value(false)});
    click("p_help");
    EXPECT_EQ(windows.opened, std::vector<std::string>());
    EXPECT_EQ(error_codes(), std::vector<int>());
}

TEST_F(ToolbarCommands, AReleaseWithNothingPressedDoesNothingAtAll)
{
    households();
    current_page("d_ge_rpr");
    release("p_exit");
    // The mouse raised the button (is_object) with the left button held down from elsewhere.
    desktop.mouse_move(toolbar().ref(), centre("p_exit").first, centre("p_exit").second, mouse_left_button);
    ASSERT_EQ(toolbar().is_object, "p_exit");
    release("p_exit");
    EXPECT_TRUE(fn::is_valid(w_main));
    EXPECT_FALSE(desktop.focus().is_valid()); // not even the tail's focus
}

TEST_F(ToolbarCommands, AKeyboardPressRunsAnEnabledButton)
{
    households();
    uo_tabpg_datawindow& now = current_page("d_ge_rpr");
    now.is_stringpara = "GE_Rpr";
    keyboard_press("p_add");
    EXPECT_EQ(windows.opened, std::vector<std::string>({"w_m_ge_rpr 添加"}));
    EXPECT_EQ(toolbar().is_object, "");
    EXPECT_TRUE(desktop.focus().same_as(now.dw_1));

    run(toolbar().ref(), "uf_setenabled", {Value("p_add"), Value(false)});
    keyboard_press("p_add");
    EXPECT_EQ(windows.opened.size(), 1u);
}

// ---- The commands --------------------------------------------------------------------------

TEST_F(ToolbarCommands, RetrieveEscapesTheQuotesAfterWhere)
{
    households();
    uo_tabpg_datawindow& now = current_page("d_ge_rpr");
    struct Case {
        std::string select;
        long rows;
    };
    const Case cases[] = {
        {"SELECT tc_ge_rpr.rprno, tc_ge_rpr.householder, tc_ge_rpr.personnum, tc_ge_rpr.issave FROM tc_ge_rpr "
         "WHERE tc_ge_rpr.householder = '李四' or tc_ge_rpr.rprno = 'R3'",
         2},
        {"SELECT tc_ge_rpr.rprno, tc_ge_rpr.householder, tc_ge_rpr.personnum, tc_ge_rpr.issave FROM tc_ge_rpr", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.select);
        now.is_sql = c.select;
        dw(now).reset();
        click("p_retrieve");
        EXPECT_EQ(dw(now).describe("datawindow.table.select"), c.select);
        EXPECT_EQ(dw(now).row_count(), c.rows);
    }
}

TEST_F(ToolbarCommands, ModifyNamesTheActionByTheCurrentCaption)
{
    households();
    uo_tabpg_datawindow& now = current_page("d_ge_rpr");
    now.is_stringpara = "GE_Rpr";
    struct Case {
        const char* caption;
        long row;
        std::vector<std::string> boxes, opened;
    };
    const Case cases[] = {
        {"修改", 0, {"系统提示|请先选择一条记录后再修改."}, {}},
        {"编辑", 0, {"系统提示|请先选择一条记录后再编辑."}, {}},
        {"编辑", 2, {}, {"w_m_ge_rpr 编辑"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        ASSERT_EQ(toolbar().modify(std::string("t_modify.Text='") + c.caption + "'"), "");
        if (c.row == 0)
            dw(now).reset();
        else if (dw(now).retrieve() > 0)
            dw(now).set_row(c.row);
        const std::size_t shown = desktop.message_boxes().size();
        windows.opened.clear();
        click("p_modify");
        EXPECT_EQ(boxes(shown), c.boxes);
        EXPECT_EQ(windows.opened, c.opened);
    }
}

TEST_F(ToolbarCommands, TheFrameMenusPopUnderTheirButtons)
{
    struct Case {
        const char* button;
        const char* menu;
        int offset;
    };
    for (const Case& c : {Case {"p_main", "m_main", -10}, Case {"p_close", "m_close", 0}}) {
        SCOPED_TRACE(c.button);
        click(c.button);
        ASSERT_FALSE(desktop.popped_menus().empty());
        const PoppedMenu& popped = desktop.popped_menus().back();
        EXPECT_EQ(popped.menu->name, c.menu);
        EXPECT_EQ(popped.x, fn::to_long(toolbar().describe(std::string(c.button) + ".x")) + c.offset);
        EXPECT_EQ(popped.y, 176);
    }
}

TEST_F(ToolbarCommands, ALockedFrameComesBackOnlyAfterAnUnlock)
{
    desktop.set_response_handler("w_locklogin",
                                 [](Desktop& d, const ObjectRef& window) { d.close_with_return(window, Value("1")); });
    click("p_manage");
    ASSERT_TRUE(fn::is_valid(w_main));
    EXPECT_TRUE(dynamic_cast<Window*>(w_main.get())->visible);
    EXPECT_TRUE(*application.w_main_ib_query());

    // Three wrong passwords: the frame closes without its own question.
    desktop.set_response_handler("w_locklogin",
                                 [](Desktop& d, const ObjectRef& window) { d.close_with_return(window, Value("0")); });
    click("p_manage");
    EXPECT_FALSE(fn::is_valid(w_main));
    EXPECT_FALSE(*application.w_main_ib_query());
    EXPECT_EQ(boxes(), std::vector<std::string>());
    EXPECT_EQ(windows.opened, std::vector<std::string>({"w_locklogin", "w_locklogin"}));
}

TEST_F(ToolbarCommands, TheOtherButtonsOpenTheirWindows)
{
    households();
    uo_tabpg_datawindow& now = current_page("d_ge_rpr");
    now.is_stringpara = "GE_Nothing";
    // The grid's windows wait for a grid page; the preview takes the page.
    for (const char* button : {"p_setshow", "p_filter", "p_sorter", "p_preview", "p_add", "p_ie"})
        click(button);
    EXPECT_EQ(windows.opened, std::vector<std::string>({"w_print_preview"}));
    EXPECT_EQ(boxes(), std::vector<std::string>({"提示信息|无法打开窗口w_m_GE_Nothing！"}));
    EXPECT_EQ(desktop.status_texts(), std::vector<std::string>({"ue_explorer 正在连接Tellarin 1"}));
    click("p_exit");
    EXPECT_FALSE(fn::is_valid(w_main));
}

// ---- Delete --------------------------------------------------------------------------------

TEST_F(ToolbarDelete, DeletesInOrderAndCommitsThePhotosAfterTheRecord)
{
    uo_tabpg_datawindow& now = current_page("d_ge_rpr", 3);
    dw(now).tag = "户籍";
    click("p_del");
    EXPECT_EQ(boxes(), std::vector<std::string>({"系统提示|您确认要删除当前记录吗?"}));
    EXPECT_EQ(tool().calls,
              std::vector<std::string>(
                  {"uf_confirmmessage", "uf_delbefore", "uf_delphoto d_ge_rpr 3 R3", "uf_updateother d_ge_rpr R3"}));
    EXPECT_EQ(number("SELECT count(*) FROM tc_ge_rpr WHERE rprno = 'R3'"), 0);
    EXPECT_EQ(photos("R3"), 0);
    EXPECT_FALSE(globals.photosqlca.in_transaction());
    ASSERT_EQ(application.user_log().size(), 1u);
    EXPECT_EQ(application.user_log()[0].text, "户籍");
    EXPECT_EQ(application.user_log()[0].kind, 4);
}

TEST_F(ToolbarDelete, AFailedDeletionKeepsTheRecordAndItsPhotos)
{
    struct Case {
        const char* name;
        long row; // of d_ge_rpr: R1 has persons, so its delete fails at the Update
        Value before;
        Value after;
        bool fail_commit;
    };
    const Case cases[] = {
        {"the Update", 1, Value(""), Value::integer(0), false},
        {"the COMMIT", 3, Value(""), Value::integer(0), true},
        {"the statement after", 3, Value("UPDATE x"), Value::integer(1), false},
        {"the archive", 3, Value::null_of(Type::String), Value::integer(0), false},
    };
    uo_tabpg_datawindow& now = current_page("d_ge_rpr");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string key = c.row == 1 ? "R1" : "R3";
        dw(now).set_row(c.row);
        tool().before = c.before;
        tool().after = c.after;
        if (c.fail_commit)
            fail_next(globals.sqlca, FaultPoint::Commit);
        const std::size_t shown = desktop.message_boxes().size();
        click("p_del");
        ASSERT_EQ(desktop.message_boxes().size(), shown + 2);
        EXPECT_EQ(boxes().back(), "警告信息|删除不成功！");
        EXPECT_EQ(number("SELECT count(*) FROM tc_ge_rpr WHERE rprno = '" + key + "'"), 1);
        EXPECT_EQ(photos(key), 1);
        EXPECT_FALSE(globals.sqlca.in_transaction());
        EXPECT_FALSE(globals.photosqlca.in_transaction());
        EXPECT_EQ(dw(now).row_count(), 3); // shown as stored
        EXPECT_EQ(application.user_log().size(), 0u);
    }
    EXPECT_EQ(error_codes(), std::vector<int>());

    // A callee that stops on a runtime error stops the command, and half a deletion is not
    // left for the next commit.
    dw(now).set_row(3);
    tool().before = Value("UPDATE x");
    tool().after = Value("raise");
    click("p_del");
    EXPECT_EQ(error_codes(), std::vector<int>({25015}));
    EXPECT_FALSE(globals.sqlca.in_transaction());
    EXPECT_FALSE(globals.photosqlca.in_transaction());
    EXPECT_EQ(photos("R3"), 1);
}

TEST_F(ToolbarDelete, WhatEndsTheCommandBeforeAnythingIsDeleted)
{
    uo_tabpg_datawindow& now = current_page("d_ge_personinfo", 0);
    struct Case {
        const char* name;
        long row;
        Value confirm;
        int answer;
        std::vector<std::string> boxes, calls;
        const char* is_object; // a refusal ends the event before the tail clears it
    };
    const Case cases[] = {
        // The household number of a persons list is read only once a row is known.
        {"no row", 0, Value::integer(0), 1, {"系统提示|请先选择一条记录后再删除."}, {}, ""},
        {"refused", 1, Value::integer(2), 1, {}, {"uf_confirmmessage"}, "p_del"},
        {"answered No", 1, Value::integer(1), 2, {"系统提示|您确认要删除当前记录吗?"}, {"uf_confirmmessage"}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.row == 0)
            dw(now).reset();
        else if (dw(now).retrieve() > 0)
            dw(now).set_row(c.row);
        tool().confirm = c.confirm;
        tool().calls.clear();
        if (c.answer != 1)
            desktop.answer_message_box(c.answer);
        const std::size_t shown = desktop.message_boxes().size();
        click("p_del");
        EXPECT_EQ(boxes(shown), c.boxes);
        EXPECT_EQ(tool().calls, c.calls);
        EXPECT_EQ(tool().is_object, c.is_object);
        EXPECT_EQ(number("SELECT count(*) FROM tc_ge_personinfo"), 3);
    }
    EXPECT_EQ(error_codes(), std::vector<int>());
}

TEST_F(ToolbarDelete, ADetailPageMovesToItsNewLastRow)
{
    uo_tabpg_datawindow& master = current_page("d_ge_rpr", 1);
    uo_tabpg_datawindow& detail = page("d_ge_personinfo");
    detail.is_relafield = "rprno";
    detail.is_masterid = "R1";
    globals.guo_tabpg_now = detail.ref();
    run(detail.dw_1, "ue_retrieve");
    ASSERT_EQ(dw(detail).row_count(), 2);
    dw(detail).set_row(2);
    click("p_del");
    EXPECT_EQ(dw(detail).row_count(), 1);
    EXPECT_EQ(dw(detail).get_row(), 1);
    // The household number goes along whatever the persons list is called.
    EXPECT_EQ(tool().calls.back(), "uf_updateother d_ge_personinfo R1");
    EXPECT_EQ(dw(master).row_count(), 3);
}

} // namespace
