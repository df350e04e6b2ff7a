#include "host/sql/date_text.h"

#include "host/value/ascii.h"
#include "host/value/calendar.h"

#include <algorithm>

namespace hearth::sql {

namespace {

// A zone offset after a time ("+00", "-05:30", "Z") is accepted and ignored.
bool only_zone_left(std::string_view rest)
{
    if (rest.empty() || rest == "Z")
        return true;
    if (rest[0] != '+' && rest[0] != '-')
        return false;
    return rest.size() > 1
        && std::all_of(rest.begin() + 1, rest.end(), [](char c) { return ascii::is_digit(c) || c == ':'; });
}

} // namespace

std::optional<Date> parse_date(std::string_view text) { return parse_iso_date(ascii::trim(text), IsoForm::Exact); }

std::optional<Time> parse_time(std::string_view text)
{
    text = ascii::trim(text);
    auto time = read_iso_time(text, IsoForm::Exact);
    return time && only_zone_left(text) ? time : std::nullopt;
}

std::optional<DateTime> parse_datetime(std::string_view text)
{
    text = ascii::trim(text);
    const auto date = read_iso_date(text, IsoForm::Exact);
    if (!date || text.empty())
        return date ? std::optional<DateTime>(DateTime {*date, Time {}}) : std::nullopt;
    if (text[0] != ' ' && text[0] != 'T')
        return std::nullopt;
    text.remove_prefix(1);
    const auto time = read_iso_time(text, IsoForm::Exact);
    if (!time || !only_zone_left(text))
        return std::nullopt;
    return DateTime {*date, *time};
}

} // namespace hearth::sql
