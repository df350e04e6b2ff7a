#include "host/ui/register.h"

#include "host/ui/controls.h"
#include "host/ui/datawindow_control.h"
#include "host/ui/window.h"

namespace hearth {

namespace {

const ClassTable& datastore_table()
{
    static const ClassTable table {"datastore", "nonvisualobject", make_object<DataStore>, {}, {}};
    return table;
}

const ClassTable& dwobject_table()
{
    static const ClassTable table {"dwobject", "nonvisualobject", make_object<DwObject>, {}, {}};
    return table;
}

} // namespace

std::string register_ui_classes(ClassRegistry& registry)
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
        {"tab", make_object<Tab>},
        {"window", make_object<Window>},
        {"line", make_object<Line>},
    };
    for (const Factory& factory : factories)
        registry.set_system_factory(factory.system_class, factory.make);
    for (VtableInfoFn entry : {&datastore_table, &dwobject_table})
        if (std::string error = registry.register_class(entry); !error.empty())
            return error;
    return {};
}

} // namespace hearth
