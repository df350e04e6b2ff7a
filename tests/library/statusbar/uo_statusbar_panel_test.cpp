// The status bar panel: cell widths from their texts, the first cell taking the free space,
// proportional shrinking when the texts do not fit, and uf_settext.

#include "statusbar_fixture.h"

#include <string>

using namespace hearth;
using namespace hearth::test;

namespace {

using StatusbarPanel = StatusbarTest;

TEST(StatusbarWidthRule, WidthFollowsTheTextsLengthInCharacters)
{
    struct Case {
        Value text;
        std::int32_t width;
    };
    const Case cases[] = {
        {Value("就绪"), 2 * 50 + 60},
        {Value("abcd"), 260},            // 4 characters without "20"
        {Value("2026-12-08"), 460},      // 10 characters with "20"
        {Value("版本 2.0 2026年"), 452}, // 12 characters with "20" and "版本"
        {Value("版本1.0"), 5 * 50 + 60}, // "版本" alone changes nothing
        {Value("系统版本：2026"), 9 * 36 + 20},
        {Value("检索到120条记录!"), 10 * 40 + 60}, // "20" inside a count
        {Value("2"), 110},
        {Value("02"), 160}, // "0" then "2" is not "20"
        {Value("20"), 140},
        {Value(""), 60},                    // n = 0
        {Value::null_of(Type::String), 10}, // n = -1 and no "20"
    };
    for (const Case& c : cases)
        EXPECT_EQ(statusbar::natural_width(c.text), c.width) << (c.text.is_null() ? "null" : c.text.as_string());
}

TEST_F(StatusbarPanel, ConstructorSetsColourHeightAndRow)
{
    ObjectRef ref = m_runtime.create("uo_statusbar_panel");
    auto& panel = as<uo_statusbar_panel>(ref);
    EXPECT_EQ(panel.width, 2075);
    EXPECT_EQ(panel.height, 88);
    EXPECT_TRUE(panel.border);
    EXPECT_EQ(panel.backcolor, 67108864);
    ASSERT_EQ(panel.control().size(), 1u);
    EXPECT_TRUE(panel.control()[0].same_as(panel.uo_1));
    EXPECT_EQ(panel.uo_1.get()->x, 5);
    EXPECT_EQ(panel.uo_1.get()->taborder, 10);
    panel.uo_1.get()->y = 30;

    m_runtime.construct(ref);
    EXPECT_EQ(panel.backcolor, app_backcolor);
    // The text's height, 48, and 28 around it.
    EXPECT_EQ(panel.height, 76);
    EXPECT_EQ(panel.uo_1.get()->y, 0);
    EXPECT_EQ(panel.uo_1.get()->x, 5);
    EXPECT_TRUE(m_runtime.error_log().empty());
}

TEST_F(StatusbarPanel, OneCellTakesTheWholeWidthWhenItsTextFits)
{
    struct Case {
        const char* text;
        std::int16_t w;
        std::int32_t width;
    };
    const Case cases[] = {
        {"", 2075, 2070},   {"就绪", 1000, 995}, {"", 66, 61}, // free 1: the fitting branch
        {"", 65, 60},                                          // free 0: proportional, available = total
        {"", 64, 59},                                          // free -1: shrinks to what there is
        {"abcd", 200, 195},
    };
    for (const Case& c : cases) {
        ObjectRef ref = m_runtime.create_and_construct("uo_statusbar_panel");
        auto& panel = as<uo_statusbar_panel>(ref);
        ASSERT_EQ(set_text(ref, 1, Value(c.text)).outcome, Outcome::Completed);
        const DispatchResult result = resize(ref, c.w);
        EXPECT_EQ(result.value, Value::integer(0));
        EXPECT_EQ(panel.width, c.w);
        EXPECT_EQ(widths(ref), std::vector<std::int32_t> {c.width}) << c.text << " " << c.w;
        EXPECT_EQ(panel.uo_1.get()->x, 5);
        EXPECT_EQ(panel.uo_1.get()->st_1.get()->text, c.text);
        m_runtime.destroy(ref);
    }
    EXPECT_TRUE(m_runtime.error_log().empty());
}

TEST_F(StatusbarPanel, SetTextLaysOutAgainAtTheCurrentWidth)
{
    ObjectRef ref = m_runtime.create_and_construct("uo_statusbar_panel");
    auto& panel = as<uo_statusbar_panel>(ref);
    // Nothing has laid the cell out yet: it keeps its design-time width.
    EXPECT_EQ(widths(ref), std::vector<std::int32_t> {430});
    panel.width = 800;
    ASSERT_EQ(set_text(ref, 1, Value("当前用户：管理员")).outcome, Outcome::Completed);
    EXPECT_EQ(widths(ref), std::vector<std::int32_t> {795});
    // Too long for the strip: the one cell shrinks to the strip as well.
    panel.width = 300;
    ASSERT_EQ(set_text(ref, 1, Value("当前用户：管理员")).outcome, Outcome::Completed);
    EXPECT_EQ(widths(ref), std::vector<std::int32_t> {295});
    EXPECT_EQ(panel.uo_1.get()->st_1.get()->width, 260);
}

TEST_F(StatusbarPanel, SetTextOutsideTheCellsChangesNothing)
{
    struct Case {
        Value index;
    };
    const Case cases[] = {{Value::integer(0)},
                          {Value::integer(2)},
                          {Value::integer(-1)},
                          {Value::integer(32767)},
                          {Value::null_of(Type::Integer)}};
    for (const Case& c : cases) {
        ObjectRef ref = m_runtime.create_and_construct("uo_statusbar_panel");
        auto& panel = as<uo_statusbar_panel>(ref);
        const DispatchResult result = m_runtime.dispatch(ref, "uf_settext", {c.index, Value("就绪")});
        EXPECT_EQ(result.outcome, Outcome::Completed);
        EXPECT_TRUE(result.value.is_null());
        EXPECT_EQ(panel.uo_1.get()->st_1.get()->text, "");
        // No layout either.
        EXPECT_EQ(widths(ref), std::vector<std::int32_t> {430});
        m_runtime.destroy(ref);
    }
    EXPECT_TRUE(m_runtime.error_log().empty());
}

TEST_F(StatusbarPanel, SetTextSkipsADestroyedCell)
{
    ObjectRef ref = m_runtime.create_and_construct("uo_statusbar_panel");
    auto& panel = as<uo_statusbar_panel>(ref);
    const ObjectRef cell = panel.uo_1;
    m_runtime.destroy(cell);
    const DispatchResult result = set_text(ref, 1, Value("就绪"));
    EXPECT_EQ(result.outcome, Outcome::Completed);
    EXPECT_TRUE(m_runtime.error_log().empty());
    EXPECT_EQ(panel.width, 2075);
}

TEST_F(StatusbarPanel, ResizeWithADestroyedCellRaisesNullObjectReference)
{
    ObjectRef ref = m_runtime.create_and_construct("uo_statusbar_panel");
    m_runtime.destroy(as<uo_statusbar_panel>(ref).uo_1);
    EXPECT_EQ(resize(ref, 1000).outcome, Outcome::Failed);
    ASSERT_EQ(m_runtime.error_log().size(), 2u);
    EXPECT_EQ(m_runtime.error_log()[0].code, ErrorCode::NullObjectReference);
    EXPECT_EQ(m_runtime.error_log()[0].context, "control[1]");
    EXPECT_EQ(m_runtime.error_log()[1].code, ErrorCode::CallFailed);
}

TEST_F(StatusbarPanel, AHandledNullReferenceSkipsTheMissingCell)
{
    m_runtime.set_error_hook([](const ErrorRecord&) { return ErrorHandling::Handled; });
    ObjectRef ref = m_runtime.create_and_construct("uo_statusbar_panel");
    m_runtime.destroy(as<uo_statusbar_panel>(ref).uo_1);
    const DispatchResult result = resize(ref, 1000);
    EXPECT_EQ(result.outcome, Outcome::Completed);
    EXPECT_EQ(result.value, Value::integer(0));
    ASSERT_EQ(m_runtime.error_log().size(), 2u);
    EXPECT_EQ(m_runtime.error_log()[0].context, "control[1]");
    EXPECT_EQ(m_runtime.error_log()[1].context, "uo_1");
    EXPECT_EQ(as<uo_statusbar_panel>(ref).width, 1000);
}

TEST_F(StatusbarPanel, NullTextMeasuresAsLengthMinusOne)
{
    ObjectRef ref = m_runtime.create_and_construct("uo_statusbar_panel");
    auto& panel = as<uo_statusbar_panel>(ref);
    panel.width = 5; // leaves no free space, so the cell keeps its natural width
    ASSERT_EQ(set_text(ref, 1, Value::null_of(Type::String)).outcome, Outcome::Completed);
    EXPECT_TRUE(panel.uo_1.get()->st_1.get()->text_value().is_null());
    EXPECT_EQ(widths(ref), std::vector<std::int32_t> {0});
    panel.width = 15;
    ASSERT_EQ(m_runtime.dispatch(ref, "resize", {Value::integer(15), Value::integer(0)}).outcome, Outcome::Completed);
    // free = 15 - 10 - 5 = 0: the natural width 10 stays.
    EXPECT_EQ(widths(ref), std::vector<std::int32_t> {10});
}

TEST_F(StatusbarPanel, SetTextWithTextThatIsNoStringFails)
{
    ObjectRef ref = m_runtime.create_and_construct("uo_statusbar_panel");
    const DispatchResult result = m_runtime.dispatch(ref, "uf_settext", {Value::integer(1), Value(true)});
    EXPECT_EQ(result.outcome, Outcome::Failed);
    ASSERT_FALSE(m_runtime.error_log().empty());
    EXPECT_EQ(m_runtime.error_log().back().code, ErrorCode::CallFailed);
    EXPECT_EQ(as<uo_statusbar_panel>(ref).uo_1.get()->st_1.get()->text, "");
}

} // namespace
