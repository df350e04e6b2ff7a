// n_printer as the host sees it: its declared external functions and its functions as
// scripts in their slots, and its registration entry. A structure passed to an external
// function travels as a blob of its bytes, as the host marshals structures byte for byte.

#include "host/object/runtime.h"
#include "host/win32/winspool.h"
#include "library/printing/n_printer.h"

#include <cstring>

namespace hearth {

namespace {

std::uint32_t ulong_arg(ScriptCall& call, std::size_t i) { return call.arg_as<std::uint32_t>(i).value_or(0); }
std::int16_t int_arg(ScriptCall& call, std::size_t i) { return call.arg_as<std::int16_t>(i).value_or(0); }
std::int32_t long_arg(ScriptCall& call, std::size_t i) { return call.arg_as<std::int32_t>(i).value_or(0); }
std::string string_arg(ScriptCall& call, std::size_t i) { return call.arg_as<std::string>(i).value_or(""); }
// A blob (or a structure's bytes); a null or non-blob argument is empty.
Blob blob_arg(ScriptCall& call, std::size_t i)
{
    const Value& v = call.arg(i);
    return v.type() == Type::Blob && !v.is_null() ? v.as_blob() : Blob {};
}
template <class T> T record_arg(ScriptCall& call, std::size_t i)
{
    T record {};
    const Blob bytes = blob_arg(call, i);
    std::memcpy(&record, bytes.data(), std::min(bytes.size(), sizeof record));
    return record;
}
template <class T> Value record_value(const T& record)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&record);
    return Value(Blob(bytes, bytes + sizeof record));
}

// ---- The declared external functions, slots 21 to 51 ----------------------------------------

ScriptResult x_enumprinters(ScriptCall& call)
{
    Blob buffer = blob_arg(call, 3);
    std::uint32_t needed = 0, returned = 0;
    const std::string name = string_arg(call, 1);
    const bool ok = win32::EnumPrintersA(ulong_arg(call, 0), call.arg(1).is_null() ? nullptr : &name,
                                         ulong_arg(call, 2), buffer, ulong_arg(call, 4), needed, returned);
    call.arg(3) = Value(std::move(buffer));
    call.arg(5) = Value::ulong(needed);
    call.arg(6) = Value::ulong(returned);
    return Value(ok);
}

// RtlMoveMemory(dest, source, length), each side a blob by reference or an address.
enum class Side : std::uint8_t { Blob, Address };
template <Side Dest, Side Source> ScriptResult x_copymem(ScriptCall& call)
{
    const std::uint32_t length = ulong_arg(call, 2);
    if constexpr (Dest == Side::Address) {
        const Blob source = blob_arg(call, 1);
        win32::RtlMoveMemory(ulong_arg(call, 0), source, length);
    } else {
        Blob dest = blob_arg(call, 0);
        if constexpr (Source == Side::Address) {
            win32::RtlMoveMemory(dest, ulong_arg(call, 1), length);
        } else {
            const Blob source = blob_arg(call, 1);
            win32::RtlMoveMemory(dest, source, length);
        }
        call.arg(0) = Value(std::move(dest));
    }
    return Value::ulong(0);
}

ScriptResult x_openprinter(ScriptCall& call)
{
    win32::Handle handle = 0;
    const bool ok = win32::OpenPrinterA(string_arg(call, 0), handle);
    call.arg(1) = Value::ulong(handle);
    return Value(ok);
}

ScriptResult x_closeprinter(ScriptCall& call) { return Value(win32::ClosePrinter(ulong_arg(call, 0))); }

ScriptResult x_getprinter(ScriptCall& call)
{
    Blob buffer = blob_arg(call, 2);
    std::uint32_t needed = 0;
    const bool ok = win32::GetPrinterA(ulong_arg(call, 0), ulong_arg(call, 1), buffer, ulong_arg(call, 3), needed);
    call.arg(2) = Value(std::move(buffer));
    call.arg(4) = Value::ulong(needed);
    return Value(ok);
}

ScriptResult x_setprinter(ScriptCall& call)
{
    const Blob buffer = blob_arg(call, 2);
    return Value(win32::SetPrinterA(ulong_arg(call, 0), ulong_arg(call, 1), buffer, ulong_arg(call, 3)));
}

// PrinterProperties shows the driver's own property sheet; the layer's printers have none.
ScriptResult x_printerproperties(ScriptCall&) { return Value(false); }

