#include "host/value/functions.h"
#include "host/value/runtime_error.h"

#include <gtest/gtest.h>

#include <limits>

using namespace hearth;

namespace {

Value null_string() { return Value::null_of(Type::String); }
Value null_long() { return Value::null_of(Type::Long); }

} // namespace

TEST(Strings, LeftAndRightNeverPadAndGiveEmptyForZeroOrNegativeCounts)
{
    struct Case {
        const char* text;
        long count;
        const char* left;
        const char* right;
    };
    const Case cases[] = {
        {"ABCDEF", 3, "ABC", "DEF"},
        {"ABCDEF", 6, "ABCDEF", "ABCDEF"},
        {"ABCDEF", 10, "ABCDEF", "ABCDEF"},
        {"ABCDEF", 0, "", ""},
        {"ABCDEF", -2, "", ""},
        {"", 3, "", ""},
        {"宋体字", 2, "宋体", "体字"},
        {"a宋b体", 3, "a宋b", "宋b体"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fn::left(c.text, c.count), c.left) << c.text << " " << c.count;
        EXPECT_EQ(fn::right(c.text, c.count), c.right) << c.text << " " << c.count;
        EXPECT_EQ(fn::left(Value(c.text), Value(std::int32_t(c.count))), Value(c.left));
        EXPECT_EQ(fn::right(Value(c.text), Value(std::int32_t(c.count))), Value(c.right));
    }
}

TEST(Strings, MidCountsCharactersAndStopsAtTheEnd)
{
    constexpr long omitted = -999;
    struct Case {
        const char* text;
        long start;
        long length;
        const char* expected;
    };
    const Case cases[] = {
        {"ABCDEF", 3, 2, "CD"},       {"ABCDEF", 3, omitted, "CDEF"},
        {"ABCDEF", 5, 10, "EF"},                            // longer than the rest: the rest, no padding
        {"ABCDEF", 6, 1, "F"},        {"ABCDEF", 7, 1, ""}, // past the end
        {"ABCDEF", 7, omitted, ""},   {"ABCDEF", 0, 2, ""}, // start <= 0
        {"ABCDEF", -1, omitted, ""},  {"ABCDEF", 2, 0, ""}, // length 0
        {"ABCDEF", 2, -1, ""},                              // negative length
        {"居民委员会", 2, 2, "民委"}, {"居民委员会", 4, omitted, "员会"},
        {"a😀b", 2, 1, "😀"}, // a character outside the BMP counts once
    };
    for (const auto& c : cases) {
        std::string plain = c.length == omitted ? fn::mid(c.text, c.start) : fn::mid(c.text, c.start, c.length);
        EXPECT_EQ(plain, c.expected) << c.text << " " << c.start << " " << c.length;
        Value boxed = c.length == omitted
            ? fn::mid(Value(c.text), Value(std::int32_t(c.start)))
            : fn::mid(Value(c.text), Value(std::int32_t(c.start)), Value(std::int32_t(c.length)));
        EXPECT_EQ(boxed, Value(c.expected)) << c.text << " " << c.start << " " << c.length;
    }
}

TEST(Strings, PosIsCaseSensitiveAndCountsCharacters)
{
    struct Case {
        const char* text;
        const char* search;
        long start;
        long expected;
    };
    const Case cases[] = {
        {"BABE RUTH", "RU", 1, 6},
        {"BABE RUTH", "ru", 1, 0}, // case-sensitive
        {"BABE RUTH", "B", 1, 1},
        {"BABE RUTH", "B", 2, 3},
        {"BABE RUTH", "B", 4, 0},
        {"BABE RUTH", "H", 9, 9},
        {"BABE RUTH", "H", 10, 0}, // start past the end
        {"BABE RUTH", "B", 0, 0},  // start below 1
        {"BABE RUTH", "B", -3, 0},
        {"BABE RUTH", "", 1, 0}, // empty search text
        {"", "", 1, 0},
        {"", "A", 1, 0},
        {"张三李四张三", "张三", 2, 5},
        {"张三李四", "李四", 1, 3},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fn::pos(c.text, c.search, c.start), c.expected) << c.text << " / " << c.search << " @" << c.start;
        EXPECT_EQ(fn::pos(Value(c.text), Value(c.search), Value(std::int32_t(c.start))),
                  Value(std::int32_t(c.expected)));
    }
    EXPECT_EQ(fn::pos("BABE RUTH", "RU"), 6);
    EXPECT_EQ(fn::pos(Value("BABE RUTH"), Value("RU")), Value(6));
}

