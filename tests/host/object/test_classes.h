#pragma once
// Test classes shaped like the library's: a DataWindow ancestor two levels up (t_dw ->
// t_dwnosort -> t_dwsort), a page with a nested DataWindow carrying its own scripts and a
// descendant page overriding them in a group of its own (t_page, t_grid), a picture with a
// declared event without a script (t_button), status cells nesting plain controls (t_unit,
// t_panel, t_main), and a non-visual object for error paths (t_nvo, t_nvo_child).

#include "host/object/class_registry.h"
#include "host/object/runtime.h"

#include <string>
#include <vector>

namespace hearth::test {

// The order in which scripts ran: "<class key>.<script>" per script.
std::vector<std::string>& trace();

// Stands in for the host's DataWindow control type.
class DataWindowStandIn : public Object {
public:
    std::int32_t ii_clicks = 0;
};

class t_dw : public DataWindowStandIn {
public:
    std::string is_seen;
};
class t_dwnosort : public t_dw {};
class t_dwsort : public t_dwnosort {};

class t_unit : public Object {
public:
    ObjectRef st_1;
    ObjectRef ln_v1;
    ObjectRef ln_h1;
};

class t_page : public Object {
public:
    Ref<t_dw> dw_1;
    std::string is_sql = "select 1";
    std::int32_t ii_rowcount = 0;

    ScriptResult dw_1_ue_retrieve(ScriptCall& call);
};
class t_grid : public t_page {};

class t_button : public Object {
public:
    bool ib_enabled = true;
};

class t_panel : public Object {
public:
    Ref<t_unit> uo_1;
};
class t_main : public t_panel {
public:
    Ref<t_unit> uo_2;
    Ref<t_unit> uo_3;
};

class t_nvo : public Object {
public:
    ObjectRef target;          // used for calls; tests leave it null or point it at a destroyed object
    std::int32_t ii_after = 0; // set by statements that follow a failing one
};
class t_nvo_child : public t_nvo {};

// Registration entries of the test classes, in dependency order.
const ClassTable& _getVtableInfo_t_dw();
const ClassTable& _getVtableInfo_t_dwnosort();
const ClassTable& _getVtableInfo_t_dwsort();
const ClassTable& _getVtableInfo_t_page();
const ClassTable& _getVtableInfo_t_grid();
const ClassTable& _getVtableInfo_t_button();
const ClassTable& _getVtableInfo_t_unit();
const ClassTable& _getVtableInfo_t_panel();
const ClassTable& _getVtableInfo_t_main();
const ClassTable& _getVtableInfo_t_nvo();
const ClassTable& _getVtableInfo_t_nvo_child();

// Registers every test class; "" on success.
std::string register_test_classes(ClassRegistry& registry);

} // namespace hearth::test
