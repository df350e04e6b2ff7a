// SaveAs Text! and CSV!: one line per Primary! row ended by CR LF, the column names as an
// optional first line. Text! writes values as they are (tabs and line breaks inside a value
// are not escaped, as the runtime does); CSV! quotes a value holding a comma, a quote, a
// line break or blanks at its ends, doubling inner quotes.
#include "host/datawindow/saveas.h"
#include "host/datawindow/value_text.h"

namespace hearth::dw {

namespace {

std::string csv_field(const std::string& text)
{
    bool quote = text.find_first_of(",\"\r\n") != std::string::npos
        || (!text.empty() && (text.front() == ' ' || text.back() == ' '));
    if (!quote)
        return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

} // namespace

Result<std::string> write_text(const Engine& engine, char separator, ColumnHeadings headings)
{
    const auto& columns = engine.object().columns;
    auto field = [&](const std::string& text) { return separator == ',' ? csv_field(text) : text; };
    std::string out;
    if (headings == ColumnHeadings::On) {
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (c)
                out += separator;
            out += field(columns[c].name);
        }
        out += "\r\n";
    }
    const RowStore& rows = engine.rows();
    for (Slot slot : engine.slots(Buffer::Primary)) {
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (c)
                out += separator;
            out += field(item_text(rows.column(c).get(slot, columns[c].type)));
        }
        out += "\r\n";
    }
    return out;
}

} // namespace hearth::dw
