// The Workbook stream as [MS-XLS] lays out BIFF8: a globals substream (BOF, CODEPAGE,
// WINDOW1, fonts, number formats, cell formats, the Normal style, one BOUNDSHEET8 per sheet,
// the shared string table and its index, EOF), then one worksheet substream per sheet (BOF,
// DIMENSIONS, the cells in row order, WINDOW2, EOF). Every record is a 2-byte type, a 2-byte
// length and at most 8224 bytes of data; the string table goes on in CONTINUE records.
#include "app/excel/xls_workbook.h"

#include "app/excel/compound_file.h"
#include "app/excel/le_bytes.h"
#include "host/value/encoding.h"

#include <algorithm>
#include <cassert>
#include <deque>
#include <fmt/format.h>

namespace hearth::excel {

namespace {

// Record types.
constexpr std::uint16_t rt_eof = 0x000A;
constexpr std::uint16_t rt_font = 0x0031;
constexpr std::uint16_t rt_continue = 0x003C;
constexpr std::uint16_t rt_window1 = 0x003D;
constexpr std::uint16_t rt_codepage = 0x0042;
constexpr std::uint16_t rt_boundsheet8 = 0x0085;
constexpr std::uint16_t rt_xf = 0x00E0;
constexpr std::uint16_t rt_sst = 0x00FC;
constexpr std::uint16_t rt_labelsst = 0x00FD;
constexpr std::uint16_t rt_extsst = 0x00FF;
constexpr std::uint16_t rt_dimensions = 0x0200;
constexpr std::uint16_t rt_number = 0x0203;
constexpr std::uint16_t rt_window2 = 0x023E;
constexpr std::uint16_t rt_style = 0x0293;
constexpr std::uint16_t rt_format = 0x041E;
constexpr std::uint16_t rt_bof = 0x0809;

constexpr std::size_t max_record_data = 8224;

// Custom number formats take identifiers from 164 on; the cell XFs after the 15 style XFs
// and the default cell XF (15) use them in the order of CellStyle.
constexpr std::uint16_t first_custom_format = 164;
constexpr std::string_view date_formats[] = {date_format, datetime_format, time_format};
constexpr std::uint16_t default_cell_xf = 15;
// The bold font: the fifth FONT record, whose index is 5 because index 4 is never used.
constexpr std::uint16_t bold_font = 5;

std::uint16_t xf_of(CellStyle style)
{
    switch (style) {
    case CellStyle::General: return default_cell_xf;
    case CellStyle::Date: return 16;
    case CellStyle::DateTime: return 17;
    case CellStyle::Time: return 18;
    case CellStyle::Heading: return 19;
    }
    return default_cell_xf;
}

void begin_record(std::string& out, std::uint16_t type, std::size_t length)
{
    assert(length <= max_record_data);
    append_u16(out, type);
    append_u16(out, static_cast<std::uint16_t>(length));
}

void append_record(std::string& out, std::uint16_t type, std::string_view data)
{
    begin_record(out, type, data.size());
    out += data;
}

std::string bof(std::uint16_t substream)
{
    std::string data;
    append_u16(data, 0x0600); // BIFF8
    append_u16(data, substream);
    append_u16(data, 0x0DBB); // build and year of the application that wrote it
    append_u16(data, 0x07CC);
    append_u32(data, 0);
    append_u32(data, 0x06); // lowest version that can read it: BIFF8
    return data;
}

std::string utf16(std::string_view utf8)
{
    std::string out;
    append_encoded(out, utf8, Encoding::Utf16LE);
    return out;
}

// A short string with a one-byte length (font and sheet names), always UTF-16LE.
void append_short_string(std::string& out, std::string_view utf8)
{
    const std::string chars = utf16(utf8);
    append_u8(out, static_cast<std::uint8_t>(chars.size() / 2));
    append_u8(out, 1);
    out += chars;
}

std::string font(std::uint16_t weight)
{
    std::string data;
    append_u16(data, 240);    // 12 points, in twentieths
    append_u16(data, 0);      // not italic, not struck out
    append_u16(data, 0x7FFF); // the window text colour
    append_u16(data, weight);
    append_u16(data, 0);  // no super- or subscript
    append_u8(data, 0);   // not underlined
    append_u8(data, 0);   // family: any
    append_u8(data, 134); // GB2312 character set
    append_u8(data, 0);
    append_short_string(data, "宋体");
    return data;
}

// A cell style XF (`style`) or a cell XF whose parent is the Normal style. `attributes` are
// the fAtr* bits: for a cell XF the groups it sets itself, for a style XF the groups it
// leaves alone.
std::string xf(std::uint16_t font_index, std::uint16_t format, bool style, std::uint8_t attributes)
{
    std::string data;
    append_u16(data, font_index);
    append_u16(data, format);
    append_u16(data, style ? 0xFFF5 : 0x0001); // locked; a style XF has parent 0xFFF
    append_u8(data, 0x20);                     // general alignment, bottom
    append_u8(data, 0);                        // no rotation
    append_u8(data, 0);                        // no indent
    append_u8(data, attributes);
    append_u32(data, 0); // no borders
    append_u32(data, 0);
    append_u16(data, 0x20C0); // pattern colours: the system's foreground (64) and background (65)
    return data;
}

} // namespace

Result<std::unique_ptr<XlsWorkbook>> XlsWorkbook::open(const std::filesystem::path& file)
{
    std::unique_ptr<XlsWorkbook> workbook(new XlsWorkbook(file));
    if (auto opened = workbook->m_file.open(); !opened)
        return Result<std::unique_ptr<XlsWorkbook>>::failure(opened.error());
    return workbook;
}

XlsWorkbook::Sheet& XlsWorkbook::sheet()
{
    if (m_sheets.empty())
        add_sheet(fmt::format("Sheet{}", m_sheets.size() + 1));
    return m_sheets.back();
}

void XlsWorkbook::add_sheet(std::string_view name)
{
    Sheet& added = m_sheets.emplace_back();
    added.name = std::string(name);
}

void XlsWorkbook::note_cell(Sheet& sheet, std::uint32_t row, std::uint32_t column)
{
    assert(row < row_limit && column < column_limit && row + 1 >= sheet.row_end);
    sheet.row_end = row + 1;
    sheet.column_begin = std::min(sheet.column_begin, column);
    sheet.column_end = std::max(sheet.column_end, column + 1);
}

Result<void> XlsWorkbook::write_number(std::uint32_t row, std::uint32_t column, double number, CellStyle style)
{
    Sheet& s = sheet();
    note_cell(s, row, column);
    begin_record(s.cells, rt_number, 14);
    append_u16(s.cells, static_cast<std::uint16_t>(row));
    append_u16(s.cells, static_cast<std::uint16_t>(column));
    append_u16(s.cells, xf_of(style));
    append_f64(s.cells, number);
    return {};
}

Result<void> XlsWorkbook::write_text(std::uint32_t row, std::uint32_t column, std::string_view utf8, CellStyle style)
{
    Sheet& s = sheet();
    std::uint32_t index = 0;
    if (auto found = m_string_index.find(utf8); found != m_string_index.end()) {
        index = found->second;
    } else {
        std::string chars = utf16(utf8);
        if (chars.size() / 2 > max_cell_text)
            return Result<void>::failure(fmt::format("第{}行第{}列的文字有{}个字符，超过了Excel单元格的上限{}", row + 1,
                                                     column + 1, chars.size() / 2, max_cell_text));
        index = static_cast<std::uint32_t>(m_strings.size());
        m_strings.push_back(std::move(chars));
        m_string_index.emplace(utf8, index);
    }
    ++m_string_uses;
    note_cell(s, row, column);
    begin_record(s.cells, rt_labelsst, 10);
    append_u16(s.cells, static_cast<std::uint16_t>(row));
    append_u16(s.cells, static_cast<std::uint16_t>(column));
    append_u16(s.cells, xf_of(style));
    append_u32(s.cells, index);
    return {};
}

std::string XlsWorkbook::sheet_stream_head(const Sheet& s)
{
    std::string out;
    append_record(out, rt_bof, bof(0x0010));
    begin_record(out, rt_dimensions, 14);
    const bool empty = s.column_end == 0;
    append_u32(out, 0);
    append_u32(out, s.row_end);
    append_u16(out, static_cast<std::uint16_t>(empty ? 0 : s.column_begin));
    append_u16(out, static_cast<std::uint16_t>(s.column_end));
    append_u16(out, 0);
    return out;
}

std::string XlsWorkbook::sheet_stream_tail(bool first)
{
    std::string out;
    begin_record(out, rt_window2, 18);
    // Grid lines, headings, zeros, default header colour, outline symbols; the first sheet
    // is also selected and shown.
    append_u16(out, first ? 0x06B6 : 0x00B6);
    append_u16(out, 0);    // top row
    append_u16(out, 0);    // left column
    append_u16(out, 0x40); // heading colour: the system's
    append_u16(out, 0);
    append_u16(out, 0); // zoom: default
    append_u16(out, 0);
    append_u32(out, 0);
    append_record(out, rt_eof, {});
    return out;
}

std::string XlsWorkbook::shared_strings(std::size_t at, std::string& index) const
{
    // Strings are split across CONTINUE records where a record fills; a string's length and
    // option byte never are, and a continued string starts its CONTINUE with a fresh option
    // byte. EXTSST indexes every dsst-th string: its stream position and its offset in the
    // record that holds it.
    const std::size_t unique = m_strings.size();
    const std::size_t per_bucket = std::max<std::size_t>(8, (unique + 127) / 128);
    std::string out;
    std::size_t record = 0;
    auto open = [&](std::uint16_t type) {
        record = out.size();
        append_u16(out, type);
        append_u16(out, 0);
    };
    auto close = [&] {
        const std::size_t length = out.size() - record - 4;
        assert(length <= max_record_data);
        out[record + 2] = static_cast<char>(length & 0xFF);
        out[record + 3] = static_cast<char>(length >> 8);
    };
    auto room = [&] { return max_record_data - (out.size() - record - 4); };

    index.clear();
    begin_record(index, rt_extsst, 2 + 8 * ((unique + per_bucket - 1) / per_bucket));
    append_u16(index, static_cast<std::uint16_t>(per_bucket));

    open(rt_sst);
    append_u32(out, m_string_uses);
    append_u32(out, static_cast<std::uint32_t>(unique));
    for (std::size_t i = 0; i < unique; ++i) {
        std::string_view chars = m_strings[i];
        if (room() < 3 + (chars.empty() ? 0 : 2)) {
            close();
            open(rt_continue);
        }
        if (i % per_bucket == 0) {
            append_u32(index, static_cast<std::uint32_t>(at + out.size()));
            append_u16(index, static_cast<std::uint16_t>(out.size() - record));
            append_u16(index, 0);
        }
        append_u16(out, static_cast<std::uint16_t>(chars.size() / 2));
        append_u8(out, 1); // UTF-16LE
        for (;;) {
            const std::size_t part = std::min(chars.size(), room() & ~std::size_t(1));
            out.append(chars.substr(0, part));
            chars.remove_prefix(part);
            if (chars.empty())
                break;
            close();
            open(rt_continue);
            append_u8(out, 1);
        }
    }
    close();
    return out;
}

Result<void> XlsWorkbook::save()
{
    sheet(); // a workbook holds at least one sheet

    std::string globals;
    append_record(globals, rt_bof, bof(0x0005));
    begin_record(globals, rt_codepage, 2);
    append_u16(globals, 1200); // strings are UTF-16LE
    begin_record(globals, rt_window1, 18);
    for (std::uint16_t field : {0x01E0, 0x005A, 0x3FCF, 0x2A4E}) // position and size in twips
        append_u16(globals, field);
    append_u16(globals, 0x0038); // scroll bars and sheet tabs shown
    append_u16(globals, 0);      // the first sheet is active ...
    append_u16(globals, 0);      // ... and its tab the first shown
    append_u16(globals, 1);      // one sheet selected
    append_u16(globals, 600);    // tab area: 60% of the width
    for (int i = 0; i < 4; ++i)
        append_record(globals, rt_font, font(400));
    append_record(globals, rt_font, font(700));
    for (std::size_t i = 0; i < std::size(date_formats); ++i) {
        begin_record(globals, rt_format, 5 + date_formats[i].size());
        append_u16(globals, static_cast<std::uint16_t>(first_custom_format + i));
        append_u16(globals, static_cast<std::uint16_t>(date_formats[i].size()));
        append_u8(globals, 0); // one byte a character
        globals += date_formats[i];
    }
    append_record(globals, rt_xf, xf(0, 0, true, 0x00)); // Normal
    for (int i = 1; i < 15; ++i)
        append_record(globals, rt_xf, xf(0, 0, true, 0xF4));
    append_record(globals, rt_xf, xf(0, 0, false, 0x00)); // 15: general
    for (std::uint16_t i = 0; i < std::size(date_formats); ++i)
        append_record(globals, rt_xf, xf(0, first_custom_format + i, false, 0x04)); // 16..18: own format
    append_record(globals, rt_xf, xf(bold_font, 0, false, 0x08));                   // 19: own font
    begin_record(globals, rt_style, 4);
    append_u16(globals, 0x8000); // built-in style of XF 0 ...
    append_u8(globals, 0);       // ... Normal
    append_u8(globals, 0xFF);
    std::vector<std::size_t> sheet_offsets;
    for (const Sheet& s : m_sheets) {
        const std::string name = utf16(s.name);
        begin_record(globals, rt_boundsheet8, 8 + name.size());
        sheet_offsets.push_back(globals.size());
        append_u32(globals, 0); // the sheet's BOF, filled in below
        append_u8(globals, 0);  // visible
        append_u8(globals, 0);  // worksheet
        append_short_string(globals, s.name);
    }
    std::string index;
    globals += shared_strings(globals.size(), index);
    globals += index;
    append_record(globals, rt_eof, {});

    // The sheets follow the globals; each BOUNDSHEET8 points at its sheet's BOF.
    std::deque<std::string> parts;
    std::vector<std::string_view> stream {globals};
    std::uint64_t offset = globals.size();
    for (std::size_t i = 0; i < m_sheets.size(); ++i) {
        if (offset > 0xFFFF'FFFF)
            return Result<void>::failure("工作簿太大，超过了Excel 97-2003文件的上限");
        put_u32(globals, sheet_offsets[i], static_cast<std::uint32_t>(offset));
        const std::string_view head = parts.emplace_back(sheet_stream_head(m_sheets[i]));
        const std::string_view tail = parts.emplace_back(sheet_stream_tail(i == 0));
        stream.insert(stream.end(), {head, m_sheets[i].cells, tail});
        offset += head.size() + m_sheets[i].cells.size() + tail.size();
    }
    stream.front() = globals;

    if (auto written
        = write_compound_file("Workbook", stream, [&](std::string_view bytes) { return m_file.write(bytes); });
        !written)
        return written;
    return m_file.commit();
}

} // namespace hearth::excel
