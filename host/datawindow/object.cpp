#include "host/datawindow/object.h"
#include "host/datawindow/text_util.h"
#include "host/datawindow/value_text.h"

#include <fmt/format.h>

#include <charconv>
#include <unordered_set>

namespace hearth::dw {

Storage ColumnType::storage() const
{
    switch (kind) {
    case ColumnKind::Char: return Storage::String;
    case ColumnKind::Int:
    case ColumnKind::Long:
    case ColumnKind::ULong: return Storage::Integer;
    case ColumnKind::Number:
    case ColumnKind::Real: return Storage::Double;
    case ColumnKind::Decimal: return Storage::Decimal;
    case ColumnKind::Date: return Storage::Date;
    case ColumnKind::DateTime:
    case ColumnKind::Timestamp: return Storage::DateTime;
    case ColumnKind::Time: return Storage::Time;
    }
    return Storage::String;
}

Type ColumnType::value_type() const
{
    switch (kind) {
    case ColumnKind::Char: return Type::String;
    case ColumnKind::Int: return Type::Integer;
    case ColumnKind::Long: return Type::Long;
    case ColumnKind::ULong: return Type::ULong;
    case ColumnKind::Number: return Type::Double;
    case ColumnKind::Real: return Type::Real;
    case ColumnKind::Decimal: return Type::Decimal;
    case ColumnKind::Date: return Type::Date;
    case ColumnKind::DateTime:
    case ColumnKind::Timestamp: return Type::DateTime;
    case ColumnKind::Time: return Type::Time;
    }
    return Type::String;
}

namespace {

struct KindName {
    std::string_view name;
    ColumnKind kind;
    bool sized;
};

constexpr KindName kind_names[] = {
    {"char", ColumnKind::Char, true},
    {"int", ColumnKind::Int, false},
    {"long", ColumnKind::Long, false},
    {"ulong", ColumnKind::ULong, false},
    {"number", ColumnKind::Number, false},
    {"real", ColumnKind::Real, false},
    {"decimal", ColumnKind::Decimal, true},
    {"date", ColumnKind::Date, false},
    {"datetime", ColumnKind::DateTime, false},
    {"time", ColumnKind::Time, false},
    {"timestamp", ColumnKind::Timestamp, false},
};

} // namespace

std::string ColumnType::text() const
{
    for (const KindName& entry : kind_names)
        if (entry.kind == kind)
            return entry.sized ? fmt::format("{}({})", entry.name, size) : std::string(entry.name);
    return "?";
}

std::optional<ColumnType> ColumnType::parse(std::string_view text)
{
    std::string_view base = text;
    int size = 0;
    bool has_size = false;
    if (auto open = text.find('('); open != std::string_view::npos) {
        if (text.back() != ')')
            return std::nullopt;
        std::string_view digits = text.substr(open + 1, text.size() - open - 2);
        auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), size);
        if (ec != std::errc() || end != digits.data() + digits.size() || size < 0)
            return std::nullopt;
        base = text.substr(0, open);
        has_size = true;
    }
    for (const KindName& entry : kind_names) {
        if (!iequals(entry.name, base))
            continue;
        if (!entry.sized && has_size)
            return std::nullopt;
        if (entry.kind == ColumnKind::Char && (!has_size || size < 1 || size > 32767))
            return std::nullopt;
        if (entry.kind == ColumnKind::Decimal && size > Decimal::max_scale)
            return std::nullopt;
        return ColumnType {entry.kind, size};
    }
    return std::nullopt;
}

namespace {

struct KindKeyword {
    std::string_view keyword;
    std::string_view type_name;
    ControlKind kind;
};

constexpr KindKeyword control_keywords[] = {
    {"text", "text", ControlKind::Text},
    {"column", "column", ControlKind::Column},
    {"compute", "compute", ControlKind::Compute},
    {"bitmap", "bitmap", ControlKind::Bitmap},
    {"line", "line", ControlKind::Line},
    {"rectangle", "rectangle", ControlKind::Rectangle},
    {"ellipse", "ellipse", ControlKind::Ellipse},
    {"roundrectangle", "roundrectangle", ControlKind::RoundRectangle},
    {"groupbox", "groupbox", ControlKind::GroupBox},
    {"button", "button", ControlKind::Button},
    {"report", "report", ControlKind::Report},
    {"graph", "graph", ControlKind::Graph},
    {"ole", "ole", ControlKind::Ole},
    {"tableblob", "tableblob", ControlKind::TableBlob},
};

bool yes(const Attribute* attr) { return attr && iequals(attr->value.text, "yes"); }

} // namespace

