#pragma once
// What the Excel export writes through: a workbook of sheets whose cells arrive in row order.
// The Excel 97-2003 writer (xls_workbook.h) and the Office Open XML writer (xlsx_workbook.h)
// both take the same cells, so the export decides the rows once for both.

#include "host/value/result.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>

namespace hearth::excel {

// How a cell shows its value. Dates, datetimes and times are numbers in Excel's date system
// shown through a date format; headings are bold.
enum class CellStyle : std::uint8_t { General, Date, DateTime, Time, Heading };

// The number formats of the date styles, the same in both writers.
inline constexpr std::string_view date_format = "yyyy-mm-dd";
inline constexpr std::string_view datetime_format = "yyyy-mm-dd hh:mm:ss";
inline constexpr std::string_view time_format = "hh:mm:ss";

// The longest text a cell holds, in UTF-16 code units.
inline constexpr std::size_t max_cell_text = 32'767;

class SheetWriter {
public:
    virtual ~SheetWriter() = default;

    virtual std::uint32_t max_rows() const = 0;
    virtual std::uint32_t max_columns() const = 0;
    // Starts a new sheet; the cells that follow go to it. Rows and columns are 0-based and
    // must come in order: a row after the rows written, columns rising within a row.
    virtual void add_sheet(std::string_view name) = 0;
    virtual Result<void> write_number(std::uint32_t row, std::uint32_t column, double number, CellStyle style) = 0;
    // Text in UTF-8; fails for text longer than a cell holds.
    virtual Result<void> write_text(std::uint32_t row, std::uint32_t column, std::string_view utf8, CellStyle style)
        = 0;
    // Writes the workbook to its file whole or not at all: on failure (or without a save) an
    // existing file stays as it was and no partial file is left.
    virtual Result<void> save() = 0;
};

} // namespace hearth::excel
