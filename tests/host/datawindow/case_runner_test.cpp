// Runs the text-file cases of the engine's three small languages (object sources,
// Describe/Modify, expressions with filter/sort/find) from tests/host/datawindow/cases,
// and checks that every truncation of a valid input fails cleanly or parses.
//
// Command cases (*.dwcase):
//   object <name> [empty]     a fresh engine with data/<name>.srd, rows from data/<name>.txt
//   describe <text>           each following "= line" is one line of the answer
//   modify <text>             "=" alone for success, else "= <error text>"
//   eval <row> <expression>   "= <type>:<text>", "= null:<type>" or "= error: <message>"
//   filter <expression>       "= <return> <first column of each Primary! row>"
//   sort <criteria>           same as filter
//   find <start> <end> <expr> "= <row>"
// In command and expected text <TAB> stands for a tab and <NL> for a line break.
//
// Source cases (sources.srcase): "case <title>", source lines, "expect", expected lines
// ("error: <message>" or a summary of columns and controls), "end".
#include "host/datawindow/datawindow.h"
#include "host/datawindow/library.h"
#include "host/datawindow/value_text.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace hearth;
using namespace hearth::dw;

namespace {

const std::filesystem::path data_dir = std::filesystem::path(HEARTH_SOURCE_DIR) / "tests/host/datawindow/data";
const std::filesystem::path cases_dir = std::filesystem::path(HEARTH_SOURCE_DIR) / "tests/host/datawindow/cases";

std::string read_file(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::string expand(std::string text)
{
    for (auto [token, replacement] : {std::pair<std::string, std::string> {"<TAB>", "\t"}, {"<NL>", "\n"}}) {
        for (std::size_t at = text.find(token); at != std::string::npos; at = text.find(token, at + replacement.size()))
            text.replace(at, token.size(), replacement);
    }
    return text;
}

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::unique_ptr<Engine> load_engine(const std::string& name, bool with_rows)
{
    auto engine = std::make_unique<Engine>();
    auto object = ObjectLibrary({data_dir}).load(name);
    if (!object)
        throw std::runtime_error(object.error());
    auto assigned = engine->set_object(std::move(*object));
    if (!assigned)
        throw std::runtime_error(assigned.error());
    if (with_rows && std::filesystem::exists(data_dir / (name + ".txt")))
        engine->import_file(data_dir / (name + ".txt"));
    return engine;
}

std::string primary_rows(Engine& engine)
{
    std::string out;
    for (long row = 1; row <= engine.row_count(); ++row) {
        Value value = engine.get_item(row, 1);
        out += ' ';
        out += value.is_null() ? std::string("null") : item_text(value);
    }
    return out;
}

std::string value_answer(const Result<Value>& value)
{
    if (!value)
        return "error: " + value.error();
    if (value->is_null())
        return "null:" + std::string(type_name(value->type()));
    return std::string(type_name(value->type())) + ":" + item_text(*value);
}

// Runs one command; returns its answer lines.
std::vector<std::string> run_command(std::unique_ptr<Engine>& engine, const std::string& command)
{
    auto split = [](const std::string& text) {
        std::size_t blank = text.find(' ');
        return blank == std::string::npos ? std::pair {text, std::string()}
                                          : std::pair {text.substr(0, blank), text.substr(blank + 1)};
    };
    auto [verb, rest] = split(command);
    if (verb == "object") {
        auto [name, flag] = split(rest);
        engine = load_engine(name, flag != "empty");
        return {};
    }
    if (!engine)
        throw std::runtime_error("no object loaded before: " + command);
    if (verb == "describe") {
        std::string answer = engine->describe(expand(rest));
        return answer.empty() ? std::vector<std::string> {} : lines_of(answer + "\n");
    }
    if (verb == "modify")
        return {engine->modify(expand(rest))};
    if (verb == "eval") {
        auto [row, expression] = split(rest);
        return {value_answer(engine->evaluate(expand(expression), std::stol(row)))};
    }
    if (verb == "filter") {
        int rc = engine->set_filter(expand(rest));
        if (rc == 1)
            rc = engine->filter();
        return {std::to_string(rc) + primary_rows(*engine)};
    }
    if (verb == "sort") {
        int rc = engine->set_sort(expand(rest));
        if (rc == 1)
            rc = engine->sort();
        return {std::to_string(rc) + primary_rows(*engine)};
    }
    if (verb == "find") {
        auto [start, tail] = split(rest);
        auto [end, expression] = split(tail);
        return {std::to_string(engine->find(expand(expression), std::stol(start), std::stol(end)))};
    }
    throw std::runtime_error("unknown command: " + command);
}

void run_command_file(const std::filesystem::path& file)
{
    std::vector<std::string> lines = lines_of(read_file(file));
    std::unique_ptr<Engine> engine;
    int cases = 0;
    for (std::size_t i = 0; i < lines.size();) {
        const std::string& line = lines[i];
        if (line.empty() || line[0] == '#') {
            ++i;
            continue;
        }
        std::size_t command_line = i + 1;
        std::vector<std::string> expected;
        for (++i; i < lines.size() && lines[i].rfind("=", 0) == 0; ++i)
            expected.push_back(expand(lines[i].size() > 2 ? lines[i].substr(2) : std::string()));
        std::vector<std::string> actual = run_command(engine, line);
        if (line.rfind("object", 0) == 0)
            continue;
        ++cases;
        EXPECT_EQ(actual, expected) << file.filename().string() << ":" << command_line << ": " << line;
    }
    EXPECT_GT(cases, 0) << file;
}

// A summary of what a source defines, for the source cases.
std::vector<std::string> summary(const ObjectDefinition& object)
{
    std::vector<std::string> out;
    std::string columns = "columns:";
    for (const TableColumn& column : object.columns)
        columns += " " + column.name + " " + column.type.text() + (column.key ? " key" : "") + ",";
    out.push_back(columns);
    std::string controls = "controls:";
    for (const Control& control : object.controls) {
        const Attribute* band = find_attribute(control.attributes, "band");
        controls += fmt::format(" {} {} {},", control_keyword(control.kind), control.name,
                                band ? band->value.text : std::string("?"));
    }
    out.push_back(controls);
    out.push_back("select: " + object.select);
    out.push_back("update: " + object.update_table + " " + std::to_string(object.update_where)
                  + " sort: " + object.sort);
    return out;
}

struct SourceCase {
    std::string title;
    std::string source;
    std::vector<std::string> expected;
    int line = 0;
};

std::vector<SourceCase> read_source_cases(const std::filesystem::path& file)
{
    std::vector<SourceCase> cases;
    std::vector<std::string> lines = lines_of(read_file(file));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].rfind("case ", 0) != 0)
            continue;
        SourceCase c;
        c.title = lines[i].substr(5);
        c.line = static_cast<int>(i) + 1;
        for (++i; i < lines.size() && lines[i] != "expect"; ++i)
            c.source += lines[i] + "\n";
        for (++i; i < lines.size() && lines[i] != "end"; ++i)
            c.expected.push_back(expand(lines[i]));
        c.source = expand(c.source);
        cases.push_back(std::move(c));
    }
    return cases;
}

