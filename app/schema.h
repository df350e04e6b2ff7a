#pragma once
// The community's two databases: the records (sqlca) and the archive of history rows and photos
// (photosqlca). Every table is described once and written out for either backend; the words
// that differ between SQLite and PostgreSQL are filled in per backend. Each database records
// its schema version, and migrations() lists the steps from one version to the next, version 1
// being the first schema.

#include "host/sql/driver.h"

#include <string>
#include <vector>

namespace hearth::schema {

enum class Database : std::uint8_t { Records, Archive };

// One migration: the statements that take a database from version - 1 to `version`.
struct Migration {
    int version = 0;
    std::vector<std::string> records;
    std::vector<std::string> archive;
};

// Every migration in order, for `dbms`; the last one's version is current_version().
std::vector<Migration> migrations(sql::Dbms dbms);

int current_version();

// Version 1 in two halves, so that a bulk load can add the rows between them: the tables and
// the version table first, then the indexes and the triggers that keep a household's person
// count, house counts and areas current.
std::vector<std::string> tables(Database database, sql::Dbms dbms);
std::vector<std::string> indexes_and_triggers(Database database, sql::Dbms dbms);

// Sets the totals of the households of a bulk load (which start at 0) from their persons and
// houses, as the triggers keep them afterwards.
std::vector<std::string> household_totals_after_load();

} // namespace hearth::schema
