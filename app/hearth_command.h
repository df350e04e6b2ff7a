#pragma once
// The hearth command's work, apart from main() so that tests run it on a registry of their own.
//   hearth classes   the library classes registered with the host, and their scripts
//   hearth init-db   new records and archive databases with sample households
//   hearth play      a scenario played headless on those databases, printing what the user sees

#include "host/object/class_registry.h"

#include <ostream>
#include <span>
#include <string_view>

namespace hearth {

// Runs the command named by `args` (the arguments after the program name) on `registry`,
// which it fills first with the host's control types and the library's classes. Writes the
// result to `out` and complaints to `err`; returns the exit status: 0 done, 1 when a
// registration or the databases' creation fails, a scenario's action cannot be done or the
// output cannot be written, 2 for a wrong command line.
int run_hearth(std::span<const std::string_view> args, ClassRegistry& registry, std::ostream& out, std::ostream& err);

} // namespace hearth
