// The Describe and Modify languages over the attribute store (attributes.cpp).
//   Describe: blank-separated items, each a path or Evaluate('expression', row); answers
//             joined by newlines; the first unknown item answers "!" and ends the list.
//   Modify:   blank-separated statements: path = value (value bare or quoted, blanks and
//             tabs allowed around '='), create keyword(...), destroy [column] name.
#include "host/datawindow/attributes.h"
#include "host/datawindow/text_cursor.h"
#include "host/datawindow/text_util.h"
#include "host/datawindow/value_text.h"

#include <fmt/format.h>

#include <charconv>

namespace hearth::dw {

namespace {

bool is_blank(char c) { return TextCursor::is_blank(c); }

// kept: a value holding '!' or '?' comes back in double quotes so it cannot be mistaken
// for the error answers, and every value after it is quoted too.
std::string answer_text(std::string_view value, bool& quoting)
{
    if (!quoting && value.find_first_of("!?") != std::string_view::npos)
        quoting = true;
    if (!quoting)
        return std::string(value);
    return quoted_value(value);
}

std::string error_text(int line, int column, std::string_view what)
{
    return fmt::format("Line {} Column {}: {}.", line, column, what);
}

} // namespace

std::string Engine::describe(std::string_view properties)
{
    if (!m_has_object)
        return "!";
    TextCursor cursor(properties);
    std::string out;
    bool first = true;
    bool quoting = false;
    for (;;) {
        cursor.skip_blanks();
        if (cursor.at_end())
            return out;
        std::string answer;
        bool unknown = false;
        std::string_view rest = cursor.rest();
        std::size_t open = rest.find('(');
        if (istarts_with(rest, "evaluate") && open != std::string_view::npos
            && trim_blanks(rest.substr(8, open - 8)).empty()) {
            // Evaluate('expression', row)
            cursor.advance(open + 1);
            cursor.skip_blanks();
            std::optional<std::string_view> raw;
            if (cursor.peek() == '\'' || cursor.peek() == '"')
                raw = cursor.quoted();
            cursor.skip_blanks();
            std::optional<long> row;
            if (raw && cursor.peek() == ',') {
                cursor.advance();
                cursor.skip_blanks();
                long number = 0;
                std::string_view digits = cursor.take_while([](char c) { return c >= '0' && c <= '9'; });
                if (!digits.empty()
                    && std::from_chars(digits.data(), digits.data() + digits.size(), number).ec == std::errc())
                    row = number;
                cursor.skip_blanks();
            }
            if (!raw || !row || cursor.peek() != ')') {
                unknown = true;
            } else {
                cursor.advance();
                auto value = evaluate(unescape_tilde(*raw), *row);
                if (!value)
                    unknown = true;
                else
                    answer = value->is_null() ? std::string("?") : item_text(*value);
            }
        } else {
            auto read = DescribeModify::get(*this, cursor.take_while([](char c) { return !is_blank(c); }));
            if (!read)
                unknown = true;
            else
                answer = *read ? answer_text(**read, quoting) : "?";
        }
        if (unknown) // kept: "!" ends the answer; earlier answers stay, the rest is ignored
            return out + (first ? "" : "\n") + "!";
        out += (first ? "" : "\n") + answer;
        first = false;
    }
}

std::string Engine::modify(std::string_view modstring)
{
    if (!m_has_object)
        return "no DataWindow object";
    // A failing statement leaves the object as it was. An assignment checks its value before
    // it writes anything, so what Modify can change is kept only before an assignment that
    // more statements follow, and before a create or destroy, which build step by step. A
    // modstring of one assignment (a retrieval's SELECT) thus copies nothing.
    struct Saved {
        ObjectDefinition object;
        std::string sort, filter, selected;
    };
    std::optional<Saved> saved;
    auto save = [&] {
        if (!saved)
            saved = Saved {m_object, m_sort_text, m_filter_text, m_selected_cells};
    };
    auto restore = [&](std::string message) {
        if (saved) {
            m_object = std::move(saved->object);
            install_sort(saved->sort); // parsed again against the object as it was
            install_filter(saved->filter);
            m_selected_cells = std::move(saved->selected);
            m_computes.clear();
        }
        return message;
    };

    TextCursor cursor(modstring);
    bool changed = false;
    for (;;) {
        cursor.skip_blanks();
        if (cursor.at_end())
            break;
        int line = cursor.pos().line, column = cursor.pos().column;
        std::string_view word = cursor.take_while([](char c) { return !is_blank(c) && c != '=' && c != '('; });
        if (word.empty())
            return restore(error_text(line, column, "incorrect syntax"));

        if (iequals(word, "create")) {
            cursor.skip_blanks();
            std::size_t item_start = cursor.index();
            int depth = 0;
            while (!cursor.at_end()) {
                char c = cursor.peek();
                if (c == '"' || c == '\'') {
                    if (!cursor.quoted())
                        return restore(error_text(line, column, "incorrect syntax"));
                    continue;
                }
                cursor.advance();
                if (c == '(')
                    ++depth;
                else if (c == ')' && --depth == 0)
                    break;
            }
            if (depth != 0)
                return restore(error_text(line, column, "incorrect syntax"));
            save();
            if (auto created = DescribeModify::create(*this, cursor.slice(item_start)); !created)
                return restore(error_text(line, column, created.error()));
            changed = true;
            continue;
        }
        if (iequals(word, "destroy")) {
            cursor.skip_blanks();
            std::string_view name = cursor.take_while([](char c) { return !is_blank(c); });
            if (iequals(name, "column"))
                return restore(error_text(line, column, "destroying a table column is not supported"));
            if (name.empty())
                return restore(error_text(line, column, "incorrect syntax"));
            save();
            if (auto destroyed = DescribeModify::destroy(*this, name); !destroyed)
                return restore(error_text(line, column, destroyed.error()));
            changed = true;
            continue;
        }

        // path = value
        cursor.skip_blanks();
        if (cursor.peek() != '=')
            return restore(error_text(line, column, "incorrect syntax"));
        cursor.advance();
        cursor.skip_blanks();
        std::string value;
        if (cursor.peek() == '\'' || cursor.peek() == '"') {
            auto raw = cursor.quoted();
            if (!raw)
                return restore(error_text(line, column, "incorrect syntax"));
            value = unescape_tilde(*raw);
        } else {
            value = std::string(cursor.take_while([](char c) { return !is_blank(c); }));
            if (value.empty())
                return restore(error_text(line, column, "incorrect syntax"));
        }
        cursor.skip_blanks();
        if (!cursor.at_end())
            save();
        if (auto written = DescribeModify::set(*this, word, value); !written)
            return restore(error_text(line, column, written.error()));
        changed = true;
    }
    if (changed) {
        m_computes.clear(); // computed fields may have new expressions
        store_syntax_modified();
    }
    return {};
}

void Engine::store_syntax_modified()
{
    for (Attribute& attr : m_object.datawindow_attributes)
        if (iequals(attr.name, "syntax.modified")) {
            attr.value = AttrValue::bare("yes");
            return;
        }
    m_object.datawindow_attributes.push_back({"syntax.modified", AttrValue::bare("yes"), {}});
}

Result<std::string> Engine::get_attribute(std::string_view object, std::string_view attribute)
{
    if (!m_has_object)
        return Result<std::string>::failure("no DataWindow object");
    std::string path = fmt::format("{}.{}", object, attribute);
    auto read = DescribeModify::get(*this, path);
    if (!read)
        return Result<std::string>::failure(read.error());
    return read->value_or("?");
}

Result<void> Engine::set_attribute(std::string_view object, std::string_view attribute, std::string_view value)
{
    if (!m_has_object)
        return Result<void>::failure("no DataWindow object");
    auto written = DescribeModify::set(*this, fmt::format("{}.{}", object, attribute), value);
    if (!written)
        return written;
    m_computes.clear();
    store_syntax_modified();
    return {};
}

} // namespace hearth::dw
