#include "app/w_history.h"

#include "app/application.h"
#include "host/object/runtime.h"
#include "host/sql/cell.h"
#include "host/ui/controls.h"
#include "host/ui/datawindow_control.h"
#include "host/ui/desktop.h"

#include <fmt/format.h>

#include <string_view>
#include <vector>

namespace hearth {

namespace {

// The user log's action code of a restore (the others beside user_log_login).
constexpr std::int16_t user_log_restore = 5;

// The list's "kind" column.
constexpr std::string_view household_kind = "户籍";
constexpr std::string_view person_kind = "人员";

// A person's secondary records: the archive's table and the current one, both by PersonNo.
// The relation history keeps the current table's name in the archive.
struct Secondary {
    std::string_view history;
    std::string_view current;
};

constexpr Secondary secondaries[] = {
    {"th_ge_personotherinfo", "TC_GE_PersonOtherInfo"},
    {"th_ge_company", "TC_GE_Company"},
    {"th_ge_foreignorregistry", "TC_GE_ForeignOrRegistry"},
    {"th_sv_mlpfamilyinfo", "TC_SV_MLPFamilyInfo"},
    {"th_sv_oowpersoninfo", "TC_SV_OOWPersonInfo"},
    {"th_sv_elderinfo", "TC_SV_ElderInfo"},
    {"th_sv_children", "TC_SV_Children"},
    {"th_mh_adultwomaninfo", "TC_MH_AdultWomanInfo"},
    {"tc_ge_personrelation", "TC_GE_PersonRelation"},
};

std::string lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// One archived row on its way back: the current table and its values by column name.
struct CopiedRow {
    std::string table;
    std::vector<std::string> columns;
    std::vector<Value> values;

