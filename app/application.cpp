#include "app/application.h"

#include "app/w_main.h"
#include "app/w_setshow.h"

#include "app/excel/excel_export.h"
#include "app/init_db.h"
#include "app/password.h"
#include "host/ui/desktop.h"
#include "host/value/functions.h"

#include <fmt/format.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace hearth {

namespace {

namespace fs = std::filesystem;

// RGB(r, g, b) as the runtime packs a colour: red in the low byte.
constexpr std::int32_t rgb(int red, int green, int blue) { return red | (green << 8) | (blue << 16); }
constexpr std::int32_t white = rgb(255, 255, 255);

// How long a writer waits for another client's write to finish before it fails.
constexpr std::string_view busy_timeout = "BusyTimeout=10000";

std::string program_folder()
{
    std::error_code ec;
    const fs::path program = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::current_path(ec).string() : program.parent_path().string();
}

// The names of a DataWindow's objects of one type ("column", "text"), in the object's order.
std::vector<std::string> objects_of_type(DataWindowControl& dw, std::string_view type)
{
    std::vector<std::string> names;
    const std::string objects = dw.describe("DataWindow.Objects");
    std::size_t start = 0;
    while (start < objects.size()) {
        std::size_t end = objects.find('\t', start);
        if (end == std::string::npos)
            end = objects.size();
        std::string name = objects.substr(start, end - start);
        start = end + 1;
        if (!name.empty() && dw.describe(name + ".Type") == type)
            names.push_back(std::move(name));
    }
    return names;
}

// Opens a file with the desktop's default program for its type (xdg-open), without waiting
// for it: the program may run as long as the user keeps the file open.
Result<void> open_with_default_program(const std::string& path)
{
    std::string program = "xdg-open";
    std::vector<char*> argv {program.data(), const_cast<char*>(path.c_str()), nullptr};
    pid_t pid = 0;
    if (const int error = ::posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ); error != 0)
        return Result<void>::failure(fmt::format("{}: {}", program, std::strerror(error)));
    std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach(); // reaps it when it ends
    return {};
}

} // namespace

HearthApplication::HearthApplication()
{
    m_globals.gs_apppath = program_folder();
    m_globals.gs_firstrow = "50";
    m_globals.gl_backcolor = rgb(236, 240, 248);
    m_globals.gl_textcolor = rgb(0, 0, 0);
    m_globals.gi_tunepic = 20;
}

HearthApplication::~HearthApplication() { close_databases(); }

void HearthApplication::close_databases()
{
    for (Transaction* transaction : {&m_globals.sqlca, &m_globals.photosqlca})
        if (transaction->is_connected())
            transaction->disconnect();
}

Result<void> HearthApplication::open_databases(const std::string& target)
{
    using Failure = Result<void>;
    close_databases();
    AppGlobals& g = m_globals;
    if (is_connection_string(target)) {
        const std::string records = database_named(target);
        if (records.empty())
            return Failure::failure("无法打开数据库：连接字符串没有指定数据库（dbname）");
        for (Transaction* transaction : {&g.sqlca, &g.photosqlca})
            transaction->set_dbms("PostgreSQL");
        g.sqlca.set_database(target);
        g.photosqlca.set_database(conninfo_for(target, archive_database(records)));
    } else {
        std::error_code ec;
        if (!fs::is_directory(target, ec))
            return Failure::failure(fmt::format("无法打开数据库：文件夹“{}”不存在", target));
        for (Transaction* transaction : {&g.sqlca, &g.photosqlca}) {
            transaction->set_dbms("SQLite");
            // Without Create='Yes' a missing file is refused, never made empty.
            transaction->set_dbparm(std::string(busy_timeout));
        }
        g.sqlca.set_database((fs::path(target) / records_file).string());
        g.photosqlca.set_database((fs::path(target) / archive_file).string());
    }
    for (Transaction* transaction : {&g.sqlca, &g.photosqlca}) {
        if (transaction->connect() != 0) {
            std::string why = transaction->sql_err_text();
            close_databases();
            return Failure::failure("无法打开数据库：" + why);
        }
    }
    // The settings table tells a community database from any other.
    std::vector<std::string> parameters;
    const long read = g.sqlca.query("SELECT ParmNo, ParmValue FROM TC_SYS_WorkParm ORDER BY ParmNo", {},
                                    [&](const sql::ResultRow& row) {
                                        const std::int64_t number = row.int64(0);
                                        if (number >= 1 && number <= 1000) {
                                            if (parameters.size() < static_cast<std::size_t>(number))
                                                parameters.resize(static_cast<std::size_t>(number));
                                            parameters[static_cast<std::size_t>(number - 1)] = std::string(row.text(1));
                                        }
                                        return RowAction::Continue;
                                    });
    if (read < 0) {
        std::string why = g.sqlca.sql_err_text();
        close_databases();
        return Failure::failure("无法读取系统参数，这不是社区数据库：" + why);
    }
    g.gs_workparm = std::move(parameters);
    return {};
}

