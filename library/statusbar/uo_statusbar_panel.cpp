#include "library/statusbar/uo_statusbar_panel.h"

#include "host/object/runtime.h"
#include "host/value/convert.h"
#include "host/value/functions.h"
#include "library/frame/application.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace hearth {

namespace {
// Each cell after the first overlaps its left neighbour by this much.
constexpr std::int32_t overlap = 20;
// Room above and below the text inside the strip.
constexpr std::int32_t text_padding = 28;

// A cell's width as an integer argument of its resize: the runtime wraps a long to 16 bits.
Value integer_width(std::int64_t width) { return Value::integer(wrap_to_integer(width)); }

// Whether `object`'s resize runs the script that class `base` registered, and no other.
bool resizes_as(const Object& object, std::string_view base)
{
    const SlotInfo* slot = object.class_info().slot_named("resize");
    if (!slot)
        return false;
    for (const ClassInfo* cls = &object.class_info(); cls; cls = cls->ancestor())
        if (cls->script(slot->slot))
            return cls->key() == base;
    return false;
}

// The product of two layout numbers as the runtime forms it: in 32 bits, wrapping.
std::int32_t product32(std::int64_t a, std::int64_t b)
{
    return wrap_to_long(static_cast<std::int64_t>(static_cast<std::uint64_t>(a) * static_cast<std::uint64_t>(b)));
}
} // namespace

std::int32_t statusbar::natural_width(const Value& text)
{
    if (text.is_null())
        return -1 * 50 + 60; // Len of a null text counts as -1; Pos finds nothing in it
    const std::string& t = text.as_string();
    const std::int32_t n = static_cast<std::int32_t>(fn::len(t));
    // Pos(t, s) >= 1 exactly when the bytes of s occur in t: both searched texts begin with a
    // byte that never continues a character, so every byte match starts at a character.
    if (t.find("20") == std::string::npos)
        return n * 50 + 60;
    if (t.find("版本") == std::string::npos)
        return n * 40 + 60;
    return n * 36 + 20;
}

uo_statusbar_panel::uo_statusbar_panel()
{
    width = 2075;
    height = 88;
    border = true;
    backcolor = colors::button_face;
}

ScriptResult uo_statusbar_panel::create(ScriptCall& call)
{
    call.runtime().create_controls(call);
    uo_statusbar_unit* first = uo_1.get();
    assert(first && "create_controls has just made uo_1");
    first->x = 5;
    first->taborder = 10;
    return no_return;
}

ScriptResult uo_statusbar_panel::constructor(ScriptCall& call)
{
    if (AppGlobals* globals = app_globals(call, "gl_backcolor"))
        backcolor = globals->gl_backcolor;
    if (uo_statusbar_unit* first = call.use(uo_1, "uo_1"))
        if (uo_statictext* label = call.use(first->st_1, "uo_1.st_1"))
            height = label->height + text_padding;
    const std::vector<ObjectRef> cells = control();
    for (std::size_t i = 0; i < cells.size(); ++i)
        if (auto* cell = call.use(Ref<VisualObject>(cells[i]), "control[" + std::to_string(i + 1) + "]"))
            cell->y = 0;
    return no_return;
}

void uo_statusbar_panel::resize_cell(ScriptCall& call, const ObjectRef& entry, std::int64_t cell_width)
{
    auto* cell = Ref<uo_statusbar_unit>(entry).get();
    if (cell && resizes_as(*cell, "uo_statusbar_unit") && cell->lay_out(wrap_to_integer(cell_width)))
        return;
    call.call(entry, "resize", {integer_width(cell_width), Value::integer(0)});
}

ScriptResult uo_statusbar_panel::resize(ScriptCall& call)
{
    const std::optional<std::int16_t> w_arg = call.arg_as<std::int16_t>(0);
    // A null width is not stored and nothing is laid out.
    if (w_arg)
        lay_out(call, *w_arg);
    return Value::integer(0);
}

