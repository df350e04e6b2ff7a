#pragma once
// Column rights: which columns of a page a user may see and change. The rows come from
// TC_SYS_ColumnRight, where "*" stands for every page or every column; the most specific row
// for a column decides.

#include "host/ui/datawindow_control.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hearth {

// One row of TC_SYS_ColumnRight for the logged-in user.
struct ColumnRight {
    std::string page;   // the page's number as text, or "*"
    std::string column; // a column name, or "*"
    bool can_view = false;
    bool can_edit = false;
};

enum class ColumnAccess : std::uint8_t { Hidden, ReadOnly, Editable };

// The access to `column` of page `page` by the rows `rights`: the row for the page and the
// column wins, then the page and "*", then "*" and the column, then "*" and "*". Names compare
// without regard to case. No row at all: hidden, since a right not granted is not held.
ColumnAccess column_access(const std::vector<ColumnRight>& rights, std::string_view page, std::string_view column);

// Applies the rights to every column of `dw`: a hidden column and its header text
// (<column>_t) become invisible and Tab skips it, a read-only one is protected and Tab skips
// it (the host's edit reaches only columns with a tab sequence). Editable
// columns are left as the DataWindow object designs them.
void apply_column_rights(DataWindowControl& dw, const std::vector<ColumnRight>& rights, std::string_view page);

} // namespace hearth
