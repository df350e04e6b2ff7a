#include "app/hearth_command.h"

#include "app/init_db.h"
#include "app/player.h"
#include "app/printers_command.h"
#include "gui/gui.h"
#include "host/object/class_listing.h"
#include "host/ui/desktop.h"
#include "host/ui/register.h"
#include "library/frame/application.h"
#include "library/library_classes.h"

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

namespace hearth {

namespace {

int usage(std::ostream& err)
{
    err << "usage: hearth classes\n"
           "       hearth init-db DIR [--households N] [--seed S] [--admin-password P]\n"
           "       hearth play SCENARIO --db DIR\n"
           "       hearth printers [--set-default NAME | --paper NAME [CODE [WIDTH LENGTH]]]\n"
           "       hearth [--db DIR] [--screenshot FILE [--play SCENARIO] [--size W H]]\n"
           "  classes   list the registered library classes and their scripts\n"
           "  init-db   create the records and archive databases in the folder DIR, or on the PostgreSQL\n"
           "            server when DIR is a connection string, with N sample households (default\n"
           "            1000) generated from seed S\n"
           "  play      run the application headless on the databases of DIR (a folder made by init-db\n"
           "            or a connection string) with the actions of SCENARIO, and print what the user\n"
           "            would see\n"
           "  printers  list the printers (name, driver, port, status, attributes; * marks the\n"
           "            default), make one the default, or set and show a printer's paper\n"
           "  without a command: the application in a window on the databases of DIR (default: the\n"
           "            demo database scripts/run makes, ${XDG_DATA_HOME:-~/.local/share}/hearth/demo),\n"
           "            the login window first; with --screenshot, drawn offscreen after the actions\n"
           "            of SCENARIO and written to FILE as a PNG of W x H pixels (default 1280 x 800)\n";
    return 2;
}

template <class Number> bool parse_number(std::string_view text, Number& number)
{
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
    return ec == std::errc() && end == text.data() + text.size();
}

int init_db_command(std::span<const std::string_view> args, std::ostream& out, std::ostream& err)
{
    if (args.empty() || args[0].starts_with("--"))
        return usage(err);
    InitDbOptions options;
    options.target = std::string(args[0]);
    for (std::size_t i = 1; i < args.size(); i += 2) {
        if (i + 1 >= args.size())
            return usage(err);
        const std::string_view value = args[i + 1];
        if (args[i] == "--households") {
            if (!parse_number(value, options.households) || options.households < 0) {
                err << "hearth: --households takes a whole number of at least 0, not \"" << value << "\"\n";
                return 2;
            }
        } else if (args[i] == "--seed") {
            if (!parse_number(value, options.seed)) {
                err << "hearth: --seed takes a whole number of at least 0, not \"" << value << "\"\n";
                return 2;
            }
        } else if (args[i] == "--admin-password") {
            options.admin_password = std::string(value);
        } else {
            return usage(err);
        }
    }
    auto done = init_db(options);
    if (!done) {
        err << "hearth: " << done.error() << '\n';
        return 1;
    }
    if (is_connection_string(options.target))
        out << "created the records and archive databases on the server: " << done->rows << " rows\n";
    else
        out << "created " << records_file << " and " << archive_file << " in " << options.target << ": " << done->rows
            << " rows\n";
    if (!done->generated_admin_password.empty())
        out << "password of velmora_admin: " << done->generated_admin_password << '\n';
    out << "password of user01: " << done->user_password << '\n';
    return out.flush() ? 0 : 1;
}

// The DataWindow objects' folders: those listed in HEARTH_OBJECT_PATH (separated by ':'), else
// the objects folder beside the program, where the build puts app/objects.
std::vector<std::filesystem::path> object_path()
{
    std::vector<std::filesystem::path> folders;
    if (const char* listed = std::getenv("HEARTH_OBJECT_PATH"); listed && *listed) {
        std::string_view rest = listed;
        while (!rest.empty()) {
            const auto colon = rest.find(':');
            if (colon != 0)
                folders.emplace_back(rest.substr(0, colon));
            rest = colon == std::string_view::npos ? std::string_view {} : rest.substr(colon + 1);
        }
        return folders;
    }
    std::error_code ec;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec)
        folders.push_back(program.parent_path() / "objects");
    return folders;
}

int play_command(std::span<const std::string_view> args, ClassRegistry& registry, std::ostream& out, std::ostream& err)
{
    if (args.size() != 3 || args[0].starts_with("--") || args[1] != "--db")
        return usage(err);
    return play({std::filesystem::path(args[0]), std::string(args[2]), object_path(), {}}, registry, out, err);
}

// The databases the window opens when --db is not given: the demo database scripts/run makes
// in the user's data folder, ${XDG_DATA_HOME:-~/.local/share}/hearth/demo.
std::filesystem::path default_db()
{
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data)
        return std::filesystem::path(data) / "hearth" / "demo";
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : ".") / ".local" / "share" / "hearth" / "demo";
}

