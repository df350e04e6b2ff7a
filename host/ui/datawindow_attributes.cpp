#include "host/ui/datawindow_attributes.h"

#include "host/ui/engine_access.h"

namespace hearth {

bool attribute_holds(const DataWindowBase& dw, std::string_view control, std::string_view attribute,
                     std::string_view value)
{
    const dw::Engine& engine = EngineAccess::engine(dw);
    if (!engine.has_object())
        return false;
    const dw::ObjectDefinition& object = engine.object();
    const dw::Control* found = object.find_control(control);
    if (!found)
        return false;
    const dw::Attribute* held = dw::find_attribute(found->attributes, attribute);
    if (!held || held->value.form != dw::AttrValue::Form::Quoted || held->value.text != value)
        return false;
    const dw::Attribute* modified = dw::find_attribute(object.datawindow_attributes, "syntax.modified");
    return modified && modified->value.form == dw::AttrValue::Form::Bare && modified->value.text == "yes";
}

} // namespace hearth
