// The history archive of uo_toolbar: before a household, a person or a person's secondary
// record is deleted, it is copied from the records database (sqlca, readers d_<x>parm) into
// the history database (photosqlca, writers dh_<x>, tables th_<x>). History rows keep the
// current column names, plus SaveTime and, for persons, IsSave ("5" archived for the person's
// own deletion, "6" archived along with another record).
//
// Every reader and writer is retrieved by the record's number, so the cost of an archive does
// not grow with the history. A record archived again (a deletion that failed after its archive
// and is tried again, a person's other information archived with the person before) replaces
// its earlier copy: the old copy is deleted in the same photosqlca transaction as the new row
// is written, and the deletion is rolled back when no new row follows.

#include "host/object/runtime.h"
#include "host/sql/cursor.h"
#include "host/ui/desktop.h"
#include "host/value/functions.h"
#include "library/frame/application.h"
#include "library/toolbar/uo_toolbar.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <string_view>
#include <vector>

namespace hearth {

namespace {

// A person's secondary records that wf_savepersoninfo archives, each switched on by its
// element of gs_workparm.
struct SecondaryTable {
    int workparm; // gs_workparm[n], counted from 1
    std::string_view reader;
    std::string_view writer;
};
constexpr std::array<SecondaryTable, 8> secondary_tables {{
    {9, "d_ge_personotherinfoparm", "dh_ge_personotherinfo"},
    {10, "d_ge_companyparm", "dh_ge_company"},
    {11, "d_ge_foreignorregistryparm", "dh_ge_foreignorregistry"},
    {12, "d_sv_mlpfamilyinfoparm", "dh_sv_mlpfamilyinfo"},
    {13, "d_sv_oowpersoninfoparm", "dh_sv_oowpersoninfo"},
    {14, "d_sv_elderinfoparm", "dh_sv_elderinfo"},
    {15, "d_sv_childrenparm", "dh_sv_children"},
    {16, "d_mh_adultwomaninfoparm", "dh_mh_adultwomaninfo"},
}};

// The embedded statements of the archive; all run on photosqlca.
constexpr std::string_view s1_count_person
    = "SELECT Count(PersonNo) INTO :ll_count FROM th_ge_personinfo WHERE PersonNo = :ls_personno";
constexpr std::string_view s2_refresh_person
    = "UPDATE th_ge_personinfo SET SaveTime = :ldt_now, IsSave = '5' WHERE PersonNo = :ls_personno";
constexpr std::string_view s3_count_otherinfo
    = "SELECT Count(PersonNo) INTO :ll_count FROM th_ge_personotherinfo WHERE PersonNO = :ls_personno";
constexpr std::string_view s4_delete_otherinfo = "DELETE FROM th_ge_personotherinfo WHERE PersonNO = :ls_personno";
// The relation history of the archive database keeps the current table's name.
constexpr std::string_view s6_count_relation = "SELECT count(*) INTO :ll_count FROM tc_ge_personrelation "
                                               "WHERE personno = :as_personno AND rolerelation = :as_relation";
constexpr std::string_view s7_delete_relation
    = "DELETE FROM tc_ge_personrelation WHERE personno = :as_personno AND rolerelation = :as_relation";
// On sqlca: the members of a household.
constexpr std::string_view s5_members = "SELECT PersonNo FROM tc_ge_personinfo WHERE RprNo = :ls_rprno";

// A work datastore of one call: created through the runtime, destroyed when the call ends,
// also on a failure return or a runtime error.
class WorkStore {
public:
    explicit WorkStore(Runtime& runtime) : m_runtime(runtime), m_ref(runtime.create("datastore"))
    {
        assert(m_ref.get() && "the host registers the datastore class");
    }
    ~WorkStore() { m_runtime.destroy(m_ref); }
    WorkStore(const WorkStore&) = delete;
    WorkStore& operator=(const WorkStore&) = delete;

