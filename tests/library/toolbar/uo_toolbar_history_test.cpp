// uo_toolbar's history archive: records copied from the records database (sqlca) into the
// archive database (photosqlca) through the application's reader and writer objects.

#include "host/value/functions.h"
#include "tests/library/toolbar/toolbar_fixture.h"

#include <gtest/gtest.h>

using namespace hearth;
using namespace hearth::test;

namespace {

// The tables the archive touches, with the application's column lists. The records database
// has TC_<name>; the archive has th_<name> (the relation keeps tc_ge_personrelation) with the
// same columns plus SaveTime.
struct TableDef {
    const char* name;
    const char* history;
    const char* columns;
    const char* key;
};
const TableDef tables[] = {
    {"GE_Rpr", "th_ge_rpr",
     "RprNo TEXT NOT NULL, HostName TEXT, RprType TEXT, Address TEXT, Phone TEXT, RegDate DATE, "
     "PersonNum INTEGER NOT NULL DEFAULT 0, InCommHouseNum NUMERIC(6,0) NOT NULL DEFAULT 0, "
     "OutCommHouseNum NUMERIC(6,0) NOT NULL DEFAULT 0, InCommHouseArea NUMERIC(12,2) NOT NULL DEFAULT 0, "
     "OutCommHouseArea NUMERIC(12,2) NOT NULL DEFAULT 0, Remark TEXT, IsSave CHAR(1) NOT NULL DEFAULT '0'",
     "RprNo"},
    {"GE_PersonInfo", "th_ge_personinfo",
     "PersonNo TEXT NOT NULL, RprNo TEXT, Name TEXT, UsedName TEXT, Sex CHAR(1), IDCard TEXT, BirthDate DATE, "
     "Nation TEXT, HostRelation TEXT, PersonKind TEXT, RoleRelation TEXT, Education TEXT, Marriage TEXT, "
     "Address TEXT, Phone TEXT, RegDate DATE, Remark TEXT, IsSave CHAR(1) NOT NULL DEFAULT '0'",
     "PersonNo"},
    {"GE_PersonOtherInfo", "th_ge_personotherinfo",
     "PersonNo TEXT NOT NULL, BloodType TEXT, Speciality TEXT, Hobby TEXT, Remark TEXT, "
     "IsSave CHAR(1) NOT NULL DEFAULT '0'",
     "PersonNo"},
    {"GE_PersonRelation", "tc_ge_personrelation",
     "PersonNo TEXT NOT NULL, RoleRelation TEXT NOT NULL, PersonNo2 TEXT, Remark TEXT", "PersonNo, RoleRelation"},
    {"GE_Company", "th_ge_company",
     "OrderNo INTEGER NOT NULL, PersonNo TEXT, CompanyName TEXT, Address TEXT, Duty TEXT, Phone TEXT, "
     "StartDate DATE, IsSave CHAR(1) NOT NULL DEFAULT '0'",
     "OrderNo"},
    {"MH_AdultWomanInfo", "th_mh_adultwomaninfo",
     "OrderNo INTEGER NOT NULL, PersonNo TEXT, MarryDate DATE, ChildNum INTEGER, Contraception TEXT, "
     "IsSave CHAR(1) NOT NULL DEFAULT '0'",
     "OrderNo"},
};

class HistoryArchive : public ToolbarTest {
protected:
    HistoryArchive()
    {
        for (const TableDef& t : tables) {
            sql(fmt("CREATE TABLE TC_", t.name, " (", t.columns, ", PRIMARY KEY (", t.key, "))"));
            photo_sql(
                fmt("CREATE TABLE ", t.history, " (", t.columns, ", SaveTime TIMESTAMP, PRIMARY KEY (", t.key, "))"));
        }
        globals.gs_workparm.assign(16, "否");
    }

    template <class... Parts> static std::string fmt(const Parts&... parts) { return (std::string(parts) + ...); }

