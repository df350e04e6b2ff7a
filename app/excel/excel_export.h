#pragma once
// The Excel export: a DataWindow's rows as its user sees them, in a workbook. The rows are
// those of Primary! in their current sort and filter; the columns are the detail band's
// visible columns and computed fields in screen order (by x), headed by their header texts
// (<name>_t). The other bands each give a row of their own where they show: a group's header
// before its first row and its trailer after its last, the summary and the footer at the end;
// their objects land in the column under which they stand. Past a sheet's last row the rows
// go on in a further sheet, headed again.

#include "host/ui/datawindow_control.h"
#include "host/value/result.h"
#include "library/frame/application.h"

#include <filesystem>
#include <functional>

namespace hearth::excel {

// Told the number of rows of the DataWindow written so far: every few thousand rows while it
// runs, and once more with `done` at the end.
using Progress = std::function<void(long rows, bool done)>;

// Writes `dw` to `file`: an Office Open XML workbook when the name ends in ".xlsx" (any
// case), else an Excel 97-2003 workbook. Fails with the reason, leaving no partial file and an
// existing file unchanged.
Result<void> export_datawindow(const DataWindowBase& dw, const std::filesystem::path& file, const n_excel_parm& parm,
                               const Progress& progress = {});

// How often the progress is told, in rows.
inline constexpr long progress_step = 5000;

// The days since 1899-12-30 (Excel's day 0) of a date; nullopt before 1900-03-01, where
// Excel's calendar counts a 29 February 1900 that never was.
std::optional<double> excel_day(const Date& date);

} // namespace hearth::excel
