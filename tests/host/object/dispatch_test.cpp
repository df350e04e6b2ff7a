#include "fixture.h"

#include <variant>

using namespace hearth;
using namespace hearth::test;

namespace {

using DispatchTest = ObjectModelTest;

TEST_F(DispatchTest, ByNameOrSlotReachesTheNearestScriptUpTheTree)
{
    struct Case {
        const char* cls;
        std::variant<const char*, int> selector;
        Lines trace;
        Value result;
    };
    const Case cases[] = {
        // Only the root class has a script: it runs, once.
        {"t_dwsort", "losefocus", {"t_dw.losefocus"}, Value(0)},
        {"t_dwsort", 50, {"t_dw.losefocus"}, Value(0)},
        // The middle class's script; its ancestor has none, so the ancestor call is skipped.
        {"t_dwsort", "rowfocuschanged", {"t_dwnosort.rowfocuschanged"}, Value(0)},
        {"t_dwsort", 60, {"t_dwnosort.rowfocuschanged"}, Value(0)},
        {"t_dwsort", "doubleclicked", {"t_dwsort.doubleclicked"}, Value(40)},
        // An event: the nearest ancestor's script first, skipping a class without one.
        {"t_dwsort", "clicked", {"t_dw.clicked", "t_dwsort.clicked"}, Value(31)},
        {"t_dwsort", 36, {"t_dw.clicked", "t_dwsort.clicked"}, Value(31)},
        {"t_dwnosort", "clicked", {"t_dw.clicked"}, Value(30)},
        // A user event declared by the root, inherited unchanged.
        {"t_dwsort", "UE_FIRST", {"t_dw.ue_first"}, Value(1)},
        // Functions never call their ancestor's version.
        {"t_dwsort", "uf_base", {"t_dwsort.uf_base"}, Value(200)},
        {"t_dwsort", 437, {"t_dwsort.uf_base"}, Value(200)},
        {"t_dw", "uf_base", {"t_dw.uf_base"}, Value(100)},
        // A page's function and the system function resize.
        {"t_grid", "wf_setsort", {"t_page.wf_setsort"}, Value(1)},
        {"t_grid", 22, {"t_page.resize"}, Value::integer(1)},
    };
    for (const Case& c : cases) {
        trace().clear();
        ObjectRef target = runtime.create(c.cls);
        trace().clear();
        std::vector<Value> args = {Value(0), Value(0), Value(3), Value()};
        DispatchResult result = std::holds_alternative<int>(c.selector)
            ? runtime.dispatch(target, std::get<int>(c.selector), args)
            : runtime.dispatch(target, std::string_view(std::get<const char*>(c.selector)), args);
        const std::string label = std::holds_alternative<int>(c.selector)
            ? std::to_string(std::get<int>(c.selector))
            : std::string(std::get<const char*>(c.selector));
        EXPECT_EQ(result.outcome, Outcome::Completed) << c.cls << " " << label;
        EXPECT_EQ(trace(), c.trace) << c.cls << " " << label;
        EXPECT_EQ(result.value, c.result) << c.cls << " " << label;
        runtime.destroy(target);
    }
    EXPECT_TRUE(runtime.error_log().empty());
}

TEST_F(DispatchTest, AncestorResultAndByReferenceArgumentsReachTheDescendant)
{
    ObjectRef dw = runtime.create("t_dwsort");
    std::vector<Value> args = {Value(0), Value(0), Value(4), Value()};
    DispatchResult result = runtime.dispatch(dw, "clicked", args);
    // t_dw.clicked wrote xpos back as 7 and answered 40; t_dwsort saw both.
    EXPECT_EQ(result.value, Value(41));
    EXPECT_EQ(args[0], Value(7));
    EXPECT_EQ(object<t_dwsort>(dw).is_seen, "7");
    EXPECT_EQ(object<t_dwsort>(dw).ii_clicks, 1);
}

// The dispatcher sizes the arguments from the declaration before the script runs, so a script
// can hold a reference to one argument while it reads another (uf_two_refs writes `a` back
// after reading `b`), and TriggerEvent's missing arguments arrive as nulls.
TEST_F(DispatchTest, ArgumentsAreSizedFromTheDeclarationBeforeTheScriptRuns)
{
    ObjectRef nvo = runtime.create("t_nvo");
    std::vector<Value> none;
    EXPECT_EQ(runtime.dispatch(nvo, "uf_two_refs", none).value, Value(2));
    EXPECT_EQ(none, (std::vector<Value> {Value(7), Value()}));
    std::vector<Value> one = {Value("x")};
    EXPECT_EQ(runtime.dispatch(nvo, "uf_two_refs", one).value, Value(2));
    EXPECT_EQ(one, (std::vector<Value> {Value(7), Value()}));
    std::vector<Value> both = {Value("x"), Value("y")};
    EXPECT_EQ(runtime.dispatch(nvo, "uf_two_refs", both).value, Value(2));
    EXPECT_EQ(both[0], Value(8));
    EXPECT_TRUE(runtime.error_log().empty());
}

// By-value arguments are converted to their declared types as the runtime converts them; one
// that cannot be converted fails the script with 25015, as a null object used does with 20502.
TEST_F(DispatchTest, ByValueArgumentsConvertOrFailWith25015)
{
    ObjectRef nvo = runtime.create("t_nvo");
    ObjectRef dw = runtime.create("t_dw");
    object<t_dw>(dw).ii_clicks = 3;
    struct Case {
        const char* label;
        const char* function;
        std::vector<Value> args;
        Outcome outcome;
        Value result;
        std::vector<int> codes;
    };
    const Case cases[] = {
        {"integer", "uf_typed", {Value::integer(12), Value(false)}, Outcome::Completed, Value(12), {}},
        {"long wraps into integer", "uf_typed", {Value(40000), Value()}, Outcome::Completed, Value(-25536), {}},
        {"fraction rounds", "uf_typed", {Value(2.5), Value(false)}, Outcome::Completed, Value(3), {}},
        {"true answers -1", "uf_typed", {Value::integer(5), Value(true)}, Outcome::Completed, Value(-1), {}},
        {"null stays null",
         "uf_typed",
         {Value::null_of(Type::Long), Value(true)},
         Outcome::Completed,
         Value::null_of(Type::Long),
         {}},
        {"text into integer", "uf_typed", {Value("12"), Value(true)}, Outcome::Failed, Value(), {25015}},
        {"number into boolean", "uf_typed", {Value::integer(1), Value(1)}, Outcome::Failed, Value(), {25015}},
        {"object of the class", "uf_object", {Value(dw)}, Outcome::Completed, Value(3), {}},
        {"null object", "uf_object", {Value()}, Outcome::Failed, Value(), {20502, 25015}},
        {"object of another class", "uf_object", {Value(nvo)}, Outcome::Failed, Value(), {25015}},
        {"no object at all", "uf_object", {Value("dw_1")}, Outcome::Failed, Value(), {25015}},
    };
    for (const Case& c : cases) {
        runtime.clear_error_log();
        std::vector<Value> args = c.args;
        const DispatchResult result = runtime.dispatch(nvo, c.function, args);
        EXPECT_EQ(result.outcome, c.outcome) << c.label;
        EXPECT_EQ(result.value, c.result) << c.label;
        std::vector<int> codes;
        for (const ErrorRecord& record : runtime.error_log())
            codes.push_back(int(record.code));
        EXPECT_EQ(codes, c.codes) << c.label;
    }
}

TEST_F(DispatchTest, ResultsCarryTypeAndNullFlag)
{
    ObjectRef dw = runtime.create("t_dw");
    ObjectRef nvo = runtime.create("t_nvo");
    struct Case {
        const char* label;
        ObjectRef target;
        const char* name;
        Outcome outcome;
        Value result;
    };
    // Without a message object an event that ends without RETURN answers 0.
    const Case without_message[] = {
        {"event without RETURN", dw, "losefocus", Outcome::Completed, Value(0)},
        {"bare RETURN", dw, "itemchanged", Outcome::Completed, Value()},
        {"event without return type", nvo, "ue_plain", Outcome::Completed, Value()},
        {"function bare RETURN", nvo, "uf_bare", Outcome::Completed, Value()},
        {"no script anywhere", dw, "rbuttondown", Outcome::NoScript, Value()},
        {"no such name", dw, "ue_nothing", Outcome::Invalid, Value()},
    };
    for (const Case& c : without_message) {
        DispatchResult result = runtime.dispatch(c.target, c.name);
        EXPECT_EQ(result.outcome, c.outcome) << c.label;
        EXPECT_EQ(result.value, c.result) << c.label;
        EXPECT_EQ(result.value.type(), c.result.type()) << c.label;
    }
    // With one, message.ReturnValue as a long.
    runtime.assign_new_message();
    runtime.message_object()->return_value = 1;
    EXPECT_EQ(runtime.dispatch(dw, "losefocus").value, Value(1));
    EXPECT_EQ(runtime.dispatch(dw, "losefocus").value.type(), Type::Long);
    EXPECT_EQ(runtime.dispatch(dw, "itemchanged").value, Value());
    // Destroying the message object leaves none assigned.
    runtime.destroy(runtime.message());
    EXPECT_FALSE(runtime.message().is_valid());
    EXPECT_EQ(runtime.dispatch(dw, "losefocus").value, Value(0));
    EXPECT_TRUE(runtime.error_log().empty());
}

TEST_F(DispatchTest, NestedControlScriptsRunInTheirOwnGroupsClasses)
{
    ObjectRef grid = runtime.create("t_grid");
    auto& page = object<t_grid>(grid);
    ASSERT_TRUE(page.dw_1.is_valid());
    trace().clear();

    // ue_retrieve of the ancestor page's dw_1, written against the page's instance variables.
    EXPECT_EQ(runtime.dispatch(page.dw_1, "ue_retrieve").value, Value(5));
    EXPECT_EQ(page.ii_rowcount, 5);
    // Overridden in the grid's own group: the ancestor page's dw_1 script runs first.
    EXPECT_EQ(runtime.dispatch(page.dw_1, 439, {}).value, Value(2));
    // Not overridden by either page: the control class's script runs under the page's.
    std::vector<Value> args = {Value(0), Value(0), Value(2), Value()};
    EXPECT_EQ(runtime.dispatch(page.dw_1, "clicked", args).value, Value(1020));
    EXPECT_EQ(runtime.dispatch(page.dw_1, "ue_firstretrieve").value, Value(1));
    EXPECT_EQ(trace(),
              (Lines {"t_page`dw_1.ue_retrieve", "t_page`dw_1.ue_rowcountchanged", "t_grid`dw_1.ue_rowcountchanged",
                      "t_dw.clicked", "t_page`dw_1.clicked", "t_grid`dw_1.ue_firstretrieve"}));
}

TEST_F(DispatchTest, TriggerEventAnswersWhetherAScriptRan)
{
    ObjectRef button = runtime.create("t_button");
    runtime.assign_new_message();
    struct Case {
        const char* event;
        std::int32_t result;
    };
    const Case cases[] = {
        {"ue_lbuttondown", 1}, {"constructor", 1}, {"ue_keydown", -1}, // declared, no script
        {"uf_setenabled", -1},                                         // a function is no event
        {"ue_unknown", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(runtime.trigger_event(button, c.event, 3u, 9), c.result) << c.event;
    EXPECT_EQ(runtime.message_object()->word_parm, 3u);
    EXPECT_EQ(runtime.message_object()->long_parm, 9);
    EXPECT_EQ(runtime.trigger_event(ObjectRef(), "ue_lbuttondown"), -1);
    EXPECT_TRUE(runtime.error_log().empty());
}

TEST_F(DispatchTest, PostedEventsRunWhenTheHostDrainsTheQueue)
{
    ObjectRef button = runtime.create("t_button");
    ObjectRef other = runtime.create("t_button");
    trace().clear();
    EXPECT_TRUE(runtime.post_event(button, "ue_lbuttonup"));
    EXPECT_TRUE(runtime.post_event(button, "ue_keydown")); // queued even without a script
    EXPECT_TRUE(runtime.post_event(other, "ue_lbuttondown"));
    EXPECT_TRUE(runtime.post_event(button, "UE_LBUTTONDOWN"));
    EXPECT_FALSE(runtime.post_event(button, "uf_setenabled"));
    EXPECT_FALSE(runtime.post_event(button, "ue_unknown"));
    EXPECT_FALSE(runtime.post_event(ObjectRef(), "ue_lbuttonup"));
    EXPECT_EQ(runtime.posted_count(), 4u);
    EXPECT_TRUE(trace().empty());

    runtime.destroy(other); // its posted event is dropped
    trace().clear();
    runtime.drain_posted();
    EXPECT_EQ(trace(), (Lines {"t_button.ue_lbuttonup", "t_button.ue_lbuttondown"}));
    EXPECT_EQ(runtime.posted_count(), 0u);
}

TEST_F(DispatchTest, ScriptsCallOtherObjectsFunctionsByName)
{
    ObjectRef button = runtime.create("t_button");
    std::vector<Value> args = {Value(false)};
    DispatchResult result = runtime.dispatch(button, "uf_setenabled", args);
    EXPECT_EQ(result.value, Value(1));
    EXPECT_FALSE(object<t_button>(button).ib_enabled);

    // A script's call to another object goes through the registry too (t_nvo.uf_outer calls
    // its own uf_inner by name, which uses a valid target here).
    ObjectRef nvo = runtime.create("t_nvo");
    object<t_nvo>(nvo).target = button;
    trace().clear();
    EXPECT_EQ(runtime.dispatch(nvo, "uf_outer").value, Value(2));
    EXPECT_EQ(trace(), (Lines {"t_nvo.uf_outer", "t_nvo.uf_inner", "used t_button"}));
    EXPECT_EQ(object<t_nvo>(nvo).ii_after, 3);
}

} // namespace
