// The Win32-style printing layer over the user's own spooler: record layouts, the needed-size
// protocol, caller buffers that are never overrun, the address space's failed-call error, and
// CUPS attributes mapped to Win32 terms.

#include "host/value/files.h"
#include "host/value/runtime_error.h"
#include "host/win32/winspool.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <filesystem>

using namespace hearth;
using namespace hearth::win32;

namespace {

class Winspool : public ::testing::Test {
protected:
    Winspool()
    {
        m_folder = std::filesystem::temp_directory_path() / ("hearth_winspool_" + std::to_string(::getpid()));
        std::filesystem::remove_all(m_folder);
        auto own = std::make_unique<OwnSpooler>(m_folder);
        Printer office {"Office",   "Generic PCL",
                        "lpt1:",    "",
                        "",         printer_attribute_queued | printer_attribute_local,
                        0,          0,
                        {9, 8, 11}, default_devmode("Office", 9)};
        EXPECT_EQ(error_text(own->add_printer(office)), "");
        Printer many = office;
        many.name = "Plotter";
        many.papers.assign(600, 9);
        many.papers.back() = 66;
        EXPECT_EQ(error_text(own->add_printer(many)), "");
        System::current().use(std::move(own), m_folder);
    }
    ~Winspool() override { std::filesystem::remove_all(m_folder); }

