// The response-window base: its design-time look, the application's colour on open, and the
// move that is undone while the window is the active sheet of its frame.

#include "host/object/runtime.h"
#include "host/ui/desktop.h"
#include "host/ui/register.h"
#include "library/printing/w_response.h"
#include "tests/library/frame/memory_application.h"

#include <gtest/gtest.h>

using namespace hearth;
using namespace hearth::test;

namespace {

constexpr std::int32_t app_backcolor = 12632256;

class ResponseWindow : public ::testing::Test {
protected:
    ResponseWindow()
    {
        EXPECT_EQ(error_text(register_ui_classes(m_registry)), "");
        EXPECT_EQ(error_text(m_registry.register_class(&_getVtableInfo_w_response)), "");
        m_app.globals().gl_backcolor = app_backcolor;
    }

    w_response& dialog(const ObjectRef& ref)
    {
        auto* window = dynamic_cast<w_response*>(ref.get());
        EXPECT_NE(window, nullptr);
        if (!window)
            throw std::runtime_error("no w_response");
        return *window;
    }

    ClassRegistry m_registry;
    Runtime m_runtime {m_registry};
    MemoryApplication m_app;
    CurrentApplication m_current {m_app};
    Desktop m_desktop {m_runtime};
};

TEST_F(ResponseWindow, RegistersItsMoveEventAndTheWindowEvents)
{
    const ClassInfo* cls = m_registry.find("w_response");
    ASSERT_NE(cls, nullptr);
    EXPECT_EQ(cls->ancestor()->name(), "window");
    ASSERT_EQ(cls->groups().size(), 1u);
    EXPECT_EQ(cls->groups()[0].id, 32770);
    std::vector<std::pair<int, std::string>> scripts;
    for (const auto& script : cls->groups()[0].scripts)
        scripts.emplace_back(script.slot, script.name);
    EXPECT_EQ(
        scripts,
        (std::vector<std::pair<int, std::string>> {{119, "ue_move"}, {0, "create"}, {1, "destroy"}, {38, "open"}}));
    const SlotInfo* move = cls->slot_named("ue_move");
    ASSERT_NE(move, nullptr);
    EXPECT_EQ(move->kind, SlotKind::Event);
    EXPECT_EQ(move->returns, Type::Long);
}

TEST_F(ResponseWindow, OpensWithTheDesignTimeLookAndTheApplicationsColour)
{
    ObjectRef window;
    ASSERT_EQ(m_desktop.open(window, "w_response"), 1);
    const w_response& w = dialog(window);
    EXPECT_EQ(w.windowtype, WindowType::Response);
    EXPECT_EQ(w.width, 2674);
    EXPECT_EQ(w.height, 1416);
    EXPECT_TRUE(w.titlebar);
    EXPECT_EQ(w.title, "Untitled");
    EXPECT_TRUE(w.controlmenu);
    EXPECT_EQ(w.icon, "AppIcon!");
    EXPECT_FALSE(w.toolbarvisible);
    EXPECT_TRUE(w.center);
    EXPECT_TRUE(w.visible);
    EXPECT_EQ(w.backcolor, app_backcolor);
    EXPECT_TRUE(m_runtime.error_log().empty());
}

TEST_F(ResponseWindow, CreatedButNotOpenedKeepsTheSystemColour)
{
    ObjectRef window = m_runtime.create_and_construct("w_response");
    EXPECT_EQ(dialog(window).backcolor, 67108864);
}

TEST_F(ResponseWindow, OpenWithoutARunningApplicationFails)
{
    Application* previous = Application::set_current(nullptr);
    ObjectRef window;
    EXPECT_EQ(m_desktop.open(window, "w_response"), 1);
    Application::set_current(previous);
    EXPECT_EQ(dialog(window).backcolor, 67108864);
    ASSERT_EQ(m_runtime.error_log().size(), 2u);
    EXPECT_EQ(m_runtime.error_log()[0].code, ErrorCode::NullObjectReference);
    EXPECT_EQ(m_runtime.error_log()[0].context, "gl_backcolor: no application is running");
    EXPECT_EQ(m_runtime.error_log()[1].code, ErrorCode::CallFailed);
}

TEST_F(ResponseWindow, MovingStandsUnlessTheWindowIsTheActiveSheet)
{
    enum class Setup { Alone, OwnSheet, AnotherSheetActive, OverAFrameWithAnotherSheet, ReactivatedSheet };
    struct Case {
        const char* what;
        Setup setup;
        std::int32_t x, y;
    };
    const Case cases[] = {
        {"no active sheet", Setup::Alone, 300, 400},
        {"itself the active sheet", Setup::OwnSheet, 0, 0},
        {"another sheet active", Setup::AnotherSheetActive, 300, 400},
        {"opened over a frame whose sheet is active", Setup::OverAFrameWithAnotherSheet, 300, 400},
        {"active again after another sheet", Setup::ReactivatedSheet, 0, 0},
    };
    for (const Case& c : cases) {
        ObjectRef frame;
        ObjectRef other;
        ObjectRef window;
        ASSERT_EQ(m_desktop.open(frame, "window"), 1);
        switch (c.setup) {
        case Setup::Alone: ASSERT_EQ(m_desktop.open(window, "w_response"), 1); break;
        case Setup::OwnSheet: ASSERT_EQ(m_desktop.open_sheet(window, "w_response", frame), 1); break;
        case Setup::AnotherSheetActive:
            ASSERT_EQ(m_desktop.open_sheet(window, "w_response", frame), 1);
            ASSERT_EQ(m_desktop.open_sheet(other, "window", frame), 1);
            break;
        case Setup::OverAFrameWithAnotherSheet:
            ASSERT_EQ(m_desktop.open_sheet(other, "window", frame), 1);
            ASSERT_EQ(m_desktop.open(window, "w_response", frame), 1);
            break;
        case Setup::ReactivatedSheet:
            ASSERT_EQ(m_desktop.open_sheet(window, "w_response", frame), 1);
            ASSERT_EQ(m_desktop.open_sheet(other, "window", frame), 1);
            m_desktop.activate(window);
            break;
        }
        m_desktop.move_window(window, 300, 400);
        EXPECT_EQ(dialog(window).x, c.x) << c.what;
        EXPECT_EQ(dialog(window).y, c.y) << c.what;
        // A second move behaves the same: nothing is remembered between moves.
        m_desktop.move_window(window, 10, 20);
        EXPECT_EQ(dialog(window).x, c.x == 0 ? 0 : 10) << c.what;
        EXPECT_EQ(dialog(window).y, c.y == 0 ? 0 : 20) << c.what;
        ASSERT_EQ(m_desktop.close(frame), 1);
        if (window.is_valid())
            m_desktop.close(window);
    }
    EXPECT_TRUE(m_runtime.error_log().empty());
}

TEST_F(ResponseWindow, MoveAnswersTheDefaultEventResult)
{
    ObjectRef window;
    ASSERT_EQ(m_desktop.open(window, "w_response"), 1);
    DispatchResult result = m_runtime.dispatch(window, "ue_move", {Value::integer(5), Value::integer(6)});
    EXPECT_EQ(result.outcome, Outcome::Completed);
    EXPECT_EQ(result.value, Value(0));
    m_runtime.assign_new_message();
    m_runtime.message_object()->return_value = 1;
    result = m_runtime.dispatch(window, "ue_move", {Value::integer(5), Value::integer(6)});
    EXPECT_EQ(result.value, Value(1));
}

TEST_F(ResponseWindow, AWindowThatWasNeverOpenedHasNoActiveSheet)
{
    ObjectRef window = m_runtime.create_and_construct("w_response");
    dialog(window).x = 70;
    dialog(window).y = 80;
    EXPECT_EQ(m_runtime.dispatch(window, "ue_move", {Value::integer(70), Value::integer(80)}).outcome,
              Outcome::Completed);
    EXPECT_EQ(dialog(window).x, 70);
    EXPECT_EQ(dialog(window).y, 80);
}

} // namespace
