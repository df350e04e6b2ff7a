#pragma once
// The detail page's SELECT, rebuilt from the designed statement and the conditions gathered
// from the master row. Kept apart from the page so that it can be tested and fuzzed alone.
//
// A condition is a text without its parentheses ("t.id='7'"). Row values only ever enter one
// through text_condition or number_condition, which quote a text value through the one
// quoting helper; the field names and the page's own condition come from the application.

#include <string>
#include <string_view>
#include <vector>

namespace hearth::tabs {

// A condition that no row satisfies: what a null relation value of the master row gives, so
// that the page shows nothing rather than the rows of some other record.
inline constexpr std::string_view no_row_condition = "1=0";

// "field='value'" with the value as one SQL literal (its quotes doubled).
std::string text_condition(std::string_view field, std::string_view value);
// "field=number", the number as String() writes it.
std::string number_condition(std::string_view field, std::string_view number);

// The designed SELECT with the conditions ANDed to its WHERE: the designed condition is
// wrapped as "Where (<designed condition>)" and each condition follows as " and (<c>)"; a
// statement without WHERE gets " Where (<c1>) and (<c2>)...". The conditions go before a
// GROUP BY, HAVING, ORDER BY, LIMIT or statement terminator that follows (with a blank before
// it). Keywords are found outside literals, quoted names, host variables, comments and
// parentheses, in any case. No conditions: the designed SELECT as it is.
std::string rewrite_select(std::string_view designed, const std::vector<std::string>& conditions);

} // namespace hearth::tabs