std::string_view control_keyword(ControlKind kind)
{
    for (const KindKeyword& entry : control_keywords)
        if (entry.kind == kind)
            return entry.keyword;
    return "text";
}

std::string_view control_type_name(ControlKind kind)
{
    for (const KindKeyword& entry : control_keywords)
        if (entry.kind == kind)
            return entry.type_name;
    return "text";
}

std::optional<ControlKind> control_kind_from_keyword(std::string_view keyword)
{
    for (const KindKeyword& entry : control_keywords)
        if (iequals(entry.keyword, keyword))
            return entry.kind;
    return std::nullopt;
}

bool is_band_name(std::string_view band)
{
    for (std::string_view plain : {"header", "detail", "summary", "footer", "foreground", "background"})
        if (iequals(band, plain))
            return true;
    for (std::string_view grouped : {"header.", "trailer."}) {
        if (!istarts_with(band, grouped))
            continue;
        std::string_view level = band.substr(grouped.size());
        return !level.empty() && level.size() <= 3 && level.find_first_not_of("0123456789") == std::string_view::npos
            && level != "0" && level.front() != '0';
    }
    return false;
}

Result<Control> make_control(SourceItem item, const ObjectDefinition& object, std::string_view file)
{
    auto failure = [&](SourcePos pos, std::string message) {
        return Result<Control>::failure(located_message(file, pos, message));
    };
    auto kind = control_kind_from_keyword(item.keyword);
    if (!kind)
        return failure(item.pos, fmt::format("unknown control type '{}'", excerpt(item.keyword)));
    Control control;
    control.kind = *kind;
    control.attributes = std::move(item.attributes);
    if (const Attribute* band = find_attribute(control.attributes, "band")) {
        if (band->value.form == AttrValue::Form::List || !is_band_name(band->value.text))
            return failure(band->value.pos, fmt::format("unknown band '{}'", excerpt(band->value.text)));
    } else {
        control.attributes.push_back({"band", AttrValue::bare("detail"), item.pos});
    }
    if (const Attribute* name = find_attribute(control.attributes, "name")) {
        if (name->value.form == AttrValue::Form::List || name->value.text.empty())
            return failure(name->value.pos, "a control name must be a word");
        control.name = name->value.text;
    }
    if (control.kind == ControlKind::Column) {
        const Attribute* id = find_attribute(control.attributes, "id");
        if (!id)
            return failure(item.pos, "column control without id=");
        int number = 0;
        const std::string& text = id->value.text;
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
        if (ec != std::errc() || end != text.data() + text.size() || number < 1
            || number > static_cast<int>(object.columns.size()))
            return failure(id->value.pos, fmt::format("column id '{}' is not a column of the table", excerpt(text)));
        control.column_id = number;
        if (control.name.empty()) {
            control.name = object.columns[number - 1].name;
            control.attributes.push_back({"name", AttrValue::bare(control.name), item.pos});
        }
    }
    return control;
}

namespace {

class Builder {
public:
    Builder(std::string_view file) : m_file(file) {}

