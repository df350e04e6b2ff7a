#include "host/value/decimal.h"

#include <algorithm>
#include <cassert>
#include <charconv>
#include <cmath>
#include <fmt/format.h>

namespace hearth {

namespace {

__extension__ typedef unsigned __int128 UInt128;

constexpr UInt128 max_magnitude = (~UInt128(0)) >> 1; // 2^127 - 1: the largest coefficient either sign

// 10^exponent for 0 <= exponent <= 15, exact in a double.
double power_of_ten_double(int exponent)
{
    static constexpr double powers[]
        = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    return powers[exponent];
}

UInt128 power_of_ten_u(int exponent)
{
    UInt128 result = 1;
    for (int i = 0; i < exponent; ++i)
        result *= 10;
    return result;
}

Int128 power_of_ten(int exponent) { return Int128(power_of_ten_u(exponent)); }

UInt128 magnitude(Int128 value) { return value < 0 ? UInt128(0) - UInt128(value) : UInt128(value); }

// An unsigned 256-bit integer, just wide enough for a product of two coefficients or a
// coefficient widened by 10^28 ahead of a division. Only what Decimal needs.
struct U256 {
    UInt128 hi = 0;
    UInt128 lo = 0;

    U256() = default;
    U256(UInt128 low) : lo(low) {}

    bool is_zero() const { return hi == 0 && lo == 0; }
    bool fits(UInt128 limit) const { return hi == 0 && lo <= limit; }
    auto operator<=>(const U256& other) const = default;

    friend U256 operator+(U256 a, const U256& b)
    {
        UInt128 low = a.lo + b.lo;
        a.hi += b.hi + (low < a.lo ? 1 : 0);
        a.lo = low;
        return a;
    }
    friend U256 operator-(U256 a, const U256& b) // a >= b
    {
        UInt128 low = a.lo - b.lo;
        a.hi -= b.hi + (a.lo < b.lo ? 1 : 0);
        a.lo = low;
        return a;
    }
    U256 shifted_left() const
    {
        U256 r;
        r.hi = (hi << 1) | (lo >> 127);
        r.lo = lo << 1;
        return r;
    }
    U256 shifted_right() const
    {
        U256 r;
        r.lo = (lo >> 1) | (hi << 127);
        r.hi = hi >> 1;
        return r;
    }
    bool top_bit() const { return (hi >> 127) != 0; }

    // Full product of two 128-bit numbers.
    static U256 product(UInt128 a, UInt128 b)
    {
        const UInt128 mask = (UInt128(1) << 64) - 1;
        UInt128 a0 = a & mask, a1 = a >> 64, b0 = b & mask, b1 = b >> 64;
        UInt128 p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
        UInt128 middle = (p00 >> 64) + (p01 & mask) + (p10 & mask);
        U256 r;
        r.lo = (p00 & mask) | (middle << 64);
        r.hi = p11 + (p01 >> 64) + (p10 >> 64) + (middle >> 64);
        return r;
    }
    // this * factor; the callers keep the result below 2^256.
    U256 times(UInt128 factor) const
    {
        U256 low = product(lo, factor);
        U256 high = product(hi, factor);
        low.hi += high.lo;
        return low;
    }
};

// Restoring binary division: 256 steps of shift, compare, subtract.
void divide_wide(const U256& numerator, const U256& divisor, U256& quotient, U256& remainder)
{
    assert(!divisor.is_zero());
    quotient = U256();
    remainder = U256();
    U256 n = numerator;
    for (int bit = 0; bit < 256; ++bit) {
        bool carry = remainder.top_bit();
        remainder = remainder.shifted_left();
        if (n.top_bit())
            remainder.lo |= 1;
        n = n.shifted_left();
        quotient = quotient.shifted_left();
        if (carry || remainder >= divisor) {
            remainder = remainder - divisor;
            quotient.lo |= 1;
        }
    }
}

// value / 10^places, rounded half away from zero (on the magnitude). Every value here is
// below 10^77, so from 77 places on the result is zero.
U256 shift_down_rounded(const U256& value, int places)
{
    if (places <= 0)
        return value;
    if (places >= 77)
        return U256();
    U256 divisor(1);
    for (int i = 0; i < places; ++i)
        divisor = divisor.times(10);
    U256 quotient, remainder;
    divide_wide(value, divisor, quotient, remainder);
    if (remainder.shifted_left() >= divisor)
        quotient = quotient + U256(1);
    return quotient;
}

// Builds the result from a sign, a wide magnitude and a scale: rounds away places beyond
// max_scale, and further places while the coefficient does not fit; nullopt when even the
// whole number does not fit.
std::optional<Decimal> finish(bool negative, const U256& value, int scale)
{
    // Always rounded from the exact value in one step: rounding place by place would round
    // twice (1449 -> 145 -> 15 instead of 14).
    int drop = std::max(0, scale - Decimal::max_scale);
    U256 rounded = shift_down_rounded(value, drop);
    while (!rounded.fits(max_magnitude) && scale - drop > 0)
        rounded = shift_down_rounded(value, ++drop);
    if (!rounded.fits(max_magnitude))
        return std::nullopt;
    Int128 coefficient = Int128(rounded.lo);
    return Decimal::from_parts(negative ? -coefficient : coefficient, scale - drop);
}

} // namespace

Decimal Decimal::from_parts(Int128 coefficient, int scale)
{
    assert(scale >= 0 && scale <= max_scale);
    assert(magnitude(coefficient) <= max_magnitude); // the most negative int128 has no positive twin
    Decimal result;
    result.m_coefficient = coefficient;
    result.m_scale = std::uint8_t(scale);
    return result;
}

std::optional<Decimal> Decimal::parse(std::string_view text)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    U256 digits;
    int places = 0;
    int digit_count = 0;
    bool seen_point = false;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c == '.' && !seen_point) {
            seen_point = true;
            continue;
        }
        if (c < '0' || c > '9')
            break;
        ++digit_count;
        // More than 76 digits cannot be held even in the wide helper; such text does not fit.
        if (digit_count > 76)
            return std::nullopt;
        digits = digits.times(10) + U256(UInt128(c - '0'));
        if (seen_point)
            ++places;
    }
    if (digit_count == 0)
        return std::nullopt;
    int exponent = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool exponent_negative = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            exponent_negative = text[i++] == '-';
        std::size_t start = i;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            if (exponent > 1000)
                return std::nullopt;
            exponent = exponent * 10 + (text[i] - '0');
        }
        if (i == start)
            return std::nullopt;
        if (exponent_negative)
            exponent = -exponent;
    }
    if (i != text.size())
        return std::nullopt;
    int scale = places - exponent;
    if (scale < 0) {
        if (digits.is_zero())
            return Decimal();
        for (; scale < 0; ++scale) {
            if (!digits.fits(max_magnitude))
                return std::nullopt;
            digits = digits.times(10);
        }
    }
    return finish(negative, digits, scale);
}

