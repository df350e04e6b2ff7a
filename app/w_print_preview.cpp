#include "app/w_print_preview.h"

#include "app/dialog_support.h"
#include "host/object/runtime.h"
#include "host/ui/desktop.h"
#include "host/value/functions.h"

#include <algorithm>
#include <array>

namespace hearth {

namespace {

// A whole number the DataWindow describes; `fallback` when it has none.
long described(DataWindowBase& dw, const std::string& property, long fallback)
{
    const std::string text = dw.describe(property);
    return fn::is_number(text) ? static_cast<long>(fn::to_long(text)) : fallback;
}

// The length of the paper's side that runs down the page, in millimetres, for the paper
// sizes of the print settings (Windows' paper numbers); A4 for any other.
double paper_height_mm(long paper, bool landscape)
{
    struct Paper {
        long number;
        double width, height;
    };
    static constexpr std::array<Paper, 6> papers {{
        {1, 215.9, 279.4}, // Letter
        {5, 215.9, 355.6}, // Legal
        {8, 297, 420},     // A3
        {9, 210, 297},     // A4
        {11, 148, 210},    // A5
        {13, 182, 257},    // B5
    }};
    Paper chosen = papers[3];
    for (const Paper& p : papers)
        if (p.number == paper)
            chosen = p;
    return landscape ? chosen.width : chosen.height;
}

// Vertical units per inch of the DataWindow's units: layout units (384 to the inch at 96 dots
// to the inch), pixels, thousandths of an inch, thousandths of a centimetre.
double units_per_inch(long units)
{
    switch (units) {
    case 1: return 96;
    case 2: return 1000;
    case 3: return 2540;
    default: return 384;
    }
}

} // namespace

long preview_page_count(DataWindowBase& dw)
{
    const bool landscape = described(dw, "datawindow.print.orientation", 0) == 1;
    const double inches = paper_height_mm(described(dw, "datawindow.print.paper.size", 9), landscape) / 25.4;
    const long page = static_cast<long>(inches * units_per_inch(described(dw, "datawindow.units", 0)))
        - described(dw, "datawindow.print.margin.top", 0) - described(dw, "datawindow.print.margin.bottom", 0);
    const long body = std::max(
        1L, page - described(dw, "datawindow.header.height", 0) - described(dw, "datawindow.footer.height", 0));
    const long detail = described(dw, "datawindow.detail.height", 0);
    const long rows = dw.row_count();
    const long per_page = detail > 0 ? std::max(1L, body / detail) : std::max(1L, rows);
    long pages = std::max(1L, (rows + per_page - 1) / per_page);
    // The summary follows the last row, on a page of its own when it does not fit.
    const long summary = described(dw, "datawindow.summary.height", 0);
    const long last_rows = rows - (pages - 1) * per_page;
    if (summary > 0 && last_rows * detail + summary > body)
        ++pages;
    return pages;
}

w_print_preview::w_print_preview()
{
    title = "打印预览";
    width = 1200;
    height = 600;
}

ScriptResult w_print_preview::open(ScriptCall& call)
{
    DataWindowControl* dw = dialogs::datawindow_parm(call.runtime());
    if (!dw) {
        dialogs::close_dialog(ref(), "0");
        return no_return;
    }
    if (!dw->tag.empty())
        title = "打印预览 - " + dw->tag;
    dialogs::place(call, st_pages, 40, 40, 1100, 64, "共 " + std::to_string(preview_page_count(*dw)) + " 页");
    dialogs::place(call, cb_print, 200, 300, 300, 100, "打印");
    dialogs::place(call, cb_close, 700, 300, 300, 100, "关闭");
    // Printing comes with the printer service.
    if (auto* print = call.use(Ref<CommandButton>(cb_print), "cb_print"))
        print->enabled = false;
    return no_return;
}

ScriptResult w_print_preview::cb_close_clicked(ScriptCall&)
{
    dialogs::close_dialog(ref(), "1");
    return no_return;
}

const ClassTable& _getVtableInfo_w_print_preview()
{
    static const ClassTable table {
        "w_print_preview",
        "w_response",
        make_object<w_print_preview>,
        {{"st_pages", "statictext", store_in<&w_print_preview::st_pages>},
         {"cb_print", "commandbutton", store_in<&w_print_preview::cb_print>},
         {"cb_close", "commandbutton", store_in<&w_print_preview::cb_close>}},
        {{own_group,
          "",
          {},
          {{0, "create", create_script},
           {1, "destroy", destroy_script},
           {38, "open", on_self<&w_print_preview::open>}}},
         {32771, "cb_close", {}, {{36, "clicked", on_parent<&w_print_preview::cb_close_clicked>}}}}};
    return table;
}

} // namespace hearth
