#pragma once
// The community application's globals and global functions, as the library expects them of
// the application it runs in: the two databases, the work parameters, the logged-in user, the
// user log, list splitting, the DataWindows' look and the users' column rights.

#include "app/column_looks.h"
#include "app/column_rights.h"
#include "app/m_gridrbutton.h"
#include "host/value/result.h"
#include "library/frame/application.h"

#include <cstdint>
#include <string>
#include <vector>

namespace hearth {

// Action codes of the user log (TC_SYS_UserLog.Action); deleting a record writes 4.
inline constexpr std::int16_t user_log_login = 1;

class HearthApplication : public Application {
public:
    // The globals before any database is open: gs_apppath is the folder of the running
    // program, gs_firstrow "50", the colours and the page margin set.
    HearthApplication();
    // Disconnects both databases.
    ~HearthApplication() override;
    HearthApplication(const HearthApplication&) = delete;
    HearthApplication& operator=(const HearthApplication&) = delete;

    AppGlobals& globals() override { return m_globals; }

    // Connects sqlca and photosqlca to the databases of `target`, a folder holding hearth.db
    // and hearth_archive.db or a PostgreSQL connection string (the database it names and its
    // _archive twin), and reads gs_workparm. Nothing is ever created: a missing folder, a
    // missing, corrupt or foreign database fails with a message saying which and why, and
    // leaves both transactions disconnected.
    Result<void> open_databases(const std::string& target);
    // Disconnects both transactions (committing nothing that is pending is the caller's job).
    void close_databases();

    // Checks `userno` and `password` against TC_SYS_User. Success: gs_userno, gs_username and
    // gs_userpass are the user's, and the user log gets a login entry. Failure: the globals are
    // empty and the message is "用户名或口令错误！" (or the database's error).
    Result<void> login(const std::string& userno, const std::string& password);
    // Whether `password` is the logged-in user's, checked as login checks it; the globals and
    // the user log stay as they are. Failure: "口令错误！" (or the database's error).
    Result<void> check_password(const std::string& password);
    // Whether the logged-in user is an administrator, who holds every right.
    bool is_admin() const { return m_is_admin; }

    // The logged-in user's TC_SYS_ColumnRight rows for page `page` and for every page ("*");
    // an empty list for the administrator or when none is logged in. A failed read gives the
    // database's error.
    Result<std::vector<ColumnRight>> column_rights(std::int32_t page);

    // A user-log row (user, time, text, kind, detail), committed. A failed write is rolled
    // back and leaves its error in sqlca's SQLCode and SQLErrText; nothing else happens.
    void gf_userlog(const std::string& text, std::int16_t kind, const std::string& detail) override;
    // Splits `list` at every `separator` into `parts` and their `count`, 0. A list without the
    // separator gives count 0 and no parts (the caller takes the list whole). An empty
    // separator: -1.
    std::int32_t gf_substr(const std::string& list, const std::string& separator, std::vector<std::string>& parts,
                           std::int32_t& count) override;
    // The DataWindow's background in gl_backcolor and its columns' text in gl_textcolor.
    void gf_dwcolorinit(DataWindowControl& dw) override;
    // The grid look: header in gl_backcolor with gl_textcolor texts, detail rows on white.
    void gf_dwinit(DataWindowControl& dw) override;
    // The logged-in user's column rights for page number `page` (apply_column_rights); the
    // administrator's DataWindows stay as designed. A failed read of the rights hides nothing
    // and shows the database's error in a message box.
    void gf_setcolumn_right(DataWindowControl& dw, std::int32_t page) override;
    void gf_gridcolumn_right(DataWindowControl& dw, std::int32_t page) override;

    // ---- The page's context menu and the looks it gives columns (app/m_gridrbutton.h)
    // m_gridrbutton on dw, its items acting for the logged-in user.
    std::shared_ptr<Menu> create_grid_menu(DataWindowControl& dw) override;
    // The users' column colours and alignments; gf_dwinit and gf_dwcolorinit apply the
    // logged-in user's after the looks they set. Tests may point it at another file.
    ColumnLooks& column_looks() { return m_column_looks; }
    // The SELECTs from before the queries by column.
    ColumnQueries& column_queries() { return m_column_queries; }

    // The Excel export (app/excel): its progress in the status bar when parm asks for it, a
    // failure in a message box ("错误") and -1; with ib_prompt_openfile the user is asked
    // whether to open the file, and Yes opens it with the desktop's default program.
    std::int32_t gf_dw_to_excel_parm(DataWindowControl& dw, const std::string& path, n_excel_parm& parm) override;

    // The open w_main's ib_query; nullptr while no w_main is open.
    bool* w_main_ib_query() override;

private:
    // Reads user `userno` and checks `password` against the stored hash; name and admin get
    // the user's name and administrator flag.
    Result<void> check_user(const std::string& userno, const std::string& password, Value& name, Value& admin);
    // A status text through w_main.wf_setstatus, or on the desktop's status line when the
    // main window is not open.
    void show_status(const std::string& text);
    void apply_rights(DataWindowControl& dw, std::int32_t page);

    AppGlobals m_globals;
    bool m_is_admin = false;
    ColumnLooks m_column_looks {ColumnLooks::default_file()};
    ColumnQueries m_column_queries;
};

} // namespace hearth
