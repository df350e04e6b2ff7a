#pragma once
// The class registry: every class the runtime can instantiate, with its ancestor, its nested
// controls, its event and function slots and the scripts registered for them, group by group.
// System classes are built in; each library class hands over its table through its
// registration entry `_getVtableInfo_<class>` (a VtableInfoFn), which the runtime calls when the
// class is registered, before any of its scripts can run. A class's table, for example:
//
//   const ClassTable& _getVtableInfo_uo_dwsort()
//   {
//       static const ClassTable table {"uo_dwsort", "uo_dwnosort", make_object<uo_dwsort>, {},
//           {{own_group, "", {},
//             {{0, "create", create_script}, {1, "destroy", destroy_script},
//              {40, "doubleclicked", on_self<&uo_dwsort::doubleclicked>}}}}};
//       return table;
//   }

#include "host/object/object.h"
#include "host/object/script.h"
#include "host/value/result.h"
#include "host/value/value.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace hearth {

enum class SlotKind : std::uint8_t { Event, Function };
enum class ClassOrigin : std::uint8_t {
    System,  // a class of the host (datawindow, userobject, ...)
    Library, // a registered library class
    Nested,  // a nested control's own class, defined inside a library class
};

// One event or function of a class. `returns` is empty when it declares no return type;
// `args` is the number of arguments it declares. A user event mapped to a host message names
// its event id (`pbm_dwnkey`, ...); the host raises that event for the message.
struct SlotInfo {
    int slot = 0;
    std::string name;
    SlotKind kind = SlotKind::Event;
    std::optional<Type> returns;
    std::size_t args = 0;
    std::string event_id;
    bool system = false; // an event or function of the host's system class
};

// The group id of a class's own scripts; nested definitions take ids above it.
inline constexpr int own_group = 32770;

// ---- What a registration entry hands out --------------------------------------------------

// A user event or function declared by the class (or by one of its nested controls), in
// declaration order; it takes the next free user slot. `args` is how many arguments it takes.
// A user event mapped to a host message names the message's event id, and takes the
// arguments the host passes with that message:
//   {"uf_setstate", SlotKind::Function, std::nullopt, 2}
//   {"ue_dwnkey", SlotKind::Event, Type::Long, 2, "pbm_dwnkey"}
// An external function declared again under the same name with other argument types is a
// variant: it takes a slot of its own, and calls by name reach the first declaration.
struct SlotDecl {
    std::string_view name;
    SlotKind kind = SlotKind::Event;
    std::optional<Type> returns;
    std::size_t args = 0;
    std::string_view event_id = {};
    bool variant = false;
};

// A registered script: its slot, the slot's name (checked against the slot table) and its body.
struct ScriptRow {
    int slot = 0;
    std::string_view name;
    ScriptFn fn = nullptr;
};

// Stores a freshly created nested control into the owner's instance variable.
using StoreFn = void (*)(Object& owner, const ObjectRef& control);
// Makes an instance of the C++ type of a class.
using MakeFn = std::shared_ptr<Object> (*)();

// A nested control the class's create makes: its name and the class it is created as.
struct ControlRow {
    std::string_view name;
    std::string_view class_name;
    StoreFn store = nullptr; // store_in<&Owner::member>, or nullptr when no instance variable
};

// A script group. `nested` is empty for the class's own group (own_group); otherwise it names
// the nested control (declared by this class, or inherited: then the group overrides the
// ancestor's scripts of that control) or another nested definition, which has no scripts.
struct GroupRow {
    int id = own_group;
    std::string_view nested;
    std::vector<SlotDecl> declares;
    std::vector<ScriptRow> scripts;
};

struct ClassTable {
    std::string_view name;
    std::string_view ancestor;
    MakeFn make = nullptr; // nullptr: the ancestor's C++ type
    std::vector<ControlRow> controls;
    std::vector<GroupRow> groups;
};

// A class's registration entry, `_getVtableInfo_<class>`.
using VtableInfoFn = const ClassTable& (*)();

template <class T> std::shared_ptr<Object> make_object() { return std::make_shared<T>(); }

namespace registry_detail {
template <class M> struct MemberPointer;
template <class C, class V> struct MemberPointer<V C::*> {
    using owner = C;
};
} // namespace registry_detail

// StoreFn for a nested control kept in an instance variable (an ObjectRef or Ref<T> member).
template <auto Member> void store_in(Object& owner, const ObjectRef& control)
{
    using Owner = typename registry_detail::MemberPointer<decltype(Member)>::owner;
    auto* typed = dynamic_cast<Owner*>(&owner);
    assert(typed && "a class's create runs only on instances of that class's C++ type");
    typed->*Member = control;
}

