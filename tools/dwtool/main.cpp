// dwtool OBJECT [--db CONN] [--retrieve [ARG]...] [--import FILE] [--modify TEXT]...
//              [--sort SPEC] [--filter EXPR] [--describe TEXT]... [--print]
//              [--export FORMAT PATH]
//
// OBJECT is an object source file, or an object name looked up (without case) in the
// object folders: the folders listed in HEARTH_OBJECT_PATH (separated by ':'), else
// app/objects under the current folder. Options run in command-line order. Each --describe
// prints its answer on one line (line breaks between items written as ~n); --print writes
// the Primary! rows tab-separated; FORMAT is text, text-headings, csv, html, dbase3 or sql.
// CONN is a SQLite database file (which must exist) or a PostgreSQL connection string
// starting with postgresql:// or host=; --retrieve runs the object's SELECT on it with the
// ARGs (up to the next option) as its retrieval arguments, converted to their declared types
// (numbers as written, dates as yyyy-mm-dd, times as hh:mm:ss; the elements of a list
// argument separated by commas).
// A failed operation, memory running out among them, prints its error to stderr and the tool
// exits with status 1; a bad command line exits with status 2.
#include "host/datawindow/database.h"
#include "host/datawindow/datawindow.h"
#include "host/datawindow/library.h"
#include "host/datawindow/saveas.h"
#include "host/sql/cell.h"
#include "host/sql/driver.h"
#include "host/value/convert.h"
#include "host/value/runtime_error.h"

#include <fmt/format.h>

#include <cstdlib>
#include <iostream>
#include <malloc.h>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

using namespace hearth;
using namespace hearth::dw;

