#include "host/win32/winspool.h"

#include "host/ui/desktop.h"
#include "host/value/encoding.h"
#include "host/value/files.h"
#include "host/value/runtime_error.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstring>

namespace hearth::win32 {

// ---- The layer's state ------------------------------------------------------------------------

System& System::current()
{
    static System system;
    return system;
}

void System::use(std::unique_ptr<Spooler> spooler, std::filesystem::path folder)
{
    m_spooler = std::move(spooler);
    m_folder = std::move(folder);
    m_memory = AddressSpace();
    m_printers.clear();
    m_dcs.clear();
    m_globals.clear();
}

Spooler& System::spooler()
{
    if (!m_spooler) {
        m_folder = config_folder();
        m_spooler = configured_spooler(m_folder);
    }
    return *m_spooler;
}

const std::string* System::printer_of(Handle handle) const
{
    auto it = m_printers.find(handle);
    return it == m_printers.end() ? nullptr : &it->second;
}

Handle System::open(std::string name)
{
    const Handle handle = m_next_handle += 4;
    m_printers.emplace(handle, std::move(name));
    return handle;
}

bool System::close(Handle handle) { return m_printers.erase(handle) > 0; }

Handle System::create_dc(std::string name)
{
    const Handle handle = m_next_handle += 4;
    m_dcs.emplace(handle, std::move(name));
    return handle;
}

bool System::delete_dc(Handle handle) { return m_dcs.erase(handle) > 0; }

Handle System::global_alloc(std::size_t bytes)
{
    const Handle handle = m_next_handle += 4;
    m_globals[handle] = Global {m_memory.map(bytes, Lifetime::UntilUnmapped), 0};
    return handle;
}

Address System::global_base(Handle handle) const
{
    auto it = m_globals.find(handle);
    return it == m_globals.end() ? 0 : it->second.base;
}

bool System::global_free(Handle handle)
{
    auto it = m_globals.find(handle);
    if (it == m_globals.end())
        return false;
    m_memory.unmap(it->second.base);
    m_globals.erase(it);
    return true;
}

namespace {

System& sys() { return System::current(); }

std::optional<Printer> find_printer(std::string_view name)
{
    auto printers = sys().spooler().printers();
    if (!printers)
        return std::nullopt;
    for (Printer& p : *printers)
        if (p.name == name)
            return std::move(p);
    return std::nullopt;
}

// Level-2 records of `printers` back to back from `base`, their strings and device modes after
// them; addresses point into the same bytes.
std::vector<std::uint8_t> info2_image(const std::vector<Printer>& printers, Address base)
{
    std::vector<std::uint8_t> image(printers.size() * sizeof(PrinterInfo2));
    auto add_text = [&](std::string_view utf8) -> Address {
        const Address at = base + static_cast<Address>(image.size());
        const Blob ansi = encode_text(utf8, Encoding::Ansi);
        image.insert(image.end(), ansi.begin(), ansi.end());
        image.push_back(0);
        return at;
    };
    for (std::size_t i = 0; i < printers.size(); ++i) {
        const Printer& p = printers[i];
        PrinterInfo2 info {};
        info.pPrinterName = add_text(p.name);
        info.pShareName = add_text((p.attributes & printer_attribute_shared) ? p.name : "");
        info.pPortName = add_text(p.port);
        info.pDriverName = add_text(p.driver);
        info.pComment = add_text(p.comment);
        info.pLocation = add_text(p.location);
        info.pSepFile = add_text("");
        info.pPrintProcessor = add_text("winprint");
        info.pDatatype = add_text("RAW");
        info.pParameters = add_text("");
        image.resize((image.size() + 3) & ~std::size_t(3));
        info.pDevMode = base + static_cast<Address>(image.size());
        const auto* dm = reinterpret_cast<const std::uint8_t*>(&p.devmode);
        image.insert(image.end(), dm, dm + sizeof(DevMode));
        info.Attributes = p.attributes;
        info.Priority = 1;
        info.Status = p.status;
        info.cJobs = p.jobs;
        std::memcpy(image.data() + i * sizeof(PrinterInfo2), &info, sizeof info);
    }
    return image;
}

// Fills the caller's buffer with the records and maps their bytes; false with `needed` set
// when they do not fit in min(cb_buf, buffer size).
bool fill_info2(const std::vector<Printer>& printers, Bytes buffer, std::uint32_t cb_buf, std::uint32_t& needed)
{
    const std::size_t size = info2_image(printers, 0).size();
    needed = static_cast<std::uint32_t>(size);
    if (size > std::min<std::size_t>(cb_buf, buffer.size()))
        return sys().fail(error_insufficient_buffer);
    if (size == 0)
        return true;
    const Address base = sys().memory().map(size);
    const std::vector<std::uint8_t> image = info2_image(printers, base);
    std::copy(image.begin(), image.end(), sys().memory().bytes(base, size).begin());
    std::copy(image.begin(), image.end(), buffer.begin());
    return true;
}

// A device-mode field the printer branch keeps, by its dmFields bit.
struct Field {
    std::uint32_t bit;
    std::size_t offset;
    std::size_t size;
};
constexpr Field printer_fields[] = {
    {0x1, 44, 2},       {0x2, 46, 2},        {0x4, 48, 2},        {0x8, 50, 2},        {0x10, 52, 2},
    {0x100, 54, 2},     {0x200, 56, 2},      {0x400, 58, 2},      {0x800, 60, 2},      {0x1000, 62, 2},
    {0x2000, 64, 2},    {0x4000, 66, 2},     {0x8000, 68, 2},     {0x10000, 70, 32},   {0x40, 116, 4},
    {0x800000, 124, 4}, {0x1000000, 128, 4}, {0x2000000, 132, 4}, {0x4000000, 136, 4},
};

void set_form_name(DevMode& dm)
{
    std::memset(dm.dmFormName, 0, sizeof dm.dmFormName);
    if (const PaperSize* size = paper_size(dm.dmPaperSize))
        std::strncpy(dm.dmFormName, size->name, sizeof dm.dmFormName - 1);
}

// The printer's device mode with the flagged printer fields of `in` merged in; nullopt when
// the driver refuses the result (an orientation, paper, size, scale or copy count it cannot
// print).
std::optional<DevMode> merge(const Printer& printer, ConstBytes in)
{
    DevMode input {};
    std::memcpy(&input, in.data(), std::min(in.size(), sizeof input));
    DevMode dm = printer.devmode;
    auto* target = reinterpret_cast<std::uint8_t*>(&dm);
    for (const Field& f : printer_fields)
        if ((input.dmFields & f.bit) && f.offset + f.size <= in.size()) {
            std::memcpy(target + f.offset, in.data() + f.offset, f.size);
            dm.dmFields |= f.bit;
        }
    // A new paper brings its own size and form name unless the caller gives them: the device
    // mode never names one paper with another's size.
    if (input.dmFields & dm_papersize) {
        const PaperSize* size = paper_size(dm.dmPaperSize);
        if (size && !(input.dmFields & (dm_paperwidth | dm_paperlength))) {
            dm.dmPaperWidth = size->width;
            dm.dmPaperLength = size->length;
        }
        if (!(input.dmFields & 0x10000))
            set_form_name(dm);
    }
    const bool listed = std::find(printer.papers.begin(), printer.papers.end(), dm.dmPaperSize) != printer.papers.end();
    const bool user_size = dm.dmPaperSize == dmpaper_user && dm.dmPaperWidth > 0 && dm.dmPaperLength > 0;
    if ((dm.dmOrientation != dmorient_portrait && dm.dmOrientation != dmorient_landscape) || !(listed || user_size)
        || dm.dmCopies < 1 || dm.dmCopies > 9999 || dm.dmScale < 1 || dm.dmScale > 1000)
        return std::nullopt;
    return dm;
}

// New global blocks for a dialog's result: the complete device mode and the DEVNAMES block.
void give_device_blocks(const Printer& printer, const DevMode& devmode, bool is_default, Handle& hdevmode,
                        Handle& hdevnames)
{
    for (Handle* old : {&hdevmode, &hdevnames})
        if (*old)
            sys().global_free(*old);
    hdevmode = sys().global_alloc(sizeof(DevMode));
    RtlMoveMemory(sys().global_base(hdevmode),
                  ConstBytes(reinterpret_cast<const std::uint8_t*>(&devmode), sizeof devmode), sizeof devmode);

    std::vector<std::uint8_t> block(sizeof(DevNames));
    DevNames names {};
    auto add = [&](std::string_view utf8) {
        const auto at = static_cast<std::uint16_t>(block.size());
        const Blob ansi = encode_text(utf8, Encoding::Ansi);
        block.insert(block.end(), ansi.begin(), ansi.end());
        block.push_back(0);
        return at;
    };
    names.wDriverOffset = add("winspool");
    names.wDeviceOffset = add(printer.name);
    names.wOutputOffset = add(printer.port);
    names.wDefault = is_default ? 1 : 0;
    std::memcpy(block.data(), &names, sizeof names);
    block.resize(std::max(block.size(), devnames_block_min));
    hdevnames = sys().global_alloc(block.size());
    RtlMoveMemory(sys().global_base(hdevnames), block, static_cast<std::uint32_t>(block.size()));
}

// The printer the dialogs start from: the default, else the first one.
std::optional<Printer> dialog_printer()
{
    auto printers = sys().spooler().printers();
    if (!printers || printers->empty())
        return std::nullopt;
    const std::string name = sys().spooler().default_printer();
    for (Printer& p : *printers)
        if (p.name == name)
            return std::move(p);
    return std::move(printers->front());
}

} // namespace

// ---- winspool -------------------------------------------------------------------------------

bool EnumPrintersA(std::uint32_t flags, const std::string*, std::uint32_t level, Bytes buffer, std::uint32_t cb_buf,
                   std::uint32_t& needed, std::uint32_t& returned)
{
    returned = 0;
    needed = 0;
    if (level != 2)
        return sys().fail(error_invalid_level);
    auto printers = sys().spooler().printers();
    if (!printers)
        return sys().fail(error_invalid_parameter);
    std::vector<Printer> listed;
    for (Printer& p : *printers)
        if ((flags & (printer_enum_local | printer_enum_connections))
            || ((flags & printer_enum_default) && (p.attributes & printer_attribute_default)))
            listed.push_back(std::move(p));
    if (!fill_info2(listed, buffer, cb_buf, needed))
        return false;
    returned = static_cast<std::uint32_t>(listed.size());
    return true;
}

bool OpenPrinterA(const std::string& name, Handle& printer)
{
    if (!find_printer(name))
        return sys().fail(error_invalid_printer_name);
    printer = sys().open(name);
    return true;
}

bool ClosePrinter(Handle printer) { return sys().close(printer) || sys().fail(error_invalid_handle); }

bool GetPrinterA(Handle printer, std::uint32_t level, Bytes buffer, std::uint32_t cb_buf, std::uint32_t& needed)
{
    needed = 0;
    const std::string* name = sys().printer_of(printer);
    if (!name)
        return sys().fail(error_invalid_handle);
    if (level != 2)
        return sys().fail(error_invalid_level);
    std::optional<Printer> p = find_printer(*name);
    if (!p)
        return sys().fail(error_invalid_printer_name);
    return fill_info2({*p}, buffer, cb_buf, needed);
}

bool SetPrinterA(Handle printer, std::uint32_t level, ConstBytes buffer, std::uint32_t command)
{
    const std::string* name = sys().printer_of(printer);
    if (!name)
        return sys().fail(error_invalid_handle);
    if (level != 2 || command != 0 || buffer.size() < sizeof(PrinterInfo2))
        return sys().fail(error_invalid_parameter);
    std::optional<Printer> p = find_printer(*name);
    if (!p)
        return sys().fail(error_invalid_printer_name);
    PrinterInfo2 info {};
    std::memcpy(&info, buffer.data(), sizeof info);
    if (info.pDevMode) {
        DevMode dm {};
        RtlMoveMemory(Bytes(reinterpret_cast<std::uint8_t*>(&dm), devmode_prefix), info.pDevMode, devmode_prefix);
        if (std::memcmp(&dm, &p->devmode, devmode_prefix) != 0) {
            dm.dmFields |= p->devmode.dmFields;
            std::optional<DevMode> merged
                = merge(*p, ConstBytes(reinterpret_cast<const std::uint8_t*>(&dm), devmode_prefix));
            if (!merged || !sys().spooler().set_devmode(*name, *merged))
                return sys().fail(error_invalid_parameter);
        }
    }
    if ((info.Attributes & printer_attribute_default) && !(p->attributes & printer_attribute_default))
        if (!sys().spooler().set_default(*name))
            return sys().fail(error_invalid_parameter);
    return true;
}

std::int32_t DocumentPropertiesA(Handle, Handle printer, const std::string&, Bytes out, ConstBytes in,
                                 std::uint32_t mode)
{
    const std::string* name = sys().printer_of(printer);
    std::optional<Printer> p = name ? find_printer(*name) : std::nullopt;
    if (!p) {
        sys().fail(error_invalid_handle);
        return -1;
    }
    if (mode == 0)
        return sizeof(DevMode);
    DevMode dm = p->devmode;
    if (mode & dm_in_buffer) {
        if (in.size() < devmode_prefix)
            return -1;
        std::optional<DevMode> merged = merge(*p, in);
        if (!merged)
            return -1;
        dm = *merged;
    }
    if (mode & dm_out_buffer) {
        if (out.size() < sizeof dm)
            return -1;
        std::memcpy(out.data(), &dm, sizeof dm);
    }
    if ((mode & dm_out_default) && !sys().spooler().set_devmode(*name, dm))
        return -1;
    return idok;
}

std::int32_t DeviceCapabilitiesA(const std::string& device, const std::string&, std::uint16_t capability, Bytes output)
{
    std::optional<Printer> p = find_printer(device);
    if (!p)
        return -1;
    const auto count = static_cast<std::int32_t>(p->papers.size());
    switch (capability) {
    case dc_papers:
    case dc_papersize: {
        const std::size_t entry = capability == dc_papers ? 2 : sizeof(Point);
        if (output.empty())
            return count;
        const std::size_t fits = std::min<std::size_t>(p->papers.size(), output.size() / entry);
        for (std::size_t i = 0; i < fits; ++i) {
            if (capability == dc_papers) {
                std::memcpy(output.data() + i * entry, &p->papers[i], 2);
            } else {
                const PaperSize* size = paper_size(p->papers[i]);
                const Point point {size ? size->width : 0, size ? size->length : 0};
                std::memcpy(output.data() + i * entry, &point, sizeof point);
            }
        }
        return static_cast<std::int32_t>(fits);
    }
    case dc_orientation: return 90;
    case dc_size: return sizeof(DevMode);
    case dc_extra: return 0;
    case dc_fields: return static_cast<std::int32_t>(p->devmode.dmFields);
    default: return -1;
    }
}

// ---- gdi32 ----------------------------------------------------------------------------------

Handle CreateDCA(const std::string& device)
{
    if (!find_printer(device)) {
        sys().fail(error_invalid_printer_name);
        return 0;
    }
    return sys().create_dc(device);
}

bool DeleteDC(Handle dc) { return sys().delete_dc(dc); }

// ---- kernel32 -------------------------------------------------------------------------------

Handle GlobalAlloc(std::uint32_t, std::uint32_t bytes) { return sys().global_alloc(bytes); }

Handle GlobalFree(Handle memory) { return sys().global_free(memory) ? 0 : memory; }

Address GlobalLock(Handle memory)
{
    const Address base = sys().global_base(memory);
    if (base)
        ++sys().lock_count(memory);
    return base;
}

bool GlobalUnlock(Handle memory)
{
    if (!sys().global_base(memory))
        return false;
    std::uint32_t& locks = sys().lock_count(memory);
    if (locks > 0)
        --locks;
    return locks > 0;
}

std::uint32_t GlobalSize(Handle memory)
{
    const Address base = sys().global_base(memory);
    return base ? static_cast<std::uint32_t>(sys().memory().block_size(base)) : 0;
}

namespace {
void check_length(std::size_t available, std::uint32_t length, const char* side)
{
    if (length > available)
        throw RuntimeError(ErrorCode::CallFailed,
                           fmt::format("RtlMoveMemory: {} bytes from a {} of {}", length, side, available));
}
} // namespace

void RtlMoveMemory(Bytes dest, ConstBytes source, std::uint32_t length)
{
    check_length(dest.size(), length, "destination");
    check_length(source.size(), length, "source");
    std::memmove(dest.data(), source.data(), length);
}

void RtlMoveMemory(Bytes dest, Address source, std::uint32_t length)
{
    check_length(dest.size(), length, "destination");
    const Bytes from = sys().memory().bytes(source, length);
    std::memmove(dest.data(), from.data(), length);
}

void RtlMoveMemory(Address dest, ConstBytes source, std::uint32_t length)
{
    check_length(source.size(), length, "source");
    const Bytes to = sys().memory().bytes(dest, length);
    std::memmove(to.data(), source.data(), length);
}

std::string string_at(Address address)
{
    const std::string ansi = sys().memory().c_string(address);
    return decode_text(reinterpret_cast<const std::uint8_t*>(ansi.data()), ansi.size(), Encoding::Ansi);
}

// ---- comdlg32 -------------------------------------------------------------------------------

std::int32_t PrintDlgA(PrintDlg& dialog)
{
    Desktop* desktop = Desktop::current();
    std::optional<Printer> offered = dialog_printer();
    if (dialog.lStructSize != sizeof(PrintDlg) || !desktop || !offered)
        return 0;
    std::string chosen;
    if (desktop->print_dialog(offered->name, chosen) != 1)
        return 0;
    std::optional<Printer> p = find_printer(chosen);
    if (!p)
        return 0;
    give_device_blocks(*p, p->devmode, p->name == sys().spooler().default_printer(), dialog.hDevMode, dialog.hDevNames);
    return 1;
}

bool PageSetupDlgA(PageSetupDlg& dialog)
{
    constexpr std::uint32_t psd_margins = 0x2, psd_inthousandthsofinches = 0x4;
    Desktop* desktop = Desktop::current();
    std::optional<Printer> p = dialog_printer();
    if (dialog.lStructSize != sizeof(PageSetupDlg) || !desktop || !p)
        return false;
    // Margins travel in hundredths of a millimetre, or thousandths of an inch when asked.
    const bool inches = dialog.Flags & psd_inthousandthsofinches;
    auto to_unit
        = [&](std::int32_t hmm) { return inches ? static_cast<std::int32_t>((hmm * 1000LL + 1270) / 2540) : hmm; };
    auto from_unit = [&](std::int32_t v) { return inches ? static_cast<std::int32_t>((v * 2540LL + 500) / 1000) : v; };
    PageSetupChoice choice {p->devmode.dmPaperSize, p->devmode.dmOrientation, 2500, 2500, 2500, 2500};
    if (dialog.Flags & psd_margins)
        choice = {choice.paper,
                  choice.orientation,
                  from_unit(dialog.rtMargin.left),
                  from_unit(dialog.rtMargin.top),
                  from_unit(dialog.rtMargin.right),
                  from_unit(dialog.rtMargin.bottom)};
    if (desktop->page_setup_dialog(p->name, choice) != 1)
        return false;
    // The dialog offers only the printer's papers and the two orientations.
    DevMode dm = p->devmode;
    dm.dmPaperSize = choice.paper;
    dm.dmOrientation = choice.orientation;
    const PaperSize* size = paper_size(choice.paper);
    if (size) {
        dm.dmPaperWidth = size->width;
        dm.dmPaperLength = size->length;
    }
    set_form_name(dm);
    if (!merge(*p, ConstBytes(reinterpret_cast<const std::uint8_t*>(&dm), sizeof dm)) || !size)
        return false;
    give_device_blocks(*p, dm, p->name == sys().spooler().default_printer(), dialog.hDevMode, dialog.hDevNames);
    const bool landscape = dm.dmOrientation == dmorient_landscape;
    const std::int32_t width = to_unit(size->width * 10), length = to_unit(size->length * 10);
    dialog.ptPaperSize = landscape ? Point {length, width} : Point {width, length};
    dialog.rtMinMargin = Rect {0, 0, 0, 0};
    dialog.rtMargin = Rect {to_unit(choice.left), to_unit(choice.top), to_unit(choice.right), to_unit(choice.bottom)};
    return true;
}

// ---- win.ini --------------------------------------------------------------------------------

std::filesystem::path profile_file(std::string_view name)
{
    if (name != "win.ini" && name != "WIN.INI")
        return std::filesystem::path(name);
    System& s = sys();
    Spooler& spooler = s.spooler();
    std::string text = "[windows]\r\n";
    const std::string name_of_default = spooler.default_printer();
    if (std::optional<Printer> p = name_of_default.empty() ? std::nullopt : find_printer(name_of_default))
        text += fmt::format("device={},winspool,{}\r\n", p->name, p->port);
    const std::filesystem::path file = s.m_folder / "win.ini";
    auto current = read_file_bytes(file);
    if (!current || *current != text) {
        std::error_code ec;
        std::filesystem::create_directories(s.m_folder, ec);
        (void)write_file_atomically(file, text);
    }
    return file;
}

} // namespace hearth::win32
