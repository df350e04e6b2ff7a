#pragma once
// Dates and times as both backends write them in result cells: "2024-03-01",
// "13:05:09[.123456]", "2024-03-01 13:05:09[.123456]" (also with 'T'). Surrounding white space
// and a trailing zone offset ("+08", "-05:30", "Z") are accepted and ignored. Parameters are
// written in the same forms by host/value/calendar.h's iso_text.

#include "host/value/value.h"

#include <optional>
#include <string_view>

namespace hearth::sql {

std::optional<Date> parse_date(std::string_view text);
std::optional<Time> parse_time(std::string_view text);
std::optional<DateTime> parse_datetime(std::string_view text);

} // namespace hearth::sql
