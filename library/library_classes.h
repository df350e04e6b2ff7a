#pragma once
// The library's classes, registered with the host in one list. This sits above every module of
// the library: the modules reach the application through library/frame, never through here.

#include "host/object/class_registry.h"

#include <string>

namespace hearth {

// Registers every library class, ancestors before descendants. A refusal is the first
// registration's reason for refusing a class.
Result<void> register_library_classes(ClassRegistry& registry);

} // namespace hearth
