// hearth: the application's command line (see hearth_command.h).

#include "app/hearth_command.h"

#include <iostream>
#include <string_view>
#include <vector>

int main(int argc, char** argv)
{
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    hearth::ClassRegistry registry;
    return hearth::run_hearth(args, registry, std::cout, std::cerr);
}
