// The Win32-style printing layer over a live CUPS scheduler (scripts/cups-test-server, its
// address in HEARTH_TEST_CUPS): the server's queues with their driver, port, status,
// attributes, papers and orientation, and changes that land in the user's lpoptions while the
// server keeps its own defaults.
//
// The test program's HOME and CUPS_SERVERROOT point at a folder of its own before anything
// asks CUPS, so no real lpoptions or client.conf is read or written. As root CUPS writes the
// system-wide lpoptions instead of the user's, so the test that changes settings does not run
// as root; the ones that only read the server do.

#include "host/value/files.h"
#include "host/win32/winspool.h"

#include <cups/cups.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <unistd.h>

using namespace hearth;
using namespace hearth::win32;

namespace {

const std::string finance = "财务室打印机";

// The test's own user folders, set before main so that CUPS's per-thread settings see them;
// the server root stays empty: no client.conf, no system-wide lpoptions.
const std::filesystem::path home = [] {
    const char* server = std::getenv("HEARTH_TEST_CUPS");
    if (!server || !*server)
        return std::filesystem::path();
    const std::filesystem::path folder
        = std::filesystem::temp_directory_path() / ("hearth_cups_home_" + std::to_string(::getpid()));
    ::setenv("HOME", folder.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (folder / ".config").c_str(), 1);
    ::setenv("CUPS_SERVERROOT", (folder / "serverroot").c_str(), 1);
    ::setenv("CUPS_SERVER", server, 1);
    return folder;
}();

// What a command prints, run with the given HOME.
std::string output_of(const std::string& command, const std::filesystem::path& with_home)
{
    std::string text;
    const std::string line = "LC_ALL=C HOME='" + with_home.string() + "' " + command + " 2>&1";
    if (FILE* pipe = ::popen(line.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe))
            text += buffer;
        ::pclose(pipe);
    }
    return text;
}

class Cups : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (home.empty())
            GTEST_SKIP() << "HEARTH_TEST_CUPS is not set (scripts/test sets it)";
        std::filesystem::remove_all(home / ".cups");
        std::filesystem::create_directories(home);
        cupsSetServer(std::getenv("CUPS_SERVER"));
        System::current().use(std::make_unique<CupsSpooler>(), home / ".config" / "hearth");
    }
    static void TearDownTestSuite()
    {
        if (!home.empty())
            std::filesystem::remove_all(home);
    }

    static std::vector<PrinterInfo2> printers(Blob& buffer)
    {
        std::uint32_t needed = 0, returned = 0;
        EnumPrintersA(printer_enum_local, nullptr, 2, buffer, 0, needed, returned);
        buffer.assign(needed, 0);
        EXPECT_TRUE(EnumPrintersA(printer_enum_local, nullptr, 2, buffer, needed, needed, returned));
        std::vector<PrinterInfo2> list(returned);
        for (std::uint32_t i = 0; i < returned; ++i)
            std::memcpy(&list[i], buffer.data() + i * sizeof(PrinterInfo2), sizeof(PrinterInfo2));
        return list;
    }
    static DevMode devmode_of(Handle printer)
    {
        Blob out(sizeof(DevMode));
        EXPECT_EQ(DocumentPropertiesA(0, printer, "", out, {}, dm_out_buffer), idok);
        DevMode dm {};
        std::memcpy(&dm, out.data(), sizeof dm);
        return dm;
    }
    static std::vector<std::int16_t> papers_of(const std::string& name)
    {
        Blob buffer(512 * 2);
        const std::int32_t n = DeviceCapabilitiesA(name, "", dc_papers, buffer);
        std::vector<std::int16_t> codes;
        for (std::int32_t i = 0; i < n; ++i)
            codes.push_back(static_cast<std::int16_t>(buffer[2 * i] | buffer[2 * i + 1] << 8));
        std::sort(codes.begin(), codes.end());
        return codes;
    }
    // The server's own default media of a queue, lpoptions aside.
    static std::string server_media_default(const std::string& name)
    {
        std::string media;
        cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.c_str(), nullptr);
        if (!dest)
            return media;
        if (cups_dinfo_t* info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest)) {
            if (ipp_attribute_t* attr = cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, info, "media"))
                media = ippGetString(attr, 0, nullptr);
            cupsFreeDestInfo(info);
        }
        cupsFreeDests(1, dest);
        return media;
    }
};

