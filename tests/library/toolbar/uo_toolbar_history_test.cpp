// uo_toolbar's history archive: records copied from the records database into the archive
// database through the application's reader and writer objects, on two SQLite databases.

#include "host/object/runtime.h"
#include "host/ui/datawindow_control.h"
#include "host/ui/desktop.h"
#include "host/ui/register.h"
#include "host/value/functions.h"
#include "library/toolbar/uo_toolbar.h"
#include "tests/library/frame/memory_application.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

using namespace hearth;
using namespace hearth::test;

namespace {

const std::filesystem::path source_dir(HEARTH_SOURCE_DIR);

// The tables the archive touches, with the application's column lists. The records database
// has TC_<name>; the archive has th_<name> (the relation keeps tc_ge_personrelation) with the
// same columns plus SaveTime.
struct TableDef {
    const char* name;
    const char* columns;
    const char* key;
};
const TableDef tables[] = {
    {"GE_Rpr",
     "RprNo TEXT NOT NULL, HostName TEXT, RprType TEXT, Address TEXT, Phone TEXT, RegDate DATE, "
     "PersonNum INTEGER NOT NULL DEFAULT 0, InCommHouseNum NUMERIC(6,0) NOT NULL DEFAULT 0, "
     "OutCommHouseNum NUMERIC(6,0) NOT NULL DEFAULT 0, InCommHouseArea NUMERIC(12,2) NOT NULL DEFAULT 0, "
     "OutCommHouseArea NUMERIC(12,2) NOT NULL DEFAULT 0, Remark TEXT, IsSave CHAR(1) NOT NULL DEFAULT '0'",
     "RprNo"},
    {"GE_PersonInfo",
     "PersonNo TEXT NOT NULL, RprNo TEXT, Name TEXT, UsedName TEXT, Sex CHAR(1), IDCard TEXT, BirthDate DATE, "
     "Nation TEXT, HostRelation TEXT, PersonKind TEXT, RoleRelation TEXT, Education TEXT, Marriage TEXT, "
     "Address TEXT, Phone TEXT, RegDate DATE, Remark TEXT, IsSave CHAR(1) NOT NULL DEFAULT '0'",
     "PersonNo"},
    {"GE_PersonOtherInfo",
     "PersonNo TEXT NOT NULL, BloodType TEXT, Speciality TEXT, Hobby TEXT, Remark TEXT, "
     "IsSave CHAR(1) NOT NULL DEFAULT '0'",
     "PersonNo"},
    {"GE_PersonRelation", "PersonNo TEXT NOT NULL, RoleRelation TEXT NOT NULL, PersonNo2 TEXT, Remark TEXT",
     "PersonNo, RoleRelation"},
    {"GE_Company",
     "OrderNo INTEGER NOT NULL, PersonNo TEXT, CompanyName TEXT, Address TEXT, Duty TEXT, Phone TEXT, "
     "StartDate DATE, IsSave CHAR(1) NOT NULL DEFAULT '0'",
     "OrderNo"},
    {"MH_AdultWomanInfo",
     "OrderNo INTEGER NOT NULL, PersonNo TEXT, MarryDate DATE, ChildNum INTEGER, Contraception TEXT, "
     "IsSave CHAR(1) NOT NULL DEFAULT '0'",
     "OrderNo"},
};

std::string lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// A tab page as the archive sees it: a user object with its list dw_1.
const ClassTable& page_table()
{
    static const ClassTable table {
        "w_page",
        "userobject",
        nullptr,
        {{"dw_1", "datawindow", nullptr}},
        {{own_group, "", {}, {{0, "create", create_script}, {1, "destroy", destroy_script}}}}};
    return table;
}

const ClassTable& w_main_table()
{
    static const ClassTable table {
        "w_main",
        "window",
        nullptr,
        {{"dw_tool", "uo_toolbar", nullptr}},
        {{own_group, "", {}, {{0, "create", create_script}, {1, "destroy", destroy_script}}}}};
    return table;
}

class HistoryArchive : public ::testing::Test {
protected:
    HistoryArchive()
    {
        EXPECT_EQ(error_text(register_ui_classes(registry)), "");
        EXPECT_EQ(error_text(registry.register_class(&_getVtableInfo_uo_toolbar)), "");
        EXPECT_EQ(error_text(registry.register_class(&w_main_table)), "");
        EXPECT_EQ(error_text(registry.register_class(&page_table)), "");
        EXPECT_EQ(desktop.open(w_main, "w_main"), 1);
        globals.w_main = w_main;
        dw_tool = w_main_dw_tool(globals);
        page = runtime.create_and_construct("w_page");
        globals.guo_tabpg_now = page;
        dw_1 = dynamic_cast<DataWindowControl*>(page.get()->nested("dw_1").get());
        globals.gs_workparm.assign(16, "否");

        std::filesystem::create_directories(folder);
        for (Transaction* tx : {&sqlca, &photosqlca}) {
            const std::filesystem::path file = folder / (tx->name() + ".db");
            for (const char* suffix : {"", "-wal", "-shm"})
                std::filesystem::remove(file.string() + suffix);
            tx->set_database(file.string());
            tx->set_dbparm("Create='Yes'");
            EXPECT_EQ(tx->connect(), 0) << tx->sql_err_text();
        }
        for (const TableDef& t : tables) {
            const std::string name = lower(t.name);
            exec(sqlca, fmt("CREATE TABLE TC_", t.name, " (", t.columns, ", PRIMARY KEY (", t.key, "))"));
            const std::string history = name == "ge_personrelation" ? "tc_" + name : "th_" + name;
            exec(photosqlca,
                 fmt("CREATE TABLE ", history, " (", t.columns, ", SaveTime TIMESTAMP, PRIMARY KEY (", t.key, "))"));
        }
        commit_both();
    }
    ~HistoryArchive() override
    {
        runtime.destroy(page);
        sqlca.disconnect();
        photosqlca.disconnect();
    }

