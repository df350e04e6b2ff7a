#include "library/tabs/select_rewrite.h"

#include "host/sql/dialect.h"
#include "host/value/ascii.h"

#include <optional>

namespace hearth::tabs {

namespace {

enum class Kind : std::uint8_t { Word, Space, LineComment, Other };

struct Span {
    Kind kind;
    std::size_t begin;
    std::size_t end;
    int depth; // parentheses open before the span
};

bool is_word_char(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$'
        || c == '#' || c >= 0x80;
}

// Splits a statement into the spans the rewrite looks at. Literals, quoted names and comments
// are single spans, so a keyword inside them is never taken for one; one left open runs to the
// end of the text.
std::vector<Span> scan(std::string_view s)
{
    std::vector<Span> spans;
    int depth = 0;
    std::size_t i = 0;
    while (i < s.size()) {
        const std::size_t from = i;
        const char c = s[i];
        Kind kind = Kind::Other;
        if (ascii::is_space(c)) {
            while (i < s.size() && ascii::is_space(s[i]))
                ++i;
            kind = Kind::Space;
        } else if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
            i = std::min(s.find('\n', i), s.size());
            kind = Kind::LineComment;
        } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
            const std::size_t end = s.find("*/", i + 2);
            i = end == std::string_view::npos ? s.size() : end + 2;
        } else if (c == '\'' || c == '"') {
            // A doubled quote stays inside: the scan simply closes and reopens.
            do {
                const std::size_t end = s.find(c, i + 1);
                i = end == std::string_view::npos ? s.size() : end + 1;
            } while (i < s.size() && s[i] == c);
        } else if (c == ':' && i + 1 < s.size() && is_word_char(static_cast<unsigned char>(s[i + 1]))) {
            // A host variable (:where is a name, not a keyword).
            ++i;
            while (i < s.size() && is_word_char(static_cast<unsigned char>(s[i])))
                ++i;
        } else if (is_word_char(static_cast<unsigned char>(c))) {
            while (i < s.size() && is_word_char(static_cast<unsigned char>(s[i])))
                ++i;
            kind = Kind::Word;
        } else {
            ++i;
            if (c == ')')
                --depth;
        }
        spans.push_back({kind, from, i, depth});
        if (c == '(' && kind == Kind::Other)
            ++depth;
    }
    return spans;
}

bool is_keyword(std::string_view s, const Span& span, std::string_view keyword)
{
    return span.kind == Kind::Word && span.depth == 0
        && ascii::iequals(s.substr(span.begin, span.end - span.begin), keyword);
}

// The next span after `i` that is neither blank nor a comment, or nullptr.
const Span* next_solid(const std::vector<Span>& spans, std::size_t i)
{
    for (++i; i < spans.size(); ++i)
        if (spans[i].kind == Kind::Word || spans[i].kind == Kind::Other)
            return &spans[i];
    return nullptr;
}

// Where a clause that must stay after the WHERE condition starts, at or after span `from`.
std::optional<std::size_t> trailing_clause(std::string_view s, const std::vector<Span>& spans, std::size_t from)
{
    for (std::size_t i = from; i < spans.size(); ++i) {
        const Span& span = spans[i];
        if (is_keyword(s, span, "having") || is_keyword(s, span, "limit")
            || (span.kind == Kind::Other && span.depth == 0 && s[span.begin] == ';'))
            return span.begin;
        if (is_keyword(s, span, "group") || is_keyword(s, span, "order")) {
            const Span* next = next_solid(spans, i);
            if (next && is_keyword(s, *next, "by"))
                return span.begin;
        }
    }
    return std::nullopt;
}

} // namespace

std::string text_condition(std::string_view field, std::string_view value)
{
    return std::string(field) + "=" + sql::quote_literal(value);
}

std::string number_condition(std::string_view field, std::string_view number)
{
    return std::string(field) + "=" + std::string(number);
}

std::string rewrite_select(std::string_view designed, const std::vector<std::string>& conditions)
{
    if (conditions.empty())
        return std::string(designed);
    std::string where;
    for (const std::string& condition : conditions)
        where += " and (" + condition + ")";

    const std::vector<Span> spans = scan(designed);
    // The last WHERE of the statement itself (not of a subquery) is the one the conditions join.
    std::optional<std::size_t> where_span;
    for (std::size_t i = 0; i < spans.size(); ++i)
        if (is_keyword(designed, spans[i], "where"))
            where_span = i;
    const std::optional<std::size_t> clause = trailing_clause(designed, spans, where_span.value_or(0));

    std::string head(designed.substr(0, clause.value_or(designed.size())));
    const std::string_view tail = designed.substr(head.size());
    if (!tail.empty())
        head.erase(head.find_last_not_of(ascii::white_space) + 1);
    // A line comment at the end would swallow what follows: end its line first.
    for (auto span = spans.rbegin(); span != spans.rend(); ++span) {
        if (span->begin >= head.size() || span->kind == Kind::Space)
            continue;
        if (span->kind == Kind::LineComment)
            head += '\n';
        break;
    }

    std::string rewritten;
    if (where_span) {
        // Kept from the designed text: the keyword becomes "Where (" and the blank after it stays.
        const std::size_t at = spans[*where_span].begin;
        rewritten = head.substr(0, at) + "Where (" + head.substr(at + 5) + ")" + where;
    } else {
        rewritten = head + " Where " + where.substr(5);
    }
    if (!tail.empty())
        rewritten += " " + std::string(tail);
    return rewritten;
}

} // namespace hearth::tabs