Result<void> HearthApplication::login(const std::string& userno, const std::string& password)
{
    AppGlobals& g = m_globals;
    g.gs_userno.clear();
    g.gs_username.clear();
    g.gs_userpass.clear();
    m_is_admin = false;
    Value name {std::string()};
    Value admin {std::string()};
    if (auto checked = check_user(userno, password, name, admin); !checked)
        return checked;
    g.gs_userno = userno;
    g.gs_username = name.is_null() ? std::string() : name.as_string();
    g.gs_userpass = password;
    m_is_admin = !admin.is_null() && admin.as_string() == "1";
    gf_userlog("登录系统", user_log_login, g.gs_username);
    return {};
}

Result<void> HearthApplication::check_user(const std::string& userno, const std::string& password, Value& name,
                                           Value& admin)
{
    Transaction& sqlca = m_globals.sqlca;
    Value hash {std::string()};
    const long found = sqlca.select_into(
        "SELECT UserName, PassHash, IsAdmin INTO :name, :hash, :admin FROM TC_SYS_User WHERE UserNo = :userno",
        {{"name", &name}, {"hash", &hash}, {"admin", &admin}, {"userno", Value(userno)}});
    if (found < 0)
        return Result<void>::failure("无法读取用户表：" + sqlca.sql_err_text());
    if (found == 100 || hash.is_null() || !password_matches(password, hash.as_string()))
        return Result<void>::failure("用户名或口令错误！");
    return {};
}

Result<void> HearthApplication::check_password(const std::string& password)
{
    if (m_globals.gs_userno.empty())
        return Result<void>::failure("没有登录的用户！");
    Value name {std::string()};
    Value admin {std::string()};
    auto checked = check_user(m_globals.gs_userno, password, name, admin);
    // The user is known: only the password can be wrong.
    if (!checked && checked.error() == "用户名或口令错误！")
        return Result<void>::failure("口令错误！");
    return checked;
}

Result<std::vector<ColumnRight>> HearthApplication::column_rights(std::int32_t page)
{
    std::vector<ColumnRight> rights;
    if (m_is_admin || m_globals.gs_userno.empty())
        return rights;
    const long read
        = m_globals.sqlca.query("SELECT PageName, ColumnName, CanView, CanEdit FROM TC_SYS_ColumnRight "
                                "WHERE UserNo = :userno AND (PageName = :page OR PageName = '*')",
                                {{"userno", Value(m_globals.gs_userno)}, {"page", Value(std::to_string(page))}},
                                [&](const sql::ResultRow& row) {
                                    rights.push_back({std::string(row.text(0)), std::string(row.text(1)),
                                                      row.text(2) == "1", row.text(3) == "1"});
                                    return RowAction::Continue;
                                });
    if (read < 0)
        return Result<std::vector<ColumnRight>>::failure(m_globals.sqlca.sql_err_text());
    return rights;
}

void HearthApplication::gf_userlog(const std::string& text, std::int16_t kind, const std::string& detail)
{
    Transaction& sqlca = m_globals.sqlca;
    const DateTime stamp {fn::today().as_date(), fn::now().as_time()};
    const long written = sqlca.execute("INSERT INTO TC_SYS_UserLog (UserNo, LogTime, ObjectText, Action, Remark) "
                                       "VALUES (:userno, :logtime, :text, :kind, :detail)",
                                       {{"userno", Value(m_globals.gs_userno)},
                                        {"logtime", Value(stamp)},
                                        {"text", Value(text)},
                                        {"kind", Value::integer(kind)},
                                        {"detail", Value(detail)}});
    if (written == 0)
        sqlca.commit();
    else
        sqlca.rollback();
}

