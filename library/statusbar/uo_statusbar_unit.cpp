#include "library/statusbar/uo_statusbar_unit.h"

#include "host/object/runtime.h"

namespace hearth {

namespace {
// The text field is this much narrower than the cell.
constexpr std::int32_t text_margin = 35;
// Frame colours: white for the lit edges, the runtime's shadow colour for the shaded ones.
constexpr std::int32_t lit_edge = 16777215;
constexpr std::int32_t shaded_edge = 134217745;
constexpr std::int32_t edge_thickness = 4;
} // namespace

uo_statusbar_unit::uo_statusbar_unit()
{
    width = 430;
    height = 76;
    backcolor = colors::button_face;
}

ScriptResult uo_statusbar_unit::create(ScriptCall& call)
{
    call.runtime().create_controls(call);
    // Design-time looks of the nested controls; their positions are always computed.
    uo_statictext* label = st_1.get();
    assert(label && "create_controls has just made st_1");
    // The text never takes the focus; it starts without text.
    label->enabled = false;
    const struct {
        const Ref<Line>& line;
        std::int32_t color;
    } edges[] = {{ln_v2, lit_edge}, {ln_v1, shaded_edge}, {ln_h2, lit_edge}, {ln_h1, shaded_edge}};
    for (const auto& edge : edges) {
        Line* line = edge.line.get();
        assert(line && "create_controls has just made the frame lines");
        line->linecolor = edge.color;
        line->linethickness = edge_thickness;
    }
    return no_return;
}

ScriptResult uo_statusbar_unit::constructor(ScriptCall& call)
{
    uo_statictext* label = call.use(st_1, "st_1");
    Line* top = call.use(ln_h1, "ln_h1");
    Line* bottom = call.use(ln_h2, "ln_h2");
    Line* left = call.use(ln_v1, "ln_v1");
    Line* right = call.use(ln_v2, "ln_v2");
    // A missing control reported handled skips the layout: every step reads the text field.
    if (!label || !top || !bottom || !left || !right)
        return no_return;

    label->x = 5;
    label->width = width - text_margin;
    label->y = 15;
    label->height = 48;

    top->beginx = label->x;
    top->endx = label->x + label->width;
    top->beginy = label->y - 13;
    top->endy = top->beginy;

    bottom->beginx = top->beginx;
    bottom->endx = top->endx;
    bottom->beginy = label->y + label->height + 2;
    bottom->endy = bottom->beginy;

    left->beginx = top->beginx - 3;
    left->endx = left->beginx;
    left->beginy = top->beginy;
    left->endy = bottom->beginy;

    // Kept as designed: the right edge runs 2 units further down than the left one.
    right->beginx = top->endx;
    right->endx = right->beginx;
    right->beginy = top->beginy;
    right->endy = bottom->beginy + 2;
    return no_return;
}

ScriptResult uo_statusbar_unit::resize(ScriptCall& call)
{
    // `h` is declared but not used: a cell only changes its width.
    const std::optional<std::int16_t> w = call.arg_as<std::int16_t>(0);
    // A null width is not stored (the property holds no null) and nothing moves.
    if (!w)
        return Value::integer(0);
    if (lay_out(*w))
        return Value::integer(0);
    width = *w;

    uo_statictext* label = call.use(st_1, "st_1");
    if (!label)
        return Value::integer(0);
    // Not clamped: below 35 the text field gets a negative width, which the host shows as none.
    label->width = width - text_margin;
    Line* top = call.use(ln_h1, "ln_h1");
    if (top)
        top->endx = label->x + label->width;
    if (Line* bottom = call.use(ln_h2, "ln_h2"); bottom && top)
        bottom->endx = top->endx;
    if (Line* right = call.use(ln_v2, "ln_v2"); right && top) {
        right->beginx = top->endx;
        right->endx = right->beginx;
    }
    return Value::integer(0);
}

bool uo_statusbar_unit::is_whole() const { return st_1.get() && ln_h1.get() && ln_h2.get() && ln_v2.get(); }

bool uo_statusbar_unit::lay_out(std::int16_t w)
{
    uo_statictext* label = st_1.get();
    Line* top = ln_h1.get();
    Line* bottom = ln_h2.get();
    Line* right = ln_v2.get();
    if (!label || !top || !bottom || !right)
        return false;
    width = w;
    label->width = width - text_margin;
    top->endx = label->x + label->width;
    bottom->endx = top->endx;
    right->beginx = top->endx;
    right->endx = right->beginx;
    return true;
}

const ClassTable& _getVtableInfo_uo_statusbar_unit()
{
    static const ClassTable table {"uo_statusbar_unit",
                                   "userobject",
                                   make_object<uo_statusbar_unit>,
                                   {{"st_1", "uo_statictext", store_in<&uo_statusbar_unit::st_1>},
                                    {"ln_v2", "line", store_in<&uo_statusbar_unit::ln_v2>},
                                    {"ln_v1", "line", store_in<&uo_statusbar_unit::ln_v1>},
                                    {"ln_h2", "line", store_in<&uo_statusbar_unit::ln_h2>},
                                    {"ln_h1", "line", store_in<&uo_statusbar_unit::ln_h1>}},
                                   {{own_group,
                                     "",
                                     {},
                                     {{22, "resize", on_self<&uo_statusbar_unit::resize>},
                                      {0, "create", on_self<&uo_statusbar_unit::create>},
                                      {1, "destroy", destroy_script},
                                      {34, "constructor", on_self<&uo_statusbar_unit::constructor>}}}}};
    return table;
}

} // namespace hearth
