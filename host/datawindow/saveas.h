#pragma once
// SaveAs: the rows of Primary! (filtered and deleted rows are not saved) written as text,
// CSV, an HTML table, a dBASE III table or SQL INSERT statements. A file is written to a
// temporary file in the same folder and renamed into place, so a failed export leaves no
// partial file and an existing file stays as it was.

#include "host/datawindow/datawindow.h"
#include "host/value/encoding.h"

#include <filesystem>
#include <string>

namespace hearth::dw {

// The runtime's SaveAsType values.
enum class SaveAsType : std::uint8_t { Text = 1, CSV = 2, DBase3 = 8, SQLInsert = 9, HTMLTable = 13 };

enum class ColumnHeadings : std::uint8_t { Off, On };

// Writes the file; 1 on success, -1 on failure (nothing written then).
int save_as(const Engine& engine, const std::filesystem::path& file, SaveAsType type,
            ColumnHeadings headings = ColumnHeadings::On, Encoding encoding = Encoding::Ansi);

// The bytes save_as would write; fails with the reason. Text formats use `encoding` (the
// runtime's default is ANSI, GBK here); dBASE III text is always GBK.
Result<std::string> save_as_bytes(const Engine& engine, SaveAsType type, ColumnHeadings headings,
                                  Encoding encoding = Encoding::Ansi);

// Writes bytes to file through a temporary file in the same folder and a rename.
Result<bool> write_file_atomically(const std::filesystem::path& file, std::string_view bytes);

// Internal: one writer per format (saveas_*.cpp), producing UTF-8 text or raw bytes.
Result<std::string> write_text(const Engine& engine, char separator, ColumnHeadings headings);
Result<std::string> write_html(const Engine& engine, Encoding encoding);
Result<std::string> write_sql(const Engine& engine);
Result<std::string> write_dbase3(const Engine& engine);

} // namespace hearth::dw
