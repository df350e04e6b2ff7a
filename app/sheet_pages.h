#pragma once
// The pages of a records sheet: one nested-tab page (guo_tab) on the sheet's tab control, whose
// inner tabs hold a master grid first and its detail pages after it. The pages are made when
// the sheet opens, each on its DataWindow object, with the permissions the logged-in user's
// rights give.

#include "host/object/class_registry.h"
#include "host/ui/window.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace hearth {

// One inner page. `tag` is the page's number for the column rights; `key` the table key the
// toolbar's commands choose by and the suffix of its editing window (is_stringpara). A page
// without relation fields is the master; the others belong to it (is_masterid is its tag).
struct SheetPage {
    std::string_view class_name;
    std::string_view dataobject;
    std::string_view text;
    std::string_view tag;
    std::string_view key;
    std::string_view relafield;
    std::string_view autocolumn;
    std::int16_t issingle;
};

// Makes the pages on `sheet`'s tab control `tab_1` (a uo_tab), sets guo_tab, guo_tabpg_master
// and guo_tabpg_now, fills the master grid and brings its tab to the front. False after a
// runtime error has been raised.
bool open_sheet_pages(ScriptCall& call, Window& sheet, ObjectRef tab_1, std::span<const SheetPage> pages);

} // namespace hearth
