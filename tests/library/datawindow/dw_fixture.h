#pragma once
// A registry with the host's control types and the DataWindow control classes, a runtime, a
// desktop finding objects in tests/library/datawindow/data, an in-memory application, and a
// main window w_main whose wf_setstatus records the status texts.

#include "host/object/runtime.h"
#include "host/ui/datawindow_control.h"
#include "host/ui/desktop.h"
#include "host/ui/engine_access.h"
#include "host/ui/register.h"
#include "library/datawindow/uo_dw.h"
#include "library/datawindow/uo_dwform.h"
#include "library/datawindow/uo_dwnosort.h"
#include "library/datawindow/uo_dwsort.h"
#include "tests/library/frame/memory_application.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace hearth::test {

// Status texts shown through w_main.wf_setstatus, in order ("<null>" for a null text).
std::vector<std::string>& status_texts();

// Registers the window class w_main (wf_setstatus at the window's first user slot).
void register_main_window(ClassRegistry& registry);

class DwTest : public ::testing::Test {
protected:
    DwTest();
    ~DwTest() override;

    // Creates a control of a library class showing `dataobject`, with `rows` rows whose items
    // come from `fill(row)` (tab-separated text in column order). The rows arrive as a
    // retrieval does: not modified, no current row event.
    template <class T> T& make(std::string_view class_name, std::string_view dataobject)
    {
        ObjectRef ref = runtime.create_and_construct(class_name);
        m_made.push_back(ref);
        auto* control = dynamic_cast<T*>(ref.get());
        EXPECT_NE(control, nullptr) << class_name;
        EXPECT_EQ(control->set_dataobject(dataobject), 1) << control->load_error();
        return *control;
    }
    void load(DataWindowBase& dw, const std::vector<std::string>& rows);
    // Opens w_main and makes it the application's main window.
    void open_main_window();
    // The codes of the runtime errors raised so far, in order.
    std::vector<int> error_codes() const;

    ClassRegistry registry;
    Runtime runtime {registry};
    Desktop desktop;
    MemoryApplication application;
    CurrentApplication current {application};
    ObjectRef w_main;

private:
    std::vector<ObjectRef> m_made;
};

} // namespace hearth::test