// DocumentPropertiesA(hwnd, hprinter, device, output, input, mode): OutBlob with the output
// buffer by reference, InBlob with the input device mode by reference.
enum class Docprop : std::uint8_t { OutBlob, InBlob };
template <Docprop Kind> ScriptResult x_documentproperties(ScriptCall& call)
{
    const std::string device = string_arg(call, 2);
    if constexpr (Kind == Docprop::OutBlob) {
        Blob output = blob_arg(call, 3);
        const std::int32_t result = win32::DocumentPropertiesA(ulong_arg(call, 0), ulong_arg(call, 1), device, output,
                                                               {}, ulong_arg(call, 5));
        call.arg(3) = Value(std::move(output));
        return Value(result);
    } else {
        const Blob input = blob_arg(call, 4);
        return Value(
            win32::DocumentPropertiesA(ulong_arg(call, 0), ulong_arg(call, 1), device, {}, input, ulong_arg(call, 5)));
    }
}

template <bool WithBuffer> ScriptResult x_devicecapabilities(ScriptCall& call)
{
    const auto capability = static_cast<std::uint16_t>(ulong_arg(call, 2));
    if constexpr (WithBuffer) {
        Blob output = blob_arg(call, 3);
        const std::int32_t result
            = win32::DeviceCapabilitiesA(string_arg(call, 0), string_arg(call, 1), capability, output);
        call.arg(3) = Value(std::move(output));
        return Value(result);
    } else {
        return Value(win32::DeviceCapabilitiesA(string_arg(call, 0), string_arg(call, 1), capability, {}));
    }
}

ScriptResult x_createdc(ScriptCall& call) { return Value::ulong(win32::CreateDCA(string_arg(call, 1))); }
ScriptResult x_deletedc(ScriptCall& call) { return Value(win32::DeleteDC(ulong_arg(call, 0))); }
// Escape: the layer's device contexts take no escapes; 0 is "not implemented".
ScriptResult x_escape(ScriptCall&) { return Value::integer(0); }
ScriptResult x_globalalloc(ScriptCall& call)
{
    return Value::ulong(win32::GlobalAlloc(ulong_arg(call, 0), ulong_arg(call, 1)));
}
ScriptResult x_globalfree(ScriptCall& call) { return Value::ulong(win32::GlobalFree(ulong_arg(call, 0))); }
ScriptResult x_globallock(ScriptCall& call) { return Value::ulong(win32::GlobalLock(ulong_arg(call, 0))); }
ScriptResult x_globalunlock(ScriptCall& call) { return Value(win32::GlobalUnlock(ulong_arg(call, 0))); }
ScriptResult x_globalsize(ScriptCall& call) { return Value::ulong(win32::GlobalSize(ulong_arg(call, 0))); }

ScriptResult x_printdlg(ScriptCall& call)
{
    auto record = record_arg<win32::PrintDlg>(call, 0);
    const std::int32_t result = win32::PrintDlgA(record);
    call.arg(0) = record_value(record);
    return Value(result);
}

ScriptResult x_pagesetupdlg(ScriptCall& call)
{
    auto record = record_arg<win32::PageSetupDlg>(call, 0);
    const bool result = win32::PageSetupDlgA(record);
    call.arg(0) = record_value(record);
    return Value(result);
}

// ---- The functions, slots 52 to 66 ----------------------------------------------------------

n_printer& self(ScriptCall& call) { return call.self<n_printer>(); }

