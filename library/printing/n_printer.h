#pragma once
// n_printer: the printer service of the application's windows. It lists the printers, reads
// and sets the default printer, reads a printer's driver, port, status and attributes, reads
// and changes the paper and orientation of its default device mode, and runs the print and
// page setup dialogs. It keeps no state between calls: every function opens what it needs
// and closes it again. All printer work goes through the Win32 calls it declares (host/win32),
// with its own structures copied byte for byte.

#include "host/object/class_registry.h"
#include "host/object/script.h"
#include "host/value/value_array.h"

#include <cstdint>
#include <string>

namespace hearth {

class n_printer : public Object {
public:
    // ---- Structures (fields in this order, no gaps) -----------------------------------------
#pragma pack(push, 1)
    struct str_printer_info_1 {
        std::int32_t flags, description, name, comment;
    };
    struct str_printer_info_2 {
        std::int32_t servername, printername, sharename, portname, drivername, comment, location, devmode, sepfile,
            printprocessor, datatype, parameters, securitydescriptor;
        std::int32_t attributes, priority, defaultpriority, starttime, untiltime, status, cjobs, averageppm;
        char reserve[500];
    };
    struct str_devmode {
        char dmdevicename[32];
        std::uint16_t dmspecversion, dmdriverversion, dmsize, dmdriverextra;
        std::uint32_t dmfields;
        std::int16_t dmorientation, dmpapersize, dmpaperlength, dmpaperwidth, dmscale, dmcopies, dmdefaultsource,
            dmprintquality, dmcolor, dmduplex, dmyresolution, dmttoption, dmcollate;
        char dmformname[32];
        std::int16_t dmlogpixels;
        std::int32_t dmbitsperpel, dmpelswidth, dmpelsheight, dmdisplayflags, dmdisplayfrequency, dmicmmethod,
            dmicmintent, dmmediatype, dmdithertype, dmreserved1, dmreserved2;
        std::int32_t dmreserved3;
    };
    struct str_printer_defaults {
        std::int32_t datatype, devmode, desiredaccess;
    };
    struct str_printdlg {
        std::uint32_t lstructsize, hwndowner, hdevmode, hdevnames, hdc, flags;
        std::uint16_t nfrompage, ntopage, nminpage, nmaxpage, ncopies;
        std::uint32_t hinstance, lcustdata, lpfnprinthook, lpfnsetuphook, lpprinttemplatename, lpsetuptemplatename,
            hprinttemplate, hsetuptemplate;
        std::uint32_t reserve1;
    };
    struct str_devnames {
        std::uint16_t wdriveroffset, wdeviceoffset, woutputoffset, wdefault;
        char drivername[32], devicename[32], portname[32];
    };
    struct str_point {
        std::int32_t x, y;
    };
    struct str_rect {
        std::int32_t left, top, right, bottom;
    };
    struct str_pagesetupdlg {
        std::uint32_t lstructsize, hwndowner, hdevmode, hdevnames, flags;
        str_point ptpapersize;
        str_rect rtminmargin, rtmargin;
        std::uint32_t hinstance, lcustdata, lpfnpagesetuphook, lpfnpagepainthook, lppagesetuptemplatename,
            hpagesetuptemplate;
    };
#pragma pack(pop)