    Result<ObjectDefinition> build(SourceDocument document)
    {
        m_object.release = std::move(document.release);
        m_control_names.reserve(document.items.size());
        bool has_table = false;
        for (SourceItem& item : document.items) {
            Result<void> read;
            const std::string& keyword = item.keyword;
            bool known = keyword == "datawindow" || is_plain_band(keyword) || keyword == "table" || keyword == "group"
                || control_kind_from_keyword(keyword);
            if (known)
                for (const Attribute& attr : item.attributes)
                    if (attr.name.empty())
                        return fail(
                            attr.pos,
                            fmt::format("expected an attribute name in {}(...), found a value", excerpt(keyword)));
            if (keyword == "datawindow") {
                m_object.datawindow_attributes = std::move(item.attributes);
            } else if (is_plain_band(keyword)) {
                m_object.bands.push_back({keyword, std::move(item.attributes)});
            } else if (keyword == "table") {
                if (has_table)
                    return fail(item.pos, "a second table(...) item");
                has_table = true;
                read = read_table(item);
            } else if (keyword == "data") {
                if (!has_table)
                    return fail(item.pos, "data(...) before the table(...) item");
                read = read_data(item);
            } else if (keyword == "group") {
                m_object.groups.push_back(std::move(item));
            } else if (known) {
                if (!has_table)
                    return fail(item.pos, fmt::format("{}(...) before the table(...) item", keyword));
                read = add_control(item);
            } else {
                m_object.trailers.push_back(std::move(item));
            }
            if (!read)
                return Result<ObjectDefinition>::failure(read.error());
        }
        if (!has_table)
            return Result<ObjectDefinition>::failure(
                located_message(m_file, m_end, "the source has no table(...) item"));
        return std::move(m_object);
    }

    SourcePos m_end;

private:
    static bool is_plain_band(std::string_view keyword)
    {
        return keyword == "header" || keyword == "detail" || keyword == "summary" || keyword == "footer";
    }

    Result<ObjectDefinition> fail(SourcePos pos, std::string_view message)
    {
        return Result<ObjectDefinition>::failure(located_message(m_file, pos, message));
    }

    Result<void> located(SourcePos pos, std::string_view message)
    {
        return Result<void>::failure(located_message(m_file, pos, message));
    }

    // Control names are checked against a set, so that loading stays linear in the number
    // of controls.
    Result<void> add_control(SourceItem& item)
    {
        bool named_in_source = find_attribute(item.attributes, "name") != nullptr;
        auto control = make_control(std::move(item), m_object, m_file);
        if (!control)
            return control;
        if (!control->name.empty() && !m_control_names.insert(to_lower(control->name)).second) {
            // A column control named after its column may meet a second column of that name
            // (objects painted long ago carry them): it keeps the name, which finds the first
            // control, and is written back without one, as it was read.
            if (named_in_source || control->kind != ControlKind::Column)
                return located(item.pos, fmt::format("a second control named '{}'", excerpt(control->name)));
            std::erase_if(control->attributes, [](const Attribute& attr) { return iequals(attr.name, "name"); });
        }
        m_object.controls.push_back(std::move(*control));
        return {};
    }

    Result<void> read_table(SourceItem& item)
    {
        for (Attribute& attr : item.attributes) {
            std::string name = to_lower(attr.name);
            bool list = attr.value.form == AttrValue::Form::List;
            if (name == "column") {
                if (!list)
                    return located(attr.value.pos, "column= needs a parenthesised list");
                if (auto read = read_column(attr); !read)
                    return read;
                continue;
            }
            if (name == "arguments") {
                if (!list)
                    return located(attr.value.pos, "arguments= needs a parenthesised list");
                for (const Attribute& arg : attr.value.items) {
                    const auto& parts = arg.value.items;
                    if (arg.value.form != AttrValue::Form::List || parts.size() != 2 || !parts[0].name.empty()
                        || !parts[1].name.empty() || parts[0].value.form == AttrValue::Form::List
                        || parts[1].value.form == AttrValue::Form::List)
                        return located(arg.value.pos, "a retrieval argument is written (\"name\", type)");
                    m_object.arguments.push_back({parts[0].value.text, to_lower(parts[1].value.text)});
                }
                m_object.table_attributes.push_back(std::move(attr));
                continue;
            }
            bool single = name == "retrieve" || name == "update" || name == "updatewhere" || name == "updatekeyinplace"
                || name == "sort" || name == "filter";
            if (!single) { // kept as written, whatever its form
                m_object.table_attributes.push_back(std::move(attr));
                continue;
            }
            if (list)
                return located(attr.value.pos, fmt::format("table attribute '{}' takes a single value", attr.name));
            if (name == "retrieve")
                m_object.select = attr.value.text;
            else if (name == "update")
                m_object.update_table = attr.value.text;
            else if (name == "updatewhere") {
                const std::string& t = attr.value.text;
                if (t != "0" && t != "1" && t != "2")
                    return located(attr.value.pos, "updatewhere must be 0, 1 or 2");
                m_object.update_where = t[0] - '0';
            } else if (name == "updatekeyinplace")
                m_object.update_key_in_place = iequals(attr.value.text, "yes");
            else if (name == "sort") {
                m_object.sort = std::string(trim_blanks(attr.value.text));
                m_object.sort_pos = attr.value.pos;
            } else {
                m_object.filter = attr.value.text;
                m_object.filter_pos = attr.value.pos;
            }
        }
        return {};
    }

