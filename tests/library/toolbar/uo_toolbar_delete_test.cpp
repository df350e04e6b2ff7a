// uo_toolbar's guarded deletion: the warnings by page key, the statement prepared for after the
// row is gone, the archive switches, the household totals, the photo clean-up, and what the
// delete command makes of a refused archive or a refused row.

#include "toolbar_fixture.h"

#include "host/value/functions.h"

using namespace hearth;
using namespace hearth::test;

namespace {

// wf_savehisinfo of these tests: records "writer param" and answers `result`.
struct ArchiveStub {
    static inline Value result;
    static inline std::vector<std::string> calls;
};

ScriptResult stub_savehisinfo(ScriptCall& call)
{
    ArchiveStub::calls.push_back(call.arg(1).as_string() + " " + fn::to_string(call.arg(2)).as_string());
    return ArchiveStub::result;
}

ScriptResult show_status(ScriptCall& call)
{
    if (Desktop* desktop = Desktop::current())
        desktop->show_status(fn::to_string(call.arg(0)).as_string());
    return no_return;
}

// A toolbar whose archive is the stub, on a frame of its own.
void register_archive_stub(ClassRegistry& registry)
{
    static const ClassTable toolbar {"uo_toolbar_archive",
                                     "uo_toolbar",
                                     nullptr,
                                     {},
                                     {{own_group, "", {}, {{447, "wf_savehisinfo", stub_savehisinfo}}}}};
    static const ClassTable frame {
        "w_main_archive",
        "window",
        nullptr,
        {{"dw_tool", "uo_toolbar_archive", nullptr}},
        {{own_group,
          "",
          {{"wf_setstatus", SlotKind::Function, std::nullopt, 1}},
          {{119, "wf_setstatus", show_status}, {0, "create", create_script}, {1, "destroy", destroy_script}}}}};
    EXPECT_EQ(error_text(registry.register_class([]() -> const ClassTable& { return toolbar; })), "");
    EXPECT_EQ(error_text(registry.register_class([]() -> const ClassTable& { return frame; })), "");
}

const char* const current_tables[] = {
    "CREATE TABLE del_row (personno varchar(20) PRIMARY KEY, regionalno integer, buildingno integer, "
    "houseno integer, hostrelation char(2), healthtype char(2), isjob char(1), issave char(1))",
    "CREATE TABLE del_plain (personno varchar(20) PRIMARY KEY)",
    "CREATE TABLE TC_GE_Rpr (RprNo varchar(20) PRIMARY KEY, PersonNum integer, InCommHouseNum numeric(6,0), "
    "OutCommHouseNum numeric(6,0), InCommHouseArea numeric(12,2), OutCommHouseArea numeric(12,2))",
    "CREATE TABLE TC_GE_PersonInfo (personno varchar(20) PRIMARY KEY, rprno varchar(20), name varchar(40), "
    "hostrelation char(2), issave char(1), personkind varchar(2), rolerelation varchar(2))",
    "CREATE TABLE TC_GE_Building (buildingno integer PRIMARY KEY, buildingname varchar(40), regionalno integer)",
    "CREATE TABLE TC_GE_HouseInfo (houseno integer PRIMARY KEY, "
    "buildingno integer NOT NULL REFERENCES TC_GE_Building ON DELETE RESTRICT)",
    "CREATE TABLE TC_GE_BuildingPrize (orderno integer PRIMARY KEY, "
    "buildingno integer REFERENCES TC_GE_Building ON DELETE CASCADE)",
    "CREATE TABLE TC_GE_RprOwnHouse (orderno integer, houseno integer)",
    "CREATE TABLE TC_GE_RentHouseReg (orderno integer, houseno integer)",
    "CREATE TABLE TC_GE_RentRegistry (orderno integer, houseno integer)",
    "CREATE TABLE TC_GE_FamilyHonor (honorno integer, rprno varchar(20))",
};

const char* const photo_tables[] = {
    "CREATE TABLE TS_PersonPhoto (personno varchar(20) PRIMARY KEY, photo blob)",
    "CREATE TABLE TS_FamilyHonorPhoto (honorno integer, photo blob)",
    "CREATE TABLE TS_BuildingPrizePhoto (orderno integer, photo blob)",
};

class DeletionWorkflow : public ToolbarTest {
protected:
    DeletionWorkflow() : ToolbarTest("w_main_archive", &register_archive_stub)
    {
        ArchiveStub::result = Value::integer(0);
        ArchiveStub::calls.clear();
        for (const char* statement : current_tables)
            sql(statement);
        for (const char* statement : photo_tables)
            photo_sql(statement);
        globals.gs_workparm.assign(16, "否");
    }