namespace {

constexpr const char* usage
    = "usage: dwtool OBJECT [--db CONN] [--retrieve [ARG]...] [--import FILE] [--modify TEXT]...\n"
      "              [--sort SPEC] [--filter EXPR] [--describe TEXT]... [--print]\n"
      "              [--export FORMAT PATH]\n"
      "CONN: a SQLite database file, or a PostgreSQL connection string (postgresql://... or host=...)\n"
      "FORMAT: text, text-headings, csv, html, dbase3, sql\n";

struct ExportFormat {
    SaveAsType type;
    ColumnHeadings headings;
};

const std::map<std::string, ExportFormat> formats = {
    {"text", {SaveAsType::Text, ColumnHeadings::Off}},    {"text-headings", {SaveAsType::Text, ColumnHeadings::On}},
    {"csv", {SaveAsType::CSV, ColumnHeadings::On}},       {"html", {SaveAsType::HTMLTable, ColumnHeadings::On}},
    {"dbase3", {SaveAsType::DBase3, ColumnHeadings::On}}, {"sql", {SaveAsType::SQLInsert, ColumnHeadings::Off}},
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

// dwtool holds one large page for the life of the process. Blocks of a megabyte and more
// (column vectors, text arenas) are mapped from the kernel and handed back when freed, so
// the buffers a column leaves behind as it grows during a retrieve do not stay resident.
// A fixed threshold also stops the C library from raising it after the first such free.
void map_large_blocks() { mallopt(M_MMAP_THRESHOLD, 1 << 20); }

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

bool is_option(const std::string& arg) { return arg.rfind("--", 0) == 0; }

// Opens CONN on a new transaction; the error text when it cannot.
std::unique_ptr<Transaction> connect(const std::string& conn, std::string& error)
{
    auto tx = std::make_unique<Transaction>("sqlca");
    if (conn.rfind("postgresql://", 0) == 0 || conn.rfind("postgres://", 0) == 0 || conn.rfind("host=", 0) == 0) {
        tx->set_dbms("PostgreSQL");
    } else {
        // Never create a database by mistyping its name.
        std::error_code ec;
        if (!std::filesystem::is_regular_file(conn, ec)) {
            error = fmt::format("no such database file: {}", sql::redact_passwords(conn));
            return nullptr;
        }
    }
    tx->set_database(conn);
    if (tx->connect() != 0) {
        error = fmt::format("cannot connect to {}: {}", sql::redact_passwords(conn), tx->sql_err_text());
        return nullptr;
    }
    return tx;
}

// One value from its command-line text, as the declared type.
std::optional<Value> typed_value(std::string_view type, const std::string& text)
{
    if (type == "string")
        return Value(text);
    if (type == "date") {
        if (auto date = sql::parse_date(text))
            return Value(*date);
        return std::nullopt;
    }
    if (type == "datetime") {
        if (auto stamp = sql::parse_datetime(text))
            return Value(*stamp);
        return std::nullopt;
    }
    if (type == "time") {
        if (auto time = sql::parse_time(text))
            return Value(*time);
        return std::nullopt;
    }
    if (type == "boolean") {
        if (text == "true" || text == "false")
            return Value(text == "true");
        return std::nullopt;
    }
    static const std::map<std::string, Type, std::less<>> numbers = {
        {"number", Type::Double}, {"double", Type::Double},   {"real", Type::Real},   {"decimal", Type::Decimal},
        {"long", Type::Long},     {"integer", Type::Integer}, {"ulong", Type::ULong}, {"unsignedlong", Type::ULong},
    };
    const auto number_type = numbers.find(type);
    const auto number = Decimal::parse(text);
    if (number_type == numbers.end() || !number)
        return std::nullopt;
    return try_convert(Value(*number), number_type->second);
}

// A retrieval argument from its command-line text; a list argument (stringlist ...) takes
// its elements separated by commas.
std::optional<RetrievalArgument> argument_value(const RetrieveArgument& argument, const std::string& text)
{
    if (!argument.is_list()) {
        auto value = typed_value(argument.type, text);
        if (!value)
            return std::nullopt;
        return RetrievalArgument(std::move(*value));
    }
    std::vector<Value> elements;
    for (std::size_t start = 0; !text.empty() && start <= text.size();) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        auto element = typed_value(argument.element_type(), text.substr(start, comma - start));
        if (!element)
            return std::nullopt;
        elements.push_back(std::move(*element));
        start = comma + 1;
    }
    return RetrievalArgument(std::move(elements));
}

int run(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0].rfind("--", 0) == 0) {
        std::cerr << usage;
        return args.empty() || args[0] != "--help" ? 2 : 0;
    }
    // Check the whole command line before doing anything.
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option == "--retrieve") {
            while (i + 1 < args.size() && !is_option(args[i + 1]))
                ++i;
            continue;
        }
        std::size_t needs = option == "--print" ? 0
            : option == "--export"              ? 2
            : (option == "--import" || option == "--modify" || option == "--sort" || option == "--filter"
               || option == "--describe" || option == "--db")
            ? 1
            : 99;
        if (needs == 99 || i + needs > args.size() - 1) {
            std::cerr << "dwtool: " << (needs == 99 ? "unknown option " : "missing argument for ") << option << "\n"
                      << usage;
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

    std::unique_ptr<Transaction> database;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option == "--db") {
            if (database)
                database->disconnect();
            std::string error;
            database = connect(args[++i], error);
            if (!database)
                return fail(error);
        } else if (option == "--retrieve") {
            std::vector<std::string> texts;
            while (i + 1 < args.size() && !is_option(args[i + 1]))
                texts.push_back(args[++i]);
            if (!database)
                return fail("--retrieve needs a database: give --db before it");
            const auto& declared = engine.object().arguments;
            if (texts.size() != declared.size())
                return fail(
                    fmt::format("the object takes {} retrieval arguments, {} given", declared.size(), texts.size()));
            std::vector<RetrievalArgument> values;
            for (std::size_t a = 0; a < texts.size(); ++a) {
                auto value = argument_value(declared[a], texts[a]);
                if (!value)
                    return fail(fmt::format("retrieval argument {} ({}): '{}' is not a {}", a + 1, declared[a].name,
                                            texts[a], declared[a].type));
                values.push_back(std::move(*value));
            }
            if (retrieve(engine, *database, values) < 0)
                return fail(fmt::format("retrieve failed: {}", database->sql_err_text()));
        } else if (option == "--import") {
            const std::string& file = args[++i];
            auto imported = engine.import_file_checked(file);
            if (imported.code < 0)
                return fail(fmt::format("import of {} failed ({}): {}", file, imported.code, imported.error));
        } else if (option == "--modify") {
            std::string error = engine.modify(args[++i]);
            if (!error.empty())
                return fail(fmt::format("modify failed: {}", error));
        } else if (option == "--sort") {
            if (auto set = engine.set_sort_checked(args[++i]); !set)
                return fail(set.error());
            engine.sort();
        } else if (option == "--filter") {
            if (auto set = engine.set_filter_checked(args[++i]); !set)
                return fail(set.error());
            engine.filter();
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
            if (auto written = save_as_file(engine, path, format.type, format.headings); !written)
                return fail(fmt::format("export to {} failed: {}", path.string(), written.error()));
        }
    }
    std::cout.flush();
    return std::cout ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    map_large_blocks();
    // Memory running out, or a runtime error no option turned into its own failure, ends the
    // run as a failed operation rather than an abort.
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        return fail("not enough memory");
    } catch (const RuntimeError& error) {
        return fail(error.what());
    }
}
