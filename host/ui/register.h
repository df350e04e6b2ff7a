#pragma once
// Installs the host's control types: plain instances of the system classes (and library
// classes descending from them) are made as the C++ types of controls.h, window.h and
// datawindow_control.h. Also registers the two host classes the runtime creates itself:
// `datastore` (on nonvisualobject) and `dwobject` (the object events receive as `dwo`).

#include "host/object/class_registry.h"

#include <string>

namespace hearth {

// Installs the factories and registers datastore and dwobject. Call once per registry, before
// any library class is registered. Returns "" on success, otherwise the registry's reason.
std::string register_ui_classes(ClassRegistry& registry);

} // namespace hearth