    Value value_of(std::string_view column) const
    {
        for (std::size_t i = 0; i < columns.size(); ++i)
            if (lower(columns[i]) == column)
                return values[i];
        return Value::null_of(Type::String);
    }
};

// A cell as the text the database reads back into the column's own type; null stays null.
Value cell_value(const sql::ResultRow& row, int column)
{
    switch (row.kind(column)) {
    case sql::CellKind::Null:
    case sql::CellKind::Blob: return Value::null_of(Type::String);
    case sql::CellKind::Integer:
    case sql::CellKind::Boolean: return Value(std::to_string(row.int64(column)));
    case sql::CellKind::Float: return Value(fmt::format("{}", row.real(column)));
    case sql::CellKind::Numeric:
    case sql::CellKind::Text: break;
    }
    return Value(std::string(row.text(column)));
}

// Reads the archived rows of `history` whose `column` is `key`, for `current`. The archive's
// own columns (SaveTime) stay behind; a restored record is current again, so IsSave is "0".
long read_history(Transaction& photosqlca, std::string_view history, std::string_view current, std::string_view where,
                  const std::string& key, std::vector<CopiedRow>& out)
{
    return photosqlca.query(fmt::format("SELECT * FROM {} WHERE {}", history, where), {{"key", Value(key)}},
                            [&](const sql::ResultRow& row) {
                                CopiedRow copied {std::string(current), {}, {}};
                                for (int c = 0; c < row.column_count(); ++c) {
                                    const std::string name = row.column_name(c);
                                    if (lower(name) == "savetime")
                                        continue;
                                    copied.columns.push_back(name);
                                    copied.values.push_back(lower(name) == "issave" ? Value(std::string("0"))
                                                                                    : cell_value(row, c));
                                }
                                out.push_back(std::move(copied));
                                return RowAction::Continue;
                            });
}

// How many current rows of `table` have `column` = `key`; -1 when the count fails.
long count_current(Transaction& sqlca, std::string_view table, std::string_view column, const std::string& key)
{
    Value count = Value::null_of(Type::Long);
    if (sqlca.select_into(fmt::format("SELECT count(*) INTO :n FROM {} WHERE {} = :key", table, column),
                          {{"n", &count}, {"key", Value(key)}})
            != 0
        || count.is_null())
        return -1;
    return static_cast<long>(count.as_integral());
}

long insert_row(Transaction& sqlca, const CopiedRow& row)
{
    std::string columns, placeholders;
    HostVars vars;
    for (std::size_t i = 0; i < row.columns.size(); ++i) {
        columns += (i ? ", " : "") + row.columns[i];
        placeholders += fmt::format("{}:v{}", i ? ", " : "", i);
        vars.emplace_back(fmt::format("v{}", i), row.values[i]);
    }
    return sqlca.execute(fmt::format("INSERT INTO {} ({}) VALUES ({})", row.table, columns, placeholders), vars);
}

} // namespace

RestoreOutcome restore_history(AppGlobals& globals, ArchivedKind kind, const std::string& number)
{
    const bool person = kind == ArchivedKind::Person;
    Transaction& sqlca = globals.sqlca;
    Transaction& photosqlca = globals.photosqlca;
    RestoreOutcome outcome;
    auto refuse = [&](std::string why) {
        outcome.message = std::move(why);
        return outcome;
    };

    // What comes back, read from the archive first: the household, its persons, their records.
    std::vector<CopiedRow> households, persons, records;
    if (!person && read_history(photosqlca, "th_ge_rpr", "TC_GE_Rpr", "RprNo = :key", number, households) < 0)
        return refuse("读取历史库出错：" + photosqlca.sql_err_text());
    if (!person && households.empty())
        return refuse("历史库中没有户籍" + number + "！");
    const long read = person
        ? read_history(photosqlca, "th_ge_personinfo", "TC_GE_PersonInfo", "PersonNo = :key", number, persons)
        : read_history(photosqlca, "th_ge_personinfo", "TC_GE_PersonInfo", "RprNo = :key AND IsSave = '5'", number,
                       persons);
    if (read < 0)
        return refuse("读取历史库出错：" + photosqlca.sql_err_text());
    if (person && persons.empty())
        return refuse("历史库中没有人员" + number + "！");
    for (const CopiedRow& one : persons) {
        const std::string personno = one.value_of("personno").as_string();
        for (const Secondary& table : secondaries)
            if (read_history(photosqlca, table.history, table.current, "PersonNo = :key", personno, records) < 0)
                return refuse("读取历史库出错：" + photosqlca.sql_err_text());
    }

    // A number in use again is not overwritten.
    const auto in_use = [&](std::string_view table, std::string_view column, const std::string& key) {
        const long count = count_current(sqlca, table, column, key);
        return count != 0; // a failed count refuses too
    };
    if (!person && in_use("TC_GE_Rpr", "RprNo", number))
        return refuse("户籍编号" + number + "已在当前库中使用，不能恢复！");
    for (const CopiedRow& one : persons) {
        const std::string personno = one.value_of("personno").as_string();
        if (in_use("TC_GE_PersonInfo", "PersonNo", personno))
            return refuse("人员编号" + personno + "已在当前库中使用，不能恢复！");
    }
    if (person) {
        const Value rprno = persons.front().value_of("rprno");
        const std::string household = rprno.is_null() ? std::string() : rprno.as_string();
        if (count_current(sqlca, "TC_GE_Rpr", "RprNo", household) != 1)
            return refuse("人员" + number + "所在的户籍" + household + "不在当前库中，请先恢复户籍！");
    }

    // All rows in one transaction on the records database.
    for (const std::vector<CopiedRow>* rows : {&households, &persons, &records}) {
        for (const CopiedRow& row : *rows) {
            if (insert_row(sqlca, row) != 0) {
                const std::string why = sqlca.sql_err_text();
                sqlca.rollback();
                outcome.rows = 0;
                return refuse("恢复不成功！" + why);
            }
            ++outcome.rows;
        }
    }
    if (sqlca.commit() != 0) {
        const std::string why = sqlca.sql_err_text();
        sqlca.rollback();
        outcome.rows = 0;
        return refuse("恢复不成功！" + why);
    }

    // Only now that the rows are current again does their history go.
    std::vector<std::pair<std::string, std::string>> removals; // statement, key
    if (!person)
        removals.emplace_back("DELETE FROM th_ge_rpr WHERE RprNo = :key", number);
    for (const CopiedRow& one : persons) {
        const std::string personno = one.value_of("personno").as_string();
        removals.emplace_back("DELETE FROM th_ge_personinfo WHERE PersonNo = :key", personno);
        for (const Secondary& table : secondaries)
            removals.emplace_back(fmt::format("DELETE FROM {} WHERE PersonNo = :key", table.history), personno);
    }
    for (const auto& [statement, key] : removals) {
        if (photosqlca.execute(statement, {{"key", Value(key)}}) != 0) {
            outcome.message = photosqlca.sql_err_text();
            photosqlca.rollback();
            outcome.history_kept = true;
            return outcome;
        }
    }
    if (photosqlca.commit() != 0) {
        outcome.message = photosqlca.sql_err_text();
        photosqlca.rollback();
        outcome.history_kept = true;
    }
    return outcome;
}

w_history::w_history()
{
    title = "历史档案";
    width = 2000;
    height = 1400;
}

ScriptResult w_history::open(ScriptCall& call)
{
    Desktop* desktop = Desktop::current();
    auto* application = dynamic_cast<HearthApplication*>(Application::current());
    if (!desktop || !application)
        return no_return;
    if (!application->is_admin()) {
        desktop->message_box(Value("提示信息"), Value("只有系统管理员才能查看和恢复历史档案！"), Icon::Exclamation);
        desktop->close(ref());
        return no_return;
    }
    if (auto* dw = call.use(Ref<DataWindowControl>(dw_1), "dw_1")) {
        dw->x = 20;
        dw->y = 20;
        dw->width = 1900;
        dw->height = 1000;
        dw->set_dataobject("dh_list");
    }
    const std::pair<ObjectRef*, std::string_view> buttons[] = {{&cb_restore, "恢复"}, {&cb_close, "关闭"}};
    std::int32_t left = 1160;
    for (const auto& [control, text] : buttons) {
        if (auto* button = call.use(Ref<CommandButton>(*control), "commandbutton")) {
            button->text = std::string(text);
            button->x = left;
            button->y = 1060;
            button->width = 360;
            button->height = 100;
        }
        left += 400;
    }
    call.call(ref(), "wf_retrieve");
    desktop->set_focus(dw_1);
    return no_return;
}

ScriptResult w_history::wf_retrieve(ScriptCall& call)
{
    auto* dw = call.use(Ref<DataWindowControl>(dw_1), "dw_1");
    auto* application = dynamic_cast<HearthApplication*>(Application::current());
    if (!dw || !application)
        return Value::integer(-1);
    Transaction& photosqlca = application->globals().photosqlca;
    const bool was_open = photosqlca.in_transaction();
    dw->reset();
    const auto add = [&](std::string_view kind) {
        return [dw, kind](const sql::ResultRow& row) {
            const long at = dw->insert_row(0);
            dw->set_item(at, std::string_view("kind"), Value(std::string(kind)));
            for (int c = 0; c < 3; ++c) {
                static constexpr std::string_view columns[] = {"recordno", "name", "rprno"};
                dw->set_item(at, columns[c],
                             row.is_null(c) ? Value::null_of(Type::String) : Value(std::string(row.text(c))));
            }
            if (auto stamp = sql::read_cell(row, 3, Type::DateTime))
                dw->set_item(at, std::string_view("savetime"), *stamp);
            return RowAction::Continue;
        };
    };
    const long households = photosqlca.query("SELECT RprNo, HostName, RprNo, SaveTime FROM th_ge_rpr ORDER BY RprNo",
                                             {}, add(household_kind));
    const long persons = households < 0
        ? -1
        : photosqlca.query("SELECT PersonNo, Name, RprNo, SaveTime FROM th_ge_personinfo "
                           "WHERE IsSave = '5' ORDER BY PersonNo",
                           {}, add(person_kind));
    if (persons < 0) {
        if (Desktop* desktop = Desktop::current())
            desktop->message_box(Value("错误"), Value("读取历史库出错：" + photosqlca.sql_err_text()), Icon::StopSign);
        if (!was_open)
            photosqlca.rollback();
        return Value::integer(-1);
    }
    if (!was_open && photosqlca.in_transaction())
        photosqlca.commit(); // nothing held open between two looks
    if (dw->row_count() > 0)
        dw->set_row(1);
    return Value::integer(static_cast<std::int16_t>(std::min<long>(dw->row_count(), 32767)));
}

ScriptResult w_history::wf_restore(ScriptCall& call)
{
    auto* dw = call.use(Ref<DataWindowControl>(dw_1), "dw_1");
    Desktop* desktop = Desktop::current();
    auto* application = dynamic_cast<HearthApplication*>(Application::current());
    if (!dw || !desktop || !application)
        return Value::integer(-1);
    const long row = dw->get_row();
    if (row < 1 || row > dw->row_count()) {
        desktop->message_box(Value("系统提示"), Value("请先选择一条历史记录后再恢复."));
        return Value::integer(0);
    }
    const std::string kind = dw->get_item_string(row, std::string_view("kind")).as_string();
    const std::string number = dw->get_item_string(row, std::string_view("recordno")).as_string();
    const Value answer
        = desktop->message_box(Value("系统提示"), Value(fmt::format("您确认要恢复{}{}吗?", kind, number)),
                               Icon::Question, Buttons::YesNo, Value(2));
    if (answer.is_null() || answer.as_integral() != 1)
        return Value::integer(0);

    const RestoreOutcome outcome = restore_history(
        application->globals(), kind == person_kind ? ArchivedKind::Person : ArchivedKind::Household, number);
    if (outcome.rows == 0) {
        desktop->message_box(Value("警告信息"), Value(outcome.message), Icon::Exclamation);
        return Value::integer(-1);
    }
    if (outcome.history_kept)
        desktop->message_box(Value("警告信息"), Value("记录已恢复，但历史库中的记录没有清除：" + outcome.message),
                             Icon::Exclamation);
    else
        desktop->message_box(Value("成功信息"), Value(fmt::format("恢复成功！共恢复{}条记录。", outcome.rows)));
    application->gf_userlog("恢复历史档案", user_log_restore, kind + number);
    call.call(ref(), "wf_retrieve");
    return Value::integer(1);
}

ScriptResult w_history::cb_restore_clicked(ScriptCall& call) { return call.call(ref(), "wf_restore"); }

ScriptResult w_history::cb_close_clicked(ScriptCall&)
{
    if (Desktop* desktop = Desktop::current())
        desktop->close(ref());
    return Value(1);
}

const ClassTable& _getVtableInfo_w_history()
{
    static const ClassTable table {
        "w_history",
        "w_response",
        make_object<w_history>,
        {{"dw_1", "datawindow", store_in<&w_history::dw_1>},
         {"cb_restore", "commandbutton", store_in<&w_history::cb_restore>},
         {"cb_close", "commandbutton", store_in<&w_history::cb_close>}},
        {{own_group,
          "",
          {{"wf_retrieve", SlotKind::Function, Type::Integer, 0}, {"wf_restore", SlotKind::Function, Type::Integer, 0}},
          {{0, "create", create_script},
           {1, "destroy", destroy_script},
           {38, "open", on_self<&w_history::open>},
           {120, "wf_retrieve", on_self<&w_history::wf_retrieve>},
           {121, "wf_restore", on_self<&w_history::wf_restore>}}},
         {own_group + 1, "cb_restore", {}, {{36, "clicked", on_parent<&w_history::cb_restore_clicked>}}},
         {own_group + 2, "cb_close", {}, {{36, "clicked", on_parent<&w_history::cb_close_clicked>}}}}};
    return table;
}

} // namespace hearth
