#include "fixture.h"

#include <tuple>

using namespace hearth;
using namespace hearth::test;

namespace {

using RegistryTest = ObjectModelTest;

const ClassTable& bad_event_id()
{
    static const ClassTable t {
        "t_bad", "datawindow", nullptr, {}, {{own_group, "", {{"ue_x", SlotKind::Event, {}, 2, "pbm_nothing"}}, {}}}};
    return t;
}
const ClassTable& bad_mapped_function()
{
    static const ClassTable t {
        "t_bad", "datawindow", nullptr, {}, {{own_group, "", {{"uf_x", SlotKind::Function, {}, 2, "pbm_dwnkey"}}, {}}}};
    return t;
}
const ClassTable& bad_mapped_arguments()
{
    static const ClassTable t {
        "t_bad", "datawindow", nullptr, {}, {{own_group, "", {{"ue_x", SlotKind::Event, {}, 4, "pbm_dwnkey"}}, {}}}};
    return t;
}
const ClassTable& bad_mapped_twice()
{
    static const ClassTable t {
        "t_bad",
        "t_dw",
        nullptr,
        {},
        {{own_group,
          "",
          {{"ue_key", SlotKind::Event, {}, 2, "pbm_dwnkey"}, {"ue_key2", SlotKind::Event, {}, 2, "PBM_DWNKEY"}},
          {}}}};
    return t;
}

TEST_F(RegistryTest, SystemClassesCarryTheirSlotsAndKinds)
{
    struct Case {
        const char* cls;
        int slot;
        const char* name;
        SlotKind kind;
    };
    const Case cases[] = {
        {"datawindow", 0, "create", SlotKind::Event},         {"datawindow", 1, "destroy", SlotKind::Event},
        {"datawindow", 36, "clicked", SlotKind::Event},       {"datawindow", 37, "constructor", SlotKind::Event},
        {"datawindow", 40, "doubleclicked", SlotKind::Event}, {"datawindow", 47, "itemchanged", SlotKind::Event},
        {"datawindow", 50, "losefocus", SlotKind::Event},     {"datawindow", 55, "rbuttondown", SlotKind::Event},
        {"datawindow", 57, "retrieveend", SlotKind::Event},   {"datawindow", 60, "rowfocuschanged", SlotKind::Event},
        {"userobject", 22, "resize", SlotKind::Function},     {"userobject", 34, "constructor", SlotKind::Event},
        {"picture", 35, "constructor", SlotKind::Event},      {"statictext", 35, "constructor", SlotKind::Event},
        {"tab", 34, "constructor", SlotKind::Event},          {"tab", 36, "clicked", SlotKind::Event},
        {"tab", 47, "selectionchanged", SlotKind::Event},     {"window", 38, "open", SlotKind::Event},
        {"nonvisualobject", 1, "destroy", SlotKind::Event},   {"line", 0, "create", SlotKind::Event},
    };
    for (const Case& c : cases) {
        const ClassInfo* cls = registry.find(c.cls);
        ASSERT_NE(cls, nullptr) << c.cls;
        EXPECT_TRUE(cls->is_system());
        const SlotInfo* slot = cls->slot(c.slot);
        ASSERT_NE(slot, nullptr) << c.cls << " " << c.slot;
        EXPECT_EQ(slot->name, c.name);
        EXPECT_EQ(slot->kind, c.kind) << c.cls << " " << c.name;
        EXPECT_EQ(cls->slot_named(c.name), slot);
    }
    EXPECT_EQ(registry.find("userobject")->slot(22)->returns, Type::Integer);
    EXPECT_EQ(registry.find("datawindow")->slot(0)->returns, std::nullopt);
    EXPECT_EQ(registry.find("datawindow")->slot(36)->returns, Type::Long);
    // The arguments the host passes with the system events the library scripts.
    for (auto [cls, name, args] : {std::tuple {"datawindow", "clicked", 4},
                                   {"datawindow", "itemchanged", 3},
                                   {"datawindow", "rowfocuschanged", 1},
                                   {"datawindow", "losefocus", 0},
                                   {"userobject", "resize", 2},
                                   {"tab", "selectionchanged", 2}})
        EXPECT_EQ(registry.find(cls)->slot_named(name)->args, std::size_t(args)) << cls << " " << name;
}

TEST_F(RegistryTest, UserSlotsFollowTheSystemClassAncestorsFirst)
{
    struct Case {
        const char* cls;
        const char* name;
        int slot;
    };
    const Case cases[] = {
        {"t_dw", "ue_first", 436},
        {"t_dw", "uf_base", 437},
        {"t_dwsort", "uf_base", 437}, // inherited slots keep their number
        {"t_page", "ue_saveas", 49},
        {"t_page", "wf_setsort", 50},
        {"t_grid", "wf_settabstatus", 51},
        {"t_page`dw_1", "ue_retrieve", 438},
        {"t_page`dw_1", "ue_rowcountchanged", 439},
        {"t_grid`dw_1", "ue_firstretrieve", 440},
        {"t_grid`dw_1", "ue_retrieve", 438},
        {"t_button", "ue_lbuttondown", 48},
        {"t_button", "ue_keydown", 50},
        {"t_button", "uf_setenabled", 51},
        {"t_nvo", "uf_call_null", 21},
        {"t_nvo_child", "uf_index", 31},
    };
    for (const Case& c : cases) {
        const ClassInfo* cls = registry.find(c.cls);
        ASSERT_NE(cls, nullptr) << c.cls;
        const SlotInfo* slot = cls->slot_named(c.name);
        ASSERT_NE(slot, nullptr) << c.cls << " " << c.name;
        EXPECT_EQ(slot->slot, c.slot) << c.cls << " " << c.name;
    }
    // A declared event without a script holds its slot, and no class registers a script for it.
    EXPECT_EQ(registry.find("t_button")->script(50), nullptr);
    EXPECT_NE(registry.find("t_button")->script(51), nullptr);
}

TEST_F(RegistryTest, NamesAreFoundCaseInsensitively)
{
    EXPECT_EQ(registry.find("T_DWSORT"), registry.find("t_dwsort"));
    EXPECT_EQ(registry.find("DataWindow"), registry.find("datawindow"));
    EXPECT_EQ(registry.find("no_such_class"), nullptr);
    EXPECT_EQ(registry.find("t_dw")->slot_named("UE_First")->slot, 436);
}

TEST_F(RegistryTest, NestedControlsWithScriptsHaveTheirOwnClasses)
{
    const ClassInfo* page = registry.find("t_page");
    const ClassInfo* grid = registry.find("t_grid");
    const ClassInfo* page_dw = registry.find("t_page`dw_1");
    const ClassInfo* grid_dw = registry.find("t_grid`dw_1");
    ASSERT_TRUE(page && grid && page_dw && grid_dw);
    EXPECT_EQ(page_dw->origin(), ClassOrigin::Nested);
    EXPECT_EQ(page_dw->name(), "dw_1");
    EXPECT_EQ(page_dw->ancestor(), registry.find("t_dw"));
    EXPECT_EQ(page_dw->owner(), page);
    // The descendant page's class for dw_1 derives from the ancestor page's.
    EXPECT_EQ(grid_dw->ancestor(), page_dw);
    EXPECT_EQ(grid_dw->owner(), grid);
    EXPECT_EQ(page->nested_class("dw_1"), page_dw);
    EXPECT_EQ(grid->nested_class("DW_1"), grid_dw);
    // The grid creates no control of its own: dw_1 comes from the ancestor's create.
    EXPECT_TRUE(grid->controls().empty());
    ASSERT_EQ(page->controls().size(), 1u);
    EXPECT_EQ(page->controls()[0].cls, page_dw);
    // Plain controls get a class without scripts, derived from the system class.
    const ClassInfo* line = registry.find("t_unit`ln_v1");
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->ancestor(), registry.find("line"));
}

