#include "fixture.h"

using namespace hearth;
using namespace hearth::test;

namespace {

using ErrorsTest = ObjectModelTest;

TEST_F(ErrorsTest, CallThroughNullReferenceRaises20502Then25015AndFails)
{
    ObjectRef nvo = runtime.create("t_nvo");
    DispatchResult result = runtime.dispatch(nvo, "uf_call_null");
    EXPECT_EQ(result.outcome, Outcome::Failed);
    EXPECT_EQ(result.value, Value());
    EXPECT_EQ(result.value.type(), Type::Any);
    EXPECT_EQ(object<t_nvo>(nvo).ii_after, 0);
    EXPECT_EQ(errors(), (Lines {"20502 t_nvo uf_call_null", "25015 t_nvo uf_call_null"}));
    const ErrorRecord& first = runtime.error_log().at(0);
    EXPECT_EQ(first.text, "Null object reference");
    EXPECT_EQ(first.context, "call of uf_x");
    EXPECT_EQ(first.handling, ErrorHandling::Unhandled);
    EXPECT_EQ(runtime.error_log().at(1).text, "Error calling function or event");
}

TEST_F(ErrorsTest, HandledErrorSkipsTheStatementAndTheScriptGoesOn)
{
    std::vector<ErrorRecord> asked;
    runtime.set_error_hook([&](const ErrorRecord& record) {
        asked.push_back(record);
        return ErrorHandling::Handled;
    });
    ObjectRef nvo = runtime.create("t_nvo");
    DispatchResult result = runtime.dispatch(nvo, "uf_call_null");
    EXPECT_EQ(result.outcome, Outcome::Completed);
    EXPECT_EQ(result.value, Value(1));
    EXPECT_EQ(object<t_nvo>(nvo).ii_after, 1);
    EXPECT_EQ(errors(), (Lines {"20502 t_nvo uf_call_null"}));
    EXPECT_EQ(runtime.error_log().at(0).handling, ErrorHandling::Handled);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].class_name, "t_nvo");
    EXPECT_EQ(asked[0].script, "uf_call_null");
}

TEST_F(ErrorsTest, EachCodeIsSkippedWhenHandledAndEndsTheScriptOtherwise)
{
    struct Case {
        const char* function;
        Value argument;
        int code;
        std::int32_t after; // ii_after when the failing statement was skipped
    };
    const Case cases[] = {
        {"uf_divide", Value(), 20501, 25}, {"uf_inner", Value(), 20502, 2},
        {"uf_index", Value(0), 20503, 31}, {"uf_index", Value::null_of(Type::Long), 20508, 31},
        {"uf_parent", Value(), 20543, 30},
    };
    for (ErrorHandling handling : {ErrorHandling::Unhandled, ErrorHandling::Handled}) {
        runtime.set_error_hook([handling](const ErrorRecord&) { return handling; });
        for (const Case& c : cases) {
            runtime.clear_error_log();
            ObjectRef nvo = runtime.create("t_nvo");
            DispatchResult result = runtime.dispatch(nvo, c.function, {c.argument});
            const std::string code = std::to_string(c.code) + " t_nvo " + c.function;
            if (handling == ErrorHandling::Handled) {
                EXPECT_EQ(result.outcome, Outcome::Completed) << code;
                EXPECT_EQ(object<t_nvo>(nvo).ii_after, c.after) << code;
                EXPECT_EQ(errors(), (Lines {code})) << code;
            } else {
                EXPECT_EQ(result.outcome, Outcome::Failed) << code;
                EXPECT_EQ(result.value, Value()) << code;
                EXPECT_EQ(object<t_nvo>(nvo).ii_after, 0) << code;
                EXPECT_EQ(errors(), (Lines {code, std::string("25015 t_nvo ") + c.function})) << code;
            }
        }
    }
}

TEST_F(ErrorsTest, NestedFailingCallsRaise25015OnlyOnce)
{
    ObjectRef nvo = runtime.create("t_nvo");
    DispatchResult result = runtime.dispatch(nvo, "uf_outer");
    EXPECT_EQ(result.outcome, Outcome::Failed);
    EXPECT_EQ(result.value, Value());
    // The caller did not go on after its failed call.
    EXPECT_EQ(object<t_nvo>(nvo).ii_after, 0);
    EXPECT_EQ(trace(), (Lines {"t_nvo.create", "t_nvo.uf_outer", "t_nvo.uf_inner"}));
    EXPECT_EQ(errors(), (Lines {"20502 t_nvo uf_inner", "25015 t_nvo uf_inner"}));
}