    std::filesystem::path m_folder;
};

TEST(Records, LayoutsMatchThe32BitWin32Records)
{
    EXPECT_EQ(offsetof(PrinterInfo2, pDevMode), 28u);
    EXPECT_EQ(offsetof(PrinterInfo2, Attributes), 52u);
    EXPECT_EQ(offsetof(PrinterInfo2, Status), 72u);
    EXPECT_EQ(offsetof(DevMode, dmFields), 40u);
    EXPECT_EQ(offsetof(DevMode, dmPaperSize), 46u);
    EXPECT_EQ(offsetof(DevMode, dmPaperWidth), 50u);
    EXPECT_EQ(offsetof(DevMode, dmFormName), 70u);
    EXPECT_EQ(offsetof(DevMode, dmReserved2), 144u);
    EXPECT_EQ(offsetof(PrintDlg, nCopies), 32u);
    EXPECT_EQ(offsetof(PrintDlg, hInstance), 34u);
    EXPECT_EQ(offsetof(PrintDlg, hSetupTemplate), 62u);
    EXPECT_EQ(offsetof(PageSetupDlg, rtMargin), 44u);
    EXPECT_EQ(offsetof(PageSetupDlg, hPageSetupTemplate), 80u);
}

// Too small a buffer: false and the size needed; that size: the record, its addresses
// pointing at its strings and device mode.
TEST_F(Winspool, GetPrinterAnswersTheNeededSizeThenFillsTheRecord)
{
    Handle printer = 0;
    ASSERT_TRUE(OpenPrinterA("Office", printer));
    std::uint32_t needed = 0;
    Blob buffer(84, 0xEE);
    EXPECT_FALSE(GetPrinterA(printer, 2, buffer, 84, needed));
    EXPECT_EQ(System::current().last_error(), error_insufficient_buffer);
    ASSERT_GT(needed, 84u + sizeof(DevMode));
    EXPECT_EQ(buffer, Blob(84, 0xEE));

    // A size claimed beyond the real buffer is not believed.
    buffer.assign(needed - 1, 0);
    EXPECT_FALSE(GetPrinterA(printer, 2, buffer, needed + 100, needed));

    buffer.assign(needed, 0);
    ASSERT_TRUE(GetPrinterA(printer, 2, buffer, needed, needed));
    PrinterInfo2 info {};
    std::memcpy(&info, buffer.data(), sizeof info);
    EXPECT_EQ(string_at(info.pPrinterName), "Office");
    EXPECT_EQ(string_at(info.pDriverName), "Generic PCL");
    EXPECT_EQ(string_at(info.pPortName), "lpt1:");
    EXPECT_EQ(info.Attributes, printer_attribute_queued | printer_attribute_local);
    DevMode dm {};
    RtlMoveMemory(Bytes(reinterpret_cast<std::uint8_t*>(&dm), devmode_prefix), info.pDevMode, devmode_prefix);
    EXPECT_EQ(dm.dmPaperSize, 9);
    EXPECT_EQ(dm.dmPaperWidth, 2100);
    EXPECT_TRUE(ClosePrinter(printer));
    EXPECT_FALSE(OpenPrinterA("Nobody", printer));
    EXPECT_FALSE(OpenPrinterA(std::string(10000, 'x'), printer));
}

TEST_F(Winspool, EnumPrintersListsRecordsBackToBack)
{
    std::uint32_t needed = 0, returned = 0;
    Blob buffer(1, ' ');
    EXPECT_FALSE(EnumPrintersA(printer_enum_local, nullptr, 2, buffer, 1, needed, returned));
    EXPECT_EQ(returned, 0u);
    buffer.assign(needed, 0);
    ASSERT_TRUE(EnumPrintersA(printer_enum_local, nullptr, 2, buffer, needed, needed, returned));
    ASSERT_EQ(returned, 2u);
    PrinterInfo2 second {};
    std::memcpy(&second, buffer.data() + 84, sizeof second);
    EXPECT_EQ(string_at(second.pPrinterName), "Plotter");
}

// DC_PAPERS writes only as many codes as fit and says how many it wrote.
TEST_F(Winspool, DeviceCapabilitiesNeverWritesPastTheBuffer)
{
    EXPECT_EQ(DeviceCapabilitiesA("Plotter", "lpt1:", dc_papers, {}), 600);
    Blob buffer(1024 + 2, 0xAB);
    EXPECT_EQ(DeviceCapabilitiesA("Plotter", "lpt1:", dc_papers, Bytes(buffer.data(), 1024)), 512);
    EXPECT_EQ(buffer[1024], 0xAB);
    EXPECT_EQ(buffer[1025], 0xAB);
    EXPECT_EQ(DeviceCapabilitiesA("Office", "lpt1:", dc_papers, buffer), 3);
    EXPECT_EQ(buffer[0] | buffer[1] << 8, 9);
    EXPECT_EQ(buffer[4] | buffer[5] << 8, 11);
    EXPECT_EQ(DeviceCapabilitiesA("Nobody", "", dc_papers, {}), -1);
}

// Mode 0 says the size, mode 2 needs that much room, mode 9 merges the flagged fields and
// keeps them; a device mode the driver cannot print is refused.
TEST_F(Winspool, DocumentPropertiesMergesFlaggedFieldsAndRefusesBadOnes)
{
    Handle printer = 0;
    ASSERT_TRUE(OpenPrinterA("Office", printer));
    const std::int32_t size = DocumentPropertiesA(0, printer, "Generic PCL", {}, {}, 0);
    EXPECT_EQ(size, 156);
    Blob out(size - 1, 0);
    EXPECT_EQ(DocumentPropertiesA(0, printer, "Generic PCL", out, {}, dm_out_buffer), -1);
    out.assign(size, 0);
    ASSERT_EQ(DocumentPropertiesA(0, printer, "Generic PCL", out, {}, dm_out_buffer), idok);
    DevMode dm {};
    std::memcpy(&dm, out.data(), sizeof dm);

    DevMode change = dm;
    change.dmFields = dm_papersize;
    change.dmPaperSize = 11;
    change.dmCopies = 7; // not flagged
    const ConstBytes in(reinterpret_cast<const std::uint8_t*>(&change), devmode_prefix);
    ASSERT_EQ(DocumentPropertiesA(0, printer, "Generic PCL", {}, in, dm_in_buffer | dm_out_default), idok);
    ASSERT_EQ(DocumentPropertiesA(0, printer, "Generic PCL", out, {}, dm_out_buffer), idok);
    std::memcpy(&dm, out.data(), sizeof dm);
    EXPECT_EQ(dm.dmPaperSize, 11);
    EXPECT_EQ(dm.dmCopies, 1);
    EXPECT_STREQ(dm.dmFormName, "A5");

    for (std::int16_t paper : {std::int16_t(1), std::int16_t(32767)}) {
        change.dmPaperSize = paper; // not listed
        EXPECT_EQ(DocumentPropertiesA(0, printer, "Generic PCL", {}, in, dm_in_buffer | dm_out_default), -1);
    }
    std::memset(&change, 0xFF, sizeof change);
    change.dmFields = dm_all_fields;
    EXPECT_EQ(DocumentPropertiesA(0, printer, "Generic PCL", {}, in, dm_in_buffer | dm_out_default), -1);
    EXPECT_EQ(DocumentPropertiesA(0, printer + 4, "Generic PCL", {}, {}, 0), -1);
    ClosePrinter(printer);
}

// Reads and copies through addresses that are not wholly mapped are the failed-call error.
TEST_F(Winspool, UnmappedAddressesAreAFailedCall)
{
    const Handle block = GlobalAlloc(2, 104);
    const Address base = GlobalLock(block);
    ASSERT_NE(base, 0u);
    EXPECT_EQ(GlobalSize(block), 104u);
    Blob bytes(104);
    RtlMoveMemory(bytes, base, 104);
    const auto fails = [](auto&& call) {
        try {
            call();
        } catch (const RuntimeError& e) {
            return e.code() == ErrorCode::CallFailed;
        }
        return false;
    };
    Blob more(105);
    EXPECT_TRUE(fails([&] { RtlMoveMemory(more, base, 105); }));
    EXPECT_TRUE(fails([&] { RtlMoveMemory(bytes, base + 1, 104); }));
    EXPECT_TRUE(fails([&] { RtlMoveMemory(bytes, Address(0), 1); }));
    EXPECT_TRUE(fails([&] { RtlMoveMemory(Bytes(bytes.data(), 10), ConstBytes(more), 11); }));
    EXPECT_EQ(string_at(base), "");
    // Text that runs to the end of its block has no end to read to.
    const Handle text = GlobalAlloc(2, 4);
    RtlMoveMemory(GlobalLock(text), ConstBytes(reinterpret_cast<const std::uint8_t*>("ABCD"), 4), 4);
    EXPECT_TRUE(fails([&] { (void)string_at(GlobalLock(text)); }));
    GlobalUnlock(block);
    EXPECT_EQ(GlobalFree(block), 0u);
    EXPECT_TRUE(fails([&] { RtlMoveMemory(bytes, base, 1); }));
    EXPECT_EQ(GlobalFree(block), block);
}

// Names the win.ini entry or the file could not carry are refused; an unreadable file is a
// failed enumeration, not an empty one.
TEST_F(Winspool, OwnSpoolerRefusesBadNamesAndUnreadableFiles)
{
    OwnSpooler own(m_folder);
    Printer p {};
    for (const std::string& name : {std::string(), std::string("a,b"), std::string("a\tb"), std::string(221, 'x')}) {
        p.name = name;
        EXPECT_NE(error_text(own.add_printer(p)), "") << name;
    }
    EXPECT_NE(error_text(own.set_default("Nobody")), "");
    ASSERT_EQ(error_text(write_file_atomically(own.file(), "printer\tbroken\n")), "");
    std::uint32_t needed = 0, returned = 0;
    Blob buffer(1);
    EXPECT_FALSE(EnumPrintersA(printer_enum_local, nullptr, 2, buffer, 1, needed, returned));
    EXPECT_EQ(needed, 0u);
}

TEST(CupsMapping, MediaStatesAndAttributesInWin32Terms)
{
    EXPECT_EQ(paper_of_media("iso_a4_210x297mm"), 9);
    EXPECT_EQ(paper_of_media("na_letter_8.5x11in"), 1);
    EXPECT_EQ(paper_of_media("jis_b4_257x364mm"), 12);
    EXPECT_EQ(paper_of_media("A5"), 11);
    EXPECT_EQ(paper_of_media("iso_a4_210x296mm"), std::nullopt);
    EXPECT_EQ(media_of_paper(9), "iso_a4_210x297mm");
    EXPECT_EQ(papers_of_media({"iso_a4_210x297mm", "na_letter_8.5x11in", "oe_photo_4x6in", "A4",
                               "custom_min_76.2x127mm", "custom_max_215.9x355.6mm"}),
              (std::vector<std::int16_t> {9, 1, 256}));

    EXPECT_EQ(status_of_state("3", {"none"}), 0u);
    EXPECT_EQ(status_of_state("4", {}), printer_status_printing);
    EXPECT_EQ(status_of_state("5", {"paused"}), printer_status_paused);
    EXPECT_EQ(status_of_state("3", {"media-empty-error", "toner-low-report", "offline-report"}),
              printer_status_paper_out | printer_status_toner_low | printer_status_offline);
    EXPECT_EQ(status_of_state("3", {"cups-missing-filter-warning"}), 0u);
    EXPECT_EQ(status_of_state("3", {"something-new-error"}), printer_status_error);

    EXPECT_EQ(attributes_of(false, false), printer_attribute_queued | printer_attribute_local);
    EXPECT_EQ(attributes_of(true, true),
              printer_attribute_queued | printer_attribute_shared | printer_attribute_network);
    EXPECT_EQ(orientation_of("4"), dmorient_landscape);
    EXPECT_EQ(orientation_of(""), dmorient_portrait);
    EXPECT_EQ(split_list("none"), (std::vector<std::string> {"none"}));
    EXPECT_EQ(split_list("a,b,,c"), (std::vector<std::string> {"a", "b", "c"}));
}

} // namespace