TEST_F(RegistryTest, GroupsKeepTheirScriptsInRegistrationOrder)
{
    const ClassInfo* page = registry.find("t_page");
    ASSERT_EQ(page->groups().size(), 2u);
    EXPECT_EQ(page->groups()[0].id, 32770);
    EXPECT_EQ(page->groups()[1].id, 32786);
    EXPECT_EQ(page->groups()[1].nested, "dw_1");
    std::vector<int> slots;
    for (const auto& script : page->groups()[1].scripts)
        slots.push_back(script.slot);
    EXPECT_EQ(slots, (std::vector<int> {438, 439, 37, 36}));
    // A nested definition without scripts is a group of its own, empty.
    const ClassInfo* nvo = registry.find("t_nvo");
    ASSERT_EQ(nvo->groups().size(), 2u);
    EXPECT_EQ(nvo->groups()[1].id, 32781);
    EXPECT_TRUE(nvo->groups()[1].scripts.empty());
}

// ---- Faulty tables are refused with a reason and change nothing ----

ScriptResult noop(ScriptCall&) { return no_return; }

const ClassTable& bad_ancestor()
{
    static const ClassTable t {"t_bad", "t_missing", nullptr, {}, {}};
    return t;
}
const ClassTable& bad_slot_name()
{
    static const ClassTable t {
        "t_bad", "datawindow", nullptr, {}, {{own_group, "", {}, {{36, "doubleclicked", noop}}}}};
    return t;
}
const ClassTable& bad_undeclared_slot()
{
    static const ClassTable t {"t_bad", "datawindow", nullptr, {}, {{own_group, "", {}, {{436, "ue_x", noop}}}}};
    return t;
}
const ClassTable& bad_user_slot_on_statictext()
{
    static const ClassTable t {
        "t_bad", "statictext", nullptr, {}, {{own_group, "", {{"ue_x", SlotKind::Event, {}}}, {}}}};
    return t;
}
const ClassTable& bad_twice_declared()
{
    static const ClassTable t {
        "t_bad", "t_dw", nullptr, {}, {{own_group, "", {{"ue_first", SlotKind::Event, {}}}, {}}}};
    return t;
}
const ClassTable& bad_duplicate_script()
{
    static const ClassTable t {
        "t_bad", "datawindow", nullptr, {}, {{own_group, "", {}, {{0, "create", noop}, {0, "create", noop}}}}};
    return t;
}
const ClassTable& bad_control_class()
{
    static const ClassTable t {"t_bad", "userobject", nullptr, {{"dw_1", "t_nothing"}}, {}};
    return t;
}
const ClassTable& bad_group_target()
{
    static const ClassTable t {"t_bad", "userobject", nullptr, {}, {{32786, "dw_9", {}, {{0, "create", noop}}}}};
    return t;
}
const ClassTable& bad_duplicate_group()
{
    static const ClassTable t {"t_bad", "userobject", nullptr, {}, {{own_group, "", {}, {}}, {own_group, "", {}, {}}}};
    return t;
}
const ClassTable& bad_already_registered()
{
    static const ClassTable t {"T_DW", "datawindow", nullptr, {}, {}};
    return t;
}
const ClassTable& bad_missing_body()
{
    static const ClassTable t {"t_bad", "datawindow", nullptr, {}, {{own_group, "", {}, {{0, "create", nullptr}}}}};
    return t;
}

