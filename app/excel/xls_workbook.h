#pragma once
// An Excel 97-2003 workbook (BIFF8 records in a compound file), written here because no
// packaged library writes one. Cells are given sheet by sheet in row order; the workbook is
// held in memory as records and written whole by save(), through the host's atomic writer.
//
// Strings go to the shared string table as UTF-16LE, numbers are IEEE doubles, and dates are
// numbers (days since 1899-12-30) in a cell whose format shows them as dates.

#include "app/excel/sheet_writer.h"
#include "host/value/files.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace hearth::excel {

class XlsWorkbook final : public SheetWriter {
public:
    // A workbook to be saved as `file`; fails when no file can be made in its folder.
    static Result<std::unique_ptr<XlsWorkbook>> open(const std::filesystem::path& file);

    // A worksheet holds at most 65,536 rows and 256 columns.
    static constexpr std::uint32_t row_limit = 65'536;
    static constexpr std::uint32_t column_limit = 256;

    std::uint32_t max_rows() const override { return row_limit; }
    std::uint32_t max_columns() const override { return column_limit; }
    void add_sheet(std::string_view name) override;
    Result<void> write_number(std::uint32_t row, std::uint32_t column, double number, CellStyle style) override;
    Result<void> write_text(std::uint32_t row, std::uint32_t column, std::string_view utf8, CellStyle style) override;
    Result<void> save() override;

private:
    struct Sheet {
        std::string name;
        std::string cells;         // cell records in row order
        std::uint32_t row_end = 0; // last row written + 1
        std::uint32_t column_begin = column_limit;
        std::uint32_t column_end = 0; // last column written + 1
    };

    // Looks strings up by view, without a copy per cell.
    struct TextHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view> {}(text); }
    };

    // The sheet cells go to, made when none was added.
    Sheet& sheet();
    static void note_cell(Sheet& sheet, std::uint32_t row, std::uint32_t column);
    // A worksheet substream: BOF and DIMENSIONS before the cells, WINDOW2 and EOF after.
    static std::string sheet_stream_head(const Sheet& sheet);
    static std::string sheet_stream_tail(bool first);
    // SST and its CONTINUE records, starting at stream position `at`; `index` gets the EXTSST.
    std::string shared_strings(std::size_t at, std::string& index) const;

    explicit XlsWorkbook(std::filesystem::path file) : m_file(std::move(file)) {}

    AtomicFileWriter m_file;
    std::vector<Sheet> m_sheets;
    // The shared string table: each distinct string once, as UTF-16LE, in order of first use.
    std::unordered_map<std::string, std::uint32_t, TextHash, std::equal_to<>> m_string_index;
    std::vector<std::string> m_strings;
    std::uint32_t m_string_uses = 0;
};

} // namespace hearth::excel
