#pragma once
// The world the tab pages live in, for tests: every library class registered, a runtime, a
// desktop finding the test objects of tests/library/tabs/data (and the toolbar's d_tool), a
// small SQLite community in a temporary folder of this process, an in-memory application
// whose sqlca reaches it, and a main window w_main with the toolbar dw_tool whose wf_setstatus
// shows its text on the desktop.
//
// Data, d_rpr's rows in key order (rpr: households; person: by rprno, char; honor: by rprid,
// long; visit: by regdate, date):
//   rpr     R1 (rprid 1, 张三, 2020-01-01, issave '0'), R2 (2, 李四, 2021-02-02, '1'),
//           S'1 (3, 王五, 2022-03-03, '0')
//   person  P1, P2 of R1; P3 of R2; P4 of S'1
//   honor   10, 11 of rprid 1; 12 of rprid 2
//   visit   100 on 2020-01-01, 101 on 2021-02-02

#include "host/object/runtime.h"
#include "host/ui/desktop.h"
#include "library/tabs/uo_tabpg_datawindow.h"
#include "library/toolbar/uo_toolbar.h"
#include "tests/library/frame/memory_application.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace hearth::test {

// Records the SELECTs the DataWindows retrieve with, in order.
class SelectLog : public DesktopObserver {
public:
    void retrieving(const std::string& select) override { selects.push_back(select); }
    std::vector<std::string> selects;
};

class TabsTest : public ::testing::Test {
protected:
    TabsTest();
    ~TabsTest() override;

    // Creates a page of `class_name` showing `dataobject`, as the opener does: the object's
    // name in Message.StringParm, then create and the constructors. The page is destroyed with
    // the fixture.
    template <class T = uo_tabpg_datawindow> T& page(std::string_view class_name, std::string_view dataobject)
    {
        ObjectRef ref = make_page(class_name, dataobject);
        auto* typed = dynamic_cast<T*>(ref.get());
        if (!typed)
            throw std::runtime_error("no page of class " + std::string(class_name));
        return *typed;
    }
    // A master list page on d_rpr, retrieved, with `row` current; it becomes guo_tabpg_master.
    uo_tabpg_datawindow& master_page(long row = 1);
    // Runs an event or function on a page or its dw_1 and expects it to complete.
    Value run(const ObjectRef& target, std::string_view name, std::vector<Value> args = {});
    // dw_1 of a page.
    static uo_dw& dw(uo_tabpg_datawindow& page) { return *page.dw_1.get(); }

    // The toolbar of w_main.
    uo_toolbar& toolbar();
    // The tag of a toolbar button ("1" enabled, "0" disabled); set_tags gives every named
    // button a tag first, so that a test sees which ones a script left alone.
    std::string tag(std::string_view button);
    void set_tags(const std::vector<std::string_view>& buttons, std::string_view tag);
    // Status texts shown through w_main.wf_setstatus, in order.
    const std::vector<std::string>& status_texts() { return desktop.status_texts(); }
    // The codes of the runtime errors raised so far, in order.
    std::vector<int> error_codes() const;
    // Runs a statement on the test database and commits; expects success.
    void execute(std::string_view statement);

    const std::filesystem::path folder;
    ClassRegistry registry;
    Runtime runtime {registry};
    Desktop desktop;
    SelectLog selects;
    MemoryApplication application;
    CurrentApplication current {application};
    AppGlobals& globals = application.globals();
    ObjectRef w_main;

private:
    ObjectRef make_page(std::string_view class_name, std::string_view dataobject);

    std::vector<ObjectRef> m_made;
};

} // namespace hearth::test
