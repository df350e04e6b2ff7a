#pragma once
// The DataWindow control and its non-visual twin, the DataStore: both hold one DataWindow
// engine (host/datawindow) and take their DataObject by name from the desktop's object
// library. The control raises its events (rowfocuschanged, itemchanged, retrieveend ...)
// through the runtime; the desktop's gesture entry points raise the mouse and key ones.

#include "host/datawindow/database.h"
#include "host/datawindow/datawindow.h"
#include "host/datawindow/saveas.h"
#include "host/ui/controls.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace hearth {

// dwobject: the object of a DataWindow under the mouse, as events receive it. `name` is
// "datawindow" over no object; `band` names the band under the pointer.
class DwObject : public Object {
public:
    std::string name;
    std::string band;
    std::string type; // the object's Type ("column", "text", "bitmap" ... or "datawindow")
};

class EngineAccess;

// What a DataWindow control and a DataStore share: the engine, DataObject, and the engine's
// operations under their host names. Rows and columns are 1-based; failures return the
// runtime's values (-1, "!", or Modify's error text). These entry points are the only way
// library code reaches a DataWindow; the engine itself stays with the host (EngineAccess,
// host/ui/engine_access.h).
class DataWindowBase {
public:
    DataWindowBase() = default;
    virtual ~DataWindowBase() = default;
    DataWindowBase(const DataWindowBase&) = delete;
    DataWindowBase& operator=(const DataWindowBase&) = delete;

    // DataObject: the name of the object shown ("" when none).
    const std::string& dataobject() const { return m_dataobject; }
    // DataObject = name: loads the object through the desktop's object library. An unknown or
    // faulty object leaves the control without an object, as the runtime does (the name is
    // kept); the reason is in load_error(). 1 on success, -1 otherwise.
    std::int32_t set_dataobject(std::string_view name);
    // Assigns an object already built (tests, Modify-free set-ups); 1, or -1 as above.
    std::int32_t set_dataobject(dw::ObjectDefinition object);
    // Why the last set_dataobject failed; "" after a success.
    const std::string& load_error() const { return m_load_error; }

    std::string describe(std::string_view properties) { return m_engine.describe(properties); }
    std::string modify(std::string_view modstring) { return m_engine.modify(modstring); }
    long row_count() const { return m_engine.row_count(); }
    long get_row() const { return m_engine.get_row(); }
    int set_row(long row) { return m_engine.set_row(row); }
    long scroll_to_row(long row) { return m_engine.scroll_to_row(row); }
    long insert_row(long row) { return m_engine.insert_row(row); }
    int delete_row(long row) { return m_engine.delete_row(row); }
    int reset();
    int select_row(long row, bool on)
    {
        return m_engine.select_row(row, on ? dw::SelectFlag::On : dw::SelectFlag::Off);
    }
    bool is_selected(long row) const { return m_engine.is_selected(row); }
    int set_sort(std::string_view criteria) { return m_engine.set_sort(criteria); }
    int sort() { return m_engine.sort(); }
    int set_filter(std::string_view criteria) { return m_engine.set_filter(criteria); }
    int filter() { return m_engine.filter(); }
    long find(std::string_view expression, long start, long end) const { return m_engine.find(expression, start, end); }
    int get_column() const { return m_engine.get_column(); }
    std::string get_column_name() const { return m_engine.get_column_name(); }
    // SetColumn: a pending edit belongs to the item it was typed in and ends unstored.
    int set_column(dw::ColumnRef column);
    int get_clicked_column() const { return m_engine.get_clicked_column(); }
    int set_redraw(bool on) { return m_engine.set_redraw(on); }

    // Object.<name>.<attribute> (dw.Object.l_1.x1, dw.Object.DataWindow.Table.Sort): the value
    // as Describe gives it, "?" for an attribute without one. An unknown object or attribute,
    // or no DataWindow object, fails the host call as the runtime's dot notation does: raises
    // RuntimeError 25015.
    std::string get_object_attribute(std::string_view name, std::string_view attribute);
    // Object.<name>.<attribute> = value; raises 25015 as above, also for a value the attribute
    // does not take.
    void set_object_attribute(std::string_view name, std::string_view attribute, std::string_view value);

    Value get_item_string(long row, dw::ColumnRef column) const { return m_engine.get_item_string(row, column); }
    Value get_item_number(long row, dw::ColumnRef column) const { return m_engine.get_item_number(row, column); }
    Value get_item_decimal(long row, dw::ColumnRef column) const { return m_engine.get_item_decimal(row, column); }
    Value get_item_date(long row, dw::ColumnRef column) const { return m_engine.get_item_date(row, column); }
    Value get_item_datetime(long row, dw::ColumnRef column) const { return m_engine.get_item_datetime(row, column); }
    Value get_item_time(long row, dw::ColumnRef column) const { return m_engine.get_item_time(row, column); }
    // SetItem: writes the buffer only (the edit text is untouched); 1, or -1 (nothing written)
    // for a value the column cannot hold. A bad row or column fails the host call (25015).
    int set_item(long row, dw::ColumnRef column, const Value& value);
    // GetItemStatus(row, column, buffer): the row's status for column 0, else whether the item
    // is DataModified! or NotModified!. A bad row or column fails the host call (25015).
    dw::ItemStatus get_item_status(long row, int column, dw::Buffer buffer = dw::Buffer::Primary) const
    {
        return m_engine.get_item_status(row, column, buffer);
    }
    // SetItemStatus(row, column, buffer, status): 1, or -1 for a bad row or column or a change
    // the runtime refuses (a New! row made NotModified! stays New!).
    int set_item_status(long row, int column, dw::Buffer buffer, dw::ItemStatus status)
    {
        return m_engine.set_item_status(row, column, buffer, status);
    }