std::int32_t HearthApplication::gf_substr(const std::string& list, const std::string& separator,
                                          std::vector<std::string>& parts, std::int32_t& count)
{
    parts.clear();
    count = 0;
    if (separator.empty())
        return -1;
    if (list.find(separator) == std::string::npos)
        return 0;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = list.find(separator, start);
        parts.push_back(list.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos)
            break;
        start = at + separator.size();
    }
    count = static_cast<std::int32_t>(parts.size());
    return 0;
}

void HearthApplication::gf_dwcolorinit(DataWindowControl& dw)
{
    dw.modify(fmt::format("DataWindow.Color='{}'", m_globals.gl_backcolor));
    for (const std::string& column : objects_of_type(dw, "column"))
        dw.modify(fmt::format("{}.Color='{}'", column, m_globals.gl_textcolor));
    m_column_looks.apply(dw, m_globals.gs_userno);
}

void HearthApplication::gf_dwinit(DataWindowControl& dw)
{
    dw.modify(fmt::format("DataWindow.Header.Color='{}'", m_globals.gl_backcolor));
    dw.modify(fmt::format("DataWindow.Detail.Color='{}'", white));
    for (const std::string& text : objects_of_type(dw, "text"))
        if (dw.describe(text + ".Band") == "header")
            dw.modify(fmt::format("{}.Color='{}'", text, m_globals.gl_textcolor));
    m_column_looks.apply(dw, m_globals.gs_userno);
    // The columns' order, titles and visibility the user chose in w_setshow.
    ColumnSettings::beside(m_column_looks).apply(dw, m_globals.gs_userno);
}

void HearthApplication::show_status(const std::string& text)
{
    Desktop* desktop = Desktop::current();
    if (!desktop)
        return;
    if (m_globals.w_main.is_valid())
        desktop->runtime().dispatch(m_globals.w_main, "wf_setstatus", {Value(text)});
    else
        desktop->show_status(text);
}

std::int32_t HearthApplication::gf_dw_to_excel_parm(DataWindowControl& dw, const std::string& path, n_excel_parm& parm)
{
    Desktop* desktop = Desktop::current();
    excel::Progress progress;
    if (parm.ib_show_progress)
        progress = [this](long rows, bool done) {
            show_status(done ? fmt::format("导出完成，共{}行", rows) : fmt::format("正在导出第{}行…", rows));
        };
    if (auto exported = excel::export_datawindow(dw, path, parm, progress); !exported) {
        if (desktop)
            desktop->message_box(Value("错误"), Value("导出Excel文件失败：" + exported.error()), Icon::StopSign);
        return -1;
    }
    if (!desktop)
        return 1;
    desktop->note_file_written(path);
    if (parm.ib_prompt_openfile) {
        // No is the default: a scripted user who gives no answer never starts a program.
        const Value answer
            = desktop->message_box(Value("提示信息"), Value("数据已导出到“" + path + "”，现在打开这个文件吗？"),
                                   Icon::Question, Buttons::YesNo, Value(2));
        if (!answer.is_null() && answer.as_integral() == 1)
            if (auto opened = open_with_default_program(path); !opened)
                desktop->message_box(Value("警告信息"), Value("无法打开文件：" + opened.error()), Icon::Exclamation);
    }
    return 1;
}

bool* HearthApplication::w_main_ib_query()
{
    auto* frame = Ref<w_main>(m_globals.w_main).get();
    return frame ? &frame->ib_query : nullptr;
}

void HearthApplication::gf_setcolumn_right(DataWindowControl& dw, std::int32_t page) { apply_rights(dw, page); }

void HearthApplication::gf_gridcolumn_right(DataWindowControl& dw, std::int32_t page) { apply_rights(dw, page); }

std::shared_ptr<Menu> HearthApplication::create_grid_menu(DataWindowControl& dw)
{
    return make_m_gridrbutton(*this, dw);
}

void HearthApplication::apply_rights(DataWindowControl& dw, std::int32_t page)
{
    if (m_is_admin)
        return;
    auto rights = column_rights(page);
    if (!rights) {
        if (Desktop* desktop = Desktop::current())
            desktop->message_box(Value("错误"), Value("无法读取列权限：" + rights.error()), Icon::StopSign);
        return;
    }
    apply_column_rights(dw, *rights, std::to_string(page));
}

} // namespace hearth
