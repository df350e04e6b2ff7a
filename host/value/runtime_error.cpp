#include "host/value/runtime_error.h"

namespace hearth {

std::string_view error_text(ErrorCode code)
{
    switch (code) {
    case ErrorCode::DivideByZero: return "Divide by zero";
    case ErrorCode::NullObjectReference: return "Null object reference";
    case ErrorCode::ArrayBounds: return "Array boundary exceeded";
    case ErrorCode::NullArrayIndex: return "Array index is null";
    case ErrorCode::MissingParent: return "Parent object of the control does not exist";
    case ErrorCode::CallFailed: return "Error calling function or event";
    }
    return "Unknown runtime error";
}

RuntimeError::RuntimeError(ErrorCode code, std::string context)
    : std::runtime_error(std::string(error_text(code)) + (context.empty() ? "" : ": " + context)), m_code(code),
      m_context(std::move(context))
{
}

} // namespace hearth