    Result<void> read_column(Attribute& attr)
    {
        TableColumn column;
        column.attributes = std::move(attr.value.items);
        for (const Attribute& part : column.attributes)
            if (part.name.empty())
                return located(part.pos, "expected name=value inside column=(...)");
        const Attribute* type = find_attribute(column.attributes, "type");
        if (!type)
            return located(attr.pos, "column=(...) without type=");
        auto parsed = ColumnType::parse(type->value.text);
        if (!parsed || type->value.form == AttrValue::Form::List)
            return located(type->value.pos, fmt::format("unknown column type '{}'", excerpt(type->value.text)));
        column.type = *parsed;
        const Attribute* name = find_attribute(column.attributes, "name");
        if (!name || name->value.text.empty() || name->value.form == AttrValue::Form::List)
            return located(attr.pos, "column=(...) without name=");
        column.name = name->value.text;
        // kept: a second column of the same name loads; the name refers to the first.
        if (const Attribute* db = find_attribute(column.attributes, "dbname"))
            column.dbname = db->value.text;
        column.key = yes(find_attribute(column.attributes, "key"));
        column.update = yes(find_attribute(column.attributes, "update"));
        const Attribute* where = find_attribute(column.attributes, "updatewhereclause");
        column.updatewhereclause = !where || yes(where);
        column.identity = yes(find_attribute(column.attributes, "identity"));
        m_object.columns.push_back(std::move(column));
        return {};
    }

    // data(v1, v2, ...): values in column order, row after row; `null` (bare) is a null
    // item. A last row cut short gets nulls for the columns it lacks.
    Result<void> read_data(const SourceItem& item)
    {
        const auto& columns = m_object.columns;
        if (columns.empty()) {
            if (item.attributes.empty())
                return {};
            return located(item.pos, "data(...) holds values but the table has no columns");
        }
        std::vector<Value> row;
        for (const Attribute& attr : item.attributes) {
            const AttrValue& value = attr.value;
            if (!attr.name.empty() || value.form == AttrValue::Form::List)
                return located(attr.pos, "data(...) holds only values, without names or lists");
            const TableColumn& column = columns[row.size()];
            bool null = value.form == AttrValue::Form::Bare && iequals(value.text, "null");
            auto item_value = parse_item_text(null ? std::string_view() : std::string_view(value.text), column.type,
                                              null ? EmptyText::Null : EmptyText::EmptyString);
            if (!item_value)
                return located(value.pos,
                               fmt::format("row {}: '{}' does not fit column {} ({})", m_object.data_rows.size() + 1,
                                           excerpt(value.text), excerpt(column.name), column.type.text()));
            row.push_back(std::move(*item_value));
            if (row.size() == columns.size())
                m_object.data_rows.push_back(std::exchange(row, {}));
        }
        if (!row.empty()) {
            while (row.size() < columns.size())
                row.push_back(*parse_item_text({}, columns[row.size()].type));
            m_object.data_rows.push_back(std::move(row));
        }
        return {};
    }

    std::string_view m_file;
    ObjectDefinition m_object;
    std::unordered_set<std::string> m_control_names; // lower case
};

SourcePos end_position(std::string_view text)
{
    SourcePos pos;
    for (char c : text) {
        if (c == '\n') {
            ++pos.line;
            pos.column = 1;
        } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            ++pos.column;
        }
    }
    return pos;
}

