#pragma once
// The engine behind a DataWindow control or DataStore, for the host's own code: the gesture
// and layout code of host/ui, and tests that load rows as a retrieval would. Library code
// never includes this header; it reaches a DataWindow only through DataWindowBase's entry
// points.

#include "host/ui/datawindow_control.h"

namespace hearth {

class EngineAccess {
public:
    static dw::Engine& engine(DataWindowBase& dw) { return dw.engine(); }
    static const dw::Engine& engine(const DataWindowBase& dw) { return dw.engine(); }
};

} // namespace hearth
