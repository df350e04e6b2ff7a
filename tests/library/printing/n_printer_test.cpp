// The printer service over the user's own spooler: the printer list and the default printer,
// a printer's driver, port, status and attributes, paper and orientation of its default device
// mode, and the print and page setup dialogs answered by the scripted user.

#include "host/object/runtime.h"
#include "host/ui/desktop.h"
#include "host/win32/winspool.h"
#include "library/printing/n_printer.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <filesystem>

using namespace hearth;
using namespace hearth::win32;

namespace {

const std::string finance = "财务室打印机";

// The user's own spooler, with a device-mode store that can be made to refuse.
class RefusingSpooler : public OwnSpooler {
public:
    using OwnSpooler::OwnSpooler;
    Result<void> set_devmode(std::string_view name, const DevMode& devmode) override
    {
        return refuse ? Result<void>::failure("disk full") : OwnSpooler::set_devmode(name, devmode);
    }
    bool refuse = false;
};

class Printers : public ::testing::Test {
protected:
    Printers()
    {
        m_folder = std::filesystem::temp_directory_path() / ("hearth_n_printer_" + std::to_string(::getpid()));
        std::filesystem::remove_all(m_folder);
        auto own = std::make_unique<RefusingSpooler>(m_folder);
        Printer office {"Office",
                        "Generic PCL",
                        "lpt1:",
                        "",
                        "",
                        printer_attribute_queued | printer_attribute_local,
                        0,
                        0,
                        {9, 11, 256},
                        default_devmode("Office", 9)};
        Printer room {finance,
                      "HP LaserJet",
                      "usb://HP/1",
                      "",
                      "",
                      printer_attribute_queued | printer_attribute_shared,
                      printer_status_paused,
                      0,
                      {1, 5},
                      default_devmode(finance, 1)};
        EXPECT_EQ(error_text(own->add_printer(office)), "");
        EXPECT_EQ(error_text(own->add_printer(room)), "");
        m_spooler = own.get();
        System::current().use(std::move(own), m_folder);
        EXPECT_EQ(error_text(m_registry.register_class(&_getVtableInfo_n_printer)), "");
        m_object = m_runtime.create("n_printer");
    }
    ~Printers() override { std::filesystem::remove_all(m_folder); }

    n_printer& printer() { return *dynamic_cast<n_printer*>(m_object.get()); }
    DevMode stored(const std::string& name)
    {
        const auto printers = m_spooler->printers();
        EXPECT_TRUE(printers.ok());
        for (const Printer& p : printers.ok() ? *printers : std::vector<Printer> {})
            if (p.name == name)
                return p.devmode;
        return {};
    }

