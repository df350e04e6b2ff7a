#pragma once
// Row storage: one typed vector per column (not a Value per cell), indexed by a row slot.
// A text column keeps the bytes of all its items in one arena and, per slot, where they
// are: 8 bytes an item instead of a string object of 32 and a heap block. The three buffers of the engine are lists of slots, so sorting, filtering and deleting
// move slot numbers and never copy column data. Per slot the store keeps the row status,
// the selection flag, a modified flag per column and, for modified items, the original
// value that Update needs for its WHERE clause.

#include "host/datawindow/object.h"
#include "host/value/value.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

namespace hearth::dw {

// Row and item statuses with the runtime's numbers.
enum class ItemStatus : std::uint8_t { NotModified = 0, DataModified = 1, New = 2, NewModified = 3 };

using Slot = std::uint32_t;

// A growable array of plain values for column storage. It grows with realloc, which moves a
// large block by remapping its pages instead of copying them into fresh ones: a column
// filled row by row during a retrieve does not pay for every doubling again.
template <class T> class ItemBuffer {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    ItemBuffer() = default;
    ItemBuffer(const ItemBuffer& other) { assign(other.data(), other.size()); }
    ItemBuffer(ItemBuffer&& other) noexcept
        : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0)),
          m_capacity(std::exchange(other.m_capacity, 0)), m_ready(std::exchange(other.m_ready, 0))
    {
    }
    ItemBuffer& operator=(ItemBuffer other) noexcept
    {
        std::swap(m_data, other.m_data);
        std::swap(m_size, other.m_size);
        std::swap(m_capacity, other.m_capacity);
        std::swap(m_ready, other.m_ready);
        return *this;
    }
    ~ItemBuffer() { std::free(m_data); }

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    T* data() { return m_data; }
    const T* data() const { return m_data; }
    T& operator[](std::size_t i) { return m_data[i]; }
    const T& operator[](std::size_t i) const { return m_data[i]; }
    operator std::span<const T>() const { return {m_data, m_size}; }

    void reserve(std::size_t capacity)
    {
        if (capacity <= m_capacity)
            return;
        void* grown = std::realloc(m_data, capacity * sizeof(T));
        if (!grown)
            throw std::bad_alloc();
        m_data = static_cast<T*>(grown);
        m_capacity = capacity;
        m_ready = std::min(m_ready, m_capacity);
    }
    void push_back(const T& item)
    {
        if (m_size >= m_ready)
            make_room(m_size + 1);
        m_data[m_size++] = item;
    }
    void append(const T* items, std::size_t count)
    {
        if (m_size + count > m_ready)
            make_room(m_size + count);
        if (count)
            std::memcpy(m_data + m_size, items, count * sizeof(T));
        m_size += count;
    }
    void resize(std::size_t size, const T& fill = T())
    {
        if (size > m_capacity)
            reserve(std::max(size, m_capacity * 2));
        for (std::size_t i = m_size; i < size; ++i)
            m_data[i] = fill;
        m_size = size;
    }
    void assign(const T* items, std::size_t count)
    {
        m_size = 0;
        append(items, count);
    }

private:
    // Room for `size` items. In a large block the pages ahead are mapped a stretch at a time
    // with one call: a trap per page costs far more, above all in a virtual machine. Kept out
    // of line so push_back, run once per item of a retrieve, stays a compare and a store.
    [[gnu::noinline]] void make_room(std::size_t size)
    {
        if (size > m_capacity)
            reserve(std::max<std::size_t>({16, m_capacity * 2, size}));
        constexpr std::size_t large = std::size_t(1) << 20, stretch = std::size_t(128) << 10, page = 4096;
        if (m_capacity * sizeof(T) < large) {
            m_ready = m_capacity;
            return;
        }
        const auto base = reinterpret_cast<std::uintptr_t>(m_data);
        const std::uintptr_t from = (base + m_size * sizeof(T) + page - 1) & ~(page - 1);
        const std::uintptr_t to
            = std::min((from + stretch) & ~(page - 1), (base + m_capacity * sizeof(T)) & ~(page - 1));
        if (to > from)
            ::madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
        m_ready = std::max(size, std::min(m_capacity, (to - base) / sizeof(T)));
    }

    T* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
    std::size_t m_ready = 0; // items push_back may store without looking further
};

class ColumnValues {
public:
    explicit ColumnValues(Storage storage) : m_storage(storage) {}

    Storage storage() const { return m_storage; }
    std::size_t size() const { return m_nulls.size(); }
    void resize(std::size_t slots);
    // Room for `slots` slots in all, so bulk loading does not grow the vectors step by step.
    void reserve(std::size_t slots);

    bool is_null(Slot slot) const { return m_nulls[slot] != 0; }
    void set_null(Slot slot);

    // Typed columns, by storage (asserted by the caller's choice of accessor), by slot. A
    // text item's view stays valid until the column changes.
    std::string_view string(Slot slot) const
    {
        const TextRef ref = m_text_refs[slot];
        return std::string_view(m_text.data() + ref.offset, ref.size);
    }
    std::span<const std::int64_t> integers() const { return m_integers; }
    std::span<const double> doubles() const { return m_doubles; }
    std::span<const Decimal> decimals() const { return m_decimals; }
    std::span<const Date> dates() const { return m_dates; }
    std::span<const DateTime> datetimes() const { return m_datetimes; }
    std::span<const Time> times() const { return m_times; }
    std::span<const std::uint8_t> nulls() const { return m_nulls; }