// ---- The registry's view of a class --------------------------------------------------------

class ClassInfo {
public:
    struct Control {
        std::string name;
        const ClassInfo* cls = nullptr; // the control's own nested class
        StoreFn store = nullptr;
    };
    struct GroupScript {
        int slot = 0;
        std::string name;
    };
    struct Group {
        int id = own_group;
        std::string nested;
        std::vector<GroupScript> scripts;
    };

    // The class name as ClassName() gives it; a nested class answers with its control name.
    const std::string& name() const { return m_name; }
    // The registry key: the class name, or "<owner>`<control>" for a nested class.
    const std::string& key() const { return m_key; }
    ClassOrigin origin() const { return m_origin; }
    bool is_system() const { return m_origin == ClassOrigin::System; }
    // nullptr for a system class.
    const ClassInfo* ancestor() const { return m_ancestor; }
    // The class that defines a nested class; nullptr otherwise.
    const ClassInfo* owner() const { return m_owner; }

    // The event or function at a slot or of a name (case-insensitive); nullptr when none.
    const SlotInfo* slot(int number) const;
    const SlotInfo* slot_named(std::string_view name) const;
    // The user event mapped to a host event id (case-insensitive); nullptr when none.
    const SlotInfo* slot_mapped_to(std::string_view event_id) const;
    const std::map<int, SlotInfo>& slots() const { return m_slots; }
    // The script this class itself registered for a slot; nullptr when none.
    ScriptFn script(int slot) const;

    // The nested controls this class's create makes, in declaration order.
    const std::vector<Control>& controls() const { return m_controls; }
    // This class's own nested class for a control, declared or overriding an inherited one.
    const ClassInfo* nested_class(std::string_view control) const;
    // The script groups in registration order (library classes only).
    const std::vector<Group>& groups() const { return m_groups; }

    // Makes an instance of the class's C++ type (the nearest ancestor's that names one).
    std::shared_ptr<Object> make() const;

private:
    friend class ClassRegistry;

    std::string m_name;
    std::string m_key;
    ClassOrigin m_origin = ClassOrigin::System;
    const ClassInfo* m_ancestor = nullptr;
    const ClassInfo* m_owner = nullptr;
    std::map<int, SlotInfo> m_slots;
    // Slot numbers by lower-case name, kept beside m_slots (names are unique in a class) so that
    // dispatch by name is one hash lookup instead of a scan over hundreds of slots.
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const { return std::hash<std::string_view> {}(name); }
    };
    std::unordered_map<std::string, int, NameHash, std::equal_to<>> m_slot_numbers;
    void add_slot(SlotInfo info);
    std::optional<int> m_next_user_slot;
    std::map<int, ScriptFn> m_scripts;
    std::vector<Control> m_controls;
    std::map<std::string, const ClassInfo*> m_nested_classes;
    std::vector<Group> m_groups;
    MakeFn m_make = nullptr;
};

class ClassRegistry {
public:
    // A registry that knows the host's system classes and no library class.
    ClassRegistry();
    ~ClassRegistry();
    ClassRegistry(const ClassRegistry&) = delete;
    ClassRegistry& operator=(const ClassRegistry&) = delete;

    // Registers a library class from its registration entry. The ancestor and the classes of
    // its nested controls must be registered already. A refusal says why, and the registry is
    // left unchanged.
    Result<void> register_class(VtableInfoFn entry);

    // A class by name (case-insensitive) or nested key; nullptr when unknown.
    const ClassInfo* find(std::string_view name) const;
    // The library classes in registration order.
    const std::vector<const ClassInfo*>& library_classes() const { return m_library; }

    // The C++ type that plain instances of a system class are made as (default: Object).
    // Refused when the class is no system class of the host, or when another type is
    // installed for it already (two front ends would disagree on it).
    Result<void> set_system_factory(std::string_view system_class, MakeFn make);

private:
    std::map<std::string, std::unique_ptr<ClassInfo>, std::less<>> m_classes;
    std::vector<const ClassInfo*> m_library;
};

// The number of arguments the host passes with a message of that event id (`pbm_dwnkey`: 2);
// nullopt for an id the host does not send.
std::optional<std::size_t> event_id_arguments(std::string_view event_id);

// Lower-case copy of an ASCII class, event or function name.
std::string lower_name(std::string_view name);

} // namespace hearth
