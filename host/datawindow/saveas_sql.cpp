// SaveAs SQLInsert!: one INSERT statement per Primary! row into the object's update table,
// every table column by the column part of its dbname; strings in single quotes with
// inner quotes doubled, dates and times as quoted ISO text, NULL for nulls. A table or column
// name that is not a plain name (letters, digits, _ and $, owner-qualified with dots) is
// written as a standard SQL quoted identifier, so no name can add text to the statement.
#include "host/datawindow/database.h"
#include "host/datawindow/saveas.h"
#include "host/datawindow/value_text.h"
#include "host/sql/dialect.h"

#include <fmt/format.h>

namespace hearth::dw {

namespace {

// A value as it stands in the statement: quoted through the one quoting helper when it is
// text, a date or a time.
std::string literal(const Value& value)
{
    if (value.is_null())
        return "NULL";
    switch (value.type()) {
    case Type::String:
    case Type::Date:
    case Type::DateTime:
    case Type::Time: return sql::quote_literal(item_text(value));
    default: return item_text(value);
    }
}

} // namespace

Result<std::string> write_sql(const Engine& engine)
{
    const ObjectDefinition& object = engine.object();
    if (object.update_table.empty())
        return Result<std::string>::failure("the object names no update table");
    std::string head = "INSERT INTO " + sql::quote_identifier(object.update_table) + " (";
    for (std::size_t c = 0; c < object.columns.size(); ++c)
        head += (c ? ", " : " ") + sql::quote_identifier(sql_column_name(object.columns[c]));
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
