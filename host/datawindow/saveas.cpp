#include "host/datawindow/saveas.h"

#include "host/value/files.h"

namespace hearth::dw {

namespace {

// A Unicode file starts with its byte-order mark so readers know the encoding.
std::string_view byte_order_mark(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf8: return "\xEF\xBB\xBF";
    case Encoding::Utf16LE: return "\xFF\xFE";
    case Encoding::Utf16BE: return "\xFE\xFF";
    case Encoding::Ansi: break;
    }
    return {};
}

// Runs the format's writer, handing the encoded bytes to `out` (once, or a block of rows
// at a time for text and CSV).
Result<void> write_encoded(const Engine& engine, SaveAsType type, ColumnHeadings headings, Encoding encoding,
                           const TextSink& out)
{
    if (!engine.has_object())
        return Result<void>::failure("no DataWindow object");
    std::string bytes(byte_order_mark(encoding));
    auto encode = [&](std::string_view text) -> Result<void> {
        append_encoded(bytes, text, encoding);
        auto passed = out(bytes);
        bytes.clear();
        return passed;
    };
    Result<std::string> text = Result<std::string>::failure("unknown SaveAs type");
    switch (type) {
    case SaveAsType::Text: return write_text(engine, '\t', headings, encode);
    case SaveAsType::CSV: return write_text(engine, ',', headings, encode);
    case SaveAsType::HTMLTable: text = write_html(engine, encoding); break; // headings always
    case SaveAsType::SQLInsert: text = write_sql(engine); break;
    case SaveAsType::DBase3: {
        auto table = write_dbase3(engine); // bytes already
        if (!table)
            return Result<void>::failure(table.error());
        return out(*table);
    }
    }
    if (!text)
        return Result<void>::failure(text.error());
    return encode(*text);
}

} // namespace

Result<std::string> save_as_bytes(const Engine& engine, SaveAsType type, ColumnHeadings headings, Encoding encoding)
{
    std::string bytes;
    auto written = write_encoded(engine, type, headings, encoding, [&](std::string_view block) -> Result<void> {
        bytes += block;
        return {};
    });
    if (!written)
        return Result<std::string>::failure(written.error());
    return bytes;
}

Result<void> save_as_file(const Engine& engine, const std::filesystem::path& file, SaveAsType type,
                          ColumnHeadings headings, Encoding encoding)
{
    if (file.empty() || file.filename().empty())
        return Result<void>::failure("no file name");
    // Refused before a temporary file is made.
    if (!engine.has_object())
        return Result<void>::failure("no DataWindow object");
    AtomicFileWriter writer(file);
    if (auto opened = writer.open(); !opened)
        return opened;
    auto written
        = write_encoded(engine, type, headings, encoding, [&](std::string_view block) { return writer.write(block); });
    if (!written)
        return written;
    return writer.commit();
}

int save_as(const Engine& engine, const std::filesystem::path& file, SaveAsType type, ColumnHeadings headings,
            Encoding encoding)
{
    return save_as_file(engine, file, type, headings, encoding) ? 1 : -1;
}

} // namespace hearth::dw
