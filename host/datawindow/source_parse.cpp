#include "host/datawindow/source.h"
#include "host/datawindow/text_cursor.h"
#include "host/datawindow/text_util.h"
#include "host/value/utf8.h"

#include <fmt/format.h>

namespace hearth::dw {

namespace {

// Lists nest only a few levels in real sources; the bound keeps hostile input from
// exhausting the stack.
constexpr int max_depth = 32;

struct ParseFailure {
    SourcePos pos;
    std::string message;
};

class Parser : public TextCursor {
public:
    Parser(std::string_view text, SourcePos origin) : TextCursor(text, origin) {}

    [[noreturn]] void fail(SourcePos where, std::string message) { throw ParseFailure {where, std::move(message)}; }

    static bool is_name_char(char c)
    {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '.'
            || c == '$' || c == '#' || c == '-' || (static_cast<unsigned char>(c) >= 0x80);
    }

    static bool is_bare_char(char c)
    {
        return c != '\0' && c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '\f' && c != '(' && c != ')'
            && c != '=' && c != ',' && c != '"' && c != '\'';
    }

    std::string read_name() { return std::string(take_while(is_name_char)); }

    // A source export header line ($PBExportHeader$..., $PBExportComments$...).
    void skip_header_lines()
    {
        for (;;) {
            skip_blanks();
            if (peek() != '$')
                return;
            while (!at_end() && peek() != '\n')
                advance();
        }
    }

    // `release 10;` or, from later releases, `release 10.5;`: the number as written.
    std::string read_release()
    {
        skip_blanks();
        if (!istarts_with(rest(), "release"))
            return {};
        if (is_name_char(peek(7)))
            return {}; // an item keyword that merely starts with "release"
        advance(7);
        skip_blanks();
        SourcePos where = pos();
        auto digits = [](char c) { return c >= '0' && c <= '9'; };
        std::string number(take_while(digits));
        if (!number.empty() && peek() == '.' && digits(peek(1))) {
            advance();
            number += '.';
            number += take_while(digits);
        }
        if (number.empty() || number.size() > 12)
            fail(where, "expected the release number after 'release'");
        skip_blanks();
        if (peek() != ';')
            fail(pos(), "expected ';' after the release number");
        advance();
        return number;
    }

    std::vector<SourceItem> read_items()
    {
        std::vector<SourceItem> items;
        for (;;) {
            skip_blanks();
            if (at_end())
                return items;
            SourceItem item;
            item.pos = pos();
            std::string keyword = read_name();
            if (keyword.empty())
                fail(item.pos, fmt::format("expected an item keyword, found '{}'", printable()));
            item.keyword = to_lower(keyword);
            skip_blanks();
            if (peek() != '(')
                fail(pos(), fmt::format("expected '(' after '{}'", excerpt(keyword)));
            SourcePos opened = pos();
            advance();
            // Values without names (data(...) rows, items of later releases) are kept; which
            // items may hold them is for the object builder to say.
            item.attributes = read_list_body(1, opened);
            items.push_back(std::move(item));
        }
    }

    // Reads elements, named (name=value) or not, up to and including the closing ')'.
    std::vector<Attribute> read_list_body(int depth, SourcePos opened)
    {
        if (depth > max_depth)
            fail(opened, "lists nested too deeply");
        std::vector<Attribute> list;
        for (;;) {
            skip_blanks();
            if (at_end())
                fail(opened, "missing ')' for this '('");
            char c = peek();
            if (c == ')') {
                advance();
                return list;
            }
            if (c == ',') {
                advance();
                continue;
            }
            Attribute attr;
            attr.pos = pos();
            if (is_name_char(c) && named_ahead()) {
                attr.name = read_name();
                skip_blanks();
                advance(); // '='
                skip_blanks();
                if (at_end())
                    fail(pos(), fmt::format("missing value for '{}'", excerpt(attr.name)));
                attr.value = read_value(depth);
            } else if (c == '"' || c == '\'' || c == '(' || is_bare_char(c)) {
                attr.value = read_value(depth);
            } else {
                fail(attr.pos, fmt::format("expected an attribute name, found '{}'", printable()));
            }
            list.push_back(std::move(attr));
        }
    }

    // True when a name followed by '=' starts here.
    bool named_ahead() const
    {
        std::size_t i = 0;
        while (is_name_char(peek(i)))
            ++i;
        while (peek(i) == ' ' || peek(i) == '\t' || peek(i) == '\r' || peek(i) == '\n')
            ++i;
        return peek(i) == '=';
    }

