#pragma once
// The DataWindow engine: one object definition, its rows in three buffers, the current
// row and column, sort and filter criteria, and the Describe/Modify languages. A DataWindow
// control owns one engine and a DataStore is one; the engine knows nothing of windows,
// scripts or the object model, and tells its owner about row focus through a callback.
//
// Conventions at this edge follow the runtime: row and column numbers are 1-based, failures
// of row operations return -1, Describe answers "!" and "?", Modify answers "" or an error
// text. Reading or writing an item at a bad row or column, or with the wrong type, raises
// hearth::RuntimeError 25015 (the runtime's "Invalid DataWindow row/column specified" and
// "DataWindow column type does not match GetItem type" end a script as a failed host call).

#include "host/datawindow/expr.h"
#include "host/datawindow/object.h"
#include "host/datawindow/row_store.h"

#include <array>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hearth::dw {

// The three row buffers with the runtime's numbers.
enum class Buffer : std::uint8_t { Primary = 0, Delete = 1, Filter = 2 };

enum class SelectFlag : std::uint8_t { Off, On };

// A column by 1-based number or by name (without case).
class ColumnRef {
public:
    ColumnRef(int number) : m_number(number) {}
    ColumnRef(std::string_view name) : m_name(name) {}
    ColumnRef(const char* name) : m_name(name) {}
    ColumnRef(const std::string& name) : m_name(name) {}

    bool by_name() const { return m_number == 0; }
    int number() const { return m_number; }
    std::string_view name() const { return m_name; }
    std::string text() const;

private:
    int m_number = 0;
    std::string_view m_name;
};

class Engine;

// Bulk row loading for Retrieve and ImportString: rows are appended to the Primary! buffer
// with one status, then committed together. Values are given per column (0-based) as
// typed values or as text in the column's text form.
class RowLoader {
public:
    RowLoader(RowLoader&&) = default;
    ~RowLoader();

    // Starts a new row with every item null.
    void begin_row();
    // Sets an item of the row begun last; false when the value does not suit the column.
    bool set_value(std::size_t column, const Value& value);
    bool set_text(std::size_t column, std::string_view text);
    void set_null(std::size_t column);
    // Typed fast paths; the column's storage must match (asserted).
    void set_string(std::size_t column, std::string_view text);
    void set_integer(std::size_t column, std::int64_t number);
    void set_double(std::size_t column, double number);
    void set_decimal(std::size_t column, const Decimal& number);
    void set_date(std::size_t column, Date date);
    void set_datetime(std::size_t column, DateTime stamp);
    void set_time(std::size_t column, Time time);

    std::size_t row_count() const { return m_slots.size(); }
    // Appends the loaded rows to Primary! (before row `before`, 0 = at the end). Returns the
    // number of rows appended.
    long commit(long before = 0);
    // Drops the loaded rows.
    void discard();

private:
    friend class Engine;
    RowLoader(Engine& engine, ItemStatus status) : m_engine(&engine), m_status(status) {}

    Engine* m_engine;
    ItemStatus m_status;
    std::vector<Slot> m_slots;
};

class Engine {
public:
    Engine();
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // ---- the object ----------------------------------------------------------------------
    // Assigns an object (DataObject = ...): rows, criteria and current row start afresh,
    // the designed sort and filter become the criteria. Fails for a designed sort or filter
    // that does not compile; the engine then keeps no object.
    Result<void> set_object(ObjectDefinition object);
    void clear_object();
    bool has_object() const { return m_has_object; }
    const ObjectDefinition& object() const { return m_object; }
    std::size_t column_count() const { return m_object.columns.size(); }

    // Describe(propertylist): one answer per item joined by newlines; "!" ends the list at
    // an unknown object or attribute.
    std::string describe(std::string_view properties);
    // Modify(modstring): "" on success, else an error text; a failing modstring changes
    // nothing.
    std::string modify(std::string_view modstring);
    // Object.<name>.<attribute> reads and writes (same attribute table as Describe/Modify).
    Result<std::string> get_attribute(std::string_view object, std::string_view attribute);
    Result<void> set_attribute(std::string_view object, std::string_view attribute, std::string_view value);

    // ---- rows ----------------------------------------------------------------------------
    long row_count() const { return count(Buffer::Primary); }
    long filtered_count() const { return count(Buffer::Filter); }
    long deleted_count() const { return count(Buffer::Delete); }
    long count(Buffer buffer) const { return static_cast<long>(m_buffers[index(buffer)].size()); }
    // DataModified!/NewModified! rows in Primary! and Filter!.
    long modified_count() const;