    // A page `key` on d_del_row whose one row holds `values` (the VALUES list of del_row).
    uo_tabpg_datawindow& row_page(std::string_view key, std::string_view values)
    {
        sql("DELETE FROM del_row");
        sql("INSERT INTO del_row VALUES (" + std::string(values) + ")");
        uo_tabpg_datawindow& made = current_page("d_del_row");
        made.is_stringpara = std::string(key);
        return made;
    }

    // uf_delbefore with its by-reference message; the statement returned.
    Value delbefore(std::string& errmsg)
    {
        std::vector<Value> args {Value("")};
        DispatchResult result = runtime.dispatch(toolbar().ref(), "uf_delbefore", args);
        EXPECT_EQ(result.outcome, Outcome::Completed);
        errmsg = fn::to_string(args[0]).as_string();
        return result.value;
    }

    long photos(std::string_view table)
    {
        return number(globals.photosqlca, "SELECT count(*) FROM " + std::string(table));
    }
};

TEST_F(DeletionWorkflow, WarningsByPageKey)
{
    sql("INSERT INTO TC_GE_Building VALUES (1, 'A', 3), (2, 'B', NULL)");
    sql("INSERT INTO TC_GE_HouseInfo VALUES (10, 1), (11, 1)");
    sql("INSERT INTO TC_GE_RprOwnHouse VALUES (1, 10)");
    sql("INSERT INTO TC_GE_RentHouseReg VALUES (1, 10)");
    sql("INSERT INTO TC_GE_RentRegistry VALUES (1, 11)");
    const std::string no_houses = "当前楼院下仍然有房屋信息存在，不能删除！\r\n ";
    const std::string owners = "删除该房屋信息后，该房屋关联的户的住房信息将删除！\r\n ";
    const std::string rentals = "删除该房屋信息后，该房屋关联的出租登记信息等将删除！\r\n ";
    const std::string region = "删除该责任区后，该责任区所属的楼院中的区域信息将清空！\r\n";
    const std::string household
        = "注意：删除户籍信息后，该户籍中所有的个人信息都将被删除！\r\n\r\n（也包括与个人信息有关"
          "的所有其它信息，如低保、失业等）请慎重执行此操作。\r\n\r\n你确认要删除吗？";
    const std::string person = "注意：删除个人信息后，该人员的其它相关信息也将被删除！\r\n\r\n";
    const std::string head = person
        + "\u3000\u3000\u3000该人员是户主，如果确认要删除，请删除后注意变更户籍信息中的户"
          "主姓名！\r\n\r\n你确认要删除吗？";
    const std::string plain = person + "你确认要删除吗？";
    const std::string disabled
        = "注意：因为该人是残疾人同时也是精神病人，因此删除残疾人信息的同时，精神病人相关信息也将被删除！";
    struct Case {
        std::string_view key;
        std::string_view row; // personno, regionalno, buildingno, houseno, hostrelation, healthtype
        int answer;           // 0: none given
        bool fail_count;
        int result;
        int statements;    // statements run on sqlca
        std::string boxes; // texts of the boxes titled 提示信息, joined by " / "
    };
    const Case cases[] = {
        {"GE_Building", "'x', 0, 1, 0, NULL, NULL", 0, false, 2, 1, no_houses},
        {"GE_Building", "'x', 0, 1, 0, NULL, NULL", 0, true, 0, 1, ""},
        {"GE_Building", "'x', 0, 2, 0, NULL, NULL", 0, false, 0, 1, ""},
        {"GE_HouseInfo", "'x', 0, 0, 10, NULL, NULL", 0, false, 0, 2, owners + " / " + rentals},
        {"GE_HouseInfo", "'x', 0, 0, 11, NULL, NULL", 0, false, 0, 3, rentals},
        {"GE_RegionalManage", "'x', 3, 0, 0, NULL, NULL", 0, false, 0, 1, region},
        {"GE_Rpr", "'x', 0, 0, 0, NULL, NULL", 2, false, 2, 0, household},
        {"GE_PersonInfo", "'x', 0, 0, 0, '02', NULL", 1, false, 1, 0, head},
        {"GE_PersonInfo", "'x', 0, 0, 0, '03', NULL", 1, false, 1, 0, plain},
        {"GE_PersonInfo", "'x', 0, 0, 0, NULL, NULL", 0, false, 2, 0, plain},
        {"SV_Handicapped", "'x', 0, 0, 0, NULL, '56'", 0, false, 0, 0, disabled},
        {"ge_rpr", "'x', 0, 0, 0, NULL, NULL", 0, false, 0, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " " + std::string(c.row));
        row_page(c.key, std::string(c.row) + ", '1', '0'");
        const std::size_t before = desktop.message_boxes().size();
        if (c.answer)
            desktop.answer_message_box(c.answer);
        *sqlca_faults = FaultPlan {};
        if (c.fail_count)
            fail_next(globals.sqlca, FaultPoint::Execute);
        EXPECT_EQ(run(toolbar().ref(), "uf_confirmmessage"), Value::integer(static_cast<std::int16_t>(c.result)));
        std::string shown;
        for (std::size_t i = before; i < boxes().size(); ++i)
            shown += (shown.empty() ? "" : " / ") + boxes()[i].substr(boxes()[i].find('|') + 1);
        EXPECT_EQ(shown, c.boxes);
        EXPECT_TRUE(desktop.message_boxes().size() == before || desktop.message_boxes().back().title == "提示信息");
        EXPECT_EQ(sqlca_faults->calls[int(FaultPoint::Execute)], c.statements);
        if (c.key == "GE_Rpr") {
            const MessageBoxRecord& box = desktop.message_boxes().back();
            EXPECT_EQ(box.icon, Icon::Question);
            EXPECT_EQ(box.buttons, Buttons::YesNo);
            EXPECT_EQ(box.default_button, 2);
        }
    }
}

TEST_F(DeletionWorkflow, StatementForAfterTheRowIsGoneQuotesThePersonNumber)
{
    const std::string kind_failed = "更新个人信息中的人员类别时失败！";
    struct Case {
        std::string_view key;
        std::string_view row; // personno ... isjob
        std::string statement;
        std::string errmsg;
    };
    const Case cases[] = {
        {"GE_PersonInfo", "'P1', 0, 0, 0, NULL, NULL, NULL",
         " Update TC_GE_PersonInfo Set personkind=Null Where PersonNo = 'P1'", kind_failed},
        {"SV_RetirePerson", "'O''Brien', 0, 0, 0, NULL, NULL, NULL",
         " Update TC_GE_PersonInfo Set personkind=Null Where PersonNo = 'O''Brien'", kind_failed},
        {"SV_OOWPersonInfo", "'P1', 0, 0, 0, NULL, NULL, '0'",
         " Update TC_GE_PersonInfo Set personkind='90' Where personno = 'P1'", kind_failed},
        {"SV_OOWPersonInfo", "'P1', 0, 0, 0, NULL, NULL, '1'", "", ""},
        {"GE_Rpr", "'P1', 0, 0, 0, NULL, NULL, NULL", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        row_page(c.key, std::string(c.row) + ", '1'");
        std::string errmsg;
        EXPECT_EQ(delbefore(errmsg), Value(c.statement));
        EXPECT_EQ(errmsg, c.errmsg);
    }

    // The quoted number neither breaks the statement nor reaches another person.
    sql("INSERT INTO TC_GE_PersonInfo (personno, personkind) VALUES ('O''Brien', '10'), ('O', '10')");
    EXPECT_EQ(run(toolbar().ref(), "uf_delafter", {Value(cases[1].statement), Value(kind_failed)}), Value::integer(0));
    EXPECT_EQ(number("SELECT count(*) FROM TC_GE_PersonInfo WHERE personkind IS NULL"), 1);
    EXPECT_EQ(number("SELECT count(*) FROM TC_GE_PersonInfo WHERE personno = 'O' AND personkind = '10'"), 1);
    EXPECT_EQ(globals.sqlca.rollback(), 0);

    EXPECT_EQ(run(toolbar().ref(), "uf_delafter", {Value(" Update no_such_table Set a = 1"), Value(kind_failed)}),
              Value::integer(1));
    EXPECT_EQ(boxes().back(), "警告信息|" + kind_failed);
}

TEST_F(DeletionWorkflow, ArchiveBySwitchIssaveAndRoleRelation)
{
    sql("INSERT INTO TC_GE_PersonInfo (personno, rolerelation) VALUES ('P1', '10'), ('P2', '11')");
    struct Case {
        std::string_view object;       // d_del_row, or d_del_plain without issave
        std::string_view update_table; // as the list's object names it
        std::size_t switched_on;       // element of gs_workparm set to 是 (0: none)
        std::string_view row;          // personno, issave
        Value archive_answer;
        std::string calls; // what the archive was asked
        bool refused;      // uf_delbefore answered null
    };
    const Case cases[] = {
        {"d_del_row", " TC_GE_Rpr ", 7, "'P1', '0'", Value::integer(0), "dh_ge_rpr 3", false},
        {"d_del_row", "tc_ge_rpr", 0, "'P1', '0'", Value::integer(0), "", false},
        {"d_del_row", "tc_ge_rpr", 7, "'P1', '1'", Value::integer(0), "", false},
        {"d_del_row", "tc_ge_rpr", 7, "'P1', NULL", Value::integer(0), "", false},
        {"d_del_row", "tc_ge_company", 10, "'P1', '0'", Value::integer(0), "dh_ge_company 1", false},
        {"d_del_row", "tc_ge_company", 10, "'P2', '0'", Value::integer(0), "", false},
        {"d_del_row", "tc_mh_adultwomaninfo", 16, "'P1', '0'", Value::integer(0), "dh_mh_adultwomaninfo 1", false},
        {"d_del_row", "tc_ge_personinfo", 8, "'P1', '0'", Value::integer(-1), "dh_ge_personinfo 2", true},
        {"d_del_row", "tc_ge_personinfo", 8, "'P1', '0'", Value(), "dh_ge_personinfo 2", true},
        {"d_del_plain", "tc_ge_personinfo", 8, "'P1'", Value::integer(-1), "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.update_table) + " " + std::string(c.row));
        globals.gs_workparm.assign(16, "否");
        if (c.switched_on)
            globals.gs_workparm[c.switched_on - 1] = "是";
        ArchiveStub::result = c.archive_answer;
        ArchiveStub::calls.clear();
        if (c.object == "d_del_row") {
            row_page("X", std::string(c.row).insert(c.row.find(','), ", 0, 0, 0, NULL, NULL, NULL"));
        } else {
            sql("DELETE FROM del_plain");
            sql("INSERT INTO del_plain VALUES (" + std::string(c.row) + ")");
            current_page(c.object);
        }
        uo_dw& list = dw(*dynamic_cast<uo_tabpg_datawindow*>(globals.guo_tabpg_now.get()));
        EXPECT_EQ(list.modify("datawindow.table.updatetable='" + std::string(c.update_table) + "'"), "");
        std::string errmsg;
        const Value statement = delbefore(errmsg);
        EXPECT_EQ(statement.is_null(), c.refused);
        EXPECT_EQ(ArchiveStub::calls, c.calls.empty() ? std::vector<std::string> {} : std::vector {c.calls});
    }
}

TEST_F(DeletionWorkflow, HouseholdTotalsLeaveTheMasterRowUnmodified)
{
    sql("INSERT INTO TC_GE_Rpr VALUES ('R1', 3, 1, 2, 60.5, NULL), ('R2', 0, 0, 0, 10, 5), ('R3', 2, 0, 0, 10, 5)");
    struct Case {
        long row;
        std::string_view dwobject;
        std::string_view master_key;
        bool fail_select;
        std::string total; // "" when the row must stay as retrieved (0, 0)
        std::string average;
    };
    const Case cases[] = {
        {1, "d_GE_PersonInfo", "GE_Rpr", false, "60.5", "20.1666666666666666666666666667"},
        {2, "d_ge_personinfo", "GE_Rpr", false, "15", "<null>"},
        {3, "D_GE_RPROWNHOUSE", "GE_Rpr", false, "15", "7.5"},
        {1, "d_ge_personinfo", "GE_Rpr", true, "", ""},
        {1, "d_ge_personinfo", "ge_rpr", false, "", ""},
        {1, "d_other", "GE_Rpr", false, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.dwobject) + " " + std::to_string(c.row));
        uo_tabpg_datawindow& master = current_page("d_rpr_totals", c.row);
        master.is_stringpara = std::string(c.master_key);
        if (c.fail_select)
            fail_next(globals.sqlca, FaultPoint::Execute);
        run(toolbar().ref(), "uf_updateother", {Value(c.dwobject), Value("")});
        uo_dw& list = dw(master);
        auto text = [&](const char* column) {
            const Value item = list.get_item_decimal(c.row, column);
            return item.is_null() ? std::string("<null>") : item.as_decimal().normalized().to_string();
        };
        EXPECT_EQ(text("totalarea"), c.total.empty() ? "0" : c.total);
        EXPECT_EQ(text("avgarea"), c.average.empty() ? "0" : c.average);
        EXPECT_EQ(list.get_item_status(c.row, 0), dw::ItemStatus::NotModified); // no later Update writes them
        EXPECT_EQ(list.get_item_status(c.row, 2), dw::ItemStatus::NotModified);
    }
}

TEST_F(DeletionWorkflow, PhotosStayPendingUntilTheCallerCommits)
{
    sql("INSERT INTO TC_GE_Rpr (RprNo) VALUES ('R1')");
    sql("INSERT INTO TC_GE_FamilyHonor VALUES (1, 'R1'), (2, 'R1')");
    sql("INSERT INTO TC_GE_PersonInfo (personno, rprno) VALUES ('P1', 'R1'), ('P2', 'R1'), ('P3', 'R1')");
    photo_sql("INSERT INTO TS_PersonPhoto (personno) VALUES ('P1'), ('P2'), ('P3')");
    photo_sql("INSERT INTO TS_FamilyHonorPhoto (honorno) VALUES (1), (2)");
    current_page("d_rpr_totals");

    EXPECT_EQ(run(toolbar().ref(), "uf_delphoto", {Value("d_GE_Rpr"), Value(1)}), Value::integer(0));
    EXPECT_EQ(photos("TS_PersonPhoto") + photos("TS_FamilyHonorPhoto"), 0);
    EXPECT_TRUE(globals.photosqlca.in_transaction());
    EXPECT_EQ(globals.photosqlca.rollback(), 0); // a deletion that failed keeps every photo
    EXPECT_EQ(photos("TS_PersonPhoto") + photos("TS_FamilyHonorPhoto"), 5);

    // A delete failing in the middle of the persons: its box, 1, the earlier deletions pending.
    photo_sql("CREATE TABLE keep (personno varchar(20) REFERENCES TS_PersonPhoto ON DELETE RESTRICT)");
    photo_sql("INSERT INTO keep VALUES ('P2')");
    EXPECT_EQ(run(toolbar().ref(), "uf_delphoto", {Value("d_ge_rpr"), Value(1)}), Value::integer(1));
    EXPECT_EQ(boxes().back().rfind("警告信息|删除个人照片出错！错误信息为：", 0), 0u) << boxes().back();
    EXPECT_EQ(photos("TS_PersonPhoto") + photos("TS_FamilyHonorPhoto"), 2);
    EXPECT_EQ(globals.photosqlca.rollback(), 0);

    // A list without photos touches neither database.
    *photo_faults = FaultPlan {};
    *sqlca_faults = FaultPlan {};
    EXPECT_EQ(run(toolbar().ref(), "uf_delphoto", {Value("d_other"), Value(1)}), Value::integer(0));
    EXPECT_EQ(photo_faults->calls[int(FaultPoint::Prepare)] + sqlca_faults->calls[int(FaultPoint::Prepare)], 0);
    EXPECT_EQ(photos("TS_PersonPhoto"), 3);
}

// The delete command end to end: a refused archive and a refused row keep the record and its
// photos, and the user is told.
TEST_F(DeletionWorkflow, RefusedArchiveOrRowKeepsRecordAndPhotos)
{
    sql("INSERT INTO TC_GE_PersonInfo (personno, rprno, hostrelation, issave) VALUES ('P1', 'R1', '03', '0')");
    photo_sql("INSERT INTO TS_PersonPhoto (personno) VALUES ('P1')");
    current_page("d_ge_personinfo").is_stringpara = "GE_PersonInfo";
    globals.gs_workparm[7] = "是";
    ArchiveStub::result = Value::integer(-1);
    desktop.answer_message_box(1); // the person warning
    desktop.answer_message_box(1); // the general question
    click("p_del");
    EXPECT_EQ(ArchiveStub::calls, std::vector<std::string> {"dh_ge_personinfo 2"});
    EXPECT_EQ(boxes().back(), "警告信息|删除不成功！");
    EXPECT_EQ(number("SELECT count(*) FROM TC_GE_PersonInfo"), 1);
    EXPECT_EQ(photos("TS_PersonPhoto"), 1);

    // A building with houses whose count fails: no warning, and the foreign key refuses the row.
    sql("INSERT INTO TC_GE_Building VALUES (1, 'A', NULL)");
    sql("INSERT INTO TC_GE_HouseInfo VALUES (10, 1)");
    sql("INSERT INTO TC_GE_BuildingPrize VALUES (5, 1)");
    photo_sql("INSERT INTO TS_BuildingPrizePhoto (orderno) VALUES (5)");
    current_page("d_ge_building").is_stringpara = "GE_Building";
    const std::size_t before = boxes().size();
    fail_next(globals.sqlca, FaultPoint::Execute);
    desktop.answer_message_box(1);
    click("p_del");
    const std::vector<std::string> shown = boxes();
    EXPECT_EQ(std::vector<std::string>(shown.begin() + static_cast<long>(before), shown.end()),
              (std::vector<std::string> {"系统提示|您确认要删除当前记录吗?", "警告信息|删除不成功！"}));
    EXPECT_EQ(number("SELECT count(*) FROM TC_GE_Building"), 1);
    EXPECT_EQ(photos("TS_BuildingPrizePhoto"), 1);

    // Control: the archive done, the person and the photo go.
    current_page("d_ge_personinfo").is_stringpara = "GE_PersonInfo";
    ArchiveStub::result = Value::integer(0);
    desktop.answer_message_box(1);
    desktop.answer_message_box(1);
    click("p_del");
    EXPECT_EQ(number("SELECT count(*) FROM TC_GE_PersonInfo"), 0);
    EXPECT_EQ(photos("TS_PersonPhoto"), 0);
    EXPECT_FALSE(globals.photosqlca.in_transaction());
}

} // namespace
