#pragma once
// Text forms of column values for import and export: dates, times and datetimes in their ISO
// forms (host/value/calendar.h, read as IsoForm::Loose), numbers in plain form. Parsing is
// strict: a value that is not wholly valid is rejected rather than guessed.

#include "host/datawindow/object.h"
#include "host/datawindow/row_store.h"
#include "host/value/value.h"

#include <optional>
#include <string>
#include <string_view>

namespace hearth::dw {

// What empty text means for a char column: null (imports, where an empty field is how a
// null is written) or the empty string (typed into an edit).
enum class EmptyText : std::uint8_t { Null, EmptyString };

// The value for a column of that type from its text form; empty text is null (for char
// columns as `empty` says). nullopt for text the type cannot hold.
std::optional<Value> parse_item_text(std::string_view text, const ColumnType& type, EmptyText empty = EmptyText::Null);

// The plain text form of an item (empty for null).
std::string item_text(const Value& value);
void append_item_text(std::string& out, const Value& value);
// The same for an item of a row store, without building a Value.
void append_item_text(std::string& out, const ColumnValues& column, Slot slot, const ColumnType& type);

} // namespace hearth::dw
