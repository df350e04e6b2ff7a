#include "host/sql/driver.h"

#include "host/sql/backends.h"

#include <cctype>

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
        while (i < dbparm.size() && std::isspace(static_cast<unsigned char>(dbparm[i])))
            ++i;
    };
    while (i < dbparm.size()) {
        skip_blanks();
        const std::size_t name_start = i;
        while (i < dbparm.size() && dbparm[i] != '=' && dbparm[i] != ',')
            ++i;
        std::string_view name = dbparm.substr(name_start, i - name_start);
        while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back())))
            name.remove_suffix(1);
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
                while (i < dbparm.size() && dbparm[i] != ',')
                    value += dbparm[i++];
                while (!value.empty() && std::isspace(static_cast<unsigned char>(value.back())))
                    value.pop_back();
            }
        }
        if (i < dbparm.size() && dbparm[i] == ',')
            ++i;
        const bool same = name.size() == key.size()
            && std::equal(name.begin(), name.end(), key.begin(), [](char a, char b) {
                   return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
               });
        if (same)
            return value;
    }
    return std::string();
}

} // namespace hearth::sql
