// Message boxes, file dialogs, the pointer and popped menus: what the user saw, and the
// scripted user's answers.

#include "ui_fixture.h"

namespace hearth::test {
namespace {

using Dialogs = UiTest;

TEST_F(Dialogs, MessageBoxRecordsAndAnswers)
{
    struct Case {
        Value title;
        Value text;
        Icon icon;
        Buttons buttons;
        Value default_button;
        std::vector<int> queued;
        Value result;
        std::string shown_text; // "" when no box is recorded
        int shown_default;
    };
    const Value null_text = Value::null_of(Type::String);
    const Case cases[] = {
        // no scripted answer: the default button
        {"提示信息", "检索完成", Icon::Information, Buttons::Ok, 1, {}, Value::integer(1), "检索完成", 1},
        {"系统提示",
         "您确认要删除当前记录吗?",
         Icon::Question,
         Buttons::YesNo,
         2,
         {},
         Value::integer(2),
         "您确认要删除当前记录吗?",
         2},
        // a default beyond the buttons falls back to 1
        {"系统提示", "x", Icon::Question, Buttons::YesNo, 3, {}, Value::integer(1), "x", 1},
        {"系统提示", "x", Icon::Question, Buttons::YesNo, 0, {}, Value::integer(1), "x", 1},
        // scripted answers
        {"系统提示", "y", Icon::Question, Buttons::YesNo, 1, {2}, Value::integer(2), "y", 1},
        {"系统提示", "y", Icon::Question, Buttons::YesNoCancel, 1, {3}, Value::integer(3), "y", 1},
        {"系统提示", "y", Icon::Question, Buttons::YesNo, 1, {3}, Value::integer(-1), "y", 1},
        // numbers and booleans as text
        {"提示", Value(42), Icon::None, Buttons::Ok, 1, {}, Value::integer(1), "42", 1},
        {"提示", Value(true), Icon::None, Buttons::Ok, 1, {}, Value::integer(1), "true", 1},
        // any null argument: null and no box
        {null_text, "z", Icon::Information, Buttons::Ok, 1, {}, Value::null_of(Type::Integer), "", 0},
        {"提示", null_text, Icon::Information, Buttons::Ok, 1, {}, Value::null_of(Type::Integer), "", 0},
        {"提示",
         "z",
         Icon::Information,
         Buttons::Ok,
         Value::null_of(Type::Integer),
         {},
         Value::null_of(Type::Integer),
         "",
         0},
    };
    for (const Case& c : cases) {
        Desktop fresh(runtime);
        for (int answer : c.queued)
            fresh.answer_message_box(answer);
        EXPECT_EQ(fresh.message_box(c.title, c.text, c.icon, c.buttons, c.default_button), c.result) << c.shown_text;
        if (c.shown_text.empty()) {
            EXPECT_TRUE(fresh.message_boxes().empty());
            continue;
        }
        ASSERT_EQ(fresh.message_boxes().size(), 1u);
        const MessageBoxRecord& box = fresh.message_boxes()[0];
        EXPECT_EQ(box.title, c.title.as_string());
        EXPECT_EQ(box.text, c.shown_text);
        EXPECT_EQ(box.icon, c.icon);
        EXPECT_EQ(box.buttons, c.buttons);
        EXPECT_EQ(box.default_button, c.shown_default);
        EXPECT_EQ(Value::integer(static_cast<std::int16_t>(box.answer)), c.result);
        EXPECT_EQ(fresh.pending_box_answers(), 0u);
    }
}

TEST_F(Dialogs, AnswersAreUsedInOrderThenTheDefault)
{
    desktop.answer_message_box(1);
    desktop.answer_message_box(2);
    EXPECT_EQ(desktop.message_box("a", "1", Icon::Question, Buttons::YesNo, 2), Value::integer(1));
    EXPECT_EQ(desktop.message_box("a", "2", Icon::Question, Buttons::YesNo, 1), Value::integer(2));
    EXPECT_EQ(desktop.message_box("a", "3", Icon::Question, Buttons::YesNo, 2), Value::integer(2));
    EXPECT_EQ(desktop.message_box("a", "4"), Value::integer(1));
    ASSERT_EQ(desktop.message_boxes().size(), 4u);
    EXPECT_EQ(desktop.message_boxes()[3].icon, Icon::Information);
    EXPECT_EQ(desktop.message_boxes()[3].buttons, Buttons::Ok);
}

TEST_F(Dialogs, NamesOfIconsAndButtonSets)
{
    EXPECT_EQ(icon_name(Icon::Question), "Question!");
    EXPECT_EQ(icon_name(Icon::StopSign), "StopSign!");
    EXPECT_EQ(buttons_name(Buttons::YesNo), "YesNo!");
    EXPECT_EQ(buttons_name(Buttons::AbortRetryIgnore), "AbortRetryIgnore!");
    EXPECT_EQ(button_count(Buttons::Ok), 1);
    EXPECT_EQ(button_count(Buttons::RetryCancel), 2);
    EXPECT_EQ(button_count(Buttons::YesNoCancel), 3);
}

TEST_F(Dialogs, FileSaveNameFromTheScriptedUser)
{
    struct Case {
        std::optional<FileAnswer> answer;
        Value extension;
        Value result;
        std::string pathname; // after the call
        std::string filename;
    };
    const Case cases[] = {
        {std::nullopt, "xls", Value::integer(0), "/old/path.xls", "old"}, // nothing queued: cancel
        {FileAnswer::cancel(), "xls", Value::integer(0), "/old/path.xls", "old"},
        {FileAnswer::error(), "xls", Value::integer(-1), "/old/path.xls", "old"},
        {FileAnswer::chosen("/tmp/out"), "xls", Value::integer(1), "/tmp/out.xls", "out.xls"},
        {FileAnswer::chosen("/tmp/out.txt"), "xls", Value::integer(1), "/tmp/out.txt", "out.txt"},
        {FileAnswer::chosen("/tmp/out"), "", Value::integer(1), "/tmp/out", "out"},
        {FileAnswer::chosen("/tmp/out"), Value::null_of(Type::String), Value::null_of(Type::Integer), "/old/path.xls",
         "old"},
    };
    for (const Case& c : cases) {
        Desktop fresh(runtime);
        if (c.answer)
            fresh.answer_file_dialog(*c.answer);
        std::string pathname = "/old/path.xls";
        std::string filename = "old";
        EXPECT_EQ(fresh.get_file_save_name("导出", pathname, filename, c.extension, "Excel,*.xls"), c.result);
        EXPECT_EQ(pathname, c.pathname);
        EXPECT_EQ(filename, c.filename);
        if (c.result.is_null()) {
            EXPECT_TRUE(fresh.file_dialogs().empty());
            continue;
        }
        ASSERT_EQ(fresh.file_dialogs().size(), 1u);
        const FileDialogRecord& dialog = fresh.file_dialogs()[0];
        EXPECT_EQ(dialog.title, "导出");
        EXPECT_EQ(dialog.pathname, "/old/path.xls");
        EXPECT_EQ(dialog.filter, "Excel,*.xls");
        EXPECT_EQ(Value::integer(static_cast<std::int16_t>(dialog.result)), c.result);
        EXPECT_EQ(dialog.chosen, c.result == Value::integer(1) ? c.pathname : "");
    }
}

TEST_F(Dialogs, ColourAndTextFromTheScriptedUserElseCancelled)
{
    desktop.answer_color_dialog(255);
    desktop.answer_color_dialog(std::nullopt);
    desktop.answer_text_dialog("O'Brien");
    desktop.answer_text_dialog(std::nullopt);
    std::int32_t color = 33554432;
    EXPECT_EQ(desktop.choose_color(color), 1);
    EXPECT_EQ(color, 255);
    EXPECT_EQ(desktop.choose_color(color), 0); // cancelled
    EXPECT_EQ(desktop.choose_color(color), 0); // nothing queued
    EXPECT_EQ(color, 255);
    EXPECT_EQ(desktop.color_dialogs().front().initial, 33554432);
    EXPECT_EQ(desktop.color_dialogs().front().chosen, 255);
    EXPECT_EQ(desktop.color_dialogs().back().result, 0);

    for (const auto& [result, after] : {std::pair {1, "O'Brien"}, {0, "old"}, {0, "old"}}) {
        std::string text = "old";
        EXPECT_EQ(desktop.ask_text("查询", "请输入：", text), result);
        EXPECT_EQ(text, after);
    }
    ASSERT_EQ(desktop.text_dialogs().size(), 3u);
    EXPECT_EQ(desktop.text_dialogs()[0].title, "查询");
    EXPECT_EQ(desktop.text_dialogs()[0].prompt, "请输入：");
    EXPECT_EQ(desktop.text_dialogs()[0].text, "O'Brien");
}

// A script that sets the pointer twice and records what SetPointer answered.
std::vector<Pointer> g_previous;
std::vector<Pointer> g_inside;

TEST_F(Dialogs, PointerRevertsWhenTheScriptEnds)
{
    // Outside any script nothing holds the pointer.
    EXPECT_EQ(desktop.set_pointer(Pointer::HourGlass), Pointer::Arrow);
    EXPECT_EQ(desktop.pointer(), Pointer::Arrow);

    Ref<t_dw> dw = runtime.create("t_dw");
    static Desktop* running = nullptr;
    running = &desktop;
    g_previous.clear();
    g_inside.clear();
    static const ClassTable table {"t_pointer",
                                   "nonvisualobject",
                                   nullptr,
                                   {},
                                   {{own_group,
                                     "",
                                     {{"uf_work", SlotKind::Function, std::nullopt}},
                                     {{21, "uf_work", [](ScriptCall&) -> ScriptResult {
                                           g_previous.push_back(running->set_pointer(Pointer::HourGlass));
                                           g_inside.push_back(running->pointer());
                                           g_previous.push_back(running->set_pointer(Pointer::Cross));
                                           g_inside.push_back(running->pointer());
                                           return no_return;
                                       }}}}}};
    ASSERT_EQ(error_text(registry.register_class([]() -> const ClassTable& { return table; })), "");
    ObjectRef worker = runtime.create("t_pointer");
    EXPECT_EQ(runtime.dispatch(worker, "uf_work").outcome, Outcome::Completed);
    EXPECT_EQ(g_previous, (std::vector<Pointer> {Pointer::Arrow, Pointer::HourGlass}));
    EXPECT_EQ(g_inside, (std::vector<Pointer> {Pointer::HourGlass, Pointer::Cross}));
    EXPECT_EQ(desktop.pointer(), Pointer::Arrow);
    EXPECT_EQ(desktop.pointer_history(),
              (std::vector<Pointer> {Pointer::HourGlass, Pointer::HourGlass, Pointer::Cross}));
}

TEST_F(Dialogs, PopMenuIsRecordedWithItsPositionAndWindow)
{
    ObjectRef frame;
    ASSERT_EQ(desktop.open(frame, "t_frame"), 1);
    auto menu = std::make_shared<Menu>("m_main");
    auto file = menu->add_item("m_file", "文件");
    auto tools = menu->add_item("m_tools", "工具");
    file->add_item("m_exit", "退出");
    Ref<Window>(frame).get()->menuid = menu;

    ASSERT_NE(menu->item(1), nullptr);
    EXPECT_EQ(menu->item(1)->name, "m_file");
    EXPECT_EQ(menu->item(2)->name, "m_tools");
    EXPECT_EQ(menu->item(0), nullptr);
    EXPECT_EQ(menu->item(3), nullptr);
    EXPECT_EQ(menu->find("M_EXIT")->text, "退出");
    EXPECT_EQ(menu->find("m_none"), nullptr);

    EXPECT_EQ(menu->item(1)->pop_menu(90, 176), 1);
    EXPECT_EQ(menu->item(2)->pop_menu(200, 176), 1);
    ASSERT_EQ(desktop.popped_menus().size(), 2u);
    EXPECT_EQ(desktop.popped_menus()[0].name, "m_file");
    EXPECT_EQ(desktop.popped_menus()[0].menu, file);
    EXPECT_EQ(desktop.popped_menus()[0].x, 90);
    EXPECT_EQ(desktop.popped_menus()[0].y, 176);
    EXPECT_TRUE(desktop.popped_menus()[0].window.same_as(frame));
    EXPECT_EQ(desktop.popped_menus()[1].name, "m_tools");
    EXPECT_EQ(desktop.popped_menus()[1].x, 200);

    // Choosing items: only enabled, visible items with an action run.
    int ran = 0;
    tools->clicked = [&] { ++ran; };
    EXPECT_EQ(tools->choose(), 1);
    tools->enabled = false;
    EXPECT_EQ(tools->choose(), 0);
    EXPECT_EQ(file->choose(), 0);
    EXPECT_EQ(ran, 1);
}

} // namespace
} // namespace hearth::test
