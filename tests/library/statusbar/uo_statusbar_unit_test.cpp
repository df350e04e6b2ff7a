// The status bar cell and its text: design-time looks, the application's colours, the
// initial frame geometry and the horizontal re-layout of resize.

#include "statusbar_fixture.h"

using namespace hearth;
using namespace hearth::test;

namespace {

// The four frame lines as (beginx, beginy, endx, endy).
struct Segment {
    std::int32_t bx, by, ex, ey;
    bool operator==(const Segment&) const = default;
};
void PrintTo(const Segment& s, std::ostream* os)
{
    *os << "(" << s.bx << "," << s.by << ")-(" << s.ex << "," << s.ey << ")";
}
Segment segment(const Ref<Line>& line)
{
    const Line* l = line.get();
    return l ? Segment {l->beginx, l->beginy, l->endx, l->endy} : Segment {-1, -1, -1, -1};
}

using StatusbarCell = StatusbarTest;

TEST_F(StatusbarCell, TextTakesTheFontAndTheApplicationsColours)
{
    ObjectRef ref = m_runtime.create_and_construct("uo_statictext");
    auto& text = as<uo_statictext>(ref);
    EXPECT_EQ(text.width, 402);
    EXPECT_EQ(text.height, 48);
    EXPECT_EQ(text.textsize, -9);
    EXPECT_EQ(text.weight, 400);
    EXPECT_EQ(text.fontcharset, 134);
    EXPECT_EQ(text.fontpitch, FontPitch::Variable);
    EXPECT_EQ(text.facename, "宋体");
    EXPECT_FALSE(text.focusrectangle);
    // Replaced at construction: the design-time system colours are gone.
    EXPECT_EQ(text.backcolor, app_backcolor);
    EXPECT_EQ(text.textcolor, app_textcolor);
    EXPECT_TRUE(m_runtime.error_log().empty());
}

TEST_F(StatusbarCell, TextOnlyCreatedKeepsTheDesignTimeColours)
{
    ObjectRef ref = m_runtime.create("uo_statictext");
    auto& text = as<uo_statictext>(ref);
    EXPECT_EQ(text.backcolor, 67108864);
    EXPECT_EQ(text.textcolor, 33554432);
}

TEST_F(StatusbarCell, TextWithoutARunningApplicationFailsItsConstructor)
{
    Application* previous = Application::set_current(nullptr);
    ObjectRef ref = m_runtime.create("uo_statictext");
    const DispatchResult result = m_runtime.dispatch(ref, "constructor");
    Application::set_current(previous);
    EXPECT_EQ(result.outcome, Outcome::Failed);
    ASSERT_EQ(m_runtime.error_log().size(), 2u);
    EXPECT_EQ(m_runtime.error_log()[0].code, ErrorCode::NullObjectReference);
    EXPECT_EQ(m_runtime.error_log()[0].context, "gl_backcolor: no application is running");
    EXPECT_EQ(m_runtime.error_log()[1].code, ErrorCode::CallFailed);
    EXPECT_EQ(as<uo_statictext>(ref).backcolor, 67108864);
}

TEST_F(StatusbarCell, NullTextReadsNullUntilTheNextAssignment)
{
    ObjectRef ref = m_runtime.create_and_construct("uo_statictext");
    auto& text = as<uo_statictext>(ref);
    EXPECT_EQ(text.text_value(), Value(""));
    text.set_text(Value::null_of(Type::String));
    EXPECT_EQ(text.text, "");
    EXPECT_TRUE(text.text_value().is_null());
    text.text = "直接写入";
    EXPECT_EQ(text.text_value(), Value("直接写入"));
    text.set_text(Value("就绪"));
    EXPECT_EQ(text.text_value(), Value("就绪"));
}

TEST_F(StatusbarCell, CreatesTextAndFrameInControlOrderWithTheirLooks)
{
    ObjectRef ref = m_runtime.create_and_construct("uo_statusbar_unit");
    auto& cell = as<uo_statusbar_unit>(ref);
    EXPECT_EQ(cell.width, 430);
    EXPECT_EQ(cell.height, 76);
    EXPECT_EQ(cell.backcolor, 67108864);

    std::vector<std::string> names;
    for (const ObjectRef& control : cell.control())
        names.push_back(fn::class_name(control));
    EXPECT_EQ(names, (std::vector<std::string> {"st_1", "ln_v2", "ln_v1", "ln_h2", "ln_h1"}));
    EXPECT_TRUE(cell.control()[0].same_as(cell.st_1));
    EXPECT_TRUE(cell.control()[4].same_as(cell.ln_h1));

    const uo_statictext& text = *cell.st_1.get();
    EXPECT_FALSE(text.enabled);
    EXPECT_EQ(text.text, "");
    EXPECT_EQ(text.backcolor, app_backcolor);
    EXPECT_EQ(text.textcolor, app_textcolor);

    struct Look {
        const Ref<Line>& line;
        std::int32_t color;
    };
    const Look looks[]
        = {{cell.ln_v2, 16777215}, {cell.ln_v1, 134217745}, {cell.ln_h2, 16777215}, {cell.ln_h1, 134217745}};
    for (const Look& look : looks) {
        ASSERT_TRUE(look.line.is_valid());
        EXPECT_EQ(look.line.get()->linecolor, look.color);
        EXPECT_EQ(look.line.get()->linethickness, 4);
    }
    EXPECT_TRUE(m_runtime.error_log().empty());
}

TEST_F(StatusbarCell, ConstructorLaysTheFrameAroundTheText)
{
    ObjectRef ref = m_runtime.create_and_construct("uo_statusbar_unit");
    auto& cell = as<uo_statusbar_unit>(ref);
    const uo_statictext& text = *cell.st_1.get();
    EXPECT_EQ(text.x, 5);
    EXPECT_EQ(text.y, 15);
    EXPECT_EQ(text.width, 395);
    EXPECT_EQ(text.height, 48);
    EXPECT_EQ(segment(cell.ln_h1), (Segment {5, 2, 400, 2}));
    EXPECT_EQ(segment(cell.ln_h2), (Segment {5, 65, 400, 65}));
    EXPECT_EQ(segment(cell.ln_v1), (Segment {2, 2, 2, 65}));
    // The right edge runs 2 units further down than the left one.
    EXPECT_EQ(segment(cell.ln_v2), (Segment {400, 2, 400, 67}));
}

TEST_F(StatusbarCell, ConstructorFollowsTheWidthTheCellHasThen)
{
    ObjectRef ref = m_runtime.create("uo_statusbar_unit");
    as<uo_statusbar_unit>(ref).width = 200;
    m_runtime.construct(ref);
    auto& cell = as<uo_statusbar_unit>(ref);
    EXPECT_EQ(cell.st_1.get()->width, 165);
    EXPECT_EQ(segment(cell.ln_h1), (Segment {5, 2, 170, 2}));
    EXPECT_EQ(segment(cell.ln_v2), (Segment {170, 2, 170, 67}));
}

TEST_F(StatusbarCell, ResizeMovesOnlyTheRightEndOfTheFrame)
{
    struct Case {
        std::int16_t w;
        std::int16_t h;
        std::int32_t text_width;
        std::int32_t right;
    };
    const Case cases[] = {
        {600, 0, 565, 570}, {600, 500, 565, 570}, // h is not used
        {35, 0, 0, 5},      {36, 0, 1, 6},
        {34, 0, -1, 4}, // not clamped: the host decides how a negative width shows
        {20, 0, -15, -10},  {0, 0, -35, -30},
        {430, 0, 395, 400},
    };
    for (const Case& c : cases) {
        ObjectRef ref = m_runtime.create_and_construct("uo_statusbar_unit");
        auto& cell = as<uo_statusbar_unit>(ref);
        const DispatchResult result = m_runtime.dispatch(ref, "resize", {Value::integer(c.w), Value::integer(c.h)});
        EXPECT_EQ(result.outcome, Outcome::Completed) << c.w;
        EXPECT_EQ(result.value, Value::integer(0)) << c.w;
        EXPECT_EQ(cell.width, c.w);
        EXPECT_EQ(cell.height, 76) << c.w;
        const uo_statictext& text = *cell.st_1.get();
        EXPECT_EQ(text.width, c.text_width) << c.w;
        EXPECT_EQ(text.x, 5) << c.w;
        EXPECT_EQ(text.y, 15) << c.w;
        EXPECT_EQ(segment(cell.ln_h1), (Segment {5, 2, c.right, 2})) << c.w;
        EXPECT_EQ(segment(cell.ln_h2), (Segment {5, 65, c.right, 65})) << c.w;
        EXPECT_EQ(segment(cell.ln_v2), (Segment {c.right, 2, c.right, 67})) << c.w;
        // The left edge and every vertical position keep the constructor's values.
        EXPECT_EQ(segment(cell.ln_v1), (Segment {2, 2, 2, 65})) << c.w;
        m_runtime.destroy(ref);
    }
    EXPECT_TRUE(m_runtime.error_log().empty());
}

TEST_F(StatusbarCell, ResizeArgumentsConvertAsTheRuntimePassesThem)
{
    ObjectRef ref = m_runtime.create_and_construct("uo_statusbar_unit");
    auto& cell = as<uo_statusbar_unit>(ref);
    // A long argument is passed as an integer.
    EXPECT_EQ(m_runtime.dispatch(ref, "resize", {Value(600), Value(0)}).outcome, Outcome::Completed);
    EXPECT_EQ(cell.width, 600);
    // A null width is not stored and nothing moves.
    EXPECT_EQ(m_runtime.dispatch(ref, "resize", {Value::null_of(Type::Integer), Value::integer(0)}).value,
              Value::integer(0));
    EXPECT_EQ(cell.width, 600);
    EXPECT_EQ(segment(cell.ln_h1), (Segment {5, 2, 570, 2}));
    // Text is no width: the call fails and the cell stays as it was.
    EXPECT_EQ(m_runtime.dispatch(ref, "resize", {Value("wide"), Value::integer(0)}).outcome, Outcome::Failed);
    EXPECT_EQ(cell.width, 600);
    ASSERT_FALSE(m_runtime.error_log().empty());
    EXPECT_EQ(m_runtime.error_log().back().code, ErrorCode::CallFailed);
}

TEST_F(StatusbarCell, ResizeWithoutItsTextRaisesNullObjectReference)
{
    ObjectRef ref = m_runtime.create_and_construct("uo_statusbar_unit");
    auto& cell = as<uo_statusbar_unit>(ref);
    m_runtime.destroy(cell.st_1.ref());
    EXPECT_EQ(resize(ref, 300).outcome, Outcome::Failed);
    ASSERT_EQ(m_runtime.error_log().size(), 2u);
    EXPECT_EQ(m_runtime.error_log()[0].code, ErrorCode::NullObjectReference);
    EXPECT_EQ(m_runtime.error_log()[0].context, "st_1");
    EXPECT_EQ(m_runtime.error_log()[1].code, ErrorCode::CallFailed);
    // The width was stored before the text was reached.
    EXPECT_EQ(cell.width, 300);
    EXPECT_EQ(segment(cell.ln_h1), (Segment {5, 2, 400, 2}));
}

TEST_F(StatusbarCell, DestroyTakesTheTextAndTheFrameDown)
{
    ObjectRef ref = m_runtime.create_and_construct("uo_statusbar_unit");
    const std::vector<ObjectRef> controls = ref.get()->control();
    m_runtime.destroy(ref);
    EXPECT_FALSE(ref.is_valid());
    for (const ObjectRef& control : controls)
        EXPECT_FALSE(control.is_valid());
    EXPECT_EQ(m_runtime.live_objects(), 0u);
    EXPECT_TRUE(m_runtime.error_log().empty());
}

} // namespace
