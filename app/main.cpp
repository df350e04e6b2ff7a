// hearth: the application's command line.
//   hearth classes   the library classes registered with the host, and their scripts

#include "host/object/class_listing.h"
#include "host/object/class_registry.h"
#include "host/ui/register.h"
#include "library/frame/library_classes.h"

#include <cstdio>
#include <iostream>
#include <string_view>

namespace {

int usage()
{
    std::cerr << "usage: hearth classes\n"
                 "  classes   list the registered library classes and their scripts\n";
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 || std::string_view(argv[1]) != "classes")
        return usage();

    hearth::ClassRegistry registry;
    hearth::register_ui_classes(registry);
    if (std::string refused = hearth::register_library_classes(registry); !refused.empty()) {
        std::cerr << "hearth: " << refused << '\n';
        return 1;
    }
    std::cout << hearth::list_classes(registry);
    return std::cout.flush() ? 0 : 1;
}
