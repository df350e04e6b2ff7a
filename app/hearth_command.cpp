#include "app/hearth_command.h"

#include "app/init_db.h"
#include "app/player.h"
#include "app/printers_command.h"
#include "host/object/class_listing.h"
#include "host/ui/register.h"
#include "library/library_classes.h"

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace hearth {

namespace {

int usage(std::ostream& err)
{
    err << "usage: hearth classes\n"
           "       hearth init-db DIR [--households N] [--seed S] [--admin-password P]\n"
           "       hearth play SCENARIO --db DIR\n"
           "       hearth printers [--set-default NAME | --paper NAME [CODE [WIDTH LENGTH]]]\n"
           "  classes   list the registered library classes and their scripts\n"
           "  init-db   create the records and archive databases in the folder DIR, or on the PostgreSQL\n"
           "            server when DIR is a connection string, with N sample households (default\n"
           "            1000) generated from seed S\n"
           "  play      run the application headless on the databases of DIR (a folder made by init-db\n"
           "            or a connection string) with the actions of SCENARIO, and print what the user\n"
           "            would see\n"
           "  printers  list the printers (name, driver, port, status, attributes; * marks the\n"
           "            default), make one the default, or set and show a printer's paper\n";
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
    return play({std::filesystem::path(args[0]), std::string(args[2]), object_path()}, registry, out, err);
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