std::optional<Decimal> Decimal::exact_from_double(double value, int places)
{
    if (places < 0 || places > 15)
        return std::nullopt;
    const double whole = std::round(value * power_of_ten_double(places));
    // Also false for NaN and infinities.
    if (!(std::fabs(whole) < 1e15) || whole / power_of_ten_double(places) != value)
        return std::nullopt;
    return from_parts(Int128(static_cast<std::int64_t>(whole)), places);
}

std::optional<Decimal> Decimal::from_double(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    // Fast path for the usual stored amount (1234.56): the fewest places that stand for this
    // double exactly. Two decimals of at most 15 digits never share a double, so this is the
    // decimal the 15-digit text below would give too.
    if (std::fabs(value) < 1e15)
        for (int places = 0; places <= 15; ++places)
            if (auto exact = exact_from_double(value, places))
                return exact;
    return parse(fmt::format("{:.15g}", value));
}

std::string Decimal::to_string() const
{
    // Digits from the right into a buffer: 39 digits, a point, a sign and the zeros before
    // the point when the scale is larger than the digits.
    char buffer[72];
    char* end = buffer + sizeof buffer;
    char* p = end;
    UInt128 m = magnitude(m_coefficient);
    int written = 0;
    auto put_digit = [&](int digit) {
        if (written == m_scale && m_scale > 0)
            *--p = '.';
        *--p = char('0' + digit);
        ++written;
    };
    // 128-bit division is a library call; most amounts fit 64 bits.
    for (; m > UInt128(~std::uint64_t(0)); m /= 10)
        put_digit(int(m % 10));
    for (std::uint64_t small = std::uint64_t(m); small != 0; small /= 10)
        put_digit(int(small % 10));
    while (written <= m_scale)
        put_digit(0);
    if (m_coefficient < 0)
        *--p = '-';
    return std::string(p, std::size_t(end - p));
}

