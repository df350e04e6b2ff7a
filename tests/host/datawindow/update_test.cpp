// Update through a transaction on both backends: the statements generated from the update
// settings, flags after success and failure, and two clients editing the same row.

#include "database_fixture.h"

using namespace hearth;
using namespace hearth::dw;
using namespace hearth::dw::test;

namespace {

class UpdateTest : public DatabaseTest {
protected:
    std::unique_ptr<Engine> retrieved(int update_where = 1, bool key_in_place = false)
    {
        auto engine = engine_from(person_source(update_where, key_in_place));
        EXPECT_EQ(retrieve(*engine, tx, {Value("R1")}), 2) << tx.sql_err_text();
        return engine;
    }
    std::vector<std::string> planned(const Engine& engine)
    {
        auto plan = plan_update(engine);
        EXPECT_TRUE(plan.ok()) << (plan.ok() ? "" : plan.error());
        std::vector<std::string> texts;
        if (plan.ok())
            for (const auto& statement : *plan)
                texts.push_back(statement.text);
        return texts;
    }
};

} // namespace

TEST_P(UpdateTest, StatementsFollowStatusesAndUpdateWhere)
{
    struct Case {
        int update_where;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {0,
         {"DELETE FROM tc_ge_personinfo WHERE PersonNo = :p1",
          "UPDATE tc_ge_personinfo SET Name = :p1 WHERE PersonNo = :p2",
          "INSERT INTO tc_ge_personinfo (PersonNo, Name, RprNo, Age) VALUES (:p1, :p2, :p3, :p4)"}},
        {1,
         {"DELETE FROM tc_ge_personinfo WHERE PersonNo = :p1 AND Name = :p2 AND RprNo = :p3 AND Age = :p4",
          "UPDATE tc_ge_personinfo SET Name = :p1 WHERE PersonNo = :p2 AND Name = :p3 AND RprNo = :p4 AND Age = :p5",
          "INSERT INTO tc_ge_personinfo (PersonNo, Name, RprNo, Age) VALUES (:p1, :p2, :p3, :p4)"}},
        {2,
         {"DELETE FROM tc_ge_personinfo WHERE PersonNo = :p1",
          "UPDATE tc_ge_personinfo SET Name = :p1 WHERE PersonNo = :p2 AND Name = :p3",
          "INSERT INTO tc_ge_personinfo (PersonNo, Name, RprNo, Age) VALUES (:p1, :p2, :p3, :p4)"}},
    };
    for (const Case& c : cases) {
        auto engine = retrieved(c.update_where);
        ASSERT_EQ(engine->set_item(1, "name", Value("Li Ming")), 1);
        ASSERT_EQ(engine->delete_row(2), 1);
        const long added = engine->insert_row(0);
        ASSERT_EQ(engine->set_item(added, "personno", Value("P9")), 1);
        engine->insert_row(0); // New!, never inserted
        EXPECT_EQ(planned(*engine), c.expected) << "updatewhere " << c.update_where;
    }
}

TEST_P(UpdateTest, NullOriginalsCompareWithIsNull)
{
    auto engine = engine_from(person_source(1));
    ASSERT_EQ(retrieve(*engine, tx, {Value("R2")}), 1);
    ASSERT_EQ(engine->set_item(1, "age", Value(33)), 1);
    auto plan = plan_update(*engine);
    ASSERT_TRUE(plan.ok());
    ASSERT_EQ(plan->size(), 1u);
    EXPECT_EQ(
        (*plan)[0].text,
        "UPDATE tc_ge_personinfo SET Age = :p1 WHERE PersonNo = :p2 AND Name = :p3 AND RprNo = :p4 AND Age IS NULL");
    ASSERT_EQ(update(*engine, tx), 1) << tx.sql_err_text();
    ASSERT_EQ(tx.commit(), 0);
    EXPECT_EQ(stored(), "P1:Li:40;P2:Wang:12;P3:Zhao:33;");
}

