// SaveAs Text! and CSV!: one line per Primary! row ended by CR LF, the column names as an
// optional first line. Text! writes values as they are (tabs and line breaks inside a value
// are not escaped, as the runtime does); CSV! quotes a value holding a comma, a quote, a
// line break or blanks at its ends, doubling inner quotes.
#include "host/datawindow/saveas.h"
#include "host/datawindow/value_text.h"

namespace hearth::dw {

namespace {

void append_csv_field(std::string& out, std::string_view text)
{
    bool quote = text.find_first_of(",\"\r\n") != std::string::npos
        || (!text.empty() && (text.front() == ' ' || text.back() == ' '));
    if (!quote) {
        out += text;
        return;
    }
    out += '"';
    for (char c : text) {
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
    const bool csv = separator == ',';
    std::string out;
    if (headings == ColumnHeadings::On) {
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (c)
                out += separator;
            if (csv)
                append_csv_field(out, columns[c].name);
            else
                out += columns[c].name;
        }
        out += "\r\n";
    }
    const RowStore& rows = engine.rows();
    std::string item;
    for (Slot slot : engine.slots(Buffer::Primary)) {
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (c)
                out += separator;
            if (csv) {
                item.clear();
                append_item_text(item, rows.column(c), slot, columns[c].type);
                append_csv_field(out, item);
            } else {
                append_item_text(out, rows.column(c), slot, columns[c].type);
            }
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
