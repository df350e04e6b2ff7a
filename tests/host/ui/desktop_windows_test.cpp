// Open, OpenWithParm, Close, sheets and the active sheet, response windows.

#include "ui_fixture.h"

namespace hearth::test {
namespace {

using Windows = UiTest;

TEST_F(Windows, OpenByClassNameRunsCreateConstructorsAndOpen)
{
    ObjectRef window;
    EXPECT_EQ(desktop.open(window, "T_WINDOW"), 1);
    Ref<t_window> opened = window;
    ASSERT_TRUE(opened.is_valid());
    EXPECT_TRUE(opened.get()->visible);
    ASSERT_EQ(opened.get()->control().size(), 4u);
    EXPECT_TRUE(opened.get()->control()[0].same_as(opened.get()->dw_1));
    EXPECT_EQ(fn::class_name(opened.get()->control()[3]), "tab_1");
    EXPECT_EQ(desktop.windows().size(), 1u);
    const std::vector<Received> expected {{"open", {"", "0", ""}}};
    EXPECT_EQ(journal(), expected);
}

TEST_F(Windows, OpenWithParmFillsTheMessageObject)
{
    Ref<DataWindowControl> dw = runtime.create("datawindow");
    struct Case {
        Value parm;
        Received seen;
    };
    const Case cases[] = {
        {Value("添加"), {"open", {"添加", "0", ""}}},
        {Value(7), {"open", {"添加", "7", ""}}}, // a number leaves StringParm as it was
        {Value(dw.ref()), {"open", {"添加", "7", "datawindow"}}},
    };
    for (const Case& c : cases) {
        journal().clear();
        ObjectRef window;
        EXPECT_EQ(desktop.open_with_parm(window, c.parm, "t_sheet"), 1);
        ASSERT_EQ(journal().size(), 1u);
        EXPECT_EQ(journal()[0], c.seen);
        EXPECT_EQ(desktop.close(window), 1);
    }
}

TEST_F(Windows, OpenFailsForUnknownClassesAndNonWindows)
{
    const std::size_t live = runtime.live_objects();
    struct Case {
        std::string_view class_name;
    };
    for (const Case& c : {Case {"w_nothere"}, Case {"datawindow"}, Case {"t_dw"}, Case {"t_tab`tabpage_1"}}) {
        ObjectRef window;
        EXPECT_EQ(desktop.open(window, c.class_name), -1) << c.class_name;
        EXPECT_FALSE(window.is_valid());
        ObjectRef with_parm;
        EXPECT_EQ(desktop.open_with_parm(with_parm, Value("x"), c.class_name), -1) << c.class_name;
    }
    EXPECT_EQ(runtime.live_objects(), live); // nothing made stays behind
    EXPECT_TRUE(desktop.windows().empty());
}

TEST_F(Windows, OpeningAnOpenWindowActivatesIt)
{
    ObjectRef first;
    ObjectRef second;
    ASSERT_EQ(desktop.open(first, "t_sheet"), 1);
    ASSERT_EQ(desktop.open(second, "t_window"), 1);
    ObjectRef again = first;
    EXPECT_EQ(desktop.open(again, "t_sheet"), 1);
    EXPECT_TRUE(again.same_as(first));
    ASSERT_EQ(desktop.windows().size(), 2u);
    EXPECT_TRUE(desktop.windows().back().same_as(first));
    EXPECT_EQ(journal().size(), 2u); // open ran once per window
}

TEST_F(Windows, ActiveSheetFollowsOpeningActivationAndClosing)
{
    ObjectRef frame;
    ASSERT_EQ(desktop.open(frame, "t_frame"), 1);
    EXPECT_FALSE(desktop.get_active_sheet(frame).is_valid());
    ObjectRef sheet_1;
    ObjectRef sheet_2;
    ASSERT_EQ(desktop.open_sheet(sheet_1, "t_sheet", frame), 1);
    ASSERT_EQ(desktop.open_sheet_with_parm(sheet_2, Value("2"), "t_window", frame), 1);
    EXPECT_TRUE(Ref<Window>(sheet_2).get()->parent_window.same_as(frame));
    EXPECT_TRUE(desktop.get_active_sheet(frame).same_as(sheet_2));
    desktop.activate(sheet_1);
    EXPECT_TRUE(desktop.get_active_sheet(frame).same_as(sheet_1));
    EXPECT_EQ(desktop.close(sheet_1), 1);
    EXPECT_FALSE(sheet_1.is_valid());
    EXPECT_TRUE(desktop.get_active_sheet(frame).same_as(sheet_2));
    // A window that is no frame has no sheets; an invalid frame neither.
    EXPECT_FALSE(desktop.get_active_sheet(sheet_2).is_valid());
    EXPECT_FALSE(desktop.get_active_sheet(ObjectRef()).is_valid());
    ObjectRef orphan;
    EXPECT_EQ(desktop.open_sheet(orphan, "t_sheet", ObjectRef()), -1);
    // Closing the frame closes its sheets first.
    EXPECT_EQ(desktop.close(frame), 1);
    EXPECT_FALSE(sheet_2.is_valid());
    EXPECT_TRUE(desktop.windows().empty());
    EXPECT_EQ(desktop.close(frame), -1);
}

TEST_F(Windows, ResponseWindowIsAnsweredByTheScriptedUser)
{
    desktop.set_response_handler(
        "w_resp", [](Desktop& d, const ObjectRef& window) { EXPECT_EQ(d.close_with_return(window, Value("1")), 1); });
    ObjectRef window;
    ASSERT_EQ(desktop.open_with_parm(window, Value("unlock"), "w_resp"), 1);
    EXPECT_FALSE(window.is_valid());
    EXPECT_EQ(runtime.message_object()->string_parm, "1");
    const std::vector<Received> expected {{"open", {"unlock", "0", ""}}};
    EXPECT_EQ(journal(), expected);

    // Without a handler the response window stays open for the test to act on.
    desktop.set_response_handler("W_RESP", nullptr);
    ObjectRef other;
    ASSERT_EQ(desktop.open(other, "w_resp"), 1);
    EXPECT_TRUE(other.is_valid());
    EXPECT_EQ(desktop.close_with_return(ObjectRef(), Value("x")), -1);
}

TEST_F(Windows, CloseClearsTheFocusInsideAndDestroysTheControls)
{
    ObjectRef window;
    ASSERT_EQ(desktop.open(window, "t_window"), 1);
    ObjectRef dw = Ref<t_window>(window).get()->dw_1;
    ASSERT_EQ(desktop.set_focus(dw), 1);
    EXPECT_EQ(desktop.close(window), 1);
    EXPECT_FALSE(dw.is_valid());
    EXPECT_FALSE(desktop.focus().is_valid());
}

// Closing a window gives the focus back to the control that had it when the window opened,
// so the keys go on reaching the page beneath an editing window.
TEST_F(Windows, CloseGivesTheFocusBackToTheWindowBeneath)
{
    ObjectRef below;
    ASSERT_EQ(desktop.open(below, "t_window"), 1);
    ObjectRef page_dw = Ref<t_window>(below).get()->dw_2;
    ASSERT_EQ(desktop.set_focus(page_dw), 1);
    ObjectRef above;
    ASSERT_EQ(desktop.open(above, "t_window"), 1);
    ASSERT_EQ(desktop.set_focus(Ref<t_window>(above).get()->dw_1), 1);
    EXPECT_EQ(desktop.close(above), 1);
    EXPECT_TRUE(desktop.focus().same_as(page_dw));
}

} // namespace
} // namespace hearth::test