TEST_P(UpdateTest, SuccessWritesEverythingAndResetsTheFlags)
{
    auto engine = retrieved();
    ASSERT_EQ(engine->set_item(1, "name", Value("Li Ming")), 1);
    ASSERT_EQ(engine->delete_row(2), 1);
    const long added = engine->insert_row(0);
    ASSERT_EQ(engine->set_item(added, "personno", Value("P9")), 1);
    ASSERT_EQ(engine->set_item(added, "rprno", Value("R1")), 1);
    ASSERT_EQ(engine->set_item(added, "age", Value(3)), 1);
    const long fresh = engine->insert_row(0); // New! stays New!
    ASSERT_EQ(update(*engine, tx), 1) << tx.sql_err_text();
    ASSERT_EQ(tx.commit(), 0);
    EXPECT_EQ(stored(), "P1:Li Ming:40;P3:Zhao:;P9::3;");
    EXPECT_EQ(engine->deleted_count(), 0);
    EXPECT_EQ(engine->get_item_status(1, 0), ItemStatus::NotModified);
    EXPECT_EQ(engine->get_item_status(added, 0), ItemStatus::NotModified);
    EXPECT_EQ(engine->get_item_status(fresh, 0), ItemStatus::New);
    // Nothing left to send.
    EXPECT_TRUE(planned(*engine).empty());
    EXPECT_EQ(update(*engine, tx), 1);
    // The second update runs from the new originals.
    ASSERT_EQ(engine->set_item(1, "name", Value("Li Ming 2")), 1);
    ASSERT_EQ(update(*engine, tx), 1) << tx.sql_err_text();
    ASSERT_EQ(tx.commit(), 0);
    EXPECT_EQ(stored(), "P1:Li Ming 2:40;P3:Zhao:;P9::3;");
}

TEST_P(UpdateTest, KeepingFlagsWhenAsked)
{
    auto engine = retrieved();
    ASSERT_EQ(engine->set_item(2, "age", Value(13)), 1);
    ASSERT_EQ(update(*engine, tx, ResetFlags::No), 1);
    EXPECT_EQ(engine->get_item_status(2, 0), ItemStatus::DataModified);
    ASSERT_EQ(tx.commit(), 0);
    EXPECT_EQ(stored(), "P1:Li:40;P2:Wang:13;P3:Zhao:;");
}

TEST_P(UpdateTest, TwoClientsEditingTheSameRow)
{
    Transaction other("other");
    configure_other(other);
    ASSERT_EQ(other.connect(), 0) << other.sql_err_text();
    auto mine = retrieved(1);
    auto theirs = engine_from(person_source(1));
    ASSERT_EQ(retrieve(*theirs, other, {Value("R1")}), 2);

    ASSERT_EQ(mine->set_item(1, "name", Value("first")), 1);
    ASSERT_EQ(update(*mine, tx), 1) << tx.sql_err_text();
    ASSERT_EQ(tx.commit(), 0);

    ASSERT_EQ(theirs->set_item(1, "name", Value("second")), 1);
    long code = 0;
    std::string text;
    DatabaseEvents events;
    events.db_error = [&](long c, const std::string& t) {
        code = c;
        text = t;
    };
    EXPECT_EQ(update(*theirs, other, ResetFlags::Yes, events), -1);
    EXPECT_EQ(other.sql_code(), -1);
    EXPECT_EQ(other.sql_err_text(), row_changed_error);
    EXPECT_EQ(text, row_changed_error);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(theirs->get_item_status(1, 0), ItemStatus::DataModified); // flags kept for a retry
    ASSERT_EQ(other.rollback(), 0);
    EXPECT_EQ(stored(), "P1:first:40;P2:Wang:12;P3:Zhao:;");

    // After retrieving again the second client's change goes through.
    ASSERT_EQ(retrieve(*theirs, other, {Value("R1")}), 2);
    ASSERT_EQ(theirs->set_item(1, "name", Value("second")), 1);
    ASSERT_EQ(update(*theirs, other), 1) << other.sql_err_text();
    ASSERT_EQ(other.commit(), 0);
    EXPECT_EQ(stored(), "P1:second:40;P2:Wang:12;P3:Zhao:;");
}

TEST_P(UpdateTest, KeyOnlyWhereLetsTheLastWriterWin)
{
    // kept: updatewhere=0 compares the key only, so a concurrent change is overwritten.
    Transaction other("other");
    configure_other(other);
    ASSERT_EQ(other.connect(), 0);
    auto mine = retrieved(0);
    auto theirs = engine_from(person_source(0));
    ASSERT_EQ(retrieve(*theirs, other, {Value("R1")}), 2);
    ASSERT_EQ(mine->set_item(1, "name", Value("first")), 1);
    ASSERT_EQ(update(*mine, tx), 1);
    ASSERT_EQ(tx.commit(), 0);
    ASSERT_EQ(theirs->set_item(1, "age", Value(41)), 1);
    ASSERT_EQ(update(*theirs, other), 1) << other.sql_err_text();
    ASSERT_EQ(other.commit(), 0);
    EXPECT_EQ(stored(), "P1:first:41;P2:Wang:12;P3:Zhao:;");
}

