#pragma once
// Host objects: every instance the runtime creates (library classes, their nested controls,
// plain system controls, the message object) is an Object. Objects are reached through
// handles (ObjectRef, Ref<T>) that never keep them alive and go invalid once destroyed.

#include "host/value/value.h"

#include <cassert>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace hearth {

class ClassInfo;
class Runtime;

enum class Lifetime : std::uint8_t { Alive, Destroyed };

class Object : public std::enable_shared_from_this<Object> {
public:
    Object() = default;
    virtual ~Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    // The class this instance was created as; set by the runtime before create runs.
    const ClassInfo& class_info() const
    {
        assert(m_class && "objects are made by Runtime::create, which sets the class first");
        return *m_class;
    }
    // The runtime's ClassName(): lower case; a nested control answers with its control name.
    std::string class_name() const;

    // A handle to this object.
    ObjectRef ref() { return ObjectRef(weak_from_this()); }
    bool is_destroyed() const { return m_lifetime == Lifetime::Destroyed; }

    // The Control array, in script order (Control[1] is front()).
    const std::vector<ObjectRef>& control() const { return m_control; }
    std::vector<ObjectRef>& control() { return m_control; }
    // The object this one is a nested control of; invalid for top-level objects.
    const ObjectRef& parent() const { return m_parent; }
    // The nested control this object created under that name; invalid when there is none.
    ObjectRef nested(std::string_view control_name) const;

private:
    friend class Runtime;

    const ClassInfo* m_class = nullptr;
    Lifetime m_lifetime = Lifetime::Alive;
    ObjectRef m_parent;
    std::vector<ObjectRef> m_control;
    // Nested controls are owned by their parent, in creation order.
    std::vector<std::pair<std::string, std::shared_ptr<Object>>> m_nested;
};

// A typed handle: an ObjectRef that also knows the C++ type of the object behind it.
template <class T> class Ref {
public:
    Ref() = default;
    Ref(ObjectRef ref) : m_ref(std::move(ref)) {}

    // The object, or nullptr when the handle is null, destroyed or of another C++ type.
    T* get() const { return dynamic_cast<T*>(m_ref.get()); }
    bool is_valid() const { return get() != nullptr; }
    const ObjectRef& ref() const { return m_ref; }
    operator ObjectRef() const { return m_ref; }

private:
    ObjectRef m_ref;
};

namespace fn {

// IsValid(obj): true while the object exists.
bool is_valid(const ObjectRef& ref);
// ClassName(obj): the lower-case class name; "" when the reference is not valid.
std::string class_name(const ObjectRef& ref);

} // namespace fn

} // namespace hearth
