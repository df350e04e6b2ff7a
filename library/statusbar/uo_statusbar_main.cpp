#include "library/statusbar/uo_statusbar_main.h"

#include "host/object/runtime.h"

namespace hearth {

uo_statusbar_main::uo_statusbar_main()
{
    width = 2363;
    height = 108;
}

ScriptResult uo_statusbar_main::create(ScriptCall& call)
{
    call.runtime().create_controls(call);
    // Design-time places; the panel's constructor and the first resize replace x and y.
    const struct {
        const Ref<uo_statusbar_unit>& cell;
        std::int32_t x, y, taborder;
    } places[] = {{uo_2, 453, 8, 20}, {uo_3, 919, 8, 30}, {uo_4, 1426, 8, 40}, {uo_5, 1902, 16, 50}};
    for (const auto& place : places) {
        uo_statusbar_unit* cell = place.cell.get();
        assert(cell && "create_controls has just made the added cells");
        cell->x = place.x;
        cell->y = place.y;
        cell->taborder = place.taborder;
        cell->bringtotop = true;
    }
    return no_return;
}

ScriptResult uo_statusbar_main::constructor(ScriptCall&) { return no_return; }

const ClassTable& _getVtableInfo_uo_statusbar_main()
{
    static const ClassTable table {"uo_statusbar_main",
                                   "uo_statusbar_panel",
                                   make_object<uo_statusbar_main>,
                                   {{"uo_2", "uo_statusbar_unit", store_in<&uo_statusbar_main::uo_2>},
                                    {"uo_3", "uo_statusbar_unit", store_in<&uo_statusbar_main::uo_3>},
                                    {"uo_4", "uo_statusbar_unit", store_in<&uo_statusbar_main::uo_4>},
                                    {"uo_5", "uo_statusbar_unit", store_in<&uo_statusbar_main::uo_5>}},
                                   {{own_group,
                                     "",
                                     {},
                                     {{0, "create", on_self<&uo_statusbar_main::create>},
                                      {1, "destroy", destroy_script},
                                      {34, "constructor", on_self<&uo_statusbar_main::constructor>}}},
                                    {32784, "uo_2", {}, {{1, "destroy", destroy_script}}},
                                    {32785, "uo_3", {}, {{1, "destroy", destroy_script}}},
                                    {32786, "uo_4", {}, {{1, "destroy", destroy_script}}},
                                    {32787, "uo_5", {}, {{1, "destroy", destroy_script}}}}};
    return table;
}

} // namespace hearth
