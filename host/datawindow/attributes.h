#pragma once
// Internal: the attribute store behind Describe, Modify and Object.<name>.<attr>. One table
// maps each attribute name to the controls it applies to, its default, and its getter,
// setter and value parser; an unknown name gives one coded answer.

#include "host/datawindow/datawindow.h"

#include <optional>
#include <string>
#include <string_view>

namespace hearth::dw {

struct DescribeModify {
    // The attribute's value, nullopt for "no value" ("?"); fails with the reason (an unknown
    // object or property), which Describe answers as "!".
    static Result<std::optional<std::string>> get(Engine& engine, std::string_view path);
    // Writes the attribute (value already unescaped); fails with the reason Modify reports.
    static Result<void> set(Engine& engine, std::string_view path, std::string_view value);
    // Modify's `create keyword(...)` and `destroy name`; fail with the reason.
    static Result<void> create(Engine& engine, std::string_view source);
    static Result<void> destroy(Engine& engine, std::string_view name);
};

} // namespace hearth::dw
