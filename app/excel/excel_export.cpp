#include "app/excel/excel_export.h"

#include "app/excel/xls_workbook.h"
#include "app/excel/xlsx_workbook.h"
#include "host/datawindow/value_text.h"
#include "host/object/class_registry.h"
#include "host/ui/engine_access.h"
#include "host/value/ascii.h"
#include "host/value/calendar.h"
#include "host/value/runtime_error.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fmt/format.h>
#include <optional>

namespace hearth::excel {

namespace {

namespace fs = std::filesystem;

// An attribute's value; of "default<TAB>expression" the default.
std::string_view attribute(const dw::Control& control, std::string_view name)
{
    const dw::Attribute* found = dw::find_attribute(control.attributes, name);
    if (!found)
        return {};
    std::string_view text = found->value.text;
    return text.substr(0, text.find('\t'));
}

int number_attribute(const dw::Control& control, std::string_view name)
{
    const std::string_view text = ascii::trim(attribute(control, name));
    int number = 0;
    std::from_chars(text.data(), text.data() + text.size(), number);
    return number;
}

std::string band_of(const dw::Control& control)
{
    const std::string band = lower_name(attribute(control, "band"));
    return band.empty() ? std::string("detail") : band;
}

bool is_visible(const dw::Control& control) { return ascii::trim(attribute(control, "visible")) != "0"; }

// What fills one cell of a band's row: a column's item, a computed field's value or a text.
struct Item {
    int table_column = -1;                      // a column object: its 0-based table column
    const dw::Control* compute = nullptr;       // a computed field
    const dw::Expression* expression = nullptr; // its expression; null when it does not compile
    std::string text;                           // a text object
    int x = 0;
};

// A row of a band other than the detail band: its items by sheet column.
using BandRow = std::vector<std::pair<std::uint32_t, Item>>;

struct Group {
    int level = 0;
    std::vector<int> by; // the table columns whose change starts a group of this level
    BandRow header, trailer;
};

struct Layout {
    std::vector<Item> columns; // the sheet's columns: the detail band's visible items by x
    std::vector<std::string> titles;
    std::vector<Group> groups; // by level
    BandRow summary, footer;
};

std::optional<Item> item_of(const dw::Engine& engine, const dw::Control& control)
{
    Item item;
    item.x = number_attribute(control, "x");
    switch (control.kind) {
    case dw::ControlKind::Column:
        if (control.column_id < 1 || std::size_t(control.column_id) > engine.column_count())
            return std::nullopt;
        item.table_column = control.column_id - 1;
        break;
    case dw::ControlKind::Compute:
        item.compute = &control;
        item.expression = engine.compute_expression(control);
        break;
    case dw::ControlKind::Text: item.text = std::string(attribute(control, "text")); break;
    default: return std::nullopt;
    }
    return item;
}

// The objects of a band, each in the sheet column it stands under: the last column that
// starts at or left of it. Two in one column move on to the next free column to the right
// (or, at the right edge, to the left).
BandRow band_row(const dw::Engine& engine, std::string_view band, const std::vector<Item>& columns)
{
    std::vector<Item> items;
    for (const dw::Control& control : engine.object().controls)
        if (band_of(control) == band && is_visible(control))
            if (auto item = item_of(engine, control);
                item && (item->table_column >= 0 || item->compute || !item->text.empty()))
                items.push_back(std::move(*item));
    std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.x < b.x; });
    BandRow row;
    std::vector<bool> taken(columns.size(), false);
    for (Item& item : items) {
        std::size_t at = 0;
        while (at + 1 < columns.size() && columns[at + 1].x <= item.x)
            ++at;
        std::optional<std::size_t> free;
        for (std::size_t c = at; c < columns.size() && !free; ++c)
            if (!taken[c])
                free = c;
        for (std::size_t c = at; c-- > 0 && !free;)
            if (!taken[c])
                free = c;
        if (!free)
            break; // more objects than columns: the sheet has no cell left for them
        taken[*free] = true;
        row.emplace_back(static_cast<std::uint32_t>(*free), std::move(item));
    }
    std::sort(row.begin(), row.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return row;
}

Layout layout_of(const dw::Engine& engine)
{
    const dw::ObjectDefinition& object = engine.object();
    Layout layout;
    for (const dw::Control& control : object.controls)
        if ((control.kind == dw::ControlKind::Column || control.kind == dw::ControlKind::Compute)
            && band_of(control) == "detail" && is_visible(control))
            if (auto item = item_of(engine, control))
                layout.columns.push_back(std::move(*item));
    std::stable_sort(layout.columns.begin(), layout.columns.end(),
                     [](const Item& a, const Item& b) { return a.x < b.x; });
    for (const Item& column : layout.columns) {
        const std::string name
            = column.compute ? column.compute->name : object.columns[std::size_t(column.table_column)].name;
        const dw::Control* heading = object.find_control(name + "_t");
        std::string title
            = heading && heading->kind == dw::ControlKind::Text ? std::string(attribute(*heading, "text")) : name;
        // A heading on two lines ("~r~n") breaks as Excel breaks a cell's lines: at LF alone.
        std::erase(title, '\r');
        layout.titles.push_back(std::move(title));
    }
    int position = 0;
    for (const dw::SourceItem& source : object.groups) {
        Group group;
        group.level = ++position;
        if (const dw::Attribute* level = dw::find_attribute(source.attributes, "level"))
            std::from_chars(level->value.text.data(), level->value.text.data() + level->value.text.size(), group.level);
        if (const dw::Attribute* by = dw::find_attribute(source.attributes, "by")) {
            auto add = [&](std::string_view name) {
                if (const int index = object.column_index(name); index >= 0)
                    group.by.push_back(index);
            };
            if (by->value.form == dw::AttrValue::Form::List)
                for (const dw::Attribute& name : by->value.items)
                    add(name.value.text);
            else
                add(by->value.text);
        }
        group.header = band_row(engine, fmt::format("header.{}", group.level), layout.columns);
        group.trailer = band_row(engine, fmt::format("trailer.{}", group.level), layout.columns);
        layout.groups.push_back(std::move(group));
    }
    std::stable_sort(layout.groups.begin(), layout.groups.end(),
                     [](const Group& a, const Group& b) { return a.level < b.level; });
    layout.summary = band_row(engine, "summary", layout.columns);
    layout.footer = band_row(engine, "footer", layout.columns);
    return layout;
}

std::int64_t days_from_civil(int year, unsigned month, unsigned day)
{
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const unsigned year_of_era = static_cast<unsigned>(year - era * 400);
    const unsigned day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + static_cast<std::int64_t>(day_of_era) - 719468;
}

double day_fraction(const Time& time)
{
    return (time.hour * 3600.0 + time.minute * 60.0 + time.second + time.microsecond / 1e6) / 86400.0;
}

Result<void> write_date(SheetWriter& writer, std::uint32_t row, std::uint32_t column, const Date& date)
{
    if (auto day = excel_day(date))
        return writer.write_number(row, column, *day, CellStyle::Date);
    return writer.write_text(row, column, iso_text(date), CellStyle::General); // no such day in Excel
}

Result<void> write_datetime(SheetWriter& writer, std::uint32_t row, std::uint32_t column, const DateTime& stamp)
{
    if (auto day = excel_day(stamp.date))
        return writer.write_number(row, column, *day + day_fraction(stamp.time), CellStyle::DateTime);
    return writer.write_text(row, column, iso_text(stamp), CellStyle::General);
}

// A double; one that is no number Excel holds (infinite, NaN) as its text.
Result<void> write_double(SheetWriter& writer, std::uint32_t row, std::uint32_t column, double number)
{
    if (std::isfinite(number))
        return writer.write_number(row, column, number, CellStyle::General);
    return writer.write_text(row, column, fmt::format("{}", number), CellStyle::General);
}

// A value in a cell: numbers as numbers, dates as dates, text as text; null and empty text
// leave the cell empty.
Result<void> write_value(SheetWriter& writer, std::uint32_t row, std::uint32_t column, const Value& value)
{
    if (value.is_null())
        return {};
    switch (value.type()) {
    case Type::String:
        return value.as_string().empty() ? Result<void>()
                                         : writer.write_text(row, column, value.as_string(), CellStyle::General);
    case Type::Integer:
    case Type::Long:
    case Type::ULong: return writer.write_number(row, column, double(value.as_integral()), CellStyle::General);
    case Type::Decimal: return writer.write_number(row, column, value.as_decimal().to_double(), CellStyle::General);
    case Type::Real:
    case Type::Double: return write_double(writer, row, column, value.as_double());
    case Type::Date: return write_date(writer, row, column, value.as_date());
    case Type::DateTime: return write_datetime(writer, row, column, value.as_datetime());
    case Type::Time: return writer.write_number(row, column, day_fraction(value.as_time()), CellStyle::Time);
    default: return writer.write_text(row, column, dw::item_text(value), CellStyle::General);
    }
}

// A table column's item, read from its typed storage without building a value.
Result<void> write_item(SheetWriter& writer, std::uint32_t row, std::uint32_t column, const dw::ColumnValues& values,
                        dw::Slot slot)
{
    if (values.is_null(slot))
        return {};
    switch (values.storage()) {
    case dw::Storage::String: {
        const std::string_view text = values.string(slot);
        return text.empty() ? Result<void>() : writer.write_text(row, column, text, CellStyle::General);
    }
    case dw::Storage::Integer:
        return writer.write_number(row, column, double(values.integers()[slot]), CellStyle::General);
    case dw::Storage::Double: return write_double(writer, row, column, values.doubles()[slot]);
    case dw::Storage::Decimal:
        return writer.write_number(row, column, values.decimals()[slot].to_double(), CellStyle::General);
    case dw::Storage::Date: return write_date(writer, row, column, values.dates()[slot]);
    case dw::Storage::DateTime: return write_datetime(writer, row, column, values.datetimes()[slot]);
    case dw::Storage::Time:
        return writer.write_number(row, column, day_fraction(values.times()[slot]), CellStyle::Time);
    }
    return {};
}

// Numbers the rows of the sheets, going on in a new sheet, headed again, when one is full.
class SheetRows {
public:
    SheetRows(SheetWriter& writer, const std::vector<std::string>* titles) : m_writer(writer), m_titles(titles) {}

