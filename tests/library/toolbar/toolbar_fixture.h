#pragma once
// The world the toolbar's commands act on, for tests: every library class registered, a
// runtime, a desktop finding the test objects of tests/library/toolbar/data (and the toolbar's
// d_tool), an in-memory application, and
// - a main window w_main: the toolbar dw_tool, wf_setstatus (shown on the desktop's status
//   line), a menu whose items 1 and 2 are "m_main" and "m_close", and ue_explorer, which shows
//   "ue_explorer <text> <mode>" on the status line; w_main's ib_query is the application's
//   (MemoryApplication::w_main_ib_query);
// - stand-ins for the application's windows the commands open by class name (w_m_ge_rpr,
//   w_m_ge_personinfo, w_setshow, w_filter, w_datawindow_sort, w_print_preview, w_agent, the
//   response window w_locklogin, and the report sheet w_mainreport with its dw_report); the
//   desktop's observer records each opening in `opened`;
// - two SQLite databases in a folder of this process: sqlca (current data) and photosqlca
//   (photos and history). Both connect through the failing driver of the SQL tests, so a test
//   can make a statement or a commit fail (fail_next).
//
// households() creates a small community on sqlca, as d_ge_rpr and d_ge_personinfo read it:
//   tc_ge_rpr         R1 (张三, 2 persons), R2 (李四, 1), R3 (王五, 0); issave '0'
//   tc_ge_personinfo  P1 (R1, 张三, '02'), P2 (R1, 张小, '03'), P3 (R2, 李四, '02'); issave '0'
//   A person's rprno references its household, so deleting R1 or R2 fails at the Update.

#include "host/object/runtime.h"
#include "host/ui/desktop.h"
#include "library/tabs/uo_tabpg_datawindow.h"
#include "library/toolbar/uo_toolbar.h"
#include "tests/host/sql/faulty_driver.h"
#include "tests/library/frame/memory_application.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace hearth::test {

// Records each window opened: "<class> <text parameter>" ("<class>" alone without one).
class OpenedWindows : public DesktopObserver {
public:
    void window_opened(const std::string& class_name, const std::string& parameter) override
    {
        opened.push_back(parameter.empty() ? class_name : class_name + " " + parameter);
    }
    std::vector<std::string> opened;
};

// The make function and the script groups of the fixture's w_main, for a test's own frame
// class (one holding a descendant of uo_toolbar as dw_tool, say).
MakeFn frame_make();
std::vector<GroupRow> frame_groups();

class ToolbarTest : public ::testing::Test {
protected:
    // `frame_class`: the class of the main window, "w_main" or a test's own one registered
    // by `register_more` (a descendant's toolbar, say).
    explicit ToolbarTest(std::string_view frame_class = "w_main", void (*register_more)(ClassRegistry&) = nullptr);
    ~ToolbarTest() override;

    // ---- Pages
    // A page of `class_name` showing `dataobject`, made as the opener makes it: the object's
    // name in Message.StringParm, then create and the constructors. Destroyed with the fixture.
    uo_tabpg_datawindow& page(std::string_view dataobject, std::string_view class_name = "uo_tabpg_datawindow");
    // A list page on `dataobject`, retrieved, with `row` current (0: none); it becomes both
    // guo_tabpg_now and guo_tabpg_master.
    uo_tabpg_datawindow& current_page(std::string_view dataobject, long row = 1);
    static uo_dw& dw(uo_tabpg_datawindow& page) { return *page.dw_1.get(); }

    // ---- The toolbar and the gestures on it
    uo_toolbar& toolbar();
    // The left button goes down / comes up over the middle of an object of d_tool ("p_del",
    // "t_del"), through the desktop as the front end delivers it.
    void press(std::string_view object);
    void release(std::string_view object);
    // Press and release on the same object.
    void click(std::string_view object);
    // A press from the keyboard, as the pages make it: is_object names the button, then
    // ue_dwnlbuttonup at 0, 0 with the button as dwo.
    void keyboard_press(std::string_view button);
    // The middle of an object of d_tool, from Describe.
    std::pair<int, int> centre(std::string_view object);
    // A button's tag and bitmap.
    std::string tag(std::string_view button);
    std::string filename(std::string_view button);

    // ---- Data
    // Runs a statement and commits, on sqlca or photosqlca; expects success.
    void sql(std::string_view statement);
    void photo_sql(std::string_view statement);
    // A single number a SELECT gives (SELECT count(*) ...) on sqlca; -1 after an error.
    long number(std::string_view select) { return number(globals.sqlca, select); }
    long number(Transaction& transaction, std::string_view select);
    // The community of the file comment, on sqlca.
    void households();
    // The next call at `point` on `transaction`'s connection fails (counting from now).
    void fail_next(Transaction& transaction, FaultPoint point);

    // ---- What happened
    // Runs an event or function and expects it to complete; returns its value.
    Value run(const ObjectRef& target, std::string_view name, std::vector<Value> args = {});
    // The codes of the runtime errors raised so far, in order.
    std::vector<int> error_codes() const;
    // "title|text" of each message box so far, from the `from`th on.
    std::vector<std::string> boxes(std::size_t from = 0) const;

    const std::filesystem::path folder;
    ClassRegistry registry;
    Runtime runtime {registry};
    Desktop desktop;
    OpenedWindows windows;
    MemoryApplication application;
    CurrentApplication current {application};
    AppGlobals& globals = application.globals();
    ObjectRef w_main;
    std::shared_ptr<FaultPlan> sqlca_faults = std::make_shared<FaultPlan>();
    std::shared_ptr<FaultPlan> photo_faults = std::make_shared<FaultPlan>();

private:
    std::vector<ObjectRef> m_made;
};

} // namespace hearth::test
