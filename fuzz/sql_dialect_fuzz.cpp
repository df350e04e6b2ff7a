// SQL statement texts: any text translates for both backends or fails with a message; a
// translated statement has a placeholder for every host variable, and so has one whose
// list variable was expanded.
#include "host/sql/dialect.h"

#include <cstdlib>
#include <string>
#include <string_view>

using namespace hearth::sql;

namespace {

// A translated statement names every placeholder from 1 to the number of variables.
void check(const hearth::Result<Translated>& translated, char marker)
{
    if (!translated) {
        if (translated.error().rfind("SQL syntax error: ", 0) != 0)
            std::abort();
        return;
    }
    for (std::size_t k = 1; k <= translated->params.size(); ++k)
        if (translated->text.find(marker + std::to_string(k)) == std::string::npos)
            std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    check(translate(text, Dbms::SQLite), '?');
    check(translate(text, Dbms::PostgreSQL), '$');
    quote_literal(text);
    if (auto expanded = expand_list_variable(text, "as_list", size % 4))
        check(translate(*expanded, Dbms::SQLite), '?');
    return 0;
}
