#include "host/ui/register.h"

#include "host/ui/controls.h"
#include "host/ui/datawindow_control.h"
#include "host/ui/window.h"

namespace hearth {

Result<void> register_ui_classes(ClassRegistry& registry)
{
    // One row per system class: the C++ type its instances are made as.
    struct Factory {
        std::string_view system_class;
        MakeFn make;
    };
    static const Factory factories[] = {
        {"datawindow", make_object<DataWindowControl>},
        {"userobject", make_object<UserObject>},
        {"picture", make_object<Picture>},
        {"statictext", make_object<StaticText>},
        {"commandbutton", make_object<CommandButton>},
        {"tab", make_object<Tab>},
        {"window", make_object<Window>},
        {"line", make_object<Line>},
        {"datastore", make_object<DataStore>},
        {"dwobject", make_object<DwObject>},
    };
    for (const Factory& factory : factories)
        if (auto made = registry.set_system_factory(factory.system_class, factory.make); !made)
            return made;
    return {};
}

} // namespace hearth
