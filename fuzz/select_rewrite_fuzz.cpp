// The detail page's SELECT rewrite fed hostile master values. A value never changes the
// statement: the rewritten SELECT still translates for both backends, it reads outside its
// literals exactly as it does with plain values, and each value comes back out as exactly one
// literal holding that value.
//
// Input: the first byte chooses a designed SELECT; the rest are up to three master values
// separated by NUL bytes. A first byte of 0xFF takes the designed SELECT itself from the input
// (up to the first NUL, the value after it): whenever it translates, so must the rewrite.
#include "host/sql/dialect.h"
#include "library/tabs/select_rewrite.h"

#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using namespace hearth;

namespace {

const char* const designed_selects[] = {
    "select a from t where x=1",
    "select a from t",
    "SELECT k, count(*) FROM t WHERE note <> 'where' GROUP BY k HAVING count(*) > 1 ORDER BY k",
    "select a from t where a in (select b from u where c = 'order by') order by a",
    "select a from t -- every row",
    "SELECT TOP 5 a FROM t WHERE x = :arg ORDER BY a",
    "select a from t where n = 'it''s';",
};
const char* const fields[] = {"t.id", "kind", "x.y"};

struct Read {
    std::string outside; // the statement with every literal as ''
    std::vector<std::string> literals;
};

// Splits a statement into its text outside single-quoted literals and the literals' values,
// independently of the rewrite's own scanner. nullopt when a literal is left open.
std::optional<Read> read_literals(std::string_view s)
{
    Read read;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\'') {
            read.outside += s[i];
            continue;
        }
        std::string value;
        for (++i;; ++i) {
            if (i >= s.size())
                return std::nullopt;
            if (s[i] == '\'') {
                if (i + 1 < s.size() && s[i + 1] == '\'') {
                    value += '\'';
                    ++i;
                    continue;
                }
                break;
            }
            value += s[i];
        }
        read.outside += "''";
        read.literals.push_back(std::move(value));
    }
    return read;
}

bool translates(const std::string& statement)
{
    return sql::translate(statement, sql::Dbms::SQLite) && sql::translate(statement, sql::Dbms::PostgreSQL);
}

std::string rewrite(std::string_view designed, const std::vector<std::string>& values)
{
    std::vector<std::string> conditions;
    for (std::size_t i = 0; i < values.size(); ++i)
        conditions.push_back(tabs::text_condition(fields[i], values[i]));
    return tabs::rewrite_select(designed, conditions);
}

void check_designed_from_input(std::string_view rest)
{
    const std::size_t nul = rest.find('\0');
    const std::string_view designed = rest.substr(0, nul);
    const std::string value(nul == std::string_view::npos ? std::string_view() : rest.substr(nul + 1));
    const std::string rewritten = rewrite(designed, {value});
    if (translates(std::string(designed)) && !translates(rewritten))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] == 0xFF) {
        check_designed_from_input(rest);
        return 0;
    }
    const std::string_view designed = designed_selects[data[0] % std::size(designed_selects)];

    std::vector<std::string> values;
    std::vector<std::string> plain;
    for (std::size_t from = 0; values.size() < std::size(fields);) {
        const std::size_t nul = rest.find('\0', from);
        values.emplace_back(rest.substr(from, nul == std::string_view::npos ? std::string_view::npos : nul - from));
        plain.push_back("v" + std::to_string(values.size()));
        if (nul == std::string_view::npos)
            break;
        from = nul + 1;
    }

    const std::string hostile = rewrite(designed, values);
    if (!translates(hostile))
        std::abort();
    const std::optional<Read> got = read_literals(hostile);
    const std::optional<Read> expected = read_literals(rewrite(designed, plain));
    if (!got || !expected || got->outside != expected->outside)
        std::abort();
    // The designed literals, then each value as one literal, in order.
    std::vector<std::string> literals = expected->literals;
    for (std::string& literal : literals)
        for (std::size_t i = 0; i < plain.size(); ++i)
            if (literal == plain[i]) {
                literal = values[i];
                break;
            }
    if (got->literals != literals)
        std::abort();
    return 0;
}
