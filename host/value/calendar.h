#pragma once
// The calendar and the ISO text forms of dates and times: "2024-03-01", "13:05:09[.123456]",
// "2024-03-01 13:05:09[.123456]". One reader and one writer for every layer: the database
// cells, imports, DataWindow expressions and exports.

#include "host/value/value.h"

#include <optional>
#include <string>
#include <string_view>

namespace hearth {

bool is_leap_year(int year);
// Days of the month (1..12) in that year.
int days_in_month(int year, int month);
// Whether year (1 and later), month and day name a day of the calendar.
bool is_valid_date(int year, int month, int day);

// How strictly a text is read. Exact: "yyyy-mm-dd" and "hh:mm[:ss[.f]]" with every field at
// its full width, as databases write them. Loose: also '/' or '.' between the date's parts and
// one-digit months, days and hours, as people type them ("2024/3/1 9:05").
enum class IsoForm : std::uint8_t { Exact, Loose };

// Read from the front of text, leaving the rest there; nullopt (text unspecified) when the
// front is no such value. A time's fraction keeps microseconds; further digits are dropped.
// A datetime is a date, then ' ' or 'T' and a time; a date alone is that day at 00:00:00.
std::optional<Date> read_iso_date(std::string_view& text, IsoForm form);
std::optional<Time> read_iso_time(std::string_view& text, IsoForm form);
std::optional<DateTime> read_iso_datetime(std::string_view& text, IsoForm form);

// The same over the whole text: nullopt unless all of it is read.
std::optional<Date> parse_iso_date(std::string_view text, IsoForm form);
std::optional<Time> parse_iso_time(std::string_view text, IsoForm form);
std::optional<DateTime> parse_iso_datetime(std::string_view text, IsoForm form);

// "2024-03-01", "13:05:09" (".000060" only when there are microseconds), "<date> <time>".
void append_iso(std::string& out, const Date& date);
void append_iso(std::string& out, const Time& time);
void append_iso(std::string& out, const DateTime& stamp);
std::string iso_text(const Date& date);
std::string iso_text(const Time& time);
std::string iso_text(const DateTime& stamp);

} // namespace hearth
