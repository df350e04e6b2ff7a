#include "app/identity_number.h"

#include <algorithm>

namespace hearth {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

int number_at(std::string_view text, std::size_t at, std::size_t count)
{
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i)
        value = value * 10 + (text[i] - '0');
    return value;
}

bool is_date(int year, int month, int day)
{
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1800 || month < 1 || month > 12 || day < 1)
        return false;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= days[month - 1] + (month == 2 && leap ? 1 : 0);
}

} // namespace

char id_check_digit(std::string_view first17)
{
    static constexpr int weights[] = {7, 9, 10, 5, 8, 4, 2, 1, 6, 3, 7, 9, 10, 5, 8, 4, 2};
    int sum = 0;
    for (std::size_t i = 0; i < 17 && i < first17.size(); ++i)
        sum += (first17[i] - '0') * weights[i];
    return "10X98765432"[sum % 11];
}

std::optional<IdNumberFault> check_id_number(std::string_view number)
{
    if (number.size() != 18 || !std::all_of(number.begin(), number.begin() + 17, is_digit))
        return IdNumberFault::Form;
    const char last = number[17] == 'x' ? 'X' : number[17];
    if (!is_digit(last) && last != 'X')
        return IdNumberFault::Form;
    if (!is_date(number_at(number, 6, 4), number_at(number, 10, 2), number_at(number, 12, 2)))
        return IdNumberFault::BirthDate;
    if (last != id_check_digit(number.substr(0, 17)))
        return IdNumberFault::CheckDigit;
    return std::nullopt;
}

} // namespace hearth
