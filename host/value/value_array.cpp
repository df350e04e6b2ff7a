#include "host/value/value_array.h"

#include "host/value/convert.h"
#include "host/value/fn_args.h"
#include "host/value/runtime_error.h"

#include <cassert>
#include <fmt/format.h>

namespace hearth {

namespace {

long subscript(const Value& index)
{
    if (index.is_null())
        throw RuntimeError(ErrorCode::NullArrayIndex, "array subscript");
    if (!index.is_numeric())
        fn::args::wrong_kind("array", 1, "a number", index);
    return fn::args::rounded_long(index);
}

[[noreturn]] void out_of_bounds(long index, long lower, long upper)
{
    throw RuntimeError(ErrorCode::ArrayBounds, fmt::format("subscript {} outside {} to {}", index, lower, upper));
}

// Unbounded arrays grow to at most this many elements: a subscript beyond it is taken as a
// runaway loop rather than an allocation of gigabytes.
constexpr long max_unbounded_size = 16 * 1024 * 1024;

} // namespace

ValueArray::ValueArray(Type element) : m_element(element), m_fixed(false), m_lower(1) {}

ValueArray::ValueArray(Type element, long lower, long upper) : m_element(element), m_fixed(true), m_lower(lower)
{
    assert(lower <= upper); // the declaration's bounds, checked where the array is declared
    m_items.assign(std::size_t(upper - lower + 1), Value::initial_of(element));
}

std::size_t ValueArray::slot(long index) const
{
    if (index < m_lower || index > upper_bound())
        out_of_bounds(index, m_lower, upper_bound());
    return std::size_t(index - m_lower);
}

std::size_t ValueArray::slot(long index, bool growing)
{
    if (growing && !m_fixed && index > upper_bound()) {
        if (index > max_unbounded_size)
            out_of_bounds(index, m_lower, max_unbounded_size);
        m_items.resize(std::size_t(index), Value::initial_of(m_element));
    }
    return static_cast<const ValueArray&>(*this).slot(index);
}

const Value& ValueArray::at(long index) const { return m_items[slot(index)]; }
const Value& ValueArray::at(const Value& index) const { return at(subscript(index)); }

void ValueArray::set(long index, const Value& value)
{
    Value stored = convert(value, m_element);
    m_items[slot(index, true)] = std::move(stored);
}

void ValueArray::set(const Value& index, const Value& value) { set(subscript(index), value); }

namespace fn {

Value upper_bound(const ValueArray& array, const Value& dimension)
{
    if (dimension.is_null())
        return Value::null_of(Type::Long);
    // One-dimensional arrays only: any other dimension is "beyond the number of dimensions".
    return Value(std::int32_t(args::count(dimension, "UpperBound", 2) == 1 ? array.upper_bound() : -1));
}

Value lower_bound(const ValueArray& array, const Value& dimension)
{
    if (dimension.is_null())
        return Value::null_of(Type::Long);
    return Value(std::int32_t(args::count(dimension, "LowerBound", 2) == 1 ? array.lower_bound() : -1));
}

} // namespace fn

} // namespace hearth
