#include "app/w_m_edit.h"

#include "app/identity_number.h"
#include "host/datawindow/database.h"
#include "host/datawindow/text_util.h"
#include "host/object/runtime.h"
#include "host/ui/datawindow_control.h"
#include "host/ui/desktop.h"
#include "host/value/functions.h"
#include "library/frame/application.h"
#include "library/tabs/select_rewrite.h"
#include "library/tabs/uo_tabpg_datawindow.h"

#include <algorithm>
#include <array>
#include <utility>

namespace hearth {

// One editing window. Column lists are comma-separated column names of the form's object.
struct EditForm {
    std::string_view window;      // "w_m_" + the page's is_stringpara
    std::string_view dataobject;  // the page's free-form object
    std::string_view title;       // what the record is; the title is the action before it
    std::string_view required;    // columns the user must fill in
    std::string_view id_numbers;  // identity numbers (GB 11643)
    std::string_view birth_date;  // the date the identity number's birth date must agree with
    std::string_view past_dates;  // dates that cannot lie after today
    std::string_view from_master; // columns a new record takes from the master's current row
    std::string_view numbered;    // a whole-number key that a new record left empty is numbered in
    std::string_view log_text;    // the user log's text for the record's table
};

namespace {

// The household sheet's pages (w_ge_rpr); the form page of a household shares the grid's.
constexpr std::array edit_forms {
    EditForm {"w_m_GE_Rpr", "d_ge_rpr_f", "户籍信息", "rprno,hostname", "", "", "regdate", "", "", "TC_GE_Rpr"},
    EditForm {"w_m_GE_PersonInfo", "d_ge_personinfo_f", "人员信息", "personno,rprno,name", "idcard", "birthdate",
              "birthdate,regdate", "rprno", "", "TC_GE_PersonInfo"},
    EditForm {"w_m_GE_RprOwnHouse", "d_ge_rprownhouse_f", "房屋产权", "rprno,address", "", "", "regdate", "rprno",
              "orderno", "TC_GE_RprOwnHouse"},
    EditForm {"w_m_GE_FamilyHonor", "d_ge_familyhonor_f", "家庭荣誉", "rprno,honorname", "", "", "honordate", "rprno",
              "honorno", "TC_GE_FamilyHonor"},
    // The building sheet's pages (w_ge_building). Owners and tenants belong to a house, which
    // the user names; the building cannot fill it in.
    EditForm {"w_m_GE_Building", "d_ge_building_f", "楼院信息", "buildingname", "", "", "builddate", "", "buildingno",
              "TC_GE_Building"},
    EditForm {"w_m_GE_HouseInfo", "d_ge_houseinfo_f", "房屋信息", "buildingno,doorno", "", "", "", "buildingno",
              "houseno", "TC_GE_HouseInfo"},
    EditForm {"w_m_GE_BuildingPrize", "d_ge_buildingprize_f", "楼院荣誉", "buildingno,prizename", "", "", "prizedate",
              "buildingno", "orderno", "TC_GE_BuildingPrize"},
    EditForm {"w_m_GE_OwnHouse", "d_ge_ownhouse_f", "房屋产权", "rprno,houseno", "", "", "regdate", "", "orderno",
              "TC_GE_RprOwnHouse"},
    EditForm {"w_m_GE_RentHouseReg", "d_ge_renthousereg_f", "出租登记", "houseno,rentername", "idcard", "", "", "",
              "orderno", "TC_GE_RentHouseReg"},
    EditForm {"w_m_GE_RentRegistry", "d_ge_rentregistry_f", "租住登记", "houseno,rentername", "idcard", "", "regdate",
              "", "orderno", "TC_GE_RentRegistry"},
};

constexpr std::string_view adding = "添加";
constexpr std::string_view title_box = "系统提示";

std::vector<std::string> columns_of(std::string_view list, char separator = ',')
{
    std::vector<std::string> columns;
    while (!list.empty()) {
        const std::size_t comma = list.find(separator);
        if (const std::string_view name = list.substr(0, comma); !name.empty())
            columns.emplace_back(name);
        list = comma == std::string_view::npos ? std::string_view {} : list.substr(comma + 1);
    }
    return columns;
}

// The first four letters of a column's type, as Describe gives them ("char", "date", "long" ...).
std::string coltype(DataWindowBase& dw, const std::string& column)
{
    return fn::left(fn::lower(dw.describe(column + ".coltype")), 4);
}

// An item in the type of its column; null for a column the object does not have.
Value item(DataWindowBase& dw, long row, const std::string& column)
{
    const std::string type = coltype(dw, column);
    if (type == "char")
        return dw.get_item_string(row, column);
    if (type == "date")
        return dw.describe(column + ".coltype").starts_with("datetime") ? dw.get_item_datetime(row, column)
                                                                        : dw.get_item_date(row, column);
    if (type == "deci")
        return dw.get_item_decimal(row, column);
    if (type == "long" || type == "inte" || type == "numb" || type == "real" || type == "ulon")
        return dw.get_item_number(row, column);
    return {};
}

// A number Describe answers; 0 for any other answer.
std::int32_t number(DataWindowBase& dw, const std::string& property)
{
    const Value value = fn::to_long(Value(dw.describe(property)));
    return value.is_null() ? 0 : static_cast<std::int32_t>(value.as_integral());
}

bool is_empty(const Value& value)
{
    return value.is_null() || (value.is_string() && fn::trim(value.as_string()).empty());
}

// The text of a column's label on the form, without its colon; the column's name without one.
std::string label(DataWindowBase& dw, const std::string& column)
{
    std::string text = dw.describe(column + "_t.text");
    if (text.empty() || text == "!" || text == "?")
        return column;
    for (std::string_view colon : {"：", ":"})
        if (text.ends_with(colon))
            text.resize(text.size() - colon.size());
    return text;
}

// The birth date inside a sound identity number.
Date birth_date_of(std::string_view number)
{
    auto digits = [&](std::size_t at, std::size_t count) {
        int value = 0;
        for (std::size_t i = at; i < at + count; ++i)
            value = value * 10 + (number[i] - '0');
        return value;
    };
    return {static_cast<std::int16_t>(digits(6, 4)), static_cast<std::uint8_t>(digits(10, 2)),
            static_cast<std::uint8_t>(digits(12, 2))};
}

// The record's key condition for Find: every key column equal to its value in `row`.
std::string key_expression(DataWindowBase& dw, long row, const std::vector<std::string>& keys)
{
    std::string expression;
    for (const std::string& key : keys) {
        const Value value = item(dw, row, key);
        if (!expression.empty())
            expression += " and ";
        if (value.is_null())
            expression += "isnull(" + key + ")";
        else if (value.is_string())
            expression += key + " = '" + dw::escape_tilde(value.as_string(), '\'') + "'";
        else
            expression += key + " = " + fn::to_string(value).as_string();
    }
    return expression;
}

std::vector<std::string> key_columns(const dw::ObjectDefinition& object)
{
    std::vector<std::string> keys;
    for (const dw::TableColumn& column : object.columns)
        if (column.key)
            keys.push_back(column.name);
    return keys;
}

const EditForm* form_of(const Object& window)
{
    for (const EditForm& form : edit_forms)
        if (lower_name(form.window) == lower_name(window.class_name()))
            return &form;
    return nullptr;
}

} // namespace

w_m_edit::w_m_edit()
{
    title = "编辑";
    width = 2000;
    height = 1200;
}

DataWindowControl* w_m_edit::form(ScriptCall& call) { return call.use(Ref<DataWindowControl>(dw_1), "dw_1"); }

void w_m_edit::close_window()
{
    if (Desktop* desktop = Desktop::current())
        desktop->close(ref());
}

void w_m_edit::refuse(DataWindowControl& dw, const std::string& text, const std::string& column)
{
    if (Desktop* desktop = Desktop::current())
        desktop->message_box(Value(std::string(title_box)), Value(text), Icon::Exclamation);
    if (!column.empty() && dw.row_count() >= 1) {
        dw.set_column(column);
        dw.set_focus();
    }
}

ScriptResult w_m_edit::open(ScriptCall& call)
{
    Desktop* desktop = Desktop::current();
    DataWindowControl* dw = form(call);
    AppGlobals* globals = app_globals(call, "sqlca");
    const Message* message = call.runtime().message_object();
    if (!desktop || !dw || !globals || !message)
        return no_return;
    m_form = form_of(*this);
    m_adding = message->string_parm == adding;
    m_page = globals->guo_tabpg_now;
    auto told = [&](const std::string& text) {
        desktop->message_box(Value(std::string(title_box)), Value(text), Icon::Exclamation);
        close_window();
        return no_return;
    };
    if (!m_form)
        return told("没有这个编辑窗口：" + class_name());
    title = message->string_parm + std::string(m_form->title);

    // The form's own copy of its object: the record is read by its key, bound as retrieval
    // arguments, and written back only while every column is still as it was read.
    auto loaded = desktop->object_library().load(m_form->dataobject);
    if (!loaded)
        return told("找不到数据窗口对象：" + std::string(m_form->dataobject));
    dw::ObjectDefinition object = std::move(*loaded);
    m_keys = key_columns(object);
    std::vector<std::string> conditions;
    for (const std::string& key : m_keys) {
        const dw::TableColumn& column = object.columns[static_cast<std::size_t>(object.column_index(key))];
        const bool text = column.type.kind == dw::ColumnKind::Char;
        object.arguments.push_back({"ak_" + key, text ? "string" : "number"});
        conditions.push_back(column.dbname + " = :ak_" + key);
    }
    object.select = tabs::rewrite_select(object.select, conditions);
    object.update_where = 1;
    // Columns that are not written back (totals the database keeps) are shown, not typed.
    std::vector<std::string> shown_only;
    for (const dw::TableColumn& column : object.columns)
        if (!column.update)
            shown_only.push_back(column.name);
    if (dw->set_dataobject(std::move(object)) != 1)
        return told("数据窗口对象有错：" + dw->load_error());
    dw->set_trans_object(globals->sqlca);

    // The window fits the form, with the buttons below it.
    std::int32_t right = 0;
    for (const std::string& name : columns_of(dw->describe("datawindow.objects"), '\t'))
        right = std::max(right, number(*dw, name + ".x") + number(*dw, name + ".width"));
    dw->x = 40;
    dw->y = 40;
    dw->width = right + 80;
    dw->height = number(*dw, "datawindow.detail.height") + 40;
    dw->taborder = 10;
    width = dw->width + 120;
    const std::int32_t buttons_y = dw->y + dw->height + 40;
    height = buttons_y + 112 + 160;
    if (auto* save = dynamic_cast<CommandButton*>(cb_save.get())) {
        save->text = "保存";
        save->x = width / 2 - 460;
        save->y = buttons_y;
        save->width = 400;
        save->height = 112;
        save->taborder = 20;
    }
    if (auto* cancel = dynamic_cast<CommandButton*>(cb_close.get())) {
        cancel->text = "关闭";
        cancel->x = width / 2 + 60;
        cancel->y = buttons_y;
        cancel->width = 400;
        cancel->height = 112;
        cancel->taborder = 30;
        cancel->cancel_button = true;
    }
    if (Application* application = Application::current())
        application->gf_dwcolorinit(*dw);

    // The master record's columns are not typed; nor is the key of a record that exists.
    for (const std::string& column : columns_of(m_form->from_master))
        shown_only.push_back(column);
    for (const std::string& column : shown_only)
        dw->modify(column + ".tabsequence=0");

    if (m_adding) {
        const auto* master = Ref<uo_tabpg_datawindow>(globals->guo_tabpg_master).get();
        DataWindowControl* master_dw = master ? master->dw_1.get() : nullptr;
        const long master_row = master_dw ? master_dw->get_row() : 0;
        const std::vector<std::string> copied = columns_of(m_form->from_master);
        if (!copied.empty() && master_row < 1)
            return told("请先选择这条" + std::string(m_form->title) + "所属的记录！");
        const long row = dw->insert_row(0);
        for (const std::string& column : copied)
            dw->set_item(row, column, item(*master_dw, master_row, column));
    } else {
        const auto* page = Ref<uo_tabpg_datawindow>(m_page).get();
        DataWindowControl* page_dw = page ? page->dw_1.get() : nullptr;
        const long page_row = page_dw ? page_dw->get_row() : 0;
        if (page_row < 1)
            return told("请先选择一条记录！");
        std::vector<dw::RetrievalArgument> arguments;
        for (const std::string& key : m_keys) {
            const Value value = item(*page_dw, page_row, key);
            if (value.is_null())
                return told("这条记录没有" + label(*dw, key) + "，不能修改！");
            arguments.emplace_back(value);
            dw->modify(key + ".tabsequence=0");
        }
        const long found = dw->retrieve(arguments);
        if (found < 0)
            return told("读取记录时出错：" + globals->sqlca.sql_err_text());
        if (found == 0)
            return told("这条记录已经不在了，可能已被别人删除。");
    }
    dw->set_row(1);
    call.runtime().post_event(ref(), "ue_postopen");
    return no_return;
}

ScriptResult w_m_edit::ue_postopen(ScriptCall& call)
{
    if (DataWindowControl* dw = form(call)) {
        // The field first in tab order.
        std::int32_t first = 0, column = 0;
        for (std::int32_t c = 1; c <= number(*dw, "datawindow.column.count"); ++c) {
            const std::int32_t sequence = number(*dw, "#" + std::to_string(c) + ".tabsequence");
            if (sequence > 0 && (first == 0 || sequence < first)) {
                first = sequence;
                column = c;
            }
        }
        if (column > 0)
            dw->set_column(column);
        dw->set_focus();
    }
    return no_return;
}

bool w_m_edit::check(DataWindowControl& dw)
{
    const std::string typed = dw.get_column_name();
    if (dw.accept_text() != 1) {
        refuse(dw, label(dw, typed) + "填写得不对，请改正！", typed);
        return false;
    }
    for (const std::string& column : columns_of(m_form->required))
        if (is_empty(item(dw, 1, column))) {
            refuse(dw, "请填写" + label(dw, column) + "！", column);
            return false;
        }

    std::optional<Date> id_birth;
    for (const std::string& column : columns_of(m_form->id_numbers)) {
        const Value value = item(dw, 1, column);
        if (is_empty(value))
            continue;
        const std::string number = fn::trim(value.as_string());
        const std::string name = label(dw, column);
        if (const auto fault = check_id_number(number)) {
            switch (*fault) {
            case IdNumberFault::Form: refuse(dw, name + "应为18位：前17位是数字，最后一位是数字或X！", column); break;
            case IdNumberFault::BirthDate: refuse(dw, name + "中的出生日期不对！", column); break;
            case IdNumberFault::CheckDigit: refuse(dw, name + "的校验位不对，请核对！", column); break;
            }
            return false;
        }
        if (number != value.as_string() || number.back() == 'x')
            dw.set_item(1, column, Value(fn::upper(Value(number)).as_string()));
        id_birth = birth_date_of(number);
    }

    const Date today = fn::today().as_date();
    for (const std::string& column : columns_of(m_form->past_dates)) {
        const Value value = item(dw, 1, column);
        if (value.is_null() || value.type() != Type::Date)
            continue;
        if (value.as_date() > today) {
            refuse(dw, label(dw, column) + "不能晚于今天！", column);
            return false;
        }
        if (value.as_date().year < 1900) {
            refuse(dw, label(dw, column) + "不能早于1900年！", column);
            return false;
        }
    }
    for (const std::string& column : columns_of(m_form->birth_date)) {
        const Value value = item(dw, 1, column);
        if (id_birth && !value.is_null() && value.type() == Type::Date && value.as_date() != *id_birth) {
            refuse(dw, label(dw, column) + "与身份证号中的出生日期不一致！", column);
            return false;
        }
    }
    return true;
}

bool w_m_edit::write(DataWindowControl& dw)
{
    AppGlobals& globals = Application::current()->globals();
    Transaction& sqlca = globals.sqlca;
    const std::string table = dw.describe("datawindow.table.updatetable");

    if (m_adding) {
        // A number the user left empty: the next after the table's highest.
        for (const std::string& column : columns_of(m_form->numbered)) {
            if (!item(dw, 1, column).is_null())
                continue;
            Value next;
            const std::string dbname = dw.describe(column + ".dbname");
            if (sqlca.select_into("SELECT coalesce(max(" + dbname + "), 0) + 1 INTO :next FROM " + table,
                                  {{"next", &next}})
                != 0) {
                sqlca.rollback();
                refuse(dw, "保存不成功！\n" + sqlca.sql_err_text());
                return false;
            }
            dw.set_item(1, column, next);
        }
        // A key already taken is told as such rather than as the database's refusal.
        std::string where;
        HostVars vars;
        for (std::size_t k = 0; k < m_keys.size(); ++k) {
            const std::string name = "k" + std::to_string(k + 1);
            where += (k == 0 ? " WHERE " : " AND ") + dw.describe(m_keys[k] + ".dbname") + " = :" + name;
            vars.emplace_back(name, item(dw, 1, m_keys[k]));
        }
        Value taken;
        vars.emplace_back("taken", &taken);
        if (!m_keys.empty() && sqlca.select_into("SELECT count(*) INTO :taken FROM " + table + where, vars) == 0
            && !taken.is_null() && fn::to_long(taken).as_integral() > 0) {
            sqlca.rollback();
            refuse(dw, label(dw, m_keys.front()) + "已经有了，请换一个！", m_keys.front());
            return false;
        }
    }

    // Flags are kept until the COMMIT has succeeded, so that a failed save can be tried again.
    if (dw.update(sqlca, dw::AcceptFirst::Yes, dw::ResetFlags::No) != 1) {
        const bool changed = sqlca.sql_err_text() == dw::row_changed_error;
        const std::string why = sqlca.sql_err_text();
        sqlca.rollback();
        refuse(dw,
               changed ? "这条记录在您打开之后已被别人修改或删除，没有保存。请关闭后重新打开再改。"
                       : "保存不成功！\n" + why);
        return false;
    }
    if (sqlca.commit() != 0) {
        const std::string why = sqlca.sql_err_text();
        sqlca.rollback();
        refuse(dw, "保存不成功：提交时出错，记录没有保存！\n" + why);
        return false;
    }
    std::string key_text;
    for (const std::string& key : m_keys)
        key_text += (key_text.empty() ? "" : ",") + fn::to_string(item(dw, 1, key)).as_string();
    Application::current()->gf_userlog(std::string(m_form->log_text), m_adding ? user_log_add : user_log_modify,
                                       key_text);
    return true;
}

void w_m_edit::refresh_page(ScriptCall& call, DataWindowControl& dw)
{
    auto* page = Ref<uo_tabpg_datawindow>(m_page).get();
    uo_dw* page_dw = page ? page->dw_1.get() : nullptr;
    if (!page_dw)
        return;
    const std::string expression = key_expression(dw, 1, m_keys);
    call.call(page_dw->ref(), "ue_retrieve");
    const long row = page_dw->find(expression, 1, page_dw->row_count());
    if (row >= 1) {
        page_dw->scroll_to_row(row);
        page_dw->set_row(row);
        if (page_dw->class_info().slot_named("rowfocuschanged"))
            call.call(page_dw->ref(), "rowfocuschanged", {Value(static_cast<std::int32_t>(row))});
    }
}

ScriptResult w_m_edit::cb_save_clicked(ScriptCall& call)
{
    DataWindowControl* dw = form(call);
    if (!dw || !m_form || dw->row_count() < 1)
        return no_return;
    if (!check(*dw) || !write(*dw))
        return no_return;
    refresh_page(call, *dw);
    close_window();
    return no_return;
}

ScriptResult w_m_edit::cb_close_clicked(ScriptCall&)
{
    close_window();
    return no_return;
}

namespace {

const ClassTable& _getVtableInfo_w_m_edit()
{
    static const ClassTable table {
        "w_m_edit",
        "w_response",
        make_object<w_m_edit>,
        {{"dw_1", "uo_dwform", store_in<&w_m_edit::dw_1>},
         {"cb_save", "commandbutton", store_in<&w_m_edit::cb_save>},
         {"cb_close", "commandbutton", store_in<&w_m_edit::cb_close>}},
        {{own_group,
          "",
          {{"ue_postopen", SlotKind::Event, Type::Long, 0}},
          {{0, "create", create_script},
           {1, "destroy", destroy_script},
           {38, "open", on_self<&w_m_edit::open>},
           {120, "ue_postopen", on_self<&w_m_edit::ue_postopen>}}},
         {own_group + 1, "cb_save", {}, {{36, "clicked", on_parent<&w_m_edit::cb_save_clicked>}}},
         {own_group + 2, "cb_close", {}, {{36, "clicked", on_parent<&w_m_edit::cb_close_clicked>}}}}};
    return table;
}

// One class for each editing window, descended from w_m_edit without scripts of its own.
template <std::size_t I> const ClassTable& edit_window_entry()
{
    static const ClassTable table {edit_forms[I].window, "w_m_edit", nullptr, {}, {}};
    return table;
}

template <std::size_t... I> constexpr auto edit_window_entries(std::index_sequence<I...>)
{
    return std::array<VtableInfoFn, sizeof...(I)> {&edit_window_entry<I>...};
}

} // namespace

Result<void> register_edit_windows(ClassRegistry& registry)
{
    if (auto registered = registry.register_class(&_getVtableInfo_w_m_edit); !registered)
        return registered;
    for (VtableInfoFn entry : edit_window_entries(std::make_index_sequence<edit_forms.size()>()))
        if (auto registered = registry.register_class(entry); !registered)
            return registered;
    return {};
}

} // namespace hearth
