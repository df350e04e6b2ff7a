#pragma once
// The Win32 calls the printer service declares, as they behave for the arguments it passes:
// winspool (printers, device modes, capabilities), gdi32 (device contexts), kernel32 (global
// memory, RtlMoveMemory) and comdlg32 (the print and page setup dialogs, answered through the
// ui layer). Buffers are the caller's bytes, passed with their real size: the layer never
// writes past them, whatever size the caller claims. Addresses are those of the layer's
// AddressSpace; reading or writing one that is not mapped throws RuntimeError (25015), the
// host's failed-call error.

#include "host/value/value.h"
#include "host/win32/address_space.h"
#include "host/win32/records.h"
#include "host/win32/spooler.h"

#include <filesystem>
#include <map>
#include <memory>
#include <span>
#include <string>

namespace hearth::win32 {

using Bytes = std::span<std::uint8_t>;
using ConstBytes = std::span<const std::uint8_t>;

// The layer's state: its spooler, its address space and its handles.
class System {
public:
    // The layer the process uses. Made on first use with the spooler the user's configuration
    // chooses (configured_spooler) and the user's config folder.
    static System& current();

    // Puts a spooler behind the layer, with the folder where win.ini is kept; every handle
    // and every block of memory is dropped.
    void use(std::unique_ptr<Spooler> spooler, std::filesystem::path folder);
    Spooler& spooler();
    AddressSpace& memory() { return m_memory; }
    // GetLastError() after the last failed call.
    std::uint32_t last_error() const { return m_last_error; }

    // The printer behind an OpenPrinterA handle; nullptr for none.
    const std::string* printer_of(Handle handle) const;
    Handle open(std::string name);
    bool close(Handle handle);
    Handle create_dc(std::string name);
    bool delete_dc(Handle handle);
    // Global memory blocks: handle -> base address.
    Handle global_alloc(std::size_t bytes);
    Address global_base(Handle handle) const;
    bool global_free(Handle handle);
    std::uint32_t& lock_count(Handle handle) { return m_globals[handle].locks; }

    bool fail(std::uint32_t error)
    {
        m_last_error = error;
        return false;
    }

private:
    struct Global {
        Address base = 0;
        std::uint32_t locks = 0;
    };
    std::unique_ptr<Spooler> m_spooler;
    std::filesystem::path m_folder;
    AddressSpace m_memory;
    std::map<Handle, std::string> m_printers;
    std::map<Handle, std::string> m_dcs;
    std::map<Handle, Global> m_globals;
    Handle m_next_handle = 0x00A00004;
    std::uint32_t m_last_error = 0;

    friend std::filesystem::path profile_file(std::string_view name);
};

// One call of the printer service: the buffers its Win32 calls map live until it ends.
class CallScope {
public:
    CallScope() : m_mark(System::current().memory().mark()) {}
    ~CallScope() { System::current().memory().release(m_mark); }
    CallScope(const CallScope&) = delete;
    CallScope& operator=(const CallScope&) = delete;

private:
    AddressSpace::Mark m_mark;
};

// ---- winspool -------------------------------------------------------------------------------
// Level 2 only. Too small a buffer: false, `needed` the bytes needed, `returned` 0.
bool EnumPrintersA(std::uint32_t flags, const std::string* name, std::uint32_t level, Bytes buffer,
                   std::uint32_t cb_buf, std::uint32_t& needed, std::uint32_t& returned);
// False for a printer the spooler does not know.
bool OpenPrinterA(const std::string& name, Handle& printer);
bool ClosePrinter(Handle printer);
bool GetPrinterA(Handle printer, std::uint32_t level, Bytes buffer, std::uint32_t cb_buf, std::uint32_t& needed);
// Level 2, command 0: takes the default attribute bit and the device mode at pDevMode.
bool SetPrinterA(Handle printer, std::uint32_t level, ConstBytes buffer, std::uint32_t command);
// Modes 0 (size), 2 (out buffer), 8 (merge the flagged fields of `in`), 1 (store as the
// printer's default), combined. IDOK, or -1 for a bad handle, a short buffer or a device mode
// the driver refuses.
std::int32_t DocumentPropertiesA(Handle hwnd, Handle printer, const std::string& device, Bytes out, ConstBytes in,
                                 std::uint32_t mode);
// DC_PAPERS (16-bit codes), DC_PAPERSIZE, DC_ORIENTATION, DC_SIZE, DC_EXTRA, DC_FIELDS. With
// an output buffer, writes only the entries that fit and returns how many it wrote; without,
// returns the count. -1 for an unknown printer or capability.
std::int32_t DeviceCapabilitiesA(const std::string& device, const std::string& port, std::uint16_t capability,
                                 Bytes output);

// ---- gdi32 ----------------------------------------------------------------------------------
Handle CreateDCA(const std::string& device);
bool DeleteDC(Handle dc);

// ---- kernel32 -------------------------------------------------------------------------------
Handle GlobalAlloc(std::uint32_t flags, std::uint32_t bytes);
Handle GlobalFree(Handle memory);
Address GlobalLock(Handle memory);
bool GlobalUnlock(Handle memory);
std::uint32_t GlobalSize(Handle memory);
// Copies `length` bytes; a length beyond either side's bytes is a failed call.
void RtlMoveMemory(Bytes dest, ConstBytes source, std::uint32_t length);
void RtlMoveMemory(Bytes dest, Address source, std::uint32_t length);
void RtlMoveMemory(Address dest, ConstBytes source, std::uint32_t length);
// String(address, "address"): the zero-terminated ANSI text at the address, as UTF-8.
std::string string_at(Address address);

// ---- comdlg32 -------------------------------------------------------------------------------
// The dialogs start from the default printer and return new global blocks in hDevMode (a
// complete device mode) and hDevNames (at least 104 bytes). 0 / false when cancelled, when
// there is no desktop or no printer, or when the record's size is wrong.
std::int32_t PrintDlgA(PrintDlg& dialog);
bool PageSetupDlgA(PageSetupDlg& dialog);

// The profile file a name stands for: "win.ini" is kept by the layer, its [windows] device
// entry naming the default printer as "name,winspool,port". Other names are passed through.
std::filesystem::path profile_file(std::string_view name);

} // namespace hearth::win32
