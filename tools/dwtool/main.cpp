// dwtool OBJECT [--import FILE] [--modify TEXT]... [--sort SPEC] [--filter EXPR]
//              [--describe TEXT]... [--print] [--export FORMAT PATH]
//
// OBJECT is an object source file, or an object name looked up (without case) in the
// object folders: the folders listed in HEARTH_OBJECT_PATH (separated by ':'), else
// app/objects under the current folder. Options run in command-line order. Each --describe
// prints its answer on one line (line breaks between items written as ~n); --print writes
// the Primary! rows tab-separated; FORMAT is text, text-headings, csv, html, dbase3 or sql.
// A failed operation prints its error to stderr and the tool exits with status 1; a bad
// command line exits with status 2.
#include "host/datawindow/datawindow.h"
#include "host/datawindow/library.h"
#include "host/datawindow/saveas.h"

#include <fmt/format.h>

#include <cstdlib>
#include <iostream>
#include <map>
#include <string>
#include <vector>

using namespace hearth;
using namespace hearth::dw;

namespace {

constexpr const char* usage =
    "usage: dwtool OBJECT [--import FILE] [--modify TEXT]... [--sort SPEC] [--filter EXPR]\n"
    "              [--describe TEXT]... [--print] [--export FORMAT PATH]\n"
    "FORMAT: text, text-headings, csv, html, dbase3, sql\n";

struct ExportFormat {
    SaveAsType type;
    ColumnHeadings headings;
};

const std::map<std::string, ExportFormat> formats = {
    {"text", {SaveAsType::Text, ColumnHeadings::Off}},
    {"text-headings", {SaveAsType::Text, ColumnHeadings::On}},
    {"csv", {SaveAsType::CSV, ColumnHeadings::On}},
    {"html", {SaveAsType::HTMLTable, ColumnHeadings::On}},
    {"dbase3", {SaveAsType::DBase3, ColumnHeadings::On}},
    {"sql", {SaveAsType::SQLInsert, ColumnHeadings::Off}},
};

std::vector<std::filesystem::path> object_folders()
{
    std::vector<std::filesystem::path> folders;
    if (const char* list = std::getenv("HEARTH_OBJECT_PATH"); list && *list) {
        std::string_view rest = list;
        while (!rest.empty()) {
            auto colon = rest.find(':');
            if (colon != 0)
                folders.emplace_back(std::string(rest.substr(0, colon)));
            if (colon == std::string_view::npos)
                break;
            rest.remove_prefix(colon + 1);
        }
    } else {
        folders.emplace_back("app/objects");
    }
    return folders;
}

Result<ObjectDefinition> load_object(const std::string& argument)
{
    std::filesystem::path path(argument);
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec))
        return ObjectLibrary::load_file(path);
    return ObjectLibrary(object_folders()).load(argument);
}

int fail(const std::string& message)
{
    std::cerr << "dwtool: " << message << "\n";
    return 1;
}

std::string one_line(std::string text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += "~n";
        else if (c == '\r')
            out += "~r";
        else
            out += c;
    }
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0].rfind("--", 0) == 0) {
        std::cerr << usage;
        return args.empty() || args[0] != "--help" ? 2 : 0;
    }
    // Check the whole command line before doing anything.
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& option = args[i];
        std::size_t needs = option == "--print" ? 0
            : option == "--export"              ? 2
            : (option == "--import" || option == "--modify" || option == "--sort" || option == "--filter"
               || option == "--describe")
            ? 1
            : 99;
        if (needs == 99 || i + needs > args.size() - 1) {
            std::cerr << "dwtool: " << (needs == 99 ? "unknown option " : "missing argument for ") << option << "\n" << usage;
            return 2;
        }
        if (option == "--export" && !formats.count(args[i + 1])) {
            std::cerr << "dwtool: unknown export format " << args[i + 1] << "\n" << usage;
            return 2;
        }
        i += needs;
    }

    auto object = load_object(args[0]);
    if (!object)
        return fail(object.error());
    Engine engine;
    if (auto assigned = engine.set_object(std::move(*object)); !assigned)
        return fail(assigned.error());

    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option == "--import") {
            const std::string& file = args[++i];
            long rows = engine.import_file(file);
            if (rows < 0)
                return fail(fmt::format("import of {} failed ({})", file, rows));
        } else if (option == "--modify") {
            std::string error = engine.modify(args[++i]);
            if (!error.empty())
                return fail(fmt::format("modify failed: {}", error));
        } else if (option == "--sort") {
            const std::string& spec = args[++i];
            if (engine.set_sort(spec) != 1 || engine.sort() != 1)
                return fail(fmt::format("bad sort criteria: {}", spec));
        } else if (option == "--filter") {
            const std::string& expression = args[++i];
            if (engine.set_filter(expression) != 1 || engine.filter() != 1)
                return fail(fmt::format("bad filter expression: {}", expression));
        } else if (option == "--describe") {
            const std::string& text = args[++i];
            std::string answer = engine.describe(text);
            std::cout << one_line(answer) << "\n";
            bool unknown = answer == "!" || (answer.size() >= 2 && answer.compare(answer.size() - 2, 2, "\n!") == 0);
            if (unknown)
                return fail(fmt::format("describe failed: unknown object or property in: {}", text));
        } else if (option == "--print") {
            auto text = write_text(engine, '\t', ColumnHeadings::Off);
            std::cout << (text ? *text : std::string());
        } else if (option == "--export") {
            const ExportFormat& format = formats.at(args[i + 1]);
            std::filesystem::path path = args[i + 2];
            i += 2;
            auto bytes = save_as_bytes(engine, format.type, format.headings);
            if (!bytes)
                return fail(fmt::format("export to {} failed: {}", path.string(), bytes.error()));
            if (auto written = write_file_atomically(path, *bytes); !written)
                return fail(fmt::format("export failed: {}", written.error()));
        }
    }
    std::cout.flush();
    return std::cout ? 0 : 1;
}
