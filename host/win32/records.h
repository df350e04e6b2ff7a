#pragma once
// The ANSI Win32 printing records as a 32-bit program lays them out, byte for byte: the
// printer service copies them with RtlMoveMemory into its own structures of the same shape.
// Address fields are 32-bit values in the layer's own address space (address_space.h).

#include <bit>
#include <cstddef>
#include <cstdint>

namespace hearth::win32 {

static_assert(std::endian::native == std::endian::little, "the records are copied byte for byte, little-endian");

using Address = std::uint32_t;
using Handle = std::uint32_t;

#pragma pack(push, 1)

// PRINTER_INFO_2A: 13 addresses, then 8 numbers.
struct PrinterInfo2 {
    Address pServerName, pPrinterName, pShareName, pPortName, pDriverName, pComment, pLocation, pDevMode, pSepFile,
        pPrintProcessor, pDatatype, pParameters, pSecurityDescriptor;
    std::uint32_t Attributes, Priority, DefaultPriority, StartTime, UntilTime, Status, cJobs, AveragePPM;
};

// DEVMODEA with its printer branch; the 148-byte prefix ends at dmReserved2.
struct DevMode {
    char dmDeviceName[32];
    std::uint16_t dmSpecVersion, dmDriverVersion, dmSize, dmDriverExtra;
    std::uint32_t dmFields;
    std::int16_t dmOrientation, dmPaperSize, dmPaperLength, dmPaperWidth, dmScale, dmCopies, dmDefaultSource,
        dmPrintQuality, dmColor, dmDuplex, dmYResolution, dmTTOption, dmCollate;
    char dmFormName[32];
    std::uint16_t dmLogPixels;
    std::uint32_t dmBitsPerPel, dmPelsWidth, dmPelsHeight, dmDisplayFlags, dmDisplayFrequency, dmICMMethod, dmICMIntent,
        dmMediaType, dmDitherType, dmReserved1, dmReserved2, dmPanningWidth, dmPanningHeight;
};

// PRINTDLGA: byte-packed, as the 32-bit common dialogs declare it.
struct PrintDlg {
    std::uint32_t lStructSize;
    Handle hwndOwner, hDevMode, hDevNames, hDC;
    std::uint32_t Flags;
    std::uint16_t nFromPage, nToPage, nMinPage, nMaxPage, nCopies;
    std::uint32_t hInstance, lCustData, lpfnPrintHook, lpfnSetupHook, lpPrintTemplateName, lpSetupTemplateName,
        hPrintTemplate, hSetupTemplate;
};

// The head of a DEVNAMES block: offsets of the driver, device and port names in the block.
struct DevNames {
    std::uint16_t wDriverOffset, wDeviceOffset, wOutputOffset, wDefault;
};

struct Point {
    std::int32_t x, y;
};

struct Rect {
    std::int32_t left, top, right, bottom;
};

// PAGESETUPDLGA.
struct PageSetupDlg {
    std::uint32_t lStructSize;
    Handle hwndOwner, hDevMode, hDevNames;
    std::uint32_t Flags;
    Point ptPaperSize;
    Rect rtMinMargin, rtMargin;
    std::uint32_t hInstance, lCustData, lpfnPageSetupHook, lpfnPagePaintHook, lpPageSetupTemplateName,
        hPageSetupTemplate;
};

#pragma pack(pop)

static_assert(sizeof(PrinterInfo2) == 84);
static_assert(sizeof(DevMode) == 156 && offsetof(DevMode, dmPanningWidth) == 148);
static_assert(sizeof(PrintDlg) == 66);
static_assert(sizeof(DevNames) == 8);
static_assert(sizeof(PageSetupDlg) == 84);

// The part of a device mode that 148-byte copies reach.
inline constexpr std::size_t devmode_prefix = 148;
// A DEVNAMES block is at least this long: callers copy 8 + 3 x 32 bytes whatever its strings.
inline constexpr std::size_t devnames_block_min = 104;
inline constexpr std::uint16_t dm_specversion = 0x0401;

// dmFields bits the printer branch uses.
inline constexpr std::uint32_t dm_orientation = 0x1, dm_papersize = 0x2, dm_paperlength = 0x4, dm_paperwidth = 0x8,
                               dm_scale = 0x10, dm_copies = 0x100, dm_all_fields = 0x1FFFFFFF;
inline constexpr std::int16_t dmorient_portrait = 1, dmorient_landscape = 2;
inline constexpr std::int16_t dmpaper_letter = 1, dmpaper_a4 = 9, dmpaper_user = 256;

// DocumentPropertiesA modes.
inline constexpr std::uint32_t dm_out_default = 1, dm_out_buffer = 2, dm_in_prompt = 4, dm_in_buffer = 8;
inline constexpr std::int32_t idok = 1;

// DeviceCapabilitiesA capabilities the layer answers.
inline constexpr std::uint16_t dc_fields = 1, dc_papers = 2, dc_papersize = 3, dc_size = 8, dc_extra = 9,
                               dc_orientation = 17;

// PRINTER_ATTRIBUTE_* and PRINTER_STATUS_* bits.
inline constexpr std::uint32_t printer_attribute_queued = 0x1, printer_attribute_default = 0x4,
                               printer_attribute_shared = 0x8, printer_attribute_network = 0x10,
                               printer_attribute_local = 0x40, printer_attribute_work_offline = 0x400;
inline constexpr std::uint32_t printer_status_paused = 0x1, printer_status_error = 0x2, printer_status_paper_jam = 0x8,
                               printer_status_paper_out = 0x10, printer_status_offline = 0x80,
                               printer_status_printing = 0x400, printer_status_not_available = 0x1000,
                               printer_status_processing = 0x4000, printer_status_toner_low = 0x20000,
                               printer_status_no_toner = 0x40000, printer_status_user_intervention = 0x100000,
                               printer_status_door_open = 0x400000;

// EnumPrintersA flags.
inline constexpr std::uint32_t printer_enum_default = 0x1, printer_enum_local = 0x2, printer_enum_connections = 0x4;

// GetLastError codes the layer sets.
inline constexpr std::uint32_t error_invalid_handle = 6, error_invalid_parameter = 87, error_insufficient_buffer = 122,
                               error_invalid_level = 124, error_invalid_printer_name = 1801;

// The DMPAPER code's paper, width and length in tenths of a millimetre (portrait); nullptr
// for a code the layer does not size.
struct PaperSize {
    std::int16_t code;
    std::int16_t width;
    std::int16_t length;
    const char* name; // the form name a device mode carries
};
const PaperSize* paper_size(std::int16_t code);

} // namespace hearth::win32
