#pragma once
// The one place where statement texts are adapted to a backend. The library's statements were
// written for a server that accepts `SELECT TOP n ...`, `DELETE T WHERE ...` without FROM and
// `:name` host variables; translate() rewrites those forms from the token stream (string
// literals and comments pass through untouched) and turns host variables into the backend's
// placeholders, so values are always bound, never spliced into the text. On SQLite a query's
// literals compared after WHERE are bound as well (Translated::literals).

#include "host/sql/driver.h"
#include "host/value/result.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hearth::sql {

enum class StatementKind : std::uint8_t {
    Query,    // SELECT, WITH, VALUES: reads only
    Change,   // everything else: INSERT, UPDATE, DELETE, DDL
    Commit,   // COMMIT [WORK|TRANSACTION]
    Rollback, // ROLLBACK [WORK|TRANSACTION]
};

struct Translated {
    std::string text;                // the statement in the backend's dialect
    std::vector<std::string> params; // host variable per placeholder, lower case, in placeholder order
    std::vector<std::string> into;   // targets of SELECT ... INTO, lower case, in order
    // SQLite queries: the string literals compared after WHERE, bound as the placeholders that
    // follow the host variables' (?n+1, ?n+2 ...), so that texts differing only in those
    // values share one prepared statement.
    std::vector<std::string> literals;
    StatementKind kind = StatementKind::Change;
};

// Translates one statement (a trailing ';' is allowed, a second statement is not); fails with
// "SQL syntax error: ..." when the text cannot be translated.
Result<Translated> translate(std::string_view text, Dbms dbms);

// Texts that differ only in their string literals translate alike: a page sends its SELECT
// with another key quoted into it for every master row. A statement's form has each literal
// written as a numbered marker; `literals` are the literals themselves, quotes included.
// Nothing for a text that does not tokenize, has no literals, or holds a marker's byte.
struct LiteralForm {
    std::string form;
    std::vector<std::string_view> literals;
};
std::optional<LiteralForm> literal_form(std::string_view text);
// The translation of a text from the translation of its form and the text's literals.
Translated with_literals(const Translated& form, const std::vector<std::string_view>& literals);

// The statement with every host variable :name (any case) written as the host variables
// :name#1, :name#2 ... :name#count, or as NULL when count is 0, so that a list used as
// IN (:name) binds one parameter per element. Literals and comments stay as they are.
// Fails as translate() does when the text does not tokenize.
Result<std::string> expand_list_variable(std::string_view text, std::string_view name, std::size_t count);

// The one quoting helper for a statement text that must carry a literal: the text between
// single quotes with every single quote doubled. Prefer host variables wherever possible.
std::string quote_literal(std::string_view text);

// A table or column name as it stands in a generated statement: a plain name (letters, digits,
// _ and $, owner-qualified with dots) as it is, any other as a standard SQL quoted identifier
// with inner double quotes doubled, so that no name can add text to the statement.
std::string quote_identifier(std::string_view name);

} // namespace hearth::sql
