#pragma once
// A value or an error text: the typed result used inside the engine. The runtime's own
// conventions ("!", -1, "") are applied only at the engine's public edge.

#include <cassert>
#include <string>
#include <utility>
#include <variant>

namespace hearth::dw {

template <class T>
class Result {
public:
    Result(T value) : m_data(std::in_place_index<0>, std::move(value)) {}
    static Result failure(std::string message) { return Result(std::in_place_index<1>, std::move(message)); }

    bool ok() const { return m_data.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& value() { assert(ok()); return std::get<0>(m_data); }
    const T& value() const { assert(ok()); return std::get<0>(m_data); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    const std::string& error() const { assert(!ok()); return std::get<1>(m_data); }

private:
    template <std::size_t I, class A>
    Result(std::in_place_index_t<I> tag, A&& arg) : m_data(tag, std::forward<A>(arg)) {}
    std::variant<T, std::string> m_data;
};

} // namespace hearth::dw
