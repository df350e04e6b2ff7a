#include "test_classes.h"

#include <string>

namespace hearth::test {

std::vector<std::string>& trace()
{
    static std::vector<std::string> lines;
    return lines;
}

namespace {

constexpr auto event = SlotKind::Event;
constexpr auto function = SlotKind::Function;
constexpr std::optional<Type> long_result = Type::Long;

void note(const ScriptCall& call) { trace().push_back(call.script_class().key() + "." + call.slot().name); }

std::int32_t as_long(const Value& value) { return value.is_null() ? 0 : std::int32_t(value.as_integral()); }

ScriptResult traced(ScriptCall& call)
{
    note(call);
    return no_return;
}
ScriptResult traced_create(ScriptCall& call)
{
    note(call);
    return create_script(call);
}
ScriptResult traced_destroy(ScriptCall& call)
{
    note(call);
    return destroy_script(call);
}
ScriptResult returns_one(ScriptCall& call)
{
    note(call);
    return Value(1);
}
ScriptResult bare_return(ScriptCall& call)
{
    note(call);
    return Value();
}

// ---- t_dw -> t_dwnosort -> t_dwsort ----

// clicked(xpos, ypos, row, dwo): xpos is written back as 7; the result is row * 10.
ScriptResult dw_clicked(ScriptCall& call)
{
    note(call);
    call.self<t_dw>().ii_clicks++;
    call.arg(0) = Value(7);
    return Value(as_long(call.arg(2)) * 10);
}
ScriptResult dw_uf_base(ScriptCall& call)
{
    note(call);
    return Value(100);
}
// The descendant's clicked sees the argument its ancestor wrote back and the ancestor's result.
ScriptResult dwsort_clicked(ScriptCall& call)
{
    note(call);
    call.self<t_dw>().is_seen = std::to_string(as_long(call.arg(0)));
    return Value(as_long(call.ancestor_return_value()) + 1);
}
// No ancestor defines doubleclicked: the ancestor call is skipped and its value stays null.
ScriptResult dwsort_doubleclicked(ScriptCall& call)
{
    note(call);
    return Value(call.ancestor_return_value().is_null() ? 40 : -1);
}
ScriptResult dwsort_uf_base(ScriptCall& call)
{
    note(call);
    return Value(200);
}

// ---- t_page, t_grid ----

ScriptResult page_resize(ScriptCall& call)
{
    note(call);
    return Value::integer(1);
}
ScriptResult page_dw_clicked(ScriptCall& call)
{
    note(call);
    return Value(as_long(call.ancestor_return_value()) + 1000);
}
ScriptResult grid_dw_rowcountchanged(ScriptCall& call)
{
    note(call);
    return Value(as_long(call.ancestor_return_value()) + 1);
}

// ---- t_button ----

ScriptResult button_uf_setenabled(ScriptCall& call)
{
    note(call);
    call.self<t_button>().ib_enabled = call.arg(0).as_bool();
    return Value(1);
}

// ---- t_nvo ----

ScriptResult nvo_uf_call_null(ScriptCall& call)
{
    note(call);
    call.call(call.self<t_nvo>().target, "uf_x");
    call.self<t_nvo>().ii_after = 1;
    return Value(1);
}
ScriptResult nvo_uf_inner(ScriptCall& call)
{
    note(call);
    if (Object* target = call.use(call.self<t_nvo>().target, "target"))
        trace().push_back("used " + target->class_name());
    call.self<t_nvo>().ii_after = 2;
    return Value(2);
}
ScriptResult nvo_uf_outer(ScriptCall& call)
{
    note(call);
    Value inner = call.call(call.self_object().ref(), "uf_inner");
    call.self<t_nvo>().ii_after = 3;
    return inner;
}
ScriptResult nvo_ue_guarded(ScriptCall& call)
{
    note(call);
    call.use(call.self<t_nvo>().target, "target");
    return Value(24);
}
ScriptResult nvo_uf_divide(ScriptCall& call)
{
    note(call);
    call.raise(ErrorCode::DivideByZero, "1 / 0");
    call.self<t_nvo>().ii_after = 25;
    return Value(25);
}
ScriptResult nvo_uf_host_throws(ScriptCall& call)
{
    note(call);
    throw RuntimeError(ErrorCode::ArrayBounds, "gs_workparm[17]");
}
ScriptResult nvo_ue_host_fail(ScriptCall& call)
{
    note(call);
    call.raise(ErrorCode::CallFailed, "Describe failed");
    call.self<t_nvo>().ii_after = 29;
    return Value(29);
}
ScriptResult nvo_uf_parent(ScriptCall& call)
{
    note(call);
    if (t_page* page = call.parent<t_page>())
        page->ii_rowcount = 1;
    call.self<t_nvo>().ii_after = 30;
    return Value(30);
}
// uf_index(index): a null index raises 20508, one below 1 raises 20503.
ScriptResult nvo_uf_index(ScriptCall& call)
{
    note(call);
    if (call.arg(0).is_null())
        call.raise(ErrorCode::NullArrayIndex, "gs_workparm[null]");
    else if (as_long(call.arg(0)) < 1)
        call.raise(ErrorCode::ArrayBounds, "gs_workparm[" + std::to_string(as_long(call.arg(0))) + "]");
    call.self<t_nvo>().ii_after = 31;
    return Value(31);
}
// uf_two_refs(a, b): holds a reference to `a` while it reads `b`, then writes `a` back.
ScriptResult nvo_uf_two_refs(ScriptCall& call)
{
    note(call);
    Value& a = call.arg(0);
    const Value& b = call.arg(1);
    a = Value(b.is_null() ? 7 : 8);
    return Value(std::int32_t(call.arg_count()));
}
// uf_typed(integer ai, boolean ab): ai, or -1 when ab is true; null when ai is null.
ScriptResult nvo_uf_typed(ScriptCall& call)
{
    note(call);
    const std::optional<std::int16_t> ai = call.arg_as<std::int16_t>(0);
    const std::optional<bool> ab = call.arg_as<bool>(1);
    if (!ai)
        return Value::null_of(Type::Long);
    return Value(ab.value_or(false) ? -1 : std::int32_t(*ai));
}
// uf_object(t_dw adw): adw's click count; a null adw raises 20502.
ScriptResult nvo_uf_object(ScriptCall& call)
{
    note(call);
    if (t_dw* dw = call.use(call.arg_object<t_dw>(0), "adw"))
        return Value(dw->ii_clicks);
    return Value(-1);
}
ScriptResult child_ue_guarded(ScriptCall& call)
{
    note(call);
    call.self<t_nvo>().ii_after = 99;
    return Value(as_long(call.ancestor_return_value()) + 1);
}
ScriptResult child_ue_host_fail(ScriptCall& call)
{
    note(call);
    call.self<t_nvo>().ii_after = 99;
    return Value(0);
}

} // namespace

ScriptResult t_page::dw_1_ue_retrieve(ScriptCall& call)
{
    note(call);
    ii_rowcount = 5;
    return Value(ii_rowcount);
}

const ClassTable& _getVtableInfo_t_dw()
{
    static const ClassTable table {"t_dw",
                                   "datawindow",
                                   make_object<t_dw>,
                                   {},
                                   {{own_group,
                                     "",
                                     {{"ue_first", event, long_result}, {"uf_base", function, long_result}},
                                     {{50, "losefocus", traced},
                                      {0, "create", traced_create},
                                      {1, "destroy", traced_destroy},
                                      {47, "itemchanged", bare_return},
                                      {36, "clicked", dw_clicked},
                                      {436, "ue_first", returns_one},
                                      {437, "uf_base", dw_uf_base}}}}};
    return table;
}

const ClassTable& _getVtableInfo_t_dwnosort()
{
    static const ClassTable table {
        "t_dwnosort",
        "t_dw",
        make_object<t_dwnosort>,
        {},
        {{own_group,
          "",
          {},
          {{0, "create", traced_create}, {1, "destroy", traced_destroy}, {60, "rowfocuschanged", traced}}}}};
    return table;
}

const ClassTable& _getVtableInfo_t_dwsort()
{
    static const ClassTable table {"t_dwsort",
                                   "t_dwnosort",
                                   make_object<t_dwsort>,
                                   {},
                                   {{own_group,
                                     "",
                                     {},
                                     {{0, "create", traced_create},
                                      {1, "destroy", traced_destroy},
                                      {40, "doubleclicked", dwsort_doubleclicked},
                                      {36, "clicked", dwsort_clicked},
                                      {437, "uf_base", dwsort_uf_base}}}}};
    return table;
}

const ClassTable& _getVtableInfo_t_page()
{
    static const ClassTable table {"t_page",
                                   "userobject",
                                   make_object<t_page>,
                                   {{"dw_1", "t_dw", store_in<&t_page::dw_1>}},
                                   {{own_group,
                                     "",
                                     {{"ue_saveas", event, long_result}, {"wf_setsort", function, long_result}},
                                     {{49, "ue_saveas", traced},
                                      {22, "resize", page_resize},
                                      {50, "wf_setsort", returns_one},
                                      {34, "constructor", traced},
                                      {0, "create", traced_create},
                                      {1, "destroy", traced_destroy}}},
                                    {32786,
                                     "dw_1",
                                     {{"ue_retrieve", event, long_result}, {"ue_rowcountchanged", event, long_result}},
                                     {{438, "ue_retrieve", on_parent<&t_page::dw_1_ue_retrieve>},
                                      {439, "ue_rowcountchanged", returns_one},
                                      {37, "constructor", traced},
                                      {36, "clicked", page_dw_clicked}}}}};
    return table;
}

const ClassTable& _getVtableInfo_t_grid()
{
    static const ClassTable table {"t_grid",
                                   "t_page",
                                   make_object<t_grid>,
                                   {},
                                   {{own_group,
                                     "",
                                     {{"wf_settabstatus", function, long_result}},
                                     {{51, "wf_settabstatus", returns_one},
                                      {0, "create", traced_create},
                                      {1, "destroy", traced_destroy},
                                      {34, "constructor", traced}}},
                                    {32776,
                                     "dw_1",
                                     {{"ue_firstretrieve", event, long_result}},
                                     {{440, "ue_firstretrieve", returns_one},
                                      {439, "ue_rowcountchanged", grid_dw_rowcountchanged},
                                      {37, "constructor", traced}}}}};
    return table;
}

const ClassTable& _getVtableInfo_t_button()
{
    static const ClassTable table {"t_button",
                                   "picture",
                                   make_object<t_button>,
                                   {},
                                   {{own_group,
                                     "",
                                     {{"ue_lbuttondown", event, long_result},
                                      {"ue_lbuttonup", event, long_result},
                                      {"ue_keydown", event, long_result},
                                      {"uf_setenabled", function, long_result, 1}},
                                     {{48, "ue_lbuttondown", traced},
                                      {49, "ue_lbuttonup", traced},
                                      {51, "uf_setenabled", button_uf_setenabled},
                                      {0, "create", traced_create},
                                      {1, "destroy", traced_destroy},
                                      {35, "constructor", traced}}}}};
    return table;
}

const ClassTable& _getVtableInfo_t_unit()
{
    static const ClassTable table {"t_unit",
                                   "userobject",
                                   make_object<t_unit>,
                                   {{"st_1", "statictext", store_in<&t_unit::st_1>},
                                    {"ln_v1", "line", store_in<&t_unit::ln_v1>},
                                    {"ln_h1", "line", store_in<&t_unit::ln_h1>}},
                                   {{own_group,
                                     "",
                                     {},
                                     {{22, "resize", page_resize},
                                      {0, "create", traced_create},
                                      {1, "destroy", traced_destroy},
                                      {34, "constructor", traced}}}}};
    return table;
}

const ClassTable& _getVtableInfo_t_panel()
{
    static const ClassTable table {"t_panel",
                                   "userobject",
                                   make_object<t_panel>,
                                   {{"uo_1", "t_unit", store_in<&t_panel::uo_1>}},
                                   {{own_group,
                                     "",
                                     {{"uf_settext", function, long_result}},
                                     {{22, "resize", page_resize},
                                      {49, "uf_settext", returns_one},
                                      {0, "create", traced_create},
                                      {1, "destroy", traced_destroy},
                                      {34, "constructor", traced}}},
                                    {32786, "uo_1", {}, {{1, "destroy", traced}}}}};
    return table;
}

const ClassTable& _getVtableInfo_t_main()
{
    static const ClassTable table {
        "t_main",
        "t_panel",
        make_object<t_main>,
        {{"uo_2", "t_unit", store_in<&t_main::uo_2>}, {"uo_3", "t_unit", store_in<&t_main::uo_3>}},
        {{own_group,
          "",
          {},
          {{0, "create", traced_create}, {1, "destroy", traced_destroy}, {34, "constructor", traced}}},
         {32784, "uo_2", {}, {{1, "destroy", traced}}},
         {32785, "uo_3", {}, {{1, "destroy", traced}}}}};
    return table;
}

const ClassTable& _getVtableInfo_t_nvo()
{
    static const ClassTable table {"t_nvo",
                                   "nonvisualobject",
                                   make_object<t_nvo>,
                                   {},
                                   {{own_group,
                                     "",
                                     {{"uf_call_null", function, long_result},
                                      {"uf_inner", function, long_result},
                                      {"uf_outer", function, long_result},
                                      {"ue_guarded", event, long_result},
                                      {"uf_divide", function, long_result},
                                      {"uf_host_throws", function, long_result},
                                      {"ue_plain", event, std::nullopt},
                                      {"uf_bare", function, long_result},
                                      {"ue_host_fail", event, long_result},
                                      {"uf_parent", function, long_result},
                                      {"uf_index", function, long_result, 1},
                                      {"uf_two_refs", function, long_result, 2},
                                      {"uf_typed", function, long_result, 2},
                                      {"uf_object", function, long_result, 1}},
                                     {{21, "uf_call_null", nvo_uf_call_null},
                                      {22, "uf_inner", nvo_uf_inner},
                                      {23, "uf_outer", nvo_uf_outer},
                                      {24, "ue_guarded", nvo_ue_guarded},
                                      {25, "uf_divide", nvo_uf_divide},
                                      {26, "uf_host_throws", nvo_uf_host_throws},
                                      {27, "ue_plain", traced},
                                      {28, "uf_bare", bare_return},
                                      {29, "ue_host_fail", nvo_ue_host_fail},
                                      {30, "uf_parent", nvo_uf_parent},
                                      {31, "uf_index", nvo_uf_index},
                                      {32, "uf_two_refs", nvo_uf_two_refs},
                                      {33, "uf_typed", nvo_uf_typed},
                                      {34, "uf_object", nvo_uf_object},
                                      {0, "create", traced_create},
                                      {1, "destroy", traced_destroy}}},
                                    // A nested definition without scripts, as structures declared inside a class have.
                                    {32781, "str_info", {}, {}}}};
    return table;
}

const ClassTable& _getVtableInfo_t_nvo_child()
{
    static const ClassTable table {"t_nvo_child",
                                   "t_nvo",
                                   make_object<t_nvo_child>,
                                   {},
                                   {{own_group,
                                     "",
                                     {},
                                     {{24, "ue_guarded", child_ue_guarded},
                                      {29, "ue_host_fail", child_ue_host_fail},
                                      {0, "create", traced_create},
                                      {1, "destroy", traced_destroy}}}}};
    return table;
}

std::string register_test_classes(ClassRegistry& registry)
{
    for (VtableInfoFn entry :
         {&_getVtableInfo_t_dw, &_getVtableInfo_t_dwnosort, &_getVtableInfo_t_dwsort, &_getVtableInfo_t_page,
          &_getVtableInfo_t_grid, &_getVtableInfo_t_button, &_getVtableInfo_t_unit, &_getVtableInfo_t_panel,
          &_getVtableInfo_t_main, &_getVtableInfo_t_nvo, &_getVtableInfo_t_nvo_child})
        if (std::string refused = error_text(registry.register_class(entry)); !refused.empty())
            return refused;
    return {};
}

} // namespace hearth::test
