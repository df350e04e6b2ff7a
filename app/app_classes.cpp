#include "app/app_classes.h"

#include "app/w_login.h"
#include "app/w_main.h"

#include <vector>

namespace hearth {

Result<void> register_app_classes(ClassRegistry& registry)
{
    // Ancestors before descendants, as for the library's classes.
    static const std::vector<VtableInfoFn> entries = {
        &_getVtableInfo_w_main,
        &_getVtableInfo_w_login,
    };
    for (VtableInfoFn entry : entries)
        if (auto registered = registry.register_class(entry); !registered)
            return registered;
    return {};
}

} // namespace hearth