TEST_F(ErrorsTest, FailingAncestorScriptFailsTheEventWithoutASecond25015)
{
    ObjectRef child = runtime.create("t_nvo_child");
    trace().clear();
    DispatchResult result = runtime.dispatch(child, "ue_guarded");
    EXPECT_EQ(result.outcome, Outcome::Failed);
    EXPECT_EQ(result.value, Value());
    EXPECT_EQ(trace(), (Lines {"t_nvo.ue_guarded"})); // the descendant's script never ran
    EXPECT_EQ(object<t_nvo_child>(child).ii_after, 0);
    EXPECT_EQ(errors(), (Lines {"20502 t_nvo ue_guarded", "25015 t_nvo ue_guarded"}));

    // A failed host call in the ancestor: 25015 alone, once.
    runtime.clear_error_log();
    trace().clear();
    result = runtime.dispatch(child, "ue_host_fail");
    EXPECT_EQ(result.outcome, Outcome::Failed);
    EXPECT_EQ(trace(), (Lines {"t_nvo.ue_host_fail"}));
    EXPECT_EQ(errors(), (Lines {"25015 t_nvo ue_host_fail"}));
    EXPECT_EQ(runtime.error_log().at(0).context, "Describe failed");
}

TEST_F(ErrorsTest, AncestorThatSucceedsAfterAHandledErrorLetsTheEventGoOn)
{
    runtime.set_error_hook([](const ErrorRecord&) { return ErrorHandling::Handled; });
    ObjectRef child = runtime.create("t_nvo_child");
    DispatchResult result = runtime.dispatch(child, "ue_guarded");
    EXPECT_EQ(result.outcome, Outcome::Completed);
    EXPECT_EQ(result.value, Value(25)); // ancestorreturnvalue 24 + 1
    EXPECT_EQ(object<t_nvo_child>(child).ii_after, 99);
    EXPECT_EQ(errors(), (Lines {"20502 t_nvo ue_guarded"}));
}

TEST_F(ErrorsTest, ErrorThrownByAHostOperationIsLoggedAndFailsTheScript)
{
    int asked = 0;
    runtime.set_error_hook([&](const ErrorRecord&) {
        ++asked;
        return ErrorHandling::Handled;
    });
    ObjectRef nvo = runtime.create("t_nvo");
    DispatchResult result = runtime.dispatch(nvo, "uf_host_throws");
    // Thrown past raise_error, it can no longer be skipped.
    EXPECT_EQ(result.outcome, Outcome::Failed);
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(errors(), (Lines {"20503 t_nvo uf_host_throws", "25015 t_nvo uf_host_throws"}));
}

TEST_F(ErrorsTest, EachHostCallStartsWithoutAPendingFailure)
{
    ObjectRef nvo = runtime.create("t_nvo");
    runtime.dispatch(nvo, "uf_call_null");
    runtime.dispatch(nvo, "uf_inner");
    EXPECT_EQ(errors(),
              (Lines {"20502 t_nvo uf_call_null", "25015 t_nvo uf_call_null", "20502 t_nvo uf_inner",
                      "25015 t_nvo uf_inner"}));
}

TEST_F(ErrorsTest, DestroyedReferenceIsInvalidAndRaises20502)
{
    ObjectRef nvo = runtime.create("t_nvo");
    ObjectRef target = runtime.create("t_button");
    object<t_nvo>(nvo).target = target;
    std::shared_ptr<Object> held = target.lock(); // someone still holds the object
    ASSERT_TRUE(held);
    runtime.destroy(target);
    EXPECT_FALSE(fn::is_valid(target));
    EXPECT_EQ(target.get(), nullptr);
    EXPECT_EQ(target.lock(), nullptr);
    EXPECT_EQ(fn::class_name(target), "");
    EXPECT_TRUE(held->is_destroyed());

    DispatchResult result = runtime.dispatch(nvo, "uf_inner");
    EXPECT_EQ(result.outcome, Outcome::Failed);
    EXPECT_EQ(errors(), (Lines {"20502 t_nvo uf_inner", "25015 t_nvo uf_inner"}));
    EXPECT_EQ(runtime.error_log().at(0).context, "target");
    // The host calling a destroyed object gets no script and no error.
    runtime.clear_error_log();
    EXPECT_EQ(runtime.dispatch(target, "ue_lbuttondown").outcome, Outcome::Invalid);
    EXPECT_TRUE(runtime.error_log().empty());
}

TEST_F(ErrorsTest, CallOfAnUnknownFunctionFromAScriptRaises25015)
{
    ObjectRef nvo = runtime.create("t_nvo");
    object<t_nvo>(nvo).target = runtime.create("t_button");
    DispatchResult result = runtime.dispatch(nvo, "uf_call_null");
    EXPECT_EQ(result.outcome, Outcome::Failed);
    EXPECT_EQ(errors(), (Lines {"25015 t_nvo uf_call_null"}));
    EXPECT_EQ(runtime.error_log().at(0).context, "t_button has no event or function uf_x");
}

TEST_F(ErrorsTest, RaiseOutsideAnyScriptThrowsToTheHostCaller)
{
    try {
        runtime.raise_error(ErrorCode::ArrayBounds, "outside");
        FAIL() << "raise_error returned for an unhandled error";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.code(), ErrorCode::ArrayBounds);
    }
    EXPECT_EQ(errors(), (Lines {"20503  "}));
}

} // namespace
