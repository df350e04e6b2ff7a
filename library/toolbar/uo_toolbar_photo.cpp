// uf_delphoto: the stored photos of a record about to be deleted. The photo tables live on
// photosqlca, one per kind of record, keyed by the record's number; a household's photos are
// those of its honours and its persons, a building's those of its prizes, an election's are
// found through its term.

#include "library/toolbar/delete_support.h"
#include "library/toolbar/uo_toolbar.h"

#include "host/sql/cursor.h"
#include "host/value/convert.h"
#include "host/value/functions.h"

#include <string>
#include <string_view>

namespace hearth {

namespace {

// One photo table: its key column and the text that introduces a failed delete.
struct PhotoTable {
    std::string_view table;
    std::string_view key;
    std::string_view error;
    // Deleted with the short form DELETE T WHERE ..., which the dialect completes.
    bool short_delete = false;
};

constexpr PhotoTable person_photos {"TS_PersonPhoto", "PersonNo", "删除个人照片出错！错误信息为："};
constexpr PhotoTable family_honor_photos {"TS_FamilyHonorPhoto", "HonorNo", "删除家庭荣誉照片出错！错误信息为："};

// How the key read from the row leads to the photos' record numbers.
enum class Via : std::uint8_t {
    None,   // an unused step
    Row,    // the key is the record number
    Cursor, // a cursor on sqlca fetches the record numbers
    Lookup, // a single-row SELECT on sqlca gives the record number; null or below 1: none
};

struct Step {
    Via via = Via::None;
    PhotoTable photos {};
    std::string_view select = {}; // Cursor and Lookup: with the key as :as_key
    Type number = Type::Long;     // type of the record numbers fetched
};

// How the key is read from the row.
enum class Read : std::uint8_t { String, Number, Decimal };

struct PhotoList {
    std::string_view dataobject; // lower case
    std::string_view column;
    Read read;
    Step steps[2];
};

constexpr Step row(PhotoTable photos) { return {Via::Row, photos}; }

const PhotoList photo_lists[] = {
    {"d_ge_rpr",
     "rprno",
     Read::String,
     {{Via::Cursor, family_honor_photos, "SELECT HonorNo FROM TC_GE_FamilyHonor WHERE RprNo = :as_key"},
      {Via::Cursor, person_photos, "SELECT PersonNo FROM TC_GE_PersonInfo WHERE RprNo = :as_key", Type::String}}},
    {"d_ge_personinfo", "personno", Read::String, {row(person_photos)}},
    {"d_ge_personinfo1", "personno", Read::String, {row(person_photos)}},
    {"d_ge_bigaffair",
     "orderno",
     Read::Number,
     {row({"TS_BigAffairPhoto", "OrderNo", "删除大事记照片出错！错误信息为："})}},
    {"d_ge_commprize",
     "orderno",
     Read::Number,
     {row({"TS_CommPrizePhoto", "OrderNo", "删除社区荣誉照片出错！错误信息为："})}},
    {"d_ge_building",
     "BuildingNo",
     Read::Number,
     {{Via::Cursor,
       {"TS_BuildingPrizePhoto", "OrderNo", "删除楼院荣誉照片出错！错误信息为："},
       "SELECT OrderNo FROM TC_GE_BuildingPrize WHERE BuildingNo = :as_key",
       Type::Decimal}}},
    {"d_ge_buildingprize",
     "OrderNo",
     Read::Decimal,
     {row({"TS_BuildingPrizePhoto", "OrderNo", "删除社区楼院荣誉照片出错！错误信息为："})}},
    {"d_ge_familyhonor", "HonorNo", Read::Number, {row(family_honor_photos)}},
    {"d_ds_contributeactivity",
     "ContrNo",
     Read::Number,
     {row({"TS_DonatePhoto", "ContrNo", "删除捐赠活动照片出错！错误信息为："})}},
    {"d_og_civilianorgrecord",
     "OrderNo",
     Read::Decimal,
     {row({"TS_CivilianOrgRecordPhoto", "OrderNo", "删除民间组织活动照片出错！错误信息为："})}},
    {"d_ds_citizenmeetrecord",
     "MeetNo",
     Read::Number,
     {row({"TS_CitizenMeetPhoto", "MeetNo", "删除社区居民会议照片出错！错误信息为："})}},
    {"d_ds_witness",
     "MeetNo",
     Read::Decimal,
     {row({"TS_WitnessPhoto", "MeetNo", "删除社区公共事务听证图片出错！错误信息为："})}},
    {"d_sv_civicschoolrecord",
     "OrderNo",
     Read::Number,
     {row({"TS_CitizenSchoolPhoto", "OrderNo", "删除市民学校教学记录照片出错！错误信息为："})}},
    {"d_sv_redcross",
     "OrderNo",
     Read::Number,
     {row({"TS_RedCrossPhoto", "OrderNo", "删除红十字会活动照片出错！错误信息为："})}},
    {"d_sv_hchelprecord",
     "OrderNo",
     Read::Number,
     {row({"TS_HelpDeformityPhoto", "OrderNo", "删除助残服务记录照片出错！错误信息为：", true})}},
    {"d_og_commactivityrecord",
     "OrderNo",
     Read::Number,
     {row({"TS_CommActivePhoto", "OrderNo", "删除社区活动记录照片出错！错误信息为：", true})}},
    {"d_ds_votecommittee",
     "FallDue",
     Read::String,
     {{Via::Lookup,
       {"TS_ElectionPhoto", "OrderNo", "删除选举情况照片出错！错误信息为：", true},
       "SELECT OrderNo INTO :ll_orderno FROM TC_DS_VoteRecord WHERE FallDue = :as_key"}}},
};

Value read_key(DataWindowBase& dw, long row, const PhotoList& list)
{
    switch (list.read) {
    case Read::String: return dw.get_item_string(row, list.column);
    case Read::Number: return convert(dw.get_item_number(row, list.column), Type::Long);
    case Read::Decimal: return dw.get_item_decimal(row, list.column);
    }
    return Value();
}

// Deletes the photos of record `number`, uncommitted. The failure box's text when the delete
// fails; a count that fails or finds nothing deletes nothing.
std::optional<std::string> remove_photos(Transaction& photosqlca, const PhotoTable& photos, const Value& number)
{
    const std::string table(photos.table);
    const std::string where = " WHERE " + std::string(photos.key) + " = :al_number";
    Value ll_count = Value::null_of(Type::Long);
    photosqlca.select_into("SELECT count(*) INTO :ll_count FROM " + table + where,
                           {HostVar("ll_count", &ll_count), HostVar("al_number", number)});
    if (photosqlca.sql_code() != 0 || ll_count.is_null() || ll_count.as_integral() < 1)
        return std::nullopt;
    photosqlca.execute((photos.short_delete ? "DELETE " : "DELETE FROM ") + table + where,
                       {HostVar("al_number", number)});
    if (photosqlca.sql_code() == 0)
        return std::nullopt;
    return std::string(photos.error) + photosqlca.sql_err_text();
}

// One step of a list: its photos removed. The failure box's text, shown by the caller once
// the cursor is closed.
std::optional<std::string> run_step(AppGlobals& globals, const Step& step, const Value& key)
{
    switch (step.via) {
    case Via::None: return std::nullopt;
    case Via::Row: return remove_photos(globals.photosqlca, step.photos, key);
    case Via::Lookup: {
        Value ll_orderno = Value::null_of(Type::Long);
        globals.sqlca.select_into(step.select, {HostVar("ll_orderno", &ll_orderno), HostVar("as_key", key)});
        if (ll_orderno.is_null() || ll_orderno.as_integral() < 1)
            return std::nullopt;
        return remove_photos(globals.photosqlca, step.photos, ll_orderno);
    }
    case Via::Cursor: {
        Cursor cursor = globals.sqlca.declare_cursor(std::string(step.select));
        cursor.open({HostVar("as_key", key)});
        Value number = Value::null_of(step.number);
        std::optional<std::string> failure;
        while (!failure && cursor.fetch_into({&number}) == 0)
            failure = remove_photos(globals.photosqlca, step.photos, number);
        cursor.close();
        return failure;
    }
    }
    return std::nullopt;
}

} // namespace

ScriptResult uo_toolbar::uf_delphoto(ScriptCall& call)
{
    const std::string as_dataobject = fn::lower(call.arg_as<std::string>(0).value_or(""));
    const long al_row = call.arg_as<std::int32_t>(1).value_or(0);
    const PhotoList* list = nullptr;
    for (const PhotoList& candidate : photo_lists)
        if (candidate.dataobject == as_dataobject)
            list = &candidate;
    if (!list)
        return Value::integer(0);
    std::optional<delete_support::CurrentList> now
        = delete_support::current_list(call, &AppGlobals::guo_tabpg_now, "guo_tabpg_now");
    if (!now)
        return Value::integer(0);
    const Value key = read_key(*now->dw, al_row, *list);
    for (const Step& step : list->steps) {
        if (std::optional<std::string> failure = run_step(*now->globals, step, key)) {
            delete_support::show_box("警告信息", *failure, Icon::Information, Buttons::Ok, 1);
            return Value::integer(1);
        }
    }
    return Value::integer(0);
}

} // namespace hearth