ScriptResult s_setpapersize(ScriptCall& call)
{
    return Value::integer(
        self(call).of_setpapersize(string_arg(call, 0), int_arg(call, 1), int_arg(call, 2), int_arg(call, 3)));
}
ScriptResult s_direct(ScriptCall& call)
{
    return Value::integer(self(call).of_direct(string_arg(call, 0), string_arg(call, 1)));
}
ScriptResult s_getattribute(ScriptCall& call)
{
    return Value::integer(self(call).of_getattribute(string_arg(call, 0)));
}
ScriptResult s_getdrivername(ScriptCall& call) { return Value(self(call).of_getdrivername(string_arg(call, 0))); }
ScriptResult s_getpapersize(ScriptCall& call)
{
    std::int16_t size = int_arg(call, 1), width = int_arg(call, 2), height = int_arg(call, 3);
    const std::int16_t result = self(call).of_getpapersize(string_arg(call, 0), size, width, height);
    call.arg(1) = Value::integer(size);
    call.arg(2) = Value::integer(width);
    call.arg(3) = Value::integer(height);
    return Value::integer(result);
}
ScriptResult s_getpbprinter(ScriptCall& call) { return Value(self(call).of_getpbprinter()); }
ScriptResult s_getportname(ScriptCall& call) { return Value(self(call).of_getportname(string_arg(call, 0))); }
// The host's values hold no arrays: the names come back in one string, separated by tabs.
ScriptResult s_getprinterlist(ScriptCall& call)
{
    ValueArray list(Type::String);
    const std::int16_t result = self(call).of_getprinterlist(list);
    if (result >= 0) {
        std::string names;
        for (long i = 1; i <= list.upper_bound(); ++i)
            names += (i > 1 ? "\t" : "") + list.at(i).as_string();
        call.arg(0) = Value(names);
    }
    return Value::integer(result);
}
ScriptResult s_getstatus(ScriptCall& call) { return Value(self(call).of_getstatus(string_arg(call, 0))); }
ScriptResult s_getstringfromblob(ScriptCall& call)
{
    return Value(self(call).of_getstringfromblob(blob_arg(call, 0), int_arg(call, 1)));
}
ScriptResult s_modifyprinter(ScriptCall& call)
{
    return Value::integer(
        self(call).of_modifyprinter(string_arg(call, 0), record_arg<n_printer::str_devmode>(call, 1)));
}
ScriptResult s_pagesetup(ScriptCall& call)
{
    std::int32_t left = long_arg(call, 1), right = long_arg(call, 2), top = long_arg(call, 3),
                 bottom = long_arg(call, 4);
    const std::int16_t result = self(call).of_pagesetup(ulong_arg(call, 0), left, right, top, bottom);
    call.arg(1) = Value(left);
    call.arg(2) = Value(right);
    call.arg(3) = Value(top);
    call.arg(4) = Value(bottom);
    return Value::integer(result);
}
ScriptResult s_printer(ScriptCall& call)
{
    Value outpara = call.arg(2);
    std::int16_t size = int_arg(call, 3), width = int_arg(call, 4), length = int_arg(call, 5);
    const std::int16_t result
        = self(call).of_printer(string_arg(call, 0), int_arg(call, 1), outpara, size, width, length);
    call.arg(2) = outpara;
    call.arg(3) = Value::integer(size);
    call.arg(4) = Value::integer(width);
    call.arg(5) = Value::integer(length);
    return Value::integer(result);
}
ScriptResult s_printsetup(ScriptCall& call) { return Value::integer(self(call).of_printsetup(ulong_arg(call, 0))); }
ScriptResult s_setdefault(ScriptCall& call) { return Value::integer(self(call).of_setdefault(string_arg(call, 0))); }

constexpr SlotKind function = SlotKind::Function;

} // namespace

