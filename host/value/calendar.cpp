#include "host/value/calendar.h"

#include <fmt/compile.h>
#include <fmt/format.h>

#include <chrono>
#include <iterator>

namespace hearth {

bool is_leap_year(int year) { return std::chrono::year(year).is_leap(); }

int days_in_month(int year, int month)
{
    using namespace std::chrono;
    return int(unsigned(
        year_month_day_last(std::chrono::year(year), month_day_last(std::chrono::month(unsigned(month)))).day()));
}

bool is_valid_date(int year, int month, int day)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1)
        return false;
    return std::chrono::year_month_day(std::chrono::year(year), std::chrono::month(unsigned(month)),
                                       std::chrono::day(unsigned(day)))
        .ok();
}

namespace {

// Reads min..max digits; false (text unchanged) when there are fewer than min.
bool read_number(std::string_view& text, std::size_t min_digits, std::size_t max_digits, int& out)
{
    std::size_t n = 0;
    int value = 0;
    while (n < text.size() && n < max_digits && text[n] >= '0' && text[n] <= '9')
        value = value * 10 + (text[n++] - '0');
    if (n < min_digits)
        return false;
    text.remove_prefix(n);
    out = value;
    return true;
}

bool read_char(std::string_view& text, char c)
{
    if (text.empty() || text[0] != c)
        return false;
    text.remove_prefix(1);
    return true;
}

} // namespace

std::optional<Date> read_iso_date(std::string_view& text, IsoForm form)
{
    const std::size_t short_field = form == IsoForm::Exact ? 2 : 1;
    int year = 0, month = 0, day = 0;
    if (!read_number(text, 4, 4, year) || text.empty())
        return std::nullopt;
    const char separator = text[0];
    if (separator != '-' && (form == IsoForm::Exact || (separator != '/' && separator != '.')))
        return std::nullopt;
    text.remove_prefix(1);
    if (!read_number(text, short_field, 2, month) || !read_char(text, separator)
        || !read_number(text, short_field, 2, day))
        return std::nullopt;
    if (!is_valid_date(year, month, day))
        return std::nullopt;
    return Date {std::int16_t(year), std::uint8_t(month), std::uint8_t(day)};
}

std::optional<Time> read_iso_time(std::string_view& text, IsoForm form)
{
    int hour = 0, minute = 0, second = 0;
    if (!read_number(text, form == IsoForm::Exact ? 2 : 1, 2, hour) || !read_char(text, ':')
        || !read_number(text, 2, 2, minute))
        return std::nullopt;
    std::uint32_t micro = 0;
    if (read_char(text, ':')) {
        if (!read_number(text, 2, 2, second))
            return std::nullopt;
        if (read_char(text, '.')) {
            std::uint32_t scale = 100000;
            std::size_t digits = 0;
            for (; digits < text.size() && text[digits] >= '0' && text[digits] <= '9'; ++digits) {
                micro += std::uint32_t(text[digits] - '0') * scale;
                scale /= 10;
            }
            if (digits == 0)
                return std::nullopt;
            text.remove_prefix(digits);
        }
    }
    if (hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    return Time {std::uint8_t(hour), std::uint8_t(minute), std::uint8_t(second), micro};
}

std::optional<DateTime> read_iso_datetime(std::string_view& text, IsoForm form)
{
    const auto date = read_iso_date(text, form);
    if (!date)
        return std::nullopt;
    if (text.empty() || (text[0] != ' ' && text[0] != 'T'))
        return DateTime {*date, Time {}};
    std::string_view rest = text.substr(1);
    const auto time = read_iso_time(rest, form);
    if (!time)
        return std::nullopt;
    text = rest;
    return DateTime {*date, *time};
}

std::optional<Date> parse_iso_date(std::string_view text, IsoForm form)
{
    auto date = read_iso_date(text, form);
    return date && text.empty() ? date : std::nullopt;
}

std::optional<Time> parse_iso_time(std::string_view text, IsoForm form)
{
    auto time = read_iso_time(text, form);
    return time && text.empty() ? time : std::nullopt;
}

std::optional<DateTime> parse_iso_datetime(std::string_view text, IsoForm form)
{
    auto stamp = read_iso_datetime(text, form);
    return stamp && text.empty() ? stamp : std::nullopt;
}

namespace {

// Two decimal digits of a value below 100.
char* put_two_digits(char* at, unsigned value)
{
    at[0] = char('0' + value / 10);
    at[1] = char('0' + value % 10);
    return at + 2;
}

} // namespace

// Dates and times are written digit by digit: an export writes one per cell, and fmt's width
// handling cost more than the rest of the row. Values outside the fixed widths (which a valid
// date or time never has) go through fmt.
void append_iso(std::string& out, const Date& d)
{
    if (d.year < 0 || d.year > 9999 || d.month > 99 || d.day > 99) {
        fmt::format_to(std::back_inserter(out), FMT_COMPILE("{:04}-{:02}-{:02}"), d.year, d.month, d.day);
        return;
    }
    char text[10];
    char* at = put_two_digits(text, unsigned(d.year) / 100);
    at = put_two_digits(at, unsigned(d.year) % 100);
    *at++ = '-';
    at = put_two_digits(at, d.month);
    *at++ = '-';
    put_two_digits(at, d.day);
    out.append(text, sizeof text);
}

void append_iso(std::string& out, const Time& t)
{
    if (t.hour > 99 || t.minute > 99 || t.second > 99 || t.microsecond > 999999) {
        if (t.microsecond)
            fmt::format_to(std::back_inserter(out), FMT_COMPILE("{:02}:{:02}:{:02}.{:06}"), t.hour, t.minute, t.second,
                           t.microsecond);
        else
            fmt::format_to(std::back_inserter(out), FMT_COMPILE("{:02}:{:02}:{:02}"), t.hour, t.minute, t.second);
        return;
    }
    char text[15];
    char* at = put_two_digits(text, t.hour);
    *at++ = ':';
    at = put_two_digits(at, t.minute);
    *at++ = ':';
    at = put_two_digits(at, t.second);
    if (t.microsecond) {
        *at++ = '.';
        at = put_two_digits(at, t.microsecond / 10000);
        at = put_two_digits(at, t.microsecond / 100 % 100);
        at = put_two_digits(at, t.microsecond % 100);
    }
    out.append(text, std::size_t(at - text));
}

void append_iso(std::string& out, const DateTime& stamp)
{
    append_iso(out, stamp.date);
    out += ' ';
    append_iso(out, stamp.time);
}

std::string iso_text(const Date& date)
{
    std::string out;
    append_iso(out, date);
    return out;
}

std::string iso_text(const Time& time)
{
    std::string out;
    append_iso(out, time);
    return out;
}

std::string iso_text(const DateTime& stamp)
{
    std::string out;
    append_iso(out, stamp);
    return out;
}

} // namespace hearth