    template <class... Parts> static std::string fmt(const Parts&... parts) { return (std::string(parts) + ...); }

    static void exec(Transaction& tx, const std::string& text, const HostVars& vars = {})
    {
        EXPECT_EQ(tx.execute(text, vars), 0) << text << ": " << tx.sql_err_text();
    }
    void commit_both()
    {
        EXPECT_EQ(sqlca.commit(), 0);
        EXPECT_EQ(photosqlca.commit(), 0);
    }
    // The first column of the first row as text; "<none>" without a row, "<null>" for null.
    static std::string read(Transaction& tx, const std::string& select, const HostVars& vars = {})
    {
        Value out;
        HostVars all = vars;
        all.emplace_back("out", &out);
        const long code = tx.select_into(select, all);
        EXPECT_NE(code, -1) << select << ": " << tx.sql_err_text();
        if (code == 100)
            return "<none>";
        return out.is_null() ? "<null>" : out.is_string() ? out.as_string() : std::to_string(out.as_integral());
    }

    void add_person(const std::string& personno, const std::string& rprno, const std::string& remark = "")
    {
        exec(sqlca, "INSERT INTO TC_GE_PersonInfo (PersonNo, RprNo, Name, Remark) VALUES (:p, :r, :n, :m)",
             {{"p", personno}, {"r", rprno}, {"n", "名" + personno}, {"m", remark}});
    }
    // The page's list shows `dataobject` retrieved with `argument`; its first row is current.
    void show(const char* dataobject, const std::string& argument)
    {
        ASSERT_EQ(dw_1->set_dataobject(dataobject), 1) << dw_1->load_error();
        dw_1->set_trans_object(sqlca);
        ASSERT_GE(dw_1->retrieve({Value(argument)}), 1) << sqlca.sql_err_text();
    }
    long call(std::string_view function, std::vector<Value> args)
    {
        DispatchResult result = runtime.dispatch(dw_tool, function, args);
        EXPECT_EQ(result.outcome, Outcome::Completed) << function;
        return result.value.is_null() ? -99 : static_cast<long>(result.value.as_integral());
    }
    long save(const char* writer, std::int16_t param)
    {
        return call("wf_savehisinfo", {Value(dw_1->ref()), Value(writer), Value::integer(param)});
    }
    std::vector<std::string> boxes() const
    {
        std::vector<std::string> out;
        for (const MessageBoxRecord& box : desktop.message_boxes())
            out.push_back(box.title + ": " + box.text);
        return out;
    }

