#pragma once
// Exact decimal numbers as the runtime keeps them: a signed integer coefficient and a scale
// (digits after the point), at most 28 digits after the point. No binary floating point is
// involved in any arithmetic here.

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hearth {

__extension__ typedef __int128 Int128;

class Decimal {
public:
    static constexpr int max_scale = 28;

    constexpr Decimal() = default;
    constexpr Decimal(std::int64_t whole) : m_coefficient(whole) {}
    // coefficient * 10^-scale; scale must lie in 0..max_scale.
    static Decimal from_parts(Int128 coefficient, int scale);

    // Parses "-12.50", "+3", ".5", "1e3"; surrounding blanks are not accepted.
    // Returns nullopt for text that is not a number or does not fit.
    static std::optional<Decimal> parse(std::string_view text);
    // Nearest decimal to a double, rounded to 15 significant digits as the runtime shows doubles.
    static std::optional<Decimal> from_double(double value);
    // The double as a decimal of exactly `places` places (0..15) when it stands for one of at
    // most 15 digits: 1234.56 at 2 places is 1234.56, at 3 places 1234.560, at 1 place none.
    static std::optional<Decimal> exact_from_double(double value, int places);

    Int128 coefficient() const { return m_coefficient; }
    int scale() const { return m_scale; }
    bool is_zero() const { return m_coefficient == 0; }
    bool is_negative() const { return m_coefficient < 0; }

    // Plain text without exponent or grouping, keeping the scale ("3.50").
    std::string to_string() const;
    double to_double() const;
    // Rounded half away from zero to the given number of places after the point (at most
    // max_scale); negative places round the whole part to tens, hundreds, ... (scale 0).
    Decimal rounded(int places) const;
    Decimal truncated(int places) const;
    // The same value with trailing zero places removed ("3.50" -> "3.5").
    Decimal normalized() const;

    // Arithmetic is exact; a result with more than max_scale places is rounded half away
    // from zero at the last place. Each returns nullopt on overflow, and divide also on a
    // zero divisor (the caller raises the runtime's error for it). Sums keep the larger
    // scale, products the sum of the scales (both cut back to max_scale, or further while
    // the coefficient does not fit). A quotient is exact when it ends within max_scale places,
    // else rounded at the 28th place (fewer when its whole part leaves no room), and has its
    // trailing zeros dropped: 7.0 / 2 = 3.5, 6.00 / 2.0 = 3, 1 / 3 = 0.3333333333333333333333333333.
    std::optional<Decimal> add(const Decimal& other) const;
    std::optional<Decimal> subtract(const Decimal& other) const;
    std::optional<Decimal> multiply(const Decimal& other) const;
    std::optional<Decimal> divide(const Decimal& other) const;
    Decimal negated() const;

    // Numeric comparison: 3.5 == 3.50.
    std::strong_ordering operator<=>(const Decimal& other) const;
    bool operator==(const Decimal& other) const { return (*this <=> other) == 0; }

private:
    Int128 m_coefficient = 0;
    std::uint8_t m_scale = 0;
};

} // namespace hearth
