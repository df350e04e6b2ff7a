// hearth printers as an administrator runs it, over the user's own printers: the list, a new
// default read back by the next run, the paper of a default device mode, and refusals.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

class PrintersCommand : public ::testing::Test {
protected:
    PrintersCommand()
    {
        m_dir = std::filesystem::temp_directory_path() / ("hearth_printers_" + std::to_string(::getpid()));
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir / "hearth");
        std::ofstream(m_dir / "hearth" / "printing.ini") << "[printing]\nspooler=own\n";
        std::ofstream(m_dir / "hearth" / "printers.tsv")
            << "printer\tOffice\tGeneric PCL\tlpt1:\t\t\t65\t0\t9,11\t\n"
            << "printer\t财务室打印机\tHP LaserJet\tusb://HP/1\t\t\t9\t1\t1,5,256\t\n";
    }
    ~PrintersCommand() override { std::filesystem::remove_all(m_dir); }

    // Runs `hearth printers ARGUMENTS` with the config folder above; its status and stdout,
    // stderr appended after a "|".
    std::pair<int, std::string> run(const std::string& arguments)
    {
        const std::string command = "XDG_CONFIG_HOME='" + m_dir.string() + "' '" + HEARTH_COMMAND + "' printers "
            + arguments + " >'" + (m_dir / "out").string() + "' 2>&1";
        const int raw = std::system(command.c_str());
        std::ifstream in(m_dir / "out", std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, text.str()};
    }

    std::filesystem::path m_dir;
};

TEST_F(PrintersCommand, ListsSetsTheDefaultAndThePaper)
{
    EXPECT_EQ(run(""),
              std::make_pair(0,
                             std::string("Office\tGeneric PCL\tlpt1:\t0\t65\n"
                                         "财务室打印机\tHP LaserJet\tusb://HP/1\t1\t9\n")));
    EXPECT_EQ(run("--set-default 财务室打印机"), std::make_pair(0, std::string()));
    EXPECT_EQ(run("").second, "Office\tGeneric PCL\tlpt1:\t0\t65\n*财务室打印机\tHP LaserJet\tusb://HP/1\t1\t13\n");

    EXPECT_EQ(run("--paper Office"), std::make_pair(0, std::string("9\t2100\t2970\n")));
    EXPECT_EQ(run("--paper Office 11"), std::make_pair(0, std::string("11\t1480\t2100\n")));
    EXPECT_EQ(run("--paper 财务室打印机 256 2000 2800"), std::make_pair(0, std::string("256\t2000\t2800\n")));
}

TEST_F(PrintersCommand, RefusesUnknownPrintersAndPapersItDoesNotList)
{
    EXPECT_EQ(run("--set-default Nobody"),
              std::make_pair(1, std::string("hearth printers: 没有名为“Nobody”的打印机\n")));
    EXPECT_EQ(run("--paper Nobody"), std::make_pair(1, std::string("hearth printers: 没有名为“Nobody”的打印机\n")));
    EXPECT_EQ(run("--paper Office 8"), std::make_pair(1, std::string("hearth printers: 打印机“Office”不接受纸张 8\n")));
    EXPECT_EQ(run("--paper Office 9 1").first, 2);
    EXPECT_EQ(run("--paper Office 9").second, "9\t2100\t2970\n");
}

} // namespace
