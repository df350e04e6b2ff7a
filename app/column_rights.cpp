#include "app/column_rights.h"

#include "host/value/functions.h"

#include <array>

namespace hearth {

namespace {

bool same_name(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

ColumnAccess column_access(const std::vector<ColumnRight>& rights, std::string_view page, std::string_view column)
{
    const std::array<std::pair<std::string_view, std::string_view>, 4> order
        = {{{page, column}, {page, "*"}, {"*", column}, {"*", "*"}}};
    for (const auto& [want_page, want_column] : order)
        for (const ColumnRight& right : rights)
            if (right.page == want_page && same_name(right.column, want_column)) {
                if (!right.can_view)
                    return ColumnAccess::Hidden;
                return right.can_edit ? ColumnAccess::Editable : ColumnAccess::ReadOnly;
            }
    return ColumnAccess::Hidden;
}

void apply_column_rights(DataWindowControl& dw, const std::vector<ColumnRight>& rights, std::string_view page)
{
    const std::string objects = dw.describe("DataWindow.Objects");
    std::size_t start = 0;
    while (start <= objects.size()) {
        std::size_t end = objects.find('\t', start);
        if (end == std::string::npos)
            end = objects.size();
        const std::string name = objects.substr(start, end - start);
        start = end + 1;
        if (name.empty() || dw.describe(name + ".Type") != "column")
            continue;
        switch (column_access(rights, page, name)) {
        case ColumnAccess::Hidden:
            dw.modify(name + ".Visible=0");
            dw.modify(name + ".TabSequence=0");
            // A header or label named after its column goes with it; a missing one changes nothing.
            dw.modify(name + "_t.Visible=0");
            break;
        case ColumnAccess::ReadOnly:
            dw.modify(name + ".TabSequence=0");
            dw.modify(name + ".Protect=1");
            break;
        case ColumnAccess::Editable: break;
        }
    }
}

} // namespace hearth
