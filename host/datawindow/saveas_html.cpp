// SaveAs HTMLTable!: a small HTML page holding one TABLE (border 1, no cell padding or
// spacing), a heading row of column names, then one TR per Primary! row. The page names
// its character set so a browser shows the Chinese text of a GBK file correctly.
#include "host/datawindow/saveas.h"
#include "host/datawindow/value_text.h"

namespace hearth::dw {

namespace {

std::string escaped(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string_view charset(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Ansi: return "gbk";
    case Encoding::Utf8: return "utf-8";
    case Encoding::Utf16LE: return "utf-16le";
    case Encoding::Utf16BE: return "utf-16be";
    }
    return "utf-8";
}

} // namespace

Result<std::string> write_html(const Engine& engine, Encoding encoding)
{
    const auto& columns = engine.object().columns;
    std::string out = "<HTML>\r\n<HEAD>\r\n<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=";
    out += charset(encoding);
    out += "\">\r\n</HEAD>\r\n<BODY>\r\n<TABLE border=1 cellpadding=0 cellspacing=0>\r\n<TR>";
    for (const TableColumn& column : columns)
        out += "<TH>" + escaped(column.name) + "</TH>";
    out += "</TR>\r\n";
    const RowStore& rows = engine.rows();
    for (Slot slot : engine.slots(Buffer::Primary)) {
        out += "<TR>";
        for (std::size_t c = 0; c < columns.size(); ++c)
            out += "<TD>" + escaped(item_text(rows.column(c).get(slot, columns[c].type))) + "</TD>";
        out += "</TR>\r\n";
    }
    out += "</TABLE>\r\n</BODY>\r\n</HTML>\r\n";
    return out;
}

} // namespace hearth::dw
