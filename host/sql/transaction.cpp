#include "host/sql/transaction.h"

#include "host/sql/cell.h"
#include "host/sql/cursor.h"
#include "host/sql/prepared.h"
#include "host/value/ascii.h"

#include <fmt/format.h>

#include <algorithm>

namespace hearth {

namespace {

constexpr std::size_t max_cached_statements = 128;

// A host variable's name as statements look it up: lower case, without ':'.
std::string variable_name(std::string_view text)
{
    if (!text.empty() && text.front() == ':')
        text.remove_prefix(1);
    return ascii::to_lower(text);
}

const HostVar* find_var(const HostVars& vars, const std::string& name)
{
    for (const HostVar& var : vars)
        if (var.name() == name)
            return &var;
    return nullptr;
}

} // namespace

HostVar::HostVar(std::string_view name, Value value) : m_name(variable_name(name)), m_value(std::move(value)) {}

HostVar::HostVar(std::string_view name, Value* variable) : m_name(variable_name(name)), m_variable(variable) {}

// ---------------------------------------------------------------------------------------
// Status

void Transaction::clear_status()
{
    m_sql_code = 0;
    m_sql_nrows = 0;
    m_sql_db_code = 0;
    m_sql_err_text.clear();
    m_sql_state.clear();
}

long Transaction::set_error(const sql::DbError& error)
{
    m_sql_code = -1;
    m_sql_nrows = 0;
    m_sql_db_code = error.code;
    m_sql_err_text = error.text;
    m_sql_state = error.sqlstate;
    if (error.connection_lost)
        connection_lost();
    return -1;
}

long Transaction::runtime_error(std::string text)
{
    m_sql_code = -1;
    m_sql_nrows = 0;
    m_sql_db_code = 0;
    m_sql_err_text = std::move(text);
    m_sql_state.clear();
    return -1;
}

long Transaction::success(long nrows)
{
    m_sql_code = 0;
    m_sql_nrows = nrows;
    return 0;
}

long Transaction::fail(std::string text) { return runtime_error(std::move(text)); }

// ---------------------------------------------------------------------------------------
// Connection and transaction

Transaction::Transaction(std::string name) : m_name(std::move(name)) {}

Transaction::~Transaction()
{
    // Destruction is not a DISCONNECT: uncommitted changes are rolled back, not committed.
    for (Cursor* cursor : m_cursors)
        cursor->detach();
    m_cursors.clear();
    if (m_driver && m_in_transaction) {
        sql::DbError ignored;
        m_driver->rollback(ignored);
    }
    forget_statements();
    m_driver.reset();
}

long Transaction::connect()
{
    clear_status();
    if (m_driver && m_driver->is_connected())
        return runtime_error("Transaction is already connected.");
    if (m_driver)
        connection_lost(); // a lost connection: drop what belonged to it and connect afresh
    std::optional<sql::Dbms> dbms;
    for (sql::Dbms candidate : {sql::Dbms::SQLite, sql::Dbms::PostgreSQL}) {
        if (ascii::iequals(sql::dbms_name(candidate), m_dbms))
            dbms = candidate;
    }
    if (!dbms)
        return runtime_error(fmt::format("Unknown DBMS \"{}\": use \"SQLite\" or \"PostgreSQL\".", m_dbms));
    auto driver = m_factory ? m_factory(*dbms) : sql::make_driver(*dbms);
    sql::DbError error;
    if (!driver->connect(m_params, error))
        return set_error(error);
    m_driver = std::move(driver);
    m_in_transaction = false;
    return success(0);
}

long Transaction::disconnect()
{
    clear_status();
    if (!m_driver)
        return runtime_error("Transaction not connected.");
    for (Cursor* cursor : m_cursors)
        cursor->detach();
    m_cursors.clear();
    long code = 0;
    sql::DbError error;
    if (m_in_transaction && m_driver->is_connected() && !m_driver->commit(error)) {
        set_error(error);
        code = -1;
    }
    m_in_transaction = false;
    forget_statements();
    if (m_driver)
        m_driver->disconnect();
    m_driver.reset();
    return code == 0 ? success(0) : code;
}

void Transaction::forget_statements() { m_cache.clear(); }

void Transaction::connection_lost()
{
    // Statements prepared on the lost connection are gone with it.
    for (Cursor* cursor : m_cursors)
        cursor->detach();
    m_cursors.clear();
    forget_statements();
    m_in_transaction = false;
}

long Transaction::finish_transaction(bool commit)
{
    clear_status();
    if (!m_driver)
        return runtime_error("Transaction not connected.");
    if (!m_in_transaction)
        return success(0);
    m_in_transaction = false;
    sql::DbError error;
    const bool ok = commit ? m_driver->commit(error) : m_driver->rollback(error);
    if (!ok) {
        // A failed COMMIT leaves nothing half done: whatever the backend kept open is rolled back.
        if (commit && m_driver->is_connected()) {
            sql::DbError ignored;
            m_driver->rollback(ignored);
        }
        return set_error(error);
    }
    return success(0);
}

long Transaction::commit() { return finish_transaction(true); }

long Transaction::rollback() { return finish_transaction(false); }

bool Transaction::begin_if_needed(const sql::Translated& translated)
{
    if (m_autocommit == AutoCommit::On || m_in_transaction || translated.kind != sql::StatementKind::Change)
        return true;
    sql::DbError error;
    if (!m_driver->begin(error)) {
        set_error(error);
        return false;
    }
    m_in_transaction = true;
    return true;
}

// ---------------------------------------------------------------------------------------
// Statements

std::unique_ptr<Transaction::Prepared> Transaction::prepare(std::string_view text, const HostVars& vars,
                                                            std::vector<Value>& params, sql::Reuse reuse)
{
    if (!m_driver) {
        runtime_error("Transaction not connected.");
        return nullptr;
    }
    std::unique_ptr<Prepared> prepared;
    if (reuse == sql::Reuse::Cached) {
        if (auto it = m_cache.find(std::string(text)); it != m_cache.end()) {
            prepared = std::move(it->second);
            m_cache.erase(it);
        }
    }
    if (!prepared) {
        auto translated = translation(text);
        if (!translated) {
            runtime_error(translated.error());
            return nullptr;
        }
        // A query with bound literals is kept under its translated text (marked so that no
        // original text can equal it): every text that differs only in those literals finds it.
        std::string key = (*translated)->literals.empty() ? std::string(text) : '\x01' + (*translated)->text;
        if (reuse == sql::Reuse::Cached && !(*translated)->literals.empty()) {
            if (auto it = m_cache.find(key); it != m_cache.end()) {
                prepared = std::move(it->second);
                m_cache.erase(it);
            }
        }
        if (!prepared) {
            prepared = std::make_unique<Prepared>();
            prepared->key = std::move(key);
        }
        prepared->translated = **translated;
    }
    const sql::Translated& translated = prepared->translated;
    params.clear();
    params.reserve(translated.params.size() + translated.literals.size());
    for (const std::string& name : translated.params) {
        const HostVar* var = find_var(vars, name);
        if (!var) {
            runtime_error(reuse == sql::Reuse::Once && vars.empty()
                              ? std::string("EXECUTE IMMEDIATE takes a statement without host variables.")
                              : fmt::format("Host variable :{} has no value.", name));
            return nullptr;
        }
        if (var->value().type() == Type::Object) {
            runtime_error(fmt::format("Host variable :{} holds an object, which cannot be bound.", name));
            return nullptr;
        }
        params.push_back(var->value());
    }
    for (const std::string& literal : translated.literals)
        params.push_back(Value(literal));
    if (translated.kind == sql::StatementKind::Commit || translated.kind == sql::StatementKind::Rollback)
        return prepared; // handled by the caller without the backend's statement
    if (!begin_if_needed(translated))
        return nullptr;
    if (!prepared->statement) {
        sql::DbError error;
        prepared->statement = m_driver->prepare(translated.text, int(params.size()), reuse, error);
        if (!prepared->statement) {
            set_error(error);
            return nullptr;
        }
    }
    return prepared;
}

Result<const sql::Translated*> Transaction::translation(std::string_view text)
{
    // The backend is part of the key: a text translates differently for each.
    std::string key;
    key.reserve(text.size() + 1);
    key += char('0' + int(m_driver->dbms()));
    key += text;
    if (auto it = m_translations.find(key); it != m_translations.end())
        return &it->second;
    // A text new only in its literals is its form's translation with them filled in. Forms
    // are kept under a first byte of their own, which no text's key starts with.
    std::optional<sql::Translated> made;
    if (auto form = sql::literal_form(text)) {
        std::string form_key;
        form_key.reserve(form->form.size() + 1);
        form_key += char('a' + int(m_driver->dbms()));
        form_key += form->form;
        auto it = m_translations.find(form_key);
        if (it == m_translations.end()) {
            if (auto translated = sql::translate(form->form, m_driver->dbms())) {
                if (m_translations.size() >= max_cached_statements)
                    m_translations.clear();
                it = m_translations.emplace(std::move(form_key), std::move(*translated)).first;
            }
        }
        if (it != m_translations.end())
            made = sql::with_literals(it->second, form->literals);
    }
    if (!made) {
        // The text itself, also for the error it gives when it cannot be translated.
        auto translated = sql::translate(text, m_driver->dbms());
        if (!translated)
            return Result<const sql::Translated*>::failure(translated.error());
        made = std::move(*translated);
    }
    if (m_translations.size() >= max_cached_statements)
        m_translations.clear();
    return &m_translations.emplace(std::move(key), std::move(*made)).first->second;
}

void Transaction::release(std::unique_ptr<Prepared> prepared)
{
    if (!prepared || !prepared->statement)
        return;
    prepared->statement->reset();
    if (!m_driver)
        return;
    if (m_cache.size() >= max_cached_statements)
        m_cache.clear();
    const std::string key = prepared->key;
    m_cache.emplace(key, std::move(prepared));
}

long Transaction::execute_immediate(std::string_view text) { return run_change(text, {}, sql::Reuse::Once); }

long Transaction::execute(std::string_view text, const HostVars& vars)
{
    return run_change(text, vars, sql::Reuse::Cached);
}

long Transaction::run_change(std::string_view text, const HostVars& vars, sql::Reuse reuse)
{
    clear_status();
    std::vector<Value> params;
    auto prepared = prepare(text, vars, params, reuse);
    if (!prepared)
        return -1;
    switch (prepared->translated.kind) {
    case sql::StatementKind::Commit: return commit();
    case sql::StatementKind::Rollback: return rollback();
    default: break;
    }
    sql::DbError error;
    const sql::Step step = prepared->statement->execute(params, error);
    const long changes = step == sql::Step::Done ? prepared->statement->changes() : 0;
    if (reuse == sql::Reuse::Cached)
        release(std::move(prepared));
    else
        prepared->statement->reset();
    if (step == sql::Step::Error)
        return set_error(error);
    return success(changes);
}

long Transaction::select_into(std::string_view text, const HostVars& vars)
{
    clear_status();
    std::vector<Value> params;
    auto prepared = prepare(text, vars, params, sql::Reuse::Cached);
    if (!prepared)
        return -1;
    const sql::Translated& translated = prepared->translated;
    if (translated.kind != sql::StatementKind::Query || translated.into.empty()) {
        release(std::move(prepared));
        return runtime_error("SELECT ... INTO expects a SELECT with an INTO list of host variables.");
    }
    std::vector<Value*> targets;
    for (const std::string& name : translated.into) {
        const HostVar* var = find_var(vars, name);
        if (!var || !var->variable()) {
            release(std::move(prepared));
            return runtime_error(fmt::format("Host variable :{} cannot receive a value.", name));
        }
        targets.push_back(var->variable());
    }
    sql::Statement& statement = *prepared->statement;
    sql::DbError error;
    sql::Step step = statement.execute(params, error);
    if (step == sql::Step::Error) {
        release(std::move(prepared));
        return set_error(error);
    }
    if (step == sql::Step::Done) {
        release(std::move(prepared));
        m_sql_code = 100;
        return 100;
    }
    if (auto stored = sql::store_row(statement, targets); !stored) {
        release(std::move(prepared));
        return runtime_error(stored.error());
    }
    step = statement.next(error);
    release(std::move(prepared));
    if (step == sql::Step::Error)
        return set_error(error);
    if (step == sql::Step::Row)
        return runtime_error("Select returned more than one row.");
    return success(1);
}

long Transaction::query(std::string_view text, const HostVars& vars, const RowCallback& on_row)
{
    clear_status();
    std::vector<Value> params;
    auto prepared = prepare(text, vars, params, sql::Reuse::Cached);
    if (!prepared)
        return -1;
    if (prepared->translated.kind != sql::StatementKind::Query || !prepared->translated.into.empty()) {
        release(std::move(prepared));
        return runtime_error("A retrieval expects a SELECT without INTO.");
    }
    sql::Statement& statement = *prepared->statement;
    sql::DbError error;
    long rows = 0;
    for (sql::Step step = statement.execute(params, error); step != sql::Step::Done; step = statement.next(error)) {
        if (step == sql::Step::Error) {
            release(std::move(prepared));
            return set_error(error);
        }
        ++rows;
        if (on_row(statement) == RowAction::Stop) {
            release(std::move(prepared));
            // The callback may have reported an error through fail().
            if (m_sql_code == -1)
                return -1;
            return success(rows);
        }
    }
    release(std::move(prepared));
    if (rows == 0) {
        m_sql_code = 100;
        return 100;
    }
    return success(rows);
}

} // namespace hearth
