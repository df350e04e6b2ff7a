// The script tables of the status bar classes: groups, slots and scripts in registration
// order, and the slots descendants inherit.

#include "statusbar_fixture.h"

using namespace hearth;
using namespace hearth::test;

namespace {

struct ExpectedGroup {
    int id;
    std::string nested;
    std::vector<std::pair<int, std::string>> scripts;
};

std::vector<ExpectedGroup> groups_of(const ClassInfo& cls)
{
    std::vector<ExpectedGroup> groups;
    for (const ClassInfo::Group& group : cls.groups()) {
        ExpectedGroup g {group.id, group.nested, {}};
        for (const ClassInfo::GroupScript& script : group.scripts)
            g.scripts.emplace_back(script.slot, script.name);
        groups.push_back(std::move(g));
    }
    return groups;
}

bool operator==(const ExpectedGroup& a, const ExpectedGroup& b)
{
    return a.id == b.id && a.nested == b.nested && a.scripts == b.scripts;
}

void PrintTo(const ExpectedGroup& g, std::ostream* os)
{
    *os << g.id << " '" << g.nested << "':";
    for (const auto& [slot, name] : g.scripts)
        *os << " " << slot << " " << name;
}

TEST(StatusbarRegistration, EveryClassRegistersExactlyItsGroupsAndScripts)
{
    ClassRegistry registry;
    ASSERT_EQ(register_statusbar_classes(registry), "");
    struct Case {
        const char* cls;
        const char* ancestor;
        std::vector<ExpectedGroup> groups;
    };
    const Case cases[] = {
        {"uo_statictext", "statictext", {{32770, "", {{0, "create"}, {1, "destroy"}, {35, "constructor"}}}}},
        {"uo_statusbar_unit",
         "userobject",
         {{32770, "", {{22, "resize"}, {0, "create"}, {1, "destroy"}, {34, "constructor"}}}}},
        {"uo_statusbar_panel",
         "userobject",
         {{32770, "", {{22, "resize"}, {49, "uf_settext"}, {0, "create"}, {1, "destroy"}, {34, "constructor"}}},
          {32786, "uo_1", {{1, "destroy"}}}}},
        {"uo_statusbar_main",
         "uo_statusbar_panel",
         {{32770, "", {{0, "create"}, {1, "destroy"}, {34, "constructor"}}},
          {32784, "uo_2", {{1, "destroy"}}},
          {32785, "uo_3", {{1, "destroy"}}},
          {32786, "uo_4", {{1, "destroy"}}},
          {32787, "uo_5", {{1, "destroy"}}}}},
    };
    for (const Case& c : cases) {
        const ClassInfo* cls = registry.find(c.cls);
        ASSERT_NE(cls, nullptr) << c.cls;
        ASSERT_NE(cls->ancestor(), nullptr) << c.cls;
        EXPECT_EQ(cls->ancestor()->name(), c.ancestor) << c.cls;
        EXPECT_EQ(groups_of(*cls), c.groups) << c.cls;
    }
}

TEST(StatusbarRegistration, SlotsKeepTheirNumbersInDescendants)
{
    ClassRegistry registry;
    ASSERT_EQ(register_statusbar_classes(registry), "");
    struct Case {
        const char* cls;
        const char* slot;
        int number;
        SlotKind kind;
    };
    const Case cases[] = {
        {"uo_statusbar_unit", "resize", 22, SlotKind::Function},
        {"uo_statusbar_panel", "resize", 22, SlotKind::Function},
        {"uo_statusbar_panel", "uf_settext", 49, SlotKind::Function},
        {"uo_statusbar_main", "uf_settext", 49, SlotKind::Function},
        {"uo_statusbar_main", "constructor", 34, SlotKind::Event},
        {"uo_statictext", "constructor", 35, SlotKind::Event},
    };
    for (const Case& c : cases) {
        const SlotInfo* slot = registry.find(c.cls)->slot_named(c.slot);
        ASSERT_NE(slot, nullptr) << c.cls << "." << c.slot;
        EXPECT_EQ(slot->slot, c.number) << c.cls << "." << c.slot;
        EXPECT_EQ(slot->kind, c.kind) << c.cls << "." << c.slot;
    }
    // The main bar runs the panel's layout: it registers no resize or uf_settext of its own.
    const ClassInfo* main = registry.find("uo_statusbar_main");
    EXPECT_EQ(main->script(22), nullptr);
    EXPECT_EQ(main->script(49), nullptr);
    EXPECT_NE(main->ancestor()->script(49), nullptr);
}

TEST(StatusbarRegistration, NestedControlsInDeclarationOrder)
{
    ClassRegistry registry;
    ASSERT_EQ(register_statusbar_classes(registry), "");
    struct Case {
        const char* cls;
        std::vector<std::pair<std::string, std::string>> controls; // name, class of the control
    };
    const Case cases[] = {
        {"uo_statusbar_unit",
         {{"st_1", "uo_statictext"}, {"ln_v2", "line"}, {"ln_v1", "line"}, {"ln_h2", "line"}, {"ln_h1", "line"}}},
        {"uo_statusbar_panel", {{"uo_1", "uo_statusbar_unit"}}},
        {"uo_statusbar_main",
         {{"uo_2", "uo_statusbar_unit"},
          {"uo_3", "uo_statusbar_unit"},
          {"uo_4", "uo_statusbar_unit"},
          {"uo_5", "uo_statusbar_unit"}}},
    };
    for (const Case& c : cases) {
        std::vector<std::pair<std::string, std::string>> found;
        for (const ClassInfo::Control& control : registry.find(c.cls)->controls())
            found.emplace_back(control.name, control.cls->ancestor()->name());
        EXPECT_EQ(found, c.controls) << c.cls;
    }
}

TEST(StatusbarRegistration, ACellNeedsItsTextClassRegisteredFirst)
{
    ClassRegistry registry;
    ASSERT_EQ(error_text(register_ui_classes(registry)), "");
    EXPECT_EQ(error_text(registry.register_class(&_getVtableInfo_uo_statusbar_unit)),
              "class uo_statusbar_unit: control st_1 has unknown class 'uo_statictext'");
    EXPECT_EQ(error_text(registry.register_class(&_getVtableInfo_uo_statusbar_main)),
              "class uo_statusbar_main: ancestor 'uo_statusbar_panel' is not registered");
    EXPECT_EQ(registry.find("uo_statusbar_unit"), nullptr);
}

} // namespace
