#pragma once
// The DataWindow object source syntax as a generic tree: `keyword( name=value ... )` items
// whose values are bare tokens, quoted strings or parenthesised lists. The meaning of the
// items (table, columns, controls) is given by ObjectDefinition (object.h).

#include "host/value/result.h"

#include <string>
#include <string_view>
#include <vector>

namespace hearth::dw {

struct SourcePos {
    int line = 1;
    int column = 1; // characters, counted from 1
};

struct Attribute;

struct AttrValue {
    enum class Form : unsigned char { Bare, Quoted, List };
    Form form = Form::Bare;
    std::string text;             // bare token, or quoted text with its tilde escapes resolved
    std::vector<Attribute> items; // list elements: named (name=value) or positional (name empty)
    SourcePos pos;

    static AttrValue bare(std::string text);
    static AttrValue quoted(std::string text);
};

struct Attribute {
    std::string name; // as written; compare without case
    AttrValue value;
    SourcePos pos;
};

// Defined here, where Attribute is complete.
inline AttrValue AttrValue::bare(std::string text)
{
    AttrValue value;
    value.text = std::move(text);
    return value;
}

inline AttrValue AttrValue::quoted(std::string text)
{
    AttrValue value;
    value.form = Form::Quoted;
    value.text = std::move(text);
    return value;
}

struct SourceItem {
    std::string keyword;               // lower case
    std::vector<Attribute> attributes; // named, or values without names (data(...) rows)
    SourcePos pos;
};

struct SourceDocument {
    std::string release; // as written ("10", "10.5"); empty when the source has no release line
    std::vector<SourceItem> items;
};

// Parses a whole object source. On failure the message reads
// "<file>: line <n>, column <n>: <what is wrong>".
Result<SourceDocument> parse_source(std::string_view text, std::string_view file);

// Parses `keyword( attributes )` items from text (used by Modify's `create`); positions
// count from `origin`. Fails like parse_source, without the file name.
Result<std::vector<SourceItem>> parse_source_items(std::string_view text, SourcePos origin);

// Formats a position-bearing message the way every parser of the engine reports it.
std::string located_message(std::string_view file, SourcePos pos, std::string_view message);

// The attribute named `name` (without case) in a list, or nullptr.
const Attribute* find_attribute(const std::vector<Attribute>& list, std::string_view name);
Attribute* find_attribute(std::vector<Attribute>& list, std::string_view name);

// Source text of a value, quoted and escaped as the source syntax writes it.
std::string write_value(const AttrValue& value);
// Text in double quotes with ~ escapes, as sources and Describe write a quoted value.
std::string quoted_value(std::string_view text);

} // namespace hearth::dw
