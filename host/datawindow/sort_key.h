#pragma once
// Internal: one parsed sort key of the engine's sort criteria.

#include "host/datawindow/datawindow.h"

namespace hearth::dw {

enum class SortOrder : std::uint8_t { Ascending, Descending };
enum class SortCase : std::uint8_t { Insensitive, Sensitive };

struct Engine::SortKey {
    int column = -1; // table column, or -1 for an expression key
    std::optional<Expression> expression;
    SortOrder order = SortOrder::Ascending;
    SortCase case_mode = SortCase::Insensitive;
};

// Parses "name A, #2 D, upper(x) ds" against the object; fails with a message.
Result<std::vector<Engine::SortKey>> parse_sort_criteria(std::string_view criteria, const ObjectDefinition& object);

} // namespace hearth::dw
