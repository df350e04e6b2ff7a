#pragma once
// Failures on demand, for tests of what a failure in the middle of a piece of work leaves
// behind. While a plan is installed, every connection made wraps its driver: each statement
// executed, each BEGIN and each COMMIT is counted, and the one the plan names fails as the
// backend fails a statement (SQLite: a disk I/O error; PostgreSQL: a full disk), without
// reaching the backend. Connections made while no plan is installed are not wrapped and pay
// nothing. Plans are for one thread at a time.

#include "host/sql/driver.h"

#include <memory>
#include <string>

namespace hearth::sql {

struct FaultPlan {
    // Only calls whose statement text contains this (ASCII case ignored) are counted; empty:
    // every call. BEGIN and COMMIT count under those words.
    std::string pattern;
    // The counted call that fails, from 1; 0: none fails, or with a pattern, every one counted.
    long fail_at = 0;

    // Filled in as the calls run.
    long counted = 0;
    long failures = 0;
    std::string failed_text; // the statement of the last failure
};

// Installs `plan` for the connections made from now on; nullptr ends it for them.
void install_fault_plan(std::shared_ptr<FaultPlan> plan);

// `driver` as it is to be used: wrapped when a plan is installed.
std::unique_ptr<Driver> with_fault_plan(std::unique_ptr<Driver> driver);

} // namespace hearth::sql
