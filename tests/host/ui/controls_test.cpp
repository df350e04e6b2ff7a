// The system control types: which C++ type each system class is made as, DataObject by name,
// events raised by controls through the runtime, SelectTab.

#include "ui_fixture.h"

namespace hearth::test {
namespace {

using ControlTypes = UiTest;

TEST_F(ControlTypes, EverySystemClassIsMadeAsItsHostType)
{
    struct Case {
        std::string_view class_name;
        bool (*is_type)(Object*);
    };
    const Case cases[] = {
        {"datawindow", [](Object* o) { return dynamic_cast<DataWindowControl*>(o) != nullptr; }},
        {"userobject", [](Object* o) { return dynamic_cast<UserObject*>(o) != nullptr; }},
        {"picture", [](Object* o) { return dynamic_cast<Picture*>(o) != nullptr; }},
        {"statictext", [](Object* o) { return dynamic_cast<StaticText*>(o) != nullptr; }},
        {"tab", [](Object* o) { return dynamic_cast<Tab*>(o) != nullptr; }},
        {"window", [](Object* o) { return dynamic_cast<Window*>(o) != nullptr; }},
        {"line", [](Object* o) { return dynamic_cast<Line*>(o) != nullptr; }},
        {"datastore", [](Object* o) { return dynamic_cast<DataStore*>(o) != nullptr; }},
        {"dwobject", [](Object* o) { return dynamic_cast<DwObject*>(o) != nullptr; }},
        // A library class without a type of its own takes its system ancestor's.
        {"t_picture", [](Object* o) { return dynamic_cast<Picture*>(o) != nullptr; }},
        {"t_dw", [](Object* o) { return dynamic_cast<t_dw*>(o) != nullptr; }},
    };
    for (const Case& c : cases) {
        ObjectRef ref = runtime.create(c.class_name);
        ASSERT_TRUE(ref.is_valid()) << c.class_name;
        EXPECT_TRUE(c.is_type(ref.get())) << c.class_name;
        EXPECT_EQ(fn::class_name(ref), c.class_name);
    }
}

TEST_F(ControlTypes, HostClassesStayOutOfTheLibraryListing)
{
    for (std::string_view name : {"datastore", "dwobject", "datawindow"}) {
        const ClassInfo* cls = registry.find(name);
        ASSERT_NE(cls, nullptr) << name;
        EXPECT_TRUE(cls->is_system()) << name;
    }
    for (const ClassInfo* cls : registry.library_classes())
        EXPECT_NE(cls->name(), "datastore");
    // Installing the factories again changes nothing.
    EXPECT_EQ(error_text(register_ui_classes(registry)), "");
}

TEST_F(ControlTypes, ObjectAttributesThroughTheControl)
{
    Ref<DataWindowControl> ref = runtime.create("datawindow");
    DataWindowControl& dw = *ref.get();
    auto fails = [](auto&& access) {
        try {
            access();
        } catch (const RuntimeError& error) {
            return error.code() == ErrorCode::CallFailed;
        }
        return false;
    };
    EXPECT_TRUE(fails([&] { dw.get_object_attribute("l_row", "x2"); })); // no object yet
    ASSERT_EQ(dw.set_dataobject("d_grid"), 1);
    EXPECT_EQ(dw.get_object_attribute("l_row", "x2"), "1100");
    EXPECT_EQ(dw.get_object_attribute("DataWindow", "Table.Sort"), "?");
    dw.set_object_attribute("l_row", "x2", "900");
    EXPECT_EQ(dw.describe("l_row.x2"), "900");
    EXPECT_EQ(dw.describe("DataWindow.Syntax.Modified"), "yes");
    // Unknown objects and attributes fail the host call, as dot notation does.
    EXPECT_TRUE(fails([&] { dw.get_object_attribute("l_nosuch", "x2"); }));
    EXPECT_TRUE(fails([&] { dw.get_object_attribute("l_row", "nosuch"); }));
    EXPECT_TRUE(fails([&] { dw.set_object_attribute("l_nosuch", "x2", "1"); }));
    EXPECT_TRUE(fails([&] { dw.set_object_attribute("l_row", "nosuch", "1"); }));
    EXPECT_EQ(dw.get_object_attribute("l_row", "x2"), "900");
}

TEST_F(ControlTypes, SetItemOfAValueTheColumnCannotHoldAnswersMinusOne)
{
    Ref<DataStore> ref = runtime.create("datastore");
    DataStore& store = *ref.get();
    ASSERT_EQ(store.set_dataobject("d_grid"), 1);
    store.insert_row(0);
    EXPECT_EQ(store.set_item(1, "amount", Value("12")), -1);
    EXPECT_EQ(store.set_item(1, "code", Value(12)), -1);
    EXPECT_EQ(store.set_item(1, "amount", Value(12)), 1);
    EXPECT_EQ(store.get_item_number(1, "amount"), Value(12.0));
    EXPECT_THROW(store.set_item(2, "amount", Value(1)), RuntimeError); // a bad row fails the call
}

TEST_F(ControlTypes, ItemStatusThroughTheControl)
{
    Ref<DataStore> ref = runtime.create("datastore");
    DataStore& store = *ref.get();
    ASSERT_EQ(store.set_dataobject("d_grid"), 1);
    store.insert_row(0);
    EXPECT_EQ(store.set_item(1, "amount", Value(12)), 1);
    const int amount = std::stoi(store.describe("amount.id"));
    EXPECT_EQ(store.get_item_status(1, 0), dw::ItemStatus::NewModified);
    EXPECT_EQ(store.get_item_status(1, amount), dw::ItemStatus::DataModified);
    EXPECT_EQ(store.set_item_status(1, amount, dw::Buffer::Primary, dw::ItemStatus::NotModified), 1);
    EXPECT_EQ(store.get_item_status(1, amount), dw::ItemStatus::NotModified);
    EXPECT_EQ(store.set_item_status(1, 0, dw::Buffer::Primary, dw::ItemStatus::NotModified), 1);
    EXPECT_EQ(store.get_item_status(1, 0), dw::ItemStatus::New); // a new row stays new
    EXPECT_EQ(store.set_item_status(2, 0, dw::Buffer::Primary, dw::ItemStatus::NotModified), -1);
    EXPECT_THROW(store.get_item_status(2, 0), RuntimeError);
}

TEST_F(ControlTypes, DesignTimeDefaultsAndConstructorValues)
{
    Ref<t_dw> dw = runtime.create("t_dw");
    ASSERT_TRUE(dw.is_valid());
    EXPECT_EQ(dw.get()->width, 1200); // set by the class's constructor
    EXPECT_EQ(dw.get()->height, 600);
    EXPECT_TRUE(dw.get()->visible);
    EXPECT_TRUE(dw.get()->enabled);
    Ref<Window> window = runtime.create("window");
    EXPECT_FALSE(window.get()->visible); // shown by Open
    EXPECT_EQ(window.get()->title, "Untitled");
    EXPECT_EQ(window.get()->windowtype, WindowType::Main);
    Ref<Line> line = runtime.create("line");
    EXPECT_EQ(line.get()->linethickness, 4);
}

TEST_F(ControlTypes, DataObjectByNameThroughTheLibrary)
{
    struct Case {
        std::string_view name;
        std::int32_t result;
        std::string error;
        std::string columns; // Describe("datawindow.column.count"), "!" without an object
    };
    const Case cases[] = {
        {"d_grid", 1, "", "5"},
        {"D_GRID", 1, "", "5"}, // names ignore case
        {"d_missing", -1, "object not found: d_missing", "!"},
    };
    for (const Case& c : cases) {
        Ref<DataWindowControl> dw = runtime.create("datawindow");
        EXPECT_EQ(dw.get()->set_dataobject(c.name), c.result) << c.name;
        EXPECT_EQ(dw.get()->dataobject(), c.name);
        EXPECT_EQ(dw.get()->load_error(), c.error);
        EXPECT_EQ(dw.get()->describe("datawindow.column.count"), c.columns) << c.name;
    }
}

TEST_F(ControlTypes, DataStoreHasItsOwnEngine)
{
    Ref<DataStore> ds = runtime.create("datastore");
    Ref<DataWindowControl> dw = runtime.create("datawindow");
    ASSERT_EQ(ds.get()->set_dataobject("d_grid"), 1);
    ASSERT_EQ(dw.get()->set_dataobject("d_grid"), 1);
    EXPECT_EQ(ds.get()->insert_row(0), 1);
    EXPECT_EQ(ds.get()->set_item(1, "code", Value("A1")), 1);
    EXPECT_EQ(ds.get()->row_count(), 1);
    EXPECT_EQ(dw.get()->row_count(), 0);
    EXPECT_EQ(ds.get()->get_item_string(1, "code"), Value("A1"));
}

TEST_F(ControlTypes, RowFocusChangedIsRaisedThroughTheRuntime)
{
    Ref<t_dw> dw = runtime.create("t_dw");
    ASSERT_EQ(dw.get()->set_dataobject("d_grid"), 1);
    for (int i = 0; i < 3; ++i)
        dw.get()->insert_row(0);
    journal().clear();
    EXPECT_EQ(dw.get()->set_row(2), 1);
    EXPECT_EQ(dw.get()->set_row(2), 1); // no change, no event
    EXPECT_EQ(dw.get()->scroll_to_row(99), 3);
    EXPECT_EQ(dw.get()->set_row(4), -1);
    const std::vector<Received> expected {{"rowfocuschanged", {"2"}}, {"rowfocuschanged", {"3"}}};
    EXPECT_EQ(journal(), expected);
}

TEST_F(ControlTypes, RetrieveEndHook)
{
    Ref<t_dw> dw = runtime.create("t_dw");
    dw.get()->retrieve_end(7);
    const std::vector<Received> expected {{"retrieveend", {"7"}}};
    EXPECT_EQ(journal(), expected);
}

TEST_F(ControlTypes, SelectTabRaisesSelectionChangedOnAChange)
{
    Ref<Tab> tab = runtime.create_and_construct("t_tab");
    ASSERT_EQ(tab.get()->control().size(), 3u);
    struct Step {
        std::int32_t index;
        std::int32_t result;
        std::int32_t selected_after;
    };
    const Step steps[] = {{2, 1, 2}, {2, 1, 2}, {0, -1, 2}, {4, -1, 2}, {3, 1, 3}, {1, 1, 1}};
    for (const Step& s : steps) {
        EXPECT_EQ(tab.get()->select_tab(s.index), s.result) << s.index;
        EXPECT_EQ(tab.get()->selectedtab, s.selected_after) << s.index;
    }
    EXPECT_EQ(tab.get()->select_tab(tab.get()->control()[1]), 1);
    EXPECT_EQ(tab.get()->select_tab(ObjectRef()), -1);
    const std::vector<Received> expected {{"selectionchanged", {"1", "2"}},
                                          {"selectionchanged", {"2", "3"}},
                                          {"selectionchanged", {"3", "1"}},
                                          {"selectionchanged", {"1", "2"}}};
    EXPECT_EQ(journal(), expected);
}

} // namespace
} // namespace hearth::test