    // Inserts an empty row before `row` (0 appends); returns its number, -1 on error.
    long insert_row(long row);
    // Moves row (0 = the current row) to Delete! (or discards it when the object does not
    // update a table); 1, or -1 for a bad row.
    int delete_row(long row);
    // Empties every buffer.
    int reset();
    // Copies rows start..end of a buffer into target before row `before` (beyond the end
    // appends); copies become NewModified!. 1, or -1 for bad rows or unlike columns.
    int rows_copy(long start, long end, Buffer from, Engine& target, long before, Buffer to);
    // As rows_copy, then removes the rows from this engine.
    int rows_move(long start, long end, Buffer from, Engine& target, long before, Buffer to);
    // Drops rows for good (from Delete! no DELETE will be sent for them).
    int rows_discard(long start, long end, Buffer buffer);

    // ---- items ---------------------------------------------------------------------------
    // The item as a value of the column's type; computed fields by name.
    Value get_item(long row, ColumnRef column, Buffer buffer = Buffer::Primary, bool original = false) const;
    Value get_item_string(long row, ColumnRef column, Buffer buffer = Buffer::Primary, bool original = false) const;
    Value get_item_number(long row, ColumnRef column, Buffer buffer = Buffer::Primary, bool original = false) const;
    Value get_item_decimal(long row, ColumnRef column, Buffer buffer = Buffer::Primary, bool original = false) const;
    Value get_item_date(long row, ColumnRef column, Buffer buffer = Buffer::Primary, bool original = false) const;
    Value get_item_datetime(long row, ColumnRef column, Buffer buffer = Buffer::Primary, bool original = false) const;
    Value get_item_time(long row, ColumnRef column, Buffer buffer = Buffer::Primary, bool original = false) const;
    // Writes an item of Primary! (or another buffer); 1 on success, -1 (nothing written) for a
    // value the column cannot hold, as the runtime answers SetItem of a mismatched type.
    int set_item(long row, ColumnRef column, const Value& value, Buffer buffer = Buffer::Primary);

    // Row status (column 0) or item status.
    ItemStatus get_item_status(long row, int column, Buffer buffer = Buffer::Primary) const;
    int set_item_status(long row, int column, Buffer buffer, ItemStatus status);
    bool is_item_modified(long row, int column, Buffer buffer = Buffer::Primary) const;
    // Clears every flag after a successful Update: Delete! is emptied, modified rows become
    // NotModified!, New! rows stay New!.
    int reset_update();
    // Next DataModified!/NewModified! row after `row` in the buffer, 0 when none.
    long get_next_modified(long row, Buffer buffer) const;

    // ---- current row, column, selection --------------------------------------------------
    long get_row() const { return m_current_row; }
    // Makes row current (no scrolling); 1, or -1 when row is outside 1..RowCount.
    int set_row(long row);
    // Makes row current, 0 meaning the first and a too large number the last; returns the
    // row scrolled to (or -1 when there are no rows).
    long scroll_to_row(long row);
    // Called with the new current row whenever it changes.
    void set_row_focus_changed(std::function<void(long)> callback) { m_row_focus_changed = std::move(callback); }

    int select_row(long row, SelectFlag flag);
    bool is_selected(long row) const;
    // Next selected row after `row`, 0 when none.
    long get_selected_row(long row) const;

    int get_column() const { return m_current_column; }
    std::string get_column_name() const;
    int set_column(ColumnRef column);
    // The column clicked last (set by the gesture layer), 0 outside a column.
    int get_clicked_column() const { return m_clicked_column; }
    void set_clicked_column(int column) { m_clicked_column = column; }

    int set_redraw(bool on);
    bool is_redraw_on() const { return m_redraw; }

    // ---- sort, filter, find --------------------------------------------------------------
    // Replaces the sort criteria without sorting; -1 for criteria that do not parse.
    int set_sort(std::string_view criteria) { return set_sort_checked(criteria) ? 1 : -1; }
    // The same, failing with what is wrong in which key (the criteria stay as they were).
    Result<void> set_sort_checked(std::string_view criteria);
    // Sorts Primary! by the criteria (stable, nulls first).
    int sort();
    const std::string& sort_criteria() const { return m_sort_text; }
    // Replaces the filter criteria ("" removes it) without filtering; -1 for a bad expression.
    int set_filter(std::string_view criteria) { return set_filter_checked(criteria) ? 1 : -1; }
    // The same, failing with what is wrong and where in the expression.
    Result<void> set_filter_checked(std::string_view criteria);
    // Moves rows that fail the filter to Filter! and rows that pass back to Primary!.
    int filter();
    const std::string& filter_criteria() const { return m_filter_text; }
    // First row in start..end (backwards when end < start) where expr is true; 0 when none,
    // -1 for a bad expression, -5 for bad arguments.
    long find(std::string_view expression, long start, long end) const;
    // Value of an expression at a row (Describe's Evaluate); fails for a bad expression.
    Result<Value> evaluate(std::string_view expression, long row) const;

