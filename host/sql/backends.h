#pragma once
// The two real drivers; only make_driver (driver.cpp) and the benchmarks build them directly.

#include "host/sql/driver.h"

namespace hearth::sql {

std::unique_ptr<Driver> make_sqlite_driver();
std::unique_ptr<Driver> make_postgres_driver();

} // namespace hearth::sql
