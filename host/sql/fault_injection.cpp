#include "host/sql/fault_injection.h"

#include "host/value/ascii.h"

namespace hearth::sql {

namespace {

std::shared_ptr<FaultPlan>& installed()
{
    static std::shared_ptr<FaultPlan> plan;
    return plan;
}

// True when the call running `text` is the one to fail; counts it when the plan counts it.
bool strikes(FaultPlan& plan, std::string_view text)
{
    if (!plan.pattern.empty() && ascii::to_lower(text).find(ascii::to_lower(plan.pattern)) == std::string::npos)
        return false;
    ++plan.counted;
    const bool fails = plan.fail_at == plan.counted || (plan.fail_at == 0 && !plan.pattern.empty());
    if (fails) {
        ++plan.failures;
        plan.failed_text = std::string(text);
    }
    return fails;
}

DbError injected(Dbms dbms)
{
    if (dbms == Dbms::PostgreSQL)
        return {53100, "53100", "could not extend file: No space left on device", false};
    return {10 /* SQLITE_IOERR */, {}, "disk I/O error", false};
}

class FaultyStatement : public Statement {
public:
    FaultyStatement(std::unique_ptr<Statement> real, std::string text, Dbms dbms, std::shared_ptr<FaultPlan> plan)
        : m_real(std::move(real)), m_text(std::move(text)), m_dbms(dbms), m_plan(std::move(plan))
    {
    }
    Step execute(std::span<const Value> params, DbError& error) override
    {
        if (strikes(*m_plan, m_text)) {
            error = injected(m_dbms);
            return Step::Error;
        }
        return m_real->execute(params, error);
    }
    Step next(DbError& error) override { return m_real->next(error); }
    long changes() const override { return m_real->changes(); }
    void reset() override { m_real->reset(); }
    int column_count() const override { return m_real->column_count(); }
    std::string column_name(int column) const override { return m_real->column_name(column); }
    CellKind kind(int column) const override { return m_real->kind(column); }
    std::int64_t int64(int column) const override { return m_real->int64(column); }
    double real(int column) const override { return m_real->real(column); }
    std::string_view text(int column) const override { return m_real->text(column); }
    std::span<const std::uint8_t> blob(int column) const override { return m_real->blob(column); }

private:
    std::unique_ptr<Statement> m_real;
    std::string m_text;
    Dbms m_dbms;
    std::shared_ptr<FaultPlan> m_plan;
};

class FaultyDriver : public Driver {
public:
    FaultyDriver(std::unique_ptr<Driver> real, std::shared_ptr<FaultPlan> plan)
        : m_real(std::move(real)), m_plan(std::move(plan))
    {
    }
    Dbms dbms() const override { return m_real->dbms(); }
    bool connect(const ConnectParams& params, DbError& error) override { return m_real->connect(params, error); }
    void disconnect() override { m_real->disconnect(); }
    bool is_connected() const override { return m_real->is_connected(); }
    std::unique_ptr<Statement> prepare(std::string_view native_sql, int param_count, Reuse reuse,
                                       DbError& error) override
    {
        auto statement = m_real->prepare(native_sql, param_count, reuse, error);
        if (!statement)
            return nullptr;
        return std::make_unique<FaultyStatement>(std::move(statement), std::string(native_sql), dbms(), m_plan);
    }
    bool begin(DbError& error) override { return !fails("BEGIN", error) && m_real->begin(error); }
    // A failed COMMIT leaves the transaction open, as a backend's does; the caller rolls it back.
    bool commit(DbError& error) override { return !fails("COMMIT", error) && m_real->commit(error); }
    bool rollback(DbError& error) override { return m_real->rollback(error); }

private:
    bool fails(std::string_view text, DbError& error)
    {
        if (!strikes(*m_plan, text))
            return false;
        error = injected(dbms());
        return true;
    }

    std::unique_ptr<Driver> m_real;
    std::shared_ptr<FaultPlan> m_plan;
};

} // namespace

void install_fault_plan(std::shared_ptr<FaultPlan> plan) { installed() = std::move(plan); }

std::unique_ptr<Driver> with_fault_plan(std::unique_ptr<Driver> driver)
{
    if (!installed())
        return driver;
    return std::make_unique<FaultyDriver>(std::move(driver), installed());
}

} // namespace hearth::sql
