#pragma once
// An Office Open XML workbook through libxlsxwriter. The library writes its zip to a hidden
// file beside the target, which save() hands to the host's atomic writer and removes, so the
// target is replaced whole or not at all.

#include "app/excel/sheet_writer.h"

#include <filesystem>
#include <memory>
#include <string>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace hearth::excel {

class XlsxWorkbook final : public SheetWriter {
public:
    // A workbook to be saved as `file`; fails when no file can be made in its folder.
    static Result<std::unique_ptr<XlsxWorkbook>> open(const std::filesystem::path& file);
    ~XlsxWorkbook() override;
    XlsxWorkbook(const XlsxWorkbook&) = delete;
    XlsxWorkbook& operator=(const XlsxWorkbook&) = delete;

    // A worksheet holds at most 1,048,576 rows and 16,384 columns.
    std::uint32_t max_rows() const override { return 1'048'576; }
    std::uint32_t max_columns() const override { return 16'384; }
    void add_sheet(std::string_view name) override;
    Result<void> write_number(std::uint32_t row, std::uint32_t column, double number, CellStyle style) override;
    Result<void> write_text(std::uint32_t row, std::uint32_t column, std::string_view utf8, CellStyle style) override;
    Result<void> save() override;

private:
    XlsxWorkbook(std::filesystem::path file, std::string temporary);
    lxw_worksheet* sheet();
    lxw_format* format(CellStyle style) const { return m_formats[static_cast<std::size_t>(style)]; }
    Result<void> checked(int error, std::uint32_t row, std::uint32_t column) const;

    std::filesystem::path m_file;
    std::string m_temporary; // the hidden file libxlsxwriter writes
    lxw_workbook* m_workbook = nullptr;
    lxw_worksheet* m_sheet = nullptr;
    lxw_format* m_formats[5] = {};
    std::string m_text; // the cell's text with its terminator, as the library takes it
};

} // namespace hearth::excel
