// The five-cell main status bar: its cells, the layout of the worked example, texts that fit,
// fit exactly or overflow, and the 32-bit arithmetic of the proportional shrink.

#include "statusbar_fixture.h"

#include <string>

using namespace hearth;
using namespace hearth::test;

namespace {

using StatusbarMain = StatusbarTest;
using Numbers = std::vector<std::int32_t>;

TEST_F(StatusbarMain, FiveCellsInControlOrderAtTheirDesignTimePlaces)
{
    ObjectRef ref = m_runtime.create("uo_statusbar_main");
    auto& bar = as<uo_statusbar_main>(ref);
    EXPECT_EQ(bar.width, 2363);
    EXPECT_EQ(bar.height, 108);
    ASSERT_EQ(bar.control().size(), 5u);
    const Ref<uo_statusbar_unit>* expected[] = {&bar.uo_1, &bar.uo_2, &bar.uo_3, &bar.uo_4, &bar.uo_5};
    std::vector<std::string> names;
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_TRUE(bar.control()[i].same_as(*expected[i])) << i;
        names.push_back(fn::class_name(bar.control()[i]));
    }
    EXPECT_EQ(names, (std::vector<std::string> {"uo_1", "uo_2", "uo_3", "uo_4", "uo_5"}));
    EXPECT_EQ(xs(ref), (Numbers {5, 453, 919, 1426, 1902}));
    std::vector<std::int32_t> ys, taborders;
    std::vector<bool> on_top;
    for (uo_statusbar_unit* cell : cells(ref)) {
        ys.push_back(cell->y);
        taborders.push_back(cell->taborder);
        on_top.push_back(cell->bringtotop);
        // Every cell is a whole cell: its text and its frame.
        EXPECT_EQ(cell->control().size(), 5u);
    }
    EXPECT_EQ(ys, (Numbers {0, 8, 8, 8, 16}));
    EXPECT_EQ(taborders, (Numbers {10, 20, 30, 40, 50}));
    EXPECT_EQ(on_top, (std::vector<bool> {false, true, true, true, true}));
}

TEST_F(StatusbarMain, ConstructorRunsThePanelsAndPutsEveryCellAtTheTop)
{
    ObjectRef ref = m_runtime.create_and_construct("uo_statusbar_main");
    auto& bar = as<uo_statusbar_main>(ref);
    EXPECT_EQ(bar.backcolor, app_backcolor);
    EXPECT_EQ(bar.height, 76);
    for (uo_statusbar_unit* cell : cells(ref)) {
        EXPECT_EQ(cell->y, 0);
        EXPECT_EQ(cell->st_1.get()->text, "");
        EXPECT_EQ(cell->st_1.get()->backcolor, app_backcolor);
        EXPECT_EQ(cell->ln_v2.get()->endy, 67);
    }
    // Horizontal places wait for the first resize.
    EXPECT_EQ(xs(ref), (Numbers {5, 453, 919, 1426, 1902}));
    EXPECT_TRUE(m_runtime.error_log().empty());
}

TEST_F(StatusbarMain, EmptyCellsAtTheDesignWidthEndExactlyAtTheRightEdge)
{
    ObjectRef ref = m_runtime.create_and_construct("uo_statusbar_main");
    ASSERT_EQ(resize(ref, 2363).outcome, Outcome::Completed);
    // 2363 - 5 - 5 * 60 + 4 * 20 = 2138 free units go to the first cell's 60.
    EXPECT_EQ(widths(ref), (Numbers {2198, 60, 60, 60, 60}));
    EXPECT_EQ(xs(ref), (Numbers {5, 2183, 2223, 2263, 2303}));
    const uo_statusbar_unit& last = *cells(ref).back();
    EXPECT_EQ(last.x + last.width, 2363);
    // Each cell's frame follows its own width.
    EXPECT_EQ(cells(ref)[0]->ln_h1.get()->endx, 2168);
    EXPECT_EQ(cells(ref)[1]->ln_v2.get()->beginx, 30);
}

TEST_F(StatusbarMain, LayoutsOfTextsThatFitFitExactlyOrOverflow)
{
    struct Case {
        const char* what;
        std::vector<Value> texts;
        std::int16_t w;
        Numbers widths;
        Numbers xs;
    };
    const std::vector<Value> status
        = {Value("当前用户：管理员"), Value("检索到12条记录!"), Value(""), Value("2026-12-08"), Value("版本2026.12")};
    const std::vector<Value> empty(5, Value(""));
    const Case cases[] = {
        {"texts fit", status, 2363, {1064, 510, 60, 460, 344}, {5, 1049, 1539, 1579, 2019}},
        {"wider window", status, 2400, {1101, 510, 60, 460, 344}, {5, 1086, 1576, 1616, 2056}},
        {"free 1", empty, 226, {61, 60, 60, 60, 60}, {5, 46, 86, 126, 166}},
        {"free 0: natural widths", empty, 225, {60, 60, 60, 60, 60}, {5, 45, 85, 125, 165}},
        {"free -1", empty, 224, {59, 59, 59, 59, 59}, {5, 44, 83, 122, 161}},
        {"shrink",
         {Value("abcdefghij"), Value("1234"), Value(""), Value("2026-12-08"), Value("版本2026.12")},
         1000,
         {357, 165, 38, 293, 219},
         {5, 342, 487, 505, 778}},
        {"null text",
         {Value("就绪"), Value::null_of(Type::String), Value(""), Value(""), Value("")},
         2363,
         {2248, 10, 60, 60, 60},
         {5, 2233, 2223, 2263, 2303}},
    };
    for (const Case& c : cases) {
        ObjectRef ref = m_runtime.create_and_construct("uo_statusbar_main");
        as<uo_statusbar_main>(ref).width = c.w;
        for (std::size_t i = 0; i < c.texts.size(); ++i)
            ASSERT_EQ(set_text(ref, static_cast<std::int16_t>(i + 1), c.texts[i]).outcome, Outcome::Completed);
        EXPECT_EQ(widths(ref), c.widths) << c.what;
        EXPECT_EQ(xs(ref), c.xs) << c.what;
        // A resize to the same width gives the same layout: the layout has no memory.
        ASSERT_EQ(resize(ref, c.w).outcome, Outcome::Completed);
        EXPECT_EQ(widths(ref), c.widths) << c.what;
        EXPECT_EQ(xs(ref), c.xs) << c.what;
        m_runtime.destroy(ref);
    }
    EXPECT_TRUE(m_runtime.error_log().empty());
}

