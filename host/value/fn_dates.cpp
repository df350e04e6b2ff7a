// Dates and times: Today, Now, Date(text), Time(text), DateTime(date, time).

#include "host/value/ascii.h"
#include "host/value/calendar.h"
#include "host/value/fn_args.h"
#include "host/value/functions.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <optional>

namespace hearth::fn {

namespace {

// Reads up to max_digits digits at i; nullopt when there is none.
std::optional<int> read_number(std::string_view text, std::size_t& i, std::size_t max_digits,
                               std::size_t* count = nullptr)
{
    std::size_t start = i;
    int value = 0;
    while (i < text.size() && i - start < max_digits && text[i] >= '0' && text[i] <= '9')
        value = value * 10 + (text[i++] - '0');
    if (count)
        *count = i - start;
    if (i == start)
        return std::nullopt;
    return value;
}

// "y-m-d" at the start of text, with '-', '/' or '.' between the parts, in year-month-day
// order, the short-date order of the installations' locale. Two-digit years: 00-49 are
// 20xx, 50-99 are 19xx. Years outside 1000..3000, the runtime's date range, are invalid.
std::optional<Date> parse_date(std::string_view text, std::size_t& i)
{
    std::size_t year_digits = 0;
    auto year = read_number(text, i, 4, &year_digits);
    if (!year || (year_digits != 2 && year_digits != 4) || i >= text.size())
        return std::nullopt;
    char separator = text[i];
    if (separator != '-' && separator != '/' && separator != '.')
        return std::nullopt;
    ++i;
    auto month = read_number(text, i, 2);
    if (!month || i >= text.size() || text[i] != separator)
        return std::nullopt;
    ++i;
    auto day = read_number(text, i, 2);
    if (!day)
        return std::nullopt;
    int full_year = *year;
    if (year_digits == 2)
        full_year += full_year < 50 ? 2000 : 1900;
    if (full_year < 1000 || full_year > 3000 || !is_valid_date(full_year, *month, *day))
        return std::nullopt;
    return Date {std::int16_t(full_year), std::uint8_t(*month), std::uint8_t(*day)};
}

bool match_word(std::string_view text, std::size_t& i, std::string_view word)
{
    if (!ascii::istarts_with(text.substr(i), word))
        return false;
    i += word.size();
    return true;
}

// "h:mm[:ss[.f...]]" then an optional "am"/"pm" (hours 1..12 then), at i to the end of text.
std::optional<Time> parse_time(std::string_view text, std::size_t& i)
{
    auto hour = read_number(text, i, 2);
    if (!hour || i >= text.size() || text[i] != ':')
        return std::nullopt;
    ++i;
    std::size_t minute_digits = 0;
    auto minute = read_number(text, i, 2, &minute_digits);
    if (!minute || minute_digits != 2)
        return std::nullopt;
    int second = 0;
    std::uint32_t microsecond = 0;
    if (i < text.size() && text[i] == ':') {
        ++i;
        std::size_t second_digits = 0;
        auto read = read_number(text, i, 2, &second_digits);
        if (!read || second_digits != 2)
            return std::nullopt;
        second = *read;
        if (i < text.size() && text[i] == '.') {
            ++i;
            std::size_t fraction_digits = 0;
            auto fraction = read_number(text, i, 6, &fraction_digits);
            if (!fraction)
                return std::nullopt;
            microsecond = std::uint32_t(*fraction);
            for (std::size_t k = fraction_digits; k < 6; ++k)
                microsecond *= 10;
        }
    }
    std::size_t before_marker = i;
    while (i < text.size() && text[i] == ' ')
        ++i;
    int h = *hour;
    if (match_word(text, i, "am") || match_word(text, i, "pm")) {
        bool pm = text[i - 2] == 'p' || text[i - 2] == 'P';
        if (h < 1 || h > 12)
            return std::nullopt;
        h = (h % 12) + (pm ? 12 : 0);
    } else {
        i = before_marker;
    }
    if (h > 23 || *minute > 59 || second > 59)
        return std::nullopt;
    return Time {std::uint8_t(h), std::uint8_t(*minute), std::uint8_t(second), microsecond};
}

std::tm local_now(std::uint32_t& microsecond)
{
    auto now = std::chrono::system_clock::now();
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    microsecond = std::uint32_t(std::chrono::duration_cast<std::chrono::microseconds>(now.time_since_epoch()).count()
                                % 1000000);
    std::tm parts {};
    localtime_r(&seconds, &parts);
    return parts;
}

std::optional<Date> read_date(std::string_view text)
{
    text = ascii::trim(text, " ");
    std::size_t i = 0;
    auto date = parse_date(text, i);
    // A time after the date ("2024-01-31 10:30:00") is allowed and ignored.
    if (date && i < text.size()) {
        std::size_t k = i;
        while (k < text.size() && text[k] == ' ')
            ++k;
        if (k == i || !parse_time(text, k) || k != text.size())
            date.reset();
    }
    return date;
}

std::optional<Time> read_time(std::string_view text)
{
    text = ascii::trim(text, " ");
    std::size_t i = 0;
    // A date before the time ("2024-01-31 10:30:00") is allowed and ignored.
    std::size_t k = 0;
    if (parse_date(text, k) && k < text.size() && text[k] == ' ') {
        while (k < text.size() && text[k] == ' ')
            ++k;
        i = k;
    }
    auto time = parse_time(text, i);
    if (!time || i != text.size())
        return std::nullopt;
    return time;
}

std::chrono::sys_days day_of(Date date)
{
    return std::chrono::sys_days(std::chrono::year_month_day(
        std::chrono::year(date.year), std::chrono::month(date.month), std::chrono::day(date.day)));
}

std::int64_t seconds_of(Time time) { return time.hour * 3600 + time.minute * 60 + time.second; }

} // namespace

namespace detail {

Date to_date(std::string_view text) { return read_date(text).value_or(Date {1900, 1, 1}); }

// Text that is not a time gives 00:00:00 (undocumented).
Time to_time(std::string_view text) { return read_time(text).value_or(Time {}); }

bool is_date(std::string_view text) { return read_date(text).has_value(); }
bool is_time(std::string_view text) { return read_time(text).has_value(); }

} // namespace detail

std::optional<Date> relative_date(Date date, long days)
{
    std::chrono::year_month_day moved(day_of(date) + std::chrono::days(days));
    int year = int(moved.year());
    if (year < 1 || year > 9999)
        return std::nullopt;
    return Date {std::int16_t(year), std::uint8_t(unsigned(moved.month())), std::uint8_t(unsigned(moved.day()))};
}

Time relative_time(Time time, long seconds)
{
    std::int64_t moved = std::clamp<std::int64_t>(seconds_of(time) + seconds, 0, 24 * 3600 - 1);
    if (moved != seconds_of(time) + seconds) // held at the day's edge: no fraction beyond it
        time.microsecond = 0;
    return Time {std::uint8_t(moved / 3600), std::uint8_t(moved / 60 % 60), std::uint8_t(moved % 60), time.microsecond};
}

long days_after(Date from, Date to) { return long((day_of(to) - day_of(from)).count()); }

std::int64_t seconds_after(Time from, Time to) { return seconds_of(to) - seconds_of(from); }

std::int64_t seconds_after(DateTime from, DateTime to)
{
    return std::int64_t(days_after(from.date, to.date)) * 86400 + seconds_after(from.time, to.time);
}

int day_number(Date date)
{
    return int(std::chrono::weekday(day_of(date)).c_encoding()) + 1; // c_encoding: 0 is Sunday
}

std::string_view day_name(Date date)
{
    static constexpr std::string_view names[]
        = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
    return names[day_number(date) - 1];
}

Value today()
{
    std::uint32_t microsecond = 0;
    std::tm parts = local_now(microsecond);
    return Value(
        Date {std::int16_t(parts.tm_year + 1900), std::uint8_t(parts.tm_mon + 1), std::uint8_t(parts.tm_mday)});
}

Value now()
{
    std::uint32_t microsecond = 0;
    std::tm parts = local_now(microsecond);
    return Value(
        Time {std::uint8_t(parts.tm_hour), std::uint8_t(parts.tm_min), std::uint8_t(parts.tm_sec), microsecond});
}

Value to_date(const Value& text)
{
    if (text.is_null())
        return Value::null_of(Type::Date);
    if (text.type() == Type::DateTime)
        return Value(text.as_datetime().date);
    if (text.type() == Type::Date)
        return text;
    return Value(detail::to_date(args::text(text, "Date", 1)));
}

Value to_time(const Value& text)
{
    if (text.is_null())
        return Value::null_of(Type::Time);
    if (text.type() == Type::DateTime)
        return Value(text.as_datetime().time);
    if (text.type() == Type::Time)
        return text;
    return Value(detail::to_time(args::text(text, "Time", 1)));
}

Value to_datetime(const Value& date)
{
    if (date.is_null())
        return Value::null_of(Type::DateTime);
    if (date.type() != Type::Date)
        args::wrong_kind("DateTime", 1, "a date", date);
    return Value(DateTime {date.as_date(), Time {}});
}

Value to_datetime(const Value& date, const Value& time)
{
    if (args::any_null({&date, &time}))
        return Value::null_of(Type::DateTime);
    if (date.type() != Type::Date)
        args::wrong_kind("DateTime", 1, "a date", date);
    if (time.type() != Type::Time)
        args::wrong_kind("DateTime", 2, "a time", time);
    return Value(DateTime {date.as_date(), time.as_time()});
}

} // namespace hearth::fn