TEST(Strings, LastPosFindsTheLastMatchWhollyInsideTheSearchLength)
{
    constexpr long omitted = -999;
    struct Case {
        const char* text;
        const char* search;
        long search_length;
        long expected;
    };
    const Case cases[] = {
        {"BABE RUTH", "RU", omitted, 6},   {"BABE RUTH", "B", omitted, 3},
        {"BABE RUTH", "RU", 4, 0}, // the match would need 7 characters
        {"BABE RUTH", "RU", 6, 0}, // cuts through the match
        {"BABE RUTH", "RU", 7, 6}, // just fits
        {"BABE RUTH", "RU", 100, 6},       {"BABE RUTH", "B", 2, 1},
        {"BABE RUTH", "B", 0, 0},          {"BABE RUTH", "B", -1, 0},
        {"BABE RUTH", "X", omitted, 0},    {"BABE RUTH", "", omitted, 0},
        {"a\\b\\c.txt", "\\", omitted, 4}, {"张三李四张三", "张三", omitted, 5},
        {"张三李四张三", "张三", 5, 1},
    };
    for (const auto& c : cases) {
        long plain = c.search_length == omitted ? fn::last_pos(c.text, c.search)
                                                : fn::last_pos(c.text, c.search, c.search_length);
        EXPECT_EQ(plain, c.expected) << c.text << " / " << c.search << " " << c.search_length;
        Value boxed = c.search_length == omitted
            ? fn::last_pos(Value(c.text), Value(c.search))
            : fn::last_pos(Value(c.text), Value(c.search), Value(std::int32_t(c.search_length)));
        EXPECT_EQ(boxed, Value(std::int32_t(c.expected)));
    }
}

TEST(Strings, LenCountsCharactersOfTextAndBytesOfBlobs)
{
    EXPECT_EQ(fn::len(""), 0);
    EXPECT_EQ(fn::len("abc"), 3);
    EXPECT_EQ(fn::len("宋体"), 2);
    EXPECT_EQ(fn::len(std::string("a😀")), 2);
    EXPECT_EQ(fn::len(Value("宋体")), Value(2));
    EXPECT_EQ(fn::len(Value(Blob {1, 2, 3, 4, 5})), Value(5));
    EXPECT_EQ(fn::len(Value(Blob {})), Value(0));
    EXPECT_EQ(fn::len(null_string()), null_long());
    EXPECT_EQ(fn::len(Value::null_of(Type::Blob)), null_long());
}

TEST(Strings, InvalidUtf8CountsByteByByteAndNeverCrashes)
{
    const std::string bad = std::string("a\xff") + "\xe5\xae" + "b"; // stray byte, truncated sequence
    EXPECT_EQ(fn::len(bad), 5);
    EXPECT_EQ(fn::mid(bad, 2, 1), "\xff");
    EXPECT_EQ(fn::right(bad, 1), "b");
    EXPECT_EQ(fn::pos(bad, "b"), 5);
    EXPECT_EQ(fn::upper(bad), std::string("A\xff\xe5\xae") + "B");
    EXPECT_EQ(fn::replace(bad, 2, 3, "X"), "aXb");
    EXPECT_EQ(fn::trim(std::string(" \xc0 ")), "\xc0"); // an overlong lead byte alone
}

