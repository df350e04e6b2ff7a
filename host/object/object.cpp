#include "host/object/object.h"

#include "host/object/class_registry.h"

namespace hearth {

// ObjectRef is declared with the values; whether its object still exists is known here.
Object* ObjectRef::get() const
{
    std::shared_ptr<Object> target = m_target.lock();
    if (!target || target->is_destroyed())
        return nullptr;
    return target.get();
}

std::shared_ptr<Object> ObjectRef::lock() const
{
    std::shared_ptr<Object> target = m_target.lock();
    if (!target || target->is_destroyed())
        return nullptr;
    return target;
}

std::string Object::class_name() const { return lower_name(class_info().name()); }

ObjectRef Object::nested(std::string_view control_name) const
{
    const std::string name = lower_name(control_name);
    for (const auto& [nested_name, object] : m_nested)
        if (nested_name == name)
            return object->ref();
    return {};
}

namespace fn {

bool is_valid(const ObjectRef& ref) { return ref.is_valid(); }

std::string class_name(const ObjectRef& ref)
{
    const Object* object = ref.get();
    return object ? object->class_name() : std::string();
}

} // namespace fn

} // namespace hearth
