#pragma once
// Installs the host's control types: plain instances of the system classes (and library
// classes descending from them) are made as the C++ types of controls.h, window.h and
// datawindow_control.h, including `datastore` and `dwobject` (the object events receive as
// `dwo`).

#include "host/object/class_registry.h"

#include <string>

namespace hearth {

// Installs the factories. Call before any library class is registered. A refusal says why a
// factory was refused (another type installed for a system class already); the factories
// before it stay installed.
Result<void> register_ui_classes(ClassRegistry& registry);

} // namespace hearth
