#pragma once
// The application's window classes, registered with the host after the library's classes.

#include "host/object/class_registry.h"

namespace hearth {

// Registers w_main and w_login (and the application's other windows). The host's control
// types and the library's classes must be registered already. A refusal says why.
Result<void> register_app_classes(ClassRegistry& registry);

} // namespace hearth