TEST_F(Cups, ListsTheServersQueuesWithDriverPortStatusAndAttributes)
{
    Blob buffer;
    const std::vector<PrinterInfo2> list = printers(buffer);
    ASSERT_EQ(list.size(), 3u);
    std::map<std::string, PrinterInfo2> by_name;
    for (const PrinterInfo2& info : list)
        by_name[string_at(info.pPrinterName)] = info;
    ASSERT_EQ(by_name.count("Office") + by_name.count(finance) + by_name.count("Stopped"), 3u);

    const PrinterInfo2& office = by_name["Office"];
    EXPECT_EQ(string_at(office.pDriverName), "Hearth Office Laser");
    EXPECT_EQ(string_at(office.pPortName), "file:///dev/null");
    EXPECT_EQ(string_at(office.pComment), "Front office");
    EXPECT_EQ(string_at(office.pLocation), "Ground floor");
    EXPECT_EQ(office.Attributes, printer_attribute_queued | printer_attribute_local | printer_attribute_default);
    EXPECT_EQ(office.Status, 0u);
    EXPECT_EQ(by_name[finance].Attributes,
              printer_attribute_queued | printer_attribute_local | printer_attribute_shared);
    EXPECT_EQ(string_at(by_name[finance].pDriverName), "Hearth Finance Printer");
    EXPECT_EQ(by_name["Stopped"].Status & printer_status_paused, printer_status_paused);
    EXPECT_EQ(by_name["Stopped"].Attributes & printer_attribute_default, 0u);

    Handle none = 0;
    EXPECT_FALSE(OpenPrinterA("", none));
    EXPECT_FALSE(OpenPrinterA(std::string(10000, 'x'), none));
    EXPECT_NE(error_text(CupsSpooler().set_default("Nobody")), "");
}

// Papers come from media-supported (in CUPS's own order, so compared sorted); the default device mode carries the
// queue's default paper with its size and its default orientation.
TEST_F(Cups, PapersAndOrientationOfEachQueue)
{
    EXPECT_EQ(papers_of("Office"), (std::vector<std::int16_t> {1, 5, 9}));
    EXPECT_EQ(papers_of(finance), (std::vector<std::int16_t> {8, 9, 11, 13}));
    EXPECT_EQ(DeviceCapabilitiesA("Nobody", "", dc_papers, {}), -1);

    Handle office = 0, room = 0;
    ASSERT_TRUE(OpenPrinterA("Office", office));
    ASSERT_TRUE(OpenPrinterA(finance, room));
    DevMode dm = devmode_of(office);
    EXPECT_EQ(dm.dmPaperSize, dmpaper_letter);
    EXPECT_EQ(dm.dmPaperWidth, 2159);
    EXPECT_EQ(dm.dmOrientation, dmorient_portrait);
    dm = devmode_of(room);
    EXPECT_EQ(dm.dmPaperSize, dmpaper_a4);
    EXPECT_EQ(dm.dmPaperLength, 2970);
    EXPECT_EQ(dm.dmOrientation, dmorient_landscape);
    ClosePrinter(office);
    ClosePrinter(room);
}

// The default printer and a default device mode go to the user's lpoptions, seen by a second
// process under the same user; the server's own default printer and media stay as they were.
TEST_F(Cups, ChangesGoToTheUsersLpoptionsOnly)
{
    if (::getuid() == 0)
        GTEST_SKIP() << "as root CUPS would write the system-wide lpoptions";
    Handle room = 0;
    ASSERT_TRUE(OpenPrinterA(finance, room));
    DevMode change = devmode_of(room);
    change.dmFields = dm_papersize | dm_orientation;
    change.dmPaperSize = 11;
    change.dmOrientation = dmorient_portrait;
    const ConstBytes in(reinterpret_cast<const std::uint8_t*>(&change), devmode_prefix);
    ASSERT_EQ(DocumentPropertiesA(0, room, "", {}, in, dm_in_buffer | dm_out_default), idok);
    change.dmPaperSize = dmpaper_letter; // not listed by this queue
    EXPECT_EQ(DocumentPropertiesA(0, room, "", {}, in, dm_in_buffer | dm_out_default), -1);

    std::uint32_t needed = 0;
    Blob info;
    GetPrinterA(room, 2, info, 0, needed);
    info.assign(needed, 0);
    ASSERT_TRUE(GetPrinterA(room, 2, info, needed, needed));
    const std::uint32_t attributes = printer_attribute_queued | printer_attribute_default;
    std::memcpy(info.data() + offsetof(PrinterInfo2, Attributes), &attributes, sizeof attributes);
    ASSERT_TRUE(SetPrinterA(room, 2, info, 0));

    const DevMode dm = devmode_of(room);
    EXPECT_EQ(dm.dmPaperSize, 11);
    EXPECT_EQ(dm.dmOrientation, dmorient_portrait);
    EXPECT_EQ(CupsSpooler().default_printer(), finance);
    ClosePrinter(room);

    const Result<std::string> lpoptions = read_file_bytes(home / ".cups" / "lpoptions");
    ASSERT_EQ(error_text(lpoptions), "");
    EXPECT_NE(lpoptions->find("Default " + finance), std::string::npos) << *lpoptions;
    EXPECT_NE(lpoptions->find("media=iso_a5_148x210mm"), std::string::npos) << *lpoptions;
    EXPECT_EQ(output_of("lpstat -d", home), "system default destination: " + finance + "\n");

    const std::filesystem::path nobody = home / "nobody";
    std::filesystem::create_directories(nobody);
    EXPECT_EQ(output_of("lpstat -d", nobody), "system default destination: Office\n");
    EXPECT_EQ(server_media_default(finance), "iso_a4_210x297mm");
}

} // namespace