    // ---- loading -------------------------------------------------------------------------
    // Rows arriving in bulk (Retrieve: NotModified!; ImportString: NewModified!).
    RowLoader load_rows(ItemStatus status);
    // Imports tab-separated text: rows start_row..end_row (end -1: to the end), text columns
    // start_column..end_column into table columns from dw_start_column. Returns the number
    // of rows imported; -1 no rows, -3 bad argument, -4 a value the column cannot hold;
    // ImportFile also -2 for a file that cannot be read.
    long import_string(std::string_view text, long start_row = 1, long end_row = -1, int start_column = 1,
                       int end_column = -1, int dw_start_column = 1)
    {
        return import_string_checked(text, start_row, end_row, start_column, end_column, dw_start_column).code;
    }
    long import_file(const std::filesystem::path& file, long start_row = 1, long end_row = -1, int start_column = 1,
                     int end_column = -1, int dw_start_column = 1)
    {
        return import_file_checked(file, start_row, end_row, start_column, end_column, dw_start_column).code;
    }
    // What an import answers, with the reason of a failure.
    struct ImportResult {
        long code = 0;     // rows imported, or the negative code above
        std::string error; // what failed and where (line, field); "" on success
    };
    ImportResult import_string_checked(std::string_view text, long start_row = 1, long end_row = -1,
                                       int start_column = 1, int end_column = -1, int dw_start_column = 1);
    ImportResult import_file_checked(const std::filesystem::path& file, long start_row = 1, long end_row = -1,
                                     int start_column = 1, int end_column = -1, int dw_start_column = 1);

    // ---- access for SQL generation and exports -------------------------------------------
    const RowStore& rows() const { return m_rows; }
    const std::vector<Slot>& slots(Buffer buffer) const { return m_buffers[index(buffer)]; }
    RowContext row_context(Buffer buffer, long row) const;
    // A computed field's compiled expression, kept until Modify changes the object; nullptr
    // when it does not compile.
    const Expression* compute_expression(const Control& compute) const;
    // Changes whenever the rows or their values may have changed (retrieve, insert, delete,
    // edit, filter, sort, reset, import, a new object), so results computed over many rows
    // can be kept until it moves on.
    std::uint64_t rows_generation() const { return m_rows_generation; }

    // One parsed key of the sort criteria (sort_key.h).
    struct SortKey;

private:
    friend class RowLoader;
    friend struct DescribeModify;
    friend struct DatabaseAccess; // Retrieve and Update (database.h)

    static std::size_t index(Buffer buffer) { return static_cast<std::size_t>(buffer); }
    // The one door to a buffer for changing it, so it counts as a change of the rows.
    std::vector<Slot>& buffer_slots(Buffer buffer)
    {
        rows_changed();
        return m_buffers[index(buffer)];
    }
    void rows_changed() { ++m_rows_generation; }

    // 0-based table column for a reference, or -1.
    int resolve_column(ColumnRef column) const;
    // Row number check; throws RuntimeError naming the operation.
    Slot slot_or_throw(std::string_view operation, long row, ColumnRef column, Buffer buffer) const;
    Value typed_item(std::string_view operation, long row, ColumnRef column, Buffer buffer, bool original,
                     std::initializer_list<Type> accepted) const;
    Value compute_item(const Control& compute, long row, Buffer buffer) const;
    bool is_updatable() const;
    void apply_initial_values(Slot slot);
    // Keeps the current row inside 1..RowCount after rows moved, telling the owner.
    void settle_current_row(bool current_row_replaced);
    void change_current_row(long row);
    // Marks DataWindow.Syntax.Modified after a successful Modify, SetSort or SetFilter.
    void store_syntax_modified();
    // Parse and put criteria in place without marking the syntax modified (a failed Modify
    // puts back the ones it found); fail, changing nothing, with why they do not parse.
    Result<void> install_sort(std::string_view criteria);
    Result<void> install_filter(std::string_view criteria);

    ObjectDefinition m_object;
    bool m_has_object = false;
    RowStore m_rows;
    std::array<std::vector<Slot>, 3> m_buffers;
    std::uint64_t m_rows_generation = 0;

    long m_current_row = 0;
    int m_current_column = 0;
    int m_clicked_column = 0;
    bool m_redraw = true;
    std::function<void(long)> m_row_focus_changed;

    std::string m_sort_text;
    std::vector<SortKey> m_sort_keys;
    std::string m_filter_text;
    std::optional<Expression> m_filter;
    std::string m_selected_cells;                         // DataWindow.Selected
    mutable std::map<std::string, Expression> m_computes; // compiled computed fields by lower-case name
};

} // namespace hearth::dw