    void set_string(Slot slot, std::string_view text);
    void set_integer(Slot slot, std::int64_t number);
    void set_double(Slot slot, double number);
    void set_decimal(Slot slot, const Decimal& number);
    void set_date(Slot slot, Date date);
    void set_datetime(Slot slot, DateTime stamp);
    void set_time(Slot slot, Time time);

    // The item as a value of the column's type (null of that type when null).
    // Bulk loading appends one item per new row after the last slot, in row order; the
    // rows become slots with RowStore::add_appended.
    void append_null()
    {
        append_typed_default();
        m_nulls.push_back(1);
    }
    void append_string(std::string_view text)
    {
        m_text_refs.push_back(add_text(text));
        m_nulls.push_back(0);
    }
    void append_integer(std::int64_t number)
    {
        m_integers.push_back(number);
        m_nulls.push_back(0);
    }
    void append_double(double number)
    {
        m_doubles.push_back(number);
        m_nulls.push_back(0);
    }
    void append_decimal(const Decimal& number)
    {
        m_decimals.push_back(number);
        m_nulls.push_back(0);
    }
    void append_date(Date date)
    {
        m_dates.push_back(date);
        m_nulls.push_back(0);
    }
    void append_datetime(DateTime stamp)
    {
        m_datetimes.push_back(stamp);
        m_nulls.push_back(0);
    }
    void append_time(Time time)
    {
        m_times.push_back(time);
        m_nulls.push_back(0);
    }

    Value get(Slot slot, const ColumnType& type) const;
    // Stores a value already converted to the column's type (see convert_for_column).
    void set(Slot slot, const Value& value);
    void copy_item(Slot slot, const ColumnValues& from, Slot from_slot);

private:
    // Where a text item's bytes lie in m_text.
    struct TextRef {
        std::uint32_t offset = 0;
        std::uint32_t size = 0;
    };

    void append_typed_default();
    TextRef add_text(std::string_view text);
    // Drops a text item's bytes from the live count; the arena is rewritten once half of it
    // is dead, so editing an item again and again does not grow it without bound.
    void forget_text(Slot slot);
    void compact_text();

    Storage m_storage;
    ItemBuffer<std::uint8_t> m_nulls;
    ItemBuffer<char> m_text;
    ItemBuffer<TextRef> m_text_refs;
    std::size_t m_dead_text = 0; // bytes of m_text no item refers to
    ItemBuffer<std::int64_t> m_integers;
    ItemBuffer<double> m_doubles;
    ItemBuffer<Decimal> m_decimals;
    ItemBuffer<Date> m_dates;
    ItemBuffer<DateTime> m_datetimes;
    ItemBuffer<Time> m_times;
};

// A decimal rounded to a decimal(n) column's places and written with exactly n places.
Decimal fit_scale(const Decimal& number, int places);

// The value converted for a column of that type, or nullopt when the runtime refuses the
// store (text into a number column ...). Null values of any type are accepted.
std::optional<Value> convert_for_column(const Value& value, const ColumnType& type);

class RowStore {
public:
    RowStore() = default;
    explicit RowStore(const std::vector<TableColumn>& columns);

    std::size_t column_count() const { return m_columns.size(); }
    // Slots ever allocated (live and free); slot numbers are below it.
    std::size_t slot_count() const { return m_status.size(); }
    const ColumnValues& column(std::size_t index) const { return m_columns[index]; }
    ColumnValues& column(std::size_t index) { return m_columns[index]; }

    // A fresh slot with every item null, status `status`, nothing modified.
    Slot allocate(ItemStatus status);
    // Reserves room for `count` more slots (bulk loading).
    void reserve(std::size_t count);
    // Bulk loading: after `count` rows were appended to every column (ColumnValues::append_*),
    // makes them slots after the existing ones with status `status`, nothing modified, and
    // returns the first. Free slots are not reused.
    Slot add_appended(std::size_t count, ItemStatus status);
    // Takes back the items appended since the last add_appended (a load that failed).
    void drop_appended();
    // Gives the slot back; its data is dropped.
    void release(Slot slot);
    void clear();

    ItemStatus status(Slot slot) const { return m_status[slot]; }
    void set_status(Slot slot, ItemStatus status) { m_status[slot] = status; }
    bool is_selected(Slot slot) const { return m_selected[slot] != 0; }
    void set_selected(Slot slot, bool selected);
    // Clears every selection flag. It visits the slots selected since the last time rather
    // than every slot: a grid deselects all and selects one on each row change.
    void deselect_all();

    bool is_modified(Slot slot, std::size_t column) const
    {
        const auto& flags = m_modified[column];
        return slot < flags.size() && flags[slot] != 0;
    }
    // Marks the item modified, keeping its current value as the original the first time.
    void mark_modified(Slot slot, std::size_t column, const ColumnType& type);
    // Clears the item's flag and forgets its original.
    void clear_modified(Slot slot, std::size_t column);
    // The retrieved value: the kept original for a modified item, else the current one.
    Value original(Slot slot, std::size_t column, const ColumnType& type) const;

private:
    std::vector<ColumnValues> m_columns;
    std::vector<ItemStatus> m_status;
    std::vector<std::uint8_t> m_selected;
    // Every slot whose flag was set since the last deselect_all, and perhaps cleared since
    // (the flags say which are selected).
    std::vector<Slot> m_selected_slots;
    // Per column, sized on the column's first change: a retrieved page has none.
    std::vector<std::vector<std::uint8_t>> m_modified;
    std::vector<std::unordered_map<Slot, Value>> m_originals;
    std::vector<Slot> m_free;
};

} // namespace hearth::dw
