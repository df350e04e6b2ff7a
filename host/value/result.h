#pragma once
// The result of a host call: a value, or the text of what went wrong. Result<void> is a call
// that answers only success or failure. The runtime's own conventions ("!", -1, "") are
// applied only at the host's public edge, where a script sees the call.

#include <cassert>
#include <string>
#include <utility>
#include <variant>

namespace hearth {

template <class T> class Result {
public:
    Result(T value) : m_data(std::in_place_index<0>, std::move(value)) {}
    static Result failure(std::string message) { return Result(std::in_place_index<1>, std::move(message)); }

    bool ok() const { return m_data.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& value()
    {
        assert(ok());
        return std::get<0>(m_data);
    }
    const T& value() const
    {
        assert(ok());
        return std::get<0>(m_data);
    }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    const std::string& error() const
    {
        assert(!ok());
        return std::get<1>(m_data);
    }

private:
    template <std::size_t I, class A> Result(std::in_place_index_t<I> tag, A&& arg) : m_data(tag, std::forward<A>(arg))
    {
    }
    std::variant<T, std::string> m_data;
};

template <> class Result<void> {
public:
    Result() = default;
    static Result failure(std::string message) { return Result(std::move(message), false); }
    // Keeps a failure's text when passing it on from a call of another type.
    template <class T>
    Result(const Result<T>& other) : m_ok(other.ok()), m_error(other.ok() ? std::string() : other.error())
    {
    }

    bool ok() const { return m_ok; }
    explicit operator bool() const { return ok(); }
    const std::string& error() const
    {
        assert(!ok());
        return m_error;
    }

private:
    Result(std::string message, bool) : m_ok(false), m_error(std::move(message)) {}
    bool m_ok = true;
    std::string m_error;
};

// The failure's text, or "" for a success: for messages that carry either.
template <class T> std::string error_text(const Result<T>& result) { return result ? std::string() : result.error(); }

} // namespace hearth
