#pragma once
// The library's classes, registered with the host in one list.

#include "host/object/class_registry.h"

#include <string>

namespace hearth {

// Registers every library class, ancestors before descendants. Returns "" on success,
// otherwise the first registration's reason for refusing a class.
std::string register_library_classes(ClassRegistry& registry);

} // namespace hearth
