// Values come back converted to the requested column types, decimals exactly, on both
// backends; the text conversions behind them are checked on their own below.

#include "backend_fixture.h"
#include "value_printer.h"

#include "host/sql/cell.h"
#include "host/sql/conversion.h"
#include "host/value/calendar.h"

#include <gtest/gtest.h>

#include <limits>

using namespace hearth;
using hearth::test::BackendTest;

namespace {

class TypesTest : public BackendTest {
protected:
    void insert_row(long id, const HostVars& values)
    {
        HostVars vars = values;
        vars.emplace_back("id", Value(std::int32_t(id)));
        ASSERT_EQ(tx.execute("INSERT INTO t_types (id, s, l, i, u, d, r, f, dt, ts, tm, b) "
                             "VALUES (:id, :s, :l, :i, :u, :d, :r, :f, :dt, :ts, :tm, :b)",
                             vars),
                  0)
            << tx.sql_err_text();
    }
    // Reads every column of row id as the given types.
    std::vector<Value> read_row(long id, const std::vector<Type>& types)
    {
        std::vector<Value> out;
        const long code = tx.query("SELECT s, l, i, u, d, r, f, dt, ts, tm, b FROM t_types WHERE id = :id",
                                   {{"id", Value(std::int32_t(id))}}, [&](const sql::ResultRow& row) {
                                       for (std::size_t c = 0; c < types.size(); ++c) {
                                           auto v = sql::read_cell(row, int(c), types[c]);
                                           EXPECT_TRUE(v) << v.error();
                                           out.push_back(v ? *v : Value());
                                       }
                                       return RowAction::Continue;
                                   });
        EXPECT_EQ(code, 0) << tx.sql_err_text();
        return out;
    }
};

const std::vector<Type> column_types
    = {Type::String, Type::Long, Type::Integer,  Type::ULong, Type::Decimal, Type::Real,
       Type::Double, Type::Date, Type::DateTime, Type::Time,  Type::Blob};

} // namespace

