#pragma once
// A small application held in memory: globals as plain fields, the user log as a list, and a
// list splitter, for tests of library classes.

#include "host/ui/window.h"
#include "library/frame/application.h"

#include <memory>
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

    // The DataWindow functions record their calls: "gf_dwinit d_x", "gf_gridcolumn_right d_x 3".
    void gf_dwcolorinit(DataWindowControl& dw) override { m_calls.push_back("gf_dwcolorinit " + dw.dataobject()); }
    void gf_dwinit(DataWindowControl& dw) override { m_calls.push_back("gf_dwinit " + dw.dataobject()); }
    void gf_setcolumn_right(DataWindowControl& dw, std::int32_t page) override
    {
        m_calls.push_back("gf_setcolumn_right " + dw.dataobject() + " " + std::to_string(page));
    }
    void gf_gridcolumn_right(DataWindowControl& dw, std::int32_t page) override
    {
        m_calls.push_back("gf_gridcolumn_right " + dw.dataobject() + " " + std::to_string(page));
    }

    // The Excel export records its call, "gf_dw_to_excel_parm d_x <path>", and answers
    // excel_result.
    std::int32_t gf_dw_to_excel_parm(DataWindowControl& dw, const std::string& path, n_excel_parm& parm) override
    {
        m_calls.push_back("gf_dw_to_excel_parm " + dw.dataobject() + " " + path);
        excel_parm = parm;
        return excel_result;
    }
    std::int32_t excel_result = 1;
    n_excel_parm excel_parm; // the parameters of the last export

    // w_main's ib_query, held here for the frames of the library's tests.
    bool* w_main_ib_query() override { return &m_ib_query; }

    // The context menu's items without actions, all enabled.
    std::shared_ptr<Menu> create_grid_menu(DataWindowControl& dw) override
    {
        m_calls.push_back("create_grid_menu " + dw.dataobject());
        auto menu = std::make_shared<Menu>("m_gridrbutton");
        std::shared_ptr<Menu> items = menu->add_item("m_gridmenu");
        for (const char* name : {"m_saveas", "m_nocolor", "m_alignleft", "m_aligncenter", "m_alignright", "m_color",
                                 "m_query", "m_noquery", "m_nosort"})
            items->add_item(name);
        return menu;
    }

    const std::vector<LogEntry>& user_log() const { return m_log; }
    std::vector<std::string>& calls() { return m_calls; }

private:
    AppGlobals m_globals;
    std::vector<LogEntry> m_log;
    std::vector<std::string> m_calls;
    bool m_ib_query = true;
};

} // namespace hearth::test