    ClassRegistry registry;
    Runtime runtime {registry};
    Desktop desktop {runtime, dw::ObjectLibrary({source_dir / "app/objects"})};
    MemoryApplication application;
    CurrentApplication current {application};
    AppGlobals& globals = application.globals();
    Transaction& sqlca = globals.sqlca;
    Transaction& photosqlca = globals.photosqlca;
    const std::filesystem::path folder
        = std::filesystem::path(::testing::TempDir()) / ("hearth_history_" + std::to_string(::getpid()));
    ObjectRef w_main;
    ObjectRef dw_tool;
    ObjectRef page;
    DataWindowControl* dw_1 = nullptr;
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
    ASSERT_EQ(dw_1->set_dataobject("d_ge_personotherinfoparm"), 1); // a list of fewer columns
    source->insert_row(0);
    for (const Column& c : columns)
        ASSERT_EQ(source->set_item(1, c.name, c.value), 1) << c.name;
    ASSERT_EQ(source->set_item(1, "only_source", Value("s")), 1);

    EXPECT_EQ(call("wf_copycolumn", {Value(dw_1->ref()), Value(target_ref), Value(source_ref), Value::integer(2)}), 1);
    for (const Column& c : columns) {
        const std::string text = fmt("Evaluate('string(", c.name, ")', 1)");
        EXPECT_EQ(target->describe(text), source->describe(text)) << c.name;
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
    for (const char* rprno : {"R1", "R2"})
        exec(sqlca, "INSERT INTO TC_GE_Rpr (RprNo, HostName, Remark) VALUES (:r, '户主', '备注')", {{"r", rprno}});
    add_person("P1", "R1", "甲");
    add_person("P2", "R1", "乙");
    add_person("P3", "R2", "丙");
    commit_both();
    for (const char* rprno : {"R1", "R2"}) {
        show("d_ge_rprparm", rprno);
        EXPECT_EQ(save("dh_ge_rpr", 3), 0) << rprno;
    }
    EXPECT_EQ(
        read(photosqlca, "SELECT count(*) INTO :out FROM th_ge_rpr WHERE Remark = '备注' AND SaveTime IS NOT NULL"),
        "2");
    for (const auto& [personno, remark] : {std::pair {"P1", "甲"}, {"P2", "乙"}, {"P3", "丙"}})
        EXPECT_EQ(read(photosqlca, "SELECT IsSave || Remark INTO :out FROM th_ge_personinfo WHERE PersonNo = :p",
                       {{"p", personno}}),
                  fmt("5", remark))
            << personno;
    EXPECT_TRUE(boxes().empty());
}

// A person's own deletion: a new history row gets IsSave 5, one already there is refreshed
// (not doubled); the company records follow only when gs_workparm[10] switches them on.
TEST_F(HistoryArchive, PersonArchivedForItsOwnDeletion)
{
    struct Case {
        bool in_history;
        const char* company_switch;
        const char* companies;
    };
    for (const Case& c : {Case {false, "否", "0"}, Case {true, "是", "1"}}) {
        exec(sqlca, "DELETE FROM TC_GE_Company");
        exec(sqlca, "DELETE FROM TC_GE_PersonInfo");
        exec(photosqlca, "DELETE FROM th_ge_personinfo");
        exec(photosqlca, "DELETE FROM th_ge_company");
        add_person("P1", "R1");
        exec(sqlca, "INSERT INTO TC_GE_Company (OrderNo, PersonNo, CompanyName) VALUES (1, 'P1', '公司')");
        if (c.in_history)
            exec(photosqlca,
                 "INSERT INTO th_ge_personinfo (PersonNo, IsSave, SaveTime) VALUES ('P1', '6', '2001-01-01')");
        commit_both();
        globals.gs_workparm[9] = c.company_switch;
        show("d_ge_personinfoparm", "P1");
        EXPECT_EQ(save("dh_ge_personinfo", 2), 0);
        // one row, IsSave 5, a fresh SaveTime
        EXPECT_EQ(read(photosqlca,
                       "SELECT count(*) || '/' || max(IsSave) || '/' || (min(SaveTime) > '2001-01-02') "
                       "INTO :out FROM th_ge_personinfo"),
                  "1/5/1")
            << c.in_history;
        EXPECT_EQ(read(photosqlca, "SELECT count(*) INTO :out FROM th_ge_company"), c.companies) << c.in_history;
    }
}

// Any part of the archive that fails makes the whole archive fail, so the deletion stops:
// a member's secondary record, a person's secondary record, the relation of an adult woman.
TEST_F(HistoryArchive, AFailedNestedCopyFailsTheArchive)
{
    struct Case {
        const char* list;
        const char* argument;
        const char* writer;
        std::int16_t param;
        const char* dropped;
        const char* box;
    };
    const Case cases[] = {
        {"d_ge_rprparm", "R1", "dh_ge_rpr", 3, "th_ge_company", "错误: 在保存到历史库中出现错误"},
        {"d_ge_personinfoparm", "P1", "dh_ge_personinfo", 2, "th_ge_company", "错误: 在保存到历史库中出现错误"},
        {"d_mh_adultwomaninfoparm", "P1", "dh_mh_adultwomaninfo", 1, "tc_ge_personrelation",
         "提示: 个人关系定义保存到历史信息表失败!"},
    };
    exec(sqlca, "INSERT INTO TC_GE_Rpr (RprNo) VALUES ('R1')");
    add_person("P1", "R1");
    add_person("P2", "R1");
    exec(sqlca, "INSERT INTO TC_GE_Company (OrderNo, PersonNo) VALUES (1, 'P1')");
    exec(sqlca, "INSERT INTO TC_MH_AdultWomanInfo (OrderNo, PersonNo) VALUES (1, 'P1')");
    exec(sqlca, "INSERT INTO TC_GE_PersonRelation (PersonNo, RoleRelation, PersonNo2) VALUES ('P1', '11', 'P2')");
    commit_both();
    globals.gs_workparm[9] = "是";
    for (const Case& c : cases) {
        exec(photosqlca, fmt("ALTER TABLE ", c.dropped, " RENAME TO gone"));
        commit_both();
        show(c.list, c.argument);
        EXPECT_EQ(save(c.writer, c.param), -1) << c.writer;
        ASSERT_FALSE(boxes().empty());
        EXPECT_EQ(boxes().back(), c.box) << c.writer;
        EXPECT_FALSE(photosqlca.in_transaction()) << c.writer;
        exec(photosqlca, fmt("ALTER TABLE gone RENAME TO ", c.dropped));
        for (const char* table : {"th_ge_rpr", "th_ge_personinfo", "th_mh_adultwomaninfo"})
            exec(photosqlca, fmt("DELETE FROM ", table));
        commit_both();
    }
}

// The other information (on archiving a secondary record) and the relation (on archiving an
// adult woman's record) replace their earlier history copy in one photosqlca transaction;
// with no current row to replace it, the earlier copy stays. The caller's pending work on
// sqlca is neither committed nor rolled back.
TEST_F(HistoryArchive, ReplacedCopiesCommitOrRollBackOnPhotosqlcaOnly)
{
    struct Case {
        const char* list;
        const char* writer;
        const char* current_row; // the replacement on sqlca, "" for none
        const char* history;     // what the archive holds afterwards
    };
    const Case cases[] = {
        {"d_ge_companyparm", "dh_ge_company", "INSERT INTO TC_GE_PersonOtherInfo (PersonNo, Hobby) VALUES ('P1', '新')",
         "SELECT Hobby INTO :out FROM th_ge_personotherinfo WHERE PersonNo = 'P1'"},
        {"d_ge_companyparm", "dh_ge_company", "",
         "SELECT Hobby INTO :out FROM th_ge_personotherinfo WHERE PersonNo = 'P1'"},
        {"d_mh_adultwomaninfoparm", "dh_mh_adultwomaninfo",
         "INSERT INTO TC_GE_PersonRelation (PersonNo, RoleRelation, Remark) VALUES ('P1', '11', '新')",
         "SELECT Remark INTO :out FROM tc_ge_personrelation WHERE PersonNo = 'P1'"},
        {"d_mh_adultwomaninfoparm", "dh_mh_adultwomaninfo", "",
         "SELECT Remark INTO :out FROM tc_ge_personrelation WHERE PersonNo = 'P1'"},
    };
    add_person("P1", "R1");
    exec(sqlca, "INSERT INTO TC_GE_Company (OrderNo, PersonNo) VALUES (1, 'P1')");
    exec(sqlca, "INSERT INTO TC_MH_AdultWomanInfo (OrderNo, PersonNo) VALUES (1, 'P1')");
    commit_both();
    for (const Case& c : cases) {
        const bool replaced = *c.current_row != '\0';
        exec(photosqlca, "INSERT INTO th_ge_personotherinfo (PersonNo, Hobby) VALUES ('P1', '旧')");
        exec(photosqlca, "INSERT INTO tc_ge_personrelation (PersonNo, RoleRelation, Remark) VALUES ('P1', '11', '旧')");
        if (replaced)
            exec(sqlca, c.current_row);
        commit_both();
        show(c.list, "P1");
        exec(sqlca, "UPDATE TC_GE_PersonInfo SET Remark = 'pending'"); // the caller's open work
        EXPECT_EQ(save(c.writer, 1), 0) << c.writer;
        EXPECT_TRUE(sqlca.in_transaction()) << c.writer;
        EXPECT_FALSE(photosqlca.in_transaction()) << c.writer;
        EXPECT_EQ(read(photosqlca, c.history), replaced ? "新" : "旧") << c.writer << " " << replaced;
        EXPECT_EQ(sqlca.rollback(), 0);
        for (const char* table : {"TC_GE_PersonOtherInfo", "TC_GE_PersonRelation"})
            exec(sqlca, fmt("DELETE FROM ", table));
        for (const char* table : {"th_ge_personinfo", "th_ge_personotherinfo", "tc_ge_personrelation", "th_ge_company",
                                  "th_mh_adultwomaninfo"})
            exec(photosqlca, fmt("DELETE FROM ", table));
        commit_both();
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
    exec(sqlca, "INSERT INTO TC_GE_Rpr (RprNo) VALUES ('R1')");
    add_person("P1", "R1");
    exec(sqlca, "INSERT INTO TC_GE_Company (OrderNo, PersonNo) VALUES (1, 'P1')");
    exec(sqlca, "INSERT INTO TC_GE_PersonOtherInfo (PersonNo) VALUES ('P1')");
    commit_both();
    globals.gs_workparm[9] = "是";
    for (const Case& c : cases) {
        show(c.list, c.argument);
        for (const char* remark : {"一", "二"}) {
            exec(sqlca, "UPDATE TC_GE_Rpr SET Remark = :r", {{"r", remark}});
            exec(sqlca, "UPDATE TC_GE_Company SET Duty = :r", {{"r", remark}});
            exec(sqlca, "UPDATE TC_GE_PersonOtherInfo SET Remark = :r", {{"r", remark}});
            ASSERT_EQ(dw_1->retrieve({Value(c.argument)}), 1);
            EXPECT_EQ(save(c.writer, c.param), 0) << c.writer << " " << remark;
        }
    }
    for (const char* column : {"th_ge_rpr.Remark", "th_ge_company.Duty", "th_ge_personotherinfo.Remark"}) {
        const std::string table = std::string(column).substr(0, std::string_view(column).find('.'));
        EXPECT_EQ(read(photosqlca, fmt("SELECT count(*) || ", column, " INTO :out FROM ", table)), "1二") << column;
    }
    EXPECT_TRUE(boxes().empty());
}

// A person number with a quote finds that person's history rows and no one else's: the
// person is archived, and only that person's earlier other information is replaced.
TEST_F(HistoryArchive, AQuoteInAPersonNumberFindsOnlyThatPerson)
{
    const std::string quoted = "O'1";
    add_person(quoted, "R1");
    exec(sqlca, "INSERT INTO TC_GE_PersonOtherInfo (PersonNo, Hobby) VALUES (:p, '新')", {{"p", quoted}});
    exec(photosqlca, "INSERT INTO th_ge_personinfo (PersonNo, IsSave) VALUES ('P9', '6')");
    for (const std::string& personno : {quoted, std::string("P9")})
        exec(photosqlca, "INSERT INTO th_ge_personotherinfo (PersonNo, Hobby) VALUES (:p, '旧')", {{"p", personno}});
    commit_both();
    globals.gs_workparm[8] = "是";
    EXPECT_EQ(call("wf_savepersoninfo", {Value(quoted), Value::integer(2)}), 0);
    EXPECT_EQ(read(photosqlca, "SELECT IsSave INTO :out FROM th_ge_personinfo WHERE PersonNo = :p", {{"p", quoted}}),
              "5");
    EXPECT_EQ(
        read(photosqlca, "SELECT Hobby INTO :out FROM th_ge_personotherinfo WHERE PersonNo = :p", {{"p", quoted}}),
        "新");
    EXPECT_EQ(read(photosqlca, "SELECT Hobby INTO :out FROM th_ge_personotherinfo WHERE PersonNo = 'P9'"), "旧");
    EXPECT_TRUE(boxes().empty());
}

} // namespace
