#pragma once
// SaveAs: the rows of Primary! (filtered and deleted rows are not saved) written as text,
// CSV, an HTML table, a dBASE III table or SQL INSERT statements. A file is written to a
// temporary file in the same folder and renamed into place (host/value/files.h), so a failed
// export leaves no partial file and an existing file stays as it was.

#include "host/datawindow/datawindow.h"
#include "host/value/encoding.h"
#include "host/value/result.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace hearth::dw {

// The runtime's SaveAsType values.
enum class SaveAsType : std::uint8_t { Text = 1, CSV = 2, DBase3 = 8, SQLInsert = 9, HTMLTable = 13 };

enum class ColumnHeadings : std::uint8_t { Off, On };

// Writes the file; 1 on success, -1 on failure (nothing written then).
int save_as(const Engine& engine, const std::filesystem::path& file, SaveAsType type,
            ColumnHeadings headings = ColumnHeadings::On, Encoding encoding = Encoding::Ansi);
// The same, failing with the reason. Text and CSV are encoded and written a block of rows
// at a time, so a large export never holds the whole file in memory.
Result<void> save_as_file(const Engine& engine, const std::filesystem::path& file, SaveAsType type,
                          ColumnHeadings headings = ColumnHeadings::On, Encoding encoding = Encoding::Ansi);

// The bytes save_as would write; fails with the reason. Text formats use `encoding` (the
// runtime's default is ANSI, GBK here); dBASE III text is always GBK.
Result<std::string> save_as_bytes(const Engine& engine, SaveAsType type, ColumnHeadings headings,
                                  Encoding encoding = Encoding::Ansi);

// Internal: one writer per format (saveas_*.cpp), producing UTF-8 text or raw bytes.
// write_text hands its text to `sink` a block of rows at a time and stops when the sink
// fails.
using TextSink = std::function<Result<void>(std::string_view utf8)>;
Result<void> write_text(const Engine& engine, char separator, ColumnHeadings headings, const TextSink& sink);
Result<std::string> write_text(const Engine& engine, char separator, ColumnHeadings headings);
Result<std::string> write_html(const Engine& engine, Encoding encoding);
Result<std::string> write_sql(const Engine& engine);
Result<std::string> write_dbase3(const Engine& engine);

} // namespace hearth::dw