TEST(Strings, TrimRemovesOnlySpacesUnlessAskedToRemoveAll)
{
    struct Case {
        const char* text;
        fn::TrimMode mode;
        const char* both;
        const char* leading;
        const char* trailing;
    };
    using enum fn::TrimMode;
    const Case cases[] = {
        {"  ab c  ", Spaces, "ab c", "ab c  ", "  ab c"},
        {"\tab\t", Spaces, "\tab\t", "\tab\t", "\tab\t"}, // tabs stay
        {" \tab\r\n ", Spaces, "\tab\r\n", "\tab\r\n ", " \tab\r\n"},
        {" \tab\r\n ", AllWhitespace, "ab", "ab\r\n ", " \tab"},
        {"\xe3\x80\x80名称\xe3\x80\x80", AllWhitespace, "名称", "名称\xe3\x80\x80", "\xe3\x80\x80名称"},
        {"\xe3\x80\x80名称", Spaces, "\xe3\x80\x80名称", "\xe3\x80\x80名称", "\xe3\x80\x80名称"},
        {"    ", Spaces, "", "", ""},
        {"", Spaces, "", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fn::trim(c.text, c.mode), c.both) << c.text;
        EXPECT_EQ(fn::left_trim(c.text, c.mode), c.leading) << c.text;
        EXPECT_EQ(fn::right_trim(c.text, c.mode), c.trailing) << c.text;
    }
    EXPECT_EQ(fn::trim(Value(" \ta ")), Value("\ta"));
    EXPECT_EQ(fn::trim(Value(" \ta "), Value(true)), Value("a"));
    EXPECT_EQ(fn::trim(Value(" \ta "), Value(false)), Value("\ta"));
    EXPECT_EQ(fn::left_trim(Value("  a  ")), Value("a  "));
    EXPECT_EQ(fn::right_trim(Value("  a  ")), Value("  a"));
}

TEST(Strings, UpperAndLowerMapLettersAndLeaveChineseAlone)
{
    EXPECT_EQ(fn::upper("abc-XYZ 1"), "ABC-XYZ 1");
    EXPECT_EQ(fn::lower("abc-XYZ 1"), "abc-xyz 1");
    EXPECT_EQ(fn::upper("户主姓名abc"), "户主姓名ABC");
    EXPECT_EQ(fn::upper("éàü÷"), "ÉÀÜ÷");
    EXPECT_EQ(fn::lower("ÉÀÜ×"), "éàü×");
    EXPECT_EQ(fn::upper("ａｂ"), "ＡＢ"); // full-width letters
    EXPECT_EQ(fn::lower(Value("AbC")), Value("abc"));
    EXPECT_EQ(fn::upper(Value("AbC")), Value("ABC"));
}

TEST(Strings, ReplaceAppendsPastTheEndAndInsertsForZeroCount)
{
    struct Case {
        const char* text;
        long start;
        long count;
        const char* with;
        const char* expected;
    };
    const Case cases[] = {
        {"ABCDEF", 3, 2, "ZZZZ", "ABZZZZEF"},
        {"ABCDEF", 1, 1, "x", "xBCDEF"},
        {"ABCDEF", 7, 2, "XY", "ABCDEFXY"},  // start just past the end: appended
        {"ABCDEF", 20, 2, "XY", "ABCDEFXY"}, // far past the end: appended, no padding
        {"ABCDEF", 3, 0, "xy", "ABxyCDEF"},  // count 0 inserts before start
        {"ABCDEF", 5, 10, "xy", "ABCDxy"},   // fewer than count left: replaced to the end
        {"ABCDEF", 2, 3, "", "AEF"},         // empty replacement deletes
        {"ABCDEF", 0, 2, "xy", ""},          // start < 1
        {"ABCDEF", 2, -1, "xy", ""},         // negative count
        {"", 1, 0, "ab", "ab"},
        {"张三李四", 3, 2, "王五", "张三王五"},
        {"张三李四", 2, 1, "", "张李四"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fn::replace(c.text, c.start, c.count, c.with), c.expected)
            << c.text << " " << c.start << " " << c.count;
        EXPECT_EQ(fn::replace(Value(c.text), Value(std::int32_t(c.start)), Value(std::int32_t(c.count)), Value(c.with)),
                  Value(c.expected));
    }
}

