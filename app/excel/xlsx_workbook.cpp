#include "app/excel/xlsx_workbook.h"

#include "host/value/files.h"
#include "host/value/utf8.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fmt/format.h>
#include <unistd.h>
#include <xlsxwriter.h>

namespace hearth::excel {

namespace {

// UTF-16 code units of UTF-8 text: one per character, two for one beyond the BMP.
std::size_t utf16_length(std::string_view utf8)
{
    std::size_t units = 0;
    for (std::size_t i = 0; i < utf8.size(); i = utf8::next(utf8, i))
        units += static_cast<unsigned char>(utf8[i]) >= 0xF0 ? 2 : 1;
    return units;
}

} // namespace

Result<std::unique_ptr<XlsxWorkbook>> XlsxWorkbook::open(const std::filesystem::path& file)
{
    using Failure = Result<std::unique_ptr<XlsxWorkbook>>;
    const std::filesystem::path folder = file.parent_path().empty() ? std::filesystem::path(".") : file.parent_path();
    std::string temporary = (folder / ("." + file.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return Failure::failure(
            fmt::format("{}: cannot create a file in {}: {}", file.string(), folder.string(), std::strerror(errno)));
    ::close(fd);
    std::unique_ptr<XlsxWorkbook> workbook(new XlsxWorkbook(file, std::move(temporary)));
    if (!workbook->m_workbook)
        return Failure::failure(fmt::format("{}: the workbook cannot be started", file.string()));
    return workbook;
}

XlsxWorkbook::XlsxWorkbook(std::filesystem::path file, std::string temporary)
    : m_file(std::move(file)), m_temporary(std::move(temporary))
{
    // Rows go to a temporary file as they are finished instead of staying in memory.
    lxw_workbook_options options {};
    options.constant_memory = LXW_TRUE;
    m_workbook = workbook_new_opt(m_temporary.c_str(), &options);
    if (!m_workbook)
        return;
    m_formats[static_cast<std::size_t>(CellStyle::General)] = nullptr;
    const std::pair<CellStyle, std::string_view> dates[]
        = {{CellStyle::Date, date_format}, {CellStyle::DateTime, datetime_format}, {CellStyle::Time, time_format}};
    for (const auto& [style, number_format] : dates) {
        lxw_format* made = workbook_add_format(m_workbook);
        format_set_num_format(made, std::string(number_format).c_str());
        m_formats[static_cast<std::size_t>(style)] = made;
    }
    lxw_format* heading = workbook_add_format(m_workbook);
    format_set_bold(heading);
    m_formats[static_cast<std::size_t>(CellStyle::Heading)] = heading;
}

XlsxWorkbook::~XlsxWorkbook()
{
    if (m_workbook)
        lxw_workbook_free(m_workbook);
    ::unlink(m_temporary.c_str());
}

void XlsxWorkbook::add_sheet(std::string_view name)
{
    m_sheet = workbook_add_worksheet(m_workbook, std::string(name).c_str());
}

lxw_worksheet* XlsxWorkbook::sheet()
{
    if (!m_sheet)
        m_sheet = workbook_add_worksheet(m_workbook, nullptr);
    return m_sheet;
}

Result<void> XlsxWorkbook::checked(int error, std::uint32_t row, std::uint32_t column) const
{
    if (error == LXW_NO_ERROR)
        return {};
    return Result<void>::failure(
        fmt::format("第{}行第{}列: {}", row + 1, column + 1, lxw_strerror(static_cast<lxw_error>(error))));
}

Result<void> XlsxWorkbook::write_number(std::uint32_t row, std::uint32_t column, double number, CellStyle style)
{
    return checked(worksheet_write_number(sheet(), row, static_cast<lxw_col_t>(column), number, format(style)), row,
                   column);
}

Result<void> XlsxWorkbook::write_text(std::uint32_t row, std::uint32_t column, std::string_view utf8, CellStyle style)
{
    if (const std::size_t units = utf16_length(utf8); units > max_cell_text)
        return Result<void>::failure(fmt::format("第{}行第{}列的文字有{}个字符，超过了Excel单元格的上限{}", row + 1,
                                                 column + 1, units, max_cell_text));
    m_text.assign(utf8);
    return checked(worksheet_write_string(sheet(), row, static_cast<lxw_col_t>(column), m_text.c_str(), format(style)),
                   row, column);
}

Result<void> XlsxWorkbook::save()
{
    sheet(); // a workbook holds at least one sheet
    const lxw_error closed = workbook_close(std::exchange(m_workbook, nullptr));
    if (closed != LXW_NO_ERROR)
        return Result<void>::failure(fmt::format("{}: {}", m_file.string(), lxw_strerror(closed)));
    auto bytes = read_file_bytes(m_temporary);
    if (!bytes)
        return bytes;
    return write_file_atomically(m_file, *bytes);
}

} // namespace hearth::excel
