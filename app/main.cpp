// hearth: the application's command line (see hearth_command.h).

#include "app/hearth_command.h"

#include <iostream>
#include <new>
#include <string_view>
#include <vector>

int main(int argc, char** argv)
{
    // Memory running out ends the command as a failure rather than an abort.
    try {
        const std::vector<std::string_view> args(argv + 1, argv + argc);
        hearth::ClassRegistry registry;
        return hearth::run_hearth(args, registry, std::cout, std::cerr);
    } catch (const std::bad_alloc&) {
        std::cerr << "hearth: not enough memory\n";
        return 1;
    }
}
