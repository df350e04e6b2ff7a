// n_printer's functions, written as the printer service's scripts: every step goes through
// the Win32 calls the object declares (the helpers below carry their declared names), with the
// object's own structures copied byte for byte.

#include "library/printing/n_printer.h"

#include "host/ui/desktop.h"
#include "host/value/encoding.h"
#include "host/value/functions.h"
#include "host/win32/winspool.h"

#include <cstring>

namespace hearth {

namespace {

using str_printer_info_2 = n_printer::str_printer_info_2;
using str_devmode = n_printer::str_devmode;
using str_printer_defaults = n_printer::str_printer_defaults;
using str_printdlg = n_printer::str_printdlg;
using str_devnames = n_printer::str_devnames;
using str_pagesetupdlg = n_printer::str_pagesetupdlg;

static_assert(sizeof(str_printer_info_2) == 84 + 500 && sizeof(str_devmode) == 148 + 4);
static_assert(sizeof(str_printdlg) == 66 + 4 && sizeof(str_devnames) == 104 && sizeof(str_pagesetupdlg) == 84);

template <class T> win32::Bytes bytes_of(T& record)
{
    return {reinterpret_cast<std::uint8_t*>(&record), sizeof record};
}
template <class T> win32::ConstBytes bytes_of(const T& record)
{
    return {reinterpret_cast<const std::uint8_t*>(&record), sizeof record};
}

// Blob(Space(n)): a buffer of n blank bytes (none for n below 1).
Blob blank(std::int64_t n) { return Blob(static_cast<std::size_t>(std::max<std::int64_t>(n, 0)), ' '); }

// String(address, "address").
std::string string_at(std::int32_t address) { return win32::string_at(static_cast<win32::Address>(address)); }

// ---- The declared external functions ----------------------------------------------------------

bool enumprinters(std::uint32_t flags, std::uint32_t level, Blob& buffer, std::uint32_t cbbuf, std::uint32_t& cbneeded,
                  std::uint32_t& returned)
{
    return win32::EnumPrintersA(flags, nullptr, level, buffer, cbbuf, cbneeded, returned);
}
void copymem(str_printer_info_2& dest, const Blob& source, std::uint32_t length)
{
    win32::RtlMoveMemory(bytes_of(dest), source, length);
}
void copymem(Blob& dest, const str_printer_info_2& source, std::uint32_t length)
{
    win32::RtlMoveMemory(dest, bytes_of(source), length);
}
bool openprinter(const std::string& printername, std::uint32_t& hprinter, const str_printer_defaults&)
{
    return win32::OpenPrinterA(printername, hprinter);
}
bool closeprinter(std::uint32_t hprinter) { return win32::ClosePrinter(hprinter); }
bool getprinter(std::uint32_t hprinter, std::uint32_t level, Blob& buffer, std::uint32_t cbbuf, std::uint32_t& cbneeded)
{
    return win32::GetPrinterA(hprinter, level, buffer, cbbuf, cbneeded);
}
bool setprinter(std::uint32_t hprinter, std::uint32_t level, const Blob& buffer, std::uint32_t command)
{
    return win32::SetPrinterA(hprinter, level, buffer, command);
}
void copymem(str_devmode& dest, const Blob& source, std::uint32_t length)
{
    win32::RtlMoveMemory(bytes_of(dest), source, length);
}
void copymem(str_devmode& dest, std::uint32_t source, std::uint32_t length)
{
    win32::RtlMoveMemory(bytes_of(dest), source, length);
}
std::int32_t documentproperties(std::uint32_t hwnd, std::uint32_t hprinter, const std::string& devicename, Blob& output,
                                std::int32_t, std::uint32_t mode)
{
    return win32::DocumentPropertiesA(hwnd, hprinter, devicename, output, {}, mode);
}
std::int32_t documentproperties(std::uint32_t hwnd, std::uint32_t hprinter, const std::string& devicename,
                                std::uint32_t, const str_devmode& input, std::uint32_t mode)
{
    return win32::DocumentPropertiesA(hwnd, hprinter, devicename, {}, bytes_of(input), mode);
}
std::int32_t devicecapabilities(const std::string& device, const std::string& port, std::uint16_t capability,
                                Blob& output, std::int32_t)
{
    return win32::DeviceCapabilitiesA(device, port, capability, output);
}
std::int32_t devicecapabilities(const std::string& device, const std::string& port, std::uint16_t capability,
                                std::int32_t, std::int32_t)
{
    return win32::DeviceCapabilitiesA(device, port, capability, {});
}
std::uint32_t createdc(std::int32_t, const std::string& device, std::int32_t, std::int32_t)
{
    return win32::CreateDCA(device);
}
bool deletedc(std::uint32_t hdc) { return win32::DeleteDC(hdc); }
std::uint32_t globalfree(std::uint32_t hmem) { return win32::GlobalFree(hmem); }
std::uint32_t globallock(std::uint32_t hmem) { return win32::GlobalLock(hmem); }
bool globalunlock(std::uint32_t hmem) { return win32::GlobalUnlock(hmem); }
std::uint32_t globalsize(std::uint32_t hmem) { return win32::GlobalSize(hmem); }
std::int32_t printdlg(str_printdlg& dialog)
{
    win32::PrintDlg record {};
    std::memcpy(&record, &dialog, sizeof record);
    const std::int32_t result = win32::PrintDlgA(record);
    std::memcpy(&dialog, &record, sizeof record);
    return result;
}
void copymem(str_devnames& dest, std::uint32_t source, std::uint32_t length)
{
    win32::RtlMoveMemory(bytes_of(dest), source, length);
}
void copymem(Blob& dest, std::uint32_t source, std::uint32_t length) { win32::RtlMoveMemory(dest, source, length); }
bool pagesetupdlg(str_pagesetupdlg& dialog)
{
    win32::PageSetupDlg record {};
    std::memcpy(&record, &dialog, sizeof record);
    const bool result = win32::PageSetupDlgA(record);
    std::memcpy(&dialog, &record, sizeof record);
    return result;
}

// Reads the printer record of an open printer into `buffer` with a growing buffer, from a
// requested size of 0 bytes; false when GetPrinterA fails with a buffer already big enough.
bool read_printer_record(std::uint32_t hprinter, Blob& lb_buffer, str_printer_info_2& lstr_info)
{
    std::uint32_t ll_size = 0;
    std::uint32_t ll_needed = 0;
    for (;;) {
        lb_buffer = blank(ll_size);
        if (getprinter(hprinter, 2, lb_buffer, ll_size, ll_needed))
            break;
        if (ll_size >= ll_needed)
            return false;
        ll_size = ll_needed;
    }
    // The buffer stays alive with the call: the record's addresses point into it.
    copymem(lstr_info, lb_buffer, n_printer::printer_info_2_len);
    return true;
}

} // namespace

// ---- Printers, default printer and status -------------------------------------------------------

std::int16_t n_printer::of_printer(const std::string& printername, std::int16_t command, Value& outpara,
                                   std::int16_t& papersize, std::int16_t& paperwidth, std::int16_t& paperlength)
{
    win32::CallScope scope;
    std::uint32_t ll_hprinter = 0;
    const str_printer_defaults lstr_defaults {};
    if (!openprinter(printername, ll_hprinter, lstr_defaults))
        return -1;

    Blob lb_buffer;
    str_printer_info_2 lstr_info {};
    if (!read_printer_record(ll_hprinter, lb_buffer, lstr_info)) {
        closeprinter(ll_hprinter);
        return -1;
    }
    const std::string ls_drivername = string_at(lstr_info.drivername);
    const std::string ls_portname = string_at(lstr_info.portname);

    std::int16_t li_ret = 1;
    str_devmode lstr_devmode {};
    switch (command) {
    case 1: outpara = Value(ls_drivername); break;
    case 2: outpara = Value(ls_portname); break;
    case 3: outpara = Value(lstr_info.status); break;
    case 4: outpara = Value(lstr_info.attributes); break;
    case 5:
    case 6:
        copymem(lstr_devmode, static_cast<std::uint32_t>(lstr_info.devmode), devmode_len);
        papersize = lstr_devmode.dmpapersize;
        paperwidth = lstr_devmode.dmpaperwidth;
        paperlength = lstr_devmode.dmpaperlength;
        break;
    case 7:
        copymem(lstr_devmode, static_cast<std::uint32_t>(lstr_info.devmode), devmode_len);
        outpara = Value(std::int32_t(static_cast<std::uint16_t>(lstr_devmode.dmorientation)));
        break;
    case 105:
        // The default bit is set, not added: adding 4 to a word that has it already carries
        // into the shared bit and clears the default.
        lstr_info.attributes |= static_cast<std::int32_t>(printer_attribute_default);
        // Back over the start of the same buffer, so that its addresses still point at the
        // strings after it.
        copymem(lb_buffer, lstr_info, printer_info_2_len);
        li_ret = setprinter(ll_hprinter, 2, lb_buffer, 0) ? 1 : -1;
        break;
    default: {
        // The device-mode path: 101 and 102 set the paper, 103 the orientation; any other code
        // writes the default device mode back unchanged.
        if (command == 101 || command == 102) {
            std::int32_t li_count = devicecapabilities(printername, ls_portname, dc_papers, 0, 0);
            Blob lb_papers = blank(1024);
            li_count = devicecapabilities(printername, ls_portname, dc_papers, lb_papers, 0);
            bool lb_found = false;
            for (std::int32_t i = 1; i <= li_count && !lb_found; ++i) {
                std::uint16_t li_code = 0;
                std::memcpy(&li_code, lb_papers.data() + (i - 1) * 2, 2);
                lb_found = li_code == static_cast<std::uint16_t>(papersize);
            }
            if (!lb_found) {
                closeprinter(ll_hprinter);
                return -1;
            }
        }
        // The driver name, not the printer name, goes as the device name.
        const std::int32_t ll_size = documentproperties(0, ll_hprinter, ls_drivername, lb_buffer, 0, 0);
        Blob lb_devmode = blank(ll_size);
        const std::int32_t ll_got = ll_size < devmode_len
            ? -1
            : documentproperties(0, ll_hprinter, ls_drivername, lb_devmode, 0, dm_out_buffer);
        if (ll_got < 1) {
            // No device mode to change: nothing is written.
            closeprinter(ll_hprinter);
            return -1;
        }
        copymem(lstr_devmode, lb_devmode, devmode_len);
        if (command == 101 || command == 102) {
            lstr_devmode.dmpapersize = papersize;
            lstr_devmode.dmfields = dm_papersize;
            if (static_cast<std::uint16_t>(papersize) == dmpaper_user) {
                lstr_devmode.dmpaperwidth = paperwidth;
                lstr_devmode.dmpaperlength = paperlength;
                lstr_devmode.dmfields += dm_paperlength + dm_paperwidth;
            }
        } else if (command == 103) {
            lstr_devmode.dmorientation = static_cast<std::int16_t>(
                static_cast<std::uint16_t>(outpara.is_integral() ? outpara.as_integral() : 0));
            lstr_devmode.dmfields = dm_orientation;
        }
        const std::int32_t ll_ret
            = documentproperties(0, ll_hprinter, ls_drivername, 0, lstr_devmode, dm_in_buffer + dm_out_default);
        li_ret = ll_ret >= 1 ? 1 : static_cast<std::int16_t>(ll_ret);
        break;
    }
    }
    closeprinter(ll_hprinter);
    return li_ret;
}

std::int16_t n_printer::of_getprinterlist(ValueArray& printerlist)
{
    win32::CallScope scope;
    std::uint32_t ll_size = 1;
    std::uint32_t ll_needed = 0;
    std::uint32_t ll_returned = 0;
    Blob lb_buffer;
    for (;;) {
        lb_buffer = blank(ll_size);
        if (enumprinters(printer_enum_local, 2, lb_buffer, ll_size, ll_needed, ll_returned))
            break;
        if (ll_size >= ll_needed)
            return -1;
        ll_size = ll_needed;
    }
    for (std::uint32_t i = 1; i <= ll_returned; ++i) {
        const Blob lb_record(lb_buffer.begin() + (i - 1) * printer_info_2_len, lb_buffer.end());
        str_printer_info_2 lstr_info {};
        copymem(lstr_info, lb_record, printer_info_2_len);
        printerlist.set(static_cast<long>(i), Value(string_at(lstr_info.printername)));
        (void)string_at(lstr_info.portname);
    }
    return static_cast<std::int16_t>(ll_returned);
}

std::string n_printer::of_getpbprinter()
{
    const std::string ls_device
        = fn::detail::profile_string(win32::profile_file("win.ini").string(), "windows", "device", "");
    if (ls_device.empty())
        return "";
    const std::size_t li_pos = ls_device.find(',');
    return li_pos == std::string::npos ? ls_device : ls_device.substr(0, li_pos);
}

std::int16_t n_printer::of_setdefault(const std::string& printername)
{
    Value ls_dummy;
    std::int16_t li_size = 0, li_width = 0, li_length = 0;
    return of_printer(printername, 105, ls_dummy, li_size, li_width, li_length);
}

std::string n_printer::of_getdrivername(const std::string& printername)
{
    Value la_out;
    std::int16_t li_size = 0, li_width = 0, li_length = 0;
    return of_printer(printername, 1, la_out, li_size, li_width, li_length) == 1 ? la_out.as_string() : "";
}

std::string n_printer::of_getportname(const std::string& printername)
{
    Value la_out;
    std::int16_t li_size = 0, li_width = 0, li_length = 0;
    return of_printer(printername, 2, la_out, li_size, li_width, li_length) == 1 ? la_out.as_string() : "";
}

std::int32_t n_printer::of_getstatus(const std::string& printername)
{
    Value la_out;
    std::int16_t li_size = 0, li_width = 0, li_length = 0;
    return of_printer(printername, 3, la_out, li_size, li_width, li_length) == 1
        ? static_cast<std::int32_t>(la_out.as_integral())
        : -1;
}

std::int16_t n_printer::of_getattribute(const std::string& printername)
{
    Value la_out;
    std::int16_t li_size = 0, li_width = 0, li_length = 0;
    return of_printer(printername, 4, la_out, li_size, li_width, li_length) == 1
        ? static_cast<std::int16_t>(la_out.as_integral())
        : -1;
}

std::string n_printer::of_getstringfromblob(const Blob& source, std::int16_t offset)
{
    // The text is read whole and converted once: a GBK name's two-byte characters stay whole.
    if (offset < 1 || static_cast<std::size_t>(offset) > source.size())
        return "";
    const auto* start = source.data() + offset - 1;
    const auto* end = static_cast<const std::uint8_t*>(std::memchr(start, 0, source.size() - (offset - 1)));
    const std::size_t length = end ? static_cast<std::size_t>(end - start) : source.size() - (offset - 1);
    return decode_text(start, length, Encoding::Ansi);
}

// ---- Device mode, paper size and dialogs --------------------------------------------------------

std::int16_t n_printer::of_getpapersize(const std::string& printername, std::int16_t& papersize,
                                        std::int16_t& paperwidth, std::int16_t& paperheight)
{
    Value la_dummy;
    return of_printer(printername, 5, la_dummy, papersize, paperwidth, paperheight);
}

std::int16_t n_printer::of_setpapersize(const std::string& printername, std::int16_t papersize, std::int16_t paperwidth,
                                        std::int16_t paperheight)
{
    Value la_dummy;
    return of_printer(printername, 101, la_dummy, papersize, paperwidth, paperheight);
}

std::int16_t n_printer::of_modifyprinter(const std::string& printername, str_devmode devmode)
{
    win32::CallScope scope;
    std::uint32_t ll_hprinter = 0;
    const str_printer_defaults lstr_defaults {};
    if (!openprinter(printername, ll_hprinter, lstr_defaults))
        return -1;
    std::int16_t li_ret = -1;
    Blob lb_buffer;
    str_printer_info_2 lstr_info {};
    if (read_printer_record(ll_hprinter, lb_buffer, lstr_info)) {
        const std::string ls_drivername = string_at(lstr_info.drivername);
        (void)string_at(lstr_info.portname);
        devmode.dmfields = 536870911; // every field valid
        const std::int32_t ll_ret
            = documentproperties(0, ll_hprinter, ls_drivername, 0, devmode, dm_in_buffer + dm_out_default);
        li_ret = ll_ret > 0 ? 1 : static_cast<std::int16_t>(ll_ret);
    }
    closeprinter(ll_hprinter);
    return li_ret;
}

std::int16_t n_printer::of_direct(const std::string& printername, const std::string&)
{
    const std::uint32_t ll_hdc = createdc(0, printername, 0, 0);
    deletedc(ll_hdc);
    return 1;
}

std::int16_t n_printer::apply_dialog(std::uint32_t hdevmode, std::uint32_t hdevnames)
{
    str_devmode lstr_devmode {};
    std::uint32_t ll_address = globallock(hdevmode);
    copymem(lstr_devmode, ll_address, devmode_len);
    globalunlock(hdevmode);

    const std::uint32_t ll_size = globalsize(hdevnames);
    ll_address = globallock(hdevnames);
    str_devnames lstr_devnames {};
    copymem(lstr_devnames, ll_address, devnames_len);
    Blob lb_names = blank(ll_size);
    copymem(lb_names, ll_address, ll_size);
    globalunlock(hdevnames);
    // The dialog's blocks are the caller's to free.
    globalfree(hdevmode);
    globalfree(hdevnames);

    const std::string ls_device = of_getstringfromblob(lb_names, lstr_devnames.wdeviceoffset + 1);
    (void)of_getstringfromblob(lb_names, lstr_devnames.wdriveroffset + 1);
    (void)of_getstringfromblob(lb_names, lstr_devnames.woutputoffset + 1);

    // Settings the user chose but did not get are said, and nothing prints with them.
    if (of_modifyprinter(ls_device, lstr_devmode) != 1 || of_setdefault(ls_device) != 1) {
        if (Desktop* desktop = Desktop::current())
            desktop->message_box(Value("提示信息"), Value("打印机“" + ls_device + "”的设置没有保存，请重新设置。"),
                                 Icon::Exclamation);
        return -1;
    }
    return 1;
}

std::int16_t n_printer::of_printsetup(std::uint32_t hwnd)
{
    win32::CallScope scope;
    str_printdlg lstr_printdlg {};
    lstr_printdlg.lstructsize = printdlg_len;
    lstr_printdlg.hwndowner = hwnd;
    lstr_printdlg.flags = 524332; // no selection, no page numbers, print to file ticked and disabled
    if (printdlg(lstr_printdlg) == 0)
        return -1;
    return apply_dialog(lstr_printdlg.hdevmode, lstr_printdlg.hdevnames);
}

std::int16_t n_printer::of_pagesetup(std::uint32_t hwnd, std::int32_t& left, std::int32_t& right, std::int32_t& top,
                                     std::int32_t& bottom)
{
    win32::CallScope scope;
    str_pagesetupdlg lstr_pagesetup {};
    lstr_pagesetup.lstructsize = pagesetupdlg_len;
    lstr_pagesetup.hwndowner = hwnd;
    lstr_pagesetup.flags = psd_inhundredthsofmillimeters;
    if (!pagesetupdlg(lstr_pagesetup))
        return -1;
    if (apply_dialog(lstr_pagesetup.hdevmode, lstr_pagesetup.hdevnames) != 1)
        return -1;
    left = lstr_pagesetup.rtmargin.left;
    right = lstr_pagesetup.rtmargin.right;
    top = lstr_pagesetup.rtmargin.top;
    bottom = lstr_pagesetup.rtmargin.bottom;
    return 1;
}

} // namespace hearth