TEST_F(StatusbarMain, ShrinkFormsItsProductsInThirtyTwoBits)
{
    // 700 characters give 35060, which as an integer width wraps to -30476; four cells of 600
    // give 30060 each, so total = 89764. At 32767 the first product, (89764 + 30476) * 32842 =
    // 3948922080, wraps to -346045216 before the division.
    struct Case {
        std::int16_t w;
        Numbers widths;
        Numbers xs;
    };
    const Case cases[] = {
        {32767, {-28839, 10998, 10998, 10998, 10998}, {5, -28854, -17876, -6898, 4080}},
        {2363, {-827, 816, 816, 816, 816}, {5, -842, -46, 750, 1546}},
    };
    for (const Case& c : cases) {
        ObjectRef ref = m_runtime.create_and_construct("uo_statusbar_main");
        auto& bar = as<uo_statusbar_main>(ref);
        bar.uo_1.get()->st_1.get()->text = std::string(700, 'a');
        for (const auto* cell : {&bar.uo_2, &bar.uo_3, &bar.uo_4, &bar.uo_5})
            cell->get()->st_1.get()->text = std::string(600, 'b');
        ASSERT_EQ(resize(ref, c.w).outcome, Outcome::Completed);
        EXPECT_EQ(widths(ref), c.widths) << c.w;
        EXPECT_EQ(xs(ref), c.xs) << c.w;
        m_runtime.destroy(ref);
    }
}

TEST_F(StatusbarMain, SetTextAddressesCellsOneToFiveOnly)
{
    ObjectRef ref = m_runtime.create_and_construct("uo_statusbar_main");
    ASSERT_EQ(resize(ref, 2363).outcome, Outcome::Completed);
    for (std::int16_t index : {std::int16_t(0), std::int16_t(6)}) {
        EXPECT_EQ(set_text(ref, index, Value("就绪")).outcome, Outcome::Completed);
        for (uo_statusbar_unit* cell : cells(ref))
            EXPECT_EQ(cell->st_1.get()->text, "") << index;
        EXPECT_EQ(widths(ref), (Numbers {2198, 60, 60, 60, 60})) << index;
    }
    ASSERT_EQ(set_text(ref, 5, Value("就绪")).outcome, Outcome::Completed);
    EXPECT_EQ(cells(ref)[4]->st_1.get()->text, "就绪");
    EXPECT_EQ(widths(ref), (Numbers {2098, 60, 60, 60, 160}));
    EXPECT_EQ(xs(ref), (Numbers {5, 2083, 2123, 2163, 2203}));
}

// A text as wide as the one it replaces keeps the layout; anything moved or resized since the
// last layout, or a wider text, is laid out again.
TEST_F(StatusbarMain, SetTextLaysOutAgainWhateverChangedSinceTheLastLayout)
{
    ObjectRef ref = m_runtime.create_and_construct("uo_statusbar_main");
    auto& bar = as<uo_statusbar_main>(ref);
    ASSERT_EQ(set_text(ref, 5, Value("就绪")).outcome, Outcome::Completed);
    const Numbers widths_laid = widths(ref), xs_laid = xs(ref);

    ASSERT_EQ(set_text(ref, 5, Value("完成")).outcome, Outcome::Completed);
    EXPECT_EQ(cells(ref)[4]->st_1.get()->text, "完成");
    EXPECT_EQ(widths(ref), widths_laid);
    EXPECT_EQ(xs(ref), xs_laid);

    cells(ref)[2]->x = 7;
    cells(ref)[3]->st_1.get()->width = 9;
    ASSERT_EQ(set_text(ref, 5, Value("就绪")).outcome, Outcome::Completed);
    EXPECT_EQ(xs(ref), xs_laid);
    EXPECT_EQ(cells(ref)[3]->st_1.get()->width, 25);

    bar.width = 2000;
    ASSERT_EQ(set_text(ref, 5, Value("就绪")).outcome, Outcome::Completed);
    EXPECT_EQ(widths(ref), (Numbers {1735, 60, 60, 60, 160}));

    ASSERT_EQ(set_text(ref, 2, Value("就绪了")).outcome, Outcome::Completed);
    EXPECT_EQ(widths(ref), (Numbers {1585, 210, 60, 60, 160}));
    EXPECT_TRUE(m_runtime.error_log().empty());
}

TEST_F(StatusbarMain, DestroyTakesEveryCellDown)
{
    ObjectRef ref = m_runtime.create_and_construct("uo_statusbar_main");
    std::vector<ObjectRef> everything;
    for (const ObjectRef& cell : ref.get()->control()) {
        everything.push_back(cell);
        for (const ObjectRef& part : cell.get()->control())
            everything.push_back(part);
    }
    ASSERT_EQ(everything.size(), 30u);
    m_runtime.destroy(ref);
    for (const ObjectRef& object : everything)
        EXPECT_FALSE(object.is_valid());
    EXPECT_EQ(m_runtime.live_objects(), 0u);
    EXPECT_TRUE(m_runtime.error_log().empty());
}

} // namespace