void write_attributes(std::string& out, const std::vector<Attribute>& attributes)
{
    for (const Attribute& attr : attributes) {
        if (!attr.name.empty()) { // items of later releases may hold values without names
            out += attr.name;
            out += '=';
        }
        out += write_value(attr.value);
        out += ' ';
    }
}

// data(...) as read_data takes it back: text quoted, numbers bare, null as `null`.
void write_data(std::string& out, const std::vector<std::vector<Value>>& rows)
{
    if (rows.empty())
        return;
    out += "data(";
    for (const auto& row : rows)
        for (const Value& value : row) {
            if (value.is_null())
                out += "null";
            else if (value.is_numeric())
                out += item_text(value);
            else
                out += quoted_value(item_text(value));
            out += ", ";
        }
    out += ")\n";
}

void write_item(std::string& out, std::string_view keyword, const std::vector<Attribute>& attributes)
{
    out += keyword;
    out += '(';
    write_attributes(out, attributes);
    out += ")\n";
}

} // namespace

Result<ObjectDefinition> ObjectDefinition::parse(std::string_view text, std::string_view file)
{
    auto document = parse_source(text, file);
    if (!document)
        return Result<ObjectDefinition>::failure(document.error());
    Builder builder(file);
    builder.m_end = end_position(text);
    return builder.build(std::move(*document));
}

Result<ObjectDefinition> ObjectDefinition::from_document(SourceDocument document, std::string_view file)
{
    Builder builder(file);
    return builder.build(std::move(document));
}

int ObjectDefinition::column_index(std::string_view column) const
{
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (iequals(columns[i].name, column))
            return static_cast<int>(i);
    return -1;
}

const Control* ObjectDefinition::find_control(std::string_view control_name) const
{
    for (const Control& control : controls)
        if (!control.name.empty() && iequals(control.name, control_name))
            return &control;
    return nullptr;
}

Control* ObjectDefinition::find_control(std::string_view control_name)
{
    return const_cast<Control*>(std::as_const(*this).find_control(control_name));
}

const Control* ObjectDefinition::column_control(int index) const
{
    for (const Control& control : controls)
        if (control.kind == ControlKind::Column && control.column_id == index + 1)
            return &control;
    return nullptr;
}

Control* ObjectDefinition::column_control(int index)
{
    return const_cast<Control*>(std::as_const(*this).column_control(index));
}

const Control* ObjectDefinition::find_compute(std::string_view compute_name) const
{
    const Control* control = find_control(compute_name);
    return control && control->kind == ControlKind::Compute ? control : nullptr;
}

std::string ObjectDefinition::syntax() const
{
    std::string out;
    if (!release.empty())
        out += fmt::format("release {};\n", release);
    write_item(out, "datawindow", datawindow_attributes);
    for (const Band& band : bands)
        write_item(out, band.name, band.attributes);
    out += "table(";
    for (const TableColumn& column : columns) {
        out += "column=(";
        write_attributes(out, column.attributes);
        out += ")\n ";
    }
    if (!select.empty())
        out += "retrieve=" + quoted_value(select) + " ";
    if (!update_table.empty())
        out += "update=" + quoted_value(update_table) + " ";
    out += fmt::format("updatewhere={} updatekeyinplace={} ", update_where, update_key_in_place ? "yes" : "no");
    if (!sort.empty())
        out += "sort=" + quoted_value(sort) + " ";
    if (!filter.empty())
        out += "filter=" + quoted_value(filter) + " ";
    write_attributes(out, table_attributes);
    out += ")\n";
    write_data(out, data_rows);
    for (const SourceItem& group : groups)
        write_item(out, group.keyword, group.attributes);
    for (const Control& control : controls)
        write_item(out, control_keyword(control.kind), control.attributes);
    for (const SourceItem& trailer : trailers)
        write_item(out, trailer.keyword, trailer.attributes);
    return out;
}

} // namespace hearth::dw
