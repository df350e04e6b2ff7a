// FIXME: stand-in definitions of the Decimal members this module uses, for as long as
// host/value declares them without defining them. They are weak symbols: once host/value
// defines these members, its definitions win and this file should be deleted.

#include "host/value/decimal.h"

#include <cctype>

namespace hearth {

namespace {

Int128 ten_to(int exponent)
{
    Int128 result = 1;
    for (int i = 0; i < exponent; ++i)
        result *= 10;
    return result;
}

constexpr int max_digits = 38;   // what fits in the 128-bit coefficient

} // namespace

__attribute__((weak)) Decimal Decimal::from_parts(Int128 coefficient, int scale)
{
    Decimal d;
    d.m_coefficient = coefficient;
    d.m_scale = std::uint8_t(scale);
    return d;
}

__attribute__((weak)) std::optional<Decimal> Decimal::parse(std::string_view text)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    Int128 coefficient = 0;
    int digits = 0, scale = 0, seen = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (!std::isdigit(static_cast<unsigned char>(c)))
            break;
        ++seen;
        if (coefficient == 0 && c == '0') {
            if (point)
                ++scale;
            continue;
        }
        if (++digits > max_digits)
            return std::nullopt;
        coefficient = coefficient * 10 + (c - '0');
        if (point)
            ++scale;
    }
    if (seen == 0)
        return std::nullopt;
    int exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool negative_exponent = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            negative_exponent = text[i++] == '-';
        if (i >= text.size())
            return std::nullopt;
        for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
            exponent = exponent * 10 + (text[i] - '0');
            if (exponent > 1000)
                return std::nullopt;
        }
        if (negative_exponent)
            exponent = -exponent;
    }
    if (i != text.size())
        return std::nullopt;
    scale -= exponent;
    while (scale < 0) {
        if (coefficient != 0 && ++digits > max_digits)
            return std::nullopt;
        coefficient *= 10;
        ++scale;
    }
    Decimal d = from_parts(negative ? -coefficient : coefficient, 0);
    if (scale > max_scale) {
        // More places than a decimal keeps: round half away from zero at the last one.
        const Int128 divisor = ten_to(scale - max_scale);
        Int128 q = coefficient / divisor;
        if ((coefficient % divisor) * 2 >= divisor)
            ++q;
        return from_parts(negative ? -q : q, max_scale);
    }
    return from_parts(d.m_coefficient, scale);
}

__attribute__((weak)) std::string Decimal::to_string() const
{
    const bool negative = m_coefficient < 0;
    Int128 magnitude = negative ? -m_coefficient : m_coefficient;
    std::string digits;
    do {
        digits.insert(digits.begin(), char('0' + int(magnitude % 10)));
        magnitude /= 10;
    } while (magnitude != 0);
    if (m_scale > 0) {
        while (digits.size() <= m_scale)
            digits.insert(digits.begin(), '0');
        digits.insert(digits.end() - m_scale, '.');
    }
    return negative ? "-" + digits : digits;
}

__attribute__((weak)) Decimal Decimal::rounded(int places) const
{
    if (places >= m_scale)
        return *this;
    const Int128 divisor = ten_to(m_scale - places);
    const bool negative = m_coefficient < 0;
    const Int128 magnitude = negative ? -m_coefficient : m_coefficient;
    Int128 q = magnitude / divisor;
    if ((magnitude % divisor) * 2 >= divisor)
        ++q;
    return from_parts(negative ? -q : q, places);
}

} // namespace hearth