    // A sheet to write in: the first one, or a new one when this one is full.
    Result<void> ensure_sheet()
    {
        if (m_sheets > 0 && m_row < m_writer.max_rows())
            return {};
        m_writer.add_sheet(fmt::format("Sheet{}", ++m_sheets));
        m_row = 0;
        if (!m_titles)
            return {};
        for (std::size_t c = 0; c < m_titles->size(); ++c) {
            const std::string& title = m_titles->at(c);
            if (title.empty())
                continue;
            if (auto written = m_writer.write_text(0, std::uint32_t(c), title, CellStyle::Heading); !written)
                return written;
        }
        ++m_row;
        return {};
    }

    // The next row's number.
    Result<std::uint32_t> next()
    {
        if (auto ready = ensure_sheet(); !ready)
            return Result<std::uint32_t>::failure(ready.error());
        return m_row++;
    }

private:
    SheetWriter& m_writer;
    const std::vector<std::string>* m_titles;
    int m_sheets = 0;
    std::uint32_t m_row = 0;
};

// Writes the rows of one export.
class Export {
public:
    Export(const dw::Engine& engine, SheetWriter& writer, const n_excel_parm& parm)
        : m_engine(engine), m_writer(writer), m_parm(parm), m_layout(layout_of(engine)),
          m_rows(writer, parm.ib_header ? &m_layout.titles : nullptr)
    {
    }

