#include "host/sql/driver.h"

#include "host/sql/backends.h"
#include "host/sql/fault_injection.h"
#include "host/value/ascii.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <vector>

namespace hearth::sql {

namespace {

constexpr std::string_view hidden = "***";

struct Span {
    std::size_t begin;
    std::size_t end;
};

std::size_t word_end(std::string_view text, std::size_t i)
{
    while (i < text.size() && !ascii::is_space(text[i]))
        ++i;
    return i;
}

std::string percent_decoded(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char byte = 0;
        if (text[i] == '%' && i + 2 < text.size()
            && std::from_chars(text.data() + i + 1, text.data() + i + 3, byte, 16).ptr == text.data() + i + 3) {
            out += char(byte);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The passwords of URIs in text: after the user name of the user info (which libpq ends at
// the first '@' unless a '/' comes first), and the values of password query parameters.
void uri_passwords(std::string_view text, std::string_view lower, std::vector<Span>& spans)
{
    for (std::string_view scheme : {"postgresql://", "postgres://"}) {
        for (auto at = lower.find(scheme); at != std::string_view::npos; at = lower.find(scheme, at + 1)) {
            const std::size_t start = at + scheme.size();
            std::size_t end = word_end(text, start);
            if (at > 0 && text[at - 1] == '"' && end > start && text[end - 1] == '"')
                --end; // a message quoting the URI keeps its closing quote
            std::size_t query_from = start;
            const std::size_t info_end = text.find_first_of("@/", start);
            if (info_end < end && text[info_end] == '@') {
                const std::size_t colon = text.find(':', start);
                if (colon < info_end)
                    spans.push_back({colon + 1, info_end});
                query_from = info_end;
            }
            for (std::size_t param = text.find('?', query_from); param < end;) {
                ++param; // past '?' or '&'
                const std::size_t next = std::min(text.find('&', param), end);
                const std::size_t equals = text.find('=', param);
                if (equals < next && ascii::iequals(percent_decoded(text.substr(param, equals - param)), "password"))
                    spans.push_back({equals + 1, next});
                param = next;
            }
        }
    }
}

// The values of password keywords in key=value text, read as libpq reads them. Words after an
// unquoted value on the same line, up to the next key=value, are masked with it: whoever wrote
// them meant them as part of the password.
void keyword_passwords(std::string_view text, std::string_view lower, std::vector<Span>& spans)
{
    auto skip_blanks = [&](std::size_t i) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        return i;
    };
    for (auto at = lower.find("password"); at != std::string_view::npos; at = lower.find("password", at + 1)) {
        if (at > 0 && !ascii::is_space(text[at - 1]))
            continue;
        std::size_t i = skip_blanks(at + 8);
        if (i >= text.size() || text[i] != '=')
            continue;
        const std::size_t begin = i = skip_blanks(i + 1);
        if (i < text.size() && text[i] == '\'') {
            for (++i; i < text.size() && text[i] != '\''; ++i)
                if (text[i] == '\\')
                    ++i;
            i = std::min(i + 1, text.size());
        } else {
            i = word_end(text, i);
            for (;;) {
                const std::size_t next = skip_blanks(i);
                const std::size_t after = word_end(text, next);
                if (after == next || text.substr(next, after - next).find('=') != std::string_view::npos)
                    break;
                i = after;
            }
        }
        if (i > begin)
            spans.push_back({begin, i});
    }
}

std::vector<Span> password_spans(std::string_view text)
{
    const std::string lower = ascii::to_lower(text);
    std::vector<Span> spans;
    uri_passwords(text, lower, spans);
    keyword_passwords(text, lower, spans);
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.begin < b.begin; });
    return spans;
}

void replace_all(std::string& text, std::string_view from, std::string_view to)
{
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

} // namespace

std::string_view dbms_name(Dbms dbms)
{
    switch (dbms) {
    case Dbms::SQLite: return "SQLite";
    case Dbms::PostgreSQL: return "PostgreSQL";
    }
    return "SQLite";
}

std::unique_ptr<Driver> make_driver(Dbms dbms)
{
    switch (dbms) {
    case Dbms::SQLite: return with_fault_plan(make_sqlite_driver());
    case Dbms::PostgreSQL: return with_fault_plan(make_postgres_driver());
    }
    return with_fault_plan(make_sqlite_driver());
}

std::string dbparm_value(std::string_view dbparm, std::string_view key)
{
    std::size_t i = 0;
    auto skip_blanks = [&] {
        while (i < dbparm.size() && ascii::is_space(dbparm[i]))
            ++i;
    };
    while (i < dbparm.size()) {
        skip_blanks();
        const std::size_t name_start = i;
        while (i < dbparm.size() && dbparm[i] != '=' && dbparm[i] != ',')
            ++i;
        const std::string_view name = ascii::trim_end(dbparm.substr(name_start, i - name_start));
        std::string value;
        if (i < dbparm.size() && dbparm[i] == '=') {
            ++i;
            skip_blanks();
            if (i < dbparm.size() && (dbparm[i] == '\'' || dbparm[i] == '"')) {
                const char quote = dbparm[i++];
                while (i < dbparm.size() && dbparm[i] != quote)
                    value += dbparm[i++];
                if (i < dbparm.size())
                    ++i;
                while (i < dbparm.size() && dbparm[i] != ',')
                    ++i;
            } else {
                const std::size_t value_start = i;
                while (i < dbparm.size() && dbparm[i] != ',')
                    ++i;
                value = ascii::trim_end(dbparm.substr(value_start, i - value_start));
            }
        }
        if (i < dbparm.size() && dbparm[i] == ',')
            ++i;
        if (ascii::iequals(name, key))
            return value;
    }
    return std::string();
}

std::string redact_passwords(std::string_view text, std::string_view conninfo)
{
    std::string out;
    std::size_t done = 0;
    for (const Span& span : password_spans(text)) {
        if (span.begin < done) { // overlaps the one masked before
            done = std::max(done, span.end);
            continue;
        }
        out.append(text.substr(done, span.begin - done));
        out.append(hidden);
        done = span.end;
    }
    out.append(text.substr(done));
    // libpq quotes a password alone when it cannot decode it ("invalid percent-encoded token").
    for (const Span& span : password_spans(conninfo)) {
        const std::string_view value = ascii::trim(conninfo.substr(span.begin, span.end - span.begin), "'");
        for (std::size_t i = 0; i < value.size();) {
            const std::size_t end = word_end(value, i);
            if (end > i)
                replace_all(out, fmt::format("\"{}\"", value.substr(i, end - i)), fmt::format("\"{}\"", hidden));
            i = end + 1;
        }
    }
    return out;
}

} // namespace hearth::sql
