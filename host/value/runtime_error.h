#pragma once
// Script-visible runtime errors. Host operations throw RuntimeError; exactly one place, the
// script dispatcher (host/object), catches it and turns it into a failed script.

#include <stdexcept>
#include <string>
#include <string_view>

namespace hearth {

enum class ErrorCode : int {
    DivideByZero = 20501,        // decimal division by zero
    NullObjectReference = 20502, // a call or property access through a null or destroyed reference
    ArrayBounds = 20503,         // array index below 1 or beyond a fixed array's bound
    NullArrayIndex = 20508,      // an array index that is null
    MissingParent = 20543,       // the parent object of a nested control is missing
    CallFailed = 25015,          // a host call, argument conversion or ancestor script failed
};

// The runtime's text for a code ("Null object reference" ...).
std::string_view error_text(ErrorCode code);

class RuntimeError : public std::runtime_error {
public:
    // context says where: the operation, the object or the value involved.
    RuntimeError(ErrorCode code, std::string context);

    ErrorCode code() const { return m_code; }
    const std::string& context() const { return m_context; }

private:
    ErrorCode m_code;
    std::string m_context;
};

} // namespace hearth
