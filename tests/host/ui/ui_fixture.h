#pragma once
// A registry with the host's control types, a runtime, a desktop that finds objects in
// tests/host/ui/data, and small test classes whose scripts record the events they get.

#include "host/object/runtime.h"
#include "host/ui/datawindow_control.h"
#include "host/ui/desktop.h"
#include "host/ui/register.h"
#include "host/ui/window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace hearth::test {

inline std::filesystem::path ui_data_dir() { return std::filesystem::path(HEARTH_SOURCE_DIR) / "tests/host/ui/data"; }

// One received event: its name and its arguments rendered as text ("obj:<name>/<band>" for a
// dwobject).
struct Received {
    std::string event;
    std::vector<std::string> args;
    bool operator==(const Received&) const = default;
};

std::string render(const Value& value);

// Every event a test class gets, in order, across all instances.
std::vector<Received>& journal();

// Registers the test classes (t_dw, t_window, t_sheet, t_picture, t_tab, t_page) once per registry.
void register_test_classes(ClassRegistry& registry);

class UiTest : public ::testing::Test {
protected:
    UiTest()
    {
        EXPECT_EQ(error_text(register_ui_classes(registry)), "");
        register_test_classes(registry);
        journal().clear();
    }

    ClassRegistry registry;
    Runtime runtime {registry};
    Desktop desktop {runtime, dw::ObjectLibrary({ui_data_dir()})};
};

// The test DataWindow class: records its events; itemchanged answers `itemchanged_answer`
// and, with `trim_in_itemchanged`, writes the trimmed text back with SetItem first; the Enter
// event answers `enter_answer`.
class t_dw : public DataWindowControl {
public:
    t_dw()
    {
        width = 1200;
        height = 600;
    }
    std::int32_t itemchanged_answer = 0;
    bool trim_in_itemchanged = false;
    std::int32_t enter_answer = 0;
};

// A window with two DataWindows, a static text and a tab control; its open event records
// the message object's parameters, ue_move records the move.
class t_window : public Window {
public:
    t_window()
    {
        width = 2000;
        height = 1200;
    }
    ObjectRef dw_1;
    ObjectRef dw_2;
    ObjectRef st_1;
    ObjectRef tab_1;
};

class t_frame : public Window {
public:
    t_frame() { windowtype = WindowType::Mdi; }
};

class w_resp : public Window {
public:
    w_resp() { windowtype = WindowType::Response; }
};

} // namespace hearth::test
