#include "host/sql/driver.h"

#include "host/sql/backends.h"
#include "host/value/ascii.h"

namespace hearth::sql {

std::string_view dbms_name(Dbms dbms)
{
    switch (dbms) {
    case Dbms::SQLite: return "SQLite";
    case Dbms::PostgreSQL: return "PostgreSQL";
    }
    return "SQLite";
}

std::unique_ptr<Driver> make_driver(Dbms dbms)
{
    switch (dbms) {
    case Dbms::SQLite: return make_sqlite_driver();
    case Dbms::PostgreSQL: return make_postgres_driver();
    }
    return make_sqlite_driver();
}

std::string dbparm_value(std::string_view dbparm, std::string_view key)
{
    std::size_t i = 0;
    auto skip_blanks = [&] {
        while (i < dbparm.size() && ascii::is_space(dbparm[i]))
            ++i;
    };
    while (i < dbparm.size()) {
        skip_blanks();
        const std::size_t name_start = i;
        while (i < dbparm.size() && dbparm[i] != '=' && dbparm[i] != ',')
            ++i;
        const std::string_view name = ascii::trim_end(dbparm.substr(name_start, i - name_start));
        std::string value;
        if (i < dbparm.size() && dbparm[i] == '=') {
            ++i;
            skip_blanks();
            if (i < dbparm.size() && (dbparm[i] == '\'' || dbparm[i] == '"')) {
                const char quote = dbparm[i++];
                while (i < dbparm.size() && dbparm[i] != quote)
                    value += dbparm[i++];
                if (i < dbparm.size())
                    ++i;
                while (i < dbparm.size() && dbparm[i] != ',')
                    ++i;
            } else {
                const std::size_t value_start = i;
                while (i < dbparm.size() && dbparm[i] != ',')
                    ++i;
                value = ascii::trim_end(dbparm.substr(value_start, i - value_start));
            }
        }
        if (i < dbparm.size() && dbparm[i] == ',')
            ++i;
        if (ascii::iequals(name, key))
            return value;
    }
    return std::string();
}

} // namespace hearth::sql