TEST_P(UpdateTest, ADatabaseErrorStopsTheUpdateAndKeepsTheFlags)
{
    auto engine = retrieved();
    ASSERT_EQ(engine->set_item(2, "name", Value("changed")), 1);
    const long added = engine->insert_row(0);
    ASSERT_EQ(engine->set_item(added, "personno", Value("P1")), 1); // duplicate key
    std::string text;
    DatabaseEvents events;
    events.db_error = [&](long, const std::string& t) { text = t; };
    EXPECT_EQ(update(*engine, tx, ResetFlags::Yes, events), -1);
    EXPECT_NE(tx.sql_err_text(), "");
    EXPECT_EQ(text, tx.sql_err_text());
    EXPECT_EQ(engine->get_item_status(2, 0), ItemStatus::DataModified);
    EXPECT_EQ(engine->get_item_status(added, 0), ItemStatus::NewModified);
    // The statements already sent are the script's to roll back.
    ASSERT_EQ(tx.rollback(), 0);
    EXPECT_EQ(stored(), "P1:Li:40;P2:Wang:12;P3:Zhao:;");
}

TEST_P(UpdateTest, AChangedKeyIsDeleteThenInsertUnlessUpdatedInPlace)
{
    for (bool in_place : {false, true}) {
        auto engine = retrieved(0, in_place);
        ASSERT_EQ(engine->set_item(2, "personno", Value("P7")), 1);
        const std::vector<std::string> expected = in_place
            ? std::vector<std::string> {"UPDATE tc_ge_personinfo SET PersonNo = :p1 WHERE PersonNo = :p2"}
            : std::vector<std::string> {
                "DELETE FROM tc_ge_personinfo WHERE PersonNo = :p1",
                "INSERT INTO tc_ge_personinfo (PersonNo, Name, RprNo, Age) VALUES (:p1, :p2, :p3, :p4)"};
        EXPECT_EQ(planned(*engine), expected);
        ASSERT_EQ(update(*engine, tx), 1) << tx.sql_err_text();
        ASSERT_EQ(tx.commit(), 0);
        EXPECT_EQ(stored(), "P1:Li:40;P3:Zhao:;P7:Wang:12;");
        ASSERT_EQ(tx.execute_immediate("UPDATE tc_ge_personinfo SET PersonNo = 'P2' WHERE PersonNo = 'P7'"), 0);
        ASSERT_EQ(tx.commit(), 0);
    }
}

TEST_P(UpdateTest, FilteredRowsAreUpdatedToo)
{
    auto engine = retrieved();
    ASSERT_EQ(engine->set_item(2, "age", Value(14)), 1);
    ASSERT_EQ(engine->set_filter("age > 20"), 1);
    ASSERT_EQ(engine->filter(), 1);
    ASSERT_EQ(engine->filtered_count(), 1);
    ASSERT_EQ(update(*engine, tx), 1) << tx.sql_err_text();
    ASSERT_EQ(tx.commit(), 0);
    EXPECT_EQ(stored(), "P1:Li:40;P2:Wang:14;P3:Zhao:;");
}

TEST_P(UpdateTest, ObjectsThatCannotUpdateSayWhy)
{
    auto engine = retrieved();
    ASSERT_EQ(engine->set_item(1, "age", Value(1)), 1);
    ASSERT_EQ(engine->modify("datawindow.table.updatetable=''"), "");
    EXPECT_EQ(update(*engine, tx), -1);
    EXPECT_EQ(tx.sql_err_text(), "The DataWindow object has no update table.");
    ASSERT_EQ(engine->modify("datawindow.table.updatetable='tc_ge_personinfo' personno.key=no"), "");
    EXPECT_EQ(update(*engine, tx), -1);
    EXPECT_EQ(tx.sql_err_text(), "The DataWindow object has no key columns.");
    EXPECT_EQ(engine->get_item_status(1, 0), ItemStatus::DataModified);
    // No object: 1, as the runtime answers.
    Engine empty;
    EXPECT_EQ(update(empty, tx), 1);
    EXPECT_EQ(retrieve(empty, tx, {}), -1);
}

TEST_P(UpdateTest, AnUpdateTableThatIsNoPlainNameIsQuoted)
{
    auto engine = retrieved();
    ASSERT_EQ(engine->set_item(1, "age", Value(1)), 1);
    ASSERT_EQ(engine->modify("datawindow.table.updatetable='tc_ge_personinfo; DROP TABLE tc_ge_personinfo; --'"), "");
    EXPECT_EQ(planned(*engine),
              std::vector<std::string> {"UPDATE \"tc_ge_personinfo; DROP TABLE tc_ge_personinfo; --\" "
                                        "SET Age = :p1 WHERE PersonNo = :p2 AND Name = :p3 AND RprNo = :p4 "
                                        "AND Age = :p5"});
    EXPECT_EQ(update(*engine, tx), -1); // no such table, and nothing else runs
    EXPECT_EQ(retrieve(*engine, tx, {Value("R1")}), 2) << tx.sql_err_text();
}

HEARTH_BOTH_BACKENDS(UpdateTest);
