#pragma once
// A small application held in memory: globals as plain fields, the user log as a list, and a
// list splitter, for tests of library classes.

#include "library/frame/application.h"

#include <string>
#include <vector>

namespace hearth::test {

class MemoryApplication : public Application {
public:
    struct LogEntry {
        std::string text;
        std::int16_t kind = 0;
        std::string detail;
    };

    AppGlobals& globals() override { return m_globals; }

    void gf_userlog(const std::string& text, std::int16_t kind, const std::string& detail) override
    {
        m_log.push_back({text, kind, detail});
    }

    // Splits `list` at each `separator` ("" splits nothing); an empty list gives no parts.
    std::int32_t gf_substr(const std::string& list, const std::string& separator, std::vector<std::string>& parts,
                           std::int32_t& count) override
    {
        parts.clear();
        if (!list.empty()) {
            std::size_t start = 0;
            while (!separator.empty()) {
                std::size_t at = list.find(separator, start);
                if (at == std::string::npos)
                    break;
                parts.push_back(list.substr(start, at - start));
                start = at + separator.size();
            }
            parts.push_back(list.substr(start));
        }
        count = std::int32_t(parts.size());
        return 0;
    }

    const std::vector<LogEntry>& user_log() const { return m_log; }

private:
    AppGlobals m_globals;
    std::vector<LogEntry> m_log;
};

} // namespace hearth::test