    AttrValue read_value(int depth)
    {
        AttrValue value;
        value.pos = pos();
        char c = peek();
        if (c == '"' || c == '\'') {
            value.form = AttrValue::Form::Quoted;
            value.text = unescape_tilde(read_quoted());
            return value;
        }
        if (c == '(') {
            advance();
            value.form = AttrValue::Form::List;
            value.items = read_list_body(depth + 1, value.pos);
            return value;
        }
        if (!is_bare_char(c))
            fail(value.pos, fmt::format("expected a value, found '{}'", printable()));
        value.form = AttrValue::Form::Bare;
        value.text = take_while(is_bare_char);
        // A parenthesised group right after a bare token belongs to it: type sizes such as
        // char(10), and values of later releases such as f(a(b)) that are kept as written.
        if (peek() == '(') {
            std::size_t start = index();
            skip_group(depth);
            value.text += slice(start);
        }
        return value;
    }

    // Passes over a balanced group of parentheses at the cursor, quotes included.
    void skip_group(int depth)
    {
        SourcePos opened = pos();
        int open = 0;
        do {
            if (at_end())
                fail(opened, "missing ')' for this '('");
            char c = peek();
            if (c == '"' || c == '\'') {
                read_quoted();
                continue;
            }
            if (c == '(' && depth + ++open > max_depth)
                fail(opened, "lists nested too deeply");
            if (c == ')')
                --open;
            advance();
        } while (open > 0);
    }

    // The raw text between the quotes, escapes still in place.
    std::string_view read_quoted()
    {
        SourcePos opened = pos();
        auto raw = quoted();
        if (!raw)
            fail(opened, "unterminated string");
        return *raw;
    }

    // The character at the cursor as a message quotes it.
    std::string printable() const
    {
        if (at_end())
            return "end of text";
        if (static_cast<unsigned char>(peek()) < 0x20)
            return fmt::format("\\x{:02x}", static_cast<unsigned char>(peek()));
        return excerpt(rest().substr(0, utf8::next(rest(), 0)));
    }
};

} // namespace

std::string located_message(std::string_view file, SourcePos pos, std::string_view message)
{
    if (file.empty())
        return fmt::format("line {}, column {}: {}", pos.line, pos.column, message);
    return fmt::format("{}: line {}, column {}: {}", file, pos.line, pos.column, message);
}

Result<SourceDocument> parse_source(std::string_view text, std::string_view file)
{
    Parser parser(text, SourcePos {});
    try {
        SourceDocument document;
        parser.skip_header_lines();
        document.release = parser.read_release();
        document.items = parser.read_items();
        return document;
    } catch (const ParseFailure& failure) {
        return Result<SourceDocument>::failure(located_message(file, failure.pos, failure.message));
    }
}

Result<std::vector<SourceItem>> parse_source_items(std::string_view text, SourcePos origin)
{
    Parser parser(text, origin);
    try {
        return parser.read_items();
    } catch (const ParseFailure& failure) {
        return Result<std::vector<SourceItem>>::failure(located_message({}, failure.pos, failure.message));
    }
}

const Attribute* find_attribute(const std::vector<Attribute>& list, std::string_view name)
{
    for (const Attribute& attr : list)
        if (iequals(attr.name, name))
            return &attr;
    return nullptr;
}

Attribute* find_attribute(std::vector<Attribute>& list, std::string_view name)
{
    for (Attribute& attr : list)
        if (iequals(attr.name, name))
            return &attr;
    return nullptr;
}

std::string quoted_value(std::string_view text)
{
    // Appended rather than a literal prepended to a temporary string, for which GCC 12 at -O3
    // reports a false overlap (-Wrestrict).
    std::string out = "\"";
    out += escape_tilde(text, '"');
    out += '"';
    return out;
}

std::string write_value(const AttrValue& value)
{
    switch (value.form) {
    case AttrValue::Form::Bare: return value.text;
    case AttrValue::Form::Quoted: return quoted_value(value.text);
    case AttrValue::Form::List: {
        std::string out = "(";
        bool first = true;
        for (const Attribute& item : value.items) {
            if (!first)
                out += item.name.empty() ? ", " : " ";
            first = false;
            if (!item.name.empty())
                out += item.name + "=";
            out += write_value(item.value);
        }
        return out + ")";
    }
    }
    return {};
}

} // namespace hearth::dw
