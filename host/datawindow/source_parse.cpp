#include "host/datawindow/source.h"
#include "host/datawindow/text_cursor.h"
#include "host/datawindow/text_util.h"

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

    int read_release()
    {
        skip_blanks();
        if (!istarts_with(rest(), "release"))
            return 0;
        if (is_name_char(peek(7)))
            return 0; // an item keyword that merely starts with "release"
        advance(7);
        skip_blanks();
        SourcePos where = pos();
        std::string digits;
        while (!at_end() && peek() >= '0' && peek() <= '9' && digits.size() < 6) {
            digits += peek();
            advance();
        }
        if (digits.empty())
            fail(where, "expected the release number after 'release'");
        skip_blanks();
        if (peek() != ';')
            fail(pos(), "expected ';' after the release number");
        advance();
        return std::stoi(digits);
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
                fail(item.pos, fmt::format("expected an item keyword, found '{}'", printable(peek())));
            item.keyword = to_lower(keyword);
            skip_blanks();
            if (peek() != '(')
                fail(pos(), fmt::format("expected '(' after '{}'", keyword));
            SourcePos opened = pos();
            advance();
            item.attributes = read_list_body(1, /*allow_positional=*/false, opened);
            items.push_back(std::move(item));
        }
    }

    // Reads elements up to and including the closing ')'.
    std::vector<Attribute> read_list_body(int depth, bool allow_positional, SourcePos opened)
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
                    fail(pos(), fmt::format("missing value for '{}'", attr.name));
                attr.value = read_value(depth);
            } else if (allow_positional) {
                attr.value = read_value(depth);
            } else {
                fail(attr.pos, fmt::format("expected an attribute name, found '{}'", printable(c)));
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
            value.items = read_list_body(depth + 1, /*allow_positional=*/true, value.pos);
            return value;
        }
        if (!is_bare_char(c))
            fail(value.pos, fmt::format("expected a value, found '{}'", printable(c)));
        value.form = AttrValue::Form::Bare;
        value.text = take_while(is_bare_char);
        // Type names carry their size directly: char(10), decimal(2).
        if (peek() == '(') {
            std::size_t close = rest().find(')');
            std::string_view inside
                = close == std::string_view::npos ? std::string_view {} : rest().substr(1, close - 1);
            bool digits = !inside.empty() && inside.size() <= 9
                && inside.find_first_not_of("0123456789") == std::string_view::npos;
            if (digits) {
                value.text += rest().substr(0, close + 1);
                advance(close + 1);
            }
        }
        return value;
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

    static std::string printable(char c)
    {
        if (c == '\0')
            return "end of text";
        if (static_cast<unsigned char>(c) < 0x20)
            return fmt::format("\\x{:02x}", static_cast<unsigned char>(c));
        return std::string(1, c);
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