double Decimal::to_double() const
{
    // A coefficient below 2^53 and a power of ten up to 1e22 are both exact doubles, and one
    // IEEE division of them is correctly rounded: the nearest double without the text.
    static constexpr double powers_of_ten[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                               1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    constexpr Int128 exact_limit = Int128(1) << 53;
    if (m_coefficient > -exact_limit && m_coefficient < exact_limit && m_scale <= 22)
        return double(static_cast<std::int64_t>(m_coefficient)) / powers_of_ten[m_scale];
    // Otherwise through the text, so the result is still the double nearest to the exact value.
    std::string text = to_string();
    double result = 0;
    std::from_chars(text.data(), text.data() + text.size(), result);
    return result;
}

Decimal Decimal::rounded(int places) const
{
    assert(places <= max_scale);
    if (places >= m_scale)
        return *this;
    if (places < 0) {
        // A whole number at a multiple of 10^-places (Round(-9.625, -1) is -10).
        if (places < -38) // past every coefficient: 10^39 / 2 exceeds 2^127
            return Decimal();
        U256 value = shift_down_rounded(U256(magnitude(m_coefficient)), m_scale - places);
        for (int i = 0; i < -places; ++i)
            value = value.times(10);
        if (!value.fits(max_magnitude)) // only beyond the runtime's 28 digits: cut instead
            return truncated(places);
        Int128 coefficient = Int128(value.lo);
        return from_parts(m_coefficient < 0 ? -coefficient : coefficient, 0);
    }
    U256 value = shift_down_rounded(U256(magnitude(m_coefficient)), m_scale - places);
    Int128 coefficient = Int128(value.lo); // never larger than the original magnitude
    return from_parts(m_coefficient < 0 ? -coefficient : coefficient, places);
}

Decimal Decimal::truncated(int places) const
{
    assert(places <= max_scale);
    if (places >= m_scale)
        return *this;
    if (places < 0) {
        // A whole number cut toward zero to a multiple of 10^-places (Truncate(54, -1) is 50).
        if (m_scale - places > 38) // 10^39 exceeds every coefficient
            return Decimal();
        UInt128 cut = magnitude(m_coefficient) / power_of_ten_u(m_scale - places) * power_of_ten_u(-places);
        return from_parts(m_coefficient < 0 ? -Int128(cut) : Int128(cut), 0); // cut <= the magnitude
    }
    return from_parts(m_coefficient / power_of_ten(m_scale - places), places);
}

Decimal Decimal::normalized() const
{
    Int128 coefficient = m_coefficient;
    int scale = m_scale;
    while (scale > 0 && coefficient % 10 == 0) {
        coefficient /= 10;
        --scale;
    }
    return from_parts(coefficient, scale);
}

Decimal Decimal::negated() const { return from_parts(-m_coefficient, m_scale); }

std::optional<Decimal> Decimal::add(const Decimal& other) const
{
    // Aligned to the larger scale; both magnitudes stay below 2^221, so the wide sum is exact.
    int scale = std::max<int>(m_scale, other.m_scale);
    U256 a = U256(magnitude(m_coefficient)).times(power_of_ten_u(scale - m_scale));
    U256 b = U256(magnitude(other.m_coefficient)).times(power_of_ten_u(scale - other.m_scale));
    bool a_negative = m_coefficient < 0;
    bool b_negative = other.m_coefficient < 0;
    if (a_negative == b_negative)
        return finish(a_negative, a + b, scale);
    if (a >= b)
        return finish(a_negative, a - b, scale);
    return finish(b_negative, b - a, scale);
}

std::optional<Decimal> Decimal::subtract(const Decimal& other) const { return add(other.negated()); }

std::optional<Decimal> Decimal::multiply(const Decimal& other) const
{
    U256 product = U256::product(magnitude(m_coefficient), magnitude(other.m_coefficient));
    bool negative = (m_coefficient < 0) != (other.m_coefficient < 0) && !product.is_zero();
    return finish(negative, product, m_scale + other.m_scale);
}

// The quotient is exact when it ends within max_scale places, otherwise rounded half away
// from zero at the last place (the 28th, or fewer when the whole part is too large for
// more); trailing zeros are dropped, so 7.0 / 2 is 3.5 and 6.00 / 2.0 is 3.
std::optional<Decimal> Decimal::divide(const Decimal& other) const
{
    if (other.is_zero())
        return std::nullopt;
    U256 numerator(magnitude(m_coefficient));
    U256 divisor(magnitude(other.m_coefficient));
    int scale = int(m_scale) - int(other.m_scale);
    if (scale < 0) {
        numerator = numerator.times(power_of_ten_u(-scale));
        scale = 0;
    }
    U256 quotient, remainder;
    divide_wide(numerator, divisor, quotient, remainder);
    if (!quotient.fits(max_magnitude))
        return std::nullopt;
    // Long division, one place at a time, while a place is left and the quotient has room.
    const U256 room = U256(max_magnitude / 10 - 1);
    while (!remainder.is_zero() && scale < max_scale && quotient <= room) {
        U256 digit, rest;
        divide_wide(remainder.times(10), divisor, digit, rest);
        quotient = quotient.times(10) + digit;
        remainder = rest;
        ++scale;
    }
    if (!remainder.is_zero() && remainder.shifted_left() >= divisor)
        quotient = quotient + U256(1);
    bool negative = (m_coefficient < 0) != (other.m_coefficient < 0) && !quotient.is_zero();
    auto result = finish(negative, quotient, scale);
    if (!result)
        return std::nullopt;
    return result->normalized();
}

std::strong_ordering Decimal::operator<=>(const Decimal& other) const
{
    // Compare whole parts, then fractions widened to max_scale places; neither step can
    // overflow, whatever the two scales are.
    Int128 whole = m_coefficient / power_of_ten(m_scale);
    Int128 other_whole = other.m_coefficient / power_of_ten(other.m_scale);
    if (whole != other_whole)
        return whole < other_whole ? std::strong_ordering::less : std::strong_ordering::greater;
    Int128 fraction = (m_coefficient % power_of_ten(m_scale)) * power_of_ten(max_scale - m_scale);
    Int128 other_fraction
        = (other.m_coefficient % power_of_ten(other.m_scale)) * power_of_ten(max_scale - other.m_scale);
    if (fraction == other_fraction)
        return std::strong_ordering::equal;
    return fraction < other_fraction ? std::strong_ordering::less : std::strong_ordering::greater;
}

} // namespace hearth
