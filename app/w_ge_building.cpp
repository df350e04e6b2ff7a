#include "app/w_ge_building.h"

#include "app/sheet_pages.h"
#include "host/object/runtime.h"

namespace hearth {

namespace {

// The building sheet's pages are 201 to 207. Houses and honours belong to the building by its
// number; owners and tenants belong to a house, and through the house to its building.
constexpr SheetPage pages[] = {
    {"uo_tabpg_grid", "d_ge_building", "楼院信息", "201", "GE_Building", "", "", 0},
    {"uo_tabpg_datawindow", "d_ge_houseinfo", "房屋信息", "202", "GE_HouseInfo", "buildingno", "buildingno", 0},
    {"uo_tabpg_datawindow", "d_ge_buildingprize", "楼院荣誉", "203", "GE_BuildingPrize", "buildingno", "buildingno", 0},
    {"uo_tabpg_datawindow", "d_ge_ownhouse", "房屋产权", "204", "GE_OwnHouse", "tc_ge_houseinfo.buildingno", "", 0},
    {"uo_tabpg_datawindow", "d_ge_renthousereg", "出租登记", "205", "GE_RentHouseReg", "tc_ge_houseinfo.buildingno", "",
     0},
    {"uo_tabpg_datawindow", "d_ge_rentregistry", "租住登记", "206", "GE_RentRegistry", "tc_ge_houseinfo.buildingno", "",
     0},
    {"uo_tabpg_form", "d_ge_building_f", "楼院卡片", "207", "GE_Building", "buildingno", "", 1},
};

} // namespace

w_ge_building::w_ge_building()
{
    title = "楼院管理";
    windowtype = WindowType::Child;
    width = 3621;
    height = 2100;
    resizable = true;
    maxbox = true;
}

ScriptResult w_ge_building::open(ScriptCall& call)
{
    open_sheet_pages(call, *this, tab_1, pages);
    return no_return;
}

const ClassTable& _getVtableInfo_w_ge_building()
{
    static const ClassTable table {"w_ge_building",
                                   "window",
                                   make_object<w_ge_building>,
                                   {{"tab_1", "uo_tab", store_in<&w_ge_building::tab_1>}},
                                   {{own_group,
                                     "",
                                     {},
                                     {{0, "create", create_script},
                                      {1, "destroy", destroy_script},
                                      {38, "open", on_self<&w_ge_building::open>}}}}};
    return table;
}

} // namespace hearth
