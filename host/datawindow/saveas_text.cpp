// SaveAs Text! and CSV!: one line per Primary! row ended by CR LF, the column names as an
// optional first line. Text! writes values as they are, except that a value holding a tab or
// a line break, or starting with a quote, is quoted with inner quotes doubled, as spreadsheet
// programs write tab-separated text, so that ImportFile reads it back whole; CSV! quotes a
// value holding a comma, a quote, a line break or blanks at its ends, doubling inner quotes.
#include "host/datawindow/saveas.h"
#include "host/datawindow/value_text.h"

namespace hearth::dw {

namespace {

// Quotes the value `out` holds from `at` on, doubling inner quotes, when it holds what would
// end the field or the line early (for Text!, also a leading quote, which the import would
// take as quoting). Values are appended first and quoted after, as most need nothing.
void quote_field(std::string& out, std::size_t at, char separator)
{
    const std::string_view text = std::string_view(out).substr(at);
    const bool quote = separator == ','
        ? text.find_first_of(",\"\r\n") != std::string::npos || text.starts_with(' ') || text.ends_with(' ')
        : text.find_first_of("\t\r\n") != std::string::npos || text.starts_with('"');
    if (!quote)
        return;
    const std::string value(text);
    out.resize(at);
    out += '"';
    for (char c : value) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

} // namespace

Result<void> write_text(const Engine& engine, char separator, ColumnHeadings headings, const TextSink& sink)
{
    constexpr std::size_t block = std::size_t(64) << 10; // handed on after about 64 KiB of rows
    const auto& columns = engine.object().columns;
    std::string out;
    if (headings == ColumnHeadings::On) {
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (c)
                out += separator;
            const std::size_t at = out.size();
            out += columns[c].name;
            quote_field(out, at, separator);
        }
        out += "\r\n";
    }
    const RowStore& rows = engine.rows();
    for (Slot slot : engine.slots(Buffer::Primary)) {
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (c)
                out += separator;
            const std::size_t at = out.size();
            append_item_text(out, rows.column(c), slot, columns[c].type);
            quote_field(out, at, separator);
        }
        out += "\r\n";
        if (out.size() >= block) {
            if (auto passed = sink(out); !passed)
                return passed;
            out.clear();
        }
    }
    return sink(out);
}

Result<std::string> write_text(const Engine& engine, char separator, ColumnHeadings headings)
{
    std::string text;
    auto written = write_text(engine, separator, headings, [&](std::string_view block) -> Result<void> {
        text += block;
        return {};
    });
    if (!written)
        return Result<std::string>::failure(written.error());
    return text;
}

} // namespace hearth::dw