// After the login window closes: the frame when the user logged in, else nothing (the
// program ends). Only the first login opens the frame.
bool open_frame_after_login(Desktop& desktop, bool& frame_opened)
{
    Application* application = Application::current();
    if (frame_opened || !application || application->globals().gs_userno.empty())
        return false;
    ObjectRef main;
    if (desktop.open(main, "w_main") != 1 || !main.is_valid())
        return false;
    application->globals().w_main = main;
    frame_opened = true;
    return true;
}

// hearth [--db DIR] [--screenshot FILE [--play SCENARIO] [--size W H]]
int window_command(std::span<const std::string_view> args, ClassRegistry& registry, std::ostream& out,
                   std::ostream& err)
{
    PlayOptions options {{}, {}, object_path(), {}};
    std::string screenshot;
    int width = 1280;
    int height = 800;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::size_t values = args[i] == "--size" ? 2 : 1;
        if (i + values >= args.size())
            return usage(err);
        if (args[i] == "--db") {
            options.db = std::string(args[++i]);
        } else if (args[i] == "--screenshot") {
            screenshot = std::string(args[++i]);
        } else if (args[i] == "--play") {
            options.scenario = std::filesystem::path(args[++i]);
        } else if (args[i] == "--size") {
            if (!parse_number(args[i + 1], width) || !parse_number(args[i + 2], height) || width < 1 || height < 1
                || width > 10000 || height > 10000) {
                err << "hearth: --size takes a width and a height in pixels, 1 to 10000\n";
                return 2;
            }
            i += 2;
        } else {
            return usage(err);
        }
    }
    if (screenshot.empty() && !options.scenario.empty())
        return usage(err);
    if (options.db.empty()) {
        const std::filesystem::path demo = default_db();
        std::error_code ec;
        if (!std::filesystem::exists(demo / records_file, ec)) {
            err << "hearth: 没有找到演示数据库 " << demo.string()
                << "。请先运行 scripts/run 建立它，或用 --db 指定数据库的文件夹或连接串\n";
            return 1;
        }
        options.db = demo.string();
    }
    if (!screenshot.empty()) {
        // No display is needed: the offscreen platform draws the same window.
        gui::start_toolkit(true);
        options.finish = [&](Desktop& desktop) {
            // Before anything is played the window shows its login.
            if (desktop.windows().empty()) {
                ObjectRef login;
                if (desktop.open(login, "w_login") != 1)
                    return 1;
            }
            if (auto written = gui::write_screenshot(desktop, screenshot, width, height); !written) {
                err << "hearth: " << written.error() << '\n';
                return 1;
            }
            return 0;
        };
        // The scenario's transcript is not wanted here: only the picture.
        std::ostringstream transcript;
        return play(options, registry, transcript, err);
    }
    const auto has = [](const char* name) { return std::getenv(name) && *std::getenv(name); };
    if (!has("DISPLAY") && !has("WAYLAND_DISPLAY") && !has("QT_QPA_PLATFORM")) {
        err << "hearth: 没有可用的显示器。无显示器时可用 hearth --screenshot FILE 画出窗口，或用 hearth play "
               "运行剧本\n";
        return 1;
    }
    options.finish = [&](Desktop& desktop) {
        ObjectRef login;
        if (desktop.open(login, "w_login") != 1)
            return 1;
        bool frame_opened = false;
        return gui::run_window(desktop, [&] { return open_frame_after_login(desktop, frame_opened); });
    };
    return play(options, registry, out, err);
}

} // namespace

int run_hearth(std::span<const std::string_view> args, ClassRegistry& registry, std::ostream& out, std::ostream& err)
{
    if (!args.empty() && args[0] == "init-db")
        return init_db_command(args.subspan(1), out, err);
    if (!args.empty() && args[0] == "play")
        return play_command(args.subspan(1), registry, out, err);
    if (!args.empty() && args[0] == "printers")
        return printers_command(args.subspan(1), registry, out, err);
    if (args.empty() || args[0].starts_with("--"))
        return window_command(args, registry, out, err);
    if (args.size() != 1 || args[0] != "classes")
        return usage(err);

    // The host's control types go in before any library class, as register_ui_classes asks.
    for (auto step : {register_ui_classes, register_library_classes}) {
        if (auto registered = step(registry); !registered) {
            err << "hearth: " << registered.error() << '\n';
            return 1;
        }
    }
    out << list_classes(registry);
    return out.flush() ? 0 : 1;
}

} // namespace hearth
