#include "host/ui/dw_layout.h"

#include "host/object/class_registry.h"
#include "host/ui/engine_access.h"
#include "host/value/ascii.h"

#include <algorithm>
#include <charconv>

namespace hearth::layout {

namespace {

std::string attribute_text(const dw::Control& control, std::string_view name)
{
    const dw::Attribute* attr = dw::find_attribute(control.attributes, name);
    return attr ? attr->value.text : std::string();
}

std::optional<std::int32_t> parse_number(std::string_view text)
{
    text = ascii::trim_start(text, " ");
    std::int32_t number = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || text.empty())
        return std::nullopt;
    return number;
}

} // namespace

std::int32_t control_number(const dw::Control& control, std::string_view attribute, std::int32_t fallback)
{
    // "default<TAB>expression" keeps its default in front.
    std::string text = attribute_text(control, attribute);
    if (auto tab = text.find('\t'); tab != std::string::npos)
        text.resize(tab);
    return parse_number(text).value_or(fallback);
}

std::string control_band(const dw::Control& control)
{
    std::string band = lower_name(attribute_text(control, "band"));
    return band.empty() ? std::string("detail") : band;
}

bool control_visible(const DataWindowControl& dw, const dw::Control& control, long row)
{
    const dw::Attribute* attr = dw::find_attribute(control.attributes, "visible");
    if (!attr)
        return true;
    const std::string& text = attr->value.text;
    const auto tab = text.find('\t');
    if (tab == std::string::npos)
        return parse_number(text).value_or(1) != 0;
    if (row > 0) {
        Result<Value> value = EngineAccess::engine(dw).evaluate(std::string_view(text).substr(tab + 1), row);
        if (value && !value->is_null()) {
            if (value->is_integral())
                return value->as_integral() != 0;
            if (value->is_string())
                return parse_number(value->as_string()).value_or(1) != 0;
            if (value->type() == Type::Boolean)
                return value->as_bool();
        }
    }
    return parse_number(std::string_view(text).substr(0, tab)).value_or(1) != 0;
}

std::int32_t band_height(const dw::ObjectDefinition& object, std::string_view band)
{
    for (const dw::Band& b : object.bands) {
        if (lower_name(b.name) != band)
            continue;
        const dw::Attribute* height = dw::find_attribute(b.attributes, "height");
        if (!height)
            return 0;
        return parse_number(height->value.text).value_or(0);
    }
    return 0;
}

std::vector<int> tab_columns(const DataWindowControl& dw, long row)
{
    const dw::ObjectDefinition& object = EngineAccess::engine(dw).object();
    std::vector<std::pair<std::int32_t, int>> order;
    for (std::size_t i = 0; i < object.columns.size(); ++i) {
        const dw::Control* control = object.column_control(static_cast<int>(i));
        if (!control)
            continue;
        const std::int32_t sequence = control_number(*control, "tabsequence");
        if (sequence > 0 && control_visible(dw, *control, row))
            order.emplace_back(sequence, static_cast<int>(i) + 1);
    }
    std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<int> columns;
    for (const auto& entry : order)
        columns.push_back(entry.second);
    return columns;
}

bool multiline_edit(const DataWindowControl& dw, int column)
{
    const dw::ObjectDefinition& object = EngineAccess::engine(dw).object();
    if (column < 1 || column > static_cast<int>(object.columns.size()))
        return false;
    const dw::Control* control = object.column_control(column - 1);
    if (!control)
        return false;
    return lower_name(attribute_text(*control, "edit.vscrollbar")) == "yes"
        || lower_name(attribute_text(*control, "edit.autovscroll")) == "yes";
}

} // namespace hearth::layout
