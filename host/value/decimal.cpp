#include "host/value/decimal.h"

namespace hearth {

namespace {

Int128 power_of_ten(int exponent)
{
    Int128 result = 1;
    for (int i = 0; i < exponent; ++i)
        result *= 10;
    return result;
}

} // namespace

std::strong_ordering Decimal::operator<=>(const Decimal& other) const
{
    // Compare whole parts, then fractions widened to max_scale places; neither step can
    // overflow, whatever the two scales are.
    Int128 whole = m_coefficient / power_of_ten(m_scale);
    Int128 other_whole = other.m_coefficient / power_of_ten(other.m_scale);
    if (whole != other_whole)
        return whole < other_whole ? std::strong_ordering::less : std::strong_ordering::greater;
    Int128 fraction = (m_coefficient % power_of_ten(m_scale)) * power_of_ten(max_scale - m_scale);
    Int128 other_fraction = (other.m_coefficient % power_of_ten(other.m_scale)) * power_of_ten(max_scale - other.m_scale);
    if (fraction == other_fraction)
        return std::strong_ordering::equal;
    return fraction < other_fraction ? std::strong_ordering::less : std::strong_ordering::greater;
}

} // namespace hearth
