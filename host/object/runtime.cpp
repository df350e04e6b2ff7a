#include "host/object/runtime.h"

#include "host/value/convert.h"

#include <fmt/format.h>

#include <algorithm>

namespace hearth {

namespace {
constexpr int create_slot = 0;
constexpr int destroy_slot = 1;

// Runs a lifecycle event (create, destroy, constructor), which takes no arguments.
DispatchResult run_lifecycle(Runtime& runtime, const ObjectRef& object, int slot)
{
    std::vector<Value> no_args;
    return runtime.dispatch(object, slot, no_args);
}
} // namespace

Runtime::Runtime(const ClassRegistry& registry) : m_registry(registry) {}

Runtime::~Runtime()
{
    // No scripts run here: destructors never throw.
    m_posted.clear();
    while (!m_live.empty())
        m_live.pop_back();
}

// ---- Objects --------------------------------------------------------------------------------

ObjectRef Runtime::instantiate(const ClassInfo& cls, const ObjectRef& parent, std::shared_ptr<Object>& owned)
{
    owned = cls.make();
    owned->m_class = &cls;
    owned->m_parent = parent;
    return owned->ref();
}

ObjectRef Runtime::create(std::string_view class_name)
{
    const ClassInfo* cls = m_registry.find(class_name);
    if (!cls || cls->origin() == ClassOrigin::Nested)
        return {};
    std::shared_ptr<Object> owned;
    ObjectRef ref = instantiate(*cls, {}, owned);
    m_live.push_back(owned);
    run_lifecycle(*this, ref, create_slot);
    return ref;
}

ObjectRef Runtime::create_control(const ObjectRef& parent, std::string_view class_name)
{
    Object* owner = parent.get();
    const ClassInfo* cls = m_registry.find(class_name);
    if (!owner || !cls || cls->origin() == ClassOrigin::Nested)
        return {};
    std::shared_ptr<Object> child;
    ObjectRef ref = instantiate(*cls, parent, child);
    owner->m_nested.emplace_back(lower_name(cls->name()), child);
    owner->m_control.push_back(ref);
    run_lifecycle(*this, ref, create_slot);
    return ref;
}

void Runtime::create_controls(ScriptCall& call)
{
    Object& object = call.self_object();
    const ClassInfo& cls = call.script_class();
    std::vector<ObjectRef> made;
    for (const ClassInfo::Control& control : cls.controls()) {
        // The most derived definition of the control wins: a descendant that overrides the
        // control's scripts has its own class for it, derived from this one.
        const ClassInfo* control_class = control.cls;
        for (const ClassInfo* c = &object.class_info(); c && c != &cls; c = c->ancestor())
            if (const ClassInfo* own = c->nested_class(control.name)) {
                control_class = own;
                break;
            }
        std::shared_ptr<Object> child;
        ObjectRef ref = instantiate(*control_class, object.ref(), child);
        object.m_nested.emplace_back(control.name, child);
        if (control.store)
            control.store(object, ref);
        run_lifecycle(*this, ref, create_slot);
        made.push_back(ref);
    }
    // Appended after the array's current upper bound, in declaration order.
    object.m_control.insert(object.m_control.end(), made.begin(), made.end());
}

void Runtime::destroy_controls(ScriptCall& call)
{
    Object& object = call.self_object();
    for (const ClassInfo::Control& control : call.script_class().controls()) {
        auto it = std::find_if(object.m_nested.begin(), object.m_nested.end(),
                               [&](const auto& entry) { return entry.first == control.name; });
        if (it == object.m_nested.end())
            continue;
        std::shared_ptr<Object> child = it->second;
        object.m_nested.erase(it);
        destroy_object(*child);
    }
}

ScriptResult create_script(ScriptCall& call)
{
    call.runtime().create_controls(call);
    return no_return;
}

ScriptResult destroy_script(ScriptCall& call)
{
    call.runtime().destroy_controls(call);
    return no_return;
}

void Runtime::construct_object(Object& object)
{
    const std::vector<ObjectRef> controls = object.m_control;
    for (const ObjectRef& ref : controls) {
        Object* child = ref.get();
        if (child && child->m_parent.get() == &object)
            construct_object(*child);
    }
    if (object.is_destroyed())
        return;
    if (const SlotInfo* slot = object.class_info().slot_named("constructor"))
        run_lifecycle(*this, object.ref(), slot->slot);
}

void Runtime::construct(const ObjectRef& ref)
{
    if (Object* object = ref.get())
        construct_object(*object);
}

ObjectRef Runtime::create_and_construct(std::string_view class_name)
{
    ObjectRef ref = create(class_name);
    construct(ref);
    return ref;
}

void Runtime::destroy_object(Object& object)
{
    if (object.is_destroyed())
        return;
    std::shared_ptr<Object> keep = object.shared_from_this();
    run_lifecycle(*this, object.ref(), destroy_slot);
    // Controls that no destroy script took down (a class without one) go with their parent.
    while (!object.m_nested.empty()) {
        std::shared_ptr<Object> child = object.m_nested.back().second;
        object.m_nested.pop_back();
        destroy_object(*child);
    }
    object.m_lifetime = Lifetime::Destroyed;
}

void Runtime::destroy(const ObjectRef& ref)
{
    std::shared_ptr<Object> object = ref.lock();
    if (!object)
        return;
    destroy_object(*object);
    std::erase(m_live, object);
    if (m_message.same_as(ref))
        m_message = {};
}

// ---- Dispatch -------------------------------------------------------------------------------

Value Runtime::default_result(const SlotInfo& slot) const
{
    // An event with a return type that ends without RETURN answers message.ReturnValue.
    if (slot.kind == SlotKind::Event && slot.returns) {
        const Message* message = message_object();
        return Value(message ? message->return_value : 0);
    }
    return Value();
}

DispatchResult Runtime::run_script(Object& object, const ClassInfo& cls, const SlotInfo& slot, std::vector<Value>& args)
{
    std::shared_ptr<Object> keep = object.shared_from_this();
    struct FrameGuard {
        std::vector<Frame>& frames;
        ~FrameGuard() { frames.pop_back(); }
    };
    m_frames.push_back({&cls, &slot});
    FrameGuard guard {m_frames};

    try {
        Value ancestor_value;
        // Events run the nearest library ancestor's script first, with the same arguments;
        // user functions never call their ancestor implicitly.
        if (slot.kind == SlotKind::Event) {
            for (const ClassInfo* a = cls.ancestor(); a && !a->is_system(); a = a->ancestor()) {
                if (!a->script(slot.slot))
                    continue;
                DispatchResult ancestor = run_script(object, *a, slot, args);
                if (ancestor.outcome == Outcome::Failed)
                    raise_error(ErrorCode::CallFailed, fmt::format("ancestor script {}::{}", a->key(), slot.name));
                ancestor_value = std::move(ancestor.value);
                break;
            }
        }
        ScriptCall call(*this, object, cls, slot, args, std::move(ancestor_value));
        ScriptResult result = cls.script(slot.slot)(call);
        return {Outcome::Completed, result ? std::move(*result) : default_result(slot)};
    } catch (const RuntimeError& error) {
        note_failure(error);
        return {Outcome::Failed, Value()};
    }
}

DispatchResult Runtime::dispatch_slot(Object& object, const SlotInfo& slot, std::vector<Value>& args)
{
    // The arguments are sized once, here, from the slot's declaration: arguments the caller
    // left out are null of type any, and the scripts (the ancestor's and the descendant's)
    // never resize them, so references to them stay valid.
    if (args.size() < slot.args)
        args.resize(slot.args);
    for (const ClassInfo* cls = &object.class_info(); cls; cls = cls->ancestor())
        if (cls->script(slot.slot))
            return run_script(object, *cls, slot, args);
    return {Outcome::NoScript, Value()};
}

DispatchResult Runtime::finish(DispatchResult result)
{
    if (m_frames.empty()) {
        // Back at the host: the chain of calls is over, and so is its pending failure.
        m_failure_pending = false;
        return result;
    }
    // A callee that failed fails its caller; 25015 is already pending, so nothing more is raised.
    if (result.outcome == Outcome::Failed)
        raise_error(ErrorCode::CallFailed, "called script failed");
    return result;
}

DispatchResult Runtime::invalid_target(std::string_view what)
{
    if (!m_frames.empty())
        raise_error(ErrorCode::NullObjectReference, std::string(what));
    return {Outcome::Invalid, Value()};
}

DispatchResult Runtime::dispatch(const ObjectRef& target, std::string_view name, std::vector<Value>& args)
{
    Object* object = target.get();
    if (!object)
        return invalid_target(fmt::format("call of {}", name));
    const SlotInfo* slot = object->class_info().slot_named(name);
    if (!slot) {
        if (!m_frames.empty())
            raise_error(ErrorCode::CallFailed,
                        fmt::format("{} has no event or function {}", object->class_name(), name));
        return {Outcome::Invalid, Value()};
    }
    return finish(dispatch_slot(*object, *slot, args));
}

DispatchResult Runtime::dispatch(const ObjectRef& target, int slot_number, std::vector<Value>& args)
{
    Object* object = target.get();
    if (!object)
        return invalid_target(fmt::format("call of slot {}", slot_number));
    const SlotInfo* slot = object->class_info().slot(slot_number);
    if (!slot) {
        if (!m_frames.empty())
            raise_error(ErrorCode::CallFailed, fmt::format("{} has no slot {}", object->class_name(), slot_number));
        return {Outcome::Invalid, Value()};
    }
    return finish(dispatch_slot(*object, *slot, args));
}

void Runtime::set_parms(std::optional<std::uint32_t> word, std::optional<std::int32_t> long_parm)
{
    Message* message = message_object();
    if (!message)
        return;
    if (word)
        message->word_parm = *word;
    if (long_parm)
        message->long_parm = *long_parm;
}

std::int32_t Runtime::trigger_event(const ObjectRef& target, std::string_view event, std::optional<std::uint32_t> word,
                                    std::optional<std::int32_t> long_parm)
{
    Object* object = target.get();
    if (!object) {
        invalid_target(fmt::format("TriggerEvent {}", event));
        return -1;
    }
    const SlotInfo* slot = object->class_info().slot_named(event);
    if (!slot || slot->kind != SlotKind::Event)
        return -1;
    set_parms(word, long_parm);
    std::vector<Value> args;
    DispatchResult result = finish(dispatch_slot(*object, *slot, args));
    return result.outcome == Outcome::Completed ? 1 : -1;
}

bool Runtime::post_event(const ObjectRef& target, std::string_view event, std::optional<std::uint32_t> word,
                         std::optional<std::int32_t> long_parm)
{
    Object* object = target.get();
    if (!object) {
        invalid_target(fmt::format("PostEvent {}", event));
        return false;
    }
    const SlotInfo* slot = object->class_info().slot_named(event);
    if (!slot || slot->kind != SlotKind::Event)
        return false;
    m_posted.push_back({target, slot->name, word, long_parm});
    return true;
}

void Runtime::drain_posted()
{
    assert(m_frames.empty() && "the host drains posted events between scripts, never inside one");
    while (!m_posted.empty()) {
        Posted posted = std::move(m_posted.front());
        m_posted.pop_front();
        // An object destroyed since the post no longer receives its events.
        Object* object = posted.target.get();
        if (!object)
            continue;
        set_parms(posted.word, posted.long_parm);
        std::vector<Value> args;
        finish(dispatch_slot(*object, *object->class_info().slot_named(posted.event), args));
    }
}

// ---- The message object ---------------------------------------------------------------------

ObjectRef Runtime::assign_new_message()
{
    auto message = std::make_shared<Message>();
    message->m_class = m_registry.find("message");
    assert(message->m_class && "the registry always knows the message class");
    m_live.push_back(message);
    m_message = message->ref();
    return m_message;
}

// ---- Runtime errors -------------------------------------------------------------------------

void Runtime::log(ErrorCode code, std::string context, ErrorHandling handling)
{
    ErrorRecord record;
    record.code = code;
    record.text = std::string(error_text(code));
    record.context = std::move(context);
    if (!m_frames.empty()) {
        record.class_name = m_frames.back().script_class->key();
        record.script = m_frames.back().slot->name;
    }
    record.handling = handling;
    m_errors.push_back(std::move(record));
}

void Runtime::raise_error(ErrorCode code, std::string context)
{
    // 25015 cannot be handled; the dispatcher records it (once per chain) when it catches it.
    if (code == ErrorCode::CallFailed)
        throw RuntimeError(code, std::move(context));
    ErrorHandling handling = ErrorHandling::Unhandled;
    if (m_hook) {
        ErrorRecord probe;
        probe.code = code;
        probe.text = std::string(error_text(code));
        probe.context = context;
        if (!m_frames.empty()) {
            probe.class_name = m_frames.back().script_class->key();
            probe.script = m_frames.back().slot->name;
        }
        handling = m_hook(probe);
    }
    log(code, context, handling);
    if (handling == ErrorHandling::Handled)
        return;
    m_in_flight_logged = !m_frames.empty();
    throw RuntimeError(code, std::move(context));
}

void Runtime::note_failure(const RuntimeError& error)
{
    if (error.code() != ErrorCode::CallFailed && !m_in_flight_logged)
        log(error.code(), error.context(), ErrorHandling::Unhandled); // thrown by a host operation directly
    m_in_flight_logged = false;
    if (!m_failure_pending) {
        log(ErrorCode::CallFailed, error.context(), ErrorHandling::Unhandled);
        m_failure_pending = true;
    }
}

// ---- ScriptCall ---------------------------------------------------------------------------

void ScriptCall::raise(ErrorCode code, std::string context) const { m_runtime.raise_error(code, std::move(context)); }

Value ScriptCall::arg_value(std::size_t index, Type declared) const
{
    const Value& value = arg(index);
    std::optional<Value> converted = try_convert(value, declared);
    if (!converted) {
        // 25015 is never reported handled: raise does not return.
        raise(ErrorCode::CallFailed,
              fmt::format("argument {} of {}: cannot pass a {} value as {}", index + 1, m_slot.name,
                          type_name(value.type()), type_name(declared)));
        return Value();
    }
    return std::move(*converted);
}

ObjectRef ScriptCall::arg_reference(std::size_t index, bool (*holds)(const Object&)) const
{
    const Value& value = arg(index);
    if (value.is_null())
        return {};
    // 25015 is never reported handled: raise does not return.
    if (value.type() != Type::Object) {
        raise(
            ErrorCode::CallFailed,
            fmt::format("argument {} of {}: a {} value is no object", index + 1, m_slot.name, type_name(value.type())));
        return {};
    }
    const ObjectRef& ref = value.as_object();
    if (const Object* object = ref.get(); object && !holds(*object)) {
        raise(ErrorCode::CallFailed,
              fmt::format("argument {} of {}: {} is not of the declared class", index + 1, m_slot.name,
                          object->class_name()));
        return {};
    }
    return ref;
}

Value ScriptCall::call(const ObjectRef& target, std::string_view name, std::vector<Value>& args) const
{
    return m_runtime.dispatch(target, name, args).value;
}

} // namespace hearth
