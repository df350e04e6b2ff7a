#include "host/sql/dialect.h"

#include "host/value/ascii.h"

#include <fmt/format.h>

#include <algorithm>
#include <optional>

namespace hearth::sql {

namespace {

enum class Tok : std::uint8_t { Word, QuotedIdent, String, Number, HostVar, Punct, Space, Comment };

// A token's text views the statement, or a string literal of this file for the words the
// rewrites put in: no token owns memory, so a statement costs no allocation per token.
struct Token {
    Tok kind;
    std::string_view text;
    int depth = 0; // parentheses open before this token
};

// ASCII tests written out: every byte from 0x80 counts as a letter anyway, so the locale's
// std::isalpha could add nothing, and these run for every character of every statement.
bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }
bool is_ident_start(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c >= 0x80;
}
bool is_ident_char(unsigned char c) { return is_ident_start(c) || is_digit(c) || c == '$' || c == '#'; }

using ascii::iequals;

// Splits a statement into tokens; fails for an unterminated literal or comment.
Result<void> tokenize(std::string_view s, std::vector<Token>& out)
{
    std::size_t i = 0;
    int depth = 0;
    out.reserve(s.size() / 3);
    auto push = [&](Tok kind, std::size_t from) { out.push_back({kind, s.substr(from, i - from), depth}); };
    while (i < s.size()) {
        const std::size_t from = i;
        const unsigned char c = s[i];
        if (ascii::is_space(char(c))) {
            while (i < s.size() && ascii::is_space(s[i]))
                ++i;
            push(Tok::Space, from);
        } else if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
            while (i < s.size() && s[i] != '\n')
                ++i;
            push(Tok::Comment, from);
        } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
            const auto end = s.find("*/", i + 2);
            if (end == std::string_view::npos)
                return Result<void>::failure("unterminated comment");
            i = end + 2;
            push(Tok::Comment, from);
        } else if (c == '\'' || c == '"') {
            ++i;
            for (;;) {
                if (i >= s.size())
                    return Result<void>::failure(c == '\'' ? "unterminated string literal"
                                                           : "unterminated quoted identifier");
                if (s[i] == char(c)) {
                    if (i + 1 < s.size() && s[i + 1] == char(c)) {
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                ++i;
            }
            push(c == '\'' ? Tok::String : Tok::QuotedIdent, from);
        } else if (c == ':' && i + 1 < s.size() && s[i + 1] == ':') {
            i += 2; // a PostgreSQL cast, not a host variable
            push(Tok::Punct, from);
        } else if (c == ':' && i + 1 < s.size() && is_ident_start(static_cast<unsigned char>(s[i + 1]))) {
            ++i;
            for (;;) {
                while (i < s.size() && is_ident_char(static_cast<unsigned char>(s[i])))
                    ++i;
                // structure members: :lstr_scope.ls_colname
                if (i + 1 < s.size() && s[i] == '.' && is_ident_start(static_cast<unsigned char>(s[i + 1]))) {
                    ++i;
                    continue;
                }
                break;
            }
            push(Tok::HostVar, from);
        } else if (is_digit(c) || (c == '.' && i + 1 < s.size() && is_digit(static_cast<unsigned char>(s[i + 1])))) {
            while (i < s.size() && (is_digit(static_cast<unsigned char>(s[i])) || s[i] == '.'))
                ++i;
            if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
                std::size_t j = i + 1;
                if (j < s.size() && (s[j] == '+' || s[j] == '-'))
                    ++j;
                if (j < s.size() && is_digit(static_cast<unsigned char>(s[j]))) {
                    i = j;
                    while (i < s.size() && is_digit(static_cast<unsigned char>(s[i])))
                        ++i;
                }
            }
            push(Tok::Number, from);
        } else if (is_ident_start(c)) {
            while (i < s.size() && is_ident_char(static_cast<unsigned char>(s[i])))
                ++i;
            push(Tok::Word, from);
        } else {
            ++i;
            if (c == ')')
                --depth;
            push(Tok::Punct, from);
            if (c == '(')
                ++depth;
        }
    }
    return {};
}

