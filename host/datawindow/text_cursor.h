#pragma once
// Internal: the one cursor over the text of an object source (source_parse.cpp) and of a
// Describe or Modify command (describe.cpp). It keeps the line and the column for error
// texts; columns count characters, so the continuation bytes of a UTF-8 character do not.

#include "host/datawindow/source.h"

#include <optional>
#include <string_view>

namespace hearth::dw {

class TextCursor {
public:
    explicit TextCursor(std::string_view text, SourcePos origin = {}) : m_text(text), m_pos(origin) {}

    bool at_end() const { return m_index >= m_text.size(); }
    // The character `ahead` places on, or '\0' past the end.
    char peek(std::size_t ahead = 0) const { return m_index + ahead < m_text.size() ? m_text[m_index + ahead] : '\0'; }
    SourcePos pos() const { return m_pos; }
    std::size_t index() const { return m_index; }
    std::string_view rest() const { return m_text.substr(m_index); }
    // The text from `from` up to the cursor.
    std::string_view slice(std::size_t from) const { return m_text.substr(from, m_index - from); }

    void advance(std::size_t count = 1)
    {
        for (; count > 0 && !at_end(); --count) {
            char c = m_text[m_index++];
            if (c == '\n') {
                ++m_pos.line;
                m_pos.column = 1;
            } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
                ++m_pos.column;
            }
        }
    }

    static bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }
    void skip_blanks()
    {
        while (!at_end() && is_blank(peek()))
            advance();
    }

    // Advances while `keep` holds for the next character; the text passed over.
    template <class Predicate> std::string_view take_while(Predicate keep)
    {
        std::size_t start = m_index;
        while (!at_end() && keep(peek()))
            advance();
        return slice(start);
    }

    // A string quoted with the quote character at the cursor, where ~ escapes the next
    // character: the raw text between the quotes, escapes still in place, or nullopt when the
    // text ends first.
    std::optional<std::string_view> quoted()
    {
        char quote = peek();
        advance();
        std::size_t start = m_index;
        while (!at_end()) {
            char c = peek();
            if (c == '~') {
                advance(2);
                continue;
            }
            if (c == quote) {
                std::string_view raw = slice(start);
                advance();
                return raw;
            }
            advance();
        }
        return std::nullopt;
    }

private:
    std::string_view m_text;
    std::size_t m_index = 0;
    SourcePos m_pos;
};

} // namespace hearth::dw