    Result<void> run(const Progress& progress)
    {
        if (m_layout.columns.size() > m_writer.max_columns())
            return Result<void>::failure(fmt::format("数据窗口有{}个可见的列，超过了工作表的上限{}列",
                                                     m_layout.columns.size(), m_writer.max_columns()));
        const std::vector<dw::Slot>& slots = m_engine.slots(dw::Buffer::Primary);
        const long count = static_cast<long>(slots.size());
        const int deepest = static_cast<int>(m_layout.groups.size());
        if (auto started = m_rows.ensure_sheet(); !started) // the first sheet, with its header
            return started;
        for (long row = 1; row <= count; ++row) {
            m_context = m_engine.row_context(dw::Buffer::Primary, row);
            if (m_parm.ib_group_header)
                for (int g = row == 1 ? 0 : break_level(slots[row - 2], slots[row - 1]); g < deepest; ++g)
                    if (auto written = band(m_layout.groups[g].header, row); !written)
                        return written;
            if (m_parm.ib_detail)
                if (auto written = detail(); !written)
                    return written;
            if (m_parm.ib_group_trailer)
                for (int g = deepest, end = row == count ? 0 : break_level(slots[row - 1], slots[row]); g-- > end;)
                    if (auto written = band(m_layout.groups[g].trailer, row); !written)
                        return written;
            if (progress && row % progress_step == 0)
                progress(row, false);
        }
        if (m_parm.ib_summary)
            if (auto written = band(m_layout.summary, count); !written)
                return written;
        if (m_parm.ib_footer)
            if (auto written = band(m_layout.footer, count); !written)
                return written;
        if (auto saved = m_writer.save(); !saved)
            return saved;
        if (progress)
            progress(count, true);
        return {};
    }

private:
    // The index of the outermost group that starts anew between two rows (groups count from
    // 0 here); the number of groups when none does.
    int break_level(dw::Slot before, dw::Slot slot) const
    {
        const dw::RowStore& store = m_engine.rows();
        const auto& columns = m_engine.object().columns;
        for (std::size_t g = 0; g < m_layout.groups.size(); ++g)
            for (int c : m_layout.groups[g].by) {
                const dw::ColumnValues& values = store.column(std::size_t(c));
                const dw::ColumnType& type = columns[std::size_t(c)].type;
                if (!(values.get(before, type) == values.get(slot, type)))
                    return static_cast<int>(g);
            }
        return static_cast<int>(m_layout.groups.size());
    }