    // ---- Constants (the values of the same-named Win32 symbols) ------------------------------
    static constexpr std::uint32_t printer_enum_default = 1;
    static constexpr std::uint32_t printer_enum_local = 2;
    static constexpr std::uint32_t printer_enum_connections = 4;
    static constexpr std::uint32_t printer_enum_favorite = 4;
    static constexpr std::uint32_t printer_enum_name = 8;
    static constexpr std::uint32_t printer_enum_remote = 16;
    static constexpr std::uint32_t printer_enum_shared = 32;
    static constexpr std::uint32_t printer_enum_network = 64;
    static constexpr std::uint32_t printer_enum_expand = 16384;
    static constexpr std::uint32_t printer_enum_container = 32768;
    static constexpr std::uint32_t printer_enum_iconmask = 16711680;
    static constexpr std::uint32_t printer_enum_icon1 = 65536;
    static constexpr std::uint32_t printer_enum_icon2 = 131072;
    static constexpr std::uint32_t printer_enum_icon3 = 262144;
    static constexpr std::uint32_t printer_enum_icon4 = 524288;
    static constexpr std::uint32_t printer_enum_icon5 = 1048576;
    static constexpr std::uint32_t printer_enum_icon6 = 2097152;
    static constexpr std::uint32_t printer_enum_icon7 = 4194304;
    static constexpr std::uint32_t printer_enum_icon8 = 8388608;
    static constexpr std::int16_t printer_info_1_len = 16;
    static constexpr std::int16_t printer_info_2_len = 84;
    static constexpr std::int16_t devmode_len = 148;
    static constexpr std::int16_t printdlg_len = 66;
    static constexpr std::int16_t devnames_len = 104;
    static constexpr std::int16_t pagesetupdlg_len = 84;
    static constexpr std::uint32_t dm_orientation = 1;
    static constexpr std::uint32_t dm_papersize = 2;
    static constexpr std::uint32_t dm_paperlength = 4;
    static constexpr std::uint32_t dm_paperwidth = 8;
    static constexpr std::uint32_t dm_scale = 16;
    static constexpr std::uint32_t dm_position = 32;
    static constexpr std::uint32_t dm_nup = 64;
    static constexpr std::uint32_t dm_displayorientation = 128;
    static constexpr std::uint32_t dm_copies = 256;
    static constexpr std::uint32_t dm_defaultsource = 512;
    static constexpr std::uint32_t dm_printquality = 1024;
    static constexpr std::uint32_t dm_color = 2048;
    static constexpr std::uint32_t dm_duplex = 4096;
    static constexpr std::uint32_t dm_yresolution = 8192;
    static constexpr std::uint32_t dm_ttoption = 16384;
    static constexpr std::uint32_t dm_collate = 32768;
    static constexpr std::uint32_t dm_formname = 65536;
    static constexpr std::uint32_t dm_logpixels = 131072;
    static constexpr std::uint32_t dm_bitsperpel = 262144;
    static constexpr std::uint32_t dm_pelswidth = 524288;
    static constexpr std::uint32_t dm_pelsheight = 1048576;
    static constexpr std::uint32_t dm_displayflags = 2097152;
    static constexpr std::uint32_t dm_displayfrequency = 4194304;
    static constexpr std::uint32_t dm_icmmethod = 8388608;
    static constexpr std::uint32_t dm_icmintent = 16777216;
    static constexpr std::uint32_t dm_mediatype = 33554432;
    static constexpr std::uint32_t dm_dithertype = 67108864;
    static constexpr std::uint32_t dm_panningwidth = 134217728;
    static constexpr std::uint32_t dm_panningheight = 268435456;
    static constexpr std::uint32_t dmorient_portrait = 1;
    static constexpr std::uint32_t dmorient_landscape = 2;
    static constexpr std::uint32_t printer_attribute_queued = 1;
    static constexpr std::uint32_t printer_attribute_direct = 2;
    static constexpr std::uint32_t printer_attribute_default = 4;
    static constexpr std::uint32_t printer_attribute_shared = 8;
    static constexpr std::uint32_t printer_attribute_network = 16;
    static constexpr std::uint32_t printer_attribute_hidden = 32;
    static constexpr std::uint32_t printer_attribute_local = 64;
    static constexpr std::uint32_t printer_attribute_enable_devq = 128;
    static constexpr std::uint32_t printer_attribute_keepprintedjobs = 256;
    static constexpr std::uint32_t printer_attribute_do_complete_first = 512;
    static constexpr std::uint32_t printer_attribute_work_offline = 1024;
    static constexpr std::uint32_t printer_attribute_enable_bidi = 2048;
    static constexpr std::uint32_t printer_attribute_raw_only = 4096;
    static constexpr std::uint32_t dm_in_buffer = 8;
    static constexpr std::uint32_t dm_in_prompt = 4;
    static constexpr std::uint32_t dm_out_buffer = 2;
    static constexpr std::uint32_t dm_out_default = 1;
    static constexpr std::uint32_t dc_fields = 1;
    static constexpr std::uint32_t dc_papers = 2;
    static constexpr std::uint32_t dc_papersize = 3;
    static constexpr std::uint32_t dc_minextent = 4;
    static constexpr std::uint32_t dc_maxextent = 5;
    static constexpr std::uint32_t dc_bins = 6;
    static constexpr std::uint32_t dc_duplex = 7;
    static constexpr std::uint32_t dc_size = 8;
    static constexpr std::uint32_t dc_extra = 9;
    static constexpr std::uint32_t dc_version = 10;
    static constexpr std::uint32_t dc_driver = 11;
    static constexpr std::uint32_t dc_binnames = 12;
    static constexpr std::uint32_t dc_enumresolutions = 13;
    static constexpr std::uint32_t dc_filedependencies = 14;
    static constexpr std::uint32_t dc_truetype = 15;
    static constexpr std::uint32_t dc_papernames = 16;
    static constexpr std::uint32_t dc_orientation = 17;
    static constexpr std::uint32_t dc_copies = 18;
    static constexpr std::uint16_t dmpaper_letter = 1;
    static constexpr std::uint16_t dmpaper_lettersmall = 2;
    static constexpr std::uint16_t dmpaper_tabloid = 3;
    static constexpr std::uint16_t dmpaper_ledger = 4;
    static constexpr std::uint16_t dmpaper_legal = 5;
    static constexpr std::uint16_t dmpaper_statement = 6;
    static constexpr std::uint16_t dmpaper_executive = 7;
    static constexpr std::uint16_t dmpaper_a3 = 8;
    static constexpr std::uint16_t dmpaper_a4 = 9;
    static constexpr std::uint16_t dmpaper_a4small = 10;
    static constexpr std::uint16_t dmpaper_a5 = 11;
    static constexpr std::uint16_t dmpaper_b4 = 12;
    static constexpr std::uint16_t dmpaper_b5 = 13;
    static constexpr std::uint16_t dmpaper_folio = 14;
    static constexpr std::uint16_t dmpaper_quarto = 15;
    static constexpr std::uint16_t dmpaper_10x14 = 16;
    static constexpr std::uint16_t dmpaper_11x17 = 17;
    static constexpr std::uint16_t dmpaper_note = 18;
    static constexpr std::uint16_t dmpaper_env_9 = 19;
    static constexpr std::uint16_t dmpaper_env_10 = 20;
    static constexpr std::uint16_t dmpaper_env_11 = 21;
    static constexpr std::uint16_t dmpaper_env_12 = 22;
    static constexpr std::uint16_t dmpaper_env_14 = 23;
    static constexpr std::uint16_t dmpaper_csheet = 24;
    static constexpr std::uint16_t dmpaper_dsheet = 25;
    static constexpr std::uint16_t dmpaper_esheet = 26;
    static constexpr std::uint16_t dmpaper_env_dl = 27;
    static constexpr std::uint16_t dmpaper_env_c5 = 28;
    static constexpr std::uint16_t dmpaper_env_c3 = 29;
    static constexpr std::uint16_t dmpaper_env_c4 = 30;
    static constexpr std::uint16_t dmpaper_env_c6 = 31;
    static constexpr std::uint16_t dmpaper_env_c65 = 32;
    static constexpr std::uint16_t dmpaper_env_b4 = 33;
    static constexpr std::uint16_t dmpaper_env_b5 = 34;
    static constexpr std::uint16_t dmpaper_env_b6 = 35;
    static constexpr std::uint16_t dmpaper_env_italy = 36;
    static constexpr std::uint16_t dmpaper_env_monarch = 37;
    static constexpr std::uint16_t dmpaper_env_personal = 38;
    static constexpr std::uint16_t dmpaper_fanfold_us = 39;
    static constexpr std::uint16_t dmpaper_fanfold_std_german = 40;
    static constexpr std::uint16_t dmpaper_fanfold_lgl_german = 41;
    static constexpr std::uint16_t dmpaper_iso_b4 = 42;
    static constexpr std::uint16_t dmpaper_japanese_postcard = 43;
    static constexpr std::uint16_t dmpaper_9x11 = 44;
    static constexpr std::uint16_t dmpaper_10x11 = 45;
    static constexpr std::uint16_t dmpaper_15x11 = 46;
    static constexpr std::uint16_t dmpaper_env_invite = 47;
    static constexpr std::uint16_t dmpaper_reserved_48 = 48;
    static constexpr std::uint16_t dmpaper_reserved_49 = 49;
    static constexpr std::uint16_t dmpaper_letter_extra = 50;
    static constexpr std::uint16_t dmpaper_legal_extra = 51;
    static constexpr std::uint16_t dmpaper_tabloid_extra = 52;
    static constexpr std::uint16_t dmpaper_a4_extra = 53;
    static constexpr std::uint16_t dmpaper_letter_transverse = 54;
    static constexpr std::uint16_t dmpaper_a4_transverse = 55;
    static constexpr std::uint16_t dmpaper_letter_extra_transverse = 56;
    static constexpr std::uint16_t dmpaper_a_plus = 57;
    static constexpr std::uint16_t dmpaper_b_plus = 58;
    static constexpr std::uint16_t dmpaper_letter_plus = 59;
    static constexpr std::uint16_t dmpaper_a4_plus = 60;
    static constexpr std::uint16_t dmpaper_a5_transverse = 61;
    static constexpr std::uint16_t dmpaper_b5_transverse = 62;
    static constexpr std::uint16_t dmpaper_a3_extra = 63;
    static constexpr std::uint16_t dmpaper_a5_extra = 64;
    static constexpr std::uint16_t dmpaper_b5_extra = 65;
    static constexpr std::uint16_t dmpaper_a2 = 66;
    static constexpr std::uint16_t dmpaper_a3_transverse = 67;
    static constexpr std::uint16_t dmpaper_a3_extra_transverse = 68;
    static constexpr std::uint16_t dmpaper_user = 256;
    static constexpr std::uint16_t gmem_moveable = 2;
    static constexpr std::uint32_t pd_allpages = 0;
    static constexpr std::uint32_t pd_selection = 1;
    static constexpr std::uint32_t pd_pagenums = 2;
    static constexpr std::uint32_t pd_noselection = 4;
    static constexpr std::uint32_t pd_nopagenums = 8;
    static constexpr std::uint32_t pd_collate = 16;
    static constexpr std::uint32_t pd_printtofile = 32;
    static constexpr std::uint32_t pd_printsetup = 64;
    static constexpr std::uint32_t pd_nowarning = 128;
    static constexpr std::uint32_t pd_returndc = 256;
    static constexpr std::uint32_t pd_returnic = 512;
    static constexpr std::uint32_t pd_returndefault = 1024;
    static constexpr std::uint32_t pd_showhelp = 2048;
    static constexpr std::uint32_t pd_enableprinthook = 4096;
    static constexpr std::uint32_t pd_enablesetuphook = 8192;
    static constexpr std::uint32_t pd_enableprinttemplate = 16384;
    static constexpr std::uint32_t pd_enablesetuptemplate = 32768;
    static constexpr std::uint32_t pd_enableprinttemplatehandle = 65536;
    static constexpr std::uint32_t pd_enablesetuptemplatehandle = 131072;
    static constexpr std::uint32_t pd_usedevmodecopies = 262144;
    static constexpr std::uint32_t pd_usedevmodecopiesandcollate = 262144;
    static constexpr std::uint32_t pd_disableprinttofile = 524288;
    static constexpr std::uint32_t pd_hideprinttofile = 1048576;
    static constexpr std::uint32_t pd_nonetworkbutton = 2097152;
    static constexpr std::uint32_t psd_defaultminmargins = 0;
    static constexpr std::uint32_t psd_inwininiintlmeasure = 0;
    static constexpr std::uint32_t psd_minmargins = 1;
    static constexpr std::uint32_t psd_margins = 2;
    static constexpr std::uint32_t psd_inthousandthsofinches = 4;
    static constexpr std::uint32_t psd_inhundredthsofmillimeters = 8;
    static constexpr std::uint32_t psd_disablemargins = 16;
    static constexpr std::uint32_t psd_disableprinter = 32;
    static constexpr std::uint32_t psd_nowarning = 128;
    static constexpr std::uint32_t psd_disableorientation = 256;
    static constexpr std::uint32_t psd_disablepaper = 512;
    static constexpr std::uint32_t psd_returndefault = 1024;
    static constexpr std::uint32_t psd_showhelp = 2048;
    static constexpr std::uint32_t psd_enablepagesetuphook = 8192;
    static constexpr std::uint32_t psd_enablepagesetuptemplate = 32768;
    static constexpr std::uint32_t psd_enablepagesetuptemplatehandle = 131072;
    static constexpr std::uint32_t psd_enablepagepainthook = 262144;
    static constexpr std::uint32_t psd_disablepagepainting = 524288;
    static constexpr std::uint32_t psd_nonetworkbutton = 2097152;

