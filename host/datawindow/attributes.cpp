// The attribute table and the resolution of Describe/Modify paths:
//   DataWindow.<attribute>          the object's own and its table's attributes
//   <control>.<attribute>           a control by name (without case)
//   <column>.<attribute>, #n.<...>  a table column (with the column control showing it)
#include "host/datawindow/attributes.h"
#include "host/datawindow/sort_key.h"
#include "host/datawindow/text_util.h"

#include <fmt/format.h>

#include <charconv>

namespace hearth::dw {

namespace {

using Mask = std::uint32_t;
constexpr Mask bit(ControlKind kind) { return Mask(1) << static_cast<unsigned>(kind); }
constexpr Mask all_controls = 0x3FFF;
constexpr Mask shapes = bit(ControlKind::Line) | bit(ControlKind::Rectangle) | bit(ControlKind::Ellipse)
    | bit(ControlKind::RoundRectangle);
constexpr Mask boxed = all_controls & ~bit(ControlKind::Line);
constexpr Mask texty = bit(ControlKind::Text) | bit(ControlKind::Column) | bit(ControlKind::Compute)
    | bit(ControlKind::Button) | bit(ControlKind::GroupBox);
constexpr Mask column_only = bit(ControlKind::Column);

enum class Parser : std::uint8_t { Text, Integer, Flag, YesNo, Band, Expression, ReadOnly };

// What an attribute path names.
struct Target {
    Control* control = nullptr; // null for a table column that no column control shows
    int column = -1;            // table column, for column objects
};

struct Spec;
using Getter = std::optional<std::string> (*)(Engine& engine, const Target& target, std::string_view name);
using Setter = void (*)(Engine& engine, const Target& target, std::string_view name, std::string_view value);

struct Spec {
    std::string_view name; // lower case; a trailing ".*" matches every name with that prefix
    Mask kinds;
    Parser parser;
    std::string_view default_value; // "" = no value ("?")
    Getter get = nullptr;           // null: stored in the control's attributes
    Setter set = nullptr;
    bool table_column = false; // held by the table column, so valid without a column control
};

std::optional<std::string> stored(const Control& control, std::string_view name, std::string_view fallback)
{
    if (const Attribute* attr = find_attribute(control.attributes, name))
        return attr->value.text;
    if (fallback.empty())
        return std::nullopt;
    return std::string(fallback);
}

void store(std::vector<Attribute>& attributes, std::string_view name, std::string_view value)
{
    if (Attribute* attr = find_attribute(attributes, name)) {
        attr->value = AttrValue::quoted(std::string(value));
        return;
    }
    attributes.push_back({std::string(name), AttrValue::quoted(std::string(value)), {}});
}

TableColumn& table_column(Engine& engine, const Target& target)
{
    return const_cast<TableColumn&>(engine.object().columns[target.column]);
}

std::optional<std::string> get_type(Engine&, const Target& target, std::string_view)
{
    return std::string(target.control ? control_type_name(target.control->kind) : "column");
}

std::optional<std::string> get_name(Engine& engine, const Target& target, std::string_view)
{
    if (target.control)
        return target.control->name;
    return engine.object().columns[target.column].name;
}

std::optional<std::string> get_id(Engine&, const Target& target, std::string_view)
{
    return std::to_string(target.column + 1);
}

std::optional<std::string> get_coltype(Engine& engine, const Target& target, std::string_view)
{
    return engine.object().columns[target.column].type.text();
}

std::optional<std::string> get_edit_style(Engine&, const Target& target, std::string_view)
{
    if (!target.control)
        return std::string("edit");
    for (std::string_view style : {"dddw", "ddlb", "checkbox", "radiobuttons", "editmask"})
        for (const Attribute& attr : target.control->attributes)
            if (istarts_with(attr.name, style) && attr.name.size() > style.size() && attr.name[style.size()] == '.')
                return std::string(style);
    return std::string("edit");
}

std::optional<std::string> get_column_attribute(Engine& engine, const Target& target, std::string_view name)
{
    const TableColumn& column = engine.object().columns[target.column];
    if (const Attribute* attr = find_attribute(column.attributes, name))
        return attr->value.text;
    if (name == "key" || name == "update" || name == "identity")
        return std::string("no");
    if (name == "updatewhereclause")
        return std::string("yes");
    return std::nullopt;
}

void set_column_attribute(Engine& engine, const Target& target, std::string_view name, std::string_view value)
{
    TableColumn& column = table_column(engine, target);
    if (Attribute* attr = find_attribute(column.attributes, name))
        attr->value = name == "dbname" || name == "initial" || name == "values" || name == "validation"
                || name == "validationmsg"
            ? AttrValue::quoted(std::string(value))
            : AttrValue::bare(to_lower(value));
    else
        column.attributes.push_back({std::string(name), AttrValue::bare(std::string(value)), {}});
    bool yes = iequals(value, "yes");
    if (name == "key")
        column.key = yes;
    else if (name == "update")
        column.update = yes;
    else if (name == "updatewhereclause")
        column.updatewhereclause = yes;
    else if (name == "identity")
        column.identity = yes;
    else if (name == "dbname")
        column.dbname = std::string(value);
}

constexpr Spec specs[] = {
    {"type", all_controls, Parser::ReadOnly, "", get_type, nullptr, true},
    {"name", all_controls, Parser::ReadOnly, "", get_name, nullptr, true},
    {"band", all_controls, Parser::Band, "detail"},
    {"x", boxed, Parser::Integer, "0"},
    {"y", boxed, Parser::Integer, "0"},
    {"width", boxed, Parser::Integer, "0"},
    {"height", boxed, Parser::Integer, "0"},
    {"x1", bit(ControlKind::Line), Parser::Integer, "0"},
    {"y1", bit(ControlKind::Line), Parser::Integer, "0"},
    {"x2", bit(ControlKind::Line), Parser::Integer, "0"},
    {"y2", bit(ControlKind::Line), Parser::Integer, "0"},
    {"visible", all_controls, Parser::Flag, "1"},
    {"color", all_controls, Parser::Integer, "0"},
    {"border", boxed & ~shapes, Parser::Integer, "0"},
    {"background.color", all_controls, Parser::Integer, ""},
    {"background.mode", all_controls, Parser::Integer, ""},
    {"background.*", all_controls, Parser::Text, ""},
    {"tag", all_controls, Parser::Text, ""},
    {"alignment", texty, Parser::Integer, "0"},
    {"format", bit(ControlKind::Column) | bit(ControlKind::Compute), Parser::Text, ""},
    {"text", bit(ControlKind::Text) | bit(ControlKind::Button) | bit(ControlKind::GroupBox), Parser::Text, ""},
    {"expression", bit(ControlKind::Compute), Parser::Expression, ""},
    {"filename", bit(ControlKind::Bitmap) | bit(ControlKind::Button), Parser::Text, ""},
    {"tabsequence", column_only, Parser::Integer, "0"},
    {"id", column_only, Parser::ReadOnly, "", get_id, nullptr, true},
    {"coltype", column_only, Parser::ReadOnly, "", get_coltype, nullptr, true},
    {"dbname", column_only, Parser::Text, "", get_column_attribute, set_column_attribute, true},
    {"key", column_only, Parser::YesNo, "", get_column_attribute, set_column_attribute, true},
    {"update", column_only, Parser::YesNo, "", get_column_attribute, set_column_attribute, true},
    {"updatewhereclause", column_only, Parser::YesNo, "", get_column_attribute, set_column_attribute, true},
    {"identity", column_only, Parser::YesNo, "", get_column_attribute, set_column_attribute, true},
    {"initial", column_only, Parser::Text, "", get_column_attribute, set_column_attribute, true},
    {"values", column_only, Parser::Text, "", get_column_attribute, set_column_attribute, true},
    {"validation", column_only, Parser::Text, "", get_column_attribute, set_column_attribute, true},
    {"validationmsg", column_only, Parser::Text, "", get_column_attribute, set_column_attribute, true},
    {"edit.style", column_only, Parser::ReadOnly, "", get_edit_style, nullptr, true},
    {"edit.vscrollbar", column_only, Parser::YesNo, "no"},
    {"edit.*", column_only, Parser::Text, ""},
    {"dddw.*", column_only, Parser::Text, ""},
    {"ddlb.*", column_only, Parser::Text, ""},
    {"checkbox.*", column_only, Parser::Text, ""},
    {"radiobuttons.*", column_only, Parser::Text, ""},
    {"editmask.*", column_only, Parser::Text, ""},
    {"font.*", texty, Parser::Text, ""},
    {"pen.*", shapes, Parser::Text, ""},
    {"brush.*", shapes, Parser::Text, ""},
    {"pointer", all_controls, Parser::Text, ""},
    {"criteria.*", column_only, Parser::Text, ""},
    {"html.*", all_controls, Parser::Text, ""},
    {"accessiblename", all_controls, Parser::Text, ""},
    {"accessibledescription", all_controls, Parser::Text, ""},
    {"moveable", all_controls, Parser::Text, ""},
    {"resizeable", all_controls, Parser::Text, ""},
    {"slideleft", all_controls, Parser::Text, ""},
    {"slideup", all_controls, Parser::Text, ""},
    {"height.autosize", boxed, Parser::Text, ""},
    {"protect", column_only, Parser::Text, ""},
};

const Spec* find_spec(std::string_view name, Mask kind)
{
    for (const Spec& spec : specs) {
        if (!(spec.kinds & kind))
            continue;
        if (spec.name.size() > 2 && spec.name.substr(spec.name.size() - 2) == ".*") {
            std::string_view prefix = spec.name.substr(0, spec.name.size() - 1);
            if (name.size() > prefix.size() && name.substr(0, prefix.size()) == prefix)
                return &spec;
        } else if (spec.name == name) {
            return &spec;
        }
    }
    return nullptr;
}

std::optional<int> parse_int(std::string_view text)
{
    int value = 0;
    std::string_view digits = text;
    if (!digits.empty() && digits[0] == '+')
        digits.remove_prefix(1);
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return value;
}

// Checks a value for an attribute of `control`; fails with what is wrong.
Result<void> check_value(const Engine& engine, Parser parser, std::string_view value, const Control* control)
{
    auto wrong = [&](std::string_view what) {
        return Result<void>::failure(fmt::format("'{}' is not {}", excerpt(value), what));
    };
    // An attribute that may hold an expression is written "default<TAB>expression".
    if ((parser == Parser::Integer || parser == Parser::Flag) && value.find('\t') != std::string_view::npos) {
        std::size_t tab = value.find('\t');
        if (auto checked = check_value(engine, parser, trim_blanks(value.substr(0, tab)), control); !checked)
            return checked;
        return Expression::compile(value.substr(tab + 1), engine.object());
    }
    switch (parser) {
    case Parser::Text: return {};
    case Parser::Integer: return parse_int(trim_blanks(value)) ? Result<void>() : wrong("a number");
    case Parser::Flag: {
        std::string_view v = trim_blanks(value);
        return v == "0" || v == "1" ? Result<void>() : wrong("0 or 1");
    }
    case Parser::YesNo: return iequals(value, "yes") || iequals(value, "no") ? Result<void>() : wrong("yes or no");
    case Parser::Band: return is_band_name(value) ? Result<void>() : wrong("a band");
    case Parser::Expression: // a computed field's own expression must not lead back to the field
    {
        const Attribute* band = control ? find_attribute(control->attributes, "band") : nullptr;
        return Expression::compile(value, engine.object(), band ? std::string_view(band->value.text) : "",
                                   control ? std::string_view(control->name) : "");
    }
    case Parser::ReadOnly: return Result<void>::failure("read-only");
    }
    return {};
}

// Why an attribute access failed, in the words Modify reports.
enum class AttributeError : std::uint8_t { UnknownObject, UnknownAttribute, ReadOnly, BadValue };

std::string failure_text(AttributeError error, std::string_view path, std::string_view detail = {})
{
    switch (error) {
    case AttributeError::UnknownObject: return fmt::format("unknown object '{}'", path.substr(0, path.find('.')));
    case AttributeError::UnknownAttribute: return fmt::format("unknown property '{}'", path);
    case AttributeError::ReadOnly: return fmt::format("property '{}' cannot be changed", path);
    case AttributeError::BadValue: return fmt::format("bad value for '{}': {}", path, detail);
    }
    return "incorrect syntax";
}

// ---- DataWindow.<attribute> ---------------------------------------------------------------

struct DwSpec {
    std::string_view name; // lower case, after "datawindow."
    std::optional<std::string> (*get)(Engine& engine);
    Result<void> (*set)(Engine& engine, std::string_view value); // null: read-only
};

std::optional<std::string> or_none(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    return std::string(text);
}

ObjectDefinition& object_of(Engine& engine) { return const_cast<ObjectDefinition&>(engine.object()); }

std::string bands_of(const ObjectDefinition& object)
{
    std::string out = "header\tdetail\tsummary\tfooter";
    for (const SourceItem& group : object.groups) {
        const Attribute* level = find_attribute(group.attributes, "level");
        if (level)
            out += fmt::format("\theader.{0}\ttrailer.{0}", level->value.text);
    }
    return out;
}

std::string objects_of(const ObjectDefinition& object)
{
    std::string out;
    for (const Control& control : object.controls) {
        if (control.name.empty())
            continue;
        if (!out.empty())
            out += '\t';
        out += control.name;
    }
    return out;
}

const DwSpec dw_specs[] = {
    {"table.select", [](Engine& e) { return or_none(e.object().select); },
     [](Engine& e, std::string_view v) {
         object_of(e).select = std::string(v);
         return Result<void>();
     }},
    {"table.sort", [](Engine& e) { return or_none(e.sort_criteria()); },
     [](Engine& e, std::string_view v) { return e.set_sort_checked(v); }},
    {"table.filter", [](Engine& e) { return or_none(e.filter_criteria()); },
     [](Engine& e, std::string_view v) { return e.set_filter_checked(v); }},
    {"table.updatetable", [](Engine& e) { return or_none(e.object().update_table); },
     [](Engine& e, std::string_view v) {
         object_of(e).update_table = std::string(v);
         return Result<void>();
     }},
    {"table.updatewhere", [](Engine& e) { return std::optional<std::string>(std::to_string(e.object().update_where)); },
     [](Engine& e, std::string_view v) {
         if (v != "0" && v != "1" && v != "2")
             return Result<void>::failure(fmt::format("'{}' is not 0, 1 or 2", v));
         object_of(e).update_where = v[0] - '0';
         return Result<void>();
     }},
    {"table.updatekeyinplace",
     [](Engine& e) { return std::optional<std::string>(e.object().update_key_in_place ? "yes" : "no"); },
     [](Engine& e, std::string_view v) {
         if (!iequals(v, "yes") && !iequals(v, "no"))
             return Result<void>::failure(fmt::format("'{}' is not yes or no", v));
         object_of(e).update_key_in_place = iequals(v, "yes");
         return Result<void>();
     }},
    {"table.arguments",
     [](Engine& e) {
         std::string out;
         for (const RetrieveArgument& arg : e.object().arguments)
             out += (out.empty() ? "" : "\n") + arg.name + "\t" + arg.type;
         return or_none(out);
     },
     nullptr},
    {"column.count", [](Engine& e) { return std::optional<std::string>(std::to_string(e.column_count())); }, nullptr},
    {"objects", [](Engine& e) { return or_none(objects_of(e.object())); }, nullptr},
    {"bands", [](Engine& e) { return std::optional<std::string>(bands_of(e.object())); }, nullptr},
    {"syntax", [](Engine& e) { return std::optional<std::string>(e.object().syntax()); }, nullptr},
    {"selected", nullptr, nullptr}, // handled by the engine's own state, see DescribeModify
};

const DwSpec* find_dw_spec(std::string_view name)
{
    for (const DwSpec& spec : dw_specs)
        if (spec.name == name)
            return &spec;
    return nullptr;
}

} // namespace

namespace {

std::optional<Target> resolve_object(Engine& engine, std::string_view name)
{
    ObjectDefinition& object = object_of(engine);
    if (name.size() > 1 && name[0] == '#') {
        auto number = parse_int(name.substr(1));
        if (!number || *number < 1 || *number > static_cast<int>(object.columns.size()))
            return std::nullopt;
        return Target {object.column_control(*number - 1), *number - 1};
    }
    if (Control* control = object.find_control(name)) {
        int column = control->kind == ControlKind::Column ? control->column_id - 1 : -1;
        return Target {control, column};
    }
    if (int index = object.column_index(name); index >= 0)
        return Target {object.column_control(index), index};
    return std::nullopt;
}

Mask target_kind(const Target& target) { return target.control ? bit(target.control->kind) : bit(ControlKind::Column); }

// DataWindow.<band>.<attribute> and DataWindow.<attribute> kept as written in datawindow(...).
std::vector<Attribute>* dw_attribute_list(Engine& engine, std::string_view& name)
{
    ObjectDefinition& object = object_of(engine);
    for (Band& band : object.bands) {
        if (istarts_with(name, band.name) && name.size() > band.name.size() && name[band.name.size()] == '.') {
            name.remove_prefix(band.name.size() + 1);
            return &band.attributes;
        }
    }
    return &object.datawindow_attributes;
}

} // namespace

Result<std::optional<std::string>> DescribeModify::get(Engine& engine, std::string_view path)
{
    using Read = Result<std::optional<std::string>>;
    auto fail = [&](AttributeError error) { return Read::failure(failure_text(error, path)); };
    std::size_t dot = path.find('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 >= path.size())
        return fail(AttributeError::UnknownAttribute);
    std::string_view head = path.substr(0, dot);
    std::string name = to_lower(path.substr(dot + 1));
    if (iequals(head, "datawindow")) {
        if (name == "selected")
            return Read(or_none(engine.m_selected_cells));
        if (const DwSpec* spec = find_dw_spec(name))
            return Read(spec->get(engine));
        std::string_view rest = name;
        std::vector<Attribute>* list = dw_attribute_list(engine, rest);
        if (const Attribute* attr = find_attribute(*list, rest))
            return Read(attr->value.text);
        if (rest == "units")
            return Read(std::string("0"));
        if (rest == "readonly" || rest == "syntax.modified")
            return Read(std::string("no"));
        return fail(AttributeError::UnknownAttribute);
    }
    auto target = resolve_object(engine, head);
    if (!target)
        return fail(AttributeError::UnknownObject);
    const Spec* spec = find_spec(name, target_kind(*target));
    if (spec) {
        if (!target->control && !spec->table_column)
            return fail(AttributeError::UnknownAttribute); // a column no control shows has no looks
        if (spec->get)
            return Read(spec->get(engine, *target, name));
        return Read(stored(*target->control, name, spec->default_value));
    }
    // Attributes written in the source but unknown to the table are still answered.
    if (target->control)
        if (const Attribute* attr = find_attribute(target->control->attributes, name))
            return Read(attr->value.text);
    return fail(AttributeError::UnknownAttribute);
}

Result<void> DescribeModify::set(Engine& engine, std::string_view path, std::string_view value)
{
    auto fail = [&](AttributeError error, std::string_view detail = {}) {
        return Result<void>::failure(failure_text(error, path, detail));
    };
    std::size_t dot = path.find('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 >= path.size())
        return fail(AttributeError::UnknownAttribute);
    std::string_view head = path.substr(0, dot);
    std::string name = to_lower(path.substr(dot + 1));
    if (iequals(head, "datawindow")) {
        if (name == "selected") {
            engine.m_selected_cells = std::string(value);
            return {};
        }
        if (const DwSpec* spec = find_dw_spec(name)) {
            if (!spec->set)
                return fail(AttributeError::ReadOnly);
            if (auto written = spec->set(engine, value); !written)
                return fail(AttributeError::BadValue, written.error());
            return {};
        }
        std::string_view rest = name;
        std::vector<Attribute>* list = dw_attribute_list(engine, rest);
        bool known = find_attribute(*list, rest) != nullptr || rest == "units" || rest == "readonly" || rest == "height"
            || rest == "color" || rest == "syntax.modified";
        if (!known)
            return fail(AttributeError::UnknownAttribute);
        if ((rest == "height" || rest == "units") && !parse_int(trim_blanks(value)))
            return fail(AttributeError::BadValue, fmt::format("'{}' is not a number", value));
        store(*list, rest, value);
        return {};
    }
    auto target = resolve_object(engine, head);
    if (!target)
        return fail(AttributeError::UnknownObject);
    const Spec* spec = find_spec(name, target_kind(*target));
    Parser parser = Parser::Text;
    if (spec) {
        if (!target->control && !spec->table_column)
            return fail(AttributeError::UnknownAttribute);
        parser = spec->parser;
    } else if (!target->control || !find_attribute(target->control->attributes, name)) {
        return fail(AttributeError::UnknownAttribute);
    }
    if (parser == Parser::ReadOnly)
        return fail(AttributeError::ReadOnly);
    if (auto checked = check_value(engine, parser, value, target->control); !checked)
        return fail(AttributeError::BadValue, checked.error());
    if (spec && spec->set) {
        spec->set(engine, *target, name, value);
        return {};
    }
    if (parser == Parser::Band)
        store(target->control->attributes, name, to_lower(value));
    else
        store(target->control->attributes, name, value);
    return {};
}

Result<void> DescribeModify::create(Engine& engine, std::string_view source)
{
    auto items = parse_source_items(source, SourcePos {});
    if (!items)
        return items;
    ObjectDefinition& object = object_of(engine);
    for (const SourceItem& item : *items) {
        auto control = make_control(item, object, {});
        if (!control)
            return control;
        if (control->name.empty())
            return Result<void>::failure(fmt::format("a created {} needs a name", item.keyword));
        if (object.find_control(control->name))
            return Result<void>::failure(fmt::format("an object named '{}' already exists", control->name));
        if (control->kind == ControlKind::Compute) {
            const Attribute* expression = find_attribute(control->attributes, "expression");
            auto compiled = Expression::compile(expression ? std::string_view(expression->value.text) : "", object);
            if (!compiled)
                return compiled;
        }
        object.controls.push_back(std::move(*control));
    }
    return {};
}

Result<void> DescribeModify::destroy(Engine& engine, std::string_view name)
{
    ObjectDefinition& object = object_of(engine);
    for (auto it = object.controls.begin(); it != object.controls.end(); ++it) {
        if (it->name.empty() || !iequals(it->name, name))
            continue;
        object.controls.erase(it);
        return {};
    }
    return Result<void>::failure(fmt::format("unknown object '{}'", name));
}

} // namespace hearth::dw
