#pragma once
// m_gridrbutton: the context menu of a page's DataWindow. Its item m_gridmenu holds the items
// that act on the clicked column, which the page hands over in a struc_scope through
// Message.PowerObjectParm: export (the page's ue_saveas), text colour and alignment (kept per
// user and object, app/column_looks.h), a query by the column's value, dropping that query, and
// the designed sort order.

#include "host/object/object.h"
#include "host/ui/datawindow_control.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace hearth {

class HearthApplication;
class Menu;

// The SELECT each DataWindow had before a query by column, so that the query can be dropped
// and a second query replaces the first rather than adding to it.
class ColumnQueries {
public:
    // The SELECT a new query adds its condition to: the one from before the current query
    // while dw still shows that query's rows, else dw's own.
    std::string base(DataWindowControl& dw) const;
    // dw now shows `query`, made from `base`.
    void remember(DataWindowControl& dw, std::string base, std::string query);
    // The SELECT from before the query dw shows; nullopt when it shows none. Forgets it.
    std::optional<std::string> take(DataWindowControl& dw);

private:
    struct Entry {
        ObjectRef dw;
        std::string base;
        std::string query;
    };
    const Entry* find(DataWindowControl& dw) const;
    std::vector<Entry> m_entries;
};

// m_gridrbutton with mf_setdw(dw) done: its items act on dw for `application`'s user.
std::shared_ptr<Menu> make_m_gridrbutton(HearthApplication& application, DataWindowControl& dw);

} // namespace hearth