std::vector<std::string> parse_answer(const std::string& source)
{
    auto object = ObjectDefinition::parse(source, "case.srd");
    if (!object)
        return {"error: " + object.error()};
    return summary(*object);
}

} // namespace

TEST(LanguageCases, ObjectSources)
{
    auto cases = read_source_cases(cases_dir / "sources.srcase");
    ASSERT_GT(cases.size(), 10u);
    for (const SourceCase& c : cases)
        EXPECT_EQ(parse_answer(c.source), c.expected) << "sources.srcase:" << c.line << ": " << c.title;
}

TEST(LanguageCases, DescribeModifyAndExpressions)
{
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(cases_dir)) {
        if (entry.path().extension() != ".dwcase")
            continue;
        ++files;
        SCOPED_TRACE(entry.path().filename().string());
        run_command_file(entry.path());
    }
    EXPECT_GE(files, 3);
}

// Every prefix of a valid source either parses or fails with a located message.
TEST(LanguageCases, EveryTruncationOfAValidSourceFailsCleanlyOrParses)
{
    std::vector<std::string> sources;
    for (const auto& entry : std::filesystem::directory_iterator(data_dir))
        if (entry.path().extension() == ".srd")
            sources.push_back(read_file(entry.path()));
    for (const SourceCase& c : read_source_cases(cases_dir / "sources.srcase"))
        if (!c.expected.empty() && c.expected[0].rfind("error:", 0) != 0)
            sources.push_back(c.source);
    ASSERT_GE(sources.size(), 3u);
    for (const std::string& source : sources) {
        int parsed = 0;
        for (std::size_t n = 0; n <= source.size(); ++n) {
            auto object = ObjectDefinition::parse(std::string_view(source).substr(0, n), "cut.srd");
            if (object) {
                ++parsed;
                continue;
            }
            EXPECT_EQ(object.error().rfind("cut.srd: line ", 0), 0u) << object.error();
            EXPECT_NE(object.error().find(", column "), std::string::npos) << object.error();
        }
        EXPECT_GE(parsed, 1); // at least the whole source
    }
}

// Every prefix of the Describe, Modify and expression texts in the cases is answered with
// a value or an error, never a crash; a cut Modify leaves the object unchanged or applies.
TEST(LanguageCases, EveryTruncationOfACommandIsAnswered)
{
    std::unique_ptr<Engine> engine = load_engine("d_person", true);
    int checked = 0;
    for (const auto& entry : std::filesystem::directory_iterator(cases_dir)) {
        if (entry.path().extension() != ".dwcase")
            continue;
        for (const std::string& line : lines_of(read_file(entry.path()))) {
            std::size_t blank = line.find(' ');
            if (blank == std::string::npos)
                continue;
            std::string verb = line.substr(0, blank);
            std::string text = expand(line.substr(blank + 1));
            if (verb != "describe" && verb != "modify" && verb != "filter")
                continue;
            for (std::size_t n = 0; n <= text.size(); ++n) {
                std::string cut = text.substr(0, n);
                if (verb == "describe") {
                    std::string before = engine->describe("DataWindow.Syntax");
                    engine->describe(cut);
                    EXPECT_EQ(engine->describe("DataWindow.Syntax"), before) << "Describe changed the object: " << cut;
                } else if (verb == "modify") {
                    std::string before = engine->describe("DataWindow.Syntax");
                    std::string error = engine->modify(cut);
                    if (!error.empty()) {
                        EXPECT_EQ(engine->describe("DataWindow.Syntax"), before)
                            << "failed Modify changed the object: " << cut;
                    }
                    engine = load_engine("d_person", true);
                } else {
                    int rc = engine->set_filter(cut);
                    EXPECT_TRUE(rc == 1 || rc == -1);
                }
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 1000);
}
