#include "app/hearth_command.h"

#include "host/object/class_listing.h"
#include "host/ui/register.h"
#include "library/library_classes.h"

#include <string>

namespace hearth {

namespace {

int usage(std::ostream& err)
{
    err << "usage: hearth classes\n"
           "  classes   list the registered library classes and their scripts\n";
    return 2;
}

} // namespace

int run_hearth(std::span<const std::string_view> args, ClassRegistry& registry, std::ostream& out, std::ostream& err)
{
    if (args.size() != 1 || args[0] != "classes")
        return usage(err);

    // The host's control types go in before any library class, as register_ui_classes asks.
    for (auto step : {register_ui_classes, register_library_classes}) {
        if (auto registered = step(registry); !registered) {
            err << "hearth: " << registered.error() << '\n';
            return 1;
        }
    }
    out << list_classes(registry);
    return out.flush() ? 0 : 1;
}

} // namespace hearth
