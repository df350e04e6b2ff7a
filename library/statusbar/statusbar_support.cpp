#include "library/statusbar/statusbar_support.h"

#include "host/value/convert.h"

#include <string>

namespace hearth::statusbar {

std::optional<std::int16_t> integer_arg(const ScriptCall& call, std::size_t index)
{
    const Value converted = convert(call.arg(index), Type::Integer);
    if (converted.is_null())
        return std::nullopt;
    return static_cast<std::int16_t>(converted.as_integral());
}

AppGlobals* app_globals(const ScriptCall& call, std::string_view what)
{
    if (Application* application = Application::current())
        return &application->globals();
    call.raise(ErrorCode::NullObjectReference, std::string(what) + ": no application is running");
    return nullptr;
}

} // namespace hearth::statusbar