bool is_blank(const Token& t) { return t.kind == Tok::Space || t.kind == Tok::Comment; }
bool is_word(const Token& t, std::string_view word) { return t.kind == Tok::Word && iequals(t.text, word); }
bool is_punct(const Token& t, std::string_view p) { return t.kind == Tok::Punct && t.text == p; }

// Index of the next token after i that is not blank, or tokens.size().
std::size_t next_solid(const std::vector<Token>& tokens, std::size_t i)
{
    ++i;
    while (i < tokens.size() && is_blank(tokens[i]))
        ++i;
    return i;
}

std::size_t first_solid(const std::vector<Token>& tokens)
{
    std::size_t i = 0;
    while (i < tokens.size() && is_blank(tokens[i]))
        ++i;
    return i;
}

StatementKind classify(const std::vector<Token>& tokens)
{
    const std::size_t i = first_solid(tokens);
    if (i >= tokens.size())
        return StatementKind::Change;
    const Token& t = tokens[i];
    if (is_word(t, "select") || is_word(t, "with") || is_word(t, "values") || is_punct(t, "("))
        return StatementKind::Query;
    const bool commit = is_word(t, "commit");
    const bool rollback = is_word(t, "rollback");
    if (commit || rollback) {
        // COMMIT / COMMIT WORK / COMMIT TRANSACTION; ROLLBACK TO SAVEPOINT is an ordinary statement.
        const std::size_t j = next_solid(tokens, i);
        if (j >= tokens.size() || is_word(tokens[j], "work") || is_word(tokens[j], "transaction")
            || is_word(tokens[j], "tran")) {
            if (j >= tokens.size() || next_solid(tokens, j) >= tokens.size())
                return commit ? StatementKind::Commit : StatementKind::Rollback;
        }
    }
    return StatementKind::Change;
}

// SELECT ... INTO :a, :b FROM ...: removes the INTO list and returns its targets.
Result<void> extract_into(std::vector<Token>& tokens, std::vector<std::string>& into)
{
    const std::size_t select = first_solid(tokens);
    if (select >= tokens.size() || !is_word(tokens[select], "select"))
        return {};
    for (std::size_t i = select + 1; i < tokens.size(); ++i) {
        if (tokens[i].depth != 0 || !is_word(tokens[i], "into"))
            continue;
        std::size_t j = next_solid(tokens, i);
        if (j >= tokens.size() || tokens[j].kind != Tok::HostVar)
            return {}; // SELECT ... INTO table: left to the backend
        std::size_t last = j;
        for (;;) {
            into.push_back(ascii::to_lower(tokens[j].text.substr(1)));
            last = j;
            const std::size_t comma = next_solid(tokens, j);
            if (comma >= tokens.size() || !is_punct(tokens[comma], ","))
                break;
            j = next_solid(tokens, comma);
            if (j >= tokens.size() || tokens[j].kind != Tok::HostVar)
                return Result<void>::failure("INTO expects a list of host variables");
        }
        // Remove "INTO :a, :b" and the blank after it.
        std::size_t end = last + 1;
        if (end < tokens.size() && tokens[end].kind == Tok::Space)
            ++end;
        tokens.erase(tokens.begin() + std::ptrdiff_t(i), tokens.begin() + std::ptrdiff_t(end));
        return {};
    }
    return {};
}

