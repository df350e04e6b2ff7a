#pragma once
// hearth printers: the printers as the printer service sees them, for administrators and
// support. Needs no login and no database.
//   hearth printers                                  name, driver, port, status, attributes
//   hearth printers --set-default NAME               makes NAME the default printer
//   hearth printers --paper NAME [CODE [W L]]        sets, then prints, the default paper

#include "host/object/class_registry.h"

#include <ostream>
#include <span>
#include <string_view>

namespace hearth {

// 0 done; 1 with the reason on `err` when a printer does not exist or a change is refused;
// 2 for a usage error.
int printers_command(std::span<const std::string_view> args, ClassRegistry& registry, std::ostream& out,
                     std::ostream& err);

} // namespace hearth
