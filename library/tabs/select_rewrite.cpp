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

namespace {

// Where the conditions go into a designed SELECT: all that depends on the designed text alone.
struct Insertion {
    std::size_t tail_at = 0;             // the trailing clause that stays after the conditions
    std::size_t head_size = 0;           // the text before it, blanks at its end dropped
    bool end_line = false;               // the head ends in a line comment: a line break first
    std::optional<std::size_t> where_at; // the statement's own WHERE keyword
};

Insertion insertion_of(std::string_view designed)
{
    const std::vector<Span> spans = scan(designed);
    Insertion at;
    // The last WHERE of the statement itself (not of a subquery) is the one the conditions join.
    std::optional<std::size_t> where_span;
    for (std::size_t i = 0; i < spans.size(); ++i)
        if (is_keyword(designed, spans[i], "where"))
            where_span = i;
    if (where_span)
        at.where_at = spans[*where_span].begin;
    const std::optional<std::size_t> clause = trailing_clause(designed, spans, where_span.value_or(0));

    at.tail_at = at.head_size = clause.value_or(designed.size());
    if (at.tail_at < designed.size()) {
        const std::size_t last
            = at.tail_at == 0 ? std::string_view::npos : designed.find_last_not_of(ascii::white_space, at.tail_at - 1);
        at.head_size = last == std::string_view::npos ? 0 : last + 1;
    }
    // A line comment at the end would swallow what follows: end its line first.
    for (auto span = spans.rbegin(); span != spans.rend(); ++span) {
        if (span->begin >= at.head_size || span->kind == Kind::Space)
            continue;
        at.end_line = span->kind == Kind::LineComment;
        break;
    }
    return at;
}

} // namespace

std::string rewrite_select(std::string_view designed, const std::vector<std::string>& conditions)
{
    if (conditions.empty())
        return std::string(designed);
    // A page rewrites the same designed SELECT for every master row: its scan is kept.
    thread_local std::string last_designed;
    thread_local Insertion last_insertion;
    if (last_designed.empty() || last_designed != designed) {
        last_insertion = insertion_of(designed);
        last_designed = designed;
    }
    const Insertion& at = last_insertion;

    std::string rewritten;
    rewritten.reserve(designed.size() + 16 + 8 * conditions.size());
    const std::string_view head = designed.substr(0, at.head_size);
    if (at.where_at) {
        // Kept from the designed text: the keyword becomes "Where (" and the blank after it stays.
        rewritten.append(head.substr(0, *at.where_at)).append("Where (").append(head.substr(*at.where_at + 5));
        if (at.end_line)
            rewritten += '\n';
        rewritten += ')';
        for (const std::string& condition : conditions)
            rewritten.append(" and (").append(condition).append(")");
    } else {
        rewritten.append(head);
        if (at.end_line)
            rewritten += '\n';
        rewritten += " Where ";
        for (std::size_t i = 0; i < conditions.size(); ++i)
            rewritten.append(i == 0 ? "(" : " and (").append(conditions[i]).append(")");
    }
    if (at.tail_at < designed.size())
        rewritten.append(" ").append(designed.substr(at.tail_at));
    return rewritten;
}

} // namespace hearth::tabs
