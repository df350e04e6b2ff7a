// Expressions at their limits: runs of operators of any length, nesting past the bound,
// concatenation's memory, and computed fields that lead back to themselves.
#include "test_support.h"

#include "host/datawindow/library.h"
#include "host/datawindow/value_text.h"

#include <gtest/gtest.h>

#include <fstream>
#include <malloc.h>

using namespace hearth;
using namespace hearth::dw;
using namespace hearth::dw::test;

namespace {

std::string repeated(std::string_view text, int times)
{
    std::string out;
    out.reserve(text.size() * std::size_t(times));
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

std::size_t heap_in_use()
{
    struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

} // namespace

TEST(ExpressionLimits, RunsOfAnyLengthEvaluateAndOnlyNestingIsBounded)
{
    auto engine = retrieved_persons(); // personnum 3, 1, 2
    const int terms = 200000;          // far deeper than a stack of one frame per operator
    struct Case {
        std::string expression;
        std::string expected; // the value at row 1, or the error
    };
    const Case cases[] = {
        {"personnum" + repeated("+1", terms), std::to_string(3 + terms)},
        {"personnum" + repeated("*1", terms) + repeated("+1", terms) + repeated("-1", terms), "3"},
        {"personnum > 0" + repeated(" and personnum > 0", terms), "true"},
        {"personnum < 0" + repeated(" or personnum < 0", terms) + " or personnum = 3", "true"},
        {"len(name" + repeated("+name", terms - 1) + ")", std::to_string(2 * terms)}, // 张三
        // the neighbours of a run: nesting stays bounded, with a message
        {repeated("(", 65) + "1" + repeated(")", 65),
         "Expression is not valid: expression nested too deeply at column 65"},
        {repeated("-", 65) + "1", "Expression is not valid: expression nested too deeply at column 64"},
        {repeated("(", 63) + "1" + repeated(")", 63), "1"},
    };
    for (const Case& c : cases) {
        auto value = engine->evaluate(c.expression, 1);
        std::string text = value ? item_text(*value) : value.error();
        EXPECT_EQ(text, c.expected) << c.expression.substr(0, 40);
    }
    // Filter runs the same over every row.
    ASSERT_EQ(engine->set_filter("personnum" + repeated("+1", terms) + " > " + std::to_string(terms + 1)), 1);
    EXPECT_EQ(engine->filter(), 1);
    EXPECT_EQ(engine->row_count(), 2);
}

TEST(ExpressionLimits, ConcatenationHoldsOneCopyOfItsResult)
{
    // Each + of the run once kept its own copy of the partial result: 20,000 terms of a
    // 6-byte name held 1.2 GB. One buffer for the run holds 120 KB.
    auto engine = retrieved_persons();
    auto compiled = Expression::compile("len(name" + repeated("+name", 19999) + ")", engine->object());
    ASSERT_TRUE(compiled.ok());
    std::size_t before = heap_in_use();
    for (long row = 1; row <= engine->row_count(); ++row)
        compiled->evaluate(engine->row_context(Buffer::Primary, row));
    EXPECT_LT(heap_in_use() - before, std::size_t(8) << 20);
}

TEST(ExpressionLimits, AComputedFieldThatLeadsBackToItselfIsRefused)
{
    auto engine = retrieved_persons(); // computed fields c_double and c_label
    const std::string bad = "Line 1 Column 1: bad value for 'c_double.expression': Expression is not valid: ";
    struct Case {
        std::string modstring;
        std::string error;
    };
    const Case cases[] = {
        {"c_double.expression='c_double + 1'", bad + "computed field 'c_double' refers to itself at column 1."},
        {"c_label.expression='string(c_double)'", ""}, // a reference that is not a cycle
        {"c_double.expression='len(c_label)'",
         bad + "in computed field 'c_label': computed field 'c_double' refers to itself at column 5."},
        {"c_double.expression='personnum * 3'", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(engine->modify(c.modstring), c.error) << c.modstring;
    EXPECT_EQ(engine->describe("evaluate('c_double', 1)"), "9");

    // A source can bring a cycle too: it is refused when the object is set.
    auto object = ObjectLibrary::load_file(data_dir() / "d_person.srd");
    ASSERT_TRUE(object.ok());
    for (Control& control : object->controls)
        if (control.name == "c_label")
            for (Attribute& attribute : control.attributes)
                if (attribute.name == "expression")
                    attribute.value.text = "c_label + rprno";
    Engine cyclic;
    auto assigned = cyclic.set_object(std::move(*object));
    ASSERT_FALSE(assigned.ok());
    EXPECT_EQ(assigned.error(),
              "compute 'c_label': Expression is not valid: computed field 'c_label' refers to itself at column 1");
}