    // ---- Printers, default printer and status ------------------------------------------------
    // Opens the printer, reads its printer record and performs one numbered command (see the
    // .cpp). 1 done; -1 printer not found, data not obtainable or paper not supported; other
    // values below 1 from a refused device-mode update.
    std::int16_t of_printer(const std::string& printername, std::int16_t command, Value& outpara,
                            std::int16_t& papersize, std::int16_t& paperwidth, std::int16_t& paperlength);
    // The local printers' names into printerlist[1..n]; n, or -1 on failure (list untouched).
    std::int16_t of_getprinterlist(ValueArray& printerlist);
    // The default printer as win.ini's [windows] device entry names it; "" if none.
    std::string of_getpbprinter();
    // Makes the printer the default one: 1, or -1.
    std::int16_t of_setdefault(const std::string& printername);
    // Driver and port names; "" on failure.
    std::string of_getdrivername(const std::string& printername);
    std::string of_getportname(const std::string& printername);
    // Status and attribute words; -1 on failure.
    std::int32_t of_getstatus(const std::string& printername);
    std::int16_t of_getattribute(const std::string& printername);
    // The zero-terminated ANSI text in source from byte position offset (1-based); "" past the end.
    std::string of_getstringfromblob(const Blob& source, std::int16_t offset);

