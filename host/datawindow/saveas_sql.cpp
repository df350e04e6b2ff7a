// SaveAs SQLInsert!: one INSERT statement per Primary! row into the object's update table,
// every table column by the column part of its dbname; strings in single quotes with
// inner quotes doubled, dates and times as quoted ISO text, NULL for nulls.
#include "host/datawindow/saveas.h"
#include "host/datawindow/value_text.h"

#include <fmt/format.h>

namespace hearth::dw {

namespace {

std::string literal(const Value& value)
{
    if (value.is_null())
        return "NULL";
    std::string text = item_text(value);
    switch (value.type()) {
    case Type::String:
    case Type::Date:
    case Type::DateTime:
    case Type::Time: {
        std::string out = "'";
        for (char c : text) {
            if (c == '\'')
                out += '\'';
            out += c;
        }
        return out + "'";
    }
    default: return text;
    }
}

std::string column_name(const TableColumn& column)
{
    if (column.dbname.empty())
        return column.name;
    auto dot = column.dbname.rfind('.');
    return dot == std::string::npos ? column.dbname : column.dbname.substr(dot + 1);
}

} // namespace

Result<std::string> write_sql(const Engine& engine)
{
    const ObjectDefinition& object = engine.object();
    if (object.update_table.empty())
        return Result<std::string>::failure("the object names no update table");
    std::string head = "INSERT INTO " + object.update_table + " (";
    for (std::size_t c = 0; c < object.columns.size(); ++c)
        head += (c ? ", " : " ") + column_name(object.columns[c]);
    head += " ) VALUES (";
    std::string out;
    const RowStore& rows = engine.rows();
    for (Slot slot : engine.slots(Buffer::Primary)) {
        out += head;
        for (std::size_t c = 0; c < object.columns.size(); ++c)
            out += (c ? ", " : " ") + literal(rows.column(c).get(slot, object.columns[c].type));
        out += " );\r\n";
    }
    return out;
}

} // namespace hearth::dw
