#include "host/object/class_registry.h"

#include "host/value/ascii.h"

#include <fmt/format.h>

#include <algorithm>

namespace hearth {

std::string lower_name(std::string_view name) { return ascii::to_lower(name); }

namespace {

// The host's system classes with the slots the library uses, in the host's fixed numbering.
// create (0) and destroy (1) exist for every class; `first_user` is where user events and
// functions start (none: the class takes no user events).
struct SystemSlot {
    int slot;
    std::string_view name;
    SlotKind kind;
    std::optional<Type> returns;
    std::size_t args = 0;
};
struct SystemClass {
    std::string_view name;
    std::optional<int> first_user;
    std::vector<SystemSlot> slots;
};

constexpr auto event = SlotKind::Event;
constexpr auto function = SlotKind::Function;
constexpr std::optional<Type> none;
constexpr std::optional<Type> long_result = Type::Long;

const std::vector<SystemClass>& system_classes()
{
    // Arguments: clicked, doubleclicked, rbuttondown (xpos, ypos, row, dwo); itemchanged (row,
    // dwo, data); retrieveend (rowcount); rowfocuschanged (currentrow); a user object's resize
    // function (width, height) and a window's resize event (sizetype, newwidth, newheight); a
    // tab's clicked (index) and selectionchanged (oldindex, newindex).
    static const std::vector<SystemClass> classes = {
        {"datawindow",
         436,
         {{0, "create", event, none},
          {1, "destroy", event, none},
          {36, "clicked", event, long_result, 4},
          {37, "constructor", event, long_result},
          {40, "doubleclicked", event, long_result, 4},
          {47, "itemchanged", event, long_result, 3},
          {50, "losefocus", event, long_result},
          {55, "rbuttondown", event, long_result, 4},
          {57, "retrieveend", event, long_result, 1},
          {60, "rowfocuschanged", event, long_result, 1}}},
        {"userobject",
         49,
         {{0, "create", event, none},
          {1, "destroy", event, none},
          {22, "resize", function, Type::Integer, 2},
          {34, "constructor", event, long_result}}},
        {"picture",
         48,
         {{0, "create", event, none}, {1, "destroy", event, none}, {35, "constructor", event, long_result}}},
        {"statictext",
         std::nullopt,
         {{0, "create", event, none}, {1, "destroy", event, none}, {35, "constructor", event, long_result}}},
        {"commandbutton",
         std::nullopt,
         {{0, "create", event, none},
          {1, "destroy", event, none},
          {35, "constructor", event, long_result},
          {36, "clicked", event, long_result}}},
        {"tab",
         std::nullopt,
         {{0, "create", event, none},
          {1, "destroy", event, none},
          {34, "constructor", event, long_result},
          {36, "clicked", event, long_result, 1},
          {47, "selectionchanged", event, long_result, 2}}},
        {"window",
         119,
         {{0, "create", event, none},
          {1, "destroy", event, none},
          {38, "open", event, long_result},
          {46, "resize", event, long_result, 3}}},
        {"nonvisualobject", 21, {{0, "create", event, none}, {1, "destroy", event, none}}},
        // Plain controls that library classes nest without scripts of their own.
        {"line", std::nullopt, {{0, "create", event, none}, {1, "destroy", event, none}}},
        // A DataWindow without a control, and the object of a DataWindow an event names.
        {"datastore", std::nullopt, {{0, "create", event, none}, {1, "destroy", event, none}}},
        {"dwobject", std::nullopt, {{0, "create", event, none}, {1, "destroy", event, none}}},
        // The global message object's class.
        {"message", std::nullopt, {{0, "create", event, none}, {1, "destroy", event, none}}},
    };
    return classes;
}

// The host messages a user event can be mapped to, by event id, with the arguments the host
// passes: a DataWindow's key-down (key, keyflags), left-button-up and mouse-move over its
// objects (xpos, ypos, row, dwo); a control's own mouse-move and left button down and up
// (flags, xpos, ypos) and key-down (key, keyflags); a window's move (xpos, ypos); Enter
// pressed in a DataWindow (no arguments).
struct EventId {
    std::string_view id;
    std::size_t args;
};
constexpr EventId event_ids[] = {
    {"pbm_dwnkey", 2},    {"pbm_dwnlbuttonup", 4}, {"pbm_dwnmousemove", 4},
    {"pbm_mousemove", 3}, {"pbm_lbuttondown", 3},  {"pbm_lbuttonup", 3},
    {"pbm_keydown", 2},   {"pbm_move", 2},         {"pbm_dwnprocessenter", 0},
};

} // namespace

std::optional<std::size_t> event_id_arguments(std::string_view event_id)
{
    const std::string lower = lower_name(event_id);
    for (const EventId& known : event_ids)
        if (known.id == lower)
            return known.args;
    return std::nullopt;
}

const SlotInfo* ClassInfo::slot(int number) const
{
    auto it = m_slots.find(number);
    return it == m_slots.end() ? nullptr : &it->second;
}

const SlotInfo* ClassInfo::slot_named(std::string_view name) const
{
    // Names are nearly always written in lower case already; only others are lowered (on the
    // stack when short), so the usual call allocates nothing.
    std::string_view key = name;
    char buffer[64];
    std::string lowered;
    if (std::any_of(name.begin(), name.end(), [](char c) { return c >= 'A' && c <= 'Z'; })) {
        if (name.size() <= sizeof buffer) {
            std::transform(name.begin(), name.end(), buffer,
                           [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
            key = std::string_view(buffer, name.size());
        } else {
            lowered = lower_name(name);
            key = lowered;
        }
    }
    auto it = m_slot_numbers.find(key);
    if (it == m_slot_numbers.end())
        return nullptr;
    const SlotInfo* found = slot(it->second);
    return found && found->name == key ? found : nullptr;
}

void ClassInfo::add_slot(SlotInfo info)
{
    // A name given twice answers with its lowest slot, as a scan in slot order would.
    const int number = info.slot;
    auto [it, added] = m_slot_numbers.emplace(info.name, number);
    if (!added && number < it->second)
        it->second = number;
    m_slots[number] = std::move(info);
}

const SlotInfo* ClassInfo::slot_mapped_to(std::string_view event_id) const
{
    const std::string lower = lower_name(event_id);
    for (const auto& [number, info] : m_slots)
        if (!info.event_id.empty() && info.event_id == lower)
            return &info;
    return nullptr;
}

ScriptFn ClassInfo::script(int slot) const
{
    auto it = m_scripts.find(slot);
    return it == m_scripts.end() ? nullptr : it->second;
}

const ClassInfo* ClassInfo::nested_class(std::string_view control) const
{
    auto it = m_nested_classes.find(lower_name(control));
    return it == m_nested_classes.end() ? nullptr : it->second;
}

std::shared_ptr<Object> ClassInfo::make() const
{
    for (const ClassInfo* cls = this; cls; cls = cls->m_ancestor)
        if (cls->m_make)
            return cls->m_make();
    return std::make_shared<Object>();
}

ClassRegistry::ClassRegistry()
{
    for (const SystemClass& system : system_classes()) {
        auto info = std::make_unique<ClassInfo>();
        info->m_name = std::string(system.name);
        info->m_key = info->m_name;
        info->m_origin = ClassOrigin::System;
        info->m_next_user_slot = system.first_user;
        for (const SystemSlot& s : system.slots)
            info->add_slot(SlotInfo {s.slot, std::string(s.name), s.kind, s.returns, s.args, {}, true});
        m_classes.emplace(info->m_key, std::move(info));
    }
}

ClassRegistry::~ClassRegistry() = default;

const ClassInfo* ClassRegistry::find(std::string_view name) const
{
    auto it = m_classes.find(lower_name(name));
    return it == m_classes.end() ? nullptr : it->second.get();
}

Result<void> ClassRegistry::set_system_factory(std::string_view system_class, MakeFn make)
{
    auto it = m_classes.find(lower_name(system_class));
    if (it == m_classes.end() || !it->second->is_system())
        return Result<void>::failure(fmt::format("{} is no system class of the host", system_class));
    ClassInfo& cls = *it->second;
    if (cls.m_make && cls.m_make != make)
        return Result<void>::failure(fmt::format("system class {} is made as another type already", cls.name()));
    cls.m_make = make;
    return {};
}

Result<void> ClassRegistry::register_class(VtableInfoFn entry)
{
    assert(entry);
    const ClassTable& table = entry();
    const std::string name = lower_name(table.name);
    if (name.empty() || name.find('`') != std::string::npos)
        return Result<void>::failure(fmt::format("invalid class name '{}'", table.name));
    if (m_classes.contains(name))
        return Result<void>::failure(fmt::format("class {} is already registered", name));
    const ClassInfo* ancestor = find(table.ancestor);
    if (!ancestor || ancestor->origin() == ClassOrigin::Nested)
        return Result<void>::failure(fmt::format("class {}: ancestor '{}' is not registered", name, table.ancestor));

    // Everything is built aside and committed at the end, so a faulty table changes nothing.
    std::vector<std::unique_ptr<ClassInfo>> made;
    auto derive = [&](const ClassInfo& base, std::string display, std::string key, ClassOrigin origin) {
        auto info = std::make_unique<ClassInfo>();
        info->m_name = std::move(display);
        info->m_key = std::move(key);
        info->m_origin = origin;
        info->m_ancestor = &base;
        info->m_slots = base.m_slots;
        info->m_slot_numbers = base.m_slot_numbers;
        info->m_next_user_slot = base.m_next_user_slot;
        made.push_back(std::move(info));
        return made.back().get();
    };

    ClassInfo* cls = derive(*ancestor, name, name, ClassOrigin::Library);
    cls->m_make = table.make;
    // This class's nested classes, still open for their slot declarations and scripts.
    std::map<std::string, ClassInfo*> nested_made;

    // An inherited control: the nearest ancestor's class for it.
    auto inherited_control = [&](const std::string& control) -> const ClassInfo* {
        for (const ClassInfo* a = ancestor; a && !a->is_system(); a = a->ancestor())
            if (const ClassInfo* nested = a->nested_class(control))
                return nested;
        return nullptr;
    };

    for (const ControlRow& row : table.controls) {
        const std::string control = lower_name(row.name);
        const ClassInfo* control_class = find(row.class_name);
        if (!control_class || control_class->origin() == ClassOrigin::Nested)
            return Result<void>::failure(
                fmt::format("class {}: control {} has unknown class '{}'", name, control, row.class_name));
        if (cls->m_nested_classes.contains(control) || inherited_control(control))
            return Result<void>::failure(fmt::format("class {}: control {} is declared twice", name, control));
        ClassInfo* nested = derive(*control_class, control, name + "`" + control, ClassOrigin::Nested);
        nested->m_owner = cls;
        cls->m_nested_classes[control] = nested;
        nested_made[control] = nested;
        cls->m_controls.push_back({control, nested, row.store});
    }

    for (const GroupRow& row : table.groups) {
        if (std::any_of(cls->m_groups.begin(), cls->m_groups.end(), [&](const auto& g) { return g.id == row.id; }))
            return Result<void>::failure(fmt::format("class {}: group {} is registered twice", name, row.id));
        const std::string nested_name = lower_name(row.nested);
        if ((row.id == own_group) != nested_name.empty())
            return Result<void>::failure(
                fmt::format("class {}: group {} must {}", name, row.id,
                            row.id == own_group ? "hold the class's own scripts" : "name its nested definition"));

        ClassInfo* target = nullptr;
        if (nested_name.empty()) {
            target = cls;
        } else if (auto it = nested_made.find(nested_name); it != nested_made.end()) {
            target = it->second;
        } else if (const ClassInfo* base = inherited_control(nested_name)) {
            // A descendant overriding an inherited control's scripts gets its own class for
            // the control, derived from the ancestor's class for it.
            target = derive(*base, nested_name, name + "`" + nested_name, ClassOrigin::Nested);
            target->m_owner = cls;
            cls->m_nested_classes[nested_name] = target;
            nested_made[nested_name] = target;
        } else if (!row.declares.empty() || !row.scripts.empty()) {
            return Result<void>::failure(fmt::format("class {}: group {} names {}, which is no control of the class",
                                                     name, row.id, nested_name));
        }

        ClassInfo::Group group {row.id, nested_name, {}};
        if (target) {
            for (const SlotDecl& decl : row.declares) {
                const std::string slot_name = lower_name(decl.name);
                if (!target->m_next_user_slot)
                    return Result<void>::failure(
                        fmt::format("class {}: {} cannot declare {}; its system class takes no user slots", name,
                                    target->m_key, slot_name));
                if (target->slot_named(slot_name) && !(decl.variant && decl.kind == SlotKind::Function))
                    return Result<void>::failure(
                        fmt::format("class {}: {} declares {} twice", name, target->m_key, slot_name));
                const std::string event_id = lower_name(decl.event_id);
                if (!event_id.empty()) {
                    const std::optional<std::size_t> passed = event_id_arguments(event_id);
                    if (!passed)
                        return Result<void>::failure(
                            fmt::format("class {}: {} maps {} to {}, which is no host event id", name, target->m_key,
                                        slot_name, event_id));
                    if (decl.kind != SlotKind::Event)
                        return Result<void>::failure(fmt::format("class {}: function {} of {} cannot be mapped to {}",
                                                                 name, slot_name, target->m_key, event_id));
                    if (decl.args != *passed)
                        return Result<void>::failure(
                            fmt::format("class {}: {} declares {} with {} arguments; {} passes {}", name, target->m_key,
                                        slot_name, decl.args, event_id, *passed));
                    if (const SlotInfo* mapped = target->slot_mapped_to(event_id))
                        return Result<void>::failure(fmt::format("class {}: {} maps both {} and {} to {}", name,
                                                                 target->m_key, mapped->name, slot_name, event_id));
                }
                const int number = (*target->m_next_user_slot)++;
                target->add_slot(SlotInfo {number, slot_name, decl.kind, decl.returns, decl.args, event_id, false});
            }
            for (const ScriptRow& script : row.scripts) {
                const std::string script_name = lower_name(script.name);
                const SlotInfo* slot = target->slot(script.slot);
                if (!slot || slot->name != script_name)
                    return Result<void>::failure(fmt::format("class {}: group {} slot {} is {}, not {}", name, row.id,
                                                             script.slot, slot ? slot->name : std::string("undeclared"),
                                                             script_name));
                if (!script.fn)
                    return Result<void>::failure(fmt::format("class {}: script {} has no body", name, script_name));
                if (target->m_scripts.contains(script.slot))
                    return Result<void>::failure(
                        fmt::format("class {}: script {} is registered twice", name, script_name));
                target->m_scripts[script.slot] = script.fn;
                group.scripts.push_back({script.slot, script_name});
            }
        }
        cls->m_groups.push_back(std::move(group));
    }

    for (auto& info : made)
        m_classes.emplace(info->m_key, std::move(info));
    m_library.push_back(cls);
    return {};
}

} // namespace hearth
