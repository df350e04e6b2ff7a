#pragma once
// The runtime: creates and destroys objects, dispatches events and functions through the
// class registry (the only way a script is reached), runs ancestor scripts, and raises and
// records runtime errors. The dispatcher is the one place where RuntimeError is caught.

#include "host/object/class_registry.h"
#include "host/object/message.h"
#include "host/object/object.h"
#include "host/value/runtime_error.h"
#include "host/value/value.h"

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hearth {

enum class ErrorHandling : std::uint8_t { Unhandled, Handled };

// One raised runtime error, as the error log keeps it.
struct ErrorRecord {
    ErrorCode code = ErrorCode::CallFailed;
    std::string text;       // the runtime's text for the code
    std::string context;    // what was involved
    std::string class_name; // the class whose script raised it ("" outside any script)
    std::string script;     // the script's name ("" outside any script)
    ErrorHandling handling = ErrorHandling::Unhandled;
};

// Asked about every error that can be handled (all but 25015): Handled skips the failing
// statement and lets the script go on.
using ErrorHook = std::function<ErrorHandling(const ErrorRecord&)>;

enum class Outcome : std::uint8_t {
    Completed, // a script ran to its end or to a RETURN
    NoScript,  // the slot exists but no class up the tree has a script for it
    Failed,    // the script stopped on a runtime error
    Invalid,   // no such event or function, or the target is not a valid object
};

struct DispatchResult {
    Outcome outcome = Outcome::NoScript;
    Value value; // null of type any unless a script completed with a value
};

class Runtime {
public:
    explicit Runtime(const ClassRegistry& registry);
    // Releases every object still alive without running scripts.
    ~Runtime();
    Runtime(const Runtime&) = delete;
    Runtime& operator=(const Runtime&) = delete;

    const ClassRegistry& registry() const { return m_registry; }

    // ---- Objects
    // Creates an instance by class name and runs its create script (which makes the nested
    // controls). The object lives until destroy(). Unknown class: an invalid reference.
    ObjectRef create(std::string_view class_name);
    // Runs the constructor events: the nested controls' (in Control order, depth first),
    // then the object's own.
    void construct(const ObjectRef& object);
    // create followed by construct.
    ObjectRef create_and_construct(std::string_view class_name);
    // OpenUserObject/OpenTab: creates an instance as a new control of `parent`, appended to
    // its Control array (a tab's next page) and owned by it, then runs its create script. The
    // caller sets it up and runs construct. Unknown class or invalid parent: an invalid reference.
    ObjectRef create_control(const ObjectRef& parent, std::string_view class_name);
    // Runs the destroy script (the ancestor's first, then the nested controls are destroyed)
    // and invalidates every reference to the object. Invalid reference: nothing happens.
    void destroy(const ObjectRef& object);
    // Number of top-level objects alive.
    std::size_t live_objects() const { return m_live.size(); }

    // ---- Dispatch
    // Runs the event or function of that name (case-insensitive) or slot on the object, i.e.
    // the nearest registered script up its class tree. `args` grows to the slot's declared
    // arguments (the missing ones null of type any) before any script runs. From the host it
    // returns the outcome; called while a script runs (through ScriptCall::call), a failed
    // callee fails the caller.
    DispatchResult dispatch(const ObjectRef& target, std::string_view name, std::vector<Value>& args);
    DispatchResult dispatch(const ObjectRef& target, int slot, std::vector<Value>& args);
    DispatchResult dispatch(const ObjectRef& target, std::string_view name, std::vector<Value>&& args = {})
    {
        return dispatch(target, name, args);
    }
    DispatchResult dispatch(const ObjectRef& target, int slot, std::vector<Value>&& args)
    {
        return dispatch(target, slot, args);
    }

    // obj.TriggerEvent(event {, word, long}): 1 if a script ran, -1 if the event is not an
    // event of the object or has no script. word and long go to message.WordParm/LongParm.
    std::int32_t trigger_event(const ObjectRef& target, std::string_view event, std::optional<std::uint32_t> word = {},
                               std::optional<std::int32_t> long_parm = {});
    // obj.PostEvent(event {, word, long}): queues the event; true when it is an event of the
    // object, even without a script; false otherwise.
    bool post_event(const ObjectRef& target, std::string_view event, std::optional<std::uint32_t> word = {},
                    std::optional<std::int32_t> long_parm = {});
    // Runs the posted events in order, including those posted while draining.
    void drain_posted();
    std::size_t posted_count() const { return m_posted.size(); }

    // The work of the create and destroy scripts (create_script, destroy_script) for the
    // class whose script runs: make the class's nested controls, store them in their instance
    // variables and append them to Control; or destroy them.
    void create_controls(ScriptCall& call);
    void destroy_controls(ScriptCall& call);

    // ---- The message object
    // The current message object; an invalid reference when none is assigned.
    const ObjectRef& message() const { return m_message; }
    Message* message_object() const { return dynamic_cast<Message*>(m_message.get()); }
    // Creates a message object and makes it the current one.
    ObjectRef assign_new_message();
    void set_message(ObjectRef message) { m_message = std::move(message); }

    // ---- Runtime errors
    // Raises an error from a host operation or a script. An error that can be handled is put
    // to the hook: when it reports Handled this returns, and the caller skips its statement.
    // Otherwise throws RuntimeError, which ends the running script as failed.
    void raise_error(ErrorCode code, std::string context);
    void set_error_hook(ErrorHook hook) { m_hook = std::move(hook); }
    const std::vector<ErrorRecord>& error_log() const { return m_errors; }
    void clear_error_log() { m_errors.clear(); }
    // Number of scripts running (0 while the host itself calls).
    std::size_t depth() const { return m_frames.size(); }

private:
    struct Frame {
        const ClassInfo* script_class;
        const SlotInfo* slot;
    };
    struct Posted {
        ObjectRef target;
        std::string event;
        std::optional<std::uint32_t> word;
        std::optional<std::int32_t> long_parm;
    };

    DispatchResult dispatch_slot(Object& object, const SlotInfo& slot, std::vector<Value>& args);
    DispatchResult run_script(Object& object, const ClassInfo& cls, const SlotInfo& slot, std::vector<Value>& args);
    void note_failure(const RuntimeError& error);
    void log(ErrorCode code, std::string context, ErrorHandling handling);
    DispatchResult invalid_target(std::string_view what);
    DispatchResult finish(DispatchResult result);
    Value default_result(const SlotInfo& slot) const;
    void destroy_object(Object& object);
    void construct_object(Object& object);
    ObjectRef instantiate(const ClassInfo& cls, const ObjectRef& parent, std::shared_ptr<Object>& owned);
    void set_parms(std::optional<std::uint32_t> word, std::optional<std::int32_t> long_parm);

    const ClassRegistry& m_registry;
    std::vector<std::shared_ptr<Object>> m_live;
    std::vector<Frame> m_frames;
    std::vector<ErrorRecord> m_errors;
    ErrorHook m_hook;
    // 25015 has been raised in the current chain of calls and not yet reported to the host.
    bool m_failure_pending = false;
    // The error in flight was already logged (and put to the hook) by raise_error.
    bool m_in_flight_logged = false;
    ObjectRef m_message;
    std::deque<Posted> m_posted;
};

// The create and destroy scripts a class registers at slots 0 and 1 when they do nothing but
// the standard work (the ancestor's script has already run when they start):
//   {0, "create", create_script}, {1, "destroy", destroy_script}
ScriptResult create_script(ScriptCall& call);
ScriptResult destroy_script(ScriptCall& call);

} // namespace hearth