TEST_P(TypesTest, EveryColumnTypeRoundTrips)
{
    const Blob bytes = {0, 1, 2, 0xfe, 0xff, '\'', '\\'};
    const std::vector<Value> values = {
        Value("户主 O'Neil\\"),
        Value(std::int32_t(-2147483647 - 1)),
        Value::integer(-32768),
        Value::ulong(4294967295u),
        Value(*Decimal::parse("1234567890.123")),
        Value::real(1.5f),
        Value(0.1),
        Value(Date {2024, 2, 29}),
        Value(DateTime {{1999, 12, 31}, {23, 59, 58, 250000}}),
        Value(Time {7, 5, 3, 0}),
        Value(bytes),
    };
    HostVars vars;
    const char* names[] = {"s", "l", "i", "u", "d", "r", "f", "dt", "ts", "tm", "b"};
    for (std::size_t i = 0; i < values.size(); ++i)
        vars.emplace_back(names[i], values[i]);
    insert_row(1, vars);
    const std::vector<Value> back = read_row(1, column_types);
    ASSERT_EQ(back.size(), values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(back[i], values[i]) << names[i];
    // Keeps the scale the backend stores: PostgreSQL's numeric(30,10) pads, SQLite keeps the value.
    EXPECT_EQ(back[4].as_decimal().to_string(),
              dbms() == sql::Dbms::PostgreSQL ? "1234567890.1230000000" : "1234567890.123");
}

TEST_P(TypesTest, NullsComeBackAsNullsOfTheRequestedType)
{
    HostVars vars;
    for (const char* name : {"s", "l", "i", "u", "d", "r", "f", "dt", "ts", "tm", "b"})
        vars.emplace_back(name, Value());
    insert_row(2, vars);
    const std::vector<Value> back = read_row(2, column_types);
    for (std::size_t i = 0; i < back.size(); ++i) {
        EXPECT_TRUE(back[i].is_null()) << i;
        EXPECT_EQ(back[i].type(), column_types[i]) << i;
    }
}

TEST_P(TypesTest, DecimalsAreReadExactlyNotThroughADouble)
{
    // 0.1 + 0.2 in binary would read back as 0.30000000000000004.
    struct Case {
        const char* stored;
        const char* expected;
    };
    const std::vector<Case> cases = dbms() == sql::Dbms::PostgreSQL
        ? std::vector<Case> {{"0.3", "0.3000000000"},
                             {"-12345678901234567890.1234567890", "-12345678901234567890.1234567890"},
                             {"99999999999999999999.9999999999", "99999999999999999999.9999999999"}}
        : std::vector<Case> {{"0.3", "0.3"},
                             {"12345678901234", "12345678901234"},
                             {"-1.25", "-1.25"},
                             {"922337203685477580", "922337203685477580"}};
    long id = 10;
    for (const Case& c : cases) {
        insert_row(id,
                   {{"d", Value(*Decimal::parse(c.stored))},
                    {"s", Value()},
                    {"l", Value()},
                    {"i", Value()},
                    {"u", Value()},
                    {"r", Value()},
                    {"f", Value()},
                    {"dt", Value()},
                    {"ts", Value()},
                    {"tm", Value()},
                    {"b", Value()}});
        Value d = Value::initial_of(Type::Decimal);
        ASSERT_EQ(tx.select_into("SELECT d INTO :d FROM t_types WHERE id = :id",
                                 {{"d", &d}, {"id", Value(std::int32_t(id))}}),
                  0)
            << tx.sql_err_text();
        EXPECT_EQ(d.as_decimal().to_string(), c.expected) << c.stored;
        ++id;
    }
    // A sum computed by the server is exact too.
    Value sum = Value::initial_of(Type::Decimal);
    ASSERT_EQ(tx.execute_immediate("DELETE FROM t_types"), 0);
    insert_row(1,
               {{"d", Value(*Decimal::parse("0.1"))},
                {"s", Value()},
                {"l", Value()},
                {"i", Value()},
                {"u", Value()},
                {"r", Value()},
                {"f", Value()},
                {"dt", Value()},
                {"ts", Value()},
                {"tm", Value()},
                {"b", Value()}});
    insert_row(2,
               {{"d", Value(*Decimal::parse("0.2"))},
                {"s", Value()},
                {"l", Value()},
                {"i", Value()},
                {"u", Value()},
                {"r", Value()},
                {"f", Value()},
                {"dt", Value()},
                {"ts", Value()},
                {"tm", Value()},
                {"b", Value()}});
    ASSERT_EQ(tx.select_into("SELECT Sum(d) INTO :s FROM t_types", {{"s", &sum}}), 0);
    EXPECT_EQ(sum.as_decimal(), *Decimal::parse("0.3"));
}

TEST_P(TypesTest, ColumnsConvertToOtherRequestedTypes)
{
    insert_row(3,
               {{"s", "42"},
                {"l", Value(7)},
                {"i", Value::integer(3)},
                {"u", Value::ulong(9)},
                {"d", Value(*Decimal::parse("2.5"))},
                {"r", Value::real(2.5f)},
                {"f", Value(-2.5)},
                {"dt", Value(Date {2020, 1, 2})},
                {"ts", Value(DateTime {{2020, 1, 2}, {3, 4, 5, 0}})},
                {"tm", Value(Time {3, 4, 5, 0})},
                {"b", Value(Blob {'a', 'b'})}});
    const std::vector<Value> back
        = read_row(3,
                   {Type::Long, Type::String, Type::Decimal, Type::Double, Type::Long, Type::Decimal, Type::Integer,
                    Type::DateTime, Type::Date, Type::String, Type::String});
    EXPECT_EQ(back[0], Value(42));
    EXPECT_EQ(back[1], Value("7"));
    EXPECT_EQ(back[2], Value(Decimal(3)));
    EXPECT_EQ(back[3], Value(9.0));
    EXPECT_EQ(back[4], Value(3)); // 2.5 rounds half away from zero
    EXPECT_EQ(back[5].as_decimal(), *Decimal::parse("2.5"));
    EXPECT_EQ(back[6], Value::integer(-3));
    EXPECT_EQ(back[7], Value(DateTime {{2020, 1, 2}, {0, 0, 0, 0}}));
    EXPECT_EQ(back[8], Value(Date {2020, 1, 2}));
    EXPECT_EQ(back[9], Value("03:04:05"));
    EXPECT_EQ(back[10], Value("ab"));
    // Values that do not fit are errors with the column named, never a silent wrong value.
    const long code = tx.query("SELECT s, l, dt FROM t_types WHERE id = 3", {}, [&](const sql::ResultRow& row) {
        const auto date = sql::read_cell(row, 0, Type::Date);
        EXPECT_EQ(date ? "" : date.error(), "Cannot convert '42' in column 1 (s) to date.");
        const auto number = sql::read_cell(row, 2, Type::Long);
        EXPECT_EQ(number ? "" : number.error(), "Cannot convert '2020-01-02' in column 3 (dt) to long.");
        return RowAction::Continue;
    });
    EXPECT_EQ(code, 0);
}

TEST_P(TypesTest, NaturalTypesWhenNoneIsRequested)
{
    Value n, s, d, b;
    ASSERT_EQ(tx.select_into("SELECT 5, 'x', 1.5, 4000000000 INTO :n, :s, :d, :b",
                             {{"n", &n}, {"s", &s}, {"d", &d}, {"b", &b}}),
              0)
        << tx.sql_err_text();
    EXPECT_EQ(n, Value(5));
    EXPECT_EQ(s, Value("x"));
    if (dbms() == sql::Dbms::PostgreSQL)
        EXPECT_EQ(d, Value(*Decimal::parse("1.5"))); // numeric literal
    else
        EXPECT_EQ(d, Value(1.5));
    EXPECT_EQ(b, Value(Decimal(std::int64_t(4000000000))));
}

HEARTH_BOTH_BACKENDS(TypesTest);

TEST(CellText, DatesTimesAndStampsParseStrictly)
{
    using namespace hearth::sql;
    EXPECT_EQ(parse_date("2024-02-29"), (Date {2024, 2, 29}));
    EXPECT_EQ(parse_date(" 2024-02-29 "), (Date {2024, 2, 29}));
    for (const char* bad :
         {"2023-02-29", "2024-13-01", "2024-00-10", "2024-1-1", "24-01-01", "2024-01-01x", "", "0000-01-01"})
        EXPECT_FALSE(parse_date(bad)) << bad;
    EXPECT_EQ(parse_time("23:59:59.5"), (Time {23, 59, 59, 500000}));
    EXPECT_EQ(parse_time("07:05"), (Time {7, 5, 0, 0}));
    EXPECT_EQ(parse_time("07:05:01.1234567"), (Time {7, 5, 1, 123456}));
    for (const char* bad : {"24:00:00", "12:60", "12:00:60", "12", "12:00:00.", "ab:cd"})
        EXPECT_FALSE(parse_time(bad)) << bad;
    EXPECT_EQ(parse_datetime("2024-03-01 09:30:00"), (DateTime {{2024, 3, 1}, {9, 30, 0, 0}}));
    EXPECT_EQ(parse_datetime("2024-03-01T09:30:00.000001+08"), (DateTime {{2024, 3, 1}, {9, 30, 0, 1}}));
    EXPECT_EQ(parse_datetime("2024-03-01"), (DateTime {{2024, 3, 1}, {}}));
    for (const char* bad : {"2024-03-01 9:30", "2024-03-01 09:30:00 BC", "infinity", "2024-03-01_09:30"})
        EXPECT_FALSE(parse_datetime(bad)) << bad;
    EXPECT_EQ(iso_text(DateTime {{5, 1, 2}, {3, 4, 5, 60}}), "0005-01-02 03:04:05.000060");
    EXPECT_EQ(iso_text(Time {3, 4, 5, 0}), "03:04:05");
}

TEST(CellText, ParameterTexts)
{
    using hearth::sql::parameter_text;
    EXPECT_EQ(parameter_text(Value(*Decimal::parse("-0.50"))), "-0.50");
    EXPECT_EQ(parameter_text(Value(0.1)), "0.1");
    EXPECT_EQ(parameter_text(Value::real(0.1f)), "0.1");
    EXPECT_EQ(parameter_text(Value(true)), "1");
    EXPECT_EQ(parameter_text(Value::ulong(4294967295u)), "4294967295");
    EXPECT_EQ(parameter_text(Value(DateTime {{2024, 3, 1}, {9, 30, 0, 0}})), "2024-03-01 09:30:00");
}

TEST(CellText, ValueConversionsForIntoTargets)
{
    using hearth::sql::convert_value;
    struct Case {
        Value from;
        Type want;
        bool ok;
        Value expected;
    };
    const Case cases[] = {
        {Value("12"), Type::Long, true, Value(12)},
        {Value("12.5"), Type::Integer, true, Value::integer(13)},
        {Value("-12.5"), Type::Long, true, Value(-13)},
        {Value("70000"), Type::Integer, false, Value()},
        {Value("-1"), Type::ULong, false, Value()},
        {Value("abc"), Type::Long, false, Value()},
        {Value(3), Type::String, true, Value("3")},
        {Value(3), Type::Decimal, true, Value(Decimal(3))},
        {Value(Date {2020, 1, 2}), Type::DateTime, true, Value(DateTime {{2020, 1, 2}, {}})},
        {Value(true), Type::Long, true, Value(1)},
        {Value::null_of(Type::String), Type::Long, true, Value::null_of(Type::Long)},
        {Value(), Type::Date, true, Value::null_of(Type::Date)},
        {Value(2.5), Type::Any, true, Value(2.5)},
    };
    for (const Case& c : cases) {
        const auto out = convert_value(c.from, c.want);
        EXPECT_EQ(bool(out), c.ok) << type_name(c.want) << " " << (out ? "" : out.error());
        if (c.ok && out) {
            EXPECT_EQ(*out, c.expected) << type_name(c.want);
        } else if (!out) {
            EXPECT_NE(out.error(), "");
        }
    }
}