// SELECT [DISTINCT|ALL] TOP n ... -> SELECT [DISTINCT|ALL] ... LIMIT n, at the end of that
// SELECT's own scope (the closing parenthesis of a subquery or the end of the statement).
Result<void> rewrite_top(std::vector<Token>& tokens)
{
    for (std::size_t k = tokens.size(); k-- > 0;) {
        if (!is_word(tokens[k], "select"))
            continue;
        std::size_t top = next_solid(tokens, k);
        if (top < tokens.size() && (is_word(tokens[top], "distinct") || is_word(tokens[top], "all")))
            top = next_solid(tokens, top);
        if (top >= tokens.size() || !is_word(tokens[top], "top"))
            continue;
        std::size_t n = next_solid(tokens, top);
        bool parens = false;
        if (n < tokens.size() && is_punct(tokens[n], "(")) {
            parens = true;
            n = next_solid(tokens, n);
        } else if (n >= tokens.size() || (tokens[n].kind != Tok::Number && tokens[n].kind != Tok::HostVar)) {
            continue; // a column that happens to be called top
        }
        if (n >= tokens.size() || (tokens[n].kind != Tok::Number && tokens[n].kind != Tok::HostVar))
            return Result<void>::failure("TOP expects a row count");
        if (tokens[n].kind == Tok::Number && tokens[n].text.find_first_not_of("0123456789") != std::string_view::npos)
            return Result<void>::failure("TOP expects a whole row count");
        std::size_t end_of_top = n;
        if (parens) {
            end_of_top = next_solid(tokens, n);
            if (end_of_top >= tokens.size() || !is_punct(tokens[end_of_top], ")"))
                return Result<void>::failure("TOP expects a row count");
        }
        const std::size_t after = next_solid(tokens, end_of_top);
        if (after < tokens.size() && (is_word(tokens[after], "percent") || is_word(tokens[after], "with")))
            return Result<void>::failure("TOP ... PERCENT and TOP ... WITH TIES are not supported");
        Token count = tokens[n];
        // Remove "TOP n" and the blank after it.
        tokens.erase(tokens.begin() + std::ptrdiff_t(top), tokens.begin() + std::ptrdiff_t(after));
        const int depth = tokens[k].depth;
        std::size_t end = k + 1;
        while (end < tokens.size() && tokens[end].depth >= depth)
            ++end;
        // Keep a trailing comment or blank after the LIMIT so the text still reads naturally.
        std::size_t at = end;
        while (at > k + 1 && is_blank(tokens[at - 1]))
            --at;
        count.depth = depth;
        const Token limit[] = {{Tok::Space, " ", depth}, {Tok::Word, "LIMIT", depth}, {Tok::Space, " ", depth}, count};
        tokens.insert(tokens.begin() + std::ptrdiff_t(at), std::begin(limit), std::end(limit));
    }
    return {};
}

// DELETE T WHERE ... -> DELETE FROM T WHERE ...
void rewrite_delete(std::vector<Token>& tokens)
{
    const std::size_t del = first_solid(tokens);
    if (del >= tokens.size() || !is_word(tokens[del], "delete"))
        return;
    const std::size_t next = next_solid(tokens, del);
    if (next >= tokens.size() || is_word(tokens[next], "from"))
        return;
    const Token from[] = {{Tok::Space, " ", 0}, {Tok::Word, "FROM", 0}};
    tokens.insert(tokens.begin() + std::ptrdiff_t(del + 1), std::begin(from), std::end(from));
}

// Column types in CREATE/ALTER TABLE that one backend spells differently.
void rewrite_ddl_types(std::vector<Token>& tokens, Dbms dbms)
{
    const std::size_t first = first_solid(tokens);
    if (first >= tokens.size() || !(is_word(tokens[first], "create") || is_word(tokens[first], "alter")))
        return;
    for (std::size_t i = first + 1; i < tokens.size(); ++i) {
        Token& t = tokens[i];
        if (t.kind != Tok::Word)
            continue;
        if (dbms == Dbms::PostgreSQL) {
            if (iequals(t.text, "blob"))
                t.text = "bytea";
            else if (iequals(t.text, "datetime"))
                t.text = "timestamp";
            else if (iequals(t.text, "double")) {
                const std::size_t n = next_solid(tokens, i);
                if (n >= tokens.size() || !is_word(tokens[n], "precision"))
                    t.text = "double precision";
            }
        } else if (iequals(t.text, "bytea")) {
            t.text = "blob";
        }
    }
}

