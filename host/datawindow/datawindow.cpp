#include "host/datawindow/datawindow.h"
#include "host/datawindow/sort_key.h"
#include "host/datawindow/text_util.h"
#include "host/datawindow/value_text.h"

#include "host/value/runtime_error.h"

#include <fmt/format.h>

#include <algorithm>

namespace hearth::dw {

std::string ColumnRef::text() const
{
    return by_name() ? fmt::format("'{}'", m_name) : std::to_string(m_number);
}

Engine::Engine() = default;
Engine::~Engine() = default;

Result<void> Engine::set_object(ObjectDefinition object)
{
    clear_object();
    m_object = std::move(object);
    m_rows = RowStore(m_object.columns);
    m_has_object = true;
    if (!m_object.sort.empty()) {
        auto keys = parse_sort_criteria(m_object.sort, m_object);
        if (!keys) {
            clear_object();
            return Result<void>::failure(fmt::format("sort=\"{}\": {}", m_object.sort, keys.error()));
        }
        m_sort_text = m_object.sort;
        m_sort_keys = std::move(*keys);
    }
    if (!m_object.filter.empty()) {
        auto filter = Expression::compile(m_object.filter, m_object);
        if (!filter) {
            std::string message = fmt::format("filter=\"{}\": {}", m_object.filter, filter.error());
            clear_object();
            return Result<void>::failure(message);
        }
        m_filter_text = m_object.filter;
        m_filter = std::move(*filter);
    }
    return {};
}

void Engine::clear_object()
{
    m_object = ObjectDefinition();
    m_has_object = false;
    m_rows = RowStore();
    for (auto& slots : m_buffers)
        slots.clear();
    m_current_row = 0;
    m_current_column = 0;
    m_clicked_column = 0;
    m_edit_text.reset();
    m_sort_text.clear();
    m_sort_keys.clear();
    m_filter_text.clear();
    m_filter.reset();
    m_selected_cells.clear();
    m_computes.clear();
}

long Engine::modified_count() const
{
    long n = 0;
    for (Buffer buffer : {Buffer::Primary, Buffer::Filter})
        for (Slot slot : m_buffers[index(buffer)]) {
            ItemStatus s = m_rows.status(slot);
            n += (s == ItemStatus::DataModified || s == ItemStatus::NewModified) ? 1 : 0;
        }
    return n;
}

bool Engine::is_updatable() const { return !m_object.update_table.empty(); }

void Engine::apply_initial_values(Slot slot)
{
    for (std::size_t c = 0; c < m_object.columns.size(); ++c) {
        const TableColumn& column = m_object.columns[c];
        const Attribute* initial = find_attribute(column.attributes, "initial");
        if (!initial)
            continue;
        std::string_view text = initial->value.text;
        std::optional<Value> value;
        if (iequals(text, "today") || iequals(text, "now")) {
            // Not a stored value: the row starts empty in this column.
            continue;
        }
        value = parse_item_text(text, column.type, EmptyText::EmptyString);
        if (value)
            m_rows.column(c).set(slot, *value);
    }
}

long Engine::insert_row(long row)
{
    if (!m_has_object)
        return -1;
    auto& primary = buffer_slots(Buffer::Primary);
    long count = static_cast<long>(primary.size());
    if (row < 0 || row > count)
        return -1;
    Slot slot = m_rows.allocate(ItemStatus::New);
    apply_initial_values(slot);
    long position = row == 0 ? count + 1 : row;
    primary.insert(primary.begin() + (position - 1), slot);
    // kept: InsertRow does not move the current row, but rows after it shift down
    if (m_current_row >= position && m_current_row > 0)
        ++m_current_row;
    settle_current_row(false);
    return position;
}

int Engine::delete_row(long row)
{
    if (!m_has_object)
        return -1;
    if (row == 0)
        row = m_current_row;
    auto& primary = buffer_slots(Buffer::Primary);
    if (row < 1 || row > static_cast<long>(primary.size()))
        return -1;
    Slot slot = primary[row - 1];
    primary.erase(primary.begin() + (row - 1));
    if (is_updatable())
        buffer_slots(Buffer::Delete).push_back(slot);
    else
        m_rows.release(slot);
    bool replaced = row == m_current_row;
    if (row < m_current_row)
        --m_current_row;
    settle_current_row(replaced);
    return 1;
}

int Engine::reset()
{
    if (!m_has_object)
        return -1;
    m_rows.clear();
    for (auto& slots : m_buffers)
        slots.clear();
    m_edit_text.reset();
    change_current_row(0);
    return 1;
}

namespace {

bool compatible(Storage a, Storage b)
{
    auto numeric = [](Storage s) { return s == Storage::Integer || s == Storage::Double || s == Storage::Decimal; };
    auto dated = [](Storage s) { return s == Storage::Date || s == Storage::DateTime; };
    return a == b || (numeric(a) && numeric(b)) || (dated(a) && dated(b));
}

} // namespace

int Engine::rows_copy(long start, long end, Buffer from, Engine& target, long before, Buffer to)
{
    if (!m_has_object || !target.m_has_object)
        return -1;
    const auto& source = m_buffers[index(from)];
    long count = static_cast<long>(source.size());
    if (start < 1 || start > count || end < start || before < 1)
        return -1;
    end = std::min(end, count);
    if (target.column_count() != column_count())
        return -1;
    for (std::size_t c = 0; c < column_count(); ++c)
        if (!compatible(m_object.columns[c].type.storage(), target.m_object.columns[c].type.storage()))
            return -1;
    // Snapshot the slots first: the target may be this engine.
    std::vector<Slot> picked(source.begin() + (start - 1), source.begin() + end);
    std::vector<Slot> copies;
    copies.reserve(picked.size());
    for (Slot slot : picked) {
        Slot copy = target.m_rows.allocate(ItemStatus::NewModified);
        for (std::size_t c = 0; c < column_count(); ++c) {
            const TableColumn& to_column = target.m_object.columns[c];
            if (m_object.columns[c].type.storage() == to_column.type.storage()) {
                target.m_rows.column(c).copy_item(copy, m_rows.column(c), slot);
            } else {
                Value value = m_rows.column(c).get(slot, m_object.columns[c].type);
                if (auto converted = convert_for_column(value, to_column.type))
                    target.m_rows.column(c).set(copy, *converted);
            }
        }
        copies.push_back(copy);
    }
    auto& destination = target.buffer_slots(to);
    long position = std::min<long>(before, static_cast<long>(destination.size()) + 1);
    destination.insert(destination.begin() + (position - 1), copies.begin(), copies.end());
    if (to == Buffer::Primary) {
        if (target.m_current_row >= position && target.m_current_row > 0)
            target.m_current_row += static_cast<long>(copies.size());
        target.settle_current_row(false);
    }
    return 1;
}

int Engine::rows_move(long start, long end, Buffer from, Engine& target, long before, Buffer to)
{
    if (&target == this && from == to)
        return -1;
    long count = this->count(from);
    if (rows_copy(start, end, from, target, before, to) != 1)
        return -1;
    return rows_discard(start, std::min(end, count), from);
}

int Engine::rows_discard(long start, long end, Buffer buffer)
{
    if (!m_has_object)
        return -1;
    auto& slots = buffer_slots(buffer);
    long count = static_cast<long>(slots.size());
    if (start < 1 || start > count || end < start)
        return -1;
    end = std::min(end, count);
    for (long r = start; r <= end; ++r)
        m_rows.release(slots[r - 1]);
    slots.erase(slots.begin() + (start - 1), slots.begin() + end);
    if (buffer == Buffer::Primary) {
        bool replaced = m_current_row >= start && m_current_row <= end;
        if (m_current_row > end)
            m_current_row -= end - start + 1;
        else if (replaced)
            m_current_row = start;
        settle_current_row(replaced);
    }
    return 1;
}

// ---- items ------------------------------------------------------------------------------

int Engine::resolve_column(ColumnRef column) const
{
    if (!column.by_name())
        return column.number() >= 1 && column.number() <= static_cast<int>(column_count()) ? column.number() - 1 : -1;
    return m_object.column_index(column.name());
}

Slot Engine::slot_or_throw(std::string_view operation, long row, ColumnRef column, Buffer buffer) const
{
    const auto& slots = m_buffers[index(buffer)];
    if (row < 1 || row > static_cast<long>(slots.size()))
        throw RuntimeError(ErrorCode::CallFailed,
                           fmt::format("{}: Invalid DataWindow row/column specified (row {} of {}, column {})", operation,
                                       row, slots.size(), column.text()));
    return slots[row - 1];
}

Value Engine::compute_item(const Control& compute, long row, Buffer buffer) const
{
    std::string key = to_lower(compute.name);
    auto it = m_computes.find(key);
    if (it == m_computes.end()) {
        const Attribute* text = find_attribute(compute.attributes, "expression");
        auto compiled = Expression::compile(text ? std::string_view(text->value.text) : std::string_view(), m_object);
        if (!compiled)
            return Value();
        it = m_computes.emplace(key, std::move(*compiled)).first;
    }
    return it->second.evaluate(row_context(buffer, row));
}

Value Engine::typed_item(std::string_view operation, long row, ColumnRef column, Buffer buffer, bool original,
                         std::initializer_list<Type> accepted) const
{
    int c = resolve_column(column);
    Value value;
    if (c < 0) {
        const Control* compute = column.by_name() ? m_object.find_compute(column.name()) : nullptr;
        if (!compute)
            throw RuntimeError(ErrorCode::CallFailed,
                               fmt::format("{}: Invalid DataWindow row/column specified (column {} does not exist)",
                                           operation, column.text()));
        slot_or_throw(operation, row, column, buffer);
        value = compute_item(*compute, row, buffer);
    } else {
        Slot slot = slot_or_throw(operation, row, column, buffer);
        const ColumnType& type = m_object.columns[c].type;
        value = original ? m_rows.original(slot, c, type) : m_rows.column(c).get(slot, type);
    }
    if (accepted.size() == 0 || value.type() == Type::Any)
        return value;
    if (std::find(accepted.begin(), accepted.end(), value.type()) == accepted.end())
        throw RuntimeError(ErrorCode::CallFailed,
                           fmt::format("{}: DataWindow column type does not match GetItem type (column {} is {})",
                                       operation, column.text(),
                                       c >= 0 ? m_object.columns[c].type.text() : std::string(type_name(value.type()))));
    return value;
}

Value Engine::get_item(long row, ColumnRef column, Buffer buffer, bool original) const
{
    if (!m_has_object)
        return Value();
    return typed_item("GetItem", row, column, buffer, original, {});
}

Value Engine::get_item_string(long row, ColumnRef column, Buffer buffer, bool original) const
{
    if (!m_has_object)
        return Value(""); // kept: with no object GetItemString gives "", the others null
    return typed_item("GetItemString", row, column, buffer, original, {Type::String});
}

Value Engine::get_item_number(long row, ColumnRef column, Buffer buffer, bool original) const
{
    if (!m_has_object)
        return Value::null_of(Type::Double);
    Value value = typed_item("GetItemNumber", row, column, buffer, original,
                             {Type::Integer, Type::Long, Type::ULong, Type::Real, Type::Double, Type::Decimal});
    if (value.is_null())
        return Value::null_of(Type::Double);
    if (value.type() == Type::Decimal)
        return Value(value.as_decimal().to_double());
    if (value.is_integral())
        return Value(static_cast<double>(value.as_integral()));
    return Value(value.as_double());
}

Value Engine::get_item_decimal(long row, ColumnRef column, Buffer buffer, bool original) const
{
    if (!m_has_object)
        return Value::null_of(Type::Decimal);
    Value value = typed_item("GetItemDecimal", row, column, buffer, original,
                             {Type::Integer, Type::Long, Type::ULong, Type::Real, Type::Double, Type::Decimal});
    if (value.is_null())
        return Value::null_of(Type::Decimal);
    if (value.type() == Type::Decimal)
        return value;
    if (value.is_integral())
        return Value(Decimal(value.as_integral()));
    auto converted = Decimal::from_double(value.as_double());
    return converted ? Value(*converted) : Value::null_of(Type::Decimal);
}

Value Engine::get_item_date(long row, ColumnRef column, Buffer buffer, bool original) const
{
    if (!m_has_object)
        return Value::null_of(Type::Date);
    Value value = typed_item("GetItemDate", row, column, buffer, original, {Type::Date, Type::DateTime});
    if (value.type() == Type::DateTime)
        return value.is_null() ? Value::null_of(Type::Date) : Value(value.as_datetime().date);
    return value;
}

Value Engine::get_item_datetime(long row, ColumnRef column, Buffer buffer, bool original) const
{
    if (!m_has_object)
        return Value::null_of(Type::DateTime);
    Value value = typed_item("GetItemDateTime", row, column, buffer, original, {Type::Date, Type::DateTime});
    if (value.type() == Type::Date)
        return value.is_null() ? Value::null_of(Type::DateTime) : Value(DateTime {value.as_date(), Time {}});
    return value;
}

Value Engine::get_item_time(long row, ColumnRef column, Buffer buffer, bool original) const
{
    if (!m_has_object)
        return Value::null_of(Type::Time);
    Value value = typed_item("GetItemTime", row, column, buffer, original, {Type::Time, Type::DateTime});
    if (value.type() == Type::DateTime)
        return value.is_null() ? Value::null_of(Type::Time) : Value(value.as_datetime().time);
    return value;
}

int Engine::set_item(long row, ColumnRef column, const Value& value, Buffer buffer)
{
    if (!m_has_object)
        return -1;
    int c = resolve_column(column);
    if (c < 0)
        throw RuntimeError(ErrorCode::CallFailed,
                           fmt::format("SetItem: Invalid DataWindow row/column specified (column {} does not exist)",
                                       column.text()));
    Slot slot = slot_or_throw("SetItem", row, column, buffer);
    const ColumnType& type = m_object.columns[c].type;
    auto converted = convert_for_column(value, type);
    if (!converted)
        throw RuntimeError(ErrorCode::CallFailed,
                           fmt::format("SetItem: a {} value does not suit column {} of type {}", type_name(value.type()),
                                       column.text(), type.text()));
    m_rows.mark_modified(slot, c, type);
    m_rows.column(c).set(slot, *converted);
    ItemStatus status = m_rows.status(slot);
    if (status == ItemStatus::New)
        m_rows.set_status(slot, ItemStatus::NewModified);
    else if (status == ItemStatus::NotModified)
        m_rows.set_status(slot, ItemStatus::DataModified);
    return 1;
}

ItemStatus Engine::get_item_status(long row, int column, Buffer buffer) const
{
    Slot slot = slot_or_throw("GetItemStatus", row, column, buffer);
    if (column == 0)
        return m_rows.status(slot);
    if (column < 1 || column > static_cast<int>(column_count()))
        throw RuntimeError(ErrorCode::CallFailed,
                           fmt::format("GetItemStatus: Invalid DataWindow row/column specified (column {})", column));
    return m_rows.is_modified(slot, column - 1) ? ItemStatus::DataModified : ItemStatus::NotModified;
}

bool Engine::is_item_modified(long row, int column, Buffer buffer) const
{
    return get_item_status(row, column, buffer) == ItemStatus::DataModified;
}

int Engine::set_item_status(long row, int column, Buffer buffer, ItemStatus status)
{
    if (!m_has_object)
        return -1;
    const auto& slots = m_buffers[index(buffer)];
    if (row < 1 || row > static_cast<long>(slots.size()))
        return -1;
    Slot slot = slots[row - 1];
    if (column != 0) {
        if (column < 1 || column > static_cast<int>(column_count()))
            return -1;
        std::size_t c = static_cast<std::size_t>(column - 1);
        if (status == ItemStatus::DataModified) {
            m_rows.mark_modified(slot, c, m_object.columns[c].type);
            ItemStatus row_status = m_rows.status(slot);
            if (row_status == ItemStatus::NotModified)
                m_rows.set_status(slot, ItemStatus::DataModified);
            else if (row_status == ItemStatus::New)
                m_rows.set_status(slot, ItemStatus::NewModified);
            return 1;
        }
        if (status == ItemStatus::NotModified) {
            m_rows.clear_modified(slot, c);
            return 1;
        }
        return -1; // columns are only NotModified! or DataModified!
    }
    // The row status table of the runtime: some changes are refused or land elsewhere.
    ItemStatus from = m_rows.status(slot);
    ItemStatus result = status;
    if (from == ItemStatus::New && status == ItemStatus::NotModified)
        result = ItemStatus::New;
    else if (from == ItemStatus::NewModified && status == ItemStatus::New)
        return -1;
    else if (from == ItemStatus::NewModified && status == ItemStatus::NotModified)
        result = ItemStatus::New;
    else if (from == ItemStatus::DataModified && status == ItemStatus::New)
        result = ItemStatus::NewModified;
    m_rows.set_status(slot, result);
    for (std::size_t c = 0; c < column_count(); ++c)
        m_rows.clear_modified(slot, c);
    return 1;
}

int Engine::reset_update()
{
    if (!m_has_object)
        return -1;
    for (Slot slot : m_buffers[index(Buffer::Delete)])
        m_rows.release(slot);
    buffer_slots(Buffer::Delete).clear();
    for (Buffer buffer : {Buffer::Primary, Buffer::Filter})
        for (Slot slot : m_buffers[index(buffer)]) {
            ItemStatus s = m_rows.status(slot);
            if (s == ItemStatus::DataModified || s == ItemStatus::NewModified)
                m_rows.set_status(slot, ItemStatus::NotModified);
            for (std::size_t c = 0; c < column_count(); ++c)
                m_rows.clear_modified(slot, c);
        }
    return 1;
}

long Engine::get_next_modified(long row, Buffer buffer) const
{
    const auto& slots = m_buffers[index(buffer)];
    for (long r = std::max(row, 0L) + 1; r <= static_cast<long>(slots.size()); ++r) {
        ItemStatus s = m_rows.status(slots[r - 1]);
        if (s == ItemStatus::DataModified || s == ItemStatus::NewModified)
            return r;
    }
    return 0;
}

// ---- current row, column, selection -----------------------------------------------------

void Engine::change_current_row(long row)
{
    if (row == m_current_row)
        return;
    m_current_row = row;
    if (m_row_focus_changed)
        m_row_focus_changed(row);
}

void Engine::settle_current_row(bool current_row_replaced)
{
    long count = row_count();
    long wanted = m_current_row;
    if (count == 0)
        wanted = 0;
    else if (wanted < 1)
        wanted = 1; // a DataWindow with rows always has a current row
    else if (wanted > count)
        wanted = count;
    if (wanted == m_current_row && current_row_replaced && wanted > 0) {
        if (m_row_focus_changed)
            m_row_focus_changed(wanted);
        return;
    }
    change_current_row(wanted);
}

int Engine::set_row(long row)
{
    if (!m_has_object || row < 1 || row > row_count())
        return -1;
    change_current_row(row);
    return 1;
}

long Engine::scroll_to_row(long row)
{
    if (!m_has_object || row_count() == 0)
        return -1;
    row = std::clamp(row, 1L, row_count());
    change_current_row(row);
    return row;
}

int Engine::select_row(long row, SelectFlag flag)
{
    if (!m_has_object)
        return 1; // kept: SelectRow with no object succeeds
    auto& primary = buffer_slots(Buffer::Primary);
    if (row == 0) {
        for (Slot slot : primary)
            m_rows.set_selected(slot, flag == SelectFlag::On);
        return 1;
    }
    if (row < 1 || row > static_cast<long>(primary.size()))
        return -1;
    m_rows.set_selected(primary[row - 1], flag == SelectFlag::On);
    return 1;
}

bool Engine::is_selected(long row) const
{
    const auto& primary = m_buffers[index(Buffer::Primary)];
    return row >= 1 && row <= static_cast<long>(primary.size()) && m_rows.is_selected(primary[row - 1]);
}

long Engine::get_selected_row(long row) const
{
    const auto& primary = m_buffers[index(Buffer::Primary)];
    for (long r = std::max(row, 0L) + 1; r <= static_cast<long>(primary.size()); ++r)
        if (m_rows.is_selected(primary[r - 1]))
            return r;
    return 0;
}

std::string Engine::get_column_name() const
{
    if (m_current_column < 1 || m_current_column > static_cast<int>(column_count()))
        return {};
    return m_object.columns[m_current_column - 1].name;
}

int Engine::set_column(ColumnRef column)
{
    int c = resolve_column(column);
    if (c < 0)
        return -1;
    m_current_column = c + 1;
    m_edit_text.reset();
    return 1;
}

int Engine::set_text(std::string_view text)
{
    if (!m_has_object || m_current_row < 1 || m_current_column < 1)
        return -1;
    m_edit_text = std::string(text);
    return 1;
}

int Engine::accept_text()
{
    if (!m_has_object || !m_edit_text)
        return 1; // nothing to accept
    if (m_current_row < 1 || m_current_row > row_count() || m_current_column < 1)
        return -1;
    const ColumnType& type = m_object.columns[m_current_column - 1].type;
    auto value = parse_item_text(*m_edit_text, type, EmptyText::EmptyString);
    if (!value)
        return -1; // the edit keeps the text the user can correct
    set_item(m_current_row, m_current_column, *value);
    m_edit_text.reset();
    return 1;
}

int Engine::set_redraw(bool on)
{
    m_redraw = on;
    return 1;
}

RowContext Engine::row_context(Buffer buffer, long row) const
{
    RowContext context;
    context.engine = this;
    context.rows = &m_rows;
    const auto& slots = m_buffers[index(buffer)];
    context.slot = row >= 1 && row <= static_cast<long>(slots.size()) ? slots[row - 1] : 0;
    context.row = row;
    context.row_count = row_count();
    context.current_row = m_current_row;
    return context;
}

} // namespace hearth::dw