void uo_statusbar_panel::lay_out(ScriptCall& call, std::int16_t w_arg, bool cells_whole)
{
    const std::int32_t w = w_arg;
    width = w;

    // Control is copied: a cell's resize cannot change the panel's array, but a script of the
    // application could.
    const std::vector<ObjectRef> cells = control();
    const std::int32_t count = static_cast<std::int32_t>(cells.size());
    // When every cell is a whole unit that lays itself out, no script runs below and the units
    // found here stay valid; otherwise each is looked up again after whatever a resize did.
    std::vector<uo_statusbar_unit*> units(cells.size());
    bool in_place = true;
    for (std::size_t i = 0; i < cells.size() && in_place; ++i) {
        units[i] = Ref<uo_statusbar_unit>(cells[i]).get();
        in_place = units[i] && (cells_whole || units[i]->is_whole()) && resizes_as(*units[i], "uo_statusbar_unit");
    }
    if (in_place) {
        const uo_statusbar_unit* head = uo_1.get();
        in_place = head && head->is_whole() && resizes_as(*head, "uo_statusbar_unit");
    }
    auto cell_at = [&](std::int32_t i) {
        return in_place ? units[std::size_t(i - 1)]
                        : call.use(Ref<uo_statusbar_unit>(cells[i - 1]), "control[" + std::to_string(i) + "]");
    };
    auto size_cell = [&](std::int32_t i, std::int64_t cell_width) {
        if (in_place)
            units[std::size_t(i - 1)]->lay_out(wrap_to_integer(cell_width));
        else
            resize_cell(call, cells[i - 1], cell_width);
    };

    // Natural sizes from the texts.
    std::int32_t total = 0;
    for (std::int32_t i = 1; i <= count; ++i) {
        uo_statusbar_unit* cell = cell_at(i);
        if (!cell)
            continue;
        uo_statictext* label
            = in_place ? cell->st_1.get() : call.use(cell->st_1, "control[" + std::to_string(i) + "].st_1");
        if (!label)
            continue;
        size_cell(i, statusbar::natural_width(label->text_value()));
        total = wrap_to_long(std::int64_t(total) + cell->width);
    }

    uo_statusbar_unit* first = call.use(uo_1, "uo_1");
    if (!first)
        return;
    // Every joint gives back the 20 units by which the cells overlap.
    const std::int64_t free = std::int64_t(w) - total - first->x + std::int64_t(count - 1) * overlap;

    if (free >= 1) {
        // The texts fit: the first cell takes its natural width plus the free space.
        resize_cell(call, uo_1,
                    std::int64_t(w) + std::int64_t(count) * overlap + first->width - first->x - total - overlap);
        std::int64_t next_x = std::int64_t(first->x) + first->width - overlap;
        for (std::int32_t i = 2; i <= count; ++i) {
            uo_statusbar_unit* cell = cell_at(i);
            if (!cell)
                continue;
            cell->x = wrap_to_integer(next_x);
            next_x = std::int64_t(cell->x) + cell->width - overlap;
        }
        return;
    }

    // The texts do not fit (or fit exactly): every cell is scaled by available / total, and
    // the first cell takes whatever the truncation of the others leaves.
    const std::int64_t available = std::int64_t(w) - first->x + std::int64_t(count - 1) * overlap;
    const double others
        = total == 0 ? 0.0 : static_cast<double>(product32(std::int64_t(total) - first->width, available)) / total;
    resize_cell(call, uo_1, static_cast<std::int64_t>(std::trunc(static_cast<double>(available) - others)));
    std::int64_t next_x = std::int64_t(first->x) + first->width - overlap;
    for (std::int32_t i = 2; i <= count; ++i) {
        uo_statusbar_unit* cell = cell_at(i);
        if (!cell)
            continue;
        // With no width at all to share (total 0) the others get nothing, as `others` says.
        const double scaled = total == 0 ? 0.0 : static_cast<double>(product32(cell->width, available)) / total;
        size_cell(i, static_cast<std::int64_t>(std::trunc(scaled)));
        cell->x = wrap_to_integer(next_x);
        next_x = std::int64_t(cell->x) + cell->width - overlap;
    }
}

ScriptResult uo_statusbar_panel::uf_settext(ScriptCall& call)
{
    const std::optional<std::int16_t> ai_index = call.arg_as<std::int16_t>(0);
    const Value as_text = call.arg_value(1, Type::String);
    const std::vector<ObjectRef>& cells = control();
    if (!ai_index || *ai_index < 1 || static_cast<std::size_t>(*ai_index) > cells.size())
        return no_return;
    const ObjectRef entry = cells[static_cast<std::size_t>(*ai_index) - 1];
    auto* cell = Ref<uo_statusbar_unit>(entry).get();
    if (!cell)
        return no_return; // a destroyed (null) entry: nothing to show the text in
    uo_statictext* label = call.use(cell->st_1, "control[" + std::to_string(*ai_index) + "].st_1");
    if (!label)
        return no_return;
    label->set_text(as_text);
    // The panel's own resize with every cell whole raises nothing: it runs in place.
    const bool whole = std::all_of(cells.begin(), cells.end(), [](const ObjectRef& each) {
        const auto* unit = Ref<uo_statusbar_unit>(each).get();
        return unit && unit->is_whole();
    });
    if (whole && uo_1.get() && resizes_as(*this, "uo_statusbar_panel"))
        lay_out(call, wrap_to_integer(width), true);
    else
        call.call(ref(), "resize", {integer_width(width), Value::integer(0)});
    return no_return;
}

const ClassTable& _getVtableInfo_uo_statusbar_panel()
{
    static const ClassTable table {"uo_statusbar_panel",
                                   "userobject",
                                   make_object<uo_statusbar_panel>,
                                   {{"uo_1", "uo_statusbar_unit", store_in<&uo_statusbar_panel::uo_1>}},
                                   {{own_group,
                                     "",
                                     // uf_settext(ai_index, as_text)
                                     {{"uf_settext", SlotKind::Function, std::nullopt, 2}},
                                     {{22, "resize", on_self<&uo_statusbar_panel::resize>},
                                      {49, "uf_settext", on_self<&uo_statusbar_panel::uf_settext>},
                                      {0, "create", on_self<&uo_statusbar_panel::create>},
                                      {1, "destroy", destroy_script},
                                      {34, "constructor", on_self<&uo_statusbar_panel::constructor>}}},
                                    {32786, "uo_1", {}, {{1, "destroy", destroy_script}}}}};
    return table;
}

} // namespace hearth
