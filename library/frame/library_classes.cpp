#include "library/frame/library_classes.h"

#include <vector>

namespace hearth {

std::string register_library_classes(ClassRegistry& registry)
{
    // Each class's registration entry `_getVtableInfo_<class>`, ancestors before descendants.
    // A class joins this list when its scripts exist, e.g. `&_getVtableInfo_uo_dw`, and its
    // module joins library_frame's DEPS (cmake allows the cycle between static libraries).
    static const std::vector<VtableInfoFn> entries = {};
    for (VtableInfoFn entry : entries)
        if (std::string refused = registry.register_class(entry); !refused.empty())
            return refused;
    return {};
}

} // namespace hearth