// The string literals a SQLite query compares with a value after its WHERE (next to =, <, >
// or !): those are bound as parameters. A page that rewrites its SELECT with the master's key
// quoted into it then sends one statement text for every key, prepared once, instead of one
// per key. Literals elsewhere (select list, IN lists, LIKE patterns, COLLATE names) stay.
std::vector<bool> literals_to_bind(const std::vector<Token>& tokens)
{
    std::vector<bool> bind(tokens.size(), false);
    std::size_t i = 0;
    while (i < tokens.size() && !(tokens[i].depth == 0 && is_word(tokens[i], "where")))
        ++i;
    auto comparison = [](const Token& t) {
        return t.kind == Tok::Punct && (t.text == "=" || t.text == "<" || t.text == ">" || t.text == "!");
    };
    std::size_t previous = tokens.size(); // the last solid token seen
    for (; i < tokens.size(); ++i) {
        if (is_blank(tokens[i]))
            continue;
        if (tokens[i].kind == Tok::String) {
            const std::size_t next = next_solid(tokens, i);
            bind[i] = (previous < tokens.size() && comparison(tokens[previous]))
                || (next < tokens.size() && comparison(tokens[next]));
        }
        previous = i;
    }
    return bind;
}

// The value of a string literal token: the text between its quotes, doubled quotes single.
std::string literal_value(std::string_view token)
{
    std::string value;
    value.reserve(token.size());
    for (std::size_t i = 1; i + 1 < token.size(); ++i) {
        value += token[i];
        if (token[i] == '\'' && token[i + 1] == '\'')
            ++i;
    }
    return value;
}

} // namespace

Result<Translated> translate(std::string_view text, Dbms dbms)
{
    auto syntax_error
        = [](std::string_view what) { return Result<Translated>::failure(fmt::format("SQL syntax error: {}", what)); };
    Translated out;
    std::vector<Token> tokens;
    if (auto read = tokenize(text, tokens); !read)
        return syntax_error(read.error());
    // Drop one statement terminator (trailing comments stay); a second statement is refused.
    std::size_t last = tokens.size();
    while (last > 0 && is_blank(tokens[last - 1]))
        --last;
    if (last > 0 && is_punct(tokens[last - 1], ";"))
        tokens.erase(tokens.begin() + std::ptrdiff_t(last - 1));
    while (!tokens.empty() && tokens.back().kind == Tok::Space)
        tokens.pop_back();
    if (first_solid(tokens) >= tokens.size())
        return syntax_error("empty statement");
    for (const Token& t : tokens) {
        if (is_punct(t, ";"))
            return syntax_error("only one statement can be run at a time");
    }
    out.kind = classify(tokens);
    Result<void> rewritten;
    if (out.kind == StatementKind::Query)
        rewritten = extract_into(tokens, out.into);
    if (rewritten)
        rewritten = rewrite_top(tokens);
    if (!rewritten)
        return syntax_error(rewritten.error());
    rewrite_delete(tokens);
    rewrite_ddl_types(tokens, dbms);

    std::vector<bool> bind;
    std::size_t host_variables = 0;
    if (dbms == Dbms::SQLite && out.kind == StatementKind::Query) {
        bind = literals_to_bind(tokens);
        host_variables = std::size_t(
            std::count_if(tokens.begin(), tokens.end(), [](const Token& t) { return t.kind == Tok::HostVar; }));
    }
    out.text.reserve(text.size() + 16);
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (t.kind == Tok::HostVar) {
            out.params.push_back(ascii::to_lower(t.text.substr(1)));
            out.text += fmt::format("{}{}", dbms == Dbms::PostgreSQL ? '$' : '?', out.params.size());
        } else if (!bind.empty() && bind[i]) {
            out.literals.push_back(literal_value(t.text));
            out.text += fmt::format("?{}", host_variables + out.literals.size());
        } else {
            out.text += t.text;
        }
    }
    return out;
}

namespace {
// A literal's marker in a form: '\x01<ordinal>'. No text the form is made from holds the byte.
constexpr char marker = '\x01';
} // namespace

