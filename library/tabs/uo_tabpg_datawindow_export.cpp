// uo_tabpg_datawindow's export: the rows of dw_1 to a file the user names, in the format its
// extension says. The plain formats go through SaveAs, workbooks through the application's
// Excel export; the file dialog's filter list only guides the user.

#include "host/object/runtime.h"
#include "host/ui/desktop.h"
#include "host/value/functions.h"
#include "library/frame/application.h"
#include "library/tabs/uo_tabpg_datawindow.h"

#include <array>

namespace hearth {

namespace {

constexpr std::string_view excel_filter = "EXCEL表格文件(*.XLS),*.xls";
// The administrator may also write dBASE and SQL files.
constexpr std::string_view administrator_filters
    = ",HTM网页文件(*.HTM),*.htm,dBASE3文件(*.DBF),*.dbf,SQL数据文件(*.SQL),*.sql,TXT文本文件(*.TXT),*.txt";
constexpr std::string_view user_filters = ",HTM网页文件(*.HTM),*.htm,TXT文本文件(*.TXT),*.txt";

// Rows beyond which the Excel export asks first.
constexpr long excel_rows_without_question = 800;

// The formats SaveAs writes, by the upper-cased last three characters of the path.
struct PlainFormat {
    std::string_view extension;
    dw::SaveAsType type;
    dw::ColumnHeadings headings;
};
constexpr std::array<PlainFormat, 4> plain_formats {{
    {"TXT", dw::SaveAsType::Text, dw::ColumnHeadings::Off},
    {"HTM", dw::SaveAsType::HTMLTable, dw::ColumnHeadings::On},
    {"DBF", dw::SaveAsType::DBase3, dw::ColumnHeadings::On},
    {"SQL", dw::SaveAsType::SQLInsert, dw::ColumnHeadings::Off},
}};

} // namespace

ScriptResult uo_tabpg_datawindow::ue_saveas(ScriptCall& call)
{
    AppGlobals* globals = app_globals(call, "gs_userno");
    uo_dw* dw = call.use(dw_1, "dw_1");
    Desktop* desktop = Desktop::current();
    if (!globals || !dw || !desktop)
        return no_return;

    const bool administrator = globals->gs_userno == "velmora_admin";
    const std::string filter = std::string(excel_filter).append(administrator ? administrator_filters : user_filters);
    std::string ls_fullpathfile;
    std::string ls_file;
    const Value chosen = desktop->get_file_save_name(Value("请输入要保存的文件"), ls_fullpathfile, ls_file,
                                                     Value("XLS"), Value(filter));
    // The dialog may have moved the current directory; the application's is restored.
    fn::change_directory(globals->gs_apppath);
    if (chosen.is_null() || chosen.as_integral() != 1)
        return no_return;

    const std::string ls_str = fn::upper(fn::right(ls_fullpathfile, 3));
    long ll_rtn = 0;
    // ".xlsx" ends in "LSX" but is a workbook too: the Excel export writes it in its own format.
    if (ls_str == "XLS" || fn::upper(fn::right(ls_fullpathfile, 5)) == ".XLSX") {
        if (dw->row_count() > excel_rows_without_question) {
            const Value answer
                = desktop->message_box(Value("提示信息"), Value("数据较多，您确认要导出数据到Excel文件中吗？"),
                                       Icon::Question, Buttons::YesNo, Value(1));
            if (!answer.is_null() && answer.as_integral() == 2)
                return no_return;
        }
        desktop->set_pointer(Pointer::HourGlass);
        n_excel_parm lnvo_parm_excel;
        lnvo_parm_excel.ib_detail = true;
        lnvo_parm_excel.ib_footer = true;
        lnvo_parm_excel.ib_group_header = true;
        lnvo_parm_excel.ib_group_trailer = true;
        lnvo_parm_excel.ib_header = true;
        lnvo_parm_excel.ib_show_progress = true;
        lnvo_parm_excel.ib_summary = true;
        lnvo_parm_excel.ib_prompt_openfile = false;
        ll_rtn = Application::current()->gf_dw_to_excel_parm(*dw, ls_fullpathfile, lnvo_parm_excel);
        desktop->set_pointer(Pointer::Arrow);
    } else {
        // "DOC" and any other extension write nothing and fail.
        for (const PlainFormat& format : plain_formats)
            if (format.extension == ls_str)
                ll_rtn = dw->save_as(ls_fullpathfile, format.type, format.headings);
    }

    // Only 1 is a success: a failed export must never be reported as done.
    if (ll_rtn == 1)
        desktop->message_box(Value("成功信息"), Value("数据导出成功！"));
    else
        desktop->message_box(Value("警告信息"), Value("数据导出失败！"));
    return no_return;
}

} // namespace hearth
