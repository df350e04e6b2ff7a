// The main status bar placed on a window, as the application's main window holds it: opened
// with the window, laid out by the window's width, closed with it.

#include "statusbar_fixture.h"

#include "host/ui/desktop.h"
#include "host/ui/window.h"

using namespace hearth;
using namespace hearth::test;

namespace {

using Numbers = std::vector<std::int32_t>;

class MainWindow : public Window {
public:
    MainWindow() { width = 3000; }

    Ref<uo_statusbar_main> uo_status;

    ScriptResult create(ScriptCall& call)
    {
        call.runtime().create_controls(call);
        uo_status.get()->x = 0;
        uo_status.get()->y = 1800;
        return no_return;
    }
    // open: the window lays its status bar out at its own width and shows who is working.
    ScriptResult open(ScriptCall& call)
    {
        call.call(uo_status, "resize", {Value::integer(static_cast<std::int16_t>(width)), Value::integer(0)});
        call.call(uo_status, "uf_settext", {Value::integer(1), Value("当前用户：管理员")});
        return no_return;
    }
};

const ClassTable& main_window_table()
{
    static const ClassTable table {"w_status_main",
                                   "window",
                                   make_object<MainWindow>,
                                   {{"uo_status", "uo_statusbar_main", store_in<&MainWindow::uo_status>}},
                                   {{own_group,
                                     "",
                                     {},
                                     {{0, "create", on_self<&MainWindow::create>},
                                      {1, "destroy", destroy_script},
                                      {38, "open", on_self<&MainWindow::open>}}}}};
    return table;
}

class StatusbarOnAWindow : public StatusbarTest {
protected:
    StatusbarOnAWindow() { EXPECT_EQ(error_text(m_registry.register_class(&main_window_table)), ""); }
    Desktop m_desktop {m_runtime};
};

TEST_F(StatusbarOnAWindow, OpensWithTheWindowAndFollowsItsTexts)
{
    ObjectRef window;
    ASSERT_EQ(m_desktop.open(window, "w_status_main"), 1);
    auto& main = *dynamic_cast<MainWindow*>(window.get());
    const ObjectRef bar = main.uo_status;
    ASSERT_TRUE(bar.is_valid());
    // The bar's constructor ran with the window's controls: colour, height, row.
    EXPECT_EQ(as<uo_statusbar_main>(bar).backcolor, app_backcolor);
    EXPECT_EQ(as<uo_statusbar_main>(bar).height, 76);
    EXPECT_EQ(as<uo_statusbar_main>(bar).y, 1800);
    // open laid it out at the window's width and set the first text.
    // 460 + 4 * 60 = 700 natural; 3000 - 700 - 5 + 80 = 2375 free go to the first cell.
    EXPECT_EQ(widths(bar), (Numbers {2835, 60, 60, 60, 60}));
    EXPECT_EQ(xs(bar), (Numbers {5, 2820, 2860, 2900, 2940}));
    EXPECT_EQ(cells(bar)[0]->st_1.get()->text, "当前用户：管理员");

    ASSERT_EQ(set_text(bar, 2, Value("检索到12条记录!")).outcome, Outcome::Completed);
    EXPECT_EQ(widths(bar), (Numbers {2385, 510, 60, 60, 60}));
    EXPECT_EQ(xs(bar), (Numbers {5, 2370, 2860, 2900, 2940}));
    EXPECT_TRUE(m_runtime.error_log().empty());

    const ObjectRef last_text = cells(bar)[4]->st_1;
    ASSERT_EQ(m_desktop.close(window), 1);
    EXPECT_FALSE(bar.is_valid());
    EXPECT_FALSE(last_text.is_valid());
    EXPECT_TRUE(m_runtime.error_log().empty());
}

} // namespace