std::optional<LiteralForm> literal_form(std::string_view text)
{
    if (text.find(marker) != std::string_view::npos)
        return std::nullopt;
    // Only quotes and comments decide where a literal starts: no other token holds a quote or
    // starts with "--" or "/*", so this finds exactly the literals tokenize() finds, without
    // making the tokens.
    LiteralForm out;
    out.form.reserve(text.size());
    std::size_t copied = 0;
    std::size_t i = 0;
    auto closing = [&](char quote) {
        for (++i; i < text.size(); ++i)
            if (text[i] == quote) {
                if (i + 1 < text.size() && text[i + 1] == quote)
                    ++i;
                else
                    return true;
            }
        return false;
    };
    while (i < text.size()) {
        const char c = text[i];
        if (c == '-' && i + 1 < text.size() && text[i + 1] == '-') {
            i = std::min(text.find('\n', i), text.size());
        } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
            const std::size_t end = text.find("*/", i + 2);
            if (end == std::string_view::npos)
                return std::nullopt;
            i = end + 2;
        } else if (c == '"') {
            if (!closing('"'))
                return std::nullopt;
            ++i;
        } else if (c == '\'') {
            const std::size_t from = i;
            if (!closing('\''))
                return std::nullopt;
            ++i;
            out.form.append(text, copied, from - copied);
            out.form += '\'';
            out.form += marker;
            out.form += std::to_string(out.literals.size());
            out.form += '\'';
            out.literals.push_back(text.substr(from, i - from));
            copied = i;
        } else {
            ++i;
        }
    }
    if (out.literals.empty())
        return std::nullopt;
    out.form.append(text, copied);
    return out;
}

Translated with_literals(const Translated& form, const std::vector<std::string_view>& literals)
{
    // The ordinal a marker carries; the translation keeps every literal it does not bind as it
    // stood, so each marker of the form is found again in the text or among the bound values.
    auto ordinal = [&](std::string_view digits) {
        std::size_t n = 0;
        for (char c : digits)
            n = n * 10 + std::size_t(c - '0');
        return n < literals.size() ? n : literals.size();
    };
    Translated out;
    out.params = form.params;
    out.into = form.into;
    out.kind = form.kind;
    out.literals.reserve(form.literals.size());
    for (const std::string& bound : form.literals) {
        const std::size_t n = ordinal(std::string_view(bound).substr(1));
        out.literals.push_back(n < literals.size() ? literal_value(literals[n]) : bound);
    }
    out.text.reserve(form.text.size() + 64);
    std::size_t from = 0;
    for (std::size_t at = form.text.find(marker); at != std::string::npos; at = form.text.find(marker, from)) {
        const std::size_t close = form.text.find('\'', at);
        out.text.append(form.text, from, at - 1 - from); // up to the opening quote
        const std::size_t n = ordinal(std::string_view(form.text).substr(at + 1, close - at - 1));
        out.text += literals[n];
        from = close + 1;
    }
    out.text.append(form.text, from);
    return out;
}

Result<std::string> expand_list_variable(std::string_view text, std::string_view name, std::size_t count)
{
    std::vector<Token> tokens;
    if (auto read = tokenize(text, tokens); !read)
        return Result<std::string>::failure(fmt::format("SQL syntax error: {}", read.error()));
    std::string elements;
    for (std::size_t i = 1; i <= count; ++i)
        elements += fmt::format("{}:{}#{}", i > 1 ? ", " : "", name, i);
    if (count == 0)
        elements = "NULL"; // IN (NULL) matches no row, as an empty list should
    std::string out;
    out.reserve(text.size() + elements.size());
    for (const Token& t : tokens) {
        if (t.kind == Tok::HostVar && iequals(t.text.substr(1), name))
            out += elements;
        else
            out += t.text;
    }
    return out;
}

namespace {

bool is_plain_name(std::string_view name)
{
    auto letter = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || static_cast<unsigned char>(c) >= 0x80;
    };
    bool part_start = true;
    for (char c : name) {
        if (part_start ? !letter(c) : !(letter(c) || (c >= '0' && c <= '9') || c == '$' || c == '.'))
            return false;
        part_start = c == '.';
    }
    return !part_start;
}

} // namespace

std::string quote_literal(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 2);
    out += '\'';
    for (char c : text) {
        if (c == '\'')
            out += '\'';
        out += c;
    }
    out += '\'';
    return out;
}

std::string quote_identifier(std::string_view name)
{
    if (is_plain_name(name))
        return std::string(name);
    std::string quoted = "\"";
    for (char c : name) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

} // namespace hearth::sql
