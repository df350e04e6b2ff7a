#pragma once
// What the library needs of the application it runs in: its global variables and global
// functions. The application implements Application and makes its instance the current one
// before any library object is created. Library scripts reach the globals only through
// app_globals(), which raises the runtime's error when no application is running.

#include "host/object/object.h"
#include "host/object/script.h"
#include "host/sql/transaction.h"
#include "host/ui/datawindow_control.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace hearth {

class Menu;

// The application's global variables that the library reads and writes.
struct AppGlobals {
    // Logged-in user (export rights).
    std::string gs_username;
    std::string gs_userno;
    std::string gs_userpass;
    // Application directory, query text, first-retrieval row limit.
    std::string gs_apppath;
    std::string gs_querystr;
    std::string gs_firstrow;
    // Work parameters; gs_workparm[i] of the scripts is gs_workparm[i - 1] here. Elements 7 to
    // 16 switch archiving of one table on with "是".
    std::vector<std::string> gs_workparm;
    // Colours set before pages, cells and windows exist.
    std::int32_t gl_backcolor = 0;
    std::int32_t gl_textcolor = 0;
    // Height kept free above a page.
    std::int16_t gi_tunepic = 0;
    // Pages: the one in front, the master page, the one left, and the nested-tab page holding
    // the detail pages. Handles only; the page classes define what is behind them.
    ObjectRef guo_tabpg_now;
    ObjectRef guo_tabpg_master;
    ObjectRef guo_tabpg_old;
    ObjectRef guo_tab;
    // The main window, w_main: a window whose class declares the function
    // wf_setstatus(string), which shows a status text, and holds the toolbar (a uo_toolbar)
    // as its control dw_tool. Invalid until the application has opened it.
    ObjectRef w_main;
    // The two database connections: current data, and history and photo data.
    Transaction sqlca {"sqlca"};
    Transaction photosqlca {"photosqlca"};
};

// ---- The Excel export ------------------------------------------------------------------------
// n_excel_parm: what gf_dw_to_excel_parm writes (the bands), whether it shows its progress in
// the status bar, and whether it offers to open the file when done.
struct n_excel_parm {
    bool ib_detail = false;
    bool ib_footer = false;
    bool ib_group_header = false;
    bool ib_group_trailer = false;
    bool ib_header = false;
    bool ib_show_progress = false;
    bool ib_summary = false;
    bool ib_prompt_openfile = false;
};

// w_main.dw_tool: the toolbar of the main window; invalid when the main window is not open
// or has no such control.
ObjectRef w_main_dw_tool(const AppGlobals& globals);

class Application {
public:
    virtual ~Application() = default;

    // The application that is running; nullptr before one is set.
    static Application* current();
    // Makes `application` the current one (nullptr: none); returns the previous one.
    static Application* set_current(Application* application);

    virtual AppGlobals& globals() = 0;

    // gf_userlog(text, kind, detail): writes a user-log entry.
    virtual void gf_userlog(const std::string& text, std::int16_t kind, const std::string& detail) = 0;
    // gf_substr(list, separator, ref parts[], ref count): splits a list into parts and their
    // count; 0 on success.
    virtual std::int32_t gf_substr(const std::string& list, const std::string& separator,
                                   std::vector<std::string>& parts, std::int32_t& count)
        = 0;

    // gf_dwcolorinit(dw): prepares a DataWindow's colours.
    virtual void gf_dwcolorinit(DataWindowControl& dw) = 0;
    // gf_dwinit(dw): prepares a DataWindow's look.
    virtual void gf_dwinit(DataWindowControl& dw) = 0;
    // gf_setcolumn_right(dw, page) for a form, gf_gridcolumn_right(dw, page) for a grid:
    // apply the logged-in user's column rights for page number `page` (a page's tag).
    virtual void gf_setcolumn_right(DataWindowControl& dw, std::int32_t page) = 0;
    virtual void gf_gridcolumn_right(DataWindowControl& dw, std::int32_t page) = 0;

    // ---- The Excel export ----
    // gf_dw_to_excel_parm(dw, path, ref parm): writes the rows of `dw` as its user sees them to
    // the workbook `path`, the bands `parm` names. 1 on success; any other value is a failure
    // the user has been shown, and leaves no file behind (an existing file stays as it was).
    virtual std::int32_t gf_dw_to_excel_parm(DataWindowControl& dw, const std::string& path, n_excel_parm& parm) = 0;

    // w_main.ib_query: whether closing the frame asks the user first; the toolbar clears it
    // to close the frame without asking. nullptr when the frame has no such flag, and so no
    // question to skip.
    virtual bool* w_main_ib_query() { return nullptr; }

    // ---- The page's context menu
    // Creates m_gridrbutton and calls its mf_setdw(dw): the menu whose item m_gridmenu holds
    // the items (m_saveas, m_nocolor, m_alignleft, m_aligncenter, m_alignright, m_color,
    // m_query, m_noquery, m_nosort) by name. Their actions read the clicked column from the
    // struc_scope in Message.PowerObjectParm.
    virtual std::shared_ptr<Menu> create_grid_menu(DataWindowControl& dw) = 0;

    // Extension points, declared by the steps that bring their types:
    // - Menus: m_gridrbutton, with the structure struc_scope.
    // (w_main itself, dw_tool, wf_setstatus, MenuID, Visible, GetActiveSheet and ue_explorer
    // come through AppGlobals::w_main; the windows the toolbar opens, w_setshow ... w_agent,
    // the "w_m_" editing windows and the report sheets, by class name through the desktop.)
};

// The running application's globals as a script reaches them. None running: raises 20502
// naming `what` (the global the script reads); when the error is reported handled, returns
// nullptr and the caller skips the statement.
AppGlobals* app_globals(const ScriptCall& call, std::string_view what);

// Sets an application as the current one for a scope and restores the previous one after.
class CurrentApplication {
public:
    explicit CurrentApplication(Application& application) : m_previous(Application::set_current(&application)) {}
    ~CurrentApplication() { Application::set_current(m_previous); }
    CurrentApplication(const CurrentApplication&) = delete;
    CurrentApplication& operator=(const CurrentApplication&) = delete;

private:
    Application* m_previous;
};

} // namespace hearth
