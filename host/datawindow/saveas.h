#pragma once
// SaveAs: the rows of Primary! (filtered and deleted rows are not saved) written as text,
// CSV, an HTML table, a dBASE III table or SQL INSERT statements. A file is written to a
// temporary file in the same folder and renamed into place, so a failed export leaves no
// partial file and an existing file stays as it was.

#include "host/datawindow/datawindow.h"
#include "host/value/encoding.h"

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
Result<bool> save_as_file(const Engine& engine, const std::filesystem::path& file, SaveAsType type,
                          ColumnHeadings headings = ColumnHeadings::On, Encoding encoding = Encoding::Ansi);

// The bytes save_as would write; fails with the reason. Text formats use `encoding` (the
// runtime's default is ANSI, GBK here); dBASE III text is always GBK.
Result<std::string> save_as_bytes(const Engine& engine, SaveAsType type, ColumnHeadings headings,
                                  Encoding encoding = Encoding::Ansi);

// A file written through a temporary file in the same folder: bytes go out as they come,
// commit() syncs the file and renames it into place. Without a commit the temporary file is
// removed and an existing file stays as it was.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(std::filesystem::path file);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    Result<bool> open();
    Result<bool> write(std::string_view bytes);
    Result<bool> commit();

private:
    Result<bool> fail(std::string_view what);

    std::filesystem::path m_file;
    std::string m_temporary;
    int m_fd = -1;
};

// Writes bytes to file through AtomicFileWriter.
Result<bool> write_file_atomically(const std::filesystem::path& file, std::string_view bytes);

// Internal: one writer per format (saveas_*.cpp), producing UTF-8 text or raw bytes.
// write_text hands its text to `sink` a block of rows at a time and stops when the sink
// fails.
using TextSink = std::function<Result<bool>(std::string_view utf8)>;
Result<bool> write_text(const Engine& engine, char separator, ColumnHeadings headings, const TextSink& sink);
Result<std::string> write_text(const Engine& engine, char separator, ColumnHeadings headings);
Result<std::string> write_html(const Engine& engine, Encoding encoding);
Result<std::string> write_sql(const Engine& engine);
Result<std::string> write_dbase3(const Engine& engine);

} // namespace hearth::dw
