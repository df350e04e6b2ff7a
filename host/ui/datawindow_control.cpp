#include "host/ui/datawindow_control.h"

#include "host/datawindow/value_text.h"
#include "host/ui/desktop.h"
#include "host/value/runtime_error.h"

#include <fmt/format.h>

namespace hearth {

// ---- DataWindowBase ---------------------------------------------------------------------------

std::int32_t DataWindowBase::set_dataobject(std::string_view name)
{
    discard_edit();
    Desktop* desktop = Desktop::current();
    if (!desktop) {
        m_engine.clear_object();
        m_dataobject = std::string(name);
        m_load_error = "no desktop to find DataWindow objects in";
        return -1;
    }
    Result<dw::ObjectDefinition> loaded = desktop->object_library().load(name);
    if (!loaded) {
        m_engine.clear_object();
        m_dataobject = std::string(name);
        m_load_error = loaded.error();
        return -1;
    }
    const std::int32_t result = set_dataobject(std::move(*loaded));
    m_dataobject = std::string(name); // kept as the script wrote it
    return result;
}

std::int32_t DataWindowBase::set_dataobject(dw::ObjectDefinition object)
{
    discard_edit();
    m_dataobject = object.name;
    Result<void> set = m_engine.set_object(std::move(object));
    if (!set) {
        m_load_error = set.error();
        return -1;
    }
    m_load_error.clear();
    return 1;
}

int DataWindowBase::reset()
{
    discard_edit();
    return m_engine.reset();
}

int DataWindowBase::set_column(dw::ColumnRef column)
{
    const int result = m_engine.set_column(column);
    if (result == 1)
        discard_edit();
    return result;
}

std::string DataWindowBase::get_object_attribute(std::string_view name, std::string_view attribute)
{
    Result<std::string> value = m_engine.get_attribute(name, attribute);
    if (!value)
        throw RuntimeError(ErrorCode::CallFailed, fmt::format("Object.{}.{}: {}", name, attribute, value.error()));
    return *value;
}

void DataWindowBase::set_object_attribute(std::string_view name, std::string_view attribute, std::string_view value)
{
    auto written = m_engine.set_attribute(name, attribute, value);
    if (!written)
        throw RuntimeError(ErrorCode::CallFailed,
                           fmt::format("Object.{}.{} = '{}': {}", name, attribute, value, written.error()));
}

int DataWindowBase::update(Transaction& transaction, dw::AcceptFirst accept, dw::ResetFlags reset,
                           const dw::DatabaseEvents& events)
{
    if (accept == dw::AcceptFirst::Yes && accept_text() != 1)
        return -1; // the rejected value stays in the edit and nothing is sent
    return dw::update(m_engine, transaction, reset, events);
}

int DataWindowBase::save_as(const std::filesystem::path& file, dw::SaveAsType type, dw::ColumnHeadings headings)
{
    const int written = dw::save_as(m_engine, file, type, headings);
    if (written == 1)
        if (Desktop* desktop = Desktop::current())
            desktop->note_file_written(file.string());
    return written;
}

long DataWindowBase::retrieve(const std::vector<dw::RetrievalArgument>& arguments)
{
    if (!m_transaction)
        return -1;
    discard_edit();
    if (Desktop* desktop = Desktop::current(); desktop && m_engine.has_object())
        desktop->note_retrieve(m_engine.object().select);
    dw::DatabaseEvents events;
    events.retrieve_end = [this](long rows) { retrieved(rows); };
    return dw::retrieve(m_engine, *m_transaction, arguments, events);
}

int DataWindowBase::update() { return m_transaction ? update(*m_transaction) : -1; }

int DataWindowBase::set_item(long row, dw::ColumnRef column, const Value& value)
{
    const int result = m_engine.set_item(row, column, value);
    if (result == 1 && m_watched_item && m_watched_item->row == row) {
        const int number = column.by_name() ? m_engine.object().column_index(column.name()) + 1 : column.number();
        if (number == m_watched_item->column)
            m_watched_item->written = true;
    }
    return result;
}

// ---- DataWindowControl ------------------------------------------------------------------------

DataWindowControl::DataWindowControl()
{
    // Every change of the current row, by the user or by a script, raises rowfocuschanged.
    engine().set_row_focus_changed([this](long row) {
        if (Desktop* desktop = Desktop::current())
            desktop->raise(ref(), Notification::DwRowFocusChanged, {Value(static_cast<std::int32_t>(row))});
    });
}

int DataWindowControl::set_text(std::string_view text)
{
    if (!engine().has_object() || get_row() < 1 || get_column() < 1)
        return -1;
    m_pending_edit = std::string(text);
    return 1;
}

int DataWindowControl::new_line()
{
    const long row = get_row();
    if (!engine().has_object() || row < 1 || row > row_count() || get_column() < 1)
        return -1;
    if (!m_pending_edit)
        m_pending_edit = dw::item_text(engine().get_item(row, get_column()));
    m_pending_edit->append("\r\n"); // a Windows edit control's line break, as GetText shows it
    return 1;
}

std::int32_t DataWindowControl::set_focus()
{
    Desktop* desktop = Desktop::current();
    return desktop ? desktop->set_focus(ref()) : -1;
}

void DataWindowControl::retrieve_end(long rows)
{
    if (Desktop* desktop = Desktop::current())
        desktop->raise(ref(), Notification::DwRetrieveEnd, {Value(static_cast<std::int32_t>(rows))});
}

int DataWindowControl::accept_text()
{
    // An AcceptText inside the itemchanged it raised has nothing more to do.
    if (!m_pending_edit || m_committing)
        return 1;
    const long row = get_row();
    const int column = get_column();
    if (row < 1 || row > row_count() || column < 1)
        return -1;
    const dw::ObjectDefinition& object = engine().object();
    std::optional<Value> value
        = dw::parse_item_text(*m_pending_edit, object.columns[column - 1].type, dw::EmptyText::EmptyString);
    if (!value)
        return -1; // the text does not suit the column: the edit stays for the user to correct
    const std::string data = *m_pending_edit;

    // itemchanged: 0 accepts the value, 1 rejects it and keeps the focus, 2 rejects it and
    // lets the focus move on.
    std::int64_t answer = 0;
    bool script_wrote = false;
    if (Desktop* desktop = Desktop::current()) {
        const dw::Control* control = object.column_control(column - 1);
        ObjectRef dwo
            = desktop->make_dwobject(control ? control->name : object.columns[column - 1].name, "detail", "column");
        m_watched_item = WatchedItem {row, column, false};
        m_committing = true;
        DispatchResult result = desktop->raise(ref(), Notification::DwItemChanged,
                                               {Value(static_cast<std::int32_t>(row)), Value(dwo), Value(data)});
        m_committing = false;
        script_wrote = m_watched_item->written;
        m_watched_item.reset();
        desktop->runtime().destroy(dwo);
        if (result.outcome == Outcome::Completed && !result.value.is_null() && result.value.is_integral())
            answer = result.value.as_integral();
    }
    if (answer == 1)
        return -1;
    m_pending_edit.reset();
    if (answer == 2)
        return 1;
    // Kept on purpose: a script that cleaned the value with SetItem during itemchanged sees
    // its value stored (ScriptWrite::Kept); the runtime itself would store the edit text over
    // it unless the script returned 2.
    if (script_wrote && script_write == ScriptWrite::Kept)
        return 1;
    if (row > row_count())
        return -1; // the script removed the row
    return engine().set_item(row, column, *value) == 1 ? 1 : -1;
}

} // namespace hearth
