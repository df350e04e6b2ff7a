#pragma once
// The script entry of a library class: an ordinary C++ function that the runtime reaches
// through the class registry by slot. A script gets a ScriptCall (its object, its positional
// arguments, the ancestor's result) and answers with a Value (RETURN x), Value() (a bare
// RETURN) or no_return (the script ran to its end without a RETURN statement).

#include "host/object/object.h"
#include "host/value/decimal.h"
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
        : m_runtime(runtime), m_self(self), m_script_class(script_class), m_slot(slot), m_args(args),
          m_ancestor_return_value(std::move(ancestor_return_value))
    {
    }

    Runtime& runtime() const { return m_runtime; }

    // The object the script runs for (`this`); for a nested control's script, the control.
    Object& self_object() const { return m_self; }
    template <class T> T& self() const
    {
        auto* typed = dynamic_cast<T*>(&m_self);
        assert(typed && "a class's scripts run only on instances of that class's C++ type");
        return *typed;
    }

    // `parent` of a nested control's script. Missing parent: raises 20543; when the error is
    // reported handled, returns nullptr and the caller skips the statement.
    template <class T> T* parent() const
    {
        if (auto* typed = dynamic_cast<T*>(m_self.parent().get()))
            return typed;
        raise(ErrorCode::MissingParent, "parent of " + m_self.class_name());
        return nullptr;
    }

    // The object behind a handle used for a call or a property access. Null or destroyed:
    // raises 20502; when reported handled, returns nullptr and the caller skips the statement.
    template <class T> T* use(const Ref<T>& ref, std::string_view what) const
    {
        if (T* target = ref.get())
            return target;
        raise(ErrorCode::NullObjectReference, std::string(what));
        return nullptr;
    }
    Object* use(const ObjectRef& ref, std::string_view what) const { return use(Ref<Object>(ref), what); }

    // Positional arguments in declared order, at least as many as the slot declares: the
    // dispatcher sizes them before the script starts, and one the caller did not pass
    // (TriggerEvent passes none) is null of type any. A by-reference argument is written
    // back by assigning to arg(index); references to several arguments stay valid together.
    std::size_t arg_count() const { return m_args.size(); }
    Value& arg(std::size_t index) const
    {
        assert(index < m_args.size() && "a script reads only the arguments its slot declares");
        return m_args[index];
    }

    // Argument `index` read by value into its declared type, converted as the runtime converts
    // a by-value argument (a long into an integer wraps, a fraction rounds, a null stays null
    // of that type). An argument that cannot become that type (text into a number, a number
    // into a boolean ...) fails the script with 25015.
    Value arg_value(std::size_t index, Type declared) const;
    // The same for a C++ variable of type T (std::int16_t for integer, std::int32_t long,
    // std::uint32_t unsignedlong, bool, std::string, double, Decimal); nullopt when null.
    template <class T> std::optional<T> arg_as(std::size_t index) const;

    // Argument `index` read by value as a reference to an object of C++ type T (a DwObject
    // for `dwo`, a DataWindowControl ...): an invalid Ref when it is null or its object is
    // gone, so that using it through use() raises 20502. An argument that holds no T fails
    // the script with 25015.
    template <class T> Ref<T> arg_object(std::size_t index) const
    {
        return Ref<T>(
            arg_reference(index, [](const Object& held) { return dynamic_cast<const T*>(&held) != nullptr; }));
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
    // arg_object's work: the argument's reference, checked to hold an object that `holds`.
    ObjectRef arg_reference(std::size_t index, bool (*holds)(const Object&)) const;

    Runtime& m_runtime;
    Object& m_self;
    const ClassInfo& m_script_class;
    const SlotInfo& m_slot;
    std::vector<Value>& m_args;
    Value m_ancestor_return_value;
};

namespace script_detail {
// The runtime type a C++ argument type stands for, and how its datum is read.
template <class T> struct ArgType;
template <> struct ArgType<std::int16_t> {
    static constexpr Type type = Type::Integer;
    static std::int16_t get(const Value& v) { return static_cast<std::int16_t>(v.as_integral()); }
};
template <> struct ArgType<std::int32_t> {
    static constexpr Type type = Type::Long;
    static std::int32_t get(const Value& v) { return static_cast<std::int32_t>(v.as_integral()); }
};
template <> struct ArgType<std::uint32_t> {
    static constexpr Type type = Type::ULong;
    static std::uint32_t get(const Value& v) { return static_cast<std::uint32_t>(v.as_integral()); }
};
template <> struct ArgType<bool> {
    static constexpr Type type = Type::Boolean;
    static bool get(const Value& v) { return v.as_bool(); }
};
template <> struct ArgType<std::string> {
    static constexpr Type type = Type::String;
    static std::string get(const Value& v) { return v.as_string(); }
};
template <> struct ArgType<double> {
    static constexpr Type type = Type::Double;
    static double get(const Value& v) { return v.as_double(); }
};
template <> struct ArgType<Decimal> {
    static constexpr Type type = Type::Decimal;
    static Decimal get(const Value& v) { return v.as_decimal(); }
};
} // namespace script_detail

template <class T> std::optional<T> ScriptCall::arg_as(std::size_t index) const
{
    using Arg = script_detail::ArgType<T>;
    const Value converted = arg_value(index, Arg::type);
    if (converted.is_null())
        return std::nullopt;
    return Arg::get(converted);
}

namespace script_detail {
template <class M> struct MemberOf;
template <class C> struct MemberOf<ScriptResult (C::*)(ScriptCall&)> {
    using type = C;
};
} // namespace script_detail

// A script written as a member function of the object's own C++ class:
//   {50, "losefocus", on_self<&uo_dw::losefocus>}
template <auto Member> ScriptResult on_self(ScriptCall& call)
{
    using Class = typename script_detail::MemberOf<decltype(Member)>::type;
    return (call.self<Class>().*Member)(call);
}

// A nested control's script written as a member function of the class that nests it (the
// control's scripts see that object's instance variables):
//   {436, "ue_retrieve", on_parent<&uo_tabpg_datawindow::dw_1_ue_retrieve>}
// A missing parent raises 20543; reported handled, the script does nothing.
template <auto Member> ScriptResult on_parent(ScriptCall& call)
{
    using Class = typename script_detail::MemberOf<decltype(Member)>::type;
    if (Class* owner = call.parent<Class>())
        return (owner->*Member)(call);
    return no_return;
}

} // namespace hearth
