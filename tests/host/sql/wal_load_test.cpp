// Two processes on one SQLite file in WAL mode with a busy timeout: one writes and commits in
// a loop, the other reads; no "database is locked" and no lost write.

#include "backend_fixture.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

using namespace hearth;
using namespace hearth::test;

namespace {

constexpr int operations = 10000;

// The writer's loop, in the child process: each insert is its own committed transaction.
// Returns the number of failed statements (0 when all went through).
int write_loop(const std::string& path)
{
    Transaction tx("writer");
    tx.set_database(path);
    if (tx.connect() != 0)
        return operations;
    int failures = 0;
    for (int i = 1; i <= operations; ++i) {
        if (tx.execute("INSERT INTO load_log (n, note) VALUES (:n, :note)",
                       {{"n", Value(std::int32_t(i))}, {"note", Value(fmt::format("row {}", i))}})
                != 0
            || tx.commit() != 0) {
            ++failures;
            if (failures == 1)
                fmt::print(stderr, "writer: {}\n", tx.sql_err_text());
        }
    }
    tx.disconnect();
    return failures;
}

} // namespace

TEST(SqliteWalLoad, WriterAndReaderProcessesLoseNothing)
{
    const std::string path = temp_db_path("load");
    {
        Transaction setup("setup");
        setup.set_database(path);
        setup.set_dbparm("Create='Yes'");
        ASSERT_EQ(setup.connect(), 0) << setup.sql_err_text();
        ASSERT_EQ(setup.execute_immediate("CREATE TABLE load_log (n integer primary key, note varchar(20))"), 0);
        ASSERT_EQ(setup.disconnect(), 0);
    }

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        ::_exit(std::min(write_loop(path), 100));

    Transaction reader("reader");
    reader.set_database(path);
    ASSERT_EQ(reader.connect(), 0) << reader.sql_err_text();
    int read_failures = 0;
    long last_count = 0, last_max = 0;
    std::string first_error;
    bool went_backwards = false;
    int overlapping = 0; // reads that saw the writer part way
    int status = 0;
    bool writer_done = false;
    for (int i = 0; i < operations || !writer_done; ++i) {
        if (!writer_done && ::waitpid(child, &status, WNOHANG) == child)
            writer_done = true;
        Value count = Value::initial_of(Type::Long), max = Value::initial_of(Type::Long);
        // The newest rows through the primary key: a cheap read that still sees every commit.
        if (reader.select_into(
                "SELECT Count(*), Max(n) INTO :c, :m FROM (SELECT n FROM load_log ORDER BY n DESC LIMIT 5) x",
                {{"c", &count}, {"m", &max}})
            != 0) {
            if (read_failures++ == 0)
                first_error = reader.sql_err_text();
            continue;
        }
        const long m = max.is_null() ? 0 : long(max.as_integral());
        if (m < last_max)
            went_backwards = true; // a committed write vanished from a later read
        last_max = m;
        last_count = long(count.as_integral());
        if (m > 0 && m < operations)
            ++overlapping;
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_GT(overlapping, 0) << "the reader never ran while the writer was writing";
    RecordProperty("reads_during_writes", overlapping);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "writer statements failed";
    EXPECT_EQ(read_failures, 0) << first_error;
    EXPECT_FALSE(went_backwards);
    (void)last_count;

    Value total = Value::initial_of(Type::Long), distinct = Value::initial_of(Type::Long),
          sum = Value::initial_of(Type::Decimal);
    ASSERT_EQ(reader.select_into("SELECT Count(*), Count(DISTINCT n), Sum(n) INTO :t, :d, :s FROM load_log",
                                 {{"t", &total}, {"d", &distinct}, {"s", &sum}}),
              0);
    EXPECT_EQ(total, Value(operations));
    EXPECT_EQ(distinct, Value(operations));
    EXPECT_EQ(sum.as_decimal(), Decimal(std::int64_t(operations) * (operations + 1) / 2));
    reader.disconnect();
    remove_db_files(path);
}