    // The first column of the first row as text; "<none>" without a row, "<null>" for null.
    std::string text(std::string_view select)
    {
        Value out;
        const long code = globals.photosqlca.select_into(select, {HostVar("out", &out)});
        EXPECT_NE(code, -1) << select << ": " << globals.photosqlca.sql_err_text();
        if (code == 100)
            return "<none>";
        return out.is_null() ? "<null>" : out.is_string() ? out.as_string() : std::to_string(out.as_integral());
    }
    // Every history row goes.
    void empty_archive()
    {
        for (const TableDef& t : tables)
            photo_sql(fmt("DELETE FROM ", t.history));
    }
    // The page in front lists `dataobject` retrieved with `argument`; its first row is current.
    uo_dw& show(const char* dataobject, const std::string& argument)
    {
        uo_tabpg_datawindow& list = page(dataobject);
        globals.guo_tabpg_now = list.ref();
        EXPECT_GE(dw(list).retrieve({Value(argument)}), 1) << globals.sqlca.sql_err_text();
        return dw(list);
    }
    long call(std::string_view function, std::vector<Value> args)
    {
        const Value result = run(toolbar().ref(), function, std::move(args));
        return result.is_null() ? -99 : static_cast<long>(result.as_integral());
    }
    // wf_savehisinfo on the current row of the page in front.
    long save(const char* writer, std::int16_t param)
    {
        const ObjectRef list = dynamic_cast<uo_tabpg_datawindow*>(globals.guo_tabpg_now.get())->dw_1;
        return call("wf_savehisinfo", {Value(list), Value(writer), Value::integer(param)});
    }
};

// Each column type is read with its own GetItem function and written by name; columns on one
// side only, and nulls, leave the history column as it was; SaveTime is always stamped. The
// page's list has fewer columns: the columns are those of the object read, not of the list.
TEST_F(HistoryArchive, CopyColumnCopiesEveryTypeByNameFromTheObjectRead)
{
    struct Column {
        const char* name;
        const char* type;
        Value value;
    };
    const Column columns[] = {{"c_char", "char(20)", Value("文本")},
                              {"c_date", "date", Value(Date {2020, 2, 29})},
                              {"c_datetime", "datetime", Value(DateTime {Date {2021, 3, 4}, Time {5, 6, 7, 0}})},
                              {"c_decimal", "decimal(2)", Value(Decimal::parse("12.34").value())},
                              {"c_number", "number", Value(1.5)},
                              {"c_long", "long", Value(std::int32_t(-7))},
                              {"c_ulong", "ulong", Value::ulong(4000000000u)},
                              {"c_real", "real", Value(2.25)},
                              {"c_time", "time", Value(Time {23, 59, 58, 0})}};
    std::string shared;
    for (const Column& c : columns)
        shared += fmt("column=(type=", c.type, " name=", c.name, ") ");
    auto store = [&](const std::string& table) {
        const ObjectRef ref = runtime.create("datastore");
        auto* ds = dynamic_cast<DataStore*>(ref.get());
        EXPECT_EQ(
            ds->set_dataobject(
                dw::ObjectDefinition::parse("release 10; datawindow() table(" + shared + table + ")", "x").value()),
            1);
        return std::pair {ref, ds};
    };
    const auto [source_ref, source] = store("column=(type=char(5) name=c_null) column=(type=char(5) name=only_source)");
    const auto [target_ref, target] = store("column=(type=char(5) name=c_null initial=\"d\") "
                                            "column=(type=char(5) name=only_target initial=\"t\") "
                                            "column=(type=datetime name=savetime)");
    uo_dw& list = dw(page("d_ge_personotherinfoparm")); // a list of fewer columns
    source->insert_row(0);
    for (const Column& c : columns)
        ASSERT_EQ(source->set_item(1, c.name, c.value), 1) << c.name;
    ASSERT_EQ(source->set_item(1, "only_source", Value("s")), 1);

    EXPECT_EQ(call("wf_copycolumn", {Value(list.ref()), Value(target_ref), Value(source_ref), Value::integer(2)}), 1);
    for (const Column& c : columns) {
        const std::string value = fmt("Evaluate('string(", c.name, ")', 1)");
        EXPECT_EQ(target->describe(value), source->describe(value)) << c.name;
    }
    EXPECT_EQ(target->get_item_string(1, "c_null"), Value("d"));
    EXPECT_EQ(target->get_item_string(1, "only_target"), Value("t"));
    const Value stamp = target->get_item_datetime(1, "savetime");
    EXPECT_EQ(stamp.is_null() ? Date {} : stamp.as_datetime().date, fn::today().as_date());
    runtime.destroy(source_ref);
    runtime.destroy(target_ref);
}

// A household is copied from its full record, then every member with IsSave 5 and all of the
// member's columns (the household list has fewer than a person has); a second household
// archives its own members.
TEST_F(HistoryArchive, HouseholdArchivesItsRowAndEveryMember)
{
    sql("INSERT INTO TC_GE_Rpr (RprNo, Remark) VALUES ('R1', '备注'), ('R2', '备注')");
    sql("INSERT INTO TC_GE_PersonInfo (PersonNo, RprNo, Remark) VALUES ('P1', 'R1', '甲'), ('P2', 'R1', '乙'), "
        "('P3', 'R2', '丙')");
    for (const char* rprno : {"R1", "R2"}) {
        show("d_ge_rprparm", rprno);
        EXPECT_EQ(save("dh_ge_rpr", 3), 0) << rprno;
    }
    EXPECT_EQ(text("SELECT count(*) INTO :out FROM th_ge_rpr WHERE Remark = '备注' AND SaveTime IS NOT NULL"), "2");
    EXPECT_EQ(text("SELECT group_concat(PersonNo || IsSave || Remark) INTO :out FROM "
                   "(SELECT * FROM th_ge_personinfo ORDER BY PersonNo)"),
              "P15甲,P25乙,P35丙");
    EXPECT_TRUE(boxes().empty());
}

// A person's own deletion: a new history row gets IsSave 5, one already there is refreshed
// (not doubled); the company records, all of them, follow only when gs_workparm[10] switches
// them on.
TEST_F(HistoryArchive, PersonArchivedForItsOwnDeletion)
{
    struct Case {
        bool in_history;
        const char* company_switch;
        const char* companies;
    };
    sql("INSERT INTO TC_GE_PersonInfo (PersonNo) VALUES ('P1')");
    sql("INSERT INTO TC_GE_Company (OrderNo, PersonNo) VALUES (1, 'P1'), (2, 'P1')");
    for (const Case& c : {Case {false, "否", "0"}, Case {true, "是", "2"}}) {
        empty_archive();
        if (c.in_history)
            photo_sql("INSERT INTO th_ge_personinfo (PersonNo, IsSave, SaveTime) VALUES ('P1', '6', '2001-01-01')");
        globals.gs_workparm[9] = c.company_switch;
        show("d_ge_personinfoparm", "P1");
        EXPECT_EQ(save("dh_ge_personinfo", 2), 0);
        // one row, IsSave 5, a fresh SaveTime
        EXPECT_EQ(text("SELECT count(*) || '/' || max(IsSave) || '/' || (min(SaveTime) > '2001-01-02') "
                       "INTO :out FROM th_ge_personinfo"),
                  "1/5/1")
            << c.in_history;
        EXPECT_EQ(text("SELECT count(*) INTO :out FROM th_ge_company"), c.companies) << c.in_history;
    }
}

// Any part of the archive that fails makes the whole archive fail, so the deletion stops: a
// member's secondary record, a person's secondary record, the relation of an adult woman, and
// a COMMIT of the history database that fails.
TEST_F(HistoryArchive, AFailedPartFailsTheArchive)
{
    struct Case {
        const char* list;
        const char* writer;
        std::int16_t param;
        const char* broken; // a history table taken away, "" for a failing COMMIT
        const char* box;
    };
    const Case cases[] = {
        {"d_ge_rprparm", "dh_ge_rpr", 3, "th_ge_company", "错误|在保存到历史库中出现错误"},
        {"d_ge_personinfoparm", "dh_ge_personinfo", 2, "th_ge_company", "错误|在保存到历史库中出现错误"},
        {"d_mh_adultwomaninfoparm", "dh_mh_adultwomaninfo", 1, "tc_ge_personrelation",
         "提示|个人关系定义保存到历史信息表失败!"},
        {"d_ge_rprparm", "dh_ge_rpr", 3, "", "错误|在保存到历史库中出现错误"},
    };
    sql("INSERT INTO TC_GE_Rpr (RprNo) VALUES ('R1')");
    sql("INSERT INTO TC_GE_PersonInfo (PersonNo, RprNo) VALUES ('P1', 'R1'), ('P2', 'R1')");
    sql("INSERT INTO TC_GE_Company (OrderNo, PersonNo) VALUES (1, 'P1')");
    sql("INSERT INTO TC_MH_AdultWomanInfo (OrderNo, PersonNo) VALUES (1, 'P1')");
    sql("INSERT INTO TC_GE_PersonRelation (PersonNo, RoleRelation, PersonNo2) VALUES ('P1', '11', 'P2')");
    globals.gs_workparm[9] = "是";
    for (const Case& c : cases) {
        empty_archive();
        show(c.list, c.list == std::string_view("d_ge_rprparm") ? "R1" : "P1");
        if (*c.broken)
            photo_sql(fmt("ALTER TABLE ", c.broken, " RENAME TO gone"));
        else
            fail_next(globals.photosqlca, FaultPoint::Commit);
        EXPECT_EQ(save(c.writer, c.param), -1) << c.writer;
        EXPECT_EQ(boxes().empty() ? "" : boxes().back(), c.box) << c.writer;
        EXPECT_FALSE(globals.photosqlca.in_transaction()) << c.writer;
        if (*c.broken)
            photo_sql(fmt("ALTER TABLE gone RENAME TO ", c.broken));
    }
}

// The other information (on archiving a secondary record) and the relation (on archiving an
// adult woman's record) replace their earlier history copy in one photosqlca transaction;
// with no current row to replace it, the earlier copy stays. The caller's open work on sqlca
// is neither committed nor rolled back.
TEST_F(HistoryArchive, ReplacedCopiesCommitOrRollBackOnPhotosqlcaOnly)
{
    struct Case {
        const char* list;
        const char* writer;
        const char* current_row; // the replacement on sqlca, "" for none
        const char* history;     // what the archive holds afterwards
    };
    const char* other_info = "SELECT Hobby INTO :out FROM th_ge_personotherinfo";
    const char* relation = "SELECT Remark INTO :out FROM tc_ge_personrelation";
    const Case cases[] = {
        {"d_ge_companyparm", "dh_ge_company", "INSERT INTO TC_GE_PersonOtherInfo (PersonNo, Hobby) VALUES ('P1', '新')",
         other_info},
        {"d_ge_companyparm", "dh_ge_company", "", other_info},
        {"d_mh_adultwomaninfoparm", "dh_mh_adultwomaninfo",
         "INSERT INTO TC_GE_PersonRelation (PersonNo, RoleRelation, Remark) VALUES ('P1', '11', '新')", relation},
        {"d_mh_adultwomaninfoparm", "dh_mh_adultwomaninfo", "", relation},
    };
    sql("INSERT INTO TC_GE_PersonInfo (PersonNo) VALUES ('P1')");
    sql("INSERT INTO TC_GE_Company (OrderNo, PersonNo) VALUES (1, 'P1')");
    sql("INSERT INTO TC_MH_AdultWomanInfo (OrderNo, PersonNo) VALUES (1, 'P1')");
    for (const Case& c : cases) {
        empty_archive();
        photo_sql("INSERT INTO th_ge_personotherinfo (PersonNo, Hobby) VALUES ('P1', '旧')");
        photo_sql("INSERT INTO tc_ge_personrelation (PersonNo, RoleRelation, Remark) VALUES ('P1', '11', '旧')");
        sql("DELETE FROM TC_GE_PersonOtherInfo");
        sql("DELETE FROM TC_GE_PersonRelation");
        if (*c.current_row)
            sql(c.current_row);
        show(c.list, "P1");
        EXPECT_EQ(globals.sqlca.execute("UPDATE TC_GE_PersonInfo SET Remark = 'open'"), 0);
        EXPECT_EQ(save(c.writer, 1), 0) << c.writer;
        EXPECT_TRUE(globals.sqlca.in_transaction()) << c.writer;
        EXPECT_FALSE(globals.photosqlca.in_transaction()) << c.writer;
        EXPECT_EQ(text(c.history), *c.current_row ? "新" : "旧") << c.writer << " " << c.current_row;
        EXPECT_EQ(globals.sqlca.rollback(), 0);
    }
}

// A record archived again (its deletion failed after the archive and is tried again; the other
// information was archived with its person before) replaces its earlier copy instead of
// failing on the history table's key, for the record itself and for a member's records.
TEST_F(HistoryArchive, ARecordArchivedAgainReplacesItsEarlierCopy)
{
    struct Case {
        const char* list;
        const char* argument;
        const char* writer;
        std::int16_t param;
    };
    const Case cases[] = {
        {"d_ge_rprparm", "R1", "dh_ge_rpr", 3},
        {"d_ge_companyparm", "P1", "dh_ge_company", 1},
        {"d_ge_personotherinfoparm", "P1", "dh_ge_personotherinfo", 1},
    };
    sql("INSERT INTO TC_GE_Rpr (RprNo) VALUES ('R1')");
    sql("INSERT INTO TC_GE_PersonInfo (PersonNo, RprNo) VALUES ('P1', 'R1')");
    sql("INSERT INTO TC_GE_Company (OrderNo, PersonNo) VALUES (1, 'P1')");
    sql("INSERT INTO TC_GE_PersonOtherInfo (PersonNo) VALUES ('P1')");
    globals.gs_workparm[9] = "是";
    for (const Case& c : cases)
        for (const char* remark : {"一", "二"}) {
            for (const char* column :
                 {"TC_GE_Rpr SET Remark", "TC_GE_Company SET Duty", "TC_GE_PersonOtherInfo SET Remark"})
                sql(fmt("UPDATE ", column, " = '", remark, "'"));
            show(c.list, c.argument);
            EXPECT_EQ(save(c.writer, c.param), 0) << c.writer << " " << remark;
        }
    for (const char* query : {"SELECT count(*) || max(Remark) INTO :out FROM th_ge_rpr",
                              "SELECT count(*) || max(Duty) INTO :out FROM th_ge_company",
                              "SELECT count(*) || max(Remark) INTO :out FROM th_ge_personotherinfo"})
        EXPECT_EQ(text(query), "1二") << query;
    EXPECT_TRUE(boxes().empty());
}

// A person number with a quote finds that person's history rows and no one else's: the
// person is archived, and only that person's earlier other information is replaced.
TEST_F(HistoryArchive, AQuoteInAPersonNumberFindsOnlyThatPerson)
{
    sql("INSERT INTO TC_GE_PersonInfo (PersonNo) VALUES ('O''1')");
    sql("INSERT INTO TC_GE_PersonOtherInfo (PersonNo, Hobby) VALUES ('O''1', '新')");
    photo_sql("INSERT INTO th_ge_personinfo (PersonNo, IsSave) VALUES ('P9', '6')");
    photo_sql("INSERT INTO th_ge_personotherinfo (PersonNo, Hobby) VALUES ('O''1', '旧'), ('P9', '旧')");
    globals.gs_workparm[8] = "是";
    show("d_ge_personinfoparm", "O'1");
    EXPECT_EQ(call("wf_savepersoninfo", {Value("O'1"), Value::integer(2)}), 0);
    EXPECT_EQ(text("SELECT group_concat(PersonNo || IsSave) INTO :out FROM "
                   "(SELECT * FROM th_ge_personinfo ORDER BY PersonNo)"),
              "O'15,P96");
    EXPECT_EQ(text("SELECT group_concat(PersonNo || Hobby) INTO :out FROM "
                   "(SELECT * FROM th_ge_personotherinfo ORDER BY PersonNo)"),
              "O'1新,P9旧");
    EXPECT_TRUE(boxes().empty());
}

} // namespace