TEST_F(RegistryTest, FaultyTablesAreRefusedWithTheirReason)
{
    struct Case {
        VtableInfoFn entry;
        const char* reason;
    };
    const Case cases[] = {
        {bad_ancestor, "class t_bad: ancestor 't_missing' is not registered"},
        {bad_slot_name, "class t_bad: group 32770 slot 36 is clicked, not doubleclicked"},
        {bad_undeclared_slot, "class t_bad: group 32770 slot 436 is undeclared, not ue_x"},
        {bad_user_slot_on_statictext, "class t_bad: t_bad cannot declare ue_x; its system class takes no user slots"},
        {bad_twice_declared, "class t_bad: t_bad declares ue_first twice"},
        {bad_duplicate_script, "class t_bad: script create is registered twice"},
        {bad_control_class, "class t_bad: control dw_1 has unknown class 't_nothing'"},
        {bad_group_target, "class t_bad: group 32786 names dw_9, which is no control of the class"},
        {bad_duplicate_group, "class t_bad: group 32770 is registered twice"},
        {bad_already_registered, "class t_dw is already registered"},
        {bad_missing_body, "class t_bad: script create has no body"},
        {bad_event_id, "class t_bad: t_bad maps ue_x to pbm_nothing, which is no host event id"},
        {bad_mapped_function, "class t_bad: function uf_x of t_bad cannot be mapped to pbm_dwnkey"},
        {bad_mapped_arguments, "class t_bad: t_bad declares ue_x with 4 arguments; pbm_dwnkey passes 2"},
        {bad_mapped_twice, "class t_bad: t_bad maps both ue_key and ue_key2 to pbm_dwnkey"},
    };
    const std::size_t registered = registry.library_classes().size();
    for (const Case& c : cases) {
        EXPECT_EQ(error_text(registry.register_class(c.entry)), c.reason);
        EXPECT_EQ(registry.find("t_bad"), nullptr) << c.reason;
        EXPECT_EQ(registry.library_classes().size(), registered);
    }
}

} // namespace
