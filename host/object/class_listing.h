#pragma once
// The registry as text, as `hearth classes` prints it.

#include "host/object/class_registry.h"

#include <string>

namespace hearth {

// One line per registered library class, in registration order,
//   class <name> ancestor <ancestor> controls <name,name,...>     ("-" when it has none)
// followed by one line per registered script, class by class and group by group in
// registration order:
//   <class> <group> <slot> <script>
std::string list_classes(const ClassRegistry& registry);

} // namespace hearth