    std::filesystem::path m_folder;
    RefusingSpooler* m_spooler = nullptr;
    ClassRegistry m_registry;
    Runtime m_runtime {m_registry};
    Desktop m_desktop {m_runtime};
    ObjectRef m_object;
};

TEST(PrinterStructures, MirrorTheWin32RecordsByteForByte)
{
    using P = n_printer;
    EXPECT_EQ(offsetof(P::str_printer_info_2, devmode), 28u);
    EXPECT_EQ(offsetof(P::str_printer_info_2, attributes), 52u);
    EXPECT_EQ(offsetof(P::str_printer_info_2, averageppm), 80u);
    EXPECT_EQ(offsetof(P::str_devmode, dmfields), 40u);
    EXPECT_EQ(offsetof(P::str_devmode, dmpapersize), 46u);
    EXPECT_EQ(offsetof(P::str_devmode, dmpaperlength), 48u);
    EXPECT_EQ(offsetof(P::str_devmode, dmcollate), 68u);
    EXPECT_EQ(offsetof(P::str_devmode, dmlogpixels), 102u);
    EXPECT_EQ(offsetof(P::str_devmode, dmreserved3), 148u);
    EXPECT_EQ(offsetof(P::str_printdlg, ncopies), 32u);
    EXPECT_EQ(offsetof(P::str_printdlg, hinstance), 34u);
    EXPECT_EQ(offsetof(P::str_printdlg, reserve1), 66u);
    EXPECT_EQ(offsetof(P::str_devnames, drivername), 8u);
    EXPECT_EQ(offsetof(P::str_devnames, portname), 72u);
    EXPECT_EQ(offsetof(P::str_pagesetupdlg, rtmargin), 44u);
    EXPECT_EQ(sizeof(P::str_pagesetupdlg), 84u);
}

TEST_F(Printers, ListsPrintersAndSetsTheDefault)
{
    ValueArray list(Type::String);
    list.set(3, Value("kept"));
    ASSERT_EQ(printer().of_getprinterlist(list), 2);
    EXPECT_EQ(list.at(1).as_string(), "Office");
    EXPECT_EQ(list.at(2).as_string(), finance);
    EXPECT_EQ(list.at(3).as_string(), "kept");

    EXPECT_EQ(printer().of_getpbprinter(), "");
    ASSERT_EQ(printer().of_setdefault(finance), 1);
    EXPECT_EQ(printer().of_getpbprinter(), finance);
    // A second reader of the same folder (another process) sees the same default.
    EXPECT_EQ(OwnSpooler(m_folder).default_printer(), finance);
    // Already the default: the bit stays set and never carries into the shared bit.
    ASSERT_EQ(printer().of_setdefault(finance), 1);
    EXPECT_EQ(printer().of_getattribute(finance),
              printer_attribute_queued | printer_attribute_shared | printer_attribute_default);
    ASSERT_EQ(printer().of_setdefault("Office"), 1);
    EXPECT_EQ(printer().of_getattribute(finance), printer_attribute_queued | printer_attribute_shared);
    EXPECT_EQ(printer().of_getpbprinter(), "Office");
}

TEST_F(Printers, ReadsDriverPortStatusAndAttributesOrFails)
{
    EXPECT_EQ(printer().of_getdrivername(finance), "HP LaserJet");
    EXPECT_EQ(printer().of_getportname(finance), "usb://HP/1");
    EXPECT_EQ(printer().of_getstatus(finance), static_cast<std::int32_t>(printer_status_paused));
    EXPECT_EQ(printer().of_getstatus("Office"), 0);
    for (const std::string& bad : {std::string("Nobody"), std::string(), std::string(10000, 'x')}) {
        EXPECT_EQ(printer().of_getdrivername(bad), "");
        EXPECT_EQ(printer().of_getportname(bad), "");
        EXPECT_EQ(printer().of_getstatus(bad), -1);
        EXPECT_EQ(printer().of_getattribute(bad), -1);
        EXPECT_EQ(printer().of_setdefault(bad), -1);
        EXPECT_EQ(printer().of_setpapersize(bad, 9, 0, 0), -1);
    }
    EXPECT_EQ(printer().of_direct("Nobody", "data"), 1);
}

TEST_F(Printers, PaperSizeAndOrientationOfTheDefaultDeviceMode)
{
    std::int16_t size = -5, width = -5, length = -5;
    EXPECT_EQ(printer().of_getpapersize("Nobody", size, width, length), -1);
    EXPECT_EQ(size, -5);
    ASSERT_EQ(printer().of_getpapersize("Office", size, width, length), 1);
    EXPECT_EQ(size, 9);
    EXPECT_EQ(width, 2100);
    EXPECT_EQ(length, 2970);

    // A listed code sets the paper, which brings its own size: the width and length given are
    // not sent with it. An unlisted code changes nothing.
    ASSERT_EQ(printer().of_setpapersize("Office", 11, 1, 1), 1);
    DevMode dm = stored("Office");
    EXPECT_EQ(dm.dmPaperSize, 11);
    EXPECT_EQ(dm.dmPaperWidth, 1480);
    EXPECT_EQ(dm.dmPaperLength, 2100);
    EXPECT_EQ(printer().of_setpapersize("Office", 8, 0, 0), -1);
    EXPECT_EQ(stored("Office").dmPaperSize, 11);
    // A user-defined size stores its width and length.
    ASSERT_EQ(printer().of_setpapersize("Office", 256, 2000, 2800), 1);
    dm = stored("Office");
    EXPECT_EQ(dm.dmPaperSize, 256);
    EXPECT_EQ(dm.dmPaperWidth, 2000);
    EXPECT_EQ(dm.dmPaperLength, 2800);
    EXPECT_EQ(printer().of_setpapersize(finance, 256, 2000, 2800), -1);

    Value orientation(std::int32_t(2));
    std::int16_t a = 0, b = 0, c = 0;
    ASSERT_EQ(printer().of_printer("Office", 103, orientation, a, b, c), 1);
    EXPECT_EQ(stored("Office").dmOrientation, 2);
    EXPECT_EQ(stored("Office").dmPaperSize, 256);
    Value read;
    ASSERT_EQ(printer().of_printer("Office", 7, read, a, b, c), 1);
    EXPECT_EQ(read.as_integral(), 2);
    Value sideways(std::int32_t(3));
    EXPECT_EQ(printer().of_printer("Office", 103, sideways, a, b, c), -1);
}

// The whole device mode is sent with every field flagged; one the driver cannot print is
// refused with its own answer.
TEST_F(Printers, ModifyPrinterSendsEveryField)
{
    n_printer::str_devmode dm {};
    const DevMode current = stored("Office");
    std::memcpy(&dm, &current, n_printer::devmode_len);
    dm.dmfields = 0;
    dm.dmcopies = 3;
    ASSERT_EQ(printer().of_modifyprinter("Office", dm), 1);
    EXPECT_EQ(stored("Office").dmCopies, 3);
    std::memset(&dm, 0xFF, sizeof dm);
    dm.dmorientation = 32767;
    dm.dmpapersize = 32767;
    EXPECT_LT(printer().of_modifyprinter("Office", dm), 1);
    EXPECT_EQ(stored("Office").dmCopies, 3);
    EXPECT_EQ(printer().of_modifyprinter("Nobody", dm), -1);
}

TEST_F(Printers, StringFromBlobReadsZeroTerminatedAnsiText)
{
    EXPECT_EQ(printer().of_getstringfromblob(Blob {'A', 'B', 0, 'C', 'D'}, 1), "AB");
    EXPECT_EQ(printer().of_getstringfromblob(Blob {'A', 'B', 0, 'C', 'D'}, 4), "CD");
    EXPECT_EQ(printer().of_getstringfromblob(Blob {'A', 'B'}, 3), "");
    // 财务 in GBK: two-byte characters come back whole.
    EXPECT_EQ(printer().of_getstringfromblob(Blob {'x', 0xB2, 0xC6, 0xCE, 0xF1, 0}, 2), "财务");
}

TEST_F(Printers, PrintSetupAppliesThePrinterChosenOrNothing)
{
    EXPECT_EQ(printer().of_printsetup(0), -1); // nothing queued: cancelled
    m_desktop.answer_print_dialog(finance);
    ASSERT_EQ(printer().of_printsetup(0), 1);
    EXPECT_EQ(printer().of_getpbprinter(), finance);
    ASSERT_EQ(m_desktop.print_dialogs().size(), 2u);
    EXPECT_EQ(m_desktop.print_dialogs()[1].offered, "Office");

    // Confirmed, but the device mode cannot be stored: the user is told and -1 comes back.
    m_spooler->refuse = true;
    m_desktop.answer_print_dialog("Office");
    EXPECT_EQ(printer().of_printsetup(0), -1);
    EXPECT_EQ(printer().of_getpbprinter(), finance);
    ASSERT_EQ(m_desktop.message_boxes().size(), 1u);
    EXPECT_EQ(m_desktop.message_boxes()[0].text, "打印机“Office”的设置没有保存，请重新设置。");
    EXPECT_EQ(System::current().memory().block_count(), 0u);
}

TEST_F(Printers, PageSetupGivesMarginsAndAppliesPaperAndOrientation)
{
    std::int32_t left = 7, right = 7, top = 7, bottom = 7;
    m_desktop.answer_page_setup_dialog(std::nullopt);
    EXPECT_EQ(printer().of_pagesetup(0, left, right, top, bottom), -1);
    EXPECT_EQ(left + right + top + bottom, 28);
    m_desktop.answer_page_setup_dialog(PageSetupChoice {11, 2, 2500, 2500, 2500, 2500});
    ASSERT_EQ(printer().of_pagesetup(0, left, right, top, bottom), 1);
    EXPECT_EQ(left, 2500);
    EXPECT_EQ(bottom, 2500);
    const DevMode dm = stored("Office");
    EXPECT_EQ(dm.dmPaperSize, 11);
    EXPECT_EQ(dm.dmPaperWidth, 1480);
    EXPECT_EQ(dm.dmOrientation, 2);
    EXPECT_EQ(printer().of_getpbprinter(), "Office");
    // A paper the printer does not list cannot be chosen.
    m_desktop.answer_page_setup_dialog(PageSetupChoice {8, 1, 0, 0, 0, 0});
    EXPECT_EQ(printer().of_pagesetup(0, left, right, top, bottom), -1);
}

// Through the host: by-reference arguments come back, and the external functions answer in
// their slots.
TEST_F(Printers, ScriptsWriteBackTheirReferenceArguments)
{
    std::vector<Value> args {Value("Office"), Value::integer(0), Value::integer(0), Value::integer(0)};
    DispatchResult result = m_runtime.dispatch(m_object, "of_getpapersize", args);
    ASSERT_EQ(result.outcome, Outcome::Completed);
    EXPECT_EQ(result.value.as_integral(), 1);
    EXPECT_EQ(args[1].as_integral(), 9);
    EXPECT_EQ(args[3].as_integral(), 2970);

    std::vector<Value> list {Value("")};
    ASSERT_EQ(m_runtime.dispatch(m_object, "of_getprinterlist", list).value.as_integral(), 2);
    EXPECT_EQ(list[0].as_string(), "Office\t" + finance);

    // copymem (5) in slot 32: from an address that is not mapped, the failed-call error.
    std::vector<Value> copy {Value(Blob(148)), Value::ulong(0x10), Value::ulong(148)};
    EXPECT_EQ(m_runtime.dispatch(m_object, 32, copy).outcome, Outcome::Failed);
}

} // namespace
