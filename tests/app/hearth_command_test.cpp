// The hearth command as a user runs it: its output and exit status.

#include "app/hearth_command.h"

#include "host/object/class_listing.h"
#include "host/object/class_registry.h"
#include "library/library_classes.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

namespace {

struct CommandRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string read_file(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

CommandRun run_hearth(const std::string& arguments)
{
    const auto dir = std::filesystem::temp_directory_path() / ("hearth_command_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string command = std::string("'") + HEARTH_COMMAND + "' " + arguments + " >'" + (dir / "out").string()
        + "' 2>'" + (dir / "err").string() + "'";
    CommandRun run;
    const int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = read_file(dir / "out");
    run.err = read_file(dir / "err");
    std::filesystem::remove_all(dir);
    return run;
}

TEST(HearthCommand, ClassesPrintsTheRegistryListing)
{
    hearth::ClassRegistry registry;
    ASSERT_EQ(error_text(hearth::register_library_classes(registry)), "");
    const CommandRun run = run_hearth("classes");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, hearth::list_classes(registry));
    EXPECT_EQ(run.err, "");
}

TEST(HearthCommand, UnknownOrMissingSubcommandPrintsUsageAndExits2)
{
    for (const char* arguments : {"bogus", "--bogus", "classes extra", "CLASSES"}) {
        const CommandRun run = run_hearth(arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_EQ(run.out, "") << arguments;
        EXPECT_EQ(run.err.rfind("usage: hearth classes\n", 0), 0u) << arguments << ": " << run.err;
    }
}

// A refused registration of the host's control types is reported and ends the command with
// status 1 before anything is listed.
TEST(HearthCommand, RefusedControlTypesEndTheCommand)
{
    hearth::ClassRegistry registry;
    ASSERT_EQ(error_text(registry.set_system_factory("datawindow", hearth::make_object<hearth::Object>)), "");
    std::ostringstream out;
    std::ostringstream err;
    const std::string_view args[] = {"classes"};
    EXPECT_EQ(hearth::run_hearth(args, registry, out, err), 1);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "hearth: system class datawindow is made as another type already\n");
    EXPECT_TRUE(registry.library_classes().empty());
}

} // namespace
