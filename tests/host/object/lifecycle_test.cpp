#include "fixture.h"

using namespace hearth;
using namespace hearth::test;

namespace {

using LifecycleTest = ObjectModelTest;

std::vector<std::string> class_names(const std::vector<ObjectRef>& controls)
{
    std::vector<std::string> names;
    for (const ObjectRef& ref : controls)
        names.push_back(fn::class_name(ref));
    return names;
}

TEST_F(LifecycleTest, CreateRunsTheAncestorsCreateFirstThenMakesNestedControls)
{
    ObjectRef main = runtime.create("T_MAIN");
    ASSERT_TRUE(fn::is_valid(main));
    EXPECT_EQ(trace(), (Lines {"t_panel.create", "t_unit.create", "t_main.create", "t_unit.create", "t_unit.create"}));
    auto& bar = object<t_main>(main);
    // Appended to Control after its upper bound, in declaration order: the ancestor's first.
    EXPECT_EQ(class_names(bar.control()), (Lines {"uo_1", "uo_2", "uo_3"}));
    EXPECT_TRUE(bar.control()[0].same_as(bar.uo_1));
    EXPECT_TRUE(bar.control()[1].same_as(bar.uo_2));
    EXPECT_TRUE(bar.control()[2].same_as(bar.uo_3));
    // Each nested control is an instance of its own class, with its control class's C++ type.
    ASSERT_TRUE(bar.uo_1.is_valid());
    EXPECT_EQ(bar.uo_1.get()->class_info().key(), "t_panel`uo_1");
    EXPECT_EQ(bar.uo_2.get()->class_info().key(), "t_main`uo_2");
    EXPECT_TRUE(bar.uo_1.get()->parent().same_as(main));
    EXPECT_TRUE(bar.nested("UO_2").same_as(bar.uo_2));
    EXPECT_FALSE(bar.nested("uo_9").is_valid());
    // Plain controls of the unit, in declaration order, made as plain host objects.
    const t_unit& unit = *bar.uo_1.get();
    EXPECT_EQ(class_names(unit.control()), (Lines {"st_1", "ln_v1", "ln_h1"}));
    EXPECT_TRUE(unit.st_1.is_valid());
    EXPECT_EQ(unit.st_1.get()->class_info().ancestor()->name(), "statictext");
    EXPECT_EQ(fn::class_name(main), "t_main");
}

TEST_F(LifecycleTest, DescendantsOverriddenControlIsCreatedAsItsOwnClass)
{
    ObjectRef grid = runtime.create("t_grid");
    EXPECT_EQ(trace(), (Lines {"t_page.create", "t_dw.create", "t_grid.create"}));
    auto& page = object<t_grid>(grid);
    EXPECT_EQ(class_names(page.control()), (Lines {"dw_1"}));
    ASSERT_TRUE(page.dw_1.is_valid());
    EXPECT_EQ(page.dw_1.get()->class_info().key(), "t_grid`dw_1");
    EXPECT_NE(dynamic_cast<DataWindowStandIn*>(page.dw_1.get()), nullptr);
    // The plain page makes the page's own dw_1 class.
    ObjectRef plain = runtime.create("t_page");
    EXPECT_EQ(object<t_page>(plain).dw_1.get()->class_info().key(), "t_page`dw_1");
}

TEST_F(LifecycleTest, ConstructorsRunForNestedControlsBeforeTheirParent)
{
    ObjectRef main = runtime.create("t_main");
    trace().clear();
    runtime.construct(main);
    EXPECT_EQ(trace(),
              (Lines {"t_unit.constructor", "t_unit.constructor", "t_unit.constructor", "t_panel.constructor",
                      "t_main.constructor"}));
}

TEST_F(LifecycleTest, DestroyRunsTheAncestorsDestroyFirstThenTheNestedControls)
{
    ObjectRef main = runtime.create("t_main");
    auto& bar = object<t_main>(main);
    ObjectRef uo_1 = bar.uo_1;
    ObjectRef st_1 = bar.uo_1.get()->st_1;
    ObjectRef uo_3 = bar.uo_3;
    trace().clear();
    runtime.destroy(main);
    EXPECT_EQ(trace(),
              (Lines {"t_panel.destroy", "t_unit.destroy", "t_panel`uo_1.destroy", "t_main.destroy", "t_unit.destroy",
                      "t_main`uo_2.destroy", "t_unit.destroy", "t_main`uo_3.destroy"}));
    for (const ObjectRef& ref : {main, uo_1, st_1, uo_3})
        EXPECT_FALSE(fn::is_valid(ref));
    EXPECT_EQ(runtime.live_objects(), 0u);
    // Destroying again does nothing.
    trace().clear();
    runtime.destroy(main);
    EXPECT_TRUE(trace().empty());
}

TEST_F(LifecycleTest, CreateConstructorEventsDestroyInThatOrder)
{
    ObjectRef page = runtime.create_and_construct("t_page");
    ObjectRef dw_1 = object<t_page>(page).dw_1;
    runtime.dispatch(page, "ue_saveas");
    runtime.destroy(page);
    EXPECT_EQ(trace(),
              (Lines {"t_page.create", "t_dw.create", "t_page`dw_1.constructor", "t_page.constructor",
                      "t_page.ue_saveas", "t_page.destroy", "t_dw.destroy"}));
    EXPECT_FALSE(fn::is_valid(dw_1));
    EXPECT_TRUE(runtime.error_log().empty());
}

class StaticTextStandIn : public Object {};

TEST_F(LifecycleTest, PlainControlsTakeTheCppTypeTheHostGivesTheirSystemClass)
{
    ASSERT_TRUE(registry.set_system_factory("StaticText", make_object<StaticTextStandIn>));
    ObjectRef unit = runtime.create("t_unit");
    const t_unit& cells = object<t_unit>(unit);
    EXPECT_NE(dynamic_cast<StaticTextStandIn*>(cells.st_1.get()), nullptr);
    EXPECT_EQ(dynamic_cast<StaticTextStandIn*>(cells.ln_v1.get()), nullptr);
    EXPECT_NE(cells.ln_v1.get(), nullptr);
}

TEST_F(LifecycleTest, UnknownClassGivesAnInvalidReference)
{
    EXPECT_FALSE(fn::is_valid(runtime.create("t_nothing")));
    EXPECT_FALSE(fn::is_valid(runtime.create("t_page`dw_1"))); // nested classes come only with their parent
    EXPECT_EQ(runtime.live_objects(), 0u);
}

TEST_F(LifecycleTest, ControlCreatedAtRunTimeJoinsItsParentsControlsAndGoesWithIt)
{
    ObjectRef main = runtime.create("t_main");
    trace().clear();
    ObjectRef added = runtime.create_control(main, "t_unit");
    ASSERT_TRUE(fn::is_valid(added));
    EXPECT_EQ(trace(), (Lines {"t_unit.create"}));
    EXPECT_TRUE(added.get()->parent().same_as(main));
    EXPECT_EQ(class_names(object<t_main>(main).control()), (Lines {"uo_1", "uo_2", "uo_3", "t_unit"}));
    EXPECT_EQ(runtime.live_objects(), 1u); // owned by its parent, not top level
    trace().clear();
    runtime.construct(added);
    EXPECT_EQ(trace(), (Lines {"t_unit.constructor"}));

    EXPECT_FALSE(fn::is_valid(runtime.create_control(main, "t_nothing")));
    EXPECT_FALSE(fn::is_valid(runtime.create_control(ObjectRef(), "t_unit")));
    EXPECT_FALSE(fn::is_valid(runtime.create_control(main, "t_page`dw_1")));
    EXPECT_EQ(object<t_main>(main).control().size(), 4u);
    runtime.destroy(main);
    EXPECT_FALSE(fn::is_valid(added));
}

TEST_F(LifecycleTest, TypedReferencesFollowTheObject)
{
    ObjectRef ref = runtime.create("t_dwsort");
    Ref<t_dw> as_dw = ref;
    Ref<t_button> as_button = ref;
    EXPECT_TRUE(as_dw.is_valid());
    EXPECT_FALSE(as_button.is_valid()); // another C++ type
    EXPECT_EQ(fn::class_name(as_dw), "t_dwsort");
    runtime.destroy(ref);
    EXPECT_FALSE(as_dw.is_valid());
    EXPECT_EQ(as_dw.get(), nullptr);
    EXPECT_FALSE(fn::is_valid(ObjectRef()));
    EXPECT_EQ(fn::class_name(ObjectRef()), "");
}

} // namespace
