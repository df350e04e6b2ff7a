// The host raises a user event by the event id its class maps to the notification, whatever
// the event is called; a name alone never makes an event the host raises.

#include "ui_fixture.h"

#include "host/ui/notifications.h"

namespace hearth::test {
namespace {

ScriptResult note_event(ScriptCall& call)
{
    Received entry {call.slot().name, {}};
    for (std::size_t i = 0; i < call.arg_count(); ++i)
        entry.args.push_back(render(call.arg(i)));
    journal().push_back(std::move(entry));
    return no_return;
}

// A DataWindow whose key-down event has a name of its own, beside user events that carry the
// names of a mapped event and of a system event but no event id.
const ClassTable& t_renamed_table()
{
    static const ClassTable table {"t_renamed",
                                   "datawindow",
                                   make_object<DataWindowControl>,
                                   {},
                                   {{own_group,
                                     "",
                                     {{"ue_anything", SlotKind::Event, Type::Long, 2, "pbm_dwnkey"},
                                      {"ue_dwnmousemove", SlotKind::Event, Type::Long, 4},
                                      {"getfocus", SlotKind::Event, Type::Long}},
                                     {{436, "ue_anything", note_event},
                                      {437, "ue_dwnmousemove", note_event},
                                      {438, "getfocus", note_event},
                                      {36, "clicked", note_event}}}}};
    return table;
}

class Notifications : public UiTest {
protected:
    Notifications()
    {
        EXPECT_EQ(error_text(registry.register_class(t_renamed_table)), "");
        control = runtime.create("t_renamed");
    }
    ObjectRef control;
};

TEST_F(Notifications, AUserEventIsRaisedByItsEventIdWhateverItsName)
{
    const ClassInfo& cls = control.get()->class_info();
    struct Case {
        Notification notification;
        const char* raises; // "" for nothing
    };
    const Case cases[] = {
        {Notification::DwKeyDown, "ue_anything"},
        {Notification::DwMouseMove, ""}, // ue_dwnmousemove maps no event id
        {Notification::GetFocus, ""},    // a user event named like a system event
        {Notification::DwClicked, "clicked"},
        {Notification::DwLButtonUp, ""},
    };
    for (const Case& c : cases) {
        const SlotInfo* slot = notified_event(cls, c.notification);
        EXPECT_EQ(slot ? slot->name : std::string(), c.raises) << c.raises;
    }

    desktop.raise(control, Notification::DwKeyDown, {Value(65), Value::ulong(2)});
    desktop.raise(control, Notification::DwMouseMove, {Value(1), Value(2), Value(0), Value()});
    desktop.raise(control, Notification::GetFocus);
    const std::vector<Received> expected {{"ue_anything", {"65", "2"}}};
    EXPECT_EQ(journal(), expected);
}

} // namespace
} // namespace hearth::test
