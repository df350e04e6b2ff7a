#pragma once
// Internal: the attribute store behind Describe, Modify and Object.<name>.<attr>. One table
// maps each attribute name to the controls it applies to, its default, and its getter,
// setter and value parser; an unknown name gives one coded answer.

#include "host/datawindow/datawindow.h"

#include <optional>
#include <string>
#include <string_view>

namespace hearth::dw {

// Why an attribute access failed; Describe turns every one into "!", Modify into its text.
enum class AttributeError : std::uint8_t { UnknownObject, UnknownAttribute, ReadOnly, BadValue };

struct AttributeFailure {
    AttributeError error;
    std::string detail; // for BadValue: what is wrong with the value
};

struct DescribeModify {
    // The attribute's value; nullopt-with-no-failure means "no value" ("?").
    struct Read {
        std::optional<std::string> value;
        std::optional<AttributeFailure> failure;
    };
    static Read get(Engine& engine, std::string_view path);
    // Writes the attribute (value already unescaped); nullopt on success.
    static std::optional<AttributeFailure> set(Engine& engine, std::string_view path, std::string_view value);
    // Modify's `create keyword(...)` and `destroy name`; "" on success, else the reason.
    static std::string create(Engine& engine, std::string_view source);
    static std::string destroy(Engine& engine, std::string_view name);
};

} // namespace hearth::dw