TEST(Strings, SpaceAndFill)
{
    EXPECT_EQ(fn::space(3), "   ");
    EXPECT_EQ(fn::space(0), "");
    EXPECT_EQ(fn::space(-4), "");
    EXPECT_EQ(fn::space(Value(2)), Value("  "));
    EXPECT_EQ(fn::fill("-+", 5), "-+-+-");
    EXPECT_EQ(fn::fill("*", 3), "***");
    EXPECT_EQ(fn::fill("一二三", 4), "一二三一");
    EXPECT_EQ(fn::fill("abc", 2), "ab");
    EXPECT_EQ(fn::fill("abc", 0), "");
    EXPECT_EQ(fn::fill("", 5), "");
    EXPECT_EQ(fn::fill(Value("ab"), Value(3)), Value("aba"));
    // Past the runtime's longest string: "" without allocating the result.
    const long past = long(max_string_length) + 1;
    EXPECT_EQ(fn::space(past), "");
    EXPECT_EQ(fn::fill("ab", past), "");
    EXPECT_EQ(fn::fill("一", 400'000'000), ""); // 400 million characters of three bytes each
}

TEST(Strings, NumericArgumentsOfAnyNumericTypeAreRounded)
{
    EXPECT_EQ(fn::left(Value("ABCDEF"), Value::integer(2)), Value("AB"));
    EXPECT_EQ(fn::left(Value("ABCDEF"), Value(2.5)), Value("ABC"));
    EXPECT_EQ(fn::left(Value("ABCDEF"), Value(*Decimal::parse("1.4"))), Value("A"));
    EXPECT_EQ(fn::mid(Value("ABCDEF"), Value::ulong(2), Value(2.0)), Value("BC"));
}

TEST(Strings, ArgumentsOfTheWrongKindRaise25015)
{
    try {
        fn::left(Value(12), Value(1));
        FAIL() << "no error";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.code(), ErrorCode::CallFailed);
        EXPECT_EQ(error.context(), "Left: argument 1 must be a string, not long");
    }
    try {
        fn::mid(Value("abc"), Value("1"));
        FAIL() << "no error";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.code(), ErrorCode::CallFailed);
        EXPECT_EQ(error.context(), "Mid: argument 2 must be a number, not string");
    }
}

TEST(Strings, EveryFunctionGivesNullForANullArgument)
{
    const Value s("abc");
    const Value n(1);
    const Value ns = null_string();
    const Value nn = null_long();
    const Value results[] = {
        fn::left(ns, n),
        fn::left(s, nn),
        fn::right(ns, n),
        fn::right(s, nn),
        fn::mid(ns, n),
        fn::mid(s, nn),
        fn::mid(ns, n, n),
        fn::mid(s, nn, n),
        fn::mid(s, n, nn),
        fn::trim(ns),
        fn::trim(ns, Value(true)),
        fn::trim(s, Value::null_of(Type::Boolean)),
        fn::left_trim(ns),
        fn::right_trim(ns),
        fn::lower(ns),
        fn::upper(ns),
        fn::replace(ns, n, n, s),
        fn::replace(s, nn, n, s),
        fn::replace(s, n, nn, s),
        fn::replace(s, n, n, ns),
        fn::space(nn),
        fn::fill(ns, n),
        fn::fill(s, nn),
    };
    for (std::size_t i = 0; i < std::size(results); ++i) {
        EXPECT_TRUE(results[i].is_null()) << "case " << i;
        EXPECT_EQ(results[i].type(), Type::String) << "case " << i;
    }
    const Value positions[] = {
        fn::pos(ns, s),      fn::pos(s, ns),         fn::pos(s, s, nn), fn::last_pos(ns, s),
        fn::last_pos(s, ns), fn::last_pos(s, s, nn), fn::len(ns),
    };
    for (std::size_t i = 0; i < std::size(positions); ++i) {
        EXPECT_TRUE(positions[i].is_null()) << "case " << i;
        EXPECT_EQ(positions[i].type(), Type::Long) << "case " << i;
    }
    // A null of type any (a failed call's result) propagates just the same.
    EXPECT_TRUE(fn::left(Value(), n).is_null());
    EXPECT_TRUE(fn::upper(Value()).is_null());
}

TEST(Strings, HugeCountsFailWithEmptyText)
{
    EXPECT_EQ(fn::space(std::numeric_limits<long>::max()), "");
    EXPECT_EQ(fn::fill("ab", std::numeric_limits<long>::max()), "");
    EXPECT_EQ(fn::left("abc", std::numeric_limits<long>::max()), "abc");
    EXPECT_EQ(fn::mid(Value("abc"), Value(1e300)), Value("")); // a start beyond long is clamped: past the end
    EXPECT_EQ(fn::left(Value("abc"), Value(-1e300)), Value(""));
}

