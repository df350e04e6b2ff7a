#pragma once
// Retrieve and Update of a DataWindow through a transaction (SetTransObject: the script owns
// COMMIT and ROLLBACK). Retrieve runs the object's current SELECT with the retrieval
// arguments bound as host variables; Update writes the changed rows back with INSERT,
// UPDATE and DELETE statements generated from the update settings. Both report failures the
// runtime's way: -1, with the database's error text in the transaction's SQLErrText and in
// the DBError event.

#include "host/datawindow/datawindow.h"
#include "host/sql/transaction.h"

#include <functional>
#include <string>
#include <vector>

namespace hearth::dw {

// The column's name in the update table, as Update and SaveAs SQL write it: the column part
// of its dbname ("tc_ge_rpr.name" -> "name"), else the column's own name.
std::string sql_column_name(const TableColumn& column);

// What RetrieveStart answers.
enum class RetrieveStartAction : std::uint8_t { Continue = 0, Cancel = 1, Append = 2 };

// The events Retrieve and Update raise on the DataWindow's owner; any may be left empty.
struct DatabaseEvents {
    std::function<RetrieveStartAction()> retrieve_start;
    std::function<void(long rows)> retrieve_end;
    // DBError: the database's code (or -1 for an error found by the runtime) and text.
    std::function<void(long code, const std::string& text)> db_error;
};

enum class AcceptFirst : std::uint8_t { No, Yes };
enum class ResetFlags : std::uint8_t { No, Yes };

// Retrieve(args...): replaces the rows with the result of the current SELECT (appends when
// RetrieveStart says so), converted to the columns' types, then applies the sort and filter
// criteria and raises RetrieveEnd. Returns the rows in Primary!, or -1 (no object, a
// database error, a value a column cannot hold) with the rows left as they were.
//
// A list argument (stringlist, numberlist, datelist ...) takes the elements of a list,
// one bound parameter each, where the SELECT says IN (:name).
struct RetrievalArgument {
    RetrievalArgument(Value single) : value(std::move(single)) {}
    RetrievalArgument(std::vector<Value> list) : elements(std::move(list)), is_list(true) {}

    Value value;
    std::vector<Value> elements;
    bool is_list = false;
};
long retrieve(Engine& engine, Transaction& transaction, const std::vector<RetrievalArgument>& arguments,
              const DatabaseEvents& events = {});

// Update({accept {, resetflag}}) after the accept step: sends DELETE for Delete! rows, then
// INSERT/UPDATE for Primary! and Filter! rows, each statement shape prepared once. The edit
// text is the control's, so accepting it first is the control's part (DataWindowBase::update).
// A statement that changes no row ("Row changed between retrieve and update.") or fails ends
// the update with -1; the statements already sent stay for the script to commit or roll
// back, and the flags stay. Returns 1 on success (flags reset when asked), -1 on error, 1 with
// no object.
int update(Engine& engine, Transaction& transaction, ResetFlags reset = ResetFlags::Yes,
           const DatabaseEvents& events = {});

// The statements Update would send, with their host variable values, in order (for tests
// and SQL previews). Fails for an object that cannot generate them.
struct PlannedStatement {
    std::string text;
    HostVars vars;
    bool must_change_a_row = false; // UPDATE and DELETE
};
Result<std::vector<PlannedStatement>> plan_update(const Engine& engine);

// The text Update gives when an UPDATE or DELETE changed no row.
inline constexpr const char* row_changed_error = "Row changed between retrieve and update.";

} // namespace hearth::dw
