// Bulk loading of rows (the path Retrieve will use) and ImportString/ImportFile.
#include "host/datawindow/datawindow.h"
#include "host/datawindow/text_util.h"
#include "host/datawindow/value_text.h"
#include "host/value/files.h"

#include <fmt/format.h>

#include <cassert>
#include <deque>

namespace hearth::dw {

RowLoader::~RowLoader() { discard(); }

void RowLoader::begin_row() { m_slots.push_back(m_engine->m_rows.allocate(m_status)); }

bool RowLoader::set_value(std::size_t column, const Value& value)
{
    assert(!m_slots.empty() && column < m_engine->column_count());
    auto converted = convert_for_column(value, m_engine->m_object.columns[column].type);
    if (!converted)
        return false;
    m_engine->m_rows.column(column).set(m_slots.back(), *converted);
    return true;
}

bool RowLoader::set_text(std::size_t column, std::string_view text)
{
    assert(!m_slots.empty() && column < m_engine->column_count());
    auto value = parse_item_text(text, m_engine->m_object.columns[column].type);
    if (!value)
        return false;
    m_engine->m_rows.column(column).set(m_slots.back(), *value);
    return true;
}

void RowLoader::set_null(std::size_t column) { m_engine->m_rows.column(column).set_null(m_slots.back()); }
void RowLoader::set_string(std::size_t column, std::string_view text)
{
    m_engine->m_rows.column(column).set_string(m_slots.back(), text);
}
void RowLoader::set_integer(std::size_t column, std::int64_t number)
{
    m_engine->m_rows.column(column).set_integer(m_slots.back(), number);
}
void RowLoader::set_double(std::size_t column, double number)
{
    m_engine->m_rows.column(column).set_double(m_slots.back(), number);
}
void RowLoader::set_decimal(std::size_t column, const Decimal& number)
{
    m_engine->m_rows.column(column).set_decimal(m_slots.back(), number);
}
void RowLoader::set_date(std::size_t column, Date date)
{
    m_engine->m_rows.column(column).set_date(m_slots.back(), date);
}
void RowLoader::set_datetime(std::size_t column, DateTime stamp)
{
    m_engine->m_rows.column(column).set_datetime(m_slots.back(), stamp);
}
void RowLoader::set_time(std::size_t column, Time time)
{
    m_engine->m_rows.column(column).set_time(m_slots.back(), time);
}

long RowLoader::commit(long before)
{
    auto& primary = m_engine->buffer_slots(Buffer::Primary);
    long count = static_cast<long>(primary.size());
    long position = (before < 1 || before > count) ? count + 1 : before;
    primary.insert(primary.begin() + (position - 1), m_slots.begin(), m_slots.end());
    long added = static_cast<long>(m_slots.size());
    if (m_engine->m_current_row >= position && m_engine->m_current_row > 0)
        m_engine->m_current_row += added;
    m_slots.clear();
    m_engine->settle_current_row(false);
    return added;
}

void RowLoader::discard()
{
    if (!m_engine)
        return;
    for (Slot slot : m_slots)
        m_engine->m_rows.release(slot);
    m_slots.clear();
}

RowLoader Engine::load_rows(ItemStatus status)
{
    assert(m_has_object); // loading needs the table definition
    return RowLoader(*this, status);
}

namespace {

// A field that starts with a quote and whose closing quote (one that is not doubled) comes
// right before a tab, a line break or the end is a quoted field, as SaveAs Text! writes a
// value holding a tab, a line break or a leading quote: what stands between the quotes is the
// value, line breaks and tabs included, with "" for ". Any other field is read as it stands.
// Returns the position just past the closing quote, or npos when the field is not quoted.
std::size_t quoted_field_end(std::string_view text, std::size_t start)
{
    if (start >= text.size() || text[start] != '"')
        return std::string_view::npos;
    for (std::size_t i = start + 1; i < text.size(); ++i) {
        if (text[i] != '"')
            continue;
        if (i + 1 < text.size() && text[i + 1] == '"') {
            ++i; // a doubled quote
            continue;
        }
        bool ends = i + 1 == text.size() || text[i + 1] == '\t' || text[i + 1] == '\r' || text[i + 1] == '\n';
        return ends ? i + 1 : std::string_view::npos;
    }
    return std::string_view::npos;
}

// Splits text into lines (CR LF, LF or CR) that are not inside a quoted field; a final line
// break ends the last line.
std::vector<std::string_view> split_lines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    bool field_start = true;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (field_start) {
            field_start = false;
            if (std::size_t end = quoted_field_end(text, i); end != std::string_view::npos) {
                i = end - 1;
                continue;
            }
        }
        if (text[i] == '\t')
            field_start = true;
        if (text[i] != '\n' && text[i] != '\r')
            continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
        field_start = true;
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

// Splits a line at its tabs. A quoted field with doubled quotes is unquoted into `unquoted`,
// which keeps the text the returned views point to.
std::vector<std::string_view> split_fields(std::string_view line, std::deque<std::string>& unquoted)
{
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = quoted_field_end(line, start);
        if (end != std::string_view::npos) {
            std::string_view inner = line.substr(start + 1, end - start - 2);
            if (inner.find('"') != std::string_view::npos) {
                std::string& text = unquoted.emplace_back();
                for (std::size_t i = 0; i < inner.size(); ++i) {
                    text += inner[i];
                    if (inner[i] == '"')
                        ++i; // the second quote of a pair
                }
                inner = text;
            }
            fields.push_back(inner);
        } else {
            end = line.find('\t', start);
            fields.push_back(line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        }
        if (end >= line.size())
            return fields;
        start = end + 1; // past the tab
    }
}

} // namespace

Engine::ImportResult Engine::import_string_checked(std::string_view text, long start_row, long end_row,
                                                   int start_column, int end_column, int dw_start_column)
{
    if (!m_has_object)
        return {-1, "no DataWindow object"};
    if (start_row < 1 || (end_row != -1 && end_row < start_row) || start_column < 1
        || (end_column != -1 && end_column < start_column) || dw_start_column < 1
        || dw_start_column > static_cast<int>(column_count()))
        return {-3,
                fmt::format("bad arguments: rows {} to {}, fields {} to {}, into column {} of {}", start_row, end_row,
                            start_column, end_column, dw_start_column, column_count())};
    std::vector<std::string_view> lines = split_lines(text);
    long last
        = end_row == -1 ? static_cast<long>(lines.size()) : std::min<long>(end_row, static_cast<long>(lines.size()));
    if (start_row > last)
        return {-1,
                fmt::format("no rows: the text has {} lines, the import starts at line {}", lines.size(), start_row)};
    // kept: imported rows are new to the database, so Update would insert them
    RowLoader loader = load_rows(ItemStatus::NewModified);
    std::deque<std::string> unquoted;
    for (long r = start_row; r <= last; ++r) {
        unquoted.clear();
        std::vector<std::string_view> fields = split_fields(lines[r - 1], unquoted);
        loader.begin_row();
        int last_field = end_column == -1 ? static_cast<int>(fields.size())
                                          : std::min<int>(end_column, static_cast<int>(fields.size()));
        for (int f = start_column; f <= last_field; ++f) {
            std::size_t column = static_cast<std::size_t>(dw_start_column - 1 + (f - start_column));
            if (column >= column_count())
                break;
            if (!loader.set_text(column, fields[f - 1])) { // the loader drops the rows read so far
                const TableColumn& target = m_object.columns[column];
                return {-4,
                        fmt::format("line {}, field {}: '{}' does not fit column {} ({})", r, f, excerpt(fields[f - 1]),
                                    excerpt(target.name), target.type.text())};
            }
        }
    }
    return {loader.commit(), {}};
}

Engine::ImportResult Engine::import_file_checked(const std::filesystem::path& file, long start_row, long end_row,
                                                 int start_column, int end_column, int dw_start_column)
{
    if (!m_has_object)
        return {-1, "no DataWindow object"};
    auto bytes = read_file_bytes(file);
    if (!bytes)
        return {-2, bytes.error()}; // the file cannot be opened
    auto text = decode_text_file(*bytes);
    if (!text)
        return {-4, fmt::format("{}: {}", excerpt(file.string(), 200), text.error())};
    return import_string_checked(*text, start_row, end_row, start_column, end_column, dw_start_column);
}

} // namespace hearth::dw