TEST(Strings, LenOfANonTextRaises25015)
{
    EXPECT_THROW(fn::len(Value(12)), RuntimeError);
    EXPECT_THROW(fn::upper(Value(Date {})), RuntimeError);
}

TEST(Strings, ArbitraryBytesThroughEveryFunctionKeepLengthsConsistent)
{
    // A fixed pseudo-random walk over byte strings mixing ASCII, Chinese, 4-byte sequences
    // and invalid bytes: every function must return, and the character arithmetic must add up.
    const std::string pieces[]
        = {"a", " ", "\t", "宋", "😀", "\xff", "\xe5\xae", "\x80", "\xc0\xaf", "B", "\xed\xa0\x80"};
    std::uint32_t state = 12345;
    auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return (state >> 16) & 0x7fff;
    };
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        for (std::uint32_t k = next() % 12; k > 0; --k)
            text += pieces[next() % std::size(pieces)];
        long length = fn::len(text);
        long cut = long(next() % 14) - 1;
        std::string head = fn::left(text, cut);
        std::string tail = fn::right(text, length - fn::len(head));
        ASSERT_EQ(head + tail, text) << round;
        ASSERT_EQ(fn::mid(text, 1), text);
        ASSERT_EQ(fn::replace(text, cut < 1 ? 1 : cut, 0, ""), text);
        ASSERT_EQ(fn::len(fn::upper(text)), length);
        ASSERT_EQ(fn::len(fn::lower(text)), length);
        ASSERT_LE(fn::len(fn::trim(text, fn::TrimMode::AllWhitespace)), length);
        long found = fn::pos(text, "a");
        long last = fn::last_pos(text, "a");
        ASSERT_EQ(found == 0, last == 0);
        ASSERT_LE(found, last);
        if (found > 0) {
            ASSERT_EQ(fn::mid(text, found, 1), "a");
            ASSERT_EQ(fn::mid(text, last, 1), "a");
        }
    }
}

TEST(Strings, MatchPatterns)
{
    struct Case {
        const char* text;
        const char* pattern;
        bool expected;
    };
    const Case cases[] = {
        {"Cat", "^C", true},         {"aCat", "^C", false},  {"cats", "s$", true},         {"cast", "s$", false},
        {"abc", "...", true},        {"ab", "...", false},   {"US$5", "\\$", true},        {"E", "[AEIOU]", true},
        {"x", "[^A-Z]", true},       {"X", "[^A-Z]", false}, {"R1003", "^R[0-9]+$", true}, {"R", "^R[0-9]+$", false},
        {"colour", "colou?r", true}, {"", "^a*$", true},     {"张三", "^张.$", true},      {"abc", "", false},
        {"abc", "[a", false},        {"abc", "*a", false},   {"abc", "a\\", false},        {"a]", "[]]", true},
        {"a-", "[a-]$", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fn::match(c.text, c.pattern), c.expected) << c.text << " ~ " << c.pattern;

    // Many repeats over a long text that almost matches answer at once instead of
    // backtracking through every split.
    std::string text(20000, 'a');
    EXPECT_FALSE(fn::match(text, "^a*a*a*a*a*a*a*a*a*a*b$"));
}

TEST(Strings, WordCapAscAndChar)
{
    EXPECT_EQ(fn::word_cap("boston, MASSACHUSETTS"), "Boston, Massachusetts");
    EXPECT_EQ(fn::word_cap("o'neil 2nd ave"), "O'Neil 2nd Ave");
    EXPECT_EQ(fn::asc("张"), 0x5F20);
    EXPECT_EQ(fn::asc(""), 0);
    EXPECT_EQ(fn::char_of(0x5F20), "张");
    EXPECT_EQ(fn::char_of(0xD800), ""); // a surrogate is no character
    EXPECT_EQ(fn::ansi::len("张三ab"), 6);
    EXPECT_EQ(fn::ansi::mid("张三ab", 3, 2), "三");
    EXPECT_EQ(fn::ansi::replace("张三", 9, 0, "x"), "张三x"); // past the end appends
}
