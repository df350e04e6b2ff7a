#pragma once
// hearth init-db: creates the records and archive databases with the schema, the settings,
// the users and their rights, and sample households.

#include "host/value/result.h"

#include <cstdint>
#include <optional>
#include <string>

namespace hearth {

struct InitDbOptions {
    std::string target;     // a folder (SQLite), or a connection string (PostgreSQL): a URI or key=value
    long households = 1000; // sample households; 0 makes none
    std::uint64_t seed = 1; // the same seed gives the same sample records
    std::optional<std::string> admin_password; // a random one when absent
};

struct InitDbDone {
    long rows = 0;                        // rows written into both databases
    std::string generated_admin_password; // empty when the caller gave one
    std::string user_password;            // the ordinary user's, always random
};

// The two database files of a folder. On a server the records database is the one the
// connection string names, and the archive the one of the same name with "_archive" appended.
inline constexpr std::string_view records_file = "hearth.db";
inline constexpr std::string_view archive_file = "hearth_archive.db";

// Creates both databases. Refuses a target that already holds a database; a failed or
// interrupted run leaves none behind.
Result<InitDbDone> init_db(const InitDbOptions& options);

// Whether init-db takes `target` for a connection string rather than a folder.
bool is_connection_string(std::string_view target);

// The database a connection string names, or "" when it names none or does not parse.
std::string database_named(const std::string& conninfo);
// The archive database that goes with the records database `records` on the same server.
std::string archive_database(std::string_view records);
// A connection string with the settings of `conninfo` that names the database `name` instead;
// "" when `conninfo` does not parse.
std::string conninfo_for(const std::string& conninfo, const std::string& name);

} // namespace hearth
