#pragma once
// Reading result cells as host values. Numbers are read exactly: decimals from the backend's
// text (never through a double), integers as 64-bit integers.

#include "host/sql/date_text.h"
#include "host/sql/driver.h"
#include "host/value/result.h"
#include "host/value/value.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hearth::sql {

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
// a null of that type. Fails with cell_error's message when the cell does not convert.
Result<Value> read_cell(const ResultRow& row, int column, Type want);

// SELECT ... INTO and FETCH ... INTO: reads the row into the targets, each converted to its
// target's type; all or nothing. Fails when a cell does not convert or the counts differ.
Result<void> store_row(const ResultRow& row, const std::vector<Value*>& targets);

// A reader for one requested type, chosen once per column so a row loop does not dispatch on
// the type for every cell. It stores the cell into `out`; a success carries no allocation.
using CellReader = Result<void> (*)(const ResultRow& row, int column, Value& out);
CellReader cell_reader(Type want);

} // namespace hearth::sql