const ClassTable& _getVtableInfo_n_printer()
{
    // The external functions in declaration order; a name declared again is a variant with
    // other argument types.
    static const ClassTable table {"n_printer",
                                   "nonvisualobject",
                                   make_object<n_printer>,
                                   {},
                                   {{own_group,
                                     "",
                                     {{"enumprinters", function, Type::Boolean, 7},
                                      {"copymem", function, Type::ULong, 3},
                                      {"copymem", function, Type::ULong, 3, {}, true},
                                      {"copymem", function, Type::ULong, 3, {}, true},
                                      {"openprinter", function, Type::Boolean, 3},
                                      {"openprinter", function, Type::Boolean, 3, {}, true},
                                      {"closeprinter", function, Type::Boolean, 1},
                                      {"getprinter", function, Type::Boolean, 5},
                                      {"setprinter", function, Type::Boolean, 4},
                                      {"printerproperties", function, Type::Boolean, 2},
                                      {"copymem", function, Type::ULong, 3, {}, true},
                                      {"copymem", function, Type::ULong, 3, {}, true},
                                      {"copymem", function, Type::ULong, 3, {}, true},
                                      {"copymem", function, Type::ULong, 3, {}, true},
                                      {"documentproperties", function, Type::Long, 6},
                                      {"documentproperties", function, Type::Long, 6, {}, true},
                                      {"documentproperties", function, Type::Long, 6, {}, true},
                                      {"devicecapabilities", function, Type::Long, 5},
                                      {"devicecapabilities", function, Type::Long, 5, {}, true},
                                      {"createdc", function, Type::ULong, 4},
                                      {"deletedc", function, Type::Boolean, 1},
                                      {"escape", function, Type::Integer, 5},
                                      {"globalalloc", function, Type::ULong, 2},
                                      {"globalfree", function, Type::ULong, 1},
                                      {"globallock", function, Type::ULong, 1},
                                      {"globalunlock", function, Type::Boolean, 1},
                                      {"globalsize", function, Type::ULong, 1},
                                      {"printdlg", function, Type::Long, 1},
                                      {"copymem", function, Type::ULong, 3, {}, true},
                                      {"copymem", function, Type::ULong, 3, {}, true},
                                      {"pagesetupdlg", function, Type::Boolean, 1},
                                      {"of_setpapersize", function, Type::Integer, 4},
                                      {"of_direct", function, Type::Integer, 2},
                                      {"of_getattribute", function, Type::Integer, 1},
                                      {"of_getdrivername", function, Type::String, 1},
                                      {"of_getpapersize", function, Type::Integer, 4},
                                      {"of_getpbprinter", function, Type::String, 0},
                                      {"of_getportname", function, Type::String, 1},
                                      {"of_getprinterlist", function, Type::Integer, 1},
                                      {"of_getstatus", function, Type::Long, 1},
                                      {"of_getstringfromblob", function, Type::String, 2},
                                      {"of_modifyprinter", function, Type::Integer, 2},
                                      {"of_pagesetup", function, Type::Integer, 5},
                                      {"of_printer", function, Type::Integer, 6},
                                      {"of_printsetup", function, Type::Integer, 1},
                                      {"of_setdefault", function, Type::Integer, 1}},
                                     {{21, "enumprinters", x_enumprinters},
                                      {22, "copymem", x_copymem<Side::Blob, Side::Blob>},
                                      {23, "copymem", x_copymem<Side::Blob, Side::Blob>},
                                      {24, "copymem", x_copymem<Side::Blob, Side::Blob>},
                                      {25, "openprinter", x_openprinter},
                                      {26, "openprinter", x_openprinter},
                                      {27, "closeprinter", x_closeprinter},
                                      {28, "getprinter", x_getprinter},
                                      {29, "setprinter", x_setprinter},
                                      {30, "printerproperties", x_printerproperties},
                                      {31, "copymem", x_copymem<Side::Blob, Side::Blob>},
                                      {32, "copymem", x_copymem<Side::Blob, Side::Address>},
                                      {33, "copymem", x_copymem<Side::Blob, Side::Blob>},
                                      {34, "copymem", x_copymem<Side::Address, Side::Blob>},
                                      {35, "documentproperties", x_documentproperties<Docprop::OutBlob>},
                                      {36, "documentproperties", x_documentproperties<Docprop::InBlob>},
                                      {37, "documentproperties", x_documentproperties<Docprop::InBlob>},
                                      {38, "devicecapabilities", x_devicecapabilities<true>},
                                      {39, "devicecapabilities", x_devicecapabilities<false>},
                                      {40, "createdc", x_createdc},
                                      {41, "deletedc", x_deletedc},
                                      {42, "escape", x_escape},
                                      {43, "globalalloc", x_globalalloc},
                                      {44, "globalfree", x_globalfree},
                                      {45, "globallock", x_globallock},
                                      {46, "globalunlock", x_globalunlock},
                                      {47, "globalsize", x_globalsize},
                                      {48, "printdlg", x_printdlg},
                                      {49, "copymem", x_copymem<Side::Blob, Side::Address>},
                                      {50, "copymem", x_copymem<Side::Blob, Side::Address>},
                                      {51, "pagesetupdlg", x_pagesetupdlg},
                                      {52, "of_setpapersize", s_setpapersize},
                                      {53, "of_direct", s_direct},
                                      {54, "of_getattribute", s_getattribute},
                                      {55, "of_getdrivername", s_getdrivername},
                                      {56, "of_getpapersize", s_getpapersize},
                                      {57, "of_getpbprinter", s_getpbprinter},
                                      {58, "of_getportname", s_getportname},
                                      {59, "of_getprinterlist", s_getprinterlist},
                                      {60, "of_getstatus", s_getstatus},
                                      {61, "of_getstringfromblob", s_getstringfromblob},
                                      {62, "of_modifyprinter", s_modifyprinter},
                                      {63, "of_pagesetup", s_pagesetup},
                                      {64, "of_printer", s_printer},
                                      {65, "of_printsetup", s_printsetup},
                                      {66, "of_setdefault", s_setdefault},
                                      {0, "create", create_script},
                                      {1, "destroy", destroy_script}}},
                                    // The declared structures, nested definitions without scripts.
                                    {32781, "str_printer_info_1", {}, {}},
                                    {32782, "str_printer_info_2", {}, {}},
                                    {32783, "str_devmode", {}, {}},
                                    {32784, "str_printer_defaults", {}, {}},
                                    {32785, "str_printdlg", {}, {}},
                                    {32786, "str_devnames", {}, {}},
                                    {32787, "str_point", {}, {}},
                                    {32788, "str_rect", {}, {}},
                                    {32789, "str_pagesetupdlg", {}, {}}}};
    return table;
}

} // namespace hearth
