// The guarded deletion of uo_toolbar: the table-specific warnings before a row goes, the
// dependent statement and the history archive prepared before it goes, that statement run
// after it went, and the household totals recomputed afterwards.

#include "library/toolbar/delete_support.h"
#include "library/toolbar/uo_toolbar.h"

#include "host/sql/dialect.h"
#include "host/value/convert.h"
#include "host/value/functions.h"

#include <array>
#include <string_view>

namespace hearth {

namespace {

using delete_support::CurrentList;
using delete_support::show_box;

enum class Box : std::uint8_t { Information, Confirmation };

// Warnings of tables whose question needs nothing from the row. Line breaks are CR LF.
constexpr std::string_view civilian_org_warning
    = "注意：删除社区民间组织信息后，该组织中所有的组织成员信息和其它相关信息都将被删除！\r\n\r\n"
      "（也包括与社区民间组织有关的所有其它信息，如活动记录、维权记录等）请慎重执行此操作。\r\n\r\n"
      "你确认要删除吗？";

struct Warning {
    std::string_view key; // is_stringpara of the page, compared exactly
    Box box;
    std::string_view text;
};

constexpr Warning fixed_warnings[] = {
    {"GE_Rpr", Box::Confirmation,
     "注意：删除户籍信息后，该户籍中所有的个人信息都将被删除！\r\n\r\n"
     "（也包括与个人信息有关的所有其它信息，如低保、失业等）请慎重执行此操作。\r\n\r\n你确认要删除吗？"},
    {"GE_PersonInfo1", Box::Information, "注意：删除死亡人员个人信息后，该人员的其它相关信息也将被删除！"},
    {"SV_LunacyPrevCure", Box::Information,
     "注意：因为该人是精神病人同时也是残疾人，因此删除精神病人信息的同时，残疾人相关信息也将被删除！"},
    {"PE_PartyOrg", Box::Confirmation,
     "注意：删除党组织机构信息后，该组织中所有的组织成员信息、所属党员信息，以及其它相关信息都将被删除！\r\n\r\n"
     "（也包括与党组织有关的所有其它信息，如会议/活动记录、党务公开、党员评议等）请慎重执行此操作。\r\n\r\n"
     "你确认要删除吗？"},
    {"OG_CouncilOrgDuty", Box::Confirmation,
     "注意：删除居委会组织机构信息后，该组织中所有的成员信息也将被删除！\r\n\r\n请慎重执行此操作。\r\n\r\n"
     "你确认要删除吗？"},
    // The two pages of civilian organisations share one warning.
    {"DS_CivilianOrg", Box::Confirmation, civilian_org_warning},
    {"DS_CivilianOrg1", Box::Confirmation, civilian_org_warning},
    {"DS_ServiceTeam", Box::Confirmation,
     "注意：删除志愿服务队注册登记信息后，该志愿服务队中所有的成员信息和其它相关信息都将被删除！\r\n\r\n"
     "（也包括与志愿服务队有关的所有其它信息，如定期服务、服务记录、荣誉记录、评价记录等）请慎重执行此操作。"
     "\r\n\r\n你确认要删除吗？"},
    {"SV_OwnerConcilOrg", Box::Confirmation,
     "注意：删除业主委员会信息后，该业主委员会中所有的成员信息和其它相关信息都将被删除！\r\n\r\n"
     "（也包括与业主委员会有关的所有其它信息，如上级备案、换届选举、业主委员会公告等）请慎重执行此操作。\r\n\r\n"
     "你确认要删除吗？"},
    {"DS_VoteCommittee", Box::Confirmation,
     "注意：删除选举委员会信息后，该选举委员会中所有的成员信息和其它相关信息都将被删除！\r\n\r\n"
     "（也包括与选举委员会有关的所有其它信息，如选民登记、社区居民代表、候选人信息、选举情况、补选情况等）"
     "请慎重执行此操作。\r\n\r\n你确认要删除吗？"},
    {"DS_SuperviseGroup", Box::Confirmation,
     "注意：删除民主监督小组信息后，该小组中所有的成员信息也将被删除！\r\n\r\n请慎重执行此操作。\r\n\r\n"
     "你确认要删除吗？"},
};

constexpr std::string_view title = "提示信息";

// An information box of this workflow; its answer is not used.
void inform(std::string_view text) { show_box(title, text, Icon::Information, Buttons::Ok, 1); }

// A Yes/No question with No as the default: 1 Yes, 2 No.
std::int16_t confirm(std::string_view text) { return show_box(title, text, Icon::Question, Buttons::YesNo, 2); }

// SELECT count(*) INTO :ll_count ... WHERE <column> = :al_key on sqlca; a count that fails
// counts as nothing found.
long count_rows(Transaction& sqlca, std::string_view statement, const Value& key)
{
    Value ll_count = Value::null_of(Type::Long);
    if (sqlca.select_into(statement, {HostVar("ll_count", &ll_count), HostVar("al_key", key)}) != 0
        || ll_count.is_null())
        return 0;
    return static_cast<long>(ll_count.as_integral());
}

// GetItemNumber into a long, as the scripts keep record numbers.
Value item_long(DataWindowBase& dw, long row, std::string_view column)
{
    return convert(dw.get_item_number(row, column), Type::Long);
}

bool equals(const Value& text, std::string_view wanted) { return !text.is_null() && text.as_string() == wanted; }

// Archiving by the table the list updates: the element of gs_workparm (counted from 1) that
// switches it on, the history writer, and what wf_savehisinfo archives with it.
struct Archive {
    std::string_view update_table; // lower case
    std::size_t workparm;
    std::string_view writer;
    std::int16_t param; // 1 a person's secondary record, 2 a person, 3 a household
};

constexpr Archive archives[] = {
    {"tc_ge_rpr", 7, "dh_ge_rpr", 3},
    {"tc_ge_personinfo", 8, "dh_ge_personinfo", 2},
    {"tc_ge_personotherinfo", 9, "dh_ge_personotherinfo", 1},
    {"tc_ge_company", 10, "dh_ge_company", 1},
    {"tc_ge_foreignorregistry", 11, "dh_ge_foreignorregistry", 1},
    {"tc_sv_mlpfamilyinfo", 12, "dh_sv_mlpfamilyinfo", 1},
    {"tc_sv_oowpersoninfo", 13, "dh_sv_oowpersoninfo", 1},
    {"tc_sv_elderinfo", 14, "dh_sv_elderinfo", 1},
    {"tc_sv_children", 15, "dh_sv_children", 1},
    {"tc_mh_adultwomaninfo", 16, "dh_mh_adultwomaninfo", 1},
};

// A company record is archived only for a person whose role relation is "10".
constexpr std::string_view company_table = "tc_ge_company";

bool switched_on(const AppGlobals& globals, std::size_t element)
{
    return element <= globals.gs_workparm.size() && globals.gs_workparm[element - 1] == "是";
}

// The statement that resets the person kind once a person's record is gone. It returns to the
// caller as text, to be run with EXECUTE IMMEDIATE, so the number goes in as a quoted literal.
// A null number gives no statement, as a null text would have run nothing.
std::string person_kind_statement(const Value& personno, std::string_view set_and_where)
{
    if (personno.is_null())
        return {};
    return " Update TC_GE_PersonInfo Set " + std::string(set_and_where) + sql::quote_literal(personno.as_string());
}

// The household totals of uf_updateother, written into the master's current row.
struct Totals {
    Value personnum = Value::null_of(Type::Long);
    Value incommhousenum = Value::null_of(Type::Decimal);
    Value outcommhousenum = Value::null_of(Type::Decimal);
    Value incommhousearea = Value::null_of(Type::Decimal);
    Value outcommhousearea = Value::null_of(Type::Decimal);
};

Decimal or_zero(const Value& number) { return number.is_null() ? Decimal() : number.as_decimal(); }

// SetItem of the totals into the columns the master list has, leaving the row as modified (or not) as it was: the master list is not
// saved here, and a later Update of it must not write the totals back.
void write_totals(DataWindowBase& dw, long row, const Totals& totals)
{
    const Decimal total = or_zero(totals.incommhousearea).add(or_zero(totals.outcommhousearea)).value_or(Decimal());
    Value average = Value::null_of(Type::Decimal);
    if (!totals.personnum.is_null() && totals.personnum.as_integral() != 0) {
        if (std::optional<Decimal> quotient = total.divide(Decimal(totals.personnum.as_integral())))
            average = Value(*quotient);
    }
    const std::pair<std::string_view, Value> items[] = {
        {"personnum", totals.personnum},
        {"InCommHouseNum", totals.incommhousenum},
        {"OutCommHouseNum", totals.outcommhousenum},
        {"totalarea", Value(total)},
        {"avgarea", average},
    };

    const dw::ItemStatus row_status = dw.get_item_status(row, 0);
    std::vector<std::pair<int, bool>> columns; // column number, modified before
    for (const auto& [column, value] : items) {
        const int number = fn::to_long(dw.describe(std::string(column) + ".id"));
        // A master list without the area totals (the household grid shows only the two
        // areas) still gets its counts.
        if (number <= 0)
            continue;
        columns.emplace_back(number, number > 0 && dw.get_item_status(row, number) == dw::ItemStatus::DataModified);
        dw.set_item(row, column, value);
    }
    if (row_status == dw::ItemStatus::NotModified || row_status == dw::ItemStatus::New) {
        // No item was modified before: NotModified! clears them all (a new row stays New!).
        dw.set_item_status(row, 0, dw::Buffer::Primary, dw::ItemStatus::NotModified);
        return;
    }
    for (const auto& [number, was_modified] : columns)
        if (!was_modified)
            dw.set_item_status(row, number, dw::Buffer::Primary, dw::ItemStatus::NotModified);
}

} // namespace

ScriptResult uo_toolbar::uf_confirmmessage(ScriptCall& call)
{
    std::optional<CurrentList> now = delete_support::current_list(call, &AppGlobals::guo_tabpg_now, "guo_tabpg_now");
    if (!now)
        return Value::integer(0);
    DataWindowBase& dw = *now->dw;
    Transaction& sqlca = now->globals->sqlca;
    const long ll_row = dw.get_row();
    const std::string& key = now->page->is_stringpara;

    for (const Warning& warning : fixed_warnings) {
        if (key != warning.key)
            continue;
        if (warning.box == Box::Confirmation)
            return Value::integer(confirm(warning.text));
        inform(warning.text);
        return Value::integer(0);
    }

    if (key == "GE_RegionalManage") {
        if (count_rows(sqlca, "SELECT count(*) INTO :ll_count FROM TC_GE_Building WHERE RegionalNo = :al_key",
                       item_long(dw, ll_row, "RegionalNo"))
            > 0)
            inform("删除该责任区后，该责任区所属的楼院中的区域信息将清空！\r\n");
    } else if (key == "GE_Building") {
        if (count_rows(sqlca, "SELECT count(*) INTO :ll_count FROM TC_GE_HouseInfo WHERE BuildingNo = :al_key",
                       item_long(dw, ll_row, "buildingno"))
            > 0) {
            inform("当前楼院下仍然有房屋信息存在，不能删除！\r\n ");
            return Value::integer(2);
        }
    } else if (key == "GE_HouseInfo") {
        const Value ll_houseno = item_long(dw, ll_row, "houseno");
        if (count_rows(sqlca, "SELECT count(*) INTO :ll_count FROM TC_GE_RprOwnHouse WHERE HouseNo = :al_key",
                       ll_houseno)
            > 0)
            inform("删除该房屋信息后，该房屋关联的户的住房信息将删除！\r\n ");
        long rentals = count_rows(
            sqlca, "SELECT count(*) INTO :ll_count FROM TC_GE_RentHouseReg WHERE HouseNo = :al_key", ll_houseno);
        if (rentals == 0)
            rentals = count_rows(
                sqlca, "SELECT count(*) INTO :ll_count FROM TC_GE_RentRegistry WHERE HouseNo = :al_key", ll_houseno);
        if (rentals > 0)
            inform("删除该房屋信息后，该房屋关联的出租登记信息等将删除！\r\n ");
    } else if (key == "GE_PersonInfo") {
        if (equals(dw.get_item_string(ll_row, "hostrelation"), "02"))
            return Value::integer(
                confirm("注意：删除个人信息后，该人员的其它相关信息也将被删除！\r\n\r\n"
                        "\u3000\u3000\u3000该人员是户主，如果确认要删除，请删除后注意变更户籍信息中的户主"
                        "姓名！\r\n\r\n你确认要删除吗？"));
        return Value::integer(
            confirm("注意：删除个人信息后，该人员的其它相关信息也将被删除！\r\n\r\n你确认要删除吗？"));
    } else if (key == "SV_Handicapped") {
        if (equals(dw.get_item_string(ll_row, "healthtype"), "56"))
            inform("注意：因为该人是残疾人同时也是精神病人，因此删除残疾人信息的同时，精神病人相关信息也将被删除！");
    }
    return Value::integer(0);
}

ScriptResult uo_toolbar::uf_delbefore(ScriptCall& call)
{
    std::string ls_rtnsql;
    std::optional<CurrentList> now = delete_support::current_list(call, &AppGlobals::guo_tabpg_now, "guo_tabpg_now");
    if (!now)
        return Value(ls_rtnsql);
    DataWindowBase& dw = *now->dw;
    const long ll_row = dw.get_row();
    const std::string& key = now->page->is_stringpara;

    if (key == "GE_PersonInfo" || key == "SV_RetirePerson") {
        ls_rtnsql = person_kind_statement(dw.get_item_string(ll_row, "personno"), "personkind=Null Where PersonNo = ");
        call.arg(0) = Value("更新个人信息中的人员类别时失败！");
    } else if (key == "SV_OOWPersonInfo") {
        const Value ls_personno = dw.get_item_string(ll_row, "personno");
        if (equals(dw.get_item_string(ll_row, "isjob"), "0")) {
            ls_rtnsql = person_kind_statement(ls_personno, "personkind='90' Where personno = ");
            call.arg(0) = Value("更新个人信息中的人员类别时失败！");
        }
    }

    // History archive of a row not archived yet; a list without issave has nothing to archive.
    if (dw.describe("issave.name") == "!" || !equals(dw.get_item_string(ll_row, "issave"), "0"))
        return Value(ls_rtnsql);
    const std::string ls_dataobject = fn::lower(fn::trim(dw.describe("datawindow.table.UpdateTable")));
    const Archive* archive = nullptr;
    for (const Archive& candidate : archives)
        if (candidate.update_table == ls_dataobject)
            archive = &candidate;
    if (!archive || !switched_on(*now->globals, archive->workparm))
        return Value(ls_rtnsql);
    if (archive->update_table == company_table) {
        Value ls_rolerelation = Value::null_of(Type::String);
        now->globals->sqlca.select_into(
            "SELECT rolerelation INTO :ls_rolerelation FROM tc_ge_personinfo WHERE PersonNo = :ls_personno",
            {HostVar("ls_rolerelation", &ls_rolerelation),
             HostVar("ls_personno", dw.get_item_string(ll_row, "PersonNo"))});
        if (!equals(ls_rolerelation, "10"))
            return Value(ls_rtnsql);
    }
    // A row whose history copy was not written must stay: null tells the caller not to delete.
    const Value archived = call.call(ref(), "wf_savehisinfo",
                                     {Value(now->dw->ref()), Value(archive->writer), Value::integer(archive->param)});
    if (archived.is_null() || !archived.is_integral() || archived.as_integral() != 0)
        return Value::null_of(Type::String);
    return Value(ls_rtnsql);
}

ScriptResult uo_toolbar::uf_delafter(ScriptCall& call)
{
    const std::optional<std::string> as_sql = call.arg_as<std::string>(0);
    const Value as_errmsg = call.arg_value(1, Type::String);
    AppGlobals* globals = app_globals(call, "sqlca");
    if (!globals)
        return Value::integer(1);
    Transaction& sqlca = globals->sqlca;
    // A null statement cannot run: EXECUTE IMMEDIATE fails on it as on any bad text.
    const long code = as_sql ? sqlca.execute_immediate(*as_sql) : sqlca.fail("The statement to run is null.");
    if (code != 0) {
        if (!as_errmsg.is_null())
            show_box("警告信息", as_errmsg.as_string(), Icon::Information, Buttons::Ok, 1);
        return Value::integer(1);
    }
    return Value::integer(0);
}

ScriptResult uo_toolbar::uf_updateother(ScriptCall& call)
{
    const std::string as_dwobject = fn::lower(call.arg_as<std::string>(0).value_or(""));
    call.arg_value(1, Type::String); // as_rprno: the household is always the master's current row
    const bool offices = as_dwobject == "d_og_councilofficeinfo";
    if (!offices && as_dwobject != "d_ge_rprownhouse" && as_dwobject != "d_ge_personinfo")
        return no_return;
    std::optional<CurrentList> master
        = delete_support::current_list(call, &AppGlobals::guo_tabpg_master, "guo_tabpg_master");
    if (!master)
        return no_return;
    DataWindowBase& dw = *master->dw;
    const std::string& key = master->page->is_stringpara;

    if (offices) {
        if (key == "OG_CouncilOfficeHouse")
            dw.retrieve();
        return no_return;
    }
    if (key != "GE_Rpr")
        return no_return;
    const long ll_rprrow = dw.get_row();
    if (ll_rprrow < 1)
        return no_return;
    Totals totals;
    const long code = master->globals->sqlca.select_into(
        "SELECT PersonNum, InCommHouseNum, OutCommHouseNum, InCommHouseArea, OutCommHouseArea "
        "INTO :ll_personnum, :ld_incommhousenum, :ld_outcommhousenum, :ld_incommhousearea, :ld_outcommhousearea "
        "FROM TC_GE_Rpr WHERE RprNo = :ls_rprno",
        {HostVar("ll_personnum", &totals.personnum), HostVar("ld_incommhousenum", &totals.incommhousenum),
         HostVar("ld_outcommhousenum", &totals.outcommhousenum), HostVar("ld_incommhousearea", &totals.incommhousearea),
         HostVar("ld_outcommhousearea", &totals.outcommhousearea),
         HostVar("ls_rprno", dw.get_item_string(ll_rprrow, "rprno"))});
    if (code != 0)
        return no_return; // nothing read: the row keeps what it shows
    write_totals(dw, ll_rprrow, totals);
    return no_return;
}

} // namespace hearth
