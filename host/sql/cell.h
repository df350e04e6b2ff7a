#pragma once
// Conversions between result cells, host values and parameter texts. Numbers are read exactly:
// decimals from the backend's text (never through a double), integers as 64-bit integers.

#include "host/sql/driver.h"
#include "host/value/value.h"

#include <optional>
#include <string>
#include <string_view>

namespace hearth::sql {

// ISO texts as both backends store them: "2024-03-01", "13:05:09[.123456]",
// "2024-03-01 13:05:09[.123456]" (also with 'T'; a trailing zone offset is ignored).
std::optional<Date> parse_date(std::string_view text);
std::optional<Time> parse_time(std::string_view text);
std::optional<DateTime> parse_datetime(std::string_view text);
std::string format_date(const Date& date);
std::string format_time(const Time& time);
std::string format_datetime(const DateTime& stamp);

// Typed cell readers for bulk loading into typed column storage, without a Value per cell.
// The caller tests row.is_null(column) first; nullopt / false means the cell does not
// convert (cell_error gives the message).
// A whole number: exact for integers, rounded half away from zero from a fraction or text.
bool cell_whole(const ResultRow& row, int column, Int128& out);
// Exact: integers as they are, decimals and floats from the backend's own text.
std::optional<Decimal> cell_decimal(const ResultRow& row, int column);
std::optional<double> cell_double(const ResultRow& row, int column);
std::optional<Date> cell_date(const ResultRow& row, int column);
std::optional<DateTime> cell_datetime(const ResultRow& row, int column);
std::optional<Time> cell_time(const ResultRow& row, int column);
// "Cannot convert '<text>' in column <n> (<name>) to <type>."
std::string cell_error(const ResultRow& row, int column, std::string_view want);

// Reads one cell as a value of type `want` (Type::Any: the cell's own type). A null cell gives
// a null of that type. Returns false with a message when the cell does not convert.
bool read_cell(const ResultRow& row, int column, Type want, Value& out, std::string& error);

// A reader for one requested type, chosen once per column so a row loop does not dispatch on
// the type for every cell.
using CellReader = bool (*)(const ResultRow& row, int column, Value& out, std::string& error);
CellReader cell_reader(Type want);

// Converts a host variable's value to the type of the variable it is stored into
// (SELECT ... INTO, FETCH ... INTO keep the target's declared type).
bool convert_value(const Value& from, Type want, Value& out, std::string& error);

// The text form of a parameter value that both backends accept for its column type.
// Not for blobs, which are bound as bytes.
std::string parameter_text(const Value& value);

} // namespace hearth::sql