    Result<void> detail()
    {
        auto row = m_rows.next();
        if (!row)
            return row;
        const dw::RowStore& store = m_engine.rows();
        for (std::size_t c = 0; c < m_layout.columns.size(); ++c) {
            const Item& item = m_layout.columns[c];
            auto written = item.table_column >= 0
                ? write_item(m_writer, *row, std::uint32_t(c), store.column(std::size_t(item.table_column)),
                             m_context.slot)
                : computed(*row, std::uint32_t(c), item);
            if (!written)
                return written;
        }
        return {};
    }

    Result<void> computed(std::uint32_t row, std::uint32_t column, const Item& item)
    {
        if (!item.expression || m_context.row == 0)
            return {}; // a field that does not compile shows nothing; without rows nothing is computed
        return write_value(m_writer, row, column, item.expression->evaluate(m_context));
    }

    // A band's row, its values taken at DataWindow row `at` (0: there are no rows).
    Result<void> band(const BandRow& items, long at)
    {
        if (items.empty())
            return {};
        m_context = m_engine.row_context(dw::Buffer::Primary, at);
        auto row = m_rows.next();
        if (!row)
            return row;
        for (const auto& [column, item] : items) {
            Result<void> written;
            if (!item.text.empty())
                written = m_writer.write_text(*row, column, item.text, CellStyle::General);
            else if (item.compute)
                written = computed(*row, column, item);
            else if (at > 0)
                written = write_item(m_writer, *row, column, m_engine.rows().column(std::size_t(item.table_column)),
                                     m_context.slot);
            if (!written)
                return written;
        }
        return {};
    }

    const dw::Engine& m_engine;
    SheetWriter& m_writer;
    const n_excel_parm& m_parm;
    Layout m_layout;
    SheetRows m_rows;
    dw::RowContext m_context;
};

bool is_xlsx(const fs::path& file) { return ascii::iequals(file.extension().string(), ".xlsx"); }

} // namespace

std::optional<double> excel_day(const Date& date)
{
    if (date < Date {1900, 3, 1})
        return std::nullopt;
    return static_cast<double>(days_from_civil(date.year, date.month, date.day) - days_from_civil(1899, 12, 30));
}

Result<void> export_datawindow(const DataWindowBase& dw, const fs::path& file, const n_excel_parm& parm,
                               const Progress& progress)
{
    const dw::Engine& engine = EngineAccess::engine(dw);
    if (!engine.has_object())
        return Result<void>::failure("数据窗口没有数据对象");
    std::unique_ptr<SheetWriter> writer;
    if (is_xlsx(file)) {
        auto opened = XlsxWorkbook::open(file);
        if (!opened)
            return opened;
        writer = std::move(*opened);
    } else {
        auto opened = XlsWorkbook::open(file);
        if (!opened)
            return opened;
        writer = std::move(*opened);
    }
    try {
        return Export(engine, *writer, parm).run(progress);
    } catch (const RuntimeError& error) { // a computed string past the runtime's limit
        return Result<void>::failure(error.context());
    } catch (const std::bad_alloc&) {
        return Result<void>::failure("内存不足，无法导出");
    }
}

} // namespace hearth::excel
