#pragma once
// A one-dimensional script array of values: either unbounded (subscripts from 1, growing as
// elements are assigned) or fixed with declared bounds (`int d[10 to 50]`). Elements start
// as the element type's initial value and are converted on assignment as variables are.

#include "host/value/value.h"

#include <vector>

namespace hearth {

class ValueArray {
public:
    // An unbounded array; upper_bound() is 0 until an element is assigned.
    explicit ValueArray(Type element);
    // A fixed array [lower to upper]; `int a[5]` is [1 to 5]. lower <= upper (asserted).
    ValueArray(Type element, long lower, long upper);

    Type element_type() const { return m_element; }
    bool is_fixed() const { return m_fixed; }
    long lower_bound() const { return m_lower; }
    // The declared upper bound of a fixed array; the highest subscript assigned so far of an
    // unbounded one (0 before any assignment).
    long upper_bound() const { return m_lower + long(m_items.size()) - 1; }

    // The element at a subscript. Raises 20508 for a null subscript and 20503 for one below
    // the lower bound or beyond the upper bound.
    const Value& at(const Value& index) const;
    const Value& at(long index) const;
    // Stores a value, converted to the element type (25015 when it cannot be); an unbounded
    // array grows to the subscript, the new elements in between taking the initial value.
    // Same subscript errors as at(), except that an unbounded array has no upper limit.
    void set(const Value& index, const Value& value);
    void set(long index, const Value& value);

private:
    std::size_t slot(long index, bool growing);
    std::size_t slot(long index) const;

    Type m_element;
    bool m_fixed;
    long m_lower;
    std::vector<Value> m_items;
};

} // namespace hearth