    // AcceptText: moves pending edit text into the buffer; 1, or -1 when it is rejected. A
    // DataStore has no edit: always 1.
    virtual int accept_text() { return 1; }
    // Update(transaction {, accept {, resetflag}}): accepts the pending edit first when asked
    // (a rejected value answers -1 and sends nothing), then writes the changed rows through
    // the transaction (dw::update).
    int update(Transaction& transaction, dw::AcceptFirst accept = dw::AcceptFirst::Yes,
               dw::ResetFlags reset = dw::ResetFlags::Yes, const dw::DatabaseEvents& events = {});

    // SetTransObject(transaction): Retrieve and Update() go through it from now on; the
    // script owns COMMIT and ROLLBACK. The transaction must outlive the DataWindow's use of
    // it (the application's sqlca and photosqlca do). 1.
    std::int32_t set_trans_object(Transaction& transaction)
    {
        m_transaction = &transaction;
        return 1;
    }
    // The transaction SetTransObject gave; nullptr before.
    Transaction* trans_object() const { return m_transaction; }
    // Retrieve(args...) through the SetTransObject transaction: the rows in Primary! after the
    // filter, or -1 (no transaction, no object, a database error; the transaction's
    // SQLErrText says why). The desktop sees the SELECT as sent; a control raises
    // retrieveend(rowcount).
    long retrieve(const std::vector<dw::RetrievalArgument>& arguments = {});
    // Update() through the SetTransObject transaction; -1 without one.
    int update();

    // SaveAs(file, type, colheading): the rows of Primary! written as dw::save_as writes them
    // (atomically); the desktop is told of the file written. 1, or -1 with nothing written.
    int save_as(const std::filesystem::path& file, dw::SaveAsType type, dw::ColumnHeadings headings);

protected:
    // The item an itemchanged event is deciding on: set_item marks it written when a script
    // writes that item during the event (see DataWindowControl::commit_edit).
    struct WatchedItem {
        long row = 0;
        int column = 0;
        bool written = false;
    };
    std::optional<WatchedItem> m_watched_item;

private:
    // Library classes derive from the control, so the engine is private even to them: the
    // host's own code reaches it through EngineAccess, the control through friendship.
    friend class EngineAccess;
    friend class DataWindowControl;
    dw::Engine& engine() { return m_engine; }
    const dw::Engine& engine() const { return m_engine; }

    // The object changed, the rows went or the current column moved: a pending edit ends
    // unstored. Only a control has one.
    virtual void discard_edit() {}
    // After a Retrieve has loaded its rows: a control raises retrieveend.
    virtual void retrieved(long rows) { (void)rows; }

    dw::Engine m_engine;
    std::string m_dataobject;
    std::string m_load_error;
    Transaction* m_transaction = nullptr;
};

// How the pending edit text is stored after itemchanged returned 0 while the script itself
// wrote the edited item with SetItem.
enum class ScriptWrite : std::uint8_t {
    Kept,        // the script's value stays; the edit text is dropped
    Overwritten, // the edit text is stored over the script's value
};

// datawindow: the DataWindow control.
class DataWindowControl : public VisualObject, public DataWindowBase {
public:
    DataWindowControl();

    std::string title;
    bool titlebar = false;
    bool controlmenu = false;
    bool livescroll = false;
    bool hscrollbar = false;
    bool vscrollbar = false;
    // The first row shown at the top of the detail area (vertical scroll position); hit
    // testing counts rows from it.
    long first_row = 1;

    // AcceptText: commits the pending edit as a Tab or a click elsewhere would: raises
    // itemchanged(row, dwo, data) and stores the value as the event's result says. 1, or -1
    // when the text does not suit the column or the event rejected it (the edit stays).
    int accept_text() override;
    // SetText: puts text into the edit of the current item, as typing does. 1, or -1 with no
    // current item.
    int set_text(std::string_view text);
    // GetText: the text in the edit of the current item; "" when nothing is pending.
    std::string get_text() const { return m_pending_edit.value_or(""); }
    // Whether an edit is pending (text typed and not yet accepted or rejected).
    bool has_pending_edit() const { return m_pending_edit.has_value(); }
    // Enter in a multi-line edit: starts a new line at the end of the edit's text (the item's
    // text when nothing was typed yet). 1, or -1 with no current item.
    int new_line();
    // SetFocus: the desktop gives this control the focus. 1, or -1 without a desktop.
    std::int32_t set_focus();
    // Hook for the retrieve: raises retrieveend(rowcount).
    void retrieve_end(long rows);

    // What happens to the edit after itemchanged returned 0 while the script wrote the item.
    ScriptWrite script_write = ScriptWrite::Kept;

private:
    void discard_edit() override { m_pending_edit.reset(); }
    void retrieved(long rows) override { retrieve_end(rows); }

    // The edit of the current item: the one copy of the text typed and not yet stored.
    std::optional<std::string> m_pending_edit;
    bool m_committing = false;
};

// datastore: a DataWindow without a window; no events, no edit.
class DataStore : public Object, public DataWindowBase {};

} // namespace hearth
