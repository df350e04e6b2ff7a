#include "faulty_driver.h"

namespace hearth::test {

bool FaultPlan::hit(FaultPoint at)
{
    const int index = calls[int(at)]++;
    if (at != point || index != fail_at)
        return false;
    ++failures;
    return true;
}

namespace {

sql::DbError injected() { return {-99, "XX999", injected_error, false}; }

class FaultyStatement final : public sql::Statement {
public:
    FaultyStatement(std::unique_ptr<sql::Statement> real, std::shared_ptr<FaultPlan> plan)
        : m_real(std::move(real)), m_plan(std::move(plan))
    {
    }
    sql::Step execute(std::span<const Value> params, sql::DbError& error) override
    {
        const bool fail = m_plan->hit(FaultPoint::Execute);
        if (fail && m_plan->timing == FaultTiming::Before) {
            error = injected();
            return sql::Step::Error;
        }
        const sql::Step step = m_real->execute(params, error);
        if (fail) {
            m_real->reset();
            error = injected();
            return sql::Step::Error;
        }
        return step;
    }
    sql::Step next(sql::DbError& error) override { return m_real->next(error); }
    long changes() const override { return m_real->changes(); }
    void reset() override { m_real->reset(); }
    int column_count() const override { return m_real->column_count(); }
    std::string column_name(int c) const override { return m_real->column_name(c); }
    sql::CellKind kind(int c) const override { return m_real->kind(c); }
    std::int64_t int64(int c) const override { return m_real->int64(c); }
    double real(int c) const override { return m_real->real(c); }
    std::string_view text(int c) const override { return m_real->text(c); }
    std::span<const std::uint8_t> blob(int c) const override { return m_real->blob(c); }

private:
    std::unique_ptr<sql::Statement> m_real;
    std::shared_ptr<FaultPlan> m_plan;
};

class FaultyDriver final : public sql::Driver {
public:
    FaultyDriver(std::unique_ptr<sql::Driver> real, std::shared_ptr<FaultPlan> plan)
        : m_real(std::move(real)), m_plan(std::move(plan))
    {
    }
    sql::Dbms dbms() const override { return m_plan->claimed.value_or(m_real->dbms()); }
    bool connect(const sql::ConnectParams& params, sql::DbError& error) override
    {
        if (m_plan->hit(FaultPoint::Connect)) {
            error = injected();
            return false;
        }
        return m_real->connect(params, error);
    }
    void disconnect() override { m_real->disconnect(); }
    bool is_connected() const override { return m_real->is_connected(); }
    std::unique_ptr<sql::Statement> prepare(std::string_view sql, int count, sql::Reuse reuse,
                                            sql::DbError& error) override
    {
        m_plan->prepared.emplace_back(sql);
        if (m_plan->hit(FaultPoint::Prepare)) {
            error = injected();
            return nullptr;
        }
        auto real = m_real->prepare(sql, count, reuse, error);
        if (!real)
            return nullptr;
        return std::make_unique<FaultyStatement>(std::move(real), m_plan);
    }
    bool begin(sql::DbError& error) override { return m_real->begin(error); }
    bool commit(sql::DbError& error) override
    {
        const bool fail = m_plan->hit(FaultPoint::Commit);
        if (fail && m_plan->timing == FaultTiming::Before) {
            error = injected();
            return false;
        }
        const bool ok = m_real->commit(error);
        if (fail) {
            error = injected();
            return false;
        }
        return ok;
    }
    bool rollback(sql::DbError& error) override { return m_real->rollback(error); }

private:
    std::unique_ptr<sql::Driver> m_real;
    std::shared_ptr<FaultPlan> m_plan;
};

} // namespace

sql::DriverFactory faulty_factory(std::shared_ptr<FaultPlan> plan)
{
    return [plan](sql::Dbms dbms) -> std::unique_ptr<sql::Driver> {
        return std::make_unique<FaultyDriver>(sql::make_driver(dbms), plan);
    };
}

} // namespace hearth::test
