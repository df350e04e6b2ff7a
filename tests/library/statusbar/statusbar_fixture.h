#pragma once
// A registry with the host's controls and the status bar classes, a runtime, and an
// application whose colours the cells take.

#include "host/object/runtime.h"
#include "host/ui/register.h"
#include "library/statusbar/uo_statictext.h"
#include "library/statusbar/uo_statusbar_main.h"
#include "library/statusbar/uo_statusbar_panel.h"
#include "library/statusbar/uo_statusbar_unit.h"
#include "tests/library/frame/memory_application.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace hearth::test {

inline constexpr std::int32_t app_backcolor = 15780518;
inline constexpr std::int32_t app_textcolor = 8388608;

// The status bar classes, ancestors first.
inline std::string register_statusbar_classes(ClassRegistry& registry)
{
    if (std::string error = error_text(register_ui_classes(registry)); !error.empty())
        return error;
    for (VtableInfoFn entry : {&_getVtableInfo_uo_statictext, &_getVtableInfo_uo_statusbar_unit,
                               &_getVtableInfo_uo_statusbar_panel, &_getVtableInfo_uo_statusbar_main})
        if (std::string error = error_text(registry.register_class(entry)); !error.empty())
            return error;
    return {};
}

class StatusbarTest : public ::testing::Test {
protected:
    StatusbarTest()
    {
        EXPECT_EQ(register_statusbar_classes(m_registry), "");
        m_app.globals().gl_backcolor = app_backcolor;
        m_app.globals().gl_textcolor = app_textcolor;
    }

    template <class T> T& as(const ObjectRef& ref)
    {
        auto* typed = dynamic_cast<T*>(ref.get());
        EXPECT_NE(typed, nullptr);
        if (!typed)
            throw std::runtime_error("object of an unexpected type");
        return *typed;
    }

    // The panel's cells in Control order.
    std::vector<uo_statusbar_unit*> cells(const ObjectRef& panel)
    {
        std::vector<uo_statusbar_unit*> found;
        for (const ObjectRef& entry : panel.get()->control())
            found.push_back(&as<uo_statusbar_unit>(entry));
        return found;
    }

    // resize(w, 0) as the owning window calls it.
    DispatchResult resize(const ObjectRef& object, std::int16_t w)
    {
        return m_runtime.dispatch(object, "resize", {Value::integer(w), Value::integer(0)});
    }
    DispatchResult set_text(const ObjectRef& panel, std::int16_t index, Value text)
    {
        return m_runtime.dispatch(panel, "uf_settext", {Value::integer(index), std::move(text)});
    }

    std::vector<std::int32_t> widths(const ObjectRef& panel)
    {
        std::vector<std::int32_t> result;
        for (uo_statusbar_unit* cell : cells(panel))
            result.push_back(cell->width);
        return result;
    }
    std::vector<std::int32_t> xs(const ObjectRef& panel)
    {
        std::vector<std::int32_t> result;
        for (uo_statusbar_unit* cell : cells(panel))
            result.push_back(cell->x);
        return result;
    }

    ClassRegistry m_registry;
    Runtime m_runtime {m_registry};
    MemoryApplication m_app;
    CurrentApplication m_current {m_app};
};

} // namespace hearth::test
