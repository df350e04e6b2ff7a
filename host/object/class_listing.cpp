#include "host/object/class_listing.h"

#include <fmt/format.h>

namespace hearth {

std::string list_classes(const ClassRegistry& registry)
{
    std::string out;
    for (const ClassInfo* cls : registry.library_classes()) {
        std::string controls;
        for (const ClassInfo::Control& control : cls->controls())
            controls += (controls.empty() ? "" : ",") + control.name;
        out += fmt::format("class {} ancestor {} controls {}\n", cls->name(), cls->ancestor()->name(),
                           controls.empty() ? "-" : controls);
    }
    for (const ClassInfo* cls : registry.library_classes()) {
        for (const ClassInfo::Group& group : cls->groups())
            for (const ClassInfo::GroupScript& script : group.scripts)
                out += fmt::format("{} {} {} {}\n", cls->name(), group.id, script.slot, script.name);
    }
    return out;
}

} // namespace hearth