    DataStore* operator->() const { return dynamic_cast<DataStore*>(m_ref.get()); }
    DataStore& operator*() const { return *operator->(); }
    Value value() const { return Value(m_ref); }

    // DataObject = dataobject; SetTransObject(transaction).
    void bind(std::string_view dataobject, Transaction& transaction) const
    {
        (*this)->set_dataobject(dataobject);
        (*this)->set_trans_object(transaction);
    }

private:
    Runtime& m_runtime;
    ObjectRef m_ref;
};

void tell(const char* title, const char* text)
{
    if (Desktop* desktop = Desktop::current())
        desktop->message_box(Value(title), Value(text));
}

// ROLLBACK USING photosqlca, then the failure's message; the caller returns -1.
Value fail(Transaction& photosqlca, const char* title, const char* text)
{
    photosqlca.rollback();
    tell(title, text);
    return Value::integer(-1);
}

// COMMIT USING photosqlca after a history write; false when the commit failed, which loses
// the write as surely as a failed Update.
bool committed(Transaction& photosqlca) { return photosqlca.commit() == 0 && photosqlca.sql_code() == 0; }

// SELECT Count(...) INTO :ll_count ... on `transaction`; 0 when the statement fails.
long count_of(Transaction& transaction, std::string_view statement, HostVars vars)
{
    Value ll_count = Value(std::int32_t(0));
    vars.emplace_back("ll_count", &ll_count);
    transaction.select_into(statement, vars);
    return ll_count.is_null() ? 0 : static_cast<long>(ll_count.as_integral());
}

Value now_stamp() { return fn::to_datetime(fn::today(), fn::now()); }

// gs_workparm[n] is "是": archiving of that table is switched on.
bool switched_on(const AppGlobals& globals, int n)
{
    return n >= 1 && static_cast<std::size_t>(n) <= globals.gs_workparm.size() && globals.gs_workparm[n - 1] == "是";
}

// guo_tabpg_now.dw_1, which the archive hands to wf_copycolumn along with its datastores.
ObjectRef page_dw_1(const ScriptCall& call, const AppGlobals& globals)
{
    Object* page = call.use(globals.guo_tabpg_now, "guo_tabpg_now");
    return page ? page->nested("dw_1") : ObjectRef();
}

// The integer result of a call to one of the toolbar's own functions.
long result_of(const Value& value) { return value.is_null() ? 0 : static_cast<long>(value.as_integral()); }

// The value of column `column` of row `row`, read with the GetItem function its type calls
// for; nullopt for a type that is not copied.
std::optional<Value> item_of(DataWindowBase& source, long row, int column, const std::string& ls_coltype)
{
    const std::string kind = fn::left(ls_coltype, 4);
    if (kind == "char")
        return source.get_item_string(row, column);
    if (kind == "date") {
        if (ls_coltype == "datetime")
            return source.get_item_datetime(row, column);
        if (ls_coltype == "date")
            return source.get_item_date(row, column);
        return std::nullopt;
    }
    if (kind == "int" || kind == "long" || kind == "ulon" || kind == "numb" || kind == "real")
        return source.get_item_number(row, column);
    if (kind == "time")
        return source.get_item_time(row, column);
    if (kind == "deci")
        return source.get_item_decimal(row, column);
    return std::nullopt;
}

// Deletes the rows of `target` (a writer retrieved by the record's number) that are earlier
// copies of its new row `ll_insert`, those with the same key: the history table keeps one row
// per key, and the Update that inserts the new row deletes them first. Returns the new row's
// number after the deletions.
long drop_earlier_copies(DataStore& target, long ll_insert)
{
    struct Key {
        int column;
        std::string coltype;
        std::optional<Value> value;
    };
    std::vector<Key> keys;
    const long ll_colcount = fn::to_long(target.describe("datawindow.column.count"));
    for (int ll_i = 1; ll_i <= ll_colcount; ++ll_i) {
        const std::string column = "#" + fn::to_string(ll_i);
        if (fn::lower(target.describe(column + ".Key")) != "yes")
            continue;
        const std::string coltype = fn::lower(target.describe(column + ".ColType"));
        keys.push_back({ll_i, coltype, item_of(target, ll_insert, ll_i, coltype)});
    }
    if (keys.empty())
        return ll_insert;
    // From the last earlier row down, so that a deletion moves only rows already compared.
    long ll_new = ll_insert;
    for (long ll_row = ll_insert - 1; ll_row >= 1; --ll_row)
        if (std::all_of(keys.begin(), keys.end(),
                        [&](const Key& key) { return item_of(target, ll_row, key.column, key.coltype) == key.value; })
            && target.delete_row(ll_row) == 1)
            --ll_new;
    return ll_new;
}

} // namespace

ScriptResult uo_toolbar::wf_copycolumn(ScriptCall& call)
{
    const Ref<DataWindowControl> adw_source = call.arg_object<DataWindowControl>(0);
    const Ref<DataStore> ads_target_ref = call.arg_object<DataStore>(1);
    const Ref<DataStore> ads_source = call.arg_object<DataStore>(2);
    const std::int16_t ai_flag = call.arg_as<std::int16_t>(3).value_or(0);

    // The row, the column count and the values all come from the object that is read: the
    // members of a household are read from a datastore with more columns than the list.
    DataWindowBase* source = nullptr;
    if (ai_flag == 2)
        source = call.use(ads_source, "ads_source");
    else
        source = call.use(adw_source, "adw_source");
    DataStore* ads_target = call.use(ads_target_ref, "ads_target");
    if (!ads_target)
        return Value::integer(0);
    const long ll_row = source ? source->get_row() : 0;
    const long ll_insert = ads_target->insert_row(0);

    const long ll_hiscolcount = fn::to_long(ads_target->describe("datawindow.column.count"));
    std::vector<std::string> target_columns;
    for (long ll_i = 1; ll_i <= ll_hiscolcount; ++ll_i)
        target_columns.push_back(ads_target->describe("#" + fn::to_string(ll_i) + ".Name"));

    const long ll_colcount = source ? fn::to_long(source->describe("datawindow.column.count")) : 0;
    for (long ll_i = 1; ll_i <= ll_colcount; ++ll_i) {
        const std::string ls_colname = source->describe("#" + fn::to_string(ll_i) + ".Name");
        const std::string ls_coltype = fn::lower(source->describe("#" + fn::to_string(ll_i) + ".ColType"));
        if (std::find(target_columns.begin(), target_columns.end(), ls_colname) == target_columns.end())
            continue;
        const std::optional<Value> la_tmp = item_of(*source, ll_row, static_cast<int>(ll_i), ls_coltype);
        // A null is not written, so the history column keeps its default.
        if (la_tmp && !la_tmp->is_null())
            ads_target->set_item(ll_insert, ls_colname, *la_tmp);
    }
    ads_target->set_item(ll_insert, "SaveTime", now_stamp());
    return Value::integer(static_cast<std::int16_t>(ll_insert));
}

ScriptResult uo_toolbar::wf_savehisinfo(ScriptCall& call)
{
    const Ref<DataWindowControl> adw_source_ref = call.arg_object<DataWindowControl>(0);
    const std::string as_histablename = call.arg_as<std::string>(1).value_or("");
    const std::int16_t ai_param = call.arg_as<std::int16_t>(2).value_or(0);
    AppGlobals* globals = app_globals(call, "photosqlca");
    DataWindowControl* adw_source = call.use(adw_source_ref, "adw_source");
    if (!globals || !adw_source)
        return Value::integer(-1);
    Transaction& sqlca = globals->sqlca;
    Transaction& photosqlca = globals->photosqlca;
    const Value adw_value = Value(adw_source_ref.ref());

    WorkStore lds_histable(call.runtime());
    WorkStore lds_hisperson(call.runtime());
    auto copy = [&](const WorkStore& target, const WorkStore& source, std::int16_t flag) {
        return result_of(
            call.call(ref(), "wf_copycolumn", {adw_value, target.value(), source.value(), Value::integer(flag)}));
    };

    const long ll_row = adw_source->get_row();
    Value ls_personno = Value::null_of(Type::String);
    if (as_histablename != "dh_ge_rpr")
        ls_personno = adw_source->get_item_string(ll_row, "PersonNo");

    // A person already in history gets that row refreshed instead of a second one.
    bool lb_flag = false;
    if (ai_param == 2 && count_of(photosqlca, s1_count_person, {{"ls_personno", ls_personno}}) != 0) {
        photosqlca.execute(s2_refresh_person, {{"ldt_now", now_stamp()}, {"ls_personno", ls_personno}});
        if (photosqlca.sql_code() == 0 && committed(photosqlca)) {
            lb_flag = true;
        } else if (photosqlca.sql_code() == -1) {
            photosqlca.rollback();
            tell("提示", "更新个人历史信息表中的个人信息失败!");
        }
    }

    long ll_insert = 0;
    if (!lb_flag) {
        lds_histable.bind(as_histablename, photosqlca);
        if (as_histablename == "dh_ge_rpr") {
            // The household is copied from its full current record, not from the list.
            const Value ls_rprno = adw_source->get_item_string(ll_row, "rprno");
            lds_hisperson.bind("d_ge_rprparm", sqlca);
            if (lds_histable->retrieve({ls_rprno}) < 0 || lds_hisperson->retrieve({ls_rprno}) < 1)
                return fail(photosqlca, "错误", "在保存到历史库中出现错误"); // nothing read to archive
            ll_insert = copy(lds_histable, lds_hisperson, 2);
        } else {
            if (lds_histable->retrieve({ls_personno}) < 0)
                return fail(photosqlca, "错误", "在保存到历史库中出现错误");
            ll_insert = copy(lds_histable, lds_hisperson, 1);
        }
        ll_insert = drop_earlier_copies(*lds_histable, ll_insert);
        if (ai_param == 2)
            lds_histable->set_item(ll_insert, "IsSave", Value("5")); // archived for its own deletion
        if (lds_histable->update() != 1 || !committed(photosqlca))
            return fail(photosqlca, "错误", "在保存到历史库中出现错误");
        if (as_histablename == "dh_mh_adultwomaninfo"
            && result_of(call.call(ref(), "wf_copyrelation", {ls_personno, Value("11")})) == -1)
            return Value::integer(-1);
    }

    switch (ai_param) {
    case 1: {
        // The person of the secondary record, archived along with it unless already there.
        ls_personno = lds_histable->get_item_string(ll_insert, "PersonNo");
        if (count_of(photosqlca, s1_count_person, {{"ls_personno", ls_personno}}) == 0) {
            lds_hisperson.bind("dh_ge_personinfo", photosqlca);
            lds_histable.bind("d_ge_personinfoparm", sqlca);
            if (lds_histable->retrieve({ls_personno}) >= 1) {
                const long ll_person = copy(lds_hisperson, lds_histable, 2);
                lds_hisperson->set_item(ll_person, "IsSave", Value("6"));
                if (lds_hisperson->update() != 1 || !committed(photosqlca))
                    return fail(photosqlca, "提示", "在保存个人历史信息时报错");
            }
        }
        // The person's other information replaces its earlier copy: the deletion stays
        // pending on photosqlca until the new copy is written with it.
        bool lb_replacing = false;
        if (count_of(photosqlca, s3_count_otherinfo, {{"ls_personno", ls_personno}}) > 0) {
            photosqlca.execute(s4_delete_otherinfo, {{"ls_personno", ls_personno}});
            if (photosqlca.sql_code() != 0)
                return fail(photosqlca, "提示", "在保存个人其他历史信息时出错!");
            lb_replacing = true;
        }
        lds_hisperson.bind("dh_ge_personotherinfo", photosqlca);
        lds_histable.bind("d_ge_personotherinfoparm", sqlca);
        if (lds_histable->retrieve({ls_personno}) >= 1) {
            copy(lds_hisperson, lds_histable, 2);
            if (lds_hisperson->update() != 1 || !committed(photosqlca))
                return fail(photosqlca, "提示", "在保存个人其他历史信息时出错!");
        } else if (lb_replacing) {
            photosqlca.rollback(); // nothing replaces the earlier copy: keep it
        }
        break;
    }
    case 2:
        // The person row itself is done; its secondary records follow.
        if (result_of(call.call(ref(), "wf_savepersoninfo", {ls_personno, Value::integer(1)})) == -1)
            return Value::integer(-1);
        break;
    case 3: {
        const Value ls_rprno = adw_source->get_item_string(ll_row, "RprNo");
        Cursor cur_delrpr = sqlca.declare_cursor(std::string(s5_members));
        cur_delrpr.open({{"ls_rprno", ls_rprno}});
        Value ls_member = Value(std::string());
        cur_delrpr.fetch_into({&ls_member});
        while (sqlca.sql_code() == 0) {
            if (result_of(call.call(ref(), "wf_savepersoninfo", {ls_member, Value::integer(2)})) == -1) {
                cur_delrpr.close();
                return Value::integer(-1);
            }
            cur_delrpr.fetch_into({&ls_member});
        }
        // Members that could not be listed are not archived; the household must stay with them.
        const bool listed = sqlca.sql_code() == 100;
        cur_delrpr.close();
        if (!listed)
            return Value::integer(-1);
        break;
    }
    default: break;
    }
    return Value::integer(0);
}

ScriptResult uo_toolbar::wf_savepersoninfo(ScriptCall& call)
{
    const Value as_personno = call.arg_value(0, Type::String);
    const std::int16_t ai_flag = call.arg_as<std::int16_t>(1).value_or(0);
    AppGlobals* globals = app_globals(call, "photosqlca");
    if (!globals)
        return Value::integer(-1);
    Transaction& sqlca = globals->sqlca;
    Transaction& photosqlca = globals->photosqlca;

    WorkStore lds_source(call.runtime());
    WorkStore lds_target(call.runtime());
    auto copy = [&] {
        return result_of(
            call.call(ref(), "wf_copycolumn",
                      {Value(page_dw_1(call, *globals)), lds_target.value(), lds_source.value(), Value::integer(2)}));
    };

    if (ai_flag == 2) {
        lds_source.bind("d_ge_personinfoparm", sqlca);
        // The person's own history row, found by number: no filter over the whole history.
        lds_target.bind("dh_ge_personinfo", photosqlca);
        if (lds_source->retrieve({as_personno}) < 0 || lds_target->retrieve({as_personno}) < 0)
            return fail(photosqlca, "错误", "在保存到历史库中出现错误"); // unread is not archived
        const long ll_count = lds_target->row_count();
        if (ll_count >= 1) {
            photosqlca.execute(s2_refresh_person, {{"ldt_now", now_stamp()}, {"ls_personno", as_personno}});
            const bool refreshed = photosqlca.sql_code() == 0 && committed(photosqlca);
            if (!refreshed && photosqlca.sql_code() == -1) {
                photosqlca.rollback();
                tell("提示", "更新个人历史信息表中的个人信息失败!");
                return Value::integer(-1);
            }
        } else if (lds_source->row_count() >= 1) {
            const long ll_insert = copy();
            lds_target->set_item(ll_insert, "issave", Value("5"));
            if (lds_target->update() != 1 || !committed(photosqlca))
                return fail(photosqlca, "错误", "在保存到历史库中出现错误");
        }
    }

    for (const SecondaryTable& table : secondary_tables) {
        if (!switched_on(*globals, table.workparm))
            continue;
        lds_source.bind(table.reader, sqlca);
        lds_target.bind(table.writer, photosqlca);
        if (lds_source->retrieve({as_personno}) < 0 || lds_target->retrieve({as_personno}) < 0)
            return fail(photosqlca, "错误", "在保存到历史库中出现错误");
        if (lds_source->row_count() >= 1) {
            // Every record of the person goes into history, not only the current (first) one.
            for (long ll_row = 1; ll_row <= lds_source->row_count(); ++ll_row) {
                lds_source->set_row(ll_row);
                drop_earlier_copies(*lds_target, copy());
            }
            if (lds_target->update() != 1 || !committed(photosqlca))
                return fail(photosqlca, "错误", "在保存到历史库中出现错误");
        }
    }
    return Value::integer(0);
}

ScriptResult uo_toolbar::wf_copyrelation(ScriptCall& call)
{
    const Value as_personno = call.arg_value(0, Type::String);
    const Value as_relation = call.arg_value(1, Type::String);
    AppGlobals* globals = app_globals(call, "photosqlca");
    if (!globals)
        return Value::integer(-1);
    Transaction& sqlca = globals->sqlca;
    Transaction& photosqlca = globals->photosqlca;

    WorkStore lds_source(call.runtime());
    WorkStore lds_target(call.runtime());
    auto copy = [&] {
        return result_of(
            call.call(ref(), "wf_copycolumn",
                      {Value(page_dw_1(call, *globals)), lds_target.value(), lds_source.value(), Value::integer(2)}));
    };

    lds_source.bind("d_ge_personrelationparm", sqlca);
    const long ll_rowcount = lds_source->retrieve({as_personno, as_relation});
    if (ll_rowcount < 0)
        return fail(photosqlca, "提示", "个人关系定义保存到历史信息表失败!");
    Value ls_personno2 = Value::null_of(Type::String);
    if (ll_rowcount >= 1)
        ls_personno2 = lds_source->get_item_string(ll_rowcount, "PersonNo2");
    lds_target.bind("dh_ge_personrelation", photosqlca);

    // The earlier history copy of this relation is replaced: its deletion stays pending on
    // photosqlca until the new copy is written with it.
    bool lb_replacing = false;
    const HostVars relation {{"as_personno", as_personno}, {"as_relation", as_relation}};
    if (count_of(photosqlca, s6_count_relation, relation) > 0) {
        photosqlca.execute(s7_delete_relation, relation);
        if (photosqlca.sql_code() != 0)
            return fail(photosqlca, "提示", "个人关系定义保存到历史信息表失败!");
        lb_replacing = true;
    }
    if (ll_rowcount > 0) {
        // The last relation row, copied by column name so that it gets its SaveTime.
        lds_source->set_row(ll_rowcount);
        copy();
        if (lds_target->update() != 1 || !committed(photosqlca))
            return fail(photosqlca, "提示", "个人关系定义保存到历史信息表失败!");
    } else if (lb_replacing) {
        photosqlca.rollback(); // nothing replaces the earlier copy: keep it
    }

    // The related person, unless already in history (a second record of the same couple
    // would otherwise fail on the person's key).
    lds_source.bind("d_ge_personinfoparm", sqlca);
    lds_target.bind("dh_ge_personinfo", photosqlca);
    if (lds_source->retrieve({ls_personno2}) < 1
        || count_of(photosqlca, s1_count_person, {{"ls_personno", ls_personno2}}) != 0)
        return Value::integer(0);
    const long ll_insert = copy();
    lds_target->set_item(ll_insert, "IsSave", Value("6"));
    if (lds_target->update() != 1 || !committed(photosqlca))
        return fail(photosqlca, "错误", "在将育龄妇女丈夫信息保存到历史库中出现错误");
    return Value::integer(0);
}

} // namespace hearth
