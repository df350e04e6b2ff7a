#pragma once
// Small helpers shared by the status bar's scripts: reading integer arguments as the runtime
// passes them, and reaching the application's colours.

#include "host/object/script.h"
#include "library/frame/application.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace hearth::statusbar {

// Argument `index` of an integer parameter, converted as the runtime converts a by-value
// argument (a long wraps to 16 bits, a fraction rounds); nullopt when it is null. An argument
// that cannot become an integer (text, a date ...) fails the script with 25015.
std::optional<std::int16_t> integer_arg(const ScriptCall& call, std::size_t index);

// The running application's globals. None running: raises 20502 naming `what`; when the error
// is reported handled, returns nullptr and the caller skips the statement.
AppGlobals* app_globals(const ScriptCall& call, std::string_view what);

} // namespace hearth::statusbar
