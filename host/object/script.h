#pragma once
// The script entry of a library class: an ordinary C++ function that the runtime reaches
// through the class registry by slot. A script gets a ScriptCall (its object, its positional
// arguments, the ancestor's result) and answers with a Value (RETURN x), Value() (a bare
// RETURN) or no_return (the script ran to its end without a RETURN statement).

#include "host/object/object.h"
#include "host/value/runtime_error.h"
#include "host/value/value.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hearth {

class ClassInfo;
class Runtime;
struct SlotInfo;

// What a script hands back: nullopt when it ended without RETURN.
using ScriptResult = std::optional<Value>;
inline constexpr std::nullopt_t no_return = std::nullopt;

class ScriptCall;
using ScriptFn = ScriptResult (*)(ScriptCall&);

class ScriptCall {
public:
    ScriptCall(Runtime& runtime, Object& self, const ClassInfo& script_class, const SlotInfo& slot,
               std::vector<Value>& args, Value ancestor_return_value)
        : m_runtime(runtime)
        , m_self(self)
        , m_script_class(script_class)
        , m_slot(slot)
        , m_args(args)
        , m_ancestor_return_value(std::move(ancestor_return_value))
    {
    }

    Runtime& runtime() const { return m_runtime; }

    // The object the script runs for (`this`); for a nested control's script, the control.
    Object& self_object() const { return m_self; }
    template<class T>
    T& self() const
    {
        auto* typed = dynamic_cast<T*>(&m_self);
        assert(typed && "a class's scripts run only on instances of that class's C++ type");
        return *typed;
    }

    // `parent` of a nested control's script. Missing parent: raises 20543; when the error is
    // reported handled, returns nullptr and the caller skips the statement.
    template<class T>
    T* parent() const
    {
        if (auto* typed = dynamic_cast<T*>(m_self.parent().get()))
            return typed;
        raise(ErrorCode::MissingParent, "parent of " + m_self.class_name());
        return nullptr;
    }

    // The object behind a handle used for a call or a property access. Null or destroyed:
    // raises 20502; when reported handled, returns nullptr and the caller skips the statement.
    template<class T>
    T* use(const Ref<T>& ref, std::string_view what) const
    {
        if (T* target = ref.get())
            return target;
        raise(ErrorCode::NullObjectReference, std::string(what));
        return nullptr;
    }
    Object* use(const ObjectRef& ref, std::string_view what) const { return use(Ref<Object>(ref), what); }

    // Positional arguments in declared order; a by-reference argument is written back by
    // assigning to it.
    std::size_t arg_count() const { return m_args.size(); }
    // An argument the caller did not pass (TriggerEvent passes none) arrives as null of type any.
    Value& arg(std::size_t index) const
    {
        if (index >= m_args.size())
            m_args.resize(index + 1);
        return m_args[index];
    }

    // `ancestorreturnvalue`: the result of the ancestor's script for this event; null of type
    // any when no ancestor script ran.
    const Value& ancestor_return_value() const { return m_ancestor_return_value; }

    // The class that registered the running script and the slot it runs in.
    const ClassInfo& script_class() const { return m_script_class; }
    const SlotInfo& slot() const { return m_slot; }

    // Raises a runtime error in this script (see Runtime::raise_error): returns when the
    // application reports it handled, throws otherwise.
    void raise(ErrorCode code, std::string context) const;

    // Calls a function or triggers an event of another object by name (obj.uf_x(...),
    // obj.event ue_x(...)). Returns its result, or null of type any when no script exists or
    // the call was skipped after a handled error; a failing callee fails this script too.
    Value call(const ObjectRef& target, std::string_view name, std::vector<Value>& args) const;
    Value call(const ObjectRef& target, std::string_view name, std::vector<Value>&& args = {}) const
    {
        return call(target, name, args);
    }

private:
    Runtime& m_runtime;
    Object& m_self;
    const ClassInfo& m_script_class;
    const SlotInfo& m_slot;
    std::vector<Value>& m_args;
    Value m_ancestor_return_value;
};

namespace script_detail {
template<class M>
struct MemberOf;
template<class C>
struct MemberOf<ScriptResult (C::*)(ScriptCall&)> {
    using type = C;
};
} // namespace script_detail

// A script written as a member function of the object's own C++ class:
//   {50, "losefocus", on_self<&uo_dw::losefocus>}
template<auto Member>
ScriptResult on_self(ScriptCall& call)
{
    using Class = typename script_detail::MemberOf<decltype(Member)>::type;
    return (call.self<Class>().*Member)(call);
}

// A nested control's script written as a member function of the class that nests it (the
// control's scripts see that object's instance variables):
//   {436, "ue_retrieve", on_parent<&uo_tabpg_datawindow::dw_1_ue_retrieve>}
// A missing parent raises 20543; reported handled, the script does nothing.
template<auto Member>
ScriptResult on_parent(ScriptCall& call)
{
    using Class = typename script_detail::MemberOf<decltype(Member)>::type;
    if (Class* owner = call.parent<Class>())
        return (owner->*Member)(call);
    return no_return;
}

} // namespace hearth