    // ---- Device mode, paper size and dialogs -------------------------------------------------
    // Paper code, width and length (tenths of a millimetre) of the default device mode: 1, or
    // -1 leaving the arguments as they were.
    std::int16_t of_getpapersize(const std::string& printername, std::int16_t& papersize, std::int16_t& paperwidth,
                                 std::int16_t& paperheight);
    // Sets the paper of the default device mode (width and length only for 256): 1, -1 for a
    // paper the printer does not list, or the driver's refusal.
    std::int16_t of_setpapersize(const std::string& printername, std::int16_t papersize, std::int16_t paperwidth,
                                 std::int16_t paperheight);
    // Writes a whole device mode as the printer's default: 1, -1, or the driver's refusal.
    std::int16_t of_modifyprinter(const std::string& printername, str_devmode devmode);
    // Makes and drops a device context for the printer; always 1.
    std::int16_t of_direct(const std::string& printername, const std::string& data);
    // The print dialog: the printer chosen becomes the default with the device mode chosen.
    // 1 confirmed and applied; -1 cancelled, or not applied (the user is told).
    std::int16_t of_printsetup(std::uint32_t hwnd);
    // The page setup dialog, as of_printsetup; on 1 the margins (hundredths of a millimetre).
    std::int16_t of_pagesetup(std::uint32_t hwnd, std::int32_t& left, std::int32_t& right, std::int32_t& top,
                              std::int32_t& bottom);

private:
    // After a confirmed dialog: the device mode and the printer chosen become the defaults.
    std::int16_t apply_dialog(std::uint32_t hdevmode, std::uint32_t hdevnames);
};

// Registration entry of n_printer.
const ClassTable& _getVtableInfo_n_printer();

} // namespace hearth
