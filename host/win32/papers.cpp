// The DMPAPER codes the layer sizes, and the default device mode built from them.

#include "host/value/encoding.h"
#include "host/win32/records.h"
#include "host/win32/spooler.h"

#include <algorithm>
#include <cstring>

namespace hearth::win32 {

namespace {

// Width x length in tenths of a millimetre, portrait, as the Win32 headers give them (JIS B4
// and B5 at their JIS sizes).
constexpr PaperSize papers[] = {
    {1, 2159, 2794, "Letter"},
    {3, 2794, 4318, "Tabloid"},
    {4, 4318, 2794, "Ledger"},
    {5, 2159, 3556, "Legal"},
    {6, 1397, 2159, "Statement"},
    {7, 1842, 2667, "Executive"},
    {8, 2970, 4200, "A3"},
    {9, 2100, 2970, "A4"},
    {11, 1480, 2100, "A5"},
    {12, 2570, 3640, "B4 (JIS)"},
    {13, 1820, 2570, "B5 (JIS)"},
    {14, 2159, 3302, "Folio"},
    {20, 1048, 2413, "Envelope #10"},
    {27, 1100, 2200, "Envelope DL"},
    {28, 1620, 2290, "Envelope C5"},
    {30, 2290, 3240, "Envelope C4"},
    {31, 1140, 1620, "Envelope C6"},
    {34, 1760, 2500, "Envelope B5"},
    {42, 2500, 3530, "B4 (ISO)"},
    {43, 1000, 1480, "Japanese Postcard"},
    {66, 4200, 5940, "A2"},
    {70, 1050, 1480, "A6"},
};

void copy_name(char (&field)[32], std::string_view utf8)
{
    // Truncated to fit with its terminating zero, never in the middle of a GBK character.
    const Blob ansi = encode_text(utf8, Encoding::Ansi);
    std::size_t n = 0;
    while (n < ansi.size()) {
        const std::size_t width = ansi[n] >= 0x80 ? 2 : 1;
        if (n + width > sizeof field - 1)
            break;
        n += width;
    }
    std::memset(field, 0, sizeof field);
    std::memcpy(field, ansi.data(), n);
}

} // namespace

const PaperSize* paper_size(std::int16_t code)
{
    auto it = std::find_if(std::begin(papers), std::end(papers), [&](const PaperSize& p) { return p.code == code; });
    return it == std::end(papers) ? nullptr : it;
}

DevMode default_devmode(std::string_view printer_name, std::int16_t paper)
{
    DevMode dm {};
    copy_name(dm.dmDeviceName, printer_name);
    dm.dmSpecVersion = dm_specversion;
    dm.dmSize = sizeof(DevMode);
    dm.dmFields = dm_orientation | dm_papersize | dm_paperlength | dm_paperwidth | dm_scale | dm_copies | 0x400 | 0x800
        | 0x1000 | 0x8000 | 0x10000;
    dm.dmOrientation = dmorient_portrait;
    dm.dmPaperSize = paper;
    if (const PaperSize* size = paper_size(paper)) {
        dm.dmPaperWidth = size->width;
        dm.dmPaperLength = size->length;
        copy_name(dm.dmFormName, size->name);
    }
    dm.dmScale = 100;
    dm.dmCopies = 1;
    dm.dmPrintQuality = 600;
    dm.dmColor = 1;
    dm.dmDuplex = 1;
    dm.dmYResolution = 600;
    return dm;
}

} // namespace hearth::win32
